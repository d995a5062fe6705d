#pragma once
#include <cstdint>

// The platform the toolkit runs on, as the platform id of an operating-system version query.
// Linux always answers with the NT platform id: its root directory is an entry of its own,
// which is what the id tells the path handling of the file trees.
class PlatformVersion {
public:
    static constexpr uint32_t PlatformIdNt = 2;
    static uint32_t PlatformId() { return PlatformIdNt; }
};
