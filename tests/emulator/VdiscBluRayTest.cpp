// BD-R and BD-RE as a host sees them: profiles and features per medium state, sequential
// recording on BD-R with its close functions and cluster alignment, formats of BD-RE, dual
// layers, and the tool's --layers.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "VdiscTestDrive.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t SINGLE_LAYER = 12219392;
constexpr uint32_t DUAL_LAYER = 24438784;

Bytes Blocks(uint32_t p__ULONG__Count, uint8_t p__UCHAR__Seed) {
    Bytes l__Data(static_cast<size_t>(p__ULONG__Count) * 2048);
    for (size_t l__size_t__I = 0; l__size_t__I < l__Data.size(); ++l__size_t__I)
        l__Data[l__size_t__I] = static_cast<uint8_t>(l__size_t__I * 7 + p__UCHAR__Seed + l__size_t__I / 2048);
    return l__Data;
}

// One feature as GET CONFIGURATION (RT 2) reports it.
struct FeatureReply {
    bool m__bool__Found = false;
    bool m__bool__Current = false;
    Bytes m__Data;
};

FeatureReply Feature(VdiscTestDrive& p__Drive, uint16_t p__USHORT__Code) {
    VdiscTestDrive::Result l__Reply =
        p__Drive.In({0x46, 0x02, static_cast<uint8_t>(p__USHORT__Code >> 8), static_cast<uint8_t>(p__USHORT__Code), 0, 0, 0, 0x10, 0x00, 0}, 4096);
    FeatureReply l__Feature;
    if (!l__Reply.Ok() || VdiscTestDrive::Be32(l__Reply.m__Data, 0) < 8 || VdiscTestDrive::Be16(l__Reply.m__Data, 8) != p__USHORT__Code) return l__Feature;
    l__Feature.m__bool__Found = true;
    l__Feature.m__bool__Current = (l__Reply.m__Data[10] & 1) != 0;
    l__Feature.m__Data.assign(l__Reply.m__Data.begin() + 12, l__Reply.m__Data.begin() + 12 + l__Reply.m__Data[11]);
    return l__Feature;
}

bool Current(VdiscTestDrive& p__Drive, uint16_t p__USHORT__Code) {
    const FeatureReply l__Feature = Feature(p__Drive, p__USHORT__Code);
    EXPECT_TRUE(l__Feature.m__bool__Found) << "feature " << p__USHORT__Code;
    return l__Feature.m__bool__Current;
}

// The profile list: numbers in order, and the one marked current.
std::vector<uint16_t> Profiles(VdiscTestDrive& p__Drive, uint16_t& p__USHORT__Current) {
    const FeatureReply l__List = Feature(p__Drive, 0x0000);
    std::vector<uint16_t> l__Profiles;
    p__USHORT__Current = 0;
    for (size_t l__size_t__At = 0; l__size_t__At + 4 <= l__List.m__Data.size(); l__size_t__At += 4) {
        l__Profiles.push_back(static_cast<uint16_t>(VdiscTestDrive::Be16(l__List.m__Data, l__size_t__At)));
        if (l__List.m__Data[l__size_t__At + 2] & 1) p__USHORT__Current = l__Profiles.back();
    }
    return l__Profiles;
}

