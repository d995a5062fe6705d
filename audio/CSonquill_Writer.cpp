#include "CSonquill_Writer.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "PlatformFile.h"
#include "PlatformSystemError.h"
#include "SonquillAvLibrary.h"
#include "SonquillDebug.h"
#include "SonquillMedia.h"
#include "sonquill.h"

namespace {
constexpr int c__INT__InRate = 44100;
constexpr int c__INT__IoBufferSize = 1 << 16;
// Frames of encoders that take any size.
constexpr int c__INT__VariableFrameSize = 4096;

struct OutputKind {
    const char* m__PCHAR__Extension;
    const char* m__PCHAR__Muxer;
    const char* m__PCHAR__Encoder;
};
const OutputKind c__OutputKinds[] = {
    {".flac", "flac", "flac"}, {".ogg", "ogg", "libvorbis"}, {".opus", "opus", "libopus"},
    {".mp3", "mp3", "libmp3lame"}, {".m4a", "ipod", "aac"},     {".wma", "asf", "wmav2"},
};

const OutputKind* FindKind(const char* p__PCHAR__FileName) {
    const char* l__PCHAR__Dot = std::strrchr(p__PCHAR__FileName, '.');
    if (l__PCHAR__Dot == nullptr || std::strchr(l__PCHAR__Dot, '/') != nullptr) return nullptr;
    for (const OutputKind& l__Kind : c__OutputKinds)
        if (strcasecmp(l__PCHAR__Dot, l__Kind.m__PCHAR__Extension) == 0) return &l__Kind;
    return nullptr;
}

}  // namespace

CSonquill_Writer::CSonquill_Writer()
    : m__INT__File(PlatformFile::InvalidHandle),
      m__INT__WriteError(0),
      m__PAVIOContext__Output(nullptr),
      m__PAVFormatContext__Output(nullptr),
      m__PAVCodecContext__Encoder(nullptr),
      m__PSwrContext__Converter(nullptr),
      m__PAVAudioFifo__Fifo(nullptr),
      m__PAVFrame__Frame(nullptr),
      m__PAVPacket__Packet(nullptr),
      m__INT__FrameSize(0),
      m__LONGLONG__NextPts(0),
      m__BOOLEAN__HeaderWritten(FALSE),
      m__BOOLEAN__Finished(FALSE),
      m__PCHAR__Extension(""),
      m__UCHAR__Partial{},
      m__ULONG__PartialSize(0) {}

CSonquill_Writer::~CSonquill_Writer() {
    if (SonquillAvLibrary::IsLoaded()) {  // else the runtime never allocated anything
        Av().av_packet_free(&m__PAVPacket__Packet);
        Av().av_frame_free(&m__PAVFrame__Frame);
        if (m__PAVAudioFifo__Fifo != nullptr) Av().av_audio_fifo_free(m__PAVAudioFifo__Fifo);
        Av().swr_free(&m__PSwrContext__Converter);
        Av().avcodec_free_context(&m__PAVCodecContext__Encoder);
        Av().avformat_free_context(m__PAVFormatContext__Output);
        if (m__PAVIOContext__Output != nullptr) {
            Av().av_freep(&m__PAVIOContext__Output->buffer);
            Av().avio_context_free(&m__PAVIOContext__Output);
        }
    }
    if (m__INT__File != PlatformFile::InvalidHandle) PlatformFile::Close(m__INT__File);
}

int CSonquill_Writer::WritePacket(void* p__PVOID__Opaque, uint8_t* p__PUCHAR__Buffer, int p__INT__Size) {
    CSonquill_Writer* l__Self = static_cast<CSonquill_Writer*>(p__PVOID__Opaque);
    int64_t l__LONGLONG__Written = PlatformFile::Write(l__Self->m__INT__File, p__PUCHAR__Buffer, p__INT__Size);
    if (l__LONGLONG__Written != p__INT__Size) {
        l__Self->m__INT__WriteError = l__LONGLONG__Written < 0 ? AVERROR(GetLastError()) : AVERROR(ENOSPC);
        return l__Self->m__INT__WriteError;
    }
    return p__INT__Size;
}

