#include "CTarnwick_ToolNames.h"

#include <algorithm>
#include <cstring>

std::string CTarnwick_ToolNames::RenamedIdentifier(const std::string& p__string__Identifier, unsigned long p__ulong__Number) {
    std::string l__string__Base = p__string__Identifier;
    std::string l__string__Version;
    if (l__string__Base.size() >= 2 && l__string__Base.compare(l__string__Base.size() - 2, 2, ";1") == 0) {
        l__string__Version = ";1";
        l__string__Base.resize(l__string__Base.size() - 2);
    }
    std::string l__string__Extension;
    const size_t l__SIZE__Dot = l__string__Base.rfind('.');
    if (l__SIZE__Dot != std::string::npos && l__SIZE__Dot > 0 && l__string__Base.size() - l__SIZE__Dot <= 4) {
        l__string__Extension = l__string__Base.substr(l__SIZE__Dot);
        l__string__Base.resize(l__SIZE__Dot);
    }
    std::string l__string__Tail(1, '~');
    l__string__Tail.append(std::to_string(p__ulong__Number));
    // At least one character of the old name stays; the extension goes first when the number
    // leaves no room for it.
    if (1 + l__string__Tail.size() + l__string__Extension.size() + l__string__Version.size() > 12) {
        l__string__Extension.clear();
    }
    const size_t l__SIZE__Room =
        12 - std::min<size_t>(11, l__string__Tail.size() + l__string__Version.size() + l__string__Extension.size());
    std::string l__string__Stem = CutUtf8(l__string__Base, l__SIZE__Room);
    l__string__Stem.append(l__string__Tail).append(l__string__Extension).append(l__string__Version);
    return l__string__Stem;
}

std::u16string CTarnwick_ToolNames::RenamedJolietName(const std::u16string& p__u16string__Name, unsigned long p__ulong__Number) {
    std::string l__string__Tail(1, '~');
    l__string__Tail.append(std::to_string(p__ulong__Number));
    const std::u16string l__u16string__Tail = FromUtf8(l__string__Tail);
    size_t l__SIZE__Version = p__u16string__Name.rfind(u';');
    if (l__SIZE__Version == std::u16string::npos) l__SIZE__Version = p__u16string__Name.size();
    const std::u16string l__u16string__Version = p__u16string__Name.substr(l__SIZE__Version);
    std::u16string l__u16string__Stem = p__u16string__Name.substr(0, l__SIZE__Version);
    std::u16string l__u16string__Extension;
    const size_t l__SIZE__Dot = l__u16string__Stem.rfind(u'.');
    if (l__SIZE__Dot != std::u16string::npos && l__SIZE__Dot > 0 &&
        l__u16string__Stem.size() - l__SIZE__Dot <= MaximumJolietExtensionUnits) {
        l__u16string__Extension = l__u16string__Stem.substr(l__SIZE__Dot);
        l__u16string__Stem.resize(l__SIZE__Dot);
    }
    size_t l__SIZE__Fixed = l__u16string__Version.size() + l__u16string__Tail.size() + l__u16string__Extension.size();
    if (l__SIZE__Fixed >= MaximumJolietUnits) {
        // No room for a character of the stem: the extension goes first.
        l__u16string__Stem += l__u16string__Extension;
        l__u16string__Extension.clear();
        l__SIZE__Fixed = l__u16string__Version.size() + l__u16string__Tail.size();
    }
    const size_t l__SIZE__Room = l__SIZE__Fixed < MaximumJolietUnits ? MaximumJolietUnits - l__SIZE__Fixed : 1;
    std::u16string l__u16string__Result = CutUtf16(l__u16string__Stem, l__SIZE__Room);
    l__u16string__Result += l__u16string__Tail;
    l__u16string__Result += l__u16string__Extension;
    l__u16string__Result += l__u16string__Version;
    // A version or a tail that alone passes the limit is cut with the rest.
    return CutUtf16(l__u16string__Result, MaximumJolietUnits);
}

