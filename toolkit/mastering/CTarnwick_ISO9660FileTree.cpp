#include "CTarnwick_ISO9660FileTree.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <mutex>
#include <new>

#include "CTarnwick_Exception.h"
#include "CTarnwick_ISO9660Image.h"
#include "CTarnwick_MemoryFile.h"
#include "DebugPrint.h"
#include "PlatformOutputFile.h"
#include "PlatformSystemError.h"

namespace {

const ULONG g__ULONG__Sector = CTarnwick_ISO9660FileTreeNode::SectorSize;

void Put16LE(UCHAR* p, ULONG v) {
    p[0] = static_cast<UCHAR>(v);
    p[1] = static_cast<UCHAR>(v >> 8);
}
void Put16BE(UCHAR* p, ULONG v) {
    p[0] = static_cast<UCHAR>(v >> 8);
    p[1] = static_cast<UCHAR>(v);
}
void Put32LE(UCHAR* p, ULONG v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<UCHAR>(v >> (8 * i));
}
void Put32BE(UCHAR* p, ULONG v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<UCHAR>(v >> (8 * (3 - i)));
}
// Both-endian: the little-endian value followed by the big-endian value.
void Put16Both(UCHAR* p, ULONG v) {
    Put16LE(p, v);
    Put16BE(p + 2, v);
}
void Put32Both(UCHAR* p, ULONG v) {
    Put32LE(p, v);
    Put32BE(p + 4, v);
}

// Copies a text with its terminating zero into a zero-filled field when it is shorter
// than p__SIZE__Limit characters; a null or longer text leaves the field alone.
void PutText(UCHAR* p__PUCHAR__Field, const char* p__PCHAR__Text, size_t p__SIZE__Limit) {
    if (p__PCHAR__Text != nullptr && std::strlen(p__PCHAR__Text) < p__SIZE__Limit) {
        std::memcpy(p__PUCHAR__Field, p__PCHAR__Text, std::strlen(p__PCHAR__Text) + 1);
    }
}

// One directory record; returns its length.
ULONG PutRecord(UCHAR* p__PUCHAR__Record, ULONG p__ULONG__Extent, ULONG p__ULONG__DataLength, const UCHAR* p__PUCHAR__Date,
                UCHAR p__UCHAR__Flags, const UCHAR* p__PUCHAR__Identifier, ULONG p__ULONG__IdentifierLength) {
    ULONG l__ULONG__Length = 33 + p__ULONG__IdentifierLength + ((p__ULONG__IdentifierLength & 1) == 0 ? 1 : 0);
    p__PUCHAR__Record[0] = static_cast<UCHAR>(l__ULONG__Length);
    p__PUCHAR__Record[1] = 0;
    Put32Both(p__PUCHAR__Record + 2, p__ULONG__Extent);
    Put32Both(p__PUCHAR__Record + 10, p__ULONG__DataLength);
    std::memcpy(p__PUCHAR__Record + 18, p__PUCHAR__Date, 7);
    p__PUCHAR__Record[25] = p__UCHAR__Flags;
    p__PUCHAR__Record[26] = 0;
    p__PUCHAR__Record[27] = 0;
    Put16Both(p__PUCHAR__Record + 28, 1);
    p__PUCHAR__Record[32] = static_cast<UCHAR>(p__ULONG__IdentifierLength);
    std::memcpy(p__PUCHAR__Record + 33, p__PUCHAR__Identifier, p__ULONG__IdentifierLength);
    return l__ULONG__Length;
}

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
    LONGLONG p__LONGLONG__FileTime, ULONG p__ULONG__Flags) {
    return new (std::nothrow) CTarnwick_ISO9660FileTreeNode(
        p__PCHAR__AbsolutePathAndFileName, p__PCHAR__LongFileName, p__PCHAR__ShortFileName, p__ULONG__Attributes,
        p__ULONGLONG__Size, p__PCTarnwick_FileTreeNode__Parent, p__ULONG__NodeNumber, p__LONGLONG__FileTime,
        p__ULONG__Flags, m__BOOLEAN__IsKeepFilesOpen, m__BOOLEAN__IsLongNames);
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
    } else {
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
        } else {
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
        std::memset(&l__Information, 0, sizeof(l__Information));
        l__Information.m__BOOLEAN__IsJoliet = 0;
        std::memcpy(l__Information.m__UCHAR__NewName, l__Kid->m__string__DiscIdentifier.data(),
                    std::min<size_t>(l__Kid->m__string__DiscIdentifier.size(), sizeof(l__Information.m__UCHAR__NewName) - 1));
        l__Information.m__PCHAR__ExistingPathName = const_cast<char*>(l__Existing->GetAbsolutePathAndFileName().c_str());
        l__Information.m__ULONG__ExistingAttributes = l__Existing->GetAttributes();
        l__Information.m__PCHAR__NewPathName = const_cast<char*>(l__Kid->GetAbsolutePathAndFileName().c_str());
        l__Information.m__ULONG__NewAttributes = l__Kid->GetAttributes();
        l__Information.m__ULONG__Action = NAME_COLLISION_ACTION_REPLACE_EXISTING;
        Report(NAME_COLLISION, &l__Information, nullptr);
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
    std::string l__string__Short;
    if (l__string__Long.size() <= 12) {
        l__string__Short = l__string__Long;
    } else {
        size_t l__SIZE__Dot = l__string__Long.rfind('.');
        if (l__SIZE__Dot != std::string::npos && l__SIZE__Dot + 4 >= l__string__Long.size()) {
            l__string__Short = l__string__Long.substr(0, 8) + l__string__Long.substr(l__SIZE__Dot);
        } else {
            l__string__Short = l__string__Long.substr(0, 12);
        }
    }
    ++m__ULONG__NodeCount;
    CTarnwick_FileTreeNode* l__Node = nullptr;
    try {
        l__Node = NewFileTreeNodeItem(p__PCHAR__AbsolutePathAndFileName, l__string__Long.c_str(), l__string__Short.c_str(),
                                      p__ULONG__Attributes, p__ULONGLONG__Size, l__Root, m__ULONG__NodeCount,
                                      p__LONGLONG__FileTime, 0);
    } catch (CTarnwick_Exception*) {
        --m__ULONG__NodeCount;
        throw;
    }
    if (l__Node == nullptr) {
        --m__ULONG__NodeCount;
        CTarnwick_Exception::Raise("CTarnwick_ISO9660FileTree::SetBootImage", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                   "CTarnwick_ISO9660FileTree::SetBootImage(): NewFileTreeNodeItem() for Current "
                                   "failed!!!");
    }
    m__UCHAR__BootMediaType = p__UCHAR__BootMediaType;
    m__UCHAR__SystemType = p__UCHAR__SystemType;
    OnAddNode(l__Node);
    // Two equal identifiers in the root would hide one of the files: the boot image goes
    // through the same collision protocol as any other file.
    if (CheckName(l__Root, l__Node)) {
        DebugPrint("\nCTarnwick_ISO9660FileTree::SetBootImage(): WARNING! The boot image was dropped for a name "
                   "collision!!!\n");
        DeleteNode(&l__Node);
        return;
    }
    m__PCTarnwick_ISO9660FileTreeNode__BootImage = Iso(l__Node);
    LinkKid(l__Root, l__Node);
    OnLinkKid(l__Root, l__Node);
}

