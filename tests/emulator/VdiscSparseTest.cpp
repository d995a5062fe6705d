// Blocks of zeros cost no room: the disc file leaves them as holes and the track export skips
// them, and both read back byte for byte what was written.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "ScratchDirectory.h"
#include "VdiscStore.h"
#include "VdiscTestDrive.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct FileSpace {
    uint64_t m__ULONGLONG__Size = 0;
    uint64_t m__ULONGLONG__Allocated = 0;
};

// Length and allocated bytes of a file, after its data went to the disk.
FileSpace Space(const std::string& p__string__Path) {
    FileSpace l__Space;
    const int l__int__Fd = ::open(p__string__Path.c_str(), O_RDONLY | O_CLOEXEC);
    if (l__int__Fd < 0) return l__Space;
    ::fsync(l__int__Fd);
    struct stat l__Stat {};
    if (fstat(l__int__Fd, &l__Stat) == 0) {
        l__Space.m__ULONGLONG__Size = static_cast<uint64_t>(l__Stat.st_size);
        l__Space.m__ULONGLONG__Allocated = static_cast<uint64_t>(l__Stat.st_blocks) * 512;
    }
    ::close(l__int__Fd);
    return l__Space;
}

Bytes Noise(size_t p__size_t__Blocks, uint32_t p__ULONG__Seed) {
    Bytes l__Data(p__size_t__Blocks * 2048);
    uint32_t l__ULONG__State = p__ULONG__Seed * 2654435761u + 7;
    for (uint8_t& l__Byte : l__Data) {
        l__ULONG__State = l__ULONG__State * 1103515245u + 12345u;
        l__Byte = static_cast<uint8_t>(l__ULONG__State >> 16);
    }
    return l__Data;
}

// Zeros with a few bytes set: at the start, inside and at the very end.
Bytes MostlyZeros(size_t p__size_t__Blocks) {
    Bytes l__Data(p__size_t__Blocks * 2048, 0);
    l__Data[5] = 1;
    l__Data[l__Data.size() / 3 + 17] = 2;
    l__Data[l__Data.size() - 1] = 3;
    return l__Data;
}

// What a disc file holds from an LBA on, read by a store of its own.
Bytes Stored(const std::string& p__string__Path, int32_t p__LONG__Lba, uint32_t p__ULONG__Count) {
    VdiscStore l__Store;
    std::string l__string__Error;
    Bytes l__Data(static_cast<size_t>(p__ULONG__Count) * 2048);
    if (!l__Store.Open(p__string__Path, false, l__string__Error)) return {};
    for (uint32_t l__ULONG__I = 0; l__ULONG__I < p__ULONG__Count; ++l__ULONG__I) {
        VdiscExtent l__Extent;
        uint64_t l__ULONGLONG__Offset = 0;
        if (!l__Store.Find(p__LONG__Lba + static_cast<int32_t>(l__ULONG__I), l__Extent, l__ULONGLONG__Offset) ||
            !l__Store.ReadStored(l__ULONGLONG__Offset, 2048, l__Data.data() + static_cast<size_t>(l__ULONG__I) * 2048))
            return {};
    }
    return l__Data;
}

class VdiscSparse : public ::testing::Test {
protected:
    void SetUp() override {
        std::string l__string__Error;
        ASSERT_TRUE(VdiscStore::Create(m__string__Path, VdiscState::Blank(VdiscMediumKind::BdR), l__string__Error)) << l__string__Error;
    }
    bool Append(VdiscStore& p__Store, int32_t p__LONG__Lba, const Bytes& p__Data) {
        std::string l__string__Error;
        const bool l__bool__Ok = p__Store.AppendSectors(p__LONG__Lba, static_cast<uint32_t>(p__Data.size() / 2048), 2048, VdiscSectorForm::Dvd2048, nullptr,
                                                        p__Data.data(), l__string__Error);
        EXPECT_TRUE(l__bool__Ok) << l__string__Error;
        return l__bool__Ok;
    }
    bool OpenWritable(VdiscStore& p__Store) {
        std::string l__string__Error;
        const bool l__bool__Ok = p__Store.Open(m__string__Path, true, l__string__Error);
        EXPECT_TRUE(l__bool__Ok) << l__string__Error;
        return l__bool__Ok;
    }
    // Cuts the last record's trailer off, as a writer killed before it leaves the file.
    void TearLastRecord() { ASSERT_EQ(::truncate(m__string__Path.c_str(), static_cast<off_t>(Space(m__string__Path).m__ULONGLONG__Size - 8)), 0); }

