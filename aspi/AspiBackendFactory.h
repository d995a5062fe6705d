#pragma once
#include <memory>
#include <string>
#include <vector>

#include "AspiBackend.h"
#include "AspiDriveList.h"

// Makes the backend of one drive-list entry. The libraries that bring a kind of drive
// (the virtual recorder, ...) register it here; the ASPI library itself knows none.
class AspiBackendFactory {
public:
    using Creator = std::unique_ptr<AspiBackend> (*)(const std::string& p__string__Argument);
    // The machine's own drives, one backend per host adapter in their numbering.
    using MachineDrives = std::vector<std::unique_ptr<AspiBackend>> (*)();

    // The backend for an entry, or nullptr when the kind is unknown or the backend cannot
    // be made; then one line on standard error names the entry and the cause.
    static std::unique_ptr<AspiBackend> Create(const AspiDriveEntry& p__Entry);
    // Makes a kind known (or replaces its creator); used by the libraries that bring one.
    static void Register(const std::string& p__string__Kind, Creator p__Creator);

    // Makes the machine's drives known (the library that reaches them registers it);
    // without one the machine offers no drives.
    static void RegisterMachineDrives(MachineDrives p__MachineDrives);
    // The machine's drives, numbered first by the host adapter table.
    static std::vector<std::unique_ptr<AspiBackend>> CreateMachineDrives();
};
