#include "CTarnwick_FileTree.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>

#include "CTarnwick_Exception.h"
#include "DebugPrint.h"
#include "PlatformDirectory.h"
#include "PlatformSystemError.h"

namespace {

const char* const g__PCHAR__CreateFileTreeNodeAndKids = "CTarnwick_FileTree::CreateFileTreeNodeAndKids";

LONGLONG CurrentFileTime() { return static_cast<LONGLONG>(std::time(nullptr)); }

bool IsCancellation(const CTarnwick_Exception* p__PCTarnwick_Exception__Exception) {
    return p__PCTarnwick_Exception__Exception != nullptr &&
           p__PCTarnwick_Exception__Exception->GetExceptionNumber() == EXCEPTION_NUMBER_CANCELLED;
}

// Pops the identity of a walked directory when its walk ends, however it ends.
class WalkedDirectoryScope {
public:
    WalkedDirectoryScope(std::vector<std::pair<uint64_t, uint64_t>>& p__Stack, std::pair<uint64_t, uint64_t> p__Identity)
        : m__Stack(p__Stack) {
        m__Stack.push_back(p__Identity);
    }
    ~WalkedDirectoryScope() { m__Stack.pop_back(); }
    WalkedDirectoryScope(const WalkedDirectoryScope&) = delete;
    WalkedDirectoryScope& operator=(const WalkedDirectoryScope&) = delete;

private:
    std::vector<std::pair<uint64_t, uint64_t>>& m__Stack;
};

}  // namespace

CTarnwick_FileTree::CTarnwick_FileTree(PROGRESS_CALLBACK p__Callback, PVOID p__PVOID__Context,
                                       BOOLEAN p__BOOLEAN__IsIgnoreErrors)
    : m__BOOLEAN__IsCancelCreation(FALSE),
      m__BOOLEAN__IsIgnoreErrors(p__BOOLEAN__IsIgnoreErrors),
      m__PROGRESS_CALLBACK__Callback(p__Callback),
      m__PVOID__Context(p__PVOID__Context),
      m__ULONG__DeepestLevel(0),
      m__ULONG__NodeCount(0),
      m__PCTarnwick_FileTreeNode__Root(nullptr),
      m__ULONGLONG__LinkCount(0) {}

CTarnwick_FileTree::~CTarnwick_FileTree() { DeleteAll(); }

void CTarnwick_FileTree::DeleteAll() {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    if (m__PCTarnwick_FileTreeNode__Root != nullptr) {
        DeleteNode(&m__PCTarnwick_FileTreeNode__Root);
    }
}

LONGLONG CTarnwick_FileTree::SelectFileTime(const PlatformDirectoryEntry& p__Entry, ULONG p__ULONG__TimeSelector) {
    if (p__ULONG__TimeSelector == TimeCreation) {
        return p__Entry.m__LONGLONG__CreationTime;
    }
    if (p__ULONG__TimeSelector == TimeLastAccess) {
        return p__Entry.m__LONGLONG__LastAccessTime;
    }
    return p__Entry.m__LONGLONG__LastWriteTime;
}

void CTarnwick_FileTree::Report(ULONG p__ULONG__Reason, PVOID p__PVOID__Parameter1, PVOID p__PVOID__Parameter2) {
    m__PROGRESS_CALLBACK__Callback(p__ULONG__Reason, m__PVOID__Context, p__PVOID__Parameter1, p__PVOID__Parameter2);
}

CTarnwick_FileTreeNode* CTarnwick_FileTree::NewFileTreeNodeItem(
    const char* p__PCHAR__AbsolutePathAndFileName, const char* p__PCHAR__LongFileName,
    const char* p__PCHAR__ShortFileName, ULONG p__ULONG__Attributes, uint64_t p__ULONGLONG__Size,
    CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent, ULONG p__ULONG__NodeNumber,
    LONGLONG p__LONGLONG__FileTime, ULONG /*p__ULONG__Flags*/, BOOLEAN /*p__BOOLEAN__IsImported*/) {
    return new CTarnwick_FileTreeNode(p__PCHAR__AbsolutePathAndFileName, p__PCHAR__LongFileName, p__PCHAR__ShortFileName,
                                      p__ULONG__Attributes, p__ULONGLONG__Size, p__PCTarnwick_FileTreeNode__Parent,
                                      p__ULONG__NodeNumber, p__LONGLONG__FileTime);
}

void CTarnwick_FileTree::OnAddNode(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node) {
    Report(ADD_NAME, const_cast<char*>(p__PCTarnwick_FileTreeNode__Node->m__string__AbsolutePathAndFileName.c_str()),
           p__PCTarnwick_FileTreeNode__Node);
    m__ULONG__DeepestLevel = std::max(m__ULONG__DeepestLevel, p__PCTarnwick_FileTreeNode__Node->m__ULONG__Level);
    p__PCTarnwick_FileTreeNode__Node->m__BOOLEAN__IsAdded = TRUE;
}

