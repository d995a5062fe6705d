#include "CTarnwick_FlatBoundary.h"

ULONG CTarnwick_FlatBoundary::Hand(CTarnwick_Exception* p__PCTarnwick_Exception__Exception,
                                   PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
                                   PULONG p__PULONG__SystemError,
                                   CDB_FAILURE_INFORMATION* p__PCDB_FAILURE_INFORMATION__Info) {
    if (p__PCTarnwick_Exception__Exception == nullptr) return EXCEPTION_NUMBER_NO_EXCEPTION_OBJECT;

    ULONG l__ULONG__Result = p__PCTarnwick_Exception__Exception->GetExceptionNumber();
    if (p__PCHAR__ExceptionText != nullptr && p__ULONG__ExceptionTextSize > 0) {
        // Bounded copy: the rest of the buffer is zero-filled, and a text that fills the
        // buffer completely keeps a terminator in its last byte.
        std::strncpy(p__PCHAR__ExceptionText, p__PCTarnwick_Exception__Exception->GetExceptionText(),
                     p__ULONG__ExceptionTextSize);
        p__PCHAR__ExceptionText[p__ULONG__ExceptionTextSize - 1] = '\0';
    }
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
