#include "CTarnwick_DiscAtOncePreparation.h"

#include <cstring>
#include <new>

#include "CTarnwick_Exception.h"
#include "CTarnwick_ISO9660FileTreeRawPQ.h"
#include "CTarnwick_ISO9660FileTreeRawRawPW.h"
#include "CTarnwick_MemoryFile.h"
#include "CTarnwick_SessionPreparation.h"

namespace {
constexpr ULONG DATA_BLOCK_SIZE = 2048;
constexpr ULONG AUDIO_BLOCK_SIZE = 2352;
// What pads a file that ends inside a block.
const UCHAR g__UCHAR__Zeros[AUDIO_BLOCK_SIZE] = {};
}  // namespace

CTarnwick_DiscAtOncePreparation::CTarnwick_DiscAtOncePreparation(const char* p__PCHAR__Function)
    : m__PCHAR__Function(p__PCHAR__Function) {}

CTarnwick_DiscAtOncePreparation::~CTarnwick_DiscAtOncePreparation() = default;

void CTarnwick_DiscAtOncePreparation::Place(ULONG p__ULONG__Index, uint64_t p__ULONGLONG__Bytes, bool p__bool__IsData,
                                            BOOLEAN p__BOOLEAN__IsMode2Form1) {
    DISC_AT_ONCE_TRACK_ENTRY* l__Entries = m__PDISC_AT_ONCE_TRACK_LIST__Tracks->m__DISC_AT_ONCE_TRACK_ENTRY__Tracks;
    DISC_AT_ONCE_TRACK_ENTRY& l__Entry = l__Entries[p__ULONG__Index];
    const ULONG l__ULONG__BlockSize = p__bool__IsData ? DATA_BLOCK_SIZE : AUDIO_BLOCK_SIZE;
    const uint64_t l__ULONGLONG__Blocks = (p__ULONGLONG__Bytes + l__ULONG__BlockSize - 1) / l__ULONG__BlockSize;
    const int64_t l__LONGLONG__Start =
        p__ULONG__Index == 0 ? 0 : int64_t{l__Entries[p__ULONG__Index - 1].m__LONG__StartLBA} + l__Entries[p__ULONG__Index - 1].m__LONG__SizeInLBs;
    // A track holds a block at least, and the disc must stay on the CD's clock (100 minutes).
    if (l__ULONGLONG__Blocks == 0 || l__LONGLONG__Start + static_cast<int64_t>(l__ULONGLONG__Blocks) > 450000) {
        CTarnwick_Exception::Raise(m__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "%s(): Track %lu of %llu UCHARs does not fit a CD!!!", m__PCHAR__Function,
                                   static_cast<unsigned long>(p__ULONG__Index + 1),
                                   static_cast<unsigned long long>(p__ULONGLONG__Bytes));
    }
    l__Entry.m__LONG__StartLBA = static_cast<LONG>(l__LONGLONG__Start);
    l__Entry.m__LONG__SizeInLBs = static_cast<LONG>(l__ULONGLONG__Blocks);
    l__Entry.m__ULONG__TrackNumber = p__ULONG__Index + 1;
    l__Entry.m__BOOLEAN__IsDataTrack = p__bool__IsData ? 1 : 0;
    l__Entry.m__BOOLEAN__IsMode2Form1 = p__bool__IsData && p__BOOLEAN__IsMode2Form1 == 1 ? 1 : 0;
    // The raw track source reads whole blocks: a partial last block is completed with zeros.
    const uint64_t l__ULONGLONG__Pad = l__ULONGLONG__Blocks * l__ULONG__BlockSize - p__ULONGLONG__Bytes;
    if (l__ULONGLONG__Pad != 0) {
        auto* l__Padding = new (std::nothrow) CTarnwick_MemoryFile(g__UCHAR__Zeros, l__ULONGLONG__Pad);
        if (l__Padding == nullptr) {
            CTarnwick_Exception::Raise(m__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                       "%s(): Padding == NULL!!!", m__PCHAR__Function);
        }
        m__Sources.emplace_back(l__Padding);
        m__Cooked.AddChainTail(l__Padding);
    }
}

