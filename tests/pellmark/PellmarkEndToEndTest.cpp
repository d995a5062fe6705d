// The Pellmark program burns onto virtual recorders; tarnwick-vdisc reads back what the
// disc holds, and the recorder's command log shows what the drive received.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "PellmarkRun.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Commands = std::vector<PellmarkRun::Command>;

size_t Count(const Commands& p__Commands, uint8_t p__Op) {
    return static_cast<size_t>(std::count_if(p__Commands.begin(), p__Commands.end(),
                                             [&](const PellmarkRun::Command& c) { return c.m__Cdb[0] == p__Op; }));
}

// CLOSE TRACK/SESSION commands as (byte 1, byte 2, byte 5).
std::vector<Bytes> Closes(const Commands& p__Commands) {
    std::vector<Bytes> l__Closes;
    for (const PellmarkRun::Command& c : p__Commands)
        if (c.m__Cdb[0] == 0x5B) l__Closes.push_back({c.m__Cdb[1], c.m__Cdb[2], c.m__Cdb[5]});
    return l__Closes;
}

uint32_t Be32(const Bytes& p__Cdb, size_t p__At) {
    return (uint32_t{p__Cdb[p__At]} << 24) | (uint32_t{p__Cdb[p__At + 1]} << 16) | (uint32_t{p__Cdb[p__At + 2]} << 8) |
           p__Cdb[p__At + 3];
}

bool EjectedLast(const Commands& p__Commands) {
    return !p__Commands.empty() && p__Commands.back().m__Cdb[0] == 0x1B && (p__Commands.back().m__Cdb[4] & 0x03) == 0x02 &&
           p__Commands.back().m__Outcome == "GOOD";
}

bool Has(const std::string& p__Text, const std::string& p__Part) { return p__Text.find(p__Part) != std::string::npos; }

// Position of a line in the console text (npos when absent).
size_t At(const std::string& p__Text, const std::string& p__Part) { return p__Text.find(p__Part); }

long long Number(const std::string& p__Text, const std::string& p__After) {
    size_t l__At = p__Text.find(p__After);
    return l__At == std::string::npos ? -1 : std::stoll(p__Text.substr(l__At + p__After.size()));
}

const char* const SUCCESSFUL_END =
    "Pellmark:main(): Ejecting the disc... OK!\n\nPellmark:main(): EXITing with success\n";

class PellmarkEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_TOOL("genisoimage"); }
    PellmarkRun m__Run;
};

