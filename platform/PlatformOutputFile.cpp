#include "PlatformOutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

int PlatformOutputFile::CreateAlways(const char* p__PCHAR__Path) {
    int l__INT__Handle;
    do {
        l__INT__Handle = ::open(p__PCHAR__Path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (l__INT__Handle < 0 && errno == EINTR);
    return l__INT__Handle;
}

int64_t PlatformOutputFile::Write(int p__INT__Handle, const void* p__PVOID__Buffer, size_t p__SIZE__Length) {
    const char* l__PCHAR__Bytes = static_cast<const char*>(p__PVOID__Buffer);
    size_t l__SIZE__Done = 0;
    while (l__SIZE__Done < p__SIZE__Length) {
        ssize_t l__SSIZE__Count = ::write(p__INT__Handle, l__PCHAR__Bytes + l__SIZE__Done, p__SIZE__Length - l__SIZE__Done);
        if (l__SSIZE__Count < 0) {
            if (errno == EINTR) continue;
            return l__SIZE__Done > 0 ? static_cast<int64_t>(l__SIZE__Done) : -1;
        }
        l__SIZE__Done += static_cast<size_t>(l__SSIZE__Count);
    }
    return static_cast<int64_t>(l__SIZE__Done);
}

bool PlatformOutputFile::Skip(int p__INT__Handle, int64_t p__LONGLONG__Length) {
    return ::lseek(p__INT__Handle, p__LONGLONG__Length, SEEK_CUR) >= 0;
}

bool PlatformOutputFile::IsRegularFile(int p__INT__Handle) {
    struct stat l__Stat {};
    return ::fstat(p__INT__Handle, &l__Stat) == 0 && S_ISREG(l__Stat.st_mode);
}

bool PlatformOutputFile::SetSize(int p__INT__Handle, int64_t p__LONGLONG__Size) {
    return ::ftruncate(p__INT__Handle, p__LONGLONG__Size) == 0;
}

bool PlatformOutputFile::Close(int p__INT__Handle) { return ::close(p__INT__Handle) == 0; }

int PlatformOutputFile::CreateBeside(const char* p__PCHAR__Path, std::string& p__string__Temporary) {
    // A name of its own for every attempt: process id and a counter, tried until one is free.
    static std::atomic<unsigned> s__Counter{0};
    for (int l__INT__Attempt = 0; l__INT__Attempt < 1000; ++l__INT__Attempt) {
        char l__CHAR__Suffix[48];
        std::snprintf(l__CHAR__Suffix, sizeof(l__CHAR__Suffix), ".tmp-%ld-%u", static_cast<long>(::getpid()),
                      s__Counter.fetch_add(1));
        p__string__Temporary = std::string(p__PCHAR__Path) + l__CHAR__Suffix;
        int l__INT__Handle;
        do {
            l__INT__Handle = ::open(p__string__Temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        } while (l__INT__Handle < 0 && errno == EINTR);
        if (l__INT__Handle >= 0 || errno != EEXIST) return l__INT__Handle;
    }
    errno = EEXIST;
    return -1;
}

bool PlatformOutputFile::Flush(int p__INT__Handle) {
    if (::fdatasync(p__INT__Handle) == 0) return true;
    // Pipes and character devices cannot be synchronised and need not be.
    return errno == EINVAL || errno == EROFS;
}

bool PlatformOutputFile::Publish(const std::string& p__string__Temporary, const char* p__PCHAR__Path) {
    return std::rename(p__string__Temporary.c_str(), p__PCHAR__Path) == 0;
}
