#pragma once
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include "AspiBackend.h"
#include "VdiscModePages.h"
#include "VdiscStore.h"
#include "VdiscWriter.h"

// The virtual recorder: one MMC CD/DVD recorder (target 0, LUN 0 of its host adapter)
// that records onto a disc file. It answers the commands a recorder answers, with the
// data and sense data a drive gives, and keeps the disc in the file so that another
// process sees what this one burned.
class VdiscRecorder : public AspiBackend {
public:
    // Opens the disc file, creating a blank CD-R when there is none. Throws
    // std::runtime_error when the file exists but cannot be used.
    explicit VdiscRecorder(const std::string& p__string__Path);
    // The creator registered for "virtual:PATH" drives.
    static std::unique_ptr<AspiBackend> Create(const std::string& p__string__Path);

    BYTE ExecScsiCmd(SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb) override;
    BYTE DeviceType(BYTE p__BYTE__Target, BYTE p__BYTE__Lun) override;
    bool SymbolicName(BYTE p__BYTE__Target, BYTE p__BYTE__Lun, std::string& p__string__Name) override;

private:
    struct Busy {};

    // Runs one command; the caller holds the lock.
    BYTE Execute(SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb);
    // Appends the command and its outcome to the drive's command log.
    void LogCommand(const SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb, BYTE p__BYTE__Status);
    // Accounts a write of the bytes at the disc's simulated write speed.
    void Pace(uint32_t p__ULONG__Bytes);

    void Dispatch(const VdiscCommand& p__Command);
    void ApplyFaults(uint8_t p__UCHAR__Op);
    bool HasMedium() const;
    void RequireMedium() const;
    const VdiscState& View() const;
    void StartPolls(uint8_t p__UCHAR__Ascq);
    void CommitFaults();
    void Read(const VdiscCommand& p__Command, int32_t p__LONG__Lba, uint32_t p__ULONG__Blocks);
    void ReadCd(const VdiscCommand& p__Command);
    void CheckReadFault(int32_t p__LONG__Lba);
    std::vector<uint8_t> Inquiry() const;
    std::vector<uint8_t> RequestSense();

    std::mutex m__Lock;
    VdiscStore m__Store;
    VdiscModePages m__Pages;
    VdiscWriter m__Writer;
    bool m__bool__TrayOpen = false;
    bool m__bool__Prevent = false;
    bool m__bool__MediumChanged = false;
    VdiscMediumKind m__Kind = VdiscMediumKind::None;  // the medium the mode pages were set up for
    uint32_t m__ULONG__PendingPolls = 0;
    uint8_t m__UCHAR__PendingAscq = 0;
    uint8_t m__UCHAR__LastSense[3] = {};
    std::string m__string__LastReason;  // why the last command's data was refused ("" when not told)
    std::chrono::steady_clock::time_point m__WriteDone{};  // when the last paced write is on the medium
    std::chrono::steady_clock::time_point m__PaceUntil{};  // when the command being run may return
};
