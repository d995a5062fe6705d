// ISO9660 identifiers, totals, recording dates and the name-collision protocol.
#include <cstdlib>
#include <ctime>

#include "CTarnwick_ISO9660FileTree.h"
#include "MasteringFixture.h"

namespace {

CTarnwick_ISO9660FileTreeNode* Iso(CTarnwick_FileTreeNode* p__Node) {
    return static_cast<CTarnwick_ISO9660FileTreeNode*>(p__Node);
}

std::vector<std::string> Identifiers(CTarnwick_FileTreeNode* p__Parent) {
    std::vector<std::string> l__Result;
    for (CTarnwick_FileTreeNode* l__Kid = p__Parent->GetFirstKid(); l__Kid; l__Kid = l__Kid->GetNextSibling())
        l__Result.push_back(Iso(l__Kid)->GetDiscIdentifier());
    return l__Result;
}

// Lays out a directory's records from scratch, as the image writes them.
uint64_t FreshLength(CTarnwick_FileTreeNode* p__Directory) {
    uint64_t l__ULONGLONG__Length = 68;
    for (CTarnwick_FileTreeNode* l__Kid = p__Directory->GetFirstKid(); l__Kid; l__Kid = l__Kid->GetNextSibling())
        for (ULONG l__ULONG__Index = 0; l__ULONG__Index < Iso(l__Kid)->GetExtentCount(); ++l__ULONG__Index)
            CTarnwick_ISO9660FileTreeNode::AddRecord(&l__ULONGLONG__Length, Iso(l__Kid)->GetRecordLength());
    return l__ULONGLONG__Length;
}

}  // namespace

TEST(ISO9660Names, IdentifiersFromShortAndLongNames) {
    MasteringScratch l__Scratch;
    l__Scratch.File("readme", "text");
    l__Scratch.Directory("docs");
    std::string l__string__Long = "a file name of forty-five characters long.txt";
    ASSERT_EQ(l__string__Long.size(), 45u);
    l__Scratch.File(l__string__Long, "");
    std::string l__string__Umlaut = std::string(30, 'x') + "\xC3\x9F.txt";  // byte 31 is the first of two
    l__Scratch.File(l__string__Umlaut, "");

    TreeRecorder l__Recorder;
    CTarnwick_ISO9660FileTree l__Short(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
    CTarnwick_ISO9660FileTree l__Long(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, TRUE);
    for (const char* l__Name : {"readme", "docs"}) {
        l__Short.CreateFromRoot((l__Scratch / l__Name).c_str(), nullptr, 2, nullptr);
        l__Long.CreateFromRoot((l__Scratch / l__Name).c_str(), nullptr, 2, nullptr);
    }
    l__Long.CreateFromRoot((l__Scratch / l__string__Long).c_str(), nullptr, 2, nullptr);
    l__Short.CreateFromRoot((l__Scratch / l__string__Long).c_str(), nullptr, 2, nullptr);
    l__Long.CreateFromRoot((l__Scratch / l__string__Umlaut).c_str(), nullptr, 2, nullptr);
    EXPECT_EQ(Identifiers(l__Short.GetRoot()), (std::vector<std::string>{"README;1", "DOCS", "AFILEN~1.TXT;1"}));
    std::vector<std::string> l__Ids = Identifiers(l__Long.GetRoot());
    ASSERT_EQ(l__Ids.size(), 4u);
    EXPECT_EQ(l__Ids[0], "README");
    EXPECT_EQ(l__Ids[1], "DOCS");
    EXPECT_EQ(l__Ids[2], "A FILE NAME OF FORTY-FIVE CHARA");  // 31 characters, no version
    // Non-ASCII letters stay as they are and a character is never cut in two.
    EXPECT_EQ(l__Ids[3], std::string(30, 'X'));
}

TEST(ISO9660Names, LongNamesThatReadersWouldMergeCollide) {
    MasteringScratch l__Scratch;
    TreeRecorder l__Recorder;
    CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, TRUE);
    CTarnwick_FileTreeNode* l__Root = nullptr;
    l__Recorder.Answer(2, "DOT~2");
    for (const char* l__Name : {"semi;colon", "semi;colon;1", "dot.", "dot", "only..."})
        l__Tree.CreateFromRoot(l__Scratch.File(l__Name).c_str(), nullptr, 2, &l__Root);
    EXPECT_EQ(l__Recorder.m__Collisions.size(), 1u);  // "dot" meets "dot."
    EXPECT_EQ(Identifiers(l__Root), (std::vector<std::string>{"SEMI_COLON", "SEMI_COLON_1", "DOT", "DOT~2", "ONLY"}));
}