void CTarnwick_FileTree::OnRemoveNode(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node) {
    Report(REMOVE_NAME,
           const_cast<char*>(p__PCTarnwick_FileTreeNode__Node->m__string__AbsolutePathAndFileName.c_str()),
           p__PCTarnwick_FileTreeNode__Node);
}

void CTarnwick_FileTree::OnLinkKid(CTarnwick_FileTreeNode*, CTarnwick_FileTreeNode*) {}

void CTarnwick_FileTree::OnKidListed(CTarnwick_FileTreeNode*, CTarnwick_FileTreeNode*) {}

void CTarnwick_FileTree::OnKidUnlisted(CTarnwick_FileTreeNode*, CTarnwick_FileTreeNode*) {}

void CTarnwick_FileTree::LinkKid(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                                 CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid) {
    CTarnwick_FileTreeNode* l__PCTarnwick_FileTreeNode__Last = p__PCTarnwick_FileTreeNode__Parent->m__PCTarnwick_FileTreeNode__LastKid;
    p__PCTarnwick_FileTreeNode__Kid->m__PCTarnwick_FileTreeNode__Previous = l__PCTarnwick_FileTreeNode__Last;
    p__PCTarnwick_FileTreeNode__Kid->m__PCTarnwick_FileTreeNode__Next = nullptr;
    if (l__PCTarnwick_FileTreeNode__Last != nullptr) {
        l__PCTarnwick_FileTreeNode__Last->m__PCTarnwick_FileTreeNode__Next = p__PCTarnwick_FileTreeNode__Kid;
    } else {
        p__PCTarnwick_FileTreeNode__Parent->m__PCTarnwick_FileTreeNode__FirstKid = p__PCTarnwick_FileTreeNode__Kid;
    }
    p__PCTarnwick_FileTreeNode__Parent->m__PCTarnwick_FileTreeNode__LastKid = p__PCTarnwick_FileTreeNode__Kid;
    p__PCTarnwick_FileTreeNode__Kid->m__PCTarnwick_FileTreeNode__Parent = p__PCTarnwick_FileTreeNode__Parent;
    p__PCTarnwick_FileTreeNode__Kid->m__BOOLEAN__IsLinked = TRUE;
    p__PCTarnwick_FileTreeNode__Kid->m__ULONGLONG__LinkOrdinal = ++m__ULONGLONG__LinkCount;
    OnKidListed(p__PCTarnwick_FileTreeNode__Parent, p__PCTarnwick_FileTreeNode__Kid);
}

void CTarnwick_FileTree::UnlinkKid(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                                   CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid) {
    OnKidUnlisted(p__PCTarnwick_FileTreeNode__Parent, p__PCTarnwick_FileTreeNode__Kid);
    CTarnwick_FileTreeNode* l__PCTarnwick_FileTreeNode__Previous = p__PCTarnwick_FileTreeNode__Kid->m__PCTarnwick_FileTreeNode__Previous;
    CTarnwick_FileTreeNode* l__PCTarnwick_FileTreeNode__Next = p__PCTarnwick_FileTreeNode__Kid->m__PCTarnwick_FileTreeNode__Next;
    if (l__PCTarnwick_FileTreeNode__Previous != nullptr) {
        l__PCTarnwick_FileTreeNode__Previous->m__PCTarnwick_FileTreeNode__Next = l__PCTarnwick_FileTreeNode__Next;
    } else {
        p__PCTarnwick_FileTreeNode__Parent->m__PCTarnwick_FileTreeNode__FirstKid = l__PCTarnwick_FileTreeNode__Next;
    }
    if (l__PCTarnwick_FileTreeNode__Next != nullptr) {
        l__PCTarnwick_FileTreeNode__Next->m__PCTarnwick_FileTreeNode__Previous = l__PCTarnwick_FileTreeNode__Previous;
    } else {
        p__PCTarnwick_FileTreeNode__Parent->m__PCTarnwick_FileTreeNode__LastKid = l__PCTarnwick_FileTreeNode__Previous;
    }
    p__PCTarnwick_FileTreeNode__Kid->m__PCTarnwick_FileTreeNode__Next = nullptr;
    p__PCTarnwick_FileTreeNode__Kid->m__PCTarnwick_FileTreeNode__Previous = nullptr;
    p__PCTarnwick_FileTreeNode__Kid->m__BOOLEAN__IsLinked = FALSE;
}

