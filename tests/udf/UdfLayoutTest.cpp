// The UDF layout through the flat functions: block assignment, allocation descriptors, the
// anchors, the caller's memory blocks, names, and the image chain against the store functions.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <unistd.h>
#include <memory>
#include <string>
#include <vector>

#include "CTarnwick_Exception.h"
#include "CTarnwick_ISO9660FileTree.h"
#include "CTarnwick_ISO9660Image.h"
#include "CTarnwick_UdfDescriptor.h"
#include "PlatformFile.h"
#include "ScratchDirectory.h"
#include "TraceCapture.h"
#include "tarnwick.h"

namespace {

// A copy of a field of a packed record (a reference to it may be misaligned).
template <class T>
T Value(T p__Value) {
    return p__Value;
}

constexpr ULONG c__ULONG__Sector = 2048;

ULONG Le32(const UCHAR* p__PUCHAR__At) {
    return p__PUCHAR__At[0] | (p__PUCHAR__At[1] << 8) | (p__PUCHAR__At[2] << 16) | (static_cast<ULONG>(p__PUCHAR__At[3]) << 24);
}
ULONG Le16(const UCHAR* p__PUCHAR__At) { return p__PUCHAR__At[0] | (p__PUCHAR__At[1] << 8); }
uint64_t Le64(const UCHAR* p__PUCHAR__At) { return Le32(p__PUCHAR__At) | (static_cast<uint64_t>(Le32(p__PUCHAR__At + 4)) << 32); }

void WriteFile(const std::string& p__string__Path, const std::string& p__string__Bytes) {
    std::ofstream l__Stream(p__string__Path, std::ios::binary);
    l__Stream << p__string__Bytes;
}

// The allocation descriptors of a formatted File Entry: (length, position) pairs.
std::vector<std::pair<ULONG, ULONG>> Extents(const UCHAR* p__PUCHAR__FileEntry) {
    std::vector<std::pair<ULONG, ULONG>> l__Extents;
    const ULONG l__ULONG__Attributes = Le32(p__PUCHAR__FileEntry + 168);
    const ULONG l__ULONG__Descriptors = Le32(p__PUCHAR__FileEntry + 172);
    for (ULONG l__ULONG__At = 0; l__ULONG__At < l__ULONG__Descriptors; l__ULONG__At += 8) {
        const UCHAR* l__PUCHAR__Descriptor = p__PUCHAR__FileEntry + 176 + l__ULONG__Attributes + l__ULONG__At;
        l__Extents.emplace_back(Le32(l__PUCHAR__Descriptor), Le32(l__PUCHAR__Descriptor + 4));
    }
    return l__Extents;
}

class UdfLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Tarnwick_UpStart(), 0u);
        m__Items.resize(64);
    }
    void TearDown() override {
        Tarnwick_UDF_DeleteImage(&m__Image);
        UDF_CleanupTreeItems(m__Items.data(), static_cast<ULONG>(m__Items.size()));
    }
    PUDF_TREE_ITEM Directory(const char* p__PCHAR__Name, PUDF_TREE_ITEM p__PParent) {
        PUDF_TREE_ITEM l__PItem = &m__Items[m__SIZE__Used++];
        EXPECT_EQ(UDF_FormatDirectoryTreeItem(l__PItem, static_cast<ULONG>(m__SIZE__Used), const_cast<PCHAR>(p__PCHAR__Name), p__PParent), 0u);
        return l__PItem;
    }
    PUDF_TREE_ITEM File(const char* p__PCHAR__Name, const std::string& p__string__Bytes, PUDF_TREE_ITEM p__PParent) {
        std::string l__string__Path = m__Scratch / (std::to_string(m__SIZE__Used) + "-" + p__PCHAR__Name);
        WriteFile(l__string__Path, p__string__Bytes);
        return FileAt(p__PCHAR__Name, l__string__Path, p__PParent);
    }
    PUDF_TREE_ITEM FileAt(const char* p__PCHAR__Name, const std::string& p__string__Path, PUDF_TREE_ITEM p__PParent) {
        PUDF_TREE_ITEM l__PItem = &m__Items[m__SIZE__Used++];
        EXPECT_EQ(UDF_FormatFileTreeItem(l__PItem, static_cast<ULONG>(m__SIZE__Used), const_cast<PCHAR>(p__PCHAR__Name),
                                         const_cast<PCHAR>(p__string__Path.c_str()), p__PParent),
                  0u);
        return l__PItem;
    }
    // Masters into blocks of exactly the sizes needed.
    ULONG Create(PUDF_TREE_ITEM p__PRoot, PUDF_TREE_ITEM p__PVideoTs = nullptr, PUDF_TREE_ITEM p__PAudioTs = nullptr) {
        ULONGLONG l__ULONGLONG__System = 0;
        EXPECT_EQ(Tarnwick_UDF_GetSystemStructuresSize(p__PRoot, &l__ULONGLONG__System), 0u);
        m__Head.assign(UDF_HEAD_SIZE, 0xAA);
        m__Tail.assign(UDF_TAIL_SIZE, 0xAA);
        m__System.assign(l__ULONGLONG__System, 0xAA);
        return Tarnwick_UDF_Create(m__Head.data(), UDF_HEAD_SIZE, m__Tail.data(), UDF_TAIL_SIZE, m__System.data(), m__System.size(),
                                   p__PRoot, p__PVideoTs, p__PAudioTs, &m__Image, m__CHAR__Text, sizeof(m__CHAR__Text),
                                   &m__ULONG__SystemError, const_cast<PCHAR>("Label"));
    }
    CTarnwick_ISO9660Image* Image() {
        auto* l__PTree = dynamic_cast<CTarnwick_ISO9660FileTree*>(static_cast<CTarnwick_EmptyBase*>(m__Image.m__PVOID__Tree));
        return l__PTree == nullptr ? nullptr : l__PTree->GetImage();
    }
    std::vector<UCHAR> ReadImage() {
        std::vector<UCHAR> l__Bytes(Image()->GetSize());
        Image()->Read(l__Bytes.size(), l__Bytes.data());
        return l__Bytes;
    }

    ScratchDirectory m__Scratch{"tarnwick-udf"};
    std::vector<UDF_TREE_ITEM> m__Items;
    size_t m__SIZE__Used = 0;
    std::vector<UCHAR> m__Head, m__Tail, m__System;
    UDF_IMAGE m__Image{};
    char m__CHAR__Text[512] = {};
    ULONG m__ULONG__SystemError = 0;
};

