// tarnwick-sao burning whole sessions onto blank virtual CD-Rs, read back as a user would: the
// tool's table of contents, the recorder's CUE export split by bchunk, cd-info reading that CUE,
// exported data tracks, and READ CD of Mode 2 Form 1 sectors checked here on their own terms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "PellmarkRun.h"
#include "RecorderUnderTest.h"
#include "wnaspi32.h"

namespace {

using Bytes = std::vector<uint8_t>;

const char* const SAO_TOOL = "tools/sao/tarnwick-sao";

bool Has(const std::string& p__Text, const std::string& p__Part) { return p__Text.find(p__Part) != std::string::npos; }

// One line of the tool's table of contents.
struct TocLine {
    int m__Track = 0;
    std::string m__Kind;
    long m__Start = 0, m__End = 0;
    std::string m__Msf;
};

std::vector<TocLine> ParseToc(const std::string& p__Out) {
    std::vector<TocLine> l__Lines;
    const std::regex l__Line(R"(track +([0-9]+) +(audio|data) +start +(-?[0-9]+) +end +(-?[0-9]+) +msf +([0-9]{2}:[0-9]{2}:[0-9]{2}))");
    std::istringstream l__Stream(p__Out);
    std::string l__Text;
    std::smatch m;
    while (std::getline(l__Stream, l__Text))
        if (std::regex_match(l__Text, m, l__Line))
            l__Lines.push_back({std::stoi(m[1]), m[2], std::stol(m[3]), std::stol(m[4]), m[5]});
    return l__Lines;
}

std::string Msf(long p__Frames) {
    char l__Text[64];
    std::snprintf(l__Text, sizeof(l__Text), "%02ld:%02ld:%02ld", p__Frames / 4500, p__Frames / 75 % 60, p__Frames % 75);
    return l__Text;
}

long Frames(const std::string& p__Msf) {
    return std::stol(p__Msf.substr(0, 2)) * 4500 + std::stol(p__Msf.substr(3, 2)) * 75 + std::stol(p__Msf.substr(6, 2));
}

// The tracks of a CUE sheet: mode and the frames of INDEX 00 (-1 when absent) and INDEX 01.
struct CueTrack {
    std::string m__Mode;
    long m__Index0 = -1, m__Index1 = -1;
};

std::map<int, CueTrack> ParseCue(const std::string& p__Cue) {
    std::map<int, CueTrack> l__Tracks;
    std::istringstream l__Stream(p__Cue);
    std::string l__Word;
    int l__Track = 0;
    while (l__Stream >> l__Word) {
        if (l__Word == "TRACK") {
            l__Stream >> l__Track >> l__Tracks[l__Track].m__Mode;
        } else if (l__Word == "INDEX" && l__Track > 0) {
            int l__Index;
            std::string l__Msf;
            l__Stream >> l__Index >> l__Msf;
            (l__Index == 0 ? l__Tracks[l__Track].m__Index0 : l__Tracks[l__Track].m__Index1) = Frames(l__Msf);
        }
    }
    return l__Tracks;
}

// The samples of a WAV file: the bytes of its data chunk.
Bytes WavSamples(const Bytes& p__Wav) {
    for (size_t at = 12; at + 8 <= p__Wav.size();) {
        const uint32_t l__Size = p__Wav[at + 4] | p__Wav[at + 5] << 8 | p__Wav[at + 6] << 16 | uint32_t{p__Wav[at + 7]} << 24;
        if (std::equal(p__Wav.begin() + at, p__Wav.begin() + at + 4, "data"))
            return Bytes(p__Wav.begin() + at + 8, p__Wav.begin() + std::min<size_t>(p__Wav.size(), at + 8 + l__Size));
        at += 8 + l__Size + (l__Size & 1);
    }
    ADD_FAILURE() << "no data chunk";
    return {};
}

// Checks that p__Track holds the whole sectors of p__Pcm and nothing of the partial last one:
// what follows them (the next track's pre-gap, the gap after the last track) is silence.
void ExpectSectorsOf(const Bytes& p__Track, const Bytes& p__Pcm, const std::string& p__What) {
    const size_t l__Whole = p__Pcm.size() / 2352 * 2352;
    ASSERT_GE(p__Track.size(), l__Whole) << p__What;
    EXPECT_TRUE(std::equal(p__Pcm.begin(), p__Pcm.begin() + l__Whole, p__Track.begin())) << p__What;
    EXPECT_TRUE(std::all_of(p__Track.begin() + l__Whole, p__Track.end(), [](uint8_t b) { return b == 0; }))
        << p__What << ": the partial last sector or other sound follows the track's whole sectors";
}

// A music file: a sine tone of its own frequency and length in one of the formats.
struct Music {
    std::string m__File;
    Bytes m__Pcm;  // as ffmpeg decodes it: s16le, 44.1 kHz, stereo
};

// Bits of Mode 2 Form 1 sectors, worked out here and not with the writer's encoder: the EDC as
// a bitwise CRC, the Reed-Solomon P and Q vectors by their syndromes (Horner's rule in GF(2^8)).
uint32_t Edc(const uint8_t* p__Data, size_t p__Length) {
    uint32_t l__Crc = 0;
    for (size_t i = 0; i < p__Length; ++i) {
        l__Crc ^= p__Data[i];
        for (int k = 0; k < 8; ++k) l__Crc = (l__Crc >> 1) ^ ((l__Crc & 1) ? 0xD8018001u : 0);
    }
    return l__Crc;
}

uint8_t TimesAlpha(uint8_t p__Value) { return static_cast<uint8_t>((p__Value << 1) ^ ((p__Value & 0x80) ? 0x1D : 0)); }

bool SyndromesZero(const std::vector<uint8_t>& p__Vector) {
    uint8_t l__S0 = 0, l__S1 = 0;
    for (uint8_t b : p__Vector) {
        l__S0 ^= b;
        l__S1 = TimesAlpha(l__S1) ^ b;
    }
    return l__S0 == 0 && l__S1 == 0;
}

// P and Q parity of a sector (2352 bytes) with its 4 header bytes counted as zero (Mode 2).
bool ParityOk(const uint8_t* p__Sector) {
    Bytes l__Body(p__Sector + 12, p__Sector + 2352);
    std::fill(l__Body.begin(), l__Body.begin() + 4, 0);
    for (int l__Column = 0; l__Column < 86; ++l__Column) {
        std::vector<uint8_t> l__P;
        for (int l__Row = 0; l__Row < 26; ++l__Row) l__P.push_back(l__Body[l__Row * 86 + l__Column]);
        if (!SyndromesZero(l__P)) return false;
    }
    for (int l__Row = 0; l__Row < 26; ++l__Row) {
        for (int l__Byte = 0; l__Byte < 2; ++l__Byte) {
            std::vector<uint8_t> l__Q;
            for (int l__Step = 0; l__Step < 43; ++l__Step) {
                const int l__Word = (l__Row * 43 + l__Step * 44) % 1118;
                l__Q.push_back(l__Body[2 * l__Word + l__Byte]);
            }
            l__Q.push_back(l__Body[2236 + 2 * l__Row + l__Byte]);
            l__Q.push_back(l__Body[2288 + 2 * l__Row + l__Byte]);
            if (!SyndromesZero(l__Q)) return false;
        }
    }
    return true;
}

uint8_t Bcd(long p__Value) { return static_cast<uint8_t>(p__Value / 10 * 16 + p__Value % 10); }

class SaoBurn : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* l__Tool : {"ffmpeg", "bchunk", "cd-info"}) {
            if (!ExternalTool::IsInstalled(l__Tool)) {
                if (ExternalTool::IsRequired()) FAIL() << l__Tool << " is not installed";
                GTEST_SKIP() << l__Tool << " is not installed";
            }
        }
    }

    // Music file N (0-based), made once per test program: formats in turn MP3, FLAC, Ogg
    // Vorbis and WAV, 4 to 6 seconds long and none a whole number of 75ths of a second, so that
    // each ends in a partial sector.
    const Music& Song(int p__Number) {
        static ScratchDirectory s__Dir{"tarnwick-sao-music"};
        static std::map<int, Music> s__Songs;
        auto l__Found = s__Songs.find(p__Number);
        if (l__Found != s__Songs.end()) return l__Found->second;
        static const char* const s__Formats[4][2] = {{"mp3", "libmp3lame"}, {"flac", "flac"}, {"ogg", "libvorbis"}, {"wav", "pcm_s16le"}};
        const auto& l__Format = s__Formats[p__Number % 4];
        const std::string l__File = s__Dir / ("song" + std::to_string(p__Number + 1) + "." + l__Format[0]);
        std::ostringstream l__Command;
        l__Command << "ffmpeg -nostdin -loglevel error -y -f lavfi -i 'sine=frequency=" << 330 + 40 * p__Number
                   << ":duration=" << 4.003 + 0.17 * p__Number << "' -ac 2 -ar 44100 -c:a " << l__Format[1] << " "
                   << PellmarkRun::Quote(l__File);
        std::string l__Output;
        if (PellmarkRun::Shell(l__Command.str(), &l__Output) != 0) ADD_FAILURE() << "ffmpeg failed: " << l__Output;
        Music l__Music{l__File, m__Run.DecodePcm(l__File)};
        EXPECT_NE(l__Music.m__Pcm.size() % 2352, 0u) << l__File;
        return s__Songs.emplace(p__Number, std::move(l__Music)).first->second;
    }

    // An ISO image mastered by tarnwick-mkiso, with p__Tail more bytes after it (0: whole sectors).
    std::string MakeImage(const std::string& p__Name, size_t p__Tail) {
        const std::string l__Source = m__Run.Dir() + "/" + p__Name + ".d";
        std::filesystem::create_directories(l__Source);
        std::string l__Data(700 * 1024 + 321, '\0');
        uint32_t l__State = 77;
        for (char& c : l__Data) c = static_cast<char>((l__State = l__State * 1664525u + 1013904223u) >> 24);
        std::ofstream(l__Source + "/payload.bin", std::ios::binary) << l__Data;
        const std::string l__Image = m__Run.Dir() + "/" + p__Name;
        std::string l__Output;
        EXPECT_EQ(PellmarkRun::Shell(PellmarkRun::Quote(std::string(TARNWICK_BINARY_DIR) + "/tools/mkiso/tarnwick-mkiso") +
                                         " -q -o " + PellmarkRun::Quote(l__Image) + " " + PellmarkRun::Quote(l__Source),
                                     &l__Output),
                  0)
            << l__Output;
        std::ofstream(l__Image, std::ios::binary | std::ios::app) << std::string(p__Tail, '\x5A');
        return l__Image;
    }

    PellmarkRun::Result Sao(std::vector<std::string> p__Arguments, const std::string& p__Drives = "") {
        return m__Run.Program(SAO_TOOL, p__Arguments, p__Drives);
    }

    // The CUE export of the disc: its text, and bchunk's split of it (track number -> file).
    std::string ExportCue(std::map<int, std::string>* p__Split) {
        const std::string l__Cue = m__Run.Dir() + "/disc.cue";
        std::string l__Output;
        EXPECT_EQ(m__Run.Vdisc("export {} --cue " + PellmarkRun::Quote(l__Cue), &l__Output), 0) << l__Output;
        if (p__Split != nullptr) {
            const std::string l__Dir = m__Run.Dir() + "/split";
            std::filesystem::create_directories(l__Dir);
            EXPECT_EQ(PellmarkRun::Shell("cd " + PellmarkRun::Quote(l__Dir) + " && bchunk -w ../disc.bin ../disc.cue t", &l__Output), 0)
                << l__Output;
            for (const auto& l__Entry : std::filesystem::directory_iterator(l__Dir)) {
                const std::string l__Name = l__Entry.path().filename().string();
                if (l__Name.size() > 3 && l__Name[0] == 't') (*p__Split)[std::stoi(l__Name.substr(1, 2))] = l__Entry.path().string();
            }
        }
        std::ifstream l__Stream(l__Cue);
        return std::string((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
    }

    // The tool's TOC lines agree with the track layout of a session written Session-At-Once:
    // each track 150 blocks after the end of the one before, the first at LBA 0.
    void ExpectLayout(const std::vector<TocLine>& p__Toc, const std::vector<long>& p__Blocks, const std::vector<std::string>& p__Kinds) {
        ASSERT_EQ(p__Toc.size(), p__Blocks.size());
        long l__Start = 0;
        for (size_t i = 0; i < p__Toc.size(); ++i) {
            SCOPED_TRACE("track " + std::to_string(i + 1));
            EXPECT_EQ(p__Toc[i].m__Track, static_cast<int>(i + 1));
            EXPECT_EQ(p__Toc[i].m__Kind, p__Kinds[i]);
            EXPECT_EQ(p__Toc[i].m__Start, l__Start);
            EXPECT_EQ(p__Toc[i].m__Msf, Msf(l__Start + 150));
            EXPECT_GE(p__Toc[i].m__End, l__Start + p__Blocks[i] - 1);
            l__Start += p__Blocks[i] + 150;
        }
    }

    void BurnAudioCd(int p__Count);

    PellmarkRun m__Run;
};

// An audio CD of p__Count tracks from the music files: the tool's TOC, the CUE export and the
// samples of every track, and cd-info reading the CUE sheet.
void SaoBurn::BurnAudioCd(int p__Count) {
    std::vector<std::string> l__Files;
    std::vector<long> l__Blocks;
    for (int i = 0; i < p__Count; ++i) {
        l__Files.push_back(Song(i).m__File);
        l__Blocks.push_back(static_cast<long>(Song(i).m__Pcm.size() / 2352));
    }
    m__Run.Insert("cdr");
    const PellmarkRun::Result l__Result = Sao(l__Files);
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Err;
    const std::string l__Last = std::to_string(p__Count);
    EXPECT_TRUE(Has(l__Result.m__Err, "track " + l__Last + " of " + l__Last + ": 100%")) << l__Result.m__Err;
    const std::vector<TocLine> l__Toc = ParseToc(l__Result.m__Out);
    ExpectLayout(l__Toc, l__Blocks, std::vector<std::string>(p__Count, "audio"));

    std::map<int, std::string> l__Split;
    const std::map<int, CueTrack> l__Cue = ParseCue(ExportCue(&l__Split));
    ASSERT_EQ(l__Cue.size(), static_cast<size_t>(p__Count));
    for (const auto& [l__Number, l__Track] : l__Cue) {
        SCOPED_TRACE("CUE track " + std::to_string(l__Number));
        EXPECT_EQ(l__Track.m__Mode, "AUDIO");
        if (l__Number <= static_cast<int>(l__Toc.size())) {
            EXPECT_EQ(l__Track.m__Index1, l__Toc[l__Number - 1].m__Start);
        }
        // The BIN starts at LBA 0: the first track's pre-gap lies before it.
        if (l__Number > 1) {
            EXPECT_EQ(l__Track.m__Index1 - l__Track.m__Index0, 150) << "a 2-second pre-gap";
        }
    }
    for (int i = 0; i < p__Count; ++i) {
        ASSERT_TRUE(l__Split.count(i + 1)) << "bchunk wrote no file for track " << i + 1;
        ExpectSectorsOf(WavSamples(PellmarkRun::ReadFile(l__Split[i + 1])), Song(i).m__Pcm, l__Files[i]);
    }

    std::string l__Info;
    ASSERT_EQ(PellmarkRun::Shell("cd-info --no-device-info --cue-file " + PellmarkRun::Quote(m__Run.Dir() + "/disc.cue"), &l__Info), 0)
        << l__Info;
    const std::regex l__TrackLine(R"(^\s*([0-9]+): ([0-9]{2}:[0-9]{2}:[0-9]{2})\s+([0-9]+)\s+(\w+))");
    std::istringstream l__Lines(l__Info);
    std::string l__Line;
    std::map<int, long> l__Starts;
    std::smatch m;
    while (std::getline(l__Lines, l__Line))
        if (std::regex_search(l__Line, m, l__TrackLine) && std::stoi(m[1]) <= 99) {
            l__Starts[std::stoi(m[1])] = std::stol(m[3]);
            EXPECT_EQ(m[4], "audio") << l__Line;
        }
    ASSERT_EQ(l__Starts.size(), static_cast<size_t>(p__Count)) << l__Info;
    for (const TocLine& l__Track : l__Toc) EXPECT_EQ(l__Starts[l__Track.m__Track], l__Track.m__Start) << l__Info;
}

// Track numbers from 10 on, in the cue sheet and the table of contents.
TEST_F(SaoBurn, TwelveTrackAudioCdFromFourFormats) { BurnAudioCd(12); }

TEST_F(SaoBurn, DataTrackThenThreeAudioTracks) {
    const std::string l__Image = MakeImage("data.iso", 0);
    const Bytes l__ImageBytes = PellmarkRun::ReadFile(l__Image);
    ASSERT_EQ(l__ImageBytes.size() % 2048, 0u);
    m__Run.Insert("cdr");
    const PellmarkRun::Result l__Result = Sao({l__Image, Song(0).m__File, Song(1).m__File, Song(2).m__File});
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Err;
    ExpectLayout(ParseToc(l__Result.m__Out),
                 {static_cast<long>(l__ImageBytes.size() / 2048), static_cast<long>(Song(0).m__Pcm.size() / 2352),
                  static_cast<long>(Song(1).m__Pcm.size() / 2352), static_cast<long>(Song(2).m__Pcm.size() / 2352)},
                 {"data", "audio", "audio", "audio"});
    EXPECT_EQ(m__Run.ExportTrack(1), l__ImageBytes);

    std::map<int, std::string> l__Split;
    const std::map<int, CueTrack> l__Cue = ParseCue(ExportCue(&l__Split));
    ASSERT_EQ(l__Cue.size(), 4u);
    EXPECT_EQ(l__Cue.at(1).m__Mode, "MODE1/2352");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(l__Cue.at(i + 2).m__Mode, "AUDIO");
        ASSERT_TRUE(l__Split.count(i + 2)) << "bchunk wrote no file for track " << i + 2;
        ExpectSectorsOf(WavSamples(PellmarkRun::ReadFile(l__Split[i + 2])), Song(i).m__Pcm, Song(i).m__File);
    }
}

