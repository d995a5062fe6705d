#pragma once
#include <string>
#include <vector>

#include "CTarnwick_CliReporter.h"
#include "tarnwick.h"

// The words the command tells a disc in: its type ("CD-R", "DVD+RW", "BD-R"), its status
// (blank, appendable, closed), a track's kind and mode, and what 1x is for it.
class CTarnwick_CliDiscWords {
public:
    // "CD-R", "DVD+RW", "BD-RE"...; "unknown medium" for a type the toolkit does not know.
    static const char* TypeName(ULONG p__ULONG__DiscType);
    // True for a CD of any kind (read as 2352-byte sectors with sub-channel), false for DVD and BD.
    static bool IsCd(ULONG p__ULONG__DiscType);
    static bool IsBluRay(ULONG p__ULONG__DiscType);
    // The disc status of READ DISC INFORMATION: "blank", "appendable", "closed", "overwritable".
    static const char* StatusName(UCHAR p__UCHAR__DiscStatus);
    // The state of the last session: "empty", "incomplete", "reserved", "complete".
    static const char* SessionStateName(UCHAR p__UCHAR__State);
    // "audio" or "data".
    static const char* KindName(const TOC_TRACK_ENTRY& p__Entry);
    // "audio", "mode 1", "mode 2", "mode 2 form 1", "mode 2 form 2".
    static std::string ModeName(const TOC_TRACK_ENTRY& p__Entry);
    // The bytes a second that 1x is when reading blocks of p__ULONG__BlockBytes bytes from such
    // a disc: 75 blocks a second on a CD, 1,385,000 bytes on a DVD, 4,495,500 on a BD.
    static double BytesPerX(ULONG p__ULONG__DiscType, ULONG p__ULONG__BlockBytes);
    // A field holding a JSON array of texts.
    static CTarnwick_CliReporter::Field List(const std::string& p__string__Name, const std::vector<std::string>& p__Words);
    // The words joined by single spaces; p__string__Empty when there are none.
    static std::string Joined(const std::vector<std::string>& p__Words, const std::string& p__string__Empty);
};
