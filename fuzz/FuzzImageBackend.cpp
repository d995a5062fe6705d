#include "FuzzImageBackend.h"

#include <cstring>

#include "CTarnwick_Bytes.h"
#include "MmcCodes.h"
#include "VdiscRecorder.h"

namespace {
constexpr size_t BLOCK = 2048;
}

FuzzImageBackend::FuzzImageBackend(const std::string& p__string__Disc) : m__Recorder(VdiscRecorder::Create(p__string__Disc)) {}

void FuzzImageBackend::SetImage(int32_t p__LONG__FirstLba, const uint8_t* p__PUCHAR__Data, size_t p__size_t__Size) {
    m__bool__HasImage = true;
    m__LONG__FirstLba = p__LONG__FirstLba;
    m__PUCHAR__Data = p__PUCHAR__Data;
    m__size_t__Size = p__size_t__Size;
}

BYTE FuzzImageBackend::ExecScsiCmd(SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb) {
    const BYTE l__BYTE__Status = m__Recorder->ExecScsiCmd(p__SRB_ExecSCSICmd__Srb);
    if (!m__bool__HasImage || l__BYTE__Status != SS_COMP || p__SRB_ExecSCSICmd__Srb.CDBByte[0] != MmcCodes::OPCODE_READ10) return l__BYTE__Status;
    // The recorder checked the address and moved its blocks in: they are replaced by the image's.
    const int64_t l__LONGLONG__Lba = static_cast<int32_t>(CTarnwick_Bytes::GetBigEndian32(p__SRB_ExecSCSICmd__Srb.CDBByte + 2));
    uint8_t* l__PUCHAR__Buffer = p__SRB_ExecSCSICmd__Srb.SRB_BufPointer;
    for (size_t l__size_t__Done = 0; l__size_t__Done + BLOCK <= p__SRB_ExecSCSICmd__Srb.SRB_BufLen; l__size_t__Done += BLOCK) {
        const int64_t l__LONGLONG__Offset = (l__LONGLONG__Lba + static_cast<int64_t>(l__size_t__Done / BLOCK) - m__LONG__FirstLba) * static_cast<int64_t>(BLOCK);
        std::memset(l__PUCHAR__Buffer + l__size_t__Done, 0, BLOCK);
        if (l__LONGLONG__Offset < 0 || static_cast<uint64_t>(l__LONGLONG__Offset) >= m__size_t__Size) continue;
        const size_t l__size_t__Count = std::min(BLOCK, m__size_t__Size - static_cast<size_t>(l__LONGLONG__Offset));
        std::memcpy(l__PUCHAR__Buffer + l__size_t__Done, m__PUCHAR__Data + l__LONGLONG__Offset, l__size_t__Count);
    }
    return l__BYTE__Status;
}
