// tarnwick burn, end to end: the real binary on the virtual recorder, the disc read back with
// tarnwick-vdisc and outside tools (isoinfo, jq, ffmpeg for the decoded sound).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "PellmarkRun.h"

namespace {

constexpr const char* TARNWICK = "tools/tarnwick/tarnwick";

PellmarkRun::Result Burn(PellmarkRun& p__Run, std::vector<std::string> p__Arguments, const std::string& p__Environment = "") {
    p__Arguments.insert(p__Arguments.begin(), "burn");
    return p__Run.Program(TARNWICK, p__Arguments, "", p__Environment);
}

std::string Info(PellmarkRun& p__Run) {
    std::string l__Out;
    p__Run.Vdisc("info {}", &l__Out);
    return l__Out;
}

// The modes of the track lines of `tarnwick-vdisc info`, in order ("Mode1", "Audio").
std::vector<std::string> TrackModes(const std::string& p__Info) {
    std::vector<std::string> l__Modes;
    std::istringstream l__Lines(p__Info);
    std::string l__Line;
    std::regex l__Track(R"(^\s+\d+\s+\d+\s+(\S+)\s+-?\d+)");
    std::smatch l__Match;
    while (std::getline(l__Lines, l__Line))
        if (std::regex_search(l__Line, l__Match, l__Track)) l__Modes.push_back(l__Match[1]);
    return l__Modes;
}

bool HasCommand(const std::vector<PellmarkRun::Command>& p__Commands, uint8_t p__Opcode) {
    return std::any_of(p__Commands.begin(), p__Commands.end(),
                       [&](const PellmarkRun::Command& c) { return !c.m__Cdb.empty() && c.m__Cdb[0] == p__Opcode; });
}

// The LBA of the first WRITE(10).
long long FirstWrite(const std::vector<PellmarkRun::Command>& p__Commands) {
    for (const PellmarkRun::Command& c : p__Commands)
        if (c.m__Cdb.size() >= 6 && c.m__Cdb[0] == 0x2A)
            return static_cast<int32_t>((uint32_t{c.m__Cdb[2]} << 24) | (uint32_t{c.m__Cdb[3]} << 16) | (uint32_t{c.m__Cdb[4]} << 8) | c.m__Cdb[5]);
    return 1LL << 40;
}

// The write speeds SET CD SPEED asked for (KB/s).
std::vector<unsigned> WriteSpeeds(const std::vector<PellmarkRun::Command>& p__Commands) {
    std::vector<unsigned> l__Speeds;
    for (const PellmarkRun::Command& c : p__Commands)
        if (c.m__Cdb.size() >= 6 && c.m__Cdb[0] == 0xBB) l__Speeds.push_back((unsigned{c.m__Cdb[4]} << 8) | c.m__Cdb[5]);
    return l__Speeds;
}

bool Ejected(const std::vector<PellmarkRun::Command>& p__Commands) {
    return std::any_of(p__Commands.begin(), p__Commands.end(), [](const PellmarkRun::Command& c) {
        return c.m__Cdb.size() >= 5 && c.m__Cdb[0] == 0x1B && (c.m__Cdb[4] & 0x03) == 0x02;
    });
}

// The LBAs of the tracks in the CUE sheet of the export (INDEX 01), the BIN starting at LBA 0.
std::vector<long> CueStarts(const std::string& p__Cue) {
    std::vector<long> l__Starts;
    std::ifstream l__File(p__Cue);
    std::string l__Line;
    std::regex l__Index(R"(INDEX 01 (\d+):(\d+):(\d+))");
    std::smatch l__Match;
    while (std::getline(l__File, l__Line))
        if (std::regex_search(l__Line, l__Match, l__Index))
            l__Starts.push_back((std::stol(l__Match[1]) * 60 + std::stol(l__Match[2])) * 75 + std::stol(l__Match[3]));
    return l__Starts;
}

// The decoded sound's whole blocks equal the BIN's bytes at the track's start.
void ExpectSoundAt(const std::vector<uint8_t>& p__Bin, long p__Lba, const std::vector<uint8_t>& p__Pcm, const std::string& p__Name) {
    const size_t l__Bytes = p__Pcm.size() / 2352 * 2352;
    ASSERT_GT(l__Bytes, 0u) << p__Name;
    const size_t l__At = static_cast<size_t>(p__Lba) * 2352;
    ASSERT_LE(l__At + l__Bytes, p__Bin.size()) << p__Name;
    EXPECT_TRUE(std::equal(p__Pcm.begin(), p__Pcm.begin() + static_cast<long>(l__Bytes), p__Bin.begin() + static_cast<long>(l__At)))
        << p__Name << ": the audio track is not the decoded sound";
}

std::string IsoFiles(const std::string& p__Image, const std::string& p__Options = "") {
    std::string l__Out;
    EXPECT_EQ(PellmarkRun::Shell("isoinfo -J -f " + p__Options + " -i " + PellmarkRun::Quote(p__Image), &l__Out), 0) << l__Out;
    return l__Out;
}

// A file of the Joliet hierarchy (named with its version, as isoinfo wants it).
std::string IsoFile(const std::string& p__Image, const std::string& p__Path, const std::string& p__Options = "") {
    std::string l__Out;
    EXPECT_EQ(PellmarkRun::Shell("isoinfo -J " + p__Options + " -i " + PellmarkRun::Quote(p__Image) + " -x " + PellmarkRun::Quote(p__Path + ";1"),
                                 &l__Out),
              0);
    return l__Out;
}

class CliBurn : public ::testing::Test {
protected:
    PellmarkRun m__Run;
    std::string Image1() {
        const std::string l__Image = m__Run.Dir() + "/track1.iso";
        const std::vector<uint8_t> l__Bytes = m__Run.ExportTrack(1);
        std::ofstream(l__Image, std::ios::binary).write(reinterpret_cast<const char*>(l__Bytes.data()), static_cast<long>(l__Bytes.size()));
        return l__Image;
    }
};

}  // namespace

