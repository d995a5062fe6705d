// Importing a session already on a disc of the virtual recorder: a real two-session round
// trip judged by an outside reader, the refusals, and discs whose directories were crafted
// to mislead the walk.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_FileChain.h"
#include "CTarnwick_ISO9660FileTree.h"
#include "CTarnwick_ISO9660Image.h"
#include "CTarnwick_JolietFileTree.h"
#include "CTarnwick_MemoryFile.h"
#include "CTarnwick_Utf16.h"
#include "ExternalTool.h"
#include "FakeClock.h"
#include "RecorderUnderTest.h"
#include "tarnwick.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

void Ignore(ULONG, PVOID, PVOID, PVOID) {}

std::string ReadText(const fs::path& p__Path) {
    std::ifstream l__Stream(p__Path, std::ios::binary);
    std::stringstream l__Buffer;
    l__Buffer << l__Stream.rdbuf();
    return l__Buffer.str();
}

// A directory record of an image: where it is and what it says.
struct DiscRecord {
    size_t m__SIZE__Offset;  // in the image
    ULONG m__ULONG__Extent;
    ULONG m__ULONG__Length;
    std::string m__string__Identifier;
};

// The records of the directory at an extent of an image that starts at sector p__Start.
std::vector<DiscRecord> RecordsOf(const Bytes& p__Image, ULONG p__Start, ULONG p__Extent, ULONG p__Length) {
    std::vector<DiscRecord> l__Records;
    size_t l__SIZE__Base = static_cast<size_t>(p__Extent - p__Start) * 2048;
    size_t l__SIZE__Offset = 0;
    while (l__SIZE__Offset < p__Length) {
        const uint8_t* l__Record = p__Image.data() + l__SIZE__Base + l__SIZE__Offset;
        if (l__Record[0] == 0) {
            l__SIZE__Offset = (l__SIZE__Offset / 2048 + 1) * 2048;
            continue;
        }
        l__Records.push_back({l__SIZE__Base + l__SIZE__Offset, CTarnwick_Bytes::GetLittleEndian32(l__Record + 2),
                              CTarnwick_Bytes::GetLittleEndian32(l__Record + 10),
                              std::string(reinterpret_cast<const char*>(l__Record + 33), l__Record[32])});
        l__SIZE__Offset += l__Record[0];
    }
    return l__Records;
}

DiscRecord FindRecord(const Bytes& p__Image, ULONG p__Start, ULONG p__Extent, ULONG p__Length, const std::string& p__Id) {
    for (const DiscRecord& l__Record : RecordsOf(p__Image, p__Start, p__Extent, p__Length))
        if (l__Record.m__string__Identifier == p__Id) return l__Record;
    ADD_FAILURE() << p__Id << " not found";
    return {0, 0, 0, ""};
}

// Sets a both-endian 32-bit field.
void PutBoth32(Bytes& p__Image, size_t p__Offset, ULONG p__Value) {
    CTarnwick_Bytes::PutBothEndian32(p__Image.data() + p__Offset, p__Value);
}

// The long names of every node below a node, as "DIR/NAME" paths in tree order.
void Names(CTarnwick_FileTreeNode* p__Node, const std::string& p__Prefix, std::vector<std::string>* p__Out) {
    for (CTarnwick_FileTreeNode* l__Kid = p__Node->GetFirstKid(); l__Kid != nullptr; l__Kid = l__Kid->GetNextSibling()) {
        std::string l__Path = p__Prefix + l__Kid->GetLongFileName();
        p__Out->push_back(l__Path);
        if (l__Kid->IsDirectory()) Names(l__Kid, l__Path + "/", p__Out);
    }
}
std::vector<std::string> Names(CTarnwick_ISO9660FileTree& p__Tree) {
    std::vector<std::string> l__Names;
    if (p__Tree.GetRoot() != nullptr) Names(p__Tree.GetRoot(), "", &l__Names);
    return l__Names;
}
bool Has(const std::vector<std::string>& p__Names, const std::string& p__Name) {
    for (const std::string& l__Name : p__Names)
        if (l__Name == p__Name) return true;
    return false;
}

