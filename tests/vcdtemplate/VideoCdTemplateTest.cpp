// The templates tarnwick-vcdtemplate writes, read apart from the generator: the tree that
// the toolkit's patches rely on (where the MPEG record stands, the control files' sectors),
// the CD-XA field on every record, the path tables, an outside reader's view, and the
// program's command line.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "BoundedProcess.h"
#include "CTarnwick_Bytes.h"
#include "ExternalTool.h"
#include "ScratchDirectory.h"
#include "XaVolume.h"

namespace {

const std::string g__string__Tool = std::string(TARNWICK_BINARY_DIR) + "/tools/vcdtemplate/tarnwick-vcdtemplate";
const std::string g__string__Share = std::string(TARNWICK_BINARY_DIR) + "/share/tarnwick/";

// What the toolkit expects of one kind of template.
struct TemplateKind {
    const char* m__PCHAR__Argument;
    const char* m__PCHAR__File;
    std::string m__string__MpegPath;
    ULONG m__ULONG__MpegRecordOffset;
    // Every file of the tree with its extent.
    std::map<std::string, ULONG> m__Files;
};

const TemplateKind g__VideoCd = {"vcd",
                                 "Tarnwick_VideoCD.ISO",
                                 "/MPEGAV/AVSEQ01.DAT;1",
                                 43104,
                                 {{"/MPEGAV/AVSEQ01.DAT;1", 752},
                                  {"/VCD/INFO.VCD;1", 150},
                                  {"/VCD/ENTRIES.VCD;1", 151},
                                  {"/ARCHIVE.DAT;1", 245}}};
const TemplateKind g__SuperVideoCd = {"svcd",
                                      "Tarnwick_SuperVideoCD.ISO",
                                      "/MPEG2/AVSEQ01.MPG;1",
                                      41056,
                                      {{"/MPEG2/AVSEQ01.MPG;1", 752},
                                       {"/SVCD/INFO.SVD;1", 150},
                                       {"/SVCD/ENTRIES.SVD;1", 151},
                                       {"/SVCD/SEARCH.DAT;1", 152},
                                       {"/SVCD/TRACKS.SVD;1", 211},
                                       {"/ARCHIVE.DAT;1", 210}}};

// Names the kind in the test list instead of dumping its bytes.
void PrintTo(const TemplateKind& p__Kind, std::ostream* p__Stream) { *p__Stream << p__Kind.m__PCHAR__Argument; }

class TemplateLayout : public ::testing::TestWithParam<TemplateKind> {
protected:
    void SetUp() override {
        m__Image = ReadWholeFile(g__string__Share + GetParam().m__PCHAR__File);
        ASSERT_EQ(m__Image.size(), 1228800u) << GetParam().m__PCHAR__File;
        std::string l__string__Error;
        ASSERT_TRUE(m__Volume.Load(l__string__Error)) << l__string__Error;
    }
    const UCHAR* At(ULONG p__ULONG__Offset) const { return m__Image.data() + p__ULONG__Offset; }

