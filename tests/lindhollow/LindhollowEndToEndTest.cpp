// The Lindhollow program burns directories Session-At-Once onto virtual recorders: its console,
// its command line, names that collide only in letter case, deep trees and media it refuses,
// read back with tarnwick-vdisc, xorriso and isoinfo.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "CTarnwick_SampleBurn.h"
#include "CTarnwick_SampleTree.h"
#include "PellmarkRun.h"
#include "tarnwick.h"

namespace {

using Files = std::map<std::string, std::string>;  // relative path -> contents

bool Has(const std::string& p__Text, const std::string& p__Part) { return p__Text.find(p__Part) != std::string::npos; }

const std::regex DATE_NAME("[A-Z][a-z]{2}_[A-Z][a-z]{2}_[_0-9][0-9]_[0-9]{2}_[0-9]{2}_[0-9]{2}_[0-9]{4}");

// The image a tree of the local source builds, made again in this process as the program makes
// it: the same collision answers, the date name the program chose, the next writable address 0
// of a blank CD.
CTarnwick_SampleTree* g__PCTarnwick_SampleTree__Rebuild = nullptr;

void RebuildCallback(ULONG p__ULONG__Reason, PVOID, PVOID p__PVOID__Parameter1, PVOID) {
    g__PCTarnwick_SampleTree__Rebuild->HandleTreeEvent(p__ULONG__Reason, p__PVOID__Parameter1);
}

std::vector<uint8_t> RebuildImage(const std::string& p__Source, const std::string& p__DateName) {
    std::vector<uint8_t> l__Image;
    EXPECT_EQ(Tarnwick_UpStart(), 0u);
    CTarnwick_SampleBurn l__Burn("Lindhollow");
    CTarnwick_SampleTree l__Tree("Lindhollow");
    g__PCTarnwick_SampleTree__Rebuild = &l__Tree;
    std::string l__Source = p__Source;
    testing::internal::CaptureStdout();
    if (l__Tree.Create(l__Burn, RebuildCallback)) {
        l__Tree.m__CHAR__DateName[p__DateName.copy(l__Tree.m__CHAR__DateName, sizeof(l__Tree.m__CHAR__DateName) - 1)] = '\0';
        if (l__Tree.AddSource(l__Burn, l__Source.data()) && l__Tree.BuildImage(l__Burn, "", l__Source.c_str())) {
            ULONG l__High = 0;
            const ULONG l__Low = Tarnwick_ISO9660JolietFileTree_GetSizeInUCHARs(l__Tree.m__PVOID__Tree, &l__High);
            l__Image.resize((static_cast<size_t>(l__High) << 32) | l__Low);
            CHAR l__Text[1024] = {};
            ULONG l__Error = 31;
            EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_Read(l__Tree.m__PVOID__Tree, l__Text, sizeof(l__Text), &l__Error,
                                                          static_cast<LONG>(l__Image.size()), l__Image.data()),
                      0u)
                << l__Text;
        }
    }
    const std::string l__Out = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(l__Image.empty()) << l__Out;
    l__Tree.Destroy();
    Tarnwick_DownShut();
    return l__Image;
}

uint32_t Little32(const uint8_t* p__PUCHAR__At) {
    return p__PUCHAR__At[0] | p__PUCHAR__At[1] << 8 | p__PUCHAR__At[2] << 16 | static_cast<uint32_t>(p__PUCHAR__At[3]) << 24;
}

