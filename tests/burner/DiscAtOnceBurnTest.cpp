// Disc-At-Once raw burns onto the virtual recorder, which checks every sector it receives
// and makes the disc's table of contents from the lead-in the host sent: data images, Mode 2
// Form 1 data and sound files in both sub-channel forms, the packets the command log shows,
// the refused track lists, and raw streams the recorder refuses.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "BurnFiles.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_ISO9660FileTree.h"
#include "CTarnwick_ISO9660Image.h"
#include "CTarnwick_ISO9660FileTreeRawPQ.h"
#include "CTarnwick_ISO9660FileTreeRawRawPW.h"
#include "CTarnwick_MemoryFile.h"
#include "ExternalTool.h"
#include "RecorderUnderTest.h"
#include "TraceCapture.h"
#include "tarnwick.h"

namespace {

using namespace BurnFiles;

constexpr uint8_t OP_WRITE10 = 0x2A;
constexpr uint8_t OP_MODE_SELECT10 = 0x55;
constexpr uint8_t OP_SYNCHRONIZE_CACHE = 0x35;
constexpr uint8_t OP_START_STOP = 0x1B;
constexpr LONG LEAD_IN = -11634;  // 97:26:66, where the recorder's CD-R lead-in starts

void Ignore(ULONG, PVOID, PVOID, PVOID) {}

int32_t CdbLba(const ScriptedCommand& p__Command) {
    return static_cast<int32_t>(static_cast<uint32_t>(p__Command.m__Cdb[2]) << 24 | static_cast<uint32_t>(p__Command.m__Cdb[3]) << 16 |
                                static_cast<uint32_t>(p__Command.m__Cdb[4]) << 8 | p__Command.m__Cdb[5]);
}
uint32_t CdbBlocks(const ScriptedCommand& p__Command) { return static_cast<uint32_t>(p__Command.m__Cdb[7] << 8 | p__Command.m__Cdb[8]); }

// The WRITEs of a run of the command log as (LBA, blocks) in order.
std::vector<std::pair<int32_t, uint32_t>> Writes(const std::vector<ScriptedCommand>& p__Commands) {
    std::vector<std::pair<int32_t, uint32_t>> l__Writes;
    for (const ScriptedCommand& l__Command : p__Commands)
        if (l__Command.m__Cdb[0] == OP_WRITE10) l__Writes.emplace_back(CdbLba(l__Command), CdbBlocks(l__Command));
    return l__Writes;
}

// The packets of a generated area: from p__Start, p__Count writes, each of 16 blocks but the
// last of p__Last blocks; returns the index after them.
size_t ExpectPackets(const std::vector<std::pair<int32_t, uint32_t>>& p__Writes, size_t p__At, int32_t p__Start, size_t p__Sixteens,
                     uint32_t p__Last, const char* p__Area) {
    SCOPED_TRACE(p__Area);
    int32_t l__Lba = p__Start;
    for (size_t i = 0; i <= p__Sixteens; ++i, ++p__At) {
        if (p__At >= p__Writes.size()) {
            ADD_FAILURE() << "the writes end at packet " << i;
            return p__At;
        }
        const uint32_t l__Blocks = i < p__Sixteens ? 16u : p__Last;
        if (p__Writes[p__At].first != l__Lba || p__Writes[p__At].second != l__Blocks) {
            ADD_FAILURE() << "packet " << i << " is " << p__Writes[p__At].second << " blocks at " << p__Writes[p__At].first
                          << ", not " << l__Blocks << " at " << l__Lba;
            return p__At;
        }
        l__Lba += static_cast<int32_t>(l__Blocks);
    }
    return p__At;
}

enum class Content { IsoTree, Mode2File, SoundFile };
struct Case {
    Content m__Content;
    bool m__IsRawPW;
};
std::string CaseName(const ::testing::TestParamInfo<Case>& p__Info) {
    const char* l__Content[] = {"IsoTree", "ModeTwoFormOneFile", "SoundFile"};
    return std::string(l__Content[static_cast<int>(p__Info.param.m__Content)]) + (p__Info.param.m__IsRawPW ? "RawPW" : "PQ");
}

class DiscAtOnceBurn : public ::testing::Test {
protected:
    void TearDown() override {
        if (m__TreeHandle != nullptr) Tarnwick_Destroy(&m__TreeHandle);
        Tarnwick_Destroy(&m__Burner);
        if (m__Started) Tarnwick_DownShut();
        m__Started = false;
        m__Recorder.reset();
    }
    void Open(const std::string& p__Media) {
        m__Recorder = std::make_unique<RecorderUnderTest>(p__Media);
        ASSERT_EQ(Tarnwick_UpStart(), 0u);
        m__Started = true;
        ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_Create(&m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info, Ignore, nullptr,
                                                    0, 0, 0, 0, 0),
                  0u)
            << m__Text;
        m__List = std::make_unique<DISC_AT_ONCE_TRACK_LIST>();
        std::memset(m__List.get(), 0, sizeof(DISC_AT_ONCE_TRACK_LIST));
        m__Recorder->Log().ClearCommands();
    }
    CTarnwick_CdvdBurnerGrabber& Burner() {
        return *static_cast<CTarnwick_CdvdBurnerGrabber*>(static_cast<CTarnwick_EmptyBase*>(m__Burner));
    }
    void AddFile(const std::string& p__Name, const Bytes& p__Data, bool p__IsWav = false) {
        const std::string l__Path = m__Recorder->Dir() + "/" + p__Name;
        if (p__IsWav) WriteWav(l__Path, p__Data); else WriteFile(l__Path, p__Data);
        DISC_AT_ONCE_TRACK_ENTRY& l__Entry = m__List->m__DISC_AT_ONCE_TRACK_ENTRY__Tracks[m__List->m__ULONG__NumberOfTracks++];
        std::snprintf(l__Entry.m__CHAR__FileName, sizeof(l__Entry.m__CHAR__FileName), "%s", l__Path.c_str());
    }
    // A built ISO9660 tree of a few files; its image bytes.
    Bytes MakeTree() {
        const std::string l__Source = m__Recorder->Dir() + "/tree";
        std::filesystem::create_directories(l__Source + "/sub");
        WriteFile(l__Source + "/readme.txt", Pattern(5000, 3));
        WriteFile(l__Source + "/sub/big.bin", Pattern(700 * 1024 + 17, 4));
        auto* l__Tree = new CTarnwick_ISO9660FileTree(Ignore, nullptr, FALSE, FALSE, FALSE);
        m__TreeHandle = static_cast<CTarnwick_EmptyBase*>(l__Tree);
        l__Tree->CreateFromDirectoryContents(l__Source.c_str(), CTarnwick_FileTree::TimeLastWrite, nullptr);
        l__Tree->BuildImage(0, 0, TRUE, "RAWDISC", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        CTarnwick_FileChain* l__Image = l__Tree->GetImage();
        Bytes l__Bytes(l__Image->GetSize());
        l__Image->SeekToBegin();
        l__Image->Read(l__Bytes.size(), l__Bytes.data());
        return l__Bytes;
    }
    ULONG BurnFiles(bool p__IsRawPW, BOOLEAN p__Mode2Form1) {
        return (p__IsRawPW ? Tarnwick_CdvdBurnerGrabber_DiscAtOnceRawPWFromFile : Tarnwick_CdvdBurnerGrabber_DiscAtOncePQFromFile)(
            m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info, m__List.get(), p__Mode2Form1, 0, 0, 1, 5);
    }
    ULONG BurnTree(bool p__IsRawPW, BOOLEAN p__Mode2Form1) {
        return (p__IsRawPW ? Tarnwick_CdvdBurnerGrabber_DiscAtOnceRawPWFromTree : Tarnwick_CdvdBurnerGrabber_DiscAtOncePQFromTree)(
            m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info, m__TreeHandle, p__Mode2Form1, 0, 0, 1, 5);
    }
    Bytes ExportTrack(int p__Track) {
        const std::string l__Out = m__Recorder->Dir() + "/export.iso";
        std::string l__Output;
        EXPECT_EQ(m__Recorder->Vdisc("export {} --track " + std::to_string(p__Track) + " '" + l__Out + "'", &l__Output), 0) << l__Output;
        return ReadFile(l__Out);
    }
    // The recorder's CUE/BIN export: the BIN's bytes; the CUE's path in *p__Cue.
    Bytes ExportBin(std::string* p__Cue) {
        *p__Cue = m__Recorder->Dir() + "/disc.cue";
        std::string l__Output;
        EXPECT_EQ(m__Recorder->Vdisc("export {} --cue '" + *p__Cue + "'", &l__Output), 0) << l__Output;
        return ReadFile(m__Recorder->Dir() + "/disc.bin");
    }
    TOC_INFORMATION Toc() {
        auto l__Toc = std::make_unique<TOC_INFORMATION>();
        EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_ReadTOC(m__Burner, m__Text, sizeof(m__Text), &m__SystemError, &m__Info, l__Toc.get()), 0u)
            << m__Text;
        return *l__Toc;
    }
    // cd-info on the exported CUE sheet: per track its start and kind ("data"/"audio"); the
    // lead-out's start under key 170.
    std::map<int, std::pair<long, std::string>> CdInfo(const std::string& p__Cue) {
        std::string l__Info;
        EXPECT_EQ(RecorderUnderTest::Run("cd-info --no-device-info --cue-file '" + p__Cue + "'", &l__Info), 0) << l__Info;
        const std::regex l__TrackLine(R"(^\s*([0-9]+): ([0-9]{2}:[0-9]{2}:[0-9]{2})\s+([0-9]+)\s+(\w+))");
        std::istringstream l__Lines(l__Info);
        std::string l__Line;
        std::map<int, std::pair<long, std::string>> l__Tracks;
        std::smatch m;
        while (std::getline(l__Lines, l__Line))
            if (std::regex_search(l__Line, m, l__TrackLine)) l__Tracks[std::stoi(m[1])] = {std::stol(m[3]), m[4]};
        if (l__Tracks.empty()) ADD_FAILURE() << l__Info;
        return l__Tracks;
    }
    DISC_AT_ONCE_TRACK_ENTRY& Entry(ULONG p__Index) { return m__List->m__DISC_AT_ONCE_TRACK_ENTRY__Tracks[p__Index]; }

