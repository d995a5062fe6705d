#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "MediaFixture.h"
#include "CTarnwick_DiskFile.h"
#include "CTarnwick_Exception.h"
#include "CTarnwick_FileChain.h"
#include "CTarnwick_MPEG12ZeroFile.h"
#include "CTarnwick_MemoryFile.h"
#include "CTarnwick_WaveDiskFile.h"
#include "TraceCapture.h"

using media::Pattern;

namespace {

// Runs the work and returns the exception it raised (nullptr when none).
template <class Work>
std::unique_ptr<CTarnwick_Exception, CTarnwick_ExceptionDeleter> Catch(Work&& p__Work) {
    try {
        p__Work();
    } catch (CTarnwick_Exception* l__Exception) {
        return std::unique_ptr<CTarnwick_Exception, CTarnwick_ExceptionDeleter>(l__Exception);
    }
    return nullptr;
}

}  // namespace

TEST(FileChain, ReadSpansSourcesAndStopsAtExactEnds) {
    auto l__First = Pattern(6, 0), l__Second = Pattern(10, 100);
    CTarnwick_MemoryFile l__A(l__First.data(), l__First.size()), l__B(l__Second.data(), l__Second.size());
    CTarnwick_FileChain l__Chain;
    l__Chain.AddChainTail(&l__A);
    l__Chain.AddChainTail(&l__B);
    EXPECT_EQ(l__Chain.GetSize(), 16u);
    l__Chain.SeekToBegin();

    // Exactly the first source: it stays current.
    std::vector<unsigned char> l__Buffer(6, 0xEE);
    l__Chain.Read(6, l__Buffer.data());
    EXPECT_EQ(l__Buffer, l__First);
    EXPECT_EQ(l__Chain.GetLastTouched(), &l__A);

    // The next read moves on to the second.
    l__Buffer.assign(4, 0xEE);
    l__Chain.Read(4, l__Buffer.data());
    EXPECT_EQ(l__Buffer, std::vector<unsigned char>(l__Second.begin(), l__Second.begin() + 4));
    EXPECT_EQ(l__Chain.GetLastTouched(), &l__B);

    // From the start again, one read takes the tail of the first and the head of the second.
    l__Chain.SeekToBegin();
    std::vector<unsigned char> l__Spanning(9, 0xEE);
    l__Chain.Read(9, l__Spanning.data());
    std::vector<unsigned char> l__Expected(l__First);
    l__Expected.insert(l__Expected.end(), l__Second.begin(), l__Second.begin() + 3);
    EXPECT_EQ(l__Spanning, l__Expected);
    EXPECT_EQ(l__Chain.GetLastTouched(), &l__B);
    EXPECT_EQ(l__A.GetPosition(), 6u);
    EXPECT_EQ(l__B.GetPosition(), 3u);
}

TEST(FileChain, ReadPastTheEndKeepsCopiedBytesAndReportsWhatIsMissing) {
    auto l__First = Pattern(6, 1), l__Second = Pattern(10, 50);
    CTarnwick_MemoryFile l__A(l__First.data(), l__First.size()), l__B(l__Second.data(), l__Second.size());
    CTarnwick_FileChain l__Chain;
    l__Chain.AddChainTail(&l__A);
    l__Chain.AddChainTail(&l__B);
    l__Chain.SeekToBegin();
    std::vector<unsigned char> l__Buffer(20, 0xEE);
    TraceCapture l__Trace;
    auto l__Exception = Catch([&] { l__Chain.Read(20, l__Buffer.data()); });
    ASSERT_NE(l__Exception, nullptr);
    EXPECT_EQ(l__Exception->GetExceptionNumber(), (ULONG)EXCEPTION_NUMBER_INVALID_STATE);
    EXPECT_STREQ(l__Exception->GetExceptionText(),
                 "CTarnwick_File::Read(): m__PCTarnwick_File__Next is NULL, remote transfer is 4!!!");
    EXPECT_EQ(l__Exception->GetStatus(), 0u);
    EXPECT_TRUE(std::equal(l__First.begin(), l__First.end(), l__Buffer.begin()));
    EXPECT_TRUE(std::equal(l__Second.begin(), l__Second.end(), l__Buffer.begin() + 6));
    EXPECT_EQ(l__Buffer[16], 0xEE);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Trace.Contains(
        "\nCTarnwick_File::Read(): m__PCTarnwick_File__Next is NULL, remote transfer is 4!!!\n"));
    EXPECT_TRUE(l__Trace.Contains("CTarnwick_File::Read(): EXITing with failure, exception number 0x00000003"));
}

