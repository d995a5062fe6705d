// UDF and UDF/ISO9660 bridge images from tarnwick-mkiso judged by readers that are not ours:
// the test walker (every descriptor checked), udfinfo, 7z, isoinfo, isovfy and bsdtar; and a
// pure UDF image holding a sparse file of 5 GiB.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "../mastering/MasteringFixture.h"
#include "UdfWalker.h"

namespace {

namespace fs = std::filesystem;

const std::string g__string__MkIso = TARNWICK_BINARY_DIR "/tools/mkiso/tarnwick-mkiso";
constexpr uint32_t MAXIMUM_EXTENT = 0x3FFFF800;

// The toolkit's UDF names: ASCII letters upper-cased, everything else kept.
std::string UpperCase(const std::string& p__string__Name) {
    std::string l__string__Name = p__string__Name;
    for (char& l__char__Character : l__string__Name)
        if (l__char__Character >= 'a' && l__char__Character <= 'z') l__char__Character = static_cast<char>(l__char__Character - 'a' + 'A');
    return l__string__Name;
}

std::string ReadText(const std::string& p__string__Path) {
    std::ifstream l__Stream(p__string__Path, std::ios::binary);
    std::stringstream l__Text;
    l__Text << l__Stream.rdbuf();
    return l__Text.str();
}

// What a program wrote to standard output and to standard error.
struct Outcome {
    int m__int__Status;
    std::string m__string__Output;
    std::string m__string__Errors;
};

Outcome RunTool(const std::string& p__string__Command, const ScratchDirectory& p__Scratch) {
    const std::string l__string__Errors = p__Scratch / "stderr.txt";
    auto [l__int__Status, l__string__Output] = RunCommand(p__string__Command + " 2>" + Quote(l__string__Errors));
    return {l__int__Status, l__string__Output, ReadText(l__string__Errors)};
}

// The value of a "key=value" line, or "" when there is none.
std::string Value(const std::string& p__string__Text, const std::string& p__string__Key) {
    std::istringstream l__Stream(p__string__Text);
    std::string l__string__Line;
    while (std::getline(l__Stream, l__string__Line))
        if (l__string__Line.rfind(p__string__Key + "=", 0) == 0) return l__string__Line.substr(p__string__Key.size() + 1);
    return "";
}

bool MentionsTrouble(const std::string& p__string__Text) {
    std::string l__string__Lower = p__string__Text;
    std::transform(l__string__Lower.begin(), l__string__Lower.end(), l__string__Lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return l__string__Lower.find("warning") != std::string::npos || l__string__Lower.find("error") != std::string::npos;
}

// Every path under a directory ("/A/B") with its bytes, or "<dir>" for a directory.
std::map<std::string, std::string> Tree(const std::string& p__string__Directory) {
    std::map<std::string, std::string> l__Tree;
    for (const fs::directory_entry& l__Entry : fs::recursive_directory_iterator(p__string__Directory)) {
        const std::string l__string__Path = "/" + fs::relative(l__Entry.path(), p__string__Directory).string();
        l__Tree[l__string__Path] = l__Entry.is_directory() ? "<dir>" : ReadText(l__Entry.path().string());
    }
    return l__Tree;
}

std::map<std::string, std::string> UpperCased(const std::map<std::string, std::string>& p__Tree) {
    std::map<std::string, std::string> l__Tree;
    for (const auto& [l__string__Path, l__string__Bytes] : p__Tree) l__Tree[UpperCase(l__string__Path)] = l__string__Bytes;
    return l__Tree;
}

size_t CountDirectories(const UdfWalker::Result& p__Result) {
    return static_cast<size_t>(std::count_if(p__Result.m__Entries.begin(), p__Result.m__Entries.end(),
                                             [](const UdfWalker::Entry& p__Entry) { return p__Entry.m__bool__IsDirectory; }));
}

// What holds for every image the tool makes, as the walker reads it.
void ExpectSoundVolume(const UdfWalker::Result& p__Result, const std::string& p__string__Label) {
    EXPECT_TRUE(p__Result.m__Problems.empty()) << p__Result.ProblemText();
    EXPECT_EQ(p__Result.m__string__StandardIdentifier, "NSR02");
    EXPECT_EQ(p__Result.m__string__VolumeIdentifier, p__string__Label);
    EXPECT_EQ(p__Result.m__string__LogicalVolumeIdentifier, p__string__Label);
    EXPECT_EQ(p__Result.m__string__FileSetIdentifier, p__string__Label);
    EXPECT_EQ(p__Result.m__uint32_t__MainSequence, 32u);
    EXPECT_EQ(p__Result.m__uint32_t__ReserveSequence, 48u);
    // The partition from sector 307, then a tail of 256 anchors that ends the image.
    EXPECT_EQ(p__Result.m__uint32_t__PartitionStart, 307u);
    const uint64_t l__uint64_t__End = uint64_t{p__Result.m__uint32_t__PartitionStart} + p__Result.m__uint32_t__PartitionLength;
    EXPECT_EQ(p__Result.m__uint64_t__Sectors, l__uint64_t__End + 256);
    EXPECT_EQ(p__Result.m__uint64_t__TailAnchorsFrom, l__uint64_t__End);
    const uint64_t l__uint64_t__Last = p__Result.m__uint64_t__Sectors - 1;
    EXPECT_NE(std::find(p__Result.m__Anchors.begin(), p__Result.m__Anchors.end(), 256u), p__Result.m__Anchors.end());
    EXPECT_NE(std::find(p__Result.m__Anchors.begin(), p__Result.m__Anchors.end(), l__uint64_t__Last), p__Result.m__Anchors.end());

    // Every descriptor was checked: both sequences, the integrity sequence, every anchor, the
    // file set, and per entry its File Entry, extended attribute header and File Identifier
    // (plus one parent identifier per directory).
    const size_t l__size_t__Entries = p__Result.m__Entries.size();
    const size_t l__size_t__Directories = CountDirectories(p__Result);
    auto l__Count = [&](uint16_t p__uint16_t__Tag) {
        auto l__Found = p__Result.m__DescriptorsByTag.find(p__uint16_t__Tag);
        return l__Found == p__Result.m__DescriptorsByTag.end() ? size_t{0} : l__Found->second;
    };
    for (uint16_t l__uint16_t__Tag : {1, 4, 5, 6, 7}) EXPECT_EQ(l__Count(l__uint16_t__Tag), 2u) << "tag " << l__uint16_t__Tag;
    EXPECT_EQ(l__Count(8), 3u);
    EXPECT_EQ(l__Count(9), 1u);
    EXPECT_EQ(l__Count(2), 1u + 256u);
    EXPECT_EQ(l__Count(256), 1u);
    EXPECT_EQ(l__Count(261), l__size_t__Entries);
    EXPECT_EQ(l__Count(262), l__size_t__Entries);
    EXPECT_EQ(l__Count(257), l__size_t__Entries - 1 + l__size_t__Directories);
    EXPECT_EQ(p__Result.m__size_t__DescriptorsChecked, 12u + 2u + 257u + 1u + 3 * l__size_t__Entries - 1 + l__size_t__Directories);

    EXPECT_EQ(p__Result.m__uint32_t__IntegrityType, 1u);
    ASSERT_TRUE(p__Result.m__bool__HasIntegrityCounts);
    EXPECT_EQ(p__Result.m__uint32_t__IntegrityFiles, l__size_t__Entries - l__size_t__Directories);
    EXPECT_EQ(p__Result.m__uint32_t__IntegrityDirectories, l__size_t__Directories);
    for (const UdfWalker::Entry& l__Entry : p__Result.m__Entries) {
        SCOPED_TRACE(l__Entry.m__string__Path);
        EXPECT_EQ(l__Entry.m__int__AllocationKind, 0);
        EXPECT_EQ(l__Entry.m__uint32_t__Uid, 0xFFFFFFFFu);
        EXPECT_EQ(l__Entry.m__uint32_t__Gid, 0xFFFFFFFFu);
        EXPECT_EQ(l__Entry.m__uint32_t__Permissions, l__Entry.m__bool__IsDirectory ? 0x14A5u : 0x1084u);
        EXPECT_EQ(l__Entry.m__uint32_t__ExtendedAttributesLength, 132u);
        for (const UdfWalker::Extent& l__Extent : l__Entry.m__Extents) EXPECT_LE(l__Extent.m__uint32_t__Length, MAXIMUM_EXTENT);
    }
}

// The files of the ISO9660 side as isoinfo -l lists them: "/DIR/NAME;1" -> (extent, size).
std::map<std::string, std::pair<uint64_t, uint64_t>> IsoListing(const std::string& p__string__Text) {
    std::map<std::string, std::pair<uint64_t, uint64_t>> l__Files;
    std::istringstream l__Stream(p__string__Text);
    std::string l__string__Line, l__string__Directory;
    while (std::getline(l__Stream, l__string__Line)) {
        if (l__string__Line.rfind("Directory listing of ", 0) == 0) {
            l__string__Directory = l__string__Line.substr(21);
            while (!l__string__Directory.empty() && l__string__Directory.back() == ' ') l__string__Directory.pop_back();
            continue;
        }
        size_t l__size_t__Open = l__string__Line.find('[');
        size_t l__size_t__Close = l__string__Line.find(']');
        if (l__string__Line.size() < 12 || l__size_t__Open == std::string::npos || l__size_t__Close == std::string::npos) continue;
        std::istringstream l__Fields(l__string__Line.substr(0, l__size_t__Open));
        std::string l__string__Mode, l__string__Field;
        std::vector<std::string> l__Columns;
        while (l__Fields >> l__string__Field) l__Columns.push_back(l__string__Field);
        std::istringstream l__Extent(l__string__Line.substr(l__size_t__Open + 1, l__size_t__Close - l__size_t__Open - 1));
        uint64_t l__uint64_t__Extent = 0;
        l__Extent >> l__uint64_t__Extent;
        std::string l__string__Name = l__string__Line.substr(l__size_t__Close + 1);
        l__string__Name.erase(0, l__string__Name.find_first_not_of(' '));
        while (!l__string__Name.empty() && l__string__Name.back() == ' ') l__string__Name.pop_back();
        if (l__Columns.size() < 5 || l__string__Name == "." || l__string__Name == "..") continue;
        l__Files[l__string__Directory + l__string__Name] = {l__uint64_t__Extent, std::stoull(l__Columns[4])};
    }
    return l__Files;
}

// A DVD-Video title: its files in the order a disc holds them, with their sizes in sectors.
const std::vector<std::pair<std::string, uint32_t>> g__Title = {
    {"VIDEO_TS.IFO", 2}, {"VIDEO_TS.VOB", 3}, {"VIDEO_TS.BUP", 2}, {"VTS_01_0.IFO", 2},
    {"VTS_01_0.VOB", 2}, {"VTS_01_1.VOB", 5}, {"VTS_01_0.BUP", 2}};

void PutBe32(std::string& p__string__Bytes, size_t p__size_t__At, uint32_t p__uint32_t__Value) {
    for (int l__int__Index = 0; l__int__Index < 4; ++l__int__Index)
        p__string__Bytes[p__size_t__At + l__int__Index] = static_cast<char>(p__uint32_t__Value >> (24 - 8 * l__int__Index));
}

// Writes the title under p__string__Directory/VIDEO_TS. Its IFO and BUP files already carry the
// sector numbers the layout gives them (the sets are contiguous, in disc order), so the
// mastered image must hold every file unchanged.
void WriteTitle(const MasteringScratch& p__Scratch, const std::string& p__string__Directory) {
    std::mt19937 l__Random(777);
    for (const auto& [l__string__Name, l__uint32_t__Sectors] : g__Title) {
        std::string l__string__Bytes(l__uint32_t__Sectors * 2048, '\0');
        for (char& l__char__Byte : l__string__Bytes) l__char__Byte = static_cast<char>(l__Random());
        const bool l__bool__Manager = l__string__Name.rfind("VIDEO_TS", 0) == 0;
        if (l__string__Name.find(".IFO") != std::string::npos || l__string__Name.find(".BUP") != std::string::npos) {
            std::memcpy(l__string__Bytes.data(), l__bool__Manager ? "DVDVIDEO-VMG" : "DVDVIDEO-VTS", 12);
            PutBe32(l__string__Bytes, 12, l__bool__Manager ? 2 + 3 + 2 - 1 : 2 + 2 + 5 + 2 - 1);  // last sector of the set
            PutBe32(l__string__Bytes, 28, 2 - 1);                                                  // last sector of the IFO
            if (l__bool__Manager) {
                // The title table in the IFO's second sector: one title, in title set 1,
                // which starts 7 sectors after VIDEO_TS.IFO.
                PutBe32(l__string__Bytes, 196, 1);
                std::fill_n(l__string__Bytes.begin() + 2048, 2048, '\0');
                l__string__Bytes[2048 + 1] = 1;
                l__string__Bytes[2048 + 8 + 6] = 1;
                PutBe32(l__string__Bytes, 2048 + 8 + 8, 7);
            }
        }
        p__Scratch.File(p__string__Directory + "/VIDEO_TS/" + l__string__Name, l__string__Bytes);
    }
}

class UdfInteropTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s__Scratch = new MasteringScratch;
        std::mt19937 l__Random(1208);
        auto l__Bytes = [&](size_t p__size_t__Count) {
            std::string l__string__Bytes(p__size_t__Count, '\0');
            for (char& l__char__Byte : l__string__Bytes) l__char__Byte = static_cast<char>(l__Random());
            return l__string__Bytes;
        };
        s__Scratch->File("src/Docs/readme.txt", "hello, readers\n");
        s__Scratch->File("src/Docs/Deep/Deeper/Deepest/leaf.bin", l__Bytes(10000));
        s__Scratch->File("src/empty.txt");
        s__Scratch->File("src/exact.bin", l__Bytes(2048));
        s__Scratch->File("src/one more.bin", l__Bytes(2049));
        s__Scratch->File("src/gr\xC3\xBC\xC3\x9F" "e.txt", "latin one");
        s__Scratch->File("src/\xE6\x97\xA5\xE6\x9C\xAC.txt", "sixteen bits");
        s__Scratch->Directory("src/Empty Dir");
        for (int l__int__Index = 0; l__int__Index < 60; ++l__int__Index)
            s__Scratch->File("src/many/File Number " + std::to_string(l__int__Index) + ".dat", l__Bytes(l__Random() % 20000));
        WriteTitle(*s__Scratch, "dvd");

        s__Pure = new std::string(*s__Scratch / "pure.udf");
        s__Bridge = new std::string(*s__Scratch / "bridge.udf");
        auto l__Pure = RunTool(g__string__MkIso + " --udf -q -V INTEROP -o " + Quote(*s__Pure) + " " + Quote(*s__Scratch / "src"), *s__Scratch);
        if (l__Pure.m__int__Status != 0) ADD_FAILURE() << "tarnwick-mkiso --udf: " << l__Pure.m__string__Errors;
        auto l__Bridge = RunTool(g__string__MkIso + " --udf-bridge -q -V DVDLABEL -o " + Quote(*s__Bridge) + " " + Quote(*s__Scratch / "dvd"),
                             *s__Scratch);
        if (l__Bridge.m__int__Status != 0) ADD_FAILURE() << "tarnwick-mkiso --udf-bridge: " << l__Bridge.m__string__Errors;
        s__PureWalker = new UdfWalker(*s__Pure);
        s__PureWalker->Walk();
        s__BridgeWalker = new UdfWalker(*s__Bridge);
        s__BridgeWalker->Walk();
    }
    static void TearDownTestSuite() {
        delete s__PureWalker;
        delete s__BridgeWalker;
        delete s__Pure;
        delete s__Bridge;
        delete s__Scratch;
        s__PureWalker = s__BridgeWalker = nullptr;
        s__Pure = s__Bridge = nullptr;
        s__Scratch = nullptr;
    }