    std::unique_ptr<RecorderUnderTest> m__Recorder;
    std::unique_ptr<DISC_AT_ONCE_TRACK_LIST> m__List;
    bool m__Started = false;
    PVOID m__Burner = nullptr;
    PVOID m__TreeHandle = nullptr;
    char m__Text[1024] = {};
    ULONG m__SystemError = 0;
    CDB_FAILURE_INFORMATION m__Info{};
};

class DiscAtOnceContent : public DiscAtOnceBurn, public ::testing::WithParamInterface<Case> {};

}  // namespace

// Every sector of the disc is the host's: the recorder accepts each one, reads the table of
// contents out of the lead-in, and the track reads back as it went in.
TEST_P(DiscAtOnceContent, WholeDiscIsWrittenRawAndReadsBack) {
    const Case l__Case = GetParam();
    const ULONG l__BlockSize = l__Case.m__IsRawPW ? 2448 : 2368;
    Open("cdr");
    Bytes l__Expected;
    bool l__IsData = true;
    BOOLEAN l__Mode2 = 0;
    TraceCapture l__Trace;
    switch (l__Case.m__Content) {
        case Content::IsoTree:
            l__Expected = MakeTree();
            m__Recorder->Log().ClearCommands();
            ASSERT_EQ(BurnTree(l__Case.m__IsRawPW, 0), 0u) << m__Text;
            break;
        case Content::Mode2File:
            l__Mode2 = 1;
            l__Expected = Pattern(500 * 2048 + 300, 5);
            AddFile("data.bin", l__Expected);
            l__Expected = PaddedTo(l__Expected, 2048);
            ASSERT_EQ(BurnFiles(l__Case.m__IsRawPW, 1), 0u) << m__Text;
            EXPECT_EQ(BOOLEAN{Entry(0).m__BOOLEAN__IsMode2Form1}, 1);
            break;
        case Content::SoundFile:
            l__IsData = false;
            l__Expected = Pcm(450, 1000, 6);
            AddFile("song.wav", l__Expected, true);
            l__Expected = PaddedTo(l__Expected, 2352);  // nothing of the sound is left out
            ASSERT_EQ(BurnFiles(l__Case.m__IsRawPW, 0), 0u) << m__Text;
            break;
    }
    const LONG l__Blocks = static_cast<LONG>(l__Expected.size() / (l__IsData ? 2048 : 2352));
    if (l__Case.m__Content != Content::IsoTree) {
        EXPECT_EQ(LONG{Entry(0).m__LONG__StartLBA}, 0);
        EXPECT_EQ(LONG{Entry(0).m__LONG__SizeInLBs}, l__Blocks);
        EXPECT_EQ(ULONG{Entry(0).m__ULONG__TrackNumber}, 1u);
        EXPECT_EQ(BOOLEAN{Entry(0).m__BOOLEAN__IsDataTrack}, l__IsData ? 1 : 0);
    }

    // Write type 3 with the form's data block type, then the lead-in from the start the disc
    // information gave, the pre-gap, the track and the lead-out, in packets of 16.
    const auto l__Commands = m__Recorder->Log().Commands();
    bool l__Raw = false;
    for (const ScriptedCommand& l__Command : l__Commands) {
        if (l__Command.m__Cdb[0] == OP_MODE_SELECT10 && l__Command.m__DataOut.size() > 12 && (l__Command.m__DataOut[8] & 0x3F) == 0x05) {
            l__Raw = (l__Command.m__DataOut[10] & 0x0F) == 3 && (l__Command.m__DataOut[12] & 0x0F) == (l__Case.m__IsRawPW ? 3 : 1);
        }
    }
    EXPECT_TRUE(l__Raw) << "the last write parameters page sent asks for raw writing with the form's blocks";
    const auto l__Writes = Writes(l__Commands);
    size_t l__At = ExpectPackets(l__Writes, 0, LEAD_IN, 717, 12, "lead-in");
    l__At = ExpectPackets(l__Writes, l__At, -150, 9, 6, "pre-gap");
    LONG l__Lba = 0;
    while (l__At < l__Writes.size() && l__Lba < l__Blocks) {
        ASSERT_EQ(l__Writes[l__At].first, l__Lba);
        l__Lba += static_cast<LONG>(l__Writes[l__At++].second);
    }
    ASSERT_EQ(l__Lba, l__Blocks);
    l__At = ExpectPackets(l__Writes, l__At, l__Blocks, 421, 14, "lead-out");
    EXPECT_EQ(l__At, l__Writes.size());
    for (const ScriptedCommand& l__Command : l__Commands) {
        if (l__Command.m__Cdb[0] == OP_WRITE10) {
            ASSERT_EQ(l__Command.m__BufferLength, CdbBlocks(l__Command) * l__BlockSize);
        }
    }

    // The table of contents the drive made from the lead-in.
    const TOC_INFORMATION l__Toc = Toc();
    ASSERT_EQ(UCHAR{l__Toc.m__UCHAR__NumberOfTracks}, 1);
    EXPECT_EQ(LONG{l__Toc.m__TOC_TRACK_ENTRY__Tracks[0].m__LONG__StartLBA}, 0);
    EXPECT_EQ(LONG{l__Toc.m__TOC_TRACK_ENTRY__Tracks[0].m__LONG__EndLBA}, l__Blocks - 1);
    EXPECT_EQ(UCHAR{l__Toc.m__TOC_TRACK_ENTRY__Tracks[0].m__UCHAR__IsData}, l__IsData ? 1 : 0);
    // The A0 item's disc type: CD-ROM XA for a Mode 2 disc.
    bool l__SawA0 = false;
    for (UCHAR i = 0; i < l__Toc.m__UCHAR__NumberOfDescriptors; ++i) {
        const UCHAR* l__Descriptor = l__Toc.m__UCHAR__Descriptors[i];
        if (l__Descriptor[3] != 0xA0) continue;
        l__SawA0 = true;
        EXPECT_EQ(l__Descriptor[9], l__Mode2 ? 0x20 : 0x00);
    }
    EXPECT_TRUE(l__SawA0);

    std::string l__Cue;
    if (l__IsData) {
        EXPECT_EQ(ExportTrack(1), l__Expected);
        ExportBin(&l__Cue);
    } else {
        const Bytes l__Bin = ExportBin(&l__Cue);
        EXPECT_EQ(l__Bin, l__Expected);
    }
    REQUIRE_TOOL("cd-info");
    const auto l__Info = CdInfo(l__Cue);
    ASSERT_TRUE(l__Info.count(1)) << "cd-info lists track 1";
    EXPECT_EQ(l__Info.at(1).first, 0);
    // cd-info names a Mode 2 (CD-ROM XA) data track by its form.
    EXPECT_EQ(l__Info.at(1).second, !l__IsData ? "audio" : l__Mode2 ? "XA" : "data");
    if (l__Info.count(170)) {
        EXPECT_EQ(l__Info.at(170).first, l__Blocks) << "the lead-out follows the track";
    }

    REQUIRE_TRACING();
    const std::string l__Name = l__Case.m__IsRawPW ? "DiscAtOnceRawPW" : "DiscAtOncePQ";
    EXPECT_TRUE(l__Trace.Contains("CTarnwick_CdvdBurnerGrabber::" + l__Name + "(): Lead-in LBA ( -11634 ), NWA -11634, Lead-in size in LBs 11484"));
    EXPECT_TRUE(l__Trace.Contains("CTarnwick_CdvdBurnerGrabber::" + l__Name + "(): Lead-in last packet ( 12 ), generic packet ( 16 )"));
    EXPECT_TRUE(l__Trace.Contains("CTarnwick_CdvdBurnerGrabber::" + l__Name + "(): Pregap last packet ( 6 ), generic packet ( 16 )"));
    EXPECT_TRUE(l__Trace.Contains("CTarnwick_CdvdBurnerGrabber::" + l__Name + "(): Lead-out last packet ( 14 ), generic packet ( 16 )"));
    EXPECT_TRUE(l__Trace.Contains("CTarnwick_CdvdBurnerGrabber::" + l__Name + "(): Setting write parameters to " +
                                  (l__IsData ? "DATA" : "AUDIO")));
    EXPECT_TRUE(l__Trace.Contains("CTarnwick_CdvdBurnerGrabber::" + l__Name + "(): Setting write parameters to " +
                                  (l__Mode2 ? "CDROM/XA" : "CDDA/CDROM")));
}

