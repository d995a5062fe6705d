// The directory walk: numbering and report order, limits, the ignore-errors flag,
// cancellation, link cycles, virtual and memory entries, renaming and deletion.
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "CTarnwick_ISO9660FileTree.h"
#include "MasteringFixture.h"
#include "PlatformDirectory.h"
#include "TraceCapture.h"

namespace {

CTarnwick_FileTreeNode* FindKid(CTarnwick_FileTreeNode* p__Parent, const std::string& p__string__LongName) {
    for (CTarnwick_FileTreeNode* l__Kid = p__Parent->GetFirstKid(); l__Kid != nullptr; l__Kid = l__Kid->GetNextSibling())
        if (l__Kid->GetLongFileName() == p__string__LongName) return l__Kid;
    return nullptr;
}

size_t KidCount(CTarnwick_FileTreeNode* p__Parent) {
    size_t l__SIZE__Count = 0;
    for (CTarnwick_FileTreeNode* l__Kid = p__Parent->GetFirstKid(); l__Kid != nullptr; l__Kid = l__Kid->GetNextSibling())
        ++l__SIZE__Count;
    return l__SIZE__Count;
}

}  // namespace

TEST(FileTree, DirectoryIsNumberedBeforeItsKidsAndAnnouncedAfterThem) {
    MasteringScratch l__Scratch;
    for (const char* l__Name : {"d/a.txt", "d/b.txt", "d/c.txt", "d/s/x.txt", "d/s/y.txt"}) l__Scratch.File(l__Name, "1");
    TreeRecorder l__Recorder;
    CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
    CTarnwick_FileTreeNode* l__Parent = nullptr;
    l__Tree.CreateFromRoot((l__Scratch / "d").c_str(), nullptr, CTarnwick_FileTree::TimeLastWrite, &l__Parent);

    ASSERT_EQ(l__Parent, l__Tree.GetRoot());
    EXPECT_EQ(l__Tree.GetNodeCount(), 8u);  // the root and the seven nodes of d
    CTarnwick_FileTreeNode* l__D = FindKid(l__Tree.GetRoot(), "d");
    ASSERT_NE(l__D, nullptr);
    CTarnwick_FileTreeNode* l__S = FindKid(l__D, "s");
    ASSERT_NE(l__S, nullptr);
    EXPECT_EQ(l__D->GetNodeNumber(), 2u);
    EXPECT_EQ(KidCount(l__D), 4u);
    for (CTarnwick_FileTreeNode* l__Kid = l__D->GetFirstKid(); l__Kid; l__Kid = l__Kid->GetNextSibling())
        EXPECT_GT(l__Kid->GetNodeNumber(), l__D->GetNodeNumber());
    for (CTarnwick_FileTreeNode* l__Kid = l__S->GetFirstKid(); l__Kid; l__Kid = l__Kid->GetNextSibling())
        EXPECT_GT(l__Kid->GetNodeNumber(), l__S->GetNodeNumber());
    EXPECT_EQ(l__S->GetLevel(), 3u);
    EXPECT_EQ(l__Tree.GetTreeLevel(), 4u);

    std::vector<std::string> l__Added = l__Recorder.Texts(ADD_NAME);
    ASSERT_EQ(l__Added.size(), 8u);
    EXPECT_EQ(l__Added.front(), "/");
    EXPECT_EQ(l__Added.back(), l__Scratch / "d");
    auto l__At = [&](const std::string& p__Path) {
        return std::find(l__Added.begin(), l__Added.end(), p__Path) - l__Added.begin();
    };
    EXPECT_GT(l__At(l__Scratch / "d/s"), l__At(l__Scratch / "d/s/x.txt"));
    EXPECT_GT(l__At(l__Scratch / "d/s"), l__At(l__Scratch / "d/s/y.txt"));
}

