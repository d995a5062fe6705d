#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "CTarnwick_FileTreeNode.h"
#include "CTarnwick_RockRidgeAttributes.h"

class CTarnwick_File;

// A node of an ISO9660 tree: its disc identifier, its byte source, its recording date
// and the sizes the image layout needs.
class CTarnwick_ISO9660FileTreeNode : public CTarnwick_FileTreeNode {
public:
    static constexpr ULONG SectorSize = 2048;
    // The largest extent of a file of 4 GiB or more (which is recorded in several extents):
    // a whole number of sectors below 4 GiB.
    static constexpr uint64_t MaximumExtentSize = 0xFFFFF800ull;

    // A local file or directory, or with p__BOOLEAN__IsImported one read from a session
    // already on the disc, whose contents stay at p__ULONG__ExtentLocation. A local file
    // gets a disk source (kept open with p__BOOLEAN__IsKeepFilesOpen, else opened only
    // while it is read) unless it is empty; an imported one never has a source.
    CTarnwick_ISO9660FileTreeNode(const char* p__PCHAR__AbsolutePathAndFileName, const char* p__PCHAR__LongFileName,
                                  const char* p__PCHAR__ShortFileName, ULONG p__ULONG__Attributes,
                                  uint64_t p__ULONGLONG__Size, CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent,
                                  ULONG p__ULONG__NodeNumber, LONGLONG p__LONGLONG__FileTime,
                                  ULONG p__ULONG__ExtentLocation, BOOLEAN p__BOOLEAN__IsKeepFilesOpen,
                                  BOOLEAN p__BOOLEAN__IsLongNames, BOOLEAN p__BOOLEAN__IsImported = FALSE);
    // A file whose contents are a memory block (not copied; it stays the caller's).
    CTarnwick_ISO9660FileTreeNode(const void* p__PVOID__Memory, const char* p__PCHAR__LongFileName,
                                  const char* p__PCHAR__ShortFileName, uint64_t p__ULONGLONG__Size,
                                  CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent, ULONG p__ULONG__NodeNumber,
                                  LONGLONG p__LONGLONG__FileTime);
    ~CTarnwick_ISO9660FileTreeNode() override;

    // A directory takes the short name, a file the short name with ";1"; upper case.
    void RebuildIdentifier() override;

    static uint64_t SectorsOf(uint64_t p__ULONGLONG__Bytes) { return (p__ULONGLONG__Bytes + SectorSize - 1) / SectorSize; }
    // Adds a record to a directory length: a record never straddles a sector end.
    static void AddRecord(uint64_t* p__PULONGLONG__DirectoryLength, ULONG p__ULONG__RecordLength);
    // Cuts a name to at most p__SIZE__Bytes bytes without splitting a UTF-8 character.
    static std::string CutName(const std::string& p__string__Name, size_t p__SIZE__Bytes);
    // Upper-cases the ASCII letters of a name; other bytes stay.
    static void UpperAscii(std::string* p__Pstring__Name);

    const std::string& GetDiscIdentifier() const { return m__string__DiscIdentifier; }
    void SetDiscIdentifier(const std::string& p__string__Identifier) { m__string__DiscIdentifier = p__string__Identifier; }
    // Length of a directory record with an identifier of n bytes: 33 + n, plus one when n
    // is even; of a path-table record: 8 + n, plus one when n is odd.
    static ULONG RecordLengthOf(ULONG p__ULONG__IdentifierLength) {
        return 34 + p__ULONG__IdentifierLength - (p__ULONG__IdentifierLength & 1);
    }
    static ULONG PathTableRecordLengthOf(ULONG p__ULONG__IdentifierLength) {
        return 8 + p__ULONG__IdentifierLength + (p__ULONG__IdentifierLength & 1);
    }
    // Length of one directory record of this node.
    ULONG GetRecordLength() const;
    // Length of the node's path-table record: 8 + n, plus one when n is odd.
    ULONG GetPathTableRecordLength() const;
    // The directory records the node takes: one, or one per extent of a file of 4 GiB or more.
    ULONG GetExtentCount() const;

    uint64_t GetSizeInSectors() const { return m__ULONGLONG__SizeInSectors; }
    uint64_t GetDirectoryLength() const { return m__ULONGLONG__DirectoryLength; }
    uint64_t GetDirectorySectors() const { return m__ULONGLONG__DirectorySectors; }
    CTarnwick_File* GetFile() const { return m__PCTarnwick_File; }
    uint64_t GetPower() const { return m__ULONGLONG__Power; }
    USHORT GetDirectoryNumber() const { return m__USHORT__DirectoryNumber; }
    const UCHAR* GetRecordingDate() const { return m__UCHAR__RecordingDate; }
    // The 7-byte recording date of a local time (years since 1900, month, day, hour, minute,
    // second, GMT offset in 15-minute units); all zero when the time has no local date.
    static void RecordingDateOf(const PlatformLocalTimeValue& p__DateTime, UCHAR* p__PUCHAR__Date);
    // The instant a 7-byte recording date stands for (its fields are local to the GMT
    // offset it carries), in Unix seconds; 0 for a date without a month.
    static LONGLONG UnixTimeOf(const UCHAR* p__PUCHAR__Date);
    // The 7-byte recording date of a Unix time in UTC (years before 1900 or after 2155 held
    // at the nearest end).
    static void RecordingDateOfUnixTime(LONGLONG p__LONGLONG__UnixTime, UCHAR* p__PUCHAR__Date);
    ULONG GetExtentLocation() const { return m__ULONG__ExtentLocation; }
    // True for a node read from a session already on the disc: a file keeps its extent
    // there and is never written again.
    BOOLEAN IsImported() const { return m__BOOLEAN__IsImported; }
    // Replaces the recording date by the 7 bytes of a directory record.
    void SetRecordingDate(const UCHAR* p__PUCHAR__Date);
    // The POSIX attributes of the node (null: none known, the Rock Ridge records then make
    // them up from the node's kind and date).
    const CTarnwick_RockRidgeAttributes* GetRockRidgeAttributes() const { return m__RockRidgeAttributes.get(); }
    void SetRockRidgeAttributes(std::unique_ptr<CTarnwick_RockRidgeAttributes> p__Attributes) {
        m__RockRidgeAttributes = std::move(p__Attributes);
    }

private:
    friend class CTarnwick_ISO9660FileTree;
    friend class CTarnwick_RockRidgeHierarchy;
    // Identifiers of the kids of a directory, each with the kids that carry it in list order.
    using IdentifierIndex = std::unordered_map<std::string, std::vector<CTarnwick_ISO9660FileTreeNode*>>;

    void SetRecordingDate();

    std::string m__string__DiscIdentifier;
    uint64_t m__ULONGLONG__SizeInSectors;
    uint64_t m__ULONGLONG__DirectoryLength = 68;  // an empty directory: its "." and ".." records
    uint64_t m__ULONGLONG__DirectorySectors = 1;
    CTarnwick_File* m__PCTarnwick_File = nullptr;
    uint64_t m__ULONGLONG__Power;
    USHORT m__USHORT__DirectoryNumber = 0;
    UCHAR m__UCHAR__RecordingDate[7] = {};
    ULONG m__ULONG__ExtentLocation;
    BOOLEAN m__BOOLEAN__IsImported = FALSE;
    std::unique_ptr<IdentifierIndex> m__IdentifierIndex;
    std::unique_ptr<CTarnwick_RockRidgeAttributes> m__RockRidgeAttributes;
};
