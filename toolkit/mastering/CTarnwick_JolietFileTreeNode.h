#pragma once
#include <cstdint>
#include <string>

#include "CTarnwick_ISO9660FileTreeNode.h"

// A node of a tree that carries a Joliet hierarchy beside the ISO9660 one: besides its
// ISO9660 identifier it has a long name in UCS-2 (UTF-16, big-endian in the records) and,
// for a directory, the size and place of its Joliet directory. File extents are shared.
class CTarnwick_JolietFileTreeNode : public CTarnwick_ISO9660FileTreeNode {
public:
    // The most UTF-16 units a Joliet name has, version included. A directory record would
    // hold 110 (255 bytes, 34 of them plus two per unit), but readers take no more than
    // 103 units of a name and silently drop the rest, extension and all.
    static constexpr size_t MaximumNameUnits = 103;

    // A local file or directory (arguments as for the ISO9660 node).
    CTarnwick_JolietFileTreeNode(const char* p__PCHAR__AbsolutePathAndFileName, const char* p__PCHAR__LongFileName,
                                 const char* p__PCHAR__ShortFileName, ULONG p__ULONG__Attributes,
                                 uint64_t p__ULONGLONG__Size, CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                                 ULONG p__ULONG__NodeNumber, LONGLONG p__LONGLONG__FileTime,
                                 ULONG p__ULONG__ExtentLocation, BOOLEAN p__BOOLEAN__IsKeepFilesOpen,
                                 BOOLEAN p__BOOLEAN__IsLongNames, BOOLEAN p__BOOLEAN__IsImported = FALSE);
    // A file whose contents are a memory block.
    CTarnwick_JolietFileTreeNode(const void* p__PVOID__Memory, const char* p__PCHAR__LongFileName,
                                 const char* p__PCHAR__ShortFileName, uint64_t p__ULONGLONG__Size,
                                 CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent, ULONG p__ULONG__NodeNumber,
                                 LONGLONG p__LONGLONG__FileTime);

    // Rebuilds the ISO9660 identifier and the Joliet name from the names.
    void RebuildIdentifier() override;

    // The Joliet name of a long name: a file's gets ";1"; every ";" but a file's version
    // separator becomes "_"; the case stays; a name too long for its record is cut to fit.
    static std::u16string MakeJolietName(const std::string& p__string__LongFileName, bool p__bool__IsFile);
    // Fits a Joliet name into MaximumNameUnits units, with p__u16string__Tail put in before
    // its extension: the version (from the last ";") stays, the extension stays when there
    // is room, and the stem is cut (never inside a surrogate pair).
    static std::u16string FitJolietName(const std::u16string& p__u16string__Name,
                                        const std::u16string& p__u16string__Tail = std::u16string());

    // The Joliet name as it stands in the records (UTF-16 big-endian; two bytes per unit).
    const std::string& GetJolietName() const { return m__string__JolietName; }
    // Sets the Joliet name (host byte order); it is fitted as FitJolietName does.
    void SetJolietName(const std::u16string& p__u16string__Name);
    uint64_t GetJolietDirectoryLength() const { return m__ULONGLONG__JolietDirectoryLength; }
    uint64_t GetJolietDirectorySectors() const { return m__ULONGLONG__JolietDirectorySectors; }
    ULONG GetJolietExtentLocation() const { return m__ULONG__JolietExtentLocation; }

private:
    friend class CTarnwick_JolietFileTree;

    std::string m__string__JolietName;
    uint64_t m__ULONGLONG__JolietDirectoryLength = 68;  // an empty directory: "." and ".."
    uint64_t m__ULONGLONG__JolietDirectorySectors = 1;
    ULONG m__ULONG__JolietExtentLocation = 0;
};
