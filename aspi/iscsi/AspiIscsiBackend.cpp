#include "AspiIscsiBackend.h"

// clang-format off
#include <iscsi/iscsi.h>
#include <iscsi/scsi-lowlevel.h>
// clang-format on
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "AspiIscsiSense.h"

namespace {

constexpr const char* INITIATOR_NAME = "iqn.2026-12.org.tarnwick:initiator";
constexpr uint8_t OPCODE_TEST_UNIT_READY = 0x00;
constexpr uint8_t OPCODE_INQUIRY = 0x12;
// A command of the unit's own (INQUIRY at log-in, the reset attention) may take this long.
constexpr std::chrono::milliseconds OWN_COMMAND_LIMIT{5000};

// The session's last error, without the line breaks it may end with.
std::string ErrorText(iscsi_context* p__Context) {
    std::string l__string__Text = iscsi_get_error(p__Context);
    while (!l__string__Text.empty() && (l__string__Text.back() == '\n' || l__string__Text.back() == ' '))
        l__string__Text.pop_back();
    return l__string__Text.empty() ? "unknown error" : l__string__Text;
}

}  // namespace

// One command on its way: what the answer callback fills in.
struct AspiIscsiBackend::Command {
    bool m__bool__Done = false;
    int m__int__Status = 0;
    scsi_task* m__Task = nullptr;
};

std::unique_ptr<AspiBackend> AspiIscsiBackend::Create(const std::string& p__string__Argument) {
    AspiIscsiUrl l__Url;
    std::string l__string__Error;
    if (!AspiIscsiUrl::Parse(p__string__Argument, l__Url, l__string__Error)) throw std::runtime_error(l__string__Error);
    auto l__Backend = std::make_unique<AspiIscsiBackend>(l__Url, "iscsi://" + p__string__Argument);
    std::lock_guard<std::mutex> l__Guard(l__Backend->m__Lock);
    if (!l__Backend->Login(Clock::now() + LOGIN_LIMIT, l__string__Error) || !l__Backend->Identify(l__string__Error))
        throw std::runtime_error(l__string__Error);
    return l__Backend;
}

AspiIscsiBackend::AspiIscsiBackend(const AspiIscsiUrl& p__Url, const std::string& p__string__Text)
    : m__Url(p__Url), m__string__Text(p__string__Text) {}

AspiIscsiBackend::~AspiIscsiBackend() {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    Drop();
}

BYTE AspiIscsiBackend::DeviceType(BYTE p__BYTE__Target, BYTE p__BYTE__Lun) {
    if (p__BYTE__Target != 0 || p__BYTE__Lun != 0) return 0x1F;
    return m__BYTE__DeviceType;
}

bool AspiIscsiBackend::SymbolicName(BYTE p__BYTE__Target, BYTE p__BYTE__Lun, std::string& p__string__Name) {
    if (p__BYTE__Target != 0 || p__BYTE__Lun != 0) return false;
    p__string__Name = m__string__Text;
    return true;
}

void AspiIscsiBackend::ConnectDone(iscsi_context* p__Context, int p__int__Status, void*, void* p__PVOID__Private) {
    auto* l__Backend = static_cast<AspiIscsiBackend*>(p__PVOID__Private);
    // The cause is taken now: what the session does next overwrites it.
    if (!l__Backend->m__bool__ConnectDone && p__int__Status != SCSI_STATUS_GOOD)
        l__Backend->m__string__ConnectError = ErrorText(p__Context);
    // Called once when the connection is made or refused, and again should it fail later.
    if (l__Backend->m__bool__ConnectDone && p__int__Status != SCSI_STATUS_GOOD) l__Backend->m__bool__Lost = true;
    l__Backend->m__bool__ConnectDone = true;
    l__Backend->m__int__ConnectStatus = p__int__Status;
}

