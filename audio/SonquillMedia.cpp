#include "SonquillMedia.h"

#include <cstdio>

#include "SonquillAvLibrary.h"
#include "SonquillDebug.h"

ULONG SonquillMedia_Initialise(const char* p__PCHAR__Function) {
    const ULONG l__ULONG__Status = SonquillAvLibrary::Load();
    if (l__ULONG__Status != 0)
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, p__PCHAR__Function, "(): %s, status %d ( 0x%x )\n",
                            SonquillAvLibrary::LoadError().c_str(), static_cast<int>(l__ULONG__Status), l__ULONG__Status);
    return l__ULONG__Status;
}

ULONG SonquillMedia_Status(int p__INT__Error) {
    if (p__INT__Error < 0 && p__INT__Error > -4096) return static_cast<ULONG>(-p__INT__Error);
    return static_cast<ULONG>(p__INT__Error);
}

const char* SonquillMedia_ErrorText(int p__INT__Error, char* p__PCHAR__Buffer, unsigned p__ULONG__Size) {
    if (p__PCHAR__Buffer == nullptr || p__ULONG__Size == 0) return "";
    if (SonquillAvLibrary::IsLoaded()) {
        Av().av_strerror(p__INT__Error, p__PCHAR__Buffer, p__ULONG__Size);
    } else {
        std::snprintf(p__PCHAR__Buffer, p__ULONG__Size, "Error number %d occurred", p__INT__Error);
    }
    return p__PCHAR__Buffer;
}

void SonquillMedia_LogFailure(const char* p__PCHAR__Function, const char* p__PCHAR__Call, int p__INT__Error) {
    char l__CHAR__Text[128];
    ULONG l__ULONG__Status = SonquillMedia_Status(p__INT__Error);
    Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, p__PCHAR__Function, "(): %s failed ( %s ), status %d ( 0x%x )\n",
                        p__PCHAR__Call, SonquillMedia_ErrorText(p__INT__Error, l__CHAR__Text, sizeof(l__CHAR__Text)),
                        static_cast<int>(l__ULONG__Status), l__ULONG__Status);
}
