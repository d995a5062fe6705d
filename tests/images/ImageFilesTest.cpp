// Image-file detection and the MDS parser, on files written here byte by byte.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "MdsTestFile.h"
#include "ScratchDirectory.h"
#include "TarnwickI_ImageFiles.h"
#include "TraceCapture.h"

namespace {

using Bytes = std::vector<uint8_t>;
using MdsTestFile::Track;

void WriteFile(const std::string& p__Path, const Bytes& p__Bytes) { MdsTestFile::Write(p__Path, p__Bytes); }

Bytes RawSectorHead(uint8_t p__Mode) {
    Bytes l__Sector(2352, 0x11);
    const uint8_t l__Sync[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::memcpy(l__Sector.data(), l__Sync, 12);
    l__Sector[15] = p__Mode;
    return l__Sector;
}

class ImageDetection : public ::testing::Test {
protected:
    ScratchDirectory m__Dir{"tarnwick-images"};
};

class MdsParser : public ::testing::Test {
protected:
    void SetUp() override {
        m__Session = std::make_unique<SESSION_DESCRIPTOR>();
        std::memset(m__Session.get(), 0xEE, sizeof(SESSION_DESCRIPTOR));
        std::memset(m__Name, 0x7A, sizeof(m__Name));
    }
    ULONG Parse(const Bytes& p__Mds) {
        MdsTestFile::Write(m__Dir / "disc.mds", p__Mds);
        return TarnwickI_ParseMDS((m__Dir / "disc.mds").c_str(), m__Session.get(), &m__Kind, m__Name,
                                  (m__Dir.Path() + "/").c_str());
    }
    ULONG Length(size_t k) const { return m__Session->m__ULONG__RawTrackBlocks[k]; }

    ScratchDirectory m__Dir{"tarnwick-mds"};
    std::unique_ptr<SESSION_DESCRIPTOR> m__Session;
    UCHAR m__Kind = 0;
    CHAR m__Name[MDS_IMAGE_FILE_NAME_SIZE];
};

}  // namespace

TEST_F(ImageDetection, IsoNeedsSeventeenBlocksAndTheIdentifierAtTheSixteenth) {
    Bytes l__Image(34816, 0);
    std::memcpy(l__Image.data() + 32769, "CD001", 5);
    WriteFile(m__Dir / "good.iso", l__Image);
    EXPECT_EQ(TarnwickI_IsISO((m__Dir / "good.iso").c_str()), 1);
    // One byte short: not an image, whatever it holds.
    WriteFile(m__Dir / "short.iso", Bytes(l__Image.begin(), l__Image.end() - 1));
    EXPECT_EQ(TarnwickI_IsISO((m__Dir / "short.iso").c_str()), 0);
    // The identifier one byte off.
    Bytes l__Shifted(34816, 0);
    std::memcpy(l__Shifted.data() + 32768, "CD001", 5);
    WriteFile(m__Dir / "shifted.iso", l__Shifted);
    EXPECT_EQ(TarnwickI_IsISO((m__Dir / "shifted.iso").c_str()), 0);
    EXPECT_EQ(TarnwickI_IsISO((m__Dir / "missing.iso").c_str()), 0);
}

TEST_F(ImageDetection, MdfNeedsTheExtensionAnywhereAndTheSyncPattern) {
    const Bytes l__Mode1 = RawSectorHead(0x01);
    const Bytes l__Mode2 = RawSectorHead(0x02);
    for (const char* l__Name : {"a.mdf", "b.Mdf", "c.XMF", "d.xmf"}) {
        WriteFile(m__Dir / l__Name, l__Mode1);
        UCHAR l__Mode = 0x55;
        EXPECT_EQ(TarnwickI_IsMDF((m__Dir / l__Name).c_str(), &l__Mode), 1) << l__Name;
        EXPECT_EQ(l__Mode, 1) << l__Name;
    }
    // The mode is the low two bits of byte 15.
    Bytes l__HighBits = RawSectorHead(0xFE);
    WriteFile(m__Dir / "e.mdf", l__HighBits);
    UCHAR l__Mode = 0;
    EXPECT_EQ(TarnwickI_IsMDF((m__Dir / "e.mdf").c_str(), &l__Mode), 1);
    EXPECT_EQ(l__Mode, 2);
    // ".MDF" in a directory part passes the name test.
    ASSERT_EQ(::mkdir((m__Dir / "x.MDF").c_str(), 0700), 0);
    WriteFile(m__Dir / "x.MDF/image.bin", l__Mode2);
    EXPECT_EQ(TarnwickI_IsMDF((m__Dir / "x.MDF/image.bin").c_str(), &l__Mode), 1);
    EXPECT_EQ(l__Mode, 2);
    // A wrong extension, a missing sync pattern, a short or missing file: no, mode untouched.
    WriteFile(m__Dir / "f.bin", l__Mode1);
    Bytes l__NoSync = l__Mode1;
    l__NoSync[11] = 0xFF;
    WriteFile(m__Dir / "g.mdf", l__NoSync);
    WriteFile(m__Dir / "h.mdf", Bytes(l__Mode1.begin(), l__Mode1.end() - 1));
    for (const char* l__Name : {"f.bin", "g.mdf", "h.mdf", "missing.mdf"}) {
        l__Mode = 0x55;
        EXPECT_EQ(TarnwickI_IsMDF((m__Dir / l__Name).c_str(), &l__Mode), 0) << l__Name;
        EXPECT_EQ(l__Mode, 0x55) << l__Name;
    }
}

TEST_F(MdsParser, StoresLengthsSoundFlagsKindAndName) {
    // One track: its length is its size (150 taken and given back).
    ASSERT_EQ(Parse(MdsTestFile::Build({{MdsTestFile::MODE1, MdsTestFile::SUB_PW, 1000, "one.mdf"}})), 0u);
    EXPECT_EQ(m__Session->m__ULONG__NumberOfRawTracks, 1u);
    EXPECT_EQ(Length(0), 1000u);
    EXPECT_EQ(m__Kind, 1);
    EXPECT_STREQ(m__Name, "one.mdf");
    EXPECT_EQ(m__Session->m__ULONG__NumberOfTracks, 0u) << "the record is zeroed";
    EXPECT_EQ(m__Session->m__SESSION_TRACK_ENTRY__Tracks[99].m__PVOID__Tree, nullptr);

    // Type-0 blocks are skipped without counting; sound flags land on the tracks' entries.
    ASSERT_EQ(Parse(MdsTestFile::Build({{MdsTestFile::NOT_A_TRACK, 0, 0, "lead-in"},
                                        {MdsTestFile::MODE1, MdsTestFile::SUB_PW, 5000, "three.mdf"},
                                        {MdsTestFile::SOUND, MdsTestFile::SUB_PW, 2000, "three.mdf"},
                                        {MdsTestFile::NOT_A_TRACK, 0, 0, ""},
                                        {MdsTestFile::SOUND, MdsTestFile::SUB_PW, 3000, "three.mdf"}})),
              0u);
    EXPECT_EQ(m__Session->m__ULONG__NumberOfRawTracks, 3u);
    EXPECT_EQ(Length(0), 4850u);
    EXPECT_EQ(Length(1), 1850u);
    EXPECT_EQ(Length(2), 3000u);
    EXPECT_EQ(Length(3), 0u);
    EXPECT_EQ(m__Session->m__SESSION_TRACK_ENTRY__Tracks[0].m__UCHAR__IsSound, 0);
    EXPECT_EQ(m__Session->m__SESSION_TRACK_ENTRY__Tracks[1].m__UCHAR__IsSound, 1);
    EXPECT_EQ(m__Session->m__SESSION_TRACK_ENTRY__Tracks[2].m__UCHAR__IsSound, 1);
    EXPECT_EQ(m__Session->m__SESSION_TRACK_ENTRY__Tracks[3].m__UCHAR__IsSound, 0);
    EXPECT_EQ(m__Kind, 1);

    // A Mode 2 track makes the kind 2.
    ASSERT_EQ(Parse(MdsTestFile::Build({{MdsTestFile::MODE2_FORM1, MdsTestFile::SUB_PW, 700, "m2.mdf"}})), 0u);
    EXPECT_EQ(m__Kind, 2);
}

TEST_F(MdsParser, ZeroSizedTrackIsSizedFromTheImageFile) {
    // 1234 whole blocks and a partial one.
    WriteFile(m__Dir / "sized.mdf", Bytes(1234 * 2448 + 2000, 0));
    ASSERT_EQ(Parse(MdsTestFile::Build({{MdsTestFile::MODE1, MdsTestFile::SUB_PW, 0, "sized.mdf"}})), 0u);
    EXPECT_EQ(Length(0), 1234u);
    // Before another track it loses its 150 as a stored size would.
    ASSERT_EQ(Parse(MdsTestFile::Build({{MdsTestFile::MODE1, MdsTestFile::SUB_PW, 0, "sized.mdf"},
                                        {MdsTestFile::SOUND, MdsTestFile::SUB_PW, 400, "sized.mdf"}})),
              0u);
    EXPECT_EQ(Length(0), 1084u);
    EXPECT_EQ(Length(1), 400u);
    // A missing image file gives the error of its opening.
    EXPECT_EQ(Parse(MdsTestFile::Build({{MdsTestFile::MODE1, MdsTestFile::SUB_PW, 0, "gone.mdf"}})), ULONG{ENOENT});
    // An image too small for a block: no length, not a wrapped-around huge one.
    WriteFile(m__Dir / "tiny.mdf", Bytes(2447, 0));
    EXPECT_EQ(Parse(MdsTestFile::Build({{MdsTestFile::MODE1, MdsTestFile::SUB_PW, 0, "tiny.mdf"}})), 11u);
    WriteFile(m__Dir / "small.mdf", Bytes(100 * 2448, 0));
    EXPECT_EQ(Parse(MdsTestFile::Build({{MdsTestFile::MODE1, MdsTestFile::SUB_PW, 0, "small.mdf"},
                                        {MdsTestFile::MODE1, MdsTestFile::SUB_PW, 10, "small.mdf"}})),
              11u);
    EXPECT_EQ(m__Session->m__ULONG__NumberOfRawTracks, 0u);
}

TEST_F(MdsParser, HeaderChecksGiveBadFormat) {
    const Bytes l__Good = MdsTestFile::Build({{MdsTestFile::MODE1, MdsTestFile::SUB_PW, 1000, "x.mdf"}});
    Bytes l__Signature = l__Good;
    l__Signature[15] = 'r';
    EXPECT_EQ(Parse(l__Signature), 11u);
    Bytes l__Medium = l__Good;
    l__Medium[18] = 0x10;  // DVD
    EXPECT_EQ(Parse(l__Medium), 11u);
    Bytes l__Sessions = l__Good;
    l__Sessions[20] = 2;
    EXPECT_EQ(Parse(l__Sessions), 11u);
    Bytes l__SessionsHigh = l__Good;
    l__SessionsHigh[21] = 1;  // 257
    EXPECT_EQ(Parse(l__SessionsHigh), 11u);
    Bytes l__SubType = l__Good;
    l__SubType[112 + 1] = 0x10;  // sub type 2
    EXPECT_EQ(Parse(l__SubType), 11u);
    // No sessions passes the header checks.
    Bytes l__NoSession = l__Good;
    l__NoSession[20] = 0;
    EXPECT_EQ(Parse(l__NoSession), 0u);
    EXPECT_EQ(Length(0), 1000u);
}

TEST_F(MdsParser, ShortFilesGiveIncompleteAndMissingFilesTheirError) {
    MdsTestFile::Layout l__Layout;
    const Bytes l__Good = MdsTestFile::Build({{MdsTestFile::MODE1, MdsTestFile::SUB_PW, 1000, "x.mdf"}}, &l__Layout);
    EXPECT_EQ(Parse(Bytes(l__Good.begin(), l__Good.begin() + 87)), 996u);
    EXPECT_EQ(Parse(Bytes(l__Good.begin(), l__Good.begin() + l__Layout.m__Session + 23)), 996u);
    EXPECT_EQ(Parse(Bytes(l__Good.begin(), l__Good.begin() + l__Layout.DataBlock(0) + 79)), 996u);
    EXPECT_EQ(Parse(Bytes(l__Good.begin(), l__Good.begin() + l__Layout.FileBlock(0) + 15)), 996u);
    // A name cut by the end of the file is read as far as it goes.
    Bytes l__CutName(l__Good.begin(), l__Good.begin() + l__Layout.m__Names[0] + 3);
    ASSERT_EQ(Parse(l__CutName), 0u);
    EXPECT_STREQ(m__Name, "x.m");

    UCHAR l__Kind = 0;
    CHAR l__Name[MDS_IMAGE_FILE_NAME_SIZE] = {};
    EXPECT_EQ(TarnwickI_ParseMDS((m__Dir / "none.mds").c_str(), m__Session.get(), &l__Kind, l__Name, "/"), ULONG{ENOENT});
    EXPECT_EQ(TarnwickI_ParseMDS(m__Dir.Path().c_str(), m__Session.get(), &l__Kind, l__Name, "/"), ULONG{EISDIR});
}

TEST_F(MdsParser, CraftedDescriptorsGiveAStatusAndStayInBounds) {
    MdsTestFile::Layout l__Layout;
    const Bytes l__Good = MdsTestFile::Build({{MdsTestFile::MODE1, MdsTestFile::SUB_PW, 1000, "x.mdf"}}, &l__Layout);
    auto l__With = [&](auto p__Change) {
        Bytes l__Bytes = l__Good;
        p__Change(l__Bytes);
        return Parse(l__Bytes);
    };
    using MdsTestFile::Put32;
    // Offsets beyond the end of the file: the reads come back short.
    EXPECT_EQ(l__With([](Bytes& b) { Put32(b, 80, 0xFFFFFFF0u); }), 996u);
    EXPECT_EQ(l__With([&](Bytes& b) { Put32(b, l__Layout.m__Session + 20, 0x7FFFFFFFu); }), 996u);
    EXPECT_EQ(l__With([&](Bytes& b) { Put32(b, l__Layout.DataBlock(0) + 52, 0xFFFFFFFFu); }), 996u);
    // A name beyond the file is an empty name (a short read is accepted for it).
    EXPECT_EQ(l__With([&](Bytes& b) { Put32(b, l__Layout.FileBlock(0), 0xFFFFFFFFu); }), 0u);
    EXPECT_STREQ(m__Name, "");
    // 255 data blocks where the file holds one: the second one is short.
    EXPECT_EQ(l__With([&](Bytes& b) { b[l__Layout.m__Session + 10] = 255; }), 996u);
    // The session block pointing into itself as its data blocks: its bytes read as a block of
    // type 0, so no track at all.
    EXPECT_EQ(l__With([&](Bytes& b) { Put32(b, l__Layout.m__Session + 20, l__Layout.m__Session); }), 0u);
    EXPECT_EQ(m__Session->m__ULONG__NumberOfRawTracks, 0u);
    // The file block at the header: "MEDI" as a name offset, "DESC" as a size.
    EXPECT_EQ(l__With([&](Bytes& b) { Put32(b, l__Layout.DataBlock(0) + 52, 0); }), 0u);
    EXPECT_STREQ(m__Name, "");
    // A name without its zero at the end of the file, and a name filling all 260 bytes.
    Bytes l__Unterminated = l__Good;
    l__Unterminated.pop_back();
    l__Unterminated.insert(l__Unterminated.end(), 100, 'n');
    ASSERT_EQ(Parse(l__Unterminated), 0u);
    EXPECT_EQ(std::strlen(m__Name), 5u + 100u);
    Bytes l__Long = l__Good;
    l__Long.insert(l__Long.end() - 1, 300, 'n');
    EXPECT_EQ(Parse(l__Long), 11u);
    // A size that would wrap below 150 before another track, or no blocks for the last one.
    EXPECT_EQ(Parse(MdsTestFile::Build({{MdsTestFile::MODE1, MdsTestFile::SUB_PW, 100, "x.mdf"},
                                        {MdsTestFile::SOUND, MdsTestFile::SUB_PW, 400, "x.mdf"}})),
              11u);
}

TEST_F(MdsParser, MoreThanAHundredTracksIsBadFormat) {
    std::vector<Track> l__Tracks(100, Track{MdsTestFile::SOUND, MdsTestFile::SUB_PW, 300, "many.mdf"});
    ASSERT_EQ(Parse(MdsTestFile::Build(l__Tracks)), 0u);
    EXPECT_EQ(m__Session->m__ULONG__NumberOfRawTracks, 100u);
    EXPECT_EQ(Length(99), 300u);
    EXPECT_EQ(Length(98), 150u);
    l__Tracks.push_back(l__Tracks.back());
    EXPECT_EQ(Parse(MdsTestFile::Build(l__Tracks)), 11u);
}

TEST_F(MdsParser, TracesTheTracksItReads) {
    TraceCapture l__Trace;
    ASSERT_EQ(Parse(MdsTestFile::Build({{MdsTestFile::SOUND, MdsTestFile::SUB_PW, 777, "t.mdf"}})), 0u);
    Bytes l__Bad = MdsTestFile::Build({{MdsTestFile::MODE1, MdsTestFile::SUB_PW, 1, "t.mdf"}});
    l__Bad[18] = 2;
    EXPECT_EQ(Parse(l__Bad), 11u);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Trace.Contains("\nTarnwick:TarnwickI_ParseMDS(): Track 0, Type 0x01, SubType 0x01\n"));
    EXPECT_TRUE(l__Trace.Contains("\nTarnwick:TarnwickI_ParseMDS(): Track size in LBs 777\n"));
    EXPECT_TRUE(l__Trace.Contains("\nTarnwick:TarnwickI_ParseMDS(): File name is 't.mdf'\n"));
    EXPECT_TRUE(l__Trace.Contains(
        "\nTarnwick:TarnwickI_ParseMDS(): Media type is bad, got 2 instead of expected 0, status 11 ( 0xB )\n"));
}
