// Reading the table of contents of the inserted disc into a TOC_INFORMATION record, and
// probing which kinds of READ CD the drive accepts.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdAddress.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "DebugPrint.h"

namespace {

constexpr ULONG FULL_TOC_BUFFER_SIZE = 16384;
constexpr ULONG FULL_TOC_HEADER_SIZE = 4;
// The data length counts the two bytes of first and last session after itself.
constexpr ULONG FULL_TOC_MINIMUM_LENGTH = 6;
constexpr ULONG READ_BUFFER_SIZE = 4096;
constexpr ULONG DVD_BLOCK_SIZE = 2048;
constexpr ULONG PVD_LBA = 16;
constexpr UCHAR POINT_LEAD_OUT = 0xA2;
constexpr UCHAR POINT_LAST_TRACK = 100;
// READ DISC INFORMATION up to the last-track field's high byte, and READ TRACK INFORMATION
// up to the track number's high byte.
constexpr ULONG DISC_INFORMATION_SIZE = 34;
constexpr ULONG TRACK_INFORMATION_SIZE = 36;

// The fields of one 11-byte full TOC descriptor.
enum DESCRIPTOR_FIELD : ULONG {
    DESCRIPTOR_SESSION = 0,
    DESCRIPTOR_ADR_CONTROL = 1,
    DESCRIPTOR_TNO = 2,
    DESCRIPTOR_POINT = 3,
    DESCRIPTOR_MIN = 4,
    DESCRIPTOR_SEC = 5,
    DESCRIPTOR_FRAME = 6,
    DESCRIPTOR_ZERO = 7,
    DESCRIPTOR_PMIN = 8,
    DESCRIPTOR_PSEC = 9,
    DESCRIPTOR_PFRAME = 10
};

LONG PointAddress(const UCHAR* p__PUCHAR__Descriptor) {
    return CTarnwick_CdvdBurnerGrabber::MSFToLBA(p__PUCHAR__Descriptor[DESCRIPTOR_PMIN],
                                                 p__PUCHAR__Descriptor[DESCRIPTOR_PSEC],
                                                 p__PUCHAR__Descriptor[DESCRIPTOR_PFRAME]);
}

// The user bytes of a block and the form, by the data mode and the subheader's submode.
void SetBlockLayout(TOC_TRACK_ENTRY& p__Entry, UCHAR p__UCHAR__SubMode) {
    switch (p__Entry.m__UCHAR__DataMode) {
        case 0:
            p__Entry.m__ULONG__BytesPerBlock = 2352;
            p__Entry.m__UCHAR__Form = 0;
            break;
        case 1:
            p__Entry.m__ULONG__BytesPerBlock = 2048;
            p__Entry.m__UCHAR__Form = 0;
            break;
        case 2:
            if (p__UCHAR__SubMode & 0x20) {
                p__Entry.m__UCHAR__Form = 2;
                p__Entry.m__ULONG__BytesPerBlock = 2324;
            } else {
                p__Entry.m__UCHAR__Form = 1;
                p__Entry.m__ULONG__BytesPerBlock = 2048;
            }
            break;
        default:
            p__Entry.m__ULONG__BytesPerBlock = 0;
            break;
    }
}

// The descriptor made up for DVD track entry N (a DVD has no full TOC): its session, a data
// track of ADR 1, its number as POINT, the start address in Min/Sec/Frame and the end
// address in PMIN/PSEC/PFRAME; the same bytes go into the table of all descriptors.
void PutDvdDescriptor(TOC_INFORMATION& p__Toc, size_t p__SIZE__Index) {
    const TOC_TRACK_ENTRY& l__Entry = p__Toc.m__TOC_TRACK_ENTRY__Tracks[p__SIZE__Index];
    UCHAR* l__PUCHAR__Descriptor = p__Toc.m__UCHAR__TrackDescriptors[p__SIZE__Index];
    std::memset(l__PUCHAR__Descriptor, 0, TOC_DESCRIPTOR_SIZE);
    l__PUCHAR__Descriptor[DESCRIPTOR_SESSION] = l__Entry.m__UCHAR__SessionNumber;
    l__PUCHAR__Descriptor[DESCRIPTOR_ADR_CONTROL] = 0x41;
    l__PUCHAR__Descriptor[DESCRIPTOR_POINT] = l__Entry.m__UCHAR__TrackNumber;
    std::memcpy(l__PUCHAR__Descriptor + DESCRIPTOR_MIN, l__Entry.m__UCHAR__StartMSF, 3);
    std::memcpy(l__PUCHAR__Descriptor + DESCRIPTOR_PMIN, l__Entry.m__UCHAR__EndMSF, 3);
    std::memcpy(p__Toc.m__UCHAR__Descriptors[p__SIZE__Index], l__PUCHAR__Descriptor, TOC_DESCRIPTOR_SIZE);
}

}  // namespace

