#include "UdfMastering.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <thread>
#include <utility>

#include "CTarnwick_ISO9660FileTree.h"
#include "CTarnwick_ToolDvdLayout.h"
#include "CTarnwick_ToolNames.h"
#include "CTarnwick_UdfDescriptor.h"
#include "PlatformDirectory.h"
#include "PlatformMemory.h"
#include "tarnwick.h"

namespace {

// One file or directory of the sources, named as it will be in the image.
struct SourceNode {
    std::string m__string__Name;
    std::string m__string__Path;
    bool m__bool__IsDirectory = false;
    std::vector<SourceNode> m__Kids;
};

class SourceWalker {
public:
    SourceWalker(const UdfJob& p__Job, MkIsoState* p__State) : m__Job(p__Job), m__State(p__State) {}

    // Adds a directory's entries (or a file) under the node; false after a message.
    bool AddContents(const std::string& p__string__Directory, SourceNode* p__PNode,
                     std::vector<std::pair<uint64_t, uint64_t>>* p__PAncestors) {
        std::vector<PlatformDirectoryEntry> l__Entries;
        bool l__bool__OpenFailed = false;
        if (!PlatformDirectory::List(p__string__Directory, l__Entries, &l__bool__OpenFailed)) {
            return Skip(p__string__Directory, std::strerror(errno));
        }
        for (const PlatformDirectoryEntry& l__Entry : l__Entries) {
            std::string l__string__Path = p__string__Directory == "/" ? "/" + l__Entry.m__string__Name
                                                                       : p__string__Directory + "/" + l__Entry.m__string__Name;
            if (!AddEntry(l__Entry, l__string__Path, p__PNode, p__PAncestors)) return false;
        }
        return true;
    }

    bool AddEntry(const PlatformDirectoryEntry& p__Entry, const std::string& p__string__Path, SourceNode* p__PNode,
                  std::vector<std::pair<uint64_t, uint64_t>>* p__PAncestors) {
        SourceNode l__Node;
        l__Node.m__string__Name = CTarnwick_UdfDescriptor::UpperCased(p__Entry.m__string__Name);
        l__Node.m__string__Path = p__string__Path;
        l__Node.m__bool__IsDirectory = (p__Entry.m__ULONG__Attributes & PlatformDirectory::AttributeDirectory) != 0;
        if (!CTarnwick_ToolNames::FitsUdf(l__Node.m__string__Name)) return Skip(p__string__Path, "the name is too long for UDF");
        if (l__Node.m__bool__IsDirectory) {
            std::pair<uint64_t, uint64_t> l__Identity{p__Entry.m__ULONGLONG__Device, p__Entry.m__ULONGLONG__Inode};
            if (std::find(p__PAncestors->begin(), p__PAncestors->end(), l__Identity) != p__PAncestors->end()) {
                // A link back to an ancestor: walking it again would never end.
                ++m__State->m__ulong__Skipped;
                std::fprintf(stderr, "tarnwick-mkiso: skipped '%s'\n", p__string__Path.c_str());
                return true;
            }
            p__PAncestors->push_back(l__Identity);
            bool l__bool__Ok = AddContents(p__string__Path, &l__Node, p__PAncestors);
            p__PAncestors->pop_back();
            if (!l__bool__Ok) return false;
        }
        ++m__State->m__ulong__Added;
        if (ProgressDue(m__State)) std::fprintf(stderr, "tarnwick-mkiso: %lu entries added\n", m__State->m__ulong__Added);
        p__PNode->m__Kids.push_back(std::move(l__Node));
        return true;
    }

