// A real Linux kernel judges the SG_IO path: a QEMU guest (software emulation) sees tgtd's MMC
// unit through virtio-scsi as /dev/sr0 and /dev/sg0, and runs tarnwick-finddevice and Pellmark
// against it with no TARNWICK_DRIVES, so the only way to the unit is the machine's own drive.
// One boot serves every case of the suite; what the guest did arrives on its serial console.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "BoundedProcess.h"
#include "DiscTreeListing.h"
#include "ExternalTool.h"
#include "GuestConsole.h"
#include "ScratchDirectory.h"
#include "TgtdTarget.h"

namespace {

constexpr const char QEMU[] = "qemu-system-x86_64";
// A boot takes some 10-20 s under emulation on an idle machine; the bound is for a loaded one
// (the guest's /init bounds each program it runs, 7 minutes at most in all).
constexpr int BOOT_SECONDS = 600;

// Where tools/ci/guest-kernel.sh (run by `make deps`) left the kernel and its modules.
std::string KernelDirectory() {
    const char* l__PCHAR__Directory = std::getenv("TARNWICK_GUEST_KERNEL_DIR");
    std::string l__string__Root = l__PCHAR__Directory != nullptr ? l__PCHAR__Directory
                                                                 : std::string(TARNWICK_SOURCE_DIR) + "/build/guest-kernel";
    return l__string__Root + "/current";
}

std::vector<uint8_t> ReadBytes(const std::string& p__string__File, size_t p__size_t__Limit = SIZE_MAX) {
    std::ifstream l__Stream(p__string__File, std::ios::binary);
    std::vector<uint8_t> l__Bytes;
    char l__CHAR__Byte;
    while (l__Bytes.size() < p__size_t__Limit && l__Stream.get(l__CHAR__Byte)) l__Bytes.push_back(static_cast<uint8_t>(l__CHAR__Byte));
    return l__Bytes;
}

// The lines of TEXT.
std::vector<std::string> Lines(const std::string& p__string__Text) {
    std::vector<std::string> l__Lines;
    std::istringstream l__Stream(p__string__Text);
    for (std::string l__string__Line; std::getline(l__Stream, l__string__Line);) l__Lines.push_back(l__string__Line);
    return l__Lines;
}

// The tree the guest's disc is mastered from, under P__ROOT: payload.bin holding
// P__PAYLOAD, and beside it what Rock Ridge has to carry for the kernel to show it as it is:
// a mixed-case name, a name of 200 bytes, one with a space, a non-ASCII letter and a line
// end, a hidden one, files of modes 0600, 0755 and 4755, an empty one, directories of modes
// 0750 and 3775 (set-group-id and sticky), relative, absolute (with "." and ".." in it),
// dangling, long (over 255 bytes) and directory links, a FIFO, and a chain of 10
// directories (deeper than ISO9660's 8 levels) with a file at the bottom. Each entry gets a
// modification time of its own, in the past, at an odd second and three quarters: a writer
// that rounds instead of cutting off shows a second more. A failure's text, else empty.
std::string MakeSourceTree(const std::string& p__string__Root, const std::string& p__string__Payload) {
    std::string l__string__Failure;
    std::vector<std::string> l__Made;  // relative paths, each after its directory
    auto Fail = [&](const char* p__PCHAR__What, const std::string& p__string__Path) {
        if (l__string__Failure.empty())
            l__string__Failure = std::string(p__PCHAR__What) + " " + p__string__Path + ": " + std::strerror(errno);
    };
    auto Directory = [&](const std::string& p__string__Path, mode_t p__mode_t__Mode) {
        std::string l__string__Full = p__string__Root + "/" + p__string__Path;
        if (::mkdir(l__string__Full.c_str(), 0700) != 0 || ::chmod(l__string__Full.c_str(), p__mode_t__Mode) != 0)
            Fail("mkdir", l__string__Full);
        l__Made.push_back(p__string__Path);
    };
    auto File = [&](const std::string& p__string__Path, mode_t p__mode_t__Mode, const std::string& p__string__Bytes) {
        std::string l__string__Full = p__string__Root + "/" + p__string__Path;
        std::ofstream l__Out(l__string__Full, std::ios::binary);
        if (!(l__Out << p__string__Bytes) || !l__Out.flush()) Fail("write", l__string__Full);
        l__Out.close();
        // chmod after writing: the set-user-id bit goes when its file is written to.
        if (::chmod(l__string__Full.c_str(), p__mode_t__Mode) != 0) Fail("chmod", l__string__Full);
        l__Made.push_back(p__string__Path);
    };
    auto Link = [&](const std::string& p__string__Path, const std::string& p__string__Target) {
        std::string l__string__Full = p__string__Root + "/" + p__string__Path;
        if (::symlink(p__string__Target.c_str(), l__string__Full.c_str()) != 0) Fail("symlink", l__string__Full);
        l__Made.push_back(p__string__Path);
    };

    File("payload.bin", 0644, p__string__Payload);
    File("MixedCase.Name.TXT", 0644, "mixed case\n");
    std::string l__string__LongName = "Long-";
    while (l__string__LongName.size() < 196) l__string__LongName.push_back(static_cast<char>('a' + l__string__LongName.size() % 26));
    l__string__LongName.append(".Dat");
    File(l__string__LongName, 0644, "two hundred bytes of name\n");
    File("odd name \xc3\xa9\nsecond line", 0644, "odd\n");
    File(".hidden", 0644, "a name with a dot first\n");
    Directory("modes", 0755);
    File("modes/secret.key", 0600, "secret\n");
    File("modes/run.sh", 0755, "#!/bin/sh\necho run\n");
    File("modes/setuid-tool", 04755, "set-user-id\n");
    File("modes/empty", 0644, "");
    Directory("modes/private", 0750);
    Directory("modes/shared", 03775);
    Directory("links", 0755);
    Link("links/relative", "../payload.bin");
    Link("links/absolute", "/usr/./share/../lib/os-release");
    Link("links/dangling", "nowhere/missing");
    Link("links/to-directory", "../modes");
    std::string l__string__LongTarget = "..";
    for (int l__int__Component = 0; l__string__LongTarget.size() < 300; ++l__int__Component)
        l__string__LongTarget.append("/component").append(std::to_string(l__int__Component));
    Link("links/long", l__string__LongTarget);
    if (::mkfifo((p__string__Root + "/fifo").c_str(), 0600) != 0 || ::chmod((p__string__Root + "/fifo").c_str(), 0644) != 0)
        Fail("mkfifo", p__string__Root + "/fifo");
    l__Made.push_back("fifo");
    std::string l__string__Chain;
    for (int l__int__Level = 1; l__int__Level <= 10; ++l__int__Level) {
        l__string__Chain.append(l__string__Chain.empty() ? "" : "/").append(l__int__Level < 10 ? "Level0" : "Level");
        l__string__Chain.append(std::to_string(l__int__Level));
        Directory(l__string__Chain, 0755);
    }
    File(l__string__Chain + "/bottom.txt", 0644, "at the bottom\n");

    // The times last: an entry made in a directory would change the directory's.
    int64_t l__LONGLONG__Seconds = 600000001;  // 1989
    for (const std::string& l__string__Path : l__Made) {
        struct timespec l__Times[2] = {{static_cast<time_t>(l__LONGLONG__Seconds), 750000000},
                                       {static_cast<time_t>(l__LONGLONG__Seconds), 750000000}};
        std::string l__string__Full = p__string__Root + "/" + l__string__Path;
        if (::utimensat(AT_FDCWD, l__string__Full.c_str(), l__Times, AT_SYMLINK_NOFOLLOW) != 0) Fail("utimensat", l__string__Full);
        l__LONGLONG__Seconds += 37654322;  // even: the seconds stay odd
    }
    return l__string__Failure;
}

// The MD5 of a file's bytes as busybox md5sum gives it (lower-case hex), else empty.
std::string Md5Of(const std::string& p__string__File, const std::string& p__string__Log) {
    BoundedProcess l__Sum({"busybox", "md5sum", p__string__File}, p__string__Log);
    if (l__Sum.Run(60).m__int__Exit != 0) return "";
    std::string l__string__Output = l__Sum.Output();
    return l__string__Output.size() >= 32 ? l__string__Output.substr(0, 32) : "";
}

class GuestSgIo : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!Missing().empty()) return;
        s__Scratch = std::make_unique<ScratchDirectory>("tarnwick-guest");
        s__string__Failure = Prepare();
    }

    static void TearDownTestSuite() {
        s__Scratch.reset();
    }

    // The missing tool or kernel, else empty.
    static std::string Missing() {
        for (const char* l__PCHAR__Tool : {QEMU, "busybox", TgtdTarget::TGTD})
            if (!ExternalTool::IsInstalled(l__PCHAR__Tool)) return std::string(l__PCHAR__Tool) + " is not installed";
        if (!std::filesystem::exists(KernelDirectory() + "/vmlinuz"))
            return "no guest kernel in " + KernelDirectory() + " (make deps fetches it)";
        return "";
    }

    void SetUp() override {
        std::string l__string__Missing = Missing();
        if (!l__string__Missing.empty()) {
            if (ExternalTool::IsRequired()) FAIL() << l__string__Missing;
            GTEST_SKIP() << l__string__Missing;
        }
        ASSERT_EQ(s__string__Failure, "");
    }

    // The image, the initramfs, the target and the boot; a failure's text, else empty.
    static std::string Prepare() {
        const ScratchDirectory& l__Scratch = *s__Scratch;
        // An image of a few hundred kilobytes, the same bytes on every run, with Rock Ridge
        // records for the kernel to judge.
        std::filesystem::create_directories(l__Scratch / "tree");
        std::string l__string__Data(300 * 1024 + 123, '\0');
        uint32_t l__uint32_t__State = 1996;
        for (char& c : l__string__Data) {
            l__uint32_t__State = l__uint32_t__State * 1664525u + 1013904223u;
            c = static_cast<char>(l__uint32_t__State >> 24);
        }
        std::string l__string__Tree = MakeSourceTree(l__Scratch / "tree", l__string__Data);
        if (!l__string__Tree.empty()) return "the source tree was not made: " + l__string__Tree;
        BoundedProcess l__Mkiso({TARNWICK_MKISO, "-q", "-R", "-J", "-o", l__Scratch / "image.iso", l__Scratch / "tree"},
                                l__Scratch / "mkiso.log");
        if (l__Mkiso.Run(120).m__int__Exit != 0) return "tarnwick-mkiso failed: " + l__Mkiso.Output();
        // 150 blocks of zeros burned after the volume, as a track's run-out pad: tarnwick-grab
        // asks for its whole buffer (30 blocks) with each read, and tgtd fails a read whose
        // buffer would reach past the end of the track, though the block asked for is on it.
        std::ofstream(l__Scratch / "image.iso", std::ios::binary | std::ios::app) << std::string(150 * 2048, '\0');

        std::string l__string__Here = std::string(TARNWICK_SOURCE_DIR) + "/tests/guest";
        std::string l__string__Build = TARNWICK_BINARY_DIR;
        BoundedProcess l__Initramfs({"bash", l__string__Here + "/make-initramfs.sh", l__Scratch / "initrd.cpio", KernelDirectory(),
                                     l__string__Here + "/init.sh", l__Scratch / "image.iso",
                                     l__string__Build + "/tools/finddevice/tarnwick-finddevice",
                                     l__string__Build + "/samples/pellmark/Pellmark", l__string__Build + "/tools/grab/tarnwick-grab"},
                                    l__Scratch / "initramfs.log");
        if (l__Initramfs.Run(300).m__int__Exit != 0) return "the initramfs was not built: " + l__Initramfs.Output();

        // Killed by its pid when Prepare returns, however it returns; the emulator has ended
        // by then (Run waits for it or kills it), and tgtd has written each block as it came.
        TgtdTarget l__Target(l__Scratch / "unit.img");
        if (!l__Target.Started()) return l__Target.Failure();

        // The unit goes to the guest as it is (scsi-generic): the guest kernel talks MMC to
        // tgtd through QEMU's iSCSI initiator and names the unit itself.
        std::string l__string__Drive = "driver=iscsi,transport=tcp,portal=" + l__Target.Portal() + ",target=" +
                                       l__Target.Iqn() + ",lun=1,if=none,id=unit0";
        BoundedProcess l__Qemu({QEMU, "-accel", "tcg", "-nographic", "-no-reboot", "-m", "512", "-smp", "1", "-nic", "none",
                                "-kernel", KernelDirectory() + "/vmlinuz", "-initrd", l__Scratch / "initrd.cpio", "-append",
                                "console=ttyS0 panic=-1 quiet loglevel=3", "-device", "virtio-scsi-pci,id=scsi0", "-drive",
                                l__string__Drive, "-device", "scsi-generic,drive=unit0,bus=scsi0.0"},
                               l__Scratch / "console.log");
        BoundedProcess::Result l__Boot = l__Qemu.Run(BOOT_SECONDS);
        s__string__Console = l__Qemu.Output();
        std::cout << "guest ran " << l__Boot.m__double__Seconds << " s (boot to power-off)" << std::endl;
        if (!l__Boot.m__bool__Started) return std::string(QEMU) + " did not start";
        if (l__Boot.m__bool__TimedOut)
            return "the guest was still running after " + std::to_string(BOOT_SECONDS) + " s:\n" + s__string__Console;
        s__Console = std::make_unique<GuestConsole>(s__string__Console);
        return "";
    }

    static const GuestConsole& Console() { return *s__Console; }
    static std::string ConsoleText() { return s__string__Console; }

    static std::unique_ptr<ScratchDirectory> s__Scratch;
    static std::unique_ptr<GuestConsole> s__Console;
    static std::string s__string__Console;
    static std::string s__string__Failure;
};

