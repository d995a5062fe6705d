// The test reader of UDF images proven on images an outside program makes (genisoimage -udf):
// a clean image walks clean with the right names, sizes and bytes; a byte changed in a
// descriptor is reported; a hostile image is reported, never crashes or loops.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "../mastering/MasteringFixture.h"
#include "UdfWalker.h"

namespace {

namespace fs = std::filesystem;

std::string Identity(const std::string& p__string__Name) { return p__string__Name; }

std::vector<uint8_t> Load(const std::string& p__string__Path) {
    std::vector<uint8_t> l__Bytes(fs::file_size(p__string__Path));
    std::ifstream(p__string__Path, std::ios::binary)
        .read(reinterpret_cast<char*>(l__Bytes.data()), static_cast<std::streamsize>(l__Bytes.size()));
    return l__Bytes;
}

void Save(const std::string& p__string__Path, const std::vector<uint8_t>& p__Bytes) {
    std::ofstream(p__string__Path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(p__Bytes.data()), static_cast<std::streamsize>(p__Bytes.size()));
}

void Put32(std::vector<uint8_t>& p__Bytes, size_t p__size_t__At, uint32_t p__uint32_t__Value) {
    for (int l__int__Index = 0; l__int__Index < 4; ++l__int__Index)
        p__Bytes[p__size_t__At + l__int__Index] = static_cast<uint8_t>(p__uint32_t__Value >> (8 * l__int__Index));
}

void Restamp(std::vector<uint8_t>& p__Bytes, size_t p__size_t__Tag) { UdfWalker::Restamp(p__Bytes.data() + p__size_t__Tag); }

bool Mentions(const UdfWalker::Result& p__Result, const std::string& p__string__First, const std::string& p__string__Second = "") {
    return std::any_of(p__Result.m__Problems.begin(), p__Result.m__Problems.end(), [&](const std::string& p__string__Problem) {
        return p__string__Problem.find(p__string__First) != std::string::npos &&
               p__string__Problem.find(p__string__Second) != std::string::npos;
    });
}

class UdfWalkerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!ExternalTool::Check("genisoimage")) return;
        s__Scratch = new MasteringScratch;
        std::mt19937 l__Random(1207);
        auto l__Bytes = [&](size_t p__size_t__Count) {
            std::string l__string__Bytes(p__size_t__Count, '\0');
            for (char& l__char__Byte : l__string__Bytes) l__char__Byte = static_cast<char>(l__Random());
            return l__string__Bytes;
        };
        s__Scratch->File("src/docs/readme.txt", "hello, walker\n");
        s__Scratch->File("src/docs/deep/inner/nested.bin", l__Bytes(70001));
        s__Scratch->File("src/docs/deep/two blocks.bin", l__Bytes(4096));
        s__Scratch->File("src/empty.dat");
        s__Scratch->File("src/Gr\xC3\xBC\xC3\x9F" "e.txt", "latin one");
        s__Scratch->File("src/\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt", "sixteen bits");
        s__Scratch->Directory("src/empty directory");
        // Enough long names that the directory's identifiers cross block boundaries.
        for (int l__int__Index = 0; l__int__Index < 90; ++l__int__Index)
            s__Scratch->File("src/many/a rather long name for entry number " + std::to_string(l__int__Index) + ".txt",
                             l__Bytes(static_cast<size_t>(l__int__Index)));
        s__Source = new std::string(*s__Scratch / "src");
        s__Image = new std::string(*s__Scratch / "outside.udf");
        auto [l__int__Status, l__string__Output] = RunCommand("genisoimage -udf -quiet -input-charset utf-8 -V WALKER -o " + Quote(*s__Image) +
                                                              " " + Quote(*s__Source) + " 2>&1");
        if (l__int__Status != 0) ADD_FAILURE() << l__string__Output;
        s__Walker = new UdfWalker(*s__Image);
        s__Walker->Walk();
    }
    static void TearDownTestSuite() {
        delete s__Walker;
        delete s__Image;
        delete s__Source;
        delete s__Scratch;
        s__Walker = nullptr;
        s__Image = s__Source = nullptr;
        s__Scratch = nullptr;
    }
    void SetUp() override {
        if (s__Walker == nullptr) GTEST_SKIP() << "genisoimage is not installed";
    }
    static const UdfWalker::Result& Clean() { return s__Walker->Walk(); }
    static const UdfWalker::Entry& Named(const std::string& p__string__Path) {
        const UdfWalker::Entry* l__Entry = Clean().Find(p__string__Path);
        if (l__Entry == nullptr) throw std::runtime_error(p__string__Path + " is not in the image");
        return *l__Entry;
    }
    // Byte offset in the image of a partition block.
    static size_t At(uint32_t p__uint32_t__Block) { return (static_cast<size_t>(Clean().m__uint32_t__PartitionStart) + p__uint32_t__Block) * 2048; }
    // Walks a copy of the image after p__Change had its way with the bytes.
    template <class Change>
    static UdfWalker::Result WalkChanged(Change&& p__Change) {
        std::vector<uint8_t> l__Bytes = Load(*s__Image);
        p__Change(l__Bytes);
        const std::string l__string__Path = *s__Scratch / "changed.udf";
        Save(l__string__Path, l__Bytes);
        UdfWalker l__Walker(l__string__Path);
        return l__Walker.Walk();
    }

    static MasteringScratch* s__Scratch;
    static std::string* s__Source;
    static std::string* s__Image;
    static UdfWalker* s__Walker;
};

