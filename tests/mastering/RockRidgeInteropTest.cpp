// Images from tarnwick-mkiso -R and -R -J judged by third-party readers. A generated tree -
// mixed-case, hidden and spaced names and names of 200 bytes; relative, absolute, dangling and
// long links; private, executable and set-user-ID files; a FIFO, a hard-linked pair, an empty
// directory, a chain of directories deep enough to be relocated, odd times in the past - must
// read back as lstat saw it: every path, type, mode, owner, link target, size, content and
// time, whether the reader follows the relocation records (xorriso, bsdtar) or shows the
// relocated directory under rr_moved (isoinfo, 7z).
//
// TARNWICK_RR_REFERENCE=genisoimage, or =xorriso (run as xorriso -as mkisofs with rr_moved as
// its relocation directory), masters the same trees with that program instead: it proves the
// reading of each reader's output against an outside writer. genisoimage leaves its rr_moved
// unmarked, so that the readers that follow relocation show it as well; only then is that let
// pass. What genisoimage gets wrong is reported as it is: it cuts the long link's target to
// what fits in the record, writes a continuation area isovfy calls bad, and dates the records
// of links by what they lead to.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "BoundedProcess.h"
#include "MasteringFixture.h"
#include "PosixTree.h"

namespace {

namespace fs = std::filesystem;

const std::string g__string__Relocation = "rr_moved";

std::string Reference() {
    const char* l__PCHAR__Reference = std::getenv("TARNWICK_RR_REFERENCE");
    return l__PCHAR__Reference != nullptr ? l__PCHAR__Reference : "";
}

// genisoimage's relocation directory carries no mark that hides it from the readers that
// follow relocation.
bool RelocationUnmarked() { return Reference() == "genisoimage"; }

// The readers list in UTF-8 (bsdtar escapes other bytes in the C locale) and 7z in UTC.
const std::string g__string__Locale = "LC_ALL=C.UTF-8 TZ=UTC ";

// --- The source tree -------------------------------------------------------------------

// A file of the given bytes and permission bits, set by chmod after creating it so that
// the umask plays no part.
void WriteFile(const std::string& p__string__Path, const std::string& p__string__Bytes, mode_t p__mode_t__Mode) {
    int l__INT__Handle = ::open(p__string__Path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    ASSERT_GE(l__INT__Handle, 0) << p__string__Path << ": " << std::strerror(errno);
    ssize_t l__ssize_t__Written = ::write(l__INT__Handle, p__string__Bytes.data(), p__string__Bytes.size());
    ::close(l__INT__Handle);
    ASSERT_EQ(l__ssize_t__Written, static_cast<ssize_t>(p__string__Bytes.size())) << p__string__Path;
    ASSERT_EQ(::chmod(p__string__Path.c_str(), p__mode_t__Mode), 0) << p__string__Path;
}

void MakeDirectory(const std::string& p__string__Path, mode_t p__mode_t__Mode) {
    ASSERT_EQ(::mkdir(p__string__Path.c_str(), 0700), 0) << p__string__Path << ": " << std::strerror(errno);
    ASSERT_EQ(::chmod(p__string__Path.c_str(), p__mode_t__Mode), 0) << p__string__Path;
}

void MakeLink(const std::string& p__string__Target, const std::string& p__string__Path) {
    ASSERT_EQ(::symlink(p__string__Target.c_str(), p__string__Path.c_str()), 0) << p__string__Path << ": " << std::strerror(errno);
}

std::string RandomBytes(std::mt19937& p__Random, size_t p__SIZE__Size) {
    std::string l__string__Bytes(p__SIZE__Size, '\0');
    for (char& l__CHAR__Byte : l__string__Bytes) l__CHAR__Byte = static_cast<char>(p__Random());
    return l__string__Bytes;
}

// Gives every entry below the root, and the root, its own odd modify and access times in
// the past (links too, not what they lead to).
void SetTimes(const std::string& p__string__Root) {
    std::vector<std::string> l__Paths{p__string__Root};
    for (const auto& [l__string__Path, l__Entry] : PosixTree::Walk(p__string__Root)) l__Paths.push_back(p__string__Root + "/" + l__string__Path);
    int64_t l__LONGLONG__Index = 0;
    for (const std::string& l__string__Path : l__Paths) {
        struct timespec l__Times[2];
        l__Times[0].tv_sec = static_cast<time_t>(900000001 + 7202 * l__LONGLONG__Index);   // access
        l__Times[0].tv_nsec = 0;
        l__Times[1].tv_sec = static_cast<time_t>(1000000003 + 7202 * l__LONGLONG__Index);  // modify
        l__Times[1].tv_nsec = 0;
        ASSERT_EQ(::utimensat(AT_FDCWD, l__string__Path.c_str(), l__Times, AT_SYMLINK_NOFOLLOW), 0)
            << l__string__Path << ": " << std::strerror(errno);
        ++l__LONGLONG__Index;
    }
}

void GenerateSource(const std::string& p__string__Root) {
    std::mt19937 l__Random(1282);
    ASSERT_NO_FATAL_FAILURE(MakeDirectory(p__string__Root, 0755));
    auto l__At = [&](const std::string& p__string__Name) { return p__string__Root + "/" + p__string__Name; };
    ASSERT_NO_FATAL_FAILURE(WriteFile(l__At("MixedCase.TXT"), "Mixed case\n", 0644));
    ASSERT_NO_FATAL_FAILURE(WriteFile(l__At("lower"), "lower case\n", 0644));
    ASSERT_NO_FATAL_FAILURE(WriteFile(l__At("UPPER"), "UPPER CASE\n", 0644));
    // Names of 200 bytes: ASCII, and UTF-8 of two and three bytes a character.
    std::string l__string__Ascii;
    std::string l__string__Utf8;
    for (int l__INT__Index = 0; l__INT__Index < 20; ++l__INT__Index) l__string__Ascii.append("Long-name-");
    for (int l__INT__Index = 0; l__INT__Index < 40; ++l__INT__Index) l__string__Utf8.append("\xC3\xA9\xE6\x97\xA5");
    ASSERT_NO_FATAL_FAILURE(WriteFile(l__At(l__string__Ascii), RandomBytes(l__Random, 2049), 0644));
    ASSERT_NO_FATAL_FAILURE(WriteFile(l__At(l__string__Utf8), RandomBytes(l__Random, 4096), 0644));
    ASSERT_NO_FATAL_FAILURE(WriteFile(l__At("data.bin"), RandomBytes(l__Random, 70001), 0644));
    ASSERT_NO_FATAL_FAILURE(MakeDirectory(l__At("x"), 0750));
    ASSERT_NO_FATAL_FAILURE(WriteFile(l__At("x/y"), "where the relative link leads\n", 0644));
    ASSERT_NO_FATAL_FAILURE(MakeDirectory(l__At("links"), 0755));
    ASSERT_NO_FATAL_FAILURE(MakeLink("../x/y", l__At("links/relative")));
    ASSERT_NO_FATAL_FAILURE(MakeLink("/etc/hostname", l__At("links/absolute")));
    ASSERT_NO_FATAL_FAILURE(MakeLink("no/such/target", l__At("links/dangling")));
    ASSERT_NO_FATAL_FAILURE(MakeLink("./../x/./y", l__At("links/dots")));
    // A target of 322 bytes does not fit in a directory record beside the rest.
    std::string l__string__Long = "..";
    for (int l__INT__Part = 1; l__INT__Part <= 40; ++l__INT__Part)
        l__string__Long.append(l__INT__Part < 10 ? "/part-0" : "/part-").append(std::to_string(l__INT__Part));
    ASSERT_NO_FATAL_FAILURE(MakeLink(l__string__Long, l__At("links/long")));
    ASSERT_NO_FATAL_FAILURE(WriteFile(l__At(".hidden"), "hidden\n", 0644));
    ASSERT_NO_FATAL_FAILURE(WriteFile(l__At("with space; and semicolon"), "space\n", 0644));
    ASSERT_NO_FATAL_FAILURE(MakeDirectory(l__At("empty"), 0700));
    ASSERT_NO_FATAL_FAILURE(WriteFile(l__At("private"), "private\n", 0600));
    ASSERT_NO_FATAL_FAILURE(WriteFile(l__At("tool"), "#!/bin/sh\necho tool\n", 0755));
    ASSERT_NO_FATAL_FAILURE(WriteFile(l__At("setuid-tool"), "#!/bin/sh\necho setuid\n", 04755));
    ASSERT_EQ(::mkfifo(l__At("pipe").c_str(), 0600), 0) << std::strerror(errno);
    ASSERT_EQ(::chmod(l__At("pipe").c_str(), 0640), 0);
    // Twelve directories below the root: the eighth of them would be the ninth level.
    std::string l__string__Chain = p__string__Root;
    for (int l__INT__Level = 1; l__INT__Level <= 12; ++l__INT__Level) {
        l__string__Chain.append(l__INT__Level < 10 ? "/Deep0" : "/Deep").append(std::to_string(l__INT__Level));
        ASSERT_NO_FATAL_FAILURE(MakeDirectory(l__string__Chain, 0755));
    }
    ASSERT_NO_FATAL_FAILURE(WriteFile(l__string__Chain + "/bottom.txt", "at the bottom of the chain\n", 0644));
    ASSERT_NO_FATAL_FAILURE(WriteFile(l__At("hard-a"), RandomBytes(l__Random, 3000), 0644));
    ASSERT_EQ(::link(l__At("hard-a").c_str(), l__At("hard-b").c_str()), 0) << std::strerror(errno);
    ASSERT_NO_FATAL_FAILURE(SetTimes(p__string__Root));
}

// A generated tree, what lstat said of it before anything read it, and its image.
struct MasteredTree {
    std::string m__string__Source;
    PosixTree::Map m__Entries;
    std::string m__string__Image;
};

// The program and arguments that master SOURCE into IMAGE with Rock Ridge (and Joliet).
std::vector<std::string> MasterCommand(const std::string& p__string__Source, const std::string& p__string__Image, bool p__bool__Joliet) {
    std::vector<std::string> l__Arguments;
    if (Reference() == "genisoimage") {
        l__Arguments = {"genisoimage", "-quiet"};
    } else if (Reference() == "xorriso") {
        l__Arguments = {"xorriso", "-as", "mkisofs", "-quiet", "-rr_reloc_dir", g__string__Relocation};
    } else {
        l__Arguments = {TARNWICK_MKISO, "-q"};
    }
    l__Arguments.push_back("-R");
    if (p__bool__Joliet) l__Arguments.push_back("-J");
    l__Arguments.insert(l__Arguments.end(), {"-o", p__string__Image, p__string__Source});
    return l__Arguments;
}

// --- What a reader shows ---------------------------------------------------------------

struct Shown {
    std::string m__string__Path;      // relative to the image's root
    std::string m__string__Mode;      // ten letters as ls -l has them; "" when the reader shows none
    std::string m__string__Target;    // of a symbolic link
    std::string m__string__HardLink;  // the path a hard link names (bsdtar)
    int64_t m__LONGLONG__ModifyTime = -1;  // -1 when not shown to the second
    int64_t m__LONGLONG__User = -1;        // -1 when not shown
    int64_t m__LONGLONG__Group = -1;
    int64_t m__LONGLONG__Size = -1;
};

// Where a reader shows the entries of the source: the path shown, and the source path it
// stands for. A reader that follows the relocation records shows each at its own path.
// Another one shows a relocated directory (one whose place is the ninth level, the root being
// the first) and all below it under rr_moved/NAME, a placeholder at the directory's own place,
// and rr_moved itself (whose source is "").
using View = std::map<std::string, std::string>;

View ReaderView(const PosixTree::Map& p__Entries, bool p__bool__FollowsRelocation) {
    View l__View;
    std::map<std::string, std::string> l__Moved;
    for (const auto& [l__string__Path, l__Entry] : p__Entries) {
        if (!p__bool__FollowsRelocation && l__Entry.m__CHAR__Type == 'd' &&
            std::count(l__string__Path.begin(), l__string__Path.end(), '/') == 7)
            l__Moved[l__string__Path] = g__string__Relocation + "/" + fs::path(l__string__Path).filename().string();
    }
    for (const auto& [l__string__Path, l__Entry] : p__Entries) {
        std::string l__string__Shown = l__string__Path;
        for (const auto& [l__string__From, l__string__To] : l__Moved) {
            if (l__string__Path == l__string__From || l__string__Path.compare(0, l__string__From.size() + 1, l__string__From + "/") == 0)
                l__string__Shown = l__string__To + l__string__Path.substr(l__string__From.size());
        }
        l__View[l__string__Shown] = l__string__Path;
        if (l__Moved.count(l__string__Path) != 0) l__View[l__string__Path] = l__string__Path;
    }
    if (!l__Moved.empty()) l__View[g__string__Relocation] = "";
    return l__View;
}

enum class ModeLetters {
    Ls,       // as ls -l
    IsoInfo,  // isoinfo: a FIFO is 'f', and no set-user-ID, set-group-ID or sticky letters
};

// How a reader shows what it reads.
struct ReaderTraits {
    bool m__bool__FollowsRelocation;
    ModeLetters m__Letters;
    // False for a reader that takes a name only from the directory record itself, not from a
    // continuation area: it shows the start of a name that does not fit in the record.
    bool m__bool__ReadsContinuation;
    // True for bsdtar: of a link target stored in two SL entries (whole components in each,
    // the first entry marked as continued) it drops the slash where the second entry starts.
    // xorriso and isoinfo read the same bytes with the slash. Our writer ends such an entry
    // inside a name, where no slash goes: only an outside writer's image is let pass.
    bool m__bool__DropsSlashBetweenLinkEntries;
};

// The target as a reader that drops the slash between two SL entries may show it: the
// expected one, or for a target too long for one entry (SL entries hold at most 250 bytes)
// the expected one without one of its slashes.
bool SameTarget(const std::string& p__string__Shown, const std::string& p__string__Expected, bool p__bool__DropsSlash) {
    if (p__string__Shown == p__string__Expected) return true;
    if (!p__bool__DropsSlash || Reference().empty() || p__string__Expected.size() <= 200 || p__string__Shown.size() + 1 != p__string__Expected.size()) return false;
    size_t l__SIZE__At = 0;
    while (p__string__Shown[l__SIZE__At] == p__string__Expected[l__SIZE__At]) ++l__SIZE__At;
    return p__string__Expected[l__SIZE__At] == '/' &&
           p__string__Shown.compare(l__SIZE__At, std::string::npos, p__string__Expected, l__SIZE__At + 1, std::string::npos) == 0;
}

std::string ExpectedMode(const PosixTree::Entry& p__Entry, ModeLetters p__Letters) {
    if (p__Letters == ModeLetters::Ls) return PosixTree::ModeString(p__Entry.m__CHAR__Type, p__Entry.m__unsigned__Mode);
    return PosixTree::ModeString(p__Entry.m__CHAR__Type == 'p' ? 'f' : p__Entry.m__CHAR__Type, p__Entry.m__unsigned__Mode & 0777);
}

// The path of the view a shown path stands for: itself, or for a reader that reads no
// continuation areas the one path of the same directory whose name starts with the shown
// name when that is long enough to have filled a record (at least 64 bytes); "" for none.
std::string ViewPath(const std::string& p__string__Shown, const View& p__View, const ReaderTraits& p__Traits) {
    if (p__View.count(p__string__Shown) != 0) return p__string__Shown;
    if (p__Traits.m__bool__ReadsContinuation) return "";
    size_t l__SIZE__Slash = p__string__Shown.rfind('/');
    size_t l__SIZE__Name = l__SIZE__Slash == std::string::npos ? 0 : l__SIZE__Slash + 1;
    if (p__string__Shown.size() - l__SIZE__Name < 64) return "";
    std::string l__string__Found;
    for (const auto& [l__string__Path, l__string__Source] : p__View) {
        if (l__string__Path.size() > p__string__Shown.size() && l__string__Path.compare(0, p__string__Shown.size(), p__string__Shown) == 0 &&
            l__string__Path.find('/', p__string__Shown.size()) == std::string::npos) {
            if (!l__string__Found.empty()) return "";
            l__string__Found = l__string__Path;
        }
    }
    return l__string__Found;
}

// Every entry of the source is shown where the reader should show it, with the type, mode,
// link target, owner, size and modify time it had, as far as the reader shows them.
void ExpectShown(const std::vector<Shown>& p__Shown, const MasteredTree& p__Tree, const ReaderTraits& p__Traits) {
    View l__View = ReaderView(p__Tree.m__Entries, p__Traits.m__bool__FollowsRelocation);
    std::map<std::string, size_t> l__Count;
    for (const Shown& l__Shown : p__Shown) {
        std::string l__string__Path = ViewPath(l__Shown.m__string__Path, l__View, p__Traits);
        if (l__string__Path.empty()) {
            if (!(p__Traits.m__bool__FollowsRelocation && RelocationUnmarked() && l__Shown.m__string__Path == g__string__Relocation))
                ADD_FAILURE() << "shown but not in the source: " << l__Shown.m__string__Path;
            continue;
        }
        ++l__Count[l__string__Path];
        const std::string& l__string__Source = l__View.at(l__string__Path);
        if (l__string__Source.empty()) continue;  // rr_moved itself
        const PosixTree::Entry& l__Entry = p__Tree.m__Entries.at(l__string__Source);
        SCOPED_TRACE(l__Shown.m__string__Path);
        // A name cut where the record ends may have left the mode in the continuation area.
        const bool l__bool__Cut = l__string__Path != l__Shown.m__string__Path;
        if (!l__bool__Cut || !l__Shown.m__string__Mode.empty()) {
            EXPECT_EQ(l__Shown.m__string__Mode, ExpectedMode(l__Entry, p__Traits.m__Letters));
        }
        // Of a target too long for the record, such a reader shows what the record holds.
        const bool l__bool__TargetCut = !p__Traits.m__bool__ReadsContinuation && l__Entry.m__string__Target.size() > 100 &&
                                        l__Shown.m__string__Target.size() < l__Entry.m__string__Target.size() &&
                                        l__Entry.m__string__Target.compare(0, l__Shown.m__string__Target.size(), l__Shown.m__string__Target) == 0;
        if (!l__bool__TargetCut) {
            EXPECT_TRUE(SameTarget(l__Shown.m__string__Target, l__Entry.m__string__Target, p__Traits.m__bool__DropsSlashBetweenLinkEntries))
                << l__Shown.m__string__Target << " for " << l__Entry.m__string__Target;
        }
        if (l__Shown.m__LONGLONG__ModifyTime != -1) {
            EXPECT_EQ(l__Shown.m__LONGLONG__ModifyTime, l__Entry.m__LONGLONG__ModifyTime);
        }
        if (l__Shown.m__LONGLONG__User != -1) {
            EXPECT_EQ(l__Shown.m__LONGLONG__User, l__Entry.m__unsigned__User);
        }
        if (l__Shown.m__LONGLONG__Group != -1) {
            EXPECT_EQ(l__Shown.m__LONGLONG__Group, l__Entry.m__unsigned__Group);
        }
        if (l__Shown.m__LONGLONG__Size != -1 && l__Entry.m__CHAR__Type == '-' && l__Shown.m__string__HardLink.empty()) {
            EXPECT_EQ(static_cast<uint64_t>(l__Shown.m__LONGLONG__Size), l__Entry.m__ULONGLONG__Size);
        }
    }
    for (const auto& [l__string__Path, l__string__Source] : l__View) EXPECT_EQ(l__Count[l__string__Path], 1u) << "times shown: " << l__string__Path;
}

int64_t Number(const std::string& p__string__Text) {
    char* l__PCHAR__End = nullptr;
    long long l__LONGLONG__Value = std::strtoll(p__string__Text.c_str(), &l__PCHAR__End, 10);
    return (p__string__Text.empty() || *l__PCHAR__End != '\0') ? -1 : l__LONGLONG__Value;
}

std::vector<std::string> Lines(const std::string& p__string__Text) {
    std::vector<std::string> l__Lines;
    std::istringstream l__Stream(p__string__Text);
    std::string l__string__Line;
    while (std::getline(l__Stream, l__string__Line)) l__Lines.push_back(l__string__Line);
    return l__Lines;
}

// The ls -l columns the listings share: mode, links, user, group, size, then a date of three words.
const std::string g__string__Columns = "^([-a-z?][-rwxsStT]{9}) +[0-9]+ +([^ ]+) +([^ ]+) +([0-9]+) +[A-Z][a-z]{2} +[0-9]+ +[0-9:]+ ";

// xorriso -find / -exec lsdl: ls -dl lines with the paths quoted, "-> 'TARGET'" after a link.
std::vector<Shown> ParseXorrisoListing(const std::string& p__string__Text) {
    static const std::regex s__Line(g__string__Columns + "'/(.*?)'( -> '(.*)')?$");
    std::vector<Shown> l__Shown;
    for (const std::string& l__string__Line : Lines(p__string__Text)) {
        std::smatch l__Match;
        if (!std::regex_match(l__string__Line, l__Match, s__Line) || l__Match[5].str().empty()) continue;  // not an entry, or the root
        Shown l__Entry;
        l__Entry.m__string__Mode = l__Match[1];
        l__Entry.m__LONGLONG__User = Number(l__Match[2]);
        l__Entry.m__LONGLONG__Group = Number(l__Match[3]);
        l__Entry.m__LONGLONG__Size = Number(l__Match[4]);
        l__Entry.m__string__Path = l__Match[5];
        l__Entry.m__string__Target = l__Match[7];
        l__Shown.push_back(l__Entry);
    }
    return l__Shown;
}

// isoinfo -R -l: a "Directory listing of /DIR/" head, then ls -l lines with the extent in
// brackets and the name after two blanks ("NAME -> TARGET" for a link), "." and ".." first.
// Its link count, user and group columns run into each other when the numbers are wide
// (65534 for nobody): only the size, the last number before the date, is read of them.
std::vector<Shown> ParseIsoInfoListing(const std::string& p__string__Text) {
    static const std::regex s__Line("^([-a-z?][-rwxsStT]{9}) +[0-9 ]*[ ]([0-9]+) +[A-Z][a-z]{2} +[0-9]+ +[0-9]{4} +"
                                    "\\[ *[0-9]+ +[0-9a-fA-F]+\\]  (.*)$");
    const std::string l__string__Head = "Directory listing of /";
    std::vector<Shown> l__Shown;
    std::string l__string__Directory;
    for (const std::string& l__string__Line : Lines(p__string__Text)) {
        if (l__string__Line.compare(0, l__string__Head.size(), l__string__Head) == 0) {
            l__string__Directory = l__string__Line.substr(l__string__Head.size());
            continue;
        }
        std::smatch l__Match;
        if (!std::regex_match(l__string__Line, l__Match, s__Line)) continue;
        std::string l__string__Name = l__Match[3];
        if (!l__string__Name.empty() && l__string__Name.back() == ' ') l__string__Name.pop_back();
        Shown l__Entry;
        l__Entry.m__string__Mode = l__Match[1];
        if (l__Entry.m__string__Mode[0] == 'l') {
            size_t l__SIZE__Arrow = l__string__Name.find(" -> ");
            if (l__SIZE__Arrow != std::string::npos) {
                l__Entry.m__string__Target = l__string__Name.substr(l__SIZE__Arrow + 4);
                l__string__Name.resize(l__SIZE__Arrow);
            }
        }
        if (l__string__Name == "." || l__string__Name == "..") continue;
        l__Entry.m__string__Path = l__string__Directory + l__string__Name;
        l__Entry.m__LONGLONG__Size = Number(l__Match[2]);
        l__Shown.push_back(l__Entry);
    }
    return l__Shown;
}

// bsdtar -tvf: ls -l lines, "NAME -> TARGET" for a symbolic link and "NAME link to OTHER"
// for the second name of a hard link; "." is the root.
std::vector<Shown> ParseBsdtarListing(const std::string& p__string__Text) {
    static const std::regex s__Line(g__string__Columns + "(.*)$");
    std::vector<Shown> l__Shown;
    for (const std::string& l__string__Line : Lines(p__string__Text)) {
        std::smatch l__Match;
        if (!std::regex_match(l__string__Line, l__Match, s__Line) || l__Match[5] == ".") continue;
        Shown l__Entry;
        l__Entry.m__string__Mode = l__Match[1];
        l__Entry.m__LONGLONG__User = Number(l__Match[2]);
        l__Entry.m__LONGLONG__Group = Number(l__Match[3]);
        l__Entry.m__LONGLONG__Size = Number(l__Match[4]);
        std::string l__string__Name = l__Match[5];
        const char* l__PCHAR__Separator = l__Entry.m__string__Mode[0] == 'l' ? " -> " : " link to ";
        size_t l__SIZE__At = l__string__Name.find(l__PCHAR__Separator);
        if (l__SIZE__At != std::string::npos) {
            std::string l__string__Other = l__string__Name.substr(l__SIZE__At + std::strlen(l__PCHAR__Separator));
            (l__Entry.m__string__Mode[0] == 'l' ? l__Entry.m__string__Target : l__Entry.m__string__HardLink) = l__string__Other;
            l__string__Name.resize(l__SIZE__At);
        }
        l__Entry.m__string__Path = l__string__Name;
        l__Shown.push_back(l__Entry);
    }
    return l__Shown;
}

// 7z l -slt: after a line of dashes, one block of "Key = Value" lines an entry, each block
// starting with its Path; Modified is local time (run in UTC) to the second.
std::vector<Shown> ParseSevenZipListing(const std::string& p__string__Text) {
    std::vector<Shown> l__Shown;
    bool l__bool__Entries = false;
    for (const std::string& l__string__Line : Lines(p__string__Text)) {
        if (l__string__Line == "----------") {
            l__bool__Entries = true;
            continue;
        }
        size_t l__SIZE__Equals = l__string__Line.find(" = ");
        if (!l__bool__Entries || l__SIZE__Equals == std::string::npos) continue;
        std::string l__string__Key = l__string__Line.substr(0, l__SIZE__Equals);
        std::string l__string__Value = l__string__Line.substr(l__SIZE__Equals + 3);
        if (l__string__Key == "Path") {
            l__Shown.emplace_back();
            l__Shown.back().m__string__Path = l__string__Value;
        } else if (l__Shown.empty()) {
            continue;
        } else if (l__string__Key == "Mode") {
            l__Shown.back().m__string__Mode = l__string__Value;
        } else if (l__string__Key == "Symbolic Link") {
            l__Shown.back().m__string__Target = l__string__Value;
        } else if (l__string__Key == "Size") {
            l__Shown.back().m__LONGLONG__Size = Number(l__string__Value);
        } else if (l__string__Key == "Modified") {
            std::tm l__tm__Time{};
            const char* l__PCHAR__End = ::strptime(l__string__Value.c_str(), "%Y-%m-%d %H:%M:%S", &l__tm__Time);
            if (l__PCHAR__End != nullptr && *l__PCHAR__End == '\0') l__Shown.back().m__LONGLONG__ModifyTime = ::timegm(&l__tm__Time);
            else ADD_FAILURE() << "7z time not to the second: " << l__string__Value;
        }
    }
    return l__Shown;
}

// xorriso -compare_r: one line a difference, "T 'PATH' (DISK|ISO) : what differs", the path
// on the disk or in the image. Returns them but for the root's own attributes (the image
// root stands for all the sources together) and genisoimage's unmarked rr_moved.
std::vector<std::string> CompareDifferences(const std::string& p__string__Text, const std::string& p__string__Source) {
    static const std::regex s__Line("^. '(.*)' +\\((DISK|ISO)\\) : .*$");
    std::vector<std::string> l__Differences;
    for (const std::string& l__string__Line : Lines(p__string__Text)) {
        std::smatch l__Match;
        if (!std::regex_match(l__string__Line, l__Match, s__Line)) continue;
        std::string l__string__Path = l__Match[1];
        const std::string l__string__Root = l__Match[2] == "DISK" ? p__string__Source : "";
        if (l__string__Path == l__string__Root || (l__string__Root.empty() && l__string__Path == "/")) continue;
        std::string l__string__Relative = l__string__Path.substr(std::min(l__string__Path.size(), l__string__Root.size() + 1));
        if (RelocationUnmarked() && l__string__Relative == g__string__Relocation) continue;
        l__Differences.push_back(l__string__Line);
    }
    return l__Differences;
}

std::string Joined(const std::vector<std::string>& p__Lines) {
    std::string l__string__Text;
    for (const std::string& l__string__Line : p__Lines) l__string__Text.append(l__string__Line).append("\n");
    return l__string__Text;
}

// --- What an extractor wrote -----------------------------------------------------------

struct Extractor {
    bool m__bool__KeepsSetUserId;  // else the extracted files have none
    bool m__bool__KeepsLinkTimes;  // symbolic links get their modify time back
    bool m__bool__KeepsHardLinks;  // one file of two names
    bool m__bool__DropsSlashBetweenLinkEntries;  // as ReaderTraits
};

// The extracted tree is the source: the same paths, types, permission bits, link targets,
// contents, modify times to the second and access times of regular files.
void ExpectExtracted(const std::string& p__string__Directory, const MasteredTree& p__Tree, const Extractor& p__Extractor) {
    PosixTree::Map l__Extracted = PosixTree::Walk(p__string__Directory);
    if (RelocationUnmarked()) l__Extracted.erase(g__string__Relocation);
    for (const auto& [l__string__Path, l__Entry] : l__Extracted)
        EXPECT_EQ(p__Tree.m__Entries.count(l__string__Path), 1u) << "extracted but not in the source: " << l__string__Path;
    std::map<std::pair<uint64_t, uint64_t>, std::string> l__FirstName;
    for (const auto& [l__string__Path, l__Source] : p__Tree.m__Entries) {
        SCOPED_TRACE(l__string__Path);
        auto l__Found = l__Extracted.find(l__string__Path);
        if (l__Found == l__Extracted.end()) {
            ADD_FAILURE() << "not extracted";
            continue;
        }
        const PosixTree::Entry& l__Got = l__Found->second;
        EXPECT_EQ(l__Got.m__CHAR__Type, l__Source.m__CHAR__Type);
        const unsigned l__unsigned__Kept = p__Extractor.m__bool__KeepsSetUserId ? 07777 : 0777;
        if (l__Source.m__CHAR__Type != 'l') {
            EXPECT_EQ(l__Got.m__unsigned__Mode, l__Source.m__unsigned__Mode & l__unsigned__Kept);
        }
        EXPECT_TRUE(SameTarget(l__Got.m__string__Target, l__Source.m__string__Target, p__Extractor.m__bool__DropsSlashBetweenLinkEntries))
            << l__Got.m__string__Target << " for " << l__Source.m__string__Target;
        if (l__Source.m__CHAR__Type != 'l' || p__Extractor.m__bool__KeepsLinkTimes) {
            EXPECT_EQ(l__Got.m__LONGLONG__ModifyTime, l__Source.m__LONGLONG__ModifyTime);
        }
        if (l__Source.m__CHAR__Type != '-') continue;
        EXPECT_EQ(l__Got.m__LONGLONG__AccessTime, l__Source.m__LONGLONG__AccessTime);
        uint64_t l__ULONGLONG__Got = 0;
        uint64_t l__ULONGLONG__Want = 0;
        EXPECT_EQ(Fnv1a(p__string__Directory + "/" + l__string__Path, &l__ULONGLONG__Got),
                  Fnv1a(p__Tree.m__string__Source + "/" + l__string__Path, &l__ULONGLONG__Want));
        EXPECT_EQ(l__ULONGLONG__Got, l__Source.m__ULONGLONG__Size);
        // The names of one source file are one extracted file again.
        auto [l__Name, l__bool__First] =
            l__FirstName.emplace(std::make_pair(l__Source.m__ULONGLONG__Device, l__Source.m__ULONGLONG__Inode), l__string__Path);
        if (!l__bool__First && p__Extractor.m__bool__KeepsHardLinks && l__Extracted.count(l__Name->second) != 0) {
            EXPECT_EQ(l__Got.m__ULONGLONG__Inode, l__Extracted.at(l__Name->second).m__ULONGLONG__Inode) << "a hard link of " << l__Name->second;
        }
    }
}

// --- Without Rock Ridge ----------------------------------------------------------------

// A directory record carries a system use area when it is longer than its identifier needs.
size_t SystemUseLength(const UCHAR* p__PUCHAR__Record) {
    size_t l__SIZE__Needed = 33 + p__PUCHAR__Record[32] + (p__PUCHAR__Record[32] % 2 == 0 ? 1 : 0);
    return p__PUCHAR__Record[0] > l__SIZE__Needed ? p__PUCHAR__Record[0] - l__SIZE__Needed : 0;
}

}  // namespace

class RockRidgeInterop : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Reference().empty()) REQUIRE_TOOL(Reference());
    }

    // A fresh tree in its own folder of the scratch directory, noted before anything reads it,
    // and its image with Rock Ridge (-R -J with p__bool__Joliet).
    void Master(bool p__bool__Joliet, MasteredTree* p__Tree) {
        const std::string l__string__Name = p__bool__Joliet ? "rr-joliet" : "rr";
        p__Tree->m__string__Source = m__Scratch / (l__string__Name + "-src");
        p__Tree->m__string__Image = m__Scratch / (l__string__Name + ".iso");
        ASSERT_NO_FATAL_FAILURE(GenerateSource(p__Tree->m__string__Source));
        p__Tree->m__Entries = PosixTree::Walk(p__Tree->m__string__Source);
        ASSERT_EQ(p__Tree->m__Entries.size(), 36u);
        // Bounded: a writer that loops on some entry fails the case instead of stalling it.
        BoundedProcess l__Process(MasterCommand(p__Tree->m__string__Source, p__Tree->m__string__Image, p__bool__Joliet),
                                  m__Scratch / (l__string__Name + ".log"));
        BoundedProcess::Result l__Result = l__Process.Run(120);
        ASSERT_FALSE(l__Result.m__bool__TimedOut) << l__Process.Output();
        ASSERT_EQ(l__Result.m__int__Exit, 0) << l__Process.Output();
    }

    MasteringScratch m__Scratch;
};

