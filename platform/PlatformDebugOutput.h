#pragma once
#include <cstdarg>

// The debugger output of the toolkit. Each text goes to standard error with one
// write(2) call, so lines written by two threads never mix. Tests may install a
// sink that receives the texts instead.
class PlatformDebugOutput {
public:
    using Sink = void (*)(const char* p__PCHAR__Text, void* p__PVOID__Context);

    // Writes one text (OutputDebugStringA).
    static void Write(const char* p__PCHAR__Text);
    // Formats into a zero-filled 4096-byte buffer (printf rules, cut at 4095 characters) and writes it.
    static void VPrint(const char* p__PCHAR__Format, va_list p__va_list__Arguments)
        __attribute__((format(printf, 1, 0)));
    static void Print(const char* p__PCHAR__Format, ...) __attribute__((format(printf, 1, 2)));
    // Writes one text straight to standard error with one write(2) call, in every build and
    // whatever sink is installed: for the few lines a user must see even without tracing.
    static void WriteStandardError(const char* p__PCHAR__Text);
    // Replaces the destination; nullptr restores standard error.
    static void SetSink(Sink p__Sink__Sink, void* p__PVOID__Context);
};

// The platform's name for PlatformDebugOutput::Write.
void OutputDebugStringA(const char* p__PCHAR__Text);