void CTarnwick_FileTree::DeleteNode(CTarnwick_FileTreeNode** p__PPCTarnwick_FileTreeNode__Node) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    CTarnwick_FileTreeNode* l__PCTarnwick_FileTreeNode__Node = *p__PPCTarnwick_FileTreeNode__Node;
    if (l__PCTarnwick_FileTreeNode__Node == nullptr) {
        return;
    }
    if (l__PCTarnwick_FileTreeNode__Node->m__BOOLEAN__IsLinked) {
        UnlinkKid(l__PCTarnwick_FileTreeNode__Node->m__PCTarnwick_FileTreeNode__Parent, l__PCTarnwick_FileTreeNode__Node);
    }
    l__PCTarnwick_FileTreeNode__Node->m__BOOLEAN__IsDying = TRUE;
    while (l__PCTarnwick_FileTreeNode__Node->m__PCTarnwick_FileTreeNode__FirstKid != nullptr) {
        CTarnwick_FileTreeNode* l__PCTarnwick_FileTreeNode__Kid = l__PCTarnwick_FileTreeNode__Node->m__PCTarnwick_FileTreeNode__FirstKid;
        UnlinkKid(l__PCTarnwick_FileTreeNode__Node, l__PCTarnwick_FileTreeNode__Kid);
        DeleteNode(&l__PCTarnwick_FileTreeNode__Kid);
    }
    OnRemoveNode(l__PCTarnwick_FileTreeNode__Node);
    if (l__PCTarnwick_FileTreeNode__Node == m__PCTarnwick_FileTreeNode__Root) {
        m__PCTarnwick_FileTreeNode__Root = nullptr;
    }
    delete l__PCTarnwick_FileTreeNode__Node;
    *p__PPCTarnwick_FileTreeNode__Node = nullptr;
    --m__ULONG__NodeCount;
}

CTarnwick_FileTreeNode* CTarnwick_FileTree::MakeRoot() {
    if (m__PCTarnwick_FileTreeNode__Root == nullptr) {
        m__PCTarnwick_FileTreeNode__Root = CreateFileTreeNodeAndKids("/", "/", "/", FILE_ATTRIBUTE_DIRECTORY, 0, nullptr,
                                                                     CurrentFileTime(), TimeCreation);
    }
    return m__PCTarnwick_FileTreeNode__Root;
}

void CTarnwick_FileTree::CreateFromRoot(const char* p__PCHAR__AbsolutePathAndFileName, const char* p__PCHAR__NewName,
                                        ULONG p__ULONG__TimeSelector,
                                        CTarnwick_FileTreeNode** p__PPCTarnwick_FileTreeNode__Parent) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    m__BOOLEAN__IsCancelCreation = FALSE;
    CTarnwick_FileTreeNode* l__PCTarnwick_FileTreeNode__Parent =
        p__PPCTarnwick_FileTreeNode__Parent != nullptr ? *p__PPCTarnwick_FileTreeNode__Parent : nullptr;
    if (l__PCTarnwick_FileTreeNode__Parent == nullptr) {
        l__PCTarnwick_FileTreeNode__Parent = MakeRoot();
        if (p__PPCTarnwick_FileTreeNode__Parent != nullptr) {
            *p__PPCTarnwick_FileTreeNode__Parent = l__PCTarnwick_FileTreeNode__Parent;
        }
    }
    if (p__PCHAR__AbsolutePathAndFileName != nullptr) {
        std::string l__string__Path(p__PCHAR__AbsolutePathAndFileName);
        while (l__string__Path.size() > 1 && l__string__Path.back() == '/') {
            l__string__Path.pop_back();
        }
        if (l__string__Path == "/") {
            CreateFromDirectoryContents("/", p__ULONG__TimeSelector, l__PCTarnwick_FileTreeNode__Parent);
        } else {
            CreateFromRootChecked(l__string__Path.c_str(), p__PCHAR__NewName, p__ULONG__TimeSelector,
                                  l__PCTarnwick_FileTreeNode__Parent);
        }
        return;
    }
    if (p__PCHAR__NewName != nullptr) {
        CreateFromRootVirtual(p__PCHAR__NewName, p__ULONG__TimeSelector, l__PCTarnwick_FileTreeNode__Parent);
        return;
    }
    CTarnwick_Exception::Raise("CTarnwick_FileTree::CreateFromRoot", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                               EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                               "CTarnwick_FileTree::CreateFromRoot(): Both absolute and new names are NULL - this is "
                               "illegal!!!");
}

