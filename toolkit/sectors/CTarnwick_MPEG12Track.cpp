#include "CTarnwick_MPEG12Track.h"

#include <new>

#include "CTarnwick_Exception.h"

namespace {
constexpr const char* NAME = "CTarnwick_MPEG12Track::CTarnwick_MPEG12Track";

[[noreturn]] void RaiseMissing(const char* p__PCHAR__Member) {
    CTarnwick_Exception::Raise(NAME, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                               "\nCTarnwick_MPEG12Track::CTarnwick_MPEG12Track(): %s == NULL!!!\n", p__PCHAR__Member);
}
}  // namespace

CTarnwick_MPEG12Track::CTarnwick_MPEG12Track(const char* p__PCHAR__MpegFileName) {
    m__PCTarnwick_MPEG12DiskFile.reset(new (std::nothrow) CTarnwick_MPEG12DiskFile(p__PCHAR__MpegFileName));
    if (!m__PCTarnwick_MPEG12DiskFile) RaiseMissing("m__PCTarnwick_MPEG12DiskFile");
    m__PCTarnwick_MPEG12ZeroFile__FrontSide.reset(new (std::nothrow) CTarnwick_MPEG12ZeroFile(MarginSize));
    if (!m__PCTarnwick_MPEG12ZeroFile__FrontSide) RaiseMissing("m__PCTarnwick_MPEG12ZeroFile__FrontSide");
    m__PCTarnwick_MPEG12ZeroFile__BackSide.reset(new (std::nothrow) CTarnwick_MPEG12ZeroFile(MarginSize));
    if (!m__PCTarnwick_MPEG12ZeroFile__BackSide) RaiseMissing("m__PCTarnwick_MPEG12ZeroFile__BackSide");
    AddChainTail(m__PCTarnwick_MPEG12ZeroFile__FrontSide.get());
    AddChainTail(m__PCTarnwick_MPEG12DiskFile.get());
    AddChainTail(m__PCTarnwick_MPEG12ZeroFile__BackSide.get());
    SeekToBegin();
}

// The sources go after the chain has been used for the last time; it holds no reference it would follow.
CTarnwick_MPEG12Track::~CTarnwick_MPEG12Track() = default;
