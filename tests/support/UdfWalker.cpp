#include "UdfWalker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

constexpr uint32_t SECTOR = 2048;
// Bounds that keep a corrupt image from sending the walk far or long.
constexpr uint32_t MAXIMUM_SEQUENCE_SECTORS = 4096;
constexpr uint64_t MAXIMUM_DIRECTORY_BYTES = 64ull << 20;
constexpr size_t MAXIMUM_ENTRIES = 1000000;
constexpr int MAXIMUM_DEPTH = 128;
constexpr size_t MAXIMUM_EXTENTS = 1 << 20;
constexpr size_t MAXIMUM_CONTINUATIONS = 4096;
constexpr uint64_t MAXIMUM_TAIL_SCAN = 4096;

enum : uint16_t {
    TAG_PRIMARY = 1, TAG_ANCHOR = 2, TAG_POINTER = 3, TAG_IMPLEMENTATION_USE = 4, TAG_PARTITION = 5,
    TAG_LOGICAL_VOLUME = 6, TAG_UNALLOCATED = 7, TAG_TERMINATING = 8, TAG_INTEGRITY = 9,
    TAG_FILE_SET = 256, TAG_FILE_IDENTIFIER = 257, TAG_ALLOCATION_EXTENT = 258, TAG_FILE_ENTRY = 261,
    TAG_EXTENDED_ATTRIBUTE_HEADER = 262, TAG_EXTENDED_FILE_ENTRY = 266,
};

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t Get64(const uint8_t* p) { return Get32(p) | (static_cast<uint64_t>(Get32(p + 4)) << 32); }

std::string Format(const char* p__char__Format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* p__char__Format, ...) {
    char l__char__Text[512];
    va_list l__Arguments;
    va_start(l__Arguments, p__char__Format);
    std::vsnprintf(l__char__Text, sizeof(l__char__Text), p__char__Format, l__Arguments);
    va_end(l__Arguments);
    return l__char__Text;
}

void AppendUtf8(uint32_t p__uint32_t__Code, std::string* p__string__Out) {
    if (p__uint32_t__Code < 0x80) {
        *p__string__Out += static_cast<char>(p__uint32_t__Code);
    } else if (p__uint32_t__Code < 0x800) {
        *p__string__Out += static_cast<char>(0xC0 | (p__uint32_t__Code >> 6));
        *p__string__Out += static_cast<char>(0x80 | (p__uint32_t__Code & 0x3F));
    } else if (p__uint32_t__Code < 0x10000) {
        *p__string__Out += static_cast<char>(0xE0 | (p__uint32_t__Code >> 12));
        *p__string__Out += static_cast<char>(0x80 | ((p__uint32_t__Code >> 6) & 0x3F));
        *p__string__Out += static_cast<char>(0x80 | (p__uint32_t__Code & 0x3F));
    } else {
        *p__string__Out += static_cast<char>(0xF0 | (p__uint32_t__Code >> 18));
        *p__string__Out += static_cast<char>(0x80 | ((p__uint32_t__Code >> 12) & 0x3F));
        *p__string__Out += static_cast<char>(0x80 | ((p__uint32_t__Code >> 6) & 0x3F));
        *p__string__Out += static_cast<char>(0x80 | (p__uint32_t__Code & 0x3F));
    }
}

// The identifier of an entity (bytes 1-23), up to its first zero byte.
std::string EntityIdentifier(const uint8_t* p__uint8_t__Entity) {
    const char* l__char__Text = reinterpret_cast<const char*>(p__uint8_t__Entity + 1);
    return std::string(l__char__Text, strnlen(l__char__Text, 23));
}

const char* TagName(uint16_t p__uint16_t__Identifier) {
    switch (p__uint16_t__Identifier) {
    case TAG_PRIMARY: return "Primary Volume Descriptor";
    case TAG_ANCHOR: return "Anchor";
    case TAG_POINTER: return "Volume Descriptor Pointer";
    case TAG_IMPLEMENTATION_USE: return "Implementation Use Volume Descriptor";
    case TAG_PARTITION: return "Partition Descriptor";
    case TAG_LOGICAL_VOLUME: return "Logical Volume Descriptor";
    case TAG_UNALLOCATED: return "Unallocated Space Descriptor";
    case TAG_TERMINATING: return "Terminating Descriptor";
    case TAG_INTEGRITY: return "Logical Volume Integrity Descriptor";
    default: return "descriptor";
    }
}

}  // namespace

// Where a walk through a descriptor sequence is: an extent of sectors, which a descriptor may
// carry on elsewhere; every sector is read once at most.
struct UdfWalker::SequenceCursor {
    std::set<uint64_t> m__Seen;
    uint64_t m__uint64_t__Sector = 0;
    uint64_t m__uint64_t__End = 0;
    void Jump(uint32_t p__uint32_t__Length, uint32_t p__uint32_t__Sector) {
        m__uint64_t__Sector = p__uint32_t__Sector;
        m__uint64_t__End = m__uint64_t__Sector + p__uint32_t__Length / SECTOR;
    }
};

// What one Volume Descriptor Sequence says.
struct UdfWalker::VolumeSequence {
    bool m__bool__Primary = false, m__bool__Partition = false, m__bool__LogicalVolume = false;
    std::string m__string__VolumeIdentifier, m__string__VolumeSetIdentifier, m__string__LogicalVolumeIdentifier;
    uint16_t m__uint16_t__PartitionNumber = 0;
    uint32_t m__uint32_t__PartitionStart = 0, m__uint32_t__PartitionLength = 0;
    uint32_t m__uint32_t__IntegrityLength = 0, m__uint32_t__IntegritySector = 0;
    uint32_t m__uint32_t__FileSetBlock = 0;
    uint16_t m__uint16_t__FileSetPartition = 0;
    uint16_t m__uint16_t__MappedPartition = 0xFFFF;
};

const UdfWalker::Entry* UdfWalker::Result::Find(const std::string& p__string__Path) const {
    for (const Entry& l__Entry : m__Entries)
        if (l__Entry.m__string__Path == p__string__Path) return &l__Entry;
    return nullptr;
}

std::string UdfWalker::Result::ProblemText() const {
    std::string l__string__Text;
    for (const std::string& l__string__Problem : m__Problems) l__string__Text += l__string__Problem + "\n";
    return l__string__Text;
}

UdfWalker::UdfWalker(const std::string& p__string__ImagePath) : m__string__ImagePath(p__string__ImagePath) {
    m__int__Handle = ::open(p__string__ImagePath.c_str(), O_RDONLY | O_CLOEXEC);
}

UdfWalker::~UdfWalker() {
    if (m__int__Handle >= 0) ::close(m__int__Handle);
}

uint16_t UdfWalker::Crc16(const uint8_t* p__uint8_t__Bytes, size_t p__size_t__Count) {
    uint16_t l__uint16_t__Crc = 0;
    for (size_t l__size_t__Index = 0; l__size_t__Index < p__size_t__Count; ++l__size_t__Index) {
        l__uint16_t__Crc ^= static_cast<uint16_t>(p__uint8_t__Bytes[l__size_t__Index] << 8);
        for (int l__int__Bit = 0; l__int__Bit < 8; ++l__int__Bit)
            l__uint16_t__Crc = static_cast<uint16_t>((l__uint16_t__Crc & 0x8000) ? (l__uint16_t__Crc << 1) ^ 0x1021
                                                                                 : l__uint16_t__Crc << 1);
    }
    return l__uint16_t__Crc;
}

uint8_t UdfWalker::TagChecksum(const uint8_t* p__uint8_t__Tag) {
    uint8_t l__uint8_t__Sum = 0;
    for (int l__int__Index = 0; l__int__Index < 16; ++l__int__Index)
        if (l__int__Index != 4) l__uint8_t__Sum = static_cast<uint8_t>(l__uint8_t__Sum + p__uint8_t__Tag[l__int__Index]);
    return l__uint8_t__Sum;
}

void UdfWalker::Restamp(uint8_t* p__uint8_t__Descriptor) {
    const uint16_t l__uint16_t__Crc = Crc16(p__uint8_t__Descriptor + 16, Get16(p__uint8_t__Descriptor + 10));
    p__uint8_t__Descriptor[8] = static_cast<uint8_t>(l__uint16_t__Crc);
    p__uint8_t__Descriptor[9] = static_cast<uint8_t>(l__uint16_t__Crc >> 8);
    p__uint8_t__Descriptor[4] = TagChecksum(p__uint8_t__Descriptor);
}

