// Session-At-Once discs written through the command interface, read back through READ TOC and
// READ TRACK INFORMATION, and exported as BIN/CUE for outside readers (bchunk, cd-info).
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>

#include "VdiscTestDrive.h"

namespace {

// One track of the session: its cue sheet data form (00h audio, 10h Mode 1, 20h Mode 2), length
// and the pre-gap beyond the usual 150 blocks.
struct PlannedTrack {
    uint8_t m__UCHAR__Form;
    int32_t m__LONG__Blocks;
    int32_t m__LONG__ExtraGap = 0;
};

uint32_t BlockSize(uint8_t p__UCHAR__Form) { return p__UCHAR__Form == 0x00 ? 2352 : p__UCHAR__Form == 0x10 ? 2048 : 2336; }

// What the host sends for the block at LBA: different for every block and every byte position.
std::vector<uint8_t> HostBlock(int32_t p__LONG__Lba, uint32_t p__ULONG__Size) {
    std::vector<uint8_t> l__Block(p__ULONG__Size);
    for (uint32_t l__ULONG__I = 0; l__ULONG__I < p__ULONG__Size; ++l__ULONG__I)
        l__Block[l__ULONG__I] = static_cast<uint8_t>(p__LONG__Lba * 37 + l__ULONG__I * 11 + (l__ULONG__I >> 8) + 0x5B);
    return l__Block;
}

// Bytes FIRST to FIRST+COUNT of every host block of LBAs [START, END), one after the other.
std::vector<uint8_t> HostBytes(int32_t p__LONG__Start, int32_t p__LONG__End, uint32_t p__ULONG__Size, uint32_t p__ULONG__First, uint32_t p__ULONG__Count) {
    std::vector<uint8_t> l__Bytes;
    for (int32_t l__LONG__Lba = p__LONG__Start; l__LONG__Lba < p__LONG__End; ++l__LONG__Lba) {
        const std::vector<uint8_t> l__Block = HostBlock(l__LONG__Lba, p__ULONG__Size);
        l__Bytes.insert(l__Bytes.end(), l__Block.begin() + p__ULONG__First, l__Block.begin() + p__ULONG__First + p__ULONG__Count);
    }
    return l__Bytes;
}

// A session as the engine sends it: every track with a pre-gap (index 0) of 150 blocks or more before its
// index 1, the lead-out after the last track; then the WRITEs from -150 on and SYNCHRONIZE CACHE.
class SessionAtOnceDisc {
public:
    SessionAtOnceDisc(VdiscTestDrive& p__Drive, const std::vector<PlannedTrack>& p__Tracks) : m__Tracks(p__Tracks) {
        auto l__Control = [](uint8_t p__UCHAR__Form) -> uint8_t { return p__UCHAR__Form == 0x00 ? 0x01 : 0x41; };
        auto l__DriveForm = [](uint8_t p__UCHAR__Form) -> uint8_t { return p__UCHAR__Form == 0x00 ? 0x01 : p__UCHAR__Form == 0x20 ? 0x24 : 0x14; };
        const uint8_t l__UCHAR__First = p__Tracks.front().m__UCHAR__Form, l__UCHAR__Last = p__Tracks.back().m__UCHAR__Form;
        std::vector<uint8_t> l__Cue;
        VdiscTestDrive::CueEntry(l__Cue, l__Control(l__UCHAR__First), 0, 0, l__DriveForm(l__UCHAR__First), -150);
        int32_t l__LONG__At = -150;
        for (size_t l__size_t__K = 0; l__size_t__K < p__Tracks.size(); ++l__size_t__K) {
            const PlannedTrack& l__Track = p__Tracks[l__size_t__K];
            const uint8_t l__UCHAR__Number = static_cast<uint8_t>(l__size_t__K + 1);
            VdiscTestDrive::CueEntry(l__Cue, l__Control(l__Track.m__UCHAR__Form), l__UCHAR__Number, 0, l__Track.m__UCHAR__Form, l__LONG__At);
            const int32_t l__LONG__Start = l__LONG__At + 150 + l__Track.m__LONG__ExtraGap;
            VdiscTestDrive::CueEntry(l__Cue, l__Control(l__Track.m__UCHAR__Form), l__UCHAR__Number, 1, l__Track.m__UCHAR__Form, l__LONG__Start);
            m__Pregaps.push_back(l__LONG__At);
            m__Starts.push_back(l__LONG__Start);
            l__LONG__At = l__LONG__Start + l__Track.m__LONG__Blocks;
        }
        VdiscTestDrive::CueEntry(l__Cue, l__Control(l__UCHAR__Last), 0xAA, 1, l__DriveForm(l__UCHAR__Last), l__LONG__At);
        m__LONG__LeadOut = l__LONG__At;
        const bool l__bool__Mode2 = l__UCHAR__First == 0x20;
        EXPECT_TRUE(p__Drive.SetWriteParameters(2, 8, 4, 0, l__bool__Mode2 ? 0x20 : 0x00).Ok());
        EXPECT_TRUE(p__Drive.SendCue(l__Cue).Ok());
        for (size_t l__size_t__K = 0; l__size_t__K < p__Tracks.size(); ++l__size_t__K) {
            const uint32_t l__ULONG__Size = BlockSize(p__Tracks[l__size_t__K].m__UCHAR__Form);
            for (int32_t l__LONG__Lba = m__Pregaps[l__size_t__K]; l__LONG__Lba < End(l__size_t__K);) {
                const uint32_t l__ULONG__Count = static_cast<uint32_t>(std::min<int32_t>(25, End(l__size_t__K) - l__LONG__Lba));
                std::vector<uint8_t> l__Data;
                for (uint32_t l__ULONG__I = 0; l__ULONG__I < l__ULONG__Count; ++l__ULONG__I) {
                    const std::vector<uint8_t> l__Block = HostBlock(l__LONG__Lba + static_cast<int32_t>(l__ULONG__I), l__ULONG__Size);
                    l__Data.insert(l__Data.end(), l__Block.begin(), l__Block.end());
                }
                EXPECT_TRUE(p__Drive.Write(l__LONG__Lba, l__ULONG__Count, l__Data).Ok()) << "WRITE at " << l__LONG__Lba;
                l__LONG__Lba += static_cast<int32_t>(l__ULONG__Count);
            }
        }
        EXPECT_TRUE(p__Drive.Sync().Ok());
    }

