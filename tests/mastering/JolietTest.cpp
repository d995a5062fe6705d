// The Joliet hierarchy: UTF-8 to UTF-16 names, names cut to fit, the collision protocol
// on Joliet names, the sector map and the Supplementary Volume Descriptor.
#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "CTarnwick_JolietFileTree.h"
#include "CTarnwick_Utf16.h"
#include "MasteringFixture.h"

namespace {

void Build(CTarnwick_ISO9660FileTree& p__Tree, const char* p__PCHAR__Label = "Volume N1") {
    p__Tree.BuildImage(0, 0, FALSE, p__PCHAR__Label, "Publisher", "Application", "System", nullptr, nullptr,
                       "2026120708000000", nullptr, nullptr, nullptr);
}

std::string Utf8(const std::u16string& p__u16string__Text) { return CTarnwick_Utf16::ToUtf8(p__u16string__Text); }

// The Joliet name of a node as UTF-8.
std::string JolietName(CTarnwick_FileTreeNode* p__Node) {
    return Utf8(CTarnwick_Utf16::FromBigEndian(static_cast<CTarnwick_JolietFileTreeNode*>(p__Node)->GetJolietName()));
}

CTarnwick_FileTreeNode* Kid(CTarnwick_FileTreeNode* p__Parent, size_t p__SIZE__Index) {
    CTarnwick_FileTreeNode* l__Kid = p__Parent->GetFirstKid();
    while (l__Kid != nullptr && p__SIZE__Index-- > 0) l__Kid = l__Kid->GetNextSibling();
    return l__Kid;
}

// The records of the Joliet directory that starts at a sector, names as UTF-8.
std::vector<Record> JolietRecords(const CTarnwick_ISO9660FileTree& p__Tree, ULONG p__ULONG__Extent, ULONG p__ULONG__Bytes) {
    std::vector<Record> l__Records = Records(p__Tree.GetSystemStructures() + p__ULONG__Extent * 2048ull, p__ULONG__Bytes);
    for (size_t l__SIZE__Index = 2; l__SIZE__Index < l__Records.size(); ++l__SIZE__Index)
        l__Records[l__SIZE__Index].m__string__Identifier =
            Utf8(CTarnwick_Utf16::FromBigEndian(l__Records[l__SIZE__Index].m__string__Identifier));
    return l__Records;
}

// The UTF-16 name of a collision record (it lies at an odd offset).
std::u16string ReportedName(const NAME_COLLISION_INFORMATION& p__Information) {
    return CTarnwick_Utf16::FromTerminated(p__Information.m__UCHAR__NewName, sizeof(p__Information.m__UCHAR__NewName));
}

const std::string g__string__Emoji = "\xF0\x9F\x98\x80";  // U+1F600, outside the BMP

}  // namespace

