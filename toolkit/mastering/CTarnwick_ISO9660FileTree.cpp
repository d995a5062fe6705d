#include "CTarnwick_ISO9660FileTree.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <mutex>
#include <new>

#include "CTarnwick_Exception.h"
#include "CTarnwick_ISO9660Image.h"
#include "CTarnwick_MemoryFile.h"
#include "CTarnwick_RockRidgeHierarchy.h"
#include "DebugPrint.h"
#include "PlatformDirectory.h"
#include "PlatformOutputFile.h"
#include "PlatformSystemError.h"

namespace {

const ULONG g__ULONG__Sector = CTarnwick_ISO9660FileTreeNode::SectorSize;

const char* const g__PCHAR__BuildImage = "CTarnwick_ISO9660FileTree::BuildImage";

}  // namespace

CTarnwick_ISO9660FileTree::CTarnwick_ISO9660FileTree(PROGRESS_CALLBACK p__Callback, PVOID p__PVOID__Context,
                                                     BOOLEAN p__BOOLEAN__IsIgnoreErrors,
                                                     BOOLEAN p__BOOLEAN__IsKeepFilesOpen,
                                                     BOOLEAN p__BOOLEAN__IsLongNames)
    : CTarnwick_FileTree(p__Callback, p__PVOID__Context, p__BOOLEAN__IsIgnoreErrors),
      m__ULONGLONG__ExtraDescriptorBytes(0),
      m__ULONGLONG__ExtraPathTableBytes(0),
      m__ULONGLONG__ExtraDirectoryBytes(0),
      m__BOOLEAN__IsKeepFilesOpen(p__BOOLEAN__IsKeepFilesOpen),
      m__BOOLEAN__IsLongNames(p__BOOLEAN__IsLongNames),
      m__ULONGLONG__PathTableSize(0),
      m__ULONGLONG__PathTableSectors(0),
      m__ULONGLONG__TotalDirectorySectors(0),
      m__ULONGLONG__TotalFileSectors(0),
      m__ULONG__StartSector(0),
      m__ULONG__PrimaryDescriptorSector(0),
      m__ULONG__LPathTableSector(0),
      m__ULONG__MPathTableSector(0),
      m__ULONG__FirstDirectorySector(0),
      m__ULONG__FirstFileSector(0),
      m__ULONG__VolumeSpaceSize(0),
      m__PUCHAR__SystemStructures(nullptr),
      m__ULONGLONG__SystemStructuresSize(0),
      m__PCTarnwick_MemoryFile__SystemStructures(nullptr),
      m__PCTarnwick_ISO9660Image(nullptr),
      m__BOOLEAN__IsImageBuild(FALSE),
      m__PCTarnwick_ISO9660FileTreeNode__BootImage(nullptr),
      m__UCHAR__BootMediaType(2),
      m__UCHAR__SystemType(6) {}

CTarnwick_ISO9660FileTree::~CTarnwick_ISO9660FileTree() {
    DeleteAll();
    delete m__PCTarnwick_ISO9660Image;
    delete m__PCTarnwick_MemoryFile__SystemStructures;
    delete[] m__PUCHAR__SystemStructures;
}

CTarnwick_FileTreeNode* CTarnwick_ISO9660FileTree::NewFileTreeNodeMemoryItem(
    const void* p__PVOID__Memory, const char* p__PCHAR__LongFileName, const char* p__PCHAR__ShortFileName,
    uint64_t p__ULONGLONG__Size, CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent, ULONG p__ULONG__NodeNumber,
    LONGLONG p__LONGLONG__FileTime) {
    return new (std::nothrow) CTarnwick_ISO9660FileTreeNode(p__PVOID__Memory, p__PCHAR__LongFileName,
                                                            p__PCHAR__ShortFileName, p__ULONGLONG__Size,
                                                            p__PCTarnwick_FileTreeNode__Parent, p__ULONG__NodeNumber,
                                                            p__LONGLONG__FileTime);
}

CTarnwick_FileTreeNode* CTarnwick_ISO9660FileTree::NewFileTreeNodeItem(
    const char* p__PCHAR__AbsolutePathAndFileName, const char* p__PCHAR__LongFileName,
    const char* p__PCHAR__ShortFileName, ULONG p__ULONG__Attributes, uint64_t p__ULONGLONG__Size,
    CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent, ULONG p__ULONG__NodeNumber,
    LONGLONG p__LONGLONG__FileTime, ULONG p__ULONG__Flags, BOOLEAN p__BOOLEAN__IsImported) {
    return new (std::nothrow) CTarnwick_ISO9660FileTreeNode(
        p__PCHAR__AbsolutePathAndFileName, p__PCHAR__LongFileName, p__PCHAR__ShortFileName, p__ULONG__Attributes,
        p__ULONGLONG__Size, p__PCTarnwick_FileTreeNode__Parent, p__ULONG__NodeNumber, p__LONGLONG__FileTime,
        p__ULONG__Flags, m__BOOLEAN__IsKeepFilesOpen, m__BOOLEAN__IsLongNames, p__BOOLEAN__IsImported);
}

void CTarnwick_ISO9660FileTree::AddKidRecords(uint64_t* p__PULONGLONG__DirectoryLength,
                                              const CTarnwick_ISO9660FileTreeNode* p__Kid) {
    ULONG l__ULONG__Count = p__Kid->GetExtentCount();
    ULONG l__ULONG__Record = p__Kid->GetRecordLength();
    for (ULONG l__ULONG__Index = 0; l__ULONG__Index < l__ULONG__Count; ++l__ULONG__Index) {
        CTarnwick_ISO9660FileTreeNode::AddRecord(p__PULONGLONG__DirectoryLength, l__ULONG__Record);
    }
}

