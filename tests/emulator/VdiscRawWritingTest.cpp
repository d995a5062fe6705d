// Raw Disc-At-Once (write type 3): every block the host sends is checked before anything of its
// WRITE is recorded, and the disc's table of contents is the one the lead-in's Q records carry.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "CTarnwick_CdAddress.h"
#include "VdiscRawStream.h"
#include "VdiscTestDrive.h"

namespace {

constexpr int32_t LEAD_IN = -11634;  // a CD-R's lead-in start (97:26:66)
using Track = VdiscRawStream::Track;

Track Data(int32_t p__LONG__Start, uint8_t p__UCHAR__Mode = 1) { return {true, p__UCHAR__Mode, p__LONG__Start, 0}; }
Track Audio(int32_t p__LONG__Start, int32_t p__LONG__Pregap = 0) { return {false, 0, p__LONG__Start, p__LONG__Pregap}; }

// Write type 3 with the block type of the stream's form (1: raw + P-Q, 3: raw + raw P-W).
void RawWriting(VdiscTestDrive& p__Drive, uint32_t p__ULONG__Size, bool p__bool__Test = false) {
    ASSERT_TRUE(p__Drive.SetWriteParameters(3, p__ULONG__Size == 2368 ? 1 : 3, 0, 0, 0, p__bool__Test).Ok());
}

uintmax_t FileSize(const VdiscTestDrive& p__Drive) { return std::filesystem::file_size(p__Drive.File()); }

// Sends blocks LBA.. LBA+3 with the last one changed; expects the refusal and that nothing was recorded.
void ExpectRefused(VdiscTestDrive& p__Drive, const VdiscRawStream& p__Stream, int32_t p__LONG__Lba, const std::function<void(std::vector<uint8_t>&)>& p__Change,
                   uint8_t p__UCHAR__Asc, uint8_t p__UCHAR__Ascq, const std::string& p__string__What) {
    std::vector<uint8_t> l__Packet;
    for (int32_t l__LONG__I = 0; l__LONG__I < 4; ++l__LONG__I) {
        std::vector<uint8_t> l__Block = p__Stream.Block(p__LONG__Lba + l__LONG__I);
        if (l__LONG__I == 3) p__Change(l__Block);
        l__Packet.insert(l__Packet.end(), l__Block.begin(), l__Block.end());
    }
    const uintmax_t l__uintmax_t__Before = FileSize(p__Drive);
    const VdiscTestDrive::Result l__Result = p__Drive.Write(p__LONG__Lba, 4, l__Packet);
    EXPECT_TRUE(l__Result.Is(0x05, p__UCHAR__Asc, p__UCHAR__Ascq))
        << p__string__What << ": " << std::hex << int(l__Result.m__UCHAR__Key) << "/" << int(l__Result.m__UCHAR__Asc) << "/" << int(l__Result.m__UCHAR__Ascq);
    EXPECT_EQ(FileSize(p__Drive), l__uintmax_t__Before) << p__string__What;
}

// Changes of one block.
auto ChangeQ(const std::function<void(uint8_t*)>& p__Change, bool p__bool__FixCrc = true) {
    return [p__Change, p__bool__FixCrc](std::vector<uint8_t>& p__Block) {
        uint8_t l__UCHAR__Q[12];
        VdiscRawStream::GetQ(p__Block, l__UCHAR__Q);
        p__Change(l__UCHAR__Q);
        VdiscRawStream::SetQ(p__Block, l__UCHAR__Q, p__bool__FixCrc);
    };
}
auto ChangePlain(const std::function<void(std::vector<uint8_t>&)>& p__Change) {
    return [p__Change](std::vector<uint8_t>& p__Block) {
        VdiscRawStream::Scramble(p__Block);
        p__Change(p__Block);
        VdiscRawStream::Scramble(p__Block);
    };
}

// READ TOC format 0: (track or AAh, control, start) of every entry.
std::vector<std::vector<int32_t>> TocEntries(VdiscTestDrive& p__Drive) {
    std::vector<std::vector<int32_t>> l__Entries;
    const VdiscTestDrive::Result l__Toc = p__Drive.Toc(0, false);
    EXPECT_TRUE(l__Toc.Ok());
    for (size_t l__size_t__At = 4; l__size_t__At + 8 <= l__Toc.m__Data.size() && l__size_t__At < 2 + VdiscTestDrive::Be16(l__Toc.m__Data, 0); l__size_t__At += 8)
        l__Entries.push_back({l__Toc.m__Data[l__size_t__At + 2], l__Toc.m__Data[l__size_t__At + 1] & 0x0F, static_cast<int32_t>(VdiscTestDrive::Be32(l__Toc.m__Data, l__size_t__At + 4))});
    return l__Entries;
}

VdiscTestDrive::Result ReadCd(VdiscTestDrive& p__Drive, int32_t p__LONG__Lba, uint8_t p__UCHAR__Flags, uint32_t p__ULONG__Length) {
    const uint32_t l__ULONG__Lba = static_cast<uint32_t>(p__LONG__Lba);
    return p__Drive.In({0xBE, 0, static_cast<uint8_t>(l__ULONG__Lba >> 24), static_cast<uint8_t>(l__ULONG__Lba >> 16), static_cast<uint8_t>(l__ULONG__Lba >> 8),
                        static_cast<uint8_t>(l__ULONG__Lba), 0, 0, 1, p__UCHAR__Flags, 0, 0},
                       p__ULONG__Length);
}

std::string Tool(const std::string& p__string__Arguments) { return std::string(TARNWICK_VDISC_TOOL) + " " + p__string__Arguments; }

class VdiscRawWriting : public testing::TestWithParam<uint32_t> {};

struct DiscCase {
    const char* m__PCHAR__Name;
    std::vector<Track> m__Tracks;
    int32_t m__LONG__LeadOut;
    int32_t m__LONG__LeadOutBlocks;
    uint8_t m__UCHAR__DiscType;
};

}  // namespace