VdiscTestDrive::Result Capacity(VdiscTestDrive& p__Drive) { return p__Drive.In({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8); }
VdiscTestDrive::Result FormatCapacities(VdiscTestDrive& p__Drive) { return p__Drive.In({0x23, 0, 0, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096); }

// FORMAT UNIT with FmtData and format code 001b, and the 12-byte parameter list.
VdiscTestDrive::Result Format(VdiscTestDrive& p__Drive, uint32_t p__ULONG__Blocks, uint8_t p__UCHAR__TypeByte, uint32_t p__ULONG__Parameter) {
    Bytes l__List = {0, 0, 0, 8, static_cast<uint8_t>(p__ULONG__Blocks >> 24), static_cast<uint8_t>(p__ULONG__Blocks >> 16),
                     static_cast<uint8_t>(p__ULONG__Blocks >> 8), static_cast<uint8_t>(p__ULONG__Blocks), p__UCHAR__TypeByte,
                     static_cast<uint8_t>(p__ULONG__Parameter >> 16), static_cast<uint8_t>(p__ULONG__Parameter >> 8), static_cast<uint8_t>(p__ULONG__Parameter)};
    return p__Drive.Out({0x04, 0x11, 0, 0, 0, 0}, l__List);
}

// Makes the drive's disc with the tool (options as on its command line) and opens it again.
void Insert(VdiscTestDrive& p__Drive, const std::string& p__string__Options) {
    ASSERT_EQ(VdiscTestDrive::Shell(std::string(TARNWICK_VDISC_TOOL) + " blank '" + p__Drive.File() + "' " + p__string__Options + " > /dev/null"), 0);
    p__Drive.Reopen();
}

std::string Capture(const std::string& p__string__Command, int& p__int__Status) {
    FILE* l__Pipe = popen((p__string__Command + " 2>&1").c_str(), "r");
    std::string l__string__Out;
    char l__CHAR__Buffer[512];
    size_t l__size_t__Got;
    while ((l__size_t__Got = fread(l__CHAR__Buffer, 1, sizeof(l__CHAR__Buffer), l__Pipe)) > 0) l__string__Out.append(l__CHAR__Buffer, l__size_t__Got);
    const int l__int__Status = pclose(l__Pipe);
    p__int__Status = WIFEXITED(l__int__Status) ? WEXITSTATUS(l__int__Status) : -1;
    return l__string__Out;
}

TEST(VdiscBluRay, ProfilesAndCurrentFeaturesFollowTheMediumAndItsState) {
    VdiscTestDrive l__Drive(VdiscMediumKind::BdR);
    uint16_t l__USHORT__Current = 0;
    std::vector<uint16_t> l__Profiles = Profiles(l__Drive, l__USHORT__Current);
    ASSERT_GE(l__Profiles.size(), 4u);
    EXPECT_EQ(std::vector<uint16_t>(l__Profiles.begin(), l__Profiles.begin() + 4), (std::vector<uint16_t>{0x0043, 0x0041, 0x0040, 0x0012}));
    EXPECT_EQ(l__USHORT__Current, 0x0041);
    EXPECT_EQ(l__Drive.CurrentProfile(), 0x0041);
    // A blank BD-R: BD read and write, a 32-block cluster; none of the DVD writing features.
    EXPECT_TRUE(Current(l__Drive, 0x0040));
    EXPECT_TRUE(Current(l__Drive, 0x0041));
    const FeatureReply l__Random = Feature(l__Drive, 0x0010);
    ASSERT_EQ(l__Random.m__Data.size(), 8u);
    EXPECT_EQ(VdiscTestDrive::Be16(l__Random.m__Data, 4), 32u);
    for (uint16_t l__USHORT__Dvd : {0x001F, 0x0020, 0x0021, 0x0023, 0x0024, 0x002A, 0x002B, 0x002F})
        EXPECT_FALSE(Current(l__Drive, l__USHORT__Dvd)) << "feature " << l__USHORT__Dvd;
    // Class 0 of BD-RE, BD-R (and BD-ROM) read and written.
    const FeatureReply l__Read = Feature(l__Drive, 0x0040), l__Write = Feature(l__Drive, 0x0041);
    ASSERT_EQ(l__Read.m__Data.size(), 28u);
    ASSERT_EQ(l__Write.m__Data.size(), 20u);
    for (size_t l__size_t__Class0 : {size_t{4}, size_t{12}}) EXPECT_NE(VdiscTestDrive::Be16(l__Write.m__Data, l__size_t__Class0) & VdiscTestDrive::Be16(l__Read.m__Data, l__size_t__Class0), 0u);
    // READ DVD STRUCTURE does not apply to BD.
    EXPECT_TRUE(l__Drive.In({0xAD, 0, 0, 0, 0, 0, 0, 0, 0x10, 0x04, 0, 0}, 4100).Is(0x05, 0x30, 0x02));

    // Finalised in a drive that reports it as read-only: BD-ROM, and no longer written.
    Insert(l__Drive, "--media bdr --rom-when-finalised");
    ASSERT_TRUE(l__Drive.Write(0, 10, Blocks(10, 1)).Ok());
    EXPECT_EQ(l__Drive.CurrentProfile(), 0x0041);
    ASSERT_TRUE(l__Drive.Close(6, 0).Ok());
    EXPECT_EQ(l__Drive.CurrentProfile(), 0x0040);
    EXPECT_FALSE(Current(l__Drive, 0x0041));
    EXPECT_TRUE(Current(l__Drive, 0x0040));

    // BD-RE: formattable (with its BD bits), random writable only once formatted, defect
    // management only with spare areas.
    Insert(l__Drive, "--media bdre");
    EXPECT_EQ(l__Drive.CurrentProfile(), 0x0043);
    EXPECT_TRUE(Current(l__Drive, 0x0023));
    EXPECT_EQ(Feature(l__Drive, 0x0023).m__Data, (Bytes{0x0B, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(Current(l__Drive, 0x0041));
    EXPECT_FALSE(Current(l__Drive, 0x0020));
    EXPECT_FALSE(Current(l__Drive, 0x0024));
    EXPECT_FALSE(Current(l__Drive, 0x001F));
    ASSERT_TRUE(Format(l__Drive, 11826176, 0x30 << 2, 0x3000).Ok());
    EXPECT_TRUE(Current(l__Drive, 0x0024));
    const FeatureReply l__Writable = Feature(l__Drive, 0x0020);
    EXPECT_TRUE(l__Writable.m__bool__Current);
    ASSERT_EQ(l__Writable.m__Data.size(), 12u);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Writable.m__Data, 0), 11826175u);  // last LBA
    EXPECT_EQ(VdiscTestDrive::Be32(l__Writable.m__Data, 4), 2048u);
    EXPECT_EQ(VdiscTestDrive::Be16(l__Writable.m__Data, 8), 32u);
    ASSERT_TRUE(Format(l__Drive, SINGLE_LAYER, 0x31 << 2, 0x800).Ok());
    EXPECT_TRUE(Current(l__Drive, 0x0020));
    EXPECT_FALSE(Current(l__Drive, 0x0024));

    // DVD and CD keep their own: 16 and 1 blocks read as a unit, the BD features listed, not current.
    Insert(l__Drive, "--media dvdplusr");
    EXPECT_EQ(VdiscTestDrive::Be16(Feature(l__Drive, 0x0010).m__Data, 4), 16u);
    EXPECT_TRUE(Current(l__Drive, 0x001F));
    EXPECT_TRUE(Current(l__Drive, 0x002B));
    EXPECT_FALSE(Current(l__Drive, 0x0040));
    EXPECT_FALSE(Current(l__Drive, 0x0041));
    EXPECT_EQ(Feature(l__Drive, 0x0023).m__Data.size(), 4u);
    Insert(l__Drive, "--media cdr");
    EXPECT_EQ(VdiscTestDrive::Be16(Feature(l__Drive, 0x0010).m__Data, 4), 1u);
    EXPECT_FALSE(Current(l__Drive, 0x0040));
}

TEST(VdiscBluRay, BdRWritesIncrementallyClosesSessionsAndFinalises) {
    VdiscTestDrive l__Drive(VdiscMediumKind::BdR);
    VdiscTestDrive::Result l__Disc = l__Drive.DiscInfo();
    ASSERT_TRUE(l__Disc.Ok());
    EXPECT_EQ(l__Disc.m__Data[2] & 0x13, 0x00);  // empty, not erasable
    EXPECT_EQ(VdiscTestDrive::Be32(l__Disc.m__Data, 20), SINGLE_LAYER);

    const Bytes l__One = Blocks(100, 1), l__Two = Blocks(50, 2), l__Three = Blocks(10, 3);
    ASSERT_TRUE(l__Drive.Write(0, 100, l__One).Ok());
    VdiscTestDrive::Result l__Open = l__Drive.TrackInfo(0xFF);
    ASSERT_TRUE(l__Open.Ok());
    EXPECT_EQ(l__Open.m__Data[2], 1);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Open.m__Data, 12), 100u);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Open.m__Data, 16), SINGLE_LAYER - 100);
    // Only at the next writable address.
    EXPECT_TRUE(l__Drive.Write(99, 1, Blocks(1, 9)).Is(0x05, 0x21, 0x02));
    EXPECT_TRUE(l__Drive.Write(101, 1, Blocks(1, 9)).Is(0x05, 0x21, 0x02));

    // Closing track 1 puts track 2 on the next cluster (128, where a DVD would take 112).
    ASSERT_TRUE(l__Drive.Close(1, 1).Ok());
    VdiscTestDrive::Result l__First = l__Drive.TrackInfo(1);
    EXPECT_EQ(l__First.m__Data[7] & 1, 0);  // no longer writable
    EXPECT_EQ(VdiscTestDrive::Be32(l__First.m__Data, 24), 100u);
    VdiscTestDrive::Result l__Next = l__Drive.TrackInfo(0xFF);
    EXPECT_EQ(l__Next.m__Data[2], 2);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Next.m__Data, 8), 128u);
    EXPECT_TRUE(l__Drive.Write(100, 1, Blocks(1, 9)).Is(0x05, 0x21, 0x02));
    ASSERT_TRUE(l__Drive.Write(128, 50, l__Two).Ok());

    // 010b closes the session and leaves the disc appendable; session 2 starts on the next cluster.
    ASSERT_TRUE(l__Drive.Close(2, 0).Ok());
    l__Disc = l__Drive.DiscInfo();
    EXPECT_EQ(l__Disc.m__Data[2] & 0x03, 1);  // incomplete
    EXPECT_EQ(l__Disc.m__Data[4], 2);         // the session to come
    l__Next = l__Drive.TrackInfo(0xFF);
    EXPECT_EQ(l__Next.m__Data[2], 3);
    EXPECT_EQ(l__Next.m__Data[3], 2);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Next.m__Data, 8), 192u);
    ASSERT_TRUE(l__Drive.Write(192, 10, l__Three).Ok());
    VdiscTestDrive::Result l__Sessions = l__Drive.Toc(1, false);
    ASSERT_TRUE(l__Sessions.Ok());
    EXPECT_EQ(l__Sessions.m__Data[3], 1);  // the last closed session
    EXPECT_EQ(VdiscTestDrive::Be32(l__Sessions.m__Data, 8), 0u);

    // 110b closes session 2 as the last one: the disc is complete.
    ASSERT_TRUE(l__Drive.Close(6, 0).Ok());
    l__Disc = l__Drive.DiscInfo();
    EXPECT_EQ(l__Disc.m__Data[2] & 0x03, 2);
    EXPECT_EQ(l__Disc.m__Data[4], 2);
    l__Sessions = l__Drive.Toc(1, false);
    EXPECT_EQ(l__Sessions.m__Data[3], 2);
    EXPECT_EQ(l__Sessions.m__Data[6], 3);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Sessions.m__Data, 8), 192u);
    EXPECT_EQ(VdiscTestDrive::Be32(Capacity(l__Drive).m__Data, 0), 201u);
    EXPECT_TRUE(l__Drive.Write(202, 1, Blocks(1, 9)).Is(0x05, 0x30, 0x05));
    EXPECT_TRUE(l__Drive.TrackInfo(0xFF).Is(0x05, 0x24, 0x00));
    EXPECT_TRUE(l__Drive.Close(2, 0).Is(0x05, 0x2C, 0x00));
    // Every track reads back where it was written, also from a new process.
    l__Drive.Reopen();
    EXPECT_EQ(l__Drive.Read(0, 100).m__Data, l__One);
    EXPECT_EQ(l__Drive.Read(128, 50).m__Data, l__Two);
    EXPECT_EQ(l__Drive.Read(192, 10).m__Data, l__Three);
    // Session 1 allowed another, session 2 none.
    int l__int__Status = 0;
    const std::string l__string__Info = Capture(std::string(TARNWICK_VDISC_TOOL) + " info '" + l__Drive.File() + "'", l__int__Status);
    EXPECT_EQ(l__int__Status, 0);
    EXPECT_NE(l__string__Info.find("session 1: closed, lead-out at 178, next session allowed"), std::string::npos) << l__string__Info;
    EXPECT_NE(l__string__Info.find("session 2: closed, lead-out at 202\n"), std::string::npos) << l__string__Info;
    EXPECT_NE(l__string__Info.find("      3        2  BD            192"), std::string::npos) << l__string__Info;
}

