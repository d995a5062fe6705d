#include "CTarnwick_CliFailure.h"

#include <grp.h>
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <utility>

#include "CTarnwick_SenseText.h"

namespace {

// A word as a shell takes it: quoted when it holds anything but plain path characters.
std::string ShellWord(const std::string& p__string__Word) {
    bool l__bool__Plain = !p__string__Word.empty();
    for (const char l__CHAR__Char : p__string__Word) {
        const bool l__bool__Ok = (l__CHAR__Char >= 'a' && l__CHAR__Char <= 'z') || (l__CHAR__Char >= 'A' && l__CHAR__Char <= 'Z') ||
                                 (l__CHAR__Char >= '0' && l__CHAR__Char <= '9') || std::string("_-./:=+,@%").find(l__CHAR__Char) != std::string::npos;
        if (!l__bool__Ok) l__bool__Plain = false;
    }
    if (l__bool__Plain) return p__string__Word;
    std::string l__string__Quoted = "'";
    for (const char l__CHAR__Char : p__string__Word) {
        if (l__CHAR__Char == '\'') l__string__Quoted.append("'\\''");
        else l__string__Quoted.push_back(l__CHAR__Char);
    }
    return l__string__Quoted.append("'");
}

// The file a failure's text names ("cannot open PATH: reason"), with the verb that failed;
// else the file of the drive (a device node, or the disc file of "virtual:FILE").
void FileOf(const std::string& p__string__Text, const std::string& p__string__Drive, std::string& p__string__Path,
            std::string& p__string__Verb) {
    for (const char* l__PCHAR__Verb : {"open", "write", "create", "read"}) {
        const std::string l__string__Prefix = std::string("cannot ").append(l__PCHAR__Verb).append(" ");
        if (p__string__Text.rfind(l__string__Prefix, 0) != 0) continue;
        const size_t l__size_t__End = p__string__Text.rfind(": ");
        if (l__size_t__End == std::string::npos || l__size_t__End <= l__string__Prefix.size()) break;
        p__string__Path = p__string__Text.substr(l__string__Prefix.size(), l__size_t__End - l__string__Prefix.size());
        p__string__Verb = l__PCHAR__Verb == std::string("create") ? "write" : l__PCHAR__Verb;
        return;
    }
    const std::string l__string__Virtual = "virtual:";
    p__string__Path = p__string__Drive.rfind(l__string__Virtual, 0) == 0 ? p__string__Drive.substr(l__string__Virtual.size()) : p__string__Drive;
    p__string__Verb = "open";
}

// What to do when the system refused a file or a device node (EACCES, EPERM, EROFS).
std::string PermissionRemedy(const std::string& p__string__Path, const std::string& p__string__Verb, int p__int__Error) {
    const std::string l__string__Path = p__string__Path.empty() ? std::string("the file") : p__string__Path;
    if (p__int__Error == EROFS)
        return std::string("you may not write ").append(l__string__Path).append(
            ": it is on a read-only file system (choose a file on a writable one, or remount it read-write)");
    std::string l__string__Remedy = "you may not ";
    l__string__Remedy.append(p__string__Verb).append(" ").append(l__string__Path).append(": check its owner and group (ls -l ")
        .append(ShellWord(l__string__Path)).append(")");
    struct stat l__Stat {};
    const bool l__bool__Known = !p__string__Path.empty() && ::stat(p__string__Path.c_str(), &l__Stat) == 0;
    if (l__bool__Known && (S_ISCHR(l__Stat.st_mode) || S_ISBLK(l__Stat.st_mode))) {
        // A drive's device node: its group is the one to join.
        const struct group* l__Group = ::getgrgid(l__Stat.st_gid);
        if (l__Group != nullptr && l__Group->gr_name != nullptr && l__Stat.st_gid != 0) {
            const std::string l__string__Group = l__Group->gr_name;
            l__string__Remedy.append(", e.g. add yourself to the group that owns the device (sudo usermod -aG ")
                .append(ShellWord(l__string__Group)).append(" \"$USER\", then log in again)");
        } else {
            l__string__Remedy.append(", e.g. add yourself to the group that owns the device, then log in again");
        }
        return l__string__Remedy.append(", or choose another drive");
    }
    return l__string__Remedy.append(", e.g. make it writable for you (chmod u+w, or add yourself to its group), or choose another file");
}

// The toolkit's text without the name of the function that raised it ("Class::Function(): ")
// and without its trailing exclamation marks.
std::string Tidy(const std::string& p__string__Text) {
    std::string l__string__Text = p__string__Text;
    const size_t l__size_t__Marker = l__string__Text.find("(): ");
    if (l__size_t__Marker != std::string::npos && l__size_t__Marker > 0) {
        bool l__bool__Name = true;
        for (size_t l__size_t__At = 0; l__size_t__At < l__size_t__Marker; ++l__size_t__At) {
            const char l__CHAR__Char = l__string__Text[l__size_t__At];
            if (!std::isalnum(static_cast<unsigned char>(l__CHAR__Char)) && l__CHAR__Char != '_' && l__CHAR__Char != ':') l__bool__Name = false;
        }
        if (l__bool__Name) l__string__Text.erase(0, l__size_t__Marker + 4);
    }
    while (!l__string__Text.empty() && l__string__Text.back() == '!') l__string__Text.pop_back();
    return l__string__Text;
}

}  // namespace

