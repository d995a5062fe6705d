// Quorvane: masters an ISO9660/Joliet image from a local directory (or file), after importing
// the file tree of a track already on the disc when asked, so that the new session shows the
// earlier files too, and burns it Track-At-Once as one data track onto the disc at a SCSI
// address; the session is closed unless the write is a test.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "CTarnwick_QuorvaneNames.h"
#include "CTarnwick_SampleBurn.h"
#include "CTarnwick_Utf16.h"
#include "tarnwick.h"

namespace {

// Nodes in the tree: the context of the tree's callback.
LONG g__LONG__NodeCount = 0;
CTarnwick_QuorvaneNames g__CTarnwick_QuorvaneNames__Names;

std::string WideName(const UCHAR* p__PUCHAR__Name, size_t p__SIZE__Bytes) {
    return CTarnwick_Utf16::ToUtf8(CTarnwick_Utf16::FromTerminated(p__PUCHAR__Name, p__SIZE__Bytes));
}

// Gives the new node of a collision a name of its own, so that both stay in the directory.
void AnswerNameCollision(PNAME_COLLISION_INFORMATION p__PNAME_COLLISION_INFORMATION__Record) {
    NAME_COLLISION_INFORMATION& r = *p__PNAME_COLLISION_INFORMATION__Record;
    std::printf("Quorvane:Callback(): Name collision for ");
    if (r.m__BOOLEAN__IsJoliet != 0) {
        std::printf("Joliet : <%s> -> ", WideName(r.m__UCHAR__NewName, sizeof(r.m__UCHAR__NewName)).c_str());
        const std::time_t l__time_t__Now = std::time(nullptr);
        char l__CHAR__Time[64] = {};
        if (::ctime_r(&l__time_t__Now, l__CHAR__Time) == nullptr) l__CHAR__Time[0] = '\0';
        CTarnwick_QuorvaneNames::RenameJoliet(r.m__UCHAR__NewName, sizeof(r.m__UCHAR__NewName), l__CHAR__Time);
        std::printf("<%s>\n", WideName(r.m__UCHAR__NewName, sizeof(r.m__UCHAR__NewName)).c_str());
    } else {
        PCHAR l__PCHAR__Name = reinterpret_cast<PCHAR>(r.m__UCHAR__NewName);
        l__PCHAR__Name[sizeof(r.m__UCHAR__NewName) - 1] = '\0';
        std::printf("ISO9660 : <%s> -> ", l__PCHAR__Name);
        g__CTarnwick_QuorvaneNames__Names.RenameISO9660(l__PCHAR__Name, sizeof(r.m__UCHAR__NewName));
        std::printf("<%s>\n", l__PCHAR__Name);
    }
    r.m__ULONG__Action = NAME_COLLISION_ACTION_RENAME_NEW;
}

void Callback(ULONG p__ULONG__Reason, PVOID /*p__PVOID__Context*/, PVOID p__PVOID__Parameter1,
              PVOID p__PVOID__Parameter2) {
    switch (p__ULONG__Reason) {
        case ADD_NAME:
            ++g__LONG__NodeCount;
            std::printf("Quorvane:Callback(): Adding name '%s', tree node(s) %ld\n",
                        static_cast<const char*>(p__PVOID__Parameter1), static_cast<long>(g__LONG__NodeCount));
            break;
        case REMOVE_NAME:
            --g__LONG__NodeCount;
            std::printf("Quorvane:Callback(): Removing name '%s', tree node(s) %ld\n",
                        static_cast<const char*>(p__PVOID__Parameter1), static_cast<long>(g__LONG__NodeCount));
            break;
        case IGNORE_NAME:
            std::printf("Quorvane:Callback(): Ignoring name '%s', tree node(s) %ld\n",
                        static_cast<const char*>(p__PVOID__Parameter1), static_cast<long>(g__LONG__NodeCount));
            break;
        case NAME_COLLISION:
            AnswerNameCollision(static_cast<PNAME_COLLISION_INFORMATION>(p__PVOID__Parameter1));
            break;
        default:
            CTarnwick_SampleBurn::PrintWriteEvent("Quorvane", p__ULONG__Reason, p__PVOID__Parameter1,
                                                  p__PVOID__Parameter2);
            return;
    }
    std::fflush(stdout);
}

// Masters the tree (import, the source under the date name) and builds its image at the next
// writable address. False, with the failure printed, when a step fails.
bool MasterImage(CTarnwick_SampleBurn& p__Burn, PVOID p__PVOID__Tree, UCHAR p__UCHAR__ImportTrack, PCHAR p__PCHAR__Source,
                 PCHAR p__PCHAR__DateName) {
    if (p__UCHAR__ImportTrack != 0) {
        std::printf("Quorvane:main(): Importing track %d... ", static_cast<int>(p__UCHAR__ImportTrack));
        std::fflush(stdout);
        p__Burn.m__ULONG__Exception = Tarnwick_ISO9660JolietFileTree_ImportTrack(
            p__Burn.m__PVOID__Burner, p__PVOID__Tree, p__UCHAR__ImportTrack, 1, p__Burn.m__CHAR__ExceptionText,
            sizeof(p__Burn.m__CHAR__ExceptionText), &p__Burn.m__ULONG__Status);
        if (!p__Burn.Succeeded("Tarnwick_ISO9660JolietFileTree_ImportTrack", "\n")) return false;
        std::printf("OK!");
    }

    // Without an import the tree has no root yet: the source then goes under the root.
    PVOID l__PVOID__Parent = Tarnwick_ISO9660FileTree_GetRoot(p__PVOID__Tree);
    if (l__PVOID__Parent == nullptr) std::printf("\nQuorvane:main(): WARNING! Tarnwick_ISO9660FileTree_GetRoot() failed\n");
    std::fflush(stdout);
    p__Burn.m__ULONG__Exception = Tarnwick_ISO9660JolietFileTree_Add(
        p__PVOID__Tree, p__Burn.m__CHAR__ExceptionText, sizeof(p__Burn.m__CHAR__ExceptionText), &p__Burn.m__ULONG__Status,
        p__PCHAR__Source, p__PCHAR__DateName, 2, &l__PVOID__Parent);
    if (!p__Burn.Succeeded("Tarnwick_ISO9660FileTree_Add", "\n")) return false;

    const ULONG l__ULONG__TreeLevel = Tarnwick_ISO9660JolietFileTree_GetTreeLevel(p__PVOID__Tree);
    std::printf("\nQuorvane:main(): Tree level %ld\n", static_cast<long>(l__ULONG__TreeLevel));
    if (l__ULONG__TreeLevel > 8)
        std::printf("\nQuorvane:main(): Warning: Tree level exceeds allowed 8, image may be unusable!!!\n");

    std::printf("\nQuorvane:main(): Building ISO image... ");
    std::fflush(stdout);
    CHAR l__CHAR__VolumeLabel[] = "Volume N1";
    CHAR l__CHAR__Program[] = "Quorvane.exe";
    p__Burn.m__ULONG__Exception = Tarnwick_ISO9660FileTree_BuildImage(
        p__PVOID__Tree, p__Burn.m__CHAR__ExceptionText, sizeof(p__Burn.m__CHAR__ExceptionText), &p__Burn.m__ULONG__Status,
        p__Burn.m__TRACK_INFORMATION__Track.m__ULONG__NextWritableAddress, l__ULONG__TreeLevel, 1, l__CHAR__VolumeLabel,
        l__CHAR__Program, l__CHAR__Program);
    return p__Burn.Succeeded("Tarnwick_ISO9660FileTree_BuildImage", "\n");
}

}  // namespace