TEST_F(UdfLayoutTest, BlocksOfARootWithAnEmptyDirectoryAndAFileAreAssignedInListOrder) {
    PUDF_TREE_ITEM l__PRoot = Directory("", nullptr);
    PUDF_TREE_ITEM l__PFile = File("five.dat", std::string(5000, 'x'), l__PRoot);
    PUDF_TREE_ITEM l__PEmpty = Directory("empty", l__PRoot);
    ASSERT_EQ(Create(l__PRoot), 0u) << m__CHAR__Text;
    // Directories come first among the kids.
    EXPECT_EQ(Value(l__PRoot->m__PFirstKid), l__PEmpty);
    EXPECT_EQ(Value(l__PRoot->m__ULONG__FileEntryBlock), 1u);
    EXPECT_EQ(Value(l__PRoot->m__ULONG__FirstBlock), 2u);
    EXPECT_EQ(Value(l__PEmpty->m__ULONG__FileIdentifierBlock), 3u);
    EXPECT_EQ(Value(l__PFile->m__ULONG__FileIdentifierBlock), 4u);
    EXPECT_EQ(Value(l__PEmpty->m__ULONG__FileEntryBlock), 5u);
    EXPECT_EQ(Value(l__PFile->m__ULONG__FileEntryBlock), 6u);
    EXPECT_EQ(Value(l__PEmpty->m__ULONG__FirstBlock), 7u);
    EXPECT_EQ(Value(l__PFile->m__ULONG__FirstBlock), 8u);
    EXPECT_EQ(Value(l__PFile->m__ULONG__LastBlock), 10u);
    EXPECT_EQ(Value(m__Image.m__ULONG__PartitionLength), 11u);
    EXPECT_EQ(Value(m__Image.m__ULONG__ImageSectors), 307u + 11u + 256u);
    EXPECT_EQ(Value(m__Image.m__ULONG__NumberOfFiles), 1u);
    EXPECT_EQ(Value(m__Image.m__ULONG__NumberOfDirectories), 2u);
    EXPECT_EQ(m__System.size(), 7u * c__ULONG__Sector);

    // The image: head, the seven structure blocks, the file's three blocks, the tail.
    std::vector<UCHAR> l__Image = ReadImage();
    ASSERT_EQ(l__Image.size(), (307u + 11u + 256u) * c__ULONG__Sector);
    const UCHAR* l__PUCHAR__Partition = l__Image.data() + 307 * c__ULONG__Sector;
    EXPECT_EQ(Le16(l__PUCHAR__Partition), 256u) << "File Set Descriptor at block 0";
    EXPECT_EQ(Le32(l__PUCHAR__Partition + 404), 1u) << "root File Entry at block 1";
    const ULONG l__ULONG__Tags[] = {261, 257, 257, 257, 261, 261, 257};
    for (ULONG l__ULONG__Block = 1; l__ULONG__Block <= 7; ++l__ULONG__Block) {
        const UCHAR* l__PUCHAR__Block = l__PUCHAR__Partition + l__ULONG__Block * c__ULONG__Sector;
        EXPECT_EQ(Le16(l__PUCHAR__Block), l__ULONG__Tags[l__ULONG__Block - 1]) << "block " << l__ULONG__Block;
        EXPECT_EQ(Le32(l__PUCHAR__Block + 12), l__ULONG__Block) << "tag location of block " << l__ULONG__Block;
    }
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(l__PUCHAR__Partition + 8 * c__ULONG__Sector), 5000), std::string(5000, 'x'));
    // Unique ids: 0 for the root, then from 17 in formatting order.
    EXPECT_EQ(Le64(l__PRoot->m__UCHAR__FileEntry + 160), 0u);
    EXPECT_EQ(Le64(l__PEmpty->m__UCHAR__FileEntry + 160), 17u);
    EXPECT_EQ(Le64(l__PFile->m__UCHAR__FileEntry + 160), 18u);
    // Link counts: the root has one subdirectory.
    EXPECT_EQ(Le16(l__PRoot->m__UCHAR__FileEntry + 48), 2u);
    EXPECT_EQ(Le16(l__PFile->m__UCHAR__FileEntry + 48), 1u);
    // The directory of the root: parent entry and two identifiers, three blocks from block 2.
    EXPECT_EQ(Extents(l__PRoot->m__UCHAR__FileEntry), (std::vector<std::pair<ULONG, ULONG>>{{3 * c__ULONG__Sector, 2}}));
    EXPECT_EQ(Extents(l__PFile->m__UCHAR__FileEntry), (std::vector<std::pair<ULONG, ULONG>>{{5000, 8}}));
}