class ImportOnRecorder : public ::testing::Test {
protected:
    void SetUp() override {
        m__Recorder = std::make_unique<RecorderUnderTest>("cdr");
        m__Burner = std::make_unique<CTarnwick_CdvdBurnerGrabber>(Ignore, nullptr, 0, 0, 0, 0, 1);
        m__Source = fs::path(m__Recorder->Dir()) / "source";
        fs::create_directories(m__Source / "docs" / "deeper");
        std::ofstream(m__Source / "README.TXT") << "first session readme\n";
        std::ofstream(m__Source / "Long Name Of A File.txt") << "long name\n";
        std::ofstream(m__Source / "empty.txt");
        std::string l__Notes(70000, 'n');
        for (size_t i = 0; i < l__Notes.size(); i += 97) l__Notes[i] = static_cast<char>('a' + i % 26);
        std::ofstream(m__Source / "docs" / "notes.txt") << l__Notes;
        std::ofstream(m__Source / "docs" / "deeper" / "leaf.bin") << std::string(3000, 'L');
    }

    // Writes bytes as one data track and closes the session with the next one allowed.
    void BurnBytes(const Bytes& p__Data, ULONG p__Content = 1) {
        try {
            CTarnwick_MemoryFile l__Source(p__Data.data(), p__Data.size());
            CTarnwick_FileChain l__Chain;
            l__Chain.AddChainTail(&l__Source);
            l__Chain.SeekToBegin();
            m__Burner->TrackAtOnce(&l__Chain, 0, 0, 1, 0, 0, p__Content, 0, 0, 0, 0);
            m__Burner->CloseSession();
        } catch (CTarnwick_Exception* l__Exception) {
            ADD_FAILURE() << (l__Exception ? l__Exception->GetExceptionText() : "NULL");
            delete l__Exception;
        }
    }
    static Bytes ImageOf(CTarnwick_ISO9660FileTree& p__Tree) {
        Bytes l__Image(p__Tree.GetImage()->GetSize());
        p__Tree.GetImage()->SeekToBegin();
        p__Tree.GetImage()->Read(l__Image.size(), l__Image.data());
        return l__Image;
    }
    static void Build(CTarnwick_ISO9660FileTree& p__Tree, ULONG p__Start, const char* p__Label) {
        p__Tree.BuildImage(p__Start, 0, FALSE, p__Label, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr);
    }
    // The first block of the next track (the incomplete track after the last one).
    ULONG NextWritableAddress(UCHAR p__NextTrack) {
        Bytes l__Block(4096, 0);
        m__Burner->GetTrackInformation(p__NextTrack, l__Block.data(), static_cast<ULONG>(l__Block.size()));
        return CTarnwick_Bytes::GetBigEndian32(l__Block.data() + 8);
    }
    // The first session's image, made from the source folder (with Joliet when asked).
    Bytes FirstImage(bool p__Joliet) {
        std::unique_ptr<CTarnwick_ISO9660FileTree> l__Tree;
        if (p__Joliet) l__Tree = std::make_unique<CTarnwick_JolietFileTree>(Ignore, nullptr, FALSE, FALSE, FALSE);
        else l__Tree = std::make_unique<CTarnwick_ISO9660FileTree>(Ignore, nullptr, FALSE, FALSE, FALSE);
        l__Tree->CreateFromDirectoryContents(m__Source.c_str(), CTarnwick_FileTree::TimeLastWrite, nullptr);
        Build(*l__Tree, 0, "FIRST");
        return ImageOf(*l__Tree);
    }
    // Runs an import that must fail; its number and text.
    std::pair<ULONG, std::string> ImportFails(CTarnwick_ISO9660FileTree& p__Tree, UCHAR p__Track, BOOLEAN p__Joliet) {
        try {
            m__Burner->ImportTrack(&p__Tree, p__Track, p__Joliet);
        } catch (CTarnwick_Exception* l__Exception) {
            std::pair<ULONG, std::string> l__Result{l__Exception->GetExceptionNumber(), l__Exception->GetExceptionText()};
            delete l__Exception;
            return l__Result;
        }
        return {0, "no exception"};
    }
    // Imports track 1 into the tree; a failure fails the test.
    void ImportInto(CTarnwick_ISO9660FileTree& p__Tree, BOOLEAN p__Joliet) {
        try {
            m__Burner->ImportTrack(&p__Tree, 1, p__Joliet);
        } catch (CTarnwick_Exception* l__Exception) {
            ADD_FAILURE() << (l__Exception ? l__Exception->GetExceptionText() : "NULL");
            delete l__Exception;
        }
    }
    // Imports track 1 into a fresh ISO9660 tree and gives the names it holds.
    std::vector<std::string> ImportNames(BOOLEAN p__Joliet = FALSE) {
        CTarnwick_ISO9660FileTree l__Tree(Ignore, nullptr, FALSE, FALSE, FALSE);
        ImportInto(l__Tree, p__Joliet);
        return Names(l__Tree);
    }