TEST_F(SaoBurn, Mode2Form1DataTrack) {
    // Not whole sectors: the last one is padded with zeros.
    const std::string l__Image = MakeImage("data.iso", 1000);
    Bytes l__Padded = PellmarkRun::ReadFile(l__Image);
    l__Padded.resize((l__Padded.size() + 2047) / 2048 * 2048, 0);
    const long l__Blocks = static_cast<long>(l__Padded.size() / 2048);

    RecorderUnderTest l__Recorder("cdr");
    const PellmarkRun::Result l__Result = Sao({"--mode2", l__Image}, "virtual:" + l__Recorder.File());
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Err;
    const std::vector<TocLine> l__Toc = ParseToc(l__Result.m__Out);
    ExpectLayout(l__Toc, {l__Blocks}, {"data"});
    ASSERT_EQ(l__Toc.size(), 1u);
    EXPECT_EQ(l__Toc[0].m__End, l__Blocks + 600 - 1);
    std::string l__Output;
    const std::string l__Export = m__Run.Dir() + "/track1.iso";
    ASSERT_EQ(l__Recorder.Vdisc("export {} --track 1 " + PellmarkRun::Quote(l__Export), &l__Output), 0) << l__Output;
    // The last track of a session ends with its 600 blocks of gap after (zeros).
    Bytes l__Expected = l__Padded;
    l__Expected.resize(l__Padded.size() + 600 * 2048, 0);
    EXPECT_TRUE(PellmarkRun::ReadFile(l__Export) == l__Expected);

    // Every sector of the track read raw (sync, header, sub-header, user data, EDC and ECC).
    l__Recorder.Reinstall();
    Bytes l__Sector(2352);
    for (long l__Lba = 0; l__Lba < l__Blocks; ++l__Lba) {
        SCOPED_TRACE("LBA " + std::to_string(l__Lba));
        SRB_ExecSCSICmd l__Srb{};
        l__Srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
        l__Srb.SRB_HaId = 0;
        l__Srb.SRB_Flags = SRB_DIR_IN;
        l__Srb.SRB_BufLen = static_cast<DWORD>(l__Sector.size());
        l__Srb.SRB_BufPointer = l__Sector.data();
        l__Srb.SRB_SenseLen = SENSE_LEN;
        l__Srb.SRB_CDBLen = 12;
        const BYTE l__Cdb[12] = {0xBE, 0, static_cast<BYTE>(l__Lba >> 24), static_cast<BYTE>(l__Lba >> 16), static_cast<BYTE>(l__Lba >> 8),
                                 static_cast<BYTE>(l__Lba), 0, 0, 1, 0xF8, 0, 0};
        std::copy(std::begin(l__Cdb), std::end(l__Cdb), l__Srb.CDBByte);
        ASSERT_EQ(SendASPI32Command(&l__Srb), SS_COMP);
        const Bytes l__Sync = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
        ASSERT_TRUE(std::equal(l__Sync.begin(), l__Sync.end(), l__Sector.begin()));
        const long l__Address = l__Lba + 150;
        EXPECT_EQ(l__Sector[12], Bcd(l__Address / 4500));
        EXPECT_EQ(l__Sector[13], Bcd(l__Address / 75 % 60));
        EXPECT_EQ(l__Sector[14], Bcd(l__Address % 75));
        ASSERT_EQ(l__Sector[15], 2) << "Mode 2";
        EXPECT_TRUE(std::equal(l__Sector.begin() + 16, l__Sector.begin() + 20, l__Sector.begin() + 20)) << "the two sub-header copies";
        EXPECT_EQ(l__Sector[18] & 0x20, 0) << "Form 1";
        EXPECT_TRUE(std::equal(l__Sector.begin() + 24, l__Sector.begin() + 2072, l__Padded.begin() + 2048 * l__Lba)) << "user data";
        const uint32_t l__Stored = l__Sector[2072] | l__Sector[2073] << 8 | l__Sector[2074] << 16 | uint32_t{l__Sector[2075]} << 24;
        ASSERT_EQ(Edc(l__Sector.data() + 16, 2056), l__Stored) << "EDC";
        ASSERT_TRUE(ParityOk(l__Sector.data())) << "P/Q parity";
    }
}

