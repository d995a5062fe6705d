#pragma once
#include <cstdarg>
#include <cstdint>

#include "tarnwick_types.h"

// How the line traced after a raised exception reads.
enum EXIT_TRACE_FORM {
    // "<name>(): EXITing with failure, exception number 0x%08X, exception text '%s'!!!\n"
    EXIT_TRACE_FORM_NUMBER_AND_TEXT = 0,
    // "<name>(): EXITing with failure, status %ld, message '%s'!!!\n" (transport and drive objects)
    EXIT_TRACE_FORM_STATUS_AND_MESSAGE = 1,
    // no line after the framed text
    EXIT_TRACE_FORM_NONE = 2,
    // nothing traced at all (the caller has already logged the failure)
    EXIT_TRACE_FORM_SILENT = 3
};

// The one exception type of the toolkit. Always allocated on the heap and thrown
// as a pointer; whoever catches it deletes it. For number 8 the exception owns the
// CDB_FAILURE_INFORMATION it refers to and frees it with itself.
class CTarnwick_Exception {
public:
    CTarnwick_Exception(ULONG p__ULONG__ExceptionNumber, ULONG_PTR p__ULONG_PTR__Status, const char* p__PCHAR__Format,
                        ...) __attribute__((format(printf, 4, 5)));
    CTarnwick_Exception(ULONG p__ULONG__ExceptionNumber, ULONG_PTR p__ULONG_PTR__Status, const char* p__PCHAR__Format,
                        va_list p__va_list__Arguments) __attribute__((format(printf, 4, 0)));
    virtual ~CTarnwick_Exception();
    CTarnwick_Exception(const CTarnwick_Exception&) = delete;
    CTarnwick_Exception& operator=(const CTarnwick_Exception&) = delete;

    ULONG GetExceptionNumber() const { return m__ULONG__ExceptionNumber; }
    const char* GetExceptionText() const { return m__CHAR__ExceptionText; }
    // Number 5: the system error code; number 8: the failure record's address (0 when none); else 0.
    ULONG_PTR GetStatus() const { return m__ULONG_PTR__Status; }
    // The failure record of a number-8 exception, or nullptr.
    const CDB_FAILURE_INFORMATION* GetFailureInformation() const;

    // The raise sequence every raise site uses: trace "\n" + text + "\n", allocate and
    // construct the exception, trace the EXITing line of p__PCHAR__Name (unless the form
    // is NONE) and throw the pointer; a NULL pointer is thrown when the allocation fails.
    // For number 8, p__ULONG_PTR__Status is a heap CDB_FAILURE_INFORMATION* (or 0) that
    // passes to the exception.
    [[noreturn]] static void Raise(const char* p__PCHAR__Name, EXIT_TRACE_FORM p__Form, ULONG p__ULONG__ExceptionNumber,
                                   ULONG_PTR p__ULONG_PTR__Status, const char* p__PCHAR__Format, ...)
        __attribute__((format(printf, 5, 6)));

    // The two trace lines of a raise: "\n" + text + "\n" (unless the form is SILENT), then
    // the EXITing line of p__PCHAR__Name in the given form.
    static void TraceText(EXIT_TRACE_FORM p__Form, const char* p__PCHAR__Text);
    static void TraceExit(const char* p__PCHAR__Name, EXIT_TRACE_FORM p__Form, ULONG p__ULONG__ExceptionNumber,
                          const char* p__PCHAR__Text);

    // The tolerated-failure catch of the "Safe" operations: traces
    // "<name>(): WARNING! Status %ld, message '%s'!!!\n" (or the NULL form) and deletes it.
    static void Swallow(const char* p__PCHAR__Name, CTarnwick_Exception* p__PCTarnwick_Exception__Exception);

    // Runs a routine, swallowing any toolkit exception it raises as above.
    template <class Routine>
    static void RunSafe(const char* p__PCHAR__Name, Routine&& p__Routine) {
        try {
            p__Routine();
        } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
            Swallow(p__PCHAR__Name, l__PCTarnwick_Exception__Exception);
        }
    }

    // Test hook: the next N exception allocations of Raise fail as if out of memory.
    static void FailNextAllocations(ULONG p__ULONG__Count);

private:
    ULONG m__ULONG__ExceptionNumber;
    CHAR m__CHAR__ExceptionText[4096];
    ULONG_PTR m__ULONG_PTR__Status;
};

// An owning pointer for a caught exception, for code that must inspect it and go on.
struct CTarnwick_ExceptionDeleter {
    void operator()(CTarnwick_Exception* p) const { delete p; }
};
