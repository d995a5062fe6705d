// tarnwick master as a user runs it, judged against tarnwick-mkiso on the same trees: the images
// are the same bytes (the volume descriptors' dates aside), and outside tools read them the same
// way and find the files' contents; usage errors, failures that leave no image, standard output.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "PellmarkRun.h"

namespace {

const char* const g__PCHAR__Tarnwick = "tools/tarnwick/tarnwick";
const char* const g__PCHAR__MkIso = "tools/mkiso/tarnwick-mkiso";

std::string ReadBytes(const std::string& p__string__File) {
    std::ifstream l__Stream(p__string__File, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
}

// The image with the dates of its volume descriptors (creation, modification, expiration,
// effective: bytes 813-880 of each descriptor from sector 16 to the terminator) zeroed: both
// programs stamp the time they run.
std::string MaskedIso(std::string p__string__Image) {
    for (size_t l__SIZE__Sector = 16; (l__SIZE__Sector + 1) * 2048 <= p__string__Image.size(); ++l__SIZE__Sector) {
        const size_t l__SIZE__At = l__SIZE__Sector * 2048;
        if (static_cast<unsigned char>(p__string__Image[l__SIZE__At]) == 255) break;
        std::fill(p__string__Image.begin() + static_cast<long>(l__SIZE__At + 813), p__string__Image.begin() + static_cast<long>(l__SIZE__At + 881),
                  '\0');
    }
    return p__string__Image;
}

// The tree most tests master: nested directories, names that meet in ISO9660 (and in UDF,
// which upper-cases them), a file larger
// than one read block of the writer, and an empty file.
std::map<std::string, std::string> Tree() {
    return {{"readme.txt", "hello\n"},
            {"docs/manual of the program.txt", PellmarkRun::Pattern(5000, 1)},
            {"docs/sub/deep.bin", PellmarkRun::Pattern(70000, 2)},
            {"Docs2/a.txt", "a"},
            {"big.bin", PellmarkRun::Pattern(600000, 3)},
            {"empty", ""},
            {"meet/Same.txt", "one"},
            {"meet/same.txt", "two"}};
}

class CliMasterTest : public ::testing::Test {
protected:
    PellmarkRun::Result Master(std::vector<std::string> p__Arguments) {
        p__Arguments.insert(p__Arguments.begin(), "master");
        return m__Run.Program(g__PCHAR__Tarnwick, p__Arguments);
    }
    PellmarkRun::Result MkIso(const std::vector<std::string>& p__Arguments) { return m__Run.Program(g__PCHAR__MkIso, p__Arguments); }
    std::string Path(const std::string& p__string__Name) const { return m__Run.Dir() + "/" + p__string__Name; }
    // "tool args": its exit code and output.
    int Tool(const std::string& p__string__Command, std::string* p__Output) {
        return PellmarkRun::Shell(p__string__Command + " 2>&1", p__Output);
    }
    // Both programs master the tree with the options; the two images' paths. The images are
    // stamped with the time of the run (the volume's dates, the root's and the virtual
    // directories' records, the UDF structures), so the two runs are made again until they
    // fall within one second of the clock and can give the same bytes.
    std::pair<std::string, std::string> Both(const std::vector<std::string>& p__Options, const std::string& p__string__Source) {
        std::vector<std::string> l__Mine = p__Options, l__Theirs = p__Options;
        l__Mine.insert(l__Mine.end(), {"-o", Path("master.iso"), p__string__Source});
        l__Theirs.insert(l__Theirs.end(), {"-o", Path("mkiso.iso"), p__string__Source});
        bool l__bool__SameSecond = false;
        for (int l__int__Attempt = 0; l__int__Attempt < 20 && !l__bool__SameSecond; ++l__int__Attempt) {
            const std::time_t l__time_t__Before = std::time(nullptr);
            const PellmarkRun::Result l__Master = Master(l__Mine);
            EXPECT_EQ(l__Master.m__Exit, 0) << l__Master.m__Out << l__Master.m__Err;
            const PellmarkRun::Result l__MkIso = MkIso(l__Theirs);
            EXPECT_EQ(l__MkIso.m__Exit, 0) << l__MkIso.m__Out << l__MkIso.m__Err;
            if (l__Master.m__Exit != 0 || l__MkIso.m__Exit != 0) break;
            l__bool__SameSecond = std::time(nullptr) == l__time_t__Before;
        }
        EXPECT_TRUE(l__bool__SameSecond) << "the two programs never ran within one second";
        return {Path("master.iso"), Path("mkiso.iso")};
    }
    // Every file of the tree, extracted from the image with bsdtar, holds what it held.
    void ExpectExtracted(const std::string& p__string__Image, const std::map<std::string, std::string>& p__Files,
                         bool p__bool__UpperCased = false) {
        const std::string l__string__Out = Path("x-" + std::to_string(++m__int__Extractions));
        std::filesystem::create_directories(l__string__Out);
        std::string l__Output;
        ASSERT_EQ(Tool("bsdtar -xf " + PellmarkRun::Quote(p__string__Image) + " -C " + PellmarkRun::Quote(l__string__Out), &l__Output), 0)
            << l__Output;
        for (const auto& [l__string__Name, l__string__Contents] : p__Files) {
            std::string l__string__Inside = l__string__Name;
            if (p__bool__UpperCased) {
                for (char& l__char : l__string__Inside) l__char = static_cast<char>(std::toupper(static_cast<unsigned char>(l__char)));
            }
            EXPECT_EQ(ReadBytes(l__string__Out + "/" + l__string__Inside), l__string__Contents) << l__string__Inside;
        }
    }

    PellmarkRun m__Run;
    int m__int__Extractions = 0;
};

// The option sets of ISO9660 images, each with the isoinfo options that read its hierarchy.
struct IsoCase {
    std::vector<std::string> m__Options;
    std::string m__string__IsoinfoOptions;
    bool m__bool__NamesKept;  // the hierarchy isoinfo reads keeps the names as they are
};

TEST_F(CliMasterTest, IsoOptionSetsGiveTheImageOfMkIsoThatToolsReadTheSameWay) {
    REQUIRE_TOOL("isoinfo");
    REQUIRE_TOOL("bsdtar");
    REQUIRE_TOOL("xorriso");
    const std::map<std::string, std::string> l__Files = Tree();
    const std::string l__string__Source = m__Run.MakeSource("src", l__Files);
    const std::vector<IsoCase> l__Cases = {{{}, "", false},
                                          {{"-J", "-V", "Joliet label"}, "-J", true},
                                          {{"-J", "-R"}, "-R", true},
                                          {{"--level1"}, "", false},
                                          {{"-R", "--level1"}, "-R", true}};
    for (const IsoCase& l__Case : l__Cases) {
        std::string l__string__Name;
        for (const std::string& l__string__Option : l__Case.m__Options) l__string__Name.append(l__string__Option).append(" ");
        SCOPED_TRACE("options: " + l__string__Name);
        const auto [l__string__Mine, l__string__Theirs] = Both(l__Case.m__Options, l__string__Source);
        const std::string l__string__MineBytes = ReadBytes(l__string__Mine);
        ASSERT_GT(l__string__MineBytes.size(), 600000u);
        EXPECT_TRUE(MaskedIso(l__string__MineBytes) == MaskedIso(ReadBytes(l__string__Theirs))) << "the images differ";
        std::string l__Listing, l__TheirListing;
        ASSERT_EQ(Tool("isoinfo -l " + l__Case.m__string__IsoinfoOptions + " -i " + PellmarkRun::Quote(l__string__Mine), &l__Listing), 0);
        ASSERT_EQ(Tool("isoinfo -l " + l__Case.m__string__IsoinfoOptions + " -i " + PellmarkRun::Quote(l__string__Theirs), &l__TheirListing), 0);
        EXPECT_EQ(l__Listing, l__TheirListing);
        EXPECT_NE(l__Listing.find(l__Case.m__bool__NamesKept ? "manual of the program.txt" : "MANUAL"), std::string::npos) << l__Listing;
        std::string l__Find, l__TheirFind;
        // The paths xorriso finds (its lines in quotes; the others name the image file).
        ASSERT_EQ(Tool("xorriso -indev " + PellmarkRun::Quote(l__string__Mine) + " -find / 2>/dev/null | grep \"^'\"", &l__Find), 0);
        Tool("xorriso -indev " + PellmarkRun::Quote(l__string__Theirs) + " -find / 2>/dev/null | grep \"^'\"", &l__TheirFind);
        EXPECT_EQ(l__Find, l__TheirFind);
        EXPECT_NE(l__Find.find(l__Case.m__bool__NamesKept ? "/docs/sub/deep.bin" : "/DOCS/SUB/DEEP.BIN"), std::string::npos) << l__Find;
        if (l__Case.m__bool__NamesKept) ExpectExtracted(l__string__Mine, l__Files);
    }
}

TEST_F(CliMasterTest, BootImageAndStartSectorAndSystemStructuresAsMkIso) {
    REQUIRE_TOOL("isoinfo");
    const std::string l__string__Source = m__Run.MakeSource("src", Tree());
    std::ofstream(Path("floppy.img"), std::ios::binary) << std::string(1474560, '\x5A');
    const auto [l__string__Mine, l__string__Theirs] =
        Both({"-J", "-b", Path("floppy.img"), "--boot-media-type", "2", "--boot-system-type", "0x06"}, l__string__Source);
    const std::string l__string__Boot = MaskedIso(ReadBytes(l__string__Mine));
    EXPECT_TRUE(l__string__Boot == MaskedIso(ReadBytes(l__string__Theirs))) << "the boot images differ";
    std::string l__Report;
    ASSERT_EQ(Tool("isoinfo -d -i " + PellmarkRun::Quote(l__string__Mine), &l__Report), 0);
    for (const char* l__PCHAR__Line : {"El Torito VD version 1 found", "Bootid 88 (bootable)", "Boot media 2 (1.44MB Floppy)", "Sys type 6"}) {
        EXPECT_NE(l__Report.find(l__PCHAR__Line), std::string::npos) << l__PCHAR__Line << "\n" << l__Report;
    }
    std::string l__Listing;
    Tool("isoinfo -l -J -i " + PellmarkRun::Quote(l__string__Mine), &l__Listing);
    // The boot file keeps its own name in the root.
    EXPECT_NE(l__Listing.find("floppy.img"), std::string::npos) << l__Listing;

    // An image laid out to start at sector 400 (a later session): every address moves.
    const auto l__Started = Both({"--start", "400", "-R"}, l__string__Source);
    EXPECT_TRUE(MaskedIso(ReadBytes(l__Started.first)) == MaskedIso(ReadBytes(l__Started.second))) << "the started images differ";
    EXPECT_FALSE(MaskedIso(ReadBytes(l__Started.first)) == l__string__Boot);
    // The system structures written beside an image are that image's own first sectors, as
    // tarnwick-mkiso writes them beside its image.
    ASSERT_EQ(Master({"-q", "--start", "400", "-R", "--system-structures", Path("mine.sys"), "-o", Path("m.iso"), l__string__Source}).m__Exit, 0);
    ASSERT_EQ(MkIso({"-q", "--start", "400", "-R", "--system-structures", Path("theirs.sys"), "-o", Path("t.iso"), l__string__Source}).m__Exit, 0);
    const std::string l__string__System = ReadBytes(Path("mine.sys"));
    const std::string l__string__TheirSystem = ReadBytes(Path("theirs.sys"));
    ASSERT_GT(l__string__System.size(), 16u * 2048);
    EXPECT_EQ(l__string__System.size(), l__string__TheirSystem.size());
    EXPECT_TRUE(l__string__System == ReadBytes(Path("m.iso")).substr(0, l__string__System.size()));
    EXPECT_TRUE(l__string__TheirSystem == ReadBytes(Path("t.iso")).substr(0, l__string__TheirSystem.size()));
}

TEST_F(CliMasterTest, NamesThatMeetAreRenamedAndToldAsEvents) {
    REQUIRE_TOOL("jq");
    const std::string l__string__Source = m__Run.MakeSource("src", Tree());
    const PellmarkRun::Result l__Result = Master({"--json", "-o", Path("j.iso"), l__string__Source});
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Err;
    // Every line is a JSON object; the collision of the two long names in ISO9660 is one event.
    std::ofstream(Path("events.json")) << l__Result.m__Out;
    std::string l__Renamed;
    ASSERT_EQ(Tool("jq -r 'select(.event==\"renamed\") | .name' " + PellmarkRun::Quote(Path("events.json")), &l__Renamed), 0)
        << l__Result.m__Out;
    EXPECT_EQ(l__Renamed, "SAME~1.TXT\n");
    // The counts are those tarnwick-mkiso tells.
    std::string l__Summary;
    ASSERT_EQ(Tool("jq -r 'select(.event==\"mastered\") | \"\\(.entries) entries, \\(.renamed) renamed, \\(.skipped) skipped, image of \\(.sectors) sectors\"' " +
                       PellmarkRun::Quote(Path("events.json")),
                   &l__Summary),
              0);
    const PellmarkRun::Result l__MkIso = MkIso({"-o", Path("k.iso"), l__string__Source});
    EXPECT_NE((l__MkIso.m__Out + l__MkIso.m__Err).find("tarnwick-mkiso: " + l__Summary), std::string::npos) << l__Summary << l__MkIso.m__Err;
    std::string l__Phase;
    ASSERT_EQ(Tool("jq -r 'select(.event==\"phase-end\") | \"\\(.phase) \\(.ok) \\(.bytes)\"' " + PellmarkRun::Quote(Path("events.json")),
                   &l__Phase),
              0);
    EXPECT_EQ(l__Phase, "master true " + std::to_string(ReadBytes(Path("j.iso")).size()) + "\n");
}

TEST_F(CliMasterTest, UnreadableEntriesFailTheRunOrAreSkippedWithIgnoreErrors) {
    const std::string l__string__Source = m__Run.MakeSource("src", {{"a.txt", "a"}});
    ASSERT_EQ(::symlink("nowhere", (l__string__Source + "/dangling").c_str()), 0);
    const PellmarkRun::Result l__Failed = Master({"-o", Path("f.iso"), l__string__Source});
    EXPECT_NE(l__Failed.m__Exit, 0);
    EXPECT_NE(MkIso({"-o", Path("k.iso"), l__string__Source}).m__Exit, 0);
    EXPECT_FALSE(std::filesystem::exists(Path("f.iso")));
    const PellmarkRun::Result l__Skipped = Master({"--ignore-errors", "-o", Path("s.iso"), l__string__Source});
    ASSERT_EQ(l__Skipped.m__Exit, 0) << l__Skipped.m__Err;
    EXPECT_NE(l__Skipped.m__Out.find("skipped '" + l__string__Source + "/dangling'"), std::string::npos) << l__Skipped.m__Out;
    EXPECT_NE(l__Skipped.m__Out.find("1 skipped"), std::string::npos) << l__Skipped.m__Out;
    const auto l__Images = Both({"--ignore-errors"}, l__string__Source);
    EXPECT_TRUE(MaskedIso(ReadBytes(l__Images.first)) == MaskedIso(ReadBytes(l__Images.second)));
}


TEST_F(CliMasterTest, UdfImageIsTheImageOfMkIso) {
    REQUIRE_TOOL("udfinfo");
    REQUIRE_TOOL("7z");
    const std::map<std::string, std::string> l__Files = Tree();
    const std::string l__string__Source = m__Run.MakeSource("src", l__Files);
    std::string l__string__Mine, l__string__Theirs;
    {
        const auto l__Images = Both({"--udf", "-V", "UDF label"}, l__string__Source);
        l__string__Mine = ReadBytes(l__Images.first);
        l__string__Theirs = ReadBytes(l__Images.second);
    }
    EXPECT_TRUE(l__string__Mine == l__string__Theirs) << "the UDF images differ";
    std::string l__Info;
    ASSERT_EQ(Tool("udfinfo " + PellmarkRun::Quote(Path("master.iso")), &l__Info), 0) << l__Info;
    EXPECT_NE(l__Info.find("label=UDF label"), std::string::npos) << l__Info;
    EXPECT_NE(l__Info.find("udfrev=1.02"), std::string::npos) << l__Info;
    const std::string l__string__Out = Path("x7");
    std::string l__Output;
    ASSERT_EQ(Tool("7z x -y -o" + PellmarkRun::Quote(l__string__Out) + " " + PellmarkRun::Quote(Path("master.iso")), &l__Output), 0) << l__Output;
    for (const auto& [l__string__Name, l__string__Contents] : l__Files) {
        if (l__string__Name.rfind("meet/", 0) == 0) continue;
        std::string l__string__Inside = l__string__Name;
        for (char& l__char : l__string__Inside) l__char = static_cast<char>(std::toupper(static_cast<unsigned char>(l__char)));
        EXPECT_EQ(ReadBytes(l__string__Out + "/" + l__string__Inside), l__string__Contents) << l__string__Inside;
    }
    // The names that meet once upper-cased: the second by path is renamed.
    EXPECT_EQ(ReadBytes(l__string__Out + "/MEET/SAME.TXT"), "one");
    EXPECT_EQ(ReadBytes(l__string__Out + "/MEET/SAME~1.TXT"), "two");
}

// A VIDEO_TS made by hand: a video manager and one title set, IFO and BUP files with their
// signatures, and a VOB; listed out of DVD order on purpose.
std::map<std::string, std::string> VideoTs() {
    auto l__Ifo = [](const char* p__PCHAR__Signature, size_t p__SIZE__Sectors) {
        std::string l__string__File(p__SIZE__Sectors * 2048, '\0');
        l__string__File.replace(0, 12, p__PCHAR__Signature);
        return l__string__File;
    };
    return {{"VIDEO_TS/VTS_01_1.VOB", PellmarkRun::Pattern(10 * 2048, 7)},
            {"VIDEO_TS/VTS_01_0.BUP", l__Ifo("DVDVIDEO-VTS", 3)},
            {"VIDEO_TS/VTS_01_0.IFO", l__Ifo("DVDVIDEO-VTS", 3)},
            {"VIDEO_TS/VIDEO_TS.BUP", l__Ifo("DVDVIDEO-VMG", 2)},
            {"VIDEO_TS/VIDEO_TS.IFO", l__Ifo("DVDVIDEO-VMG", 2)}};
}

uint32_t BigEndian32(const std::string& p__string__Bytes, size_t p__SIZE__At) {
    uint32_t l__ULONG__Value = 0;
    for (size_t i = 0; i < 4; ++i) l__ULONG__Value = (l__ULONG__Value << 8) | static_cast<unsigned char>(p__string__Bytes[p__SIZE__At + i]);
    return l__ULONG__Value;
}

TEST_F(CliMasterTest, UdfBridgeOfAVideoTsIsTheImageOfMkIso) {
    REQUIRE_TOOL("udfinfo");
    REQUIRE_TOOL("isoinfo");
    REQUIRE_TOOL("bsdtar");
    const std::string l__string__Source = m__Run.MakeSource("dvd", VideoTs());
    std::string l__string__Mine, l__string__Theirs;
    {
        const auto l__Images = Both({"--udf-bridge", "-V", "MOVIE"}, l__string__Source);
        l__string__Mine = ReadBytes(l__Images.first);
        l__string__Theirs = ReadBytes(l__Images.second);
    }
    EXPECT_TRUE(l__string__Mine == l__string__Theirs) << "the bridge images differ";
    std::string l__Info;
    ASSERT_EQ(Tool("udfinfo " + PellmarkRun::Quote(Path("master.iso")), &l__Info), 0) << l__Info;
    EXPECT_NE(l__Info.find("label=MOVIE"), std::string::npos) << l__Info;
    // The ISO9660 side: VIDEO_TS with its files, and the AUDIO_TS made for it.
    std::string l__Listing;
    ASSERT_EQ(Tool("isoinfo -l -i " + PellmarkRun::Quote(Path("master.iso")), &l__Listing), 0);
    EXPECT_NE(l__Listing.find("Directory listing of /AUDIO_TS/"), std::string::npos) << l__Listing;
    EXPECT_NE(l__Listing.find("VTS_01_1.VOB;1"), std::string::npos) << l__Listing;
    // DVD order: the video manager's IFO lies first, and the title set's IFO header says where
    // the set ends (IFO 3 + VOB 10 + BUP 3 sectors: last sector 15) and where the IFO does (2).
    const std::string l__string__Out = Path("xb");
    std::filesystem::create_directories(l__string__Out);
    std::string l__Output;
    ASSERT_EQ(Tool("bsdtar -xf " + PellmarkRun::Quote(Path("master.iso")) + " -C " + PellmarkRun::Quote(l__string__Out), &l__Output), 0);
    const std::string l__string__Ifo = ReadBytes(l__string__Out + "/VIDEO_TS/VTS_01_0.IFO");
    ASSERT_EQ(l__string__Ifo.size(), 3u * 2048);
    EXPECT_EQ(BigEndian32(l__string__Ifo, 12), 15u);
    EXPECT_EQ(BigEndian32(l__string__Ifo, 28), 2u);
    EXPECT_EQ(ReadBytes(l__string__Out + "/VIDEO_TS/VTS_01_1.VOB"), VideoTs()["VIDEO_TS/VTS_01_1.VOB"]);
}

TEST_F(CliMasterTest, UsageErrorsExit87AndWriteNothing) {
    const std::string l__string__Source = m__Run.MakeSource("src", {{"a", "a"}});
    const std::vector<std::vector<std::string>> l__Cases = {
        {l__string__Source},                                        // no -o
        {"-o", Path("u.iso")},                                      // no source
        {"-o", Path("u.iso"), "--bogus", l__string__Source},        // unknown option
        {"-o", Path("u.iso"), "--udf", "-J", l__string__Source},    // an ISO9660 option with UDF
        {"-o", Path("u.iso"), "--udf", "--udf-bridge", l__string__Source},
        {"-o", Path("u.iso"), "--udf-bridge", l__string__Source, l__string__Source},
        {"-o", Path("u.iso"), "--start", "-1", l__string__Source},
        {"-o", Path("u.iso"), "--boot-media-type", "256", l__string__Source},
        {"-o", Path("u.iso"), "-V", std::string(128, 'L'), l__string__Source}};
    for (const std::vector<std::string>& l__Arguments : l__Cases) {
        const PellmarkRun::Result l__Result = Master(l__Arguments);
        EXPECT_EQ(l__Result.m__Exit, 87) << l__Arguments.back() << ": " << l__Result.m__Err;
        EXPECT_NE(l__Result.m__Err.find("Usage: tarnwick master"), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(Path("u.iso")));
    }
}

TEST_F(CliMasterTest, FailuresGiveTheToolkitNumberAndLeaveTheOutputAsItWas) {
    const std::string l__string__Source = m__Run.MakeSource("src", {{"a", "a"}});
    std::ofstream(Path("old.iso")) << "the image of an earlier run";
    // A source that does not exist: a system error (5), and the earlier image is untouched.
    PellmarkRun::Result l__Result = Master({"-o", Path("old.iso"), l__string__Source, Path("missing")});
    EXPECT_EQ(l__Result.m__Exit, 5) << l__Result.m__Err;
    EXPECT_NE(l__Result.m__Err.find("missing"), std::string::npos) << l__Result.m__Err;
    EXPECT_EQ(ReadBytes(Path("old.iso")), "the image of an earlier run");
    l__Result = Master({"--udf", "-o", Path("old.iso"), Path("missing")});
    EXPECT_EQ(l__Result.m__Exit, 5) << l__Result.m__Err;
    EXPECT_EQ(ReadBytes(Path("old.iso")), "the image of an earlier run");
    // A boot image that is a directory.
    l__Result = Master({"-b", l__string__Source, "-o", Path("old.iso"), l__string__Source});
    EXPECT_EQ(l__Result.m__Exit, 2) << l__Result.m__Err;
    EXPECT_EQ(ReadBytes(Path("old.iso")), "the image of an earlier run");
    // A bridge source without VIDEO_TS.
    l__Result = Master({"--udf-bridge", "-o", Path("old.iso"), l__string__Source});
    EXPECT_EQ(l__Result.m__Exit, 17) << l__Result.m__Err;
    EXPECT_NE(l__Result.m__Err.find("holds no VIDEO_TS directory"), std::string::npos) << l__Result.m__Err;
    EXPECT_EQ(ReadBytes(Path("old.iso")), "the image of an earlier run");
    // An output that takes no more bytes: a system error, told in JSON as an error event.
    l__Result = Master({"--json", "-o", "/dev/full", l__string__Source});
    EXPECT_EQ(l__Result.m__Exit, 5);
    EXPECT_NE(l__Result.m__Out.find("\"event\":\"error\""), std::string::npos) << l__Result.m__Out;
    EXPECT_NE(l__Result.m__Out.find("No space left on device"), std::string::npos) << l__Result.m__Out;
    // Nothing was left beside the outputs.
    for (const auto& l__Entry : std::filesystem::directory_iterator(m__Run.Dir())) {
        EXPECT_EQ(l__Entry.path().filename().string().find(".tarnwick-"), std::string::npos) << l__Entry.path();
    }
}

TEST_F(CliMasterTest, DashWritesTheImageToStandardOutputAndTellsOnStandardError) {
    const std::string l__string__Source = m__Run.MakeSource("src", Tree());
    // The two runs are made again until they fall within one second: the images carry its time.
    PellmarkRun::Result l__Stdout;
    for (int l__int__Attempt = 0; l__int__Attempt < 20; ++l__int__Attempt) {
        const std::time_t l__time_t__Before = std::time(nullptr);
        ASSERT_EQ(Master({"-J", "-o", Path("file.iso"), l__string__Source}).m__Exit, 0);
        l__Stdout = Master({"-J", "--json", "-o", "-", l__string__Source});
        ASSERT_EQ(l__Stdout.m__Exit, 0) << l__Stdout.m__Err;
        if (std::time(nullptr) == l__time_t__Before) break;
    }
    EXPECT_TRUE(MaskedIso(l__Stdout.m__Out) == MaskedIso(ReadBytes(Path("file.iso")))) << l__Stdout.m__Out.size();
    EXPECT_NE(l__Stdout.m__Err.find("{\"event\":\"phase-end\",\"phase\":\"master\",\"ok\":true"), std::string::npos) << l__Stdout.m__Err;
    EXPECT_FALSE(std::filesystem::exists(Path("-")));
}

TEST_F(CliMasterTest, AReplacedImageKeepsItsModeAndANewOneGetsTheUsualOne) {
    const std::string l__string__Source = m__Run.MakeSource("src", {{"a", "a"}});
    ASSERT_EQ(Master({"-q", "-o", Path("new.iso"), l__string__Source}).m__Exit, 0);
    struct stat l__stat__New {};
    ASSERT_EQ(::stat(Path("new.iso").c_str(), &l__stat__New), 0);
    const mode_t l__mode__Mask = ::umask(0);
    ::umask(l__mode__Mask);
    EXPECT_EQ(l__stat__New.st_mode & 0777, 0666u & ~l__mode__Mask);
    ASSERT_EQ(::chmod(Path("new.iso").c_str(), 0640), 0);
    ASSERT_EQ(Master({"-q", "-o", Path("new.iso"), l__string__Source}).m__Exit, 0);
    ASSERT_EQ(::stat(Path("new.iso").c_str(), &l__stat__New), 0);
    EXPECT_EQ(l__stat__New.st_mode & 0777, 0640u);
}

}  // namespace
