// The names Quorvane gives: the date directory and the renames of colliding names.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "CTarnwick_QuorvaneNames.h"
#include "CTarnwick_Utf16.h"

namespace {

std::string RenameIso(CTarnwick_QuorvaneNames& p__Names, const std::string& p__Name, size_t p__Capacity = 520) {
    std::string l__Buffer(p__Capacity, '\0');
    std::memcpy(l__Buffer.data(), p__Name.data(), std::min(p__Name.size(), p__Capacity - 1));
    p__Names.RenameISO9660(l__Buffer.data(), p__Capacity);
    return std::string(l__Buffer.c_str());
}

std::string RenameJoliet(const std::string& p__Name, const char* p__Time, size_t p__Bytes = 520) {
    std::string l__Buffer(p__Bytes, '\0');
    const std::u16string l__Wide = CTarnwick_Utf16::FromUtf8(p__Name);
    std::memcpy(l__Buffer.data(), l__Wide.data(), std::min(l__Wide.size() * 2, p__Bytes - 2));
    CTarnwick_QuorvaneNames::RenameJoliet(reinterpret_cast<PUCHAR>(l__Buffer.data()), p__Bytes, p__Time);
    return CTarnwick_Utf16::ToUtf8(
        CTarnwick_Utf16::FromTerminated(reinterpret_cast<const UCHAR*>(l__Buffer.data()), p__Bytes));
}

const char* const TIME = "Mon Dec  7 17:29:19 2026\n";

TEST(QuorvaneNames, Iso9660RenameCountsAcrossTheRunAndCutsLongStems) {
    CTarnwick_QuorvaneNames l__Names;
    EXPECT_EQ(RenameIso(l__Names, "README.TXT;1"), "README1.TXT;1");
    // The counter is one for the whole run, whatever the directory.
    EXPECT_EQ(RenameIso(l__Names, "README.TXT;1"), "README2.TXT;1");
    // A stem of 9 or more characters is cut to 7; one of 8 stays whole.
    EXPECT_EQ(RenameIso(l__Names, "ABCDEFGHI"), "ABCDEFG3");
    EXPECT_EQ(RenameIso(l__Names, "ABCDEFGHIJKLMNOP.TXT;1"), "ABCDEFG4.TXT;1");
    EXPECT_EQ(RenameIso(l__Names, "ABCDEFGH"), "ABCDEFGH5");
    EXPECT_EQ(RenameIso(l__Names, "ABCDEFGH.C;1"), "ABCDEFGH6.C;1");
    // Short names are padded first; a dot more than 4 places before the stem end is no extension.
    EXPECT_EQ(RenameIso(l__Names, "A"), "A07");
    EXPECT_EQ(RenameIso(l__Names, "AB.CDEFGH"), "AB.CDEF8");
    EXPECT_EQ(l__Names.m__LONG__RenameCounter, 9);
    // The name never leaves its buffer.
    EXPECT_EQ(RenameIso(l__Names, "ABCDEFGH.TXT;1", 8), "ABCDEFG");
}

TEST(QuorvaneNames, JolietRenameAddsTheTimeWithUnderscores) {
    EXPECT_EQ(RenameJoliet("Report.txt;1", TIME), "Report_Mon_Dec__7_17_29_19_2026_.txt;1");
    // Without an extension the line feed of the time is dropped; the stem is never cut.
    EXPECT_EQ(RenameJoliet("A long directory name", TIME), "A long directory name_Mon_Dec__7_17_29_19_2026");
    EXPECT_EQ(RenameJoliet("x", TIME), "x0_Mon_Dec__7_17_29_19_2026");
    // Wide characters stay as they are.
    EXPECT_EQ(RenameJoliet("Stra\u00dfe.doc;1", TIME), "Stra\u00dfe_Mon_Dec__7_17_29_19_2026_.doc;1");
    // A small buffer keeps its terminator.
    EXPECT_EQ(RenameJoliet("Report.txt;1", TIME, 20), "Report_Mo");
}

TEST(QuorvaneNames, DateNameIsTheLocalTimeWithUnderscores) {
    const char* l__Saved = std::getenv("TZ");
    const std::string l__Old = l__Saved ? l__Saved : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_EQ(CTarnwick_QuorvaneNames::DateName(0), "Thu_Jan__1_00_00_00_1970");
    EXPECT_EQ(CTarnwick_QuorvaneNames::DateName(1796664559), "Mon_Dec__7_17_29_19_2026");
    EXPECT_EQ(CTarnwick_QuorvaneNames::DateName(1797000000), "Fri_Dec_11_14_40_00_2026");
    if (l__Saved) {
        ::setenv("TZ", l__Old.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
}

}  // namespace
