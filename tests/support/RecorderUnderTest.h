#pragma once
#include <string>

#include "LoggingBackend.h"
#include "ScratchDirectory.h"

// A virtual recorder with a fresh disc file in its own directory, installed as the only
// host adapter of the ASPI library behind a command log. The disc is made with the
// tarnwick-vdisc tool, as a user would.
class RecorderUnderTest {
public:
    // p__Media: cdr, cdrw, dvdr, dvdrw, dvdrw-ro, dvdplusr, dvdplusrw, dvdram; p__Options: more
    // options of "tarnwick-vdisc blank" (--vendor, --product, --page30...).
    explicit RecorderUnderTest(const std::string& p__Media, const std::string& p__Options = "");
    ~RecorderUnderTest();
    RecorderUnderTest(const RecorderUnderTest&) = delete;
    RecorderUnderTest& operator=(const RecorderUnderTest&) = delete;

    const std::string& Dir() const { return m__Dir.Path(); }
    const std::string& File() const { return m__File; }
    LoggingBackend& Log() { return *m__Log; }
    // Runs "tarnwick-vdisc ARGS" (ARGS may use {} for the disc file); returns its exit code.
    int Vdisc(const std::string& p__Arguments, std::string* p__Output = nullptr);
    // Opens the disc file again in a fresh backend (as a new process would).
    void Reinstall();

    static std::string VdiscTool();
    static int Run(const std::string& p__Command, std::string* p__Output = nullptr);

private:
    ScratchDirectory m__Dir{"tarnwick-recorder"};
    std::string m__File;
    LoggingBackend* m__Log = nullptr;
};
