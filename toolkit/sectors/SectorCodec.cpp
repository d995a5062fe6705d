#include "SectorCodec.h"

#include <algorithm>
#include <cstring>

#include "CTarnwick_CdAddress.h"
#include "SectorArithmetic.h"

using namespace SectorArithmetic;

namespace {

// One table per data position of a code: entry k = (k * first coefficient) << 8 |
// k * second coefficient, so that one look-up serves both parity symbols.
template <ULONG N>
struct CombinedTables {
    USHORT m__USHORT__Table[N - 2][256];
};

template <ULONG N>
constexpr CombinedTables<N> MakeCombinedTables(const CoefficientLogs<N>& p__Logs) {
    CombinedTables<N> l__Tables{};
    for (ULONG l__ULONG__Position = 0; l__ULONG__Position < N - 2; ++l__ULONG__Position)
        for (ULONG l__ULONG__Value = 1; l__ULONG__Value < 256; ++l__ULONG__Value) {
            ULONG l__ULONG__Log = g__Galois.m__UCHAR__Log[l__ULONG__Value];
            l__Tables.m__USHORT__Table[l__ULONG__Position][l__ULONG__Value] = static_cast<USHORT>(
                g__Galois.m__UCHAR__Exp[l__ULONG__Log + p__Logs.m__UCHAR__Log[0][l__ULONG__Position]] << 8 |
                g__Galois.m__UCHAR__Exp[l__ULONG__Log + p__Logs.m__UCHAR__Log[1][l__ULONG__Position]]);
        }
    return l__Tables;
}

constexpr CombinedTables<26> g__PCombined = MakeCombinedTables<26>(g__PCoefficients);
constexpr CombinedTables<45> g__QCombined = MakeCombinedTables<45>(g__QCoefficients);

// Sector addresses of the symbols of every code word. P code word 2c + lane is column c:
// rows 0-25 (24 data rows, then the two parity rows). Q code word 2d + lane is diagonal d:
// positions m = 0-42 at (86 d + 88 m) mod 2236 from byte 12, that is column m of row
// (d + m) mod 26, then its two parity bytes.
constexpr ULONG g__ULONG__PWords = 2 * g__ULONG__PColumns;
constexpr ULONG g__ULONG__QWords = 2 * g__ULONG__QDiagonals;
constexpr ULONG g__ULONG__PLength = 26;
constexpr ULONG g__ULONG__QLength = 45;

struct CodewordAddresses {
    USHORT m__USHORT__P[g__ULONG__PWords][g__ULONG__PLength];
    USHORT m__USHORT__Q[g__ULONG__QWords][g__ULONG__QLength];
};

constexpr CodewordAddresses MakeCodewordAddresses() {
    CodewordAddresses l__Addresses{};
    for (ULONG l__ULONG__Word = 0; l__ULONG__Word < g__ULONG__PWords; ++l__ULONG__Word)
        for (ULONG l__ULONG__Row = 0; l__ULONG__Row < g__ULONG__PLength; ++l__ULONG__Row)
            l__Addresses.m__USHORT__P[l__ULONG__Word][l__ULONG__Row] =
                static_cast<USHORT>(g__ULONG__HeaderOffset + g__ULONG__RowSize * l__ULONG__Row + l__ULONG__Word);
    for (ULONG l__ULONG__Word = 0; l__ULONG__Word < g__ULONG__QWords; ++l__ULONG__Word) {
        ULONG l__ULONG__Diagonal = l__ULONG__Word / 2, l__ULONG__Lane = l__ULONG__Word % 2;
        for (ULONG l__ULONG__Position = 0; l__ULONG__Position < g__ULONG__QDataWords; ++l__ULONG__Position)
            l__Addresses.m__USHORT__Q[l__ULONG__Word][l__ULONG__Position] = static_cast<USHORT>(
                g__ULONG__HeaderOffset + (86 * l__ULONG__Diagonal + 88 * l__ULONG__Position) % g__ULONG__QArea +
                l__ULONG__Lane);
        l__Addresses.m__USHORT__Q[l__ULONG__Word][43] = static_cast<USHORT>(g__ULONG__QOffset + l__ULONG__Word);
        l__Addresses.m__USHORT__Q[l__ULONG__Word][44] = static_cast<USHORT>(g__ULONG__QOffset + 52 + l__ULONG__Word);
    }
    return l__Addresses;
}

constexpr CodewordAddresses g__Addresses = MakeCodewordAddresses();

// P parity of rows 0-23, row by row: one row's 86 bytes feed the 86 parity pairs in order.
void GenerateP(PUCHAR p__PUCHAR__Sector) {
    USHORT l__USHORT__Parity[g__ULONG__RowSize] = {};
    const UCHAR* l__PUCHAR__Row = p__PUCHAR__Sector + g__ULONG__HeaderOffset;
    for (ULONG l__ULONG__Row = 0; l__ULONG__Row < g__ULONG__PDataRows; ++l__ULONG__Row) {
        const USHORT* l__PUSHORT__Table = g__PCombined.m__USHORT__Table[l__ULONG__Row];
        for (ULONG l__ULONG__Byte = 0; l__ULONG__Byte < g__ULONG__RowSize; ++l__ULONG__Byte)
            l__USHORT__Parity[l__ULONG__Byte] ^= l__PUSHORT__Table[l__PUCHAR__Row[l__ULONG__Byte]];
        l__PUCHAR__Row += g__ULONG__RowSize;
    }
    for (ULONG l__ULONG__Byte = 0; l__ULONG__Byte < g__ULONG__RowSize; ++l__ULONG__Byte) {
        p__PUCHAR__Sector[g__ULONG__POffset + l__ULONG__Byte] = static_cast<UCHAR>(l__USHORT__Parity[l__ULONG__Byte] >> 8);
        p__PUCHAR__Sector[g__ULONG__POffset + g__ULONG__RowSize + l__ULONG__Byte] =
            static_cast<UCHAR>(l__USHORT__Parity[l__ULONG__Byte]);
    }
}

// Q parity, column by column: position m of every diagonal lies in column m, so one
// table serves the whole column; row r belongs to diagonal (r - m) mod 26.
void GenerateQ(PUCHAR p__PUCHAR__Sector) {
    USHORT l__USHORT__Parity[g__ULONG__QWords] = {};
    for (ULONG l__ULONG__Position = 0; l__ULONG__Position < g__ULONG__QDataWords; ++l__ULONG__Position) {
        const USHORT* l__PUSHORT__Table = g__QCombined.m__USHORT__Table[l__ULONG__Position];
        const UCHAR* l__PUCHAR__Word = p__PUCHAR__Sector + g__ULONG__HeaderOffset + 2 * l__ULONG__Position;
        ULONG l__ULONG__Diagonal = (g__ULONG__QDiagonals - l__ULONG__Position % g__ULONG__QDiagonals) % g__ULONG__QDiagonals;
        for (ULONG l__ULONG__Row = 0; l__ULONG__Row < g__ULONG__QDiagonals; ++l__ULONG__Row) {
            l__USHORT__Parity[2 * l__ULONG__Diagonal] ^= l__PUSHORT__Table[l__PUCHAR__Word[0]];
            l__USHORT__Parity[2 * l__ULONG__Diagonal + 1] ^= l__PUSHORT__Table[l__PUCHAR__Word[1]];
            l__PUCHAR__Word += g__ULONG__RowSize;
            if (++l__ULONG__Diagonal == g__ULONG__QDiagonals) l__ULONG__Diagonal = 0;
        }
    }
    for (ULONG l__ULONG__Word = 0; l__ULONG__Word < g__ULONG__QWords; ++l__ULONG__Word) {
        p__PUCHAR__Sector[g__ULONG__QOffset + l__ULONG__Word] = static_cast<UCHAR>(l__USHORT__Parity[l__ULONG__Word] >> 8);
        p__PUCHAR__Sector[g__ULONG__QOffset + 52 + l__ULONG__Word] = static_cast<UCHAR>(l__USHORT__Parity[l__ULONG__Word]);
    }
}

// The two syndromes of one code word of N symbols: the plain sum and the sum weighted
// with alpha^(N-1-i) (Horner's rule, one multiplication by alpha per symbol).
void Syndromes(const UCHAR* p__PUCHAR__Sector, const USHORT* p__PUSHORT__Addresses, ULONG p__ULONG__Length,
               PUCHAR p__PUCHAR__Plain, PUCHAR p__PUCHAR__Weighted) {
    UCHAR l__UCHAR__Plain = 0, l__UCHAR__Weighted = 0;
    for (ULONG l__ULONG__Symbol = 0; l__ULONG__Symbol < p__ULONG__Length; ++l__ULONG__Symbol) {
        UCHAR l__UCHAR__Value = p__PUCHAR__Sector[p__PUSHORT__Addresses[l__ULONG__Symbol]];
        l__UCHAR__Plain ^= l__UCHAR__Value;
        l__UCHAR__Weighted = static_cast<UCHAR>(Multiply(l__UCHAR__Weighted, 2) ^ l__UCHAR__Value);
    }
    *p__PUCHAR__Plain = l__UCHAR__Plain;
    *p__PUCHAR__Weighted = l__UCHAR__Weighted;
}

// What the last pass of one direction found for a code word: it held as it was, it was
// corrected (or has not been decoded yet), or it could not be decoded.
constexpr LONG g__LONG__WordHeld = 0;
constexpr LONG g__LONG__WordChanged = 1;
constexpr LONG g__LONG__WordFailed = -1;

// Decodes one code word in place. p__PLONG__Crossing[i] is the state of the code word of
// the other direction through symbol i (g__LONG__WordChanged where there is none). A
// single error is located from the ratio of the two syndromes, but never in a symbol whose
// crossing word held untouched: that would be a miscorrection of two or more errors.
// Failing that, when exactly two symbols lie in crossing words that failed, they are
// solved as erasures. Returns a word state.
LONG DecodeCodeword(PUCHAR p__PUCHAR__Sector, const USHORT* p__PUSHORT__Addresses, ULONG p__ULONG__Length,
                    const LONG* p__PLONG__Crossing) {
    UCHAR l__UCHAR__Plain, l__UCHAR__Weighted;
    Syndromes(p__PUCHAR__Sector, p__PUSHORT__Addresses, p__ULONG__Length, &l__UCHAR__Plain, &l__UCHAR__Weighted);
    if (l__UCHAR__Plain == 0 && l__UCHAR__Weighted == 0) return g__LONG__WordHeld;
    if (l__UCHAR__Plain != 0 && l__UCHAR__Weighted != 0) {
        // e = plain and e * alpha^(N-1-i) = weighted, so N-1-i = log weighted - log plain.
        ULONG l__ULONG__Weight = (255u + g__Galois.m__UCHAR__Log[l__UCHAR__Weighted] - g__Galois.m__UCHAR__Log[l__UCHAR__Plain]) % 255u;
        if (l__ULONG__Weight < p__ULONG__Length) {
            ULONG l__ULONG__Symbol = p__ULONG__Length - 1 - l__ULONG__Weight;
            if (p__PLONG__Crossing[l__ULONG__Symbol] == g__LONG__WordHeld) return g__LONG__WordFailed;
            p__PUCHAR__Sector[p__PUSHORT__Addresses[l__ULONG__Symbol]] ^= l__UCHAR__Plain;
            return g__LONG__WordChanged;
        }
    }
    ULONG l__ULONG__Suspects[2], l__ULONG__Count = 0;
    for (ULONG l__ULONG__Symbol = 0; l__ULONG__Symbol < p__ULONG__Length; ++l__ULONG__Symbol) {
        if (p__PLONG__Crossing[l__ULONG__Symbol] != g__LONG__WordFailed) continue;
        if (l__ULONG__Count == 2) return g__LONG__WordFailed;
        l__ULONG__Suspects[l__ULONG__Count++] = l__ULONG__Symbol;
    }
    if (l__ULONG__Count != 2) return g__LONG__WordFailed;
    // e_i + e_j = plain, e_i a^wi + e_j a^wj = weighted: e_i = (weighted + plain a^wj) / (a^wi + a^wj).
    UCHAR l__UCHAR__PowerI = Power(p__ULONG__Length - 1 - l__ULONG__Suspects[0]);
    UCHAR l__UCHAR__PowerJ = Power(p__ULONG__Length - 1 - l__ULONG__Suspects[1]);
    UCHAR l__UCHAR__ErrorI = Divide(static_cast<UCHAR>(l__UCHAR__Weighted ^ Multiply(l__UCHAR__Plain, l__UCHAR__PowerJ)),
                                    static_cast<UCHAR>(l__UCHAR__PowerI ^ l__UCHAR__PowerJ));
    p__PUCHAR__Sector[p__PUSHORT__Addresses[l__ULONG__Suspects[0]]] ^= l__UCHAR__ErrorI;
    p__PUCHAR__Sector[p__PUSHORT__Addresses[l__ULONG__Suspects[1]]] ^= static_cast<UCHAR>(l__UCHAR__Plain ^ l__UCHAR__ErrorI);
    return g__LONG__WordChanged;
}

// One decoding pass over the N-symbol code words of one direction. p__Crossing(word,
// symbol) gives the state of the other direction's word through that symbol. Records the
// state of each word; true when the pass changed anything.
template <ULONG N, class CrossingState>
bool DecodingPass(PUCHAR p__PUCHAR__Sector, const USHORT (*p__PUSHORT__Addresses)[N], ULONG p__ULONG__Words,
                  CrossingState p__Crossing, LONG* p__PLONG__State) {
    bool l__bool__Changed = false;
    for (ULONG l__ULONG__Word = 0; l__ULONG__Word < p__ULONG__Words; ++l__ULONG__Word) {
        LONG l__LONG__Crossing[N];
        for (ULONG l__ULONG__Symbol = 0; l__ULONG__Symbol < N; ++l__ULONG__Symbol)
            l__LONG__Crossing[l__ULONG__Symbol] = p__Crossing(l__ULONG__Word, l__ULONG__Symbol);
        p__PLONG__State[l__ULONG__Word] = DecodeCodeword(p__PUCHAR__Sector, p__PUSHORT__Addresses[l__ULONG__Word], N, l__LONG__Crossing);
        l__bool__Changed |= p__PLONG__State[l__ULONG__Word] == g__LONG__WordChanged;
    }
    return l__bool__Changed;
}

// P word 2c + lane, row r lies on Q diagonal (r - c) mod 26 of the same lane.
bool PassP(PUCHAR p__PUCHAR__Sector, const LONG* p__PLONG__QState, LONG* p__PLONG__PState) {
    auto l__Crossing = [p__PLONG__QState](ULONG p__ULONG__Word, ULONG p__ULONG__Row) {
        ULONG l__ULONG__Diagonal = (p__ULONG__Row + 2 * g__ULONG__QDiagonals - p__ULONG__Word / 2) % g__ULONG__QDiagonals;
        return p__PLONG__QState[2 * l__ULONG__Diagonal + p__ULONG__Word % 2];
    };
    return DecodingPass<g__ULONG__PLength>(p__PUCHAR__Sector, g__Addresses.m__USHORT__P, g__ULONG__PWords, l__Crossing,
                                           p__PLONG__PState);
}

// Q word 2d + lane, position m < 43 lies in P column m of the same lane; its parity in no P word.
bool PassQ(PUCHAR p__PUCHAR__Sector, const LONG* p__PLONG__PState, LONG* p__PLONG__QState) {
    auto l__Crossing = [p__PLONG__PState](ULONG p__ULONG__Word, ULONG p__ULONG__Position) {
        return p__ULONG__Position < g__ULONG__QDataWords ? p__PLONG__PState[2 * p__ULONG__Position + p__ULONG__Word % 2]
                                                         : g__LONG__WordChanged;
    };
    return DecodingPass<g__ULONG__QLength>(p__PUCHAR__Sector, g__Addresses.m__USHORT__Q, g__ULONG__QWords, l__Crossing,
                                           p__PLONG__QState);
}

// True when every P and Q code word holds.
template <ULONG N>
bool WordsHold(const UCHAR* p__PUCHAR__Sector, const USHORT (*p__PUSHORT__Addresses)[N], ULONG p__ULONG__Words) {
    UCHAR l__UCHAR__Plain, l__UCHAR__Weighted;
    for (ULONG l__ULONG__Word = 0; l__ULONG__Word < p__ULONG__Words; ++l__ULONG__Word) {
        Syndromes(p__PUCHAR__Sector, p__PUSHORT__Addresses[l__ULONG__Word], N, &l__UCHAR__Plain, &l__UCHAR__Weighted);
        if (l__UCHAR__Plain | l__UCHAR__Weighted) return false;
    }
    return true;
}

bool PWordsHold(const UCHAR* p__PUCHAR__Sector) {
    return WordsHold<g__ULONG__PLength>(p__PUCHAR__Sector, g__Addresses.m__USHORT__P, g__ULONG__PWords);
}

bool AllCodewordsHold(const UCHAR* p__PUCHAR__Sector) {
    return PWordsHold(p__PUCHAR__Sector) &&
           WordsHold<g__ULONG__QLength>(p__PUCHAR__Sector, g__Addresses.m__USHORT__Q, g__ULONG__QWords);
}

constexpr ULONG g__ULONG__MaximumRounds = 15;

}  // namespace

