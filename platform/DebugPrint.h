#pragma once
#include <cstdarg>

#include "PlatformDebugOutput.h"

#ifndef TARNWICK_TRACE
#define TARNWICK_TRACE 0
#endif

// True in builds that trace.
inline constexpr bool g__BOOLEAN__TraceEnabled = TARNWICK_TRACE != 0;

// Formats one trace text into a zero-filled 4096-byte buffer and hands it to the
// debugger output. Nothing in builds without tracing.
inline void DebugPrint(const char* p__PCHAR__Format, ...) __attribute__((format(printf, 1, 2)));
inline void DebugPrint(const char* p__PCHAR__Format, ...) {
    if constexpr (g__BOOLEAN__TraceEnabled) {
        va_list l__va_list__Arguments;
        va_start(l__va_list__Arguments, p__PCHAR__Format);
        PlatformDebugOutput::VPrint(p__PCHAR__Format, l__va_list__Arguments);
        va_end(l__va_list__Arguments);
    } else {
        (void)p__PCHAR__Format;
    }
}
