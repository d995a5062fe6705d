#include "CTarnwick_ToolImageOutput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "tarnwick.h"

namespace {

// Writes the whole block, resuming after a short write or an interruption.
bool WriteAll(int p__int__Handle, const UCHAR* p__PUCHAR__Data, size_t p__SIZE__Length) {
    while (p__SIZE__Length > 0) {
        const ssize_t l__ssize__Written = ::write(p__int__Handle, p__PUCHAR__Data, p__SIZE__Length);
        if (l__ssize__Written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p__PUCHAR__Data += l__ssize__Written;
        p__SIZE__Length -= static_cast<size_t>(l__ssize__Written);
    }
    return true;
}

// The toolkit's text of a failed call without its surrounding blank lines.
std::string Trimmed(const char* p__PCHAR__Text) {
    std::string l__string__Text(p__PCHAR__Text);
    const size_t l__SIZE__First = l__string__Text.find_first_not_of(" \r\n\t");
    if (l__SIZE__First == std::string::npos) return std::string();
    const size_t l__SIZE__Last = l__string__Text.find_last_not_of(" \r\n\t");
    return l__string__Text.substr(l__SIZE__First, l__SIZE__Last - l__SIZE__First + 1);
}

}  // namespace

ULONG CTarnwick_ToolImageOutput::SystemFailure(const std::string& p__string__What, int p__int__Error) {
    m__string__Failure = p__string__What;
    m__string__Failure.append(" '").append(m__string__Output).append("': ").append(std::strerror(p__int__Error));
    return EXCEPTION_NUMBER_SYSTEM_ERROR;
}

ULONG CTarnwick_ToolImageOutput::Stream(PVOID p__PVOID__Tree, int p__int__Handle, bool p__bool__Sparse) {
    // Small enough to stay in the cache; the output takes it in one write either way.
    const size_t l__SIZE__Block = 256 << 10;
    std::unique_ptr<UCHAR[]> l__Buffer(new UCHAR[l__SIZE__Block]);
    static const UCHAR s__UCHAR__Zeros[4096] = {};
    ULONG l__ULONG__High = 0;
    const ULONG l__ULONG__Low = Tarnwick_ISO9660JolietFileTree_GetSizeInUCHARs(p__PVOID__Tree, &l__ULONG__High);
    const uint64_t l__ULONGLONG__Total = (static_cast<uint64_t>(l__ULONG__High) << 32) | l__ULONG__Low;
    char l__CHAR__Text[1024] = {};
    ULONG l__ULONG__SystemError = 0;
    // The image is read from where the build left it, its first byte (BuildImageEx and
    // Tarnwick_UDF_Create rewind it): a rewind here would check and reopen every file of the
    // image once more.
    ULONG l__ULONG__Status = 0;
    if (m__Progress != nullptr) m__Progress->Begin(l__ULONGLONG__Total);
    uint64_t l__ULONGLONG__Done = 0;
    ULONG l__ULONG__Result = 0;
    while (l__ULONG__Status == 0 && l__ULONG__Result == 0 && l__ULONGLONG__Done < l__ULONGLONG__Total) {
        const size_t l__SIZE__Length = static_cast<size_t>(std::min<uint64_t>(l__SIZE__Block, l__ULONGLONG__Total - l__ULONGLONG__Done));
        l__ULONG__Status = Tarnwick_ISO9660JolietFileTree_Read(p__PVOID__Tree, l__CHAR__Text, sizeof(l__CHAR__Text),
                                                               &l__ULONG__SystemError, static_cast<LONG>(l__SIZE__Length),
                                                               l__Buffer.get());
        if (l__ULONG__Status != 0) break;
        bool l__bool__Zero = p__bool__Sparse;
        for (size_t l__SIZE__At = 0; l__bool__Zero && l__SIZE__At < l__SIZE__Length; l__SIZE__At += sizeof(s__UCHAR__Zeros)) {
            l__bool__Zero = std::memcmp(l__Buffer.get() + l__SIZE__At, s__UCHAR__Zeros,
                                        std::min(sizeof(s__UCHAR__Zeros), l__SIZE__Length - l__SIZE__At)) == 0;
        }
        const bool l__bool__Ok = l__bool__Zero ? ::lseek(p__int__Handle, static_cast<off_t>(l__SIZE__Length), SEEK_CUR) >= 0
                                               : WriteAll(p__int__Handle, l__Buffer.get(), l__SIZE__Length);
        if (!l__bool__Ok) {
            l__ULONG__Result = SystemFailure("cannot write", errno);
            break;
        }
        l__ULONGLONG__Done += l__SIZE__Length;
        if (m__Progress != nullptr) m__Progress->Advance(l__ULONGLONG__Done);
    }
    if (l__ULONG__Status != 0) {
        // A source that cannot be read (or has shrunk) while the image is written.
        std::string l__string__Text = Trimmed(l__CHAR__Text);
        if (l__ULONG__Status == EXCEPTION_NUMBER_SYSTEM_ERROR && l__ULONG__SystemError != 0) {
            l__string__Text.append(" (").append(std::strerror(static_cast<int>(l__ULONG__SystemError))).append(")");
        }
        m__string__Failure = l__string__Text;
        l__ULONG__Result = l__ULONG__Status;
    }
    if (l__ULONG__Result == 0 && p__bool__Sparse && ::ftruncate(p__int__Handle, static_cast<off_t>(l__ULONGLONG__Total)) != 0) {
        l__ULONG__Result = SystemFailure("cannot write", errno);
    }
    if (m__Progress != nullptr) m__Progress->End(l__ULONG__Result == 0);
    return l__ULONG__Result;
}

ULONG CTarnwick_ToolImageOutput::Write(PVOID p__PVOID__Tree) {
    m__string__Temporary.clear();
    if (m__string__Output == "-") {
        return Stream(p__PVOID__Tree, STDOUT_FILENO, false);
    }
    struct stat l__stat__Output {};
    const bool l__bool__Exists = ::stat(m__string__Output.c_str(), &l__stat__Output) == 0;
    if (l__bool__Exists && !S_ISREG(l__stat__Output.st_mode)) {
        // A device or a pipe: written in place.
        const int l__int__Handle = ::open(m__string__Output.c_str(), O_WRONLY | O_CLOEXEC);
        if (l__int__Handle < 0) return SystemFailure("cannot open", errno);
        ULONG l__ULONG__Result = Stream(p__PVOID__Tree, l__int__Handle, false);
        if (::close(l__int__Handle) != 0 && l__ULONG__Result == 0) l__ULONG__Result = SystemFailure("cannot write", errno);
        return l__ULONG__Result;
    }
    // Beside the output, in its directory, so that the rename stays on one file system.
    const size_t l__SIZE__Slash = m__string__Output.rfind('/');
    std::string l__string__Template = l__SIZE__Slash == std::string::npos ? std::string() : m__string__Output.substr(0, l__SIZE__Slash + 1);
    l__string__Template.append(".").append(m__string__Output.substr(l__SIZE__Slash == std::string::npos ? 0 : l__SIZE__Slash + 1));
    l__string__Template.append(".tarnwick-XXXXXX");
    std::vector<char> l__Name(l__string__Template.begin(), l__string__Template.end());
    l__Name.push_back('\0');
    const int l__int__Handle = ::mkstemp(l__Name.data());
    if (l__int__Handle < 0) return SystemFailure("cannot create", errno);
    m__string__Temporary = l__Name.data();
    // A new image gets the mode a new file gets; a replaced one keeps its own.
    mode_t l__mode__Mode = l__stat__Output.st_mode & 07777;
    if (!l__bool__Exists) {
        const mode_t l__mode__Mask = ::umask(0);
        ::umask(l__mode__Mask);
        l__mode__Mode = 0666 & ~l__mode__Mask;
    }
    (void)::fchmod(l__int__Handle, l__mode__Mode);
    ULONG l__ULONG__Result = Stream(p__PVOID__Tree, l__int__Handle, true);
    if (::close(l__int__Handle) != 0 && l__ULONG__Result == 0) l__ULONG__Result = SystemFailure("cannot write", errno);
    if (l__ULONG__Result == 0 && ::rename(m__string__Temporary.c_str(), m__string__Output.c_str()) != 0) {
        l__ULONG__Result = SystemFailure("cannot write", errno);
    }
    if (l__ULONG__Result != 0) ::unlink(m__string__Temporary.c_str());
    return l__ULONG__Result;
}
