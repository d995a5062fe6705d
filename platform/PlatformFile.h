#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// File access of the toolkit: descriptors opened close-on-exec, whole reads and
// writes (a short count only at end of file or on failure), 64-bit positions.
// Every function returns -1 (or false) on failure with errno kept for GetLastError().
class PlatformFile {
public:
    static constexpr int InvalidHandle = -1;
    // Files larger than this are announced to the kernel as read front to back.
    static constexpr int64_t SequentialAdviceSize = 128 * 1024;

    // Opens an existing file (not a directory: EISDIR) for reading and, when it is larger
    // than SequentialAdviceSize, tells the kernel it is read front to back.
    static int OpenRead(const char* p__PCHAR__Path);
    // Whether the file exists and the process may open it for reading, without opening it
    // (one path lookup; a directory passes too). errno tells why not.
    static bool CanOpenRead(const char* p__PCHAR__Path);
    // Creates a file that must not exist yet (EEXIST otherwise), for writing.
    static int CreateNew(const char* p__PCHAR__Path);
    // Creates an anonymous read-write file in the temporary directory ($TMPDIR, else /tmp)
    // that disappears with its last descriptor.
    static int CreateTemporary();
    // Reads up to p__SIZE__Length bytes at the file position; returns the count (0 at end).
    static int64_t Read(int p__INT__Handle, void* p__PVOID__Buffer, size_t p__SIZE__Length);
    // Reads up to p__SIZE__Length bytes at p__LONGLONG__Offset without moving the position.
    static int64_t ReadAt(int p__INT__Handle, void* p__PVOID__Buffer, size_t p__SIZE__Length,
                          int64_t p__LONGLONG__Offset);
    // Writes all bytes; returns the count written (less only on failure).
    static int64_t Write(int p__INT__Handle, const void* p__PVOID__Buffer, size_t p__SIZE__Length);
    // Moves the position (whence: SEEK_SET/SEEK_CUR/SEEK_END); returns the new position.
    static int64_t Seek(int p__INT__Handle, int64_t p__LONGLONG__Offset, int p__INT__Whence);
    // The size of the open file.
    static int64_t Size(int p__INT__Handle);
    // A second descriptor for the same open file (sharing its position).
    static int Duplicate(int p__INT__Handle);
    static bool Close(int p__INT__Handle);
    // The absolute path of an existing file, links and "." and ".." resolved; false (errno
    // set) when it cannot be resolved.
    static bool FullPath(const char* p__PCHAR__Path, std::string* p__Pstring__FullPath);
    // Removes a file name.
    static bool Remove(const char* p__PCHAR__Path);
};