TEST(ISO9660Names, TotalsFollowFilesDirectoriesAndPadding) {
    MasteringScratch l__Scratch;
    for (int l__INT__Index = 0; l__INT__Index < 50; ++l__INT__Index) {
        char l__CHAR__Name[32];
        std::snprintf(l__CHAR__Name, sizeof(l__CHAR__Name), "fifty/F%07d.TXT", l__INT__Index);
        l__Scratch.File(l__CHAR__Name, l__INT__Index == 0 ? std::string(2049, 'x') : "");
    }
    TreeRecorder l__Recorder;
    CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
    l__Tree.CreateFromRoot((l__Scratch / "fifty").c_str(), nullptr, 2, nullptr);
    CTarnwick_ISO9660FileTreeNode* l__Fifty = Iso(l__Tree.GetRoot()->GetFirstKid());
    // Records of 48 bytes: 41 fit behind "." and "..", 12 bytes of padding, 9 more.
    EXPECT_EQ(Iso(l__Fifty->GetFirstKid())->GetRecordLength(), 48u);
    EXPECT_EQ(l__Fifty->GetDirectoryLength(), 2048u + 9 * 48);
    EXPECT_EQ(l__Fifty->GetDirectorySectors(), 2u);
    EXPECT_EQ(l__Tree.GetTotalDirectorySizeInLBs(), 3u);
    EXPECT_EQ(l__Tree.GetTotalFileSizeInLBs(), 2u);  // 49 empty files add nothing
    EXPECT_EQ(l__Tree.GetPathTableSizeInUCHARs(), 10u + 14u);
    EXPECT_EQ(l__Tree.GetPathTableSizeInLBs(), 1u);
    EXPECT_EQ(l__Tree.GetNodePower(l__Tree.GetRoot()), 2049u);
    EXPECT_EQ(l__Tree.GetNodePower(l__Fifty), 2049u);
    l__Tree.UpdateNodePower(l__Fifty);
    EXPECT_EQ(l__Tree.GetNodePower(l__Tree.GetRoot()), 2049u);

    // Removing a kid lays the directory out again; the totals follow.
    CTarnwick_FileTreeNode* l__Big = l__Fifty->GetFirstKid();
    while (l__Big->GetSize() == 0) l__Big = l__Big->GetNextSibling();
    l__Tree.DeleteNode(&l__Big);
    EXPECT_EQ(l__Fifty->GetDirectoryLength(), FreshLength(l__Fifty));
    EXPECT_EQ(l__Tree.GetTotalFileSizeInLBs(), 0u);
    EXPECT_EQ(l__Tree.GetNodePower(l__Tree.GetRoot()), 0u);
}