void CTarnwick_ISO9660FileTree::WriteDirectory(CTarnwick_ISO9660FileTreeNode* p__Directory, UCHAR* p__PUCHAR__LTable,
                                               UCHAR* p__PUCHAR__MTable, uint64_t* p__PULONGLONG__TableOffset) {
    CTarnwick_ISO9660FileTreeNode* l__Parent =
        p__Directory->GetParent() != nullptr ? Iso(p__Directory->GetParent()) : p__Directory;
    bool l__BOOLEAN__IsRoot = p__Directory->GetParent() == nullptr;
    static const UCHAR s__UCHAR__Zero = 0;
    static const UCHAR s__UCHAR__One = 1;
    // Path-table records, little-endian and big-endian.
    const UCHAR* l__PUCHAR__Identifier =
        l__BOOLEAN__IsRoot ? &s__UCHAR__Zero : reinterpret_cast<const UCHAR*>(p__Directory->m__string__DiscIdentifier.data());
    ULONG l__ULONG__IdentifierLength = l__BOOLEAN__IsRoot ? 1 : static_cast<ULONG>(p__Directory->m__string__DiscIdentifier.size());
    ULONG l__ULONG__TableRecord = 8 + l__ULONG__IdentifierLength + (l__ULONG__IdentifierLength & 1);
    if (*p__PULONGLONG__TableOffset + l__ULONG__TableRecord > m__ULONGLONG__PathTableSize) {
        CTarnwick_Exception::Raise(g__PCHAR__BuildImage, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_STATE, 0,
                                   "CTarnwick_ISO9660FileTree::BuildImage(): path table exceeds %llu bytes!!!",
                                   static_cast<unsigned long long>(m__ULONGLONG__PathTableSize));
    }
    for (int l__INT__Table = 0; l__INT__Table < 2; ++l__INT__Table) {
        UCHAR* l__PUCHAR__Record = (l__INT__Table == 0 ? p__PUCHAR__LTable : p__PUCHAR__MTable) + *p__PULONGLONG__TableOffset;
        l__PUCHAR__Record[0] = static_cast<UCHAR>(l__ULONG__IdentifierLength);
        l__PUCHAR__Record[1] = 0;
        if (l__INT__Table == 0) {
            Put32LE(l__PUCHAR__Record + 2, p__Directory->m__ULONG__ExtentLocation);
            Put16LE(l__PUCHAR__Record + 6, l__Parent->m__USHORT__DirectoryNumber);
        } else {
            Put32BE(l__PUCHAR__Record + 2, p__Directory->m__ULONG__ExtentLocation);
            Put16BE(l__PUCHAR__Record + 6, l__Parent->m__USHORT__DirectoryNumber);
        }
        std::memcpy(l__PUCHAR__Record + 8, l__PUCHAR__Identifier, l__ULONG__IdentifierLength);
    }
    *p__PULONGLONG__TableOffset += l__ULONG__TableRecord;

    // Directory records.
    uint64_t l__ULONGLONG__Capacity = p__Directory->m__ULONGLONG__DirectorySectors * g__ULONG__Sector;
    UCHAR* l__PUCHAR__Directory =
        m__PUCHAR__SystemStructures + static_cast<uint64_t>(p__Directory->m__ULONG__ExtentLocation - m__ULONG__StartSector) * g__ULONG__Sector;
    uint64_t l__ULONGLONG__Offset = 0;
    l__ULONGLONG__Offset += PutRecord(l__PUCHAR__Directory, p__Directory->m__ULONG__ExtentLocation,
                                      static_cast<ULONG>(l__ULONGLONG__Capacity), p__Directory->m__UCHAR__RecordingDate, 0x02,
                                      &s__UCHAR__Zero, 1);
    l__ULONGLONG__Offset += PutRecord(l__PUCHAR__Directory + l__ULONGLONG__Offset, l__Parent->m__ULONG__ExtentLocation,
                                      static_cast<ULONG>(l__Parent->m__ULONGLONG__DirectorySectors * g__ULONG__Sector),
                                      l__Parent->m__UCHAR__RecordingDate, 0x02, &s__UCHAR__One, 1);
    for (CTarnwick_FileTreeNode* l__KidNode = p__Directory->GetFirstKid(); l__KidNode != nullptr;
         l__KidNode = l__KidNode->GetNextSibling()) {
        CTarnwick_ISO9660FileTreeNode* l__Kid = Iso(l__KidNode);
        ULONG l__ULONG__Count = l__Kid->GetExtentCount();
        ULONG l__ULONG__Record = l__Kid->GetRecordLength();
        uint64_t l__ULONGLONG__Remaining = l__Kid->GetSize();
        for (ULONG l__ULONG__Index = 0; l__ULONG__Index < l__ULONG__Count; ++l__ULONG__Index) {
            if (l__ULONGLONG__Offset % g__ULONG__Sector + l__ULONG__Record > g__ULONG__Sector) {
                l__ULONGLONG__Offset += g__ULONG__Sector - l__ULONGLONG__Offset % g__ULONG__Sector;
            }
            if (l__ULONGLONG__Offset + l__ULONG__Record > l__ULONGLONG__Capacity) {
                CTarnwick_Exception::Raise(g__PCHAR__BuildImage, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                           EXCEPTION_NUMBER_INVALID_STATE, 0,
                                           "CTarnwick_ISO9660FileTree::BuildImage(): records of '%s' exceed %llu "
                                           "bytes!!!",
                                           p__Directory->GetAbsolutePathAndFileName().c_str(),
                                           static_cast<unsigned long long>(l__ULONGLONG__Capacity));
            }
            ULONG l__ULONG__Extent;
            ULONG l__ULONG__DataLength;
            UCHAR l__UCHAR__Flags = (l__Kid->GetAttributes() & FILE_ATTRIBUTE_HIDDEN) != 0 ? 0x01 : 0x00;
            if (l__Kid->IsDirectory()) {
                l__ULONG__Extent = l__Kid->m__ULONG__ExtentLocation;
                l__ULONG__DataLength = static_cast<ULONG>(l__Kid->m__ULONGLONG__DirectorySectors * g__ULONG__Sector);
                l__UCHAR__Flags |= 0x02;
            } else if (l__ULONG__Count == 1) {
                l__ULONG__Extent = l__Kid->m__ULONG__ExtentLocation;
                l__ULONG__DataLength = static_cast<ULONG>(l__Kid->GetSize());
            } else {
                // One extent of a file of 4 GiB or more; all but the last say more follow.
                l__ULONG__Extent = l__Kid->m__ULONG__ExtentLocation +
                                   l__ULONG__Index * static_cast<ULONG>(CTarnwick_ISO9660FileTreeNode::MaximumExtentSize / g__ULONG__Sector);
                uint64_t l__ULONGLONG__Part = std::min(l__ULONGLONG__Remaining, CTarnwick_ISO9660FileTreeNode::MaximumExtentSize);
                l__ULONG__DataLength = static_cast<ULONG>(l__ULONGLONG__Part);
                l__ULONGLONG__Remaining -= l__ULONGLONG__Part;
                if (l__ULONG__Index + 1 < l__ULONG__Count) {
                    l__UCHAR__Flags |= 0x80;
                }
            }
            l__ULONGLONG__Offset += PutRecord(l__PUCHAR__Directory + l__ULONGLONG__Offset, l__ULONG__Extent,
                                              l__ULONG__DataLength, l__Kid->m__UCHAR__RecordingDate, l__UCHAR__Flags,
                                              reinterpret_cast<const UCHAR*>(l__Kid->m__string__DiscIdentifier.data()),
                                              static_cast<ULONG>(l__Kid->m__string__DiscIdentifier.size()));
        }
    }
}