    FakeClock m__Clock;
    std::unique_ptr<RecorderUnderTest> m__Recorder;
    std::unique_ptr<CTarnwick_CdvdBurnerGrabber> m__Burner;
    fs::path m__Source;
};

TEST_F(ImportOnRecorder, SecondSessionShowsOldAndNewFiles) {
    BurnBytes(FirstImage(true));
    // Without Joliet: the ISO9660 names (version dropped) and the old extents.
    std::vector<std::string> l__IsoNames = ImportNames(FALSE);
    EXPECT_TRUE(Has(l__IsoNames, "README.TXT"));
    EXPECT_TRUE(Has(l__IsoNames, "DOCS/NOTES.TXT"));
    EXPECT_TRUE(Has(l__IsoNames, "DOCS/DEEPER/LEAF.BIN"));
    EXPECT_TRUE(Has(l__IsoNames, "EMPTY.TXT"));

    const ULONG l__ULONG__Next = NextWritableAddress(2);
    ASSERT_GT(l__ULONG__Next, 0u);
    CTarnwick_JolietFileTree l__Tree(Ignore, nullptr, FALSE, FALSE, FALSE);
    ImportInto(l__Tree, TRUE);
    ASSERT_FALSE(HasFailure());
    std::vector<std::string> l__Names = Names(l__Tree);
    EXPECT_TRUE(Has(l__Names, "Long Name Of A File.txt"));
    EXPECT_TRUE(Has(l__Names, "docs/deeper/leaf.bin"));
    // A new file, and a new README.TXT that replaces the old one.
    fs::path l__New = fs::path(m__Recorder->Dir()) / "new";
    fs::create_directories(l__New / "docs");
    std::ofstream(l__New / "added.txt") << "second session\n";
    std::ofstream(l__New / "README.TXT") << "second session readme\n";
    std::ofstream(l__New / "docs" / "later.txt") << "later\n";
    l__Tree.CreateFromRootChecked((l__New / "added.txt").c_str(), nullptr, CTarnwick_FileTree::TimeLastWrite, l__Tree.GetRoot());
    l__Tree.CreateFromRootChecked((l__New / "README.TXT").c_str(), nullptr, CTarnwick_FileTree::TimeLastWrite, l__Tree.GetRoot());
    CTarnwick_FileTreeNode* l__Docs = nullptr;
    for (CTarnwick_FileTreeNode* l__Kid = l__Tree.GetRoot()->GetFirstKid(); l__Kid; l__Kid = l__Kid->GetNextSibling())
        if (l__Kid->GetLongFileName() == "docs") l__Docs = l__Kid;
    ASSERT_NE(l__Docs, nullptr);
    l__Tree.CreateFromRootChecked((l__New / "docs" / "later.txt").c_str(), nullptr, CTarnwick_FileTree::TimeLastWrite, l__Docs);
    Build(l__Tree, l__ULONG__Next, "SECOND");
    const uint64_t l__ULONGLONG__Size = l__Tree.GetImage()->GetSize();
    BurnBytes(ImageOf(l__Tree));
    // Only the system structures and the three new files were written.
    EXPECT_EQ(l__ULONGLONG__Size, l__Tree.GetSystemStructuresSize() + 3 * 2048);

    std::string l__Iso = m__Recorder->Dir() + "/disc.iso";
    ASSERT_EQ(m__Recorder->Vdisc("export {} --track 2 '" + l__Iso + "'"), 0);
    REQUIRE_TOOL("xorriso");
    fs::path l__Out = fs::path(m__Recorder->Dir()) / "out";
    std::string l__Log;
    int l__Exit = RecorderUnderTest::Run("xorriso -abort_on FAILURE -read_fs norock -joliet_map stripped -load sbsector " +
                                             std::to_string(l__ULONG__Next) + " -indev '" + l__Iso +
                                             "' -osirrox on -extract / '" + l__Out.string() + "' 2>&1",
                                         &l__Log);
    ASSERT_EQ(l__Exit, 0) << l__Log;
    EXPECT_EQ(ReadText(l__Out / "README.TXT"), "second session readme\n");
    EXPECT_EQ(ReadText(l__Out / "added.txt"), "second session\n");
    EXPECT_EQ(ReadText(l__Out / "docs" / "later.txt"), "later\n");
    EXPECT_EQ(ReadText(l__Out / "docs" / "notes.txt"), ReadText(m__Source / "docs" / "notes.txt"));
    EXPECT_EQ(ReadText(l__Out / "docs" / "deeper" / "leaf.bin"), std::string(3000, 'L'));
    EXPECT_EQ(ReadText(l__Out / "Long Name Of A File.txt"), "long name\n");
    EXPECT_TRUE(fs::exists(l__Out / "empty.txt"));
    EXPECT_EQ(fs::file_size(l__Out / "empty.txt"), 0u);
}

