#include "CTarnwick_CliBurnVerify.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "CTarnwick_CliBurnTree.h"
#include "CTarnwick_CliDrive.h"
#include "sonquill.h"
#include "tarnwick.h"

namespace {

constexpr size_t CHUNK = 1u << 20;

// The bytes a track was written from, read in order and padded with zeros.
class Expected {
public:
    virtual ~Expected() = default;
    // Fills p__Length bytes; false with the reason when the source cannot be read.
    virtual bool Read(unsigned char* p__Buffer, size_t p__Length, std::string& p__string__Error) = 0;
};

class FileBytes : public Expected {
public:
    explicit FileBytes(const std::string& p__string__Path) : m__File(p__string__Path, std::ios::binary), m__string__Path(p__string__Path) {}
    bool Read(unsigned char* p__Buffer, size_t p__Length, std::string& p__string__Error) override {
        if (!m__File.is_open()) {
            p__string__Error = std::string("cannot read ").append(m__string__Path);
            return false;
        }
        m__File.read(reinterpret_cast<char*>(p__Buffer), static_cast<std::streamsize>(p__Length));
        const size_t l__SIZE__Got = static_cast<size_t>(m__File.gcount());
        std::memset(p__Buffer + l__SIZE__Got, 0, p__Length - l__SIZE__Got);
        return true;
    }

private:
    std::ifstream m__File;
    std::string m__string__Path;
};

class TreeBytes : public Expected {
public:
    explicit TreeBytes(CTarnwick_CliBurnTree& p__Tree) : m__Tree(p__Tree), m__Left(p__Tree.Size()) { m__bool__Ok = p__Tree.Rewind() == 0; }
    bool Read(unsigned char* p__Buffer, size_t p__Length, std::string& p__string__Error) override {
        const size_t l__SIZE__Take = static_cast<size_t>(std::min<uint64_t>(m__Left, p__Length));
        if (!m__bool__Ok || (l__SIZE__Take > 0 && m__Tree.Read(p__Buffer, static_cast<ULONG>(l__SIZE__Take)) != 0)) {
            p__string__Error = std::string("cannot read the image of the files again: ").append(m__Tree.Text());
            return false;
        }
        m__Left -= l__SIZE__Take;
        std::memset(p__Buffer + l__SIZE__Take, 0, p__Length - l__SIZE__Take);
        return true;
    }

private:
    CTarnwick_CliBurnTree& m__Tree;
    uint64_t m__Left;
    bool m__bool__Ok = false;
};

class SoundBytes : public Expected {
public:
    explicit SoundBytes(const std::string& p__string__Path) : m__string__Path(p__string__Path) {
        std::string l__string__Name = p__string__Path;
        ULONG l__ULONG__Size = 0;
        m__bool__Ok = Sonquill_CompressedFileReaderObjectCreate(&m__PVOID__Reader, l__string__Name.data()) == 0 &&
                      Sonquill_CompressedFileReaderObjectUncompressedSizeGet(m__PVOID__Reader, &l__ULONG__Size) == 0;
        m__Left = l__ULONG__Size;
    }
    ~SoundBytes() override {
        if (m__PVOID__Reader != nullptr) Sonquill_CompressedFileReaderObjectDestroy(&m__PVOID__Reader);
    }
    bool Read(unsigned char* p__Buffer, size_t p__Length, std::string& p__string__Error) override {
        const size_t l__SIZE__Take = static_cast<size_t>(std::min<uint64_t>(m__Left, p__Length));
        if (!m__bool__Ok ||
            (l__SIZE__Take > 0 && Sonquill_CompressedFileReaderObjectRead(m__PVOID__Reader, p__Buffer, static_cast<ULONG>(l__SIZE__Take)) != 0)) {
            p__string__Error = std::string("cannot decode ").append(m__string__Path).append(" again");
            return false;
        }
        m__Left -= l__SIZE__Take;
        std::memset(p__Buffer + l__SIZE__Take, 0, p__Length - l__SIZE__Take);
        return true;
    }

private:
    std::string m__string__Path;
    PVOID m__PVOID__Reader = nullptr;
    uint64_t m__Left = 0;
    bool m__bool__Ok = false;
};

// A scratch file removed when it goes.
class ScratchFile {
public:
    ScratchFile() {
        const char* l__PCHAR__Dir = std::getenv("TMPDIR");
        std::string l__string__Template = l__PCHAR__Dir != nullptr && *l__PCHAR__Dir != '\0' ? l__PCHAR__Dir : "/tmp";
        l__string__Template.append("/tarnwick-verify-XXXXXX");
        const int l__int__File = ::mkstemp(l__string__Template.data());
        if (l__int__File >= 0) {
            ::close(l__int__File);
            m__string__Path = l__string__Template;
        }
    }
    ~ScratchFile() {
        if (!m__string__Path.empty()) std::remove(m__string__Path.c_str());
    }
    const std::string& Path() const { return m__string__Path; }

private:
    std::string m__string__Path;
};

}  // namespace

uint64_t CTarnwick_CliBurnVerify::TotalBlocks(const std::vector<Track>& p__Tracks) {
    uint64_t l__Total = 0;
    for (const Track& l__Track : p__Tracks) l__Total += l__Track.m__Blocks;
    return l__Total;
}

long long CTarnwick_CliBurnVerify::FirstDifference(const unsigned char* p__A, const unsigned char* p__B, size_t p__Length) {
    if (std::memcmp(p__A, p__B, p__Length) == 0) return -1;
    for (size_t i = 0; i < p__Length; ++i)
        if (p__A[i] != p__B[i]) return static_cast<long long>(i);
    return -1;
}

