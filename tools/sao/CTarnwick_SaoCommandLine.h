#pragma once
#include <string>
#include <vector>

#include "CTarnwick_ToolFailure.h"
#include "tarnwick_types.h"

// The command line of tarnwick-sao and the session it describes: which drive, how the session
// is written, and one track per file in the order given.
class CTarnwick_SaoCommandLine {
public:
    // The exit code of every usage error.
    static constexpr int USAGE_ERROR = CTarnwick_ToolFailure::USAGE_ERROR;
    // A Session-At-Once session holds at most 99 tracks.
    static constexpr size_t MAXIMUM_FILES = 99;

    // Reads the arguments after the program name. False with the reason in Error() when they
    // are not a valid command line; --help sets IsHelp() and nothing else is required.
    bool Parse(const std::vector<std::string>& p__Arguments);

    // Fills a zeroed descriptor with one entry per file (its name; everything else zero).
    void Describe(SESSION_DESCRIPTOR* p__PSESSION_DESCRIPTOR__Session) const;
    // The same for a raw Disc-At-Once disc: a zeroed track list, one entry (its name) per file.
    void Describe(DISC_AT_ONCE_TRACK_LIST* p__PDISC_AT_ONCE_TRACK_LIST__Tracks) const;

    bool IsHelp() const { return m__bool__Help; }
    unsigned long Drive() const { return m__ulong__Drive; }
    BOOLEAN IsMode2Form1() const { return m__BOOLEAN__Mode2; }
    BOOLEAN IsTestWrite() const { return m__BOOLEAN__Test; }
    BOOLEAN IsKeepOpen() const { return m__BOOLEAN__KeepOpen; }
    // With RawImage: the host sends the lead-in too.
    BOOLEAN IsLeadInSent() const { return m__BOOLEAN__LeadIn; }
    // How the disc is written: Session-At-Once, raw Disc-At-Once with P-Q or raw P-W
    // sub-channel, or the raw image an MDS descriptor describes, Session-At-Once.
    enum class Writing { SessionAtOnce, RawPQ, RawPW, RawImage };
    Writing GetWriting() const { return m__Writing; }
    const std::vector<std::string>& Files() const { return m__Files; }
    const std::string& Error() const { return m__string__Error; }

    static const char* Usage();

private:
    bool Fail(const std::string& p__string__Error);

    bool m__bool__Help = false;
    unsigned long m__ulong__Drive = 0;
    BOOLEAN m__BOOLEAN__Mode2 = 0;
    BOOLEAN m__BOOLEAN__Test = 0;
    BOOLEAN m__BOOLEAN__KeepOpen = 0;
    BOOLEAN m__BOOLEAN__LeadIn = 0;
    Writing m__Writing = Writing::SessionAtOnce;
    std::vector<std::string> m__Files;
    std::string m__string__Error;
};
