#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "AspiBackend.h"
#include "CommandLog.h"

// One answer of the scripted drive.
struct ScriptedAnswer {
    enum Kind { GOOD, CHECK, BUSY, HOST_ERROR, NO_DEVICE, PENDING_FOREVER, PENDING_ON_DEMAND, PENDING_DELAYED };
    Kind m__Kind = GOOD;
    std::vector<uint8_t> m__Data;  // returned by a GOOD read
    uint8_t m__SenseKey = 0, m__Asc = 0, m__Ascq = 0;
    uint8_t m__HaStat = 0;
    uint32_t m__DelayMilliseconds = 0;

    static ScriptedAnswer Good(std::vector<uint8_t> p__Data = {});
    static ScriptedAnswer Check(uint8_t p__SenseKey, uint8_t p__Asc, uint8_t p__Ascq);
    static ScriptedAnswer Busy();
    static ScriptedAnswer HostError(uint8_t p__HaStat);
    static ScriptedAnswer NoDevice();
    // Left pending; never completed.
    static ScriptedAnswer PendingForever();
    // Left pending until CompletePending() is called; then completes as GOOD.
    static ScriptedAnswer PendingOnDemand();
    // Completed as GOOD by another thread after the given real time.
    static ScriptedAnswer PendingDelayed(uint32_t p__Milliseconds);
};


// An ASPI host adapter whose drives answer from a script: per opcode, a queue of
// answers used in order, then a standing answer (GOOD with no data unless set).
// INQUIRY is answered with standard data of the target's device type and identity.
class ScriptedBackend : public AspiBackend {
public:
    explicit ScriptedBackend(uint8_t p__DeviceType = 0x05);
    ~ScriptedBackend() override;

    // Installs adapters as the only host adapters of the ASPI library and returns them;
    // the table owns them until UninstallAll().
    static std::vector<ScriptedBackend*> InstallAdapters(size_t p__Count, uint8_t p__DeviceType = 0x05);
    static ScriptedBackend& InstallSingle(uint8_t p__DeviceType = 0x05) { return *InstallAdapters(1, p__DeviceType)[0]; }
    static void UninstallAll();

    void AddTarget(uint8_t p__Target, uint8_t p__DeviceType);
    void RemoveTarget(uint8_t p__Target);
    void SetIdentity(const std::string& p__Vendor, const std::string& p__Product, const std::string& p__Revision);
    void SetSymbolicName(std::optional<std::string> p__Name);
    // Answers for an opcode (0x12 INQUIRY included), used before the standing answer.
    void Queue(uint8_t p__Opcode, const ScriptedAnswer& p__Answer, uint32_t p__Times = 1);
    void Always(uint8_t p__Opcode, const ScriptedAnswer& p__Answer);
    // Answers for an opcode computed from the command (after the queued answers run out).
    void Respond(uint8_t p__Opcode, std::function<ScriptedAnswer(const ScriptedCommand&)> p__Responder);

    std::vector<ScriptedCommand> Commands() { return m__Log.Commands(); }
    size_t CountOpcode(uint8_t p__Opcode) { return m__Log.CountOpcode(p__Opcode); }
    void ClearCommands() { m__Log.Clear(); }
    // Completes every request left pending on demand; returns how many.
    size_t CompletePending();

    BYTE ExecScsiCmd(SRB_ExecSCSICmd& p__Srb) override;
    BYTE DeviceType(BYTE p__Target, BYTE p__Lun) override;
    bool SymbolicName(BYTE p__Target, BYTE p__Lun, std::string& p__Name) override;

private:
    ScriptedAnswer NextAnswerLocked(const ScriptedCommand& p__Command);
    std::vector<uint8_t> InquiryData(uint8_t p__DeviceType);
    static void CompleteGood(SRB_ExecSCSICmd& p__Srb, const std::vector<uint8_t>& p__Data);

    std::mutex m__Lock;
    std::map<uint8_t, uint8_t> m__Targets;  // target -> device type
    std::string m__Vendor = "TARNWICK", m__Product = "SCRIPTED DRIVE", m__Revision = "1.00";
    std::optional<std::string> m__SymbolicName;
    std::map<uint8_t, std::deque<ScriptedAnswer>> m__Queued;
    std::map<uint8_t, ScriptedAnswer> m__Standing;
    std::map<uint8_t, std::function<ScriptedAnswer(const ScriptedCommand&)>> m__Responders;
    CommandLog m__Log;
    std::vector<std::pair<SRB_ExecSCSICmd*, std::vector<uint8_t>>> m__Pending;
    std::vector<std::thread> m__Threads;
};
