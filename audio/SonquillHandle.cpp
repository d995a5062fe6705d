#include "SonquillHandle.h"

#include <new>

PSONQUILL_HANDLE SonquillHandle_Create(ULONG p__ULONG__Header, PVOID p__PVOID__Object, ULONG p__ULONG__Tailer) {
    PSONQUILL_HANDLE l__PSONQUILL_HANDLE__Handle = new (std::nothrow) SONQUILL_HANDLE;
    if (l__PSONQUILL_HANDLE__Handle == nullptr) return nullptr;
    l__PSONQUILL_HANDLE__Handle->m__ULONG__Header = p__ULONG__Header;
    l__PSONQUILL_HANDLE__Handle->m__PVOID__Object = p__PVOID__Object;
    l__PSONQUILL_HANDLE__Handle->m__ULONG__Tailer = p__ULONG__Tailer;
    return l__PSONQUILL_HANDLE__Handle;
}

ULONG Sonquill_BadPointer(const char* p__PCHAR__Function, const char* p__PCHAR__Test, const void* p__PVOID__Pointer,
                          ULONG p__ULONG__Size) {
    Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, p__PCHAR__Function, "(): %s( %p, %d ) failed, status %d ( 0x%x )\n",
                        p__PCHAR__Test, p__PVOID__Pointer, static_cast<int>(p__ULONG__Size),
                        static_cast<int>(SONQUILL_STATUS_INVALID_PARAMETER), SONQUILL_STATUS_INVALID_PARAMETER);
    return SONQUILL_STATUS_INVALID_PARAMETER;
}

ULONG SonquillHandle_Check(PVOID p__PVOID__Handle, ULONG p__ULONG__Header, ULONG p__ULONG__Tailer,
                           const char* p__PCHAR__Function) {
    if (p__PVOID__Handle == nullptr)
        return Sonquill_BadPointer(p__PCHAR__Function, "IsBadReadPtr", p__PVOID__Handle, sizeof(SONQUILL_HANDLE));
    PSONQUILL_HANDLE l__PSONQUILL_HANDLE__Handle = static_cast<PSONQUILL_HANDLE>(p__PVOID__Handle);
    if (l__PSONQUILL_HANDLE__Handle->m__ULONG__Header != p__ULONG__Header) {
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, p__PCHAR__Function,
                            "(): Header is bad, got 0x%x instead of expected 0x%x, failed, status %d ( 0x%x )\n",
                            l__PSONQUILL_HANDLE__Handle->m__ULONG__Header, p__ULONG__Header,
                            static_cast<int>(SONQUILL_STATUS_INVALID_PARAMETER), SONQUILL_STATUS_INVALID_PARAMETER);
        return SONQUILL_STATUS_INVALID_PARAMETER;
    }
    if (l__PSONQUILL_HANDLE__Handle->m__ULONG__Tailer != p__ULONG__Tailer) {
        Sonquill_DebugPrint(SONQUILL_DEBUG_LEVEL_FAILURE, p__PCHAR__Function,
                            "(): Tailer is bad, got 0x%x instead of expected 0x%x, failed, status %d ( 0x%x )\n",
                            l__PSONQUILL_HANDLE__Handle->m__ULONG__Tailer, p__ULONG__Tailer,
                            static_cast<int>(SONQUILL_STATUS_INVALID_PARAMETER), SONQUILL_STATUS_INVALID_PARAMETER);
        return SONQUILL_STATUS_INVALID_PARAMETER;
    }
    return 0;
}

ULONG SonquillHandle_CheckAddress(PVOID* p__PPVOID__Handle, ULONG p__ULONG__Header, ULONG p__ULONG__Tailer,
                                  const char* p__PCHAR__Function) {
    if (p__PPVOID__Handle == nullptr)
        return Sonquill_BadPointer(p__PCHAR__Function, "IsBadWritePtr", p__PPVOID__Handle, sizeof(PVOID));
    return SonquillHandle_Check(*p__PPVOID__Handle, p__ULONG__Header, p__ULONG__Tailer, p__PCHAR__Function);
}

void SonquillHandle_Destroy(PVOID* p__PPVOID__Handle) {
    PSONQUILL_HANDLE l__PSONQUILL_HANDLE__Handle = static_cast<PSONQUILL_HANDLE>(*p__PPVOID__Handle);
    l__PSONQUILL_HANDLE__Handle->m__ULONG__Header = 0;
    l__PSONQUILL_HANDLE__Handle->m__ULONG__Tailer = 0;
    delete l__PSONQUILL_HANDLE__Handle;
    *p__PPVOID__Handle = nullptr;
}
