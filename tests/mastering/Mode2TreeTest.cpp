// The Mode 2 wrappers: a 2048-byte image presented as 2336-byte Form 1 sectors, and a stream
// of 2332-byte Form 2 sectors presented as 2336-byte sectors with their EDC, checked against
// the virtual recorder's own sector coder, which shares no code with them.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "CTarnwick_CarrierTree.h"
#include "CTarnwick_Exception.h"
#include "CTarnwick_MemoryFile.h"
#include "CTarnwick_Mode2Form1Tree.h"
#include "CTarnwick_Mode2Form2Tree.h"
#include "VdiscSectorCoder.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Pattern(size_t p__Size) {
    Bytes l__Data(p__Size);
    for (size_t i = 0; i < p__Size; ++i) l__Data[i] = static_cast<uint8_t>((i * 7 + i / 2048 * 13 + 5) & 0xFF);
    return l__Data;
}

// The 2336 bytes after the header of the sector the recorder makes of the user data.
Bytes Expected(const uint8_t* p__User, size_t p__Length, bool p__Last) {
    uint8_t l__SubheaderAndData[8 + 2048] = {};
    const uint8_t l__Submode = p__Last ? 0x89 : 0x08;
    l__SubheaderAndData[2] = l__SubheaderAndData[6] = l__Submode;
    std::memcpy(l__SubheaderAndData + 8, p__User, p__Length);
    uint8_t l__Raw[2352];
    VdiscSectorCoder::Mode2Xa(1234, l__SubheaderAndData, l__Raw);
    return Bytes(l__Raw + 16, l__Raw + 2352);
}

}  // namespace

TEST(Mode2Form1Tree, SectorsMatchTheRecordersCoderWhateverTheReadLengths) {
    const Bytes l__Data = Pattern(3 * 2048 + 500);  // a partial last block, padded with zeros
    for (size_t l__Chunk : {size_t{2336}, size_t{1000}, size_t{7 * 2336}, size_t{1}, size_t{2336 + 17}}) {
        SCOPED_TRACE(l__Chunk);
        CTarnwick_MemoryFile l__Source(l__Data.data(), l__Data.size());
        CTarnwick_CarrierTree l__Image(&l__Source);
        CTarnwick_Mode2Form1Tree l__Wrapper(&l__Image, &l__Image);
        ASSERT_EQ(l__Wrapper.GetSize(), 4u * 2336u);
        Bytes l__Out(l__Wrapper.GetSize());
        for (size_t l__At = 0; l__At < l__Out.size(); l__At += l__Chunk)
            l__Wrapper.Read(std::min(l__Chunk, l__Out.size() - l__At), l__Out.data() + l__At);
        for (size_t l__Sector = 0; l__Sector < 4; ++l__Sector) {
            const size_t l__Length = std::min<size_t>(2048, l__Data.size() - 2048 * l__Sector);
            EXPECT_EQ(Bytes(l__Out.begin() + 2336 * l__Sector, l__Out.begin() + 2336 * (l__Sector + 1)),
                      Expected(l__Data.data() + 2048 * l__Sector, l__Length, l__Sector == 3))
                << "sector " << l__Sector;
        }
        // Nothing is left to read: a read past the end is refused, not filled with anything.
        uint8_t l__Byte = 0;
        try {
            l__Wrapper.Read(1, &l__Byte);
            ADD_FAILURE() << "read past the end";
        } catch (CTarnwick_Exception* l__Exception) {
            ASSERT_NE(l__Exception, nullptr);
            EXPECT_EQ(l__Exception->GetExceptionNumber(), ULONG{EXCEPTION_NUMBER_INVALID_STATE});
            delete l__Exception;
        }
    }
}

TEST(Mode2Form1Tree, KeepsTheWrappedTreeAndAnEmptyImageGivesNoSector) {
    CTarnwick_MemoryFile l__Source(nullptr, 0);
    CTarnwick_CarrierTree l__Image(&l__Source);
    int l__Tree = 0;
    CTarnwick_Mode2Form1Tree l__Wrapper(&l__Tree, &l__Image);
    EXPECT_EQ(l__Wrapper.GetWrappedTree(), &l__Tree);
    EXPECT_EQ(l__Wrapper.GetSize(), 0u);
}

TEST(Mode2Form2Tree, SubheadersAndPayloadStayAndTheEdcIsTheRecordersWhateverTheReadLengths) {
    // Three 2332-byte sectors: sub-header twice (video, audio, empty), then a payload pattern.
    const uint8_t l__Submodes[3] = {0x62, 0x64, 0x60};
    Bytes l__Stream(3 * 2332);
    for (size_t l__Sector = 0; l__Sector < 3; ++l__Sector) {
        uint8_t* l__At = l__Stream.data() + 2332 * l__Sector;
        const uint8_t l__Subheader[4] = {1, 1, l__Submodes[l__Sector], 0x0F};
        std::memcpy(l__At, l__Subheader, 4);
        std::memcpy(l__At + 4, l__Subheader, 4);
        for (size_t i = 8; i < 2332; ++i) l__At[i] = static_cast<uint8_t>(i * 31 + l__Sector);
    }
    for (size_t l__Chunk : {size_t{2336}, size_t{999}, size_t{3 * 2336}}) {
        SCOPED_TRACE(l__Chunk);
        CTarnwick_MemoryFile l__Source(l__Stream.data(), l__Stream.size());
        CTarnwick_CarrierTree l__Image(&l__Source);
        CTarnwick_Mode2Form2Tree l__Wrapper(&l__Image, &l__Image);
        ASSERT_EQ(l__Wrapper.GetSize(), 3u * 2336u);
        Bytes l__Out(l__Wrapper.GetSize());
        for (size_t l__At = 0; l__At < l__Out.size(); l__At += l__Chunk)
            l__Wrapper.Read(std::min(l__Chunk, l__Out.size() - l__At), l__Out.data() + l__At);
        for (size_t l__Sector = 0; l__Sector < 3; ++l__Sector) {
            uint8_t l__Raw[2352];
            VdiscSectorCoder::Mode2Xa(0, l__Stream.data() + 2332 * l__Sector, l__Raw);
            EXPECT_EQ(Bytes(l__Out.begin() + 2336 * l__Sector, l__Out.begin() + 2336 * (l__Sector + 1)),
                      Bytes(l__Raw + 16, l__Raw + 2352))
                << "sector " << l__Sector;
        }
    }
}