TEST_F(UdfLayoutTest, AThreeGibibyteFileGetsFullExtentsEachAFullExtentFurtherThenTheRest) {
    PUDF_TREE_ITEM l__PRoot = Directory("", nullptr);
    std::string l__string__Path = m__Scratch / "big";
    int l__INT__Handle = PlatformFile::CreateNew(l__string__Path.c_str());
    ASSERT_GE(l__INT__Handle, 0);
    ASSERT_EQ(ftruncate(l__INT__Handle, 3LL << 30), 0);
    PlatformFile::Close(l__INT__Handle);
    PUDF_TREE_ITEM l__PBig = FileAt("big", l__string__Path, l__PRoot);
    ASSERT_EQ(Create(l__PRoot), 0u) << m__CHAR__Text;
    // An extent holds at most 0x3FFFF800 bytes (a short descriptor's length has 30 bits), so
    // three full ones hold 6 KiB less than 3 GiB and a fourth takes the rest.
    const ULONG l__ULONG__First = Value(l__PBig->m__ULONG__FirstBlock);
    EXPECT_EQ(Extents(l__PBig->m__UCHAR__FileEntry),
              (std::vector<std::pair<ULONG, ULONG>>{{0x3FFFF800u, l__ULONG__First},
                                                    {0x3FFFF800u, l__ULONG__First + 0x7FFFFu},
                                                    {0x3FFFF800u, l__ULONG__First + 2 * 0x7FFFFu},
                                                    {6144u, l__ULONG__First + 3 * 0x7FFFFu}}));
    EXPECT_EQ(Le64(l__PBig->m__UCHAR__FileEntry + 56), 3ull << 30);
    EXPECT_EQ(Le64(l__PBig->m__UCHAR__FileEntry + 64), (3ull << 30) / c__ULONG__Sector);
    EXPECT_EQ(Value(m__Image.m__ULONG__PartitionLength), Value(l__PBig->m__ULONG__LastBlock) + 1);
    EXPECT_EQ(Image()->GetSize(), static_cast<uint64_t>(Value(m__Image.m__ULONG__ImageSectors)) * c__ULONG__Sector);
}

