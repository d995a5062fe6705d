#include "CTarnwick_ToolUdfMaster.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <set>
#include <thread>

#include "CTarnwick_ToolDvdLayout.h"
#include "CTarnwick_ToolNames.h"

namespace {

// A zeroed block of memory for the items and the system structures: tens of thousands of
// records of 8.5 KiB and two sectors per entry, asked to be backed by huge pages so that it
// faults in 2 MiB at a time.
class LargeBlock {
public:
    explicit LargeBlock(size_t p__SIZE__Bytes) : m__SIZE__Bytes(p__SIZE__Bytes == 0 ? 1 : p__SIZE__Bytes) {
        m__PVOID__Address = ::mmap(nullptr, m__SIZE__Bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (m__PVOID__Address == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
        (void)::madvise(m__PVOID__Address, m__SIZE__Bytes, MADV_HUGEPAGE);
#endif
    }
    ~LargeBlock() { (void)::munmap(m__PVOID__Address, m__SIZE__Bytes); }
    LargeBlock(const LargeBlock&) = delete;
    LargeBlock& operator=(const LargeBlock&) = delete;
    template <class T>
    T* As() const {
        return static_cast<T*>(m__PVOID__Address);
    }
    size_t Size() const { return m__SIZE__Bytes; }
    // Makes the pages of a part present in one call instead of a fault per page (only a hint:
    // kernels without it fault them in when they are written).
    void Prefault(size_t p__SIZE__Offset, size_t p__SIZE__Bytes) const {
#ifdef MADV_POPULATE_WRITE
        static const uintptr_t s__uintptr_t__Page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
        const uintptr_t l__uintptr_t__Start = reinterpret_cast<uintptr_t>(As<unsigned char>() + p__SIZE__Offset);
        const uintptr_t l__uintptr_t__First = (l__uintptr_t__Start + s__uintptr_t__Page - 1) & ~(s__uintptr_t__Page - 1);
        const uintptr_t l__uintptr_t__End = (l__uintptr_t__Start + p__SIZE__Bytes) & ~(s__uintptr_t__Page - 1);
        if (l__uintptr_t__End > l__uintptr_t__First) {
            (void)::madvise(reinterpret_cast<void*>(l__uintptr_t__First), l__uintptr_t__End - l__uintptr_t__First, MADV_POPULATE_WRITE);
        }
#else
        (void)p__SIZE__Offset;
        (void)p__SIZE__Bytes;
#endif
    }

private:
    size_t m__SIZE__Bytes;
    void* m__PVOID__Address;
};

}  // namespace

// One file or directory of the sources, named as it will be in the image.
struct CTarnwick_ToolUdfMaster::Node {
    std::string m__string__Name;
    std::string m__string__Path;
    bool m__bool__IsDirectory = false;
    std::vector<Node> m__Kids;
};

// The blocks the items and the system structures lie in, the head and tail blocks, and the
// image: what the items hold is freed and the image deleted with it.
struct CTarnwick_ToolUdfMaster::Image {
    Image(size_t p__SIZE__Items, size_t p__SIZE__SystemRoom)
        : m__Items(p__SIZE__Items * sizeof(UDF_TREE_ITEM)), m__System(p__SIZE__SystemRoom), m__SIZE__Items(p__SIZE__Items) {}
    ~Image() {
        Tarnwick_UDF_DeleteImage(&m__Image);
        UDF_CleanupTreeItems(m__Items.As<UDF_TREE_ITEM>(), static_cast<ULONG>(m__SIZE__Items));
    }
    LargeBlock m__Items;
    LargeBlock m__System;
    size_t m__SIZE__Items;
    size_t m__SIZE__Used = 0;
    ULONG m__ULONG__UniqueId = 1;
    std::vector<UCHAR> m__Head = std::vector<UCHAR>(UDF_HEAD_SIZE);
    std::vector<UCHAR> m__Tail = std::vector<UCHAR>(UDF_TAIL_SIZE);
    UDF_IMAGE m__Image{};
};

CTarnwick_ToolUdfMaster::CTarnwick_ToolUdfMaster(const Job& p__Job, Listener& p__Listener) : m__Job(p__Job), m__Listener(p__Listener) {}

CTarnwick_ToolUdfMaster::~CTarnwick_ToolUdfMaster() { delete m__PImage; }

PVOID CTarnwick_ToolUdfMaster::Tree() const { return m__PImage != nullptr ? m__PImage->m__Image.m__PVOID__Tree : nullptr; }

unsigned long CTarnwick_ToolUdfMaster::Sectors() const {
    return m__PImage != nullptr ? static_cast<unsigned long>(m__PImage->m__Image.m__ULONG__ImageSectors) : 0;
}

ULONG CTarnwick_ToolUdfMaster::Fail(ULONG p__ULONG__Number, const std::string& p__string__Text) {
    m__ULONG__Failure = p__ULONG__Number;
    m__string__Failure = p__string__Text;
    return p__ULONG__Number;
}

bool CTarnwick_ToolUdfMaster::Skip(const std::string& p__string__Path, const std::string& p__string__Why) {
    if (!m__Job.m__bool__IgnoreErrors) {
        std::string l__string__Text = "cannot add '";
        Fail(EXCEPTION_NUMBER_SYSTEM_ERROR, l__string__Text.append(p__string__Path).append("': ").append(p__string__Why));
        return false;
    }
    ++m__Counts.m__ulong__Skipped;
    m__Listener.Skipped(p__string__Path, p__string__Why);
    return true;
}

bool CTarnwick_ToolUdfMaster::AddContents(const std::string& p__string__Directory, Node* p__PNode, std::vector<Identity>* p__PAncestors) {
    std::unique_ptr<DIR, int (*)(DIR*)> l__Directory(::opendir(p__string__Directory.c_str()), ::closedir);
    if (l__Directory == nullptr) return Skip(p__string__Directory, std::strerror(errno));
    struct Entry {
        std::string m__string__Name;
        bool m__bool__IsDirectory;
        Identity m__Identity;
    };
    std::vector<Entry> l__Entries;
    const int l__int__Handle = ::dirfd(l__Directory.get());
    for (;;) {
        errno = 0;
        const dirent* l__PEntry = ::readdir(l__Directory.get());
        if (l__PEntry == nullptr) {
            if (errno != 0) return Skip(p__string__Directory, std::strerror(errno));
            break;
        }
        if (std::strcmp(l__PEntry->d_name, ".") == 0 || std::strcmp(l__PEntry->d_name, "..") == 0) continue;
        // Links are followed; an entry that cannot be looked at (a link to nothing, one gone
        // since the listing) counts as a file, whose item then tells why it cannot be read.
        struct stat l__stat__Entry {};
        const bool l__bool__Found = ::fstatat(l__int__Handle, l__PEntry->d_name, &l__stat__Entry, 0) == 0;
        l__Entries.push_back({l__PEntry->d_name, l__bool__Found && S_ISDIR(l__stat__Entry.st_mode),
                              {static_cast<unsigned long long>(l__stat__Entry.st_dev), static_cast<unsigned long long>(l__stat__Entry.st_ino)}});
    }
    l__Directory.reset();
    for (const Entry& l__Entry : l__Entries) {
        std::string l__string__Path = p__string__Directory;
        if (l__string__Path != "/") l__string__Path.push_back('/');
        l__string__Path.append(l__Entry.m__string__Name);
        if (!AddEntry(l__Entry.m__string__Name, l__string__Path, l__Entry.m__bool__IsDirectory, l__Entry.m__Identity, p__PNode,
                      p__PAncestors)) {
            return false;
        }
    }
    return true;
}

bool CTarnwick_ToolUdfMaster::AddEntry(const std::string& p__string__Name, const std::string& p__string__Path, bool p__bool__IsDirectory,
                                       const Identity& p__Identity, Node* p__PNode, std::vector<Identity>* p__PAncestors) {
    Node l__Node;
    l__Node.m__string__Name = CTarnwick_ToolNames::UpperCased(p__string__Name);
    l__Node.m__string__Path = p__string__Path;
    l__Node.m__bool__IsDirectory = p__bool__IsDirectory;
    if (!CTarnwick_ToolNames::FitsUdf(l__Node.m__string__Name)) return Skip(p__string__Path, "the name is too long for UDF");
    if (l__Node.m__bool__IsDirectory) {
        if (std::find(p__PAncestors->begin(), p__PAncestors->end(), p__Identity) != p__PAncestors->end()) {
            // A link back to an ancestor: walking it again would never end.
            ++m__Counts.m__ulong__Skipped;
            m__Listener.Skipped(p__string__Path, "a link back to a directory above it");
            return true;
        }
        p__PAncestors->push_back(p__Identity);
        const bool l__bool__Ok = AddContents(p__string__Path, &l__Node, p__PAncestors);
        p__PAncestors->pop_back();
        if (!l__bool__Ok) return false;
    }
    m__Listener.Added(++m__Counts.m__ulong__Added);
    p__PNode->m__Kids.push_back(std::move(l__Node));
    return true;
}

void CTarnwick_ToolUdfMaster::Arrange(Node* p__PNode, bool p__bool__DvdOrder) {
    // By path first, so that which of two meeting names is renamed does not depend on the
    // order the directory was listed in.
    std::vector<Node>& l__Kids = p__PNode->m__Kids;
    std::stable_sort(l__Kids.begin(), l__Kids.end(),
                     [](const Node& p__Left, const Node& p__Right) { return p__Left.m__string__Path < p__Right.m__string__Path; });
    std::set<std::string> l__Names;
    for (Node& l__Kid : l__Kids) {
        bool l__bool__Renamed = false;
        while (!l__Names.insert(l__Kid.m__string__Name).second) {
            l__Kid.m__string__Name =
                CTarnwick_ToolNames::RenamedUdfName(l__Kid.m__string__Name, l__Kid.m__bool__IsDirectory, ++m__ulong__CollisionNumber);
            ++m__Counts.m__ulong__Renamed;
            l__bool__Renamed = true;
        }
        if (l__bool__Renamed) m__Listener.Renamed(l__Kid.m__string__Path, l__Kid.m__string__Name, "udf");
    }
    if (p__bool__DvdOrder) {
        std::stable_sort(l__Kids.begin(), l__Kids.end(), [](const Node& p__Left, const Node& p__Right) {
            return CTarnwick_ToolDvdLayout::DvdRank(p__Left.m__string__Name) < CTarnwick_ToolDvdLayout::DvdRank(p__Right.m__string__Name);
        });
    } else {
        std::stable_sort(l__Kids.begin(), l__Kids.end(),
                         [](const Node& p__Left, const Node& p__Right) { return p__Left.m__string__Name < p__Right.m__string__Name; });
    }
    for (Node& l__Kid : l__Kids) {
        if (l__Kid.m__bool__IsDirectory) Arrange(&l__Kid, false);
    }
}

ULONG CTarnwick_ToolUdfMaster::Master() {
    Node l__Root;
    l__Root.m__bool__IsDirectory = true;
    for (std::string l__string__Source : m__Job.m__Sources) {
        while (l__string__Source.size() > 1 && l__string__Source.back() == '/') l__string__Source.pop_back();
        struct stat l__stat__Source {};
        if (::stat(l__string__Source.c_str(), &l__stat__Source) != 0) {
            std::string l__string__Text = "cannot find '";
            return Fail(EXCEPTION_NUMBER_SYSTEM_ERROR, l__string__Text.append(l__string__Source).append("': ").append(std::strerror(errno)));
        }
        const Identity l__Identity{static_cast<unsigned long long>(l__stat__Source.st_dev), static_cast<unsigned long long>(l__stat__Source.st_ino)};
        std::vector<Identity> l__Ancestors{l__Identity};
        const size_t l__SIZE__Slash = l__string__Source.rfind('/');
        const std::string l__string__Name =
            l__SIZE__Slash == std::string::npos ? l__string__Source : l__string__Source.substr(l__SIZE__Slash + 1);
        const bool l__bool__Ok = S_ISDIR(l__stat__Source.st_mode)
                                     ? AddContents(l__string__Source, &l__Root, &l__Ancestors)
                                     : AddEntry(l__string__Name, l__string__Source, false, l__Identity, &l__Root, &l__Ancestors);
        if (!l__bool__Ok) return m__ULONG__Failure;
    }
    Arrange(&l__Root, false);
    if (m__Job.m__bool__Bridge) {
        auto l__VideoTs = std::find_if(l__Root.m__Kids.begin(), l__Root.m__Kids.end(), [](const Node& p__Node) {
            return p__Node.m__bool__IsDirectory && p__Node.m__string__Name == "VIDEO_TS";
        });
        if (l__VideoTs == l__Root.m__Kids.end()) {
            std::string l__string__Text = "'";
            return Fail(EXCEPTION_NUMBER_NOT_FOUND,
                        l__string__Text.append(m__Job.m__Sources.empty() ? std::string() : m__Job.m__Sources[0]).append("' holds no VIDEO_TS directory"));
        }
        if (std::any_of(l__VideoTs->m__Kids.begin(), l__VideoTs->m__Kids.end(), [](const Node& p__Node) { return p__Node.m__bool__IsDirectory; })) {
            return Fail(EXCEPTION_NUMBER_MEDIA_OR_DATA, "VIDEO_TS holds a directory, which DVD-Video does not have");
        }
        Arrange(&*l__VideoTs, true);
    }

    // One item per node, and one more for an AUDIO_TS made for a bridge; system structures for
    // the root's entry, the subtree (its parent entry, an identifier and an entry per kid) and
    // an AUDIO_TS a bridge may add.
    std::function<size_t(const Node&)> l__CountNodes = [&](const Node& p__Node) {
        size_t l__SIZE__Count = 1;
        for (const Node& l__Kid : p__Node.m__Kids) l__SIZE__Count += l__CountNodes(l__Kid);
        return l__SIZE__Count;
    };
    std::function<uint64_t(const Node&)> l__StructureBlocks = [&](const Node& p__Directory) {
        uint64_t l__ULONGLONG__Blocks = 1 + 2 * static_cast<uint64_t>(p__Directory.m__Kids.size());
        for (const Node& l__Kid : p__Directory.m__Kids) {
            if (l__Kid.m__bool__IsDirectory) l__ULONGLONG__Blocks += l__StructureBlocks(l__Kid);
        }
        return l__ULONGLONG__Blocks;
    };
    const size_t l__SIZE__Items = l__CountNodes(l__Root) + 1;
    const uint64_t l__ULONGLONG__SystemRoom = (1 + l__StructureBlocks(l__Root) + 3) * uint64_t{UDF_SECTOR_SIZE};
    try {
        m__PImage = new Image(l__SIZE__Items, static_cast<size_t>(l__ULONGLONG__SystemRoom));
    } catch (const std::bad_alloc&) {
        return Fail(EXCEPTION_NUMBER_OUT_OF_MEMORY, "out of memory");
    }
    Image& l__Image = *m__PImage;
    PUDF_TREE_ITEM l__PItems = l__Image.m__Items.As<UDF_TREE_ITEM>();
    {
        // The kernel zeroes every page of the two blocks when it is first touched. The other
        // core takes the system structures block, then the items from the last one back, while
        // the items are made here from the first one on, so that the two never wait for the
        // same page.
        std::thread l__Prefault([&l__Image] {
            l__Image.m__System.Prefault(0, l__Image.m__System.Size());
            const size_t l__SIZE__Step = 4u << 20;
            for (size_t l__SIZE__End = l__Image.m__SIZE__Items * sizeof(UDF_TREE_ITEM); l__SIZE__End > 0;) {
                const size_t l__SIZE__Start = l__SIZE__End > l__SIZE__Step ? l__SIZE__End - l__SIZE__Step : 0;
                l__Image.m__Items.Prefault(l__SIZE__Start, l__SIZE__End - l__SIZE__Start);
                l__SIZE__End = l__SIZE__Start;
            }
        });
        struct Joiner {
            std::thread& m__Thread;
            ~Joiner() { m__Thread.join(); }
        } l__Joiner{l__Prefault};

        auto l__NewDirectory = [&](const std::string& p__string__Name, PUDF_TREE_ITEM p__PParent) -> PUDF_TREE_ITEM {
            PUDF_TREE_ITEM l__PItem = &l__PItems[l__Image.m__SIZE__Used++];
            const ULONG l__ULONG__Status =
                UDF_FormatDirectoryTreeItem(l__PItem, l__Image.m__ULONG__UniqueId++, const_cast<PCHAR>(p__string__Name.c_str()), p__PParent);
            if (l__ULONG__Status != 0) {
                std::string l__string__Text = "cannot add directory '";
                Fail(EXCEPTION_NUMBER_SYSTEM_ERROR,
                     l__string__Text.append(p__string__Name).append("': ").append(std::strerror(static_cast<int>(l__ULONG__Status))));
                return nullptr;
            }
            return l__PItem;
        };
        // The kids of a node under its item: files appended in order, directories put in front
        // in reverse order so that they too end up in order.
        std::function<bool(const Node&, PUDF_TREE_ITEM)> l__AddKids = [&](const Node& p__Node, PUDF_TREE_ITEM p__PItem) {
            for (const Node& l__Kid : p__Node.m__Kids) {
                if (l__Kid.m__bool__IsDirectory) continue;
                PUDF_TREE_ITEM l__PItem = &l__PItems[l__Image.m__SIZE__Used];
                const ULONG l__ULONG__Status =
                    UDF_FormatFileTreeItem(l__PItem, l__Image.m__ULONG__UniqueId, const_cast<PCHAR>(l__Kid.m__string__Name.c_str()),
                                           const_cast<PCHAR>(l__Kid.m__string__Path.c_str()), p__PItem);
                if (l__ULONG__Status != 0) {
                    // A failed item is cleared and left out of the tree: its slot is used again.
                    const bool l__bool__Memory = l__ULONG__Status == static_cast<ULONG>(-1);
                    if (l__bool__Memory && !m__Job.m__bool__IgnoreErrors) {
                        std::string l__string__Text = "cannot add '";
                        Fail(EXCEPTION_NUMBER_OUT_OF_MEMORY, l__string__Text.append(l__Kid.m__string__Path).append("': out of memory"));
                        return false;
                    }
                    if (!Skip(l__Kid.m__string__Path, l__bool__Memory ? "out of memory" : std::strerror(static_cast<int>(l__ULONG__Status)))) {
                        return false;
                    }
                    continue;
                }
                ++l__Image.m__SIZE__Used;
                ++l__Image.m__ULONG__UniqueId;
            }
            for (auto l__Iterator = p__Node.m__Kids.rbegin(); l__Iterator != p__Node.m__Kids.rend(); ++l__Iterator) {
                if (!l__Iterator->m__bool__IsDirectory) continue;
                PUDF_TREE_ITEM l__PItem = l__NewDirectory(l__Iterator->m__string__Name, p__PItem);
                if (l__PItem == nullptr || !l__AddKids(*l__Iterator, l__PItem)) return false;
            }
            return true;
        };
        PUDF_TREE_ITEM l__PRoot = l__NewDirectory("", nullptr);
        if (l__PRoot == nullptr || !l__AddKids(l__Root, l__PRoot)) return m__ULONG__Failure;
        PUDF_TREE_ITEM l__PVideoTs = nullptr;
        PUDF_TREE_ITEM l__PAudioTs = nullptr;
        if (m__Job.m__bool__Bridge) {
            l__PVideoTs = CTarnwick_ToolDvdLayout::KidNamed(l__PRoot, "VIDEO_TS");
            l__PAudioTs = CTarnwick_ToolDvdLayout::KidNamed(l__PRoot, "AUDIO_TS");
            if (l__PAudioTs == nullptr) {
                l__PAudioTs = l__NewDirectory("AUDIO_TS", l__PRoot);
                if (l__PAudioTs == nullptr) return m__ULONG__Failure;
            }
            CTarnwick_ToolDvdLayout::PatchVideoTs(l__PVideoTs);
        }
        ULONGLONG l__ULONGLONG__SystemSize = 0;
        (void)Tarnwick_UDF_GetSystemStructuresSize(l__PRoot, &l__ULONGLONG__SystemSize);
        if (l__ULONGLONG__SystemSize > l__ULONGLONG__SystemRoom) return Fail(EXCEPTION_NUMBER_SIZE_LIMIT, "the tree grew while it was read");
        char l__CHAR__Text[1024] = {};
        ULONG l__ULONG__SystemError = 0;
        const ULONG l__ULONG__Status = Tarnwick_UDF_Create(
            l__Image.m__Head.data(), UDF_HEAD_SIZE, l__Image.m__Tail.data(), UDF_TAIL_SIZE, l__Image.m__System.As<UCHAR>(),
            l__ULONGLONG__SystemSize, l__PRoot, l__PVideoTs, l__PAudioTs, &l__Image.m__Image, l__CHAR__Text, sizeof(l__CHAR__Text),
            &l__ULONG__SystemError, const_cast<PCHAR>(m__Job.m__string__Label.c_str()));
        if (l__ULONG__Status != 0) {
            std::string l__string__Text(l__CHAR__Text);
            const size_t l__SIZE__First = l__string__Text.find_first_not_of(" \r\n");
            const size_t l__SIZE__Last = l__string__Text.find_last_not_of(" \r\n");
            l__string__Text = l__SIZE__First == std::string::npos ? std::string("the UDF image cannot be made")
                                                                  : l__string__Text.substr(l__SIZE__First, l__SIZE__Last - l__SIZE__First + 1);
            if (l__ULONG__Status == EXCEPTION_NUMBER_SYSTEM_ERROR && l__ULONG__SystemError != 0) {
                l__string__Text.append(" (").append(std::strerror(static_cast<int>(l__ULONG__SystemError))).append(")");
            }
            return Fail(l__ULONG__Status, l__string__Text);
        }
    }
    return 0;
}
