#pragma once
// Where things stand in the data track of a VideoCD or Super VideoCD, shared by the template
// generator that lays the track out and by the data-track classes that patch it: the image
// is 600 sectors of 2,048 bytes, written as track 1 from LBA 0; the MPEG track follows as
// track 2, its first sector (index 1) at LBA 752 in both write modes (600 sectors, then two
// run-out blocks after a Track-At-Once data track or two extra pre-gap blocks written
// Session-At-Once, then the 150-block pre-gap).
#include "tarnwick_types.h"

namespace VideoCdLayout {

inline constexpr ULONG g__ULONG__SectorSize = 2048;
inline constexpr ULONG g__ULONG__Sectors = 600;
inline constexpr ULONG g__ULONG__ImageSize = g__ULONG__Sectors * g__ULONG__SectorSize;  // 1,228,800

// The primary volume descriptor and its two label fields.
inline constexpr ULONG g__ULONG__VolumeDescriptorSector = 16;
inline constexpr ULONG g__ULONG__VolumeIdOffset = 40;
inline constexpr ULONG g__ULONG__VolumeIdSize = 32;
inline constexpr ULONG g__ULONG__VolumeSetIdOffset = 190;
inline constexpr ULONG g__ULONG__VolumeSetIdSize = 128;

// The disc information file (INFO.VCD, INFO.SVD): album text and the two volume numbers
// (big-endian 16-bit: the count of discs in the album and this disc's number).
inline constexpr ULONG g__ULONG__InfoSector = 150;
inline constexpr ULONG g__ULONG__AlbumOffset = 10;
inline constexpr ULONG g__ULONG__AlbumSize = 16;
inline constexpr ULONG g__ULONG__VolumeCountOffset = 26;
inline constexpr ULONG g__ULONG__VolumeNumberOffset = 28;
// The first byte of the bit set that marks the MPEG tracks holding PAL video (bit 0: track 2).
inline constexpr ULONG g__ULONG__PalFlagsOffset = 30;
inline constexpr UCHAR g__UCHAR__FirstTrackPalFlag = 0x01;
// The entry points (ENTRIES.VCD, ENTRIES.SVD).
inline constexpr ULONG g__ULONG__EntriesSector = 151;

// The directory record of the MPEG file (MPEGAV/AVSEQ01.DAT, MPEG2/AVSEQ01.MPG): its
// byte offset in the image, and where its data length stands in it (both-endian).
inline constexpr ULONG g__ULONG__VideoCdMpegRecordOffset = 43104;       // sector 21, byte 96
inline constexpr ULONG g__ULONG__SuperVideoCdMpegRecordOffset = 41056;  // sector 20, byte 96
inline constexpr ULONG g__ULONG__RecordDataLengthOffset = 10;

// The MPEG track: 30 empty sectors, the stream's 2,324-byte payload blocks, 30 empty sectors.
inline constexpr ULONG g__ULONG__MpegTrackLba = 752;
inline constexpr ULONG g__ULONG__MpegMarginSectors = 30;
inline constexpr ULONG g__ULONG__MpegPayloadSize = 2324;
inline constexpr ULONG g__ULONG__MpegSectorSize = 2332;  // 8 bytes of sub-header, then the payload

// The sector the file ARCHIVE.dat fills.
inline constexpr ULONG g__ULONG__VideoCdArchiveSector = 245;
inline constexpr ULONG g__ULONG__SuperVideoCdArchiveSector = 210;

// The track list of the Super VideoCD (TRACKS.SVD) and the playing time of its one track
// (three BCD bytes at + 11).
inline constexpr ULONG g__ULONG__TracksSector = 211;
inline constexpr ULONG g__ULONG__TrackTimeOffset = 11;
// The stream information of that track, after its time: bit 4 of it marks PAL video.
inline constexpr ULONG g__ULONG__TrackStreamInfoOffset = 14;
inline constexpr UCHAR g__UCHAR__TrackPalVideo = 0x10;

}  // namespace VideoCdLayout
