#include "CTarnwick_CliDrives.h"

#include <cstdio>

#include "CTarnwick_CliArguments.h"
#include "CTarnwick_CliDiscReady.h"
#include "CTarnwick_CliDiscType.h"
#include "CTarnwick_CliDiscWords.h"
#include "CTarnwick_CliDrive.h"
#include "CTarnwick_CliFailure.h"
#include "CTarnwick_CliReporter.h"

namespace {

using Field = CTarnwick_CliReporter::Field;

// One failed query of a drive, as the listing tells it: "QUERY failed (N): TEXT".
std::string FailedQuery(const std::string& p__string__Query, const CTarnwick_CliFailure& p__Failure) {
    std::string l__string__Text = p__string__Query;
    l__string__Text.append(" failed (").append(std::to_string(p__Failure.Number())).append("): ").append(p__Failure.Text());
    if (!p__Failure.Sense().empty()) l__string__Text.append(" [").append(p__Failure.Sense()).append("]");
    return l__string__Text;
}

// The medium in the drive in words. GetInsertedDiscType does not tell an empty drive from a
// disc it does not know: the sense of READ DISC INFORMATION does.
std::string Medium(CTarnwick_CliDrive& p__Drive, std::vector<std::string>& p__Failed) {
    const ULONG l__ULONG__Type = p__Drive.DiscType();
    if (l__ULONG__Type != TARNWICK_DISC_TYPE_UNSUPPORTED) return CTarnwick_CliDiscType::Name(l__ULONG__Type);
    DISC_INFORMATION l__Disc{};
    p__Drive.Clear();
    const ULONG l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_GetDiscInformation(
        p__Drive.Burner(), p__Drive.m__CHAR__Text, sizeof(p__Drive.m__CHAR__Text), &p__Drive.m__ULONG__Status, &p__Drive.m__Info, &l__Disc);
    const int l__int__NotPresent = p__Drive.MediumNotPresent();
    if (l__ULONG__Number != 0 && l__int__NotPresent == 3) return "no medium (tray open)";
    if (l__ULONG__Number != 0 && l__int__NotPresent != 0) return "no medium";
    if (l__ULONG__Number != 0) p__Failed.push_back(FailedQuery("READ DISC INFORMATION", p__Drive.Failure("drives", l__ULONG__Number)));
    return "unknown medium";
}

// The text of an identity field of INQUIRY, without the spaces that pad it.
std::string Trimmed(const CHAR* p__PCHAR__Text) {
    std::string l__string__Text = p__PCHAR__Text;
    const size_t l__SIZE__End = l__string__Text.find_last_not_of(' ');
    l__string__Text.erase(l__SIZE__End == std::string::npos ? 0 : l__SIZE__End + 1);
    return l__string__Text;
}

// Lists drive number p__Number: its name, identity, medium, write modes and media.
void Describe(size_t p__Number, const CTarnwick_CliDrive::Found& p__Found, CTarnwick_CliReporter& p__Reporter) {
    std::vector<Field> l__Fields{Field::Number("number", static_cast<long long>(p__Number)),
                                 Field::Text("name", p__Found.m__string__Name)};
    std::string l__string__Text = std::to_string(p__Number);
    l__string__Text.append("  ").append(p__Found.m__string__Name).append("\n");
    std::vector<std::string> l__Failed;

    CTarnwick_CliDrive l__Drive;
    CTarnwick_CliFailure l__Failure;
    if (!l__Drive.Open("drives", std::to_string(p__Number), nullptr, nullptr, &l__Failure)) {
        l__Failed.push_back(FailedQuery("opening the drive", l__Failure));
    } else {
        CHAR l__CHAR__Vendor[64] = {}, l__CHAR__Product[64] = {}, l__CHAR__Revision[64] = {};
        ULONG l__ULONG__Buffer = 0;
        Tarnwick_CdvdBurnerGrabber_GetDeviceInformation(l__Drive.Burner(), l__CHAR__Vendor, l__CHAR__Product, l__CHAR__Revision,
                                                        &l__ULONG__Buffer);
        const std::string l__string__Medium = Medium(l__Drive, l__Failed);

        std::vector<std::string> l__Modes;
        BOOLEAN l__BOOLEAN__Tao = FALSE, l__BOOLEAN__Sao = FALSE, l__BOOLEAN__DaoPq = FALSE, l__BOOLEAN__DaoRawPw = FALSE;
        l__Drive.Clear();
        const ULONG l__ULONG__Probed = Tarnwick_CdvdBurnerGrabber_ProbeSupportedWriteModes(
            l__Drive.Burner(), l__Drive.m__CHAR__Text, sizeof(l__Drive.m__CHAR__Text), &l__Drive.m__ULONG__Status,
            &l__Drive.m__Info, &l__BOOLEAN__Tao, &l__BOOLEAN__Sao, &l__BOOLEAN__DaoPq, &l__BOOLEAN__DaoRawPw);
        if (l__ULONG__Probed != 0) {
            l__Failed.push_back(FailedQuery("probing the write modes", l__Drive.Failure("drives", l__ULONG__Probed)));
        } else {
            if (l__BOOLEAN__Tao) l__Modes.push_back("TAO");
            if (l__BOOLEAN__Sao) l__Modes.push_back("SAO");
            if (l__BOOLEAN__DaoPq) l__Modes.push_back("DAO-PQ");
            if (l__BOOLEAN__DaoRawPw) l__Modes.push_back("DAO-RAW-PW");
        }

        BOOLEAN l__BOOLEAN__CdrRead = FALSE, l__BOOLEAN__CdrwRead = FALSE, l__BOOLEAN__DvdRomRead = FALSE,
                l__BOOLEAN__DvdrRead = FALSE, l__BOOLEAN__DvdRamRead = FALSE, l__BOOLEAN__TestWrite = FALSE,
                l__BOOLEAN__CdrWrite = FALSE, l__BOOLEAN__CdrwWrite = FALSE, l__BOOLEAN__DvdrWrite = FALSE,
                l__BOOLEAN__DvdRamWrite = FALSE;
        Tarnwick_CdvdBurnerGrabber_GetDeviceCapabilities(l__Drive.Burner(), &l__BOOLEAN__CdrRead, &l__BOOLEAN__CdrwRead,
                                                         &l__BOOLEAN__DvdRomRead, &l__BOOLEAN__DvdrRead, &l__BOOLEAN__DvdRamRead,
                                                         &l__BOOLEAN__TestWrite, &l__BOOLEAN__CdrWrite, &l__BOOLEAN__CdrwWrite,
                                                         &l__BOOLEAN__DvdrWrite, &l__BOOLEAN__DvdRamWrite);
        BOOLEAN l__BOOLEAN__PlusRwKnown = FALSE, l__BOOLEAN__PlusRKnown = FALSE, l__BOOLEAN__PlusRwWrite = FALSE,
                l__BOOLEAN__PlusRWrite = FALSE;
        Tarnwick_CdvdBurnerGrabber_GetSupportedMediaFormatsEx(l__Drive.Burner(), &l__BOOLEAN__PlusRwKnown, &l__BOOLEAN__PlusRKnown,
                                                              &l__BOOLEAN__PlusRwWrite, &l__BOOLEAN__PlusRWrite);
        std::vector<std::string> l__Writes, l__Reads;
        if (l__BOOLEAN__CdrWrite) l__Writes.push_back("CD-R");
        if (l__BOOLEAN__CdrwWrite) l__Writes.push_back("CD-RW");
        if (l__BOOLEAN__DvdrWrite) l__Writes.push_back("DVD-R");
        if (l__BOOLEAN__DvdRamWrite) l__Writes.push_back("DVD-RAM");
        if (l__BOOLEAN__PlusRWrite) l__Writes.push_back("DVD+R");
        if (l__BOOLEAN__PlusRwWrite) l__Writes.push_back("DVD+RW");
        if (l__BOOLEAN__CdrRead) l__Reads.push_back("CD-R");
        if (l__BOOLEAN__CdrwRead) l__Reads.push_back("CD-RW");
        if (l__BOOLEAN__DvdRomRead) l__Reads.push_back("DVD-ROM");
        if (l__BOOLEAN__DvdrRead) l__Reads.push_back("DVD-R");
        if (l__BOOLEAN__DvdRamRead) l__Reads.push_back("DVD-RAM");
        if (l__BOOLEAN__PlusRKnown) l__Reads.push_back("DVD+R");
        if (l__BOOLEAN__PlusRwKnown) l__Reads.push_back("DVD+RW");

        const std::string l__string__Vendor = Trimmed(l__CHAR__Vendor), l__string__Product = Trimmed(l__CHAR__Product),
                          l__string__Revision = Trimmed(l__CHAR__Revision);
        l__Fields.push_back(Field::Text("vendor", l__string__Vendor));
        l__Fields.push_back(Field::Text("product", l__string__Product));
        l__Fields.push_back(Field::Text("revision", l__string__Revision));
        l__Fields.push_back(Field::Number("buffer_kb", l__ULONG__Buffer / 1024));
        l__Fields.push_back(Field::Text("medium", l__string__Medium));
        l__Fields.push_back(Field::Number("medium_type", l__Drive.DiscType()));
        l__Fields.push_back(CTarnwick_CliDiscWords::List("write_modes", l__Modes));
        l__Fields.push_back(CTarnwick_CliDiscWords::List("writes", l__Writes));
        l__Fields.push_back(CTarnwick_CliDiscWords::List("reads", l__Reads));
        l__Fields.push_back(Field::Flag("test_write", l__BOOLEAN__TestWrite != 0));

        l__string__Text.append("   ").append(l__string__Vendor).append(" ").append(l__string__Product).append(" ").append(l__string__Revision);
        if (l__ULONG__Buffer != 0) l__string__Text.append(", buffer ").append(std::to_string(l__ULONG__Buffer / 1024)).append(" KB");
        l__string__Text.append("\n   medium:      ").append(l__string__Medium);
        l__string__Text.append("\n   write modes: ").append(CTarnwick_CliDiscWords::Joined(l__Modes, l__ULONG__Probed != 0 ? "unknown" : "none"));
        if (l__BOOLEAN__TestWrite) l__string__Text.append(", test write");
        l__string__Text.append("\n   writes:      ").append(CTarnwick_CliDiscWords::Joined(l__Writes, "none"));
        l__string__Text.append("\n   reads:       ").append(CTarnwick_CliDiscWords::Joined(l__Reads, "none"));
    }
    l__Fields.push_back(CTarnwick_CliDiscWords::List("failed", l__Failed));
    for (const std::string& l__string__Failed : l__Failed) l__string__Text.append("\n   ").append(l__string__Failed);
    p__Reporter.Event("drive", l__Fields, l__string__Text);
}

}  // namespace