TEST(Utf16, ConvertsEveryScriptAndReplacesWhatIsNotUtf8) {
    EXPECT_EQ(CTarnwick_Utf16::FromUtf8("a\xC3\xA9\xC3\x9F\xE6\x97\xA5\xE6\x9C\xAC"), u"a\u00E9\u00DF\u65E5\u672C");
    EXPECT_EQ(CTarnwick_Utf16::FromUtf8(g__string__Emoji), std::u16string({0xD83D, 0xDE00}));
    // A stray continuation byte, a cut-short sequence, an overlong "/" and an encoded surrogate.
    EXPECT_EQ(CTarnwick_Utf16::FromUtf8("\x80x\xE6\x97"), u"\uFFFDx\uFFFD\uFFFD");
    EXPECT_EQ(CTarnwick_Utf16::FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(CTarnwick_Utf16::FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    std::string l__string__Mixed = "\xC3\xA9t\xC3\xA9 " + g__string__Emoji + " \xE6\x97\xA5";
    EXPECT_EQ(Utf8(CTarnwick_Utf16::FromUtf8(l__string__Mixed)), l__string__Mixed);
    EXPECT_EQ(Utf8(std::u16string({0xD83D, u'x', 0xDE00})), "\xEF\xBF\xBDx\xEF\xBF\xBD");
    EXPECT_EQ(CTarnwick_Utf16::ToBigEndian(u"A\u65E5"), std::string("\x00\x41\x65\xE5", 4));
    EXPECT_EQ(CTarnwick_Utf16::FromBigEndian(std::string("\x00\x41\x65\xE5", 4)), u"A\u65E5");
    // A text in the machine's order at an odd offset, ended by a zero or by the buffer.
    UCHAR l__UCHAR__Buffer[7] = {0xEE};
    const char16_t l__char16_t__Units[3] = {u'h', 0x65E5, 0};
    std::memcpy(l__UCHAR__Buffer + 1, l__char16_t__Units, 6);
    EXPECT_EQ(CTarnwick_Utf16::FromTerminated(l__UCHAR__Buffer + 1, 6), u"h\u65E5");
    EXPECT_EQ(CTarnwick_Utf16::FromTerminated(l__UCHAR__Buffer + 1, 3), u"h");
    // A cut never leaves half a surrogate pair.
    EXPECT_EQ(CTarnwick_Utf16::Cut(u"ab" + CTarnwick_Utf16::FromUtf8(g__string__Emoji), 3), u"ab");
}

TEST(JolietNames, VersionSemicolonsCaseAndNamesCutToFit) {
    EXPECT_EQ(Utf8(CTarnwick_JolietFileTreeNode::MakeJolietName("Report;old.txt", true)), "Report_old.txt;1");
    EXPECT_EQ(Utf8(CTarnwick_JolietFileTreeNode::MakeJolietName(";lead", true)), "_lead;1");
    // A directory has no version: no ";" of its name may be taken for one.
    EXPECT_EQ(Utf8(CTarnwick_JolietFileTreeNode::MakeJolietName("Dir;2", false)), "Dir_2");
    // 150 characters: cut to 103 units, the extension and version kept.
    std::string l__string__Long(146, 'x');
    std::string l__string__Cut = Utf8(CTarnwick_JolietFileTreeNode::MakeJolietName(l__string__Long + ".txt", true));
    EXPECT_EQ(l__string__Cut, std::string(97, 'x') + ".txt;1");
    // Units are counted, not bytes: 80 Japanese characters fit whole; an emoji counts two
    // and is never split by a cut.
    std::string l__string__Japanese;
    for (int l__INT__Index = 0; l__INT__Index < 80; ++l__INT__Index) l__string__Japanese += "\xE6\x97\xA5";
    EXPECT_EQ(Utf8(CTarnwick_JolietFileTreeNode::MakeJolietName(l__string__Japanese, true)), l__string__Japanese + ";1");
    std::string l__string__Emojis;
    for (int l__INT__Index = 0; l__INT__Index < 60; ++l__INT__Index) l__string__Emojis += g__string__Emoji;
    std::u16string l__u16string__Fitted = CTarnwick_JolietFileTreeNode::MakeJolietName("ab" + l__string__Emojis + ".png", true);
    EXPECT_EQ(l__u16string__Fitted.size(), 102u);  // "ab", 47 pairs, ".png;1": the 97th unit would split a pair
    EXPECT_EQ(Utf8(l__u16string__Fitted), "ab" + l__string__Emojis.substr(0, 47 * 4) + ".png;1");
    // A tail goes before the extension, within the limit.
    EXPECT_EQ(Utf8(CTarnwick_JolietFileTreeNode::FitJolietName(u"name.txt;1", u"~7")), "name~7.txt;1");
    EXPECT_EQ(Utf8(CTarnwick_JolietFileTreeNode::FitJolietName(CTarnwick_Utf16::FromUtf8(l__string__Cut), u"~12")),
              std::string(94, 'x') + "~12.txt;1");
}

TEST(JolietTree, NodesOfEveryKindCarryTheirJolietName) {
    MasteringScratch l__Scratch;
    l__Scratch.File("src/Report;old.txt", "r");
    l__Scratch.File("src/d\xC3\xA9j\xC3\xA0/\xE6\x97\xA5\xE6\x9C\xAC " + g__string__Emoji + ".txt", "e");
    TreeRecorder l__Recorder;
    CTarnwick_JolietFileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
    l__Tree.CreateFromDirectoryContents((l__Scratch / "src").c_str(), CTarnwick_FileTree::TimeLastWrite, nullptr);
    static const char s__CHAR__Block[] = "memory";
    l__Tree.CreateFromRootMemoryChecked(s__CHAR__Block, 6, "Memo", CTarnwick_FileTree::TimeLastWrite, l__Tree.GetRoot());
    std::map<std::string, std::string> l__Names;
    for (CTarnwick_FileTreeNode* l__Kid = l__Tree.GetRoot()->GetFirstKid(); l__Kid != nullptr; l__Kid = l__Kid->GetNextSibling())
        l__Names[l__Kid->GetLongFileName()] = JolietName(l__Kid);
    EXPECT_EQ(l__Names["Report;old.txt"], "Report_old.txt;1");
    EXPECT_EQ(l__Names["d\xC3\xA9j\xC3\xA0"], "d\xC3\xA9j\xC3\xA0");
    EXPECT_EQ(l__Names["Memo"], "Memo;1");
    CTarnwick_FileTreeNode* l__Directory = nullptr;
    for (CTarnwick_FileTreeNode* l__Kid = l__Tree.GetRoot()->GetFirstKid(); l__Kid != nullptr; l__Kid = l__Kid->GetNextSibling())
        if (l__Kid->IsDirectory()) l__Directory = l__Kid;
    ASSERT_NE(l__Directory, nullptr);
    EXPECT_EQ(JolietName(l__Directory->GetFirstKid()), "\xE6\x97\xA5\xE6\x9C\xAC " + g__string__Emoji + ".txt;1");
    // A renamed node gets its Joliet name anew.
    CTarnwick_FileTreeNode* l__Memo = nullptr;
    for (CTarnwick_FileTreeNode* l__Kid = l__Tree.GetRoot()->GetFirstKid(); l__Kid != nullptr; l__Kid = l__Kid->GetNextSibling())
        if (l__Kid->GetLongFileName() == "Memo") l__Memo = l__Kid;
    ASSERT_TRUE(l__Tree.RenameNode(l__Memo, "Notes \xC3\x9F", "NOTES"));
    EXPECT_EQ(JolietName(l__Memo), "Notes \xC3\x9F;1");
}

TEST(JolietTree, CollisionOfJolietNamesAloneGoesThroughTheProtocol) {
    // "a;b.txt" and "a_b.txt" have different 8.3 names but the same Joliet name.
    for (ULONG l__ULONG__Action : {0u, 1u, 2u}) {
        MasteringScratch l__Scratch;
        std::string l__string__First = l__Scratch.File("one/a;b.txt", "first");
        std::string l__string__Second = l__Scratch.File("two/a_b.txt", "second");
        TreeRecorder l__Recorder;
        if (l__ULONG__Action == 2) {
            std::u16string l__u16string__Name = u"a_b~1.txt;1";
            std::string l__string__Bytes(reinterpret_cast<const char*>(l__u16string__Name.data()), 2 * l__u16string__Name.size());
            l__Recorder.Answer(2, l__string__Bytes);
        } else {
            l__Recorder.Answer(l__ULONG__Action);
        }
        CTarnwick_JolietFileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
        CTarnwick_FileTreeNode* l__Root = nullptr;
        l__Tree.CreateFromRoot(l__string__First.c_str(), nullptr, CTarnwick_FileTree::TimeLastWrite, &l__Root);
        l__Tree.CreateFromRoot(l__string__Second.c_str(), nullptr, CTarnwick_FileTree::TimeLastWrite, &l__Root);
        ASSERT_EQ(l__Recorder.m__Collisions.size(), 1u) << l__ULONG__Action;
        const NAME_COLLISION_INFORMATION& l__Information = l__Recorder.m__Collisions[0];
        EXPECT_EQ(l__Information.m__BOOLEAN__IsJoliet, 1);
        // The name in the machine's byte order, zero-terminated.
        EXPECT_EQ(ReportedName(l__Information), u"a_b.txt;1");
        std::vector<std::string> l__Kids;
        for (CTarnwick_FileTreeNode* l__Kid = l__Root->GetFirstKid(); l__Kid != nullptr; l__Kid = l__Kid->GetNextSibling())
            l__Kids.push_back(l__Kid->GetLongFileName() + "=" + JolietName(l__Kid));
        const std::vector<std::vector<std::string>> l__Expected = {
            {"a;b.txt=a_b.txt;1"}, {"a_b.txt=a_b.txt;1"}, {"a;b.txt=a_b.txt;1", "a_b.txt=a_b~1.txt;1"}};
        EXPECT_EQ(l__Kids, l__Expected[l__ULONG__Action]);
    }
}

TEST(JolietTree, NamesCutToTheSameStemCollideAndARenameStartsOver) {
    MasteringScratch l__Scratch;
    std::string l__string__Stem(120, 'n');
    l__Scratch.File("src/" + l__string__Stem + "1.dat", "1");
    l__Scratch.File("src/" + l__string__Stem + "2.dat", "2");
    l__Scratch.File("src/third.dat", "3");
    TreeRecorder l__Recorder;
    // The first answer renames the second file to the third's name: a second report follows.
    auto l__Bytes = [](const std::u16string& p__u16string__Name) {
        return std::string(reinterpret_cast<const char*>(p__u16string__Name.data()), 2 * p__u16string__Name.size());
    };
    l__Recorder.Answer(2, l__Bytes(u"third.dat;1"));
    l__Recorder.Answer(2, l__Bytes(u"fourth.dat;1"));
    CTarnwick_JolietFileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
    CTarnwick_FileTreeNode* l__Root = nullptr;
    for (const char* l__PCHAR__Name : {"third.dat", "1.dat", "2.dat"}) {
        std::string l__string__Name = std::strcmp(l__PCHAR__Name, "third.dat") == 0 ? l__PCHAR__Name : l__string__Stem + l__PCHAR__Name;
        l__Tree.CreateFromRoot((l__Scratch / ("src/" + l__string__Name)).c_str(), nullptr, CTarnwick_FileTree::TimeLastWrite, &l__Root);
    }
    ASSERT_EQ(l__Recorder.m__Collisions.size(), 2u);
    // A name given by the callback is held to the same length as any other.
    CTarnwick_JolietFileTreeNode* l__Third = static_cast<CTarnwick_JolietFileTreeNode*>(Kid(l__Root, 0));
    l__Third->SetJolietName(std::u16string(200, u'z') + u".dat;1");
    EXPECT_EQ(JolietName(l__Third), std::string(97, 'z') + ".dat;1");
    EXPECT_EQ(ReportedName(l__Recorder.m__Collisions[1]), u"third.dat;1");
    ASSERT_NE(Kid(l__Root, 2), nullptr);
    EXPECT_EQ(JolietName(Kid(l__Root, 1)), std::string(97, 'n') + ".dat;1");
    EXPECT_EQ(JolietName(Kid(l__Root, 2)), "fourth.dat;1");
}

TEST(JolietImage, EmptyTreeSectorMapWithAndWithoutABootImage) {
    for (bool l__bool__Boot : {false, true}) {
        MasteringScratch l__Scratch;
        TreeRecorder l__Recorder;
        CTarnwick_JolietFileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
        CTarnwick_FileTreeNode* l__Root = nullptr;
        l__Tree.CreateFromRoot(nullptr, "x", 2, &l__Root);
        CTarnwick_FileTreeNode* l__Kid = l__Root->GetFirstKid();
        l__Tree.DeleteNode(&l__Kid);  // an empty root remains
        if (l__bool__Boot) {
            std::string l__string__Boot = l__Scratch.File("boot.img", std::string(2048, '\x01'));
            l__Tree.SetBootImage(l__string__Boot.c_str(), "boot.img", 0, 0, 2048, 0, 0);
        }
        Build(l__Tree);
        const UCHAR* l__Image = l__Tree.GetSystemStructures();
        const UCHAR* l__Pvd = l__Image + 16 * 2048;
        ULONG l__ULONG__SvdSector = l__bool__Boot ? 18 : 17;
        const UCHAR* l__Svd = l__Image + l__ULONG__SvdSector * 2048;
        EXPECT_EQ(l__Svd[0], 2);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(l__Svd + 1), 5), "CD001");
        EXPECT_EQ(l__Image[(l__ULONG__SvdSector + 1) * 2048], 255);  // terminator
        EXPECT_EQ(l__Image[17 * 2048], l__bool__Boot ? 0 : 2);  // boot record or the supplementary descriptor
        EXPECT_EQ(Le32(l__Pvd + 140), 22u);
        EXPECT_EQ(Be32(l__Pvd + 148), 23u);
        EXPECT_EQ(Le32(l__Svd + 140), 24u);
        EXPECT_EQ(Be32(l__Svd + 148), 25u);
        EXPECT_EQ(Both32(l__Pvd + 156 + 2), 26u);
        EXPECT_EQ(Both32(l__Svd + 156 + 2), 27u);
        EXPECT_EQ(Both32(l__Svd + 156 + 10), 2048u);
        EXPECT_EQ(Both32(l__Svd + 132), 10u);
        // The Joliet path table: the root, at its Joliet extent.
        EXPECT_EQ(l__Image[24 * 2048], 1);
        EXPECT_EQ(Le32(l__Image + 24 * 2048 + 2), 27u);
        EXPECT_EQ(Be32(l__Image + 25 * 2048 + 2), 27u);
        std::vector<Record> l__Records = JolietRecords(l__Tree, 27, 2048);
        ASSERT_GE(l__Records.size(), 2u);
        EXPECT_EQ(l__Records[0].m__ULONG__Extent, 27u);
        EXPECT_EQ(l__Records[1].m__ULONG__Extent, 27u);
        if (l__bool__Boot) {
            ASSERT_EQ(l__Records.size(), 3u);
            EXPECT_EQ(l__Records[2].m__string__Identifier, "boot.img;1");
            EXPECT_EQ(l__Records[2].m__ULONG__Extent, 28u);  // the one extent both hierarchies share
            EXPECT_EQ(l__Tree.GetVolumeSpaceSize(), 29u);
        } else {
            EXPECT_EQ(l__Records.size(), 2u);
            EXPECT_EQ(l__Tree.GetVolumeSpaceSize(), 28u);
        }
    }
}

