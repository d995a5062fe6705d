#include "CTarnwick_CliUdfMaster.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <utility>

#include "CTarnwick_ToolNames.h"
#include "CTarnwick_CliReporter.h"
#include "CTarnwick_ToolDvdLayout.h"
#include "tarnwick.h"

// One file or directory of the sources, named as it will be in the image.
struct CTarnwick_CliUdfMaster::Node {
    std::string m__string__Name;
    std::string m__string__Path;
    bool m__bool__IsDirectory = false;
    std::vector<Node> m__Kids;
};

// The tree items, the three blocks the image is mastered into, and the image; what the items
// hold is freed and the image deleted with it.
struct CTarnwick_CliUdfMaster::Image {
    std::vector<UDF_TREE_ITEM> m__Items;
    size_t m__SIZE__Used = 0;
    ULONG m__ULONG__UniqueId = 1;
    std::vector<UCHAR> m__Head = std::vector<UCHAR>(UDF_HEAD_SIZE);
    std::vector<UCHAR> m__Tail = std::vector<UCHAR>(UDF_TAIL_SIZE);
    std::vector<UCHAR> m__System;
    UDF_IMAGE m__Image{};
    ~Image() {
        Tarnwick_UDF_DeleteImage(&m__Image);
        UDF_CleanupTreeItems(m__Items.data(), static_cast<ULONG>(m__SIZE__Used));
    }
};

namespace {

using Identity = std::pair<unsigned long long, unsigned long long>;

}  // namespace

CTarnwick_CliUdfMaster::CTarnwick_CliUdfMaster(const Job& p__Job, CTarnwick_CliReporter& p__Reporter)
    : m__Job(p__Job), m__Reporter(p__Reporter) {}

CTarnwick_CliUdfMaster::~CTarnwick_CliUdfMaster() { delete m__PImage; }

void* CTarnwick_CliUdfMaster::Tree() const { return m__PImage != nullptr ? m__PImage->m__Image.m__PVOID__Tree : nullptr; }

unsigned long CTarnwick_CliUdfMaster::Sectors() const {
    return m__PImage != nullptr ? static_cast<unsigned long>(m__PImage->m__Image.m__ULONG__ImageSectors) : 0;
}

int CTarnwick_CliUdfMaster::Fail(ULONG p__ULONG__Number, const std::string& p__string__Text) {
    m__Failure = CTarnwick_CliFailure("master", "", p__ULONG__Number, p__string__Text, "");
    return static_cast<int>(p__ULONG__Number);
}

bool CTarnwick_CliUdfMaster::Skip(const std::string& p__string__Path, const std::string& p__string__Why) {
    if (!m__Job.m__bool__IgnoreErrors) {
        std::string l__string__Text = "cannot add '";
        l__string__Text.append(p__string__Path).append("': ").append(p__string__Why);
        Fail(EXCEPTION_NUMBER_SYSTEM_ERROR, l__string__Text);
        return false;
    }
    ++m__Counts.m__ulong__Skipped;
    std::string l__string__Text = "skipped '";
    l__string__Text.append(p__string__Path).append("': ").append(p__string__Why);
    m__Reporter.Event("skipped", {CTarnwick_CliReporter::Field::Text("path", p__string__Path),
                                  CTarnwick_CliReporter::Field::Text("reason", p__string__Why)},
                      l__string__Text);
    return true;
}

bool CTarnwick_CliUdfMaster::AddContents(const std::string& p__string__Directory, Node* p__PNode,
                                         std::vector<Identity>* p__PAncestors) {
    std::unique_ptr<DIR, int (*)(DIR*)> l__Directory(::opendir(p__string__Directory.c_str()), ::closedir);
    if (l__Directory == nullptr) return Skip(p__string__Directory, std::strerror(errno));
    std::vector<std::string> l__Names;
    errno = 0;
    while (const dirent* l__PEntry = ::readdir(l__Directory.get())) {
        const std::string l__string__Name = l__PEntry->d_name;
        if (l__string__Name != "." && l__string__Name != "..") l__Names.push_back(l__string__Name);
        errno = 0;
    }
    if (errno != 0) return Skip(p__string__Directory, std::strerror(errno));
    for (const std::string& l__string__Name : l__Names) {
        std::string l__string__Path = p__string__Directory;
        if (l__string__Path.back() != '/') l__string__Path.push_back('/');
        l__string__Path.append(l__string__Name);
        if (!AddEntry(l__string__Name, l__string__Path, p__PNode, p__PAncestors)) return false;
    }
    return true;
}

