#include "CTarnwick_Utf16.h"

#include <cstring>

#include "CTarnwick_Bytes.h"

namespace {

const char32_t g__char32_t__Replacement = 0xFFFD;

bool IsHighSurrogate(char16_t p__char16_t__Unit) { return p__char16_t__Unit >= 0xD800 && p__char16_t__Unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t p__char16_t__Unit) { return p__char16_t__Unit >= 0xDC00 && p__char16_t__Unit <= 0xDFFF; }

// Decodes one character at *p__PSIZE__At and moves past it; a malformed sequence gives
// U+FFFD and moves past its first byte only.
char32_t DecodeUtf8(const std::string& p__string__Text, size_t* p__PSIZE__At) {
    size_t l__SIZE__At = *p__PSIZE__At;
    unsigned char l__UCHAR__Lead = static_cast<unsigned char>(p__string__Text[l__SIZE__At]);
    *p__PSIZE__At = l__SIZE__At + 1;
    if (l__UCHAR__Lead < 0x80) {
        return l__UCHAR__Lead;
    }
    size_t l__SIZE__Count;
    char32_t l__char32_t__Value;
    char32_t l__char32_t__Least;
    if ((l__UCHAR__Lead & 0xE0) == 0xC0) {
        l__SIZE__Count = 1, l__char32_t__Value = l__UCHAR__Lead & 0x1F, l__char32_t__Least = 0x80;
    } else if ((l__UCHAR__Lead & 0xF0) == 0xE0) {
        l__SIZE__Count = 2, l__char32_t__Value = l__UCHAR__Lead & 0x0F, l__char32_t__Least = 0x800;
    } else if ((l__UCHAR__Lead & 0xF8) == 0xF0) {
        l__SIZE__Count = 3, l__char32_t__Value = l__UCHAR__Lead & 0x07, l__char32_t__Least = 0x10000;
    } else {
        return g__char32_t__Replacement;
    }
    if (l__SIZE__At + l__SIZE__Count >= p__string__Text.size()) {
        return g__char32_t__Replacement;  // cut short
    }
    for (size_t l__SIZE__Index = 1; l__SIZE__Index <= l__SIZE__Count; ++l__SIZE__Index) {
        unsigned char l__UCHAR__Next = static_cast<unsigned char>(p__string__Text[l__SIZE__At + l__SIZE__Index]);
        if ((l__UCHAR__Next & 0xC0) != 0x80) {
            return g__char32_t__Replacement;
        }
        l__char32_t__Value = (l__char32_t__Value << 6) | (l__UCHAR__Next & 0x3F);
    }
    if (l__char32_t__Value < l__char32_t__Least || l__char32_t__Value > 0x10FFFF ||
        (l__char32_t__Value >= 0xD800 && l__char32_t__Value <= 0xDFFF)) {
        return g__char32_t__Replacement;
    }
    *p__PSIZE__At = l__SIZE__At + 1 + l__SIZE__Count;
    return l__char32_t__Value;
}

}  // namespace

std::u16string CTarnwick_Utf16::FromUtf8(const std::string& p__string__Text) {
    std::u16string l__u16string__Result;
    l__u16string__Result.reserve(p__string__Text.size());
    size_t l__SIZE__At = 0;
    while (l__SIZE__At < p__string__Text.size()) {
        char32_t l__char32_t__Character = DecodeUtf8(p__string__Text, &l__SIZE__At);
        if (l__char32_t__Character >= 0x10000) {
            l__char32_t__Character -= 0x10000;
            l__u16string__Result.push_back(static_cast<char16_t>(0xD800 + (l__char32_t__Character >> 10)));
            l__u16string__Result.push_back(static_cast<char16_t>(0xDC00 + (l__char32_t__Character & 0x3FF)));
        } else {
            l__u16string__Result.push_back(static_cast<char16_t>(l__char32_t__Character));
        }
    }
    return l__u16string__Result;
}

