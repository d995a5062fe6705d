#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "AspiHostAdapterTable.h"
#include "CTarnwick_Exception.h"
#include "CTarnwick_ScsiTransportASPI.h"
#include "FakeClock.h"
#include "ScriptedBackend.h"
#include "TraceCapture.h"

namespace {

constexpr UCHAR READ_CAPACITY_CDB[10] = {0x25};
constexpr UCHAR WRITE10_CDB[10] = {0x2A, 0, 0, 0, 0, 0x10, 0, 0, 1, 0};

class Transport : public ::testing::Test {
protected:
    void SetUp() override { m__Drive = &ScriptedBackend::InstallSingle(); }
    void TearDown() override { ScriptedBackend::UninstallAll(); }

    // Runs a command and returns the exception it raised (nullptr on success).
    std::unique_ptr<CTarnwick_Exception, CTarnwick_ExceptionDeleter> Run(CTarnwick_ScsiTransportASPI& p__Transport,
                                                                        const UCHAR* p__Cdb, ULONG p__Length,
                                                                        ULONG p__Direction = SCSI_DIRECTION_IN) {
        UCHAR l__Buffer[512] = {};
        try {
            p__Transport.ExecuteCDB(p__Cdb, p__Length, l__Buffer, sizeof(l__Buffer), p__Direction);
        } catch (CTarnwick_Exception* l__Exception) {
            EXPECT_NE(l__Exception, nullptr);
            return std::unique_ptr<CTarnwick_Exception, CTarnwick_ExceptionDeleter>(l__Exception);
        }
        return nullptr;
    }

    FakeClock m__Clock;
    ScriptedBackend* m__Drive = nullptr;
};

TEST_F(Transport, ConstructionIdentifiesAtLunZeroAndLaterCommandsCarryTheLun) {
    CTarnwick_ScsiTransportASPI l__Transport(0, 0, 0, 3);
    EXPECT_EQ(l__Transport.GetDeviceType(), 0x05);
    EXPECT_EQ(l__Transport.GetMaximumTransferLength(), 61440u);
    auto l__Commands = m__Drive->Commands();
    ASSERT_EQ(l__Commands.size(), 1u);
    EXPECT_EQ(l__Commands[0].m__Lun, 0);
    EXPECT_EQ(l__Commands[0].m__Flags, SRB_DIR_IN);  // polled, no event
    EXPECT_EQ(l__Commands[0].m__Cdb, (std::vector<uint8_t>{0x12, 0, 0, 0, 0x60, 0}));
    EXPECT_EQ(l__Commands[0].m__BufferLength, 96u);

    EXPECT_EQ(Run(l__Transport, READ_CAPACITY_CDB, 10), nullptr);
    l__Commands = m__Drive->Commands();
    ASSERT_EQ(l__Commands.size(), 2u);
    EXPECT_EQ(l__Commands[1].m__Lun, 3);
    EXPECT_EQ(l__Commands[1].m__Flags, SRB_EVENT_NOTIFY | SRB_DIR_IN);
    EXPECT_EQ(Run(l__Transport, WRITE10_CDB, 10, SCSI_DIRECTION_OUT), nullptr);
    EXPECT_EQ(m__Drive->Commands()[2].m__Flags, SRB_EVENT_NOTIFY | SRB_DIR_OUT);
}

TEST_F(Transport, NonCdDeviceStillConstructs) {
    ScriptedBackend& l__Disk = ScriptedBackend::InstallSingle(0x00);
    CTarnwick_ScsiTransportASPI l__Transport(0, 0, 0, 0);
    EXPECT_EQ(l__Transport.GetDeviceType(), 0x00);
    EXPECT_EQ(l__Disk.CountOpcode(0x12), 1u);
}

TEST_F(Transport, ConstructorFailuresAreAspiErrors) {
    ScriptedBackend::UninstallAll();
    try {
        CTarnwick_ScsiTransportASPI l__Transport(0, 0, 0, 0);
        FAIL() << "constructed without host adapters";
    } catch (CTarnwick_Exception* l__Exception) {
        EXPECT_EQ(l__Exception->GetExceptionNumber(), 6u);
        EXPECT_STREQ(l__Exception->GetExceptionText(),
                     "CTarnwick_ScsiTransportASPI::CTarnwick_ScsiTransportASPI(): GetASPI32SupportInfo() failed, ASPI "
                     "status 0xE8!!!");
        delete l__Exception;
    }
    ScriptedBackend::InstallSingle();
    TraceCapture l__Capture;
    try {
        CTarnwick_ScsiTransportASPI l__Transport(0, 0, 5, 0);
        FAIL() << "constructed for a missing target";
    } catch (CTarnwick_Exception* l__Exception) {
        EXPECT_EQ(l__Exception->GetExceptionNumber(), 6u);
        EXPECT_STREQ(l__Exception->GetExceptionText(),
                     "CTarnwick_ScsiTransportASPI::CTarnwick_ScsiTransportASPI(): SendASPI32Command( SC_GET_DEV_TYPE ) "
                     "for target ID 5 failed with ASPI status 0x82!!!");
        delete l__Exception;
    }
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Capture.Contains(
        "CTarnwick_ScsiTransportASPI::CTarnwick_ScsiTransportASPI(): EXITing with failure, status 6, message "
        "'CTarnwick_ScsiTransportASPI::CTarnwick_ScsiTransportASPI(): SendASPI32Command( SC_GET_DEV_TYPE ) for "
        "target ID 5 failed with ASPI status 0x82!!!'!!!\n"));
}

