#pragma once
#include <mutex>
#include <string>

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
