// The recorder's reading of a SEND CUE SHEET parameter list: any bytes are refused with
// ILLEGAL REQUEST or give a session whose tracks and regions hold together.
#include <cstdio>
#include <vector>

#include "FuzzInput.h"
#include "FuzzScratch.h"
#include "VdiscCommand.h"
#include "VdiscCueSheet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p__PUCHAR__Data, size_t p__size_t__Size) {
    FuzzInput l__Input(p__PUCHAR__Data, p__size_t__Size);
    // Where a host-written lead-in starts (as the medium says), and the medium's capacity.
    const int32_t l__LONG__LeadInStart = -static_cast<int32_t>(l__Input.Below(12000)) - 151;
    const int32_t l__LONG__Capacity = static_cast<int32_t>(l__Input.Below(500000));
    // An exact-size copy: AddressSanitizer sees a read past the parameter list.
    const std::vector<uint8_t> l__Sheet = l__Input.Rest();
    VdiscCueSheet l__Cue;
    try {
        l__Cue.Parse(l__Sheet.data(), static_cast<uint32_t>(l__Sheet.size()), l__LONG__LeadInStart, l__LONG__Capacity);
    } catch (const VdiscCheckCondition& l__Refusal) {
        FUZZ_CHECK(l__Refusal.m__UCHAR__Key == 0x05);
        if (FuzzVerbose()) std::fprintf(stderr, "refused: %02X/%02X/%02X\n", l__Refusal.m__UCHAR__Key, l__Refusal.m__UCHAR__Asc, l__Refusal.m__UCHAR__Ascq);
        return 0;
    }
    const std::vector<VdiscTrack> l__Tracks = l__Cue.Tracks();
    if (FuzzVerbose()) std::fprintf(stderr, "accepted: %zu tracks, lead-out %d\n", l__Tracks.size(), l__Cue.LeadOut());
    FUZZ_CHECK(!l__Tracks.empty() && l__Tracks.size() <= 99);
    FUZZ_CHECK(l__Cue.LeadOut() <= l__LONG__Capacity);
    FUZZ_CHECK(l__Cue.FirstWrite() == -150 || l__Cue.FirstWrite() == l__LONG__LeadInStart);
    int32_t l__LONG__End = -150;
    for (size_t l__size_t__I = 0; l__size_t__I < l__Tracks.size(); ++l__size_t__I) {
        const VdiscTrack& l__Track = l__Tracks[l__size_t__I];
        FUZZ_CHECK(l__Track.m__UCHAR__Number == l__size_t__I + 1);
        FUZZ_CHECK(l__Track.m__LONG__Pregap >= 0 && l__Track.m__LONG__Size > 0);
        // Each track's pre-gap starts where the previous track ends; the last ends at the lead-out.
        FUZZ_CHECK(l__Track.m__LONG__Start - l__Track.m__LONG__Pregap == l__LONG__End);
        l__LONG__End = l__Track.m__LONG__Start + l__Track.m__LONG__Size;
    }
    FUZZ_CHECK(l__LONG__End == l__Cue.LeadOut());
    // Every block of the session has a region whose blocks the host sends or the drive fills.
    for (int32_t l__LONG__Lba = -150; l__LONG__Lba < l__Cue.LeadOut(); l__LONG__Lba += l__LONG__Lba < 1000 ? 1 : 997) {
        const VdiscCueSheet::Region* l__Region = l__Cue.RegionAt(l__LONG__Lba);
        FUZZ_CHECK(l__Region != nullptr && l__Region->m__LONG__Start <= l__LONG__Lba);
        FUZZ_CHECK(VdiscCueSheet::FormSize(l__Region->m__UCHAR__Form) >= 0);
        FUZZ_CHECK(static_cast<int32_t>(l__Region->m__ULONG__Size) == VdiscCueSheet::FormSize(l__Region->m__UCHAR__Form));
    }
    FUZZ_CHECK(l__Cue.RegionAt(l__Cue.LeadOut()) == nullptr);
    return 0;
}