// Mode 1, Mode 2 Form 1, two audio tracks, and data then audio: written whole, then the TOC, track
// and disc information, READ(10)/READ CD and the exports show what the host sent.
TEST_P(VdiscRawWriting, EveryKindOfDiscIsBuiltFromItsLeadIn) {
    const std::vector<DiscCase> l__Cases = {
        {"mode 1", {Data(0, 1)}, 300, 6750, 0x00},
        {"mode 2 form 1", {Data(0, 2)}, 300, 40, 0x20},
        {"audio", {Audio(0), Audio(200)}, 400, 40, 0x00},
        {"mixed", {Data(0, 1), Audio(450, 150)}, 600, 40, 0x00},
    };
    for (const DiscCase& l__Case : l__Cases) {
        SCOPED_TRACE(l__Case.m__PCHAR__Name);
        VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
        RawWriting(l__Drive, GetParam());
        const VdiscRawStream l__Stream(LEAD_IN, l__Case.m__Tracks, l__Case.m__LONG__LeadOut, GetParam());
        ASSERT_TRUE(l__Stream.Put(l__Drive, LEAD_IN, l__Case.m__LONG__LeadOut + l__Case.m__LONG__LeadOutBlocks).Ok());
        // A whole lead-out and nothing beyond it.
        if (l__Case.m__LONG__LeadOutBlocks == 6750) {
            EXPECT_TRUE(l__Drive.Write(l__Case.m__LONG__LeadOut + 6750, 1, l__Stream.Block(l__Case.m__LONG__LeadOut + 6750)).Is(0x05, 0x21, 0x00));
        }
        ASSERT_TRUE(l__Drive.Sync().Ok());

        std::vector<std::vector<int32_t>> l__Expected;
        for (size_t l__size_t__I = 0; l__size_t__I < l__Case.m__Tracks.size(); ++l__size_t__I)
            l__Expected.push_back({static_cast<int32_t>(l__size_t__I + 1), l__Case.m__Tracks[l__size_t__I].m__bool__Data ? 4 : 0, l__Case.m__Tracks[l__size_t__I].m__LONG__Start});
        l__Expected.push_back({0xAA, l__Case.m__Tracks.back().m__bool__Data ? 4 : 0, l__Case.m__LONG__LeadOut});
        EXPECT_EQ(TocEntries(l__Drive), l__Expected);
        // Full TOC: A0 carries the disc type of the lead-in.
        const VdiscTestDrive::Result l__Full = l__Drive.Toc(2, false);
        ASSERT_TRUE(l__Full.Ok());
        EXPECT_EQ(l__Full.m__Data[4 + 3], 0xA0);
        EXPECT_EQ(l__Full.m__Data[4 + 9], l__Case.m__UCHAR__DiscType);
        const VdiscTestDrive::Result l__Disc = l__Drive.DiscInfo();
        EXPECT_EQ(l__Disc.m__Data[2] & 0x1F, 0x0E);  // last session complete, disc complete

        for (size_t l__size_t__I = 0; l__size_t__I < l__Case.m__Tracks.size(); ++l__size_t__I) {
            const Track& l__Track = l__Case.m__Tracks[l__size_t__I];
            const int32_t l__LONG__End = l__size_t__I + 1 < l__Case.m__Tracks.size() ? l__Case.m__Tracks[l__size_t__I + 1].m__LONG__Start : l__Case.m__LONG__LeadOut;
            const VdiscTestDrive::Result l__Info = l__Drive.TrackInfo(static_cast<uint32_t>(l__size_t__I + 1));
            ASSERT_TRUE(l__Info.Ok());
            EXPECT_EQ(VdiscTestDrive::Be32(l__Info.m__Data, 8), static_cast<uint32_t>(l__Track.m__LONG__Start));
            EXPECT_EQ(VdiscTestDrive::Be32(l__Info.m__Data, 24), static_cast<uint32_t>(l__LONG__End - l__Track.m__LONG__Start));
            EXPECT_EQ(l__Info.m__Data[6] & 0x0F, l__Track.m__bool__Data ? l__Track.m__UCHAR__Mode : 0x0F);
            const int32_t l__LONG__Lba = l__Track.m__LONG__Start + 17;
            if (l__Track.m__bool__Data) {
                EXPECT_EQ(l__Drive.Read(l__LONG__Lba, 1).m__Data, VdiscRawStream::UserData(l__LONG__Lba));
            } else {
                EXPECT_EQ(ReadCd(l__Drive, l__LONG__Lba, 0xF8, 2352).m__Data, VdiscRawStream::AudioData(l__LONG__Lba));
            }
        }
        if (l__Case.m__Tracks.size() == 1) {
            // The user data of the data track, 2048 bytes a block.
            const std::string l__string__Iso = l__Drive.Dir() + "/track.iso";
            ASSERT_EQ(VdiscTestDrive::Shell(Tool("export '" + l__Drive.File() + "' --track 1 '" + l__string__Iso + "'")), 0);
            std::vector<uint8_t> l__Sent;
            for (int32_t l__LONG__Lba = 0; l__LONG__Lba < l__Case.m__LONG__LeadOut; ++l__LONG__Lba) {
                const std::vector<uint8_t> l__User = VdiscRawStream::UserData(l__LONG__Lba);
                l__Sent.insert(l__Sent.end(), l__User.begin(), l__User.end());
            }
            EXPECT_TRUE(VdiscTestDrive::ReadFile(l__string__Iso) == l__Sent);
        } else if (!l__Case.m__Tracks.front().m__bool__Data) {
            // The audio as sent, LBA 0 on.
            ASSERT_EQ(VdiscTestDrive::Shell(Tool("export '" + l__Drive.File() + "' --cue '" + l__Drive.Dir() + "/disc.cue' > /dev/null")), 0);
            std::vector<uint8_t> l__Sent;
            for (int32_t l__LONG__Lba = 0; l__LONG__Lba < l__Case.m__LONG__LeadOut; ++l__LONG__Lba) {
                const std::vector<uint8_t> l__Audio = VdiscRawStream::AudioData(l__LONG__Lba);
                l__Sent.insert(l__Sent.end(), l__Audio.begin(), l__Audio.end());
            }
            EXPECT_TRUE(VdiscTestDrive::ReadFile(l__Drive.Dir() + "/disc.bin") == l__Sent);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothForms, VdiscRawWriting, testing::Values(2368u, 2448u), [](const testing::TestParamInfo<uint32_t>& p__Info) {
    return p__Info.param == 2368 ? std::string("RawPQ") : std::string("RawPW");
});

// Each content fault is refused with its sense, records nothing, and the good blocks are then
// taken at the same address; the refused command's log line says why and where.
TEST(VdiscRawWritingRefusals, EachFaultRefusesTheWholeWriteAndRecordsNothing) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    const std::string l__string__Log = l__Drive.Dir() + "/commands.log";
    ASSERT_EQ(VdiscTestDrive::Shell(Tool("blank '" + l__Drive.File() + "' --media cdr --command-log '" + l__string__Log + "' > /dev/null")), 0);
    l__Drive.Reopen();
    RawWriting(l__Drive, 2448);
    const VdiscRawStream l__Stream(LEAD_IN, {Data(0, 1), Audio(450, 150)}, 600, 2448);
    auto l__Put = [&](int32_t p__LONG__From, int32_t p__LONG__To) { ASSERT_TRUE(l__Stream.Put(l__Drive, p__LONG__From, p__LONG__To).Ok()); };
    auto l__Bcd = [](uint8_t* p__PUCHAR__At, int32_t p__LONG__Lba) { CTarnwick_CdAddress::LbaToMsfBcd(p__LONG__Lba, p__PUCHAR__At); };

    // The very first WRITE: refused, the disc stays blank and the run does not begin.
    ExpectRefused(l__Drive, l__Stream, LEAD_IN, ChangeQ([](uint8_t* p__Q) { p__Q[11] ^= 1; }, false), 0x64, 0x00, "Q CRC");
    EXPECT_EQ(l__Drive.DiscInfo().m__Data[2] & 0x03, 0);
    l__Put(LEAD_IN, LEAD_IN + 96);
    // Lead-in Q records (block LEAD_IN + 99 is the third block of the first A0 of the second cycle... any item).
    const int32_t l__LONG__At = LEAD_IN + 96;
    ExpectRefused(l__Drive, l__Stream, l__LONG__At, ChangeQ([](uint8_t* p__Q) { p__Q[0] = 0x42; }), 0x64, 0x00, "lead-in ADR 2");
    ExpectRefused(l__Drive, l__Stream, l__LONG__At, ChangeQ([](uint8_t* p__Q) { p__Q[1] = 0x01; }), 0x64, 0x00, "lead-in TNO");
    ExpectRefused(l__Drive, l__Stream, l__LONG__At, ChangeQ([](uint8_t* p__Q) { p__Q[2] = 0xB0; }), 0x64, 0x00, "POINT");
    ExpectRefused(l__Drive, l__Stream, l__LONG__At, ChangeQ([](uint8_t* p__Q) { p__Q[8] = 0x1A; }), 0x64, 0x00, "PSEC not BCD");
    ExpectRefused(l__Drive, l__Stream, l__LONG__At, ChangeQ([](uint8_t* p__Q) { p__Q[9] ^= 0x01; }), 0x64, 0x00, "item repeated otherwise");
    ExpectRefused(l__Drive, l__Stream, l__LONG__At, ChangePlain([&](std::vector<uint8_t>& p__B) { l__Bcd(p__B.data() + 12, l__LONG__At); }), 0x21, 0x02,
                  "lead-in header address");
    ExpectRefused(l__Drive, l__Stream, l__LONG__At, [](std::vector<uint8_t>& p__B) { p__B[5] = 0; }, 0x64, 0x00, "sync");
    l__Put(l__LONG__At, -150);
    // The first track's pre-gap.
    ExpectRefused(l__Drive, l__Stream, -150, ChangeQ([](uint8_t* p__Q) { p__Q[2] = 0x01; }), 0x64, 0x00, "pre-gap index 01");
    ExpectRefused(l__Drive, l__Stream, -150, ChangeQ([](uint8_t* p__Q) { p__Q[1] = 0x02; }), 0x64, 0x00, "pre-gap track 2");
    ExpectRefused(l__Drive, l__Stream, -150, ChangeQ([](uint8_t* p__Q) { p__Q[9] ^= 0x01; }), 0x21, 0x02, "pre-gap absolute time");
    ExpectRefused(l__Drive, l__Stream, -150, ChangeQ([](uint8_t* p__Q) { p__Q[5] ^= 0x01; }), 0x64, 0x00, "pre-gap relative time");
    ExpectRefused(l__Drive, l__Stream, -150, ChangeQ([](uint8_t* p__Q) { p__Q[0] = 0x01; }), 0x64, 0x00, "pre-gap control");
    l__Put(-150, 0);
    // The data track.
    ExpectRefused(l__Drive, l__Stream, 0, ChangePlain([](std::vector<uint8_t>& p__B) { p__B[100] ^= 1; }), 0x64, 0x00, "Mode 1 EDC");
    ExpectRefused(l__Drive, l__Stream, 0, ChangePlain([](std::vector<uint8_t>& p__B) { p__B[2200] ^= 1; }), 0x64, 0x00, "Mode 1 ECC");
    ExpectRefused(l__Drive, l__Stream, 0, ChangePlain([](std::vector<uint8_t>& p__B) { p__B[14] = 0x08; }), 0x21, 0x02, "header address");
    ExpectRefused(l__Drive, l__Stream, 0, ChangePlain([](std::vector<uint8_t>& p__B) { p__B[15] = 2; }), 0x64, 0x00, "Mode 2 in a Mode 1 track");
    ExpectRefused(l__Drive, l__Stream, 0, ChangeQ([](uint8_t* p__Q) { p__Q[1] = 0xAA; }), 0x64, 0x00, "lead-out before A2");
    ExpectRefused(l__Drive, l__Stream, 0, ChangeQ([](uint8_t* p__Q) { p__Q[8] = 0x09; }), 0x21, 0x02, "absolute time");
    ExpectRefused(l__Drive, l__Stream, 0, ChangeQ([](uint8_t* p__Q) { p__Q[0] = 0x45; }), 0x64, 0x00, "ADR 5");
    l__Put(0, 300);
    // Track 2's pre-gap and area: the lead-in named it, the blocks must say so.
    ExpectRefused(l__Drive, l__Stream, 300, ChangeQ([](uint8_t* p__Q) { p__Q[1] = 0x01; }), 0x64, 0x00, "pre-gap of track 2 as track 1");
    l__Put(300, 448);
    ExpectRefused(l__Drive, l__Stream, 448, ChangeQ([](uint8_t* p__Q) {
                      p__Q[1] = 0x01;
                      p__Q[2] = 0x01;
                  }),
                  0x64, 0x00, "track 2 written as track 1");
    // Catalog records carry no position and pass.
    std::vector<uint8_t> l__Catalog = l__Stream.Block(448);
    ChangeQ([](uint8_t* p__Q) { p__Q[0] = 0x02; })(l__Catalog);
    ASSERT_TRUE(l__Drive.Write(448, 1, l__Catalog).Ok());
    l__Put(449, 600);
    ExpectRefused(l__Drive, l__Stream, 600, ChangeQ([](uint8_t* p__Q) { p__Q[1] = 0x02; }), 0x64, 0x00, "lead-out as track 2");
    // Writes still go only to the next address.
    EXPECT_TRUE(l__Drive.Write(601, 1, l__Stream.Block(601)).Is(0x05, 0x21, 0x02));
    l__Put(600, 640);
    ASSERT_TRUE(l__Drive.Sync().Ok());
    EXPECT_EQ(TocEntries(l__Drive), (std::vector<std::vector<int32_t>>{{1, 4, 0}, {2, 0, 450}, {0xAA, 0, 600}}));
    EXPECT_EQ(l__Drive.Read(7, 1).m__Data, VdiscRawStream::UserData(7));

    std::ifstream l__File(l__string__Log);
    const std::string l__string__Text((std::istreambuf_iterator<char>(l__File)), std::istreambuf_iterator<char>());
    EXPECT_NE(l__string__Text.find("CHECK 05/64/00 Mode 1 EDC wrong at LBA 3\n"), std::string::npos);
    EXPECT_NE(l__string__Text.find("CHECK 05/21/02 Q absolute time is not the block's address at LBA 3\n"), std::string::npos);
}

// Mode 2 sectors are checked by their form: both subheader copies, Form 1 EDC and ECC, and a
// Form 2 EDC that is either zero or right.
TEST(VdiscRawWritingRefusals, Mode2SectorsAreCheckedByTheirForm) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    RawWriting(l__Drive, 2368);
    const VdiscRawStream l__Stream(LEAD_IN, {Data(0, 2)}, 300, 2368);
    ASSERT_TRUE(l__Stream.Put(l__Drive, LEAD_IN, 0).Ok());
    ExpectRefused(l__Drive, l__Stream, 0, ChangePlain([](std::vector<uint8_t>& p__B) { p__B[22] ^= 0x01; }), 0x64, 0x00, "subheader copies");
    ExpectRefused(l__Drive, l__Stream, 0, ChangePlain([](std::vector<uint8_t>& p__B) { p__B[100] ^= 0x01; }), 0x64, 0x00, "Form 1 EDC");
    ExpectRefused(l__Drive, l__Stream, 0, ChangePlain([](std::vector<uint8_t>& p__B) { p__B[2300] ^= 0x01; }), 0x64, 0x00, "Form 1 ECC");
    auto l__Form2 = [](uint32_t p__ULONG__Edc) {
        return ChangePlain([p__ULONG__Edc](std::vector<uint8_t>& p__B) {
            p__B[18] |= 0x20;
            p__B[22] |= 0x20;
            for (int l__int__I = 0; l__int__I < 4; ++l__int__I) p__B[2348 + l__int__I] = static_cast<uint8_t>(p__ULONG__Edc >> (8 * l__int__I));
        });
    };
    ExpectRefused(l__Drive, l__Stream, 0, l__Form2(0x12345678), 0x64, 0x00, "Form 2 EDC");
    // A Form 2 sector without EDC belongs in a Mode 2 track too.
    std::vector<uint8_t> l__Packet = l__Stream.Packet(0, 3);
    std::vector<uint8_t> l__Block = l__Stream.Block(3);
    l__Form2(0)(l__Block);
    l__Packet.insert(l__Packet.end(), l__Block.begin(), l__Block.end());
    ASSERT_TRUE(l__Drive.Write(0, 4, l__Packet).Ok());
    ASSERT_TRUE(l__Stream.Put(l__Drive, 4, 340).Ok());
    ASSERT_TRUE(l__Drive.Sync().Ok());
    EXPECT_EQ(l__Drive.TrackInfo(1).m__Data[6] & 0x0F, 2);
    EXPECT_EQ(l__Drive.Read(10, 1).m__Data, VdiscRawStream::UserData(10));
}