CTarnwick_CliFailure::CTarnwick_CliFailure(std::string p__string__Operation, std::string p__string__Drive,
                                           ULONG p__ULONG__Number, std::string p__string__Text, ULONG p__ULONG__Status,
                                           const CDB_FAILURE_INFORMATION& p__Info)
    : m__string__Operation(std::move(p__string__Operation)),
      m__string__Drive(std::move(p__string__Drive)),
      m__ULONG__Number(p__ULONG__Number),
      m__string__Text(std::move(p__string__Text)),
      m__ULONG__Status(p__ULONG__Status) {
    Decode(p__Info);
    m__string__Text = Tidy(m__string__Text);
    // The transport's "Command failed" says less than the command it names.
    if (!m__string__Command.empty() && (m__string__Text == "Command failed" || m__string__Text.empty()))
        m__string__Text = std::string("the drive could not carry out ").append(m__string__Command);
    ChooseRemedy();
}

CTarnwick_CliFailure::CTarnwick_CliFailure(std::string p__string__Operation, std::string p__string__Drive,
                                           ULONG p__ULONG__Number, std::string p__string__Text,
                                           std::string p__string__Remedy)
    : m__string__Operation(std::move(p__string__Operation)),
      m__string__Drive(std::move(p__string__Drive)),
      m__ULONG__Number(p__ULONG__Number),
      m__string__Text(std::move(p__string__Text)),
      m__string__Remedy(std::move(p__string__Remedy)) {
    if (m__string__Remedy.empty()) ChooseRemedy();
}