void CTarnwick_CdvdBurnerGrabber::ProbeSupportedReadModes(PBOOLEAN p__PBOOLEAN__Cooked, PBOOLEAN p__PBOOLEAN__Raw,
                                                          PBOOLEAN p__PBOOLEAN__RawPQ, PBOOLEAN p__PBOOLEAN__RawRawPW,
                                                          PBOOLEAN p__PBOOLEAN__PQ, PBOOLEAN p__PBOOLEAN__RawPW) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    struct Probe {
        UCHAR m__UCHAR__MainData;  // sync, all headers, user data and EDC/ECC
        UCHAR m__UCHAR__SubChannel;
        const char* m__PCHAR__Name;
        PBOOLEAN m__PBOOLEAN__Result;
    };
    const Probe l__Probes[] = {{1, 0, "raw", p__PBOOLEAN__Raw},
                               {1, 2, "raw + PQ subchannel", p__PBOOLEAN__RawPQ},
                               {1, 1, "raw + raw P-W subchannel", p__PBOOLEAN__RawRawPW},
                               {0, 2, "PQ subchannel", p__PBOOLEAN__PQ},
                               {0, 1, "raw P-W subchannel", p__PBOOLEAN__RawPW}};
    *p__PBOOLEAN__Cooked = 1;
    for (const Probe& l__Probe : l__Probes) *l__Probe.m__PBOOLEAN__Result = 1;

    TestUnitReady();
    auto l__Toc = std::make_unique<TOC_INFORMATION>();
    std::memset(l__Toc.get(), 0, sizeof(TOC_INFORMATION));
    ReadTOC(l__Toc.get());

    std::vector<UCHAR> l__Buffer(READ_BUFFER_SIZE);
    for (const Probe& l__Probe : l__Probes) {
        std::fill(l__Buffer.begin(), l__Buffer.end(), 0);
        const UCHAR l__UCHAR__Main = l__Probe.m__UCHAR__MainData;
        try {
            ReadCd(0, 0, 1, 0, l__UCHAR__Main, l__UCHAR__Main, l__UCHAR__Main ? 3 : 0, l__UCHAR__Main,
                   l__Probe.m__UCHAR__SubChannel, l__Buffer.data(), READ_BUFFER_SIZE);
        } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ProbeSupportedReadModes(): ReadCD( %s ) failed!!!\n",
                       l__Probe.m__PCHAR__Name);
            CTarnwick_Exception::Swallow("CTarnwick_CdvdBurnerGrabber::ProbeSupportedReadModes",
                                         l__PCTarnwick_Exception__Exception);
            *l__Probe.m__PBOOLEAN__Result = 0;
        }
    }
}

void CTarnwick_CdvdBurnerGrabber::ReadTOC(PTOC_INFORMATION p__PTOC_INFORMATION__Toc) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    std::vector<UCHAR> l__Buffer(READ_BUFFER_SIZE, 0);
    bool l__bool__IsDVD = true;
    if (IsBluRay(GetDiscTypeSafe())) {
        // A BD refuses the DVD structure as a CD does, yet has the tracks of a DVD: 2048-byte
        // blocks, no full TOC.
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ReadTOC(): BD media, read as a DVD\n");
    } else {
        try {
            ReadDvdStructure(l__Buffer.data(), READ_BUFFER_SIZE, 0, 0, 0, 0);
        } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
            // A CD refuses the DVD structure: read as a CD.
            delete l__PCTarnwick_Exception__Exception;
            l__bool__IsDVD = false;
        }
    }
    if (l__bool__IsDVD) {
        ReadTOCForDVD(p__PTOC_INFORMATION__Toc);
    } else {
        ReadTOCForCD(p__PTOC_INFORMATION__Toc);
    }
}