std::string CTarnwick_ToolNames::RenameNew(NAME_COLLISION_INFORMATION* p__PInformation, unsigned long p__ulong__Number) {
    UCHAR* l__PUCHAR__Name = p__PInformation->m__UCHAR__NewName;
    const size_t l__SIZE__Room = sizeof(p__PInformation->m__UCHAR__NewName);
    std::string l__string__Report;
    if (p__PInformation->m__BOOLEAN__IsJoliet != 0) {
        // UTF-16 in the machine's byte order, ended by a zero unit.
        std::u16string l__u16string__Old;
        for (size_t l__SIZE__At = 0; l__SIZE__At + 1 < l__SIZE__Room; l__SIZE__At += 2) {
            char16_t l__char16_t__Unit;
            std::memcpy(&l__char16_t__Unit, l__PUCHAR__Name + l__SIZE__At, 2);
            if (l__char16_t__Unit == 0) break;
            l__u16string__Old.push_back(l__char16_t__Unit);
        }
        const std::u16string l__u16string__New = RenamedJolietName(l__u16string__Old, p__ulong__Number);
        std::memset(l__PUCHAR__Name, 0, l__SIZE__Room);
        std::memcpy(l__PUCHAR__Name, l__u16string__New.data(), std::min(l__SIZE__Room - 2, 2 * l__u16string__New.size()));
        l__string__Report = ToUtf8(l__u16string__New);
    } else {
        const std::string l__string__Old(reinterpret_cast<const char*>(l__PUCHAR__Name),
                                         strnlen(reinterpret_cast<const char*>(l__PUCHAR__Name), l__SIZE__Room));
        l__string__Report = RenamedIdentifier(l__string__Old, p__ulong__Number);
        std::memset(l__PUCHAR__Name, 0, l__SIZE__Room);
        std::memcpy(l__PUCHAR__Name, l__string__Report.data(), std::min(l__SIZE__Room - 1, l__string__Report.size()));
    }
    p__PInformation->m__ULONG__Action = NAME_COLLISION_ACTION_RENAME_NEW;
    return l__string__Report;
}

std::string CTarnwick_ToolNames::UpperCased(std::string p__string__Name) {
    for (char& l__char__Character : p__string__Name) {
        if (l__char__Character >= 'a' && l__char__Character <= 'z') l__char__Character = static_cast<char>(l__char__Character - 'a' + 'A');
    }
    return p__string__Name;
}

bool CTarnwick_ToolNames::FitsUdf(const std::string& p__string__Name) {
    // The name field of a tree item holds 254 bytes and the terminating zero; an identifier
    // is a byte saying 8 or 16 bits, then the characters in that width.
    if (p__string__Name.size() >= 255) return false;
    const std::u16string l__u16string__Units = FromUtf8(p__string__Name);
    const bool l__bool__Narrow = std::all_of(l__u16string__Units.begin(), l__u16string__Units.end(),
                                             [](char16_t p__char16_t__Unit) { return p__char16_t__Unit < 0x100; });
    const size_t l__SIZE__Bytes = p__string__Name.empty() ? 0 : 1 + l__u16string__Units.size() * (l__bool__Narrow ? 1 : 2);
    return l__SIZE__Bytes <= 255;
}

std::string CTarnwick_ToolNames::RenamedUdfName(const std::string& p__string__Name, bool p__bool__IsDirectory,
                                               unsigned long p__ulong__Number) {
    std::string l__string__Base = p__string__Name;
    std::string l__string__Extension;
    const size_t l__SIZE__Dot = l__string__Base.rfind('.');
    if (!p__bool__IsDirectory && l__SIZE__Dot != std::string::npos && l__SIZE__Dot > 0) {
        l__string__Extension = l__string__Base.substr(l__SIZE__Dot);
        l__string__Base.resize(l__SIZE__Dot);
    }
    std::string l__string__Tail(1, '~');
    l__string__Tail.append(std::to_string(p__ulong__Number));
    size_t l__SIZE__Keep = l__string__Base.size();
    std::string l__string__Candidate;
    do {
        l__string__Candidate = l__string__Base.substr(0, l__SIZE__Keep);
        l__string__Candidate.append(l__string__Tail).append(l__string__Extension);
    } while (!FitsUdf(l__string__Candidate) && l__SIZE__Keep-- > 1);
    return l__string__Candidate;
}

