#include <gtest/gtest.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "CTarnwick_Device.h"
#include "CTarnwick_Exception.h"
#include "CTarnwick_ThreadParameter.h"
#include "FakeScsiGeneric.h"
#include "PlatformManualResetEvent.h"
#include "TraceCapture.h"

namespace {

constexpr uint8_t OPCODE_READ10 = 0x28;
constexpr uint8_t OPCODE_WRITE10 = 0x2A;

SRB_ExecSCSICmd Request(uint8_t p__Opcode, uint8_t p__Flags, uint8_t* p__Buffer = nullptr, DWORD p__Length = 0) {
    SRB_ExecSCSICmd l__Srb;
    std::memset(&l__Srb, 0, sizeof(l__Srb));
    l__Srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    l__Srb.SRB_Flags = p__Flags;
    l__Srb.SRB_BufPointer = p__Buffer;
    l__Srb.SRB_BufLen = p__Length;
    l__Srb.SRB_SenseLen = SENSE_LEN;
    l__Srb.SRB_CDBLen = 10;
    l__Srb.CDBByte[0] = p__Opcode;
    return l__Srb;
}

class PassThroughDevice : public ::testing::Test {
protected:
    void SetUp() override { m__Fake.AddDrive("/dev/sg0", 0, 0, 1); }

    // The exception a constructor raised (nullptr when it did not).
    template <class Make>
    std::unique_ptr<CTarnwick_Exception, CTarnwick_ExceptionDeleter> Raised(Make p__Make) {
        try {
            p__Make();
        } catch (CTarnwick_Exception* l__Exception) {
            EXPECT_NE(l__Exception, nullptr);
            return std::unique_ptr<CTarnwick_Exception, CTarnwick_ExceptionDeleter>(l__Exception);
        }
        return nullptr;
    }

