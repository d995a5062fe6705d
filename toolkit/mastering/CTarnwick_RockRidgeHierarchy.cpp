#include "CTarnwick_RockRidgeHierarchy.h"

#include <cstring>
#include <unordered_set>

#include "CTarnwick_Exception.h"

namespace {

const char* const g__PCHAR__BuildImage = "CTarnwick_ISO9660FileTree::BuildImage";
const UCHAR g__UCHAR__Zero = 0;
const UCHAR g__UCHAR__One = 1;
constexpr UCHAR g__UCHAR__DirectoryFlag = 0x02;
constexpr UCHAR g__UCHAR__HiddenFlag = 0x01;

CTarnwick_ISO9660FileTreeNode* Iso(CTarnwick_FileTreeNode* p__Node) {
    return static_cast<CTarnwick_ISO9660FileTreeNode*>(p__Node);
}

// The base of a record: its fixed part, identifier and padding.
ULONG BaseLengthOf(size_t p__SIZE__Identifier) {
    return CTarnwick_ISO9660ImageWriter::RecordLengthOf(static_cast<ULONG>(p__SIZE__Identifier), 0);
}

}  // namespace

CTarnwick_RockRidgeHierarchy::CTarnwick_RockRidgeHierarchy(CTarnwick_ISO9660FileTreeNode* p__Root,
                                                           BOOLEAN p__BOOLEAN__IsLongNames,
                                                           AlternativeName p__AlternativeName)
    : m__Root(p__Root), m__BOOLEAN__IsLongNames(p__BOOLEAN__IsLongNames), m__AlternativeName(std::move(p__AlternativeName)) {}

const std::string& CTarnwick_RockRidgeHierarchy::NameOf(const CTarnwick_ISO9660FileTreeNode* p__Node) const {
    auto l__Found = m__Renamed.find(p__Node);
    return l__Found != m__Renamed.end() ? l__Found->second : p__Node->GetLongFileName();
}

void CTarnwick_RockRidgeHierarchy::MakeNamesUnique() {
    // Two entries of one name (a node renamed by the collision protocol keeps its long
    // name) would read as one file: the later one takes another name.
    m__Renamed.clear();
    for (const Directory& l__Directory : m__Directories) {
        if (l__Directory.m__Node == nullptr) {
            continue;  // "rr_moved": its entries are read at their real places
        }
        std::unordered_set<std::string> l__Taken;
        for (const Entry& l__Entry : l__Directory.m__Entries) {
            if (l__Entry.m__Node == nullptr || l__Taken.insert(l__Entry.m__Node->GetLongFileName()).second) {
                continue;
            }
            std::string l__string__Name = m__AlternativeName ? m__AlternativeName(l__Entry.m__Node) : std::string();
            for (unsigned l__UINT__Number = 1; l__string__Name.empty() || l__Taken.count(l__string__Name) != 0; ++l__UINT__Number) {
                std::string l__string__Tail(1, '_');
                l__string__Tail.append(std::to_string(l__UINT__Number));
                l__string__Name = CTarnwick_ISO9660FileTreeNode::CutName(l__Entry.m__Node->GetLongFileName(),
                                                                         255 - l__string__Tail.size());
                l__string__Name.append(l__string__Tail);
            }
            l__Taken.insert(l__string__Name);
            m__Renamed[l__Entry.m__Node] = std::move(l__string__Name);
        }
    }
}