    // With --ignore-errors an entry that cannot be taken is skipped; otherwise it ends the run.
    bool Skip(const std::string& p__string__Path, const char* p__PCHAR__Why) {
        if (!m__Job.m__bool__IgnoreErrors) {
            std::fprintf(stderr, "tarnwick-mkiso: cannot add '%s': %s\n", p__string__Path.c_str(), p__PCHAR__Why);
            return false;
        }
        ++m__State->m__ulong__Skipped;
        std::fprintf(stderr, "tarnwick-mkiso: skipped '%s'\n", p__string__Path.c_str());
        return true;
    }

private:
    const UdfJob& m__Job;
    MkIsoState* m__State;
};

// Sorts every directory's kids (DVD order inside a bridge's VIDEO_TS) and renames the names
// that meet after upper-casing: NAME~N.EXT.
void Arrange(SourceNode* p__PNode, bool p__bool__DvdOrder, MkIsoState* p__State) {
    auto& l__Kids = p__PNode->m__Kids;
    std::stable_sort(l__Kids.begin(), l__Kids.end(), [](const SourceNode& p__Left, const SourceNode& p__Right) {
        return p__Left.m__string__Path < p__Right.m__string__Path;
    });
    std::set<std::string> l__Names;
    for (SourceNode& l__Kid : l__Kids) {
        while (!l__Names.insert(l__Kid.m__string__Name).second) {
            l__Kid.m__string__Name = CTarnwick_ToolNames::RenamedUdfName(l__Kid.m__string__Name, l__Kid.m__bool__IsDirectory,
                                                                         ++p__State->m__ulong__CollisionNumber);
            ++p__State->m__ulong__Renamed;
        }
    }
    if (p__bool__DvdOrder) {
        std::stable_sort(l__Kids.begin(), l__Kids.end(), [](const SourceNode& p__Left, const SourceNode& p__Right) {
            return CTarnwick_ToolDvdLayout::DvdRank(p__Left.m__string__Name) < CTarnwick_ToolDvdLayout::DvdRank(p__Right.m__string__Name);
        });
    } else {
        std::stable_sort(l__Kids.begin(), l__Kids.end(), [](const SourceNode& p__Left, const SourceNode& p__Right) {
            return p__Left.m__string__Name < p__Right.m__string__Name;
        });
    }
    for (SourceNode& l__Kid : l__Kids) {
        if (l__Kid.m__bool__IsDirectory) Arrange(&l__Kid, false, p__State);
    }
}

// The sectors of system structures a directory's subtree takes: its parent entry, and an
// identifier and an entry per kid.
uint64_t StructureBlocks(const SourceNode& p__Directory) {
    uint64_t l__ULONGLONG__Blocks = 1 + 2 * static_cast<uint64_t>(p__Directory.m__Kids.size());
    for (const SourceNode& l__Kid : p__Directory.m__Kids) {
        if (l__Kid.m__bool__IsDirectory) l__ULONGLONG__Blocks += StructureBlocks(l__Kid);
    }
    return l__ULONGLONG__Blocks;
}

size_t CountNodes(const SourceNode& p__Node) {
    size_t l__SIZE__Count = 1;
    for (const SourceNode& l__Kid : p__Node.m__Kids) l__SIZE__Count += CountNodes(l__Kid);
    return l__SIZE__Count;
}

// A zeroed block of memory for the items and the system structures: tens of thousands of
// records of 8.5 KiB and two sectors per entry, faulted in a huge page at a time.
class LargeBlock {
public:
    explicit LargeBlock(size_t p__SIZE__Bytes)
        : m__SIZE__Bytes(p__SIZE__Bytes), m__PVOID__Address(PlatformMemory::AllocateLarge(p__SIZE__Bytes)) {
        if (m__PVOID__Address == nullptr) throw std::bad_alloc();
    }
    ~LargeBlock() { PlatformMemory::FreeLarge(m__PVOID__Address, m__SIZE__Bytes); }
    LargeBlock(const LargeBlock&) = delete;
    LargeBlock& operator=(const LargeBlock&) = delete;
    template <class T>
    T* As() const {
        return static_cast<T*>(m__PVOID__Address);
    }

private:
    size_t m__SIZE__Bytes;
    void* m__PVOID__Address;
};

class ItemMaker {
public:
    ItemMaker(const UdfJob& p__Job, MkIsoState* p__State, PUDF_TREE_ITEM p__PItems)
        : m__Job(p__Job), m__State(p__State), m__PItems(p__PItems) {}

