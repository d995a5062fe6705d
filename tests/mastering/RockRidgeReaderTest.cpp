// The Rock Ridge reader on system-use areas put together entry by entry: every entry it
// knows, names and link targets in pieces, continuation areas, and areas that are damaged
// or random.
#include <gtest/gtest.h>

#include <sys/sysmacros.h>

#include <ctime>
#include <initializer_list>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "CTarnwick_RockRidgeReader.h"

namespace {

using Bytes = std::vector<UCHAR>;
using Reader = CTarnwick_RockRidgeReader;

void Both32(Bytes* p__Bytes, ULONG p__ULONG__Value) {
    for (int i = 0; i < 4; ++i) p__Bytes->push_back(static_cast<UCHAR>(p__ULONG__Value >> (8 * i)));
    for (int i = 3; i >= 0; --i) p__Bytes->push_back(static_cast<UCHAR>(p__ULONG__Value >> (8 * i)));
}

// One entry: signature, length, version 1, data. (Built byte by byte: GCC 12's optimiser
// warns falsely about inserts into a vector made from a list.)
Bytes Entry(const char* p__Signature, const Bytes& p__Data) {
    Bytes l__Entry;
    l__Entry.reserve(4 + p__Data.size());
    l__Entry.push_back(static_cast<UCHAR>(p__Signature[0]));
    l__Entry.push_back(static_cast<UCHAR>(p__Signature[1]));
    l__Entry.push_back(static_cast<UCHAR>(4 + p__Data.size()));
    l__Entry.push_back(1);
    for (UCHAR l__Byte : p__Data) l__Entry.push_back(l__Byte);
    return l__Entry;
}
Bytes Text(UCHAR p__Flags, const std::string& p__Text) {
    Bytes l__Data(1, p__Flags);
    for (char l__Char : p__Text) l__Data.push_back(static_cast<UCHAR>(l__Char));
    return l__Data;
}
Bytes NM(UCHAR p__Flags, const std::string& p__Name) { return Entry("NM", Text(p__Flags, p__Name)); }
// An SL entry of components (flags, text).
Bytes SL(UCHAR p__Flags, std::initializer_list<std::pair<UCHAR, std::string>> p__Components) {
    Bytes l__Data(1, p__Flags);
    for (const auto& [l__Flags, l__Text] : p__Components) {
        l__Data.push_back(l__Flags);
        l__Data.push_back(static_cast<UCHAR>(l__Text.size()));
        for (char l__Char : l__Text) l__Data.push_back(static_cast<UCHAR>(l__Char));
    }
    return Entry("SL", l__Data);
}
Bytes PX(ULONG p__Mode, ULONG p__Links, ULONG p__User, ULONG p__Group, bool p__WithSerial = false, ULONG p__Serial = 0) {
    Bytes l__Data;
    for (ULONG v : {p__Mode, p__Links, p__User, p__Group}) Both32(&l__Data, v);
    if (p__WithSerial) Both32(&l__Data, p__Serial);
    return Entry("PX", l__Data);
}
Bytes Location(const char* p__Signature, ULONG p__Block) {
    Bytes l__Data;
    Both32(&l__Data, p__Block);
    return Entry(p__Signature, l__Data);
}
Bytes PN(ULONG p__High, ULONG p__Low) {
    Bytes l__Data;
    Both32(&l__Data, p__High);
    Both32(&l__Data, p__Low);
    return Entry("PN", l__Data);
}
Bytes CE(ULONG p__Block, ULONG p__Offset, ULONG p__Length) {
    Bytes l__Data;
    for (ULONG v : {p__Block, p__Offset, p__Length}) Both32(&l__Data, v);
    return Entry("CE", l__Data);
}
Bytes ER(const std::string& p__Identifier) {
    Bytes l__Data = {static_cast<UCHAR>(p__Identifier.size()), 3, 0, 1};
    l__Data.insert(l__Data.end(), p__Identifier.begin(), p__Identifier.end());
    l__Data.insert(l__Data.end(), {'d', 'e', 's'});
    return Entry("ER", l__Data);
}
Bytes Cat(std::initializer_list<Bytes> p__Parts) {
    Bytes l__All;
    for (const Bytes& l__Part : p__Parts) l__All.insert(l__All.end(), l__Part.begin(), l__Part.end());
    return l__All;
}

// A 7-byte date and the Unix seconds of it, worked out with the C library.
Bytes ShortDate(int y, int mo, int d, int h, int mi, int s, signed char p__Quarters) {
    return {static_cast<UCHAR>(y - 1900), static_cast<UCHAR>(mo), static_cast<UCHAR>(d), static_cast<UCHAR>(h),
            static_cast<UCHAR>(mi), static_cast<UCHAR>(s), static_cast<UCHAR>(p__Quarters)};
}
Bytes LongDate(const std::string& p__Digits, signed char p__Quarters) {
    Bytes l__Date(p__Digits.begin(), p__Digits.end());
    l__Date.push_back(static_cast<UCHAR>(p__Quarters));
    return l__Date;
}
LONGLONG Seconds(int y, int mo, int d, int h, int mi, int s, int p__Quarters) {
    std::tm l__tm = {};
    l__tm.tm_year = y - 1900;
    l__tm.tm_mon = mo - 1;
    l__tm.tm_mday = d;
    l__tm.tm_hour = h;
    l__tm.tm_min = mi;
    l__tm.tm_sec = s;
    return static_cast<LONGLONG>(timegm(&l__tm)) - p__Quarters * 900LL;
}

// A disc of 2048-byte blocks the reader asks for continuation areas; it counts the asks.
class Disc {
public:
    // Puts an area at an offset of a block.
    void Put(ULONG p__Block, ULONG p__Offset, const Bytes& p__Area) {
        Bytes& l__Block = m__Blocks[p__Block];
        l__Block.resize(2048, 0);
        std::copy(p__Area.begin(), p__Area.end(), l__Block.begin() + p__Offset);
    }
    Reader::BlockReader Source() {
        return [this](ULONG p__Block, UCHAR* p__Buffer) {
            ++m__Reads;
            auto l__Found = m__Blocks.find(p__Block);
            if (l__Found == m__Blocks.end()) return false;
            std::copy(l__Found->second.begin(), l__Found->second.end(), p__Buffer);
            return true;
        };
    }
    int m__Reads = 0;

private:
    std::map<ULONG, Bytes> m__Blocks;
};

Reader Parsed(const Bytes& p__Area, ULONG p__Skip = 0, Reader::BlockReader p__Source = nullptr) {
    Reader l__Reader;
    l__Reader.Parse(p__Area.data(), static_cast<ULONG>(p__Area.size()), p__Skip, p__Source);
    return l__Reader;
}

TEST(RockRidgeReader, OneRecordGivesItsNameAttributesAndTimes) {
    const Bytes l__Area = Cat({PX(0100644, 2, 1000, 100, true, 4711), NM(0, "MixedCase.TXT"),
                               Entry("TF", Cat({{0x0E}, ShortDate(2021, 7, 9, 10, 11, 12, 8), ShortDate(2022, 1, 2, 3, 4, 5, 0),
                                                ShortDate(2023, 12, 31, 23, 59, 58, -20)}))});
    const Reader l__Reader = Parsed(l__Area);
    EXPECT_TRUE(l__Reader.HasRockRidge());
    ASSERT_TRUE(l__Reader.HasName());
    EXPECT_EQ(l__Reader.GetName(), "MixedCase.TXT");
    ASSERT_TRUE(l__Reader.HasPosixAttributes());
    const CTarnwick_RockRidgeAttributes& a = l__Reader.GetAttributes();
    EXPECT_EQ(a.m__ULONG__Mode, 0100644u);
    EXPECT_EQ(a.m__ULONG__Links, 2u);
    EXPECT_EQ(a.m__ULONG__User, 1000u);
    EXPECT_EQ(a.m__ULONG__Group, 100u);
    EXPECT_EQ(l__Reader.GetSerial(), 4711u);
    // Flags 0x0E: modify, access, attributes, in that order.
    EXPECT_EQ(l__Reader.GetTimeFlags(), Reader::TimeModify | Reader::TimeAccess | Reader::TimeAttribute);
    EXPECT_EQ(a.m__LONGLONG__ModifyTime, Seconds(2021, 7, 9, 10, 11, 12, 8));
    EXPECT_EQ(a.m__LONGLONG__AccessTime, Seconds(2022, 1, 2, 3, 4, 5, 0));
    EXPECT_EQ(a.m__LONGLONG__AttributeTime, Seconds(2023, 12, 31, 23, 59, 58, -20));
    EXPECT_FALSE(l__Reader.HasLinkTarget());
    EXPECT_FALSE(l__Reader.HasChildLink());
    EXPECT_FALSE(l__Reader.IsRelocated());
    EXPECT_EQ(l__Reader.GetProblemCount(), 0u);
    // A second parse forgets the first.
    Reader l__Again = l__Reader;
    const Bytes l__Other = NM(0, "x");
    l__Again.Parse(l__Other.data(), static_cast<ULONG>(l__Other.size()), 0, nullptr);
    EXPECT_EQ(l__Again.GetName(), "x");
    EXPECT_FALSE(l__Again.HasPosixAttributes());
    EXPECT_EQ(l__Again.GetTimeFlags(), 0u);
}

TEST(RockRidgeReader, PosixEntriesOfBothLengthsDevicesAndRelocations) {
    // The older 36-byte PX has no serial number; one shorter than that is no PX.
    const Reader l__Old = Parsed(PX(040755, 3, 0, 0));
    ASSERT_TRUE(l__Old.HasPosixAttributes());
    EXPECT_EQ(l__Old.GetAttributes().m__ULONG__Mode, 040755u);
    EXPECT_EQ(l__Old.GetAttributes().m__ULONG__Links, 3u);
    EXPECT_EQ(l__Old.GetSerial(), 0u);
    Bytes l__Short = PX(0100644, 1, 0, 0);
    l__Short.resize(30);
    l__Short[2] = 30;
    const Reader l__Broken = Parsed(l__Short);
    EXPECT_FALSE(l__Broken.HasPosixAttributes());
    EXPECT_EQ(l__Broken.GetProblemCount(), 1u);

    // PN: a high word gives the major number; a high word of 0 leaves a Linux device number.
    const Reader l__Split = Parsed(PN(8, 17));
    ASSERT_TRUE(l__Split.HasDevice());
    EXPECT_EQ(l__Split.GetAttributes().m__ULONG__DeviceMajor, 8u);
    EXPECT_EQ(l__Split.GetAttributes().m__ULONG__DeviceMinor, 17u);
    for (auto [l__Major, l__Minor] : {std::pair{8u, 1u}, std::pair{259u, 300000u}, std::pair{4095u, 255u}}) {
        const Reader l__Linux = Parsed(PN(0, static_cast<ULONG>(makedev(l__Major, l__Minor))));
        EXPECT_EQ(l__Linux.GetAttributes().m__ULONG__DeviceMajor, l__Major);
        EXPECT_EQ(l__Linux.GetAttributes().m__ULONG__DeviceMinor, l__Minor);
    }

    const Reader l__Placeholder = Parsed(Cat({Location("CL", 123456), NM(0, "deep")}));
    ASSERT_TRUE(l__Placeholder.HasChildLink());
    EXPECT_EQ(l__Placeholder.GetChildLink(), 123456u);
    EXPECT_FALSE(l__Placeholder.IsRelocated());
    const Reader l__Relocated = Parsed(Cat({Entry("RE", {}), Location("PL", 77)}));
    EXPECT_TRUE(l__Relocated.IsRelocated());
    ASSERT_TRUE(l__Relocated.HasParentLink());
    EXPECT_EQ(l__Relocated.GetParentLink(), 77u);
    EXPECT_FALSE(l__Relocated.HasChildLink());
    EXPECT_FALSE(l__Relocated.HasName());
}

TEST(RockRidgeReader, NamePiecesAreJoinedAcrossEntriesAndContinuationAreas) {
    Disc l__Disc;
    l__Disc.Put(40, 100, Cat({NM(1, "-third"), CE(41, 0, 20)}));
    l__Disc.Put(41, 0, NM(0, "-last"));
    const Reader l__Reader = Parsed(Cat({NM(1, "first"), NM(1, "-second"), CE(40, 100, 200)}), 0, l__Disc.Source());
    EXPECT_EQ(l__Reader.GetName(), "first-second-third-last");
    ASSERT_EQ(l__Reader.GetContinuationAreas().size(), 2u);
    EXPECT_EQ(l__Reader.GetContinuationAreas()[0].m__ULONG__Block, 40u);
    EXPECT_EQ(l__Reader.GetContinuationAreas()[0].m__ULONG__Offset, 100u);
    EXPECT_EQ(l__Reader.GetContinuationAreas()[0].m__ULONG__Length, 200u);
    EXPECT_EQ(l__Reader.GetContinuationAreas()[1].m__ULONG__Block, 41u);
    EXPECT_EQ(l__Reader.GetProblemCount(), 0u);

    // A name ends at the piece without CONTINUE; a later NM does not add to it.
    EXPECT_EQ(Parsed(Cat({NM(0, "whole"), NM(0, "more")})).GetName(), "whole");
    // CURRENT and PARENT stand for "." and "..": no name.
    EXPECT_FALSE(Parsed(NM(2, "")).HasName());
    EXPECT_FALSE(Parsed(NM(4, "")).HasName());
    EXPECT_TRUE(Parsed(NM(4, "")).HasRockRidge());
    // A name still continued when the entries end is kept as far as it was read.
    EXPECT_EQ(Parsed(NM(1, "cut")).GetName(), "cut");
    // Without a block source the continuation area is not read.
    EXPECT_EQ(Parsed(Cat({NM(1, "first"), CE(40, 100, 200)})).GetName(), "first");
}

TEST(RockRidgeReader, LinkTargetsFromComponents) {
    struct Case {
        Bytes m__Area;
        std::string m__Target;
    };
    const std::vector<Case> l__Cases = {
        {SL(0, {{0x08, ""}, {0, "abs"}, {0, "path"}}), "/abs/path"},
        {SL(0, {{0x04, ""}, {0, "rel"}}), "../rel"},
        {SL(0, {{0x02, ""}}), "."},
        {SL(0, {{0x02, ""}, {0x04, ""}, {0x04, ""}, {0, "x"}}), "./../../x"},
        // A component continued in the next component, and in the next SL entry.
        {Cat({SL(1, {{0, "a"}, {1, "lo"}}), SL(0, {{0, "ng"}, {0, "b"}})}), "a/long/b"},
        // Components split between SL entries without a continued component.
        {Cat({SL(1, {{0x08, ""}, {0, "etc"}}), SL(0, {{0, "hostname"}})}), "/etc/hostname"},
        // A link that is whole ends the SL entries.
        {Cat({SL(0, {{0, "one"}}), SL(0, {{0, "two"}})}), "one"},
    };
    for (const Case& l__Case : l__Cases) {
        SCOPED_TRACE(l__Case.m__Target);
        const Reader l__Reader = Parsed(l__Case.m__Area);
        ASSERT_TRUE(l__Reader.HasLinkTarget());
        EXPECT_EQ(l__Reader.GetAttributes().m__string__LinkTarget, l__Case.m__Target);
        EXPECT_EQ(l__Reader.GetProblemCount(), 0u);
    }
    // The rest of a target in a continuation area.
    Disc l__Disc;
    l__Disc.Put(9, 2000, SL(0, {{0, "er"}, {0, "file"}}));
    const Reader l__Continued =
        Parsed(Cat({SL(1, {{0x04, ""}, {1, "deep"}}), CE(9, 2000, 48)}), 0, l__Disc.Source());
    EXPECT_EQ(l__Continued.GetAttributes().m__string__LinkTarget, "../deeper/file");
    // A component longer than its entry: the components before it stay.
    Bytes l__Overrun = SL(0, {{0x08, ""}, {0, "usr"}, {0, "local"}});
    l__Overrun[l__Overrun.size() - 6] = 40;
    const Reader l__Cut = Parsed(l__Overrun);
    EXPECT_EQ(l__Cut.GetAttributes().m__string__LinkTarget, "/usr");
    EXPECT_EQ(l__Cut.GetProblemCount(), 1u);
}

TEST(RockRidgeReader, TimesInShortAndLongForm) {
    // Long form (0x80) with creation, modify, access and attributes: creation is not kept.
    const Bytes l__Long = Entry("TF", Cat({{0x8F}, LongDate("1999123123595900", 0), LongDate("2004022912000050", 4),
                                           LongDate("2010060708091000", -8), LongDate("2030010100000099", 0)}));
    const Reader l__Reader = Parsed(l__Long);
    EXPECT_EQ(l__Reader.GetTimeFlags(), Reader::TimeModify | Reader::TimeAccess | Reader::TimeAttribute);
    EXPECT_EQ(l__Reader.GetAttributes().m__LONGLONG__ModifyTime, Seconds(2004, 2, 29, 12, 0, 0, 4));
    EXPECT_EQ(l__Reader.GetAttributes().m__LONGLONG__AccessTime, Seconds(2010, 6, 7, 8, 9, 10, -8));
    EXPECT_EQ(l__Reader.GetAttributes().m__LONGLONG__AttributeTime, Seconds(2030, 1, 1, 0, 0, 0, 0));
    // Unset stamps (month 0, year "0000") and stamps that are no date give no time.
    const Bytes l__Unset = Entry("TF", Cat({{0x06}, Bytes(7, 0), ShortDate(1970, 13, 1, 0, 0, 0, 0)}));
    EXPECT_EQ(Parsed(l__Unset).GetTimeFlags(), 0u);
    const Bytes l__UnsetLong = Entry("TF", Cat({{0x82}, LongDate("0000000000000000", 0)}));
    EXPECT_EQ(Parsed(l__UnsetLong).GetTimeFlags(), 0u);
    const Bytes l__NotDigits = Entry("TF", Cat({{0x82}, LongDate("2020x10100000000", 0)}));
    EXPECT_EQ(Parsed(l__NotDigits).GetTimeFlags(), 0u);
    // An entry shorter than its flags say keeps the stamps that fit.
    Bytes l__Short = Entry("TF", Cat({{0x06}, ShortDate(2001, 2, 3, 4, 5, 6, 0), ShortDate(2002, 2, 3, 4, 5, 6, 0)}));
    l__Short.resize(l__Short.size() - 3);
    l__Short[2] = static_cast<UCHAR>(l__Short.size());
    const Reader l__Partial = Parsed(l__Short);
    EXPECT_EQ(l__Partial.GetTimeFlags(), Reader::TimeModify);
    EXPECT_EQ(l__Partial.GetAttributes().m__LONGLONG__ModifyTime, Seconds(2001, 2, 3, 4, 5, 6, 0));
    EXPECT_EQ(l__Partial.GetProblemCount(), 1u);
    // The record date helper: the GMT offset is taken off.
    LONGLONG l__Seconds = 0;
    ASSERT_TRUE(Reader::SecondsOfShortDate(ShortDate(2026, 3, 4, 5, 6, 7, 4).data(), &l__Seconds));
    EXPECT_EQ(l__Seconds, Seconds(2026, 3, 4, 5, 6, 7, 4));
    EXPECT_FALSE(Reader::SecondsOfShortDate(Bytes(7, 0).data(), &l__Seconds));
}

TEST(RockRidgeReader, SharingProtocolSkipLengthAndSystemUseArea) {
    ULONG l__Skip = 99;
    const Bytes l__Sp = Entry("SP", {0xBE, 0xEF, 14});
    ASSERT_TRUE(Reader::FindSharingProtocol(l__Sp.data(), static_cast<ULONG>(l__Sp.size()), &l__Skip));
    EXPECT_EQ(l__Skip, 14u);
    EXPECT_FALSE(Reader::FindSharingProtocol(Entry("SP", {0xBE, 0xEE, 0}).data(), 7, &l__Skip));
    EXPECT_FALSE(Reader::FindSharingProtocol(Entry("PX", {0xBE, 0xEF, 0}).data(), 7, &l__Skip));
    EXPECT_FALSE(Reader::FindSharingProtocol(l__Sp.data(), 6, &l__Skip));
    // Entries start after the skipped bytes (here 14 bytes of another system's data that
    // would read as an entry of length 0x20).
    Bytes l__Area(14, 0x20);
    const Bytes l__Name = NM(0, "after");
    l__Area.insert(l__Area.end(), l__Name.begin(), l__Name.end());
    EXPECT_EQ(Parsed(l__Area, 14).GetName(), "after");
    EXPECT_FALSE(Parsed(l__Area, 0).HasName());
    EXPECT_FALSE(Parsed(l__Area, 200).HasName());
    // The SP of the root's "." is no Rock Ridge entry; the ER of the extension is.
    EXPECT_FALSE(Parsed(l__Sp).HasRockRidge());
    for (const char* l__Id : {"RRIP_1991A", "IEEE_P1282", "IEEE_1282"}) {
        EXPECT_TRUE(Parsed(Cat({l__Sp, ER(l__Id)})).HasRockRidgeExtension()) << l__Id;
        EXPECT_TRUE(Parsed(Cat({l__Sp, ER(l__Id)})).HasRockRidge()) << l__Id;
    }
    EXPECT_FALSE(Parsed(ER("OTHER_EXT")).HasRockRidge());
    Bytes l__BadEr = ER("IEEE_P1282");
    l__BadEr[4] = 200;  // identifier past the entry
    EXPECT_FALSE(Parsed(l__BadEr).HasRockRidge());
    EXPECT_EQ(Parsed(l__BadEr).GetProblemCount(), 1u);

    // Where the area of a record starts: identifiers of odd length take no padding byte.
    Bytes l__Record(60, 0);
    ULONG l__Offset = 0, l__Length = 0;
    l__Record[32] = 1;
    ASSERT_TRUE(Reader::FindSystemUseArea(l__Record.data(), 60, &l__Offset, &l__Length));
    EXPECT_EQ(l__Offset, 34u);
    EXPECT_EQ(l__Length, 26u);
    l__Record[32] = 12;
    ASSERT_TRUE(Reader::FindSystemUseArea(l__Record.data(), 60, &l__Offset, &l__Length));
    EXPECT_EQ(l__Offset, 46u);
    EXPECT_EQ(l__Length, 14u);
    ASSERT_TRUE(Reader::FindSystemUseArea(l__Record.data(), 45, &l__Offset, &l__Length));
    EXPECT_EQ(l__Length, 0u);
    l__Record[32] = 28;
    EXPECT_FALSE(Reader::FindSystemUseArea(l__Record.data(), 60, &l__Offset, &l__Length));
    EXPECT_FALSE(Reader::FindSystemUseArea(l__Record.data(), 30, &l__Offset, &l__Length));
}

TEST(RockRidgeReader, MalformedEntriesEndTheirAreaAndKeepWhatWasRead) {
    const Bytes l__Px = PX(0100600, 1, 5, 6);
    // An entry of length 0 (not padding) and one below 4: what follows is not read.
    for (UCHAR l__Length : {0, 3}) {
        const Bytes l__Area = Cat({NM(0, "kept"), Bytes{'X', 'Y', l__Length, 1}, l__Px});
        const Reader l__Reader = Parsed(l__Area);
        EXPECT_EQ(l__Reader.GetName(), "kept");
        EXPECT_FALSE(l__Reader.HasPosixAttributes());
        EXPECT_EQ(l__Reader.GetProblemCount(), 1u) << int{l__Length};
    }
    // An entry whose length runs past the area.
    Bytes l__Overlong = Cat({NM(0, "kept"), l__Px});
    l__Overlong[l__Overlong.size() - l__Px.size() + 2] = 200;
    EXPECT_EQ(Parsed(l__Overlong).GetName(), "kept");
    EXPECT_FALSE(Parsed(l__Overlong).HasPosixAttributes());
    EXPECT_EQ(Parsed(l__Overlong).GetProblemCount(), 1u);
    // A truncated area: the cut entry is not read.
    Bytes l__Truncated = Cat({l__Px, NM(0, "lost")});
    l__Truncated.resize(l__Truncated.size() - 2);
    EXPECT_TRUE(Parsed(l__Truncated).HasPosixAttributes());
    EXPECT_FALSE(Parsed(l__Truncated).HasName());
    // Unknown signatures are skipped, zero padding ends the area quietly, ST ends it.
    const Reader l__Unknown = Parsed(Cat({Entry("ZZ", {1, 2, 3}), Entry("PD", {0, 0}), NM(0, "after"), Bytes(6, 0)}));
    EXPECT_EQ(l__Unknown.GetName(), "after");
    EXPECT_EQ(l__Unknown.GetProblemCount(), 0u);
    const Reader l__Stopped = Parsed(Cat({l__Px, Entry("ST", {}), NM(0, "after-st")}));
    EXPECT_TRUE(l__Stopped.HasPosixAttributes());
    EXPECT_FALSE(l__Stopped.HasName());
    EXPECT_EQ(l__Stopped.GetProblemCount(), 0u);
}

TEST(RockRidgeReader, ContinuationAreasAreBoundedAndReadOnce) {
    // An area that leads back to itself is read once.
    Disc l__Loop;
    l__Loop.Put(50, 0, Cat({NM(1, "x"), CE(50, 0, 40)}));
    const Reader l__Looped = Parsed(Cat({NM(1, "a"), CE(50, 0, 40)}), 0, l__Loop.Source());
    EXPECT_EQ(l__Looped.GetName(), "ax");
    EXPECT_EQ(l__Looped.GetContinuationAreas().size(), 1u);
    EXPECT_EQ(l__Loop.m__Reads, 1);
    EXPECT_EQ(l__Looped.GetProblemCount(), 1u);
    // Two areas that lead to each other.
    Disc l__Pair;
    l__Pair.Put(60, 0, Cat({NM(1, "1"), CE(61, 8, 40)}));
    l__Pair.Put(61, 8, Cat({NM(1, "2"), CE(60, 0, 40)}));
    const Reader l__Paired = Parsed(CE(60, 0, 40), 0, l__Pair.Source());
    EXPECT_EQ(l__Paired.GetName(), "12");
    EXPECT_EQ(l__Pair.m__Reads, 2);
    // A chain of 30 areas: the first MaximumContinuationAreas are followed.
    Disc l__Chain;
    for (ULONG l__Block = 100; l__Block < 130; ++l__Block) l__Chain.Put(l__Block, 0, Cat({NM(1, "n"), CE(l__Block + 1, 0, 40)}));
    const Reader l__Chained = Parsed(CE(100, 0, 40), 0, l__Chain.Source());
    EXPECT_EQ(l__Chained.GetContinuationAreas().size(), Reader::MaximumContinuationAreas);
    EXPECT_EQ(l__Chained.GetName(), std::string(Reader::MaximumContinuationAreas, 'n'));
    EXPECT_EQ(l__Chain.m__Reads, static_cast<int>(Reader::MaximumContinuationAreas));
    // Areas that do not lie inside one block, an empty one, and one the source refuses.
    for (auto [l__Offset, l__Length] : {std::pair{2000u, 49u}, std::pair{2048u, 1u}, std::pair{0u, 2049u},
                                         std::pair{10u, 0xFFFFFFFFu}, std::pair{0u, 0u}}) {
        Disc l__Disc;
        l__Disc.Put(7, 0, NM(0, "never"));
        const Reader l__Reader = Parsed(Cat({NM(1, "a"), CE(7, l__Offset, l__Length)}), 0, l__Disc.Source());
        EXPECT_EQ(l__Reader.GetName(), "a") << l__Offset << "+" << l__Length;
        EXPECT_EQ(l__Disc.m__Reads, 0);
        EXPECT_EQ(l__Reader.GetProblemCount(), 1u);
    }
    Disc l__Empty;
    const Reader l__Refused = Parsed(Cat({NM(1, "a"), CE(8, 0, 10)}), 0, l__Empty.Source());
    EXPECT_EQ(l__Refused.GetName(), "a");
    EXPECT_EQ(l__Empty.m__Reads, 1);
    EXPECT_EQ(l__Refused.GetProblemCount(), 1u);
    EXPECT_TRUE(l__Refused.GetContinuationAreas().empty());
    // Only the first CE of an area counts.
    Disc l__Two;
    l__Two.Put(3, 0, NM(0, "first"));
    l__Two.Put(4, 0, NM(0, "second"));
    const Reader l__First = Parsed(Cat({CE(3, 0, 20), CE(4, 0, 20)}), 0, l__Two.Source());
    EXPECT_EQ(l__First.GetName(), "first");
    EXPECT_EQ(l__Two.m__Reads, 1);
}

TEST(RockRidgeReader, NamesAndTargetsAreCutAtTheLongestPathLength) {
    Disc l__Disc;
    Bytes l__Area;
    // 12 areas of 500 name bytes each: 6,000 bytes offered.
    for (ULONG l__Block = 1; l__Block <= 12; ++l__Block) {
        const std::string l__Piece(250, static_cast<char>('a' + l__Block));
        l__Disc.Put(l__Block, 0, Cat({NM(1, l__Piece), NM(1, l__Piece), CE(l__Block + 1, 0, 600)}));
    }
    const Reader l__Name = Parsed(CE(1, 0, 600), 0, l__Disc.Source());
    ASSERT_EQ(l__Name.GetName().size(), Reader::MaximumTextLength);
    EXPECT_EQ(l__Name.GetName().substr(0, 500), std::string(500, 'b'));
    EXPECT_EQ(l__Name.GetName().back(), 'j');  // 8 whole areas, then 95 bytes of the ninth
    Bytes l__Links;
    for (int i = 0; i < 18; ++i) {
        const Bytes l__Entry = SL(1, {{0, std::string(240, 'x')}});
        l__Links.insert(l__Links.end(), l__Entry.begin(), l__Entry.end());
    }
    const Reader l__Target = Parsed(l__Links);
    EXPECT_EQ(l__Target.GetAttributes().m__string__LinkTarget.size(), Reader::MaximumTextLength);
}

// Random bytes, random entries with plausible signatures, and every truncation of a real
// area: the reader returns, its texts and continuation areas stay within their bounds.
TEST(RockRidgeReader, RandomAndTruncatedAreasNeverCrashOrLoop) {
    std::mt19937 l__Random(20260308);
    static const char* const s__Signatures[] = {"SP", "CE", "ER", "ST", "PX", "PN", "SL", "NM", "TF", "RE", "CL", "PL", "RR", "PD"};
    auto l__Byte = [&] { return static_cast<UCHAR>(l__Random() & 0xFF); };
    auto l__RandomArea = [&](size_t p__Size, bool p__Plausible) {
        Bytes l__Area;
        while (l__Area.size() < p__Size) {
            if (!p__Plausible || l__Random() % 8 == 0) {
                l__Area.push_back(l__Byte());
                continue;
            }
            const char* l__Signature = s__Signatures[l__Random() % std::size(s__Signatures)];
            if (l__Signature[0] == 'C' && l__Signature[1] == 'E' && l__Random() % 2 == 0) {
                // A well-formed CE, so that continuation areas are followed often.
                const ULONG l__Offset = l__Random() % 2048;
                const Bytes l__Ce = CE(l__Random() % 10, l__Offset, 1 + l__Random() % (2048 - l__Offset));
                l__Area.insert(l__Area.end(), l__Ce.begin(), l__Ce.end());
                continue;
            }
            const UCHAR l__Length = static_cast<UCHAR>(l__Random() % 4 == 0 ? l__Byte() : 4 + l__Random() % 40);
            Bytes l__Entry = {static_cast<UCHAR>(l__Signature[0]), static_cast<UCHAR>(l__Signature[1]), l__Length, 1};
            for (int i = 4; i < l__Length; ++i) l__Entry.push_back(l__Random() % 3 == 0 ? static_cast<UCHAR>(l__Random() % 8) : l__Byte());
            l__Area.insert(l__Area.end(), l__Entry.begin(), l__Entry.end());
        }
        l__Area.resize(p__Size);
        return l__Area;
    };
    // Continuation blocks are random too, the same for each block number; CE entries name
    // blocks 0-7 so that they are met again and again.
    std::map<ULONG, Bytes> l__Blocks;
    for (ULONG l__Block = 0; l__Block < 8; ++l__Block) l__Blocks[l__Block] = l__RandomArea(2048, true);
    int l__Reads = 0;
    const Reader::BlockReader l__Source = [&](ULONG p__Block, UCHAR* p__Buffer) {
        ++l__Reads;
        auto l__Found = l__Blocks.find(p__Block % 8);
        if (p__Block > 1000) return false;
        std::copy(l__Found->second.begin(), l__Found->second.end(), p__Buffer);
        return true;
    };
    size_t l__Names = 0, l__Problems = 0;
    for (int l__Round = 0; l__Round < 20000; ++l__Round) {
        const size_t l__Size = l__Random() % 256;
        // Bytes owned by a vector of just that size, so that a read past the area is caught.
        const Bytes l__Area = l__RandomArea(l__Size, l__Round % 2 == 0);
        const int l__Before = l__Reads;
        Reader l__Reader;
        l__Reader.Parse(l__Area.data(), static_cast<ULONG>(l__Area.size()), l__Random() % 4 == 0 ? l__Random() % 16 : 0,
                        l__Source);
        ASSERT_LE(l__Reader.GetName().size(), Reader::MaximumTextLength);
        ASSERT_LE(l__Reader.GetAttributes().m__string__LinkTarget.size(), Reader::MaximumTextLength);
        ASSERT_LE(l__Reader.GetContinuationAreas().size(), Reader::MaximumContinuationAreas);
        ASSERT_LE(l__Reads - l__Before, static_cast<int>(Reader::MaximumContinuationAreas));
        l__Names += l__Reader.HasName() ? 1 : 0;
        l__Problems += l__Reader.GetProblemCount() != 0 ? 1 : 0;
    }
    // The plausible half reaches the entry readers, not only the length check.
    EXPECT_GT(l__Names, 100u);
    EXPECT_GT(l__Problems, 100u);
    EXPECT_GT(l__Reads, 100);

    // Every truncation of an area holding each kind of entry.
    const Bytes l__Whole = Cat({Entry("SP", {0xBE, 0xEF, 0}), PX(0120777, 1, 0, 0, true, 9), NM(1, "na"), NM(0, "me"),
                                SL(0, {{0x08, ""}, {0, "t"}}), PN(0, 0x801),
                                Entry("TF", Cat({{0x86}, LongDate("2020010203040500", 0), LongDate("2020010203040500", 0)})),
                                Location("CL", 5), Location("PL", 6), Entry("RE", {}), ER("IEEE_P1282"), CE(3, 0, 64),
                                Entry("ST", {})});
    for (size_t l__Size = 0; l__Size <= l__Whole.size(); ++l__Size) {
        const Bytes l__Cut(l__Whole.begin(), l__Whole.begin() + static_cast<long>(l__Size));
        Reader l__Reader;
        l__Reader.Parse(l__Cut.data(), static_cast<ULONG>(l__Cut.size()), 0, nullptr);
        if (l__Size == l__Whole.size()) {
            EXPECT_EQ(l__Reader.GetName(), "name");
            EXPECT_EQ(l__Reader.GetAttributes().m__string__LinkTarget, "/t");
            EXPECT_EQ(l__Reader.GetChildLink(), 5u);
            EXPECT_TRUE(l__Reader.IsRelocated());
            EXPECT_TRUE(l__Reader.HasRockRidgeExtension());
        }
    }
}

}  // namespace
