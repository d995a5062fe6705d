#pragma once
#include <string>
#include <vector>

// One entry of the drive list: its kind ("virtual", "iscsi", ...) and the rest.
struct AspiDriveEntry {
    std::string m__string__Kind;      // before the first ':' ("iscsi" for "iscsi://...")
    std::string m__string__Argument;  // after "kind:" (for iscsi, what follows "iscsi://")
    std::string m__string__Text;      // the entry as written
};

// The drives the ASPI library offers besides the machine's own, from the
// environment variable TARNWICK_DRIVES: entries separated by ';', each
// "virtual:PATH" or "iscsi://HOST[:PORT]/TARGET-IQN/LUN". Empty entries are ignored.
// When the variable is not set, the list is the one virtual recorder
// "virtual:tarnwick-disc" in the current directory.
class AspiDriveList {
public:
    static constexpr const char* DEFAULT_ENTRY = "virtual:tarnwick-disc";

    static std::vector<AspiDriveEntry> Parse(const std::string& p__string__Value);
    // Reads TARNWICK_DRIVES (or the default when it is not set).
    static std::vector<AspiDriveEntry> FromEnvironment();
};