const CTarnwick_RockRidgeAttributes& CTarnwick_RockRidgeHierarchy::AttributesOf(
    const CTarnwick_ISO9660FileTreeNode* p__Node, CTarnwick_RockRidgeAttributes* p__Made) const {
    const CTarnwick_ISO9660FileTreeNode* l__Dated = p__Node != nullptr ? p__Node : m__Root;
    const bool l__bool__IsDirectory = p__Node == nullptr || p__Node->IsDirectory();
    const CTarnwick_RockRidgeAttributes* l__Known = p__Node != nullptr ? p__Node->GetRockRidgeAttributes() : nullptr;
    if (l__Known != nullptr && (l__Known->Type() == CTarnwick_RockRidgeAttributes::TypeDirectory) == l__bool__IsDirectory &&
        l__Known->Type() != 0) {
        return *l__Known;
    }
    // None known, or of another kind than the node (a virtual directory, a memory block):
    // readable by everyone, owned by root, all times the node's date.
    *p__Made = CTarnwick_RockRidgeAttributes{};
    if (l__Known != nullptr) {
        *p__Made = *l__Known;
        p__Made->m__string__LinkTarget.clear();
    }
    p__Made->m__ULONG__Mode = CTarnwick_RockRidgeAttributes::MadeUpMode(l__bool__IsDirectory);
    if (l__Known == nullptr) {
        const LONGLONG l__LONGLONG__Time = CTarnwick_ISO9660FileTreeNode::UnixTimeOf(l__Dated->GetRecordingDate());
        p__Made->m__LONGLONG__AccessTime = l__LONGLONG__Time;
        p__Made->m__LONGLONG__ModifyTime = l__LONGLONG__Time;
        p__Made->m__LONGLONG__AttributeTime = l__LONGLONG__Time;
    }
    return *p__Made;
}

const UCHAR* CTarnwick_RockRidgeHierarchy::DateOf(const CTarnwick_ISO9660FileTreeNode* p__Node) const {
    return (p__Node != nullptr ? p__Node : m__Root)->GetRecordingDate();
}

std::string CTarnwick_RockRidgeHierarchy::UniqueIdentifier(const std::string& p__string__Identifier) {
    // The first holder keeps the identifier; later ones get "_N" at the end, within the
    // limit, with the first N no identifier holds yet.
    if (m__RelocatedIdentifiers.emplace(p__string__Identifier, 0).second) {
        return p__string__Identifier;
    }
    const size_t l__SIZE__Limit = m__BOOLEAN__IsLongNames ? 31 : 8;
    unsigned& l__UINT__Number = m__RelocatedIdentifiers[p__string__Identifier];
    for (;;) {
        std::string l__string__Tail(1, '_');
        l__string__Tail.append(std::to_string(++l__UINT__Number));
        std::string l__string__Candidate =
            CTarnwick_ISO9660FileTreeNode::CutName(p__string__Identifier, l__SIZE__Limit - l__string__Tail.size());
        l__string__Candidate.append(l__string__Tail);
        if (m__RelocatedIdentifiers.emplace(l__string__Candidate, 0).second) {
            return l__string__Candidate;
        }
    }
}

std::string CTarnwick_RockRidgeHierarchy::RelocationIdentifier() const {
    // "RR_MOVED", or "RR_MOVED_N" (within the limit) when an entry of the root has it.
    std::unordered_set<std::string> l__Taken;
    for (CTarnwick_FileTreeNode* l__Kid = m__Root->GetFirstKid(); l__Kid != nullptr; l__Kid = l__Kid->GetNextSibling()) {
        l__Taken.insert(Iso(l__Kid)->GetDiscIdentifier());
    }
    const size_t l__SIZE__Limit = m__BOOLEAN__IsLongNames ? 31 : 8;
    std::string l__string__Candidate = "RR_MOVED";
    for (unsigned l__UINT__Number = 1; l__Taken.count(l__string__Candidate) != 0; ++l__UINT__Number) {
        std::string l__string__Tail(1, '_');
        l__string__Tail.append(std::to_string(l__UINT__Number));
        l__string__Candidate = CTarnwick_ISO9660FileTreeNode::CutName("RR_MOVED", l__SIZE__Limit - l__string__Tail.size());
        l__string__Candidate.append(l__string__Tail);
    }
    return l__string__Candidate;
}

