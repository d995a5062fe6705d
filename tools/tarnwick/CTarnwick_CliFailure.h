#pragma once
#include <string>
#include <vector>

#include "tarnwick_types.h"

// A failure as the command tells it: the operation ("burn", "blank"...), the drive, the
// toolkit's failure number (the exit code), its text and status, the SCSI command that failed
// and its sense decoded to words, and a remedy where one is known.
class CTarnwick_CliFailure {
public:
    CTarnwick_CliFailure() = default;
    // A failed flat call: its number, text, system error and failure record.
    CTarnwick_CliFailure(std::string p__string__Operation, std::string p__string__Drive, ULONG p__ULONG__Number,
                         std::string p__string__Text, ULONG p__ULONG__Status, const CDB_FAILURE_INFORMATION& p__Info);
    // A failure the command finds itself (a disc that is not blank, a drive that is missing),
    // with its remedy (may be empty: then the one the number and text suggest, if any).
    CTarnwick_CliFailure(std::string p__string__Operation, std::string p__string__Drive, ULONG p__ULONG__Number,
                         std::string p__string__Text, std::string p__string__Remedy);

    const std::string& Operation() const { return m__string__Operation; }
    const std::string& Drive() const { return m__string__Drive; }
    ULONG Number() const { return m__ULONG__Number; }
    const std::string& Text() const { return m__string__Text; }
    ULONG Status() const { return m__ULONG__Status; }
    // The failed command ("WRITE(10)"), empty when no command failed.
    const std::string& Command() const { return m__string__Command; }
    // The CDB in hex, empty when no command failed.
    const std::string& Cdb() const { return m__string__Cdb; }
    // "NOT READY: MEDIUM NOT PRESENT (2/3A/00)", empty without sense.
    const std::string& Sense() const { return m__string__Sense; }
    const std::string& Remedy() const { return m__string__Remedy; }
    // The exit code of the command: the failure number.
    int ExitCode() const { return static_cast<int>(m__ULONG__Number); }
    // The lines told on standard error, without the trailing newline.
    std::vector<std::string> Lines() const;
    // The remedy for a disc that is not blank where a burn needs one: erase a rewritable disc,
    // else insert a blank one.
    static std::string NotBlankRemedy(bool p__bool__Rewritable);

private:
    void Decode(const CDB_FAILURE_INFORMATION& p__Info);
    void ChooseRemedy();

    std::string m__string__Operation;
    std::string m__string__Drive;
    ULONG m__ULONG__Number = 0;
    std::string m__string__Text;
    ULONG m__ULONG__Status = 0;
    std::string m__string__Command;
    std::string m__string__Cdb;
    std::string m__string__Sense;
    UCHAR m__UCHAR__Key = 0, m__UCHAR__Asc = 0, m__UCHAR__Ascq = 0;
    bool m__bool__HasSense = false;  // the key at least
    bool m__bool__HasAsc = false;    // the additional sense code and qualifier too
    std::string m__string__Remedy;
};
