#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "CTarnwick_RockRidgeAttributes.h"
#include "tarnwick_types.h"

// Reads the Rock Ridge entries of one directory record: the System Use Sharing Protocol
// entries (SP, CE, ER, ST, PD) and the POSIX ones (PX, PN, SL, NM, TF, CL, PL, RE, and the
// RR flags entry of older discs). Continuation areas are asked of the caller one block at
// a time. Every entry is bounds-checked: an entry shorter than 4 bytes or running past its
// area ends that area, what was read before it stays. Names and link targets are cut at
// MaximumTextLength bytes.
class CTarnwick_RockRidgeReader {
public:
    static constexpr ULONG BlockSize = 2048;
    // The longest link target a POSIX system keeps (a name is at most 255 bytes anyway).
    static constexpr size_t MaximumTextLength = 4095;
    // Continuation areas followed for one record, chained ones included.
    static constexpr ULONG MaximumContinuationAreas = 16;
    // Flags of the times a TF entry gave.
    static constexpr ULONG TimeModify = 0x01;
    static constexpr ULONG TimeAccess = 0x02;
    static constexpr ULONG TimeAttribute = 0x04;

    // Reads one block of the disc into a buffer of BlockSize bytes; false when the block may
    // not or cannot be read (outside the track, for one).
    using BlockReader = std::function<bool(ULONG p__ULONG__Block, UCHAR* p__PUCHAR__Buffer)>;
    // Where a continuation area was found: block, offset and length as the CE entry says.
    struct ContinuationArea {
        ULONG m__ULONG__Block;
        ULONG m__ULONG__Offset;
        ULONG m__ULONG__Length;
    };

    // The system-use area of a directory record of p__ULONG__RecordLength bytes: after the
    // 33 fixed bytes, the identifier and the padding byte that follows an identifier of even
    // length. False when the identifier does not fit the record; a record without an area
    // gives true with length 0.
    static bool FindSystemUseArea(const UCHAR* p__PUCHAR__Record, ULONG p__ULONG__RecordLength,
                                  ULONG* p__PULONG__Offset, ULONG* p__PULONG__Length);
    // The SP entry, valid only as the first entry of the root's "." record: true, with the
    // number of bytes every other system-use area starts with and that are no entries, when
    // the area starts with it and its check bytes are BE EF.
    static bool FindSharingProtocol(const UCHAR* p__PUCHAR__Area, ULONG p__ULONG__Length, ULONG* p__PULONG__SkipLength);
    // A 7-byte recording date (years since 1900, month, day, hour, minute, second, GMT
    // offset in quarter hours) in Unix seconds. False for an unset date (month 0) or one
    // whose fields are out of range.
    static bool SecondsOfShortDate(const UCHAR* p__PUCHAR__Date, LONGLONG* p__PLONGLONG__Seconds);
    // A 17-byte date ("YYYYMMDDHHMMSScc" digits and the GMT offset byte) in Unix seconds.
    // False for an unset date (year 0) or one that is not digits or out of range.
    static bool SecondsOfLongDate(const UCHAR* p__PUCHAR__Date, LONGLONG* p__PLONGLONG__Seconds);

    // Reads the entries of a system-use area from p__ULONG__SkipLength on, and the
    // continuation areas it leads to through p__BlockReader (none when it is empty). What
    // an earlier Parse found is forgotten first.
    void Parse(const UCHAR* p__PUCHAR__Area, ULONG p__ULONG__Length, ULONG p__ULONG__SkipLength,
               const BlockReader& p__BlockReader);

