// Rock Ridge records as the tree writes them: names, links and attributes split between
// records and continuation areas, deep directories relocated, hard links, made-up
// attributes, and a layout that a reader walking the disc forward accepts.
#include <sys/stat.h>
#include <unistd.h>

#include <map>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_RockRidgeRecord.h"
#include "MasteringFixture.h"

namespace {

void Quiet(ULONG, PVOID, PVOID, PVOID) {}

// One directory record read back from the system structures.
struct ReadRecord {
    std::string m__string__Identifier;
    UCHAR m__UCHAR__Flags;
    ULONG m__ULONG__Extent;
    ULONG m__ULONG__Size;
    ULONG m__ULONG__Length;
    // The system-use entries, continuation areas followed, by signature in order.
    std::multimap<std::string, std::string> m__Entries;
    std::vector<std::string> m__Order;
};

// The system structures of a built tree that starts at sector 0 (or any blocks from sector 0).
class Structures {
public:
    explicit Structures(const CTarnwick_ISO9660FileTree& p__Tree)
        : m__PUCHAR__Bytes(p__Tree.GetSystemStructures()), m__ULONGLONG__Size(p__Tree.GetSystemStructuresSize()) {}
    explicit Structures(const std::vector<UCHAR>& p__Blocks) : m__PUCHAR__Bytes(p__Blocks.data()), m__ULONGLONG__Size(p__Blocks.size()) {}

    const UCHAR* At(uint64_t p__ULONGLONG__Offset, uint64_t p__ULONGLONG__Length) const {
        EXPECT_LE(p__ULONGLONG__Offset + p__ULONGLONG__Length, m__ULONGLONG__Size);
        return p__ULONGLONG__Offset + p__ULONGLONG__Length <= m__ULONGLONG__Size ? m__PUCHAR__Bytes + p__ULONGLONG__Offset
                                                                              : nullptr;
    }
    // Walks one system-use area into the record's entries; CE areas are followed.
    void Walk(const UCHAR* p__PUCHAR__Area, ULONG p__ULONG__Length, ReadRecord* p__Record, int p__INT__Depth = 0) const {
        ASSERT_LT(p__INT__Depth, 32) << "continuation areas chain without end";
        ULONG l__ULONG__At = 0;
        while (l__ULONG__At + 4 <= p__ULONG__Length) {
            const UCHAR* l__PUCHAR__Entry = p__PUCHAR__Area + l__ULONG__At;
            ULONG l__ULONG__Entry = l__PUCHAR__Entry[2];
            ASSERT_GE(l__ULONG__Entry, 4u);
            ASSERT_LE(l__ULONG__At + l__ULONG__Entry, p__ULONG__Length);
            std::string l__string__Signature(reinterpret_cast<const char*>(l__PUCHAR__Entry), 2);
            p__Record->m__Entries.emplace(l__string__Signature, std::string(reinterpret_cast<const char*>(l__PUCHAR__Entry),
                                                                            l__ULONG__Entry));
            p__Record->m__Order.push_back(l__string__Signature);
            if (l__string__Signature == "CE") {
                ULONG l__ULONG__Block = CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Entry + 4);
                ULONG l__ULONG__Offset = CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Entry + 12);
                ULONG l__ULONG__Area = CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Entry + 20);
                EXPECT_LE(l__ULONG__Offset + l__ULONG__Area, 2048u) << "a continuation area crosses a block end";
                const UCHAR* l__PUCHAR__Next = At(uint64_t{l__ULONG__Block} * 2048 + l__ULONG__Offset, l__ULONG__Area);
                ASSERT_NE(l__PUCHAR__Next, nullptr);
                Walk(l__PUCHAR__Next, l__ULONG__Area, p__Record, p__INT__Depth + 1);
            }
            l__ULONG__At += l__ULONG__Entry;
        }
    }
    // The records of the directory at an extent ("." and ".." first).
    std::vector<ReadRecord> Directory(ULONG p__ULONG__Extent) const {
        std::vector<ReadRecord> l__Records;
        const UCHAR* l__PUCHAR__First = At(uint64_t{p__ULONG__Extent} * 2048, 34);
        if (l__PUCHAR__First == nullptr) return l__Records;
        ULONG l__ULONG__Length = CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__First + 10);
        const UCHAR* l__PUCHAR__Directory = At(uint64_t{p__ULONG__Extent} * 2048, l__ULONG__Length);
        if (l__PUCHAR__Directory == nullptr) return l__Records;
        ULONG l__ULONG__At = 0;
        while (l__ULONG__At < l__ULONG__Length) {
            const UCHAR* l__PUCHAR__Record = l__PUCHAR__Directory + l__ULONG__At;
            if (l__PUCHAR__Record[0] == 0) {
                l__ULONG__At = (l__ULONG__At / 2048 + 1) * 2048;
                continue;
            }
            ReadRecord l__Record;
            l__Record.m__ULONG__Length = l__PUCHAR__Record[0];
            EXPECT_EQ(l__Record.m__ULONG__Length % 2, 0u);
            EXPECT_LE(l__ULONG__At % 2048 + l__Record.m__ULONG__Length, 2048u);
            l__Record.m__ULONG__Extent = CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Record + 2);
            l__Record.m__ULONG__Size = CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Record + 10);
            l__Record.m__UCHAR__Flags = l__PUCHAR__Record[25];
            ULONG l__ULONG__Identifier = l__PUCHAR__Record[32];
            l__Record.m__string__Identifier.assign(reinterpret_cast<const char*>(l__PUCHAR__Record + 33), l__ULONG__Identifier);
            ULONG l__ULONG__SystemUse = 33 + l__ULONG__Identifier + ((l__ULONG__Identifier & 1) == 0 ? 1 : 0);
            Walk(l__PUCHAR__Record + l__ULONG__SystemUse, l__Record.m__ULONG__Length - l__ULONG__SystemUse, &l__Record);
            l__Records.push_back(std::move(l__Record));
            l__ULONG__At += l__PUCHAR__Record[0];
        }
        return l__Records;
    }
    ULONG RootExtent() const { return CTarnwick_Bytes::GetLittleEndian32(At(16 * 2048 + 156 + 2, 4)); }

