#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "DebugPrint.h"

namespace {

// Sends standard error into a temporary file while it lives.
class StderrToFile {
public:
    StderrToFile() {
        char l__Name[] = "/tmp/tarnwick-stderr-XXXXXX";
        m__Fd = mkstemp(l__Name);
        m__Name = l__Name;
        m__Saved = dup(STDERR_FILENO);
        dup2(m__Fd, STDERR_FILENO);
    }
    ~StderrToFile() {
        Restore();
        close(m__Fd);
        unlink(m__Name.c_str());
    }
    void Restore() {
        if (m__Saved >= 0) {
            dup2(m__Saved, STDERR_FILENO);
            close(m__Saved);
            m__Saved = -1;
        }
    }
    std::string Text() {
        std::string l__Text;
        char l__Buffer[65536];
        lseek(m__Fd, 0, SEEK_SET);
        ssize_t n;
        while ((n = read(m__Fd, l__Buffer, sizeof(l__Buffer))) > 0) l__Text.append(l__Buffer, static_cast<size_t>(n));
        return l__Text;
    }

private:
    int m__Fd = -1;
    int m__Saved = -1;
    std::string m__Name;
};

TEST(DebugOutput, TraceLinesOfTwoThreadsNeverMix) {
    StderrToFile l__Redirect;
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
    StderrToFile l__Redirect;
    std::string l__Long(5000, 'x');
    PlatformDebugOutput::Print("%s", l__Long.c_str());
    l__Redirect.Restore();
    EXPECT_EQ(l__Redirect.Text().size(), 4095u);
}

}  // namespace
