#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CTarnwick_Exception.h"
#include "CTarnwick_FileChain.h"
#include "CTarnwick_SonquillFile.h"
#include "MediaFixture.h"
#include "sonquill.h"

namespace {

// Test media made once per run from known signals: a two-tone stereo 44.1 kHz WAV and a
// 48 kHz mono WAV, and the first encoded into each compressed format.
class DecodeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s__Dir = new ScratchDirectory;
        s__Ready = ExternalTool::Check("sox") && ExternalTool::Check("ffmpeg");
        if (!s__Ready) return;
        const ScratchDirectory& l__Dir = *s__Dir;
        s__Ready = media::Run("sox -n -r 44100 -c 2 -b 16 '" + (l__Dir / "source.wav") +
                              "' synth 3.3 sine 440 sine 1000 gain -3") &&
                   media::Run("sox -n -r 48000 -c 1 -b 16 '" + (l__Dir / "mono48k.wav") + "' synth 2.1 sine 523 gain -4") &&
                   media::Run("sox -n -r 96000 -c 6 -b 24 '" + (l__Dir / "surround.flac") +
                              "' synth 1.7 sine 200 sine 300 sine 400 sine 500 sine 600 sine 700 gain -8");
        const std::map<std::string, std::string> l__Encodings = {
            {"mp3", "-c:a libmp3lame -q:a 4"}, {"flac", "-c:a flac"},      {"ogg", "-c:a libvorbis -q:a 4"},
            {"opus", "-c:a libopus -b:a 96k"}, {"wma", "-c:a wmav2 -b:a 128k"}, {"m4a", "-c:a aac -b:a 128k"},
        };
        for (const auto& [l__Extension, l__Options] : l__Encodings)
            s__Ready = s__Ready && media::Run("ffmpeg -nostdin -v error -i '" + (l__Dir / "source.wav") + "' " + l__Options +
                                              " '" + (l__Dir / ("source." + l__Extension)) + "'");
    }
    static void TearDownTestSuite() {
        delete s__Dir;
        s__Dir = nullptr;
    }
    void SetUp() override {
        if (!s__Ready) GTEST_SKIP() << "test media could not be made";
    }

    static std::string Path(const std::string& p__Name) { return *s__Dir / p__Name; }

    // The reader's whole output, read in pieces of the given size; the size it reported.
    static std::vector<unsigned char> Decode(const std::string& p__Path, ULONG* p__Size, ULONG p__Piece = 61440) {
        PVOID l__Handle = nullptr;
        EXPECT_EQ(Sonquill_CompressedFileReaderObjectCreate(&l__Handle, const_cast<PCHAR>(p__Path.c_str())), 0u) << p__Path;
        if (l__Handle == nullptr) return {};
        EXPECT_EQ(Sonquill_CompressedFileReaderObjectUncompressedSizeGet(l__Handle, p__Size), 0u);
        EXPECT_EQ(Sonquill_CompressedFileReaderObjectBeginSeek(l__Handle), 0u);
        std::vector<unsigned char> l__Pcm(*p__Size);
        for (ULONG l__Done = 0; l__Done < *p__Size;) {
            ULONG l__Take = std::min(p__Piece, *p__Size - l__Done);
            EXPECT_EQ(Sonquill_CompressedFileReaderObjectRead(l__Handle, l__Pcm.data() + l__Done, l__Take), 0u);
            l__Done += l__Take;
        }
        // Past the end: 996, and the missing part is zero.
        std::vector<unsigned char> l__Beyond(8, 0xEE);
        EXPECT_EQ(Sonquill_CompressedFileReaderObjectRead(l__Handle, l__Beyond.data(), 8), 996u);
        EXPECT_EQ(l__Beyond, std::vector<unsigned char>(8, 0));
        // A rewind replays the same bytes.
        EXPECT_EQ(Sonquill_CompressedFileReaderObjectBeginSeek(l__Handle), 0u);
        std::vector<unsigned char> l__Again(*p__Size);
        EXPECT_EQ(Sonquill_CompressedFileReaderObjectRead(l__Handle, l__Again.data(), *p__Size), 0u);
        EXPECT_TRUE(l__Again == l__Pcm) << "rewind of " << p__Path << " replayed other bytes";
        EXPECT_EQ(Sonquill_CompressedFileReaderObjectDestroy(&l__Handle), 0u);
        EXPECT_EQ(l__Handle, nullptr);
        return l__Pcm;
    }

    // Largest difference between two s16 sample streams of equal length.
    static int LargestDifference(const std::vector<unsigned char>& p__A, const std::vector<unsigned char>& p__B) {
        int l__Largest = 0;
        for (size_t i = 0; i + 1 < p__A.size(); i += 2) {
            int16_t l__A, l__B;
            std::memcpy(&l__A, &p__A[i], 2);
            std::memcpy(&l__B, &p__B[i], 2);
            l__Largest = std::max(l__Largest, std::abs(l__A - l__B));
        }
        return l__Largest;
    }

    static ScratchDirectory* s__Dir;
    static bool s__Ready;
};
ScratchDirectory* DecodeTest::s__Dir = nullptr;
bool DecodeTest::s__Ready = false;

}  // namespace

