#include "CTarnwick_JolietFileTree.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_Exception.h"
#include "CTarnwick_Utf16.h"
#include "DebugPrint.h"

namespace {

const ULONG g__ULONG__Sector = CTarnwick_ISO9660FileTreeNode::SectorSize;

// The Joliet hierarchy: Joliet names, and each directory's Joliet extent and size.
class JolietHierarchy : public CTarnwick_ISO9660ImageWriter::Hierarchy {
public:
    static const CTarnwick_JolietFileTreeNode* Jol(const CTarnwick_ISO9660FileTreeNode* p__Node) {
        return static_cast<const CTarnwick_JolietFileTreeNode*>(p__Node);
    }
    const std::string& Identifier(const CTarnwick_ISO9660FileTreeNode* p__Node) const override {
        return Jol(p__Node)->GetJolietName();
    }
    ULONG DirectoryExtent(const CTarnwick_ISO9660FileTreeNode* p__Directory) const override {
        return Jol(p__Directory)->GetJolietExtentLocation();
    }
    uint64_t DirectorySectors(const CTarnwick_ISO9660FileTreeNode* p__Directory) const override {
        return Jol(p__Directory)->GetJolietDirectorySectors();
    }
};

}  // namespace

CTarnwick_JolietFileTree::CTarnwick_JolietFileTree(PROGRESS_CALLBACK p__Callback, PVOID p__PVOID__Context,
                                                   BOOLEAN p__BOOLEAN__IsIgnoreErrors, BOOLEAN p__BOOLEAN__IsKeepFilesOpen,
                                                   BOOLEAN p__BOOLEAN__IsLongNames)
    : CTarnwick_ISO9660FileTree(p__Callback, p__PVOID__Context, p__BOOLEAN__IsIgnoreErrors, p__BOOLEAN__IsKeepFilesOpen,
                                p__BOOLEAN__IsLongNames),
      m__ULONGLONG__JolietPathTableSize(0),
      m__ULONGLONG__JolietPathTableSectors(0),
      m__ULONGLONG__JolietTotalDirectorySectors(0),
      m__ULONG__JolietLPathTableSector(0),
      m__ULONG__JolietMPathTableSector(0) {}

CTarnwick_JolietFileTree::~CTarnwick_JolietFileTree() = default;

CTarnwick_FileTreeNode* CTarnwick_JolietFileTree::NewFileTreeNodeMemoryItem(
    const void* p__PVOID__Memory, const char* p__PCHAR__LongFileName, const char* p__PCHAR__ShortFileName,
    uint64_t p__ULONGLONG__Size, CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent, ULONG p__ULONG__NodeNumber,
    LONGLONG p__LONGLONG__FileTime) {
    return new (std::nothrow) CTarnwick_JolietFileTreeNode(p__PVOID__Memory, p__PCHAR__LongFileName, p__PCHAR__ShortFileName,
                                                           p__ULONGLONG__Size, p__PCTarnwick_FileTreeNode__Parent,
                                                           p__ULONG__NodeNumber, p__LONGLONG__FileTime);
}

CTarnwick_FileTreeNode* CTarnwick_JolietFileTree::NewFileTreeNodeItem(
    const char* p__PCHAR__AbsolutePathAndFileName, const char* p__PCHAR__LongFileName,
    const char* p__PCHAR__ShortFileName, ULONG p__ULONG__Attributes, uint64_t p__ULONGLONG__Size,
    CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent, ULONG p__ULONG__NodeNumber,
    LONGLONG p__LONGLONG__FileTime, ULONG p__ULONG__Flags, BOOLEAN p__BOOLEAN__IsImported) {
    return new (std::nothrow) CTarnwick_JolietFileTreeNode(
        p__PCHAR__AbsolutePathAndFileName, p__PCHAR__LongFileName, p__PCHAR__ShortFileName, p__ULONG__Attributes,
        p__ULONGLONG__Size, p__PCTarnwick_FileTreeNode__Parent, p__ULONG__NodeNumber, p__LONGLONG__FileTime,
        p__ULONG__Flags, IsKeepFilesOpen(), IsLongNames(), p__BOOLEAN__IsImported);
}