int64_t CSonquill_Writer::SeekPacket(void* p__PVOID__Opaque, int64_t p__LONGLONG__Offset, int p__INT__Whence) {
    CSonquill_Writer* l__Self = static_cast<CSonquill_Writer*>(p__PVOID__Opaque);
    if (p__INT__Whence == AVSEEK_SIZE) {
        int64_t l__LONGLONG__Size = PlatformFile::Size(l__Self->m__INT__File);
        return l__LONGLONG__Size < 0 ? AVERROR(GetLastError()) : l__LONGLONG__Size;
    }
    int64_t l__LONGLONG__Position =
        PlatformFile::Seek(l__Self->m__INT__File, p__LONGLONG__Offset, p__INT__Whence & ~AVSEEK_FORCE);
    return l__LONGLONG__Position < 0 ? AVERROR(GetLastError()) : l__LONGLONG__Position;
}

int CSonquill_Writer::Configure(ULONG p__ULONG__Compression, void* p__PAVDictionary__Options) {
    AVCodecContext* l__Encoder = m__PAVCodecContext__Encoder;
    AVDictionary** l__Options = static_cast<AVDictionary**>(p__PAVDictionary__Options);
    const bool l__IsConstant = p__ULONG__Compression > 100;
    // 0 asks for the best the format can do.
    const double l__Quality = p__ULONG__Compression == 0 ? 100.0 : static_cast<double>(p__ULONG__Compression);
    const int64_t l__ConstantRate = static_cast<int64_t>(p__ULONG__Compression) * 1000;
    const std::string l__Encoder__Name = l__Encoder->codec->name;
    if (l__Encoder__Name == "flac") return 0;
    if (l__Encoder__Name == "libvorbis") {
        if (l__IsConstant) {
            l__Encoder->bit_rate = l__ConstantRate;
        } else {
            l__Encoder->flags |= AV_CODEC_FLAG_QSCALE;
            l__Encoder->global_quality = static_cast<int>(l__Quality / 10.0 * FF_QP2LAMBDA);
        }
    } else if (l__Encoder__Name == "libmp3lame") {
        if (l__IsConstant) {
            l__Encoder->bit_rate = l__ConstantRate;
        } else {
            l__Encoder->flags |= AV_CODEC_FLAG_QSCALE;
            l__Encoder->global_quality = static_cast<int>((9.0 - 9.0 * l__Quality / 100.0) * FF_QP2LAMBDA);
        }
    } else if (l__Encoder__Name == "libopus") {
        l__Encoder->bit_rate = l__IsConstant ? l__ConstantRate : static_cast<int64_t>((32.0 + 2.24 * l__Quality) * 1000);
        Av().av_dict_set(l__Options, "vbr", l__IsConstant ? "off" : "on", 0);
    } else if (l__Encoder__Name == "aac") {
        l__Encoder->bit_rate = l__IsConstant ? l__ConstantRate : static_cast<int64_t>((64.0 + 2.56 * l__Quality) * 1000);
    } else {
        l__Encoder->bit_rate = l__IsConstant ? l__ConstantRate : static_cast<int64_t>((64.0 + 1.28 * l__Quality) * 1000);
    }
    return 0;
}

ULONG CSonquill_Writer::Create(const char* p__PCHAR__FileName, ULONG p__ULONG__Compression,
                               const char* p__PCHAR__Function) {
    ULONG l__ULONG__Status = Open(p__PCHAR__FileName, p__ULONG__Compression, p__PCHAR__Function);
    // A file this writer created but could not start is not left behind.
    if (l__ULONG__Status != 0 && m__INT__File != PlatformFile::InvalidHandle) {
        PlatformFile::Close(m__INT__File);
        m__INT__File = PlatformFile::InvalidHandle;
        PlatformFile::Remove(p__PCHAR__FileName);
    }
    return l__ULONG__Status;
}

