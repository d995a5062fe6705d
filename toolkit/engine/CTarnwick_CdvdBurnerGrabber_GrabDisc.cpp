// Grabbing a whole disc: a CD as a raw image of 2448-byte blocks (the sector and its raw P-W
// sub-channel) with its descriptor beside it, a DVD as an ISO image, whole or in parts.
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_GrabOutput.h"
#include "CTarnwick_MdsWriter.h"
#include "CTarnwick_RawSubchannel.h"
#include "DebugPrint.h"

namespace {

const char* const g__PCHAR__GrabDisc = "CTarnwick_CdvdBurnerGrabber::GrabDisc";
const char* const g__PCHAR__GrabDiscSplit = "CTarnwick_CdvdBurnerGrabber::GrabDiscSplit";
const char* const g__PCHAR__GrabDiscRaw = "CTarnwick_CdvdBurnerGrabber::GrabDiscRaw";
const char* const g__PCHAR__GrabDiscCooked = "CTarnwick_CdvdBurnerGrabber::GrabDiscCooked";

constexpr ULONG DVD_BLOCK_SIZE = 2048;
constexpr LONG FIRST_PREGAP = 150;

// Counts, for every track, the blocks whose sub-channel Q says index 0 of that track: the
// pre-gaps as the disc records them. Q records that fail their CRC (zeros written for an
// unreadable block among them) are not counted.
class PregapCounter {
public:
    void See(ULONG p__ULONG__Blocks, const UCHAR* p__PUCHAR__Data) {
        for (ULONG i = 0; i < p__ULONG__Blocks; ++i) {
            const UCHAR* l__PUCHAR__Sub = p__PUCHAR__Data + i * CTarnwick_RawSubchannel::RAW_PW_BLOCK_BYTES +
                                          CTarnwick_RawSubchannel::RAW_SECTOR_BYTES;
            UCHAR l__UCHAR__Q[CTarnwick_RawSubchannel::Q_BYTES];
            BOOLEAN l__BOOLEAN__P = FALSE;
            CTarnwick_RawSubchannel::GatherQ(l__PUCHAR__Sub, l__UCHAR__Q, &l__BOOLEAN__P);
            if ((l__UCHAR__Q[0] & 0x0F) != 1 || l__UCHAR__Q[2] != 0) continue;
            const USHORT l__USHORT__Crc = CTarnwick_RawSubchannel::QCrc(l__UCHAR__Q);
            if (l__UCHAR__Q[10] != (l__USHORT__Crc >> 8) || l__UCHAR__Q[11] != (l__USHORT__Crc & 0xFF)) continue;
            const ULONG l__ULONG__Track = (l__UCHAR__Q[1] >> 4) * 10u + (l__UCHAR__Q[1] & 0x0F);
            if (l__ULONG__Track < 100) ++m__LONG__Pregap[l__ULONG__Track];
        }
    }
    LONG Pregap(UCHAR p__UCHAR__Track) const { return m__LONG__Pregap[p__UCHAR__Track]; }

private:
    LONG m__LONG__Pregap[100] = {};
};

CTarnwick_MdsWriter::TRACK_MODE ModeOf(const TOC_TRACK_ENTRY& p__Entry) {
    if (p__Entry.m__UCHAR__IsAudio == 1) return CTarnwick_MdsWriter::MODE_AUDIO;
    if (p__Entry.m__UCHAR__DataMode == 1) return CTarnwick_MdsWriter::MODE_1;
    if (p__Entry.m__UCHAR__Form == 1) return CTarnwick_MdsWriter::MODE_2_FORM_1;
    if (p__Entry.m__UCHAR__Form == 2) return CTarnwick_MdsWriter::MODE_2_FORM_2;
    return CTarnwick_MdsWriter::MODE_2;
}

std::string BaseName(const std::string& p__string__Path) {
    const size_t l__SIZE__Slash = p__string__Path.find_last_of('/');
    return l__SIZE__Slash == std::string::npos ? p__string__Path : p__string__Path.substr(l__SIZE__Slash + 1);
}

}  // namespace

std::string CTarnwick_CdvdBurnerGrabber::DescriptorName(const std::string& p__string__ImageName) {
    const size_t l__SIZE__Slash = p__string__ImageName.find_last_of('/');
    const size_t l__SIZE__Dot = p__string__ImageName.find_last_of('.');
    // A dot that starts the file's name (a hidden file) is no extension.
    const bool l__bool__HasExtension = l__SIZE__Dot != std::string::npos &&
                                       (l__SIZE__Slash == std::string::npos || l__SIZE__Dot > l__SIZE__Slash + 1) &&
                                       l__SIZE__Dot != 0;
    return (l__bool__HasExtension ? p__string__ImageName.substr(0, l__SIZE__Dot) : p__string__ImageName) + ".mds";
}

