#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

// The words of one subcommand's command line: flags ("--test"), options with a value
// ("--drive D" or "--drive=D"), and the other words in order. "--" ends the options.
class CTarnwick_CliArguments {
public:
    // The options every subcommand takes.
    static const std::set<std::string>& CommonFlags();   // --json, --help, -h
    static const std::set<std::string>& CommonValued();  // --drive

    // False, with the reason in Error(), for an unknown option or a value that is missing.
    bool Parse(const std::vector<std::string>& p__Words, const std::set<std::string>& p__Flags,
               const std::set<std::string>& p__Valued);

    bool Has(const std::string& p__string__Name) const;
    // The value of an option given with one; p__string__Default when it was not given.
    std::string Value(const std::string& p__string__Name, const std::string& p__string__Default = "") const;
    const std::vector<std::string>& Positional() const { return m__Positional; }
    const std::string& Error() const { return m__string__Error; }
    bool IsHelp() const { return Has("--help") || Has("-h"); }
    bool IsJson() const { return Has("--json"); }

    // The exit code of a usage error.
    static constexpr int USAGE_ERROR = 87;
    // Tells a usage error on standard error ("tarnwick SUBCOMMAND: REASON" and the usage text)
    // and returns USAGE_ERROR.
    static int UsageError(const std::string& p__string__Subcommand, const std::string& p__string__Reason,
                          const char* p__PCHAR__Usage);
    // Parses the words of a subcommand that takes no file names: false, with the usage error
    // told, when they do not fit.
    bool ParseWithoutFiles(const std::string& p__string__Subcommand, const std::vector<std::string>& p__Words,
                           const std::set<std::string>& p__Flags, const char* p__PCHAR__Usage);

    // A whole number in [p__Minimum, p__Maximum] (decimal digits only); false otherwise.
    static bool ParseNumber(const std::string& p__string__Text, unsigned long long p__Minimum,
                            unsigned long long p__Maximum, unsigned long long& p__Value);

private:
    std::set<std::string> m__Flags;
    std::map<std::string, std::string> m__Values;
    std::vector<std::string> m__Positional;
    std::string m__string__Error;
};
