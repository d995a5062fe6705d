#pragma once
#include <functional>

#include "tarnwick_types.h"

// Turns the write's progress reports into a percentage per track. WRITE_PROGRESS counts the
// blocks written of the current track but does not name the track, and comes at most once a
// second: a count lower than the one before means a later track, the first whose size can hold
// the count. A track written in under a second gets no report of its own; its 100% is told when
// a later track, or the end of the session, shows that it is complete. Every track's 100% is
// told once, in order.
class CTarnwick_SaoProgress {
public:
    // Told (track from 1, percentage) whenever a track's percentage changes.
    using Sink = std::function<void(ULONG, int)>;

    // The session's entries hold the track sizes once the write has measured them.
    CTarnwick_SaoProgress(const SESSION_DESCRIPTOR* p__PSESSION_DESCRIPTOR__Session, Sink p__Sink);

    // A WRITE_PROGRESS report: the blocks written of the current track.
    void Written(LONGLONG p__LONGLONG__Written);
    // The whole session is written (the drive's cache is being synchronised).
    void SessionWritten();

    ULONG Tracks() const;

private:
    LONG Size(ULONG p__ULONG__Track) const;
    void Tell(int p__int__Percentage);
    void NextTrack();

    const SESSION_DESCRIPTOR* m__PSESSION_DESCRIPTOR__Session;
    Sink m__Sink;
    ULONG m__ULONG__Track = 0;  // from 1; 0 before the first report
    LONGLONG m__LONGLONG__LastWritten = 0;
    int m__int__LastPercentage = -1;
};
