// Sources whose size is not a whole number of blocks, burned onto the virtual recorder and
// read back: a data track keeps its tail (the last block padded with zeros), a sound track
// leaves out its partial last sector.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_FileChain.h"
#include "CTarnwick_MemoryFile.h"
#include "FakeClock.h"
#include "RecorderUnderTest.h"
#include "tarnwick.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Analysis {
    LONGLONG m__Size = -1, m__Blocks = -1;
};

void Callback(ULONG p__Reason, PVOID p__Context, PVOID p__One, PVOID p__Two) {
    if (p__Reason != TARGET_FILE_ANALYZE_END) return;
    auto* l__Analysis = static_cast<Analysis*>(p__Context);
    l__Analysis->m__Size = *static_cast<LONGLONG*>(p__One);
    l__Analysis->m__Blocks = *static_cast<LONGLONG*>(p__Two);
}

Bytes Pattern(size_t p__Size) {
    Bytes l__Data(p__Size);
    for (size_t i = 0; i < p__Size; ++i) l__Data[i] = static_cast<uint8_t>((i * 13 + i / 2048 + 1) & 0xFF);
    return l__Data;
}

Bytes ReadFile(const std::string& p__Name) {
    std::ifstream l__Stream(p__Name, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
}

// The data with zeros up to the end of its last block of the given size.
Bytes PaddedTo(Bytes p__Data, size_t p__BlockSize) {
    p__Data.resize((p__Data.size() + p__BlockSize - 1) / p__BlockSize * p__BlockSize, 0);
    return p__Data;
}

// Writes the bytes as one track through the burner; returns the exception number (0: success).
ULONG BurnThroughTheBurner(const Bytes& p__Data, ULONG p__Content, Analysis& p__Analysis) {
    try {
        CTarnwick_CdvdBurnerGrabber l__Burner(Callback, &p__Analysis, 0, 0, 0, 0, 1);
        CTarnwick_MemoryFile l__Source(p__Data.data(), p__Data.size());
        CTarnwick_FileChain l__Chain;
        l__Chain.AddChainTail(&l__Source);
        l__Chain.SeekToBegin();
        l__Burner.TrackAtOnce(&l__Chain, 1, 0, 1, 0, 0, p__Content, 0, 0, 0, 0);
    } catch (CTarnwick_Exception* l__Exception) {
        ULONG l__Number = l__Exception != nullptr ? l__Exception->GetExceptionNumber() : 12;
        ADD_FAILURE() << (l__Exception != nullptr ? l__Exception->GetExceptionText() : "NULL");
        delete l__Exception;
        return l__Number;
    }
    return 0;
}

Bytes ExportTrack(RecorderUnderTest& p__Recorder) {
    const std::string l__Out = p__Recorder.Dir() + "/export.iso";
    std::string l__Output;
    EXPECT_EQ(p__Recorder.Vdisc("export {} --track 1 '" + l__Out + "'", &l__Output), 0) << l__Output;
    return ReadFile(l__Out);
}

TEST(PartialBlockBurn, DataTrackReadsBackWithItsTailThenZeros) {
    FakeClock l__Clock;
    // 5,000 bytes (a partial third block); a tail alone after two full cache blocks.
    for (const char* l__Media : {"cdr", "dvdr", "dvdplusrw"}) {
        for (size_t l__Size : {size_t{5000}, size_t{2 * 61440 + 100}}) {
            SCOPED_TRACE(std::string(l__Media) + " " + std::to_string(l__Size));
            RecorderUnderTest l__Recorder(l__Media);
            const Bytes l__Data = Pattern(l__Size);
            Analysis l__Analysis;
            ASSERT_EQ(BurnThroughTheBurner(l__Data, 1, l__Analysis), 0u);
            EXPECT_EQ(l__Analysis.m__Size, static_cast<LONGLONG>(l__Size));
            EXPECT_EQ(l__Analysis.m__Blocks, static_cast<LONGLONG>((l__Size + 2047) / 2048));
            EXPECT_EQ(ExportTrack(l__Recorder), PaddedTo(l__Data, 2048));
        }
    }
}

TEST(PartialBlockBurn, SoundTrackLeavesOutItsPartialLastSector) {
    FakeClock l__Clock;
    // The partial sector after a patched last transfer, and alone after a full transfer.
    for (size_t l__Sectors : {size_t{40}, size_t{26}}) {
        SCOPED_TRACE(l__Sectors);
        RecorderUnderTest l__Recorder("cdr");
        const Bytes l__Audio = Pattern(2352 * l__Sectors + 1000);
        Analysis l__Analysis;
        ASSERT_EQ(BurnThroughTheBurner(l__Audio, 2, l__Analysis), 0u);
        EXPECT_EQ(l__Analysis.m__Blocks, static_cast<LONGLONG>(l__Sectors));
        const std::string l__Cue = l__Recorder.Dir() + "/disc.cue";
        std::string l__Output;
        ASSERT_EQ(l__Recorder.Vdisc("export {} --cue '" + l__Cue + "'", &l__Output), 0) << l__Output;
        EXPECT_EQ(ReadFile(l__Recorder.Dir() + "/disc.bin"), Bytes(l__Audio.begin(), l__Audio.end() - 1000));
    }
}

// The flat function the Pellmark program calls, with a data file of 5,000 bytes.
TEST(PartialBlockBurn, PellmarkBurnsTheWholeDataFile) {
    RecorderUnderTest l__Recorder("cdr");
    ASSERT_EQ(Tarnwick_UpStart(), 0u);
    PVOID l__Burner = nullptr;
    char l__Text[1024] = {};
    ULONG l__SystemError = 31;
    CDB_FAILURE_INFORMATION l__Info{};
    Analysis l__Analysis;
    ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_Create(&l__Burner, l__Text, sizeof(l__Text), &l__SystemError, &l__Info, Callback,
                                                &l__Analysis, 0, 0, 0, 0, 0),
              0u)
        << l__Text;
    const Bytes l__Data = Pattern(5000);
    std::string l__Name = l__Recorder.Dir() + "/data.bin";
    std::ofstream(l__Name, std::ios::binary)
        .write(reinterpret_cast<const char*>(l__Data.data()), static_cast<std::streamsize>(l__Data.size()));
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_Pellmark(l__Burner, l__Text, sizeof(l__Text), &l__SystemError, &l__Info,
                                                  l__Name.data(), 1, 0, 1, 1, 5),
              0u)
        << l__Text;
    EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_CloseSession(l__Burner, l__Text, sizeof(l__Text), &l__SystemError, &l__Info), 0u)
        << l__Text;
    Tarnwick_Destroy(&l__Burner);
    Tarnwick_DownShut();
    EXPECT_EQ(l__Analysis.m__Blocks, 3);
    EXPECT_EQ(ExportTrack(l__Recorder), PaddedTo(l__Data, 2048));
}

}  // namespace
