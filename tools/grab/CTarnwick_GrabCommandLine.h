#pragma once
#include <string>
#include <vector>

#include "CTarnwick_ToolFailure.h"
#include "tarnwick_types.h"

// The command line of tarnwick-grab: which drive, a track, a range of blocks or the whole
// disc (a DVD possibly in parts), how read errors are handled, and the output file.
class CTarnwick_GrabCommandLine {
public:
    static constexpr int USAGE_ERROR = CTarnwick_ToolFailure::USAGE_ERROR;
    // More retries than this only keep a drive busy on a block it will never read.
    static constexpr unsigned long MAXIMUM_RETRIES = 100;

    // Reads the arguments after the program name. False with the reason in Error() when they
    // are not a valid command line; --help sets IsHelp() and nothing else is required.
    bool Parse(const std::vector<std::string>& p__Arguments);

    bool IsHelp() const { return m__bool__Help; }
    unsigned long Drive() const { return m__ulong__Drive; }
    // A track (from 1), the whole disc, or else the range FirstLBA() to LastLBA().
    bool IsTrack() const { return m__UCHAR__Track != 0; }
    bool IsDisc() const { return m__bool__IsDisc; }
    // The size of each part of a disc grabbed in parts (0: one file).
    ULONGLONG PartSize() const { return m__ULONGLONG__PartSize; }
    // A size in bytes with an optional K, M or G (1024, 1024², 1024³) after the digits.
    static bool ParseSize(const std::string& p__string__Text, ULONGLONG& p__ULONGLONG__Size);
    UCHAR Track() const { return m__UCHAR__Track; }
    LONG FirstLBA() const { return m__LONG__First; }
    LONG LastLBA() const { return m__LONG__Last; }
    ULONG Retries() const { return m__ULONG__Retries; }
    BOOLEAN IsIgnoreErrors() const { return m__BOOLEAN__Ignore; }
    BOOLEAN IsSingleBlocks() const { return m__BOOLEAN__Single; }
    const std::string& Output() const { return m__string__Output; }
    const std::string& Error() const { return m__string__Error; }

    static const char* Usage();

private:
    bool Fail(const std::string& p__string__Error);

    bool m__bool__Help = false;
    bool m__bool__IsRange = false;
    bool m__bool__IsDisc = false;
    ULONGLONG m__ULONGLONG__PartSize = 0;
    unsigned long m__ulong__Drive = 0;
    UCHAR m__UCHAR__Track = 0;
    LONG m__LONG__First = 0;
    LONG m__LONG__Last = 0;
    ULONG m__ULONG__Retries = 0;
    BOOLEAN m__BOOLEAN__Ignore = 0;
    BOOLEAN m__BOOLEAN__Single = 0;
    std::string m__string__Output;
    std::string m__string__Error;
};
