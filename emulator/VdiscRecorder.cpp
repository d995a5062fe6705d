#include "VdiscRecorder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "MmcCodes.h"
#include "VdiscDiscReports.h"
#include "VdiscSectorReader.h"

namespace {

void Pad(std::vector<uint8_t>& p__Out, size_t p__size_t__At, size_t p__size_t__Width, const std::string& p__string__Text) {
    for (size_t l__size_t__I = 0; l__size_t__I < p__size_t__Width; ++l__size_t__I)
        p__Out[p__size_t__At + l__size_t__I] = l__size_t__I < p__string__Text.size() ? static_cast<uint8_t>(p__string__Text[l__size_t__I]) : ' ';
}

}  // namespace

VdiscRecorder::VdiscRecorder(const std::string& p__string__Path) : m__Writer(m__Store, m__Pages) {
    std::string l__string__Error;
    struct stat l__Stat {};
    if (::stat(p__string__Path.c_str(), &l__Stat) != 0 &&
        !VdiscStore::Create(p__string__Path, VdiscState::Blank(VdiscMediumKind::CdR), l__string__Error))
        throw std::runtime_error(l__string__Error);
    if (!m__Store.Open(p__string__Path, true, l__string__Error)) throw std::runtime_error(l__string__Error);
    m__Kind = m__Store.State().m__Kind;
    m__Pages.Reset(m__Kind);
}

std::unique_ptr<AspiBackend> VdiscRecorder::Create(const std::string& p__string__Path) {
    return std::make_unique<VdiscRecorder>(p__string__Path);
}

BYTE VdiscRecorder::DeviceType(BYTE p__BYTE__Target, BYTE p__BYTE__Lun) {
    return p__BYTE__Target == 0 && p__BYTE__Lun == 0 ? 0x05 : 0x1F;
}

bool VdiscRecorder::SymbolicName(BYTE p__BYTE__Target, BYTE p__BYTE__Lun, std::string& p__string__Name) {
    if (p__BYTE__Target != 0 || p__BYTE__Lun != 0) return false;
    p__string__Name = "virtual:" + m__Store.Path();
    return true;
}

BYTE VdiscRecorder::ExecScsiCmd(SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb) {
    BYTE l__BYTE__Status;
    std::chrono::steady_clock::time_point l__Until;
    {
        std::lock_guard<std::mutex> l__Guard(m__Lock);
        m__PaceUntil = {};
        l__BYTE__Status = Execute(p__SRB_ExecSCSICmd__Srb);
        l__Until = m__PaceUntil;
        if (!m__Store.State().m__string__CommandLog.empty()) LogCommand(p__SRB_ExecSCSICmd__Srb, l__BYTE__Status);
    }
    // A write at a simulated speed returns when the medium would have taken it; the
    // recorder is not held meanwhile.
    if (l__Until > std::chrono::steady_clock::now()) std::this_thread::sleep_until(l__Until);
    return l__BYTE__Status;
}