TEST_F(DecodeTest, ReaderMatchesTheReferenceDecoderForEveryFormat) {
    for (const char* l__Name : {"source.mp3", "source.flac", "source.ogg", "source.opus", "source.wma", "source.m4a",
                                "mono48k.wav", "surround.flac", "source.wav"}) {
        SCOPED_TRACE(l__Name);
        std::string l__Path = Path(l__Name);
        auto l__Reference = media::FfmpegPcm(l__Path, Path(std::string("ref-") + l__Name));
        ASSERT_FALSE(l__Reference.empty());
        ULONG l__Size = 0;
        auto l__Pcm = Decode(l__Path, &l__Size, 10000);  // pieces that cut sample frames
        ASSERT_EQ(l__Size, l__Reference.size());
        ASSERT_EQ(l__Pcm.size(), l__Reference.size());
        EXPECT_LE(LargestDifference(l__Pcm, l__Reference), 1);
        EXPECT_EQ(Sonquill_CompressedFileSupportedIs(const_cast<PCHAR>(l__Path.c_str())), 0u);
    }
}

TEST_F(DecodeTest, CdAudioWaveAndLosslessFilesDecodeBitExact) {
    auto l__Source = media::ReadFile(Path("source.wav"));
    // sox may write an extended header; the samples are the last bytes of the file.
    ULONG l__Size = 0;
    auto l__Pcm = Decode(Path("source.wav"), &l__Size);
    ASSERT_GT(l__Size, 0u);
    ASSERT_GE(l__Source.size(), l__Pcm.size());
    EXPECT_TRUE(std::equal(l__Pcm.begin(), l__Pcm.end(), l__Source.end() - l__Pcm.size()));
    auto l__Flac = Decode(Path("source.flac"), &l__Size);
    EXPECT_TRUE(l__Flac == l__Pcm);
}

