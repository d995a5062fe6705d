#pragma once
#include <cstdint>
#include <vector>

#include "VdiscState.h"

// The drive's mode pages: read/write error recovery (01h), write parameters (05h),
// the capabilities page (2Ah, fixed) and the vendor buffer-underrun page (30h, when
// the disc file asks for it). They belong to the drive, not the disc: a new drive
// object starts from the defaults.
class VdiscModePages {
public:
    VdiscModePages();

    // MODE SENSE(10) reply: 8-byte header and the page (or all pages for 3Fh).
    // Raises ILLEGAL REQUEST for an unknown page or saved values.
    std::vector<uint8_t> Sense(uint8_t p__UCHAR__Page, uint8_t p__UCHAR__Control, const VdiscState& p__State) const;
    // MODE SELECT(10) parameter list: validates every page before keeping any.
    void Select(const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length, const VdiscState& p__State);
    void Reset(VdiscMediumKind p__Kind);

    uint8_t WriteType() const { return m__Write[2] & 0x0F; }
    bool TestWrite() const { return (m__Write[2] & 0x10) != 0; }
    uint8_t TrackMode() const { return m__Write[3] & 0x0F; }
    uint8_t MultiSession() const { return m__Write[3] >> 6; }
    uint8_t DataBlockType() const { return m__Write[4] & 0x0F; }
    uint8_t SessionFormat() const { return m__Write[8]; }
    const uint8_t* Subheader() const { return m__Write + 48; }
    bool Page30Enabled() const { return (m__Page30[3] & 1) != 0; }

    // Bytes per block of a data block type; 0 when the type is not one MMC defines.
    static uint32_t BlockSize(uint8_t p__UCHAR__DataBlockType);

private:
    std::vector<uint8_t> Page(uint8_t p__UCHAR__Page, uint8_t p__UCHAR__Control, const VdiscState& p__State) const;
    void CheckWriteParameters(const uint8_t* p__PUCHAR__Page, const VdiscState& p__State) const;

    uint8_t m__Recovery[12];
    uint8_t m__Write[56];
    uint8_t m__Page30[4];
};