bool CTarnwick_CliUdfMaster::AddEntry(const std::string& p__string__Name, const std::string& p__string__Path, Node* p__PNode,
                                      std::vector<Identity>* p__PAncestors) {
    struct stat l__stat__Entry {};
    if (::stat(p__string__Path.c_str(), &l__stat__Entry) != 0) return Skip(p__string__Path, std::strerror(errno));
    Node l__Node;
    l__Node.m__string__Name = CTarnwick_ToolNames::UpperCased(p__string__Name);
    l__Node.m__string__Path = p__string__Path;
    l__Node.m__bool__IsDirectory = S_ISDIR(l__stat__Entry.st_mode);
    if (!CTarnwick_ToolNames::FitsUdf(l__Node.m__string__Name)) return Skip(p__string__Path, "the name is too long for UDF");
    if (l__Node.m__bool__IsDirectory) {
        const Identity l__Identity{l__stat__Entry.st_dev, l__stat__Entry.st_ino};
        if (std::find(p__PAncestors->begin(), p__PAncestors->end(), l__Identity) != p__PAncestors->end()) {
            // A link back to an ancestor: walking it again would never end.
            ++m__Counts.m__ulong__Skipped;
            m__Reporter.Event("skipped", {CTarnwick_CliReporter::Field::Text("path", p__string__Path),
                                          CTarnwick_CliReporter::Field::Text("reason", "a link back to a directory above it")},
                              std::string("skipped '").append(p__string__Path).append("': a link back to a directory above it"));
            return true;
        }
        p__PAncestors->push_back(l__Identity);
        const bool l__bool__Ok = AddContents(p__string__Path, &l__Node, p__PAncestors);
        p__PAncestors->pop_back();
        if (!l__bool__Ok) return false;
    }
    ++m__Counts.m__ulong__Added;
    p__PNode->m__Kids.push_back(std::move(l__Node));
    return true;
}

void CTarnwick_CliUdfMaster::Arrange(Node* p__PNode, bool p__bool__DvdOrder) {
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
            l__bool__Renamed = true;
        }
        if (l__bool__Renamed) {
            ++m__Counts.m__ulong__Renamed;
            m__Reporter.Event("renamed", {CTarnwick_CliReporter::Field::Text("path", l__Kid.m__string__Path),
                                          CTarnwick_CliReporter::Field::Text("name", l__Kid.m__string__Name)},
                              std::string("renamed '").append(l__Kid.m__string__Path).append("' to ").append(l__Kid.m__string__Name));
        }
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

