#pragma once
#include <cstdint>
#include <functional>

#include "tarnwick.h"

class CTarnwick_ISO9660FileTree;

// Mastering of UDF 1.02 images (pure, or UDF/ISO9660 bridges for DVD-Video) from trees of
// UDF_TREE_ITEM records. These raise CTarnwick_Exception on failure; the flat functions turn
// it into the returned status.

// The system structures of a subtree in image order, one 2048-byte sector each: the root's
// File Entry (when the item is the root), then per directory its parent entry, its kids' File
// Identifier Descriptors, its kids' File Entries, then its directory kids the same way.
void TarnwickI_UDF_VisitSystemStructures(PUDF_TREE_ITEM p__PItem, const std::function<void(const UCHAR*)>& p__Visit);
// The files of a subtree in the order of their contents in the image: a directory's file
// kids in list order, then its directory kids the same way (a file item: itself).
void TarnwickI_UDF_VisitFiles(PUDF_TREE_ITEM p__PItem, const std::function<void(PUDF_TREE_ITEM)>& p__Visit);
// The bytes of the system structures block a tree needs.
uint64_t TarnwickI_UDF_SystemStructuresSize(PUDF_TREE_ITEM p__PRoot);

// What Tarnwick_UDF_Create is given.
struct TarnwickI_UDF_Blocks {
    PUCHAR m__PUCHAR__Head;
    uint64_t m__ULONGLONG__HeadSize;
    PUCHAR m__PUCHAR__Tail;
    uint64_t m__ULONGLONG__TailSize;
    PUCHAR m__PUCHAR__System;
    uint64_t m__ULONGLONG__SystemSize;
};
// Assigns every block, formats every descriptor into the items and the three blocks (a bridge
// when both VIDEO_TS and AUDIO_TS are given) and assembles the image chain into the record.
void TarnwickI_UDF_Create(const TarnwickI_UDF_Blocks& p__Blocks, PUDF_TREE_ITEM p__PRoot, PUDF_TREE_ITEM p__PVideoTs,
                          PUDF_TREE_ITEM p__PAudioTs, const char* p__PCHAR__VolumeLabel, PUDF_IMAGE p__PImage);
// Makes the memory sources and the container tree, and chains head, system structures, every
// file's contents and tail into the tree's image; frees all of it on failure.
void TarnwickI_UDF_Master(const TarnwickI_UDF_Blocks& p__Blocks, uint64_t p__ULONGLONG__SystemBytes,
                          PUDF_TREE_ITEM p__PRoot, PUDF_IMAGE p__PImage);
// Makes each file's byte source, stores it in the item and appends it to the tree's image.
void TarnwickI_UDF_Build(PUDF_TREE_ITEM p__PItem, CTarnwick_ISO9660FileTree* p__PTree);
// Deletes the byte sources the build stored in the items of a subtree.
void TarnwickI_UDF_DeleteSources(PUDF_TREE_ITEM p__PItem);