    static MasteringScratch* s__Scratch;
    static std::string* s__Pure;
    static std::string* s__Bridge;
    static UdfWalker* s__PureWalker;
    static UdfWalker* s__BridgeWalker;
};

MasteringScratch* UdfInteropTest::s__Scratch = nullptr;
std::string* UdfInteropTest::s__Pure = nullptr;
std::string* UdfInteropTest::s__Bridge = nullptr;
UdfWalker* UdfInteropTest::s__PureWalker = nullptr;
UdfWalker* UdfInteropTest::s__BridgeWalker = nullptr;

TEST_F(UdfInteropTest, PureImageWalksCleanWithTheSourceTreeUpperCased) {
    const UdfWalker::Result& l__Result = s__PureWalker->Walk();
    ExpectSoundVolume(l__Result, "INTEROP");
    std::vector<std::string> l__Differences = s__PureWalker->CompareWithDirectory(*s__Scratch / "src", UpperCase);
    EXPECT_TRUE(l__Differences.empty()) << ::testing::PrintToString(l__Differences);
    ASSERT_NE(l__Result.Find("/GR\xC3\xBC\xC3\x9F" "E.TXT"), nullptr);
    ASSERT_NE(l__Result.Find("/\xE6\x97\xA5\xE6\x9C\xAC.TXT"), nullptr);
    EXPECT_EQ(l__Result.Find("/DOCS/DEEP/DEEPER/DEEPEST/LEAF.BIN")->m__uint64_t__InformationLength, 10000u);
    EXPECT_EQ(CountDirectories(l__Result), 7u);  // the root, DOCS and its three, EMPTY DIR, MANY
}

