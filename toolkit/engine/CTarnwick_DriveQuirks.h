#pragma once

// The drive models that need another command sequence, recognised by substrings
// (case-sensitive) of their INQUIRY vendor and product identification.
class CTarnwick_DriveQuirks {
public:
    // SYNCHRONIZE CACHE without Immed and a fixed 15 s sleep (TEAC 56S, MITSUMI 4802, Memorex Twelve MAXX).
    static bool HasBrokenSynchronizeCache(const char* p__PCHAR__Vendor, const char* p__PCHAR__Product);
    // No GET CONFIGURATION (taken as CD-R) and no READ DISC INFORMATION in the ready wait (PHILIPS CDD5301).
    static bool HasBrokenGetConfiguration(const char* p__PCHAR__Vendor, const char* p__PCHAR__Product);
    // Eject after setting Track-At-Once parameters, with Immed (MITSUMI 4802).
    static bool HasBrokenStartStopUnit(const char* p__PCHAR__Vendor, const char* p__PCHAR__Product);
    // The session is closed synchronously at once (HP 9100).
    static bool HasBrokenImmediateClose(const char* p__PCHAR__Vendor, const char* p__PCHAR__Product);
    // The vendor page 30h setting also drives the BUFE bit (_NEC, HP, PLEXTOR).
    static bool FollowsJustLinkSetting(const char* p__PCHAR__Vendor);
    // A trace line when the default write type is 0 (LITE-ON).
    static bool IsLiteOn(const char* p__PCHAR__Vendor);

private:
    static bool Has(const char* p__PCHAR__Text, const char* p__PCHAR__Part);
};