TEST_F(UdfLayoutTest, EveryTailSectorIsAnAnchorLocatedRightAfterThePartition) {
    PUDF_TREE_ITEM l__PRoot = Directory("", nullptr);
    File("a", "abc", l__PRoot);
    ASSERT_EQ(Create(l__PRoot), 0u) << m__CHAR__Text;
    std::vector<UCHAR> l__Image = ReadImage();
    const ULONG l__ULONG__Last = m__Image.m__ULONG__ImageSectors - 1;
    const ULONG l__ULONG__TailStart = 307 + m__Image.m__ULONG__PartitionLength;
    ASSERT_EQ(l__ULONG__TailStart + 255, l__ULONG__Last);
    for (ULONG l__ULONG__Sector = l__ULONG__TailStart; l__ULONG__Sector <= l__ULONG__Last; ++l__ULONG__Sector) {
        const UCHAR* l__PUCHAR__Anchor = l__Image.data() + static_cast<size_t>(l__ULONG__Sector) * c__ULONG__Sector;
        ASSERT_EQ(Le16(l__PUCHAR__Anchor), 2u) << "sector " << l__ULONG__Sector;
        ASSERT_EQ(Le32(l__PUCHAR__Anchor + 12), l__ULONG__Sector);
        ASSERT_EQ(Le32(l__PUCHAR__Anchor + 20), 32u);
        ASSERT_EQ(Le32(l__PUCHAR__Anchor + 28), 48u);
    }
    EXPECT_EQ(Le16(l__Image.data() + 256 * c__ULONG__Sector), 2u);
    EXPECT_EQ(Le32(l__Image.data() + 256 * c__ULONG__Sector + 12), 256u);
}

