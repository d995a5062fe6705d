#include "VdiscExporter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "CTarnwick_CdAddress.h"
#include "PlatformOutputFile.h"
#include "VdiscCommand.h"
#include "VdiscSectorReader.h"

namespace {

// An output file written under a temporary name beside its own and renamed over it only when
// complete, so that a failed export leaves neither a half-written file nor a damaged earlier one.
class Output {
public:
    explicit Output(std::string p__string__Path, const char* p__PCHAR__Mode) : m__string__Path(std::move(p__string__Path)) {
        const int l__int__Fd = PlatformOutputFile::CreateBeside(m__string__Path.c_str(), m__string__Temporary);
        if (l__int__Fd < 0) return;
        m__File = fdopen(l__int__Fd, p__PCHAR__Mode);
        if (m__File == nullptr) {
            const int l__int__Error = errno;
            PlatformOutputFile::Close(l__int__Fd);
            std::remove(m__string__Temporary.c_str());
            errno = l__int__Error;
            return;
        }
        m__bool__Created = true;
    }
    ~Output() {
        if (m__File != nullptr) std::fclose(m__File);
        if (m__bool__Created && !m__bool__Done) std::remove(m__string__Temporary.c_str());
    }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    FILE* get() const { return m__File; }
    explicit operator bool() const { return m__File != nullptr; }
    // Flushes and closes the file; false (errno set) when that fails.
    bool Close() {
        const bool l__bool__Ok = std::fflush(m__File) == 0 && !std::ferror(m__File);
        const int l__int__Error = errno;
        const bool l__bool__Closed = std::fclose(m__File) == 0;
        m__File = nullptr;
        if (!l__bool__Ok) errno = l__int__Error;
        return l__bool__Ok && l__bool__Closed;
    }
    // Flushes the file and sets its length: the holes that skipped blocks left at its end are
    // part of it. False (errno set) when that fails.
    bool SetLength(uint64_t p__ULONGLONG__Length) {
        return std::fflush(m__File) == 0 && PlatformOutputFile::SetSize(fileno(m__File), static_cast<int64_t>(p__ULONGLONG__Length));
    }
    // Puts the closed file in place under its own name.
    bool Publish() {
        m__bool__Done = PlatformOutputFile::Publish(m__string__Temporary, m__string__Path.c_str());
        return m__bool__Done;
    }

private:
    std::string m__string__Path;
    std::string m__string__Temporary;
    FILE* m__File = nullptr;
    bool m__bool__Created = false;
    bool m__bool__Done = false;
};

// A position in the BIN file (blocks from its start) as a cue sheet's minute:second:frame.
std::string Msf(int32_t p__LONG__Blocks) {
    uint8_t l__UCHAR__Msf[3];
    CTarnwick_CdAddress::BlocksToMsf(p__LONG__Blocks, l__UCHAR__Msf);
    char l__CHAR__Text[16];
    std::snprintf(l__CHAR__Text, sizeof(l__CHAR__Text), "%02u:%02u:%02u", l__UCHAR__Msf[0], l__UCHAR__Msf[1], l__UCHAR__Msf[2]);
    return l__CHAR__Text;
}

}  // namespace

