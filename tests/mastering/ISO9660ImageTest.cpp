// The image layout: sector map, volume descriptors, El Torito, records, the image
// stream, files of 4 GiB and more, and the system-structures dump.
#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "CTarnwick_ISO9660FileTree.h"
#include "CTarnwick_ISO9660Image.h"
#include "MasteringFixture.h"

namespace {

void Build(CTarnwick_ISO9660FileTree& p__Tree, ULONG p__ULONG__Start, const char* p__PCHAR__Label = "LABEL") {
    p__Tree.BuildImage(p__ULONG__Start, 0, FALSE, p__PCHAR__Label, "Publisher", "Application", "System", nullptr, nullptr,
                       "2026120708000000", nullptr, nullptr, nullptr);
}

}  // namespace

TEST(ISO9660Image, EmptyRootAtSectorZeroAndAtThirtyThousand) {
    for (ULONG l__ULONG__Start : {0u, 30000u}) {
        TreeRecorder l__Recorder;
        CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
        CTarnwick_FileTreeNode* l__Root = nullptr;
        l__Tree.CreateFromRoot(nullptr, "x", 2, &l__Root);
        CTarnwick_FileTreeNode* l__Kid = l__Root->GetFirstKid();
        l__Tree.DeleteNode(&l__Kid);  // an empty root remains
        Build(l__Tree, l__ULONG__Start);
        const UCHAR* l__Pvd = l__Tree.GetSystemStructures() + 16 * 2048;
        EXPECT_EQ(l__Tree.GetVolumeSpaceSize(), l__ULONG__Start + 24);
        EXPECT_EQ(Both32(l__Pvd + 80), l__ULONG__Start + 24);
        EXPECT_EQ(Le32(l__Pvd + 140), l__ULONG__Start + 21);  // L path table
        EXPECT_EQ(Be32(l__Pvd + 148), l__ULONG__Start + 22);  // M path table
        EXPECT_EQ(Both32(l__Pvd + 132), 10u);
        EXPECT_EQ(Both32(l__Pvd + 156 + 2), l__ULONG__Start + 23);  // root extent
        EXPECT_EQ(Both32(l__Pvd + 156 + 10), 2048u);
        EXPECT_EQ(l__Tree.GetImage()->GetSize(), 24u * 2048);
        std::vector<UCHAR> l__Image = ReadAll(l__Tree);
        EXPECT_EQ(std::memcmp(l__Image.data() + 16 * 2048 + 1, "CD001", 5), 0);
        EXPECT_EQ(l__Image[17 * 2048], 255);  // terminator
        std::vector<Record> l__Root_Records = Records(l__Image.data() + 23 * 2048, 2048);
        ASSERT_EQ(l__Root_Records.size(), 2u);
        EXPECT_EQ(l__Root_Records[0].m__ULONG__Extent, l__ULONG__Start + 23);
        EXPECT_EQ(l__Root_Records[1].m__ULONG__Extent, l__ULONG__Start + 23);
        // The L path table: length 1, extent, parent 1, identifier 0.
        const UCHAR* l__Table = l__Image.data() + 21 * 2048;
        EXPECT_EQ(l__Table[0], 1);
        EXPECT_EQ(Le32(l__Table + 2), l__ULONG__Start + 23);
        EXPECT_EQ(l__Table[6], 1);
        EXPECT_EQ(Be32(l__Image.data() + 22 * 2048 + 2), l__ULONG__Start + 23);
    }
}