TEST_F(CliBurn, MixedModeCdFromADirectoryAndThreeMusicFiles) {
    REQUIRE_TOOL("ffmpeg");
    REQUIRE_TOOL("isoinfo");
    const std::string l__Dir = m__Run.MakeSource("album", {{"notes.txt", "liner notes\n"},
                                                          {"docs/credits.txt", "credits\n"},
                                                          {"data.bin", PellmarkRun::Pattern(300000, 7)}});
    // A loose file of the same name as one of the directory's: renamed, not failed.
    const std::string l__Loose = m__Run.MakeSource("loose", {{"notes.txt", "the other notes\n"}}) + "/notes.txt";
    const std::string l__Mp3 = m__Run.MakeSound("one.mp3", "libmp3lame", 1.5);
    const std::string l__Flac = m__Run.MakeSound("two.flac", "flac", 1.0);
    const std::string l__Ogg = m__Run.MakeSound("three.ogg", "libvorbis", 1.2);
    m__Run.Insert("cdr");
    // Music first on the command line: the data track still comes first.
    const PellmarkRun::Result l__Result = Burn(m__Run, {l__Mp3, l__Dir, l__Flac, l__Loose, l__Ogg});
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out << l__Result.m__Err;
    EXPECT_EQ(TrackModes(Info(m__Run)), (std::vector<std::string>{"Mode1", "Audio", "Audio", "Audio"}));
    EXPECT_TRUE(HasCommand(m__Run.Commands(), 0x5D)) << "a CD is written Session-At-Once by default";

    const std::string l__Image = Image1();
    const std::string l__Files = IsoFiles(l__Image);
    EXPECT_NE(l__Files.find("/docs/credits.txt"), std::string::npos) << l__Files;
    EXPECT_NE(l__Files.find("/data.bin"), std::string::npos) << l__Files;
    EXPECT_TRUE(IsoFile(l__Image, "/data.bin") == PellmarkRun::Pattern(300000, 7));
    EXPECT_EQ(IsoFile(l__Image, "/notes.txt"), "liner notes\n");
    EXPECT_EQ(IsoFile(l__Image, "/notes~1.txt"), "the other notes\n") << l__Files;

    const std::vector<uint8_t> l__Bin = m__Run.ExportCueBin();
    const std::vector<long> l__Starts = CueStarts(m__Run.Dir() + "/export.cue");
    ASSERT_EQ(l__Starts.size(), 4u);
    ExpectSoundAt(l__Bin, l__Starts[1], m__Run.DecodePcm(l__Mp3), "mp3");
    ExpectSoundAt(l__Bin, l__Starts[2], m__Run.DecodePcm(l__Flac), "flac");
    ExpectSoundAt(l__Bin, l__Starts[3], m__Run.DecodePcm(l__Ogg), "ogg");
}