TEST_F(PellmarkEndToEnd, EveryMediumGetsTheImageClosesItsWayAndIsEjected) {
    const std::string l__Image = m__Run.MakeIso("image.iso", 700 * 1024);
    const Bytes l__Expected = PellmarkRun::ReadFile(l__Image);
    struct Medium {
        const char* m__Name;
        std::vector<Bytes> m__Closes;
        bool m__Reserves;
        bool m__Formats;
    } const l__Media[] = {
        {"cdr", {{0x01, 0x02, 0x00}}, false, false},      // generic immediate close of the session
        {"cdrw", {{0x01, 0x02, 0x00}}, false, false},
        {"dvdr", {}, true, false},                         // reserved track written Session-At-Once: nothing to close
        {"dvdrw-ro", {}, true, false},
        {"dvdplusr", {{0x01, 0x01, 0x01}, {0x01, 0x02, 0x00}}, false, false},  // track 1, then the session (appendable)
        {"dvdplusrw", {{0x00, 0x02, 0x00}}, false, true},  // formatted first; synchronous close
        {"dvdram", {}, false, true},
        {"bdr", {{0x01, 0x01, 0x01}, {0x01, 0x02, 0x00}}, false, false},  // BD-R: track 1, then the session
        {"bdre", {}, false, true},                         // formatted first; nothing to close
    };
    for (const Medium& l__Medium : l__Media) {
        SCOPED_TRACE(l__Medium.m__Name);
        m__Run.Insert(l__Medium.m__Name);
        PellmarkRun::Result l__Result = m__Run.Burn(l__Image);
        ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
        EXPECT_TRUE(l__Result.m__Out.ends_with(SUCCESSFUL_END)) << l__Result.m__Out;
        EXPECT_EQ(m__Run.ExportTrack(1), l__Expected);

        const Commands l__Commands = m__Run.Commands();
        EXPECT_TRUE(EjectedLast(l__Commands));
        EXPECT_EQ(Closes(l__Commands), l__Medium.m__Closes);
        for (const PellmarkRun::Command& c : l__Commands)
            if (c.m__Cdb[0] == 0x2A || c.m__Cdb[0] == 0x5B) {
                EXPECT_EQ(c.m__Outcome, "GOOD");
            }
        const long long l__Blocks = Number(l__Result.m__Out, ", LBs ");
        EXPECT_EQ(l__Blocks, static_cast<long long>(l__Expected.size() / 2048));
        auto l__Reserve = std::find_if(l__Commands.begin(), l__Commands.end(), [](auto& c) { return c.m__Cdb[0] == 0x53; });
        ASSERT_EQ(l__Reserve != l__Commands.end(), l__Medium.m__Reserves);
        if (l__Medium.m__Reserves) {
            EXPECT_EQ(Be32(l__Reserve->m__Cdb, 5), static_cast<uint32_t>(l__Blocks + 1));
        }
        EXPECT_EQ(Count(l__Commands, 0x04), l__Medium.m__Formats ? 1u : 0u);

        if (std::string(l__Medium.m__Name) == "dvdplusrw") {
            // The format callbacks come between the analysis and the cache wait.
            const std::string& o = l__Result.m__Out;
            EXPECT_LT(At(o, "TARGET_FILE_ANALYZE_END"), At(o, "\nPellmark:Callback(): DVDPLUSRW_FORMAT_BEGIN\n"));
            EXPECT_LT(At(o, "DVDPLUSRW_FORMAT_BEGIN"), At(o, "Pellmark:Callback(): DVDPLUSRW_FORMAT_END\n"));
            EXPECT_LT(At(o, "DVDPLUSRW_FORMAT_END"), At(o, "WAIT_CACHE_FULL_BEGIN"));
            EXPECT_NE(At(o, "WAIT_CACHE_FULL_BEGIN"), std::string::npos);
        } else {
            EXPECT_FALSE(Has(l__Result.m__Out, "DVDPLUSRW_FORMAT"));
        }
        if (std::string(l__Medium.m__Name) == "bdre") {
            const std::string& o = l__Result.m__Out;
            EXPECT_LT(At(o, "TARGET_FILE_ANALYZE_END"), At(o, "\nPellmark:Callback(): BDRE_FORMAT_BEGIN\n"));
            EXPECT_LT(At(o, "BDRE_FORMAT_BEGIN"), At(o, "Pellmark:Callback(): BDRE_FORMAT_END\n"));
            EXPECT_LT(At(o, "BDRE_FORMAT_END"), At(o, "WAIT_CACHE_FULL_BEGIN"));
        } else {
            EXPECT_FALSE(Has(l__Result.m__Out, "BDRE_FORMAT"));
        }
        std::string l__Info;
        ASSERT_EQ(m__Run.Vdisc("info {}", &l__Info), 0);
        if (std::string(l__Medium.m__Name).starts_with("cd")) {
            EXPECT_TRUE(Has(l__Info, "session 1: closed")) << l__Info;
        }
    }
}

// A dual-layer BD-RE is formatted with its own default spare areas (the drive's first row for
// two layers), and the image lands at LBA 0 of the formatted disc.
TEST_F(PellmarkEndToEnd, DualLayerBdReIsFormattedWithItsOwnDefaultSpareAreas) {
    const std::string l__Image = m__Run.MakeIso("image.iso", 300 * 1024);
    m__Run.Insert("bdre", "--layers 2");
    PellmarkRun::Result l__Result = m__Run.Burn(l__Image);
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
    EXPECT_TRUE(Has(l__Result.m__Out, "Disc type: 16\n")) << l__Result.m__Out;
    EXPECT_EQ(m__Run.ExportTrack(1), PellmarkRun::ReadFile(l__Image));
    std::string l__Info;
    ASSERT_EQ(m__Run.Vdisc("info {}", &l__Info), 0);
    EXPECT_TRUE(Has(l__Info, "23652352")) << l__Info;
    EXPECT_EQ(Count(m__Run.Commands(), 0x04), 1u);
}