    std::vector<UCHAR> m__Image;
    XaVolume m__Volume{XaVolume::FlatImage(&m__Image)};
};

TEST_P(TemplateLayout, TheToolkitsPatchPointsHoldWhatItExpects) {
    const TemplateKind& l__Kind = GetParam();
    // The volume: 600 sectors, CD-XA.
    EXPECT_EQ(CTarnwick_Bytes::GetLittleEndian32(At(16 * 2048 + 80)), 600u);
    EXPECT_EQ(CTarnwick_Bytes::GetBigEndian32(At(16 * 2048 + 84)), 600u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(At(16 * 2048 + 8)), 32), "CD-RTOS CD-BRIDGE               ");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(At(16 * 2048 + 1024)), 8), "CD-XA001");
    EXPECT_EQ(At(17 * 2048)[0], 255) << "set terminator";

    // The MPEG file's record, found by walking the tree, stands where the toolkit patches
    // its length, and holds the empty stream's 60 sectors at the MPEG track.
    const XaRecord* l__Mpeg = m__Volume.Find(l__Kind.m__string__MpegPath);
    ASSERT_NE(l__Mpeg, nullptr) << l__Kind.m__string__MpegPath;
    EXPECT_EQ(l__Mpeg->m__ULONG__ImageOffset, l__Kind.m__ULONG__MpegRecordOffset);
    EXPECT_TRUE(l__Mpeg->m__bool__BothEndianAgree);
    EXPECT_EQ(l__Mpeg->m__ULONG__Size, 60u * 2048);
    EXPECT_EQ(CTarnwick_Bytes::GetLittleEndian32(At(l__Kind.m__ULONG__MpegRecordOffset + 10)), 60u * 2048);
    EXPECT_EQ(CTarnwick_Bytes::GetBigEndian32(At(l__Kind.m__ULONG__MpegRecordOffset + 14)), 60u * 2048);

    for (const auto& l__File : l__Kind.m__Files) {
        const XaRecord* l__Record = m__Volume.Find(l__File.first);
        ASSERT_NE(l__Record, nullptr) << l__File.first << " missing";
        EXPECT_EQ(l__Record->m__ULONG__Lba, l__File.second) << l__File.first;
    }
    // The archive file is one Form 1 sector.
    EXPECT_EQ(m__Volume.Find("/ARCHIVE.DAT;1")->m__ULONG__Size, 2048u);

    // The one entry point: track 2 at the MPEG track's first sector, 00:12:02 in BCD.
    const UCHAR* l__PUCHAR__Entries = At(151 * 2048);
    EXPECT_EQ(CTarnwick_Bytes::GetBigEndian16(l__PUCHAR__Entries + 10), 1u);
    EXPECT_EQ(l__PUCHAR__Entries[12], 0x02);
    EXPECT_EQ(l__PUCHAR__Entries[13], 0x00);
    EXPECT_EQ(l__PUCHAR__Entries[14], 0x12);
    EXPECT_EQ(l__PUCHAR__Entries[15], 0x02);
    // The album text the label is copied over is all padding; one disc of one.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(At(150 * 2048 + 10)), 16), std::string(16, ' '));
    EXPECT_EQ(CTarnwick_Bytes::GetBigEndian16(At(150 * 2048 + 26)), 1u);
    EXPECT_EQ(CTarnwick_Bytes::GetBigEndian16(At(150 * 2048 + 28)), 1u);
}

TEST_P(TemplateLayout, EveryRecordCarriesTheXaField) {
    ASSERT_FALSE(m__Volume.Records().empty());
    for (const XaRecord& l__Record : m__Volume.Records()) {
        ASSERT_EQ(l__Record.m__SystemUse.size(), 14u) << l__Record.m__string__Path;
        EXPECT_EQ(l__Record.m__SystemUse[6], 'X') << l__Record.m__string__Path;
        EXPECT_EQ(l__Record.m__SystemUse[7], 'A') << l__Record.m__string__Path;
        EXPECT_TRUE(l__Record.m__bool__BothEndianAgree) << l__Record.m__string__Path;
        const std::string& l__string__Path = l__Record.m__string__Path;
        const bool l__bool__Dots = l__string__Path.size() >= 2 &&
                                   (l__string__Path.compare(l__string__Path.size() - 2, 2, "/.") == 0 ||
                                    l__string__Path.compare(l__string__Path.size() - 3, 3, "/..") == 0);
        if (l__bool__Dots) {
            EXPECT_EQ(l__Record.m__ULONG__Length, 48u) << l__string__Path;
        }
    }
}

TEST_P(TemplateLayout, RecordsStandInTheOrderOfTheirNames) {
    // Readers search a directory by its order: the entries after "." and ".." ascend.
    std::map<std::string, std::vector<std::string>> l__Names;
    for (const XaRecord& l__Record : m__Volume.Records()) {
        const size_t l__SIZE__Slash = l__Record.m__string__Path.rfind('/');
        const std::string l__string__Name = l__Record.m__string__Path.substr(l__SIZE__Slash + 1);
        if (l__string__Name != "." && l__string__Name != "..") {
            l__Names[l__Record.m__string__Path.substr(0, l__SIZE__Slash)].push_back(l__string__Name);
        }
    }
    ASSERT_FALSE(l__Names.empty());
    for (const auto& l__Directory : l__Names) {
        EXPECT_TRUE(std::is_sorted(l__Directory.second.begin(), l__Directory.second.end()))
            << l__Directory.first << "/: " << ::testing::PrintToString(l__Directory.second);
    }
}

