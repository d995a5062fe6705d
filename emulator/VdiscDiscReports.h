#pragma once
#include <cstdint>
#include <vector>

#include "VdiscCommand.h"
#include "VdiscState.h"

// The records a drive reports about the disc in it, built from the disc state as MMC
// lays them out: disc and track information, the TOC in formats 0, 1 and 2, capacities,
// the feature list of GET CONFIGURATION and the DVD physical format.
class VdiscDiscReports {
public:
    static std::vector<uint8_t> DiscInformation(const VdiscState& p__State);
    // Address type 0 (LBA), 1 (track number, FFh the invisible track) or 2 (session).
    static std::vector<uint8_t> TrackInformation(const VdiscState& p__State, uint8_t p__UCHAR__AddressType, uint32_t p__ULONG__Number);
    static std::vector<uint8_t> Toc(const VdiscState& p__State, uint8_t p__UCHAR__Format, bool p__bool__Msf, uint8_t p__UCHAR__Number);
    static std::vector<uint8_t> Capacity(const VdiscState& p__State);
    static std::vector<uint8_t> FormatCapacities(const VdiscState& p__State);
    static std::vector<uint8_t> Configuration(const VdiscState& p__State, uint8_t p__UCHAR__Rt, uint32_t p__ULONG__Start);
    static std::vector<uint8_t> DvdStructure(const VdiscState& p__State, uint8_t p__UCHAR__Format);

    // The number the invisible (next) track gets.
    static uint32_t InvisibleTrackNumber(const VdiscState& p__State);
    // The session numbers that a TOC reports (closed sessions).
    static std::vector<const VdiscSession*> ClosedSessions(const VdiscState& p__State);
};
