#include "CSonquill_Reader.h"

#include <cstring>
#include <string>

#include "PlatformFile.h"
#include "PlatformSystemError.h"
#include "SonquillAvLibrary.h"
#include "SonquillDebug.h"
#include "SonquillMedia.h"
#include "sonquill.h"

namespace {
constexpr int c__INT__OutRate = 44100;
constexpr size_t c__SIZE__BytesPerSample = 4;  // 16-bit stereo
constexpr size_t c__SIZE__StageSize = 1 << 20;

}  // namespace

CSonquill_Reader::CSonquill_Reader()
    : m__PAVFormatContext__Input(nullptr),
      m__PAVCodecContext__Decoder(nullptr),
      m__PAVPacket__Packet(nullptr),
      m__PAVFrame__Frame(nullptr),
      m__PSwrContext__Converter(nullptr),
      m__INT__StreamIndex(-1),
      m__BOOLEAN__FramePending(FALSE),
      m__INT__InFormat(-1),
      m__INT__InRate(0),
      m__INT__InChannels(0),
      m__ULONGLONG__InLayoutMask(0),
      m__BOOLEAN__Decoded(FALSE),
      m__ULONG__DecodeStatus(0),
      m__INT__Cache(PlatformFile::InvalidHandle),
      m__ULONGLONG__Size(0),
      m__ULONGLONG__Position(0),
      m__SIZE__Staged(0) {}

CSonquill_Reader::~CSonquill_Reader() {
    CloseDecoder();
    if (m__INT__Cache != PlatformFile::InvalidHandle) PlatformFile::Close(m__INT__Cache);
}

void CSonquill_Reader::CloseDecoder() {
    m__BOOLEAN__FramePending = FALSE;
    if (!SonquillAvLibrary::IsLoaded()) return;  // the runtime never allocated anything
    Av().swr_free(&m__PSwrContext__Converter);
    Av().av_frame_free(&m__PAVFrame__Frame);
    Av().av_packet_free(&m__PAVPacket__Packet);
    Av().avcodec_free_context(&m__PAVCodecContext__Decoder);
    Av().avformat_close_input(&m__PAVFormatContext__Input);
}

