#include "VdiscSectorReader.h"

#include <algorithm>
#include <cstring>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdAddress.h"
#include "VdiscCommand.h"
#include "VdiscSectorCoder.h"

namespace {

struct Layout {
    uint32_t m__ULONG__Sub;   // subheader bytes
    uint32_t m__ULONG__User;  // user data bytes
    uint32_t m__ULONG__Edc;   // EDC/ECC bytes
};

Layout LayoutOf(uint8_t p__UCHAR__Type) {
    switch (p__UCHAR__Type) {
        case VdiscSectorReader::MODE1: return {0, 2048, 288};
        case VdiscSectorReader::MODE2: return {0, 2336, 0};
        case VdiscSectorReader::FORM1: return {8, 2048, 280};
        case VdiscSectorReader::FORM2: return {8, 2328, 0};
        default: return {0, 2352, 0};
    }
}

// A Mode 2 sector is an XA sector when its subheader comes twice; its form is submode bit 5.
uint8_t XaType(const uint8_t* p__PUCHAR__Main) {
    if (std::memcmp(p__PUCHAR__Main + 16, p__PUCHAR__Main + 20, 4) != 0) return VdiscSectorReader::MODE2;
    return (p__PUCHAR__Main[18] & 0x20) ? VdiscSectorReader::FORM2 : VdiscSectorReader::FORM1;
}

}  // namespace

bool VdiscSectorReader::EdcOk(const RawSector& p__Sector) {
    const uint8_t* l__PUCHAR__Main = p__Sector.m__UCHAR__Main;
    switch (p__Sector.m__UCHAR__Type) {
        case MODE1: return VdiscSectorCoder::Edc(l__PUCHAR__Main, 2064) == CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Main + 2064);
        case FORM1: return VdiscSectorCoder::Edc(l__PUCHAR__Main + 16, 2056) == CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Main + 2072);
        case FORM2:  // the Form 2 EDC is optional: zero means none
            return CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Main + 2348) == 0 || VdiscSectorCoder::Edc(l__PUCHAR__Main + 16, 2332) == CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Main + 2348);
        default: return true;
    }
}

void VdiscSectorReader::Unreadable(int32_t p__LONG__Lba) const {
    const VdiscState& l__State = m__Store.State();
    if (p__LONG__Lba >= l__State.RecordedEnd() || p__LONG__Lba < -150) VdiscCommand::Fail(0x05, 0x21, 0x00);
    VdiscCommand::Fail(0x03, 0x11, 0x00);  // unrecovered read error: a hole the host never wrote
}

bool VdiscSectorReader::IsRecorded(int32_t p__LONG__Lba) const {
    VdiscExtent l__Extent;
    uint64_t l__ULONGLONG__Offset;
    return m__Store.Find(p__LONG__Lba, l__Extent, l__ULONGLONG__Offset) && l__Extent.m__Form != VdiscSectorForm::SubchannelOnly;
}

void VdiscSectorReader::ReadUser(int32_t p__LONG__Lba, uint8_t* p__PUCHAR__Out) const {
    VdiscExtent l__Extent;
    uint64_t l__ULONGLONG__Offset;
    const VdiscState& l__State = m__Store.State();
    if (!m__Store.Find(p__LONG__Lba, l__Extent, l__ULONGLONG__Offset)) {
        // Formatted rewritable media read as zeros where nothing was written.
        if (l__State.Medium().m__bool__IsRandomWritable && l__State.m__bool__IsFormatted && p__LONG__Lba >= 0 &&
            p__LONG__Lba < l__State.Capacity()) {
            std::memset(p__PUCHAR__Out, 0, 2048);
            return;
        }
        Unreadable(p__LONG__Lba);
    }
    switch (l__Extent.m__Form) {
        case VdiscSectorForm::Dvd2048:
        case VdiscSectorForm::Mode1User:
        case VdiscSectorForm::Mode2Form1User:
            if (!m__Store.ReadStored(l__ULONGLONG__Offset, 2048, p__PUCHAR__Out)) VdiscCommand::Fail(0x03, 0x11, 0x00);
            return;
        default:
            break;
    }
    RawSector l__Sector;
    ReadRaw(p__LONG__Lba, l__Sector);
    // EDC and ECC the host computed itself: a wrong EDC is a sector the drive cannot read.
    if (l__Sector.m__bool__HostEncoded && !EdcOk(l__Sector)) VdiscCommand::Fail(0x03, 0x11, 0x00);
    if (l__Sector.m__UCHAR__Type == MODE1) std::memcpy(p__PUCHAR__Out, l__Sector.m__UCHAR__Main + 16, 2048);
    else if (l__Sector.m__UCHAR__Type == FORM1) std::memcpy(p__PUCHAR__Out, l__Sector.m__UCHAR__Main + 24, 2048);
    else VdiscCommand::Fail(0x05, 0x64, 0x00);  // illegal mode for this track
}

