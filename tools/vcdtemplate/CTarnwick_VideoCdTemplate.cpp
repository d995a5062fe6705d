#include "CTarnwick_VideoCdTemplate.h"

#include <cstdio>
#include <cstring>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdAddress.h"
#include "VideoCdLayout.h"

namespace {

using namespace VideoCdLayout;

// The CD-XA attributes (big-endian in the system-use field): read and execute for owner,
// group and world (0x0555), plus the kind of sectors the file's data lies in: Mode 2 Form 1
// (0x0800) for directories (0x8000) and control files, Mode 2 Form 2 (0x1000) for the MPEG
// stream.
constexpr USHORT g__USHORT__DirectoryAttributes = 0x8D55;
constexpr USHORT g__USHORT__Form1Attributes = 0x0D55;
constexpr USHORT g__USHORT__Form2Attributes = 0x1555;

// The sectors after the volume descriptors: the directories, one sector each, from 18 on,
// then the two path tables. The MPEG directory must land on the sector VideoCdLayout.h
// names, which the order of the root's subdirectories (CDI, EXT, MPEGAV, ... for a VideoCD;
// EXT, MPEG2, ... for a Super VideoCD) gives.
constexpr ULONG g__ULONG__RootLba = 18;

// The fixed date of every record and of the volume: the template is the same at every build.
constexpr UCHAR g__UCHAR__RecordDate[7] = {100, 1, 1, 0, 0, 0, 0};  // 2000-01-01 00:00:00 GMT
const char* const g__PCHAR__VolumeDate = "2000010100000000";
const char* const g__PCHAR__NoDate = "0000000000000000";

// The MPEG file as the template holds it: the 60 empty sectors around an empty stream.
constexpr ULONG g__ULONG__MpegTemplateSize = 2 * g__ULONG__MpegMarginSectors * g__ULONG__SectorSize;

// The scan point list of a Super VideoCD (SEARCH.DAT), which players need to find: its
// points depend on the stream, so the template's list is empty (its 13-byte header). It
// stands right after the entry points; the 58 free sectors up to the archive sector hold a
// list of about 19,800 points should the toolkit ever write the stream's.
constexpr ULONG g__ULONG__SearchSector = g__ULONG__EntriesSector + 1;
constexpr ULONG g__ULONG__SearchSize = 13;

// The stream information of the one track in TRACKS.SVD: the value for an NTSC stream of
// motion video with one audio stream (a PAL stream has bit 4 set as well).
constexpr UCHAR g__UCHAR__TrackStreamInfo = 0x0D;

// Copies p__PCHAR__Text into a field of p__ULONG__Size bytes padded with spaces.
void PutText(PUCHAR p__PUCHAR__At, ULONG p__ULONG__Size, const char* p__PCHAR__Text) {
    std::memset(p__PUCHAR__At, ' ', p__ULONG__Size);
    const size_t l__SIZE__Length = std::strlen(p__PCHAR__Text);
    std::memcpy(p__PUCHAR__At, p__PCHAR__Text, l__SIZE__Length < p__ULONG__Size ? l__SIZE__Length : p__ULONG__Size);
}

// A volume date: 16 digits and the offset from GMT (0).
void PutVolumeDate(PUCHAR p__PUCHAR__At, const char* p__PCHAR__Digits) {
    std::memcpy(p__PUCHAR__At, p__PCHAR__Digits, 16);
    p__PUCHAR__At[16] = 0;
}

}  // namespace