TEST_F(ImportOnRecorder, RefusesTracksItCannotImport) {
    CTarnwick_JolietFileTree l__Tree(Ignore, nullptr, FALSE, FALSE, FALSE);
    BurnBytes(FirstImage(false));  // no Joliet descriptor
    BurnBytes(Bytes(2352 * 300, 0x11), 2);  // an audio track
    const std::string l__Invalid = "\nCTarnwick_CdvdBurnerGrabber::ImportTrack(): Invalid track number to import\n";
    for (UCHAR l__Track : {0, 2, 3, 99}) {
        auto l__Failure = ImportFails(l__Tree, l__Track, FALSE);
        EXPECT_EQ(l__Failure.first, static_cast<ULONG>(EXCEPTION_NUMBER_INVALID_PARAMETER)) << int{l__Track};
        EXPECT_EQ(l__Failure.second, l__Invalid) << int{l__Track};
    }
    auto l__NoSvd = ImportFails(l__Tree, 1, TRUE);
    EXPECT_EQ(l__NoSvd.first, static_cast<ULONG>(EXCEPTION_NUMBER_INVALID_PARAMETER));
    EXPECT_EQ(l__NoSvd.second, "\nCTarnwick_CdvdBurnerGrabber::ImportTrack(): Volume Descriptor was not found\n");
    EXPECT_EQ(l__Tree.GetRoot(), nullptr);
    try {
        m__Burner->ImportTrack(nullptr, 1, FALSE);
        ADD_FAILURE() << "a NULL tree was taken";
    } catch (CTarnwick_Exception* l__Exception) {
        EXPECT_EQ(l__Exception->GetExceptionNumber(), static_cast<ULONG>(EXCEPTION_NUMBER_INVALID_PARAMETER));
        delete l__Exception;
    }
    // The flat function: the same refusal, and NULL or foreign references.
    char l__Text[1024] = {};
    ULONG l__SystemError = 0;
    PVOID l__Burner = static_cast<CTarnwick_EmptyBase*>(m__Burner.get());
    PVOID l__TreeHandle = static_cast<CTarnwick_EmptyBase*>(&l__Tree);
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_ImportTrack(l__Burner, l__TreeHandle, 0, FALSE, l__Text, sizeof(l__Text),
                                                         &l__SystemError),
              static_cast<ULONG>(EXCEPTION_NUMBER_INVALID_PARAMETER));
    EXPECT_NE(std::string(l__Text).find("Invalid track number to import"), std::string::npos) << l__Text;
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_ImportTrack(nullptr, l__TreeHandle, 1, FALSE, l__Text, sizeof(l__Text),
                                                         &l__SystemError),
              static_cast<ULONG>(EXCEPTION_NUMBER_INVALID_PARAMETER));
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_ImportTrack(l__Burner, l__Burner, 1, FALSE, l__Text, sizeof(l__Text),
                                                         &l__SystemError),
              static_cast<ULONG>(EXCEPTION_NUMBER_INVALID_PARAMETER));
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_ImportTrack(l__TreeHandle, l__TreeHandle, 1, FALSE, l__Text,
                                                         sizeof(l__Text), &l__SystemError),
              static_cast<ULONG>(EXCEPTION_NUMBER_INVALID_PARAMETER));
    EXPECT_EQ(Tarnwick_ISO9660JolietFileTree_ImportTrack(l__Burner, l__TreeHandle, 1, FALSE, l__Text, sizeof(l__Text),
                                                         &l__SystemError),
              0u)
        << l__Text;
    EXPECT_TRUE(Has(Names(l__Tree), "DOCS/NOTES.TXT"));
}

