#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "MediaFixture.h"
#include "sonquill.h"

namespace {

// Points the toolkit's debug log at a file with the given level (facility 1) and
// restores the quiet defaults afterwards.
class DebugLogFile {
public:
    explicit DebugLogFile(int p__Level) {
        ::setenv("SONQUILL_DEBUGFILENAME", (m__Dir / "sonquill.log").c_str(), 1);
        ::setenv("SONQUILL_DEBUGFACILITY", "1", 1);
        ::setenv("SONQUILL_DEBUGLEVEL", std::to_string(p__Level).c_str(), 1);
        Sonquill_UpStart();
    }
    ~DebugLogFile() {
        ::setenv("SONQUILL_DEBUGFACILITY", "0", 1);
        ::setenv("SONQUILL_DEBUGLEVEL", "0", 1);
        ::unsetenv("SONQUILL_DEBUGFILENAME");
        Sonquill_UpStart();
        Sonquill_DownShut();
    }
    std::string Text() {
        auto l__Bytes = media::ReadFile(m__Dir / "sonquill.log");
        return std::string(l__Bytes.begin(), l__Bytes.end());
    }

private:
    ScratchDirectory m__Dir;
};

PCHAR C(const std::string& p__Text) { return const_cast<PCHAR>(p__Text.c_str()); }

}  // namespace

TEST(SonquillApi, WaveHeaderIsFormattedAndEachFieldVerified) {
    SONQUILL_WAVE_FILE_HEADER l__Header;
    std::memset(&l__Header, 0xCC, sizeof(l__Header));
    ASSERT_EQ(Sonquill_WaveFileHeaderFormat(&l__Header, 1000), 0u);
    auto l__Expected = media::WaveFile(44100, 2, std::vector<unsigned char>(1000));
    EXPECT_EQ(std::memcmp(&l__Header, l__Expected.data(), 44), 0);
    EXPECT_EQ(Sonquill_WaveFileHeaderVerify(&l__Header), 0u);

    // Each checked field, changed, fails; the two sizes are not checked.
    for (size_t l__Offset = 0; l__Offset < 44; ++l__Offset) {
        SONQUILL_WAVE_FILE_HEADER l__Changed = l__Header;
        reinterpret_cast<UCHAR*>(&l__Changed)[l__Offset] ^= 0x10;
        bool l__IsSize = (l__Offset >= 4 && l__Offset < 8) || l__Offset >= 40;
        EXPECT_EQ(Sonquill_WaveFileHeaderVerify(&l__Changed), l__IsSize ? 0u : 87u) << "offset " << l__Offset;
    }
    EXPECT_EQ(Sonquill_WaveFileHeaderFormat(nullptr, 0), 87u);
    EXPECT_EQ(Sonquill_WaveFileHeaderVerify(nullptr), 87u);
}

TEST(SonquillApi, DebugLogHonoursLevelAndNamesTheFailedField) {
    SONQUILL_WAVE_FILE_HEADER l__Header;
    Sonquill_WaveFileHeaderFormat(&l__Header, 0);
    l__Header.m__SONQUILL_WAVE_FORMAT_CHUNK.m__ULONG__SamplesPerSecond = 22050;
    {
        DebugLogFile l__Log(0);
        EXPECT_EQ(Sonquill_WaveFileHeaderVerify(&l__Header), 87u);
        EXPECT_EQ(l__Log.Text(),
                  "Sonquill_WaveFileHeaderVerify(): m__SONQUILL_WAVE_FORMAT_CHUNK.m__ULONG__SamplesPerSecond == 22050 "
                  "instead of 44100, status 87 ( 0x57 )\n");
    }
    {
        DebugLogFile l__Log(1);
        ULONG l__Version = 0;
        EXPECT_EQ(Sonquill_VersionGet(&l__Version), 0u);
        EXPECT_EQ(l__Version, 0x20040814u);
        EXPECT_EQ(l__Log.Text(),
                  "Sonquill_UpStart(): >>> ENTERed\nSonquill_UpStart(): <<< EXITing with success\n"
                  "Sonquill_VersionGet(): >>> ENTERed\nSonquill_VersionGet(): <<< EXITing with success\n");
    }
    {
        DebugLogFile l__Log(3);
        ScratchDirectory l__Dir;
        EXPECT_EQ(Sonquill_CompressedFileSupportedIs(C(l__Dir / "none.mp3")), 2u);
        std::string l__Text = l__Log.Text();
        EXPECT_NE(l__Text.find("Sonquill_CompressedFileReaderObjectCreate(): p__PCHAR__CompressedFileName == '" +
                               (l__Dir / "none.mp3") + "'"),
                  std::string::npos);
        EXPECT_NE(l__Text.find("Sonquill_CompressedFileSupportedIs(): >>> ENTERed\n"), std::string::npos);
    }
}