TEST_F(UdfLayoutTest, BlocksTooSmallAreRefusedAndLeftUntouched) {
    PUDF_TREE_ITEM l__PRoot = Directory("", nullptr);
    File("a", "abc", l__PRoot);
    Directory("d", l__PRoot);
    ULONGLONG l__ULONGLONG__System = 0;
    ASSERT_EQ(Tarnwick_UDF_GetSystemStructuresSize(l__PRoot, &l__ULONGLONG__System), 0u);
    EXPECT_EQ(l__ULONGLONG__System, 7u * c__ULONG__Sector);
    struct Case {
        ULONG m__ULONG__Head, m__ULONG__Tail;
        ULONGLONG m__ULONGLONG__System;
    } const l__Cases[] = {{UDF_HEAD_SIZE - 1, UDF_TAIL_SIZE, l__ULONGLONG__System},
                          {UDF_HEAD_SIZE, UDF_TAIL_SIZE - 1, l__ULONGLONG__System},
                          {UDF_HEAD_SIZE, UDF_TAIL_SIZE, l__ULONGLONG__System - 1}};
    for (const Case& l__Case : l__Cases) {
        // Blocks of exactly the size given: the sanitizer stops any write past them.
        std::unique_ptr<UCHAR[]> l__Head(new UCHAR[l__Case.m__ULONG__Head]);
        std::unique_ptr<UCHAR[]> l__Tail(new UCHAR[l__Case.m__ULONG__Tail]);
        std::unique_ptr<UCHAR[]> l__System(new UCHAR[l__Case.m__ULONGLONG__System]);
        std::memset(l__Head.get(), 0xAA, l__Case.m__ULONG__Head);
        std::memset(l__Tail.get(), 0xAA, l__Case.m__ULONG__Tail);
        std::memset(l__System.get(), 0xAA, l__Case.m__ULONGLONG__System);
        EXPECT_EQ(Tarnwick_UDF_Create(l__Head.get(), Value(l__Case.m__ULONG__Head), l__Tail.get(), Value(l__Case.m__ULONG__Tail), l__System.get(),
                                      Value(l__Case.m__ULONGLONG__System), l__PRoot, nullptr, nullptr, &m__Image, m__CHAR__Text,
                                      sizeof(m__CHAR__Text), &m__ULONG__SystemError, const_cast<PCHAR>("L")),
                  static_cast<ULONG>(EXCEPTION_NUMBER_INVALID_PARAMETER));
        EXPECT_NE(std::strstr(m__CHAR__Text, "too small"), nullptr) << m__CHAR__Text;
        EXPECT_EQ(Value(m__Image.m__PVOID__Tree), nullptr);
        EXPECT_EQ(l__Head[0], 0xAA);
        EXPECT_EQ(l__Tail[0], 0xAA);
        EXPECT_EQ(l__System[0], 0xAA);
    }
}

TEST_F(UdfLayoutTest, RefusedWhenTheToolkitIsNotStarted) {
    PUDF_TREE_ITEM l__PRoot = Directory("", nullptr);
    ASSERT_EQ(Tarnwick_DownShut(), 0u);
    EXPECT_EQ(Create(l__PRoot), static_cast<ULONG>(EXCEPTION_NUMBER_NOT_STARTED));
    ASSERT_EQ(Tarnwick_UpStart(), 0u);
}

