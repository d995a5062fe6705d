#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One entry of a directory as the toolkit sees it: the name, the 8.3 alternate name
// (empty when the name already is 8.3), the attributes, the size, the three times and
// the POSIX attributes. Symbolic links are followed unless the listing keeps them; a
// link whose target cannot be reached is listed with the link's own information.
struct PlatformDirectoryEntry {
    std::string m__string__Name;
    std::string m__string__AlternateName;
    uint32_t m__ULONG__Attributes;   // 0x10 directory, 0x20 any other file
    uint64_t m__ULONGLONG__Size;     // 0 for directories
    int64_t m__LONGLONG__CreationTime;    // Unix seconds: birth time, else change time
    int64_t m__LONGLONG__LastAccessTime;  // Unix seconds
    int64_t m__LONGLONG__LastWriteTime;   // Unix seconds
    uint64_t m__ULONGLONG__Device;   // identity of what the entry resolves to
    uint64_t m__ULONGLONG__Inode;
    // The POSIX attributes of what the entry resolves to (of the link itself when links are kept).
    uint32_t m__ULONG__Mode;         // file type and permission bits, as st_mode
    uint32_t m__ULONG__Links;        // hard-link count
    uint32_t m__ULONG__User;
    uint32_t m__ULONG__Group;
    uint32_t m__ULONG__DeviceMajor;  // of a character or block device
    uint32_t m__ULONG__DeviceMinor;
    int64_t m__LONGLONG__ChangeTime;      // Unix seconds: the last change of the attributes
    std::string m__string__LinkTarget;    // of a symbolic link listed as a link
};

class PlatformDirectory {
public:
    static constexpr uint32_t AttributeDirectory = 0x10;
    static constexpr uint32_t AttributeArchive = 0x20;

    // Lists a directory in the order it enumerates its entries, without "." and "..",
    // and gives every name that is not 8.3 a unique alternate name within the directory.
    // Returns false with errno set when the directory cannot be opened or read;
    // *p__PBOOLEAN__OpenFailed tells which of the two failed. With p__BOOLEAN__KeepLinks a
    // symbolic link is listed as the link itself, with its target text.
    static bool List(const std::string& p__string__Directory, std::vector<PlatformDirectoryEntry>& p__Entries,
                     bool* p__PBOOLEAN__OpenFailed, bool p__BOOLEAN__KeepLinks = false);

    // One path's information without its alternate name (no listing of its directory).
    // Returns false with errno set when the path does not exist.
    static bool Stat(const std::string& p__string__Path, PlatformDirectoryEntry& p__Entry,
                     bool p__BOOLEAN__KeepLinks = false);
    // Finds one path as an entry of its own directory (with its alternate name there).
    // Returns false with errno set when the path does not exist.
    static bool Find(const std::string& p__string__Path, PlatformDirectoryEntry& p__Entry,
                     bool p__BOOLEAN__KeepLinks = false);

    // The identity (device, inode) of a directory path, following links.
    static bool Identity(const std::string& p__string__Path, uint64_t* p__PULONGLONG__Device,
                         uint64_t* p__PULONGLONG__Inode);

    // True when a name already has 8.3 form (in any letter case) and needs no alternate name.
    static bool IsShortName(const std::string& p__string__Name);

    // Gives alternate names to the entries whose names are not 8.3, unique among the
    // directory's names: upper case, invalid characters dropped or replaced, the first
    // characters of the base, "~N" and the first three characters of the extension.
    static void MakeAlternateNames(std::vector<PlatformDirectoryEntry>& p__Entries);
};
