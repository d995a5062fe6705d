#include "PlatformFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

int PlatformFile::OpenRead(const char* p__PCHAR__Path) {
    int l__INT__Handle;
    do {
        l__INT__Handle = ::open(p__PCHAR__Path, O_RDONLY | O_CLOEXEC);
    } while (l__INT__Handle < 0 && errno == EINTR);
    if (l__INT__Handle < 0) return l__INT__Handle;
    // A directory opens for reading on Linux but holds no bytes to read: refuse it here,
    // as opening a directory as a file fails elsewhere.
    struct stat l__stat__Info;
    bool l__bool__Known = ::fstat(l__INT__Handle, &l__stat__Info) == 0;
    if (l__bool__Known && S_ISDIR(l__stat__Info.st_mode)) {
        ::close(l__INT__Handle);
        errno = EISDIR;
        return -1;
    }
    // A file that fits into the kernel's default read-ahead window gains nothing from the
    // advice, and a tree of thousands of small files would pay a system call for each.
    if (!l__bool__Known || l__stat__Info.st_size > SequentialAdviceSize) {
        int l__INT__Saved = errno;
        (void)::posix_fadvise(l__INT__Handle, 0, 0, POSIX_FADV_SEQUENTIAL);
        errno = l__INT__Saved;
    }
    return l__INT__Handle;
}

bool PlatformFile::FullPath(const char* p__PCHAR__Path, std::string* p__Pstring__FullPath) {
    char* l__PCHAR__Resolved = ::realpath(p__PCHAR__Path, nullptr);
    if (l__PCHAR__Resolved == nullptr) return false;
    p__Pstring__FullPath->assign(l__PCHAR__Resolved);
    ::free(l__PCHAR__Resolved);
    return true;
}

bool PlatformFile::CanOpenRead(const char* p__PCHAR__Path) {
    return ::faccessat(AT_FDCWD, p__PCHAR__Path, R_OK, AT_EACCESS) == 0;
}

int PlatformFile::CreateNew(const char* p__PCHAR__Path) {
    int l__INT__Handle;
    do {
        l__INT__Handle = ::open(p__PCHAR__Path, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (l__INT__Handle < 0 && errno == EINTR);
    return l__INT__Handle;
}

int PlatformFile::CreateTemporary() {
    const char* l__PCHAR__Directory = std::getenv("TMPDIR");
    if (l__PCHAR__Directory == nullptr || *l__PCHAR__Directory == '\0') l__PCHAR__Directory = "/tmp";
    int l__INT__Handle = ::open(l__PCHAR__Directory, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (l__INT__Handle >= 0) return l__INT__Handle;
    // File systems without O_TMPFILE: a named file removed at once.
    std::string l__string__Template = std::string(l__PCHAR__Directory) + "/tarnwick-XXXXXX";
    l__INT__Handle = ::mkostemp(l__string__Template.data(), O_CLOEXEC);
    if (l__INT__Handle >= 0) ::unlink(l__string__Template.c_str());
    return l__INT__Handle;
}

namespace {
// Repeats a read call (count, offset done so far) until the length is reached or the file ends.
template <class ReadCall>
int64_t ReadWhole(size_t p__SIZE__Length, ReadCall&& p__Call) {
    size_t l__SIZE__Done = 0;
    while (l__SIZE__Done < p__SIZE__Length) {
        ssize_t l__SSIZE__Got = p__Call(l__SIZE__Done);
        if (l__SSIZE__Got < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (l__SSIZE__Got == 0) break;
        l__SIZE__Done += static_cast<size_t>(l__SSIZE__Got);
    }
    return static_cast<int64_t>(l__SIZE__Done);
}
}  // namespace

int64_t PlatformFile::Read(int p__INT__Handle, void* p__PVOID__Buffer, size_t p__SIZE__Length) {
    return ReadWhole(p__SIZE__Length, [&](size_t p__SIZE__Done) {
        return ::read(p__INT__Handle, static_cast<char*>(p__PVOID__Buffer) + p__SIZE__Done, p__SIZE__Length - p__SIZE__Done);
    });
}

int64_t PlatformFile::ReadAt(int p__INT__Handle, void* p__PVOID__Buffer, size_t p__SIZE__Length,
                             int64_t p__LONGLONG__Offset) {
    return ReadWhole(p__SIZE__Length, [&](size_t p__SIZE__Done) {
        return ::pread(p__INT__Handle, static_cast<char*>(p__PVOID__Buffer) + p__SIZE__Done, p__SIZE__Length - p__SIZE__Done,
                       static_cast<off_t>(p__LONGLONG__Offset + static_cast<int64_t>(p__SIZE__Done)));
    });
}

int64_t PlatformFile::Write(int p__INT__Handle, const void* p__PVOID__Buffer, size_t p__SIZE__Length) {
    size_t l__SIZE__Done = 0;
    while (l__SIZE__Done < p__SIZE__Length) {
        ssize_t l__SSIZE__Put = ::write(p__INT__Handle, static_cast<const char*>(p__PVOID__Buffer) + l__SIZE__Done,
                                        p__SIZE__Length - l__SIZE__Done);
        if (l__SSIZE__Put < 0) {
            if (errno == EINTR) continue;
            return l__SIZE__Done > 0 ? static_cast<int64_t>(l__SIZE__Done) : -1;
        }
        l__SIZE__Done += static_cast<size_t>(l__SSIZE__Put);
    }
    return static_cast<int64_t>(l__SIZE__Done);
}

int64_t PlatformFile::Seek(int p__INT__Handle, int64_t p__LONGLONG__Offset, int p__INT__Whence) {
    return static_cast<int64_t>(::lseek(p__INT__Handle, static_cast<off_t>(p__LONGLONG__Offset), p__INT__Whence));
}

int64_t PlatformFile::Size(int p__INT__Handle) {
    struct stat l__stat__Info;
    if (::fstat(p__INT__Handle, &l__stat__Info) != 0) return -1;
    return static_cast<int64_t>(l__stat__Info.st_size);
}

int PlatformFile::Duplicate(int p__INT__Handle) { return ::fcntl(p__INT__Handle, F_DUPFD_CLOEXEC, 0); }

bool PlatformFile::Close(int p__INT__Handle) { return ::close(p__INT__Handle) == 0; }

bool PlatformFile::Remove(const char* p__PCHAR__Path) { return ::unlink(p__PCHAR__Path) == 0; }