bool UdfWalker::DecodeName(const uint8_t* p__uint8_t__Bytes, size_t p__size_t__Count, std::string* p__string__Utf8) {
    p__string__Utf8->clear();
    if (p__size_t__Count == 0) return true;
    const uint8_t l__uint8_t__Compression = p__uint8_t__Bytes[0];
    if (l__uint8_t__Compression == 8 || l__uint8_t__Compression == 254) {
        for (size_t l__size_t__Index = 1; l__size_t__Index < p__size_t__Count; ++l__size_t__Index)
            AppendUtf8(p__uint8_t__Bytes[l__size_t__Index], p__string__Utf8);
        return true;
    }
    if (l__uint8_t__Compression != 16 && l__uint8_t__Compression != 255) return false;
    if ((p__size_t__Count - 1) % 2 != 0) return false;
    for (size_t l__size_t__Index = 1; l__size_t__Index < p__size_t__Count; l__size_t__Index += 2) {
        uint32_t l__uint32_t__Unit = (p__uint8_t__Bytes[l__size_t__Index] << 8) | p__uint8_t__Bytes[l__size_t__Index + 1];
        if (l__uint32_t__Unit >= 0xDC00 && l__uint32_t__Unit < 0xE000) return false;
        if (l__uint32_t__Unit >= 0xD800 && l__uint32_t__Unit < 0xDC00) {
            if (l__size_t__Index + 3 >= p__size_t__Count) return false;
            uint32_t l__uint32_t__Low = (p__uint8_t__Bytes[l__size_t__Index + 2] << 8) | p__uint8_t__Bytes[l__size_t__Index + 3];
            if (l__uint32_t__Low < 0xDC00 || l__uint32_t__Low >= 0xE000) return false;
            l__uint32_t__Unit = 0x10000 + ((l__uint32_t__Unit - 0xD800) << 10) + (l__uint32_t__Low - 0xDC00);
            l__size_t__Index += 2;
        }
        AppendUtf8(l__uint32_t__Unit, p__string__Utf8);
    }
    return true;
}

void UdfWalker::Problem(const std::string& p__string__Text) {
    // A badly broken image could name the same fault a million times; a few thousand say enough.
    if (m__Result.m__Problems.size() < 5000) m__Result.m__Problems.push_back(p__string__Text);
}

bool UdfWalker::ReadSector(uint64_t p__uint64_t__Sector, uint8_t* p__uint8_t__Buffer) const {
    if (m__int__Handle < 0 || p__uint64_t__Sector >= m__Result.m__uint64_t__Sectors) return false;
    size_t l__size_t__Done = 0;
    while (l__size_t__Done < SECTOR) {
        ssize_t l__ssize_t__Count = ::pread(m__int__Handle, p__uint8_t__Buffer + l__size_t__Done, SECTOR - l__size_t__Done,
                                            static_cast<off_t>(p__uint64_t__Sector * SECTOR + l__size_t__Done));
        if (l__ssize_t__Count <= 0) return false;
        l__size_t__Done += static_cast<size_t>(l__ssize_t__Count);
    }
    return true;
}

bool UdfWalker::InPartition(uint32_t p__uint32_t__Block, uint64_t p__uint64_t__Bytes) const {
    uint64_t l__uint64_t__Blocks = (p__uint64_t__Bytes + SECTOR - 1) / SECTOR;
    return p__uint32_t__Block + l__uint64_t__Blocks <= m__Result.m__uint32_t__PartitionLength &&
           (p__uint64_t__Bytes > 0 || p__uint32_t__Block < m__Result.m__uint32_t__PartitionLength);
}

bool UdfWalker::ReadBlock(uint32_t p__uint32_t__Block, uint8_t* p__uint8_t__Buffer) const {
    if (!InPartition(p__uint32_t__Block, SECTOR)) return false;
    return ReadSector(static_cast<uint64_t>(m__Result.m__uint32_t__PartitionStart) + p__uint32_t__Block, p__uint8_t__Buffer);
}

bool UdfWalker::CheckTag(const uint8_t* p__uint8_t__Descriptor, size_t p__size_t__Available, uint16_t p__uint16_t__Identifier,
                         uint32_t p__uint32_t__Location, const std::string& p__string__Where) {
    if (p__size_t__Available < 16) {
        Problem(p__string__Where + ": the descriptor's tag is cut off");
        return false;
    }
    const uint16_t l__uint16_t__Identifier = Get16(p__uint8_t__Descriptor);
    ++m__Result.m__size_t__DescriptorsChecked;
    ++m__Result.m__DescriptorsByTag[l__uint16_t__Identifier];
    bool l__bool__Sound = true;
    if (l__uint16_t__Identifier != p__uint16_t__Identifier) {
        Problem(p__string__Where + Format(": tag identifier %u where %u belongs", l__uint16_t__Identifier, p__uint16_t__Identifier));
        l__bool__Sound = false;
    }
    const uint8_t l__uint8_t__Checksum = TagChecksum(p__uint8_t__Descriptor);
    if (p__uint8_t__Descriptor[4] != l__uint8_t__Checksum) {
        Problem(p__string__Where + Format(": tag checksum 0x%02X, the tag sums to 0x%02X", p__uint8_t__Descriptor[4], l__uint8_t__Checksum));
        l__bool__Sound = false;
    }
    const uint16_t l__uint16_t__Version = Get16(p__uint8_t__Descriptor + 2);
    if (l__uint16_t__Version != m__uint16_t__Version)
        Problem(p__string__Where + Format(": descriptor version %u where %u belongs", l__uint16_t__Version, m__uint16_t__Version));
    const uint16_t l__uint16_t__CrcLength = Get16(p__uint8_t__Descriptor + 10);
    if (16u + l__uint16_t__CrcLength > p__size_t__Available) {
        Problem(p__string__Where + Format(": CRC length %u runs past the descriptor's %zu bytes", l__uint16_t__CrcLength,
                                          p__size_t__Available));
        l__bool__Sound = false;
    } else {
        const uint16_t l__uint16_t__Crc = Crc16(p__uint8_t__Descriptor + 16, l__uint16_t__CrcLength);
        if (Get16(p__uint8_t__Descriptor + 8) != l__uint16_t__Crc) {
            Problem(p__string__Where + Format(": descriptor CRC 0x%04X, the bytes give 0x%04X", Get16(p__uint8_t__Descriptor + 8),
                                              l__uint16_t__Crc));
            l__bool__Sound = false;
        }
    }
    const uint32_t l__uint32_t__Location = Get32(p__uint8_t__Descriptor + 12);
    if (l__uint32_t__Location != p__uint32_t__Location)
        Problem(p__string__Where + Format(": tag location %u, read from %u", l__uint32_t__Location, p__uint32_t__Location));
    return l__bool__Sound;
}

// Descriptors shorter than their CRC claims to cover are caught by CheckTag; this catches the
// opposite, a CRC that leaves part of the descriptor unprotected.
static void CheckCoverage(const uint8_t* p__uint8_t__Descriptor, size_t p__size_t__Length, const std::string& p__string__Where,
                          std::vector<std::string>* p__Problems) {
    const uint16_t l__uint16_t__CrcLength = Get16(p__uint8_t__Descriptor + 10);
    if (p__size_t__Length >= 16 && l__uint16_t__CrcLength < p__size_t__Length - 16)
        p__Problems->push_back(p__string__Where + Format(": the CRC covers %u of the descriptor's %zu bytes after the tag",
                                                        l__uint16_t__CrcLength, p__size_t__Length - 16));
}

void UdfWalker::CheckRecognition() {
    uint8_t l__uint8_t__Sector[SECTOR];
    bool l__bool__Begin = false, l__bool__End = false;
    for (uint64_t l__uint64_t__Sector = 16; l__uint64_t__Sector < 16 + 64; ++l__uint64_t__Sector) {
        if (!ReadSector(l__uint64_t__Sector, l__uint8_t__Sector)) break;
        std::string l__string__Identifier(reinterpret_cast<const char*>(l__uint8_t__Sector + 1), 5);
        if (l__string__Identifier == "BEA01") l__bool__Begin = true;
        else if (l__string__Identifier == "TEA01") {
            l__bool__End = l__bool__Begin;
            break;
        } else if ((l__string__Identifier == "NSR02" || l__string__Identifier == "NSR03") && l__bool__Begin)
            m__Result.m__string__StandardIdentifier = l__string__Identifier;
        else if (l__string__Identifier != "CD001" && l__string__Identifier != "BOOT2" && l__string__Identifier != "CDW02")
            break;
    }
    if (!l__bool__Begin || !l__bool__End || m__Result.m__string__StandardIdentifier.empty())
        Problem("volume recognition: no NSR02 or NSR03 between BEA01 and TEA01 from sector 16 on");
    m__uint16_t__Version = m__Result.m__string__StandardIdentifier == "NSR03" ? 3 : 2;
}

