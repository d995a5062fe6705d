// The file-tree family through the flat functions only: creation, additions and their
// paths, the built image and its reading, the boot image, node queries and changes, and a
// tree burned onto the virtual recorder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CTarnwick_EmptyBase.h"
#include "ExternalTool.h"
#include "FakeClock.h"
#include "RecorderUnderTest.h"
#include "ScratchDirectory.h"
#include "TraceCapture.h"
#include "tarnwick.h"

extern "C" int TarnwickTest_MasterTreeFromC(const char* p__PCHAR__Directory);

namespace {

constexpr size_t SECTOR = 2048;

// Counts the reports of a tree; cancels it from inside the walk once enough nodes are added.
struct Reports {
    int m__Added = 0;
    int m__Removed = 0;
    int m__CancelAfter = 0;  // 0: never
    PVOID m__Tree = nullptr;
    static void Callback(ULONG p__Reason, PVOID p__Context, PVOID, PVOID) {
        auto* r = static_cast<Reports*>(p__Context);
        if (p__Reason == ADD_NAME && ++r->m__Added == r->m__CancelAfter) Tarnwick_ISO9660JolietFileTree_Cancel(r->m__Tree);
        if (p__Reason == REMOVE_NAME) ++r->m__Removed;
    }
};

struct NotATree : CTarnwick_EmptyBase {};

class FileTreeFamily : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Tarnwick_UpStart(), 0u);
        namespace fs = std::filesystem;
        fs::create_directories(m__Source / "docs" / "deep");
        std::ofstream(m__Source / "README.TXT") << "tree family\n";
        std::ofstream(m__Source / "docs" / "notes.txt") << std::string(70000, 'n');
        std::ofstream(m__Source / "docs" / "deep" / "x.bin") << "x";
    }
    void TearDown() override {
        Tarnwick_Destroy(&m__Tree);
        Tarnwick_DownShut();
    }
    ULONG Create(PVOID* p__Tree, BOOLEAN p__IsJoliet = FALSE, BOOLEAN p__IsIgnoreErrors = FALSE) {
        return Tarnwick_ISO9660JolietFileTree_Create(p__Tree, nullptr, 0, nullptr, Reports::Callback, &m__Reports,
                                                     p__IsIgnoreErrors, FALSE, FALSE, p__IsJoliet);
    }
    ULONG Add(PVOID p__Tree, const std::string* p__Path, const char* p__Name = nullptr, PVOID* p__Parent = nullptr) {
        return Tarnwick_ISO9660JolietFileTree_Add(p__Tree, m__Text, sizeof(m__Text), &m__SystemError,
                                                  p__Path ? const_cast<PCHAR>(p__Path->c_str()) : nullptr,
                                                  const_cast<PCHAR>(p__Name), 2, p__Parent);
    }
    ULONG Build(PVOID p__Tree) {
        return Tarnwick_ISO9660FileTree_BuildImage(p__Tree, m__Text, sizeof(m__Text), &m__SystemError, 0, 0, FALSE,
                                                   const_cast<PCHAR>("FAMILY"), nullptr, nullptr);
    }
    std::vector<uint8_t> Read(PVOID p__Tree, size_t p__Length, ULONG* p__Result) {
        std::vector<uint8_t> l__Bytes(p__Length, 0xEE);
        *p__Result = Tarnwick_ISO9660JolietFileTree_Read(p__Tree, m__Text, sizeof(m__Text), &m__SystemError,
                                                         static_cast<LONG>(p__Length), l__Bytes.data());
        return l__Bytes;
    }
    // The whole built image, read from its current position, written to a file.
    std::string ImageFile(PVOID p__Tree) {
        ULONG l__High = 0;
        uint64_t l__Size = Tarnwick_ISO9660JolietFileTree_GetSizeInUCHARs(p__Tree, &l__High);
        l__Size |= static_cast<uint64_t>(l__High) << 32;
        ULONG l__Result = 0;
        std::vector<uint8_t> l__Image = Read(p__Tree, l__Size, &l__Result);
        EXPECT_EQ(l__Result, 0u) << m__Text;
        std::string l__Name = m__Scratch / "image.iso";
        std::ofstream(l__Name, std::ios::binary).write(reinterpret_cast<const char*>(l__Image.data()), l__Image.size());
        return l__Name;
    }
    // Long names of the kids of a node (NULL: the root), in list order.
    std::vector<std::string> Kids(PVOID p__Tree, PVOID p__Node) {
        std::vector<std::string> l__Names;
        for (PVOID k = Tarnwick_ISO9660JolietFileTree_GetFirstKid(p__Tree, p__Node); k != nullptr;
             k = Tarnwick_ISO9660JolietFileTree_GetNextKid(p__Tree, k)) {
            char l__Long[260];
            Tarnwick_ISO9660JolietFileTree_GetNames(p__Tree, k, nullptr, l__Long, nullptr);
            l__Names.push_back(l__Long);
        }
        return l__Names;
    }
    PVOID Kid(PVOID p__Tree, PVOID p__Node, const std::string& p__Name) {
        for (PVOID k = Tarnwick_ISO9660JolietFileTree_GetFirstKid(p__Tree, p__Node); k != nullptr;
             k = Tarnwick_ISO9660JolietFileTree_GetNextKid(p__Tree, k)) {
            char l__Long[260];
            Tarnwick_ISO9660JolietFileTree_GetNames(p__Tree, k, nullptr, l__Long, nullptr);
            if (p__Name == l__Long) return k;
        }
        return nullptr;
    }

    ScratchDirectory m__Scratch{"tarnwick-flat-tree"};
    std::filesystem::path m__Source = std::filesystem::path(m__Scratch.Path()) / "source";
    std::string m__Dir = (m__Source / "docs").string();
    Reports m__Reports;
    PVOID m__Tree = nullptr;
    char m__Text[1024] = {};
    ULONG m__SystemError = 31;
};

