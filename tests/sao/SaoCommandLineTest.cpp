// The command line of tarnwick-sao: options, the file list and its limits, and the session
// descriptor it fills.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CTarnwick_SaoCommandLine.h"

namespace {

std::vector<std::string> Files(size_t p__Count) {
    std::vector<std::string> l__Files;
    for (size_t i = 0; i < p__Count; ++i) l__Files.push_back("track" + std::to_string(i) + ".flac");
    return l__Files;
}

TEST(SaoCommandLine, OptionsAndFilesInOrder) {
    CTarnwick_SaoCommandLine l__Line;
    ASSERT_TRUE(l__Line.Parse({"--drive", "2", "a.mp3", "--mode2", "b.iso", "--test", "--keep-open", "--", "--odd.wav"}))
        << l__Line.Error();
    EXPECT_FALSE(l__Line.IsHelp());
    EXPECT_EQ(l__Line.Drive(), 2u);
    EXPECT_EQ(l__Line.IsMode2Form1(), 1);
    EXPECT_EQ(l__Line.IsTestWrite(), 1);
    EXPECT_EQ(l__Line.IsKeepOpen(), 1);
    EXPECT_EQ(l__Line.Files(), (std::vector<std::string>{"a.mp3", "b.iso", "--odd.wav"}));

    CTarnwick_SaoCommandLine l__Plain;
    ASSERT_TRUE(l__Plain.Parse({"only.wav"}));
    EXPECT_EQ(l__Plain.Drive(), 0u);
    EXPECT_EQ(l__Plain.IsMode2Form1() | l__Plain.IsTestWrite() | l__Plain.IsKeepOpen(), 0);
}

TEST(SaoCommandLine, HelpNeedsNoFiles) {
    CTarnwick_SaoCommandLine l__Line;
    ASSERT_TRUE(l__Line.Parse({"--help"}));
    EXPECT_TRUE(l__Line.IsHelp());
    EXPECT_NE(std::string(CTarnwick_SaoCommandLine::Usage()).find("--keep-open"), std::string::npos);
}

TEST(SaoCommandLine, UsageErrors) {
    const std::vector<std::vector<std::string>> l__Bad = {
        {},                                   // no files
        {"--mode2"},                          // options alone
        {"--drive"},                          // a missing value
        {"--drive", "x", "a.wav"},            // not a number
        {"--drive", "-1", "a.wav"},           // negative
        {"--drive", "1x", "a.wav"},           // trailing text
        {"--drive", "256", "a.wav"},          // beyond any adapter
        {"--speed", "4", "a.wav"},            // unknown option
        {"--raw", "a.wav"},                   // a writing that is not pq or pw
        {"--raw"},                            // a missing value
        {"--raw", "mds", "a.mds", "b.mds"},   // one descriptor only
        {"--raw", "mds", "--mode2", "a.mds"}, // the descriptor fixes the form
        {"--raw", "mds", "--keep-open", "a.mds"},  // a raw copy closes its disc
        {"--lead-in", "a.iso"},               // a lead-in only with a raw copy
        {std::string(SESSION_FILE_NAME_SIZE, 'n')},  // no room for the terminator
        {""},                                 // an empty name
    };
    for (const auto& l__Arguments : l__Bad) {
        CTarnwick_SaoCommandLine l__Line;
        EXPECT_FALSE(l__Line.Parse(l__Arguments)) << ::testing::PrintToString(l__Arguments);
        EXPECT_FALSE(l__Line.Error().empty());
    }
}

TEST(SaoCommandLine, AtMost99Files) {
    CTarnwick_SaoCommandLine l__Full;
    EXPECT_TRUE(l__Full.Parse(Files(99))) << l__Full.Error();
    CTarnwick_SaoCommandLine l__Over;
    EXPECT_FALSE(l__Over.Parse(Files(100)));
    EXPECT_NE(l__Over.Error().find("99"), std::string::npos) << l__Over.Error();
}

TEST(SaoCommandLine, DescribeFillsOneEntryPerFileAndNothingElse) {
    CTarnwick_SaoCommandLine l__Line;
    const std::string l__Longest(SESSION_FILE_NAME_SIZE - 1, 'L');
    ASSERT_TRUE(l__Line.Parse({"one.mp3", l__Longest, "three.iso"}));
    auto l__Session = std::make_unique<SESSION_DESCRIPTOR>();
    std::memset(l__Session.get(), 0, sizeof(SESSION_DESCRIPTOR));
    l__Line.Describe(l__Session.get());
    EXPECT_EQ(l__Session->m__ULONG__NumberOfTracks, 3u);
    EXPECT_STREQ(l__Session->m__SESSION_TRACK_ENTRY__Tracks[0].m__CHAR__FileName, "one.mp3");
    EXPECT_EQ(std::string(l__Session->m__SESSION_TRACK_ENTRY__Tracks[1].m__CHAR__FileName), l__Longest);
    EXPECT_STREQ(l__Session->m__SESSION_TRACK_ENTRY__Tracks[2].m__CHAR__FileName, "three.iso");
    // Every other byte stays zero: the flags, sizes, gaps and pointers are the write's.
    auto l__Expected = std::make_unique<SESSION_DESCRIPTOR>();
    std::memset(l__Expected.get(), 0, sizeof(SESSION_DESCRIPTOR));
    l__Expected->m__ULONG__NumberOfTracks = 3;
    std::memcpy(l__Expected->m__SESSION_TRACK_ENTRY__Tracks[0].m__CHAR__FileName, "one.mp3", 8);
    std::memcpy(l__Expected->m__SESSION_TRACK_ENTRY__Tracks[1].m__CHAR__FileName, l__Longest.c_str(), l__Longest.size() + 1);
    std::memcpy(l__Expected->m__SESSION_TRACK_ENTRY__Tracks[2].m__CHAR__FileName, "three.iso", 10);
    EXPECT_EQ(std::memcmp(l__Session.get(), l__Expected.get(), sizeof(SESSION_DESCRIPTOR)), 0);
}

TEST(SaoCommandLine, RawWritingAndItsTrackList) {
    CTarnwick_SaoCommandLine l__Default;
    ASSERT_TRUE(l__Default.Parse({"a.iso"}));
    EXPECT_EQ(l__Default.GetWriting(), CTarnwick_SaoCommandLine::Writing::SessionAtOnce);
    CTarnwick_SaoCommandLine l__PQ, l__PW;
    ASSERT_TRUE(l__PQ.Parse({"--raw", "pq", "a.iso", "b.wav"})) << l__PQ.Error();
    ASSERT_TRUE(l__PW.Parse({"a.iso", "--raw", "pw"})) << l__PW.Error();
    EXPECT_EQ(l__PQ.GetWriting(), CTarnwick_SaoCommandLine::Writing::RawPQ);
    EXPECT_EQ(l__PW.GetWriting(), CTarnwick_SaoCommandLine::Writing::RawPW);
    auto l__List = std::make_unique<DISC_AT_ONCE_TRACK_LIST>();
    std::memset(l__List.get(), 0, sizeof(DISC_AT_ONCE_TRACK_LIST));
    l__PQ.Describe(l__List.get());
    EXPECT_EQ(l__List->m__ULONG__NumberOfTracks, 2u);
    EXPECT_STREQ(l__List->m__DISC_AT_ONCE_TRACK_ENTRY__Tracks[0].m__CHAR__FileName, "a.iso");
    EXPECT_STREQ(l__List->m__DISC_AT_ONCE_TRACK_ENTRY__Tracks[1].m__CHAR__FileName, "b.wav");
    EXPECT_EQ(LONG{l__List->m__DISC_AT_ONCE_TRACK_ENTRY__Tracks[1].m__LONG__SizeInLBs}, 0) << "the write fills the rest";
}

TEST(SaoCommandLine, RawImageFromADescriptor) {
    CTarnwick_SaoCommandLine l__Copy, l__WithLeadIn;
    ASSERT_TRUE(l__Copy.Parse({"--raw", "mds", "--test", "copy.mds"})) << l__Copy.Error();
    EXPECT_EQ(l__Copy.GetWriting(), CTarnwick_SaoCommandLine::Writing::RawImage);
    EXPECT_EQ(l__Copy.IsLeadInSent(), 0);
    EXPECT_EQ(l__Copy.IsTestWrite(), 1);
    ASSERT_EQ(l__Copy.Files().size(), 1u);
    EXPECT_EQ(l__Copy.Files().front(), "copy.mds");
    ASSERT_TRUE(l__WithLeadIn.Parse({"copy.mds", "--lead-in", "--raw", "mds"})) << l__WithLeadIn.Error();
    EXPECT_EQ(l__WithLeadIn.IsLeadInSent(), 1);
}

}  // namespace
