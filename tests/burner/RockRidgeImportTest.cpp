// Importing sessions with Rock Ridge from discs of the virtual recorder: images made by
// outside mastering programs give the tree their POSIX names, attributes, links and
// relocated directories; images whose system-use areas were damaged on purpose import
// without a crash and keep the names that can be read; a chain of directories deeper than
// any real tree ends the walk at its limit.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_FileChain.h"
#include "CTarnwick_ISO9660FileTree.h"
#include "CTarnwick_ISO9660FileTreeNode.h"
#include "CTarnwick_JolietFileTree.h"
#include "CTarnwick_MemoryFile.h"
#include "ExternalTool.h"
#include "FakeClock.h"
#include "RecorderUnderTest.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

void Ignore(ULONG, PVOID, PVOID, PVOID) {}

// What a reader of the disc should see of one path: lstat of the source.
struct Expected {
    ULONG m__ULONG__Mode;
    ULONG m__ULONG__User;
    LONGLONG m__LONGLONG__ModifyTime;
    uint64_t m__ULONGLONG__Size;
    std::string m__string__Target;
    std::string m__string__Contents;
};

std::map<std::string, Expected> Lstat(const fs::path& p__Root) {
    std::map<std::string, Expected> l__Paths;
    for (auto l__It = fs::recursive_directory_iterator(p__Root); l__It != fs::recursive_directory_iterator(); ++l__It) {
        struct stat l__Stat = {};
        EXPECT_EQ(::lstat(l__It->path().c_str(), &l__Stat), 0);
        Expected l__Expected = {l__Stat.st_mode, l__Stat.st_uid, l__Stat.st_mtime, static_cast<uint64_t>(l__Stat.st_size), "", ""};
        if (S_ISLNK(l__Stat.st_mode)) l__Expected.m__string__Target = fs::read_symlink(l__It->path()).string();
        if (S_ISREG(l__Stat.st_mode)) {
            std::ifstream l__Stream(l__It->path(), std::ios::binary);
            l__Expected.m__string__Contents.assign(std::istreambuf_iterator<char>(l__Stream), std::istreambuf_iterator<char>());
        }
        l__Paths[l__It->path().lexically_relative(p__Root).string()] = l__Expected;
    }
    return l__Paths;
}

// Every node below a node by its path of long names.
void Nodes(CTarnwick_FileTreeNode* p__Node, const std::string& p__Prefix,
           std::map<std::string, CTarnwick_ISO9660FileTreeNode*>* p__Out) {
    for (CTarnwick_FileTreeNode* l__Kid = p__Node->GetFirstKid(); l__Kid != nullptr; l__Kid = l__Kid->GetNextSibling()) {
        const std::string l__Path = p__Prefix + l__Kid->GetLongFileName();
        (*p__Out)[l__Path] = static_cast<CTarnwick_ISO9660FileTreeNode*>(l__Kid);
        if (l__Kid->IsDirectory()) Nodes(l__Kid, l__Path + "/", p__Out);
    }
}
std::map<std::string, CTarnwick_ISO9660FileTreeNode*> Nodes(CTarnwick_ISO9660FileTree& p__Tree) {
    std::map<std::string, CTarnwick_ISO9660FileTreeNode*> l__Nodes;
    if (p__Tree.GetRoot() != nullptr) Nodes(p__Tree.GetRoot(), "", &l__Nodes);
    return l__Nodes;
}

