#include "SonquillAvLibrary.h"

#include <atomic>
#include <cerrno>
#include <mutex>

#include "PlatformSharedLibrary.h"

namespace {
#define SONQUILL_AV_STRING(x) #x
#define SONQUILL_AV_SONAME(name, major) "lib" name ".so." SONQUILL_AV_STRING(major)

struct Loaded {
    SonquillAvLibrary m__Functions;
    ULONG m__ULONG__Status = 0;
    std::string m__string__Error;
};

std::atomic<bool> g__bool__Loaded{false};

Loaded& State() {
    static Loaded s__Loaded;
    return s__Loaded;
}

void LoadOnce() {
    Loaded& l__Loaded = State();
    // Dependencies first, so that each library finds the one it was linked against.
    const char* const l__PCHAR__Names[] = {SONQUILL_AV_SONAME("avutil", LIBAVUTIL_VERSION_MAJOR),
                                           SONQUILL_AV_SONAME("swresample", LIBSWRESAMPLE_VERSION_MAJOR),
                                           SONQUILL_AV_SONAME("avcodec", LIBAVCODEC_VERSION_MAJOR),
                                           SONQUILL_AV_SONAME("avformat", LIBAVFORMAT_VERSION_MAJOR)};
    void* l__PVOID__Libraries[4] = {};
    for (int i = 0; i < 4; ++i) {
        std::string l__string__Error;
        l__PVOID__Libraries[i] = PlatformSharedLibrary::Open(l__PCHAR__Names[i], l__string__Error);
        if (l__PVOID__Libraries[i] == nullptr) {
            l__Loaded.m__ULONG__Status = ELIBACC;
            l__Loaded.m__string__Error = "cannot load the media runtime: " + l__string__Error;
            return;
        }
    }
    void* const Util = l__PVOID__Libraries[0];
    void* const Resample = l__PVOID__Libraries[1];
    void* const Codec = l__PVOID__Libraries[2];
    void* const Format = l__PVOID__Libraries[3];
    SonquillAvLibrary l__Functions;
    std::string l__string__Error;
#define SONQUILL_AV_RESOLVE(library, name)                                                                           \
    l__Functions.name = reinterpret_cast<decltype(&::name)>(PlatformSharedLibrary::Find(library, #name, l__string__Error)); \
    if (l__Functions.name == nullptr) {                                                                                \
        l__Loaded.m__ULONG__Status = ELIBACC;                                                                          \
        l__Loaded.m__string__Error = "the media runtime has no " #name ": " + l__string__Error;                      \
        return;                                                                                                        \
    }
    SONQUILL_AV_FUNCTIONS(SONQUILL_AV_RESOLVE)
#undef SONQUILL_AV_RESOLVE
    l__Functions.av_log_set_level(AV_LOG_QUIET);
    l__Loaded.m__Functions = l__Functions;
    g__bool__Loaded.store(true);
}
}  // namespace

ULONG SonquillAvLibrary::Load() {
    static std::once_flag s__Once;
    std::call_once(s__Once, LoadOnce);
    return State().m__ULONG__Status;
}

bool SonquillAvLibrary::IsLoaded() { return g__bool__Loaded.load(); }

const std::string& SonquillAvLibrary::LoadError() { return State().m__string__Error; }

const SonquillAvLibrary& SonquillAvLibrary::Functions() { return State().m__Functions; }
