#include "PlatformLocalTime.h"

#include <cerrno>

PlatformLocalTimeValue PlatformLocalTime::FromUnixTime(int64_t p__LONGLONG__UnixSeconds, int* p__PINT__Error) {
    time_t l__time_t__Time = static_cast<time_t>(p__LONGLONG__UnixSeconds);
    struct tm l__tm__Local {};
    PlatformLocalTimeValue l__Value{};
    errno = 0;
    if (localtime_r(&l__time_t__Time, &l__tm__Local) == nullptr) {
        // The fields may hold a partial result: none of it is used.
        if (p__PINT__Error != nullptr) {
            *p__PINT__Error = errno != 0 ? errno : EOVERFLOW;
        }
        return l__Value;
    }
    if (p__PINT__Error != nullptr) {
        *p__PINT__Error = 0;
    }
    l__Value.m__int__Year = l__tm__Local.tm_year + 1900;
    l__Value.m__int__Month = l__tm__Local.tm_mon + 1;
    l__Value.m__int__Day = l__tm__Local.tm_mday;
    l__Value.m__int__Hour = l__tm__Local.tm_hour;
    l__Value.m__int__Minute = l__tm__Local.tm_min;
    l__Value.m__int__Second = l__tm__Local.tm_sec;
    l__Value.m__long__GmtOffsetSeconds = l__tm__Local.tm_gmtoff;
    return l__Value;
}

PlatformLocalTimeValue PlatformLocalTime::Now() { return FromUnixTime(static_cast<int64_t>(time(nullptr))); }