uint32_t VdiscSectorReader::UserRunLength(int32_t p__LONG__Lba, uint32_t p__ULONG__Count) const {
    VdiscExtent l__Extent;
    uint64_t l__ULONGLONG__Offset;
    if (!m__Store.Find(p__LONG__Lba, l__Extent, l__ULONGLONG__Offset) || l__Extent.m__USHORT__Size != 2048) return 0;
    if (l__Extent.m__Form != VdiscSectorForm::Dvd2048 && l__Extent.m__Form != VdiscSectorForm::Mode1User &&
        l__Extent.m__Form != VdiscSectorForm::Mode2Form1User) {
        return 0;
    }
    const uint64_t l__ULONGLONG__Left =
        static_cast<uint64_t>(l__Extent.m__LONG__Count) - (l__ULONGLONG__Offset - l__Extent.m__ULONGLONG__Offset) / 2048;
    return static_cast<uint32_t>(std::min<uint64_t>(p__ULONG__Count, l__ULONGLONG__Left));
}

void VdiscSectorReader::ReadUserRun(int32_t p__LONG__Lba, uint32_t p__ULONG__Count, uint8_t* p__PUCHAR__Out) const {
    VdiscExtent l__Extent;
    uint64_t l__ULONGLONG__Offset;
    if (UserRunLength(p__LONG__Lba, p__ULONG__Count) != p__ULONG__Count || !m__Store.Find(p__LONG__Lba, l__Extent, l__ULONGLONG__Offset) ||
        !m__Store.ReadStored(l__ULONGLONG__Offset, p__ULONG__Count * 2048, p__PUCHAR__Out)) {
        VdiscCommand::Fail(0x03, 0x11, 0x00);
    }
}

void VdiscSectorReader::Synthesize(int32_t p__LONG__Lba, RawSector& p__Sector) const {
    // Q: mode 1 position data of the track the sector lies in. P marks where a track starts:
    // on through its pre-gap and its first block, as a pressed disc has it (readers of raw
    // images look for it on the image's first block).
    const VdiscTrack* l__Track = m__Store.State().TrackAt(p__LONG__Lba);
    uint8_t l__UCHAR__Q[12] = {};
    bool l__bool__Pause = false;
    uint8_t l__UCHAR__Control = 4, l__UCHAR__Number = 1, l__UCHAR__Index = 1;
    int32_t l__LONG__Relative = 0;
    if (l__Track != nullptr) {
        l__UCHAR__Control = l__Track->m__UCHAR__Control;
        l__UCHAR__Number = l__Track->m__UCHAR__Number;
        if (p__LONG__Lba < l__Track->m__LONG__Start) {
            l__UCHAR__Index = 0;
            l__bool__Pause = true;
            // The relative time counts down through the pre-gap to 00:00:00 at its last
            // block, as a disc has it (and as the raw generators write it).
            l__LONG__Relative = l__Track->m__LONG__Start - p__LONG__Lba - 1;
        } else {
            l__LONG__Relative = p__LONG__Lba - l__Track->m__LONG__Start;
            l__bool__Pause = p__LONG__Lba == l__Track->m__LONG__Start;
        }
    }
    l__UCHAR__Q[0] = static_cast<uint8_t>(l__UCHAR__Control << 4 | 1);
    l__UCHAR__Q[1] = CTarnwick_CdAddress::ToBcd(l__UCHAR__Number);
    l__UCHAR__Q[2] = CTarnwick_CdAddress::ToBcd(l__UCHAR__Index);
    CTarnwick_CdAddress::BlocksToMsfBcd(l__LONG__Relative, l__UCHAR__Q + 3);
    CTarnwick_CdAddress::LbaToMsfBcd(p__LONG__Lba, l__UCHAR__Q + 7);
    CTarnwick_Bytes::PutBigEndian16(l__UCHAR__Q + 10, VdiscSectorCoder::QCrc(l__UCHAR__Q));
    VdiscSectorCoder::SpreadPQ(l__UCHAR__Q, l__bool__Pause, p__Sector.m__UCHAR__Sub);
}