TEST(JolietImage, VolumeLabelInUcs2AndTheEscapeSequenceOnlyInTheSupplementaryDescriptor) {
    TreeRecorder l__Recorder;
    CTarnwick_JolietFileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
    CTarnwick_FileTreeNode* l__Root = nullptr;
    l__Tree.CreateFromRoot(nullptr, "x", 2, &l__Root);
    Build(l__Tree, "Volume N1");
    const UCHAR* l__Pvd = l__Tree.GetSystemStructures() + 16 * 2048;
    const UCHAR* l__Svd = l__Tree.GetSystemStructures() + 17 * 2048;
    const UCHAR l__UCHAR__Label[32] = {0, 'V', 0, 'o', 0, 'l', 0, 'u', 0, 'm', 0, 'e', 0, ' ', 0, 'N', 0, '1'};
    EXPECT_EQ(std::memcmp(l__Svd + 40, l__UCHAR__Label, 32), 0);
    EXPECT_EQ(std::memcmp(l__Svd + 88, "\x25\x2F\x40", 3), 0);
    const UCHAR l__UCHAR__Zero[32] = {};
    EXPECT_EQ(std::memcmp(l__Pvd + 88, l__UCHAR__Zero, 32), 0);
    // Everything else of the descriptor is the primary one's.
    EXPECT_EQ(std::memcmp(l__Svd + 190, l__Pvd + 190, 881 - 190), 0);
    EXPECT_EQ(std::memcmp(l__Svd + 80, l__Pvd + 80, 8), 0);
}