INSTANTIATE_TEST_SUITE_P(Forms, DiscAtOnceContent,
                         ::testing::Values(Case{Content::IsoTree, false}, Case{Content::IsoTree, true}, Case{Content::Mode2File, false},
                                           Case{Content::Mode2File, true}, Case{Content::SoundFile, false},
                                           Case{Content::SoundFile, true}),
                         CaseName);

// A data track and two sound tracks: the table of contents tells each track's kind, and
// every track reads back.
TEST_F(DiscAtOnceBurn, MixedDiscKeepsEachTracksKind) {
    Open("cdr");
    const Bytes l__Data = Pattern(400 * 2048, 7);
    const Bytes l__One = Pcm(320, 0, 8), l__Two = Pcm(310, 500, 9);
    AddFile("data.iso", l__Data);
    AddFile("one.wav", l__One, true);
    AddFile("two.wav", l__Two, true);
    ASSERT_EQ(BurnFiles(true, 0), 0u) << m__Text;
    EXPECT_EQ(LONG{Entry(1).m__LONG__StartLBA}, 400);
    EXPECT_EQ(LONG{Entry(2).m__LONG__StartLBA}, 720);
    EXPECT_EQ(LONG{Entry(2).m__LONG__SizeInLBs}, 311);
    EXPECT_EQ(ULONG{Entry(2).m__ULONG__TrackNumber}, 3u);
    const TOC_INFORMATION l__Toc = Toc();
    ASSERT_EQ(UCHAR{l__Toc.m__UCHAR__NumberOfTracks}, 3);
    const LONG l__Starts[] = {0, 400, 720};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(LONG{l__Toc.m__TOC_TRACK_ENTRY__Tracks[i].m__LONG__StartLBA}, l__Starts[i]);
        EXPECT_EQ(UCHAR{l__Toc.m__TOC_TRACK_ENTRY__Tracks[i].m__UCHAR__IsData}, i == 0 ? 1 : 0) << "track " << i + 1;
    }
    EXPECT_EQ(ExportTrack(1), l__Data);
    std::string l__Cue;
    const Bytes l__Bin = ExportBin(&l__Cue);
    ASSERT_EQ(l__Bin.size(), 1031u * 2352);
    EXPECT_TRUE(std::equal(l__One.begin(), l__One.end(), l__Bin.begin() + 400 * 2352));
    EXPECT_TRUE(std::equal(l__Two.begin(), l__Two.end(), l__Bin.begin() + 720 * 2352));
}

