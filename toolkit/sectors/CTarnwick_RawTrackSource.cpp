#include "CTarnwick_RawTrackSource.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "CTarnwick_CdAddress.h"
#include "CTarnwick_Exception.h"
#include "DebugPrint.h"
#include "SectorCodec.h"

namespace {
constexpr UCHAR g__UCHAR__IndexTrack = 0x01;
// Offsets of the user data in a raw sector: after the header, and after the Mode 2 sub-header.
constexpr ULONG g__ULONG__Mode1DataOffset = 16;
constexpr ULONG g__ULONG__SubHeaderOffset = 16;
constexpr ULONG g__ULONG__SubHeaderBytes = 8;
constexpr ULONG g__ULONG__Form1DataOffset = g__ULONG__SubHeaderOffset + g__ULONG__SubHeaderBytes;
// How much of the image one read takes ahead: 64 audio blocks.
constexpr size_t g__size_t__InputChunk = 64 * 2352;
// The track a raw image is taken to be when its Q data is made afresh.
constexpr UCHAR g__UCHAR__RawImageTno = 0x01;
}  // namespace

CTarnwick_RawTrackSource::CTarnwick_RawTrackSource(ULONG p__ULONG__BlockBytes, const Names& p__Names,
                                                   CTarnwick_FileChain* p__PCTarnwick_FileChain__CookedImage,
                                                   const DISC_AT_ONCE_TRACK_LIST* p__PDISC_AT_ONCE_TRACK_LIST__Tracks,
                                                   BOOLEAN p__BOOLEAN__IsMode2Form1, ULONG p__ULONG__BaseTrackNumber)
    : m__Names(p__Names),
      m__ULONG__BlockBytes(p__ULONG__BlockBytes),
      m__PCTarnwick_FileChain__Image(p__PCTarnwick_FileChain__CookedImage),
      m__bool__RawImage(false),
      m__BOOLEAN__IsMode2Form1(p__BOOLEAN__IsMode2Form1),
      m__ULONG__BaseTrackNumber(p__ULONG__BaseTrackNumber) {
    if (p__PCTarnwick_FileChain__CookedImage == nullptr) RaiseInvalidParameter("p__PCTarnwick_FileChain__CookedImage == NULL!!!");
    if (p__PDISC_AT_ONCE_TRACK_LIST__Tracks == nullptr) RaiseInvalidParameter("p__PDISC_AT_ONCE_TRACK_LIST__Tracks == NULL!!!");
    const ULONG l__ULONG__Tracks = p__PDISC_AT_ONCE_TRACK_LIST__Tracks->m__ULONG__NumberOfTracks;
    if (l__ULONG__Tracks == 0 || l__ULONG__Tracks > DISC_AT_ONCE_MAXIMUM_TRACKS) RaiseInvalidParameter("Track count out of range!!!");
    for (ULONG l__ULONG__Index = 0; l__ULONG__Index < l__ULONG__Tracks; ++l__ULONG__Index) {
        const DISC_AT_ONCE_TRACK_ENTRY& l__Entry = p__PDISC_AT_ONCE_TRACK_LIST__Tracks->m__DISC_AT_ONCE_TRACK_ENTRY__Tracks[l__ULONG__Index];
        if (l__Entry.m__LONG__SizeInLBs < 0) RaiseInvalidParameter("Negative track size!!!");
        m__Tracks.push_back({l__Entry.m__LONG__StartLBA, l__Entry.m__LONG__SizeInLBs, l__Entry.m__BOOLEAN__IsDataTrack});
        m__ULONGLONG__Blocks += static_cast<uint64_t>(l__Entry.m__LONG__SizeInLBs);
        m__ULONGLONG__InputBytes += static_cast<uint64_t>(l__Entry.m__LONG__SizeInLBs) *
                                    (l__Entry.m__BOOLEAN__IsDataTrack ? COOKED_DATA_BYTES : CTarnwick_RawSubchannel::RAW_SECTOR_BYTES);
    }
    // The tracks follow each other from the first one's start.
    m__LONG__DiscLBA = m__Tracks.front().m__LONG__StartLBA;
}

