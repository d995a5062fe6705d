#include "DiscTreeListing.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <system_error>

namespace {

char TypeOf(mode_t p__mode_t__Mode) {
    if (S_ISREG(p__mode_t__Mode)) return 'f';
    if (S_ISDIR(p__mode_t__Mode)) return 'd';
    if (S_ISLNK(p__mode_t__Mode)) return 'l';
    if (S_ISFIFO(p__mode_t__Mode)) return 'p';
    if (S_ISCHR(p__mode_t__Mode)) return 'c';
    if (S_ISBLK(p__mode_t__Mode)) return 'b';
    if (S_ISSOCK(p__mode_t__Mode)) return 's';
    return '?';
}

std::string Octal(unsigned p__unsigned__Value) {
    char l__CHAR__Text[16];
    std::snprintf(l__CHAR__Text, sizeof(l__CHAR__Text), "%04o", p__unsigned__Value);
    return l__CHAR__Text;
}

// "PATH: WHAT expected E, got G"
std::string Difference(const std::string& p__string__Path, const char* p__PCHAR__What, const std::string& p__string__Expected,
                       const std::string& p__string__Got) {
    std::string l__string__Line = DiscTreeListing::Printable(p__string__Path);
    l__string__Line.append(": ").append(p__PCHAR__What).append(" expected ").append(p__string__Expected);
    l__string__Line.append(", got ").append(p__string__Got);
    return l__string__Line;
}

// A decimal field: all digits, no sign.
template <typename T>
bool ParseNumber(const std::string& p__string__Field, int p__int__Base, T* p__Value) {
    if (p__string__Field.empty() || p__string__Field.size() > 20) return false;
    for (char c : p__string__Field)
        if (c < '0' || c > (p__int__Base == 8 ? '7' : '9')) return false;
    errno = 0;
    unsigned long long l__ulonglong__Value = std::strtoull(p__string__Field.c_str(), nullptr, p__int__Base);
    if (errno != 0) return false;
    *p__Value = static_cast<T>(l__ulonglong__Value);
    return static_cast<unsigned long long>(*p__Value) == l__ulonglong__Value;
}

}  // namespace

bool DiscTreeListing::FromHex(const std::string& p__string__Hex, std::string* p__string__Bytes) {
    if (p__string__Hex.size() % 2 != 0) return false;
    auto Digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1; };
    std::string l__string__Bytes;
    for (size_t l__SIZE__At = 0; l__SIZE__At < p__string__Hex.size(); l__SIZE__At += 2) {
        int l__int__High = Digit(p__string__Hex[l__SIZE__At]);
        int l__int__Low = Digit(p__string__Hex[l__SIZE__At + 1]);
        if (l__int__High < 0 || l__int__Low < 0) return false;
        l__string__Bytes.push_back(static_cast<char>(l__int__High * 16 + l__int__Low));
    }
    *p__string__Bytes = l__string__Bytes;
    return true;
}

std::string DiscTreeListing::Printable(const std::string& p__string__Path) {
    std::string l__string__Text;
    for (char c : p__string__Path) {
        unsigned char l__UCHAR__Byte = static_cast<unsigned char>(c);
        if (l__UCHAR__Byte < 0x20 || l__UCHAR__Byte == 0x7f || c == '\\') {
            char l__CHAR__Escape[8];
            std::snprintf(l__CHAR__Escape, sizeof(l__CHAR__Escape), "\\x%02x", l__UCHAR__Byte);
            l__string__Text.append(l__CHAR__Escape);
        } else {
            l__string__Text.push_back(c);
        }
    }
    return l__string__Text;
}

