// Quorvane continues a first session that has Rock Ridge and no Joliet hierarchy (made by
// xorriso, burned by Pellmark): the import takes the POSIX names, and the new session
// shows them with their case, the link targets and the new file, as xorriso reads it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "PellmarkRun.h"

namespace {

namespace fs = std::filesystem;

// One path of a listing: its ls-style mode string and, for a link, its target.
struct Listed {
    std::string m__string__Mode;
    std::string m__string__Target;
    bool operator==(const Listed&) const = default;
};
using Listing = std::map<std::string, Listed>;

std::ostream& operator<<(std::ostream& p__Out, const Listed& p__Listed) {
    return p__Out << p__Listed.m__string__Mode << " -> '" << p__Listed.m__string__Target << "'";
}

// The ls-style mode string of an lstat mode.
std::string ModeString(mode_t p__Mode) {
    std::string l__Mode = S_ISDIR(p__Mode) ? "d" : S_ISLNK(p__Mode) ? "l" : "-";
    const char* const l__Letters = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i) l__Mode += (p__Mode & (0400 >> i)) != 0 ? l__Letters[i] : '-';
    return l__Mode;
}

// The first session's source: mixed-case names, a name of 200 bytes, links, and a
// directory 10 levels below the root, deeper than ISO9660 allows.
const char* const DEEP = "Deep/l2/l3/l4/l5/l6/l7/l8/l9/Level10";

fs::path MakeFirstSource(const std::string& p__Dir) {
    const fs::path l__Root = fs::path(p__Dir) / "first";
    fs::create_directories(l__Root / DEEP);
    fs::create_directories(l__Root / "CamelDir");
    std::ofstream(l__Root / "MixedCase.TXT") << "mixed\n";
    std::ofstream(l__Root / "lower.txt") << "lower\n";
    std::ofstream(l__Root / "UPPER.TXT") << "upper\n";
    std::ofstream(l__Root / "CamelDir" / "InnerFile.Dat") << "inner\n";
    std::ofstream(l__Root / std::string(200, 'N')) << "long name\n";
    std::ofstream(l__Root / DEEP / "Bottom.txt") << "bottom\n";
    fs::create_symlink("../Deep/l2/Target.txt", l__Root / "CamelDir" / "RelativeLink");
    fs::create_symlink("/etc/hostname", l__Root / "AbsoluteLink");
    EXPECT_EQ(::chmod(l__Root.c_str(), 0750), 0);
    return l__Root;
}

Listing SourceListing(const fs::path& p__Root) {
    Listing l__Listing;
    for (auto l__It = fs::recursive_directory_iterator(p__Root); l__It != fs::recursive_directory_iterator(); ++l__It) {
        struct stat l__Stat = {};
        EXPECT_EQ(::lstat(l__It->path().c_str(), &l__Stat), 0);
        // Appended: GCC 12 warns falsely about "/" + a path's string here.
        std::string l__string__Path(1, '/');
        l__string__Path.append(l__It->path().lexically_relative(p__Root).string());
        l__Listing[l__string__Path] = {
            ModeString(l__Stat.st_mode), S_ISLNK(l__Stat.st_mode) ? fs::read_symlink(l__It->path()).string() : ""};
    }
    return l__Listing;
}

class QuorvaneRockRidge : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TOOL("xorriso");
        REQUIRE_TOOL("isoinfo");
        m__First = MakeFirstSource(m__Run.Dir());
        // xorriso relocates deep directories only when told where to.
        const std::string l__Image = m__Run.Dir() + "/session1.iso";
        std::string l__Output;
        ASSERT_EQ(PellmarkRun::Shell("xorriso -as mkisofs -quiet -R -rr_reloc_dir rr_moved -o " + PellmarkRun::Quote(l__Image) +
                                         " " + PellmarkRun::Quote(m__First.string()) + " 2>&1",
                                     &l__Output),
                  0)
            << l__Output;
        ASSERT_EQ(PellmarkRun::Shell("isoinfo -l -i " + PellmarkRun::Quote(l__Image), &l__Output), 0);
        ASSERT_NE(l__Output.find("Directory listing of /RR_MOVED/"), std::string::npos) << "not relocated\n" << l__Output;
        ASSERT_EQ(PellmarkRun::Shell("isoinfo -d -i " + PellmarkRun::Quote(l__Image), &l__Output), 0);
        ASSERT_NE(l__Output.find("NO Joliet present"), std::string::npos) << l__Output;
        // Session 1 on a CD-R, closed with the disc appendable.
        m__Run.Insert("cdr");
        PellmarkRun::Result l__Burn = m__Run.Burn(l__Image, "0", "1");
        ASSERT_EQ(l__Burn.m__Exit, 0) << l__Burn.m__Out;
        // Session 2: Quorvane imports track 1 and adds one file.
        m__Second = m__Run.MakeSource("second", {{"NewFile.txt", "second session\n"}});
        m__Quorvane = m__Run.Program("samples/quorvane/Quorvane", {"0", "0", "0", "0", m__Second, "0", "1"});
        ASSERT_EQ(m__Quorvane.m__Exit, 0) << m__Quorvane.m__Out;
    }
    // The start of track 2 and the disc up to its end as an image file.
    long SecondStart() {
        std::string l__Info;
        EXPECT_EQ(m__Run.Vdisc("info {}", &l__Info), 0);
        std::smatch m;
        return std::regex_search(l__Info, m, std::regex("\\n\\s+2\\s+[0-9]+\\s+\\S+\\s+([0-9]+)\\s")) ? std::stol(m[1]) : -1;
    }
    std::string SecondImage() {
        const std::string l__Image = m__Run.Dir() + "/disc.iso";
        std::string l__Output;
        EXPECT_EQ(m__Run.Vdisc("export {} --track 2 " + PellmarkRun::Quote(l__Image), &l__Output), 0) << l__Output;
        return l__Image;
    }
    // xorriso's words on session 2 (its "-load sbsector" comes first).
    std::string Xorriso(const std::string& p__Words) {
        const long l__Start = SecondStart();
        EXPECT_GT(l__Start, 0);
        std::string l__Output;
        EXPECT_EQ(PellmarkRun::Shell("xorriso -abort_on FAILURE -load sbsector " + std::to_string(l__Start) + " -indev " +
                                         PellmarkRun::Quote(SecondImage()) + " " + p__Words + " 2>/dev/null",
                                     &l__Output),
                  0)
            << l__Output;
        return l__Output;
    }

    PellmarkRun m__Run;
    fs::path m__First;
    std::string m__Second;
    PellmarkRun::Result m__Quorvane;
};

