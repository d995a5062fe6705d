#pragma once
#include <cstddef>
#include <cstdint>

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
};
