#include "CTarnwick_ToolIsoMaster.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "CTarnwick_ToolNames.h"

namespace {

// The time as the volume descriptors write it: YYYYMMDDHHMMSS and hundredths, in UTC.
std::string TimeText(std::time_t p__time_t__Time) {
    std::tm l__tm__Utc{};
    gmtime_r(&p__time_t__Time, &l__tm__Utc);
    char l__CHAR__Text[64];
    std::snprintf(l__CHAR__Text, sizeof(l__CHAR__Text), "%04d%02d%02d%02d%02d%02d00", l__tm__Utc.tm_year + 1900, l__tm__Utc.tm_mon + 1,
                  l__tm__Utc.tm_mday, l__tm__Utc.tm_hour, l__tm__Utc.tm_min, l__tm__Utc.tm_sec);
    return l__CHAR__Text;
}

// Files and directories dated by their last write.
const ULONG c__ULONG__TimeLastWrite = 2;

}  // namespace

CTarnwick_ToolIsoMaster::~CTarnwick_ToolIsoMaster() { Tarnwick_Destroy(&m__PVOID__Tree); }

void CTarnwick_ToolIsoMaster::Callback(ULONG p__ULONG__Reason, PVOID p__PVOID__Context, PVOID p__PVOID__Parameter1,
                                       PVOID /*p__PVOID__Parameter2*/) {
    CTarnwick_ToolIsoMaster* l__Master = static_cast<CTarnwick_ToolIsoMaster*>(p__PVOID__Context);
    switch (p__ULONG__Reason) {
        case ADD_NAME:
            l__Master->m__Listener.Added(++l__Master->m__Counts.m__ulong__Added);
            break;
        case IGNORE_NAME:
            ++l__Master->m__Counts.m__ulong__Skipped;
            l__Master->m__Listener.Skipped(p__PVOID__Parameter1 != nullptr ? static_cast<const char*>(p__PVOID__Parameter1) : "",
                                           "cannot be read");
            break;
        case NAME_COLLISION: {
            // The new entry gets a unique name: "~N" before its extension, within the length of
            // its hierarchy's names.
            auto* l__PInformation = static_cast<NAME_COLLISION_INFORMATION*>(p__PVOID__Parameter1);
            const std::string l__string__Name = CTarnwick_ToolNames::RenameNew(l__PInformation, ++l__Master->m__ulong__CollisionNumber);
            ++l__Master->m__Counts.m__ulong__Renamed;
            // Members of a packed record are copied out, never bound.
            const PCHAR l__PCHAR__Path = l__PInformation->m__PCHAR__NewPathName;
            const BOOLEAN l__BOOLEAN__IsJoliet = l__PInformation->m__BOOLEAN__IsJoliet;
            l__Master->m__Listener.Renamed(l__PCHAR__Path != nullptr ? l__PCHAR__Path : "", l__string__Name,
                                           l__BOOLEAN__IsJoliet != 0 ? "joliet" : "iso9660");
            break;
        }
        default:
            break;
    }
}

ULONG CTarnwick_ToolIsoMaster::Fail(ULONG p__ULONG__Number, const std::string& p__string__What) {
    m__string__Failure = p__string__What;
    const std::string l__string__Toolkit(m__CHAR__Text);
    const size_t l__SIZE__First = l__string__Toolkit.find_first_not_of(" \r\n");
    const size_t l__SIZE__Last = l__string__Toolkit.find_last_not_of(" \r\n");
    if (l__SIZE__First != std::string::npos) {
        m__string__Failure.append(": ").append(l__string__Toolkit.substr(l__SIZE__First, l__SIZE__Last - l__SIZE__First + 1));
    }
    if (p__ULONG__Number == EXCEPTION_NUMBER_SYSTEM_ERROR && m__ULONG__SystemError != 0) {
        m__string__Failure.append(" (").append(std::strerror(static_cast<int>(m__ULONG__SystemError))).append(")");
    }
    return p__ULONG__Number;
}

unsigned long CTarnwick_ToolIsoMaster::Sectors() const {
    ULONG l__ULONG__High = 0;
    const ULONG l__ULONG__Low = Tarnwick_ISO9660JolietFileTree_GetSizeInUCHARs(m__PVOID__Tree, &l__ULONG__High);
    return static_cast<unsigned long>(((static_cast<uint64_t>(l__ULONG__High) << 32) | l__ULONG__Low) / 2048);
}

