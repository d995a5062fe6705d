#pragma once
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tarnwick_types.h"

class CTarnwick_CliFailure;

// What the command tells while it works: events (a step begun or ended, a note), the progress
// of a phase (a burn, a grab, a verify) and failures. Three forms:
// - Terminal: one line updated in place (percent, speed in x and MB/s, the drive's buffer fill,
//   time left), then a summary line when the phase ends; notes as plain lines.
// - Lines (output not a terminal): a line at every 10% instead of the updated line.
// - Json: one JSON object per line on standard output for every event, in order.
// Failures go to standard error in the text forms and as an "error" event in Json.
class CTarnwick_CliReporter {
public:
    enum class Mode { Terminal, Lines, Json };
    // A field of an event: a name and a text, or a number (written without quotes).
    struct Field {
        std::string m__string__Name;
        std::string m__string__Text;
        bool m__bool__IsNumber = false;
        static Field Text(std::string p__Name, std::string p__Value) { return {std::move(p__Name), std::move(p__Value), false}; }
        static Field Number(std::string p__Name, long long p__Value) {
            return {std::move(p__Name), std::to_string(p__Value), true};
        }
        static Field Real(std::string p__Name, double p__Value);
        static Field Flag(std::string p__Name, bool p__Value) { return {std::move(p__Name), p__Value ? "true" : "false", true}; }
    };

    // Json when asked, else Terminal when standard output is a terminal, else Lines.
    static Mode Choose(bool p__bool__Json);
    CTarnwick_CliReporter(Mode p__Mode, std::FILE* p__Out = stdout, std::FILE* p__Err = stderr);
    Mode GetMode() const { return m__Mode; }

    // An event: in Json {"event":NAME,fields...}; in the text forms the line p__Text (nothing
    // when it is empty).
    void Event(const std::string& p__string__Name, const std::vector<Field>& p__Fields, const std::string& p__Text = "");
    // A line of text for people only (nothing in Json).
    void Note(const std::string& p__string__Text);
    // A failure: its lines on standard error, or an "error" event.
    void Fail(const CTarnwick_CliFailure& p__Failure);

    // A phase of p__Total units of p__BlockBytes bytes each. p__BytesPerX is what 1x is for
    // the medium (176,400 bytes a second for a CD, 1,385,000 for a DVD, 4,495,500 for a BD;
    // 0: no x shown). Progress is given as units done from the start of the phase.
    void BeginPhase(const std::string& p__string__Name, uint64_t p__Total, uint32_t p__BlockBytes, double p__BytesPerX);
    void Progress(uint64_t p__Done);
    // The drive's buffer: its size and its free bytes (READ BUFFER CAPACITY).
    void Buffer(uint32_t p__Length, uint32_t p__Blank);
    // Ends the phase: the summary line (or "phase-end" event) with the bytes, time and average speed.
    void EndPhase(bool p__bool__Succeeded);
    // Units added to what the callback reports, for phases made of several flat calls (a
    // Track-At-Once burn of several tracks): the units of the calls before.
    void SetBase(uint64_t p__Base) { m__Base = p__Base; m__LastReported = 0; }
    uint64_t Base() const { return m__Base; }

    // The progress callback of burner objects; the context is the reporter. WRITE_PROGRESS and
    // GRAB_PROGRESS drive the phase, BUFFER_STATUS the buffer fill; the other write and grab
    // reasons become events.
    static void Callback(ULONG p__ULONG__Reason, PVOID p__PVOID__Context, PVOID p__PVOID__Parameter1,
                         PVOID p__PVOID__Parameter2);

    // The text of a JSON string (quotes added).
    static std::string JsonString(const std::string& p__string__Text);
    // "1.2 MB", "700.0 MB", "4.7 GB".
    static std::string Size(uint64_t p__Bytes);

private:
    void Draw(bool p__bool__Final);
    double Seconds() const;

    Mode m__Mode;
    std::FILE* m__Out;
    std::FILE* m__Err;
    std::string m__string__Phase;
    uint64_t m__Total = 0;
    uint64_t m__Done = 0;
    uint64_t m__Base = 0;
    uint64_t m__LastReported = 0;
    uint32_t m__BlockBytes = 2048;
    double m__BytesPerX = 0;
    int m__int__Buffer = -1;  // percent, -1 unknown
    int m__int__LastDecile = -1;
    bool m__bool__LineOpen = false;
    size_t m__SIZE__LineWidth = 0;
    std::chrono::steady_clock::time_point m__Start;
};
