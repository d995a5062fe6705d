// Pellmark burns a 10 GB ISO9660 image (one sparse file of 10 GB with data at its start, across
// its 4 GiB extent boundary and at its end) onto a single-layer BD-R and a BD-RE of the virtual
// recorder. What the recorder exports is the image byte for byte (cmp judges), and the command
// log shows each medium's own sequence: on BD-R the track closed, then the session; on BD-RE the
// format with the drive's default spare areas before the first write and no close. Quorvane then
// continues the BD-R with a second session that xorriso reads with the 10 GB file unmoved.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "PellmarkRun.h"
#include "RecorderUnderTest.h"
#include "ScratchDirectory.h"

namespace {

using Commands = std::vector<PellmarkRun::Command>;

constexpr long long BIG_FILE_BYTES = 10'000'000'000LL;

bool Has(const std::string& p__Text, const std::string& p__Part) { return p__Text.find(p__Part) != std::string::npos; }

uint32_t Be32(const std::vector<uint8_t>& p__Bytes, size_t p__At) {
    return (uint32_t(p__Bytes[p__At]) << 24) | (uint32_t(p__Bytes[p__At + 1]) << 16) | (uint32_t(p__Bytes[p__At + 2]) << 8) |
           p__Bytes[p__At + 3];
}

// Index of the first or last command with the opcode (the list's size when none).
size_t First(const Commands& p__Commands, uint8_t p__Op) {
    for (size_t i = 0; i < p__Commands.size(); ++i)
        if (p__Commands[i].m__Cdb[0] == p__Op) return i;
    return p__Commands.size();
}
size_t Last(const Commands& p__Commands, uint8_t p__Op) {
    for (size_t i = p__Commands.size(); i-- > 0;)
        if (p__Commands[i].m__Cdb[0] == p__Op) return i;
    return p__Commands.size();
}
size_t Count(const Commands& p__Commands, uint8_t p__Op) {
    size_t l__Count = 0;
    for (const PellmarkRun::Command& c : p__Commands) l__Count += c.m__Cdb[0] == p__Op;
    return l__Count;
}
// CLOSE TRACK/SESSION commands as (byte 1, byte 2, track number low byte).
std::vector<std::vector<uint8_t>> Closes(const Commands& p__Commands) {
    std::vector<std::vector<uint8_t>> l__Closes;
    for (const PellmarkRun::Command& c : p__Commands)
        if (c.m__Cdb[0] == 0x5B) l__Closes.push_back({c.m__Cdb[1], c.m__Cdb[2], c.m__Cdb[5]});
    return l__Closes;
}

class BluRayBurn : public ::testing::Test {
protected:
    // One image for every case: a 10 GB sparse file and two small ones, mastered with Joliet and
    // Rock Ridge by tarnwick-mkiso (which writes the image sparse too).
    static void SetUpTestSuite() {
        s__Scratch = new ScratchDirectory("tarnwick-bluray");
        const std::string l__Tree = s__Scratch->Path() + "/tree";
        std::filesystem::create_directories(l__Tree + "/docs");
        const std::string l__Big = l__Tree + "/big.bin";
        const int l__Fd = ::open(l__Big.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        ASSERT_GE(l__Fd, 0);
        ASSERT_EQ(::ftruncate(l__Fd, BIG_FILE_BYTES), 0);
        const long long l__Marks[] = {0, (4LL << 30) - 300'000, 7'000'000'123LL, BIG_FILE_BYTES - 1'048'576};
        uint32_t l__Seed = 1;
        for (long long l__At : l__Marks) {
            const std::string l__Data = PellmarkRun::Pattern(1'048'576, l__Seed++);
            ASSERT_EQ(::pwrite(l__Fd, l__Data.data(), l__Data.size(), l__At), static_cast<ssize_t>(l__Data.size()));
        }
        ASSERT_EQ(::close(l__Fd), 0);
        {
            std::FILE* l__File = std::fopen((l__Tree + "/docs/read me.txt").c_str(), "w");
            ASSERT_NE(l__File, nullptr);
            std::fputs("A file beside the big one.\n", l__File);
            std::fclose(l__File);
        }
        s__Image = s__Scratch->Path() + "/big.iso";
        std::string l__Output;
        ASSERT_EQ(PellmarkRun::Shell(PellmarkRun::Quote(std::string(TARNWICK_BINARY_DIR) + "/tools/mkiso/tarnwick-mkiso") +
                                         " -q -J -R -V BLURAY -o " + PellmarkRun::Quote(s__Image) + " " + PellmarkRun::Quote(l__Tree) +
                                         " 2>&1",
                                     &l__Output),
                  0)
            << l__Output;
        ASSERT_GT(std::filesystem::file_size(s__Image), static_cast<uintmax_t>(BIG_FILE_BYTES));
    }
    static void TearDownTestSuite() {
        delete s__Scratch;
        s__Scratch = nullptr;
    }
    void SetUp() override {
        if (s__Image.empty() || !std::filesystem::exists(s__Image)) GTEST_SKIP() << "the image could not be made";
        REQUIRE_TOOL("xorriso");
        REQUIRE_TOOL("cmp");
    }
    // The exported disc up to the end of track N, as a file.
    std::string Export(int p__Track) {
        const std::string l__Out = m__Run.Dir() + "/track" + std::to_string(p__Track) + ".iso";
        std::string l__Output;
        EXPECT_EQ(m__Run.Vdisc("export {} --track " + std::to_string(p__Track) + " " + PellmarkRun::Quote(l__Out), &l__Output), 0)
            << l__Output;
        return l__Out;
    }
    static bool SameBytes(const std::string& p__One, const std::string& p__Two) {
        std::string l__Output;
        return PellmarkRun::Shell("cmp " + PellmarkRun::Quote(p__One) + " " + PellmarkRun::Quote(p__Two) + " 2>&1", &l__Output) == 0;
    }
    // The burn of the image with Pellmark (close 1: the disc stays appendable), checked for
    // what every medium shares: success, the disc type, every write good, the export identical.
    Commands BurnTheImage(const std::string& p__Media, const std::string& p__DiscType) {
        m__Run.Insert(p__Media);
        PellmarkRun::Result l__Result = m__Run.Burn(s__Image);
        EXPECT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
        EXPECT_TRUE(Has(l__Result.m__Out, "Disc type: " + p__DiscType + "\n")) << l__Result.m__Out;
        EXPECT_TRUE(Has(l__Result.m__Out, "Pellmark:main(): EXITing with success")) << l__Result.m__Out;
        m__Console = l__Result.m__Out;
        const Commands l__Commands = m__Run.Commands();
        for (const PellmarkRun::Command& c : l__Commands)
            if (c.m__Cdb[0] == 0x2A || c.m__Cdb[0] == 0x5B || c.m__Cdb[0] == 0x04) {
                EXPECT_EQ(c.m__Outcome, "GOOD");
            }
        const std::string l__Exported = Export(1);
        EXPECT_EQ(std::filesystem::file_size(l__Exported), std::filesystem::file_size(s__Image));
        EXPECT_TRUE(SameBytes(s__Image, l__Exported)) << "the recorded track differs from the image";
        std::filesystem::remove(l__Exported);
        return l__Commands;
    }
    // "lsdl"-style lines of the session at START of an image, as xorriso lists them.
    std::string Listing(const std::string& p__Image, long p__Start, const std::string& p__Exec) {
        std::string l__Output;
        EXPECT_EQ(PellmarkRun::Shell("xorriso -abort_on FAILURE -load sbsector " + std::to_string(p__Start) + " -indev " +
                                         PellmarkRun::Quote(p__Image) + " -find / -exec " + p__Exec + " 2>&1",
                                     &l__Output),
                  0)
            << l__Output;
        return l__Output;
    }

    static ScratchDirectory* s__Scratch;
    static std::string s__Image;
    PellmarkRun m__Run;
    std::string m__Console;
};

ScratchDirectory* BluRayBurn::s__Scratch = nullptr;
std::string BluRayBurn::s__Image;

TEST_F(BluRayBurn, TenGigabytesOntoBdRCloseTrackAndSessionThenQuorvaneAddsASecondSessionKeepingTheBigFile) {
    const Commands l__Commands = BurnTheImage("bdr", "15");
    // Written at the NWA without a reservation or a format; after the last write the cache is
    // synchronised, then the logical track 1 is closed and the session after it (010b: the disc
    // stays appendable). Nothing is finalised.
    EXPECT_EQ(Count(l__Commands, 0x53), 0u);
    EXPECT_EQ(Count(l__Commands, 0x04), 0u);
    const size_t l__LastWrite = Last(l__Commands, 0x2A);
    ASSERT_LT(l__LastWrite, l__Commands.size());
    EXPECT_EQ(Be32(l__Commands[First(l__Commands, 0x2A)].m__Cdb, 2), 0u);
    const size_t l__Sync = Last(l__Commands, 0x35);
    ASSERT_LT(l__Sync, l__Commands.size());
    EXPECT_GT(l__Sync, l__LastWrite);
    EXPECT_GT(First(l__Commands, 0x5B), l__Sync);
    EXPECT_EQ(Closes(l__Commands), (std::vector<std::vector<uint8_t>>{{0x01, 0x01, 1}, {0x01, 0x02, 0}}));
    EXPECT_FALSE(Has(m__Console, "FORMAT_BEGIN"));

    // Quorvane imports the 10 GB session and adds one of its own.
    const std::string l__Second = m__Run.MakeSource("second", {{"added.txt", "second session on BD-R\n"}});
    m__Run.ClearCommands();
    PellmarkRun::Result l__Result = m__Run.Program("samples/quorvane/Quorvane", {"0", "0", "0", "0", l__Second, "0", "1"});
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Out;
    EXPECT_EQ(Closes(m__Run.Commands()), (std::vector<std::vector<uint8_t>>{{0x01, 0x01, 2}, {0x01, 0x02, 0}}));
    std::string l__Info;
    ASSERT_EQ(m__Run.Vdisc("info {}", &l__Info), 0);
    EXPECT_TRUE(Has(l__Info, "Sessions:     2")) << l__Info;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(l__Info, m, std::regex("\\n\\s+2\\s+[0-9]+\\s+\\S+\\s+([0-9]+)\\s"))) << l__Info;
    const long l__Start = std::stol(m[1]);
    // The second session starts beyond the first one's 10 GB, on a 32-block cluster.
    EXPECT_GT(l__Start, BIG_FILE_BYTES / 2048);
    EXPECT_EQ(l__Start % 32, 0);

