#include "CTarnwick_CliDrive.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "CTarnwick_CliArguments.h"
#include "CTarnwick_CliDiscType.h"
#include "CTarnwick_CliFailure.h"

namespace {

void OnDevice(ULONG p__ULONG__Reason, PVOID p__PVOID__Context, PVOID p__PVOID__Parameter1, PVOID) {
    if (p__ULONG__Reason != DEVICE_FOUND || p__PVOID__Parameter1 == nullptr) return;
    static_cast<std::vector<DEVICE_ADDRESS>*>(p__PVOID__Context)->push_back(*static_cast<const DEVICE_ADDRESS*>(p__PVOID__Parameter1));
}

// The file a name stands for: the path of "virtual:PATH", else the name itself.
std::string PathOf(const std::string& p__string__Name) {
    const std::string l__string__Virtual = "virtual:";
    return p__string__Name.rfind(l__string__Virtual, 0) == 0 ? p__string__Name.substr(l__string__Virtual.size()) : p__string__Name;
}

// True when the two names are one drive: the same text, or (for device nodes and disc files)
// the same file reached by other paths.
bool SameDrive(const std::string& p__string__Spec, const std::string& p__string__Name) {
    if (p__string__Spec == p__string__Name) return true;
    if (p__string__Name.rfind("iscsi://", 0) == 0) return false;
    // A virtual drive is only ever named virtual:PATH; a device node by its path.
    const bool l__bool__SpecVirtual = p__string__Spec.rfind("virtual:", 0) == 0;
    const bool l__bool__NameVirtual = p__string__Name.rfind("virtual:", 0) == 0;
    if (l__bool__SpecVirtual != l__bool__NameVirtual) return false;
    std::error_code l__Error;
    return std::filesystem::equivalent(PathOf(p__string__Spec), PathOf(p__string__Name), l__Error) && !l__Error;
}

}  // namespace

CTarnwick_CliDrive::~CTarnwick_CliDrive() { Tarnwick_Destroy(&m__PVOID__Burner); }

std::vector<CTarnwick_CliDrive::Found> CTarnwick_CliDrive::List() {
    std::vector<DEVICE_ADDRESS> l__Addresses;
    Tarnwick_FindDevice(0x05, FALSE, OnDevice, &l__Addresses);
    std::vector<Found> l__Found;
    for (const DEVICE_ADDRESS& l__Address : l__Addresses) {
        Found l__Drive;
        l__Drive.m__Address = l__Address;
        CHAR l__CHAR__Name[261] = {};
        if (Tarnwick_GetDeviceNameByDeviceAddress(l__Address.m__UCHAR__PortID, l__Address.m__UCHAR__BusID,
                                                  l__Address.m__UCHAR__TargetID, l__Address.m__UCHAR__LUN,
                                                  l__CHAR__Name) == 0 &&
            l__CHAR__Name[0] != '\0') {
            l__Drive.m__string__Name = l__CHAR__Name;
        } else {
            char l__CHAR__Address[32];
            std::snprintf(l__CHAR__Address, sizeof(l__CHAR__Address), "%u:%u:%u:%u", l__Address.m__UCHAR__PortID,
                          l__Address.m__UCHAR__BusID, l__Address.m__UCHAR__TargetID, l__Address.m__UCHAR__LUN);
            l__Drive.m__string__Name = l__CHAR__Address;
        }
        l__Found.push_back(l__Drive);
    }
    return l__Found;
}

void CTarnwick_CliDrive::Clear() {
    std::memset(m__CHAR__Text, 0, sizeof(m__CHAR__Text));
    m__ULONG__Status = 0;
    std::memset(&m__Info, 0, sizeof(m__Info));
}

int CTarnwick_CliDrive::MediumNotPresent() const {
    constexpr UCHAR ASC_MEDIUM_NOT_PRESENT = 0x3A;
    const UCHAR l__UCHAR__Key = m__Info.m__UCHAR__Sense[2] & 0x0F;
    if (m__Info.m__UCHAR__IsValid == 0 || (m__Info.m__UCHAR__Sense[0] & 0x70) != 0x70 || l__UCHAR__Key != 0x02 ||
        m__Info.m__UCHAR__Sense[12] != ASC_MEDIUM_NOT_PRESENT)
        return 0;
    return 1 + m__Info.m__UCHAR__Sense[13];
}

CTarnwick_CliFailure CTarnwick_CliDrive::Failure(const std::string& p__string__Operation, ULONG p__ULONG__Number) const {
    if (MediumNotPresent() != 0) {
        std::string l__string__Text = "there is no medium in the drive (";
        l__string__Text.append(m__CHAR__Text).append(")");
        return CTarnwick_CliFailure(p__string__Operation, m__string__Name, EXCEPTION_NUMBER_DEVICE_NOT_READY, l__string__Text,
                                    m__ULONG__Status, m__Info);
    }
    return CTarnwick_CliFailure(p__string__Operation, m__string__Name, p__ULONG__Number, m__CHAR__Text, m__ULONG__Status,
                                m__Info);
}

ULONG CTarnwick_CliDrive::DiscType() const {
    return m__PVOID__Burner == nullptr ? TARNWICK_DISC_TYPE_UNSUPPORTED
                                       : Tarnwick_CdvdBurnerGrabber_GetInsertedDiscType(m__PVOID__Burner);
}