    ScratchDirectory m__Dir{"vdisc-sparse"};
    std::string m__string__Path = m__Dir / "disc";
};

TEST_F(VdiscSparse, ARecordOfZerosTakesAlmostNoRoomAndReadsBack) {
    VdiscStore l__Store;
    ASSERT_TRUE(OpenWritable(l__Store));
    const Bytes l__Zeros = MostlyZeros(4096);  // 8 MiB
    ASSERT_TRUE(Append(l__Store, 0, l__Zeros));
    const Bytes l__After = Noise(30, 1);
    ASSERT_TRUE(Append(l__Store, 4096, l__After));
    const FileSpace l__Space = Space(m__string__Path);
    EXPECT_GT(l__Space.m__ULONGLONG__Size, l__Zeros.size());
    // Header, the three blocks with a byte set, the trailer and the record after it.
    EXPECT_LT(l__Space.m__ULONGLONG__Allocated, 256u * 1024u) << "allocated " << l__Space.m__ULONGLONG__Allocated;
    EXPECT_EQ(Stored(m__string__Path, 0, 4096), l__Zeros);
    EXPECT_EQ(Stored(m__string__Path, 4096, 30), l__After);

    // The same records, padding and length as when every byte is written.
    const std::string l__string__Full = m__Dir / "full";
    std::string l__string__Error;
    ASSERT_TRUE(VdiscStore::Create(l__string__Full, VdiscState::Blank(VdiscMediumKind::BdR), l__string__Error));
    VdiscStore l__Dense;
    ASSERT_TRUE(l__Dense.Open(l__string__Full, true, l__string__Error));
    ASSERT_TRUE(Append(l__Dense, 0, Noise(4096, 2)));
    ASSERT_TRUE(Append(l__Dense, 4096, l__After));
    EXPECT_EQ(Space(l__string__Full).m__ULONGLONG__Size, l__Space.m__ULONGLONG__Size);
    EXPECT_GT(Space(l__string__Full).m__ULONGLONG__Allocated, 8u * 1024u * 1024u);
}

TEST_F(VdiscSparse, BytesOfATornRecordNeverShowThroughTheHoles) {
    VdiscStore l__First;
    ASSERT_TRUE(OpenWritable(l__First));
    const Bytes l__Kept = Noise(30, 3);
    ASSERT_TRUE(Append(l__First, 0, l__Kept));
    // Another program appends a record of nonzero blocks and is killed before its trailer.
    {
        VdiscStore l__Other;
        ASSERT_TRUE(OpenWritable(l__Other));
        ASSERT_TRUE(Append(l__Other, 30, Bytes(128 * 2048, 0xEE)));
    }
    TearLastRecord();
    // A store that was open meanwhile writes zeros over the same place.
    const Bytes l__Zeros = MostlyZeros(128);
    ASSERT_TRUE(Append(l__First, 30, l__Zeros));
    EXPECT_EQ(Stored(m__string__Path, 30, 128), l__Zeros);
    EXPECT_EQ(Stored(m__string__Path, 0, 30), l__Kept);
    // The same with a store opened after the tear.
    {
        VdiscStore l__Other;
        ASSERT_TRUE(OpenWritable(l__Other));
        ASSERT_TRUE(Append(l__Other, 158, Bytes(256 * 2048, 0xDD)));
    }
    TearLastRecord();
    VdiscStore l__Fresh;
    ASSERT_TRUE(OpenWritable(l__Fresh));
    ASSERT_TRUE(Append(l__Fresh, 158, MostlyZeros(256)));
    EXPECT_EQ(Stored(m__string__Path, 158, 256), MostlyZeros(256));
    EXPECT_EQ(Stored(m__string__Path, 30, 128), l__Zeros);
}

