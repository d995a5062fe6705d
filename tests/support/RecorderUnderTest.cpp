#include "RecorderUnderTest.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "AspiBackendFactory.h"
#include "AspiHostAdapterTable.h"

std::string RecorderUnderTest::VdiscTool() { return std::string(TARNWICK_BINARY_DIR) + "/tools/vdisc/tarnwick-vdisc"; }

int RecorderUnderTest::Run(const std::string& p__Command, std::string* p__Output) {
    FILE* l__Pipe = popen((p__Command + " 2>&1").c_str(), "r");
    if (l__Pipe == nullptr) return -1;
    std::array<char, 4096> l__Buffer{};
    std::string l__Text;
    size_t n;
    while ((n = fread(l__Buffer.data(), 1, l__Buffer.size(), l__Pipe)) > 0) l__Text.append(l__Buffer.data(), n);
    int l__Status = pclose(l__Pipe);
    if (p__Output != nullptr) *p__Output = l__Text;
    return WIFEXITED(l__Status) ? WEXITSTATUS(l__Status) : -1;
}

RecorderUnderTest::RecorderUnderTest(const std::string& p__Media, const std::string& p__Options) {
    m__File = m__Dir / "disc";
    std::string l__Output;
    int l__Exit = Vdisc("blank {} --media " + p__Media + " " + p__Options, &l__Output);
    if (l__Exit != 0) throw std::runtime_error("tarnwick-vdisc blank failed: " + l__Output);
    Reinstall();
}

RecorderUnderTest::~RecorderUnderTest() {
    AspiHostAdapterTable::Instance().Install({});
}

int RecorderUnderTest::Vdisc(const std::string& p__Arguments, std::string* p__Output) {
    std::string l__Arguments = p__Arguments;
    for (size_t at = l__Arguments.find("{}"); at != std::string::npos; at = l__Arguments.find("{}"))
        l__Arguments.replace(at, 2, "'" + m__File + "'");
    return Run(VdiscTool() + " " + l__Arguments, p__Output);
}

void RecorderUnderTest::Reinstall() {
    AspiHostAdapterTable::Instance().Install({});
    AspiDriveEntry l__Entry{"virtual", m__File, "virtual:" + m__File};
    std::unique_ptr<AspiBackend> l__Recorder = AspiBackendFactory::Create(l__Entry);
    if (!l__Recorder) throw std::runtime_error("the virtual recorder could not open " + m__File);
    auto l__Log = std::make_unique<LoggingBackend>(std::move(l__Recorder));
    m__Log = l__Log.get();
    std::vector<std::unique_ptr<AspiBackend>> l__Backends;
    l__Backends.push_back(std::move(l__Log));
    AspiHostAdapterTable::Instance().Install(std::move(l__Backends));
}
