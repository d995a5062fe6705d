#include "CTarnwick_UdfDescriptor.h"

#include <cstring>
#include <ctime>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_ISO9660FileTreeNode.h"
#include "CTarnwick_Utf16.h"
#include "PlatformLocalTime.h"

namespace {

// Sizes of the descriptors that do not fill their sector.
constexpr size_t c__SIZE__Sector512 = 512;
constexpr size_t c__SIZE__LogicalVolume = 446;         // with one type-1 partition map
constexpr size_t c__SIZE__UnallocatedSpace = 24;
constexpr size_t c__SIZE__Integrity = 134;             // 88 + 46 bytes of implementation use
constexpr size_t c__SIZE__FileEntryHead = 176;
constexpr ULONG c__ULONG__ExtendedAttributesLength = 132;
constexpr size_t c__SIZE__FileIdentifierHead = 38;

constexpr const char* c__PCHAR__Implementation = "*UDF Image Creator";
constexpr const char* c__PCHAR__Domain = "*OSTA UDF Compliant";
constexpr const char* c__PCHAR__CharacterSet = "OSTA Compressed Unicode";

void PutLe16(UCHAR* p__PUCHAR__At, ULONG p__ULONG__Value) { CTarnwick_Bytes::PutLittleEndian16(p__PUCHAR__At, p__ULONG__Value); }
void PutLe32(UCHAR* p__PUCHAR__At, ULONG p__ULONG__Value) { CTarnwick_Bytes::PutLittleEndian32(p__PUCHAR__At, p__ULONG__Value); }
void PutLe64(UCHAR* p__PUCHAR__At, uint64_t p__ULONGLONG__Value) { CTarnwick_Bytes::PutLittleEndian64(p__PUCHAR__At, p__ULONGLONG__Value); }

// The character set of every d-string: CS0, "OSTA Compressed Unicode".
void PutCharacterSet(UCHAR* p__PUCHAR__At) {
    p__PUCHAR__At[0] = 0;
    std::memcpy(p__PUCHAR__At + 1, c__PCHAR__CharacterSet, std::strlen(c__PCHAR__CharacterSet));
}

// The domain identifier: UDF 1.02, hard and soft write protection.
void PutDomain(UCHAR* p__PUCHAR__At) { CTarnwick_UdfDescriptor::PutEntity(p__PUCHAR__At, c__PCHAR__Domain, 0x02, 0x01, 0x03); }

// An extended attribute of the implementation kind (type 2048, subtype 1) with its header
// checksum, the 16-bit sum of its first 48 bytes. Returns its length.
ULONG PutImplementationAttribute(UCHAR* p__PUCHAR__At, const char* p__PCHAR__Identifier, ULONG p__ULONG__Length) {
    PutLe32(p__PUCHAR__At, 2048);
    p__PUCHAR__At[4] = 1;
    PutLe32(p__PUCHAR__At + 8, p__ULONG__Length);
    PutLe32(p__PUCHAR__At + 12, p__ULONG__Length - 48);
    CTarnwick_UdfDescriptor::PutEntity(p__PUCHAR__At + 16, p__PCHAR__Identifier, 0x02, 0x01, 0x00);
    ULONG l__ULONG__Sum = 0;
    for (size_t l__SIZE__At = 0; l__SIZE__At < 48; ++l__SIZE__At) l__ULONG__Sum += p__PUCHAR__At[l__SIZE__At];
    PutLe16(p__PUCHAR__At + 48, l__ULONG__Sum & 0xFFFF);
    return p__ULONG__Length;
}

}  // namespace