void CTarnwick_CdvdBurnerGrabber::GrabDisc(PCHAR p__PCHAR__FileName, ULONG p__ULONG__RetryDepth,
                                           BOOLEAN p__BOOLEAN__IsIgnoreErrors, BOOLEAN p__BOOLEAN__IsForceSingleBlocks,
                                           ULONG p__ULONG__ProgressInterval) {
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::GrabDisc(): ENTERed for '%s'\n",
               p__PCHAR__FileName != nullptr ? p__PCHAR__FileName : "(null)");
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    RaiseWithoutFileName(g__PCHAR__GrabDisc, p__PCHAR__FileName);
    auto l__Toc = std::make_unique<TOC_INFORMATION>();
    PrepareGrab(l__Toc.get());
    const ULONG l__ULONG__Tracks = std::min<ULONG>(l__Toc->m__UCHAR__NumberOfTracks, TOC_MAXIMUM_TRACKS);
    if (l__ULONG__Tracks == 0) {
        CTarnwick_Exception::Raise(g__PCHAR__GrabDisc, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_NOT_FOUND, 0,
                                   "CTarnwick_CdvdBurnerGrabber::GrabDisc(): The disc has no tracks!!!");
    }
    const TOC_TRACK_ENTRY* const l__Entries = l__Toc->m__TOC_TRACK_ENTRY__Tracks;

    if (l__Toc->m__UCHAR__IsDVD != 0) {
        CTarnwick_GrabOutput l__Output(g__PCHAR__GrabDisc, p__PCHAR__FileName);
        const GRAB_READ l__Read{g__PCHAR__GrabDiscCooked, DVD_BLOCK_SIZE, TRUE, FALSE, {}};
        GrabBlocks(l__Read, l__Output, p__ULONG__ProgressInterval, 0, p__ULONG__RetryDepth, l__Entries[0].m__LONG__StartLBA,
                   l__Entries[l__ULONG__Tracks - 1].m__LONG__EndLBA, p__BOOLEAN__IsIgnoreErrors,
                   p__BOOLEAN__IsForceSingleBlocks);
        l__Output.Publish(g__PCHAR__GrabDisc);
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::GrabDisc(): EXITing with success\n");
        return;
    }

    // A CD: the tracks of the first session (a descriptor describes one session).
    ULONG l__ULONG__SessionTracks = 0;
    while (l__ULONG__SessionTracks < l__ULONG__Tracks && l__Entries[l__ULONG__SessionTracks].m__UCHAR__SessionNumber <= 1)
        ++l__ULONG__SessionTracks;
    if (l__ULONG__SessionTracks == 0) l__ULONG__SessionTracks = 1;
    if (l__Toc->m__UCHAR__LastSessionNumber > 1) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::GrabDisc(): Disc has %ld sessions, copying the first session only\n",
                   static_cast<long>(l__Toc->m__UCHAR__LastSessionNumber));
    }
    const LONG l__LONG__First = l__Entries[0].m__LONG__StartLBA;
    const LONG l__LONG__LeadOut = l__Entries[l__ULONG__SessionTracks - 1].m__LONG__EndLBA + 1;

    const std::string l__string__Descriptor = DescriptorName(p__PCHAR__FileName);
    if (l__string__Descriptor == p__PCHAR__FileName) {
        CTarnwick_Exception::Raise(g__PCHAR__GrabDisc, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "CTarnwick_CdvdBurnerGrabber::GrabDisc(): Image '%s' would be its own descriptor!!!",
                                   p__PCHAR__FileName);
    }
    CTarnwick_GrabOutput l__Image(g__PCHAR__GrabDisc, p__PCHAR__FileName);
    CTarnwick_GrabOutput l__DescriptorFile(g__PCHAR__GrabDisc, l__string__Descriptor.c_str());
    PregapCounter l__Pregaps;
    const GRAB_READ l__Read{g__PCHAR__GrabDiscRaw, CTarnwick_RawSubchannel::RAW_PW_BLOCK_BYTES, FALSE, TRUE,
                            [&l__Pregaps](LONG, ULONG p__ULONG__Blocks, const UCHAR* p__PUCHAR__Data) {
                                l__Pregaps.See(p__ULONG__Blocks, p__PUCHAR__Data);
                            }};
    GrabBlocks(l__Read, l__Image, p__ULONG__ProgressInterval, 0, p__ULONG__RetryDepth, l__LONG__First, l__LONG__LeadOut - 1,
               p__BOOLEAN__IsIgnoreErrors, p__BOOLEAN__IsForceSingleBlocks);

    // Track 1's pre-gap lies before the image: the 150 blocks before LBA 0.
    std::vector<CTarnwick_MdsWriter::TRACK> l__Tracks;
    for (ULONG i = 0; i < l__ULONG__SessionTracks; ++i) {
        const TOC_TRACK_ENTRY& l__Entry = l__Entries[i];
        const UCHAR l__UCHAR__Control = static_cast<UCHAR>(l__Toc->m__UCHAR__TrackDescriptors[i][1] & 0x0F);
        l__Tracks.push_back({l__Entry.m__UCHAR__TrackNumber, l__UCHAR__Control, ModeOf(l__Entry), l__Entry.m__LONG__StartLBA,
                             i == 0 ? l__Entry.m__LONG__StartLBA + FIRST_PREGAP : l__Pregaps.Pregap(l__Entry.m__UCHAR__TrackNumber)});
    }
    const std::vector<UCHAR> l__Descriptor =
        CTarnwick_MdsWriter::Build(l__Tracks, l__LONG__LeadOut, BaseName(p__PCHAR__FileName));
    l__DescriptorFile.Write(g__PCHAR__GrabDisc, " MDS ", l__Descriptor.data(), static_cast<ULONG>(l__Descriptor.size()));
    l__Image.Publish(g__PCHAR__GrabDisc);
    l__DescriptorFile.Publish(g__PCHAR__GrabDisc);
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::GrabDisc(): EXITing with success\n");
}

