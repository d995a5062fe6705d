#pragma once
#include <memory>

#include "CTarnwick_EmptyBase.h"
#include "CTarnwick_FileChain.h"
#include "CTarnwick_MPEG12DiskFile.h"
#include "CTarnwick_MPEG12ZeroFile.h"

// The MPEG track of a VideoCD or Super VideoCD: 30 empty Mode 2 Form 2 sectors, the MPEG
// file's 2,324-byte payload blocks as 2,332-byte sectors, and 30 empty sectors, served by
// its chain in that order.
class CTarnwick_MPEG12Track : public CTarnwick_EmptyBase, public CTarnwick_FileChain {
public:
    static constexpr uint64_t MarginSize = 30ULL * CTarnwick_MPEG12DiskFile::SectorSize;  // 69,960 bytes

    // Raises number 5 when the file cannot be opened, number 4 when memory is short.
    explicit CTarnwick_MPEG12Track(const char* p__PCHAR__MpegFileName);
    ~CTarnwick_MPEG12Track() override;

private:
    std::unique_ptr<CTarnwick_MPEG12DiskFile> m__PCTarnwick_MPEG12DiskFile;
    std::unique_ptr<CTarnwick_MPEG12ZeroFile> m__PCTarnwick_MPEG12ZeroFile__FrontSide;
    std::unique_ptr<CTarnwick_MPEG12ZeroFile> m__PCTarnwick_MPEG12ZeroFile__BackSide;
};