TEST_F(PellmarkEndToEnd, ConsoleOfASuccessfulBurnIsThePellmarkLines) {
    // 4 MB at 1,000 KB/s: the write lasts about four seconds, so progress is reported.
    const std::string l__Image = m__Run.MakeIso("image.iso", 4 * 1000 * 1000);
    m__Run.Insert("cdr", "--write-speed 1000");
    PellmarkRun::Result l__Result = m__Run.Burn(l__Image);
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
    const std::string l__Expected = PellmarkRun::SourceText("tests/pellmark/golden/burn-cdr.txt");
    ASSERT_FALSE(l__Expected.empty());
    std::vector<long long> l__Percentages;
    EXPECT_EQ(PellmarkRun::MaskedConsole(l__Result.m__Out, {{l__Image, "<IMAGE>"}}, l__Percentages), l__Expected);
    ASSERT_FALSE(l__Percentages.empty());
    EXPECT_GE(l__Percentages.front(), 1);
    EXPECT_LE(l__Percentages.back(), 100);
    // Growing, and never the same percentage twice.
    EXPECT_TRUE(std::adjacent_find(l__Percentages.begin(), l__Percentages.end(),
                                   [](long long a, long long b) { return b <= a; }) == l__Percentages.end())
        << ::testing::PrintToString(l__Percentages);
}

TEST_F(PellmarkEndToEnd, ShortCommandLineGivesTheUsageWithoutStartingTheToolkit) {
    // Had the toolkit started, the recorder would have made this disc file.
    const std::string l__Untouched = m__Run.Dir() + "/untouched-disc";
    PellmarkRun::Result l__Result = m__Run.Pellmark({"0", "0", "0", "0", "image.iso", "0"}, "virtual:" + l__Untouched);
    EXPECT_EQ(l__Result.m__Exit, 87);
    EXPECT_EQ(l__Result.m__Out,
              "\nPellmark:main(): ENTERed for 7 argument(s)\n"
              "\nPellmark:main(): EXITing with failure!!!\n\n"
              "Pellmark:main(): SCSI address, ISO/sound file name, is test write, is close session required!!!\n"
              "Pellmark:main(): Example: Pellmark.exe 0 0 1 0 c:\\corvel.iso 0 1\n");
    EXPECT_EQ(l__Result.m__Err, "");
    EXPECT_FALSE(std::filesystem::exists(l__Untouched));
}

TEST_F(PellmarkEndToEnd, MissingImageExitsWithItsErrno) {
    const std::string l__Untouched = m__Run.Dir() + "/untouched-disc";
    const std::string l__Missing = m__Run.Dir() + "/no-such.iso";
    PellmarkRun::Result l__Result = m__Run.Pellmark({"0", "0", "0", "0", l__Missing, "0", "1"}, "virtual:" + l__Untouched);
    EXPECT_EQ(l__Result.m__Exit, 2);  // ENOENT
    EXPECT_EQ(l__Result.m__Out, "\nPellmark:main(): ENTERed for 8 argument(s)\n"
                                "\nPellmark:main(): Opening '" + l__Missing + "'... "
                                "\n\nPellmark:main(): EXITing with failure!!!\n"
                                "\nPellmark:main(): CreateFile( '" + l__Missing + "' ) failed, status 2\n");
    EXPECT_FALSE(std::filesystem::exists(l__Untouched));
}

TEST_F(PellmarkEndToEnd, DriveWithoutTrackAtOnceStopsBeforeTestUnitReady) {
    const std::string l__Image = m__Run.MakeIso("image.iso", 100 * 1024);
    m__Run.Insert("cdr");
    ASSERT_EQ(m__Run.Vdisc("fault {} --refuse-write-type 1"), 0);
    PellmarkRun::Result l__Result = m__Run.Burn(l__Image);
    EXPECT_EQ(l__Result.m__Exit, 31);
    EXPECT_TRUE(Has(l__Result.m__Out, "Pellmark:main(): Track-At-Once: No, Session-At-Once: Yes, "));
    EXPECT_TRUE(l__Result.m__Out.ends_with("\n\nPellmark:main(): Track-At-Once is unsupported!!!\n"
                                           "\nPellmark:main(): EXITing with failure\n"))
        << l__Result.m__Out;
    EXPECT_FALSE(Has(l__Result.m__Out, "Testing unit ready"));
    const Commands l__Commands = m__Run.Commands();
    EXPECT_FALSE(l__Commands.empty());
    EXPECT_EQ(Count(l__Commands, 0x00), 0u);
    EXPECT_EQ(Count(l__Commands, 0x2A), 0u);
}

