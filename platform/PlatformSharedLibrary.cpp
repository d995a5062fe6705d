#include "PlatformSharedLibrary.h"

#include <dlfcn.h>

namespace {
std::string LastLoaderError(const char* p__PCHAR__Fallback) {
    const char* l__PCHAR__Error = dlerror();
    return l__PCHAR__Error != nullptr ? l__PCHAR__Error : p__PCHAR__Fallback;
}
}  // namespace

void* PlatformSharedLibrary::Open(const char* p__PCHAR__Name, std::string& p__string__Error) {
    // Every symbol is bound now, so that a library that does not fit fails here and not at
    // some later call; its symbols stay out of the global scope.
    void* l__PVOID__Library = dlopen(p__PCHAR__Name, RTLD_NOW | RTLD_LOCAL);
    if (l__PVOID__Library == nullptr) p__string__Error = LastLoaderError(p__PCHAR__Name);
    return l__PVOID__Library;
}

void* PlatformSharedLibrary::Find(void* p__PVOID__Library, const char* p__PCHAR__Symbol, std::string& p__string__Error) {
    dlerror();
    void* l__PVOID__Address = dlsym(p__PVOID__Library, p__PCHAR__Symbol);
    if (l__PVOID__Address == nullptr) p__string__Error = LastLoaderError(p__PCHAR__Symbol);
    return l__PVOID__Address;
}
