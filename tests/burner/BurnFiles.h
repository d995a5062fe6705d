#pragma once
// Files and bytes the burns onto the recorder are made of: patterned data whose blocks
// differ, PCM whose sectors differ, and WAV files that hold PCM as it is.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace BurnFiles {

using Bytes = std::vector<uint8_t>;

inline Bytes Pattern(size_t p__Size, unsigned p__Seed) {
    Bytes l__Data(p__Size);
    for (size_t i = 0; i < p__Size; ++i) l__Data[i] = static_cast<uint8_t>((i * 29 + i / 2048 + p__Seed * 7) & 0xFF);
    return l__Data;
}

inline Bytes PaddedTo(Bytes p__Data, size_t p__BlockSize) {
    p__Data.resize((p__Data.size() + p__BlockSize - 1) / p__BlockSize * p__BlockSize, 0);
    return p__Data;
}

inline void WriteFile(const std::string& p__Name, const Bytes& p__Data) {
    std::ofstream(p__Name, std::ios::binary).write(reinterpret_cast<const char*>(p__Data.data()),
                                                     static_cast<std::streamsize>(p__Data.size()));
}

inline Bytes ReadFile(const std::string& p__Name) {
    std::ifstream l__Stream(p__Name, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
}

// A WAV file of 16-bit stereo samples at 44.1 kHz holding the PCM bytes as they are.
inline void WriteWav(const std::string& p__Name, const Bytes& p__Pcm) {
    Bytes l__File(44);
    auto l__Put32 = [&](size_t p__At, uint32_t p__Value) {
        for (int i = 0; i < 4; ++i) l__File[p__At + i] = static_cast<uint8_t>(p__Value >> (8 * i));
    };
    auto l__Put16 = [&](size_t p__At, uint16_t p__Value) {
        l__File[p__At] = static_cast<uint8_t>(p__Value);
        l__File[p__At + 1] = static_cast<uint8_t>(p__Value >> 8);
    };
    std::memcpy(&l__File[0], "RIFF", 4);
    l__Put32(4, static_cast<uint32_t>(36 + p__Pcm.size()));
    std::memcpy(&l__File[8], "WAVEfmt ", 8);
    l__Put32(16, 16);
    l__Put16(20, 1);
    l__Put16(22, 2);
    l__Put32(24, 44100);
    l__Put32(28, 44100 * 4);
    l__Put16(32, 4);
    l__Put16(34, 16);
    std::memcpy(&l__File[36], "data", 4);
    l__Put32(40, static_cast<uint32_t>(p__Pcm.size()));
    l__File.insert(l__File.end(), p__Pcm.begin(), p__Pcm.end());
    WriteFile(p__Name, l__File);
}

// PCM whose samples change from sector to sector, so that a misplaced sector shows.
inline Bytes Pcm(size_t p__Sectors, size_t p__Extra, unsigned p__Seed) {
    Bytes l__Pcm(p__Sectors * 2352 + p__Extra);
    for (size_t i = 0; i < l__Pcm.size(); ++i) l__Pcm[i] = static_cast<uint8_t>((i / 2352 * 3 + i * 5 + p__Seed * 11) & 0xFF);
    return l__Pcm;
}

}  // namespace BurnFiles
