#include "PellmarkRun.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "RecorderUnderTest.h"

namespace {

std::string ReadText(const std::string& p__File) {
    std::ifstream l__Stream(p__File, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
}

}  // namespace

std::string PellmarkRun::Quote(const std::string& p__Text) {
    std::string l__Quoted = "'";
    for (char c : p__Text) l__Quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return l__Quoted + "'";
}

int PellmarkRun::Shell(const std::string& p__Command, std::string* p__Output) {
    return RecorderUnderTest::Run(p__Command, p__Output);
}

std::vector<uint8_t> PellmarkRun::ReadFile(const std::string& p__File) {
    std::string l__Text = ReadText(p__File);
    return std::vector<uint8_t>(l__Text.begin(), l__Text.end());
}

void PellmarkRun::Insert(const std::string& p__Media, const std::string& p__Options) {
    std::string l__Output;
    if (Vdisc("blank {} --media " + p__Media + " --command-log " + Quote(LogFile()) + " " + p__Options, &l__Output) != 0)
        throw std::runtime_error("tarnwick-vdisc blank failed: " + l__Output);
    ClearCommands();
}

int PellmarkRun::Vdisc(const std::string& p__Arguments, std::string* p__Output) {
    std::string l__Arguments = p__Arguments;
    for (size_t at = l__Arguments.find("{}"); at != std::string::npos; at = l__Arguments.find("{}"))
        l__Arguments.replace(at, 2, Quote(Disc()));
    return Shell(RecorderUnderTest::VdiscTool() + " " + l__Arguments, p__Output);
}

PellmarkRun::Result PellmarkRun::Pellmark(const std::vector<std::string>& p__Arguments, const std::string& p__Drives,
                                          const std::string& p__Environment) {
    return Program("samples/pellmark/Pellmark", p__Arguments, p__Drives, p__Environment);
}

PellmarkRun::Result PellmarkRun::Program(const std::string& p__Program, const std::vector<std::string>& p__Arguments,
                                         const std::string& p__Drives, const std::string& p__Environment) {
    std::string l__Command = "cd " + Quote(m__Dir) + " && TARNWICK_DRIVES=" +
                             Quote(p__Drives.empty() ? "virtual:" + Disc() : p__Drives) + " " + p__Environment + " " +
                             Quote(std::string(TARNWICK_BINARY_DIR) + "/" + p__Program);
    for (const std::string& l__Argument : p__Arguments) l__Command.append(" ").append(Quote(l__Argument));
    const std::string l__Out = m__Dir + "/program.out", l__Err = m__Dir + "/program.err";
    l__Command.append(" > ").append(Quote(l__Out)).append(" 2> ").append(Quote(l__Err));
    Result l__Result;
    int l__Status = std::system(l__Command.c_str());
    l__Result.m__Exit = WIFEXITED(l__Status) ? WEXITSTATUS(l__Status) : -1;
    l__Result.m__Out = ReadText(l__Out);
    l__Result.m__Err = ReadText(l__Err);
    return l__Result;
}

PellmarkRun::Result PellmarkRun::Burn(const std::string& p__File, const std::string& p__Test, const std::string& p__Close) {
    return Pellmark({"0", "0", "0", "0", p__File, p__Test, p__Close});
}

std::vector<PellmarkRun::Command> PellmarkRun::Commands() const {
    std::vector<Command> l__Commands;
    std::istringstream l__Lines(ReadText(LogFile()));
    std::string l__Line;
    while (std::getline(l__Lines, l__Line)) {
        Command l__Command;
        std::istringstream l__Words(l__Line);
        std::string l__Word;
        while (l__Words >> l__Word) {
            if (l__Word.size() == 2 && std::isxdigit(static_cast<unsigned char>(l__Word[0])) &&
                std::isxdigit(static_cast<unsigned char>(l__Word[1])) && l__Command.m__Outcome.empty()) {
                l__Command.m__Cdb.push_back(static_cast<uint8_t>(std::stoul(l__Word, nullptr, 16)));
            } else {
                l__Command.m__Outcome += (l__Command.m__Outcome.empty() ? "" : " ") + l__Word;
            }
        }
        l__Commands.push_back(l__Command);
    }
    return l__Commands;
}

void PellmarkRun::ClearCommands() const { std::ofstream(LogFile(), std::ios::trunc); }

std::vector<uint8_t> PellmarkRun::ExportTrack(int p__Track) {
    const std::string l__Out = m__Dir + "/export.iso";
    std::filesystem::remove(l__Out);
    std::string l__Output;
    if (Vdisc("export {} --track " + std::to_string(p__Track) + " " + Quote(l__Out), &l__Output) != 0) {
        ADD_FAILURE() << "export of track " << p__Track << " failed: " << l__Output;
        return {};
    }
    return ReadFile(l__Out);
}

std::vector<uint8_t> PellmarkRun::ExportCueBin() {
    const std::string l__Cue = m__Dir + "/export.cue";
    std::string l__Output;
    if (Vdisc("export {} --cue " + Quote(l__Cue), &l__Output) != 0) {
        ADD_FAILURE() << "CUE export failed: " << l__Output;
        return {};
    }
    return ReadFile(m__Dir + "/export.bin");
}

std::string PellmarkRun::Pattern(size_t p__Bytes, uint32_t p__Seed) {
    // A linear congruential sequence.
    std::string l__Data(p__Bytes, '\0');
    for (char& c : l__Data) {
        p__Seed = p__Seed * 1664525u + 1013904223u;
        c = static_cast<char>(p__Seed >> 24);
    }
    return l__Data;
}

std::string PellmarkRun::MakeSource(const std::string& p__Name, const std::map<std::string, std::string>& p__Files) {
    const std::string l__Dir = m__Dir + "/" + p__Name;
    std::filesystem::create_directories(l__Dir);
    for (const auto& [l__Path, l__Contents] : p__Files) {
        std::filesystem::create_directories(std::filesystem::path(l__Dir + "/" + l__Path).parent_path());
        std::ofstream(l__Dir + "/" + l__Path, std::ios::binary) << l__Contents;
    }
    return l__Dir;
}

std::string PellmarkRun::MakeIso(const std::string& p__Name, size_t p__Bytes) {
    const std::string l__Source = m__Dir + "/" + p__Name + ".d";
    std::filesystem::create_directories(l__Source + "/docs");
    std::ofstream(l__Source + "/payload.bin", std::ios::binary) << Pattern(p__Bytes, 2004);
    std::ofstream(l__Source + "/docs/readme.txt") << "Burned by the Pellmark end-to-end tests.\n";
    const std::string l__Image = m__Dir + "/" + p__Name;
    std::string l__Output;
    if (Shell("genisoimage -quiet -J -R -o " + Quote(l__Image) + " " + Quote(l__Source), &l__Output) != 0)
        throw std::runtime_error("genisoimage failed: " + l__Output);
    return l__Image;
}

std::string PellmarkRun::MakeSound(const std::string& p__Name, const std::string& p__Codec, double p__Seconds) {
    const std::string l__File = m__Dir + "/" + p__Name;
    std::ostringstream l__Command;
    l__Command << "ffmpeg -nostdin -loglevel error -y -f lavfi -i 'sine=frequency=440:duration=" << p__Seconds
               << "' -ac 2 -ar 44100 -c:a " << p__Codec << " " << Quote(l__File);
    std::string l__Output;
    if (Shell(l__Command.str(), &l__Output) != 0) throw std::runtime_error("ffmpeg failed: " + l__Output);
    return l__File;
}

std::vector<uint8_t> PellmarkRun::DecodePcm(const std::string& p__File) {
    const std::string l__Pcm = p__File + ".pcm";
    std::string l__Output;
    if (Shell("ffmpeg -nostdin -loglevel error -y -i " + Quote(p__File) + " -f s16le -ar 44100 -ac 2 " + Quote(l__Pcm),
              &l__Output) != 0) {
        ADD_FAILURE() << "ffmpeg could not decode " << p__File << ": " << l__Output;
        return {};
    }
    return ReadFile(l__Pcm);
}

std::string PellmarkRun::MaskedConsole(const std::string& p__Out,
                                       const std::vector<std::pair<std::string, std::string>>& p__Labels,
                                       std::vector<long long>& p__Percentages) {
    std::string l__Text = p__Out;
    for (const auto& [l__Literal, l__Label] : p__Labels)
        for (size_t at = l__Text.find(l__Literal); at != std::string::npos; at = l__Text.find(l__Literal))
            l__Text.replace(at, l__Literal.size(), l__Label);
    l__Text = std::regex_replace(l__Text, std::regex("Burning [0-9]+ UCHARs"), "Burning <N> UCHARs");
    l__Text = std::regex_replace(l__Text, std::regex("in UCHARs [0-9]+, LBs [0-9]+"), "in UCHARs <N>, LBs <N>");
    std::istringstream l__Lines(l__Text);
    std::string l__Line, l__Result;
    const std::regex l__Progress("([0-9]+% )+");
    while (std::getline(l__Lines, l__Line)) {
        if (std::regex_match(l__Line, l__Progress)) {
            std::istringstream l__Words(l__Line);
            long long l__Value;
            char l__Percent;
            while (l__Words >> l__Value >> l__Percent) p__Percentages.push_back(l__Value);
            l__Line = "<PERCENTAGES>";
        }
        l__Result += l__Line + "\n";
    }
    return l__Result;
}

std::string PellmarkRun::SourceText(const std::string& p__RelativePath) {
    return ReadText(std::string(TARNWICK_SOURCE_DIR) + "/" + p__RelativePath);
}