bool CTarnwick_CliBurnVerify::Run(CTarnwick_CliDrive& p__Drive, const std::vector<Track>& p__Tracks,
                                  void (*p__Progress)(void*, uint64_t), void* p__PVOID__Context, CTarnwick_CliFailure* p__Failure) {
    auto l__Toc = std::make_unique<TOC_INFORMATION>();
    p__Drive.Clear();
    ULONG l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_ReadTOC(p__Drive.Burner(), p__Drive.m__CHAR__Text, sizeof(p__Drive.m__CHAR__Text),
                                                               &p__Drive.m__ULONG__Status, &p__Drive.m__Info, l__Toc.get());
    if (l__ULONG__Number != 0) {
        *p__Failure = p__Drive.Failure("verify", l__ULONG__Number);
        return false;
    }
    uint64_t l__Done = 0;
    for (const Track& l__Track : p__Tracks) {
        p__Progress(p__PVOID__Context, l__Done);
        const TOC_TRACK_ENTRY* l__Entry = nullptr;
        for (int i = 0; i < l__Toc->m__UCHAR__NumberOfTracks && i < TOC_MAXIMUM_TRACKS; ++i)
            if (l__Toc->m__TOC_TRACK_ENTRY__Tracks[i].m__UCHAR__TrackNumber == l__Track.m__int__Number)
                l__Entry = &l__Toc->m__TOC_TRACK_ENTRY__Tracks[i];
        std::string l__string__Which = std::string("track ").append(std::to_string(l__Track.m__int__Number));
        if (l__Entry == nullptr) {
            *p__Failure = CTarnwick_CliFailure("verify", p__Drive.Name(), EXCEPTION_NUMBER_MEDIA_OR_DATA,
                                               l__string__Which.append(" is not on the disc"), "");
            return false;
        }
        if (l__Track.m__Blocks == 0) continue;
        const LONG l__LONG__Start = l__Entry->m__LONG__StartLBA;
        const LONG l__LONG__Last = l__LONG__Start + static_cast<LONG>(l__Track.m__Blocks) - 1;
        ScratchFile l__Scratch;
        if (l__Scratch.Path().empty()) {
            *p__Failure = CTarnwick_CliFailure("verify", p__Drive.Name(), EXCEPTION_NUMBER_SYSTEM_ERROR,
                                               "cannot make a scratch file for the blocks read back", "");
            return false;
        }
        std::string l__string__Scratch = l__Scratch.Path();
        p__Drive.Clear();
        l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_GrabRange(p__Drive.Burner(), p__Drive.m__CHAR__Text, sizeof(p__Drive.m__CHAR__Text),
                                                               &p__Drive.m__ULONG__Status, &p__Drive.m__Info, l__LONG__Start,
                                                               l__LONG__Last, l__string__Scratch.data(), 0, FALSE, FALSE, 1);
        if (l__ULONG__Number != 0) {
            *p__Failure = p__Drive.Failure("verify", l__ULONG__Number);
            return false;
        }
        std::unique_ptr<Expected> l__Expected;
        if (l__Track.m__Source == Source::Tree) l__Expected = std::make_unique<TreeBytes>(*l__Track.m__Tree);
        else if (l__Track.m__Source == Source::Sound) l__Expected = std::make_unique<SoundBytes>(l__Track.m__string__Path);
        else l__Expected = std::make_unique<FileBytes>(l__Track.m__string__Path);
        const uint64_t l__Bytes = l__Track.m__Blocks * (l__Track.m__Source == Source::Sound ? 2352u : 2048u);
        std::ifstream l__Read(l__string__Scratch, std::ios::binary);
        std::vector<unsigned char> l__Want(CHUNK), l__Got(CHUNK);
        for (uint64_t l__Offset = 0; l__Offset < l__Bytes; l__Offset += CHUNK) {
            const size_t l__SIZE__Length = static_cast<size_t>(std::min<uint64_t>(CHUNK, l__Bytes - l__Offset));
            std::string l__string__Error;
            if (!l__Expected->Read(l__Want.data(), l__SIZE__Length, l__string__Error)) {
                *p__Failure = CTarnwick_CliFailure("verify", p__Drive.Name(), EXCEPTION_NUMBER_SYSTEM_ERROR, l__string__Error, "");
                return false;
            }
            l__Read.read(reinterpret_cast<char*>(l__Got.data()), static_cast<std::streamsize>(l__SIZE__Length));
            const size_t l__SIZE__Got = static_cast<size_t>(l__Read.gcount());
            long long l__LONGLONG__At = FirstDifference(l__Want.data(), l__Got.data(), l__SIZE__Got);
            if (l__LONGLONG__At < 0 && l__SIZE__Got < l__SIZE__Length) l__LONGLONG__At = static_cast<long long>(l__SIZE__Got);
            if (l__LONGLONG__At >= 0) {
                const unsigned long long l__Byte = l__Offset + static_cast<unsigned long long>(l__LONGLONG__At);
                std::string l__string__Text = l__string__Which;
                l__string__Text.append(" differs from ").append(l__Track.m__Source == Source::Tree ? "the files" : l__Track.m__string__Path);
                l__string__Text.append(" at byte ").append(std::to_string(l__Byte));
                l__string__Text.append(" (block ").append(std::to_string(l__Byte / (l__Track.m__Source == Source::Sound ? 2352u : 2048u)));
                l__string__Text.append(" of the track)");
                *p__Failure = CTarnwick_CliFailure("verify", p__Drive.Name(), EXCEPTION_NUMBER_MEDIA_OR_DATA, l__string__Text,
                                                   "burn the disc again; when it happens again, try a lower --speed or other media");
                return false;
            }
        }
        l__Done += l__Track.m__Blocks;
    }
    p__Progress(p__PVOID__Context, l__Done);
    return true;
}