// A drive without SET CD SPEED and SEND OPC INFORMATION still burns to success; without
// CLOSE TRACK/SESSION as well, the disc is ejected but left open, and the run ends with the
// close's number so that a script does not take it for a success.
TEST_F(PellmarkEndToEnd, FailedSpeedAndCalibrationAreHarmlessAFailedCloseIsNot) {
    const std::string l__Image = m__Run.MakeIso("image.iso", 300 * 1024);
    for (const bool l__bool__RefuseClose : {false, true}) {
        SCOPED_TRACE(l__bool__RefuseClose);
        m__Run.Insert("cdr");
        ASSERT_EQ(m__Run.Vdisc(std::string("fault {} --refuse 0xBB --refuse 0x54") +
                               (l__bool__RefuseClose ? " --refuse 0x5B" : "")),
                  0);
        PellmarkRun::Result l__Result = m__Run.Burn(l__Image);
        EXPECT_EQ(l__Result.m__Exit, l__bool__RefuseClose ? 8 : 0) << l__Result.m__Out;
        const std::string& o = l__Result.m__Out;
        EXPECT_TRUE(Has(o, "\n\nPellmark:main(): WARNING! Tarnwick_CdvdBurnerGrabber_SetSpeeds() failed, exception 8, "
                           "status 31, text '"));
        EXPECT_TRUE(Has(o, "Pellmark:main(): Sending OPC (Optimum Power Calibration)... Failed!\n"
                           "Pellmark:main(): Writing the stuff to the CD/DVD disc >>>\n"));
        EXPECT_EQ(Has(o, "Pellmark:main(): Closing session... \n\nPellmark:main(): "
                         "Tarnwick_CdvdBurnerGrabber_CloseSession() failed, exception 8, status 31, text '"),
                  l__bool__RefuseClose);
        EXPECT_TRUE(o.ends_with(l__bool__RefuseClose ? "Pellmark:main(): Ejecting the disc... OK!\n"
                                                       "\nPellmark:main(): EXITing with failure\n"
                                                     : SUCCESSFUL_END))
            << o;
        EXPECT_EQ(m__Run.ExportTrack(1), PellmarkRun::ReadFile(l__Image));
        const Commands l__Commands = m__Run.Commands();
        EXPECT_TRUE(EjectedLast(l__Commands));
        // A refused immediate close is followed by the synchronous one.
        EXPECT_EQ(Closes(l__Commands), l__bool__RefuseClose
                                           ? (std::vector<Bytes>{{0x01, 0x02, 0x00}, {0x00, 0x02, 0x00}})
                                           : (std::vector<Bytes>{{0x01, 0x02, 0x00}}));
        std::string l__Info;
        ASSERT_EQ(m__Run.Vdisc("info {}", &l__Info), 0);
        EXPECT_EQ(Has(l__Info, "session 1: closed"), !l__bool__RefuseClose) << l__Info;
    }
}

TEST_F(PellmarkEndToEnd, RefusedImmediateCloseFallsBackAndHp9100ClosesSynchronously) {
    const std::string l__Image = m__Run.MakeIso("image.iso", 200 * 1024);
    struct Case {
        const char* m__Media;
        const char* m__Options;
        const char* m__Fault;
        std::vector<Bytes> m__Closes;
        std::vector<std::string> m__Outcomes;
    } const l__Cases[] = {
        // The refused immediate close is followed by a synchronous one.
        {"cdr", "", "--refuse-immed-close", {{0x01, 0x02, 0x00}, {0x00, 0x02, 0x00}}, {"CHECK 05/24/00", "GOOD"}},
        // That drive model closes CD media synchronously at once...
        {"cdr", "--vendor HP --product 'DVD Writer 9100'", "", {{0x00, 0x02, 0x00}}, {"GOOD"}},
        // ...and DVD media the way the disc type says.
        {"dvdplusr", "--vendor HP --product 'DVD Writer 9100'", "", {{0x01, 0x01, 0x01}, {0x01, 0x02, 0x00}}, {"GOOD", "GOOD"}},
    };
    for (const Case& l__Case : l__Cases) {
        SCOPED_TRACE(std::string(l__Case.m__Media) + " " + l__Case.m__Options + " " + l__Case.m__Fault);
        m__Run.Insert(l__Case.m__Media, l__Case.m__Options);
        if (*l__Case.m__Fault != '\0') {
            ASSERT_EQ(m__Run.Vdisc(std::string("fault {} ") + l__Case.m__Fault), 0);
        }
        PellmarkRun::Result l__Result = m__Run.Burn(l__Image);
        ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
        EXPECT_TRUE(Has(l__Result.m__Out, "Pellmark:main(): Closing session... OK!\n"));
        const Commands l__Commands = m__Run.Commands();
        EXPECT_EQ(Closes(l__Commands), l__Case.m__Closes);
        std::vector<std::string> l__Outcomes;
        for (const PellmarkRun::Command& c : l__Commands)
            if (c.m__Cdb[0] == 0x5B) l__Outcomes.push_back(c.m__Outcome);
        EXPECT_EQ(l__Outcomes, l__Case.m__Outcomes);
        EXPECT_TRUE(EjectedLast(l__Commands));
        std::string l__Info;
        ASSERT_EQ(m__Run.Vdisc("info {}", &l__Info), 0);
        EXPECT_TRUE(Has(l__Info, "session 1: closed") || Has(l__Info, "complete (finalised)")) << l__Info;
    }
}