bool VdiscExporter::ExportTrack(uint32_t p__ULONG__Track, const std::string& p__string__Out, std::string& p__string__Error) const {
    const VdiscState& l__State = m__Store.State();
    int32_t l__LONG__End = 0;
    if (l__State.Medium().m__bool__IsRandomWritable) {
        if (p__ULONG__Track != 1) {
            p__string__Error = "a random-writable disc has only track 1";
            return false;
        }
        l__LONG__End = l__State.m__LONG__HighestWritten + 1;
    } else {
        const VdiscTrack* l__Track = l__State.TrackNumber(p__ULONG__Track);
        if (l__Track == nullptr) {
            p__string__Error = "the disc has no track " + std::to_string(p__ULONG__Track);
            return false;
        }
        if ((l__Track->m__UCHAR__Control & 4) == 0) {
            p__string__Error = "track " + std::to_string(p__ULONG__Track) + " is an audio track";
            return false;
        }
        // Up to the last block the host recorded (run-out and unwritten reserve are not data).
        l__LONG__End = l__Track->m__LONG__Start + l__Track->m__LONG__Recorded;
    }
    Output l__Out(p__string__Out, "wb");
    if (!l__Out) {
        p__string__Error = "cannot create '" + p__string__Out + "': " + std::strerror(errno);
        return false;
    }
    VdiscSectorReader l__Reader(m__Store);
    const int32_t l__LONG__Chunk = 512;
    std::vector<uint8_t> l__Buffer(2048 * l__LONG__Chunk);
    static const uint8_t s__UCHAR__Zero[2048] = {};
    // Blocks of zeros are skipped, not written: the file gets holes there (and its length at the end).
    bool l__bool__Skipped = false;
    for (int32_t l__LONG__Lba = 0; l__LONG__Lba < l__LONG__End;) {
        const int32_t l__LONG__Count = std::min<int32_t>(l__LONG__Chunk, l__LONG__End - l__LONG__Lba);
        for (int32_t l__LONG__I = 0; l__LONG__I < l__LONG__Count;) {
            uint8_t* l__PUCHAR__At = l__Buffer.data() + 2048 * l__LONG__I;
            // Blocks stored one after the other come with one read; one that fails is read alone.
            const uint32_t l__ULONG__Run = l__Reader.UserRunLength(l__LONG__Lba + l__LONG__I, static_cast<uint32_t>(l__LONG__Count - l__LONG__I));
            if (l__ULONG__Run > 1) {
                try {
                    l__Reader.ReadUserRun(l__LONG__Lba + l__LONG__I, l__ULONG__Run, l__PUCHAR__At);
                    l__LONG__I += static_cast<int32_t>(l__ULONG__Run);
                    continue;
                } catch (const VdiscCheckCondition&) {
                }
            }
            try {
                l__Reader.ReadUser(l__LONG__Lba + l__LONG__I, l__PUCHAR__At);
            } catch (const VdiscCheckCondition&) {
                std::memset(l__PUCHAR__At, 0, 2048);
            }
            ++l__LONG__I;
        }
        for (int32_t l__LONG__I = 0; l__LONG__I < l__LONG__Count;) {
            const uint8_t* l__PUCHAR__At = l__Buffer.data() + 2048 * l__LONG__I;
            if (std::memcmp(l__PUCHAR__At, s__UCHAR__Zero, 2048) == 0) {
                if (fseeko(l__Out.get(), 2048, SEEK_CUR) != 0) {
                    p__string__Error = "cannot write '" + p__string__Out + "': " + std::strerror(errno);
                    return false;
                }
                l__bool__Skipped = true;
                ++l__LONG__I;
                continue;
            }
            int32_t l__LONG__Data = 1;
            while (l__LONG__I + l__LONG__Data < l__LONG__Count && std::memcmp(l__PUCHAR__At + 2048 * l__LONG__Data, s__UCHAR__Zero, 2048) != 0) ++l__LONG__Data;
            if (std::fwrite(l__PUCHAR__At, 2048, static_cast<size_t>(l__LONG__Data), l__Out.get()) != static_cast<size_t>(l__LONG__Data)) {
                p__string__Error = "cannot write '" + p__string__Out + "': " + std::strerror(errno);
                return false;
            }
            l__LONG__I += l__LONG__Data;
        }
        l__LONG__Lba += l__LONG__Count;
    }
    if ((l__bool__Skipped && !l__Out.SetLength(static_cast<uint64_t>(l__LONG__End) * 2048)) || !l__Out.Close() || !l__Out.Publish()) {
        p__string__Error = "cannot write '" + p__string__Out + "': " + std::strerror(errno);
        return false;
    }
    return true;
}