TEST(ISO9660Image, FilesAreStreamedSectorAlignedBreadthFirst) {
    MasteringScratch l__Scratch;
    std::string l__string__Odd(2049, '\0');
    for (size_t l__SIZE__Index = 0; l__SIZE__Index < l__string__Odd.size(); ++l__SIZE__Index)
        l__string__Odd[l__SIZE__Index] = static_cast<char>('a' + l__SIZE__Index % 26);
    l__Scratch.File("t/odd.bin", l__string__Odd);
    l__Scratch.File("t/deep/inner.txt", "inner");
    static const char s__CHAR__Memory[] = "from memory";
    for (BOOLEAN l__BOOLEAN__KeepOpen : {FALSE, TRUE}) {
        TreeRecorder l__Recorder;
        CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, l__BOOLEAN__KeepOpen, FALSE);
        CTarnwick_FileTreeNode* l__Root = nullptr;
        l__Tree.CreateFromRoot((l__Scratch / "t").c_str(), nullptr, 2, &l__Root);
        l__Tree.CreateFromRootMemoryChecked(s__CHAR__Memory, sizeof(s__CHAR__Memory) - 1, "MEM.TXT", 2, l__Root);
        Build(l__Tree, 0);
        std::vector<UCHAR> l__Image = ReadAll(l__Tree);
        ASSERT_EQ(l__Image.size() % 2048, 0u);
        EXPECT_EQ(l__Image.size() / 2048, l__Tree.GetVolumeSpaceSize());
        // Directories: root 23, T 24, DEEP 25; files from 26: MEM.TXT (level 2) first,
        // then ODD.BIN (level 3, 2 sectors), then INNER.TXT (level 4).
        std::vector<Record> l__RootRecords = Records(l__Image.data() + 23 * 2048, 2048);
        ASSERT_EQ(l__RootRecords.size(), 4u);
        EXPECT_EQ(l__RootRecords[2].m__string__Identifier, "T");
        EXPECT_EQ(l__RootRecords[2].m__ULONG__Extent, 24u);
        EXPECT_EQ(l__RootRecords[2].m__UCHAR__Flags, 0x02);
        EXPECT_EQ(l__RootRecords[3].m__string__Identifier, "MEM.TXT;1");
        EXPECT_EQ(l__RootRecords[3].m__ULONG__Extent, 26u);
        EXPECT_EQ(l__RootRecords[3].m__ULONG__Length, 11u);
        std::vector<Record> l__TRecords = Records(l__Image.data() + 24 * 2048, 2048);
        const Record* l__Odd = nullptr;
        for (const Record& l__Record : l__TRecords)
            if (l__Record.m__string__Identifier == "ODD.BIN;1") l__Odd = &l__Record;
        ASSERT_NE(l__Odd, nullptr);
        EXPECT_EQ(l__Odd->m__ULONG__Length, 2049u);
        EXPECT_EQ(l__Odd->m__ULONG__Extent, 27u);
        EXPECT_EQ(std::memcmp(l__Image.data() + 26 * 2048, "from memory", 11), 0);
        for (size_t l__SIZE__Index = 11; l__SIZE__Index < 2048; ++l__SIZE__Index)
            ASSERT_EQ(l__Image[26 * 2048 + l__SIZE__Index], 0);
        EXPECT_EQ(std::memcmp(l__Image.data() + 27 * 2048, l__string__Odd.data(), 2049), 0);
        for (size_t l__SIZE__Index = 2049; l__SIZE__Index < 4096; ++l__SIZE__Index)
            ASSERT_EQ(l__Image[27 * 2048 + l__SIZE__Index], 0);
        EXPECT_EQ(std::memcmp(l__Image.data() + 29 * 2048, "inner", 5), 0);
        EXPECT_EQ(l__Tree.GetVolumeSpaceSize(), 30u);
        // Reading again after a rewind gives the same bytes.
        EXPECT_EQ(ReadAll(l__Tree), l__Image);
        // Reading beyond the end fails.
        UCHAR l__UCHAR__Byte;
        auto l__Past = CatchRaise([&] { l__Tree.GetImage()->Read(1, &l__UCHAR__Byte); });
        EXPECT_EQ(l__Past.first, static_cast<ULONG>(EXCEPTION_NUMBER_INVALID_STATE));
    }
}