// A first-session image made from the source folder (ISO9660 only) and the places of its
// directories, to be patched before it is burned.
struct Crafted {
    Bytes m__Image;
    ULONG m__ULONG__RootExtent;
    ULONG m__ULONG__RootLength;
    DiscRecord m__Docs;
    DiscRecord m__Deeper;
};

class CraftedImport : public ImportOnRecorder {
protected:
    Crafted Make() {
        Crafted l__Crafted;
        l__Crafted.m__Image = FirstImage(false);
        const uint8_t* l__Pvd = l__Crafted.m__Image.data() + 16 * 2048;
        l__Crafted.m__ULONG__RootExtent = CTarnwick_Bytes::GetLittleEndian32(l__Pvd + 158);
        l__Crafted.m__ULONG__RootLength = CTarnwick_Bytes::GetLittleEndian32(l__Pvd + 166);
        l__Crafted.m__Docs = FindRecord(l__Crafted.m__Image, 0, l__Crafted.m__ULONG__RootExtent,
                                        l__Crafted.m__ULONG__RootLength, "DOCS");
        l__Crafted.m__Deeper = FindRecord(l__Crafted.m__Image, 0, l__Crafted.m__Docs.m__ULONG__Extent,
                                          l__Crafted.m__Docs.m__ULONG__Length, "DEEPER");
        return l__Crafted;
    }
    DiscRecord Root(const Crafted& p__Crafted, const std::string& p__Id) {
        return FindRecord(p__Crafted.m__Image, 0, p__Crafted.m__ULONG__RootExtent, p__Crafted.m__ULONG__RootLength, p__Id);
    }
};

