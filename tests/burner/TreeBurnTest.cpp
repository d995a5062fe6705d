// A mastered tree burned onto the virtual recorder through the flat functions, and
// read back by an outside reader.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "CTarnwick_ISO9660FileTree.h"
#include "ExternalTool.h"
#include "FakeClock.h"
#include "RecorderUnderTest.h"
#include "tarnwick.h"

namespace {

void Ignore(ULONG, PVOID, PVOID, PVOID) {}

TEST(TreeBurn, BuiltTreeBurnsAndReadsBack) {
    FakeClock l__Clock;
    RecorderUnderTest l__Recorder("cdr");
    namespace fs = std::filesystem;
    fs::path l__Source = fs::path(l__Recorder.Dir()) / "source";
    fs::create_directories(l__Source / "docs");
    std::ofstream(l__Source / "README.TXT") << "tree burn\n";
    std::ofstream(l__Source / "docs" / "notes.txt") << std::string(70000, 'n');

    ASSERT_EQ(Tarnwick_UpStart(), 0u);
    PVOID l__Burner = nullptr;
    char l__Text[1024] = {};
    ULONG l__SystemError = 31;
    CDB_FAILURE_INFORMATION l__Info;
    ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_Create(&l__Burner, l__Text, sizeof(l__Text), &l__SystemError, &l__Info, Ignore,
                                                nullptr, 0, 0, 0, 0, 0),
              0u)
        << l__Text;

    auto* l__Tree = new CTarnwick_ISO9660FileTree(Ignore, nullptr, FALSE, FALSE, FALSE);
    PVOID l__TreeHandle = static_cast<CTarnwick_EmptyBase*>(l__Tree);
    // Not built yet: refused.
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromTree(l__Burner, l__Text, sizeof(l__Text), &l__SystemError,
                                                             &l__Info, l__TreeHandle, 1, 0, 1, 1, 5),
              3u);
    // A burner is not a tree.
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromTree(l__Burner, l__Text, sizeof(l__Text), &l__SystemError,
                                                             &l__Info, l__Burner, 1, 0, 1, 1, 5),
              2u);
    l__Tree->CreateFromDirectoryContents(l__Source.c_str(), CTarnwick_FileTree::TimeLastWrite, nullptr);
    l__Tree->BuildImage(0, 0, TRUE, "TREEBURN", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                        nullptr);
    ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromTree(l__Burner, l__Text, sizeof(l__Text), &l__SystemError,
                                                             &l__Info, l__TreeHandle, 1, 0, 1, 1, 5),
              0u)
        << l__Text;
    ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_CloseSession(l__Burner, l__Text, sizeof(l__Text), &l__SystemError, &l__Info),
              0u);
    Tarnwick_Destroy(&l__TreeHandle);
    EXPECT_EQ(l__TreeHandle, nullptr);
    Tarnwick_Destroy(&l__Burner);
    Tarnwick_DownShut();

    std::string l__Iso = l__Recorder.Dir() + "/out.iso";
    ASSERT_EQ(l__Recorder.Vdisc("export {} --track 1 '" + l__Iso + "'"), 0);
    REQUIRE_TOOL("isoinfo");
    std::string l__Listing;
    int l__Exit = RecorderUnderTest::Run("isoinfo -i '" + l__Iso + "' -l", &l__Listing);
    ASSERT_EQ(l__Exit, 0) << l__Listing;
    EXPECT_NE(l__Listing.find("README.TXT;1"), std::string::npos) << l__Listing;
    EXPECT_NE(l__Listing.find("NOTES.TXT;1"), std::string::npos) << l__Listing;
    std::string l__Notes;
    ASSERT_EQ(RecorderUnderTest::Run("isoinfo -i '" + l__Iso + "' -x '/DOCS/NOTES.TXT;1'", &l__Notes), 0);
    EXPECT_EQ(l__Notes, std::string(70000, 'n'));
}

}  // namespace
