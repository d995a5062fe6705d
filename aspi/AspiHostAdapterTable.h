#pragma once
#include <memory>
#include <mutex>
#include <vector>

#include "AspiBackend.h"

// The host adapters of the ASPI library, in their numbering: first the machine's
// own drives (as the pass-through numbers them), then one adapter per entry of the
// drive list, in list order. Built on first use.
class AspiHostAdapterTable {
public:
    static AspiHostAdapterTable& Instance();

    // Number of host adapters (building the table on first use).
    BYTE Count();
    // The backend of a host adapter, or nullptr.
    AspiBackend* Backend(BYTE p__BYTE__HostAdapter);

    // Replaces the adapters (tests, and programs that bring their own backends).
    void Install(std::vector<std::unique_ptr<AspiBackend>> p__Backends);
    // Forgets the adapters: the next use builds the table again from the environment.
    void Reset();

private:
    void BuildLocked();

    std::mutex m__Lock;
    bool m__bool__IsBuilt = false;
    std::vector<std::unique_ptr<AspiBackend>> m__Backends;
};
