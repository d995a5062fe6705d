#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DebugPrint.h"
#include "MmcDumps.h"
#include "TraceCapture.h"

namespace {

struct MsfCase {
    LONG m__LONG__LBA;
    UCHAR m__UCHAR__MSF[3];
    BOOLEAN m__BOOLEAN__Result;
    const char* m__PCHAR__Trace;
};

const char* const g__PCHAR__Failure1 = "\nLBAToMSFBCD(): EXITing with failure, convertion is incorrect #1\n";
const char* const g__PCHAR__Failure2 = "\nLBAToMSFBCD(): EXITing with failure, convertion is incorrect #2\n";

}  // namespace

TEST(LBAToMSFBCD, ProgramAreaLeadInAndOutOfRange) {
    const MsfCase l__Cases[] = {
        {0, {0x00, 0x02, 0x00}, TRUE, ""},
        {-150, {0x00, 0x00, 0x00}, TRUE, ""},
        {-151, {0x99, 0x59, 0x74}, TRUE, ""},
        {-45150, {0x90, 0x00, 0x00}, TRUE, ""},
        {-45151, {0xFF, 0xFF, 0xFF}, FALSE, g__PCHAR__Failure1},
        {404849, {0x89, 0x59, 0x74}, TRUE, ""},
        {404850, {0x90, 0x00, 0x00}, FALSE, g__PCHAR__Failure2},
        {449999, {0x00, 0x01, 0x74}, FALSE, g__PCHAR__Failure2},  // 100:01:74, two digits kept
        {450000, {0xFF, 0xFF, 0xFF}, FALSE, g__PCHAR__Failure1},
        {4425, {0x01, 0x01, 0x00}, TRUE, ""},
        {333299, {0x74, 0x05, 0x74}, TRUE, ""},
    };
    std::vector<std::string> l__Traced;
    for (const MsfCase& l__Case : l__Cases) {
        SCOPED_TRACE(l__Case.m__LONG__LBA);
        TraceCapture l__Trace;
        UCHAR l__UCHAR__MSF[3] = {0x5A, 0x5A, 0x5A};
        EXPECT_EQ(LBAToMSFBCD(l__Case.m__LONG__LBA, l__UCHAR__MSF), l__Case.m__BOOLEAN__Result);
        EXPECT_EQ(l__UCHAR__MSF[0], l__Case.m__UCHAR__MSF[0]);
        EXPECT_EQ(l__UCHAR__MSF[1], l__Case.m__UCHAR__MSF[1]);
        EXPECT_EQ(l__UCHAR__MSF[2], l__Case.m__UCHAR__MSF[2]);
        l__Traced.push_back(l__Trace.Text());
    }
    REQUIRE_TRACING();
    for (size_t l__size_t__Index = 0; l__size_t__Index < l__Traced.size(); ++l__size_t__Index) {
        SCOPED_TRACE(l__Cases[l__size_t__Index].m__LONG__LBA);
        EXPECT_EQ(l__Traced[l__size_t__Index], std::string(l__Cases[l__size_t__Index].m__PCHAR__Trace));
    }
}

TEST(LBAToRelativeMSFBCD, FrameSecondAndMinuteCarries) {
    const struct {
        LONG m__LONG__Blocks;
        UCHAR m__UCHAR__MSF[3];
    } l__Cases[] = {
        {0, {0x00, 0x00, 0x00}},    {74, {0x00, 0x00, 0x74}},   {75, {0x00, 0x01, 0x00}},
        {4499, {0x00, 0x59, 0x74}}, {4500, {0x01, 0x00, 0x00}}, {150, {0x00, 0x02, 0x00}},
    };
    TraceCapture l__Trace;
    for (const auto& l__Case : l__Cases) {
        SCOPED_TRACE(l__Case.m__LONG__Blocks);
        UCHAR l__UCHAR__MSF[3] = {0x5A, 0x5A, 0x5A};
        LBAToRelativeMSFBCD(l__Case.m__LONG__Blocks, l__UCHAR__MSF);
        EXPECT_EQ(l__UCHAR__MSF[0], l__Case.m__UCHAR__MSF[0]);
        EXPECT_EQ(l__UCHAR__MSF[1], l__Case.m__UCHAR__MSF[1]);
        EXPECT_EQ(l__UCHAR__MSF[2], l__Case.m__UCHAR__MSF[2]);
    }
    EXPECT_EQ(l__Trace.Text(), "");
}
