#pragma once
#include <cstdint>
#include <string>

#include "PlatformLocalTime.h"
#include "tarnwick_types.h"

// File attributes as the trees record them.
inline constexpr ULONG FILE_ATTRIBUTE_HIDDEN = 0x02;
inline constexpr ULONG FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr ULONG FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr ULONG FILE_ATTRIBUTE_NORMAL = 0x80;
// Path and name limit of the trees (a length must stay below it).
inline constexpr ULONG TARNWICK_MAX_PATH = 260;

class CTarnwick_FileTree;

// One file or directory of a file tree. A directory holds its kids in a doubly linked
// list in the order they were linked. The tree creates, links and deletes nodes.
class CTarnwick_FileTreeNode {
public:
    // Raises EXCEPTION_NUMBER_INVALID_PARAMETER when the absolute path or the long name
    // has 260 characters or more, or the short name 13 or more. p__LONGLONG__FileTime is
    // in Unix seconds; the node keeps it as a local date.
    CTarnwick_FileTreeNode(const char* p__PCHAR__AbsolutePathAndFileName, const char* p__PCHAR__LongFileName,
                           const char* p__PCHAR__ShortFileName, ULONG p__ULONG__Attributes, uint64_t p__ULONGLONG__Size,
                           CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent, ULONG p__ULONG__NodeNumber,
                           LONGLONG p__LONGLONG__FileTime);
    virtual ~CTarnwick_FileTreeNode();
    CTarnwick_FileTreeNode(const CTarnwick_FileTreeNode&) = delete;
    CTarnwick_FileTreeNode& operator=(const CTarnwick_FileTreeNode&) = delete;

    // Recomputes the name a disc format writes from the names (nothing here).
    virtual void RebuildIdentifier() {}

    BOOLEAN IsDirectory() const { return (m__ULONG__Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    const std::string& GetAbsolutePathAndFileName() const { return m__string__AbsolutePathAndFileName; }
    const std::string& GetLongFileName() const { return m__string__LongFileName; }
    const std::string& GetShortFileName() const { return m__string__ShortFileName; }
    uint64_t GetSize() const { return m__ULONGLONG__Size; }
    CTarnwick_FileTreeNode* GetParent() const { return m__PCTarnwick_FileTreeNode__Parent; }
    CTarnwick_FileTreeNode* GetFirstKid() const { return m__PCTarnwick_FileTreeNode__FirstKid; }
    CTarnwick_FileTreeNode* GetNextSibling() const { return m__PCTarnwick_FileTreeNode__Next; }
    ULONG GetNodeNumber() const { return m__ULONG__NodeNumber; }
    ULONG GetLevel() const { return m__ULONG__Level; }
    ULONG GetAttributes() const { return m__ULONG__Attributes; }
    const PlatformLocalTimeValue& GetDateTime() const { return m__DateTime; }
    BOOLEAN IsAdded() const { return m__BOOLEAN__IsAdded; }
    // True while the node is in its parent's list of kids.
    BOOLEAN IsLinked() const { return m__BOOLEAN__IsLinked; }
    // True while the node is being deleted with its subtree.
    BOOLEAN IsDying() const { return m__BOOLEAN__IsDying; }
    // The number of the link that put the node into its parent's list (grows with every link).
    uint64_t GetLinkOrdinal() const { return m__ULONGLONG__LinkOrdinal; }

protected:
    friend class CTarnwick_FileTree;

    CTarnwick_FileTreeNode* m__PCTarnwick_FileTreeNode__Next;
    CTarnwick_FileTreeNode* m__PCTarnwick_FileTreeNode__Previous;
    std::string m__string__AbsolutePathAndFileName;
    BOOLEAN m__BOOLEAN__IsAdded;
    BOOLEAN m__BOOLEAN__IsLinked;
    BOOLEAN m__BOOLEAN__IsDying;
    std::string m__string__LongFileName;
    std::string m__string__ShortFileName;
    uint64_t m__ULONGLONG__Size;
    CTarnwick_FileTreeNode* m__PCTarnwick_FileTreeNode__Parent;
    ULONG m__ULONG__NodeNumber;
    ULONG m__ULONG__Level;
    ULONG m__ULONG__Attributes;
    PlatformLocalTimeValue m__DateTime;
    CTarnwick_FileTreeNode* m__PCTarnwick_FileTreeNode__FirstKid;
    CTarnwick_FileTreeNode* m__PCTarnwick_FileTreeNode__LastKid;
    uint64_t m__ULONGLONG__LinkOrdinal;
};
