#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include "CTarnwick_Exception.h"
#include "CTarnwick_FlatBoundary.h"
#include "TraceCapture.h"

namespace {

CDB_FAILURE_INFORMATION* MakeRecord() {
    auto* l__Record = new CDB_FAILURE_INFORMATION{};
    l__Record->m__UCHAR__IsValid = 1;
    l__Record->m__UCHAR__CDBLength = 10;
    l__Record->m__UCHAR__CDB[0] = 0x2A;
    l__Record->m__UCHAR__SenseLength = 14;
    l__Record->m__UCHAR__Sense[2] = 0x03;
    l__Record->m__UCHAR__Sense[12] = 0x0C;
    l__Record->m__UCHAR__SRB_Status = 0x04;
    l__Record->m__UCHAR__SRB_TargStat = 0x02;
    return l__Record;
}

}  // namespace

TEST(FlatBoundary, SuccessLeavesCallerValuesAndZeroesRecord) {
    char l__Text[64];
    std::memset(l__Text, 'x', sizeof(l__Text));
    ULONG l__SystemError = 31;
    CDB_FAILURE_INFORMATION l__Info;
    std::memset(&l__Info, 0xAB, sizeof(l__Info));
    ULONG l__Result =
        CTarnwick_FlatBoundary::CallBurner("Tarnwick:F", l__Text, sizeof(l__Text), &l__SystemError, &l__Info, [] {});
    EXPECT_EQ(l__Result, 0u);
    EXPECT_EQ(l__SystemError, 31u);
    EXPECT_EQ(l__Text[0], 'x');
    EXPECT_EQ(l__Text[63], 'x');
    CDB_FAILURE_INFORMATION l__Zero{};
    EXPECT_EQ(std::memcmp(&l__Info, &l__Zero, sizeof(l__Info)), 0);
}

TEST(FlatBoundary, SystemErrorSetsStatusOtherNumbersLeaveIt) {
    char l__Text[128] = {};
    ULONG l__SystemError = 31;
    ULONG l__Result = CTarnwick_FlatBoundary::CallTree("Tarnwick:F", l__Text, sizeof(l__Text), &l__SystemError, [] {
        CTarnwick_Exception::Raise("CTarnwick_DiskFile::CTarnwick_DiskFile", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_SYSTEM_ERROR, 2,
                                   "CTarnwick_DiskFile::CTarnwick_DiskFile(): CreateFile( '%s' ) failed, status %ld!!!",
                                   "a.iso", 2L);
    });
    EXPECT_EQ(l__Result, 5u);
    EXPECT_EQ(l__SystemError, 2u);
    EXPECT_STREQ(l__Text, "CTarnwick_DiskFile::CTarnwick_DiskFile(): CreateFile( 'a.iso' ) failed, status 2!!!");

    l__SystemError = 31;
    l__Result = CTarnwick_FlatBoundary::CallTree("Tarnwick:F", l__Text, sizeof(l__Text), &l__SystemError, [] {
        CTarnwick_Exception::Raise("X::Y", EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_MEDIA_OR_DATA, 77,
                                   "X::Y(): Track is not blank!!!");
    });
    EXPECT_EQ(l__Result, 10u);
    EXPECT_EQ(l__SystemError, 31u);
    EXPECT_STREQ(l__Text, "X::Y(): Track is not blank!!!");
}