// Only one data track, and only first: refused before anything reaches the drive.
TEST_F(DiscAtOnceBurn, SecondDataTrackAndDataAfterSoundAreRefused) {
    Open("cdr");
    AddFile("a.iso", Pattern(2048 * 10, 1));
    AddFile("b.iso", Pattern(2048 * 10, 2));
    EXPECT_EQ(BurnFiles(false, 0), 2u);
    EXPECT_NE(std::string(m__Text).find("Data track is present already, mixed mode or multisession is not supported yet!!!"),
              std::string::npos)
        << m__Text;
    m__List->m__ULONG__NumberOfTracks = 0;
    AddFile("song.wav", Pcm(300, 0, 1), true);
    AddFile("a.iso", Pattern(2048 * 10, 1));
    EXPECT_EQ(BurnFiles(true, 0), 2u);
    EXPECT_NE(std::string(m__Text).find("Audio track is present already, invalid mixed mode or multisession is not supported yet!!!"),
              std::string::npos)
        << m__Text;
    m__List->m__ULONG__NumberOfTracks = 100;
    EXPECT_EQ(BurnFiles(true, 0), 2u);
    for (const ScriptedCommand& l__Command : m__Recorder->Log().Commands()) EXPECT_NE(l__Command.m__Cdb[0], OP_WRITE10);
}

