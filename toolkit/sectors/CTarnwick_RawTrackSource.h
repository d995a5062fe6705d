#pragma once
#include <cstdint>
#include <vector>

#include "CTarnwick_EmptyBase.h"
#include "CTarnwick_FileChain.h"
#include "CTarnwick_RawSubchannel.h"
#include "tarnwick_types.h"

// What the two raw track sources share: a wrapper that reads another byte source front to
// back and serves it as raw blocks with sub-channel, in one block form (2368-byte raw + P-Q
// or 2448-byte raw + raw P-W).
//
// From a cooked image (the tracks of a Disc-At-Once list one after the other: 2048 bytes a
// block in the data track, 2352 in an audio track) every data block becomes a raw Mode 1 or
// Mode 2 Form 1 sector with EDC and ECC, scrambled, every audio block is kept as it is, and
// each gets a Q record of its track (index 1, relative time from the track's start, absolute
// time of its disc LBA).
//
// From a raw image (2448-byte blocks: a raw sector and its own 96 sub-channel bytes) each
// sector is scrambled and the sub-channel is either taken from the image or made afresh.
class CTarnwick_RawTrackSource : public CTarnwick_EmptyBase, public CTarnwick_FileChain {
public:
    static constexpr ULONG COOKED_DATA_BYTES = 2048;
    static constexpr ULONG RAW_IMAGE_BLOCK_BYTES = CTarnwick_RawSubchannel::RAW_PW_BLOCK_BYTES;

    // The next bytes of the block stream; any lengths, front to back.
    void Read(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) override;
    uint64_t GetSize() override { return m__ULONGLONG__Blocks * m__ULONG__BlockBytes; }

    ULONG GetBlockBytes() const { return m__ULONG__BlockBytes; }
    uint64_t GetBlocks() const { return m__ULONGLONG__Blocks; }

    // How a source class names itself: its class and its expanding routine in traces.
    struct Names {
        const char* m__PCHAR__Class;
        const char* m__PCHAR__Expand;
    };

protected:

    // Over a cooked image of the tracks of p__PDISC_AT_ONCE_TRACK_LIST__Tracks (copied: the
    // list need not outlive the source). Track i is numbered p__ULONG__BaseTrackNumber + i.
    CTarnwick_RawTrackSource(ULONG p__ULONG__BlockBytes, const Names& p__Names, CTarnwick_FileChain* p__PCTarnwick_FileChain__CookedImage,
                             const DISC_AT_ONCE_TRACK_LIST* p__PDISC_AT_ONCE_TRACK_LIST__Tracks, BOOLEAN p__BOOLEAN__IsMode2Form1,
                             ULONG p__ULONG__BaseTrackNumber);
    // Over a raw image of 2448-byte blocks; with p__BOOLEAN__SynthesiseQ the Q record is
    // made afresh (a data track 1 from LBA 0) instead of taken from the image.
    CTarnwick_RawTrackSource(ULONG p__ULONG__BlockBytes, const Names& p__Names, CTarnwick_FileChain* p__PCTarnwick_FileChain__RawImage,
                             BOOLEAN p__BOOLEAN__SynthesiseQ);

private:
    struct Track {
        LONG m__LONG__StartLBA;
        LONG m__LONG__SizeInLBs;
        BOOLEAN m__BOOLEAN__IsDataTrack;
    };

    // Builds the next block of the stream into p__PUCHAR__Block.
    void ExpandCooked(PUCHAR p__PUCHAR__Block);
    void ExpandRaw(PUCHAR p__PUCHAR__Block);
    void ExpandNext(PUCHAR p__PUCHAR__Block) {
        if (m__bool__RawImage)
            ExpandRaw(p__PUCHAR__Block);
        else
            ExpandCooked(p__PUCHAR__Block);
    }
    // The next bytes of the image, taken from a read-ahead of many blocks: one read of the
    // image per block would cost a system call for every sector.
    void ReadInput(PUCHAR p__PUCHAR__Out, ULONG p__ULONG__Bytes);
    // Writes a Q record of index 1 with its times into the sub-channel part of the block.
    void PutTrackQ(PUCHAR p__PUCHAR__Block, UCHAR p__UCHAR__ControlAdr, UCHAR p__UCHAR__Tno, LONG p__LONG__BlockInTrack) const;
    [[noreturn]] void RaiseInvalidParameter(const char* p__PCHAR__Text) const;

    Names m__Names;
    ULONG m__ULONG__BlockBytes;
    CTarnwick_FileChain* m__PCTarnwick_FileChain__Image;
    bool m__bool__RawImage;
    BOOLEAN m__BOOLEAN__IsMode2Form1 = FALSE;
    BOOLEAN m__BOOLEAN__SynthesiseQ = FALSE;
    ULONG m__ULONG__BaseTrackNumber = 1;
    std::vector<Track> m__Tracks;
    uint64_t m__ULONGLONG__Blocks = 0;

    // Where the expansion stands.
    ULONG m__ULONG__TrackIndex = 0;
    LONG m__LONG__BlockInTrack = 0;
    LONG m__LONG__DiscLBA = 0;

    // The read-ahead: the image's bytes the blocks take in all, those read so far, and the
    // part of the last read not yet taken.
    uint64_t m__ULONGLONG__InputBytes = 0;
    uint64_t m__ULONGLONG__InputRead = 0;
    std::vector<UCHAR> m__Input;
    size_t m__size_t__InputAt = 0;

    uint64_t m__ULONGLONG__Position = 0;  // bytes of the block stream delivered
    uint64_t m__ULONGLONG__Expanded = 0;  // blocks expanded so far
    UCHAR m__UCHAR__Block[CTarnwick_RawSubchannel::RAW_PW_BLOCK_BYTES] = {};
};
