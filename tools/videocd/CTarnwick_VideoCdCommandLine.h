#pragma once
#include <string>
#include <vector>

#include "CTarnwick_ToolFailure.h"
#include "tarnwick_types.h"

// The command line of tarnwick-videocd: the drive, the kind of disc, how it is written, the
// label and volume numbers, and the MPEG file.
class CTarnwick_VideoCdCommandLine {
public:
    static constexpr int USAGE_ERROR = CTarnwick_ToolFailure::USAGE_ERROR;

    // Reads the arguments after the program name. False with the reason in Error() when they
    // are not a valid command line; --help sets IsHelp() and nothing else is required.
    bool Parse(const std::vector<std::string>& p__Arguments);

    bool IsHelp() const { return m__bool__Help; }
    unsigned long Drive() const { return m__ulong__Drive; }
    bool IsSuper() const { return m__bool__Super; }
    // 0 Track-At-Once, 1 Session-At-Once: the write-mode selector of the flat functions.
    ULONG WriteMode() const { return m__ULONG__WriteMode; }
    BOOLEAN IsTestWrite() const { return m__BOOLEAN__Test; }
    const std::string& Label() const { return m__string__Label; }
    USHORT VolumeCount() const { return m__USHORT__VolumeCount; }
    USHORT VolumeNumber() const { return m__USHORT__VolumeNumber; }
    const std::string& MpegFile() const { return m__string__MpegFile; }
    const std::string& Error() const { return m__string__Error; }

    static const char* Usage();

private:
    bool Fail(const std::string& p__string__Error);
    // A 16-bit number from 1 to 65535.
    static bool ParseVolume(const std::string& p__string__Text, USHORT& p__USHORT__Value);

    bool m__bool__Help = false;
    unsigned long m__ulong__Drive = 0;
    bool m__bool__Super = false;
    ULONG m__ULONG__WriteMode = 0;
    BOOLEAN m__BOOLEAN__Test = 0;
    std::string m__string__Label = "VIDEOCD";
    USHORT m__USHORT__VolumeCount = 1;
    USHORT m__USHORT__VolumeNumber = 1;
    std::string m__string__MpegFile;
    std::string m__string__Error;
};
