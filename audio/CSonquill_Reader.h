#pragma once
#include <cstdint>
#include <vector>

#include "tarnwick_types.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct SwrContext;

// Decodes one audio file into CD-DA PCM (44,100 Hz, 16-bit, stereo, little endian),
// converting exactly as `ffmpeg -i FILE -f s16le -ar 44100 -ac 2` does.
//
// Opening checks that the file holds an audio stream that decodes (its first frame is
// decoded and kept). The first size query, read or rewind decodes the rest once into an
// anonymous temporary file; from then on the decoded size is exact and known, reads are
// served from that file and a rewind replays the very same bytes.
class CSonquill_Reader {
public:
    CSonquill_Reader();
    ~CSonquill_Reader();
    CSonquill_Reader(const CSonquill_Reader&) = delete;
    CSonquill_Reader& operator=(const CSonquill_Reader&) = delete;

    // 0, or the status of the step that failed (logged under p__PCHAR__Function).
    ULONG Open(const char* p__PCHAR__FileName, const char* p__PCHAR__Function);
    ULONG UncompressedSizeGet(uint64_t* p__PULONGLONG__Size, const char* p__PCHAR__Function);
    ULONG BeginSeek(const char* p__PCHAR__Function);
    // Fills the buffer; 996 when fewer bytes are left (the rest of the buffer is zeroed).
    ULONG Read(PVOID p__PVOID__Buffer, ULONG p__ULONG__Size, const char* p__PCHAR__Function);

private:
    ULONG DecodeAll(const char* p__PCHAR__Function);
    // Converts one decoded frame (or, with nullptr, what the converter still holds).
    int Convert(const AVFrame* p__PAVFrame__Frame);
    int MakeConverter(const AVFrame* p__PAVFrame__Frame);
    int Stage(const UCHAR* p__PUCHAR__Bytes, size_t p__SIZE__Length);
    int FlushStage();
    void CloseDecoder();

    AVFormatContext* m__PAVFormatContext__Input;
    AVCodecContext* m__PAVCodecContext__Decoder;
    AVPacket* m__PAVPacket__Packet;
    AVFrame* m__PAVFrame__Frame;
    SwrContext* m__PSwrContext__Converter;
    int m__INT__StreamIndex;
    BOOLEAN m__BOOLEAN__FramePending;
    // The converter's input format, to notice a change in the middle of the stream.
    int m__INT__InFormat;
    int m__INT__InRate;
    int m__INT__InChannels;
    uint64_t m__ULONGLONG__InLayoutMask;

    BOOLEAN m__BOOLEAN__Decoded;
    ULONG m__ULONG__DecodeStatus;
    int m__INT__Cache;
    uint64_t m__ULONGLONG__Size;
    uint64_t m__ULONGLONG__Position;
    std::vector<UCHAR> m__vector__Stage;
    size_t m__SIZE__Staged;
    std::vector<UCHAR> m__vector__Converted;
};
