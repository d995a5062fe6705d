#include "PlatformLocalTime.h"

PlatformLocalTimeValue PlatformLocalTime::FromUnixTime(int64_t p__LONGLONG__UnixSeconds) {
    time_t l__time_t__Time = static_cast<time_t>(p__LONGLONG__UnixSeconds);
    struct tm l__tm__Local {};
    localtime_r(&l__time_t__Time, &l__tm__Local);
    PlatformLocalTimeValue l__Value{};
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