// A disc whose first session is closed but open for more is no place for Session-At-Once: the
// tool fails with number 10 before the drive is sent anything to write.
TEST_F(SaoBurn, SecondSessionIsRefusedBeforeAnyWrite) {
    m__Run.Insert("cdr");
    PellmarkRun::Result l__First = Sao({"--keep-open", Song(0).m__File});
    ASSERT_EQ(l__First.m__Exit, 0) << l__First.m__Err;
    const Bytes l__Before = PellmarkRun::ReadFile(m__Run.Disc());
    m__Run.ClearCommands();
    const PellmarkRun::Result l__Second = Sao({Song(1).m__File});
    EXPECT_EQ(l__Second.m__Exit, 10) << l__Second.m__Err;
    EXPECT_TRUE(Has(l__Second.m__Err, "number 10")) << l__Second.m__Err;
    EXPECT_TRUE(ParseToc(l__Second.m__Out).empty());
    for (const PellmarkRun::Command& l__Command : m__Run.Commands()) {
        EXPECT_NE(l__Command.m__Cdb.at(0), 0x5D) << "SEND CUE SHEET";
        EXPECT_NE(l__Command.m__Cdb.at(0), 0x2A) << "WRITE(10)";
    }
    EXPECT_TRUE(PellmarkRun::ReadFile(m__Run.Disc()) == l__Before) << "the disc file changed";
}