TEST_F(UdfInteropTest, WalkerSeesDamageInTheExtendedAttributesOfTheToolsFileEntries) {
    // The attributes are what genisoimage's images lack: proven here on the tool's image. The
    // File Entry is stamped again, so that only the attribute's own checks can see the damage.
    const UdfWalker::Result& l__Result = s__PureWalker->Walk();
    const UdfWalker::Entry* l__Readme = l__Result.Find("/DOCS/README.TXT");
    ASSERT_NE(l__Readme, nullptr);
    std::string l__string__Image = ReadText(*s__Pure);
    const size_t l__size_t__Entry = (size_t{l__Result.m__uint32_t__PartitionStart} + l__Readme->m__uint32_t__FileEntryBlock) * 2048;
    auto l__Walk = [&](size_t p__size_t__At, uint8_t p__uint8_t__Flip) {
        std::string l__string__Changed = l__string__Image;
        l__string__Changed[l__size_t__Entry + 176 + p__size_t__At] ^= static_cast<char>(p__uint8_t__Flip);
        UdfWalker::Restamp(reinterpret_cast<uint8_t*>(l__string__Changed.data() + l__size_t__Entry));
        const std::string l__string__Path = *s__Scratch / "changed.udf";
        std::ofstream(l__string__Path, std::ios::binary | std::ios::trunc) << l__string__Changed;
        return UdfWalker(l__string__Path).Walk().ProblemText();
    };
    // The first attribute's header checksum (the attribute follows the 24-byte header).
    std::string l__string__Problems = l__Walk(24 + 48, 0x01);
    EXPECT_NE(l__string__Problems.find("/DOCS/README.TXT: extended attributes of block " + std::to_string(l__Readme->m__uint32_t__FileEntryBlock) +
                                       ": header checksum"),
              std::string::npos)
        << l__string__Problems;
    EXPECT_EQ(std::count(l__string__Problems.begin(), l__string__Problems.end(), '\n'), 1) << l__string__Problems;
    // The attribute header descriptor's own CRC, and an attribute length past the end.
    l__string__Problems = l__Walk(20, 0x01);
    EXPECT_NE(l__string__Problems.find("extended attributes of block"), std::string::npos) << l__string__Problems;
    EXPECT_NE(l__string__Problems.find("descriptor CRC"), std::string::npos) << l__string__Problems;
    l__string__Problems = l__Walk(24 + 8 + 1, 0x10);
    EXPECT_NE(l__string__Problems.find("the attribute at 24 claims"), std::string::npos) << l__string__Problems;
}