TEST_F(UdfLayoutTest, NamesAreUpperCasedAndWrittenAsOstaCompressedUnicode) {
    PUDF_TREE_ITEM l__PRoot = Directory("", nullptr);
    PUDF_TREE_ITEM l__PLatin = File("caf\xC3\xA9.txt", "1", l__PRoot);        // U+00E9: 8 bits
    PUDF_TREE_ITEM l__PWide = File("snow\xE2\x98\x83.txt", "2", l__PRoot);    // U+2603: 16 bits
    EXPECT_STREQ(l__PLatin->m__CHAR__Name, "CAF\xC3\xA9.TXT");
    ASSERT_EQ(Create(l__PRoot), 0u) << m__CHAR__Text;
    auto l__Identifier = [](PUDF_TREE_ITEM p__PItem) {
        const UCHAR* l__PUCHAR__Fid = p__PItem->m__UCHAR__FileIdentifier;
        const ULONG l__ULONG__Length = l__PUCHAR__Fid[19];
        return std::string(reinterpret_cast<const char*>(l__PUCHAR__Fid + 38 + Le16(l__PUCHAR__Fid + 36)), l__ULONG__Length);
    };
    EXPECT_EQ(l__Identifier(l__PLatin), std::string("\x08" "CAF\xE9.TXT"));
    EXPECT_EQ(l__Identifier(l__PWide), std::string("\x10\0S\0N\0O\0W\x26\x03\0.\0T\0X\0T", 19));

    // A name of 255 bytes does not fit the item; 128 wide characters do not fit an identifier.
    PUDF_TREE_ITEM l__PItem = &m__Items[m__SIZE__Used++];
    std::string l__string__Long(255, 'a');
    EXPECT_EQ(UDF_FormatDirectoryTreeItem(l__PItem, 99, l__string__Long.data(), l__PRoot), static_cast<ULONG>(ENAMETOOLONG));
    // One character above U+00FF makes every character take 16 bits.
    std::string l__string__Wide = "\xC4\x80" + std::string(200, 'a');
    EXPECT_EQ(UDF_FormatDirectoryTreeItem(l__PItem, 99, l__string__Wide.data(), l__PRoot), static_cast<ULONG>(ENAMETOOLONG));
    l__string__Wide = "\xC4\x80" + std::string(126, 'a');
    EXPECT_EQ(UDF_FormatDirectoryTreeItem(l__PItem, 99, l__string__Wide.data(), l__PRoot), 0u);
}

TEST_F(UdfLayoutTest, AFileThatCannotBeOpenedIsNotLinkedIntoTheTree) {
    PUDF_TREE_ITEM l__PRoot = Directory("", nullptr);
    PUDF_TREE_ITEM l__PItem = &m__Items[m__SIZE__Used++];
    std::string l__string__Missing = m__Scratch / "missing";
    EXPECT_EQ(UDF_FormatFileTreeItem(l__PItem, 5, const_cast<PCHAR>("missing"), l__string__Missing.data(), l__PRoot),
              static_cast<ULONG>(ENOENT));
    EXPECT_EQ(Value(l__PRoot->m__PFirstKid), nullptr);
    EXPECT_EQ(Value(l__PItem->m__ULONG__UniqueId), 0u);
}