void CTarnwick_ISO9660FileTree::SetDirectoryLength(CTarnwick_ISO9660FileTreeNode* p__Directory,
                                                   uint64_t p__ULONGLONG__Length) {
    uint64_t l__ULONGLONG__OldSectors = p__Directory->m__ULONGLONG__DirectorySectors;
    p__Directory->m__ULONGLONG__DirectoryLength = p__ULONGLONG__Length;
    p__Directory->m__ULONGLONG__DirectorySectors = CTarnwick_ISO9660FileTreeNode::SectorsOf(p__ULONGLONG__Length);
    if (p__Directory->IsAdded()) {
        m__ULONGLONG__TotalDirectorySectors += p__Directory->m__ULONGLONG__DirectorySectors;
        m__ULONGLONG__TotalDirectorySectors -= l__ULONGLONG__OldSectors;
    }
}

void CTarnwick_ISO9660FileTree::RelayoutDirectory(CTarnwick_ISO9660FileTreeNode* p__Directory,
                                                  const CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Left) {
    uint64_t l__ULONGLONG__Length = 68;
    for (CTarnwick_FileTreeNode* l__Kid = p__Directory->GetFirstKid(); l__Kid != nullptr; l__Kid = l__Kid->GetNextSibling()) {
        if (l__Kid != p__PCTarnwick_FileTreeNode__Left) {
            AddKidRecords(&l__ULONGLONG__Length, Iso(l__Kid));
        }
    }
    SetDirectoryLength(p__Directory, l__ULONGLONG__Length);
}

void CTarnwick_ISO9660FileTree::AddPower(CTarnwick_ISO9660FileTreeNode* p__Directory, int64_t p__LONGLONG__Change) {
    CTarnwick_ISO9660FileTreeNode* l__Node = p__Directory;
    l__Node->m__ULONGLONG__Power += static_cast<uint64_t>(p__LONGLONG__Change);
    while (l__Node->IsLinked() && l__Node->GetParent() != nullptr && l__Node->GetParent()->IsAdded()) {
        l__Node = Iso(l__Node->GetParent());
        l__Node->m__ULONGLONG__Power += static_cast<uint64_t>(p__LONGLONG__Change);
    }
}

void CTarnwick_ISO9660FileTree::AddPathTableBytes(int64_t p__LONGLONG__Change) {
    m__ULONGLONG__PathTableSize += static_cast<uint64_t>(p__LONGLONG__Change);
    m__ULONGLONG__PathTableSectors = CTarnwick_ISO9660FileTreeNode::SectorsOf(m__ULONGLONG__PathTableSize);
}

void CTarnwick_ISO9660FileTree::OnAddNode(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node) {
    CTarnwick_FileTree::OnAddNode(p__PCTarnwick_FileTreeNode__Node);
    CTarnwick_ISO9660FileTreeNode* l__Node = Iso(p__PCTarnwick_FileTreeNode__Node);
    if (l__Node->IsDirectory()) {
        uint64_t l__ULONGLONG__Length = 68;
        l__Node->m__ULONGLONG__Power = 0;
        for (CTarnwick_FileTreeNode* l__Kid = l__Node->GetFirstKid(); l__Kid != nullptr; l__Kid = l__Kid->GetNextSibling()) {
            AddKidRecords(&l__ULONGLONG__Length, Iso(l__Kid));
            l__Node->m__ULONGLONG__Power += Iso(l__Kid)->m__ULONGLONG__Power;
        }
        l__Node->m__ULONGLONG__DirectoryLength = l__ULONGLONG__Length;
        l__Node->m__ULONGLONG__DirectorySectors = CTarnwick_ISO9660FileTreeNode::SectorsOf(l__ULONGLONG__Length);
        m__ULONGLONG__TotalDirectorySectors += l__Node->m__ULONGLONG__DirectorySectors;
        AddPathTableBytes(l__Node->GetPathTableRecordLength());
    } else if (!l__Node->IsImported()) {
        // An imported file stays where it is on the disc: it takes no sectors of the new image.
        m__ULONGLONG__TotalFileSectors += l__Node->m__ULONGLONG__SizeInSectors;
    }
    // The parent's power follows through the list hooks: a kid counts once it is linked.
}

void CTarnwick_ISO9660FileTree::OnRemoveNode(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node) {
    CTarnwick_FileTree::OnRemoveNode(p__PCTarnwick_FileTreeNode__Node);
    CTarnwick_ISO9660FileTreeNode* l__Node = Iso(p__PCTarnwick_FileTreeNode__Node);
    if (l__Node->IsAdded()) {
        if (l__Node->IsDirectory()) {
            m__ULONGLONG__TotalDirectorySectors -= l__Node->m__ULONGLONG__DirectorySectors;
            AddPathTableBytes(-static_cast<int64_t>(l__Node->GetPathTableRecordLength()));
        } else if (!l__Node->IsImported()) {
            m__ULONGLONG__TotalFileSectors -= l__Node->m__ULONGLONG__SizeInSectors;
        }
    }
    if (l__Node == m__PCTarnwick_ISO9660FileTreeNode__BootImage) {
        m__PCTarnwick_ISO9660FileTreeNode__BootImage = nullptr;
    }
    CTarnwick_FileTreeNode* l__Parent = l__Node->GetParent();
    // The parent's records are laid out again from the kids it still has, so that the
    // padding at sector ends is right. A node still listed is being renamed: its record
    // leaves now and comes back, with the new name, when the node is linked anew.
    if (l__Parent != nullptr && l__Parent->IsAdded() && !l__Parent->IsDying()) {
        RelayoutDirectory(Iso(l__Parent), l__Node->IsLinked() ? l__Node : nullptr);
    }
}