void CTarnwick_FileTree::CreateFromDirectoryContents(const char* p__PCHAR__Directory, ULONG p__ULONG__TimeSelector,
                                                     CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    // A walk of its own: a cancel meant for an earlier walk does not stop it.
    m__BOOLEAN__IsCancelCreation = FALSE;
    if (p__PCTarnwick_FileTreeNode__Parent == nullptr) {
        // A root made for the directory's contents takes the directory's own attributes.
        const bool l__bool__IsNewRoot = m__PCTarnwick_FileTreeNode__Root == nullptr;
        p__PCTarnwick_FileTreeNode__Parent = MakeRoot();
        PlatformDirectoryEntry l__Own{};
        if (l__bool__IsNewRoot && PlatformDirectory::Stat(p__PCHAR__Directory, l__Own)) {
            OnNodeFromEntry(p__PCTarnwick_FileTreeNode__Parent, l__Own);
        }
    }
    std::string l__string__Directory(p__PCHAR__Directory);
    std::vector<PlatformDirectoryEntry> l__Entries;
    bool l__BOOLEAN__OpenFailed = false;
    if (!PlatformDirectory::List(l__string__Directory, l__Entries, &l__BOOLEAN__OpenFailed, IsKeepingLinks())) {
        ULONG l__ULONG__Error = GetLastError();
        CTarnwick_Exception::Raise("CTarnwick_FileTree::CreateFromDirectoryContents", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_SYSTEM_ERROR, l__ULONG__Error,
                                   l__BOOLEAN__OpenFailed
                                       ? "CTarnwick_FileTree::CreateFromRoot(): FindFirstFile( '%s' ) failed, status %ld!!!"
                                       : "CTarnwick_FileTree::CreateFromRoot(): FindNextFile( '%s' ) failed, status %ld!!!",
                                   p__PCHAR__Directory, static_cast<long>(l__ULONG__Error));
    }
    const char* l__PCHAR__Separator = (l__string__Directory.empty() || l__string__Directory.back() == '/') ? "" : "/";
    // The directory counts as walked: a link inside it that leads back to it is a cycle.
    uint64_t l__ULONGLONG__Device = 0;
    uint64_t l__ULONGLONG__Inode = 0;
    PlatformDirectory::Identity(l__string__Directory, &l__ULONGLONG__Device, &l__ULONGLONG__Inode);
    WalkedDirectoryScope l__Scope(m__WalkedDirectories, {l__ULONGLONG__Device, l__ULONGLONG__Inode});
    for (const PlatformDirectoryEntry& l__Entry : l__Entries) {
        CreateFromFoundEntry(l__string__Directory + l__PCHAR__Separator + l__Entry.m__string__Name, &l__Entry, nullptr,
                             p__ULONG__TimeSelector, p__PCTarnwick_FileTreeNode__Parent);
    }
}

void CTarnwick_FileTree::CreateFromRootChecked(const char* p__PCHAR__AbsolutePathAndFileName,
                                               const char* p__PCHAR__NewName, ULONG p__ULONG__TimeSelector,
                                               CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    PlatformDirectoryEntry l__Entry{};
    bool l__BOOLEAN__Found = PlatformDirectory::Find(p__PCHAR__AbsolutePathAndFileName, l__Entry, IsKeepingLinks());
    CreateFromFoundEntry(p__PCHAR__AbsolutePathAndFileName, l__BOOLEAN__Found ? &l__Entry : nullptr, p__PCHAR__NewName,
                         p__ULONG__TimeSelector, p__PCTarnwick_FileTreeNode__Parent);
}

template <class Make>
void CTarnwick_FileTree::MakeCheckAndLink(const char* p__PCHAR__Where, const char* p__PCHAR__What,
                                          const char* p__PCHAR__ReportName,
                                          CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent, Make&& p__Make) {
    if (p__PCTarnwick_FileTreeNode__Parent == nullptr) {
        p__PCTarnwick_FileTreeNode__Parent = MakeRoot();
    }
    CTarnwick_FileTreeNode* l__PCTarnwick_FileTreeNode__Node = nullptr;
    try {
        l__PCTarnwick_FileTreeNode__Node = p__Make(p__PCTarnwick_FileTreeNode__Parent);
    } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
        DebugPrint("\n%s(): %s( '%s' ) failed, ignore == %s!!!\n", p__PCHAR__Where, p__PCHAR__What, p__PCHAR__ReportName,
                   m__BOOLEAN__IsIgnoreErrors ? "TRUE" : "FALSE");
        // A cancelled walk is never turned into a skipped name: the add must fail.
        if (!m__BOOLEAN__IsIgnoreErrors || IsCancellation(l__PCTarnwick_Exception__Exception)) {
            throw;
        }
        delete l__PCTarnwick_Exception__Exception;
    }
    if (l__PCTarnwick_FileTreeNode__Node == nullptr) {
        Report(IGNORE_NAME, const_cast<char*>(p__PCHAR__ReportName), nullptr);
        return;
    }
    LinkChecked(p__PCTarnwick_FileTreeNode__Parent, l__PCTarnwick_FileTreeNode__Node);
}