void CTarnwick_CdvdBurnerGrabber::ReadTOCForCD(PTOC_INFORMATION p__PTOC_INFORMATION__Toc) {
    std::vector<UCHAR> l__Reply(FULL_TOC_BUFFER_SIZE, 0);
    ReadTocPmaAtip(l__Reply.data(), FULL_TOC_BUFFER_SIZE, 1, 2, 0);

    const ULONG l__ULONG__DataLength = CTarnwick_Bytes::GetBigEndian16(l__Reply.data());
    if (l__ULONG__DataLength < FULL_TOC_MINIMUM_LENGTH) {
        CTarnwick_Exception::Raise("CTarnwick_CdvdBurnerGrabber::ReadTOCForCD", EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_MEDIA_OR_DATA, 0,
                                   "CTarnwick_CdvdBurnerGrabber::ReadTOCForCD(): TOC size %ld UCHARs, expected at least "
                                   "%ld UCHARs!!!",
                                   static_cast<long>(l__ULONG__DataLength), static_cast<long>(FULL_TOC_MINIMUM_LENGTH));
    }
    // A data length beyond the reply buffer counts only the descriptors the buffer holds.
    ULONG l__ULONG__Descriptors = (l__ULONG__DataLength - 2) / TOC_DESCRIPTOR_SIZE;
    const ULONG l__ULONG__Held = (FULL_TOC_BUFFER_SIZE - FULL_TOC_HEADER_SIZE) / TOC_DESCRIPTOR_SIZE;
    if (l__ULONG__Descriptors > l__ULONG__Held) l__ULONG__Descriptors = l__ULONG__Held;

    TOC_INFORMATION& l__Toc = *p__PTOC_INFORMATION__Toc;
    // The record keeps as many descriptors as its one-byte count can say.
    l__Toc.m__UCHAR__NumberOfDescriptors =
        static_cast<UCHAR>(l__ULONG__Descriptors < TOC_MAXIMUM_DESCRIPTORS ? l__ULONG__Descriptors : TOC_MAXIMUM_DESCRIPTORS);
    l__Toc.m__UCHAR__LastSessionNumber = 0;
    l__Toc.m__UCHAR__NumberOfTracks = 0;
    LONG l__LONG__LeadOut = 0;

    std::vector<UCHAR> l__Sector(READ_BUFFER_SIZE);
    for (ULONG l__ULONG__Index = 0; l__ULONG__Index < l__ULONG__Descriptors; ++l__ULONG__Index) {
        const UCHAR* d = l__Reply.data() + FULL_TOC_HEADER_SIZE + l__ULONG__Index * TOC_DESCRIPTOR_SIZE;
        const UCHAR l__UCHAR__Adr = d[DESCRIPTOR_ADR_CONTROL] >> 4;
        const UCHAR l__UCHAR__Control = d[DESCRIPTOR_ADR_CONTROL] & 0x0F;
        const UCHAR l__UCHAR__Point = d[DESCRIPTOR_POINT];
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ReadTOCForCD(): Entry %ld, Session 0x%02X, CONTROL 0x%02X\n",
                   static_cast<long>(l__ULONG__Index), d[DESCRIPTOR_SESSION], l__UCHAR__Control);
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ReadTOCForCD(): ADR 0x%02X, TNO 0x%02X, POINT 0x%02X\n",
                   l__UCHAR__Adr, d[DESCRIPTOR_TNO], l__UCHAR__Point);
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ReadTOCForCD(): Min 0x%02X, Sec 0x%02X, Frame 0x%02X, Zero 0x%02X\n",
                   d[DESCRIPTOR_MIN], d[DESCRIPTOR_SEC], d[DESCRIPTOR_FRAME], d[DESCRIPTOR_ZERO]);
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ReadTOCForCD(): PMIN 0x%02X, PSEC 0x%02X, PFRAME 0x%02X\n",
                   d[DESCRIPTOR_PMIN], d[DESCRIPTOR_PSEC], d[DESCRIPTOR_PFRAME]);
        if (l__ULONG__Index < TOC_MAXIMUM_DESCRIPTORS)
            std::memcpy(l__Toc.m__UCHAR__Descriptors[l__ULONG__Index], d, TOC_DESCRIPTOR_SIZE);
        if (d[DESCRIPTOR_SESSION] > l__Toc.m__UCHAR__LastSessionNumber)
            l__Toc.m__UCHAR__LastSessionNumber = d[DESCRIPTOR_SESSION];

        if (l__UCHAR__Point == POINT_LEAD_OUT) l__LONG__LeadOut = PointAddress(d);
        if (l__UCHAR__Point < 1 || l__UCHAR__Point > POINT_LAST_TRACK) continue;
        // The track table holds 100 entries: a reply with more track descriptors keeps the first 100.
        if (l__Toc.m__UCHAR__NumberOfTracks >= TOC_MAXIMUM_TRACKS) continue;

        TOC_TRACK_ENTRY& l__Entry = l__Toc.m__TOC_TRACK_ENTRY__Tracks[l__Toc.m__UCHAR__NumberOfTracks];
        l__Entry.m__LONG__StartLBA = PointAddress(d);
        l__Entry.m__UCHAR__StartMSF[0] = d[DESCRIPTOR_PMIN];
        l__Entry.m__UCHAR__StartMSF[1] = d[DESCRIPTOR_PSEC];
        l__Entry.m__UCHAR__StartMSF[2] = d[DESCRIPTOR_PFRAME];
        // A track ends where the next one starts, the last one of a session at its lead-out.
        const UCHAR* l__PUCHAR__Next = l__ULONG__Index + 1 < l__ULONG__Descriptors ? d + TOC_DESCRIPTOR_SIZE : nullptr;
        const bool l__bool__NextIsFollower =
            l__PUCHAR__Next != nullptr && l__PUCHAR__Next[DESCRIPTOR_POINT] == l__UCHAR__Point + 1;
        l__Entry.m__LONG__EndLBA = (l__bool__NextIsFollower ? PointAddress(l__PUCHAR__Next) : l__LONG__LeadOut) - 1;
        CTarnwick_CdAddress::LbaToMsf(l__Entry.m__LONG__EndLBA, l__Entry.m__UCHAR__EndMSF);

        l__Entry.m__UCHAR__TrackNumber = l__UCHAR__Point;
        l__Entry.m__UCHAR__SessionNumber = d[DESCRIPTOR_SESSION];
        l__Entry.m__UCHAR__IsADR2 = l__UCHAR__Adr == 2;
        l__Entry.m__UCHAR__IsADR3 = l__UCHAR__Adr == 3;
        l__Entry.m__UCHAR__IsData = (l__UCHAR__Control >> 2) & 0x01;
        if (l__Entry.m__UCHAR__IsData) {
            l__Entry.m__UCHAR__IsFourChannel = 0;
            l__Entry.m__UCHAR__IsPreEmphasis = 0;
            l__Entry.m__UCHAR__IsAudio = 0;
        } else {
            l__Entry.m__UCHAR__IsAudio = 1;
            l__Entry.m__UCHAR__IsPreEmphasis = l__UCHAR__Control & 0x01;
            l__Entry.m__UCHAR__IsFourChannel = (l__UCHAR__Control >> 3) & 0x01;
        }
        l__Entry.m__UCHAR__IsCopyPermitted = (l__UCHAR__Control >> 1) & 0x01;

        UCHAR l__UCHAR__SubMode = 0;
        if (l__Entry.m__UCHAR__IsData) {
            // Sync and all headers of the first sector: byte 15 is the mode, byte 18 the submode.
            std::fill(l__Sector.begin(), l__Sector.end(), 0);
            ReadCd(0, static_cast<ULONG>(l__Entry.m__LONG__StartLBA), 1, 0, 0, 0, 3, 1, 0, l__Sector.data(),
                   READ_BUFFER_SIZE);
            l__Entry.m__UCHAR__DataMode = l__Sector[15] & 0x03;
            l__UCHAR__SubMode = l__Sector[18];
        } else {
            l__Entry.m__UCHAR__DataMode = 0;
        }
        SetBlockLayout(l__Entry, l__UCHAR__SubMode);

        std::memcpy(l__Toc.m__UCHAR__TrackDescriptors[l__Toc.m__UCHAR__NumberOfTracks], d, TOC_DESCRIPTOR_SIZE);
        l__Entry.m__UCHAR__IsValid = 1;
        ++l__Toc.m__UCHAR__NumberOfTracks;
    }
    l__Toc.m__UCHAR__IsDVD = 0;
    l__Toc.m__UCHAR__IsValid = 1;
}