void CTarnwick_ISO9660FileTree::OnLinkKid(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                                          CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid) {
    CTarnwick_ISO9660FileTreeNode* l__Parent = Iso(p__PCTarnwick_FileTreeNode__Parent);
    if (!l__Parent->IsAdded()) {
        return;
    }
    if (l__Parent->m__PCTarnwick_FileTreeNode__LastKid == p__PCTarnwick_FileTreeNode__Kid) {
        uint64_t l__ULONGLONG__Length = l__Parent->m__ULONGLONG__DirectoryLength;
        AddKidRecords(&l__ULONGLONG__Length, Iso(p__PCTarnwick_FileTreeNode__Kid));
        SetDirectoryLength(l__Parent, l__ULONGLONG__Length);
    } else {
        RelayoutDirectory(l__Parent);
    }
}

void CTarnwick_ISO9660FileTree::OnKidListed(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                                            CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid) {
    CTarnwick_ISO9660FileTreeNode* l__Parent = Iso(p__PCTarnwick_FileTreeNode__Parent);
    CTarnwick_ISO9660FileTreeNode* l__Kid = Iso(p__PCTarnwick_FileTreeNode__Kid);
    if (!l__Parent->m__IdentifierIndex) {
        l__Parent->m__IdentifierIndex = std::make_unique<CTarnwick_ISO9660FileTreeNode::IdentifierIndex>();
    }
    std::vector<CTarnwick_ISO9660FileTreeNode*>& l__Bearers = (*l__Parent->m__IdentifierIndex)[l__Kid->m__string__DiscIdentifier];
    // Kept in list order: a kid linked now comes last, a renamed kid goes back to its place.
    auto l__Place = std::upper_bound(l__Bearers.begin(), l__Bearers.end(), l__Kid,
                                     [](const CTarnwick_ISO9660FileTreeNode* a, const CTarnwick_ISO9660FileTreeNode* b) {
                                         return a->GetLinkOrdinal() < b->GetLinkOrdinal();
                                     });
    l__Bearers.insert(l__Place, l__Kid);
    if (l__Parent->IsAdded()) {
        AddPower(l__Parent, static_cast<int64_t>(l__Kid->m__ULONGLONG__Power));
    }
}

void CTarnwick_ISO9660FileTree::OnKidUnlisted(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                                              CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid) {
    CTarnwick_ISO9660FileTreeNode* l__Parent = Iso(p__PCTarnwick_FileTreeNode__Parent);
    CTarnwick_ISO9660FileTreeNode* l__Kid = Iso(p__PCTarnwick_FileTreeNode__Kid);
    if (l__Parent->IsDying()) {
        return;  // the whole directory goes, index and all
    }
    if (l__Parent->m__IdentifierIndex) {
        auto l__Found = l__Parent->m__IdentifierIndex->find(l__Kid->m__string__DiscIdentifier);
        if (l__Found != l__Parent->m__IdentifierIndex->end()) {
            std::vector<CTarnwick_ISO9660FileTreeNode*>& l__Bearers = l__Found->second;
            l__Bearers.erase(std::remove(l__Bearers.begin(), l__Bearers.end(), l__Kid), l__Bearers.end());
            if (l__Bearers.empty()) {
                l__Parent->m__IdentifierIndex->erase(l__Found);
            }
        }
    }
    if (l__Parent->IsAdded()) {
        AddPower(l__Parent, -static_cast<int64_t>(l__Kid->m__ULONGLONG__Power));
    }
}

BOOLEAN CTarnwick_ISO9660FileTree::CheckName(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                                             CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid) {
    if (p__PCTarnwick_FileTreeNode__Parent == nullptr || p__PCTarnwick_FileTreeNode__Kid == nullptr) {
        DebugPrint("\nCTarnwick_ISO9660FileTree::CheckName() : Invalid arguments: %p, %p. EXITing with failure.\n",
                   static_cast<void*>(p__PCTarnwick_FileTreeNode__Parent), static_cast<void*>(p__PCTarnwick_FileTreeNode__Kid));
        return FALSE;
    }
    CTarnwick_ISO9660FileTreeNode* l__Parent = Iso(p__PCTarnwick_FileTreeNode__Parent);
    CTarnwick_ISO9660FileTreeNode* l__Kid = Iso(p__PCTarnwick_FileTreeNode__Kid);
    // The siblings that carry the kid's identifier come from the directory's index, in
    // list order; the ordinal of the last one reported marks where the search goes on.
    uint64_t l__ULONGLONG__After = 0;
    for (;;) {
        if (!l__Parent->m__IdentifierIndex) {
            return FALSE;
        }
        auto l__Found = l__Parent->m__IdentifierIndex->find(l__Kid->m__string__DiscIdentifier);
        if (l__Found == l__Parent->m__IdentifierIndex->end()) {
            return FALSE;
        }
        CTarnwick_ISO9660FileTreeNode* l__Existing = nullptr;
        for (CTarnwick_ISO9660FileTreeNode* l__Bearer : l__Found->second) {
            if (l__Bearer->GetLinkOrdinal() > l__ULONGLONG__After) {
                l__Existing = l__Bearer;
                break;
            }
        }
        if (l__Existing == nullptr) {
            return FALSE;
        }
        NAME_COLLISION_INFORMATION l__Information;
        ReportCollision(&l__Information, FALSE, l__Kid->m__string__DiscIdentifier.data(),
                        l__Kid->m__string__DiscIdentifier.size(), l__Existing, l__Kid);
        switch (l__Information.m__ULONG__Action) {
            case NAME_COLLISION_ACTION_KEEP_EXISTING:
                return TRUE;
            case NAME_COLLISION_ACTION_REPLACE_EXISTING: {
                CTarnwick_FileTreeNode* l__Doomed = l__Existing;
                UnlinkKid(l__Parent, l__Doomed);
                DeleteNode(&l__Doomed);
                return FALSE;
            }
            case NAME_COLLISION_ACTION_RENAME_NEW: {
                l__Information.m__UCHAR__NewName[sizeof(l__Information.m__UCHAR__NewName) - 1] = 0;
                std::string l__string__Name(reinterpret_cast<const char*>(l__Information.m__UCHAR__NewName));
                CTarnwick_ISO9660FileTreeNode::UpperAscii(&l__string__Name);
                l__string__Name = CTarnwick_ISO9660FileTreeNode::CutName(l__string__Name, 12);
                if (l__Kid->IsDirectory() && l__Kid->IsAdded()) {
                    AddPathTableBytes(static_cast<int64_t>(l__Kid->GetPathTableRecordLength()) * -1);
                    l__Kid->m__string__DiscIdentifier = l__string__Name;
                    AddPathTableBytes(l__Kid->GetPathTableRecordLength());
                } else {
                    l__Kid->m__string__DiscIdentifier = l__string__Name;
                }
                l__ULONGLONG__After = 0;
                break;
            }
            default:
                l__ULONGLONG__After = l__Existing->GetLinkOrdinal();
                break;
        }
    }
}

