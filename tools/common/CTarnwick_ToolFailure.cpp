#include "CTarnwick_ToolFailure.h"

#include <cstdio>

int CTarnwick_ToolFailure::Print(const char* p__PCHAR__Program, const char* p__PCHAR__Function, ULONG p__ULONG__Number,
                                 const char* p__PCHAR__Text, ULONG p__ULONG__Status) {
    std::fprintf(stderr, "%s: %s() failed, number %lu, status %lu: %s\n", p__PCHAR__Program, p__PCHAR__Function,
                 static_cast<unsigned long>(p__ULONG__Number), static_cast<unsigned long>(p__ULONG__Status),
                 p__PCHAR__Text);
    return static_cast<int>(p__ULONG__Number);
}