TEST_F(UdfInteropTest, UdfinfoReportsLabelAndCountsWithoutComplaint) {
    REQUIRE_TOOL("udfinfo");
    for (const auto& [l__string__Image, l__Walker, l__string__Label] :
         {std::tuple{*s__Pure, s__PureWalker, "INTEROP"}, std::tuple{*s__Bridge, s__BridgeWalker, "DVDLABEL"}}) {
        SCOPED_TRACE(l__string__Image);
        Outcome l__Info = RunTool("udfinfo " + Quote(l__string__Image), *s__Scratch);
        EXPECT_EQ(l__Info.m__int__Status, 0) << l__Info.m__string__Errors;
        EXPECT_FALSE(MentionsTrouble(l__Info.m__string__Errors)) << l__Info.m__string__Errors;
        EXPECT_EQ(Value(l__Info.m__string__Output, "label"), l__string__Label) << l__Info.m__string__Output;
        const UdfWalker::Result& l__Result = l__Walker->Walk();
        const size_t l__size_t__Directories = CountDirectories(l__Result);
        EXPECT_EQ(Value(l__Info.m__string__Output, "numfiles"), std::to_string(l__Result.m__Entries.size() - l__size_t__Directories));
        EXPECT_EQ(Value(l__Info.m__string__Output, "numdirs"), std::to_string(l__size_t__Directories));
        EXPECT_EQ(Value(l__Info.m__string__Output, "integrity"), "closed");
        EXPECT_EQ(Value(l__Info.m__string__Output, "udfrev"), "1.02");
    }
    // Counted from the source, not from what the walker found.
    EXPECT_EQ(Value(RunTool("udfinfo " + Quote(*s__Pure), *s__Scratch).m__string__Output, "numfiles"), "67");
    EXPECT_EQ(Value(RunTool("udfinfo " + Quote(*s__Bridge), *s__Scratch).m__string__Output, "numfiles"), "7");
    EXPECT_EQ(Value(RunTool("udfinfo " + Quote(*s__Bridge), *s__Scratch).m__string__Output, "numdirs"), "3");
}

