#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A directory of this fuzzing process's own for the files a harness hands to code that reads
// files (in /dev/shm when there is one, as it is written on every run), removed at exit.
class FuzzScratch {
public:
    static FuzzScratch& Instance();
    const std::string& Path() const { return m__string__Path; }
    // Writes the bytes to PATH/NAME (replacing what was there) and returns the path.
    std::string Write(const std::string& p__string__Name, const std::vector<uint8_t>& p__Bytes) const;

private:
    FuzzScratch();
    ~FuzzScratch();
    std::string m__string__Path;
};

// Ends the run with a message when a property of the code under test does not hold: the
// fuzzer then keeps the input as a finding, as it does for a crash.
// True when TARNWICK_FUZZ_VERBOSE is set: harnesses then tell what each input did (to check seeds).
bool FuzzVerbose();

[[noreturn]] void FuzzFail(const char* p__PCHAR__What);
#define FUZZ_CHECK(condition)                            \
    do {                                                 \
        if (!(condition)) FuzzFail("check failed: " #condition); \
    } while (0)
