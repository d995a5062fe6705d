#pragma once

// The common base of the objects the flat functions hand out (burners and trees):
// nothing but a virtual destructor, through which Tarnwick_Destroy deletes them.
class CTarnwick_EmptyBase {
public:
    virtual ~CTarnwick_EmptyBase() = default;
};