void CTarnwick_CdvdBurnerGrabber::ReadTOCForDVD(PTOC_INFORMATION p__PTOC_INFORMATION__Toc) {
    // A multisession disc read as one track starting at LBA 0 would give every later session
    // the first session's volume descriptors: its tracks are told one by one instead.
    if (ReadTOCForDVDTracks(p__PTOC_INFORMATION__Toc)) return;

    UCHAR l__UCHAR__Capacity[8] = {};
    ReadCapacity(l__UCHAR__Capacity, sizeof(l__UCHAR__Capacity));

    TOC_INFORMATION& l__Toc = *p__PTOC_INFORMATION__Toc;
    l__Toc.m__UCHAR__LastSessionNumber = 1;
    l__Toc.m__UCHAR__NumberOfTracks = 1;
    l__Toc.m__UCHAR__NumberOfDescriptors = 1;
    TOC_TRACK_ENTRY& l__Entry = l__Toc.m__TOC_TRACK_ENTRY__Tracks[0];
    l__Entry.m__UCHAR__IsValid = 1;
    l__Entry.m__UCHAR__TrackNumber = 1;
    l__Entry.m__UCHAR__SessionNumber = 1;
    l__Entry.m__LONG__StartLBA = 0;
    CTarnwick_CdAddress::LbaToMsf(0, l__Entry.m__UCHAR__StartMSF);
    l__Entry.m__LONG__EndLBA = static_cast<LONG>(CTarnwick_Bytes::GetBigEndian32(l__UCHAR__Capacity));

    std::vector<UCHAR> l__Block(DVD_BLOCK_SIZE, 0);
    bool l__bool__IsRead = true;
    try {
        Read10(l__Block.data(), DVD_BLOCK_SIZE, PVD_LBA, 1);
    } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
        delete l__PCTarnwick_Exception__Exception;
        l__bool__IsRead = false;
    }
    if (l__bool__IsRead) {
        if (std::memcmp(l__Block.data() + 1, "CD001", 5) == 0) {
            // The volume space size counts the blocks of the volume; its last block ends
            // the track. An empty volume tells nothing and the capacity stays.
            const ULONG l__ULONG__VolumeBlocks = CTarnwick_Bytes::GetLittleEndian32(l__Block.data() + 80);
            if (l__ULONG__VolumeBlocks != 0) {
                DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ReadTOCForDVD(): Replacing ending LBA with new value from PVD\n");
                l__Entry.m__LONG__EndLBA = static_cast<LONG>(l__ULONG__VolumeBlocks - 1);
            }
        } else {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ReadTOCForDVD(): PVD signature is bad - 0x%02X 0x%02X 0x%02X 0x%02X "
                       "0x%02X!!!\n",
                       l__Block[1], l__Block[2], l__Block[3], l__Block[4], l__Block[5]);
        }
    }
    CTarnwick_CdAddress::LbaToMsf(l__Entry.m__LONG__EndLBA, l__Entry.m__UCHAR__EndMSF);
    l__Entry.m__UCHAR__IsADR2 = 0;
    l__Entry.m__UCHAR__IsADR3 = 0;
    l__Entry.m__UCHAR__IsFourChannel = 0;
    l__Entry.m__UCHAR__IsPreEmphasis = 0;
    l__Entry.m__UCHAR__IsData = 1;
    l__Entry.m__UCHAR__IsAudio = 0;
    l__Entry.m__UCHAR__IsCopyPermitted = 1;
    l__Entry.m__UCHAR__DataMode = 1;
    SetBlockLayout(l__Entry, 0);

    PutDvdDescriptor(l__Toc, 0);

    l__Toc.m__UCHAR__IsDVD = 1;
    l__Toc.m__UCHAR__IsValid = 1;
}