TEST_F(PellmarkEndToEnd, TestWriteLeavesTheDiscBlankWithoutCalibrationOrClose) {
    const std::string l__Image = m__Run.MakeIso("image.iso", 300 * 1024);
    m__Run.Insert("cdr");
    PellmarkRun::Result l__Result = m__Run.Burn(l__Image, "1", "1");
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
    const std::string& o = l__Result.m__Out;
    EXPECT_TRUE(Has(o, "Pellmark:main(): Skipping send OPC (Optimum Power Calibration) in test mode... OK!\n"
                       "Pellmark:main(): Writing the stuff (simulating) to the CD/DVD disc >>>\n"));
    EXPECT_TRUE(Has(o, "Pellmark:main(): Skipping close session b/s of the user request or test mode... OK!\n"
                       "Pellmark:main(): Ejecting the disc... "));
    EXPECT_FALSE(Has(o, "Closing session"));
    const Commands l__Commands = m__Run.Commands();
    EXPECT_GT(Count(l__Commands, 0x2A), 0u);  // the writes were sent, with the Test Write bit
    EXPECT_EQ(Count(l__Commands, 0x54), 0u);
    EXPECT_EQ(Count(l__Commands, 0x5B), 0u);
    EXPECT_TRUE(EjectedLast(l__Commands));
    std::string l__Info;
    ASSERT_EQ(m__Run.Vdisc("info {}", &l__Info), 0);
    EXPECT_TRUE(Has(l__Info, "Disc status:  empty")) << l__Info;
    EXPECT_TRUE(Has(l__Info, "Tracks:       0")) << l__Info;
}

TEST_F(PellmarkEndToEnd, CloseArgumentOtherThanOneSkipsTheClose) {
    const std::string l__Image = m__Run.MakeIso("image.iso", 300 * 1024);
    // Only the low 8 bits of the number count: 257 asks for the close, as 1 does.
    for (const auto& [l__Close, l__Closes] : {std::pair<const char*, bool>{"2", false}, {"0", false}, {"x", false}, {"257", true}}) {
        SCOPED_TRACE(l__Close);
        m__Run.Insert("cdr");
        PellmarkRun::Result l__Result = m__Run.Burn(l__Image, "0", l__Close);
        ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
        EXPECT_TRUE(Has(l__Result.m__Out, "Pellmark:main(): Sending OPC (Optimum Power Calibration)... OK!\n"));
        EXPECT_EQ(Has(l__Result.m__Out, "Pellmark:main(): Skipping close session b/s of the user request or test mode... OK!\n"),
                  !l__Closes);
        EXPECT_EQ(Has(l__Result.m__Out, "Pellmark:main(): Closing session... OK!\n"), l__Closes);
        const Commands l__Commands = m__Run.Commands();
        EXPECT_EQ(Count(l__Commands, 0x54), 1u);
        EXPECT_EQ(Count(l__Commands, 0x5B), l__Closes ? 1u : 0u);
        EXPECT_EQ(m__Run.ExportTrack(1), PellmarkRun::ReadFile(l__Image));
        std::string l__Info;
        ASSERT_EQ(m__Run.Vdisc("info {}", &l__Info), 0);
        EXPECT_EQ(Has(l__Info, "session 1: closed, lead-out"), l__Closes) << l__Info;
    }
}

