// The write-protect fault: what the recorder refuses, what it still answers, and how the fault
// is kept with the disc.
#include <gtest/gtest.h>

#include <cstdio>

#include "VdiscState.h"
#include "VdiscTestDrive.h"

namespace {

int Tool(const std::string& p__string__Arguments) { return VdiscTestDrive::Shell(std::string(TARNWICK_VDISC_TOOL) + " " + p__string__Arguments + " > /dev/null 2>&1"); }

std::string Info(const std::string& p__string__File) {
    std::string l__string__Out;
    FILE* l__File = popen((std::string(TARNWICK_VDISC_TOOL) + " info '" + p__string__File + "' 2>&1").c_str(), "r");
    char l__CHAR__Buffer[4096];
    size_t l__size_t__Got;
    while ((l__size_t__Got = fread(l__CHAR__Buffer, 1, sizeof(l__CHAR__Buffer), l__File)) > 0) l__string__Out.append(l__CHAR__Buffer, l__size_t__Got);
    pclose(l__File);
    return l__string__Out;
}

// The device-specific parameter of the MODE SENSE(10) header (WP is bit 7).
int DeviceSpecific(VdiscTestDrive& p__Drive) {
    VdiscTestDrive::Result l__Sense = p__Drive.In({0x5A, 0, 0x05, 0, 0, 0, 0, 0x00, 0xFF, 0}, 0xFF);
    return l__Sense.Ok() && l__Sense.m__Data.size() > 3 ? l__Sense.m__Data[3] : -1;
}

}  // namespace

TEST(VdiscWriteProtect, RecordingCommandsAnswerDataProtectAndTheDiscStaysAsItWas) {
    VdiscTestDrive l__Drive(VdiscMediumKind::CdRw);
    const std::string l__string__File = "'" + l__Drive.File() + "'";
    ASSERT_TRUE(l__Drive.SetWriteParameters(1, 8, 4, 3, 0).Ok());
    ASSERT_TRUE(l__Drive.Write(0, 2, std::vector<uint8_t>(2 * 2048, 0x5A)).Ok());
    EXPECT_EQ(DeviceSpecific(l__Drive), 0x00);

    ASSERT_EQ(Tool("fault " + l__string__File + " --write-protect"), 0);
    EXPECT_NE(Info(l__Drive.File()).find("write-protect;"), std::string::npos);
    EXPECT_EQ(DeviceSpecific(l__Drive), 0x80);
    EXPECT_TRUE(l__Drive.Write(2, 1, std::vector<uint8_t>(2048, 0xA5)).Is(0x07, 0x27, 0x00));
    std::vector<uint8_t> l__Block(2048, 0xA5);
    EXPECT_TRUE(l__Drive.Raw({0xAA, 0, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0}, l__Block.data(), 2048, true).Is(0x07, 0x27, 0x00));  // WRITE(12)
    EXPECT_TRUE(l__Drive.In({0xA1, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0).Is(0x07, 0x27, 0x00));                      // BLANK the disc
    EXPECT_TRUE(l__Drive.Out({0x04, 0x11, 0, 0, 0, 0}, std::vector<uint8_t>(12, 0)).Is(0x07, 0x27, 0x00));               // FORMAT UNIT
    EXPECT_TRUE(l__Drive.Close(1, 1).Is(0x07, 0x27, 0x00));
    EXPECT_TRUE(l__Drive.Reserve(300).Is(0x07, 0x27, 0x00));
    std::vector<uint8_t> l__Cue;
    VdiscTestDrive::CueEntry(l__Cue, 0x41, 1, 1, 0x10, 0);
    EXPECT_TRUE(l__Drive.SendCue(l__Cue).Is(0x07, 0x27, 0x00));

    // Reading and asking go on; what was recorded is still there and the track still open.
    EXPECT_TRUE(l__Drive.In({0x00, 0, 0, 0, 0, 0}, 0).Ok());
    VdiscTestDrive::Result l__Read = l__Drive.Read(0, 2);
    ASSERT_TRUE(l__Read.Ok());
    EXPECT_EQ(l__Read.m__Data, std::vector<uint8_t>(2 * 2048, 0x5A));
    VdiscTestDrive::Result l__Track = l__Drive.TrackInfo(1);
    ASSERT_TRUE(l__Track.Ok());
    EXPECT_EQ(VdiscTestDrive::Be32(l__Track.m__Data, 12), 2u);  // next writable address

    // Without a disc the drive says so before it speaks of protection.
    ASSERT_EQ(Tool("fault " + l__string__File + " --no-medium"), 0);
    EXPECT_TRUE(l__Drive.Write(2, 1, std::vector<uint8_t>(2048, 0xA5)).Is(0x02, 0x3A, 0x01));

    // --clear ends it; a new drive object (another process) records again.
    ASSERT_EQ(Tool("fault " + l__string__File + " --clear"), 0);
    EXPECT_EQ(Info(l__Drive.File()).find("write-protect"), std::string::npos);
    l__Drive.Reopen();
    ASSERT_TRUE(l__Drive.SetWriteParameters(1, 8, 4, 3, 0).Ok());
    EXPECT_EQ(DeviceSpecific(l__Drive), 0x00);
    EXPECT_TRUE(l__Drive.Write(2, 1, std::vector<uint8_t>(2048, 0xA5)).Ok());
}

TEST(VdiscWriteProtect, TheFaultIsStoredAfterTheLaterFieldsAndOnlyWhenSet) {
    // Unprotected states store what they always did; a protected one adds the flag behind the
    // layer fields, which it then stores too, so that an older reader's order still holds.
    for (VdiscMediumKind l__Kind : {VdiscMediumKind::CdR, VdiscMediumKind::BdRe}) {
        VdiscState l__State = VdiscState::Blank(l__Kind, l__Kind == VdiscMediumKind::BdRe ? 2 : 1);
        const std::vector<uint8_t> l__Plain = l__State.Serialize();
        l__State.m__Faults.m__bool__WriteProtected = true;
        const std::vector<uint8_t> l__Protected = l__State.Serialize();
        EXPECT_EQ(l__Protected.size(), l__Plain.size() + (l__Kind == VdiscMediumKind::BdRe ? 1u : 6u));
        VdiscState l__Read;
        ASSERT_TRUE(l__Read.Deserialize(l__Protected.data(), l__Protected.size()));
        EXPECT_TRUE(l__Read.m__Faults.m__bool__WriteProtected);
        EXPECT_TRUE(l__Read.m__Faults.Any());
        EXPECT_EQ(l__Read.m__UCHAR__Layers, l__State.m__UCHAR__Layers);
        EXPECT_EQ(l__Read.Serialize(), l__Protected);
        ASSERT_TRUE(l__Read.Deserialize(l__Plain.data(), l__Plain.size()));
        EXPECT_FALSE(l__Read.m__Faults.m__bool__WriteProtected);
    }
}