bool UdfWalker::CheckAnchor(uint64_t p__uint64_t__Sector, uint32_t p__uint32_t__Main[2], uint32_t p__uint32_t__Reserve[2]) {
    uint8_t l__uint8_t__Sector[SECTOR];
    if (!ReadSector(p__uint64_t__Sector, l__uint8_t__Sector) || Get16(l__uint8_t__Sector) != TAG_ANCHOR) return false;
    if (!CheckTag(l__uint8_t__Sector, SECTOR, TAG_ANCHOR, static_cast<uint32_t>(p__uint64_t__Sector),
                  Format("anchor at sector %llu", static_cast<unsigned long long>(p__uint64_t__Sector))))
        return false;
    CheckCoverage(l__uint8_t__Sector, 512, Format("anchor at sector %llu", static_cast<unsigned long long>(p__uint64_t__Sector)),
                  &m__Result.m__Problems);
    p__uint32_t__Main[0] = Get32(l__uint8_t__Sector + 16);
    p__uint32_t__Main[1] = Get32(l__uint8_t__Sector + 20);
    p__uint32_t__Reserve[0] = Get32(l__uint8_t__Sector + 24);
    p__uint32_t__Reserve[1] = Get32(l__uint8_t__Sector + 28);
    return true;
}

void UdfWalker::FindAnchors(uint32_t p__uint32_t__Main[2], uint32_t p__uint32_t__Reserve[2]) {
    const uint64_t l__uint64_t__Last = m__Result.m__uint64_t__Sectors - 1;
    std::set<uint64_t> l__Places{256, l__uint64_t__Last - 256, l__uint64_t__Last};
    bool l__bool__Found = false;
    for (uint64_t l__uint64_t__Sector : l__Places) {
        uint32_t l__uint32_t__Main[2], l__uint32_t__Reserve[2];
        if (l__uint64_t__Sector < 256 || !CheckAnchor(l__uint64_t__Sector, l__uint32_t__Main, l__uint32_t__Reserve)) continue;
        m__Result.m__Anchors.push_back(l__uint64_t__Sector);
        if (!l__bool__Found) {
            std::memcpy(p__uint32_t__Main, l__uint32_t__Main, sizeof(l__uint32_t__Main));
            std::memcpy(p__uint32_t__Reserve, l__uint32_t__Reserve, sizeof(l__uint32_t__Reserve));
            l__bool__Found = true;
        } else if (std::memcmp(p__uint32_t__Main, l__uint32_t__Main, sizeof(l__uint32_t__Main)) != 0 ||
                   std::memcmp(p__uint32_t__Reserve, l__uint32_t__Reserve, sizeof(l__uint32_t__Reserve)) != 0) {
            Problem(Format("anchor at sector %llu points at other sequences than the first anchor",
                           static_cast<unsigned long long>(l__uint64_t__Sector)));
        }
    }
    if (m__Result.m__Anchors.size() < 2)
        Problem(Format("%zu anchor(s) among sectors 256, N-256 and N (N = %llu); at least two belong there",
                       m__Result.m__Anchors.size(), static_cast<unsigned long long>(l__uint64_t__Last)));
    // The run of anchors that ends the image (the last one was checked above).
    m__Result.m__uint64_t__TailAnchorsFrom = m__Result.m__uint64_t__Sectors;
    if (std::find(m__Result.m__Anchors.begin(), m__Result.m__Anchors.end(), l__uint64_t__Last) == m__Result.m__Anchors.end()) return;
    m__Result.m__uint64_t__TailAnchorsFrom = l__uint64_t__Last;
    for (uint64_t l__uint64_t__Sector = l__uint64_t__Last; l__uint64_t__Sector-- > 257 && l__uint64_t__Last - l__uint64_t__Sector < MAXIMUM_TAIL_SCAN;) {
        uint32_t l__uint32_t__Main[2], l__uint32_t__Reserve[2];
        // N-256 was checked already when it holds one; it still belongs to the run.
        bool l__bool__Known = l__Places.count(l__uint64_t__Sector) != 0;
        if (l__bool__Known) {
            if (std::find(m__Result.m__Anchors.begin(), m__Result.m__Anchors.end(), l__uint64_t__Sector) == m__Result.m__Anchors.end()) break;
        } else if (!CheckAnchor(l__uint64_t__Sector, l__uint32_t__Main, l__uint32_t__Reserve)) {
            break;
        }
        m__Result.m__uint64_t__TailAnchorsFrom = l__uint64_t__Sector;
    }
}

bool UdfWalker::ReadSequence(SequenceCursor* p__Cursor, uint8_t* p__uint8_t__Buffer, const std::string& p__string__Name) {
    const uint64_t l__uint64_t__Sector = p__Cursor->m__uint64_t__Sector;
    if (l__uint64_t__Sector >= p__Cursor->m__uint64_t__End || p__Cursor->m__Seen.size() >= MAXIMUM_SEQUENCE_SECTORS) return false;
    if (!p__Cursor->m__Seen.insert(l__uint64_t__Sector).second) {
        Problem(p__string__Name + Format(": sector %llu is reached twice", static_cast<unsigned long long>(l__uint64_t__Sector)));
        return false;
    }
    if (!ReadSector(l__uint64_t__Sector, p__uint8_t__Buffer)) {
        Problem(p__string__Name + Format(": sector %llu lies outside the image", static_cast<unsigned long long>(l__uint64_t__Sector)));
        return false;
    }
    return true;
}

void UdfWalker::WalkVolumeSequence(uint32_t p__uint32_t__Length, uint32_t p__uint32_t__Sector, const std::string& p__string__Name,
                                   VolumeSequence* p__Sequence) {
    uint8_t l__uint8_t__Sector[SECTOR];
    SequenceCursor l__Cursor;
    l__Cursor.Jump(p__uint32_t__Length, p__uint32_t__Sector);
    uint64_t& l__uint64_t__Sector = l__Cursor.m__uint64_t__Sector;
    bool l__bool__Terminated = false;
    while (ReadSequence(&l__Cursor, l__uint8_t__Sector, p__string__Name)) {
        const uint16_t l__uint16_t__Identifier = Get16(l__uint8_t__Sector);
        const std::string l__string__Where =
            p__string__Name + Format(": %s at sector %llu", TagName(l__uint16_t__Identifier), static_cast<unsigned long long>(l__uint64_t__Sector));
        if (l__uint16_t__Identifier == 0 || l__uint16_t__Identifier > TAG_TERMINATING || l__uint16_t__Identifier == TAG_ANCHOR) {
            // An unrecorded sector may end the sequence; anything else does not belong in it.
            if (std::any_of(l__uint8_t__Sector, l__uint8_t__Sector + SECTOR, [](uint8_t b) { return b != 0; }))
                Problem(p__string__Name + Format(": tag identifier %u at sector %llu does not belong in a volume sequence",
                                                 l__uint16_t__Identifier, static_cast<unsigned long long>(l__uint64_t__Sector)));
            l__bool__Terminated = true;
            break;
        }
        CheckTag(l__uint8_t__Sector, SECTOR, l__uint16_t__Identifier, static_cast<uint32_t>(l__uint64_t__Sector), l__string__Where);
        size_t l__size_t__Length = 512;
        switch (l__uint16_t__Identifier) {
        case TAG_PRIMARY: {
            p__Sequence->m__bool__Primary = true;
            const uint8_t* l__Field = l__uint8_t__Sector + 24;
            if (l__Field[31] > 31 || !DecodeName(l__Field, l__Field[31], &p__Sequence->m__string__VolumeIdentifier))
                Problem(l__string__Where + ": the volume identifier is malformed");
            l__Field = l__uint8_t__Sector + 72;
            if (l__Field[127] > 127 || !DecodeName(l__Field, l__Field[127], &p__Sequence->m__string__VolumeSetIdentifier))
                Problem(l__string__Where + ": the volume set identifier is malformed");
            break;
        }
        case TAG_POINTER:
            // Carries on at another extent.
            l__Cursor.Jump(Get32(l__uint8_t__Sector + 20), Get32(l__uint8_t__Sector + 24));
            CheckCoverage(l__uint8_t__Sector, l__size_t__Length, l__string__Where, &m__Result.m__Problems);
            continue;
        case TAG_PARTITION: {
            p__Sequence->m__bool__Partition = true;
            p__Sequence->m__uint16_t__PartitionNumber = Get16(l__uint8_t__Sector + 22);
            std::string l__string__Contents = EntityIdentifier(l__uint8_t__Sector + 24);
            if (l__string__Contents != "+NSR02" && l__string__Contents != "+NSR03")
                Problem(l__string__Where + ": partition contents \"" + l__string__Contents + "\"");
            p__Sequence->m__uint32_t__PartitionStart = Get32(l__uint8_t__Sector + 188);
            p__Sequence->m__uint32_t__PartitionLength = Get32(l__uint8_t__Sector + 192);
            break;
        }
        case TAG_LOGICAL_VOLUME: {
            p__Sequence->m__bool__LogicalVolume = true;
            const uint8_t* l__Field = l__uint8_t__Sector + 84;
            if (l__Field[127] > 127 || !DecodeName(l__Field, l__Field[127], &p__Sequence->m__string__LogicalVolumeIdentifier))
                Problem(l__string__Where + ": the logical volume identifier is malformed");
            if (Get32(l__uint8_t__Sector + 212) != SECTOR)
                Problem(l__string__Where + Format(": logical block size %u", Get32(l__uint8_t__Sector + 212)));
            if (EntityIdentifier(l__uint8_t__Sector + 216) != "*OSTA UDF Compliant")
                Problem(l__string__Where + ": domain \"" + EntityIdentifier(l__uint8_t__Sector + 216) + "\"");
            p__Sequence->m__uint32_t__FileSetBlock = Get32(l__uint8_t__Sector + 252);
            p__Sequence->m__uint16_t__FileSetPartition = Get16(l__uint8_t__Sector + 256);
            p__Sequence->m__uint32_t__IntegrityLength = Get32(l__uint8_t__Sector + 432);
            p__Sequence->m__uint32_t__IntegritySector = Get32(l__uint8_t__Sector + 436);
            const uint32_t l__uint32_t__MapBytes = Get32(l__uint8_t__Sector + 264);
            const uint32_t l__uint32_t__Maps = Get32(l__uint8_t__Sector + 268);
            if (l__uint32_t__MapBytes > SECTOR - 440) {
                Problem(l__string__Where + Format(": partition maps of %u bytes run past the sector", l__uint32_t__MapBytes));
                break;
            }
            l__size_t__Length = 440 + l__uint32_t__MapBytes;
            // Only the first map matters here: reference 0, the one the file set uses.
            if (l__uint32_t__Maps >= 1 && l__uint32_t__MapBytes >= 6 && l__uint8_t__Sector[440] == 1 && l__uint8_t__Sector[441] == 6)
                p__Sequence->m__uint16_t__MappedPartition = Get16(l__uint8_t__Sector + 444);
            else
                Problem(l__string__Where + ": the first partition map is not a type 1 map");
            break;
        }
        case TAG_UNALLOCATED: {
            const uint32_t l__uint32_t__Extents = Get32(l__uint8_t__Sector + 20);
            if (l__uint32_t__Extents > (SECTOR - 24) / 8) Problem(l__string__Where + Format(": %u extents run past the sector", l__uint32_t__Extents));
            else l__size_t__Length = 24 + 8 * l__uint32_t__Extents;
            break;
        }
        case TAG_TERMINATING:
            l__bool__Terminated = true;
            break;
        default:
            break;
        }
        CheckCoverage(l__uint8_t__Sector, l__size_t__Length, l__string__Where, &m__Result.m__Problems);
        if (l__bool__Terminated) break;
        ++l__uint64_t__Sector;
    }
    if (!p__Sequence->m__bool__Primary || !p__Sequence->m__bool__Partition || !p__Sequence->m__bool__LogicalVolume)
        Problem(p__string__Name + ": the sequence lacks its Primary, Partition or Logical Volume Descriptor");
}

