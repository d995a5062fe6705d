#pragma once
#include <string>
#include <vector>

#include "tarnwick_types.h"

// Builds the descriptor (MDS) of a raw disc image (MDF) of one CD session: every block from
// track 1's index 1 to the lead-out, 2448 bytes a block (2352 bytes of the sector and 96 of
// interleaved raw P-W sub-channel), in block order.
//
// The file: an 88-byte header, one session block, one 80-byte data block for each of the
// lead-in points A0h, A1h, A2h (track mode 0, which readers of tracks skip) and for each
// track, one 8-byte extra block for each data block (index 0 pre-gap and length), one 16-byte
// file block for each track and the image file name, zero-terminated. Numbers little-endian.
class CTarnwick_MdsWriter {
public:
    enum TRACK_MODE : UCHAR { MODE_AUDIO = 0, MODE_1 = 1, MODE_2 = 2, MODE_2_FORM_1 = 3, MODE_2_FORM_2 = 4 };

    struct TRACK {
        UCHAR m__UCHAR__Number;    // 1 to 99
        UCHAR m__UCHAR__Control;   // the Q control nibble (4: data track)
        TRACK_MODE m__Mode;
        LONG m__LONG__StartLBA;    // index 1
        LONG m__LONG__Pregap;      // index 0 blocks before index 1 (150 for track 1)
    };

    // Layout of the file.
    static constexpr ULONG HEADER_SIZE = 88;
    static constexpr ULONG SESSION_SIZE = 24;
    static constexpr ULONG DATA_BLOCK_SIZE = 80;
    static constexpr ULONG EXTRA_BLOCK_SIZE = 8;
    static constexpr ULONG FILE_BLOCK_SIZE = 16;
    static constexpr ULONG LEAD_IN_BLOCKS = 3;
    static constexpr ULONG RAW_BLOCK_SIZE = 2448;
    static constexpr UCHAR SUBCHANNEL_INTERLEAVED_PW = 0x08;

    // The tracks in order (ascending start, numbers one after the other), the lead-out LBA
    // and the image file name as the descriptor names it (relative to its own folder).
    // Raises number 2 for a list a descriptor cannot state: no track or more than 99, starts
    // that do not ascend, a track past the lead-out, a name that is empty or too long.
    static std::vector<UCHAR> Build(const std::vector<TRACK>& p__Tracks, LONG p__LONG__LeadOutLBA,
                                    const std::string& p__string__ImageName);
    // The mode byte of a data block: A9h audio, AAh Mode 1, ABh Mode 2, ACh/ADh Mode 2 Form 1/2.
    static UCHAR ModeByte(TRACK_MODE p__Mode);
};
