#include "TraceCapture.h"

#include "PlatformDebugOutput.h"

TraceCapture::TraceCapture() { PlatformDebugOutput::SetSink(&TraceCapture::Sink, this); }

TraceCapture::~TraceCapture() { PlatformDebugOutput::SetSink(nullptr, nullptr); }

void TraceCapture::Sink(const char* p__PCHAR__Text, void* p__PVOID__Context) {
    TraceCapture* l__Self = static_cast<TraceCapture*>(p__PVOID__Context);
    std::lock_guard<std::mutex> l__Guard(l__Self->m__Lock);
    l__Self->m__string__Text += p__PCHAR__Text;
}

std::string TraceCapture::Text() {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    return m__string__Text;
}

void TraceCapture::Clear() {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    m__string__Text.clear();
}
