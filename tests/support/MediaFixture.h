#pragma once
// Test helpers shared by the byte-source and audio tests: small file writers,
// open-descriptor counting and running the external media tools.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ExternalTool.h"
#include "ScratchDirectory.h"

namespace media {

inline void WriteFile(const std::string& p__Path, const std::vector<unsigned char>& p__Bytes) {
    std::ofstream l__Out(p__Path, std::ios::binary | std::ios::trunc);
    l__Out.write(reinterpret_cast<const char*>(p__Bytes.data()), static_cast<std::streamsize>(p__Bytes.size()));
}

inline std::vector<unsigned char> ReadFile(const std::string& p__Path) {
    std::ifstream l__In(p__Path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(l__In)), std::istreambuf_iterator<char>());
}

// Bytes 0, 1, 2, ... (mod 251, so that no block repeats at a power-of-two stride) from a start value.
inline std::vector<unsigned char> Pattern(size_t p__Size, unsigned p__Start = 0) {
    std::vector<unsigned char> l__Bytes(p__Size);
    for (size_t i = 0; i < p__Size; ++i) l__Bytes[i] = static_cast<unsigned char>((p__Start + i) % 251);
    return l__Bytes;
}

// A 44-byte WAV header with the given rate and channels, followed by the data.
inline std::vector<unsigned char> WaveFile(unsigned p__Rate, unsigned p__Channels,
                                           const std::vector<unsigned char>& p__Data) {
    std::vector<unsigned char> l__Bytes(44 + p__Data.size());
    auto l__Put32 = [&](size_t p__At, unsigned p__Value) {
        for (int i = 0; i < 4; ++i) l__Bytes[p__At + i] = static_cast<unsigned char>(p__Value >> (8 * i));
    };
    auto l__Put16 = [&](size_t p__At, unsigned p__Value) {
        l__Bytes[p__At] = static_cast<unsigned char>(p__Value);
        l__Bytes[p__At + 1] = static_cast<unsigned char>(p__Value >> 8);
    };
    std::copy_n("RIFF", 4, l__Bytes.begin());
    l__Put32(4, static_cast<unsigned>(p__Data.size() + 36));
    std::copy_n("WAVEfmt ", 8, l__Bytes.begin() + 8);
    l__Put32(16, 16);
    l__Put16(20, 1);
    l__Put16(22, p__Channels);
    l__Put32(24, p__Rate);
    l__Put32(28, p__Rate * p__Channels * 2);
    l__Put16(32, p__Channels * 2);
    l__Put16(34, 16);
    std::copy_n("data", 4, l__Bytes.begin() + 36);
    l__Put32(40, static_cast<unsigned>(p__Data.size()));
    if (!p__Data.empty()) std::memcpy(l__Bytes.data() + 44, p__Data.data(), p__Data.size());
    return l__Bytes;
}

inline size_t CountOpenDescriptors() {
    size_t l__Count = 0;
    for ([[maybe_unused]] auto& l__Entry : std::filesystem::directory_iterator("/proc/self/fd")) ++l__Count;
    return l__Count;
}

// Runs a shell command quietly; true when it exits 0.
inline bool Run(const std::string& p__Command) {
    std::string l__Command = p__Command + " >/dev/null 2>&1";
    return std::system(l__Command.c_str()) == 0;
}

// What `ffmpeg -i FILE -f s16le -ar 44100 -ac 2` makes of a file.
inline std::vector<unsigned char> FfmpegPcm(const std::string& p__Input, const std::string& p__Scratch) {
    std::string l__Out = p__Scratch + ".ref.pcm";
    if (!Run("ffmpeg -nostdin -v error -y -i '" + p__Input + "' -f s16le -ar 44100 -ac 2 '" + l__Out + "'")) {
        ADD_FAILURE() << "ffmpeg could not decode " << p__Input;
        return {};
    }
    return ReadFile(l__Out);
}

}  // namespace media