TEST_F(CraftedImport, HiddenAndMultiExtentRecordsAreLeftOut) {
    Crafted l__Crafted = Make();
    l__Crafted.m__Image[Root(l__Crafted, "README.TXT;1").m__SIZE__Offset + 25] = 0x01;  // hidden
    l__Crafted.m__Image[Root(l__Crafted, "EMPTY.TXT;1").m__SIZE__Offset + 25] = 0x80;   // more extents follow
    BurnBytes(l__Crafted.m__Image);
    std::vector<std::string> l__Names = ImportNames();
    EXPECT_FALSE(Has(l__Names, "README.TXT"));
    EXPECT_FALSE(Has(l__Names, "EMPTY.TXT"));
    EXPECT_TRUE(Has(l__Names, "DOCS/NOTES.TXT"));
    EXPECT_TRUE(Has(l__Names, "DOCS/DEEPER/LEAF.BIN"));
}

// A file stored in parts (each but the last flagged multi-extent, all under one identifier) is
// imported whole when the parts follow one another on the disc, and left out when they do not:
// never as its last part alone.
class MultiExtentImport : public CraftedImport {
protected:
    // Burns an image of two files of 4096 bytes made into the two parts of one file: the record
    // that comes first in the root is flagged multi-extent and the second takes its identifier;
    // the second part is moved one block away unless contiguous. Imports the track and gives
    // the one node named like the files, or nullptr.
    CTarnwick_FileTreeNode* ImportParts(bool p__bool__Contiguous, CTarnwick_ISO9660FileTree& p__Tree) {
        m__Source = fs::path(m__Recorder->Dir()) / "parts";
        fs::create_directories(m__Source);
        std::ofstream(m__Source / "PART1.BIN") << std::string(4096, '1');
        std::ofstream(m__Source / "PART2.BIN") << std::string(4096, '2');
        Bytes l__Image = FirstImage(false);
        const uint8_t* l__Pvd = l__Image.data() + 16 * 2048;
        std::vector<DiscRecord> l__Records = RecordsOf(l__Image, 0, CTarnwick_Bytes::GetLittleEndian32(l__Pvd + 158),
                                                       CTarnwick_Bytes::GetLittleEndian32(l__Pvd + 166));
        EXPECT_EQ(l__Records.size(), 4u);  // ".", "..", the two files
        if (l__Records.size() != 4) return nullptr;
        const DiscRecord& l__First = l__Records[2];
        const DiscRecord& l__Last = l__Records[3];
        EXPECT_EQ(l__Last.m__ULONG__Extent, l__First.m__ULONG__Extent + 2);  // laid out one after the other
        m__ULONG__FirstExtent = l__First.m__ULONG__Extent;
        m__string__Name = l__First.m__string__Identifier.substr(0, l__First.m__string__Identifier.find(';'));
        l__Image[l__First.m__SIZE__Offset + 25] = 0x80;
        std::copy(l__First.m__string__Identifier.begin(), l__First.m__string__Identifier.end(),
                  l__Image.begin() + static_cast<std::ptrdiff_t>(l__Last.m__SIZE__Offset + 33));
        if (!p__bool__Contiguous) PutBoth32(l__Image, l__Last.m__SIZE__Offset + 2, l__Last.m__ULONG__Extent + 1);
        BurnBytes(l__Image);
        ImportInto(p__Tree, FALSE);
        CTarnwick_FileTreeNode* l__Part = nullptr;
        if (p__Tree.GetRoot() == nullptr) return nullptr;
        for (CTarnwick_FileTreeNode* l__Kid = p__Tree.GetRoot()->GetFirstKid(); l__Kid != nullptr; l__Kid = l__Kid->GetNextSibling()) {
            EXPECT_EQ(l__Part, nullptr) << "a second node for the parts";
            l__Part = l__Kid;
        }
        return l__Part;
    }
    ULONG m__ULONG__FirstExtent = 0;
    std::string m__string__Name;
};

TEST_F(MultiExtentImport, ContiguousPartsMakeOneFileOfTheirWholeLength) {
    CTarnwick_ISO9660FileTree l__Tree(Ignore, nullptr, FALSE, FALSE, FALSE);
    CTarnwick_FileTreeNode* l__Part = ImportParts(true, l__Tree);
    ASSERT_NE(l__Part, nullptr);
    EXPECT_EQ(l__Part->GetLongFileName(), m__string__Name);
    EXPECT_EQ(l__Part->GetSize(), 8192u);
    EXPECT_EQ(static_cast<CTarnwick_ISO9660FileTreeNode*>(l__Part)->GetExtentLocation(), m__ULONG__FirstExtent);
}