CTarnwick_RawTrackSource::CTarnwick_RawTrackSource(ULONG p__ULONG__BlockBytes, const Names& p__Names,
                                                   CTarnwick_FileChain* p__PCTarnwick_FileChain__RawImage,
                                                   BOOLEAN p__BOOLEAN__SynthesiseQ)
    : m__Names(p__Names),
      m__ULONG__BlockBytes(p__ULONG__BlockBytes),
      m__PCTarnwick_FileChain__Image(p__PCTarnwick_FileChain__RawImage),
      m__bool__RawImage(true),
      m__BOOLEAN__SynthesiseQ(p__BOOLEAN__SynthesiseQ) {
    if (p__PCTarnwick_FileChain__RawImage == nullptr) RaiseInvalidParameter("p__PCTarnwick_FileChain__RawImage == NULL!!!");
    const uint64_t l__ULONGLONG__Size = p__PCTarnwick_FileChain__RawImage->GetSize();
    // A cut-off last block would have no sub-channel to send.
    if (l__ULONGLONG__Size % RAW_IMAGE_BLOCK_BYTES != 0) RaiseInvalidParameter("The raw image is not a whole number of blocks!!!");
    m__ULONGLONG__Blocks = l__ULONGLONG__Size / RAW_IMAGE_BLOCK_BYTES;
    m__ULONGLONG__InputBytes = l__ULONGLONG__Size;
}

void CTarnwick_RawTrackSource::ReadInput(PUCHAR p__PUCHAR__Out, ULONG p__ULONG__Bytes) {
    while (p__ULONG__Bytes > 0) {
        if (m__size_t__InputAt == m__Input.size()) {
            // Never ahead of what the blocks take, nor past the image: an image shorter than
            // the list says fails at the block it cannot fill, as a read of that block would.
            const uint64_t l__ULONGLONG__Limit = std::min<uint64_t>(m__ULONGLONG__InputBytes, m__PCTarnwick_FileChain__Image->GetSize());
            const uint64_t l__ULONGLONG__Left = l__ULONGLONG__Limit > m__ULONGLONG__InputRead ? l__ULONGLONG__Limit - m__ULONGLONG__InputRead : 0;
            const size_t l__size_t__Chunk = static_cast<size_t>(std::min<uint64_t>(g__size_t__InputChunk, l__ULONGLONG__Left));
            if (l__size_t__Chunk < p__ULONG__Bytes) {
                m__PCTarnwick_FileChain__Image->Read(p__ULONG__Bytes, p__PUCHAR__Out);
                return;
            }
            m__Input.resize(l__size_t__Chunk);
            m__PCTarnwick_FileChain__Image->Read(l__size_t__Chunk, m__Input.data());
            m__ULONGLONG__InputRead += l__size_t__Chunk;
            m__size_t__InputAt = 0;
        }
        const size_t l__size_t__Copy = std::min<size_t>(p__ULONG__Bytes, m__Input.size() - m__size_t__InputAt);
        std::memcpy(p__PUCHAR__Out, m__Input.data() + m__size_t__InputAt, l__size_t__Copy);
        m__size_t__InputAt += l__size_t__Copy;
        p__PUCHAR__Out += l__size_t__Copy;
        p__ULONG__Bytes -= static_cast<ULONG>(l__size_t__Copy);
    }
}

void CTarnwick_RawTrackSource::RaiseInvalidParameter(const char* p__PCHAR__Text) const {
    char l__CHAR__Name[256];
    std::snprintf(l__CHAR__Name, sizeof(l__CHAR__Name), "%s::%s", m__Names.m__PCHAR__Class, m__Names.m__PCHAR__Class);
    CTarnwick_Exception::Raise(l__CHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0, "%s(): %s",
                               l__CHAR__Name, p__PCHAR__Text);
}

