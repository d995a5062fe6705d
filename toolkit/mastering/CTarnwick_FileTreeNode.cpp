#include "CTarnwick_FileTreeNode.h"

#include <cstring>

#include "CTarnwick_Exception.h"
#include "DebugPrint.h"

namespace {
const char* const g__PCHAR__NodeName = "CTarnwick_FileTreeNode::CTarnwick_FileTreeNode";
}

CTarnwick_FileTreeNode::CTarnwick_FileTreeNode(const char* p__PCHAR__AbsolutePathAndFileName,
                                               const char* p__PCHAR__LongFileName, const char* p__PCHAR__ShortFileName,
                                               ULONG p__ULONG__Attributes, uint64_t p__ULONGLONG__Size,
                                               CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                                               ULONG p__ULONG__NodeNumber, LONGLONG p__LONGLONG__FileTime)
    : m__PCTarnwick_FileTreeNode__Next(nullptr),
      m__PCTarnwick_FileTreeNode__Previous(nullptr),
      m__BOOLEAN__IsAdded(FALSE),
      m__BOOLEAN__IsLinked(FALSE),
      m__BOOLEAN__IsDying(FALSE),
      m__ULONGLONG__Size(p__ULONGLONG__Size),
      m__PCTarnwick_FileTreeNode__Parent(p__PCTarnwick_FileTreeNode__Parent),
      m__ULONG__NodeNumber(p__ULONG__NodeNumber),
      m__ULONG__Level(p__PCTarnwick_FileTreeNode__Parent != nullptr ? p__PCTarnwick_FileTreeNode__Parent->m__ULONG__Level + 1
                                                                     : 1),
      m__ULONG__Attributes(p__ULONG__Attributes),
      m__DateTime{},
      m__PCTarnwick_FileTreeNode__FirstKid(nullptr),
      m__PCTarnwick_FileTreeNode__LastKid(nullptr),
      m__ULONGLONG__LinkOrdinal(0) {
    size_t l__SIZE__Length = std::strlen(p__PCHAR__AbsolutePathAndFileName);
    if (l__SIZE__Length >= TARNWICK_MAX_PATH) {
        CTarnwick_Exception::Raise(
            g__PCHAR__NodeName, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
            "CTarnwick_FileTreeNode::CTarnwick_FileTreeNode(): strlen( p__PCHAR__AbsolutePathAndFileName ) == %ld "
            "exceeds (>=) %ld!!!",
            static_cast<long>(l__SIZE__Length), static_cast<long>(TARNWICK_MAX_PATH));
    }
    l__SIZE__Length = std::strlen(p__PCHAR__LongFileName);
    if (l__SIZE__Length >= TARNWICK_MAX_PATH) {
        CTarnwick_Exception::Raise(
            g__PCHAR__NodeName, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
            "CTarnwick_FileTreeNode::CTarnwick_FileTreeNode(): strlen( p__PCHAR__LongFileName ) == %ld exceeds (>=) "
            "%ld!!!",
            static_cast<long>(l__SIZE__Length), static_cast<long>(TARNWICK_MAX_PATH));
    }
    l__SIZE__Length = std::strlen(p__PCHAR__ShortFileName);
    if (l__SIZE__Length >= 13) {
        CTarnwick_Exception::Raise(
            g__PCHAR__NodeName, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
            "CTarnwick_FileTreeNode::CTarnwick_FileTreeNode(): strlen( p__PCHAR__ShortFileName ) == %ld exceeds (>=) "
            "%ld!!!",
            static_cast<long>(l__SIZE__Length), 13L);
    }
    m__string__AbsolutePathAndFileName = p__PCHAR__AbsolutePathAndFileName;
    m__string__LongFileName = p__PCHAR__LongFileName;
    m__string__ShortFileName = p__PCHAR__ShortFileName;
    // A time without a local date leaves the date all zero.
    int l__INT__Error = 0;
    m__DateTime = PlatformLocalTime::FromUnixTime(p__LONGLONG__FileTime, &l__INT__Error);
    if (l__INT__Error != 0) {
        DebugPrint("\nCTarnwick_FileTreeNode::CTarnwick_FileTreeNode(): FileTimeToLocalFileTime() failed, status %ld!!!\n",
                   static_cast<long>(l__INT__Error));
    }
}

CTarnwick_FileTreeNode::~CTarnwick_FileTreeNode() = default;
