#include "BenchProgram.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

extern char** environ;

BenchProgram::Run BenchProgram::Spawn(const std::vector<std::string>& p__Arguments, const std::string& p__Output,
                                      const std::vector<std::string>& p__Environment) {
    std::vector<char*> l__Arguments;
    for (const std::string& l__Argument : p__Arguments) l__Arguments.push_back(const_cast<char*>(l__Argument.c_str()));
    l__Arguments.push_back(nullptr);
    std::vector<std::string> l__Strings(p__Environment);
    for (char** l__Entry = environ; *l__Entry != nullptr; ++l__Entry) l__Strings.emplace_back(*l__Entry);
    std::vector<char*> l__Environment;
    for (std::string& l__Entry : l__Strings) l__Environment.push_back(l__Entry.data());
    l__Environment.push_back(nullptr);
    posix_spawn_file_actions_t l__Actions;
    posix_spawn_file_actions_init(&l__Actions);
    posix_spawn_file_actions_addopen(&l__Actions, 1, p__Output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&l__Actions, 2, "/dev/null", O_WRONLY, 0);
    Run l__Run;
    const auto l__Start = std::chrono::steady_clock::now();
    pid_t l__Pid = 0;
    if (posix_spawnp(&l__Pid, l__Arguments[0], &l__Actions, nullptr, l__Arguments.data(), l__Environment.data()) != 0) {
        std::perror(l__Arguments[0]);
        std::exit(1);
    }
    int l__Status = 0;
    struct rusage l__Usage {};
    wait4(l__Pid, &l__Status, 0, &l__Usage);
    l__Run.m__Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - l__Start).count();
    l__Run.m__PeakKiB = l__Usage.ru_maxrss;
    l__Run.m__Exit = WIFEXITED(l__Status) ? WEXITSTATUS(l__Status) : -1;
    posix_spawn_file_actions_destroy(&l__Actions);
    return l__Run;
}

std::string BenchProgram::ScratchDirectory(const std::string& p__Prefix) {
    const char* l__Base = std::getenv("TARNWICK_BENCH_DIR");
    std::string l__Template = std::string(l__Base != nullptr ? l__Base : "/tmp") + "/" + p__Prefix + "-XXXXXX";
    if (mkdtemp(l__Template.data()) == nullptr) {
        std::perror("mkdtemp");
        return {};
    }
    return l__Template;
}

void BenchProgram::WriteImage(const std::string& p__File, unsigned long p__MiB) {
    std::vector<char> l__Chunk(1 << 20);
    std::ofstream l__Out(p__File, std::ios::binary);
    for (unsigned long l__Index = 0; l__Index < p__MiB; ++l__Index) {
        for (size_t i = 0; i < l__Chunk.size(); ++i) l__Chunk[i] = static_cast<char>((i * 131 + l__Index * 7) >> 3);
        if (l__Index == 0) {
            const char l__Primary[] = "\x01" "CD001" "\x01";
            const char l__Terminator[] = "\xFF" "CD001" "\x01";
            std::copy(l__Primary, l__Primary + 7, l__Chunk.begin() + 16 * 2048);
            std::copy(l__Terminator, l__Terminator + 7, l__Chunk.begin() + 17 * 2048);
        }
        l__Out.write(l__Chunk.data(), static_cast<std::streamsize>(l__Chunk.size()));
    }
}

void BenchProgram::Result(const std::string& p__Label, double p__Ours, const std::string& p__Unit,
                          const std::string& p__PeerName, double p__Peer, const std::string& p__Target) {
    std::string l__Peer;
    if (!p__PeerName.empty()) {
        char l__Number[32];
        std::snprintf(l__Number, sizeof(l__Number), "%.6g", p__Peer);
        l__Peer.append(" peer_name=\"").append(p__PeerName).append("\" peer=").append(l__Number);
    }
    std::printf("RESULT label=\"%s\" ours=%.6g unit=%s%s target=%s\n", p__Label.c_str(), p__Ours, p__Unit.c_str(),
                l__Peer.c_str(), p__Target.c_str());
    std::fflush(stdout);
}
