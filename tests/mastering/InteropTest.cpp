// Images from tarnwick-mkiso judged by third-party readers: a generated tree with deep
// directories, odd names, collisions and links; a boot image; a sparse 4.5 GiB file.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "MasteringFixture.h"

namespace {

namespace fs = std::filesystem;

std::string RandomName(std::mt19937& p__Random, size_t p__SIZE__Length) {
    static const std::vector<std::string> s__Pieces = {
        "a", "B", "c", "D", "e", "F", "g", "H", "x", "Y", "z", "0", "7", " ", "-", "_", "!", "#", "$", "%", "&", "'", "(",
        ")", "+", ",", "=", "@", "[", "]", "^", "{", "}", "~", ";", ".", "\xC3\xA4", "\xC3\x9F", "\xC3\xA9", "\xE6\x97\xA5"};
    std::string l__string__Name;
    while (l__string__Name.size() < p__SIZE__Length)
        l__string__Name += s__Pieces[p__Random() % s__Pieces.size()];
    if (l__string__Name == "." || l__string__Name == "..") l__string__Name += "n";
    return l__string__Name;
}

// Builds the tree the interoperability checks use; returns the number of regular files.
size_t GenerateTree(const std::string& p__string__Root) {
    std::mt19937 l__Random(20261207);
    std::vector<std::string> l__Directories{p__string__Root};
    std::string l__string__Deep = p__string__Root;
    for (int l__INT__Level = 1; l__INT__Level <= 8; ++l__INT__Level) {
        l__string__Deep += "/Level " + std::to_string(l__INT__Level) + " d\xC3\xA9j\xC3\xA0";
        fs::create_directories(l__string__Deep);
        l__Directories.push_back(l__string__Deep);
    }
    for (int l__INT__Index = 0; l__INT__Index < 30; ++l__INT__Index) {
        std::string l__string__Directory =
            l__Directories[l__Random() % l__Directories.size()] + "/" + RandomName(l__Random, 4 + l__Random() % 12);
        if (l__string__Directory.size() < 150 && fs::create_directories(l__string__Directory))
            l__Directories.push_back(l__string__Directory);
    }
    size_t l__SIZE__Files = 0;
    std::set<std::string> l__Made;
    auto l__Write = [&](const std::string& p__string__Path, size_t p__SIZE__Size) {
        if (p__string__Path.size() >= 259 || !l__Made.insert(p__string__Path).second) return;
        std::string l__string__Bytes(p__SIZE__Size, '\0');
        for (char& l__CHAR__Byte : l__string__Bytes) l__CHAR__Byte = static_cast<char>(l__Random());
        std::ofstream(p__string__Path, std::ios::binary) << l__string__Bytes;
        ++l__SIZE__Files;
    };
    const size_t l__Sizes[] = {0, 2048, 2049, 1, 4095, 4096, 65537};
    for (size_t l__SIZE__Size : l__Sizes) l__Write(p__string__Root + "/exact size " + std::to_string(l__SIZE__Size), l__SIZE__Size);
    // Names that agree in their first 31 characters (and more).
    for (int l__INT__Index = 0; l__INT__Index < 12; ++l__INT__Index)
        l__Write(l__Directories[l__INT__Index % 3] + "/The very same first thirty-five chars " + std::to_string(l__INT__Index) +
                     ".dat",
                 100 + l__INT__Index);
    for (const char* l__PCHAR__Name : {"README", "readme", "ReadMe", "read me", "semi;colon", "semi;colon;1", "trailing.",
                                       "UPPER.TXT", "upper.txt", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"})
        l__Write(p__string__Root + "/" + l__PCHAR__Name, 10 + std::strlen(l__PCHAR__Name));
    while (l__SIZE__Files < 2000) {
        size_t l__SIZE__Size = l__Random() % 5 == 0 ? l__Sizes[l__Random() % 7] : l__Random() % 40000;
        l__Write(l__Directories[l__Random() % l__Directories.size()] + "/" + RandomName(l__Random, 1 + l__Random() % 40),
                 l__SIZE__Size);
    }
    fs::create_symlink("exact size 2049", p__string__Root + "/link to a file");
    fs::create_directory_symlink("../..", l__Directories[2] + "/cycle back up");
    return l__SIZE__Files + 1;  // the link to a file is read as a file of its own
}

}  // namespace

TEST(Interop, GeneratedTreeIsReadAndExtractedByEveryReader) {
    REQUIRE_TOOL("isovfy");
    REQUIRE_TOOL("isoinfo");
    REQUIRE_TOOL("xorriso");
    REQUIRE_TOOL("iso-info");
    REQUIRE_TOOL("7z");
    REQUIRE_TOOL("bsdtar");
    MasteringScratch l__Scratch;
    std::string l__string__Source = l__Scratch.Directory("src");
    size_t l__SIZE__Files = GenerateTree(l__string__Source);
    std::string l__string__Image = l__Scratch / "tree.iso";
    auto [l__INT__Status, l__string__Output] =
        RunCommand(std::string(TARNWICK_MKISO) + " -q -V GENERATED -o " + Quote(l__string__Image) + " " + Quote(l__string__Source) + " 2>&1");
    ASSERT_EQ(l__INT__Status, 0) << l__string__Output;

    auto l__Vfy = RunCommand("isovfy " + Quote(l__string__Image) + " 2>&1");
    EXPECT_EQ(l__Vfy.first, 0);
    EXPECT_NE(l__Vfy.second.find("No errors found"), std::string::npos) << l__Vfy.second.substr(0, 4000);

    auto l__IsoInfo = RunCommand("isoinfo -l -i " + Quote(l__string__Image) + " 2>&1");
    EXPECT_EQ(CountLines(l__IsoInfo.second, "----------"), l__SIZE__Files);
    auto l__Xorriso = RunCommand("xorriso -indev " + Quote(l__string__Image) + " -find / -type f 2>/dev/null");
    EXPECT_EQ(CountLines(l__Xorriso.second, "'/"), l__SIZE__Files);
    auto l__Cdio = RunCommand("iso-info --no-header -l " + Quote(l__string__Image) + " 2>&1");
    EXPECT_EQ(CountLines(l__Cdio.second, "  - [LSN"), l__SIZE__Files);

    std::multiset<std::pair<uint64_t, uint64_t>> l__Expected = Contents(l__string__Source);
    ASSERT_EQ(l__Expected.size(), l__SIZE__Files);
    std::string l__string__Seven = l__Scratch.Directory("7z");
    auto l__SevenZip = RunCommand("7z x -y -o" + Quote(l__string__Seven) + " " + Quote(l__string__Image) + " 2>&1");
    EXPECT_EQ(l__SevenZip.first, 0) << l__SevenZip.second.substr(0, 4000);
    EXPECT_EQ(Contents(l__string__Seven), l__Expected);
    std::string l__string__Tar = l__Scratch.Directory("bsdtar");
    auto l__Bsdtar = RunCommand("bsdtar -xf " + Quote(l__string__Image) + " -C " + Quote(l__string__Tar) + " 2>&1");
    EXPECT_EQ(l__Bsdtar.first, 0) << l__Bsdtar.second.substr(0, 4000);
    EXPECT_EQ(Contents(l__string__Tar), l__Expected);

    // 8.3 identifiers read back just as well.
    std::string l__string__Level1 = l__Scratch / "level1.iso";
    ASSERT_EQ(RunCommand(std::string(TARNWICK_MKISO) + " -q --level1 -o " + Quote(l__string__Level1) + " " + Quote(l__string__Source)).first, 0);
    auto l__Vfy1 = RunCommand("isovfy " + Quote(l__string__Level1) + " 2>&1");
    EXPECT_NE(l__Vfy1.second.find("No errors found"), std::string::npos) << l__Vfy1.second.substr(0, 4000);
    std::string l__string__Tar1 = l__Scratch.Directory("bsdtar1");
    EXPECT_EQ(RunCommand("bsdtar -xf " + Quote(l__string__Level1) + " -C " + Quote(l__string__Tar1) + " 2>&1").first, 0);
    EXPECT_EQ(Contents(l__string__Tar1), l__Expected);
}

TEST(Interop, BootImageIsShownWithItsCatalogEntry) {
    REQUIRE_TOOL("xorriso");
    REQUIRE_TOOL("dumpet");
    REQUIRE_TOOL("isovfy");
    MasteringScratch l__Scratch;
    l__Scratch.File("src/hello.txt", "hello");
    std::string l__string__Boot = l__Scratch.File("floppy.img", std::string(1474560, '\x01'));
    std::string l__string__Image = l__Scratch / "boot.iso";
    std::string l__string__Structures = l__Scratch / "structures.bin";
    ASSERT_EQ(RunCommand(std::string(TARNWICK_MKISO) + " -q -b " + Quote(l__string__Boot) + " --system-structures " +
                  Quote(l__string__Structures) + " -o " + Quote(l__string__Image) + " " + Quote(l__Scratch / "src"))
                  .first,
              0);
    auto l__Report = RunCommand("xorriso -indev " + Quote(l__string__Image) + " -report_el_torito plain 2>&1");
    EXPECT_NE(l__Report.second.find("El Torito boot img :   1  BIOS  y  fd1.4  0x07c0  0x06      1"), std::string::npos)
        << l__Report.second;
    auto l__Dumpet = RunCommand("dumpet -i " + Quote(l__string__Image) + " 2>&1");
    EXPECT_NE(l__Dumpet.second.find("Boot Media emulation type: 1.44MB floppy"), std::string::npos) << l__Dumpet.second;
    EXPECT_NE(l__Dumpet.second.find("Media load segment: 0x07c0"), std::string::npos) << l__Dumpet.second;
    EXPECT_NE(l__Dumpet.second.find("Load Sectors: 1 "), std::string::npos) << l__Dumpet.second;
    EXPECT_NE(RunCommand("isovfy " + Quote(l__string__Image) + " 2>&1").second.find("No errors found"), std::string::npos);
    EXPECT_EQ(fs::file_size(l__string__Structures), 24u * 2048);  // up to the root directory
    // A missing source is a clear error with a non-zero exit.
    auto l__Missing = RunCommand(std::string(TARNWICK_MKISO) + " -q -o " + Quote(l__Scratch / "x.iso") + " " + Quote(l__Scratch / "nowhere") + " 2>&1");
    EXPECT_NE(l__Missing.first, 0);
    EXPECT_NE(l__Missing.second.find("cannot find"), std::string::npos) << l__Missing.second;
    EXPECT_NE(RunCommand(std::string(TARNWICK_MKISO) + " 2>/dev/null").first, 0);
}

TEST(Interop, SparseFileOfFourAndAHalfGibibytes) {
    REQUIRE_TOOL("isoinfo");
    REQUIRE_TOOL("xorriso");
    REQUIRE_TOOL("7z");
    MasteringScratch l__Scratch;
    std::string l__string__Source = l__Scratch.Directory("src");
    const uint64_t l__ULONGLONG__Size = 4608ull << 20;
    int l__INT__Handle = ::open((l__string__Source + "/huge.bin").c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(l__INT__Handle, 0);
    ASSERT_EQ(::ftruncate(l__INT__Handle, static_cast<off_t>(l__ULONGLONG__Size)), 0);
    // Marks at the start, across the first extent boundary and at the end.
    ASSERT_EQ(::pwrite(l__INT__Handle, "head", 4, 0), 4);
    ASSERT_EQ(::pwrite(l__INT__Handle, "0123456789", 10, 0xFFFFF800 - 5), 10);
    ASSERT_EQ(::pwrite(l__INT__Handle, "tail", 4, static_cast<off_t>(l__ULONGLONG__Size - 4)), 4);
    ::close(l__INT__Handle);
    l__Scratch.File("src/small.txt", "small");
    std::string l__string__Image = l__Scratch / "huge.iso";
    ASSERT_EQ(RunCommand(std::string(TARNWICK_MKISO) + " -q -o " + Quote(l__string__Image) + " " + Quote(l__string__Source)).first, 0);

    auto l__IsoInfo = RunCommand("isoinfo -l -i " + Quote(l__string__Image) + " 2>&1");
    // isoinfo lists each extent of the file: the first of 4 GiB - 2 KiB, then the rest.
    EXPECT_NE(l__IsoInfo.second.find(std::to_string(0xFFFFF800u)), std::string::npos) << l__IsoInfo.second;
    EXPECT_NE(l__IsoInfo.second.find(std::to_string(l__ULONGLONG__Size - 0xFFFFF800u)), std::string::npos) << l__IsoInfo.second;
    auto l__Xorriso = RunCommand("xorriso -indev " + Quote(l__string__Image) + " -lsl /HUGE.BIN 2>/dev/null");
    EXPECT_NE(l__Xorriso.second.find(std::to_string(l__ULONGLONG__Size)), std::string::npos) << l__Xorriso.second;
    auto l__List = RunCommand("7z l " + Quote(l__string__Image) + " 2>&1");
    EXPECT_NE(l__List.second.find(std::to_string(l__ULONGLONG__Size)), std::string::npos) << l__List.second;
    uint64_t l__ULONGLONG__Got = 0;
    uint64_t l__ULONGLONG__Want = 0;
    std::string l__string__Extracted = l__Scratch / "extracted.bin";
    ASSERT_EQ(RunCommand("7z x -so " + Quote(l__string__Image) + " HUGE.BIN > " + Quote(l__string__Extracted) + " 2>/dev/null").first, 0);
    EXPECT_EQ(Fnv1a(l__string__Extracted, &l__ULONGLONG__Got), Fnv1a(l__string__Source + "/huge.bin", &l__ULONGLONG__Want));
    EXPECT_EQ(l__ULONGLONG__Got, l__ULONGLONG__Size);
}