    int32_t Pregap(size_t p__size_t__K) const { return m__Pregaps[p__size_t__K]; }
    int32_t Start(size_t p__size_t__K) const { return m__Starts[p__size_t__K]; }
    // Where track K ends: the pre-gap of the next track or the lead-out.
    int32_t End(size_t p__size_t__K) const { return p__size_t__K + 1 < m__Starts.size() ? m__Pregaps[p__size_t__K + 1] : m__LONG__LeadOut; }
    int32_t LeadOut() const { return m__LONG__LeadOut; }
    size_t Count() const { return m__Tracks.size(); }
    uint8_t Form(size_t p__size_t__K) const { return m__Tracks[p__size_t__K].m__UCHAR__Form; }

private:
    std::vector<PlannedTrack> m__Tracks;
    std::vector<int32_t> m__Pregaps, m__Starts;
    int32_t m__LONG__LeadOut = 0;
};

std::string Text(const std::string& p__string__Path) {
    const std::vector<uint8_t> l__Bytes = VdiscTestDrive::ReadFile(p__string__Path);
    return std::string(l__Bytes.begin(), l__Bytes.end());
}

std::string Name(const char* p__PCHAR__Prefix, size_t p__size_t__Track, const char* p__PCHAR__Suffix) {
    char l__CHAR__Name[64];
    std::snprintf(l__CHAR__Name, sizeof(l__CHAR__Name), "%s%02zu%s", p__PCHAR__Prefix, p__size_t__Track, p__PCHAR__Suffix);
    return l__CHAR__Name;
}

// Exports the disc as DIR/disc.cue with DIR/disc.bin.
void ExportCue(VdiscTestDrive& p__Drive) {
    ASSERT_EQ(VdiscTestDrive::Shell(std::string(TARNWICK_VDISC_TOOL) + " export '" + p__Drive.File() + "' --cue '" + p__Drive.Dir() + "/disc.cue'"), 0);
}

// The start of every track and of the lead-out (as 0) from READ TOC, by track number.
std::map<int, int32_t> TocStarts(VdiscTestDrive& p__Drive) {
    std::map<int, int32_t> l__Starts;
    const VdiscTestDrive::Result l__Toc = p__Drive.Toc(0, false);
    EXPECT_TRUE(l__Toc.Ok());
    for (size_t l__size_t__At = 4; l__size_t__At + 8 <= l__Toc.m__Data.size() && l__size_t__At < 2 + VdiscTestDrive::Be16(l__Toc.m__Data, 0); l__size_t__At += 8)
        l__Starts[l__Toc.m__Data[l__size_t__At + 2] == 0xAA ? 0 : l__Toc.m__Data[l__size_t__At + 2]] = static_cast<int32_t>(VdiscTestDrive::Be32(l__Toc.m__Data, l__size_t__At + 4));
    return l__Starts;
}

// The track list cd-info reads from DIR/disc.cue: track number (0 for the lead-out) to LSN.
std::map<int, int32_t> CdInfoStarts(VdiscTestDrive& p__Drive) {
    const std::string l__string__Out = p__Drive.Dir() + "/cd-info.txt";
    EXPECT_EQ(VdiscTestDrive::Shell("cd '" + p__Drive.Dir() + "' && cd-info --no-device-info --cue-file disc.cue > cd-info.txt 2>&1"), 0);
    const std::string l__string__Text = Text(l__string__Out);
    std::map<int, int32_t> l__Starts;
    const std::regex l__Row(R"(\n\s*(\d+): \d\d:\d\d:\d\d\s+(\d+) )");
    for (std::sregex_iterator l__It(l__string__Text.begin(), l__string__Text.end(), l__Row), l__End; l__It != l__End; ++l__It) {
        const int l__int__Track = std::stoi((*l__It)[1]);
        l__Starts[l__int__Track == 170 ? 0 : l__int__Track] = std::stoi((*l__It)[2]);
    }
    EXPECT_FALSE(l__Starts.empty()) << l__string__Text;
    return l__Starts;
}

// Splits DIR/disc.bin by DIR/disc.cue with bchunk into WAV files and checks that each holds the
// samples the host sent for its track, from index 1 to the next track's pre-gap or the lead-out.
void ExpectWavsHoldTheTracks(VdiscTestDrive& p__Drive, const SessionAtOnceDisc& p__Disc, size_t p__size_t__First) {
    ASSERT_EQ(VdiscTestDrive::Shell("cd '" + p__Drive.Dir() + "' && bchunk -w disc.bin disc.cue track > /dev/null"), 0);
    for (size_t l__size_t__K = p__size_t__First; l__size_t__K < p__Disc.Count(); ++l__size_t__K) {
        SCOPED_TRACE("track " + std::to_string(l__size_t__K + 1));
        const std::vector<uint8_t> l__Wav = VdiscTestDrive::ReadFile(p__Drive.Dir() + "/" + Name("track", l__size_t__K + 1, ".wav"));
        ASSERT_GE(l__Wav.size(), 44u);
        EXPECT_TRUE(std::vector<uint8_t>(l__Wav.begin() + 44, l__Wav.end()) == HostBytes(p__Disc.Start(l__size_t__K), p__Disc.End(l__size_t__K), 2352, 0, 2352))
            << "WAV of " << l__Wav.size() - 44 << " bytes";
    }
}

TEST(VdiscCueExport, FifteenAudioTracksLandWhereTheCueSheetSaysAndSplitBackIntoTheirSamples) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    std::vector<PlannedTrack> l__Plan;
    for (int32_t l__LONG__K = 0; l__LONG__K < 15; ++l__LONG__K) l__Plan.push_back({0x00, 300 + 7 * l__LONG__K});
    const SessionAtOnceDisc l__Disc(l__Drive, l__Plan);
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(l__Drive.DiscInfo().m__Data[2] & 3, 2);  // closed by the drive
    // READ TOC and READ TRACK INFORMATION place every track, 10 to 15 too, at its index 1.
    const std::map<int, int32_t> l__Toc = TocStarts(l__Drive);
    ASSERT_EQ(l__Toc.size(), 16u);
    for (size_t l__size_t__K = 0; l__size_t__K < l__Disc.Count(); ++l__size_t__K) {
        SCOPED_TRACE("track " + std::to_string(l__size_t__K + 1));
        EXPECT_EQ(l__Toc.at(static_cast<int>(l__size_t__K + 1)), l__Disc.Start(l__size_t__K));
        const VdiscTestDrive::Result l__Info = l__Drive.TrackInfo(static_cast<uint32_t>(l__size_t__K + 1));
        ASSERT_TRUE(l__Info.Ok());
        EXPECT_EQ(l__Info.m__Data[2], l__size_t__K + 1);
        EXPECT_EQ(VdiscTestDrive::Be32(l__Info.m__Data, 8), static_cast<uint32_t>(l__Disc.Start(l__size_t__K)));
        EXPECT_EQ(VdiscTestDrive::Be32(l__Info.m__Data, 24), static_cast<uint32_t>(l__Disc.End(l__size_t__K) - l__Disc.Start(l__size_t__K)));
    }
    EXPECT_EQ(l__Toc.at(0), l__Disc.LeadOut());
    // The info listing shows each track's start, pre-gap start and length.
    const std::string l__string__Info = l__Drive.Dir() + "/info.txt";
    ASSERT_EQ(VdiscTestDrive::Shell(std::string(TARNWICK_VDISC_TOOL) + " info '" + l__Drive.File() + "' > '" + l__string__Info + "'"), 0);
    const std::string l__string__Listing = Text(l__string__Info);
    for (size_t l__size_t__K = 0; l__size_t__K < l__Disc.Count(); ++l__size_t__K) {
        const std::string l__string__Row = "\n\\s+" + std::to_string(l__size_t__K + 1) + "\\s+1\\s+Audio\\s+" + std::to_string(l__Disc.Start(l__size_t__K)) + "\\s+" +
                                           std::to_string(l__Disc.Pregap(l__size_t__K)) + "\\s+" +
                                           std::to_string(l__Disc.End(l__size_t__K) - l__Disc.Start(l__size_t__K)) + "\\s";
        EXPECT_TRUE(std::regex_search(l__string__Listing, std::regex(l__string__Row))) << l__string__Row << " in\n" << l__string__Listing;
    }

