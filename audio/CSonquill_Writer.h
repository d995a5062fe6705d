#pragma once
#include <cstdint>

#include "tarnwick_types.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVIOContext;
struct AVPacket;
struct AVFrame;
struct AVAudioFifo;
struct SwrContext;

// Encodes CD-DA PCM into a compressed file whose container and codec follow the
// file's extension (the mapping of the compression value is in sonquill.h). The
// destination is created new; all file output goes through the platform's file layer.
class CSonquill_Writer {
public:
    CSonquill_Writer();
    ~CSonquill_Writer();
    CSonquill_Writer(const CSonquill_Writer&) = delete;
    CSonquill_Writer& operator=(const CSonquill_Writer&) = delete;

    ULONG Create(const char* p__PCHAR__FileName, ULONG p__ULONG__Compression, const char* p__PCHAR__Function);
    ULONG Write(const void* p__PVOID__Buffer, ULONG p__ULONG__Size, const char* p__PCHAR__Function);
    // Encodes what is buffered, writes the trailer and closes the file.
    ULONG Finish(const char* p__PCHAR__Function);

private:
    ULONG Open(const char* p__PCHAR__FileName, ULONG p__ULONG__Compression, const char* p__PCHAR__Function);
    int Configure(ULONG p__ULONG__Compression, void* p__PAVDictionary__Options);
    int ConvertIntoFifo(const UCHAR* p__PUCHAR__Samples, int p__INT__Count);
    // Encodes whole frames from the FIFO; with p__BOOLEAN__Final the last partial one too.
    int EncodeFromFifo(BOOLEAN p__BOOLEAN__Final);
    int EncodeFrame(AVFrame* p__PAVFrame__Frame);

    static int WritePacket(void* p__PVOID__Opaque, uint8_t* p__PUCHAR__Buffer, int p__INT__Size);
    static int64_t SeekPacket(void* p__PVOID__Opaque, int64_t p__LONGLONG__Offset, int p__INT__Whence);

    int m__INT__File;
    int m__INT__WriteError;
    AVIOContext* m__PAVIOContext__Output;
    AVFormatContext* m__PAVFormatContext__Output;
    AVCodecContext* m__PAVCodecContext__Encoder;
    SwrContext* m__PSwrContext__Converter;
    AVAudioFifo* m__PAVAudioFifo__Fifo;
    AVFrame* m__PAVFrame__Frame;
    AVPacket* m__PAVPacket__Packet;
    int m__INT__FrameSize;
    int64_t m__LONGLONG__NextPts;
    BOOLEAN m__BOOLEAN__HeaderWritten;
    BOOLEAN m__BOOLEAN__Finished;
    const char* m__PCHAR__Extension;
    // The bytes of a sample frame split between two writes.
    UCHAR m__UCHAR__Partial[4];
    ULONG m__ULONG__PartialSize;
};