void VdiscSectorReader::ReadRaw(int32_t p__LONG__Lba, RawSector& p__Sector) const {
    VdiscExtent l__Extent;
    uint64_t l__ULONGLONG__Offset;
    if (!m__Store.Find(p__LONG__Lba, l__Extent, l__ULONGLONG__Offset) || l__Extent.m__Form == VdiscSectorForm::SubchannelOnly) {
        Unreadable(p__LONG__Lba);
    }
    uint8_t l__UCHAR__Stored[2448];
    if (!m__Store.ReadStored(l__ULONGLONG__Offset, l__Extent.m__USHORT__Size, l__UCHAR__Stored)) VdiscCommand::Fail(0x03, 0x11, 0x00);
    p__Sector.m__bool__HasSubchannelRw = false;
    p__Sector.m__bool__HostEncoded = false;
    uint8_t l__UCHAR__Xa[8 + 2324] = {};
    // The subheader a Mode 2 Form 1/2 track takes from the write parameters, with its form bit as the block type says.
    auto l__Subheader = [&](bool p__bool__Form2) {
        std::memcpy(l__UCHAR__Xa, l__Extent.m__UCHAR__Subheader, 4);
        l__UCHAR__Xa[2] = static_cast<uint8_t>(p__bool__Form2 ? (l__UCHAR__Xa[2] | 0x20) : (l__UCHAR__Xa[2] & ~0x20));
        std::memcpy(l__UCHAR__Xa + 4, l__UCHAR__Xa, 4);
    };
    switch (l__Extent.m__Form) {
        case VdiscSectorForm::Dvd2048:
            VdiscCommand::IncompatibleMedium();
        case VdiscSectorForm::Mode1User:
            VdiscSectorCoder::Mode1(p__LONG__Lba, l__UCHAR__Stored, p__Sector.m__UCHAR__Main);
            p__Sector.m__UCHAR__Type = MODE1;
            break;
        case VdiscSectorForm::Mode2Form1User:
            l__Subheader(false);
            std::memcpy(l__UCHAR__Xa + 8, l__UCHAR__Stored, 2048);
            VdiscSectorCoder::Mode2Xa(p__LONG__Lba, l__UCHAR__Xa, p__Sector.m__UCHAR__Main);
            p__Sector.m__UCHAR__Type = FORM1;
            break;
        case VdiscSectorForm::Mode2Form2User:
            l__Subheader(true);
            std::memcpy(l__UCHAR__Xa + 8, l__UCHAR__Stored, 2324);
            VdiscSectorCoder::Mode2Xa(p__LONG__Lba, l__UCHAR__Xa, p__Sector.m__UCHAR__Main);
            p__Sector.m__UCHAR__Type = FORM2;
            break;
        case VdiscSectorForm::Mode2Subheader:
            std::memcpy(l__UCHAR__Xa, l__UCHAR__Stored, l__Extent.m__USHORT__Size);
            if (l__Extent.m__USHORT__Size == 2056) l__UCHAR__Xa[2] &= static_cast<uint8_t>(~0x20);
            VdiscSectorCoder::Mode2Xa(p__LONG__Lba, l__UCHAR__Xa, p__Sector.m__UCHAR__Main);
            p__Sector.m__UCHAR__Type = (l__UCHAR__Xa[2] & 0x20) ? FORM2 : FORM1;
            break;
        case VdiscSectorForm::Mode2Formless:
            VdiscSectorCoder::Mode2Formless(p__LONG__Lba, l__UCHAR__Stored, p__Sector.m__UCHAR__Main);
            p__Sector.m__UCHAR__Type = XaType(p__Sector.m__UCHAR__Main);
            p__Sector.m__bool__HostEncoded = true;
            break;
        case VdiscSectorForm::Audio:
            std::memcpy(p__Sector.m__UCHAR__Main, l__UCHAR__Stored, 2352);
            p__Sector.m__UCHAR__Type = CDDA;
            break;
        default: {
            // Raw sectors as sent: data sectors arrive scrambled and are read back plain.
            std::memcpy(p__Sector.m__UCHAR__Main, l__UCHAR__Stored, 2352);
            p__Sector.m__UCHAR__Type = CDDA;
            if (VdiscSectorCoder::HasSync(p__Sector.m__UCHAR__Main)) {
                VdiscSectorCoder::Scramble(p__Sector.m__UCHAR__Main);
                uint8_t l__UCHAR__Mode = p__Sector.m__UCHAR__Main[15] & 3;
                if (l__UCHAR__Mode == 1) p__Sector.m__UCHAR__Type = MODE1;
                else if (l__UCHAR__Mode == 2) p__Sector.m__UCHAR__Type = XaType(p__Sector.m__UCHAR__Main);
                else VdiscSectorCoder::Scramble(p__Sector.m__UCHAR__Main);  // not a data sector after all
                p__Sector.m__bool__HostEncoded = p__Sector.m__UCHAR__Type != CDDA;
            }
            if (l__Extent.m__Form == VdiscSectorForm::RawPW) {
                std::memcpy(p__Sector.m__UCHAR__Sub, l__UCHAR__Stored + 2352, 96);
                p__Sector.m__bool__HasSubchannelRw = true;
                return;
            }
            if (l__Extent.m__Form == VdiscSectorForm::RawPQ) {
                VdiscSectorCoder::SpreadPQ(l__UCHAR__Stored + 2352, (l__UCHAR__Stored[2352 + 15] & 0x80) != 0, p__Sector.m__UCHAR__Sub);
                return;
            }
            break;
        }
    }
    Synthesize(p__LONG__Lba, p__Sector);
}