std::unique_ptr<ScratchDirectory> GuestSgIo::s__Scratch;
std::unique_ptr<GuestConsole> GuestSgIo::s__Console;
std::string GuestSgIo::s__string__Console;
std::string GuestSgIo::s__string__Failure;

TEST_F(GuestSgIo, BootsLoadsTheModulesAndRunsToTheEnd) {
    EXPECT_TRUE(Console().Done()) << ConsoleText();
    GuestConsole::Section l__Modules = Console().Get("modules");
    EXPECT_TRUE(l__Modules.m__bool__Ended) << ConsoleText();
    EXPECT_EQ(l__Modules.m__int__Exit, 0) << l__Modules.m__string__Text;
    for (const char* l__PCHAR__Module : {"virtio_scsi", "sg", "sr_mod", "isofs"})
        EXPECT_NE(l__Modules.m__string__Text.find(std::string("loaded ") + l__PCHAR__Module + "\n"), std::string::npos)
            << l__Modules.m__string__Text;
}

TEST_F(GuestSgIo, TheKernelSeesTheMmcUnitAsSrAndSg) {
    GuestConsole::Section l__Devices = Console().Get("devices");
    EXPECT_EQ(l__Devices.m__int__Exit, 0) << ConsoleText();
    EXPECT_NE(l__Devices.m__string__Text.find("node /dev/sr0\n"), std::string::npos) << l__Devices.m__string__Text;
    EXPECT_NE(l__Devices.m__string__Text.find("node /dev/sg0\n"), std::string::npos) << l__Devices.m__string__Text;
    // The kernel asked tgtd's unit itself (passed through, not emulated by QEMU): type 5 (MMC)
    // and tgtd's vendor name.
    EXPECT_NE(l__Devices.m__string__Text.find(" type=5 vendor=IET "), std::string::npos) << l__Devices.m__string__Text;
}

