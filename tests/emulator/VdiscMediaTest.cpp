// Blank media of every kind, the drive identity and the mode pages, as a host sees them.
#include <gtest/gtest.h>

#include "VdiscTestDrive.h"

namespace {

struct BlankCase {
    VdiscMediumKind m__Kind;
    uint16_t m__USHORT__Profile;
    uint32_t m__ULONG__Free;  // free blocks of the invisible track (0: random-writable, unformatted)
    uint8_t m__UCHAR__DiscStatus;
    bool m__bool__Erasable;
};

class VdiscBlankMedia : public ::testing::TestWithParam<BlankCase> {};

TEST_P(VdiscBlankMedia, ReportsProfileStatusAndInvisibleTrack) {
    const BlankCase& l__Case = GetParam();
    VdiscTestDrive l__Drive(l__Case.m__Kind);
    EXPECT_TRUE(l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0).Ok());
    EXPECT_EQ(l__Drive.CurrentProfile(), l__Case.m__USHORT__Profile);

    VdiscTestDrive::Result l__Disc = l__Drive.DiscInfo();
    ASSERT_TRUE(l__Disc.Ok());
    EXPECT_EQ(VdiscTestDrive::Be16(l__Disc.m__Data, 0), 32u);
    EXPECT_EQ(l__Disc.m__Data[2] & 0x03, l__Case.m__UCHAR__DiscStatus);
    EXPECT_EQ((l__Disc.m__Data[2] & 0x10) != 0, l__Case.m__bool__Erasable);

    VdiscTestDrive::Result l__Track = l__Drive.TrackInfo(l__Case.m__Kind == VdiscMediumKind::DvdPlusRw || l__Case.m__Kind == VdiscMediumKind::DvdRam ||
                                                                 l__Case.m__Kind == VdiscMediumKind::DvdRwRo
                                                             ? 1
                                                             : 0xFF);
    ASSERT_TRUE(l__Track.Ok());
    EXPECT_EQ(l__Track.m__Data[2], 1);                 // track 1
    EXPECT_NE(l__Track.m__Data[6] & 0x40, 0);          // blank
    EXPECT_EQ(VdiscTestDrive::Be32(l__Track.m__Data, 12), 0u);  // NWA
    EXPECT_EQ(VdiscTestDrive::Be32(l__Track.m__Data, 16), l__Case.m__ULONG__Free);
}

INSTANTIATE_TEST_SUITE_P(
    AllKinds, VdiscBlankMedia,
    ::testing::Values(BlankCase{VdiscMediumKind::CdR, 0x0009, 359849, 0, false}, BlankCase{VdiscMediumKind::CdRw, 0x000A, 359849, 0, true},
                      BlankCase{VdiscMediumKind::DvdR, 0x0011, 2295104, 0, false}, BlankCase{VdiscMediumKind::DvdRwSeq, 0x0014, 2295104, 0, true},
                      BlankCase{VdiscMediumKind::DvdRwRo, 0x0013, 2295104, 2, true}, BlankCase{VdiscMediumKind::DvdPlusR, 0x001B, 2295104, 0, false},
                      BlankCase{VdiscMediumKind::DvdPlusRw, 0x001A, 0, 0, true}, BlankCase{VdiscMediumKind::DvdRam, 0x0012, 0, 0, true}));

TEST(VdiscMedia, BlankCdReportsLeadInAndLastLeadOutInDiscInformation) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    VdiscTestDrive::Result l__Disc = l__Drive.DiscInfo();
    ASSERT_TRUE(l__Disc.Ok());
    // Lead-in start 97:26:66 and last possible lead-out 79:59:74.
    EXPECT_EQ(std::vector<uint8_t>(l__Disc.m__Data.begin() + 16, l__Disc.m__Data.begin() + 24),
              (std::vector<uint8_t>{0, 97, 26, 66, 0, 79, 59, 74}));
    EXPECT_EQ(l__Disc.m__Data[4], 1);  // one (empty) session
    EXPECT_EQ((l__Disc.m__Data[2] >> 2) & 3, 0);
    // READ CAPACITY of a blank disc, READ TOC refused.
    VdiscTestDrive::Result l__Capacity = l__Drive.In({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8);
    ASSERT_TRUE(l__Capacity.Ok());
    EXPECT_EQ(VdiscTestDrive::Be32(l__Capacity.m__Data, 4), 2048u);
    EXPECT_TRUE(l__Drive.Toc(0, false).Is(0x05, 0x24, 0x00));
    // DVD structure on a CD: incompatible medium.
    EXPECT_TRUE(l__Drive.In({0xAD, 0, 0, 0, 0, 0, 0, 0, 0x10, 0x04, 0, 0}, 4100).Is(0x05, 0x30, 0x02));
}