TEST(VdiscSparseBurn, ACutBurnOfZerosOpensAsBeforeAndWritesOn) {
    VdiscTestDrive l__Drive(VdiscMediumKind::BdR);
    const Bytes l__Start = Noise(30, 4);
    ASSERT_TRUE(l__Drive.Write(0, 30, l__Start).Ok());
    ASSERT_TRUE(l__Drive.Write(30, 2000, MostlyZeros(2000)).Ok());
    l__Drive.Reopen();
    // Cut inside the zeros of the last record: its trailer and its last blocks are gone.
    ASSERT_EQ(::truncate(l__Drive.File().c_str(), static_cast<off_t>(Space(l__Drive.File()).m__ULONGLONG__Size - 100000)), 0);
    VdiscTestDrive::Result l__Track = l__Drive.TrackInfo(1);
    ASSERT_TRUE(l__Track.Ok());
    EXPECT_EQ(VdiscTestDrive::Be32(l__Track.m__Data, 12), 30u);
    EXPECT_EQ(l__Drive.Read(0, 30).m__Data, l__Start);
    const Bytes l__Again = Noise(40, 5);
    ASSERT_TRUE(l__Drive.Write(30, 40, l__Again).Ok());
    ASSERT_TRUE(l__Drive.Write(70, 1000, MostlyZeros(1000)).Ok());
    l__Drive.Reopen();
    EXPECT_EQ(l__Drive.Read(30, 40).m__Data, l__Again);
    EXPECT_EQ(l__Drive.Read(70, 1000).m__Data, MostlyZeros(1000));
}

TEST(VdiscSparseBurn, TrackExportSkipsZeroBlocksAndKeepsEveryByte) {
    VdiscTestDrive l__Drive(VdiscMediumKind::BdR);
    // Track 1: a block of data, zeros with a byte set in the middle, zeros to its end.
    Bytes l__One(3000 * 2048, 0);
    const Bytes l__Head = Noise(1, 6);
    std::copy(l__Head.begin(), l__Head.end(), l__One.begin());
    l__One[1500 * 2048 + 1000] = 0x42;
    ASSERT_TRUE(l__Drive.Write(0, 3000, l__One).Ok());
    ASSERT_TRUE(l__Drive.Close(1, 1).Ok());
    // Track 2 on the next cluster, after 8 blocks never written.
    const Bytes l__Two = Noise(10, 7);
    ASSERT_TRUE(l__Drive.Write(3008, 10, l__Two).Ok());
    ASSERT_TRUE(l__Drive.Close(1, 2).Ok());
    EXPECT_LT(Space(l__Drive.File()).m__ULONGLONG__Allocated, 512u * 1024u);

    const std::string l__string__Tool = std::string(TARNWICK_VDISC_TOOL) + " export '" + l__Drive.File() + "' --track ";
    const std::string l__string__One = l__Drive.Dir() + "/one.iso", l__string__Two = l__Drive.Dir() + "/two.iso";
    ASSERT_EQ(VdiscTestDrive::Shell(l__string__Tool + "1 '" + l__string__One + "'"), 0);
    EXPECT_EQ(VdiscTestDrive::ReadFile(l__string__One), l__One);
    const FileSpace l__SpaceOne = Space(l__string__One);
    EXPECT_EQ(l__SpaceOne.m__ULONGLONG__Size, l__One.size());
    EXPECT_LT(l__SpaceOne.m__ULONGLONG__Allocated, 128u * 1024u) << "allocated " << l__SpaceOne.m__ULONGLONG__Allocated;

    // Everything from sector 0 on: the unwritten gap (unreadable) comes out as zeros.
    ASSERT_EQ(VdiscTestDrive::Shell(l__string__Tool + "2 '" + l__string__Two + "'"), 0);
    Bytes l__Expected = l__One;
    l__Expected.resize(3008 * 2048, 0);
    l__Expected.insert(l__Expected.end(), l__Two.begin(), l__Two.end());
    EXPECT_EQ(VdiscTestDrive::ReadFile(l__string__Two), l__Expected);
    EXPECT_LT(Space(l__string__Two).m__ULONGLONG__Allocated, 256u * 1024u);
}

}  // namespace
