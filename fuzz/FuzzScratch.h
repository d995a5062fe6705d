#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ScratchDirectory.h"

// A directory of this fuzzing process's own for the files a harness hands to code that reads
// files, under TMPDIR (run-fuzz points it at /dev/shm: it is written on every run), removed at exit.
class FuzzScratch {
public:
    static FuzzScratch& Instance();
    const std::string& Path() const { return m__Directory.Path(); }
    // Writes the bytes to PATH/NAME (replacing what was there) and returns the path.
    std::string Write(const std::string& p__string__Name, const std::vector<uint8_t>& p__Bytes) const;

private:
    FuzzScratch() = default;
    ScratchDirectory m__Directory{"tarnwick-fuzz"};
};

// True when TARNWICK_FUZZ_VERBOSE is set: harnesses then tell what each input did (to check seeds).
bool FuzzVerbose();

// Ends the run with a message when a property of the code under test does not hold: the
// fuzzer then keeps the input as a finding, as it does for a crash.
[[noreturn]] void FuzzFail(const char* p__PCHAR__What);
#define FUZZ_CHECK(condition)                            \
    do {                                                 \
        if (!(condition)) FuzzFail("check failed: " #condition); \
    } while (0)