namespace {
// True when the file is a disc image: an ISO 9660 or UDF volume descriptor at sector 16
// of 2,048 bytes, or the sync pattern of a raw 2,352-byte CD sector at its start. The
// runtime's probing finds MP3 frames inside an image that holds an MP3 file, and such an
// image must never be taken for audio.
bool IsDiscImage(const char* p__PCHAR__FileName) {
    int l__INT__File = PlatformFile::OpenRead(p__PCHAR__FileName);
    if (l__INT__File == PlatformFile::InvalidHandle) return false;
    UCHAR l__UCHAR__Head[16];
    UCHAR l__UCHAR__Descriptor[6];
    bool l__IsImage = false;
    if (PlatformFile::ReadAt(l__INT__File, l__UCHAR__Head, sizeof(l__UCHAR__Head), 0) == sizeof(l__UCHAR__Head)) {
        static const UCHAR c__UCHAR__Sync[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
        l__IsImage = std::memcmp(l__UCHAR__Head, c__UCHAR__Sync, sizeof(c__UCHAR__Sync)) == 0;
    }
    if (!l__IsImage &&
        PlatformFile::ReadAt(l__INT__File, l__UCHAR__Descriptor, sizeof(l__UCHAR__Descriptor), 16 * 2048) ==
            sizeof(l__UCHAR__Descriptor)) {
        const UCHAR* l__PUCHAR__Id = l__UCHAR__Descriptor + 1;
        l__IsImage = std::memcmp(l__PUCHAR__Id, "CD001", 5) == 0 || std::memcmp(l__PUCHAR__Id, "BEA01", 5) == 0 ||
                     std::memcmp(l__PUCHAR__Id, "NSR0", 4) == 0;
    }
    PlatformFile::Close(l__INT__File);
    return l__IsImage;
}
}  // namespace

ULONG CSonquill_Reader::Open(const char* p__PCHAR__FileName, const char* p__PCHAR__Function) {
    // A disc image is turned away before the runtime is loaded: burning one never needs it.
    if (IsDiscImage(p__PCHAR__FileName)) {
        const ULONG l__ULONG__Status = SonquillMedia_Status(AVERROR_INVALIDDATA);
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, p__PCHAR__Function,
                            "(): '%s' is a disc image, not a sound file, status %d ( 0x%x )\n", p__PCHAR__FileName,
                            static_cast<int>(l__ULONG__Status), l__ULONG__Status);
        return l__ULONG__Status;
    }
    const ULONG l__ULONG__Status = SonquillMedia_Initialise(p__PCHAR__Function);
    if (l__ULONG__Status != 0) return l__ULONG__Status;
    // The name is a local file whatever it looks like ("pipe:0", "http:..."), and nothing the
    // file refers to (playlists) may be fetched from anywhere else.
    std::string l__string__Url = std::string("file:") + p__PCHAR__FileName;
    AVDictionary* l__PAVDictionary__Options = nullptr;
    Av().av_dict_set(&l__PAVDictionary__Options, "protocol_whitelist", "file", 0);
    int l__INT__Error =
        Av().avformat_open_input(&m__PAVFormatContext__Input, l__string__Url.c_str(), nullptr, &l__PAVDictionary__Options);
    Av().av_dict_free(&l__PAVDictionary__Options);
    if (l__INT__Error < 0) {
        SonquillMedia_LogFailure(p__PCHAR__Function, "avformat_open_input()", l__INT__Error);
        return SonquillMedia_Status(l__INT__Error);
    }
    l__INT__Error = Av().avformat_find_stream_info(m__PAVFormatContext__Input, nullptr);
    if (l__INT__Error < 0) {
        SonquillMedia_LogFailure(p__PCHAR__Function, "avformat_find_stream_info()", l__INT__Error);
        return SonquillMedia_Status(l__INT__Error);
    }
    const AVCodec* l__PAVCodec__Decoder = nullptr;
    l__INT__Error =
        Av().av_find_best_stream(m__PAVFormatContext__Input, AVMEDIA_TYPE_AUDIO, -1, -1, &l__PAVCodec__Decoder, 0);
    if (l__INT__Error < 0) {
        SonquillMedia_LogFailure(p__PCHAR__Function, "av_find_best_stream()", l__INT__Error);
        return SonquillMedia_Status(l__INT__Error);
    }
    m__INT__StreamIndex = l__INT__Error;
    AVStream* l__PAVStream__Stream = m__PAVFormatContext__Input->streams[m__INT__StreamIndex];
    // Only the chosen stream is read.
    for (unsigned i = 0; i < m__PAVFormatContext__Input->nb_streams; ++i)
        if (static_cast<int>(i) != m__INT__StreamIndex) m__PAVFormatContext__Input->streams[i]->discard = AVDISCARD_ALL;

    m__PAVCodecContext__Decoder = Av().avcodec_alloc_context3(l__PAVCodec__Decoder);
    m__PAVPacket__Packet = Av().av_packet_alloc();
    m__PAVFrame__Frame = Av().av_frame_alloc();
    if (m__PAVCodecContext__Decoder == nullptr || m__PAVPacket__Packet == nullptr || m__PAVFrame__Frame == nullptr)
        return SONQUILL_STATUS_OUT_OF_MEMORY;
    l__INT__Error = Av().avcodec_parameters_to_context(m__PAVCodecContext__Decoder, l__PAVStream__Stream->codecpar);
    if (l__INT__Error >= 0) {
        m__PAVCodecContext__Decoder->pkt_timebase = l__PAVStream__Stream->time_base;
        l__INT__Error = Av().avcodec_open2(m__PAVCodecContext__Decoder, l__PAVCodec__Decoder, nullptr);
    }
    if (l__INT__Error < 0) {
        SonquillMedia_LogFailure(p__PCHAR__Function, "avcodec_open2()", l__INT__Error);
        return SonquillMedia_Status(l__INT__Error);
    }