TEST(FileChain, EmptyDiskFileInTheMiddleIsPassedOver) {
    ScratchDirectory l__Dir;
    media::WriteFile(l__Dir / "a", Pattern(5, 10));
    media::WriteFile(l__Dir / "empty", {});
    media::WriteFile(l__Dir / "b", Pattern(5, 20));
    CTarnwick_DiskFile l__A((l__Dir / "a").c_str()), l__Empty((l__Dir / "empty").c_str()),
        l__B((l__Dir / "b").c_str());
    CTarnwick_FileChain l__Chain;
    for (CTarnwick_File* l__Source : {(CTarnwick_File*)&l__A, (CTarnwick_File*)&l__Empty, (CTarnwick_File*)&l__B})
        l__Chain.AddChainTail(l__Source);
    l__Chain.SeekToBegin();
    std::vector<unsigned char> l__Buffer(10);
    l__Chain.Read(10, l__Buffer.data());
    std::vector<unsigned char> l__Expected = Pattern(5, 10);
    auto l__Tail = Pattern(5, 20);
    l__Expected.insert(l__Expected.end(), l__Tail.begin(), l__Tail.end());
    EXPECT_EQ(l__Buffer, l__Expected);
    EXPECT_EQ(l__Chain.GetLastTouched(), &l__B);
}

TEST(FileChain, RewindOfFortySourcesReplaysTheWholeRun) {
    ScratchDirectory l__Dir;
    std::vector<std::unique_ptr<CTarnwick_DiskFile>> l__Sources;
    std::vector<unsigned char> l__Expected;
    CTarnwick_FileChain l__Chain;
    for (unsigned i = 0; i < 40; ++i) {
        auto l__Bytes = Pattern(7 + i, i * 3);
        std::string l__Path = l__Dir / std::string("f").append(std::to_string(i));
        media::WriteFile(l__Path, l__Bytes);
        l__Expected.insert(l__Expected.end(), l__Bytes.begin(), l__Bytes.end());
        l__Sources.push_back(std::make_unique<CTarnwick_DiskFile>(l__Path.c_str()));
        l__Chain.AddChainTail(l__Sources.back().get());
    }
    ASSERT_EQ(l__Chain.GetSize(), l__Expected.size());
    for (int l__Pass = 0; l__Pass < 2; ++l__Pass) {
        l__Chain.SeekToBegin();
        EXPECT_EQ(l__Chain.GetLastTouched(), l__Chain.GetHead());
        for (auto& l__Source : l__Sources) EXPECT_EQ(l__Source->GetPosition(), 0u);
        std::vector<unsigned char> l__Buffer(l__Expected.size());
        l__Chain.Read(l__Buffer.size(), l__Buffer.data());
        EXPECT_EQ(l__Buffer, l__Expected) << "pass " << l__Pass;
        EXPECT_EQ(l__Chain.GetLastTouched(), l__Sources.back().get());
    }
}

TEST(FileChain, HeadGoesInFrontAndLaterTailsGoBehindTheLastSource) {
    auto l__Bytes = Pattern(12);
    CTarnwick_MemoryFile l__A(l__Bytes.data(), 4), l__B(l__Bytes.data() + 4, 4), l__Head(l__Bytes.data() + 8, 2),
        l__Late(l__Bytes.data() + 10, 2);
    CTarnwick_FileChain l__Chain;
    l__Chain.AddChainTail(&l__A);
    l__Chain.AddChainTail(&l__B);
    l__Chain.AddChainHead(&l__Head);
    EXPECT_EQ(l__Chain.GetHead(), &l__Head);
    l__Chain.AddChainTail(&l__Late);
    EXPECT_EQ(l__Chain.GetSize(), 12u);
    l__Chain.SeekToBegin();
    std::vector<unsigned char> l__Buffer(12);
    l__Chain.Read(12, l__Buffer.data());
    std::vector<unsigned char> l__Expected = {8, 9, 0, 1, 2, 3, 4, 5, 6, 7, 10, 11};
    EXPECT_EQ(l__Buffer, l__Expected);
}

