#include "CTarnwick_CliBurn.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "CTarnwick_CliArguments.h"
#include "CTarnwick_CliBurnSource.h"
#include "CTarnwick_CliBurnTree.h"
#include "CTarnwick_CliBurnVerify.h"
#include "CTarnwick_CliDiscType.h"
#include "CTarnwick_CliDrive.h"
#include "CTarnwick_CliFailure.h"
#include "CTarnwick_CliReporter.h"
#include "tarnwick.h"

namespace {

using Field = CTarnwick_CliReporter::Field;
using Kind = CTarnwick_CliBurnSource::Kind;

// The shortest CD track: 4 seconds of 75 blocks.
constexpr uint64_t MINIMUM_TRACK_BLOCKS = 300;

enum class WriteMode { TrackAtOnce, SessionAtOnce, DiscAtOnce, Raw };
enum class Medium { Cd, Dvd, Bd, Other };

const char* const USAGE =
    "Usage: tarnwick burn SOURCE... [--tao|--sao|--dao] [--test] [--multi] [--speed N|max]\n"
    "                     [--no-eject] [--verify] [--drive D] [--json]\n"
    "Burns the sources onto the disc, several sources as several tracks:\n"
    "  an ISO9660 or UDF image file     a data track of its bytes as they are\n"
    "  a music file (MP3, FLAC, Ogg...)  an audio track (CD only)\n"
    "  other files and directories       together one data track mastered on the fly\n"
    "                                    (ISO9660 with Joliet and Rock Ridge; a file lands in\n"
    "                                    the root, a directory gives its contents to the root)\n"
    "  an .mds raw image                 the whole CD, Session-At-Once (the only source)\n"
    "Data tracks come first, then the audio tracks in the order given.\n"
    "  --tao        Track-At-Once: one track at a time (the only mode of DVD and BD)\n"
    "  --sao        Session-At-Once (CD; the default when the drive offers it)\n"
    "  --dao        Disc-At-Once (CD; one data track at most, first)\n"
    "  --test       a test write: nothing is recorded (not on BD)\n"
    "  --multi      leave the disc appendable; files burned onto a disc that holds a data\n"
    "               session already are merged with the files of that session\n"
    "  --speed N    write at N times 1x of the medium (CD 176 KB/s, DVD 1385, BD 4496), or max\n"
    "  --no-eject   leave the disc in the drive (it is ejected after a burn by default)\n"
    "  --verify     read the written tracks back and compare them with the sources\n"
    "  --drive D    the drive (see tarnwick drives)\n"
    "  --json       one JSON object per event on standard output\n";

// The progress of the write and the verify: the engine's counts of one flat call made into a
// count over the whole phase. In Session-At-Once and Disc-At-Once the engine counts each
// track from zero: a count that falls starts the next track.
struct Progress {
    CTarnwick_CliReporter* m__Reporter = nullptr;
    bool m__bool__CountsPerTrack = false;
    uint64_t m__Base = 0;
    uint64_t m__LastDone = 0;
    uint64_t m__LastTotal = 0;
    // Told when the count falls (the next track began).
    void (*m__OnNextTrack)(void*) = nullptr;
    void* m__PVOID__Context = nullptr;
};

void OnProgress(ULONG p__ULONG__Reason, PVOID p__PVOID__Context, PVOID p__PVOID__Parameter1, PVOID p__PVOID__Parameter2) {
    auto* l__Progress = static_cast<Progress*>(p__PVOID__Context);
    if (l__Progress == nullptr || l__Progress->m__Reporter == nullptr) return;
    if ((p__ULONG__Reason == WRITE_PROGRESS || p__ULONG__Reason == GRAB_PROGRESS) && p__PVOID__Parameter2 != nullptr) {
        const LONGLONG l__LONGLONG__Done = *static_cast<const LONGLONG*>(p__PVOID__Parameter2);
        const LONGLONG l__LONGLONG__Total = p__PVOID__Parameter1 != nullptr ? *static_cast<const LONGLONG*>(p__PVOID__Parameter1) : 0;
        if (l__LONGLONG__Done < 0) return;
        const uint64_t l__Done = static_cast<uint64_t>(l__LONGLONG__Done);
        if (l__Progress->m__bool__CountsPerTrack && l__Done < l__Progress->m__LastDone) {
            // The next track began: the tracks before it count with the sizes planned for
            // them (the one who is told sets the base), else with what the engine counted.
            if (l__Progress->m__OnNextTrack != nullptr) l__Progress->m__OnNextTrack(l__Progress->m__PVOID__Context);
            else l__Progress->m__Base += std::max(l__Progress->m__LastTotal, l__Progress->m__LastDone);
        }
        l__Progress->m__LastDone = l__Done;
        l__Progress->m__LastTotal = l__LONGLONG__Total > 0 ? static_cast<uint64_t>(l__LONGLONG__Total) : 0;
        l__Progress->m__Reporter->Progress(l__Progress->m__Base + l__Done);
        return;
    }
    CTarnwick_CliReporter::Callback(p__ULONG__Reason, l__Progress->m__Reporter, p__PVOID__Parameter1, p__PVOID__Parameter2);
}

Medium MediumOf(ULONG p__ULONG__Type) {
    // A medium the command writes; pressed discs are Other.
    if (!CTarnwick_CliDiscType::IsWritable(p__ULONG__Type)) return Medium::Other;
    if (CTarnwick_CliDiscType::IsCd(p__ULONG__Type)) return Medium::Cd;
    return CTarnwick_CliDiscType::IsBd(p__ULONG__Type) ? Medium::Bd : Medium::Dvd;
}

bool IsOverwritable(ULONG p__ULONG__Type) {
    return p__ULONG__Type == TARNWICK_DISC_TYPE_DVDPLUSRW || p__ULONG__Type == TARNWICK_DISC_TYPE_DVDRAM ||
           p__ULONG__Type == TARNWICK_DISC_TYPE_BDRE;
}

const char* ModeName(WriteMode p__Mode) {
    switch (p__Mode) {
        case WriteMode::TrackAtOnce: return "tao";
        case WriteMode::SessionAtOnce: return "sao";
        case WriteMode::DiscAtOnce: return "dao";
        default: return "raw";
    }
}

// One track to write, in disc order.
struct Planned {
    Kind m__Kind = Kind::Tree;
    std::string m__string__Source;  // the path, or the directories and files of the tree
    std::string m__string__Path;    // the file burned (an image, a music file, the tree's scratch image)
    uint64_t m__Blocks = 0;
    uint64_t m__Bytes = 0;
};

int UsageError(const std::string& p__string__Reason) { return CTarnwick_CliArguments::UsageError("burn", p__string__Reason, USAGE); }

// The work of one burn; Run builds it from the command line and calls Burn.
class Burn {
public:
    Burn(const CTarnwick_CliArguments& p__Arguments, CTarnwick_CliReporter& p__Reporter)
        : m__Arguments(p__Arguments), m__Reporter(p__Reporter) {
        m__Progress.m__Reporter = &p__Reporter;
    }
    ~Burn() {
        if (!m__string__Scratch.empty()) std::remove(m__string__Scratch.c_str());
    }

