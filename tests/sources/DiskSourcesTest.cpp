#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "MediaFixture.h"
#include "CTarnwick_DiskFile.h"
#include "CTarnwick_Exception.h"
#include "CTarnwick_FileChain.h"
#include "CTarnwick_MPEG12DiskFile.h"
#include "CTarnwick_MPEG12ZeroFile.h"
#include "CTarnwick_UnLockedDiskFile.h"
#include "CTarnwick_WaveDiskFile.h"
#include "TraceCapture.h"

using media::Pattern;

namespace {

using ExceptionPtr = std::unique_ptr<CTarnwick_Exception, CTarnwick_ExceptionDeleter>;

template <class Work>
ExceptionPtr Catch(Work&& p__Work) {
    try {
        p__Work();
    } catch (CTarnwick_Exception* l__Exception) {
        return ExceptionPtr(l__Exception);
    }
    return nullptr;
}

std::vector<unsigned char> ReadAll(CTarnwick_FileChain& p__Chain) {
    std::vector<unsigned char> l__Buffer(p__Chain.GetSize());
    p__Chain.SeekToBegin();
    p__Chain.Read(l__Buffer.size(), l__Buffer.data());
    return l__Buffer;
}

}  // namespace

TEST(DiskFile, MissingFileAndBadHandleCarryTheSystemError) {
    ScratchDirectory l__Dir;
    std::string l__Missing = l__Dir / "missing.iso";
    auto l__Exception = Catch([&] { CTarnwick_DiskFile l__File(l__Missing.c_str()); });
    ASSERT_NE(l__Exception, nullptr);
    EXPECT_EQ(l__Exception->GetExceptionNumber(), (ULONG)EXCEPTION_NUMBER_SYSTEM_ERROR);
    EXPECT_EQ(l__Exception->GetStatus(), (ULONG_PTR)ENOENT);
    EXPECT_EQ(std::string(l__Exception->GetExceptionText()),
              "CTarnwick_DiskFile::CTarnwick_DiskFile(): CreateFile( '" + l__Missing + "' ) failed, status 2!!!");

    l__Exception = Catch([&] { CTarnwick_DiskFile l__File(l__Missing.c_str(), 100); });
    ASSERT_NE(l__Exception, nullptr);
    EXPECT_EQ(l__Exception->GetStatus(), (ULONG_PTR)ENOENT);

    l__Exception = Catch([&] { CTarnwick_DiskFile l__File(-1, 100); });
    ASSERT_NE(l__Exception, nullptr);
    EXPECT_EQ(l__Exception->GetStatus(), (ULONG_PTR)EBADF);
    EXPECT_STREQ(l__Exception->GetExceptionText(),
                 "CTarnwick_DiskFile::CTarnwick_DiskFile(): DuplicateHandle() failed, status 9!!!");
}

TEST(DiskFile, ReadAndRewindFailuresCarryTheSystemError) {
    ScratchDirectory l__Dir;
    // A directory is not a file.
    auto l__Exception = Catch([&] { CTarnwick_DiskFile l__Directory(l__Dir.Path().c_str()); });
    ASSERT_NE(l__Exception, nullptr);
    EXPECT_EQ(l__Exception->GetStatus(), (ULONG_PTR)EISDIR);
    EXPECT_EQ(std::string(l__Exception->GetExceptionText()),
              "CTarnwick_DiskFile::CTarnwick_DiskFile(): CreateFile( '" + l__Dir.Path() + "' ) failed, status 21!!!");

    // The process's own memory opens but cannot be read at offset 0.
    CTarnwick_DiskFile l__Unreadable("/proc/self/mem", 16);
    CTarnwick_FileChain l__Chain;
    l__Chain.AddChainTail(&l__Unreadable);
    UCHAR l__Buffer[16];
    l__Exception = Catch([&] { l__Chain.Read(16, l__Buffer); });
    ASSERT_NE(l__Exception, nullptr);
    EXPECT_EQ(l__Exception->GetExceptionNumber(), (ULONG)EXCEPTION_NUMBER_SYSTEM_ERROR);
    EXPECT_EQ(l__Exception->GetStatus(), (ULONG_PTR)EIO);
    EXPECT_STREQ(l__Exception->GetExceptionText(), "CTarnwick_DiskFile::RealRead(): ReadFile() failed, status 5!!!");

    // A pipe cannot be rewound.
    int l__Pipe[2];
    ASSERT_EQ(::pipe(l__Pipe), 0);
    CTarnwick_DiskFile l__FromPipe(l__Pipe[0], 4);
    ::close(l__Pipe[0]);
    ::close(l__Pipe[1]);
    CTarnwick_FileChain l__PipeChain;
    l__PipeChain.AddChainTail(&l__FromPipe);
    l__Exception = Catch([&] { l__PipeChain.SeekToBegin(); });
    ASSERT_NE(l__Exception, nullptr);
    EXPECT_EQ(l__Exception->GetStatus(), (ULONG_PTR)ESPIPE);
    EXPECT_STREQ(l__Exception->GetExceptionText(),
                 "CTarnwick_DiskFile::SeekToBeginUnsafe(): SetFilePointer() failed, status 29!!!");

    // A WAV "file" that cannot be read reports the fixed status 31.
    l__Exception = Catch([&] { CTarnwick_WaveDiskFile l__Wave("/proc/self/mem"); });
    ASSERT_NE(l__Exception, nullptr);
    EXPECT_EQ(l__Exception->GetStatus(), 31u);
    EXPECT_STREQ(l__Exception->GetExceptionText(),
                 "CTarnwick_WaveDiskFile::CTarnwick_WaveDiskFile(): ReadFile() failed, status 5!!!");
}

