// DVD-Video trees authored by outside tools, mastered by tarnwick-mkiso --udf-bridge and judged
// by outside readers: lsdvd and dvdbackup read the image as they read the directory, the IFO and
// BUP files carry the sectors where the files really lie (worked out here from isoinfo's extents
// and the file sizes), and every other byte of every file is the directory's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "BoundedProcess.h"
#include "DvdVideoFixture.h"
#include "ExternalTool.h"
#include "ScratchDirectory.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

constexpr size_t SECTOR = 2048;
const char* const LABEL = "TARNWICK_DVD";

std::string Mkiso() { return std::string(TARNWICK_BINARY_DIR) + "/tools/mkiso/tarnwick-mkiso"; }

Bytes ReadFile(const std::string& p__File) {
    std::ifstream l__Stream(p__File, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& p__File, const Bytes& p__Bytes) {
    std::ofstream(p__File, std::ios::binary).write(reinterpret_cast<const char*>(p__Bytes.data()),
                                                 static_cast<std::streamsize>(p__Bytes.size()));
}

uint32_t Be32(const Bytes& p__Bytes, size_t p__At) {
    return (uint32_t{p__Bytes.at(p__At)} << 24) | (uint32_t{p__Bytes.at(p__At + 1)} << 16) |
           (uint32_t{p__Bytes.at(p__At + 2)} << 8) | p__Bytes.at(p__At + 3);
}

void PutBe32(Bytes& p__Bytes, size_t p__At, uint32_t p__Value) {
    for (int i = 0; i < 4; ++i) p__Bytes.at(p__At + i) = static_cast<uint8_t>(p__Value >> (24 - 8 * i));
}

// "VTS_nn_": the names of title set N begin so.
std::string TitleSet(unsigned p__Set) { return "VTS_" + std::string(p__Set < 10 ? "0" : "") + std::to_string(p__Set) + "_"; }

uint32_t Sectors(uint64_t p__Bytes) { return static_cast<uint32_t>((p__Bytes + SECTOR - 1) / SECTOR); }

// A file as isoinfo lists it on the ISO9660 side of the image.
struct Extent {
    uint32_t m__Sector = 0;
    uint64_t m__Size = 0;
};

class DvdVideoImage : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::string& l__Tool : DvdVideoFixture::Tools()) REQUIRE_TOOL(l__Tool);
        REQUIRE_TOOL("isoinfo");
        REQUIRE_TOOL("7z");
        REQUIRE_TOOL("udfinfo");
        ASSERT_TRUE(fs::exists(Mkiso())) << Mkiso() << " is not built";
    }

    // A program's exit code (-1: killed or did not run), its merged output in p__Output.
    int Run(const std::vector<std::string>& p__Arguments, std::string* p__Output = nullptr) {
        BoundedProcess l__Process(p__Arguments, m__Scratch / "run.out");
        BoundedProcess::Result l__Result = l__Process.Run(300);
        if (p__Output != nullptr) *p__Output = l__Process.Output();
        return l__Result.m__bool__TimedOut ? -1 : l__Result.m__int__Exit;
    }

    // tarnwick-mkiso --udf-bridge of the DVD-Video directory; the image's path.
    std::string Master(const std::string& p__Dvd, const std::string& p__Name) {
        const std::string l__Image = m__Scratch / p__Name;
        std::string l__Output;
        int l__Exit = Run({Mkiso(), "--udf-bridge", "-V", LABEL, "-o", l__Image, p__Dvd}, &l__Output);
        EXPECT_EQ(l__Exit, 0) << l__Output;
        return l__Image;
    }

    // The files of /VIDEO_TS/ on the ISO9660 side, by name, from "isoinfo -l".
    std::map<std::string, Extent> VideoTsExtents(const std::string& p__Image) {
        std::string l__Output;
        EXPECT_EQ(Run({"isoinfo", "-l", "-i", p__Image}, &l__Output), 0) << l__Output;
        std::map<std::string, Extent> l__Extents;
        const std::regex l__Record("^-\\S*\\s+\\d+\\s+\\d+\\s+\\d+\\s+(\\d+)\\s+.*\\[\\s*(\\d+)\\s+\\d+\\]\\s+([^;\\s]+);1\\s*$");
        std::istringstream l__Lines(l__Output);
        std::string l__Line, l__Directory;
        std::smatch l__Match;
        while (std::getline(l__Lines, l__Line)) {
            if (l__Line.starts_with("Directory listing of ")) {
                l__Directory = l__Line.substr(21);
            } else if (l__Directory.starts_with("/VIDEO_TS/") && std::regex_match(l__Line, l__Match, l__Record)) {
                l__Extents[l__Match[3]] = {static_cast<uint32_t>(std::stoul(l__Match[2])), std::stoull(l__Match[1])};
            }
        }
        return l__Extents;
    }

    // The bytes of a file of the image by its extent.
    static Bytes ReadExtent(const std::string& p__Image, const Extent& p__Extent) {
        std::ifstream l__Stream(p__Image, std::ios::binary);
        Bytes l__Bytes(p__Extent.m__Size);
        l__Stream.seekg(static_cast<std::streamoff>(uint64_t{p__Extent.m__Sector} * SECTOR));
        l__Stream.read(reinterpret_cast<char*>(l__Bytes.data()), static_cast<std::streamsize>(l__Bytes.size()));
        EXPECT_EQ(static_cast<size_t>(l__Stream.gcount()), l__Bytes.size()) << "extent beyond the image's end";
        return l__Bytes;
    }

    // What the file of p__Dvd/VIDEO_TS should hold in an image whose files lie at p__Extents:
    // an IFO or BUP gets the last sector of its set (relative to the set's IFO) at 12 and the
    // last sector of the IFO at 28; VIDEO_TS.IFO/BUP's title table gets each title's title set
    // start relative to VIDEO_TS.IFO; every other byte stays as it is.
    static Bytes Expected(const std::string& p__Dvd, const std::string& p__Name,
                          const std::map<std::string, Extent>& p__Extents) {
        Bytes l__Bytes = ReadFile(p__Dvd + "/VIDEO_TS/" + p__Name);
        const std::string l__Ext = p__Name.substr(p__Name.size() - 4);
        if (l__Ext != ".IFO" && l__Ext != ".BUP") return l__Bytes;
        const std::string l__Set = p__Name.substr(0, p__Name.size() - 4);  // VIDEO_TS or VTS_nn_0
        const Extent& l__Ifo = p__Extents.at(l__Set + ".IFO");
        const Extent& l__Bup = p__Extents.at(l__Set + ".BUP");
        PutBe32(l__Bytes, 12, l__Bup.m__Sector + Sectors(l__Bup.m__Size) - 1 - l__Ifo.m__Sector);
        PutBe32(l__Bytes, 28, Sectors(l__Ifo.m__Size) - 1);
        if (l__Set == "VIDEO_TS") {
            const size_t l__Table = Be32(l__Bytes, 196) * SECTOR;
            const unsigned l__Titles = (unsigned{l__Bytes.at(l__Table)} << 8) | l__Bytes.at(l__Table + 1);
            for (unsigned i = 0; i < l__Titles; ++i) {
                const size_t l__Entry = l__Table + 8 + 12 * i;
                const Extent& l__Vts = p__Extents.at(TitleSet(l__Bytes.at(l__Entry + 6)) + "0.IFO");
                PutBe32(l__Bytes, l__Entry + 8, l__Vts.m__Sector - l__Ifo.m__Sector);
            }
        }
        return l__Bytes;
    }

    // Masters p__Dvd and checks every VIDEO_TS file of the image against Expected() (from the
    // image bytes at isoinfo's extents and from 7z's extraction), and the DVD order of the files.
    void CheckFiles(const std::string& p__Dvd, const std::string& p__Image) {
        const std::map<std::string, Extent> l__Extents = VideoTsExtents(p__Image);
        std::vector<std::string> l__Names;
        for (const auto& l__Entry : fs::directory_iterator(p__Dvd + "/VIDEO_TS"))
            l__Names.push_back(l__Entry.path().filename().string());
        ASSERT_EQ(l__Extents.size(), l__Names.size()) << ::testing::PrintToString(l__Names);

        const std::string l__Extracted = m__Scratch / ("7z-" + fs::path(p__Image).filename().string());
        std::string l__Output;
        ASSERT_EQ(Run({"7z", "x", "-y", "-o" + l__Extracted, p__Image}, &l__Output), 0) << l__Output;
        for (const std::string& l__Name : l__Names) {
            SCOPED_TRACE(l__Name);
            ASSERT_EQ(l__Extents.count(l__Name), 1u);
            const Bytes l__Want = Expected(p__Dvd, l__Name, l__Extents);
            EXPECT_EQ(l__Extents.at(l__Name).m__Size, l__Want.size());
            EXPECT_TRUE(ReadExtent(p__Image, l__Extents.at(l__Name)) == l__Want) << "ISO9660 extent";
            EXPECT_TRUE(ReadFile(l__Extracted + "/VIDEO_TS/" + l__Name) == l__Want) << "7z";
        }
        EXPECT_TRUE(fs::is_directory(l__Extracted + "/AUDIO_TS"));

        // DVD order: each set's IFO, its VOBs, then its BUP, VIDEO_TS first, sets one after another.
        uint32_t l__Previous = 0;
        std::string l__PreviousName;
        for (unsigned l__Set = 0; l__Set < 100; ++l__Set) {
            std::vector<std::string> l__Order;
            if (l__Set == 0) {
                l__Order = {"VIDEO_TS.IFO", "VIDEO_TS.VOB", "VIDEO_TS.BUP"};
            } else {
                const std::string l__Prefix = TitleSet(l__Set);
                l__Order.push_back(l__Prefix + "0.IFO");
                for (int l__Vob = 0; l__Vob < 10; ++l__Vob) l__Order.push_back(l__Prefix + std::to_string(l__Vob) + ".VOB");
                l__Order.push_back(l__Prefix + "0.BUP");
            }
            for (const std::string& l__Name : l__Order) {
                auto l__At = l__Extents.find(l__Name);
                if (l__At == l__Extents.end() || l__At->second.m__Size == 0) continue;
                EXPECT_GT(l__At->second.m__Sector, l__Previous) << l__Name << " lies before " << l__PreviousName;
                l__Previous = l__At->second.m__Sector;
                l__PreviousName = l__Name;
            }
        }
    }

    ScratchDirectory m__Scratch{"tarnwick-dvdvideo-test"};
};