// Clears the recording time of every directory record of the extent at p__Root in the directory
// at LBA/size and below it (an image laid out at sector 0).
void ClearRootTimes(std::vector<uint8_t>& p__Image, uint32_t p__Root, uint32_t p__LBA, uint32_t p__Size, int p__Depth) {
    if (p__Depth > 16 || (static_cast<uint64_t>(p__LBA) * 2048 + p__Size) > p__Image.size()) return;
    for (uint32_t l__Sector = 0; l__Sector * 2048 < p__Size; ++l__Sector) {
        uint8_t* l__Base = p__Image.data() + (static_cast<size_t>(p__LBA) + l__Sector) * 2048;
        for (uint32_t at = 0; at + 34 <= 2048 && l__Base[at] != 0; at += l__Base[at]) {
            uint8_t* r = l__Base + at;
            const bool l__bool__Self = r[32] == 1 && (r[33] == 0 || r[33] == 1);
            if (Little32(r + 2) == p__Root) std::memset(r + 18, 0, 7);
            if ((r[25] & 2) != 0 && !l__bool__Self) ClearRootTimes(p__Image, p__Root, Little32(r + 2), Little32(r + 10), p__Depth + 1);
        }
    }
}

// The image with the root directory's recording time cleared wherever a record shows it: in
// the volume descriptors, the root's own entries and the parent entries of its kids. The
// builder takes that time from the clock, so an image built again a second later differs there.
std::vector<uint8_t> WithoutRootTimes(std::vector<uint8_t> p__Image) {
    for (size_t l__Sector = 16; (l__Sector + 1) * 2048 <= p__Image.size(); ++l__Sector) {
        uint8_t* d = p__Image.data() + l__Sector * 2048;
        if (std::memcmp(d + 1, "CD001", 5) != 0 || d[0] == 255) break;
        if (d[0] != 1 && d[0] != 2) continue;
        const uint32_t l__Root = Little32(d + 156 + 2);
        std::memset(d + 156 + 18, 0, 7);
        ClearRootTimes(p__Image, l__Root, l__Root, Little32(d + 156 + 10), 0);
    }
    return p__Image;
}

// The offsets where two images of one size differ, as "first-last" ranges ("" when equal).
std::string DifferingBytes(const std::vector<uint8_t>& p__A, const std::vector<uint8_t>& p__B) {
    std::ostringstream l__Ranges;
    for (size_t at = 0; at < p__A.size();) {
        if (p__A[at] == p__B[at]) {
            ++at;
            continue;
        }
        size_t l__SIZE__End = at;
        while (l__SIZE__End + 1 < p__A.size() && p__A[l__SIZE__End + 1] != p__B[l__SIZE__End + 1]) ++l__SIZE__End;
        l__Ranges << at << "-" << l__SIZE__End << " ";
        at = l__SIZE__End + 1;
    }
    return l__Ranges.str();
}

class LindhollowEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TOOL("xorriso");
        REQUIRE_TOOL("isoinfo");
    }
    PellmarkRun::Result Lindhollow(const std::vector<std::string>& p__Arguments) {
        return m__Run.Program("samples/lindhollow/Lindhollow", p__Arguments);
    }
    PellmarkRun::Result Burn(const std::string& p__Source, const std::string& p__Test = "0") {
        return Lindhollow({"0", "0", "0", "0", p__Source, p__Test});
    }
    std::string Info() {
        std::string l__Info;
        EXPECT_EQ(m__Run.Vdisc("info {}", &l__Info), 0);
        return l__Info;
    }
    // Track 1 exported as an image file.
    std::string Export() {
        const std::string l__Image = m__Run.Dir() + "/track1.iso";
        std::string l__Output;
        EXPECT_EQ(m__Run.Vdisc("export {} --track 1 " + PellmarkRun::Quote(l__Image), &l__Output), 0) << l__Output;
        return l__Image;
    }
    // Every file of the image as xorriso reads its Joliet tree, with its contents.
    Files XorrisoFiles(const std::string& p__Image) {
        const std::string l__Out = m__Run.Dir() + "/extract";
        std::filesystem::remove_all(l__Out);
        std::string l__Output;
        EXPECT_EQ(PellmarkRun::Shell("xorriso -abort_on FAILURE -joliet on -osirrox on -indev " +
                                         PellmarkRun::Quote(p__Image) + " -extract / " + PellmarkRun::Quote(l__Out) + " 2>&1",
                                     &l__Output),
                  0)
            << l__Output;
        Files l__Files;
        if (!std::filesystem::exists(l__Out)) return l__Files;
        for (const auto& l__Entry : std::filesystem::recursive_directory_iterator(l__Out))
            if (l__Entry.is_regular_file())
                {
                const std::vector<uint8_t> l__Bytes = PellmarkRun::ReadFile(l__Entry.path().string());
                l__Files[std::filesystem::relative(l__Entry.path(), l__Out).string()].assign(l__Bytes.begin(), l__Bytes.end());
            }
        return l__Files;
    }
    // The paths isoinfo lists: the Joliet names with -J, else the ISO9660 identifiers.
    std::set<std::string> IsoinfoPaths(const std::string& p__Image, bool p__bool__Joliet) {
        std::string l__Output;
        EXPECT_EQ(PellmarkRun::Shell(std::string("isoinfo ") + (p__bool__Joliet ? "-J " : "") + "-f -i " +
                                         PellmarkRun::Quote(p__Image),
                                     &l__Output),
                  0)
            << l__Output;
        std::set<std::string> l__Paths;
        std::istringstream l__Lines(l__Output);
        for (std::string l__Line; std::getline(l__Lines, l__Line);) {
            if (l__Line.empty()) continue;
            if (l__Line.ends_with(";1")) l__Line.resize(l__Line.size() - 2);  // the version of a file name
            l__Paths.insert(l__Line.substr(1));
        }
        return l__Paths;
    }
    // The one top-level directory of the files, which must be a date name.
    static std::string DateDirectory(const Files& p__Files) {
        std::set<std::string> l__Tops;
        for (const auto& [l__Path, l__Contents] : p__Files) l__Tops.insert(l__Path.substr(0, l__Path.find('/')));
        EXPECT_EQ(l__Tops.size(), 1u);
        const std::string l__Top = l__Tops.empty() ? "" : *l__Tops.begin();
        EXPECT_TRUE(std::regex_match(l__Top, DATE_NAME)) << l__Top;
        return l__Top;
    }
    // The files under the date directory.
    static Files Below(const Files& p__Files, const std::string& p__Directory) {
        Files l__Files;
        for (const auto& [l__Path, l__Contents] : p__Files)
            if (l__Path.starts_with(p__Directory + "/")) l__Files[l__Path.substr(p__Directory.size() + 1)] = l__Contents;
        return l__Files;
    }

    PellmarkRun m__Run;
};