TEST_F(DecodeTest, FilesThatDoNotDecodeAreRefusedWithoutHandles) {
    media::WriteFile(Path("notes.txt"), std::vector<unsigned char>(4000, 'a'));
    auto l__Mp3 = media::ReadFile(Path("source.mp3"));
    media::WriteFile(Path("truncated.mp3"), std::vector<unsigned char>(l__Mp3.begin(), l__Mp3.begin() + 100));
    auto l__Flac = media::ReadFile(Path("source.flac"));
    media::WriteFile(Path("truncated.flac"), std::vector<unsigned char>(l__Flac.begin(), l__Flac.begin() + 60));
    auto l__Corrupt = media::Pattern(20000, 7);
    media::WriteFile(Path("corrupt.ogg"), l__Corrupt);
    media::WriteFile(Path("empty.mp3"), {});
    // Disc images that hold an MP3 file: the runtime's probing alone would call them MP3.
    std::vector<unsigned char> l__Iso(32768 + 2 * 2048 + l__Mp3.size());
    const unsigned char l__Primary[] = {0x01, 'C', 'D', '0', '0', '1', 0x01};
    std::memcpy(l__Iso.data() + 32768, l__Primary, sizeof(l__Primary));
    std::memcpy(l__Iso.data() + 32768 + 2 * 2048, l__Mp3.data(), l__Mp3.size());
    media::WriteFile(Path("image.iso"), l__Iso);
    std::vector<unsigned char> l__Raw(2352 + l__Mp3.size());
    const unsigned char l__Sync[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::memcpy(l__Raw.data(), l__Sync, sizeof(l__Sync));
    std::memcpy(l__Raw.data() + 2352, l__Mp3.data(), l__Mp3.size());
    media::WriteFile(Path("image.bin"), l__Raw);
    for (const char* l__Name : {"notes.txt", "truncated.mp3", "truncated.flac", "corrupt.ogg", "empty.mp3", "missing.mp3",
                                "image.iso", "image.bin"}) {
        SCOPED_TRACE(l__Name);
        std::string l__Path = Path(l__Name);
        EXPECT_NE(Sonquill_CompressedFileSupportedIs(const_cast<PCHAR>(l__Path.c_str())), 0u);
        PVOID l__Handle = reinterpret_cast<PVOID>(0x1234);
        EXPECT_NE(Sonquill_CompressedFileReaderObjectCreate(&l__Handle, const_cast<PCHAR>(l__Path.c_str())), 0u);
        EXPECT_EQ(l__Handle, reinterpret_cast<PVOID>(0x1234));  // left untouched
    }
    EXPECT_EQ(Sonquill_CompressedFileSupportedIs(const_cast<PCHAR>(Path("missing.mp3").c_str())), 2u);  // ENOENT
    EXPECT_EQ(Sonquill_CompressedFileSupportedIs(nullptr), 87u);
}

TEST_F(DecodeTest, SonquillByteSourceDeliversTheDecodedAudio) {
    ULONG l__Size = 0;
    auto l__Pcm = Decode(Path("source.mp3"), &l__Size);
    CTarnwick_SonquillFile l__File(Path("source.mp3").c_str());
    EXPECT_EQ(l__File.GetSize(), l__Size);
    EXPECT_TRUE(l__File.GetIsAudioStuff());
    CTarnwick_FileChain l__Chain;
    l__Chain.AddChainTail(&l__File);
    for (int l__Pass = 0; l__Pass < 2; ++l__Pass) {
        l__Chain.SeekToBegin();
        std::vector<unsigned char> l__Read(l__Size);
        l__Chain.Read(l__Size, l__Read.data());
        EXPECT_TRUE(l__Read == l__Pcm) << "pass " << l__Pass;
    }

    // A file that does not decode: the reader's status becomes the system error.
    media::WriteFile(Path("plain.txt"), std::vector<unsigned char>(100, 'x'));
    try {
        CTarnwick_SonquillFile l__Bad(Path("plain.txt").c_str());
        ADD_FAILURE() << "a text file was accepted";
    } catch (CTarnwick_Exception* l__Exception) {
        std::unique_ptr<CTarnwick_Exception, CTarnwick_ExceptionDeleter> l__Owner(l__Exception);
        EXPECT_EQ(l__Exception->GetExceptionNumber(), (ULONG)EXCEPTION_NUMBER_SYSTEM_ERROR);
        EXPECT_NE(l__Exception->GetStatus(), 0u);
        EXPECT_NE(std::string(l__Exception->GetExceptionText()).find("Sonquill_CompressedFileReaderObjectCreate"),
                  std::string::npos);
    }
}

TEST_F(DecodeTest, NoRoomForTheDecodedAudioIsReportedBySizeQueryAndByteSource) {
    const char* l__Saved = std::getenv("TMPDIR");
    std::string l__SavedValue = l__Saved != nullptr ? l__Saved : "";
    ::setenv("TMPDIR", Path("no-such-directory").c_str(), 1);
    PVOID l__Handle = nullptr;
    ASSERT_EQ(Sonquill_CompressedFileReaderObjectCreate(&l__Handle, const_cast<PCHAR>(Path("source.ogg").c_str())), 0u);
    ULONG l__Size = 77;
    EXPECT_EQ(Sonquill_CompressedFileReaderObjectUncompressedSizeGet(l__Handle, &l__Size), 2u);  // ENOENT
    EXPECT_EQ(l__Size, 77u);
    UCHAR l__Buffer[16];
    EXPECT_EQ(Sonquill_CompressedFileReaderObjectRead(l__Handle, l__Buffer, sizeof(l__Buffer)), 2u);
    EXPECT_EQ(Sonquill_CompressedFileReaderObjectDestroy(&l__Handle), 0u);
    try {
        CTarnwick_SonquillFile l__File(Path("source.ogg").c_str());
        ADD_FAILURE() << "the byte source was made without its decoded audio";
    } catch (CTarnwick_Exception* l__Exception) {
        std::unique_ptr<CTarnwick_Exception, CTarnwick_ExceptionDeleter> l__Owner(l__Exception);
        EXPECT_EQ(l__Exception->GetStatus(), 2u);
        EXPECT_NE(std::string(l__Exception->GetExceptionText()).find("Sonquill_CompressedFileReaderObjectUncompressedSizeGet"),
                  std::string::npos);
    }
    if (l__Saved != nullptr)
        ::setenv("TMPDIR", l__SavedValue.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

// Damaged frames are skipped and the rest decodes. The command-line tool may lose more:
// its raw output drops whole packets whose damaged timestamps run backwards, which the
// reader keeps; so the reader's length is at least the reference's.
TEST_F(DecodeTest, DamageInTheMiddleIsSkippedAndTheRestDecodes) {
    for (const char* l__Name : {"source.mp3", "source.flac", "source.ogg"}) {
        SCOPED_TRACE(l__Name);
        auto l__Bytes = media::ReadFile(Path(l__Name));
        auto l__Noise = media::Pattern(3000, 99);
        std::copy(l__Noise.begin(), l__Noise.end(), l__Bytes.begin() + l__Bytes.size() / 2);
        std::string l__Damaged = Path(std::string("damaged-") + l__Name);
        media::WriteFile(l__Damaged, l__Bytes);
        ULONG l__Size = 0;
        auto l__Pcm = Decode(l__Damaged, &l__Size);
        auto l__Reference = media::FfmpegPcm(l__Damaged, l__Damaged);
        EXPECT_GT(l__Reference.size(), 0u);
        EXPECT_GE(l__Pcm.size(), l__Reference.size());
        EXPECT_LE(l__Pcm.size(), media::FfmpegPcm(Path(l__Name), Path(std::string("whole-") + l__Name)).size());
    }
}

TEST_F(DecodeTest, NamesThatLookLikeUrlsAreLocalFiles) {
    // A file called "pipe:0" in the current directory is that file, not standard input.
    std::filesystem::copy_file(Path("source.flac"), Path("pipe:0"));
    std::filesystem::path l__Previous = std::filesystem::current_path();
    std::filesystem::current_path(s__Dir->Path());
    EXPECT_EQ(Sonquill_CompressedFileSupportedIs(const_cast<PCHAR>("pipe:0")), 0u);
    EXPECT_NE(Sonquill_CompressedFileSupportedIs(const_cast<PCHAR>("pipe:1")), 0u);
    std::filesystem::current_path(l__Previous);
}