    int Run();

private:
    int Fail(const CTarnwick_CliFailure& p__Failure) {
        m__Reporter.Fail(p__Failure);
        return p__Failure.ExitCode();
    }
    int Fail(ULONG p__ULONG__Number, const std::string& p__string__Text, const std::string& p__string__Remedy = "") {
        return Fail(CTarnwick_CliFailure("burn", m__Drive.Name(), p__ULONG__Number, p__string__Text, p__string__Remedy));
    }
    int FailCall(ULONG p__ULONG__Number) { return Fail(m__Drive.Failure("burn", p__ULONG__Number)); }
    int FailTree(ULONG p__ULONG__Number) {
        return Fail(CTarnwick_CliFailure("burn", m__Drive.Name(), p__ULONG__Number, m__Tree.Text(), m__Tree.Status(),
                                         CDB_FAILURE_INFORMATION{}));
    }

    int Classify();
    int CheckMedium();
    // READ DISC INFORMATION into m__Disc; false with the number set when it fails.
    bool AskDisc(ULONG& p__ULONG__Number);
    // The last call failed for want of a disc.
    int ChooseMode();
    int CheckDisc();
    int MasterTree();
    int SetSpeed();
    int Write();
    int WriteTrackAtOnce();
    int WriteSessionAtOnce();
    int WriteDiscAtOnce();
    int WriteRaw();
    int Verify();
    void TrackBegun(size_t p__SIZE__Index);
    void TrackEnded(size_t p__SIZE__Index);
    static void NextTrack(void* p__PVOID__Context);
    // Begins and ends the tracks the write's progress did not tell, after a one-call write.
    void EndTracks();