void CTarnwick_ISO9660FileTree::ReportCollision(NAME_COLLISION_INFORMATION* p__PInformation, BOOLEAN p__BOOLEAN__IsJoliet,
                                                const void* p__PVOID__Name, size_t p__SIZE__Bytes,
                                                const CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Existing,
                                                const CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid) {
    std::memset(p__PInformation, 0, sizeof(*p__PInformation));
    p__PInformation->m__BOOLEAN__IsJoliet = p__BOOLEAN__IsJoliet;
    // The name stays zero-terminated (two zero bytes for UTF-16).
    std::memcpy(p__PInformation->m__UCHAR__NewName, p__PVOID__Name,
                std::min<size_t>(p__SIZE__Bytes, sizeof(p__PInformation->m__UCHAR__NewName) - 2));
    p__PInformation->m__PCHAR__ExistingPathName =
        const_cast<char*>(p__PCTarnwick_FileTreeNode__Existing->GetAbsolutePathAndFileName().c_str());
    p__PInformation->m__ULONG__ExistingAttributes = p__PCTarnwick_FileTreeNode__Existing->GetAttributes();
    p__PInformation->m__PCHAR__NewPathName = const_cast<char*>(p__PCTarnwick_FileTreeNode__Kid->GetAbsolutePathAndFileName().c_str());
    p__PInformation->m__ULONG__NewAttributes = p__PCTarnwick_FileTreeNode__Kid->GetAttributes();
    p__PInformation->m__ULONG__Action = NAME_COLLISION_ACTION_REPLACE_EXISTING;
    Report(NAME_COLLISION, p__PInformation, nullptr);
}

void CTarnwick_ISO9660FileTree::UpdateNodePower(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    if (p__PCTarnwick_FileTreeNode__Node == nullptr || !p__PCTarnwick_FileTreeNode__Node->IsDirectory()) {
        DebugPrint("\nCTarnwick_ISO9660FileTreeNode::UpdateNodePower(): EXITing with failure, THIS IS NOT A "
                   "DIRECTORY!!!\n");
        return;
    }
    for (CTarnwick_FileTreeNode* l__Node = p__PCTarnwick_FileTreeNode__Node; l__Node != nullptr && l__Node->IsDirectory();
         l__Node = l__Node->GetParent()) {
        uint64_t l__ULONGLONG__Power = 0;
        for (CTarnwick_FileTreeNode* l__Kid = l__Node->GetFirstKid(); l__Kid != nullptr; l__Kid = l__Kid->GetNextSibling()) {
            l__ULONGLONG__Power += Iso(l__Kid)->m__ULONGLONG__Power;
        }
        Iso(l__Node)->m__ULONGLONG__Power = l__ULONGLONG__Power;
    }
}

uint64_t CTarnwick_ISO9660FileTree::GetNodePower(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    return p__PCTarnwick_FileTreeNode__Node != nullptr ? Iso(p__PCTarnwick_FileTreeNode__Node)->m__ULONGLONG__Power : 0;
}

uint64_t CTarnwick_ISO9660FileTree::GetPathTableSizeInUCHARs() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    return m__ULONGLONG__PathTableSize;
}

uint64_t CTarnwick_ISO9660FileTree::GetPathTableSizeInLBs() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    return m__ULONGLONG__PathTableSectors;
}

uint64_t CTarnwick_ISO9660FileTree::GetTotalDirectorySizeInLBs() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    return m__ULONGLONG__TotalDirectorySectors;
}

void CTarnwick_ISO9660FileTree::SetBootImage(const char* p__PCHAR__AbsolutePathAndFileName,
                                             const char* p__PCHAR__LongFileName, ULONG p__ULONG__Attributes,
                                             LONGLONG p__LONGLONG__FileTime, uint64_t p__ULONGLONG__Size,
                                             UCHAR p__UCHAR__SystemType, UCHAR p__UCHAR__BootMediaType) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    CTarnwick_FileTreeNode* l__Root = MakeRoot();
    std::string l__string__Long(p__PCHAR__LongFileName);
    std::string l__string__Short = ShortNameOf(l__string__Long, FALSE);
    CTarnwick_FileTreeNode* l__Node =
        NewNumberedNode("CTarnwick_ISO9660FileTree::SetBootImage", [&](ULONG p__ULONG__NodeNumber) {
            return NewFileTreeNodeItem(p__PCHAR__AbsolutePathAndFileName, l__string__Long.c_str(), l__string__Short.c_str(),
                                       p__ULONG__Attributes, p__ULONGLONG__Size, l__Root, p__ULONG__NodeNumber,
                                       p__LONGLONG__FileTime, 0);
        });
    m__UCHAR__BootMediaType = p__UCHAR__BootMediaType;
    m__UCHAR__SystemType = p__UCHAR__SystemType;
    OnAddNode(l__Node);
    // Two equal identifiers in the root would hide one of the files: the boot image goes
    // through the same collision protocol as any other file.
    if (!LinkChecked(l__Root, l__Node)) {
        DebugPrint("\nCTarnwick_ISO9660FileTree::SetBootImage(): WARNING! The boot image was dropped for a name "
                   "collision!!!\n");
        return;
    }
    m__PCTarnwick_ISO9660FileTreeNode__BootImage = Iso(l__Node);
}