void CTarnwick_CdvdBurnerGrabber::GrabDiscSplit(PCHAR p__PCHAR__FileName, ULONG p__ULONG__RetryDepth,
                                                BOOLEAN p__BOOLEAN__IsIgnoreErrors, BOOLEAN p__BOOLEAN__IsForceSingleBlocks,
                                                ULONG p__ULONG__ProgressInterval, ULONGLONG p__ULONGLONG__PartSize) {
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::GrabDiscSplit(): ENTERed for '%s', %lld\n",
               p__PCHAR__FileName != nullptr ? p__PCHAR__FileName : "(null)",
               static_cast<long long>(p__ULONGLONG__PartSize));
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    RaiseWithoutFileName(g__PCHAR__GrabDiscSplit, p__PCHAR__FileName);
    if (p__ULONGLONG__PartSize == 0 || p__ULONGLONG__PartSize % DVD_BLOCK_SIZE != 0) {
        CTarnwick_Exception::Raise(g__PCHAR__GrabDiscSplit, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "CTarnwick_CdvdBurnerGrabber::GrabDiscSplit(): Part size %lld is not a multiple of %ld!!!",
                                   static_cast<long long>(p__ULONGLONG__PartSize), static_cast<long>(DVD_BLOCK_SIZE));
    }
    auto l__Toc = std::make_unique<TOC_INFORMATION>();
    PrepareGrab(l__Toc.get());
    const ULONG l__ULONG__Tracks = std::min<ULONG>(l__Toc->m__UCHAR__NumberOfTracks, TOC_MAXIMUM_TRACKS);
    if (l__Toc->m__UCHAR__IsDVD == 0) {
        CTarnwick_Exception::Raise(g__PCHAR__GrabDiscSplit, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_MEDIA_OR_DATA,
                                   0, "CTarnwick_CdvdBurnerGrabber::GrabDiscSplit(): Only a DVD is split into parts!!!");
    }
    if (l__ULONG__Tracks == 0) {
        CTarnwick_Exception::Raise(g__PCHAR__GrabDiscSplit, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_NOT_FOUND, 0,
                                   "CTarnwick_CdvdBurnerGrabber::GrabDiscSplit(): The disc has no tracks!!!");
    }
    CTarnwick_GrabOutput l__Output(g__PCHAR__GrabDiscSplit, p__PCHAR__FileName, p__ULONGLONG__PartSize);
    const GRAB_READ l__Read{g__PCHAR__GrabDiscCooked, DVD_BLOCK_SIZE, TRUE, FALSE, {}};
    GrabBlocks(l__Read, l__Output, p__ULONG__ProgressInterval, 0, p__ULONG__RetryDepth,
               l__Toc->m__TOC_TRACK_ENTRY__Tracks[0].m__LONG__StartLBA,
               l__Toc->m__TOC_TRACK_ENTRY__Tracks[l__ULONG__Tracks - 1].m__LONG__EndLBA, p__BOOLEAN__IsIgnoreErrors,
               p__BOOLEAN__IsForceSingleBlocks);
    l__Output.Publish(g__PCHAR__GrabDiscSplit);
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::GrabDiscSplit(): EXITing with success, %ld parts\n",
               static_cast<long>(l__Output.PartCount()));
}
