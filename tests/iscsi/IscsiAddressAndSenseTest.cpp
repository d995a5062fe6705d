// The pieces of the iSCSI drive kind that need no target: reading the address of a unit,
// and turning the sense data a target sends into what the request block carries.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "AspiBackend.h"
#include "AspiIscsiSense.h"
#include "AspiIscsiUrl.h"

namespace {

AspiIscsiUrl Parsed(const std::string& p__string__Text) {
    AspiIscsiUrl l__Url;
    std::string l__string__Error;
    EXPECT_TRUE(AspiIscsiUrl::Parse(p__string__Text, l__Url, l__string__Error)) << p__string__Text << ": " << l__string__Error;
    return l__Url;
}

std::string Refused(const std::string& p__string__Text) {
    AspiIscsiUrl l__Url;
    std::string l__string__Error;
    EXPECT_FALSE(AspiIscsiUrl::Parse(p__string__Text, l__Url, l__string__Error)) << p__string__Text;
    return l__string__Error;
}

TEST(IscsiAddress, HostPortTargetAndLun) {
    AspiIscsiUrl l__Url = Parsed("127.0.0.1:40123/iqn.2026-12.org.tarnwick:unit40123/1");
    EXPECT_EQ(l__Url.m__string__Host, "127.0.0.1");
    EXPECT_EQ(l__Url.m__int__Port, 40123);
    EXPECT_EQ(l__Url.m__string__Iqn, "iqn.2026-12.org.tarnwick:unit40123");
    EXPECT_EQ(l__Url.m__int__Lun, 1);
    EXPECT_EQ(l__Url.Portal(), "127.0.0.1:40123");

    l__Url = Parsed("burner.example/iqn.2001-04.example:dvd/0");
    EXPECT_EQ(l__Url.m__int__Port, 3260);
    EXPECT_EQ(l__Url.Portal(), "burner.example:3260");

    l__Url = Parsed("[fe80::1]:3261/iqn.x%3Ay/16383");
    EXPECT_EQ(l__Url.m__string__Host, "fe80::1");
    EXPECT_EQ(l__Url.Portal(), "[fe80::1]:3261");
    EXPECT_EQ(l__Url.m__string__Iqn, "iqn.x:y");
    EXPECT_EQ(l__Url.m__int__Lun, 16383);
}

TEST(IscsiAddress, MalformedAddressesAreRefusedWithTheCause) {
    EXPECT_NE(Refused("127.0.0.1").find("no target name and LUN"), std::string::npos);
    EXPECT_NE(Refused("127.0.0.1/iqn.x:y").find("no target name and LUN"), std::string::npos);
    EXPECT_NE(Refused("/iqn.x:y/1").find("no host"), std::string::npos);
    EXPECT_NE(Refused("host:/iqn.x:y/1").find("empty port"), std::string::npos);
    EXPECT_NE(Refused("host:0/iqn.x:y/1").find("bad port '0'"), std::string::npos);
    EXPECT_NE(Refused("host:65536/iqn.x:y/1").find("bad port"), std::string::npos);
    EXPECT_NE(Refused("host:32a/iqn.x:y/1").find("bad port"), std::string::npos);
    EXPECT_NE(Refused("host//1").find("no target name"), std::string::npos);
    EXPECT_NE(Refused("host/iqn.x%3/1").find("escape"), std::string::npos);
    EXPECT_NE(Refused("host/iqn.x%00y/1").find("escape"), std::string::npos);
    EXPECT_NE(Refused("host/iqn.x:y/").find("bad LUN"), std::string::npos);
    EXPECT_NE(Refused("host/iqn.x:y/-1").find("bad LUN"), std::string::npos);
    EXPECT_NE(Refused("host/iqn.x:y/16384").find("bad LUN"), std::string::npos);
    EXPECT_NE(Refused("[fe80::1/iqn.x:y/1").find("unclosed"), std::string::npos);
}

TEST(IscsiSense, FixedFormatIsKeptAndCutTo18Bytes) {
    std::vector<uint8_t> l__Sent(24, 0xAB);
    l__Sent[0] = 0xF0;  // valid bit with current error
    l__Sent[2] = 0x05;
    l__Sent[12] = 0x24;
    l__Sent[13] = 0x00;
    AspiIscsiSense::Fixed l__Sense = AspiIscsiSense::ToFixed(l__Sent.data(), l__Sent.size(), 0x03, 0x11, 0x22);
    EXPECT_EQ(0, std::memcmp(l__Sense.data(), l__Sent.data(), l__Sense.size()));

    // A short answer keeps what was sent; the rest is zero, with ASC/ASCQ as decoded.
    AspiIscsiSense::Fixed l__Short = AspiIscsiSense::ToFixed(l__Sent.data(), 8, 0x05, 0x24, 0x01);
    EXPECT_EQ(l__Short[2], 0x05);
    EXPECT_EQ(l__Short[8], 0x00);
    EXPECT_EQ(l__Short[12], 0x24);
    EXPECT_EQ(l__Short[13], 0x01);
}

TEST(IscsiSense, DescriptorFormatAndMissingSenseBecomeFixedFormat) {
    const uint8_t l__UCHAR__Descriptor[] = {0x72, 0x06, 0x28, 0x00, 0, 0, 0, 0};
    AspiIscsiSense::Fixed l__Sense = AspiIscsiSense::ToFixed(l__UCHAR__Descriptor, sizeof(l__UCHAR__Descriptor), 0, 0, 0);
    EXPECT_EQ(l__Sense[0], 0x70);
    EXPECT_EQ(l__Sense[2], 0x06);
    EXPECT_EQ(l__Sense[7], 10);
    EXPECT_EQ(l__Sense[12], 0x28);
    EXPECT_EQ(l__Sense[13], 0x00);

    const uint8_t l__UCHAR__Deferred[] = {0x73, 0x03, 0x0C, 0x00};
    EXPECT_EQ(AspiIscsiSense::ToFixed(l__UCHAR__Deferred, sizeof(l__UCHAR__Deferred), 0, 0, 0)[0], 0x71);

    AspiIscsiSense::Fixed l__Decoded = AspiIscsiSense::ToFixed(nullptr, 0, 0x02, 0x3A, 0x01);
    EXPECT_EQ(l__Decoded[0], 0x70);
    EXPECT_EQ(l__Decoded[2], 0x02);
    EXPECT_EQ(l__Decoded[12], 0x3A);
    EXPECT_EQ(l__Decoded[13], 0x01);

    const uint8_t l__UCHAR__Unknown[] = {0x00, 0x05, 0x20, 0x00};
    EXPECT_EQ(AspiIscsiSense::ToFixed(l__UCHAR__Unknown, sizeof(l__UCHAR__Unknown), 0x05, 0x20, 0x00)[12], 0x20);
}

// The request block with bytes behind it that no sense copy may reach.
struct GuardedSrb {
    SRB_ExecSCSICmd m__Srb{};
    uint8_t m__Guard[32];
};

TEST(IscsiSense, SenseStaysWithinTheAskedLengthAndTheSenseArea) {
    AspiIscsiSense::Fixed l__Sense = AspiIscsiSense::ToFixed(nullptr, 0, 0x05, 0x24, 0x00);
    GuardedSrb l__Block;
    std::memset(l__Block.m__Guard, 0x5A, sizeof(l__Block.m__Guard));
    std::memset(l__Block.m__Srb.SenseArea, 0xEE, sizeof(l__Block.m__Srb.SenseArea));

    l__Block.m__Srb.SRB_SenseLen = 4;
    EXPECT_EQ(AspiBackend::CheckCondition(l__Block.m__Srb, l__Sense.data(), l__Sense.size()), SS_ERR);
    EXPECT_EQ(l__Block.m__Srb.SRB_TargStat, STATUS_CHKCOND);
    EXPECT_EQ(l__Block.m__Srb.SenseArea[2], 0x05);
    EXPECT_EQ(l__Block.m__Srb.SenseArea[4], 0x00) << "bytes beyond SRB_SenseLen are cleared, not left";
    EXPECT_EQ(l__Block.m__Srb.SenseArea[12], 0x00);

    l__Block.m__Srb.SRB_SenseLen = 255;
    AspiBackend::CheckCondition(l__Block.m__Srb, l__Sense.data(), l__Sense.size());
    EXPECT_EQ(l__Block.m__Srb.SenseArea[12], 0x24);
    for (uint8_t l__UCHAR__Guard : l__Block.m__Guard) ASSERT_EQ(l__UCHAR__Guard, 0x5A);
}

}  // namespace
