#include "ScriptedBackend.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "AspiHostAdapterTable.h"

ScriptedAnswer ScriptedAnswer::Good(std::vector<uint8_t> p__Data) {
    ScriptedAnswer l__Answer;
    l__Answer.m__Data = std::move(p__Data);
    return l__Answer;
}

ScriptedAnswer ScriptedAnswer::Check(uint8_t p__SenseKey, uint8_t p__Asc, uint8_t p__Ascq) {
    ScriptedAnswer l__Answer;
    l__Answer.m__Kind = CHECK;
    l__Answer.m__SenseKey = p__SenseKey;
    l__Answer.m__Asc = p__Asc;
    l__Answer.m__Ascq = p__Ascq;
    return l__Answer;
}

ScriptedAnswer ScriptedAnswer::Busy() {
    ScriptedAnswer l__Answer;
    l__Answer.m__Kind = BUSY;
    return l__Answer;
}

ScriptedAnswer ScriptedAnswer::HostError(uint8_t p__HaStat) {
    ScriptedAnswer l__Answer;
    l__Answer.m__Kind = HOST_ERROR;
    l__Answer.m__HaStat = p__HaStat;
    return l__Answer;
}

ScriptedAnswer ScriptedAnswer::NoDevice() {
    ScriptedAnswer l__Answer;
    l__Answer.m__Kind = NO_DEVICE;
    return l__Answer;
}

ScriptedAnswer ScriptedAnswer::PendingForever() {
    ScriptedAnswer l__Answer;
    l__Answer.m__Kind = PENDING_FOREVER;
    return l__Answer;
}

ScriptedAnswer ScriptedAnswer::PendingOnDemand() {
    ScriptedAnswer l__Answer;
    l__Answer.m__Kind = PENDING_ON_DEMAND;
    return l__Answer;
}

ScriptedAnswer ScriptedAnswer::PendingDelayed(uint32_t p__Milliseconds) {
    ScriptedAnswer l__Answer;
    l__Answer.m__Kind = PENDING_DELAYED;
    l__Answer.m__DelayMilliseconds = p__Milliseconds;
    return l__Answer;
}

ScriptedBackend::ScriptedBackend(uint8_t p__DeviceType) { m__Targets[0] = p__DeviceType; }

ScriptedBackend::~ScriptedBackend() {
    for (std::thread& l__Thread : m__Threads) l__Thread.join();
}

std::vector<ScriptedBackend*> ScriptedBackend::InstallAdapters(size_t p__Count, uint8_t p__DeviceType) {
    std::vector<std::unique_ptr<AspiBackend>> l__Backends;
    std::vector<ScriptedBackend*> l__Result;
    for (size_t i = 0; i < p__Count; ++i) {
        auto l__Backend = std::make_unique<ScriptedBackend>(p__DeviceType);
        l__Result.push_back(l__Backend.get());
        l__Backends.push_back(std::move(l__Backend));
    }
    AspiHostAdapterTable::Instance().Install(std::move(l__Backends));
    return l__Result;
}

void ScriptedBackend::UninstallAll() { AspiHostAdapterTable::Instance().Install({}); }

void ScriptedBackend::AddTarget(uint8_t p__Target, uint8_t p__DeviceType) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    m__Targets[p__Target] = p__DeviceType;
}

void ScriptedBackend::RemoveTarget(uint8_t p__Target) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    m__Targets.erase(p__Target);
}

void ScriptedBackend::SetIdentity(const std::string& p__Vendor, const std::string& p__Product,
                                  const std::string& p__Revision) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    m__Vendor = p__Vendor;
    m__Product = p__Product;
    m__Revision = p__Revision;
}

void ScriptedBackend::SetSymbolicName(std::optional<std::string> p__Name) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    m__SymbolicName = std::move(p__Name);
}

void ScriptedBackend::Queue(uint8_t p__Opcode, const ScriptedAnswer& p__Answer, uint32_t p__Times) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    for (uint32_t i = 0; i < p__Times; ++i) m__Queued[p__Opcode].push_back(p__Answer);
}

void ScriptedBackend::Always(uint8_t p__Opcode, const ScriptedAnswer& p__Answer) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    m__Standing[p__Opcode] = p__Answer;
}

size_t ScriptedBackend::CompletePending() {
    std::vector<std::pair<SRB_ExecSCSICmd*, std::vector<uint8_t>>> l__Pending;
    {
        std::lock_guard<std::mutex> l__Guard(m__Lock);
        l__Pending.swap(m__Pending);
    }
    for (auto& [l__Srb, l__Data] : l__Pending) CompleteGood(*l__Srb, l__Data);
    return l__Pending.size();
}

void ScriptedBackend::Respond(uint8_t p__Opcode, std::function<ScriptedAnswer(const ScriptedCommand&)> p__Responder) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    m__Responders[p__Opcode] = std::move(p__Responder);
}

