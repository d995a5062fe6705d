// The Quorvane program burns directories onto virtual recorders: its console, its command
// line, the renaming of colliding names, and sessions that carry the earlier files on, read
// back with tarnwick-vdisc, xorriso and isoinfo.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_EmptyBase.h"
#include "CTarnwick_QuorvaneNames.h"
#include "FakeClock.h"
#include "PellmarkRun.h"
#include "RecorderUnderTest.h"
#include "tarnwick.h"

namespace {

using Files = std::map<std::string, std::string>;  // relative path -> contents

bool Has(const std::string& p__Text, const std::string& p__Part) { return p__Text.find(p__Part) != std::string::npos; }

std::string Text(const std::string& p__File) {
    std::ifstream l__Stream(p__File, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
}

const std::regex DATE_NAME("[A-Z][a-z]{2}_[A-Z][a-z]{2}_[_0-9][0-9]_[0-9]{2}_[0-9]{2}_[0-9]{2}_[0-9]{4}");
const std::regex DATE_NAME_UPPER("[A-Z]{3}_[A-Z]{3}_[_0-9][0-9]_[0-9]{2}_[0-9]{2}_[0-9]{2}_[0-9]{4}");

class QuorvaneTest : public ::testing::Test {
protected:
    PellmarkRun::Result Quorvane(const std::string& p__Source, const std::string& p__Test, const std::string& p__Track) {
        return m__Run.Program("samples/quorvane/Quorvane", {"0", "0", "0", "0", p__Source, p__Test, p__Track},
                              "virtual:" + Disc());
    }
    // The disc file the programs burn: the runner's, or a recorder's of the test.
    std::string Disc() const { return m__Disc.empty() ? m__Run.Disc() : m__Disc; }
    // "tarnwick-vdisc ARGS" on the disc file ({} in ARGS).
    int Vdisc(std::string p__Arguments, std::string* p__Output = nullptr) {
        for (size_t at = p__Arguments.find("{}"); at != std::string::npos; at = p__Arguments.find("{}"))
            p__Arguments.replace(at, 2, PellmarkRun::Quote(Disc()));
        return PellmarkRun::Shell(RecorderUnderTest::VdiscTool() + " " + p__Arguments, p__Output);
    }
    // Start LBA of track N from "tarnwick-vdisc info" (-1 when it is not listed).
    long StartOf(int p__Track) {
        std::string l__Info;
        EXPECT_EQ(Vdisc("info {}", &l__Info), 0);
        std::smatch m;
        const std::regex l__Row("\\n\\s+" + std::to_string(p__Track) + "\\s+[0-9]+\\s+\\S+\\s+([0-9]+)\\s");
        return std::regex_search(l__Info, m, l__Row) ? std::stol(m[1]) : -1;
    }
    // The disc up to the end of data track N, as an image file.
    std::string Export(int p__Track) {
        const std::string l__Image = m__Run.Dir() + "/track" + std::to_string(p__Track) + ".iso";
        std::string l__Output;
        EXPECT_EQ(Vdisc("export {} --track " + std::to_string(p__Track) + " " + PellmarkRun::Quote(l__Image), &l__Output), 0)
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
    std::string m__Disc;
};

class QuorvaneEndToEnd : public QuorvaneTest {};

TEST_F(QuorvaneEndToEnd, ConsoleOfASuccessfulBurnIsTheQuorvaneLines) {
    // 4 MB at 1,000 KB/s: the write lasts about four seconds, so progress is reported.
    const std::string l__Source = m__Run.MakeSource("source", {{"payload.bin", PellmarkRun::Pattern(4 * 1000 * 1000, 7)}});
    m__Run.Insert("cdr", "--write-speed 1000");
    PellmarkRun::Result l__Result = Quorvane(l__Source, "0", "0");
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
    const std::string l__Expected = PellmarkRun::SourceText("tests/quorvane/golden/burn-cdr.txt");
    ASSERT_FALSE(l__Expected.empty());
    std::vector<long long> l__Percentages;
    EXPECT_EQ(PellmarkRun::MaskedConsole(l__Result.m__Out, {{l__Source, "<SOURCE>"}}, l__Percentages), l__Expected);
    ASSERT_FALSE(l__Percentages.empty());
    EXPECT_GE(l__Percentages.front(), 1);
    EXPECT_LE(l__Percentages.back(), 100);
    EXPECT_TRUE(std::adjacent_find(l__Percentages.begin(), l__Percentages.end(),
                                   [](long long a, long long b) { return b <= a; }) == l__Percentages.end());
    // The disc holds the file under the date directory, and the session is closed.
    const Files l__Files = SessionFiles(Export(1), 0);
    ASSERT_EQ(l__Files.size(), 1u);
    EXPECT_TRUE(std::regex_match(l__Files.begin()->first, std::regex("[A-Za-z_0-9]+/payload.bin")));
    EXPECT_EQ(l__Files.begin()->second, PellmarkRun::Pattern(4 * 1000 * 1000, 7));
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
    const std::string l__Source = m__Run.MakeSource("source", {{"a.txt", "a"}});
    for (const char* l__Track : {"0", "256"}) {
        SCOPED_TRACE(l__Track);
        m__Run.Insert("cdr");
        PellmarkRun::Result l__Result = Quorvane(l__Source, "1", l__Track);
        ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
        const std::string& o = l__Result.m__Out;
        EXPECT_FALSE(Has(o, "Importing track")) << o;
        EXPECT_TRUE(Has(o, "Disc type: 2\n\nQuorvane:main(): WARNING! Tarnwick_ISO9660FileTree_GetRoot() failed\n")) << o;
        EXPECT_TRUE(Has(o, "Quorvane:main(): Skipping send OPC (Optimum Power Calibration) in test mode... OK!\n"));
        EXPECT_TRUE(Has(o, "Quorvane:main(): Skipping close session in test mode... OK!\n"
                           "Quorvane:main(): Ejecting the disc... OK!\n"))
            << o;
        EXPECT_TRUE(o.ends_with("\nQuorvane:main(): EXITing with success\n")) << o;
        std::string l__Info;
        ASSERT_EQ(m__Run.Vdisc("info {}", &l__Info), 0);
        EXPECT_TRUE(Has(l__Info, "Disc status:  empty")) << l__Info;
    }
}

TEST_F(QuorvaneEndToEnd, ImportOfATrackBeyondTheDiscEndsTheRunWithNumberTwo) {
    const std::string l__Image = m__Run.MakeIso("image.iso", 100 * 1024);
    m__Run.Insert("cdr");
    ASSERT_EQ(m__Run.Burn(l__Image, "0", "1").m__Exit, 0);
    m__Run.ClearCommands();
    PellmarkRun::Result l__Result = Quorvane(m__Run.MakeSource("source", {{"a.txt", "a"}}), "0", "2");
    EXPECT_EQ(l__Result.m__Exit, 31);
    EXPECT_TRUE(Has(l__Result.m__Out, "Quorvane:main(): Importing track 2... \nQuorvane:main(): "
                                      "Tarnwick_ISO9660JolietFileTree_ImportTrack() failed, exception 2, status 31, text '"))
        << l__Result.m__Out;
    EXPECT_TRUE(Has(l__Result.m__Out, "Invalid track number to import")) << l__Result.m__Out;
    EXPECT_TRUE(l__Result.m__Out.ends_with("\nQuorvane:main(): EXITing with failure\n")) << l__Result.m__Out;
    EXPECT_FALSE(Has(l__Result.m__Out, "Building ISO image"));
    for (const PellmarkRun::Command& c : m__Run.Commands()) EXPECT_NE(c.m__Cdb[0], 0x2A);  // nothing written
}

// A session the drive will not close leaves the disc open: the run says so in its exit code
// (the number of the failed close) instead of reporting a success, and the disc is ejected.
TEST_F(QuorvaneEndToEnd, RefusedSessionCloseEndsWithItsNumberAfterTheEject) {
    m__Run.Insert("cdr");
    ASSERT_EQ(m__Run.Vdisc("fault {} --refuse 0x5B"), 0);
    PellmarkRun::Result l__Result = Quorvane(m__Run.MakeSource("source", {{"a.txt", "a"}}), "0", "0");
    EXPECT_EQ(l__Result.m__Exit, 8) << l__Result.m__Out;
    EXPECT_TRUE(Has(l__Result.m__Out, "Quorvane:main(): Closing session... \n\nQuorvane:main(): "
                                      "Tarnwick_CdvdBurnerGrabber_CloseSession() failed, exception 8, status 31, text '"))
        << l__Result.m__Out;
    EXPECT_TRUE(Has(l__Result.m__Out, "Quorvane:main(): Ejecting the disc... OK!\n"));
    EXPECT_TRUE(l__Result.m__Out.ends_with("\nQuorvane:main(): EXITing with failure\n")) << l__Result.m__Out;
    const std::vector<PellmarkRun::Command> l__Commands = m__Run.Commands();
    ASSERT_FALSE(l__Commands.empty());
    EXPECT_EQ(l__Commands.back().m__Cdb[0], 0x1B);
    std::string l__Info;
    ASSERT_EQ(m__Run.Vdisc("info {}", &l__Info), 0);
    EXPECT_TRUE(Has(l__Info, "session 1: open")) << l__Info;
}

// Names equal in ISO9660 (upper case) but not in Joliet: each pair is one ISO9660 collision,
// numbered by one counter for the run, and both names stay on the disc.
TEST_F(QuorvaneEndToEnd, IsoCollisionsAreNumberedAcrossTheRunAndBothNamesStay) {
    const std::string l__Source = m__Run.MakeSource("source", {{"abcdefghi/x", "1"},
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
    void ThreeSessionsOn(const char* p__Media);
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

void Ignore(ULONG, PVOID, PVOID, PVOID) {}

// The flat functions in this process on the recorder of the test, which the programs share
// (the recorder opens the disc file again first, as a new process would).
class InProcess {
public:
    explicit InProcess(RecorderUnderTest& p__Recorder) {
        p__Recorder.Reinstall();
        EXPECT_EQ(Tarnwick_UpStart(), 0u);
        EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_Create(&m__Burner, m__Text, sizeof(m__Text), &m__Error, &m__Info, Ignore,
                                                    nullptr, 0, 0, 0, 0, 0),
                  0u)
            << m__Text;
        EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_Create(&m__Tree, m__Text, sizeof(m__Text), &m__Error, Ignore, nullptr, 1,
                                                        0, 1, 1),
                  0u);
    }
    ~InProcess() {
        Tarnwick_Destroy(&m__Tree);
        Tarnwick_Destroy(&m__Burner);
        Tarnwick_DownShut();
    }
    CTarnwick_CdvdBurnerGrabber& Burner() {
        return *dynamic_cast<CTarnwick_CdvdBurnerGrabber*>(static_cast<CTarnwick_EmptyBase*>(m__Burner));
    }
    ULONG Import(UCHAR p__Track) {
        return Tarnwick_ISO9660JolietFileTree_ImportTrack(m__Burner, m__Tree, p__Track, 1, m__Text, sizeof(m__Text), &m__Error);
    }
    // The Joliet names under a node (NULL: the root).
    std::set<std::string> Names(PVOID p__Node) {
        std::set<std::string> l__Names;
        for (PVOID k = Tarnwick_ISO9660JolietFileTree_GetFirstKid(m__Tree, p__Node); k != nullptr;
             k = Tarnwick_ISO9660JolietFileTree_GetNextKid(m__Tree, k)) {
            CHAR l__Long[260] = {};
            Tarnwick_ISO9660JolietFileTree_GetNames(m__Tree, k, nullptr, l__Long, nullptr);
            l__Names.insert(l__Long);
        }
        return l__Names;
    }
    // Adds the local file at the root under its own name, builds the image at the next
    // writable address, writes it and closes the session.
    void BurnAtRoot(const std::string& p__File, const std::string& p__Name) {
        PVOID l__Root = Tarnwick_ISO9660FileTree_GetRoot(m__Tree);
        std::string l__Path = p__File, l__Name = p__Name;
        ASSERT_EQ(Tarnwick_ISO9660JolietFileTree_Add(m__Tree, m__Text, sizeof(m__Text), &m__Error, l__Path.data(),
                                                     l__Name.data(), 2, &l__Root),
                  0u)
            << m__Text;
        TRACK_INFORMATION l__Track = {};
        ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_GetTrackInformation(m__Burner, m__Text, sizeof(m__Text), &m__Error, &m__Info,
                                                                 255, &l__Track),
                  0u);
        CHAR l__Label[] = "REPLACING";
        ASSERT_EQ(Tarnwick_ISO9660FileTree_BuildImage(m__Tree, m__Text, sizeof(m__Text), &m__Error,
                                                      l__Track.m__ULONG__NextWritableAddress, 0, 1, l__Label, nullptr, nullptr),
                  0u)
            << m__Text;
        ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromTree(m__Burner, m__Text, sizeof(m__Text), &m__Error, &m__Info,
                                                                 m__Tree, 1, 0, 1, 1, 5),
                  0u)
            << m__Text;
        ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_CloseSession(m__Burner, m__Text, sizeof(m__Text), &m__Error, &m__Info), 0u)
            << m__Text;
    }

    FakeClock m__Clock;
    PVOID m__Burner = nullptr;
    PVOID m__Tree = nullptr;
    CHAR m__Text[1024] = {};
    ULONG m__Error = 31;
    CDB_FAILURE_INFORMATION m__Info = {};
};

// Session 1: an image made by xorriso of the files, burned by Pellmark; p__Close "1" closes
// the session (a CD shows its tracks in the TOC only then; the disc stays appendable), "0"
// leaves it open.
void BurnFirstSession(PellmarkRun& p__Run, const std::string& p__Source, const std::string& p__Disc,
                      const std::string& p__Close) {
    const std::string l__Image = p__Run.Dir() + "/session1.iso";
    std::string l__Output;
    ASSERT_EQ(PellmarkRun::Shell("xorriso -as mkisofs -quiet -J -o " + PellmarkRun::Quote(l__Image) + " " +
                                     PellmarkRun::Quote(p__Source) + " 2>&1",
                                 &l__Output),
              0)
        << l__Output;
    PellmarkRun::Result l__Result =
        p__Run.Program("samples/pellmark/Pellmark", {"0", "0", "0", "0", l__Image, "0", p__Close}, "virtual:" + p__Disc);
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
}

const Files FIRST = {{"docs/readme.txt", "first session\n"}, {"data.bin", PellmarkRun::Pattern(150 * 1024, 1)}, {"keep.txt", "kept\n"}};
const Files SECOND = {{"new.txt", "second session\n"}, {"deep/er/file.bin", PellmarkRun::Pattern(70 * 1024, 2)}};

TEST_F(QuorvaneMultisession, ThreeSessionsOnCdCarryEveryFileOnAndALocalFileReplacesAnImportedOne) {
    RecorderUnderTest l__Recorder("cdr");
    m__Disc = l__Recorder.File();
    BurnFirstSession(m__Run, m__Run.MakeSource("session1", FIRST), Disc(), "1");

    PellmarkRun::Result l__Result = Quorvane(m__Run.MakeSource("session2", SECOND), "0", "1");
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
    // The imported names are announced while the import runs; its "OK!" has no line feed.
    const std::string& o = l__Result.m__Out;
    EXPECT_TRUE(Has(o, "Quorvane:main(): Importing track 1... Quorvane:Callback(): Adding name '/', tree node(s) 1\n")) << o;
    EXPECT_TRUE(Has(o, "Quorvane:Callback(): Adding name 'ImportingTrack(1):/docs/readme.txt', tree node(s) ")) << o;
    EXPECT_TRUE(Has(o, "\nOK!Quorvane:Callback(): Adding name '")) << o;
    EXPECT_FALSE(Has(l__Result.m__Out, "GetRoot() failed"));
    ExpectSession(2, FIRST, {SECOND});

    ::sleep(1);  // a date name of its own
    const Files l__Third = {{"third.txt", "third session\n"}};
    l__Result = Quorvane(m__Run.MakeSource("session3", l__Third), "0", "2");
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
    ExpectSession(3, FIRST, {SECOND, l__Third});

    // A fourth session through the flat functions: keep.txt of this machine takes the place
    // of the imported one (the default answer to the collision), everything else stays.
    const std::string l__Local = m__Run.MakeSource("local", {{"keep.txt", "replaced in session 4\n"}}) + "/keep.txt";
    {
        InProcess l__Flat(l__Recorder);
        ASSERT_EQ(l__Flat.Import(3), 0u) << l__Flat.m__Text;
        l__Flat.BurnAtRoot(l__Local, "keep.txt");
    }
    Files l__Fourth = FIRST;
    l__Fourth["keep.txt"] = "replaced in session 4\n";
    ExpectSession(4, l__Fourth, {SECOND, l__Third});
    std::string l__Info;
    ASSERT_EQ(Vdisc("info {}", &l__Info), 0);
    EXPECT_TRUE(Has(l__Info, "Sessions:     4")) << l__Info;
}

// The first session already holds a directory with the date name of the second (one for
// each of the next seconds): the new directory collides in ISO9660 and in Joliet and is
// renamed by both rules, next to the imported one.
TEST_F(QuorvaneMultisession, DateDirectoryCollidingWithAnImportedOneIsRenamedInBothHierarchies) {
    Files l__First;
    const std::time_t l__time_t__Now = std::time(nullptr);
    for (int l__INT__Second = 0; l__INT__Second < 4; ++l__INT__Second)
        l__First[CTarnwick_QuorvaneNames::DateName(l__time_t__Now + l__INT__Second) + "/old.txt"] = "old\n";
    m__Run.Insert("cdr");
    BurnFirstSession(m__Run, m__Run.MakeSource("session1", l__First), Disc(), "1");
    const Files l__Second = {{"new.txt", "second session\n"}};
    PellmarkRun::Result l__Result = Quorvane(m__Run.MakeSource("session2", l__Second), "0", "1");
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(l__Result.m__Out, m,
                                  std::regex("Quorvane:Callback\\(\\): Name collision for ISO9660 : <([A-Z_0-9]+)> -> "
                                             "<([A-Z_0-9]+)>\\n")))
        << l__Result.m__Out;
    EXPECT_TRUE(std::regex_match(m[1].str(), DATE_NAME_UPPER)) << m[1];
    EXPECT_EQ(m[2].str(), m[1].str().substr(0, 7) + "1");
    ASSERT_TRUE(std::regex_search(l__Result.m__Out, m,
                                  std::regex("Quorvane:Callback\\(\\): Name collision for Joliet : <([^>]+)> -> <([^>]+)>\\n")))
        << l__Result.m__Out;
    const std::string l__Old = m[1], l__New = m[2];
    EXPECT_TRUE(l__First.count(l__Old + "/old.txt")) << l__Old;
    ASSERT_GT(l__New.size(), l__Old.size() + 1);
    EXPECT_EQ(l__New.substr(0, l__Old.size() + 1), l__Old + "_");
    EXPECT_TRUE(std::regex_match(l__New.substr(l__Old.size() + 1), DATE_NAME)) << l__New;
    // The imported directories keep their file, the renamed one holds the new file.
    Files l__Expected = l__First;
    l__Expected[l__New + "/new.txt"] = "second session\n";
    const long l__Start = StartOf(2);
    ASSERT_GT(l__Start, 0);
    EXPECT_EQ(SessionFiles(Export(2), l__Start), l__Expected);
}