ULONG CSonquill_Writer::Open(const char* p__PCHAR__FileName, ULONG p__ULONG__Compression, const char* p__PCHAR__Function) {
    const ULONG l__ULONG__Loaded = SonquillMedia_Initialise(p__PCHAR__Function);
    if (l__ULONG__Loaded != 0) return l__ULONG__Loaded;
    const OutputKind* l__Kind = FindKind(p__PCHAR__FileName);
    const AVCodec* l__PAVCodec__Encoder = l__Kind != nullptr ? Av().avcodec_find_encoder_by_name(l__Kind->m__PCHAR__Encoder) : nullptr;
    const AVOutputFormat* l__PAVOutputFormat__Muxer =
        l__Kind != nullptr ? Av().av_guess_format(l__Kind->m__PCHAR__Muxer, nullptr, nullptr) : nullptr;
    if (l__PAVCodec__Encoder == nullptr || l__PAVOutputFormat__Muxer == nullptr) {
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, p__PCHAR__Function,
                            "(): no encoder for the file type of '%s', status %d ( 0x%x )\n", p__PCHAR__FileName,
                            static_cast<int>(SONQUILL_STATUS_FORMAT_NOT_WRITABLE), SONQUILL_STATUS_FORMAT_NOT_WRITABLE);
        return SONQUILL_STATUS_FORMAT_NOT_WRITABLE;
    }
    m__PCHAR__Extension = l__Kind->m__PCHAR__Extension;

    m__INT__File = PlatformFile::CreateNew(p__PCHAR__FileName);
    if (m__INT__File == PlatformFile::InvalidHandle) {
        ULONG l__ULONG__Status = GetLastError();
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, p__PCHAR__Function,
                            "(): CreateFile( '%s' ) failed, status %d ( 0x%x )\n", p__PCHAR__FileName,
                            static_cast<int>(l__ULONG__Status), l__ULONG__Status);
        return l__ULONG__Status;
    }
    unsigned char* l__PUCHAR__IoBuffer = static_cast<unsigned char*>(Av().av_malloc(c__INT__IoBufferSize));
    m__PAVFrame__Frame = Av().av_frame_alloc();
    m__PAVPacket__Packet = Av().av_packet_alloc();
    m__PAVCodecContext__Encoder = Av().avcodec_alloc_context3(l__PAVCodec__Encoder);
    if (l__PUCHAR__IoBuffer != nullptr) {
        m__PAVIOContext__Output = Av().avio_alloc_context(l__PUCHAR__IoBuffer, c__INT__IoBufferSize, 1, this, nullptr,
                                                     &CSonquill_Writer::WritePacket, &CSonquill_Writer::SeekPacket);
        if (m__PAVIOContext__Output == nullptr) Av().av_free(l__PUCHAR__IoBuffer);
    }
    int l__INT__Error = Av().avformat_alloc_output_context2(&m__PAVFormatContext__Output, l__PAVOutputFormat__Muxer, nullptr,
                                                       p__PCHAR__FileName);
    if (m__PAVIOContext__Output == nullptr || m__PAVFrame__Frame == nullptr || m__PAVPacket__Packet == nullptr ||
        m__PAVCodecContext__Encoder == nullptr || l__INT__Error < 0)
        return SONQUILL_STATUS_OUT_OF_MEMORY;
    m__PAVFormatContext__Output->pb = m__PAVIOContext__Output;
    m__PAVFormatContext__Output->flags |= AVFMT_FLAG_CUSTOM_IO;

    AVCodecContext* l__Encoder = m__PAVCodecContext__Encoder;
    // 16-bit samples when the encoder takes them, else its first format.
    l__Encoder->sample_fmt = l__PAVCodec__Encoder->sample_fmts[0];
    for (const AVSampleFormat* l__Format = l__PAVCodec__Encoder->sample_fmts; *l__Format != AV_SAMPLE_FMT_NONE; ++l__Format)
        if (*l__Format == AV_SAMPLE_FMT_S16) l__Encoder->sample_fmt = AV_SAMPLE_FMT_S16;
    l__Encoder->sample_rate = c__INT__InRate;
    if (l__PAVCodec__Encoder->supported_samplerates != nullptr) {
        bool l__Found = false;
        for (const int* l__Rate = l__PAVCodec__Encoder->supported_samplerates; *l__Rate != 0; ++l__Rate)
            l__Found = l__Found || *l__Rate == c__INT__InRate;
        if (!l__Found) l__Encoder->sample_rate = 48000;
    }
    AVChannelLayout l__Stereo = AV_CHANNEL_LAYOUT_STEREO;
    Av().av_channel_layout_copy(&l__Encoder->ch_layout, &l__Stereo);
    l__Encoder->time_base = AVRational{1, l__Encoder->sample_rate};
    if (m__PAVFormatContext__Output->oformat->flags & AVFMT_GLOBALHEADER) l__Encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* l__PAVDictionary__Options = nullptr;
    Configure(p__ULONG__Compression, &l__PAVDictionary__Options);
    l__INT__Error = Av().avcodec_open2(l__Encoder, l__PAVCodec__Encoder, &l__PAVDictionary__Options);
    Av().av_dict_free(&l__PAVDictionary__Options);
    if (l__INT__Error < 0) {
        SonquillMedia_LogFailure(p__PCHAR__Function, "avcodec_open2()", l__INT__Error);
        return SonquillMedia_Status(l__INT__Error);
    }
    AVStream* l__PAVStream__Stream = Av().avformat_new_stream(m__PAVFormatContext__Output, nullptr);
    if (l__PAVStream__Stream == nullptr) return SONQUILL_STATUS_OUT_OF_MEMORY;
    l__PAVStream__Stream->time_base = l__Encoder->time_base;
    l__INT__Error = Av().avcodec_parameters_from_context(l__PAVStream__Stream->codecpar, l__Encoder);
    if (l__INT__Error >= 0) l__INT__Error = Av().swr_alloc_set_opts2(&m__PSwrContext__Converter, &l__Encoder->ch_layout,
                                                                 l__Encoder->sample_fmt, l__Encoder->sample_rate, &l__Stereo,
                                                                 AV_SAMPLE_FMT_S16, c__INT__InRate, 0, nullptr);
    if (l__INT__Error >= 0) l__INT__Error = Av().swr_init(m__PSwrContext__Converter);
    if (l__INT__Error < 0) {
        SonquillMedia_LogFailure(p__PCHAR__Function, "preparing the converter", l__INT__Error);
        return SonquillMedia_Status(l__INT__Error);
    }
    m__INT__FrameSize = (l__PAVCodec__Encoder->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) || l__Encoder->frame_size <= 0
                            ? c__INT__VariableFrameSize
                            : l__Encoder->frame_size;
    m__PAVAudioFifo__Fifo = Av().av_audio_fifo_alloc(l__Encoder->sample_fmt, 2, m__INT__FrameSize * 2);
    if (m__PAVAudioFifo__Fifo == nullptr) return SONQUILL_STATUS_OUT_OF_MEMORY;
    l__INT__Error = Av().avformat_write_header(m__PAVFormatContext__Output, nullptr);
    if (l__INT__Error < 0) {
        SonquillMedia_LogFailure(p__PCHAR__Function, "avformat_write_header()", l__INT__Error);
        return SonquillMedia_Status(m__INT__WriteError != 0 ? m__INT__WriteError : l__INT__Error);
    }
    m__BOOLEAN__HeaderWritten = TRUE;
    return 0;
}

