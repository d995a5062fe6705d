#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "AspiBackend.h"
#include "AspiIscsiUrl.h"

struct iscsi_context;

// One iSCSI logical unit as a host adapter of the ASPI library: target 0, LUN 0 is the
// unit the address names. The session is logged in when the adapter is made; every
// command waits for its answer in a poll loop of its own with the unit's time-out, so a
// target that stops answering fails the command instead of hanging the caller.
//
// Lost connections: a command whose connection drops while it is under way fails
// (SRB_HaStat HASTAT_BUS_FREE) and is not sent again, since the target may have carried
// it out already (a second RESERVE TRACK, a write at the next writable address or a
// CLOSE would not be harmless). The next command logs in again first, a few attempts
// within a few seconds; when they all fail it fails with HASTAT_SEL_TO, and so does every
// command for a short while after, without trying again, so a target that is gone makes
// each command fail at once. A command that times out (HASTAT_TIMEOUT) drops the
// connection too: its answer may still come, and must not be taken for the next one's.
class AspiIscsiBackend : public AspiBackend {
public:
    // How long logging in may take, how often the next command tries it after a
    // connection was lost, the pause between those attempts, and how long a unit whose
    // attempts all failed fails every command at once.
    static constexpr std::chrono::milliseconds LOGIN_LIMIT{3000};
    static constexpr int RECONNECT_ATTEMPTS = 3;
    static constexpr std::chrono::milliseconds RECONNECT_PAUSE{300};
    static constexpr std::chrono::milliseconds GONE_HOLD{5000};

    // The creator of drive kind "iscsi": p__string__Argument is what follows "iscsi://".
    // Throws std::runtime_error with the cause when the address is malformed or the unit
    // cannot be reached, logged in to or identified.
    static std::unique_ptr<AspiBackend> Create(const std::string& p__string__Argument);

    AspiIscsiBackend(const AspiIscsiUrl& p__Url, const std::string& p__string__Text);
    ~AspiIscsiBackend() override;
    AspiIscsiBackend(const AspiIscsiBackend&) = delete;
    AspiIscsiBackend& operator=(const AspiIscsiBackend&) = delete;

    BYTE ExecScsiCmd(SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb) override;
    BYTE DeviceType(BYTE p__BYTE__Target, BYTE p__BYTE__Lun) override;
    bool SymbolicName(BYTE p__BYTE__Target, BYTE p__BYTE__Lun, std::string& p__string__Name) override;

private:
    using Clock = std::chrono::steady_clock;
    enum class Wait { DONE, TIMED_OUT, FAILED };
    struct Command;

    // Logs in (once); false with the cause in p__string__Error.
    bool Login(Clock::time_point p__Deadline, std::string& p__string__Error);
    // Logs in again when the session was lost, as the class comment says.
    bool EnsureLoggedIn();
    // Notices a connection that the target closed while the unit was idle.
    void CheckIdleConnection();
    void Drop();
    // Services the connection until p__Done says so or the deadline passes.
    Wait Pump(Clock::time_point p__Deadline, const std::function<bool()>& p__Done);
    BYTE Execute(SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb, Clock::time_point p__Deadline);
    // Consumes the unit attention a new session starts with (power on or reset): the
    // caller did not reset anything, so it is not the caller's to see.
    void ClearResetAttention(Clock::time_point p__Deadline);
    bool Identify(std::string& p__string__Error);

    static void ConnectDone(iscsi_context* p__Context, int p__int__Status, void* p__PVOID__Data, void* p__PVOID__Private);
    static void LoginDone(iscsi_context* p__Context, int p__int__Status, void* p__PVOID__Data, void* p__PVOID__Private);
    static void CommandDone(iscsi_context* p__Context, int p__int__Status, void* p__PVOID__Data, void* p__PVOID__Private);

    const AspiIscsiUrl m__Url;
    const std::string m__string__Text;
    std::mutex m__Lock;  // one command at a time per unit
    iscsi_context* m__Context = nullptr;
    bool m__bool__ConnectDone = false;
    int m__int__ConnectStatus = 0;
    std::string m__string__ConnectError;
    bool m__bool__Lost = false;  // the connection failed after it was made
    bool m__bool__Gone = false;  // the last attempts to log in again failed
    Clock::time_point m__GoneUntil{};
    BYTE m__BYTE__DeviceType = 0x1F;
};
