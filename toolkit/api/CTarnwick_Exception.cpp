#include "CTarnwick_Exception.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

#include "DebugPrint.h"

namespace {
std::atomic<ULONG> g__ULONG__FailAllocations{0};

bool TakeAllocationFailure() {
    ULONG l__ULONG__Left = g__ULONG__FailAllocations.load();
    while (l__ULONG__Left > 0) {
        if (g__ULONG__FailAllocations.compare_exchange_weak(l__ULONG__Left, l__ULONG__Left - 1)) return true;
    }
    return false;
}
}  // namespace

CTarnwick_Exception::CTarnwick_Exception(ULONG p__ULONG__ExceptionNumber, ULONG_PTR p__ULONG_PTR__Status,
                                         const char* p__PCHAR__Format, ...)
    : m__ULONG__ExceptionNumber(p__ULONG__ExceptionNumber), m__ULONG_PTR__Status(p__ULONG_PTR__Status) {
    std::memset(m__CHAR__ExceptionText, 0, sizeof(m__CHAR__ExceptionText));
    va_list l__va_list__Arguments;
    va_start(l__va_list__Arguments, p__PCHAR__Format);
    std::vsnprintf(m__CHAR__ExceptionText, sizeof(m__CHAR__ExceptionText), p__PCHAR__Format, l__va_list__Arguments);
    va_end(l__va_list__Arguments);
}

CTarnwick_Exception::CTarnwick_Exception(ULONG p__ULONG__ExceptionNumber, ULONG_PTR p__ULONG_PTR__Status,
                                         const char* p__PCHAR__Format, va_list p__va_list__Arguments)
    : m__ULONG__ExceptionNumber(p__ULONG__ExceptionNumber), m__ULONG_PTR__Status(p__ULONG_PTR__Status) {
    std::memset(m__CHAR__ExceptionText, 0, sizeof(m__CHAR__ExceptionText));
    std::vsnprintf(m__CHAR__ExceptionText, sizeof(m__CHAR__ExceptionText), p__PCHAR__Format, p__va_list__Arguments);
}

CTarnwick_Exception::~CTarnwick_Exception() {
    if (m__ULONG__ExceptionNumber == EXCEPTION_NUMBER_COMMAND_FAILED && m__ULONG_PTR__Status != 0) {
        delete reinterpret_cast<CDB_FAILURE_INFORMATION*>(m__ULONG_PTR__Status);
    }
}

const CDB_FAILURE_INFORMATION* CTarnwick_Exception::GetFailureInformation() const {
    if (m__ULONG__ExceptionNumber != EXCEPTION_NUMBER_COMMAND_FAILED) return nullptr;
    return reinterpret_cast<const CDB_FAILURE_INFORMATION*>(m__ULONG_PTR__Status);
}

void CTarnwick_Exception::Raise(const char* p__PCHAR__Name, EXIT_TRACE_FORM p__Form, ULONG p__ULONG__ExceptionNumber,
                                ULONG_PTR p__ULONG_PTR__Status, const char* p__PCHAR__Format, ...) {
    char l__CHAR__Text[4096];
    std::memset(l__CHAR__Text, 0, sizeof(l__CHAR__Text));
    va_list l__va_list__Arguments;
    va_start(l__va_list__Arguments, p__PCHAR__Format);
    std::vsnprintf(l__CHAR__Text, sizeof(l__CHAR__Text), p__PCHAR__Format, l__va_list__Arguments);
    va_end(l__va_list__Arguments);

    TraceText(p__Form, l__CHAR__Text);

    CTarnwick_Exception* l__PCTarnwick_Exception__Exception = nullptr;
    if (!TakeAllocationFailure()) {
        l__PCTarnwick_Exception__Exception =
            new (std::nothrow) CTarnwick_Exception(p__ULONG__ExceptionNumber, p__ULONG_PTR__Status, "%s", l__CHAR__Text);
    }
    if (l__PCTarnwick_Exception__Exception == nullptr) {
        // The failure record cannot travel without its exception.
        if (p__ULONG__ExceptionNumber == EXCEPTION_NUMBER_COMMAND_FAILED && p__ULONG_PTR__Status != 0) {
            delete reinterpret_cast<CDB_FAILURE_INFORMATION*>(p__ULONG_PTR__Status);
        }
        throw static_cast<CTarnwick_Exception*>(nullptr);
    }
    TraceExit(p__PCHAR__Name, p__Form, p__ULONG__ExceptionNumber,
              l__PCTarnwick_Exception__Exception->GetExceptionText());
    throw l__PCTarnwick_Exception__Exception;
}

void CTarnwick_Exception::TraceText(EXIT_TRACE_FORM p__Form, const char* p__PCHAR__Text) {
    if (p__Form != EXIT_TRACE_FORM_SILENT) DebugPrint("\n%s\n", p__PCHAR__Text);
}

void CTarnwick_Exception::TraceExit(const char* p__PCHAR__Name, EXIT_TRACE_FORM p__Form,
                                    ULONG p__ULONG__ExceptionNumber, const char* p__PCHAR__Text) {
    switch (p__Form) {
        case EXIT_TRACE_FORM_NUMBER_AND_TEXT:
            DebugPrint("%s(): EXITing with failure, exception number 0x%08X, exception text '%s'!!!\n", p__PCHAR__Name,
                       p__ULONG__ExceptionNumber, p__PCHAR__Text);
            break;
        case EXIT_TRACE_FORM_STATUS_AND_MESSAGE:
            DebugPrint("%s(): EXITing with failure, status %ld, message '%s'!!!\n", p__PCHAR__Name,
                       static_cast<long>(p__ULONG__ExceptionNumber), p__PCHAR__Text);
            break;
        case EXIT_TRACE_FORM_NONE:
        case EXIT_TRACE_FORM_SILENT:
            break;
    }
}

void CTarnwick_Exception::Swallow(const char* p__PCHAR__Name,
                                  CTarnwick_Exception* p__PCTarnwick_Exception__Exception) {
    if (p__PCTarnwick_Exception__Exception == nullptr) {
        DebugPrint("%s(): WARNING! Exception pointer is NULL!\n", p__PCHAR__Name);
        return;
    }
    DebugPrint("%s(): WARNING! Status %ld, message '%s'!!!\n", p__PCHAR__Name,
               static_cast<long>(p__PCTarnwick_Exception__Exception->GetExceptionNumber()),
               p__PCTarnwick_Exception__Exception->GetExceptionText());
    delete p__PCTarnwick_Exception__Exception;
}

void CTarnwick_Exception::FailNextAllocations(ULONG p__ULONG__Count) { g__ULONG__FailAllocations.store(p__ULONG__Count); }