TEST(FileChain, EveryMisuseIsReportedWithItsText) {
    CTarnwick_FileChain l__Chain;
    UCHAR l__Byte;
    struct Case {
        std::function<void()> m__Work;
        ULONG m__Number;
        const char* m__Text;
    } l__Cases[] = {
        {[&] { l__Chain.AddChainTail(nullptr); }, EXCEPTION_NUMBER_INVALID_PARAMETER,
         "CTarnwick_FileChain::AddChainTail(): p__PCTarnwick_File__NewTail == NULL!!!"},
        {[&] { l__Chain.AddChainHead(nullptr); }, EXCEPTION_NUMBER_INVALID_PARAMETER,
         "CTarnwick_FileChain::AddChainHead(): p__PCTarnwick_File__NewHead == NULL!!!"},
        {[&] { l__Chain.Read(1, &l__Byte); }, EXCEPTION_NUMBER_INVALID_STATE,
         "CTarnwick_FileChain::Read(): m__PCTarnwick_File__LastTouched == NULL!!!"},
        {[&] { l__Chain.SeekToBegin(); }, EXCEPTION_NUMBER_INVALID_STATE,
         "CTarnwick_FileChain::SeekToBegin(): m__PCTarnwick_File__LastTouched == NULL!!!"},
        {[&] { l__Chain.GetCurrentIsAudioStuff(); }, EXCEPTION_NUMBER_INVALID_STATE,
         "CTarnwick_FileChain::GetCurrentIsAudioStuff(): m__PCTarnwick_File__LastTouched == NULL!!!"},
        {[&] { l__Chain.GetCurrentIsVideoStuff(); }, EXCEPTION_NUMBER_INVALID_STATE,
         "CTarnwick_FileChain::GetCurrentIsVideoStuff(): m__PCTarnwick_File__LastTouched == NULL!!!"},
    };
    for (auto& l__Case : l__Cases) {
        auto l__Exception = Catch(l__Case.m__Work);
        ASSERT_NE(l__Exception, nullptr) << l__Case.m__Text;
        EXPECT_EQ(l__Exception->GetExceptionNumber(), l__Case.m__Number);
        EXPECT_STREQ(l__Exception->GetExceptionText(), l__Case.m__Text);
    }
}

TEST(FileChain, CurrentKindFollowsTheSourceThatServedTheLastRead) {
    ScratchDirectory l__Dir;
    media::WriteFile(l__Dir / "a.wav", media::WaveFile(44100, 2, Pattern(8)));
    auto l__Data = Pattern(8);
    CTarnwick_MemoryFile l__Data1(l__Data.data(), 8);
    CTarnwick_WaveDiskFile l__Wave((l__Dir / "a.wav").c_str());
    CTarnwick_FileChain l__Chain;
    l__Chain.AddChainTail(&l__Data1);
    l__Chain.AddChainTail(&l__Wave);
    l__Chain.SeekToBegin();
    UCHAR l__Buffer[8];
    EXPECT_FALSE(l__Chain.GetCurrentIsAudioStuff());
    l__Chain.Read(8, l__Buffer);
    EXPECT_FALSE(l__Chain.GetCurrentIsAudioStuff());
    l__Chain.Read(4, l__Buffer);
    EXPECT_TRUE(l__Chain.GetCurrentIsAudioStuff());
    EXPECT_FALSE(l__Chain.GetCurrentIsVideoStuff());
}

TEST(FileChain, KindQueriesMayRunWhileAnotherThreadReads) {
    auto l__Bytes = Pattern(4096);
    CTarnwick_MemoryFile l__Data(l__Bytes.data(), 2048);
    CTarnwick_MPEG12ZeroFile l__Video(2332 * 4);
    CTarnwick_FileChain l__Chain;
    l__Chain.AddChainTail(&l__Data);
    l__Chain.AddChainTail(&l__Video);
    l__Chain.SeekToBegin();
    std::thread l__Reader([&] {
        std::vector<unsigned char> l__Piece(11);
        for (uint64_t l__Done = 0; l__Done + 11 <= l__Chain.GetSize(); l__Done += 11) l__Chain.Read(11, l__Piece.data());
    });
    for (int i = 0; i < 2000; ++i) {
        l__Chain.GetCurrentIsVideoStuff();
        EXPECT_NE(l__Chain.GetCurrentIsAudioStuff(), TRUE);
    }
    l__Reader.join();
    EXPECT_TRUE(l__Chain.GetCurrentIsVideoStuff());
}
