#pragma once
#include <cstdint>
#include <string>

#include "tarnwick_types.h"

// The byte-level pieces of a UDF 1.02 volume (ECMA-167 structures under the OSTA rules):
// descriptor tags with their checksum and CRC, d-strings and file identifiers in OSTA
// compressed Unicode, timestamps, entity identifiers, and every descriptor the image
// writer puts down. Each Format function fills a zeroed 2048-byte sector (or the part of
// it the descriptor takes) and finishes the tag last.
class CTarnwick_UdfDescriptor {
public:
    static constexpr ULONG SectorSize = 2048;
    // Tag identifiers.
    static constexpr USHORT TagPrimaryVolume = 1;
    static constexpr USHORT TagAnchor = 2;
    static constexpr USHORT TagImplementationUse = 4;
    static constexpr USHORT TagPartition = 5;
    static constexpr USHORT TagLogicalVolume = 6;
    static constexpr USHORT TagUnallocatedSpace = 7;
    static constexpr USHORT TagTerminating = 8;
    static constexpr USHORT TagIntegrity = 9;
    static constexpr USHORT TagFileSet = 256;
    static constexpr USHORT TagFileIdentifier = 257;
    static constexpr USHORT TagFileEntry = 261;
    static constexpr USHORT TagExtendedAttributeHeader = 262;
    // The largest extent of a short allocation descriptor the writer makes, and how many.
    static constexpr ULONG MaximumExtentBytes = 0x3FFFF800u;
    static constexpr ULONG MaximumExtents = 128;
    // Where the volume's structures lie, in absolute sectors.
    static constexpr ULONG MainSequenceStart = 32;
    static constexpr ULONG ReserveSequenceStart = 48;
    static constexpr ULONG IntegritySequenceStart = 64;
    static constexpr ULONG AnchorSector = 256;
    static constexpr ULONG PartitionStart = 307;

    // A timestamp's source: the 7 date bytes of a tree item (years since 1900, month, day,
    // hour, minute, second, GMT offset in 15-minute units).
    using Date = UCHAR[7];

    // The CRC of ECMA-167 (CRC-16, polynomial 0x1021, initial value 0).
    static USHORT Crc(const UCHAR* p__PUCHAR__Bytes, size_t p__SIZE__Length);
    // Finishes a tag at the start of a descriptor of p__SIZE__Length bytes: identifier,
    // version 2, serial 1, CRC over the bytes after the tag, location, then the checksum.
    static void FinishTag(UCHAR* p__PUCHAR__Descriptor, USHORT p__USHORT__Identifier, size_t p__SIZE__Length,
                          ULONG p__ULONG__Location);
    // A name with its ASCII letters upper-cased (other bytes, UTF-8 included, stay as they are).
    static std::string UpperCased(std::string p__string__Name);
    // A UTF-8 name as OSTA compressed Unicode: id 8 when every character is below U+0100,
    // else 16 (big-endian units). Returns the bytes (compression id first); empty text, empty.
    static std::string OstaName(const std::string& p__string__Utf8);
    // A d-string field of p__SIZE__Field bytes from a UTF-8 text, compression id 16, cut to
    // what the field holds (a surrogate pair is never split); the last byte is the length used.
    static void PutDString(UCHAR* p__PUCHAR__Field, size_t p__SIZE__Field, const std::string& p__string__Utf8);
    // A 12-byte timestamp of a date (local time with its offset from GMT).
    static void PutTimestamp(UCHAR* p__PUCHAR__At, const UCHAR* p__Date);
    // The date of now, local time.
    static void Now(Date& p__Date);
    // An entity identifier: flags 0, the identifier and up to 3 suffix bytes.
    static void PutEntity(UCHAR* p__PUCHAR__At, const char* p__PCHAR__Identifier, UCHAR p__UCHAR__Suffix0,
                          UCHAR p__UCHAR__Suffix1, UCHAR p__UCHAR__Suffix2);
    // The implementation identifier "*UDF Image Creator".
    static void PutImplementation(UCHAR* p__PUCHAR__At);

    // What the volume descriptors take from the volume.
    struct Volume {
        std::string m__string__Label;      // UTF-8
        ULONG m__ULONG__PartitionLength;   // blocks
        ULONG m__ULONG__NextUniqueId;
        ULONG m__ULONG__NumberOfFiles;
        ULONG m__ULONG__NumberOfDirectories;
        Date m__Date;                      // when the volume was made
    };
    // "BEA01", "NSR02" or "TEA01" (structure type 0, version 1).
    static void FormatVolumeRecognition(UCHAR* p__PUCHAR__Sector, const char* p__PCHAR__Identifier);
    // The six descriptors of a volume descriptor sequence, the first in the given sector.
    static void FormatVolumeDescriptorSequence(UCHAR* p__PUCHAR__FirstSector, ULONG p__ULONG__FirstLocation,
                                               const Volume& p__Volume);
    // The Logical Volume Integrity Descriptor (closed) and a Terminating Descriptor after it.
    static void FormatIntegritySequence(UCHAR* p__PUCHAR__FirstSector, ULONG p__ULONG__FirstLocation,
                                        const Volume& p__Volume);
    static void FormatAnchor(UCHAR* p__PUCHAR__Sector, ULONG p__ULONG__Location);
    // The File Set Descriptor at partition block 0, root File Entry at block 1.
    static void FormatFileSet(UCHAR* p__PUCHAR__Sector, const Volume& p__Volume);

    // One extent of a file or directory, in partition blocks and bytes.
    struct Entry {
        BOOLEAN m__BOOLEAN__IsDirectory;
        ULONG m__ULONG__Location;          // partition block of the File Entry
        ULONG m__ULONG__FirstBlock;        // of the contents
        uint64_t m__ULONGLONG__Size;       // bytes
        ULONG m__ULONG__SizeInBlocks;
        USHORT m__USHORT__LinkCount;
        ULONG m__ULONG__UniqueId;
        const UCHAR* m__PUCHAR__Date;      // 7 bytes
    };
    // Whether a file of this size fits the File Entry's allocation descriptors.
    static bool FitsExtents(uint64_t p__ULONGLONG__Size);
    // A File Entry with its 132 bytes of extended attributes and short allocation
    // descriptors (at most MaximumExtents; the caller checks FitsExtents first).
    static void FormatFileEntry(UCHAR* p__PUCHAR__Sector, const Entry& p__Entry);
    // A File Identifier Descriptor that fills its block: characteristics, the File Entry it
    // points at, the name as OSTA compressed Unicode (empty: the parent entry).
    static void FormatFileIdentifier(UCHAR* p__PUCHAR__Sector, ULONG p__ULONG__Location,
                                     UCHAR p__UCHAR__Characteristics, ULONG p__ULONG__FileEntryBlock,
                                     const std::string& p__string__OstaName);
};
