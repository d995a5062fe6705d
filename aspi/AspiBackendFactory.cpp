#include "AspiBackendFactory.h"

#include <map>
#include <mutex>

#include "DebugPrint.h"

namespace {
std::mutex g__Lock;
std::map<std::string, AspiBackendFactory::Creator>& Creators() {
    static std::map<std::string, AspiBackendFactory::Creator> s__Creators;
    return s__Creators;
}
}  // namespace

void AspiBackendFactory::Register(const std::string& p__string__Kind, Creator p__Creator) {
    std::lock_guard<std::mutex> l__Guard(g__Lock);
    Creators()[p__string__Kind] = p__Creator;
}

std::unique_ptr<AspiBackend> AspiBackendFactory::Create(const AspiDriveEntry& p__Entry) {
    static std::once_flag s__Registered;
    std::call_once(s__Registered, AspiRegisterBuiltInKinds);
    Creator l__Creator = nullptr;
    {
        std::lock_guard<std::mutex> l__Guard(g__Lock);
        auto l__Found = Creators().find(p__Entry.m__string__Kind);
        if (l__Found != Creators().end()) l__Creator = l__Found->second;
    }
    if (l__Creator == nullptr) {
        DebugPrint("\nAspiBackendFactory::Create(): WARNING! Drive '%s' is of unknown kind '%s' and is skipped!!!\n",
                   p__Entry.m__string__Text.c_str(), p__Entry.m__string__Kind.c_str());
        return nullptr;
    }
    std::unique_ptr<AspiBackend> l__Backend;
    try {
        l__Backend = l__Creator(p__Entry.m__string__Argument);
    } catch (const std::exception& l__Exception) {
        DebugPrint("\nAspiBackendFactory::Create(): WARNING! Drive '%s' cannot be opened (%s) and is skipped!!!\n",
                   p__Entry.m__string__Text.c_str(), l__Exception.what());
        return nullptr;
    }
    if (!l__Backend) {
        DebugPrint("\nAspiBackendFactory::Create(): WARNING! Drive '%s' cannot be opened and is skipped!!!\n",
                   p__Entry.m__string__Text.c_str());
    }
    return l__Backend;
}
