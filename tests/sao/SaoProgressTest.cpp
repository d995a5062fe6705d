// The percentage per track that tarnwick-sao makes of the write's progress reports, which
// count the blocks of the current track without naming it.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "CTarnwick_SaoProgress.h"

namespace {

using Told = std::vector<std::pair<ULONG, int>>;

class SaoProgress : public ::testing::Test {
protected:
    // A session of tracks of these sizes in blocks, as the write leaves the entries.
    void Session(const std::vector<LONG>& p__Sizes) {
        std::memset(m__Session.get(), 0, sizeof(SESSION_DESCRIPTOR));
        m__Session->m__ULONG__NumberOfTracks = static_cast<ULONG>(p__Sizes.size());
        for (size_t i = 0; i < p__Sizes.size(); ++i) m__Session->m__SESSION_TRACK_ENTRY__Tracks[i].m__LONG__TrackSize = p__Sizes[i];
        m__Progress = std::make_unique<CTarnwick_SaoProgress>(m__Session.get(), [this](ULONG t, int p) { m__Told.emplace_back(t, p); });
    }

    std::unique_ptr<SESSION_DESCRIPTOR> m__Session = std::make_unique<SESSION_DESCRIPTOR>();
    std::unique_ptr<CTarnwick_SaoProgress> m__Progress;
    Told m__Told;
};

TEST_F(SaoProgress, PercentagesOfEachTrackInOrder) {
    Session({1000, 400});
    m__Progress->Written(250);
    m__Progress->Written(500);
    m__Progress->Written(500);  // unchanged: not told again
    m__Progress->Written(100);  // a lower count: the second track
    m__Progress->SessionWritten();
    EXPECT_EQ(m__Told, (Told{{1, 25}, {1, 50}, {1, 100}, {2, 25}, {2, 100}}));
}

// Tracks written between two reports get their 100% when a later track shows up; the count
// tells which later track it is when it does not fit the next one.
TEST_F(SaoProgress, ShortTracksWithoutReportsAreCompletedInOrder) {
    Session({5000, 50, 60, 3000, 20});
    m__Progress->Written(4000);
    m__Progress->Written(1500);  // more than tracks 2 and 3 hold: track 4
    m__Progress->SessionWritten();
    EXPECT_EQ(m__Told, (Told{{1, 80}, {1, 100}, {2, 100}, {3, 100}, {4, 50}, {4, 100}, {5, 100}}));
}

TEST_F(SaoProgress, ASessionWithoutReportsCompletesEveryTrack) {
    Session({10, 20, 30});
    m__Progress->SessionWritten();
    EXPECT_EQ(m__Told, (Told{{1, 100}, {2, 100}, {3, 100}}));
    // A second end tells nothing more.
    m__Progress->SessionWritten();
    EXPECT_EQ(m__Told.size(), 3u);
}

// Counts that do not fit the session (more tracks seen than it holds, a track of no blocks)
// are never told as percentages of tracks that do not exist.
TEST_F(SaoProgress, ReportsBeyondTheSessionAreIgnored) {
    Session({100, 0});
    m__Progress->Written(100);
    m__Progress->Written(10);  // track 2, of no blocks: no percentage
    m__Progress->Written(5);   // past the last track
    m__Progress->SessionWritten();
    EXPECT_EQ(m__Told, (Told{{1, 100}, {2, 100}}));
}

}  // namespace