TEST_F(GuestSgIo, TheProgramsStartWithTheirLibraries) {
    GuestConsole::Section l__Help = Console().Get("finddevice-help");
    EXPECT_EQ(l__Help.m__int__Exit, 0) << ConsoleText();
    EXPECT_NE(l__Help.m__string__Text.find("Usage: tarnwick-finddevice"), std::string::npos) << l__Help.m__string__Text;
    GuestConsole::Section l__Burn = Console().Get("pellmark");
    EXPECT_NE(l__Burn.m__string__Text.find("Pellmark:main(): ENTERed"), std::string::npos) << l__Burn.m__string__Text;
}

TEST_F(GuestSgIo, FindDeviceListsTheUnitAtAdapterZero) {
    GuestConsole::Section l__Found = Console().Get("finddevice");
    EXPECT_EQ(l__Found.m__int__Exit, 0) << ConsoleText();
    // "0:0:0:0  NAME": the name is the unit's node or its /dev/disk link, as SG_IO reaches it.
    bool l__bool__Listed = false;
    for (const std::string& l__string__Line : Lines(l__Found.m__string__Text)) {
        if (l__string__Line.rfind("0:", 0) != 0) continue;
        for (const char* l__PCHAR__Name : {"/dev/sg", "/dev/sr", "/dev/disk/"})
            l__bool__Listed = l__bool__Listed || l__string__Line.find(l__PCHAR__Name) != std::string::npos;
    }
    EXPECT_TRUE(l__bool__Listed) << l__Found.m__string__Text;
}