    // The second session as xorriso reads it: the old files with their sizes and the new one;
    // the big file's data is where the first session put it.
    const std::string l__Disc = Export(2);
    const std::string l__Names = Listing(l__Disc, l__Start, "lsdl");
    EXPECT_TRUE(std::regex_search(l__Names, std::regex(" " + std::to_string(BIG_FILE_BYTES) + " .*'/big.bin'"))) << l__Names;
    EXPECT_TRUE(Has(l__Names, "'/docs/read me.txt'")) << l__Names;
    // Quorvane puts the new files into a directory named by the date.
    std::smatch l__AddedMatch;
    ASSERT_TRUE(std::regex_search(l__Names, l__AddedMatch, std::regex("'(/[^'/]+/added.txt)'"))) << l__Names;
    const std::string l__AddedPath = l__AddedMatch[1].str();
    const std::string l__OldLba = Listing(l__Disc, 0, "report_lba");
    const std::string l__NewLba = Listing(l__Disc, l__Start, "report_lba");
    std::smatch l__Old, l__New;
    const std::regex l__BigExtents("File data lba:[^\\n]*'/big.bin'");
    ASSERT_TRUE(std::regex_search(l__OldLba, l__Old, l__BigExtents)) << l__OldLba;
    ASSERT_TRUE(std::regex_search(l__NewLba, l__New, l__BigExtents)) << l__NewLba;
    EXPECT_EQ(l__Old.str(), l__New.str());
    const std::string l__Out = m__Run.Dir() + "/added.txt";
    std::string l__Output;
    ASSERT_EQ(PellmarkRun::Shell("xorriso -abort_on FAILURE -osirrox on -load sbsector " + std::to_string(l__Start) + " -indev " +
                                     PellmarkRun::Quote(l__Disc) + " -extract " + PellmarkRun::Quote(l__AddedPath) + " " +
                                     PellmarkRun::Quote(l__Out) + " 2>&1",
                                 &l__Output),
              0)
        << l__Output;
    const std::vector<uint8_t> l__Added = PellmarkRun::ReadFile(l__Out);
    EXPECT_EQ(std::string(l__Added.begin(), l__Added.end()), "second session on BD-R\n");
}

TEST_F(BluRayBurn, TenGigabytesOntoBdReAreFormattedFirstWithTheDefaultSpareAreasAndNotClosed) {
    const Commands l__Commands = BurnTheImage("bdre", "16");
    // One FORMAT UNIT before the first write: FmtData, format code 1, the 12-byte list with FOV
    // and Immed, 11,826,176 blocks, format type 30h (spare areas), 3000h spare clusters.
    ASSERT_EQ(Count(l__Commands, 0x04), 1u);
    const PellmarkRun::Command& l__Format = l__Commands[First(l__Commands, 0x04)];
    EXPECT_EQ(l__Format.m__Cdb, (std::vector<uint8_t>{0x04, 0x11, 0, 0, 0, 0}));
    EXPECT_LT(First(l__Commands, 0x04), First(l__Commands, 0x2A));
    EXPECT_EQ(Be32(l__Commands[First(l__Commands, 0x2A)].m__Cdb, 2), 0u);
    EXPECT_EQ(Closes(l__Commands), std::vector<std::vector<uint8_t>>{});
    EXPECT_EQ(Count(l__Commands, 0x53), 0u);
    EXPECT_LT(m__Console.find("Pellmark:Callback(): BDRE_FORMAT_BEGIN"), m__Console.find("Pellmark:Callback(): BDRE_FORMAT_END"));
    EXPECT_NE(m__Console.find("Pellmark:Callback(): BDRE_FORMAT_END"), std::string::npos);
    std::string l__Info;
    ASSERT_EQ(m__Run.Vdisc("info {}", &l__Info), 0);
    EXPECT_TRUE(Has(l__Info, "11826176")) << l__Info;  // the formatted capacity
}

}  // namespace