TEST(JolietImage, BothHierarchiesShareFileExtentsAndDirectoryNumbers) {
    MasteringScratch l__Scratch;
    // Long names fill Joliet directories of several sectors; a deep chain of directories.
    std::string l__string__Deep = "src";
    for (int l__INT__Level = 0; l__INT__Level < 9; ++l__INT__Level) l__string__Deep += "/\xC3\xA9tage " + std::to_string(l__INT__Level);
    l__Scratch.File(l__string__Deep + "/bottom.txt", "bottom");
    for (int l__INT__Index = 0; l__INT__Index < 40; ++l__INT__Index)
        l__Scratch.File("src/" + std::to_string(l__INT__Index) + std::string(90, 'w') + ".txt", std::string(l__INT__Index * 100, 'c'));
    TreeRecorder l__Recorder;
    CTarnwick_JolietFileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, TRUE);
    l__Tree.CreateFromDirectoryContents((l__Scratch / "src").c_str(), CTarnwick_FileTree::TimeLastWrite, nullptr);
    uint64_t l__ULONGLONG__JolietSectors = l__Tree.GetJolietTotalDirectorySizeInLBs();
    EXPECT_EQ(l__ULONGLONG__JolietSectors, 5u + 9u);  // the root takes 5 sectors: 40 records of 228-230 bytes, 8 a sector
    uint64_t l__ULONGLONG__IsoSectors = l__Tree.CTarnwick_ISO9660FileTree::GetTotalDirectorySizeInLBs();
    EXPECT_EQ(l__Tree.GetTotalDirectorySizeInLBs(), l__ULONGLONG__IsoSectors + l__ULONGLONG__JolietSectors);
    Build(l__Tree);
    const UCHAR* l__Pvd = l__Tree.GetSystemStructures() + 16 * 2048;
    const UCHAR* l__Svd = l__Tree.GetSystemStructures() + 17 * 2048;
    std::vector<Record> l__Iso = Records(l__Tree.GetSystemStructures() + Both32(l__Pvd + 158) * 2048ull, Both32(l__Pvd + 166));
    std::vector<Record> l__Joliet = JolietRecords(l__Tree, Both32(l__Svd + 158), Both32(l__Svd + 166));
    EXPECT_EQ(Both32(l__Svd + 166), 5u * 2048);
    ASSERT_EQ(l__Iso.size(), l__Joliet.size());
    for (size_t l__SIZE__Index = 2; l__SIZE__Index < l__Joliet.size(); ++l__SIZE__Index) {
        const Record& l__Record = l__Joliet[l__SIZE__Index];
        // No record crosses a sector end.
        EXPECT_LE(l__Record.m__SIZE__Offset % 2048 + 34 + 2 * (l__Record.m__string__Identifier.size()), 2048u + 34u);
        if ((l__Record.m__UCHAR__Flags & 0x02) == 0) {
            EXPECT_EQ(l__Record.m__ULONG__Extent, l__Iso[l__SIZE__Index].m__ULONG__Extent);
            EXPECT_EQ(l__Record.m__ULONG__Length, l__Iso[l__SIZE__Index].m__ULONG__Length);
        } else {
            EXPECT_EQ(l__Record.m__string__Identifier, "\xC3\xA9tage 0");
            EXPECT_GT(l__Record.m__ULONG__Extent, l__Iso[l__SIZE__Index].m__ULONG__Extent);
        }
    }
    // The Joliet path table names the parents by the shared directory numbers.
    const UCHAR* l__Table = l__Tree.GetSystemStructures() + Le32(l__Svd + 140) * 2048ull;
    ULONG l__ULONG__Offset = 0;
    for (ULONG l__ULONG__Number = 1; l__ULONG__Number <= 10; ++l__ULONG__Number) {
        const UCHAR* l__Entry = l__Table + l__ULONG__Offset;
        EXPECT_EQ(l__Entry[6] | (l__Entry[7] << 8), l__ULONG__Number == 1 ? 1u : l__ULONG__Number - 1);
        l__ULONG__Offset += 8 + l__Entry[0] + (l__Entry[0] & 1);
    }
    EXPECT_EQ(l__ULONG__Offset, Both32(l__Svd + 132));
    // The image stream carries each file once.
    EXPECT_EQ(l__Tree.GetImage()->GetSize(), static_cast<uint64_t>(l__Tree.GetVolumeSpaceSize()) * 2048);
}