TEST_F(Transport, ConstructorPollsAPendingInquiryAndTracesTheSymbolicName) {
    m__Drive->Queue(0x12, ScriptedAnswer::PendingOnDemand());
    m__Drive->SetSymbolicName(std::string("/dev/disk/by-path/virtual-0"));
    m__Clock.OnSleep([this](uint64_t p__Sleeps) {
        if (p__Sleeps == 3) m__Drive->CompletePending();
    });
    TraceCapture l__Capture;
    CTarnwick_ScsiTransportASPI l__Transport(0, 0, 0, 0);
    EXPECT_EQ(l__Transport.GetDeviceType(), 0x05);
    EXPECT_EQ(m__Clock.SleepCount(), 3u);
    m__Clock.OnSleep(nullptr);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Capture.Contains("\nCTarnwick_ScsiTransportASPI::CTarnwick_ScsiTrasportASPI(): Symbolic name is "
                                    "'/dev/disk/by-path/virtual-0'\n"));
}

TEST_F(Transport, MissingSymbolicNameIsOnlyAWarning) {
    TraceCapture l__Capture;
    CTarnwick_ScsiTransportASPI l__Transport(0, 0, 0, 0);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Capture.Contains("\nCTarnwick_ScsiTransportASPI::CTarnwick_ScsiTransportASPI(): WARNING! "
                                    "SendASPI32Command( SC_GET_SYMBOLIC_NAME ) for port ID 0 failed with ASPI "
                                    "status 0x82!!!\n"));
}

TEST_F(Transport, RetryableAnswersAreWaitedOut) {
    CTarnwick_ScsiTransportASPI l__Transport(0, 0, 0, 0);
    m__Drive->Queue(0x25, ScriptedAnswer::Check(0x02, 0x02, 0x00));
    m__Drive->Queue(0x25, ScriptedAnswer::Check(0x02, 0x04, 0x08));
    m__Drive->Queue(0x25, ScriptedAnswer::Check(0x06, 0x2E, 0x01));
    m__Drive->Queue(0x25, ScriptedAnswer::Check(0x06, 0x28, 0x00));
    m__Drive->Queue(0x25, ScriptedAnswer::Busy());
    m__Drive->Queue(0x25, ScriptedAnswer::Good({0, 0, 0x10, 0, 0, 0, 8, 0}));
    UCHAR l__Buffer[8] = {};
    l__Transport.ExecuteCDB(READ_CAPACITY_CDB, 10, l__Buffer, sizeof(l__Buffer), SCSI_DIRECTION_IN);
    EXPECT_EQ(l__Buffer[2], 0x10);
    EXPECT_EQ(m__Drive->CountOpcode(0x25), 6u);
    EXPECT_EQ(m__Clock.SleepCount(), 5u);
    EXPECT_EQ(m__Clock.SleptMilliseconds(), 500u);
}