    ExportCue(l__Drive);
    ASSERT_FALSE(HasFailure());
    REQUIRE_TOOL("bchunk");
    ExpectWavsHoldTheTracks(l__Drive, l__Disc, 0);
    REQUIRE_TOOL("cd-info");
    EXPECT_EQ(CdInfoStarts(l__Drive), l__Toc);
}

TEST(VdiscCueExport, MixedModeAndMode2DiscsExportForOutsideReaders) {
    {
        SCOPED_TRACE("Mode 1 track 1, then audio");
        VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
        const SessionAtOnceDisc l__Disc(l__Drive, {{0x10, 400}, {0x00, 320}, {0x00, 333}});
        ASSERT_FALSE(HasFailure());
        ExportCue(l__Drive);
        ASSERT_FALSE(HasFailure());
        const std::string l__string__Cue = Text(l__Drive.Dir() + "/disc.cue");
        EXPECT_NE(l__string__Cue.find("TRACK 01 MODE1/2352"), std::string::npos) << l__string__Cue;
        EXPECT_NE(l__string__Cue.find("TRACK 02 AUDIO"), std::string::npos) << l__string__Cue;
        // The BIN holds LBA 0 up to the lead-out, 2352 bytes a block.
        EXPECT_EQ(VdiscTestDrive::ReadFile(l__Drive.Dir() + "/disc.bin").size(), static_cast<size_t>(l__Disc.LeadOut()) * 2352);
        REQUIRE_TOOL("bchunk");
        ExpectWavsHoldTheTracks(l__Drive, l__Disc, 1);
        EXPECT_TRUE(VdiscTestDrive::ReadFile(l__Drive.Dir() + "/track01.iso") == HostBytes(l__Disc.Start(0), l__Disc.End(0), 2048, 0, 2048));
        REQUIRE_TOOL("cd-info");
        EXPECT_EQ(CdInfoStarts(l__Drive), TocStarts(l__Drive));
    }
    {
        SCOPED_TRACE("Mode 2 tracks from 2336-byte blocks");
        VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
        const SessionAtOnceDisc l__Disc(l__Drive, {{0x20, 310}, {0x20, 305}});
        ASSERT_FALSE(HasFailure());
        ExportCue(l__Drive);
        ASSERT_FALSE(HasFailure());
        const std::string l__string__Cue = Text(l__Drive.Dir() + "/disc.cue");
        EXPECT_NE(l__string__Cue.find("TRACK 01 MODE2/2352"), std::string::npos) << l__string__Cue;
        EXPECT_NE(l__string__Cue.find("TRACK 02 MODE2/2352"), std::string::npos) << l__string__Cue;
        REQUIRE_TOOL("bchunk");
        // Raw: every sector is sync, header (its address in BCD, mode 2), then the host's 2336 bytes.
        ASSERT_EQ(VdiscTestDrive::Shell("cd '" + l__Drive.Dir() + "' && bchunk -r disc.bin disc.cue raw > /dev/null"), 0);
        for (size_t l__size_t__K = 0; l__size_t__K < 2; ++l__size_t__K) {
            const std::vector<uint8_t> l__Raw = VdiscTestDrive::ReadFile(l__Drive.Dir() + "/" + Name("raw", l__size_t__K + 1, ".iso"));
            const int32_t l__LONG__Blocks = l__Disc.End(l__size_t__K) - l__Disc.Start(l__size_t__K);
            ASSERT_EQ(l__Raw.size(), static_cast<size_t>(l__LONG__Blocks) * 2352);
            std::vector<uint8_t> l__Payload;
            for (int32_t l__LONG__I = 0; l__LONG__I < l__LONG__Blocks; ++l__LONG__I) {
                const uint8_t* l__PUCHAR__Sector = l__Raw.data() + static_cast<size_t>(l__LONG__I) * 2352;
                const int32_t l__LONG__Frames = l__Disc.Start(l__size_t__K) + l__LONG__I + 150;
                auto l__Bcd = [](int32_t p__LONG__Value) { return static_cast<uint8_t>(p__LONG__Value / 10 * 16 + p__LONG__Value % 10); };
                const std::vector<uint8_t> l__Head = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00,
                                                      l__Bcd(l__LONG__Frames / 4500), l__Bcd(l__LONG__Frames / 75 % 60), l__Bcd(l__LONG__Frames % 75), 0x02};
                ASSERT_TRUE(std::equal(l__Head.begin(), l__Head.end(), l__PUCHAR__Sector)) << "sector " << l__LONG__I;
                l__Payload.insert(l__Payload.end(), l__PUCHAR__Sector + 16, l__PUCHAR__Sector + 2352);
            }
            EXPECT_TRUE(l__Payload == HostBytes(l__Disc.Start(l__size_t__K), l__Disc.End(l__size_t__K), 2336, 0, 2336));
        }
        // Cooked: the 2048 bytes after the 8-byte sub-header.
        ASSERT_EQ(VdiscTestDrive::Shell("cd '" + l__Drive.Dir() + "' && bchunk disc.bin disc.cue track > /dev/null"), 0);
        EXPECT_TRUE(VdiscTestDrive::ReadFile(l__Drive.Dir() + "/track02.iso") == HostBytes(l__Disc.Start(1), l__Disc.End(1), 2336, 8, 2048));
        REQUIRE_TOOL("cd-info");
        EXPECT_EQ(CdInfoStarts(l__Drive), TocStarts(l__Drive));
    }
    {
        SCOPED_TRACE("audio with longer pre-gaps, track 1's reaching past LBA 0");
        VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
        const SessionAtOnceDisc l__Disc(l__Drive, {{0x00, 300, 75}, {0x00, 310, 30}});
        ASSERT_FALSE(HasFailure());
        ExportCue(l__Drive);
        ASSERT_FALSE(HasFailure());
        const std::string l__string__Cue = Text(l__Drive.Dir() + "/disc.cue");
        EXPECT_NE(l__string__Cue.find("TRACK 01 AUDIO\n    INDEX 00 00:00:00\n    INDEX 01 00:01:00\n"), std::string::npos) << l__string__Cue;
        EXPECT_NE(l__string__Cue.find("TRACK 02 AUDIO\n    INDEX 00 00:05:00\n    INDEX 01 00:07:30\n"), std::string::npos) << l__string__Cue;
        REQUIRE_TOOL("bchunk");
        ExpectWavsHoldTheTracks(l__Drive, l__Disc, 0);
        REQUIRE_TOOL("cd-info");
        EXPECT_EQ(CdInfoStarts(l__Drive), TocStarts(l__Drive));
    }
}

