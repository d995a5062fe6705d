#pragma once
#include <cstdint>
#include <memory>

#include "CTarnwick_EmptyBase.h"
#include "CTarnwick_FileChain.h"
#include "CTarnwick_MemoryFile.h"
#include "tarnwick_types.h"

// The data track of a VideoCD: the first 1,228,800 bytes (600 sectors) of a template image,
// patched for one disc (the label in the volume descriptor and as album text, the two
// volume numbers of the disc information file, the recorded length of the MPEG file, and
// one sector from the file ARCHIVE.dat of the current directory), served by its chain as
// 2,048-byte sectors. A template is laid out for NTSC video: the disc information file
// marks the MPEG track as PAL when the stream's pictures come 25 a second.
class CTarnwick_VCDDATATrack : public CTarnwick_EmptyBase, public CTarnwick_FileChain {
public:
    // Raises number 4 when the template is shorter than 600 sectors or memory is short,
    // number 5 when the template or the MPEG file cannot be opened, and number 18 when the
    // MPEG file is too long for the 32-bit length of its directory record.
    CTarnwick_VCDDATATrack(const char* p__PCHAR__MpegFileName, const char* p__PCHAR__Label, USHORT p__USHORT__First,
                           USHORT p__USHORT__Second, const char* p__PCHAR__TemplateFileName,
                           ULONG p__ULONG__DirectoryRecordOffset);
    ~CTarnwick_VCDDATATrack() override;

    // The patched image (1,228,800 bytes).
    const UCHAR* GetImage() const { return m__PUCHAR__Memory.get(); }
    uint64_t GetMpegFileSize() const { return m__ULONGLONG__MpegFileSize; }
    // Whether the MPEG file's first sequence header gives 25 pictures a second (PAL video).
    bool IsPalVideo() const { return m__bool__IsPalVideo; }

    // Whether the first sequence header in the first 64 KiB of an MPEG file gives a picture
    // rate of 25 a second; false when none is found or the file cannot be read.
    static bool ReadIsPalVideo(const char* p__PCHAR__MpegFileName);

protected:
    // Copies up to 2,048 bytes of ARCHIVE.dat (zeros after them) into a sector; a file that
    // cannot be opened leaves the sector as the template has it. Traces under the class name given.
    void PatchAdditionalFile(ULONG p__ULONG__Sector, const char* p__PCHAR__ClassName);
    PUCHAR Sector(ULONG p__ULONG__Sector) { return m__PUCHAR__Memory.get() + p__ULONG__Sector * 2048ULL; }
    // Up to p__size_t__Size bytes of a file from an offset: the count read, or -1 when the
    // file cannot be opened or read.
    static int64_t ReadFileAt(const char* p__PCHAR__FileName, int64_t p__LONGLONG__Offset, PUCHAR p__PUCHAR__Buffer,
                              size_t p__size_t__Size);

private:
    std::unique_ptr<UCHAR[]> m__PUCHAR__Memory;
    std::unique_ptr<CTarnwick_MemoryFile> m__PCTarnwick_MemoryFile__DATATrack;
    uint64_t m__ULONGLONG__MpegFileSize = 0;
    bool m__bool__IsPalVideo = false;
};
