#include "CTarnwick_ISO9660FileTreeNode.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <new>

#include "CTarnwick_DiskFile.h"
#include "CTarnwick_Exception.h"
#include "CTarnwick_SectorPaddedMemoryFile.h"
#include "CTarnwick_UnLockedDiskFile.h"

namespace {
const char* const g__PCHAR__NodeName = "CTarnwick_ISO9660FileTreeNode::CTarnwick_ISO9660FileTreeNode";

void RaiseNoSource() {
    CTarnwick_Exception::Raise(g__PCHAR__NodeName, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                               "CTarnwick_ISO9660FileTreeNode::CTarnwick_ISO9660FileTreeNode(): m__PCTarnwick_File == "
                               "NULL!!!");
}
}  // namespace

CTarnwick_ISO9660FileTreeNode::CTarnwick_ISO9660FileTreeNode(
    const char* p__PCHAR__AbsolutePathAndFileName, const char* p__PCHAR__LongFileName,
    const char* p__PCHAR__ShortFileName, ULONG p__ULONG__Attributes, uint64_t p__ULONGLONG__Size,
    CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent, ULONG p__ULONG__NodeNumber,
    LONGLONG p__LONGLONG__FileTime, ULONG p__ULONG__ExtentLocation, BOOLEAN p__BOOLEAN__IsKeepFilesOpen,
    BOOLEAN p__BOOLEAN__IsLongNames, BOOLEAN p__BOOLEAN__IsImported)
    : CTarnwick_FileTreeNode(p__PCHAR__AbsolutePathAndFileName, p__PCHAR__LongFileName, p__PCHAR__ShortFileName,
                             p__ULONG__Attributes, p__ULONGLONG__Size, p__PCTarnwick_FileTreeNode__Parent,
                             p__ULONG__NodeNumber, p__LONGLONG__FileTime),
      m__ULONGLONG__SizeInSectors(SectorsOf(p__ULONGLONG__Size)),
      m__ULONGLONG__Power(p__ULONGLONG__Size),
      m__ULONG__ExtentLocation(p__ULONG__ExtentLocation),
      m__BOOLEAN__IsImported(p__BOOLEAN__IsImported) {
    size_t l__SIZE__Length = std::strlen(p__PCHAR__AbsolutePathAndFileName);
    if (l__SIZE__Length >= TARNWICK_MAX_PATH) {
        CTarnwick_Exception::Raise(g__PCHAR__NodeName, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_NAME_TOO_LONG, 0,
                                   "CTarnwick_ISO9660FileTreeNode::CTarnwick_ISO9660FileTreeNode(): strlen( '%s' ) == "
                                   "%ld ( >= %ld )!!!",
                                   p__PCHAR__AbsolutePathAndFileName, static_cast<long>(l__SIZE__Length),
                                   static_cast<long>(TARNWICK_MAX_PATH));
    }
    if (p__BOOLEAN__IsLongNames) {
        m__string__DiscIdentifier = CutName(m__string__LongFileName, 31);
        // Readers take ";" as the start of the version and drop a final "."; left in, two
        // different identifiers ("A;1" and "A", "B." and "B") would read as one name and
        // one file would be lost. Made plain here, such names meet in the collision check.
        std::replace(m__string__DiscIdentifier.begin(), m__string__DiscIdentifier.end(), ';', '_');
        while (m__string__DiscIdentifier.size() > 1 && m__string__DiscIdentifier.back() == '.') {
            m__string__DiscIdentifier.pop_back();
        }
        if (m__string__DiscIdentifier == ".") {
            m__string__DiscIdentifier = "_";
        }
    } else if (IsDirectory()) {
        m__string__DiscIdentifier = m__string__ShortFileName;
    } else {
        m__string__DiscIdentifier = m__string__ShortFileName + ";1";
    }
    UpperAscii(&m__string__DiscIdentifier);
    // An empty file has nothing to read: it gets no source, and is not opened (a
    // directory of many empty files would otherwise cost an open and a close each). An
    // imported file's contents are on the disc already, whatever its extent.
    if (!IsDirectory() && !p__BOOLEAN__IsImported && p__ULONGLONG__Size != 0) {
        uint64_t l__ULONGLONG__SourceSize = m__ULONGLONG__SizeInSectors * SectorSize;
        if (p__BOOLEAN__IsKeepFilesOpen) {
            m__PCTarnwick_File = new (std::nothrow) CTarnwick_DiskFile(p__PCHAR__AbsolutePathAndFileName, l__ULONGLONG__SourceSize);
        } else {
            // The source borrows the node's path (set once, in the base) rather than copy it.
            m__PCTarnwick_File = new (std::nothrow)
                CTarnwick_UnLockedDiskFile(m__string__AbsolutePathAndFileName, p__ULONGLONG__Size, l__ULONGLONG__SourceSize);
        }
        if (m__PCTarnwick_File == nullptr) {
            RaiseNoSource();
        }
    }
    SetRecordingDate();
}

