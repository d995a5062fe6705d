// The three forms of the command's output, driven directly: the line updated in place on a
// terminal, a line per tenth otherwise, and JSON lines (checked by jq when it is installed).
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "CTarnwick_CliFailure.h"
#include "CTarnwick_CliReporter.h"
#include "ExternalTool.h"
#include "CliTestRun.h"
#include "PellmarkRun.h"
#include "ScratchDirectory.h"

namespace {

using Reporter = CTarnwick_CliReporter;

// What a reporter wrote to a temporary file.
struct Captured {
    std::FILE* m__Out = std::tmpfile();
    std::FILE* m__Err = std::tmpfile();
    ~Captured() {
        std::fclose(m__Out);
        std::fclose(m__Err);
    }
    static std::string Read(std::FILE* p__File) {
        std::fflush(p__File);
        std::rewind(p__File);
        std::string l__Text;
        char l__Buffer[4096];
        size_t l__Read;
        while ((l__Read = std::fread(l__Buffer, 1, sizeof(l__Buffer), p__File)) > 0) l__Text.append(l__Buffer, l__Read);
        return l__Text;
    }
    std::string Out() const { return Read(m__Out); }
    std::string Err() const { return Read(m__Err); }
};

}  // namespace

TEST(CliReporter, LinesFormTellsEachTenthOnceThenTheSummary) {
    Captured l__Captured;
    Reporter l__Reporter(Reporter::Mode::Lines, l__Captured.m__Out, l__Captured.m__Err);
    l__Reporter.BeginPhase("burn", 1000, 2048, 1385000.0);
    for (uint64_t l__Done = 0; l__Done <= 1000; l__Done += 7) l__Reporter.Progress(l__Done);
    l__Reporter.Buffer(1000, 250);
    l__Reporter.EndPhase(true);
    const std::vector<std::string> l__Lines = CliTestRun::Lines(l__Captured.Out());
    const std::regex l__Progress(R"(burn: ([0-9]+)%  .* of 2\.0 MB  [0-9.]+x [0-9.]+ MB/s  buffer (--|[0-9]+)%.*)");
    std::vector<int> l__Percents;
    for (const std::string& l__Line : l__Lines) {
        std::smatch m;
        if (std::regex_match(l__Line, m, l__Progress)) l__Percents.push_back(std::stoi(m[1]));
    }
    // 0, 10, 20 ... 90 and the last step reached 100 only through the end of the phase.
    ASSERT_EQ(l__Percents.size(), 11u) << l__Captured.Out();
    for (size_t i = 0; i < l__Percents.size(); ++i) EXPECT_EQ(l__Percents[i] / 10, static_cast<int>(i)) << l__Captured.Out();
    EXPECT_NE(l__Captured.Out().find("buffer 75%"), std::string::npos) << l__Captured.Out();
    EXPECT_TRUE(std::regex_match(l__Lines.back(), std::regex(R"(burn done: 2\.0 MB in [0-9]+:[0-9]{2}, average [0-9.]+x, [0-9.]+ MB/s)")))
        << l__Lines.back();
    EXPECT_EQ(l__Captured.Out().find('\r'), std::string::npos);
}

TEST(CliReporter, TerminalFormRedrawsOneLineAndKeepsNotesAndFailuresApart) {
    Captured l__Captured;
    Reporter l__Reporter(Reporter::Mode::Terminal, l__Captured.m__Out, l__Captured.m__Err);
    l__Reporter.BeginPhase("grab", 100, 2352, 176400.0);
    l__Reporter.Progress(40);
    l__Reporter.Note("a note");
    l__Reporter.Progress(60);
    l__Reporter.EndPhase(false);
    l__Reporter.Fail(CTarnwick_CliFailure("grab", "virtual:/d", EXCEPTION_NUMBER_MEDIA_OR_DATA, "went wrong", ""));
    const std::string l__Out = l__Captured.Out();
    // Each update returns to the start of the line; a note blanks the line, takes its place,
    // and the line is drawn again below it.
    const size_t l__Forty = l__Out.find("\rgrab: 40%");
    ASSERT_NE(l__Forty, std::string::npos) << l__Out;
    const size_t l__Width = l__Out.find('\r', l__Forty + 1) - l__Forty - 1;
    // Appended: GCC 12 warns falsely about operator+ here.
    std::string l__string__Blanked(1, '\r');
    l__string__Blanked.append(l__Width, ' ').append("\ra note\n\rgrab: 40%");
    EXPECT_NE(l__Out.find(l__string__Blanked), std::string::npos) << l__Out;
    EXPECT_NE(l__Out.find("\rgrab: 60%"), std::string::npos) << l__Out;
    EXPECT_NE(l__Out.find("grab failed after 141.1 kB in"), std::string::npos) << l__Out;
    EXPECT_EQ(l__Out.find("went wrong"), std::string::npos);
    EXPECT_NE(l__Captured.Err().find("tarnwick grab on virtual:/d failed (10): went wrong"), std::string::npos)
        << l__Captured.Err();
}

