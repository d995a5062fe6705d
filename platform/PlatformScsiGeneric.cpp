#include "PlatformScsiGeneric.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <scsi/scsi.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {
PlatformLinuxScsiGeneric g__Linux;
std::atomic<PlatformScsiGeneric*> g__Current{&g__Linux};

// The canonical path of a node (links resolved), or "" when it cannot be resolved.
std::string Resolved(const std::string& p__string__Path) {
    char* l__PCHAR__Resolved = ::realpath(p__string__Path.c_str(), nullptr);
    if (l__PCHAR__Resolved == nullptr) return std::string();
    std::string l__string__Result(l__PCHAR__Resolved);
    std::free(l__PCHAR__Resolved);
    return l__string__Result;
}
}  // namespace

PlatformScsiGeneric& PlatformScsiGeneric::Current() { return *g__Current.load(std::memory_order_acquire); }

PlatformScsiGeneric* PlatformScsiGeneric::Replace(PlatformScsiGeneric* p__PlatformScsiGeneric__Implementation) {
    PlatformScsiGeneric* l__Old = g__Current.exchange(
        p__PlatformScsiGeneric__Implementation != nullptr ? p__PlatformScsiGeneric__Implementation : &g__Linux);
    return l__Old == &g__Linux ? nullptr : l__Old;
}

