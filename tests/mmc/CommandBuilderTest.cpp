#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "CTarnwick_ScsiDeviceGeneric.h"
#include "FakeClock.h"
#include "ScriptedBackend.h"
#include "TraceCapture.h"

namespace {

using Bytes = std::vector<uint8_t>;

class CommandBuilder : public ::testing::Test {
protected:
    void SetUp() override {
        m__Drive = &ScriptedBackend::InstallSingle();
        m__Drive->SetIdentity("VELMOR", "CDDVDW SH-224", "1.0");
        m__Device = std::make_unique<CTarnwick_ScsiDeviceGeneric>(0, 0, 0, 5);  // LUN 5: 0xA0 in byte 1
        m__Drive->ClearCommands();
    }
    void TearDown() override {
        m__Device.reset();
        ScriptedBackend::UninstallAll();
    }

    // Runs one builder and returns the command the drive received.
    ScriptedCommand Sent(const std::function<void(CTarnwick_ScsiDeviceGeneric&)>& p__Builder) {
        m__Drive->ClearCommands();
        p__Builder(*m__Device);
        auto l__Commands = m__Drive->Commands();
        EXPECT_EQ(l__Commands.size(), 1u);
        return l__Commands.empty() ? ScriptedCommand{} : l__Commands.back();
    }

    FakeClock m__Clock;
    ScriptedBackend* m__Drive = nullptr;
    std::unique_ptr<CTarnwick_ScsiDeviceGeneric> m__Device;
    std::vector<uint8_t> m__Buffer = std::vector<uint8_t>(70000);
};

constexpr uint8_t IN = SRB_EVENT_NOTIFY | SRB_DIR_IN;
constexpr uint8_t OUT = SRB_EVENT_NOTIFY | SRB_DIR_OUT;

TEST_F(CommandBuilder, IdentityIsKeptUntrimmedFromInquiry) {
    EXPECT_STREQ(m__Device->GetVendorID(), "VELMOR  ");
    EXPECT_STREQ(m__Device->GetProductID(), "CDDVDW SH-224   ");
    EXPECT_STREQ(m__Device->GetRevisionLevel(), "1.0 ");
}

TEST_F(CommandBuilder, ConstructorTracesWhereTheDeviceSits) {
    TraceCapture l__Capture;
    CTarnwick_ScsiDeviceGeneric l__Device(0, 2, 0, 1);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Capture.Contains("\nCTarnwick_ScsiDeviceGeneric::CTarnwick_ScsiDeviceGeneric(): 'VELMOR  ' - "
                                    "'CDDVDW SH-224   ' - '1.0 ' sits at 0:2:0:1\n"));
}