int main(int argc, char** argv) {
    CTarnwick_SampleBurn l__Burn("Quorvane");
    PVOID l__PVOID__Tree = nullptr;

    std::printf("\nQuorvane:main(): ENTERed for %ld argument(s)\n", static_cast<long>(argc));
    if (argc < 8) {
        std::printf("\nQuorvane:main(): EXITing with failure!!!\n\n");
        std::printf("Quorvane:main(): SCSI address, source directory or file name, is test write required, number of "
                    "track to import ( 0 - no import)!!!\n");
        std::printf("Quorvane:main(): Example: Quorvane.exe 0 0 1 0 c:\\corvel 1 1\n");
        return 87;
    }
    l__Burn.SetAddress(argv);
    PCHAR l__PCHAR__Source = argv[5];
    BOOLEAN l__BOOLEAN__IsTestWrite = static_cast<BOOLEAN>(std::atoi(argv[6]));
    UCHAR l__UCHAR__ImportTrack = static_cast<UCHAR>(std::atoi(argv[7]));

    std::printf("\nQuorvane:main(): Creating Joliet file tree\n\n");
    std::fflush(stdout);
    // Every step below ends in the clean-up.
    do {
        if (!l__Burn.UpStart()) break;
        l__Burn.m__ULONG__Exception = Tarnwick_ISO9660JolietFileTree_Create(
            &l__PVOID__Tree, l__Burn.m__CHAR__ExceptionText, sizeof(l__Burn.m__CHAR__ExceptionText),
            &l__Burn.m__ULONG__Status, Callback, &g__LONG__NodeCount, 1, 0, 1, 1);
        if (!l__Burn.Succeeded("Tarnwick_ISO9660FileTree_Create", "\n")) break;

        std::printf("\nQuorvane:main(): Adding '%s' to the file tree...\n", l__PCHAR__Source);
        CHAR l__CHAR__DateName[260] = {};
        const std::string l__DateName = CTarnwick_QuorvaneNames::DateName(std::time(nullptr));
        l__DateName.copy(l__CHAR__DateName, sizeof(l__CHAR__DateName) - 1);

        l__Burn.PrintProbing();
        if (!l__Burn.CreateBurner(Callback)) break;
        if (!l__Burn.HasTrackAtOnce()) break;
        if (!l__Burn.QueryDrive()) break;

        if (!MasterImage(l__Burn, l__PVOID__Tree, l__UCHAR__ImportTrack, l__PCHAR__Source, l__CHAR__DateName)) break;
        ULONG l__ULONG__High = 0;
        const ULONG l__ULONG__Low = Tarnwick_ISO9660JolietFileTree_GetSizeInUCHARs(l__PVOID__Tree, &l__ULONG__High);
        const LONGLONG l__LONGLONG__ImageSize = static_cast<LONGLONG>((ULONGLONG{l__ULONG__High} << 32) | l__ULONG__Low);
        std::printf("OK!\nQuorvane:main(): Burning %" PRId64 " UCHARs of ISO9660/Joliet image from '%s'\n",
                    l__LONGLONG__ImageSize, l__PCHAR__Source);
        l__Burn.Calibrate(l__BOOLEAN__IsTestWrite);

        CTarnwick_SampleBurn::ResetLastPercentage();
        l__Burn.m__ULONG__Exception = Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromTree(
            l__Burn.m__PVOID__Burner, l__Burn.m__CHAR__ExceptionText, sizeof(l__Burn.m__CHAR__ExceptionText),
            &l__Burn.m__ULONG__Status, &l__Burn.m__CDB_FAILURE_INFORMATION__Info, l__PVOID__Tree, 1,
            l__BOOLEAN__IsTestWrite, 1, 1, 5);
        if (!l__Burn.Succeeded("Tarnwick_CdvdBurnerGrabber_TrackAtOnceFromTree")) break;

        if (l__BOOLEAN__IsTestWrite) {
            std::printf("Quorvane:main(): Skipping close session in test mode... ");
        } else {
            l__Burn.CloseSession();
        }
        l__Burn.Eject();
    } while (false);

    // The tree is the burner's source until the write has ended: it goes first.
    if (l__PVOID__Tree != nullptr) Tarnwick_Destroy(&l__PVOID__Tree);
    l__Burn.DestroyBurner();
    Tarnwick_DownShut();
    l__Burn.PrintExit();
    return static_cast<int>(l__Burn.m__ULONG__Status);
}