std::string CTarnwick_ISO9660FileTree::ShortNameOf(const std::string& p__string__Name, BOOLEAN p__BOOLEAN__IsDirectory) {
    if (p__string__Name.size() <= 12) {
        return p__string__Name;
    }
    size_t l__SIZE__Dot = p__string__Name.rfind('.');
    if (!p__BOOLEAN__IsDirectory && l__SIZE__Dot != std::string::npos && l__SIZE__Dot + 4 >= p__string__Name.size()) {
        return p__string__Name.substr(0, 8) + p__string__Name.substr(l__SIZE__Dot);
    }
    return p__string__Name.substr(0, 12);
}

CTarnwick_FileTreeNode* CTarnwick_ISO9660FileTree::ImportFileTreeNode(
    const char* p__PCHAR__AbsolutePathAndFileName, const char* p__PCHAR__Name, const UCHAR* p__PUCHAR__JolietName,
    ULONG p__ULONG__JolietNameLength, ULONG p__ULONG__Attributes, const UCHAR* p__PUCHAR__RecordingDate,
    ULONG p__ULONG__ExtentLocation, uint64_t p__ULONGLONG__Size, CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
    const CTarnwick_RockRidgeAttributes* p__PRockRidge) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    CTarnwick_FileTreeNode* l__Parent =
        p__PCTarnwick_FileTreeNode__Parent != nullptr ? p__PCTarnwick_FileTreeNode__Parent : MakeRoot();
    std::string l__string__Short =
        ShortNameOf(p__PCHAR__Name, (p__ULONG__Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    const LONGLONG l__LONGLONG__FileTime = CTarnwick_ISO9660FileTreeNode::UnixTimeOf(p__PUCHAR__RecordingDate);
    CTarnwick_FileTreeNode* l__Node =
        NewNumberedNode("CTarnwick_ISO9660FileTree::ImportFileTreeNode", [&](ULONG p__ULONG__NodeNumber) {
            return NewFileTreeNodeItem(p__PCHAR__AbsolutePathAndFileName, p__PCHAR__Name, l__string__Short.c_str(),
                                       p__ULONG__Attributes, p__ULONGLONG__Size, l__Parent, p__ULONG__NodeNumber,
                                       l__LONGLONG__FileTime, p__ULONG__ExtentLocation, TRUE);
        });
    Iso(l__Node)->SetRecordingDate(p__PUCHAR__RecordingDate);
    if (p__PRockRidge != nullptr) {
        Iso(l__Node)->SetRockRidgeAttributes(std::make_unique<CTarnwick_RockRidgeAttributes>(*p__PRockRidge));
    }
    TakeImportedNames(l__Node, p__PUCHAR__JolietName, p__ULONG__JolietNameLength);
    OnAddNode(l__Node);
    if (!LinkChecked(l__Parent, l__Node)) {
        return nullptr;
    }
    return l__Node;
}

void CTarnwick_ISO9660FileTree::OnNodeFromEntry(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node,
                                                const PlatformDirectoryEntry& p__Entry) {
    if (!m__BOOLEAN__IsRockRidge) {
        return;  // kept only for the records that use them
    }
    auto l__Attributes = std::make_unique<CTarnwick_RockRidgeAttributes>();
    l__Attributes->m__ULONG__Mode = p__Entry.m__ULONG__Mode;
    l__Attributes->m__ULONG__Links = p__Entry.m__ULONG__Links;
    l__Attributes->m__ULONG__User = p__Entry.m__ULONG__User;
    l__Attributes->m__ULONG__Group = p__Entry.m__ULONG__Group;
    l__Attributes->m__ULONG__DeviceMajor = p__Entry.m__ULONG__DeviceMajor;
    l__Attributes->m__ULONG__DeviceMinor = p__Entry.m__ULONG__DeviceMinor;
    l__Attributes->m__LONGLONG__AccessTime = p__Entry.m__LONGLONG__LastAccessTime;
    l__Attributes->m__LONGLONG__ModifyTime = p__Entry.m__LONGLONG__LastWriteTime;
    l__Attributes->m__LONGLONG__AttributeTime = p__Entry.m__LONGLONG__ChangeTime;
    l__Attributes->m__ULONGLONG__Origin = p__Entry.m__ULONGLONG__Device;
    l__Attributes->m__ULONGLONG__Serial = p__Entry.m__ULONGLONG__Inode;
    l__Attributes->m__string__LinkTarget = p__Entry.m__string__LinkTarget;
    Iso(p__PCTarnwick_FileTreeNode__Node)->SetRockRidgeAttributes(std::move(l__Attributes));
}

void CTarnwick_ISO9660FileTree::SetRockRidge(BOOLEAN p__BOOLEAN__IsRockRidge) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    if (m__BOOLEAN__IsImageBuild) {
        CTarnwick_Exception::Raise("CTarnwick_ISO9660FileTree::SetRockRidge", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_INVALID_STATE, 0,
                                   "CTarnwick_ISO9660FileTree::SetRockRidge(): the image is built already!!!");
    }
    m__BOOLEAN__IsRockRidge = p__BOOLEAN__IsRockRidge ? TRUE : FALSE;
}