TEST(FileTree, PathOf260CharactersFailsOrIsSkippedWithIgnoreErrors) {
    MasteringScratch l__Scratch;
    std::string l__string__Directory = l__Scratch.Directory("long");
    std::string l__string__Name(259 - l__string__Directory.size(), 'n');  // path of exactly 260 characters
    ASSERT_EQ((l__string__Directory + "/" + l__string__Name).size(), 260u);
    l__Scratch.File("long/" + l__string__Name, "x");
    l__Scratch.File("long/ok.txt", "y");

    TreeRecorder l__Recorder;
    CTarnwick_ISO9660FileTree l__Strict(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
    auto [l__ULONG__Number, l__string__Text] = CatchRaise([&] {
        l__Strict.CreateFromRoot(l__string__Directory.c_str(), nullptr, 2, nullptr);
    });
    EXPECT_EQ(l__ULONG__Number, static_cast<ULONG>(EXCEPTION_NUMBER_INVALID_PARAMETER));
    EXPECT_EQ(l__string__Text, "CTarnwick_FileTreeNode::CTarnwick_FileTreeNode(): strlen( p__PCHAR__AbsolutePathAndFileName ) "
                               "== 260 exceeds (>=) 260!!!");
    EXPECT_EQ(KidCount(l__Strict.GetRoot()), 0u);

    TreeRecorder l__Lenient;
    CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Lenient, TRUE, FALSE, FALSE);
    l__Tree.CreateFromRoot(l__string__Directory.c_str(), nullptr, 2, nullptr);
    EXPECT_EQ(l__Lenient.Texts(IGNORE_NAME), std::vector<std::string>{l__string__Directory + "/" + l__string__Name});
    CTarnwick_FileTreeNode* l__Long = FindKid(l__Tree.GetRoot(), "long");
    ASSERT_NE(l__Long, nullptr);
    ASSERT_EQ(KidCount(l__Long), 1u);
    EXPECT_EQ(l__Long->GetFirstKid()->GetLongFileName(), "ok.txt");
}

TEST(FileTree, CancelDuringWalkLeavesTreeAsBeforeEvenWhenIgnoringErrors) {
    MasteringScratch l__Scratch;
    for (int l__INT__Index = 0; l__INT__Index < 20; ++l__INT__Index)
        l__Scratch.File("big/sub" + std::to_string(l__INT__Index % 3) + "/f" + std::to_string(l__INT__Index), "abc");
    l__Scratch.File("first.txt", "1");
    for (BOOLEAN l__BOOLEAN__Ignore : {FALSE, TRUE}) {
        TreeRecorder l__Recorder;
        CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, l__BOOLEAN__Ignore, FALSE, FALSE);
        l__Tree.CreateFromRoot((l__Scratch / "first.txt").c_str(), nullptr, 2, nullptr);
        ULONG l__ULONG__Count = l__Tree.GetNodeCount();
        uint64_t l__ULONGLONG__Files = l__Tree.GetTotalFileSizeInLBs();
        uint64_t l__ULONGLONG__Directories = l__Tree.GetTotalDirectorySizeInLBs();
        uint64_t l__ULONGLONG__PathTable = l__Tree.GetPathTableSizeInUCHARs();
        int l__INT__Seen = 0;
        l__Recorder.m__OnReport = [&](ULONG p__ULONG__Reason) {
            if (p__ULONG__Reason == ADD_NAME && ++l__INT__Seen == 10) l__Tree.m__BOOLEAN__IsCancelCreation = TRUE;
        };
        auto [l__ULONG__Number, l__string__Text] =
            CatchRaise([&] { l__Tree.CreateFromRoot((l__Scratch / "big").c_str(), nullptr, 2, nullptr); });
        EXPECT_EQ(l__ULONG__Number, static_cast<ULONG>(EXCEPTION_NUMBER_CANCELLED));
        EXPECT_EQ(l__string__Text, "CTarnwick_FileTree::CreateFileTreeNodeAndKids(): m__BOOLEAN__IsCancelCreation == TRUE!!!");
        EXPECT_EQ(l__Tree.GetNodeCount(), l__ULONG__Count);
        EXPECT_EQ(KidCount(l__Tree.GetRoot()), 1u);
        EXPECT_EQ(l__Tree.GetTotalFileSizeInLBs(), l__ULONGLONG__Files);
        EXPECT_EQ(l__Tree.GetTotalDirectorySizeInLBs(), l__ULONGLONG__Directories);
        EXPECT_EQ(l__Tree.GetPathTableSizeInUCHARs(), l__ULONGLONG__PathTable);
        EXPECT_EQ(l__Recorder.Texts(IGNORE_NAME).size(), 0u);
        // Every node announced by the failed walk was removed again (and so were the
        // directories still being walked, which were never announced).
        std::vector<std::string> l__Added = l__Recorder.Texts(ADD_NAME);
        std::vector<std::string> l__Removed = l__Recorder.Texts(REMOVE_NAME);
        for (size_t l__SIZE__Index = l__Added.size() - l__INT__Seen; l__SIZE__Index < l__Added.size(); ++l__SIZE__Index)
            EXPECT_NE(std::find(l__Removed.begin(), l__Removed.end(), l__Added[l__SIZE__Index]), l__Removed.end());
        EXPECT_NE(std::find(l__Removed.begin(), l__Removed.end(), l__Scratch / "big"), l__Removed.end());
        // The next add clears the flag.
        l__Recorder.m__OnReport = nullptr;
        l__Tree.CreateFromRoot((l__Scratch / "big").c_str(), nullptr, 2, nullptr);
        EXPECT_EQ(l__Tree.GetNodeCount(), l__ULONG__Count + 24);
    }
}