TEST(ISO9660Image, BootRecordCatalogAndTerminator) {
    MasteringScratch l__Scratch;
    std::string l__string__Boot = l__Scratch.File("boot.img", std::string(1474560, '\x5A'));
    TreeRecorder l__Recorder;
    CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
    l__Tree.SetBootImage(l__string__Boot.c_str(), "boot-floppy-image.img", 0, 0, 1474560, 6, 2);
    Build(l__Tree, 100);
    const UCHAR* l__Structures = l__Tree.GetSystemStructures();
    const UCHAR* l__BootRecord = l__Structures + 17 * 2048;
    EXPECT_EQ(l__BootRecord[0], 0);
    EXPECT_EQ(std::memcmp(l__BootRecord + 1, "CD001", 5), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(l__BootRecord + 7)), "EL TORITO SPECIFICATION");
    EXPECT_EQ(Le32(l__BootRecord + 71), 120u);
    EXPECT_EQ(l__Structures[18 * 2048], 255);
    const UCHAR* l__Catalog = l__Structures + 20 * 2048;
    ULONG l__ULONG__Sum = 0;
    for (int l__INT__Word = 0; l__INT__Word < 16; ++l__INT__Word)
        l__ULONG__Sum += l__Catalog[2 * l__INT__Word] | (l__Catalog[2 * l__INT__Word + 1] << 8);
    EXPECT_EQ(l__ULONG__Sum & 0xFFFF, 0u);
    EXPECT_EQ(std::memcmp(l__Catalog + 4, "Tarnwi", 6), 0);
    EXPECT_EQ(l__Catalog[10], 0);
    EXPECT_EQ(l__Catalog[30], 0x55);
    EXPECT_EQ(l__Catalog[31], 0xAA);
    EXPECT_EQ(l__Catalog[32], 0x88);
    EXPECT_EQ(l__Catalog[33], 2);
    EXPECT_EQ(l__Catalog[34] | (l__Catalog[35] << 8), 0x07C0);
    EXPECT_EQ(l__Catalog[36], 6);
    EXPECT_EQ(l__Catalog[38] | (l__Catalog[39] << 8), 1);
    CTarnwick_ISO9660FileTreeNode* l__Node = static_cast<CTarnwick_ISO9660FileTreeNode*>(l__Tree.GetRoot()->GetFirstKid());
    EXPECT_EQ(Le32(l__Catalog + 40), l__Node->GetExtentLocation());
    EXPECT_EQ(l__Node->GetDiscIdentifier(), "BOOT-FLO.IMG;1");
}

TEST(ISO9660Image, SecondBuildFailsAndLabelsAreCut) {
    TreeRecorder l__Recorder;
    CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
    auto l__NoRoot = CatchRaise([&] { Build(l__Tree, 0); });
    EXPECT_EQ(l__NoRoot.first, static_cast<ULONG>(EXCEPTION_NUMBER_INVALID_STATE));
    EXPECT_EQ(l__NoRoot.second, "CTarnwick_ISO9660FileTree::BuildImage(): m__PCTarnwick_FileTreeNode__Root is NULL!!!");
    CTarnwick_FileTreeNode* l__Root = nullptr;
    l__Tree.CreateFromRoot(nullptr, "empty dir", 2, &l__Root);
    std::string l__string__Label = "A VOLUME LABEL OF FORTY CHARACTERS, YES!";
    ASSERT_EQ(l__string__Label.size(), 40u);
    Build(l__Tree, 0, l__string__Label.c_str());
    const UCHAR* l__Pvd = l__Tree.GetSystemStructures() + 16 * 2048;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(l__Pvd + 40), 32), l__string__Label.substr(0, 32));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(l__Pvd + 190)), l__string__Label);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(l__Pvd + 8)), "System");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(l__Pvd + 318)), "Publisher");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(l__Pvd + 446)), "Publisher");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(l__Pvd + 574)), "Application");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(l__Pvd + 813)), "2026120708000000");
    EXPECT_EQ(l__Pvd[881], 1);
    auto l__Again = CatchRaise([&] { Build(l__Tree, 0); });
    EXPECT_EQ(l__Again.first, static_cast<ULONG>(EXCEPTION_NUMBER_INVALID_STATE));
    EXPECT_EQ(l__Again.second, "CTarnwick_ISO9660FileTree::BuildImage(): m__BOOLEAN__IsImageBuild is TRUE already!!!");
}

TEST(ISO9660Image, RecordsThatFillASectorExactlyLeaveNoGap) {
    MasteringScratch l__Scratch;
    TreeRecorder l__Recorder;
    CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, TRUE);
    CTarnwick_FileTreeNode* l__Root = nullptr;
    for (int l__INT__Index = 0; l__INT__Index < 40; ++l__INT__Index) {  // 68 + 40 x 48 = 1988
        char l__CHAR__Name[32];
        std::snprintf(l__CHAR__Name, sizeof(l__CHAR__Name), "SHORTNAME%05d", l__INT__Index);
        l__Tree.CreateFromRoot(l__Scratch.File(l__CHAR__Name).c_str(), nullptr, 2, &l__Root);
    }
    l__Tree.CreateFromRoot(l__Scratch.File(std::string(27, 'S')).c_str(), nullptr, 2, &l__Root);  // 60 bytes: 2048
    EXPECT_EQ(static_cast<CTarnwick_ISO9660FileTreeNode*>(l__Root)->GetDirectoryLength(), 2048u);
    l__Tree.CreateFromRoot(l__Scratch.File("LAST").c_str(), nullptr, 2, &l__Root);
    EXPECT_EQ(static_cast<CTarnwick_ISO9660FileTreeNode*>(l__Root)->GetDirectoryLength(), 2048u + 38);
    Build(l__Tree, 0);
    std::vector<Record> l__Records = Records(l__Tree.GetSystemStructures() + 23 * 2048, 4096);
    ASSERT_EQ(l__Records.size(), 44u);
    EXPECT_EQ(l__Records.back().m__string__Identifier, "LAST");
    EXPECT_EQ(l__Records.back().m__SIZE__Offset, 2048u);
    EXPECT_EQ(l__Records[0].m__ULONG__Length, 4096u);
}

