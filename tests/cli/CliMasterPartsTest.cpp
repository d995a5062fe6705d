// The pieces of tarnwick master called directly: the unique names of colliding entries, and the
// image output that never leaves a half image under its name.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "CTarnwick_ToolImageOutput.h"
#include "CTarnwick_ToolNames.h"
#include "ScratchDirectory.h"
#include "tarnwick.h"

namespace {

TEST(CliMasterNames, IsoIdentifiersKeepExtensionAndVersionWithinTwelveCharacters) {
    // Twelve characters, version included.
    EXPECT_EQ(CTarnwick_ToolNames::RenamedIdentifier("ABCDEFGH.TXT;1", 1), "ABCD~1.TXT;1");
    // A number that leaves no room for the extension drops it.
    EXPECT_EQ(CTarnwick_ToolNames::RenamedIdentifier("ABCDEFGH.TXT;1", 12345), "ABCD~12345;1");
    EXPECT_EQ(CTarnwick_ToolNames::RenamedIdentifier("ABCDEFGH.TXT;1", 1234567), "AB~1234567;1");
    // One character of the name stays, whatever the number.
    EXPECT_EQ(CTarnwick_ToolNames::RenamedIdentifier("ABCDEFGH", 12345678901), "A~12345678901");
    EXPECT_EQ(CTarnwick_ToolNames::RenamedIdentifier("DIRECTORY", 3), "DIRECTORY~3");
    EXPECT_EQ(CTarnwick_ToolNames::RenamedIdentifier("A_VERY_LONG_DIRECTORY", 3), "A_VERY_LON~3");
    // A long extension is part of the stem.
    EXPECT_EQ(CTarnwick_ToolNames::RenamedIdentifier("NAME.LONGER;1", 2), "NAME.LON~2;1");
}

TEST(CliMasterNames, JolietNamesStayWithin103UnitsAndNeverSplitAPair) {
    const std::u16string l__u16string__Long = std::u16string(120, u'x') + u".txt;1";
    const std::u16string l__u16string__Renamed = CTarnwick_ToolNames::RenamedJolietName(l__u16string__Long, 7);
    EXPECT_EQ(l__u16string__Renamed.size(), 103u);
    EXPECT_EQ(l__u16string__Renamed.substr(l__u16string__Renamed.size() - 9), u"x~7.txt;1");
    EXPECT_EQ(CTarnwick_ToolNames::RenamedJolietName(u"notes.md;1", 2), u"notes~2.md;1");
    EXPECT_EQ(CTarnwick_ToolNames::RenamedJolietName(u"folder", 10), u"folder~10");
    // A surrogate pair at the cut is dropped whole.
    std::u16string l__u16string__Pairs;
    for (int i = 0; i < 60; ++i) l__u16string__Pairs += u"\U0001F600";
    const std::u16string l__u16string__Cut = CTarnwick_ToolNames::RenamedJolietName(l__u16string__Pairs, 1);
    EXPECT_LE(l__u16string__Cut.size(), 103u);
    EXPECT_EQ(l__u16string__Cut.substr(l__u16string__Cut.size() - 2), u"~1");
    EXPECT_TRUE(l__u16string__Cut[l__u16string__Cut.size() - 3] >= 0xDC00 && l__u16string__Cut[l__u16string__Cut.size() - 3] < 0xE000);
}

TEST(CliMasterNames, CollisionRecordsAreAnsweredWithTheNewName) {
    NAME_COLLISION_INFORMATION l__Information{};
    std::memcpy(l__Information.m__UCHAR__NewName, "REPORT.PDF;1", 12);
    EXPECT_EQ(CTarnwick_ToolNames::RenameNew(&l__Information, 4), "REPO~4.PDF;1");
    EXPECT_STREQ(reinterpret_cast<const char*>(l__Information.m__UCHAR__NewName), "REPO~4.PDF;1");
    const ULONG l__ULONG__Action = l__Information.m__ULONG__Action;
    EXPECT_EQ(l__ULONG__Action, static_cast<ULONG>(NAME_COLLISION_ACTION_RENAME_NEW));
    NAME_COLLISION_INFORMATION l__Joliet{};
    l__Joliet.m__BOOLEAN__IsJoliet = TRUE;
    const std::u16string l__u16string__Old = u"r\u00e9sum\u00e9.txt;1";
    std::memcpy(l__Joliet.m__UCHAR__NewName, l__u16string__Old.data(), 2 * l__u16string__Old.size());
    EXPECT_EQ(CTarnwick_ToolNames::RenameNew(&l__Joliet, 1), "r\xc3\xa9sum\xc3\xa9~1.txt;1");
    const std::u16string l__u16string__Expected = u"r\u00e9sum\u00e9~1.txt;1";
    EXPECT_EQ(std::memcmp(l__Joliet.m__UCHAR__NewName, l__u16string__Expected.data(), 2 * l__u16string__Expected.size()), 0);
    EXPECT_EQ(l__Joliet.m__UCHAR__NewName[2 * l__u16string__Expected.size()], 0);
}

TEST(CliMasterNames, UdfNamesFitTheirIdentifier) {
    EXPECT_EQ(CTarnwick_ToolNames::UpperCased("Readme.txt \xc3\xa9"), "README.TXT \xc3\xa9");
    EXPECT_TRUE(CTarnwick_ToolNames::FitsUdf(std::string(254, 'A')));
    EXPECT_FALSE(CTarnwick_ToolNames::FitsUdf(std::string(255, 'A')));
    // Characters above U+00FF take 16 bits each: 127 of them fit, 128 do not.
    std::string l__string__Wide;
    for (int i = 0; i < 127; ++i) l__string__Wide += "\xe2\x82\xac";
    EXPECT_FALSE(CTarnwick_ToolNames::FitsUdf(l__string__Wide));
    EXPECT_TRUE(CTarnwick_ToolNames::FitsUdf(l__string__Wide.substr(0, 3 * 84)));
    EXPECT_EQ(CTarnwick_ToolNames::RenamedUdfName("README.TXT", false, 1), "README~1.TXT");
    EXPECT_EQ(CTarnwick_ToolNames::RenamedUdfName("DIR.D", true, 2), "DIR.D~2");
    const std::string l__string__Renamed = CTarnwick_ToolNames::RenamedUdfName(std::string(250, 'B') + ".TXT", false, 12);
    EXPECT_TRUE(CTarnwick_ToolNames::FitsUdf(l__string__Renamed));
    EXPECT_EQ(l__string__Renamed.substr(l__string__Renamed.size() - 7), "~12.TXT");
}

TEST(CliMasterNames, Utf8AndUtf16RoundTrip) {
    const std::string l__string__Text = "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80";
    const std::u16string l__u16string__Units = CTarnwick_ToolNames::FromUtf8(l__string__Text);
    EXPECT_EQ(l__u16string__Units, u"a\u00e9\u20ac\U0001F600");
    EXPECT_EQ(CTarnwick_ToolNames::ToUtf8(l__u16string__Units), l__string__Text);
    // A stray byte is a replacement character, not a lost or merged one.
    EXPECT_EQ(CTarnwick_ToolNames::FromUtf8("x\xffy"), u"x\uFFFDy");
    EXPECT_EQ(CTarnwick_ToolNames::CutUtf8("\xc3\xa9\xc3\xa9", 3), "\xc3\xa9");
}

// A tree of one file, built; the file's contents are read only when the image is written.
class CliMasterOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Tarnwick_UpStart(), 0u);
        m__string__File = m__Scratch / "payload.bin";
        std::ofstream(m__string__File, std::ios::binary) << std::string(3 * 2048 + 5, 'P');
        ASSERT_EQ(Tarnwick_ISO9660JolietFileTree_Create(&m__PVOID__Tree, nullptr, 0, nullptr, nullptr, nullptr, FALSE, FALSE, TRUE, FALSE), 0u);
        PVOID l__PVOID__Parent = nullptr;
        ASSERT_EQ(Tarnwick_ISO9660JolietFileTree_Add(m__PVOID__Tree, m__CHAR__Text, sizeof(m__CHAR__Text), &m__ULONG__Error,
                                                     const_cast<PCHAR>(m__string__File.c_str()), nullptr, 2, &l__PVOID__Parent),
                  0u);
        ASSERT_EQ(Tarnwick_ISO9660JolietFileTree_BuildImageEx(m__PVOID__Tree, m__CHAR__Text, sizeof(m__CHAR__Text), &m__ULONG__Error, 0, 0,
                                                              FALSE, const_cast<PCHAR>("T"), nullptr, nullptr, nullptr, nullptr, nullptr,
                                                              nullptr, nullptr, nullptr, nullptr),
                  0u);
    }
    void TearDown() override {
        Tarnwick_Destroy(&m__PVOID__Tree);
        Tarnwick_DownShut();
    }
    std::string ReadText(const std::string& p__string__File) {
        std::ifstream l__Stream(p__string__File, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
    }

    ScratchDirectory m__Scratch{"tarnwick-master-output"};
    std::string m__string__File;
    PVOID m__PVOID__Tree = nullptr;
    char m__CHAR__Text[1024] = {};
    ULONG m__ULONG__Error = 0;
};