TEST(FileTree, LinkBackToAnAncestorIsReportedAndSkipped) {
    MasteringScratch l__Scratch;
    l__Scratch.File("top/sub/file.txt", "data");
    ASSERT_EQ(::symlink("..", (l__Scratch / "top/sub/up").c_str()), 0);
    ASSERT_EQ(::symlink("file.txt", (l__Scratch / "top/sub/alias.txt").c_str()), 0);
    TreeRecorder l__Recorder;
    CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, TRUE);
    l__Tree.CreateFromRoot((l__Scratch / "top").c_str(), nullptr, 2, nullptr);
    EXPECT_EQ(l__Recorder.Texts(IGNORE_NAME), std::vector<std::string>{l__Scratch / "top/sub/up"});
    CTarnwick_FileTreeNode* l__Sub = FindKid(FindKid(l__Tree.GetRoot(), "top"), "sub");
    ASSERT_NE(l__Sub, nullptr);
    EXPECT_EQ(KidCount(l__Sub), 2u);
    CTarnwick_FileTreeNode* l__Alias = FindKid(l__Sub, "alias.txt");
    ASSERT_NE(l__Alias, nullptr);  // a link to a file is followed
    EXPECT_EQ(l__Alias->GetSize(), 4u);
    EXPECT_FALSE(l__Alias->IsDirectory());
}