TEST(VdiscBluRay, BdRRefusesWhatItCannotDo) {
    VdiscTestDrive l__Drive(VdiscMediumKind::BdR);
    // Nothing to close on a blank disc.
    for (uint8_t l__UCHAR__Function : {1, 2, 6}) EXPECT_TRUE(l__Drive.Close(l__UCHAR__Function, 1).Is(0x05, 0x2C, 0x00));
    // No test write; the write type is ignored (Disc-At-Once writes without a reserved track).
    EXPECT_TRUE(l__Drive.SetWriteParameters(0, 8, 5, 0, 0, true).Is(0x05, 0x26, 0x00));
    ASSERT_TRUE(l__Drive.SetWriteParameters(2, 8, 5, 0, 0).Ok());
    ASSERT_TRUE(l__Drive.Write(0, 20, Blocks(20, 1)).Ok());
    ASSERT_TRUE(l__Drive.Sync().Ok());
    EXPECT_EQ(l__Drive.DiscInfo().m__Data[2] & 0x03, 1);  // still appendable: no Disc-At-Once close
    // Close functions BD-R does not have, and a track that does not exist.
    for (uint8_t l__UCHAR__Function : {0, 3, 4, 5, 7}) EXPECT_TRUE(l__Drive.Close(l__UCHAR__Function, 1).Is(0x05, 0x24, 0x00)) << int{l__UCHAR__Function};
    EXPECT_TRUE(l__Drive.Close(1, 2).Is(0x05, 0x24, 0x00));
    EXPECT_TRUE(l__Drive.Close(1, 0).Is(0x05, 0x24, 0x00));
    ASSERT_TRUE(l__Drive.Close(1, 1).Ok());
    ASSERT_TRUE(l__Drive.Close(1, 1).Ok());  // closed already: no effect
    EXPECT_EQ(VdiscTestDrive::Be32(l__Drive.TrackInfo(0xFF).m__Data, 8), 32u);
    // Neither formatted nor blanked.
    EXPECT_TRUE(Format(l__Drive, SINGLE_LAYER, 0x31 << 2, 0x800).Is(0x05, 0x30, 0x00));
    EXPECT_TRUE(l__Drive.In({0xA1, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0).Is(0x05, 0x30, 0x00));
    EXPECT_EQ(l__Drive.Read(0, 20).m__Data, Blocks(20, 1));
    // READ FORMAT CAPACITIES: the one current/maximum descriptor.
    VdiscTestDrive::Result l__Formats = FormatCapacities(l__Drive);
    ASSERT_TRUE(l__Formats.Ok());
    EXPECT_EQ(l__Formats.m__Data[3], 8);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Formats.m__Data, 4), SINGLE_LAYER);
}