ULONG CTarnwick_RockRidgeHierarchy::SerialOf(const CTarnwick_ISO9660FileTreeNode* p__File) {
    const CTarnwick_RockRidgeAttributes* l__Known = p__File->GetRockRidgeAttributes();
    if (l__Known == nullptr || l__Known->m__ULONG__Links < 2) {
        return m__ULONG__NextSerial++;
    }
    auto l__Inserted = m__HardLinks[l__Known->m__ULONGLONG__Origin].emplace(l__Known->m__ULONGLONG__Serial, m__ULONG__NextSerial);
    if (l__Inserted.second) {
        ++m__ULONG__NextSerial;
    }
    return l__Inserted.first->second;
}

void CTarnwick_RockRidgeHierarchy::Plan() {
    // Which directories move: a directory one level below the deepest one allowed goes
    // to "rr_moved" (level 2), where it lies on level 3; its subtree follows it.
    std::unordered_map<const CTarnwick_FileTreeNode*, ULONG> l__Levels;
    std::vector<CTarnwick_ISO9660FileTreeNode*> l__Relocated;
    std::unordered_set<const CTarnwick_FileTreeNode*> l__IsRelocated;
    std::vector<CTarnwick_ISO9660FileTreeNode*> l__Queue{m__Root};
    l__Levels[m__Root] = 1;
    for (size_t l__SIZE__Index = 0; l__SIZE__Index < l__Queue.size(); ++l__SIZE__Index) {
        const ULONG l__ULONG__Level = l__Levels[l__Queue[l__SIZE__Index]];
        for (CTarnwick_FileTreeNode* l__Kid = l__Queue[l__SIZE__Index]->GetFirstKid(); l__Kid != nullptr;
             l__Kid = l__Kid->GetNextSibling()) {
            if (!l__Kid->IsDirectory()) {
                continue;
            }
            if (l__ULONG__Level + 1 > MaximumLevel) {
                l__Relocated.push_back(Iso(l__Kid));
                l__IsRelocated.insert(l__Kid);
                l__Levels[l__Kid] = 3;
            } else {
                l__Levels[l__Kid] = l__ULONG__Level + 1;
            }
            l__Queue.push_back(Iso(l__Kid));
        }
    }
    // The hierarchy, breadth-first so that the path tables go level by level.
    m__Directories.clear();
    m__DirectoryIndex.clear();
    m__RelocatedIdentifiers.clear();
    m__Directories.push_back(Directory{m__Root, 0, nullptr, std::string(), {}});
    m__DirectoryIndex[m__Root] = 0;
    for (size_t l__SIZE__Index = 0; l__SIZE__Index < m__Directories.size(); ++l__SIZE__Index) {
        if (m__Directories.size() >= 0xFFFF) {
            CTarnwick_Exception::Raise(g__PCHAR__BuildImage, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SIZE_LIMIT, 0,
                                       "CTarnwick_ISO9660FileTree::BuildImage(): more than %lu directories!!!", 0xFFFEul);
        }
        std::vector<Entry> l__Entries;
        std::vector<Directory> l__New;
        const size_t l__SIZE__First = m__Directories.size();
        auto l__AddDirectory = [&](CTarnwick_ISO9660FileTreeNode* p__Node, CTarnwick_ISO9660FileTreeNode* p__RealParent,
                                   std::string p__string__Identifier, Kind p__Kind) {
            const size_t l__SIZE__Directory = l__SIZE__First + l__New.size();
            if (p__Node != nullptr) {
                m__DirectoryIndex[p__Node] = l__SIZE__Directory;
            }
            l__New.push_back(Directory{p__Node, l__SIZE__Index, p__RealParent, std::move(p__string__Identifier), {}});
            l__Entries.push_back(Entry{p__Kind, p__Node, l__SIZE__Directory, 0});
        };
        CTarnwick_ISO9660FileTreeNode* l__Node = m__Directories[l__SIZE__Index].m__Node;
        if (l__Node == nullptr) {
            for (CTarnwick_ISO9660FileTreeNode* l__Moved : l__Relocated) {
                l__AddDirectory(l__Moved, Iso(l__Moved->GetParent()), UniqueIdentifier(l__Moved->GetDiscIdentifier()),
                                Kind::Relocated);
            }
        } else {
            for (CTarnwick_FileTreeNode* l__KidNode = l__Node->GetFirstKid(); l__KidNode != nullptr;
                 l__KidNode = l__KidNode->GetNextSibling()) {
                CTarnwick_ISO9660FileTreeNode* l__Kid = Iso(l__KidNode);
                if (!l__Kid->IsDirectory()) {
                    l__Entries.push_back(Entry{Kind::Plain, l__Kid, 0, SerialOf(l__Kid)});
                } else if (l__IsRelocated.count(l__Kid) != 0) {
                    // Its directory comes with "rr_moved"; the index is known once it is there.
                    l__Entries.push_back(Entry{Kind::ChildLink, l__Kid, 0, 0});
                } else {
                    l__AddDirectory(l__Kid, nullptr, l__Kid->GetDiscIdentifier(), Kind::Plain);
                }
            }
            if (l__SIZE__Index == 0 && !l__Relocated.empty()) {
                l__AddDirectory(nullptr, nullptr, RelocationIdentifier(), Kind::RelocationDirectory);
            }
        }
        for (Directory& l__Directory : l__New) {
            l__Directory.m__ULONG__Serial = m__ULONG__NextSerial++;
            m__Directories.push_back(std::move(l__Directory));
        }
        m__Directories[l__SIZE__Index].m__Entries = std::move(l__Entries);
    }
    MakeNamesUnique();
    // Links: "." and ".." and one for each subdirectory as readers that follow CL see it.
    for (Directory& l__Directory : m__Directories) {
        ULONG l__ULONG__Subdirectories = 0;
        for (const Entry& l__Entry : l__Directory.m__Entries) {
            if (l__Entry.m__Kind != Kind::Plain || l__Entry.m__Node->IsDirectory()) {
                ++l__ULONG__Subdirectories;
            }
        }
        l__Directory.m__ULONG__Links = 2 + l__ULONG__Subdirectories;
    }
    for (Directory& l__Directory : m__Directories) {
        for (Entry& l__Entry : l__Directory.m__Entries) {
            if (l__Entry.m__Kind == Kind::ChildLink) {
                l__Entry.m__SIZE__Directory = m__DirectoryIndex.at(l__Entry.m__Node);
            }
        }
    }
    // Sizes: path tables, directories (records never cross a sector end) and the
    // continuation areas, allocated in the order Write takes them.
    m__ULONGLONG__PathTableSize = 0;
    m__ULONGLONG__DirectorySectors = 0;
    Allocator l__Allocator;
    CTarnwick_RockRidgeAttributes l__Made;
    for (size_t l__SIZE__Index = 0; l__SIZE__Index < m__Directories.size(); ++l__SIZE__Index) {
        Directory& l__Directory = m__Directories[l__SIZE__Index];
        m__ULONGLONG__PathTableSize +=
            CTarnwick_ISO9660FileTreeNode::PathTableRecordLengthOf(l__SIZE__Index == 0 ? 1 : static_cast<ULONG>(l__Directory.m__string__Identifier.size()));
        uint64_t l__ULONGLONG__Length = 0;
        for (bool l__bool__IsSelf : {true, false}) {
            CTarnwick_RockRidgeRecord l__Record = OwnRecordOf(l__SIZE__Index, l__bool__IsSelf, &l__Made);
            Allocate(&l__Allocator, l__Record);
            CTarnwick_ISO9660FileTreeNode::AddRecord(&l__ULONGLONG__Length,
                                                     CTarnwick_ISO9660ImageWriter::RecordLengthOf(1, l__Record.GetSystemUseLength()));
        }
        for (const Entry& l__Entry : l__Directory.m__Entries) {
            const std::string& l__string__Identifier = IdentifierOf(l__Entry);
            CTarnwick_RockRidgeRecord l__Record = RecordOf(l__Entry, l__string__Identifier, &l__Made);
            Allocate(&l__Allocator, l__Record);
            const ULONG l__ULONG__Count =
                l__Entry.m__Kind == Kind::Plain && !l__Entry.m__Node->IsDirectory() ? l__Entry.m__Node->GetExtentCount() : 1;
            const ULONG l__ULONG__Record = CTarnwick_ISO9660ImageWriter::RecordLengthOf(
                static_cast<ULONG>(l__string__Identifier.size()), l__Record.GetSystemUseLength());
            for (ULONG l__ULONG__Extent = 0; l__ULONG__Extent < l__ULONG__Count; ++l__ULONG__Extent) {
                CTarnwick_ISO9660FileTreeNode::AddRecord(&l__ULONGLONG__Length, l__ULONG__Record);
            }
        }
        l__Directory.m__ULONGLONG__Length = l__ULONGLONG__Length;
        m__ULONGLONG__DirectorySectors += CTarnwick_ISO9660FileTreeNode::SectorsOf(l__ULONGLONG__Length);
    }
    m__ULONGLONG__ContinuationSectors = l__Allocator.m__bool__Used ? l__Allocator.m__ULONG__Block + 1 : 0;
}

