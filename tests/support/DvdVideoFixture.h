#pragma once
#include <ostream>
#include <string>
#include <vector>

// A small DVD-Video tree authored by outside tools only (ffmpeg makes NTSC MPEG-2 streams of a
// test pattern and a tone, dvdauthor authors them), and what lsdvd reads from a DVD-Video
// directory or image. The trees are made once per test program and kept in a scratch
// directory until it ends.
class DvdVideoFixture {
public:
    // What lsdvd reads: the disc title and, per title, its length and its chapters' lengths
    // ("HH:MM:SS.mmm").
    struct Title {
        std::string m__Length;
        std::vector<std::string> m__Chapters;
        bool operator==(const Title&) const = default;
        friend void PrintTo(const Title& p__Title, std::ostream* p__Stream) {
            *p__Stream << p__Title.m__Length << " in chapters of";
            for (const std::string& l__Chapter : p__Title.m__Chapters) *p__Stream << " " << l__Chapter;
        }
    };
    struct Listing {
        int m__Exit = -1;
        std::string m__Label;
        std::vector<Title> m__Titles;
        std::string m__Text;  // lsdvd's whole output, for failure messages
    };

    // The programs the fixture and its listings need.
    static const std::vector<std::string>& Tools();
    // A directory holding VIDEO_TS (VIDEO_TS.IFO/BUP, and per title set VTS_nn_0.IFO/BUP and
    // VTS_nn_1.VOB) and an empty AUDIO_TS. One title set has a single title of six seconds in
    // three chapters; two title sets add a second title of four seconds in two chapters.
    // Throws std::runtime_error with the tools' output when it cannot be made.
    static std::string Directory(int p__TitleSets = 1);
    // "lsdvd -c SOURCE" (a directory or an image file), parsed.
    static Listing List(const std::string& p__Source);
    // "dvdbackup -I -i SOURCE": the title it reads (between the quotes of "... with title "),
    // empty when none; p__Output receives the whole output.
    static std::string BackupTitle(const std::string& p__Source, std::string* p__Output = nullptr);
};
