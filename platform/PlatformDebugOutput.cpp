#include "PlatformDebugOutput.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace {
std::mutex g__SinkLock;
PlatformDebugOutput::Sink g__Sink = nullptr;
void* g__SinkContext = nullptr;
std::atomic<bool> g__HasSink{false};
}  // namespace

void PlatformDebugOutput::Write(const char* p__PCHAR__Text) {
    if (p__PCHAR__Text == nullptr) return;
    if (g__HasSink.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> l__Guard(g__SinkLock);
        if (g__Sink != nullptr) {
            g__Sink(p__PCHAR__Text, g__SinkContext);
            return;
        }
    }
    WriteStandardError(p__PCHAR__Text);
}

void PlatformDebugOutput::WriteStandardError(const char* p__PCHAR__Text) {
    if (p__PCHAR__Text == nullptr) return;
    size_t l__size_t__Length = std::strlen(p__PCHAR__Text);
    const char* l__PCHAR__Rest = p__PCHAR__Text;
    // One write(2) carries the whole text (at most 4096 bytes); only an interrupted or short
    // write makes a second call for the rest.
    while (l__size_t__Length > 0) {
        ssize_t l__ssize_t__Written = ::write(STDERR_FILENO, l__PCHAR__Rest, l__size_t__Length);
        if (l__ssize_t__Written < 0) {
            if (errno == EINTR) continue;
            return;
        }
        l__PCHAR__Rest += l__ssize_t__Written;
        l__size_t__Length -= static_cast<size_t>(l__ssize_t__Written);
    }
}

void PlatformDebugOutput::VPrint(const char* p__PCHAR__Format, va_list p__va_list__Arguments) {
    char l__CHAR__Buffer[4096];
    std::memset(l__CHAR__Buffer, 0, sizeof(l__CHAR__Buffer));
    std::vsnprintf(l__CHAR__Buffer, sizeof(l__CHAR__Buffer), p__PCHAR__Format, p__va_list__Arguments);
    Write(l__CHAR__Buffer);
}

void PlatformDebugOutput::Print(const char* p__PCHAR__Format, ...) {
    va_list l__va_list__Arguments;
    va_start(l__va_list__Arguments, p__PCHAR__Format);
    VPrint(p__PCHAR__Format, l__va_list__Arguments);
    va_end(l__va_list__Arguments);
}

void PlatformDebugOutput::SetSink(Sink p__Sink__Sink, void* p__PVOID__Context) {
    std::lock_guard<std::mutex> l__Guard(g__SinkLock);
    g__Sink = p__Sink__Sink;
    g__SinkContext = p__PVOID__Context;
    g__HasSink.store(p__Sink__Sink != nullptr, std::memory_order_release);
}

void OutputDebugStringA(const char* p__PCHAR__Text) { PlatformDebugOutput::Write(p__PCHAR__Text); }