const std::string& CTarnwick_RockRidgeHierarchy::IdentifierOf(const Entry& p__Entry) const {
    if (p__Entry.m__Kind == Kind::Relocated || p__Entry.m__Kind == Kind::RelocationDirectory) {
        return m__Directories[p__Entry.m__SIZE__Directory].m__string__Identifier;
    }
    return p__Entry.m__Node->GetDiscIdentifier();
}

CTarnwick_RockRidgeRecord CTarnwick_RockRidgeHierarchy::RecordOf(const Entry& p__Entry,
                                                                 const std::string& p__string__Identifier,
                                                                 CTarnwick_RockRidgeAttributes* p__Made) const {
    CTarnwick_RockRidgeRecord::Content l__Content;
    l__Content.m__PAttributes = &AttributesOf(p__Entry.m__Node, p__Made);
    l__Content.m__Pstring__Name = p__Entry.m__Node != nullptr ? &NameOf(p__Entry.m__Node) : &m__string__RelocationName;
    if (p__Entry.m__Kind == Kind::Plain && !p__Entry.m__Node->IsDirectory()) {
        const CTarnwick_RockRidgeAttributes* l__Known = p__Entry.m__Node->GetRockRidgeAttributes();
        l__Content.m__ULONG__Links = l__Known != nullptr && l__Known->m__ULONG__Links != 0 ? l__Known->m__ULONG__Links : 1;
        l__Content.m__ULONG__Serial = p__Entry.m__ULONG__Serial;
    } else {
        const Directory& l__Directory = m__Directories[p__Entry.m__SIZE__Directory];
        l__Content.m__ULONG__Links = l__Directory.m__ULONG__Links;
        l__Content.m__ULONG__Serial = l__Directory.m__ULONG__Serial;
        l__Content.m__bool__HasChildLink = p__Entry.m__Kind == Kind::ChildLink;
        l__Content.m__ULONG__ChildLink = l__Directory.m__ULONG__Extent;
        l__Content.m__bool__IsRelocated = p__Entry.m__Kind == Kind::Relocated || p__Entry.m__Kind == Kind::RelocationDirectory;
    }
    return CTarnwick_RockRidgeRecord(l__Content, BaseLengthOf(p__string__Identifier.size()));
}