TEST_F(Transport, AnswersThatAreNotRetryableFailAtOnceWithTheRecord) {
    CTarnwick_ScsiTransportASPI l__Transport(0, 0, 0, 0);
    struct {
        ScriptedAnswer m__Answer;
        UCHAR m__TargStat;
        UCHAR m__HaStat;
    } const l__Cases[] = {
        {ScriptedAnswer::Check(0x02, 0x04, 0x01), 0x02, 0x00},  // becoming ready
        {ScriptedAnswer::Check(0x06, 0x29, 0x00), 0x02, 0x00},  // power on reset
        {ScriptedAnswer::Check(0x05, 0x24, 0x00), 0x02, 0x00},  // invalid field
        {ScriptedAnswer::HostError(0x11), 0x00, 0x11},          // selection time-out
    };
    for (const auto& l__Case : l__Cases) {
        m__Drive->ClearCommands();
        m__Drive->Queue(0x25, l__Case.m__Answer);
        uint64_t l__SleepsBefore = m__Clock.SleepCount();
        auto l__Exception = Run(l__Transport, READ_CAPACITY_CDB, 10);
        ASSERT_NE(l__Exception, nullptr);
        EXPECT_EQ(l__Exception->GetExceptionNumber(), 8u);
        EXPECT_STREQ(l__Exception->GetExceptionText(), "CTarnwick_ScsiTransportASPI::ExecuteCDB(): Command failed!!!");
        EXPECT_EQ(m__Clock.SleepCount(), l__SleepsBefore);
        EXPECT_EQ(m__Drive->CountOpcode(0x25), 1u);
        const CDB_FAILURE_INFORMATION* l__Record = l__Exception->GetFailureInformation();
        ASSERT_NE(l__Record, nullptr);
        EXPECT_EQ(l__Record->m__UCHAR__IsValid, 1);
        EXPECT_EQ(l__Record->m__UCHAR__CDBLength, 10);
        EXPECT_EQ(l__Record->m__UCHAR__CDB[0], 0x25);
        EXPECT_EQ(l__Record->m__UCHAR__SenseLength, 14);
        EXPECT_EQ(l__Record->m__UCHAR__Sense[2], l__Case.m__Answer.m__SenseKey);
        EXPECT_EQ(l__Record->m__UCHAR__Sense[12], l__Case.m__Answer.m__Asc);
        EXPECT_EQ(l__Record->m__UCHAR__Sense[13], l__Case.m__Answer.m__Ascq);
        EXPECT_EQ(l__Record->m__UCHAR__Sense[14], 0);  // only 14 sense bytes travel
        EXPECT_EQ(l__Record->m__UCHAR__SRB_Status, SS_ERR);
        EXPECT_EQ(l__Record->m__UCHAR__SRB_TargStat, l__Case.m__TargStat);
        EXPECT_EQ(l__Record->m__UCHAR__SRB_HaStat, l__Case.m__HaStat);
    }
}

TEST_F(Transport, HostAdapterErrorIsNeverRetriedEvenWhenBusy) {
    CTarnwick_ScsiTransportASPI l__Transport(0, 0, 0, 0);
    ScriptedAnswer l__Answer = ScriptedAnswer::Busy();
    l__Answer.m__Kind = ScriptedAnswer::HOST_ERROR;
    l__Answer.m__HaStat = 0x09;
    m__Drive->Queue(0x25, l__Answer);
    auto l__Exception = Run(l__Transport, READ_CAPACITY_CDB, 10);
    ASSERT_NE(l__Exception, nullptr);
    EXPECT_EQ(l__Exception->GetExceptionNumber(), 8u);
    EXPECT_EQ(m__Clock.SleepCount(), 0u);
}