uint32_t VdiscSectorReader::ReadCdSize(uint8_t p__UCHAR__Type, uint8_t p__UCHAR__Flags, uint8_t p__UCHAR__Sub) {
    const bool l__bool__Sync = (p__UCHAR__Flags & 0x80) != 0;
    const uint8_t l__UCHAR__Headers = (p__UCHAR__Flags >> 5) & 3;
    const bool l__bool__User = (p__UCHAR__Flags & 0x10) != 0;
    const bool l__bool__Edc = (p__UCHAR__Flags & 0x08) != 0;
    const uint8_t l__UCHAR__C2 = (p__UCHAR__Flags >> 1) & 3;
    uint32_t l__ULONG__Size = 0;
    if (p__UCHAR__Type == CDDA) {
        if (p__UCHAR__Flags & 0xF8) l__ULONG__Size = 2352;
    } else {
        // A sync without the header, or EDC/ECC without user data, is not a field combination MMC allows.
        if ((l__bool__Sync && !(l__UCHAR__Headers & 1)) || (l__bool__Edc && !l__bool__User)) return 0;
        const Layout l__Layout = LayoutOf(p__UCHAR__Type);
        if (l__bool__Sync) l__ULONG__Size += 12;
        if (l__UCHAR__Headers & 1) l__ULONG__Size += 4;
        if (l__UCHAR__Headers & 2) l__ULONG__Size += l__Layout.m__ULONG__Sub;
        if (l__bool__User) l__ULONG__Size += l__Layout.m__ULONG__User;
        if (l__bool__Edc) l__ULONG__Size += l__Layout.m__ULONG__Edc;
    }
    if (l__UCHAR__C2 == 1) l__ULONG__Size += 294;
    else if (l__UCHAR__C2 == 2) l__ULONG__Size += 296;
    if (p__UCHAR__Sub == 1 || p__UCHAR__Sub == 4) l__ULONG__Size += 96;
    else if (p__UCHAR__Sub == 2) l__ULONG__Size += 16;
    return l__ULONG__Size;
}