TEST(ISO9660Names, DirectoryLengthStaysExactAfterRemovalsInTheMiddle) {
    // Records of unequal sizes: the one after the padding is longer than the room a
    // removal frees, so it does not move up and the padding grows instead.
    MasteringScratch l__Scratch;
    TreeRecorder l__Recorder;
    CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, TRUE);
    CTarnwick_FileTreeNode* l__Root = nullptr;
    for (int l__INT__Index = 0; l__INT__Index < 41; ++l__INT__Index) {
        char l__CHAR__Name[32];
        std::snprintf(l__CHAR__Name, sizeof(l__CHAR__Name), "SHORTNAME%05d", l__INT__Index);  // 14 characters: 48 bytes
        l__Tree.CreateFromRoot(l__Scratch.File(l__CHAR__Name).c_str(), nullptr, 2, &l__Root);
    }
    for (int l__INT__Index = 0; l__INT__Index < 60; ++l__INT__Index) {
        char l__CHAR__Name[40];
        std::snprintf(l__CHAR__Name, sizeof(l__CHAR__Name), "A-RATHER-LONG-IDENTIFIER-N%05d", l__INT__Index);  // 64 bytes
        l__Tree.CreateFromRoot(l__Scratch.File(l__CHAR__Name).c_str(), nullptr, 2, &l__Root);
    }
    for (int l__INT__Step = 0; l__INT__Step < 3; ++l__INT__Step) {
        CTarnwick_FileTreeNode* l__Victim = l__Root->GetFirstKid()->GetNextSibling();
        l__Tree.DeleteNode(&l__Victim);
        EXPECT_EQ(Iso(l__Root)->GetDirectoryLength(), FreshLength(l__Root));
    }
    l__Tree.CreateFromRoot(l__Scratch.File("one more file with a long name").c_str(), nullptr, 2, &l__Root);
    EXPECT_EQ(Iso(l__Root)->GetDirectoryLength(), FreshLength(l__Root));
    EXPECT_EQ(l__Tree.GetTotalDirectorySizeInLBs(), Iso(l__Root)->GetDirectorySectors());
    l__Tree.BuildImage(0, 0, FALSE, "T", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

TEST(ISO9660Names, CollisionActionsKeepReplaceRenameAndGoOn) {
    MasteringScratch l__Scratch;
    std::string l__string__A = l__Scratch.File("a/same.txt", "first");
    std::string l__string__B = l__Scratch.File("b/same.txt", "second");
    std::string l__string__C = l__Scratch.File("c/same.txt", "third");
    std::string l__string__O = l__Scratch.File("o/other.txt", "other");

    {  // 0: the first stays
        TreeRecorder l__Recorder;
        CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
        l__Tree.CreateFromRoot(l__string__A.c_str(), nullptr, 2, nullptr);
        l__Recorder.Answer(0);
        l__Tree.CreateFromRoot(l__string__B.c_str(), nullptr, 2, nullptr);
        ASSERT_EQ(l__Recorder.m__Collisions.size(), 1u);
        const NAME_COLLISION_INFORMATION& l__Information = l__Recorder.m__Collisions[0];
        EXPECT_EQ(static_cast<int>(l__Information.m__BOOLEAN__IsJoliet), 0);
        EXPECT_STREQ(reinterpret_cast<const char*>(l__Information.m__UCHAR__NewName), "SAME.TXT;1");
        EXPECT_EQ(static_cast<ULONG>(l__Information.m__ULONG__ExistingAttributes), FILE_ATTRIBUTE_ARCHIVE);
        EXPECT_EQ(static_cast<ULONG>(l__Information.m__ULONG__NewAttributes), FILE_ATTRIBUTE_ARCHIVE);
        EXPECT_FALSE(l__Recorder.m__bool__PresetWrong);
        ASSERT_EQ(Identifiers(l__Tree.GetRoot()).size(), 1u);
        EXPECT_EQ(l__Tree.GetRoot()->GetFirstKid()->GetAbsolutePathAndFileName(), l__string__A);
        EXPECT_EQ(l__Tree.GetTotalFileSizeInLBs(), 1u);
    }
    {  // 1 (the callback leaves the preset): the second replaces the first
        TreeRecorder l__Recorder;
        CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
        l__Tree.CreateFromRoot(l__string__A.c_str(), nullptr, 2, nullptr);
        l__Tree.CreateFromRoot(l__string__B.c_str(), nullptr, 2, nullptr);
        ASSERT_EQ(Identifiers(l__Tree.GetRoot()).size(), 1u);
        EXPECT_EQ(l__Tree.GetRoot()->GetFirstKid()->GetAbsolutePathAndFileName(), l__string__B);
        EXPECT_EQ(l__Recorder.Texts(REMOVE_NAME), std::vector<std::string>{l__string__A});
        EXPECT_EQ(l__Tree.GetTotalFileSizeInLBs(), 1u);
        EXPECT_EQ(Iso(l__Tree.GetRoot())->GetDirectoryLength(), 68u + 44u);
    }
    {  // 2: renamed; a new name equal to a third kid's collides again
        TreeRecorder l__Recorder;
        CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
        l__Tree.CreateFromRoot(l__string__A.c_str(), nullptr, 2, nullptr);
        l__Tree.CreateFromRoot(l__string__O.c_str(), nullptr, 2, nullptr);
        l__Recorder.Answer(2, "other.txt;1");
        l__Recorder.Answer(2, "A-Very-Long-Replacement;1");
        l__Tree.CreateFromRoot(l__string__B.c_str(), nullptr, 2, nullptr);
        ASSERT_EQ(l__Recorder.m__Collisions.size(), 2u);
        EXPECT_STREQ(l__Recorder.m__Collisions[0].m__PCHAR__ExistingPathName, l__string__A.c_str());
        EXPECT_STREQ(l__Recorder.m__Collisions[1].m__PCHAR__ExistingPathName, l__string__O.c_str());
        EXPECT_STREQ(reinterpret_cast<const char*>(l__Recorder.m__Collisions[1].m__UCHAR__NewName), "OTHER.TXT;1");
        EXPECT_EQ(Identifiers(l__Tree.GetRoot()), (std::vector<std::string>{"SAME.TXT;1", "OTHER.TXT;1", "A-VERY-LONG-"}));
        EXPECT_EQ(l__Tree.GetTotalFileSizeInLBs(), 3u);
    }
    {  // any other action: both stay and the search goes on with the next sibling
        TreeRecorder l__Recorder;
        CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
        l__Tree.CreateFromRoot(l__string__A.c_str(), nullptr, 2, nullptr);
        l__Recorder.Answer(7);
        l__Tree.CreateFromRoot(l__string__B.c_str(), nullptr, 2, nullptr);
        l__Recorder.Answer(7);
        l__Recorder.Answer(0);
        l__Tree.CreateFromRoot(l__string__C.c_str(), nullptr, 2, nullptr);
        ASSERT_EQ(l__Recorder.m__Collisions.size(), 3u);
        EXPECT_STREQ(l__Recorder.m__Collisions[1].m__PCHAR__ExistingPathName, l__string__A.c_str());
        EXPECT_STREQ(l__Recorder.m__Collisions[2].m__PCHAR__ExistingPathName, l__string__B.c_str());
        EXPECT_EQ(Identifiers(l__Tree.GetRoot()), (std::vector<std::string>{"SAME.TXT;1", "SAME.TXT;1"}));
    }
}

TEST(ISO9660Names, CollisionsInsideAWalkAndOfRenamedDirectories) {
    MasteringScratch l__Scratch;
    // Long names that agree in their first 31 characters collide inside one directory.
    l__Scratch.File("w/the same first thirty-one chars A.txt", "1");
    l__Scratch.File("w/the same first thirty-one chars B.txt", "2");
    l__Scratch.Directory("w/the same first thirty-one chars C.dir");
    TreeRecorder l__Recorder;
    CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, TRUE);
    l__Recorder.Answer(2, "RENAMED1");
    l__Recorder.Answer(2, "RENAMED-DIR");
    l__Tree.CreateFromRoot((l__Scratch / "w").c_str(), nullptr, 2, nullptr);
    ASSERT_EQ(l__Recorder.m__Collisions.size(), 2u);
    CTarnwick_FileTreeNode* l__W = l__Tree.GetRoot()->GetFirstKid();
    std::vector<std::string> l__Ids = Identifiers(l__W);
    std::sort(l__Ids.begin(), l__Ids.end());
    EXPECT_EQ(l__Ids, (std::vector<std::string>{"RENAMED-DIR", "RENAMED1", "THE SAME FIRST THIRTY-ONE CHARS"}));
    // Path table: the root (10), W (10) and the renamed directory (8 + 11 + 1).
    EXPECT_EQ(l__Tree.GetPathTableSizeInUCHARs(), 10u + 10u + 20u);
}

TEST(ISO9660Names, RecordingDateCarriesTheOffsetFromGmt) {
    MasteringScratch l__Scratch;
    std::string l__string__File = l__Scratch.File("dated.txt", "d");
    struct Case {
        const char* m__PCHAR__Zone;
        signed char m__CHAR__Offset;
    };
    for (Case l__Case : {Case{"UTC-3", 12}, Case{"UTC+5", -20}, Case{"UTC", 0}}) {
        TimeZone l__Zone(l__Case.m__PCHAR__Zone);
        TreeRecorder l__Recorder;
        CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
        l__Tree.CreateFromRoot(l__string__File.c_str(), nullptr, 2, nullptr);
        const UCHAR* l__PUCHAR__Date = Iso(l__Tree.GetRoot()->GetFirstKid())->GetRecordingDate();
        EXPECT_EQ(static_cast<signed char>(l__PUCHAR__Date[6]), l__Case.m__CHAR__Offset) << l__Case.m__PCHAR__Zone;
        std::time_t l__time_t__Now = std::time(nullptr);
        std::tm l__tm__Local{};
        localtime_r(&l__time_t__Now, &l__tm__Local);
        EXPECT_EQ(l__PUCHAR__Date[0], l__tm__Local.tm_year);
    }
}