TEST(VdiscBluRay, BdRReservesTracksInWholeClusters) {
    VdiscTestDrive l__Drive(VdiscMediumKind::BdR);
    ASSERT_TRUE(l__Drive.Reserve(100).Ok());
    VdiscTestDrive::Result l__Reserved = l__Drive.TrackInfo(1);
    ASSERT_TRUE(l__Reserved.Ok());
    EXPECT_NE(l__Reserved.m__Data[6] & 0x80, 0);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Reserved.m__Data, 24), 128u);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Reserved.m__Data, 16), 128u);  // free blocks
    EXPECT_TRUE(l__Drive.Reserve(10).Is(0x05, 0x2C, 0x00));        // track 1 still takes data
    EXPECT_TRUE(l__Drive.Write(0, 129, Blocks(129, 1)).Is(0x05, 0x21, 0x00));
    ASSERT_TRUE(l__Drive.Write(0, 128, Blocks(128, 1)).Ok());
    // Full: the next track follows at 128 and is written without closing track 1.
    VdiscTestDrive::Result l__Next = l__Drive.TrackInfo(0xFF);
    EXPECT_EQ(l__Next.m__Data[2], 2);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Next.m__Data, 8), 128u);
    ASSERT_TRUE(l__Drive.Reserve(33).Ok());
    EXPECT_EQ(VdiscTestDrive::Be32(l__Drive.TrackInfo(2).m__Data, 24), 64u);
    // A reserved track closed before it is full keeps its reserved length.
    ASSERT_TRUE(l__Drive.Write(128, 5, Blocks(5, 2)).Ok());
    ASSERT_TRUE(l__Drive.Close(1, 2).Ok());
    EXPECT_EQ(VdiscTestDrive::Be32(l__Drive.TrackInfo(0xFF).m__Data, 8), 192u);
    // RESERVE TRACK has no meaning on BD-RE.
    Insert(l__Drive, "--media bdre");
    EXPECT_TRUE(l__Drive.Reserve(100).Is(0x05, 0x2C, 0x00));
}