TEST_F(FileTreeFamily, CreateNeedsAStartedToolkitAndMakesAnEmptyTree) {
    Tarnwick_DownShut();
    PVOID l__Untouched = reinterpret_cast<PVOID>(0x1234);
    EXPECT_EQ(Create(&l__Untouched), 21u);
    EXPECT_EQ(l__Untouched, reinterpret_cast<PVOID>(0x1234));
    ASSERT_EQ(Tarnwick_UpStart(), 0u);
    EXPECT_EQ(Create(nullptr), 2u);

    ASSERT_EQ(Create(&m__Tree), 0u);
    EXPECT_EQ(Tarnwick_ISO9660FileTree_GetRoot(m__Tree), nullptr);
    PVOID l__Parent = nullptr;
    ASSERT_EQ(Add(m__Tree, &m__Dir, nullptr, &l__Parent), 0u) << m__Text;
    EXPECT_NE(l__Parent, nullptr);
    EXPECT_EQ(Tarnwick_ISO9660FileTree_GetRoot(m__Tree), l__Parent);
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetTreeLevel(m__Tree), 4u);  // root, docs, deep, x.bin

    // Without a callback the tree still works (nobody hears its reports).
    PVOID l__Quiet = nullptr;
    ASSERT_EQ(Tarnwick_ISO9660JolietFileTree_Create(&l__Quiet, nullptr, 0, nullptr, nullptr, nullptr, 0, 0, 0, 1), 0u);
    EXPECT_EQ(Add(l__Quiet, &m__Dir), 0u) << m__Text;
    // The Joliet flag chose the class: its image carries a supplementary descriptor at sector 17.
    ASSERT_EQ(Build(l__Quiet), 0u) << m__Text;
    ULONG l__Result = 0;
    std::vector<uint8_t> l__Head = Read(l__Quiet, 18 * SECTOR, &l__Result);
    ASSERT_EQ(l__Result, 0u) << m__Text;
    EXPECT_EQ(l__Head[17 * SECTOR], 2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&l__Head[17 * SECTOR + 1]), 5), "CD001");
    Tarnwick_Destroy(&l__Quiet);
    EXPECT_EQ(l__Quiet, nullptr);
}

