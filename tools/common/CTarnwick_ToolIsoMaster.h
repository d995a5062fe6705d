#pragma once
#include <string>
#include <vector>

#include "CTarnwick_ToolMasteringListener.h"
#include "tarnwick.h"

// The help lines of the mastering options that tarnwick-mkiso and tarnwick master share (from
// -V to --udf-bridge), to be put in their usage texts.
#define TARNWICK_MASTERING_OPTION_LINES \
    "  -V LABEL                   volume label (the first 32 characters are the volume id)\n" \
    "  --level1                   8.3 identifiers (default: long names of up to 31 characters)\n" \
    "  -J                         also a Joliet hierarchy (long Unicode names)\n" \
    "  -R                         Rock Ridge records: names as they are, modes, owners,\n" \
    "                             symbolic links (kept as links), devices, FIFOs, times;\n" \
    "                             directories deeper than 8 levels are relocated\n" \
    "  -b BOOT.img                an El Torito boot image, added to the root\n" \
    "  --boot-media-type N        boot media type of the catalog entry (default 2)\n" \
    "  --boot-system-type N       system type of the catalog entry (default 6)\n" \
    "  --start SECTOR             the sector the image starts at (default 0)\n" \
    "  --system-structures FILE   also write the image's system structures to FILE\n" \
    "  --ignore-errors            skip files that cannot be read instead of failing\n" \
    "  --udf                      a UDF 1.02 image instead (names upper-cased, files of any size)\n" \
    "  --udf-bridge               a DVD-Video UDF/ISO9660 bridge image: SOURCE is one directory\n" \
    "                             holding VIDEO_TS (AUDIO_TS is added empty when missing); its\n" \
    "                             files are laid out in DVD order and their IFO/BUP sector\n" \
    "                             numbers set to where the files lie\n"

// Masters local files and directories as an ISO9660 image (8.3 or long identifiers, Joliet,
// Rock Ridge, El Torito, any start sector) on the file-tree flat functions alone; tarnwick
// master and tarnwick-mkiso both use it. A directory source gives its entries to the root, a
// file source sits in the root; colliding new entries get unique names. The volume descriptors
// are dated with the time of the run; the built image is then read through Tree().
class CTarnwick_ToolIsoMaster {
public:
    struct Job {
        std::string m__string__Label;
        std::string m__string__Application;
        std::vector<std::string> m__Sources;
        std::string m__string__Boot;              // empty: not bootable
        unsigned long m__ulong__BootMediaType = 2;
        unsigned long m__ulong__BootSystemType = 6;
        unsigned long m__ulong__Start = 0;
        std::string m__string__SystemStructures;  // empty: not written
        bool m__bool__Level1 = false;
        bool m__bool__Joliet = false;
        bool m__bool__RockRidge = false;
        bool m__bool__IgnoreErrors = false;
    };
    using Listener = CTarnwick_ToolMasteringListener;
    using Counts = CTarnwick_ToolMasteringListener::Counts;

    CTarnwick_ToolIsoMaster(const Job& p__Job, Listener& p__Listener) : m__Job(p__Job), m__Listener(p__Listener) {}
    ~CTarnwick_ToolIsoMaster();
    CTarnwick_ToolIsoMaster(const CTarnwick_ToolIsoMaster&) = delete;
    CTarnwick_ToolIsoMaster& operator=(const CTarnwick_ToolIsoMaster&) = delete;

    // Builds the image: 0, or the toolkit's failure number with the text in FailureText().
    // The toolkit must be started.
    ULONG Master();
    const std::string& FailureText() const { return m__string__Failure; }
    PVOID Tree() const { return m__PVOID__Tree; }
    // The sectors of the image (from the start sector on).
    unsigned long Sectors() const;
    const Counts& GetCounts() const { return m__Counts; }

private:
    static void Callback(ULONG p__ULONG__Reason, PVOID p__PVOID__Context, PVOID p__PVOID__Parameter1, PVOID p__PVOID__Parameter2);
    // The failure of a flat call: its number, and the text with the toolkit's words after it.
    ULONG Fail(ULONG p__ULONG__Number, const std::string& p__string__What);

    const Job& m__Job;
    Listener& m__Listener;
    Counts m__Counts;
    unsigned long m__ulong__CollisionNumber = 0;
    PVOID m__PVOID__Tree = nullptr;
    char m__CHAR__Text[1024] = {};
    ULONG m__ULONG__SystemError = 0;
    std::string m__string__Failure;
};
