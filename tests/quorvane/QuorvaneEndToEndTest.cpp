// The Quorvane program burns directories onto virtual recorders: its console, its command
// line, the renaming of colliding names, and sessions that carry the earlier files on, read
// back with tarnwick-vdisc, xorriso and isoinfo.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "PellmarkRun.h"

namespace {

using Files = std::map<std::string, std::string>;  // relative path -> contents

bool Has(const std::string& p__Text, const std::string& p__Part) { return p__Text.find(p__Part) != std::string::npos; }

std::string Text(const std::string& p__File) {
    std::ifstream l__Stream(p__File, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
}

// The same bytes on every run, different for every seed.
std::string Pattern(size_t p__Bytes, uint32_t p__Seed) {
    std::string l__Data(p__Bytes, '\0');
    for (char& c : l__Data) {
        p__Seed = p__Seed * 1664525u + 1013904223u;
        c = static_cast<char>(p__Seed >> 24);
    }
    return l__Data;
}

const std::regex DATE_NAME("[A-Z][a-z]{2}_[A-Z][a-z]{2}_[_0-9][0-9]_[0-9]{2}_[0-9]{2}_[0-9]{2}_[0-9]{4}");

class QuorvaneTest : public ::testing::Test {
protected:
    // A directory of the scratch area holding the files.
    std::string MakeSource(const std::string& p__Name, const Files& p__Files) {
        const std::string l__Dir = m__Run.Dir() + "/" + p__Name;
        for (const auto& [l__Path, l__Contents] : p__Files) {
            std::filesystem::create_directories(std::filesystem::path(l__Dir + "/" + l__Path).parent_path());
            std::ofstream(l__Dir + "/" + l__Path, std::ios::binary) << l__Contents;
        }
        std::filesystem::create_directories(l__Dir);
        return l__Dir;
    }
    PellmarkRun::Result Quorvane(const std::string& p__Source, const std::string& p__Test, const std::string& p__Track,
                                 const std::string& p__Drives = "") {
        return m__Run.Program("samples/quorvane/Quorvane", {"0", "0", "0", "0", p__Source, p__Test, p__Track}, p__Drives);
    }
    // Start LBA of track N from "tarnwick-vdisc info" (-1 when it is not listed).
    long StartOf(int p__Track) {
        std::string l__Info;
        EXPECT_EQ(m__Run.Vdisc("info {}", &l__Info), 0);
        std::smatch m;
        const std::regex l__Row("\\n\\s+" + std::to_string(p__Track) + "\\s+[0-9]+\\s+\\S+\\s+([0-9]+)\\s");
        return std::regex_search(l__Info, m, l__Row) ? std::stol(m[1]) : -1;
    }
    // The disc up to the end of data track N, as an image file.
    std::string Export(int p__Track) {
        const std::string l__Image = m__Run.Dir() + "/track" + std::to_string(p__Track) + ".iso";
        std::string l__Output;
        EXPECT_EQ(m__Run.Vdisc("export {} --track " + std::to_string(p__Track) + " " + PellmarkRun::Quote(l__Image), &l__Output),
                  0)
            << l__Output;
        return l__Image;
    }
    // Every file of the session at START of the image, as xorriso reads its Joliet tree,
    // with its contents.
    Files SessionFiles(const std::string& p__Image, long p__Start) {
        const std::string l__Out = m__Run.Dir() + "/extract-" + std::to_string(p__Start);
        std::filesystem::remove_all(l__Out);
        std::string l__Output;
        EXPECT_EQ(PellmarkRun::Shell("xorriso -abort_on FAILURE -joliet on -osirrox on -load sbsector " +
                                         std::to_string(p__Start) + " -indev " + PellmarkRun::Quote(p__Image) +
                                         " -extract / " + PellmarkRun::Quote(l__Out) + " 2>&1",
                                     &l__Output),
                  0)
            << l__Output;
        Files l__Files;
        if (!std::filesystem::exists(l__Out)) return l__Files;
        for (const auto& l__Entry : std::filesystem::recursive_directory_iterator(l__Out))
            if (l__Entry.is_regular_file())
                l__Files[std::filesystem::relative(l__Entry.path(), l__Out).string()] = Text(l__Entry.path().string());
        return l__Files;
    }
    // The Joliet paths isoinfo lists for the session at START.
    std::set<std::string> IsoinfoPaths(const std::string& p__Image, long p__Start) {
        std::string l__Output;
        EXPECT_EQ(PellmarkRun::Shell("isoinfo -J -f -T " + std::to_string(p__Start) + " -i " + PellmarkRun::Quote(p__Image),
                                     &l__Output),
                  0)
            << l__Output;
        std::set<std::string> l__Paths;
        std::istringstream l__Lines(l__Output);
        for (std::string l__Line; std::getline(l__Lines, l__Line);)
            if (!l__Line.empty()) l__Paths.insert(l__Line.substr(1));
        return l__Paths;
    }
    // The date directory of a session's files, found among its top-level names.
    static std::set<std::string> DateDirectories(const Files& p__Files) {
        std::set<std::string> l__Dirs;
        for (const auto& [l__Path, l__Contents] : p__Files) {
            const std::string l__Top = l__Path.substr(0, l__Path.find('/'));
            if (l__Top != l__Path && std::regex_match(l__Top, DATE_NAME)) l__Dirs.insert(l__Top);
        }
        return l__Dirs;
    }

    void SetUp() override {
        REQUIRE_TOOL("xorriso");
        REQUIRE_TOOL("isoinfo");
    }
    PellmarkRun m__Run;
};

class QuorvaneEndToEnd : public QuorvaneTest {};

// The console text with what varies from run to run masked; the percentages are returned.
std::string Masked(const std::string& p__Out, const std::string& p__Source, std::vector<long long>& p__Percentages) {
    std::string l__Text = p__Out;
    for (size_t at = l__Text.find(p__Source); at != std::string::npos; at = l__Text.find(p__Source))
        l__Text.replace(at, p__Source.size(), "<SOURCE>");
    l__Text = std::regex_replace(l__Text, DATE_NAME, "<DATE>");
    l__Text = std::regex_replace(l__Text, std::regex("Burning [0-9]+ UCHARs"), "Burning <N> UCHARs");
    l__Text = std::regex_replace(l__Text, std::regex("in UCHARs [0-9]+, LBs [0-9]+"), "in UCHARs <N>, LBs <N>");
    std::istringstream l__Lines(l__Text);
    std::string l__Line, l__Result;
    const std::regex l__Progress("([0-9]+% )+");
    while (std::getline(l__Lines, l__Line)) {
        if (std::regex_match(l__Line, l__Progress)) {
            std::istringstream l__Words(l__Line);
            long long l__Value;
            char l__Percent;
            while (l__Words >> l__Value >> l__Percent) p__Percentages.push_back(l__Value);
            l__Line = "<PERCENTAGES>";
        }
        l__Result += l__Line + "\n";
    }
    return l__Result;
}

TEST_F(QuorvaneEndToEnd, ConsoleOfASuccessfulBurnIsTheQuorvaneLines) {
    // 4 MB at 1,000 KB/s: the write lasts about four seconds, so progress is reported.
    const std::string l__Source = MakeSource("source", {{"payload.bin", Pattern(4 * 1000 * 1000, 7)}});
    m__Run.Insert("cdr", "--write-speed 1000");
    PellmarkRun::Result l__Result = Quorvane(l__Source, "0", "0");
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
    const std::string l__Expected = Text(std::string(TARNWICK_SOURCE_DIR) + "/tests/quorvane/golden/burn-cdr.txt");
    ASSERT_FALSE(l__Expected.empty());
    std::vector<long long> l__Percentages;
    EXPECT_EQ(Masked(l__Result.m__Out, l__Source, l__Percentages), l__Expected);
    ASSERT_FALSE(l__Percentages.empty());
    EXPECT_GE(l__Percentages.front(), 1);
    EXPECT_LE(l__Percentages.back(), 100);
    EXPECT_TRUE(std::adjacent_find(l__Percentages.begin(), l__Percentages.end(),
                                   [](long long a, long long b) { return b <= a; }) == l__Percentages.end());
    // The disc holds the file under the date directory, and the session is closed.
    const Files l__Files = SessionFiles(Export(1), 0);
    ASSERT_EQ(l__Files.size(), 1u);
    EXPECT_TRUE(std::regex_match(l__Files.begin()->first, std::regex("[A-Za-z_0-9]+/payload.bin")));
    EXPECT_EQ(l__Files.begin()->second, Pattern(4 * 1000 * 1000, 7));
    std::string l__Info;
    ASSERT_EQ(m__Run.Vdisc("info {}", &l__Info), 0);
    EXPECT_TRUE(Has(l__Info, "session 1: closed")) << l__Info;
}

TEST_F(QuorvaneEndToEnd, ShortCommandLineGivesTheUsageWithoutStartingTheToolkit) {
    const std::string l__Untouched = m__Run.Dir() + "/untouched-disc";
    PellmarkRun::Result l__Result =
        m__Run.Program("samples/quorvane/Quorvane", {"0", "0", "0", "0", "source", "0"}, "virtual:" + l__Untouched);
    EXPECT_EQ(l__Result.m__Exit, 87);
    EXPECT_EQ(l__Result.m__Out,
              "\nQuorvane:main(): ENTERed for 7 argument(s)\n"
              "\nQuorvane:main(): EXITing with failure!!!\n\n"
              "Quorvane:main(): SCSI address, source directory or file name, is test write required, number of track to "
              "import ( 0 - no import)!!!\n"
              "Quorvane:main(): Example: Quorvane.exe 0 0 1 0 c:\\corvel 1 1\n");
    EXPECT_FALSE(std::filesystem::exists(l__Untouched));
}

// Track 0 (and 256, whose low 8 bits are 0) imports nothing: the tree has no root before the
// Add, so the GetRoot warning is printed. A test write neither calibrates nor closes.
TEST_F(QuorvaneEndToEnd, TrackZeroImportsNothingAndATestWriteLeavesTheDiscBlank) {
    const std::string l__Source = MakeSource("source", {{"a.txt", "a"}});
    for (const char* l__Track : {"0", "256"}) {
        SCOPED_TRACE(l__Track);
        m__Run.Insert("cdr");
        PellmarkRun::Result l__Result = Quorvane(l__Source, "1", l__Track);
        ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
        const std::string& o = l__Result.m__Out;
        EXPECT_FALSE(Has(o, "Importing track")) << o;
        EXPECT_TRUE(Has(o, "Disc type: 2\n\nQuorvane:main(): WARNING! Tarnwick_ISO9660FileTree_GetRoot() failed\n")) << o;
        EXPECT_TRUE(Has(o, "Quorvane:main(): Skipping send OPC (Optimum Power Calibration) in test mode... OK!\n"));
        EXPECT_TRUE(o.ends_with("Quorvane:main(): Skipping close session in test mode... OK!\n"
                                "Quorvane:main(): Ejecting the disc... OK!\n\nQuorvane:main(): EXITing with success\n"))
            << o;
        std::string l__Info;
        ASSERT_EQ(m__Run.Vdisc("info {}", &l__Info), 0);
        EXPECT_TRUE(Has(l__Info, "Disc status:  empty")) << l__Info;
    }
}

TEST_F(QuorvaneEndToEnd, ImportOfATrackBeyondTheDiscEndsTheRunWithNumberTwo) {
    const std::string l__Image = m__Run.MakeIso("image.iso", 100 * 1024);
    m__Run.Insert("cdr");
    ASSERT_EQ(m__Run.Burn(l__Image, "0", "0").m__Exit, 0);
    m__Run.ClearCommands();
    PellmarkRun::Result l__Result = Quorvane(MakeSource("source", {{"a.txt", "a"}}), "0", "2");
    EXPECT_EQ(l__Result.m__Exit, 31);
    EXPECT_TRUE(Has(l__Result.m__Out, "Quorvane:main(): Importing track 2... \nQuorvane:main(): "
                                      "Tarnwick_ISO9660JolietFileTree_ImportTrack() failed, exception 2, status 31, text '"))
        << l__Result.m__Out;
    EXPECT_TRUE(Has(l__Result.m__Out, "Invalid track number to import")) << l__Result.m__Out;
    EXPECT_TRUE(l__Result.m__Out.ends_with("\nQuorvane:main(): EXITing with failure\n")) << l__Result.m__Out;
    EXPECT_FALSE(Has(l__Result.m__Out, "Building ISO image"));
    for (const PellmarkRun::Command& c : m__Run.Commands()) EXPECT_NE(c.m__Cdb[0], 0x2A);  // nothing written
}

// Names equal in ISO9660 (upper case) but not in Joliet: each pair is one ISO9660 collision,
// numbered by one counter for the run, and both names stay on the disc.
TEST_F(QuorvaneEndToEnd, IsoCollisionsAreNumberedAcrossTheRunAndBothNamesStay) {
    const std::string l__Source = MakeSource("source", {{"abcdefghi/x", "1"},
                                                        {"ABCDEFGHI/x", "2"},
                                                        {"sub/abcdefgh/y", "3"},
                                                        {"sub/ABCDEFGH/y", "4"}});
    m__Run.Insert("cdr");
    PellmarkRun::Result l__Result = Quorvane(l__Source, "0", "0");
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
    std::map<long, std::string> l__Renames;  // number -> line
    const std::regex l__Line("Quorvane:Callback\\(\\): Name collision for ISO9660 : <([^>]*)> -> <([^>]*)>\\n");
    for (std::sregex_iterator m(l__Result.m__Out.begin(), l__Result.m__Out.end(), l__Line), e; m != e; ++m) {
        const std::string l__Old = (*m)[1], l__New = (*m)[2];
        std::smatch n;
        ASSERT_TRUE(std::regex_match(l__New, n, std::regex("([A-Z]+)([0-9]+)"))) << l__New;
        // A 9-character stem is cut to 7, an 8-character one kept.
        EXPECT_EQ(n[1].str(), l__Old.size() > 8 ? l__Old.substr(0, 7) : l__Old);
        l__Renames[std::stol(n[2])] = l__New;
    }
    ASSERT_EQ(l__Renames.size(), 2u) << l__Result.m__Out;
    EXPECT_EQ(l__Renames.begin()->first, 1);
    EXPECT_EQ(l__Renames.rbegin()->first, 2);
    EXPECT_FALSE(Has(l__Result.m__Out, "Name collision for Joliet"));
    // Both of each pair are on the disc, under their own Joliet names.
    const Files l__Files = SessionFiles(Export(1), 0);
    std::set<std::string> l__Names;
    for (const auto& [l__Path, l__Contents] : l__Files) l__Names.insert(l__Path.substr(l__Path.find('/') + 1) + "=" + l__Contents);
    EXPECT_EQ(l__Names, (std::set<std::string>{"abcdefghi/x=1", "ABCDEFGHI/x=2", "sub/abcdefgh/y=3", "sub/ABCDEFGH/y=4"}));
}

// Three sessions on one CD: the first made by xorriso and burned by Pellmark, the next two
// by Quorvane, each importing the track before it. Every session shows every file so far,
// the old ones byte for byte as they were first burned.
class QuorvaneMultisession : public QuorvaneTest {
protected:
    void ExpectSession(int p__Track, const Files& p__Old, const std::vector<Files>& p__Dated) {
        SCOPED_TRACE("track " + std::to_string(p__Track));
        const long l__Start = StartOf(p__Track);
        ASSERT_GT(l__Start, 0);
        const std::string l__Image = Export(p__Track);
        Files l__Files = SessionFiles(l__Image, l__Start);
        for (const auto& [l__Path, l__Contents] : p__Old) {
            ASSERT_TRUE(l__Files.count(l__Path)) << l__Path;
            EXPECT_TRUE(l__Files[l__Path] == l__Contents) << l__Path;
        }
        // One date directory per Quorvane session, each with its source's files.
        const std::set<std::string> l__Dates = DateDirectories(l__Files);
        ASSERT_EQ(l__Dates.size(), p__Dated.size());
        size_t l__Count = p__Old.size();
        for (const Files& l__Dated : p__Dated) {
            bool l__bool__Found = false;
            for (const std::string& l__Date : l__Dates) {
                bool l__bool__All = true;
                for (const auto& [l__Path, l__Contents] : l__Dated) {
                    auto l__File = l__Files.find(l__Date + "/" + l__Path);
                    l__bool__All = l__bool__All && l__File != l__Files.end() && l__File->second == l__Contents;
                }
                l__bool__Found = l__bool__Found || l__bool__All;
            }
            EXPECT_TRUE(l__bool__Found);
            l__Count += l__Dated.size();
        }
        EXPECT_EQ(l__Files.size(), l__Count);
        // isoinfo reads the same Joliet tree at the session's start.
        const std::set<std::string> l__Paths = IsoinfoPaths(l__Image, l__Start);
        for (const auto& [l__Path, l__Contents] : l__Files) {
            const bool l__bool__Listed = l__Paths.count(l__Path) || l__Paths.count(l__Path + ";1");
            EXPECT_TRUE(l__bool__Listed) << l__Path;
        }
    }
};

TEST_F(QuorvaneMultisession, ThreeSessionsOnCdCarryEveryFileOn) {
    const Files l__First = {{"docs/readme.txt", "first session\n"}, {"data.bin", Pattern(150 * 1024, 1)}, {"keep.txt", "kept\n"}};
    const std::string l__Session1 = MakeSource("session1", l__First);
    const std::string l__Image = m__Run.Dir() + "/session1.iso";
    std::string l__Output;
    ASSERT_EQ(PellmarkRun::Shell("xorriso -as mkisofs -quiet -J -o " + PellmarkRun::Quote(l__Image) + " " +
                                     PellmarkRun::Quote(l__Session1) + " 2>&1",
                                 &l__Output),
              0)
        << l__Output;
    m__Run.Insert("cdr");
    ASSERT_EQ(m__Run.Burn(l__Image, "0", "0").m__Exit, 0);

    const Files l__Second = {{"new.txt", "second session\n"}, {"deep/er/file.bin", Pattern(70 * 1024, 2)}};
    PellmarkRun::Result l__Result = Quorvane(MakeSource("session2", l__Second), "0", "1");
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
    EXPECT_TRUE(Has(l__Result.m__Out, "Quorvane:main(): Importing track 1... OK!")) << l__Result.m__Out;
    EXPECT_FALSE(Has(l__Result.m__Out, "GetRoot() failed"));
    ExpectSession(2, l__First, {l__Second});

    ::sleep(1);  // a date name of its own
    const Files l__Third = {{"third.txt", "third session\n"}};
    l__Result = Quorvane(MakeSource("session3", l__Third), "0", "2");
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
    ExpectSession(3, l__First, {l__Second, l__Third});
    std::string l__Info;
    ASSERT_EQ(m__Run.Vdisc("info {}", &l__Info), 0);
    EXPECT_TRUE(Has(l__Info, "Sessions:     2")) << l__Info;
}

}  // namespace
