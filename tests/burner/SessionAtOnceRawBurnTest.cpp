// A raw image described by an MDS file burnt Session-At-Once onto the virtual recorder, which
// checks every raw sector it receives: a Mode 1 data track and two sound tracks with their
// own sub-channel, with the lead-in from the drive and from the host.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "BurnFiles.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "MdsTestFile.h"
#include "RecorderUnderTest.h"
#include "VdiscRawStream.h"
#include "tarnwick.h"

namespace {

using namespace BurnFiles;

constexpr uint32_t BLOCK = 2448;
constexpr int32_t TRACK2 = 550, TRACK3 = 1050, LEAD_OUT = 1370;

void Ignore(ULONG, PVOID, PVOID, PVOID) {}

// The Q record in bit 6 of the 96 raw P-W bytes, first byte the most significant bit.
std::vector<uint8_t> QOf(const uint8_t* p__Raw96) {
    std::vector<uint8_t> l__Q(12, 0);
    for (int i = 0; i < 96; ++i)
        if (p__Raw96[i] & 0x40) l__Q[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
    return l__Q;
}

class SessionAtOnceRawBurn : public ::testing::Test {
protected:
    void TearDown() override {
        Tarnwick_Destroy(&m__Burner);
        if (m__Started) Tarnwick_DownShut();
        m__Recorder.reset();
    }
    void Open() {
        m__Recorder = std::make_unique<RecorderUnderTest>("cdr");
        ASSERT_EQ(Tarnwick_UpStart(), 0u);
        m__Started = true;
        ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_Create(&m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info, Ignore, nullptr,
                                                    0, 0, 0, 0, 0),
                  0u)
            << m__Text;
        m__Recorder->Log().ClearCommands();
    }
    CTarnwick_CdvdBurnerGrabber& Burner() {
        return *static_cast<CTarnwick_CdvdBurnerGrabber*>(static_cast<CTarnwick_EmptyBase*>(m__Burner));
    }
    // The image as a grabber stores it: blocks 0 to the lead-out, data sectors unscrambled,
    // each with its raw P-W sub-channel; and its MDS beside it.
    void MakeImage() {
        const VdiscRawStream l__Stream(-11634,
                                       {{true, 1, 0, 0}, {false, 1, TRACK2, 150}, {false, 1, TRACK3, 150}},
                                       LEAD_OUT, BLOCK);
        m__Image.clear();
        for (int32_t l__Lba = 0; l__Lba < LEAD_OUT; ++l__Lba) {
            std::vector<uint8_t> l__Block = l__Stream.Block(l__Lba);
            if (l__Lba < TRACK2 - 150) VdiscRawStream::Scramble(l__Block);
            m__Image.insert(m__Image.end(), l__Block.begin(), l__Block.end());
        }
        WriteFile(m__Recorder->Dir() + "/disc.mdf", m__Image);
        MdsTestFile::Write(m__Recorder->Dir() + "/disc.mds",
                           MdsTestFile::Build({{MdsTestFile::NOT_A_TRACK, 0, 0, ""},
                                               {MdsTestFile::MODE1, MdsTestFile::SUB_PW, TRACK2, "disc.mdf"},
                                               {MdsTestFile::SOUND, MdsTestFile::SUB_PW, TRACK3 - TRACK2, "disc.mdf"},
                                               {MdsTestFile::SOUND, MdsTestFile::SUB_PW, LEAD_OUT - TRACK3, "disc.mdf"}}));
    }
    ULONG Burn(const std::string& p__Mds, BOOLEAN p__RawMode) {
        std::string l__Name = p__Mds;
        return Tarnwick_CdvdBurnerGrabber_SessionAtOnceRawRawPW(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                                l__Name.data(), 0, 1, 5, p__RawMode);
    }
    // READ CD of raw sectors with raw P-W sub-channel.
    Bytes ReadRawPW(LONG p__Lba, ULONG p__Blocks) {
        Bytes l__Raw(size_t(BLOCK) * p__Blocks);
        Burner().ReadCd(0, static_cast<ULONG>(p__Lba), p__Blocks, 0, 1, 1, 3, 1, 1, l__Raw.data(), static_cast<ULONG>(l__Raw.size()));
        return l__Raw;
    }
    TOC_INFORMATION Toc() {
        auto l__Toc = std::make_unique<TOC_INFORMATION>();
        EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_ReadTOC(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info, l__Toc.get()), 0u)
            << m__Text;
        return *l__Toc;
    }

    std::unique_ptr<RecorderUnderTest> m__Recorder;
    Bytes m__Image;
    bool m__Started = false;
    PVOID m__Burner = nullptr;
    char m__Text[1024] = {};
    ULONG m__SystemError = 0;
    CDB_FAILURE_INFORMATION m__Info{};
};

}  // namespace