TEST_P(TemplateLayout, PathTablesListTheDirectoriesOfTheTree) {
    // Both tables name every directory with the extent its record gives, root first.
    std::map<std::string, ULONG> l__Directories;
    for (const XaRecord& l__Record : m__Volume.Records()) {
        const std::string& l__string__Path = l__Record.m__string__Path;
        if ((l__Record.m__UCHAR__Flags & 0x02) != 0 && l__string__Path.find('.') == std::string::npos) {
            l__Directories[l__string__Path.substr(1)] = l__Record.m__ULONG__Lba;
        }
    }
    const ULONG l__ULONG__Size = CTarnwick_Bytes::GetLittleEndian32(At(16 * 2048 + 132));
    ASSERT_EQ(l__ULONG__Size, CTarnwick_Bytes::GetBigEndian32(At(16 * 2048 + 136)));
    const ULONG l__ULONG__Root = CTarnwick_Bytes::GetLittleEndian32(At(16 * 2048 + 156 + 2));
    for (const bool l__bool__Big : {false, true}) {
        const ULONG l__ULONG__Table = l__bool__Big ? CTarnwick_Bytes::GetBigEndian32(At(16 * 2048 + 148))
                                                   : CTarnwick_Bytes::GetLittleEndian32(At(16 * 2048 + 140));
        ASSERT_LT(l__ULONG__Table, 600u);
        std::map<std::string, ULONG> l__Listed;
        std::vector<std::string> l__Order;
        ULONG l__ULONG__At = 0;
        int l__int__Number = 0;
        while (l__ULONG__At < l__ULONG__Size) {
            const UCHAR* l__PUCHAR__Entry = At(l__ULONG__Table * 2048 + l__ULONG__At);
            const ULONG l__ULONG__NameLength = l__PUCHAR__Entry[0];
            ASSERT_GT(l__ULONG__NameLength, 0u);
            const ULONG l__ULONG__Lba = l__bool__Big ? CTarnwick_Bytes::GetBigEndian32(l__PUCHAR__Entry + 2)
                                                     : CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Entry + 2);
            const ULONG l__ULONG__Parent = l__bool__Big ? CTarnwick_Bytes::GetBigEndian16(l__PUCHAR__Entry + 6)
                                                        : CTarnwick_Bytes::GetLittleEndian16(l__PUCHAR__Entry + 6);
            ++l__int__Number;
            if (l__int__Number == 1) {
                EXPECT_EQ(l__ULONG__Lba, l__ULONG__Root) << "the root comes first";
            } else {
                const std::string l__string__Name(reinterpret_cast<const char*>(l__PUCHAR__Entry + 8), l__ULONG__NameLength);
                l__Listed[l__string__Name] = l__ULONG__Lba;
                l__Order.push_back(l__string__Name);
            }
            EXPECT_EQ(l__ULONG__Parent, 1u);
            l__ULONG__At += 8 + l__ULONG__NameLength + (l__ULONG__NameLength & 1);
        }
        EXPECT_EQ(l__ULONG__At, l__ULONG__Size);
        EXPECT_EQ(l__Listed, l__Directories) << (l__bool__Big ? "big-endian table" : "little-endian table");
        // All are children of the root, so they stand in the order of their names.
        EXPECT_TRUE(std::is_sorted(l__Order.begin(), l__Order.end())) << ::testing::PrintToString(l__Order);
    }
}

