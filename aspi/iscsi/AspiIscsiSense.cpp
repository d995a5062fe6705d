#include "AspiIscsiSense.h"

#include <algorithm>
#include <cstring>

namespace {

AspiIscsiSense::Fixed Build(uint8_t p__UCHAR__Key, uint8_t p__UCHAR__Asc, uint8_t p__UCHAR__Ascq) {
    AspiIscsiSense::Fixed l__Sense{};
    l__Sense[0] = 0x70;
    l__Sense[2] = p__UCHAR__Key & 0x0F;
    l__Sense[7] = 10;
    l__Sense[12] = p__UCHAR__Asc;
    l__Sense[13] = p__UCHAR__Ascq;
    return l__Sense;
}

}  // namespace

AspiIscsiSense::Fixed AspiIscsiSense::ToFixed(const uint8_t* p__PUCHAR__Sense, size_t p__size_t__Length,
                                              uint8_t p__UCHAR__Key, uint8_t p__UCHAR__Asc, uint8_t p__UCHAR__Ascq) {
    if (p__PUCHAR__Sense == nullptr || p__size_t__Length == 0) return Build(p__UCHAR__Key, p__UCHAR__Asc, p__UCHAR__Ascq);
    const uint8_t l__UCHAR__Code = p__PUCHAR__Sense[0] & 0x7F;
    if ((l__UCHAR__Code == 0x70 || l__UCHAR__Code == 0x71) && p__size_t__Length >= 3) {
        // Fixed format: as sent, cut to 18 bytes; bytes the target did not send stay zero.
        Fixed l__Sense{};
        std::memcpy(l__Sense.data(), p__PUCHAR__Sense, std::min(p__size_t__Length, l__Sense.size()));
        if (p__size_t__Length < 14) {
            l__Sense[12] = p__UCHAR__Asc;
            l__Sense[13] = p__UCHAR__Ascq;
        }
        return l__Sense;
    }
    if ((l__UCHAR__Code == 0x72 || l__UCHAR__Code == 0x73) && p__size_t__Length >= 4) {
        Fixed l__Sense = Build(p__PUCHAR__Sense[1], p__PUCHAR__Sense[2], p__PUCHAR__Sense[3]);
        if (l__UCHAR__Code == 0x73) l__Sense[0] = 0x71;  // deferred error
        return l__Sense;
    }
    return Build(p__UCHAR__Key, p__UCHAR__Asc, p__UCHAR__Ascq);
}
