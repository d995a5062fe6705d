#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tarnwick.h"

// The one data track `tarnwick burn` masters on the fly from files and directories: an
// ISO9660 tree with Joliet and Rock Ridge. A file lands in the root, a directory contributes
// its contents to the root. A name that is taken already is given to the new entry with
// "~N" before its extension, so that no burn fails on a collision.
class CTarnwick_CliBurnTree {
public:
    CTarnwick_CliBurnTree() = default;
    ~CTarnwick_CliBurnTree();
    CTarnwick_CliBurnTree(const CTarnwick_CliBurnTree&) = delete;
    CTarnwick_CliBurnTree& operator=(const CTarnwick_CliBurnTree&) = delete;

    // Each call returns 0 or the failure number, with the text in Text().
    ULONG Create();
    // The files of the last data track of the disc in the burner (the Joliet names), before
    // the sources are added: a session that shows the earlier files too.
    ULONG Import(PVOID p__PVOID__Burner, UCHAR p__UCHAR__Track);
    ULONG Add(const std::string& p__string__Path, bool p__bool__IsDirectory);
    // Lays the image out to start at p__ULONG__Start (the next writable address) and builds it.
    ULONG Build(ULONG p__ULONG__Start, const std::string& p__string__Label);
    // The built image's bytes.
    uint64_t Size() const;
    // Reads the next bytes of the built image (after Rewind).
    ULONG Rewind();
    ULONG Read(void* p__PVOID__Buffer, ULONG p__ULONG__Length);
    // Writes the built image into a file.
    ULONG Store(const std::string& p__string__Path);

    PVOID Tree() const { return m__PVOID__Tree; }
    const char* Text() const { return m__CHAR__Text; }
    ULONG Status() const { return m__ULONG__Status; }
    // The names renamed so far ("old -> new").
    const std::vector<std::string>& Renamed() const { return m__Renamed; }

    // "NAME~N.EXT" for an ISO9660 identifier (the ";1" version kept) within p__SIZE__Limit
    // characters, keeping at least one character of the name.
    static std::string RenamedIdentifier(const std::string& p__string__Name, unsigned p__unsigned__Number,
                                         size_t p__SIZE__Limit);
    // The same for a Joliet name of UTF-16 code units (at most 64).
    static std::u16string RenamedJoliet(const std::u16string& p__u16string__Name, unsigned p__unsigned__Number);

private:
    static void Callback(ULONG p__ULONG__Reason, PVOID p__PVOID__Context, PVOID p__PVOID__Parameter1, PVOID p__PVOID__Parameter2);
    void Clear();

    PVOID m__PVOID__Tree = nullptr;
    CHAR m__CHAR__Text[1024] = {};
    ULONG m__ULONG__Status = 0;
    unsigned m__unsigned__Collisions = 0;
    std::map<std::string, unsigned> m__Numbers;  // the number given to each new entry's path
    std::vector<std::string> m__Renamed;
};
