// The guest's console cut into sections: what the guest test judges comes only through it.
#include <gtest/gtest.h>

#include "GuestConsole.h"

namespace {

TEST(GuestConsole, SectionsOfASerialConsoleWithFirmwareNoise) {
    GuestConsole l__Console(
        "SeaBIOS (version 1.16)\r\n"
        "\x1b[?7l\x1b[2J@@tarnwick-guest begin modules\r\n"
        "loaded sg\r\n"
        "@@tarnwick-guest end modules exit=0\r\n"
        "[    3.1] sr 0:0:0:0: Attached scsi CD-ROM sr0\r\n"
        "@@tarnwick-guest begin pellmark\r\n"
        "\r\n"
        "Pellmark:main(): EXITing with error\r\n"
        "@@tarnwick-guest end pellmark exit=3\r\n"
        "@@tarnwick-guest done\r\n");
    EXPECT_TRUE(l__Console.Done());
    GuestConsole::Section l__Modules = l__Console.Get("modules");
    EXPECT_TRUE(l__Modules.m__bool__Ended);
    EXPECT_EQ(l__Modules.m__int__Exit, 0);
    EXPECT_EQ(l__Modules.m__string__Text, "loaded sg\n");
    GuestConsole::Section l__Burn = l__Console.Get("pellmark");
    EXPECT_EQ(l__Burn.m__int__Exit, 3);
    // The kernel's line between two sections belongs to neither.
    EXPECT_EQ(l__Burn.m__string__Text, "\nPellmark:main(): EXITing with error\n");
}

TEST(GuestConsole, AGuestThatDiedMidwayLeavesItsSectionOpen) {
    GuestConsole l__Console(
        "@@tarnwick-guest begin devices\n"
        "node /dev/sg0\n"
        "[    9.9] Kernel panic - not syncing: Attempted to kill init!\n");
    EXPECT_FALSE(l__Console.Done());
    GuestConsole::Section l__Devices = l__Console.Get("devices");
    EXPECT_FALSE(l__Devices.m__bool__Ended);
    EXPECT_EQ(l__Devices.m__int__Exit, -1);
    EXPECT_TRUE(l__Console.Has("devices"));
    // A section never begun reads as one that never ended, not as a success.
    EXPECT_FALSE(l__Console.Has("pellmark"));
    EXPECT_FALSE(l__Console.Get("pellmark").m__bool__Ended);
    EXPECT_EQ(l__Console.Get("pellmark").m__int__Exit, -1);
}

TEST(GuestConsole, AnEndMarkerThatDoesNotFitEndsNothing) {
    GuestConsole l__Console(
        "@@tarnwick-guest begin finddevice\n"
        "@@tarnwick-guest end pellmark exit=0\n"
        "0:0:0:0  /dev/sg0\n"
        "@@tarnwick-guest end finddevice exit=0x\n"
        "@@tarnwick-guest begin pellmark\n"
        "@@tarnwick-guest end pellmark\n");
    GuestConsole::Section l__Found = l__Console.Get("finddevice");
    // Another section's end keeps this one open; a garbled code is no code.
    EXPECT_EQ(l__Found.m__string__Text, "0:0:0:0  /dev/sg0\n");
    EXPECT_FALSE(l__Found.m__bool__Ended);
    EXPECT_EQ(l__Found.m__int__Exit, -1);
    EXPECT_FALSE(l__Console.Get("pellmark").m__bool__Ended);
}

}  // namespace