// Raw writing is for CDs: a DVD is refused before any write, and the disc stays in.
TEST_F(DiscAtOnceBurn, DvdIsRefusedWithoutEject) {
    Open("dvdr");
    AddFile("a.iso", Pattern(2048 * 10, 1));
    EXPECT_EQ(BurnFiles(false, 0), 10u);
    EXPECT_NE(std::string(m__Text).find("CTarnwick_CdvdBurnerGrabber::DiscAtOncePQ(): Disc type (5) not valid for DAO!!!"), std::string::npos)
        << m__Text;
    for (const ScriptedCommand& l__Command : m__Recorder->Log().Commands()) {
        EXPECT_NE(l__Command.m__Cdb[0], OP_WRITE10);
        EXPECT_NE(l__Command.m__Cdb[0], OP_START_STOP);
    }
}

namespace {

// The raw blocks of a track source with one byte of one block changed on the way.
class CorruptedTrack : public CTarnwick_FileChain {
public:
    CorruptedTrack(CTarnwick_FileChain& p__Inner, ULONG p__BlockSize, uint64_t p__Block, ULONG p__Offset)
        : m__Inner(p__Inner), m__At(p__Block * p__BlockSize + p__Offset) {}
    void Read(uint64_t p__Length, PVOID p__Buffer) override {
        m__Inner.Read(p__Length, p__Buffer);
        if (m__At >= m__Position && m__At < m__Position + p__Length) static_cast<UCHAR*>(p__Buffer)[m__At - m__Position] ^= 0x5A;
        m__Position += p__Length;
    }
    uint64_t GetSize() override { return m__Inner.GetSize(); }

private:
    CTarnwick_FileChain& m__Inner;
    uint64_t m__At;
    uint64_t m__Position = 0;
};

DISC_AT_ONCE_TRACK_LIST DataList(std::vector<LONG> p__Sizes) {
    DISC_AT_ONCE_TRACK_LIST l__List;
    std::memset(&l__List, 0, sizeof(l__List));
    LONG l__Start = 0;
    for (LONG l__Size : p__Sizes) {
        DISC_AT_ONCE_TRACK_ENTRY& l__Entry = l__List.m__DISC_AT_ONCE_TRACK_ENTRY__Tracks[l__List.m__ULONG__NumberOfTracks];
        l__Entry.m__LONG__StartLBA = l__Start;
        l__Entry.m__LONG__SizeInLBs = l__Size;
        l__Entry.m__ULONG__TrackNumber = ++l__List.m__ULONG__NumberOfTracks;
        l__Entry.m__BOOLEAN__IsDataTrack = l__List.m__ULONG__NumberOfTracks == 1;
        l__Start += l__Size;
    }
    return l__List;
}

}  // namespace

