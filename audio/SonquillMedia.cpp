#include "SonquillMedia.h"

#include <mutex>

#include "SonquillDebug.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

void SonquillMedia_Initialise() {
    static std::once_flag s__Once;
    std::call_once(s__Once, [] { av_log_set_level(AV_LOG_QUIET); });
}

ULONG SonquillMedia_Status(int p__INT__Error) {
    if (p__INT__Error < 0 && p__INT__Error > -4096) return static_cast<ULONG>(-p__INT__Error);
    return static_cast<ULONG>(p__INT__Error);
}

const char* SonquillMedia_ErrorText(int p__INT__Error, char* p__PCHAR__Buffer, unsigned p__ULONG__Size) {
    av_strerror(p__INT__Error, p__PCHAR__Buffer, p__ULONG__Size);
    return p__PCHAR__Buffer;
}

void SonquillMedia_LogFailure(const char* p__PCHAR__Function, const char* p__PCHAR__Call, int p__INT__Error) {
    char l__CHAR__Text[128];
    ULONG l__ULONG__Status = SonquillMedia_Status(p__INT__Error);
    Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, p__PCHAR__Function, "(): %s failed ( %s ), status %d ( 0x%x )\n",
                        p__PCHAR__Call, SonquillMedia_ErrorText(p__INT__Error, l__CHAR__Text, sizeof(l__CHAR__Text)),
                        static_cast<int>(l__ULONG__Status), l__ULONG__Status);
}
