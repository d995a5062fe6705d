#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "AspiBackend.h"

// The virtual recorder with a crafted image in its data track: every command goes to the
// recorder, which answers as it would for the disc in its file, and the blocks a READ(10) of
// the track brings back are the image's (zeros where the image holds nothing). So a fuzzer
// changes what the track holds without a burn for every input.
class FuzzImageBackend : public AspiBackend {
public:
    explicit FuzzImageBackend(const std::string& p__string__Disc);

    // The track's content from p__LONG__FirstLba on (blocks of 2048 bytes); until it is set,
    // reads bring back what the recorder holds.
    void SetImage(int32_t p__LONG__FirstLba, const uint8_t* p__PUCHAR__Data, size_t p__size_t__Size);

    BYTE ExecScsiCmd(SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb) override;
    BYTE DeviceType(BYTE p__BYTE__Target, BYTE p__BYTE__Lun) override { return m__Recorder->DeviceType(p__BYTE__Target, p__BYTE__Lun); }
    bool SymbolicName(BYTE p__BYTE__Target, BYTE p__BYTE__Lun, std::string& p__string__Name) override {
        return m__Recorder->SymbolicName(p__BYTE__Target, p__BYTE__Lun, p__string__Name);
    }

private:
    std::unique_ptr<AspiBackend> m__Recorder;
    bool m__bool__HasImage = false;
    int32_t m__LONG__FirstLba = 0;
    const uint8_t* m__PUCHAR__Data = nullptr;
    size_t m__size_t__Size = 0;
};
