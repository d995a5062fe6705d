#pragma once
// The guarded handle records of the reader and the writer.
#include "SonquillDebug.h"
#include "sonquill.h"

// Allocates a record around the object; nullptr when out of memory.
PSONQUILL_HANDLE SonquillHandle_Create(ULONG p__ULONG__Header, PVOID p__PVOID__Object, ULONG p__ULONG__Tailer);
// 0 when the record exists and both guards hold, else 87 (logged under the function name).
ULONG SonquillHandle_Check(PVOID p__PVOID__Handle, ULONG p__ULONG__Header, ULONG p__ULONG__Tailer,
                           const char* p__PCHAR__Function);
// Checks the caller's handle variable (87 for NULL or a cleared handle) and the record.
ULONG SonquillHandle_CheckAddress(PVOID* p__PPVOID__Handle, ULONG p__ULONG__Header, ULONG p__ULONG__Tailer,
                                  const char* p__PCHAR__Function);
// Frees the record (guards wiped, so a stale copy no longer passes) and clears the caller's handle.
void SonquillHandle_Destroy(PVOID* p__PPVOID__Handle);

// Logs a NULL argument as a failed pointer test and returns 87.
ULONG Sonquill_BadPointer(const char* p__PCHAR__Function, const char* p__PCHAR__Test, const void* p__PVOID__Pointer,
                          ULONG p__ULONG__Size);
