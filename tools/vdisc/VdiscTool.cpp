#include "VdiscTool.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <iomanip>

#include "VdiscDiscReports.h"
#include "VdiscExporter.h"
#include "VdiscStore.h"

namespace {

const char* const USAGE =
    "Usage: tarnwick-vdisc COMMAND FILE [OPTIONS]\n"
    "\n"
    "Disc files of the virtual recorder (drives 'virtual:FILE' of TARNWICK_DRIVES).\n"
    "\n"
    "  blank FILE --media MEDIA [--layers 1|2] [--vendor V] [--product P] [--revision R] [--page30]\n"
    "             [--immed-polls N] [--rom-when-finalised] [--write-speed KBPS] [--command-log LOG]\n"
    "        insert a blank disc (creates FILE or replaces its disc); MEDIA is one of\n"
    "        cdr|cdrw|dvdr|dvdrw|dvdrw-ro|dvdplusr|dvdplusrw|dvdram|bdr|bdre; --layers 2 makes a\n"
    "        dual-layer BD; --rom-when-finalised makes the drive report a finalised CD-R as CD-ROM,\n"
    "        a finalised DVD-R or DVD+R as DVD-ROM and a finalised BD-R as BD-ROM;\n"
    "        --write-speed makes the drive record at KBPS kilobytes (1000 bytes) per second\n"
    "        (0: as fast as the disc file takes it); --command-log appends every command the drive\n"
    "        receives to LOG, one line each: the CDB in hex and GOOD, CHECK KEY/ASC/ASCQ or BUSY\n"
    "        (an empty LOG ends the logging)\n"
    "  info FILE\n"
    "        medium, drive identity, disc status, sessions and tracks\n"
    "  export FILE --track N OUT.iso\n"
    "        user data of data track N as 2048-byte sectors, from sector 0 up to the end of the track\n"
    "  export FILE --cue OUT.cue [--sub]\n"
    "        the whole CD as a CUE sheet with a raw 2352-byte BIN file beside it; --sub also writes\n"
    "        OUT.sub, the 96 bytes of raw P-W sub-channel of every block of the BIN, in its order\n"
    "  fault FILE [--write-fail LBA] [--read-fail LBA[:COUNT]]... [--busy N] [--not-ready N]\n"
    "             [--unit-attention] [--no-medium] [--immed-polls N] [--refuse OPCODE]...\n"
    "             [--refuse-immed-close] [--refuse-write-type N]... [--write-protect]\n"
    "  fault FILE --clear\n"
    "        faults the recorder shows: a failing WRITE at LBA (MEDIUM ERROR 0C/00), failing reads\n"
    "        of LBA COUNT times or always (MEDIUM ERROR 11/00), BUSY or NOT READY for the next N\n"
    "        commands, one UNIT ATTENTION 28/00, no medium; --immed-polls sets how many NOT READY\n"
    "        answers follow an operation sent with Immed; --refuse answers a command (0xBB...) as\n"
    "        unknown (ILLEGAL REQUEST 20/00); --refuse-immed-close refuses CLOSE TRACK/SESSION sent\n"
    "        with Immed (24/00); --refuse-write-type refuses write type N (0-4) in the write\n"
    "        parameters page (26/00); --write-protect makes the disc write-protected: WRITE(10/12),\n"
    "        BLANK, FORMAT UNIT, CLOSE TRACK/SESSION, RESERVE TRACK and SEND CUE SHEET answer DATA\n"
    "        PROTECT 27/00 and MODE SENSE sets WP in its header; --clear ends every fault\n";

bool Number(const std::string& p__string__Text, long long p__LONGLONG__Min, long long p__LONGLONG__Max, long long& p__LONGLONG__Value) {
    if (p__string__Text.empty()) return false;
    char* l__PCHAR__End = nullptr;
    errno = 0;
    long long l__LONGLONG__Value = std::strtoll(p__string__Text.c_str(), &l__PCHAR__End, 0);
    if (errno != 0 || *l__PCHAR__End != '\0' || l__LONGLONG__Value < p__LONGLONG__Min || l__LONGLONG__Value > p__LONGLONG__Max) return false;
    p__LONGLONG__Value = l__LONGLONG__Value;
    return true;
}

const char* StateName(const VdiscTrack& p__Track) {
    switch (p__Track.m__State) {
        case VdiscTrackState::Open: return "open";
        case VdiscTrackState::Reserved: return "reserved";
        default: return "closed";
    }
}

std::string ModeName(const VdiscTrack& p__Track, const VdiscState& p__State) {
    if (p__State.IsBd()) return "BD";
    if (!p__State.IsCd()) return "DVD";
    if ((p__Track.m__UCHAR__Control & 4) == 0) return "Audio";
    return p__Track.m__UCHAR__DataMode == 2 ? "Mode2" : "Mode1";
}

}  // namespace

