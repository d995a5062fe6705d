#pragma once
// MDS descriptors written byte by byte from their layout, for the tests of the parser and of
// raw Session-At-Once: header (88 bytes), one session block (24), one data block (80) per
// track, one file block (16) per track and the image file names. The bytes stay open to the
// test, which may break any of them.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace MdsTestFile {

struct Track {
    uint8_t m__Mode;        // low 3 bits: 0 not a track, 1 sound, 2 Mode 1, above Mode 2 kinds
    uint8_t m__Subchannel;  // bits 3-5: sub type, 1 interleaved P-W
    uint32_t m__Size;       // blocks, 0 for "take it from the image file"
    std::string m__Name;
};

constexpr uint8_t SOUND = 0xA9, MODE1 = 0xAA, MODE2_FORM1 = 0xAC, NOT_A_TRACK = 0x00;
constexpr uint8_t SUB_PW = 0x08;

// Where the parts of a built descriptor are.
struct Layout {
    uint32_t m__Session = 88;
    uint32_t m__FirstDataBlock = 112;
    uint32_t DataBlock(size_t p__Index) const { return m__FirstDataBlock + 80 * static_cast<uint32_t>(p__Index); }
    uint32_t m__FirstFileBlock = 0;
    uint32_t FileBlock(size_t p__Index) const { return m__FirstFileBlock + 16 * static_cast<uint32_t>(p__Index); }
    std::vector<uint32_t> m__Names;
};

inline void Put16(std::vector<uint8_t>& p__Bytes, size_t p__At, uint32_t p__Value) {
    p__Bytes[p__At] = static_cast<uint8_t>(p__Value);
    p__Bytes[p__At + 1] = static_cast<uint8_t>(p__Value >> 8);
}
inline void Put32(std::vector<uint8_t>& p__Bytes, size_t p__At, uint32_t p__Value) {
    for (int i = 0; i < 4; ++i) p__Bytes[p__At + i] = static_cast<uint8_t>(p__Value >> (8 * i));
}

inline std::vector<uint8_t> Build(const std::vector<Track>& p__Tracks, Layout* p__Layout = nullptr) {
    Layout l__Layout;
    l__Layout.m__FirstFileBlock = l__Layout.DataBlock(p__Tracks.size());
    uint32_t l__NameAt = l__Layout.FileBlock(p__Tracks.size());
    for (const Track& t : p__Tracks) {
        l__Layout.m__Names.push_back(l__NameAt);
        l__NameAt += static_cast<uint32_t>(t.m__Name.size() + 1);
    }
    std::vector<uint8_t> b(l__NameAt, 0);
    std::memcpy(b.data(), "MEDIA DESCRIPTOR", 16);
    b[16] = 1;  // version, not read
    b[18] = 0;  // CD
    Put16(b, 20, 1);
    Put32(b, 80, l__Layout.m__Session);
    b[l__Layout.m__Session + 10] = static_cast<uint8_t>(p__Tracks.size());
    Put32(b, l__Layout.m__Session + 20, l__Layout.m__FirstDataBlock);
    for (size_t i = 0; i < p__Tracks.size(); ++i) {
        const Track& t = p__Tracks[i];
        b[l__Layout.DataBlock(i)] = t.m__Mode;
        b[l__Layout.DataBlock(i) + 1] = t.m__Subchannel;
        Put32(b, l__Layout.DataBlock(i) + 52, l__Layout.FileBlock(i));
        Put32(b, l__Layout.FileBlock(i), l__Layout.m__Names[i]);
        Put32(b, l__Layout.FileBlock(i) + 8, t.m__Size);
        std::memcpy(b.data() + l__Layout.m__Names[i], t.m__Name.data(), t.m__Name.size());
    }
    if (p__Layout) *p__Layout = l__Layout;
    return b;
}

inline void Write(const std::string& p__Path, const std::vector<uint8_t>& p__Bytes) {
    std::ofstream l__File(p__Path, std::ios::binary | std::ios::trunc);
    l__File.write(reinterpret_cast<const char*>(p__Bytes.data()), static_cast<std::streamsize>(p__Bytes.size()));
}

}  // namespace MdsTestFile
