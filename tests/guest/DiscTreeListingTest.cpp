// The guest's listing of a mounted disc, its parser and its comparison with a tree on this
// machine: a fault here would pass a wrong disc or fail a right one, so they are checked
// without a boot, the listing by running the guest's own /init on a tree of this machine.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "BoundedProcess.h"
#include "DiscTreeListing.h"
#include "ExternalTool.h"
#include "ScratchDirectory.h"

namespace {

const std::string MD5_OF_NOTHING = "d41d8cd98f00b204e9800998ecf8427e";
const std::string MD5_OF_ABC = "900150983cd24fb0d6963f7d28e17f72";

std::string Hex(const std::string& p__string__Bytes) {
    std::string l__string__Hex;
    for (unsigned char c : p__string__Bytes) {
        const char* l__PCHAR__Digits = "0123456789abcdef";
        l__string__Hex.push_back(l__PCHAR__Digits[c >> 4]);
        l__string__Hex.push_back(l__PCHAR__Digits[c & 15]);
    }
    return l__string__Hex;
}

TEST(DiscTreeListing, EntryLinesDecodeAnyByteOfANameAndKeepWhatDoesNotParse) {
    const std::string l__string__Odd = "odd name \xc3\xa9\nsecond line";
    std::string l__string__Text = "volume of 214 blocks\n";
    l__string__Text.append("entry f 4755 1 307323 600000001 " + Hex(l__string__Odd) + " - " + MD5_OF_ABC + "\n");
    l__string__Text.append("entry l 777 1 9 600000003 " + Hex("links/up") + " " + Hex("../x y\\z") + " -\n");
    l__string__Text.append("entry d 750 2 2048 600000005 " + Hex("modes/private") + " - -\n");
    const std::vector<std::string> l__Bad = {
        "entry f 644 1 3 1 616 - " + MD5_OF_ABC,                     // odd number of digits
        "entry f 648 1 3 1 " + Hex("eight") + " - " + MD5_OF_ABC,    // not octal
        "entry f 644 1 3 1 " + Hex("short") + " -",                  // a field short
        "entry d 755 2 2048 1 " + Hex("dir") + " " + Hex("x") + " -", // a target on a directory
        "entry f 644 1 3 1 " + Hex("nodigest") + " - -",             // a file without its digest
        "entry l 777 1 0 1 " + Hex("notarget") + " - -",             // a link without its target
        "entry d 755 2 2048 7 " + Hex("modes/private") + " - -",     // the same path again
    };
    for (const std::string& l__string__Line : l__Bad) l__string__Text.append(l__string__Line).append("\n");

    DiscTreeListing l__Listing = DiscTreeListing::Parse(l__string__Text);
    ASSERT_EQ(l__Listing.Entries().size(), 3u);
    const DiscTreeListing::Entry& l__File = l__Listing.Entries().at(l__string__Odd);
    EXPECT_EQ(l__File.m__char__Type, 'f');
    EXPECT_EQ(l__File.m__unsigned__Mode, 04755u);
    EXPECT_EQ(l__File.m__ULONGLONG__Size, 307323u);
    EXPECT_EQ(l__File.m__LONGLONG__MTime, 600000001);
    EXPECT_EQ(l__File.m__string__Digest, MD5_OF_ABC);
    EXPECT_EQ(l__Listing.Entries().at("links/up").m__string__Target, "../x y\\z");
    EXPECT_EQ(l__Listing.Entries().at("modes/private").m__LONGLONG__MTime, 600000005);
    EXPECT_EQ(l__Listing.Malformed(), l__Bad);
    // A malformed line is a difference of its own, never passed over.
    std::vector<std::string> l__Differences = l__Listing.DifferencesFrom(l__Listing);
    ASSERT_EQ(l__Differences.size(), l__Bad.size());
    EXPECT_EQ(l__Differences[0], "malformed entry line: " + l__Bad[0]);
    EXPECT_EQ(DiscTreeListing::Printable(l__string__Odd), "odd name \xc3\xa9\\x0asecond line");
}

TEST(DiscTreeListing, DifferencesNameThePathTheFieldAndBothValues) {
    auto Line = [](const std::string& p__string__Fields, const std::string& p__string__Path, const std::string& p__string__Tail) {
        return "entry " + p__string__Fields + " " + Hex(p__string__Path) + " " + p__string__Tail + "\n";
    };
    const std::string l__string__Tree = Line("d 755 4 2048 11", "a", "- -") + Line("d 755 2 2048 13", "a/b", "- -") +
                                        Line("d 755 2 2048 15", "a/c", "- -") + Line("f 4755 1 3 17", "a/b/tool", "- " + MD5_OF_ABC) +
                                        Line("l 777 1 6 19", "a/c/link", Hex("../b/\n") + " -") + Line("p 644 1 0 21", "fifo", "- -") +
                                        Line("f 600 1 0 23", "gone", "- " + MD5_OF_NOTHING);
    DiscTreeListing l__Expected = DiscTreeListing::Parse(l__string__Tree);
    ASSERT_EQ(l__Expected.Entries().size(), 7u);
    EXPECT_TRUE(l__Expected.DifferencesFrom(l__Expected).empty());

    // The directory "a" holds two directories: four links, whatever the listing of the tree says.
    const std::string l__string__Disc = Line("d 755 3 2048 11", "a", "- -") + Line("d 755 2 2048 13", "a/b", "- -") +
                                        Line("d 755 2 2048 15", "a/c", "- -") + Line("f 755 1 4 18", "a/b/tool", "- " + MD5_OF_NOTHING) +
                                        Line("l 777 1 6 19", "a/c/link", Hex("../b") + " -") + Line("f 644 1 0 21", "fifo", "- " + MD5_OF_NOTHING) +
                                        Line("d 555 2 2048 1", "rr_moved", "- -");
    std::vector<std::string> l__Differences = DiscTreeListing::Parse(l__string__Disc).DifferencesFrom(l__Expected);
    const std::vector<std::string> l__Wanted = {
        "a: link count expected 4, got 3",
        "a/b/tool: mode expected 4755, got 0755",
        "a/b/tool: mtime expected 17, got 18",
        "a/b/tool: size expected 3, got 4",
        "a/b/tool: MD5 expected " + MD5_OF_ABC + ", got " + MD5_OF_NOTHING,
        "a/c/link: link target expected ../b/\\x0a, got ../b",
        "fifo: type expected p, got f",
        "gone: missing (expected type f)",
        "rr_moved: not in the tree (type d)",
    };
    EXPECT_EQ(l__Differences, l__Wanted);
}

// The guest's /init, asked for its listing only, run by this machine's busybox (the guest's
// tools: stat, od, md5sum, readlink) on a tree with what a disc's names and modes may hold.
TEST(DiscTreeListing, TheGuestsListingOfATreeIsWhatLstatSees) {
    REQUIRE_TOOL("busybox");
    ScratchDirectory l__Scratch("tarnwick-listing");
    const std::string l__string__Root = l__Scratch / "tree";
    const std::string l__string__Odd = "odd name \xc3\xa9\nsecond line";
    ASSERT_EQ(::mkdir(l__string__Root.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((l__string__Root + "/dir").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir((l__string__Root + "/dir/.hidden").c_str(), 0750), 0);
    std::ofstream(l__string__Root + "/" + l__string__Odd) << "abc";
    std::ofstream(l__string__Root + "/dir/empty").flush();
    ASSERT_EQ(::chmod((l__string__Root + "/" + l__string__Odd).c_str(), 04755), 0);
    ASSERT_EQ(::symlink("../nowhere/x y", (l__string__Root + "/dir/dangling").c_str()), 0);
    ASSERT_EQ(::symlink("dir", (l__string__Root + "/to-dir").c_str()), 0);
    ASSERT_EQ(::mkfifo((l__string__Root + "/dir/.hidden/fifo").c_str(), 0640), 0);
    std::string l__string__Failure;
    DiscTreeListing l__Tree = DiscTreeListing::OfTree(l__string__Root, &l__string__Failure);
    ASSERT_EQ(l__string__Failure, "");
    ASSERT_EQ(l__Tree.Entries().size(), 7u);
    struct timespec l__Times[2] = {{0, UTIME_OMIT}, {600000001, 750000000}};
    for (auto& [l__string__Path, l__Entry] : l__Tree.Entries()) {
        ASSERT_EQ(::utimensat(AT_FDCWD, (l__string__Root + "/" + l__string__Path).c_str(), l__Times, AT_SYMLINK_NOFOLLOW), 0);
        l__Times[1].tv_sec += 2;
    }
    l__Tree = DiscTreeListing::OfTree(l__string__Root, &l__string__Failure);
    ASSERT_EQ(l__string__Failure, "");
    EXPECT_EQ(l__Tree.Entries().at("to-dir").m__char__Type, 'l');
    EXPECT_EQ(l__Tree.Entries().at("dir/.hidden/fifo").m__char__Type, 'p');
    EXPECT_EQ(l__Tree.Entries().at(l__string__Odd).m__unsigned__Mode, 04755u);
    EXPECT_EQ(l__Tree.Entries().at("dir/dangling").m__string__Target, "../nowhere/x y");

    // Busybox's own applets first on the PATH, as in the guest.
    const std::string l__string__Bin = l__Scratch / "bin";
    ASSERT_EQ(::mkdir(l__string__Bin.c_str(), 0755), 0);
    BoundedProcess l__Which({"busybox", "which", "busybox"}, l__Scratch / "which.txt");
    ASSERT_EQ(l__Which.Run(30).m__int__Exit, 0);
    std::string l__string__Busybox = l__Which.Output().substr(0, l__Which.Output().find('\n'));
    for (const char* l__PCHAR__Applet : {"od", "tr", "stat", "md5sum", "readlink", "timeout"})
        ASSERT_EQ(::symlink(l__string__Busybox.c_str(), (l__string__Bin + "/" + l__PCHAR__Applet).c_str()), 0);
    BoundedProcess l__List({l__string__Busybox, "env", "PATH=" + l__string__Bin, l__string__Busybox, "sh",
                            std::string(TARNWICK_SOURCE_DIR) + "/tests/guest/init.sh", "list-tree", l__string__Root},
                           l__Scratch / "listing.txt");
    ASSERT_EQ(l__List.Run(60).m__int__Exit, 0) << l__List.Output();
    DiscTreeListing l__Listed = DiscTreeListing::Parse(l__List.Output());
    EXPECT_TRUE(l__Listed.Malformed().empty()) << l__List.Output();

    ASSERT_EQ(l__Listed.Entries().size(), l__Tree.Entries().size()) << l__List.Output();
    for (const auto& [l__string__Path, l__Want] : l__Tree.Entries()) {
        SCOPED_TRACE(DiscTreeListing::Printable(l__string__Path));
        auto l__Found = l__Listed.Entries().find(l__string__Path);
        ASSERT_NE(l__Found, l__Listed.Entries().end()) << l__List.Output();
        const DiscTreeListing::Entry& l__Got = l__Found->second;
        EXPECT_EQ(l__Got.m__char__Type, l__Want.m__char__Type);
        EXPECT_EQ(l__Got.m__unsigned__Mode, l__Want.m__unsigned__Mode);
        EXPECT_EQ(l__Got.m__ulong__Links, l__Want.m__ulong__Links);
        EXPECT_EQ(l__Got.m__LONGLONG__MTime, l__Want.m__LONGLONG__MTime);
        EXPECT_EQ(l__Got.m__string__Target, l__Want.m__string__Target);
        if (l__Want.m__char__Type == 'f') {
            EXPECT_EQ(l__Got.m__ULONGLONG__Size, l__Want.m__ULONGLONG__Size);
        }
    }
    EXPECT_EQ(l__Listed.Entries().at(l__string__Odd).m__string__Digest, MD5_OF_ABC);
    EXPECT_EQ(l__Listed.Entries().at("dir/empty").m__string__Digest, MD5_OF_NOTHING);
}

}  // namespace