void UdfWalker::WalkIntegrity(uint32_t p__uint32_t__Length, uint32_t p__uint32_t__Sector) {
    uint8_t l__uint8_t__Sector[SECTOR];
    SequenceCursor l__Cursor;
    l__Cursor.Jump(p__uint32_t__Length, p__uint32_t__Sector);
    uint64_t& l__uint64_t__Sector = l__Cursor.m__uint64_t__Sector;
    bool l__bool__Found = false;
    while (ReadSequence(&l__Cursor, l__uint8_t__Sector, "integrity sequence")) {
        const uint16_t l__uint16_t__Identifier = Get16(l__uint8_t__Sector);
        const std::string l__string__Where =
            Format("integrity sequence: %s at sector %llu", TagName(l__uint16_t__Identifier), static_cast<unsigned long long>(l__uint64_t__Sector));
        if (l__uint16_t__Identifier == TAG_TERMINATING) {
            CheckTag(l__uint8_t__Sector, SECTOR, TAG_TERMINATING, static_cast<uint32_t>(l__uint64_t__Sector), l__string__Where);
            CheckCoverage(l__uint8_t__Sector, 512, l__string__Where, &m__Result.m__Problems);
            break;
        }
        if (l__uint16_t__Identifier != TAG_INTEGRITY) {
            if (std::any_of(l__uint8_t__Sector, l__uint8_t__Sector + SECTOR, [](uint8_t b) { return b != 0; }) || !l__bool__Found)
                Problem(l__string__Where + Format(": tag identifier %u where an integrity descriptor belongs", l__uint16_t__Identifier));
            break;
        }
        l__bool__Found = true;
        CheckTag(l__uint8_t__Sector, SECTOR, TAG_INTEGRITY, static_cast<uint32_t>(l__uint64_t__Sector), l__string__Where);
        m__Result.m__uint32_t__IntegrityType = Get32(l__uint8_t__Sector + 28);
        const uint32_t l__uint32_t__Partitions = Get32(l__uint8_t__Sector + 72);
        const uint32_t l__uint32_t__UseLength = Get32(l__uint8_t__Sector + 76);
        const uint64_t l__uint64_t__Use = 80 + 8ull * l__uint32_t__Partitions;
        if (l__uint64_t__Use + l__uint32_t__UseLength > SECTOR) {
            Problem(l__string__Where + Format(": %u partitions and %u bytes of implementation use run past the sector",
                                              l__uint32_t__Partitions, l__uint32_t__UseLength));
        } else {
            CheckCoverage(l__uint8_t__Sector, static_cast<size_t>(l__uint64_t__Use + l__uint32_t__UseLength), l__string__Where,
                          &m__Result.m__Problems);
            if (l__uint32_t__UseLength >= 40) {
                m__Result.m__bool__HasIntegrityCounts = true;
                m__Result.m__uint32_t__IntegrityFiles = Get32(l__uint8_t__Sector + l__uint64_t__Use + 32);
                m__Result.m__uint32_t__IntegrityDirectories = Get32(l__uint8_t__Sector + l__uint64_t__Use + 36);
            }
        }
        m__uint64_t__NextUniqueId = Get64(l__uint8_t__Sector + 40);
        if (Get32(l__uint8_t__Sector + 32) != 0) {
            l__Cursor.Jump(Get32(l__uint8_t__Sector + 32), Get32(l__uint8_t__Sector + 36));
            continue;
        }
        ++l__uint64_t__Sector;
    }
    if (!l__bool__Found) Problem("integrity sequence: no Logical Volume Integrity Descriptor");
    else if (m__Result.m__uint32_t__IntegrityType != 1)
        Problem(Format("integrity sequence: integrity type %u, the volume is not closed", m__Result.m__uint32_t__IntegrityType));
}

void UdfWalker::WalkFileSet(uint32_t p__uint32_t__Block) {
    uint8_t l__uint8_t__Sector[SECTOR];
    const std::string l__string__Where = Format("File Set Descriptor at block %u", p__uint32_t__Block);
    if (!ReadBlock(p__uint32_t__Block, l__uint8_t__Sector)) {
        Problem(l__string__Where + ": the block lies outside the partition or the image");
        return;
    }
    if (!CheckTag(l__uint8_t__Sector, SECTOR, TAG_FILE_SET, p__uint32_t__Block, l__string__Where) &&
        Get16(l__uint8_t__Sector) != TAG_FILE_SET)
        return;
    CheckCoverage(l__uint8_t__Sector, 512, l__string__Where, &m__Result.m__Problems);
    const uint8_t* l__Field = l__uint8_t__Sector + 304;
    if (l__Field[31] > 31 || !DecodeName(l__Field, l__Field[31], &m__Result.m__string__FileSetIdentifier))
        Problem(l__string__Where + ": the file set identifier is malformed");
    if (EntityIdentifier(l__uint8_t__Sector + 416) != "*OSTA UDF Compliant")
        Problem(l__string__Where + ": domain \"" + EntityIdentifier(l__uint8_t__Sector + 416) + "\"");
    const uint32_t l__uint32_t__Root = Get32(l__uint8_t__Sector + 404);
    if (Get16(l__uint8_t__Sector + 408) != 0) Problem(l__string__Where + ": the root lies in another partition");
    Entry l__Root;
    l__Root.m__string__Path = "/";
    if (!ReadFileEntry(l__uint32_t__Root, "/", &l__Root)) return;
    if (!l__Root.m__bool__IsDirectory) {
        Problem(Format("/: the root's File Entry has file type %u", l__Root.m__uint8_t__FileType));
        return;
    }
    m__Result.m__Entries.push_back(l__Root);
    m__Directories.insert(l__uint32_t__Root);
    WalkDirectory(0, 0, l__uint32_t__Root);
}

