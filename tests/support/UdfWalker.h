#pragma once
// A small, independent reader of UDF images (2,048-byte sectors) for the tests: it walks the
// anchors, both Volume Descriptor Sequences, the integrity sequence, the File Set Descriptor
// and the whole directory tree, checks the tag of every descriptor it meets (checksum, CRC,
// location, version) and lists every file and directory. It shares no code with the toolkit
// on purpose, so that a fault in the toolkit's descriptors cannot hide behind the same fault
// here. A corrupt image never crashes it: every offset and length is bounded, every
// directory is entered once, and what is wrong is listed as a problem.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

class UdfWalker {
public:
    // One allocation descriptor of a file's data.
    struct Extent {
        uint32_t m__uint32_t__Length = 0;    // bytes (the low 30 bits of the length field)
        uint32_t m__uint32_t__Position = 0;  // partition-relative block
        uint16_t m__uint16_t__Partition = 0; // partition reference (long descriptors; 0 for short ones)
        uint8_t m__uint8_t__Type = 0;        // 0 recorded, 1 allocated only, 2 neither (read as zeros)
    };

    // One file or directory as its File Identifier and File Entry describe it.
    struct Entry {
        std::string m__string__Path;              // "/" for the root, else "/DIR/NAME" in UTF-8
        bool m__bool__IsDirectory = false;
        uint64_t m__uint64_t__InformationLength = 0;
        uint32_t m__uint32_t__FileEntryBlock = 0; // partition-relative
        uint64_t m__uint64_t__UniqueId = 0;
        int m__int__AllocationKind = 0;           // 0 short, 1 long, 2 extended descriptors, 3 embedded data
        std::vector<Extent> m__Extents;           // data extents, continuations left out
        std::string m__string__Embedded;          // the data held inside the File Entry (kind 3)
        uint8_t m__uint8_t__Characteristics = 0;  // of the File Identifier (0 for the root)
        // Where the File Identifier begins: its partition-relative block and the byte in it (for
        // a directory embedded in its File Entry: the File Entry's block and the byte of the
        // embedded data). Both 0 for the root.
        uint32_t m__uint32_t__IdentifierBlock = 0;
        uint32_t m__uint32_t__IdentifierOffset = 0;
        uint32_t m__uint32_t__Permissions = 0;
        uint16_t m__uint16_t__LinkCount = 0;
        uint8_t m__uint8_t__FileType = 0;         // 4 directory, 5 file, ...
        uint32_t m__uint32_t__Uid = 0;
        uint32_t m__uint32_t__Gid = 0;
        uint64_t m__uint64_t__BlocksRecorded = 0;
        uint32_t m__uint32_t__ExtendedAttributesLength = 0;
    };

    struct Result {
        std::vector<std::string> m__Problems;   // empty when the image is clean
        size_t m__size_t__DescriptorsChecked = 0;
        std::map<uint16_t, size_t> m__DescriptorsByTag; // tag identifier -> how many were checked
        uint64_t m__uint64_t__Sectors = 0;      // image size in sectors
        std::string m__string__StandardIdentifier; // "NSR02" or "NSR03" from the recognition sequence
        // Sectors of 256, N - 256 and N (N = the last sector) that hold a sound anchor.
        std::vector<uint64_t> m__Anchors;
        // The run of sectors ending with the last one that all hold an anchor: its first sector
        // (equal to m__uint64_t__Sectors when the last sector holds none).
        uint64_t m__uint64_t__TailAnchorsFrom = 0;
        uint32_t m__uint32_t__MainSequence = 0;    // sectors, from the anchor
        uint32_t m__uint32_t__ReserveSequence = 0;
        std::string m__string__VolumeIdentifier;
        std::string m__string__VolumeSetIdentifier;
        std::string m__string__LogicalVolumeIdentifier;
        std::string m__string__FileSetIdentifier;
        uint32_t m__uint32_t__PartitionStart = 0;
        uint32_t m__uint32_t__PartitionLength = 0;
        uint32_t m__uint32_t__IntegrityType = 0xFFFFFFFF; // of the last integrity descriptor
        bool m__bool__HasIntegrityCounts = false;
        uint32_t m__uint32_t__IntegrityFiles = 0;        // as the integrity descriptor counts them
        uint32_t m__uint32_t__IntegrityDirectories = 0;
        std::vector<Entry> m__Entries;                  // the root first, then each directory's entries

        // The entry of a path ("/A/B"), or null.
        const Entry* Find(const std::string& p__string__Path) const;
        // All problems on one line each, for failure messages.
        std::string ProblemText() const;
    };

    explicit UdfWalker(const std::string& p__string__ImagePath);
    ~UdfWalker();
    UdfWalker(const UdfWalker&) = delete;
    UdfWalker& operator=(const UdfWalker&) = delete;

    // Walks the image (once; later calls return the same result).
    const Result& Walk();

