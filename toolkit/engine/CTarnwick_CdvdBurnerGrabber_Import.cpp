// Importing the directory hierarchy of a data track already on the disc into a file tree,
// so that a new session built from the tree shows the old files beside the new ones.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_ISO9660FileTree.h"
#include "CTarnwick_Utf16.h"
#include "DebugPrint.h"

namespace {

constexpr ULONG IMPORT_BLOCK_SIZE = 2048;
// The volume descriptors looked at: the five blocks from block 16 of the track.
constexpr ULONG DESCRIPTOR_FIRST_BLOCK = 16;
constexpr ULONG DESCRIPTOR_BLOCKS = 5;
// Directories are read this many blocks per command, as any drive transfers 64 KiB.
constexpr ULONG READ_BLOCKS_PER_COMMAND = 32;
// No real directory comes near this size (it would hold about half a million records).
constexpr ULONG MAXIMUM_DIRECTORY_LENGTH = 32u * 1024u * 1024u;
// The fixed part of a directory record, before its identifier.
constexpr ULONG RECORD_FIXED_LENGTH = 33;
constexpr ULONG RECORD_MINIMUM_LENGTH = 34;
// Fields of a directory record.
constexpr ULONG RECORD_EXTENT = 2;
constexpr ULONG RECORD_DATA_LENGTH = 10;
constexpr ULONG RECORD_DATE = 18;
constexpr ULONG RECORD_FLAGS = 25;
constexpr ULONG RECORD_IDENTIFIER_LENGTH = 32;
constexpr ULONG RECORD_IDENTIFIER = 33;
constexpr UCHAR RECORD_FLAGS_FILE = 0x00;
constexpr UCHAR RECORD_FLAGS_DIRECTORY = 0x02;
// The root directory record of a volume descriptor: its extent and data length.
constexpr ULONG DESCRIPTOR_ROOT_EXTENT = 158;
constexpr ULONG DESCRIPTOR_ROOT_DATA_LENGTH = 166;

const char* const g__PCHAR__ImportTrack = "CTarnwick_CdvdBurnerGrabber::ImportTrack";
const char* const g__PCHAR__ImportDirectory = "CTarnwick_CdvdBurnerGrabber::ImportDirectory";

uint64_t BlocksOf(uint64_t p__ULONGLONG__Bytes) { return (p__ULONGLONG__Bytes + IMPORT_BLOCK_SIZE - 1) / IMPORT_BLOCK_SIZE; }

// The name of a record as the tree takes it: ISO9660 bytes as they are, or a Joliet
// name (UCS-2 big-endian) as UTF-8 with any invalid unit replaced; a one-digit version
// suffix (";1") is dropped.
std::string NameOfRecord(const UCHAR* p__PUCHAR__Identifier, ULONG p__ULONG__Length, BOOLEAN p__BOOLEAN__IsJoliet) {
    std::string l__string__Name;
    if (p__BOOLEAN__IsJoliet) {
        std::string l__string__Bytes(reinterpret_cast<const char*>(p__PUCHAR__Identifier), p__ULONG__Length & ~1u);
        l__string__Name = CTarnwick_Utf16::ToUtf8(CTarnwick_Utf16::FromBigEndian(l__string__Bytes));
    } else {
        l__string__Name.assign(reinterpret_cast<const char*>(p__PUCHAR__Identifier), p__ULONG__Length);
    }
    if (l__string__Name.size() > 2 && l__string__Name[l__string__Name.size() - 2] == ';') {
        l__string__Name.resize(l__string__Name.size() - 2);
    }
    return l__string__Name;
}

void RaiseWithoutTree(const char* p__PCHAR__Name, const CTarnwick_ISO9660FileTree* p__PCTarnwick_ISO9660FileTree__Tree) {
    if (p__PCTarnwick_ISO9660FileTree__Tree == nullptr) {
        CTarnwick_Exception::Raise(p__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "%s(): the tree is NULL!!!", p__PCHAR__Name);
    }
}

}  // namespace

struct CTarnwick_CdvdBurnerGrabber::ImportWalk {
    // The last block a file or directory may reach.
    uint64_t m__ULONGLONG__LastBlock = 0xFFFFFFFFull;
    // The extents of the directories walked so far.
    std::set<ULONG> m__Walked;
};