TEST_F(FileTreeFamily, RockRidgeIsSwitchedOnBeforeTheBuildOnlyAndKeepsLinks) {
    std::filesystem::create_symlink("docs/notes.txt", m__Source / "Notes-Link");
    ASSERT_EQ(Create(&m__Tree, TRUE), 0u);
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetRockRidge(m__Tree), FALSE);
    ASSERT_EQ(Tarnwick_ISO9660JolietFileTree_SetRockRidge(m__Tree, TRUE, m__Text, sizeof(m__Text), &m__SystemError), 0u)
        << m__Text;
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetRockRidge(m__Tree), TRUE);
    const std::string l__Path = m__Source.string() + "/";
    ASSERT_EQ(Add(m__Tree, &l__Path), 0u) << m__Text;
    ASSERT_EQ(Build(m__Tree), 0u) << m__Text;
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_SetRockRidge(m__Tree, FALSE, m__Text, sizeof(m__Text), &m__SystemError),
              static_cast<ULONG>(EXCEPTION_NUMBER_INVALID_STATE));
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetRockRidge(m__Tree), TRUE);
    NotATree l__Foreign;
    EXPECT_NE(Tarnwick_ISO9660JolietFileTree_SetRockRidge(&l__Foreign, TRUE, m__Text, sizeof(m__Text), &m__SystemError), 0u);
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetRockRidge(&l__Foreign), FALSE);
    REQUIRE_TOOL("isoinfo");
    const std::string l__Image = ImageFile(m__Tree);
    std::string l__Listing;
    ASSERT_EQ(RecorderUnderTest::Run("isoinfo -R -l -i '" + l__Image + "'", &l__Listing), 0) << l__Listing;
    EXPECT_NE(l__Listing.find("Notes-Link -> docs/notes.txt"), std::string::npos) << l__Listing;
    EXPECT_NE(l__Listing.find("README.TXT"), std::string::npos) << l__Listing;
}

TEST_F(FileTreeFamily, PathsAreNormalisedBeforeTheWalk) {
    PVOID l__Other = nullptr;
    ASSERT_EQ(Create(&m__Tree), 0u);
    ASSERT_EQ(Create(&l__Other), 0u);
    std::string l__Slashed = m__Dir + "//";
    ASSERT_EQ(Add(m__Tree, &m__Dir), 0u) << m__Text;
    ASSERT_EQ(Add(l__Other, &l__Slashed), 0u) << m__Text;
    PVOID l__Docs = Kid(l__Other, nullptr, "docs");
    ASSERT_NE(l__Docs, nullptr);
    char l__Path[260];
    Tarnwick_ISO9660JolietFileTree_GetNames(l__Other, l__Docs, l__Path, nullptr, nullptr);
    EXPECT_EQ(std::string(l__Path), m__Dir);
    EXPECT_EQ(Kids(l__Other, l__Docs), Kids(m__Tree, Kid(m__Tree, nullptr, "docs")));

    // A path that does not fit the 260-byte buffer is refused before anything is copied.
    std::string l__Long(301, 'a');
    l__Long[0] = '/';
    EXPECT_EQ(Add(m__Tree, &l__Long), 2u);
    EXPECT_NE(std::string(m__Text).find("strlen( p__PCHAR__AbsolutePathAndFileName ) == 301 exceeds (>=) 260"),
              std::string::npos)
        << m__Text;

    // Without a path a name makes an empty virtual directory; without both nothing is added.
    PVOID l__Parent = nullptr;
    ASSERT_EQ(Add(m__Tree, nullptr, "EMPTY", &l__Parent), 0u) << m__Text;
    PVOID l__Empty = Kid(m__Tree, nullptr, "EMPTY");
    ASSERT_NE(l__Empty, nullptr);
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetAttributes(m__Tree, l__Empty), 0x10u);
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetFirstKid(m__Tree, l__Empty), nullptr);
    EXPECT_EQ(Add(m__Tree, nullptr, nullptr), 2u);

    // The parent must be a directory of this very tree.
    PVOID l__File = Kid(m__Tree, Kid(m__Tree, nullptr, "docs"), "notes.txt");
    ASSERT_NE(l__File, nullptr);
    EXPECT_EQ(Add(m__Tree, nullptr, "UNDERFILE", &l__File), 2u);
    PVOID l__Foreign = Tarnwick_ISO9660FileTree_GetRoot(l__Other);
    EXPECT_EQ(Add(m__Tree, nullptr, "ELSEWHERE", &l__Foreign), 2u);
    EXPECT_EQ(Kids(l__Other, nullptr), std::vector<std::string>{"docs"});
    // Another tree's root is not this tree's to delete.
    EXPECT_FALSE(Tarnwick_ISO9660JolietFileTree_DeleteNode(m__Tree, &l__Foreign));
    EXPECT_EQ(l__Foreign, Tarnwick_ISO9660FileTree_GetRoot(l__Other));
    EXPECT_EQ(Kids(l__Other, nullptr), std::vector<std::string>{"docs"});
    Tarnwick_Destroy(&l__Other);
}