TEST(JolietImage, FileOfFourGibibytesTakesSeveralExtentsInBothHierarchies) {
    MasteringScratch l__Scratch;
    const uint64_t l__ULONGLONG__Size = 4608ull << 20;  // 4.5 GiB, sparse
    std::string l__string__Path = l__Scratch.SparseFile("huge.bin", l__ULONGLONG__Size);
    ASSERT_FALSE(l__string__Path.empty());
    TreeRecorder l__Recorder;
    CTarnwick_JolietFileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
    CTarnwick_FileTreeNode* l__Root = nullptr;
    l__Tree.CreateFromRoot(l__string__Path.c_str(), nullptr, 2, &l__Root);
    Build(l__Tree);
    const UCHAR* l__Svd = l__Tree.GetSystemStructures() + 17 * 2048;
    std::vector<Record> l__Records = JolietRecords(l__Tree, Both32(l__Svd + 158), 2048);
    // Not the low 32 bits of the size: the whole file, in two extents.
    ASSERT_EQ(l__Records.size(), 4u);
    EXPECT_EQ(l__Records[2].m__string__Identifier, "huge.bin;1");
    EXPECT_EQ(l__Records[2].m__UCHAR__Flags, 0x80);
    EXPECT_EQ(l__Records[3].m__UCHAR__Flags, 0x00);
    EXPECT_EQ(static_cast<uint64_t>(l__Records[2].m__ULONG__Length) + l__Records[3].m__ULONG__Length, l__ULONGLONG__Size);
    EXPECT_EQ(l__Records[3].m__ULONG__Extent, l__Records[2].m__ULONG__Extent + 0xFFFFF800u / 2048);
}