TEST(FileTree, NewNamesShortNamesVirtualDirectoriesAndMemoryFiles) {
    MasteringScratch l__Scratch;
    std::string l__string__File = l__Scratch.File("Long File Name.txt", "abc");
    l__Scratch.File("readme", "r");
    TreeRecorder l__Recorder;
    CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
    CTarnwick_FileTreeNode* l__Root = nullptr;
    l__Tree.CreateFromRoot(l__string__File.c_str(), std::string(260, 'q').c_str(), 2, &l__Root);
    CTarnwick_FileTreeNode* l__Node = l__Root->GetFirstKid();
    ASSERT_NE(l__Node, nullptr);
    EXPECT_EQ(l__Node->GetLongFileName(), "Long File Name.txt");  // a 260-character new name is not used
    EXPECT_EQ(l__Node->GetShortFileName(), "LONGFI~1.TXT");
    l__Tree.CreateFromRoot((l__Scratch / "readme").c_str(), "Renamed", 2, &l__Root);
    CTarnwick_FileTreeNode* l__Readme = FindKid(l__Root, "Renamed");
    ASSERT_NE(l__Readme, nullptr);
    EXPECT_EQ(l__Readme->GetShortFileName(), "readme");  // already 8.3: the name serves

    l__Tree.CreateFromRoot(nullptr, "Virtual Folder Name", 2, &l__Root);
    CTarnwick_FileTreeNode* l__Virtual = FindKid(l__Root, "Virtual Folder Name");
    ASSERT_NE(l__Virtual, nullptr);
    EXPECT_TRUE(l__Virtual->IsDirectory());
    EXPECT_EQ(l__Virtual->GetAbsolutePathAndFileName(), ":");
    EXPECT_EQ(l__Virtual->GetShortFileName(), "Virtual Fold");

    static const char s__CHAR__Block[] = "memory contents";
    l__Tree.CreateFromRootMemoryChecked(s__CHAR__Block, sizeof(s__CHAR__Block), "notes-from-memory.txt", 2, l__Virtual);
    ASSERT_EQ(KidCount(l__Virtual), 1u);
    EXPECT_EQ(l__Virtual->GetFirstKid()->GetLongFileName(), "notes-from-m");
    EXPECT_EQ(l__Virtual->GetFirstKid()->GetAttributes(), FILE_ATTRIBUTE_NORMAL);

    auto [l__ULONG__Number, l__string__Text] = CatchRaise([&] { l__Tree.CreateFromRoot(nullptr, nullptr, 2, &l__Root); });
    EXPECT_EQ(l__ULONG__Number, static_cast<ULONG>(EXCEPTION_NUMBER_INVALID_PARAMETER));
    EXPECT_EQ(l__string__Text, "CTarnwick_FileTree::CreateFromRoot(): Both absolute and new names are NULL - this is illegal!!!");

    auto l__Missing = CatchRaise([&] { l__Tree.CreateFromRoot((l__Scratch / "gone").c_str(), nullptr, 2, &l__Root); });
    EXPECT_EQ(l__Missing.first, static_cast<ULONG>(EXCEPTION_NUMBER_SYSTEM_ERROR));
}

TEST(FileTree, DirectoryContentsGoDirectlyUnderTheParent) {
    MasteringScratch l__Scratch;
    l__Scratch.File("src/one.txt", "1");
    l__Scratch.File("src/inner/two.txt", "22");
    TreeRecorder l__Recorder;
    CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
    l__Tree.CreateFromDirectoryContents((l__Scratch / "src").c_str(), 2, nullptr);
    EXPECT_EQ(KidCount(l__Tree.GetRoot()), 2u);
    EXPECT_NE(FindKid(l__Tree.GetRoot(), "one.txt"), nullptr);
    EXPECT_NE(FindKid(l__Tree.GetRoot(), "inner"), nullptr);
}

TEST(FileTree, DeletingAndRenamingReportAndKeepTheTreeConsistent) {
    MasteringScratch l__Scratch;
    l__Scratch.File("dir/a/x.txt", "x");
    l__Scratch.File("dir/b.txt", "b");
    TreeRecorder l__Recorder;
    CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
    l__Tree.CreateFromRoot((l__Scratch / "dir").c_str(), nullptr, 2, nullptr);
    CTarnwick_FileTreeNode* l__Dir = FindKid(l__Tree.GetRoot(), "dir");
    CTarnwick_FileTreeNode* l__B = FindKid(l__Dir, "b.txt");
    EXPECT_TRUE(l__Tree.RenameNode(l__B, "c.txt", "C.TXT"));
    EXPECT_EQ(static_cast<CTarnwick_ISO9660FileTreeNode*>(l__B)->GetDiscIdentifier(), "C.TXT;1");
    CTarnwick_FileTreeNode* l__Detached = l__Tree.GetRoot();
    EXPECT_FALSE(l__Tree.RenameNode(l__Detached, "x", "x"));  // the root is nobody's kid

    l__Recorder.m__Reports.clear();
    CTarnwick_FileTreeNode* l__A = FindKid(l__Dir, "a");
    l__Tree.DeleteNode(&l__A);
    EXPECT_EQ(l__A, nullptr);
    EXPECT_EQ(l__Recorder.Texts(REMOVE_NAME),
              (std::vector<std::string>{l__Scratch / "dir/a/x.txt", l__Scratch / "dir/a"}));
    EXPECT_EQ(KidCount(l__Dir), 1u);
    EXPECT_EQ(l__Tree.GetNodeCount(), 3u);
}