void CTarnwick_RawTrackSource::PutTrackQ(PUCHAR p__PUCHAR__Block, UCHAR p__UCHAR__ControlAdr, UCHAR p__UCHAR__Tno,
                                         LONG p__LONG__BlockInTrack) const {
    UCHAR l__UCHAR__Msf[3], l__UCHAR__AbsoluteMsf[3], l__UCHAR__Q[CTarnwick_RawSubchannel::Q_BYTES];
    CTarnwick_CdAddress::BlocksToMsfBcd(p__LONG__BlockInTrack, l__UCHAR__Msf);
    CTarnwick_CdAddress::LbaToMsfBcd(m__LONG__DiscLBA, l__UCHAR__AbsoluteMsf);
    CTarnwick_RawSubchannel::BuildQ(l__UCHAR__Q, p__UCHAR__ControlAdr, p__UCHAR__Tno, g__UCHAR__IndexTrack, l__UCHAR__Msf,
                                    l__UCHAR__AbsoluteMsf);
    CTarnwick_RawSubchannel::PutSubchannel(p__PUCHAR__Block, m__ULONG__BlockBytes, l__UCHAR__Q, FALSE);
}

void CTarnwick_RawTrackSource::ExpandCooked(PUCHAR p__PUCHAR__Block) {
    // The next track once this one is complete (an empty track is passed over at once).
    while (m__LONG__BlockInTrack >= m__Tracks[m__ULONG__TrackIndex].m__LONG__SizeInLBs) {
        const Track& l__Track = m__Tracks[m__ULONG__TrackIndex];
        DebugPrint("\n%s::%s(): Track switch, track index %ld, track LBA %ld, track size in LBs %ld\n", m__Names.m__PCHAR__Class,
                   m__Names.m__PCHAR__Expand, static_cast<long>(m__ULONG__TrackIndex), static_cast<long>(l__Track.m__LONG__StartLBA),
                   static_cast<long>(l__Track.m__LONG__SizeInLBs));
        ++m__ULONG__TrackIndex;
        m__LONG__BlockInTrack = 0;
    }
    const Track& l__Track = m__Tracks[m__ULONG__TrackIndex];
    if (l__Track.m__BOOLEAN__IsDataTrack) {
        // The sector's address is that of its disc LBA: a block's number within its track
        // is the same only for a track that starts at LBA 0.
        if (m__BOOLEAN__IsMode2Form1) {
            std::memset(p__PUCHAR__Block + g__ULONG__SubHeaderOffset, 0, g__ULONG__SubHeaderBytes);
            ReadInput(p__PUCHAR__Block + g__ULONG__Form1DataOffset, COOKED_DATA_BYTES);
            EncodeSector(p__PUCHAR__Block, g__LONG__EncodeMode2Form1, m__LONG__DiscLBA);
        } else {
            // Encoding writes every byte outside the user data: sync, header, EDC, the
            // zero bytes and the parity.
            ReadInput(p__PUCHAR__Block + g__ULONG__Mode1DataOffset, COOKED_DATA_BYTES);
            EncodeSector(p__PUCHAR__Block, g__LONG__EncodeMode1, m__LONG__DiscLBA);
        }
        CTarnwick_RawSubchannel::Scramble(p__PUCHAR__Block);
    } else {
        ReadInput(p__PUCHAR__Block, CTarnwick_RawSubchannel::RAW_SECTOR_BYTES);
    }
    PutTrackQ(p__PUCHAR__Block, CTarnwick_RawSubchannel::ControlAdr(l__Track.m__BOOLEAN__IsDataTrack),
              CTarnwick_CdAddress::ToBcd(m__ULONG__BaseTrackNumber + m__ULONG__TrackIndex), m__LONG__BlockInTrack);
    ++m__LONG__BlockInTrack;
    ++m__LONG__DiscLBA;
}

