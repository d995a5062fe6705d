// How the disc file lays out the records of a burn: new files pad the blocks of a burn so that
// the file grows in whole, aligned 64 KiB pieces; files of the first version are read as they
// are and never padded.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "VdiscTestDrive.h"

namespace {

std::vector<uint8_t> Blocks(int32_t p__LONG__Lba, uint32_t p__ULONG__Count) {
    std::vector<uint8_t> l__Data(static_cast<size_t>(p__ULONG__Count) * 2048);
    for (size_t i = 0; i < l__Data.size(); ++i) l__Data[i] = static_cast<uint8_t>((static_cast<size_t>(p__LONG__Lba) * 2048 + i) * 2654435761u >> 13);
    return l__Data;
}

std::vector<uint8_t> ReadWhole(const std::string& p__string__Path) {
    std::ifstream l__Stream(p__string__Path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
}

uint32_t Le32(const std::vector<uint8_t>& p__Data, size_t p__size_t__At) {
    return p__Data[p__size_t__At] | (p__Data[p__size_t__At + 1] << 8) | (p__Data[p__size_t__At + 2] << 16) |
           (static_cast<uint32_t>(p__Data[p__size_t__At + 3]) << 24);
}

// One record as the file holds it, walked here independently of the recorder's own reader:
// a 48-byte header (type at 4, payload length at 8, padding at 40), the padding, the payload
// and an 8-byte trailer.
struct Record {
    uint64_t m__ULONGLONG__At = 0;
    uint32_t m__ULONG__Type = 0;
    uint64_t m__ULONGLONG__Length = 0;
    uint32_t m__ULONG__Padding = 0;
    uint64_t End() const { return m__ULONGLONG__At + 48 + m__ULONG__Padding + m__ULONGLONG__Length + 8; }
};

std::vector<Record> Walk(const std::vector<uint8_t>& p__File) {
    std::vector<Record> l__Records;
    size_t l__size_t__At = 32;
    while (l__size_t__At + 56 <= p__File.size() && Le32(p__File, l__size_t__At) == 0x44524356u) {
        Record l__Record;
        l__Record.m__ULONGLONG__At = l__size_t__At;
        l__Record.m__ULONG__Type = Le32(p__File, l__size_t__At + 4);
        l__Record.m__ULONGLONG__Length = Le32(p__File, l__size_t__At + 8) | (static_cast<uint64_t>(Le32(p__File, l__size_t__At + 12)) << 32);
        l__Record.m__ULONG__Padding = Le32(p__File, l__size_t__At + 40);
        if (l__Record.End() > p__File.size() || Le32(p__File, l__Record.End() - 8) != 0x454E4F44u) break;
        l__Records.push_back(l__Record);
        l__size_t__At = l__Record.End();
    }
    return l__Records;
}

// Turns the file's magic into that of the first version, as earlier programs wrote it.
void MarkVersionOne(const std::string& p__string__Path) {
    std::fstream l__Stream(p__string__Path, std::ios::binary | std::ios::in | std::ios::out);
    l__Stream.seekp(7);
    l__Stream.put('1');
}

void WriteBurn(VdiscTestDrive& p__Drive, int32_t p__LONG__Writes) {
    for (int32_t l__LONG__I = 0; l__LONG__I < p__LONG__Writes; ++l__LONG__I)
        ASSERT_TRUE(p__Drive.Write(l__LONG__I * 30, 30, Blocks(l__LONG__I * 30, 30)).Ok());
    // A short last block, as a track's end leaves it.
    ASSERT_TRUE(p__Drive.Write(p__LONG__Writes * 30, 7, Blocks(p__LONG__Writes * 30, 7)).Ok());
    ASSERT_TRUE(p__Drive.Sync().Ok());
}

void ExpectReadsBack(VdiscTestDrive& p__Drive, int32_t p__LONG__Writes) {
    p__Drive.Reopen();
    for (int32_t l__LONG__I = 0; l__LONG__I < p__LONG__Writes; ++l__LONG__I)
        ASSERT_EQ(p__Drive.Read(l__LONG__I * 30, 30).m__Data, Blocks(l__LONG__I * 30, 30)) << "write " << l__LONG__I;
    EXPECT_EQ(p__Drive.Read(p__LONG__Writes * 30, 7).m__Data, Blocks(p__LONG__Writes * 30, 7));
}

TEST(VdiscFileLayout, BlocksOfABurnFallIntoWholeAligned64KiBPiecesWithinAFewRecords) {
    VdiscTestDrive l__Drive(VdiscMediumKind::DvdPlusR);
    WriteBurn(l__Drive, 60);
    const std::vector<uint8_t> l__File = ReadWhole(l__Drive.File());
    ASSERT_GE(l__File.size(), 32u);
    EXPECT_EQ(std::string(l__File.begin(), l__File.begin() + 8), "TWVDISC2");
    const std::vector<Record> l__Records = Walk(l__File);
    ASSERT_FALSE(l__Records.empty());
    EXPECT_EQ(l__Records.back().End(), l__File.size());  // every byte belongs to a complete record

    size_t l__size_t__Sectors = 0, l__size_t__Aligned = 0, l__size_t__FirstAligned = 0;
    for (const Record& l__Record : l__Records) {
        if (l__Record.m__ULONG__Type != 2) {
            EXPECT_EQ(l__Record.m__ULONG__Padding, 0u);  // the state is never padded
            continue;
        }
        ++l__size_t__Sectors;
        EXPECT_LE(l__Record.m__ULONG__Padding, l__Record.m__ULONGLONG__Length / 8);
        if (l__Record.m__ULONG__Padding != 0) {
            EXPECT_EQ(l__Record.End() % 65536, 0u);
        }
        if (l__Record.m__ULONGLONG__Length == 30 * 2048 && l__Record.End() % 65536 == 0) {
            if (l__size_t__Aligned++ == 0) l__size_t__FirstAligned = l__size_t__Sectors;
            // Once in step, a block of 30 sectors takes exactly 64 KiB.
            if (l__Record.m__ULONGLONG__At % 65536 == 0) {
                EXPECT_EQ(l__Record.End() - l__Record.m__ULONGLONG__At, 65536u);
            }
        }
    }
    EXPECT_EQ(l__size_t__Sectors, 61u);
    ASSERT_GT(l__size_t__FirstAligned, 0u);
    EXPECT_LE(l__size_t__FirstAligned, 17u);
    EXPECT_EQ(l__size_t__Aligned, 60u - (l__size_t__FirstAligned - 1));  // and stays in step to the end
    // The short last block costs no padding beyond an eighth of it.
    EXPECT_LE(l__Records.back().m__ULONG__Padding, 7u * 2048u / 8u);
    ExpectReadsBack(l__Drive, 60);
}

TEST(VdiscFileLayout, FileOfTheFirstVersionIsReadAndWrittenOnUnpadded) {
    VdiscTestDrive l__Drive(VdiscMediumKind::DvdPlusR);
    // A blank disc holds only its state, which reads the same in both versions: marked as a
    // file of the first version, it is what earlier programs wrote.
    MarkVersionOne(l__Drive.File());
    l__Drive.Reopen();
    WriteBurn(l__Drive, 20);
    const std::vector<uint8_t> l__File = ReadWhole(l__Drive.File());
    EXPECT_EQ(std::string(l__File.begin(), l__File.begin() + 8), "TWVDISC1");
    const std::vector<Record> l__Records = Walk(l__File);
    ASSERT_FALSE(l__Records.empty());
    EXPECT_EQ(l__Records.back().End(), l__File.size());
    for (const Record& l__Record : l__Records) EXPECT_EQ(l__Record.m__ULONG__Padding, 0u);
    ExpectReadsBack(l__Drive, 20);
}

TEST(VdiscFileLayout, PaddedRecordInAFileOfTheFirstVersionEndsItsLog) {
    VdiscTestDrive l__Drive(VdiscMediumKind::DvdPlusR);
    // One sector first (too small to pad), then blocks of 30 that soon are padded.
    auto l__Lba = [](int32_t p__LONG__Write) { return p__LONG__Write == 0 ? 0 : 1 + (p__LONG__Write - 1) * 30; };
    auto l__Count = [](int32_t p__LONG__Write) { return p__LONG__Write == 0 ? 1u : 30u; };
    for (int32_t l__LONG__I = 0; l__LONG__I <= 20; ++l__LONG__I)
        ASSERT_TRUE(l__Drive.Write(l__Lba(l__LONG__I), l__Count(l__LONG__I), Blocks(l__Lba(l__LONG__I), l__Count(l__LONG__I))).Ok());
    const std::vector<Record> l__Records = Walk(ReadWhole(l__Drive.File()));
    size_t l__size_t__FirstPadded = 0;
    while (l__size_t__FirstPadded < l__Records.size() && l__Records[l__size_t__FirstPadded].m__ULONG__Padding == 0) ++l__size_t__FirstPadded;
    ASSERT_LT(l__size_t__FirstPadded, l__Records.size());
    ASSERT_GE(l__size_t__FirstPadded, 2u);  // the state and the single sector before it
    // A program of the first version does not know padding: it must never find any. Marked so,
    // the file opens with the records before the first padded one, not with misread payloads.
    MarkVersionOne(l__Drive.File());
    l__Drive.Reopen();
    const int32_t l__LONG__Kept = static_cast<int32_t>(l__size_t__FirstPadded - 1);  // writes kept
    for (int32_t l__LONG__I = 0; l__LONG__I < l__LONG__Kept; ++l__LONG__I)
        EXPECT_EQ(l__Drive.Read(l__Lba(l__LONG__I), l__Count(l__LONG__I)).m__Data, Blocks(l__Lba(l__LONG__I), l__Count(l__LONG__I)));
    EXPECT_FALSE(l__Drive.Read(l__Lba(l__LONG__Kept), 1).Ok());
}

}  // namespace