CTarnwick_RockRidgeRecord CTarnwick_RockRidgeHierarchy::OwnRecordOf(size_t p__SIZE__Directory, bool p__bool__IsSelf,
                                                                    CTarnwick_RockRidgeAttributes* p__Made) const {
    const Directory& l__Directory = m__Directories[p__SIZE__Directory];
    // ".." describes the parent the reader sees: the real one of a relocated directory.
    size_t l__SIZE__Described = p__SIZE__Directory;
    if (!p__bool__IsSelf) {
        l__SIZE__Described = l__Directory.m__RealParent != nullptr ? m__DirectoryIndex.at(l__Directory.m__RealParent)
                                                                    : l__Directory.m__SIZE__Parent;
    }
    const Directory& l__Described = m__Directories[l__SIZE__Described];
    CTarnwick_RockRidgeRecord::Content l__Content;
    l__Content.m__PAttributes = &AttributesOf(l__Described.m__Node, p__Made);
    l__Content.m__ULONG__Links = l__Described.m__ULONG__Links;
    l__Content.m__ULONG__Serial = l__Described.m__ULONG__Serial;
    l__Content.m__bool__IsRootSelf = p__bool__IsSelf && p__SIZE__Directory == 0;
    l__Content.m__bool__HasParentLink = !p__bool__IsSelf && l__Directory.m__RealParent != nullptr;
    l__Content.m__ULONG__ParentLink = l__Described.m__ULONG__Extent;
    return CTarnwick_RockRidgeRecord(l__Content, BaseLengthOf(1));
}