TEST_P(TemplateLayout, AnOutsideReaderSeesTheTree) {
    REQUIRE_TOOL("isoinfo");
    ScratchDirectory l__Scratch;
    BoundedProcess l__Process({"isoinfo", "-l", "-i", g__string__Share + GetParam().m__PCHAR__File}, l__Scratch / "out");
    ASSERT_EQ(l__Process.Run(60).m__int__Exit, 0) << l__Process.Output();
    // "Directory listing of /MPEGAV/" heads each directory; a record line ends
    // "[   752 00]  AVSEQ01.DAT;1 ".
    std::map<std::string, ULONG> l__Seen;
    std::istringstream l__Lines(l__Process.Output());
    std::string l__string__Line;
    std::string l__string__Directory;
    const std::regex l__Heading("^Directory listing of (/.*)$");
    const std::regex l__Record(R"(\[\s*(\d+)\s+\d+\]\s+(\S+)\s*$)");
    std::smatch l__Match;
    while (std::getline(l__Lines, l__string__Line)) {
        if (std::regex_search(l__string__Line, l__Match, l__Heading)) {
            l__string__Directory = l__Match[1];
        } else if (std::regex_search(l__string__Line, l__Match, l__Record) && l__Match[2] != "." && l__Match[2] != "..") {
            l__Seen[l__string__Directory + l__Match[2].str()] = std::stoul(l__Match[1]);
        }
    }
    for (const auto& l__File : GetParam().m__Files) {
        ASSERT_EQ(l__Seen.count(l__File.first), 1u) << l__File.first << " not listed:\n" << l__Process.Output();
        EXPECT_EQ(l__Seen[l__File.first], l__File.second) << l__File.first;
    }
    BoundedProcess l__Describe({"isoinfo", "-d", "-i", g__string__Share + GetParam().m__PCHAR__File}, l__Scratch / "d");
    ASSERT_EQ(l__Describe.Run(60).m__int__Exit, 0);
    EXPECT_NE(l__Describe.Output().find("Volume size is: 600"), std::string::npos) << l__Describe.Output();
}

TEST_P(TemplateLayout, TheBuiltTemplateIsWhatTheProgramWrites) {
    ScratchDirectory l__Scratch;
    BoundedProcess l__Process({g__string__Tool, GetParam().m__PCHAR__Argument, l__Scratch / "t.iso"}, l__Scratch / "out");
    ASSERT_EQ(l__Process.Run(60).m__int__Exit, 0) << l__Process.Output();
    EXPECT_TRUE(ReadWholeFile(l__Scratch / "t.iso") == m__Image) << "the template in share/tarnwick is stale";
}

INSTANTIATE_TEST_SUITE_P(Kinds, TemplateLayout, ::testing::Values(g__VideoCd, g__SuperVideoCd),
                         [](const ::testing::TestParamInfo<TemplateKind>& p__Info) {
                             return std::string(p__Info.param.m__PCHAR__Argument);
                         });

// Runs the program; its exit code, and what it wrote (standard output and error together).
BoundedProcess::Result RunTool(const std::vector<std::string>& p__Arguments, const ScratchDirectory& p__Scratch,
                               std::string* p__string__Output) {
    std::vector<std::string> l__Arguments = {g__string__Tool};
    l__Arguments.insert(l__Arguments.end(), p__Arguments.begin(), p__Arguments.end());
    BoundedProcess l__Process(l__Arguments, p__Scratch / "tool.out");
    BoundedProcess::Result l__Result = l__Process.Run(60);
    *p__string__Output = l__Process.Output();
    return l__Result;
}

TEST(VcdTemplateCommandLine, HelpDocumentsTheLayoutOfBothKinds) {
    ScratchDirectory l__Scratch;
    std::string l__string__Output;
    EXPECT_EQ(RunTool({"--help"}, l__Scratch, &l__string__Output).m__int__Exit, 0);
    EXPECT_NE(l__string__Output.find("Usage: tarnwick-vcdtemplate vcd|svcd FILE"), std::string::npos) << l__string__Output;
    // One row per patched place: the sector, the file, what the toolkit writes there.
    for (const char* l__PCHAR__Row : {R"(\b16\s+primary volume descriptor\s+volume id)",
                                      R"(\b21\s+directory /MPEGAV\s+data length)",
                                      R"(\b20\s+directory /MPEG2\s+data length)",
                                      R"(\b150\s+/VCD/INFO.VCD\s+album)", R"(\b150\s+/SVCD/INFO.SVD\s+album)",
                                      R"(\b151\s+/VCD/ENTRIES.VCD\s+.*00:12:02)", R"(\b211\s+/SVCD/TRACKS.SVD\s+playing time.*PAL)",
                                      R"(\b150\s+/VCD/INFO.VCD\s+album.*PAL)", R"(\b245\s+\(no file\)\s+up to 2,048 bytes)",
                                      R"(\b245\s+/ARCHIVE.DAT\s+up to 2,048 bytes)", R"(\b210\s+/ARCHIVE.DAT\s+up to 2,048 bytes)",
                                      R"(\b752\s+/MPEGAV/AVSEQ01.DAT)", R"(\b752\s+/MPEG2/AVSEQ01.MPG)"}) {
        EXPECT_TRUE(std::regex_search(l__string__Output, std::regex(l__PCHAR__Row))) << l__PCHAR__Row << "\n" << l__string__Output;
    }
}