bool UdfWalker::ReadFileEntry(uint32_t p__uint32_t__Block, const std::string& p__string__Path, Entry* p__Entry) {
    uint8_t l__uint8_t__Sector[SECTOR];
    const std::string l__string__Where = p__string__Path + Format(": File Entry at block %u", p__uint32_t__Block);
    if (!ReadBlock(p__uint32_t__Block, l__uint8_t__Sector)) {
        Problem(l__string__Where + ": the block lies outside the partition or the image");
        return false;
    }
    const bool l__bool__Extended = Get16(l__uint8_t__Sector) == TAG_EXTENDED_FILE_ENTRY;
    if (!CheckTag(l__uint8_t__Sector, SECTOR, l__bool__Extended ? TAG_EXTENDED_FILE_ENTRY : TAG_FILE_ENTRY, p__uint32_t__Block,
                  l__string__Where) &&
        Get16(l__uint8_t__Sector) != TAG_FILE_ENTRY && !l__bool__Extended)
        return false;
    const uint32_t l__uint32_t__Header = l__bool__Extended ? 216 : 176;
    const uint32_t l__uint32_t__Attributes = Get32(l__uint8_t__Sector + l__uint32_t__Header - 8);
    const uint32_t l__uint32_t__Descriptors = Get32(l__uint8_t__Sector + l__uint32_t__Header - 4);
    if (static_cast<uint64_t>(l__uint32_t__Header) + l__uint32_t__Attributes + l__uint32_t__Descriptors > SECTOR) {
        Problem(l__string__Where + Format(": %u bytes of extended attributes and %u of allocation descriptors run past the block",
                                          l__uint32_t__Attributes, l__uint32_t__Descriptors));
        return false;
    }
    CheckCoverage(l__uint8_t__Sector, l__uint32_t__Header + l__uint32_t__Attributes + l__uint32_t__Descriptors, l__string__Where,
                  &m__Result.m__Problems);
    if (Get16(l__uint8_t__Sector + 20) != 4) Problem(l__string__Where + Format(": strategy type %u", Get16(l__uint8_t__Sector + 20)));
    p__Entry->m__string__Path = p__string__Path;
    p__Entry->m__uint32_t__FileEntryBlock = p__uint32_t__Block;
    p__Entry->m__uint8_t__FileType = l__uint8_t__Sector[27];
    p__Entry->m__bool__IsDirectory = l__uint8_t__Sector[27] == 4;
    p__Entry->m__uint32_t__Uid = Get32(l__uint8_t__Sector + 36);
    p__Entry->m__uint32_t__Gid = Get32(l__uint8_t__Sector + 40);
    p__Entry->m__uint32_t__Permissions = Get32(l__uint8_t__Sector + 44);
    p__Entry->m__uint16_t__LinkCount = Get16(l__uint8_t__Sector + 48);
    p__Entry->m__uint64_t__InformationLength = Get64(l__uint8_t__Sector + 56);
    p__Entry->m__uint64_t__BlocksRecorded = Get64(l__uint8_t__Sector + (l__bool__Extended ? 72 : 64));
    p__Entry->m__uint64_t__UniqueId = Get64(l__uint8_t__Sector + (l__bool__Extended ? 200 : 160));
    p__Entry->m__uint32_t__ExtendedAttributesLength = l__uint32_t__Attributes;
    if (l__uint32_t__Attributes > 0)
        CheckExtendedAttributes(l__uint8_t__Sector + l__uint32_t__Header, l__uint32_t__Attributes, p__uint32_t__Block, p__string__Path);
    ReadAllocation(l__uint8_t__Sector + l__uint32_t__Header + l__uint32_t__Attributes, l__uint32_t__Descriptors,
                   Get16(l__uint8_t__Sector + 34) & 7, p__string__Path, p__Entry);
    return true;
}

void UdfWalker::ReadAllocation(const uint8_t* p__uint8_t__Descriptors, uint32_t p__uint32_t__Length, int p__int__Kind,
                               const std::string& p__string__Path, Entry* p__Entry) {
    p__Entry->m__int__AllocationKind = p__int__Kind;
    if (p__int__Kind == 3) {
        p__Entry->m__string__Embedded.assign(reinterpret_cast<const char*>(p__uint8_t__Descriptors), p__uint32_t__Length);
        if (p__uint32_t__Length < p__Entry->m__uint64_t__InformationLength)
            Problem(p__string__Path + Format(": %u bytes of embedded data for an information length of %llu", p__uint32_t__Length,
                                             static_cast<unsigned long long>(p__Entry->m__uint64_t__InformationLength)));
        if (p__Entry->m__uint64_t__BlocksRecorded != 0)
            Problem(p__string__Path + ": embedded data, yet blocks are recorded");
        return;
    }
    if (p__int__Kind > 2) {
        Problem(p__string__Path + Format(": allocation descriptor kind %d", p__int__Kind));
        return;
    }
    const size_t l__size_t__Size = p__int__Kind == 0 ? 8 : p__int__Kind == 1 ? 16 : 20;
    std::vector<uint8_t> l__Current(p__uint8_t__Descriptors, p__uint8_t__Descriptors + p__uint32_t__Length);
    std::set<uint32_t> l__Continuations;
    uint64_t l__uint64_t__Total = 0, l__uint64_t__Recorded = 0;
    for (size_t l__size_t__At = 0; l__size_t__At + l__size_t__Size <= l__Current.size();) {
        const uint8_t* l__Descriptor = l__Current.data() + l__size_t__At;
        l__size_t__At += l__size_t__Size;
        Extent l__Extent;
        l__Extent.m__uint32_t__Length = Get32(l__Descriptor) & 0x3FFFFFFF;
        l__Extent.m__uint8_t__Type = static_cast<uint8_t>(Get32(l__Descriptor) >> 30);
        if (l__Extent.m__uint32_t__Length == 0) break;  // the list ends
        const uint8_t* l__Location = l__Descriptor + (p__int__Kind == 2 ? 12 : 4);
        l__Extent.m__uint32_t__Position = Get32(l__Location);
        if (p__int__Kind != 0) l__Extent.m__uint16_t__Partition = Get16(l__Location + 4);
        if (l__Extent.m__uint8_t__Type == 3) {
            // The list carries on in an Allocation Extent Descriptor.
            uint8_t l__uint8_t__Sector[SECTOR];
            const std::string l__string__Where = p__string__Path + Format(": allocation extent at block %u", l__Extent.m__uint32_t__Position);
            if (l__Continuations.size() >= MAXIMUM_CONTINUATIONS || !l__Continuations.insert(l__Extent.m__uint32_t__Position).second) {
                Problem(l__string__Where + ": reached twice");
                break;
            }
            if (l__Extent.m__uint16_t__Partition != 0 || !ReadBlock(l__Extent.m__uint32_t__Position, l__uint8_t__Sector)) {
                Problem(l__string__Where + ": the block lies outside the partition or the image");
                break;
            }
            if (!CheckTag(l__uint8_t__Sector, SECTOR, TAG_ALLOCATION_EXTENT, l__Extent.m__uint32_t__Position, l__string__Where) &&
                Get16(l__uint8_t__Sector) != TAG_ALLOCATION_EXTENT)
                break;
            const uint32_t l__uint32_t__More = Get32(l__uint8_t__Sector + 20);
            if (24ull + l__uint32_t__More > SECTOR) {
                Problem(l__string__Where + Format(": %u bytes of descriptors run past the block", l__uint32_t__More));
                break;
            }
            CheckCoverage(l__uint8_t__Sector, 24 + l__uint32_t__More, l__string__Where, &m__Result.m__Problems);
            l__Current.assign(l__uint8_t__Sector + 24, l__uint8_t__Sector + 24 + l__uint32_t__More);
            l__size_t__At = 0;
            continue;
        }
        if (p__Entry->m__Extents.size() >= MAXIMUM_EXTENTS) {
            Problem(p__string__Path + ": too many extents");
            break;
        }
        if (l__Extent.m__uint16_t__Partition != 0)
            Problem(p__string__Path + Format(": an extent in partition reference %u", l__Extent.m__uint16_t__Partition));
        if (l__Extent.m__uint8_t__Type != 2 && !InPartition(l__Extent.m__uint32_t__Position, l__Extent.m__uint32_t__Length))
            Problem(p__string__Path + Format(": the extent of %u bytes at block %u runs outside the partition",
                                             l__Extent.m__uint32_t__Length, l__Extent.m__uint32_t__Position));
        if (!p__Entry->m__Extents.empty() && p__Entry->m__Extents.back().m__uint32_t__Length % SECTOR != 0)
            Problem(p__string__Path + ": an extent that is not the last one ends inside a block");
        p__Entry->m__Extents.push_back(l__Extent);
        l__uint64_t__Total += l__Extent.m__uint32_t__Length;
        if (l__Extent.m__uint8_t__Type == 0) l__uint64_t__Recorded += (l__Extent.m__uint32_t__Length + SECTOR - 1) / SECTOR;
    }
    if (l__uint64_t__Total < p__Entry->m__uint64_t__InformationLength)
        Problem(p__string__Path + Format(": the extents hold %llu bytes, the information length is %llu",
                                         static_cast<unsigned long long>(l__uint64_t__Total),
                                         static_cast<unsigned long long>(p__Entry->m__uint64_t__InformationLength)));
    if (l__uint64_t__Recorded != p__Entry->m__uint64_t__BlocksRecorded)
        Problem(p__string__Path + Format(": %llu blocks recorded, the extents record %llu",
                                         static_cast<unsigned long long>(p__Entry->m__uint64_t__BlocksRecorded),
                                         static_cast<unsigned long long>(l__uint64_t__Recorded)));
}

