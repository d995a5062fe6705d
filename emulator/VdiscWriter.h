#pragma once
#include <cstdint>
#include <optional>

#include "VdiscCommand.h"
#include "VdiscCueSheet.h"
#include "VdiscModePages.h"
#include "VdiscRawChecker.h"
#include "VdiscStore.h"

// The recorder's writing commands: WRITE, SYNCHRONIZE CACHE, CLOSE TRACK/SESSION,
// RESERVE TRACK, SEND CUE SHEET, BLANK and FORMAT UNIT. Each checks what a drive
// checks (medium, write type, address, length, space) before anything is recorded.
// With the Test Write bit set the writes are checked and followed as if recorded;
// the disc is put back as it was when the cache is synchronised.
class VdiscWriter {
public:
    VdiscWriter(VdiscStore& p__Store, VdiscModePages& p__Pages) : m__Store(p__Store), m__Pages(p__Pages) {}

    void Write(int32_t p__LONG__Lba, uint32_t p__ULONG__Blocks, const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length);
    void SynchronizeCache();
    void CloseTrackSession(uint8_t p__UCHAR__Function, uint32_t p__ULONG__Track);
    void ReserveTrack(uint32_t p__ULONG__Blocks);
    void SendCueSheet(const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length);
    void Blank(uint8_t p__UCHAR__Type, uint32_t p__ULONG__Start);
    void FormatUnit(const uint8_t* p__PUCHAR__Cdb, const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length, bool& p__bool__Immed);
    // Forgets a test write in progress (the tray was opened): the disc is as before it.
    void Forget();
    // The tray opens: a test write is forgotten, a raw run cut short is closed with what it recorded.
    void Eject();
    // Drops what the writer knew of a disc that another program replaced.
    void Discard() {
        m__TestSnapshot.reset();
        m__Cue.reset();
        m__Raw.reset();
    }

private:
    void Record(int32_t p__LONG__Lba, uint32_t p__ULONG__Count, uint16_t p__USHORT__Size, VdiscSectorForm p__Form, const uint8_t* p__PUCHAR__Sub,
                const uint8_t* p__PUCHAR__Data, uint8_t p__UCHAR__Control = 0xFF);
    void Commit();
    void EraseKeeping(int32_t p__LONG__KeepBelow);
    void WriteCdTrackAtOnce(int32_t p__LONG__Lba, uint32_t p__ULONG__Blocks, const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length);
    void WriteCdCue(int32_t p__LONG__Lba, uint32_t p__ULONG__Blocks, const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length);
    void WriteCdRaw(int32_t p__LONG__Lba, uint32_t p__ULONG__Blocks, const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length);
    void WriteDvd(int32_t p__LONG__Lba, uint32_t p__ULONG__Blocks, const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length);
    // CLOSE TRACK/SESSION on BD-R: a logical track, the session, or the session and the disc.
    void CloseBdR(uint8_t p__UCHAR__Function, uint32_t p__ULONG__Track);
    void FinishCueSession();
    void FinishRawSession();
    const VdiscCueSheet& Cue();
    // What the raw run in progress has checked so far (learned again from the disc file when
    // the run was begun by another process).
    const VdiscRawChecker& Raw();

    VdiscStore& m__Store;
    VdiscModePages& m__Pages;
    std::optional<VdiscState> m__TestSnapshot;  // the disc before a test write began
    std::optional<VdiscCueSheet> m__Cue;        // parsed form of the state's cue sheet
    std::optional<VdiscRawChecker> m__Raw;      // the raw run's checks and table of contents
};