TEST_F(FileTreeFamily, TheRootDirectoryKeepsItsSlashAndIsNotedInEveryBuild) {
    ASSERT_EQ(Create(&m__Tree, FALSE, TRUE), 0u);
    m__Reports.m__Tree = m__Tree;
    // The whole file system is not walked: the first addition after the root itself ends it.
    m__Reports.m__CancelAfter = 2;
    TraceCapture l__Trace;
    std::string l__Root = "//";
    EXPECT_EQ(Add(m__Tree, &l__Root), 14u) << m__Text;
    EXPECT_NE(std::string(m__Text).find("m__BOOLEAN__IsCancelCreation == TRUE"), std::string::npos) << m__Text;
    EXPECT_TRUE(l__Trace.Contains("Tarnwick:Tarnwick_ISO9660JolietFileTree_Add(): Added backslash...\n"))
        << l__Trace.Text();
    EXPECT_FALSE(l__Trace.Contains("Backslash NOT added"));
    l__Trace.Clear();
    ASSERT_EQ(Add(m__Tree, &m__Dir), 0u) << m__Text;  // each walk starts uncancelled
    EXPECT_FALSE(l__Trace.Contains("Added backslash"));
}

TEST_F(FileTreeFamily, CancelStopsTheRunningWalkOnly) {
    ASSERT_EQ(Create(&m__Tree), 0u);
    Tarnwick_ISO9660JolietFileTree_Cancel(m__Tree);  // before the walk: cleared by it
    ASSERT_EQ(Add(m__Tree, &m__Dir), 0u) << m__Text;
    std::string l__Source = m__Source.string();
    m__Reports = Reports{0, 0, 2, m__Tree};
    EXPECT_EQ(Add(m__Tree, &l__Source), 14u);
    // The partial subtree went with the exception: only the first addition is left.
    EXPECT_EQ(Kids(m__Tree, nullptr), std::vector<std::string>{"docs"});
    EXPECT_GE(m__Reports.m__Removed, 2);
}

TEST_F(FileTreeFamily, BuiltImageIsReadFromItsFirstByte) {
    ASSERT_EQ(Create(&m__Tree), 0u);
    ULONG l__Result = 0;
    Read(m__Tree, SECTOR, &l__Result);
    EXPECT_EQ(l__Result, 3u);
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_SeekToBegin(m__Tree, m__Text, sizeof(m__Text), &m__SystemError), 3u);
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetSizeInUCHARs(m__Tree, nullptr), 0u);
    ASSERT_EQ(Add(m__Tree, &m__Dir), 0u) << m__Text;
    // A sparse file beyond 4 GiB puts the image size into the high part.
    const std::string l__Big = m__Scratch / "big.bin";
    int l__Handle = ::open(l__Big.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(l__Handle, 0);
    ASSERT_EQ(::ftruncate(l__Handle, static_cast<off_t>(4608ull << 20)), 0);
    ::close(l__Handle);
    ASSERT_EQ(Add(m__Tree, &l__Big), 0u) << m__Text;
    ASSERT_EQ(Build(m__Tree), 0u) << m__Text;
    EXPECT_EQ(Build(m__Tree), 3u);

    ULONG l__High = 99;
    const ULONG l__Low = Tarnwick_ISO9660JolietFileTree_GetSizeInUCHARs(m__Tree, &l__High);
    std::vector<uint8_t> l__First = Read(m__Tree, 20 * SECTOR, &l__Result);
    ASSERT_EQ(l__Result, 0u) << m__Text;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&l__First[16 * SECTOR + 1]), 5), "CD001");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&l__First[16 * SECTOR + 40]), 6), "FAMILY");
    uint32_t l__Blocks = 0;
    std::memcpy(&l__Blocks, &l__First[16 * SECTOR + 80], 4);  // volume space size, little-endian half
    const uint64_t l__Size = (static_cast<uint64_t>(l__High) << 32) | l__Low;
    EXPECT_EQ(l__High, 1u);
    EXPECT_EQ(l__Size, static_cast<uint64_t>(l__Blocks) * SECTOR);

    // A negative length is refused and leaves the buffer alone; the position stays.
    std::vector<uint8_t> l__Untouched(16, 0xEE);
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_Read(m__Tree, m__Text, sizeof(m__Text), &m__SystemError, -1,
                                                  l__Untouched.data()),
              2u);
    EXPECT_EQ(l__Untouched, std::vector<uint8_t>(16, 0xEE));
    std::vector<uint8_t> l__Next = Read(m__Tree, SECTOR, &l__Result);
    EXPECT_EQ(l__Result, 0u);
    ASSERT_EQ(Tarnwick_ISO9660JolietFileTree_SeekToBegin(m__Tree, m__Text, sizeof(m__Text), &m__SystemError), 0u);
    std::vector<uint8_t> l__Again = Read(m__Tree, 21 * SECTOR, &l__Result);
    EXPECT_EQ(std::vector<uint8_t>(l__Again.begin(), l__Again.begin() + 20 * SECTOR), l__First);
    EXPECT_EQ(std::vector<uint8_t>(l__Again.begin() + 20 * SECTOR, l__Again.end()), l__Next);
}