int CSonquill_Writer::ConvertIntoFifo(const UCHAR* p__PUCHAR__Samples, int p__INT__Count) {
    int l__INT__Room = Av().swr_get_out_samples(m__PSwrContext__Converter, p__INT__Count);
    if (l__INT__Room <= 0) return l__INT__Room;
    uint8_t** l__PPUCHAR__Planes = nullptr;
    int l__INT__Error = Av().av_samples_alloc_array_and_samples(&l__PPUCHAR__Planes, nullptr, 2, l__INT__Room,
                                                           m__PAVCodecContext__Encoder->sample_fmt, 0);
    if (l__INT__Error < 0) return l__INT__Error;
    const uint8_t* l__PUCHAR__In = p__PUCHAR__Samples;
    int l__INT__Got = Av().swr_convert(m__PSwrContext__Converter, l__PPUCHAR__Planes, l__INT__Room,
                                  p__PUCHAR__Samples != nullptr ? &l__PUCHAR__In : nullptr, p__INT__Count);
    if (l__INT__Got > 0) l__INT__Error = Av().av_audio_fifo_write(m__PAVAudioFifo__Fifo, reinterpret_cast<void**>(l__PPUCHAR__Planes), l__INT__Got);
    Av().av_freep(&l__PPUCHAR__Planes[0]);
    Av().av_freep(&l__PPUCHAR__Planes);
    return l__INT__Got < 0 ? l__INT__Got : (l__INT__Error < 0 ? l__INT__Error : 0);
}