MasteringScratch* UdfWalkerTest::s__Scratch = nullptr;
std::string* UdfWalkerTest::s__Source = nullptr;
std::string* UdfWalkerTest::s__Image = nullptr;
UdfWalker* UdfWalkerTest::s__Walker = nullptr;

TEST_F(UdfWalkerTest, CleanImageListsTheTreeWithItsNamesSizesAndBytes) {
    const UdfWalker::Result& l__Result = Clean();
    ASSERT_TRUE(l__Result.m__Problems.empty()) << l__Result.ProblemText();
    EXPECT_EQ(l__Result.m__string__StandardIdentifier, "NSR02");
    EXPECT_EQ(l__Result.m__string__VolumeIdentifier, "WALKER");
    EXPECT_EQ(l__Result.m__string__LogicalVolumeIdentifier, "WALKER");
    EXPECT_EQ(l__Result.m__Anchors.front(), 256u);
    EXPECT_EQ(l__Result.m__Anchors.back(), l__Result.m__uint64_t__Sectors - 1);
    EXPECT_LE(static_cast<uint64_t>(l__Result.m__uint32_t__PartitionStart) + l__Result.m__uint32_t__PartitionLength, l__Result.m__uint64_t__Sectors);
    EXPECT_TRUE(s__Walker->CompareWithDirectory(*s__Source, Identity).empty())
        << ::testing::PrintToString(s__Walker->CompareWithDirectory(*s__Source, Identity));

    // Every File Entry and every File Identifier was checked: one of each per entry, and one
    // parent identifier per directory.
    size_t l__size_t__Directories = std::count_if(l__Result.m__Entries.begin(), l__Result.m__Entries.end(),
                                                  [](const UdfWalker::Entry& p__Entry) { return p__Entry.m__bool__IsDirectory; });
    EXPECT_EQ(l__size_t__Directories, 6u);  // the root, docs, deep, inner, empty directory, many
    EXPECT_EQ(l__Result.m__DescriptorsByTag.at(261), l__Result.m__Entries.size());
    EXPECT_EQ(l__Result.m__DescriptorsByTag.at(257), l__Result.m__Entries.size() - 1 + l__size_t__Directories);
    for (uint16_t l__uint16_t__Tag : {1, 5, 6}) EXPECT_EQ(l__Result.m__DescriptorsByTag.at(l__uint16_t__Tag), 2u) << l__uint16_t__Tag;
    EXPECT_EQ(l__Result.m__DescriptorsByTag.at(256), 1u);
    EXPECT_GE(l__Result.m__DescriptorsByTag.at(9), 1u);

    const UdfWalker::Entry& l__Many = Named("/many");
    EXPECT_GT(l__Many.m__uint64_t__InformationLength, 2 * 2048u);  // identifiers cross two block boundaries at least
    EXPECT_EQ(l__Many.m__uint8_t__Characteristics, 0x02);
    EXPECT_EQ(l__Many.m__uint8_t__FileType, 4);
    EXPECT_EQ(Named("/docs").m__uint16_t__LinkCount, 2);  // its own name and deep's parent entry
    EXPECT_EQ(Named("/docs/readme.txt").m__uint8_t__FileType, 5);
    EXPECT_EQ(Named("/empty.dat").m__uint64_t__InformationLength, 0u);
    EXPECT_TRUE(Named("/empty.dat").m__Extents.empty());
    // 8-bit and 16-bit compressed names both come back as the UTF-8 they were made from.
    EXPECT_NE(l__Result.Find("/Gr\xC3\xBC\xC3\x9F" "e.txt"), nullptr);
    EXPECT_NE(l__Result.Find("/\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"), nullptr);

    std::set<uint64_t> l__UniqueIds;
    for (const UdfWalker::Entry& l__Entry : l__Result.m__Entries) l__UniqueIds.insert(l__Entry.m__uint64_t__UniqueId);
    EXPECT_EQ(l__UniqueIds.size(), l__Result.m__Entries.size());
}