TEST_F(RockRidgeInterop, XorrisoListsEveryPathModeTargetAndTime) {
    REQUIRE_TOOL("xorriso");
    for (bool l__bool__Joliet : {false, true}) {
        SCOPED_TRACE(l__bool__Joliet ? "-R -J" : "-R");
        MasteredTree l__Tree;
        ASSERT_NO_FATAL_FAILURE(Master(l__bool__Joliet, &l__Tree));
        auto l__Listing = RunCommand(g__string__Locale + "xorriso -indev " + Quote(l__Tree.m__string__Image) + " -find / -exec lsdl -- 2>&1");
        ASSERT_EQ(l__Listing.first, 0) << l__Listing.second;
        ExpectShown(ParseXorrisoListing(l__Listing.second), l__Tree, ReaderTraits{true, ModeLetters::Ls, true, false});
        // Modify and attribute-change times to the second, contents, owners and modes, by
        // xorriso's own comparison with the source.
        auto l__Compare = RunCommand(g__string__Locale + "xorriso -indev " + Quote(l__Tree.m__string__Image) + " -compare_r " +
                                     Quote(l__Tree.m__string__Source) + " / 2>&1");
        ASSERT_EQ(l__Compare.first, 0) << l__Compare.second;
        std::vector<std::string> l__Differences = CompareDifferences(l__Compare.second, l__Tree.m__string__Source);
        EXPECT_TRUE(l__Differences.empty()) << Joined(l__Differences);
        // Either it found the trees equal, or what it found was read above.
        EXPECT_TRUE(l__Compare.second.find("Both file objects match as far as expectable.") != std::string::npos ||
                    l__Compare.second.find("Differences detected.") != std::string::npos)
            << l__Compare.second;
    }
}