TEST_F(UdfInteropTest, SevenZipExtractsBothImagesByteForByte) {
    REQUIRE_TOOL("7z");
    std::map<std::string, std::string> l__Expected = UpperCased(Tree(*s__Scratch / "src"));
    std::string l__string__Out = s__Scratch->Directory("7z-pure");
    Outcome l__Seven = RunTool("7z x -y -tudf -o" + Quote(l__string__Out) + " " + Quote(*s__Pure), *s__Scratch);
    EXPECT_EQ(l__Seven.m__int__Status, 0) << l__Seven.m__string__Output << l__Seven.m__string__Errors;
    EXPECT_EQ(Tree(l__string__Out), l__Expected);

    // The bridge: the title unchanged (its IFO and BUP already held the right sectors), and
    // the AUDIO_TS the tool adds.
    l__Expected = Tree(*s__Scratch / "dvd");
    l__Expected["/AUDIO_TS"] = "<dir>";
    l__string__Out = s__Scratch->Directory("7z-bridge");
    l__Seven = RunTool("7z x -y -tudf -o" + Quote(l__string__Out) + " " + Quote(*s__Bridge), *s__Scratch);
    EXPECT_EQ(l__Seven.m__int__Status, 0) << l__Seven.m__string__Output << l__Seven.m__string__Errors;
    EXPECT_EQ(Tree(l__string__Out), l__Expected);
}