void CTarnwick_RawTrackSource::ExpandRaw(PUCHAR p__PUCHAR__Block) {
    UCHAR l__UCHAR__Subchannel[CTarnwick_RawSubchannel::RAW_PW_BYTES];
    ReadInput(p__PUCHAR__Block, CTarnwick_RawSubchannel::RAW_SECTOR_BYTES);
    ReadInput(l__UCHAR__Subchannel, sizeof(l__UCHAR__Subchannel));
    CTarnwick_RawSubchannel::Scramble(p__PUCHAR__Block);
    if (m__BOOLEAN__SynthesiseQ) {
        // Block number and disc LBA are one: the image is taken to start at LBA 0.
        PutTrackQ(p__PUCHAR__Block, CTarnwick_RawSubchannel::CONTROL_ADR_DATA, g__UCHAR__RawImageTno, m__LONG__DiscLBA);
    } else if (m__ULONG__BlockBytes == CTarnwick_RawSubchannel::RAW_PW_BLOCK_BYTES) {
        std::memcpy(p__PUCHAR__Block + CTarnwick_RawSubchannel::RAW_SECTOR_BYTES, l__UCHAR__Subchannel, sizeof(l__UCHAR__Subchannel));
    } else {
        // The P-Q form keeps the Q channel and the P flag of the block's first symbol.
        UCHAR l__UCHAR__Q[CTarnwick_RawSubchannel::Q_BYTES];
        BOOLEAN l__BOOLEAN__P;
        CTarnwick_RawSubchannel::GatherQ(l__UCHAR__Subchannel, l__UCHAR__Q, &l__BOOLEAN__P);
        CTarnwick_RawSubchannel::PutSubchannel(p__PUCHAR__Block, m__ULONG__BlockBytes, l__UCHAR__Q, l__BOOLEAN__P);
    }
    ++m__LONG__DiscLBA;
}

void CTarnwick_RawTrackSource::Read(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) {
    if (p__ULONGLONG__Length > GetSize() - m__ULONGLONG__Position) {
        char l__CHAR__Name[256];
        std::snprintf(l__CHAR__Name, sizeof(l__CHAR__Name), "%s::Read", m__Names.m__PCHAR__Class);
        CTarnwick_Exception::Raise(l__CHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_STATE, 0,
                                   "%s(): Reading past the end of the image!!!", l__CHAR__Name);
    }
    PUCHAR l__PUCHAR__Out = static_cast<PUCHAR>(p__PVOID__Buffer);
    while (p__ULONGLONG__Length > 0) {
        const uint64_t l__ULONGLONG__Block = m__ULONGLONG__Position / m__ULONG__BlockBytes;
        const ULONG l__ULONG__Offset = static_cast<ULONG>(m__ULONGLONG__Position % m__ULONG__BlockBytes);
        if (l__ULONGLONG__Block + 1 > m__ULONGLONG__Expanded) {
            // A whole block asked for is built straight in the caller's buffer.
            if (l__ULONG__Offset == 0 && p__ULONGLONG__Length >= m__ULONG__BlockBytes) {
                ExpandNext(l__PUCHAR__Out);
                m__ULONGLONG__Expanded = l__ULONGLONG__Block + 1;
                l__PUCHAR__Out += m__ULONG__BlockBytes;
                p__ULONGLONG__Length -= m__ULONG__BlockBytes;
                m__ULONGLONG__Position += m__ULONG__BlockBytes;
                continue;
            }
            ExpandNext(m__UCHAR__Block);
            m__ULONGLONG__Expanded = l__ULONGLONG__Block + 1;
        }
        const ULONG l__ULONG__Copy = static_cast<ULONG>(std::min<uint64_t>(m__ULONG__BlockBytes - l__ULONG__Offset, p__ULONGLONG__Length));
        std::memcpy(l__PUCHAR__Out, m__UCHAR__Block + l__ULONG__Offset, l__ULONG__Copy);
        l__PUCHAR__Out += l__ULONG__Copy;
        p__ULONGLONG__Length -= l__ULONG__Copy;
        m__ULONGLONG__Position += l__ULONG__Copy;
    }
}