// README and readme are two files on Linux and one ISO9660 identifier: the second one added is
// renamed (numbered) in ISO9660, both keep their Joliet names, and both reach the disc.
TEST_F(LindhollowEndToEnd, CaseCollidingSourceBurnsEveryFileAndTheTrackIsTheBuiltImage) {
    // 4 MB at 1,000 KB/s: the write lasts about four seconds, so progress is reported.
    const Files l__Given = {{"README", PellmarkRun::Pattern(4 * 1000 * 1000, 7)}, {"readme", "lower case\n"}};
    const std::string l__Source = m__Run.MakeSource("source", l__Given);
    m__Run.Insert("cdr", "--write-speed 1000");
    PellmarkRun::Result l__Result = Burn(l__Source);
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;

    // The directory lists the two in an order of its own: both are masked alike.
    const std::string l__Expected = PellmarkRun::SourceText("tests/lindhollow/golden/burn-cdr.txt");
    ASSERT_FALSE(l__Expected.empty());
    std::vector<long long> l__Percentages;
    EXPECT_EQ(PellmarkRun::MaskedConsole(l__Result.m__Out,
                                         {{l__Source + "/README", "<SOURCE>/<README>"},
                                          {l__Source + "/readme", "<SOURCE>/<README>"},
                                          {l__Source, "<SOURCE>"}},
                                         l__Percentages),
              l__Expected);
    ASSERT_FALSE(l__Percentages.empty());
    EXPECT_GE(l__Percentages.front(), 1);
    EXPECT_LE(l__Percentages.back(), 100);
    EXPECT_TRUE(std::adjacent_find(l__Percentages.begin(), l__Percentages.end(),
                                   [](long long a, long long b) { return b <= a; }) == l__Percentages.end());

    // The drive closed the session (a next one allowed, so the disc stays appendable); the disc
    // was ejected.
    const std::string l__Info = Info();
    EXPECT_TRUE(Has(l__Info, "session 1: closed, lead-out at ")) << l__Info;
    EXPECT_TRUE(Has(l__Info, "Disc status:  incomplete (appendable)")) << l__Info;
    const std::vector<PellmarkRun::Command> l__Commands = m__Run.Commands();
    ASSERT_FALSE(l__Commands.empty());
    EXPECT_EQ(l__Commands.back().m__Cdb[0], 0x1B);

    // Both files are on the disc under their Joliet names, as xorriso and isoinfo read them,
    // and under two ISO9660 identifiers.
    const std::string l__Image = Export();
    const Files l__Files = XorrisoFiles(l__Image);
    const std::string l__Date = DateDirectory(l__Files);
    EXPECT_EQ(Below(l__Files, l__Date), l__Given);
    EXPECT_EQ(IsoinfoPaths(l__Image, true),
              (std::set<std::string>{l__Date, l__Date + "/README", l__Date + "/readme"}));
    std::string l__IsoDate = l__Date;
    std::transform(l__IsoDate.begin(), l__IsoDate.end(), l__IsoDate.begin(), ::toupper);
    EXPECT_EQ(IsoinfoPaths(l__Image, false),
              (std::set<std::string>{l__IsoDate, l__IsoDate + "/README", l__IsoDate + "/README1"}));

    // The track holds the image the tree built, byte for byte but for the clock's time of the
    // root directory (the image is built again here, a few seconds later), followed by the
    // 600 zero blocks of the gap after the last track of a session.
    std::vector<uint8_t> l__Track = WithoutRootTimes(PellmarkRun::ReadFile(l__Image));
    const std::vector<uint8_t> l__Built = WithoutRootTimes(RebuildImage(l__Source, l__Date));
    ASSERT_EQ(l__Track.size(), l__Built.size() + 600 * 2048);
    EXPECT_TRUE(std::all_of(l__Track.begin() + static_cast<long>(l__Built.size()), l__Track.end(),
                            [](uint8_t b) { return b == 0; }));
    l__Track.resize(l__Built.size());
    EXPECT_EQ(DifferingBytes(l__Track, l__Built), "");
}

TEST_F(LindhollowEndToEnd, ShortCommandLineGivesTheUsageWithoutTouchingTheRecorder) {
    const std::string l__Untouched = m__Run.Dir() + "/untouched-disc";
    PellmarkRun::Result l__Result =
        m__Run.Program("samples/lindhollow/Lindhollow", {"0", "0", "0", "0", "source"}, "virtual:" + l__Untouched);
    EXPECT_EQ(l__Result.m__Exit, 87);
    EXPECT_EQ(l__Result.m__Out,
              "\nLindhollow:main(): ENTERed for 6 argument(s)\n"
              "\nLindhollow:main(): EXITing with failure!!!\n\n"
              "Lindhollow:main(): SCSI address, source directory or file name, is test write required!!!\n"
              "Lindhollow:main(): Example: Lindhollow.exe 0 0 1 0 c:\\corvel 1\n");
    EXPECT_FALSE(std::filesystem::exists(l__Untouched));
}