private:
    const UCHAR* m__PUCHAR__Bytes;
    uint64_t m__ULONGLONG__Size;
};

// The Rock Ridge name of a record: its NM pieces joined.
std::string NameOf(const ReadRecord& p__Record) {
    std::string l__string__Name;
    auto l__Range = p__Record.m__Entries.equal_range("NM");
    for (auto l__It = l__Range.first; l__It != l__Range.second; ++l__It) l__string__Name += l__It->second.substr(5);
    return l__string__Name;
}

// The link target of a record: its SL component records joined.
std::string TargetOf(const ReadRecord& p__Record) {
    std::string l__string__Target;
    bool l__bool__Glue = true;  // the previous component continues into this one
    auto l__Range = p__Record.m__Entries.equal_range("SL");
    for (auto l__It = l__Range.first; l__It != l__Range.second; ++l__It) {
        const std::string& l__Entry = l__It->second;
        for (size_t l__At = 5; l__At + 2 <= l__Entry.size(); l__At += 2 + static_cast<UCHAR>(l__Entry[l__At + 1])) {
            UCHAR l__Flags = static_cast<UCHAR>(l__Entry[l__At]);
            if (!l__bool__Glue && l__string__Target != "/") l__string__Target.push_back('/');
            // Appended in place: GCC 12 warns falsely about the string operators here.
            if (l__Flags & 0x08) l__string__Target.assign(1, '/');
            else if (l__Flags & 0x02) l__string__Target.push_back('.');
            else if (l__Flags & 0x04) l__string__Target.append(2, '.');
            else l__string__Target.append(l__Entry, l__At + 2, static_cast<UCHAR>(l__Entry[l__At + 1]));
            l__bool__Glue = (l__Flags & 0x08) != 0 || (l__Flags & 0x01) != 0;
        }
    }
    return l__string__Target;
}

ULONG Px(const ReadRecord& p__Record, int p__INT__Field) {
    auto l__It = p__Record.m__Entries.find("PX");
    EXPECT_NE(l__It, p__Record.m__Entries.end());
    if (l__It == p__Record.m__Entries.end()) return 0;
    return CTarnwick_Bytes::GetLittleEndian32(reinterpret_cast<const UCHAR*>(l__It->second.data()) + 4 + 8 * p__INT__Field);
}

