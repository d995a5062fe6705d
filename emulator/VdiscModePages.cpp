#include "VdiscModePages.h"

#include <cstring>

#include "CTarnwick_Bytes.h"
#include "MmcCodes.h"
#include "VdiscCommand.h"

namespace {

const uint8_t g__DefaultRecovery[12] = {MmcCodes::PAGE_ERROR_RECOVERY, 0x0A, 0x00, 0x10, 0, 0, 0, 0, 0x01, 0, 0, 0};
const uint8_t g__ChangeableRecovery[12] = {MmcCodes::PAGE_ERROR_RECOVERY, 0x0A, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0xFF};
const uint8_t g__DefaultPage30[4] = {MmcCodes::PAGE_VENDOR_30, 0x02, 0x01, 0x00};

// Write parameters as a drive starts: Track-At-Once (incremental on sequential DVD),
// BUFE on, Mode 1 data, pause 150.
void DefaultWrite(uint8_t* p__PUCHAR__Page, VdiscMediumKind p__Kind) {
    const bool l__bool__SequentialDvd = p__Kind == VdiscMediumKind::DvdR || p__Kind == VdiscMediumKind::DvdRwSeq;
    std::memset(p__PUCHAR__Page, 0, 56);
    p__PUCHAR__Page[0] = MmcCodes::PAGE_WRITE_PARAMETERS;
    p__PUCHAR__Page[1] = 0x36;
    p__PUCHAR__Page[2] = l__bool__SequentialDvd ? 0x40 : 0x41;
    p__PUCHAR__Page[3] = l__bool__SequentialDvd ? 0x05 : 0x04;
    p__PUCHAR__Page[4] = 0x08;
    p__PUCHAR__Page[15] = 0x96;
}

void ChangeableWrite(uint8_t* p__PUCHAR__Page) {
    std::memset(p__PUCHAR__Page, 0xFF, 56);
    p__PUCHAR__Page[0] = MmcCodes::PAGE_WRITE_PARAMETERS;
    p__PUCHAR__Page[1] = 0x36;
    p__PUCHAR__Page[2] = 0x7F;
    p__PUCHAR__Page[4] = 0x0F;
    p__PUCHAR__Page[6] = 0x00;
    p__PUCHAR__Page[7] = 0x3F;
    p__PUCHAR__Page[9] = 0x00;
}

// Capabilities of a drive that reads and writes every medium it takes.
std::vector<uint8_t> Capabilities() {
    std::vector<uint8_t> l__Page(30, 0);
    l__Page[0] = MmcCodes::PAGE_CAPABILITIES;
    l__Page[1] = 0x1C;
    l__Page[2] = 0x3B;  // reads CD-R, CD-RW, DVD-ROM, DVD-R, DVD-RAM
    l__Page[3] = 0x37;  // writes CD-R, CD-RW, DVD-R, DVD-RAM; test write
    l__Page[4] = 0xF1;  // audio play, Mode 2 Form 1 and 2, multi-session, BUP
    l__Page[5] = 0x3F;  // CD-DA commands, accurate, R-W, R-W corrected, C2, ISRC
    l__Page[6] = 0x29;  // lock, eject, tray
    l__Page[7] = 0x03;
    VdiscCommand::PutBe16(l__Page, 8, 8467);    // maximum read speed, KB/s
    VdiscCommand::PutBe16(l__Page, 10, 256);    // volume levels
    VdiscCommand::PutBe16(l__Page, 12, 2048);   // buffer, KB
    VdiscCommand::PutBe16(l__Page, 14, 8467);   // current read speed
    VdiscCommand::PutBe16(l__Page, 18, 7056);   // maximum write speed
    VdiscCommand::PutBe16(l__Page, 20, 7056);   // current write speed
    VdiscCommand::PutBe16(l__Page, 28, 7056);
    return l__Page;
}

}  // namespace

VdiscModePages::VdiscModePages() { Reset(VdiscMediumKind::None); }

void VdiscModePages::Reset(VdiscMediumKind p__Kind) {
    std::memcpy(m__Recovery, g__DefaultRecovery, sizeof(m__Recovery));
    DefaultWrite(m__Write, p__Kind);
    std::memcpy(m__Page30, g__DefaultPage30, sizeof(m__Page30));
}

uint32_t VdiscModePages::BlockSize(uint8_t p__UCHAR__DataBlockType) {
    switch (p__UCHAR__DataBlockType) {
        case 0: return 2352;
        case 1: return 2368;
        case 2:
        case 3: return 2448;
        case 8:
        case 10: return 2048;
        case 9: return 2336;
        case 11: return 2056;
        case 12: return 2324;
        case 13: return 2332;
        default: return 0;
    }
}