USHORT CTarnwick_UdfDescriptor::Crc(const UCHAR* p__PUCHAR__Bytes, size_t p__SIZE__Length) {
    // Eight tables, so that eight bytes are taken per step: every File Identifier Descriptor
    // of an image is a whole sector.
    static const auto s__Tables = [] {
        struct Tables {
            USHORT m__USHORT__Value[8][256];
        } l__Tables{};
        for (ULONG l__ULONG__Byte = 0; l__ULONG__Byte < 256; ++l__ULONG__Byte) {
            ULONG l__ULONG__Crc = l__ULONG__Byte << 8;
            for (int l__INT__Bit = 0; l__INT__Bit < 8; ++l__INT__Bit) {
                l__ULONG__Crc = (l__ULONG__Crc & 0x8000) != 0 ? (l__ULONG__Crc << 1) ^ 0x1021 : l__ULONG__Crc << 1;
            }
            l__Tables.m__USHORT__Value[0][l__ULONG__Byte] = static_cast<USHORT>(l__ULONG__Crc);
        }
        for (int l__INT__Table = 1; l__INT__Table < 8; ++l__INT__Table) {
            for (ULONG l__ULONG__Byte = 0; l__ULONG__Byte < 256; ++l__ULONG__Byte) {
                USHORT l__USHORT__Previous = l__Tables.m__USHORT__Value[l__INT__Table - 1][l__ULONG__Byte];
                l__Tables.m__USHORT__Value[l__INT__Table][l__ULONG__Byte] =
                    static_cast<USHORT>((l__USHORT__Previous << 8) ^ l__Tables.m__USHORT__Value[0][l__USHORT__Previous >> 8]);
            }
        }
        return l__Tables;
    }();
    const auto& l__Table = s__Tables.m__USHORT__Value;
    USHORT l__USHORT__Crc = 0;
    size_t l__SIZE__At = 0;
    for (; l__SIZE__At + 8 <= p__SIZE__Length; l__SIZE__At += 8) {
        const UCHAR* l__PUCHAR__Bytes = p__PUCHAR__Bytes + l__SIZE__At;
        l__USHORT__Crc = static_cast<USHORT>(
            l__Table[7][((l__USHORT__Crc >> 8) ^ l__PUCHAR__Bytes[0]) & 0xFF] ^ l__Table[6][(l__USHORT__Crc ^ l__PUCHAR__Bytes[1]) & 0xFF] ^
            l__Table[5][l__PUCHAR__Bytes[2]] ^ l__Table[4][l__PUCHAR__Bytes[3]] ^ l__Table[3][l__PUCHAR__Bytes[4]] ^
            l__Table[2][l__PUCHAR__Bytes[5]] ^ l__Table[1][l__PUCHAR__Bytes[6]] ^ l__Table[0][l__PUCHAR__Bytes[7]]);
    }
    for (; l__SIZE__At < p__SIZE__Length; ++l__SIZE__At) {
        l__USHORT__Crc = static_cast<USHORT>((l__USHORT__Crc << 8) ^ l__Table[0][((l__USHORT__Crc >> 8) ^ p__PUCHAR__Bytes[l__SIZE__At]) & 0xFF]);
    }
    return l__USHORT__Crc;
}

void CTarnwick_UdfDescriptor::FinishTag(UCHAR* p__PUCHAR__Descriptor, USHORT p__USHORT__Identifier, size_t p__SIZE__Length,
                                        ULONG p__ULONG__Location) {
    PutLe16(p__PUCHAR__Descriptor, p__USHORT__Identifier);
    PutLe16(p__PUCHAR__Descriptor + 2, 2);
    PutLe16(p__PUCHAR__Descriptor + 6, 1);
    PutLe16(p__PUCHAR__Descriptor + 8, Crc(p__PUCHAR__Descriptor + 16, p__SIZE__Length - 16));
    PutLe16(p__PUCHAR__Descriptor + 10, static_cast<ULONG>(p__SIZE__Length - 16));
    PutLe32(p__PUCHAR__Descriptor + 12, p__ULONG__Location);
    UCHAR l__UCHAR__Sum = 0;
    for (int l__INT__At = 0; l__INT__At < 16; ++l__INT__At) {
        if (l__INT__At != 4) l__UCHAR__Sum = static_cast<UCHAR>(l__UCHAR__Sum + p__PUCHAR__Descriptor[l__INT__At]);
    }
    p__PUCHAR__Descriptor[4] = l__UCHAR__Sum;
}