// A lead-in whose table of contents is incomplete or incoherent is refused at the first block
// after it; so is a coherent one that announces track 2 elsewhere than the blocks put it.
TEST(VdiscRawWritingRefusals, LeadInTocMustBeCompleteAndMatchTheBlocks) {
    auto l__Item = [](std::vector<std::vector<uint8_t>>& p__Items, uint8_t p__UCHAR__Point) {
        for (size_t l__size_t__I = 0; l__size_t__I < p__Items.size(); ++l__size_t__I)
            if (p__Items[l__size_t__I][1] == p__UCHAR__Point) return l__size_t__I;
        return p__Items.size();
    };
    struct Broken {
        const char* m__PCHAR__Name;
        std::function<void(std::vector<std::vector<uint8_t>>&)> m__Change;
    };
    const std::vector<Broken> l__Cases = {
        {"no A2", [&](auto& p__Items) { p__Items.erase(p__Items.begin() + static_cast<long>(l__Item(p__Items, 0xA2))); }},
        {"track 2 missing", [&](auto& p__Items) { p__Items.erase(p__Items.begin() + static_cast<long>(l__Item(p__Items, 0x02))); }},
        {"A2 before track 2", [&](auto& p__Items) { p__Items[l__Item(p__Items, 0xA2)][3] = 0x03; }},
        {"track 2 before track 1", [&](auto& p__Items) { p__Items[l__Item(p__Items, 0x01)][3] = 0x09; }},
    };
    for (const Broken& l__Case : l__Cases) {
        SCOPED_TRACE(l__Case.m__PCHAR__Name);
        VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
        RawWriting(l__Drive, 2368);
        VdiscRawStream l__Stream(LEAD_IN, {Audio(0), Audio(300)}, 600, 2368);
        l__Case.m__Change(l__Stream.LeadInItems());
        ASSERT_TRUE(l__Stream.Put(l__Drive, LEAD_IN, -150).Ok());
        const uintmax_t l__uintmax_t__Before = FileSize(l__Drive);
        EXPECT_TRUE(l__Drive.Write(-150, 1, l__Stream.Block(-150)).Is(0x05, 0x64, 0x00));
        EXPECT_EQ(FileSize(l__Drive), l__uintmax_t__Before);
        // Never past the lead-in: the disc stays blank, and takes a new run.
        ASSERT_TRUE(l__Drive.Sync().Ok());
        EXPECT_EQ(l__Drive.DiscInfo().m__Data[2] & 0x03, 0);
        EXPECT_TRUE(l__Drive.Toc(0, false).Is(0x05, 0x24, 0x00));
    }
    // Coherent, but track 2 is announced at 400 while the host writes it from 300.
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    RawWriting(l__Drive, 2448);
    const VdiscRawStream l__Told(LEAD_IN, {Audio(0), Audio(400)}, 600, 2448);
    const VdiscRawStream l__Sent(LEAD_IN, {Audio(0), Audio(300)}, 600, 2448);
    ASSERT_TRUE(l__Told.Put(l__Drive, LEAD_IN, 300).Ok());
    EXPECT_TRUE(l__Sent.Put(l__Drive, 300, 316).Is(0x05, 0x64, 0x00));
}

