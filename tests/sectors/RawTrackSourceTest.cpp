// The raw track sources: a cooked image of a data and an audio track expanded into raw
// blocks with their Q data, and a raw image passed on with its own or fresh sub-channel.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <random>
#include <vector>

#include "CTarnwick_Exception.h"
#include "CTarnwick_ISO9660FileTreeRawPQ.h"
#include "CTarnwick_ISO9660FileTreeRawRawPW.h"
#include "CTarnwick_MemoryFile.h"
#include "SubchannelReference.h"
#include "TraceCapture.h"

namespace {

using namespace SubchannelReference;

// A byte source over bytes it keeps.
struct Image {
    explicit Image(std::vector<UCHAR> p__Bytes) : m__Bytes(std::move(p__Bytes)), m__File(m__Bytes.data(), m__Bytes.size()) {
        m__Chain.AddChainTail(&m__File);
        m__Chain.SeekToBegin();
    }
    std::vector<UCHAR> m__Bytes;
    CTarnwick_MemoryFile m__File;
    CTarnwick_FileChain m__Chain;
};

std::vector<UCHAR> RandomBytes(size_t p__size_t__Count, unsigned p__unsigned__Seed) {
    std::mt19937 l__Generator(p__unsigned__Seed);
    std::vector<UCHAR> l__Bytes(p__size_t__Count);
    for (UCHAR& l__UCHAR__Byte : l__Bytes) l__UCHAR__Byte = static_cast<UCHAR>(l__Generator());
    return l__Bytes;
}

constexpr LONG g__LONG__DataBlocks = 20;
constexpr LONG g__LONG__AudioBlocks = 12;

// A data track of 20 blocks at LBA 0 and an audio track of 12 behind it.
std::unique_ptr<DISC_AT_ONCE_TRACK_LIST> TwoTracks(LONG p__LONG__FirstStart = 0) {
    auto l__List = std::make_unique<DISC_AT_ONCE_TRACK_LIST>();
    l__List->m__ULONG__NumberOfTracks = 2;
    DISC_AT_ONCE_TRACK_ENTRY* l__Track = l__List->m__DISC_AT_ONCE_TRACK_ENTRY__Tracks;
    l__Track[0] = {};
    l__Track[0].m__LONG__StartLBA = p__LONG__FirstStart;
    l__Track[0].m__LONG__SizeInLBs = g__LONG__DataBlocks;
    l__Track[0].m__BOOLEAN__IsDataTrack = TRUE;
    l__Track[1] = {};
    l__Track[1].m__LONG__StartLBA = p__LONG__FirstStart + g__LONG__DataBlocks;
    l__Track[1].m__LONG__SizeInLBs = g__LONG__AudioBlocks;
    return l__List;
}

std::vector<UCHAR> CookedImage() { return RandomBytes(g__LONG__DataBlocks * 2048 + g__LONG__AudioBlocks * 2352, 2048); }

std::vector<UCHAR> ReadInChunks(CTarnwick_FileChain& p__Source, const std::vector<size_t>& p__Chunks) {
    std::vector<UCHAR> l__Bytes(p__Source.GetSize());
    size_t l__size_t__Done = 0, l__size_t__Next = 0;
    while (l__size_t__Done < l__Bytes.size()) {
        const size_t l__size_t__Take = std::min(p__Chunks[l__size_t__Next++ % p__Chunks.size()], l__Bytes.size() - l__size_t__Done);
        p__Source.Read(l__size_t__Take, l__Bytes.data() + l__size_t__Done);
        l__size_t__Done += l__size_t__Take;
    }
    return l__Bytes;
}

// Checks every block of the expansion of CookedImage() over TwoTracks(p__LONG__FirstStart).
void ExpectTwoTracks(const std::vector<UCHAR>& p__Raw, size_t p__size_t__BlockBytes, bool p__bool__Mode2, ULONG p__ULONG__BaseTrack,
                     LONG p__LONG__FirstStart = 0) {
    const std::vector<UCHAR> l__Cooked = CookedImage();
    ASSERT_EQ(p__Raw.size(), size_t(g__LONG__DataBlocks + g__LONG__AudioBlocks) * p__size_t__BlockBytes);
    for (LONG l__LONG__Block = 0; l__LONG__Block < g__LONG__DataBlocks + g__LONG__AudioBlocks; ++l__LONG__Block) {
        SCOPED_TRACE("block " + std::to_string(l__LONG__Block));
        const UCHAR* l__PUCHAR__Block = p__Raw.data() + l__LONG__Block * p__size_t__BlockBytes;
        const bool l__bool__Data = l__LONG__Block < g__LONG__DataBlocks;
        const LONG l__LONG__InTrack = l__bool__Data ? l__LONG__Block : l__LONG__Block - g__LONG__DataBlocks;
        const long l__long__DiscLBA = p__LONG__FirstStart + l__LONG__Block;
        bool l__bool__P = true;
        const auto l__Q = CheckedQ(l__PUCHAR__Block, p__size_t__BlockBytes, &l__bool__P);
        EXPECT_FALSE(l__bool__P);
        EXPECT_EQ(l__Q[0], l__bool__Data ? 0x41 : 0x01);
        EXPECT_EQ(l__Q[1], Bcd(p__ULONG__BaseTrack + (l__bool__Data ? 0 : 1)));
        EXPECT_EQ(l__Q[2], 0x01);
        EXPECT_EQ(QTime(l__Q), FramesToMsf(l__LONG__InTrack));
        EXPECT_EQ(QPointOrAbsoluteTime(l__Q), AbsoluteMsf(l__long__DiscLBA));
        if (l__bool__Data) {
            ExpectDataSector(l__PUCHAR__Block, l__long__DiscLBA, p__bool__Mode2 ? Kind::Mode2Form1 : Kind::Mode1,
                             l__Cooked.data() + l__LONG__Block * 2048);
        } else {
            const UCHAR* l__PUCHAR__Audio = l__Cooked.data() + g__LONG__DataBlocks * 2048 + l__LONG__InTrack * 2352;
            EXPECT_TRUE(std::equal(l__PUCHAR__Audio, l__PUCHAR__Audio + 2352, l__PUCHAR__Block)) << "audio bytes unchanged";
        }
    }
}

TEST(RawTrackSource, DataThenAudioTrackExpandWithTrackSwitch) {
    auto l__List = TwoTracks();
    {
        Image l__Image(CookedImage());
        TraceCapture l__Capture;
        CTarnwick_ISO9660FileTreeRawRawPW l__Source(&l__Image.m__Chain, l__List.get(), FALSE);
        ExpectTwoTracks(ReadInChunks(l__Source, {2448}), 2448, false, 1);
        REQUIRE_TRACING();
        EXPECT_EQ(l__Capture.Text(),
                  "\nCTarnwick_ISO9660FileTreeRawRawPW::ExpandCookedWithRawRawPW(): Track switch, track index 0, track LBA 0, "
                  "track size in LBs 20\n");
    }
    Image l__Image(CookedImage());
    TraceCapture l__Capture;
    CTarnwick_ISO9660FileTreeRawPQ l__Source(&l__Image.m__Chain, l__List.get(), FALSE);
    ExpectTwoTracks(ReadInChunks(l__Source, {2368 * 5}), 2368, false, 1);
    REQUIRE_TRACING();
    EXPECT_EQ(l__Capture.Text(),
              "\nCTarnwick_ISO9660FileTreeRawPQ::ExpandCookedWithRawPQ(): Track switch, track index 0, track LBA 0, "
              "track size in LBs 20\n");
}

TEST(RawTrackSource, Mode2Form1DataFromOffset24AndBaseTrackNumber) {
    auto l__List = TwoTracks();
    Image l__Image(CookedImage());
    CTarnwick_ISO9660FileTreeRawRawPW l__Source(&l__Image.m__Chain, l__List.get(), TRUE, 9);
    // Tracks 9 and 10: the second in BCD as 10h.
    ExpectTwoTracks(ReadInChunks(l__Source, {2448 * 32}), 2448, true, 9);
}

TEST(RawTrackSource, DataTrackAwayFromLbaZeroCarriesItsDiscAddress) {
    // The sector header and the Q absolute time are those of the disc LBA; the relative
    // time is the block's number within the track.
    auto l__List = TwoTracks(300);
    Image l__Image(CookedImage());
    CTarnwick_ISO9660FileTreeRawPQ l__Source(&l__Image.m__Chain, l__List.get(), FALSE);
    ExpectTwoTracks(ReadInChunks(l__Source, {2368}), 2368, false, 1, 300);
}

TEST(RawTrackSource, OddReadLengthsGiveTheSameBytesAsWholeBlocks) {
    auto l__List = TwoTracks();
    for (const bool l__bool__PQ : {true, false}) {
        Image l__Whole(CookedImage()), l__Odd(CookedImage());
        std::unique_ptr<CTarnwick_FileChain> l__A, l__B;
        if (l__bool__PQ) {
            l__A = std::make_unique<CTarnwick_ISO9660FileTreeRawPQ>(&l__Whole.m__Chain, l__List.get(), FALSE);
            l__B = std::make_unique<CTarnwick_ISO9660FileTreeRawPQ>(&l__Odd.m__Chain, l__List.get(), FALSE);
        } else {
            l__A = std::make_unique<CTarnwick_ISO9660FileTreeRawRawPW>(&l__Whole.m__Chain, l__List.get(), FALSE);
            l__B = std::make_unique<CTarnwick_ISO9660FileTreeRawRawPW>(&l__Odd.m__Chain, l__List.get(), FALSE);
        }
        const size_t l__size_t__BlockBytes = l__bool__PQ ? 2368 : 2448;
        const std::vector<UCHAR> l__Blocks = ReadInChunks(*l__A, {l__size_t__BlockBytes});
        EXPECT_EQ(ReadInChunks(*l__B, {7, 1, l__size_t__BlockBytes + 1, 3000, l__size_t__BlockBytes * 2, 5}), l__Blocks);
        // Nothing is left to read.
        try {
            UCHAR l__UCHAR__Byte;
            l__B->Read(1, &l__UCHAR__Byte);
            ADD_FAILURE() << "read past the end";
        } catch (CTarnwick_Exception* l__Exception) {
            EXPECT_EQ(l__Exception->GetExceptionNumber(), ULONG(EXCEPTION_NUMBER_INVALID_STATE));
            delete l__Exception;
        }
    }
}

// A raw image of unscrambled sectors with sub-channel bytes of its own (a Q record of its
// own making spread, the P flag in every byte of odd blocks).
std::vector<UCHAR> RawImage(int p__int__Blocks) {
    std::vector<UCHAR> l__Bytes = RandomBytes(size_t(p__int__Blocks) * 2448, 2448);
    for (int l__int__Block = 0; l__int__Block < p__int__Blocks; ++l__int__Block) {
        UCHAR* l__PUCHAR__Sub = l__Bytes.data() + l__int__Block * 2448 + 2352;
        for (int l__int__Symbol = 0; l__int__Symbol < 96; ++l__int__Symbol)
            l__PUCHAR__Sub[l__int__Symbol] = static_cast<UCHAR>((l__PUCHAR__Sub[l__int__Symbol] & 0x40) | ((l__int__Block % 2) ? 0x80 : 0));
    }
    return l__Bytes;
}

TEST(RawTrackSource, RawImageScrambledWithItsOwnOrFreshSubchannel) {
    const int l__int__Blocks = 6;
    const std::vector<UCHAR> l__Raw = RawImage(l__int__Blocks);
    for (const bool l__bool__Synthesise : {false, true})
        for (const size_t l__size_t__BlockBytes : {size_t(2368), size_t(2448)}) {
            SCOPED_TRACE(std::to_string(l__size_t__BlockBytes) + (l__bool__Synthesise ? " fresh" : " own"));
            Image l__Image(l__Raw);
            std::unique_ptr<CTarnwick_FileChain> l__Source;
            if (l__size_t__BlockBytes == 2368)
                l__Source = std::make_unique<CTarnwick_ISO9660FileTreeRawPQ>(&l__Image.m__Chain, l__bool__Synthesise);
            else
                l__Source = std::make_unique<CTarnwick_ISO9660FileTreeRawRawPW>(&l__Image.m__Chain, l__bool__Synthesise);
            const std::vector<UCHAR> l__Out = ReadInChunks(*l__Source, {1000});
            ASSERT_EQ(l__Out.size(), l__int__Blocks * l__size_t__BlockBytes);
            for (int l__int__Block = 0; l__int__Block < l__int__Blocks; ++l__int__Block) {
                const UCHAR* l__PUCHAR__In = l__Raw.data() + l__int__Block * 2448;
                const UCHAR* l__PUCHAR__Out = l__Out.data() + l__int__Block * l__size_t__BlockBytes;
                std::vector<UCHAR> l__Sector(l__PUCHAR__Out, l__PUCHAR__Out + 2352);
                Descramble(l__Sector.data());
                EXPECT_TRUE(std::equal(l__Sector.begin(), l__Sector.end(), l__PUCHAR__In)) << "block " << l__int__Block;
                if (l__bool__Synthesise) {
                    bool l__bool__P = true;
                    const auto l__Q = CheckedQ(l__PUCHAR__Out, l__size_t__BlockBytes, &l__bool__P);
                    EXPECT_FALSE(l__bool__P);
                    EXPECT_EQ(l__Q[0], 0x41);
                    EXPECT_EQ(l__Q[1], 0x01);
                    EXPECT_EQ(l__Q[2], 0x01);
                    EXPECT_EQ(QTime(l__Q), FramesToMsf(l__int__Block));
                    EXPECT_EQ(QPointOrAbsoluteTime(l__Q), AbsoluteMsf(l__int__Block));
                } else if (l__size_t__BlockBytes == 2448) {
                    EXPECT_TRUE(std::equal(l__PUCHAR__In + 2352, l__PUCHAR__In + 2448, l__PUCHAR__Out + 2352)) << "block " << l__int__Block;
                } else {
                    // The P-Q form: Q gathered from bit 6, P from bit 7 of the first symbol.
                    const Subchannel l__Own = ReadSubchannel(l__PUCHAR__In, 2448);
                    const Subchannel l__Sent = ReadSubchannel(l__PUCHAR__Out, 2368);
                    EXPECT_EQ(l__Sent.m__Q, l__Own.m__Q) << "block " << l__int__Block;
                    EXPECT_EQ(l__Sent.m__bool__P, l__int__Block % 2 == 1) << "block " << l__int__Block;
                }
            }
        }
}

TEST(RawTrackSource, InputsThatCannotBeExpandedAreRefused) {
    auto l__List = TwoTracks();
    Image l__Partial(RandomBytes(2448 * 2 + 100, 1));
    Image l__Cooked(CookedImage());
    auto l__Overlong = TwoTracks();
    l__Overlong->m__ULONG__NumberOfTracks = DISC_AT_ONCE_MAXIMUM_TRACKS + 1;
    const std::vector<std::function<void()>> l__Attempts = {
        [&] { CTarnwick_ISO9660FileTreeRawPQ l__S(&l__Partial.m__Chain, FALSE); },
        [&] { CTarnwick_ISO9660FileTreeRawRawPW l__S(nullptr, l__List.get(), FALSE); },
        [&] { CTarnwick_ISO9660FileTreeRawRawPW l__S(&l__Cooked.m__Chain, nullptr, FALSE); },
        [&] { CTarnwick_ISO9660FileTreeRawPQ l__S(&l__Cooked.m__Chain, l__Overlong.get(), FALSE); },
    };
    for (size_t l__size_t__Attempt = 0; l__size_t__Attempt < l__Attempts.size(); ++l__size_t__Attempt) {
        try {
            l__Attempts[l__size_t__Attempt]();
            ADD_FAILURE() << "attempt " << l__size_t__Attempt << " constructed";
        } catch (CTarnwick_Exception* l__Exception) {
            EXPECT_EQ(l__Exception->GetExceptionNumber(), ULONG(EXCEPTION_NUMBER_INVALID_PARAMETER)) << "attempt " << l__size_t__Attempt;
            delete l__Exception;
        }
    }
}

// The image is read ahead in large pieces, yet never past what the list says: an image that
// ends early gives every block it holds, and the first block it cannot fill fails.
TEST(RawTrackSource, ShortImageFailsAtTheFirstBlockItCannotFill) {
    auto l__List = TwoTracks();
    std::vector<UCHAR> l__Bytes = CookedImage();
    l__Bytes.resize(g__LONG__DataBlocks * 2048 + 5 * 2352);  // 5 of the 12 audio blocks
    Image l__Short(l__Bytes);
    Image l__Whole(CookedImage());
    CTarnwick_ISO9660FileTreeRawRawPW l__FromShort(&l__Short.m__Chain, l__List.get(), FALSE);
    CTarnwick_ISO9660FileTreeRawRawPW l__FromWhole(&l__Whole.m__Chain, l__List.get(), FALSE);
    const size_t l__size_t__Held = (g__LONG__DataBlocks + 5) * 2448;
    std::vector<UCHAR> l__Got(l__size_t__Held), l__Expected(l__size_t__Held);
    l__FromShort.Read(l__Got.size(), l__Got.data());
    l__FromWhole.Read(l__Expected.size(), l__Expected.data());
    EXPECT_EQ(l__Got, l__Expected);
    std::vector<UCHAR> l__Next(2448);
    try {
        l__FromShort.Read(l__Next.size(), l__Next.data());
        ADD_FAILURE() << "a block beyond the image was delivered";
    } catch (CTarnwick_Exception* l__Exception) {
        EXPECT_EQ(l__Exception->GetExceptionNumber(), ULONG(EXCEPTION_NUMBER_INVALID_STATE));
        delete l__Exception;
    }
}

}  // namespace