std::vector<CTarnwick_RockRidgeRecord::Place> CTarnwick_RockRidgeHierarchy::Allocate(
    Allocator* p__Allocator, const CTarnwick_RockRidgeRecord& p__Record) const {
    std::vector<CTarnwick_RockRidgeRecord::Place> l__Places;
    for (ULONG l__ULONG__Length : p__Record.GetAreaLengths()) {
        // An area never crosses a block end.
        if (p__Allocator->m__ULONG__Offset + l__ULONG__Length > CTarnwick_RockRidgeRecord::BlockSize) {
            ++p__Allocator->m__ULONG__Block;
            p__Allocator->m__ULONG__Offset = 0;
        }
        l__Places.push_back({m__ULONG__ContinuationSector + p__Allocator->m__ULONG__Block, p__Allocator->m__ULONG__Offset});
        p__Allocator->m__ULONG__Offset += l__ULONG__Length;
        p__Allocator->m__bool__Used = true;
    }
    return l__Places;
}

void CTarnwick_RockRidgeHierarchy::Place(ULONG p__ULONG__FirstSector) {
    // Depth first, each directory before its subdirectories in record order, the root's
    // relocation directory before its other subdirectories: readers that walk the disc
    // forward fail on relocations inside relocated directories laid out otherwise.
    uint64_t l__ULONGLONG__Next = p__ULONG__FirstSector;
    std::vector<size_t> l__Stack{0};
    while (!l__Stack.empty()) {
        Directory& l__Directory = m__Directories[l__Stack.back()];
        l__Stack.pop_back();
        l__Directory.m__ULONG__Extent = static_cast<ULONG>(l__ULONGLONG__Next);
        if (l__Directory.m__Node != nullptr) {
            l__Directory.m__Node->m__ULONG__ExtentLocation = l__Directory.m__ULONG__Extent;
        }
        l__ULONGLONG__Next += CTarnwick_ISO9660FileTreeNode::SectorsOf(l__Directory.m__ULONGLONG__Length);
        size_t l__SIZE__RelocationDirectory = 0;
        for (auto l__Entry = l__Directory.m__Entries.rbegin(); l__Entry != l__Directory.m__Entries.rend(); ++l__Entry) {
            if (l__Entry->m__Kind == Kind::RelocationDirectory) {
                l__SIZE__RelocationDirectory = l__Entry->m__SIZE__Directory;
            } else if (l__Entry->m__Kind != Kind::ChildLink && l__Entry->m__Node->IsDirectory()) {
                l__Stack.push_back(l__Entry->m__SIZE__Directory);
            }
        }
        if (l__SIZE__RelocationDirectory != 0) {
            l__Stack.push_back(l__SIZE__RelocationDirectory);
        }
    }
    m__ULONG__ContinuationSector = static_cast<ULONG>(l__ULONGLONG__Next);
}

ULONG CTarnwick_RockRidgeHierarchy::GetRootDataLength() const {
    return static_cast<ULONG>(CTarnwick_ISO9660FileTreeNode::SectorsOf(m__Directories[0].m__ULONGLONG__Length) * SectorSize);
}

