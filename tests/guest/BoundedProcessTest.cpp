// The runner the guest test starts the emulator with: a program that outlives its time is
// killed, and what it wrote and how it ended reach the test.
#include <gtest/gtest.h>

#include <signal.h>

#include <fstream>

#include "BoundedProcess.h"
#include "ScratchDirectory.h"

namespace {

TEST(BoundedProcess, ReportsTheExitCodeAndTheOutput) {
    ScratchDirectory l__Scratch;
    BoundedProcess l__Process({"sh", "-c", "echo to-out; echo to-err >&2; read line; echo \"[$line]\"; exit 7"},
                              l__Scratch / "out.log");
    BoundedProcess::Result l__Result = l__Process.Run(30);
    EXPECT_TRUE(l__Result.m__bool__Started);
    EXPECT_FALSE(l__Result.m__bool__TimedOut);
    EXPECT_EQ(l__Result.m__int__Exit, 7);
    EXPECT_EQ(l__Result.m__int__Signal, 0);
    // Standard input is empty: the program does not wait on the test's terminal.
    EXPECT_EQ(l__Process.Output(), "to-out\nto-err\n[]\n");
}

TEST(BoundedProcess, KillsAProgramThatOutlivesItsTime) {
    ScratchDirectory l__Scratch;
    // The program names its pid, so the test can see it is gone afterwards.
    BoundedProcess l__Process({"sh", "-c", "echo $$; exec sleep 60"}, l__Scratch / "out.log");
    BoundedProcess::Result l__Result = l__Process.Run(1);
    EXPECT_TRUE(l__Result.m__bool__TimedOut);
    EXPECT_EQ(l__Result.m__int__Signal, SIGKILL);
    EXPECT_EQ(l__Result.m__int__Exit, -1);
    EXPECT_LT(l__Result.m__double__Seconds, 30);
    pid_t l__pid_t__Pid = std::stoi(l__Process.Output());
    EXPECT_NE(::kill(l__pid_t__Pid, 0), 0) << "process " << l__pid_t__Pid << " still exists";
}

TEST(BoundedProcess, AProgramThatCannotRunIsNoSuccess) {
    ScratchDirectory l__Scratch;
    BoundedProcess l__Process({l__Scratch / "no-such-program"}, l__Scratch / "out.log");
    BoundedProcess::Result l__Result = l__Process.Run(30);
    EXPECT_NE(l__Result.m__int__Exit, 0);
    EXPECT_FALSE(l__Result.m__bool__TimedOut);
}

}  // namespace
