#include "VdiscTestDrive.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "AspiHostAdapterTable.h"
#include "VdiscStore.h"

VdiscTestDrive::VdiscTestDrive(VdiscMediumKind p__Kind, const std::string& p__string__Vendor) {
    m__string__File = m__Dir / "disc";
    VdiscState l__State = VdiscState::Blank(p__Kind);
    l__State.m__string__Vendor = p__string__Vendor;
    std::string l__string__Error;
    if (!VdiscStore::Create(m__string__File, l__State, l__string__Error)) throw std::runtime_error(l__string__Error);
    setenv("TARNWICK_DRIVES", ("virtual:" + m__string__File).c_str(), 1);
    AspiHostAdapterTable::Instance().Reset();
}

VdiscTestDrive::~VdiscTestDrive() {
    AspiHostAdapterTable::Instance().Reset();
    unsetenv("TARNWICK_DRIVES");
}

void VdiscTestDrive::Reopen() { AspiHostAdapterTable::Instance().Reset(); }

VdiscTestDrive::Result VdiscTestDrive::Raw(const std::vector<uint8_t>& p__Cdb, uint8_t* p__PUCHAR__Buffer, uint32_t p__ULONG__Length,
                                           bool p__bool__Out) {
    SRB_ExecSCSICmd l__Srb{};
    l__Srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    l__Srb.SRB_HaId = 0;
    l__Srb.SRB_Flags = p__bool__Out ? SRB_DIR_OUT : SRB_DIR_IN;
    l__Srb.SRB_BufLen = p__ULONG__Length;
    l__Srb.SRB_BufPointer = p__PUCHAR__Buffer;
    l__Srb.SRB_SenseLen = SENSE_LEN;
    l__Srb.SRB_CDBLen = static_cast<BYTE>(p__Cdb.size());
    for (size_t l__size_t__I = 0; l__size_t__I < p__Cdb.size(); ++l__size_t__I) l__Srb.CDBByte[l__size_t__I] = p__Cdb[l__size_t__I];
    Result l__Result;
    l__Result.m__ULONG__Status = SendASPI32Command(&l__Srb);
    l__Result.m__UCHAR__TargetStatus = l__Srb.SRB_TargStat;
    if (l__Srb.SRB_TargStat == STATUS_CHKCOND) {
        l__Result.m__UCHAR__Key = l__Srb.SenseArea[2] & 0x0F;
        l__Result.m__UCHAR__Asc = l__Srb.SenseArea[12];
        l__Result.m__UCHAR__Ascq = l__Srb.SenseArea[13];
    }
    return l__Result;
}

VdiscTestDrive::Result VdiscTestDrive::In(std::initializer_list<uint8_t> p__Cdb, uint32_t p__ULONG__Length) {
    std::vector<uint8_t> l__Buffer(p__ULONG__Length, 0);
    Result l__Result = Raw(std::vector<uint8_t>(p__Cdb), l__Buffer.data(), p__ULONG__Length, false);
    l__Result.m__Data = std::move(l__Buffer);
    return l__Result;
}

VdiscTestDrive::Result VdiscTestDrive::Out(std::initializer_list<uint8_t> p__Cdb, const std::vector<uint8_t>& p__Data) {
    std::vector<uint8_t> l__Buffer = p__Data;
    return Raw(std::vector<uint8_t>(p__Cdb), l__Buffer.data(), static_cast<uint32_t>(l__Buffer.size()), true);
}

VdiscTestDrive::Result VdiscTestDrive::Write(int32_t p__LONG__Lba, uint32_t p__ULONG__Blocks, const std::vector<uint8_t>& p__Data) {
    const uint32_t l__ULONG__Lba = static_cast<uint32_t>(p__LONG__Lba);
    return Out({0x2A, 0, static_cast<uint8_t>(l__ULONG__Lba >> 24), static_cast<uint8_t>(l__ULONG__Lba >> 16), static_cast<uint8_t>(l__ULONG__Lba >> 8),
                static_cast<uint8_t>(l__ULONG__Lba), 0, static_cast<uint8_t>(p__ULONG__Blocks >> 8), static_cast<uint8_t>(p__ULONG__Blocks), 0},
               p__Data);
}

VdiscTestDrive::Result VdiscTestDrive::Read(int32_t p__LONG__Lba, uint32_t p__ULONG__Blocks) {
    const uint32_t l__ULONG__Lba = static_cast<uint32_t>(p__LONG__Lba);
    return In({0x28, 0, static_cast<uint8_t>(l__ULONG__Lba >> 24), static_cast<uint8_t>(l__ULONG__Lba >> 16), static_cast<uint8_t>(l__ULONG__Lba >> 8),
               static_cast<uint8_t>(l__ULONG__Lba), 0, static_cast<uint8_t>(p__ULONG__Blocks >> 8), static_cast<uint8_t>(p__ULONG__Blocks), 0},
              p__ULONG__Blocks * 2048);
}

