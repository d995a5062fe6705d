// The iSCSI target the end-to-end tests burn onto: it starts on a free port, offers an MMC
// unit that an independent initiator (iscsi-inq) sees, and ends when killed.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ExternalTool.h"
#include "ScratchDirectory.h"
#include "TgtdTarget.h"

namespace {

std::string Output(const std::string& p__string__Command) {
    std::string l__string__Output;
    FILE* l__Pipe = ::popen((p__string__Command + " 2>&1").c_str(), "r");
    if (l__Pipe == nullptr) return l__string__Output;
    char l__CHAR__Buffer[512];
    while (std::fgets(l__CHAR__Buffer, sizeof(l__CHAR__Buffer), l__Pipe) != nullptr) l__string__Output += l__CHAR__Buffer;
    ::pclose(l__Pipe);
    return l__string__Output;
}

TEST(TgtdTarget, OffersAnMmcUnitUntilKilled) {
    REQUIRE_TGTD();
    REQUIRE_TOOL("iscsi-inq");
    ScratchDirectory l__Scratch;
    TgtdTarget l__Target(l__Scratch / "disc.img");
    ASSERT_TRUE(l__Target.Started()) << l__Target.Failure();
    std::string l__string__Inquiry = Output("iscsi-inq " + l__Target.Url());
    EXPECT_NE(l__string__Inquiry.find("Peripheral Device Type:MMC"), std::string::npos) << l__string__Inquiry;
    l__Target.Kill();
    EXPECT_EQ(l__Target.Pid(), -1);
    l__string__Inquiry = Output("iscsi-inq " + l__Target.Url());
    EXPECT_EQ(l__string__Inquiry.find("Peripheral Device Type:MMC"), std::string::npos);
}

TEST(TgtdTarget, TwoTargetsRunSideBySide) {
    REQUIRE_TGTD();
    ScratchDirectory l__Scratch;
    TgtdTarget l__First(l__Scratch / "first.img");
    TgtdTarget l__Second(l__Scratch / "second.img");
    ASSERT_TRUE(l__First.Started()) << l__First.Failure();
    ASSERT_TRUE(l__Second.Started()) << l__Second.Failure();
    EXPECT_NE(l__First.Port(), l__Second.Port());
    EXPECT_NE(l__First.Url(), l__Second.Url());
}

}  // namespace
