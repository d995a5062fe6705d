#include "PlatformDirectory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace {

// Characters an 8.3 name may hold besides letters and digits.
bool IsShortNameCharacter(unsigned char p__UCHAR__Character) {
    if ((p__UCHAR__Character >= 'A' && p__UCHAR__Character <= 'Z') ||
        (p__UCHAR__Character >= 'a' && p__UCHAR__Character <= 'z') ||
        (p__UCHAR__Character >= '0' && p__UCHAR__Character <= '9')) {
        return true;
    }
    return p__UCHAR__Character != 0 && std::strchr("$%'-_@~`!(){}^#&", p__UCHAR__Character) != nullptr;
}

char UpperAscii(char p__CHAR__Character) {
    return (p__CHAR__Character >= 'a' && p__CHAR__Character <= 'z') ? static_cast<char>(p__CHAR__Character - 32)
                                                                     : p__CHAR__Character;
}

// The characters of one part of a long name as they go into an alternate name: upper
// case, spaces and dots dropped, each other invalid character (or each non-ASCII
// character, however many bytes it takes) replaced by "_".
std::string ShortPart(std::string_view p__Part) {
    std::string l__string__Result;
    for (size_t l__SIZE__Index = 0; l__SIZE__Index < p__Part.size(); ++l__SIZE__Index) {
        unsigned char l__UCHAR__Character = static_cast<unsigned char>(p__Part[l__SIZE__Index]);
        if (l__UCHAR__Character == ' ' || l__UCHAR__Character == '.') {
            continue;
        }
        if (l__UCHAR__Character >= 0x80) {
            // Skip the continuation bytes of this UTF-8 character.
            while (l__SIZE__Index + 1 < p__Part.size() &&
                   (static_cast<unsigned char>(p__Part[l__SIZE__Index + 1]) & 0xC0) == 0x80) {
                ++l__SIZE__Index;
            }
            l__string__Result += '_';
        } else if (IsShortNameCharacter(l__UCHAR__Character)) {
            l__string__Result += UpperAscii(static_cast<char>(l__UCHAR__Character));
        } else {
            l__string__Result += '_';
        }
    }
    return l__string__Result;
}

std::string Upper(const std::string& p__string__Name) {
    std::string l__string__Result(p__string__Name);
    for (char& l__CHAR__Character : l__string__Result) {
        l__CHAR__Character = UpperAscii(l__CHAR__Character);
    }
    return l__string__Result;
}

void FillFromStat(PlatformDirectoryEntry& p__Entry, const struct statx& p__Statx) {
    bool l__BOOLEAN__IsDirectory = S_ISDIR(p__Statx.stx_mode);
    p__Entry.m__ULONG__Attributes =
        l__BOOLEAN__IsDirectory ? PlatformDirectory::AttributeDirectory : PlatformDirectory::AttributeArchive;
    p__Entry.m__ULONGLONG__Size = l__BOOLEAN__IsDirectory ? 0 : p__Statx.stx_size;
    p__Entry.m__LONGLONG__CreationTime =
        (p__Statx.stx_mask & STATX_BTIME) ? p__Statx.stx_btime.tv_sec : p__Statx.stx_ctime.tv_sec;
    p__Entry.m__LONGLONG__LastAccessTime = p__Statx.stx_atime.tv_sec;
    p__Entry.m__LONGLONG__LastWriteTime = p__Statx.stx_mtime.tv_sec;
    p__Entry.m__ULONGLONG__Device = (static_cast<uint64_t>(p__Statx.stx_dev_major) << 32) | p__Statx.stx_dev_minor;
    p__Entry.m__ULONGLONG__Inode = p__Statx.stx_ino;
    p__Entry.m__ULONG__Mode = p__Statx.stx_mode;
    p__Entry.m__ULONG__Links = p__Statx.stx_nlink;
    p__Entry.m__ULONG__User = p__Statx.stx_uid;
    p__Entry.m__ULONG__Group = p__Statx.stx_gid;
    p__Entry.m__ULONG__DeviceMajor = p__Statx.stx_rdev_major;
    p__Entry.m__ULONG__DeviceMinor = p__Statx.stx_rdev_minor;
    p__Entry.m__LONGLONG__ChangeTime = p__Statx.stx_ctime.tv_sec;
}

