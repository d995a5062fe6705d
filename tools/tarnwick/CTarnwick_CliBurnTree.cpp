#include "CTarnwick_CliBurnTree.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "CTarnwick_ToolImageOutput.h"
#include "CTarnwick_ToolNames.h"

namespace {

// What a rename may use: an ISO9660 identifier of the trees made here (long names on).
constexpr size_t ISO9660_NAME_LIMIT = 31;
constexpr size_t JOLIET_NAME_LIMIT = 64;

template <class Text>
Text WithTail(const Text& p__Name, const Text& p__Tail, size_t p__SIZE__Limit) {
    Text l__Base = p__Name;
    Text l__Extension;
    const size_t l__SIZE__Dot = l__Base.rfind(static_cast<typename Text::value_type>('.'));
    if (l__SIZE__Dot != Text::npos && l__SIZE__Dot > 0) {
        l__Extension = l__Base.substr(l__SIZE__Dot);
        l__Base.resize(l__SIZE__Dot);
    }
    // The extension goes when the number leaves no room for it; one character of the name stays.
    if (1 + p__Tail.size() + l__Extension.size() > p__SIZE__Limit) l__Extension.clear();
    const size_t l__SIZE__Room = p__SIZE__Limit > p__Tail.size() + l__Extension.size()
                                     ? p__SIZE__Limit - p__Tail.size() - l__Extension.size()
                                     : 1;
    if (l__Base.size() > l__SIZE__Room) l__Base.resize(std::max<size_t>(1, l__SIZE__Room));
    l__Base.append(p__Tail).append(l__Extension);
    return l__Base;
}

}  // namespace

CTarnwick_CliBurnTree::~CTarnwick_CliBurnTree() { Tarnwick_Destroy(&m__PVOID__Tree); }

void CTarnwick_CliBurnTree::Clear() {
    std::memset(m__CHAR__Text, 0, sizeof(m__CHAR__Text));
    m__ULONG__Status = 0;
}

std::string CTarnwick_CliBurnTree::RenamedIdentifier(const std::string& p__string__Name, unsigned p__unsigned__Number,
                                                     size_t p__SIZE__Limit) {
    std::string l__string__Name = p__string__Name;
    std::string l__string__Version;
    const size_t l__SIZE__Semicolon = l__string__Name.rfind(';');
    if (l__SIZE__Semicolon != std::string::npos) {
        l__string__Version = l__string__Name.substr(l__SIZE__Semicolon);
        l__string__Name.resize(l__SIZE__Semicolon);
    }
    std::string l__string__Tail(1, '~');
    l__string__Tail.append(std::to_string(p__unsigned__Number));
    std::string l__string__New = WithTail(l__string__Name, l__string__Tail, p__SIZE__Limit);
    l__string__New.append(l__string__Version);
    return l__string__New;
}

std::u16string CTarnwick_CliBurnTree::RenamedJoliet(const std::u16string& p__u16string__Name, unsigned p__unsigned__Number) {
    std::u16string l__u16string__Tail(1, u'~');
    for (char c : std::to_string(p__unsigned__Number)) l__u16string__Tail.push_back(static_cast<char16_t>(c));
    return WithTail(p__u16string__Name, l__u16string__Tail, JOLIET_NAME_LIMIT);
}