BOOLEAN CTarnwick_FileTree::LinkChecked(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                                        CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node) {
    if (CheckName(p__PCTarnwick_FileTreeNode__Parent, p__PCTarnwick_FileTreeNode__Node)) {
        DeleteNode(&p__PCTarnwick_FileTreeNode__Node);
        return FALSE;
    }
    LinkKid(p__PCTarnwick_FileTreeNode__Parent, p__PCTarnwick_FileTreeNode__Node);
    OnLinkKid(p__PCTarnwick_FileTreeNode__Parent, p__PCTarnwick_FileTreeNode__Node);
    return TRUE;
}

CTarnwick_FileTreeNode* CTarnwick_FileTree::NewNumberedNode(
    const char* p__PCHAR__Where, const std::function<CTarnwick_FileTreeNode*(ULONG)>& p__Make) {
    ++m__ULONG__NodeCount;
    CTarnwick_FileTreeNode* l__PCTarnwick_FileTreeNode__Node = nullptr;
    try {
        l__PCTarnwick_FileTreeNode__Node = p__Make(m__ULONG__NodeCount);
    } catch (CTarnwick_Exception*) {
        --m__ULONG__NodeCount;
        throw;
    }
    if (l__PCTarnwick_FileTreeNode__Node == nullptr) {
        --m__ULONG__NodeCount;
        CTarnwick_Exception::Raise(p__PCHAR__Where, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                   "%s(): NewFileTreeNodeItem() for Current failed!!!", p__PCHAR__Where);
    }
    return l__PCTarnwick_FileTreeNode__Node;
}

void CTarnwick_FileTree::CreateFromFoundEntry(const std::string& p__string__Path, const PlatformDirectoryEntry* p__PEntry,
                                              const char* p__PCHAR__NewName, ULONG p__ULONG__TimeSelector,
                                              CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent) {
    MakeCheckAndLink(
        "CTarnwick_FileTree::CreateFromRootChecked", "CreateFileTreeNodeAndKids", p__string__Path.c_str(),
        p__PCTarnwick_FileTreeNode__Parent, [&](CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__RealParent) {
            if (p__PEntry == nullptr) {
                ULONG l__ULONG__Error = GetLastError();
                CTarnwick_Exception::Raise("CTarnwick_FileTree::CreateFromRootChecked", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                           EXCEPTION_NUMBER_SYSTEM_ERROR, l__ULONG__Error,
                                           "CTarnwick_FileTree::CreateFromRootChecked(): FindFirstFile( '%s' ) failed, "
                                           "status %ld!!!",
                                           p__string__Path.c_str(), static_cast<long>(l__ULONG__Error));
            }
            const std::string& l__string__LongName =
                (p__PCHAR__NewName != nullptr && std::strlen(p__PCHAR__NewName) < TARNWICK_MAX_PATH)
                    ? std::string(p__PCHAR__NewName)
                    : p__PEntry->m__string__Name;
            const std::string& l__string__ShortName = p__PEntry->m__string__AlternateName.empty()
                                                          ? p__PEntry->m__string__Name
                                                          : p__PEntry->m__string__AlternateName;
            return CreateFileTreeNodeAndKids(p__string__Path.c_str(), l__string__LongName.c_str(),
                                             l__string__ShortName.c_str(), p__PEntry->m__ULONG__Attributes,
                                             p__PEntry->m__ULONGLONG__Size, p__PCTarnwick_FileTreeNode__RealParent,
                                             SelectFileTime(*p__PEntry, p__ULONG__TimeSelector), p__ULONG__TimeSelector,
                                             p__PEntry);
        });
}

void CTarnwick_FileTree::CreateFromRootVirtual(const char* p__PCHAR__NewName, ULONG p__ULONG__TimeSelector,
                                               CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    std::string l__string__ShortName = std::string(p__PCHAR__NewName).substr(0, 12);
    MakeCheckAndLink("CTarnwick_FileTree::CreateFromRootVirtual", "CreateFileTreeNodeAndKids", p__PCHAR__NewName,
                     p__PCTarnwick_FileTreeNode__Parent,
                     [&](CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__RealParent) {
                         return CreateFileTreeNodeAndKids(":", p__PCHAR__NewName, l__string__ShortName.c_str(),
                                                          FILE_ATTRIBUTE_DIRECTORY, 0,
                                                          p__PCTarnwick_FileTreeNode__RealParent, CurrentFileTime(),
                                                          p__ULONG__TimeSelector);
                     });
}