void CTarnwick_CdvdBurnerGrabber::ImportTrack(CTarnwick_ISO9660FileTree* p__PCTarnwick_ISO9660FileTree__Tree,
                                              UCHAR p__UCHAR__TrackNumber, BOOLEAN p__BOOLEAN__IsJoliet) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    RaiseWithoutTree(g__PCHAR__ImportTrack, p__PCTarnwick_ISO9660FileTree__Tree);
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportTrack(): ENTERed for track %u, Joliet %u\n",
               static_cast<unsigned>(p__UCHAR__TrackNumber), static_cast<unsigned>(p__BOOLEAN__IsJoliet));
    std::unique_ptr<TOC_INFORMATION> l__Toc(new TOC_INFORMATION());
    std::memset(l__Toc.get(), 0, sizeof(TOC_INFORMATION));
    ReadTOC(l__Toc.get());
    const ULONG l__ULONG__Track = p__UCHAR__TrackNumber;
    const TOC_TRACK_ENTRY* l__Entry = nullptr;
    if (l__ULONG__Track != 0 && l__ULONG__Track <= l__Toc->m__UCHAR__NumberOfTracks &&
        l__ULONG__Track <= TOC_MAXIMUM_TRACKS && l__Toc->m__UCHAR__IsValid) {
        l__Entry = &l__Toc->m__TOC_TRACK_ENTRY__Tracks[l__ULONG__Track - 1];
        if (!l__Entry->m__UCHAR__IsValid || !l__Entry->m__UCHAR__IsData || l__Entry->m__UCHAR__TrackNumber != l__ULONG__Track ||
            l__Entry->m__LONG__StartLBA < 0) {
            l__Entry = nullptr;
        }
    }
    if (l__Entry == nullptr) {
        CTarnwick_Exception::Raise(g__PCHAR__ImportTrack, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "\nCTarnwick_CdvdBurnerGrabber::ImportTrack(): Invalid track number to import\n");
    }
    std::vector<UCHAR> l__Descriptors(DESCRIPTOR_BLOCKS * IMPORT_BLOCK_SIZE, 0);
    Read10(l__Descriptors.data(), static_cast<ULONG>(l__Descriptors.size()),
           static_cast<ULONG>(l__Entry->m__LONG__StartLBA) + DESCRIPTOR_FIRST_BLOCK, DESCRIPTOR_BLOCKS);
    const UCHAR l__UCHAR__Type = p__BOOLEAN__IsJoliet ? 2 : 1;
    const UCHAR* l__PUCHAR__Descriptor = nullptr;
    for (ULONG l__ULONG__Block = 0; l__ULONG__Block < DESCRIPTOR_BLOCKS; ++l__ULONG__Block) {
        const UCHAR* l__PUCHAR__Block = l__Descriptors.data() + l__ULONG__Block * IMPORT_BLOCK_SIZE;
        if (l__PUCHAR__Block[0] == l__UCHAR__Type && std::memcmp(l__PUCHAR__Block + 1, "CD001", 5) == 0) {
            l__PUCHAR__Descriptor = l__PUCHAR__Block;
            break;
        }
    }
    if (l__PUCHAR__Descriptor == nullptr) {
        CTarnwick_Exception::Raise(g__PCHAR__ImportTrack, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "\nCTarnwick_CdvdBurnerGrabber::ImportTrack(): Volume Descriptor was not found\n");
    }
    char l__CHAR__Path[32];
    std::snprintf(l__CHAR__Path, sizeof(l__CHAR__Path), "ImportingTrack(%d):", static_cast<int>(p__UCHAR__TrackNumber));
    ImportWalk l__Walk;
    // Files of the track's session may lie in earlier tracks, never beyond its own end.
    if (l__Entry->m__LONG__EndLBA >= l__Entry->m__LONG__StartLBA) {
        l__Walk.m__ULONGLONG__LastBlock = static_cast<uint64_t>(l__Entry->m__LONG__EndLBA);
    }
    ImportDirectoryWalk(l__Walk, p__PCTarnwick_ISO9660FileTree__Tree, p__BOOLEAN__IsJoliet, l__CHAR__Path,
                        CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Descriptor + DESCRIPTOR_ROOT_EXTENT),
                        CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Descriptor + DESCRIPTOR_ROOT_DATA_LENGTH), nullptr);
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportTrack(): EXITing with success\n");
}

void CTarnwick_CdvdBurnerGrabber::ImportDirectory(CTarnwick_ISO9660FileTree* p__PCTarnwick_ISO9660FileTree__Tree,
                                                  BOOLEAN p__BOOLEAN__IsJoliet, const char* p__PCHAR__ParentPath,
                                                  ULONG p__ULONG__Extent, ULONG p__ULONG__DataLength,
                                                  CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    RaiseWithoutTree(g__PCHAR__ImportDirectory, p__PCTarnwick_ISO9660FileTree__Tree);
    ImportWalk l__Walk;
    ImportDirectoryWalk(l__Walk, p__PCTarnwick_ISO9660FileTree__Tree, p__BOOLEAN__IsJoliet,
                        p__PCHAR__ParentPath != nullptr ? p__PCHAR__ParentPath : "", p__ULONG__Extent,
                        p__ULONG__DataLength, p__PCTarnwick_FileTreeNode__Parent);
}