int VdiscTool::Usage(int p__int__Code) {
    (p__int__Code == 0 ? m__Out : m__Err) << USAGE;
    return p__int__Code;
}

int VdiscTool::Fail(const std::string& p__string__Message) {
    m__Err << "tarnwick-vdisc: " << p__string__Message << "\n";
    return 1;
}

int VdiscTool::Run(const std::vector<std::string>& p__Arguments) {
    if (p__Arguments.empty()) return Usage(2);
    const std::string& l__string__Command = p__Arguments[0];
    if (l__string__Command == "--help" || l__string__Command == "-h" || l__string__Command == "help") return Usage(0);
    for (const std::string& l__string__Argument : p__Arguments)
        if (l__string__Argument == "--help") return Usage(0);
    std::vector<std::string> l__Rest(p__Arguments.begin() + 1, p__Arguments.end());
    if (l__Rest.empty()) {
        Fail("'" + l__string__Command + "' needs a disc FILE");
        return Usage(2);
    }
    if (l__string__Command == "blank") return Blank(l__Rest);
    if (l__string__Command == "info") return Info(l__Rest);
    if (l__string__Command == "export") return Export(l__Rest);
    if (l__string__Command == "fault") return Fault(l__Rest);
    Fail("unknown command '" + l__string__Command + "'");
    return Usage(2);
}