TEST(DiskFile, GivenSizeAndDuplicatedHandleReadTheFile) {
    ScratchDirectory l__Dir;
    auto l__Bytes = Pattern(300, 7);
    media::WriteFile(l__Dir / "data", l__Bytes);

    // A size larger than the file: the missing tail reads as zeros.
    CTarnwick_DiskFile l__Longer((l__Dir / "data").c_str(), 310);
    CTarnwick_FileChain l__Chain;
    l__Chain.AddChainTail(&l__Longer);
    auto l__Read = ReadAll(l__Chain);
    ASSERT_EQ(l__Read.size(), 310u);
    EXPECT_TRUE(std::equal(l__Bytes.begin(), l__Bytes.end(), l__Read.begin()));
    EXPECT_EQ(std::vector<unsigned char>(l__Read.begin() + 300, l__Read.end()), std::vector<unsigned char>(10, 0));
    // ...also into a buffer that held other bytes before: the source itself writes the zeros.
    l__Chain.SeekToBegin();
    std::vector<unsigned char> l__Dirty(310, 0xAA);
    l__Chain.Read(l__Dirty.size(), l__Dirty.data());
    EXPECT_EQ(l__Dirty, l__Read);

    // The caller closes its own descriptor; the source keeps reading through its duplicate.
    int l__Handle = ::open((l__Dir / "data").c_str(), O_RDONLY);
    ASSERT_GE(l__Handle, 0);
    CTarnwick_DiskFile l__Duplicate(l__Handle, 300);
    ::close(l__Handle);
    CTarnwick_FileChain l__Second;
    l__Second.AddChainTail(&l__Duplicate);
    EXPECT_EQ(ReadAll(l__Second), l__Bytes);
    EXPECT_EQ(ReadAll(l__Second), l__Bytes);
}

TEST(DiskFile, FileThatShrinksAfterOpeningRaisesInsteadOfReadingZeros) {
    ScratchDirectory l__Dir;
    auto l__Bytes = Pattern(3000, 11);
    media::WriteFile(l__Dir / "data", l__Bytes);
    CTarnwick_DiskFile l__File((l__Dir / "data").c_str());
    CTarnwick_FileChain l__Chain;
    l__Chain.AddChainTail(&l__File);
    std::vector<unsigned char> l__Head(1000);
    l__Chain.Read(l__Head.size(), l__Head.data());
    EXPECT_TRUE(std::equal(l__Head.begin(), l__Head.end(), l__Bytes.begin()));
    ASSERT_EQ(::truncate((l__Dir / "data").c_str(), 1500), 0);
    std::vector<unsigned char> l__Rest(2000);
    auto l__Exception = Catch([&] { l__Chain.Read(l__Rest.size(), l__Rest.data()); });
    ASSERT_NE(l__Exception, nullptr);
    EXPECT_EQ(l__Exception->GetExceptionNumber(), static_cast<ULONG>(EXCEPTION_NUMBER_MEDIA_OR_DATA));
    EXPECT_STREQ(l__Exception->GetExceptionText(),
                 "CTarnwick_DiskFile::RealRead(): ReadFile() read 500 UCHARs instead of 2000 at offset 1000, the file has "
                 "shrunk!!!");
}