VdiscTestDrive::Result VdiscTestDrive::TrackInfo(uint32_t p__ULONG__Track, uint8_t p__UCHAR__Type) {
    return In({0x52, p__UCHAR__Type, static_cast<uint8_t>(p__ULONG__Track >> 24), static_cast<uint8_t>(p__ULONG__Track >> 16),
               static_cast<uint8_t>(p__ULONG__Track >> 8), static_cast<uint8_t>(p__ULONG__Track), 0, 0x10, 0x00, 0},
              4096);
}

VdiscTestDrive::Result VdiscTestDrive::Toc(uint8_t p__UCHAR__Format, bool p__bool__Msf, uint8_t p__UCHAR__Track) {
    return In({0x43, static_cast<uint8_t>(p__bool__Msf ? 2 : 0), p__UCHAR__Format, 0, 0, 0, p__UCHAR__Track, 0x40, 0x00, 0}, 16384);
}

VdiscTestDrive::Result VdiscTestDrive::Reserve(uint32_t p__ULONG__Blocks) {
    return In({0x53, 0, 0, 0, 0, static_cast<uint8_t>(p__ULONG__Blocks >> 24), static_cast<uint8_t>(p__ULONG__Blocks >> 16),
               static_cast<uint8_t>(p__ULONG__Blocks >> 8), static_cast<uint8_t>(p__ULONG__Blocks), 0},
              0);
}

VdiscTestDrive::Result VdiscTestDrive::SendCue(const std::vector<uint8_t>& p__Cue) {
    const uint32_t l__ULONG__Length = static_cast<uint32_t>(p__Cue.size());
    return Out({0x5D, 0, 0, 0, 0, 0, static_cast<uint8_t>(l__ULONG__Length >> 16), static_cast<uint8_t>(l__ULONG__Length >> 8), static_cast<uint8_t>(l__ULONG__Length), 0},
               p__Cue);
}

void VdiscTestDrive::CueEntry(std::vector<uint8_t>& p__Cue, uint8_t p__UCHAR__AdrControl, uint8_t p__UCHAR__Track, uint8_t p__UCHAR__Index, uint8_t p__UCHAR__Form,
                              int32_t p__LONG__Lba) {
    const int32_t l__LONG__Frames = p__LONG__Lba + 150;
    p__Cue.insert(p__Cue.end(), {p__UCHAR__AdrControl, p__UCHAR__Track, p__UCHAR__Index, p__UCHAR__Form, 0, static_cast<uint8_t>(l__LONG__Frames / 4500),
                                 static_cast<uint8_t>(l__LONG__Frames / 75 % 60), static_cast<uint8_t>(l__LONG__Frames % 75)});
}

uint16_t VdiscTestDrive::CurrentProfile() {
    Result l__Result = In({0x46, 0x02, 0, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096);
    return l__Result.Ok() ? static_cast<uint16_t>(Be16(l__Result.m__Data, 6)) : 0xFFFF;
}

VdiscTestDrive::Result VdiscTestDrive::SetWriteParameters(uint8_t p__UCHAR__WriteType, uint8_t p__UCHAR__BlockType, uint8_t p__UCHAR__TrackMode,
                                                          uint8_t p__UCHAR__Multi, uint8_t p__UCHAR__Format, bool p__bool__Test) {
    Result l__Sense = In({0x5A, 0x08, 0x05, 0, 0, 0, 0, 0x10, 0x00, 0}, 4096);
    if (!l__Sense.Ok()) return l__Sense;
    std::vector<uint8_t> l__Page = l__Sense.m__Data;
    std::fill(l__Page.begin(), l__Page.begin() + 8, 0);
    l__Page[8] = 0x05;
    l__Page[10] = static_cast<uint8_t>((l__Page[10] & 0x40) | (p__bool__Test ? 0x10 : 0) | p__UCHAR__WriteType);
    l__Page[11] = static_cast<uint8_t>((p__UCHAR__Multi << 6) | p__UCHAR__TrackMode);
    l__Page[12] = p__UCHAR__BlockType;
    l__Page[16] = p__UCHAR__Format;
    const uint32_t l__ULONG__Length = l__Page[9] + 10u;
    l__Page.resize(l__ULONG__Length);
    return Out({0x55, 0x10, 0, 0, 0, 0, 0, static_cast<uint8_t>(l__ULONG__Length >> 8), static_cast<uint8_t>(l__ULONG__Length), 0}, l__Page);
}

int VdiscTestDrive::Shell(const std::string& p__string__Command) {
    int l__int__Status = std::system(p__string__Command.c_str());
    return WIFEXITED(l__int__Status) ? WEXITSTATUS(l__int__Status) : -1;
}

std::vector<uint8_t> VdiscTestDrive::ReadFile(const std::string& p__string__Path) {
    std::ifstream l__In(p__string__Path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(l__In), std::istreambuf_iterator<char>());
}

void VdiscTestDrive::WriteFile(const std::string& p__string__Path, const std::vector<uint8_t>& p__Data) {
    std::ofstream l__Out(p__string__Path, std::ios::binary);
    l__Out.write(reinterpret_cast<const char*>(p__Data.data()), static_cast<std::streamsize>(p__Data.size()));
}
