// Images written through the recorder and exported again, judged by isoinfo, xorriso and bchunk.
#include <gtest/gtest.h>

#include "VdiscTestDrive.h"

namespace {

int Tool(const std::string& p__string__Arguments) { return VdiscTestDrive::Shell(std::string(TARNWICK_VDISC_TOOL) + " " + p__string__Arguments); }

// A small ISO9660/Joliet image of a directory with a few files; returns its path.
std::string MakeIso(const std::string& p__string__Dir, const std::string& p__string__Name, const std::string& p__string__Extra) {
    const std::string l__string__Source = p__string__Dir + "/" + p__string__Name + "-src";
    EXPECT_EQ(VdiscTestDrive::Shell("mkdir -p '" + l__string__Source + "/sub' && head -c 300000 /dev/urandom > '" + l__string__Source +
                                    "/big.bin' && echo hello > '" + l__string__Source + "/sub/" + p__string__Name + ".txt'"),
              0);
    const std::string l__string__Iso = p__string__Dir + "/" + p__string__Name + ".iso";
    EXPECT_EQ(VdiscTestDrive::Shell("genisoimage -quiet -R -J " + p__string__Extra + " -o '" + l__string__Iso + "' '" + l__string__Source + "' 2>/dev/null"), 0);
    return l__string__Iso;
}

void WriteImage(VdiscTestDrive& p__Drive, int32_t p__LONG__Start, const std::vector<uint8_t>& p__Image) {
    const uint32_t l__ULONG__Blocks = static_cast<uint32_t>(p__Image.size() / 2048);
    for (uint32_t l__ULONG__Done = 0; l__ULONG__Done < l__ULONG__Blocks;) {
        const uint32_t l__ULONG__Count = std::min(30u, l__ULONG__Blocks - l__ULONG__Done);
        std::vector<uint8_t> l__Packet(p__Image.begin() + static_cast<long>(l__ULONG__Done) * 2048,
                                       p__Image.begin() + static_cast<long>(l__ULONG__Done + l__ULONG__Count) * 2048);
        ASSERT_TRUE(p__Drive.Write(p__LONG__Start + static_cast<int32_t>(l__ULONG__Done), l__ULONG__Count, l__Packet).Ok());
        l__ULONG__Done += l__ULONG__Count;
    }
}

void ExpectReadersAccept(const std::string& p__string__Iso, const std::string& p__string__Name) {
    EXPECT_EQ(VdiscTestDrive::Shell("isoinfo -d -i '" + p__string__Iso + "' > /dev/null 2>&1"), 0);
    EXPECT_EQ(VdiscTestDrive::Shell("isoinfo -J -f -i '" + p__string__Iso + "' 2>/dev/null | grep -q '/sub/" + p__string__Name + ".txt'"), 0);
    EXPECT_EQ(VdiscTestDrive::Shell("xorriso -abort_on FAILURE -indev '" + p__string__Iso + "' -find / -name big.bin 2>/dev/null | grep -q big.bin"), 0);
}

TEST(VdiscImages, IsoWrittenTrackAtOnceOnCdRAndDvdPlusRExportsIdentically) {
    REQUIRE_TOOL("genisoimage");
    REQUIRE_TOOL("isoinfo");
    REQUIRE_TOOL("xorriso");
    for (VdiscMediumKind l__Kind : {VdiscMediumKind::CdR, VdiscMediumKind::DvdPlusR}) {
        VdiscTestDrive l__Drive(l__Kind);
        const std::string l__string__Iso = MakeIso(l__Drive.Dir(), "first", "");
        const std::vector<uint8_t> l__Image = VdiscTestDrive::ReadFile(l__string__Iso);
        ASSERT_EQ(l__Image.size() % 2048, 0u);
        ASSERT_TRUE(l__Drive.SetWriteParameters(1, 8, 4, 3, 0x00).Ok());
        const int32_t l__LONG__Nwa = static_cast<int32_t>(VdiscTestDrive::Be32(l__Drive.TrackInfo(0xFF).m__Data, 12));
        WriteImage(l__Drive, l__LONG__Nwa, l__Image);
        ASSERT_TRUE(l__Drive.Sync().Ok());
        if (l__Kind == VdiscMediumKind::CdR) {
            ASSERT_TRUE(l__Drive.Close(2, 0).Ok());
        } else {
            ASSERT_TRUE(l__Drive.Close(1, 1).Ok());
            ASSERT_TRUE(l__Drive.Close(5, 0).Ok());
        }
        const std::string l__string__Out = l__Drive.Dir() + "/out.iso";
        ASSERT_EQ(Tool("export '" + l__Drive.File() + "' --track 1 '" + l__string__Out + "'"), 0);
        EXPECT_TRUE(VdiscTestDrive::ReadFile(l__string__Out) == l__Image);
        ExpectReadersAccept(l__string__Out, "first");
    }
}

TEST(VdiscImages, SecondSessionExportCarriesTheFirstSessionsFiles) {
    REQUIRE_TOOL("genisoimage");
    REQUIRE_TOOL("isoinfo");
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    const std::string l__string__First = MakeIso(l__Drive.Dir(), "first", "");
    ASSERT_TRUE(l__Drive.SetWriteParameters(1, 8, 4, 3, 0x00).Ok());
    WriteImage(l__Drive, 0, VdiscTestDrive::ReadFile(l__string__First));
    ASSERT_TRUE(l__Drive.Sync().Ok());
    ASSERT_TRUE(l__Drive.Close(2, 0).Ok());
    const int32_t l__LONG__Nwa = static_cast<int32_t>(VdiscTestDrive::Be32(l__Drive.TrackInfo(0xFF).m__Data, 12));
    const std::string l__string__Second =
        MakeIso(l__Drive.Dir(), "second", "-C 0," + std::to_string(l__LONG__Nwa) + " -M '" + l__string__First + "'");
    WriteImage(l__Drive, l__LONG__Nwa, VdiscTestDrive::ReadFile(l__string__Second));
    ASSERT_TRUE(l__Drive.Sync().Ok());
    ASSERT_TRUE(l__Drive.Close(2, 0).Ok());
    const std::string l__string__Out = l__Drive.Dir() + "/out2.iso";
    ASSERT_EQ(Tool("export '" + l__Drive.File() + "' --track 2 '" + l__string__Out + "'"), 0);
    const std::string l__string__Session = " -T " + std::to_string(l__LONG__Nwa) + " -i '" + l__string__Out + "'";
    EXPECT_EQ(VdiscTestDrive::Shell("isoinfo -J -f" + l__string__Session + " 2>/dev/null | grep -q '/sub/first.txt'"), 0);
    EXPECT_EQ(VdiscTestDrive::Shell("isoinfo -J -f" + l__string__Session + " 2>/dev/null | grep -q '/sub/second.txt'"), 0);
    EXPECT_EQ(VdiscTestDrive::Shell("isoinfo -J -x /sub/first.txt" + l__string__Session + " 2>/dev/null | grep -q hello"), 0);
}

TEST(VdiscImages, IsoWrittenSessionAtOnceExportsIdentically) {
    REQUIRE_TOOL("genisoimage");
    REQUIRE_TOOL("isoinfo");
    REQUIRE_TOOL("xorriso");
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    const std::string l__string__Iso = MakeIso(l__Drive.Dir(), "sao", "");
    const std::vector<uint8_t> l__Image = VdiscTestDrive::ReadFile(l__string__Iso);
    const int32_t l__LONG__Blocks = static_cast<int32_t>(l__Image.size() / 2048);
    ASSERT_TRUE(l__Drive.SetWriteParameters(2, 8, 4, 0, 0x00).Ok());
    const int32_t l__LONG__LeadOut = l__LONG__Blocks + 150;
    std::vector<uint8_t> l__Cue = {0x41, 0x00, 0x00, 0x14, 0, 0, 0, 0, 0x41, 0x01, 0x00, 0x10, 0, 0, 0, 0, 0x41, 0x01, 0x01, 0x10, 0, 0, 2, 0,
                                   0x41, 0xAA, 0x01, 0x14, 0, static_cast<uint8_t>(l__LONG__LeadOut / 4500), static_cast<uint8_t>(l__LONG__LeadOut / 75 % 60),
                                   static_cast<uint8_t>(l__LONG__LeadOut % 75)};
    ASSERT_TRUE(l__Drive.Out({0x5D, 0, 0, 0, 0, 0, 0, 0, 32, 0}, l__Cue).Ok());
    for (int32_t l__LONG__Lba = -150; l__LONG__Lba < 0; l__LONG__Lba += 10)
        ASSERT_TRUE(l__Drive.Write(l__LONG__Lba, 10, std::vector<uint8_t>(10 * 2048, 0)).Ok());
    WriteImage(l__Drive, 0, l__Image);
    ASSERT_TRUE(l__Drive.Sync().Ok());
    const std::string l__string__Out = l__Drive.Dir() + "/out.iso";
    ASSERT_EQ(Tool("export '" + l__Drive.File() + "' --track 1 '" + l__string__Out + "'"), 0);
    EXPECT_TRUE(VdiscTestDrive::ReadFile(l__string__Out) == l__Image);
    ExpectReadersAccept(l__string__Out, "sao");
}

TEST(VdiscImages, AudioTrackExportedAsCueSplitsBackIntoTheSameSamples) {
    REQUIRE_TOOL("bchunk");
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    // PCM of a WAV file: 44.1 kHz, 16-bit stereo, a whole number of 2352-byte sectors.
    std::vector<uint8_t> l__Pcm(2352 * 120);
    for (size_t l__size_t__I = 0; l__size_t__I < l__Pcm.size(); ++l__size_t__I) l__Pcm[l__size_t__I] = static_cast<uint8_t>((l__size_t__I * 131) ^ (l__size_t__I >> 9));
    ASSERT_TRUE(l__Drive.SetWriteParameters(1, 0, 0, 0, 0x00).Ok());
    for (uint32_t l__ULONG__Done = 0; l__ULONG__Done < 120; l__ULONG__Done += 20)
        ASSERT_TRUE(l__Drive.Write(static_cast<int32_t>(l__ULONG__Done), 20,
                                   std::vector<uint8_t>(l__Pcm.begin() + l__ULONG__Done * 2352, l__Pcm.begin() + (l__ULONG__Done + 20) * 2352))
                        .Ok());
    ASSERT_TRUE(l__Drive.Sync().Ok());
    // A data track after it, so that the CUE sheet holds both kinds.
    ASSERT_TRUE(l__Drive.SetWriteParameters(1, 8, 4, 0, 0x00).Ok());
    ASSERT_TRUE(l__Drive.Write(270, 10, std::vector<uint8_t>(10 * 2048, 0x77)).Ok());
    ASSERT_TRUE(l__Drive.Sync().Ok());
    ASSERT_TRUE(l__Drive.Close(2, 0).Ok());
    const std::string l__string__Cue = l__Drive.Dir() + "/disc.cue";
    ASSERT_EQ(Tool("export '" + l__Drive.File() + "' --cue '" + l__string__Cue + "'"), 0);
    const std::vector<uint8_t> l__CueText = VdiscTestDrive::ReadFile(l__string__Cue);
    const std::string l__string__Text(l__CueText.begin(), l__CueText.end());
    EXPECT_NE(l__string__Text.find("TRACK 01 AUDIO"), std::string::npos);
    EXPECT_NE(l__string__Text.find("TRACK 02 MODE1/2352"), std::string::npos);
    EXPECT_NE(l__string__Text.find("INDEX 00 00:01:45"), std::string::npos);  // pre-gap of track 2 at LBA 120
    ASSERT_EQ(VdiscTestDrive::Shell("cd '" + l__Drive.Dir() + "' && bchunk -w disc.bin disc.cue track > /dev/null"), 0);
    const std::vector<uint8_t> l__Wav = VdiscTestDrive::ReadFile(l__Drive.Dir() + "/track01.wav");
    ASSERT_GE(l__Wav.size(), 44u);
    EXPECT_TRUE(std::vector<uint8_t>(l__Wav.begin() + 44, l__Wav.end()) == l__Pcm);
    const std::vector<uint8_t> l__Data = VdiscTestDrive::ReadFile(l__Drive.Dir() + "/track02.iso");
    ASSERT_GE(l__Data.size(), 10u * 2048);
    EXPECT_TRUE(std::vector<uint8_t>(l__Data.begin(), l__Data.begin() + 10 * 2048) == std::vector<uint8_t>(10 * 2048, 0x77));
}

}  // namespace