int CTarnwick_CliDrives::Run(const std::string& p__string__Subcommand, const std::vector<std::string>& p__Arguments) {
    CTarnwick_CliArguments l__Arguments;
    if (!l__Arguments.ParseWithoutFiles(p__string__Subcommand, p__Arguments, {}, Usage(p__string__Subcommand)))
        return CTarnwick_CliArguments::USAGE_ERROR;
    CTarnwick_CliReporter l__Reporter(CTarnwick_CliReporter::Choose(l__Arguments.IsJson()));
    const std::vector<CTarnwick_CliDrive::Found> l__Drives = CTarnwick_CliDrive::List();
    if (l__Drives.empty()) {
        const CTarnwick_CliFailure l__Failure(
            "drives", "", EXCEPTION_NUMBER_NOT_FOUND, "no CD/DVD/BD drive found",
            "connect a drive, or name one in TARNWICK_DRIVES (virtual:FILE, iscsi://HOST[:PORT]/IQN/LUN)");
        l__Reporter.Fail(l__Failure);
        return l__Failure.ExitCode();
    }
    if (l__Arguments.Has("--drive")) {
        // Only the drive named: found as every subcommand finds it, listed under its number.
        CTarnwick_CliDrive l__Drive;
        CTarnwick_CliFailure l__Failure;
        if (!l__Drive.Open("drives", l__Arguments.Value("--drive"), nullptr, nullptr, &l__Failure)) {
            l__Reporter.Fail(l__Failure);
            return l__Failure.ExitCode();
        }
        for (size_t i = 0; i < l__Drives.size(); ++i)
            if (l__Drives[i].m__string__Name == l__Drive.Name()) Describe(i, l__Drives[i], l__Reporter);
        return 0;
    }
    for (size_t i = 0; i < l__Drives.size(); ++i) Describe(i, l__Drives[i], l__Reporter);
    return 0;
}

const char* CTarnwick_CliDrives::Usage(const std::string&) {
    return "Usage: tarnwick drives [--drive D] [--json]\n"
           "Lists every CD/DVD/BD drive: its number and name (either names it for --drive), vendor,\n"
           "product and revision, the medium inserted, the write modes it offers (TAO, SAO, DAO-PQ,\n"
           "DAO-RAW-PW) and the media it writes and reads. A drive that fails a query is listed with\n"
           "the query that failed. With --drive, only that drive.\n"
           "With --json: one \"drive\" event per drive.\n"
           "No drive found: exit code 17.\n";
}