void CTarnwick_CliFailure::Decode(const CDB_FAILURE_INFORMATION& p__Info) {
    if (p__Info.m__UCHAR__IsValid == 0) return;
    const unsigned l__unsigned__Length = p__Info.m__UCHAR__CDBLength <= 16 ? p__Info.m__UCHAR__CDBLength : 16;
    char l__CHAR__Hex[4];
    for (unsigned i = 0; i < l__unsigned__Length; ++i) {
        std::snprintf(l__CHAR__Hex, sizeof(l__CHAR__Hex), i == 0 ? "%02X" : " %02X", p__Info.m__UCHAR__CDB[i]);
        m__string__Cdb.append(l__CHAR__Hex);
    }
    if (l__unsigned__Length > 0) m__string__Command = CTarnwick_SenseText::Command(p__Info.m__UCHAR__CDB[0]);

    // Only the bytes the record says it holds count; the response code tells the layout.
    const unsigned l__unsigned__SenseLength =
        p__Info.m__UCHAR__SenseLength <= sizeof(p__Info.m__UCHAR__Sense) ? p__Info.m__UCHAR__SenseLength : sizeof(p__Info.m__UCHAR__Sense);
    if (l__unsigned__SenseLength == 0) return;
    const UCHAR* l__PUCHAR__Sense = p__Info.m__UCHAR__Sense;
    const UCHAR l__UCHAR__Response = l__PUCHAR__Sense[0] & 0x7F;
    if (l__UCHAR__Response == 0x70 || l__UCHAR__Response == 0x71) {
        // Fixed format: the key in byte 2, ASC and ASCQ in bytes 12 and 13 when the additional
        // length (byte 7) reaches them.
        if (l__unsigned__SenseLength < 3) return;
        m__bool__HasSense = true;
        m__UCHAR__Key = l__PUCHAR__Sense[2] & 0x0F;
        if (l__unsigned__SenseLength >= 14 && l__unsigned__SenseLength >= 8 && 8u + l__PUCHAR__Sense[7] >= 14u) {
            m__bool__HasAsc = true;
            m__UCHAR__Asc = l__PUCHAR__Sense[12];
            m__UCHAR__Ascq = l__PUCHAR__Sense[13];
        }
    } else if (l__UCHAR__Response == 0x72 || l__UCHAR__Response == 0x73) {
        // Descriptor format: key, ASC and ASCQ in bytes 1 to 3.
        if (l__unsigned__SenseLength < 2) return;
        m__bool__HasSense = true;
        m__UCHAR__Key = l__PUCHAR__Sense[1] & 0x0F;
        if (l__unsigned__SenseLength >= 4) {
            m__bool__HasAsc = true;
            m__UCHAR__Asc = l__PUCHAR__Sense[2];
            m__UCHAR__Ascq = l__PUCHAR__Sense[3];
        }
    } else {
        return;  // no sense data the drive vouches for
    }
    char l__CHAR__Codes[32];
    m__string__Sense = CTarnwick_SenseText::Key(m__UCHAR__Key);
    if (m__bool__HasAsc) {
        std::snprintf(l__CHAR__Codes, sizeof(l__CHAR__Codes), " (%X/%02X/%02X)", m__UCHAR__Key, m__UCHAR__Asc, m__UCHAR__Ascq);
        m__string__Sense.append(": ").append(CTarnwick_SenseText::Additional(m__UCHAR__Asc, m__UCHAR__Ascq)).append(l__CHAR__Codes);
    } else {
        std::snprintf(l__CHAR__Codes, sizeof(l__CHAR__Codes), " (%X)", m__UCHAR__Key);
        m__string__Sense.append(l__CHAR__Codes);
    }
}

std::string CTarnwick_CliFailure::NotBlankRemedy(bool p__bool__Rewritable) {
    return p__bool__Rewritable ? "the disc is not blank: erase it with `tarnwick blank` (or insert a blank disc)"
                               : "the disc is not blank and cannot be erased: insert a blank disc";
}