std::vector<CTarnwick_VideoCdTemplate::Directory> CTarnwick_VideoCdTemplate::Tree(Kind p__Kind) {
    const bool l__bool__Super = p__Kind == Kind::SuperVideoCd;
    const ULONG l__ULONG__Archive = l__bool__Super ? g__ULONG__SuperVideoCdArchiveSector : g__ULONG__VideoCdArchiveSector;
    std::vector<Directory> l__Tree;
    // The root: the archive file, then the subdirectories in the order of their names.
    l__Tree.push_back({"", g__ULONG__RootLba, {{"ARCHIVE.DAT;1", l__ULONG__Archive, g__ULONG__SectorSize, false,
                                                g__USHORT__Form1Attributes, 0}}});
    std::vector<const char*> l__Names;
    if (l__bool__Super) {
        l__Names = {"EXT", "MPEG2", "SEGMENT", "SVCD"};
    } else {
        // CD-i players look for their application under CDI; the directory stays empty.
        l__Names = {"CDI", "EXT", "MPEGAV", "SEGMENT", "VCD"};
    }
    ULONG l__ULONG__Lba = g__ULONG__RootLba + 1;
    for (const char* l__PCHAR__Name : l__Names) {
        l__Tree[0].m__Entries.push_back({l__PCHAR__Name, l__ULONG__Lba, g__ULONG__SectorSize, true,
                                         g__USHORT__DirectoryAttributes, 0});
        l__Tree.push_back({l__PCHAR__Name, l__ULONG__Lba, {}});
        ++l__ULONG__Lba;
    }
    for (Directory& l__Directory : l__Tree) {
        const std::string l__string__Name = l__Directory.m__PCHAR__Name;
        if (l__string__Name == "MPEGAV") {
            // The stream of a VideoCD is CD-XA file number 1, that of a Super VideoCD 0.
            l__Directory.m__Entries.push_back({"AVSEQ01.DAT;1", g__ULONG__MpegTrackLba, g__ULONG__MpegTemplateSize,
                                               false, g__USHORT__Form2Attributes, 1});
        } else if (l__string__Name == "MPEG2") {
            l__Directory.m__Entries.push_back({"AVSEQ01.MPG;1", g__ULONG__MpegTrackLba, g__ULONG__MpegTemplateSize,
                                               false, g__USHORT__Form2Attributes, 0});
        } else if (l__string__Name == "VCD") {
            l__Directory.m__Entries.push_back({"ENTRIES.VCD;1", g__ULONG__EntriesSector, g__ULONG__SectorSize, false,
                                               g__USHORT__Form1Attributes, 0});
            l__Directory.m__Entries.push_back({"INFO.VCD;1", g__ULONG__InfoSector, g__ULONG__SectorSize, false,
                                               g__USHORT__Form1Attributes, 0});
        } else if (l__string__Name == "SVCD") {
            l__Directory.m__Entries.push_back({"ENTRIES.SVD;1", g__ULONG__EntriesSector, g__ULONG__SectorSize, false,
                                               g__USHORT__Form1Attributes, 0});
            l__Directory.m__Entries.push_back({"INFO.SVD;1", g__ULONG__InfoSector, g__ULONG__SectorSize, false,
                                               g__USHORT__Form1Attributes, 0});
            l__Directory.m__Entries.push_back({"SEARCH.DAT;1", g__ULONG__SearchSector, g__ULONG__SearchSize, false,
                                               g__USHORT__Form1Attributes, 0});
            l__Directory.m__Entries.push_back({"TRACKS.SVD;1", g__ULONG__TracksSector, g__ULONG__SectorSize, false,
                                               g__USHORT__Form1Attributes, 0});
        }
    }
    return l__Tree;
}

CTarnwick_VideoCdTemplate::CTarnwick_VideoCdTemplate(Kind p__Kind)
    : m__Kind(p__Kind), m__Image(g__ULONG__ImageSize, 0), m__Directories(Tree(p__Kind)) {
    m__ULONG__PathTableLba = m__Directories.back().m__ULONG__Lba + 1;
    PutDirectories();
    PutPathTables();
    PutVolumeDescriptors();
    PutInfo();
    PutEntries();
    if (m__Kind == Kind::SuperVideoCd) {
        PutTracks();
        PutSearch();
    }
}

