#pragma once
#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>

// What lstat says of every entry below a directory, by the entry's path relative to it
// ("a/b"); symbolic links are read as links, never followed. Tests take it of a source tree
// before anything reads it (reading moves access times) and of what a reader extracted.
class PosixTree {
public:
    struct Entry {
        char m__CHAR__Type = '?';          // the first letter of ls -l: 'd', '-', 'l', 'p', 'c', 'b', 's'
        unsigned m__unsigned__Mode = 0;    // permission bits with set-user-ID, set-group-ID and sticky
        std::string m__string__Target;     // of a symbolic link
        uint64_t m__ULONGLONG__Size = 0;
        int64_t m__LONGLONG__ModifyTime = 0;  // seconds
        int64_t m__LONGLONG__AccessTime = 0;
        int64_t m__LONGLONG__ChangeTime = 0;
        uint64_t m__ULONGLONG__Device = 0;  // with the inode number: which entries are hard links of each other
        uint64_t m__ULONGLONG__Inode = 0;
        uint64_t m__ULONGLONG__Links = 0;
        unsigned m__unsigned__User = 0;
        unsigned m__unsigned__Group = 0;
    };
    using Map = std::map<std::string, Entry>;

    // Every entry below p__string__Root (not the root itself). An entry that cannot be read
    // is a test failure, and missing from the map.
    static Map Walk(const std::string& p__string__Root);
    // The entry of one path, by lstat; false when there is none.
    static bool Stat(const std::string& p__string__Path, Entry* p__Entry);
    // The ten characters of ls -l for a type and mode ("-rwsr-xr-x", "prw-r-----").
    static std::string ModeString(char p__CHAR__Type, unsigned p__unsigned__Mode);
};