void CTarnwick_FileTree::CreateFromRootMemoryChecked(const void* p__PVOID__Memory, uint64_t p__ULONGLONG__Size,
                                                     const char* p__PCHAR__NewName, ULONG /*p__ULONG__TimeSelector*/,
                                                     CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    std::string l__string__Name = std::string(p__PCHAR__NewName).substr(0, 12);
    MakeCheckAndLink("CTarnwick_FileTree::CreateFromRootMemoryChecked", "CreateFileTreeNodeMemory", p__PCHAR__NewName,
                     p__PCTarnwick_FileTreeNode__Parent,
                     [&](CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__RealParent) {
                         return CreateFileTreeNodeMemory(p__PVOID__Memory, l__string__Name.c_str(),
                                                         l__string__Name.c_str(), p__ULONGLONG__Size,
                                                         p__PCTarnwick_FileTreeNode__RealParent, CurrentFileTime());
                     });
}

CTarnwick_FileTreeNode* CTarnwick_FileTree::CreateFileTreeNodeMemory(
    const void* p__PVOID__Memory, const char* p__PCHAR__LongFileName, const char* p__PCHAR__ShortFileName,
    uint64_t p__ULONGLONG__Size, CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
    LONGLONG p__LONGLONG__FileTime) {
    CTarnwick_FileTreeNode* l__PCTarnwick_FileTreeNode__Node =
        NewNumberedNode("CTarnwick_FileTree::CreateFileTreeNodeMemory", [&](ULONG p__ULONG__NodeNumber) {
            return NewFileTreeNodeMemoryItem(p__PVOID__Memory, p__PCHAR__LongFileName, p__PCHAR__ShortFileName,
                                             p__ULONGLONG__Size, p__PCTarnwick_FileTreeNode__Parent, p__ULONG__NodeNumber,
                                             p__LONGLONG__FileTime);
        });
    OnAddNode(l__PCTarnwick_FileTreeNode__Node);
    return l__PCTarnwick_FileTreeNode__Node;
}

CTarnwick_FileTreeNode* CTarnwick_FileTree::CreateFileTreeNodeAndKids(
    const char* p__PCHAR__AbsolutePathAndFileName, const char* p__PCHAR__LongFileName,
    const char* p__PCHAR__ShortFileName, ULONG p__ULONG__Attributes, uint64_t p__ULONGLONG__Size,
    CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent, LONGLONG p__LONGLONG__FileTime,
    ULONG p__ULONG__TimeSelector, const PlatformDirectoryEntry* p__PEntry) {
    if (m__BOOLEAN__IsCancelCreation) {
        CTarnwick_Exception::Raise(g__PCHAR__CreateFileTreeNodeAndKids, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_CANCELLED, 0,
                                   "CTarnwick_FileTree::CreateFileTreeNodeAndKids(): m__BOOLEAN__IsCancelCreation == "
                                   "TRUE!!!");
    }
    CTarnwick_FileTreeNode* l__PCTarnwick_FileTreeNode__Node =
        NewNumberedNode(g__PCHAR__CreateFileTreeNodeAndKids, [&](ULONG p__ULONG__NodeNumber) {
            return NewFileTreeNodeItem(p__PCHAR__AbsolutePathAndFileName, p__PCHAR__LongFileName, p__PCHAR__ShortFileName,
                                       p__ULONG__Attributes, p__ULONGLONG__Size, p__PCTarnwick_FileTreeNode__Parent,
                                       p__ULONG__NodeNumber, p__LONGLONG__FileTime, 0);
        });
    if (p__PEntry != nullptr) {
        OnNodeFromEntry(l__PCTarnwick_FileTreeNode__Node, *p__PEntry);
    }
    bool l__BOOLEAN__IsRoot = p__PCHAR__AbsolutePathAndFileName[0] == '/' && p__PCHAR__LongFileName[0] == '/' &&
                              p__PCHAR__ShortFileName[0] == '/';
    if (l__PCTarnwick_FileTreeNode__Node->IsDirectory() && p__PCHAR__AbsolutePathAndFileName[0] != ':' &&
        !l__BOOLEAN__IsRoot) {
        try {
            CreateKids(l__PCTarnwick_FileTreeNode__Node, p__ULONG__TimeSelector);
        } catch (CTarnwick_Exception*) {
            DeleteNode(&l__PCTarnwick_FileTreeNode__Node);
            throw;
        }
    }
    OnAddNode(l__PCTarnwick_FileTreeNode__Node);
    return l__PCTarnwick_FileTreeNode__Node;
}