// Stats a name relative to a directory descriptor, following links unless they are
// kept; a link that leads nowhere is described by itself. A kept link gets its target
// text and counts as an empty file.
bool StatAt(int p__INT__DirectoryHandle, const char* p__PCHAR__Name, PlatformDirectoryEntry& p__Entry,
            bool p__BOOLEAN__KeepLinks = false) {
    struct statx l__Statx {};
    unsigned l__UINT__Mask = STATX_BASIC_STATS | STATX_BTIME;
    if ((p__BOOLEAN__KeepLinks || statx(p__INT__DirectoryHandle, p__PCHAR__Name, 0, l__UINT__Mask, &l__Statx) != 0) &&
        statx(p__INT__DirectoryHandle, p__PCHAR__Name, AT_SYMLINK_NOFOLLOW, l__UINT__Mask, &l__Statx) != 0) {
        return false;
    }
    FillFromStat(p__Entry, l__Statx);
    p__Entry.m__string__LinkTarget.clear();
    if (p__BOOLEAN__KeepLinks && S_ISLNK(l__Statx.stx_mode)) {
        // A link's size is its target's length; a target read shorter than that is
        // read again with room to spare (the link changed meanwhile).
        std::string l__string__Target(static_cast<size_t>(l__Statx.stx_size) + 1, '\0');
        for (;;) {
            ssize_t l__SSIZE__Read =
                readlinkat(p__INT__DirectoryHandle, p__PCHAR__Name, l__string__Target.data(), l__string__Target.size());
            if (l__SSIZE__Read < 0) {
                return false;
            }
            if (static_cast<size_t>(l__SSIZE__Read) < l__string__Target.size()) {
                l__string__Target.resize(static_cast<size_t>(l__SSIZE__Read));
                break;
            }
            l__string__Target.resize(2 * l__string__Target.size());
        }
        p__Entry.m__string__LinkTarget = std::move(l__string__Target);
        p__Entry.m__ULONGLONG__Size = 0;
    }
    return true;
}

}  // namespace

bool PlatformDirectory::IsShortName(const std::string& p__string__Name) {
    if (p__string__Name.empty() || p__string__Name.size() > 12) {
        return false;
    }
    size_t l__SIZE__Dot = p__string__Name.find('.');
    std::string_view l__Base(p__string__Name.data(), l__SIZE__Dot == std::string::npos ? p__string__Name.size()
                                                                                         : l__SIZE__Dot);
    std::string_view l__Extension;
    if (l__SIZE__Dot != std::string::npos) {
        l__Extension = std::string_view(p__string__Name).substr(l__SIZE__Dot + 1);
        if (l__Extension.empty() || l__Extension.size() > 3) {
            return false;
        }
    }
    if (l__Base.empty() || l__Base.size() > 8) {
        return false;
    }
    for (std::string_view l__Part : {l__Base, l__Extension}) {
        for (char l__CHAR__Character : l__Part) {
            if (!IsShortNameCharacter(static_cast<unsigned char>(l__CHAR__Character))) {
                return false;
            }
        }
    }
    return true;
}

void PlatformDirectory::MakeAlternateNames(std::vector<PlatformDirectoryEntry>& p__Entries) {
    // Every name already in use in the directory, upper-cased: the 8.3 long names first.
    std::unordered_set<std::string> l__Used;
    for (PlatformDirectoryEntry& l__Entry : p__Entries) {
        l__Entry.m__string__AlternateName.clear();
        if (IsShortName(l__Entry.m__string__Name)) {
            l__Used.insert(Upper(l__Entry.m__string__Name));
        }
    }
    // The last "~N" tried for each base and extension, so that a directory of many
    // similar names does not try every number again for each of them.
    std::unordered_map<std::string, unsigned> l__LastNumber;
    for (PlatformDirectoryEntry& l__Entry : p__Entries) {
        const std::string& l__string__Name = l__Entry.m__string__Name;
        if (IsShortName(l__string__Name)) {
            continue;
        }
        size_t l__SIZE__LastDot = l__string__Name.rfind('.');
        std::string l__string__Base;
        std::string l__string__Extension;
        if (l__SIZE__LastDot == std::string::npos || l__SIZE__LastDot == 0) {
            l__string__Base = ShortPart(l__string__Name);
        } else {
            l__string__Base = ShortPart(std::string_view(l__string__Name).substr(0, l__SIZE__LastDot));
            l__string__Extension = ShortPart(std::string_view(l__string__Name).substr(l__SIZE__LastDot + 1));
        }
        if (l__string__Base.empty()) {
            l__string__Base.assign(1, '_');
        }
        if (l__string__Extension.size() > 3) {
            l__string__Extension.resize(3);
        }
        // Appended piece by piece: GCC 12 warns falsely about the operator+ chains here.
        std::string l__string__Key = l__string__Base.substr(0, 6);
        l__string__Key.append(1, '.').append(l__string__Extension);
        unsigned& l__UINT__Number = l__LastNumber[l__string__Key];
        for (;;) {
            ++l__UINT__Number;
            std::string l__string__Tail(1, '~');
            l__string__Tail.append(std::to_string(l__UINT__Number));
            size_t l__SIZE__Keep = std::min<size_t>(6, 8 - std::min<size_t>(7, l__string__Tail.size()));
            std::string l__string__Candidate = l__string__Base.substr(0, l__SIZE__Keep);
            l__string__Candidate.append(l__string__Tail);
            if (!l__string__Extension.empty()) {
                l__string__Candidate.append(1, '.').append(l__string__Extension);
            }
            if (l__Used.insert(l__string__Candidate).second) {
                l__Entry.m__string__AlternateName = l__string__Candidate;
                break;
            }
        }
    }
}