void AspiIscsiBackend::LoginDone(iscsi_context*, int p__int__Status, void*, void* p__PVOID__Private) {
    auto* l__Command = static_cast<Command*>(p__PVOID__Private);
    l__Command->m__bool__Done = true;
    l__Command->m__int__Status = p__int__Status;
}

void AspiIscsiBackend::CommandDone(iscsi_context*, int p__int__Status, void*, void* p__PVOID__Private) {
    auto* l__Command = static_cast<Command*>(p__PVOID__Private);
    l__Command->m__bool__Done = true;
    l__Command->m__int__Status = p__int__Status;
}

void AspiIscsiBackend::Drop() {
    if (m__Context == nullptr) return;
    // Tears the connection down at once (no log-out exchange with a target that may not
    // answer); commands still under way are called back as cancelled.
    iscsi_destroy_context(m__Context);
    m__Context = nullptr;
}

AspiIscsiBackend::Wait AspiIscsiBackend::Pump(Clock::time_point p__Deadline, const std::function<bool()>& p__Done) {
    while (!p__Done()) {
        if (m__bool__Lost) return Wait::FAILED;
        Clock::time_point l__Now = Clock::now();
        if (l__Now >= p__Deadline) return Wait::TIMED_OUT;
        auto l__Left = std::chrono::duration_cast<std::chrono::milliseconds>(p__Deadline - l__Now).count() + 1;
        int l__int__Wait = static_cast<int>(std::min<long long>(l__Left, 1000));
        int l__int__Events = iscsi_which_events(m__Context);
        if (l__int__Events == 0) {
            // Nothing to wait for now (between two connection attempts): look again soon.
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(l__int__Wait, 100)));
            if (iscsi_service(m__Context, 0) < 0) break;
            continue;
        }
        pollfd l__Poll{};
        l__Poll.fd = iscsi_get_fd(m__Context);
        l__Poll.events = static_cast<short>(l__int__Events);
        int l__int__Ready = ::poll(&l__Poll, 1, l__int__Wait);
        if (l__int__Ready < 0) {
            if (errno == EINTR) continue;
            return Wait::FAILED;
        }
        if (iscsi_service(m__Context, l__int__Ready > 0 ? l__Poll.revents : 0) < 0) break;
    }
    if (p__Done()) return Wait::DONE;
    // The connection failed; what completed before it did stands, the rest fails, and the
    // next command starts on a new connection.
    m__bool__Lost = true;
    return Wait::FAILED;
}

bool AspiIscsiBackend::Login(Clock::time_point p__Deadline, std::string& p__string__Error) {
    Drop();
    m__bool__ConnectDone = false;
    m__bool__Lost = false;
    m__string__ConnectError.clear();
    m__Context = iscsi_create_context(INITIATOR_NAME);
    if (m__Context == nullptr) {
        p__string__Error = "cannot make an iSCSI context";
        return false;
    }
    // The session is logged in again here, within bounds, not by the library in the background.
    iscsi_set_noautoreconnect(m__Context, 1);
    iscsi_set_session_type(m__Context, ISCSI_SESSION_NORMAL);
    iscsi_set_header_digest(m__Context, ISCSI_HEADER_DIGEST_NONE_CRC32C);
    iscsi_set_targetname(m__Context, m__Url.m__string__Iqn.c_str());
    const std::string l__string__Where = "cannot log in to " + m__Url.Portal() + ": ";
    if (iscsi_connect_async(m__Context, m__Url.Portal().c_str(), &ConnectDone, this) != 0) {
        p__string__Error = l__string__Where + ErrorText(m__Context);
        Drop();
        return false;
    }
    Wait l__Wait = Pump(p__Deadline, [this] { return m__bool__ConnectDone; });
    if (l__Wait != Wait::DONE || m__int__ConnectStatus != SCSI_STATUS_GOOD) {
        p__string__Error = l__string__Where + (l__Wait == Wait::TIMED_OUT      ? std::string("no answer in time")
                                               : !m__string__ConnectError.empty() ? m__string__ConnectError
                                                                                  : ErrorText(m__Context));
        Drop();
        return false;
    }
    Command l__Login;
    if (iscsi_login_async(m__Context, &LoginDone, &l__Login) != 0) {
        p__string__Error = l__string__Where + ErrorText(m__Context);
        Drop();
        return false;
    }
    l__Wait = Pump(p__Deadline, [&l__Login] { return l__Login.m__bool__Done; });
    if (l__Wait != Wait::DONE || l__Login.m__int__Status != SCSI_STATUS_GOOD) {
        p__string__Error = l__string__Where + (l__Wait == Wait::TIMED_OUT ? std::string("no answer in time") : ErrorText(m__Context));
        Drop();
        return false;
    }
    ClearResetAttention(p__Deadline);
    return m__Context != nullptr;
}