int CSonquill_Writer::EncodeFrame(AVFrame* p__PAVFrame__Frame) {
    int l__INT__Error = Av().avcodec_send_frame(m__PAVCodecContext__Encoder, p__PAVFrame__Frame);
    if (l__INT__Error < 0) return l__INT__Error;
    AVStream* l__PAVStream__Stream = m__PAVFormatContext__Output->streams[0];
    for (;;) {
        l__INT__Error = Av().avcodec_receive_packet(m__PAVCodecContext__Encoder, m__PAVPacket__Packet);
        if (l__INT__Error == AVERROR(EAGAIN) || l__INT__Error == AVERROR_EOF) return 0;
        if (l__INT__Error < 0) return l__INT__Error;
        Av().av_packet_rescale_ts(m__PAVPacket__Packet, m__PAVCodecContext__Encoder->time_base, l__PAVStream__Stream->time_base);
        m__PAVPacket__Packet->stream_index = 0;
        l__INT__Error = Av().av_interleaved_write_frame(m__PAVFormatContext__Output, m__PAVPacket__Packet);
        if (l__INT__Error < 0) return m__INT__WriteError != 0 ? m__INT__WriteError : l__INT__Error;
    }
}

int CSonquill_Writer::EncodeFromFifo(BOOLEAN p__BOOLEAN__Final) {
    const bool l__SmallLastFrame = (m__PAVCodecContext__Encoder->codec->capabilities &
                                    (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE)) != 0;
    for (;;) {
        int l__INT__Available = Av().av_audio_fifo_size(m__PAVAudioFifo__Fifo);
        if (l__INT__Available == 0 || (l__INT__Available < m__INT__FrameSize && !p__BOOLEAN__Final)) return 0;
        int l__INT__Take = std::min(l__INT__Available, m__INT__FrameSize);
        Av().av_frame_unref(m__PAVFrame__Frame);
        m__PAVFrame__Frame->format = m__PAVCodecContext__Encoder->sample_fmt;
        m__PAVFrame__Frame->sample_rate = m__PAVCodecContext__Encoder->sample_rate;
        Av().av_channel_layout_copy(&m__PAVFrame__Frame->ch_layout, &m__PAVCodecContext__Encoder->ch_layout);
        // An encoder that only takes whole frames gets the last one padded with silence.
        m__PAVFrame__Frame->nb_samples = l__SmallLastFrame ? l__INT__Take : m__INT__FrameSize;
        int l__INT__Error = Av().av_frame_get_buffer(m__PAVFrame__Frame, 0);
        if (l__INT__Error < 0) return l__INT__Error;
        Av().av_samples_set_silence(m__PAVFrame__Frame->extended_data, 0, m__PAVFrame__Frame->nb_samples, 2,
                               m__PAVCodecContext__Encoder->sample_fmt);
        if (Av().av_audio_fifo_read(m__PAVAudioFifo__Fifo, reinterpret_cast<void**>(m__PAVFrame__Frame->extended_data),
                               l__INT__Take) != l__INT__Take)
            return AVERROR(EIO);
        m__PAVFrame__Frame->pts = m__LONGLONG__NextPts;
        m__LONGLONG__NextPts += m__PAVFrame__Frame->nb_samples;
        l__INT__Error = EncodeFrame(m__PAVFrame__Frame);
        if (l__INT__Error < 0) return l__INT__Error;
    }
}