TEST_F(MultiExtentImport, ScatteredPartsLeaveTheFileOut) {
    CTarnwick_ISO9660FileTree l__Tree(Ignore, nullptr, FALSE, FALSE, FALSE);
    EXPECT_EQ(ImportParts(false, l__Tree), nullptr);
}

// "." and ".." with system-use data (longer than 34 bytes) are skipped by their own lengths.
TEST_F(CraftedImport, SelfAndParentRecordsWithSystemUseData) {
    Crafted l__Crafted = Make();
    uint8_t* l__Root = l__Crafted.m__Image.data() + l__Crafted.m__ULONG__RootExtent * 2048;
    // Every record after "." moves on by 10 bytes; the end of the sector is padding.
    std::memmove(l__Root + 44, l__Root + 34, 2048 - 44);
    std::memset(l__Root + 34, 'S', 10);
    l__Root[0] = 44;
    BurnBytes(l__Crafted.m__Image);
    std::vector<std::string> l__Names = ImportNames();
    EXPECT_TRUE(Has(l__Names, "README.TXT"));
    EXPECT_TRUE(Has(l__Names, "EMPTY.TXT"));
    EXPECT_TRUE(Has(l__Names, "DOCS/DEEPER/LEAF.BIN"));
}

// A Joliet name with an unpaired surrogate still imports, the unit replaced; a record whose
// name holds no character is left out.
TEST_F(CraftedImport, InvalidJolietNamesAreReplacedOrLeftOut) {
    Bytes l__Image = FirstImage(true);
    const uint8_t* l__Svd = l__Image.data() + 17 * 2048;
    ASSERT_EQ(l__Svd[0], 2);
    DiscRecord l__Readme = FindRecord(l__Image, 0, CTarnwick_Bytes::GetLittleEndian32(l__Svd + 158),
                                      CTarnwick_Bytes::GetLittleEndian32(l__Svd + 166),
                                      CTarnwick_Utf16::ToBigEndian(u"README.TXT;1"));
    ASSERT_NE(l__Readme.m__SIZE__Offset, 0u);
    l__Image[l__Readme.m__SIZE__Offset + 33] = 0xD8;  // "R" becomes a lone high surrogate
    l__Image[l__Readme.m__SIZE__Offset + 34] = 0x00;
    // A one-byte Joliet identifier has no character at all: that record is left out.
    DiscRecord l__Empty = FindRecord(l__Image, 0, CTarnwick_Bytes::GetLittleEndian32(l__Svd + 158),
                                     CTarnwick_Bytes::GetLittleEndian32(l__Svd + 166),
                                     CTarnwick_Utf16::ToBigEndian(u"empty.txt;1"));
    ASSERT_NE(l__Empty.m__SIZE__Offset, 0u);
    l__Image[l__Empty.m__SIZE__Offset + 32] = 1;
    BurnBytes(l__Image);
    CTarnwick_JolietFileTree l__Tree(Ignore, nullptr, FALSE, FALSE, FALSE);
    ImportInto(l__Tree, TRUE);
    std::vector<std::string> l__Names = Names(l__Tree);
    EXPECT_TRUE(Has(l__Names, "\xEF\xBF\xBD" "EADME.TXT"));
    EXPECT_TRUE(Has(l__Names, "docs/notes.txt"));
    EXPECT_FALSE(Has(l__Names, ""));
    EXPECT_FALSE(Has(l__Names, "empty.txt"));
}