const ReadRecord* Find(const std::vector<ReadRecord>& p__Records, const std::string& p__string__Name) {
    for (const ReadRecord& l__Record : p__Records)
        if (NameOf(l__Record) == p__string__Name) return &l__Record;
    return nullptr;
}

std::unique_ptr<CTarnwick_ISO9660FileTree> RockRidgeTree() {
    auto l__Tree = std::make_unique<CTarnwick_ISO9660FileTree>(Quiet, nullptr, FALSE, FALSE, TRUE);
    l__Tree->SetRockRidge(TRUE);
    return l__Tree;
}

void Build(CTarnwick_ISO9660FileTree& p__Tree) {
    p__Tree.BuildImage(0, 0, FALSE, "RR", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

TEST(RockRidgeRecord, LongNamesAndLinksSpillIntoChainedAreasThatStayInsideBlocks) {
    CTarnwick_RockRidgeAttributes l__Link;
    l__Link.m__ULONG__Mode = CTarnwick_RockRidgeAttributes::TypeLink | 0777;
    // 12 components of 248 bytes and a parent step: more than one continuation block.
    std::string l__string__Target = "../";
    for (int i = 0; i < 12; ++i) l__string__Target += std::string(248, static_cast<char>('a' + i)) + (i < 11 ? "/" : "");
    l__Link.m__string__LinkTarget = l__string__Target;
    const std::string l__string__Name(255, 'N');
    CTarnwick_RockRidgeRecord::Content l__Content;
    l__Content.m__PAttributes = &l__Link;
    l__Content.m__Pstring__Name = &l__string__Name;
    const ULONG l__ULONG__Base = 33 + 31;
    CTarnwick_RockRidgeRecord l__Record(l__Content, l__ULONG__Base);
    EXPECT_LE(l__ULONG__Base + l__Record.GetSystemUseLength(), 254u);
    ASSERT_GE(l__Record.GetAreaLengths().size(), 2u);
    for (ULONG l__ULONG__Area : l__Record.GetAreaLengths()) EXPECT_LE(l__ULONG__Area, 2048u);

    // Written into three blocks of a scratch image, the areas read back whole.
    std::vector<UCHAR> l__Image(8 * 2048, 0);
    std::vector<CTarnwick_RockRidgeRecord::Place> l__Places;
    ULONG l__ULONG__Offset = 100;  // the first area does not start a block
    ULONG l__ULONG__Block = 3;
    for (ULONG l__ULONG__Area : l__Record.GetAreaLengths()) {
        if (l__ULONG__Offset + l__ULONG__Area > 2048) { ++l__ULONG__Block; l__ULONG__Offset = 0; }
        l__Places.push_back({l__ULONG__Block, l__ULONG__Offset});
        l__ULONG__Offset += l__ULONG__Area;
    }
    std::vector<UCHAR> l__SystemUse(l__Record.GetSystemUseLength());
    l__Record.Write(l__SystemUse.data(), l__Places,
                    [&](const CTarnwick_RockRidgeRecord::Place& p) { return l__Image.data() + p.m__ULONG__Block * 2048 + p.m__ULONG__Offset; });
    ReadRecord l__Read;
    // The areas must chain from the record on, each inside its block.
    Structures(l__Image).Walk(l__SystemUse.data(), static_cast<ULONG>(l__SystemUse.size()), &l__Read);
    EXPECT_EQ(NameOf(l__Read), l__string__Name);
    EXPECT_EQ(TargetOf(l__Read), l__string__Target);
    // The name's first piece fills what the record has left: readers that never follow
    // CE show as much of it as they can.
    auto l__First = l__Read.m__Entries.find("NM");
    ASSERT_NE(l__First, l__Read.m__Entries.end());
    EXPECT_EQ(l__First->second[4], 1) << "the first NM piece must say that the name goes on";
}

TEST(RockRidgeRecord, DatesBeyondTheRecordRangeAreHeldAtItsEnds) {
    auto PutDate = [](UCHAR* p__Date, LONGLONG p__Time) { CTarnwick_ISO9660FileTreeNode::RecordingDateOfUnixTime(p__Time, p__Date); };
    UCHAR l__UCHAR__Date[7];
    PutDate(l__UCHAR__Date, 1583305567);  // 2020-03-04 07:06:07 UTC
    EXPECT_EQ(std::vector<UCHAR>(l__UCHAR__Date, l__UCHAR__Date + 7), (std::vector<UCHAR>{120, 3, 4, 7, 6, 7, 0}));
    PutDate(l__UCHAR__Date, -5000000000LL);  // before 1900
    EXPECT_EQ(std::vector<UCHAR>(l__UCHAR__Date, l__UCHAR__Date + 7), (std::vector<UCHAR>{0, 1, 1, 0, 0, 0, 0}));
    PutDate(l__UCHAR__Date, 9000000000LL);  // after 2155
    EXPECT_EQ(l__UCHAR__Date[0], 255);
}

TEST(RockRidgeTree, RelocatesDeepDirectoriesWithLinksBothWaysAndAForwardLayout) {
    MasteringScratch l__Scratch;
    std::string l__string__Deep = "src";
    for (int i = 1; i <= 20; ++i) l__string__Deep += "/d" + std::to_string(i);
    l__Scratch.File(l__string__Deep + "/bottom", "deep");
    // Two relocated directories of one name: their identifiers in rr_moved differ.
    l__Scratch.Directory("src/x/a/b/c/d/e/f/same");
    l__Scratch.Directory("src/y/a/b/c/d/e/f/same");
    auto l__Tree = RockRidgeTree();
    l__Tree->CreateFromDirectoryContents(l__Scratch.Directory("src").c_str(), CTarnwick_FileTree::TimeLastWrite, nullptr);
    Build(*l__Tree);
    Structures l__Structures(*l__Tree);
    std::vector<ReadRecord> l__Root = l__Structures.Directory(l__Structures.RootExtent());
    ASSERT_GE(l__Root.size(), 2u);
    EXPECT_EQ(l__Root[0].m__Order.front(), "SP");
    EXPECT_EQ(l__Root[0].m__Entries.count("ER"), 1u);
    const ReadRecord* l__Moved = Find(l__Root, "rr_moved");
    ASSERT_NE(l__Moved, nullptr);
    EXPECT_EQ(l__Moved->m__Entries.count("RE"), 1u) << "the relocation directory hides itself";
    std::vector<ReadRecord> l__Relocated = l__Structures.Directory(l__Moved->m__ULONG__Extent);
    std::set<std::string> l__Identifiers;
    for (size_t i = 2; i < l__Relocated.size(); ++i) {
        EXPECT_EQ(l__Relocated[i].m__Entries.count("RE"), 1u);
        EXPECT_TRUE(l__Identifiers.insert(l__Relocated[i].m__string__Identifier).second) << l__Relocated[i].m__string__Identifier;
    }
    // d8, d14 and d20 lie at level 9 of their chains, and the two "same".
    EXPECT_EQ(l__Relocated.size(), 2u + 5u);
    // Walk d1..d20 as a reader that follows CL: every step is found, a CL record is an
    // empty file at the directory it stands for, whose ".." names the real parent by PL.
    ULONG l__ULONG__Extent = l__Structures.RootExtent();
    int l__INT__Level = 1;  // of the directory walked, in the ISO9660 hierarchy
    int l__INT__Relocations = 0;
    for (int i = 1; i <= 20; ++i) {
        std::vector<ReadRecord> l__Records = l__Structures.Directory(l__ULONG__Extent);
        const ReadRecord* l__Step = Find(l__Records, "d" + std::to_string(i));
        ASSERT_NE(l__Step, nullptr) << "d" << i;
        if (l__Step->m__Entries.count("CL") != 0) {
            EXPECT_EQ(l__Step->m__UCHAR__Flags & 0x02, 0) << "a CL record is a file record";
            EXPECT_EQ(l__Step->m__ULONG__Size, 0u);
            ULONG l__ULONG__Child = CTarnwick_Bytes::GetLittleEndian32(
                reinterpret_cast<const UCHAR*>(l__Step->m__Entries.find("CL")->second.data()) + 4);
            std::vector<ReadRecord> l__Child = l__Structures.Directory(l__ULONG__Child);
            ASSERT_GE(l__Child.size(), 2u);
            ASSERT_EQ(l__Child[1].m__Entries.count("PL"), 1u);
            EXPECT_EQ(CTarnwick_Bytes::GetLittleEndian32(
                          reinterpret_cast<const UCHAR*>(l__Child[1].m__Entries.find("PL")->second.data()) + 4),
                      l__ULONG__Extent);
            if (i > 8) {
                EXPECT_GT(l__ULONG__Child, l__ULONG__Extent) << "d" << i << " lies before its CL record's directory";
            }
            EXPECT_EQ(l__INT__Level, 8) << "d" << i << " was relocated before it had to be";
            l__ULONG__Extent = l__ULONG__Child;
            l__INT__Level = 3;
            ++l__INT__Relocations;
        } else {
            EXPECT_NE(l__Step->m__UCHAR__Flags & 0x02, 0);
            EXPECT_LT(l__INT__Level, 8) << "d" << i << " sits deeper than 8 levels";
            l__ULONG__Extent = l__Step->m__ULONG__Extent;
            ++l__INT__Level;
        }
    }
    EXPECT_EQ(l__INT__Relocations, 3);
    EXPECT_NE(Find(l__Structures.Directory(l__ULONG__Extent), "bottom"), nullptr);
}

TEST(RockRidgeTree, HardLinksShareASerialAndDirectoriesCountTheirSubdirectories) {
    MasteringScratch l__Scratch;
    std::string l__string__One = l__Scratch.File("src/one", "1");
    ASSERT_EQ(::link(l__string__One.c_str(), (l__Scratch / "src/two").c_str()), 0);
    l__Scratch.File("src/three", "3");
    l__Scratch.Directory("src/sub/a");
    l__Scratch.Directory("src/sub/b");
    ASSERT_EQ(::symlink("sub/a", (l__Scratch / "src/link").c_str()), 0);
    ASSERT_EQ(::mkfifo((l__Scratch / "src/fifo").c_str(), 0640), 0);
    auto l__Tree = RockRidgeTree();
    l__Tree->CreateFromDirectoryContents(l__Scratch.Directory("src").c_str(), CTarnwick_FileTree::TimeLastWrite, nullptr);
    // A memory block and a virtual directory have no attributes of their own.
    static const char s__CHAR__Bytes[] = "memory";
    l__Tree->CreateFromRootMemoryChecked(s__CHAR__Bytes, 6, "mem.txt", CTarnwick_FileTree::TimeLastWrite, nullptr);
    l__Tree->CreateFromRootVirtual("virtual", CTarnwick_FileTree::TimeLastWrite, nullptr);
    Build(*l__Tree);
    Structures l__Structures(*l__Tree);
    std::vector<ReadRecord> l__Root = l__Structures.Directory(l__Structures.RootExtent());
    const ReadRecord* l__One = Find(l__Root, "one");
    const ReadRecord* l__Two = Find(l__Root, "two");
    const ReadRecord* l__Three = Find(l__Root, "three");
    ASSERT_TRUE(l__One && l__Two && l__Three);
    EXPECT_EQ(Px(*l__One, 1), 2u);
    EXPECT_EQ(Px(*l__One, 4), Px(*l__Two, 4));
    EXPECT_NE(Px(*l__One, 4), Px(*l__Three, 4));
    const ReadRecord* l__Sub = Find(l__Root, "sub");
    ASSERT_NE(l__Sub, nullptr);
    EXPECT_EQ(Px(*l__Sub, 1), 4u);
    EXPECT_EQ(Px(l__Root[0], 1), 2u + 2u) << "the root holds sub and virtual";
    const ReadRecord* l__Link = Find(l__Root, "link");
    ASSERT_NE(l__Link, nullptr);
    EXPECT_EQ(Px(*l__Link, 0) & 0170000, 0120000u);
    EXPECT_EQ(TargetOf(*l__Link), "sub/a");
    const ReadRecord* l__Fifo = Find(l__Root, "fifo");
    ASSERT_NE(l__Fifo, nullptr);
    EXPECT_EQ(Px(*l__Fifo, 0), 0010640u);
    const ReadRecord* l__Memory = Find(l__Root, "mem.txt");
    const ReadRecord* l__Virtual = Find(l__Root, "virtual");
    ASSERT_TRUE(l__Memory && l__Virtual);
    EXPECT_EQ(Px(*l__Memory, 0), 0100444u);
    EXPECT_EQ(Px(*l__Virtual, 0), 0040555u);
    // The switch is refused once the image is built.
    try {
        l__Tree->SetRockRidge(FALSE);
        ADD_FAILURE() << "SetRockRidge after the build succeeded";
    } catch (CTarnwick_Exception* l__Exception) {
        EXPECT_EQ(l__Exception->GetExceptionNumber(), static_cast<ULONG>(EXCEPTION_NUMBER_INVALID_STATE));
        delete l__Exception;
    }
}

TEST(RockRidgeTree, BsdtarReadsEveryLevelOfARelocatedChain) {
    REQUIRE_TOOL("bsdtar");
    MasteringScratch l__Scratch;
    std::string l__string__Deep = "src";
    for (int i = 1; i <= 20; ++i) l__string__Deep += "/d" + std::to_string(i);
    l__Scratch.File(l__string__Deep + "/bottom", "deep");
    const std::string l__string__Image = l__Scratch / "deep.iso";
    const std::string l__string__Command = std::string(TARNWICK_MKISO) + " -q -R -o '" + l__string__Image + "' '" +
                                           l__Scratch.Directory("src") + "' 2>&1 && bsdtar -tf '" + l__string__Image + "' 2>&1";
    FILE* l__Pipe = ::popen(l__string__Command.c_str(), "r");
    ASSERT_NE(l__Pipe, nullptr);
    std::string l__string__Output;
    char l__CHAR__Buffer[4096];
    size_t l__SIZE__Read;
    while ((l__SIZE__Read = std::fread(l__CHAR__Buffer, 1, sizeof(l__CHAR__Buffer), l__Pipe)) > 0) l__string__Output.append(l__CHAR__Buffer, l__SIZE__Read);
    EXPECT_EQ(::pclose(l__Pipe), 0) << l__string__Output;
    EXPECT_NE(l__string__Output.find(l__string__Deep.substr(4) + "/bottom"), std::string::npos) << l__string__Output;
    EXPECT_EQ(l__string__Output.find("rr_moved"), std::string::npos) << l__string__Output;
}

TEST(RockRidgeTree, ANodeRenamedByTheCollisionProtocolGetsARockRidgeNameOfItsOwn) {
    // The application renames the new node's identifier; its long name stays that of the
    // node it met, and the records must not give two entries one name.
    PROGRESS_CALLBACK l__Rename = [](ULONG p__ULONG__Reason, PVOID, PVOID p__PVOID__Information, PVOID) {
        if (p__ULONG__Reason != NAME_COLLISION) return;
        auto* l__Information = static_cast<NAME_COLLISION_INFORMATION*>(p__PVOID__Information);
        std::memset(l__Information->m__UCHAR__NewName, 0, sizeof(l__Information->m__UCHAR__NewName));
        std::memcpy(l__Information->m__UCHAR__NewName, "SAME_1.TXT", 10);
        l__Information->m__ULONG__Action = NAME_COLLISION_ACTION_RENAME_NEW;
    };
    CTarnwick_ISO9660FileTree l__Tree(l__Rename, nullptr, FALSE, FALSE, TRUE);
    l__Tree.SetRockRidge(TRUE);
    static const char s__CHAR__First[] = "first";
    static const char s__CHAR__Second[] = "second";
    l__Tree.CreateFromRootMemoryChecked(s__CHAR__First, 5, "same.txt", CTarnwick_FileTree::TimeLastWrite, nullptr);
    l__Tree.CreateFromRootMemoryChecked(s__CHAR__Second, 6, "same.txt", CTarnwick_FileTree::TimeLastWrite, nullptr);
    Build(l__Tree);
    Structures l__Structures(l__Tree);
    std::vector<ReadRecord> l__Root = l__Structures.Directory(l__Structures.RootExtent());
    ASSERT_EQ(l__Root.size(), 4u);
    EXPECT_EQ(NameOf(l__Root[2]), "same.txt");
    EXPECT_EQ(l__Root[3].m__string__Identifier, "SAME_1.TXT");
    EXPECT_EQ(NameOf(l__Root[3]), "same.txt_1");
}