std::string CTarnwick_UdfDescriptor::UpperCased(std::string p__string__Name) {
    for (char& l__char__Character : p__string__Name) {
        if (l__char__Character >= 'a' && l__char__Character <= 'z') l__char__Character = static_cast<char>(l__char__Character - 'a' + 'A');
    }
    return p__string__Name;
}

std::string CTarnwick_UdfDescriptor::OstaName(const std::string& p__string__Utf8) {
    if (p__string__Utf8.empty()) return std::string();
    std::u16string l__u16string__Units = CTarnwick_Utf16::FromUtf8(p__string__Utf8);
    bool l__bool__Narrow = true;
    for (char16_t l__char16_t__Unit : l__u16string__Units) l__bool__Narrow = l__bool__Narrow && l__char16_t__Unit < 0x100;
    std::string l__string__Bytes(1, static_cast<char>(l__bool__Narrow ? 8 : 16));
    if (l__bool__Narrow) {
        for (char16_t l__char16_t__Unit : l__u16string__Units) l__string__Bytes.push_back(static_cast<char>(l__char16_t__Unit));
    } else {
        l__string__Bytes.append(CTarnwick_Utf16::ToBigEndian(l__u16string__Units));
    }
    return l__string__Bytes;
}

void CTarnwick_UdfDescriptor::PutDString(UCHAR* p__PUCHAR__Field, size_t p__SIZE__Field, const std::string& p__string__Utf8) {
    std::u16string l__u16string__Units = CTarnwick_Utf16::FromUtf8(p__string__Utf8);
    size_t l__SIZE__Units = std::min(l__u16string__Units.size(), (p__SIZE__Field - 2) / 2);
    // A cut between the two halves of a pair would leave half a character.
    if (l__SIZE__Units > 0 && l__SIZE__Units < l__u16string__Units.size() && l__u16string__Units[l__SIZE__Units - 1] >= 0xD800 &&
        l__u16string__Units[l__SIZE__Units - 1] < 0xDC00) {
        --l__SIZE__Units;
    }
    std::memset(p__PUCHAR__Field, 0, p__SIZE__Field);
    if (l__SIZE__Units == 0) return;
    p__PUCHAR__Field[0] = 16;
    std::string l__string__Bytes = CTarnwick_Utf16::ToBigEndian(l__u16string__Units.substr(0, l__SIZE__Units));
    std::memcpy(p__PUCHAR__Field + 1, l__string__Bytes.data(), l__string__Bytes.size());
    p__PUCHAR__Field[p__SIZE__Field - 1] = static_cast<UCHAR>(1 + l__string__Bytes.size());
}

void CTarnwick_UdfDescriptor::PutTimestamp(UCHAR* p__PUCHAR__At, const UCHAR* p__Date) {
    // Type 1 (local time) with the date's own offset from GMT in minutes, 12 bits.
    int l__INT__OffsetMinutes = static_cast<signed char>(p__Date[6]) * 15;
    PutLe16(p__PUCHAR__At, 0x1000u | (static_cast<ULONG>(l__INT__OffsetMinutes) & 0x0FFFu));
    PutLe16(p__PUCHAR__At + 2, p__Date[0] + 1900u);
    p__PUCHAR__At[4] = p__Date[1];
    p__PUCHAR__At[5] = p__Date[2];
    p__PUCHAR__At[6] = p__Date[3];
    p__PUCHAR__At[7] = p__Date[4];
    p__PUCHAR__At[8] = p__Date[5];
    p__PUCHAR__At[9] = 0;
    p__PUCHAR__At[10] = 0;
    p__PUCHAR__At[11] = 0;
}

void CTarnwick_UdfDescriptor::Now(Date& p__Date) {
    CTarnwick_ISO9660FileTreeNode::RecordingDateOf(PlatformLocalTime::Now(), p__Date);
}