TEST(FlatBoundary, CommandFailureCopiesRecordInBurnerFamily) {
    char l__Text[128] = {};
    ULONG l__SystemError = 31;
    CDB_FAILURE_INFORMATION l__Info{};
    ULONG l__Result =
        CTarnwick_FlatBoundary::CallBurner("Tarnwick:F", l__Text, sizeof(l__Text), &l__SystemError, &l__Info, [] {
            CTarnwick_Exception::Raise("CTarnwick_ScsiTransportASPI::ExecuteCDB", EXIT_TRACE_FORM_SILENT,
                                       EXCEPTION_NUMBER_COMMAND_FAILED, reinterpret_cast<ULONG_PTR>(MakeRecord()),
                                       "CTarnwick_ScsiTransportASPI::ExecuteCDB(): Command failed!!!");
        });
    EXPECT_EQ(l__Result, 8u);
    EXPECT_EQ(l__SystemError, 31u);
    EXPECT_EQ(l__Info.m__UCHAR__IsValid, 1);
    EXPECT_EQ(l__Info.m__UCHAR__CDB[0], 0x2A);
    EXPECT_EQ(l__Info.m__UCHAR__Sense[12], 0x0C);
    EXPECT_EQ(l__Info.m__UCHAR__SRB_TargStat, 0x02);
    // The tree family frees the record too (checked by the sanitizer build).
    l__Result = CTarnwick_FlatBoundary::CallTree("Tarnwick:F", l__Text, sizeof(l__Text), &l__SystemError, [] {
        throw new CTarnwick_Exception(EXCEPTION_NUMBER_COMMAND_FAILED, reinterpret_cast<ULONG_PTR>(MakeRecord()),
                                      "failed");
    });
    EXPECT_EQ(l__Result, 8u);
}

TEST(FlatBoundary, LongTextIsCutAtBufferSize) {
    char l__Text[16];
    std::memset(l__Text, 'x', sizeof(l__Text));
    ULONG l__SystemError = 31;
    ULONG l__Result = CTarnwick_FlatBoundary::CallTree("Tarnwick:F", l__Text, sizeof(l__Text), &l__SystemError, [] {
        throw new CTarnwick_Exception(EXCEPTION_NUMBER_INVALID_STATE, 0, "%s", std::string(5000, 'a').c_str());
    });
    EXPECT_EQ(l__Result, 3u);
    EXPECT_EQ(std::string(l__Text), std::string(15, 'a'));
}

TEST(FlatBoundary, NullExceptionGivesTwelveAndTouchesNothing) {
    char l__Text[16] = "preset";
    ULONG l__SystemError = 31;
    CDB_FAILURE_INFORMATION l__Info{};
    ULONG l__Result =
        CTarnwick_FlatBoundary::CallBurner("Tarnwick:F", l__Text, sizeof(l__Text), &l__SystemError, &l__Info,
                                           [] { throw static_cast<CTarnwick_Exception*>(nullptr); });
    EXPECT_EQ(l__Result, 12u);
    EXPECT_STREQ(l__Text, "preset");
    EXPECT_EQ(l__SystemError, 31u);
}

TEST(FlatBoundary, ForeignExceptionsGiveFourWithTheFunctionsNameInBothFamilies) {
    TraceCapture l__Capture;
    char l__Text[128];
    std::memset(l__Text, 'x', sizeof(l__Text));
    ULONG l__SystemError = 31;
    CDB_FAILURE_INFORMATION l__Info;
    std::memset(&l__Info, 0xAB, sizeof(l__Info));
    ULONG l__Result = CTarnwick_FlatBoundary::CallBurner("Tarnwick:Tarnwick_CdvdBurnerGrabber_Eject", l__Text,
                                                         sizeof(l__Text), &l__SystemError, &l__Info,
                                                         [] { throw std::bad_alloc(); });
    EXPECT_EQ(l__Result, 4u);
    EXPECT_STREQ(l__Text, "Tarnwick:Tarnwick_CdvdBurnerGrabber_Eject(): Out of memory (std::bad_alloc)!!!");
    EXPECT_EQ(l__Text[127], '\0');  // the rest of the buffer is zero-filled
    EXPECT_EQ(l__SystemError, 31u);
    CDB_FAILURE_INFORMATION l__Zero{};
    EXPECT_EQ(std::memcmp(&l__Info, &l__Zero, sizeof(l__Info)), 0);

    l__Result = CTarnwick_FlatBoundary::CallTree("Tarnwick:Tarnwick_ISO9660JolietFileTree_Add", l__Text,
                                                 sizeof(l__Text), &l__SystemError,
                                                 [] { throw std::runtime_error("callback gave up"); });
    EXPECT_EQ(l__Result, 4u);
    EXPECT_STREQ(l__Text, "Tarnwick:Tarnwick_ISO9660JolietFileTree_Add(): Unexpected exception (callback gave up)!!!");
    EXPECT_EQ(l__SystemError, 31u);

    // Anything at all, cut at the caller's size.
    char l__Short[12];
    l__Result = CTarnwick_FlatBoundary::CallTree("Tarnwick:G", l__Short, sizeof(l__Short), &l__SystemError,
                                                 [] { throw 42; });
    EXPECT_EQ(l__Result, 4u);
    EXPECT_STREQ(l__Short, "Tarnwick:G(");
    // No buffer at all.
    EXPECT_EQ(CTarnwick_FlatBoundary::CallTree("Tarnwick:G", nullptr, 0, nullptr, [] { throw std::bad_alloc(); }), 4u);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Capture.Contains(
        "\nTarnwick:Tarnwick_CdvdBurnerGrabber_Eject(): Out of memory (std::bad_alloc)!!!\n"
        "Tarnwick:Tarnwick_CdvdBurnerGrabber_Eject(): EXITing with failure, exception number 0x00000004, "
        "exception text 'Tarnwick:Tarnwick_CdvdBurnerGrabber_Eject(): Out of memory (std::bad_alloc)!!!'!!!\n"));
}