TEST_F(GuestSgIo, PellmarkBurnsTheImageOntoTheUnit) {
    GuestConsole::Section l__Burn = Console().Get("pellmark");
    EXPECT_TRUE(l__Burn.m__bool__Ended) << ConsoleText();
    EXPECT_EQ(l__Burn.m__int__Exit, 0) << l__Burn.m__string__Text;
    // What the guest burned is in tgtd's backing file, from its first byte.
    std::vector<uint8_t> l__Image = ReadBytes(*s__Scratch / "image.iso");
    ASSERT_FALSE(l__Image.empty());
    std::vector<uint8_t> l__Disc = ReadBytes(*s__Scratch / "unit.img", l__Image.size());
    EXPECT_EQ(l__Disc.size(), l__Image.size());
    EXPECT_TRUE(l__Disc == l__Image) << "the unit's first " << l__Image.size() << " bytes differ from the image";
}

// The track the guest burned, grabbed back through SG_IO by the guest, equals the image's
// volume (tarnwick-grab ends a data track where its volume descriptor says it ends).
TEST_F(GuestSgIo, TheBurnedTrackGrabsBackAsTheImage) {
    GuestConsole::Section l__Grab = Console().Get("grab");
    EXPECT_TRUE(l__Grab.m__bool__Ended) << ConsoleText();
    EXPECT_EQ(l__Grab.m__int__Exit, 0) << l__Grab.m__string__Text;
    // Every block of the volume read: the pad after it keeps the reads off the end.
    EXPECT_EQ(l__Grab.m__string__Text.find("unreadable block"), std::string::npos) << l__Grab.m__string__Text;
    GuestConsole::Section l__Compare = Console().Get("grabbed");
    EXPECT_TRUE(l__Compare.m__bool__Ended) << ConsoleText();
    EXPECT_EQ(l__Compare.m__int__Exit, 0) << "the grabbed track differs from the image's volume: " << l__Compare.m__string__Text;
}

