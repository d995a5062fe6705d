#pragma once
// The compressed-audio toolkit's debug log: levels 0 failures, 1 entry and exit,
// 2 argument values, 3 progress. Facility 1 also appends each line to the log file,
// facility 2 also prints it to standard output.
#include <cstdarg>

#include "tarnwick_types.h"

enum SONQUILL_DEBUG_LEVEL {
    SONQUILL_DEBUG_LEVEL_FAILURE = 0,
    SONQUILL_DEBUG_LEVEL_ENTRY_EXIT = 1,
    SONQUILL_DEBUG_LEVEL_ARGUMENTS = 2,
    SONQUILL_DEBUG_LEVEL_PROGRESS = 3
};

struct SonquillDebugSettings {
    ULONG m__ULONG__DebugLevel;
    ULONG m__ULONG__DebugFacility;
    char m__CHAR__DebugFileName[260];
};

// The settings in force (read by Sonquill_InitDebugSettings).
SonquillDebugSettings& Sonquill_DebugSettings();

// One log line: "<function><text>", formatted into 1024 bytes.
void Sonquill_DebugPrint(ULONG p__ULONG__Level, const char* p__PCHAR__Function, const char* p__PCHAR__Format, ...)
    __attribute__((format(printf, 3, 4)));

// Entry and exit lines of a flat function (level 1); the exit line reports the status.
class SonquillTraceScope {
public:
    explicit SonquillTraceScope(const char* p__PCHAR__Function);
    ~SonquillTraceScope();
    // Records the status the function returns and hands it back.
    ULONG Return(ULONG p__ULONG__Status) {
        m__ULONG__Status = p__ULONG__Status;
        return p__ULONG__Status;
    }

private:
    const char* m__PCHAR__Function;
    ULONG m__ULONG__Status;
};