TEST_F(CraftedImport, MalformedRecordsEndTheirDirectory) {
    struct Case {
        const char* m__PCHAR__Name;
        std::function<void(Crafted&)> m__Patch;
        std::vector<std::string> m__Present;
        std::vector<std::string> m__Absent;
    };
    std::vector<Case> l__Cases = {
        {"record running past its directory",
         [&](Crafted& c) {
             // DOCS says its directory holds no more than its first file record's start + 20.
             std::vector<DiscRecord> l__Records =
                 RecordsOf(c.m__Image, 0, c.m__Docs.m__ULONG__Extent, c.m__Docs.m__ULONG__Length);
             ASSERT_GE(l__Records.size(), 3u);
             ULONG l__ULONG__Short = static_cast<ULONG>(l__Records[2].m__SIZE__Offset -
                                                        c.m__Docs.m__ULONG__Extent * 2048 + 20);
             PutBoth32(c.m__Image, c.m__Docs.m__SIZE__Offset + 10, l__ULONG__Short);
         },
         {"README.TXT", "DOCS"},
         {"DOCS/DEEPER", "DOCS/NOTES.TXT"}},
        {"identifier longer than its record",
         [&](Crafted& c) { c.m__Image[Root(c, "DOCS").m__SIZE__Offset + 32] = 200; },
         {},
         {"DOCS"}},
        {"record length below 34",
         [&](Crafted& c) { c.m__Image[c.m__Deeper.m__SIZE__Offset] = 20; },
         {"DOCS"},
         {"DOCS/DEEPER"}},
        {"file extent beyond the track",
         [&](Crafted& c) { PutBoth32(c.m__Image, Root(c, "README.TXT;1").m__SIZE__Offset + 2, 200000); },
         {"DOCS/NOTES.TXT", "EMPTY.TXT"},
         {"README.TXT"}},
        {"directory length that is absurd",
         [&](Crafted& c) { PutBoth32(c.m__Image, c.m__Docs.m__SIZE__Offset + 10, 0xFFFFF000u); },
         {"README.TXT"},
         {"DOCS", "DOCS/NOTES.TXT"}},
        {"directory that contains itself",
         [&](Crafted& c) { PutBoth32(c.m__Image, c.m__Deeper.m__SIZE__Offset + 2, c.m__Docs.m__ULONG__Extent); },
         {"DOCS/NOTES.TXT", "DOCS/DEEPER"},
         {"DOCS/DEEPER/NOTES.TXT"}},
        {"two directories that contain each other",
         [&](Crafted& c) {
             // DEEPER's subdirectory record is made from its file record: it leads back to DOCS.
             DiscRecord l__Leaf = FindRecord(c.m__Image, 0, c.m__Deeper.m__ULONG__Extent, c.m__Deeper.m__ULONG__Length,
                                             "LEAF.BIN;1");
             PutBoth32(c.m__Image, l__Leaf.m__SIZE__Offset + 2, c.m__Docs.m__ULONG__Extent);
             PutBoth32(c.m__Image, l__Leaf.m__SIZE__Offset + 10, c.m__Docs.m__ULONG__Length);
             c.m__Image[l__Leaf.m__SIZE__Offset + 25] = 0x02;
         },
         {"DOCS/DEEPER/LEAF.BIN", "DOCS/NOTES.TXT"},
         {"DOCS/DEEPER/LEAF.BIN/NOTES.TXT"}},
    };
    for (const Case& l__Case : l__Cases) {
        SCOPED_TRACE(l__Case.m__PCHAR__Name);
        // A fresh blank disc for each case.
        m__Burner.reset();
        m__Recorder.reset();
        SetUp();
        Crafted l__Crafted = Make();
        l__Case.m__Patch(l__Crafted);
        BurnBytes(l__Crafted.m__Image);
        std::vector<std::string> l__Names = ImportNames();
        for (const std::string& l__Name : l__Case.m__Present) EXPECT_TRUE(Has(l__Names, l__Name)) << l__Name;
        for (const std::string& l__Name : l__Case.m__Absent) EXPECT_FALSE(Has(l__Names, l__Name)) << l__Name;
    }
}

}  // namespace