TEST(UnLockedDiskFile, HoldsAtMostOneDescriptorWhateverTheChainLength) {
    ScratchDirectory l__Dir;
    std::vector<std::unique_ptr<CTarnwick_UnLockedDiskFile>> l__Sources;
    std::vector<unsigned char> l__Expected;
    CTarnwick_FileChain l__Chain;
    size_t l__Before = media::CountOpenDescriptors();
    for (unsigned i = 0; i < 60; ++i) {
        auto l__Bytes = Pattern(1000 + i, i);
        std::string l__Path = l__Dir / std::string("u").append(std::to_string(i));
        media::WriteFile(l__Path, l__Bytes);
        l__Expected.insert(l__Expected.end(), l__Bytes.begin(), l__Bytes.end());
        l__Sources.push_back(std::make_unique<CTarnwick_UnLockedDiskFile>(l__Path.c_str(), l__Bytes.size()));
        l__Chain.AddChainTail(l__Sources.back().get());
    }
    EXPECT_EQ(media::CountOpenDescriptors(), l__Before);
    l__Chain.SeekToBegin();
    EXPECT_EQ(media::CountOpenDescriptors(), l__Before);
    // Reads that end inside a file keep just that one open.
    std::vector<unsigned char> l__Read(l__Expected.size());
    size_t l__Done = 0, l__MostOpen = 0;
    while (l__Done < l__Read.size()) {
        size_t l__Piece = std::min<size_t>(777, l__Read.size() - l__Done);
        l__Chain.Read(l__Piece, l__Read.data() + l__Done);
        l__Done += l__Piece;
        l__MostOpen = std::max(l__MostOpen, media::CountOpenDescriptors() - l__Before);
    }
    EXPECT_EQ(l__Read, l__Expected);
    EXPECT_EQ(l__MostOpen, 1u);
    EXPECT_EQ(media::CountOpenDescriptors(), l__Before);
}

// A node's source: the name borrowed from the node, the file's bytes up to the size the
// node recorded (a file that has grown since gives no more), zeros to the sector's end, and
// the descriptor closed as soon as the recorded bytes are in (the padding needs no file).
TEST(UnLockedDiskFile, BorrowedNameReadsTheRecordedBytesThenZeros) {
    ScratchDirectory l__Dir;
    auto l__Bytes = Pattern(3000, 5);
    const std::string l__Path = l__Dir / "grown";
    media::WriteFile(l__Path, l__Bytes);
    size_t l__Before = media::CountOpenDescriptors();
    CTarnwick_UnLockedDiskFile l__File(l__Path, 2500, 4096);
    EXPECT_EQ(l__File.GetSize(), 4096u);
    EXPECT_EQ(media::CountOpenDescriptors(), l__Before);
    CTarnwick_FileChain l__Chain;
    l__Chain.AddChainTail(&l__File);
    std::vector<unsigned char> l__Read(4096, 0xEE);
    l__Chain.Read(2000, l__Read.data());
    EXPECT_EQ(media::CountOpenDescriptors(), l__Before + 1);
    l__Chain.Read(600, l__Read.data() + 2000);
    EXPECT_EQ(media::CountOpenDescriptors(), l__Before);
    l__Chain.Read(1496, l__Read.data() + 2600);
    EXPECT_EQ(media::CountOpenDescriptors(), l__Before);
    std::vector<unsigned char> l__Expected(4096, 0);
    std::memcpy(l__Expected.data(), l__Bytes.data(), 2500);
    EXPECT_EQ(l__Read, l__Expected);
    // Read again from the start, the same bytes come.
    l__Chain.SeekToBegin();
    std::vector<unsigned char> l__Again(4096, 0xEE);
    l__Chain.Read(l__Again.size(), l__Again.data());
    EXPECT_EQ(l__Again, l__Expected);
}

// Construction checks that the file can be read without opening it; a missing file is
// reported as when the constructor opened it.
TEST(UnLockedDiskFile, MissingFileRaisesAtConstruction) {
    ScratchDirectory l__Dir;
    const std::string l__Path = l__Dir / "missing";
    for (bool l__bool__Borrowed : {false, true}) {
        auto l__Exception = Catch([&] {
            if (l__bool__Borrowed) {
                CTarnwick_UnLockedDiskFile l__File(l__Path, 10, 2048);
            } else {
                CTarnwick_UnLockedDiskFile l__File(l__Path.c_str(), 10);
            }
        });
        ASSERT_NE(l__Exception, nullptr);
        EXPECT_EQ(l__Exception->GetStatus(), (ULONG_PTR)ENOENT);
        EXPECT_EQ(std::string(l__Exception->GetExceptionText()),
                  "CTarnwick_DiskFile::CTarnwick_DiskFile(): CreateFile( '" + l__Path + "' ) failed, status 2!!!");
    }
}