// A run the host stops early keeps the tracks it reached, cut to what was recorded, whether it
// ends with SYNCHRONIZE CACHE or with the tray opening; a run picked up by another process after
// the disc file was reopened goes on where it was; the closed disc takes no second raw run.
TEST(VdiscRawWritingRuns, CutShortReopenedAndClosedRuns) {
    const VdiscRawStream l__Stream(LEAD_IN, {Audio(0), Audio(300)}, 600, 2368);
    {
        VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
        RawWriting(l__Drive, 2368);
        ASSERT_TRUE(l__Stream.Put(l__Drive, LEAD_IN, 200).Ok());
        ASSERT_TRUE(l__Drive.Sync().Ok());
        EXPECT_EQ(TocEntries(l__Drive), (std::vector<std::vector<int32_t>>{{1, 0, 0}, {0xAA, 0, 200}}));
        EXPECT_EQ(l__Drive.DiscInfo().m__Data[2] & 0x03, 2);
        EXPECT_TRUE(l__Drive.Write(LEAD_IN, 1, l__Stream.Block(LEAD_IN)).Is(0x05, 0x30, 0x05));
    }
    {
        VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
        RawWriting(l__Drive, 2368);
        ASSERT_TRUE(l__Stream.Put(l__Drive, LEAD_IN, 350).Ok());
        ASSERT_TRUE(l__Drive.In({0x1B, 0, 0, 0, 0x02, 0}, 0).Ok());  // the tray opens
        ASSERT_TRUE(l__Drive.In({0x1B, 0, 0, 0, 0x03, 0}, 0).Ok());
        l__Drive.Reopen();
        EXPECT_EQ(TocEntries(l__Drive), (std::vector<std::vector<int32_t>>{{1, 0, 0}, {2, 0, 300}, {0xAA, 0, 350}}));
    }
    {
        VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
        RawWriting(l__Drive, 2368);
        ASSERT_TRUE(l__Stream.Put(l__Drive, LEAD_IN, 100).Ok());
        l__Drive.Reopen();
        RawWriting(l__Drive, 2368);
        // What the other process checked is known here too: the next address, and the TOC.
        EXPECT_TRUE(l__Drive.Write(99, 1, l__Stream.Block(99)).Is(0x05, 0x21, 0x02));
        std::vector<uint8_t> l__Wrong = l__Stream.Block(100);
        ChangeQ([](uint8_t* p__Q) { p__Q[1] = 0x02; })(l__Wrong);
        EXPECT_TRUE(l__Drive.Write(100, 1, l__Wrong).Is(0x05, 0x64, 0x00));
        ASSERT_TRUE(l__Stream.Put(l__Drive, 100, 640).Ok());
        ASSERT_TRUE(l__Drive.Sync().Ok());
        EXPECT_EQ(TocEntries(l__Drive), (std::vector<std::vector<int32_t>>{{1, 0, 0}, {2, 0, 300}, {0xAA, 0, 600}}));
    }
}

