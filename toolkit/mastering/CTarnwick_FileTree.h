#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "CTarnwick_EmptyBase.h"
#include "CTarnwick_FileTreeNode.h"
#include "PlatformRecursiveLock.h"
#include "tarnwick_types.h"

struct PlatformDirectoryEntry;

// The directory tree a disc image is mastered from: local files and directories walked
// from the file system, virtual directories and memory blocks. Every addition, removal,
// skipped name and name collision is reported through the progress callback. Disc
// formats derive from it and supply their nodes, name checks and size bookkeeping.
class CTarnwick_FileTree : public CTarnwick_EmptyBase {
public:
    // Time selectors of the add operations.
    static constexpr ULONG TimeCreation = 0;
    static constexpr ULONG TimeLastAccess = 1;
    static constexpr ULONG TimeLastWrite = 2;

    CTarnwick_FileTree(PROGRESS_CALLBACK p__Callback, PVOID p__PVOID__Context, BOOLEAN p__BOOLEAN__IsIgnoreErrors);
    ~CTarnwick_FileTree() override;
    CTarnwick_FileTree(const CTarnwick_FileTree&) = delete;
    CTarnwick_FileTree& operator=(const CTarnwick_FileTree&) = delete;

    // Makes a node whose contents are a memory block (the block stays the caller's).
    virtual CTarnwick_FileTreeNode* NewFileTreeNodeMemoryItem(const void* p__PVOID__Memory,
                                                              const char* p__PCHAR__LongFileName,
                                                              const char* p__PCHAR__ShortFileName,
                                                              uint64_t p__ULONGLONG__Size,
                                                              CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                                                              ULONG p__ULONG__NodeNumber, LONGLONG p__LONGLONG__FileTime) = 0;
    // Makes a node for a local file or directory, or with p__BOOLEAN__IsImported for one
    // read from a session already on the disc; p__ULONG__Flags is then the extent location
    // of its contents there (which may be 0 for an empty file).
    virtual CTarnwick_FileTreeNode* NewFileTreeNodeItem(const char* p__PCHAR__AbsolutePathAndFileName,
                                                        const char* p__PCHAR__LongFileName,
                                                        const char* p__PCHAR__ShortFileName, ULONG p__ULONG__Attributes,
                                                        uint64_t p__ULONGLONG__Size,
                                                        CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                                                        ULONG p__ULONG__NodeNumber, LONGLONG p__LONGLONG__FileTime,
                                                        ULONG p__ULONG__Flags, BOOLEAN p__BOOLEAN__IsImported = FALSE);
    // A node is complete: reports ADD_NAME, raises the deepest level, marks it added.
    virtual void OnAddNode(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node);
    // A node is being freed: reports REMOVE_NAME.
    virtual void OnRemoveNode(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node);
    // A kid was linked under an existing directory.
    virtual void OnLinkKid(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                           CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid);
    // True when the kid must not be added under the parent.
    virtual BOOLEAN CheckName(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                              CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid) = 0;
    // Gives a node new names; false when the node is not among its parent's kids.
    virtual BOOLEAN RenameNode(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node,
                               const char* p__PCHAR__LongFileName, const char* p__PCHAR__ShortFileName);

    // Adds a local file or directory with everything below it (or, without a path, a
    // virtual directory named p__PCHAR__NewName) under *p__PPCTarnwick_FileTreeNode__Parent,
    // or under the root when that holds null (it then receives the root). A path that is
    // not an entry of its own ("/") contributes its entries instead.
    void CreateFromRoot(const char* p__PCHAR__AbsolutePathAndFileName, const char* p__PCHAR__NewName,
                        ULONG p__ULONG__TimeSelector, CTarnwick_FileTreeNode** p__PPCTarnwick_FileTreeNode__Parent);
    // Adds every entry of a local directory (with its subtree) directly under the parent
    // (the root when null), as CreateFromRoot does for "/".
    void CreateFromDirectoryContents(const char* p__PCHAR__Directory, ULONG p__ULONG__TimeSelector,
                                     CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent);
    void CreateFromRootChecked(const char* p__PCHAR__AbsolutePathAndFileName, const char* p__PCHAR__NewName,
                               ULONG p__ULONG__TimeSelector, CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent);
    void CreateFromRootVirtual(const char* p__PCHAR__NewName, ULONG p__ULONG__TimeSelector,
                               CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent);
    void CreateFromRootMemoryChecked(const void* p__PVOID__Memory, uint64_t p__ULONGLONG__Size,
                                     const char* p__PCHAR__NewName, ULONG p__ULONG__TimeSelector,
                                     CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent);
    // Makes one node and, for a real directory, every node below it; the node is not linked.
    // p__PEntry, when given, is what the file system says of the path (the node keeps
    // what its format needs of it).
    CTarnwick_FileTreeNode* CreateFileTreeNodeAndKids(const char* p__PCHAR__AbsolutePathAndFileName,
                                                      const char* p__PCHAR__LongFileName,
                                                      const char* p__PCHAR__ShortFileName, ULONG p__ULONG__Attributes,
                                                      uint64_t p__ULONGLONG__Size,
                                                      CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                                                      LONGLONG p__LONGLONG__FileTime, ULONG p__ULONG__TimeSelector,
                                                      const PlatformDirectoryEntry* p__PEntry = nullptr);
    CTarnwick_FileTreeNode* CreateFileTreeNodeMemory(const void* p__PVOID__Memory, const char* p__PCHAR__LongFileName,
                                                     const char* p__PCHAR__ShortFileName, uint64_t p__ULONGLONG__Size,
                                                     CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                                                     LONGLONG p__LONGLONG__FileTime);
    // Deletes a node with its subtree (REMOVE_NAME for each, kids first) and clears the pointer.
    // A linked node is unlinked from its parent first.
    void DeleteNode(CTarnwick_FileTreeNode** p__PPCTarnwick_FileTreeNode__Node);

