#pragma once
// The data track (track 1) of a VideoCD 2.0 or a Super VideoCD 1.0, built in memory as the
// 600 sectors of 2,048 bytes that the toolkit loads and patches when it burns such a disc:
// an ISO9660 volume with CD-XA records holding the disc's control files, the directory
// record of the MPEG file (whose data is track 2) and one sector that the toolkit fills
// from the user's ARCHIVE.dat. Where things stand is fixed by VideoCdLayout.h.
#include <string>
#include <vector>

#include "tarnwick_types.h"

class CTarnwick_VideoCdTemplate {
public:
    enum class Kind { VideoCd, SuperVideoCd };

    // Lays the whole track out for p__Kind.
    explicit CTarnwick_VideoCdTemplate(Kind p__Kind);

    // The 1,228,800 bytes of the track.
    const std::vector<UCHAR>& GetImage() const { return m__Image; }

    // A table of the sectors of the track for p__Kind: sector, file, what the toolkit patches.
    static std::string DescribeLayout(Kind p__Kind);

private:
    // One entry of a directory: a subdirectory (its extent is one sector) or a file.
    struct Entry {
        const char* m__PCHAR__Name;
        ULONG m__ULONG__Lba;
        ULONG m__ULONG__Size;
        bool m__bool__Directory;
        USHORT m__USHORT__Attributes;  // the CD-XA attributes
        UCHAR m__UCHAR__FileNumber;    // the CD-XA file number
    };
    // A directory and the entries it holds, in the order of their identifiers.
    struct Directory {
        const char* m__PCHAR__Name;  // "" for the root
        ULONG m__ULONG__Lba;
        std::vector<Entry> m__Entries;
    };

    // The directories of p__Kind with their extents and entries.
    static std::vector<Directory> Tree(Kind p__Kind);
    PUCHAR Sector(ULONG p__ULONG__Lba) { return m__Image.data() + p__ULONG__Lba * 2048; }
    // Writes a directory record at p__PUCHAR__At and returns its length; with
    // p__bool__Extended the 14-byte CD-XA system-use field follows the identifier.
    static ULONG PutRecord(PUCHAR p__PUCHAR__At, const UCHAR* p__PUCHAR__Identifier, ULONG p__ULONG__IdentifierLength,
                           ULONG p__ULONG__Lba, ULONG p__ULONG__Size, bool p__bool__Directory,
                           USHORT p__USHORT__Attributes, UCHAR p__UCHAR__FileNumber, bool p__bool__Extended);
    void PutDirectories();
    void PutPathTables();
    void PutVolumeDescriptors();
    void PutInfo();
    void PutEntries();
    void PutTracks();
    void PutSearch();

    Kind m__Kind;
    std::vector<UCHAR> m__Image;
    std::vector<Directory> m__Directories;  // the root first, then its subdirectories in order
    ULONG m__ULONG__PathTableLba = 0;       // the little-endian table; the big-endian one follows
    ULONG m__ULONG__PathTableSize = 0;
};
