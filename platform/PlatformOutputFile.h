#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Output files: created (or emptied) for writing, written whole, and, for images that
// hold long runs of zeros, extended with holes instead of written zeros. Every function
// returns -1 (or false) on failure with errno kept for GetLastError().
class PlatformOutputFile {
public:
    // Creates the file, or empties it when it exists (CREATE_ALWAYS), for writing.
    static int CreateAlways(const char* p__PCHAR__Path);
    // Writes all bytes at the file position; returns the count written (less only on failure).
    static int64_t Write(int p__INT__Handle, const void* p__PVOID__Buffer, size_t p__SIZE__Length);
    // Moves the file position forward without writing (a hole in a regular file).
    static bool Skip(int p__INT__Handle, int64_t p__LONGLONG__Length);
    // True when the descriptor is a regular file (holes and truncation work there).
    static bool IsRegularFile(int p__INT__Handle);
    // Sets the file size (holes at the end read as zeros).
    static bool SetSize(int p__INT__Handle, int64_t p__LONGLONG__Size);
    static bool Close(int p__INT__Handle);

    // Files that replace their name only when complete: the bytes go into a new file beside
    // the final name (same directory, so that the rename cannot cross file systems), which is
    // renamed over the name when everything is written, or removed after a failure. A file
    // that already has the name stays untouched until the rename.
    // Creates the new file (mode 0666 less the umask, as CreateAlways) and puts its name into
    // p__string__Temporary.
    static int CreateBeside(const char* p__PCHAR__Path, std::string& p__string__Temporary);
    // Writes the file's data through to the disk (a full disk may show only here).
    static bool Flush(int p__INT__Handle);
    // Renames the finished file over the final name.
    static bool Publish(const std::string& p__string__Temporary, const char* p__PCHAR__Path);
};
