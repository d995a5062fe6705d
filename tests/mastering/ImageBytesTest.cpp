// Whole images of fixed trees, byte for byte: any change of the bytes an image is made
// of (descriptors, boot catalog, path tables, records, padding, file contents) changes
// their hash. Only the root's dates come from the clock; they are blanked before hashing.
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "CTarnwick_ISO9660FileTree.h"
#include "CTarnwick_ISO9660Image.h"
#include "MasteringFixture.h"

namespace {

const std::time_t g__time_t__Fixed = 1700000000;  // 2023-11-14 22:13:20 UTC

void Stamp(const std::string& p__string__Path) {
    const struct timespec l__Times[2] = {{g__time_t__Fixed, 0}, {g__time_t__Fixed, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, p__string__Path.c_str(), l__Times, 0), 0) << p__string__Path;
}

// Contents that differ from file to file and from byte to byte.
std::string Pattern(size_t p__SIZE__Size, unsigned p__unsigned__Seed) {
    std::string l__string__Bytes(p__SIZE__Size, '\0');
    uint32_t l__ULONG__State = 2166136261u ^ p__unsigned__Seed;
    for (char& l__CHAR__Byte : l__string__Bytes) {
        l__ULONG__State = l__ULONG__State * 1664525u + 1013904223u;
        l__CHAR__Byte = static_cast<char>(l__ULONG__State >> 24);
    }
    return l__string__Bytes;
}

// A tree in a scratch directory that starts with an empty root; items are added one by
// one (never by walking a directory, whose order is the file system's), all with the same
// file time, while local time is UTC (recording dates do not follow the machine's zone).
class FixedTree {
public:
    explicit FixedTree(BOOLEAN p__BOOLEAN__IsLongNames)
        : m__Zone("UTC0"), m__Tree(TreeRecorder::Callback, &m__Recorder, FALSE, FALSE, p__BOOLEAN__IsLongNames) {
        CTarnwick_FileTreeNode* l__Root = nullptr;
        m__Tree.CreateFromRoot(nullptr, "placeholder", 2, &l__Root);
        CTarnwick_FileTreeNode* l__Placeholder = l__Root->GetFirstKid();
        m__Tree.DeleteNode(&l__Placeholder);
    }

    CTarnwick_ISO9660FileTree& Tree() { return m__Tree; }
    CTarnwick_FileTreeNode* Root() { return m__Tree.GetRoot(); }
    MasteringScratch& Scratch() { return m__Scratch; }

    CTarnwick_FileTreeNode* Directory(CTarnwick_FileTreeNode* p__Parent, const std::string& p__string__Name) {
        std::string l__string__Path = m__Scratch.Directory(Place('d', p__string__Name));
        Stamp(l__string__Path);
        return Add(p__Parent, l__string__Path);
    }
    CTarnwick_FileTreeNode* File(CTarnwick_FileTreeNode* p__Parent, const std::string& p__string__Name, size_t p__SIZE__Size) {
        std::string l__string__Contents = Pattern(p__SIZE__Size, m__int__Count);
        std::string l__string__Path = m__Scratch.File(Place('f', p__string__Name), l__string__Contents);
        Stamp(l__string__Path);
        return Add(p__Parent, l__string__Path);
    }

private:
    // A folder of its own for each item: "d7/name", "f8/name" (appended: GCC 12 warns
    // falsely about operator+ on a one-character literal here).
    std::string Place(char p__CHAR__Kind, const std::string& p__string__Name) {
        std::string l__string__Place(1, p__CHAR__Kind);
        l__string__Place.append(std::to_string(m__int__Count++)).append("/").append(p__string__Name);
        return l__string__Place;
    }
    CTarnwick_FileTreeNode* Add(CTarnwick_FileTreeNode* p__Parent, const std::string& p__string__Path) {
        CTarnwick_FileTreeNode* l__Parent = p__Parent;
        m__Tree.CreateFromRoot(p__string__Path.c_str(), nullptr, CTarnwick_FileTree::TimeLastWrite, &l__Parent);
        CTarnwick_FileTreeNode* l__Kid = l__Parent->GetFirstKid();
        while (l__Kid->GetNextSibling() != nullptr) l__Kid = l__Kid->GetNextSibling();
        return l__Kid;
    }