TEST_F(PellmarkEndToEnd, Mp3AndFlacBurnAsAudioTracks) {
    REQUIRE_TOOL("ffmpeg");
    for (const auto& [l__Name, l__Codec] : {std::pair<const char*, const char*>{"tone.mp3", "libmp3lame"}, {"tone.flac", "flac"}}) {
        SCOPED_TRACE(l__Name);
        // 2.51 s: the decoded PCM ends in a partial 2,352-byte sector.
        const std::string l__Sound = m__Run.MakeSound(l__Name, l__Codec, 2.51);
        const Bytes l__Pcm = m__Run.DecodePcm(l__Sound);
        ASSERT_NE(l__Pcm.size() % 2352, 0u);
        m__Run.Insert("cdr");
        PellmarkRun::Result l__Result = m__Run.Burn(l__Sound);
        ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
        EXPECT_EQ(Number(l__Result.m__Out, "Target file size in UCHARs "), static_cast<long long>(l__Pcm.size()));
        EXPECT_EQ(Number(l__Result.m__Out, ", LBs "), static_cast<long long>(l__Pcm.size() / 2352));
        // 26 blocks of 2,352 bytes per full WRITE, although Mode 2 Form 1 was asked.
        const Commands l__Commands = m__Run.Commands();
        auto l__Write = std::find_if(l__Commands.begin(), l__Commands.end(), [](auto& c) { return c.m__Cdb[0] == 0x2A; });
        ASSERT_NE(l__Write, l__Commands.end());
        EXPECT_EQ((l__Write->m__Cdb[7] << 8) | l__Write->m__Cdb[8], 26);
        const Bytes l__Bin = m__Run.ExportCueBin();
        ASSERT_EQ(l__Bin.size(), l__Pcm.size() / 2352 * 2352);
        EXPECT_TRUE(std::equal(l__Bin.begin(), l__Bin.end(), l__Pcm.begin()));
        std::string l__Info;
        ASSERT_EQ(m__Run.Vdisc("info {}", &l__Info), 0);
        EXPECT_TRUE(Has(l__Info, "Audio")) << l__Info;
    }
}

// The media runtime is loaded only when a file may be sound: an image burns without it, and
// a sound file is refused when it cannot be loaded (never burned as data).
TEST_F(PellmarkEndToEnd, WithoutTheMediaRuntimeAnImageBurnsAndASoundFileIsRefused) {
    REQUIRE_TOOL("ffmpeg");
    const std::string l__Sound = m__Run.MakeSound("tone.mp3", "libmp3lame", 1.0);
    const std::string l__Image = m__Run.MakeIso("image.iso", 300 * 1024);
    // Empty files under the runtime's library names come first on the search path: loading
    // any of them fails.
    const std::string l__Broken = m__Run.Dir() + "/broken-runtime";
    std::filesystem::create_directory(l__Broken);
    const std::regex l__Runtime(R"(lib(avutil|avcodec|avformat|swresample)\.so\.[0-9]+)");
    size_t l__size_t__Shadowed = 0;
    for (const char* l__PCHAR__Directory : {"/lib/x86_64-linux-gnu", "/usr/lib/x86_64-linux-gnu", "/usr/lib", "/lib"}) {
        std::error_code l__Error;
        for (const auto& l__Entry : std::filesystem::directory_iterator(l__PCHAR__Directory, l__Error)) {
            const std::string l__Name = l__Entry.path().filename().string();
            if (std::regex_match(l__Name, l__Runtime) && !std::filesystem::exists(l__Broken + "/" + l__Name)) {
                std::ofstream(l__Broken + "/" + l__Name).flush();
                ++l__size_t__Shadowed;
            }
        }
    }
    ASSERT_GE(l__size_t__Shadowed, 4u);
    const std::string l__Environment = "LD_LIBRARY_PATH=" + l__Broken;

    m__Run.Insert("cdr");
    PellmarkRun::Result l__Result = m__Run.Pellmark({"0", "0", "0", "0", l__Image, "0", "1"}, "", l__Environment);
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
    EXPECT_EQ(m__Run.ExportTrack(1), PellmarkRun::ReadFile(l__Image));

    m__Run.Insert("cdr");
    l__Result = m__Run.Pellmark({"0", "0", "0", "0", l__Sound, "0", "1"}, "", l__Environment);
    EXPECT_NE(l__Result.m__Exit, 0) << l__Result.m__Out;
    EXPECT_TRUE(Has(l__Result.m__Out, "The media runtime cannot be loaded")) << l__Result.m__Out;
    EXPECT_EQ(Count(m__Run.Commands(), 0x2A), 0u);
    std::string l__Info;
    ASSERT_EQ(m__Run.Vdisc("info {}", &l__Info), 0);
    EXPECT_TRUE(Has(l__Info, "Disc status:  empty")) << l__Info;

    // With the runtime in place the same file burns as audio.
    m__Run.Insert("cdr");
    l__Result = m__Run.Burn(l__Sound);
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
    ASSERT_EQ(m__Run.Vdisc("info {}", &l__Info), 0);
    EXPECT_TRUE(Has(l__Info, "Audio")) << l__Info;
}