TEST_F(UdfInteropTest, BridgeShowsTheTitleInDiscOrderOnBothSides) {
    REQUIRE_TOOL("isoinfo");
    REQUIRE_TOOL("isovfy");
    REQUIRE_TOOL("bsdtar");
    const UdfWalker::Result& l__Result = s__BridgeWalker->Walk();
    ExpectSoundVolume(l__Result, "DVDLABEL");
    EXPECT_EQ(s__BridgeWalker->CompareWithDirectory(*s__Scratch / "dvd", UpperCase), std::vector<std::string>{"/AUDIO_TS: in the image only"});

    // The title's files follow one another without a gap, in disc order.
    std::vector<const UdfWalker::Entry*> l__Files;
    for (const auto& [l__string__Name, l__uint32_t__Sectors] : g__Title) {
        l__Files.push_back(l__Result.Find("/VIDEO_TS/" + l__string__Name));
        ASSERT_NE(l__Files.back(), nullptr) << l__string__Name;
        ASSERT_EQ(l__Files.back()->m__Extents.size(), 1u) << l__string__Name;
        if (l__Files.size() > 1) {
            EXPECT_EQ(l__Files.back()->m__Extents[0].m__uint32_t__Position,
                      l__Files[l__Files.size() - 2]->m__Extents[0].m__uint32_t__Position + g__Title[l__Files.size() - 2].second)
                << l__string__Name;
        }
    }

    // isoinfo finds VIDEO_TS and AUDIO_TS, and each title file at the sectors the UDF side gives it.
    Outcome l__IsoInfo = RunTool("isoinfo -l -i " + Quote(*s__Bridge), *s__Scratch);
    EXPECT_EQ(l__IsoInfo.m__int__Status, 0) << l__IsoInfo.m__string__Errors;
    auto l__Listing = IsoListing(l__IsoInfo.m__string__Output);
    EXPECT_NE(l__IsoInfo.m__string__Output.find("Directory listing of /VIDEO_TS/"), std::string::npos) << l__IsoInfo.m__string__Output;
    EXPECT_NE(l__IsoInfo.m__string__Output.find("Directory listing of /AUDIO_TS/"), std::string::npos) << l__IsoInfo.m__string__Output;
    EXPECT_EQ(l__Listing.size(), 2u + g__Title.size()) << l__IsoInfo.m__string__Output;  // the two directories in the root
    for (const UdfWalker::Entry* l__Entry : l__Files) {
        std::string l__string__Name = l__Entry->m__string__Path + ";1";
        auto l__Found = l__Listing.find(l__string__Name);
        ASSERT_NE(l__Found, l__Listing.end()) << l__string__Name << "\n" << l__IsoInfo.m__string__Output;
        EXPECT_EQ(l__Found->second.first, l__Result.m__uint32_t__PartitionStart + l__Entry->m__Extents[0].m__uint32_t__Position) << l__string__Name;
        EXPECT_EQ(l__Found->second.second, l__Entry->m__uint64_t__InformationLength) << l__string__Name;
    }
    Outcome l__Volume = RunTool("isoinfo -d -i " + Quote(*s__Bridge), *s__Scratch);
    EXPECT_NE(l__Volume.m__string__Output.find("Volume id: DVDLABEL"), std::string::npos) << l__Volume.m__string__Output;
    Outcome l__Vfy = RunTool("isovfy " + Quote(*s__Bridge), *s__Scratch);
    EXPECT_NE((l__Vfy.m__string__Output + l__Vfy.m__string__Errors).find("No errors found"), std::string::npos)
        << l__Vfy.m__string__Output << l__Vfy.m__string__Errors;

    // bsdtar reads the ISO9660 side: the same files with the same sizes.
    Outcome l__Tar = RunTool("bsdtar -tvf " + Quote(*s__Bridge), *s__Scratch);
    EXPECT_EQ(l__Tar.m__int__Status, 0) << l__Tar.m__string__Errors;
    std::map<std::string, uint64_t> l__Sizes;
    std::istringstream l__Lines(l__Tar.m__string__Output);
    std::string l__string__Line;
    while (std::getline(l__Lines, l__string__Line)) {
        std::istringstream l__Fields(l__string__Line);
        std::vector<std::string> l__Columns;
        std::string l__string__Field;
        while (l__Fields >> l__string__Field) l__Columns.push_back(l__string__Field);
        if (l__Columns.size() >= 9 && l__Columns[0][0] == '-') l__Sizes["/" + l__Columns.back()] = std::stoull(l__Columns[4]);
    }
    std::map<std::string, uint64_t> l__Expected;
    for (const UdfWalker::Entry* l__Entry : l__Files) l__Expected[l__Entry->m__string__Path] = l__Entry->m__uint64_t__InformationLength;
    EXPECT_EQ(l__Sizes, l__Expected) << l__Tar.m__string__Output;
}