bool CTarnwick_CdvdBurnerGrabber::ReadTOCForDVDTracks(PTOC_INFORMATION p__PTOC_INFORMATION__Toc) {
    UCHAR l__UCHAR__Disc[DISC_INFORMATION_SIZE] = {};
    try {
        ReadDiscInformation(l__UCHAR__Disc, sizeof(l__UCHAR__Disc));
    } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
        delete l__PCTarnwick_Exception__Exception;
        return false;
    }
    // The last track of the last session (on an appendable disc the blank track to come).
    const ULONG l__ULONG__LastTrack = l__UCHAR__Disc[6] | (ULONG{l__UCHAR__Disc[11]} << 8);
    if (l__ULONG__LastTrack < 2) return false;

    std::vector<TOC_TRACK_ENTRY> l__Entries;
    for (ULONG l__ULONG__Number = 1; l__ULONG__Number <= l__ULONG__LastTrack && l__Entries.size() < TOC_MAXIMUM_TRACKS;
         ++l__ULONG__Number) {
        UCHAR l__UCHAR__Track[TRACK_INFORMATION_SIZE] = {};
        try {
            ReadTrackInformation(l__UCHAR__Track, sizeof(l__UCHAR__Track), 1, l__ULONG__Number);
        } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
            delete l__PCTarnwick_Exception__Exception;
            return false;
        }
        if (l__UCHAR__Track[6] & 0x40) continue;  // blank: nothing recorded yet
        TOC_TRACK_ENTRY l__Entry = {};
        l__Entry.m__UCHAR__IsValid = 1;
        l__Entry.m__UCHAR__TrackNumber = static_cast<UCHAR>(l__ULONG__Number);
        l__Entry.m__UCHAR__SessionNumber = l__UCHAR__Track[3];
        l__Entry.m__LONG__StartLBA = static_cast<LONG>(CTarnwick_Bytes::GetBigEndian32(l__UCHAR__Track + 8));
        // Worked out in 64 bits: a drive's start and size may add up beyond what an LBA holds.
        const int64_t l__LONGLONG__End = int64_t{l__Entry.m__LONG__StartLBA} + int64_t{CTarnwick_Bytes::GetBigEndian32(l__UCHAR__Track + 24)} - 1;
        LONG l__LONG__End = static_cast<LONG>(std::clamp<int64_t>(l__LONGLONG__End, INT32_MIN, INT32_MAX));
        // A track still open for writing counts its size to the end of the disc: it ends
        // before its next writable address.
        const LONG l__LONG__Next = static_cast<LONG>(CTarnwick_Bytes::GetBigEndian32(l__UCHAR__Track + 12));
        if ((l__UCHAR__Track[7] & 0x01) && l__LONG__Next > l__Entry.m__LONG__StartLBA)
            l__LONG__End = std::min(l__LONG__End, l__LONG__Next - 1);
        l__Entry.m__LONG__EndLBA = l__LONG__End;
        CTarnwick_CdAddress::LbaToMsf(l__Entry.m__LONG__StartLBA, l__Entry.m__UCHAR__StartMSF);
        CTarnwick_CdAddress::LbaToMsf(l__Entry.m__LONG__EndLBA, l__Entry.m__UCHAR__EndMSF);
        l__Entry.m__UCHAR__IsData = (l__UCHAR__Track[5] >> 2) & 0x01;
        l__Entry.m__UCHAR__IsAudio = !l__Entry.m__UCHAR__IsData;
        l__Entry.m__UCHAR__IsCopyPermitted = 1;
        // DVD blocks hold 2048 user bytes: a data mode other than 2 is told as 1.
        l__Entry.m__UCHAR__DataMode = (l__UCHAR__Track[6] & 0x0F) == 2 ? 2 : 1;
        SetBlockLayout(l__Entry, 0);
        l__Entries.push_back(l__Entry);
    }
    if (l__Entries.size() < 2) return false;

    TOC_INFORMATION& l__Toc = *p__PTOC_INFORMATION__Toc;
    l__Toc.m__UCHAR__LastSessionNumber = 0;
    for (size_t l__SIZE__Index = 0; l__SIZE__Index < l__Entries.size(); ++l__SIZE__Index) {
        const TOC_TRACK_ENTRY& l__Entry = l__Entries[l__SIZE__Index];
        l__Toc.m__TOC_TRACK_ENTRY__Tracks[l__SIZE__Index] = l__Entry;
        l__Toc.m__UCHAR__LastSessionNumber = std::max(l__Toc.m__UCHAR__LastSessionNumber, l__Entry.m__UCHAR__SessionNumber);
        PutDvdDescriptor(l__Toc, l__SIZE__Index);
    }
    l__Toc.m__UCHAR__NumberOfTracks = static_cast<UCHAR>(l__Entries.size());
    l__Toc.m__UCHAR__NumberOfDescriptors = static_cast<UCHAR>(l__Entries.size());
    l__Toc.m__UCHAR__IsDVD = 1;
    l__Toc.m__UCHAR__IsValid = 1;
    return true;
}
