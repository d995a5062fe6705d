#pragma once
// Shared by the mastering tests: a scratch directory, files in it, and a callback that
// records the tree's reports and answers name collisions from a script.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <deque>
#include <filesystem>
#include <set>
#include <sstream>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "CTarnwick_Exception.h"
#include "CTarnwick_ISO9660FileTree.h"
#include "CTarnwick_ISO9660Image.h"
#include "ExternalTool.h"
#include "ScratchDirectory.h"
#include "tarnwick_types.h"

// A scratch directory that also writes the files and folders a tree is made from.
class MasteringScratch : public ScratchDirectory {
public:
    MasteringScratch() : ScratchDirectory("tw-master") {}

    // Writes a file of the given bytes (directories on the way are made).
    std::string File(const std::string& p__string__Name, const std::string& p__string__Bytes = "") const {
        std::string l__string__Path = *this / p__string__Name;
        std::filesystem::create_directories(std::filesystem::path(l__string__Path).parent_path());
        std::ofstream(l__string__Path, std::ios::binary) << p__string__Bytes;
        return l__string__Path;
    }
    // Writes a sparse file of the given size whose last four bytes are "tail"; "" on failure.
    std::string SparseFile(const std::string& p__string__Name, uint64_t p__ULONGLONG__Size) const {
        std::string l__string__Path = *this / p__string__Name;
        int l__INT__Handle = ::open(l__string__Path.c_str(), O_CREAT | O_WRONLY, 0644);
        if (l__INT__Handle < 0) return "";
        bool l__bool__Ok = ::ftruncate(l__INT__Handle, static_cast<off_t>(p__ULONGLONG__Size)) == 0 &&
                           ::pwrite(l__INT__Handle, "tail", 4, static_cast<off_t>(p__ULONGLONG__Size - 4)) == 4;
        ::close(l__INT__Handle);
        return l__bool__Ok ? l__string__Path : "";
    }
    std::string Directory(const std::string& p__string__Name) const {
        std::string l__string__Path = *this / p__string__Name;
        std::filesystem::create_directories(l__string__Path);
        return l__string__Path;
    }
};

// Local time follows the given zone (TZ) while it lives.
class TimeZone {
public:
    explicit TimeZone(const char* p__PCHAR__Zone) {
        const char* l__PCHAR__Old = std::getenv("TZ");
        m__bool__Had = l__PCHAR__Old != nullptr;
        if (m__bool__Had) m__string__Old = l__PCHAR__Old;
        ::setenv("TZ", p__PCHAR__Zone, 1);
        ::tzset();
    }
    ~TimeZone() {
        if (m__bool__Had) ::setenv("TZ", m__string__Old.c_str(), 1);
        else ::unsetenv("TZ");
        ::tzset();
    }

private:
    bool m__bool__Had;
    std::string m__string__Old;
};

// One report of the tree: the reason and the path (or colliding name) it named.
struct TreeReport {
    ULONG m__ULONG__Reason;
    std::string m__string__Text;
    PVOID m__PVOID__Node;
};