TEST_F(CliMasterOutputTest, AWholeImageIsRenamedIntoPlaceWithTheSizeOfTheImage) {
    // The progress told: bytes that only grow, ending at the image's size, and a good end.
    struct Told : CTarnwick_ToolImageOutput::Progress {
        uint64_t m__ULONGLONG__Total = 0, m__ULONGLONG__Last = 0;
        bool m__bool__Growing = true, m__bool__Ended = false, m__bool__Succeeded = false;
        void Begin(uint64_t p__Total) override { m__ULONGLONG__Total = p__Total; }
        void Advance(uint64_t p__Done) override {
            m__bool__Growing = m__bool__Growing && p__Done > m__ULONGLONG__Last;
            m__ULONGLONG__Last = p__Done;
        }
        void End(bool p__Succeeded) override {
            m__bool__Ended = true;
            m__bool__Succeeded = p__Succeeded;
        }
    } l__Told;
    CTarnwick_ToolImageOutput l__Output(m__Scratch / "out.iso", &l__Told);
    ASSERT_EQ(l__Output.Write(m__PVOID__Tree), 0u) << l__Output.FailureText();
    const std::string l__string__Image = ReadText(m__Scratch / "out.iso");
    ULONG l__ULONG__High = 0;
    EXPECT_EQ(l__string__Image.size(), Tarnwick_ISO9660JolietFileTree_GetSizeInUCHARs(m__PVOID__Tree, &l__ULONG__High));
    EXPECT_NE(l__string__Image.find(std::string(3 * 2048 + 5, 'P')), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(l__Output.Temporary()));
    EXPECT_TRUE(l__Told.m__bool__Growing);
    EXPECT_EQ(l__Told.m__ULONGLONG__Last, l__Told.m__ULONGLONG__Total);
    EXPECT_EQ(l__Told.m__ULONGLONG__Total, l__string__Image.size());
    EXPECT_TRUE(l__Told.m__bool__Ended && l__Told.m__bool__Succeeded);
}