uint32_t VdiscSectorReader::ReadCd(int32_t p__LONG__Lba, uint8_t p__UCHAR__ExpectedType, uint8_t p__UCHAR__Flags, uint8_t p__UCHAR__Sub,
                                   uint8_t* p__PUCHAR__Out) const {
    RawSector l__Sector;
    ReadRaw(p__LONG__Lba, l__Sector);
    if (p__UCHAR__ExpectedType != ANY && p__UCHAR__ExpectedType != l__Sector.m__UCHAR__Type) VdiscCommand::Fail(0x05, 0x64, 0x00);
    const uint8_t l__UCHAR__Type = l__Sector.m__UCHAR__Type;
    const uint8_t* l__PUCHAR__Main = l__Sector.m__UCHAR__Main;
    uint8_t* l__PUCHAR__At = p__PUCHAR__Out;
    auto l__Put = [&](const uint8_t* p__PUCHAR__From, uint32_t p__ULONG__Length) {
        std::memcpy(l__PUCHAR__At, p__PUCHAR__From, p__ULONG__Length);
        l__PUCHAR__At += p__ULONG__Length;
    };
    if (l__UCHAR__Type == CDDA) {
        if (p__UCHAR__Flags & 0xF8) l__Put(l__PUCHAR__Main, 2352);
    } else {
        const Layout l__Layout = LayoutOf(l__UCHAR__Type);
        const uint8_t l__UCHAR__Headers = (p__UCHAR__Flags >> 5) & 3;
        if (p__UCHAR__Flags & 0x80) l__Put(l__PUCHAR__Main, 12);
        if (l__UCHAR__Headers & 1) l__Put(l__PUCHAR__Main + 12, 4);
        if (l__UCHAR__Headers & 2) l__Put(l__PUCHAR__Main + 16, l__Layout.m__ULONG__Sub);
        const uint32_t l__ULONG__UserAt = 16 + l__Layout.m__ULONG__Sub;
        if (p__UCHAR__Flags & 0x10) l__Put(l__PUCHAR__Main + l__ULONG__UserAt, l__Layout.m__ULONG__User);
        if (p__UCHAR__Flags & 0x08) l__Put(l__PUCHAR__Main + l__ULONG__UserAt + l__Layout.m__ULONG__User, l__Layout.m__ULONG__Edc);
    }
    const uint8_t l__UCHAR__C2 = (p__UCHAR__Flags >> 1) & 3;
    if (l__UCHAR__C2 != 0) {
        uint32_t l__ULONG__Length = l__UCHAR__C2 == 1 ? 294 : 296;
        std::memset(l__PUCHAR__At, 0, l__ULONG__Length);
        l__PUCHAR__At += l__ULONG__Length;
    }
    if (p__UCHAR__Sub == 1) {
        l__Put(l__Sector.m__UCHAR__Sub, 96);
    } else if (p__UCHAR__Sub == 2) {
        uint8_t l__UCHAR__Q[16] = {};
        VdiscSectorCoder::GatherQ(l__Sector.m__UCHAR__Sub, l__UCHAR__Q);
        l__UCHAR__Q[15] = l__Sector.m__UCHAR__Sub[0] & 0x80;
        l__Put(l__UCHAR__Q, 16);
    } else if (p__UCHAR__Sub == 4) {
        for (int l__int__I = 0; l__int__I < 96; ++l__int__I) *l__PUCHAR__At++ = l__Sector.m__bool__HasSubchannelRw ? (l__Sector.m__UCHAR__Sub[l__int__I] & 0x3F) : 0;
    }
    return static_cast<uint32_t>(l__PUCHAR__At - p__PUCHAR__Out);
}
