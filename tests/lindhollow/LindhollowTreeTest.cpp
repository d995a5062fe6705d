// The answer to a name collision the tree-mastering programs share: it gives the new node a
// name of its own instead of letting it replace the node already in the directory.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "CTarnwick_SampleBurn.h"
#include "CTarnwick_SampleTree.h"
#include "CTarnwick_Utf16.h"
#include "ScratchDirectory.h"
#include "tarnwick.h"

namespace {

NAME_COLLISION_INFORMATION IsoRecord(const char* p__PCHAR__Name) {
    NAME_COLLISION_INFORMATION l__Record = {};
    std::strncpy(reinterpret_cast<char*>(l__Record.m__UCHAR__NewName), p__PCHAR__Name, sizeof(l__Record.m__UCHAR__NewName) - 1);
    l__Record.m__ULONG__Action = NAME_COLLISION_ACTION_REPLACE_EXISTING;
    return l__Record;
}

TEST(SampleTreeEvents, CollisionsAreRenamedWithOneCounterAndPrintedWithTheProgramName) {
    CTarnwick_SampleTree l__Tree("Lindhollow");
    NAME_COLLISION_INFORMATION l__First = IsoRecord("README.;1"), l__Second = IsoRecord("ABCDEFGHIJ.TXT;1");
    NAME_COLLISION_INFORMATION l__Joliet = {};
    l__Joliet.m__BOOLEAN__IsJoliet = 1;
    l__Joliet.m__ULONG__Action = NAME_COLLISION_ACTION_REPLACE_EXISTING;
    const std::u16string l__Wide = u"Notes.txt";
    std::memcpy(l__Joliet.m__UCHAR__NewName, l__Wide.data(), l__Wide.size() * 2);

    testing::internal::CaptureStdout();
    EXPECT_TRUE(l__Tree.HandleTreeEvent(NAME_COLLISION, &l__First));
    EXPECT_TRUE(l__Tree.HandleTreeEvent(NAME_COLLISION, &l__Second));
    EXPECT_TRUE(l__Tree.HandleTreeEvent(NAME_COLLISION, &l__Joliet));
    const std::string l__Out = testing::internal::GetCapturedStdout();

    for (const NAME_COLLISION_INFORMATION* r : {&l__First, &l__Second, &l__Joliet})
        EXPECT_EQ(+r->m__ULONG__Action, static_cast<ULONG>(NAME_COLLISION_ACTION_RENAME_NEW));
    EXPECT_STREQ(reinterpret_cast<const char*>(l__First.m__UCHAR__NewName), "README1.;1");
    EXPECT_STREQ(reinterpret_cast<const char*>(l__Second.m__UCHAR__NewName), "ABCDEFG2.TXT;1");
    const std::string l__Renamed = CTarnwick_Utf16::ToUtf8(
        CTarnwick_Utf16::FromTerminated(l__Joliet.m__UCHAR__NewName, sizeof(l__Joliet.m__UCHAR__NewName)));
    EXPECT_TRUE(l__Renamed.starts_with("Notes_") && l__Renamed.ends_with(".txt") && l__Renamed.size() > 20) << l__Renamed;
    EXPECT_EQ(l__Renamed.find(' '), std::string::npos);
    EXPECT_EQ(l__Out, "Lindhollow:Callback(): Name collision for ISO9660 : <README.;1> -> <README1.;1>\n"
                      "Lindhollow:Callback(): Name collision for ISO9660 : <ABCDEFGHIJ.TXT;1> -> <ABCDEFG2.TXT;1>\n"
                      "Lindhollow:Callback(): Name collision for Joliet : <Notes.txt> -> <" +
                          l__Renamed + ">\n");
}

// A directory holding names that differ only in letter case (distinct files on Linux, one
// ISO9660 identifier) added through the flat functions: left to its default, a collision lets
// the new node replace the old one and a file is lost; answered by the shared callback, every
// file stays, the later ones under new ISO9660 names.
CTarnwick_SampleTree* g__PCTarnwick_SampleTree__Answering = nullptr;

void Answering(ULONG p__ULONG__Reason, PVOID, PVOID p__PVOID__Parameter1, PVOID) {
    g__PCTarnwick_SampleTree__Answering->HandleTreeEvent(p__ULONG__Reason, p__PVOID__Parameter1);
}

void Default(ULONG, PVOID, PVOID, PVOID) {}

// Long name -> short (ISO9660) name of the kids of the directory the source became.
std::map<std::string, std::string> AddAndList(PROGRESS_CALLBACK p__Callback, const std::string& p__Source) {
    std::map<std::string, std::string> l__Names;
    PVOID l__Tree = nullptr;
    CHAR l__Text[1024] = {};
    ULONG l__Error = 31;
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_Create(&l__Tree, l__Text, sizeof(l__Text), &l__Error, p__Callback, nullptr, 1, 0,
                                                    1, 1),
              0u);
    std::string l__Path = p__Source, l__NewName = "Mon_Dec__7_17_29_19_2026";
    PVOID l__Parent = nullptr;
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_Add(l__Tree, l__Text, sizeof(l__Text), &l__Error, l__Path.data(),
                                                 l__NewName.data(), 2, &l__Parent),
              0u)
        << l__Text;
    PVOID l__Directory = Tarnwick_ISO9660JolietFileTree_GetFirstKid(l__Tree, nullptr);
    for (PVOID k = Tarnwick_ISO9660JolietFileTree_GetFirstKid(l__Tree, l__Directory); k != nullptr;
         k = Tarnwick_ISO9660JolietFileTree_GetNextKid(l__Tree, k)) {
        CHAR l__Long[260] = {}, l__Short[260] = {};
        Tarnwick_ISO9660JolietFileTree_GetNames(l__Tree, k, nullptr, l__Long, l__Short);
        l__Names[l__Long] = l__Short;
    }
    Tarnwick_Destroy(&l__Tree);
    return l__Names;
}

TEST(SampleTreeEvents, AnsweredCollisionsKeepEveryFileTheDefaultLosesOne) {
    ScratchDirectory l__Scratch("tarnwick-lindhollow-tree");
    const std::string l__Source = l__Scratch.Path() + "/source";
    std::filesystem::create_directories(l__Source);
    for (const char* l__Name : {"README", "readme", "Notes.txt", "NOTES.TXT", "other"})
        std::ofstream(l__Source + "/" + l__Name) << l__Name;
    ASSERT_EQ(Tarnwick_UpStart(), 0u);
    testing::internal::CaptureStdout();
    const std::map<std::string, std::string> l__Default = AddAndList(Default, l__Source);
    CTarnwick_SampleTree l__Answer("Lindhollow");
    g__PCTarnwick_SampleTree__Answering = &l__Answer;
    const std::map<std::string, std::string> l__Answered = AddAndList(Answering, l__Source);
    const std::string l__Out = testing::internal::GetCapturedStdout();
    Tarnwick_DownShut();

    EXPECT_EQ(l__Default.size(), 3u);
    ASSERT_EQ(l__Answered.size(), 5u) << l__Out;
    std::set<std::string> l__Short;
    for (const auto& [l__Long, l__ShortName] : l__Answered) l__Short.insert(l__ShortName);
    EXPECT_EQ(l__Short.size(), 5u) << "every ISO9660 name is unique";
    EXPECT_EQ(l__Answer.m__CTarnwick_QuorvaneNames__Names.m__LONG__RenameCounter, 3) << l__Out;
}

}  // namespace
