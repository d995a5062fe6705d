#include "CTarnwick_SessionPreparation.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "CTarnwick_CarrierTree.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_DiskFile.h"
#include "CTarnwick_Exception.h"
#include "CTarnwick_Mode2Form1Tree.h"
#include "CTarnwick_SonquillFile.h"
#include "sonquill.h"

namespace {
constexpr LONG LAST_GAP_AFTER = 600;

// The flat reference of an object the toolkit hands out.
PVOID ReferenceOf(CTarnwick_EmptyBase* p__PCTarnwick_EmptyBase__Object) { return p__PCTarnwick_EmptyBase__Object; }
}  // namespace

CTarnwick_SessionPreparation::CTarnwick_SessionPreparation(PSESSION_DESCRIPTOR p__PSESSION_DESCRIPTOR__Session,
                                                           const char* p__PCHAR__Function)
    : m__PSESSION_DESCRIPTOR__Session(p__PSESSION_DESCRIPTOR__Session), m__PCHAR__Function(p__PCHAR__Function) {
    if (p__PSESSION_DESCRIPTOR__Session == nullptr) {
        CTarnwick_Exception::Raise(p__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "%s(): p__PSESSION_DESCRIPTOR__Session is NULL!!!", p__PCHAR__Function);
    }
    // The entries are a fixed array: a count beyond it would send the preparation past the record.
    m__ULONG__Tracks = p__PSESSION_DESCRIPTOR__Session->m__ULONG__NumberOfTracks;
    if (m__ULONG__Tracks == 0 || m__ULONG__Tracks > SESSION_MAXIMUM_TRACKS) {
        CTarnwick_Exception::Raise(p__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "%s(): Number of tracks %lu not valid!!!", p__PCHAR__Function,
                                   static_cast<unsigned long>(m__ULONG__Tracks));
    }
    for (ULONG l__ULONG__Track = 0; l__ULONG__Track < m__ULONG__Tracks; ++l__ULONG__Track)
        m__CallerTrees.push_back(PVOID{p__PSESSION_DESCRIPTOR__Session->m__SESSION_TRACK_ENTRY__Tracks[l__ULONG__Track].m__PVOID__Tree});
}

bool CTarnwick_SessionPreparation::IsSoundFile(const char* p__PCHAR__FileName, const char* p__PCHAR__Function) {
    // File names are case-sensitive here: the decoding test gets the name as given.
    const ULONG l__ULONG__SoundStatus = Sonquill_CompressedFileSupportedIs(const_cast<PCHAR>(p__PCHAR__FileName));
    if (l__ULONG__SoundStatus == ELIBACC) {
        CTarnwick_Exception::Raise(p__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SYSTEM_ERROR,
                                   l__ULONG__SoundStatus,
                                   "%s(): The media runtime cannot be loaded: cannot tell whether '%s' is a sound file!!!",
                                   p__PCHAR__Function, p__PCHAR__FileName);
    }
    return l__ULONG__SoundStatus == 0;
}

std::unique_ptr<CTarnwick_File> CTarnwick_SessionPreparation::MakeSource(const char* p__PCHAR__FileName,
                                                                        const char* p__PCHAR__Function,
                                                                        bool* p__Pbool__IsSound) {
    *p__Pbool__IsSound = IsSoundFile(p__PCHAR__FileName, p__PCHAR__Function);
    return MakeSource(p__PCHAR__FileName, *p__Pbool__IsSound);
}

std::unique_ptr<CTarnwick_File> CTarnwick_SessionPreparation::MakeSource(const char* p__PCHAR__FileName, bool p__bool__IsSound) {
    return std::unique_ptr<CTarnwick_File>(
        p__bool__IsSound ? static_cast<CTarnwick_File*>(new (std::nothrow) CTarnwick_SonquillFile(p__PCHAR__FileName))
                         : static_cast<CTarnwick_File*>(new (std::nothrow) CTarnwick_DiskFile(p__PCHAR__FileName)));
}

