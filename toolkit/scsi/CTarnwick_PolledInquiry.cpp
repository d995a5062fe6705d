#include "CTarnwick_PolledInquiry.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "MmcCodes.h"
#include "PlatformClock.h"

namespace {

struct PolledRequest {
    SRB_ExecSCSICmd m__Srb;
    UCHAR m__UCHAR__Data[CTarnwick_PolledInquiry::INQUIRY_LENGTH];
};

// Requests the ASPI layer may still complete; reachable for as long as the process lives.
std::mutex g__AbandonedLock;
std::vector<PolledRequest*>* g__Abandoned = new std::vector<PolledRequest*>();

UCHAR Status(PolledRequest& p__Request) {
    return std::atomic_ref<BYTE>(p__Request.m__Srb.SRB_Status).load(std::memory_order_acquire);
}

}  // namespace

UCHAR CTarnwick_PolledInquiry::Send(UCHAR p__UCHAR__PortID, UCHAR p__UCHAR__TargetID, ULONG p__ULONG__MaxPolls,
                                    PUCHAR p__PUCHAR__Inquiry) {
    // Owned here until it is either finished or handed to the abandoned list, so that a
    // request is not lost when the ASPI layer fails by throwing.
    std::unique_ptr<PolledRequest> l__Request(new (std::nothrow) PolledRequest());
    if (l__Request == nullptr) return SS_ERR;
    l__Request->m__Srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    l__Request->m__Srb.SRB_HaId = p__UCHAR__PortID;
    l__Request->m__Srb.SRB_Flags = SRB_DIR_IN;
    l__Request->m__Srb.SRB_Target = p__UCHAR__TargetID;
    l__Request->m__Srb.SRB_Lun = 0;
    l__Request->m__Srb.SRB_BufLen = INQUIRY_LENGTH;
    l__Request->m__Srb.SRB_BufPointer = l__Request->m__UCHAR__Data;
    l__Request->m__Srb.SRB_SenseLen = SENSE_LEN;
    l__Request->m__Srb.SRB_CDBLen = 6;
    l__Request->m__Srb.CDBByte[0] = MmcCodes::OPCODE_INQUIRY;
    l__Request->m__Srb.CDBByte[4] = INQUIRY_LENGTH;

    UCHAR l__UCHAR__Status = static_cast<UCHAR>(SendASPI32Command(&l__Request->m__Srb));
    if (l__UCHAR__Status == SS_PENDING) {
        l__UCHAR__Status = Status(*l__Request);
        for (ULONG l__ULONG__Poll = 0; l__ULONG__Poll < p__ULONG__MaxPolls && l__UCHAR__Status == SS_PENDING;
             ++l__ULONG__Poll) {
            Sleep(100);
            l__UCHAR__Status = Status(*l__Request);
        }
        if (l__UCHAR__Status == SS_PENDING) {
            std::lock_guard<std::mutex> l__Guard(g__AbandonedLock);
            g__Abandoned->push_back(l__Request.release());
            return SS_PENDING;
        }
    }
    if (l__UCHAR__Status == SS_COMP && p__PUCHAR__Inquiry != nullptr)
        std::memcpy(p__PUCHAR__Inquiry, l__Request->m__UCHAR__Data, INQUIRY_LENGTH);
    return l__UCHAR__Status;
}
