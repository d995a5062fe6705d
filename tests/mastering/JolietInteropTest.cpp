// Images from tarnwick-mkiso -J judged by third-party readers: names in several scripts and
// outside the BMP, names longer than 64 UTF-16 units and cut ones, deep directories and
// Joliet collisions, listed and extracted under their names.
#include <filesystem>
#include <random>
#include <regex>
#include <set>

#include "MasteringFixture.h"

namespace {

namespace fs = std::filesystem;

struct JolietSource {
    std::set<std::string> m__Expected;  // paths of the files as readers should show them
    size_t m__SIZE__Renamed = 0;        // files that get a "~N" name besides
};

JolietSource GenerateJolietTree(MasteringScratch& p__Scratch) {
    JolietSource l__Source;
    std::mt19937 l__Random(7);
    auto l__Write = [&](const std::string& p__string__Path, const std::string& p__string__Shown, size_t p__SIZE__Size) {
        std::string l__string__Bytes(p__SIZE__Size, '\0');
        for (char& l__CHAR__Byte : l__string__Bytes) l__CHAR__Byte = static_cast<char>(l__Random());
        p__Scratch.File("src/" + p__string__Path, l__string__Bytes);
        if (!p__string__Shown.empty()) l__Source.m__Expected.insert(p__string__Shown);
    };
    const std::string l__string__Emoji = "\xF0\x9F\x98\x80";
    std::string l__string__Japanese;
    for (int l__INT__Index = 0; l__INT__Index < 70; ++l__INT__Index) l__string__Japanese += "\xE6\x97\xA5";
    std::string l__string__Deep = "niveau \xC3\xA9 0";
    for (int l__INT__Level = 1; l__INT__Level < 10; ++l__INT__Level) l__string__Deep += "/niveau \xC3\xA9 " + std::to_string(l__INT__Level);
    const std::string l__string__LongDirectory = std::string(70, 'D') + " \xC3\x9F";
    struct Plain {
        std::string m__string__Name;
        size_t m__SIZE__Size;
    };
    const std::vector<Plain> l__Plain = {
        {"caf\xC3\xA9.txt", 1},
        {"Stra\xC3\x9F" "e.dat", 2049},
        {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt", 4096},
        {l__string__Emoji + " smile.txt", 65537},
        {std::string(80, 'L') + ".txt", 0},
        {l__string__Japanese + ".txt", 300},
        {l__string__Deep + "/bottom " + l__string__Emoji + ".bin", 5000},
        {l__string__LongDirectory + "/inside.txt", 10},
        {"Sub/UPPER.TXT", 3},
        {"Sub/upper.txt", 4},
    };
    for (const Plain& l__Item : l__Plain) l__Write(l__Item.m__string__Name, l__Item.m__string__Name, l__Item.m__SIZE__Size);
    // A ";" that is not the version separator reads as "_".
    l__Write("Report;old.txt", "Report_old.txt", 20);
    // Cut to the same 103 units, and equal once ";" reads as "_": one of each pair is renamed.
    l__Write(std::string(150, 'C') + "1.dat", std::string(97, 'C') + ".dat", 30);
    l__Write(std::string(150, 'C') + "2.dat", "", 31);
    l__Write("Sub/a;b.txt", "Sub/a_b.txt", 40);
    l__Write("Sub/a_b.txt", "", 41);
    l__Source.m__SIZE__Renamed = 2;
    return l__Source;
}

// The paths a listing shows, one a line, each after p__string__Prefix (quoted when p__bool__Quoted).
std::set<std::string> Listed(const std::string& p__string__Text, const std::string& p__string__Prefix, bool p__bool__Quoted) {
    std::set<std::string> l__Paths;
    std::istringstream l__Stream(p__string__Text);
    std::string l__string__Line;
    while (std::getline(l__Stream, l__string__Line)) {
        if (l__string__Line.compare(0, p__string__Prefix.size(), p__string__Prefix) != 0) continue;
        std::string l__string__Path = l__string__Line.substr(p__string__Prefix.size());
        if (p__bool__Quoted && l__string__Path.size() >= 2) l__string__Path = l__string__Path.substr(1, l__string__Path.size() - 2);
        l__Paths.insert(l__string__Path);
    }
    return l__Paths;
}

std::set<std::string> ExtractedPaths(const std::string& p__string__Directory) {
    std::set<std::string> l__Paths;
    for (const fs::directory_entry& l__Entry : fs::recursive_directory_iterator(p__string__Directory))
        if (l__Entry.is_regular_file()) l__Paths.insert(fs::relative(l__Entry.path(), p__string__Directory).string());
    return l__Paths;
}

// Every expected path is there, and the renamed ones besides, under a "~N" name.
void ExpectNames(const std::set<std::string>& p__Listed, const JolietSource& p__Source, const char* p__PCHAR__Reader) {
    SCOPED_TRACE(p__PCHAR__Reader);
    std::set<std::string> l__Extra;
    for (const std::string& l__string__Path : p__Listed)
        if (p__Source.m__Expected.count(l__string__Path) == 0) l__Extra.insert(l__string__Path);
    for (const std::string& l__string__Path : p__Source.m__Expected) EXPECT_EQ(p__Listed.count(l__string__Path), 1u) << l__string__Path;
    ASSERT_EQ(l__Extra.size(), p__Source.m__SIZE__Renamed);
    EXPECT_TRUE(std::regex_match(*l__Extra.begin(), std::regex("C{90,96}~[0-9]+\\.dat"))) << *l__Extra.begin();
    EXPECT_TRUE(std::regex_match(*l__Extra.rbegin(), std::regex("Sub/a_b~[0-9]+\\.txt"))) << *l__Extra.rbegin();
}

}  // namespace

TEST(Interop, JolietNamesAreListedAndExtractedByEveryReader) {
    REQUIRE_TOOL("isovfy");
    REQUIRE_TOOL("isoinfo");
    REQUIRE_TOOL("xorriso");
    REQUIRE_TOOL("7z");
    REQUIRE_TOOL("bsdtar");
    MasteringScratch l__Scratch;
    JolietSource l__Source = GenerateJolietTree(l__Scratch);
    size_t l__SIZE__Files = l__Source.m__Expected.size() + l__Source.m__SIZE__Renamed;
    std::string l__string__Image = l__Scratch / "joliet.iso";
    auto [l__INT__Status, l__string__Output] = RunCommand(std::string(TARNWICK_MKISO) + " -J -V 'Joliet \xC3\xA9t\xC3\xA9' -o " +
                                                          Quote(l__string__Image) + " " + Quote(l__Scratch / "src") + " 2>&1");
    ASSERT_EQ(l__INT__Status, 0) << l__string__Output;
    EXPECT_NE(l__string__Output.find("renamed, 0 skipped"), std::string::npos) << l__string__Output;

    auto l__Vfy = RunCommand("isovfy " + Quote(l__string__Image) + " 2>&1");
    EXPECT_NE(l__Vfy.second.find("No errors found"), std::string::npos) << l__Vfy.second.substr(0, 4000);
    auto l__Info = RunCommand("isoinfo -d -i " + Quote(l__string__Image) + " 2>&1");
    EXPECT_NE(l__Info.second.find("Joliet with UCS level 1 found"), std::string::npos) << l__Info.second;
    auto l__IsoInfo = RunCommand("isoinfo -J -l -i " + Quote(l__string__Image) + " 2>&1");
    EXPECT_EQ(CountLines(l__IsoInfo.second, "----------"), l__SIZE__Files) << l__IsoInfo.second;
    EXPECT_NE(l__IsoInfo.second.find(" Report_old.txt;1"), std::string::npos);
    EXPECT_NE(l__IsoInfo.second.find(" " + std::string(80, 'L') + ".txt;1"), std::string::npos);

    auto l__Xorriso = RunCommand("xorriso -indev " + Quote(l__string__Image) + " -find / -type f 2>/dev/null");
    std::set<std::string> l__XorrisoPaths;
    for (const std::string& l__string__Path : Listed(l__Xorriso.second, "'/", false))
        l__XorrisoPaths.insert(l__string__Path.substr(0, l__string__Path.size() - 1));
    ExpectNames(l__XorrisoPaths, l__Source, "xorriso");
    auto l__SevenList = RunCommand("7z l -slt " + Quote(l__string__Image) + " 2>&1");
    std::set<std::string> l__SevenPaths = Listed(l__SevenList.second, "Path = ", false);
    l__SevenPaths.erase(l__string__Image);
    std::set<std::string> l__SevenFiles;
    for (const std::string& l__string__Path : l__SevenPaths)
        if (l__Source.m__Expected.count(l__string__Path) != 0 || l__string__Path.find('~') != std::string::npos)
            l__SevenFiles.insert(l__string__Path);
    ExpectNames(l__SevenFiles, l__Source, "7z l");

    std::multiset<std::pair<uint64_t, uint64_t>> l__Expected = Contents(l__Scratch / "src");
    ASSERT_EQ(l__Expected.size(), l__SIZE__Files);
    std::string l__string__Seven = l__Scratch.Directory("7z");
    auto l__SevenZip = RunCommand("7z x -y -o" + Quote(l__string__Seven) + " " + Quote(l__string__Image) + " 2>&1");
    EXPECT_EQ(l__SevenZip.first, 0) << l__SevenZip.second.substr(0, 4000);
    EXPECT_EQ(Contents(l__string__Seven), l__Expected);
    ExpectNames(ExtractedPaths(l__string__Seven), l__Source, "7z x");
    std::string l__string__Tar = l__Scratch.Directory("bsdtar");
    auto l__Bsdtar = RunCommand("bsdtar -xf " + Quote(l__string__Image) + " -C " + Quote(l__string__Tar) + " 2>&1");
    EXPECT_EQ(l__Bsdtar.first, 0) << l__Bsdtar.second.substr(0, 4000);
    EXPECT_EQ(Contents(l__string__Tar), l__Expected);
    ExpectNames(ExtractedPaths(l__string__Tar), l__Source, "bsdtar");

    // The same sources without -J: no supplementary descriptor, and the ISO9660 names.
    std::string l__string__Plain = l__Scratch / "plain.iso";
    ASSERT_EQ(RunCommand(std::string(TARNWICK_MKISO) + " -q -o " + Quote(l__string__Plain) + " " + Quote(l__Scratch / "src")).first, 0);
    EXPECT_EQ(RunCommand("isoinfo -d -i " + Quote(l__string__Plain) + " 2>&1").second.find("Joliet with UCS"), std::string::npos);
}