TEST_F(CliMasterOutputTest, ASourceGoneBeforeTheWriteFailsItAndLeavesTheOldImage) {
    std::ofstream(m__Scratch / "out.iso") << "old";
    ASSERT_TRUE(std::filesystem::remove(m__string__File));
    CTarnwick_ToolImageOutput l__Output(m__Scratch / "out.iso", nullptr);
    // The toolkit's number for a source it cannot open, and its words.
    EXPECT_EQ(l__Output.Write(m__PVOID__Tree), static_cast<ULONG>(EXCEPTION_NUMBER_SYSTEM_ERROR));
    EXPECT_NE(l__Output.FailureText().find("No such file or directory"), std::string::npos) << l__Output.FailureText();
    EXPECT_EQ(ReadText(m__Scratch / "out.iso"), "old");
    EXPECT_FALSE(l__Output.Temporary().empty());
    EXPECT_FALSE(std::filesystem::exists(l__Output.Temporary()));
}

TEST(CliMasterFlatTree, SystemStructuresNeedABuiltImageAndContentsNeedADirectory) {
    ASSERT_EQ(Tarnwick_UpStart(), 0u);
    ScratchDirectory l__Scratch("tarnwick-master-flat");
    PVOID l__PVOID__Tree = nullptr;
    char l__CHAR__Text[1024] = {};
    ULONG l__ULONG__Error = 0;
    ASSERT_EQ(Tarnwick_ISO9660JolietFileTree_Create(&l__PVOID__Tree, nullptr, 0, nullptr, nullptr, nullptr, FALSE, FALSE, TRUE, FALSE), 0u);
    const std::string l__string__System = l__Scratch / "system.bin";
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_StoreSystemStructures(l__PVOID__Tree, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__Error,
                                                                   const_cast<PCHAR>(l__string__System.c_str())),
              static_cast<ULONG>(EXCEPTION_NUMBER_INVALID_STATE));
    EXPECT_FALSE(std::filesystem::exists(l__string__System));
    // A file is not a directory whose entries could be added.
    std::ofstream(l__Scratch / "file") << "x";
    PVOID l__PVOID__Parent = nullptr;
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_AddContents(l__PVOID__Tree, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__Error,
                                                         const_cast<PCHAR>((l__Scratch / "file").c_str()), 2, &l__PVOID__Parent),
              static_cast<ULONG>(EXCEPTION_NUMBER_SYSTEM_ERROR));
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_AddContents(l__PVOID__Tree, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__Error, nullptr, 2,
                                                         &l__PVOID__Parent),
              static_cast<ULONG>(EXCEPTION_NUMBER_INVALID_PARAMETER));
    Tarnwick_Destroy(&l__PVOID__Tree);
    Tarnwick_DownShut();
}

}  // namespace