TEST(UnLockedDiskFile, FileDeletedAfterConstructionFailsOnFirstRead) {
    ScratchDirectory l__Dir;
    std::string l__Path = l__Dir / "gone";
    media::WriteFile(l__Path, Pattern(64));
    CTarnwick_UnLockedDiskFile l__File(l__Path.c_str(), 64);
    std::filesystem::remove(l__Path);
    CTarnwick_FileChain l__Chain;
    l__Chain.AddChainTail(&l__File);
    UCHAR l__Buffer[64];
    auto l__Exception = Catch([&] { l__Chain.Read(64, l__Buffer); });
    ASSERT_NE(l__Exception, nullptr);
    EXPECT_EQ(l__Exception->GetExceptionNumber(), (ULONG)EXCEPTION_NUMBER_SYSTEM_ERROR);
    EXPECT_EQ(l__Exception->GetStatus(), (ULONG_PTR)ENOENT);
    EXPECT_EQ(std::string(l__Exception->GetExceptionText()),
              "CTarnwick_UnLockedDiskFile::Open(): CreateFile( '" + l__Path + "' ) failed, status 2!!!");
}

// A file cut after it was added ends the read loudly instead of giving zeros for its data.
TEST(UnLockedDiskFile, FileCutAfterConstructionFailsInsteadOfReadingZeros) {
    ScratchDirectory l__Dir;
    std::string l__Path = l__Dir / "cut";
    media::WriteFile(l__Path, Pattern(3000, 7));
    CTarnwick_UnLockedDiskFile l__File(l__Path, 3000, 4096);
    std::filesystem::resize_file(l__Path, 1000);
    CTarnwick_FileChain l__Chain;
    l__Chain.AddChainTail(&l__File);
    std::vector<UCHAR> l__Buffer(4096);
    auto l__Exception = Catch([&] { l__Chain.Read(l__Buffer.size(), l__Buffer.data()); });
    ASSERT_NE(l__Exception, nullptr);
    EXPECT_EQ(l__Exception->GetExceptionNumber(), (ULONG)EXCEPTION_NUMBER_MEDIA_OR_DATA);
    EXPECT_NE(std::string(l__Exception->GetExceptionText()).find("the file has shrunk"), std::string::npos)
        << l__Exception->GetExceptionText();
}

TEST(WaveDiskFile, HeaderSizesAndRewind) {
    ScratchDirectory l__Dir;
    auto l__Samples = Pattern(400, 3);
    media::WriteFile(l__Dir / "good.wav", media::WaveFile(44100, 2, l__Samples));
    media::WriteFile(l__Dir / "empty.wav", media::WaveFile(44100, 2, {}));
    auto l__Short = media::WaveFile(44100, 2, {});
    l__Short.pop_back();
    media::WriteFile(l__Dir / "short.wav", l__Short);

    CTarnwick_WaveDiskFile l__Good((l__Dir / "good.wav").c_str());
    EXPECT_EQ(l__Good.GetSize(), 400u);
    EXPECT_TRUE(l__Good.GetIsAudioStuff());
    EXPECT_TRUE(Tarnwick_CheckWaveFileHeader(l__Good.GetHeader()));
    CTarnwick_FileChain l__Chain;
    l__Chain.AddChainTail(&l__Good);
    EXPECT_EQ(ReadAll(l__Chain), l__Samples);
    EXPECT_EQ(ReadAll(l__Chain), l__Samples);  // rewound to byte 44, not 0

    CTarnwick_WaveDiskFile l__Empty((l__Dir / "empty.wav").c_str());
    EXPECT_EQ(l__Empty.GetSize(), 0u);

    auto l__Exception = Catch([&] { CTarnwick_WaveDiskFile l__File((l__Dir / "short.wav").c_str()); });
    ASSERT_NE(l__Exception, nullptr);
    EXPECT_EQ(l__Exception->GetExceptionNumber(), (ULONG)EXCEPTION_NUMBER_SYSTEM_ERROR);
    EXPECT_EQ(l__Exception->GetStatus(), 31u);
    EXPECT_STREQ(l__Exception->GetExceptionText(),
                 "CTarnwick_WaveDiskFile::CTarnwick_WaveDiskFile(): ReadFile() read 43 instead of 44!!!");
}