std::string CTarnwick_Utf16::ToUtf8(const std::u16string& p__u16string__Text) {
    std::string l__string__Result;
    l__string__Result.reserve(p__u16string__Text.size());
    for (size_t l__SIZE__At = 0; l__SIZE__At < p__u16string__Text.size(); ++l__SIZE__At) {
        char32_t l__char32_t__Character = p__u16string__Text[l__SIZE__At];
        if (IsHighSurrogate(p__u16string__Text[l__SIZE__At]) && l__SIZE__At + 1 < p__u16string__Text.size() &&
            IsLowSurrogate(p__u16string__Text[l__SIZE__At + 1])) {
            l__char32_t__Character =
                0x10000 + ((l__char32_t__Character - 0xD800) << 10) + (p__u16string__Text[l__SIZE__At + 1] - 0xDC00);
            ++l__SIZE__At;
        } else if (l__char32_t__Character >= 0xD800 && l__char32_t__Character <= 0xDFFF) {
            l__char32_t__Character = g__char32_t__Replacement;
        }
        if (l__char32_t__Character < 0x80) {
            l__string__Result.push_back(static_cast<char>(l__char32_t__Character));
        } else if (l__char32_t__Character < 0x800) {
            l__string__Result.push_back(static_cast<char>(0xC0 | (l__char32_t__Character >> 6)));
            l__string__Result.push_back(static_cast<char>(0x80 | (l__char32_t__Character & 0x3F)));
        } else if (l__char32_t__Character < 0x10000) {
            l__string__Result.push_back(static_cast<char>(0xE0 | (l__char32_t__Character >> 12)));
            l__string__Result.push_back(static_cast<char>(0x80 | ((l__char32_t__Character >> 6) & 0x3F)));
            l__string__Result.push_back(static_cast<char>(0x80 | (l__char32_t__Character & 0x3F)));
        } else {
            l__string__Result.push_back(static_cast<char>(0xF0 | (l__char32_t__Character >> 18)));
            l__string__Result.push_back(static_cast<char>(0x80 | ((l__char32_t__Character >> 12) & 0x3F)));
            l__string__Result.push_back(static_cast<char>(0x80 | ((l__char32_t__Character >> 6) & 0x3F)));
            l__string__Result.push_back(static_cast<char>(0x80 | (l__char32_t__Character & 0x3F)));
        }
    }
    return l__string__Result;
}

std::string CTarnwick_Utf16::ToBigEndian(const std::u16string& p__u16string__Text) {
    std::string l__string__Bytes(2 * p__u16string__Text.size(), '\0');
    for (size_t l__SIZE__At = 0; l__SIZE__At < p__u16string__Text.size(); ++l__SIZE__At) {
        CTarnwick_Bytes::PutBigEndian16(reinterpret_cast<PUCHAR>(&l__string__Bytes[2 * l__SIZE__At]), p__u16string__Text[l__SIZE__At]);
    }
    return l__string__Bytes;
}

std::u16string CTarnwick_Utf16::FromBigEndian(const std::string& p__string__Bytes) {
    std::u16string l__u16string__Text(p__string__Bytes.size() / 2, u'\0');
    for (size_t l__SIZE__At = 0; l__SIZE__At < l__u16string__Text.size(); ++l__SIZE__At) {
        l__u16string__Text[l__SIZE__At] = static_cast<char16_t>(
            CTarnwick_Bytes::GetBigEndian16(reinterpret_cast<const UCHAR*>(&p__string__Bytes[2 * l__SIZE__At])));
    }
    return l__u16string__Text;
}

std::u16string CTarnwick_Utf16::Cut(const std::u16string& p__u16string__Text, size_t p__SIZE__Units) {
    if (p__u16string__Text.size() <= p__SIZE__Units) {
        return p__u16string__Text;
    }
    size_t l__SIZE__End = p__SIZE__Units;
    if (l__SIZE__End > 0 && IsHighSurrogate(p__u16string__Text[l__SIZE__End - 1])) {
        --l__SIZE__End;
    }
    return p__u16string__Text.substr(0, l__SIZE__End);
}

std::u16string CTarnwick_Utf16::FromTerminated(const UCHAR* p__PUCHAR__Buffer, size_t p__SIZE__Bytes) {
    std::u16string l__u16string__Text;
    for (size_t l__SIZE__At = 0; l__SIZE__At + 1 < p__SIZE__Bytes; l__SIZE__At += 2) {
        char16_t l__char16_t__Unit;
        std::memcpy(&l__char16_t__Unit, p__PUCHAR__Buffer + l__SIZE__At, 2);
        if (l__char16_t__Unit == 0) {
            break;
        }
        l__u16string__Text.push_back(l__char16_t__Unit);
    }
    return l__u16string__Text;
}