// An export that cannot be completed (here: the file size limit stops the BIN) fails and leaves
// the files of an earlier export as they were, with no partial file beside them.
TEST(VdiscCueExport, FailedExportLeavesEarlierFilesUntouched) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    const SessionAtOnceDisc l__Disc(l__Drive, {{0x10, 1000}});
    ASSERT_FALSE(HasFailure());
    const std::string l__string__Dir = l__Drive.Dir();
    const std::vector<uint8_t> l__Earlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r', '\n'};
    for (const char* l__PCHAR__Name : {"/disc.cue", "/disc.bin", "/track.iso"}) VdiscTestDrive::WriteFile(l__string__Dir + l__PCHAR__Name, l__Earlier);
    const std::string l__string__Limited = "cd '" + l__string__Dir + "' && trap '' XFSZ && ulimit -f 1000 && " + TARNWICK_VDISC_TOOL + " export '" + l__Drive.File() + "' ";
    EXPECT_NE(VdiscTestDrive::Shell(l__string__Limited + "--cue disc.cue 2> /dev/null"), 0);
    EXPECT_NE(VdiscTestDrive::Shell(l__string__Limited + "--track 1 track.iso 2> /dev/null"), 0);
    for (const char* l__PCHAR__Name : {"/disc.cue", "/disc.bin", "/track.iso"}) {
        EXPECT_TRUE(VdiscTestDrive::ReadFile(l__string__Dir + l__PCHAR__Name) == l__Earlier) << l__PCHAR__Name;
        // No temporary file (named after the output) is left beside it.
        EXPECT_NE(VdiscTestDrive::Shell(std::string("ls '") + l__string__Dir + "' | grep -q '^" + (l__PCHAR__Name + 1) + ".'"), 0)
            << l__PCHAR__Name;
    }
    // Without the limit the same exports replace them.
    ExportCue(l__Drive);
    EXPECT_EQ(VdiscTestDrive::ReadFile(l__string__Dir + "/disc.bin").size(), static_cast<size_t>(l__Disc.LeadOut()) * 2352);
    EXPECT_NE(Text(l__string__Dir + "/disc.cue").find("TRACK 01 MODE1/2352"), std::string::npos);
}

}  // namespace