TEST_F(CliBurn, EachWriteModeWritesItsWayAndVerifies) {
    REQUIRE_TOOL("ffmpeg");
    const std::string l__Dir = m__Run.MakeSource("files", {{"a.txt", "alpha\n"}, {"b.bin", PellmarkRun::Pattern(50000, 3)}});
    const std::string l__Mp3 = m__Run.MakeSound("tune.mp3", "libmp3lame", 1.0);
    struct Case {
        const char* m__Option;
        bool m__bool__CueSheet, m__bool__Close;
        long long m__Lowest, m__Highest;  // where the first WRITE goes
    };
    // Track-At-Once: track by track from LBA 0, closed after; Session-At-Once: a cue sheet and
    // the pre-gap from -150; Disc-At-Once (raw): the lead-in written by the host.
    for (const Case& l__Case : {Case{"--tao", false, true, 0, 0}, Case{"--sao", true, false, -150, -150},
                                Case{"--dao", false, false, -20000, -151}}) {
        SCOPED_TRACE(l__Case.m__Option);
        m__Run.Insert("cdr");
        const PellmarkRun::Result l__Result = Burn(m__Run, {l__Dir, l__Mp3, l__Case.m__Option, "--verify"});
        ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out << l__Result.m__Err;
        EXPECT_NE(l__Result.m__Out.find("verify done"), std::string::npos) << l__Result.m__Out;
        const std::vector<PellmarkRun::Command> l__Commands = m__Run.Commands();
        EXPECT_EQ(HasCommand(l__Commands, 0x5D), l__Case.m__bool__CueSheet);
        EXPECT_EQ(HasCommand(l__Commands, 0x5B), l__Case.m__bool__Close);
        const long long l__First = FirstWrite(l__Commands);
        EXPECT_GE(l__First, l__Case.m__Lowest);
        EXPECT_LE(l__First, l__Case.m__Highest);
        EXPECT_EQ(TrackModes(Info(m__Run)), (std::vector<std::string>{"Mode1", "Audio"}));
    }
}

TEST_F(CliBurn, TestWriteLeavesTheDiscBlankAndEjectFollowsTheOption) {
    const std::string l__Dir = m__Run.MakeSource("files", {{"a.txt", "alpha\n"}});
    m__Run.Insert("cdr");
    PellmarkRun::Result l__Result = Burn(m__Run, {l__Dir, "--test", "--tao"});
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Err;
    EXPECT_NE(Info(m__Run).find("Disc status:  empty"), std::string::npos) << Info(m__Run);
    EXPECT_FALSE(HasCommand(m__Run.Commands(), 0x5B)) << "a test write closes no session";
    EXPECT_TRUE(Ejected(m__Run.Commands()));

    m__Run.ClearCommands();
    l__Result = Burn(m__Run, {l__Dir, "--no-eject"});
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Err;
    EXPECT_FALSE(Ejected(m__Run.Commands()));
    EXPECT_EQ(TrackModes(Info(m__Run)), (std::vector<std::string>{"Mode1"}));
}

