#include "DvdVideoFixture.h"

#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "BoundedProcess.h"
#include "ScratchDirectory.h"

namespace {

// Runs a program (no shell) with its output merged into one text; the exit code, -1 when it
// could not run, was killed or outlived the time allowed.
int RunTool(const std::vector<std::string>& p__Arguments, const std::string& p__OutputFile, std::string* p__Output) {
    BoundedProcess l__Process(p__Arguments, p__OutputFile);
    BoundedProcess::Result l__Result = l__Process.Run(120);
    if (p__Output != nullptr) *p__Output = l__Process.Output();
    return l__Result.m__bool__TimedOut ? -1 : l__Result.m__int__Exit;
}

// The scratch area the trees are kept in while the program runs.
ScratchDirectory& Cache() {
    static ScratchDirectory s__Cache("tarnwick-dvdvideo");
    return s__Cache;
}

struct Movie {
    int m__Seconds;
    const char* m__Chapters;  // dvdauthor's -c list (seconds)
    const char* m__Pattern;   // the lavfi video source
    int m__Tone;              // Hz
};

// Title set N (1-based) is made from movie N-1.
const Movie MOVIES[] = {
    {6, "0,2,4", "testsrc", 440},
    {4, "0,2", "smptebars", 660},
};

void Check(int p__Exit, const std::string& p__What, const std::string& p__Output) {
    if (p__Exit != 0) throw std::runtime_error(p__What + " failed (exit " + std::to_string(p__Exit) + "): " + p__Output);
}

std::string Make(int p__TitleSets) {
    namespace fs = std::filesystem;
    const std::string l__Work = Cache() / ("sets" + std::to_string(p__TitleSets));
    const std::string l__Dvd = l__Work + "/dvd";
    fs::remove_all(l__Work);
    fs::create_directories(l__Work);
    const std::string l__Log = l__Work + "/tool.out";
    std::string l__Output;
    // dvdauthor reads its default video format from the environment (VIDEO_FORMAT in the
    // Debian build; VIDEOFORMAT in older ones).
    const std::vector<std::string> l__Author = {"env", "VIDEO_FORMAT=NTSC", "VIDEOFORMAT=NTSC", "dvdauthor", "-o", l__Dvd};
    for (int l__Set = 0; l__Set < p__TitleSets; ++l__Set) {
        const Movie& l__Movie = MOVIES[l__Set];
        const std::string l__Stream = l__Work + "/movie" + std::to_string(l__Set + 1) + ".mpg";
        const std::string l__Seconds = std::to_string(l__Movie.m__Seconds);
        Check(RunTool({"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                       std::string(l__Movie.m__Pattern) + "=duration=" + l__Seconds + ":size=720x480:rate=30000/1001", "-f",
                       "lavfi", "-i", "sine=frequency=" + std::to_string(l__Movie.m__Tone) + ":duration=" + l__Seconds,
                       "-target", "ntsc-dvd", "-shortest", l__Stream},
                      l__Log, &l__Output),
              "ffmpeg", l__Output);
        std::vector<std::string> l__Title = l__Author;
        l__Title.insert(l__Title.end(), {"-t", "-c", l__Movie.m__Chapters, l__Stream});
        Check(RunTool(l__Title, l__Log, &l__Output), "dvdauthor -t", l__Output);
    }
    std::vector<std::string> l__Toc = l__Author;
    l__Toc.push_back("-T");
    Check(RunTool(l__Toc, l__Log, &l__Output), "dvdauthor -T", l__Output);
    fs::create_directories(l__Dvd + "/AUDIO_TS");
    for (const char* l__Name : {"VIDEO_TS.IFO", "VIDEO_TS.BUP"})
        if (!fs::is_regular_file(l__Dvd + "/VIDEO_TS/" + l__Name))
            throw std::runtime_error(std::string("dvdauthor made no ") + l__Name + ": " + l__Output);
    return l__Dvd;
}

}  // namespace

const std::vector<std::string>& DvdVideoFixture::Tools() {
    static const std::vector<std::string> s__Tools = {"ffmpeg", "dvdauthor", "lsdvd", "dvdbackup"};
    return s__Tools;
}

std::string DvdVideoFixture::Directory(int p__TitleSets) {
    if (p__TitleSets < 1 || p__TitleSets > static_cast<int>(std::size(MOVIES)))
        throw std::invalid_argument("DvdVideoFixture::Directory: 1 or 2 title sets");
    static std::map<int, std::string> s__Made;
    auto l__Found = s__Made.find(p__TitleSets);
    if (l__Found != s__Made.end()) return l__Found->second;
    return s__Made[p__TitleSets] = Make(p__TitleSets);
}

DvdVideoFixture::Listing DvdVideoFixture::List(const std::string& p__Source) {
    Listing l__Listing;
    ScratchDirectory l__Scratch("tarnwick-lsdvd");
    l__Listing.m__Exit = RunTool({"lsdvd", "-c", p__Source}, l__Scratch / "out", &l__Listing.m__Text);
    const std::regex l__Label("^Disc Title: (.*)$");
    const std::regex l__Title("^Title: [0-9]+, Length: ([0-9:.]+) Chapters: ([0-9]+),.*$");
    const std::regex l__Chapter("^\\s*Chapter: [0-9]+, Length: ([0-9:.]+),.*$");
    std::istringstream l__Lines(l__Listing.m__Text);
    std::string l__Line;
    std::smatch l__Match;
    while (std::getline(l__Lines, l__Line)) {
        if (std::regex_match(l__Line, l__Match, l__Label)) {
            l__Listing.m__Label = l__Match[1];
        } else if (std::regex_match(l__Line, l__Match, l__Title)) {
            l__Listing.m__Titles.push_back({l__Match[1], {}});
        } else if (std::regex_match(l__Line, l__Match, l__Chapter) && !l__Listing.m__Titles.empty()) {
            l__Listing.m__Titles.back().m__Chapters.push_back(l__Match[1]);
        }
    }
    return l__Listing;
}

std::string DvdVideoFixture::BackupTitle(const std::string& p__Source, std::string* p__Output) {
    ScratchDirectory l__Scratch("tarnwick-dvdbackup");
    std::string l__Output;
    RunTool({"dvdbackup", "-I", "-i", p__Source}, l__Scratch / "out", &l__Output);
    if (p__Output != nullptr) *p__Output = l__Output;
    std::smatch l__Match;
    return std::regex_search(l__Output, l__Match, std::regex("DVD-Video information of the DVD with title \"([^\"]*)\""))
               ? std::string(l__Match[1])
               : std::string();
}