TEST_F(SaoBurn, DvdIsRefusedWithoutEjecting) {
    m__Run.Insert("dvdr");
    const Bytes l__Before = PellmarkRun::ReadFile(m__Run.Disc());
    const PellmarkRun::Result l__Result = Sao({Song(0).m__File});
    EXPECT_EQ(l__Result.m__Exit, 10) << l__Result.m__Err;
    EXPECT_TRUE(Has(l__Result.m__Err, "number 10")) << l__Result.m__Err;
    for (const PellmarkRun::Command& l__Command : m__Run.Commands()) {
        EXPECT_NE(l__Command.m__Cdb.at(0), 0x5D) << "SEND CUE SHEET";
        EXPECT_NE(l__Command.m__Cdb.at(0), 0x2A) << "WRITE(10)";
        EXPECT_FALSE(l__Command.m__Cdb.at(0) == 0x1B && (l__Command.m__Cdb.at(4) & 0x02) != 0) << "ejected";
    }
    EXPECT_TRUE(PellmarkRun::ReadFile(m__Run.Disc()) == l__Before) << "the disc file changed";
}

// A test write goes through the whole session without recording: the disc stays blank and
// there is no table of contents to print.
TEST_F(SaoBurn, TestWriteRecordsNothing) {
    m__Run.Insert("cdr");
    const Bytes l__Before = PellmarkRun::ReadFile(m__Run.Disc());
    const PellmarkRun::Result l__Result = Sao({"--test", Song(0).m__File, Song(1).m__File});
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Err;
    EXPECT_TRUE(Has(l__Result.m__Err, "nothing was recorded")) << l__Result.m__Err;
    EXPECT_TRUE(ParseToc(l__Result.m__Out).empty()) << l__Result.m__Out;
    bool l__bool__Wrote = false;
    for (const PellmarkRun::Command& l__Command : m__Run.Commands()) l__bool__Wrote |= l__Command.m__Cdb.at(0) == 0x2A;
    EXPECT_TRUE(l__bool__Wrote) << "the session went through the drive";
    std::string l__Info;
    ASSERT_EQ(m__Run.Vdisc("info {}", &l__Info), 0);
    EXPECT_TRUE(Has(l__Info, "Disc status:  empty")) << l__Info;
    EXPECT_TRUE(PellmarkRun::ReadFile(m__Run.Disc()) == l__Before) << "the disc file changed";
}

