#include "GuestConsole.h"

#include <cstdlib>
#include <sstream>

namespace {
constexpr const char MARKER[] = "@@tarnwick-guest ";
}

GuestConsole::GuestConsole(const std::string& p__string__Console) {
    std::istringstream l__Lines(p__string__Console);
    std::string l__string__Line;
    Section* l__Open = nullptr;
    std::string l__string__OpenName;
    while (std::getline(l__Lines, l__string__Line)) {
        while (!l__string__Line.empty() && l__string__Line.back() == '\r') l__string__Line.pop_back();
        size_t l__size_t__At = l__string__Line.find(MARKER);
        if (l__size_t__At == std::string::npos) {
            if (l__Open != nullptr) l__Open->m__string__Text += l__string__Line + "\n";
            continue;
        }
        std::istringstream l__Words(l__string__Line.substr(l__size_t__At + sizeof(MARKER) - 1));
        std::string l__string__Kind, l__string__Name, l__string__Exit;
        l__Words >> l__string__Kind >> l__string__Name >> l__string__Exit;
        if (l__string__Kind == "begin" && !l__string__Name.empty()) {
            // A section begun again (a second boot in one log) starts over.
            l__Open = &(m__Sections[l__string__Name] = Section{});
            l__string__OpenName = l__string__Name;
        } else if (l__string__Kind == "end" && l__Open != nullptr && l__string__Name == l__string__OpenName) {
            if (l__string__Exit.rfind("exit=", 0) == 0 && l__string__Exit.size() > 5) {
                char* l__PCHAR__End = nullptr;
                long l__long__Exit = std::strtol(l__string__Exit.c_str() + 5, &l__PCHAR__End, 10);
                if (*l__PCHAR__End == '\0') {
                    l__Open->m__int__Exit = static_cast<int>(l__long__Exit);
                    l__Open->m__bool__Ended = true;
                }
            }
            l__Open = nullptr;
        } else if (l__string__Kind == "done") {
            m__bool__Done = true;
            l__Open = nullptr;
        }
    }
}

GuestConsole::Section GuestConsole::Get(const std::string& p__string__Name) const {
    auto l__Found = m__Sections.find(p__string__Name);
    return l__Found == m__Sections.end() ? Section{} : l__Found->second;
}