    PUDF_TREE_ITEM NewDirectory(const std::string& p__string__Name, PUDF_TREE_ITEM p__PParent) {
        PUDF_TREE_ITEM l__PItem = &m__PItems[m__SIZE__Used++];
        ULONG l__ULONG__Status = UDF_FormatDirectoryTreeItem(l__PItem, m__ULONG__UniqueId++, const_cast<PCHAR>(p__string__Name.c_str()),
                                                             p__PParent);
        if (l__ULONG__Status != 0) {
            std::fprintf(stderr, "tarnwick-mkiso: cannot add directory '%s': %s\n", p__string__Name.c_str(),
                         std::strerror(static_cast<int>(l__ULONG__Status)));
            return nullptr;
        }
        return l__PItem;
    }

    // The kids of a node under its item: files in order appended, directories put in front
    // in reverse order so that they too end up in order.
    bool AddKids(const SourceNode& p__Node, PUDF_TREE_ITEM p__PItem) {
        for (const SourceNode& l__Kid : p__Node.m__Kids) {
            if (l__Kid.m__bool__IsDirectory) continue;
            PUDF_TREE_ITEM l__PItem = &m__PItems[m__SIZE__Used];
            ULONG l__ULONG__Status = UDF_FormatFileTreeItem(l__PItem, m__ULONG__UniqueId, const_cast<PCHAR>(l__Kid.m__string__Name.c_str()),
                                                            const_cast<PCHAR>(l__Kid.m__string__Path.c_str()), p__PItem);
            if (l__ULONG__Status != 0) {
                const char* l__PCHAR__Why = l__ULONG__Status == static_cast<ULONG>(-1) ? "out of memory"
                                                                                        : std::strerror(static_cast<int>(l__ULONG__Status));
                if (!m__Job.m__bool__IgnoreErrors) {
                    std::fprintf(stderr, "tarnwick-mkiso: cannot add '%s': %s\n", l__Kid.m__string__Path.c_str(), l__PCHAR__Why);
                    return false;
                }
                ++m__State->m__ulong__Skipped;
                std::fprintf(stderr, "tarnwick-mkiso: skipped '%s'\n", l__Kid.m__string__Path.c_str());
                continue;
            }
            ++m__SIZE__Used;
            ++m__ULONG__UniqueId;
        }
        for (auto l__Iterator = p__Node.m__Kids.rbegin(); l__Iterator != p__Node.m__Kids.rend(); ++l__Iterator) {
            if (!l__Iterator->m__bool__IsDirectory) continue;
            PUDF_TREE_ITEM l__PItem = NewDirectory(l__Iterator->m__string__Name, p__PItem);
            if (l__PItem == nullptr || !AddKids(*l__Iterator, l__PItem)) return false;
        }
        return true;
    }

    size_t Used() const { return m__SIZE__Used; }

private:
    const UdfJob& m__Job;
    MkIsoState* m__State;
    PUDF_TREE_ITEM m__PItems;
    size_t m__SIZE__Used = 0;
    ULONG m__ULONG__UniqueId = 1;
};

}  // namespace