ULONG CTarnwick_VideoCdTemplate::PutRecord(PUCHAR p__PUCHAR__At, const UCHAR* p__PUCHAR__Identifier,
                                           ULONG p__ULONG__IdentifierLength, ULONG p__ULONG__Lba, ULONG p__ULONG__Size,
                                           bool p__bool__Directory, USHORT p__USHORT__Attributes,
                                           UCHAR p__UCHAR__FileNumber, bool p__bool__Extended) {
    // 33 bytes of fixed fields, the identifier, a pad byte that makes the length even.
    ULONG l__ULONG__Length = 33 + p__ULONG__IdentifierLength;
    l__ULONG__Length += l__ULONG__Length & 1;
    const ULONG l__ULONG__SystemUse = l__ULONG__Length;
    if (p__bool__Extended) l__ULONG__Length += 14;
    std::memset(p__PUCHAR__At, 0, l__ULONG__Length);
    p__PUCHAR__At[0] = static_cast<UCHAR>(l__ULONG__Length);
    CTarnwick_Bytes::PutBothEndian32(p__PUCHAR__At + 2, p__ULONG__Lba);
    CTarnwick_Bytes::PutBothEndian32(p__PUCHAR__At + 10, p__ULONG__Size);
    std::memcpy(p__PUCHAR__At + 18, g__UCHAR__RecordDate, sizeof(g__UCHAR__RecordDate));
    p__PUCHAR__At[25] = p__bool__Directory ? 0x02 : 0x00;
    CTarnwick_Bytes::PutBothEndian16(p__PUCHAR__At + 28, 1);  // volume sequence number
    p__PUCHAR__At[32] = static_cast<UCHAR>(p__ULONG__IdentifierLength);
    std::memcpy(p__PUCHAR__At + 33, p__PUCHAR__Identifier, p__ULONG__IdentifierLength);
    if (p__bool__Extended) {
        // Owner group and user 0, the attributes, the signature "XA", the file number.
        PUCHAR l__PUCHAR__Xa = p__PUCHAR__At + l__ULONG__SystemUse;
        CTarnwick_Bytes::PutBigEndian16(l__PUCHAR__Xa + 4, p__USHORT__Attributes);
        l__PUCHAR__Xa[6] = 'X';
        l__PUCHAR__Xa[7] = 'A';
        l__PUCHAR__Xa[8] = p__UCHAR__FileNumber;
    }
    return l__ULONG__Length;
}

void CTarnwick_VideoCdTemplate::PutDirectories() {
    const ULONG l__ULONG__Root = m__Directories[0].m__ULONG__Lba;
    for (const Directory& l__Directory : m__Directories) {
        PUCHAR l__PUCHAR__At = Sector(l__Directory.m__ULONG__Lba);
        const UCHAR l__UCHAR__Self = 0x00;
        const UCHAR l__UCHAR__Parent = 0x01;
        l__PUCHAR__At += PutRecord(l__PUCHAR__At, &l__UCHAR__Self, 1, l__Directory.m__ULONG__Lba, g__ULONG__SectorSize,
                                   true, g__USHORT__DirectoryAttributes, 0, true);
        l__PUCHAR__At += PutRecord(l__PUCHAR__At, &l__UCHAR__Parent, 1, l__ULONG__Root, g__ULONG__SectorSize, true,
                                   g__USHORT__DirectoryAttributes, 0, true);
        for (const Entry& l__Entry : l__Directory.m__Entries) {
            l__PUCHAR__At += PutRecord(l__PUCHAR__At, reinterpret_cast<const UCHAR*>(l__Entry.m__PCHAR__Name),
                                       static_cast<ULONG>(std::strlen(l__Entry.m__PCHAR__Name)), l__Entry.m__ULONG__Lba,
                                       l__Entry.m__ULONG__Size, l__Entry.m__bool__Directory,
                                       l__Entry.m__USHORT__Attributes, l__Entry.m__UCHAR__FileNumber, true);
        }
    }
}

