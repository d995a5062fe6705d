#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// Sense data as the ASPI request block carries it: fixed format, 18 bytes. A target may
// answer in fixed format (kept as it is) or in descriptor format (its key, ASC and ASCQ
// moved to where fixed format has them).
class AspiIscsiSense {
public:
    using Fixed = std::array<uint8_t, 18>;

    // From the sense bytes the target sent (p__size_t__Length may be 0); when they are
    // missing or in no known format, from the key, ASC and ASCQ the session decoded.
    static Fixed ToFixed(const uint8_t* p__PUCHAR__Sense, size_t p__size_t__Length, uint8_t p__UCHAR__Key,
                         uint8_t p__UCHAR__Asc, uint8_t p__UCHAR__Ascq);
};
