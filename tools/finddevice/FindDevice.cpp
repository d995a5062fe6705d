// tarnwick-finddevice: lists the units the ASPI library offers, with their identity, and
// names on standard error each drive node of the machine that could not be used, and why.
#include <cstdio>
#include <cstring>

#include "CTarnwick_WrapperBackend.h"
#include "tarnwick.h"
#include "wnaspi32.h"

namespace {

void OnFound(ULONG p__ULONG__Reason, PVOID /*p__PVOID__Context*/, PVOID p__PVOID__Parameter1, PVOID) {
    if (p__ULONG__Reason != DEVICE_FOUND) return;
    const DEVICE_ADDRESS* l__Address = static_cast<const DEVICE_ADDRESS*>(p__PVOID__Parameter1);
    char l__CHAR__Name[260] = {};
    if (Tarnwick_GetDeviceNameByDeviceAddress(l__Address->m__UCHAR__PortID, 0, l__Address->m__UCHAR__TargetID, 0,
                                              l__CHAR__Name) != 0) {
        std::strcpy(l__CHAR__Name, "(no name)");
    }
    std::printf("%u:%u:%u:%u  %s\n", l__Address->m__UCHAR__PortID, l__Address->m__UCHAR__BusID,
                l__Address->m__UCHAR__TargetID, l__Address->m__UCHAR__LUN, l__CHAR__Name);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("Usage: %s [--any]\n"
                    "Lists the CD/DVD units (every unit with --any) that the toolkit can reach, as\n"
                    "port:bus:target:LUN and name. TARNWICK_DRIVES chooses the drives besides the machine's own.\n"
                    "Drive nodes of the machine that cannot be used are named on standard error with the reason.\n",
                    argv[0]);
        return 0;
    }
    UCHAR l__UCHAR__Type = (argc > 1 && std::strcmp(argv[1], "--any") == 0) ? 0xFF : 0x05;
    ULONG l__ULONG__Count = Tarnwick_FindDevice(l__UCHAR__Type, FALSE, OnFound, nullptr);
    std::printf("%lu unit(s) found\n", static_cast<unsigned long>(l__ULONG__Count));
    for (const CTarnwick_Wrapper::Finding& l__Finding : CTarnwick_WrapperBackend::LastSurvey())
        std::fprintf(stderr, "tarnwick-finddevice: %s\n", CTarnwick_Wrapper::DescribeFinding(l__Finding).c_str());
    return 0;
}