ULONG CTarnwick_ToolIsoMaster::Master() {
    PCHAR const l__PCHAR__Text = m__CHAR__Text;
    const ULONG l__ULONG__TextSize = sizeof(m__CHAR__Text);
    ULONG l__ULONG__Status = Tarnwick_ISO9660JolietFileTree_Create(
        &m__PVOID__Tree, l__PCHAR__Text, l__ULONG__TextSize, &m__ULONG__SystemError, Callback, this, m__Job.m__bool__IgnoreErrors ? TRUE : FALSE,
        FALSE, m__Job.m__bool__Level1 ? FALSE : TRUE, m__Job.m__bool__Joliet ? TRUE : FALSE);
    if (l__ULONG__Status != 0) return Fail(l__ULONG__Status, "cannot make the file tree");
    // Before anything is added: what is added before gets made-up attributes.
    l__ULONG__Status = Tarnwick_ISO9660JolietFileTree_SetRockRidge(m__PVOID__Tree, m__Job.m__bool__RockRidge ? TRUE : FALSE, l__PCHAR__Text,
                                                                    l__ULONG__TextSize, &m__ULONG__SystemError);
    if (l__ULONG__Status != 0) return Fail(l__ULONG__Status, "cannot turn Rock Ridge on");
    for (std::string l__string__Source : m__Job.m__Sources) {
        while (l__string__Source.size() > 1 && l__string__Source.back() == '/') l__string__Source.pop_back();
        struct stat l__stat__Source {};
        if (::stat(l__string__Source.c_str(), &l__stat__Source) != 0) {
            m__CHAR__Text[0] = '\0';
            m__ULONG__SystemError = static_cast<ULONG>(errno);
            return Fail(EXCEPTION_NUMBER_SYSTEM_ERROR, std::string("cannot find '").append(l__string__Source).append("'"));
        }
        PVOID l__PVOID__Parent = nullptr;
        PCHAR const l__PCHAR__Source = const_cast<PCHAR>(l__string__Source.c_str());
        l__ULONG__Status = S_ISDIR(l__stat__Source.st_mode)
                               ? Tarnwick_ISO9660JolietFileTree_AddContents(m__PVOID__Tree, l__PCHAR__Text, l__ULONG__TextSize, &m__ULONG__SystemError,
                                                                            l__PCHAR__Source, c__ULONG__TimeLastWrite, &l__PVOID__Parent)
                               : Tarnwick_ISO9660JolietFileTree_Add(m__PVOID__Tree, l__PCHAR__Text, l__ULONG__TextSize, &m__ULONG__SystemError,
                                                                    l__PCHAR__Source, nullptr, c__ULONG__TimeLastWrite, &l__PVOID__Parent);
        if (l__ULONG__Status != 0) return Fail(l__ULONG__Status, std::string("cannot add '").append(l__string__Source).append("'"));
    }
    if (!m__Job.m__string__Boot.empty()) {
        l__ULONG__Status = Tarnwick_ISO9660JolietFileTree_SetBootImageEx(
            m__PVOID__Tree, const_cast<PCHAR>(m__Job.m__string__Boot.c_str()), nullptr, m__Job.m__ulong__BootSystemType,
            m__Job.m__ulong__BootMediaType, l__PCHAR__Text, l__ULONG__TextSize, &m__ULONG__SystemError);
        if (l__ULONG__Status != 0) {
            return Fail(l__ULONG__Status, std::string("'").append(m__Job.m__string__Boot).append("' is not a readable boot image file"));
        }
    }
    const std::string l__string__Now = TimeText(std::time(nullptr));
    l__ULONG__Status = Tarnwick_ISO9660JolietFileTree_BuildImageEx(
        m__PVOID__Tree, l__PCHAR__Text, l__ULONG__TextSize, &m__ULONG__SystemError, static_cast<ULONG>(m__Job.m__ulong__Start), 0, FALSE,
        const_cast<PCHAR>(m__Job.m__string__Label.c_str()), nullptr, const_cast<PCHAR>(m__Job.m__string__Application.c_str()), nullptr,
        nullptr, nullptr, const_cast<PCHAR>(l__string__Now.c_str()), const_cast<PCHAR>(l__string__Now.c_str()),
        const_cast<PCHAR>("0000000000000000"), const_cast<PCHAR>("0000000000000000"));
    if (l__ULONG__Status != 0) return Fail(l__ULONG__Status, "cannot build the image");
    if (!m__Job.m__string__SystemStructures.empty()) {
        l__ULONG__Status = Tarnwick_ISO9660JolietFileTree_StoreSystemStructures(m__PVOID__Tree, l__PCHAR__Text, l__ULONG__TextSize,
                                                                                &m__ULONG__SystemError,
                                                                                const_cast<PCHAR>(m__Job.m__string__SystemStructures.c_str()));
        if (l__ULONG__Status != 0) {
            return Fail(l__ULONG__Status,
                        std::string("cannot write the system structures to '").append(m__Job.m__string__SystemStructures).append("'"));
        }
    }
    return 0;
}
