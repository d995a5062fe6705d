#pragma once
#include <cstring>

#include "CTarnwick_Exception.h"
#include "tarnwick_types.h"

// The catch every flat function puts around its work: no exception crosses it.
// Success returns 0 and touches neither the text buffer nor the system error.
class CTarnwick_FlatBoundary {
public:
    // Burner family: the caller's failure record is zeroed first and receives the
    // record of a failed SCSI command.
    template <class Work>
    static ULONG CallBurner(PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
                            PULONG p__PULONG__SystemError, CDB_FAILURE_INFORMATION* p__PCDB_FAILURE_INFORMATION__Info,
                            Work&& p__Work) {
        if (p__PCDB_FAILURE_INFORMATION__Info != nullptr)
            std::memset(p__PCDB_FAILURE_INFORMATION__Info, 0, sizeof(CDB_FAILURE_INFORMATION));
        try {
            p__Work();
        } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
            return Hand(l__PCTarnwick_Exception__Exception, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                        p__PULONG__SystemError, p__PCDB_FAILURE_INFORMATION__Info);
        }
        return EXCEPTION_NUMBER_SUCCESS;
    }

    // File-tree family and image functions: no failure record.
    template <class Work>
    static ULONG CallTree(PCHAR p__PCHAR__ExceptionText, ULONG p__ULONG__ExceptionTextSize,
                          PULONG p__PULONG__SystemError, Work&& p__Work) {
        try {
            p__Work();
        } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
            return Hand(l__PCTarnwick_Exception__Exception, p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                        p__PULONG__SystemError, nullptr);
        }
        return EXCEPTION_NUMBER_SUCCESS;
    }

    // Turns a caught exception into the caller's result and deletes it.
    static ULONG Hand(CTarnwick_Exception* p__PCTarnwick_Exception__Exception, PCHAR p__PCHAR__ExceptionText,
                      ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                      CDB_FAILURE_INFORMATION* p__PCDB_FAILURE_INFORMATION__Info);
};