void CTarnwick_DiscAtOncePreparation::PrepareFiles(PDISC_AT_ONCE_TRACK_LIST p__PDISC_AT_ONCE_TRACK_LIST__Tracks,
                                                   BOOLEAN p__BOOLEAN__IsMode2Form1) {
    if (p__PDISC_AT_ONCE_TRACK_LIST__Tracks == nullptr) {
        CTarnwick_Exception::Raise(m__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "%s(): p__PDISC_AT_ONCE_TRACK_LIST__Tracks is NULL!!!", m__PCHAR__Function);
    }
    const ULONG l__ULONG__Tracks = p__PDISC_AT_ONCE_TRACK_LIST__Tracks->m__ULONG__NumberOfTracks;
    if (l__ULONG__Tracks == 0 || l__ULONG__Tracks > DISC_AT_ONCE_MAXIMUM_TRACKS) {
        CTarnwick_Exception::Raise(m__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "%s(): Number of tracks %lu not valid, 1 to 99 are!!!", m__PCHAR__Function,
                                   static_cast<unsigned long>(l__ULONG__Tracks));
    }
    m__PDISC_AT_ONCE_TRACK_LIST__Tracks = p__PDISC_AT_ONCE_TRACK_LIST__Tracks;
    DISC_AT_ONCE_TRACK_ENTRY* l__Entries = p__PDISC_AT_ONCE_TRACK_LIST__Tracks->m__DISC_AT_ONCE_TRACK_ENTRY__Tracks;
    // The kind of every file first: a refused list reads and decodes nothing.
    std::vector<bool> l__IsSound;
    bool l__bool__HasData = false, l__bool__HasSound = false;
    for (ULONG l__ULONG__Track = 0; l__ULONG__Track < l__ULONG__Tracks; ++l__ULONG__Track) {
        DISC_AT_ONCE_TRACK_ENTRY& l__Entry = l__Entries[l__ULONG__Track];
        if (std::memchr(l__Entry.m__CHAR__FileName, '\0', sizeof(l__Entry.m__CHAR__FileName)) == nullptr ||
            l__Entry.m__CHAR__FileName[0] == '\0') {
            CTarnwick_Exception::Raise(m__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                       "%s(): The file name of track %lu is empty or not terminated!!!", m__PCHAR__Function,
                                       static_cast<unsigned long>(l__ULONG__Track + 1));
        }
        const bool l__bool__IsSound = CTarnwick_SessionPreparation::IsSoundFile(l__Entry.m__CHAR__FileName, m__PCHAR__Function);
        if (!l__bool__IsSound) {
            if (l__bool__HasData) {
                CTarnwick_Exception::Raise(m__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                           "%s(): Data track is present already, mixed mode or multisession is not supported yet!!!",
                                           m__PCHAR__Function);
            }
            if (l__bool__HasSound) {
                CTarnwick_Exception::Raise(m__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                           "%s(): Audio track is present already, invalid mixed mode or multisession is not supported yet!!!",
                                           m__PCHAR__Function);
            }
            l__bool__HasData = true;
        } else {
            l__bool__HasSound = true;
        }
        l__IsSound.push_back(l__bool__IsSound);
    }
    for (ULONG l__ULONG__Track = 0; l__ULONG__Track < l__ULONG__Tracks; ++l__ULONG__Track) {
        std::unique_ptr<CTarnwick_File> l__Source =
            CTarnwick_SessionPreparation::MakeSource(l__Entries[l__ULONG__Track].m__CHAR__FileName, l__IsSound[l__ULONG__Track]);
        if (!l__Source) {
            CTarnwick_Exception::Raise(m__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                       "%s(): l__PCTarnwick_File == NULL!!!", m__PCHAR__Function);
        }
        CTarnwick_File* l__PCTarnwick_File__Source = l__Source.get();
        m__Sources.push_back(std::move(l__Source));
        m__Cooked.AddChainTail(l__PCTarnwick_File__Source);
        Place(l__ULONG__Track, l__PCTarnwick_File__Source->GetSize(), !l__IsSound[l__ULONG__Track], p__BOOLEAN__IsMode2Form1);
    }
    m__Cooked.SeekToBegin();
    m__PCTarnwick_FileChain__Cooked = &m__Cooked;
}

void CTarnwick_DiscAtOncePreparation::PrepareImage(CTarnwick_FileChain* p__PCTarnwick_FileChain__Image,
                                                   BOOLEAN p__BOOLEAN__IsMode2Form1) {
    m__OwnList = std::make_unique<DISC_AT_ONCE_TRACK_LIST>();
    std::memset(m__OwnList.get(), 0, sizeof(DISC_AT_ONCE_TRACK_LIST));
    m__OwnList->m__ULONG__NumberOfTracks = 1;
    m__PDISC_AT_ONCE_TRACK_LIST__Tracks = m__OwnList.get();
    p__PCTarnwick_FileChain__Image->SeekToBegin();
    const uint64_t l__ULONGLONG__Size = p__PCTarnwick_FileChain__Image->GetSize();
    if (l__ULONGLONG__Size % DATA_BLOCK_SIZE != 0) {
        CTarnwick_Exception::Raise(m__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_STATE, 0,
                                   "%s(): The tree's image of %llu UCHARs is not whole blocks!!!", m__PCHAR__Function,
                                   static_cast<unsigned long long>(l__ULONGLONG__Size));
    }
    Place(0, l__ULONGLONG__Size, true, p__BOOLEAN__IsMode2Form1);
    m__PCTarnwick_FileChain__Cooked = p__PCTarnwick_FileChain__Image;
}

CTarnwick_FileChain* CTarnwick_DiscAtOncePreparation::MakeRawTrack(bool p__bool__IsRawPW, BOOLEAN p__BOOLEAN__IsMode2Form1) {
    CTarnwick_FileChain* l__Raw =
        p__bool__IsRawPW
            ? static_cast<CTarnwick_FileChain*>(new (std::nothrow) CTarnwick_ISO9660FileTreeRawRawPW(
                  m__PCTarnwick_FileChain__Cooked, m__PDISC_AT_ONCE_TRACK_LIST__Tracks, p__BOOLEAN__IsMode2Form1))
            : static_cast<CTarnwick_FileChain*>(new (std::nothrow) CTarnwick_ISO9660FileTreeRawPQ(
                  m__PCTarnwick_FileChain__Cooked, m__PDISC_AT_ONCE_TRACK_LIST__Tracks, p__BOOLEAN__IsMode2Form1));
    if (l__Raw == nullptr) {
        CTarnwick_Exception::Raise(m__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                   "%s(): The raw track source == NULL!!!", m__PCHAR__Function);
    }
    m__RawTrack.reset(l__Raw);
    return l__Raw;
}
