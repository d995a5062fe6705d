#pragma once
#include <string>

#include "tarnwick_types.h"

// The names a mastered image gives its entries, for every program that masters (tarnwick
// master, tarnwick-mkiso), built on the public headers alone: the unique names that resolve a
// collision in the ISO9660 and Joliet hierarchies and in a UDF directory, and the limits a UDF
// file identifier sets.
class CTarnwick_ToolNames {
public:
    // A new ISO9660 identifier of at most 12 characters: the start of the old one, "~N", and
    // the old extension and version when there are any.
    static std::string RenamedIdentifier(const std::string& p__string__Identifier, unsigned long p__ulong__Number);
    // A Joliet name (UTF-16) with "~N" put before its extension, within the 103 units a Joliet
    // name may have; a version (";1") stays at the end.
    static std::u16string RenamedJolietName(const std::u16string& p__u16string__Name, unsigned long p__ulong__Number);
    // Answers a NAME_COLLISION: the new entry gets the unique name number N (ISO9660 or
    // Joliet, as the record says). The new name as UTF-8, for the report.
    static std::string RenameNew(NAME_COLLISION_INFORMATION* p__PInformation, unsigned long p__ulong__Number);

    // ASCII letters upper-cased, as a UDF tree item stores a name.
    static std::string UpperCased(std::string p__string__Name);
    // Whether a name fits a UDF tree item and a UDF file identifier (255 bytes of 8-bit or
    // 16-bit characters).
    static bool FitsUdf(const std::string& p__string__Name);
    // A UDF name made unique with "~N" before a file's extension, cut to fit.
    static std::string RenamedUdfName(const std::string& p__string__Name, bool p__bool__IsDirectory,
                                      unsigned long p__ulong__Number);

    // UTF-8 to UTF-16 and back; a byte that starts no character becomes U+FFFD.
    static std::u16string FromUtf8(const std::string& p__string__Text);
    static std::string ToUtf8(const std::u16string& p__u16string__Text);
    // At most p__SIZE__Bytes bytes of a UTF-8 text, not cutting a character in two.
    static std::string CutUtf8(const std::string& p__string__Text, size_t p__SIZE__Bytes);
    // At most p__SIZE__Units units of a UTF-16 text, not cutting a surrogate pair in two.
    static std::u16string CutUtf16(const std::u16string& p__u16string__Text, size_t p__SIZE__Units);

    static constexpr size_t MaximumJolietUnits = 103;
    static constexpr size_t MaximumJolietExtensionUnits = 32;
};
