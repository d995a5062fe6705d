#pragma once
#include <cerrno>
#include <cstdint>

// The error code of the last failed system call (errno), taken right after the call.
class PlatformSystemError {
public:
    static uint32_t Last() { return static_cast<uint32_t>(errno); }
    static void Set(uint32_t p__ULONG__Code) { errno = static_cast<int>(p__ULONG__Code); }
};

inline uint32_t GetLastError() { return PlatformSystemError::Last(); }
