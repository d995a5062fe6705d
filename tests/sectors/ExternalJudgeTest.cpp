// The codec's sectors judged by a third-party tool: chdman (Debian mame-tools) strips the
// P/Q parity of every raw sector whose parity its own ECMA-130 code verifies, and computes
// it afresh on extraction. Our sectors must therefore shrink by the parity size against a
// control image whose parity is spoiled, and come back byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "ExternalTool.h"
#include "ScratchDirectory.h"
#include "SectorCodec.h"

namespace {

namespace fs = std::filesystem;

constexpr int g__int__Sectors = 300;

std::vector<char> ReadFile(const fs::path& p__Path) {
    std::ifstream l__Stream(p__Path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(l__Stream), std::istreambuf_iterator<char>());
}

// Writes a one-track raw image of Mode 1 or Mode 2 Form 1 sectors with random user data;
// with p__bool__Spoil one Q parity byte of every sector is changed.
void WriteImage(const fs::path& p__Base, bool p__bool__Form1, bool p__bool__Spoil) {
    std::mt19937 l__Generator(2352);
    std::ofstream l__Bin(p__Base.string() + ".bin", std::ios::binary);
    for (LONG l__LONG__LBA = 0; l__LONG__LBA < g__int__Sectors; ++l__LONG__LBA) {
        UCHAR l__UCHAR__Sector[2352];
        for (UCHAR& l__UCHAR__Byte : l__UCHAR__Sector) l__UCHAR__Byte = static_cast<UCHAR>(l__Generator());
        if (p__bool__Form1) {
            l__UCHAR__Sector[18] &= static_cast<UCHAR>(~0x20);
            std::copy(l__UCHAR__Sector + 16, l__UCHAR__Sector + 20, l__UCHAR__Sector + 20);
        }
        EncodeSector(l__UCHAR__Sector, p__bool__Form1 ? g__LONG__EncodeMode2Form1 : g__LONG__EncodeMode1, l__LONG__LBA);
        if (p__bool__Spoil) l__UCHAR__Sector[2300] ^= 0x01;
        l__Bin.write(reinterpret_cast<const char*>(l__UCHAR__Sector), sizeof(l__UCHAR__Sector));
    }
    std::ofstream l__Cue(p__Base.string() + ".cue");
    l__Cue << "FILE \"" << p__Base.filename().string() << ".bin\" BINARY\n  TRACK 01 "
           << (p__bool__Form1 ? "MODE2/2352" : "MODE1/2352") << "\n    INDEX 01 00:00:00\n";
}

// Compresses the image and extracts it again; the size of the compressed file.
uintmax_t RoundTrip(const fs::path& p__Base) {
    std::string l__Base = p__Base.string();
    std::string l__Create = "chdman createcd -f -i '" + l__Base + ".cue' -o '" + l__Base + ".chd' >/dev/null 2>&1";
    std::string l__Extract = "chdman extractcd -f -i '" + l__Base + ".chd' -o '" + l__Base + "-out.cue' -ob '" + l__Base +
                             "-out.bin' >/dev/null 2>&1";
    EXPECT_EQ(std::system(l__Create.c_str()), 0) << l__Create;
    EXPECT_EQ(std::system(l__Extract.c_str()), 0) << l__Extract;
    EXPECT_EQ(ReadFile(l__Base + ".bin"), ReadFile(l__Base + "-out.bin")) << "the extracted image differs";
    std::error_code l__Error;
    return fs::file_size(l__Base + ".chd", l__Error);
}

TEST(ExternalJudge, ChdmanVerifiesAndRegeneratesOurParity) {
    REQUIRE_TOOL("chdman");  // Debian package mame-tools
    ScratchDirectory l__Scratch("tarnwick-sectors");
    const fs::path l__Directory = l__Scratch.Path();
    for (bool l__bool__Form1 : {false, true}) {
        std::string l__Name = l__bool__Form1 ? "form1" : "mode1";
        WriteImage(l__Directory / l__Name, l__bool__Form1, false);
        WriteImage(l__Directory / (l__Name + "-spoilt"), l__bool__Form1, true);
        uintmax_t l__Ours = RoundTrip(l__Directory / l__Name);
        uintmax_t l__Spoilt = RoundTrip(l__Directory / (l__Name + "-spoilt"));
        // 276 parity bytes a sector are left out when they verify; random user data does not compress.
        EXPECT_GT(l__Spoilt, l__Ours + uintmax_t(g__int__Sectors) * 250) << l__Name << ": ours " << l__Ours
                                                                          << ", spoilt " << l__Spoilt;
    }
}

}  // namespace