// A test write checks the blocks as a burn does and leaves the disc blank.
TEST(VdiscRawWritingRuns, TestWriteLeavesTheDiscBlank) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    RawWriting(l__Drive, 2448, true);
    const VdiscRawStream l__Stream(LEAD_IN, {Data(0, 2)}, 300, 2448);
    ASSERT_TRUE(l__Stream.Put(l__Drive, LEAD_IN, 0).Ok());
    EXPECT_TRUE(l__Drive.Write(0, 1, l__Stream.Block(1)).Is(0x05, 0x21, 0x02));  // a header and Q of another address
    ASSERT_TRUE(l__Stream.Put(l__Drive, 0, 340).Ok());
    ASSERT_TRUE(l__Drive.Sync().Ok());
    EXPECT_EQ(l__Drive.DiscInfo().m__Data[2] & 0x03, 0);
    EXPECT_TRUE(l__Drive.Toc(0, false).Is(0x05, 0x24, 0x00));
    // The real burn follows on the same disc.
    RawWriting(l__Drive, 2448);
    ASSERT_TRUE(l__Stream.Put(l__Drive, LEAD_IN, 340).Ok());
    ASSERT_TRUE(l__Drive.Sync().Ok());
    EXPECT_EQ(l__Drive.Read(0, 1).m__Data, VdiscRawStream::UserData(0));
}