CTarnwick_ISO9660FileTreeNode::CTarnwick_ISO9660FileTreeNode(const void* p__PVOID__Memory,
                                                             const char* p__PCHAR__LongFileName,
                                                             const char* p__PCHAR__ShortFileName,
                                                             uint64_t p__ULONGLONG__Size,
                                                             CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                                                             ULONG p__ULONG__NodeNumber, LONGLONG p__LONGLONG__FileTime)
    : CTarnwick_FileTreeNode("", p__PCHAR__LongFileName, p__PCHAR__ShortFileName, FILE_ATTRIBUTE_NORMAL,
                             p__ULONGLONG__Size, p__PCTarnwick_FileTreeNode__Parent, p__ULONG__NodeNumber,
                             p__LONGLONG__FileTime),
      m__ULONGLONG__SizeInSectors(SectorsOf(p__ULONGLONG__Size)),
      m__ULONGLONG__Power(p__ULONGLONG__Size),
      m__ULONG__ExtentLocation(0) {
    m__string__DiscIdentifier = m__string__ShortFileName + ";1";
    UpperAscii(&m__string__DiscIdentifier);
    m__PCTarnwick_File = new (std::nothrow) CTarnwick_SectorPaddedMemoryFile(p__PVOID__Memory, p__ULONGLONG__Size);
    if (m__PCTarnwick_File == nullptr) {
        RaiseNoSource();
    }
    SetRecordingDate();
}

CTarnwick_ISO9660FileTreeNode::~CTarnwick_ISO9660FileTreeNode() { delete m__PCTarnwick_File; }

void CTarnwick_ISO9660FileTreeNode::SetRecordingDate() { RecordingDateOf(m__DateTime, m__UCHAR__RecordingDate); }

void CTarnwick_ISO9660FileTreeNode::RecordingDateOf(const PlatformLocalTimeValue& p__DateTime, UCHAR* p__PUCHAR__Date) {
    if (p__DateTime.m__int__Month == 0) {
        // No local date: the record says "not specified" (all zero) rather than a date
        // made up from zeros.
        std::memset(p__PUCHAR__Date, 0, 7);
        return;
    }
    p__PUCHAR__Date[0] = static_cast<UCHAR>(p__DateTime.m__int__Year - 1900);
    p__PUCHAR__Date[1] = static_cast<UCHAR>(p__DateTime.m__int__Month);
    p__PUCHAR__Date[2] = static_cast<UCHAR>(p__DateTime.m__int__Day);
    p__PUCHAR__Date[3] = static_cast<UCHAR>(p__DateTime.m__int__Hour);
    p__PUCHAR__Date[4] = static_cast<UCHAR>(p__DateTime.m__int__Minute);
    p__PUCHAR__Date[5] = static_cast<UCHAR>(p__DateTime.m__int__Second);
    // The offset in 15-minute intervals east of GMT that held at that very moment, so
    // that a date in summer time is not an hour off.
    p__PUCHAR__Date[6] = static_cast<UCHAR>(static_cast<signed char>(p__DateTime.m__long__GmtOffsetSeconds / 900));
}

void CTarnwick_ISO9660FileTreeNode::SetRecordingDate(const UCHAR* p__PUCHAR__Date) {
    std::memcpy(m__UCHAR__RecordingDate, p__PUCHAR__Date, sizeof(m__UCHAR__RecordingDate));
}

void CTarnwick_ISO9660FileTreeNode::RebuildIdentifier() {
    m__string__DiscIdentifier = IsDirectory() ? m__string__ShortFileName : m__string__ShortFileName + ";1";
    UpperAscii(&m__string__DiscIdentifier);
}

void CTarnwick_ISO9660FileTreeNode::AddRecord(uint64_t* p__PULONGLONG__DirectoryLength, ULONG p__ULONG__RecordLength) {
    uint64_t l__ULONGLONG__Used = *p__PULONGLONG__DirectoryLength % SectorSize;
    if (l__ULONGLONG__Used + p__ULONG__RecordLength > SectorSize) {
        *p__PULONGLONG__DirectoryLength += SectorSize - l__ULONGLONG__Used;
    }
    *p__PULONGLONG__DirectoryLength += p__ULONG__RecordLength;
}