void CTarnwick_CliFailure::ChooseRemedy() {
    const std::string l__string__Drive = m__string__Drive.empty() ? std::string("the drive") : m__string__Drive;
    if (m__ULONG__Number == EXCEPTION_NUMBER_SYSTEM_ERROR &&
        (m__ULONG__Status == EACCES || m__ULONG__Status == EPERM || m__ULONG__Status == EROFS)) {
        std::string l__string__Path, l__string__Verb;
        FileOf(m__string__Text, m__string__Drive, l__string__Path, l__string__Verb);
        m__string__Remedy = PermissionRemedy(l__string__Path, l__string__Verb, static_cast<int>(m__ULONG__Status));
        return;
    }
    const UCHAR l__UCHAR__Asc = m__bool__HasAsc ? m__UCHAR__Asc : 0xFF;
    const UCHAR l__UCHAR__Ascq = m__UCHAR__Ascq;
    const auto l__Is = [&](UCHAR p__UCHAR__Asc, UCHAR p__UCHAR__Ascq) { return l__UCHAR__Asc == p__UCHAR__Asc && l__UCHAR__Ascq == p__UCHAR__Ascq; };
    if (m__bool__HasSense) {
        if (l__UCHAR__Asc == 0x3A) {
            std::string l__string__Load = "tarnwick load";
            if (!m__string__Drive.empty()) l__string__Load.append(" --drive ").append(ShellWord(m__string__Drive));
            m__string__Remedy = l__UCHAR__Ascq == 0x02 ? std::string("put a disc in and close the tray: ").append(l__string__Load)
                                                       : std::string("insert a disc into ").append(l__string__Drive);
        } else if (m__UCHAR__Key == 0x07 || l__UCHAR__Asc == 0x27 || l__Is(0x5A, 0x02)) {
            m__string__Remedy = "the disc or drive is write-protected: use a disc that may be written, or release the "
                                "protection (the switch of a cartridge, or the drive's own setting)";
        } else if (l__Is(0x2C, 0x03) || l__Is(0x30, 0x05) || l__Is(0x64, 0x00)) {
            m__string__Remedy = "the disc is not blank or is closed where this writes: insert a blank disc, or erase a "
                                "rewritable one with `tarnwick blank`";
        } else if (l__Is(0x30, 0x10)) {
            m__string__Remedy = "the disc is not formatted: format it with `tarnwick format`";
        } else if (l__UCHAR__Asc == 0x30 && (l__UCHAR__Ascq <= 0x02 || l__UCHAR__Ascq == 0x04 || l__UCHAR__Ascq == 0x06 || l__UCHAR__Ascq == 0x08)) {
            m__string__Remedy = "the drive cannot use this disc for this: see which disc it is with `tarnwick info` and what the "
                                "drive writes with `tarnwick drives`, and insert a disc of a kind it takes";
        } else if (l__Is(0x73, 0x02) || l__Is(0x73, 0x03) || l__Is(0x73, 0x11)) {
            m__string__Remedy = "the drive could not calibrate its laser for this disc: try a lower writing speed, or a disc "
                                "of another make";
        } else if (l__Is(0x73, 0x05) || l__Is(0x73, 0x04) || l__Is(0x72, 0x05)) {
            m__string__Remedy = "the disc has no room left to record more tracks or sessions: use a new disc";
        } else if (l__UCHAR__Asc == 0x72) {
            m__string__Remedy = "the session could not be closed and the disc may be unreadable: burn again on a new disc, "
                                "at a lower writing speed";
        } else if (l__UCHAR__Asc == 0x63) {
            m__string__Remedy = "what is written does not fit in the room left on the disc: use a disc with more room";
        } else if (l__UCHAR__Asc == 0x0C || (m__UCHAR__Key == 0x03 && m__string__Command.rfind("WRITE", 0) == 0)) {
            m__string__Remedy = "writing failed on this disc: try a lower writing speed, or another disc";
        } else if (l__UCHAR__Asc == 0x11 || l__UCHAR__Asc == 0x57 || (m__UCHAR__Key == 0x03 && m__string__Command.rfind("READ", 0) == 0)) {
            m__string__Remedy = "the disc cannot be read there: clean it and try again; a scratched disc may not read at all";
        } else if (l__UCHAR__Asc == 0x6F) {
            m__string__Remedy = "the disc is copy-protected: the drive refuses these sectors without authentication";
        } else if (l__Is(0x53, 0x02)) {
            m__string__Remedy = "another program has locked the tray: end it (or let it release the drive) and try again";
        } else if (m__UCHAR__Key == 0x06) {
            m__string__Remedy = "the drive reported a change (a new disc, or a reset): run the command again";
        } else if (m__UCHAR__Key == 0x02 && l__UCHAR__Asc == 0x04) {
            m__string__Remedy = "the drive is busy (becoming ready, or finishing an operation): wait a moment and run the command again";
        } else if (m__UCHAR__Key == 0x04) {
            m__string__Remedy = "the drive reports a fault of its own: switch it off and on again; if that does not help, it needs repair";
        }
        if (!m__string__Remedy.empty()) return;
    }
    if (m__ULONG__Number == EXCEPTION_NUMBER_DEVICE_NOT_READY)
        m__string__Remedy = "the drive stayed busy or not ready: wait until it has settled (a disc just inserted takes a few "
                            "seconds) and run the command again";
}

std::vector<std::string> CTarnwick_CliFailure::Lines() const {
    std::vector<std::string> l__Lines;
    std::string l__string__First = "tarnwick ";
    l__string__First.append(m__string__Operation);
    if (!m__string__Drive.empty()) l__string__First.append(" on ").append(m__string__Drive);
    l__string__First.append(" failed (").append(std::to_string(m__ULONG__Number)).append("): ").append(m__string__Text);
    l__Lines.push_back(l__string__First);
    if (!m__string__Command.empty()) {
        std::string l__string__Line = "  command: ";
        l__string__Line.append(m__string__Command).append(" [").append(m__string__Cdb).append("]");
        l__Lines.push_back(l__string__Line);
    }
    if (!m__string__Sense.empty()) l__Lines.push_back(std::string("  sense: ").append(m__string__Sense));
    if (!m__string__Remedy.empty()) l__Lines.push_back(std::string("  remedy: ").append(m__string__Remedy));
    return l__Lines;
}