std::vector<uint8_t> VdiscModePages::Page(uint8_t p__UCHAR__Page, uint8_t p__UCHAR__Control, const VdiscState& p__State) const {
    const bool l__bool__Changeable = p__UCHAR__Control == 1;
    const bool l__bool__Default = p__UCHAR__Control == 2;
    switch (p__UCHAR__Page) {
        case MmcCodes::PAGE_ERROR_RECOVERY: {
            const uint8_t* l__PUCHAR__Source = l__bool__Changeable ? g__ChangeableRecovery : l__bool__Default ? g__DefaultRecovery : m__Recovery;
            return std::vector<uint8_t>(l__PUCHAR__Source, l__PUCHAR__Source + 12);
        }
        case MmcCodes::PAGE_WRITE_PARAMETERS: {
            uint8_t l__UCHAR__Page[56];
            if (l__bool__Changeable) ChangeableWrite(l__UCHAR__Page);
            else if (l__bool__Default) DefaultWrite(l__UCHAR__Page, p__State.m__Kind);
            else std::memcpy(l__UCHAR__Page, m__Write, 56);
            return std::vector<uint8_t>(l__UCHAR__Page, l__UCHAR__Page + 56);
        }
        case MmcCodes::PAGE_CAPABILITIES: {
            std::vector<uint8_t> l__Page = Capabilities();
            if (l__bool__Changeable) std::memset(l__Page.data() + 2, 0, l__Page.size() - 2);
            return l__Page;
        }
        case MmcCodes::PAGE_VENDOR_30: {
            if (!p__State.m__bool__HasPage30) return {};
            std::vector<uint8_t> l__Page(l__bool__Default ? g__DefaultPage30 : m__Page30,
                                         (l__bool__Default ? g__DefaultPage30 : m__Page30) + 4);
            if (l__bool__Changeable) {
                l__Page[2] = 0;
                l__Page[3] = 0x01;
            }
            return l__Page;
        }
        default:
            return {};
    }
}

std::vector<uint8_t> VdiscModePages::Sense(uint8_t p__UCHAR__Page, uint8_t p__UCHAR__Control, const VdiscState& p__State) const {
    if (p__UCHAR__Control == 3) VdiscCommand::Fail(0x05, 0x39, 0x00);  // saving parameters not supported
    std::vector<uint8_t> l__Reply(8, 0);
    if (p__UCHAR__Page == MmcCodes::PAGE_ALL) {
        for (uint8_t l__UCHAR__Code : {MmcCodes::PAGE_ERROR_RECOVERY, MmcCodes::PAGE_WRITE_PARAMETERS, MmcCodes::PAGE_CAPABILITIES,
                                       MmcCodes::PAGE_VENDOR_30}) {
            std::vector<uint8_t> l__Page = Page(l__UCHAR__Code, p__UCHAR__Control, p__State);
            l__Reply.insert(l__Reply.end(), l__Page.begin(), l__Page.end());
        }
    } else {
        std::vector<uint8_t> l__Page = Page(p__UCHAR__Page, p__UCHAR__Control, p__State);
        if (l__Page.empty()) VdiscCommand::InvalidField();
        l__Reply.insert(l__Reply.end(), l__Page.begin(), l__Page.end());
    }
    VdiscCommand::PutBe16(l__Reply, 0, static_cast<uint32_t>(l__Reply.size() - 2));
    // The device-specific parameter of the header: WP (bit 7) for a write-protected disc.
    if (p__State.m__Faults.m__bool__WriteProtected) l__Reply[3] = 0x80;
    return l__Reply;
}