TEST(ISO9660Image, FileOfFourGibibytesAndMoreTakesSeveralExtents) {
    MasteringScratch l__Scratch;
    const uint64_t l__ULONGLONG__Size = 4608ull << 20;  // 4.5 GiB, sparse
    std::string l__string__Path = l__Scratch.SparseFile("huge.bin", l__ULONGLONG__Size);
    ASSERT_FALSE(l__string__Path.empty());
    l__Scratch.File("after.txt", "after");
    TreeRecorder l__Recorder;
    CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
    CTarnwick_FileTreeNode* l__Root = nullptr;
    l__Tree.CreateFromRoot(l__string__Path.c_str(), nullptr, 2, &l__Root);
    l__Tree.CreateFromRoot((l__Scratch / "after.txt").c_str(), nullptr, 2, &l__Root);
    EXPECT_EQ(static_cast<CTarnwick_ISO9660FileTreeNode*>(l__Root)->GetDirectoryLength(), 68u + 3 * 44);
    EXPECT_EQ(l__Tree.GetTotalFileSizeInLBs(), l__ULONGLONG__Size / 2048 + 1);
    Build(l__Tree, 0);
    std::vector<Record> l__Records = Records(l__Tree.GetSystemStructures() + 23 * 2048, 2048);
    ASSERT_EQ(l__Records.size(), 5u);
    EXPECT_EQ(l__Records[2].m__string__Identifier, "HUGE.BIN;1");
    EXPECT_EQ(l__Records[3].m__string__Identifier, "HUGE.BIN;1");
    EXPECT_EQ(l__Records[2].m__UCHAR__Flags, 0x80);
    EXPECT_EQ(l__Records[3].m__UCHAR__Flags, 0x00);
    EXPECT_EQ(l__Records[2].m__ULONG__Length, 0xFFFFF800u);
    EXPECT_EQ(static_cast<uint64_t>(l__Records[2].m__ULONG__Length) + l__Records[3].m__ULONG__Length, l__ULONGLONG__Size);
    EXPECT_EQ(l__Records[3].m__ULONG__Extent, l__Records[2].m__ULONG__Extent + 0xFFFFF800u / 2048);
    EXPECT_EQ(l__Records[4].m__ULONG__Extent, l__Records[2].m__ULONG__Extent + l__ULONGLONG__Size / 2048);
    EXPECT_EQ(l__Tree.GetImage()->GetSize(), static_cast<uint64_t>(l__Tree.GetVolumeSpaceSize()) * 2048);
}

TEST(ISO9660Image, SystemStructuresAreStoredToAFile) {
    MasteringScratch l__Scratch;
    TreeRecorder l__Recorder;
    CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
    l__Tree.CreateFromRoot(l__Scratch.File("x.txt", "x").c_str(), nullptr, 2, nullptr);
    Build(l__Tree, 0);
    std::string l__string__Dump = l__Scratch / "dump.bin";
    l__Tree.StoreSystemStructures(l__string__Dump.c_str());
    std::ifstream l__Stream(l__string__Dump, std::ios::binary);
    std::vector<UCHAR> l__Bytes((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
    ASSERT_EQ(l__Bytes.size(), l__Tree.GetSystemStructuresSize());
    EXPECT_EQ(std::memcmp(l__Bytes.data(), l__Tree.GetSystemStructures(), l__Bytes.size()), 0);
    auto l__Failure = CatchRaise([&] { l__Tree.StoreSystemStructures((l__Scratch / "no/such/dir/dump").c_str()); });
    EXPECT_EQ(l__Failure.first, static_cast<ULONG>(EXCEPTION_NUMBER_SYSTEM_ERROR));
    EXPECT_NE(l__Failure.second.find("CreateFile( '"), std::string::npos);
}
