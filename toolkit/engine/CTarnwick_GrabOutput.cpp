#include "CTarnwick_GrabOutput.h"

#include <algorithm>
#include <cstdio>

#include "CTarnwick_Exception.h"
#include "PlatformFile.h"
#include "PlatformOutputFile.h"
#include "PlatformSystemError.h"

CTarnwick_GrabOutput::CTarnwick_GrabOutput(const char* p__PCHAR__Name, const char* p__PCHAR__Path,
                                           ULONGLONG p__ULONGLONG__PartSize)
    : m__string__Path(p__PCHAR__Path), m__ULONGLONG__PartSize(p__ULONGLONG__PartSize) {
    Open(p__PCHAR__Name, m__ULONGLONG__PartSize == 0 ? m__string__Path : PartName(m__string__Path, 1));
}

CTarnwick_GrabOutput::~CTarnwick_GrabOutput() {
    if (m__INT__Handle >= 0) PlatformOutputFile::Close(m__INT__Handle);
    if (m__bool__IsPublished) return;
    for (const FILE_ENTRY& l__File : m__Files) PlatformFile::Remove(l__File.m__string__Temporary.c_str());
}

std::string CTarnwick_GrabOutput::PartName(const std::string& p__string__Path, ULONG p__ULONG__Index) {
    char l__CHAR__Suffix[16];
    std::snprintf(l__CHAR__Suffix, sizeof(l__CHAR__Suffix), ".%03lu", static_cast<unsigned long>(p__ULONG__Index));
    return p__string__Path + l__CHAR__Suffix;
}

void CTarnwick_GrabOutput::Open(const char* p__PCHAR__Name, const std::string& p__string__Path) {
    FILE_ENTRY l__File{p__string__Path, {}};
    m__INT__Handle = PlatformOutputFile::CreateBeside(p__string__Path.c_str(), l__File.m__string__Temporary);
    if (m__INT__Handle < 0) {
        const ULONG l__ULONG__Error = GetLastError();
        CTarnwick_Exception::Raise(p__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SYSTEM_ERROR,
                                   l__ULONG__Error, "%s(): CreateFile( '%s' ) failed, status %ld!!!", p__PCHAR__Name,
                                   p__string__Path.c_str(), static_cast<long>(l__ULONG__Error));
    }
    m__Files.push_back(std::move(l__File));
    m__ULONGLONG__InPart = 0;
}

bool CTarnwick_GrabOutput::CloseCurrent() {
    bool l__bool__Ok = PlatformOutputFile::Flush(m__INT__Handle);
    l__bool__Ok = PlatformOutputFile::Close(m__INT__Handle) && l__bool__Ok;
    m__INT__Handle = -1;
    return l__bool__Ok;
}

void CTarnwick_GrabOutput::Write(const char* p__PCHAR__Name, const char* p__PCHAR__What, const UCHAR* p__PUCHAR__Data,
                                 ULONG p__ULONG__Length) {
    ULONG l__ULONG__Done = 0;
    while (l__ULONG__Done < p__ULONG__Length) {
        if (m__ULONGLONG__PartSize != 0 && m__ULONGLONG__InPart == m__ULONGLONG__PartSize) {
            if (!CloseCurrent()) {
                const ULONG l__ULONG__Error = GetLastError();
                CTarnwick_Exception::Raise(p__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SYSTEM_ERROR,
                                           l__ULONG__Error, "%s(): CloseHandle() for '%s' failed, status %ld!!!",
                                           p__PCHAR__Name, m__Files.back().m__string__Path.c_str(),
                                           static_cast<long>(l__ULONG__Error));
            }
            Open(p__PCHAR__Name, PartName(m__string__Path, PartCount() + 1));
        }
        ULONG l__ULONG__Length = p__ULONG__Length - l__ULONG__Done;
        if (m__ULONGLONG__PartSize != 0) {
            l__ULONG__Length = static_cast<ULONG>(
                std::min<ULONGLONG>(l__ULONG__Length, m__ULONGLONG__PartSize - m__ULONGLONG__InPart));
        }
        WriteSome(p__PCHAR__Name, p__PCHAR__What, p__PUCHAR__Data + l__ULONG__Done, l__ULONG__Length, p__ULONG__Length);
        l__ULONG__Done += l__ULONG__Length;
        m__ULONGLONG__InPart += l__ULONG__Length;
    }
}