TEST_F(DvdVideoImage, ReadsAsTheDiscItsDirectoryIs) {
    const std::string l__Dvd = DvdVideoFixture::Directory(1);
    const DvdVideoFixture::Listing l__FromDirectory = DvdVideoFixture::List(l__Dvd);
    ASSERT_EQ(l__FromDirectory.m__Titles.size(), 1u) << l__FromDirectory.m__Text;
    ASSERT_EQ(l__FromDirectory.m__Titles[0].m__Chapters.size(), 3u) << l__FromDirectory.m__Text;

    const std::string l__Image = Master(l__Dvd, "one.iso");
    const DvdVideoFixture::Listing l__FromImage = DvdVideoFixture::List(l__Image);
    EXPECT_EQ(l__FromImage.m__Exit, 0) << l__FromImage.m__Text;
    EXPECT_EQ(l__FromImage.m__Label, LABEL) << l__FromImage.m__Text;
    EXPECT_EQ(l__FromImage.m__Titles, l__FromDirectory.m__Titles) << l__FromImage.m__Text;

    // The label on both sides of the bridge.
    std::string l__Output;
    EXPECT_EQ(Run({"udfinfo", l__Image}, &l__Output), 0) << l__Output;
    EXPECT_NE(l__Output.find(std::string("\nlabel=") + LABEL + "\n"), std::string::npos) << l__Output;
    EXPECT_EQ(Run({"isoinfo", "-d", "-i", l__Image}, &l__Output), 0) << l__Output;
    EXPECT_NE(l__Output.find(std::string("Volume id: ") + LABEL + "\n"), std::string::npos) << l__Output;

    // dvdbackup shows the label in title case with spaces for underscores.
    std::string l__Backup, l__Title = DvdVideoFixture::BackupTitle(l__Image, &l__Backup);
    std::transform(l__Title.begin(), l__Title.end(), l__Title.begin(),
                   [](unsigned char c) { return c == ' ' ? '_' : static_cast<char>(std::toupper(c)); });
    EXPECT_EQ(l__Title, LABEL) << l__Backup;
    // dvdbackup lists the title set it finds the main feature in.
    EXPECT_NE(l__Backup.find("Title set containing the main feature is 1"), std::string::npos) << l__Backup;
    EXPECT_NE(l__Backup.find("VTS_01_1.VOB"), std::string::npos) << l__Backup;
}