void CTarnwick_VideoCdTemplate::PutPathTables() {
    // The root (number 1, its own parent), then its subdirectories in the order of their
    // names, each with the root as parent: the little-endian table in one sector, the
    // big-endian one in the next.
    PUCHAR l__PUCHAR__Little = Sector(m__ULONG__PathTableLba);
    PUCHAR l__PUCHAR__Big = Sector(m__ULONG__PathTableLba + 1);
    ULONG l__ULONG__At = 0;
    for (const Directory& l__Directory : m__Directories) {
        const bool l__bool__Root = l__Directory.m__PCHAR__Name[0] == '\0';
        const ULONG l__ULONG__NameLength = l__bool__Root ? 1 : static_cast<ULONG>(std::strlen(l__Directory.m__PCHAR__Name));
        for (PUCHAR l__PUCHAR__Table : {l__PUCHAR__Little, l__PUCHAR__Big}) {
            PUCHAR l__PUCHAR__Entry = l__PUCHAR__Table + l__ULONG__At;
            l__PUCHAR__Entry[0] = static_cast<UCHAR>(l__ULONG__NameLength);
            if (!l__bool__Root) std::memcpy(l__PUCHAR__Entry + 8, l__Directory.m__PCHAR__Name, l__ULONG__NameLength);
        }
        CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__Little + l__ULONG__At + 2, l__Directory.m__ULONG__Lba);
        CTarnwick_Bytes::PutLittleEndian16(l__PUCHAR__Little + l__ULONG__At + 6, 1);
        CTarnwick_Bytes::PutBigEndian32(l__PUCHAR__Big + l__ULONG__At + 2, l__Directory.m__ULONG__Lba);
        CTarnwick_Bytes::PutBigEndian16(l__PUCHAR__Big + l__ULONG__At + 6, 1);
        l__ULONG__At += 8 + l__ULONG__NameLength + (l__ULONG__NameLength & 1);
    }
    m__ULONG__PathTableSize = l__ULONG__At;
}

void CTarnwick_VideoCdTemplate::PutVolumeDescriptors() {
    PUCHAR l__PUCHAR__Pvd = Sector(g__ULONG__VolumeDescriptorSector);
    l__PUCHAR__Pvd[0] = 1;
    std::memcpy(l__PUCHAR__Pvd + 1, "CD001", 5);
    l__PUCHAR__Pvd[6] = 1;
    PutText(l__PUCHAR__Pvd + 8, 32, "CD-RTOS CD-BRIDGE");
    // The toolkit replaces both labels with the user's.
    PutText(l__PUCHAR__Pvd + g__ULONG__VolumeIdOffset, g__ULONG__VolumeIdSize,
            m__Kind == Kind::SuperVideoCd ? "SUPERVCD" : "VIDEOCD");
    PutText(l__PUCHAR__Pvd + g__ULONG__VolumeSetIdOffset, g__ULONG__VolumeSetIdSize, "");
    CTarnwick_Bytes::PutBothEndian32(l__PUCHAR__Pvd + 80, g__ULONG__Sectors);
    CTarnwick_Bytes::PutBothEndian16(l__PUCHAR__Pvd + 120, 1);  // volume set size
    CTarnwick_Bytes::PutBothEndian16(l__PUCHAR__Pvd + 124, 1);  // volume sequence number
    CTarnwick_Bytes::PutBothEndian16(l__PUCHAR__Pvd + 128, g__ULONG__SectorSize);
    CTarnwick_Bytes::PutBothEndian32(l__PUCHAR__Pvd + 132, m__ULONG__PathTableSize);
    CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__Pvd + 140, m__ULONG__PathTableLba);
    CTarnwick_Bytes::PutBigEndian32(l__PUCHAR__Pvd + 148, m__ULONG__PathTableLba + 1);
    // The root's record, without the system-use field.
    const UCHAR l__UCHAR__Self = 0x00;
    PutRecord(l__PUCHAR__Pvd + 156, &l__UCHAR__Self, 1, m__Directories[0].m__ULONG__Lba, g__ULONG__SectorSize, true, 0, 0,
              false);
    PutText(l__PUCHAR__Pvd + 318, 128, "");  // publisher
    PutText(l__PUCHAR__Pvd + 446, 128, "TARNWICK");  // data preparer
    PutText(l__PUCHAR__Pvd + 574, 128, "");  // application
    PutText(l__PUCHAR__Pvd + 702, 37, "");   // copyright file
    PutText(l__PUCHAR__Pvd + 739, 37, "");   // abstract file
    PutText(l__PUCHAR__Pvd + 776, 37, "");   // bibliographic file
    PutVolumeDate(l__PUCHAR__Pvd + 813, g__PCHAR__VolumeDate);  // creation
    PutVolumeDate(l__PUCHAR__Pvd + 830, g__PCHAR__VolumeDate);  // modification
    PutVolumeDate(l__PUCHAR__Pvd + 847, g__PCHAR__NoDate);      // expiration
    PutVolumeDate(l__PUCHAR__Pvd + 864, g__PCHAR__NoDate);      // effective
    l__PUCHAR__Pvd[881] = 1;  // file structure version
    // CD-XA marks the volume in the application use area.
    std::memcpy(l__PUCHAR__Pvd + 1024, "CD-XA001", 8);

    PUCHAR l__PUCHAR__Terminator = Sector(g__ULONG__VolumeDescriptorSector + 1);
    l__PUCHAR__Terminator[0] = 255;
    std::memcpy(l__PUCHAR__Terminator + 1, "CD001", 5);
    l__PUCHAR__Terminator[6] = 1;
}

