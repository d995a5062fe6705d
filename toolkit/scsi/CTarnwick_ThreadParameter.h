#pragma once
#include "tarnwick_types.h"

class CTarnwick_Device;

// What a device hands to its worker thread: the device, and a stop flag that tells a
// worker which has not yet started to end at once. The worker destroys it as its first act.
class CTarnwick_ThreadParameter {
public:
    explicit CTarnwick_ThreadParameter(CTarnwick_Device* p__PCTarnwick_Device__Device)
        : m__PCTarnwick_Device__Device(p__PCTarnwick_Device__Device) {}
    virtual ~CTarnwick_ThreadParameter();

    CTarnwick_Device* m__PCTarnwick_Device__Device;
    UCHAR m__UCHAR__Stop = 0;
};