    FakeScsiGeneric m__Fake;
    uint8_t m__Buffer[4096] = {};
};

TEST_F(PassThroughDevice, IndexNodeTakesTheAddressAndTypeOfItsUnit) {
    CTarnwick_Device l__Device(ULONG{0});
    EXPECT_STREQ(l__Device.GetDeviceName(), "/dev/sg0");
    EXPECT_TRUE(l__Device.IsAddressValid());
    EXPECT_EQ(l__Device.GetAddress().m__UCHAR__Id, 1);
    EXPECT_EQ(l__Device.GetTimeout(), 108000u);
    // Construction opens only to read the address.
    EXPECT_EQ(m__Fake.Opens("/dev/sg0"), 1);
    EXPECT_EQ(m__Fake.OpenDescriptors(), 0u);
}

TEST_F(PassThroughDevice, IndexNodeThatIsNoCdDvdUnitIsRefusedWithStatus15) {
    m__Fake.AddDrive("/dev/sg1", 0, 0, 0, 0, /*type: disk*/ 0);
    CTarnwick_Device::Failure l__Failure;
    auto l__Exception = Raised([&] { CTarnwick_Device l__Device(ULONG{1}, &l__Failure); });
    ASSERT_NE(l__Exception, nullptr);
    EXPECT_EQ(l__Exception->GetExceptionNumber(), static_cast<ULONG>(EXCEPTION_NUMBER_SYSTEM_ERROR));
    EXPECT_EQ(l__Exception->GetStatus(), 15u);
    EXPECT_STREQ(l__Exception->GetExceptionText(),
                 "CTarnwick_Device::CTarnwick_Device(): GetDriveType( '/dev/sg1' ) failed, status 15!!!");
    EXPECT_EQ(l__Failure.m__PROBLEM__Problem, CTarnwick_Device::PROBLEM_NOT_CDDVD);
    EXPECT_EQ(l__Failure.m__UCHAR__Type, 0);
    EXPECT_EQ(m__Fake.OpenDescriptors(), 0u);

    // An absent node is refused the same way, and a refused open carries its errno.
    auto l__Absent = Raised([&] { CTarnwick_Device l__Device(ULONG{7}, &l__Failure); });
    ASSERT_NE(l__Absent, nullptr);
    EXPECT_EQ(l__Absent->GetStatus(), 15u);
    EXPECT_EQ(l__Failure.m__PROBLEM__Problem, CTarnwick_Device::PROBLEM_ABSENT);
    m__Fake.At("/dev/sg0").m__int__OpenError = EACCES;
    auto l__Refused = Raised([&] { CTarnwick_Device l__Device(ULONG{0}, &l__Failure); });
    ASSERT_NE(l__Refused, nullptr);
    EXPECT_EQ(l__Refused->GetStatus(), static_cast<ULONG_PTR>(EACCES));
    EXPECT_EQ(l__Failure.m__PROBLEM__Problem, CTarnwick_Device::PROBLEM_OPEN);
}

TEST_F(PassThroughDevice, IndexNodeWithoutAddressIsRefusedAndClosed) {
    m__Fake.At("/dev/sg0").m__bool__HasAddress = false;
    CTarnwick_Device::Failure l__Failure;
    auto l__Exception = Raised([&] { CTarnwick_Device l__Device(ULONG{0}, &l__Failure); });
    ASSERT_NE(l__Exception, nullptr);
    EXPECT_EQ(l__Failure.m__PROBLEM__Problem, CTarnwick_Device::PROBLEM_ADDRESS);
    EXPECT_EQ(m__Fake.OpenDescriptors(), 0u);
}

TEST_F(PassThroughDevice, NamedNodeWithoutAddressIsMadeWithTheAddressNotValid) {
    m__Fake.AddDrive("/dev/sr0", 3, 0, 4).m__bool__HasAddress = false;
    CTarnwick_Device l__Device("/dev/sr0");
    EXPECT_FALSE(l__Device.IsAddressValid());
    EXPECT_EQ(l__Device.GetAddress().m__UCHAR__Host, 0);
    EXPECT_EQ(l__Device.GetAddress().m__UCHAR__Id, 0);
}

TEST_F(PassThroughDevice, DirectionTimeoutAndCdbReachSgIo) {
    CTarnwick_Device l__Device(ULONG{0});
    SRB_ExecSCSICmd l__Both = Request(OPCODE_WRITE10, SRB_DIR_IN | SRB_DIR_OUT, m__Buffer, 2048);
    SRB_ExecSCSICmd l__Neither = Request(0x00, 0);
    SRB_ExecSCSICmd l__In = Request(OPCODE_READ10, SRB_DIR_IN, m__Buffer, 2048);
    EXPECT_EQ(l__Device.ExecuteRequest(&l__Both, true), SS_COMP);
    EXPECT_EQ(l__Device.ExecuteRequest(&l__Neither, true), SS_COMP);
    l__Device.SetTimeout(21);  // 10 whole seconds
    EXPECT_EQ(l__Device.ExecuteRequest(&l__In, true), SS_COMP);
    auto l__Sent = m__Fake.Commands();
    ASSERT_EQ(l__Sent.size(), 3u);
    EXPECT_EQ(l__Sent[0].m__Direction, PlatformScsiCommand::TO_DEVICE);
    EXPECT_EQ(l__Sent[0].m__ULONG__Length, 2048u);
    EXPECT_EQ(l__Sent[0].m__Cdb.size(), 10u);
    EXPECT_EQ(l__Sent[0].m__Cdb[0], OPCODE_WRITE10);
    EXPECT_EQ(l__Sent[1].m__Direction, PlatformScsiCommand::NONE);
    EXPECT_EQ(l__Sent[2].m__Direction, PlatformScsiCommand::FROM_DEVICE);
    // 108000 half-seconds are 54000 seconds.
    EXPECT_EQ(l__Sent[0].m__ULONG__TimeoutMilliseconds, 54000u * 1000u);
    EXPECT_EQ(l__Sent[2].m__ULONG__TimeoutMilliseconds, 10000u);
}

TEST_F(PassThroughDevice, ResidualCountOnSuccessAndZeroOnFailure) {
    CTarnwick_Device l__Device(ULONG{0});
    FakeScsiGeneric::Reply l__Short;
    l__Short.m__LONG__Residual = 512;
    m__Fake.QueueReply("/dev/sg0", l__Short);
    m__Fake.QueueReply("/dev/sg0", l__Short);
    SRB_ExecSCSICmd l__Counted = Request(OPCODE_READ10, SRB_DIR_IN | SRB_ENABLE_RESIDUAL_COUNT, m__Buffer, 2048);
    EXPECT_EQ(l__Device.ExecuteRequest(&l__Counted, true), SS_COMP);
    EXPECT_EQ(l__Counted.SRB_BufLen, 512u);
    SRB_ExecSCSICmd l__NotCounted = Request(OPCODE_READ10, SRB_DIR_IN, m__Buffer, 2048);
    EXPECT_EQ(l__Device.ExecuteRequest(&l__NotCounted, true), SS_COMP);
    EXPECT_EQ(l__NotCounted.SRB_BufLen, 2048u);
}

TEST_F(PassThroughDevice, FailedSgIoIsAnErrorWithTheTargetStatusAsReturned) {
    CTarnwick_Device l__Device(ULONG{0});
    FakeScsiGeneric::Reply l__CallFails;
    l__CallFails.m__int__CallError = EIO;
    m__Fake.QueueReply("/dev/sg0", l__CallFails);
    TraceCapture l__Trace;
    SRB_ExecSCSICmd l__Srb = Request(OPCODE_READ10, SRB_DIR_IN | SRB_ENABLE_RESIDUAL_COUNT, m__Buffer, 2048);
    EXPECT_EQ(l__Device.ExecuteRequest(&l__Srb, true), SS_ERR);
    EXPECT_EQ(l__Srb.SRB_Status, SS_ERR);
    EXPECT_EQ(l__Srb.SRB_HaStat, 0);
    EXPECT_EQ(l__Srb.SRB_TargStat, 0);
    EXPECT_EQ(l__Srb.SRB_BufLen, 0u);

    // CHECK CONDITION: the target status and the sense the drive returned.
    FakeScsiGeneric::Reply l__Check;
    l__Check.m__UCHAR__Status = STATUS_CHKCOND;
    l__Check.m__USHORT__Driver = 0x08;  // sense data present: no transport error
    l__Check.m__Sense = {0x70, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x04, 0x01};
    m__Fake.QueueReply("/dev/sg0", l__Check);
    SRB_ExecSCSICmd l__Checked = Request(OPCODE_READ10, SRB_DIR_IN, m__Buffer, 2048);
    EXPECT_EQ(l__Device.ExecuteRequest(&l__Checked, true), SS_ERR);
    EXPECT_EQ(l__Checked.SRB_HaStat, 0);  // the transport's retry rules need it 0
    EXPECT_EQ(l__Checked.SRB_TargStat, STATUS_CHKCOND);
    EXPECT_EQ(l__Checked.SenseArea[2], 0x02);
    EXPECT_EQ(l__Checked.SenseArea[12], 0x04);
    EXPECT_EQ(l__Checked.SenseArea[13], 0x01);

    REQUIRE_TRACING();
    EXPECT_TRUE(l__Trace.Contains("\nCTarnwick_Device::ExecuteRequest(): DeviceIoControl() failed, status == 0, last "
                                  "error == 5, target status 0!!!\n"))
        << l__Trace.Text();
}

TEST_F(PassThroughDevice, HostOrDriverErrorWithGoodStatusIsNeverSuccess) {
    CTarnwick_Device l__Device(ULONG{0});
    FakeScsiGeneric::Reply l__TimedOut;
    l__TimedOut.m__USHORT__Host = 0x03;  // DID_TIME_OUT
    m__Fake.QueueReply("/dev/sg0", l__TimedOut);
    FakeScsiGeneric::Reply l__DriverError;
    l__DriverError.m__USHORT__Driver = 0x04;  // DRIVER_ERROR
    m__Fake.QueueReply("/dev/sg0", l__DriverError);
    SRB_ExecSCSICmd l__First = Request(OPCODE_READ10, SRB_DIR_IN, m__Buffer, 2048);
    EXPECT_EQ(l__Device.ExecuteRequest(&l__First, true), SS_ERR);
    EXPECT_EQ(l__First.SRB_HaStat, HASTAT_TIMEOUT);
    SRB_ExecSCSICmd l__Second = Request(OPCODE_READ10, SRB_DIR_IN, m__Buffer, 2048);
    EXPECT_EQ(l__Device.ExecuteRequest(&l__Second, true), SS_ERR);
    EXPECT_NE(l__Second.SRB_HaStat, 0);
}

TEST_F(PassThroughDevice, SenseNeverRunsBeyondTheRequestBlock) {
    CTarnwick_Device l__Device(ULONG{0});
    FakeScsiGeneric::Reply l__Check;
    l__Check.m__UCHAR__Status = STATUS_CHKCOND;
    l__Check.m__Sense.assign(32, 0xAB);
    m__Fake.QueueReply("/dev/sg0", l__Check);
    // The block sits in a larger buffer whose bytes after it must stay untouched.
    alignas(8) uint8_t l__Storage[sizeof(SRB_ExecSCSICmd) + 32];
    std::memset(l__Storage, 0x5A, sizeof(l__Storage));
    SRB_ExecSCSICmd* l__Srb = reinterpret_cast<SRB_ExecSCSICmd*>(l__Storage);
    *l__Srb = Request(OPCODE_READ10, SRB_DIR_IN, m__Buffer, 2048);
    l__Srb->SRB_SenseLen = 32;
    EXPECT_EQ(l__Device.ExecuteRequest(l__Srb, true), SS_ERR);
    for (size_t l__Index = 0; l__Index < sizeof(l__Srb->SenseArea); ++l__Index) EXPECT_EQ(l__Srb->SenseArea[l__Index], 0xAB);
    for (size_t l__Index = sizeof(SRB_ExecSCSICmd); l__Index < sizeof(l__Storage); ++l__Index)
        ASSERT_EQ(l__Storage[l__Index], 0x5A) << "byte " << l__Index << " after the block was written";
}

TEST_F(PassThroughDevice, EventIsSetBeforeTheCallReturns) {
    CTarnwick_Device l__Device(ULONG{0});
    PlatformManualResetEvent l__Event;
    SRB_ExecSCSICmd l__Srb = Request(OPCODE_READ10, SRB_DIR_IN | SRB_EVENT_NOTIFY, m__Buffer, 2048);
    l__Srb.SRB_PostProc = &l__Event;
    EXPECT_EQ(l__Device.ExecuteRequest(&l__Srb, true), SS_COMP);
    EXPECT_TRUE(l__Event.IsSet());
    EXPECT_EQ(l__Srb.SRB_Status, SS_COMP);
}

TEST_F(PassThroughDevice, RunOfWritesSharesOneOpenAndOtherRequestsReopen) {
    CTarnwick_Device l__Device(ULONG{0});
    int l__int__Base = m__Fake.Opens("/dev/sg0");
    auto Run = [&](uint8_t p__Opcode, uint8_t p__Flags) {
        SRB_ExecSCSICmd l__Srb = Request(p__Opcode, p__Flags, m__Buffer, 2048);
        return l__Device.ExecuteRequest(&l__Srb, true);
    };
    auto Opens = [&] { return m__Fake.Opens("/dev/sg0") - l__int__Base; };

    EXPECT_EQ(Run(OPCODE_READ10, SRB_DIR_IN), SS_COMP);  // opened and closed again
    EXPECT_EQ(Opens(), 1);
    EXPECT_EQ(m__Fake.OpenDescriptors(), 0u);
    for (int l__Write = 0; l__Write < 3; ++l__Write) EXPECT_EQ(Run(OPCODE_WRITE10, SRB_DIR_OUT), SS_COMP);
    EXPECT_EQ(Opens(), 2);  // three writes, one open, still open
    EXPECT_EQ(m__Fake.OpenDescriptors(), 1u);
    // The request after a write still uses its handle; the one after that closes it.
    EXPECT_EQ(Run(OPCODE_READ10, SRB_DIR_IN), SS_COMP);
    EXPECT_EQ(Opens(), 2);
    EXPECT_EQ(Run(OPCODE_READ10, SRB_DIR_IN), SS_COMP);
    EXPECT_EQ(m__Fake.OpenDescriptors(), 0u);

    // A write that fails after a read does not keep the handle: the read after it reopens.
    FakeScsiGeneric::Reply l__Check;
    l__Check.m__UCHAR__Status = STATUS_CHKCOND;
    m__Fake.QueueReply("/dev/sg0", l__Check);
    int l__int__Before = Opens();
    EXPECT_EQ(Run(OPCODE_WRITE10, SRB_DIR_OUT), SS_ERR);
    EXPECT_EQ(m__Fake.OpenDescriptors(), 0u);
    EXPECT_EQ(Run(OPCODE_READ10, SRB_DIR_IN), SS_COMP);
    EXPECT_EQ(Opens(), l__int__Before + 2);
    EXPECT_EQ(m__Fake.Closes("/dev/sg0"), m__Fake.Opens("/dev/sg0"));
}

TEST_F(PassThroughDevice, HandleLeftOpenByWritesIsClosedWithTheDevice) {
    {
        CTarnwick_Device l__Device(ULONG{0});
        SRB_ExecSCSICmd l__Srb = Request(OPCODE_WRITE10, SRB_DIR_OUT, m__Buffer, 2048);
        EXPECT_EQ(l__Device.ExecuteRequest(&l__Srb, true), SS_COMP);
        EXPECT_EQ(m__Fake.OpenDescriptors(), 1u);
    }
    EXPECT_EQ(m__Fake.OpenDescriptors(), 0u);
}

TEST_F(PassThroughDevice, UnopenableNodeFailsTheRequestWithItsError) {
    CTarnwick_Device l__Device(ULONG{0});
    m__Fake.At("/dev/sg0").m__int__OpenError = EBUSY;
    TraceCapture l__Trace;
    SRB_ExecSCSICmd l__Srb = Request(OPCODE_READ10, SRB_DIR_IN, m__Buffer, 2048);
    EXPECT_EQ(l__Device.ExecuteRequest(&l__Srb, true), SS_ERR);
    EXPECT_TRUE(m__Fake.Commands().empty());
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Trace.Contains("\nCTarnwick_Device::ExecuteRequest(): Invalid handle value 0xFFFFFFFF, status == 16!!!\n"))
        << l__Trace.Text();
}