TEST(WaveDiskFile, OtherFormatsFailTheCheckUnlessAccepted) {
    ScratchDirectory l__Dir;
    std::string l__Path = l__Dir / "22k.wav";
    media::WriteFile(l__Path, media::WaveFile(22050, 2, Pattern(100)));
    TraceCapture l__Trace;
    auto l__Exception = Catch([&] { CTarnwick_WaveDiskFile l__File(l__Path.c_str()); });
    ASSERT_NE(l__Exception, nullptr);
    EXPECT_EQ(l__Exception->GetExceptionNumber(), (ULONG)EXCEPTION_NUMBER_MEDIA_OR_DATA);
    EXPECT_EQ(l__Exception->GetStatus(), 0u);
    EXPECT_STREQ(l__Exception->GetExceptionText(),
                 "CTarnwick_WaveDiskFile::CTarnwick_WaveDiskFile(): Tarnwick_CheckWaveFileHeader() failed!!!");
    EXPECT_NE(Catch([&] { CTarnwick_WaveDiskFile l__File(l__Path.c_str(), FALSE); }), nullptr);

    l__Trace.Clear();
    CTarnwick_WaveDiskFile l__Accepted(l__Path.c_str(), TRUE);
    EXPECT_EQ(l__Accepted.GetSize(), 100u);
    std::string l__string__AcceptedTrace = l__Trace.Text();

    // Each checked field matters; the two sizes do not.
    auto l__Header = media::WaveFile(44100, 2, {});
    EXPECT_TRUE(Tarnwick_CheckWaveFileHeader(l__Header.data()));
    for (size_t l__Offset : {0, 8, 12, 16, 20, 22, 24, 28, 32, 34, 36}) {
        auto l__Broken = l__Header;
        l__Broken[l__Offset] ^= 0x01;
        EXPECT_FALSE(Tarnwick_CheckWaveFileHeader(l__Broken.data())) << "offset " << l__Offset;
    }
    for (size_t l__Offset : {4, 40}) {
        auto l__Changed = l__Header;
        l__Changed[l__Offset] ^= 0x55;
        EXPECT_TRUE(Tarnwick_CheckWaveFileHeader(l__Changed.data())) << "offset " << l__Offset;
    }

    REQUIRE_TRACING();
    EXPECT_NE(l__string__AcceptedTrace.find("Tarnwick_CheckWaveFileHeader() failed!!!\n"), std::string::npos);
}

namespace {

using Bytes = std::vector<std::pair<size_t, unsigned char>>;

// A 2,324-byte payload block: 0x55 in its first 26 bytes except those given, then a pattern.
std::vector<unsigned char> Block(const Bytes& p__Bytes, unsigned p__Fill) {
    std::vector<unsigned char> l__Block = Pattern(CTarnwick_MPEG12DiskFile::PayloadSize, p__Fill);
    for (size_t i = 0; i < 26; ++i) l__Block[i] = 0x55;
    for (auto [l__At, l__Value] : p__Bytes) l__Block[l__At] = l__Value;
    return l__Block;
}
// A block that starts with a pack start code, with the bytes given.
std::vector<unsigned char> Pack(Bytes p__More, unsigned p__Fill) {
    Bytes l__All = {{0, 0}, {1, 0}, {2, 1}, {3, 0xBA}};
    l__All.insert(l__All.end(), p__More.begin(), p__More.end());
    return Block(l__All, p__Fill);
}

}  // namespace

