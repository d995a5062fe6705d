#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "ExternalTool.h"
#include "ScratchDirectory.h"
#include "VdiscMedium.h"
#include "wnaspi32.h"

// A virtual recorder reached the way the toolkit reaches drives: TARNWICK_DRIVES names
// its disc file and every command goes through SendASPI32Command as a request block.
class VdiscTestDrive {
public:
    struct Result {
        uint32_t m__ULONG__Status = 0;
        uint8_t m__UCHAR__TargetStatus = 0;
        uint8_t m__UCHAR__Key = 0, m__UCHAR__Asc = 0, m__UCHAR__Ascq = 0;
        std::vector<uint8_t> m__Data;
        bool Ok() const { return m__ULONG__Status == SS_COMP; }
        bool Is(uint8_t p__Key, uint8_t p__Asc, uint8_t p__Ascq) const {
            return m__ULONG__Status == SS_ERR && m__UCHAR__TargetStatus == STATUS_CHKCOND && m__UCHAR__Key == p__Key && m__UCHAR__Asc == p__Asc &&
                   m__UCHAR__Ascq == p__Ascq;
        }
    };

    // Makes a blank disc file of the kind in a fresh directory and points the ASPI library at it.
    explicit VdiscTestDrive(VdiscMediumKind p__Kind, const std::string& p__string__Vendor = "TARNWICK");
    ~VdiscTestDrive();
    VdiscTestDrive(const VdiscTestDrive&) = delete;
    VdiscTestDrive& operator=(const VdiscTestDrive&) = delete;

    const std::string& Dir() const { return m__Dir.Path(); }
    const std::string& File() const { return m__string__File; }
    // Drops the drive object: the next command opens the disc file again (as a new process would).
    void Reopen();

    Result In(std::initializer_list<uint8_t> p__Cdb, uint32_t p__ULONG__Length);
    Result Out(std::initializer_list<uint8_t> p__Cdb, const std::vector<uint8_t>& p__Data);
    Result Raw(const std::vector<uint8_t>& p__Cdb, uint8_t* p__PUCHAR__Buffer, uint32_t p__ULONG__Length, bool p__bool__Out);

    // Common commands.
    Result Write(int32_t p__LONG__Lba, uint32_t p__ULONG__Blocks, const std::vector<uint8_t>& p__Data);
    Result Read(int32_t p__LONG__Lba, uint32_t p__ULONG__Blocks);
    Result DiscInfo() { return In({0x51, 0, 0, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096); }
    Result TrackInfo(uint32_t p__ULONG__Track, uint8_t p__UCHAR__Type = 1);
    Result Toc(uint8_t p__UCHAR__Format, bool p__bool__Msf, uint8_t p__UCHAR__Track = 0);
    Result Sync(bool p__bool__Immed = false) { return In({0x35, static_cast<uint8_t>(p__bool__Immed ? 2 : 0), 0, 0, 0, 0, 0, 0, 0, 0}, 0); }
    Result Close(uint8_t p__UCHAR__Function, uint8_t p__UCHAR__Track, bool p__bool__Immed = false) {
        return In({0x5B, static_cast<uint8_t>(p__bool__Immed ? 1 : 0), p__UCHAR__Function, 0, 0, p__UCHAR__Track, 0, 0, 0, 0}, 0);
    }
    Result Reserve(uint32_t p__ULONG__Blocks);
    // SEND CUE SHEET, and one 8-byte cue sheet entry appended to CUE (TNO and INDEX binary, the
    // address as MIN/SEC/FRAME counted from 00:00:00 at LBA -150).
    Result SendCue(const std::vector<uint8_t>& p__Cue);
    static void CueEntry(std::vector<uint8_t>& p__Cue, uint8_t p__UCHAR__AdrControl, uint8_t p__UCHAR__Track, uint8_t p__UCHAR__Index, uint8_t p__UCHAR__Form,
                         int32_t p__LONG__Lba);
    uint16_t CurrentProfile();
    // MODE SENSE(10) page 05h, change it, MODE SELECT(10).
    Result SetWriteParameters(uint8_t p__UCHAR__WriteType, uint8_t p__UCHAR__BlockType, uint8_t p__UCHAR__TrackMode, uint8_t p__UCHAR__Multi,
                              uint8_t p__UCHAR__Format, bool p__bool__Test = false);

    static uint32_t Be32(const std::vector<uint8_t>& p__Data, size_t p__size_t__At) {
        return (uint32_t{p__Data[p__size_t__At]} << 24) | (uint32_t{p__Data[p__size_t__At + 1]} << 16) | (uint32_t{p__Data[p__size_t__At + 2]} << 8) |
               p__Data[p__size_t__At + 3];
    }
    static uint32_t Be16(const std::vector<uint8_t>& p__Data, size_t p__size_t__At) {
        return (uint32_t{p__Data[p__size_t__At]} << 8) | p__Data[p__size_t__At + 1];
    }
    // Runs a shell command line; returns its exit status.
    static int Shell(const std::string& p__string__Command);
    static std::vector<uint8_t> ReadFile(const std::string& p__string__Path);
    static void WriteFile(const std::string& p__string__Path, const std::vector<uint8_t>& p__Data);

private:
    ScratchDirectory m__Dir{"vdisc-test"};
    std::string m__string__File;
};