class TreeRecorder {
public:
    static void Callback(ULONG p__ULONG__Reason, PVOID p__PVOID__Context, PVOID p__PVOID__Parameter1,
                         PVOID p__PVOID__Parameter2) {
        TreeRecorder* l__Self = static_cast<TreeRecorder*>(p__PVOID__Context);
        if (p__ULONG__Reason == NAME_COLLISION) {
            auto* l__Information = static_cast<NAME_COLLISION_INFORMATION*>(p__PVOID__Parameter1);
            l__Self->m__Reports.push_back({p__ULONG__Reason, reinterpret_cast<const char*>(l__Information->m__UCHAR__NewName),
                                           nullptr});
            l__Self->m__Collisions.push_back(*l__Information);
            if (l__Information->m__ULONG__Action != 1) l__Self->m__bool__PresetWrong = true;
            if (!l__Self->m__Answers.empty()) {
                auto [l__ULONG__Action, l__string__Name] = l__Self->m__Answers.front();
                l__Self->m__Answers.pop_front();
                l__Information->m__ULONG__Action = l__ULONG__Action;
                if (!l__string__Name.empty()) {
                    std::memset(l__Information->m__UCHAR__NewName, 0, sizeof(l__Information->m__UCHAR__NewName));
                    std::memcpy(l__Information->m__UCHAR__NewName, l__string__Name.data(), l__string__Name.size());
                }
            }
            return;
        }
        l__Self->m__Reports.push_back(
            {p__ULONG__Reason, p__PVOID__Parameter1 != nullptr ? static_cast<const char*>(p__PVOID__Parameter1) : "",
             p__PVOID__Parameter2});
        if (l__Self->m__OnReport) l__Self->m__OnReport(p__ULONG__Reason);
    }

    std::vector<std::string> Texts(ULONG p__ULONG__Reason) const {
        std::vector<std::string> l__Result;
        for (const TreeReport& l__Report : m__Reports)
            if (l__Report.m__ULONG__Reason == p__ULONG__Reason) l__Result.push_back(l__Report.m__string__Text);
        return l__Result;
    }
    void Answer(ULONG p__ULONG__Action, const std::string& p__string__Name = "") {
        m__Answers.emplace_back(p__ULONG__Action, p__string__Name);
    }

    std::vector<TreeReport> m__Reports;
    std::vector<NAME_COLLISION_INFORMATION> m__Collisions;
    std::deque<std::pair<ULONG, std::string>> m__Answers;
    std::function<void(ULONG)> m__OnReport;
    bool m__bool__PresetWrong = false;
};

// Runs a routine that must raise; returns the number and text, deleting the exception.
template <class Routine>
std::pair<ULONG, std::string> CatchRaise(Routine&& p__Routine) {
    try {
        p__Routine();
    } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
        std::pair<ULONG, std::string> l__Result{l__PCTarnwick_Exception__Exception->GetExceptionNumber(),
                                                l__PCTarnwick_Exception__Exception->GetExceptionText()};
        delete l__PCTarnwick_Exception__Exception;
        return l__Result;
    }
    return {0, "no exception"};
}

// Runs a shell command; returns its exit status and what it wrote to standard output.
inline std::pair<int, std::string> RunCommand(const std::string& p__string__Command) {
    std::string l__string__Output;
    FILE* l__Pipe = ::popen(p__string__Command.c_str(), "r");
    if (l__Pipe == nullptr) return {-1, ""};
    char l__CHAR__Buffer[65536];
    size_t l__SIZE__Count;
    while ((l__SIZE__Count = std::fread(l__CHAR__Buffer, 1, sizeof(l__CHAR__Buffer), l__Pipe)) > 0)
        l__string__Output.append(l__CHAR__Buffer, l__SIZE__Count);
    int l__INT__Status = ::pclose(l__Pipe);
    return {WIFEXITED(l__INT__Status) ? WEXITSTATUS(l__INT__Status) : -1, l__string__Output};
}

inline std::string Quote(const std::string& p__string__Text) {
    std::string l__string__Result = "'";
    for (char l__CHAR__Character : p__string__Text) {
        if (l__CHAR__Character == '\'') l__string__Result += "'\\''";
        else l__string__Result += l__CHAR__Character;
    }
    return l__string__Result + "'";
}


// Reading the bytes of a built image.
inline ULONG Le32(const UCHAR* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<ULONG>(p[3]) << 24); }
inline ULONG Be32(const UCHAR* p) { return p[3] | (p[2] << 8) | (p[1] << 16) | (static_cast<ULONG>(p[0]) << 24); }
// A both-endian 32-bit field whose halves must agree.
inline ULONG Both32(const UCHAR* p) {
    EXPECT_EQ(Le32(p), Be32(p + 4));
    return Le32(p);
}

