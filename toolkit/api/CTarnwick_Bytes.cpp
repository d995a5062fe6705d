#include "CTarnwick_Bytes.h"

void CTarnwick_Bytes::Swap16Array(PVOID p__PVOID__Buffer, ULONG p__ULONG__Count) {
    PUCHAR l__PUCHAR__Unit = static_cast<PUCHAR>(p__PVOID__Buffer);
    for (ULONG l__ULONG__Index = 0; l__ULONG__Index < p__ULONG__Count; ++l__ULONG__Index, l__PUCHAR__Unit += 2) {
        UCHAR l__UCHAR__First = l__PUCHAR__Unit[0];
        l__PUCHAR__Unit[0] = l__PUCHAR__Unit[1];
        l__PUCHAR__Unit[1] = l__UCHAR__First;
    }
}

LONGLONG CTarnwick_Bytes::BlocksOf2048(LONGLONG p__LONGLONG__Bytes) {
    // Divide first so that sizes near the top of the range cannot overflow.
    return p__LONGLONG__Bytes / 2048 + (p__LONGLONG__Bytes % 2048 > 0 ? 1 : 0);
}
