#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "CTarnwick_ISO9660FileTreeNode.h"
#include "tarnwick_types.h"

// Writes the ISO9660 part of an image's system structures into a zero-filled block that
// covers the sectors from the image's start sector on: the Primary Volume Descriptor,
// the boot record and boot catalog, the descriptor set terminator, the L and M path
// tables and every directory's records. The tree has laid the image out (extents,
// directory numbers, directory sizes) before; the writer only turns that into bytes.
// Writers of further hierarchies over the same block sit beside it and share its
// record and text helpers.
class CTarnwick_ISO9660ImageWriter {
public:
    static constexpr ULONG SectorSize = CTarnwick_ISO9660FileTreeNode::SectorSize;

    // Where the structures lie, in absolute sectors, and the sizes the descriptor states.
    struct Layout {
        ULONG m__ULONG__StartSector;
        ULONG m__ULONG__PrimaryDescriptorSector;
        ULONG m__ULONG__LPathTableSector;
        ULONG m__ULONG__MPathTableSector;
        uint64_t m__ULONGLONG__PathTableSize;
        ULONG m__ULONG__VolumeSpaceSize;
        // Descriptor sectors another hierarchy takes before the terminator.
        ULONG m__ULONG__ExtraDescriptorSectors;
        // The data length of the root directory the descriptor's root record states.
        ULONG m__ULONG__RootDataLength;
    };
    // The texts of the Primary Volume Descriptor; each may be null (the field stays zero).
    struct Texts {
        const char* m__PCHAR__VolumeLabel;
        const char* m__PCHAR__PublisherPreparer;
        const char* m__PCHAR__Application;
        const char* m__PCHAR__System;
        const char* m__PCHAR__CopyrightFile;
        const char* m__PCHAR__BibliographicFile;
        const char* m__PCHAR__CreationDate;
        const char* m__PCHAR__ModificationDate;
        const char* m__PCHAR__ExpirationDate;
        const char* m__PCHAR__EffectiveDate;
    };
    // The El Torito entry of a bootable image.
    struct Boot {
        const CTarnwick_ISO9660FileTreeNode* m__PCTarnwick_ISO9660FileTreeNode__Image;
        UCHAR m__UCHAR__BootMediaType;
        UCHAR m__UCHAR__SystemType;
    };

    // How one directory hierarchy over the tree names its entries and places its
    // directories: the ISO9660 hierarchy, or a further one that shares the file extents
    // and the directory numbers.
    class Hierarchy {
    public:
        virtual ~Hierarchy() = default;
        // The identifier bytes of a node other than the root.
        virtual const std::string& Identifier(const CTarnwick_ISO9660FileTreeNode* p__Node) const = 0;
        virtual ULONG DirectoryExtent(const CTarnwick_ISO9660FileTreeNode* p__Directory) const = 0;
        virtual uint64_t DirectorySectors(const CTarnwick_ISO9660FileTreeNode* p__Directory) const = 0;
    };
    // Where a hierarchy's L and M path tables lie and how many bytes they hold.
    struct PathTables {
        ULONG m__ULONG__LPathTableSector;
        ULONG m__ULONG__MPathTableSector;
        uint64_t m__ULONGLONG__PathTableSize;
    };

    CTarnwick_ISO9660ImageWriter(UCHAR* p__PUCHAR__SystemStructures, const Layout& p__Layout);

    // The path-table records and the directory records of every directory, given in
    // layout order (the order of their directory numbers), of the ISO9660 hierarchy ...
    void WriteDirectories(const std::vector<CTarnwick_ISO9660FileTreeNode*>& p__Directories);
    // ... or of another hierarchy over the same directories.
    void WriteDirectories(const std::vector<CTarnwick_ISO9660FileTreeNode*>& p__Directories, const Hierarchy& p__Hierarchy,
                          const PathTables& p__Tables);
    // The Primary Volume Descriptor, the boot record and catalog when p__Boot names an
    // image, and the terminator.
    void WriteVolumeDescriptors(const CTarnwick_ISO9660FileTreeNode* p__Root, BOOLEAN p__BOOLEAN__IsCDXA,
                                const Texts& p__Texts, const Boot& p__Boot);

    // One directory record (length 33 + n, plus a padding byte when n is even, plus the
    // system-use bytes and a padding byte that makes the length even); returns its length.
    static ULONG PutRecord(UCHAR* p__PUCHAR__Record, ULONG p__ULONG__Extent, ULONG p__ULONG__DataLength,
                           const UCHAR* p__PUCHAR__Date, UCHAR p__UCHAR__Flags, const UCHAR* p__PUCHAR__Identifier,
                           ULONG p__ULONG__IdentifierLength, const UCHAR* p__PUCHAR__SystemUse = nullptr,
                           ULONG p__ULONG__SystemUseLength = 0);
    // The length of such a record.
    static ULONG RecordLengthOf(ULONG p__ULONG__IdentifierLength, ULONG p__ULONG__SystemUseLength) {
        ULONG l__ULONG__Length = 33 + p__ULONG__IdentifierLength + ((p__ULONG__IdentifierLength & 1) == 0 ? 1 : 0) +
                                 p__ULONG__SystemUseLength;
        return l__ULONG__Length + (l__ULONG__Length & 1);
    }
    // The extent, data length and flags of record p__ULONG__Index of a file's records (one,
    // or one per extent of a file of 4 GiB or more; all but the last say more follow).
    static void FileRecordPart(const CTarnwick_ISO9660FileTreeNode* p__File, ULONG p__ULONG__Index,
                               ULONG* p__PULONG__Extent, ULONG* p__PULONG__DataLength, UCHAR* p__PUCHAR__Flags);
    // The little-endian and big-endian path-table records of one directory at
    // *p__PULONGLONG__TableOffset, which moves past them; the root's identifier is one zero byte.
    void PutPathTableRecords(const PathTables& p__Tables, uint64_t* p__PULONGLONG__TableOffset, ULONG p__ULONG__Extent,
                             USHORT p__USHORT__ParentNumber, const UCHAR* p__PUCHAR__Identifier,
                             ULONG p__ULONG__IdentifierLength);
    // Copies a text with its terminating zero into a zero-filled field when it is shorter
    // than p__SIZE__Limit characters; a null or longer text leaves the field alone.
    static void PutText(UCHAR* p__PUCHAR__Field, const char* p__PCHAR__Text, size_t p__SIZE__Limit);

    // The first byte of an absolute sector inside the block.
    UCHAR* SectorAt(ULONG p__ULONG__Sector) const;

private:
    void WriteDirectory(const CTarnwick_ISO9660FileTreeNode* p__Directory, const Hierarchy& p__Hierarchy,
                        const PathTables& p__Tables, uint64_t* p__PULONGLONG__TableOffset);
    void WriteBootRecordAndCatalog(const Boot& p__Boot);

    UCHAR* m__PUCHAR__SystemStructures;
    Layout m__Layout;
};
