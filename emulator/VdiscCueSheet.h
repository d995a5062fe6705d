#pragma once
#include <cstdint>
#include <vector>

#include "VdiscState.h"

// A Session-At-Once cue sheet as SEND CUE SHEET delivers it (8-byte entries: CTL/ADR,
// TNO, INDEX, DATA FORM, SCMS, MIN, SEC, FRAME; all binary: TNO 01h-63h for tracks 1-99 and
// AAh for the lead-out, INDEX 00h-63h, MIN/SEC/FRAME counted from 00:00:00 at LBA -150),
// checked as a drive checks it and turned into the regions the host must then write.
class VdiscCueSheet {
public:
    struct Region {
        int32_t m__LONG__Start;   // first LBA
        uint8_t m__UCHAR__Form;   // cue data form byte
        uint32_t m__ULONG__Size;  // bytes per block the host sends (0: the drive fills it)
    };

    // Parses and validates; raises ILLEGAL REQUEST (26/00) on any fault.
    // p__LONG__LeadInStart is where a host-written lead-in must start.
    void Parse(const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length, int32_t p__LONG__LeadInStart, int32_t p__LONG__Capacity);

    // Bytes per block of a data form (main data plus sub-channel); -1 when the form is unknown.
    static int32_t FormSize(uint8_t p__UCHAR__Form);
    // The form in which such blocks are stored.
    static VdiscSectorForm StorageForm(uint8_t p__UCHAR__Form);

    // The region an LBA lies in, or nullptr past the lead-out.
    const Region* RegionAt(int32_t p__LONG__Lba) const;
    int32_t FirstWrite() const { return m__LONG__FirstWrite; }
    int32_t LeadOut() const { return m__LONG__LeadOut; }
    // Tracks of the session as the cue sheet lays them out (not yet recorded).
    std::vector<VdiscTrack> Tracks() const { return m__Tracks; }
    uint8_t SessionFormat() const { return m__UCHAR__SessionFormat; }

private:
    std::vector<Region> m__Regions;
    std::vector<VdiscTrack> m__Tracks;
    int32_t m__LONG__FirstWrite = -150;
    int32_t m__LONG__LeadOut = 0;
    uint8_t m__UCHAR__SessionFormat = 0;
};