TEST_F(UdfWalkerTest, ReadsAnyRangeOfAFileThroughItsExtents) {
    const UdfWalker::Entry& l__Nested = Named("/docs/deep/inner/nested.bin");
    std::ifstream l__Stream(*s__Source + "/docs/deep/inner/nested.bin", std::ios::binary);
    std::string l__string__Disk((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
    std::string l__string__Bytes;
    ASSERT_TRUE(s__Walker->ReadContents(l__Nested, &l__string__Bytes, 2040, 4100));
    EXPECT_EQ(l__string__Bytes, l__string__Disk.substr(2040, 4100));
    // A range running past the end stops at the end; one beyond it is empty.
    ASSERT_TRUE(s__Walker->ReadContents(l__Nested, &l__string__Bytes, 70000, 50));
    EXPECT_EQ(l__string__Bytes, l__string__Disk.substr(70000));
    ASSERT_TRUE(s__Walker->ReadContents(l__Nested, &l__string__Bytes, 80000, 50));
    EXPECT_TRUE(l__string__Bytes.empty());
}

TEST_F(UdfWalkerTest, AByteChangedInADescriptorIsReportedAsBadCrcOrChecksum) {
    const UdfWalker::Entry& l__Readme = Named("/docs/readme.txt");
    // A File Entry: its permissions.
    UdfWalker::Result l__Result = WalkChanged([&](std::vector<uint8_t>& p__Bytes) { p__Bytes[At(l__Readme.m__uint32_t__FileEntryBlock) + 44] ^= 0x01; });
    EXPECT_TRUE(Mentions(l__Result, "/docs/readme.txt: File Entry", "descriptor CRC")) << l__Result.ProblemText();
    EXPECT_EQ(l__Result.m__Problems.size(), 1u) << l__Result.ProblemText();

    // A File Identifier: the first character of its name.
    const UdfWalker::Entry& l__Latin = Named("/Gr\xC3\xBC\xC3\x9F" "e.txt");
    l__Result = WalkChanged([&](std::vector<uint8_t>& p__Bytes) {
        size_t l__size_t__Fid = At(l__Latin.m__uint32_t__IdentifierBlock) + l__Latin.m__uint32_t__IdentifierOffset;
        size_t l__size_t__Use = p__Bytes[l__size_t__Fid + 36] | (p__Bytes[l__size_t__Fid + 37] << 8);
        ASSERT_EQ(p__Bytes[l__size_t__Fid + 38 + l__size_t__Use + 1], 'G');
        p__Bytes[l__size_t__Fid + 38 + l__size_t__Use + 1] = 'H';
    });
    EXPECT_TRUE(Mentions(l__Result, "File Identifier", "descriptor CRC")) << l__Result.ProblemText();
    EXPECT_NE(l__Result.Find("/Hr\xC3\xBC\xC3\x9F" "e.txt"), nullptr);

    // A Volume Descriptor: a letter of the main sequence's volume identifier.
    l__Result = WalkChanged([&](std::vector<uint8_t>& p__Bytes) { p__Bytes[Clean().m__uint32_t__MainSequence * 2048ull + 26] ^= 0x20; });
    EXPECT_TRUE(Mentions(l__Result, "main volume sequence: Primary Volume Descriptor", "descriptor CRC")) << l__Result.ProblemText();
    EXPECT_FALSE(Mentions(l__Result, "reserve volume sequence: Primary", "CRC")) << l__Result.ProblemText();

    // A tag's own bytes: the File Set Descriptor's location no longer adds up.
    l__Result = WalkChanged([&](std::vector<uint8_t>& p__Bytes) { p__Bytes[At(0) + 12] ^= 0x04; });
    EXPECT_TRUE(Mentions(l__Result, "File Set Descriptor at block 0", "tag checksum")) << l__Result.ProblemText();
    EXPECT_TRUE(Mentions(l__Result, "File Set Descriptor at block 0", "tag location 4, read from 0")) << l__Result.ProblemText();
}

TEST_F(UdfWalkerTest, SoundTagsInTheWrongPlaceOrOfTheWrongVersionAreReported) {
    // A File Entry copied over another one keeps its tag location: the copy is caught.
    const UdfWalker::Entry& l__Readme = Named("/docs/readme.txt");
    const UdfWalker::Entry& l__Empty = Named("/empty.dat");
    UdfWalker::Result l__Result = WalkChanged([&](std::vector<uint8_t>& p__Bytes) {
        std::copy_n(p__Bytes.begin() + static_cast<long>(At(l__Readme.m__uint32_t__FileEntryBlock)), 2048,
                    p__Bytes.begin() + static_cast<long>(At(l__Empty.m__uint32_t__FileEntryBlock)));
    });
    EXPECT_TRUE(Mentions(l__Result, "/empty.dat: File Entry", "tag location " + std::to_string(l__Readme.m__uint32_t__FileEntryBlock)))
        << l__Result.ProblemText();
    // A descriptor version 3 on an NSR02 volume.
    l__Result = WalkChanged([&](std::vector<uint8_t>& p__Bytes) {
        p__Bytes[At(l__Readme.m__uint32_t__FileEntryBlock) + 2] = 3;
        Restamp(p__Bytes, At(l__Readme.m__uint32_t__FileEntryBlock));
    });
    EXPECT_TRUE(Mentions(l__Result, "/docs/readme.txt: File Entry", "descriptor version 3 where 2 belongs")) << l__Result.ProblemText();
    EXPECT_EQ(l__Result.m__Problems.size(), 1u) << l__Result.ProblemText();
}

TEST_F(UdfWalkerTest, AMissingAnchorIsReportedAndTheOtherOneServes) {
    UdfWalker::Result l__Result = WalkChanged([](std::vector<uint8_t>& p__Bytes) { std::fill_n(p__Bytes.begin() + 256 * 2048, 2048, 0); });
    EXPECT_TRUE(Mentions(l__Result, "1 anchor(s)")) << l__Result.ProblemText();
    EXPECT_EQ(l__Result.m__Entries.size(), Clean().m__Entries.size());
}

TEST_F(UdfWalkerTest, HostileButSoundDescriptorsEndInProblemsNotInLoopsOrCrashes) {
    const UdfWalker::Entry& l__Inner = Named("/docs/deep/inner");
    const UdfWalker::Entry& l__Docs = Named("/docs");
    // deep/inner names docs' File Entry: the walk must not go round for ever.
    UdfWalker::Result l__Result = WalkChanged([&](std::vector<uint8_t>& p__Bytes) {
        size_t l__size_t__Fid = At(l__Inner.m__uint32_t__IdentifierBlock) + l__Inner.m__uint32_t__IdentifierOffset;
        Put32(p__Bytes, l__size_t__Fid + 24, l__Docs.m__uint32_t__FileEntryBlock);
        Restamp(p__Bytes, l__size_t__Fid);
    });
    EXPECT_TRUE(Mentions(l__Result, "/docs/deep/inner: the directory's File Entry", "(a loop)")) << l__Result.ProblemText();
    EXPECT_LT(l__Result.m__Entries.size(), Clean().m__Entries.size());

    // A directory that claims a terabyte.
    l__Result = WalkChanged([&](std::vector<uint8_t>& p__Bytes) {
        Put32(p__Bytes, At(l__Docs.m__uint32_t__FileEntryBlock) + 60, 0x100);
        Restamp(p__Bytes, At(l__Docs.m__uint32_t__FileEntryBlock));
    });
    EXPECT_TRUE(Mentions(l__Result, "/docs: a directory of 1099511627")) << l__Result.ProblemText();
    // A file whose extent lies far beyond the partition.
    const UdfWalker::Entry& l__Readme = Named("/docs/readme.txt");
    l__Result = WalkChanged([&](std::vector<uint8_t>& p__Bytes) {
        size_t l__size_t__Entry = At(l__Readme.m__uint32_t__FileEntryBlock);
        uint32_t l__uint32_t__Attributes = p__Bytes[l__size_t__Entry + 168] | (p__Bytes[l__size_t__Entry + 169] << 8);
        Put32(p__Bytes, l__size_t__Entry + 176 + l__uint32_t__Attributes + 4, 0x7FFFFFF0);
        Restamp(p__Bytes, l__size_t__Entry);
    });
    EXPECT_TRUE(Mentions(l__Result, "/docs/readme.txt: the extent of 14 bytes at block 2147483632", "outside the partition"))
        << l__Result.ProblemText();
    const UdfWalker::Entry* l__Moved = l__Result.Find("/docs/readme.txt");
    ASSERT_NE(l__Moved, nullptr);
    std::string l__string__Bytes, l__string__Why;
    UdfWalker l__Walker(*s__Scratch / "changed.udf");
    l__Walker.Walk();
    EXPECT_FALSE(l__Walker.ReadContents(*l__Moved, &l__string__Bytes, 0, UINT64_MAX, &l__string__Why));
    EXPECT_NE(l__string__Why.find("outside the partition"), std::string::npos) << l__string__Why;

    // Allocation descriptors said to run past the block.
    l__Result = WalkChanged([&](std::vector<uint8_t>& p__Bytes) {
        Put32(p__Bytes, At(l__Readme.m__uint32_t__FileEntryBlock) + 172, 0xFFFFFFF0);
        Restamp(p__Bytes, At(l__Readme.m__uint32_t__FileEntryBlock));
    });
    EXPECT_TRUE(Mentions(l__Result, "/docs/readme.txt: File Entry", "run past the block")) << l__Result.ProblemText();

    // Cut short: the last anchor and the directories are gone.
    l__Result = WalkChanged([&](std::vector<uint8_t>& p__Bytes) { p__Bytes.resize(At(l__Docs.m__uint32_t__FileEntryBlock)); });
    EXPECT_TRUE(Mentions(l__Result, "1 anchor(s)")) << l__Result.ProblemText();
    EXPECT_TRUE(Mentions(l__Result, "runs past the image")) << l__Result.ProblemText();
    EXPECT_TRUE(Mentions(l__Result, "/docs: File Entry", "outside the partition")) << l__Result.ProblemText();
}

TEST_F(UdfWalkerTest, RandomDamageIsEitherReportedOrChangesNothingTheWalkerLists) {
    // Flips bytes in the sectors that hold the volume's descriptors: sequences, anchor, file set,
    // File Entries, directories. A walk without problems must list exactly what the clean image
    // holds: damage the walker does not see may not change what it says.
    const UdfWalker::Result& l__Clean = Clean();
    std::vector<size_t> l__Sectors;
    for (uint32_t l__uint32_t__Sector = 0; l__uint32_t__Sector < 6; ++l__uint32_t__Sector) {
        l__Sectors.push_back(l__Clean.m__uint32_t__MainSequence + l__uint32_t__Sector);
        l__Sectors.push_back(l__Clean.m__uint32_t__ReserveSequence + l__uint32_t__Sector);
    }
    l__Sectors.push_back(256);
    l__Sectors.push_back(At(0) / 2048);
    for (const UdfWalker::Entry& l__Entry : l__Clean.m__Entries) {
        l__Sectors.push_back(At(l__Entry.m__uint32_t__FileEntryBlock) / 2048);
        if (l__Entry.m__bool__IsDirectory)
            for (const UdfWalker::Extent& l__Extent : l__Entry.m__Extents)
                for (uint32_t l__uint32_t__Block = 0; l__uint32_t__Block * 2048 < l__Extent.m__uint32_t__Length; ++l__uint32_t__Block)
                    l__Sectors.push_back(At(l__Extent.m__uint32_t__Position + l__uint32_t__Block) / 2048);
    }
    std::mt19937 l__Random(20261208);
    size_t l__size_t__Reported = 0;
    const int l__int__Rounds = 300;
    for (int l__int__Round = 0; l__int__Round < l__int__Rounds; ++l__int__Round) {
        UdfWalker::Result l__Result = WalkChanged([&](std::vector<uint8_t>& p__Bytes) {
            for (uint32_t l__uint32_t__Flip = 1 + l__Random() % 4; l__uint32_t__Flip > 0; --l__uint32_t__Flip)
                p__Bytes[l__Sectors[l__Random() % l__Sectors.size()] * 2048 + l__Random() % 512] ^= static_cast<uint8_t>(1 + l__Random() % 255);
        });
        if (!l__Result.m__Problems.empty()) {
            ++l__size_t__Reported;
            continue;
        }
        ASSERT_EQ(l__Result.m__Entries.size(), l__Clean.m__Entries.size()) << "round " << l__int__Round;
        for (size_t l__size_t__Index = 0; l__size_t__Index < l__Clean.m__Entries.size(); ++l__size_t__Index) {
            EXPECT_EQ(l__Result.m__Entries[l__size_t__Index].m__string__Path, l__Clean.m__Entries[l__size_t__Index].m__string__Path);
            EXPECT_EQ(l__Result.m__Entries[l__size_t__Index].m__uint64_t__InformationLength,
                      l__Clean.m__Entries[l__size_t__Index].m__uint64_t__InformationLength);
        }
    }
    // Most flips land inside a descriptor; those must be seen.
    EXPECT_GT(l__size_t__Reported, l__int__Rounds / 2u);
}

TEST(UdfWalkerCodes, CrcChecksumAndNamesFollowTheFormatsRules) {
    // The CRC's own worked example: the bytes 70 6A 77 give 3299.
    const uint8_t l__uint8_t__Example[] = {0x70, 0x6A, 0x77};
    EXPECT_EQ(UdfWalker::Crc16(l__uint8_t__Example, 3), 0x3299);
    EXPECT_EQ(UdfWalker::Crc16(l__uint8_t__Example, 0), 0);
    uint8_t l__uint8_t__Tag[16] = {1, 0, 2, 0, 0xEE, 0, 1, 0, 0, 0, 0, 0, 0xFF, 1, 0, 0};
    EXPECT_EQ(UdfWalker::TagChecksum(l__uint8_t__Tag), 1 + 2 + 1 + 0xFF + 1 - 256);  // byte 4 left out

    std::string l__string__Name;
    EXPECT_TRUE(UdfWalker::DecodeName(reinterpret_cast<const uint8_t*>("\x08" "A\xE9"), 3, &l__string__Name));
    EXPECT_EQ(l__string__Name, "A\xC3\xA9");
    // 16 bits, big-endian, with a surrogate pair (U+1F600).
    const uint8_t l__uint8_t__Wide[] = {16, 0x65, 0xE5, 0xD8, 0x3D, 0xDE, 0x00};
    EXPECT_TRUE(UdfWalker::DecodeName(l__uint8_t__Wide, sizeof(l__uint8_t__Wide), &l__string__Name));
    EXPECT_EQ(l__string__Name, "\xE6\x97\xA5\xF0\x9F\x98\x80");
    EXPECT_FALSE(UdfWalker::DecodeName(l__uint8_t__Wide, 4, &l__string__Name));   // half a unit
    EXPECT_FALSE(UdfWalker::DecodeName(l__uint8_t__Wide, 5, &l__string__Name));   // a high surrogate alone
    const uint8_t l__uint8_t__Low[] = {16, 0xDE, 0x00};
    EXPECT_FALSE(UdfWalker::DecodeName(l__uint8_t__Low, 3, &l__string__Name));    // a low surrogate alone
    EXPECT_FALSE(UdfWalker::DecodeName(reinterpret_cast<const uint8_t*>("\x03" "AB"), 3, &l__string__Name));
}

TEST(UdfWalkerCodes, WhatIsNoImageIsReportedNotWalked) {
    MasteringScratch l__Scratch;
    EXPECT_TRUE(Mentions(UdfWalker(l__Scratch / "nowhere.udf").Walk(), "cannot open"));
    EXPECT_TRUE(Mentions(UdfWalker(l__Scratch.File("small.udf", std::string(4096, '\0'))).Walk(), "too small"));
    // Sectors enough, but nothing in them.
    const UdfWalker::Result l__Result = UdfWalker(l__Scratch.File("zeros.udf", std::string(600 * 2048, '\0'))).Walk();
    EXPECT_TRUE(Mentions(l__Result, "volume recognition")) << l__Result.ProblemText();
    EXPECT_TRUE(Mentions(l__Result, "0 anchor(s)")) << l__Result.ProblemText();
    EXPECT_TRUE(l__Result.m__Entries.empty());
}

}  // namespace
