#include <gtest/gtest.h>

#include <vector>

#include "CTarnwick_Exception.h"
#include "CTarnwick_ScsiDeviceCdvdRomWriter.h"
#include "FakeClock.h"
#include "ScriptedBackend.h"
#include "TraceCapture.h"

namespace {

// MODE SENSE(10) answer with a capabilities page: 8-byte header, then the page.
std::vector<uint8_t> CapabilitiesAnswer(uint8_t p__Read, uint8_t p__Write, uint16_t p__BufferKB) {
    std::vector<uint8_t> l__Data(8 + 28, 0);
    uint8_t* p = l__Data.data() + 8;
    p[0] = 0x2A;
    p[1] = 26;
    p[2] = p__Read;
    p[3] = p__Write;
    p[12] = static_cast<uint8_t>(p__BufferKB >> 8);
    p[13] = static_cast<uint8_t>(p__BufferKB);
    return l__Data;
}

class DriveObject : public ::testing::Test {
protected:
    void SetUp() override { m__Drive = &ScriptedBackend::InstallSingle(); }
    void TearDown() override { ScriptedBackend::UninstallAll(); }
    FakeClock m__Clock;
    ScriptedBackend* m__Drive = nullptr;
};

TEST_F(DriveObject, CapabilitiesComeFromPage2A) {
    m__Drive->Queue(0x5A, ScriptedAnswer::Good(CapabilitiesAnswer(0x3B, 0x37, 2048)));
    CTarnwick_ScsiDeviceCdvdRomWriter l__Writer(0, 0, 0, 0);
    EXPECT_EQ(l__Writer.GetBufferSize(), 2048u * 1024u);
    EXPECT_EQ(l__Writer.IsCDRReadSupported(), 1);
    EXPECT_EQ(l__Writer.IsCDRWReadSupported(), 1);
    EXPECT_EQ(l__Writer.IsDVDROMReadSupported(), 1);
    EXPECT_EQ(l__Writer.IsDVDRReadSupported(), 1);
    EXPECT_EQ(l__Writer.IsDVDRAMReadSupported(), 1);
    EXPECT_EQ(l__Writer.IsCDRWriteSupported(), 1);
    EXPECT_EQ(l__Writer.IsCDRWWriteSupported(), 1);
    EXPECT_EQ(l__Writer.IsTestWriteSupported(), 1);
    EXPECT_EQ(l__Writer.IsDVDRWriteSupported(), 1);
    EXPECT_EQ(l__Writer.IsDVDRAMWriteSupported(), 1);
    // The page was asked with DBD, current values, 4096 bytes.
    for (const ScriptedCommand& c : m__Drive->Commands()) {
        if (c.m__Cdb[0] != 0x5A) continue;
        EXPECT_EQ(c.m__Cdb, (std::vector<uint8_t>{0x5A, 0x08, 0x2A, 0, 0, 0, 0, 0x10, 0x00, 0}));
    }

    m__Drive->Queue(0x5A, ScriptedAnswer::Good(CapabilitiesAnswer(0x08, 0x10, 512)));
    CTarnwick_ScsiDeviceCdvdRomWriter l__Other(0, 0, 0, 0);
    EXPECT_EQ(l__Other.IsCDRReadSupported(), 0);
    EXPECT_EQ(l__Other.IsDVDROMReadSupported(), 1);
    EXPECT_EQ(l__Other.IsDVDRWriteSupported(), 1);
    EXPECT_EQ(l__Other.IsCDRWriteSupported(), 0);
    EXPECT_EQ(l__Other.IsTestWriteSupported(), 0);
}

TEST_F(DriveObject, WrongDeviceTypeIsRefusedNamingBothTypes) {
    ScriptedBackend::InstallSingle(0x00);
    TraceCapture l__Capture;
    try {
        CTarnwick_ScsiDeviceCdvdRomWriter l__Writer(0, 0, 0, 0);
        FAIL() << "a disk became a writer";
    } catch (CTarnwick_Exception* l__Exception) {
        ASSERT_NE(l__Exception, nullptr);
        EXPECT_EQ(l__Exception->GetExceptionNumber(), 9u);
        EXPECT_STREQ(l__Exception->GetExceptionText(),
                     "CTarnwick_ScsiDeviceCdvdRomReader::CTarnwick_ScsiDeviceCdvdRomReader(): Device type 0x00 instead "
                     "of 0x05!!!");
        delete l__Exception;
    }
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Capture.Contains(
        "\nCTarnwick_ScsiDeviceCdvdRomReader::CTarnwick_ScsiDeviceCdvdRomReader(): Device type 0x00 instead of "
        "0x05!!!\nCTarnwick_ScsiDeviceCdvdRomReader::CTarnwick_ScsiDeviceCdvdRomReader(): EXITing with failure, "
        "status 9, message 'CTarnwick_ScsiDeviceCdvdRomReader::CTarnwick_ScsiDeviceCdvdRomReader(): Device type "
        "0x00 instead of 0x05!!!'!!!\n"));
}