TEST(VcdTemplateCommandLine, UsageErrorsExitTwoWithAMessageOnStandardError) {
    ScratchDirectory l__Scratch;
    const std::string l__string__File = l__Scratch / "t.iso";
    for (const std::vector<std::string>& l__Arguments :
         std::vector<std::vector<std::string>>{{}, {"vcd"}, {"dvd", l__string__File}, {"vcd", l__string__File, "x"},
                                               {"--bogus"}, {"svcd", ""}}) {
        std::string l__string__Output;
        BoundedProcess::Result l__Result = RunTool(l__Arguments, l__Scratch, &l__string__Output);
        EXPECT_EQ(l__Result.m__int__Exit, 2) << ::testing::PrintToString(l__Arguments);
        EXPECT_NE(l__string__Output.find("tarnwick-vcdtemplate: "), std::string::npos) << l__string__Output;
        EXPECT_FALSE(std::filesystem::exists(l__string__File)) << ::testing::PrintToString(l__Arguments);
    }
    // Nothing of it on standard output.
    BoundedProcess l__Quiet({"sh", "-c", "exec \"$0\" dvd x 2>/dev/null", g__string__Tool}, l__Scratch / "quiet.out");
    EXPECT_EQ(l__Quiet.Run(60).m__int__Exit, 2);
    EXPECT_EQ(l__Quiet.Output(), "");
}

TEST(VcdTemplateCommandLine, AFileThatCannotBeWrittenExitsOneAndLeavesNothingBehind) {
    ScratchDirectory l__Scratch;
    std::string l__string__Output;
    // No such directory: the message names the file and the system's reason.
    const std::string l__string__Missing = l__Scratch / "no-such-dir/t.iso";
    EXPECT_EQ(RunTool({"vcd", l__string__Missing}, l__Scratch, &l__string__Output).m__int__Exit, 1);
    EXPECT_NE(l__string__Output.find(l__string__Missing), std::string::npos) << l__string__Output;
    EXPECT_NE(l__string__Output.find("No such file or directory"), std::string::npos) << l__string__Output;

    // A directory by the name: the image is written beside it, but cannot replace it; the
    // directory stays and the new file is gone again.
    const std::string l__string__Directory = l__Scratch / "taken";
    ASSERT_TRUE(std::filesystem::create_directory(l__string__Directory));
    EXPECT_EQ(RunTool({"svcd", l__string__Directory}, l__Scratch, &l__string__Output).m__int__Exit, 1);
    EXPECT_NE(l__string__Output.find("cannot write '" + l__string__Directory + "'"), std::string::npos) << l__string__Output;
    EXPECT_TRUE(std::filesystem::is_directory(l__string__Directory));
    for (const auto& l__Entry : std::filesystem::directory_iterator(l__Scratch.Path())) {
        const std::string l__string__Name = l__Entry.path().filename().string();
        EXPECT_TRUE(l__string__Name == "taken" || l__string__Name == "tool.out") << "left behind: " << l__string__Name;
    }
}

TEST(VcdTemplateCommandLine, AnExistingFileIsReplacedWhole) {
    ScratchDirectory l__Scratch;
    const std::string l__string__File = l__Scratch / "t.iso";
    {
        std::ofstream l__Old(l__string__File, std::ios::binary);
        l__Old << std::string(2 * 1228800, 'x');
    }
    std::string l__string__Output;
    ASSERT_EQ(RunTool({"vcd", l__string__File}, l__Scratch, &l__string__Output).m__int__Exit, 0) << l__string__Output;
    EXPECT_TRUE(ReadWholeFile(l__string__File) == ReadWholeFile(g__string__Share + "Tarnwick_VideoCD.ISO"));
}

}  // namespace