    // Node queries (under the lock).
    CTarnwick_FileTreeNode* GetFirstKid(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node);
    CTarnwick_FileTreeNode* GetNextKid(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid);
    CTarnwick_FileTreeNode* GetParent(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node);
    ULONG GetAttributes(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node);
    // Copies the three names, each cut to 259 characters and zero-terminated in 260 bytes.
    void GetNames(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node, PCHAR p__PCHAR__AbsolutePathAndFileName,
                  PCHAR p__PCHAR__LongFileName, PCHAR p__PCHAR__ShortFileName);

    CTarnwick_FileTreeNode* GetRoot() const { return m__PCTarnwick_FileTreeNode__Root; }
    ULONG GetTreeLevel() const { return m__ULONG__DeepestLevel; }
    ULONG GetNodeCount() const { return m__ULONG__NodeCount; }
    PlatformRecursiveLock& GetLock() { return m__Lock; }

    // Set by any thread to stop a running walk with EXCEPTION_NUMBER_CANCELLED.
    std::atomic<BOOLEAN> m__BOOLEAN__IsCancelCreation;

protected:
    // Makes the root on first use and returns it.
    CTarnwick_FileTreeNode* MakeRoot();
    // Puts a kid at the end of the parent's list / takes it out again (the parent pointer stays).
    void LinkKid(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                 CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid);
    void UnlinkKid(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                   CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid);
    // Told after a kid entered or left its parent's list, and around a change of its names.
    virtual void OnKidListed(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                             CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid);
    virtual void OnKidUnlisted(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                               CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Kid);
    void Report(ULONG p__ULONG__Reason, PVOID p__PVOID__Parameter1, PVOID p__PVOID__Parameter2);
    // A node was made from a file-system entry, before it is announced (nothing here).
    virtual void OnNodeFromEntry(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node,
                                 const PlatformDirectoryEntry& p__Entry);
    // True when walks record symbolic links as links instead of following them.
    virtual bool IsKeepingLinks() const { return false; }
    // Every node is made here: p__Make makes it with the next node number. When it throws
    // or gives no node, the count is restored; no node raises EXCEPTION_NUMBER_OUT_OF_MEMORY
    // naming p__PCHAR__Where.
    CTarnwick_FileTreeNode* NewNumberedNode(const char* p__PCHAR__Where,
                                            const std::function<CTarnwick_FileTreeNode*(ULONG)>& p__Make);
    // Links a made node as the parent's last kid and tells OnLinkKid, unless CheckName
    // throws it away (it is then deleted). True when it was linked.
    BOOLEAN LinkChecked(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                        CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node);
    // Deletes every node; derived destructors call it so that their own bookkeeping runs.
    void DeleteAll();

    BOOLEAN m__BOOLEAN__IsIgnoreErrors;
    PROGRESS_CALLBACK m__PROGRESS_CALLBACK__Callback;
    PVOID m__PVOID__Context;
    PlatformRecursiveLock m__Lock;
    ULONG m__ULONG__DeepestLevel;
    ULONG m__ULONG__NodeCount;
    CTarnwick_FileTreeNode* m__PCTarnwick_FileTreeNode__Root;

private:
    // Adds one found entry (or, when p__PEntry is null, a path that could not be found).
    void CreateFromFoundEntry(const std::string& p__string__Path, const PlatformDirectoryEntry* p__PEntry,
                              const char* p__PCHAR__NewName, ULONG p__ULONG__TimeSelector,
                              CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent);
    // Makes the node and, unless it is dropped, links it with the name check and OnLinkKid;
    // shared by the checked, virtual and memory adds.
    template <class Make>
    void MakeCheckAndLink(const char* p__PCHAR__Where, const char* p__PCHAR__What, const char* p__PCHAR__ReportName,
                          CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent, Make&& p__Make);
    // Walks the entries of a directory node into kids.
    void CreateKids(CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Node, ULONG p__ULONG__TimeSelector);

    // The file time of a directory entry chosen by a time selector.
    static LONGLONG SelectFileTime(const PlatformDirectoryEntry& p__Entry, ULONG p__ULONG__TimeSelector);

    uint64_t m__ULONGLONG__LinkCount;
    // Identities (device, inode) of the directories being walked, to find link cycles.
    std::vector<std::pair<uint64_t, uint64_t>> m__WalkedDirectories;
};
