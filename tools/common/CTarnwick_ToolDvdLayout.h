#pragma once
#include <string>
#include <utility>

#include "tarnwick.h"

// How a DVD-Video UDF/ISO9660 bridge lays out VIDEO_TS, for every program that masters one
// (tarnwick master, tarnwick-mkiso), on the UDF flat functions alone.
class CTarnwick_ToolDvdLayout {
public:
    // Where a VIDEO_TS file lies in DVD order: the video manager (VIDEO_TS.*) first, then each
    // title set by number; within a set the IFO, the VOBs by number, then the BUP. Other files
    // last ({1000, 0}).
    static std::pair<int, int> DvdRank(const std::string& p__string__Name);
    // Sets the sector numbers inside the IFO and BUP files of VIDEO_TS (items held in memory) to
    // where the files lie: its files follow one another in list order, so the offsets are sums
    // of their blocks. The video manager's title table gets each title set's start.
    static void PatchVideoTs(PUDF_TREE_ITEM p__PVideoTs);
    // The kid of a directory item with the name (VIDEO_TS, AUDIO_TS), or null.
    static PUDF_TREE_ITEM KidNamed(PUDF_TREE_ITEM p__PDirectory, const char* p__PCHAR__Name);
};