TEST_F(SessionAtOnceRawBurn, ImageReadsBackTrackByTrackWithItsSubchannel) {
    for (const BOOLEAN l__RawMode : {BOOLEAN{0}, BOOLEAN{1}}) {
        SCOPED_TRACE(l__RawMode ? "raw mode" : "drive's lead-in");
        TearDown();
        Open();
        MakeImage();
        // Given by a relative name: the image is found beside the MDS.
        const std::filesystem::path l__Before = std::filesystem::current_path();
        std::filesystem::current_path(m__Recorder->Dir());
        const ULONG l__Result = Burn("disc.mds", l__RawMode);
        std::filesystem::current_path(l__Before);
        ASSERT_EQ(l__Result, 0u) << m__Text;

        const TOC_INFORMATION l__Toc = Toc();
        ASSERT_EQ(UCHAR{l__Toc.m__UCHAR__NumberOfTracks}, 3);
        const LONG l__Starts[] = {0, TRACK2, TRACK3};
        const LONG l__Ends[] = {TRACK2 - 1, TRACK3 - 1, LEAD_OUT - 1};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(LONG{l__Toc.m__TOC_TRACK_ENTRY__Tracks[i].m__LONG__StartLBA}, l__Starts[i]) << "track " << i + 1;
            EXPECT_EQ(LONG{l__Toc.m__TOC_TRACK_ENTRY__Tracks[i].m__LONG__EndLBA}, l__Ends[i]) << "track " << i + 1;
            EXPECT_EQ(UCHAR{l__Toc.m__TOC_TRACK_ENTRY__Tracks[i].m__UCHAR__IsData}, i == 0 ? 1 : 0) << "track " << i + 1;
        }

        // The data track's user data through READ(10).
        Bytes l__User(2048 * 20);
        for (LONG l__Lba = 0; l__Lba < TRACK2 - 150; l__Lba += 20) {
            Burner().Read10(l__User.data(), static_cast<ULONG>(l__User.size()), static_cast<ULONG>(l__Lba), 20);
            for (LONG k = 0; k < 20; ++k)
                ASSERT_TRUE(std::equal(l__User.begin() + k * 2048, l__User.begin() + (k + 1) * 2048,
                                       VdiscRawStream::UserData(l__Lba + k).begin()))
                    << "LBA " << l__Lba + k;
        }
        // Every block of the tracks raw, with its sub-channel Q: as in the image (the data
        // sectors descrambled by the drive's read as they were before the host scrambled them).
        for (LONG l__Lba = 0; l__Lba < LEAD_OUT; l__Lba += 10) {
            const ULONG l__Blocks = static_cast<ULONG>(std::min<LONG>(10, LEAD_OUT - l__Lba));
            const Bytes l__Read = ReadRawPW(l__Lba, l__Blocks);
            for (ULONG k = 0; k < l__Blocks; ++k) {
                const uint8_t* l__Got = l__Read.data() + size_t(k) * BLOCK;
                const uint8_t* l__Want = m__Image.data() + size_t(l__Lba + k) * BLOCK;
                ASSERT_TRUE(std::equal(l__Got, l__Got + 2352, l__Want)) << "LBA " << l__Lba + k;
                ASSERT_EQ(QOf(l__Got + 2352), QOf(l__Want + 2352)) << "LBA " << l__Lba + k;
            }
        }
    }
}

TEST_F(SessionAtOnceRawBurn, MissingImageFailsBeforeAnythingIsWritten) {
    Open();
    MdsTestFile::Write(m__Recorder->Dir() + "/lost.mds",
                       MdsTestFile::Build({{MdsTestFile::MODE1, MdsTestFile::SUB_PW, 1000, "lost.mdf"}}));
    EXPECT_EQ(Burn(m__Recorder->Dir() + "/lost.mds", 1), ULONG{EXCEPTION_NUMBER_SYSTEM_ERROR});
    EXPECT_NE(std::string(m__Text).find("lost.mdf"), std::string::npos) << m__Text;
    EXPECT_EQ(m__Recorder->Log().CountOpcode(0x2A), 0u);
    EXPECT_EQ(m__Recorder->Log().CountOpcode(0x5D), 0u);
    // A missing MDS, and one that is not an MDS: number 5 with the parser's status.
    EXPECT_EQ(Burn(m__Recorder->Dir() + "/none.mds", 1), ULONG{EXCEPTION_NUMBER_SYSTEM_ERROR});
    EXPECT_EQ(m__SystemError, ULONG{ENOENT});
    WriteFile(m__Recorder->Dir() + "/bad.mds", Pattern(500, 1));
    EXPECT_EQ(Burn(m__Recorder->Dir() + "/bad.mds", 1), ULONG{EXCEPTION_NUMBER_SYSTEM_ERROR});
    EXPECT_EQ(m__SystemError, 11u);
    EXPECT_NE(std::string(m__Text).find("TarnwickI_ParseMDS( ... ) failed, status 11 ( 0xB )!!!"), std::string::npos) << m__Text;
    EXPECT_EQ(m__Recorder->Log().CountOpcode(0x2A), 0u);
}