void CTarnwick_ISO9660FileTree::TakeImportedNames(CTarnwick_FileTreeNode* /*p__PCTarnwick_FileTreeNode__Node*/,
                                                  const UCHAR* /*p__PUCHAR__JolietName*/,
                                                  ULONG /*p__ULONG__JolietNameLength*/) {}

void CTarnwick_ISO9660FileTree::BuildImage(ULONG p__ULONG__StartSector, ULONG /*p__ULONG__Ignored*/,
                                           BOOLEAN p__BOOLEAN__IsCDXA, const char* p__PCHAR__VolumeLabel,
                                           const char* p__PCHAR__PublisherPreparer, const char* p__PCHAR__Application,
                                           const char* p__PCHAR__System, const char* p__PCHAR__CopyrightFile,
                                           const char* p__PCHAR__BibliographicFile, const char* p__PCHAR__CreationDate,
                                           const char* p__PCHAR__ModificationDate, const char* p__PCHAR__ExpirationDate,
                                           const char* p__PCHAR__EffectiveDate) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    if (m__PCTarnwick_FileTreeNode__Root == nullptr) {
        CTarnwick_Exception::Raise(g__PCHAR__BuildImage, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_STATE, 0,
                                   "CTarnwick_ISO9660FileTree::BuildImage(): m__PCTarnwick_FileTreeNode__Root is NULL!!!");
    }
    if (m__BOOLEAN__IsImageBuild) {
        CTarnwick_Exception::Raise(g__PCHAR__BuildImage, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_STATE, 0,
                                   "CTarnwick_ISO9660FileTree::BuildImage(): m__BOOLEAN__IsImageBuild is TRUE already!!!");
    }
    DebugPrint("\nCTarnwick_ISO9660FileTree::BuildImage(): ENTERed for %lu\n", static_cast<unsigned long>(p__ULONG__StartSector));
    const CTarnwick_ISO9660ImageWriter::Texts l__Texts = {
        p__PCHAR__VolumeLabel,   p__PCHAR__PublisherPreparer, p__PCHAR__Application,    p__PCHAR__System,
        p__PCHAR__CopyrightFile, p__PCHAR__BibliographicFile, p__PCHAR__CreationDate,   p__PCHAR__ModificationDate,
        p__PCHAR__ExpirationDate, p__PCHAR__EffectiveDate};
    try {
        LayOutAndWrite(p__ULONG__StartSector, p__BOOLEAN__IsCDXA, l__Texts);
    } catch (CTarnwick_Exception*) {
        UndoBuild();
        throw;
    }
    m__PlacedFiles.clear();
    m__BOOLEAN__IsImageBuild = TRUE;
    DebugPrint("\nCTarnwick_ISO9660FileTree::BuildImage(): EXITing with success\n");
}

CTarnwick_ISO9660Image* CTarnwick_ISO9660FileTree::MakeContainerImage() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    if (m__BOOLEAN__IsImageBuild) {
        CTarnwick_Exception::Raise("CTarnwick_ISO9660FileTree::MakeContainerImage", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_INVALID_STATE, 0,
                                   "CTarnwick_ISO9660FileTree::MakeContainerImage(): m__BOOLEAN__IsImageBuild is TRUE already!!!");
    }
    m__PCTarnwick_ISO9660Image = new CTarnwick_ISO9660Image(m__Lock);
    m__BOOLEAN__IsImageBuild = TRUE;
    return m__PCTarnwick_ISO9660Image;
}

void CTarnwick_ISO9660FileTree::UndoBuild() {
    // The files placed by the failed build (never an imported one) go back to having no
    // extent and the half-made system structures go, so that the tree can be built again
    // once the cause is mended.
    for (CTarnwick_ISO9660FileTreeNode* l__File : m__PlacedFiles) {
        l__File->m__ULONG__ExtentLocation = 0;
    }
    m__PlacedFiles.clear();
    m__Directories.clear();
    delete m__PCTarnwick_MemoryFile__SystemStructures;
    m__PCTarnwick_MemoryFile__SystemStructures = nullptr;
    delete[] m__PUCHAR__SystemStructures;
    m__PUCHAR__SystemStructures = nullptr;
    m__ULONGLONG__SystemStructuresSize = 0;
    m__ULONG__VolumeSpaceSize = 0;
}

