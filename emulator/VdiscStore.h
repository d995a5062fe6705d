#pragma once
#include <sys/types.h>

#include <climits>
#include <cstdint>
#include <map>
#include <string>

#include "VdiscState.h"

// Where one run of recorded sectors lies in the disc file.
struct VdiscExtent {
    int32_t m__LONG__Count = 0;
    uint16_t m__USHORT__Size = 0;  // bytes stored per sector
    VdiscSectorForm m__Form = VdiscSectorForm::Dvd2048;
    uint8_t m__UCHAR__Subheader[4] = {};
    uint64_t m__ULONGLONG__Offset = 0;  // file offset of the extent's first sector
};

// The disc file: a header and then an append-only log of records, each either the
// whole disc state or a run of sectors, each closed by a trailer that is written
// last. A record without its trailer (a writer killed mid-write) is ignored when the
// file is opened and cut off before the next append, so the file always opens in
// the state of the last complete record. The state after the last state record is
// that record with the later sector runs applied to it. Sectors are sparse: only
// what was written is stored, and a later run hides what it overwrites.
// A sector record may carry padding between its header and its payload so that it
// ends on a 64 KiB boundary (see VdiscStore.cpp for the file versions). The file blocks
// (4 KiB) of a record that would hold only zeros are not written: they stay holes, so a disc
// of mostly empty blocks takes little room, and the file's bytes are the same either way.
// Erasing (blank, format, a new disc) writes a fresh file and renames it into place.
class VdiscStore {
public:
    VdiscStore() = default;
    ~VdiscStore();
    VdiscStore(const VdiscStore&) = delete;
    VdiscStore& operator=(const VdiscStore&) = delete;

    // Writes a disc file holding only the state (atomically replacing any file there).
    static bool Create(const std::string& p__string__Path, const VdiscState& p__State, std::string& p__string__Error);

    // Opens an existing disc file. A writable store cuts off an incomplete last record.
    bool Open(const std::string& p__string__Path, bool p__bool__Writable, std::string& p__string__Error);
    bool IsOpen() const { return m__int__Fd >= 0; }
    const std::string& Path() const { return m__string__Path; }

    // Picks up what another process wrote or replaced since (cheap when nothing changed).
    bool Refresh(std::string& p__string__Error);

    const VdiscState& State() const { return m__State; }
    VdiscState& MutableState() { return m__State; }
    // Appends the current state as a record.
    bool CommitState(std::string& p__string__Error);
    // Replaces the file by one that holds the current state and only the sectors below
    // an LBA (none by default): what blanking and formatting leave.
    bool Erase(std::string& p__string__Error, int32_t p__LONG__KeepBelow = INT32_MIN);

    // Appends a run of sectors and applies it to the state.
    bool AppendSectors(int32_t p__LONG__Lba, uint32_t p__ULONG__Count, uint16_t p__USHORT__Size, VdiscSectorForm p__Form,
                       const uint8_t* p__PUCHAR__Subheader, const uint8_t* p__PUCHAR__Data, std::string& p__string__Error,
                       uint8_t p__UCHAR__Control = 0xFF);
    // True once after the file was replaced by another program (a new disc in the drive).
    bool TakeReplaced() {
        bool l__bool__Replaced = m__bool__Replaced;
        m__bool__Replaced = false;
        return l__bool__Replaced;
    }

    // The extent holding an LBA: false when the sector was never written.
    bool Find(int32_t p__LONG__Lba, VdiscExtent& p__Extent, uint64_t& p__ULONGLONG__Offset) const;
    // Reads the stored bytes of one sector (p__Extent.m__USHORT__Size bytes).
    bool ReadStored(uint64_t p__ULONGLONG__Offset, uint32_t p__ULONG__Length, uint8_t* p__PUCHAR__Out) const;

private:
    bool Scan(uint64_t p__ULONGLONG__From, std::string& p__string__Error);
    void Index(int32_t p__LONG__Lba, const VdiscExtent& p__Extent);
    void Close();
    bool AppendRecord(uint32_t p__ULONG__Type, int32_t p__LONG__Lba, uint32_t p__ULONG__Count, uint16_t p__USHORT__Size,
                      uint8_t p__UCHAR__Form, const uint8_t* p__PUCHAR__Subheader, const uint8_t* p__PUCHAR__Payload,
                      uint64_t p__ULONGLONG__Length, std::string& p__string__Error, uint8_t p__UCHAR__Control = 0xFF,
                      uint64_t* p__PULONGLONG__PayloadAt = nullptr);

    std::string m__string__Path;
    int m__int__Fd = -1;
    bool m__bool__PadsRecords = false;  // a version 2 file: sector records may be padded
    bool m__bool__Writable = false;
    bool m__bool__NeedsTruncate = false;
    bool m__bool__Replaced = false;
    dev_t m__Device = 0;
    ino_t m__Inode = 0;
    uint64_t m__ULONGLONG__End = 0;  // end of the last complete record
    uint64_t m__ULONGLONG__Sequence = 0;
    VdiscState m__State;
    std::map<int32_t, VdiscExtent> m__Extents;  // by first LBA, never overlapping
};