class RockRidgeImport : public ::testing::Test {
protected:
    void SetUp() override { Fresh(); }
    // A blank disc in a fresh recorder.
    void Fresh() {
        m__Burner.reset();
        m__Recorder.reset();
        m__Recorder = std::make_unique<RecorderUnderTest>("cdr");
        m__Burner = std::make_unique<CTarnwick_CdvdBurnerGrabber>(Ignore, nullptr, 0, 0, 0, 0, 1);
    }
    // Runs a step of the toolkit; an exception it raises fails the test.
    static void Step(const std::function<void()>& p__Step) {
        try {
            p__Step();
        } catch (CTarnwick_Exception* l__Exception) {
            ADD_FAILURE() << (l__Exception ? l__Exception->GetExceptionText() : "NULL");
            delete l__Exception;
        }
    }
    // Writes bytes as one data track and closes the session.
    void BurnBytes(const Bytes& p__Data) {
        CTarnwick_MemoryFile l__Source(p__Data.data(), p__Data.size());
        CTarnwick_FileChain l__Chain;
        l__Chain.AddChainTail(&l__Source);
        l__Chain.SeekToBegin();
        Step([&] {
            m__Burner->TrackAtOnce(&l__Chain, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0);
            m__Burner->CloseSession();
        });
    }
    // Imports track 1.
    void ImportInto(CTarnwick_ISO9660FileTree& p__Tree, BOOLEAN p__Joliet) {
        Step([&] { m__Burner->ImportTrack(&p__Tree, 1, p__Joliet); });
    }
    // The bytes of a file's extent on the disc.
    std::string ContentsOf(const CTarnwick_ISO9660FileTreeNode* p__Node) {
        const ULONG l__ULONG__Blocks = static_cast<ULONG>((p__Node->GetSize() + 2047) / 2048);
        if (l__ULONG__Blocks == 0) return "";
        Bytes l__Data(l__ULONG__Blocks * 2048);
        m__Burner->Read10(l__Data.data(), static_cast<ULONG>(l__Data.size()), p__Node->GetExtentLocation(), l__ULONG__Blocks);
        return std::string(l__Data.begin(), l__Data.begin() + static_cast<long>(p__Node->GetSize()));
    }
    // Runs a command that makes an image; its bytes.
    Bytes MakeImage(const std::string& p__Command, const std::string& p__Image) {
        std::string l__Log;
        EXPECT_EQ(RecorderUnderTest::Run(p__Command + " 2>&1", &l__Log), 0) << p__Command << "\n" << l__Log;
        std::ifstream l__Stream(p__Image, std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
    }

    FakeClock m__Clock;
    std::unique_ptr<RecorderUnderTest> m__Recorder;
    std::unique_ptr<CTarnwick_CdvdBurnerGrabber> m__Burner;
};

// The source of the outside images: mixed case, names of 200 bytes (a path of more than 260
// bytes), links, a FIFO, modes, times, and a directory 11 levels deep that gets relocated.
fs::path MakeSource(const std::string& p__Dir) {
    const fs::path l__Root = fs::path(p__Dir) / "source";
    const std::string l__Long(200, 'n');
    fs::create_directories(l__Root / "lower");
    fs::create_directories(l__Root / std::string(200, 'd') / std::string(200, 'e'));
    fs::create_directories(l__Root / "a/b/c/d/e/f/g/h/i/j");
    std::ofstream(l__Root / "MixedCase.TXT") << "mixed case\n";
    std::ofstream(l__Root / "lower" / "UPPER.bin") << std::string(5000, 'U');
    std::ofstream(l__Root / l__Long) << "long name\n";
    std::ofstream(l__Root / std::string(200, 'd') / std::string(200, 'e') / "leaf.txt") << "leaf\n";
    std::ofstream(l__Root / "a/b/c/d/e/f/g/h/i/j/deep.txt") << "deep\n";
    std::ofstream(l__Root / "run.sh") << "#!/bin/sh\n";
    fs::create_symlink("../x/y", l__Root / "link-rel");
    fs::create_symlink("/etc/hostname", l__Root / "link-abs");
    fs::create_symlink(".", l__Root / "lower" / "link-dot");
    EXPECT_EQ(::mkfifo((l__Root / "pipe").c_str(), 0640), 0);
    EXPECT_EQ(::chmod((l__Root / "run.sh").c_str(), 04751), 0);
    EXPECT_EQ(::chmod(l__Root.c_str(), 0750), 0);
    const struct timespec l__Times[2] = {{1300000001, 0}, {1234567891, 0}};
    EXPECT_EQ(::utimensat(AT_FDCWD, (l__Root / "MixedCase.TXT").c_str(), l__Times, AT_SYMLINK_NOFOLLOW), 0);
    EXPECT_EQ(::utimensat(AT_FDCWD, (l__Root / "link-rel").c_str(), l__Times, AT_SYMLINK_NOFOLLOW), 0);
    return l__Root;
}

struct Maker {
    const char* m__PCHAR__Name;
    const char* m__PCHAR__Tool;
    const char* m__PCHAR__Command;  // with IMAGE and SOURCE
};

void PrintTo(const Maker& p__Maker, std::ostream* p__Out) { *p__Out << p__Maker.m__PCHAR__Name; }

class OutsideImage : public RockRidgeImport, public ::testing::WithParamInterface<Maker> {};

TEST_P(OutsideImage, ImportsEveryPosixNameAttributeAndLinkWithoutTheRelocationDirectory) {
    REQUIRE_TOOL(GetParam().m__PCHAR__Tool);
    const fs::path l__Source = MakeSource(m__Recorder->Dir());
    const std::string l__Image = m__Recorder->Dir() + "/first.iso";
    std::string l__Command = GetParam().m__PCHAR__Command;
    l__Command.replace(l__Command.find("IMAGE"), 5, l__Image);
    l__Command.replace(l__Command.find("SOURCE"), 6, l__Source.string());
    const Bytes l__Bytes = MakeImage(l__Command, l__Image);
    ASSERT_GT(l__Bytes.size(), 17u * 2048);
    // The image relocates the deep directory: the ISO9660 names alone show it elsewhere.
    std::string l__Plain;
    ASSERT_EQ(RecorderUnderTest::Run("isoinfo -l -i '" + l__Image + "'", &l__Plain), 0);
    EXPECT_EQ(l__Plain.find("Directory listing of /A/B/C/D/E/F/G/H/I/J/"), std::string::npos) << l__Plain;
    BurnBytes(l__Bytes);
    const std::map<std::string, Expected> l__Expected = Lstat(l__Source);

    // Into a Joliet tree with the Joliet hierarchy asked for (what Quorvane does) and into
    // an ISO9660 tree without it: both take the Rock Ridge hierarchy.
    for (BOOLEAN l__Joliet : {TRUE, FALSE}) {
        SCOPED_TRACE(l__Joliet ? "Joliet" : "ISO9660");
        std::unique_ptr<CTarnwick_ISO9660FileTree> l__Tree;
        if (l__Joliet) l__Tree = std::make_unique<CTarnwick_JolietFileTree>(Ignore, nullptr, FALSE, FALSE, TRUE);
        else l__Tree = std::make_unique<CTarnwick_ISO9660FileTree>(Ignore, nullptr, FALSE, FALSE, TRUE);
        ImportInto(*l__Tree, l__Joliet);
        EXPECT_TRUE(l__Tree->IsRockRidge());
        const std::map<std::string, CTarnwick_ISO9660FileTreeNode*> l__Nodes = Nodes(*l__Tree);
        std::vector<std::string> l__Names, l__Wanted;
        for (const auto& [l__Path, l__Node] : l__Nodes) l__Names.push_back(l__Path);
        for (const auto& [l__Path, l__Entry] : l__Expected) l__Wanted.push_back(l__Path);
        EXPECT_EQ(l__Names, l__Wanted);
        for (const auto& [l__Path, l__Want] : l__Expected) {
            SCOPED_TRACE(l__Path);
            auto l__Found = l__Nodes.find(l__Path);
            if (l__Found == l__Nodes.end()) continue;
            const CTarnwick_ISO9660FileTreeNode* l__Node = l__Found->second;
            EXPECT_TRUE(l__Node->IsImported());
            ASSERT_NE(l__Node->GetRockRidgeAttributes(), nullptr);
            const CTarnwick_RockRidgeAttributes& a = *l__Node->GetRockRidgeAttributes();
            EXPECT_EQ(a.m__ULONG__Mode, l__Want.m__ULONG__Mode);
            EXPECT_EQ(a.m__ULONG__User, l__Want.m__ULONG__User);
            EXPECT_EQ(a.m__LONGLONG__ModifyTime, l__Want.m__LONGLONG__ModifyTime);
            EXPECT_EQ(a.m__string__LinkTarget, l__Want.m__string__Target);
            EXPECT_EQ(l__Node->IsDirectory() != FALSE, S_ISDIR(l__Want.m__ULONG__Mode));
            if (S_ISREG(l__Want.m__ULONG__Mode)) {
                EXPECT_EQ(l__Node->GetSize(), l__Want.m__ULONGLONG__Size);
                EXPECT_EQ(ContentsOf(l__Node), l__Want.m__string__Contents);
            }
            if (S_ISLNK(l__Want.m__ULONG__Mode)) {
                EXPECT_EQ(l__Node->GetSize(), 0u);
            }
            // The path told for the node stays below the trees' limit, its end kept.
            EXPECT_LT(l__Node->GetAbsolutePathAndFileName().size(), static_cast<size_t>(TARNWICK_MAX_PATH));
            EXPECT_EQ(l__Node->GetAbsolutePathAndFileName().rfind("ImportingTrack(1):", 0), 0u);
            const std::string l__Leaf = "/" + l__Node->GetLongFileName();
            EXPECT_TRUE(l__Node->GetAbsolutePathAndFileName().ends_with(l__Leaf));
        }
        // The root keeps the mode and time of the source's root.
        auto* l__Root = static_cast<CTarnwick_ISO9660FileTreeNode*>(l__Tree->GetRoot());
        ASSERT_NE(l__Root->GetRockRidgeAttributes(), nullptr);
        struct stat l__RootStat = {};
        ASSERT_EQ(::lstat(l__Source.c_str(), &l__RootStat), 0);
        EXPECT_EQ(l__Root->GetRockRidgeAttributes()->m__ULONG__Mode, l__RootStat.st_mode);
        EXPECT_EQ(l__Root->GetRockRidgeAttributes()->m__LONGLONG__ModifyTime, l__RootStat.st_mtime);
        // Hard-link serial numbers: every imported node has one of its own here.
        std::map<std::pair<uint64_t, uint64_t>, int> l__Serials;
        for (const auto& [l__Path, l__Node] : l__Nodes)
            if (l__Node->GetRockRidgeAttributes() != nullptr)
                ++l__Serials[{l__Node->GetRockRidgeAttributes()->m__ULONGLONG__Origin,
                              l__Node->GetRockRidgeAttributes()->m__ULONGLONG__Serial}];
        EXPECT_EQ(l__Serials.size(), l__Nodes.size());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Makers, OutsideImage,
    ::testing::Values(Maker{"genisoimage", "genisoimage", "genisoimage -quiet -R -o 'IMAGE' 'SOURCE'"},
                      Maker{"xorrisoRelocationDirectory", "xorriso",
                            "xorriso -as mkisofs -quiet -R -rr_reloc_dir rr_moved -o 'IMAGE' 'SOURCE'"},
                      Maker{"xorrisoWithJoliet", "xorriso",
                            "xorriso -as mkisofs -quiet -R -J -joliet-long -rr_reloc_dir rr_moved -o 'IMAGE' 'SOURCE'"},
                      Maker{"xorrisoRelocationIntoTheRoot", "xorriso",
                            "xorriso -compliance deep_paths_off -outdev 'IMAGE' -map 'SOURCE' / -commit"}),
    [](const ::testing::TestParamInfo<Maker>& p) { return p.param.m__PCHAR__Name; });

// ---------------------------------------------------------------------------------------
// Damaged system-use areas.

// A directory record of an image.
struct ImageRecord {
    size_t m__SIZE__Offset;  // in the image
    ULONG m__ULONG__Extent;
    ULONG m__ULONG__Length;
    std::string m__string__Identifier;
};

std::vector<ImageRecord> Directory(const Bytes& p__Image, ULONG p__Extent, ULONG p__Length) {
    std::vector<ImageRecord> l__Records;
    const size_t l__SIZE__Base = static_cast<size_t>(p__Extent) * 2048;
    for (size_t l__SIZE__Offset = 0; l__SIZE__Offset < p__Length;) {
        const uint8_t* r = p__Image.data() + l__SIZE__Base + l__SIZE__Offset;
        if (r[0] == 0) {
            l__SIZE__Offset = (l__SIZE__Offset / 2048 + 1) * 2048;
            continue;
        }
        l__Records.push_back({l__SIZE__Base + l__SIZE__Offset, CTarnwick_Bytes::GetLittleEndian32(r + 2),
                              CTarnwick_Bytes::GetLittleEndian32(r + 10), std::string(reinterpret_cast<const char*>(r + 33), r[32])});
        l__SIZE__Offset += r[0];
    }
    return l__Records;
}

// The image of a small tree made by genisoimage -R, and where its records are.
class DamagedArea : public RockRidgeImport {
protected:
    void SetUp() override {
        RockRidgeImport::SetUp();
        REQUIRE_TOOL("genisoimage");
        const fs::path l__Root = fs::path(m__Recorder->Dir()) / "small";
        fs::create_directories(l__Root / "sub");
        fs::create_directories(l__Root / "a/b/c/d/e/f/g/h/i");
        for (const char* l__Name : {"alpha.txt", "beta.txt", "gamma.txt", "sub/inner.txt", "a/b/c/d/e/f/g/h/i/deep.txt"})
            std::ofstream(l__Root / l__Name) << l__Name;
        std::ofstream(l__Root / std::string(220, 'L')) << "long\n";
        const std::string l__Image = m__Recorder->Dir() + "/small.iso";
        m__Image = MakeImage("genisoimage -quiet -R -o '" + l__Image + "' '" + l__Root.string() + "'", l__Image);
        ASSERT_GT(m__Image.size(), 20u * 2048);
        m__RootExtent = CTarnwick_Bytes::GetLittleEndian32(m__Image.data() + 16 * 2048 + 158);
        m__RootLength = CTarnwick_Bytes::GetLittleEndian32(m__Image.data() + 16 * 2048 + 166);
    }
    size_t Record(const std::string& p__Identifier, ULONG p__Extent = 0, ULONG p__Length = 0) {
        for (const ImageRecord& r : Directory(m__Image, p__Extent ? p__Extent : m__RootExtent, p__Length ? p__Length : m__RootLength))
            if (r.m__string__Identifier == p__Identifier) return r.m__SIZE__Offset;
        ADD_FAILURE() << p__Identifier << " not found";
        return 0;
    }
    // The offset in the image of the first entry with a signature in a record's area.
    size_t Entry(size_t p__Record, const char* p__Signature) {
        const uint8_t* r = m__Image.data() + p__Record;
        size_t l__SIZE__At = 33 + r[32] + (r[32] % 2 == 0 ? 1 : 0);
        while (l__SIZE__At + 4 <= r[0] && r[l__SIZE__At + 2] >= 4) {
            if (r[l__SIZE__At] == p__Signature[0] && r[l__SIZE__At + 1] == p__Signature[1]) return p__Record + l__SIZE__At;
            l__SIZE__At += r[l__SIZE__At + 2];
        }
        ADD_FAILURE() << p__Signature << " not found";
        return 0;
    }
    // Burns the (patched) image on a fresh disc and imports it into a Joliet tree.
    std::map<std::string, CTarnwick_ISO9660FileTreeNode*> Import(CTarnwick_JolietFileTree& p__Tree) {
        Fresh();
        BurnBytes(m__Image);
        ImportInto(p__Tree, TRUE);
        return Nodes(p__Tree);
    }

    Bytes m__Image;
    ULONG m__RootExtent = 0;
    ULONG m__RootLength = 0;
};

TEST_F(DamagedArea, EntriesThatCannotBeReadLeaveTheISO9660NameOrWhatWasRead) {
    const std::string l__Long(220, 'L');
    // genisoimage puts the end of a long name into a continuation area.
    const size_t l__LongRecord = Record("LLLLLLLL.;1");
    const size_t l__Ce = Entry(l__LongRecord, "CE");
    const size_t l__LongNm = Entry(l__LongRecord, "NM");
    const std::string l__FirstPiece(reinterpret_cast<const char*>(m__Image.data() + l__LongNm + 5), m__Image[l__LongNm + 2] - 5);
    ASSERT_EQ(m__Image[l__LongNm + 4] & 1, 1) << "the name is not continued";
    ASSERT_LT(l__FirstPiece.size(), l__Long.size());
    const ULONG l__CeBlock = CTarnwick_Bytes::GetLittleEndian32(m__Image.data() + l__Ce + 4);
    const ULONG l__CeOffset = CTarnwick_Bytes::GetLittleEndian32(m__Image.data() + l__Ce + 12);
    struct Case {
        const char* m__PCHAR__Name;
        std::function<void(Bytes&)> m__Patch;
        std::map<std::string, std::string> m__Names;  // what a name should be: "" absent
    };
    const std::vector<Case> l__Cases = {
        {"undamaged", [](Bytes&) {}, {{"alpha.txt", "alpha.txt"}, {l__Long, l__Long}}},
        {"NM of length 0", [&](Bytes& i) { i[Entry(Record("ALPHA.TXT;1"), "NM") + 2] = 0; },
         {{"alpha.txt", ""}, {"ALPHA.TXT", "ALPHA.TXT"}, {"beta.txt", "beta.txt"}}},
        {"NM running past its record", [&](Bytes& i) { i[Entry(Record("ALPHA.TXT;1"), "NM") + 2] = 250; },
         {{"ALPHA.TXT", "ALPHA.TXT"}, {"gamma.txt", "gamma.txt"}}},
        {"NM naming the parent",
         [&](Bytes& i) {
             const size_t l__Nm = Entry(Record("BETA.TXT;1"), "NM");
             i[l__Nm + 2] = 7;  // the name is "..", what followed it reads as damaged entries
             i[l__Nm + 5] = '.';
             i[l__Nm + 6] = '.';
         },
         {{"BETA.TXT", "BETA.TXT"}, {"beta.txt", ""}, {"..", ""}}},
        {"NM with a slash", [&](Bytes& i) { i[Entry(Record("BETA.TXT;1"), "NM") + 6] = '/'; },
         {{"BETA.TXT", "BETA.TXT"}, {"beta.txt", ""}}},
        {"PX too short", [&](Bytes& i) { i[Entry(Record("GAMMA.TXT;1"), "PX") + 2] = 20; }, {{"gamma.txt", "gamma.txt"}}},
        {"CE past the track", [&](Bytes& i) { CTarnwick_Bytes::PutBothEndian32(&i[l__Ce + 4], 4000000); },
         {{l__FirstPiece, l__FirstPiece}, {"alpha.txt", "alpha.txt"}}},
        {"CE area across the block end", [&](Bytes& i) { CTarnwick_Bytes::PutBothEndian32(&i[l__Ce + 12], 2040); },
         {{l__FirstPiece, l__FirstPiece}}},
        {"CE area leading to itself",
         [&](Bytes& i) {
             // The continuation area now holds one piece and a CE back to its own start.
             uint8_t* a = &i[static_cast<size_t>(l__CeBlock) * 2048 + l__CeOffset];
             const uint8_t l__Nm[] = {'N', 'M', 7, 1, 1, '-', '-'};
             std::memcpy(a, l__Nm, sizeof(l__Nm));
             std::memcpy(a + sizeof(l__Nm), &i[l__Ce], 28);
             CTarnwick_Bytes::PutBothEndian32(a + sizeof(l__Nm) + 20, 7 + 28);
             CTarnwick_Bytes::PutBothEndian32(&i[l__Ce + 20], 7 + 28);
         },
         {{l__FirstPiece + "--", l__FirstPiece + "--"}, {"beta.txt", "beta.txt"}}},
        {"SP with wrong check bytes", [&](Bytes& i) { i[static_cast<size_t>(m__RootExtent) * 2048 + 34 + 4] = 0; }, {}},
        {"SP skipping the whole area",
         [&](Bytes& i) { i[static_cast<size_t>(m__RootExtent) * 2048 + 34 + 6] = 255; },
         {{"ALPHA.TXT", "ALPHA.TXT"}, {"alpha.txt", ""}, {"SUB/INNER.TXT", "SUB/INNER.TXT"}}},
    };
    for (const Case& l__Case : l__Cases) {
        SCOPED_TRACE(l__Case.m__PCHAR__Name);
        const Bytes l__Saved = m__Image;
        l__Case.m__Patch(m__Image);
        CTarnwick_JolietFileTree l__Tree(Ignore, nullptr, FALSE, FALSE, TRUE);
        if (std::string(l__Case.m__PCHAR__Name) == "SP with wrong check bytes") {
            // No Rock Ridge and no Joliet hierarchy: the import of the Joliet names fails as
            // it did before, and the ISO9660 names import.
            Fresh();
            BurnBytes(m__Image);
            try {
                m__Burner->ImportTrack(&l__Tree, 1, TRUE);
                ADD_FAILURE() << "no Joliet hierarchy, yet imported";
            } catch (CTarnwick_Exception* l__Exception) {
                EXPECT_NE(std::string(l__Exception->GetExceptionText()).find("Volume Descriptor was not found"), std::string::npos);
                delete l__Exception;
            }
            CTarnwick_ISO9660FileTree l__Plain(Ignore, nullptr, FALSE, FALSE, TRUE);
            ImportInto(l__Plain, FALSE);
            EXPECT_FALSE(l__Plain.IsRockRidge());
            const auto l__Nodes = Nodes(l__Plain);
            EXPECT_TRUE(l__Nodes.count("ALPHA.TXT"));
            EXPECT_TRUE(l__Nodes.count("RR_MOVED"));  // without Rock Ridge it is a directory like any
            m__Image = l__Saved;
            continue;
        }
        const auto l__Nodes = Import(l__Tree);
        EXPECT_TRUE(l__Tree.IsRockRidge());
        for (const auto& [l__Path, l__Want] : l__Case.m__Names) {
            if (l__Want.empty()) EXPECT_FALSE(l__Nodes.count(l__Path)) << l__Path;
            else EXPECT_TRUE(l__Nodes.count(l__Path)) << l__Path;
        }
        // Whatever else was damaged, the rest of the tree is there.
        EXPECT_TRUE(l__Nodes.count("sub/inner.txt") || l__Nodes.count("SUB/INNER.TXT"));
        EXPECT_TRUE(l__Nodes.count("a/b/c/d/e/f/g/h/i/deep.txt") || l__Nodes.count("RR_MOVED/H/I/DEEP.TXT"));
        EXPECT_FALSE(l__Nodes.count("rr_moved"));
        if (std::string(l__Case.m__PCHAR__Name) == "PX too short") {
            // Without its PX the file takes what its record tells: a plain read-only file.
            ASSERT_TRUE(l__Nodes.count("gamma.txt"));
            EXPECT_EQ(l__Nodes.at("gamma.txt")->GetRockRidgeAttributes()->m__ULONG__Mode, 0100444u);
        }
        m__Image = l__Saved;
    }
}

TEST_F(DamagedArea, BrokenRelocationsLeaveOutOnlyTheRelocatedDirectory) {
    // Where the CL of the relocated directory "h" stands (the ninth level, one past the
    // eight of ISO9660).
    ULONG l__Extent = m__RootExtent, l__Length = m__RootLength;
    for (const char* l__Id : {"A", "B", "C", "D", "E", "F", "G"}) {
        bool l__bool__Found = false;
        for (const ImageRecord& r : Directory(m__Image, l__Extent, l__Length)) {
            if (r.m__string__Identifier != l__Id) continue;
            l__Extent = r.m__ULONG__Extent;
            l__Length = r.m__ULONG__Length;
            l__bool__Found = true;
        }
        ASSERT_TRUE(l__bool__Found) << l__Id;
    }
    const size_t l__Placeholder = Record("H", l__Extent, l__Length);
    const size_t l__Cl = Entry(l__Placeholder, "CL");
    const ULONG l__Relocated = CTarnwick_Bytes::GetLittleEndian32(m__Image.data() + l__Cl + 4);
    const size_t l__Alpha = Record("ALPHA.TXT;1");
    const ULONG l__AlphaExtent = CTarnwick_Bytes::GetLittleEndian32(m__Image.data() + l__Alpha + 2);
    const std::string l__Deep = "a/b/c/d/e/f/g/h";
    for (ULONG l__Target : {l__Relocated, 4000000u, l__AlphaExtent, m__RootExtent}) {
        SCOPED_TRACE(l__Target);
        const Bytes l__Saved = m__Image;
        CTarnwick_Bytes::PutBothEndian32(&m__Image[l__Cl + 4], l__Target);
        CTarnwick_JolietFileTree l__Tree(Ignore, nullptr, FALSE, FALSE, TRUE);
        const auto l__Nodes = Import(l__Tree);
        EXPECT_TRUE(l__Nodes.count("a/b/c/d/e/f/g"));
        EXPECT_TRUE(l__Nodes.count("sub/inner.txt"));
        EXPECT_FALSE(l__Nodes.count("rr_moved"));
        if (l__Target == l__Relocated) {
            EXPECT_TRUE(l__Nodes.count(l__Deep + "/i/deep.txt"));
        } else if (l__Target == m__RootExtent) {
            // The root is walked already: the directory stays, empty.
            EXPECT_TRUE(l__Nodes.count(l__Deep));
            EXPECT_FALSE(l__Nodes.count(l__Deep + "/alpha.txt"));
        } else {
            EXPECT_FALSE(l__Nodes.count(l__Deep));  // no directory there
        }
        m__Image = l__Saved;
    }
    // A relocation directory that also holds a directory of its own is imported with it.
    const size_t l__Moved = Record("RR_MOVED");
    const size_t l__InMoved = Record("H", CTarnwick_Bytes::GetLittleEndian32(m__Image.data() + l__Moved + 2),
                                     CTarnwick_Bytes::GetLittleEndian32(m__Image.data() + l__Moved + 10));
    const size_t l__Re = Entry(l__InMoved, "RE");
    m__Image[l__Re] = 'Z';  // no RE any more
    CTarnwick_JolietFileTree l__Tree(Ignore, nullptr, FALSE, FALSE, TRUE);
    const auto l__Nodes = Import(l__Tree);
    EXPECT_TRUE(l__Nodes.count("rr_moved/h"));
    EXPECT_TRUE(l__Nodes.count(l__Deep));
}

// ---------------------------------------------------------------------------------------
// A chain of directories far deeper than any real tree.

Bytes DirectoryRecord(ULONG p__Extent, ULONG p__Length, UCHAR p__Flags, const std::string& p__Id) {
    Bytes r(33 + p__Id.size() + (p__Id.size() % 2 == 0 ? 1 : 0), 0);
    r[0] = static_cast<uint8_t>(r.size());
    CTarnwick_Bytes::PutBothEndian32(&r[2], p__Extent);
    CTarnwick_Bytes::PutBothEndian32(&r[10], p__Length);
    const uint8_t l__Date[7] = {126, 1, 2, 3, 4, 5, 0};
    std::memcpy(&r[18], l__Date, 7);
    r[25] = p__Flags;
    CTarnwick_Bytes::PutBothEndian16(&r[28], 1);
    r[32] = static_cast<uint8_t>(p__Id.size());
    std::memcpy(&r[33], p__Id.data(), p__Id.size());
    return r;
}

TEST_F(RockRidgeImport, ADirectoryChainDeeperThanTheLimitEndsTheWalkThere) {
    const ULONG l__ULONG__Levels = 1100;
    const ULONG l__ULONG__First = 18;  // the root; level k at 18 + k
    Bytes l__Image((l__ULONG__First + l__ULONG__Levels + 1) * 2048, 0);
    uint8_t* l__Pvd = &l__Image[16 * 2048];
    l__Pvd[0] = 1;
    std::memcpy(l__Pvd + 1, "CD001", 5);
    l__Pvd[6] = 1;
    const Bytes l__RootRecord = DirectoryRecord(l__ULONG__First, 2048, 2, std::string(1, '\0'));
    std::memcpy(l__Pvd + 156, l__RootRecord.data(), l__RootRecord.size());
    l__Image[17 * 2048] = 255;
    std::memcpy(&l__Image[17 * 2048 + 1], "CD001", 5);
    for (ULONG k = 0; k <= l__ULONG__Levels; ++k) {
        const ULONG l__Block = l__ULONG__First + k;
        size_t at = static_cast<size_t>(l__Block) * 2048;
        for (const Bytes& r : {DirectoryRecord(l__Block, 2048, 2, std::string(1, '\0')),
                               DirectoryRecord(k == 0 ? l__Block : l__Block - 1, 2048, 2, std::string(1, '\1')),
                               k < l__ULONG__Levels ? DirectoryRecord(l__Block + 1, 2048, 2, "D") : DirectoryRecord(0, 4, 0, "END.TXT;1")}) {
            std::memcpy(&l__Image[at], r.data(), r.size());
            at += r.size();
        }
    }
    BurnBytes(l__Image);
    CTarnwick_ISO9660FileTree l__Tree(Ignore, nullptr, FALSE, FALSE, TRUE);
    ImportInto(l__Tree, FALSE);
    ASSERT_NE(l__Tree.GetRoot(), nullptr);
    ULONG l__ULONG__Depth = 0;
    const CTarnwick_FileTreeNode* l__Node = l__Tree.GetRoot();
    while (l__Node->GetFirstKid() != nullptr) {
        l__Node = l__Node->GetFirstKid();
        ++l__ULONG__Depth;
        ASSERT_EQ(l__Node->GetLongFileName(), "D");
    }
    // 1,024 directories are walked, the root among them: the last lists one more, which is
    // not walked.
    EXPECT_EQ(l__ULONG__Depth, 1024u);
    EXPECT_LT(l__Node->GetAbsolutePathAndFileName().size(), static_cast<size_t>(TARNWICK_MAX_PATH));
}

}  // namespace
