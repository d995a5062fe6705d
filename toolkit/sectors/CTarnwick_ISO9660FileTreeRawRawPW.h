#pragma once
#include "CTarnwick_RawTrackSource.h"

// The tracks of a Disc-At-Once session as 2448-byte raw + raw P-W blocks, expanded from a cooked image
// or taken from a raw image (see CTarnwick_RawTrackSource). The image is read front to back
// from where it stands; the source reads it only.
class CTarnwick_ISO9660FileTreeRawRawPW : public CTarnwick_RawTrackSource {
public:
    CTarnwick_ISO9660FileTreeRawRawPW(CTarnwick_FileChain* p__PCTarnwick_FileChain__CookedImage,
        const DISC_AT_ONCE_TRACK_LIST* p__PDISC_AT_ONCE_TRACK_LIST__Tracks, BOOLEAN p__BOOLEAN__IsMode2Form1,
        ULONG p__ULONG__BaseTrackNumber = 1);
    // Over a raw image of 2448-byte blocks: with p__BOOLEAN__SynthesiseQ the Q data is made
    // afresh, otherwise taken from the image's own sub-channel bytes.
    CTarnwick_ISO9660FileTreeRawRawPW(CTarnwick_FileChain* p__PCTarnwick_FileChain__RawImage, BOOLEAN p__BOOLEAN__SynthesiseQ);
};
