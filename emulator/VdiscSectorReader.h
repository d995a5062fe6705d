#pragma once
#include <cstdint>

#include "VdiscStore.h"

// Rebuilds what a drive reads from a recorded sector: the 2048 user bytes of READ(10),
// or the raw sector with its sub-channel for READ CD, from whatever form the disc file
// stored it in. Raises the sense a drive gives for unwritten or unsuitable sectors.
class VdiscSectorReader {
public:
    // Sector types as READ CD numbers them.
    enum SectorType : uint8_t { ANY = 0, CDDA = 1, MODE1 = 2, MODE2 = 3, FORM1 = 4, FORM2 = 5 };

    struct RawSector {
        uint8_t m__UCHAR__Main[2352];
        uint8_t m__UCHAR__Sub[96];  // raw P-W
        bool m__bool__HasSubchannelRw = false;
        bool m__bool__HostEncoded = false;  // sync, header and EDC/ECC came from the host
        uint8_t m__UCHAR__Type = CDDA;
    };

    explicit VdiscSectorReader(const VdiscStore& p__Store) : m__Store(p__Store) {}

    // 2048 bytes of user data (DVD, Mode 1, Mode 2 Form 1).
    void ReadUser(int32_t p__LONG__Lba, uint8_t* p__PUCHAR__Out) const;
    // How many of the p__ULONG__Count sectors from the LBA on are stored one after the other as
    // 2048 bytes of user data in one extent (0 when the first is not), so that ReadUserRun
    // reads them with one file read instead of one a sector.
    uint32_t UserRunLength(int32_t p__LONG__Lba, uint32_t p__ULONG__Count) const;
    void ReadUserRun(int32_t p__LONG__Lba, uint32_t p__ULONG__Count, uint8_t* p__PUCHAR__Out) const;
    // The descrambled raw sector, its type and its P-W sub-channel.
    void ReadRaw(int32_t p__LONG__Lba, RawSector& p__Sector) const;
    // True when the sector holds data that ReadRaw can rebuild.
    bool IsRecorded(int32_t p__LONG__Lba) const;

    // READ CD of one sector: the fields that CDB bytes 9 and 10 select. Returns the bytes written.
    uint32_t ReadCd(int32_t p__LONG__Lba, uint8_t p__UCHAR__ExpectedType, uint8_t p__UCHAR__Flags, uint8_t p__UCHAR__Sub,
                    uint8_t* p__PUCHAR__Out) const;
    // Bytes per sector of a READ CD selection for a sector type (0: combination not allowed).
    // True when the EDC of a data sector matches its contents.
    static bool EdcOk(const RawSector& p__Sector);
    static uint32_t ReadCdSize(uint8_t p__UCHAR__Type, uint8_t p__UCHAR__Flags, uint8_t p__UCHAR__Sub);

private:
    [[noreturn]] void Unreadable(int32_t p__LONG__Lba) const;
    void Synthesize(int32_t p__LONG__Lba, RawSector& p__Sector) const;
    const VdiscStore& m__Store;
};
