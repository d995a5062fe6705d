// The WAV header checks and the sound source over a WAV file: any file is refused with the
// toolkit's exception or read back as exactly the bytes after its 44-byte header.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CTarnwick_Exception.h"
#include "CTarnwick_WaveDiskFile.h"
#include "FuzzInput.h"
#include "FuzzScratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p__PUCHAR__Data, size_t p__size_t__Size) {
    FuzzInput l__Input(p__PUCHAR__Data, p__size_t__Size);
    const bool l__bool__AcceptBadHeader = l__Input.Flag();
    const std::vector<uint8_t> l__File = l__Input.Rest();
    if (l__File.size() >= CTarnwick_WaveDiskFile::HeaderSize) {
        // The check reads the 44 header bytes and nothing beyond them.
        const std::vector<uint8_t> l__Header(l__File.begin(), l__File.begin() + CTarnwick_WaveDiskFile::HeaderSize);
        const BOOLEAN l__BOOLEAN__Good = Tarnwick_CheckWaveFileHeader(l__Header.data());
        FUZZ_CHECK(l__BOOLEAN__Good == 0 || l__BOOLEAN__Good == 1);
        if (l__BOOLEAN__Good) FUZZ_CHECK(std::memcmp(l__Header.data(), "RIFF", 4) == 0);
    }
    const std::string l__string__Path = FuzzScratch::Instance().Write("sound.wav", l__File);
    std::unique_ptr<CTarnwick_WaveDiskFile> l__Wave;
    try {
        l__Wave = std::make_unique<CTarnwick_WaveDiskFile>(l__string__Path.c_str(), l__bool__AcceptBadHeader);
    } catch (CTarnwick_Exception* l__Exception) {
        // Only a short file, or a bad header that was not to be accepted, is refused.
        FUZZ_CHECK(l__File.size() < CTarnwick_WaveDiskFile::HeaderSize || !l__bool__AcceptBadHeader);
        delete l__Exception;
        return 0;
    }
    FUZZ_CHECK(l__File.size() >= CTarnwick_WaveDiskFile::HeaderSize);
    FUZZ_CHECK(l__Wave->GetSize() == l__File.size() - CTarnwick_WaveDiskFile::HeaderSize);
    FUZZ_CHECK(l__Wave->GetIsAudioStuff());
    ULONG l__ULONG__Countdown = 1;
    l__Wave->SeekToBeginUnsafe(&l__ULONG__Countdown);
    std::vector<uint8_t> l__Samples(static_cast<size_t>(l__Wave->GetSize()), 0);
    try {
        l__Wave->Read(l__Samples.size(), l__Samples.data());
    } catch (CTarnwick_Exception* l__Exception) {
        delete l__Exception;
        FuzzFail("a WAV file that was accepted could not be read whole");
    }
    FUZZ_CHECK(std::equal(l__Samples.begin(), l__Samples.end(), l__File.begin() + CTarnwick_WaveDiskFile::HeaderSize));
    return 0;
}