void CTarnwick_CliBurnTree::Callback(ULONG p__ULONG__Reason, PVOID p__PVOID__Context, PVOID p__PVOID__Parameter1, PVOID) {
    if (p__ULONG__Reason != NAME_COLLISION || p__PVOID__Parameter1 == nullptr) return;
    auto* l__This = static_cast<CTarnwick_CliBurnTree*>(p__PVOID__Context);
    auto* l__Information = static_cast<NAME_COLLISION_INFORMATION*>(p__PVOID__Parameter1);
    UCHAR* l__PUCHAR__Name = l__Information->m__UCHAR__NewName;
    const size_t l__SIZE__Room = sizeof(l__Information->m__UCHAR__NewName);
    // One entry collides once in each hierarchy: it gets one number for all of its names.
    unsigned l__unsigned__Number = 0;
    const std::string l__string__NewPath =
        l__Information->m__PCHAR__NewPathName != nullptr ? std::string(l__Information->m__PCHAR__NewPathName) : std::string();
    auto l__Known = l__This->m__Numbers.find(l__string__NewPath);
    if (!l__string__NewPath.empty() && l__Known != l__This->m__Numbers.end()) {
        l__unsigned__Number = l__Known->second;
    } else {
        l__unsigned__Number = ++l__This->m__unsigned__Collisions;
        if (!l__string__NewPath.empty()) l__This->m__Numbers[l__string__NewPath] = l__unsigned__Number;
    }
    std::string l__string__Note;
    if (l__Information->m__BOOLEAN__IsJoliet != 0) {
        // UTF-16 code units in the machine's byte order, zero-terminated.
        std::u16string l__u16string__Old;
        for (size_t i = 0; i + 1 < l__SIZE__Room; i += 2) {
            char16_t c;
            std::memcpy(&c, l__PUCHAR__Name + i, sizeof(c));
            if (c == 0) break;
            l__u16string__Old.push_back(c);
        }
        const std::u16string l__u16string__New = RenamedJoliet(l__u16string__Old, l__unsigned__Number);
        std::memset(l__PUCHAR__Name, 0, l__SIZE__Room);
        std::memcpy(l__PUCHAR__Name, l__u16string__New.data(),
                    std::min(l__SIZE__Room - 2, l__u16string__New.size() * sizeof(char16_t)));
        l__string__Note = CTarnwick_ToolNames::ToUtf8(l__u16string__Old).append(" -> ").append(CTarnwick_ToolNames::ToUtf8(l__u16string__New));
    } else {
        const std::string l__string__Old(reinterpret_cast<const char*>(l__PUCHAR__Name),
                                         strnlen(reinterpret_cast<const char*>(l__PUCHAR__Name), l__SIZE__Room));
        const std::string l__string__New = RenamedIdentifier(l__string__Old, l__unsigned__Number, ISO9660_NAME_LIMIT);
        std::memset(l__PUCHAR__Name, 0, l__SIZE__Room);
        std::memcpy(l__PUCHAR__Name, l__string__New.data(), std::min(l__SIZE__Room - 1, l__string__New.size()));
        l__string__Note = l__string__Old;
        l__string__Note.append(" -> ").append(l__string__New);
    }
    l__Information->m__ULONG__Action = NAME_COLLISION_ACTION_RENAME_NEW;
    l__This->m__Renamed.push_back(l__string__Note);
}

ULONG CTarnwick_CliBurnTree::Create() {
    Tarnwick_Destroy(&m__PVOID__Tree);
    Clear();
    // Errors not ignored, files not kept open, long names, Joliet.
    ULONG l__ULONG__Number = Tarnwick_ISO9660JolietFileTree_Create(&m__PVOID__Tree, m__CHAR__Text, sizeof(m__CHAR__Text),
                                                                   &m__ULONG__Status, Callback, this, FALSE, FALSE, TRUE, TRUE);
    if (l__ULONG__Number != 0) return l__ULONG__Number;
    return Tarnwick_ISO9660JolietFileTree_SetRockRidge(m__PVOID__Tree, TRUE, m__CHAR__Text, sizeof(m__CHAR__Text),
                                                       &m__ULONG__Status);
}

ULONG CTarnwick_CliBurnTree::Import(PVOID p__PVOID__Burner, UCHAR p__UCHAR__Track) {
    Clear();
    return Tarnwick_ISO9660JolietFileTree_ImportTrack(p__PVOID__Burner, m__PVOID__Tree, p__UCHAR__Track, TRUE, m__CHAR__Text,
                                                      sizeof(m__CHAR__Text), &m__ULONG__Status);
}

