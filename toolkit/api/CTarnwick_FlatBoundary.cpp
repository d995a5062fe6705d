#include "CTarnwick_FlatBoundary.h"

#include <cstdio>

ULONG CTarnwick_FlatBoundary::Hand(CTarnwick_Exception* p__PCTarnwick_Exception__Exception,
                                   PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
                                   PULONG p__PULONG__SystemError,
                                   CDB_FAILURE_INFORMATION* p__PCDB_FAILURE_INFORMATION__Info) {
    if (p__PCTarnwick_Exception__Exception == nullptr) return EXCEPTION_NUMBER_NO_EXCEPTION_OBJECT;

    ULONG l__ULONG__Result = p__PCTarnwick_Exception__Exception->GetExceptionNumber();
    CopyText(p__PCTarnwick_Exception__Exception->GetExceptionText(), p__PCHAR__ExceptionText,
             p__ULONG__ExceptionTextSize);
    if (l__ULONG__Result == EXCEPTION_NUMBER_SYSTEM_ERROR && p__PULONG__SystemError != nullptr) {
        *p__PULONG__SystemError = static_cast<ULONG>(p__PCTarnwick_Exception__Exception->GetStatus());
    }
    const CDB_FAILURE_INFORMATION* l__PCDB_FAILURE_INFORMATION__Record =
        p__PCTarnwick_Exception__Exception->GetFailureInformation();
    if (l__PCDB_FAILURE_INFORMATION__Record != nullptr && p__PCDB_FAILURE_INFORMATION__Info != nullptr) {
        std::memcpy(p__PCDB_FAILURE_INFORMATION__Info, l__PCDB_FAILURE_INFORMATION__Record,
                    sizeof(CDB_FAILURE_INFORMATION));
    }
    delete p__PCTarnwick_Exception__Exception;  // frees the failure record with it
    return l__ULONG__Result;
}

ULONG CTarnwick_FlatBoundary::HandForeign(const char* p__PCHAR__Name, const char* p__PCHAR__What,
                                          const char* p__PCHAR__Detail, PCHAR p__PCHAR__ExceptionText,
                                          ULONG p__ULONG__ExceptionTextSize) {
    char l__CHAR__Text[4096] = {};
    if (p__PCHAR__Detail != nullptr) {
        std::snprintf(l__CHAR__Text, sizeof(l__CHAR__Text), "%s(): %s (%s)!!!", p__PCHAR__Name, p__PCHAR__What,
                      p__PCHAR__Detail);
    } else {
        std::snprintf(l__CHAR__Text, sizeof(l__CHAR__Text), "%s(): %s!!!", p__PCHAR__Name, p__PCHAR__What);
    }
    CTarnwick_Exception::TraceText(EXIT_TRACE_FORM_NUMBER_AND_TEXT, l__CHAR__Text);
    CTarnwick_Exception::TraceExit(p__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY,
                                   l__CHAR__Text);
    CopyText(l__CHAR__Text, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize);
    return EXCEPTION_NUMBER_OUT_OF_MEMORY;
}

void CTarnwick_FlatBoundary::CopyText(const char* p__PCHAR__Text, PCHAR p__PCHAR__ExceptionText,
                                      ULONG p__ULONG__ExceptionTextSize) {
    if (p__PCHAR__ExceptionText == nullptr || p__ULONG__ExceptionTextSize == 0) return;
    // Bounded copy: the rest of the buffer is zero-filled, and a text that fills the
    // buffer completely keeps a terminator in its last byte.
    std::strncpy(p__PCHAR__ExceptionText, p__PCHAR__Text, p__ULONG__ExceptionTextSize);
    p__PCHAR__ExceptionText[p__ULONG__ExceptionTextSize - 1] = '\0';
}
