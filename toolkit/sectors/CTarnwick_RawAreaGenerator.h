#pragma once
#include "CTarnwick_EmptyBase.h"
#include "CTarnwick_FileChain.h"
#include "CTarnwick_MemoryFile.h"
#include "tarnwick_types.h"

// What the lead-in, pre-gap and lead-out generators share: all blocks of the area are built
// in memory when the object is constructed, in one block form (2368-byte raw + P-Q or
// 2448-byte raw + raw P-W blocks), and served front to back through the chain of a plain
// tree object. The six generator classes only choose the form, the area and their names.
class CTarnwick_RawAreaGenerator : public CTarnwick_EmptyBase, public CTarnwick_FileChain {
public:
    // The lead-out: 90 seconds.
    static constexpr LONG LEAD_OUT_BLOCKS = 6750;

    ~CTarnwick_RawAreaGenerator() override;

    ULONG GetBlockBytes() const { return m__ULONG__BlockBytes; }
    ULONG GetBlocks() const { return m__ULONG__Blocks; }

protected:
    // How a generator class names itself in its failure texts.
    struct Names {
        const char* m__PCHAR__Class;       // the class, in the exception text and the EXITing line
        const char* m__PCHAR__TraceClass;  // the class as the framed trace line of a failure spells it
        const char* m__PCHAR__MemoryFile;  // the member named when the memory source cannot be allocated
    };

    // Allocates p__LONG__Blocks blocks of the form p__ULONG__BlockBytes and the memory
    // source over them, and puts the source into the chain; the blocks are filled by one of
    // the Fill routines. Raises number 4 when either allocation fails, number 2 for a
    // negative block count.
    CTarnwick_RawAreaGenerator(ULONG p__ULONG__BlockBytes, LONG p__LONG__Blocks, const Names& p__Names);

    // Lead-in blocks from p__LONG__StartLBA on: the table of contents of the track list in Q.
    void FillLeadIn(LONG p__LONG__StartLBA, LONG p__LONG__LeadOutStartLBA,
                    const DISC_AT_ONCE_TRACK_LIST* p__PDISC_AT_ONCE_TRACK_LIST__Tracks, BOOLEAN p__BOOLEAN__IsMode2Form1);
    // Pre-gap blocks from p__LONG__StartLBA on: index 0 of the track, relative time counting down.
    void FillPreGap(LONG p__LONG__StartLBA, ULONG p__ULONG__TrackNumber, BOOLEAN p__BOOLEAN__IsDataTrack,
                    BOOLEAN p__BOOLEAN__IsMode2Form1);
    // Lead-out blocks from p__LONG__LeadOutStartLBA on.
    void FillLeadOut(LONG p__LONG__LeadOutStartLBA, BOOLEAN p__BOOLEAN__IsDataTrack, BOOLEAN p__BOOLEAN__IsMode2Form1);

private:
    // Writes block p__ULONG__Index: the generated raw sector of p__LONG__LBA, then the Q
    // record and P flag in the block form.
    void FillBlock(ULONG p__ULONG__Index, LONG p__LONG__LBA, BOOLEAN p__BOOLEAN__IsData, BOOLEAN p__BOOLEAN__IsMode2,
                   const UCHAR* p__PUCHAR__Q12, BOOLEAN p__BOOLEAN__P);
    // Raises number 4 naming the member that could not be allocated.
    [[noreturn]] void RaiseOutOfMemory(const char* p__PCHAR__Member) const;
    // Raises number 2 with a text after the constructor's name.
    [[noreturn]] void RaiseInvalidParameter(const char* p__PCHAR__Text) const;

    Names m__Names;
    ULONG m__ULONG__BlockBytes;
    ULONG m__ULONG__Blocks;
    PUCHAR m__PUCHAR__Memory = nullptr;
    CTarnwick_MemoryFile* m__PCTarnwick_MemoryFile__Area = nullptr;
};
