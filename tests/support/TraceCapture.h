#pragma once
#include <gtest/gtest.h>

#include <mutex>
#include <string>

#include "DebugPrint.h"

// Put before the assertions of a test that are about trace lines (at its end): in a build
// without tracing the test ends there as skipped, instead of passing with nothing checked.
#define REQUIRE_TRACING()                                                                \
    do {                                                                                 \
        if (!g__BOOLEAN__TraceEnabled) GTEST_SKIP() << "built without tracing";          \
    } while (0)

// Collects what the toolkit writes to the debug output while it lives.
class TraceCapture {
public:
    TraceCapture();
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::string Text();
    void Clear();
    bool Contains(const std::string& p__string__Needle) { return Text().find(p__string__Needle) != std::string::npos; }

private:
    static void Sink(const char* p__PCHAR__Text, void* p__PVOID__Context);
    std::mutex m__Lock;
    std::string m__string__Text;
};
