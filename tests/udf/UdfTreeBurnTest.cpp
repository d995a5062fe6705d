// The container tree of a UDF image is burned like any built tree: Track-At-Once through the
// flat function onto a blank DVD-R of the virtual recorder, and the track reads back as the image.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CTarnwick_ISO9660FileTree.h"
#include "CTarnwick_ISO9660Image.h"
#include "FakeClock.h"
#include "RecorderUnderTest.h"
#include "tarnwick.h"

namespace {

void Ignore(ULONG, PVOID, PVOID, PVOID) {}

TEST(UdfTreeBurn, TheContainerTreeBurnsOntoADvdRAndReadsBackAsTheImage) {
    FakeClock l__Clock;
    RecorderUnderTest l__Recorder("dvdr");
    namespace fs = std::filesystem;
    const fs::path l__Source = fs::path(l__Recorder.Dir()) / "source";
    fs::create_directories(l__Source);
    std::ofstream(l__Source / "one.bin", std::ios::binary) << std::string(300000, 'o');
    std::ofstream(l__Source / "two.txt", std::ios::binary) << "two\n";

    ASSERT_EQ(Tarnwick_UpStart(), 0u);
    UDF_TREE_ITEM l__Items[3] = {};
    ASSERT_EQ(UDF_FormatDirectoryTreeItem(&l__Items[0], 1, const_cast<PCHAR>(""), nullptr), 0u);
    ASSERT_EQ(UDF_FormatFileTreeItem(&l__Items[1], 2, const_cast<PCHAR>("one.bin"), const_cast<PCHAR>((l__Source / "one.bin").c_str()),
                                     &l__Items[0]),
              0u);
    ASSERT_EQ(UDF_FormatFileTreeItem(&l__Items[2], 3, const_cast<PCHAR>("two.txt"), const_cast<PCHAR>((l__Source / "two.txt").c_str()),
                                     &l__Items[0]),
              0u);
    ULONGLONG l__ULONGLONG__System = 0;
    ASSERT_EQ(Tarnwick_UDF_GetSystemStructuresSize(&l__Items[0], &l__ULONGLONG__System), 0u);
    std::vector<UCHAR> l__Head(UDF_HEAD_SIZE), l__Tail(UDF_TAIL_SIZE), l__System(l__ULONGLONG__System);
    UDF_IMAGE l__Image{};
    char l__Text[1024] = {};
    ULONG l__SystemError = 0;
    ASSERT_EQ(Tarnwick_UDF_Create(l__Head.data(), UDF_HEAD_SIZE, l__Tail.data(), UDF_TAIL_SIZE, l__System.data(), l__System.size(),
                                  &l__Items[0], nullptr, nullptr, &l__Image, l__Text, sizeof(l__Text), &l__SystemError,
                                  const_cast<PCHAR>("BURNED")),
              0u)
        << l__Text;
    // The image as the chain reads it, before the burn reads it again from the start.
    auto* l__PTree = dynamic_cast<CTarnwick_ISO9660FileTree*>(static_cast<CTarnwick_EmptyBase*>(l__Image.m__PVOID__Tree));
    ASSERT_NE(l__PTree, nullptr);
    std::string l__string__Expected(l__PTree->GetImage()->GetSize(), '\0');
    l__PTree->GetImage()->Read(l__string__Expected.size(), l__string__Expected.data());

    PVOID l__Burner = nullptr;
    CDB_FAILURE_INFORMATION l__Info;
    ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_Create(&l__Burner, l__Text, sizeof(l__Text), &l__SystemError, &l__Info, Ignore, nullptr, 0, 0,
                                                0, 0, 0),
              0u)
        << l__Text;
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromTree(l__Burner, l__Text, sizeof(l__Text), &l__SystemError, &l__Info,
                                                             l__Image.m__PVOID__Tree, 0, 0, 0, 1, 5),
              0u)
        << l__Text;
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_CloseSession(l__Burner, l__Text, sizeof(l__Text), &l__SystemError, &l__Info), 0u) << l__Text;
    Tarnwick_Destroy(&l__Burner);
    Tarnwick_UDF_DeleteImage(&l__Image);
    UDF_CleanupTreeItems(l__Items, 3);
    Tarnwick_DownShut();

    const std::string l__string__Track = l__Recorder.Dir() + "/track.udf";
    ASSERT_EQ(l__Recorder.Vdisc("export {} --track 1 '" + l__string__Track + "'"), 0);
    std::ifstream l__Stream(l__string__Track, std::ios::binary);
    std::string l__string__Burned((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
    ASSERT_GE(l__string__Burned.size(), l__string__Expected.size());
    EXPECT_TRUE(l__string__Burned.compare(0, l__string__Expected.size(), l__string__Expected) == 0);
    EXPECT_EQ(l__string__Burned.find_first_not_of('\0', l__string__Expected.size()), std::string::npos);
    // The file's bytes are in the burned track where the image put them.
    EXPECT_NE(l__string__Burned.find(std::string(300000, 'o')), std::string::npos);
}

}  // namespace