TEST_F(Transport, RetryBudgetIsFiveThousandSharedBetweenBusyAndNotReady) {
    CTarnwick_ScsiTransportASPI l__Transport(0, 0, 0, 0);
    // Exactly 5000 retries are allowed...
    m__Drive->Queue(0x25, ScriptedAnswer::Busy(), 2500);
    m__Drive->Queue(0x25, ScriptedAnswer::Check(0x02, 0x02, 0x00), 2500);
    EXPECT_EQ(Run(l__Transport, READ_CAPACITY_CDB, 10), nullptr);
    EXPECT_EQ(m__Clock.SleepCount(), 5000u);
    // ...the 5001st raises number 7, named after the answer that broke the budget.
    m__Drive->Queue(0x25, ScriptedAnswer::Check(0x02, 0x02, 0x00), 2500);
    m__Drive->Queue(0x25, ScriptedAnswer::Busy(), 2501);
    auto l__Exception = Run(l__Transport, READ_CAPACITY_CDB, 10);
    ASSERT_NE(l__Exception, nullptr);
    EXPECT_EQ(l__Exception->GetExceptionNumber(), 7u);
    EXPECT_STREQ(l__Exception->GetExceptionText(),
                 "CTarnwick_ScsiTransportASPI::ExecuteCDB(): Device not ready too long #2!!!");
    EXPECT_EQ(m__Clock.SleepCount(), 10000u);

    m__Drive->Always(0x25, ScriptedAnswer::Check(0x02, 0x02, 0x00));
    TraceCapture l__Capture;
    l__Exception = Run(l__Transport, READ_CAPACITY_CDB, 10);
    ASSERT_NE(l__Exception, nullptr);
    EXPECT_EQ(l__Exception->GetExceptionNumber(), 7u);
    EXPECT_STREQ(l__Exception->GetExceptionText(),
                 "CTarnwick_ScsiTransportASPI::ExecuteCDB(): Device not ready too long #1!!!");
    EXPECT_EQ(m__Clock.SleepCount(), 15000u);
    EXPECT_EQ(l__Exception->GetStatus(), 0u);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Capture.Contains(
        "\nCTarnwick_ScsiTransportASPI::ExecuteCDB(): Device not ready too long #1!!!\n"
        "CTarnwick_ScsiTransportASPI::ExecuteCDB(): EXITing with failure, status 7, message "
        "'CTarnwick_ScsiTransportASPI::ExecuteCDB(): Device not ready too long #1!!!'!!!\n"));
}

TEST_F(Transport, LongWriteInProgressIsRetriedSilentlyOnlyForWrite10) {
    CTarnwick_ScsiTransportASPI l__Transport(0, 0, 0, 0);
    TraceCapture l__Capture;
    m__Drive->Queue(0x2A, ScriptedAnswer::Check(0x02, 0x04, 0x08), 3);
    EXPECT_EQ(Run(l__Transport, WRITE10_CDB, 10, SCSI_DIRECTION_OUT), nullptr);
    EXPECT_EQ(m__Drive->CountOpcode(0x2A), 4u);
    EXPECT_FALSE(l__Capture.Contains("Command failed"));

    m__Drive->Queue(0x25, ScriptedAnswer::Check(0x02, 0x04, 0x08));
    EXPECT_EQ(Run(l__Transport, READ_CAPACITY_CDB, 10), nullptr);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Capture.Contains("\nCTarnwick_ScsiTransportASPI::ExecuteCDB(): Command failed!!!\n"));
}

TEST_F(Transport, PendingCommandCompletesThroughTheEvent) {
    CTarnwick_ScsiTransportASPI l__Transport(0, 0, 0, 0);
    m__Drive->Queue(0x25, ScriptedAnswer::PendingDelayed(20));
    m__Drive->Queue(0x25, ScriptedAnswer::Good({0xAA, 0xBB}));  // not used: the delayed answer carries no data
    UCHAR l__Buffer[8] = {};
    l__Transport.ExecuteCDB(READ_CAPACITY_CDB, 10, l__Buffer, sizeof(l__Buffer), SCSI_DIRECTION_IN);
    EXPECT_EQ(m__Drive->CountOpcode(0x25), 1u);
    EXPECT_EQ(m__Clock.SleepCount(), 0u);
}

TEST_F(Transport, CommandsOfTwoThreadsAreSerialised) {
    CTarnwick_ScsiTransportASPI l__Transport(0, 0, 0, 0);
    m__Drive->Queue(0x25, ScriptedAnswer::PendingDelayed(30));
    std::thread l__Other([&] { EXPECT_EQ(Run(l__Transport, READ_CAPACITY_CDB, 10), nullptr); });
    EXPECT_EQ(Run(l__Transport, READ_CAPACITY_CDB, 10), nullptr);
    l__Other.join();
    EXPECT_EQ(m__Drive->CountOpcode(0x25), 2u);
}

}  // namespace