BOOLEAN CTarnwick_JolietFileTree::CheckName(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                                            CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid) {
    if (CTarnwick_ISO9660FileTree::CheckName(p__PCTarnwick_FileTreeNode__Parent, p__PCTarnwick_FileTreeNode__Kid)) {
        return TRUE;
    }
    if (p__PCTarnwick_FileTreeNode__Parent == nullptr || p__PCTarnwick_FileTreeNode__Kid == nullptr) {
        DebugPrint("\nCTarnwick_JolietFileTree::CheckName() : Invalid arguments: %p, %p. EXITing with failure.\n",
                   static_cast<void*>(p__PCTarnwick_FileTreeNode__Parent), static_cast<void*>(p__PCTarnwick_FileTreeNode__Kid));
        return FALSE;
    }
    CTarnwick_JolietFileTreeNode* l__Kid = Jol(p__PCTarnwick_FileTreeNode__Kid);
    CTarnwick_FileTreeNode* l__Sibling = p__PCTarnwick_FileTreeNode__Parent->GetFirstKid();
    while (l__Sibling != nullptr) {
        if (l__Sibling == l__Kid || Jol(l__Sibling)->m__string__JolietName != l__Kid->m__string__JolietName) {
            l__Sibling = l__Sibling->GetNextSibling();
            continue;
        }
        // The name as UTF-16 in the machine's byte order.
        std::u16string l__u16string__Name = CTarnwick_Utf16::FromBigEndian(l__Kid->m__string__JolietName);
        NAME_COLLISION_INFORMATION l__Information;
        ReportCollision(&l__Information, TRUE, l__u16string__Name.data(), 2 * l__u16string__Name.size(), l__Sibling, l__Kid);
        switch (l__Information.m__ULONG__Action) {
            case NAME_COLLISION_ACTION_KEEP_EXISTING:
                return TRUE;
            case NAME_COLLISION_ACTION_REPLACE_EXISTING: {
                UnlinkKid(p__PCTarnwick_FileTreeNode__Parent, l__Sibling);
                DeleteNode(&l__Sibling);
                return FALSE;
            }
            case NAME_COLLISION_ACTION_RENAME_NEW: {
                std::u16string l__u16string__New =
                    CTarnwick_Utf16::FromTerminated(l__Information.m__UCHAR__NewName, sizeof(l__Information.m__UCHAR__NewName));
                if (l__u16string__New.empty()) {
                    // An empty name cannot be recorded: both stay, as with any other answer.
                    l__Sibling = l__Sibling->GetNextSibling();
                    break;
                }
                // The path-table size follows on its own: the Joliet sizes are tallied
                // from the names as they stand.
                l__Kid->SetJolietName(l__u16string__New);
                l__Sibling = p__PCTarnwick_FileTreeNode__Parent->GetFirstKid();
                break;
            }
            default:
                l__Sibling = l__Sibling->GetNextSibling();
                break;
        }
    }
    return FALSE;
}

void CTarnwick_JolietFileTree::TakeImportedNames(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node,
                                                 const UCHAR* p__PUCHAR__JolietName, ULONG p__ULONG__JolietNameLength) {
    if (p__PUCHAR__JolietName == nullptr || p__ULONG__JolietNameLength < 2) {
        return;
    }
    std::string l__string__Bytes(reinterpret_cast<const char*>(p__PUCHAR__JolietName), p__ULONG__JolietNameLength & ~1u);
    Jol(p__PCTarnwick_FileTreeNode__Node)->SetJolietName(CTarnwick_Utf16::FromBigEndian(l__string__Bytes));
}

void CTarnwick_JolietFileTree::TallyJoliet() {
    m__ULONGLONG__JolietPathTableSize = 0;
    m__ULONGLONG__JolietTotalDirectorySectors = 0;
    std::vector<CTarnwick_FileTreeNode*> l__Directories;
    if (m__PCTarnwick_FileTreeNode__Root != nullptr) {
        l__Directories.push_back(m__PCTarnwick_FileTreeNode__Root);
    }
    for (size_t l__SIZE__Index = 0; l__SIZE__Index < l__Directories.size(); ++l__SIZE__Index) {
        CTarnwick_JolietFileTreeNode* l__Directory = Jol(l__Directories[l__SIZE__Index]);
        uint64_t l__ULONGLONG__Length = 68;
        for (CTarnwick_FileTreeNode* l__KidNode = l__Directory->GetFirstKid(); l__KidNode != nullptr;
             l__KidNode = l__KidNode->GetNextSibling()) {
            CTarnwick_JolietFileTreeNode* l__Kid = Jol(l__KidNode);
            ULONG l__ULONG__Record =
                CTarnwick_ISO9660FileTreeNode::RecordLengthOf(static_cast<ULONG>(l__Kid->m__string__JolietName.size()));
            // A file of 4 GiB or more takes one record per extent, as in the ISO9660 hierarchy.
            for (ULONG l__ULONG__Extent = 0; l__ULONG__Extent < l__Kid->GetExtentCount(); ++l__ULONG__Extent) {
                CTarnwick_ISO9660FileTreeNode::AddRecord(&l__ULONGLONG__Length, l__ULONG__Record);
            }
            if (l__Kid->IsDirectory()) {
                l__Directories.push_back(l__Kid);
            }
        }
        l__Directory->m__ULONGLONG__JolietDirectoryLength = l__ULONGLONG__Length;
        l__Directory->m__ULONGLONG__JolietDirectorySectors = CTarnwick_ISO9660FileTreeNode::SectorsOf(l__ULONGLONG__Length);
        m__ULONGLONG__JolietTotalDirectorySectors += l__Directory->m__ULONGLONG__JolietDirectorySectors;
        ULONG l__ULONG__NameLength =
            l__Directory->GetParent() == nullptr ? 1 : static_cast<ULONG>(l__Directory->m__string__JolietName.size());
        m__ULONGLONG__JolietPathTableSize += CTarnwick_ISO9660FileTreeNode::PathTableRecordLengthOf(l__ULONG__NameLength);
    }
    m__ULONGLONG__JolietPathTableSectors = CTarnwick_ISO9660FileTreeNode::SectorsOf(m__ULONGLONG__JolietPathTableSize);
}