TEST_F(FileTreeFamily, BootImageMustOpenAndEndsInTheBootCatalog) {
    ASSERT_EQ(Create(&m__Tree), 0u);
    const std::string l__Missing = m__Scratch / "missing.img";
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_SetBootImage(m__Tree, const_cast<PCHAR>(l__Missing.c_str()), 0, 0, m__Text,
                                                          sizeof(m__Text), &m__SystemError),
              5u);
    EXPECT_EQ(m__SystemError, static_cast<ULONG>(ENOENT));
    EXPECT_EQ(std::string(m__Text), "\nTarnwick:Tarnwick_ISO9660JolietFileTree_SetBootImage(): CreateFile( '" +
                                        l__Missing + "' ) failed, status 2 ( 0x2 )\n");
    EXPECT_EQ(Tarnwick_ISO9660FileTree_GetRoot(m__Tree), nullptr);
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_SetBootImage(m__Tree, nullptr, 0, 0, m__Text, sizeof(m__Text),
                                                          &m__SystemError),
              2u);

    const std::string l__Boot = m__Scratch / "loader.bin";
    std::ofstream(l__Boot, std::ios::binary) << std::string(4 * SECTOR, '\x90');
    ASSERT_EQ(Tarnwick_ISO9660JolietFileTree_SetBootImage(m__Tree, const_cast<PCHAR>(l__Boot.c_str()), 0, 0, m__Text,
                                                          sizeof(m__Text), &m__SystemError),
              0u)
        << m__Text;
    EXPECT_NE(Kid(m__Tree, nullptr, "boot.img"), nullptr);
    ASSERT_EQ(Add(m__Tree, &m__Dir), 0u) << m__Text;
    ASSERT_EQ(Build(m__Tree), 0u) << m__Text;
    const std::string l__Image = ImageFile(m__Tree);
    REQUIRE_TOOL("isoinfo");
    std::string l__Report;
    ASSERT_EQ(RecorderUnderTest::Run("isoinfo -d -i '" + l__Image + "'", &l__Report), 0) << l__Report;
    EXPECT_NE(l__Report.find("El Torito VD version 1 found"), std::string::npos) << l__Report;
    EXPECT_NE(l__Report.find("Bootid 88 (bootable)"), std::string::npos) << l__Report;
    // The boot entry points at the loader's bytes.
    const size_t l__At = l__Report.find("Bootoff ");
    ASSERT_NE(l__At, std::string::npos) << l__Report;
    const unsigned long l__Sector = std::stoul(l__Report.substr(l__At + 8), nullptr, 16);
    std::ifstream l__In(l__Image, std::ios::binary);
    l__In.seekg(static_cast<std::streamoff>(l__Sector * SECTOR));
    std::string l__Loader(4 * SECTOR, '\0');
    l__In.read(l__Loader.data(), static_cast<std::streamsize>(l__Loader.size()));
    EXPECT_TRUE(l__Loader == std::string(4 * SECTOR, '\x90')) << "sector " << l__Sector;
}