    // Any Rock Ridge entry was read, or an ER entry that names the Rock Ridge extension.
    bool HasRockRidge() const { return m__bool__HasEntries || m__bool__HasExtension; }
    bool HasRockRidgeExtension() const { return m__bool__HasExtension; }
    // The NM name (pieces joined); false when there was none, it was empty, or it stood for
    // the directory itself or its parent.
    bool HasName() const { return m__bool__HasName && !m__string__Name.empty(); }
    const std::string& GetName() const { return m__string__Name; }
    // A PX entry was read: the attributes hold its mode, links, owner and group.
    bool HasPosixAttributes() const { return m__bool__HasPosix; }
    // The attributes as read (the link target from SL, the device from PN, the times from TF).
    const CTarnwick_RockRidgeAttributes& GetAttributes() const { return m__Attributes; }
    // The serial number of a 44-byte PX entry (0: none).
    uint64_t GetSerial() const { return m__ULONGLONG__Serial; }
    bool HasLinkTarget() const { return m__bool__HasLinkTarget; }
    // TimeModify, TimeAccess and TimeAttribute for the times a TF entry gave.
    ULONG GetTimeFlags() const { return m__ULONG__TimeFlags; }
    bool HasDevice() const { return m__bool__HasDevice; }
    // CL: the record stands for a directory relocated to this block.
    bool HasChildLink() const { return m__bool__HasChildLink; }
    ULONG GetChildLink() const { return m__ULONG__ChildLink; }
    // PL: the ".." of a relocated directory leads to this block.
    bool HasParentLink() const { return m__bool__HasParentLink; }
    ULONG GetParentLink() const { return m__ULONG__ParentLink; }
    // RE: the record is a relocated directory, reached through its CL.
    bool IsRelocated() const { return m__bool__IsRelocated; }
    // The continuation areas read, in order.
    const std::vector<ContinuationArea>& GetContinuationAreas() const { return m__ContinuationAreas; }
    // Malformed entries and areas that were not followed.
    ULONG GetProblemCount() const { return m__ULONG__Problems; }

private:
    // Reads the entries of one area, up to an ST entry or its end; a CE found there is kept
    // for when the area is done.
    void ParseArea(const UCHAR* p__PUCHAR__Area, ULONG p__ULONG__Length, ULONG p__ULONG__Start);
    void TakeEntry(const UCHAR* p__PUCHAR__Entry, ULONG p__ULONG__Length);
    void TakeName(const UCHAR* p__PUCHAR__Entry, ULONG p__ULONG__Length);
    void TakeLink(const UCHAR* p__PUCHAR__Entry, ULONG p__ULONG__Length);
    void TakeTimes(const UCHAR* p__PUCHAR__Entry, ULONG p__ULONG__Length);
    void TakeContinuation(const UCHAR* p__PUCHAR__Entry, ULONG p__ULONG__Length);
    void TakeExtension(const UCHAR* p__PUCHAR__Entry, ULONG p__ULONG__Length);
    // Appends bytes to a name or target, up to MaximumTextLength.
    static void AppendText(std::string* p__Pstring__Text, const UCHAR* p__PUCHAR__Bytes, size_t p__SIZE__Length);
    // Counts a malformed entry or area and says what it was in the trace.
    void Problem(const char* p__PCHAR__What, ULONG p__ULONG__Value);

    CTarnwick_RockRidgeAttributes m__Attributes;
    std::string m__string__Name;
    uint64_t m__ULONGLONG__Serial = 0;
    ULONG m__ULONG__TimeFlags = 0;
    ULONG m__ULONG__ChildLink = 0;
    ULONG m__ULONG__ParentLink = 0;
    ULONG m__ULONG__Problems = 0;
    bool m__bool__HasEntries = false;
    bool m__bool__HasExtension = false;
    bool m__bool__HasName = false;
    bool m__bool__NameDone = false;       // an NM without CONTINUE (or CURRENT/PARENT) was read
    bool m__bool__HasPosix = false;
    bool m__bool__HasLinkTarget = false;
    bool m__bool__LinkDone = false;       // an SL entry without CONTINUE was read
    bool m__bool__ComponentOpen = false;  // the last SL component goes on in the next one
    bool m__bool__NeedSeparator = false;  // a component was read since the start or the root
    bool m__bool__HasDevice = false;
    bool m__bool__HasChildLink = false;
    bool m__bool__HasParentLink = false;
    bool m__bool__IsRelocated = false;
    // The CE of the area being read (only the first of an area counts).
    bool m__bool__HasPendingArea = false;
    ContinuationArea m__PendingArea = {};
    std::vector<ContinuationArea> m__ContinuationAreas;
    std::vector<UCHAR> m__Block;
};