TEST_F(UdfLayoutTest, TheChainReadsAsTheStoreFunctionsWriteAndMemoryItemsArePatchedBeforeReading) {
    PUDF_TREE_ITEM l__PRoot = Directory("", nullptr);
    PUDF_TREE_ITEM l__PSub = Directory("sub", l__PRoot);
    File("top.bin", std::string(3000, 't'), l__PRoot);
    File("inner.bin", std::string(70000, 'i'), l__PSub);
    std::string l__string__Ifo(4096, '\0');
    l__string__Ifo.replace(0, 12, "DVDVIDEO-VTS");
    PUDF_TREE_ITEM l__PIfo = File("VTS_01_0.IFO", l__string__Ifo, l__PSub);
    ASSERT_TRUE(Value(l__PIfo->m__BOOLEAN__IsInMemory));
    ASSERT_EQ(Tarnwick_UDF_PatchIfoHeader(l__PIfo, 1, 0x01020304), 0u);
    ASSERT_EQ(Create(l__PRoot), 0u) << m__CHAR__Text;
    std::vector<UCHAR> l__Image = ReadImage();

    std::string l__string__Stored = m__Scratch / "stored";
    int l__INT__File = PlatformFile::CreateNew(l__string__Stored.c_str());
    ASSERT_GE(l__INT__File, 0);
    EXPECT_EQ(UDF_StoreSystemStructuresTreeItem(l__PRoot, l__INT__File), 0u);
    EXPECT_EQ(UDF_StoreContentTreeItem(l__PRoot, l__INT__File), 0u);
    PlatformFile::Close(l__INT__File);
    std::ifstream l__Stream(l__string__Stored, std::ios::binary);
    std::string l__string__Bytes((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
    const size_t l__SIZE__Middle = (m__Image.m__ULONG__PartitionLength - 1) * static_cast<size_t>(c__ULONG__Sector);
    ASSERT_EQ(l__string__Bytes.size(), l__SIZE__Middle);
    EXPECT_EQ(std::memcmp(l__string__Bytes.data(), l__Image.data() + 308 * c__ULONG__Sector, l__SIZE__Middle), 0);
    // The patched IFO is what the image holds.
    const UCHAR* l__PUCHAR__Ifo = l__Image.data() + (307 + static_cast<size_t>(l__PIfo->m__ULONG__FirstBlock)) * c__ULONG__Sector;
    EXPECT_EQ(std::memcmp(l__PUCHAR__Ifo, "DVDVIDEO-VTS\x01\x02\x03\x04", 16), 0);
}

TEST_F(UdfLayoutTest, AFileCutAfterItWasAddedFailsTheReadAndTheStore) {
    PUDF_TREE_ITEM l__PRoot = Directory("", nullptr);
    std::string l__string__Path = m__Scratch / "shrinks";
    WriteFile(l__string__Path, std::string(10000, 's'));
    FileAt("shrinks", l__string__Path, l__PRoot);
    ASSERT_EQ(Create(l__PRoot), 0u) << m__CHAR__Text;
    WriteFile(l__string__Path, std::string(100, 's'));
    std::vector<UCHAR> l__Bytes(Image()->GetSize());
    try {
        Image()->Read(l__Bytes.size(), l__Bytes.data());
        ADD_FAILURE() << "the read of a cut file succeeded";
    } catch (CTarnwick_Exception* l__PException) {
        EXPECT_EQ(l__PException->GetExceptionNumber(), static_cast<ULONG>(EXCEPTION_NUMBER_MEDIA_OR_DATA));
        delete l__PException;
    }
    std::string l__string__Stored = m__Scratch / "stored";
    int l__INT__File = PlatformFile::CreateNew(l__string__Stored.c_str());
    EXPECT_EQ(UDF_StoreContentTreeItem(l__PRoot, l__INT__File), static_cast<ULONG>(EIO));
    PlatformFile::Close(l__INT__File);
}

TEST_F(UdfLayoutTest, AFileGoneBeforeCreateGivesItsErrorAndNoImage) {
    PUDF_TREE_ITEM l__PRoot = Directory("", nullptr);
    std::string l__string__Path = m__Scratch / "goes";
    WriteFile(l__string__Path, "gone soon");
    FileAt("goes", l__string__Path, l__PRoot);
    File("stays", "here", l__PRoot);
    ASSERT_EQ(PlatformFile::Remove(l__string__Path.c_str()), true);
    EXPECT_EQ(Create(l__PRoot), static_cast<ULONG>(EXCEPTION_NUMBER_SYSTEM_ERROR));
    EXPECT_EQ(m__ULONG__SystemError, static_cast<ULONG>(ENOENT));
    EXPECT_NE(std::strstr(m__CHAR__Text, "goes"), nullptr) << m__CHAR__Text;
    EXPECT_EQ(Value(m__Image.m__PVOID__Tree), nullptr);
    for (const UDF_TREE_ITEM& l__Item : m__Items) EXPECT_EQ(Value(l__Item.m__PVOID__Source), nullptr);
}

TEST_F(UdfLayoutTest, ABridgeRefusesAVideoFileOfTwoGibibytesWithItsStatusAndTrace) {
    PUDF_TREE_ITEM l__PRoot = Directory("", nullptr);
    PUDF_TREE_ITEM l__PAudio = Directory("AUDIO_TS", l__PRoot);
    PUDF_TREE_ITEM l__PVideo = Directory("VIDEO_TS", l__PRoot);
    std::string l__string__Path = m__Scratch / "vob";
    int l__INT__Handle = PlatformFile::CreateNew(l__string__Path.c_str());
    ASSERT_EQ(ftruncate(l__INT__Handle, 0x7FFFF800LL), 0);
    PlatformFile::Close(l__INT__Handle);
    FileAt("VTS_01_1.VOB", l__string__Path, l__PVideo);
    TraceCapture l__Trace;
    EXPECT_EQ(Create(l__PRoot, l__PVideo, l__PAudio), static_cast<ULONG>(EXCEPTION_NUMBER_SIZE_LIMIT));
    EXPECT_EQ(Value(m__Image.m__PVOID__Tree), nullptr);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Trace.Contains("\nTarnwick:UDF_FormatISO9660FileSystemPacket(): EXITing with failure, file size 2147481600 is "
                                  "larger then limit 2147481600, status 18 ( 0x12 )\n"))
        << l__Trace.Text();
}

}  // namespace