uint64_t CTarnwick_JolietFileTree::GetJolietPathTableSizeInUCHARs() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    TallyJoliet();
    return m__ULONGLONG__JolietPathTableSize;
}

uint64_t CTarnwick_JolietFileTree::GetJolietPathTableSizeInLBs() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    TallyJoliet();
    return m__ULONGLONG__JolietPathTableSectors;
}

uint64_t CTarnwick_JolietFileTree::GetJolietTotalDirectorySizeInLBs() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    TallyJoliet();
    return m__ULONGLONG__JolietTotalDirectorySectors;
}

uint64_t CTarnwick_JolietFileTree::GetPathTableSizeInUCHARs() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    return CTarnwick_ISO9660FileTree::GetPathTableSizeInUCHARs() + GetJolietPathTableSizeInUCHARs();
}

uint64_t CTarnwick_JolietFileTree::GetPathTableSizeInLBs() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    return CTarnwick_ISO9660FileTree::GetPathTableSizeInLBs() + GetJolietPathTableSizeInLBs();
}

uint64_t CTarnwick_JolietFileTree::GetTotalDirectorySizeInLBs() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    return CTarnwick_ISO9660FileTree::GetTotalDirectorySizeInLBs() + GetJolietTotalDirectorySizeInLBs();
}

void CTarnwick_JolietFileTree::BuildImage(ULONG p__ULONG__StartSector, ULONG p__ULONG__Ignored, BOOLEAN p__BOOLEAN__IsCDXA,
                                          const char* p__PCHAR__VolumeLabel, const char* p__PCHAR__PublisherPreparer,
                                          const char* p__PCHAR__Application, const char* p__PCHAR__System,
                                          const char* p__PCHAR__CopyrightFile, const char* p__PCHAR__BibliographicFile,
                                          const char* p__PCHAR__CreationDate, const char* p__PCHAR__ModificationDate,
                                          const char* p__PCHAR__ExpirationDate, const char* p__PCHAR__EffectiveDate) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    TallyJoliet();
    m__ULONGLONG__ExtraDescriptorBytes = g__ULONG__Sector;
    m__ULONGLONG__ExtraPathTableBytes = m__ULONGLONG__JolietPathTableSectors * 2 * g__ULONG__Sector;
    m__ULONGLONG__ExtraDirectoryBytes = m__ULONGLONG__JolietTotalDirectorySectors * g__ULONG__Sector;
    CTarnwick_ISO9660FileTree::BuildImage(p__ULONG__StartSector, p__ULONG__Ignored, p__BOOLEAN__IsCDXA, p__PCHAR__VolumeLabel,
                                          p__PCHAR__PublisherPreparer, p__PCHAR__Application, p__PCHAR__System,
                                          p__PCHAR__CopyrightFile, p__PCHAR__BibliographicFile, p__PCHAR__CreationDate,
                                          p__PCHAR__ModificationDate, p__PCHAR__ExpirationDate, p__PCHAR__EffectiveDate);
}

