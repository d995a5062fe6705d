// The recorder's checks of a raw Disc-At-Once run, block by block as a host sends them.
// Each block of the input is a flag byte and its Q record; the harness can complete what a
// fuzzer will not guess (the Q CRC, a data sector's sync, header, EDC, ECC and scrambling), so
// that runs reach past the first check. Every refusal is ILLEGAL REQUEST; a refused write
// leaves the run as it was (the recorder checks on a copy); what a complete table of contents
// says holds together.
#include <cstdio>
#include <cstring>
#include <vector>

#include "CTarnwick_Bytes.h"
#include "FuzzInput.h"
#include "FuzzScratch.h"
#include "VdiscCommand.h"
#include "VdiscRawChecker.h"
#include "VdiscSectorCoder.h"

namespace {

constexpr uint32_t RAW = 2352;
enum : uint8_t {
    FIX_CRC = 0x01,       // the harness writes the Q CRC
    MODE1 = 0x02,         // the main data is a Mode 1 sector of the block's address
    MODE2_FORM1 = 0x04,   // ... a Mode 2 Form 1 sector
    LITERAL = 0x08,       // ... the next 2352 input bytes as they stand
    LEARN = 0x10,         // the block was recorded earlier: learned, not checked
    RETRY_SAME = 0x20,    // a refused block is sent again at the same address (else the host goes on)
    UNSCRAMBLED = 0x40,   // a built data sector is left unscrambled
};

std::vector<uint8_t> MakeBlock(FuzzInput& p__Input, uint8_t p__UCHAR__Flags, int32_t p__LONG__Lba, uint32_t p__ULONG__Size) {
    std::vector<uint8_t> l__Block(p__ULONG__Size, 0);
    uint8_t l__UCHAR__Q[12] = {};
    const std::vector<uint8_t> l__Q = p__Input.Padded(p__UCHAR__Flags & FIX_CRC ? 10 : 12);
    std::memcpy(l__UCHAR__Q, l__Q.data(), l__Q.size());
    if (p__UCHAR__Flags & FIX_CRC) CTarnwick_Bytes::PutBigEndian16(l__UCHAR__Q + 10, VdiscSectorCoder::QCrc(l__UCHAR__Q));
    if (p__ULONG__Size == RAW + 16) std::memcpy(l__Block.data() + RAW, l__UCHAR__Q, 12);
    else VdiscSectorCoder::SpreadPQ(l__UCHAR__Q, (p__UCHAR__Flags & 0x80) != 0, l__Block.data() + RAW);
    if (p__UCHAR__Flags & LITERAL) {
        const std::vector<uint8_t> l__Main = p__Input.Padded(RAW);
        std::memcpy(l__Block.data(), l__Main.data(), RAW);
    } else if (p__UCHAR__Flags & (MODE1 | MODE2_FORM1)) {
        uint8_t l__UCHAR__User[2056] = {};
        l__UCHAR__User[0] = p__Input.Byte();
        if (p__UCHAR__Flags & MODE1) {
            VdiscSectorCoder::Mode1(p__LONG__Lba, l__UCHAR__User, l__Block.data());
        } else {
            l__UCHAR__User[2] = l__UCHAR__User[6] = 0x08;  // subheader: data, Form 1
            VdiscSectorCoder::Mode2Xa(p__LONG__Lba, l__UCHAR__User, l__Block.data());
        }
        if (!(p__UCHAR__Flags & UNSCRAMBLED)) VdiscSectorCoder::Scramble(l__Block.data());
    }
    return l__Block;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p__PUCHAR__Data, size_t p__size_t__Size) {
    FuzzInput l__Input(p__PUCHAR__Data, p__size_t__Size);
    const uint32_t l__ULONG__Size = l__Input.Flag() ? RAW + 96 : RAW + 16;  // raw + raw P-W, or raw + P-Q (12 bytes of Q, 4 of padding)
    int32_t l__LONG__Lba = -150 - static_cast<int32_t>(l__Input.Below(2000));
    VdiscRawChecker l__Checker;
    for (uint32_t l__ULONG__Blocks = 0; !l__Input.Empty() && l__ULONG__Blocks < 4000; ++l__ULONG__Blocks) {
        const uint8_t l__UCHAR__Flags = l__Input.Byte();
        const std::vector<uint8_t> l__Block = MakeBlock(l__Input, l__UCHAR__Flags, l__LONG__Lba, l__ULONG__Size);
        VdiscRawChecker l__Trial = l__Checker;
        try {
            if (l__UCHAR__Flags & LEARN) l__Trial.Learn(l__LONG__Lba, l__Block.data(), l__ULONG__Size);
            else l__Trial.Check(l__LONG__Lba, 1, l__Block.data(), l__ULONG__Size);
        } catch (const VdiscCheckCondition& l__Refusal) {
            FUZZ_CHECK(l__Refusal.m__UCHAR__Key == 0x05);
            FUZZ_CHECK((l__Refusal.m__UCHAR__Asc == 0x64 && l__Refusal.m__UCHAR__Ascq == 0x00) ||
                       (l__Refusal.m__UCHAR__Asc == 0x21 && l__Refusal.m__UCHAR__Ascq == 0x02));
            FUZZ_CHECK(l__Refusal.m__PCHAR__Reason != nullptr && l__Refusal.m__LONG__Lba == l__LONG__Lba);
            if (FuzzVerbose()) std::fprintf(stderr, "LBA %d refused: %s\n", l__LONG__Lba, l__Refusal.m__PCHAR__Reason);
            if (!(l__UCHAR__Flags & RETRY_SAME)) ++l__LONG__Lba;
            continue;
        }
        l__Checker = l__Trial;
        ++l__LONG__Lba;
        if (l__Checker.TocComplete()) {
            const int l__int__First = l__Checker.FirstTrack(), l__int__Last = l__Checker.LastTrack();
            FUZZ_CHECK(l__int__First >= 1 && l__int__First <= l__int__Last && l__int__Last <= 99);
            for (int l__int__Track = l__int__First; l__int__Track < l__int__Last; ++l__int__Track)
                FUZZ_CHECK(l__Checker.Start(l__int__Track) < l__Checker.Start(l__int__Track + 1));
            FUZZ_CHECK(l__Checker.Start(l__int__First) >= 0 && l__Checker.Start(l__int__Last) < l__Checker.LeadOut());
            const uint8_t l__UCHAR__Type = l__Checker.DiscType();
            FUZZ_CHECK(l__UCHAR__Type == 0x00 || l__UCHAR__Type == 0x10 || l__UCHAR__Type == 0x20);
            for (int l__int__Track = l__int__First; l__int__Track <= l__int__Last; ++l__int__Track)
                FUZZ_CHECK(l__Checker.Mode(l__int__Track) <= 2);
        }
    }
    if (FuzzVerbose()) std::fprintf(stderr, "ended at LBA %d, TOC %s\n", l__LONG__Lba, l__Checker.TocComplete() ? "complete" : "incomplete");
    return 0;
}
