#include <gtest/gtest.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "PlatformScsiGeneric.h"
#include "ScratchDirectory.h"

namespace {

// The Linux calls on what a machine without drives has: files, links, directories.
TEST(LinuxScsiGeneric, LinksThatResolveToANodeAreFoundInNameOrder) {
    ScratchDirectory l__Dir;
    std::ofstream(l__Dir / "sr0") << "x";
    std::ofstream(l__Dir / "sr1") << "y";
    std::filesystem::create_directory(l__Dir / "by-path");
    std::filesystem::create_symlink("../sr0", l__Dir / "by-path/pci-b");
    std::filesystem::create_symlink(l__Dir / "sr0", l__Dir / "by-path/pci-a");
    std::filesystem::create_symlink("../sr1", l__Dir / "by-path/pci-c");
    std::filesystem::create_symlink("../gone", l__Dir / "by-path/dangling");
    PlatformLinuxScsiGeneric l__Linux;
    std::vector<std::string> l__Links;
    ASSERT_TRUE(l__Linux.LinksTo(l__Dir / "by-path", l__Dir / "sr0", l__Links));
    EXPECT_EQ(l__Links, (std::vector<std::string>{l__Dir / "by-path/pci-a", l__Dir / "by-path/pci-b"}));
    EXPECT_FALSE(l__Linux.LinksTo(l__Dir / "by-id", l__Dir / "sr0", l__Links));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_TRUE(l__Links.empty());
}

TEST(LinuxScsiGeneric, NodeExistenceGroupAndCallsOnWhatIsNoScsiNode) {
    ScratchDirectory l__Dir;
    std::ofstream(l__Dir / "node") << "x";
    PlatformLinuxScsiGeneric l__Linux;
    EXPECT_TRUE(l__Linux.Exists(l__Dir / "node"));
    EXPECT_FALSE(l__Linux.Exists(l__Dir / "none"));
    struct group* l__Group = getgrgid(getegid());
    ASSERT_NE(l__Group, nullptr);
    EXPECT_EQ(l__Linux.OwnerGroup(l__Dir / "node"), l__Group->gr_name);
    EXPECT_EQ(l__Linux.OwnerGroup(l__Dir / "none"), "");

    EXPECT_EQ(l__Linux.Open(l__Dir / "none"), -1);
    EXPECT_EQ(errno, ENOENT);
    int l__int__Descriptor = l__Linux.Open(l__Dir / "node");
    ASSERT_GE(l__int__Descriptor, 0);
    PlatformScsiAddress l__Address;
    EXPECT_FALSE(l__Linux.GetScsiId(l__int__Descriptor, l__Address));
    EXPECT_FALSE(l__Linux.GetIdLun(l__int__Descriptor, l__Address));
    const uint8_t l__Cdb[6] = {0x00};
    PlatformScsiCommand l__Command;
    l__Command.m__PUCHAR__Cdb = l__Cdb;
    l__Command.m__UCHAR__CdbLength = 6;
    EXPECT_FALSE(l__Linux.Execute(l__int__Descriptor, l__Command));
    l__Linux.Close(l__int__Descriptor);
    // Closed: the descriptor is no longer valid.
    EXPECT_EQ(fcntl(l__int__Descriptor, F_GETFD), -1);

    // A node that may only be read is opened for reading.
    std::filesystem::permissions(l__Dir / "node", std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    l__int__Descriptor = l__Linux.Open(l__Dir / "node");
    ASSERT_GE(l__int__Descriptor, 0);
    EXPECT_NE(fcntl(l__int__Descriptor, F_GETFD) & FD_CLOEXEC, 0);
    l__Linux.Close(l__int__Descriptor);
}

TEST(LinuxScsiGeneric, ReplacedImplementationIsTheCurrentOneUntilRestored) {
    PlatformLinuxScsiGeneric l__Other;
    PlatformScsiGeneric* l__Default = &PlatformScsiGeneric::Current();
    EXPECT_EQ(PlatformScsiGeneric::Replace(&l__Other), nullptr);
    EXPECT_EQ(&PlatformScsiGeneric::Current(), &l__Other);
    EXPECT_EQ(PlatformScsiGeneric::Replace(nullptr), &l__Other);
    EXPECT_EQ(&PlatformScsiGeneric::Current(), l__Default);
}

}  // namespace
