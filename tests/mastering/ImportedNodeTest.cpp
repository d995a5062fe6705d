// Nodes read from a session already on the disc: their names, how they meet local files
// of the same name, and how an image built from them keeps their old extents.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CTarnwick_ISO9660FileTree.h"
#include "CTarnwick_ISO9660FileTreeNode.h"
#include "CTarnwick_JolietFileTree.h"
#include "CTarnwick_JolietFileTreeNode.h"
#include "CTarnwick_Utf16.h"
#include "MasteringFixture.h"

namespace {

// 2026-03-04 05:06:07 at GMT+1 (four quarter hours).
const UCHAR g__UCHAR__Date[7] = {126, 3, 4, 5, 6, 7, 4};

std::unique_ptr<CTarnwick_ISO9660FileTree> MakeTree(bool p__bool__IsJoliet, TreeRecorder* p__Recorder) {
    if (p__bool__IsJoliet) {
        return std::make_unique<CTarnwick_JolietFileTree>(TreeRecorder::Callback, p__Recorder, FALSE, FALSE, FALSE);
    }
    return std::make_unique<CTarnwick_ISO9660FileTree>(TreeRecorder::Callback, p__Recorder, FALSE, FALSE, FALSE);
}

CTarnwick_ISO9660FileTreeNode* Import(CTarnwick_ISO9660FileTree& p__Tree, const std::string& p__string__Name,
                                      ULONG p__ULONG__Attributes, ULONG p__ULONG__Extent, uint64_t p__ULONGLONG__Size,
                                      CTarnwick_FileTreeNode* p__Parent = nullptr, const std::string& p__string__Joliet = "") {
    std::string l__string__Path = "ImportingTrack(1):/" + p__string__Name;
    return static_cast<CTarnwick_ISO9660FileTreeNode*>(p__Tree.ImportFileTreeNode(
        l__string__Path.c_str(), p__string__Name.c_str(), reinterpret_cast<const UCHAR*>(p__string__Joliet.data()),
        static_cast<ULONG>(p__string__Joliet.size()), p__ULONG__Attributes, g__UCHAR__Date, p__ULONG__Extent,
        p__ULONGLONG__Size, p__Parent));
}

void Build(CTarnwick_ISO9660FileTree& p__Tree, ULONG p__ULONG__Start) {
    p__Tree.BuildImage(p__ULONG__Start, 0, FALSE, "NEXT", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr);
}

const Record* Find(const std::vector<Record>& p__Records, const std::string& p__string__Identifier) {
    for (const Record& l__Record : p__Records)
        if (l__Record.m__string__Identifier == p__string__Identifier) return &l__Record;
    return nullptr;
}

class ImportedNode : public ::testing::TestWithParam<bool> {};

TEST_P(ImportedNode, NamesIdentifiersAndDateComeFromTheRecord) {
    TreeRecorder l__Recorder;
    auto l__Tree = MakeTree(GetParam(), &l__Recorder);
    CTarnwick_ISO9660FileTreeNode* l__Readme = Import(*l__Tree, "README.TXT", 0, 300, 10);
    ASSERT_NE(l__Readme, nullptr);
    ASSERT_NE(l__Tree->GetRoot(), nullptr);
    EXPECT_EQ(l__Readme->GetParent(), l__Tree->GetRoot());
    EXPECT_TRUE(l__Readme->IsImported());
    EXPECT_EQ(l__Readme->GetLongFileName(), "README.TXT");
    EXPECT_EQ(l__Readme->GetDiscIdentifier(), "README.TXT;1");
    EXPECT_EQ(l__Readme->GetAbsolutePathAndFileName(), "ImportingTrack(1):/README.TXT");
    EXPECT_EQ(l__Readme->GetExtentLocation(), 300u);
    EXPECT_EQ(l__Readme->GetFile(), nullptr);
    EXPECT_EQ(std::memcmp(l__Readme->GetRecordingDate(), g__UCHAR__Date, 7), 0);
    // Only a one-digit version is taken off by the reader; the rest of a name stays.
    CTarnwick_ISO9660FileTreeNode* l__Abc = Import(*l__Tree, "ABC;12", 0, 301, 1);
    ASSERT_NE(l__Abc, nullptr);
    EXPECT_EQ(l__Abc->GetLongFileName(), "ABC;12");
    // A directory and a kid of it.
    CTarnwick_ISO9660FileTreeNode* l__Docs = Import(*l__Tree, "DOCS", FILE_ATTRIBUTE_DIRECTORY, 40, 2048);
    ASSERT_NE(l__Docs, nullptr);
    CTarnwick_ISO9660FileTreeNode* l__Inner = Import(*l__Tree, "INNER.TXT", 0, 302, 3, l__Docs);
    ASSERT_NE(l__Inner, nullptr);
    EXPECT_EQ(l__Inner->GetParent(), l__Docs);
    EXPECT_EQ(l__Docs->GetDiscIdentifier(), "DOCS");
    // Imported files take no sectors of the new image.
    EXPECT_EQ(l__Tree->GetTotalFileSizeInLBs(), 0u);
    EXPECT_EQ(l__Recorder.Texts(ADD_NAME).size(), 5u);  // the root and the four nodes
}

TEST_P(ImportedNode, LocalFileOfTheSameNameReplacesItUnlessTheCallbackKeepsIt) {
    static const char s__CHAR__New[] = "new contents";
    for (ULONG l__ULONG__Action : {1u, 0u}) {
        TreeRecorder l__Recorder;
        l__Recorder.Answer(l__ULONG__Action);
        auto l__Tree = MakeTree(GetParam(), &l__Recorder);
        ASSERT_NE(Import(*l__Tree, "A.TXT", 0, 300, 100), nullptr);
        l__Tree->CreateFromRootMemoryChecked(s__CHAR__New, sizeof(s__CHAR__New) - 1, "A.TXT", 2, l__Tree->GetRoot());
        ASSERT_EQ(l__Recorder.m__Collisions.size(), 1u) << "action " << l__ULONG__Action;
        auto* l__Only = static_cast<CTarnwick_ISO9660FileTreeNode*>(l__Tree->GetRoot()->GetFirstKid());
        ASSERT_NE(l__Only, nullptr);
        EXPECT_EQ(l__Only->GetNextSibling(), nullptr);
        EXPECT_EQ(l__Only->IsImported(), l__ULONG__Action == 0 ? TRUE : FALSE);
        EXPECT_EQ(l__Tree->GetTotalFileSizeInLBs(), l__ULONG__Action == 0 ? 0u : 1u);
        Build(*l__Tree, 1000);
        std::vector<UCHAR> l__Image = ReadAll(*l__Tree);
        const UCHAR* l__Pvd = l__Image.data() + 16 * 2048;
        ULONG l__ULONG__RootExtent = Both32(l__Pvd + 156 + 2);
        std::vector<Record> l__Records = Records(l__Image.data() + (l__ULONG__RootExtent - 1000) * 2048, 2048);
        const Record* l__A = Find(l__Records, "A.TXT;1");
        ASSERT_NE(l__A, nullptr);
        if (l__ULONG__Action == 0) {
            EXPECT_EQ(l__A->m__ULONG__Extent, 300u);
        } else {
            EXPECT_GE(l__A->m__ULONG__Extent, 1000u);
            EXPECT_EQ(std::memcmp(l__Image.data() + (l__A->m__ULONG__Extent - 1000) * 2048, s__CHAR__New, 12), 0);
        }
    }
}

// The new image at the next writable address: directories (imported ones too) are laid out
// afresh, imported files keep their old extents and sizes and are not part of its bytes,
// including an empty file whose record says extent 0 and a file read from extent 0.
TEST_P(ImportedNode, ImageKeepsOldExtentsAndCarriesOnlyNewFiles) {
    TreeRecorder l__Recorder;
    auto l__Tree = MakeTree(GetParam(), &l__Recorder);
    CTarnwick_ISO9660FileTreeNode* l__Docs = Import(*l__Tree, "DOCS", FILE_ATTRIBUTE_DIRECTORY, 40, 2048);
    ASSERT_NE(l__Docs, nullptr);
    ASSERT_NE(Import(*l__Tree, "OLD.BIN", 0, 300, 5000, l__Docs), nullptr);
    CTarnwick_ISO9660FileTreeNode* l__Empty = Import(*l__Tree, "EMPTY.TXT", 0, 0, 0);
    ASSERT_NE(l__Empty, nullptr);
    EXPECT_TRUE(l__Empty->IsImported());
    EXPECT_EQ(l__Empty->GetFile(), nullptr);
    // A record whose contents start at sector 0 of the disc: never a local file to open.
    CTarnwick_ISO9660FileTreeNode* l__AtZero = Import(*l__Tree, "ZERO.BIN", 0, 0, 4096);
    ASSERT_NE(l__AtZero, nullptr);
    EXPECT_EQ(l__AtZero->GetFile(), nullptr);
    static const char s__CHAR__New[] = "fresh";
    l__Tree->CreateFromRootMemoryChecked(s__CHAR__New, 5, "NEW.TXT", 2, l__Docs);

    Build(*l__Tree, 1000);
    std::vector<UCHAR> l__Image = ReadAll(*l__Tree);
    ULONG l__ULONG__SystemSectors = static_cast<ULONG>(l__Tree->GetSystemStructuresSize() / 2048);
    // The image holds the system structures and the one new file.
    EXPECT_EQ(l__Image.size(), (l__ULONG__SystemSectors + 1) * 2048u);
    EXPECT_EQ(l__Tree->GetVolumeSpaceSize(), 1000 + l__ULONG__SystemSectors + 1);
    const UCHAR* l__Pvd = l__Image.data() + 16 * 2048;
    ULONG l__ULONG__RootExtent = Both32(l__Pvd + 156 + 2);
    std::vector<Record> l__Root = Records(l__Image.data() + (l__ULONG__RootExtent - 1000) * 2048, 2048);
    const Record* l__DocsRecord = Find(l__Root, "DOCS");
    ASSERT_NE(l__DocsRecord, nullptr);
    EXPECT_GT(l__DocsRecord->m__ULONG__Extent, 1000u);
    for (auto [l__PCHAR__Identifier, l__ULONG__Length] : {std::pair{"EMPTY.TXT;1", 0u}, std::pair{"ZERO.BIN;1", 4096u}}) {
        const Record* l__Record = Find(l__Root, l__PCHAR__Identifier);
        ASSERT_NE(l__Record, nullptr) << l__PCHAR__Identifier;
        EXPECT_EQ(l__Record->m__ULONG__Extent, 0u) << l__PCHAR__Identifier;
        EXPECT_EQ(l__Record->m__ULONG__Length, l__ULONG__Length) << l__PCHAR__Identifier;
    }
    std::vector<Record> l__DocsRecords = Records(l__Image.data() + (l__DocsRecord->m__ULONG__Extent - 1000) * 2048, 2048);
    const Record* l__Old = Find(l__DocsRecords, "OLD.BIN;1");
    ASSERT_NE(l__Old, nullptr);
    EXPECT_EQ(l__Old->m__ULONG__Extent, 300u);
    EXPECT_EQ(l__Old->m__ULONG__Length, 5000u);
    const Record* l__New = Find(l__DocsRecords, "NEW.TXT;1");
    ASSERT_NE(l__New, nullptr);
    EXPECT_EQ(l__New->m__ULONG__Extent, 1000 + l__ULONG__SystemSectors);
    EXPECT_EQ(std::memcmp(l__Image.data() + l__ULONG__SystemSectors * 2048, "fresh", 5), 0);
}

INSTANTIATE_TEST_SUITE_P(BothTrees, ImportedNode, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "Joliet" : "ISO9660"; });

TEST(ImportedJolietNode, TakesTheJolietNameReadFromTheDisc) {
    TreeRecorder l__Recorder;
    CTarnwick_JolietFileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
    // "Long name.txt;1" as the disc spells it (UCS-2 big-endian).
    std::string l__string__Joliet = CTarnwick_Utf16::ToBigEndian(u"Long name.txt;1");
    auto* l__Node = static_cast<CTarnwick_JolietFileTreeNode*>(
        Import(l__Tree, "Long name.txt", 0, 300, 10, nullptr, l__string__Joliet));
    ASSERT_NE(l__Node, nullptr);
    EXPECT_EQ(l__Node->GetJolietName(), l__string__Joliet);
    EXPECT_EQ(l__Node->GetShortFileName(), "Long nam.txt");
    // Without a name from the disc the node's own Joliet name stays.
    auto* l__Plain = static_cast<CTarnwick_JolietFileTreeNode*>(Import(l__Tree, "plain", 0, 301, 10));
    ASSERT_NE(l__Plain, nullptr);
    EXPECT_EQ(l__Plain->GetJolietName(), CTarnwick_Utf16::ToBigEndian(u"plain;1"));
}

}  // namespace
