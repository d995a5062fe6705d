#pragma once
#include <cxxabi.h>

#include <cstring>
#include <exception>
#include <new>

#include "CTarnwick_Exception.h"
#include "tarnwick_types.h"

// The catch every flat function puts around its work: no exception crosses it.
// Success returns 0 and touches neither the text buffer nor the system error.
// A C++ exception that is not the toolkit's (an allocation that failed inside a
// container, a throwing callback, anything else) becomes EXCEPTION_NUMBER_OUT_OF_MEMORY
// with a text naming the function; the system error is left as the caller set it and
// the failure record stays zero, as for every number but 5 and 8.
class CTarnwick_FlatBoundary {
public:
    // Burner family: the caller's failure record is zeroed first and receives the
    // record of a failed SCSI command.
    template <class Work>
    static ULONG CallBurner(const char* p__PCHAR__Name, PCHAR p__PCHAR__ExceptionText,
                            ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                            CDB_FAILURE_INFORMATION* p__PCDB_FAILURE_INFORMATION__Info, Work&& p__Work) {
        if (p__PCDB_FAILURE_INFORMATION__Info != nullptr)
            std::memset(p__PCDB_FAILURE_INFORMATION__Info, 0, sizeof(CDB_FAILURE_INFORMATION));
        return Call(p__PCHAR__Name, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize, p__PULONG__SystemError,
                    p__PCDB_FAILURE_INFORMATION__Info, p__Work);
    }

    // File-tree family, image functions and the functions without a failure record.
    template <class Work>
    static ULONG CallTree(const char* p__PCHAR__Name, PCHAR p__PCHAR__ExceptionText,
                          ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError, Work&& p__Work) {
        return Call(p__PCHAR__Name, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize, p__PULONG__SystemError,
                    nullptr, p__Work);
    }

    // Turns a caught exception into the caller's result and deletes it.
    static ULONG Hand(CTarnwick_Exception* p__PCTarnwick_Exception__Exception, PCHAR p__PCHAR__ExceptionText,
                      ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                      CDB_FAILURE_INFORMATION* p__PCDB_FAILURE_INFORMATION__Info);

private:
    template <class Work>
    static ULONG Call(const char* p__PCHAR__Name, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
                      PULONG p__PULONG__SystemError, CDB_FAILURE_INFORMATION* p__PCDB_FAILURE_INFORMATION__Info,
                      Work& p__Work) {
        try {
            p__Work();
        } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
            return Hand(l__PCTarnwick_Exception__Exception, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                        p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info);
        } catch (const std::bad_alloc& l__Exception) {
            return HandForeign(p__PCHAR__Name, "Out of memory", l__Exception.what(), p__PCHAR__ExceptionText,
                               p__ULONG__ExceptionTextSize);
        } catch (const std::exception& l__Exception) {
            return HandForeign(p__PCHAR__Name, "Unexpected exception", l__Exception.what(), p__PCHAR__ExceptionText,
                               p__ULONG__ExceptionTextSize);
        } catch (abi::__forced_unwind&) {
            throw;  // a thread being cancelled must go on unwinding
        } catch (...) {
            return HandForeign(p__PCHAR__Name, "Unknown exception", nullptr, p__PCHAR__ExceptionText,
                               p__ULONG__ExceptionTextSize);
        }
        return EXCEPTION_NUMBER_SUCCESS;
    }

    // The result of an exception that is not the toolkit's: traced as a raise is, its text
    // formatted on the stack (memory may be what ran out) into the caller's buffer.
    static ULONG HandForeign(const char* p__PCHAR__Name, const char* p__PCHAR__What, const char* p__PCHAR__Detail,
                             PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize);
    // Bounded copy of an exception text into the caller's buffer.
    static void CopyText(const char* p__PCHAR__Text, PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize);
};