TEST_F(RockRidgeInterop, IsoInfoListsNamesModesAndTargetsWithRelocatedDirectoriesUnderRrMoved) {
    REQUIRE_TOOL("isoinfo");
    for (bool l__bool__Joliet : {false, true}) {
        SCOPED_TRACE(l__bool__Joliet ? "-R -J" : "-R");
        MasteredTree l__Tree;
        ASSERT_NO_FATAL_FAILURE(Master(l__bool__Joliet, &l__Tree));
        auto l__Listing = RunCommand(g__string__Locale + "isoinfo -R -l -i " + Quote(l__Tree.m__string__Image) + " 2>&1");
        ASSERT_EQ(l__Listing.first, 0) << l__Listing.second;
        ExpectShown(ParseIsoInfoListing(l__Listing.second), l__Tree, ReaderTraits{false, ModeLetters::IsoInfo, true, false});
    }
}

TEST_F(RockRidgeInterop, BsdtarListsNamesModesTargetsAndTheHardLink) {
    REQUIRE_TOOL("bsdtar");
    for (bool l__bool__Joliet : {false, true}) {
        SCOPED_TRACE(l__bool__Joliet ? "-R -J" : "-R");
        MasteredTree l__Tree;
        ASSERT_NO_FATAL_FAILURE(Master(l__bool__Joliet, &l__Tree));
        auto l__Listing = RunCommand(g__string__Locale + "bsdtar -tvf " + Quote(l__Tree.m__string__Image) + " 2>&1");
        ASSERT_EQ(l__Listing.first, 0) << l__Listing.second;
        std::vector<Shown> l__Shown = ParseBsdtarListing(l__Listing.second);
        ExpectShown(l__Shown, l__Tree, ReaderTraits{true, ModeLetters::Ls, true, true});
        // The two names of one file: the second is listed as a link to the first.
        size_t l__SIZE__HardLinks = 0;
        for (const Shown& l__Entry : l__Shown) {
            if (l__Entry.m__string__HardLink.empty()) continue;
            ++l__SIZE__HardLinks;
            ASSERT_EQ(l__Tree.m__Entries.count(l__Entry.m__string__HardLink), 1u) << l__Entry.m__string__HardLink;
            EXPECT_EQ(l__Tree.m__Entries.at(l__Entry.m__string__HardLink).m__ULONGLONG__Inode,
                      l__Tree.m__Entries.at(l__Entry.m__string__Path).m__ULONGLONG__Inode)
                << l__Entry.m__string__Path;
        }
        EXPECT_EQ(l__SIZE__HardLinks, 1u) << l__Listing.second;
    }
}