std::string CTarnwick_ISO9660FileTreeNode::CutName(const std::string& p__string__Name, size_t p__SIZE__Bytes) {
    if (p__string__Name.size() <= p__SIZE__Bytes) {
        return p__string__Name;
    }
    size_t l__SIZE__End = p__SIZE__Bytes;
    // Back off over continuation bytes so the last character stays whole.
    while (l__SIZE__End > 0 && (static_cast<unsigned char>(p__string__Name[l__SIZE__End]) & 0xC0) == 0x80) {
        --l__SIZE__End;
    }
    return p__string__Name.substr(0, l__SIZE__End);
}

void CTarnwick_ISO9660FileTreeNode::UpperAscii(std::string* p__Pstring__Name) {
    for (char& l__CHAR__Character : *p__Pstring__Name) {
        if (l__CHAR__Character >= 'a' && l__CHAR__Character <= 'z') {
            l__CHAR__Character = static_cast<char>(l__CHAR__Character - 32);
        }
    }
}

ULONG CTarnwick_ISO9660FileTreeNode::GetRecordLength() const {
    return RecordLengthOf(static_cast<ULONG>(m__string__DiscIdentifier.size()));
}

ULONG CTarnwick_ISO9660FileTreeNode::GetPathTableRecordLength() const {
    return PathTableRecordLengthOf(static_cast<ULONG>(m__string__DiscIdentifier.size()));
}

ULONG CTarnwick_ISO9660FileTreeNode::GetExtentCount() const {
    if (IsDirectory() || m__ULONGLONG__Size <= 0xFFFFFFFFull) {
        return 1;
    }
    return static_cast<ULONG>((m__ULONGLONG__Size + MaximumExtentSize - 1) / MaximumExtentSize);
}

LONGLONG CTarnwick_ISO9660FileTreeNode::UnixTimeOf(const UCHAR* p__PUCHAR__Date) {
    if (p__PUCHAR__Date[1] == 0) {
        return 0;
    }
    std::tm l__tm__Date = {};
    l__tm__Date.tm_year = p__PUCHAR__Date[0];
    l__tm__Date.tm_mon = p__PUCHAR__Date[1] - 1;
    l__tm__Date.tm_mday = p__PUCHAR__Date[2];
    l__tm__Date.tm_hour = p__PUCHAR__Date[3];
    l__tm__Date.tm_min = p__PUCHAR__Date[4];
    l__tm__Date.tm_sec = p__PUCHAR__Date[5];
    return static_cast<LONGLONG>(timegm(&l__tm__Date)) -
           static_cast<LONGLONG>(static_cast<signed char>(p__PUCHAR__Date[6])) * 900;
}

void CTarnwick_ISO9660FileTreeNode::RecordingDateOfUnixTime(LONGLONG p__LONGLONG__UnixTime, UCHAR* p__PUCHAR__Date) {
    std::tm l__tm__Utc{};
    std::time_t l__time_t__Time = static_cast<std::time_t>(p__LONGLONG__UnixTime);
    if (gmtime_r(&l__time_t__Time, &l__tm__Utc) == nullptr || l__tm__Utc.tm_year < 0) {
        // Before 1900 (or beyond what the machine's calendar holds): the earliest date.
        const UCHAR l__UCHAR__Earliest[7] = {0, 1, 1, 0, 0, 0, 0};
        std::memcpy(p__PUCHAR__Date, l__UCHAR__Earliest, 7);
        return;
    }
    if (l__tm__Utc.tm_year > 255) {
        const UCHAR l__UCHAR__Latest[7] = {255, 12, 31, 23, 59, 59, 0};
        std::memcpy(p__PUCHAR__Date, l__UCHAR__Latest, 7);
        return;
    }
    p__PUCHAR__Date[0] = static_cast<UCHAR>(l__tm__Utc.tm_year);
    p__PUCHAR__Date[1] = static_cast<UCHAR>(l__tm__Utc.tm_mon + 1);
    p__PUCHAR__Date[2] = static_cast<UCHAR>(l__tm__Utc.tm_mday);
    p__PUCHAR__Date[3] = static_cast<UCHAR>(l__tm__Utc.tm_hour);
    p__PUCHAR__Date[4] = static_cast<UCHAR>(l__tm__Utc.tm_min);
    p__PUCHAR__Date[5] = static_cast<UCHAR>(l__tm__Utc.tm_sec);
    p__PUCHAR__Date[6] = 0;
}