LONG EncodeSector(PUCHAR p__PUCHAR__Sector, LONG p__LONG__Type, LONG p__LONG__LBA) {
    std::memcpy(p__PUCHAR__Sector, g__UCHAR__Sync, sizeof(g__UCHAR__Sync));
    if (p__LONG__Type < g__LONG__EncodeMode0 || p__LONG__Type > g__LONG__EncodeMode2Form2) return -1;

    UCHAR l__UCHAR__Header[4] = {};
    CTarnwick_CdAddress::LbaToMsfBcd(p__LONG__LBA, l__UCHAR__Header);
    l__UCHAR__Header[3] = static_cast<UCHAR>(p__LONG__Type == g__LONG__EncodeMode0   ? 0
                                             : p__LONG__Type == g__LONG__EncodeMode1 ? 1
                                                                                      : 2);
    PUCHAR l__PUCHAR__Header = p__PUCHAR__Sector + g__ULONG__HeaderOffset;
    switch (p__LONG__Type) {
        case g__LONG__EncodeMode0:
            std::memset(l__PUCHAR__Header, 0, g__ULONG__RawSectorSize - g__ULONG__HeaderOffset);
            std::memcpy(l__PUCHAR__Header, l__UCHAR__Header, 4);
            break;
        case g__LONG__EncodeMode1:
            std::memcpy(l__PUCHAR__Header, l__UCHAR__Header, 4);
            StoreEdc(p__PUCHAR__Sector + g__ULONG__Mode1EdcOffset, ComputeEdc(p__PUCHAR__Sector, g__ULONG__Mode1EdcOffset));
            std::memset(p__PUCHAR__Sector + g__ULONG__Mode1EdcOffset + 4, 0, 8);
            GenerateP(p__PUCHAR__Sector);
            GenerateQ(p__PUCHAR__Sector);
            break;
        case g__LONG__EncodeMode2:
            std::memcpy(l__PUCHAR__Header, l__UCHAR__Header, 4);
            break;
        case g__LONG__EncodeMode2Form1:
            StoreEdc(p__PUCHAR__Sector + g__ULONG__Form1EdcOffset,
                     ComputeEdc(p__PUCHAR__Sector + g__ULONG__SubHeaderOffset,
                                g__ULONG__Form1EdcOffset - g__ULONG__SubHeaderOffset));
            std::memset(l__PUCHAR__Header, 0, 4);
            GenerateP(p__PUCHAR__Sector);
            GenerateQ(p__PUCHAR__Sector);
            std::memcpy(l__PUCHAR__Header, l__UCHAR__Header, 4);
            break;
        default:  // Mode 2 Form 2
            std::memcpy(l__PUCHAR__Header, l__UCHAR__Header, 4);
            StoreEdc(p__PUCHAR__Sector + g__ULONG__Form2EdcOffset,
                     ComputeEdc(p__PUCHAR__Sector + g__ULONG__SubHeaderOffset,
                                g__ULONG__Form2EdcOffset - g__ULONG__SubHeaderOffset));
            break;
    }
    return 0;
}