void CTarnwick_VideoCdTemplate::PutInfo() {
    PUCHAR l__PUCHAR__Info = Sector(g__ULONG__InfoSector);
    const bool l__bool__Super = m__Kind == Kind::SuperVideoCd;
    std::memcpy(l__PUCHAR__Info, l__bool__Super ? "SUPERVCD" : "VIDEO_CD", 8);
    l__PUCHAR__Info[8] = l__bool__Super ? 1 : 2;  // version
    l__PUCHAR__Info[9] = 0;                       // system profile tag
    // The album text, padded with spaces; the toolkit copies the label over its start.
    PutText(l__PUCHAR__Info + g__ULONG__AlbumOffset, g__ULONG__AlbumSize, "");
    CTarnwick_Bytes::PutBigEndian16(l__PUCHAR__Info + g__ULONG__VolumeCountOffset, 1);
    CTarnwick_Bytes::PutBigEndian16(l__PUCHAR__Info + g__ULONG__VolumeNumberOffset, 1);
    // Everything after stays zero: no PAL tracks, no flags, no playback control (list
    // size, offset multiplier and largest list id 0), no segments.
}

void CTarnwick_VideoCdTemplate::PutEntries() {
    PUCHAR l__PUCHAR__Entries = Sector(g__ULONG__EntriesSector);
    std::memcpy(l__PUCHAR__Entries, "ENTRYVCD", 8);
    l__PUCHAR__Entries[8] = m__Kind == Kind::SuperVideoCd ? 1 : 2;  // version
    l__PUCHAR__Entries[9] = 0;                                      // system profile tag
    CTarnwick_Bytes::PutBigEndian16(l__PUCHAR__Entries + 10, 1);
    // The one entry point: track 2 (BCD) from its first sector on.
    l__PUCHAR__Entries[12] = CTarnwick_CdAddress::ToBcd(2);
    CTarnwick_CdAddress::LbaToMsfBcd(static_cast<LONG>(g__ULONG__MpegTrackLba), l__PUCHAR__Entries + 13);
}

void CTarnwick_VideoCdTemplate::PutTracks() {
    PUCHAR l__PUCHAR__Tracks = Sector(g__ULONG__TracksSector);
    std::memcpy(l__PUCHAR__Tracks, "TRACKSVD", 8);
    l__PUCHAR__Tracks[8] = 1;   // version
    l__PUCHAR__Tracks[9] = 0;   // reserved
    l__PUCHAR__Tracks[10] = 1;  // tracks
    // The playing time (three BCD bytes) stays zero until the toolkit knows the stream; the
    // stream information of the track follows the list of times.
    l__PUCHAR__Tracks[g__ULONG__TrackStreamInfoOffset] = g__UCHAR__TrackStreamInfo;
}

void CTarnwick_VideoCdTemplate::PutSearch() {
    PUCHAR l__PUCHAR__Search = Sector(g__ULONG__SearchSector);
    std::memcpy(l__PUCHAR__Search, "SEARCHSV", 8);
    l__PUCHAR__Search[8] = 1;  // version
    l__PUCHAR__Search[9] = 0;  // reserved
    CTarnwick_Bytes::PutBigEndian16(l__PUCHAR__Search + 10, 0);  // no scan points
    l__PUCHAR__Search[12] = 1;  // one point every half second
}

