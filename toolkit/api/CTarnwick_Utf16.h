#pragma once
// Text conversion between the toolkit's narrow strings (UTF-8) and UTF-16, as the wide
// names of disc file systems need it.
#include <string>

#include "tarnwick_types.h"

class CTarnwick_Utf16 {
public:
    // UTF-8 to UTF-16: characters beyond U+FFFF become surrogate pairs. A byte that does not
    // begin a well-formed UTF-8 sequence (a stray continuation byte, an overlong form, an
    // encoded surrogate, a sequence cut short) becomes U+FFFD, so that any name converts.
    static std::u16string FromUtf8(const std::string& p__string__Text);
    // UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
    static std::string ToUtf8(const std::u16string& p__u16string__Text);
    // The units of a UTF-16 text as big-endian bytes (two per unit), and back.
    static std::string ToBigEndian(const std::u16string& p__u16string__Text);
    static std::u16string FromBigEndian(const std::string& p__string__Bytes);
    // A zero-terminated UTF-16 text in the machine's byte order from a byte buffer of
    // p__SIZE__Bytes bytes (no alignment needed); it ends at the buffer's end at the latest.
    static std::u16string FromTerminated(const UCHAR* p__PUCHAR__Buffer, size_t p__SIZE__Bytes);
    // The first units of a text, at most p__SIZE__Units of them, without splitting a
    // surrogate pair.
    static std::u16string Cut(const std::u16string& p__u16string__Text, size_t p__SIZE__Units);
};
