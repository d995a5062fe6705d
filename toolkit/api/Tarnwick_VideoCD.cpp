// The VideoCD and Super VideoCD functions of the burner family: the data track made from a
// template and the MPEG track, written Track-At-Once or Session-At-Once.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_Exception.h"
#include "CTarnwick_FlatBoundary.h"
#include "CTarnwick_MPEG12Track.h"
#include "CTarnwick_Mode2Form1Tree.h"
#include "CTarnwick_Mode2Form2Tree.h"
#include "CTarnwick_SVCDDATATrack.h"
#include "CTarnwick_VCDDATATrack.h"
#include "PlatformFile.h"
#include "TarnwickI_Object.h"
#include "VideoCdLayout.h"
#include "tarnwick.h"

#ifndef TARNWICK_INSTALLED_DATA_DIR
#define TARNWICK_INSTALLED_DATA_DIR "/usr/local/share/tarnwick"
#endif

namespace {

constexpr ULONG WRITE_MODE_TRACK_AT_ONCE = 0;
constexpr ULONG WRITE_MODE_SESSION_AT_ONCE = 1;
constexpr ULONG CONTENT_DATA = 1;
constexpr ULONG CONTENT_MODE2_FORM2 = 3;
constexpr UCHAR SUBMODE_DATA = 0x08;
// The MPEG track starts two blocks after the 150-block pre-gap, where a Track-At-Once
// data track's two run-out blocks put it.
constexpr LONG MPEG_TRACK_EXTRA_PREGAP = 2;
// The MPEG track ends with its own 30 empty Form 2 sectors. Zero blocks after them would be
// read as part of the track, as sectors of no form, by a player looking for the stream's end.
constexpr LONG MPEG_TRACK_GAP_AFTER = 0;

// What one kind of disc is made of.
struct VIDEO_DISC_KIND {
    const char* m__PCHAR__TemplateName;
    ULONG m__ULONG__DirectoryRecordOffset;
    bool m__bool__IsSuper;
};
constexpr VIDEO_DISC_KIND VIDEO_CD = {TARNWICK_VIDEOCD_TEMPLATE, VideoCdLayout::g__ULONG__VideoCdMpegRecordOffset, false};
constexpr VIDEO_DISC_KIND SUPER_VIDEO_CD = {TARNWICK_SUPERVIDEOCD_TEMPLATE,
                                            VideoCdLayout::g__ULONG__SuperVideoCdMpegRecordOffset, true};

// The template: the current directory's when it is there, else the data directory's (the
// one TARNWICK_DATA_DIR names, or the installed one). A template found nowhere is named by
// its data directory path, so that the failure says where it was looked for last.
std::string TemplatePath(const char* p__PCHAR__Name) {
    if (PlatformFile::CanOpenRead(p__PCHAR__Name)) return p__PCHAR__Name;
    const char* l__PCHAR__Directory = std::getenv("TARNWICK_DATA_DIR");
    std::string l__string__Path =
        l__PCHAR__Directory != nullptr && l__PCHAR__Directory[0] != '\0' ? l__PCHAR__Directory : TARNWICK_INSTALLED_DATA_DIR;
    if (l__string__Path.back() != '/') l__string__Path.push_back('/');
    l__string__Path.append(p__PCHAR__Name);
    return l__string__Path;
}

// The two tracks of one disc, built before anything is written.
struct VideoDiscTracks {
    std::unique_ptr<CTarnwick_VCDDATATrack> m__Data;
    std::unique_ptr<CTarnwick_MPEG12Track> m__Mpeg;
};

VideoDiscTracks BuildTracks(const VIDEO_DISC_KIND& p__Kind, const char* p__PCHAR__Function, const char* p__PCHAR__MpegFileName,
                            const char* p__PCHAR__Label, USHORT p__USHORT__VolumeCount, USHORT p__USHORT__VolumeNumber) {
    if (p__PCHAR__MpegFileName == nullptr || p__PCHAR__Label == nullptr) {
        CTarnwick_Exception::Raise(p__PCHAR__Function, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "%s(): %s is NULL!!!", p__PCHAR__Function,
                                   p__PCHAR__MpegFileName == nullptr ? "p__PCHAR__MpegFileName" : "p__PCHAR__Label");
    }
    const std::string l__string__Template = TemplatePath(p__Kind.m__PCHAR__TemplateName);
    // An allocation that fails raises std::bad_alloc, which the flat boundary turns into the
    // out-of-memory number.
    VideoDiscTracks l__Tracks;
    if (p__Kind.m__bool__IsSuper) {
        l__Tracks.m__Data = std::make_unique<CTarnwick_SVCDDATATrack>(p__PCHAR__MpegFileName, p__PCHAR__Label,
                                                                      p__USHORT__VolumeCount, p__USHORT__VolumeNumber,
                                                                      l__string__Template.c_str(),
                                                                      p__Kind.m__ULONG__DirectoryRecordOffset);
    } else {
        l__Tracks.m__Data = std::make_unique<CTarnwick_VCDDATATrack>(p__PCHAR__MpegFileName, p__PCHAR__Label,
                                                                     p__USHORT__VolumeCount, p__USHORT__VolumeNumber,
                                                                     l__string__Template.c_str(),
                                                                     p__Kind.m__ULONG__DirectoryRecordOffset);
    }
    l__Tracks.m__Mpeg = std::make_unique<CTarnwick_MPEG12Track>(p__PCHAR__MpegFileName);
    return l__Tracks;
}

void WriteTrackAtOnce(CTarnwick_CdvdBurnerGrabber& p__Burner, VideoDiscTracks& p__Tracks, BOOLEAN p__BOOLEAN__IsTestWrite,
                      ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval) {
    p__Burner.TrackAtOnce(p__Tracks.m__Data.get(), 1, p__BOOLEAN__IsTestWrite, 1, p__ULONG__ProgressInterval,
                          p__ULONG__BufferStatusInterval, CONTENT_DATA, 0, 0, SUBMODE_DATA, 0);
    p__Burner.TrackAtOnce(p__Tracks.m__Mpeg.get(), 1, p__BOOLEAN__IsTestWrite, 0, p__ULONG__ProgressInterval,
                          p__ULONG__BufferStatusInterval, CONTENT_MODE2_FORM2, 0, 0, 0, 0);
}

// Both tracks in one session of 2336-byte Mode 2 blocks: the data track's 2048-byte sectors
// become Form 1 sectors, the MPEG track's 2332-byte sectors keep their sub-headers and get
// their EDC.
void WriteSessionAtOnce(CTarnwick_CdvdBurnerGrabber& p__Burner, VideoDiscTracks& p__Tracks, BOOLEAN p__BOOLEAN__IsTestWrite,
                        ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval) {
    const auto l__Data = std::make_unique<CTarnwick_Mode2Form1Tree>(
        static_cast<CTarnwick_EmptyBase*>(p__Tracks.m__Data.get()), p__Tracks.m__Data.get());
    const auto l__Mpeg = std::make_unique<CTarnwick_Mode2Form2Tree>(
        static_cast<CTarnwick_EmptyBase*>(p__Tracks.m__Mpeg.get()), p__Tracks.m__Mpeg.get());
    auto l__Session = std::make_unique<SESSION_DESCRIPTOR>();
    std::memset(l__Session.get(), 0, sizeof(SESSION_DESCRIPTOR));
    l__Session->m__ULONG__NumberOfTracks = 2;
    SESSION_TRACK_ENTRY& l__DataEntry = l__Session->m__SESSION_TRACK_ENTRY__Tracks[0];
    l__DataEntry.m__UCHAR__IsMode2 = 1;
    l__DataEntry.m__PVOID__Tree = static_cast<CTarnwick_EmptyBase*>(l__Data.get());
    SESSION_TRACK_ENTRY& l__MpegEntry = l__Session->m__SESSION_TRACK_ENTRY__Tracks[1];
    l__MpegEntry.m__UCHAR__IsMode2 = 1;
    l__MpegEntry.m__LONG__ExtraPregap = MPEG_TRACK_EXTRA_PREGAP;
    l__MpegEntry.m__LONG__GapAfter = MPEG_TRACK_GAP_AFTER;
    l__MpegEntry.m__PVOID__Tree = static_cast<CTarnwick_EmptyBase*>(l__Mpeg.get());
    p__Burner.SessionAtOnce(l__Session.get(), 1, p__BOOLEAN__IsTestWrite, 0, p__ULONG__ProgressInterval,
                            p__ULONG__BufferStatusInterval, 0);
}

ULONG BurnVideoDisc(const VIDEO_DISC_KIND& p__Kind, const char* p__PCHAR__Function, ULONG p__ULONG__WriteMode,
                    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
                    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
                    PCHAR p__PCHAR__MpegFileName, PCHAR p__PCHAR__Label, USHORT p__USHORT__VolumeCount,
                    USHORT p__USHORT__VolumeNumber, BOOLEAN p__BOOLEAN__IsTestWrite, ULONG p__ULONG__ProgressInterval,
                    ULONG p__ULONG__BufferStatusInterval) {
    if (p__ULONG__WriteMode != WRITE_MODE_TRACK_AT_ONCE && p__ULONG__WriteMode != WRITE_MODE_SESSION_AT_ONCE)
        return EXCEPTION_NUMBER_UNSUPPORTED_MODE;
    return CTarnwick_FlatBoundary::CallBurner(
        p__PCHAR__Function, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize, p__PULONG__SystemError,
        p__PCDB_FAILURE_INFORMATION__Info, [&] {
            CTarnwick_CdvdBurnerGrabber* l__Burner = TarnwickI_RequireObject<CTarnwick_CdvdBurnerGrabber>(
                p__PVOID__Burner, p__PCHAR__Function, "p__PVOID__Burner", "burner");
            VideoDiscTracks l__Tracks = BuildTracks(p__Kind, p__PCHAR__Function, p__PCHAR__MpegFileName, p__PCHAR__Label,
                                                    p__USHORT__VolumeCount, p__USHORT__VolumeNumber);
            if (p__ULONG__WriteMode == WRITE_MODE_TRACK_AT_ONCE) {
                WriteTrackAtOnce(*l__Burner, l__Tracks, p__BOOLEAN__IsTestWrite, p__ULONG__ProgressInterval,
                                 p__ULONG__BufferStatusInterval);
            } else {
                WriteSessionAtOnce(*l__Burner, l__Tracks, p__BOOLEAN__IsTestWrite,
                                   p__ULONG__ProgressInterval, p__ULONG__BufferStatusInterval);
            }
        });
}

}  // namespace

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromVideoCD(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
    PCHAR p__PCHAR__MpegFileName, PCHAR p__PCHAR__Label, USHORT p__USHORT__VolumeCount, USHORT p__USHORT__VolumeNumber,
    BOOLEAN p__BOOLEAN__IsTestWrite, ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval) {
    return BurnVideoDisc(VIDEO_CD, "Tarnwick:Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromVideoCD", WRITE_MODE_TRACK_AT_ONCE,
                         p__PVOID__Burner, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize, p__PULONG__SystemError,
                         p__PCDB_FAILURE_INFORMATION__Info, p__PCHAR__MpegFileName, p__PCHAR__Label, p__USHORT__VolumeCount,
                         p__USHORT__VolumeNumber, p__BOOLEAN__IsTestWrite, p__ULONG__ProgressInterval,
                         p__ULONG__BufferStatusInterval);
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromSuperVideoCD(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info,
    PCHAR p__PCHAR__MpegFileName, PCHAR p__PCHAR__Label, USHORT p__USHORT__VolumeCount, USHORT p__USHORT__VolumeNumber,
    BOOLEAN p__BOOLEAN__IsTestWrite, ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval) {
    return BurnVideoDisc(SUPER_VIDEO_CD, "Tarnwick:Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromSuperVideoCD",
                         WRITE_MODE_TRACK_AT_ONCE, p__PVOID__Burner, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                         p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info, p__PCHAR__MpegFileName, p__PCHAR__Label,
                         p__USHORT__VolumeCount, p__USHORT__VolumeNumber, p__BOOLEAN__IsTestWrite,
                         p__ULONG__ProgressInterval, p__ULONG__BufferStatusInterval);
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_VideoCD(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info, ULONG p__ULONG__WriteMode,
    PCHAR p__PCHAR__MpegFileName, PCHAR p__PCHAR__Label, USHORT p__USHORT__VolumeCount, USHORT p__USHORT__VolumeNumber,
    BOOLEAN p__BOOLEAN__IsTestWrite, ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval) {
    return BurnVideoDisc(VIDEO_CD, "Tarnwick:Tarnwick_CdvdBurnerGrabber_VideoCD", p__ULONG__WriteMode, p__PVOID__Burner,
                         p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize, p__PULONG__SystemError,
                         p__PCDB_FAILURE_INFORMATION__Info, p__PCHAR__MpegFileName, p__PCHAR__Label, p__USHORT__VolumeCount,
                         p__USHORT__VolumeNumber, p__BOOLEAN__IsTestWrite, p__ULONG__ProgressInterval,
                         p__ULONG__BufferStatusInterval);
}

extern "C" ULONG Tarnwick_CdvdBurnerGrabber_SuperVideoCD(
    PVOID p__PVOID__Burner, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
    PULONG p__PULONG__SystemError, PCDB_FAILURE_INFORMATION p__PCDB_FAILURE_INFORMATION__Info, ULONG p__ULONG__WriteMode,
    PCHAR p__PCHAR__MpegFileName, PCHAR p__PCHAR__Label, USHORT p__USHORT__VolumeCount, USHORT p__USHORT__VolumeNumber,
    BOOLEAN p__BOOLEAN__IsTestWrite, ULONG p__ULONG__ProgressInterval, ULONG p__ULONG__BufferStatusInterval) {
    return BurnVideoDisc(SUPER_VIDEO_CD, "Tarnwick:Tarnwick_CdvdBurnerGrabber_SuperVideoCD", p__ULONG__WriteMode,
                         p__PVOID__Burner, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize, p__PULONG__SystemError,
                         p__PCDB_FAILURE_INFORMATION__Info, p__PCHAR__MpegFileName, p__PCHAR__Label, p__USHORT__VolumeCount,
                         p__USHORT__VolumeNumber, p__BOOLEAN__IsTestWrite, p__ULONG__ProgressInterval,
                         p__ULONG__BufferStatusInterval);
}