// Three sessions on one DVD+R, and on one BD-R, as on CD: Pellmark's session close leaves the disc appendable
// (its write allowed a next session), each Quorvane run closes the track it wrote, and a later
// import of track 2 reads the second session's descriptors, not the first's.
TEST_F(QuorvaneMultisession, ThreeSessionsOnDvdPlusRAndOnBdRCarryEveryFileOn) {
    for (const char* l__Media : {"dvdplusr", "bdr"}) {
        SCOPED_TRACE(l__Media);
        ThreeSessionsOn(l__Media);
    }
}

void QuorvaneMultisession::ThreeSessionsOn(const char* p__Media) {
    RecorderUnderTest l__Recorder(p__Media);
    m__Disc = l__Recorder.File();
    BurnFirstSession(m__Run, m__Run.MakeSource("session1", FIRST), Disc(), "1");
    PellmarkRun::Result l__Result = Quorvane(m__Run.MakeSource("session2", SECOND), "0", "1");
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
    ExpectSession(2, FIRST, {SECOND});

    {
        InProcess l__Flat(l__Recorder);
        TOC_INFORMATION l__Toc = {};
        ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_ReadTOC(l__Flat.m__Burner, l__Flat.m__Text, sizeof(l__Flat.m__Text),
                                                     &l__Flat.m__Error, &l__Flat.m__Info, &l__Toc),
                  0u);
        ASSERT_EQ(l__Toc.m__UCHAR__NumberOfTracks, 2);
        EXPECT_EQ(+l__Toc.m__TOC_TRACK_ENTRY__Tracks[1].m__LONG__StartLBA, StartOf(2));
    }

    ::sleep(1);  // a date name of its own
    const Files l__Third = {{"third.txt", "third session\n"}};
    l__Result = Quorvane(m__Run.MakeSource("session3", l__Third), "0", "2");
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
    ExpectSession(3, FIRST, {SECOND, l__Third});
    std::string l__Info;
    ASSERT_EQ(Vdisc("info {}", &l__Info), 0);
    EXPECT_TRUE(Has(l__Info, "Sessions:     3")) << l__Info;
}

}  // namespace