// Session-At-Once with a lead-in of raw P-W (cue data form 41h): 96 bytes per lead-in block, the
// recorder fills the lead-in with its own TOC.
TEST(VdiscRawWritingRuns, SessionAtOnceWithARawSubchannelLeadIn) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    ASSERT_TRUE(l__Drive.SetWriteParameters(2, 8, 4, 0, 0).Ok());
    std::vector<uint8_t> l__Cue;
    VdiscTestDrive::CueEntry(l__Cue, 0x41, 0x00, 0x00, 0x41, -150);
    VdiscTestDrive::CueEntry(l__Cue, 0x41, 0x01, 0x00, 0x10, -150);
    VdiscTestDrive::CueEntry(l__Cue, 0x41, 0x01, 0x01, 0x10, 0);
    VdiscTestDrive::CueEntry(l__Cue, 0x41, 0xAA, 0x01, 0x14, 400);
    ASSERT_TRUE(l__Drive.SendCue(l__Cue).Ok());
    // Lead-in blocks as whole raw blocks are not what the cue sheet announced.
    EXPECT_TRUE(l__Drive.Write(LEAD_IN, 1, std::vector<uint8_t>(2448, 0)).Is(0x05, 0x24, 0x00));
    EXPECT_TRUE(l__Drive.Write(LEAD_IN, 1, std::vector<uint8_t>(2352, 0)).Is(0x05, 0x24, 0x00));
    for (int32_t l__LONG__Lba = LEAD_IN; l__LONG__Lba < -150; l__LONG__Lba += 512) {
        const uint32_t l__ULONG__Count = static_cast<uint32_t>(std::min(512, -150 - l__LONG__Lba));
        ASSERT_TRUE(l__Drive.Write(l__LONG__Lba, l__ULONG__Count, std::vector<uint8_t>(l__ULONG__Count * 96, 0)).Ok());
    }
    ASSERT_TRUE(l__Drive.Write(-150, 150, std::vector<uint8_t>(150 * 2048, 0)).Ok());
    for (int32_t l__LONG__Lba = 0; l__LONG__Lba < 400; ++l__LONG__Lba) ASSERT_TRUE(l__Drive.Write(l__LONG__Lba, 1, VdiscRawStream::UserData(l__LONG__Lba)).Ok());
    ASSERT_TRUE(l__Drive.Sync().Ok());
    EXPECT_EQ(TocEntries(l__Drive), (std::vector<std::vector<int32_t>>{{1, 4, 0}, {0xAA, 4, 400}}));
    EXPECT_EQ(l__Drive.Read(123, 1).m__Data, VdiscRawStream::UserData(123));
    EXPECT_EQ(l__Drive.DiscInfo().m__Data[2] & 0x03, 2);
}
