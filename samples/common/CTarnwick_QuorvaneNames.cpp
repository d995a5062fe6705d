#include "CTarnwick_QuorvaneNames.h"

#include <algorithm>
#include <cstring>

#include "CTarnwick_Utf16.h"

namespace {

// Pads the name to 2 characters and returns where its stem ends: before a version suffix
// (";" two from the end), and before an extension dot at that place or up to 4 before it.
template <class String>
size_t StemEnd(String& p__Name) {
    while (p__Name.size() < 2) p__Name.push_back('0');
    size_t l__SIZE__End = p__Name.size();
    if (p__Name[l__SIZE__End - 2] == ';') l__SIZE__End -= 2;
    for (size_t l__SIZE__Back = 0; l__SIZE__Back <= 4 && l__SIZE__Back <= l__SIZE__End; ++l__SIZE__Back) {
        const size_t l__SIZE__At = l__SIZE__End - l__SIZE__Back;
        if (l__SIZE__At < p__Name.size() && p__Name[l__SIZE__At] == '.') return l__SIZE__At;
    }
    return l__SIZE__End;
}

}  // namespace

std::string CTarnwick_QuorvaneNames::DateName(std::time_t p__time_t__Time) {
    char l__CHAR__Text[64] = {};
    if (::ctime_r(&p__time_t__Time, l__CHAR__Text) == nullptr) return "";
    std::string l__Name(l__CHAR__Text);
    l__Name = l__Name.substr(0, l__Name.find('\n'));
    std::replace(l__Name.begin(), l__Name.end(), ':', '_');
    std::replace(l__Name.begin(), l__Name.end(), ' ', '_');
    return l__Name;
}

void CTarnwick_QuorvaneNames::RenameISO9660(PCHAR p__PCHAR__Name, size_t p__SIZE__Capacity) {
    if (p__SIZE__Capacity == 0) return;
    std::string l__Name(p__PCHAR__Name, strnlen(p__PCHAR__Name, p__SIZE__Capacity));
    const size_t l__SIZE__StemEnd = StemEnd(l__Name);
    const std::string l__Extension = l__Name.substr(l__SIZE__StemEnd, 11);
    std::string l__Stem = l__Name.substr(0, l__SIZE__StemEnd);
    if (l__Stem.size() > 8) l__Stem.resize(7);
    const std::string l__New = l__Stem + std::to_string(m__LONG__RenameCounter++) + l__Extension;
    const size_t l__SIZE__Length = std::min(l__New.size(), p__SIZE__Capacity - 1);
    std::memcpy(p__PCHAR__Name, l__New.data(), l__SIZE__Length);
    p__PCHAR__Name[l__SIZE__Length] = '\0';
}

void CTarnwick_QuorvaneNames::RenameJoliet(PUCHAR p__PUCHAR__Name, size_t p__SIZE__Bytes, const char* p__PCHAR__TimeText) {
    const size_t l__SIZE__Units = p__SIZE__Bytes / sizeof(WCHAR);
    if (l__SIZE__Units == 0) return;
    std::u16string l__Name = CTarnwick_Utf16::FromTerminated(p__PUCHAR__Name, p__SIZE__Bytes);
    const size_t l__SIZE__StemEnd = StemEnd(l__Name);
    std::u16string l__New = l__Name.substr(0, l__SIZE__StemEnd) + u"_" + CTarnwick_Utf16::FromUtf8(p__PCHAR__TimeText) +
                            l__Name.substr(l__SIZE__StemEnd, 9);
    while (!l__New.empty() && l__New.back() <= 32) l__New.pop_back();
    for (size_t l__SIZE__At = l__SIZE__StemEnd; l__SIZE__At < l__New.size(); ++l__SIZE__At)
        if (l__New[l__SIZE__At] < 33 || l__New[l__SIZE__At] == u':') l__New[l__SIZE__At] = u'_';
    l__New = CTarnwick_Utf16::Cut(l__New, l__SIZE__Units - 1);
    l__New.push_back(u'\0');
    std::memcpy(p__PUCHAR__Name, l__New.data(), l__New.size() * sizeof(WCHAR));
}