void AspiIscsiBackend::ClearResetAttention(Clock::time_point p__Deadline) {
    for (int l__int__Round = 0; l__int__Round < 4 && m__Context != nullptr; ++l__int__Round) {
        SRB_ExecSCSICmd l__Srb{};
        l__Srb.SRB_CDBLen = 6;
        l__Srb.SRB_SenseLen = SENSE_LEN;
        l__Srb.CDBByte[0] = OPCODE_TEST_UNIT_READY;
        BYTE l__BYTE__Status = Execute(l__Srb, p__Deadline);
        // Only "power on, reset or bus device reset" (ASC 29h) is the session's own.
        bool l__bool__Reset = l__BYTE__Status == SS_ERR && l__Srb.SRB_TargStat == STATUS_CHKCOND &&
                              (l__Srb.SenseArea[2] & 0x0F) == 0x06 && l__Srb.SenseArea[12] == 0x29;
        if (!l__bool__Reset) return;
    }
}

bool AspiIscsiBackend::Identify(std::string& p__string__Error) {
    BYTE l__BYTE__Inquiry[96] = {};
    SRB_ExecSCSICmd l__Srb{};
    l__Srb.SRB_Flags = SRB_DIR_IN;
    l__Srb.SRB_BufLen = sizeof(l__BYTE__Inquiry);
    l__Srb.SRB_BufPointer = l__BYTE__Inquiry;
    l__Srb.SRB_CDBLen = 6;
    l__Srb.SRB_SenseLen = SENSE_LEN;
    l__Srb.CDBByte[0] = OPCODE_INQUIRY;
    l__Srb.CDBByte[4] = sizeof(l__BYTE__Inquiry);
    if (Execute(l__Srb, Clock::now() + OWN_COMMAND_LIMIT) != SS_COMP) {
        p__string__Error = "INQUIRY of " + m__string__Text + " failed";
        return false;
    }
    // Peripheral qualifier 3: no unit at this LUN.
    if ((l__BYTE__Inquiry[0] & 0xE0) == 0x60) {
        p__string__Error = "no logical unit " + std::to_string(m__Url.m__int__Lun) + " at " + m__Url.m__string__Iqn;
        return false;
    }
    m__BYTE__DeviceType = l__BYTE__Inquiry[0] & 0x1F;
    return true;
}

bool AspiIscsiBackend::EnsureLoggedIn() {
    if (m__Context != nullptr) return true;
    if (m__bool__Gone && Clock::now() < m__GoneUntil) return false;
    for (int l__int__Attempt = 0; l__int__Attempt < RECONNECT_ATTEMPTS; ++l__int__Attempt) {
        if (l__int__Attempt > 0) std::this_thread::sleep_for(RECONNECT_PAUSE);
        std::string l__string__Error;
        if (Login(Clock::now() + LOGIN_LIMIT, l__string__Error)) {
            m__bool__Gone = false;
            return true;
        }
    }
    m__bool__Gone = true;
    m__GoneUntil = Clock::now() + GONE_HOLD;
    return false;
}