DiscTreeListing DiscTreeListing::Parse(const std::string& p__string__Text) {
    DiscTreeListing l__Listing;
    std::istringstream l__Lines(p__string__Text);
    for (std::string l__string__Line; std::getline(l__Lines, l__string__Line);) {
        if (l__string__Line.rfind("entry ", 0) != 0) continue;
        std::istringstream l__Words(l__string__Line);
        std::vector<std::string> l__Fields;
        for (std::string l__string__Field; l__Words >> l__string__Field;) l__Fields.push_back(l__string__Field);
        Entry l__Entry;
        std::string l__string__Path;
        std::string l__string__Digest;
        bool l__bool__Good = l__Fields.size() == 9 && l__Fields[1].size() == 1 &&
                             std::strchr("fdlpcbs", l__Fields[1][0]) != nullptr &&
                             ParseNumber(l__Fields[2], 8, &l__Entry.m__unsigned__Mode) && l__Entry.m__unsigned__Mode <= 07777 &&
                             ParseNumber(l__Fields[3], 10, &l__Entry.m__ulong__Links) &&
                             ParseNumber(l__Fields[4], 10, &l__Entry.m__ULONGLONG__Size) &&
                             ParseNumber(l__Fields[5], 10, &l__Entry.m__LONGLONG__MTime) &&
                             FromHex(l__Fields[6], &l__string__Path) && !l__string__Path.empty();
        if (l__bool__Good) {
            // A link has a target and a regular file a digest; nothing else has either.
            l__Entry.m__char__Type = l__Fields[1][0];
            bool l__bool__IsLink = l__Entry.m__char__Type == 'l';
            bool l__bool__IsFile = l__Entry.m__char__Type == 'f';
            bool l__bool__TargetGood = l__bool__IsLink ? FromHex(l__Fields[7], &l__Entry.m__string__Target) &&
                                                             !l__Entry.m__string__Target.empty()
                                                       : l__Fields[7] == "-";
            bool l__bool__DigestGood = l__bool__IsFile ? l__Fields[8].size() == 32 && FromHex(l__Fields[8], &l__string__Digest)
                                                       : l__Fields[8] == "-";
            l__bool__Good = l__bool__TargetGood && l__bool__DigestGood;
            if (l__bool__IsFile) l__Entry.m__string__Digest = l__Fields[8];
        }
        if (!l__bool__Good || !l__Listing.m__Entries.emplace(l__string__Path, l__Entry).second)
            l__Listing.m__Malformed.push_back(l__string__Line);
    }
    return l__Listing;
}

DiscTreeListing DiscTreeListing::OfTree(const std::string& p__string__Root, std::string* p__string__Failure) {
    DiscTreeListing l__Listing;
    p__string__Failure->clear();
    std::error_code l__Error;
    std::filesystem::recursive_directory_iterator l__Walk(p__string__Root, l__Error);
    for (; !l__Error && l__Walk != std::filesystem::recursive_directory_iterator(); l__Walk.increment(l__Error)) {
        const std::string l__string__Full = l__Walk->path().string();
        struct stat l__Stat;
        if (::lstat(l__string__Full.c_str(), &l__Stat) != 0) {
            *p__string__Failure = "lstat " + l__string__Full + ": " + std::strerror(errno);
            return l__Listing;
        }
        Entry l__Entry;
        l__Entry.m__char__Type = TypeOf(l__Stat.st_mode);
        l__Entry.m__unsigned__Mode = l__Stat.st_mode & 07777;
        l__Entry.m__ulong__Links = l__Stat.st_nlink;
        l__Entry.m__ULONGLONG__Size = static_cast<uint64_t>(l__Stat.st_size);
        l__Entry.m__LONGLONG__MTime = l__Stat.st_mtim.tv_sec;
        if (l__Entry.m__char__Type == 'l') {
            std::string l__string__Target(static_cast<size_t>(l__Stat.st_size) + 1, '\0');
            ssize_t l__ssize_t__Length = ::readlink(l__string__Full.c_str(), l__string__Target.data(), l__string__Target.size());
            if (l__ssize_t__Length < 0 || static_cast<size_t>(l__ssize_t__Length) >= l__string__Target.size()) {
                *p__string__Failure = "readlink " + l__string__Full + " failed";
                return l__Listing;
            }
            l__string__Target.resize(static_cast<size_t>(l__ssize_t__Length));
            l__Entry.m__string__Target = l__string__Target;
        }
        l__Listing.m__Entries[l__Walk->path().lexically_relative(p__string__Root).string()] = l__Entry;
    }
    if (l__Error) *p__string__Failure = "cannot walk " + p__string__Root + ": " + l__Error.message();
    return l__Listing;
}

