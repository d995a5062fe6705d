#include "AspiDriveList.h"

#include <cstdlib>

std::vector<AspiDriveEntry> AspiDriveList::Parse(const std::string& p__string__Value) {
    std::vector<AspiDriveEntry> l__Entries;
    size_t l__size_t__Start = 0;
    while (l__size_t__Start <= p__string__Value.size()) {
        size_t l__size_t__End = p__string__Value.find(';', l__size_t__Start);
        if (l__size_t__End == std::string::npos) l__size_t__End = p__string__Value.size();
        std::string l__string__Text = p__string__Value.substr(l__size_t__Start, l__size_t__End - l__size_t__Start);
        l__size_t__Start = l__size_t__End + 1;
        if (l__string__Text.empty()) continue;

        AspiDriveEntry l__Entry;
        l__Entry.m__string__Text = l__string__Text;
        size_t l__size_t__Colon = l__string__Text.find(':');
        if (l__size_t__Colon == std::string::npos) {
            l__Entry.m__string__Kind = l__string__Text;  // no kind given: rejected by the factory
        } else {
            l__Entry.m__string__Kind = l__string__Text.substr(0, l__size_t__Colon);
            l__Entry.m__string__Argument = l__string__Text.substr(l__size_t__Colon + 1);
            if (l__Entry.m__string__Argument.rfind("//", 0) == 0) l__Entry.m__string__Argument.erase(0, 2);
        }
        l__Entries.push_back(std::move(l__Entry));
    }
    return l__Entries;
}

std::vector<AspiDriveEntry> AspiDriveList::FromEnvironment() {
    const char* l__PCHAR__Value = std::getenv("TARNWICK_DRIVES");
    return Parse(l__PCHAR__Value != nullptr ? l__PCHAR__Value : DEFAULT_ENTRY);
}
