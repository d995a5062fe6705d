// Grabbing whole discs burned onto the virtual recorder: a mixed-mode CD as a raw image with
// its descriptor, judged block by block (sector, sub-channel Q) and by mdf2iso; read faults,
// cancel and failures that leave nothing; a DVD as an ISO image and in parts.
#include "GrabOnRecorder.h"
#include "MdsReference.h"
#include "SubchannelReference.h"

namespace {

using namespace BurnFiles;

constexpr size_t DATA_BLOCKS = 400;
constexpr size_t SONG_BLOCKS = 300;

// A data track that is an ISO 9660 image (its primary volume descriptor states its size).
Bytes IsoImage(size_t p__Blocks, unsigned p__Seed) {
    Bytes l__Data = Pattern(p__Blocks * 2048, p__Seed);
    uint8_t* l__Pvd = l__Data.data() + 16 * 2048;
    std::memset(l__Pvd, 0, 2048);
    l__Pvd[0] = 1;
    std::memcpy(l__Pvd + 1, "CD001", 5);
    l__Pvd[6] = 1;
    CTarnwick_Bytes::PutBothEndian32(l__Pvd + 80, static_cast<ULONG>(p__Blocks));
    CTarnwick_Bytes::PutBothEndian16(l__Pvd + 128, 2048);
    return l__Data;
}

class GrabDiscOnRecorder : public GrabOnRecorder {
protected:
    // The descriptor without the image name it ends with.
    Bytes DescriptorFields(const std::string& p__Image) {
        Bytes l__Mds = ReadFile(Out(p__Image.substr(0, p__Image.size() - 4) + ".mds"));
        EXPECT_GT(l__Mds.size(), p__Image.size() + 1);
        if (l__Mds.size() > p__Image.size() + 1) l__Mds.resize(l__Mds.size() - p__Image.size() - 1);
        return l__Mds;
    }
    // A Mode 1 track and three songs, Session-At-Once; the lead-out LBA.
    LONG BurnMixedDisc() {
        m__Data = IsoImage(DATA_BLOCKS, 1);
        std::vector<std::pair<Bytes, bool>> l__Tracks = {{m__Data, false}};
        for (unsigned i = 0; i < 3; ++i) {
            m__Songs.push_back(Pcm(SONG_BLOCKS, 0, 2 + i));
            l__Tracks.emplace_back(m__Songs.back(), true);
        }
        BurnSession(l__Tracks);
        for (UCHAR t = 1; t <= 4; ++t) m__Starts.push_back(Track(t).m__LONG__StartLBA);
        return Track(4).m__LONG__EndLBA + 1;
    }
    Bytes m__Data;
    std::vector<Bytes> m__Songs;
    std::vector<LONG> m__Starts;
};

// The Q a disc has at the LBA: the track, index 0 with the time counting down to 00:00:00 at
// the pre-gap's last block, or index 1 with the time from the track's start; absolute time.
void ExpectPositionQ(const uint8_t* p__Block, LONG p__LBA, const std::vector<LONG>& p__Starts) {
    using namespace SubchannelReference;
    const std::array<UCHAR, 12> l__Q = CheckedQ(p__Block, 2448);
    size_t l__Track = 0;
    while (l__Track + 1 < p__Starts.size() && p__LBA >= p__Starts[l__Track + 1] - 150) ++l__Track;
    const bool l__IsPregap = p__LBA < p__Starts[l__Track];
    EXPECT_EQ(l__Q[0], l__Track == 0 ? 0x41 : 0x01) << "LBA " << p__LBA;
    EXPECT_EQ(l__Q[1], Bcd(long(l__Track) + 1)) << "LBA " << p__LBA;
    EXPECT_EQ(l__Q[2], l__IsPregap ? 0 : 1) << "LBA " << p__LBA;
    const long l__Relative = l__IsPregap ? p__Starts[l__Track] - p__LBA - 1 : p__LBA - p__Starts[l__Track];
    EXPECT_EQ(QTime(l__Q), FramesToMsf(l__Relative)) << "LBA " << p__LBA;
    EXPECT_EQ(QPointOrAbsoluteTime(l__Q), AbsoluteMsf(p__LBA)) << "LBA " << p__LBA;
}

TEST_F(GrabDiscOnRecorder, MixedModeCdIsItsRawBlocksAndADescriptor) {
    Open("cdr");
    const LONG l__LeadOut = BurnMixedDisc();
    ASSERT_EQ(m__Starts, (std::vector<LONG>{0, 550, 1000, 1450}));
    // The last song ends with the zeros its track is padded with up to the lead-out.
    ASSERT_GE(l__LeadOut, 1750);

    ASSERT_EQ(GrabDisc(Out("disc.mdf")), 0u) << m__Text;
    const Bytes l__Image = ReadFile(Out("disc.mdf"));
    ASSERT_EQ(l__Image.size(), size_t(l__LeadOut) * 2448);
    for (LONG l__LBA = 0; l__LBA < l__LeadOut; ++l__LBA) {
        const uint8_t* l__Block = l__Image.data() + size_t(l__LBA) * 2448;
        ExpectPositionQ(l__Block, l__LBA, m__Starts);
        if (l__LBA < LONG(DATA_BLOCKS)) {
            // The sector as read is plain: scramble it as sent for the reference's check.
            SectorReference::Sector l__Sector;
            std::copy(l__Block, l__Block + 2352, l__Sector.begin());
            SubchannelReference::Descramble(l__Sector.data());
            SubchannelReference::ExpectDataSector(l__Sector.data(), l__LBA, SubchannelReference::Kind::Mode1,
                                                  m__Data.data() + size_t(l__LBA) * 2048);
        }
        if (HasFailure()) FAIL() << "at LBA " << l__LBA;
    }
    for (size_t i = 0; i < 3; ++i) {
        for (LONG b = 0; b < LONG(SONG_BLOCKS); ++b) {
            const uint8_t* l__Block = l__Image.data() + size_t(m__Starts[i + 1] + b) * 2448;
            ASSERT_TRUE(std::equal(l__Block, l__Block + 2352, m__Songs[i].begin() + b * 2352)) << "song " << i << " block " << b;
        }
        for (LONG l__LBA = m__Starts[i + 1] - 150; l__LBA < m__Starts[i + 1]; ++l__LBA) {
            const uint8_t* l__Block = l__Image.data() + size_t(l__LBA) * 2448;
            ASSERT_TRUE(std::all_of(l__Block, l__Block + 2352, [](uint8_t c) { return c == 0; })) << "pre-gap LBA " << l__LBA;
        }
    }
    for (LONG l__LBA = 1750; l__LBA < l__LeadOut; ++l__LBA) {
        const uint8_t* l__Block = l__Image.data() + size_t(l__LBA) * 2448;
        ASSERT_TRUE(std::all_of(l__Block, l__Block + 2352, [](uint8_t c) { return c == 0; })) << "LBA " << l__LBA;
    }

    // One READ CD of 25 whole blocks with raw P-W at a time, the last 150 block by block.
    const std::vector<ScriptedCommand> l__ReadCds = GrabCommands(0xBE);
    ASSERT_FALSE(l__ReadCds.empty());
    EXPECT_EQ(l__ReadCds.front().m__Cdb[9], 0xF8);
    EXPECT_EQ(l__ReadCds.front().m__Cdb[10], 0x01);
    EXPECT_EQ(Reads(0xBE).front(), (ReadCommand{0, 25}));
    EXPECT_EQ(Reads(0xBE).back(), (ReadCommand{uint32_t(l__LeadOut - 1), 1}));

    // The descriptor beside it.
    const MdsReference::Descriptor l__D = MdsReference::Read(ReadFile(Out("disc.mds")));
    EXPECT_EQ(l__D.m__SessionEnd, l__LeadOut);
    ASSERT_EQ(l__D.m__Entries.size(), 7u);
    const uint8_t l__Modes[] = {0xAA, 0xA9, 0xA9, 0xA9};
    for (size_t i = 0; i < 4; ++i) {
        const MdsReference::Entry& e = l__D.m__Entries[3 + i];
        EXPECT_EQ(e.m__Mode, l__Modes[i]);
        EXPECT_EQ(e.m__AdrControl, i == 0 ? 0x14 : 0x10) << "the control of the table of contents";
        EXPECT_EQ(e.m__StartSector, m__Starts[i]);
        EXPECT_EQ(e.m__Pregap, 150u) << "the pre-gap counted from the Q of track " << i + 1;
        EXPECT_EQ(e.m__Name, "disc.mdf");
    }
    EXPECT_EQ(MdsReference::RawBurnLayout(l__D), (std::vector<long>{0, 550, 1000, 1450, l__LeadOut}));
    EXPECT_EQ(Entries(m__Recorder->Dir()).size(), 3u) << "the disc, the image and the descriptor";


    // The recorder's export with --sub: the BIN's blocks and the sub-channel of each, in the
    // same order, as the grab read them.
    std::string l__Export;
    ASSERT_EQ(m__Recorder->Vdisc("export {} --cue '" + Out("export.cue") + "' --sub", &l__Export), 0) << l__Export;
    const Bytes l__Bin = ReadFile(Out("export.bin")), l__Sub = ReadFile(Out("export.sub"));
    ASSERT_EQ(l__Bin.size(), size_t(l__LeadOut) * 2352);
    ASSERT_EQ(l__Sub.size(), size_t(l__LeadOut) * 96);
    for (size_t l__LBA = 0; l__LBA < size_t(l__LeadOut); ++l__LBA) {
        ASSERT_TRUE(std::equal(l__Sub.begin() + l__LBA * 96, l__Sub.begin() + (l__LBA + 1) * 96,
                               l__Image.begin() + l__LBA * 2448 + 2352))
            << "sub-channel of LBA " << l__LBA;
        ASSERT_TRUE(std::equal(l__Bin.begin() + l__LBA * 2352, l__Bin.begin() + (l__LBA + 1) * 2352,
                               l__Image.begin() + l__LBA * 2448))
            << "sector " << l__LBA;
    }
    EXPECT_NE(m__Recorder->Vdisc("export {} --cue '" + Out("export2.cue") + "' --subchannel"), 0);

    // mdf2iso turns the data track's sectors into the ISO image that was burned. It knows
    // raw images of 2352-byte blocks only (2448-byte blocks are an unknown format to it, and
    // to iat), so it is given the sectors without their sub-channel.
    REQUIRE_TOOL("mdf2iso");
    Bytes l__Sectors;
    for (size_t l__LBA = 0; l__LBA < DATA_BLOCKS; ++l__LBA)
        l__Sectors.insert(l__Sectors.end(), l__Image.begin() + l__LBA * 2448, l__Image.begin() + l__LBA * 2448 + 2352);
    WriteFile(Out("track1.mdf"), l__Sectors);
    std::string l__Output;
    EXPECT_EQ(RecorderUnderTest::Run("mdf2iso '" + Out("track1.mdf") + "' '" + Out("track1.iso") + "'", &l__Output), 0)
        << l__Output;
    EXPECT_TRUE(ReadFile(Out("track1.iso")) == m__Data) << l__Output;
}

TEST_F(GrabDiscOnRecorder, UnreadableBlocksAreRetriedIgnoredOrFailTheGrab) {
    Open("cdr");
    const LONG l__LeadOut = BurnMixedDisc();
    ASSERT_EQ(GrabDisc(Out("clean.mdf")), 0u) << m__Text;
    const Bytes l__Clean = ReadFile(Out("clean.mdf"));

    // Twice unreadable, read the third time with one retry more.
    ASSERT_EQ(m__Recorder->Vdisc("fault {} --read-fail 600:2"), 0);
    ASSERT_EQ(GrabDisc(Out("retried.mdf"), 1), 0u) << m__Text;
    EXPECT_TRUE(ReadFile(Out("retried.mdf")) == l__Clean);
    EXPECT_EQ(m__Reports.m__Retries, (std::vector<ULONG>{600, 600}));
    EXPECT_EQ(DescriptorFields("retried.mdf"), DescriptorFields("clean.mdf"));

    // Always unreadable: without ignore the grab fails, keeps the older files and leaves
    // nothing new; with ignore the block is zeros (its sub-channel too) and reported.
    ASSERT_EQ(m__Recorder->Vdisc("fault {} --read-fail 601:1000"), 0);
    WriteText(Out("old.mdf"), "older image");
    WriteText(Out("old.mds"), "older descriptor");
    const size_t l__Before = Entries(m__Recorder->Dir()).size();
    EXPECT_EQ(GrabDisc(Out("old.mdf"), 2), 10u);
    EXPECT_STREQ(m__Text, "CTarnwick_CdvdBurnerGrabber::GrabDiscRaw(): LBA 601 cannot be recovered!!!");
    const Bytes l__Old = ReadFile(Out("old.mdf")), l__OldMds = ReadFile(Out("old.mds"));
    EXPECT_EQ(std::string(l__Old.begin(), l__Old.end()), "older image");
    EXPECT_EQ(std::string(l__OldMds.begin(), l__OldMds.end()), "older descriptor");
    EXPECT_EQ(Entries(m__Recorder->Dir()).size(), l__Before);

    m__Reports.m__BadSectors.clear();
    ASSERT_EQ(GrabDisc(Out("ignored.mdf"), 0, 1), 0u) << m__Text;
    Bytes l__Expected = l__Clean;
    std::fill(l__Expected.begin() + 601 * 2448, l__Expected.begin() + 602 * 2448, 0);
    EXPECT_TRUE(ReadFile(Out("ignored.mdf")) == l__Expected);
    EXPECT_EQ(m__Reports.m__BadSectors, (std::vector<std::pair<ULONG, ULONG>>{{601, 1}}));
    EXPECT_EQ(DescriptorFields("ignored.mdf"), DescriptorFields("clean.mdf")) << "one bad block leaves the pre-gaps as they were";
    (void)l__LeadOut;
}

TEST_F(GrabDiscOnRecorder, CancelAndAnUnwritableOutputLeaveNothing) {
    Open("cdr");
    BurnMixedDisc();
    SteppingClock l__Clock;
    m__Reports.m__LONGLONG__CancelAtDone = 100;
    EXPECT_EQ(GrabDisc(Out("cancel.mdf"), 0, 0, 0, 1), 14u);
    EXPECT_STREQ(m__Text, "CTarnwick_CdvdBurnerGrabber::GrabDiscRaw(): Cancel set at LBA offset 100!!!");
    EXPECT_EQ(Entries(m__Recorder->Dir()).size(), 1u);
    m__Reports.m__LONGLONG__CancelAtDone = -1;

    const std::string l__Name = Out("missing-directory/disc.mdf");
    EXPECT_EQ(GrabDisc(l__Name), 5u);
    EXPECT_EQ(std::string(m__Text), "CTarnwick_CdvdBurnerGrabber::GrabDisc(): CreateFile( '" + l__Name +
                                        "' ) failed, status " + std::to_string(ENOENT) + "!!!");
    // An image named like its descriptor would be overwritten by it.
    EXPECT_EQ(GrabDisc(Out("disc.mds")), 2u);
    EXPECT_EQ(Entries(m__Recorder->Dir()).size(), 1u);
}

// A descriptor states one session: of a disc of two, the first is copied.
TEST_F(GrabDiscOnRecorder, MultisessionCdGivesItsFirstSession) {
    Open("cdr");
    const Bytes l__Data = IsoImage(DATA_BLOCKS, 1), l__Song = Pcm(SONG_BLOCKS, 0, 2);
    BurnSession({{l__Data, false}, {l__Song, true}}, 1);
    Bytes l__Second = IsoImage(300, 3);
    BurnTrackAtOnce(l__Second);
    const LONG l__LeadOut = Track(2).m__LONG__EndLBA + 1;
    ASSERT_GT(Track(3).m__LONG__StartLBA, l__LeadOut);

    ASSERT_EQ(GrabDisc(Out("multi.mdf")), 0u) << m__Text;
    const Bytes l__Image = ReadFile(Out("multi.mdf"));
    ASSERT_EQ(l__Image.size(), size_t(l__LeadOut) * 2448);
    EXPECT_TRUE(std::equal(l__Data.begin(), l__Data.begin() + 2048, l__Image.begin() + 16));
    const MdsReference::Descriptor l__D = MdsReference::Read(ReadFile(Out("multi.mds")));
    EXPECT_EQ(l__D.m__SessionEnd, l__LeadOut);
    EXPECT_EQ(l__D.m__LastTrack, 2u);
    EXPECT_EQ(l__D.m__Entries.size(), 5u);
}

TEST(GrabDiscNames, DescriptorTakesThePlaceOfTheExtension) {
    EXPECT_EQ(CTarnwick_CdvdBurnerGrabber::DescriptorName("disc.mdf"), "disc.mds");
    EXPECT_EQ(CTarnwick_CdvdBurnerGrabber::DescriptorName("/a.b/disc"), "/a.b/disc.mds");
    EXPECT_EQ(CTarnwick_CdvdBurnerGrabber::DescriptorName("dir/.hidden"), "dir/.hidden.mds");
    EXPECT_EQ(CTarnwick_CdvdBurnerGrabber::DescriptorName("x.tar.img"), "x.tar.mds");
}

constexpr uint32_t DVD_BLOCKS = 1600;  // 3 MiB and 64 blocks

TEST_F(GrabDiscOnRecorder, DvdIsAnIsoImageWholeOrInParts) {
    Open("dvdr");
    BurnDvd(Pattern(DVD_BLOCKS * 2048, 5), DVD_BLOCKS);
    const Bytes l__Disc = Export(1);
    ASSERT_EQ(l__Disc.size(), DVD_BLOCKS * 2048u);
    Track(1);

    ASSERT_EQ(GrabDisc(Out("dvd.iso")), 0u) << m__Text;
    EXPECT_TRUE(ReadFile(Out("dvd.iso")) == l__Disc);
    EXPECT_EQ(Reads(0xBE).size(), 0u);
    std::remove(Out("dvd.iso").c_str());

    ASSERT_EQ(GrabDiscSplit(Out("dvd.iso"), 1 << 20), 0u) << m__Text;
    Bytes l__Joined;
    for (int i = 1; i <= 4; ++i) {
        const Bytes l__Part = ReadFile(Out("dvd.iso.00" + std::to_string(i)));
        EXPECT_EQ(l__Part.size(), i < 4 ? size_t(1) << 20 : 64u * 2048) << "part " << i;
        l__Joined.insert(l__Joined.end(), l__Part.begin(), l__Part.end());
    }
    EXPECT_TRUE(l__Joined == l__Disc);
    EXPECT_EQ(Entries(m__Recorder->Dir()).size(), 5u);

    // A part size that is not whole blocks; a CD.
    EXPECT_EQ(GrabDiscSplit(Out("odd.iso"), 1000000), 2u);
    EXPECT_STREQ(m__Text, "CTarnwick_CdvdBurnerGrabber::GrabDiscSplit(): Part size 1000000 is not a multiple of 2048!!!");
    EXPECT_EQ(GrabDiscSplit(Out("zero.iso"), 0), 2u);

    // A failure in the third part leaves no part at all, and older parts as they were.
    ASSERT_EQ(m__Recorder->Vdisc("fault {} --read-fail 1200"), 0);
    EXPECT_EQ(GrabDiscSplit(Out("dvd.iso"), 1 << 20), 10u);
    EXPECT_STREQ(m__Text, "CTarnwick_CdvdBurnerGrabber::GrabDiscCooked(): LBA 1200 cannot be recovered!!!");
    EXPECT_EQ(Entries(m__Recorder->Dir()).size(), 5u);
    EXPECT_TRUE(ReadFile(Out("dvd.iso.001")) == Bytes(l__Disc.begin(), l__Disc.begin() + (1 << 20)));
}

TEST_F(GrabDiscOnRecorder, CdIsNotSplit) {
    Open("cdr");
    BurnCd(Pattern(DATA_BLOCKS * 2048, 1), false);
    EXPECT_EQ(GrabDiscSplit(Out("cd.iso"), 1 << 20), 10u);
    EXPECT_STREQ(m__Text, "CTarnwick_CdvdBurnerGrabber::GrabDiscSplit(): Only a DVD is split into parts!!!");
    EXPECT_EQ(Entries(m__Recorder->Dir()).size(), 1u);
}

}  // namespace