TEST_F(CliBurn, MultiSessionMergesTheFilesOfTheSessionBefore) {
    REQUIRE_TOOL("isoinfo");
    const std::string l__First = m__Run.MakeSource("first", {{"old.txt", "from the first session\n"}, {"sub/deep.txt", "deep\n"}});
    const std::string l__Second = m__Run.MakeSource("second", {{"new.txt", "from the second session\n"}});
    m__Run.Insert("cdr");
    ASSERT_EQ(Burn(m__Run, {l__First, "--multi"}).m__Exit, 0);
    // The appendable disc takes the next session Track-At-Once without being asked.
    const PellmarkRun::Result l__Result = Burn(m__Run, {l__Second, "--multi", "--verify"});
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out << l__Result.m__Err;
    const std::string l__Info = Info(m__Run);
    EXPECT_NE(l__Info.find("Sessions:     2"), std::string::npos) << l__Info;
    EXPECT_NE(l__Info.find("next session allowed"), std::string::npos) << l__Info;
    // The second track read from sector 0 holds both sessions; its own starts where it starts.
    std::smatch l__Match;
    ASSERT_TRUE(std::regex_search(l__Info, l__Match, std::regex(R"(\n\s+2\s+2\s+Mode1\s+(\d+))"))) << l__Info;
    const std::string l__Image = m__Run.Dir() + "/track2.iso";
    const std::vector<uint8_t> l__Bytes = m__Run.ExportTrack(2);
    std::ofstream(l__Image, std::ios::binary).write(reinterpret_cast<const char*>(l__Bytes.data()), static_cast<long>(l__Bytes.size()));
    const std::string l__Session = "-T " + l__Match[1].str();
    const std::string l__Files = IsoFiles(l__Image, l__Session);
    EXPECT_NE(l__Files.find("/old.txt"), std::string::npos) << l__Files;
    EXPECT_NE(l__Files.find("/sub/deep.txt"), std::string::npos) << l__Files;
    EXPECT_NE(l__Files.find("/new.txt"), std::string::npos) << l__Files;
    EXPECT_EQ(IsoFile(l__Image, "/old.txt", l__Session), "from the first session\n");
    EXPECT_EQ(IsoFile(l__Image, "/new.txt", l__Session), "from the second session\n");
}

TEST_F(CliBurn, SpeedIsTimesOneXOfTheMedium) {
    const std::string l__Dir = m__Run.MakeSource("files", {{"a.txt", "alpha\n"}});
    struct Case {
        const char* m__Media;
        const char* m__Speed;
        unsigned m__Rate;
    };
    for (const Case& l__Case : {Case{"cdr", "4", 4 * 176}, Case{"dvdplusr", "2", 2 * 1385}, Case{"bdr", "2", 2 * 4496},
                                Case{"cdr", "max", 0xFFFF},
                                // 16 x 4496 KB/s does not fit the command's 16 bits: the highest.
                                Case{"bdr", "16", 0xFFFF}}) {
        SCOPED_TRACE(std::string(l__Case.m__Media) + " " + l__Case.m__Speed);
        m__Run.Insert(l__Case.m__Media);
        ASSERT_EQ(Burn(m__Run, {l__Dir, "--speed", l__Case.m__Speed}).m__Exit, 0);
        const std::vector<unsigned> l__Speeds = WriteSpeeds(m__Run.Commands());
        EXPECT_NE(std::find(l__Speeds.begin(), l__Speeds.end(), l__Case.m__Rate), l__Speeds.end());
    }
    EXPECT_EQ(Burn(m__Run, {l__Dir, "--speed", "fast"}).m__Exit, 87);
}

TEST_F(CliBurn, VerifyFailsWhenTheDiscDiffersFromTheSource) {
    const std::string l__Dir = m__Run.MakeSource("files", {{"marked.txt", "before TARNWICKMARKER77 after\n"}});
    m__Run.Insert("cdr");
    const std::string l__Disc = PellmarkRun::Quote(m__Run.Disc());
    // One byte of the recorded file changed in place in the disc file.
    const std::string l__Hook = "o=$(grep -obUa TARNWICKMARKER77 " + l__Disc + " | head -1 | cut -d: -f1); test -n \"$o\" && printf Q | dd of=" +
                                l__Disc + " bs=1 seek=$o conv=notrunc status=none";
    const PellmarkRun::Result l__Result = Burn(m__Run, {l__Dir, "--verify"}, "TARNWICK_TEST_BEFORE_VERIFY=" + PellmarkRun::Quote(l__Hook));
    EXPECT_EQ(l__Result.m__Exit, 10) << l__Result.m__Out << l__Result.m__Err;
    EXPECT_NE(l__Result.m__Err.find("track 1 differs"), std::string::npos) << l__Result.m__Err;
    EXPECT_NE(l__Result.m__Err.find("at byte"), std::string::npos) << l__Result.m__Err;
    EXPECT_EQ(l__Result.m__Out.find("burn done, verified"), std::string::npos);
}

