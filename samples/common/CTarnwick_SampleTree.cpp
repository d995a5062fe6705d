#include "CTarnwick_SampleTree.h"

#include <cinttypes>
#include <cstdio>
#include <ctime>

#include "CTarnwick_Utf16.h"

namespace {

std::string WideName(const UCHAR* p__PUCHAR__Name, size_t p__SIZE__Bytes) {
    return CTarnwick_Utf16::ToUtf8(CTarnwick_Utf16::FromTerminated(p__PUCHAR__Name, p__SIZE__Bytes));
}

}  // namespace

CTarnwick_SampleTree::CTarnwick_SampleTree(const char* p__PCHAR__Program) : m__PCHAR__Program(p__PCHAR__Program) {}

bool CTarnwick_SampleTree::HandleTreeEvent(ULONG p__ULONG__Reason, PVOID p__PVOID__Parameter1) {
    const char* p = m__PCHAR__Program;
    switch (p__ULONG__Reason) {
        case ADD_NAME:
            ++m__LONG__NodeCount;
            std::printf("%s:Callback(): Adding name '%s', tree node(s) %ld\n", p,
                        static_cast<const char*>(p__PVOID__Parameter1), static_cast<long>(m__LONG__NodeCount));
            break;
        case REMOVE_NAME:
            --m__LONG__NodeCount;
            std::printf("%s:Callback(): Removing name '%s', tree node(s) %ld\n", p,
                        static_cast<const char*>(p__PVOID__Parameter1), static_cast<long>(m__LONG__NodeCount));
            break;
        case IGNORE_NAME:
            std::printf("%s:Callback(): Ignoring name '%s', tree node(s) %ld\n", p,
                        static_cast<const char*>(p__PVOID__Parameter1), static_cast<long>(m__LONG__NodeCount));
            break;
        case NAME_COLLISION:
            AnswerNameCollision(static_cast<PNAME_COLLISION_INFORMATION>(p__PVOID__Parameter1));
            break;
        default:
            return false;
    }
    std::fflush(stdout);
    return true;
}

void CTarnwick_SampleTree::AnswerNameCollision(PNAME_COLLISION_INFORMATION p__PNAME_COLLISION_INFORMATION__Record) {
    NAME_COLLISION_INFORMATION& r = *p__PNAME_COLLISION_INFORMATION__Record;
    std::printf("%s:Callback(): Name collision for ", m__PCHAR__Program);
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
        m__CTarnwick_QuorvaneNames__Names.RenameISO9660(l__PCHAR__Name, sizeof(r.m__UCHAR__NewName));
        std::printf("<%s>\n", l__PCHAR__Name);
    }
    r.m__ULONG__Action = NAME_COLLISION_ACTION_RENAME_NEW;
}

bool CTarnwick_SampleTree::Begin(CTarnwick_SampleBurn& p__Burn, PROGRESS_CALLBACK p__Callback,
                                 const char* p__PCHAR__Source) {
    std::printf("\n%s:main(): Creating Joliet file tree\n\n", m__PCHAR__Program);
    std::fflush(stdout);
    if (!p__Burn.UpStart() || !Create(p__Burn, p__Callback)) return false;
    PrintAdding(p__PCHAR__Source);
    return true;
}

bool CTarnwick_SampleTree::Create(CTarnwick_SampleBurn& p__Burn, PROGRESS_CALLBACK p__Callback) {
    p__Burn.m__ULONG__Exception = Tarnwick_ISO9660JolietFileTree_Create(
        &m__PVOID__Tree, p__Burn.m__CHAR__ExceptionText, sizeof(p__Burn.m__CHAR__ExceptionText),
        &p__Burn.m__ULONG__Status, p__Callback, &m__LONG__NodeCount, 1, 0, 1, 1);
    return p__Burn.Succeeded("Tarnwick_ISO9660FileTree_Create", "\n");
}

void CTarnwick_SampleTree::PrintAdding(const char* p__PCHAR__Source) {
    std::printf("\n%s:main(): Adding '%s' to the file tree...\n", m__PCHAR__Program, p__PCHAR__Source);
    std::fflush(stdout);
    const std::string l__DateName = CTarnwick_QuorvaneNames::DateName(std::time(nullptr));
    m__CHAR__DateName[l__DateName.copy(m__CHAR__DateName, sizeof(m__CHAR__DateName) - 1)] = '\0';
}