std::vector<std::string> DiscTreeListing::DifferencesFrom(const DiscTreeListing& p__Expected) const {
    std::vector<std::string> l__Differences;
    for (const std::string& l__string__Line : m__Malformed) l__Differences.push_back("malformed entry line: " + Printable(l__string__Line));
    // A directory's link count is two and one for each directory in it: its own entry in
    // its parent, its "." and the ".." of each subdirectory.
    std::map<std::string, unsigned long> l__Subdirectories;
    for (const auto& [l__string__Path, l__Entry] : p__Expected.m__Entries) {
        if (l__Entry.m__char__Type != 'd') continue;
        l__Subdirectories[l__string__Path];
        std::string l__string__Parent = std::filesystem::path(l__string__Path).parent_path().string();
        if (!l__string__Parent.empty()) ++l__Subdirectories[l__string__Parent];
    }
    for (const auto& [l__string__Path, l__Want] : p__Expected.m__Entries) {
        auto l__Found = m__Entries.find(l__string__Path);
        if (l__Found == m__Entries.end()) {
            l__Differences.push_back(Printable(l__string__Path) + ": missing (expected type " + l__Want.m__char__Type + ")");
            continue;
        }
        const Entry& l__Got = l__Found->second;
        if (l__Got.m__char__Type != l__Want.m__char__Type) {
            l__Differences.push_back(Difference(l__string__Path, "type", std::string(1, l__Want.m__char__Type),
                                                std::string(1, l__Got.m__char__Type)));
            continue;
        }
        if (l__Got.m__unsigned__Mode != l__Want.m__unsigned__Mode)
            l__Differences.push_back(Difference(l__string__Path, "mode", Octal(l__Want.m__unsigned__Mode), Octal(l__Got.m__unsigned__Mode)));
        if (l__Got.m__LONGLONG__MTime != l__Want.m__LONGLONG__MTime)
            l__Differences.push_back(Difference(l__string__Path, "mtime", std::to_string(l__Want.m__LONGLONG__MTime),
                                                std::to_string(l__Got.m__LONGLONG__MTime)));
        if (l__Want.m__char__Type == 'l' && l__Got.m__string__Target != l__Want.m__string__Target)
            l__Differences.push_back(Difference(l__string__Path, "link target", Printable(l__Want.m__string__Target),
                                                Printable(l__Got.m__string__Target)));
        if (l__Want.m__char__Type == 'f') {
            if (l__Got.m__ULONGLONG__Size != l__Want.m__ULONGLONG__Size)
                l__Differences.push_back(Difference(l__string__Path, "size", std::to_string(l__Want.m__ULONGLONG__Size),
                                                    std::to_string(l__Got.m__ULONGLONG__Size)));
            if (l__Got.m__string__Digest != l__Want.m__string__Digest)
                l__Differences.push_back(Difference(l__string__Path, "MD5", l__Want.m__string__Digest, l__Got.m__string__Digest));
        }
        if (l__Want.m__char__Type == 'd') {
            unsigned long l__ulong__Links = 2 + l__Subdirectories[l__string__Path];
            if (l__Got.m__ulong__Links != l__ulong__Links)
                l__Differences.push_back(Difference(l__string__Path, "link count", std::to_string(l__ulong__Links),
                                                    std::to_string(l__Got.m__ulong__Links)));
        }
    }
    for (const auto& [l__string__Path, l__Got] : m__Entries)
        if (p__Expected.m__Entries.count(l__string__Path) == 0)
            l__Differences.push_back(Printable(l__string__Path) + ": not in the tree (type " + l__Got.m__char__Type + ")");
    return l__Differences;
}