// A raw stream the drive cannot take ends the burn with the failed command's sense, after the
// failure path: the drive's cache synchronised (track data was written) and the disc ejected.
TEST_F(DiscAtOnceBurn, CorruptedRawStreamsAreRefusedByTheDrive) {
    const Bytes l__Data = Pattern(600 * 2048, 11);
    struct Corruption {
        const char* m__What;
        bool m__IsRawPW;
        uint64_t m__Block;
        ULONG m__Offset;
        std::vector<LONG> m__LeadInTracks;  // what the lead-in announces
    };
    const Corruption l__Cases[] = {
        {"a wrong Q CRC", false, 300, 2352 + 11, {600}},
        {"a bad EDC", true, 300, 1000, {600}},
        {"a lead-in naming a track that is not written", false, 0, 0, {300, 300}},
    };
    for (const Corruption& l__Case : l__Cases) {
        SCOPED_TRACE(l__Case.m__What);
        Open("cdr");
        CTarnwick_MemoryFile l__Source(l__Data.data(), l__Data.size());
        CTarnwick_FileChain l__Cooked;
        l__Cooked.AddChainTail(&l__Source);
        l__Cooked.SeekToBegin();
        const DISC_AT_ONCE_TRACK_LIST l__Written = DataList({600});
        const DISC_AT_ONCE_TRACK_LIST l__Announced = DataList(l__Case.m__LeadInTracks);
        std::unique_ptr<CTarnwick_FileChain> l__Raw;
        if (l__Case.m__IsRawPW) l__Raw = std::make_unique<CTarnwick_ISO9660FileTreeRawRawPW>(&l__Cooked, &l__Written, 0);
        else l__Raw = std::make_unique<CTarnwick_ISO9660FileTreeRawPQ>(&l__Cooked, &l__Written, 0);
        const bool l__Corrupt = l__Case.m__LeadInTracks.size() == 1;
        CorruptedTrack l__Track(*l__Raw, l__Case.m__IsRawPW ? 2448 : 2368, l__Case.m__Block, l__Case.m__Offset);
        CTarnwick_FileChain* l__Sent = l__Corrupt ? static_cast<CTarnwick_FileChain*>(&l__Track) : l__Raw.get();
        ULONG l__Number = 0;
        UCHAR l__Key = 0;
        try {
            if (l__Case.m__IsRawPW) Burner().DiscAtOnceRawPW(l__Sent, 0, 0, 0, 0, 0, &l__Announced);
            else Burner().DiscAtOncePQ(l__Sent, 0, 0, 0, 0, 0, &l__Announced);
        } catch (CTarnwick_Exception* l__Exception) {
            l__Number = l__Exception->GetExceptionNumber();
            if (l__Exception->GetFailureInformation() != nullptr) l__Key = l__Exception->GetFailureInformation()->m__UCHAR__Sense[2] & 0x0F;
            delete l__Exception;
        }
        EXPECT_EQ(l__Number, 8u);
        EXPECT_EQ(l__Key, 0x05) << "ILLEGAL REQUEST";
        const auto l__Commands = m__Recorder->Log().Commands();
        const size_t l__Refused = LastIndexOfOpcode(l__Commands, OP_WRITE10);
        ASSERT_LT(l__Refused, l__Commands.size());
        EXPECT_GT(CdbLba(l__Commands[l__Refused]), 0) << "the lead-in and the track's first blocks were taken";
        EXPECT_LT(CdbLba(l__Commands[l__Refused]), 600) << "no lead-out was written";
        EXPECT_LT(l__Refused, IndexOfOpcode(l__Commands, OP_SYNCHRONIZE_CACHE, l__Refused));
        EXPECT_LT(l__Refused, IndexOfOpcode(l__Commands, OP_START_STOP, l__Refused));
        TearDown();
    }
}

