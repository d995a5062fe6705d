#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "PlatformScsiGeneric.h"

// Stands in for the SCSI generic system calls while it lives: device nodes with an
// address, open errors and scripted answers to SG_IO; counts opens and closes and logs
// every command sent.
class FakeScsiGeneric : public PlatformScsiGeneric {
public:
    // What one SG_IO call reports (the default: GOOD, everything transferred).
    struct Reply {
        int m__int__CallError = 0;  // errno of a failed call; 0: the call succeeds
        uint8_t m__UCHAR__Status = 0;
        uint16_t m__USHORT__Host = 0;
        uint16_t m__USHORT__Driver = 0;
        int32_t m__LONG__Residual = 0;
        std::vector<uint8_t> m__Sense;
    };
    struct Node {
        int m__int__OpenError = 0;  // errno of every open; 0: opens
        std::string m__string__Group = "cdrom";
        bool m__bool__HasAddress = true;  // SG_GET_SCSI_ID / GET_IDLUN answer
        PlatformScsiAddress m__Address;
        std::deque<Reply> m__Replies;  // used in order, then the default reply
        int m__int__Opens = 0;
        int m__int__Closes = 0;
    };
    struct Sent {
        std::string m__string__Node;
        int m__int__Descriptor;
        PlatformScsiCommand::Direction m__Direction;
        uint32_t m__ULONG__Length;
        uint32_t m__ULONG__TimeoutMilliseconds;
        std::vector<uint8_t> m__Cdb;
    };

    FakeScsiGeneric();
    ~FakeScsiGeneric() override;

    // A node whose unit is a CD/DVD drive (type 5) at host:channel:id:lun.
    Node& AddDrive(const std::string& p__string__Node, uint8_t p__Host, uint8_t p__Channel, uint8_t p__Id,
                   uint8_t p__Lun = 0, uint8_t p__Type = 5);
    Node& At(const std::string& p__string__Node);
    void QueueReply(const std::string& p__string__Node, const Reply& p__Reply);
    void AddLink(const std::string& p__string__Directory, const std::string& p__string__Link,
                 const std::string& p__string__Node);
    // Runs on the calling thread inside every SG_IO, before the reply (a latch for tests).
    void OnExecute(std::function<void(const Sent&)> p__Hook);

    std::vector<Sent> Commands();
    int Opens(const std::string& p__string__Node);
    int Closes(const std::string& p__string__Node);
    // Descriptors opened and not closed yet.
    size_t OpenDescriptors();

    int Open(const std::string& p__string__Node) override;
    void Close(int p__int__Descriptor) override;
    bool Execute(int p__int__Descriptor, PlatformScsiCommand& p__Command) override;
    bool GetScsiId(int p__int__Descriptor, PlatformScsiAddress& p__Address) override;
    bool GetIdLun(int p__int__Descriptor, PlatformScsiAddress& p__Address) override;
    bool Exists(const std::string& p__string__Node) override;
    std::string OwnerGroup(const std::string& p__string__Node) override;
    bool LinksTo(const std::string& p__string__Directory, const std::string& p__string__Node,
                 std::vector<std::string>& p__Links) override;

private:
    bool Address(int p__int__Descriptor, PlatformScsiAddress& p__Address, bool p__bool__WithType);

    std::mutex m__Lock;
    std::map<std::string, Node> m__Nodes;
    std::map<int, std::string> m__Open;
    int m__int__NextDescriptor = 100;
    std::vector<Sent> m__Sent;
    std::map<std::string, std::vector<std::pair<std::string, std::string>>> m__Links;
    std::function<void(const Sent&)> m__Hook;
};