ScriptedAnswer ScriptedBackend::NextAnswerLocked(const ScriptedCommand& p__Command) {
    uint8_t p__Opcode = p__Command.m__Cdb.empty() ? 0 : p__Command.m__Cdb[0];
    auto l__Queue = m__Queued.find(p__Opcode);
    if (l__Queue != m__Queued.end() && !l__Queue->second.empty()) {
        ScriptedAnswer l__Answer = l__Queue->second.front();
        l__Queue->second.pop_front();
        return l__Answer;
    }
    auto l__Responder = m__Responders.find(p__Opcode);
    if (l__Responder != m__Responders.end()) return l__Responder->second(p__Command);
    auto l__Standing = m__Standing.find(p__Opcode);
    if (l__Standing != m__Standing.end()) return l__Standing->second;
    return ScriptedAnswer::Good();
}

std::vector<uint8_t> ScriptedBackend::InquiryData(uint8_t p__DeviceType) {
    std::vector<uint8_t> l__Data(96, 0);
    l__Data[0] = p__DeviceType & 0x1F;
    l__Data[1] = 0x80;  // removable
    l__Data[2] = 0x05;
    l__Data[3] = 0x32;
    l__Data[4] = 91;
    auto l__Put = [&](size_t p__At, const std::string& p__Text, size_t p__Width) {
        for (size_t i = 0; i < p__Width; ++i) l__Data[p__At + i] = i < p__Text.size() ? p__Text[i] : ' ';
    };
    l__Put(8, m__Vendor, 8);
    l__Put(16, m__Product, 16);
    l__Put(32, m__Revision, 4);
    return l__Data;
}

void ScriptedBackend::CompleteGood(SRB_ExecSCSICmd& p__Srb, const std::vector<uint8_t>& p__Data) {
    if ((p__Srb.SRB_Flags & SRB_DIR_OUT) == 0 && p__Srb.SRB_BufPointer != nullptr) {
        size_t l__Length = std::min<size_t>(p__Data.size(), p__Srb.SRB_BufLen);
        if (l__Length > 0) std::memcpy(p__Srb.SRB_BufPointer, p__Data.data(), l__Length);
    }
    p__Srb.SRB_HaStat = HASTAT_OK;
    p__Srb.SRB_TargStat = STATUS_GOOD;
    AspiBackend::Complete(p__Srb, SS_COMP);
}

BYTE ScriptedBackend::ExecScsiCmd(SRB_ExecSCSICmd& p__Srb) {
    ScriptedCommand l__Command = m__Log.Record(p__Srb, true);
    std::unique_lock<std::mutex> l__Lock(m__Lock);

    auto l__Target = m__Targets.find(p__Srb.SRB_Target);
    if (l__Target == m__Targets.end()) return SS_NO_DEVICE;
    uint8_t l__Opcode = p__Srb.CDBByte[0];
    ScriptedAnswer l__Answer = NextAnswerLocked(l__Command);
    std::vector<uint8_t> l__Data = l__Answer.m__Data;
    if (l__Opcode == 0x12 && l__Data.empty()) l__Data = InquiryData(l__Target->second);

    switch (l__Answer.m__Kind) {
        case ScriptedAnswer::GOOD:
            l__Lock.unlock();
            CompleteGood(p__Srb, l__Data);
            return SS_COMP;
        case ScriptedAnswer::CHECK:
            return AspiBackend::CheckCondition(p__Srb, l__Answer.m__SenseKey, l__Answer.m__Asc, l__Answer.m__Ascq);
        case ScriptedAnswer::BUSY:
            p__Srb.SRB_HaStat = HASTAT_OK;
            p__Srb.SRB_TargStat = STATUS_BUSY;
            return SS_ERR;
        case ScriptedAnswer::HOST_ERROR:
            p__Srb.SRB_HaStat = l__Answer.m__HaStat;
            p__Srb.SRB_TargStat = STATUS_GOOD;
            return SS_ERR;
        case ScriptedAnswer::NO_DEVICE:
            return SS_NO_DEVICE;
        case ScriptedAnswer::PENDING_FOREVER:
            return SS_PENDING;
        case ScriptedAnswer::PENDING_ON_DEMAND:
            m__Pending.emplace_back(&p__Srb, l__Data);
            return SS_PENDING;
        case ScriptedAnswer::PENDING_DELAYED: {
            SRB_ExecSCSICmd* l__Srb = &p__Srb;
            uint32_t l__Delay = l__Answer.m__DelayMilliseconds;
            m__Threads.emplace_back([l__Srb, l__Data, l__Delay] {
                std::this_thread::sleep_for(std::chrono::milliseconds(l__Delay));
                CompleteGood(*l__Srb, l__Data);
            });
            return SS_PENDING;
        }
    }
    return SS_ERR;
}

BYTE ScriptedBackend::DeviceType(BYTE p__Target, BYTE p__Lun) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    auto l__Target = m__Targets.find(p__Target);
    if (l__Target == m__Targets.end() || p__Lun != 0) return 0x1F;
    return l__Target->second;
}

bool ScriptedBackend::SymbolicName(BYTE p__Target, BYTE /*p__Lun*/, std::string& p__Name) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    if (!m__SymbolicName || m__Targets.find(p__Target) == m__Targets.end()) return false;
    p__Name = *m__SymbolicName;
    return true;
}