LONG CorrectSector(PUCHAR p__PUCHAR__Sector, LONG p__LONG__Type) {
    if (p__LONG__Type != g__LONG__CorrectMode1 && p__LONG__Type != g__LONG__CorrectMode2Form1) return -2;
    bool l__bool__SyncRestored = std::memcmp(p__PUCHAR__Sector, g__UCHAR__Sync, sizeof(g__UCHAR__Sync)) != 0;
    std::memcpy(p__PUCHAR__Sector, g__UCHAR__Sync, sizeof(g__UCHAR__Sync));
    // The EDC with the stored EDC after it leaves a zero register on an intact sector.
    ULONG l__ULONG__EdcStart = 0, l__ULONG__EdcLength = g__ULONG__Mode1EdcOffset + 4;
    if (p__LONG__Type == g__LONG__CorrectMode2Form1) {
        std::memset(p__PUCHAR__Sector + g__ULONG__HeaderOffset, 0, 4);
        l__ULONG__EdcStart = g__ULONG__SubHeaderOffset;
        l__ULONG__EdcLength = g__ULONG__Form1EdcOffset + 4 - g__ULONG__SubHeaderOffset;
    }
    auto l__EdcHolds = [&](const UCHAR* p__PUCHAR__Candidate) {
        return ComputeEdc(p__PUCHAR__Candidate + l__ULONG__EdcStart, l__ULONG__EdcLength) == 0;
    };
    if (l__EdcHolds(p__PUCHAR__Sector) && AllCodewordsHold(p__PUCHAR__Sector)) return l__bool__SyncRestored ? 1 : 0;

    // Decode a copy, so that a sector that cannot be corrected is left as read.
    UCHAR l__UCHAR__Work[g__ULONG__RawSectorSize];
    std::memcpy(l__UCHAR__Work, p__PUCHAR__Sector, sizeof(l__UCHAR__Work));
    LONG l__LONG__PState[g__ULONG__PWords], l__LONG__QState[g__ULONG__QWords];
    std::fill(l__LONG__PState, l__LONG__PState + g__ULONG__PWords, g__LONG__WordChanged);
    std::fill(l__LONG__QState, l__LONG__QState + g__ULONG__QWords, g__LONG__WordChanged);
    for (ULONG l__ULONG__Round = 0; l__ULONG__Round < g__ULONG__MaximumRounds; ++l__ULONG__Round) {
        bool l__bool__Changed = PassP(l__UCHAR__Work, l__LONG__QState, l__LONG__PState);
        l__bool__Changed |= PassQ(l__UCHAR__Work, l__LONG__PState, l__LONG__QState);
        if (!l__bool__Changed) break;
    }
    // The P words cover bytes 12-2247, all that the Q parity is computed from. When they
    // hold together with the EDC, that data is right, and a Q word left failing has its
    // errors in its own parity bytes (two in one word are beyond the Q decoder alone):
    // the Q parity is computed afresh.
    if (!l__EdcHolds(l__UCHAR__Work)) return -1;
    if (PWordsHold(l__UCHAR__Work) && !AllCodewordsHold(l__UCHAR__Work)) GenerateQ(l__UCHAR__Work);
    if (!AllCodewordsHold(l__UCHAR__Work)) return -1;
    std::memcpy(p__PUCHAR__Sector, l__UCHAR__Work, sizeof(l__UCHAR__Work));
    return 1;
}
