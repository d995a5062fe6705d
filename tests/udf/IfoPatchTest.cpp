// Patching the sector numbers of DVD-Video IFO and BUP files held in memory.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "ScratchDirectory.h"
#include "TraceCapture.h"
#include "tarnwick.h"

namespace {

// A copy of a field of a packed record (a reference to it may be misaligned).
template <class T>
T Value(T p__Value) {
    return p__Value;
}

ULONG Be32(const UCHAR* p__PUCHAR__At) {
    return (static_cast<ULONG>(p__PUCHAR__At[0]) << 24) | (p__PUCHAR__At[1] << 16) | (p__PUCHAR__At[2] << 8) | p__PUCHAR__At[3];
}
void PutBe32(std::string* p__Pstring__Bytes, size_t p__SIZE__At, ULONG p__ULONG__Value) {
    for (int l__int__Byte = 0; l__int__Byte < 4; ++l__int__Byte) {
        (*p__Pstring__Bytes)[p__SIZE__At + l__int__Byte] = static_cast<char>(p__ULONG__Value >> (24 - 8 * l__int__Byte));
    }
}

// A video manager of three sectors whose title table (sector 1) lists titles of the given title sets.
std::string VideoManager(const std::vector<UCHAR>& p__TitleSets) {
    std::string l__string__Bytes(3 * 2048, '\0');
    l__string__Bytes.replace(0, 12, "DVDVIDEO-VMG");
    PutBe32(&l__string__Bytes, 12, 0xDEADBEEF);
    PutBe32(&l__string__Bytes, 196, 1);
    l__string__Bytes[2048] = 0;
    l__string__Bytes[2049] = static_cast<char>(p__TitleSets.size());
    for (size_t l__SIZE__Title = 0; l__SIZE__Title < p__TitleSets.size(); ++l__SIZE__Title) {
        size_t l__SIZE__Entry = 2048 + 8 + 12 * l__SIZE__Title;
        l__string__Bytes[l__SIZE__Entry + 6] = static_cast<char>(p__TitleSets[l__SIZE__Title]);
        PutBe32(&l__string__Bytes, l__SIZE__Entry + 8, 0x11111111);
    }
    return l__string__Bytes;
}

class IfoPatchTest : public ::testing::Test {
protected:
    void TearDown() override { UDF_CleanupTreeItems(m__Items, 4); }
    PUDF_TREE_ITEM Item(const char* p__PCHAR__Name, const std::string& p__string__Bytes) {
        std::string l__string__Path = m__Scratch / p__PCHAR__Name;
        std::ofstream(l__string__Path, std::ios::binary) << p__string__Bytes;
        PUDF_TREE_ITEM l__PItem = &m__Items[m__SIZE__Used++];
        EXPECT_EQ(UDF_FormatFileTreeItem(l__PItem, 1, const_cast<PCHAR>(p__PCHAR__Name), l__string__Path.data(), nullptr), 0u);
        return l__PItem;
    }
    const UCHAR* Bytes(PUDF_TREE_ITEM p__PItem) { return static_cast<const UCHAR*>(p__PItem->m__PVOID__Memory); }

    ScratchDirectory m__Scratch{"tarnwick-ifo"};
    UDF_TREE_ITEM m__Items[4] = {};
    size_t m__SIZE__Used = 0;
};

TEST_F(IfoPatchTest, IfoAndBupFilesAreHeldInMemoryPaddedToWholeSectorsOthersAreNot) {
    PUDF_TREE_ITEM l__PIfo = Item("video_ts.ifo", std::string(100, 'a'));
    PUDF_TREE_ITEM l__PBup = Item("VTS_01_0.BUP", std::string(2049, 'b'));
    PUDF_TREE_ITEM l__PVob = Item("VTS_01_1.VOB", std::string(10, 'c'));
    ASSERT_TRUE(Value(l__PIfo->m__BOOLEAN__IsInMemory));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(Bytes(l__PIfo)), 2048), std::string(100, 'a') + std::string(1948, '\0'));
    ASSERT_TRUE(Value(l__PBup->m__BOOLEAN__IsInMemory));
    EXPECT_EQ(Value(l__PBup->m__ULONG__SizeInBlocks), 2u);
    EXPECT_EQ(Bytes(l__PBup)[4095], 0);
    EXPECT_FALSE(Value(l__PVob->m__BOOLEAN__IsInMemory));
    EXPECT_EQ(Value(l__PVob->m__PVOID__Memory), nullptr);
}

TEST_F(IfoPatchTest, TheHeaderOfAVideoManagerOrTitleSetGetsItsLastSectors) {
    PUDF_TREE_ITEM l__PManager = Item("VIDEO_TS.IFO", VideoManager({1}));
    std::string l__string__TitleSet(2048, '\0');
    l__string__TitleSet.replace(0, 12, "DVDVIDEO-VTS");
    PUDF_TREE_ITEM l__PTitleSet = Item("VTS_01_0.BUP", l__string__TitleSet);
    EXPECT_EQ(Tarnwick_UDF_PatchIfoHeader(l__PManager, 2, 0x00012345), 0u);
    EXPECT_EQ(Be32(Bytes(l__PManager) + 12), 0x00012345u);
    EXPECT_EQ(Be32(Bytes(l__PManager) + 28), 2u);
    EXPECT_EQ(Tarnwick_UDF_PatchIfoHeader(l__PTitleSet, 0, 77), 0u);
    EXPECT_EQ(Be32(Bytes(l__PTitleSet) + 12), 77u);
    EXPECT_EQ(Be32(Bytes(l__PTitleSet) + 28), 0u);
}

