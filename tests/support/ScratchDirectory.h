#pragma once
#include <string>

// A fresh directory under the temporary directory (TMPDIR, else /tmp), removed with
// everything in it when the object goes.
class ScratchDirectory {
public:
    // p__string__Prefix starts the directory's name (a random suffix follows).
    explicit ScratchDirectory(const std::string& p__string__Prefix = "tarnwick-test");
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& Path() const { return m__string__Path; }
    // The path of NAME inside the directory.
    std::string operator/(const std::string& p__string__Name) const { return m__string__Path + "/" + p__string__Name; }

private:
    std::string m__string__Path;
};
