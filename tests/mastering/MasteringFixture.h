#pragma once
// Shared by the mastering tests: a scratch directory, files in it, and a callback that
// records the tree's reports and answers name collisions from a script.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "CTarnwick_Exception.h"
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

