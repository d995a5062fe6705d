#pragma once
// The media runtime (FFmpeg), loaded the first time a sound file is opened rather than when
// the program starts: a program that only burns data never pays for its libraries (over a
// hundred with their codecs) nor for their start-up.
#include <string>

#include "tarnwick_types.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

// Every runtime function the toolkit calls, with the library that holds it.
#define SONQUILL_AV_FUNCTIONS(X)                                                                                      \
    X(Format, avformat_open_input)                                                                                    \
    X(Format, avformat_find_stream_info)                                                                              \
    X(Format, av_find_best_stream)                                                                                    \
    X(Format, avformat_close_input)                                                                                   \
    X(Format, av_read_frame)                                                                                          \
    X(Format, avformat_alloc_output_context2)                                                                         \
    X(Format, avformat_new_stream)                                                                                    \
    X(Format, avformat_write_header)                                                                                  \
    X(Format, av_write_trailer)                                                                                       \
    X(Format, av_interleaved_write_frame)                                                                             \
    X(Format, av_guess_format)                                                                                        \
    X(Format, avformat_free_context)                                                                                  \
    X(Format, avio_alloc_context)                                                                                     \
    X(Format, avio_context_free)                                                                                      \
    X(Format, avio_flush)                                                                                             \
    X(Codec, avcodec_alloc_context3)                                                                                  \
    X(Codec, avcodec_free_context)                                                                                    \
    X(Codec, avcodec_open2)                                                                                           \
    X(Codec, avcodec_parameters_to_context)                                                                           \
    X(Codec, avcodec_parameters_from_context)                                                                         \
    X(Codec, avcodec_find_encoder_by_name)                                                                            \
    X(Codec, avcodec_send_packet)                                                                                     \
    X(Codec, avcodec_receive_frame)                                                                                   \
    X(Codec, avcodec_send_frame)                                                                                      \
    X(Codec, avcodec_receive_packet)                                                                                  \
    X(Codec, av_packet_alloc)                                                                                         \
    X(Codec, av_packet_free)                                                                                          \
    X(Codec, av_packet_unref)                                                                                         \
    X(Codec, av_packet_rescale_ts)                                                                                    \
    X(Util, av_log_set_level)                                                                                         \
    X(Util, av_strerror)                                                                                              \
    X(Util, av_malloc)                                                                                                \
    X(Util, av_free)                                                                                                  \
    X(Util, av_freep)                                                                                                 \
    X(Util, av_dict_set)                                                                                              \
    X(Util, av_dict_free)                                                                                             \
    X(Util, av_frame_alloc)                                                                                           \
    X(Util, av_frame_free)                                                                                            \
    X(Util, av_frame_unref)                                                                                           \
    X(Util, av_frame_get_buffer)                                                                                      \
    X(Util, av_channel_layout_copy)                                                                                   \
    X(Util, av_channel_layout_default)                                                                                \
    X(Util, av_channel_layout_uninit)                                                                                 \
    X(Util, av_samples_alloc_array_and_samples)                                                                       \
    X(Util, av_samples_set_silence)                                                                                   \
    X(Util, av_audio_fifo_alloc)                                                                                      \
    X(Util, av_audio_fifo_free)                                                                                       \
    X(Util, av_audio_fifo_write)                                                                                      \
    X(Util, av_audio_fifo_read)                                                                                       \
    X(Util, av_audio_fifo_size)                                                                                       \
    X(Resample, swr_alloc_set_opts2)                                                                                  \
    X(Resample, swr_init)                                                                                             \
    X(Resample, swr_free)                                                                                             \
    X(Resample, swr_convert)                                                                                          \
    X(Resample, swr_get_out_samples)

class SonquillAvLibrary {
public:
    // Loads the runtime once per process, the libraries of the major versions the toolkit was
    // built against, and quiets its console messages. 0, or ELIBACC when a library or one of
    // its functions is missing (the same answer on every later call).
    static ULONG Load();
    // True once Load() has succeeded; never loads. Whatever the runtime allocated exists only
    // then, so teardown code asks this before it calls the runtime's free functions.
    static bool IsLoaded();
    // Why loading failed ("" when it did not).
    static const std::string& LoadError();
    // The functions; only after Load() returned 0.
    static const SonquillAvLibrary& Functions();

#define SONQUILL_AV_MEMBER(library, name) decltype(&::name) name = nullptr;
    SONQUILL_AV_FUNCTIONS(SONQUILL_AV_MEMBER)
#undef SONQUILL_AV_MEMBER
};

// The runtime's functions, for the call sites: Av().av_frame_alloc().
inline const SonquillAvLibrary& Av() { return SonquillAvLibrary::Functions(); }
