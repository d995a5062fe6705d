// A tree stays usable through what happens to it between walks and builds: renamed
// kids, a build that fails and is tried again, a cancelled walk, a file time that has
// no local date.
#include <cstdint>
#include <fstream>
#include <limits>

#include "CTarnwick_ISO9660FileTree.h"
#include "CTarnwick_ISO9660Image.h"
#include "DebugPrint.h"
#include "MasteringFixture.h"
#include "PlatformLocalTime.h"
#include "TraceCapture.h"

namespace {

CTarnwick_ISO9660FileTreeNode* Iso(CTarnwick_FileTreeNode* p__Node) {
    return static_cast<CTarnwick_ISO9660FileTreeNode*>(p__Node);
}

void Build(CTarnwick_ISO9660FileTree& p__Tree) {
    p__Tree.BuildImage(0, 0, FALSE, "LIFECYCLE", "Publisher", "Application", "System", nullptr, nullptr,
                       "2026120708000000", nullptr, nullptr, nullptr);
}

// Streams the built image into a file.
void WriteImage(CTarnwick_ISO9660FileTree& p__Tree, const std::string& p__string__Path) {
    std::vector<char> l__Image(p__Tree.GetImage()->GetSize());
    p__Tree.GetImage()->SeekToBegin();
    p__Tree.GetImage()->Read(l__Image.size(), l__Image.data());
    std::ofstream(p__string__Path, std::ios::binary).write(l__Image.data(), static_cast<std::streamsize>(l__Image.size()));
}

// The outside verdict on an image: no structural error, and each named file extracts
// with the given contents.
void ExpectReadable(const std::string& p__string__Image,
                    const std::vector<std::pair<std::string, std::string>>& p__Files) {
    if (!ExternalTool::Check("isovfy") || !ExternalTool::Check("isoinfo")) return;
    auto l__Verdict = RunCommand("isovfy " + Quote(p__string__Image) + " 2>&1");
    EXPECT_NE(l__Verdict.second.find("No errors found"), std::string::npos) << l__Verdict.second;
    for (const auto& [l__string__Name, l__string__Contents] : p__Files) {
        auto l__Extracted = RunCommand("isoinfo -i " + Quote(p__string__Image) + " -x " + Quote("/" + l__string__Name));
        EXPECT_EQ(l__Extracted.first, 0);
        EXPECT_EQ(l__Extracted.second, l__string__Contents) << l__string__Name;
    }
}

}  // namespace

TEST(TreeLifecycle, RenamedKidsLeaveTheDirectoryAsIfNamedSoFromTheStart) {
    MasteringScratch l__Scratch;
    const std::vector<std::string> l__Final = {"FIRST.TXT", "MIDDLE.TXT", "LAST.TXT"};
    const std::vector<std::string> l__Between = {"A.TXT", "QUITE.TXT", "LONGEST.TXT", "MID.TX"};
    for (size_t l__SIZE__Renamed = 0; l__SIZE__Renamed < 3; ++l__SIZE__Renamed) {
        // The same files, added with their final names ...
        TreeRecorder l__RecorderExpected;
        CTarnwick_ISO9660FileTree l__Expected(TreeRecorder::Callback, &l__RecorderExpected, FALSE, FALSE, FALSE);
        CTarnwick_FileTreeNode* l__ExpectedRoot = nullptr;
        for (size_t l__SIZE__Index = 0; l__SIZE__Index < 3; ++l__SIZE__Index) {
            std::string l__string__Path =
                l__Scratch.File("final" + std::to_string(l__SIZE__Renamed) + "/" + l__Final[l__SIZE__Index],
                                "contents of " + l__Final[l__SIZE__Index]);
            l__Expected.CreateFromRoot(l__string__Path.c_str(), nullptr, 2, &l__ExpectedRoot);
        }
        // ... and added under other names, one of them renamed sixty times on the way.
        TreeRecorder l__Recorder;
        CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
        CTarnwick_FileTreeNode* l__Root = nullptr;
        std::vector<CTarnwick_FileTreeNode*> l__Kids;
        for (size_t l__SIZE__Index = 0; l__SIZE__Index < 3; ++l__SIZE__Index) {
            std::string l__string__Path = l__Scratch.File("first" + std::to_string(l__SIZE__Renamed) + "/K" +
                                                              std::to_string(l__SIZE__Index) + ".TXT",
                                                          "contents of " + l__Final[l__SIZE__Index]);
            l__Tree.CreateFromRoot(l__string__Path.c_str(), nullptr, 2, &l__Root);
            l__Kids.push_back(l__Root->GetFirstKid());
            while (l__Kids.back()->GetNextSibling() != nullptr) l__Kids.back() = l__Kids.back()->GetNextSibling();
        }
        for (size_t l__SIZE__Index = 0; l__SIZE__Index < 3; ++l__SIZE__Index) {
            if (l__SIZE__Index != l__SIZE__Renamed) {
                ASSERT_TRUE(l__Tree.RenameNode(l__Kids[l__SIZE__Index], l__Final[l__SIZE__Index].c_str(),
                                               l__Final[l__SIZE__Index].c_str()));
            }
        }
        for (int l__INT__Round = 0; l__INT__Round <= 60; ++l__INT__Round) {
            const std::string& l__string__Name =
                l__INT__Round == 60 ? l__Final[l__SIZE__Renamed] : l__Between[l__INT__Round % l__Between.size()];
            ASSERT_TRUE(l__Tree.RenameNode(l__Kids[l__SIZE__Renamed], l__string__Name.c_str(), l__string__Name.c_str()));
        }
        SCOPED_TRACE("renamed kid " + std::to_string(l__SIZE__Renamed));
        EXPECT_EQ(Iso(l__Root)->GetDirectoryLength(), Iso(l__ExpectedRoot)->GetDirectoryLength());
        EXPECT_EQ(Iso(l__Root)->GetDirectoryLength(), 68u + 44 + 46 + 44);
        EXPECT_EQ(l__Tree.GetTotalDirectorySizeInLBs(), l__Expected.GetTotalDirectorySizeInLBs());
        Build(l__Tree);
        Build(l__Expected);
        EXPECT_EQ(l__Tree.GetVolumeSpaceSize(), l__Expected.GetVolumeSpaceSize());
        EXPECT_EQ(l__Tree.GetImage()->GetSize(), l__Expected.GetImage()->GetSize());
        std::string l__string__Image = l__Scratch / ("renamed" + std::to_string(l__SIZE__Renamed) + ".iso");
        WriteImage(l__Tree, l__string__Image);
        ExpectReadable(l__string__Image, {{"FIRST.TXT;1", "contents of FIRST.TXT"},
                                          {"MIDDLE.TXT;1", "contents of MIDDLE.TXT"},
                                          {"LAST.TXT;1", "contents of LAST.TXT"}});
    }
}