void CTarnwick_SessionPreparation::Prepare(BOOLEAN p__BOOLEAN__IsMode2Form1) {
    SESSION_TRACK_ENTRY* l__Entries = m__PSESSION_DESCRIPTOR__Session->m__SESSION_TRACK_ENTRY__Tracks;
    for (ULONG l__ULONG__Track = 0; l__ULONG__Track < m__ULONG__Tracks; ++l__ULONG__Track) {
        SESSION_TRACK_ENTRY& l__Entry = l__Entries[l__ULONG__Track];
        l__Entry.m__UCHAR__IsSound = l__Entry.m__UCHAR__IsMode2 = l__Entry.m__UCHAR__IsRawPW = 0;
        l__Entry.m__PVOID__File = l__Entry.m__PVOID__BackSideTree = nullptr;
    }
    m__bool__IsPrepared = true;
    for (ULONG l__ULONG__Track = 0; l__ULONG__Track < m__ULONG__Tracks; ++l__ULONG__Track) {
        SESSION_TRACK_ENTRY& l__Entry = l__Entries[l__ULONG__Track];
        if (l__Entry.m__CHAR__FileName[0] == '\0') {
            // The caller's tree: its image is written from its start.
            CTarnwick_CdvdBurnerGrabber::ImageOfSessionTree(l__Entry.m__PVOID__Tree, l__ULONG__Track)->SeekToBegin();
            continue;
        }
        if (std::memchr(l__Entry.m__CHAR__FileName, '\0', sizeof(l__Entry.m__CHAR__FileName)) == nullptr) {
            CTarnwick_Exception::Raise(m__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                       EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                       "%s(): The file name of track %lu is not terminated!!!", m__PCHAR__Function,
                                       static_cast<unsigned long>(l__ULONG__Track + 1));
        }
        bool l__bool__IsSound = false;
        std::unique_ptr<CTarnwick_File> l__Source = MakeSource(l__Entry.m__CHAR__FileName, m__PCHAR__Function, &l__bool__IsSound);
        if (!l__Source) {
            CTarnwick_Exception::Raise(m__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                       "%s(): m__PVOID__File == NULL!!!", m__PCHAR__Function);
        }
        auto* l__Carrier = new (std::nothrow) CTarnwick_CarrierTree(l__Source.get());
        if (l__Carrier == nullptr) {
            CTarnwick_Exception::Raise(m__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                       "%s(): m__PVOID__Tree == NULL!!!", m__PCHAR__Function);
        }
        l__Entry.m__UCHAR__IsSound = l__bool__IsSound ? 1 : 0;
        l__Entry.m__PVOID__File = l__Source.release();
        l__Entry.m__PVOID__Tree = ReferenceOf(l__Carrier);
    }
    if (p__BOOLEAN__IsMode2Form1 == 1) {
        for (ULONG l__ULONG__Track = 0; l__ULONG__Track < m__ULONG__Tracks; ++l__ULONG__Track) {
            SESSION_TRACK_ENTRY& l__Entry = l__Entries[l__ULONG__Track];
            if (l__Entry.m__UCHAR__IsSound != 0) continue;
            auto* l__Wrapper = new (std::nothrow) CTarnwick_Mode2Form1Tree(
                l__Entry.m__PVOID__Tree, CTarnwick_CdvdBurnerGrabber::ImageOfSessionTree(l__Entry.m__PVOID__Tree, l__ULONG__Track));
            if (l__Wrapper == nullptr) {
                CTarnwick_Exception::Raise(m__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                           EXCEPTION_NUMBER_OUT_OF_MEMORY, 0, "%s(): m__PVOID__BackSideTree == NULL!!!",
                                           m__PCHAR__Function);
            }
            l__Entry.m__PVOID__BackSideTree = l__Entry.m__PVOID__Tree = ReferenceOf(l__Wrapper);
        }
    }
    l__Entries[m__ULONG__Tracks - 1].m__LONG__GapAfter = LAST_GAP_AFTER;
}

CTarnwick_SessionPreparation::~CTarnwick_SessionPreparation() {
    if (!m__bool__IsPrepared) return;
    SESSION_TRACK_ENTRY* l__Entries = m__PSESSION_DESCRIPTOR__Session->m__SESSION_TRACK_ENTRY__Tracks;
    for (ULONG l__ULONG__Track = 0; l__ULONG__Track < m__ULONG__Tracks; ++l__ULONG__Track) {
        SESSION_TRACK_ENTRY& l__Entry = l__Entries[l__ULONG__Track];
        if (l__Entry.m__PVOID__BackSideTree != nullptr) {
            auto* l__Wrapper = static_cast<CTarnwick_Mode2Tree*>(
                static_cast<CTarnwick_EmptyBase*>(l__Entry.m__PVOID__BackSideTree));
            l__Entry.m__PVOID__Tree = l__Wrapper->GetWrappedTree();
            delete l__Wrapper;
            l__Entry.m__PVOID__BackSideTree = nullptr;
        }
        if (l__Entry.m__PVOID__File != nullptr) {
            delete static_cast<CTarnwick_CarrierTree*>(static_cast<CTarnwick_EmptyBase*>(l__Entry.m__PVOID__Tree));
            delete static_cast<CTarnwick_File*>(l__Entry.m__PVOID__File);
            l__Entry.m__PVOID__File = nullptr;
        }
        l__Entry.m__PVOID__Tree = m__CallerTrees[l__ULONG__Track];
    }
}