TEST_F(DriveObject, UnreadableCapabilitiesGiveANonRecordingWriter) {
    m__Drive->Queue(0x5A, ScriptedAnswer::Check(0x05, 0x24, 0x00));
    TraceCapture l__Capture;
    CTarnwick_ScsiDeviceCdvdRomWriter l__Writer(0, 0, 0, 0);
    EXPECT_EQ(l__Writer.GetBufferSize(), 0u);
    EXPECT_EQ(l__Writer.IsCDRWriteSupported() | l__Writer.IsCDRWWriteSupported() | l__Writer.IsDVDRWriteSupported() |
                  l__Writer.IsDVDRAMWriteSupported() | l__Writer.IsTestWriteSupported() | l__Writer.IsCDRReadSupported(),
              0);
    REQUIRE_TRACING();
    std::string l__Text = l__Capture.Text();
    size_t l__Warning = l__Text.find(
        "\nCTarnwick_ScsiDeviceCdvdRomReader::CTarnwick_ScsiDeviceCdvdRomReader(): WARNING! ModeSense10() "
        "failed!!!\nCTarnwick_ScsiDeviceCdvdRomReader::CTarnwick_ScsiDeviceCdvdRomReader(): WARNING! Exception "
        "number 8, exception text 'CTarnwick_ScsiTransportASPI::ExecuteCDB(): Command failed!!!'!!!\n");
    size_t l__NoRecording = l__Text.find(
        "\nCTarnwick_ScsiDeviceCdvdRomWriter::CTarnwick_ScsiDeviceCdvdRomWriter(): WARNING! Device does not "
        "support recording!!!\n");
    EXPECT_NE(l__Warning, std::string::npos);
    EXPECT_NE(l__NoRecording, std::string::npos);
    EXPECT_LT(l__Warning, l__NoRecording);
}

TEST_F(DriveObject, TestWriteAloneIsNotRecording) {
    m__Drive->Queue(0x5A, ScriptedAnswer::Good(CapabilitiesAnswer(0x01, 0x04, 1024)));
    TraceCapture l__Capture;
    CTarnwick_ScsiDeviceCdvdRomWriter l__Writer(0, 0, 0, 0);
    EXPECT_EQ(l__Writer.IsTestWriteSupported(), 1);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Capture.Contains("WARNING! Device does not support recording!!!"));
}

TEST_F(DriveObject, WaitForUnitReady) {
    CTarnwick_ScsiDeviceCdvdRomWriter l__Writer(0, 0, 0, 0);
    m__Drive->ClearCommands();
    l__Writer.WaitForUnitReady(0, 5000, TRUE);
    EXPECT_TRUE(m__Drive->Commands().empty());
    EXPECT_EQ(m__Clock.SleepCount(), 0u);

    // A unit that never becomes ready: every try fails, each followed by its sleep.
    m__Drive->Always(0x51, ScriptedAnswer::Check(0x02, 0x3A, 0x00));
    m__Drive->Always(0x00, ScriptedAnswer::Check(0x02, 0x3A, 0x00));
    l__Writer.WaitForUnitReady(20, 5000, TRUE);
    EXPECT_EQ(m__Drive->CountOpcode(0x51), 20u);
    EXPECT_EQ(m__Drive->CountOpcode(0x00), 20u);
    EXPECT_EQ(m__Clock.SleptMilliseconds(), 40u * 5000u);

    // Without the disc-information phase only TEST UNIT READY is sent; the first success ends it.
    m__Drive->ClearCommands();
    m__Drive->Always(0x00, ScriptedAnswer::Good());
    m__Drive->Queue(0x00, ScriptedAnswer::Check(0x02, 0x3A, 0x00), 2);
    uint64_t l__Sleeps = m__Clock.SleepCount();
    l__Writer.WaitForUnitReady(100, 1000, FALSE);
    EXPECT_EQ(m__Drive->CountOpcode(0x51), 0u);
    EXPECT_EQ(m__Drive->CountOpcode(0x00), 3u);
    EXPECT_EQ(m__Clock.SleepCount() - l__Sleeps, 2u);
}

}  // namespace