TEST(TreeLifecycle, BuildThatFailedCanBeDoneAgainAndGivesACorrectImage) {
    MasteringScratch l__Scratch;
    static const char s__CHAR__Never[1] = {0};  // the huge file is laid out, never read
    TreeRecorder l__Recorder;
    CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
    CTarnwick_FileTreeNode* l__Root = nullptr;
    l__Tree.CreateFromRoot(l__Scratch.File("small.txt", "small but here").c_str(), nullptr, 2, &l__Root);
    l__Tree.CreateFromRoot(nullptr, "SUBDIR", 2, &l__Root);
    l__Tree.CreateFromRoot(l__Scratch.File("other.txt", std::string(3000, 'o')).c_str(), nullptr, 2, &l__Root);
    l__Tree.CreateFromRootMemoryChecked(s__CHAR__Never, 9ull << 40, "HUGE.BIN", 2, l__Root);  // beyond 2^32 sectors

    auto l__Failure = CatchRaise([&] { Build(l__Tree); });
    EXPECT_EQ(l__Failure.first, static_cast<ULONG>(EXCEPTION_NUMBER_SIZE_LIMIT));
    EXPECT_FALSE(l__Tree.IsImageBuild());
    CTarnwick_FileTreeNode* l__Huge = l__Root->GetFirstKid();
    while (l__Huge->GetNextSibling() != nullptr) l__Huge = l__Huge->GetNextSibling();
    l__Tree.DeleteNode(&l__Huge);

    Build(l__Tree);
    ASSERT_TRUE(l__Tree.IsImageBuild());
    // The same as a tree that never failed.
    TreeRecorder l__RecorderFresh;
    CTarnwick_ISO9660FileTree l__Fresh(TreeRecorder::Callback, &l__RecorderFresh, FALSE, FALSE, FALSE);
    CTarnwick_FileTreeNode* l__FreshRoot = nullptr;
    l__Fresh.CreateFromRoot((l__Scratch / "small.txt").c_str(), nullptr, 2, &l__FreshRoot);
    l__Fresh.CreateFromRoot(nullptr, "SUBDIR", 2, &l__FreshRoot);
    l__Fresh.CreateFromRoot((l__Scratch / "other.txt").c_str(), nullptr, 2, &l__FreshRoot);
    Build(l__Fresh);
    EXPECT_EQ(l__Tree.GetVolumeSpaceSize(), l__Fresh.GetVolumeSpaceSize());
    ASSERT_EQ(l__Tree.GetImage()->GetSize(), l__Fresh.GetImage()->GetSize());
    for (CTarnwick_FileTreeNode *l__Kid = l__Root->GetFirstKid(), *l__FreshKid = l__FreshRoot->GetFirstKid();
         l__Kid != nullptr && l__FreshKid != nullptr;
         l__Kid = l__Kid->GetNextSibling(), l__FreshKid = l__FreshKid->GetNextSibling()) {
        EXPECT_EQ(Iso(l__Kid)->GetExtentLocation(), Iso(l__FreshKid)->GetExtentLocation()) << l__Kid->GetLongFileName();
    }
    std::string l__string__Image = l__Scratch / "retried.iso";
    WriteImage(l__Tree, l__string__Image);
    ExpectReadable(l__string__Image, {{"SMALL.TXT;1", "small but here"}, {"OTHER.TXT;1", std::string(3000, 'o')}});
    // Once built, a tree is not built again.
    auto l__Again = CatchRaise([&] { Build(l__Tree); });
    EXPECT_EQ(l__Again.first, static_cast<ULONG>(EXCEPTION_NUMBER_INVALID_STATE));
}

