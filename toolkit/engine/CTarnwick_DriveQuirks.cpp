#include "CTarnwick_DriveQuirks.h"

#include <cstring>

bool CTarnwick_DriveQuirks::Has(const char* p__PCHAR__Text, const char* p__PCHAR__Part) {
    return p__PCHAR__Text != nullptr && std::strstr(p__PCHAR__Text, p__PCHAR__Part) != nullptr;
}

bool CTarnwick_DriveQuirks::HasBrokenSynchronizeCache(const char* p__PCHAR__Vendor, const char* p__PCHAR__Product) {
    return (Has(p__PCHAR__Vendor, "TEAC") && Has(p__PCHAR__Product, "56S")) ||
           (Has(p__PCHAR__Vendor, "MITSUMI") && Has(p__PCHAR__Product, "4802")) ||
           (Has(p__PCHAR__Vendor, "Memorex") && Has(p__PCHAR__Product, "Twelve MAXX"));
}

bool CTarnwick_DriveQuirks::HasBrokenGetConfiguration(const char* p__PCHAR__Vendor, const char* p__PCHAR__Product) {
    return Has(p__PCHAR__Vendor, "PHILIPS") && Has(p__PCHAR__Product, "CDD5301");
}

bool CTarnwick_DriveQuirks::HasBrokenStartStopUnit(const char* p__PCHAR__Vendor, const char* p__PCHAR__Product) {
    return Has(p__PCHAR__Vendor, "MITSUMI") && Has(p__PCHAR__Product, "4802");
}

bool CTarnwick_DriveQuirks::HasBrokenImmediateClose(const char* p__PCHAR__Vendor, const char* p__PCHAR__Product) {
    return Has(p__PCHAR__Vendor, "HP") && Has(p__PCHAR__Product, "9100");
}

bool CTarnwick_DriveQuirks::FollowsJustLinkSetting(const char* p__PCHAR__Vendor) {
    return Has(p__PCHAR__Vendor, "_NEC") || Has(p__PCHAR__Vendor, "HP") || Has(p__PCHAR__Vendor, "PLEXTOR");
}

bool CTarnwick_DriveQuirks::IsLiteOn(const char* p__PCHAR__Vendor) { return Has(p__PCHAR__Vendor, "LITE-ON"); }