// The kernel's ISO9660 driver mounts the burned disc and shows, through its Rock Ridge
// records, the tree it was mastered from: the same paths (relocated directories at their
// real places, the relocation directory hidden), types, modes with the set-user-id bit,
// link targets, modification times to the second, sizes and bytes of the regular files,
// and link counts of the directories.
TEST_F(GuestSgIo, TheKernelMountsTheBurnedDiscAndSeesTheTreeAsItWas) {
    GuestConsole::Section l__Section = Console().Get("disc-tree");
    ASSERT_TRUE(l__Section.m__bool__Ended) << ConsoleText();
    EXPECT_EQ(l__Section.m__int__Exit, 0) << l__Section.m__string__Text;
    DiscTreeListing l__Disc = DiscTreeListing::Parse(l__Section.m__string__Text);

    std::string l__string__Failure;
    DiscTreeListing l__Tree = DiscTreeListing::OfTree(*s__Scratch / "tree", &l__string__Failure);
    ASSERT_EQ(l__string__Failure, "");
    ASSERT_GT(l__Tree.Entries().size(), 20u);
    for (auto& [l__string__Path, l__Entry] : l__Tree.Entries()) {
        if (l__Entry.m__char__Type != 'f') continue;
        l__Entry.m__string__Digest = Md5Of(*s__Scratch / ("tree/" + l__string__Path), *s__Scratch / "md5sum.log");
        ASSERT_EQ(l__Entry.m__string__Digest.size(), 32u) << DiscTreeListing::Printable(l__string__Path);
    }

    std::string l__string__Differences;
    for (const std::string& l__string__Line : l__Disc.DifferencesFrom(l__Tree)) l__string__Differences.append(l__string__Line).append("\n");
    EXPECT_EQ(l__string__Differences, "") << l__Section.m__string__Text;
}

}  // namespace
