#pragma once
#include <string>

#include "tarnwick_types.h"

// The drive a tool works with: the N-th CD/DVD unit the toolkit finds (TARNWICK_DRIVES
// chooses the drives besides the machine's own).
class CTarnwick_ToolDrive {
public:
    // The largest drive number a command line accepts.
    static constexpr unsigned long MAXIMUM_NUMBER = 255;

    // A drive number of a command line: digits only, at most MAXIMUM_NUMBER.
    static bool ParseNumber(const std::string& p__string__Text, unsigned long& p__ulong__Number);
    // The address of drive p__ulong__Wanted (from 0); false when there are fewer drives, with
    // the count found in p__ulong__Seen.
    static bool Find(unsigned long p__ulong__Wanted, DEVICE_ADDRESS& p__DEVICE_ADDRESS__Found,
                     unsigned long& p__ulong__Seen);
    // Find for a tool: when the drive is missing, tells so on standard error under the
    // program's name and returns false.
    static bool FindOrTell(const char* p__PCHAR__Program, unsigned long p__ulong__Wanted,
                           DEVICE_ADDRESS& p__DEVICE_ADDRESS__Found);
    // The burner object of drive p__ulong__Wanted for a tool, its progress reported to the
    // callback: 0, or the exit code after the failure was told on standard error.
    static int CreateBurner(const char* p__PCHAR__Program, unsigned long p__ulong__Wanted, PROGRESS_CALLBACK p__Callback,
                            PVOID p__PVOID__Context, PVOID* p__PPVOID__Burner);
};