int VdiscTool::Blank(const std::vector<std::string>& p__Arguments) {
    const std::string& l__string__File = p__Arguments[0];
    VdiscMediumKind l__Kind = VdiscMediumKind::None;
    std::string l__string__Vendor, l__string__Product, l__string__Revision;
    bool l__bool__Page30 = false, l__bool__Rom = false, l__bool__HasVendor = false, l__bool__HasProduct = false, l__bool__HasRevision = false;
    long long l__LONGLONG__Polls = -1, l__LONGLONG__Speed = -1, l__LONGLONG__Layers = 1;
    std::string l__string__Log;
    bool l__bool__HasLog = false;
    for (size_t l__size_t__I = 1; l__size_t__I < p__Arguments.size(); ++l__size_t__I) {
        const std::string& l__string__Option = p__Arguments[l__size_t__I];
        const bool l__bool__HasValue = l__size_t__I + 1 < p__Arguments.size();
        if (l__string__Option == "--page30") {
            l__bool__Page30 = true;
            continue;
        }
        if (l__string__Option == "--rom-when-finalised") {
            l__bool__Rom = true;
            continue;
        }
        if (!l__bool__HasValue) return Fail("option '" + l__string__Option + "' needs a value or is unknown");
        const std::string& l__string__Value = p__Arguments[++l__size_t__I];
        if (l__string__Option == "--media") {
            if (!VdiscMedium::FromName(l__string__Value, l__Kind)) return Fail("unknown medium '" + l__string__Value + "' (" + VdiscMedium::Names() + ")");
        } else if (l__string__Option == "--layers") {
            if (!Number(l__string__Value, 1, 2, l__LONGLONG__Layers)) {
                Fail("bad --layers value '" + l__string__Value + "' (1 or 2)");
                return 2;
            }
        } else if (l__string__Option == "--vendor") {
            if (l__string__Value.size() > 8) return Fail("the vendor is at most 8 characters");
            l__string__Vendor = l__string__Value;
            l__bool__HasVendor = true;
        } else if (l__string__Option == "--product") {
            if (l__string__Value.size() > 16) return Fail("the product is at most 16 characters");
            l__string__Product = l__string__Value;
            l__bool__HasProduct = true;
        } else if (l__string__Option == "--revision") {
            if (l__string__Value.size() > 4) return Fail("the revision is at most 4 characters");
            l__string__Revision = l__string__Value;
            l__bool__HasRevision = true;
        } else if (l__string__Option == "--immed-polls") {
            if (!Number(l__string__Value, 0, 1000000, l__LONGLONG__Polls)) return Fail("bad --immed-polls value '" + l__string__Value + "'");
        } else if (l__string__Option == "--command-log") {
            l__string__Log = l__string__Value;
            l__bool__HasLog = true;
        } else if (l__string__Option == "--write-speed") {
            if (!Number(l__string__Value, 0, 10000000, l__LONGLONG__Speed)) return Fail("bad --write-speed value '" + l__string__Value + "'");
        } else {
            return Fail("unknown option '" + l__string__Option + "'");
        }
    }
    if (l__Kind == VdiscMediumKind::None) return Fail("blank needs --media " + VdiscMedium::Names());
    VdiscState l__State = VdiscState::Blank(l__Kind, static_cast<uint8_t>(l__LONGLONG__Layers));
    if (l__LONGLONG__Layers == 2 && !l__State.IsBd()) {
        Fail(std::string("--layers 2 is for BD media only, not ") + l__State.Medium().m__PCHAR__Description);
        return 2;
    }
    // A disc changed in an existing file keeps the drive it sits in unless told otherwise.
    struct stat l__Stat {};
    if (::stat(l__string__File.c_str(), &l__Stat) == 0) {
        VdiscStore l__Old;
        std::string l__string__Ignored;
        if (l__Old.Open(l__string__File, false, l__string__Ignored)) {
            l__State.m__string__Vendor = l__Old.State().m__string__Vendor;
            l__State.m__string__Product = l__Old.State().m__string__Product;
            l__State.m__string__Revision = l__Old.State().m__string__Revision;
            l__State.m__bool__HasPage30 = l__Old.State().m__bool__HasPage30;
            l__State.m__ULONG__ImmedPolls = l__Old.State().m__ULONG__ImmedPolls;
            l__State.m__bool__RomWhenFinalized = l__Old.State().m__bool__RomWhenFinalized;
            l__State.m__ULONG__WriteSpeed = l__Old.State().m__ULONG__WriteSpeed;
            l__State.m__string__CommandLog = l__Old.State().m__string__CommandLog;
        }
    }
    if (l__bool__HasVendor) l__State.m__string__Vendor = l__string__Vendor;
    if (l__bool__HasProduct) l__State.m__string__Product = l__string__Product;
    if (l__bool__HasRevision) l__State.m__string__Revision = l__string__Revision;
    if (l__bool__Page30) l__State.m__bool__HasPage30 = true;
    if (l__bool__Rom) l__State.m__bool__RomWhenFinalized = true;
    if (l__LONGLONG__Polls >= 0) l__State.m__ULONG__ImmedPolls = static_cast<uint32_t>(l__LONGLONG__Polls);
    if (l__LONGLONG__Speed >= 0) l__State.m__ULONG__WriteSpeed = static_cast<uint32_t>(l__LONGLONG__Speed);
    if (l__bool__HasLog) l__State.m__string__CommandLog = l__string__Log;
    std::string l__string__Error;
    if (!VdiscStore::Create(l__string__File, l__State, l__string__Error)) return Fail(l__string__Error);
    m__Out << "Inserted a blank " << (l__State.m__UCHAR__Layers == 2 ? "dual-layer " : "") << l__State.Medium().m__PCHAR__Description << " into "
           << l__string__File << "\n";
    return 0;
}

