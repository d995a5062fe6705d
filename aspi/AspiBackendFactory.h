#pragma once
#include <memory>
#include <string>

#include "AspiBackend.h"
#include "AspiDriveList.h"

// Makes the backend of one drive-list entry. This is the one place that knows the
// kinds of drives the library can reach.
class AspiBackendFactory {
public:
    using Creator = std::unique_ptr<AspiBackend> (*)(const std::string& p__string__Argument);

    // The backend for an entry, or nullptr (traced) when the kind is unknown or the
    // backend cannot be made.
    static std::unique_ptr<AspiBackend> Create(const AspiDriveEntry& p__Entry);
    // Makes a kind known (or replaces its creator); used by the libraries that bring one.
    static void Register(const std::string& p__string__Kind, Creator p__Creator);
};

// Registers the kinds of drive that ship with the library (called once, before the
// first backend is made).
void AspiRegisterBuiltInKinds();
