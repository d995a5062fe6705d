#include "CTarnwick_JolietFileTreeNode.h"

#include "CTarnwick_Utf16.h"

namespace {

// An extension longer than this is part of the name rather than a type, and may be cut.
const size_t g__SIZE__MaximumExtensionUnits = 32;

}  // namespace

CTarnwick_JolietFileTreeNode::CTarnwick_JolietFileTreeNode(
    const char* p__PCHAR__AbsolutePathAndFileName, const char* p__PCHAR__LongFileName,
    const char* p__PCHAR__ShortFileName, ULONG p__ULONG__Attributes, uint64_t p__ULONGLONG__Size,
    CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent, ULONG p__ULONG__NodeNumber,
    LONGLONG p__LONGLONG__FileTime, ULONG p__ULONG__ExtentLocation, BOOLEAN p__BOOLEAN__IsKeepFilesOpen,
    BOOLEAN p__BOOLEAN__IsLongNames, BOOLEAN p__BOOLEAN__IsImported)
    : CTarnwick_ISO9660FileTreeNode(p__PCHAR__AbsolutePathAndFileName, p__PCHAR__LongFileName, p__PCHAR__ShortFileName,
                                    p__ULONG__Attributes, p__ULONGLONG__Size, p__PCTarnwick_FileTreeNode__Parent,
                                    p__ULONG__NodeNumber, p__LONGLONG__FileTime, p__ULONG__ExtentLocation,
                                    p__BOOLEAN__IsKeepFilesOpen, p__BOOLEAN__IsLongNames, p__BOOLEAN__IsImported) {
    m__string__JolietName = CTarnwick_Utf16::ToBigEndian(MakeJolietName(m__string__LongFileName, !IsDirectory()));
}

CTarnwick_JolietFileTreeNode::CTarnwick_JolietFileTreeNode(const void* p__PVOID__Memory,
                                                           const char* p__PCHAR__LongFileName,
                                                           const char* p__PCHAR__ShortFileName,
                                                           uint64_t p__ULONGLONG__Size,
                                                           CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                                                           ULONG p__ULONG__NodeNumber, LONGLONG p__LONGLONG__FileTime)
    : CTarnwick_ISO9660FileTreeNode(p__PVOID__Memory, p__PCHAR__LongFileName, p__PCHAR__ShortFileName, p__ULONGLONG__Size,
                                    p__PCTarnwick_FileTreeNode__Parent, p__ULONG__NodeNumber, p__LONGLONG__FileTime) {
    m__string__JolietName = CTarnwick_Utf16::ToBigEndian(MakeJolietName(m__string__LongFileName, true));
}

void CTarnwick_JolietFileTreeNode::RebuildIdentifier() {
    CTarnwick_ISO9660FileTreeNode::RebuildIdentifier();
    m__string__JolietName = CTarnwick_Utf16::ToBigEndian(MakeJolietName(m__string__LongFileName, !IsDirectory()));
}

void CTarnwick_JolietFileTreeNode::SetJolietName(const std::u16string& p__u16string__Name) {
    m__string__JolietName = CTarnwick_Utf16::ToBigEndian(FitJolietName(p__u16string__Name));
}

std::u16string CTarnwick_JolietFileTreeNode::MakeJolietName(const std::string& p__string__LongFileName, bool p__bool__IsFile) {
    std::u16string l__u16string__Name = CTarnwick_Utf16::FromUtf8(p__string__LongFileName);
    // Readers take the last ";" for the start of the version: any other would cut the
    // name short, so it becomes "_". A directory has no version.
    for (char16_t& l__char16_t__Unit : l__u16string__Name) {
        if (l__char16_t__Unit == u';') {
            l__char16_t__Unit = u'_';
        }
    }
    if (p__bool__IsFile) {
        l__u16string__Name += u";1";
    }
    return FitJolietName(l__u16string__Name);
}

std::u16string CTarnwick_JolietFileTreeNode::FitJolietName(const std::u16string& p__u16string__Name,
                                                           const std::u16string& p__u16string__Tail) {
    if (p__u16string__Name.size() + p__u16string__Tail.size() <= MaximumNameUnits && p__u16string__Tail.empty()) {
        return p__u16string__Name;
    }
    size_t l__SIZE__Version = p__u16string__Name.rfind(u';');
    if (l__SIZE__Version == std::u16string::npos) {
        l__SIZE__Version = p__u16string__Name.size();
    }
    std::u16string l__u16string__Version = p__u16string__Name.substr(l__SIZE__Version);
    std::u16string l__u16string__Stem = p__u16string__Name.substr(0, l__SIZE__Version);
    std::u16string l__u16string__Extension;
    size_t l__SIZE__Dot = l__u16string__Stem.rfind(u'.');
    if (l__SIZE__Dot != std::u16string::npos && l__SIZE__Dot > 0 &&
        l__u16string__Stem.size() - l__SIZE__Dot <= g__SIZE__MaximumExtensionUnits) {
        l__u16string__Extension = l__u16string__Stem.substr(l__SIZE__Dot);
        l__u16string__Stem.resize(l__SIZE__Dot);
    }
    size_t l__SIZE__Fixed = l__u16string__Version.size() + p__u16string__Tail.size() + l__u16string__Extension.size();
    if (l__SIZE__Fixed >= MaximumNameUnits) {
        // No room for a character of the stem: the extension goes first.
        l__u16string__Stem += l__u16string__Extension;
        l__u16string__Extension.clear();
        l__SIZE__Fixed = l__u16string__Version.size() + p__u16string__Tail.size();
    }
    size_t l__SIZE__Room = l__SIZE__Fixed < MaximumNameUnits ? MaximumNameUnits - l__SIZE__Fixed : 1;
    std::u16string l__u16string__Result = CTarnwick_Utf16::Cut(l__u16string__Stem, l__SIZE__Room);
    l__u16string__Result += p__u16string__Tail;
    l__u16string__Result += l__u16string__Extension;
    l__u16string__Result += l__u16string__Version;
    // A version or a tail that alone passes the limit is cut with the rest.
    return CTarnwick_Utf16::Cut(l__u16string__Result, MaximumNameUnits);
}