void CTarnwick_ISO9660FileTree::LayOutAndWrite(ULONG p__ULONG__StartSector, BOOLEAN p__BOOLEAN__IsCDXA,
                                               const CTarnwick_ISO9660ImageWriter::Texts& p__Texts) {
    ULONG l__ULONG__ExtraDescriptorSectors = static_cast<ULONG>(m__ULONGLONG__ExtraDescriptorBytes / g__ULONG__Sector);
    // The ISO9660 hierarchy's sizes: the running totals, or with Rock Ridge those of the
    // hierarchy planned now (records with system-use entries, relocated directories and
    // continuation areas).
    std::unique_ptr<CTarnwick_RockRidgeHierarchy> l__RockRidge;
    uint64_t l__ULONGLONG__PathTableSize = m__ULONGLONG__PathTableSize;
    uint64_t l__ULONGLONG__DirectorySectors = m__ULONGLONG__TotalDirectorySectors;
    if (m__BOOLEAN__IsRockRidge) {
        l__RockRidge = std::make_unique<CTarnwick_RockRidgeHierarchy>(
            Iso(m__PCTarnwick_FileTreeNode__Root), m__BOOLEAN__IsLongNames,
            [this](const CTarnwick_ISO9660FileTreeNode* p__Node) { return RockRidgeAlternativeName(p__Node); });
        l__RockRidge->Plan();
        l__ULONGLONG__PathTableSize = l__RockRidge->GetPathTableSize();
        l__ULONGLONG__DirectorySectors = l__RockRidge->GetSectors();
    }
    const uint64_t l__ULONGLONG__PathTableSectors = CTarnwick_ISO9660FileTreeNode::SectorsOf(l__ULONGLONG__PathTableSize);
    if (static_cast<uint64_t>(p__ULONG__StartSector) + 21 + l__ULONG__ExtraDescriptorSectors +
            m__ULONGLONG__ExtraPathTableBytes / g__ULONG__Sector + 2 * l__ULONGLONG__PathTableSectors +
            l__ULONGLONG__DirectorySectors + m__ULONGLONG__ExtraDirectoryBytes / g__ULONG__Sector >
        0xFFFFFFFFull) {
        CTarnwick_Exception::Raise(g__PCHAR__BuildImage, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SIZE_LIMIT, 0,
                                   "CTarnwick_ISO9660FileTree::BuildImage(): the image exceeds %llu sectors!!!",
                                   0xFFFFFFFFull);
    }
    m__ULONG__StartSector = p__ULONG__StartSector;
    m__ULONG__PrimaryDescriptorSector = p__ULONG__StartSector + 16;
    m__ULONG__LPathTableSector = p__ULONG__StartSector + 21 + l__ULONG__ExtraDescriptorSectors;
    m__ULONG__MPathTableSector = m__ULONG__LPathTableSector + static_cast<ULONG>(l__ULONGLONG__PathTableSectors);
    m__ULONG__FirstDirectorySector = p__ULONG__StartSector + 21 + l__ULONG__ExtraDescriptorSectors +
                                     static_cast<ULONG>(m__ULONGLONG__ExtraPathTableBytes / g__ULONG__Sector) +
                                     static_cast<ULONG>(2 * l__ULONGLONG__PathTableSectors);
    m__ULONG__FirstFileSector = m__ULONG__FirstDirectorySector + static_cast<ULONG>(l__ULONGLONG__DirectorySectors) +
                                static_cast<ULONG>(m__ULONGLONG__ExtraDirectoryBytes / g__ULONG__Sector);

    // Extents, breadth-first: the entries of the root, then those one level down in the
    // order of their parents, and so on; directories are numbered in the same order.
    m__Directories.clear();
    CTarnwick_ISO9660FileTreeNode* l__Root = Iso(m__PCTarnwick_FileTreeNode__Root);
    ULONG l__ULONG__NextDirectory = m__ULONG__FirstDirectorySector;
    uint64_t l__ULONGLONG__NextFile = m__ULONG__FirstFileSector;
    // With Rock Ridge the hierarchy places the ISO9660 directories itself.
    const bool l__bool__PlaceDirectories = !l__RockRidge;
    if (l__bool__PlaceDirectories) {
        l__Root->m__ULONG__ExtentLocation = l__ULONG__NextDirectory;
        l__ULONG__NextDirectory += static_cast<ULONG>(l__Root->m__ULONGLONG__DirectorySectors);
    }
    l__Root->m__USHORT__DirectoryNumber = 1;
    m__Directories.push_back(l__Root);
    for (size_t l__SIZE__Index = 0; l__SIZE__Index < m__Directories.size(); ++l__SIZE__Index) {
        for (CTarnwick_FileTreeNode* l__KidNode = m__Directories[l__SIZE__Index]->GetFirstKid(); l__KidNode != nullptr;
             l__KidNode = l__KidNode->GetNextSibling()) {
            CTarnwick_ISO9660FileTreeNode* l__Kid = Iso(l__KidNode);
            if (l__Kid->IsDirectory()) {
                if (m__Directories.size() >= 0xFFFF) {
                    CTarnwick_Exception::Raise(g__PCHAR__BuildImage, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                               EXCEPTION_NUMBER_SIZE_LIMIT, 0,
                                               "CTarnwick_ISO9660FileTree::BuildImage(): more than %lu directories!!!",
                                               0xFFFEul);
                }
                if (l__bool__PlaceDirectories) {
                    l__Kid->m__ULONG__ExtentLocation = l__ULONG__NextDirectory;
                    l__ULONG__NextDirectory += static_cast<ULONG>(l__Kid->m__ULONGLONG__DirectorySectors);
                }
                m__Directories.push_back(l__Kid);
                l__Kid->m__USHORT__DirectoryNumber = static_cast<USHORT>(m__Directories.size());
            } else if (!l__Kid->IsImported()) {
                // An imported file keeps its extent on the disc; only new files are placed.
                l__Kid->m__ULONG__ExtentLocation = static_cast<ULONG>(l__ULONGLONG__NextFile);
                m__PlacedFiles.push_back(l__Kid);
                l__ULONGLONG__NextFile += l__Kid->m__ULONGLONG__SizeInSectors;
                if (l__ULONGLONG__NextFile > 0xFFFFFFFFull) {
                    CTarnwick_Exception::Raise(g__PCHAR__BuildImage, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                               EXCEPTION_NUMBER_SIZE_LIMIT, 0,
                                               "CTarnwick_ISO9660FileTree::BuildImage(): the image exceeds %llu "
                                               "sectors!!!",
                                               0xFFFFFFFFull);
                }
            }
        }
    }
    m__ULONG__VolumeSpaceSize = static_cast<ULONG>(l__ULONGLONG__NextFile);
    if (l__RockRidge) {
        l__RockRidge->Place(m__ULONG__FirstDirectorySector);
    }

    m__ULONGLONG__SystemStructuresSize = static_cast<uint64_t>(m__ULONG__FirstFileSector - p__ULONG__StartSector) * g__ULONG__Sector;
    m__PUCHAR__SystemStructures = new (std::nothrow) UCHAR[m__ULONGLONG__SystemStructuresSize];
    if (m__PUCHAR__SystemStructures == nullptr) {
        CTarnwick_Exception::Raise(g__PCHAR__BuildImage, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                   "CTarnwick_ISO9660FileTree::BuildImage(): m__PUCHAR__SystemStructures is NULL!!!");
    }
    m__PCTarnwick_MemoryFile__SystemStructures =
        new (std::nothrow) CTarnwick_MemoryFile(m__PUCHAR__SystemStructures, m__ULONGLONG__SystemStructuresSize);
    if (m__PCTarnwick_MemoryFile__SystemStructures == nullptr) {
        delete[] m__PUCHAR__SystemStructures;
        m__PUCHAR__SystemStructures = nullptr;
        CTarnwick_Exception::Raise(g__PCHAR__BuildImage, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                   "CTarnwick_ISO9660FileTree::BuildImage(): m__PCTarnwick_MemoryFile__SystemStructures is "
                                   "NULL!!!");
    }
    std::memset(m__PUCHAR__SystemStructures, 0, m__ULONGLONG__SystemStructuresSize);

    const CTarnwick_ISO9660ImageWriter::Layout l__Layout = {
        p__ULONG__StartSector,
        m__ULONG__PrimaryDescriptorSector,
        m__ULONG__LPathTableSector,
        m__ULONG__MPathTableSector,
        l__ULONGLONG__PathTableSize,
        m__ULONG__VolumeSpaceSize,
        l__ULONG__ExtraDescriptorSectors,
        l__RockRidge ? l__RockRidge->GetRootDataLength()
                     : static_cast<ULONG>(l__Root->m__ULONGLONG__DirectorySectors * g__ULONG__Sector)};
    CTarnwick_ISO9660ImageWriter l__Writer(m__PUCHAR__SystemStructures, l__Layout);
    if (l__RockRidge) {
        l__RockRidge->Write(l__Writer, {m__ULONG__LPathTableSector, m__ULONG__MPathTableSector, l__ULONGLONG__PathTableSize});
    } else {
        l__Writer.WriteDirectories(m__Directories);
    }
    l__Writer.WriteVolumeDescriptors(l__Root, p__BOOLEAN__IsCDXA, p__Texts,
                                     {m__PCTarnwick_ISO9660FileTreeNode__BootImage, m__UCHAR__BootMediaType,
                                      m__UCHAR__SystemType});
    const ExtraPlaces l__Places = {
        m__ULONG__PrimaryDescriptorSector,
        m__ULONG__PrimaryDescriptorSector + (m__PCTarnwick_ISO9660FileTreeNode__BootImage != nullptr ? 2u : 1u),
        m__ULONG__MPathTableSector + static_cast<ULONG>(l__ULONGLONG__PathTableSectors),
        m__ULONG__FirstDirectorySector + static_cast<ULONG>(l__ULONGLONG__DirectorySectors), m__ULONG__FirstFileSector};
    WriteExtraStructures(l__Writer, m__Directories, l__Places);
    // The chain links its sources to each other: it is made only once nothing can fail,
    // so that a failed build leaves no source linked.
    m__PCTarnwick_ISO9660Image = new CTarnwick_ISO9660Image(m__Lock);
    for (CTarnwick_ISO9660FileTreeNode* l__File : m__PlacedFiles) {
        if (l__File->m__PCTarnwick_File != nullptr) {
            m__PCTarnwick_ISO9660Image->AddChainTail(l__File->m__PCTarnwick_File);
        }
    }
    m__PCTarnwick_ISO9660Image->AddChainHead(m__PCTarnwick_MemoryFile__SystemStructures);
}