// Blocks every SG_IO until released, so that requests queue up behind the first.
class Gate {
public:
    void Pass() {
        std::unique_lock<std::mutex> l__Lock(m__Lock);
        ++m__int__Arrived;
        m__Condition.notify_all();
        m__Condition.wait(l__Lock, [&] { return m__bool__Open; });
    }
    void WaitForArrivals(int p__int__Count) {
        std::unique_lock<std::mutex> l__Lock(m__Lock);
        m__Condition.wait(l__Lock, [&] { return m__int__Arrived >= p__int__Count; });
    }
    void Open() {
        std::lock_guard<std::mutex> l__Lock(m__Lock);
        m__bool__Open = true;
        m__Condition.notify_all();
    }

private:
    std::mutex m__Lock;
    std::condition_variable m__Condition;
    int m__int__Arrived = 0;
    bool m__bool__Open = false;
};

TEST_F(PassThroughDevice, WorkerRunsQueuedRequestsInOrder) {
    Gate l__Gate;
    m__Fake.OnExecute([&](const FakeScsiGeneric::Sent&) { l__Gate.Pass(); });
    CTarnwick_Device l__Device(ULONG{0});
    PlatformManualResetEvent l__Events[4];
    SRB_ExecSCSICmd l__Requests[4];
    for (int l__Index = 0; l__Index < 4; ++l__Index) {
        l__Requests[l__Index] = Request(OPCODE_READ10, SRB_DIR_IN | SRB_EVENT_NOTIFY);
        l__Requests[l__Index].CDBByte[5] = static_cast<BYTE>(l__Index);  // tells them apart
        l__Requests[l__Index].SRB_PostProc = &l__Events[l__Index];
        EXPECT_EQ(l__Device.EnqueueRequest(&l__Requests[l__Index]), SS_PENDING);
        if (l__Index == 0) l__Gate.WaitForArrivals(1);  // the worker holds the first one
    }
    EXPECT_EQ(std::atomic_ref<BYTE>(l__Requests[3].SRB_Status).load(), SS_PENDING);
    l__Gate.Open();
    for (auto& l__Event : l__Events) EXPECT_TRUE(l__Event.Wait(10000));
    for (auto& l__Request : l__Requests) EXPECT_EQ(std::atomic_ref<BYTE>(l__Request.SRB_Status).load(), SS_COMP);
    auto l__Sent = m__Fake.Commands();
    ASSERT_EQ(l__Sent.size(), 4u);
    for (int l__Index = 0; l__Index < 4; ++l__Index) EXPECT_EQ(l__Sent[l__Index].m__Cdb[5], l__Index);
    m__Fake.OnExecute(nullptr);
}