void CTarnwick_FileTree::CreateKids(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node,
                                    ULONG p__ULONG__TimeSelector) {
    const std::string& l__string__Path = p__PCTarnwick_FileTreeNode__Node->m__string__AbsolutePathAndFileName;
    std::vector<PlatformDirectoryEntry> l__Entries;
    bool l__BOOLEAN__OpenFailed = false;
    uint64_t l__ULONGLONG__Device = 0;
    uint64_t l__ULONGLONG__Inode = 0;
    if (!PlatformDirectory::Identity(l__string__Path, &l__ULONGLONG__Device, &l__ULONGLONG__Inode) ||
        !PlatformDirectory::List(l__string__Path, l__Entries, &l__BOOLEAN__OpenFailed, IsKeepingLinks())) {
        ULONG l__ULONG__Error = GetLastError();
        if (l__BOOLEAN__OpenFailed || l__Entries.empty()) {
            CTarnwick_Exception::Raise(g__PCHAR__CreateFileTreeNodeAndKids, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                       EXCEPTION_NUMBER_SYSTEM_ERROR, l__ULONG__Error,
                                       "CTarnwick_FileTree::CreateFileTreeNodeAndKids(): FindFirstFile( '%s/*' ) failed, "
                                       "status %ld!!!",
                                       l__string__Path.c_str(), static_cast<long>(l__ULONG__Error));
        }
        CTarnwick_Exception::Raise(g__PCHAR__CreateFileTreeNodeAndKids, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_SYSTEM_ERROR, l__ULONG__Error,
                                   "CTarnwick_FileTree::CreateFileTreeNodeAndKids(): FindNextFile() failed, status "
                                   "%ld!!!",
                                   static_cast<long>(l__ULONG__Error));
    }
    WalkedDirectoryScope l__Scope(m__WalkedDirectories, {l__ULONGLONG__Device, l__ULONGLONG__Inode});
    for (const PlatformDirectoryEntry& l__Entry : l__Entries) {
        std::string l__string__KidPath = l__string__Path + "/" + l__Entry.m__string__Name;
        if ((l__Entry.m__ULONG__Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
            std::find(m__WalkedDirectories.begin(), m__WalkedDirectories.end(),
                      std::make_pair(l__Entry.m__ULONGLONG__Device, l__Entry.m__ULONGLONG__Inode)) !=
                m__WalkedDirectories.end()) {
            // A link back to a directory being walked: walking it would never end.
            DebugPrint("\nCTarnwick_FileTree::CreateFileTreeNodeAndKids(): WARNING! '%s' leads back to a directory of "
                       "its own path, skipped!!!\n",
                       l__string__KidPath.c_str());
            Report(IGNORE_NAME, const_cast<char*>(l__string__KidPath.c_str()), nullptr);
            continue;
        }
        const std::string& l__string__ShortName =
            l__Entry.m__string__AlternateName.empty() ? l__Entry.m__string__Name : l__Entry.m__string__AlternateName;
        CTarnwick_FileTreeNode* l__PCTarnwick_FileTreeNode__Kid = nullptr;
        try {
            l__PCTarnwick_FileTreeNode__Kid = CreateFileTreeNodeAndKids(
                l__string__KidPath.c_str(), l__Entry.m__string__Name.c_str(), l__string__ShortName.c_str(),
                l__Entry.m__ULONG__Attributes, l__Entry.m__ULONGLONG__Size, p__PCTarnwick_FileTreeNode__Node,
                SelectFileTime(l__Entry, p__ULONG__TimeSelector), p__ULONG__TimeSelector, &l__Entry);
        } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
            if (!m__BOOLEAN__IsIgnoreErrors || IsCancellation(l__PCTarnwick_Exception__Exception)) {
                DebugPrint("\nCTarnwick_FileTree::CreateFileTreeNodeAndKids(): CreateFileTreeNodeAndKids() failed, ignore "
                           "== FALSE!!!\n");
                throw;
            }
            DebugPrint("\nCTarnwick_FileTree::CreateFileTreeNodeAndKids(): CreateFileTreeNodeAndKids() failed, ignore "
                       "== TRUE\n");
            DebugPrint("CTarnwick_FileTree::CreateFileTreeNodeAndKids(): WARNING! Exception number 0x%08X, exception "
                       "text '%s'!!!\n",
                       l__PCTarnwick_Exception__Exception != nullptr ? l__PCTarnwick_Exception__Exception->GetExceptionNumber() : 0u,
                       l__PCTarnwick_Exception__Exception != nullptr ? l__PCTarnwick_Exception__Exception->GetExceptionText() : "");
            delete l__PCTarnwick_Exception__Exception;
        }
        if (l__PCTarnwick_FileTreeNode__Kid == nullptr) {
            Report(IGNORE_NAME, const_cast<char*>(l__string__KidPath.c_str()), nullptr);
        } else if (CheckName(p__PCTarnwick_FileTreeNode__Node, l__PCTarnwick_FileTreeNode__Kid)) {
            DeleteNode(&l__PCTarnwick_FileTreeNode__Kid);
        } else {
            LinkKid(p__PCTarnwick_FileTreeNode__Node, l__PCTarnwick_FileTreeNode__Kid);
        }
    }
}