// The command line as the program applies it: usage errors are 87 and burn nothing.
TEST_F(SaoBurn, UsageErrorsExit87) {
    m__Run.Insert("cdr");
    std::vector<std::string> l__Many(100, Song(0).m__File);
    for (const auto& l__Arguments : {l__Many, std::vector<std::string>{}, std::vector<std::string>{"--bogus", Song(0).m__File}}) {
        const PellmarkRun::Result l__Result = Sao(l__Arguments);
        EXPECT_EQ(l__Result.m__Exit, 87) << l__Result.m__Err;
        EXPECT_TRUE(Has(l__Result.m__Err, "Usage: tarnwick-sao")) << l__Result.m__Err;
    }
    EXPECT_TRUE(m__Run.Commands().empty());
    const PellmarkRun::Result l__Help = Sao({"--help"});
    EXPECT_EQ(l__Help.m__Exit, 0);
    EXPECT_TRUE(Has(l__Help.m__Out, "--mode2")) << l__Help.m__Out;
}

}  // namespace

// --raw: the whole disc written raw Disc-At-Once, the tracks one after the other without pre-gaps.
TEST_F(SaoBurn, RawDiscOfADataTrackAndTwoSongs) {
    const std::string l__Image = MakeImage("data.iso", 0);
    const Bytes l__ImageBytes = PellmarkRun::ReadFile(l__Image);
    m__Run.Insert("cdr");
    const PellmarkRun::Result l__Result = Sao({"--raw", "pw", l__Image, Song(0).m__File, Song(1).m__File});
    ASSERT_EQ(l__Result.m__Exit, 0) << l__Result.m__Err;
    EXPECT_TRUE(Has(l__Result.m__Err, "disc: 100%")) << l__Result.m__Err;
    const std::vector<TocLine> l__Toc = ParseToc(l__Result.m__Out);
    ASSERT_EQ(l__Toc.size(), 3u) << l__Result.m__Out;
    const long l__Blocks[] = {static_cast<long>(l__ImageBytes.size() / 2048), static_cast<long>((Song(0).m__Pcm.size() + 2351) / 2352),
                              static_cast<long>((Song(1).m__Pcm.size() + 2351) / 2352)};
    long l__Start = 0;
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE("track " + std::to_string(i + 1));
        EXPECT_EQ(l__Toc[i].m__Kind, i == 0 ? "data" : "audio");
        EXPECT_EQ(l__Toc[i].m__Start, l__Start);
        EXPECT_EQ(l__Toc[i].m__End, l__Start + l__Blocks[i] - 1);
        l__Start += l__Blocks[i];
    }
    EXPECT_EQ(m__Run.ExportTrack(1), l__ImageBytes);
}
