#pragma once
#include <cstdint>
#include <ctime>

// Broken-down local time of a moment with its offset from GMT.
struct PlatformLocalTimeValue {
    int m__int__Year;     // e.g. 2026
    int m__int__Month;    // 1-12
    int m__int__Day;      // 1-31
    int m__int__Hour;     // 0-23
    int m__int__Minute;   // 0-59
    int m__int__Second;   // 0-60
    long m__long__GmtOffsetSeconds;  // east of GMT positive
};

class PlatformLocalTime {
public:
    // Local time of a Unix time (seconds), after localtime_r. A time that has no local
    // date (localtime_r fails, e.g. a year beyond the range of int) gives an all-zero
    // value, and *p__PINT__Error (when given) receives the error number; 0 on success.
    static PlatformLocalTimeValue FromUnixTime(int64_t p__LONGLONG__UnixSeconds, int* p__PINT__Error = nullptr);
    static PlatformLocalTimeValue Now();
};