bool PlatformDirectory::List(const std::string& p__string__Directory, std::vector<PlatformDirectoryEntry>& p__Entries,
                             bool* p__PBOOLEAN__OpenFailed, bool p__BOOLEAN__KeepLinks) {
    p__Entries.clear();
    *p__PBOOLEAN__OpenFailed = false;
    DIR* l__PDIR__Directory = opendir(p__string__Directory.c_str());
    if (l__PDIR__Directory == nullptr) {
        *p__PBOOLEAN__OpenFailed = true;
        return false;
    }
    int l__INT__Handle = dirfd(l__PDIR__Directory);
    for (;;) {
        errno = 0;
        struct dirent* l__PDirent = readdir(l__PDIR__Directory);
        if (l__PDirent == nullptr) {
            if (errno != 0) {
                int l__INT__Error = errno;
                closedir(l__PDIR__Directory);
                errno = l__INT__Error;
                return false;
            }
            break;
        }
        if (std::strcmp(l__PDirent->d_name, ".") == 0 || std::strcmp(l__PDirent->d_name, "..") == 0) {
            continue;
        }
        PlatformDirectoryEntry l__Entry{};
        l__Entry.m__string__Name = l__PDirent->d_name;
        if (!StatAt(l__INT__Handle, l__PDirent->d_name, l__Entry, p__BOOLEAN__KeepLinks)) {
            // Vanished between listing and looking: the walk will report it when it opens it.
            l__Entry.m__ULONG__Attributes = AttributeArchive;
        }
        p__Entries.push_back(std::move(l__Entry));
    }
    closedir(l__PDIR__Directory);
    MakeAlternateNames(p__Entries);
    return true;
}

bool PlatformDirectory::Stat(const std::string& p__string__Path, PlatformDirectoryEntry& p__Entry,
                             bool p__BOOLEAN__KeepLinks) {
    p__Entry = PlatformDirectoryEntry{};
    if (!StatAt(AT_FDCWD, p__string__Path.c_str(), p__Entry, p__BOOLEAN__KeepLinks)) {
        return false;
    }
    size_t l__SIZE__Slash = p__string__Path.rfind('/');
    p__Entry.m__string__Name =
        l__SIZE__Slash == std::string::npos ? p__string__Path : p__string__Path.substr(l__SIZE__Slash + 1);
    return true;
}

bool PlatformDirectory::Find(const std::string& p__string__Path, PlatformDirectoryEntry& p__Entry,
                             bool p__BOOLEAN__KeepLinks) {
    if (!Stat(p__string__Path, p__Entry, p__BOOLEAN__KeepLinks)) {
        return false;
    }
    size_t l__SIZE__Slash = p__string__Path.rfind('/');
    if (IsShortName(p__Entry.m__string__Name)) {
        return true;
    }
    // The alternate name depends on the other names of the directory.
    std::string l__string__Directory =
        l__SIZE__Slash == std::string::npos ? "." : (l__SIZE__Slash == 0 ? "/" : p__string__Path.substr(0, l__SIZE__Slash));
    std::vector<PlatformDirectoryEntry> l__Entries;
    bool l__BOOLEAN__OpenFailed = false;
    int l__INT__Saved = errno;
    if (List(l__string__Directory, l__Entries, &l__BOOLEAN__OpenFailed)) {
        for (const PlatformDirectoryEntry& l__Sibling : l__Entries) {
            if (l__Sibling.m__string__Name == p__Entry.m__string__Name) {
                p__Entry.m__string__AlternateName = l__Sibling.m__string__AlternateName;
                return true;
            }
        }
    }
    errno = l__INT__Saved;
    std::vector<PlatformDirectoryEntry> l__Alone{p__Entry};
    MakeAlternateNames(l__Alone);
    p__Entry.m__string__AlternateName = l__Alone[0].m__string__AlternateName;
    return true;
}

bool PlatformDirectory::Identity(const std::string& p__string__Path, uint64_t* p__PULONGLONG__Device,
                                 uint64_t* p__PULONGLONG__Inode) {
    PlatformDirectoryEntry l__Entry{};
    if (!StatAt(AT_FDCWD, p__string__Path.c_str(), l__Entry)) {
        return false;
    }
    *p__PULONGLONG__Device = l__Entry.m__ULONGLONG__Device;
    *p__PULONGLONG__Inode = l__Entry.m__ULONGLONG__Inode;
    return true;
}