void AspiIscsiBackend::CheckIdleConnection() {
    // While idle nothing is expected from the target; what it sends unasked (a message
    // before it closes the connection, the close itself) is taken in now, waiting a
    // little for the rest once something came.
    for (int l__int__Round = 0; l__int__Round < 10 && m__Context != nullptr; ++l__int__Round) {
        if (m__bool__Lost) {
            Drop();
            return;
        }
        pollfd l__Poll{};
        l__Poll.fd = iscsi_get_fd(m__Context);
        l__Poll.events = POLLIN;
        if (::poll(&l__Poll, 1, l__int__Round == 0 ? 0 : 50) <= 0) return;
        if (iscsi_service(m__Context, l__Poll.revents) < 0 || m__bool__Lost) {
            Drop();
            return;
        }
    }
}

BYTE AspiIscsiBackend::ExecScsiCmd(SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    if (p__SRB_ExecSCSICmd__Srb.SRB_Target != 0 || p__SRB_ExecSCSICmd__Srb.SRB_Lun != 0) {
        p__SRB_ExecSCSICmd__Srb.SRB_HaStat = HASTAT_SEL_TO;
        return SS_NO_DEVICE;
    }
    // A connection lost while idle is made again before the command goes out: it was
    // never sent, so sending it on the new session is safe.
    CheckIdleConnection();
    if (!EnsureLoggedIn()) {
        p__SRB_ExecSCSICmd__Srb.SRB_HaStat = HASTAT_SEL_TO;
        if ((p__SRB_ExecSCSICmd__Srb.SRB_Flags & SRB_ENABLE_RESIDUAL_COUNT) != 0) p__SRB_ExecSCSICmd__Srb.SRB_BufLen = 0;
        return SS_ERR;
    }
    // Time-out 0 is taken as the longest one rather than as none: a command never waits forever.
    DWORD l__DWORD__HalfSeconds = Timeout() == 0 ? 108000 : Timeout();
    return Execute(p__SRB_ExecSCSICmd__Srb, Clock::now() + std::chrono::milliseconds(500ull * l__DWORD__HalfSeconds));
}