// Before this, the import asked for the Joliet hierarchy the session does not have and failed.
TEST_F(QuorvaneRockRidge, ImportOfASessionWithoutJolietTakesItsRockRidgeNames) {
    const std::string& o = m__Quorvane.m__Out;
    EXPECT_NE(o.find("Quorvane:main(): Importing track 1... Quorvane:Callback(): Adding name '/', tree node(s) 1\n"),
              std::string::npos)
        << o;
    EXPECT_EQ(o.find("failed"), std::string::npos) << o;
    // Every name of the first session is announced with its case; the relocation directory is not.
    for (const auto& [l__Path, l__Listed] : SourceListing(m__First))
        EXPECT_NE(o.find("Adding name 'ImportingTrack(1):" + l__Path + "'"), std::string::npos) << l__Path;
    EXPECT_EQ(o.find("rr_moved"), std::string::npos) << o;
    // The new session's files read back byte for byte, whichever hierarchy xorriso takes.
    const std::string l__Out = m__Run.Dir() + "/extract";
    Xorriso("-osirrox on -extract / " + PellmarkRun::Quote(l__Out));
    for (const char* l__File : {"MixedCase.TXT", "UPPER.TXT", "lower.txt", "CamelDir/InnerFile.Dat"}) {
        std::ifstream l__Stream(fs::path(l__Out) / l__File, std::ios::binary);
        std::ifstream l__Source(m__First / l__File, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(l__Stream), {}), std::string(std::istreambuf_iterator<char>(l__Source), {}))
            << l__File;
    }
    std::ifstream l__Deep(fs::path(l__Out) / DEEP / "Bottom.txt", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(l__Deep), {}), "bottom\n");
}

// Needs the Rock Ridge writer: the new session carries Rock Ridge of its own.
TEST_F(QuorvaneRockRidge, NewSessionShowsEveryRockRidgeNameLinkAndTheNewFile) {
    Listing l__Disc;
    const std::regex l__Line("^([-dlpcbs][-rwxsStT]{9})\\s+[0-9]+\\s+\\S+\\s+\\S+\\s+[0-9]+\\s+\\S+\\s+\\S+\\s+\\S+\\s+"
                             "'([^']*)'(?: -> '([^']*)')?$");
    std::istringstream l__Lines(Xorriso("-find / -exec lsdl"));
    for (std::string l__Text; std::getline(l__Lines, l__Text);) {
        std::smatch m;
        if (std::regex_match(l__Text, m, l__Line)) l__Disc[m[2]] = {m[1], m[3]};
    }
    ASSERT_FALSE(l__Disc.empty());
    const Listing l__Source = SourceListing(m__First);
    for (const auto& [l__Path, l__Listed] : l__Source) {
        auto l__Found = l__Disc.find(l__Path);
        if (l__Found == l__Disc.end()) {
            ADD_FAILURE() << l__Path << " is not on the disc";
            continue;
        }
        // Links keep their targets; files and directories their kind and permissions.
        EXPECT_EQ(l__Found->second, l__Listed) << l__Path;
    }
    EXPECT_EQ(l__Disc.count("/rr_moved"), 0u);
    // The root keeps the first session's mode.
    struct stat l__Root = {};
    ASSERT_EQ(::lstat(m__First.c_str(), &l__Root), 0);
    EXPECT_EQ(l__Disc["/"].m__string__Mode, ModeString(l__Root.st_mode));
    // The new file under the date directory, with no other name beside the first session's.
    size_t l__New = 0;
    for (const auto& [l__Path, l__Listed] : l__Disc) {
        if (l__Path == "/" || l__Source.count(l__Path)) continue;
        const bool l__bool__NewFile = std::regex_match(l__Path, std::regex("/[A-Za-z_0-9]+(/NewFile\\.txt)?"));
        EXPECT_TRUE(l__bool__NewFile) << l__Path;
        l__New += l__Path.ends_with("/NewFile.txt") ? 1 : 0;
    }
    EXPECT_EQ(l__New, 1u);
}

}  // namespace
