#include "FuzzReplyBackend.h"

#include <algorithm>
#include <cstring>
#include <vector>

BYTE FuzzReplyBackend::ExecScsiCmd(SRB_ExecSCSICmd& p__SRB_ExecSCSICmd__Srb) {
    ++m__ULONG__Commands;
    if (p__SRB_ExecSCSICmd__Srb.SRB_Target != 0 || p__SRB_ExecSCSICmd__Srb.SRB_Lun != 0) {
        p__SRB_ExecSCSICmd__Srb.SRB_HaStat = HASTAT_SEL_TO;
        return SS_NO_DEVICE;
    }
    const uint8_t l__UCHAR__Choice = m__Input.Byte();
    if ((l__UCHAR__Choice & 0xC0) == 0xC0) {
        // CHECK CONDITION with the input's sense bytes (fixed or descriptor format, any length).
        const std::vector<uint8_t> l__Sense = m__Input.Bytes(m__Input.Below(SENSE_LEN + 3));
        if (l__UCHAR__Choice & 1) return CheckCondition(p__SRB_ExecSCSICmd__Srb, l__Sense.data(), l__Sense.size());
        const uint8_t l__UCHAR__Key = l__Sense.empty() ? 0 : l__Sense[0];
        return CheckCondition(p__SRB_ExecSCSICmd__Srb, l__UCHAR__Key & 0x0F, l__Sense.size() > 1 ? l__Sense[1] : 0, l__Sense.size() > 2 ? l__Sense[2] : 0);
    }
    // GOOD: a reply of the input's length, at most the buffer (a drive never sends more),
    // filled from the input; what it does not fill is left as the host put it.
    const uint32_t l__ULONG__Wanted = (l__UCHAR__Choice & 0x80) ? m__Input.Big16() : m__Input.Byte();
    if (!(p__SRB_ExecSCSICmd__Srb.SRB_Flags & SRB_DIR_OUT) && p__SRB_ExecSCSICmd__Srb.SRB_BufPointer != nullptr) {
        const uint32_t l__ULONG__Length = std::min<uint32_t>(l__ULONG__Wanted, p__SRB_ExecSCSICmd__Srb.SRB_BufLen);
        const std::vector<uint8_t> l__Reply = m__Input.Bytes(l__ULONG__Length);
        if (!l__Reply.empty()) std::memcpy(p__SRB_ExecSCSICmd__Srb.SRB_BufPointer, l__Reply.data(), l__Reply.size());
    }
    p__SRB_ExecSCSICmd__Srb.SRB_HaStat = HASTAT_OK;
    p__SRB_ExecSCSICmd__Srb.SRB_TargStat = STATUS_GOOD;
    return SS_COMP;
}

bool FuzzReplyBackend::SymbolicName(BYTE p__BYTE__Target, BYTE p__BYTE__Lun, std::string& p__string__Name) {
    if (p__BYTE__Target != 0 || p__BYTE__Lun != 0) return false;
    p__string__Name = "fuzz:replies";
    return true;
}