BYTE AspiIscsiBackend::Execute(SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb, Clock::time_point p__Deadline) {
    SRB_ExecSCSICmd& l__Srb = p__SRB_ExecSCSICmd__Srb;
    const bool l__bool__Residual = (l__Srb.SRB_Flags & SRB_ENABLE_RESIDUAL_COUNT) != 0;
    auto Failed = [&](BYTE p__BYTE__HaStat, BYTE p__BYTE__TargStat) {
        l__Srb.SRB_HaStat = p__BYTE__HaStat;
        l__Srb.SRB_TargStat = p__BYTE__TargStat;
        if (l__bool__Residual) l__Srb.SRB_BufLen = 0;
        return static_cast<BYTE>(SS_ERR);
    };
    if (m__Context == nullptr) return Failed(HASTAT_SEL_TO, STATUS_GOOD);

    // Both directions set: data out, as the pass-through does; neither: no data.
    int l__int__Direction = SCSI_XFER_NONE;
    if ((l__Srb.SRB_Flags & SRB_DIR_OUT) != 0) l__int__Direction = SCSI_XFER_WRITE;
    else if ((l__Srb.SRB_Flags & SRB_DIR_IN) != 0) l__int__Direction = SCSI_XFER_READ;
    const uint32_t l__ULONG__Length = l__int__Direction == SCSI_XFER_NONE ? 0 : l__Srb.SRB_BufLen;
    if (l__ULONG__Length == 0) l__int__Direction = SCSI_XFER_NONE;
    // The session counts transfer lengths in a signed int.
    if (l__ULONG__Length > static_cast<uint32_t>(INT32_MAX)) return Failed(HASTAT_DO_DU, STATUS_GOOD);
    const int l__int__CdbLength = std::clamp<int>(l__Srb.SRB_CDBLen, 1, 16);

    Command l__Command;
    l__Command.m__Task = scsi_create_task(l__int__CdbLength, l__Srb.CDBByte, l__int__Direction, static_cast<int>(l__ULONG__Length));
    if (l__Command.m__Task == nullptr) return Failed(HASTAT_BUS_FREE, STATUS_GOOD);
    // The data moves straight between the caller's buffer and the connection.
    if (l__int__Direction == SCSI_XFER_READ)
        scsi_task_add_data_in_buffer(l__Command.m__Task, static_cast<int>(l__ULONG__Length), l__Srb.SRB_BufPointer);
    else if (l__int__Direction == SCSI_XFER_WRITE)
        scsi_task_add_data_out_buffer(l__Command.m__Task, static_cast<int>(l__ULONG__Length), l__Srb.SRB_BufPointer);

    Wait l__Wait = Wait::FAILED;
    if (iscsi_scsi_command_async(m__Context, m__Url.m__int__Lun, l__Command.m__Task, &CommandDone, nullptr, &l__Command) == 0)
        l__Wait = Pump(p__Deadline, [&l__Command] { return l__Command.m__bool__Done; });
    if (l__Wait != Wait::DONE) {
        // Dropping the connection calls the command back (cancelled) before the task and
        // the caller's buffer are let go.
        Drop();
        scsi_free_scsi_task(l__Command.m__Task);
        return Failed(l__Wait == Wait::TIMED_OUT ? HASTAT_TIMEOUT : HASTAT_BUS_FREE, STATUS_GOOD);
    }

    scsi_task* l__Task = l__Command.m__Task;
    BYTE l__BYTE__Status = SS_COMP;
    switch (l__Command.m__int__Status) {
        case SCSI_STATUS_GOOD:
            l__Srb.SRB_HaStat = HASTAT_OK;
            l__Srb.SRB_TargStat = STATUS_GOOD;
            if (l__bool__Residual) {
                uint32_t l__ULONG__Left = 0;
                if (l__Task->residual_status == SCSI_RESIDUAL_UNDERFLOW)
                    l__ULONG__Left = static_cast<uint32_t>(std::min<size_t>(l__Task->residual, l__ULONG__Length));
                l__Srb.SRB_BufLen = l__ULONG__Left;
            }
            break;
        case SCSI_STATUS_CHECK_CONDITION: {
            // The sense bytes follow a two-byte length in the data the answer carried.
            const uint8_t* l__PUCHAR__Sense = nullptr;
            size_t l__size_t__Sense = 0;
            if (l__Task->datain.data != nullptr && l__Task->datain.size > 2) {
                size_t l__size_t__Said = (static_cast<size_t>(l__Task->datain.data[0]) << 8) | l__Task->datain.data[1];
                l__size_t__Sense = std::min(l__size_t__Said, static_cast<size_t>(l__Task->datain.size - 2));
                l__PUCHAR__Sense = l__Task->datain.data + 2;
            }
            AspiIscsiSense::Fixed l__Sense =
                AspiIscsiSense::ToFixed(l__PUCHAR__Sense, l__size_t__Sense, static_cast<uint8_t>(l__Task->sense.key),
                                        static_cast<uint8_t>(l__Task->sense.ascq >> 8), static_cast<uint8_t>(l__Task->sense.ascq));
            l__BYTE__Status = CheckCondition(l__Srb, l__Sense.data(), l__Sense.size());
            if (l__bool__Residual) l__Srb.SRB_BufLen = 0;
            break;
        }
        case SCSI_STATUS_CANCELLED:
        case SCSI_STATUS_ERROR:
        case SCSI_STATUS_TIMEOUT:
            // The session failed under the command.
            scsi_free_scsi_task(l__Task);
            Drop();
            return Failed(HASTAT_BUS_FREE, STATUS_GOOD);
        default:
            l__BYTE__Status = Failed(HASTAT_OK, static_cast<BYTE>(l__Command.m__int__Status));
            break;
    }
    scsi_free_scsi_task(l__Task);
    return l__BYTE__Status;
}