    // The file counts as decodable when its first frame of audio decodes; that frame is
    // kept for the full decoding.
    BOOLEAN l__BOOLEAN__DrainSent = FALSE;
    for (;;) {
        l__INT__Error = Av().avcodec_receive_frame(m__PAVCodecContext__Decoder, m__PAVFrame__Frame);
        if (l__INT__Error >= 0) {
            if (m__PAVFrame__Frame->nb_samples > 0) break;
            Av().av_frame_unref(m__PAVFrame__Frame);
            continue;
        }
        // A frame that does not decode is skipped; no decodable frame at all is a failure.
        if (l__INT__Error == AVERROR_EOF || l__BOOLEAN__DrainSent) {
            SonquillMedia_LogFailure(p__PCHAR__Function, "avcodec_receive_frame() of the first frame", AVERROR_INVALIDDATA);
            return SonquillMedia_Status(AVERROR_INVALIDDATA);
        }
        l__INT__Error = Av().av_read_frame(m__PAVFormatContext__Input, m__PAVPacket__Packet);
        if (l__INT__Error < 0) {
            Av().avcodec_send_packet(m__PAVCodecContext__Decoder, nullptr);  // drain what is left
            l__BOOLEAN__DrainSent = TRUE;
            continue;
        }
        if (m__PAVPacket__Packet->stream_index == m__INT__StreamIndex)
            Av().avcodec_send_packet(m__PAVCodecContext__Decoder, m__PAVPacket__Packet);  // bad packets are skipped
        Av().av_packet_unref(m__PAVPacket__Packet);
    }
    m__BOOLEAN__FramePending = TRUE;
    return 0;
}

int CSonquill_Reader::MakeConverter(const AVFrame* p__PAVFrame__Frame) {
    AVChannelLayout l__AVChannelLayout__In;
    if (p__PAVFrame__Frame->ch_layout.order == AV_CHANNEL_ORDER_NATIVE)
        Av().av_channel_layout_copy(&l__AVChannelLayout__In, &p__PAVFrame__Frame->ch_layout);
    else
        Av().av_channel_layout_default(&l__AVChannelLayout__In, p__PAVFrame__Frame->ch_layout.nb_channels);
    AVChannelLayout l__AVChannelLayout__Out = AV_CHANNEL_LAYOUT_STEREO;
    Av().swr_free(&m__PSwrContext__Converter);
    int l__INT__Error = Av().swr_alloc_set_opts2(&m__PSwrContext__Converter, &l__AVChannelLayout__Out, AV_SAMPLE_FMT_S16,
                                            c__INT__OutRate, &l__AVChannelLayout__In,
                                            static_cast<AVSampleFormat>(p__PAVFrame__Frame->format),
                                            p__PAVFrame__Frame->sample_rate, 0, nullptr);
    if (l__INT__Error >= 0) l__INT__Error = Av().swr_init(m__PSwrContext__Converter);
    m__INT__InFormat = p__PAVFrame__Frame->format;
    m__INT__InRate = p__PAVFrame__Frame->sample_rate;
    m__INT__InChannels = p__PAVFrame__Frame->ch_layout.nb_channels;
    m__ULONGLONG__InLayoutMask =
        p__PAVFrame__Frame->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? p__PAVFrame__Frame->ch_layout.u.mask : 0;
    Av().av_channel_layout_uninit(&l__AVChannelLayout__In);
    return l__INT__Error;
}

int CSonquill_Reader::Stage(const UCHAR* p__PUCHAR__Bytes, size_t p__SIZE__Length) {
    while (p__SIZE__Length > 0) {
        size_t l__SIZE__Piece = std::min(p__SIZE__Length, m__vector__Stage.size() - m__SIZE__Staged);
        std::memcpy(m__vector__Stage.data() + m__SIZE__Staged, p__PUCHAR__Bytes, l__SIZE__Piece);
        m__SIZE__Staged += l__SIZE__Piece;
        p__PUCHAR__Bytes += l__SIZE__Piece;
        p__SIZE__Length -= l__SIZE__Piece;
        if (m__SIZE__Staged == m__vector__Stage.size()) {
            int l__INT__Error = FlushStage();
            if (l__INT__Error < 0) return l__INT__Error;
        }
    }
    return 0;
}

int CSonquill_Reader::FlushStage() {
    if (m__SIZE__Staged == 0) return 0;
    int64_t l__LONGLONG__Written = PlatformFile::Write(m__INT__Cache, m__vector__Stage.data(), m__SIZE__Staged);
    if (l__LONGLONG__Written != static_cast<int64_t>(m__SIZE__Staged))
        return l__LONGLONG__Written < 0 ? AVERROR(GetLastError()) : AVERROR(ENOSPC);
    m__ULONGLONG__Size += m__SIZE__Staged;
    m__SIZE__Staged = 0;
    return 0;
}

