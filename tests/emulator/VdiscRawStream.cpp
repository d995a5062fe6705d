#include "VdiscRawStream.h"

#include <algorithm>
#include <cstring>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdAddress.h"
#include "VdiscSectorCoder.h"

VdiscRawStream::VdiscRawStream(int32_t p__LONG__LeadInStart, const std::vector<Track>& p__Tracks, int32_t p__LONG__LeadOut, uint32_t p__ULONG__BlockSize)
    : m__LONG__LeadInStart(p__LONG__LeadInStart), m__Tracks(p__Tracks), m__LONG__LeadOut(p__LONG__LeadOut), m__ULONG__BlockSize(p__ULONG__BlockSize) {
    auto l__Control = [](const Track& p__Track) { return static_cast<uint8_t>(p__Track.m__bool__Data ? 0x41 : 0x01); };
    const Track& l__First = m__Tracks.front();
    const uint8_t l__UCHAR__Type = l__First.m__bool__Data && l__First.m__UCHAR__Mode == 2 ? 0x20 : 0x00;
    auto l__Item = [&](uint8_t p__UCHAR__Control, uint8_t p__UCHAR__Point, int32_t p__LONG__Lba) {
        uint8_t l__UCHAR__Msf[3];
        CTarnwick_CdAddress::LbaToMsfBcd(p__LONG__Lba, l__UCHAR__Msf);
        m__Items.push_back({p__UCHAR__Control, p__UCHAR__Point, l__UCHAR__Msf[0], l__UCHAR__Msf[1], l__UCHAR__Msf[2]});
    };
    m__Items.push_back({l__Control(l__First), 0xA0, 0x01, l__UCHAR__Type, 0x00});
    m__Items.push_back({l__Control(m__Tracks.back()), 0xA1, CTarnwick_CdAddress::ToBcd(static_cast<uint32_t>(m__Tracks.size())), 0x00, 0x00});
    l__Item(l__Control(l__First), 0xA2, m__LONG__LeadOut);
    for (size_t l__size_t__I = 0; l__size_t__I < m__Tracks.size(); ++l__size_t__I)
        l__Item(l__Control(m__Tracks[l__size_t__I]), CTarnwick_CdAddress::ToBcd(static_cast<uint32_t>(l__size_t__I + 1)), m__Tracks[l__size_t__I].m__LONG__Start);
}

std::vector<uint8_t> VdiscRawStream::UserData(int32_t p__LONG__Lba) {
    std::vector<uint8_t> l__Data(2048);
    for (size_t l__size_t__I = 0; l__size_t__I < l__Data.size(); ++l__size_t__I) l__Data[l__size_t__I] = static_cast<uint8_t>(p__LONG__Lba * 7 + l__size_t__I);
    return l__Data;
}

std::vector<uint8_t> VdiscRawStream::AudioData(int32_t p__LONG__Lba) {
    std::vector<uint8_t> l__Data(2352);
    for (size_t l__size_t__I = 0; l__size_t__I < l__Data.size(); ++l__size_t__I) l__Data[l__size_t__I] = static_cast<uint8_t>(p__LONG__Lba * 3 + l__size_t__I * 5);
    return l__Data;
}

const VdiscRawStream::Track* VdiscRawStream::TrackOf(int32_t p__LONG__Lba, bool& p__bool__Pregap) const {
    p__bool__Pregap = p__LONG__Lba < 0;
    if (p__bool__Pregap) return &m__Tracks.front();
    const Track* l__Found = &m__Tracks.front();
    for (const Track& l__Track : m__Tracks) {
        if (p__LONG__Lba >= l__Track.m__LONG__Start) {
            l__Found = &l__Track;
        } else if (p__LONG__Lba >= l__Track.m__LONG__Start - l__Track.m__LONG__Pregap) {
            p__bool__Pregap = true;
            return &l__Track;
        }
    }
    return l__Found;
}

void VdiscRawStream::Main(int32_t p__LONG__Lba, bool p__bool__Data, uint8_t p__UCHAR__Mode, bool p__bool__Zero, uint8_t* p__PUCHAR__Raw) const {
    std::memset(p__PUCHAR__Raw, 0, 2352);
    if (!p__bool__Data) {
        if (!p__bool__Zero) std::memcpy(p__PUCHAR__Raw, AudioData(p__LONG__Lba).data(), 2352);
        return;
    }
    const std::vector<uint8_t> l__User = p__bool__Zero ? std::vector<uint8_t>(2048, 0) : UserData(p__LONG__Lba);
    if (p__UCHAR__Mode == 1) {
        VdiscSectorCoder::Mode1(p__LONG__Lba, l__User.data(), p__PUCHAR__Raw);
    } else if (p__bool__Zero) {
        VdiscSectorCoder::SyncAndHeader(p__LONG__Lba, 2, p__PUCHAR__Raw);  // generated Mode 2 areas carry no EDC or ECC
    } else {
        uint8_t l__UCHAR__Xa[8 + 2324] = {0, 0, 0x08, 0, 0, 0, 0x08, 0};
        std::memcpy(l__UCHAR__Xa + 8, l__User.data(), 2048);
        VdiscSectorCoder::Mode2Xa(p__LONG__Lba, l__UCHAR__Xa, p__PUCHAR__Raw);
    }
    VdiscSectorCoder::Scramble(p__PUCHAR__Raw);
}

