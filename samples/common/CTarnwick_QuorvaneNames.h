#pragma once
// The names the programs that master a tree (Quorvane, Lindhollow) make: the date name of
// the directory that receives the source, and the new names they give a node whose ISO9660
// identifier or Joliet name collides with one already in its directory.
#include <cstddef>
#include <ctime>
#include <string>

#include "tarnwick_types.h"

class CTarnwick_QuorvaneNames {
public:
    // The local time as ctime gives it, without its line feed, every colon and blank an
    // underscore ("Mon_Dec__7_17_29_19_2026").
    static std::string DateName(std::time_t p__time_t__Time);

    // The ISO9660 rule, in place on a zero-terminated name of at most p__SIZE__Capacity bytes
    // (terminator included): names shorter than 2 characters are padded with "0"; the stem
    // (before a version suffix ";N" and an extension dot within the last 5 positions of it) is
    // cut to 7 characters when longer than 8; the counter goes between stem and extension and
    // is then incremented.
    void RenameISO9660(PCHAR p__PCHAR__Name, size_t p__SIZE__Capacity);

    // The Joliet rule, in place on a zero-terminated UTF-16 name in the machine's byte order
    // held in p__SIZE__Bytes bytes (no alignment needed): stem, "_", the time text as ctime
    // gives it, extension; trailing control characters and blanks are dropped, and after the
    // stem every blank, control character and colon becomes an underscore.
    static void RenameJoliet(PUCHAR p__PUCHAR__Name, size_t p__SIZE__Bytes, const char* p__PCHAR__TimeText);

    // Taken, then incremented, at each ISO9660 rename: one count for the whole run.
    LONG m__LONG__RenameCounter = 1;
};