TEST_F(IfoPatchTest, TheTitleTableGetsTheStartOfEveryTitleOrOfOneTitleSet) {
    PUDF_TREE_ITEM l__PManager = Item("VIDEO_TS.IFO", VideoManager({1, 2, 1}));
    EXPECT_EQ(Tarnwick_UDF_PatchIfoTableEx(l__PManager, 2, 500), 0u);
    EXPECT_EQ(Be32(Bytes(l__PManager) + 2048 + 8 + 8), 0x11111111u);
    EXPECT_EQ(Be32(Bytes(l__PManager) + 2048 + 8 + 12 + 8), 500u);
    EXPECT_EQ(Be32(Bytes(l__PManager) + 2048 + 8 + 24 + 8), 0x11111111u);
    EXPECT_EQ(Tarnwick_UDF_PatchIfoTable(l__PManager, 42), 0u);
    for (int l__int__Title = 0; l__int__Title < 3; ++l__int__Title) {
        EXPECT_EQ(Be32(Bytes(l__PManager) + 2048 + 8 + 12 * l__int__Title + 8), 42u);
    }
    // Nothing outside the entries' start sectors changed.
    std::string l__string__Expected = VideoManager({1, 2, 1});
    for (int l__int__Title = 0; l__int__Title < 3; ++l__int__Title) PutBe32(&l__string__Expected, 2048 + 8 + 12 * l__int__Title + 8, 42);
    EXPECT_EQ(std::memcmp(Bytes(l__PManager), l__string__Expected.data(), l__string__Expected.size()), 0);
}

TEST_F(IfoPatchTest, WrongFilesAreRefusedWithTheirTraceAndLeftAlone) {
    std::string l__string__NoSignature(4096, 'z');
    PUDF_TREE_ITEM l__PWrong = Item("X.IFO", l__string__NoSignature);
    std::string l__string__ZeroTable = VideoManager({1});
    PutBe32(&l__string__ZeroTable, 196, 0);
    PUDF_TREE_ITEM l__PZeroTable = Item("Y.IFO", l__string__ZeroTable);
    PUDF_TREE_ITEM l__PNoTitles = Item("Z.IFO", VideoManager({}));
    std::string l__string__Outside = VideoManager({1});
    PutBe32(&l__string__Outside, 196, 9);  // a table sector past the end of the file
    PUDF_TREE_ITEM l__POutside = Item("W.IFO", l__string__Outside);
    TraceCapture l__Trace;
    EXPECT_EQ(Tarnwick_UDF_PatchIfoHeader(l__PWrong, 1, 2), static_cast<ULONG>(EXCEPTION_NUMBER_MEDIA_OR_DATA));
    EXPECT_EQ(Tarnwick_UDF_PatchIfoTable(l__PWrong, 1), static_cast<ULONG>(EXCEPTION_NUMBER_MEDIA_OR_DATA));
    EXPECT_EQ(std::memcmp(Bytes(l__PWrong), l__string__NoSignature.data(), 4096), 0);
    EXPECT_EQ(Tarnwick_UDF_PatchIfoTable(l__PZeroTable, 1), static_cast<ULONG>(EXCEPTION_NUMBER_MEDIA_OR_DATA));
    EXPECT_EQ(Tarnwick_UDF_PatchIfoTable(l__PNoTitles, 1), static_cast<ULONG>(EXCEPTION_NUMBER_MEDIA_OR_DATA));
    EXPECT_EQ(Tarnwick_UDF_PatchIfoTable(l__POutside, 1), static_cast<ULONG>(EXCEPTION_NUMBER_MEDIA_OR_DATA));
    EXPECT_EQ(std::memcmp(Bytes(l__POutside), l__string__Outside.data(), l__string__Outside.size()), 0);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Trace.Contains("\nUDF:Tarnwick_UDF_PatchIfoHeader(): Wrong IFO/BUP signature!!!\n"));
    EXPECT_TRUE(l__Trace.Contains("\nUDF:Tarnwick_UDF_PatchIfoTable(): Wrong IFO/BUP signature!!!\n"));
    EXPECT_TRUE(l__Trace.Contains("\nUDF:Tarnwick_UDF_PatchIfoTable(): EXITing with failure, table of titles is zero!!!\n"));
    EXPECT_TRUE(l__Trace.Contains("\nUDF:Tarnwick_UDF_PatchIfoTable(): EXITing with failure, number of titles is zero!!!\n"));
}

TEST_F(IfoPatchTest, ATitleSetFileHasNoTitleTableAndAFileOnDiskIsNoPatchTarget) {
    std::string l__string__TitleSet(4096, '\0');
    l__string__TitleSet.replace(0, 12, "DVDVIDEO-VTS");
    PutBe32(&l__string__TitleSet, 196, 1);
    PUDF_TREE_ITEM l__PTitleSet = Item("VTS_01_0.IFO", l__string__TitleSet);
    EXPECT_EQ(Tarnwick_UDF_PatchIfoTable(l__PTitleSet, 9), static_cast<ULONG>(EXCEPTION_NUMBER_MEDIA_OR_DATA));
    EXPECT_EQ(std::memcmp(Bytes(l__PTitleSet), l__string__TitleSet.data(), l__string__TitleSet.size()), 0);
    PUDF_TREE_ITEM l__PVob = Item("VTS_01_1.VOB", VideoManager({1}));
    EXPECT_EQ(Tarnwick_UDF_PatchIfoHeader(l__PVob, 1, 2), static_cast<ULONG>(EXCEPTION_NUMBER_INVALID_PARAMETER));
    EXPECT_EQ(Tarnwick_UDF_PatchIfoTable(nullptr, 1), static_cast<ULONG>(EXCEPTION_NUMBER_INVALID_PARAMETER));
}

}  // namespace