TEST(PlatformDirectory, AlternateNamesFollowTheShortNameRules) {
    EXPECT_TRUE(PlatformDirectory::IsShortName("readme"));
    EXPECT_TRUE(PlatformDirectory::IsShortName("Setup.exe"));
    EXPECT_FALSE(PlatformDirectory::IsShortName("archive.tar.gz"));
    EXPECT_FALSE(PlatformDirectory::IsShortName("a b.txt"));
    EXPECT_FALSE(PlatformDirectory::IsShortName("toolongname.txt"));
    std::vector<PlatformDirectoryEntry> l__Entries(6);
    const char* l__Names[] = {"LONGFI~1.TXT", "Long File Name.txt", "long file other.txt", ".bashrc", "\xC3\xA4rger.text",
                              "Setup.exe"};
    for (int l__INT__Index = 0; l__INT__Index < 6; ++l__INT__Index) l__Entries[l__INT__Index].m__string__Name = l__Names[l__INT__Index];
    PlatformDirectory::MakeAlternateNames(l__Entries);
    EXPECT_EQ(l__Entries[0].m__string__AlternateName, "");
    EXPECT_EQ(l__Entries[1].m__string__AlternateName, "LONGFI~2.TXT");  // ~1 is taken by a real name
    EXPECT_EQ(l__Entries[2].m__string__AlternateName, "LONGFI~3.TXT");
    EXPECT_EQ(l__Entries[3].m__string__AlternateName, "BASHRC~1");
    EXPECT_EQ(l__Entries[4].m__string__AlternateName, "_RGER~1.TEX");
    EXPECT_EQ(l__Entries[5].m__string__AlternateName, "");
}

TEST(FileTree, TraceTellsIgnoredFailuresAndMisuse) {
    REQUIRE_TRACING();
    MasteringScratch l__Scratch;
    std::string l__string__File = l__Scratch.File("plain.txt", "p");
    TraceCapture l__Trace;
    TreeRecorder l__Recorder;
    CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, TRUE, FALSE, FALSE);
    CTarnwick_FileTreeNode* l__Root = nullptr;
    l__Tree.CreateFromRoot((l__Scratch / "missing").c_str(), nullptr, 2, &l__Root);
    EXPECT_TRUE(l__Trace.Contains("\nCTarnwick_FileTree::CreateFromRootChecked(): CreateFileTreeNodeAndKids( '" +
                                  (l__Scratch / "missing") + "' ) failed, ignore == TRUE!!!\n"));
    EXPECT_EQ(l__Recorder.Texts(IGNORE_NAME), std::vector<std::string>{l__Scratch / "missing"});
    l__Tree.CreateFromRoot(l__string__File.c_str(), nullptr, 2, &l__Root);
    l__Tree.UpdateNodePower(l__Root->GetFirstKid());
    EXPECT_TRUE(l__Trace.Contains("\nCTarnwick_ISO9660FileTreeNode::UpdateNodePower(): EXITing with failure, THIS IS NOT A "
                                  "DIRECTORY!!!\n"));
    EXPECT_FALSE(l__Tree.CheckName(nullptr, l__Root));
    EXPECT_TRUE(l__Trace.Contains("\nCTarnwick_ISO9660FileTree::CheckName() : Invalid arguments: "));
}