void CTarnwick_UdfDescriptor::PutEntity(UCHAR* p__PUCHAR__At, const char* p__PCHAR__Identifier, UCHAR p__UCHAR__Suffix0,
                                        UCHAR p__UCHAR__Suffix1, UCHAR p__UCHAR__Suffix2) {
    std::memset(p__PUCHAR__At, 0, 32);
    std::memcpy(p__PUCHAR__At + 1, p__PCHAR__Identifier, std::min<size_t>(23, std::strlen(p__PCHAR__Identifier)));
    p__PUCHAR__At[24] = p__UCHAR__Suffix0;
    p__PUCHAR__At[25] = p__UCHAR__Suffix1;
    p__PUCHAR__At[26] = p__UCHAR__Suffix2;
}

void CTarnwick_UdfDescriptor::PutImplementation(UCHAR* p__PUCHAR__At) { PutEntity(p__PUCHAR__At, c__PCHAR__Implementation, 0, 0, 0); }

void CTarnwick_UdfDescriptor::FormatVolumeRecognition(UCHAR* p__PUCHAR__Sector, const char* p__PCHAR__Identifier) {
    p__PUCHAR__Sector[0] = 0;
    std::memcpy(p__PUCHAR__Sector + 1, p__PCHAR__Identifier, 5);
    p__PUCHAR__Sector[6] = 1;
}

void CTarnwick_UdfDescriptor::FormatVolumeDescriptorSequence(UCHAR* p__PUCHAR__FirstSector, ULONG p__ULONG__FirstLocation,
                                                             const Volume& p__Volume) {
    // Primary Volume Descriptor.
    UCHAR* l__PUCHAR__At = p__PUCHAR__FirstSector;
    PutLe32(l__PUCHAR__At + 16, 0);
    PutLe32(l__PUCHAR__At + 20, 0);
    PutDString(l__PUCHAR__At + 24, 32, p__Volume.m__string__Label);
    PutLe16(l__PUCHAR__At + 56, 1);
    PutLe16(l__PUCHAR__At + 58, 1);
    PutLe16(l__PUCHAR__At + 60, 2);
    PutLe16(l__PUCHAR__At + 62, 2);
    PutLe32(l__PUCHAR__At + 64, 1);
    PutLe32(l__PUCHAR__At + 68, 1);
    PutDString(l__PUCHAR__At + 72, 128, p__Volume.m__string__Label);
    PutCharacterSet(l__PUCHAR__At + 200);
    PutCharacterSet(l__PUCHAR__At + 264);
    PutTimestamp(l__PUCHAR__At + 376, p__Volume.m__Date);
    PutImplementation(l__PUCHAR__At + 388);
    FinishTag(l__PUCHAR__At, TagPrimaryVolume, c__SIZE__Sector512, p__ULONG__FirstLocation);

    // Implementation Use Volume Descriptor: the logical volume information.
    l__PUCHAR__At += SectorSize;
    PutLe32(l__PUCHAR__At + 16, 1);
    PutEntity(l__PUCHAR__At + 20, "*UDF LV Info", 0x02, 0x01, 0x00);
    PutCharacterSet(l__PUCHAR__At + 52);
    PutDString(l__PUCHAR__At + 116, 128, p__Volume.m__string__Label);
    PutImplementation(l__PUCHAR__At + 352);
    FinishTag(l__PUCHAR__At, TagImplementationUse, c__SIZE__Sector512, p__ULONG__FirstLocation + 1);

    // Partition Descriptor: read-only, from the File Set Descriptor on.
    l__PUCHAR__At += SectorSize;
    PutLe32(l__PUCHAR__At + 16, 2);
    PutLe16(l__PUCHAR__At + 20, 1);
    PutLe16(l__PUCHAR__At + 22, 0);
    PutEntity(l__PUCHAR__At + 24, "+NSR02", 0, 0, 0);
    PutLe32(l__PUCHAR__At + 184, 1);
    PutLe32(l__PUCHAR__At + 188, PartitionStart);
    PutLe32(l__PUCHAR__At + 192, p__Volume.m__ULONG__PartitionLength);
    PutImplementation(l__PUCHAR__At + 196);
    FinishTag(l__PUCHAR__At, TagPartition, c__SIZE__Sector512, p__ULONG__FirstLocation + 2);

    // Logical Volume Descriptor: the File Set Descriptor at block 0, one type-1 map.
    l__PUCHAR__At += SectorSize;
    PutLe32(l__PUCHAR__At + 16, 3);
    PutCharacterSet(l__PUCHAR__At + 20);
    PutDString(l__PUCHAR__At + 84, 128, p__Volume.m__string__Label);
    PutLe32(l__PUCHAR__At + 212, SectorSize);
    PutDomain(l__PUCHAR__At + 216);
    PutLe32(l__PUCHAR__At + 248, SectorSize);
    PutLe32(l__PUCHAR__At + 252, 0);
    PutLe16(l__PUCHAR__At + 256, 0);
    PutLe32(l__PUCHAR__At + 264, 6);
    PutLe32(l__PUCHAR__At + 268, 1);
    PutImplementation(l__PUCHAR__At + 272);
    PutLe32(l__PUCHAR__At + 432, 4096);
    PutLe32(l__PUCHAR__At + 436, IntegritySequenceStart);
    l__PUCHAR__At[440] = 1;
    l__PUCHAR__At[441] = 6;
    PutLe16(l__PUCHAR__At + 442, 1);
    PutLe16(l__PUCHAR__At + 444, 0);
    FinishTag(l__PUCHAR__At, TagLogicalVolume, c__SIZE__LogicalVolume, p__ULONG__FirstLocation + 3);

    // Unallocated Space Descriptor: no free extents.
    l__PUCHAR__At += SectorSize;
    PutLe32(l__PUCHAR__At + 16, 4);
    PutLe32(l__PUCHAR__At + 20, 0);
    FinishTag(l__PUCHAR__At, TagUnallocatedSpace, c__SIZE__UnallocatedSpace, p__ULONG__FirstLocation + 4);

    l__PUCHAR__At += SectorSize;
    FinishTag(l__PUCHAR__At, TagTerminating, c__SIZE__Sector512, p__ULONG__FirstLocation + 5);
}