TEST_F(DvdVideoImage, IfoAndBupCarryTheSectorsTheFilesLieAtAndTheVobsAreCopiedAsTheyAre) {
    const std::string l__Dvd = DvdVideoFixture::Directory(1);
    const std::string l__Image = Master(l__Dvd, "one.iso");
    CheckFiles(l__Dvd, l__Image);
}

TEST_F(DvdVideoImage, EveryTitleOfTwoTitleSetsStartsAtItsOwnSetWhateverTheSourceIfosSaid) {
    const std::string l__Authored = DvdVideoFixture::Directory(2);
    const DvdVideoFixture::Listing l__FromDirectory = DvdVideoFixture::List(l__Authored);
    ASSERT_EQ(l__FromDirectory.m__Titles.size(), 2u) << l__FromDirectory.m__Text;

    // A copy whose IFO and BUP addresses are all wrong: mastering must put the right ones back.
    const std::string l__Dvd = m__Scratch / "scrambled";
    fs::copy(l__Authored, l__Dvd, fs::copy_options::recursive);
    for (const auto& l__Entry : fs::directory_iterator(l__Dvd + "/VIDEO_TS")) {
        const std::string l__Name = l__Entry.path().filename().string();
        if (!l__Name.ends_with(".IFO") && !l__Name.ends_with(".BUP")) continue;
        Bytes l__Bytes = ReadFile(l__Entry.path().string());
        PutBe32(l__Bytes, 12, 0x00777777);
        PutBe32(l__Bytes, 28, 0x00666666);
        if (l__Name.starts_with("VIDEO_TS")) {
            const size_t l__Table = Be32(l__Bytes, 196) * SECTOR;
            for (size_t i = 0; i < 2; ++i) PutBe32(l__Bytes, l__Table + 8 + 12 * i + 8, 0x00555555);
        }
        WriteFile(l__Entry.path().string(), l__Bytes);
    }

    const std::string l__Image = Master(l__Dvd, "two.iso");
    CheckFiles(l__Dvd, l__Image);
    const DvdVideoFixture::Listing l__FromImage = DvdVideoFixture::List(l__Image);
    EXPECT_EQ(l__FromImage.m__Exit, 0) << l__FromImage.m__Text;
    EXPECT_EQ(l__FromImage.m__Titles, l__FromDirectory.m__Titles) << l__FromImage.m__Text;
}

}  // namespace