TEST_F(PellmarkEndToEnd, DiscThatIsNotBlankGivesTenAndIsEjected) {
    const std::string l__Image = m__Run.MakeIso("image.iso", 200 * 1024);
    m__Run.Insert("dvdr");
    ASSERT_EQ(m__Run.Burn(l__Image).m__Exit, 0);
    m__Run.ClearCommands();
    PellmarkRun::Result l__Result = m__Run.Burn(l__Image);
    EXPECT_EQ(l__Result.m__Exit, 31);
    EXPECT_TRUE(Has(l__Result.m__Out, "\n\nPellmark:main(): Tarnwick_CdvdBurnerGrabber_Pellmark() failed, exception 10, status "
                                      "31, text 'CTarnwick_CdvdBurnerGrabber::TrackAtOnce(): Track is not blank!!!'\n"))
        << l__Result.m__Out;
    EXPECT_TRUE(l__Result.m__Out.ends_with("\nPellmark:main(): EXITing with failure\n"));
    const Commands l__Commands = m__Run.Commands();
    EXPECT_EQ(Count(l__Commands, 0x2A), 0u);
    EXPECT_EQ(Count(l__Commands, 0x35), 0u);  // nothing written: no synchronisation
    EXPECT_TRUE(EjectedLast(l__Commands));
}

TEST_F(PellmarkEndToEnd, WriteFaultMidTrackIsReportedAfterSynchroniseAndEject) {
    const std::string l__Image = m__Run.MakeIso("image.iso", 1024 * 1024);
    m__Run.Insert("cdr");
    ASSERT_EQ(m__Run.Vdisc("fault {} --write-fail 200"), 0);
    PellmarkRun::Result l__Result = m__Run.Burn(l__Image);
    EXPECT_EQ(l__Result.m__Exit, 31);
    EXPECT_TRUE(Has(l__Result.m__Out, "\n\nPellmark:main(): Tarnwick_CdvdBurnerGrabber_Pellmark() failed, exception 8, status 31, "
                                      "text '"))
        << l__Result.m__Out;
    EXPECT_FALSE(Has(l__Result.m__Out, "Closing session"));
    const Commands l__Commands = m__Run.Commands();
    auto l__Failed = std::find_if(l__Commands.begin(), l__Commands.end(),
                                  [](auto& c) { return c.m__Cdb[0] == 0x2A && c.m__Outcome != "GOOD"; });
    ASSERT_NE(l__Failed, l__Commands.end());
    EXPECT_EQ(l__Failed->m__Outcome, "CHECK 03/0C/00");
    EXPECT_EQ(Be32(l__Failed->m__Cdb, 2), 180u);  // the block of 30 that holds LBA 200
    // After the failed WRITE: no further write, the drive cache synchronised, the disc ejected.
    std::vector<uint8_t> l__After;
    for (auto c = l__Failed + 1; c != l__Commands.end(); ++c) l__After.push_back(c->m__Cdb[0]);
    EXPECT_EQ(std::count(l__After.begin(), l__After.end(), 0x2A), 0);
    ASSERT_NE(std::find(l__After.begin(), l__After.end(), 0x35), l__After.end());
    EXPECT_LT(std::find(l__After.begin(), l__After.end(), 0x35), std::find(l__After.begin(), l__After.end(), 0x1B));
    EXPECT_TRUE(EjectedLast(l__Commands));
}

}  // namespace