void CTarnwick_UdfDescriptor::FormatIntegritySequence(UCHAR* p__PUCHAR__FirstSector, ULONG p__ULONG__FirstLocation,
                                                      const Volume& p__Volume) {
    UCHAR* l__PUCHAR__At = p__PUCHAR__FirstSector;
    PutTimestamp(l__PUCHAR__At + 16, p__Volume.m__Date);
    PutLe32(l__PUCHAR__At + 28, 1);
    PutLe64(l__PUCHAR__At + 40, p__Volume.m__ULONG__NextUniqueId);
    PutLe32(l__PUCHAR__At + 72, 1);
    PutLe32(l__PUCHAR__At + 76, 46);
    PutLe32(l__PUCHAR__At + 80, 0);
    PutLe32(l__PUCHAR__At + 84, p__Volume.m__ULONG__PartitionLength);
    PutImplementation(l__PUCHAR__At + 88);
    PutLe32(l__PUCHAR__At + 120, p__Volume.m__ULONG__NumberOfFiles);
    PutLe32(l__PUCHAR__At + 124, p__Volume.m__ULONG__NumberOfDirectories);
    PutLe16(l__PUCHAR__At + 128, 0x0102);
    PutLe16(l__PUCHAR__At + 130, 0x0102);
    PutLe16(l__PUCHAR__At + 132, 0x0102);
    FinishTag(l__PUCHAR__At, TagIntegrity, c__SIZE__Integrity, p__ULONG__FirstLocation);
    FinishTag(l__PUCHAR__At + SectorSize, TagTerminating, c__SIZE__Sector512, p__ULONG__FirstLocation + 1);
}

