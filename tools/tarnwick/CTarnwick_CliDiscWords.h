#pragma once
#include <string>
#include <vector>

#include "CTarnwick_CliReporter.h"
#include "tarnwick.h"

// The words the command tells a disc in (its type is CTarnwick_CliDiscType's): its status
// (blank, appendable, closed), a track's kind and mode.
class CTarnwick_CliDiscWords {
public:
    // The disc status of READ DISC INFORMATION: "blank", "appendable", "closed", "overwritable".
    static const char* StatusName(UCHAR p__UCHAR__DiscStatus);
    // The state of the last session: "empty", "incomplete", "reserved", "complete".
    static const char* SessionStateName(UCHAR p__UCHAR__State);
    // "audio" or "data".
    static const char* KindName(const TOC_TRACK_ENTRY& p__Entry);
    // "audio", "mode 1", "mode 2", "mode 2 form 1", "mode 2 form 2".
    static std::string ModeName(const TOC_TRACK_ENTRY& p__Entry);
    // A field holding a JSON array of texts.
    static CTarnwick_CliReporter::Field List(const std::string& p__string__Name, const std::vector<std::string>& p__Words);
    // The words joined by single spaces; p__string__Empty when there are none.
    static std::string Joined(const std::vector<std::string>& p__Words, const std::string& p__string__Empty);
};