void UdfWalker::CheckExtendedAttributes(const uint8_t* p__uint8_t__Attributes, uint32_t p__uint32_t__Length, uint32_t p__uint32_t__Block,
                                        const std::string& p__string__Path) {
    const std::string l__string__Where = p__string__Path + Format(": extended attributes of block %u", p__uint32_t__Block);
    if (p__uint32_t__Length < 24) {
        Problem(l__string__Where + Format(": %u bytes leave no room for their header", p__uint32_t__Length));
        return;
    }
    if (!CheckTag(p__uint8_t__Attributes, p__uint32_t__Length, TAG_EXTENDED_ATTRIBUTE_HEADER, p__uint32_t__Block, l__string__Where)) return;
    CheckCoverage(p__uint8_t__Attributes, 24, l__string__Where, &m__Result.m__Problems);
    const uint32_t l__uint32_t__Implementation = Get32(p__uint8_t__Attributes + 16);
    const uint32_t l__uint32_t__Application = Get32(p__uint8_t__Attributes + 20);
    if ((l__uint32_t__Implementation != 0xFFFFFFFF && (l__uint32_t__Implementation < 24 || l__uint32_t__Implementation > p__uint32_t__Length)) ||
        (l__uint32_t__Application != 0xFFFFFFFF && (l__uint32_t__Application < 24 || l__uint32_t__Application > p__uint32_t__Length))) {
        Problem(l__string__Where + Format(": attribute locations %u and %u lie outside the %u bytes", l__uint32_t__Implementation,
                                          l__uint32_t__Application, p__uint32_t__Length));
        return;
    }
    for (uint32_t l__uint32_t__At = 24; l__uint32_t__At < p__uint32_t__Length;) {
        const uint8_t* l__Attribute = p__uint8_t__Attributes + l__uint32_t__At;
        if (p__uint32_t__Length - l__uint32_t__At < 12) {
            Problem(l__string__Where + Format(": an attribute at %u is cut off", l__uint32_t__At));
            return;
        }
        const uint32_t l__uint32_t__Type = Get32(l__Attribute);
        const uint32_t l__uint32_t__Size = Get32(l__Attribute + 8);
        if (l__uint32_t__Size < 12 || l__uint32_t__Size > p__uint32_t__Length - l__uint32_t__At) {
            Problem(l__string__Where + Format(": the attribute at %u claims %u bytes", l__uint32_t__At, l__uint32_t__Size));
            return;
        }
        // The attributes this format defines for implementations carry a checksum of their header.
        if (l__uint32_t__Type == 2048 && l__uint32_t__Size >= 50 && std::memcmp(l__Attribute + 17, "*UDF", 4) == 0) {
            uint16_t l__uint16_t__Sum = 0;
            for (int l__int__Index = 0; l__int__Index < 48; ++l__int__Index)
                l__uint16_t__Sum = static_cast<uint16_t>(l__uint16_t__Sum + l__Attribute[l__int__Index]);
            if (Get16(l__Attribute + 48) != l__uint16_t__Sum)
                Problem(l__string__Where + Format(": header checksum 0x%04X of the \"%s\" attribute, its header sums to 0x%04X",
                                                  Get16(l__Attribute + 48), EntityIdentifier(l__Attribute + 16).c_str(), l__uint16_t__Sum));
        }
        l__uint32_t__At += l__uint32_t__Size;
    }
}

bool UdfWalker::ReadDirectory(const Entry& p__Entry, std::string* p__string__Bytes, std::vector<std::pair<size_t, uint32_t>>* p__Blocks) {
    p__string__Bytes->clear();
    const uint64_t l__uint64_t__Size = p__Entry.m__uint64_t__InformationLength;
    if (l__uint64_t__Size > MAXIMUM_DIRECTORY_BYTES) {
        Problem(p__Entry.m__string__Path + Format(": a directory of %llu bytes", static_cast<unsigned long long>(l__uint64_t__Size)));
        return false;
    }
    if (p__Entry.m__int__AllocationKind == 3) {
        *p__string__Bytes = p__Entry.m__string__Embedded.substr(0, l__uint64_t__Size);
        p__Blocks->push_back({0, p__Entry.m__uint32_t__FileEntryBlock});
        return true;
    }
    uint8_t l__uint8_t__Sector[SECTOR];
    for (const Extent& l__Extent : p__Entry.m__Extents) {
        if (p__string__Bytes->size() >= l__uint64_t__Size) break;
        if (l__Extent.m__uint8_t__Type != 0) {
            Problem(p__Entry.m__string__Path + ": the directory has an unrecorded extent");
            return false;
        }
        for (uint64_t l__uint64_t__Offset = 0; l__uint64_t__Offset < l__Extent.m__uint32_t__Length && p__string__Bytes->size() < l__uint64_t__Size;
             l__uint64_t__Offset += SECTOR) {
            const uint64_t l__uint64_t__Block = l__Extent.m__uint32_t__Position + l__uint64_t__Offset / SECTOR;
            if (l__uint64_t__Block > 0xFFFFFFFFu || !ReadBlock(static_cast<uint32_t>(l__uint64_t__Block), l__uint8_t__Sector)) {
                Problem(p__Entry.m__string__Path + ": the directory's data lies outside the partition");
                return false;
            }
            const size_t l__size_t__Take = static_cast<size_t>(std::min<uint64_t>(
                {SECTOR, l__Extent.m__uint32_t__Length - l__uint64_t__Offset, l__uint64_t__Size - p__string__Bytes->size()}));
            p__Blocks->push_back({p__string__Bytes->size(), static_cast<uint32_t>(l__uint64_t__Block)});
            p__string__Bytes->append(reinterpret_cast<const char*>(l__uint8_t__Sector), l__size_t__Take);
        }
    }
    if (p__string__Bytes->size() < l__uint64_t__Size) Problem(p__Entry.m__string__Path + ": the directory's extents end early");
    return true;
}

