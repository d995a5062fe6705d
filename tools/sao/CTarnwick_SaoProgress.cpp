#include "CTarnwick_SaoProgress.h"

#include <algorithm>
#include <utility>

CTarnwick_SaoProgress::CTarnwick_SaoProgress(const SESSION_DESCRIPTOR* p__PSESSION_DESCRIPTOR__Session, Sink p__Sink)
    : m__PSESSION_DESCRIPTOR__Session(p__PSESSION_DESCRIPTOR__Session), m__Sink(std::move(p__Sink)) {}

ULONG CTarnwick_SaoProgress::Tracks() const {
    return std::min<ULONG>(m__PSESSION_DESCRIPTOR__Session->m__ULONG__NumberOfTracks, SESSION_MAXIMUM_TRACKS);
}

LONG CTarnwick_SaoProgress::Size(ULONG p__ULONG__Track) const {
    return m__PSESSION_DESCRIPTOR__Session->m__SESSION_TRACK_ENTRY__Tracks[p__ULONG__Track - 1].m__LONG__TrackSize;
}

void CTarnwick_SaoProgress::Tell(int p__int__Percentage) {
    if (m__ULONG__Track == 0 || m__ULONG__Track > Tracks() || p__int__Percentage == m__int__LastPercentage) return;
    m__int__LastPercentage = p__int__Percentage;
    m__Sink(m__ULONG__Track, p__int__Percentage);
}

void CTarnwick_SaoProgress::NextTrack() {
    Tell(100);
    ++m__ULONG__Track;
    m__int__LastPercentage = -1;
}

void CTarnwick_SaoProgress::Written(LONGLONG p__LONGLONG__Written) {
    if (m__ULONG__Track == 0 || p__LONGLONG__Written < m__LONGLONG__LastWritten) {
        NextTrack();
        while (m__ULONG__Track < Tracks() && Size(m__ULONG__Track) < p__LONGLONG__Written) NextTrack();
    }
    m__LONGLONG__LastWritten = p__LONGLONG__Written;
    if (m__ULONG__Track > Tracks() || Size(m__ULONG__Track) <= 0) return;
    Tell(static_cast<int>(std::min<LONGLONG>(100, p__LONGLONG__Written * 100 / Size(m__ULONG__Track))));
}

void CTarnwick_SaoProgress::SessionWritten() {
    if (m__ULONG__Track == 0) m__ULONG__Track = 1;
    while (m__ULONG__Track <= Tracks()) NextTrack();
}