// 7z reads the Joliet names when there are any; its Rock Ridge reading is judged on -R alone.
// It reads no continuation areas: of a name of 200 bytes and of a link target of 322 it shows
// what the record holds.
TEST_F(RockRidgeInterop, SevenZipListsNamesModesTargetsAndTimes) {
    REQUIRE_TOOL("7z");
    MasteredTree l__Tree;
    ASSERT_NO_FATAL_FAILURE(Master(false, &l__Tree));
    auto l__Listing = RunCommand(g__string__Locale + "7z l -slt " + Quote(l__Tree.m__string__Image) + " 2>&1");
    ASSERT_EQ(l__Listing.first, 0) << l__Listing.second;
    std::vector<Shown> l__Shown = ParseSevenZipListing(l__Listing.second);
    ExpectShown(l__Shown, l__Tree, ReaderTraits{false, ModeLetters::Ls, false, false});
}

TEST_F(RockRidgeInterop, BsdtarExtractsTheTreeAsItWas) {
    REQUIRE_TOOL("bsdtar");
    for (bool l__bool__Joliet : {false, true}) {
        SCOPED_TRACE(l__bool__Joliet ? "-R -J" : "-R");
        MasteredTree l__Tree;
        ASSERT_NO_FATAL_FAILURE(Master(l__bool__Joliet, &l__Tree));
        std::string l__string__Directory = m__Scratch.Directory(l__bool__Joliet ? "bsdtar-joliet" : "bsdtar");
        auto l__Extract = RunCommand("umask 022; " + g__string__Locale + "bsdtar -xf " + Quote(l__Tree.m__string__Image) + " -C " +
                                     Quote(l__string__Directory) + " 2>&1");
        ASSERT_EQ(l__Extract.first, 0) << l__Extract.second;
        // bsdtar keeps set-user-ID only for root; it restores the times of links and hard links,
        // and drops the slash between two SL entries of the long target.
        ExpectExtracted(l__string__Directory, l__Tree, Extractor{::geteuid() == 0, true, true, true});
    }
}