void CTarnwick_FileTree::OnNodeFromEntry(CTarnwick_FileTreeNode* /*p__PCTarnwick_FileTreeNode__Node*/,
                                         const PlatformDirectoryEntry& /*p__Entry*/) {}

BOOLEAN CTarnwick_FileTree::RenameNode(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node,
                                       const char* p__PCHAR__LongFileName, const char* p__PCHAR__ShortFileName) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    CTarnwick_FileTreeNode* l__PCTarnwick_FileTreeNode__Parent = p__PCTarnwick_FileTreeNode__Node != nullptr
                                                                     ? p__PCTarnwick_FileTreeNode__Node->m__PCTarnwick_FileTreeNode__Parent
                                                                     : nullptr;
    if (l__PCTarnwick_FileTreeNode__Parent == nullptr || !p__PCTarnwick_FileTreeNode__Node->m__BOOLEAN__IsLinked) {
        return FALSE;
    }
    OnRemoveNode(p__PCTarnwick_FileTreeNode__Node);
    OnKidUnlisted(l__PCTarnwick_FileTreeNode__Parent, p__PCTarnwick_FileTreeNode__Node);
    p__PCTarnwick_FileTreeNode__Node->m__string__LongFileName =
        std::string(p__PCHAR__LongFileName).substr(0, TARNWICK_MAX_PATH - 1);
    std::string l__string__ShortName(p__PCHAR__ShortFileName);
    p__PCTarnwick_FileTreeNode__Node->m__string__ShortFileName =
        l__string__ShortName.substr(0, l__string__ShortName.size() > 12 ? 31 : TARNWICK_MAX_PATH - 1);
    p__PCTarnwick_FileTreeNode__Node->RebuildIdentifier();
    OnKidListed(l__PCTarnwick_FileTreeNode__Parent, p__PCTarnwick_FileTreeNode__Node);
    OnAddNode(p__PCTarnwick_FileTreeNode__Node);
    OnLinkKid(l__PCTarnwick_FileTreeNode__Parent, p__PCTarnwick_FileTreeNode__Node);
    return TRUE;
}

CTarnwick_FileTreeNode* CTarnwick_FileTree::GetFirstKid(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    return p__PCTarnwick_FileTreeNode__Node != nullptr ? p__PCTarnwick_FileTreeNode__Node->m__PCTarnwick_FileTreeNode__FirstKid
                                                       : nullptr;
}

CTarnwick_FileTreeNode* CTarnwick_FileTree::GetNextKid(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    return p__PCTarnwick_FileTreeNode__Kid != nullptr ? p__PCTarnwick_FileTreeNode__Kid->m__PCTarnwick_FileTreeNode__Next
                                                      : nullptr;
}

CTarnwick_FileTreeNode* CTarnwick_FileTree::GetParent(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    return p__PCTarnwick_FileTreeNode__Node != nullptr ? p__PCTarnwick_FileTreeNode__Node->m__PCTarnwick_FileTreeNode__Parent
                                                       : nullptr;
}

ULONG CTarnwick_FileTree::GetAttributes(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    return p__PCTarnwick_FileTreeNode__Node != nullptr ? p__PCTarnwick_FileTreeNode__Node->m__ULONG__Attributes : 0;
}

void CTarnwick_FileTree::GetNames(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node,
                                  PCHAR p__PCHAR__AbsolutePathAndFileName, PCHAR p__PCHAR__LongFileName,
                                  PCHAR p__PCHAR__ShortFileName) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__Lock);
    const std::string* l__Names[3] = {&p__PCTarnwick_FileTreeNode__Node->m__string__AbsolutePathAndFileName,
                                      &p__PCTarnwick_FileTreeNode__Node->m__string__LongFileName,
                                      &p__PCTarnwick_FileTreeNode__Node->m__string__ShortFileName};
    PCHAR l__Targets[3] = {p__PCHAR__AbsolutePathAndFileName, p__PCHAR__LongFileName, p__PCHAR__ShortFileName};
    for (int l__INT__Index = 0; l__INT__Index < 3; ++l__INT__Index) {
        if (l__Targets[l__INT__Index] != nullptr) {
            std::memset(l__Targets[l__INT__Index], 0, TARNWICK_MAX_PATH);
            std::memcpy(l__Targets[l__INT__Index], l__Names[l__INT__Index]->data(),
                        std::min<size_t>(l__Names[l__INT__Index]->size(), TARNWICK_MAX_PATH - 1));
        }
    }
}
