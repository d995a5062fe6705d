#include "MkIsoOutput.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "CTarnwick_ISO9660Image.h"
#include "PlatformOutputFile.h"

bool ProgressDue(MkIsoState* p__State) {
    auto l__Now = std::chrono::steady_clock::now();
    if (p__State->m__bool__Quiet || l__Now - p__State->m__LastProgress < std::chrono::seconds(1)) {
        return false;
    }
    p__State->m__LastProgress = l__Now;
    return true;
}

int WriteImage(CTarnwick_ISO9660Image* p__Image, const std::string& p__string__Output, MkIsoState* p__State) {
    bool l__bool__Stdout = p__string__Output == "-";
    int l__INT__Handle = l__bool__Stdout ? 1 : PlatformOutputFile::CreateAlways(p__string__Output.c_str());
    if (l__INT__Handle < 0) {
        std::fprintf(stderr, "tarnwick-mkiso: cannot create '%s': %s\n", p__string__Output.c_str(), std::strerror(errno));
        return 1;
    }
    // Holes only in a file of our own, whose size is set at the end.
    bool l__bool__Sparse = !l__bool__Stdout && PlatformOutputFile::IsRegularFile(l__INT__Handle);
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
        bool l__bool__Zero = l__bool__Sparse;
        for (size_t l__SIZE__At = 0; l__bool__Zero && l__SIZE__At < l__SIZE__Length; l__SIZE__At += sizeof(s__UCHAR__Zeros)) {
            l__bool__Zero = std::memcmp(l__Buffer.get() + l__SIZE__At, s__UCHAR__Zeros,
                                        std::min(sizeof(s__UCHAR__Zeros), l__SIZE__Length - l__SIZE__At)) == 0;
        }
        bool l__bool__Ok = l__bool__Zero ? PlatformOutputFile::Skip(l__INT__Handle, static_cast<int64_t>(l__SIZE__Length))
                                         : PlatformOutputFile::Write(l__INT__Handle, l__Buffer.get(), l__SIZE__Length) ==
                                               static_cast<int64_t>(l__SIZE__Length);
        if (!l__bool__Ok) {
            std::fprintf(stderr, "tarnwick-mkiso: cannot write '%s': %s\n", p__string__Output.c_str(), std::strerror(errno));
            if (!l__bool__Stdout) PlatformOutputFile::Close(l__INT__Handle);
            return 1;
        }
        l__ULONGLONG__Done += l__SIZE__Length;
        if (ProgressDue(p__State)) {
            std::fprintf(stderr, "tarnwick-mkiso: %3d%% written (%llu of %llu MiB)\n",
                         static_cast<int>(l__ULONGLONG__Done * 100 / l__ULONGLONG__Total),
                         static_cast<unsigned long long>(l__ULONGLONG__Done >> 20),
                         static_cast<unsigned long long>(l__ULONGLONG__Total >> 20));
        }
    }
    if (!l__bool__Stdout) {
        if ((l__bool__Sparse && !PlatformOutputFile::SetSize(l__INT__Handle, static_cast<int64_t>(l__ULONGLONG__Total))) ||
            !PlatformOutputFile::Close(l__INT__Handle)) {
            std::fprintf(stderr, "tarnwick-mkiso: cannot write '%s': %s\n", p__string__Output.c_str(), std::strerror(errno));
            return 1;
        }
    }
    return 0;
}

