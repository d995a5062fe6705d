#include "CTarnwick_ToolDrive.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "CTarnwick_ToolFailure.h"
#include "tarnwick.h"

namespace {

// What the search for the N-th unit has seen so far.
struct DriveSearch {
    unsigned long m__ulong__Wanted = 0;
    unsigned long m__ulong__Seen = 0;
    DEVICE_ADDRESS m__DEVICE_ADDRESS__Found{};
};

void OnDevice(ULONG p__ULONG__Reason, PVOID p__PVOID__Context, PVOID p__PVOID__Parameter1, PVOID) {
    if (p__ULONG__Reason != DEVICE_FOUND) return;
    DriveSearch* l__Search = static_cast<DriveSearch*>(p__PVOID__Context);
    if (l__Search->m__ulong__Seen++ == l__Search->m__ulong__Wanted) {
        l__Search->m__DEVICE_ADDRESS__Found = *static_cast<const DEVICE_ADDRESS*>(p__PVOID__Parameter1);
        l__Search->m__DEVICE_ADDRESS__Found.m__UCHAR__IsValid = 1;
    }
}

}  // namespace

bool CTarnwick_ToolDrive::ParseNumber(const std::string& p__string__Text, unsigned long& p__ulong__Number) {
    // Digits only: strtoul would take "-1" for the largest number.
    if (p__string__Text.empty() || p__string__Text.find_first_not_of("0123456789") != std::string::npos) return false;
    char* l__PCHAR__End = nullptr;
    errno = 0;
    const unsigned long l__ulong__Number = std::strtoul(p__string__Text.c_str(), &l__PCHAR__End, 10);
    if (errno != 0 || *l__PCHAR__End != '\0' || l__ulong__Number > MAXIMUM_NUMBER) return false;
    p__ulong__Number = l__ulong__Number;
    return true;
}

bool CTarnwick_ToolDrive::Find(unsigned long p__ulong__Wanted, DEVICE_ADDRESS& p__DEVICE_ADDRESS__Found,
                               unsigned long& p__ulong__Seen) {
    DriveSearch l__Search;
    l__Search.m__ulong__Wanted = p__ulong__Wanted;
    Tarnwick_FindDevice(0x05, FALSE, OnDevice, &l__Search);
    p__ulong__Seen = l__Search.m__ulong__Seen;
    p__DEVICE_ADDRESS__Found = l__Search.m__DEVICE_ADDRESS__Found;
    return l__Search.m__DEVICE_ADDRESS__Found.m__UCHAR__IsValid != 0;
}

bool CTarnwick_ToolDrive::FindOrTell(const char* p__PCHAR__Program, unsigned long p__ulong__Wanted,
                                     DEVICE_ADDRESS& p__DEVICE_ADDRESS__Found) {
    unsigned long l__ulong__Seen = 0;
    if (Find(p__ulong__Wanted, p__DEVICE_ADDRESS__Found, l__ulong__Seen)) return true;
    std::fprintf(stderr, "%s: there is no drive %lu (%lu CD/DVD drive(s) found)\n", p__PCHAR__Program, p__ulong__Wanted,
                 l__ulong__Seen);
    return false;
}

int CTarnwick_ToolDrive::CreateBurner(const char* p__PCHAR__Program, unsigned long p__ulong__Wanted,
                                      PROGRESS_CALLBACK p__Callback, PVOID p__PVOID__Context, PVOID* p__PPVOID__Burner) {
    DEVICE_ADDRESS l__Address{};
    if (!FindOrTell(p__PCHAR__Program, p__ulong__Wanted, l__Address)) return EXCEPTION_NUMBER_NOT_FOUND;
    char l__CHAR__Text[1024] = {};
    ULONG l__ULONG__Status = 0;
    CDB_FAILURE_INFORMATION l__Info{};
    const ULONG l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_Create(
        p__PPVOID__Burner, l__CHAR__Text, sizeof(l__CHAR__Text), &l__ULONG__Status, &l__Info, p__Callback, p__PVOID__Context,
        l__Address.m__UCHAR__PortID, l__Address.m__UCHAR__BusID, l__Address.m__UCHAR__TargetID, l__Address.m__UCHAR__LUN, 0);
    if (l__ULONG__Number == 0) return 0;
    return CTarnwick_ToolFailure::Print(p__PCHAR__Program, "Tarnwick_CdvdBurnerGrabber_Create", l__ULONG__Number, l__CHAR__Text,
                                        l__ULONG__Status);
}
