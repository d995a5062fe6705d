// Tarnwick_FindDevice and Tarnwick_GetDeviceNameByDeviceAddress: drives found through
// ASPI without creating a burner. Discovery never raises.
#include <cstring>

#include "CTarnwick_FlatBoundary.h"
#include "CTarnwick_PolledInquiry.h"
#include "DebugPrint.h"
#include "tarnwick.h"
#include "wnaspi32.h"

namespace {
constexpr ULONG TARGETS_PER_PORT = 63;
constexpr ULONG DISCOVERY_POLLS = 10;
}  // namespace

extern "C" ULONG Tarnwick_FindDevice(UCHAR p__UCHAR__DeviceType, BOOLEAN p__BOOLEAN__StopAtFirst,
                                     PROGRESS_CALLBACK p__Callback, PVOID p__PVOID__Context) {
    DWORD l__DWORD__SupportInfo = GetASPI32SupportInfo();
    UCHAR l__UCHAR__AspiStatus = static_cast<UCHAR>((l__DWORD__SupportInfo >> 8) & 0xFF);
    UCHAR l__UCHAR__HostAdapters = static_cast<UCHAR>(l__DWORD__SupportInfo & 0xFF);
    if (l__UCHAR__AspiStatus != SS_COMP) {
        DebugPrint("\nTarnwick:Tarnwick_FindDevice(): GetASPI32SupportInfo() failed, ASPI status 0x%02X!!!\n",
                   l__UCHAR__AspiStatus);
        return 0;
    }
    // A failure that is not the toolkit's ends the scan with the units counted so far.
    ULONG l__ULONG__Found = 0;
    CTarnwick_FlatBoundary::CallTree("Tarnwick:Tarnwick_FindDevice", nullptr, 0, nullptr, [&] {
        for (ULONG l__ULONG__Port = 0; l__ULONG__Port < l__UCHAR__HostAdapters; ++l__ULONG__Port) {
            for (ULONG l__ULONG__Target = 0; l__ULONG__Target < TARGETS_PER_PORT; ++l__ULONG__Target) {
                UCHAR l__UCHAR__Inquiry[CTarnwick_PolledInquiry::INQUIRY_LENGTH] = {};
                UCHAR l__UCHAR__Result = CTarnwick_PolledInquiry::Send(static_cast<UCHAR>(l__ULONG__Port),
                                                                       static_cast<UCHAR>(l__ULONG__Target),
                                                                       DISCOVERY_POLLS, l__UCHAR__Inquiry);
                if (l__UCHAR__Result != SS_COMP) continue;
                if (p__UCHAR__DeviceType != 0xFF && p__UCHAR__DeviceType != (l__UCHAR__Inquiry[0] & 0x1F)) continue;

                // A caller that only counts the units gives no callback.
                if (p__Callback != nullptr) {
                    DEVICE_ADDRESS l__DEVICE_ADDRESS__Address = {1, static_cast<UCHAR>(l__ULONG__Port), 0,
                                                                 static_cast<UCHAR>(l__ULONG__Target), 0};
                    p__Callback(DEVICE_FOUND, p__PVOID__Context, &l__DEVICE_ADDRESS__Address, nullptr);
                }
                ++l__ULONG__Found;
                if (p__BOOLEAN__StopAtFirst == 1) return;
            }
        }
    });
    return l__ULONG__Found;
}

extern "C" ULONG Tarnwick_GetDeviceNameByDeviceAddress(UCHAR p__UCHAR__PortID, UCHAR /*p__UCHAR__BusID*/,
                                                       UCHAR p__UCHAR__TargetID, UCHAR /*p__UCHAR__LUN*/,
                                                       PCHAR p__PCHAR__DeviceName) {
    ULONG l__ULONG__Result = EXCEPTION_NUMBER_SUCCESS;
    ULONG l__ULONG__Failure = CTarnwick_FlatBoundary::CallTree(
        "Tarnwick:Tarnwick_GetDeviceNameByDeviceAddress", nullptr, 0, nullptr, [&] {
            SRB_GetSymbolicName l__Srb;
            std::memset(&l__Srb, 0, sizeof(l__Srb));
            l__Srb.SRB_Cmd = SC_GET_SYMBOLIC_NAME;
            l__Srb.SRB_HaId = p__UCHAR__PortID;
            l__Srb.SRB_Target = p__UCHAR__TargetID;
            l__Srb.SRB_Lun = 0;
            UCHAR l__UCHAR__Status = static_cast<UCHAR>(SendASPI32Command(&l__Srb));
            if (l__UCHAR__Status != SS_COMP) {
                DebugPrint("\nCTarnwick:Tarnwick_GetDeviceNameByDeviceAddress(): SendASPI32Command( "
                           "SC_GET_SYMBOLIC_NAME ) for port ID %ld and target ID %ld failed with ASPI status "
                           "0x%02X!!!\n",
                           static_cast<long>(p__UCHAR__PortID), static_cast<long>(p__UCHAR__TargetID),
                           l__UCHAR__Status);
                l__ULONG__Result = EXCEPTION_NUMBER_NOT_FOUND;
                return;
            }
            if (p__PCHAR__DeviceName == nullptr) return;
            // The name is terminated within its 260 bytes, whatever the ASPI layer wrote.
            l__Srb.SRB_SymbolicName[sizeof(l__Srb.SRB_SymbolicName) - 1] = '\0';
            std::memcpy(p__PCHAR__DeviceName, l__Srb.SRB_SymbolicName, std::strlen(l__Srb.SRB_SymbolicName) + 1);
        });
    return l__ULONG__Failure != EXCEPTION_NUMBER_SUCCESS ? l__ULONG__Failure : l__ULONG__Result;
}