void CTarnwick_UdfDescriptor::FormatAnchor(UCHAR* p__PUCHAR__Sector, ULONG p__ULONG__Location) {
    PutLe32(p__PUCHAR__Sector + 16, 16 * SectorSize);
    PutLe32(p__PUCHAR__Sector + 20, MainSequenceStart);
    PutLe32(p__PUCHAR__Sector + 24, 16 * SectorSize);
    PutLe32(p__PUCHAR__Sector + 28, ReserveSequenceStart);
    FinishTag(p__PUCHAR__Sector, TagAnchor, c__SIZE__Sector512, p__ULONG__Location);
}

void CTarnwick_UdfDescriptor::FormatFileSet(UCHAR* p__PUCHAR__Sector, const Volume& p__Volume) {
    PutTimestamp(p__PUCHAR__Sector + 16, p__Volume.m__Date);
    PutLe16(p__PUCHAR__Sector + 28, 3);
    PutLe16(p__PUCHAR__Sector + 30, 3);
    PutLe32(p__PUCHAR__Sector + 32, 1);
    PutLe32(p__PUCHAR__Sector + 36, 1);
    PutCharacterSet(p__PUCHAR__Sector + 48);
    PutDString(p__PUCHAR__Sector + 112, 128, p__Volume.m__string__Label);
    PutCharacterSet(p__PUCHAR__Sector + 240);
    PutDString(p__PUCHAR__Sector + 304, 32, p__Volume.m__string__Label);
    PutLe32(p__PUCHAR__Sector + 400, SectorSize);
    PutLe32(p__PUCHAR__Sector + 404, 1);
    PutDomain(p__PUCHAR__Sector + 416);
    FinishTag(p__PUCHAR__Sector, TagFileSet, c__SIZE__Sector512, 0);
}

bool CTarnwick_UdfDescriptor::FitsExtents(uint64_t p__ULONGLONG__Size) {
    return p__ULONGLONG__Size <= static_cast<uint64_t>(MaximumExtentBytes) * MaximumExtents;
}