int PlatformLinuxScsiGeneric::Open(const std::string& p__string__Node) {
    int l__int__Descriptor = ::open(p__string__Node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (l__int__Descriptor < 0) l__int__Descriptor = ::open(p__string__Node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    return l__int__Descriptor;
}

void PlatformLinuxScsiGeneric::Close(int p__int__Descriptor) {
    if (p__int__Descriptor >= 0) ::close(p__int__Descriptor);
}

bool PlatformLinuxScsiGeneric::Execute(int p__int__Descriptor, PlatformScsiCommand& p__Command) {
    sg_io_hdr_t l__Header;
    std::memset(&l__Header, 0, sizeof(l__Header));
    l__Header.interface_id = 'S';
    switch (p__Command.m__Direction) {
        case PlatformScsiCommand::TO_DEVICE:
            l__Header.dxfer_direction = SG_DXFER_TO_DEV;
            break;
        case PlatformScsiCommand::FROM_DEVICE:
            l__Header.dxfer_direction = SG_DXFER_FROM_DEV;
            break;
        default:
            l__Header.dxfer_direction = SG_DXFER_NONE;
            break;
    }
    l__Header.cmd_len = p__Command.m__UCHAR__CdbLength;
    l__Header.mx_sb_len = p__Command.m__UCHAR__SenseCapacity;
    l__Header.dxfer_len = p__Command.m__Direction == PlatformScsiCommand::NONE ? 0 : p__Command.m__ULONG__Length;
    l__Header.dxferp = p__Command.m__Direction == PlatformScsiCommand::NONE ? nullptr : p__Command.m__PVOID__Buffer;
    l__Header.cmdp = const_cast<unsigned char*>(p__Command.m__PUCHAR__Cdb);
    l__Header.sbp = p__Command.m__PUCHAR__Sense;
    l__Header.timeout = p__Command.m__ULONG__TimeoutMilliseconds;
    if (::ioctl(p__int__Descriptor, SG_IO, &l__Header) < 0) return false;
    p__Command.m__UCHAR__ScsiStatus = l__Header.status;
    p__Command.m__USHORT__HostStatus = l__Header.host_status;
    p__Command.m__USHORT__DriverStatus = l__Header.driver_status;
    p__Command.m__LONG__Residual = l__Header.resid;
    p__Command.m__UCHAR__SenseWritten = l__Header.sb_len_wr;
    return true;
}

bool PlatformLinuxScsiGeneric::GetScsiId(int p__int__Descriptor, PlatformScsiAddress& p__Address) {
    struct sg_scsi_id l__Id;
    std::memset(&l__Id, 0, sizeof(l__Id));
    if (::ioctl(p__int__Descriptor, SG_GET_SCSI_ID, &l__Id) < 0) return false;
    p__Address.m__UCHAR__Host = static_cast<uint8_t>(std::min(l__Id.host_no, 255));
    p__Address.m__UCHAR__Channel = static_cast<uint8_t>(std::min(l__Id.channel, 255));
    p__Address.m__UCHAR__Id = static_cast<uint8_t>(std::min(l__Id.scsi_id, 255));
    p__Address.m__UCHAR__Lun = static_cast<uint8_t>(std::min(l__Id.lun, 255));
    p__Address.m__UCHAR__Type = static_cast<uint8_t>(l__Id.scsi_type & 0x1F);
    return true;
}

bool PlatformLinuxScsiGeneric::GetIdLun(int p__int__Descriptor, PlatformScsiAddress& p__Address) {
    // dev_id: target ID in bits 0-7, LUN in 8-15, channel in 16-23 (host in 24-31, 8 bits only:
    // the full host number comes from SCSI_IOCTL_GET_BUS_NUMBER).
    struct {
        int m__int__DevId;
        int m__int__HostUniqueId;
    } l__IdLun = {0, 0};
    if (::ioctl(p__int__Descriptor, SCSI_IOCTL_GET_IDLUN, &l__IdLun) < 0) return false;
    int l__int__Host = 0;
    if (::ioctl(p__int__Descriptor, SCSI_IOCTL_GET_BUS_NUMBER, &l__int__Host) < 0) return false;
    p__Address.m__UCHAR__Host = static_cast<uint8_t>(std::clamp(l__int__Host, 0, 255));
    p__Address.m__UCHAR__Channel = static_cast<uint8_t>((l__IdLun.m__int__DevId >> 16) & 0xFF);
    p__Address.m__UCHAR__Id = static_cast<uint8_t>(l__IdLun.m__int__DevId & 0xFF);
    p__Address.m__UCHAR__Lun = static_cast<uint8_t>((l__IdLun.m__int__DevId >> 8) & 0xFF);
    p__Address.m__UCHAR__Type = 0x1F;
    return true;
}

bool PlatformLinuxScsiGeneric::Exists(const std::string& p__string__Node) {
    struct stat l__Stat;
    return ::stat(p__string__Node.c_str(), &l__Stat) == 0;
}

std::string PlatformLinuxScsiGeneric::OwnerGroup(const std::string& p__string__Node) {
    struct stat l__Stat;
    if (::stat(p__string__Node.c_str(), &l__Stat) != 0) return std::string();
    struct group l__Group;
    struct group* l__PGroup = nullptr;
    std::vector<char> l__Buffer(16384);
    if (::getgrgid_r(l__Stat.st_gid, &l__Group, l__Buffer.data(), l__Buffer.size(), &l__PGroup) != 0 ||
        l__PGroup == nullptr) {
        return std::to_string(l__Stat.st_gid);
    }
    return std::string(l__PGroup->gr_name);
}

bool PlatformLinuxScsiGeneric::LinksTo(const std::string& p__string__Directory, const std::string& p__string__Node,
                                       std::vector<std::string>& p__Links) {
    p__Links.clear();
    DIR* l__Directory = ::opendir(p__string__Directory.c_str());
    if (l__Directory == nullptr) return false;
    std::string l__string__Target = Resolved(p__string__Node);
    std::vector<std::string> l__Names;
    while (struct dirent* l__Entry = ::readdir(l__Directory)) {
        if (std::strcmp(l__Entry->d_name, ".") == 0 || std::strcmp(l__Entry->d_name, "..") == 0) continue;
        l__Names.emplace_back(l__Entry->d_name);
    }
    ::closedir(l__Directory);
    std::sort(l__Names.begin(), l__Names.end());
    for (const std::string& l__string__Name : l__Names) {
        std::string l__string__Link = p__string__Directory + "/" + l__string__Name;
        if (!l__string__Target.empty() && Resolved(l__string__Link) == l__string__Target) p__Links.push_back(l__string__Link);
    }
    return true;
}