void CTarnwick_CdvdBurnerGrabber::ImportDirectoryWalk(ImportWalk& p__Walk,
                                                      CTarnwick_ISO9660FileTree* p__PCTarnwick_ISO9660FileTree__Tree,
                                                      BOOLEAN p__BOOLEAN__IsJoliet,
                                                      const std::string& p__string__ParentPath, ULONG p__ULONG__Extent,
                                                      ULONG p__ULONG__DataLength,
                                                      CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent) {
    const uint64_t l__ULONGLONG__Blocks = BlocksOf(p__ULONG__DataLength);
    if (p__ULONG__DataLength < 2 * RECORD_MINIMUM_LENGTH || p__ULONG__DataLength > MAXIMUM_DIRECTORY_LENGTH ||
        p__ULONG__Extent + l__ULONGLONG__Blocks - 1 > p__Walk.m__ULONGLONG__LastBlock) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! Directory '%s' at %lu with length %lu is "
                   "unusable (too short, too long or past the track), not read!!!\n",
                   p__string__ParentPath.c_str(), static_cast<unsigned long>(p__ULONG__Extent),
                   static_cast<unsigned long>(p__ULONG__DataLength));
        return;
    }
    if (!p__Walk.m__Walked.insert(p__ULONG__Extent).second) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! Directory '%s' at %lu is walked already, "
                   "not read again!!!\n",
                   p__string__ParentPath.c_str(), static_cast<unsigned long>(p__ULONG__Extent));
        return;
    }
    // Whole blocks are read; the records end at the data length.
    std::vector<UCHAR> l__Directory;
    try {
        l__Directory.assign(l__ULONGLONG__Blocks * IMPORT_BLOCK_SIZE, 0);
    } catch (const std::bad_alloc&) {
        CTarnwick_Exception::Raise(g__PCHAR__ImportDirectory, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                   "CTarnwick_CdvdBurnerGrabber::ImportDirectory(): Not enought memory for directory");
    }
    for (uint64_t l__ULONGLONG__Block = 0; l__ULONGLONG__Block < l__ULONGLONG__Blocks;
         l__ULONGLONG__Block += READ_BLOCKS_PER_COMMAND) {
        ULONG l__ULONG__Count =
            static_cast<ULONG>(std::min<uint64_t>(READ_BLOCKS_PER_COMMAND, l__ULONGLONG__Blocks - l__ULONGLONG__Block));
        Read10(l__Directory.data() + l__ULONGLONG__Block * IMPORT_BLOCK_SIZE, l__ULONG__Count * IMPORT_BLOCK_SIZE,
               static_cast<ULONG>(p__ULONG__Extent + l__ULONGLONG__Block), l__ULONG__Count);
    }
    const UCHAR* l__PUCHAR__Directory = l__Directory.data();
    const ULONG l__ULONG__Length = p__ULONG__DataLength;
    // The "." and ".." records come first; each is skipped by its own length, which is
    // more than 34 when it carries system-use data.
    ULONG l__ULONG__Position = 0;
    for (int l__int__Own = 0; l__int__Own < 2; ++l__int__Own) {
        ULONG l__ULONG__Record = l__PUCHAR__Directory[l__ULONG__Position];
        if (l__ULONG__Record < RECORD_MINIMUM_LENGTH || l__ULONG__Position + l__ULONG__Record > l__ULONG__Length) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! Directory '%s' at %lu: bad record "
                       "length %lu at offset %lu, directory not read!!!\n",
                       p__string__ParentPath.c_str(), static_cast<unsigned long>(p__ULONG__Extent),
                       static_cast<unsigned long>(l__ULONG__Record), static_cast<unsigned long>(l__ULONG__Position));
            return;
        }
        l__ULONG__Position += l__ULONG__Record;
    }
    for (;;) {
        // Zero bytes pad the end of a block: the next record starts at the next non-zero one.
        while (l__ULONG__Position < l__ULONG__Length && l__PUCHAR__Directory[l__ULONG__Position] == 0) {
            ++l__ULONG__Position;
        }
        if (l__ULONG__Position >= l__ULONG__Length) {
            break;
        }
        const UCHAR* l__PUCHAR__Record = l__PUCHAR__Directory + l__ULONG__Position;
        const ULONG l__ULONG__Record = l__PUCHAR__Record[0];
        const ULONG l__ULONG__IdentifierLength =
            l__ULONG__Record > RECORD_IDENTIFIER_LENGTH ? l__PUCHAR__Record[RECORD_IDENTIFIER_LENGTH] : 0;
        if (l__ULONG__Record < RECORD_MINIMUM_LENGTH || l__ULONG__Position + l__ULONG__Record > l__ULONG__Length ||
            l__ULONG__IdentifierLength == 0 || RECORD_FIXED_LENGTH + l__ULONG__IdentifierLength > l__ULONG__Record) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! Directory '%s' at %lu: bad record "
                       "(length %lu, identifier length %lu) at offset %lu, rest of the directory not read!!!\n",
                       p__string__ParentPath.c_str(), static_cast<unsigned long>(p__ULONG__Extent),
                       static_cast<unsigned long>(l__ULONG__Record), static_cast<unsigned long>(l__ULONG__IdentifierLength),
                       static_cast<unsigned long>(l__ULONG__Position));
            return;
        }
        l__ULONG__Position += l__ULONG__Record;
        // Only plain files and directories: hidden, associated, multi-extent, record-format
        // and protected records are left out.
        const UCHAR l__UCHAR__Flags = l__PUCHAR__Record[RECORD_FLAGS];
        if (l__UCHAR__Flags != RECORD_FLAGS_FILE && l__UCHAR__Flags != RECORD_FLAGS_DIRECTORY) {
            continue;
        }
        const BOOLEAN l__BOOLEAN__IsDirectory = l__UCHAR__Flags == RECORD_FLAGS_DIRECTORY;
        const ULONG l__ULONG__Extent = CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Record + RECORD_EXTENT);
        const ULONG l__ULONG__DataLength = CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Record + RECORD_DATA_LENGTH);
        const UCHAR* l__PUCHAR__Identifier = l__PUCHAR__Record + RECORD_IDENTIFIER;
        // A record past the "." and ".." ones that names itself or its parent again.
        if (l__ULONG__IdentifierLength == 1 && l__PUCHAR__Identifier[0] <= 1) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! Directory '%s' at %lu: a further \".\" "
                       "or \"..\" record, skipped!!!\n",
                       p__string__ParentPath.c_str(), static_cast<unsigned long>(p__ULONG__Extent));
            continue;
        }
        if (l__ULONG__DataLength != 0 && l__ULONG__Extent + BlocksOf(l__ULONG__DataLength) - 1 > p__Walk.m__ULONGLONG__LastBlock) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! Directory '%s' at %lu: a record's extent "
                       "%lu with length %lu does not fit the track, skipped!!!\n",
                       p__string__ParentPath.c_str(), static_cast<unsigned long>(p__ULONG__Extent),
                       static_cast<unsigned long>(l__ULONG__Extent), static_cast<unsigned long>(l__ULONG__DataLength));
            continue;
        }
        std::string l__string__Name = NameOfRecord(l__PUCHAR__Identifier, l__ULONG__IdentifierLength, p__BOOLEAN__IsJoliet);
        if (l__string__Name.empty()) {
            // A one-byte Joliet identifier holds no character: there is no name to give the node.
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! Directory '%s' at %lu: a record "
                       "without a name, skipped!!!\n",
                       p__string__ParentPath.c_str(), static_cast<unsigned long>(p__ULONG__Extent));
            continue;
        }
        std::string l__string__Path = p__string__ParentPath + "/" + l__string__Name;
        CTarnwick_FileTreeNode* l__Node = p__PCTarnwick_ISO9660FileTree__Tree->ImportFileTreeNode(
            l__string__Path.c_str(), l__string__Name.c_str(), p__BOOLEAN__IsJoliet ? l__PUCHAR__Identifier : nullptr,
            p__BOOLEAN__IsJoliet ? l__ULONG__IdentifierLength : 0, l__BOOLEAN__IsDirectory ? FILE_ATTRIBUTE_DIRECTORY : 0,
            l__PUCHAR__Record + RECORD_DATE, l__ULONG__Extent, l__ULONG__DataLength, p__PCTarnwick_FileTreeNode__Parent);
        if (l__BOOLEAN__IsDirectory && l__Node != nullptr) {
            ImportDirectoryWalk(p__Walk, p__PCTarnwick_ISO9660FileTree__Tree, p__BOOLEAN__IsJoliet, l__string__Path,
                                l__ULONG__Extent, l__ULONG__DataLength, l__Node);
        }
    }
}
