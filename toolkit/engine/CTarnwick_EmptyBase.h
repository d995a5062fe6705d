#pragma once

// The last base of the burner-grabber object: nothing but a virtual destructor.
class CTarnwick_EmptyBase {
public:
    virtual ~CTarnwick_EmptyBase() = default;
};
