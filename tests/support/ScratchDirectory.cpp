#include "ScratchDirectory.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

ScratchDirectory::ScratchDirectory(const std::string& p__string__Prefix) {
    // temp_directory_path() honours TMPDIR.
    std::string l__string__Template = (std::filesystem::temp_directory_path() / (p__string__Prefix + "-XXXXXX")).string();
    if (::mkdtemp(l__string__Template.data()) == nullptr)
        throw std::runtime_error("cannot make a scratch directory " + l__string__Template + ": " + std::strerror(errno));
    m__string__Path = l__string__Template;
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code l__Ignored;
    std::filesystem::remove_all(m__string__Path, l__Ignored);
}