int CTarnwick_CliUdfMaster::Master() {
    if (m__Job.m__bool__Bridge && m__Job.m__Sources.size() != 1) {
        return Fail(EXCEPTION_NUMBER_INVALID_PARAMETER, "--udf-bridge takes one SOURCE directory holding VIDEO_TS");
    }
    Node l__Root;
    l__Root.m__bool__IsDirectory = true;
    for (std::string l__string__Source : m__Job.m__Sources) {
        while (l__string__Source.size() > 1 && l__string__Source.back() == '/') l__string__Source.pop_back();
        struct stat l__stat__Source {};
        if (::stat(l__string__Source.c_str(), &l__stat__Source) != 0) {
            std::string l__string__Text = "cannot find '";
            return Fail(EXCEPTION_NUMBER_SYSTEM_ERROR,
                        l__string__Text.append(l__string__Source).append("': ").append(std::strerror(errno)));
        }
        std::vector<Identity> l__Ancestors{{l__stat__Source.st_dev, l__stat__Source.st_ino}};
        const size_t l__SIZE__Slash = l__string__Source.rfind('/');
        const std::string l__string__Name = l__SIZE__Slash == std::string::npos ? l__string__Source : l__string__Source.substr(l__SIZE__Slash + 1);
        const bool l__bool__Ok = S_ISDIR(l__stat__Source.st_mode) ? AddContents(l__string__Source, &l__Root, &l__Ancestors)
                                                                  : AddEntry(l__string__Name, l__string__Source, &l__Root, &l__Ancestors);
        if (!l__bool__Ok) return static_cast<int>(m__Failure.Number());
    }
    Arrange(&l__Root, false);
    if (m__Job.m__bool__Bridge) {
        auto l__VideoTs = std::find_if(l__Root.m__Kids.begin(), l__Root.m__Kids.end(), [](const Node& p__Node) {
            return p__Node.m__bool__IsDirectory && p__Node.m__string__Name == "VIDEO_TS";
        });
        if (l__VideoTs == l__Root.m__Kids.end()) {
            std::string l__string__Text = "'";
            return Fail(EXCEPTION_NUMBER_NOT_FOUND, l__string__Text.append(m__Job.m__Sources[0]).append("' holds no VIDEO_TS directory"));
        }
        if (std::any_of(l__VideoTs->m__Kids.begin(), l__VideoTs->m__Kids.end(), [](const Node& p__Node) { return p__Node.m__bool__IsDirectory; })) {
            return Fail(EXCEPTION_NUMBER_MEDIA_OR_DATA, "VIDEO_TS holds a directory, which DVD-Video does not have");
        }
        Arrange(&*l__VideoTs, true);
    }

    m__PImage = new Image;
    Image& l__Image = *m__PImage;
    // One item per node, and one more for an AUDIO_TS made for a bridge.
    std::function<size_t(const Node&)> l__Count = [&](const Node& p__Node) {
        size_t l__SIZE__Count = 1;
        for (const Node& l__Kid : p__Node.m__Kids) l__SIZE__Count += l__Count(l__Kid);
        return l__SIZE__Count;
    };
    l__Image.m__Items.resize(l__Count(l__Root) + 1);
    auto l__NewDirectory = [&](const std::string& p__string__Name, PUDF_TREE_ITEM p__PParent) -> PUDF_TREE_ITEM {
        PUDF_TREE_ITEM l__PItem = &l__Image.m__Items[l__Image.m__SIZE__Used];
        const ULONG l__ULONG__Status =
            UDF_FormatDirectoryTreeItem(l__PItem, l__Image.m__ULONG__UniqueId, const_cast<PCHAR>(p__string__Name.c_str()), p__PParent);
        if (l__ULONG__Status != 0) {
            std::string l__string__Text = "cannot add directory '";
            Fail(EXCEPTION_NUMBER_SYSTEM_ERROR,
                 l__string__Text.append(p__string__Name).append("': ").append(std::strerror(static_cast<int>(l__ULONG__Status))));
            return nullptr;
        }
        ++l__Image.m__SIZE__Used;
        ++l__Image.m__ULONG__UniqueId;
        return l__PItem;
    };
    // The kids of a node under its item: files appended in order, directories put in front in
    // reverse order so that they too end up in order.
    std::function<bool(const Node&, PUDF_TREE_ITEM)> l__AddKids = [&](const Node& p__Node, PUDF_TREE_ITEM p__PItem) {
        for (const Node& l__Kid : p__Node.m__Kids) {
            if (l__Kid.m__bool__IsDirectory) continue;
            PUDF_TREE_ITEM l__PItem = &l__Image.m__Items[l__Image.m__SIZE__Used];
            const ULONG l__ULONG__Status =
                UDF_FormatFileTreeItem(l__PItem, l__Image.m__ULONG__UniqueId, const_cast<PCHAR>(l__Kid.m__string__Name.c_str()),
                                       const_cast<PCHAR>(l__Kid.m__string__Path.c_str()), p__PItem);
            if (l__ULONG__Status == static_cast<ULONG>(-1)) {
                std::string l__string__Text = "cannot add '";
                Fail(EXCEPTION_NUMBER_OUT_OF_MEMORY, l__string__Text.append(l__Kid.m__string__Path).append("': out of memory"));
                return false;
            }
            if (l__ULONG__Status != 0) {
                // A failed item is cleared and left out of the tree: its slot is used again.
                if (!Skip(l__Kid.m__string__Path, std::strerror(static_cast<int>(l__ULONG__Status)))) return false;
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
    if (l__PRoot == nullptr || !l__AddKids(l__Root, l__PRoot)) return static_cast<int>(m__Failure.Number());
    PUDF_TREE_ITEM l__PVideoTs = nullptr;
    PUDF_TREE_ITEM l__PAudioTs = nullptr;
    if (m__Job.m__bool__Bridge) {
        l__PVideoTs = CTarnwick_ToolDvdLayout::KidNamed(l__PRoot, "VIDEO_TS");
        l__PAudioTs = CTarnwick_ToolDvdLayout::KidNamed(l__PRoot, "AUDIO_TS");
        if (l__PAudioTs == nullptr) {
            l__PAudioTs = l__NewDirectory("AUDIO_TS", l__PRoot);
            if (l__PAudioTs == nullptr) return static_cast<int>(m__Failure.Number());
        }
        CTarnwick_ToolDvdLayout::PatchVideoTs(l__PVideoTs);
    }

    ULONGLONG l__ULONGLONG__SystemSize = 0;
    (void)Tarnwick_UDF_GetSystemStructuresSize(l__PRoot, &l__ULONGLONG__SystemSize);
    l__Image.m__System.resize(static_cast<size_t>(l__ULONGLONG__SystemSize));
    char l__CHAR__Text[1024] = {};
    ULONG l__ULONG__SystemError = 0;
    const ULONG l__ULONG__Status =
        Tarnwick_UDF_Create(l__Image.m__Head.data(), UDF_HEAD_SIZE, l__Image.m__Tail.data(), UDF_TAIL_SIZE, l__Image.m__System.data(),
                            l__ULONGLONG__SystemSize, l__PRoot, l__PVideoTs, l__PAudioTs, &l__Image.m__Image, l__CHAR__Text,
                            sizeof(l__CHAR__Text), &l__ULONG__SystemError, const_cast<PCHAR>(m__Job.m__string__Label.c_str()));
    if (l__ULONG__Status != 0) {
        std::string l__string__Text(l__CHAR__Text);
        const size_t l__SIZE__First = l__string__Text.find_first_not_of(" \r\n");
        l__string__Text = l__SIZE__First == std::string::npos ? std::string("the UDF image cannot be made") : l__string__Text.substr(l__SIZE__First);
        while (!l__string__Text.empty() && (l__string__Text.back() == '\n' || l__string__Text.back() == '\r')) l__string__Text.pop_back();
        if (l__ULONG__Status == EXCEPTION_NUMBER_SYSTEM_ERROR && l__ULONG__SystemError != 0) {
            l__string__Text.append(" (").append(std::strerror(static_cast<int>(l__ULONG__SystemError))).append(")");
        }
        return Fail(l__ULONG__Status, l__string__Text);
    }
    return 0;
}