TEST_F(FileTreeFamily, NodesAreWalkedRenamedAndDeleted) {
    ASSERT_EQ(Create(&m__Tree), 0u);
    ASSERT_EQ(Add(m__Tree, &m__Dir), 0u) << m__Text;
    static const char c__Memory[] = "memory contents";
    PVOID l__Root = nullptr;
    ASSERT_EQ(Tarnwick_ISO9660JolietFileTree_AddMemory(m__Tree, m__Text, sizeof(m__Text), &m__SystemError,
                                                       const_cast<char*>(c__Memory), sizeof(c__Memory) - 1,
                                                       const_cast<PCHAR>("MEM.TXT"), 2, &l__Root),
              0u)
        << m__Text;
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_AddMemory(m__Tree, m__Text, sizeof(m__Text), &m__SystemError,
                                                       const_cast<char*>(c__Memory), 4, nullptr, 2, nullptr),
              2u);
    EXPECT_EQ(Kids(m__Tree, nullptr), (std::vector<std::string>{"docs", "MEM.TXT"}));
    PVOID l__Docs = Kid(m__Tree, nullptr, "docs");
    PVOID l__Notes = Kid(m__Tree, l__Docs, "notes.txt");
    ASSERT_NE(l__Notes, nullptr);
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetParent(m__Tree, l__Notes), l__Docs);
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetParent(m__Tree, l__Docs), Tarnwick_ISO9660FileTree_GetRoot(m__Tree));
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetAttributes(m__Tree, l__Notes), 0x20u);
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetNodeSize(m__Tree, l__Notes), 70000u);

    // Renamed: the new names are the node's; the root is nobody's kid and keeps its name.
    EXPECT_TRUE(Tarnwick_ISO9660JolietFileTree_RenameNode(m__Tree, l__Notes, const_cast<PCHAR>("renamed.txt"),
                                                          const_cast<PCHAR>("RENAMED.TXT")));
    char l__Long[260], l__Short[260];
    Tarnwick_ISO9660JolietFileTree_GetNames(m__Tree, l__Notes, nullptr, l__Long, l__Short);
    EXPECT_STREQ(l__Long, "renamed.txt");
    EXPECT_STREQ(l__Short, "RENAMED.TXT");
    EXPECT_FALSE(Tarnwick_ISO9660JolietFileTree_RenameNode(m__Tree, Tarnwick_ISO9660FileTree_GetRoot(m__Tree),
                                                           const_cast<PCHAR>("x"), const_cast<PCHAR>("X")));
    EXPECT_FALSE(Tarnwick_ISO9660JolietFileTree_RenameNode(m__Tree, l__Notes, nullptr, nullptr));
    // A name that starts with a colon is handed out with that character cleared.
    ASSERT_TRUE(Tarnwick_ISO9660JolietFileTree_RenameNode(m__Tree, l__Notes, const_cast<PCHAR>(":odd"),
                                                          const_cast<PCHAR>("ODD")));
    Tarnwick_ISO9660JolietFileTree_GetNames(m__Tree, l__Notes, nullptr, l__Long, nullptr);
    EXPECT_EQ(l__Long[0], '\0');
    EXPECT_STREQ(l__Long + 1, "odd");

    // A kid with its subtree: deep and x.bin go with it.
    PVOID l__Deep = Kid(m__Tree, l__Docs, "deep");
    m__Reports.m__Removed = 0;
    EXPECT_TRUE(Tarnwick_ISO9660JolietFileTree_DeleteNode(m__Tree, &l__Deep));
    EXPECT_EQ(l__Deep, nullptr);
    EXPECT_EQ(m__Reports.m__Removed, 2);
    EXPECT_EQ(Kids(m__Tree, l__Docs), std::vector<std::string>{""});  // ":odd", colon cleared
    EXPECT_FALSE(Tarnwick_ISO9660JolietFileTree_DeleteNode(m__Tree, &l__Deep));
    EXPECT_FALSE(Tarnwick_ISO9660JolietFileTree_DeleteNode(m__Tree, nullptr));

    // Once built, the image reads the nodes' own sources: nothing is deleted or renamed then.
    ASSERT_EQ(Build(m__Tree), 0u) << m__Text;
    EXPECT_FALSE(Tarnwick_ISO9660JolietFileTree_DeleteNode(m__Tree, &l__Notes));
    EXPECT_FALSE(Tarnwick_ISO9660JolietFileTree_RenameNode(m__Tree, l__Notes, const_cast<PCHAR>("late.txt"),
                                                           const_cast<PCHAR>("LATE.TXT")));
    const std::string l__Image = ImageFile(m__Tree);
    REQUIRE_TOOL("isoinfo");
    std::string l__Memory;
    ASSERT_EQ(RecorderUnderTest::Run("isoinfo -i '" + l__Image + "' -x '/MEM.TXT;1'", &l__Memory), 0);
    EXPECT_EQ(l__Memory, c__Memory);
}