ULONG CSonquill_Writer::Write(const void* p__PVOID__Buffer, ULONG p__ULONG__Size, const char* p__PCHAR__Function) {
    if (m__BOOLEAN__Finished) return SONQUILL_STATUS_INVALID_PARAMETER;
    const UCHAR* l__PUCHAR__Bytes = static_cast<const UCHAR*>(p__PVOID__Buffer);
    int l__INT__Error = 0;
    // Complete a sample frame left over from the last call.
    if (m__ULONG__PartialSize > 0) {
        ULONG l__ULONG__Take = std::min<ULONG>(4 - m__ULONG__PartialSize, p__ULONG__Size);
        std::memcpy(m__UCHAR__Partial + m__ULONG__PartialSize, l__PUCHAR__Bytes, l__ULONG__Take);
        m__ULONG__PartialSize += l__ULONG__Take;
        l__PUCHAR__Bytes += l__ULONG__Take;
        p__ULONG__Size -= l__ULONG__Take;
        if (m__ULONG__PartialSize == 4) {
            l__INT__Error = ConvertIntoFifo(m__UCHAR__Partial, 1);
            m__ULONG__PartialSize = 0;
        }
    }
    // In pieces of at most 64k sample frames so that the conversion buffers stay small.
    while (l__INT__Error >= 0 && p__ULONG__Size >= 4) {
        ULONG l__ULONG__Count = std::min<ULONG>(p__ULONG__Size / 4, 65536);
        l__INT__Error = ConvertIntoFifo(l__PUCHAR__Bytes, static_cast<int>(l__ULONG__Count));
        if (l__INT__Error >= 0) l__INT__Error = EncodeFromFifo(FALSE);
        l__PUCHAR__Bytes += l__ULONG__Count * 4;
        p__ULONG__Size -= l__ULONG__Count * 4;
    }
    if (l__INT__Error >= 0 && p__ULONG__Size > 0) {
        std::memcpy(m__UCHAR__Partial, l__PUCHAR__Bytes, p__ULONG__Size);
        m__ULONG__PartialSize = p__ULONG__Size;
    }
    if (l__INT__Error < 0) {
        SonquillMedia_LogFailure(p__PCHAR__Function, "encoding", l__INT__Error);
        return SonquillMedia_Status(l__INT__Error);
    }
    return 0;
}

ULONG CSonquill_Writer::Finish(const char* p__PCHAR__Function) {
    if (m__BOOLEAN__Finished || !m__BOOLEAN__HeaderWritten) return 0;
    m__BOOLEAN__Finished = TRUE;
    int l__INT__Error = ConvertIntoFifo(nullptr, 0);
    if (l__INT__Error >= 0) l__INT__Error = EncodeFromFifo(TRUE);
    if (l__INT__Error >= 0) l__INT__Error = EncodeFrame(nullptr);
    int l__INT__TrailerError = Av().av_write_trailer(m__PAVFormatContext__Output);
    if (l__INT__Error >= 0) l__INT__Error = l__INT__TrailerError;
    if (l__INT__Error >= 0) {
        Av().avio_flush(m__PAVIOContext__Output);
        if (m__INT__WriteError != 0) l__INT__Error = m__INT__WriteError;
    }
    if (m__INT__File != PlatformFile::InvalidHandle && !PlatformFile::Close(m__INT__File) && l__INT__Error >= 0)
        l__INT__Error = AVERROR(GetLastError());
    m__INT__File = PlatformFile::InvalidHandle;
    if (l__INT__Error < 0) {
        SonquillMedia_LogFailure(p__PCHAR__Function, "finishing the file", l__INT__Error);
        return SonquillMedia_Status(l__INT__Error);
    }
    return 0;
}
