#pragma once
#include "CTarnwick_DiskFile.h"

// Checks the first 44 bytes of a WAV file: RIFF/WAVE, a 16-byte PCM "fmt " chunk of
// 2 channels, 44,100 Hz, 176,400 bytes per second, block align 4, 16 bits, then "data".
// The RIFF and data sizes are not looked at.
BOOLEAN Tarnwick_CheckWaveFileHeader(const UCHAR* p__PUCHAR__Header);

// The CD-DA samples of a WAV file: everything after its 44-byte header.
class CTarnwick_WaveDiskFile : public CTarnwick_DiskFile {
public:
    static constexpr ULONG HeaderSize = 44;

    // A header that fails the check raises EXCEPTION_NUMBER_MEDIA_OR_DATA.
    explicit CTarnwick_WaveDiskFile(const char* p__PCHAR__FileName);
    // With p__BOOLEAN__AcceptBadHeader set, a header that fails the check is only traced.
    CTarnwick_WaveDiskFile(const char* p__PCHAR__FileName, BOOLEAN p__BOOLEAN__AcceptBadHeader);

    CTarnwick_File* SeekToBeginUnsafe(PULONG p__PULONG__Countdown) override;
    const UCHAR* GetHeader() const { return m__UCHAR__Header; }

private:
    void ReadHeader(BOOLEAN p__BOOLEAN__AcceptBadHeader);

    UCHAR m__UCHAR__Header[HeaderSize];
};
