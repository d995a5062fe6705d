#include "FuzzScratch.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

FuzzScratch& FuzzScratch::Instance() {
    static FuzzScratch s__Scratch;
    return s__Scratch;
}

FuzzScratch::FuzzScratch() {
    const char* l__PCHAR__Base = std::getenv("TMPDIR");
    std::string l__string__Template = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : (l__PCHAR__Base != nullptr ? l__PCHAR__Base : "/tmp");
    l__string__Template.append("/tarnwick-fuzz-XXXXXX");
    if (::mkdtemp(l__string__Template.data()) == nullptr) throw std::runtime_error("cannot make a scratch directory");
    m__string__Path = l__string__Template;
}

FuzzScratch::~FuzzScratch() {
    std::error_code l__Error;
    std::filesystem::remove_all(m__string__Path, l__Error);
}

std::string FuzzScratch::Write(const std::string& p__string__Name, const std::vector<uint8_t>& p__Bytes) const {
    std::string l__string__File = m__string__Path;
    l__string__File.append("/").append(p__string__Name);
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
