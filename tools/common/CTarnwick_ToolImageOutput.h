#pragma once
#include <cstdint>
#include <string>

#include "tarnwick_types.h"

// Streams the built image of a flat file tree (an ISO9660 tree, or the container tree of a UDF
// image) into its output, for every program that masters (tarnwick master, tarnwick-mkiso):
// "-" is standard output; a regular file (new, or one it replaces) is written to a temporary
// file beside it and renamed over it only when whole, so that a failed run never leaves a half
// image under the name (a replaced file keeps its mode); a device or a pipe is written in
// place. Runs of zero bytes in a file of its own become holes.
class CTarnwick_ToolImageOutput {
public:
    // What the program tells while the image is written.
    class Progress {
    public:
        virtual ~Progress() = default;
        virtual void Begin(uint64_t p__ULONGLONG__TotalBytes) { (void)p__ULONGLONG__TotalBytes; }
        // After every block written: the bytes written so far.
        virtual void Advance(uint64_t p__ULONGLONG__DoneBytes) { (void)p__ULONGLONG__DoneBytes; }
        virtual void End(bool p__bool__Succeeded) { (void)p__bool__Succeeded; }
    };

    // p__Progress may be null.
    CTarnwick_ToolImageOutput(std::string p__string__Output, Progress* p__Progress)
        : m__string__Output(std::move(p__string__Output)), m__Progress(p__Progress) {}

    // Writes the image of a tree just built (by BuildImageEx or Tarnwick_UDF_Create, which leave
    // it at its first byte). 0, or the toolkit's failure number (a source that cannot be read) or
    // EXCEPTION_NUMBER_SYSTEM_ERROR (the output), with the text in FailureText().
    ULONG Write(PVOID p__PVOID__Tree);
    const std::string& FailureText() const { return m__string__Failure; }
    // The temporary file of the last Write (empty for standard output or a device).
    const std::string& Temporary() const { return m__string__Temporary; }

private:
    ULONG Stream(PVOID p__PVOID__Tree, int p__int__Handle, bool p__bool__Sparse);
    ULONG SystemFailure(const std::string& p__string__What, int p__int__Error);

    std::string m__string__Output;
    Progress* m__Progress;
    std::string m__string__Failure;
    std::string m__string__Temporary;
};