std::string CTarnwick_VideoCdTemplate::DescribeLayout(Kind p__Kind) {
    const bool l__bool__Super = p__Kind == Kind::SuperVideoCd;
    const std::vector<Directory> l__Tree = Tree(p__Kind);
    std::string l__string__Table;
    char l__CHAR__Line[160];
    auto l__Row = [&](ULONG p__ULONG__Sector, const std::string& p__string__What, const char* p__PCHAR__Patched) {
        std::snprintf(l__CHAR__Line, sizeof(l__CHAR__Line), "  %6lu  %-28s %s\n",
                      static_cast<unsigned long>(p__ULONG__Sector), p__string__What.c_str(), p__PCHAR__Patched);
        l__string__Table.append(l__CHAR__Line);
    };
    l__Row(g__ULONG__VolumeDescriptorSector, "primary volume descriptor",
           "volume id (+40, 32 bytes), volume set id (+190, 128 bytes): zeroed, then the label");
    l__Row(g__ULONG__VolumeDescriptorSector + 1, "volume descriptor terminator", "-");
    const char* l__PCHAR__MpegDirectory = l__bool__Super ? "MPEG2" : "MPEGAV";
    for (const Directory& l__Directory : l__Tree) {
        std::string l__string__What = "directory /";
        l__string__What.append(l__Directory.m__PCHAR__Name);
        const bool l__bool__Mpeg = std::strcmp(l__Directory.m__PCHAR__Name, l__PCHAR__MpegDirectory) == 0;
        l__Row(l__Directory.m__ULONG__Lba, l__string__What,
               l__bool__Mpeg ? "data length of the AVSEQ01 record (byte 96, +10 both-endian): (n + 60) x 2048"
                             : "-");
    }
    l__Row(l__Tree.back().m__ULONG__Lba + 1, "path table, little-endian", "-");
    l__Row(l__Tree.back().m__ULONG__Lba + 2, "path table, big-endian", "-");
    l__Row(g__ULONG__InfoSector, l__bool__Super ? "/SVCD/INFO.SVD" : "/VCD/INFO.VCD",
           "album (+10, up to 16 bytes over spaces): the label; volume count (+26), number (+28); "
           "bit 0 of +30 set for a PAL stream");
    UCHAR l__UCHAR__Msf[3];
    CTarnwick_CdAddress::LbaToMsf(static_cast<LONG>(g__ULONG__MpegTrackLba), l__UCHAR__Msf);
    char l__CHAR__Entry[64];
    std::snprintf(l__CHAR__Entry, sizeof(l__CHAR__Entry), "- (one entry: track 2 at %02u:%02u:%02u)", l__UCHAR__Msf[0],
                  l__UCHAR__Msf[1], l__UCHAR__Msf[2]);
    l__Row(g__ULONG__EntriesSector, l__bool__Super ? "/SVCD/ENTRIES.SVD" : "/VCD/ENTRIES.VCD", l__CHAR__Entry);
    if (l__bool__Super) {
        l__Row(g__ULONG__SearchSector, "/SVCD/SEARCH.DAT", "- (no scan points)");
        l__Row(g__ULONG__SuperVideoCdArchiveSector, "/ARCHIVE.DAT", "up to 2,048 bytes of ARCHIVE.dat");
        l__Row(g__ULONG__TracksSector, "/SVCD/TRACKS.SVD",
               "playing time of track 2 (+11, 3 BCD bytes); bit 4 of +14 set for a PAL stream");
        l__Row(g__ULONG__VideoCdArchiveSector, "(no file)", "up to 2,048 bytes of ARCHIVE.dat as well");
    } else {
        l__Row(g__ULONG__VideoCdArchiveSector, "/ARCHIVE.DAT", "up to 2,048 bytes of ARCHIVE.dat");
    }
    l__Row(g__ULONG__MpegTrackLba, l__bool__Super ? "/MPEG2/AVSEQ01.MPG" : "/MPEGAV/AVSEQ01.DAT",
           "(track 2: 30 empty sectors, the n MPEG sectors, 30 empty sectors)");
    return l__string__Table;
}