struct FormatCase {
    const char* m__PCHAR__Name;
    uint8_t m__UCHAR__Layers;
    uint32_t m__ULONG__Full;
    // The 30h rows offered (blocks, spare clusters), the default first.
    std::vector<std::pair<uint32_t, uint32_t>> m__Rows;
};

class VdiscBdReFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(VdiscBdReFormats, OfferedFormatsAreTakenAndOthersRefused) {
    const FormatCase& l__Case = GetParam();
    VdiscTestDrive l__Drive(VdiscMediumKind::BdRe);
    Insert(l__Drive, "--media bdre --layers " + std::to_string(l__Case.m__UCHAR__Layers));
    // Unformatted: no capacity, no writes, an empty erasable disc.
    EXPECT_TRUE(l__Drive.Write(0, 1, Blocks(1, 1)).Is(0x05, 0x30, 0x10));
    EXPECT_EQ(VdiscTestDrive::Be32(Capacity(l__Drive).m__Data, 0), 0u);
    VdiscTestDrive::Result l__Disc = l__Drive.DiscInfo();
    EXPECT_EQ(l__Disc.m__Data[2] & 0x13, 0x10);

    VdiscTestDrive::Result l__Formats = FormatCapacities(l__Drive);
    ASSERT_TRUE(l__Formats.Ok());
    ASSERT_EQ(l__Formats.m__Data[3], 40);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Formats.m__Data, 4), l__Case.m__ULONG__Full);
    EXPECT_EQ(l__Formats.m__Data[8], 0x01);  // unformatted
    EXPECT_EQ(VdiscTestDrive::Be32(l__Formats.m__Data, 8) & 0xFFFFFF, 2048u);
    for (size_t l__size_t__Row = 0; l__size_t__Row < 3; ++l__size_t__Row) {
        const size_t l__size_t__At = 12 + 8 * l__size_t__Row;
        EXPECT_EQ(VdiscTestDrive::Be32(l__Formats.m__Data, l__size_t__At), l__Case.m__Rows[l__size_t__Row].first);
        EXPECT_EQ(l__Formats.m__Data[l__size_t__At + 4], 0x30 << 2);
        EXPECT_EQ(VdiscTestDrive::Be32(l__Formats.m__Data, l__size_t__At + 4) & 0xFFFFFF, l__Case.m__Rows[l__size_t__Row].second);
    }
    EXPECT_EQ(VdiscTestDrive::Be32(l__Formats.m__Data, 36), l__Case.m__ULONG__Full);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Formats.m__Data, 40), (0x31u << 26) | 0x800u);

    // Pairs that are not offered, and formats BD-RE does not have.
    const uint32_t l__ULONG__Default = l__Case.m__Rows[0].first;
    EXPECT_TRUE(Format(l__Drive, l__ULONG__Default, 0x30 << 2, l__Case.m__Rows[1].second).Is(0x05, 0x26, 0x00));
    EXPECT_TRUE(Format(l__Drive, l__ULONG__Default - 32, 0x30 << 2, l__Case.m__Rows[0].second + 1).Is(0x05, 0x26, 0x00));
    EXPECT_TRUE(Format(l__Drive, l__ULONG__Default, 0x31 << 2, 0x800).Is(0x05, 0x26, 0x00));
    EXPECT_TRUE(Format(l__Drive, l__Case.m__ULONG__Full, 0x31 << 2, 0x1000).Is(0x05, 0x26, 0x00));
    EXPECT_TRUE(Format(l__Drive, l__Case.m__ULONG__Full, 0x30 << 2, 0).Is(0x05, 0x26, 0x00));
    EXPECT_TRUE(Format(l__Drive, 0xFFFFFFFFu, 0x26 << 2, 0).Is(0x05, 0x26, 0x00));
    EXPECT_TRUE(Format(l__Drive, l__Case.m__ULONG__Full, 0x00, 2048).Is(0x05, 0x26, 0x00));
    const uint32_t l__ULONG__OtherLayers = l__Case.m__UCHAR__Layers == 1 ? 23652352 : 11826176;
    EXPECT_TRUE(Format(l__Drive, l__ULONG__OtherLayers, 0x30 << 2, l__Case.m__UCHAR__Layers == 1 ? 0x6000 : 0x3000).Is(0x05, 0x26, 0x00));
    EXPECT_EQ(VdiscTestDrive::Be32(Capacity(l__Drive).m__Data, 0), 0u);  // still unformatted

    // Every offered row formats the disc to its capacity; a formatted disc formats again.
    uint8_t l__UCHAR__SubType = 0;
    for (const auto& l__Row : l__Case.m__Rows) {
        SCOPED_TRACE(l__Row.first);
        ASSERT_TRUE(Format(l__Drive, l__Row.first, static_cast<uint8_t>(0x30 << 2 | l__UCHAR__SubType++), l__Row.second).Ok());
        EXPECT_EQ(VdiscTestDrive::Be32(Capacity(l__Drive).m__Data, 0), l__Row.first - 1);
        l__Formats = FormatCapacities(l__Drive);
        EXPECT_EQ(VdiscTestDrive::Be32(l__Formats.m__Data, 4), l__Row.first);
        EXPECT_EQ(l__Formats.m__Data[8], 0x02);  // formatted
        EXPECT_EQ(l__Drive.DiscInfo().m__Data[2] & 0x13, 0x13);
        EXPECT_EQ(VdiscTestDrive::Be32(l__Drive.TrackInfo(1).m__Data, 24), l__Row.first);
        // Written up to, not past, the formatted capacity.
        EXPECT_TRUE(l__Drive.Write(static_cast<int32_t>(l__Row.first) - 1, 2, Blocks(2, 1)).Is(0x05, 0x21, 0x00));
        ASSERT_TRUE(l__Drive.Write(static_cast<int32_t>(l__Row.first) - 2, 2, Blocks(2, 1)).Ok());
    }
    for (uint32_t l__ULONG__Parameter : {0u, 0x800u}) {
        ASSERT_TRUE(Format(l__Drive, l__Case.m__ULONG__Full, 0x31 << 2, l__ULONG__Parameter).Ok());
        EXPECT_EQ(VdiscTestDrive::Be32(Capacity(l__Drive).m__Data, 0), l__Case.m__ULONG__Full - 1);
    }
    // The capacity comes back when the disc file is opened again.
    l__Drive.Reopen();
    EXPECT_EQ(VdiscTestDrive::Be32(Capacity(l__Drive).m__Data, 0), l__Case.m__ULONG__Full - 1);
}