TEST(VdiscMedia, UnformattedRewritableDvdReportsLastLbaZeroAndFormatsOnRequest) {
    for (VdiscMediumKind l__Kind : {VdiscMediumKind::DvdPlusRw, VdiscMediumKind::DvdRam}) {
        VdiscTestDrive l__Drive(l__Kind);
        VdiscTestDrive::Result l__Capacity = l__Drive.In({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8);
        ASSERT_TRUE(l__Capacity.Ok());
        EXPECT_EQ(VdiscTestDrive::Be32(l__Capacity.m__Data, 0), 0u);
        VdiscTestDrive::Result l__Formats = l__Drive.In({0x23, 0, 0, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096);
        ASSERT_TRUE(l__Formats.Ok());
        const uint32_t l__ULONG__Max = l__Kind == VdiscMediumKind::DvdRam ? 2236704u : 2295104u;
        EXPECT_EQ(VdiscTestDrive::Be32(l__Formats.m__Data, 4), l__ULONG__Max);
        EXPECT_EQ(l__Formats.m__Data[8] & 3, 1);  // unformatted
        // A write before formatting is refused.
        EXPECT_TRUE(l__Drive.Write(0, 1, std::vector<uint8_t>(2048, 1)).Is(0x05, 0x30, 0x10));
        // FORMAT UNIT with the parameter list the toolkit sends.
        std::vector<uint8_t> l__List(12, 0);
        l__List[1] = 0x82;
        l__List[3] = 0x08;
        if (l__Kind == VdiscMediumKind::DvdPlusRw) {
            l__List[4] = l__List[5] = l__List[6] = l__List[7] = 0xFF;
            l__List[8] = 0x26 << 2;
        } else {
            std::copy(l__Formats.m__Data.begin() + 4, l__Formats.m__Data.begin() + 8, l__List.begin() + 4);
            l__List[10] = 0x08;
        }
        // The wrong format type is refused first.
        std::vector<uint8_t> l__Wrong = l__List;
        l__Wrong[8] = 0x15 << 2;
        EXPECT_TRUE(l__Drive.Out({0x04, 0x11, 0, 0, 0, 0}, l__Wrong).Is(0x05, 0x26, 0x00));
        ASSERT_TRUE(l__Drive.Out({0x04, 0x11, 0, 0, 0, 0}, l__List).Ok());
        l__Capacity = l__Drive.In({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8);
        EXPECT_EQ(VdiscTestDrive::Be32(l__Capacity.m__Data, 0), l__ULONG__Max - 1);
        // Random writes anywhere; unwritten blocks read as zeros.
        std::vector<uint8_t> l__Block(2048 * 2, 0x5A);
        ASSERT_TRUE(l__Drive.Write(1000, 2, l__Block).Ok());
        ASSERT_TRUE(l__Drive.Write(10, 2, l__Block).Ok());
        EXPECT_EQ(l__Drive.Read(1000, 2).m__Data, l__Block);
        EXPECT_EQ(l__Drive.Read(500, 1).m__Data, std::vector<uint8_t>(2048, 0));
        EXPECT_TRUE(l__Drive.Write(static_cast<int32_t>(l__ULONG__Max) - 1, 2, l__Block).Is(0x05, 0x21, 0x00));
        VdiscTestDrive::Result l__Track = l__Drive.TrackInfo(1);
        EXPECT_EQ(l__Track.m__Data[6] & 0x40, 0);                            // written
        EXPECT_EQ(l__Track.m__Data[7] & 0x03, 0x03);                         // NWA and last recorded address valid
        EXPECT_EQ(VdiscTestDrive::Be32(l__Track.m__Data, 28), 1001u);       // last recorded address
        EXPECT_EQ(VdiscTestDrive::Be32(l__Track.m__Data, 24), l__ULONG__Max);
        VdiscTestDrive::Result l__Disc = l__Drive.DiscInfo();
        EXPECT_EQ(l__Disc.m__Data[2] & 3, l__Kind == VdiscMediumKind::DvdRam ? 3 : 2);
        // Closing does nothing to a random-writable disc; it stays writable.
        ASSERT_TRUE(l__Drive.Close(2, 0).Ok());
        ASSERT_TRUE(l__Drive.Write(0, 2, l__Block).Ok());
    }
}

TEST(VdiscMedia, ConfigurationListsProfilesAndDvdPlusFeatures) {
    VdiscTestDrive l__Drive(VdiscMediumKind::DvdPlusR);
    VdiscTestDrive::Result l__Plus = l__Drive.In({0x46, 0x02, 0x00, 0x2B, 0, 0, 0, 0x10, 0x00, 0}, 4096);
    ASSERT_TRUE(l__Plus.Ok());
    EXPECT_EQ(VdiscTestDrive::Be32(l__Plus.m__Data, 0), 12u);
    EXPECT_EQ(VdiscTestDrive::Be16(l__Plus.m__Data, 8), 0x002Bu);
    EXPECT_EQ(l__Plus.m__Data[10] & 1, 1);  // current
    EXPECT_EQ(l__Plus.m__Data[12] & 1, 1);  // writes DVD+R
    VdiscTestDrive::Result l__PlusRw = l__Drive.In({0x46, 0x02, 0x00, 0x2A, 0, 0, 0, 0x10, 0x00, 0}, 4096);
    ASSERT_TRUE(l__PlusRw.Ok());
    EXPECT_EQ(l__PlusRw.m__Data[10] & 1, 0);  // known but not current
    EXPECT_EQ(l__PlusRw.m__Data[12] & 1, 1);
    // The profile list marks the current profile.
    VdiscTestDrive::Result l__List = l__Drive.In({0x46, 0x02, 0, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096);
    ASSERT_TRUE(l__List.Ok());
    bool l__bool__Found = false;
    for (size_t l__size_t__At = 12; l__size_t__At + 4 <= 12u + l__List.m__Data[11]; l__size_t__At += 4)
        if (VdiscTestDrive::Be16(l__List.m__Data, l__size_t__At) == 0x001B) l__bool__Found = (l__List.m__Data[l__size_t__At + 2] & 1) != 0;
    EXPECT_TRUE(l__bool__Found);
    // Current features only (RT 1) leave out DVD+RW.
    VdiscTestDrive::Result l__Current = l__Drive.In({0x46, 0x01, 0, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096);
    ASSERT_TRUE(l__Current.Ok());
    for (size_t l__size_t__At = 8; l__size_t__At + 4 <= 4 + VdiscTestDrive::Be32(l__Current.m__Data, 0); l__size_t__At += 4u + l__Current.m__Data[l__size_t__At + 3])
        EXPECT_NE(VdiscTestDrive::Be16(l__Current.m__Data, l__size_t__At), 0x002Au);
}

TEST(VdiscMedia, InquiryCarriesTheDiscFilesDriveIdentity) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR, "HP");
    VdiscTestDrive::Result l__Inquiry = l__Drive.In({0x12, 0, 0, 0, 96, 0}, 96);
    ASSERT_TRUE(l__Inquiry.Ok());
    EXPECT_EQ(l__Inquiry.m__Data[0], 0x05);
    EXPECT_EQ(l__Inquiry.m__Data[1], 0x80);
    EXPECT_EQ(std::string(l__Inquiry.m__Data.begin() + 8, l__Inquiry.m__Data.begin() + 16), "HP      ");
    EXPECT_EQ(std::string(l__Inquiry.m__Data.begin() + 16, l__Inquiry.m__Data.begin() + 32), "VIRTUAL RECORDER");
    // Device type through SC_GET_DEV_TYPE; target 1 has no device.
    SRB_GDEVBlock l__Dev{};
    l__Dev.SRB_Cmd = SC_GET_DEV_TYPE;
    EXPECT_EQ(SendASPI32Command(&l__Dev), SS_COMP);
    EXPECT_EQ(l__Dev.SRB_DeviceType, 0x05);
    l__Dev.SRB_Target = 1;
    EXPECT_EQ(SendASPI32Command(&l__Dev), SS_NO_DEVICE);
    // Unknown opcode.
    EXPECT_TRUE(l__Drive.In({0xFF, 0, 0, 0, 0, 0}, 0).Is(0x05, 0x20, 0x00));
}

TEST(VdiscMedia, ModePagesSenseSelectAndDefaults) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdR);
    VdiscTestDrive::Result l__Caps = l__Drive.In({0x5A, 0x08, 0x2A, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096);
    ASSERT_TRUE(l__Caps.Ok());
    EXPECT_EQ(l__Caps.m__Data[8] & 0x3F, 0x2A);
    EXPECT_GE(l__Caps.m__Data[9], 24);
    EXPECT_EQ(l__Caps.m__Data[11] & 0x37, 0x37);  // writes CD-R, CD-RW, DVD-R, DVD-RAM, test write
    EXPECT_EQ(VdiscTestDrive::Be16(l__Caps.m__Data, 8 + 12), 2048u);  // buffer KB
    // Page 30h is absent unless the disc file asks for it.
    EXPECT_TRUE(l__Drive.In({0x5A, 0x08, 0x30, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096).Is(0x05, 0x24, 0x00));
    // Saved values are not supported.
    EXPECT_TRUE(l__Drive.In({0x5A, 0x08, 0xC5, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096).Is(0x05, 0x39, 0x00));
    // Write parameters: change, read back, restore from the defaults (page control 2).
    ASSERT_TRUE(l__Drive.SetWriteParameters(1, 10, 4, 3, 0x20).Ok());
    VdiscTestDrive::Result l__Page = l__Drive.In({0x5A, 0x08, 0x05, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096);
    EXPECT_EQ(l__Page.m__Data[8 + 4] & 0x0F, 10);
    EXPECT_EQ(l__Page.m__Data[8 + 3] >> 6, 3);
    VdiscTestDrive::Result l__Default = l__Drive.In({0x5A, 0x08, 0x85, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096);
    ASSERT_TRUE(l__Default.Ok());
    EXPECT_EQ(l__Default.m__Data[8 + 4] & 0x0F, 8);
    std::vector<uint8_t> l__Restore(l__Default.m__Data.begin(), l__Default.m__Data.begin() + l__Default.m__Data[9] + 10);
    std::fill(l__Restore.begin(), l__Restore.begin() + 8, 0);
    ASSERT_TRUE(l__Drive.Out({0x55, 0x10, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(l__Restore.size()), 0}, l__Restore).Ok());
    EXPECT_EQ(l__Drive.In({0x5A, 0x08, 0x05, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096).m__Data[12] & 0x0F, 8);
    // Combinations a drive refuses: raw blocks with Track-At-Once, audio blocks on a data track, write type 3 with Mode 1.
    EXPECT_TRUE(l__Drive.SetWriteParameters(1, 3, 4, 0, 0).Is(0x05, 0x26, 0x00));
    EXPECT_TRUE(l__Drive.SetWriteParameters(1, 0, 4, 0, 0).Is(0x05, 0x26, 0x00));
    EXPECT_TRUE(l__Drive.SetWriteParameters(3, 8, 4, 0, 0).Is(0x05, 0x26, 0x00));
    // Read/write error recovery: DCR only, then defaults.
    VdiscTestDrive::Result l__Recovery = l__Drive.In({0x5A, 0x08, 0x81, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096);
    ASSERT_TRUE(l__Recovery.Ok());
    std::vector<uint8_t> l__Dcr(l__Recovery.m__Data.begin(), l__Recovery.m__Data.begin() + l__Recovery.m__Data[9] + 10);
    std::fill(l__Dcr.begin(), l__Dcr.begin() + 8, 0);
    l__Dcr[10] = 0x01;
    l__Dcr[11] = 0;
    ASSERT_TRUE(l__Drive.Out({0x55, 0x10, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(l__Dcr.size()), 0}, l__Dcr).Ok());
    VdiscTestDrive::Result l__Now = l__Drive.In({0x5A, 0x08, 0x01, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096);
    EXPECT_EQ(l__Now.m__Data[10], 0x01);
    EXPECT_EQ(l__Now.m__Data[11], 0x00);
}

TEST(VdiscMedia, TestWriteIsRefusedOnDvdPlusMedia) {
    VdiscTestDrive l__Drive(VdiscMediumKind::DvdPlusR);
    EXPECT_TRUE(l__Drive.SetWriteParameters(1, 8, 4, 0, 0, true).Is(0x05, 0x26, 0x00));
    EXPECT_TRUE(l__Drive.SetWriteParameters(1, 8, 4, 0, 0, false).Ok());
}

}  // namespace
