#include "MkIsoOutput.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "CTarnwick_Exception.h"
#include "CTarnwick_ISO9660Image.h"
#include "PlatformFile.h"
#include "PlatformOutputFile.h"

bool ProgressDue(MkIsoState* p__State) {
    auto l__Now = std::chrono::steady_clock::now();
    if (p__State->m__bool__Quiet || l__Now - p__State->m__LastProgress < std::chrono::seconds(1)) {
        return false;
    }
    p__State->m__LastProgress = l__Now;
    return true;
}

int ReportFailure(CTarnwick_Exception* p__PCTarnwick_Exception__Exception) {
    std::unique_ptr<CTarnwick_Exception, CTarnwick_ExceptionDeleter> l__Owned(p__PCTarnwick_Exception__Exception);
    if (l__Owned == nullptr) {
        std::fprintf(stderr, "tarnwick-mkiso: out of memory\n");
    } else if (l__Owned->GetExceptionNumber() == EXCEPTION_NUMBER_SYSTEM_ERROR) {
        std::fprintf(stderr, "tarnwick-mkiso: %s (%s)\n", l__Owned->GetExceptionText(),
                     std::strerror(static_cast<int>(l__Owned->GetStatus())));
    } else {
        std::fprintf(stderr, "tarnwick-mkiso: %s\n", l__Owned->GetExceptionText());
    }
    return 1;
}

namespace {

// Streams the image into an open output; false after a message (a failed read of a source
// is reported by the exception it raises).
bool Stream(CTarnwick_ISO9660Image* p__Image, int p__INT__Handle, bool p__bool__Sparse, const std::string& p__string__Output,
            MkIsoState* p__State) {
    // Small enough to stay in the cache and add little to the peak memory; the output
    // takes it in one write either way.
    const size_t l__SIZE__Block = 256 << 10;
    std::unique_ptr<UCHAR[]> l__Buffer(new UCHAR[l__SIZE__Block]);
    static const UCHAR s__UCHAR__Zeros[4096] = {};
    uint64_t l__ULONGLONG__Total = p__Image->GetSize();
    uint64_t l__ULONGLONG__Done = 0;
    while (l__ULONGLONG__Done < l__ULONGLONG__Total) {
        size_t l__SIZE__Length = static_cast<size_t>(std::min<uint64_t>(l__SIZE__Block, l__ULONGLONG__Total - l__ULONGLONG__Done));
        p__Image->Read(l__SIZE__Length, l__Buffer.get());
        bool l__bool__Zero = p__bool__Sparse;
        for (size_t l__SIZE__At = 0; l__bool__Zero && l__SIZE__At < l__SIZE__Length; l__SIZE__At += sizeof(s__UCHAR__Zeros)) {
            l__bool__Zero = std::memcmp(l__Buffer.get() + l__SIZE__At, s__UCHAR__Zeros,
                                        std::min(sizeof(s__UCHAR__Zeros), l__SIZE__Length - l__SIZE__At)) == 0;
        }
        bool l__bool__Ok = l__bool__Zero ? PlatformOutputFile::Skip(p__INT__Handle, static_cast<int64_t>(l__SIZE__Length))
                                         : PlatformOutputFile::Write(p__INT__Handle, l__Buffer.get(), l__SIZE__Length) ==
                                               static_cast<int64_t>(l__SIZE__Length);
        if (!l__bool__Ok) {
            std::fprintf(stderr, "tarnwick-mkiso: cannot write '%s': %s\n", p__string__Output.c_str(), std::strerror(errno));
            return false;
        }
        l__ULONGLONG__Done += l__SIZE__Length;
        if (ProgressDue(p__State)) {
            std::fprintf(stderr, "tarnwick-mkiso: %3d%% written (%llu of %llu MiB)\n",
                         static_cast<int>(l__ULONGLONG__Done * 100 / l__ULONGLONG__Total),
                         static_cast<unsigned long long>(l__ULONGLONG__Done >> 20),
                         static_cast<unsigned long long>(l__ULONGLONG__Total >> 20));
        }
    }
    if (p__bool__Sparse && !PlatformOutputFile::SetSize(p__INT__Handle, static_cast<int64_t>(l__ULONGLONG__Total))) {
        std::fprintf(stderr, "tarnwick-mkiso: cannot write '%s': %s\n", p__string__Output.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

}  // namespace

int WriteImage(CTarnwick_ISO9660Image* p__Image, const std::string& p__string__Output, MkIsoState* p__State) {
    const bool l__bool__Stdout = p__string__Output == "-";
    // A file of our own (new, or a regular file it replaces) is written beside its name and
    // renamed over it only when whole, so that a failed run leaves no half image under the
    // name; a device or a pipe is written in place.
    std::error_code l__Error;
    const std::filesystem::file_status l__Status = std::filesystem::status(p__string__Output, l__Error);
    const bool l__bool__Beside =
        !l__bool__Stdout && (!std::filesystem::exists(l__Status) || std::filesystem::is_regular_file(l__Status));
    std::string l__string__Temporary;
    int l__INT__Handle = l__bool__Stdout  ? 1
                         : l__bool__Beside ? PlatformOutputFile::CreateBeside(p__string__Output.c_str(), l__string__Temporary)
                                           : PlatformOutputFile::CreateAlways(p__string__Output.c_str());
    if (l__INT__Handle < 0) {
        std::fprintf(stderr, "tarnwick-mkiso: cannot create '%s': %s\n", p__string__Output.c_str(), std::strerror(errno));
        return 1;
    }
    // Holes only in a file of our own, whose size is set at the end.
    const bool l__bool__Sparse = !l__bool__Stdout && PlatformOutputFile::IsRegularFile(l__INT__Handle);
    bool l__bool__Ok = false;
    int l__int__Result = 1;
    try {
        l__bool__Ok = Stream(p__Image, l__INT__Handle, l__bool__Sparse, p__string__Output, p__State);
    } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
        ReportFailure(l__PCTarnwick_Exception__Exception);
    }
    if (!l__bool__Stdout && !PlatformOutputFile::Close(l__INT__Handle) && l__bool__Ok) {
        std::fprintf(stderr, "tarnwick-mkiso: cannot write '%s': %s\n", p__string__Output.c_str(), std::strerror(errno));
        l__bool__Ok = false;
    }
    if (l__bool__Ok && l__bool__Beside && !PlatformOutputFile::Publish(l__string__Temporary, p__string__Output.c_str())) {
        std::fprintf(stderr, "tarnwick-mkiso: cannot write '%s': %s\n", p__string__Output.c_str(), std::strerror(errno));
        l__bool__Ok = false;
    }
    if (l__bool__Ok) {
        l__int__Result = 0;
    } else if (l__bool__Beside) {
        PlatformFile::Remove(l__string__Temporary.c_str());
    }
    return l__int__Result;
}