// A pure UDF image with a sparse file of 5 GiB: marks at known places, the rest zeros.
class UdfHugeFileTest : public ::testing::Test {
protected:
    static constexpr uint64_t SIZE = 5ull << 30;
    static constexpr uint64_t MARKS[] = {0, (3ull << 30) - 1, (4ull << 30) + 5, SIZE - 1};

    static void SetUpTestSuite() {
        s__Scratch = new MasteringScratch;
        const std::string l__string__Huge = s__Scratch->Directory("src") + "/huge.bin";
        int l__int__Handle = ::open(l__string__Huge.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        bool l__bool__Made = l__int__Handle >= 0 && ::ftruncate(l__int__Handle, static_cast<off_t>(SIZE)) == 0;
        for (uint64_t l__uint64_t__Mark : MARKS) {
            const char l__char__Byte = static_cast<char>(0x41 + (l__uint64_t__Mark & 0x1F));
            l__bool__Made = l__bool__Made && ::pwrite(l__int__Handle, &l__char__Byte, 1, static_cast<off_t>(l__uint64_t__Mark)) == 1;
        }
        if (l__int__Handle >= 0) ::close(l__int__Handle);
        if (!l__bool__Made) {
            ADD_FAILURE() << "cannot make the sparse file";
            return;
        }
        s__Scratch->File("src/after.txt", "after the big one");
        s__Image = new std::string(*s__Scratch / "huge.udf");
        Outcome l__Made = RunTool(g__string__MkIso + " --udf -q -V HUGE -o " + Quote(*s__Image) + " " + Quote(*s__Scratch / "src"), *s__Scratch);
        if (l__Made.m__int__Status != 0) ADD_FAILURE() << "tarnwick-mkiso --udf: " << l__Made.m__string__Errors;
        s__Walker = new UdfWalker(*s__Image);
        s__Walker->Walk();
    }
    static void TearDownTestSuite() {
        delete s__Walker;
        delete s__Image;
        delete s__Scratch;
        s__Walker = nullptr;
        s__Image = nullptr;
        s__Scratch = nullptr;
    }
    void SetUp() override {
        if (s__Walker == nullptr) GTEST_SKIP() << "no image";
    }

    static MasteringScratch* s__Scratch;
    static std::string* s__Image;
    static UdfWalker* s__Walker;
};

MasteringScratch* UdfHugeFileTest::s__Scratch = nullptr;
std::string* UdfHugeFileTest::s__Image = nullptr;
UdfWalker* UdfHugeFileTest::s__Walker = nullptr;

TEST_F(UdfHugeFileTest, ExtentsOfAtMostAGibibyteCarryEveryMark) {
    const UdfWalker::Result& l__Result = s__Walker->Walk();
    ExpectSoundVolume(l__Result, "HUGE");
    EXPECT_TRUE(s__Walker->CompareWithDirectory(*s__Scratch / "src", UpperCase, 1 << 20).empty());
    const UdfWalker::Entry* l__Huge = l__Result.Find("/HUGE.BIN");
    ASSERT_NE(l__Huge, nullptr);
    EXPECT_EQ(l__Huge->m__uint64_t__InformationLength, SIZE);
    // Five extents of 0x3FFFF800 bytes, each right after the one before, then the rest.
    ASSERT_EQ(l__Huge->m__Extents.size(), 6u);
    for (size_t l__size_t__Index = 0; l__size_t__Index < 6; ++l__size_t__Index) {
        const UdfWalker::Extent& l__Extent = l__Huge->m__Extents[l__size_t__Index];
        EXPECT_EQ(l__Extent.m__uint32_t__Length, l__size_t__Index < 5 ? MAXIMUM_EXTENT : SIZE - 5 * uint64_t{MAXIMUM_EXTENT});
        EXPECT_EQ(l__Extent.m__uint8_t__Type, 0);
        EXPECT_EQ(l__Extent.m__uint32_t__Position, l__Huge->m__Extents[0].m__uint32_t__Position + l__size_t__Index * (MAXIMUM_EXTENT / 2048));
    }
    for (uint64_t l__uint64_t__Mark : MARKS) {
        const uint64_t l__uint64_t__From = l__uint64_t__Mark >= 2 ? l__uint64_t__Mark - 2 : 0;
        std::string l__string__Bytes, l__string__Why;
        ASSERT_TRUE(s__Walker->ReadContents(*l__Huge, &l__string__Bytes, l__uint64_t__From, 5, &l__string__Why)) << l__string__Why;
        std::string l__string__Expected(std::min<uint64_t>(5, SIZE - l__uint64_t__From), '\0');
        l__string__Expected[l__uint64_t__Mark - l__uint64_t__From] = static_cast<char>(0x41 + (l__uint64_t__Mark & 0x1F));
        EXPECT_EQ(l__string__Bytes, l__string__Expected) << "at " << l__uint64_t__Mark;
    }
}

TEST_F(UdfHugeFileTest, SevenZipStreamsTheHugeFileUnchanged) {
    REQUIRE_TOOL("7z");
    REQUIRE_TOOL("cmp");
    // Streamed into cmp: 5 GiB never land on the disk a second time.
    Outcome l__Compare = RunTool("7z e -so -tudf " + Quote(*s__Image) + " HUGE.BIN | cmp - " + Quote(*s__Scratch / "src/huge.bin"), *s__Scratch);
    EXPECT_EQ(l__Compare.m__int__Status, 0) << l__Compare.m__string__Output << l__Compare.m__string__Errors;
    Outcome l__Small = RunTool("7z e -so -tudf " + Quote(*s__Image) + " AFTER.TXT", *s__Scratch);
    EXPECT_EQ(l__Small.m__string__Output, "after the big one");
}

}  // namespace