TEST_F(FileTreeFamily, RootIsDeletedAndTheTreeStartsAgain) {
    ASSERT_EQ(Create(&m__Tree), 0u);
    ASSERT_EQ(Add(m__Tree, &m__Dir), 0u) << m__Text;
    PVOID l__Root = Tarnwick_ISO9660FileTree_GetRoot(m__Tree);
    EXPECT_TRUE(Tarnwick_ISO9660JolietFileTree_DeleteNode(m__Tree, &l__Root));
    EXPECT_EQ(l__Root, nullptr);
    EXPECT_EQ(Tarnwick_ISO9660FileTree_GetRoot(m__Tree), nullptr);
    EXPECT_EQ(m__Reports.m__Removed, 5);  // x.bin, deep, notes.txt, docs, the root
    ASSERT_EQ(Add(m__Tree, &m__Dir), 0u) << m__Text;
    EXPECT_EQ(Kids(m__Tree, nullptr), std::vector<std::string>{"docs"});
}

TEST_F(FileTreeFamily, NullAndForeignReferencesAreRefused) {
    NotATree l__NotATree;
    ASSERT_EQ(Create(&m__Tree), 0u);
    ASSERT_EQ(Add(m__Tree, &m__Dir), 0u) << m__Text;
    PVOID l__Node = Kid(m__Tree, nullptr, "docs");
    char l__Name[260] = "unchanged";
    for (PVOID l__Bad : {static_cast<PVOID>(nullptr), static_cast<PVOID>(static_cast<CTarnwick_EmptyBase*>(&l__NotATree))}) {
        SCOPED_TRACE(l__Bad == nullptr ? "NULL" : "foreign");
        PVOID l__Parent = nullptr;
        EXPECT_EQ(Add(l__Bad, &m__Dir, nullptr, &l__Parent), 2u);
        EXPECT_EQ(l__Parent, nullptr);
        EXPECT_NE(std::string(m__Text).find("p__PVOID__Tree is not a tree"), std::string::npos) << m__Text;
        EXPECT_EQ(Build(l__Bad), 2u);
        EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_BuildImageEx(l__Bad, m__Text, sizeof(m__Text), nullptr, 0, 0, 0, nullptr,
                                                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                              nullptr, nullptr, nullptr),
                  2u);
        ULONG l__Result = 0;
        Read(l__Bad, 16, &l__Result);
        EXPECT_EQ(l__Result, 2u);
        EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_SeekToBegin(l__Bad, nullptr, 0, nullptr), 2u);
        EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_SetBootImage(l__Bad, l__Name, 0, 0, nullptr, 0, nullptr), 2u);
        EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_AddMemory(l__Bad, nullptr, 0, nullptr, l__Name, 1, l__Name, 0, nullptr),
                  2u);
        ULONG l__High = 7;
        EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetSizeInUCHARs(l__Bad, &l__High), 0u);
        EXPECT_EQ(l__High, 0u);
        EXPECT_EQ(Tarnwick_ISO9660FileTree_GetRoot(l__Bad), nullptr);
        EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetTreeLevel(l__Bad), 0u);
        Tarnwick_ISO9660JolietFileTree_Cancel(l__Bad);
        PVOID l__Victim = l__Node;
        EXPECT_FALSE(Tarnwick_ISO9660JolietFileTree_DeleteNode(l__Bad, &l__Victim));
        EXPECT_EQ(l__Victim, l__Node);
        EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetFirstKid(l__Bad, l__Node), nullptr);
        EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetNextKid(l__Bad, l__Node), nullptr);
        EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetParent(l__Bad, l__Node), nullptr);
        EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetAttributes(l__Bad, l__Node), 0u);
        EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetNodeSize(l__Bad, l__Node), 0u);
        Tarnwick_ISO9660JolietFileTree_GetNames(l__Bad, l__Node, l__Name, l__Name, l__Name);
        EXPECT_STREQ(l__Name, "unchanged");
        EXPECT_FALSE(Tarnwick_ISO9660JolietFileTree_RenameNode(l__Bad, l__Node, l__Name, l__Name));
    }
    // A tree with NULL nodes: the root stands in where a directory is asked for.
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetFirstKid(m__Tree, nullptr), l__Node);
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetNextKid(m__Tree, nullptr), nullptr);
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_GetParent(m__Tree, nullptr), nullptr);
    Tarnwick_ISO9660JolietFileTree_GetNames(m__Tree, nullptr, l__Name, nullptr, nullptr);
    EXPECT_STREQ(l__Name, "unchanged");
    PVOID l__NoNode = nullptr;
    EXPECT_FALSE(Tarnwick_ISO9660JolietFileTree_DeleteNode(m__Tree, &l__NoNode));
    Tarnwick_Destroy(nullptr);
}