std::vector<uint8_t> VdiscRawStream::Block(int32_t p__LONG__Lba) const {
    std::vector<uint8_t> l__Block(m__ULONG__BlockSize, 0);
    uint8_t l__UCHAR__Q[12] = {};
    bool l__bool__P = false;
    const Track& l__First = m__Tracks.front();
    const bool l__bool__SessionData = l__First.m__bool__Data;
    if (p__LONG__Lba < -150) {
        // The items in turn, three blocks each, counted from the lead-in's start.
        const std::vector<uint8_t>& l__Item = m__Items[static_cast<size_t>((p__LONG__Lba - m__LONG__LeadInStart) / 3) % m__Items.size()];
        l__UCHAR__Q[0] = l__Item[0];
        l__UCHAR__Q[2] = l__Item[1];
        CTarnwick_CdAddress::LbaToMsfBcd(p__LONG__Lba, l__UCHAR__Q + 3);
        std::memcpy(l__UCHAR__Q + 7, l__Item.data() + 2, 3);
        Main(p__LONG__Lba, (l__Item[0] & 0x40) != 0, l__First.m__UCHAR__Mode, true, l__Block.data());
    } else if (p__LONG__Lba >= m__LONG__LeadOut) {
        l__UCHAR__Q[0] = l__bool__SessionData ? 0x41 : 0x01;
        l__UCHAR__Q[1] = 0xAA;
        l__UCHAR__Q[2] = 0x01;
        const int32_t l__LONG__Into = p__LONG__Lba - m__LONG__LeadOut;
        CTarnwick_CdAddress::BlocksToMsfBcd(l__LONG__Into, l__UCHAR__Q + 3);
        CTarnwick_CdAddress::LbaToMsfBcd(p__LONG__Lba, l__UCHAR__Q + 7);
        l__bool__P = l__LONG__Into >= 150 && l__LONG__Into % 150 < 75;
        Main(p__LONG__Lba, l__bool__SessionData, l__First.m__UCHAR__Mode, true, l__Block.data());
    } else {
        bool l__bool__Pregap;
        const Track* l__Track = TrackOf(p__LONG__Lba, l__bool__Pregap);
        l__UCHAR__Q[0] = l__Track->m__bool__Data ? 0x41 : 0x01;
        l__UCHAR__Q[1] = CTarnwick_CdAddress::ToBcd(static_cast<uint32_t>(l__Track - m__Tracks.data() + 1));
        l__UCHAR__Q[2] = l__bool__Pregap ? 0x00 : 0x01;
        const int32_t l__LONG__Relative = l__bool__Pregap ? l__Track->m__LONG__Start - p__LONG__Lba - 1 : p__LONG__Lba - l__Track->m__LONG__Start;
        CTarnwick_CdAddress::BlocksToMsfBcd(l__LONG__Relative, l__UCHAR__Q + 3);
        CTarnwick_CdAddress::LbaToMsfBcd(p__LONG__Lba, l__UCHAR__Q + 7);
        l__bool__P = l__bool__Pregap;
        Main(p__LONG__Lba, l__Track->m__bool__Data, l__Track->m__UCHAR__Mode, l__bool__Pregap, l__Block.data());
    }
    CTarnwick_Bytes::PutBigEndian16(l__UCHAR__Q + 10, VdiscSectorCoder::QCrc(l__UCHAR__Q));
    if (m__ULONG__BlockSize == 2368) {
        std::memcpy(l__Block.data() + 2352, l__UCHAR__Q, 12);
        l__Block[2367] = l__bool__P ? 0x80 : 0x00;
    } else {
        VdiscSectorCoder::SpreadPQ(l__UCHAR__Q, l__bool__P, l__Block.data() + 2352);
    }
    return l__Block;
}

std::vector<uint8_t> VdiscRawStream::Packet(int32_t p__LONG__Lba, int32_t p__LONG__Count) const {
    std::vector<uint8_t> l__Packet;
    l__Packet.reserve(static_cast<size_t>(p__LONG__Count) * m__ULONG__BlockSize);
    for (int32_t l__LONG__I = 0; l__LONG__I < p__LONG__Count; ++l__LONG__I) {
        const std::vector<uint8_t> l__Block = Block(p__LONG__Lba + l__LONG__I);
        l__Packet.insert(l__Packet.end(), l__Block.begin(), l__Block.end());
    }
    return l__Packet;
}

void VdiscRawStream::GetQ(const std::vector<uint8_t>& p__Block, uint8_t* p__PUCHAR__Q) {
    if (p__Block.size() == 2368) std::memcpy(p__PUCHAR__Q, p__Block.data() + 2352, 12);
    else VdiscSectorCoder::GatherQ(p__Block.data() + 2352, p__PUCHAR__Q);
}

void VdiscRawStream::SetQ(std::vector<uint8_t>& p__Block, uint8_t* p__PUCHAR__Q, bool p__bool__FixCrc) {
    if (p__bool__FixCrc) CTarnwick_Bytes::PutBigEndian16(p__PUCHAR__Q + 10, VdiscSectorCoder::QCrc(p__PUCHAR__Q));
    if (p__Block.size() == 2368) {
        std::memcpy(p__Block.data() + 2352, p__PUCHAR__Q, 12);
    } else {
        const bool l__bool__P = (p__Block[2352] & 0x80) != 0;
        VdiscSectorCoder::SpreadPQ(p__PUCHAR__Q, l__bool__P, p__Block.data() + 2352);
    }
}

void VdiscRawStream::Scramble(std::vector<uint8_t>& p__Block) { VdiscSectorCoder::Scramble(p__Block.data()); }
