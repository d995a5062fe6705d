#include "BoundedProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

BoundedProcess::BoundedProcess(std::vector<std::string> p__Arguments, std::string p__string__OutputFile)
    : m__Arguments(std::move(p__Arguments)), m__string__OutputFile(std::move(p__string__OutputFile)) {}

BoundedProcess::~BoundedProcess() { Kill(); }

bool BoundedProcess::Start() {
    if (m__Arguments.empty()) return false;
    std::vector<char*> l__Argv;
    for (std::string& l__string__Argument : m__Arguments) l__Argv.push_back(l__string__Argument.data());
    l__Argv.push_back(nullptr);
    pid_t l__pid_t__Parent = ::getpid();
    pid_t l__pid_t__Child = ::fork();
    if (l__pid_t__Child < 0) return false;
    if (l__pid_t__Child == 0) {
        // Dies with the test: a crashed or killed test leaves no emulator running.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != l__pid_t__Parent) ::_exit(127);
        int l__int__Input = ::open("/dev/null", O_RDONLY);
        int l__int__Output = ::open(m__string__OutputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (l__int__Input < 0 || l__int__Output < 0) ::_exit(127);
        ::dup2(l__int__Input, 0);
        ::dup2(l__int__Output, 1);
        ::dup2(l__int__Output, 2);
        ::execvp(l__Argv[0], l__Argv.data());
        ::_exit(127);
    }
    m__pid_t__Pid = l__pid_t__Child;
    return true;
}

BoundedProcess::Result BoundedProcess::Run(int p__int__Seconds) {
    Result l__Result;
    auto l__Start = std::chrono::steady_clock::now();
    auto l__Deadline = l__Start + std::chrono::seconds(p__int__Seconds);
    if (m__pid_t__Pid > 0 || !Start()) return l__Result;
    l__Result.m__bool__Started = true;
    int l__int__Status = 0;
    for (;;) {
        pid_t l__pid_t__Done = ::waitpid(m__pid_t__Pid, &l__int__Status, WNOHANG);
        if (l__pid_t__Done == m__pid_t__Pid) break;
        if (l__pid_t__Done < 0) {
            m__pid_t__Pid = -1;
            l__Result.m__bool__Started = false;
            return l__Result;
        }
        if (std::chrono::steady_clock::now() >= l__Deadline) {
            l__Result.m__bool__TimedOut = true;
            ::kill(m__pid_t__Pid, SIGKILL);
            ::waitpid(m__pid_t__Pid, &l__int__Status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    m__pid_t__Pid = -1;
    l__Result.m__double__Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - l__Start).count();
    if (WIFEXITED(l__int__Status)) l__Result.m__int__Exit = WEXITSTATUS(l__int__Status);
    if (WIFSIGNALED(l__int__Status)) l__Result.m__int__Signal = WTERMSIG(l__int__Status);
    return l__Result;
}

std::string BoundedProcess::Output() const {
    std::ifstream l__Stream(m__string__OutputFile, std::ios::binary);
    std::stringstream l__Text;
    l__Text << l__Stream.rdbuf();
    return l__Text.str();
}

void BoundedProcess::Kill() {
    if (m__pid_t__Pid <= 0) return;
    ::kill(m__pid_t__Pid, SIGKILL);
    ::waitpid(m__pid_t__Pid, nullptr, 0);
    m__pid_t__Pid = -1;
}
