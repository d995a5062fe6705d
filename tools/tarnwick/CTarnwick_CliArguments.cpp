#include "CTarnwick_CliArguments.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

const std::set<std::string>& CTarnwick_CliArguments::CommonFlags() {
    static const std::set<std::string> l__Flags{"--json", "--help", "-h"};
    return l__Flags;
}

const std::set<std::string>& CTarnwick_CliArguments::CommonValued() {
    static const std::set<std::string> l__Valued{"--drive"};
    return l__Valued;
}

bool CTarnwick_CliArguments::Parse(const std::vector<std::string>& p__Words, const std::set<std::string>& p__Flags,
                                   const std::set<std::string>& p__Valued) {
    bool l__bool__Options = true;
    for (size_t i = 0; i < p__Words.size(); ++i) {
        const std::string& l__string__Word = p__Words[i];
        if (!l__bool__Options || l__string__Word.size() < 2 || l__string__Word[0] != '-') {
            m__Positional.push_back(l__string__Word);
            continue;
        }
        if (l__string__Word == "--") {
            l__bool__Options = false;
            continue;
        }
        std::string l__string__Name = l__string__Word;
        std::string l__string__Value;
        bool l__bool__Inline = false;
        const size_t l__SIZE__Equals = l__string__Word.find('=');
        if (l__string__Word.rfind("--", 0) == 0 && l__SIZE__Equals != std::string::npos) {
            l__string__Name = l__string__Word.substr(0, l__SIZE__Equals);
            l__string__Value = l__string__Word.substr(l__SIZE__Equals + 1);
            l__bool__Inline = true;
        }
        if (p__Flags.count(l__string__Name) != 0 || CommonFlags().count(l__string__Name) != 0) {
            if (l__bool__Inline) {
                m__string__Error = "option " + l__string__Name + " takes no value";
                return false;
            }
            m__Flags.insert(l__string__Name);
            continue;
        }
        if (p__Valued.count(l__string__Name) != 0 || CommonValued().count(l__string__Name) != 0) {
            if (!l__bool__Inline) {
                if (i + 1 >= p__Words.size()) {
                    m__string__Error = "option " + l__string__Name + " needs a value";
                    return false;
                }
                l__string__Value = p__Words[++i];
            }
            m__Values[l__string__Name] = l__string__Value;
            continue;
        }
        m__string__Error = "unknown option " + l__string__Word;
        return false;
    }
    return true;
}

bool CTarnwick_CliArguments::Has(const std::string& p__string__Name) const {
    return m__Flags.count(p__string__Name) != 0 || m__Values.count(p__string__Name) != 0;
}

std::string CTarnwick_CliArguments::Value(const std::string& p__string__Name, const std::string& p__string__Default) const {
    auto l__Found = m__Values.find(p__string__Name);
    return l__Found == m__Values.end() ? p__string__Default : l__Found->second;
}

bool CTarnwick_CliArguments::ParseNumber(const std::string& p__string__Text, unsigned long long p__Minimum,
                                         unsigned long long p__Maximum, unsigned long long& p__Value) {
    // Digits only: strtoull would take "-1" for the largest number.
    if (p__string__Text.empty() || p__string__Text.size() > 19 ||
        p__string__Text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    const unsigned long long l__Number = std::strtoull(p__string__Text.c_str(), nullptr, 10);
    if (errno != 0 || l__Number < p__Minimum || l__Number > p__Maximum) return false;
    p__Value = l__Number;
    return true;
}

int CTarnwick_CliArguments::UsageError(const std::string& p__string__Subcommand, const std::string& p__string__Reason,
                                       const char* p__PCHAR__Usage) {
    std::fprintf(stderr, "tarnwick %s: %s\n%s", p__string__Subcommand.c_str(), p__string__Reason.c_str(), p__PCHAR__Usage);
    return USAGE_ERROR;
}

bool CTarnwick_CliArguments::ParseWithoutFiles(const std::string& p__string__Subcommand, const std::vector<std::string>& p__Words,
                                               const std::set<std::string>& p__Flags, const char* p__PCHAR__Usage) {
    std::string l__string__Error;
    if (!Parse(p__Words, p__Flags, {})) l__string__Error = m__string__Error;
    else if (!m__Positional.empty()) l__string__Error = "unexpected word " + m__Positional[0];
    if (l__string__Error.empty()) return true;
    UsageError(p__string__Subcommand, l__string__Error, p__PCHAR__Usage);
    return false;
}