inline std::vector<UCHAR> ReadAll(CTarnwick_ISO9660FileTree& p__Tree) {
    std::vector<UCHAR> l__Image(p__Tree.GetImage()->GetSize());
    p__Tree.GetImage()->SeekToBegin();
    p__Tree.GetImage()->Read(l__Image.size(), l__Image.data());
    return l__Image;
}

struct Record {
    ULONG m__ULONG__Extent;
    ULONG m__ULONG__Length;
    UCHAR m__UCHAR__Flags;
    std::string m__string__Identifier;
    size_t m__SIZE__Offset;
};

// The records of a directory as written in the system structures, from "." on.
inline std::vector<Record> Records(const UCHAR* p__PUCHAR__Directory, size_t p__SIZE__Bytes) {
    std::vector<Record> l__Records;
    size_t l__SIZE__Offset = 0;
    while (l__SIZE__Offset < p__SIZE__Bytes) {
        const UCHAR* l__Record = p__PUCHAR__Directory + l__SIZE__Offset;
        if (l__Record[0] == 0) {
            l__SIZE__Offset = (l__SIZE__Offset / 2048 + 1) * 2048;
            continue;
        }
        l__Records.push_back({Both32(l__Record + 2), Both32(l__Record + 10), l__Record[25],
                              std::string(reinterpret_cast<const char*>(l__Record + 33), l__Record[32]), l__SIZE__Offset});
        l__SIZE__Offset += l__Record[0];
    }
    return l__Records;
}


// Judging what outside readers list and extract.
inline size_t CountLines(const std::string& p__string__Text, const std::string& p__string__Prefix) {
    size_t l__SIZE__Count = 0;
    std::istringstream l__Stream(p__string__Text);
    std::string l__string__Line;
    while (std::getline(l__Stream, l__string__Line))
        if (l__string__Line.compare(0, p__string__Prefix.size(), p__string__Prefix) == 0) ++l__SIZE__Count;
    return l__SIZE__Count;
}

inline uint64_t Fnv1a(const std::string& p__string__Path, uint64_t* p__PULONGLONG__Size) {
    uint64_t l__ULONGLONG__Hash = 1469598103934665603ull;
    *p__PULONGLONG__Size = 0;
    FILE* l__File = std::fopen(p__string__Path.c_str(), "rb");
    if (l__File == nullptr) return 0;
    std::vector<unsigned char> l__Buffer(1 << 20);
    size_t l__SIZE__Count;
    while ((l__SIZE__Count = std::fread(l__Buffer.data(), 1, l__Buffer.size(), l__File)) > 0) {
        for (size_t l__SIZE__Index = 0; l__SIZE__Index < l__SIZE__Count; ++l__SIZE__Index)
            l__ULONGLONG__Hash = (l__ULONGLONG__Hash ^ l__Buffer[l__SIZE__Index]) * 1099511628211ull;
        *p__PULONGLONG__Size += l__SIZE__Count;
    }
    std::fclose(l__File);
    return l__ULONGLONG__Hash;
}

// Size and hash of every regular file under a directory (links to files count as the
// files they lead to; links to directories are not walked).
inline std::multiset<std::pair<uint64_t, uint64_t>> Contents(const std::string& p__string__Directory) {
    std::multiset<std::pair<uint64_t, uint64_t>> l__Result;
    for (const std::filesystem::directory_entry& l__Entry : std::filesystem::recursive_directory_iterator(p__string__Directory)) {
        if (l__Entry.is_regular_file()) {
            uint64_t l__ULONGLONG__Size;
            uint64_t l__ULONGLONG__Hash = Fnv1a(l__Entry.path().string(), &l__ULONGLONG__Size);
            l__Result.insert({l__ULONGLONG__Size, l__ULONGLONG__Hash});
        }
    }
    return l__Result;
}