void CTarnwick_GrabOutput::WriteSome(const char* p__PCHAR__Name, const char* p__PCHAR__What, const UCHAR* p__PUCHAR__Data,
                                     ULONG p__ULONG__Length, ULONG p__ULONG__Asked) {
    const int64_t l__LONGLONG__Written = PlatformOutputFile::Write(m__INT__Handle, p__PUCHAR__Data, p__ULONG__Length);
    if (l__LONGLONG__Written < 0) {
        const ULONG l__ULONG__Error = GetLastError();
        CTarnwick_Exception::Raise(p__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SYSTEM_ERROR,
                                   l__ULONG__Error, "%s(): WriteFile(%s) failed, status %ld!!!", p__PCHAR__Name,
                                   p__PCHAR__What, static_cast<long>(l__ULONG__Error));
    }
    if (l__LONGLONG__Written != static_cast<int64_t>(p__ULONG__Length)) {
        // The text counts the bytes of the whole write asked for.
        const int64_t l__LONGLONG__Short = static_cast<int64_t>(p__ULONG__Asked) - (p__ULONG__Length - l__LONGLONG__Written);
        CTarnwick_Exception::Raise(p__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_MEDIA_OR_DATA, 0,
                                   "%s(): WriteFile(%s) wrote %ld UCHARs instead of %ld UCHARs!!!", p__PCHAR__Name,
                                   p__PCHAR__What, static_cast<long>(l__LONGLONG__Short), static_cast<long>(p__ULONG__Asked));
    }
}

void CTarnwick_GrabOutput::Flush(const char* p__PCHAR__Name) {
    if (m__INT__Handle >= 0 && !PlatformOutputFile::Flush(m__INT__Handle)) {
        const ULONG l__ULONG__Error = GetLastError();
        CTarnwick_Exception::Raise(p__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SYSTEM_ERROR,
                                   l__ULONG__Error, "%s(): FlushFileBuffers() failed, status %ld!!!", p__PCHAR__Name,
                                   static_cast<long>(l__ULONG__Error));
    }
}

void CTarnwick_GrabOutput::Publish(const char* p__PCHAR__Name) {
    const char* l__PCHAR__Step = "FlushFileBuffers()";
    bool l__bool__Ok = m__INT__Handle < 0 || PlatformOutputFile::Flush(m__INT__Handle);
    if (l__bool__Ok && m__INT__Handle >= 0) {
        l__PCHAR__Step = "CloseHandle()";
        l__bool__Ok = PlatformOutputFile::Close(m__INT__Handle);
        m__INT__Handle = -1;
    }
    const std::string* l__Failed = &m__Files.back().m__string__Path;
    if (l__bool__Ok) {
        l__PCHAR__Step = "MoveFile()";
        for (const FILE_ENTRY& l__File : m__Files) {
            if (!PlatformOutputFile::Publish(l__File.m__string__Temporary, l__File.m__string__Path.c_str())) {
                l__bool__Ok = false;
                l__Failed = &l__File.m__string__Path;
                break;
            }
        }
    }
    if (!l__bool__Ok) {
        const ULONG l__ULONG__Error = GetLastError();
        CTarnwick_Exception::Raise(p__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_SYSTEM_ERROR,
                                   l__ULONG__Error, "%s(): %s for '%s' failed, status %ld!!!", p__PCHAR__Name,
                                   l__PCHAR__Step, l__Failed->c_str(), static_cast<long>(l__ULONG__Error));
    }
    m__bool__IsPublished = true;
}