TEST_F(CliBurn, ImageByContentOntoDvdAndBdTrackAtOnce) {
    REQUIRE_TOOL("genisoimage");
    const std::string l__Iso = m__Run.MakeIso("volume.iso", 200000);
    // Known by its contents, not its name.
    const std::string l__Renamed = m__Run.Dir() + "/volume.dat";
    std::filesystem::copy_file(l__Iso, l__Renamed);
    const std::vector<uint8_t> l__Want = PellmarkRun::ReadFile(l__Iso);
    for (const char* l__Media : {"dvdplusr", "bdr"}) {
        SCOPED_TRACE(l__Media);
        m__Run.Insert(l__Media);
        const PellmarkRun::Result l__Result = Burn(m__Run, {l__Renamed, "--verify", "--json"});
        ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out << l__Result.m__Err;
        EXPECT_NE(l__Result.m__Out.find("\"mode\":\"tao\""), std::string::npos);
        EXPECT_NE(l__Result.m__Out.find("\"kind\":\"data\""), std::string::npos);
        const std::vector<uint8_t> l__Got = m__Run.ExportTrack(1);
        ASSERT_GE(l__Got.size(), l__Want.size());
        EXPECT_TRUE(std::equal(l__Want.begin(), l__Want.end(), l__Got.begin())) << "the image is burned as it is";
    }
}

TEST_F(CliBurn, RawImageFromAnMdsDescriptor) {
    REQUIRE_TOOL("ffmpeg");
    const std::string l__Dir = m__Run.MakeSource("files", {{"a.txt", "alpha\n"}});
    const std::string l__Mp3 = m__Run.MakeSound("tune.mp3", "libmp3lame", 1.0);
    m__Run.Insert("cdr");
    ASSERT_EQ(Burn(m__Run, {l__Dir, l__Mp3, "--no-eject"}).m__Exit, 0);
    const std::vector<uint8_t> l__Original = m__Run.ExportCueBin();
    const std::string l__Copy = m__Run.Dir() + "/copy.img";
    const PellmarkRun::Result l__Grab = m__Run.Program("tools/grab/tarnwick-grab", {"--disc", l__Copy});
    ASSERT_EQ(l__Grab.m__Exit, 0) << "tarnwick-grab is built with the tests: " << l__Grab.m__Out << l__Grab.m__Err;

    m__Run.Insert("cdr");
    const PellmarkRun::Result l__Result = Burn(m__Run, {m__Run.Dir() + "/copy.mds", "--json"});
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out << l__Result.m__Err;
    EXPECT_NE(l__Result.m__Out.find("\"mode\":\"raw\""), std::string::npos);
    EXPECT_EQ(TrackModes(Info(m__Run)), (std::vector<std::string>{"Mode1", "Audio"}));
    EXPECT_EQ(m__Run.ExportCueBin(), l__Original) << "the copy holds the original's blocks";
    // The descriptor is the whole disc: nothing else goes with it.
    m__Run.Insert("cdr");
    EXPECT_EQ(Burn(m__Run, {m__Run.Dir() + "/copy.mds", l__Dir}).m__Exit, 87);
}

