#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The entries of a tree by their paths relative to its root: either as the guest's /init
// listed a mounted disc (init.sh, list_tree), one line each,
//   entry TYPE MODE LINKS SIZE MTIME PATH TARGET DIGEST
// with PATH and TARGET in hexadecimal and "-" for a field the entry has not, or as lstat sees
// a tree on this machine. Two listings compare field by field.
class DiscTreeListing {
public:
    struct Entry {
        char m__char__Type = '?';          // f d l p c b s
        unsigned m__unsigned__Mode = 0;    // the permission bits with the set-id and sticky bits
        unsigned long m__ulong__Links = 0;
        uint64_t m__ULONGLONG__Size = 0;
        int64_t m__LONGLONG__MTime = 0;    // seconds since 1970
        std::string m__string__Target;     // of a symbolic link
        std::string m__string__Digest;     // of a regular file: the MD5 of its bytes, lower-case hex
    };

    // The entry lines of a console section; other lines are passed over. An entry line that
    // does not parse, or names a path a second time, is kept in Malformed().
    static DiscTreeListing Parse(const std::string& p__string__Text);
    // The tree under p__string__Root, links not followed; digests are left empty. Empty
    // p__string__Failure when the tree could be walked, else what failed.
    static DiscTreeListing OfTree(const std::string& p__string__Root, std::string* p__string__Failure);

    // What differs from p__Expected, one line each: a path that is missing or is there in
    // excess, and for a path in both its type, mode, modification time, for a link its
    // target, for a regular file its size and digest, for a directory its link count.
    std::vector<std::string> DifferencesFrom(const DiscTreeListing& p__Expected) const;

    const std::map<std::string, Entry>& Entries() const { return m__Entries; }
    std::map<std::string, Entry>& Entries() { return m__Entries; }
    const std::vector<std::string>& Malformed() const { return m__Malformed; }

    // A path readable in a test's message: control bytes and the backslash as \xNN.
    static std::string Printable(const std::string& p__string__Path);
    // The bytes a string of lower-case hexadecimal digits stands for; false when it is not one.
    static bool FromHex(const std::string& p__string__Hex, std::string* p__string__Bytes);

private:
    std::map<std::string, Entry> m__Entries;
    std::vector<std::string> m__Malformed;
};
