#include "SonquillDebug.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "DebugPrint.h"
#include "PlatformDebugOutput.h"
#include "sonquill.h"

namespace {
SonquillDebugSettings g__SonquillDebugSettings = {SONQUILL_DEBUG_LEVEL_FAILURE, 0, {0}};

ULONG NumberFromEnvironment(const char* p__PCHAR__Name, ULONG p__ULONG__Default) {
    const char* l__PCHAR__Value = std::getenv(p__PCHAR__Name);
    if (l__PCHAR__Value == nullptr || *l__PCHAR__Value == '\0') return p__ULONG__Default;
    char* l__PCHAR__End = nullptr;
    unsigned long l__Value = std::strtoul(l__PCHAR__Value, &l__PCHAR__End, 0);
    return *l__PCHAR__End == '\0' ? static_cast<ULONG>(l__Value) : p__ULONG__Default;
}
}  // namespace

SonquillDebugSettings& Sonquill_DebugSettings() { return g__SonquillDebugSettings; }

extern "C" ULONG Sonquill_InitDebugSettings(void) {
    SonquillDebugSettings& l__Settings = g__SonquillDebugSettings;
    std::error_code l__Error;
    std::string l__Default = (std::filesystem::temp_directory_path(l__Error) / "sonquill.log").string();
    if (l__Error) l__Default = "/tmp/sonquill.log";
    std::snprintf(l__Settings.m__CHAR__DebugFileName, sizeof(l__Settings.m__CHAR__DebugFileName), "%s",
                  l__Default.c_str());
    const char* l__PCHAR__FileName = std::getenv("SONQUILL_DEBUGFILENAME");
    if (l__PCHAR__FileName != nullptr && *l__PCHAR__FileName != '\0')
        std::snprintf(l__Settings.m__CHAR__DebugFileName, sizeof(l__Settings.m__CHAR__DebugFileName), "%s",
                      l__PCHAR__FileName);
    l__Settings.m__ULONG__DebugLevel = NumberFromEnvironment("SONQUILL_DEBUGLEVEL", l__Settings.m__ULONG__DebugLevel);
    l__Settings.m__ULONG__DebugFacility =
        NumberFromEnvironment("SONQUILL_DEBUGFACILITY", l__Settings.m__ULONG__DebugFacility);
    return 0;
}

void Sonquill_DebugPrint(ULONG p__ULONG__Level, const char* p__PCHAR__Function, const char* p__PCHAR__Format, ...) {
    const SonquillDebugSettings& l__Settings = g__SonquillDebugSettings;
    if (p__ULONG__Level > l__Settings.m__ULONG__DebugLevel) return;
    char l__CHAR__Text[1024];
    va_list l__va_list__Arguments;
    va_start(l__va_list__Arguments, p__PCHAR__Format);
    std::vsnprintf(l__CHAR__Text, sizeof(l__CHAR__Text), p__PCHAR__Format, l__va_list__Arguments);
    va_end(l__va_list__Arguments);
    char l__CHAR__Line[1024];
    std::snprintf(l__CHAR__Line, sizeof(l__CHAR__Line), "%s%s", p__PCHAR__Function, l__CHAR__Text);

    // The debugger output is the trace of tracing builds; the file and standard output
    // are the facilities chosen at run time.
    if (g__BOOLEAN__TraceEnabled) OutputDebugStringA(l__CHAR__Line);
    if (l__Settings.m__ULONG__DebugFacility >= 1) {
        if (FILE* l__PFILE__Log = std::fopen(l__Settings.m__CHAR__DebugFileName, "a+")) {
            std::fputs(l__CHAR__Line, l__PFILE__Log);
            std::fflush(l__PFILE__Log);
            std::fclose(l__PFILE__Log);
        }
    }
    if (l__Settings.m__ULONG__DebugFacility >= 2) {
        std::fputs(l__CHAR__Line, stdout);
        std::fflush(stdout);
    }
}

SonquillTraceScope::SonquillTraceScope(const char* p__PCHAR__Function)
    : m__PCHAR__Function(p__PCHAR__Function), m__ULONG__Status(0) {
    Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_ENTRY_EXIT, m__PCHAR__Function, "(): >>> ENTERed\n");
}

SonquillTraceScope::~SonquillTraceScope() {
    if (m__ULONG__Status == 0)
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_ENTRY_EXIT, m__PCHAR__Function, "(): <<< EXITing with success\n");
    else
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_ENTRY_EXIT, m__PCHAR__Function,
                            "(): <<< EXITing with failure, status %d ( 0x%x )\n", static_cast<int>(m__ULONG__Status),
                            m__ULONG__Status);
}