void VdiscRecorder::LogCommand(const SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb, BYTE p__BYTE__Status) {
    // "2A 00 00 00 00 1E 00 00 1E 00 GOOD", "... CHECK 05/20/00" or "... BUSY".
    std::string l__string__Line;
    char l__CHAR__Hex[16];
    for (uint32_t l__ULONG__I = 0; l__ULONG__I < p__SRB_ExecSCSICmd__Srb.SRB_CDBLen && l__ULONG__I < 16; ++l__ULONG__I) {
        std::snprintf(l__CHAR__Hex, sizeof(l__CHAR__Hex), "%02X ", p__SRB_ExecSCSICmd__Srb.CDBByte[l__ULONG__I]);
        l__string__Line += l__CHAR__Hex;
    }
    if (p__BYTE__Status == SS_COMP) {
        l__string__Line += "GOOD";
    } else if (p__SRB_ExecSCSICmd__Srb.SRB_TargStat == STATUS_CHKCOND) {
        std::snprintf(l__CHAR__Hex, sizeof(l__CHAR__Hex), "CHECK %02X/%02X/%02X", m__UCHAR__LastSense[0], m__UCHAR__LastSense[1],
                      m__UCHAR__LastSense[2]);
        l__string__Line += l__CHAR__Hex;
        // A refused raw write says which block and why: "... CHECK 05/64/00 Mode 1 EDC wrong at LBA 17".
        if (!m__string__LastReason.empty()) l__string__Line += " " + m__string__LastReason;
    } else if (p__SRB_ExecSCSICmd__Srb.SRB_TargStat == STATUS_BUSY) {
        l__string__Line += "BUSY";
    } else {
        l__string__Line += "NO DEVICE";
    }
    l__string__Line += "\n";
    const int l__int__File = ::open(m__Store.State().m__string__CommandLog.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (l__int__File < 0) return;  // a log that cannot be written is no fault of the drive
    // One write per line: lines of two processes never mix.
    [[maybe_unused]] const ssize_t l__ssize_t__Written = ::write(l__int__File, l__string__Line.data(), l__string__Line.size());
    ::close(l__int__File);
}

void VdiscRecorder::Pace(uint32_t p__ULONG__Bytes) {
    const uint32_t l__ULONG__Speed = m__Store.State().m__ULONG__WriteSpeed;
    if (l__ULONG__Speed == 0) return;
    const auto l__Now = std::chrono::steady_clock::now();
    // Writes follow one another at the speed; an idle drive does not bank the time it waited.
    if (m__WriteDone < l__Now) m__WriteDone = l__Now;
    m__WriteDone += std::chrono::microseconds(static_cast<uint64_t>(p__ULONG__Bytes) * 1000 / l__ULONG__Speed);
    m__PaceUntil = m__WriteDone;
}

BYTE VdiscRecorder::Execute(SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb) {
    if (p__SRB_ExecSCSICmd__Srb.SRB_Target != 0 || p__SRB_ExecSCSICmd__Srb.SRB_Lun != 0) {
        p__SRB_ExecSCSICmd__Srb.SRB_HaStat = HASTAT_SEL_TO;
        return SS_NO_DEVICE;
    }
    VdiscCommand l__Command;
    l__Command.m__PUCHAR__Cdb = p__SRB_ExecSCSICmd__Srb.CDBByte;
    l__Command.m__PUCHAR__Buffer = p__SRB_ExecSCSICmd__Srb.SRB_BufPointer;
    l__Command.m__ULONG__Length = p__SRB_ExecSCSICmd__Srb.SRB_BufLen;
    l__Command.m__bool__DataOut = (p__SRB_ExecSCSICmd__Srb.SRB_Flags & SRB_DIR_OUT) != 0;
    m__string__LastReason.clear();
    try {
        std::string l__string__Error;
        if (!m__Store.Refresh(l__string__Error)) VdiscCommand::Fail(0x02, 0x3A, 0x00);
        if (m__Store.TakeReplaced()) {
            // Another program put a new disc in: the drive reports the change once.
            m__Writer.Discard();
            m__Kind = m__Store.State().m__Kind;
            m__Pages.Reset(m__Kind);
            m__ULONG__PendingPolls = 0;
            m__bool__MediumChanged = true;
        }
        Dispatch(l__Command);
        // A medium that changed its kind (a DVD-RW blanked or formatted) takes that kind's write parameters.
        if (m__Store.State().m__Kind != m__Kind) {
            m__Kind = m__Store.State().m__Kind;
            m__Pages.Reset(m__Kind);
        }
        return SS_COMP;
    } catch (const VdiscCheckCondition& l__Sense) {
        m__UCHAR__LastSense[0] = l__Sense.m__UCHAR__Key;
        m__UCHAR__LastSense[1] = l__Sense.m__UCHAR__Asc;
        m__UCHAR__LastSense[2] = l__Sense.m__UCHAR__Ascq;
        if (l__Sense.m__PCHAR__Reason != nullptr)
            m__string__LastReason = std::string(l__Sense.m__PCHAR__Reason) + " at LBA " + std::to_string(l__Sense.m__LONG__Lba);
        return CheckCondition(p__SRB_ExecSCSICmd__Srb, l__Sense.m__UCHAR__Key, l__Sense.m__UCHAR__Asc, l__Sense.m__UCHAR__Ascq);
    } catch (const Busy&) {
        p__SRB_ExecSCSICmd__Srb.SRB_HaStat = HASTAT_OK;
        p__SRB_ExecSCSICmd__Srb.SRB_TargStat = STATUS_BUSY;
        return SS_ERR;
    }
}

bool VdiscRecorder::HasMedium() const {
    const VdiscState& l__State = m__Store.State();
    return l__State.m__Kind != VdiscMediumKind::None && !l__State.m__Faults.m__bool__NoMedium && !m__bool__TrayOpen;
}

void VdiscRecorder::RequireMedium() const {
    if (!HasMedium()) VdiscCommand::Fail(0x02, 0x3A, m__bool__TrayOpen ? 0x02 : 0x01);
}

const VdiscState& VdiscRecorder::View() const {
    static const VdiscState s__Empty;
    return HasMedium() ? m__Store.State() : s__Empty;
}

void VdiscRecorder::StartPolls(uint8_t p__UCHAR__Ascq) {
    m__ULONG__PendingPolls = m__Store.State().m__ULONG__ImmedPolls;
    m__UCHAR__PendingAscq = p__UCHAR__Ascq;
}

void VdiscRecorder::CommitFaults() {
    std::string l__string__Error;
    if (!m__Store.CommitState(l__string__Error)) VdiscCommand::Fail(0x04, 0x44, 0x00);
}

void VdiscRecorder::ApplyFaults(uint8_t p__UCHAR__Op) {
    VdiscFaults& l__Faults = m__Store.MutableState().m__Faults;
    const bool l__bool__Identity = p__UCHAR__Op == MmcCodes::OPCODE_INQUIRY || p__UCHAR__Op == MmcCodes::OPCODE_REQUEST_SENSE;
    if (l__bool__Identity) return;
    if (l__Faults.Refuses(p__UCHAR__Op)) VdiscCommand::Fail(0x05, 0x20, 0x00);  // invalid command operation code
    if (l__Faults.m__ULONG__Busy > 0) {
        l__Faults.m__ULONG__Busy--;
        CommitFaults();
        throw Busy{};
    }
    if (l__Faults.m__ULONG__NotReady > 0) {
        l__Faults.m__ULONG__NotReady--;
        CommitFaults();
        VdiscCommand::Fail(0x02, 0x04, 0x01);  // becoming ready
    }
    if (m__bool__MediumChanged) {
        m__bool__MediumChanged = false;
        VdiscCommand::Fail(0x06, 0x28, 0x00);
    }
    if (l__Faults.m__bool__UnitAttention) {
        l__Faults.m__bool__UnitAttention = false;
        CommitFaults();
        m__Writer.Forget();
        VdiscCommand::Fail(0x06, 0x28, 0x00);  // not ready to ready change, medium may have changed
    }
    const bool l__bool__Exempt = p__UCHAR__Op == MmcCodes::OPCODE_GET_CONFIGURATION || p__UCHAR__Op == MmcCodes::OPCODE_GET_EVENT_STATUS_NOTIFICATION ||
                                 p__UCHAR__Op == MmcCodes::OPCODE_MECHANISM_STATUS;
    if (m__ULONG__PendingPolls > 0 && !l__bool__Exempt) {
        m__ULONG__PendingPolls--;
        VdiscCommand::Fail(0x02, 0x04, m__UCHAR__PendingAscq);
    }
}

void VdiscRecorder::CheckReadFault(int32_t p__LONG__Lba) {
    for (VdiscReadFault& l__Fault : m__Store.MutableState().m__Faults.m__ReadFaults) {
        if (l__Fault.m__LONG__Lba != p__LONG__Lba || l__Fault.m__LONG__Remaining == 0) continue;
        if (l__Fault.m__LONG__Remaining > 0) {
            l__Fault.m__LONG__Remaining--;
            CommitFaults();
        }
        VdiscCommand::Fail(0x03, 0x11, 0x00);
    }
}

std::vector<uint8_t> VdiscRecorder::Inquiry() const {
    const VdiscState& l__State = m__Store.State();
    std::vector<uint8_t> l__Out(96, 0);
    l__Out[0] = 0x05;
    l__Out[1] = 0x80;
    l__Out[2] = 0x05;
    l__Out[3] = 0x32;
    l__Out[4] = 91;
    Pad(l__Out, 8, 8, l__State.m__string__Vendor);
    Pad(l__Out, 16, 16, l__State.m__string__Product);
    Pad(l__Out, 32, 4, l__State.m__string__Revision);
    return l__Out;
}

std::vector<uint8_t> VdiscRecorder::RequestSense() {
    std::vector<uint8_t> l__Out(18, 0);
    l__Out[0] = 0x70;
    l__Out[7] = 10;
    if (m__ULONG__PendingPolls > 0) {
        // A long operation still running: NOT READY with its progress.
        l__Out[2] = 0x02;
        l__Out[12] = 0x04;
        l__Out[13] = m__UCHAR__PendingAscq;
        l__Out[15] = 0x80;
        const uint32_t l__ULONG__Progress = 0xFFFFu / (m__ULONG__PendingPolls + 1);
        VdiscCommand::PutBe16(l__Out, 16, l__ULONG__Progress);
        m__ULONG__PendingPolls--;
    } else {
        l__Out[2] = m__UCHAR__LastSense[0];
        l__Out[12] = m__UCHAR__LastSense[1];
        l__Out[13] = m__UCHAR__LastSense[2];
        std::memset(m__UCHAR__LastSense, 0, sizeof(m__UCHAR__LastSense));
    }
    return l__Out;
}

void VdiscRecorder::Read(const VdiscCommand& p__Command, int32_t p__LONG__Lba, uint32_t p__ULONG__Blocks) {
    RequireMedium();
    if (static_cast<uint64_t>(p__ULONG__Blocks) * 2048 > p__Command.m__ULONG__Length) VdiscCommand::InvalidField();
    VdiscSectorReader l__Reader(m__Store);
    for (uint32_t l__ULONG__I = 0; l__ULONG__I < p__ULONG__Blocks;) {
        const int32_t l__LONG__Lba = p__LONG__Lba + static_cast<int32_t>(l__ULONG__I);
        uint8_t* l__PUCHAR__At = p__Command.m__PUCHAR__Buffer + static_cast<size_t>(l__ULONG__I) * 2048;
        // Sectors stored as user data one after the other come with one file read.
        const uint32_t l__ULONG__Run = l__Reader.UserRunLength(l__LONG__Lba, p__ULONG__Blocks - l__ULONG__I);
        if (l__ULONG__Run == 0) {
            CheckReadFault(l__LONG__Lba);
            l__Reader.ReadUser(l__LONG__Lba, l__PUCHAR__At);
            ++l__ULONG__I;
            continue;
        }
        for (uint32_t l__ULONG__K = 0; l__ULONG__K < l__ULONG__Run; ++l__ULONG__K) CheckReadFault(l__LONG__Lba + static_cast<int32_t>(l__ULONG__K));
        l__Reader.ReadUserRun(l__LONG__Lba, l__ULONG__Run, l__PUCHAR__At);
        l__ULONG__I += l__ULONG__Run;
    }
}

void VdiscRecorder::ReadCd(const VdiscCommand& p__Command) {
    RequireMedium();
    if (!m__Store.State().IsCd()) VdiscCommand::Fail(0x05, 0x64, 0x00);
    const uint8_t l__UCHAR__Expected = (p__Command.m__PUCHAR__Cdb[1] >> 2) & 7;
    const int32_t l__LONG__Lba = static_cast<int32_t>(p__Command.Be32(2));
    const uint32_t l__ULONG__Blocks = p__Command.Be24(6);
    const uint8_t l__UCHAR__Flags = p__Command.m__PUCHAR__Cdb[9];
    const uint8_t l__UCHAR__Sub = p__Command.m__PUCHAR__Cdb[10] & 7;
    if (l__UCHAR__Expected > 5 || (l__UCHAR__Sub != 0 && l__UCHAR__Sub != 1 && l__UCHAR__Sub != 2 && l__UCHAR__Sub != 4) ||
        ((l__UCHAR__Flags >> 1) & 3) == 3)
        VdiscCommand::InvalidField();
    VdiscSectorReader l__Reader(m__Store);
    uint32_t l__ULONG__Used = 0;
    for (uint32_t l__ULONG__I = 0; l__ULONG__I < l__ULONG__Blocks; ++l__ULONG__I) {
        const int32_t l__LONG__At = l__LONG__Lba + static_cast<int32_t>(l__ULONG__I);
        CheckReadFault(l__LONG__At);
        VdiscSectorReader::RawSector l__Sector;
        l__Reader.ReadRaw(l__LONG__At, l__Sector);
        if (l__UCHAR__Expected != VdiscSectorReader::ANY && l__UCHAR__Expected != l__Sector.m__UCHAR__Type) VdiscCommand::Fail(0x05, 0x64, 0x00);
        const uint32_t l__ULONG__Size = VdiscSectorReader::ReadCdSize(l__Sector.m__UCHAR__Type, l__UCHAR__Flags, l__UCHAR__Sub);
        if (l__ULONG__Size == 0 && (l__UCHAR__Flags != 0 || l__UCHAR__Sub != 0)) VdiscCommand::InvalidField();
        if (l__ULONG__Used + static_cast<uint64_t>(l__ULONG__Size) > p__Command.m__ULONG__Length) VdiscCommand::InvalidField();
        l__ULONG__Used += l__Reader.ReadCd(l__LONG__At, l__UCHAR__Expected, l__UCHAR__Flags, l__UCHAR__Sub, p__Command.m__PUCHAR__Buffer + l__ULONG__Used);
    }
}

void VdiscRecorder::Dispatch(const VdiscCommand& p__Command) {
    const uint8_t* l__PUCHAR__Cdb = p__Command.m__PUCHAR__Cdb;
    const uint8_t l__UCHAR__Op = p__Command.Op();
    ApplyFaults(l__UCHAR__Op);
    const VdiscState& l__State = m__Store.State();
    if (l__State.m__Faults.m__bool__WriteProtected && VdiscFaults::Records(l__UCHAR__Op)) {
        // A protected disc is still a disc: without one the drive says so first.
        RequireMedium();
        VdiscCommand::Fail(0x07, 0x27, 0x00);  // write protected
    }
    switch (l__UCHAR__Op) {
        case MmcCodes::OPCODE_TEST_UNIT_READY:
        case MmcCodes::OPCODE_REZERO_UNIT:
        case MmcCodes::OPCODE_SEEK10:
        case MmcCodes::OPCODE_SEND_OPC_INFORMATION:
            RequireMedium();
            return;
        case MmcCodes::OPCODE_REQUEST_SENSE:
            p__Command.Reply(RequestSense(), l__PUCHAR__Cdb[4]);
            return;
        case MmcCodes::OPCODE_FORMAT_UNIT: {
            RequireMedium();
            bool l__bool__Immed = false;
            m__Writer.FormatUnit(l__PUCHAR__Cdb, p__Command.m__PUCHAR__Buffer, p__Command.m__ULONG__Length, l__bool__Immed);
            if (l__bool__Immed) StartPolls(0x04);
            return;
        }
        case MmcCodes::OPCODE_INQUIRY:
            if (l__PUCHAR__Cdb[1] & 0x01) VdiscCommand::InvalidField();  // no vital product data pages
            p__Command.Reply(Inquiry(), l__PUCHAR__Cdb[4]);
            return;
        case MmcCodes::OPCODE_START_STOP_UNIT: {
            const bool l__bool__LoEj = (l__PUCHAR__Cdb[4] & 0x02) != 0;
            const bool l__bool__Start = (l__PUCHAR__Cdb[4] & 0x01) != 0;
            if (l__bool__LoEj && !l__bool__Start) {
                if (m__bool__Prevent) VdiscCommand::Fail(0x05, 0x53, 0x02);  // medium removal prevented
                m__Writer.Eject();
                m__bool__TrayOpen = true;
            } else if (l__bool__LoEj) {
                m__bool__TrayOpen = false;
            }
            return;
        }
        case MmcCodes::OPCODE_PREVENT_ALLOW_MEDIUM_REMOVAL:
            m__bool__Prevent = (l__PUCHAR__Cdb[4] & 0x01) != 0;
            return;
        case MmcCodes::OPCODE_READ_FORMAT_CAPACITIES:
            p__Command.Reply(VdiscDiscReports::FormatCapacities(View()), p__Command.Be16(7));
            return;
        case MmcCodes::OPCODE_READ_CAPACITY:
            RequireMedium();
            p__Command.Reply(VdiscDiscReports::Capacity(l__State), 8);
            return;
        case MmcCodes::OPCODE_READ10:
            Read(p__Command, static_cast<int32_t>(p__Command.Be32(2)), p__Command.Be16(7));
            return;
        case MmcCodes::OPCODE_READ12:
            Read(p__Command, static_cast<int32_t>(p__Command.Be32(2)), p__Command.Be32(6));
            return;
        case MmcCodes::OPCODE_WRITE10:
            RequireMedium();
            if (p__Command.m__ULONG__Length > 0 && !p__Command.m__bool__DataOut) VdiscCommand::InvalidField();
            m__Writer.Write(static_cast<int32_t>(p__Command.Be32(2)), p__Command.Be16(7), p__Command.m__PUCHAR__Buffer, p__Command.m__ULONG__Length);
            Pace(p__Command.m__ULONG__Length);
            return;
        case MmcCodes::OPCODE_SYNCHRONIZE_CACHE:
            RequireMedium();
            m__Writer.SynchronizeCache();
            if (l__PUCHAR__Cdb[1] & 0x02) StartPolls(0x08);
            return;
        case MmcCodes::OPCODE_READ_TOC_PMA_ATIP:
            RequireMedium();
            p__Command.Reply(VdiscDiscReports::Toc(l__State, l__PUCHAR__Cdb[2] & 0x0F, (l__PUCHAR__Cdb[1] & 0x02) != 0, l__PUCHAR__Cdb[6]),
                             p__Command.Be16(7));
            return;
        case MmcCodes::OPCODE_GET_CONFIGURATION:
            p__Command.Reply(VdiscDiscReports::Configuration(View(), l__PUCHAR__Cdb[1] & 0x03, p__Command.Be16(2)), p__Command.Be16(7));
            return;
        case MmcCodes::OPCODE_GET_EVENT_STATUS_NOTIFICATION: {
            if ((l__PUCHAR__Cdb[1] & 0x01) == 0) VdiscCommand::InvalidField();  // only polled operation
            std::vector<uint8_t> l__Out(4, 0);
            l__Out[3] = 0x10;  // media class supported
            if (l__PUCHAR__Cdb[4] & 0x10) {
                l__Out[1] = 6;
                l__Out[2] = 0x04;
                l__Out.insert(l__Out.end(), {0x00, static_cast<uint8_t>((HasMedium() ? 0x02 : 0x00) | (m__bool__TrayOpen ? 0x01 : 0x00)), 0, 0});
            } else {
                l__Out[1] = 2;
                l__Out[2] = 0x80;  // no event available
            }
            p__Command.Reply(l__Out, p__Command.Be16(7));
            return;
        }
        case MmcCodes::OPCODE_READ_DISC_INFORMATION:
            RequireMedium();
            if (l__PUCHAR__Cdb[1] & 0x07) VdiscCommand::InvalidField();
            p__Command.Reply(VdiscDiscReports::DiscInformation(l__State), p__Command.Be16(7));
            return;
        case MmcCodes::OPCODE_READ_TRACK_INFORMATION:
            RequireMedium();
            p__Command.Reply(VdiscDiscReports::TrackInformation(l__State, l__PUCHAR__Cdb[1] & 0x03, p__Command.Be32(2)), p__Command.Be16(7));
            return;
        case MmcCodes::OPCODE_RESERVE_TRACK:
            RequireMedium();
            if (l__PUCHAR__Cdb[1] & 0x01) VdiscCommand::InvalidField();
            m__Writer.ReserveTrack(p__Command.Be32(5));
            return;
        case MmcCodes::OPCODE_MODE_SELECT10: {
            if ((l__PUCHAR__Cdb[1] & 0x10) == 0) VdiscCommand::InvalidField();
            const uint32_t l__ULONG__Length = p__Command.Be16(7);
            if (l__ULONG__Length > p__Command.m__ULONG__Length) VdiscCommand::InvalidField();
            m__Pages.Select(p__Command.m__PUCHAR__Buffer, l__ULONG__Length, View());
            return;
        }
        case MmcCodes::OPCODE_MODE_SENSE10:
            p__Command.Reply(m__Pages.Sense(l__PUCHAR__Cdb[2] & 0x3F, l__PUCHAR__Cdb[2] >> 6, l__State), p__Command.Be16(7));
            return;
        case MmcCodes::OPCODE_CLOSE_TRACK_SESSION:
            RequireMedium();
            if ((l__PUCHAR__Cdb[1] & 0x01) && l__State.m__Faults.m__bool__RefuseImmedClose) VdiscCommand::InvalidField();
            m__Writer.CloseTrackSession(l__PUCHAR__Cdb[2] & 0x07, p__Command.Be16(4));
            if (l__PUCHAR__Cdb[1] & 0x01) StartPolls(0x08);
            return;
        case MmcCodes::OPCODE_READ_BUFFER_CAPACITY: {
            std::vector<uint8_t> l__Out(12, 0);
            VdiscCommand::PutBe16(l__Out, 0, 10);
            VdiscCommand::PutBe32(l__Out, 4, 2048u * 1024u);
            VdiscCommand::PutBe32(l__Out, 8, 2048u * 1024u);
            p__Command.Reply(l__Out, p__Command.Be16(7));
            return;
        }
        case MmcCodes::OPCODE_SEND_CUE_SHEET: {
            RequireMedium();
            const uint32_t l__ULONG__Length = p__Command.Be24(6);
            if (l__ULONG__Length > p__Command.m__ULONG__Length) VdiscCommand::InvalidField();
            m__Writer.SendCueSheet(p__Command.m__PUCHAR__Buffer, l__ULONG__Length);
            return;
        }
        case MmcCodes::OPCODE_BLANK:
            RequireMedium();
            m__Writer.Blank(l__PUCHAR__Cdb[1] & 0x07, p__Command.Be32(2));
            if (l__PUCHAR__Cdb[1] & 0x10) StartPolls(0x07);
            return;
        case MmcCodes::OPCODE_READ_DVD_STRUCTURE:
            p__Command.Reply(VdiscDiscReports::DvdStructure(View(), l__PUCHAR__Cdb[7]), p__Command.Be16(8));
            return;
        case MmcCodes::OPCODE_SET_CD_SPEED:
            return;
        case MmcCodes::OPCODE_MECHANISM_STATUS: {
            std::vector<uint8_t> l__Out(8, 0);
            l__Out[1] = m__bool__TrayOpen ? 0x10 : 0x00;
            p__Command.Reply(l__Out, p__Command.Be16(8));
            return;
        }
        case MmcCodes::OPCODE_READ_CD:
            ReadCd(p__Command);
            return;
        default:
            VdiscCommand::Fail(0x05, 0x20, 0x00);  // invalid command operation code
    }
}
