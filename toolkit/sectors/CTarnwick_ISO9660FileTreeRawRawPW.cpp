#include "CTarnwick_ISO9660FileTreeRawRawPW.h"

namespace {
constexpr CTarnwick_RawTrackSource::Names g__Names = {"CTarnwick_ISO9660FileTreeRawRawPW", "ExpandCookedWithRawRawPW"};
}  // namespace

CTarnwick_ISO9660FileTreeRawRawPW::CTarnwick_ISO9660FileTreeRawRawPW(CTarnwick_FileChain* p__PCTarnwick_FileChain__CookedImage,
        const DISC_AT_ONCE_TRACK_LIST* p__PDISC_AT_ONCE_TRACK_LIST__Tracks, BOOLEAN p__BOOLEAN__IsMode2Form1,
        ULONG p__ULONG__BaseTrackNumber)
    : CTarnwick_RawTrackSource(CTarnwick_RawSubchannel::RAW_PW_BLOCK_BYTES, g__Names, p__PCTarnwick_FileChain__CookedImage,
                               p__PDISC_AT_ONCE_TRACK_LIST__Tracks, p__BOOLEAN__IsMode2Form1, p__ULONG__BaseTrackNumber) {}

CTarnwick_ISO9660FileTreeRawRawPW::CTarnwick_ISO9660FileTreeRawRawPW(CTarnwick_FileChain* p__PCTarnwick_FileChain__RawImage, BOOLEAN p__BOOLEAN__SynthesiseQ)
    : CTarnwick_RawTrackSource(CTarnwick_RawSubchannel::RAW_PW_BLOCK_BYTES, g__Names, p__PCTarnwick_FileChain__RawImage,
                               p__BOOLEAN__SynthesiseQ) {}