std::u16string CTarnwick_ToolNames::FromUtf8(const std::string& p__string__Text) {
    std::u16string l__u16string__Result;
    l__u16string__Result.reserve(p__string__Text.size());
    size_t l__SIZE__At = 0;
    while (l__SIZE__At < p__string__Text.size()) {
        const unsigned char l__UCHAR__Lead = static_cast<unsigned char>(p__string__Text[l__SIZE__At]);
        const size_t l__SIZE__Length = l__UCHAR__Lead < 0x80 ? 1 : (l__UCHAR__Lead >> 5) == 0x6 ? 2 : (l__UCHAR__Lead >> 4) == 0xE ? 3
                                                                     : (l__UCHAR__Lead >> 3) == 0x1E ? 4 : 0;
        char32_t l__char32_t__Character = 0xFFFD;
        size_t l__SIZE__Used = 1;
        if (l__SIZE__Length == 1) {
            l__char32_t__Character = l__UCHAR__Lead;
        } else if (l__SIZE__Length > 1 && l__SIZE__At + l__SIZE__Length <= p__string__Text.size()) {
            char32_t l__char32_t__Value = l__UCHAR__Lead & (0x7F >> l__SIZE__Length);
            bool l__bool__Whole = true;
            for (size_t l__SIZE__Byte = 1; l__SIZE__Byte < l__SIZE__Length && l__bool__Whole; ++l__SIZE__Byte) {
                const unsigned char l__UCHAR__Next = static_cast<unsigned char>(p__string__Text[l__SIZE__At + l__SIZE__Byte]);
                l__bool__Whole = (l__UCHAR__Next & 0xC0) == 0x80;
                l__char32_t__Value = (l__char32_t__Value << 6) | (l__UCHAR__Next & 0x3F);
            }
            if (l__bool__Whole && l__char32_t__Value <= 0x10FFFF) {
                l__char32_t__Character = l__char32_t__Value;
                l__SIZE__Used = l__SIZE__Length;
            }
        }
        l__SIZE__At += l__SIZE__Used;
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

std::string CTarnwick_ToolNames::ToUtf8(const std::u16string& p__u16string__Text) {
    std::string l__string__Result;
    for (size_t l__SIZE__At = 0; l__SIZE__At < p__u16string__Text.size(); ++l__SIZE__At) {
        char32_t l__char32_t__Character = p__u16string__Text[l__SIZE__At];
        if (l__char32_t__Character >= 0xD800 && l__char32_t__Character < 0xDC00 && l__SIZE__At + 1 < p__u16string__Text.size() &&
            p__u16string__Text[l__SIZE__At + 1] >= 0xDC00 && p__u16string__Text[l__SIZE__At + 1] < 0xE000) {
            l__char32_t__Character = 0x10000 + ((l__char32_t__Character - 0xD800) << 10) + (p__u16string__Text[++l__SIZE__At] - 0xDC00);
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

std::string CTarnwick_ToolNames::CutUtf8(const std::string& p__string__Text, size_t p__SIZE__Bytes) {
    if (p__string__Text.size() <= p__SIZE__Bytes) return p__string__Text;
    size_t l__SIZE__End = p__SIZE__Bytes;
    // Back off over continuation bytes so that the last character stays whole.
    while (l__SIZE__End > 0 && (static_cast<unsigned char>(p__string__Text[l__SIZE__End]) & 0xC0) == 0x80) --l__SIZE__End;
    return p__string__Text.substr(0, l__SIZE__End);
}

std::u16string CTarnwick_ToolNames::CutUtf16(const std::u16string& p__u16string__Text, size_t p__SIZE__Units) {
    if (p__u16string__Text.size() <= p__SIZE__Units) return p__u16string__Text;
    size_t l__SIZE__End = p__SIZE__Units;
    if (l__SIZE__End > 0 && p__u16string__Text[l__SIZE__End - 1] >= 0xD800 && p__u16string__Text[l__SIZE__End - 1] < 0xDC00) --l__SIZE__End;
    return p__u16string__Text.substr(0, l__SIZE__End);
}