std::string CTarnwick_ISO9660FileTree::RockRidgeAlternativeName(const CTarnwick_ISO9660FileTreeNode* /*p__Node*/) const {
    return std::string();
}

void CTarnwick_ISO9660FileTree::WriteExtraStructures(CTarnwick_ISO9660ImageWriter& /*p__Writer*/,
                                                     const std::vector<CTarnwick_ISO9660FileTreeNode*>& /*p__Directories*/,
                                                     const ExtraPlaces& /*p__Places*/) {}

void CTarnwick_ISO9660FileTree::StoreSystemStructures(const char* p__PCHAR__FileName) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    const char* const l__PCHAR__Name = "CTarnwick_ISO9660FileTree::StoreSystemStructures";
    int l__INT__Handle = PlatformOutputFile::CreateAlways(p__PCHAR__FileName);
    if (l__INT__Handle < 0) {
        ULONG l__ULONG__Error = GetLastError();
        CTarnwick_Exception::Raise(l__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SYSTEM_ERROR,
                                   l__ULONG__Error,
                                   "CTarnwick_ISO9660FileTree::StoreSystemStructures(): CreateFile( '%s' ) failed, status "
                                   "%ld!!!",
                                   p__PCHAR__FileName, static_cast<long>(l__ULONG__Error));
    }
    int64_t l__LONGLONG__Written = m__ULONGLONG__SystemStructuresSize == 0
                                       ? 0
                                       : PlatformOutputFile::Write(l__INT__Handle, m__PUCHAR__SystemStructures,
                                                                   m__ULONGLONG__SystemStructuresSize);
    ULONG l__ULONG__Error = GetLastError();
    bool l__BOOLEAN__Closed = PlatformOutputFile::Close(l__INT__Handle);
    if (l__LONGLONG__Written != static_cast<int64_t>(m__ULONGLONG__SystemStructuresSize) || !l__BOOLEAN__Closed) {
        if (l__LONGLONG__Written == static_cast<int64_t>(m__ULONGLONG__SystemStructuresSize)) {
            l__ULONG__Error = GetLastError();
        }
        CTarnwick_Exception::Raise(l__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SYSTEM_ERROR,
                                   l__ULONG__Error,
                                   "CTarnwick_ISO9660FileTree::StoreSystemStructures(): WriteFile( '%s' ) failed, status "
                                   "%ld!!!",
                                   p__PCHAR__FileName, static_cast<long>(l__ULONG__Error));
    }
}
