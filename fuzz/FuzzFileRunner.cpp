// Runs a fuzz target's harness over files (each argument a file or a directory of them), as
// the regression tests do with the seed corpus and the inputs fuzzing once found: a crash,
// a sanitizer report or a failed property ends the run with a failure.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p__PUCHAR__Data, size_t p__size_t__Size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* p__PINT__Argc, char*** p__PPPCHAR__Argv);

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
    std::vector<std::filesystem::path> l__Files;
    for (int l__int__I = 1; l__int__I < argc; ++l__int__I) {
        const std::filesystem::path l__Path(argv[l__int__I]);
        if (std::filesystem::is_directory(l__Path)) {
            for (const auto& l__Entry : std::filesystem::directory_iterator(l__Path))
                if (l__Entry.is_regular_file()) l__Files.push_back(l__Entry.path());
        } else if (std::filesystem::is_regular_file(l__Path)) {
            l__Files.push_back(l__Path);
        } else {
            std::fprintf(stderr, "%s: no such file or directory\n", argv[l__int__I]);
            return 2;
        }
    }
    std::sort(l__Files.begin(), l__Files.end());
    if (l__Files.empty()) {
        std::fprintf(stderr, "no inputs\n");
        return 2;
    }
    for (const std::filesystem::path& l__File : l__Files) {
        std::ifstream l__In(l__File, std::ios::binary);
        const std::vector<uint8_t> l__Bytes((std::istreambuf_iterator<char>(l__In)), std::istreambuf_iterator<char>());
        std::fprintf(stderr, "running %s (%zu bytes)\n", l__File.c_str(), l__Bytes.size());
        LLVMFuzzerTestOneInput(l__Bytes.data(), l__Bytes.size());
    }
    std::printf("%zu inputs ran\n", l__Files.size());
    return 0;
}