TEST_F(PassThroughDevice, DestroyingADeviceWithQueuedRequestsEndsThemAll) {
    Gate l__Gate;
    m__Fake.OnExecute([&](const FakeScsiGeneric::Sent&) { l__Gate.Pass(); });
    auto l__Device = std::make_unique<CTarnwick_Device>(ULONG{0});
    PlatformManualResetEvent l__Events[3];
    SRB_ExecSCSICmd l__Requests[3];
    for (int l__Index = 0; l__Index < 3; ++l__Index) {
        l__Requests[l__Index] = Request(OPCODE_READ10, SRB_DIR_IN | SRB_EVENT_NOTIFY);
        l__Requests[l__Index].SRB_PostProc = &l__Events[l__Index];
        EXPECT_EQ(l__Device->EnqueueRequest(&l__Requests[l__Index]), SS_PENDING);
        if (l__Index == 0) l__Gate.WaitForArrivals(1);
    }
    // The device goes while its worker is in the first request: the queued ones end at once
    // (their events are set), and only then is the worker let go.
    bool l__bool__Drained = false;
    std::thread l__Releaser([&] {
        l__bool__Drained = l__Events[2].Wait(10000);
        l__Gate.Open();
    });
    l__Device.reset();
    l__Releaser.join();
    EXPECT_TRUE(l__bool__Drained);
    EXPECT_EQ(std::atomic_ref<BYTE>(l__Requests[0].SRB_Status).load(), SS_COMP);
    EXPECT_EQ(std::atomic_ref<BYTE>(l__Requests[1].SRB_Status).load(), SS_ABORTED);
    EXPECT_EQ(std::atomic_ref<BYTE>(l__Requests[2].SRB_Status).load(), SS_ABORTED);
    for (auto& l__Event : l__Events) EXPECT_TRUE(l__Event.IsSet());
    EXPECT_EQ(m__Fake.Commands().size(), 1u);
    m__Fake.OnExecute(nullptr);
}