int VdiscTool::Info(const std::vector<std::string>& p__Arguments) {
    if (p__Arguments.size() != 1) return Fail("info takes only the disc FILE");
    VdiscStore l__Store;
    std::string l__string__Error;
    if (!l__Store.Open(p__Arguments[0], false, l__string__Error)) return Fail(l__string__Error);
    const VdiscState& l__State = l__Store.State();
    const VdiscMediumInfo& l__Medium = l__State.Medium();
    m__Out << "Medium:       " << l__Medium.m__PCHAR__Description << " (profile " << std::hex << std::uppercase << std::setw(4)
           << std::setfill('0') << l__State.CurrentProfile() << "h)" << std::dec << std::setfill(' ') << "\n";
    m__Out << "Drive:        vendor '" << l__State.m__string__Vendor << "', product '" << l__State.m__string__Product << "', revision '"
           << l__State.m__string__Revision << "'" << (l__State.m__bool__HasPage30 ? ", page 30h" : "");
    if (l__State.m__ULONG__WriteSpeed != 0) m__Out << ", writes at " << l__State.m__ULONG__WriteSpeed << " KB/s";
    if (!l__State.m__string__CommandLog.empty()) m__Out << ", logs commands to " << l__State.m__string__CommandLog;
    m__Out << "\n";
    std::string l__string__Status;
    if (l__Medium.m__bool__IsRandomWritable) l__string__Status = l__State.m__bool__IsFormatted ? "formatted" : "unformatted";
    else if (l__State.m__bool__IsFinalized) l__string__Status = "complete (finalised)";
    else if (l__State.m__Tracks.empty()) l__string__Status = "empty";
    else l__string__Status = "incomplete (appendable)";
    if (l__State.m__bool__SaoActive) l__string__Status += ", Session-At-Once run in progress";
    if (l__State.m__bool__RawActive) l__string__Status += ", raw Disc-At-Once run in progress";
    m__Out << "Disc status:  " << l__string__Status << "\n";
    if (l__State.IsBd()) m__Out << "Layers:       " << unsigned{l__State.m__UCHAR__Layers} << " (" << l__State.FullCapacity() << " blocks)\n";
    m__Out << "Capacity:     " << l__State.Capacity() << " blocks";
    if (l__State.HasSpareAreas()) m__Out << " (formatted with spare areas)";
    else if (l__State.m__Kind == VdiscMediumKind::BdRe && l__State.m__bool__IsFormatted) m__Out << " (formatted without spare areas)";
    m__Out << "\n";
    if (l__State.IsAppendable() && !l__Medium.m__bool__IsRandomWritable) {
        const int32_t l__LONG__Next = l__State.NextWritable();
        m__Out << "Next writable address: " << l__LONG__Next << ", free blocks: " << std::max(0, l__State.Capacity() - l__LONG__Next) << "\n";
    }
    if (l__Medium.m__bool__IsRandomWritable && l__State.m__bool__EverWritten)
        m__Out << "Highest written block: " << l__State.m__LONG__HighestWritten << "\n";
    m__Out << "Sessions:     " << l__State.m__Sessions.size() << "\n";
    for (const VdiscSession& l__Session : l__State.m__Sessions) {
        m__Out << "  session " << unsigned{l__Session.m__UCHAR__Number} << ": ";
        if (l__Session.m__bool__IsClosed)
            m__Out << "closed, lead-out at " << l__Session.m__LONG__LeadOutStart << (l__Session.m__UCHAR__MultiSession == 3 ? ", next session allowed" : "");
        else
            m__Out << "open";
        m__Out << "\n";
    }
    m__Out << "Tracks:       " << l__State.m__Tracks.size() << "\n";
    if (!l__State.m__Tracks.empty()) {
        // The pre-gap (index 0) column gives the LBA where the track's pre-gap begins.
        m__Out << "  Track  Session  Mode    Start LBA  Pre-gap at   Length  Recorded  State\n";
        for (const VdiscTrack& l__Track : l__State.m__Tracks) {
            m__Out << "  " << std::setw(5) << unsigned{l__Track.m__UCHAR__Number} << "  " << std::setw(7) << unsigned{l__Track.m__UCHAR__Session} << "  "
                   << std::left << std::setw(6) << ModeName(l__Track, l__State) << std::right << "  " << std::setw(9) << l__Track.m__LONG__Start
                   << "  " << std::setw(10) << l__Track.m__LONG__Start - l__Track.m__LONG__Pregap << "  " << std::setw(7) << l__Track.m__LONG__Size << "  "
                   << std::setw(8) << l__Track.m__LONG__Recorded << "  " << StateName(l__Track) << "\n";
        }
    }
    const VdiscFaults& l__Faults = l__State.m__Faults;
    if (l__Faults.Any() || l__State.m__ULONG__ImmedPolls != 0) {
        m__Out << "Faults:      ";
        if (l__Faults.m__bool__WriteFailSet) m__Out << " write-fail " << l__Faults.m__LONG__WriteFailLba << ";";
        for (const VdiscReadFault& l__Fault : l__Faults.m__ReadFaults) {
            m__Out << " read-fail " << l__Fault.m__LONG__Lba;
            if (l__Fault.m__LONG__Remaining >= 0) m__Out << " (" << l__Fault.m__LONG__Remaining << " more)";
            m__Out << ";";
        }
        if (l__Faults.m__ULONG__Busy) m__Out << " busy " << l__Faults.m__ULONG__Busy << ";";
        if (l__Faults.m__ULONG__NotReady) m__Out << " not-ready " << l__Faults.m__ULONG__NotReady << ";";
        if (l__Faults.m__bool__UnitAttention) m__Out << " unit-attention;";
        if (l__Faults.m__bool__NoMedium) m__Out << " no-medium;";
        for (uint8_t l__UCHAR__Op : l__Faults.m__RefusedOps)
            m__Out << " refuse 0x" << std::hex << std::uppercase << std::setw(2) << std::setfill('0') << unsigned{l__UCHAR__Op} << std::dec
                   << std::setfill(' ') << ";";
        if (l__Faults.m__bool__RefuseImmedClose) m__Out << " refuse-immed-close;";
        if (l__Faults.m__bool__WriteProtected) m__Out << " write-protect;";
        for (unsigned l__unsigned__Type = 0; l__unsigned__Type <= 4; ++l__unsigned__Type)
            if (l__Faults.m__UCHAR__RefusedWriteTypes & (1u << l__unsigned__Type)) m__Out << " refuse-write-type " << l__unsigned__Type << ";";
        if (l__State.m__ULONG__ImmedPolls) m__Out << " immed-polls " << l__State.m__ULONG__ImmedPolls << ";";
        m__Out << "\n";
    }
    return 0;
}