TEST(MPEG12DiskFile, SubHeadersFollowThePackContents) {
    struct Case {
        const char* m__Name;
        std::vector<unsigned char> m__Block;
        unsigned char m__SubHeader[4];
    };
    std::vector<Case> l__Cases = {
        {"audio pack", Pack({{12, 0}, {13, 0}, {14, 1}, {15, 0xC0}}, 1), {1, 1, 0x64, 0x7F}},
        {"video pack", Pack({{12, 0}, {13, 0}, {14, 1}, {15, 0xE0}}, 2), {1, 1, 0x62, 0x0F}},
        {"system header, audio", Pack({{12, 0}, {13, 0}, {14, 1}, {15, 0xBB}, {24, 0xC1}}, 3), {1, 1, 0x64, 0x7F}},
        {"system header, video", Pack({{12, 0}, {13, 0}, {14, 1}, {15, 0xBB}, {24, 0xE0}}, 4), {1, 1, 0x62, 0x0F}},
        {"long pack header, audio", Pack({{17, 0xC0}}, 5), {1, 1, 0x64, 0x7F}},
        {"no pack start code", Block({{0, 0}, {1, 0}, {2, 1}, {3, 0xB3}}, 6), {1, 0, 0x60, 0x00}},
    };
    ScratchDirectory l__Dir;
    std::vector<unsigned char> l__File;
    for (auto& l__Case : l__Cases) l__File.insert(l__File.end(), l__Case.m__Block.begin(), l__Case.m__Block.end());
    media::WriteFile(l__Dir / "video.mpg", l__File);

    CTarnwick_MPEG12DiskFile l__Mpeg((l__Dir / "video.mpg").c_str());
    EXPECT_TRUE(l__Mpeg.GetIsVideoStuff());
    ASSERT_EQ(l__Mpeg.GetSize(), l__Cases.size() * CTarnwick_MPEG12DiskFile::SectorSize);
    CTarnwick_FileChain l__Chain;
    l__Chain.AddChainTail(&l__Mpeg);
    auto l__Sectors = ReadAll(l__Chain);
    for (size_t i = 0; i < l__Cases.size(); ++i) {
        const unsigned char* l__Sector = l__Sectors.data() + i * CTarnwick_MPEG12DiskFile::SectorSize;
        EXPECT_EQ(std::memcmp(l__Sector, l__Cases[i].m__SubHeader, 4), 0) << l__Cases[i].m__Name;
        EXPECT_EQ(std::memcmp(l__Sector + 4, l__Cases[i].m__SubHeader, 4), 0) << l__Cases[i].m__Name;
        EXPECT_EQ(std::memcmp(l__Sector + 8, l__Cases[i].m__Block.data(), CTarnwick_MPEG12DiskFile::PayloadSize), 0)
            << l__Cases[i].m__Name;
    }
}

TEST(MPEG12DiskFile, SizeCountsWholeBlocksAndLargeReadsGoInBatches) {
    ScratchDirectory l__Dir;
    media::WriteFile(l__Dir / "5000.mpg", Pattern(5000));
    // Two whole 2,324-byte blocks (4,648 bytes); the last 352 bytes are never read.
    CTarnwick_MPEG12DiskFile l__Small((l__Dir / "5000.mpg").c_str());
    EXPECT_EQ(l__Small.GetSize(), 2u * 2332);

    // 40 blocks read in one request (more than the 26 of the work buffer).
    std::vector<unsigned char> l__File;
    for (unsigned i = 0; i < 40; ++i) {
        auto l__Block = Block({}, i);
        l__File.insert(l__File.end(), l__Block.begin(), l__Block.end());
    }
    l__File.resize(l__File.size() + 100, 0xAA);  // a partial block that is never read
    media::WriteFile(l__Dir / "40.mpg", l__File);
    CTarnwick_MPEG12DiskFile l__Large((l__Dir / "40.mpg").c_str());
    ASSERT_EQ(l__Large.GetSize(), 40u * 2332);
    CTarnwick_FileChain l__Chain;
    l__Chain.AddChainTail(&l__Large);
    auto l__Sectors = ReadAll(l__Chain);
    for (unsigned i = 0; i < 40; ++i) {
        const unsigned char* l__Sector = l__Sectors.data() + i * 2332;
        EXPECT_EQ(std::memcmp(l__Sector + 8, l__File.data() + i * 2324, 2324), 0) << "sector " << i;
        EXPECT_EQ(l__Sector[2], 0x60);
    }
    // A second pass after the rewind gives the same sectors.
    EXPECT_EQ(ReadAll(l__Chain), l__Sectors);
}

TEST(MPEG12ZeroFile, EmptySectorsCarryOnlyTheirSubHeaders) {
    CTarnwick_MPEG12ZeroFile l__Zero(3 * 2332);
    EXPECT_TRUE(l__Zero.GetIsVideoStuff());
    CTarnwick_FileChain l__Chain;
    l__Chain.AddChainTail(&l__Zero);
    auto l__Sectors = ReadAll(l__Chain);
    std::vector<unsigned char> l__Expected(2332, 0);
    const unsigned char l__SubHeader[8] = {1, 0, 0x60, 0, 1, 0, 0x60, 0};
    std::memcpy(l__Expected.data(), l__SubHeader, 8);
    for (unsigned i = 0; i < 3; ++i)
        EXPECT_TRUE(std::equal(l__Expected.begin(), l__Expected.end(), l__Sectors.begin() + i * 2332)) << i;
}