TEST(Exception, RaiseWhoseAllocationFailsThrowsNull) {
    CTarnwick_Exception::FailNextAllocations(1);
    char l__Text[16] = "preset";
    ULONG l__SystemError = 31;
    ULONG l__Result = CTarnwick_FlatBoundary::CallTree("Tarnwick:F", l__Text, sizeof(l__Text), &l__SystemError, [] {
        CTarnwick_Exception::Raise("A::B", EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_COMMAND_FAILED,
                                   reinterpret_cast<ULONG_PTR>(MakeRecord()), "A::B(): failed!!!");
    });
    EXPECT_EQ(l__Result, 12u);
    EXPECT_STREQ(l__Text, "preset");
}

TEST(Exception, TextIsCutAt4095Characters) {
    CTarnwick_Exception l__Exception(3, 0, "%s", std::string(5000, 'b').c_str());
    EXPECT_EQ(std::strlen(l__Exception.GetExceptionText()), 4095u);
    EXPECT_EQ(l__Exception.GetExceptionNumber(), 3u);
}

TEST(Exception, RaiseTracesFramedTextThenExitLine) {
    TraceCapture l__Capture;
    try {
        CTarnwick_Exception::Raise("CTarnwick_FileChain::Read", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_INVALID_STATE, 0, "CTarnwick_FileChain::Read(): No next file!!!");
        FAIL() << "Raise returned";
    } catch (CTarnwick_Exception* l__Exception) {
        EXPECT_EQ(l__Exception->GetExceptionNumber(), 3u);
        delete l__Exception;
    }
    REQUIRE_TRACING();
    EXPECT_EQ(l__Capture.Text(),
              "\nCTarnwick_FileChain::Read(): No next file!!!\n"
              "CTarnwick_FileChain::Read(): EXITing with failure, exception number 0x00000003, exception text "
              "'CTarnwick_FileChain::Read(): No next file!!!'!!!\n");
}

TEST(Exception, SafeOperationsSwallowWithWarning) {
    TraceCapture l__Capture;
    CTarnwick_Exception::RunSafe("CTarnwick_CdvdBurnerGrabber::RestoreReadErrorRecoverySafe", [] {
        throw new CTarnwick_Exception(EXCEPTION_NUMBER_COMMAND_FAILED, reinterpret_cast<ULONG_PTR>(MakeRecord()),
                                      "Command failed!!!");
    });
    CTarnwick_Exception::RunSafe("CTarnwick_CdvdBurnerGrabber::RezeroUnitSafe",
                                 [] { throw static_cast<CTarnwick_Exception*>(nullptr); });
    REQUIRE_TRACING();
    EXPECT_EQ(l__Capture.Text(),
              "CTarnwick_CdvdBurnerGrabber::RestoreReadErrorRecoverySafe(): WARNING! Status 8, message 'Command "
              "failed!!!'!!!\n"
              "CTarnwick_CdvdBurnerGrabber::RezeroUnitSafe(): WARNING! Exception pointer is NULL!\n");
}
