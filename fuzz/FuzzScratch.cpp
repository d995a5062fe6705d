#include "FuzzScratch.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

FuzzScratch& FuzzScratch::Instance() {
    static FuzzScratch s__Scratch;
    return s__Scratch;
}

std::string FuzzScratch::Write(const std::string& p__string__Name, const std::vector<uint8_t>& p__Bytes) const {
    const std::string l__string__File = m__Directory / p__string__Name;
    std::ofstream l__Out(l__string__File, std::ios::binary | std::ios::trunc);
    l__Out.write(reinterpret_cast<const char*>(p__Bytes.data()), static_cast<std::streamsize>(p__Bytes.size()));
    if (!l__Out) FuzzFail("cannot write a scratch file");
    return l__string__File;
}

bool FuzzVerbose() {
    static const bool s__bool__Verbose = std::getenv("TARNWICK_FUZZ_VERBOSE") != nullptr;
    return s__bool__Verbose;
}

void FuzzFail(const char* p__PCHAR__What) {
    std::fprintf(stderr, "\n%s\n", p__PCHAR__What);
    std::fflush(stderr);
    std::abort();
}