    const CTarnwick_CliArguments& m__Arguments;
    CTarnwick_CliReporter& m__Reporter;
    CTarnwick_CliDrive m__Drive;
    Progress m__Progress;
    CTarnwick_CliBurnTree m__Tree;
    std::vector<CTarnwick_CliBurnSource> m__Sources;
    std::vector<Planned> m__Tracks;
    WriteMode m__Mode = WriteMode::TrackAtOnce;
    ULONG m__ULONG__DiscType = 0;
    DISC_INFORMATION m__Disc{};
    Medium m__Medium = Medium::Other;
    bool m__bool__IsTest = false;
    bool m__bool__IsMulti = false;
    bool m__bool__IsAppendable = false;
    bool m__bool__HasTree = false;
    int m__int__FirstTrack = 1;
    int m__int__LastDataTrack = 0;  // the disc's last data track before the burn, 0 none
    ULONG m__ULONG__NextWritable = 0;
    ULONG m__ULONG__FreeBlocks = 0;
    size_t m__SIZE__Current = 0;  // the track being written
    bool m__bool__CurrentOpen = false;
    std::string m__string__Scratch;
    std::string m__string__TreeSources;
};

int Burn::Classify() {
    std::vector<Planned> l__Data, l__Sound;
    for (const std::string& l__string__Path : m__Arguments.Positional()) {
        CTarnwick_CliBurnSource l__Source;
        std::string l__string__Error;
        if (!l__Source.Classify(l__string__Path, l__string__Error))
            return Fail(CTarnwick_CliFailure("burn", "", EXCEPTION_NUMBER_NOT_FOUND, l__string__Error, "name a file or directory that exists"));
        m__Sources.push_back(l__Source);
        if (l__Source.GetKind() == Kind::Tree) {
            if (!m__string__TreeSources.empty()) m__string__TreeSources.append(", ");
            m__string__TreeSources.append(l__string__Path);
        }
    }
    for (const CTarnwick_CliBurnSource& l__Source : m__Sources) {
        Planned l__Track;
        l__Track.m__Kind = l__Source.GetKind();
        l__Track.m__string__Source = l__Source.Path();
        l__Track.m__string__Path = l__Source.Path();
        l__Track.m__Blocks = l__Source.Blocks();
        l__Track.m__Bytes = l__Source.Bytes();
        switch (l__Source.GetKind()) {
            case Kind::Tree:
                // All files and directories make one track, the first data track.
                if (!m__bool__HasTree) {
                    m__bool__HasTree = true;
                    l__Track.m__string__Source = m__string__TreeSources;
                    l__Track.m__string__Path.clear();
                    l__Data.insert(l__Data.begin(), l__Track);
                }
                break;
            case Kind::Sound: l__Sound.push_back(l__Track); break;
            default: l__Data.push_back(l__Track); break;
        }
    }
    m__Tracks = l__Data;
    m__Tracks.insert(m__Tracks.end(), l__Sound.begin(), l__Sound.end());
    return 0;
}

bool Burn::AskDisc(ULONG& p__ULONG__Number) {
    m__Drive.Clear();
    p__ULONG__Number = Tarnwick_CdvdBurnerGrabber_GetDiscInformation(m__Drive.Burner(), m__Drive.m__CHAR__Text,
                                                                    sizeof(m__Drive.m__CHAR__Text), &m__Drive.m__ULONG__Status,
                                                                    &m__Drive.m__Info, &m__Disc);
    return p__ULONG__Number == 0;
}

int Burn::CheckMedium() {
    ULONG l__ULONG__Number = 0;
    // A drive without a disc says so at once; one that is not ready otherwise (a tray just
    // closed) is waited for, and asked again.
    if (!AskDisc(l__ULONG__Number) && m__Drive.MediumNotPresent() == 0) {
        m__Drive.Clear();
        l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_TestUnitReady(m__Drive.Burner(), m__Drive.m__CHAR__Text,
                                                                   sizeof(m__Drive.m__CHAR__Text), &m__Drive.m__ULONG__Status,
                                                                   &m__Drive.m__Info);
        if (l__ULONG__Number == 0) AskDisc(l__ULONG__Number);
    }
    if (l__ULONG__Number != 0) return FailCall(l__ULONG__Number);
    m__ULONG__DiscType = m__Drive.DiscType();
    m__Medium = MediumOf(m__ULONG__DiscType);
    if (m__Medium == Medium::Other)
        return Fail(EXCEPTION_NUMBER_MEDIA_OR_DATA, "the disc in the drive cannot be written", "insert a blank disc");
    bool l__bool__HasSound = false, l__bool__HasRaw = false;
    for (const Planned& l__Track : m__Tracks) {
        l__bool__HasSound |= l__Track.m__Kind == Kind::Sound;
        l__bool__HasRaw |= l__Track.m__Kind == Kind::Raw;
    }
    const char* l__PCHAR__Medium = m__Medium == Medium::Bd ? "a BD" : "a DVD";
    if (l__bool__HasSound && m__Medium != Medium::Cd)
        return Fail(EXCEPTION_NUMBER_MEDIA_OR_DATA,
                    std::string("audio tracks can only be burned onto a CD, the disc is ").append(l__PCHAR__Medium),
                    "insert a blank CD, or burn the music files as files (put them in a directory)");
    if (l__bool__HasRaw && m__Medium != Medium::Cd)
        return Fail(EXCEPTION_NUMBER_MEDIA_OR_DATA, std::string("an .mds raw image can only be burned onto a CD, the disc is ").append(l__PCHAR__Medium),
                    "insert a blank CD");
    if (m__bool__IsTest && m__Medium == Medium::Bd)
        return Fail(EXCEPTION_NUMBER_MEDIA_OR_DATA, "a BD has no test write", "burn without --test");
    return 0;
}

int Burn::ChooseMode() {
    BOOLEAN l__BOOLEAN__Tao = FALSE, l__BOOLEAN__Sao = FALSE, l__BOOLEAN__DaoPq = FALSE, l__BOOLEAN__DaoRaw = FALSE;
    m__Drive.Clear();
    const ULONG l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_ProbeSupportedWriteModes(
        m__Drive.Burner(), m__Drive.m__CHAR__Text, sizeof(m__Drive.m__CHAR__Text), &m__Drive.m__ULONG__Status, &m__Drive.m__Info,
        &l__BOOLEAN__Tao, &l__BOOLEAN__Sao, &l__BOOLEAN__DaoPq, &l__BOOLEAN__DaoRaw);
    if (l__ULONG__Number != 0) return FailCall(l__ULONG__Number);
    // DVD and BD are written track by track whatever the drive reports for CDs.
    if (m__Medium != Medium::Cd) l__BOOLEAN__Sao = l__BOOLEAN__DaoPq = FALSE;
    std::string l__string__Offered;
    if (l__BOOLEAN__Tao) l__string__Offered.append(" --tao");
    if (l__BOOLEAN__Sao) l__string__Offered.append(" --sao");
    if (l__BOOLEAN__DaoPq) l__string__Offered.append(" --dao");
    if (l__string__Offered.empty()) l__string__Offered = " none";

    const bool l__bool__Raw = !m__Tracks.empty() && m__Tracks[0].m__Kind == Kind::Raw;
    bool l__bool__Offered = true;
    const char* l__PCHAR__Asked = nullptr;
    if (l__bool__Raw) {
        m__Mode = WriteMode::Raw;
        if (m__Arguments.Has("--tao") || m__Arguments.Has("--dao"))
            return Fail(EXCEPTION_NUMBER_UNSUPPORTED_MODE, "an .mds raw image is burned Session-At-Once only", "leave out --tao and --dao");
        l__bool__Offered = l__BOOLEAN__Sao != 0;
        l__PCHAR__Asked = "Session-At-Once";
    } else if (m__Arguments.Has("--tao")) {
        m__Mode = WriteMode::TrackAtOnce;
        l__bool__Offered = l__BOOLEAN__Tao != 0;
        l__PCHAR__Asked = "Track-At-Once";
    } else if (m__Arguments.Has("--sao")) {
        m__Mode = WriteMode::SessionAtOnce;
        l__bool__Offered = l__BOOLEAN__Sao != 0;
        l__PCHAR__Asked = "Session-At-Once";
    } else if (m__Arguments.Has("--dao")) {
        m__Mode = WriteMode::DiscAtOnce;
        l__bool__Offered = l__BOOLEAN__DaoPq != 0;
        l__PCHAR__Asked = "Disc-At-Once";
    } else {
        // Session-At-Once onto a blank CD; a session added to an appendable one is written
        // Track-At-Once.
        m__Mode = m__Medium == Medium::Cd && l__BOOLEAN__Sao && m__Disc.m__UCHAR__DiscStatus == 0 ? WriteMode::SessionAtOnce
                                                                                                 : WriteMode::TrackAtOnce;
        l__bool__Offered = m__Mode == WriteMode::SessionAtOnce || l__BOOLEAN__Tao != 0;
        l__PCHAR__Asked = m__Mode == WriteMode::SessionAtOnce ? "Session-At-Once" : "Track-At-Once";
    }
    if (!l__bool__Offered) {
        std::string l__string__Text = l__PCHAR__Asked;
        l__string__Text.append(" is not offered by the drive for this disc; it offers:").append(l__string__Offered);
        return Fail(EXCEPTION_NUMBER_UNSUPPORTED_MODE, l__string__Text, "choose one of the modes the drive offers");
    }
    // Track-At-Once and Session-At-Once write the whole blocks of decoded sound (a last part
    // block is left out); Disc-At-Once fills the last block up with silence.
    if (m__Mode != WriteMode::DiscAtOnce)
        for (Planned& l__Track : m__Tracks)
            if (l__Track.m__Kind == Kind::Sound) l__Track.m__Blocks = l__Track.m__Bytes / 2352;
    if (m__Mode == WriteMode::DiscAtOnce) {
        size_t l__SIZE__Data = 0;
        for (const Planned& l__Track : m__Tracks) l__SIZE__Data += l__Track.m__Kind != Kind::Sound ? 1 : 0;
        if (l__SIZE__Data > 1)
            return Fail(EXCEPTION_NUMBER_UNSUPPORTED_MODE, "Disc-At-Once takes one data track at most",
                        "burn the data tracks with --tao or --sao");
    }
    return 0;
}

int Burn::CheckDisc() {
    const DISC_INFORMATION& l__Disc = m__Disc;
    ULONG l__ULONG__Number = 0;
    const UCHAR l__UCHAR__Status = l__Disc.m__UCHAR__DiscStatus;
    const bool l__bool__Overwritable = IsOverwritable(m__ULONG__DiscType);
    bool l__bool__Writable = l__UCHAR__Status == 0;
    if (m__Mode == WriteMode::TrackAtOnce) l__bool__Writable = l__bool__Writable || l__UCHAR__Status == 1 || l__bool__Overwritable;
    if (!l__bool__Writable) {
        const bool l__bool__Erasable = l__Disc.m__UCHAR__Erasable != 0 || l__bool__Overwritable;
        std::string l__string__Text = "the disc is not blank";
        if (l__UCHAR__Status == 1) l__string__Text.append(" (it is appendable: only --tao adds a session to it)");
        return Fail(EXCEPTION_NUMBER_MEDIA_OR_DATA, l__string__Text,
                    l__bool__Erasable ? "erase it with `tarnwick blank`" : "insert a blank disc");
    }
    m__bool__IsAppendable = l__UCHAR__Status == 1 && !l__bool__Overwritable;
    if (m__bool__IsAppendable) {
        // The tracks already there: the new ones follow them, and the files of the last data
        // track are merged with the new files.
        auto l__Toc = std::make_unique<TOC_INFORMATION>();
        m__Drive.Clear();
        l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_ReadTOC(m__Drive.Burner(), m__Drive.m__CHAR__Text, sizeof(m__Drive.m__CHAR__Text),
                                                             &m__Drive.m__ULONG__Status, &m__Drive.m__Info, l__Toc.get());
        if (l__ULONG__Number != 0) return FailCall(l__ULONG__Number);
        int l__int__Last = 0;
        for (int i = 0; i < l__Toc->m__UCHAR__NumberOfTracks && i < TOC_MAXIMUM_TRACKS; ++i) {
            const TOC_TRACK_ENTRY& l__Entry = l__Toc->m__TOC_TRACK_ENTRY__Tracks[i];
            l__int__Last = std::max<int>(l__int__Last, l__Entry.m__UCHAR__TrackNumber);
            if (l__Entry.m__UCHAR__IsData != 0) m__int__LastDataTrack = l__Entry.m__UCHAR__TrackNumber;
        }
        m__int__FirstTrack = l__int__Last + 1;
    }
    TRACK_INFORMATION l__Track{};
    m__Drive.Clear();
    l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_GetTrackInformation(m__Drive.Burner(), m__Drive.m__CHAR__Text,
                                                                     sizeof(m__Drive.m__CHAR__Text), &m__Drive.m__ULONG__Status,
                                                                     &m__Drive.m__Info, 255, &l__Track);
    if (l__ULONG__Number != 0) return FailCall(l__ULONG__Number);
    m__ULONG__NextWritable = l__Track.m__ULONG__NextWritableAddress;
    m__ULONG__FreeBlocks = l__Track.m__ULONG__FreeBlocks;
    return 0;
}

int Burn::MasterTree() {
    if (!m__bool__HasTree) return 0;
    ULONG l__ULONG__Number = m__Tree.Create();
    if (l__ULONG__Number != 0) return FailTree(l__ULONG__Number);
    if (m__bool__IsAppendable && m__int__LastDataTrack != 0 && m__Mode == WriteMode::TrackAtOnce) {
        l__ULONG__Number = m__Tree.Import(m__Drive.Burner(), static_cast<UCHAR>(m__int__LastDataTrack));
        if (l__ULONG__Number != 0) return FailTree(l__ULONG__Number);
        m__Reporter.Event("import", {Field::Number("track", m__int__LastDataTrack)},
                          std::string("merging with the files of track ").append(std::to_string(m__int__LastDataTrack)));
    }
    for (const CTarnwick_CliBurnSource& l__Source : m__Sources) {
        if (l__Source.GetKind() != Kind::Tree) continue;
        l__ULONG__Number = m__Tree.Add(l__Source.Path(), l__Source.IsDirectory());
        if (l__ULONG__Number != 0) return FailTree(l__ULONG__Number);
    }
    for (const std::string& l__string__Renamed : m__Tree.Renamed())
        m__Reporter.Event("renamed", {Field::Text("names", l__string__Renamed)}, std::string("name taken, renamed: ").append(l__string__Renamed));
    // The tree is the first track of the burn: in Track-At-Once it starts at the next
    // writable address, in the other modes at the start of the disc.
    const ULONG l__ULONG__Start = m__Mode == WriteMode::TrackAtOnce ? m__ULONG__NextWritable : 0;
    std::string l__string__Label = "TARNWICK";
    l__ULONG__Number = m__Tree.Build(l__ULONG__Start, l__string__Label);
    if (l__ULONG__Number != 0) return FailTree(l__ULONG__Number);
    for (Planned& l__Track : m__Tracks)
        if (l__Track.m__Kind == Kind::Tree) l__Track.m__Blocks = (m__Tree.Size() + 2047) / 2048;
    // Disc-At-Once takes the tree from a file when audio tracks follow it.
    if (m__Mode == WriteMode::DiscAtOnce && m__Tracks.size() > 1) {
        const char* l__PCHAR__Dir = std::getenv("TMPDIR");
        std::string l__string__Template = l__PCHAR__Dir != nullptr && *l__PCHAR__Dir != '\0' ? l__PCHAR__Dir : "/tmp";
        l__string__Template.append("/tarnwick-burn-XXXXXX");
        const int l__int__File = ::mkstemp(l__string__Template.data());
        if (l__int__File < 0) return Fail(EXCEPTION_NUMBER_SYSTEM_ERROR, "cannot make a scratch file for the image of the files");
        ::close(l__int__File);
        m__string__Scratch = l__string__Template;
        l__ULONG__Number = m__Tree.Store(m__string__Scratch);
        if (l__ULONG__Number != 0) return FailTree(l__ULONG__Number);
        m__Tracks[0].m__string__Path = m__string__Scratch;
    }
    return 0;
}

int Burn::SetSpeed() {
    if (!m__Arguments.Has("--speed")) return 0;
    const std::string l__string__Speed = m__Arguments.Value("--speed");
    ULONG l__ULONG__Rate = 0xFFFF;
    if (l__string__Speed != "max") {
        unsigned long long l__Times = 0;
        CTarnwick_CliArguments::ParseNumber(l__string__Speed, 1, 64, l__Times);
        const ULONG l__ULONG__OneX = CTarnwick_CliDiscType::KilobytesPerX(m__ULONG__DiscType);
        // SET CD SPEED holds 16 bits of KB/s, and the toolkit keeps the low 16 bits of a larger
        // speed: a fast DVD or BD speed asks for the highest instead.
        l__ULONG__Rate = std::min<ULONG>(static_cast<ULONG>(l__Times) * l__ULONG__OneX, 0xFFFF);
    }
    m__Drive.Clear();
    const ULONG l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_SetSpeeds(m__Drive.Burner(), m__Drive.m__CHAR__Text,
                                                                       sizeof(m__Drive.m__CHAR__Text), &m__Drive.m__ULONG__Status,
                                                                       &m__Drive.m__Info, 0xFFFF, l__ULONG__Rate);
    if (l__ULONG__Number != 0) return FailCall(l__ULONG__Number);
    std::string l__string__Text = "write speed ";
    l__string__Text.append(l__ULONG__Rate == 0xFFFF ? std::string("the highest the drive offers")
                                                    : std::to_string(l__ULONG__Rate).append(" KB/s"));
    m__Reporter.Event("speed", {Field::Number("kbps", l__ULONG__Rate == 0xFFFF ? -1 : static_cast<long long>(l__ULONG__Rate))},
                      l__string__Text);
    return 0;
}

void Burn::TrackBegun(size_t p__SIZE__Index) {
    const Planned& l__Track = m__Tracks[p__SIZE__Index];
    const int l__int__Number = m__int__FirstTrack + static_cast<int>(p__SIZE__Index);
    const char* l__PCHAR__Kind = l__Track.m__Kind == Kind::Sound ? "audio" : l__Track.m__Kind == Kind::Raw ? "raw" : "data";
    std::string l__string__Text = "track ";
    l__string__Text.append(std::to_string(l__int__Number)).append(" (").append(l__PCHAR__Kind).append(", ").append(
        std::to_string(l__Track.m__Blocks)).append(" blocks): ").append(l__Track.m__string__Source);
    m__Reporter.Event("track-begin",
                      {Field::Number("track", l__int__Number), Field::Text("kind", l__PCHAR__Kind),
                       Field::Text("source", l__Track.m__string__Source), Field::Number("blocks", static_cast<long long>(l__Track.m__Blocks))},
                      l__string__Text);
    m__SIZE__Current = p__SIZE__Index;
    m__bool__CurrentOpen = true;
}

void Burn::TrackEnded(size_t p__SIZE__Index) {
    const Planned& l__Track = m__Tracks[p__SIZE__Index];
    m__Reporter.Event("track-end", {Field::Number("track", m__int__FirstTrack + static_cast<int>(p__SIZE__Index)),
                                    Field::Number("blocks", static_cast<long long>(l__Track.m__Blocks))});
    m__bool__CurrentOpen = false;
}

void Burn::NextTrack(void* p__PVOID__Context) {
    auto* l__This = static_cast<Burn*>(p__PVOID__Context);
    if (l__This->m__SIZE__Current + 1 >= l__This->m__Tracks.size()) {
        // A count after the last track (its gap): the whole burn is behind it.
        l__This->m__Progress.m__Base = 0;
        for (const Planned& l__Track : l__This->m__Tracks) l__This->m__Progress.m__Base += l__Track.m__Blocks;
        return;
    }
    if (l__This->m__bool__CurrentOpen) l__This->TrackEnded(l__This->m__SIZE__Current);
    l__This->TrackBegun(l__This->m__SIZE__Current + 1);
    uint64_t l__Base = 0;
    for (size_t i = 0; i < l__This->m__SIZE__Current; ++i) l__Base += l__This->m__Tracks[i].m__Blocks;
    l__This->m__Progress.m__Base = l__Base;
}

void Burn::EndTracks() {
    if (m__bool__CurrentOpen) TrackEnded(m__SIZE__Current);
    for (size_t i = m__SIZE__Current + 1; i < m__Tracks.size(); ++i) {
        TrackBegun(i);
        TrackEnded(i);
    }
}

int Burn::WriteTrackAtOnce() {
    uint64_t l__Base = 0;
    for (size_t i = 0; i < m__Tracks.size(); ++i) {
        const Planned& l__Track = m__Tracks[i];
        m__Reporter.SetBase(l__Base);
        m__Progress.m__Base = l__Base;
        m__Progress.m__LastDone = 0;
        TrackBegun(i);
        m__Drive.Clear();
        ULONG l__ULONG__Number;
        if (l__Track.m__Kind == Kind::Tree) {
            // The tree is the first track: its image was built for the next writable address.
            l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromTree(
                m__Drive.Burner(), m__Drive.m__CHAR__Text, sizeof(m__Drive.m__CHAR__Text), &m__Drive.m__ULONG__Status,
                &m__Drive.m__Info, m__Tree.Tree(), FALSE, m__bool__IsTest, m__bool__IsMulti, 1, 1);
        } else {
            std::string l__string__Path = l__Track.m__string__Path;
            l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_Pellmark(m__Drive.Burner(), m__Drive.m__CHAR__Text,
                                                                   sizeof(m__Drive.m__CHAR__Text), &m__Drive.m__ULONG__Status,
                                                                   &m__Drive.m__Info, l__string__Path.data(), FALSE, m__bool__IsTest,
                                                                   m__bool__IsMulti, 1, 1);
        }
        if (l__ULONG__Number != 0) return FailCall(l__ULONG__Number);
        l__Base += l__Track.m__Blocks;
        m__Reporter.Progress(l__Base);
        TrackEnded(i);
    }
    if (m__bool__IsTest) return 0;
    m__Drive.Clear();
    const ULONG l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_CloseSession(m__Drive.Burner(), m__Drive.m__CHAR__Text,
                                                                          sizeof(m__Drive.m__CHAR__Text), &m__Drive.m__ULONG__Status,
                                                                          &m__Drive.m__Info);
    if (l__ULONG__Number != 0) return FailCall(l__ULONG__Number);
    return 0;
}

int Burn::WriteSessionAtOnce() {
    auto l__Session = std::make_unique<SESSION_DESCRIPTOR>();
    *l__Session = SESSION_DESCRIPTOR{};
    l__Session->m__ULONG__NumberOfTracks = static_cast<ULONG>(m__Tracks.size());
    for (size_t i = 0; i < m__Tracks.size(); ++i) {
        SESSION_TRACK_ENTRY& l__Entry = l__Session->m__SESSION_TRACK_ENTRY__Tracks[i];
        // A CD track lasts 4 seconds at least: a shorter one (but the last, which the lead-out
        // follows after its own gap) is made up to 300 blocks with zeros after its data.
        if (i + 1 < m__Tracks.size() && m__Tracks[i].m__Blocks < MINIMUM_TRACK_BLOCKS)
            l__Entry.m__LONG__GapAfter = static_cast<LONG>(MINIMUM_TRACK_BLOCKS - m__Tracks[i].m__Blocks);
        if (m__Tracks[i].m__Kind == Kind::Tree) {
            l__Entry.m__PVOID__Tree = m__Tree.Tree();
            continue;
        }
        const std::string& l__string__Path = m__Tracks[i].m__string__Path;
        if (l__string__Path.size() >= SESSION_FILE_NAME_SIZE)
            return Fail(EXCEPTION_NUMBER_NAME_TOO_LONG,
                        std::string("the path is too long for Session-At-Once (at most 259 bytes): ").append(l__string__Path),
                        "move the file to a shorter path, or use --tao");
        l__string__Path.copy(l__Entry.m__CHAR__FileName, SESSION_FILE_NAME_SIZE - 1);
    }
    TrackBegun(0);
    m__Drive.Clear();
    const ULONG l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_SessionAtOnce(
        m__Drive.Burner(), m__Drive.m__CHAR__Text, sizeof(m__Drive.m__CHAR__Text), &m__Drive.m__ULONG__Status, &m__Drive.m__Info,
        l__Session.get(), FALSE, m__bool__IsTest, m__bool__IsMulti, 1, 1);
    if (l__ULONG__Number != 0) return FailCall(l__ULONG__Number);
    EndTracks();
    return 0;
}

int Burn::WriteDiscAtOnce() {
    ULONG l__ULONG__Number;
    TrackBegun(0);
    m__Drive.Clear();
    if (m__Tracks.size() == 1 && m__Tracks[0].m__Kind == Kind::Tree) {
        l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_DiscAtOncePQFromTree(
            m__Drive.Burner(), m__Drive.m__CHAR__Text, sizeof(m__Drive.m__CHAR__Text), &m__Drive.m__ULONG__Status, &m__Drive.m__Info,
            m__Tree.Tree(), FALSE, m__bool__IsTest, m__bool__IsMulti, 1, 1);
    } else {
        auto l__List = std::make_unique<DISC_AT_ONCE_TRACK_LIST>();
        *l__List = DISC_AT_ONCE_TRACK_LIST{};
        l__List->m__ULONG__NumberOfTracks = static_cast<ULONG>(m__Tracks.size());
        for (size_t i = 0; i < m__Tracks.size(); ++i) {
            const std::string& l__string__Path = m__Tracks[i].m__string__Path;
            if (l__string__Path.size() >= SESSION_FILE_NAME_SIZE)
                return Fail(EXCEPTION_NUMBER_NAME_TOO_LONG,
                            std::string("the path is too long for Disc-At-Once (at most 259 bytes): ").append(l__string__Path),
                            "move the file to a shorter path, or use --tao");
            l__string__Path.copy(l__List->m__DISC_AT_ONCE_TRACK_ENTRY__Tracks[i].m__CHAR__FileName, SESSION_FILE_NAME_SIZE - 1);
        }
        l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_DiscAtOncePQFromFile(
            m__Drive.Burner(), m__Drive.m__CHAR__Text, sizeof(m__Drive.m__CHAR__Text), &m__Drive.m__ULONG__Status, &m__Drive.m__Info,
            l__List.get(), FALSE, m__bool__IsTest, m__bool__IsMulti, 1, 1);
    }
    if (l__ULONG__Number != 0) return FailCall(l__ULONG__Number);
    EndTracks();
    return 0;
}

int Burn::WriteRaw() {
    TrackBegun(0);
    std::string l__string__Path = m__Tracks[0].m__string__Path;
    m__Drive.Clear();
    const ULONG l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_SessionAtOnceRawRawPW(
        m__Drive.Burner(), m__Drive.m__CHAR__Text, sizeof(m__Drive.m__CHAR__Text), &m__Drive.m__ULONG__Status, &m__Drive.m__Info,
        l__string__Path.data(), m__bool__IsTest, 1, 1, FALSE);
    if (l__ULONG__Number != 0) return FailCall(l__ULONG__Number);
    EndTracks();
    return 0;
}

int Burn::Write() {
    uint64_t l__Total = 0;
    bool l__bool__AllSound = true;
    for (const Planned& l__Track : m__Tracks) {
        l__Total += l__Track.m__Blocks;
        l__bool__AllSound = l__bool__AllSound && l__Track.m__Kind == Kind::Sound;
    }
    const double l__double__OneX = CTarnwick_CliDiscType::BytesPerX(m__ULONG__DiscType);
    m__Progress.m__bool__CountsPerTrack = m__Mode != WriteMode::TrackAtOnce;
    m__Progress.m__OnNextTrack = NextTrack;
    m__Progress.m__PVOID__Context = this;
    m__Progress.m__Base = m__Progress.m__LastDone = m__Progress.m__LastTotal = 0;
    m__Reporter.BeginPhase("burn", l__Total, m__Mode == WriteMode::Raw ? 2448 : l__bool__AllSound ? 2352 : 2048, l__double__OneX);
    int l__int__Exit = 0;
    switch (m__Mode) {
        case WriteMode::TrackAtOnce: l__int__Exit = WriteTrackAtOnce(); break;
        case WriteMode::SessionAtOnce: l__int__Exit = WriteSessionAtOnce(); break;
        case WriteMode::DiscAtOnce: l__int__Exit = WriteDiscAtOnce(); break;
        case WriteMode::Raw: l__int__Exit = WriteRaw(); break;
    }
    m__Progress.m__OnNextTrack = nullptr;
    m__Progress.m__bool__CountsPerTrack = false;
    m__Reporter.EndPhase(l__int__Exit == 0);
    return l__int__Exit;
}

int Burn::Verify() {
    std::vector<CTarnwick_CliBurnVerify::Track> l__Tracks;
    for (size_t i = 0; i < m__Tracks.size(); ++i) {
        const Planned& l__Planned = m__Tracks[i];
        CTarnwick_CliBurnVerify::Track l__Track;
        l__Track.m__int__Number = m__int__FirstTrack + static_cast<int>(i);
        l__Track.m__Blocks = l__Planned.m__Blocks;
        l__Track.m__string__Path = l__Planned.m__string__Path;
        if (l__Planned.m__Kind == Kind::Raw) {
            m__Reporter.Event("verify-skipped", {Field::Text("source", l__Planned.m__string__Source)},
                              "an .mds raw image is not read back: the verify covers images, files and music");
            return 0;
        }
        l__Track.m__Source = l__Planned.m__Kind == Kind::Tree    ? CTarnwick_CliBurnVerify::Source::Tree
                             : l__Planned.m__Kind == Kind::Sound ? CTarnwick_CliBurnVerify::Source::Sound
                                                                 : CTarnwick_CliBurnVerify::Source::File;
        l__Track.m__Tree = &m__Tree;
        l__Tracks.push_back(l__Track);
    }
    const double l__double__OneX = CTarnwick_CliDiscType::BytesPerX(m__ULONG__DiscType);
    m__Progress.m__Base = m__Progress.m__LastDone = 0;
    m__Reporter.BeginPhase("verify", CTarnwick_CliBurnVerify::TotalBlocks(l__Tracks), 2048, l__double__OneX);
    CTarnwick_CliFailure l__Failure;
    const bool l__bool__Ok = CTarnwick_CliBurnVerify::Run(
        m__Drive, l__Tracks,
        [](void* p__PVOID__Context, uint64_t p__Done) {
            auto* l__Progress = static_cast<Progress*>(p__PVOID__Context);
            l__Progress->m__Base = p__Done;
            l__Progress->m__LastDone = 0;
            l__Progress->m__Reporter->SetBase(p__Done);
            l__Progress->m__Reporter->Progress(p__Done);
        },
        &m__Progress, &l__Failure);
    m__Reporter.EndPhase(l__bool__Ok);
    if (!l__bool__Ok) return Fail(l__Failure);
    return 0;
}

int Burn::Run() {
    m__bool__IsTest = m__Arguments.Has("--test");
    m__bool__IsMulti = m__Arguments.Has("--multi");
    int l__int__Exit = Classify();
    if (l__int__Exit != 0) return l__int__Exit;
    if (!m__Tracks.empty() && m__Tracks[0].m__Kind == Kind::Raw && m__Tracks.size() > 1)
        return UsageError("an .mds raw image is the whole disc: burn it alone");
    for (const Planned& l__Track : m__Tracks)
        if (l__Track.m__Kind == Kind::Raw && m__Tracks[0].m__Kind != Kind::Raw)
            return UsageError("an .mds raw image is the whole disc: burn it alone");
    if (m__bool__IsMulti && m__Tracks[0].m__Kind == Kind::Raw)
        return UsageError("an .mds raw image is burned as the disc's only session: --multi does not apply");

    CTarnwick_CliFailure l__Failure;
    if (!m__Drive.Open("burn", m__Arguments.Value("--drive"), OnProgress, &m__Progress, &l__Failure)) return Fail(l__Failure);
    if ((l__int__Exit = CheckMedium()) != 0 || (l__int__Exit = ChooseMode()) != 0 || (l__int__Exit = CheckDisc()) != 0 ||
        (l__int__Exit = MasterTree()) != 0)
        return l__int__Exit;

    uint64_t l__Blocks = 0;
    for (const Planned& l__Track : m__Tracks) l__Blocks += l__Track.m__Blocks;
    // An unformatted DVD+RW or BD-RE tells no free blocks until the burn formats it: its
    // size is known only then.
    const bool l__bool__SizeKnown = !(IsOverwritable(m__ULONG__DiscType) && m__ULONG__FreeBlocks == 0);
    if (m__Mode != WriteMode::Raw && l__bool__SizeKnown && l__Blocks > m__ULONG__FreeBlocks) {
        std::string l__string__Text = "the sources need ";
        l__string__Text.append(std::to_string(l__Blocks)).append(" blocks (").append(CTarnwick_CliReporter::Size(l__Blocks * 2048));
        l__string__Text.append("), the disc has ").append(std::to_string(m__ULONG__FreeBlocks)).append(" free blocks (");
        l__string__Text.append(CTarnwick_CliReporter::Size(static_cast<uint64_t>(m__ULONG__FreeBlocks) * 2048)).append(")");
        return Fail(EXCEPTION_NUMBER_SIZE_LIMIT, l__string__Text, "burn fewer sources, or use a larger disc");
    }
    if ((l__int__Exit = SetSpeed()) != 0) return l__int__Exit;

    std::string l__string__Text = m__bool__IsTest ? "test write (nothing is recorded), " : "burning ";
    l__string__Text.append(std::to_string(m__Tracks.size())).append(" track(s), ").append(ModeName(m__Mode)).append(", on ").append(
        m__Drive.Name());
    m__Reporter.Event("burn-begin",
                      {Field::Text("drive", m__Drive.Name()), Field::Text("mode", ModeName(m__Mode)), Field::Flag("test", m__bool__IsTest),
                       Field::Flag("multi", m__bool__IsMulti), Field::Number("tracks", static_cast<long long>(m__Tracks.size())),
                       Field::Number("blocks", static_cast<long long>(l__Blocks))},
                      l__string__Text);
    if ((l__int__Exit = Write()) != 0) return l__int__Exit;

    const bool l__bool__Verify = m__Arguments.Has("--verify") && !m__bool__IsTest;
    if (m__Arguments.Has("--verify") && m__bool__IsTest)
        m__Reporter.Event("verify-skipped", {}, "a test write records nothing: there is nothing to verify");
    if (l__bool__Verify) {
        // The tests' hook: a command run between the write and the verify.
        const char* l__PCHAR__Hook = std::getenv("TARNWICK_TEST_BEFORE_VERIFY");
        if (l__PCHAR__Hook != nullptr && *l__PCHAR__Hook != '\0') {
            std::fflush(stdout);
            if (std::system(l__PCHAR__Hook) != 0) m__Reporter.Note("the command of TARNWICK_TEST_BEFORE_VERIFY failed");
        }
        if ((l__int__Exit = Verify()) != 0) return l__int__Exit;
    }
    bool l__bool__Ejected = false;
    if (!m__Arguments.Has("--no-eject")) {
        m__Drive.Clear();
        const ULONG l__ULONG__Number = Tarnwick_CdvdBurnerGrabber_Eject(m__Drive.Burner(), m__Drive.m__CHAR__Text, sizeof(m__Drive.m__CHAR__Text),
                                                                       &m__Drive.m__ULONG__Status, &m__Drive.m__Info);
        l__bool__Ejected = l__ULONG__Number == 0;
        // The burn is done: a tray that does not open is told, not failed.
        if (!l__bool__Ejected) m__Reporter.Event("eject-failed", {Field::Text("text", m__Drive.m__CHAR__Text)},
                                                 std::string("the disc was not ejected: ").append(m__Drive.m__CHAR__Text));
    }
    std::string l__string__Done = m__bool__IsTest ? "test write done" : "burn done";
    if (l__bool__Verify) l__string__Done.append(", verified");
    m__Reporter.Event("done",
                      {Field::Text("mode", ModeName(m__Mode)), Field::Flag("test", m__bool__IsTest),
                       Field::Number("tracks", static_cast<long long>(m__Tracks.size())),
                       Field::Number("blocks", static_cast<long long>(l__Blocks)), Field::Flag("verified", l__bool__Verify),
                       Field::Flag("ejected", l__bool__Ejected)},
                      l__string__Done);
    return 0;
}

}  // namespace

