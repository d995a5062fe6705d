#include "AspiBackendFactory.h"

#include <map>
#include <mutex>

#include "PlatformDebugOutput.h"

namespace {
std::mutex g__Lock;
AspiBackendFactory::MachineDrives g__MachineDrives = nullptr;
std::map<std::string, AspiBackendFactory::Creator>& Creators() {
    static std::map<std::string, AspiBackendFactory::Creator> s__Creators;
    return s__Creators;
}

// A drive that cannot be used is named on standard error in every build (not only in
// builds that trace): otherwise a damaged disc file shows only as "no host adapters".
std::unique_ptr<AspiBackend> Skipped(const AspiDriveEntry& p__Entry, const std::string& p__string__Cause) {
    std::string l__string__Line = "Tarnwick: drive '" + p__Entry.m__string__Text + "' skipped: " + p__string__Cause + "\n";
    PlatformDebugOutput::WriteStandardError(l__string__Line.c_str());
    return nullptr;
}
}  // namespace

void AspiBackendFactory::Register(const std::string& p__string__Kind, Creator p__Creator) {
    std::lock_guard<std::mutex> l__Guard(g__Lock);
    Creators()[p__string__Kind] = p__Creator;
}

std::unique_ptr<AspiBackend> AspiBackendFactory::Create(const AspiDriveEntry& p__Entry) {
    Creator l__Creator = nullptr;
    {
        std::lock_guard<std::mutex> l__Guard(g__Lock);
        auto l__Found = Creators().find(p__Entry.m__string__Kind);
        if (l__Found != Creators().end()) l__Creator = l__Found->second;
    }
    if (l__Creator == nullptr) return Skipped(p__Entry, "unknown kind '" + p__Entry.m__string__Kind + "'");
    std::unique_ptr<AspiBackend> l__Backend;
    try {
        l__Backend = l__Creator(p__Entry.m__string__Argument);
    } catch (const std::exception& l__Exception) {
        return Skipped(p__Entry, l__Exception.what());
    }
    if (!l__Backend) return Skipped(p__Entry, "it cannot be opened");
    return l__Backend;
}

void AspiBackendFactory::RegisterMachineDrives(MachineDrives p__MachineDrives) {
    std::lock_guard<std::mutex> l__Guard(g__Lock);
    g__MachineDrives = p__MachineDrives;
}

std::vector<std::unique_ptr<AspiBackend>> AspiBackendFactory::CreateMachineDrives() {
    MachineDrives l__MachineDrives = nullptr;
    {
        std::lock_guard<std::mutex> l__Guard(g__Lock);
        l__MachineDrives = g__MachineDrives;
    }
    if (l__MachineDrives == nullptr) return {};
    return l__MachineDrives();
}