int CSonquill_Reader::Convert(const AVFrame* p__PAVFrame__Frame) {
    if (p__PAVFrame__Frame != nullptr) {
        uint64_t l__ULONGLONG__Mask =
            p__PAVFrame__Frame->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? p__PAVFrame__Frame->ch_layout.u.mask : 0;
        if (m__PSwrContext__Converter == nullptr || p__PAVFrame__Frame->format != m__INT__InFormat ||
            p__PAVFrame__Frame->sample_rate != m__INT__InRate ||
            p__PAVFrame__Frame->ch_layout.nb_channels != m__INT__InChannels ||
            l__ULONGLONG__Mask != m__ULONGLONG__InLayoutMask) {
            // A change of format in the middle of the stream: finish the old converter first.
            if (m__PSwrContext__Converter != nullptr) {
                int l__INT__Error = Convert(nullptr);
                if (l__INT__Error < 0) return l__INT__Error;
            }
            int l__INT__Error = MakeConverter(p__PAVFrame__Frame);
            if (l__INT__Error < 0) return l__INT__Error;
        }
    } else if (m__PSwrContext__Converter == nullptr) {
        return 0;
    }
    int l__INT__InSamples = p__PAVFrame__Frame != nullptr ? p__PAVFrame__Frame->nb_samples : 0;
    for (;;) {
        int l__INT__Room = Av().swr_get_out_samples(m__PSwrContext__Converter, l__INT__InSamples);
        if (l__INT__Room < 0) return l__INT__Room;
        if (l__INT__Room == 0) return 0;
        m__vector__Converted.resize(static_cast<size_t>(l__INT__Room) * c__SIZE__BytesPerSample);
        uint8_t* l__PUCHAR__Out = m__vector__Converted.data();
        int l__INT__Got = Av().swr_convert(m__PSwrContext__Converter, &l__PUCHAR__Out, l__INT__Room,
                                      p__PAVFrame__Frame != nullptr
                                          ? const_cast<const uint8_t**>(p__PAVFrame__Frame->extended_data)
                                          : nullptr,
                                      l__INT__InSamples);
        if (l__INT__Got < 0) return l__INT__Got;
        int l__INT__Error = Stage(l__PUCHAR__Out, static_cast<size_t>(l__INT__Got) * c__SIZE__BytesPerSample);
        if (l__INT__Error < 0) return l__INT__Error;
        // With input, one call takes it all; a flush repeats until the converter is empty.
        if (p__PAVFrame__Frame != nullptr || l__INT__Got == 0) return 0;
    }
}

ULONG CSonquill_Reader::DecodeAll(const char* p__PCHAR__Function) {
    if (m__BOOLEAN__Decoded) return 0;
    // A decoding that failed once is not tried again: the same status is returned.
    if (m__ULONG__DecodeStatus != 0) return m__ULONG__DecodeStatus;
    if (m__PAVCodecContext__Decoder == nullptr) return SONQUILL_STATUS_INVALID_PARAMETER;
    m__INT__Cache = PlatformFile::CreateTemporary();
    if (m__INT__Cache == PlatformFile::InvalidHandle) {
        ULONG l__ULONG__Status = GetLastError();
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, p__PCHAR__Function,
                            "(): creating the temporary file failed, status %d ( 0x%x )\n",
                            static_cast<int>(l__ULONG__Status), l__ULONG__Status);
        m__ULONG__DecodeStatus = l__ULONG__Status;
        return l__ULONG__Status;
    }
    m__vector__Stage.resize(c__SIZE__StageSize);
    m__SIZE__Staged = 0;
    m__ULONGLONG__Size = 0;

    int l__INT__Error = 0;
    BOOLEAN l__BOOLEAN__InputDone = FALSE;
    for (;;) {
        if (m__BOOLEAN__FramePending) {
            l__INT__Error = Convert(m__PAVFrame__Frame);
            Av().av_frame_unref(m__PAVFrame__Frame);
            m__BOOLEAN__FramePending = FALSE;
            if (l__INT__Error < 0) break;
        }
        l__INT__Error = Av().avcodec_receive_frame(m__PAVCodecContext__Decoder, m__PAVFrame__Frame);
        if (l__INT__Error >= 0) {
            m__BOOLEAN__FramePending = TRUE;
            continue;
        }
        if (l__INT__Error == AVERROR_EOF) {
            l__INT__Error = 0;
            break;
        }
        // Any other answer (more input wanted, or a frame that did not decode, which the
        // command-line tool also skips) goes on with the next packet.
        if (l__BOOLEAN__InputDone) {
            l__INT__Error = 0;
            break;
        }
        // Like the command-line tool: a damaged packet is skipped, a read error ends the input.
        if (Av().av_read_frame(m__PAVFormatContext__Input, m__PAVPacket__Packet) < 0) {
            l__BOOLEAN__InputDone = TRUE;
            Av().avcodec_send_packet(m__PAVCodecContext__Decoder, nullptr);
            continue;
        }
        if (m__PAVPacket__Packet->stream_index == m__INT__StreamIndex)
            Av().avcodec_send_packet(m__PAVCodecContext__Decoder, m__PAVPacket__Packet);
        Av().av_packet_unref(m__PAVPacket__Packet);
    }
    if (l__INT__Error >= 0) l__INT__Error = Convert(nullptr);
    if (l__INT__Error >= 0) l__INT__Error = FlushStage();
    CloseDecoder();
    m__vector__Stage = std::vector<UCHAR>();
    m__vector__Converted = std::vector<UCHAR>();
    if (l__INT__Error < 0) {
        SonquillMedia_LogFailure(p__PCHAR__Function, "decoding", l__INT__Error);
        m__ULONG__DecodeStatus = SonquillMedia_Status(l__INT__Error);
        return m__ULONG__DecodeStatus;
    }
    m__BOOLEAN__Decoded = TRUE;
    m__ULONGLONG__Position = 0;
    return 0;
}

