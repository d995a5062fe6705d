#include "CTarnwick_MdsWriter.h"

#include <cstring>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdAddress.h"
#include "CTarnwick_Exception.h"

namespace {

const char* const g__PCHAR__Build = "CTarnwick_MdsWriter::Build";

// The longest image name a reader takes (it reads 260 bytes, the terminating zero included).
constexpr size_t MAXIMUM_NAME_LENGTH = 259;
constexpr UCHAR ADR_POSITION = 0x10;  // ADR 1 in the upper nibble, as a full TOC gives it

void RaiseInvalid(const char* p__PCHAR__Why) {
    CTarnwick_Exception::Raise(g__PCHAR__Build, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                               "CTarnwick_MdsWriter::Build(): %s!!!", p__PCHAR__Why);
}

// One data block's position fields: ADR/control, point and the point's time (binary MSF).
void PutPoint(UCHAR* p__PUCHAR__Block, UCHAR p__UCHAR__Control, UCHAR p__UCHAR__Point, UCHAR p__UCHAR__Minute,
              UCHAR p__UCHAR__Second, UCHAR p__UCHAR__Frame) {
    p__PUCHAR__Block[2] = static_cast<UCHAR>(ADR_POSITION | (p__UCHAR__Control & 0x0F));
    p__PUCHAR__Block[4] = p__UCHAR__Point;
    p__PUCHAR__Block[9] = p__UCHAR__Minute;
    p__PUCHAR__Block[10] = p__UCHAR__Second;
    p__PUCHAR__Block[11] = p__UCHAR__Frame;
}

}  // namespace

UCHAR CTarnwick_MdsWriter::ModeByte(TRACK_MODE p__Mode) {
    switch (p__Mode) {
        case MODE_AUDIO: return 0xA9;
        case MODE_1: return 0xAA;
        case MODE_2: return 0xAB;
        case MODE_2_FORM_1: return 0xAC;
        default: return 0xAD;
    }
}