int VdiscTool::Export(const std::vector<std::string>& p__Arguments) {
    VdiscStore l__Store;
    std::string l__string__Error;
    if (p__Arguments.size() == 4 && p__Arguments[1] == "--track") {
        long long l__LONGLONG__Track;
        if (!Number(p__Arguments[2], 1, 99, l__LONGLONG__Track)) return Fail("bad track number '" + p__Arguments[2] + "'");
        if (!l__Store.Open(p__Arguments[0], false, l__string__Error)) return Fail(l__string__Error);
        if (!VdiscExporter(l__Store).ExportTrack(static_cast<uint32_t>(l__LONGLONG__Track), p__Arguments[3], l__string__Error)) return Fail(l__string__Error);
        return 0;
    }
    const bool l__bool__IsSub = p__Arguments.size() == 4 && p__Arguments[3] == "--sub";
    if ((p__Arguments.size() == 3 || l__bool__IsSub) && p__Arguments[1] == "--cue") {
        if (!l__Store.Open(p__Arguments[0], false, l__string__Error)) return Fail(l__string__Error);
        if (!VdiscExporter(l__Store).ExportCue(p__Arguments[2], l__string__Error, l__bool__IsSub)) return Fail(l__string__Error);
        return 0;
    }
    return Fail("export FILE --track N OUT.iso, or export FILE --cue OUT.cue [--sub]");
}