void CTarnwick_ISO9660FileTree::WriteVolumeDescriptors(BOOLEAN p__BOOLEAN__IsCDXA, const char* const* p__Texts) {
    const char* l__PCHAR__Label = p__Texts[0];
    UCHAR* l__PUCHAR__Pvd = m__PUCHAR__SystemStructures + 16 * g__ULONG__Sector;
    l__PUCHAR__Pvd[0] = 1;
    std::memcpy(l__PUCHAR__Pvd + 1, "CD001", 5);
    l__PUCHAR__Pvd[6] = 1;
    PutText(l__PUCHAR__Pvd + 8, p__Texts[3], 32);
    if (l__PCHAR__Label != nullptr) {
        // A label of 32 characters or more keeps its first 32 in the volume identifier and
        // stays whole (up to 127) in the volume set identifier.
        std::string l__string__VolumeIdentifier = CTarnwick_ISO9660FileTreeNode::CutName(l__PCHAR__Label, 32);
        std::memcpy(l__PUCHAR__Pvd + 40, l__string__VolumeIdentifier.data(), l__string__VolumeIdentifier.size());
        PutText(l__PUCHAR__Pvd + 190, l__PCHAR__Label, 128);
    }
    Put32Both(l__PUCHAR__Pvd + 80, m__ULONG__VolumeSpaceSize);
    Put16Both(l__PUCHAR__Pvd + 120, 1);
    Put16Both(l__PUCHAR__Pvd + 124, 1);
    Put16Both(l__PUCHAR__Pvd + 128, g__ULONG__Sector);
    Put32Both(l__PUCHAR__Pvd + 132, static_cast<ULONG>(m__ULONGLONG__PathTableSize));
    Put32LE(l__PUCHAR__Pvd + 140, m__ULONG__LPathTableSector);
    Put32BE(l__PUCHAR__Pvd + 148, m__ULONG__MPathTableSector);
    // The root's record carries the current time in UTC.
    CTarnwick_ISO9660FileTreeNode* l__Root = Iso(m__PCTarnwick_FileTreeNode__Root);
    std::time_t l__time_t__Now = std::time(nullptr);
    std::tm l__tm__Utc{};
    gmtime_r(&l__time_t__Now, &l__tm__Utc);
    UCHAR l__UCHAR__Date[7] = {static_cast<UCHAR>(l__tm__Utc.tm_year), static_cast<UCHAR>(l__tm__Utc.tm_mon + 1),
                               static_cast<UCHAR>(l__tm__Utc.tm_mday), static_cast<UCHAR>(l__tm__Utc.tm_hour),
                               static_cast<UCHAR>(l__tm__Utc.tm_min),  static_cast<UCHAR>(l__tm__Utc.tm_sec), 0};
    static const UCHAR s__UCHAR__Zero = 0;
    PutRecord(l__PUCHAR__Pvd + 156, l__Root->m__ULONG__ExtentLocation,
              static_cast<ULONG>(l__Root->m__ULONGLONG__DirectorySectors * g__ULONG__Sector), l__UCHAR__Date, 0x02,
              &s__UCHAR__Zero, 1);
    PutText(l__PUCHAR__Pvd + 318, p__Texts[1], 128);
    PutText(l__PUCHAR__Pvd + 446, p__Texts[1], 128);
    PutText(l__PUCHAR__Pvd + 574, p__Texts[2], 128);
    PutText(l__PUCHAR__Pvd + 702, p__Texts[4], 37);
    PutText(l__PUCHAR__Pvd + 776, p__Texts[5], 37);
    for (int l__INT__Date = 0; l__INT__Date < 4; ++l__INT__Date) {
        PutText(l__PUCHAR__Pvd + 813 + 17 * l__INT__Date, p__Texts[6 + l__INT__Date], 17);
    }
    l__PUCHAR__Pvd[881] = 1;
    if (p__BOOLEAN__IsCDXA == 1) {
        std::memcpy(l__PUCHAR__Pvd + 1024, "CD-XA001", 8);
    }

    ULONG l__ULONG__NextDescriptor = 17;
    if (m__PCTarnwick_ISO9660FileTreeNode__BootImage != nullptr) {
        UCHAR* l__PUCHAR__Boot = m__PUCHAR__SystemStructures + 17 * g__ULONG__Sector;
        l__PUCHAR__Boot[0] = 0;
        std::memcpy(l__PUCHAR__Boot + 1, "CD001", 5);
        l__PUCHAR__Boot[6] = 1;
        std::memcpy(l__PUCHAR__Boot + 7, "EL TORITO SPECIFICATION", 23);
        Put32LE(l__PUCHAR__Boot + 71, m__ULONG__PrimaryDescriptorSector + 4);

        UCHAR* l__PUCHAR__Catalog = m__PUCHAR__SystemStructures + 20 * g__ULONG__Sector;
        l__PUCHAR__Catalog[0] = 1;
        l__PUCHAR__Catalog[1] = 0;
        std::memcpy(l__PUCHAR__Catalog + 4, "Tarnwick", 6);
        l__PUCHAR__Catalog[30] = 0x55;
        l__PUCHAR__Catalog[31] = 0xAA;
        ULONG l__ULONG__Sum = 0;
        for (int l__INT__Word = 0; l__INT__Word < 16; ++l__INT__Word) {
            l__ULONG__Sum += l__PUCHAR__Catalog[2 * l__INT__Word] | (l__PUCHAR__Catalog[2 * l__INT__Word + 1] << 8);
        }
        Put16LE(l__PUCHAR__Catalog + 28, (0x10000 - (l__ULONG__Sum & 0xFFFF)) & 0xFFFF);
        l__PUCHAR__Catalog[32] = 0x88;
        l__PUCHAR__Catalog[33] = m__UCHAR__BootMediaType;
        Put16LE(l__PUCHAR__Catalog + 34, 0x07C0);
        l__PUCHAR__Catalog[36] = m__UCHAR__SystemType;
        Put16LE(l__PUCHAR__Catalog + 38, 1);
        Put32LE(l__PUCHAR__Catalog + 40, m__PCTarnwick_ISO9660FileTreeNode__BootImage->m__ULONG__ExtentLocation);
        ++l__ULONG__NextDescriptor;
    }
    l__ULONG__NextDescriptor += static_cast<ULONG>(m__ULONGLONG__ExtraDescriptorBytes / g__ULONG__Sector);
    UCHAR* l__PUCHAR__Terminator = m__PUCHAR__SystemStructures + l__ULONG__NextDescriptor * g__ULONG__Sector;
    l__PUCHAR__Terminator[0] = 255;
    std::memcpy(l__PUCHAR__Terminator + 1, "CD001", 5);
    l__PUCHAR__Terminator[6] = 1;
}

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
    try {
        LayOutAndWrite(p__ULONG__StartSector, p__BOOLEAN__IsCDXA, p__PCHAR__VolumeLabel, p__PCHAR__PublisherPreparer,
                       p__PCHAR__Application, p__PCHAR__System, p__PCHAR__CopyrightFile, p__PCHAR__BibliographicFile,
                       p__PCHAR__CreationDate, p__PCHAR__ModificationDate, p__PCHAR__ExpirationDate,
                       p__PCHAR__EffectiveDate);
    } catch (CTarnwick_Exception*) {
        UndoBuild();
        throw;
    }
    m__PlacedFiles.clear();
    m__BOOLEAN__IsImageBuild = TRUE;
    DebugPrint("\nCTarnwick_ISO9660FileTree::BuildImage(): EXITing with success\n");
}