void VdiscModePages::CheckWriteParameters(const uint8_t* p__PUCHAR__Page, const VdiscState& p__State) const {
    const uint8_t l__UCHAR__WriteType = p__PUCHAR__Page[2] & 0x0F;
    const bool l__bool__TestWrite = (p__PUCHAR__Page[2] & 0x10) != 0;
    const uint8_t l__UCHAR__TrackMode = p__PUCHAR__Page[3] & 0x0F;
    const uint8_t l__UCHAR__Multi = p__PUCHAR__Page[3] >> 6;
    const uint8_t l__UCHAR__BlockType = p__PUCHAR__Page[4] & 0x0F;
    const uint8_t l__UCHAR__Format = p__PUCHAR__Page[8];
    if (l__UCHAR__WriteType > 4 || l__UCHAR__Multi == 2) VdiscCommand::InvalidParameter();
    if (p__State.m__Faults.m__UCHAR__RefusedWriteTypes & (1u << l__UCHAR__WriteType)) VdiscCommand::InvalidParameter();
    if (p__State.m__Kind == VdiscMediumKind::None) return;
    switch (p__State.m__Kind) {
        case VdiscMediumKind::CdR:
        case VdiscMediumKind::CdRw: {
            if (l__UCHAR__WriteType > 3) VdiscCommand::InvalidParameter();
            if (BlockSize(l__UCHAR__BlockType) == 0) VdiscCommand::InvalidParameter();
            if (l__UCHAR__Format != 0x00 && l__UCHAR__Format != 0x10 && l__UCHAR__Format != 0x20) VdiscCommand::InvalidParameter();
            const bool l__bool__Raw = l__UCHAR__BlockType >= 1 && l__UCHAR__BlockType <= 3;
            if (l__UCHAR__WriteType == 3 && !l__bool__Raw) VdiscCommand::InvalidParameter();
            if (l__UCHAR__WriteType <= 1) {
                if (l__bool__Raw) VdiscCommand::InvalidParameter();
                // Audio blocks on an audio track, data blocks on a data track.
                const bool l__bool__DataTrack = (l__UCHAR__TrackMode & 0x04) != 0;
                if ((l__UCHAR__BlockType == 0) == l__bool__DataTrack) VdiscCommand::InvalidParameter();
            }
            break;
        }
        case VdiscMediumKind::DvdR:
        case VdiscMediumKind::DvdRwSeq:
            // Sequential DVD takes incremental (0) and Disc-At-Once (2) writing only.
            if (l__UCHAR__WriteType != 0 && l__UCHAR__WriteType != 2) VdiscCommand::InvalidParameter();
            break;
        default:
            // DVD+R, DVD+RW, DVD-RAM, restricted overwrite and BD ignore the write type but have no test write.
            if (l__bool__TestWrite) VdiscCommand::InvalidParameter();
            break;
    }
}

void VdiscModePages::Select(const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length, const VdiscState& p__State) {
    if (p__ULONG__Length < 8) VdiscCommand::Fail(0x05, 0x1A, 0x00);  // parameter list length error
    uint32_t l__ULONG__At = 8 + CTarnwick_Bytes::GetBigEndian16(p__PUCHAR__Data + 6);
    uint8_t l__UCHAR__Recovery[12], l__UCHAR__Write[56], l__UCHAR__Page30[4];
    std::memcpy(l__UCHAR__Recovery, m__Recovery, 12);
    std::memcpy(l__UCHAR__Write, m__Write, 56);
    std::memcpy(l__UCHAR__Page30, m__Page30, 4);
    if (l__ULONG__At >= p__ULONG__Length) VdiscCommand::Fail(0x05, 0x1A, 0x00);
    while (l__ULONG__At + 2 <= p__ULONG__Length) {
        const uint8_t l__UCHAR__Code = p__PUCHAR__Data[l__ULONG__At] & MmcCodes::PAGE_CODE_MASK;
        const uint32_t l__ULONG__PageLength = p__PUCHAR__Data[l__ULONG__At + 1] + 2u;
        if (l__ULONG__At + l__ULONG__PageLength > p__ULONG__Length) VdiscCommand::Fail(0x05, 0x1A, 0x00);
        const uint8_t* l__PUCHAR__Page = p__PUCHAR__Data + l__ULONG__At;
        if (l__UCHAR__Code == MmcCodes::PAGE_ERROR_RECOVERY && l__ULONG__PageLength == 12) {
            std::memcpy(l__UCHAR__Recovery + 2, l__PUCHAR__Page + 2, 10);
        } else if (l__UCHAR__Code == MmcCodes::PAGE_WRITE_PARAMETERS && l__ULONG__PageLength >= 52 && l__ULONG__PageLength <= 56) {
            CheckWriteParameters(l__PUCHAR__Page, p__State);
            std::memcpy(l__UCHAR__Write + 2, l__PUCHAR__Page + 2, l__ULONG__PageLength - 2);
        } else if (l__UCHAR__Code == MmcCodes::PAGE_VENDOR_30 && p__State.m__bool__HasPage30 && l__ULONG__PageLength == 4) {
            l__UCHAR__Page30[3] = l__PUCHAR__Page[3] & 0x01;
        } else {
            VdiscCommand::InvalidParameter();
        }
        l__ULONG__At += l__ULONG__PageLength;
    }
    std::memcpy(m__Recovery, l__UCHAR__Recovery, 12);
    std::memcpy(m__Write, l__UCHAR__Write, 56);
    std::memcpy(m__Page30, l__UCHAR__Page30, 4);
}