// Nine directories below the source: the level warning is printed and the burn goes on.
TEST_F(LindhollowEndToEnd, TreeDeeperThanEightLevelsIsOnlyAWarning) {
    const std::string l__Deep = "a/b/c/d/e/f/g/h/i/deep.txt";
    const std::string l__Source = m__Run.MakeSource("source", {{l__Deep, "deep\n"}});
    m__Run.Insert("cdr");
    PellmarkRun::Result l__Result = Burn(l__Source);
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(l__Result.m__Out, m, std::regex("\nLindhollow:main\\(\\): Tree level ([0-9]+)\n")));
    EXPECT_GT(std::stol(m[1]), 8);
    EXPECT_TRUE(Has(l__Result.m__Out, "\nLindhollow:main(): Tree level " + m[1].str() +
                                          "\n\nLindhollow:main(): Warning: Tree level exceeds allowed 8, image may be "
                                          "unusable!!!\nLindhollow:main(): 64 MBs of cache"))
        << l__Result.m__Out;
    EXPECT_TRUE(l__Result.m__Out.ends_with("\nLindhollow:main(): EXITing with success\n")) << l__Result.m__Out;
    const Files l__Files = XorrisoFiles(Export());
    EXPECT_EQ(Below(l__Files, DateDirectory(l__Files)), (Files{{l__Deep, "deep\n"}}));
}

// A test write neither calibrates nor writes: the disc stays blank and the run succeeds.
TEST_F(LindhollowEndToEnd, TestWriteLeavesTheDiscBlank) {
    m__Run.Insert("cdr");
    PellmarkRun::Result l__Result = Burn(m__Run.MakeSource("source", {{"a.txt", "a"}}), "1");
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
    EXPECT_TRUE(Has(l__Result.m__Out, "Lindhollow:main(): Skipping send OPC (Optimum Power Calibration) in test mode... "
                                      "OK!\nLindhollow:main(): Writing the stuff (simulating) to the CD/DVD disc >>>\n"))
        << l__Result.m__Out;
    EXPECT_TRUE(Has(l__Result.m__Out, "Lindhollow:Callback(): SYNCHRONIZE_CACHE_END\nLindhollow:main(): Ejecting the "
                                      "disc... OK!\n"))
        << l__Result.m__Out;
    for (const PellmarkRun::Command& c : m__Run.Commands()) EXPECT_NE(c.m__Cdb[0], 0x54) << "no power calibration";
    EXPECT_TRUE(Has(Info(), "Disc status:  empty"));
}

// Session-At-Once takes CD media only: on a DVD the write fails with number 10 before a block
// is written, the failure ends the run with the exit code of every failure that is no system
// error (31), and the disc stays in the drive.
TEST_F(LindhollowEndToEnd, DvdIsRefusedWithNumberTenAndNotEjected) {
    m__Run.Insert("dvdr");
    PellmarkRun::Result l__Result = Burn(m__Run.MakeSource("source", {{"a.txt", "a"}}));
    EXPECT_EQ(l__Result.m__Exit, 31) << l__Result.m__Out;
    EXPECT_TRUE(Has(l__Result.m__Out, "Lindhollow:main(): Writing the stuff to the CD/DVD disc >>>\n\n\n"
                                      "Lindhollow:main(): Tarnwick_CdvdBurnerGrabber_SessionAtOnce() failed, exception 10, "
                                      "status 31, text 'CTarnwick_CdvdBurnerGrabber::SessionAtOnce(): Disc type (5) not "
                                      "valid for SAO!!!'\n"))
        << l__Result.m__Out;
    EXPECT_FALSE(Has(l__Result.m__Out, "Ejecting the disc")) << l__Result.m__Out;
    EXPECT_TRUE(l__Result.m__Out.ends_with("\nLindhollow:main(): EXITing with failure\n")) << l__Result.m__Out;
    for (const PellmarkRun::Command& c : m__Run.Commands()) {
        EXPECT_NE(c.m__Cdb[0], 0x2A) << "nothing written";
        EXPECT_NE(c.m__Cdb[0], 0x1B) << "not ejected";
    }
    EXPECT_TRUE(Has(Info(), "Disc status:  empty"));
}

}  // namespace
