#pragma once
// Runs of the tarnwick command on virtual recorders for its end-to-end tests, with their JSON
// read by jq.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "PellmarkRun.h"

class CliTestRun : public PellmarkRun {
public:
    // tarnwick ARGS with the recorder (or p__Drives) as the drives.
    Result Tarnwick(const std::vector<std::string>& p__Arguments, const std::string& p__Drives = "") {
        return Program("tools/tarnwick/tarnwick", p__Arguments, p__Drives);
    }
    std::string Out(const std::string& p__Name) const { return Dir() + "/" + p__Name; }
    // The lines of a text.
    static std::vector<std::string> Lines(const std::string& p__Text) {
        std::vector<std::string> l__Lines;
        std::istringstream l__Stream(p__Text);
        std::string l__Line;
        while (std::getline(l__Stream, l__Line)) l__Lines.push_back(l__Line);
        return l__Lines;
    }
    static bool Has(const std::string& p__Text, const std::string& p__Part) { return p__Text.find(p__Part) != std::string::npos; }
    // jq -r FILTER over the JSON lines p__Json (every line must parse), each line apart or,
    // slurped, all of them as one array; its output.
    std::string Jq(const std::string& p__Json, const std::string& p__Filter, bool p__Slurp = false) {
        const std::string l__File = Out("events.json");
        std::ofstream(l__File, std::ios::binary) << p__Json;
        std::string l__Output;
        const int l__Exit = Shell(std::string(p__Slurp ? "jq -s -r " : "jq -r ") + Quote(p__Filter) + " " + Quote(l__File) + " 2>&1", &l__Output);
        EXPECT_EQ(l__Exit, 0) << "jq " << p__Filter << ": " << l__Output << "\n" << p__Json;
        return l__Output;
    }
    // A CD written Session-At-Once by tarnwick-sao from the files (sound files become audio
    // tracks), its table of contents as the tool printed it.
    std::string BurnSession(const std::vector<std::string>& p__Files) {
        const Result l__Burn = Program("tools/sao/tarnwick-sao", p__Files);
        EXPECT_EQ(l__Burn.m__Exit, 0) << l__Burn.m__Err.substr(l__Burn.m__Err.size() > 2000 ? l__Burn.m__Err.size() - 2000 : 0);
        return l__Burn.m__Out;
    }
};
