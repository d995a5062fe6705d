#pragma once
#include <string>

// Shared libraries loaded while the program runs, found the way the system finds the
// libraries a program is linked with. A loaded library stays for the life of the process.
class PlatformSharedLibrary {
public:
    // Loads a library by its file name ("libname.so.N"); nullptr and the reason when it cannot.
    static void* Open(const char* p__PCHAR__Name, std::string& p__string__Error);
    // The address of a symbol of a loaded library; nullptr and the reason when it has none.
    static void* Find(void* p__PVOID__Library, const char* p__PCHAR__Symbol, std::string& p__string__Error);
};
