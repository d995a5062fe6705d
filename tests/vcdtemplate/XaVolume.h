#pragma once
// A reader of the ISO9660 tree of a VideoCD data track, written for the tests apart from the
// generator: it walks the directories from the primary volume descriptor and keeps every
// directory record with where it stands in the image and its CD-XA system-use field. The
// sectors come from a function, so that a template (2,048-byte sectors) and a raw BIN
// image (2,352-byte sectors) read alike.
#include <functional>
#include <string>
#include <vector>

#include "tarnwick_types.h"

struct XaRecord {
    std::string m__string__Path;  // "/MPEGAV/AVSEQ01.DAT;1"; "." and ".." as "/MPEGAV/." and "/MPEGAV/.."
    ULONG m__ULONG__ImageOffset = 0;  // LBA x 2048 + its place in the sector
    ULONG m__ULONG__Length = 0;
    ULONG m__ULONG__Lba = 0;
    ULONG m__ULONG__Size = 0;
    bool m__bool__BothEndianAgree = false;  // extent and size equal in both byte orders
    UCHAR m__UCHAR__Flags = 0;
    UCHAR m__UCHAR__UnitSize = 0;
    UCHAR m__UCHAR__Gap = 0;
    ULONG m__ULONG__VolumeSequence = 0;
    // The system-use field after the identifier (and its pad byte).
    std::vector<UCHAR> m__SystemUse;
};

class XaVolume {
public:
    // Returns the 2,048 bytes of user data of a sector, or an empty vector past the end.
    using SectorReader = std::function<std::vector<UCHAR>(ULONG)>;

    explicit XaVolume(SectorReader p__Reader) : m__Reader(std::move(p__Reader)) {}

    // Reads the tree; false with a reason when a sector is missing or a record is malformed.
    bool Load(std::string& p__string__Error);

    std::vector<UCHAR> Sector(ULONG p__ULONG__Lba) const { return m__Reader(p__ULONG__Lba); }
    const std::vector<XaRecord>& Records() const { return m__Records; }
    // The record of PATH, or nullptr.
    const XaRecord* Find(const std::string& p__string__Path) const;

    // The reader of a flat image of 2,048-byte sectors and of a raw image of 2,352-byte
    // Mode 2 sectors (user data of a Form 1 sector at byte 24).
    static SectorReader FlatImage(const std::vector<UCHAR>* p__Image);
    static SectorReader RawImage(const std::vector<UCHAR>* p__Image);

private:
    bool Walk(ULONG p__ULONG__Lba, ULONG p__ULONG__Size, const std::string& p__string__Path, int p__int__Depth,
              std::string& p__string__Error);

    SectorReader m__Reader;
    std::vector<XaRecord> m__Records;
};

// The whole contents of a file (empty when it cannot be read).
std::vector<UCHAR> ReadWholeFile(const std::string& p__string__Path);