TEST(SonquillApi, HandlesAreGuardedAndDestroyedOnce) {
    REQUIRE_TOOL("sox");
    ScratchDirectory l__Dir;
    ASSERT_TRUE(media::Run("sox -n -r 44100 -c 2 -b 16 '" + (l__Dir / "a.wav") + "' synth 0.2 sine 440"));
    PVOID l__Reader = nullptr;
    ASSERT_EQ(Sonquill_CompressedFileReaderObjectCreate(&l__Reader, C(l__Dir / "a.wav")), 0u);
    ASSERT_NE(l__Reader, nullptr);
    PSONQUILL_HANDLE l__Record = static_cast<PSONQUILL_HANDLE>(l__Reader);
    EXPECT_EQ(l__Record->m__ULONG__Header, SONQUILL_READER_HEADER);
    EXPECT_EQ(l__Record->m__ULONG__Tailer, SONQUILL_READER_TAILER);

    // A reader handle is not a writer handle, and a damaged guard is refused.
    UCHAR l__Byte[4];
    EXPECT_EQ(Sonquill_CompressedFileWriterObjectWrite(l__Reader, l__Byte, 4), 87u);
    {
        DebugLogFile l__Log(0);
        l__Record->m__ULONG__Tailer ^= 1;
        EXPECT_EQ(Sonquill_CompressedFileReaderObjectRead(l__Reader, l__Byte, 4), 87u);
        EXPECT_NE(l__Log.Text().find("Sonquill_CompressedFileReaderObjectRead(): Tailer is bad, got 0x54435245 instead "
                                     "of expected 0x54435244, failed, status 87 ( 0x57 )\n"),
                  std::string::npos);
        l__Record->m__ULONG__Tailer ^= 1;
    }
    ULONG l__Size = 0;
    EXPECT_EQ(Sonquill_CompressedFileReaderObjectUncompressedSizeGet(l__Reader, &l__Size), 0u);
    EXPECT_EQ(l__Size, 8820u * 4);
    EXPECT_EQ(Sonquill_CompressedFileReaderObjectUncompressedSizeGet(l__Reader, nullptr), 87u);
    EXPECT_EQ(Sonquill_CompressedFileReaderObjectRead(l__Reader, nullptr, 4), 87u);

    EXPECT_EQ(Sonquill_CompressedFileReaderObjectDestroy(&l__Reader), 0u);
    EXPECT_EQ(l__Reader, nullptr);
    EXPECT_EQ(Sonquill_CompressedFileReaderObjectDestroy(&l__Reader), 87u);
    EXPECT_EQ(Sonquill_CompressedFileReaderObjectDestroy(nullptr), 87u);

    PVOID l__Writer = nullptr;
    ASSERT_EQ(Sonquill_CompressedFileWriterObjectCreate(&l__Writer, C(l__Dir / "b.ogg"), 30), 0u);
    EXPECT_EQ(static_cast<PSONQUILL_HANDLE>(l__Writer)->m__ULONG__Header, SONQUILL_WRITER_HEADER);
    EXPECT_EQ(Sonquill_CompressedFileReaderObjectBeginSeek(l__Writer), 87u);
    EXPECT_EQ(Sonquill_CompressedFileWriterObjectDestroy(&l__Writer), 0u);
    EXPECT_EQ(Sonquill_CompressedFileWriterObjectDestroy(&l__Writer), 87u);
    EXPECT_EQ(Sonquill_CompressedFileWriterObjectCreate(nullptr, C(l__Dir / "c.ogg"), 30), 87u);
    EXPECT_EQ(Sonquill_CompressedFileWriterObjectCreate(&l__Writer, nullptr, 30), 87u);
}

TEST(SonquillApi, ConversionArgumentsAreChecked) {
    ScratchDirectory l__Dir;
    media::WriteFile(l__Dir / "a.wav", media::WaveFile(44100, 2, std::vector<unsigned char>(4000)));
    auto l__Continue = [](PVOID) -> ULONG { return 0; };
    ULONG l__Size = 0;
    EXPECT_EQ(Sonquill_CompressedFileUncompress(C(l__Dir / "a.wav"), C(l__Dir / "o.wav"), 4096, TRUE, nullptr, l__Continue,
                                                nullptr),
              87u);
    EXPECT_EQ(Sonquill_CompressedFileUncompress(C(l__Dir / "a.wav"), C(l__Dir / "o.wav"), 4096, TRUE, &l__Size, nullptr,
                                                nullptr),
              87u);
    EXPECT_EQ(Sonquill_CompressedFileUncompress(C(l__Dir / "a.wav"), C(l__Dir / "o.wav"), 0, TRUE, &l__Size, l__Continue,
                                                nullptr),
              87u);
    EXPECT_EQ(Sonquill_UncompressedFileCompress(C(l__Dir / "a.wav"), C(l__Dir / "o.flac"), 4096, nullptr, nullptr, 0), 87u);
    EXPECT_EQ(Sonquill_UncompressedFileCompress(nullptr, C(l__Dir / "o.flac"), 4096, l__Continue, nullptr, 0), 87u);
    EXPECT_FALSE(std::filesystem::exists(l__Dir / "o.wav"));
    EXPECT_FALSE(std::filesystem::exists(l__Dir / "o.flac"));

    EXPECT_EQ(Sonquill_UncompressedFileSupportedIs(C(l__Dir / "a.wav")), 0u);
    EXPECT_EQ(Sonquill_UncompressedFileSupportedIs(C(l__Dir / "missing.wav")), 2u);
    EXPECT_EQ(Sonquill_UncompressedFileSupportedIs(nullptr), 87u);
}