INSTANTIATE_TEST_SUITE_P(Layers, VdiscBdReFormats,
                         ::testing::Values(FormatCase{"SingleLayer", 1, SINGLE_LAYER, {{11826176, 0x3000}, {11564032, 0x5000}, {12088320, 0x1000}}},
                                           FormatCase{"DualLayer", 2, DUAL_LAYER, {{23652352, 0x6000}, {23128064, 0xA000}, {24176640, 0x2000}}}),
                         [](const ::testing::TestParamInfo<FormatCase>& p__Info) { return std::string(p__Info.param.m__PCHAR__Name); });

TEST(VdiscBluRay, BdReFormattedAgainLosesWhatWasRecorded) {
    VdiscTestDrive l__Drive(VdiscMediumKind::BdRe);
    ASSERT_TRUE(Format(l__Drive, 11826176, 0x30 << 2, 0x3000).Ok());
    const Bytes l__Data = Blocks(2, 4);
    ASSERT_TRUE(l__Drive.Write(1000, 2, l__Data).Ok());
    ASSERT_TRUE(l__Drive.Write(11826174, 2, l__Data).Ok());
    EXPECT_EQ(l__Drive.Read(1000, 2).m__Data, l__Data);
    EXPECT_EQ(l__Drive.Read(500, 1).m__Data, Bytes(2048, 0));
    EXPECT_TRUE(l__Drive.Write(11826176, 1, Blocks(1, 1)).Is(0x05, 0x21, 0x00));
    // Closing changes nothing; finalising does not exist on BD-RE.
    ASSERT_TRUE(l__Drive.Close(1, 1).Ok());
    ASSERT_TRUE(l__Drive.Close(2, 0).Ok());
    EXPECT_TRUE(l__Drive.Close(6, 0).Is(0x05, 0x24, 0x00));
    EXPECT_TRUE(l__Drive.Close(5, 0).Is(0x05, 0x24, 0x00));
    ASSERT_TRUE(l__Drive.Write(1002, 1, Blocks(1, 5)).Ok());
    EXPECT_TRUE(l__Drive.In({0xA1, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0).Is(0x05, 0x30, 0x00));  // no BLANK
    // Without spare areas: the whole medium, and nothing of before.
    ASSERT_TRUE(Format(l__Drive, SINGLE_LAYER, 0x31 << 2, 0).Ok());
    EXPECT_EQ(l__Drive.Read(1000, 2).m__Data, Bytes(4096, 0));
    EXPECT_EQ(l__Drive.Read(11826174, 2).m__Data, Bytes(4096, 0));
    VdiscTestDrive::Result l__Track = l__Drive.TrackInfo(1);
    EXPECT_NE(l__Track.m__Data[6] & 0x40, 0);  // blank again
    ASSERT_TRUE(l__Drive.Write(SINGLE_LAYER - 1, 1, Blocks(1, 6)).Ok());
    EXPECT_EQ(l__Drive.Read(SINGLE_LAYER - 1, 1).m__Data, Blocks(1, 6));
}

TEST(VdiscBluRay, DualLayerBdRHoldsBothLayers) {
    VdiscTestDrive l__Drive(VdiscMediumKind::BdR);
    Insert(l__Drive, "--media bdr --layers 2");
    VdiscTestDrive::Result l__Track = l__Drive.TrackInfo(0xFF);
    ASSERT_TRUE(l__Track.Ok());
    EXPECT_EQ(VdiscTestDrive::Be32(l__Track.m__Data, 16), DUAL_LAYER);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Drive.DiscInfo().m__Data, 20), DUAL_LAYER);
    EXPECT_EQ(VdiscTestDrive::Be32(FormatCapacities(l__Drive).m__Data, 4), DUAL_LAYER);
    // A reservation across the layer boundary fits; one beyond the second layer does not.
    EXPECT_TRUE(l__Drive.Reserve(DUAL_LAYER + 1).Is(0x05, 0x21, 0x00));
    ASSERT_TRUE(l__Drive.Reserve(SINGLE_LAYER + 32).Ok());
    EXPECT_EQ(VdiscTestDrive::Be32(l__Drive.TrackInfo(1).m__Data, 24), SINGLE_LAYER + 32);
}