bool CTarnwick_SampleTree::AddSource(CTarnwick_SampleBurn& p__Burn, PCHAR p__PCHAR__Source) {
    const char* p = m__PCHAR__Program;
    // A tree without a root (nothing imported) takes the source under the root it makes.
    PVOID l__PVOID__Parent = Tarnwick_ISO9660FileTree_GetRoot(m__PVOID__Tree);
    if (l__PVOID__Parent == nullptr) std::printf("\n%s:main(): WARNING! Tarnwick_ISO9660FileTree_GetRoot() failed\n", p);
    std::fflush(stdout);
    p__Burn.m__ULONG__Exception = Tarnwick_ISO9660JolietFileTree_Add(
        m__PVOID__Tree, p__Burn.m__CHAR__ExceptionText, sizeof(p__Burn.m__CHAR__ExceptionText), &p__Burn.m__ULONG__Status,
        p__PCHAR__Source, m__CHAR__DateName, 2, &l__PVOID__Parent);
    if (!p__Burn.Succeeded("Tarnwick_ISO9660FileTree_Add", "\n")) return false;

    m__ULONG__TreeLevel = Tarnwick_ISO9660JolietFileTree_GetTreeLevel(m__PVOID__Tree);
    std::printf("\n%s:main(): Tree level %ld\n", p, static_cast<long>(m__ULONG__TreeLevel));
    if (m__ULONG__TreeLevel > 8)
        std::printf("\n%s:main(): Warning: Tree level exceeds allowed 8, image may be unusable!!!\n", p);
    std::fflush(stdout);
    return true;
}

bool CTarnwick_SampleTree::BuildImage(CTarnwick_SampleBurn& p__Burn, const char* p__PCHAR__Lead,
                                      const char* p__PCHAR__Source) {
    std::printf("%s%s:main(): Building ISO image... ", p__PCHAR__Lead, m__PCHAR__Program);
    std::fflush(stdout);
    CHAR l__CHAR__VolumeLabel[] = "Volume N1";
    std::string l__Application = std::string(m__PCHAR__Program) + ".exe";
    p__Burn.m__ULONG__Exception = Tarnwick_ISO9660FileTree_BuildImage(
        m__PVOID__Tree, p__Burn.m__CHAR__ExceptionText, sizeof(p__Burn.m__CHAR__ExceptionText), &p__Burn.m__ULONG__Status,
        p__Burn.m__TRACK_INFORMATION__Track.m__ULONG__NextWritableAddress, m__ULONG__TreeLevel, 1, l__CHAR__VolumeLabel,
        l__Application.data(), l__Application.data());
    if (!p__Burn.Succeeded("Tarnwick_ISO9660FileTree_BuildImage", "\n")) return false;

    ULONG l__ULONG__High = 0;
    const ULONG l__ULONG__Low = Tarnwick_ISO9660JolietFileTree_GetSizeInUCHARs(m__PVOID__Tree, &l__ULONG__High);
    const LONGLONG l__LONGLONG__ImageSize = static_cast<LONGLONG>((ULONGLONG{l__ULONG__High} << 32) | l__ULONG__Low);
    std::printf("OK!\n%s:main(): Burning %" PRId64 " UCHARs of ISO9660/Joliet image from '%s'\n", m__PCHAR__Program,
                l__LONGLONG__ImageSize, p__PCHAR__Source);
    std::fflush(stdout);
    return true;
}

void CTarnwick_SampleTree::Destroy() {
    if (m__PVOID__Tree != nullptr) Tarnwick_Destroy(&m__PVOID__Tree);
}

int CTarnwick_SampleTree::Finish(CTarnwick_SampleBurn& p__Burn) {
    Destroy();
    p__Burn.DestroyBurner();
    Tarnwick_DownShut();
    p__Burn.PrintExit();
    return static_cast<int>(p__Burn.m__ULONG__Status);
}
