#include "AspiHostAdapterTable.h"

#include "AspiBackendFactory.h"
#include "AspiDriveList.h"

AspiHostAdapterTable& AspiHostAdapterTable::Instance() {
    static AspiHostAdapterTable s__Table;
    return s__Table;
}

void AspiHostAdapterTable::BuildLocked() {
    if (m__bool__IsBuilt) return;
    m__Backends.clear();
    for (std::unique_ptr<AspiBackend>& l__Backend : AspiBackendFactory::CreateMachineDrives()) {
        if (m__Backends.size() >= 255) break;
        if (l__Backend) m__Backends.push_back(std::move(l__Backend));
    }
    for (const AspiDriveEntry& l__Entry : AspiDriveList::FromEnvironment()) {
        if (m__Backends.size() >= 255) break;
        std::unique_ptr<AspiBackend> l__Backend = AspiBackendFactory::Create(l__Entry);
        if (l__Backend) m__Backends.push_back(std::move(l__Backend));
    }
    m__bool__IsBuilt = true;
}

BYTE AspiHostAdapterTable::Count() {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    BuildLocked();
    return static_cast<BYTE>(m__Backends.size());
}

AspiBackend* AspiHostAdapterTable::Backend(BYTE p__BYTE__HostAdapter) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    BuildLocked();
    if (p__BYTE__HostAdapter >= m__Backends.size()) return nullptr;
    return m__Backends[p__BYTE__HostAdapter].get();
}

void AspiHostAdapterTable::Install(std::vector<std::unique_ptr<AspiBackend>> p__Backends) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    if (p__Backends.size() > 255) p__Backends.resize(255);
    m__Backends = std::move(p__Backends);
    m__bool__IsBuilt = true;
}

void AspiHostAdapterTable::Reset() {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    m__Backends.clear();
    m__bool__IsBuilt = false;
}