std::vector<UCHAR> CTarnwick_MdsWriter::Build(const std::vector<TRACK>& p__Tracks, LONG p__LONG__LeadOutLBA,
                                              const std::string& p__string__ImageName) {
    if (p__Tracks.empty() || p__Tracks.size() > 99) RaiseInvalid("A session holds 1 to 99 tracks");
    if (p__string__ImageName.empty() || p__string__ImageName.size() > MAXIMUM_NAME_LENGTH ||
        p__string__ImageName.find('\0') != std::string::npos) {
        RaiseInvalid("The image file name is empty or too long");
    }
    for (size_t i = 0; i < p__Tracks.size(); ++i) {
        const TRACK& l__Track = p__Tracks[i];
        const LONG l__LONG__Next = i + 1 < p__Tracks.size() ? p__Tracks[i + 1].m__LONG__StartLBA - p__Tracks[i + 1].m__LONG__Pregap
                                                            : p__LONG__LeadOutLBA;
        if (l__Track.m__LONG__Pregap < 0 || l__Track.m__LONG__StartLBA >= l__LONG__Next ||
            l__Track.m__UCHAR__Number != p__Tracks[0].m__UCHAR__Number + i || l__Track.m__UCHAR__Number == 0) {
            RaiseInvalid("The tracks do not follow one another up to the lead-out");
        }
    }

    const ULONG l__ULONG__Tracks = static_cast<ULONG>(p__Tracks.size());
    const ULONG l__ULONG__DataBlocks = LEAD_IN_BLOCKS + l__ULONG__Tracks;
    const ULONG l__ULONG__DataAt = HEADER_SIZE + SESSION_SIZE;
    const ULONG l__ULONG__ExtraAt = l__ULONG__DataAt + l__ULONG__DataBlocks * DATA_BLOCK_SIZE;
    const ULONG l__ULONG__FileAt = l__ULONG__ExtraAt + l__ULONG__DataBlocks * EXTRA_BLOCK_SIZE;
    const ULONG l__ULONG__NameAt = l__ULONG__FileAt + l__ULONG__Tracks * FILE_BLOCK_SIZE;
    std::vector<UCHAR> l__File(l__ULONG__NameAt + p__string__ImageName.size() + 1, 0);
    UCHAR* const l__PUCHAR__File = l__File.data();

    // Header: signature, format version 1.3, medium 0 (CD), one session, the session block.
    std::memcpy(l__PUCHAR__File, "MEDIA DESCRIPTOR", 16);
    l__PUCHAR__File[16] = 1;
    l__PUCHAR__File[17] = 3;
    CTarnwick_Bytes::PutLittleEndian16(l__PUCHAR__File + 18, 0);
    CTarnwick_Bytes::PutLittleEndian16(l__PUCHAR__File + 20, 1);
    CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__File + 80, HEADER_SIZE);

    // Session: from track 1's pre-gap to the lead-out.
    const TRACK& l__First = p__Tracks.front();
    const TRACK& l__Last = p__Tracks.back();
    UCHAR* const l__PUCHAR__Session = l__PUCHAR__File + HEADER_SIZE;
    CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__Session + 0, static_cast<ULONG>(l__First.m__LONG__StartLBA - l__First.m__LONG__Pregap));
    CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__Session + 4, static_cast<ULONG>(p__LONG__LeadOutLBA));
    CTarnwick_Bytes::PutLittleEndian16(l__PUCHAR__Session + 8, 1);
    l__PUCHAR__Session[10] = static_cast<UCHAR>(l__ULONG__DataBlocks);
    l__PUCHAR__Session[11] = static_cast<UCHAR>(LEAD_IN_BLOCKS);
    CTarnwick_Bytes::PutLittleEndian16(l__PUCHAR__Session + 12, l__First.m__UCHAR__Number);
    CTarnwick_Bytes::PutLittleEndian16(l__PUCHAR__Session + 14, l__Last.m__UCHAR__Number);
    CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__Session + 20, l__ULONG__DataAt);

    // Lead-in points: A0h the first track and the disc type (20h with a Mode 2 track), A1h
    // the last track, A2h the lead-out's time.
    bool l__bool__HasMode2 = false;
    for (const TRACK& l__Track : p__Tracks) l__bool__HasMode2 |= l__Track.m__Mode >= MODE_2;
    UCHAR l__UCHAR__LeadOut[3];
    CTarnwick_CdAddress::LbaToMsf(p__LONG__LeadOutLBA, l__UCHAR__LeadOut);
    UCHAR* l__PUCHAR__Block = l__PUCHAR__File + l__ULONG__DataAt;
    PutPoint(l__PUCHAR__Block, l__First.m__UCHAR__Control, 0xA0, l__First.m__UCHAR__Number, l__bool__HasMode2 ? 0x20 : 0x00, 0);
    PutPoint(l__PUCHAR__Block + DATA_BLOCK_SIZE, l__Last.m__UCHAR__Control, 0xA1, l__Last.m__UCHAR__Number, 0, 0);
    PutPoint(l__PUCHAR__Block + 2 * DATA_BLOCK_SIZE, l__Last.m__UCHAR__Control, 0xA2, l__UCHAR__LeadOut[0],
             l__UCHAR__LeadOut[1], l__UCHAR__LeadOut[2]);
    for (ULONG i = 0; i < LEAD_IN_BLOCKS; ++i) {
        CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__Block + i * DATA_BLOCK_SIZE + 12, l__ULONG__ExtraAt + i * EXTRA_BLOCK_SIZE);
    }

    // Tracks.
    const char* const l__PCHAR__Name = p__string__ImageName.c_str();
    std::memcpy(l__PUCHAR__File + l__ULONG__NameAt, l__PCHAR__Name, p__string__ImageName.size());
    for (ULONG i = 0; i < l__ULONG__Tracks; ++i) {
        const TRACK& l__Track = p__Tracks[i];
        const bool l__bool__IsLast = i + 1 == l__ULONG__Tracks;
        // Blocks of the track itself (index 1 up to the next pre-gap), and from its index 1
        // to the next track's index 1: the size a reader of the descriptor takes.
        const LONG l__LONG__NextStart = l__bool__IsLast ? p__LONG__LeadOutLBA : p__Tracks[i + 1].m__LONG__StartLBA;
        const LONG l__LONG__NextPregap = l__bool__IsLast ? 0 : p__Tracks[i + 1].m__LONG__Pregap;
        const LONG l__LONG__Size = l__LONG__NextStart - l__Track.m__LONG__StartLBA;

        UCHAR* const l__PUCHAR__Data = l__PUCHAR__Block + (LEAD_IN_BLOCKS + i) * DATA_BLOCK_SIZE;
        UCHAR l__UCHAR__Msf[3];
        CTarnwick_CdAddress::LbaToMsf(l__Track.m__LONG__StartLBA, l__UCHAR__Msf);
        l__PUCHAR__Data[0] = ModeByte(l__Track.m__Mode);
        l__PUCHAR__Data[1] = SUBCHANNEL_INTERLEAVED_PW;
        PutPoint(l__PUCHAR__Data, l__Track.m__UCHAR__Control, l__Track.m__UCHAR__Number, l__UCHAR__Msf[0], l__UCHAR__Msf[1],
                 l__UCHAR__Msf[2]);
        const ULONG l__ULONG__Extra = l__ULONG__ExtraAt + (LEAD_IN_BLOCKS + i) * EXTRA_BLOCK_SIZE;
        CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__Data + 12, l__ULONG__Extra);
        CTarnwick_Bytes::PutLittleEndian16(l__PUCHAR__Data + 16, RAW_BLOCK_SIZE);
        CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__Data + 36, static_cast<ULONG>(l__Track.m__LONG__StartLBA));
        CTarnwick_Bytes::PutLittleEndian64(
            l__PUCHAR__Data + 40,
            static_cast<uint64_t>(l__Track.m__LONG__StartLBA - l__First.m__LONG__StartLBA) * RAW_BLOCK_SIZE);
        CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__Data + 48, 1);
        const ULONG l__ULONG__FileBlock = l__ULONG__FileAt + i * FILE_BLOCK_SIZE;
        CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__Data + 52, l__ULONG__FileBlock);

        CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__File + l__ULONG__Extra, static_cast<ULONG>(l__Track.m__LONG__Pregap));
        CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__File + l__ULONG__Extra + 4,
                                           static_cast<ULONG>(l__LONG__Size - l__LONG__NextPregap));

        UCHAR* const l__PUCHAR__FileBlock = l__PUCHAR__File + l__ULONG__FileBlock;
        CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__FileBlock + 0, l__ULONG__NameAt);
        l__PUCHAR__FileBlock[4] = 0;  // an 8-bit name
        CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__FileBlock + 8, static_cast<ULONG>(l__LONG__Size));
    }
    return l__File;
}
