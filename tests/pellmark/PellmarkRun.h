#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ExternalTool.h"
#include "ScratchDirectory.h"

// Runs the Pellmark program and the tools the end-to-end tests need, in a scratch directory.
class PellmarkRun {
public:
    struct Result {
        int m__Exit = -1;
        std::string m__Out;  // standard output: the program's console lines
        std::string m__Err;  // standard error: the toolkit's trace in tracing builds
    };
    // One command the virtual recorder logged: its CDB and "GOOD", "CHECK K/AS/AQ" or "BUSY".
    struct Command {
        std::vector<uint8_t> m__Cdb;
        std::string m__Outcome;
    };

    PellmarkRun() = default;
    PellmarkRun(const PellmarkRun&) = delete;
    PellmarkRun& operator=(const PellmarkRun&) = delete;

    const std::string& Dir() const { return m__Dir; }
    std::string Disc() const { return m__Dir + "/disc"; }
    std::string LogFile() const { return m__Dir + "/commands.log"; }

    // A blank disc of the medium in the recorder, logging its commands; p__Options are more
    // options of "tarnwick-vdisc blank".
    void Insert(const std::string& p__Media, const std::string& p__Options = "");
    // "tarnwick-vdisc ARGS" with {} standing for the disc file; the exit code.
    int Vdisc(const std::string& p__Arguments, std::string* p__Output = nullptr);
    // A program of the build tree (its path under the build directory, as
    // "samples/pellmark/Pellmark") with the arguments (none added), the recorder as the only
    // drive; p__Environment is more "NAME=value" words put before the program.
    Result Program(const std::string& p__Program, const std::vector<std::string>& p__Arguments,
                   const std::string& p__Drives = "", const std::string& p__Environment = "");
    // Pellmark with the arguments, as Program does.
    Result Pellmark(const std::vector<std::string>& p__Arguments, const std::string& p__Drives = "",
                    const std::string& p__Environment = "");
    // Pellmark ADDRESS 0:0:0:0 FILE TEST CLOSE.
    Result Burn(const std::string& p__File, const std::string& p__Test = "0", const std::string& p__Close = "1");
    // The commands logged so far, and forgetting them.
    std::vector<Command> Commands() const;
    void ClearCommands() const;
    // Exported data track N, or the raw BIN of the CUE export.
    std::vector<uint8_t> ExportTrack(int p__Track);
    std::vector<uint8_t> ExportCueBin();

    // Scratch files.
    // A directory of the scratch area holding the files (relative path -> contents).
    std::string MakeSource(const std::string& p__Name, const std::map<std::string, std::string>& p__Files);
    // The same bytes on every run, different for every seed.
    static std::string Pattern(size_t p__Bytes, uint32_t p__Seed);
    std::string MakeIso(const std::string& p__Name, size_t p__Bytes);
    std::string MakeSound(const std::string& p__Name, const std::string& p__Codec, double p__Seconds);
    std::vector<uint8_t> DecodePcm(const std::string& p__File);

    // A program's console text with what varies from run to run masked: each text of
    // p__Labels (a path) by its label, the byte and block counts, and every line of progress
    // percentages by "<PERCENTAGES>"; the percentages are returned in order.
    static std::string MaskedConsole(const std::string& p__Out,
                                     const std::vector<std::pair<std::string, std::string>>& p__Labels,
                                     std::vector<long long>& p__Percentages);
    // The text of a file of the source tree (empty when it cannot be read).
    static std::string SourceText(const std::string& p__RelativePath);

    static std::vector<uint8_t> ReadFile(const std::string& p__File);
    // The text as one word of a shell command.
    static std::string Quote(const std::string& p__Text);
    static int Shell(const std::string& p__Command, std::string* p__Output = nullptr);

private:
    ScratchDirectory m__Scratch{"tarnwick-pellmark"};
    const std::string m__Dir = m__Scratch.Path();
};
