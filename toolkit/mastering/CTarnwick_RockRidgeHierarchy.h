#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "CTarnwick_ISO9660FileTreeNode.h"
#include "CTarnwick_ISO9660ImageWriter.h"
#include "CTarnwick_RockRidgeRecord.h"

// The ISO9660 hierarchy of a tree with Rock Ridge records. It follows the tree, except
// that a directory that would lie deeper than 8 levels (the root is level 1) is relocated
// into the root's relocation directory "rr_moved": a file record with CL stands at its
// real place, its record in "rr_moved" carries RE, and its ".." record PL. "rr_moved"
// carries RE itself, so that readers that follow CL show the tree as it is. Every record
// gets its node's POSIX attributes, made up from the node's kind and date when none are
// known. Planned once the tree is complete, placed once the image is laid out, then
// written into the image's system structures with the continuation areas after the
// directories.
class CTarnwick_RockRidgeHierarchy {
public:
    static constexpr ULONG SectorSize = CTarnwick_ISO9660FileTreeNode::SectorSize;
    static constexpr ULONG MaximumLevel = 8;

    // Gives the name a node goes by when its own is taken in its directory (a name the
    // collision protocol gave it elsewhere; empty: none).
    using AlternativeName = std::function<std::string(const CTarnwick_ISO9660FileTreeNode*)>;

    // p__BOOLEAN__IsLongNames: identifiers of up to 31 characters (else 8 for directories).
    CTarnwick_RockRidgeHierarchy(CTarnwick_ISO9660FileTreeNode* p__Root, BOOLEAN p__BOOLEAN__IsLongNames,
                                 AlternativeName p__AlternativeName);

    // Relocates, numbers and measures the directories and sizes the continuation areas.
    void Plan();
    uint64_t GetPathTableSize() const { return m__ULONGLONG__PathTableSize; }
    // The sectors of the directories and then of the continuation areas.
    uint64_t GetSectors() const { return m__ULONGLONG__DirectorySectors + m__ULONGLONG__ContinuationSectors; }
    // Gives every directory its extent from p__ULONG__FirstSector on (the nodes' extents
    // too); the continuation areas follow.
    void Place(ULONG p__ULONG__FirstSector);
    ULONG GetRootDataLength() const;
    // The path tables, the directories and the continuation areas.
    void Write(CTarnwick_ISO9660ImageWriter& p__Writer, const CTarnwick_ISO9660ImageWriter::PathTables& p__Tables);

private:
    enum class Kind {
        Plain,               // a file, or a directory at its place
        ChildLink,           // the file record standing for a relocated directory
        Relocated,           // a relocated directory's record in "rr_moved"
        RelocationDirectory  // "rr_moved" in the root
    };
    struct Entry {
        Kind m__Kind;
        CTarnwick_ISO9660FileTreeNode* m__Node;  // null for "rr_moved"
        size_t m__SIZE__Directory;               // the directory it is (not for files)
        ULONG m__ULONG__Serial;                  // of a file
    };
    struct Directory {
        CTarnwick_ISO9660FileTreeNode* m__Node;  // null for "rr_moved"
        size_t m__SIZE__Parent;                  // in the ISO9660 hierarchy
        CTarnwick_ISO9660FileTreeNode* m__RealParent;  // of a relocated directory, else null
        std::string m__string__Identifier;
        std::vector<Entry> m__Entries;
        uint64_t m__ULONGLONG__Length = 0;
        ULONG m__ULONG__Extent = 0;
        ULONG m__ULONG__Links = 2;
        ULONG m__ULONG__Serial = 0;
    };
    // Where the next continuation area goes: blocks counted from the first continuation sector.
    struct Allocator {
        ULONG m__ULONG__Block = 0;
        ULONG m__ULONG__Offset = 0;
        bool m__bool__Used = false;
    };

    // The attributes of a node (of "rr_moved" for null), made up when none are known and
    // always of the node's kind.
    const CTarnwick_RockRidgeAttributes& AttributesOf(const CTarnwick_ISO9660FileTreeNode* p__Node,
                                                      CTarnwick_RockRidgeAttributes* p__Made) const;
    const UCHAR* DateOf(const CTarnwick_ISO9660FileTreeNode* p__Node) const;
    // The record of one entry, of a directory's "." (p__bool__IsSelf) or "..".
    CTarnwick_RockRidgeRecord RecordOf(const Entry& p__Entry, const std::string& p__string__Identifier,
                                       CTarnwick_RockRidgeAttributes* p__Made) const;
    CTarnwick_RockRidgeRecord OwnRecordOf(size_t p__SIZE__Directory, bool p__bool__IsSelf,
                                          CTarnwick_RockRidgeAttributes* p__Made) const;
    const std::string& IdentifierOf(const Entry& p__Entry) const;
    // The places of a record's continuation areas.
    std::vector<CTarnwick_RockRidgeRecord::Place> Allocate(Allocator* p__Allocator,
                                                           const CTarnwick_RockRidgeRecord& p__Record) const;
    // An identifier for a relocated directory that no other in "rr_moved" has.
    std::string UniqueIdentifier(const std::string& p__string__Identifier);
    ULONG SerialOf(const CTarnwick_ISO9660FileTreeNode* p__File);
    // The identifier of the relocation directory: one no entry of the root has.
    std::string RelocationIdentifier() const;
    // Gives the entries of every directory names no two of them share: a later entry whose
    // long name is taken goes by its alternative name, else by the long name and "_N".
    void MakeNamesUnique();
    const std::string& NameOf(const CTarnwick_ISO9660FileTreeNode* p__Node) const;

    CTarnwick_ISO9660FileTreeNode* m__Root;
    BOOLEAN m__BOOLEAN__IsLongNames;
    AlternativeName m__AlternativeName;
    // The Rock Ridge names of the nodes that cannot go by their long names.
    std::unordered_map<const CTarnwick_ISO9660FileTreeNode*, std::string> m__Renamed;
    std::vector<Directory> m__Directories;
    std::unordered_map<const CTarnwick_ISO9660FileTreeNode*, size_t> m__DirectoryIndex;
    std::unordered_map<std::string, unsigned> m__RelocatedIdentifiers;
    // Files of one origin and serial with more than one link share their serial.
    std::unordered_map<uint64_t, std::unordered_map<uint64_t, ULONG>> m__HardLinks;
    ULONG m__ULONG__NextSerial = 1;
    uint64_t m__ULONGLONG__PathTableSize = 0;
    uint64_t m__ULONGLONG__DirectorySectors = 0;
    uint64_t m__ULONGLONG__ContinuationSectors = 0;
    ULONG m__ULONG__ContinuationSector = 0;
    const std::string m__string__RelocationName = "rr_moved";
};
