#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "DebugPrint.h"
#include "StderrCapture.h"
#include "TraceCapture.h"

namespace {

TEST(DebugOutput, TraceLinesOfTwoThreadsNeverMix) {
    StderrCapture l__Redirect;
    constexpr int LINES = 2000;
    auto l__Writer = [](char p__Letter) {
        std::string l__Body(300, p__Letter);
        for (int i = 0; i < LINES; ++i) DebugPrint("%s %04d\n", l__Body.c_str(), i);
    };
    std::thread l__A(l__Writer, 'a');
    std::thread l__B(l__Writer, 'b');
    l__A.join();
    l__B.join();
    l__Redirect.Restore();
    std::string l__Text = l__Redirect.Text();
    if (!TARNWICK_TRACE) {
        EXPECT_EQ(l__Text, "") << "a build without tracing wrote trace output";
        return;
    }
    std::istringstream l__Lines(l__Text);
    std::string l__Line;
    int l__Count = 0;
    while (std::getline(l__Lines, l__Line)) {
        ASSERT_EQ(l__Line.size(), 305u) << l__Line;
        ASSERT_EQ(l__Line.find_first_not_of(l__Line[0]), 300u) << "mixed line: " << l__Line;
        ++l__Count;
    }
    EXPECT_EQ(l__Count, 2 * LINES);
}

TEST(DebugOutput, TextIsCutAt4095Characters) {
    StderrCapture l__Redirect;
    std::string l__Long(5000, 'x');
    PlatformDebugOutput::Print("%s", l__Long.c_str());
    l__Redirect.Restore();
    EXPECT_EQ(l__Redirect.Text().size(), 4095u);
}

// The lines a user must see reach standard error in every build, past a sink that takes
// the trace lines.
TEST(DebugOutput, StandardErrorLinesBypassTheSink) {
    StderrCapture l__Redirect;
    {
        TraceCapture l__Trace;
        PlatformDebugOutput::Write("to the sink\n");
        PlatformDebugOutput::WriteStandardError("to the user\n");
        EXPECT_EQ(l__Trace.Text(), "to the sink\n");
    }
    l__Redirect.Restore();
    EXPECT_EQ(l__Redirect.Text(), "to the user\n");
}

}  // namespace