void CTarnwick_ISO9660FileTree::UndoBuild() {
    // The files placed by the failed build go back to having no extent (an extent marks a
    // file already on the disc) and the half-made system structures go, so that the tree
    // can be built again once the cause is mended.
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
                                               const char* p__PCHAR__VolumeLabel, const char* p__PCHAR__PublisherPreparer,
                                               const char* p__PCHAR__Application, const char* p__PCHAR__System,
                                               const char* p__PCHAR__CopyrightFile,
                                               const char* p__PCHAR__BibliographicFile,
                                               const char* p__PCHAR__CreationDate,
                                               const char* p__PCHAR__ModificationDate,
                                               const char* p__PCHAR__ExpirationDate,
                                               const char* p__PCHAR__EffectiveDate) {
    ULONG l__ULONG__ExtraDescriptorSectors = static_cast<ULONG>(m__ULONGLONG__ExtraDescriptorBytes / g__ULONG__Sector);
    m__ULONG__StartSector = p__ULONG__StartSector;
    m__ULONG__PrimaryDescriptorSector = p__ULONG__StartSector + 16;
    m__ULONG__LPathTableSector = p__ULONG__StartSector + 21 + l__ULONG__ExtraDescriptorSectors;
    m__ULONG__MPathTableSector = m__ULONG__LPathTableSector + static_cast<ULONG>(m__ULONGLONG__PathTableSectors);
    m__ULONG__FirstDirectorySector = p__ULONG__StartSector + 21 + l__ULONG__ExtraDescriptorSectors +
                                     static_cast<ULONG>(m__ULONGLONG__ExtraPathTableBytes / g__ULONG__Sector) +
                                     static_cast<ULONG>(2 * m__ULONGLONG__PathTableSectors);
    m__ULONG__FirstFileSector = m__ULONG__FirstDirectorySector + static_cast<ULONG>(m__ULONGLONG__TotalDirectorySectors) +
                                static_cast<ULONG>(m__ULONGLONG__ExtraDirectoryBytes / g__ULONG__Sector);

    // Extents, breadth-first: the entries of the root, then those one level down in the
    // order of their parents, and so on; directories are numbered in the same order.
    m__Directories.clear();
    CTarnwick_ISO9660FileTreeNode* l__Root = Iso(m__PCTarnwick_FileTreeNode__Root);
    ULONG l__ULONG__NextDirectory = m__ULONG__FirstDirectorySector;
    uint64_t l__ULONGLONG__NextFile = m__ULONG__FirstFileSector;
    l__Root->m__ULONG__ExtentLocation = l__ULONG__NextDirectory;
    l__ULONG__NextDirectory += static_cast<ULONG>(l__Root->m__ULONGLONG__DirectorySectors);
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
                l__Kid->m__ULONG__ExtentLocation = l__ULONG__NextDirectory;
                l__ULONG__NextDirectory += static_cast<ULONG>(l__Kid->m__ULONGLONG__DirectorySectors);
                m__Directories.push_back(l__Kid);
                l__Kid->m__USHORT__DirectoryNumber = static_cast<USHORT>(m__Directories.size());
            } else if (l__Kid->m__ULONG__ExtentLocation == 0) {
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

    UCHAR* l__PUCHAR__LTable =
        m__PUCHAR__SystemStructures + static_cast<uint64_t>(m__ULONG__LPathTableSector - p__ULONG__StartSector) * g__ULONG__Sector;
    UCHAR* l__PUCHAR__MTable =
        m__PUCHAR__SystemStructures + static_cast<uint64_t>(m__ULONG__MPathTableSector - p__ULONG__StartSector) * g__ULONG__Sector;
    uint64_t l__ULONGLONG__TableOffset = 0;
    for (CTarnwick_ISO9660FileTreeNode* l__Directory : m__Directories) {
        WriteDirectory(l__Directory, l__PUCHAR__LTable, l__PUCHAR__MTable, &l__ULONGLONG__TableOffset);
    }
    const char* const l__Texts[10] = {p__PCHAR__VolumeLabel,     p__PCHAR__PublisherPreparer, p__PCHAR__Application,
                                      p__PCHAR__System,          p__PCHAR__CopyrightFile,     p__PCHAR__BibliographicFile,
                                      p__PCHAR__CreationDate,    p__PCHAR__ModificationDate,  p__PCHAR__ExpirationDate,
                                      p__PCHAR__EffectiveDate};
    WriteVolumeDescriptors(p__BOOLEAN__IsCDXA, l__Texts);
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