TEST_F(CliBurn, RefusesBeforeWriting) {
    REQUIRE_TOOL("ffmpeg");
    const std::string l__Dir = m__Run.MakeSource("files", {{"a.txt", "alpha\n"}});
    const std::string l__Mp3 = m__Run.MakeSound("tune.mp3", "libmp3lame", 0.5);

    // A closed CD-RW can be blanked; a closed CD-R cannot.
    for (const char* l__Media : {"cdrw", "cdr"}) {
        SCOPED_TRACE(l__Media);
        m__Run.Insert(l__Media);
        ASSERT_EQ(Burn(m__Run, {l__Dir}).m__Exit, 0);
        m__Run.ClearCommands();
        const PellmarkRun::Result l__Result = Burn(m__Run, {l__Dir});
        EXPECT_EQ(l__Result.m__Exit, 10);
        EXPECT_NE(l__Result.m__Err.find("the disc is not blank"), std::string::npos) << l__Result.m__Err;
        const bool l__bool__Erasable = std::string(l__Media) == "cdrw";
        EXPECT_EQ(l__Result.m__Err.find("tarnwick blank") != std::string::npos, l__bool__Erasable) << l__Result.m__Err;
        EXPECT_EQ(l__Result.m__Err.find("insert a blank disc") != std::string::npos, !l__bool__Erasable) << l__Result.m__Err;
        EXPECT_FALSE(HasCommand(m__Run.Commands(), 0x2A));
    }

    // More than the disc holds: a sparse file, so that nothing large is written.
    const std::string l__Big = m__Run.Dir() + "/big.bin";
    { std::ofstream(l__Big, std::ios::binary); }
    std::filesystem::resize_file(l__Big, 800ull << 20);
    m__Run.Insert("cdr");
    PellmarkRun::Result l__Result = Burn(m__Run, {l__Big});
    EXPECT_EQ(l__Result.m__Exit, 18);
    EXPECT_TRUE(std::regex_search(l__Result.m__Err, std::regex(R"(need \d+ blocks .*has 359849 free blocks)"))) << l__Result.m__Err;
    EXPECT_FALSE(HasCommand(m__Run.Commands(), 0x2A));

    // Music onto a DVD, a test write on BD.
    m__Run.Insert("dvdplusr");
    l__Result = Burn(m__Run, {l__Dir, l__Mp3});
    EXPECT_EQ(l__Result.m__Exit, 10);
    EXPECT_NE(l__Result.m__Err.find("audio tracks can only be burned onto a CD"), std::string::npos) << l__Result.m__Err;
    EXPECT_FALSE(HasCommand(m__Run.Commands(), 0x2A));
    m__Run.Insert("bdr");
    l__Result = Burn(m__Run, {l__Dir, "--test"});
    EXPECT_EQ(l__Result.m__Exit, 10);
    EXPECT_NE(l__Result.m__Err.find("no test write"), std::string::npos) << l__Result.m__Err;

    // A mode the drive does not offer, and one a DVD does not have.
    m__Run.Insert("cdr");
    ASSERT_EQ(m__Run.Vdisc("fault {} --refuse-write-type 2"), 0);
    l__Result = Burn(m__Run, {l__Dir, "--sao"});
    EXPECT_EQ(l__Result.m__Exit, 16);
    EXPECT_NE(l__Result.m__Err.find("it offers: --tao --dao"), std::string::npos) << l__Result.m__Err;
    // Without --sao the drive's own Track-At-Once is chosen.
    EXPECT_EQ(Burn(m__Run, {l__Dir}).m__Exit, 0);
    m__Run.Insert("dvdplusr");
    EXPECT_EQ(Burn(m__Run, {l__Dir, "--dao"}).m__Exit, 16);

    // No disc in the drive.
    m__Run.Insert("cdr");
    ASSERT_EQ(m__Run.Vdisc("fault {} --no-medium"), 0);
    l__Result = Burn(m__Run, {l__Dir});
    EXPECT_EQ(l__Result.m__Exit, 7) << l__Result.m__Err;
    EXPECT_NE(l__Result.m__Err.find("2/3A"), std::string::npos) << l__Result.m__Err;

    // Command lines that make no burn.
    EXPECT_EQ(Burn(m__Run, {}).m__Exit, 87);
    EXPECT_EQ(Burn(m__Run, {l__Dir, "--tao", "--sao"}).m__Exit, 87);
    EXPECT_EQ(Burn(m__Run, {m__Run.Dir() + "/missing"}).m__Exit, 17);
}

