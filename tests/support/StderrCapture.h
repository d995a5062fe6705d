#pragma once
#include <string>

// Sends this process's standard error (descriptor 2) into a temporary file while it
// lives, or until Restore().
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // Gives descriptor 2 back; Text() stays readable.
    void Restore();
    // Everything written so far.
    std::string Text();

private:
    int m__INT__File = -1;
    int m__INT__Saved = -1;
};