namespace {

// The descriptor CRC against a bit-by-bit CRC-16 (polynomial 0x1021, initial value 0), at every
// length around the eight-byte steps of the table-driven one.
TEST(UdfCrcTest, MatchesTheBitwiseCrcAtEveryLength) {
    EXPECT_EQ(CTarnwick_UdfDescriptor::Crc(reinterpret_cast<const UCHAR*>("123456789"), 9), 0x31C3);
    std::vector<UCHAR> l__Bytes(2048);
    for (size_t l__SIZE__At = 0; l__SIZE__At < l__Bytes.size(); ++l__SIZE__At) l__Bytes[l__SIZE__At] = static_cast<UCHAR>(l__SIZE__At * 37 + 11);
    for (size_t l__SIZE__Length : {0, 1, 7, 8, 9, 15, 16, 17, 496, 2032}) {
        ULONG l__ULONG__Crc = 0;
        for (size_t l__SIZE__At = 0; l__SIZE__At < l__SIZE__Length; ++l__SIZE__At) {
            l__ULONG__Crc ^= static_cast<ULONG>(l__Bytes[l__SIZE__At]) << 8;
            for (int l__INT__Bit = 0; l__INT__Bit < 8; ++l__INT__Bit) {
                l__ULONG__Crc = (l__ULONG__Crc & 0x8000) != 0 ? ((l__ULONG__Crc << 1) ^ 0x1021) & 0xFFFF : (l__ULONG__Crc << 1) & 0xFFFF;
            }
        }
        EXPECT_EQ(CTarnwick_UdfDescriptor::Crc(l__Bytes.data(), l__SIZE__Length), l__ULONG__Crc) << "length " << l__SIZE__Length;
    }
}

}  // namespace

namespace {

// Timestamps are local times that carry their own offset from GMT (12-bit minutes), so that a
// reader in another zone shows the right moment.
TEST(UdfTimestampTest, CarriesTheDatesOffsetFromGmt) {
    const UCHAR l__UCHAR__East[7] = {126, 12, 8, 10, 30, 5, 4};                               // +1 h
    const UCHAR l__UCHAR__West[7] = {99, 1, 31, 23, 59, 59, static_cast<UCHAR>(-20)};         // -5 h
    UCHAR l__UCHAR__Stamp[12];
    CTarnwick_UdfDescriptor::PutTimestamp(l__UCHAR__Stamp, l__UCHAR__East);
    EXPECT_EQ(std::vector<UCHAR>(l__UCHAR__Stamp, l__UCHAR__Stamp + 12),
              (std::vector<UCHAR>{0x3C, 0x10, 0xEA, 0x07, 12, 8, 10, 30, 5, 0, 0, 0}));
    CTarnwick_UdfDescriptor::PutTimestamp(l__UCHAR__Stamp, l__UCHAR__West);
    EXPECT_EQ(std::vector<UCHAR>(l__UCHAR__Stamp, l__UCHAR__Stamp + 12),
              (std::vector<UCHAR>{0xD4, 0x1E, 0xCF, 0x07, 1, 31, 23, 59, 59, 0, 0, 0}));
}

}  // namespace