void CTarnwick_JolietFileTree::WriteExtraStructures(CTarnwick_ISO9660ImageWriter& p__Writer,
                                                    const std::vector<CTarnwick_ISO9660FileTreeNode*>& p__Directories,
                                                    const ExtraPlaces& p__Places) {
    m__ULONG__JolietLPathTableSector = p__Places.m__ULONG__PathTableSector;
    m__ULONG__JolietMPathTableSector = m__ULONG__JolietLPathTableSector + static_cast<ULONG>(m__ULONGLONG__JolietPathTableSectors);
    // Joliet directories in the same order as the ISO9660 ones, which they share their
    // directory numbers with.
    uint64_t l__ULONGLONG__Next = p__Places.m__ULONG__DirectorySector;
    for (CTarnwick_ISO9660FileTreeNode* l__Directory : p__Directories) {
        Jol(l__Directory)->m__ULONG__JolietExtentLocation = static_cast<ULONG>(l__ULONGLONG__Next);
        l__ULONGLONG__Next += Jol(l__Directory)->m__ULONGLONG__JolietDirectorySectors;
    }
    if (l__ULONGLONG__Next > p__Places.m__ULONG__FirstFileSector) {
        CTarnwick_Exception::Raise("CTarnwick_JolietFileTree::BuildImage", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_INVALID_STATE, 0,
                                   "CTarnwick_JolietFileTree::BuildImage(): Joliet directories exceed sector %lu!!!",
                                   static_cast<unsigned long>(p__Places.m__ULONG__FirstFileSector));
    }
    p__Writer.WriteDirectories(p__Directories, JolietHierarchy(),
                               {m__ULONG__JolietLPathTableSector, m__ULONG__JolietMPathTableSector,
                                m__ULONGLONG__JolietPathTableSize});
    WriteSupplementaryDescriptor(p__Writer, p__Places, Jol(m__PCTarnwick_FileTreeNode__Root));
}

void CTarnwick_JolietFileTree::WriteSupplementaryDescriptor(CTarnwick_ISO9660ImageWriter& p__Writer,
                                                            const ExtraPlaces& p__Places,
                                                            const CTarnwick_JolietFileTreeNode* p__Root) {
    const UCHAR* l__PUCHAR__Pvd = p__Writer.SectorAt(p__Places.m__ULONG__PrimaryDescriptorSector);
    UCHAR* l__PUCHAR__Svd = p__Writer.SectorAt(p__Places.m__ULONG__DescriptorSector);
    std::memcpy(l__PUCHAR__Svd, l__PUCHAR__Pvd, g__ULONG__Sector);
    l__PUCHAR__Svd[0] = 2;
    // The volume identifier: the label (the primary descriptor's volume set identifier)
    // in UCS-2, at most 16 units.
    std::memset(l__PUCHAR__Svd + 40, 0, 32);
    const char* l__PCHAR__Label = reinterpret_cast<const char*>(l__PUCHAR__Pvd + 190);
    std::string l__string__Label(l__PCHAR__Label, strnlen(l__PCHAR__Label, 128));
    std::string l__string__Identifier = CTarnwick_Utf16::ToBigEndian(CTarnwick_Utf16::Cut(CTarnwick_Utf16::FromUtf8(l__string__Label), 16));
    std::memcpy(l__PUCHAR__Svd + 40, l__string__Identifier.data(), l__string__Identifier.size());
    std::memset(l__PUCHAR__Svd + 88, 0, 32);
    l__PUCHAR__Svd[88] = 0x25;
    l__PUCHAR__Svd[89] = 0x2F;
    l__PUCHAR__Svd[90] = 0x40;
    CTarnwick_Bytes::PutBothEndian32(l__PUCHAR__Svd + 132, static_cast<ULONG>(m__ULONGLONG__JolietPathTableSize));
    CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__Svd + 140, m__ULONG__JolietLPathTableSector);
    CTarnwick_Bytes::PutBigEndian32(l__PUCHAR__Svd + 148, m__ULONG__JolietMPathTableSector);
    CTarnwick_Bytes::PutBothEndian32(l__PUCHAR__Svd + 158, p__Root->GetJolietExtentLocation());
    CTarnwick_Bytes::PutBothEndian32(l__PUCHAR__Svd + 166,
                                     static_cast<ULONG>(p__Root->GetJolietDirectorySectors() * g__ULONG__Sector));
}

std::string CTarnwick_JolietFileTree::RockRidgeAlternativeName(const CTarnwick_ISO9660FileTreeNode* p__Node) const {
    std::string l__string__Name =
        CTarnwick_Utf16::ToUtf8(CTarnwick_Utf16::FromBigEndian(static_cast<const CTarnwick_JolietFileTreeNode*>(p__Node)->GetJolietName()));
    if (!p__Node->IsDirectory() && l__string__Name.size() > 2 && l__string__Name.compare(l__string__Name.size() - 2, 2, ";1") == 0) {
        l__string__Name.resize(l__string__Name.size() - 2);
    }
    return l__string__Name;
}