TEST(TreeLifecycle, WalkAfterACancelledOneRuns) {
    MasteringScratch l__Scratch;
    for (const char* l__Name : {"one/a.txt", "one/b.txt", "two/c.txt", "two/d/e.txt"}) l__Scratch.File(l__Name, "x");
    TreeRecorder l__Recorder;
    CTarnwick_ISO9660FileTree l__Tree(TreeRecorder::Callback, &l__Recorder, FALSE, FALSE, FALSE);
    CTarnwick_FileTreeNode* l__Root = nullptr;
    l__Tree.CreateFromRoot(nullptr, "EARLIER", 2, &l__Root);
    bool l__bool__Armed = true;
    l__Recorder.m__OnReport = [&](ULONG p__ULONG__Reason) {
        if (p__ULONG__Reason == ADD_NAME && l__bool__Armed) l__Tree.m__BOOLEAN__IsCancelCreation = TRUE;
    };
    auto l__Cancelled = CatchRaise([&] { l__Tree.CreateFromDirectoryContents((l__Scratch / "one").c_str(), 2, nullptr); });
    EXPECT_EQ(l__Cancelled.first, static_cast<ULONG>(EXCEPTION_NUMBER_CANCELLED));
    l__bool__Armed = false;
    ULONG l__ULONG__Before = l__Tree.GetNodeCount();
    l__Tree.CreateFromDirectoryContents((l__Scratch / "two").c_str(), 2, nullptr);
    EXPECT_EQ(l__Tree.GetNodeCount(), l__ULONG__Before + 3);  // c.txt, d and e.txt
    l__Recorder.m__Reports.clear();
    l__Tree.m__BOOLEAN__IsCancelCreation = TRUE;  // a cancel left over from before a walk does not stop it
    l__Tree.CreateFromDirectoryContents((l__Scratch / "one").c_str(), 2, nullptr);
    EXPECT_EQ(l__Recorder.Texts(ADD_NAME).size(), 2u);
}

TEST(TreeLifecycle, FileTimeWithoutALocalDateGivesAnAllZeroDate) {
    TraceCapture l__Trace;
    const LONGLONG l__LONGLONG__Unconvertible = std::numeric_limits<LONGLONG>::max();
    CTarnwick_ISO9660FileTreeNode l__Node("/somewhere/dir", "dir", "dir", FILE_ATTRIBUTE_DIRECTORY, 0, nullptr, 1,
                                          l__LONGLONG__Unconvertible, 0, FALSE, FALSE);
    const PlatformLocalTimeValue& l__Date = l__Node.GetDateTime();
    EXPECT_EQ(l__Date.m__int__Year, 0);
    EXPECT_EQ(l__Date.m__int__Month, 0);
    EXPECT_EQ(l__Date.m__int__Day, 0);
    EXPECT_EQ(l__Date.m__int__Hour + l__Date.m__int__Minute + l__Date.m__int__Second, 0);
    EXPECT_EQ(l__Date.m__long__GmtOffsetSeconds, 0);
    // The directory record says "no date" rather than a date made up from zeros.
    const UCHAR l__UCHAR__Zero[7] = {};
    EXPECT_EQ(std::memcmp(l__Node.GetRecordingDate(), l__UCHAR__Zero, 7), 0);
    if (g__BOOLEAN__TraceEnabled) {
        EXPECT_TRUE(l__Trace.Contains("\nCTarnwick_FileTreeNode::CTarnwick_FileTreeNode(): FileTimeToLocalFileTime() "
                                      "failed, status 75!!!\n"))
            << l__Trace.Text();
    }
    // A time that converts is unaffected and leaves no such line.
    l__Trace.Clear();
    CTarnwick_ISO9660FileTreeNode l__Dated("/somewhere/dir", "dir", "dir", FILE_ATTRIBUTE_DIRECTORY, 0, nullptr, 1,
                                           1700000000, 0, FALSE, FALSE);
    EXPECT_GE(l__Dated.GetDateTime().m__int__Year, 2023);
    EXPECT_EQ(l__Dated.GetRecordingDate()[0], l__Dated.GetDateTime().m__int__Year - 1900);
    EXPECT_FALSE(l__Trace.Contains("FileTimeToLocalFileTime"));
}
