#pragma once
#include <map>
#include <string>

// What the guest's /init (init.sh) printed on the serial console, cut into its sections:
//   @@tarnwick-guest begin NAME
//   ...
//   @@tarnwick-guest end NAME exit=CODE
// and the closing "@@tarnwick-guest done". A marker may follow other output on its line (the
// firmware leaves terminal escapes without a line end), and lines end in "\r\n" on a serial
// console.
class GuestConsole {
public:
    struct Section {
        std::string m__string__Text;  // the lines between the markers, each ended by '\n'
        int m__int__Exit = -1;        // the code of the end marker
        bool m__bool__Ended = false;  // the end marker was seen
    };

    explicit GuestConsole(const std::string& p__string__Console);

    // The section NAME; an empty one, never ended, when the guest did not print it.
    Section Get(const std::string& p__string__Name) const;
    bool Has(const std::string& p__string__Name) const { return m__Sections.count(p__string__Name) != 0; }
    // The guest ran its /init to the end.
    bool Done() const { return m__bool__Done; }

private:
    std::map<std::string, Section> m__Sections;
    bool m__bool__Done = false;
};