// Both orders of "discovery tells the worker to stop" and "the worker starts": a worker that
// finds the stop flag at its start ends without waiting for work; a stop told after the
// worker has started (and freed its parameter) writes nowhere (AddressSanitizer watches).
TEST_F(PassThroughDevice, StopToldBeforeOrAfterTheWorkerStartsIsSafe) {
    CTarnwick_Device l__Device(ULONG{0});
    // After: the worker has certainly freed its parameter once it has run a request.
    PlatformManualResetEvent l__Event;
    SRB_ExecSCSICmd l__Srb = Request(OPCODE_READ10, SRB_DIR_IN | SRB_EVENT_NOTIFY);
    l__Srb.SRB_PostProc = &l__Event;
    ASSERT_EQ(l__Device.EnqueueRequest(&l__Srb), SS_PENDING);
    ASSERT_TRUE(l__Event.Wait(10000));
    l__Device.StopWorker();

    // Before: a worker procedure whose parameter already carries the stop flag returns at
    // once on this thread (without the flag it would wait for a request for ever).
    auto* l__Parameter = new CTarnwick_ThreadParameter(&l__Device);
    l__Parameter->m__UCHAR__Stop = 1;
    EXPECT_EQ(CTarnwick_Device::WorkerThread(l__Parameter), 0u);
    EXPECT_EQ(m__Fake.Commands().size(), 1u);
}

}  // namespace
