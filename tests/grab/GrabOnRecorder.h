#pragma once
// The virtual recorder under the grab tests: a fixture that burns discs onto it, grabs them
// through the flat functions and looks at the reads the recorder received, and the callback
// that records what a grab reported.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "../burner/BurnFiles.h"
#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_FileChain.h"
#include "CTarnwick_MemoryFile.h"
#include "ExternalTool.h"
#include "FakeClock.h"
#include "RecorderUnderTest.h"
#include "tarnwick.h"

namespace {

using namespace BurnFiles;

void WriteText(const std::string& p__Name, const std::string& p__Text) {
    std::ofstream l__Stream(p__Name, std::ios::binary);
    l__Stream << p__Text;
}

std::vector<std::string> Entries(const std::string& p__Dir) {
    std::vector<std::string> l__Names;
    DIR* l__Dir = opendir(p__Dir.c_str());
    while (dirent* l__Entry = l__Dir != nullptr ? readdir(l__Dir) : nullptr) {
        std::string l__Name = l__Entry->d_name;
        if (l__Name != "." && l__Name != "..") l__Names.push_back(l__Name);
    }
    if (l__Dir != nullptr) closedir(l__Dir);
    return l__Names;
}

// A callback seen by a test: what the grab reported.
struct Reports {
    std::vector<ULONG> m__Retries;                         // READ_ERROR_RETRY first LBAs
    std::vector<std::pair<ULONG, ULONG>> m__BadSectors;    // BAD_SECTOR_DETECTED LBA, count
    std::vector<std::pair<LONGLONG, LONGLONG>> m__Progress;  // GRAB_PROGRESS total, done
    CTarnwick_CdvdBurnerGrabber* m__Burner = nullptr;
    LONGLONG m__LONGLONG__CancelAtDone = -1;                  // Cancel once this many blocks are done
};

void Callback(ULONG p__Reason, PVOID p__Context, PVOID p__One, PVOID p__Two) {
    Reports* r = static_cast<Reports*>(p__Context);
    if (r == nullptr) return;
    if (p__Reason == READ_ERROR_RETRY) {
        r->m__Retries.push_back(*static_cast<ULONG*>(p__One));
        EXPECT_EQ(p__Two, nullptr);
    } else if (p__Reason == BAD_SECTOR_DETECTED) {
        r->m__BadSectors.emplace_back(*static_cast<ULONG*>(p__One), *static_cast<ULONG*>(p__Two));
    } else if (p__Reason == GRAB_PROGRESS) {
        const LONGLONG l__Done = *static_cast<LONGLONG*>(p__Two);
        r->m__Progress.emplace_back(*static_cast<LONGLONG*>(p__One), l__Done);
        if (r->m__LONGLONG__CancelAtDone >= 0 && l__Done >= r->m__LONGLONG__CancelAtDone) r->m__Burner->Cancel();
    }
}

// A clock that moves on by just over a second every time it is asked, so that every piece
// of a grab with a progress interval of 1 s is reported.
class SteppingClock : public PlatformClock {
public:
    SteppingClock() : m__Previous(PlatformClock::Replace(this)) {}
    ~SteppingClock() override { PlatformClock::Replace(m__Previous); }
    void Sleep(uint32_t) override {}
    uint32_t GetTickCount() override { return m__ULONG__Now += 1001; }

private:
    uint32_t m__ULONG__Now = 0;
    PlatformClock* m__Previous;
};

// One READ CD or READ(10) the recorder received: its LBA and block count.
struct ReadCommand {
    uint32_t m__LBA;
    uint32_t m__Blocks;
    bool operator==(const ReadCommand&) const = default;
};

class GrabOnRecorder : public ::testing::Test {
protected:
    void TearDown() override {
        m__Burner.reset();
        if (m__Started) Tarnwick_DownShut();
    }
    void Open(const char* p__Media) {
        m__Recorder = std::make_unique<RecorderUnderTest>(p__Media);
        ASSERT_EQ(Tarnwick_UpStart(), 0u);
        m__Started = true;
        m__Burner = std::make_unique<CTarnwick_CdvdBurnerGrabber>(Callback, &m__Reports, 0, 0, 0, 0, 1);
        m__Reports.m__Burner = m__Burner.get();
    }
    // A CD of one Session-At-Once track, which holds exactly the file's blocks: data, or
    // the PCM of a WAV file.
    void BurnCd(const Bytes& p__Data, bool p__IsAudio) { BurnSession({{p__Data, p__IsAudio}}); }
    // A CD of one Session-At-Once session of the tracks in order: data or WAV files.
    void BurnSession(const std::vector<std::pair<Bytes, bool>>& p__Tracks, BOOLEAN p__IsNextSessionAllowed = 0) {
        auto l__Session = std::make_unique<SESSION_DESCRIPTOR>();
        std::memset(l__Session.get(), 0, sizeof(SESSION_DESCRIPTOR));
        l__Session->m__ULONG__NumberOfTracks = static_cast<ULONG>(p__Tracks.size());
        std::vector<std::string> l__Paths;
        for (size_t i = 0; i < p__Tracks.size(); ++i) {
            const bool l__IsAudio = p__Tracks[i].second;
            l__Paths.push_back(Out("source" + std::to_string(i) + (l__IsAudio ? ".wav" : ".iso")));
            if (l__IsAudio) WriteWav(l__Paths.back(), p__Tracks[i].first); else WriteFile(l__Paths.back(), p__Tracks[i].first);
            std::snprintf(l__Session->m__SESSION_TRACK_ENTRY__Tracks[i].m__CHAR__FileName, SESSION_FILE_NAME_SIZE, "%s",
                          l__Paths.back().c_str());
        }
        ASSERT_EQ(Tarnwick_CdvdBurnerGrabber_SessionAtOnce(Flat(), m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                           l__Session.get(), 0, 0, p__IsNextSessionAllowed, 0, 0),
                  0u)
            << m__Text;
        for (const std::string& l__Path : l__Paths) std::remove(l__Path.c_str());
        m__Recorder->Log().ClearCommands();
    }
    // A DVD-R track of the data, whose volume descriptor makes the track end after
    // p__VolumeBlocks blocks.
    void BurnDvd(Bytes p__Data, uint32_t p__VolumeBlocks) {
        uint8_t* l__Pvd = p__Data.data() + 16 * 2048;
        l__Pvd[0] = 1;
        std::memcpy(l__Pvd + 1, "CD001", 5);
        CTarnwick_Bytes::PutLittleEndian32(l__Pvd + 80, p__VolumeBlocks);
        BurnTrackAtOnce(p__Data);
    }
    // One data track of the bytes written Track-At-Once, the session then closed.
    void BurnTrackAtOnce(Bytes& p__Data) {
        try {
            CTarnwick_MemoryFile l__Source(p__Data.data(), p__Data.size());
            CTarnwick_FileChain l__Chain;
            l__Chain.AddChainTail(&l__Source);
            l__Chain.SeekToBegin();
            m__Burner->TrackAtOnce(&l__Chain, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0);
            m__Burner->CloseSession();
        } catch (CTarnwick_Exception* l__Exception) {
            ADD_FAILURE() << (l__Exception ? l__Exception->GetExceptionText() : "NULL");
            delete l__Exception;
        }
        m__Recorder->Log().ClearCommands();
    }
    PVOID Flat() { return static_cast<CTarnwick_EmptyBase*>(m__Burner.get()); }
    ULONG GrabTrack(UCHAR p__Track, const std::string& p__File, ULONG p__Retries = 0, BOOLEAN p__Ignore = 0,
                    BOOLEAN p__Force = 0, ULONG p__Interval = 0) {
        std::string l__File = p__File;
        return Tarnwick_CdvdBurnerGrabber_GrabTrack(Flat(), m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                    p__Track, l__File.data(), p__Retries, p__Ignore, p__Force,
                                                    p__Interval);
    }
    ULONG GrabRange(LONG p__First, LONG p__Last, const std::string& p__File, ULONG p__Retries = 0,
                    BOOLEAN p__Ignore = 0) {
        std::string l__File = p__File;
        return Tarnwick_CdvdBurnerGrabber_GrabRange(Flat(), m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                    p__First, p__Last, l__File.data(), p__Retries, p__Ignore, 0, 0);
    }
    ULONG GrabDisc(const std::string& p__File, ULONG p__Retries = 0, BOOLEAN p__Ignore = 0, BOOLEAN p__Force = 0,
                   ULONG p__Interval = 0) {
        std::string l__File = p__File;
        return Tarnwick_CdvdBurnerGrabber_GrabDisc(Flat(), m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                   l__File.data(), p__Retries, p__Ignore, p__Force, p__Interval);
    }
    ULONG GrabDiscSplit(const std::string& p__File, ULONGLONG p__PartSize, ULONG p__Retries = 0, BOOLEAN p__Ignore = 0) {
        std::string l__File = p__File;
        return Tarnwick_CdvdBurnerGrabber_GrabDiscSplit(Flat(), m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                        l__File.data(), p__Retries, p__Ignore, 0, 0, p__PartSize);
    }
    // The start, the end and the audio flag of a track, copied out of the packed record.
    struct TrackExtent {
        LONG m__LONG__StartLBA;
        LONG m__LONG__EndLBA;
        UCHAR m__UCHAR__IsAudio;
    };
    TrackExtent Track(UCHAR p__Track) {
        auto l__Toc = std::make_unique<TOC_INFORMATION>();
        EXPECT_EQ(Tarnwick_CdvdBurnerGrabber_ReadTOC(Flat(), m__Text, sizeof(m__Text), &m__SystemError, &m__Info,
                                                     l__Toc.get()),
                  0u)
            << m__Text;
        m__TocOpcodes = m__Recorder->Log().Opcodes();
        m__Recorder->Log().ClearCommands();
        const TOC_TRACK_ENTRY& l__Entry = l__Toc->m__TOC_TRACK_ENTRY__Tracks[p__Track - 1];
        return {l__Entry.m__LONG__StartLBA, l__Entry.m__LONG__EndLBA, l__Entry.m__UCHAR__IsAudio};
    }
    // The commands with the opcode the recorder received after the table of contents of the
    // last grab, in order. The table is read as Track() read it.
    std::vector<ScriptedCommand> GrabCommands(uint8_t p__Opcode) {
        const std::vector<ScriptedCommand> l__Commands = m__Recorder->Log().Commands();
        EXPECT_FALSE(m__TocOpcodes.empty()) << "Track() tells what reading the table of contents sends";
        size_t l__From = 0;
        for (size_t i = 0; i + m__TocOpcodes.size() <= l__Commands.size(); ++i) {
            bool l__IsToc = true;
            for (size_t k = 0; k < m__TocOpcodes.size() && l__IsToc; ++k)
                l__IsToc = l__Commands[i + k].m__Cdb[0] == m__TocOpcodes[k];
            if (l__IsToc) l__From = i + m__TocOpcodes.size();
        }
        std::vector<ScriptedCommand> l__Found;
        for (size_t i = l__From; i < l__Commands.size(); ++i)
            if (l__Commands[i].m__Cdb[0] == p__Opcode) l__Found.push_back(l__Commands[i]);
        return l__Found;
    }
    // The reads (READ CD or READ(10)) of the last grab: LBA and blocks.
    std::vector<ReadCommand> Reads(uint8_t p__Opcode) {
        std::vector<ReadCommand> l__Reads;
        for (const ScriptedCommand& c : GrabCommands(p__Opcode)) {
            const uint32_t l__Blocks = p__Opcode == 0xBE ? (c.m__Cdb[6] << 16 | c.m__Cdb[7] << 8 | c.m__Cdb[8])
                                                         : (c.m__Cdb[7] << 8 | c.m__Cdb[8]);
            l__Reads.push_back({CTarnwick_Bytes::GetBigEndian32(c.m__Cdb.data() + 2), l__Blocks});
        }
        return l__Reads;
    }
    std::string Out(const std::string& p__Name) { return m__Recorder->Dir() + "/" + p__Name; }
    Bytes Export(UCHAR p__Track) {
        const std::string l__Out = Out("export.bin");
        std::string l__Output;
        EXPECT_EQ(m__Recorder->Vdisc("export {} --track " + std::to_string(p__Track) + " '" + l__Out + "'", &l__Output), 0)
            << l__Output;
        Bytes l__Bytes = ReadFile(l__Out);
        std::remove(l__Out.c_str());
        return l__Bytes;
    }

    FakeClock m__Clock;
    Reports m__Reports;
    std::unique_ptr<RecorderUnderTest> m__Recorder;
    std::unique_ptr<CTarnwick_CdvdBurnerGrabber> m__Burner;
    bool m__Started = false;
    std::vector<uint8_t> m__TocOpcodes;
    char m__Text[1024] = {};
    ULONG m__SystemError = 31;
    CDB_FAILURE_INFORMATION m__Info{};
};

}  // namespace
