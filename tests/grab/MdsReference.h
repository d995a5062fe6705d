#pragma once
// Reads an MDS descriptor field by field at the offsets of the published layout, written
// here on its own so that the toolkit's writer is judged by code it does not share.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace MdsReference {

inline uint32_t U16(const std::vector<uint8_t>& p__File, size_t p__At) {
    return p__At + 2 <= p__File.size() ? uint32_t(p__File[p__At]) | uint32_t(p__File[p__At + 1]) << 8 : 0xDEADu;
}
inline uint32_t U32(const std::vector<uint8_t>& p__File, size_t p__At) {
    return p__At + 4 <= p__File.size() ? U16(p__File, p__At) | U16(p__File, p__At + 2) << 16 : 0xDEADBEEFu;
}
inline uint64_t U64(const std::vector<uint8_t>& p__File, size_t p__At) {
    return uint64_t(U32(p__File, p__At)) | uint64_t(U32(p__File, p__At + 4)) << 32;
}

// One data block as a reader sees it, with its extra and file blocks followed.
struct Entry {
    uint8_t m__Mode, m__Subchannel, m__AdrControl, m__Point, m__Minute, m__Second, m__Frame;
    uint32_t m__SectorSize;
    int32_t m__StartSector;
    uint64_t m__StartOffset;
    uint32_t m__Files;
    uint32_t m__Pregap, m__Length;  // the extra block
    uint32_t m__FileSize;           // the file block's size at its offset 8
    std::string m__Name;
};

struct Descriptor {
    int32_t m__SessionStart, m__SessionEnd;
    uint32_t m__SessionNumber, m__AllBlocks, m__LeadInBlocks, m__FirstTrack, m__LastTrack;
    std::vector<Entry> m__Entries;
};

// Checks the header (signature, CD, one session) and reads the session's data blocks.
inline Descriptor Read(const std::vector<uint8_t>& p__File) {
    Descriptor l__D{};
    EXPECT_GE(p__File.size(), 88u);
    if (p__File.size() < 88) return l__D;
    EXPECT_EQ(std::string(p__File.begin(), p__File.begin() + 16), "MEDIA DESCRIPTOR");
    EXPECT_EQ(p__File[16], 1);  // format version 1.x
    EXPECT_EQ(U16(p__File, 18), 0u) << "medium type CD";
    EXPECT_EQ(U16(p__File, 20), 1u) << "sessions";
    const size_t l__Session = U32(p__File, 80);
    EXPECT_EQ(l__Session, 88u);
    l__D.m__SessionStart = static_cast<int32_t>(U32(p__File, l__Session));
    l__D.m__SessionEnd = static_cast<int32_t>(U32(p__File, l__Session + 4));
    l__D.m__SessionNumber = U16(p__File, l__Session + 8);
    l__D.m__AllBlocks = p__File[l__Session + 10];
    l__D.m__LeadInBlocks = p__File[l__Session + 11];
    l__D.m__FirstTrack = U16(p__File, l__Session + 12);
    l__D.m__LastTrack = U16(p__File, l__Session + 14);
    const size_t l__Blocks = U32(p__File, l__Session + 20);
    for (uint32_t i = 0; i < l__D.m__AllBlocks; ++i) {
        const size_t b = l__Blocks + 80 * i;
        EXPECT_LE(b + 80, p__File.size());
        if (b + 80 > p__File.size()) break;
        Entry e{};
        e.m__Mode = p__File[b];
        e.m__Subchannel = p__File[b + 1];
        e.m__AdrControl = p__File[b + 2];
        e.m__Point = p__File[b + 4];
        e.m__Minute = p__File[b + 9];
        e.m__Second = p__File[b + 10];
        e.m__Frame = p__File[b + 11];
        const size_t l__Extra = U32(p__File, b + 12);
        e.m__Pregap = U32(p__File, l__Extra);
        e.m__Length = U32(p__File, l__Extra + 4);
        e.m__SectorSize = U16(p__File, b + 16);
        e.m__StartSector = static_cast<int32_t>(U32(p__File, b + 36));
        e.m__StartOffset = U64(p__File, b + 40);
        e.m__Files = U32(p__File, b + 48);
        if (e.m__Mode != 0) {
            const size_t l__FileBlock = U32(p__File, b + 52);
            e.m__FileSize = U32(p__File, l__FileBlock + 8);
            EXPECT_EQ(p__File[l__FileBlock + 4], 0) << "8-bit name";
            for (size_t n = U32(p__File, l__FileBlock); n < p__File.size() && p__File[n] != 0; ++n) e.m__Name += char(p__File[n]);
        }
        l__D.m__Entries.push_back(e);
    }
    return l__D;
}

// The track sizes a reader derives (the file block's size less 150 for every track, the
// last given its 150 back) and where a raw Session-At-Once burn of the image puts each
// track's index 1 from them: after the image's first track, every track starts 150 pre-gap
// blocks after the previous one's length ends. Returns the starts and, last, the lead-out.
inline std::vector<long> RawBurnLayout(const Descriptor& p__D) {
    std::vector<long> l__Lengths;
    for (const Entry& e : p__D.m__Entries)
        if ((e.m__Mode & 7) != 0) l__Lengths.push_back(long(e.m__FileSize) - 150);
    if (!l__Lengths.empty()) l__Lengths.back() += 150;
    std::vector<long> l__Starts;
    long l__At = 0;
    for (size_t i = 0; i < l__Lengths.size(); ++i) {
        if (i != 0) l__At += 150;
        l__Starts.push_back(l__At);
        l__At += l__Lengths[i];
    }
    l__Starts.push_back(l__At);
    return l__Starts;
}

}  // namespace MdsReference