TEST(CliReporter, TerminalLineIsPaddedOverALongerOne) {
    Captured l__Captured;
    Reporter l__Reporter(Reporter::Mode::Terminal, l__Captured.m__Out, l__Captured.m__Err);
    l__Reporter.BeginPhase("burn", 10, 2048, 0);
    l__Reporter.Buffer(100, 0);    // "buffer 100%"
    l__Reporter.Buffer(100, 100);  // "buffer 0%": two characters shorter
    std::string l__Out = l__Captured.Out();
    const size_t l__Last = l__Out.rfind('\r');
    const size_t l__Before = l__Out.rfind('\r', l__Last - 1);
    ASSERT_NE(l__Before, std::string::npos);
    EXPECT_EQ(l__Out.size() - l__Last, l__Last - l__Before) << "the shorter line must cover the longer: " << l__Out;
}

TEST(CliReporter, JsonEventsAreOneValidObjectALineInOrder) {
    Captured l__Captured;
    Reporter l__Reporter(Reporter::Mode::Json, l__Captured.m__Out, l__Captured.m__Err);
    l__Reporter.Event("track-begin", {Reporter::Field::Text("source", "odd \"name\"\\\n\x01.iso"), Reporter::Field::Number("track", 1)},
                      "people only");
    l__Reporter.Note("not in JSON");
    l__Reporter.BeginPhase("burn", 50, 2048, 1385000.0);
    l__Reporter.Progress(25);
    l__Reporter.Buffer(200, 50);
    l__Reporter.EndPhase(true);
    l__Reporter.Fail(CTarnwick_CliFailure("burn", "virtual:/d", EXCEPTION_NUMBER_SIZE_LIMIT, "too big", "use a larger disc"));
    const std::vector<std::string> l__Lines = CliTestRun::Lines(l__Captured.Out());
    EXPECT_EQ(l__Captured.Err(), "");
    std::vector<std::string> l__Events;
    for (const std::string& l__Line : l__Lines) {
        std::smatch m;
        ASSERT_TRUE(std::regex_search(l__Line, m, std::regex(R"re(^\{"event":"([a-z-]+)")re"))) << l__Line;
        l__Events.push_back(m[1]);
    }
    EXPECT_EQ(l__Events, (std::vector<std::string>{"track-begin", "phase-begin", "progress", "buffer", "phase-end", "error"}));
    EXPECT_NE(l__Lines[0].find(R"("source":"odd \"name\"\\\n\u0001.iso")"), std::string::npos) << l__Lines[0];
    EXPECT_NE(l__Lines.back().find(R"("remedy":"use a larger disc")"), std::string::npos);
    EXPECT_NE(l__Lines.back().find(R"("exit":18)"), std::string::npos);
    REQUIRE_TOOL("jq");
    ScratchDirectory l__Scratch("tarnwick-cli-json");
    const std::string l__File = l__Scratch / "events.json";
    {
        std::FILE* l__Out = std::fopen(l__File.c_str(), "w");
        std::fputs(l__Captured.Out().c_str(), l__Out);
        std::fclose(l__Out);
    }
    std::string l__Parsed;
    ASSERT_EQ(PellmarkRun::Shell("jq -c -r '.event' " + PellmarkRun::Quote(l__File), &l__Parsed), 0) << l__Parsed;
    EXPECT_EQ(CliTestRun::Lines(l__Parsed), l__Events);
}