bool VdiscExporter::ExportCue(const std::string& p__string__Cue, std::string& p__string__Error, bool p__bool__IsSub) const {
    const VdiscState& l__State = m__Store.State();
    if (!l__State.IsCd()) {
        p__string__Error = "only a CD exports as a CUE sheet";
        return false;
    }
    if (l__State.m__Tracks.empty()) {
        p__string__Error = "the disc has no tracks";
        return false;
    }
    std::string l__string__Bin = p__string__Cue;
    if (l__string__Bin.size() > 4 && l__string__Bin.compare(l__string__Bin.size() - 4, 4, ".cue") == 0) l__string__Bin.resize(l__string__Bin.size() - 4);
    const std::string l__string__Sub = l__string__Bin + ".sub";
    l__string__Bin += ".bin";
    std::string l__string__BinName = l__string__Bin.substr(l__string__Bin.find_last_of('/') + 1);
    Output l__Bin(l__string__Bin, "wb");
    Output l__Cue(p__string__Cue, "w");
    if (!l__Bin || !l__Cue) {
        p__string__Error = "cannot create '" + (l__Bin ? p__string__Cue : l__string__Bin) + "': " + std::strerror(errno);
        return false;
    }
    std::unique_ptr<Output> l__Sub;
    if (p__bool__IsSub) {
        l__Sub = std::make_unique<Output>(l__string__Sub, "wb");
        if (!*l__Sub) {
            p__string__Error = "cannot create '" + l__string__Sub + "': " + std::strerror(errno);
            return false;
        }
    }
    std::fprintf(l__Cue.get(), "FILE \"%s\" BINARY\n", l__string__BinName.c_str());
    VdiscSectorReader l__Reader(m__Store);
    // The BIN holds the program area from LBA 0 up to the end of the last track, 2352 bytes a
    // block (audio samples, or whole data sectors with sync, header and EDC/ECC), so a position in
    // it is the LBA. Per track the CUE gives:
    //   TRACK nn AUDIO | MODE1/2352 | MODE2/2352 (Mode 2 as the drive records it: the 2336 bytes
    //     the host sent behind sync and header);
    //   INDEX 00 where its pre-gap starts, when the pre-gap lies in the BIN (the pre-gap of track 1
    //     of a disc starts at -150, before the BIN; only pre-gap beyond those 150 blocks shows, from
    //     00:00:00 on);
    //   INDEX 01 where its data starts, the start READ TOC reports.
    // Readers split the BIN by these: a track starts at its INDEX 01 and ends where the next track
    // has its INDEX 00 (its INDEX 01 when it has none) or at the end of the BIN. The INDEX 00 lines
    // are what keeps the next track's pre-gap out of a track's data: without them every WAV or ISO
    // a splitter makes ends with the 150 blocks of pre-gap of the track after it. Readers of the
    // disc layout take INDEX 01 as the track start, so they agree with the TOC.
    int32_t l__LONG__End = 0;
    for (const VdiscTrack& l__Track : l__State.m__Tracks) {
        l__LONG__End = std::max(l__LONG__End, l__Track.m__LONG__Start + std::max(l__Track.m__LONG__Size, l__Track.m__LONG__Recorded));
        const char* l__PCHAR__Mode = (l__Track.m__UCHAR__Control & 4) == 0 ? "AUDIO" : l__Track.m__UCHAR__DataMode == 2 ? "MODE2/2352" : "MODE1/2352";
        std::fprintf(l__Cue.get(), "  TRACK %02u %s\n", l__Track.m__UCHAR__Number, l__PCHAR__Mode);
        const int32_t l__LONG__Gap = std::max(0, l__Track.m__LONG__Start - l__Track.m__LONG__Pregap);
        if (l__Track.m__LONG__Pregap > 0 && l__LONG__Gap < l__Track.m__LONG__Start)
            std::fprintf(l__Cue.get(), "    INDEX 00 %s\n", Msf(l__LONG__Gap).c_str());
        std::fprintf(l__Cue.get(), "    INDEX 01 %s\n", Msf(l__Track.m__LONG__Start).c_str());
    }
    uint8_t l__UCHAR__Zero[2352] = {};
    for (int32_t l__LONG__Lba = 0; l__LONG__Lba < l__LONG__End; ++l__LONG__Lba) {
        VdiscSectorReader::RawSector l__Sector;
        const uint8_t* l__PUCHAR__Main = l__UCHAR__Zero;
        const uint8_t* l__PUCHAR__Pw = l__UCHAR__Zero;
        if (l__Reader.IsRecorded(l__LONG__Lba)) {
            try {
                l__Reader.ReadRaw(l__LONG__Lba, l__Sector);
                l__PUCHAR__Main = l__Sector.m__UCHAR__Main;
                l__PUCHAR__Pw = l__Sector.m__UCHAR__Sub;
            } catch (const VdiscCheckCondition&) {
            }
        }
        if (std::fwrite(l__PUCHAR__Main, 2352, 1, l__Bin.get()) != 1) {
            p__string__Error = "cannot write '" + l__string__Bin + "': " + std::strerror(errno);
            return false;
        }
        if (l__Sub && std::fwrite(l__PUCHAR__Pw, 96, 1, l__Sub->get()) != 1) {
            p__string__Error = "cannot write '" + l__string__Sub + "': " + std::strerror(errno);
            return false;
        }
    }
    if (l__Sub && (!l__Sub->Close() || !l__Sub->Publish())) {
        p__string__Error = "cannot write '" + l__string__Sub + "': " + std::string(std::strerror(errno));
        return false;
    }
    // The BIN is in place before the CUE sheet that names it.
    if (!l__Bin.Close() || !l__Cue.Close() || !l__Bin.Publish() || !l__Cue.Publish()) {
        p__string__Error = "cannot write the CUE sheet or its BIN: " + std::string(std::strerror(errno));
        return false;
    }
    return true;
}