int CTarnwick_CliBurn::Run(const std::string&, const std::vector<std::string>& p__Arguments) {
    std::set<std::string> l__Flags = CTarnwick_CliArguments::CommonFlags();
    l__Flags.insert({"--tao", "--sao", "--dao", "--test", "--multi", "--no-eject", "--verify"});
    std::set<std::string> l__Valued = CTarnwick_CliArguments::CommonValued();
    l__Valued.insert("--speed");
    CTarnwick_CliArguments l__Arguments;
    if (!l__Arguments.Parse(p__Arguments, l__Flags, l__Valued)) return UsageError(l__Arguments.Error());
    if (l__Arguments.Positional().empty()) return UsageError("name at least one source");
    const int l__int__Modes = (l__Arguments.Has("--tao") ? 1 : 0) + (l__Arguments.Has("--sao") ? 1 : 0) + (l__Arguments.Has("--dao") ? 1 : 0);
    if (l__int__Modes > 1) return UsageError("choose one of --tao, --sao and --dao");
    if (l__Arguments.Has("--speed")) {
        unsigned long long l__Times = 0;
        const std::string l__string__Speed = l__Arguments.Value("--speed");
        if (l__string__Speed != "max" && !CTarnwick_CliArguments::ParseNumber(l__string__Speed, 1, 64, l__Times))
            return UsageError(std::string("--speed takes a whole number from 1 to 64, or max, not '").append(l__string__Speed).append("'"));
    }
    CTarnwick_CliReporter l__Reporter(CTarnwick_CliReporter::Choose(l__Arguments.IsJson()));
    Burn l__Burn(l__Arguments, l__Reporter);
    return l__Burn.Run();
}

const char* CTarnwick_CliBurn::Usage(const std::string&) { return USAGE; }
