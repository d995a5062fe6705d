// The virtual recorder's command handler: a fresh disc of the input's medium, then any
// sequence of commands (any CDB, any data out, any transfer length). Every command ends with
// GOOD or CHECK CONDITION and fixed-format sense, no reply goes past its buffer, and the disc
// file the commands leave opens again in a new recorder that tells the same disc.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "FuzzScratch.h"
#include "MmcCodes.h"
#include "VdiscRecorder.h"
#include "VdiscState.h"
#include "VdiscStore.h"

namespace {

// Opcodes the recorder knows, so that most commands get past the first check.
constexpr uint8_t KNOWN[] = {
    MmcCodes::OPCODE_TEST_UNIT_READY, MmcCodes::OPCODE_REQUEST_SENSE, MmcCodes::OPCODE_FORMAT_UNIT, MmcCodes::OPCODE_INQUIRY,
    MmcCodes::OPCODE_START_STOP_UNIT, MmcCodes::OPCODE_PREVENT_ALLOW_MEDIUM_REMOVAL, MmcCodes::OPCODE_READ_FORMAT_CAPACITIES,
    MmcCodes::OPCODE_READ_CAPACITY, MmcCodes::OPCODE_READ10, MmcCodes::OPCODE_WRITE10, MmcCodes::OPCODE_SEEK10,
    MmcCodes::OPCODE_SYNCHRONIZE_CACHE, MmcCodes::OPCODE_READ_TOC_PMA_ATIP, MmcCodes::OPCODE_GET_CONFIGURATION,
    MmcCodes::OPCODE_GET_EVENT_STATUS_NOTIFICATION, MmcCodes::OPCODE_READ_DISC_INFORMATION, MmcCodes::OPCODE_READ_TRACK_INFORMATION,
    MmcCodes::OPCODE_RESERVE_TRACK, MmcCodes::OPCODE_SEND_OPC_INFORMATION, MmcCodes::OPCODE_MODE_SELECT10, MmcCodes::OPCODE_MODE_SENSE10,
    MmcCodes::OPCODE_CLOSE_TRACK_SESSION, MmcCodes::OPCODE_READ_BUFFER_CAPACITY, MmcCodes::OPCODE_SEND_CUE_SHEET, MmcCodes::OPCODE_BLANK,
    MmcCodes::OPCODE_READ12, MmcCodes::OPCODE_READ_DVD_STRUCTURE, MmcCodes::OPCODE_SET_CD_SPEED, MmcCodes::OPCODE_MECHANISM_STATUS,
    MmcCodes::OPCODE_READ_CD, 0xAA /* WRITE(12) */};

constexpr uint32_t MAXIMUM_TRANSFER = 65536 + 2448;

struct Answer {
    BYTE m__BYTE__Status;
    std::vector<uint8_t> m__Data;
};

Answer Send(VdiscRecorder& p__Recorder, const std::vector<uint8_t>& p__Cdb, bool p__bool__Out, std::vector<uint8_t> p__Buffer) {
    SRB_ExecSCSICmd l__Srb{};
    l__Srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    l__Srb.SRB_Flags = p__bool__Out ? SRB_DIR_OUT : SRB_DIR_IN;
    l__Srb.SRB_BufLen = static_cast<DWORD>(p__Buffer.size());
    l__Srb.SRB_BufPointer = p__Buffer.empty() ? nullptr : p__Buffer.data();
    l__Srb.SRB_SenseLen = SENSE_LEN;
    l__Srb.SRB_CDBLen = static_cast<BYTE>(p__Cdb.size());
    for (size_t l__size_t__I = 0; l__size_t__I < p__Cdb.size(); ++l__size_t__I) l__Srb.CDBByte[l__size_t__I] = p__Cdb[l__size_t__I];
    const BYTE l__BYTE__Status = p__Recorder.ExecScsiCmd(l__Srb);
    if (FuzzVerbose())
        std::fprintf(stderr, "%02X: %s %02X/%02X/%02X\n", p__Cdb[0], l__BYTE__Status == SS_COMP ? "GOOD" : "CHECK", l__Srb.SenseArea[2] & 0x0F, l__Srb.SenseArea[12],
                     l__Srb.SenseArea[13]);
    FUZZ_CHECK(l__BYTE__Status == SS_COMP || l__BYTE__Status == SS_ERR);
    if (l__BYTE__Status == SS_ERR) {
        FUZZ_CHECK(l__Srb.SRB_TargStat == STATUS_CHKCOND);
        FUZZ_CHECK((l__Srb.SenseArea[0] & 0x7F) == 0x70);
    } else {
        FUZZ_CHECK(l__Srb.SRB_TargStat == STATUS_GOOD);
    }
    return {l__BYTE__Status, std::move(p__Buffer)};
}

// What a host learns of the disc: its information, its TOC and its first tracks.
std::vector<Answer> Describe(VdiscRecorder& p__Recorder) {
    std::vector<Answer> l__Answers;
    l__Answers.push_back(Send(p__Recorder, {MmcCodes::OPCODE_READ_DISC_INFORMATION, 0, 0, 0, 0, 0, 0, 0, 34, 0}, false, std::vector<uint8_t>(34)));
    l__Answers.push_back(Send(p__Recorder, {MmcCodes::OPCODE_READ_TOC_PMA_ATIP, 0, 0, 0, 0, 0, 1, 0x03, 0x24, 0}, false, std::vector<uint8_t>(804)));
    for (uint8_t l__UCHAR__Track = 1; l__UCHAR__Track <= 3; ++l__UCHAR__Track)
        l__Answers.push_back(Send(p__Recorder, {MmcCodes::OPCODE_READ_TRACK_INFORMATION, 1, 0, 0, 0, l__UCHAR__Track, 0, 0, 36, 0}, false,
                                  std::vector<uint8_t>(36)));
    return l__Answers;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p__PUCHAR__Data, size_t p__size_t__Size) {
    FuzzInput l__Input(p__PUCHAR__Data, p__size_t__Size);
    const auto l__Kind = static_cast<VdiscMediumKind>(1 + l__Input.Below(static_cast<uint32_t>(VdiscMediumKind::BdRe)));
    const std::string l__string__Disc = FuzzScratch::Instance().Path() + "/disc";
    std::string l__string__Error;
    if (!VdiscStore::Create(l__string__Disc, VdiscState::Blank(l__Kind), l__string__Error)) FuzzFail(l__string__Error.c_str());
    {
        VdiscRecorder l__Recorder(l__string__Disc);
        for (uint32_t l__ULONG__Commands = 0; !l__Input.Empty() && l__ULONG__Commands < 64; ++l__ULONG__Commands) {
            const uint8_t l__UCHAR__Shape = l__Input.Byte();
            static constexpr size_t LENGTHS[] = {6, 10, 12, 16};
            std::vector<uint8_t> l__Cdb = l__Input.Padded(LENGTHS[l__UCHAR__Shape & 3]);
            // Mostly a known opcode; the rest any byte.
            if (l__UCHAR__Shape & 0x04) l__Cdb[0] = KNOWN[l__Cdb[0] % sizeof(KNOWN)];
            const bool l__bool__Out = (l__UCHAR__Shape & 0x08) != 0;
            uint32_t l__ULONG__Length = l__Input.Big16();
            // Often the transfer the CDB asks for (blocks of a WRITE or READ, an allocation length).
            if (l__UCHAR__Shape & 0x10) l__ULONG__Length = l__ULONG__Length % 28 * (l__UCHAR__Shape & 0x20 ? 2048 : 2352 + 96 * ((l__UCHAR__Shape >> 6) & 1));
            l__ULONG__Length %= MAXIMUM_TRANSFER;
            std::vector<uint8_t> l__Buffer(l__ULONG__Length, 0);
            if (l__bool__Out) {
                const std::vector<uint8_t> l__Data = l__Input.Bytes(l__ULONG__Length < 4096 ? l__ULONG__Length : 4096);
                std::copy(l__Data.begin(), l__Data.end(), l__Buffer.begin());
            }
            Send(l__Recorder, l__Cdb, l__bool__Out, std::move(l__Buffer));
        }
        // The disc file holds what the recorder tells: a new recorder on it tells the same.
        const std::vector<Answer> l__Before = Describe(l__Recorder);
        VdiscRecorder l__Again(l__string__Disc);
        const std::vector<Answer> l__After = Describe(l__Again);
        for (size_t l__size_t__I = 0; l__size_t__I < l__Before.size(); ++l__size_t__I) {
            if (l__Before[l__size_t__I].m__BYTE__Status != SS_COMP || l__After[l__size_t__I].m__BYTE__Status != SS_COMP) continue;
            FUZZ_CHECK(l__Before[l__size_t__I].m__Data == l__After[l__size_t__I].m__Data);
        }
    }
    return 0;
}