TEST_F(RockRidgeInterop, XorrisoExtractsTheTreeAsItWas) {
    REQUIRE_TOOL("xorriso");
    for (bool l__bool__Joliet : {false, true}) {
        SCOPED_TRACE(l__bool__Joliet ? "-R -J" : "-R");
        MasteredTree l__Tree;
        ASSERT_NO_FATAL_FAILURE(Master(l__bool__Joliet, &l__Tree));
        std::string l__string__Directory = m__Scratch.Directory(l__bool__Joliet ? "xorriso-joliet" : "xorriso");
        auto l__Extract = RunCommand("umask 022; " + g__string__Locale + "xorriso -osirrox on -indev " + Quote(l__Tree.m__string__Image) +
                                     " -extract / " + Quote(l__string__Directory) + " 2>&1");
        ASSERT_EQ(l__Extract.first, 0) << l__Extract.second;
        // xorriso keeps set-user-ID for anyone; links get the time of the extraction, and hard
        // links become separate files unless asked otherwise.
        ExpectExtracted(l__string__Directory, l__Tree, Extractor{true, false, false, false});
    }
}

TEST_F(RockRidgeInterop, IsovfyFindsNoErrorInTheRockRidgeImage) {
    REQUIRE_TOOL("isovfy");
    REQUIRE_TOOL("isoinfo");
    for (bool l__bool__Joliet : {false, true}) {
        SCOPED_TRACE(l__bool__Joliet ? "-R -J" : "-R");
        MasteredTree l__Tree;
        ASSERT_NO_FATAL_FAILURE(Master(l__bool__Joliet, &l__Tree));
        auto l__Info = RunCommand("isoinfo -d -i " + Quote(l__Tree.m__string__Image) + " 2>&1");
        EXPECT_NE(l__Info.second.find("Rock Ridge signatures version 1 found"), std::string::npos) << l__Info.second;
        EXPECT_EQ(l__Info.second.find(l__bool__Joliet ? "NO Joliet present" : "Joliet with UCS"), std::string::npos) << l__Info.second;
        auto l__Vfy = RunCommand("isovfy " + Quote(l__Tree.m__string__Image) + " 2>&1");
        EXPECT_EQ(l__Vfy.first, 0);
        EXPECT_NE(l__Vfy.second.find("No errors found"), std::string::npos) << l__Vfy.second.substr(0, 4000);
        // Besides the root's place and the error counts, every line isovfy writes is an error.
        static const std::regex s__Quiet("^(Root at extent [0-9a-f]+, [0-9]+ bytes|\\[0 0\\]|No errors found)$");
        for (const std::string& l__string__Line : Lines(l__Vfy.second))
            EXPECT_TRUE(std::regex_match(l__string__Line, s__Quiet)) << l__string__Line;
    }
}

