#include "PosixTree.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

char TypeLetter(mode_t p__mode_t__Mode) {
    switch (p__mode_t__Mode & S_IFMT) {
        case S_IFDIR: return 'd';
        case S_IFREG: return '-';
        case S_IFLNK: return 'l';
        case S_IFIFO: return 'p';
        case S_IFCHR: return 'c';
        case S_IFBLK: return 'b';
        case S_IFSOCK: return 's';
        default: return '?';
    }
}

}  // namespace

bool PosixTree::Stat(const std::string& p__string__Path, Entry* p__Entry) {
    struct stat l__stat__Status;
    if (::lstat(p__string__Path.c_str(), &l__stat__Status) != 0) return false;
    Entry l__Entry;
    l__Entry.m__CHAR__Type = TypeLetter(l__stat__Status.st_mode);
    l__Entry.m__unsigned__Mode = l__stat__Status.st_mode & 07777;
    l__Entry.m__ULONGLONG__Size = static_cast<uint64_t>(l__stat__Status.st_size);
    l__Entry.m__LONGLONG__ModifyTime = l__stat__Status.st_mtim.tv_sec;
    l__Entry.m__LONGLONG__AccessTime = l__stat__Status.st_atim.tv_sec;
    l__Entry.m__LONGLONG__ChangeTime = l__stat__Status.st_ctim.tv_sec;
    l__Entry.m__ULONGLONG__Device = l__stat__Status.st_dev;
    l__Entry.m__ULONGLONG__Inode = l__stat__Status.st_ino;
    l__Entry.m__ULONGLONG__Links = l__stat__Status.st_nlink;
    l__Entry.m__unsigned__User = l__stat__Status.st_uid;
    l__Entry.m__unsigned__Group = l__stat__Status.st_gid;
    if (l__Entry.m__CHAR__Type == 'l') {
        std::vector<char> l__Buffer(static_cast<size_t>(l__stat__Status.st_size) + 1);
        ssize_t l__ssize_t__Length = ::readlink(p__string__Path.c_str(), l__Buffer.data(), l__Buffer.size());
        if (l__ssize_t__Length < 0) return false;
        l__Entry.m__string__Target.assign(l__Buffer.data(), static_cast<size_t>(l__ssize_t__Length));
    }
    *p__Entry = l__Entry;
    return true;
}

PosixTree::Map PosixTree::Walk(const std::string& p__string__Root) {
    namespace fs = std::filesystem;
    Map l__Map;
    std::error_code l__Error;
    // Not following directory links: a link is an entry of its own.
    fs::recursive_directory_iterator l__Iterator(p__string__Root, fs::directory_options::none, l__Error);
    if (l__Error) {
        ADD_FAILURE() << "cannot walk " << p__string__Root << ": " << l__Error.message();
        return l__Map;
    }
    for (; l__Iterator != fs::recursive_directory_iterator(); l__Iterator.increment(l__Error)) {
        if (l__Error) {
            ADD_FAILURE() << "cannot walk " << p__string__Root << ": " << l__Error.message();
            return l__Map;
        }
        const std::string l__string__Path = l__Iterator->path().string();
        Entry l__Entry;
        if (!Stat(l__string__Path, &l__Entry)) {
            ADD_FAILURE() << "cannot lstat " << l__string__Path << ": " << std::strerror(errno);
            continue;
        }
        // Lexically: fs::relative would resolve the links it meets.
        l__Map[l__Iterator->path().lexically_relative(p__string__Root).string()] = l__Entry;
    }
    if (l__Error) ADD_FAILURE() << "cannot walk " << p__string__Root << ": " << l__Error.message();
    return l__Map;
}

std::string PosixTree::ModeString(char p__CHAR__Type, unsigned p__unsigned__Mode) {
    std::string l__string__Text(1, p__CHAR__Type);
    const char* const l__PCHAR__Letters = "rwx";
    for (int l__INT__Bit = 8; l__INT__Bit >= 0; --l__INT__Bit)
        l__string__Text += (p__unsigned__Mode & (1u << l__INT__Bit)) != 0 ? l__PCHAR__Letters[(8 - l__INT__Bit) % 3] : '-';
    // Set-user-ID, set-group-ID and sticky take the place of an execute letter: lower case
    // over an x, upper case over a -.
    auto l__Special = [&](unsigned p__unsigned__Bit, size_t p__SIZE__At, char p__CHAR__Letter) {
        if ((p__unsigned__Mode & p__unsigned__Bit) == 0) return;
        l__string__Text[p__SIZE__At] = l__string__Text[p__SIZE__At] == 'x' ? p__CHAR__Letter
                                                                            : static_cast<char>(p__CHAR__Letter - 'a' + 'A');
    };
    l__Special(04000, 3, 's');
    l__Special(02000, 6, 's');
    l__Special(01000, 9, 't');
    return l__string__Text;
}