TEST(VdiscBluRay, ToolTakesTwoLayersOnlyForBd) {
    VdiscTestDrive l__Drive(VdiscMediumKind::BdR);
    const std::string l__string__Tool = std::string(TARNWICK_VDISC_TOOL) + " ";
    const std::string l__string__File = "'" + l__Drive.File() + "'";
    int l__int__Status = 0;
    std::string l__string__Out = Capture(l__string__Tool + "blank " + l__string__File + " --media dvdplusr --layers 2", l__int__Status);
    EXPECT_EQ(l__int__Status, 2);
    EXPECT_NE(l__string__Out.find("--layers 2"), std::string::npos) << l__string__Out;
    for (const char* l__PCHAR__Bad : {"0", "3", "two", ""}) {
        l__string__Out = Capture(l__string__Tool + "blank " + l__string__File + " --media bdr --layers '" + l__PCHAR__Bad + "'", l__int__Status);
        EXPECT_EQ(l__int__Status, 2) << l__PCHAR__Bad;
        EXPECT_NE(l__string__Out.find("--layers"), std::string::npos) << l__string__Out;
    }
    // A refused blank leaves the disc there as it was.
    l__Drive.Reopen();
    EXPECT_EQ(l__Drive.CurrentProfile(), 0x0041);
    EXPECT_EQ(VdiscTestDrive::Be32(l__Drive.TrackInfo(0xFF).m__Data, 16), SINGLE_LAYER);
    // One layer is any medium's; two make a dual-layer BD that info shows.
    l__string__Out = Capture(l__string__Tool + "blank " + l__string__File + " --media cdr --layers 1", l__int__Status);
    EXPECT_EQ(l__int__Status, 0) << l__string__Out;
    l__string__Out = Capture(l__string__Tool + "blank " + l__string__File + " --media bdre --layers 2", l__int__Status);
    EXPECT_EQ(l__int__Status, 0) << l__string__Out;
    l__string__Out = Capture(l__string__Tool + "info " + l__string__File, l__int__Status);
    EXPECT_EQ(l__int__Status, 0);
    EXPECT_NE(l__string__Out.find("Medium:       BD-RE (profile 0043h)"), std::string::npos) << l__string__Out;
    EXPECT_NE(l__string__Out.find("Layers:       2 (24438784 blocks)"), std::string::npos) << l__string__Out;
    EXPECT_NE(l__string__Out.find("Capacity:     0 blocks"), std::string::npos) << l__string__Out;
    l__Drive.Reopen();
    ASSERT_TRUE(Format(l__Drive, 23652352, 0x30 << 2, 0x6000).Ok());
    l__string__Out = Capture(l__string__Tool + "info " + l__string__File, l__int__Status);
    EXPECT_NE(l__string__Out.find("Capacity:     23652352 blocks (formatted with spare areas)"), std::string::npos) << l__string__Out;
}

}  // namespace