// Without -R the image is the one tarnwick-mkiso made before Rock Ridge existed: no
// directory record carries a system use area, links are read as the files they lead to,
// and the bytes (the dates of the build and of the root directory, which are the time of
// the build, left out) have the digest the build before Rock Ridge gave.
TEST_F(RockRidgeInterop, WithoutRockRidgeTheImageIsTheOneBuiltBefore) {
    std::string l__string__Source = m__Scratch / "plain-src";
    std::mt19937 l__Random(9660);
    ASSERT_NO_FATAL_FAILURE(MakeDirectory(l__string__Source, 0755));
    ASSERT_NO_FATAL_FAILURE(WriteFile(l__string__Source + "/MixedCase.TXT", "Mixed case\n", 0644));
    ASSERT_NO_FATAL_FAILURE(WriteFile(l__string__Source + "/data.bin", RandomBytes(l__Random, 5000), 0600));
    ASSERT_NO_FATAL_FAILURE(MakeDirectory(l__string__Source + "/Dir", 0750));
    ASSERT_NO_FATAL_FAILURE(MakeDirectory(l__string__Source + "/Dir/Sub", 0755));
    ASSERT_NO_FATAL_FAILURE(WriteFile(l__string__Source + "/Dir/Sub/file.txt", "in a subdirectory\n", 0755));
    ASSERT_NO_FATAL_FAILURE(MakeLink("MixedCase.TXT", l__string__Source + "/alias"));
    ASSERT_NO_FATAL_FAILURE(SetTimes(l__string__Source));
    std::string l__string__Image = m__Scratch / "plain.iso";
    auto [l__INT__Status, l__string__Output] =
        RunCommand("TZ=UTC " + std::string(TARNWICK_MKISO) + " -V PLAIN -o " + Quote(l__string__Image) + " " + Quote(l__string__Source) + " 2>&1");
    ASSERT_EQ(l__INT__Status, 0) << l__string__Output;
    std::ifstream l__Stream(l__string__Image, std::ios::binary);
    std::vector<UCHAR> l__Image((std::istreambuf_iterator<char>(l__Stream)), std::istreambuf_iterator<char>());
    ASSERT_GE(l__Image.size(), 18u * 2048);
    EXPECT_NE(l__string__Output.find("image of " + std::to_string(l__Image.size() / 2048) + " sectors"), std::string::npos) << l__string__Output;
    UCHAR* l__PUCHAR__Volume = l__Image.data() + 16 * 2048;
    ASSERT_EQ(std::string(reinterpret_cast<const char*>(l__PUCHAR__Volume), 6), std::string("\x01" "CD001"));
    const ULONG l__ULONG__Root = Le32(l__PUCHAR__Volume + 156 + 2);

    // Every directory, from the root down: no system use area, and the link a file of the
    // target's size. The dates of records that name the root are masked on the way.
    std::vector<std::pair<ULONG, ULONG>> l__Directories{{l__ULONG__Root, Le32(l__PUCHAR__Volume + 156 + 10)}};
    std::set<ULONG> l__Seen;
    size_t l__SIZE__Records = 0;
    bool l__bool__AliasSeen = false;
    std::memset(l__PUCHAR__Volume + 156 + 18, 0, 7);
    while (!l__Directories.empty()) {
        auto [l__ULONG__Extent, l__ULONG__Length] = l__Directories.back();
        l__Directories.pop_back();
        if (!l__Seen.insert(l__ULONG__Extent).second) continue;
        ASSERT_LE((static_cast<uint64_t>(l__ULONG__Extent) * 2048) + l__ULONG__Length, l__Image.size());
        UCHAR* l__PUCHAR__Directory = l__Image.data() + static_cast<size_t>(l__ULONG__Extent) * 2048;
        for (const Record& l__Record : Records(l__PUCHAR__Directory, l__ULONG__Length)) {
            UCHAR* l__PUCHAR__Record = l__PUCHAR__Directory + l__Record.m__SIZE__Offset;
            ++l__SIZE__Records;
            EXPECT_EQ(SystemUseLength(l__PUCHAR__Record), 0u) << "record " << l__Record.m__string__Identifier << " in the directory at " << l__ULONG__Extent;
            if (l__Record.m__ULONG__Extent == l__ULONG__Root) std::memset(l__PUCHAR__Record + 18, 0, 7);
            if (l__Record.m__string__Identifier == "ALIAS") {
                l__bool__AliasSeen = true;
                EXPECT_EQ(l__Record.m__UCHAR__Flags & 2, 0);
                EXPECT_EQ(l__Record.m__ULONG__Length, std::strlen("Mixed case\n"));
            }
            bool l__bool__Self = l__Record.m__string__Identifier.size() == 1 && static_cast<UCHAR>(l__Record.m__string__Identifier[0]) <= 1;
            if ((l__Record.m__UCHAR__Flags & 2) != 0 && !l__bool__Self)
                l__Directories.emplace_back(l__Record.m__ULONG__Extent, l__Record.m__ULONG__Length);
        }
    }
    EXPECT_TRUE(l__bool__AliasSeen);
    EXPECT_EQ(l__SIZE__Records, 3u * 2 + 6u);  // "." and ".." of three directories, six entries
    const std::string l__string__Bytes(l__Image.begin(), l__Image.end());
    EXPECT_EQ(l__string__Bytes.find("IEEE_P1282"), std::string::npos);
    EXPECT_EQ(l__string__Bytes.find("RRIP_1991A"), std::string::npos);
    // The volume's creation and modification dates are the time of the build.
    std::memset(l__PUCHAR__Volume + 813, 0, 34);
    uint64_t l__ULONGLONG__Digest = 1469598103934665603ull;
    for (UCHAR l__UCHAR__Byte : l__Image) l__ULONGLONG__Digest = (l__ULONGLONG__Digest ^ l__UCHAR__Byte) * 1099511628211ull;
    // What the build before Rock Ridge (ebfd509) gives for this tree.
    EXPECT_EQ(l__Image.size(), 32u * 2048);
    EXPECT_EQ(l__ULONGLONG__Digest, 13399875492232053477ull);
}