ULONG CSonquill_Reader::UncompressedSizeGet(uint64_t* p__PULONGLONG__Size, const char* p__PCHAR__Function) {
    ULONG l__ULONG__Status = DecodeAll(p__PCHAR__Function);
    if (l__ULONG__Status != 0) return l__ULONG__Status;
    *p__PULONGLONG__Size = m__ULONGLONG__Size;
    return 0;
}

ULONG CSonquill_Reader::BeginSeek(const char* p__PCHAR__Function) {
    ULONG l__ULONG__Status = DecodeAll(p__PCHAR__Function);
    if (l__ULONG__Status != 0) return l__ULONG__Status;
    m__ULONGLONG__Position = 0;
    return 0;
}

ULONG CSonquill_Reader::Read(PVOID p__PVOID__Buffer, ULONG p__ULONG__Size, const char* p__PCHAR__Function) {
    ULONG l__ULONG__Status = DecodeAll(p__PCHAR__Function);
    if (l__ULONG__Status != 0) return l__ULONG__Status;
    uint64_t l__ULONGLONG__Left = m__ULONGLONG__Size - m__ULONGLONG__Position;
    size_t l__SIZE__Wanted = p__ULONG__Size <= l__ULONGLONG__Left ? p__ULONG__Size : l__ULONGLONG__Left;
    int64_t l__LONGLONG__Got = PlatformFile::ReadAt(m__INT__Cache, p__PVOID__Buffer, l__SIZE__Wanted,
                                                    static_cast<int64_t>(m__ULONGLONG__Position));
    if (l__LONGLONG__Got < 0) {
        l__ULONG__Status = GetLastError();
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, p__PCHAR__Function,
                            "(): reading the decoded audio failed, status %d ( 0x%x )\n",
                            static_cast<int>(l__ULONG__Status), l__ULONG__Status);
        return l__ULONG__Status;
    }
    m__ULONGLONG__Position += static_cast<uint64_t>(l__LONGLONG__Got);
    if (static_cast<size_t>(l__LONGLONG__Got) < p__ULONG__Size) {
        std::memset(static_cast<UCHAR*>(p__PVOID__Buffer) + l__LONGLONG__Got, 0,
                    p__ULONG__Size - static_cast<size_t>(l__LONGLONG__Got));
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, p__PCHAR__Function,
                            "(): %d from %d UCHARs read, status %d ( 0x%x )\n", static_cast<int>(l__LONGLONG__Got),
                            static_cast<int>(p__ULONG__Size), static_cast<int>(SONQUILL_STATUS_SHORT_TRANSFER),
                            SONQUILL_STATUS_SHORT_TRANSFER);
        return SONQUILL_STATUS_SHORT_TRANSFER;
    }
    return 0;
}
