#pragma once
#include <cstdint>
#include <string>

#include "tarnwick_types.h"

// The POSIX attributes a Rock Ridge directory record carries for one node: taken from the
// file system for a local node, read from the disc for an imported one.
struct CTarnwick_RockRidgeAttributes {
    // File types of the mode, as st_mode has them.
    static constexpr ULONG TypeMask = 0170000;
    static constexpr ULONG TypeSocket = 0140000;
    static constexpr ULONG TypeLink = 0120000;
    static constexpr ULONG TypeRegular = 0100000;
    static constexpr ULONG TypeBlockDevice = 0060000;
    static constexpr ULONG TypeDirectory = 0040000;
    static constexpr ULONG TypeCharacterDevice = 0020000;
    static constexpr ULONG TypeFifo = 0010000;

    ULONG m__ULONG__Mode = 0;    // file type and permission bits
    ULONG m__ULONG__Links = 1;   // hard-link count (a directory's is counted again when written)
    ULONG m__ULONG__User = 0;
    ULONG m__ULONG__Group = 0;
    ULONG m__ULONG__DeviceMajor = 0;  // of a character or block device
    ULONG m__ULONG__DeviceMinor = 0;
    LONGLONG m__LONGLONG__AccessTime = 0;     // Unix seconds
    LONGLONG m__LONGLONG__ModifyTime = 0;
    LONGLONG m__LONGLONG__AttributeTime = 0;  // the last change of the attributes
    // Where the node came from: files of one origin with one serial are hard links of
    // each other and share the serial number written to the disc.
    uint64_t m__ULONGLONG__Origin = 0;
    uint64_t m__ULONGLONG__Serial = 0;
    std::string m__string__LinkTarget;  // of a symbolic link

    // The mode of a node whose own is not known: readable (and a directory searchable) by everyone.
    static constexpr ULONG MadeUpMode(bool p__bool__IsDirectory) {
        return p__bool__IsDirectory ? (TypeDirectory | 0555) : (TypeRegular | 0444);
    }

    ULONG Type() const { return m__ULONG__Mode & TypeMask; }
    bool IsLink() const { return Type() == TypeLink; }
    bool IsDevice() const { return Type() == TypeBlockDevice || Type() == TypeCharacterDevice; }
};
