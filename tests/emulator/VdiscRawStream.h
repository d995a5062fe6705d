#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

// A raw Disc-At-Once stream as a host sends it, built block by block with the recorder's own
// sector coder: the lead-in repeating its table of contents (A0, A1, A2, then each track, every
// item three times), the first track's pre-gap, the tracks and the lead-out.
class VdiscRawStream {
public:
    struct Track {
        bool m__bool__Data = true;
        uint8_t m__UCHAR__Mode = 1;  // data tracks: 1, or 2 for Mode 2 Form 1
        int32_t m__LONG__Start = 0;
        int32_t m__LONG__Pregap = 0;  // INDEX 00 blocks before the start (tracks after the first)
    };

    // p__ULONG__BlockSize: 2368 (raw + P-Q) or 2448 (raw + raw P-W).
    VdiscRawStream(int32_t p__LONG__LeadInStart, const std::vector<Track>& p__Tracks, int32_t p__LONG__LeadOut, uint32_t p__ULONG__BlockSize);

    int32_t LeadInStart() const { return m__LONG__LeadInStart; }
    int32_t LeadOut() const { return m__LONG__LeadOut; }
    uint32_t BlockSize() const { return m__ULONG__BlockSize; }
    // The TOC items the lead-in cycles through; a test may change them before writing.
    std::vector<std::vector<uint8_t>>& LeadInItems() { return m__Items; }

    // The block at an LBA.
    std::vector<uint8_t> Block(int32_t p__LONG__Lba) const;
    // The blocks LBA .. LBA + count - 1, one after the other.
    std::vector<uint8_t> Packet(int32_t p__LONG__Lba, int32_t p__LONG__Count) const;
    // Writes [from, to) to a drive in packets of 16 blocks; the first refusal is returned (else the last answer).
    template <class DRIVE>
    auto Put(DRIVE& p__Drive, int32_t p__LONG__From, int32_t p__LONG__To) const {
        decltype(p__Drive.Write(0, 0, {})) l__Result;
        for (int32_t l__LONG__Lba = p__LONG__From; l__LONG__Lba < p__LONG__To;) {
            const int32_t l__LONG__Count = std::min(16, p__LONG__To - l__LONG__Lba);
            l__Result = p__Drive.Write(l__LONG__Lba, static_cast<uint32_t>(l__LONG__Count), Packet(l__LONG__Lba, l__LONG__Count));
            if (!l__Result.Ok()) return l__Result;
            l__LONG__Lba += l__LONG__Count;
        }
        return l__Result;
    }

    // What the host's data tracks and audio tracks hold, so that read-back can be compared.
    static std::vector<uint8_t> UserData(int32_t p__LONG__Lba);
    static std::vector<uint8_t> AudioData(int32_t p__LONG__Lba);

    // The 12 Q bytes of a block, and a block given new Q bytes (the CRC made right unless told not to).
    static void GetQ(const std::vector<uint8_t>& p__Block, uint8_t* p__PUCHAR__Q);
    static void SetQ(std::vector<uint8_t>& p__Block, uint8_t* p__PUCHAR__Q, bool p__bool__FixCrc = true);
    // Unscrambles or scrambles the main data of a data block in place (the same operation).
    static void Scramble(std::vector<uint8_t>& p__Block);

private:
    const Track* TrackOf(int32_t p__LONG__Lba, bool& p__bool__Pregap) const;
    void Main(int32_t p__LONG__Lba, bool p__bool__Data, uint8_t p__UCHAR__Mode, bool p__bool__Zero, uint8_t* p__PUCHAR__Raw) const;

    int32_t m__LONG__LeadInStart;
    std::vector<Track> m__Tracks;
    int32_t m__LONG__LeadOut;
    uint32_t m__ULONG__BlockSize;
    std::vector<std::vector<uint8_t>> m__Items;  // CONTROL/ADR, POINT, PMIN, PSEC, PFRAME
};
