#include "MkIsoOutput.h"

#include <cstdio>

#include "CTarnwick_ToolImageOutput.h"

bool ProgressDue(MkIsoState* p__State) {
    auto l__Now = std::chrono::steady_clock::now();
    if (p__State->m__bool__Quiet || l__Now - p__State->m__LastProgress < std::chrono::seconds(1)) {
        return false;
    }
    p__State->m__LastProgress = l__Now;
    return true;
}

namespace {

// A line a second while the image is written.
class WrittenLines : public CTarnwick_ToolImageOutput::Progress {
public:
    explicit WrittenLines(MkIsoState* p__State) : m__State(p__State) {}
    void Begin(uint64_t p__ULONGLONG__TotalBytes) override { m__ULONGLONG__Total = p__ULONGLONG__TotalBytes; }
    void Advance(uint64_t p__ULONGLONG__DoneBytes) override {
        if (m__ULONGLONG__Total == 0 || !ProgressDue(m__State)) return;
        std::fprintf(stderr, "tarnwick-mkiso: %3d%% written (%llu of %llu MiB)\n",
                     static_cast<int>(p__ULONGLONG__DoneBytes * 100 / m__ULONGLONG__Total),
                     static_cast<unsigned long long>(p__ULONGLONG__DoneBytes >> 20),
                     static_cast<unsigned long long>(m__ULONGLONG__Total >> 20));
    }

private:
    MkIsoState* m__State;
    uint64_t m__ULONGLONG__Total = 0;
};

}  // namespace

int WriteImage(PVOID p__PVOID__Tree, const std::string& p__string__Output, MkIsoState* p__State) {
    WrittenLines l__Lines(p__State);
    CTarnwick_ToolImageOutput l__Output(p__string__Output, &l__Lines);
    if (l__Output.Write(p__PVOID__Tree) != 0) {
        std::fprintf(stderr, "tarnwick-mkiso: %s\n", l__Output.FailureText().c_str());
        return 1;
    }
    return 0;
}