    TimeZone m__Zone;
    MasteringScratch m__Scratch;
    TreeRecorder m__Recorder;
    CTarnwick_ISO9660FileTree m__Tree;
    int m__int__Count = 0;
};

// FNV-1a of the whole image with the dates that come from the clock blanked: the root's
// record in the primary descriptor, its "." and ".." records, and the ".." record of
// each directory right under it.
uint64_t ImageHash(CTarnwick_ISO9660FileTree& p__Tree, ULONG p__ULONG__Start) {
    std::vector<UCHAR> l__Image(p__Tree.GetImage()->GetSize());
    p__Tree.GetImage()->SeekToBegin();
    p__Tree.GetImage()->Read(l__Image.size(), l__Image.data());
    auto l__Blank = [&](uint64_t p__ULONGLONG__Offset) {
        if (p__ULONGLONG__Offset + 7 <= l__Image.size()) std::memset(l__Image.data() + p__ULONGLONG__Offset, 0, 7);
    };
    l__Blank(16 * 2048 + 156 + 18);
    auto l__DirectoryAt = [&](CTarnwick_FileTreeNode* p__Node) {
        return static_cast<uint64_t>(static_cast<CTarnwick_ISO9660FileTreeNode*>(p__Node)->GetExtentLocation() -
                                     p__ULONG__Start) *
               2048;
    };
    l__Blank(l__DirectoryAt(p__Tree.GetRoot()) + 18);
    l__Blank(l__DirectoryAt(p__Tree.GetRoot()) + 34 + 18);
    for (CTarnwick_FileTreeNode* l__Kid = p__Tree.GetRoot()->GetFirstKid(); l__Kid; l__Kid = l__Kid->GetNextSibling())
        if (l__Kid->IsDirectory()) l__Blank(l__DirectoryAt(l__Kid) + 34 + 18);
    uint64_t l__ULONGLONG__Hash = 1469598103934665603ull;
    for (UCHAR l__UCHAR__Byte : l__Image) l__ULONGLONG__Hash = (l__ULONGLONG__Hash ^ l__UCHAR__Byte) * 1099511628211ull;
    return l__ULONGLONG__Hash;
}

}  // namespace

TEST(ImageBytes, LongNamesBootImageCdXaDeepDirectoriesAndManyFiles) {
    FixedTree l__Fixed(TRUE);
    CTarnwick_ISO9660FileTree& l__Tree = l__Fixed.Tree();
    CTarnwick_FileTreeNode* l__Root = l__Fixed.Root();
    l__Fixed.File(l__Root, "Read Me First.txt", 2049);
    l__Fixed.File(l__Root, "empty", 0);
    CTarnwick_FileTreeNode* l__Deep = l__Root;
    for (int l__INT__Level = 1; l__INT__Level <= 9; ++l__INT__Level) {
        l__Deep = l__Fixed.Directory(l__Deep, "Level " + std::to_string(l__INT__Level) + " of the deep chain");
        l__Fixed.File(l__Deep, "at level " + std::to_string(l__INT__Level) + ".bin", 100 * l__INT__Level);
    }
    CTarnwick_FileTreeNode* l__Many = l__Fixed.Directory(l__Root, "many");
    for (int l__INT__Index = 0; l__INT__Index < 150; ++l__INT__Index)
        l__Fixed.File(l__Many, "file number " + std::to_string(l__INT__Index) + ".dat", (l__INT__Index * 977) % 6000);
    std::string l__string__Boot = l__Fixed.Scratch().File("boot/boot.img", Pattern(2048 * 4, 99));
    l__Tree.SetBootImage(l__string__Boot.c_str(), "boot.img", 0, g__time_t__Fixed, 2048 * 4, 6, 2);
    l__Tree.BuildImage(0, 0, TRUE, "FIXED IMAGE", "Publisher and preparer", "Application", "System", "COPYRIGHT.TXT",
                       "BIBLIO.TXT", "2026120708000000", "2026120709000000", "0000000000000000", "2026120710000000");
    EXPECT_EQ(l__Tree.GetImage()->GetSize(), static_cast<uint64_t>(l__Tree.GetVolumeSpaceSize()) * 2048);
    EXPECT_EQ(ImageHash(l__Tree, 0), 0xfc4f1334d06c7cd5ull) << std::hex << ImageHash(l__Tree, 0);
}

TEST(ImageBytes, ShortNamesLaterSessionAndAPathTableOfSeveralSectors) {
    FixedTree l__Fixed(FALSE);
    CTarnwick_ISO9660FileTree& l__Tree = l__Fixed.Tree();
    CTarnwick_FileTreeNode* l__Root = l__Fixed.Root();
    for (int l__INT__Outer = 0; l__INT__Outer < 20; ++l__INT__Outer) {
        CTarnwick_FileTreeNode* l__Outer = l__Fixed.Directory(l__Root, "OUTER" + std::to_string(l__INT__Outer));
        for (int l__INT__Inner = 0; l__INT__Inner < 15; ++l__INT__Inner) {
            CTarnwick_FileTreeNode* l__Inner = l__Fixed.Directory(l__Outer, "IN" + std::to_string(l__INT__Inner));
            if (l__INT__Inner % 4 == 0) l__Fixed.File(l__Inner, "DATA.BIN", 1 + 700 * l__INT__Outer);
        }
    }
    l__Fixed.File(l__Root, "ROOT.TXT", 5000);
    EXPECT_GT(l__Tree.GetPathTableSizeInLBs(), 1u);
    l__Tree.BuildImage(30000, 0, FALSE, "LATER SESSION", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr);
    EXPECT_EQ(l__Tree.GetImage()->GetSize(), static_cast<uint64_t>(l__Tree.GetVolumeSpaceSize() - 30000) * 2048);
    EXPECT_EQ(ImageHash(l__Tree, 30000), 0xf730ac3a34362025ull) << std::hex << ImageHash(l__Tree, 30000);
}