TEST_F(CliBurn, JsonEventsAreObjectsInOrder) {
    REQUIRE_TOOL("jq");
    REQUIRE_TOOL("ffmpeg");
    const std::string l__Dir = m__Run.MakeSource("files", {{"a.bin", PellmarkRun::Pattern(700000, 9)}});
    const std::string l__Mp3 = m__Run.MakeSound("tune.mp3", "libmp3lame", 1.0);
    for (const char* l__Mode : {"--tao", "--sao"}) {
        SCOPED_TRACE(l__Mode);
        m__Run.Insert("cdr");
        const PellmarkRun::Result l__Result = Burn(m__Run, {l__Dir, l__Mp3, l__Mode, "--json", "--verify"});
        ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Err;
        const std::string l__Out = m__Run.Dir() + "/events.json";
        std::ofstream(l__Out) << l__Result.m__Out;
        std::string l__Parsed;
        ASSERT_EQ(PellmarkRun::Shell("jq -c . < " + PellmarkRun::Quote(l__Out), &l__Parsed), 0) << l__Result.m__Out;
        // The events' names, in order.
        std::vector<std::string> l__Names;
        std::istringstream l__Lines(l__Parsed);
        std::string l__Line;
        std::smatch l__Match;
        while (std::getline(l__Lines, l__Line)) {
            ASSERT_TRUE(std::regex_search(l__Line, l__Match, std::regex(R"re(^\{"event":"([^"]+)")re"))) << l__Line;
            std::string l__Name = l__Match[1];
            if (std::regex_search(l__Line, l__Match, std::regex(R"re("phase":"([a-z]+)")re"))) l__Name.append(":").append(l__Match[1]);
            if (std::regex_search(l__Line, l__Match, std::regex(R"re(^\{"event":"track-[a-z]+","track":(\d+))re"))) l__Name.append(":").append(l__Match[1]);
            if (l__Name.rfind("progress:burn", 0) == 0 || l__Name.rfind("progress:verify", 0) == 0 || l__Name.rfind("buffer", 0) == 0 ||
                l__Name.find("synchronize") != std::string::npos || l__Name.find("cache-fill") != std::string::npos)
                continue;
            l__Names.push_back(l__Name);
        }
        EXPECT_EQ(l__Names, (std::vector<std::string>{"burn-begin", "phase-begin:burn", "track-begin:1", "track-end:1", "track-begin:2",
                                                      "track-end:2", "phase-end:burn", "phase-begin:verify", "phase-end:verify", "done"}));
        // Progress lies within its phase and never goes back.
        const size_t l__Begin = l__Parsed.find("\"phase-begin\",\"phase\":\"burn\""), l__End = l__Parsed.find("\"phase-end\",\"phase\":\"burn\"");
        long long l__Last = -1;
        const std::regex l__Progress(R"re("progress","phase":"burn","done":(\d+))re");
        for (std::sregex_iterator l__It(l__Parsed.begin(), l__Parsed.end(), l__Progress), l__Stop;
             l__It != l__Stop; ++l__It) {
            const size_t l__At = static_cast<size_t>(l__It->position());
            EXPECT_GT(l__At, l__Begin);
            EXPECT_LT(l__At, l__End);
            EXPECT_GE(std::stoll((*l__It)[1]), l__Last);
            l__Last = std::stoll((*l__It)[1]);
        }
    }
}

TEST_F(CliBurn, SessionAtOnceProgressKeepsRisingOverItsTracks) {
    REQUIRE_TOOL("ffmpeg");
    // A slow recorder, so that the engine tells its count during each track.
    const std::string l__Dir = m__Run.MakeSource("files", {{"a.bin", PellmarkRun::Pattern(2400000, 5)}});
    const std::string l__Mp3 = m__Run.MakeSound("tune.mp3", "libmp3lame", 16.0);
    m__Run.Insert("cdr", "--write-speed 2000");
    const PellmarkRun::Result l__Result = Burn(m__Run, {l__Dir, l__Mp3, "--sao", "--json"});
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Err;
    std::vector<long long> l__Done;
    const std::regex l__Progress(R"re("progress","phase":"burn","done":(\d+))re");
    for (std::sregex_iterator l__It(l__Result.m__Out.begin(), l__Result.m__Out.end(), l__Progress), l__Stop; l__It != l__Stop; ++l__It)
        l__Done.push_back(std::stoll((*l__It)[1]));
    ASSERT_GE(l__Done.size(), 2u) << l__Result.m__Out;
    EXPECT_TRUE(std::is_sorted(l__Done.begin(), l__Done.end())) << l__Result.m__Out;
    // Counted into the audio track: past the data track's blocks.
    EXPECT_GT(l__Done.back(), 2400000 / 2048 + 1) << l__Result.m__Out;
}