bool CTarnwick_CliDrive::Open(const std::string& p__string__Operation, const std::string& p__string__Spec,
                              PROGRESS_CALLBACK p__Callback, PVOID p__PVOID__Context, CTarnwick_CliFailure* p__Failure) {
    const std::vector<Found> l__Drives = List();
    const Found* l__Chosen = nullptr;
    unsigned long long l__Number = 0;
    if (!p__string__Spec.empty()) {
        if (CTarnwick_CliArguments::ParseNumber(p__string__Spec, 0, 255, l__Number)) {
            if (l__Number < l__Drives.size()) l__Chosen = &l__Drives[l__Number];
        } else {
            for (const Found& l__Drive : l__Drives)
                if (SameDrive(p__string__Spec, l__Drive.m__string__Name)) {
                    l__Chosen = &l__Drive;
                    break;
                }
        }
        if (l__Chosen == nullptr) {
            // A drive that exists but may not be opened is left out of the list: say why.
            const std::string l__string__Path = PathOf(p__string__Spec);
            std::error_code l__Error;
            if (!l__string__Path.empty() && l__string__Path[0] != 'i' && std::filesystem::exists(l__string__Path, l__Error)) {
                errno = 0;
                std::FILE* l__File = std::fopen(l__string__Path.c_str(), "r+b");
                const int l__int__Error = errno;
                if (l__File != nullptr) std::fclose(l__File);
                if (l__File == nullptr && (l__int__Error == EACCES || l__int__Error == EPERM || l__int__Error == EROFS)) {
                    // The status carries the system error, which chooses the remedy.
                    std::string l__string__Text = "cannot open ";
                    l__string__Text.append(l__string__Path).append(": ").append(std::strerror(l__int__Error));
                    *p__Failure = CTarnwick_CliFailure(p__string__Operation, p__string__Spec, EXCEPTION_NUMBER_SYSTEM_ERROR,
                                                       l__string__Text, static_cast<ULONG>(l__int__Error),
                                                       CDB_FAILURE_INFORMATION{});
                    return false;
                }
            }
            std::string l__string__Text = "there is no drive ";
            l__string__Text.append(p__string__Spec).append(" (").append(std::to_string(l__Drives.size())).append(
                " drive(s) found; `tarnwick drives` lists them)");
            *p__Failure = CTarnwick_CliFailure(p__string__Operation, "", EXCEPTION_NUMBER_NOT_FOUND, l__string__Text, "");
            return false;
        }
    } else if (l__Drives.empty()) {
        *p__Failure = CTarnwick_CliFailure(p__string__Operation, "", EXCEPTION_NUMBER_NOT_FOUND,
                                           "no CD/DVD/BD drive found",
                                           "connect a drive, or name one in TARNWICK_DRIVES (virtual:FILE, iscsi://...)");
        return false;
    }
    if (l__Chosen == nullptr) {
        // The only drive with a writable medium, else the first.
        l__Chosen = &l__Drives[0];
        if (l__Drives.size() > 1) {
            std::vector<const Found*> l__Writable;
            for (const Found& l__Drive : l__Drives) {
                CTarnwick_CliDrive l__Probe;
                if (!l__Probe.Create(l__Drive, nullptr, nullptr)) continue;
                if (l__Probe.HasWritableMedium()) l__Writable.push_back(&l__Drive);
            }
            if (l__Writable.size() == 1) l__Chosen = l__Writable[0];
        }
    }
    if (!Create(*l__Chosen, p__Callback, p__PVOID__Context)) {
        *p__Failure = Failure(p__string__Operation, m__ULONG__LastNumber);
        return false;
    }
    return true;
}

bool CTarnwick_CliDrive::Create(const Found& p__Drive, PROGRESS_CALLBACK p__Callback, PVOID p__PVOID__Context) {
    Tarnwick_Destroy(&m__PVOID__Burner);
    m__string__Name = p__Drive.m__string__Name;
    Clear();
    m__ULONG__LastNumber = Tarnwick_CdvdBurnerGrabber_Create(
        &m__PVOID__Burner, m__CHAR__Text, sizeof(m__CHAR__Text), &m__ULONG__Status, &m__Info, p__Callback, p__PVOID__Context,
        p__Drive.m__Address.m__UCHAR__PortID, p__Drive.m__Address.m__UCHAR__BusID, p__Drive.m__Address.m__UCHAR__TargetID,
        p__Drive.m__Address.m__UCHAR__LUN, 0);
    return m__ULONG__LastNumber == 0;
}

bool CTarnwick_CliDrive::HasWritableMedium() {
    const ULONG l__ULONG__Type = DiscType();
    if (CTarnwick_CliDiscType::IsFormattable(l__ULONG__Type)) return true;
    if (!CTarnwick_CliDiscType::IsWritable(l__ULONG__Type)) return false;
    DISC_INFORMATION l__Disc{};
    Clear();
    if (Tarnwick_CdvdBurnerGrabber_GetDiscInformation(m__PVOID__Burner, m__CHAR__Text, sizeof(m__CHAR__Text), &m__ULONG__Status,
                                                      &m__Info, &l__Disc) != 0)
        return false;
    // Blank, or appendable.
    return l__Disc.m__UCHAR__DiscStatus == 0 || l__Disc.m__UCHAR__DiscStatus == 1;
}