TEST_F(FileTreeFamily, CProgramMastersATree) { EXPECT_EQ(TarnwickTest_MasterTreeFromC(m__Dir.c_str()), 0); }

TEST(FileTreeFamilyOnRecorder, TreeBuiltThroughTheFlatFunctionsIsBurnedAndListed) {
    FakeClock l__Clock;
    RecorderUnderTest l__Recorder("cdr");
    namespace fs = std::filesystem;
    fs::path l__Source = fs::path(l__Recorder.Dir()) / "source";
    fs::create_directories(l__Source / "music");
    std::ofstream(l__Source / "Long Name Notes.txt") << "long\n";
    std::ofstream(l__Source / "music" / "track.dat") << std::string(5000, 't');

    ASSERT_EQ(Tarnwick_UpStart(), 0u);
    char l__Text[1024] = {};
    ULONG l__SystemError = 0;
    CDB_FAILURE_INFORMATION l__Info;
    PVOID l__Burner = nullptr;
    ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_Create(&l__Burner, l__Text, sizeof(l__Text), &l__SystemError, &l__Info,
                                                [](ULONG, PVOID, PVOID, PVOID) {}, nullptr, 0, 0, 0, 0, 0),
              0u)
        << l__Text;
    PVOID l__Tree = nullptr;
    ASSERT_EQ(Tarnwick_ISO9660JolietFileTree_Create(&l__Tree, nullptr, 0, nullptr, nullptr, nullptr, 0, 0, 0, 1), 0u);
    std::string l__Path = l__Source.string() + "/";
    ASSERT_EQ(Tarnwick_ISO9660JolietFileTree_Add(l__Tree, l__Text, sizeof(l__Text), &l__SystemError, l__Path.data(),
                                                 nullptr, 2, nullptr),
              0u)
        << l__Text;
    ASSERT_EQ(Tarnwick_ISO9660FileTree_BuildImage(l__Tree, l__Text, sizeof(l__Text), &l__SystemError, 0,
                                                  Tarnwick_ISO9660JolietFileTree_GetTreeLevel(l__Tree), TRUE,
                                                  const_cast<PCHAR>("ONRECORDER"), nullptr, nullptr),
              0u)
        << l__Text;
    ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromTree(l__Burner, l__Text, sizeof(l__Text), &l__SystemError,
                                                             &l__Info, l__Tree, 1, 0, 1, 1, 5),
              0u)
        << l__Text;
    ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_CloseSession(l__Burner, l__Text, sizeof(l__Text), &l__SystemError, &l__Info),
              0u);
    Tarnwick_Destroy(&l__Tree);
    Tarnwick_Destroy(&l__Burner);
    Tarnwick_DownShut();

    const std::string l__Iso = l__Recorder.Dir() + "/out.iso";
    ASSERT_EQ(l__Recorder.Vdisc("export {} --track 1 '" + l__Iso + "'"), 0);
    REQUIRE_TOOL("isoinfo");
    std::string l__Listing;
    ASSERT_EQ(RecorderUnderTest::Run("isoinfo -i '" + l__Iso + "' -J -l", &l__Listing), 0) << l__Listing;
    EXPECT_NE(l__Listing.find("Long Name Notes.txt"), std::string::npos) << l__Listing;
    EXPECT_NE(l__Listing.find("track.dat"), std::string::npos) << l__Listing;
    std::string l__Track;
    ASSERT_EQ(RecorderUnderTest::Run("isoinfo -i '" + l__Iso + "' -x '/SOURCE/MUSIC/TRACK.DAT;1'", &l__Track), 0);
    EXPECT_TRUE(l__Track == std::string(5000, 't')) << l__Track.size() << " bytes";
}

}  // namespace