    // Reads p__uint64_t__Length bytes (fewer at the end of the file) from p__uint64_t__Offset of
    // an entry's contents through its allocation descriptors. False with the reason in
    // p__string__Why when an extent lies outside the partition or the image.
    bool ReadContents(const Entry& p__Entry, std::string* p__string__Bytes, uint64_t p__uint64_t__Offset = 0,
                      uint64_t p__uint64_t__Length = UINT64_MAX, std::string* p__string__Why = nullptr) const;

    // How the tree differs from a directory on disk: one line per path missing on either side,
    // per kind (file or directory) or size that differs, and per file whose bytes differ
    // (compared only for files up to p__uint64_t__CompareUpTo bytes). p__NameOf maps a name on
    // disk to the name expected in the image. Empty when they agree; call after Walk().
    std::vector<std::string> CompareWithDirectory(const std::string& p__string__Directory,
                                                  const std::function<std::string(const std::string&)>& p__NameOf,
                                                  uint64_t p__uint64_t__CompareUpTo = UINT64_MAX) const;

    // CRC-16 of the descriptor tags: polynomial 0x1021, initial value 0, no final inversion.
    static uint16_t Crc16(const uint8_t* p__uint8_t__Bytes, size_t p__size_t__Count);
    // Sum of the tag's bytes 0-3 and 5-15, modulo 256.
    static uint8_t TagChecksum(const uint8_t* p__uint8_t__Tag);
    // Gives the descriptor whose tag starts at p__uint8_t__Descriptor a sound CRC (over its CRC
    // length) and tag checksum again: for tests that change a descriptor on purpose and want
    // the change read as the image's own word.
    static void Restamp(uint8_t* p__uint8_t__Descriptor);
    // A compressed-Unicode string (compression id byte first) as UTF-8; false when malformed.
    static bool DecodeName(const uint8_t* p__uint8_t__Bytes, size_t p__size_t__Count, std::string* p__string__Utf8);

private:
    struct VolumeSequence;
    struct SequenceCursor;
    // Reads the cursor's sector; false at the end of the sequence or, with a problem, when the
    // sector was read before or lies outside the image.
    bool ReadSequence(SequenceCursor* p__Cursor, uint8_t* p__uint8_t__Buffer, const std::string& p__string__Name);
    bool ReadSector(uint64_t p__uint64_t__Sector, uint8_t* p__uint8_t__Buffer) const;
    bool ReadBlock(uint32_t p__uint32_t__Block, uint8_t* p__uint8_t__Buffer) const;
    bool CheckTag(const uint8_t* p__uint8_t__Descriptor, size_t p__size_t__Available, uint16_t p__uint16_t__Identifier,
                  uint32_t p__uint32_t__Location, const std::string& p__string__Where);
    void Problem(const std::string& p__string__Text);
    void CheckRecognition();
    bool CheckAnchor(uint64_t p__uint64_t__Sector, uint32_t p__uint32_t__Main[2], uint32_t p__uint32_t__Reserve[2]);
    void FindAnchors(uint32_t p__uint32_t__Main[2], uint32_t p__uint32_t__Reserve[2]);
    void WalkVolumeSequence(uint32_t p__uint32_t__Length, uint32_t p__uint32_t__Sector, const std::string& p__string__Name,
                            VolumeSequence* p__Sequence);
    void WalkIntegrity(uint32_t p__uint32_t__Length, uint32_t p__uint32_t__Sector);
    void WalkFileSet(uint32_t p__uint32_t__Block);
    bool ReadFileEntry(uint32_t p__uint32_t__Block, const std::string& p__string__Path, Entry* p__Entry);
    void ReadAllocation(const uint8_t* p__uint8_t__Descriptors, uint32_t p__uint32_t__Length, int p__int__Kind,
                        const std::string& p__string__Path, Entry* p__Entry);
    void CheckExtendedAttributes(const uint8_t* p__uint8_t__Attributes, uint32_t p__uint32_t__Length,
                                 uint32_t p__uint32_t__Block, const std::string& p__string__Path);
    void WalkDirectory(size_t p__size_t__Index, int p__int__Depth, uint32_t p__uint32_t__ParentBlock);
    // A directory's bytes, and where each run of them lies: (first byte, partition block).
    bool ReadDirectory(const Entry& p__Entry, std::string* p__string__Bytes, std::vector<std::pair<size_t, uint32_t>>* p__Blocks);
    bool InPartition(uint32_t p__uint32_t__Block, uint64_t p__uint64_t__Bytes) const;

    int m__int__Handle = -1;
    std::string m__string__ImagePath;
    bool m__bool__Walked = false;
    Result m__Result;
    uint16_t m__uint16_t__Version = 2;           // descriptor version the recognition sequence calls for
    uint64_t m__uint64_t__NextUniqueId = 0;      // from the integrity descriptor
    std::set<uint32_t> m__Directories;           // File Entry blocks of the directories entered
    std::map<uint32_t, size_t> m__Identifiers;   // File Entry block -> File Identifiers naming it
    std::map<uint32_t, size_t> m__EntryOfBlock;  // File Entry block -> first entry read from it
};