// The lead-in of a Session-At-Once session with raw P-W sub-channel: zero sub-channel, 96
// bytes a block, from the lead-in's start up to the pre-gap.
TEST_F(DiscAtOnceBurn, LeadInOfARawSessionIsSentAsZeroSubChannel) {
    Open("cdr");
    // A cue sheet whose lead-in the host sends as raw P-W (41h), then one Mode 1 track.
    const Bytes l__Cue = {0x41, 0x00, 0x00, 0x41, 0, 0, 0, 0, 0x41, 0x01, 0x00, 0x10, 0, 0, 0, 0,
                          0x41, 0x01, 0x01, 0x10, 0, 0, 2, 0, 0x41, 0xAA, 0x01, 0x14, 0, 0, 6, 0};
    Burner().SetWriteParameters(2, 8, 4, 0, 0, 0, 0, 0, 0, 0, 0);
    Burner().SendCueSheet(const_cast<UCHAR*>(l__Cue.data()), static_cast<ULONG>(l__Cue.size()));
    TraceCapture l__Trace;
    Burner().WriteLeadIn();
    const auto l__Writes = Writes(m__Recorder->Log().Commands());
    ExpectPackets(l__Writes, 0, LEAD_IN, 717, 12, "lead-in");
    for (const ScriptedCommand& l__Command : m__Recorder->Log().Commands()) {
        if (l__Command.m__Cdb[0] == OP_WRITE10) {
            EXPECT_EQ(l__Command.m__BufferLength, CdbBlocks(l__Command) * 96u);
        }
    }
    // The session goes on at the pre-gap: the drive took the lead-in.
    const Bytes l__Track(2048 * 300, 0x33);
    const Bytes l__Pregap(2048 * 150, 0);
    Burner().Write10(const_cast<UCHAR*>(l__Pregap.data()), 150, static_cast<ULONG>(-150), static_cast<ULONG>(l__Pregap.size()));
    Burner().Write10(const_cast<UCHAR*>(l__Track.data()), 300, 0, static_cast<ULONG>(l__Track.size()));
    Burner().SynchronizeCache();
    const TOC_INFORMATION l__Toc = Toc();
    ASSERT_EQ(UCHAR{l__Toc.m__UCHAR__NumberOfTracks}, 1);
    EXPECT_EQ(ExportTrack(1), l__Track);
    REQUIRE_TRACING();
    EXPECT_TRUE(l__Trace.Contains("CTarnwick_CdvdBurnerGrabber::WriteLeadIn(): Lead-in LBA ( -11634 ), Lead-in size in LBs 11484"));
    EXPECT_TRUE(l__Trace.Contains("CTarnwick_CdvdBurnerGrabber::WriteLeadIn(): Writing lead-in, Lead-in LBA ( -162 ), Padding packet size in LBs 12"));
    EXPECT_TRUE(l__Trace.Contains("CTarnwick_CdvdBurnerGrabber::WriteLeadIn(): Lead-in LBA ( -150 )"));
}
