#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The address of a SCSI unit as the kernel numbers it (host, channel, target ID, LUN),
// with its peripheral device type where the node reports one (0x1F when it does not).
struct PlatformScsiAddress {
    uint8_t m__UCHAR__Host = 0;
    uint8_t m__UCHAR__Channel = 0;
    uint8_t m__UCHAR__Id = 0;
    uint8_t m__UCHAR__Lun = 0;
    uint8_t m__UCHAR__Type = 0x1F;
};

// One SCSI command for the pass-through: what goes in, and what the kernel reports back.
struct PlatformScsiCommand {
    enum Direction { NONE, TO_DEVICE, FROM_DEVICE };
    const uint8_t* m__PUCHAR__Cdb = nullptr;
    uint8_t m__UCHAR__CdbLength = 0;
    Direction m__Direction = NONE;
    void* m__PVOID__Buffer = nullptr;
    uint32_t m__ULONG__Length = 0;
    uint32_t m__ULONG__TimeoutMilliseconds = 0;
    uint8_t* m__PUCHAR__Sense = nullptr;
    uint8_t m__UCHAR__SenseCapacity = 0;
    // Filled by Execute when the call itself succeeded.
    uint8_t m__UCHAR__ScsiStatus = 0;
    uint16_t m__USHORT__HostStatus = 0;
    uint16_t m__USHORT__DriverStatus = 0;
    int32_t m__LONG__Residual = 0;
    uint8_t m__UCHAR__SenseWritten = 0;
};

// The system calls through which the toolkit reaches SCSI device nodes (/dev/sg*,
// /dev/sr*). Everything goes through the current implementation, which tests replace
// with a fake; the Linux one below is in use otherwise. Calls that fail leave the
// error code in errno.
class PlatformScsiGeneric {
public:
    virtual ~PlatformScsiGeneric() = default;

    // Opens a node for reading and writing, falling back to reading only; non-blocking,
    // close-on-exec. Returns the descriptor, or -1.
    virtual int Open(const std::string& p__string__Node) = 0;
    virtual void Close(int p__int__Descriptor) = 0;
    // Sends one command (SG_IO); false when the call failed (the unit may never have seen it).
    virtual bool Execute(int p__int__Descriptor, PlatformScsiCommand& p__Command) = 0;
    // The address of an sg node with its peripheral type (SG_GET_SCSI_ID).
    virtual bool GetScsiId(int p__int__Descriptor, PlatformScsiAddress& p__Address) = 0;
    // The address of any SCSI node (SCSI_IOCTL_GET_IDLUN + SCSI_IOCTL_GET_BUS_NUMBER); no type.
    virtual bool GetIdLun(int p__int__Descriptor, PlatformScsiAddress& p__Address) = 0;
    virtual bool Exists(const std::string& p__string__Node) = 0;
    // Name of the group that owns the node ("" when it cannot be told).
    virtual std::string OwnerGroup(const std::string& p__string__Node) = 0;
    // The links of a directory (full paths, in name order) that resolve to the node;
    // false (errno set) when the directory cannot be listed.
    virtual bool LinksTo(const std::string& p__string__Directory, const std::string& p__string__Node,
                         std::vector<std::string>& p__Links) = 0;

    // The implementation in use (the Linux one unless replaced).
    static PlatformScsiGeneric& Current();
    // Installs an implementation (nullptr restores the Linux one); returns the one it replaced.
    static PlatformScsiGeneric* Replace(PlatformScsiGeneric* p__PlatformScsiGeneric__Implementation);
};

// The Linux system calls.
class PlatformLinuxScsiGeneric : public PlatformScsiGeneric {
public:
    int Open(const std::string& p__string__Node) override;
    void Close(int p__int__Descriptor) override;
    bool Execute(int p__int__Descriptor, PlatformScsiCommand& p__Command) override;
    bool GetScsiId(int p__int__Descriptor, PlatformScsiAddress& p__Address) override;
    bool GetIdLun(int p__int__Descriptor, PlatformScsiAddress& p__Address) override;
    bool Exists(const std::string& p__string__Node) override;
    std::string OwnerGroup(const std::string& p__string__Node) override;
    bool LinksTo(const std::string& p__string__Directory, const std::string& p__string__Node,
                 std::vector<std::string>& p__Links) override;
};