void UdfWalker::WalkDirectory(size_t p__size_t__Index, int p__int__Depth, uint32_t p__uint32_t__ParentBlock) {
    const Entry l__Directory = m__Result.m__Entries[p__size_t__Index];
    if (p__int__Depth > MAXIMUM_DEPTH) {
        Problem(l__Directory.m__string__Path + ": directories nested too deep");
        return;
    }
    std::string l__string__Bytes;
    std::vector<std::pair<size_t, uint32_t>> l__Blocks;
    if (!ReadDirectory(l__Directory, &l__string__Bytes, &l__Blocks)) return;
    const uint8_t* l__Data = reinterpret_cast<const uint8_t*>(l__string__Bytes.data());
    std::set<std::string> l__Names;
    std::vector<size_t> l__Subdirectories;
    bool l__bool__Parent = false;
    for (size_t l__size_t__At = 0; l__size_t__At < l__string__Bytes.size();) {
        const uint8_t* l__Fid = l__Data + l__size_t__At;
        const size_t l__size_t__Available = l__string__Bytes.size() - l__size_t__At;
        // A File Identifier's tag names the block its first byte lies in.
        auto l__Block = std::upper_bound(l__Blocks.begin(), l__Blocks.end(), std::make_pair(l__size_t__At, UINT32_MAX));
        const uint32_t l__uint32_t__Location = std::prev(l__Block)->second;
        const std::string l__string__Where = l__Directory.m__string__Path + Format(": File Identifier at byte %zu (block %u)", l__size_t__At,
                                                                                   l__uint32_t__Location);
        if (l__size_t__Available < 38) {
            Problem(l__string__Where + ": cut off by the end of the directory");
            break;
        }
        const size_t l__size_t__NameLength = l__Fid[19];
        const size_t l__size_t__UseLength = Get16(l__Fid + 36);
        const size_t l__size_t__Length = 38 + l__size_t__UseLength + l__size_t__NameLength;
        if (l__size_t__Length > l__size_t__Available) {
            Problem(l__string__Where + ": runs past the end of the directory");
            break;
        }
        const size_t l__size_t__Padded = std::min((l__size_t__Length + 3) & ~size_t{3}, l__size_t__Available);
        if (!CheckTag(l__Fid, l__size_t__Padded, TAG_FILE_IDENTIFIER, l__uint32_t__Location, l__string__Where) &&
            Get16(l__Fid) != TAG_FILE_IDENTIFIER)
            break;  // not a File Identifier: the rest cannot be found
        CheckCoverage(l__Fid, l__size_t__Length, l__string__Where, &m__Result.m__Problems);
        const size_t l__size_t__Start = l__size_t__At;
        l__size_t__At += (l__size_t__Length + 3) & ~size_t{3};
        const uint8_t l__uint8_t__Characteristics = l__Fid[18];
        const uint32_t l__uint32_t__Target = Get32(l__Fid + 24);
        if (l__uint8_t__Characteristics & 0x04) continue;  // deleted
        ++m__Identifiers[l__uint32_t__Target];
        if (l__uint8_t__Characteristics & 0x08) {
            if (l__bool__Parent) Problem(l__string__Where + ": a second parent entry");
            l__bool__Parent = true;
            if (l__uint32_t__Target != p__uint32_t__ParentBlock)
                Problem(l__string__Where + Format(": the parent entry names block %u, the parent's File Entry is at %u", l__uint32_t__Target,
                                                  p__uint32_t__ParentBlock));
            if (!(l__uint8_t__Characteristics & 0x02)) Problem(l__string__Where + ": the parent entry is not marked a directory");
            continue;
        }
        std::string l__string__Name;
        if (l__size_t__NameLength == 0 || !DecodeName(l__Fid + 38 + l__size_t__UseLength, l__size_t__NameLength, &l__string__Name) ||
            l__string__Name.empty() || l__string__Name.find('/') != std::string::npos ||
            l__string__Name.find('\0') != std::string::npos || l__string__Name == "." || l__string__Name == "..") {
            Problem(l__string__Where + ": a malformed name");
            continue;
        }
        if (!l__Names.insert(l__string__Name).second) Problem(l__string__Where + ": \"" + l__string__Name + "\" is in the directory twice");
        if (Get16(l__Fid + 28) != 0) {
            Problem(l__string__Where + ": the File Entry lies in another partition");
            continue;
        }
        if (m__Result.m__Entries.size() >= MAXIMUM_ENTRIES) {
            Problem(l__string__Where + ": too many entries");
            return;
        }
        Entry l__Entry;
        const std::string l__string__Path = (l__Directory.m__string__Path == "/" ? "" : l__Directory.m__string__Path) + "/" + l__string__Name;
        if (!ReadFileEntry(l__uint32_t__Target, l__string__Path, &l__Entry)) continue;
        l__Entry.m__uint8_t__Characteristics = l__uint8_t__Characteristics;
        l__Entry.m__uint32_t__IdentifierBlock = l__uint32_t__Location;
        l__Entry.m__uint32_t__IdentifierOffset = static_cast<uint32_t>(l__size_t__Start - std::prev(l__Block)->first);
        const bool l__bool__Directory = (l__uint8_t__Characteristics & 0x02) != 0;
        if (l__bool__Directory != l__Entry.m__bool__IsDirectory)
            Problem(l__string__Path + Format(": File Identifier characteristics 0x%02X, File Entry type %u", l__uint8_t__Characteristics,
                                             l__Entry.m__uint8_t__FileType));
        m__Result.m__Entries.push_back(l__Entry);
        if (l__bool__Directory && l__Entry.m__bool__IsDirectory) l__Subdirectories.push_back(m__Result.m__Entries.size() - 1);
    }
    if (!l__bool__Parent) Problem(l__Directory.m__string__Path + ": the directory has no parent entry");
    for (size_t l__size_t__Subdirectory : l__Subdirectories) {
        const Entry& l__Entry = m__Result.m__Entries[l__size_t__Subdirectory];
        if (!m__Directories.insert(l__Entry.m__uint32_t__FileEntryBlock).second) {
            Problem(l__Entry.m__string__Path + Format(": the directory's File Entry at block %u was entered already (a loop)",
                                                      l__Entry.m__uint32_t__FileEntryBlock));
            continue;
        }
        WalkDirectory(l__size_t__Subdirectory, p__int__Depth + 1, l__Directory.m__uint32_t__FileEntryBlock);
    }
}

bool UdfWalker::ReadContents(const Entry& p__Entry, std::string* p__string__Bytes, uint64_t p__uint64_t__Offset, uint64_t p__uint64_t__Length,
                             std::string* p__string__Why) const {
    std::string l__string__Ignored;
    std::string* l__string__Why = p__string__Why != nullptr ? p__string__Why : &l__string__Ignored;
    p__string__Bytes->clear();
    const uint64_t l__uint64_t__Size = p__Entry.m__uint64_t__InformationLength;
    if (p__uint64_t__Offset >= l__uint64_t__Size) return true;
    const uint64_t l__uint64_t__End = p__uint64_t__Offset + std::min(p__uint64_t__Length, l__uint64_t__Size - p__uint64_t__Offset);
    if (p__Entry.m__int__AllocationKind == 3) {
        if (l__uint64_t__End > p__Entry.m__string__Embedded.size()) {
            *l__string__Why = "the embedded data is shorter than the information length";
            return false;
        }
        *p__string__Bytes = p__Entry.m__string__Embedded.substr(p__uint64_t__Offset, l__uint64_t__End - p__uint64_t__Offset);
        return true;
    }
    uint64_t l__uint64_t__ExtentStart = 0;
    std::vector<char> l__Buffer(1 << 20);
    for (const Extent& l__Extent : p__Entry.m__Extents) {
        const uint64_t l__uint64_t__ExtentEnd = l__uint64_t__ExtentStart + l__Extent.m__uint32_t__Length;
        const uint64_t l__uint64_t__From = std::max(p__uint64_t__Offset, l__uint64_t__ExtentStart);
        const uint64_t l__uint64_t__To = std::min(l__uint64_t__End, l__uint64_t__ExtentEnd);
        if (l__uint64_t__From < l__uint64_t__To) {
            if (l__Extent.m__uint8_t__Type != 0) {
                p__string__Bytes->append(l__uint64_t__To - l__uint64_t__From, '\0');
            } else {
                if (l__Extent.m__uint16_t__Partition != 0 || !InPartition(l__Extent.m__uint32_t__Position, l__Extent.m__uint32_t__Length)) {
                    *l__string__Why = Format("the extent at block %u lies outside the partition", l__Extent.m__uint32_t__Position);
                    return false;
                }
                uint64_t l__uint64_t__Byte = (static_cast<uint64_t>(m__Result.m__uint32_t__PartitionStart) + l__Extent.m__uint32_t__Position) * SECTOR +
                                             (l__uint64_t__From - l__uint64_t__ExtentStart);
                for (uint64_t l__uint64_t__Left = l__uint64_t__To - l__uint64_t__From; l__uint64_t__Left > 0;) {
                    const size_t l__size_t__Want = static_cast<size_t>(std::min<uint64_t>(l__uint64_t__Left, l__Buffer.size()));
                    const ssize_t l__ssize_t__Count = ::pread(m__int__Handle, l__Buffer.data(), l__size_t__Want, static_cast<off_t>(l__uint64_t__Byte));
                    if (l__ssize_t__Count <= 0) {
                        *l__string__Why = Format("the image ends before byte %llu", static_cast<unsigned long long>(l__uint64_t__Byte));
                        return false;
                    }
                    p__string__Bytes->append(l__Buffer.data(), static_cast<size_t>(l__ssize_t__Count));
                    l__uint64_t__Byte += static_cast<uint64_t>(l__ssize_t__Count);
                    l__uint64_t__Left -= static_cast<uint64_t>(l__ssize_t__Count);
                }
            }
        }
        l__uint64_t__ExtentStart = l__uint64_t__ExtentEnd;
        if (l__uint64_t__ExtentStart >= l__uint64_t__End) return true;
    }
    *l__string__Why = "the extents end before the information length";
    return false;
}