int VdiscTool::Fault(const std::vector<std::string>& p__Arguments) {
    VdiscStore l__Store;
    std::string l__string__Error;
    if (!l__Store.Open(p__Arguments[0], true, l__string__Error)) return Fail(l__string__Error);
    VdiscState& l__State = l__Store.MutableState();
    VdiscFaults& l__Faults = l__State.m__Faults;
    if (p__Arguments.size() == 1) return Fail("fault needs at least one fault, or --clear");
    for (size_t l__size_t__I = 1; l__size_t__I < p__Arguments.size(); ++l__size_t__I) {
        const std::string& l__string__Option = p__Arguments[l__size_t__I];
        if (l__string__Option == "--clear") {
            l__Faults = VdiscFaults();
            continue;
        }
        if (l__string__Option == "--unit-attention") {
            l__Faults.m__bool__UnitAttention = true;
            continue;
        }
        if (l__string__Option == "--no-medium") {
            l__Faults.m__bool__NoMedium = true;
            continue;
        }
        if (l__string__Option == "--refuse-immed-close") {
            l__Faults.m__bool__RefuseImmedClose = true;
            continue;
        }
        if (l__string__Option == "--write-protect") {
            l__Faults.m__bool__WriteProtected = true;
            continue;
        }
        if (l__size_t__I + 1 >= p__Arguments.size()) return Fail("option '" + l__string__Option + "' needs a value or is unknown");
        const std::string& l__string__Value = p__Arguments[++l__size_t__I];
        long long l__LONGLONG__Value = 0;
        if (l__string__Option == "--write-fail") {
            if (!Number(l__string__Value, -45150, 0x7FFFFFFF, l__LONGLONG__Value)) return Fail("bad LBA '" + l__string__Value + "'");
            l__Faults.m__bool__WriteFailSet = true;
            l__Faults.m__LONG__WriteFailLba = static_cast<int32_t>(l__LONGLONG__Value);
        } else if (l__string__Option == "--read-fail") {
            VdiscReadFault l__Fault;
            const size_t l__size_t__Colon = l__string__Value.find(':');
            if (!Number(l__string__Value.substr(0, l__size_t__Colon), -45150, 0x7FFFFFFF, l__LONGLONG__Value)) return Fail("bad LBA in '" + l__string__Value + "'");
            l__Fault.m__LONG__Lba = static_cast<int32_t>(l__LONGLONG__Value);
            if (l__size_t__Colon != std::string::npos) {
                if (!Number(l__string__Value.substr(l__size_t__Colon + 1), 1, 0x7FFFFFFF, l__LONGLONG__Value)) return Fail("bad count in '" + l__string__Value + "'");
                l__Fault.m__LONG__Remaining = static_cast<int32_t>(l__LONGLONG__Value);
            }
            l__Faults.m__ReadFaults.push_back(l__Fault);
        } else if (l__string__Option == "--refuse") {
            if (!Number(l__string__Value, 0, 0xFF, l__LONGLONG__Value)) return Fail("bad operation code '" + l__string__Value + "'");
            if (!l__Faults.Refuses(static_cast<uint8_t>(l__LONGLONG__Value))) l__Faults.m__RefusedOps.push_back(static_cast<uint8_t>(l__LONGLONG__Value));
        } else if (l__string__Option == "--refuse-write-type") {
            if (!Number(l__string__Value, 0, 4, l__LONGLONG__Value)) return Fail("bad write type '" + l__string__Value + "'");
            l__Faults.m__UCHAR__RefusedWriteTypes = static_cast<uint8_t>(l__Faults.m__UCHAR__RefusedWriteTypes | (1u << l__LONGLONG__Value));
        } else if (l__string__Option == "--busy" || l__string__Option == "--not-ready" || l__string__Option == "--immed-polls") {
            if (!Number(l__string__Value, 0, 1000000, l__LONGLONG__Value)) return Fail("bad count '" + l__string__Value + "'");
            if (l__string__Option == "--busy") l__Faults.m__ULONG__Busy = static_cast<uint32_t>(l__LONGLONG__Value);
            else if (l__string__Option == "--not-ready") l__Faults.m__ULONG__NotReady = static_cast<uint32_t>(l__LONGLONG__Value);
            else l__State.m__ULONG__ImmedPolls = static_cast<uint32_t>(l__LONGLONG__Value);
        } else {
            return Fail("unknown option '" + l__string__Option + "'");
        }
    }
    if (!l__Store.CommitState(l__string__Error)) return Fail(l__string__Error);
    return 0;
}