TEST_F(CommandBuilder, CommandsWithoutData) {
    struct Case {
        const char* m__Name;
        std::function<void(CTarnwick_ScsiDeviceGeneric&)> m__Builder;
        Bytes m__Cdb;
    };
    const std::vector<Case> l__Cases = {
        {"TestUnitReady", [](auto& d) { d.TestUnitReady(); }, {0x00, 0xA0, 0, 0, 0, 0}},
        {"RezeroUnit", [](auto& d) { d.RezeroUnit(); }, {0x01, 0xA0, 0, 0, 0, 0}},
        {"Eject", [](auto& d) { d.StartStopUnit(1, 1, 0); }, {0x1B, 0xA1, 0, 0, 0x02, 0}},
        {"Load", [](auto& d) { d.StartStopUnit(0, 1, 1); }, {0x1B, 0xA0, 0, 0, 0x03, 0}},
        {"StartStopUnit spill", [](auto& d) { d.StartStopUnit(0xFE, 0xFE, 0xFE); }, {0x1B, 0xA0, 0, 0, 0, 0}},
        {"Prevent", [](auto& d) { d.PreventAllowMediumRemoval(1); }, {0x1E, 0xA0, 0, 0, 0x01, 0}},
        {"Allow", [](auto& d) { d.PreventAllowMediumRemoval(0xFE); }, {0x1E, 0xA0, 0, 0, 0x00, 0}},
        {"SynchronizeCache", [](auto& d) { d.SynchronizeCache(1, 0x01020304, 0x12345); },
         {0x35, 0x02, 0x01, 0x02, 0x03, 0x04, 0, 0x23, 0x45, 0}},
        {"SynchronizeCache spill", [](auto& d) { d.SynchronizeCache(0xFE, 0, 0); }, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"ReserveTrack", [](auto& d) { d.ReserveTrack(0x00A1B2C3); }, {0x53, 0, 0, 0, 0, 0x00, 0xA1, 0xB2, 0xC3, 0}},
        {"CloseSession", [](auto& d) { d.CloseTrackSession(1, 0, 1, 0, 0); }, {0x5B, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0}},
        {"CloseTrack DVD+R", [](auto& d) { d.CloseTrackSession(1, 1, 0, 0, 1); },
         {0x5B, 0x01, 0x01, 0, 0, 0x01, 0, 0, 0, 0}},
        {"CloseSession DVD+R", [](auto& d) { d.CloseTrackSession(1, 1, 0, 1, 0); },
         {0x5B, 0x01, 0x05, 0, 0, 0, 0, 0, 0, 0}},
        {"CloseTrackSession spill", [](auto& d) { d.CloseTrackSession(0xFE, 0xFE, 0xFE, 0xFE, 0x1FF); },
         {0x5B, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0}},
        {"Blank", [](auto& d) { d.Blank(1, 0x0A0B0C0D, 1); }, {0xA1, 0x11, 0x0A, 0x0B, 0x0C, 0x0D, 0, 0, 0, 0, 0, 0}},
        {"Blank spill", [](auto& d) { d.Blank(0xFE, 0, 0xEE); }, {0xA1, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"SetCdSpeed", [](auto& d) { d.SetCdSpeed(0xFFFF, 1385); }, {0xBB, 0, 0xFF, 0xFF, 0x05, 0x69, 0, 0, 0, 0, 0, 0}},
        {"SetCdSpeed spill", [](auto& d) { d.SetCdSpeed(0x12345, 0xABCDE); },
         {0xBB, 0, 0x23, 0x45, 0xBC, 0xDE, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& l__Case : l__Cases) {
        ScriptedCommand l__Command = Sent(l__Case.m__Builder);
        EXPECT_EQ(l__Command.m__Cdb, l__Case.m__Cdb) << l__Case.m__Name;
        EXPECT_EQ(l__Command.m__BufferLength, 0u) << l__Case.m__Name;
        EXPECT_EQ(l__Command.m__Flags, IN) << l__Case.m__Name;
        EXPECT_EQ(l__Command.m__Lun, 5) << l__Case.m__Name;
    }
}

TEST_F(CommandBuilder, CommandsThatReadData) {
    uint8_t* b = m__Buffer.data();
    struct Case {
        const char* m__Name;
        std::function<void(CTarnwick_ScsiDeviceGeneric&)> m__Builder;
        Bytes m__Cdb;
        uint32_t m__Transfer;
    };
    const std::vector<Case> l__Cases = {
        {"Inquiry", [b](auto& d) { d.Inquiry(b, 96); }, {0x12, 0xA0, 0, 0, 0x60, 0}, 96},
        {"Inquiry low 8 bits", [b](auto& d) { d.Inquiry(b, 0x1F0); }, {0x12, 0xA0, 0, 0, 0xF0, 0}, 0x1F0},
        {"ReadFormatCapacities", [b](auto& d) { d.ReadFormatCapacities(b, 4096); },
         {0x23, 0, 0, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096},
        {"ReadCapacity", [b](auto& d) { d.ReadCapacity(b, 8); }, {0x25, 0xA0, 0, 0, 0, 0, 0, 0, 0, 0}, 8},
        {"Read10", [b](auto& d) { d.Read10(b, 10240, 0x11223344, 5); },
         {0x28, 0xA0, 0x11, 0x22, 0x33, 0x44, 0, 0x00, 0x05, 0}, 10240},
        {"ReadTocPmaAtip", [b](auto& d) { d.ReadTocPmaAtip(b, 16384, 1, 2, 0); },
         {0x43, 0xA2, 0x02, 0, 0, 0, 0, 0x40, 0x00, 0}, 16384},
        {"ReadTocPmaAtip spill", [b](auto& d) { d.ReadTocPmaAtip(b, 70000, 0xFE, 0xF1, 0x09); },
         {0x43, 0xA0, 0x01, 0, 0, 0, 0x09, 0x11, 0x70, 0}, 70000},
        {"GetConfiguration", [b](auto& d) { d.GetConfiguration(2, 0x002A, b, 4096); },
         {0x46, 0xA2, 0x00, 0x2A, 0, 0, 0, 0x10, 0x00, 0}, 4096},
        // The 16-bit allocation length is also the transfer length.
        {"GetConfiguration spill", [b](auto& d) { d.GetConfiguration(0xFF, 0x1002B, b, 70000); },
         {0x46, 0xA3, 0x00, 0x2B, 0, 0, 0, 0x11, 0x70, 0}, 70000 & 0xFFFF},
        {"ReadDiscInformation", [b](auto& d) { d.ReadDiscInformation(b, 70000); },
         {0x51, 0xA0, 0, 0, 0, 0, 0, 0x11, 0x70, 0}, 70000},
        {"ReadTrackInformation", [b](auto& d) { d.ReadTrackInformation(b, 4096, 1, 255); },
         {0x52, 0xA1, 0, 0, 0, 0xFF, 0, 0x10, 0x00, 0}, 4096},
        {"ReadTrackInformation spill", [b](auto& d) { d.ReadTrackInformation(b, 4096, 0xFE, 0x01020304); },
         {0x52, 0xA0, 0x01, 0x02, 0x03, 0x04, 0, 0x10, 0x00, 0}, 4096},
        {"ModeSense10", [b](auto& d) { d.ModeSense10(b, 4096, 0x2A, 0); },
         {0x5A, 0xA8, 0x2A, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096},
        {"ModeSense10 defaults", [b](auto& d) { d.ModeSense10(b, 4096, 0x05, 2); },
         {0x5A, 0xA8, 0x85, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096},
        {"ModeSense10 spill", [b](auto& d) { d.ModeSense10(b, 4096, 0xFF, 0xFD); },
         {0x5A, 0xA8, 0x7F, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096},
        {"ReadBufferCapacity", [b](auto& d) { d.ReadBufferCapacity(b, 12); },
         {0x5C, 0, 0, 0, 0, 0, 0, 0x00, 0x0C, 0}, 12},
        {"ReadDvdStructure", [b](auto& d) { d.ReadDvdStructure(b, 4096, 0x01020304, 1, 4, 3); },
         {0xAD, 0xA0, 0x01, 0x02, 0x03, 0x04, 0x01, 0x04, 0x10, 0x00, 0xC0, 0}, 4096},
        {"ReadDvdStructure spill", [b](auto& d) { d.ReadDvdStructure(b, 4096, 0, 0, 0, 0xFD); },
         {0xAD, 0xA0, 0, 0, 0, 0, 0, 0, 0x10, 0x00, 0x40, 0}, 4096},
        {"ReadCd user data", [b](auto& d) { d.ReadCd(0, 0x00001000, 26, 0, 0, 1, 0, 0, 0, b, 26 * 2048); },
         {0xBE, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x1A, 0x10, 0x00, 0}, 26 * 2048},
        {"ReadCd raw", [b](auto& d) { d.ReadCd(0, 16, 1, 0, 1, 1, 3, 1, 0, b, 2352); },
         {0xBE, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x01, 0xF8, 0x00, 0}, 2352},
        {"ReadCd raw with P-W", [b](auto& d) { d.ReadCd(1, 0, 0x01020304, 2, 1, 1, 3, 1, 1, b, 2448); },
         {0xBE, 0x04, 0, 0, 0, 0, 0x02, 0x03, 0x04, 0xFC, 0x01, 0}, 2448},
        {"ReadCd spill", [b](auto& d) { d.ReadCd(0xFF, 0, 1, 0xFC, 0xFE, 0xFE, 0xFC, 0xFE, 0xF8, b, 2048); },
         {0xBE, 0x1C, 0, 0, 0, 0, 0, 0, 0x01, 0x00, 0x00, 0}, 2048},
    };
    for (const Case& l__Case : l__Cases) {
        ScriptedCommand l__Command = Sent(l__Case.m__Builder);
        EXPECT_EQ(l__Command.m__Cdb, l__Case.m__Cdb) << l__Case.m__Name;
        EXPECT_EQ(l__Command.m__BufferLength, l__Case.m__Transfer) << l__Case.m__Name;
        EXPECT_EQ(l__Command.m__Flags, IN) << l__Case.m__Name;
    }
}

TEST_F(CommandBuilder, CommandsThatSendData) {
    uint8_t* b = m__Buffer.data();
    for (size_t i = 0; i < 64; ++i) m__Buffer[i] = static_cast<uint8_t>(i);
    struct Case {
        const char* m__Name;
        std::function<void(CTarnwick_ScsiDeviceGeneric&)> m__Builder;
        Bytes m__Cdb;
        uint32_t m__Transfer;
    };
    const std::vector<Case> l__Cases = {
        {"FormatUnit", [b](auto& d) { d.FormatUnit(1, 0, 1, 0, b, 12); }, {0x04, 0xB1, 0, 0, 0, 0}, 12},
        {"FormatUnit spill", [b](auto& d) { d.FormatUnit(0xF9, 0xFF, 0xFE, 0x12345, b, 12); },
         {0x04, 0xA9, 0, 0x23, 0x45, 0}, 12},
        {"Write10", [b](auto& d) { d.Write10(b, 30, 0x00ABCDEF, 61440); },
         {0x2A, 0x00, 0x00, 0xAB, 0xCD, 0xEF, 0, 0x00, 0x1E, 0}, 61440},
        {"Write10 spill", [b](auto& d) { d.Write10(b, 0x10001, 0xFFFFFFFF, 2048); },
         {0x2A, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0x00, 0x01, 0}, 2048},
        {"SendOpcInformation", [](auto& d) { d.SendOpcInformation(nullptr, 0, 1); },
         {0x54, 0x01, 0, 0, 0, 0, 0, 0, 0, 0}, 0},
        {"ModeSelect10", [b](auto& d) { d.ModeSelect10(b, 0x3C); }, {0x55, 0xB0, 0, 0, 0, 0, 0, 0x00, 0x3C, 0}, 0x3C},
        {"ModeSelect10 long", [b](auto& d) { d.ModeSelect10(b, 65536 + 20); },
         {0x55, 0xB0, 0, 0, 0, 0, 0, 0x00, 0x14, 0}, 65556},
        {"SendCueSheet", [b](auto& d) { d.SendCueSheet(b, 0x000123); },
         {0x5D, 0, 0, 0, 0, 0, 0x00, 0x01, 0x23, 0}, 0x123},
    };
    for (const Case& l__Case : l__Cases) {
        ScriptedCommand l__Command = Sent(l__Case.m__Builder);
        EXPECT_EQ(l__Command.m__Cdb, l__Case.m__Cdb) << l__Case.m__Name;
        EXPECT_EQ(l__Command.m__BufferLength, l__Case.m__Transfer) << l__Case.m__Name;
        EXPECT_EQ(l__Command.m__Flags, OUT) << l__Case.m__Name;
        if (l__Case.m__Transfer > 0) {
            ASSERT_EQ(l__Command.m__DataOut.size(), l__Case.m__Transfer) << l__Case.m__Name;
            EXPECT_EQ(l__Command.m__DataOut[5], 5) << l__Case.m__Name;
        }
    }
}

TEST_F(CommandBuilder, ReadDataArrivesInTheCallersBuffer) {
    m__Drive->Queue(0x25, ScriptedAnswer::Good({0x00, 0x04, 0x60, 0x9F, 0x00, 0x00, 0x08, 0x00}));
    uint8_t l__Capacity[8] = {};
    m__Device->ReadCapacity(l__Capacity, sizeof(l__Capacity));
    EXPECT_EQ(l__Capacity[3], 0x9F);
    EXPECT_EQ(l__Capacity[6], 0x08);
}

}  // namespace