int MasterUdf(const UdfJob& p__Job, MkIsoState* p__State) {
    if (p__Job.m__bool__Bridge && p__Job.m__Sources.size() != 1) {
        std::fprintf(stderr, "tarnwick-mkiso: --udf-bridge takes one SOURCE directory holding VIDEO_TS\n");
        return 2;
    }
    if (Tarnwick_UpStart() != 0) {
        std::fprintf(stderr, "tarnwick-mkiso: the toolkit does not start\n");
        return 1;
    }
    SourceNode l__Root;
    l__Root.m__bool__IsDirectory = true;
    SourceWalker l__Walker(p__Job, p__State);
    for (std::string l__string__Source : p__Job.m__Sources) {
        while (l__string__Source.size() > 1 && l__string__Source.back() == '/') l__string__Source.pop_back();
        PlatformDirectoryEntry l__Entry;
        if (!PlatformDirectory::Find(l__string__Source, l__Entry)) {
            std::fprintf(stderr, "tarnwick-mkiso: cannot find '%s': %s\n", l__string__Source.c_str(), std::strerror(errno));
            return 1;
        }
        std::vector<std::pair<uint64_t, uint64_t>> l__Ancestors{{l__Entry.m__ULONGLONG__Device, l__Entry.m__ULONGLONG__Inode}};
        bool l__bool__Ok = (l__Entry.m__ULONG__Attributes & PlatformDirectory::AttributeDirectory) != 0
                               ? l__Walker.AddContents(l__string__Source, &l__Root, &l__Ancestors)
                               : l__Walker.AddEntry(l__Entry, l__string__Source, &l__Root, &l__Ancestors);
        if (!l__bool__Ok) return 1;
    }
    Arrange(&l__Root, false, p__State);
    if (p__Job.m__bool__Bridge) {
        auto l__VideoTs = std::find_if(l__Root.m__Kids.begin(), l__Root.m__Kids.end(), [](const SourceNode& p__Node) {
            return p__Node.m__bool__IsDirectory && p__Node.m__string__Name == "VIDEO_TS";
        });
        if (l__VideoTs == l__Root.m__Kids.end()) {
            std::fprintf(stderr, "tarnwick-mkiso: '%s' holds no VIDEO_TS directory\n", p__Job.m__Sources[0].c_str());
            return 1;
        }
        if (std::any_of(l__VideoTs->m__Kids.begin(), l__VideoTs->m__Kids.end(), [](const SourceNode& p__Node) { return p__Node.m__bool__IsDirectory; })) {
            std::fprintf(stderr, "tarnwick-mkiso: VIDEO_TS holds a directory, which DVD-Video does not have\n");
            return 1;
        }
        Arrange(&*l__VideoTs, true, p__State);
    }

    // One item per node, and one more for an AUDIO_TS made for a bridge.
    const size_t l__SIZE__Items = CountNodes(l__Root) + 1;
    LargeBlock l__Items(l__SIZE__Items * sizeof(UDF_TREE_ITEM));
    // The root's entry, the subtree, and an AUDIO_TS a bridge may add.
    const uint64_t l__ULONGLONG__SystemRoom = (1 + StructureBlocks(l__Root) + 3) * uint64_t{CTarnwick_UdfDescriptor::SectorSize};
    LargeBlock l__SystemBlock(l__ULONGLONG__SystemRoom);
    // The kernel zeroes every page of the two blocks when it is first touched. The other core
    // takes the system structures block, then the items from the last one back, while the
    // items are made here from the first one on, so that the two never wait for the same page.
    std::thread l__Prefault([&l__Items, &l__SystemBlock, l__SIZE__Items, l__ULONGLONG__SystemRoom] {
        PlatformMemory::Prefault(l__SystemBlock.As<UCHAR>(), l__ULONGLONG__SystemRoom);
        const size_t l__SIZE__Step = 4u << 20;
        for (size_t l__SIZE__End = l__SIZE__Items * sizeof(UDF_TREE_ITEM); l__SIZE__End > 0;) {
            const size_t l__SIZE__Start = l__SIZE__End > l__SIZE__Step ? l__SIZE__End - l__SIZE__Step : 0;
            PlatformMemory::Prefault(l__Items.As<UCHAR>() + l__SIZE__Start, l__SIZE__End - l__SIZE__Start);
            l__SIZE__End = l__SIZE__Start;
        }
    });
    struct Joiner {
        std::thread& m__Thread;
        ~Joiner() { m__Thread.join(); }
    } l__Joiner{l__Prefault};
    ItemMaker l__Maker(p__Job, p__State, l__Items.As<UDF_TREE_ITEM>());
    struct Cleanup {
        PUDF_TREE_ITEM m__PItems;
        size_t m__SIZE__Items;
        UDF_IMAGE m__Image{};
        ~Cleanup() {
            Tarnwick_UDF_DeleteImage(&m__Image);
            UDF_CleanupTreeItems(m__PItems, static_cast<ULONG>(m__SIZE__Items));
        }
    } l__Cleanup{l__Items.As<UDF_TREE_ITEM>(), l__SIZE__Items};
    PUDF_TREE_ITEM l__PRoot = l__Maker.NewDirectory("", nullptr);
    if (l__PRoot == nullptr || !l__Maker.AddKids(l__Root, l__PRoot)) return 1;
    PUDF_TREE_ITEM l__PVideoTs = nullptr;
    PUDF_TREE_ITEM l__PAudioTs = nullptr;
    if (p__Job.m__bool__Bridge) {
        l__PVideoTs = CTarnwick_ToolDvdLayout::KidNamed(l__PRoot, "VIDEO_TS");
        l__PAudioTs = CTarnwick_ToolDvdLayout::KidNamed(l__PRoot, "AUDIO_TS");
        if (l__PAudioTs == nullptr) {
            l__PAudioTs = l__Maker.NewDirectory("AUDIO_TS", l__PRoot);
            if (l__PAudioTs == nullptr) return 1;
        }
        CTarnwick_ToolDvdLayout::PatchVideoTs(l__PVideoTs);
    }

    ULONGLONG l__ULONGLONG__SystemSize = 0;
    (void)Tarnwick_UDF_GetSystemStructuresSize(l__PRoot, &l__ULONGLONG__SystemSize);
    if (l__ULONGLONG__SystemSize > l__ULONGLONG__SystemRoom) {
        std::fprintf(stderr, "tarnwick-mkiso: the tree grew while it was read\n");
        return 1;
    }
    std::unique_ptr<UCHAR[]> l__Head(new UCHAR[UDF_HEAD_SIZE]);
    std::unique_ptr<UCHAR[]> l__Tail(new UCHAR[UDF_TAIL_SIZE]);
    UCHAR* l__PUCHAR__System = l__SystemBlock.As<UCHAR>();
    char l__CHAR__Text[1024] = {};
    ULONG l__ULONG__SystemError = 0;
    ULONG l__ULONG__Status = Tarnwick_UDF_Create(l__Head.get(), UDF_HEAD_SIZE, l__Tail.get(), UDF_TAIL_SIZE, l__PUCHAR__System,
                                                 l__ULONGLONG__SystemSize, l__PRoot, l__PVideoTs, l__PAudioTs, &l__Cleanup.m__Image,
                                                 l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__SystemError,
                                                 const_cast<PCHAR>(p__Job.m__string__Label.c_str()));
    if (l__ULONG__Status != 0) {
        if (l__ULONG__Status == EXCEPTION_NUMBER_SYSTEM_ERROR) {
            std::fprintf(stderr, "tarnwick-mkiso: %s (%s)\n", l__CHAR__Text, std::strerror(static_cast<int>(l__ULONG__SystemError)));
        } else {
            std::fprintf(stderr, "tarnwick-mkiso: %s\n", l__CHAR__Text);
        }
        return 1;
    }
    if (!p__State->m__bool__Quiet) {
        std::fprintf(stderr, "tarnwick-mkiso: %lu entries, %lu renamed, %lu skipped, image of %lu sectors\n", p__State->m__ulong__Added,
                     p__State->m__ulong__Renamed, p__State->m__ulong__Skipped,
                     static_cast<unsigned long>(l__Cleanup.m__Image.m__ULONG__ImageSectors));
    }
    auto* l__PTree = dynamic_cast<CTarnwick_ISO9660FileTree*>(static_cast<CTarnwick_EmptyBase*>(l__Cleanup.m__Image.m__PVOID__Tree));
    return WriteImage(l__PTree->GetImage(), p__Job.m__string__Output, p__State);
}