void CTarnwick_RockRidgeHierarchy::Write(CTarnwick_ISO9660ImageWriter& p__Writer,
                                         const CTarnwick_ISO9660ImageWriter::PathTables& p__Tables) {
    uint64_t l__ULONGLONG__TableOffset = 0;
    Allocator l__Allocator;
    CTarnwick_RockRidgeAttributes l__Made;
    UCHAR l__UCHAR__SystemUse[CTarnwick_RockRidgeRecord::MaximumRecordLength];
    auto l__At = [&](const CTarnwick_RockRidgeRecord::Place& p__Place) {
        return p__Writer.SectorAt(p__Place.m__ULONG__Block) + p__Place.m__ULONG__Offset;
    };
    auto l__DataLength = [&](size_t p__SIZE__Directory) {
        return static_cast<ULONG>(CTarnwick_ISO9660FileTreeNode::SectorsOf(m__Directories[p__SIZE__Directory].m__ULONGLONG__Length) *
                                  SectorSize);
    };
    for (size_t l__SIZE__Index = 0; l__SIZE__Index < m__Directories.size(); ++l__SIZE__Index) {
        const Directory& l__Directory = m__Directories[l__SIZE__Index];
        const bool l__bool__IsRoot = l__SIZE__Index == 0;
        p__Writer.PutPathTableRecords(
            p__Tables, &l__ULONGLONG__TableOffset, l__Directory.m__ULONG__Extent,
            static_cast<USHORT>(l__Directory.m__SIZE__Parent + 1),
            l__bool__IsRoot ? &g__UCHAR__Zero : reinterpret_cast<const UCHAR*>(l__Directory.m__string__Identifier.data()),
            l__bool__IsRoot ? 1 : static_cast<ULONG>(l__Directory.m__string__Identifier.size()));

        const uint64_t l__ULONGLONG__Capacity = CTarnwick_ISO9660FileTreeNode::SectorsOf(l__Directory.m__ULONGLONG__Length) * SectorSize;
        UCHAR* l__PUCHAR__Directory = p__Writer.SectorAt(l__Directory.m__ULONG__Extent);
        uint64_t l__ULONGLONG__Offset = 0;
        auto l__Put = [&](const CTarnwick_RockRidgeRecord& p__Record, ULONG p__ULONG__Extent, ULONG p__ULONG__DataLength,
                          const UCHAR* p__PUCHAR__Date, UCHAR p__UCHAR__Flags, const UCHAR* p__PUCHAR__Identifier,
                          ULONG p__ULONG__IdentifierLength, const std::vector<CTarnwick_RockRidgeRecord::Place>& p__Places) {
            const ULONG l__ULONG__Record =
                CTarnwick_ISO9660ImageWriter::RecordLengthOf(p__ULONG__IdentifierLength, p__Record.GetSystemUseLength());
            if (l__ULONGLONG__Offset % SectorSize + l__ULONG__Record > SectorSize) {
                l__ULONGLONG__Offset += SectorSize - l__ULONGLONG__Offset % SectorSize;
            }
            if (l__ULONGLONG__Offset + l__ULONG__Record > l__ULONGLONG__Capacity) {
                CTarnwick_Exception::Raise(g__PCHAR__BuildImage, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_STATE,
                                           0, "CTarnwick_ISO9660FileTree::BuildImage(): records of '%s' exceed %llu bytes!!!",
                                           l__Directory.m__Node != nullptr ? l__Directory.m__Node->GetAbsolutePathAndFileName().c_str()
                                                                           : m__string__RelocationName.c_str(),
                                           static_cast<unsigned long long>(l__ULONGLONG__Capacity));
            }
            p__Record.Write(l__UCHAR__SystemUse, p__Places, l__At);
            l__ULONGLONG__Offset += CTarnwick_ISO9660ImageWriter::PutRecord(
                l__PUCHAR__Directory + l__ULONGLONG__Offset, p__ULONG__Extent, p__ULONG__DataLength, p__PUCHAR__Date,
                p__UCHAR__Flags, p__PUCHAR__Identifier, p__ULONG__IdentifierLength, l__UCHAR__SystemUse,
                p__Record.GetSystemUseLength());
        };
        for (bool l__bool__IsSelf : {true, false}) {
            CTarnwick_RockRidgeRecord l__Record = OwnRecordOf(l__SIZE__Index, l__bool__IsSelf, &l__Made);
            std::vector<CTarnwick_RockRidgeRecord::Place> l__Places = Allocate(&l__Allocator, l__Record);
            const size_t l__SIZE__Target = l__bool__IsSelf ? l__SIZE__Index : l__Directory.m__SIZE__Parent;
            l__Put(l__Record, m__Directories[l__SIZE__Target].m__ULONG__Extent, l__DataLength(l__SIZE__Target),
                   DateOf(m__Directories[l__SIZE__Target].m__Node), g__UCHAR__DirectoryFlag,
                   l__bool__IsSelf ? &g__UCHAR__Zero : &g__UCHAR__One, 1, l__Places);
        }
        for (const Entry& l__Entry : l__Directory.m__Entries) {
            const std::string& l__string__Identifier = IdentifierOf(l__Entry);
            CTarnwick_RockRidgeRecord l__Record = RecordOf(l__Entry, l__string__Identifier, &l__Made);
            std::vector<CTarnwick_RockRidgeRecord::Place> l__Places = Allocate(&l__Allocator, l__Record);
            const UCHAR* l__PUCHAR__Identifier = reinterpret_cast<const UCHAR*>(l__string__Identifier.data());
            const ULONG l__ULONG__IdentifierLength = static_cast<ULONG>(l__string__Identifier.size());
            UCHAR l__UCHAR__Flags =
                l__Entry.m__Node != nullptr && (l__Entry.m__Node->GetAttributes() & FILE_ATTRIBUTE_HIDDEN) != 0 ? g__UCHAR__HiddenFlag : 0;
            if (l__Entry.m__Kind == Kind::Plain && !l__Entry.m__Node->IsDirectory()) {
                for (ULONG l__ULONG__Index = 0; l__ULONG__Index < l__Entry.m__Node->GetExtentCount(); ++l__ULONG__Index) {
                    ULONG l__ULONG__Extent = 0;
                    ULONG l__ULONG__DataLength = 0;
                    UCHAR l__UCHAR__PartFlags = l__UCHAR__Flags;
                    CTarnwick_ISO9660ImageWriter::FileRecordPart(l__Entry.m__Node, l__ULONG__Index, &l__ULONG__Extent,
                                                                 &l__ULONG__DataLength, &l__UCHAR__PartFlags);
                    l__Put(l__Record, l__ULONG__Extent, l__ULONG__DataLength, DateOf(l__Entry.m__Node), l__UCHAR__PartFlags,
                           l__PUCHAR__Identifier, l__ULONG__IdentifierLength, l__Places);
                }
            } else if (l__Entry.m__Kind == Kind::ChildLink) {
                // A file of no bytes at the relocated directory's extent.
                l__Put(l__Record, m__Directories[l__Entry.m__SIZE__Directory].m__ULONG__Extent, 0, DateOf(l__Entry.m__Node),
                       l__UCHAR__Flags, l__PUCHAR__Identifier, l__ULONG__IdentifierLength, l__Places);
            } else {
                l__Put(l__Record, m__Directories[l__Entry.m__SIZE__Directory].m__ULONG__Extent,
                       l__DataLength(l__Entry.m__SIZE__Directory), DateOf(l__Entry.m__Node),
                       static_cast<UCHAR>(l__UCHAR__Flags | g__UCHAR__DirectoryFlag), l__PUCHAR__Identifier,
                       l__ULONG__IdentifierLength, l__Places);
            }
        }
    }
}