const UdfWalker::Result& UdfWalker::Walk() {
    if (m__bool__Walked) return m__Result;
    m__bool__Walked = true;
    struct stat l__Status;
    if (m__int__Handle < 0 || ::fstat(m__int__Handle, &l__Status) != 0) {
        Problem("cannot open " + m__string__ImagePath);
        return m__Result;
    }
    const uint64_t l__uint64_t__Bytes = static_cast<uint64_t>(l__Status.st_size);
    m__Result.m__uint64_t__Sectors = l__uint64_t__Bytes / SECTOR;
    if (l__uint64_t__Bytes % SECTOR != 0)
        Problem(Format("the image's %llu bytes are not whole sectors", static_cast<unsigned long long>(l__uint64_t__Bytes)));
    if (m__Result.m__uint64_t__Sectors < 258) {
        Problem(Format("an image of %llu sectors is too small for a volume", static_cast<unsigned long long>(m__Result.m__uint64_t__Sectors)));
        return m__Result;
    }
    CheckRecognition();
    uint32_t l__uint32_t__Main[2] = {0, 0}, l__uint32_t__Reserve[2] = {0, 0};
    FindAnchors(l__uint32_t__Main, l__uint32_t__Reserve);
    if (m__Result.m__Anchors.empty()) return m__Result;
    m__Result.m__uint32_t__MainSequence = l__uint32_t__Main[1];
    m__Result.m__uint32_t__ReserveSequence = l__uint32_t__Reserve[1];
    VolumeSequence l__Main, l__Reserve;
    WalkVolumeSequence(l__uint32_t__Main[0], l__uint32_t__Main[1], "main volume sequence", &l__Main);
    WalkVolumeSequence(l__uint32_t__Reserve[0], l__uint32_t__Reserve[1], "reserve volume sequence", &l__Reserve);
    if (l__Main.m__string__VolumeIdentifier != l__Reserve.m__string__VolumeIdentifier ||
        l__Main.m__string__LogicalVolumeIdentifier != l__Reserve.m__string__LogicalVolumeIdentifier ||
        l__Main.m__uint32_t__PartitionStart != l__Reserve.m__uint32_t__PartitionStart ||
        l__Main.m__uint32_t__PartitionLength != l__Reserve.m__uint32_t__PartitionLength ||
        l__Main.m__uint32_t__FileSetBlock != l__Reserve.m__uint32_t__FileSetBlock ||
        l__Main.m__uint32_t__IntegritySector != l__Reserve.m__uint32_t__IntegritySector)
        Problem("the reserve volume sequence describes another volume than the main one");
    const VolumeSequence& l__Volume =
        l__Main.m__bool__Partition && l__Main.m__bool__LogicalVolume ? l__Main : l__Reserve;
    if (!l__Volume.m__bool__Partition || !l__Volume.m__bool__LogicalVolume) return m__Result;
    m__Result.m__string__VolumeIdentifier = l__Volume.m__string__VolumeIdentifier;
    m__Result.m__string__VolumeSetIdentifier = l__Volume.m__string__VolumeSetIdentifier;
    m__Result.m__string__LogicalVolumeIdentifier = l__Volume.m__string__LogicalVolumeIdentifier;
    m__Result.m__uint32_t__PartitionStart = l__Volume.m__uint32_t__PartitionStart;
    m__Result.m__uint32_t__PartitionLength = l__Volume.m__uint32_t__PartitionLength;
    if (l__Volume.m__uint16_t__MappedPartition != l__Volume.m__uint16_t__PartitionNumber)
        Problem(Format("the partition map names partition %u, the Partition Descriptor is number %u", l__Volume.m__uint16_t__MappedPartition,
                       l__Volume.m__uint16_t__PartitionNumber));
    if (static_cast<uint64_t>(m__Result.m__uint32_t__PartitionStart) + m__Result.m__uint32_t__PartitionLength > m__Result.m__uint64_t__Sectors)
        Problem(Format("the partition of %u sectors from sector %u runs past the image's %llu sectors", m__Result.m__uint32_t__PartitionLength,
                       m__Result.m__uint32_t__PartitionStart, static_cast<unsigned long long>(m__Result.m__uint64_t__Sectors)));
    WalkIntegrity(l__Volume.m__uint32_t__IntegrityLength, l__Volume.m__uint32_t__IntegritySector);
    if (l__Volume.m__uint16_t__FileSetPartition != 0) Problem("the File Set Descriptor lies in another partition");
    WalkFileSet(l__Volume.m__uint32_t__FileSetBlock);

    // What holds across the tree: link counts, unique ids.
    std::map<uint64_t, uint32_t> l__UniqueIds;
    for (const Entry& l__Entry : m__Result.m__Entries) {
        if (!m__EntryOfBlock.emplace(l__Entry.m__uint32_t__FileEntryBlock, 0).second) continue;  // a second name of one file
        const size_t l__size_t__Names = m__Identifiers[l__Entry.m__uint32_t__FileEntryBlock];
        if (l__Entry.m__uint16_t__LinkCount != l__size_t__Names)
            Problem(l__Entry.m__string__Path + Format(": link count %u, %zu File Identifiers name it", l__Entry.m__uint16_t__LinkCount, l__size_t__Names));
        auto [l__Other, l__bool__New] = l__UniqueIds.emplace(l__Entry.m__uint64_t__UniqueId, l__Entry.m__uint32_t__FileEntryBlock);
        if (!l__bool__New)
            Problem(l__Entry.m__string__Path + Format(": unique id %llu is also that of the File Entry at block %u",
                                                      static_cast<unsigned long long>(l__Entry.m__uint64_t__UniqueId), l__Other->second));
        if (m__uint64_t__NextUniqueId != 0 && l__Entry.m__uint64_t__UniqueId >= m__uint64_t__NextUniqueId)
            Problem(l__Entry.m__string__Path + Format(": unique id %llu, the integrity descriptor's next unique id is %llu",
                                                      static_cast<unsigned long long>(l__Entry.m__uint64_t__UniqueId),
                                                      static_cast<unsigned long long>(m__uint64_t__NextUniqueId)));
    }
    return m__Result;
}

std::vector<std::string> UdfWalker::CompareWithDirectory(const std::string& p__string__Directory,
                                                         const std::function<std::string(const std::string&)>& p__NameOf,
                                                         uint64_t p__uint64_t__CompareUpTo) const {
    namespace fs = std::filesystem;
    std::vector<std::string> l__Differences;
    std::map<std::string, fs::path> l__OnDisk;
    std::vector<std::pair<fs::path, std::string>> l__Pending{{fs::path(p__string__Directory), ""}};
    while (!l__Pending.empty()) {
        auto [l__Path, l__string__Prefix] = l__Pending.back();
        l__Pending.pop_back();
        for (const fs::directory_entry& l__Item : fs::directory_iterator(l__Path)) {
            const std::string l__string__Path = l__string__Prefix + "/" + p__NameOf(l__Item.path().filename().string());
            l__OnDisk[l__string__Path] = l__Item.path();
            if (l__Item.is_directory() && !l__Item.is_symlink()) l__Pending.emplace_back(l__Item.path(), l__string__Path);
        }
    }
    std::set<std::string> l__InImage;
    for (const Entry& l__Entry : m__Result.m__Entries) {
        if (l__Entry.m__string__Path == "/") continue;
        l__InImage.insert(l__Entry.m__string__Path);
        auto l__Found = l__OnDisk.find(l__Entry.m__string__Path);
        if (l__Found == l__OnDisk.end()) {
            l__Differences.push_back(l__Entry.m__string__Path + ": in the image only");
            continue;
        }
        const bool l__bool__Directory = fs::is_directory(l__Found->second);
        if (l__bool__Directory != l__Entry.m__bool__IsDirectory) {
            l__Differences.push_back(l__Entry.m__string__Path + ": a directory on one side only");
            continue;
        }
        if (l__bool__Directory) continue;
        const uint64_t l__uint64_t__Size = fs::file_size(l__Found->second);
        if (l__uint64_t__Size != l__Entry.m__uint64_t__InformationLength) {
            l__Differences.push_back(l__Entry.m__string__Path + Format(": %llu bytes in the image, %llu on disk",
                                                                       static_cast<unsigned long long>(l__Entry.m__uint64_t__InformationLength),
                                                                       static_cast<unsigned long long>(l__uint64_t__Size)));
            continue;
        }
        if (l__uint64_t__Size > p__uint64_t__CompareUpTo) continue;
        std::ifstream l__Stream(l__Found->second, std::ios::binary);
        std::string l__string__Disk(static_cast<size_t>(l__uint64_t__Size), '\0');
        l__Stream.read(l__string__Disk.data(), static_cast<std::streamsize>(l__uint64_t__Size));
        std::string l__string__Image, l__string__Why;
        if (!ReadContents(l__Entry, &l__string__Image, 0, UINT64_MAX, &l__string__Why))
            l__Differences.push_back(l__Entry.m__string__Path + ": cannot be read: " + l__string__Why);
        else if (l__string__Image != l__string__Disk)
            l__Differences.push_back(l__Entry.m__string__Path + ": the bytes differ");
    }
    for (const auto& [l__string__Path, l__Path] : l__OnDisk)
        if (l__InImage.count(l__string__Path) == 0) l__Differences.push_back(l__string__Path + ": on disk only");
    return l__Differences;
}