void CTarnwick_UdfDescriptor::FormatFileEntry(UCHAR* p__PUCHAR__Sector, const Entry& p__Entry) {
    // ICB tag: strategy 4, one entry, directory or file.
    PutLe16(p__PUCHAR__Sector + 20, 4);
    PutLe16(p__PUCHAR__Sector + 24, 1);
    p__PUCHAR__Sector[27] = p__Entry.m__BOOLEAN__IsDirectory != 0 ? 4 : 5;
    // Short allocation descriptors, non-relocatable, archive, contiguous.
    PutLe16(p__PUCHAR__Sector + 34, 0x0230);
    PutLe32(p__PUCHAR__Sector + 36, 0xFFFFFFFFu);
    PutLe32(p__PUCHAR__Sector + 40, 0xFFFFFFFFu);
    PutLe32(p__PUCHAR__Sector + 44, p__Entry.m__BOOLEAN__IsDirectory != 0 ? 0x14A5 : 0x1084);
    PutLe16(p__PUCHAR__Sector + 48, p__Entry.m__USHORT__LinkCount);
    PutLe64(p__PUCHAR__Sector + 56, p__Entry.m__ULONGLONG__Size);
    PutLe64(p__PUCHAR__Sector + 64, p__Entry.m__ULONG__SizeInBlocks);
    for (size_t l__SIZE__Time = 72; l__SIZE__Time <= 96; l__SIZE__Time += 12) {
        PutTimestamp(p__PUCHAR__Sector + l__SIZE__Time, p__Entry.m__PUCHAR__Date);
    }
    PutLe32(p__PUCHAR__Sector + 108, 1);
    PutImplementation(p__PUCHAR__Sector + 128);
    PutLe64(p__PUCHAR__Sector + 160, p__Entry.m__ULONG__UniqueId);
    PutLe32(p__PUCHAR__Sector + 168, c__ULONG__ExtendedAttributesLength);

    // Extended attributes: the header descriptor, then the two implementation attributes;
    // no application attributes (their place is the end of the area).
    UCHAR* l__PUCHAR__Attributes = p__PUCHAR__Sector + c__SIZE__FileEntryHead;
    PutLe32(l__PUCHAR__Attributes + 16, 24);
    PutLe32(l__PUCHAR__Attributes + 20, c__ULONG__ExtendedAttributesLength);
    FinishTag(l__PUCHAR__Attributes, TagExtendedAttributeHeader, 24, p__Entry.m__ULONG__Location);
    ULONG l__ULONG__At = 24;
    l__ULONG__At += PutImplementationAttribute(l__PUCHAR__Attributes + l__ULONG__At, "*UDF FreeEASpace", 52);
    PutImplementationAttribute(l__PUCHAR__Attributes + l__ULONG__At, "*UDF DVD CGMS Info", 56);

    // Allocation descriptors: extents of at most MaximumExtentBytes, one after the other.
    UCHAR* l__PUCHAR__Descriptors = l__PUCHAR__Attributes + c__ULONG__ExtendedAttributesLength;
    uint64_t l__ULONGLONG__Left = p__Entry.m__ULONGLONG__Size;
    ULONG l__ULONG__Block = p__Entry.m__ULONG__FirstBlock;
    ULONG l__ULONG__Count = 0;
    while (l__ULONGLONG__Left > 0 && l__ULONG__Count < MaximumExtents) {
        ULONG l__ULONG__Length = static_cast<ULONG>(std::min<uint64_t>(l__ULONGLONG__Left, MaximumExtentBytes));
        PutLe32(l__PUCHAR__Descriptors + 8 * l__ULONG__Count, l__ULONG__Length);
        PutLe32(l__PUCHAR__Descriptors + 8 * l__ULONG__Count + 4, l__ULONG__Block);
        l__ULONGLONG__Left -= l__ULONG__Length;
        l__ULONG__Block += MaximumExtentBytes / SectorSize;
        ++l__ULONG__Count;
    }
    PutLe32(p__PUCHAR__Sector + 172, 8 * l__ULONG__Count);
    FinishTag(p__PUCHAR__Sector, TagFileEntry, c__SIZE__FileEntryHead + c__ULONG__ExtendedAttributesLength + 8 * l__ULONG__Count,
              p__Entry.m__ULONG__Location);
}

void CTarnwick_UdfDescriptor::FormatFileIdentifier(UCHAR* p__PUCHAR__Sector, ULONG p__ULONG__Location,
                                                   UCHAR p__UCHAR__Characteristics, ULONG p__ULONG__FileEntryBlock,
                                                   const std::string& p__string__OstaName) {
    const ULONG l__ULONG__NameLength = static_cast<ULONG>(p__string__OstaName.size());
    // The implementation use fills the block: the descriptor, padded to 4 bytes, is 2048.
    const ULONG l__ULONG__UseLength = l__ULONG__NameLength == 0 ? 2008 : ((2010 - l__ULONG__NameLength) / 4) * 4;
    PutLe16(p__PUCHAR__Sector + 16, 1);
    p__PUCHAR__Sector[18] = p__UCHAR__Characteristics;
    p__PUCHAR__Sector[19] = static_cast<UCHAR>(l__ULONG__NameLength);
    PutLe32(p__PUCHAR__Sector + 20, SectorSize);
    PutLe32(p__PUCHAR__Sector + 24, p__ULONG__FileEntryBlock);
    PutLe16(p__PUCHAR__Sector + 36, l__ULONG__UseLength);
    PutImplementation(p__PUCHAR__Sector + c__SIZE__FileIdentifierHead);
    std::memcpy(p__PUCHAR__Sector + c__SIZE__FileIdentifierHead + l__ULONG__UseLength, p__string__OstaName.data(),
                l__ULONG__NameLength);
    FinishTag(p__PUCHAR__Sector, TagFileIdentifier, SectorSize, p__ULONG__Location);
}