ULONG CTarnwick_CliBurnTree::Add(const std::string& p__string__Path, bool p__bool__IsDirectory) {
    std::vector<std::filesystem::path> l__Entries;
    const std::filesystem::path l__Path = std::filesystem::absolute(p__string__Path);
    if (p__bool__IsDirectory) {
        // The directory's contents go to the root, in a stable order.
        std::error_code l__Error;
        for (const auto& l__Entry : std::filesystem::directory_iterator(l__Path, l__Error)) l__Entries.push_back(l__Entry.path());
        if (l__Error) {
            std::snprintf(m__CHAR__Text, sizeof(m__CHAR__Text), "cannot read the directory %s: %s", p__string__Path.c_str(),
                          l__Error.message().c_str());
            m__ULONG__Status = static_cast<ULONG>(l__Error.value());
            return EXCEPTION_NUMBER_SYSTEM_ERROR;
        }
        std::sort(l__Entries.begin(), l__Entries.end());
    } else {
        l__Entries.push_back(l__Path);
    }
    for (const std::filesystem::path& l__Entry : l__Entries) {
        Clear();
        std::string l__string__Path = l__Entry.string();
        std::string l__string__Name = l__Entry.filename().string();
        PVOID l__PVOID__Parent = Tarnwick_ISO9660FileTree_GetRoot(m__PVOID__Tree);
        // Last write time.
        const ULONG l__ULONG__Number =
            Tarnwick_ISO9660JolietFileTree_Add(m__PVOID__Tree, m__CHAR__Text, sizeof(m__CHAR__Text), &m__ULONG__Status,
                                               l__string__Path.data(), l__string__Name.data(), 2, &l__PVOID__Parent);
        if (l__ULONG__Number != 0) return l__ULONG__Number;
    }
    return 0;
}

ULONG CTarnwick_CliBurnTree::Build(ULONG p__ULONG__Start, const std::string& p__string__Label) {
    Clear();
    std::string l__string__Label = p__string__Label;
    CHAR l__CHAR__Application[] = "tarnwick burn";
    return Tarnwick_ISO9660FileTree_BuildImage(m__PVOID__Tree, m__CHAR__Text, sizeof(m__CHAR__Text), &m__ULONG__Status,
                                               p__ULONG__Start, Tarnwick_ISO9660JolietFileTree_GetTreeLevel(m__PVOID__Tree),
                                               FALSE, l__string__Label.data(), l__CHAR__Application, l__CHAR__Application);
}

uint64_t CTarnwick_CliBurnTree::Size() const {
    ULONG l__ULONG__High = 0;
    const ULONG l__ULONG__Low = Tarnwick_ISO9660JolietFileTree_GetSizeInUCHARs(m__PVOID__Tree, &l__ULONG__High);
    return (static_cast<uint64_t>(l__ULONG__High) << 32) | l__ULONG__Low;
}

ULONG CTarnwick_CliBurnTree::Rewind() {
    Clear();
    return Tarnwick_ISO9660JolietFileTree_SeekToBegin(m__PVOID__Tree, m__CHAR__Text, sizeof(m__CHAR__Text), &m__ULONG__Status);
}

ULONG CTarnwick_CliBurnTree::Read(void* p__PVOID__Buffer, ULONG p__ULONG__Length) {
    Clear();
    return Tarnwick_ISO9660JolietFileTree_Read(m__PVOID__Tree, m__CHAR__Text, sizeof(m__CHAR__Text), &m__ULONG__Status,
                                               static_cast<LONG>(p__ULONG__Length), p__PVOID__Buffer);
}

ULONG CTarnwick_CliBurnTree::Store(const std::string& p__string__Path) {
    ULONG l__ULONG__Number = Rewind();
    if (l__ULONG__Number != 0) return l__ULONG__Number;
    // The image writing the mastering programs use: whole under its name, or not at all.
    CTarnwick_ToolImageOutput l__Output(p__string__Path, nullptr);
    l__ULONG__Number = l__Output.Write(m__PVOID__Tree);
    if (l__ULONG__Number != 0) std::snprintf(m__CHAR__Text, sizeof(m__CHAR__Text), "%s", l__Output.FailureText().c_str());
    return l__ULONG__Number;
}
