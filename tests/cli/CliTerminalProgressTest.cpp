// The progress of a burn as a person sees it in a terminal: the command typed into a shell in
// tmux (send-keys), the screen read while it works (capture-pane). The recorder records at a
// set speed so that the burn lasts a few seconds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ExternalTool.h"
#include "CliTestRun.h"
#include "PellmarkRun.h"

namespace {

// A tmux server of its own (its own socket), ended with the test.
class Tmux {
public:
    explicit Tmux(const std::string& p__Directory) : m__Socket("tarnwick-cli-" + std::to_string(::getpid())) {
        m__Started = PellmarkRun::Shell(Base() + " -f /dev/null new-session -d -s burn -x 180 -y 20 -c " +
                                        PellmarkRun::Quote(p__Directory) + " 'env -i PATH=/usr/bin:/bin TERM=xterm HOME=" +
                                        p__Directory + " bash --norc --noprofile'") == 0;
    }
    ~Tmux() { PellmarkRun::Shell(Base() + " kill-server"); }
    bool Started() const { return m__Started; }
    bool Type(const std::string& p__Line) const {
        return PellmarkRun::Shell(Base() + " send-keys -t burn -l " + PellmarkRun::Quote(p__Line)) == 0 &&
               PellmarkRun::Shell(Base() + " send-keys -t burn Enter") == 0;
    }
    std::string Screen() const {
        std::string l__Screen;
        PellmarkRun::Shell(Base() + " capture-pane -p -t burn", &l__Screen);
        return l__Screen;
    }

private:
    std::string Base() const { return "tmux -L " + m__Socket; }
    std::string m__Socket;
    bool m__Started = false;
};

}  // namespace

TEST(CliTerminalProgress, OneLineUpdatesInPlaceWithPercentSpeedAndBufferThenASummary) {
    REQUIRE_TOOL("tmux");
    PellmarkRun l__Run;
    // 2,000 kB/s: the 8 MB image takes about four seconds.
    l__Run.Insert("cdr", "--write-speed 2000");
    const std::string l__Image = l__Run.MakeIso("image.iso", 8 * 1024 * 1024);
    Tmux l__Tmux(l__Run.Dir());
    ASSERT_TRUE(l__Tmux.Started());
    const std::string l__Command = "TARNWICK_DRIVES=" + PellmarkRun::Quote("virtual:" + l__Run.Disc()) + " " +
                                   PellmarkRun::Quote(std::string(TARNWICK_BINARY_DIR) + "/tools/tarnwick/tarnwick") +
                                   " burn --no-eject " + PellmarkRun::Quote(l__Image) + " 2>trace; echo EXIT=$?";
    ASSERT_TRUE(l__Tmux.Type(l__Command));

    const std::regex l__Progress(R"re(burn: ([0-9]+)%  .* of .*  ([0-9.]+)x ([0-9.]+) MB/s  buffer (--|[0-9]+)%.*)re");
    std::set<std::string> l__Seen;
    std::vector<int> l__Percents;
    bool l__bool__BufferKnown = false;
    std::string l__Screen;
    const auto l__Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (std::chrono::steady_clock::now() < l__Deadline) {
        l__Screen = l__Tmux.Screen();
        int l__int__ProgressLines = 0;
        for (const std::string& l__Line : CliTestRun::Lines(l__Screen)) {
            std::smatch m;
            if (!std::regex_search(l__Line, m, l__Progress)) continue;
            ++l__int__ProgressLines;
            if (l__Seen.insert(l__Line).second) {
                l__Percents.push_back(std::stoi(m[1]));
                if (m[4] != "--") l__bool__BufferKnown = true;
            }
        }
        // Updated in place: never two progress lines on the screen.
        ASSERT_LE(l__int__ProgressLines, 1) << l__Screen;
        if (std::regex_search(l__Screen, std::regex("EXIT=[0-9]+"))) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(std::regex_search(l__Screen, std::regex("EXIT=0\n"))) << l__Screen;
    // Several states of the line, the percentage never going back.
    ASSERT_GE(l__Percents.size(), 3u) << l__Screen;
    for (size_t i = 1; i < l__Percents.size(); ++i) EXPECT_GE(l__Percents[i], l__Percents[i - 1]);
    EXPECT_LT(l__Percents.front(), 100);
    EXPECT_EQ(l__Percents.back(), 100);
    EXPECT_TRUE(l__bool__BufferKnown) << "the drive's buffer fill was never shown";
    // The summary line follows the finished progress line.
    const std::vector<std::string> l__Final = CliTestRun::Lines(l__Screen);
    bool l__bool__Summary = false;
    for (size_t i = 1; i < l__Final.size(); ++i)
        if (std::regex_match(l__Final[i], std::regex(R"re(burn done: 8\.[0-9] MB in 0:0[0-9], average [0-9.]+x, [0-9.]+ MB/s)re")) &&
            std::regex_search(l__Final[i - 1], l__Progress))
            l__bool__Summary = true;
    EXPECT_TRUE(l__bool__Summary) << l__Screen;
}
