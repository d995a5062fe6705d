#include "FakeScsiGeneric.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

FakeScsiGeneric::FakeScsiGeneric() { PlatformScsiGeneric::Replace(this); }

FakeScsiGeneric::~FakeScsiGeneric() { PlatformScsiGeneric::Replace(nullptr); }

FakeScsiGeneric::Node& FakeScsiGeneric::AddDrive(const std::string& p__string__Node, uint8_t p__Host,
                                                 uint8_t p__Channel, uint8_t p__Id, uint8_t p__Lun, uint8_t p__Type) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    Node& l__Node = m__Nodes[p__string__Node];
    l__Node.m__Address = PlatformScsiAddress{p__Host, p__Channel, p__Id, p__Lun, p__Type};
    return l__Node;
}

FakeScsiGeneric::Node& FakeScsiGeneric::At(const std::string& p__string__Node) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    return m__Nodes.at(p__string__Node);
}

void FakeScsiGeneric::QueueReply(const std::string& p__string__Node, const Reply& p__Reply) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    m__Nodes.at(p__string__Node).m__Replies.push_back(p__Reply);
}

void FakeScsiGeneric::AddLink(const std::string& p__string__Directory, const std::string& p__string__Link,
                              const std::string& p__string__Node) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    m__Links[p__string__Directory].emplace_back(p__string__Directory + "/" + p__string__Link, p__string__Node);
}

void FakeScsiGeneric::OnExecute(std::function<void(const Sent&)> p__Hook) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    m__Hook = std::move(p__Hook);
}

std::vector<FakeScsiGeneric::Sent> FakeScsiGeneric::Commands() {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    return m__Sent;
}

int FakeScsiGeneric::Opens(const std::string& p__string__Node) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    return m__Nodes.at(p__string__Node).m__int__Opens;
}

int FakeScsiGeneric::Closes(const std::string& p__string__Node) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    return m__Nodes.at(p__string__Node).m__int__Closes;
}

size_t FakeScsiGeneric::OpenDescriptors() {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    return m__Open.size();
}

int FakeScsiGeneric::Open(const std::string& p__string__Node) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    auto l__Found = m__Nodes.find(p__string__Node);
    if (l__Found == m__Nodes.end()) {
        errno = ENOENT;
        return -1;
    }
    if (l__Found->second.m__int__OpenError != 0) {
        errno = l__Found->second.m__int__OpenError;
        return -1;
    }
    ++l__Found->second.m__int__Opens;
    int l__int__Descriptor = m__int__NextDescriptor++;
    m__Open[l__int__Descriptor] = p__string__Node;
    return l__int__Descriptor;
}

void FakeScsiGeneric::Close(int p__int__Descriptor) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    auto l__Found = m__Open.find(p__int__Descriptor);
    if (l__Found == m__Open.end()) return;
    ++m__Nodes.at(l__Found->second).m__int__Closes;
    m__Open.erase(l__Found);
}

bool FakeScsiGeneric::Execute(int p__int__Descriptor, PlatformScsiCommand& p__Command) {
    Sent l__Sent;
    Reply l__Reply;
    std::function<void(const Sent&)> l__Hook;
    {
        std::lock_guard<std::mutex> l__Guard(m__Lock);
        auto l__Found = m__Open.find(p__int__Descriptor);
        if (l__Found == m__Open.end()) {
            errno = EBADF;
            return false;
        }
        l__Sent = Sent{l__Found->second, p__int__Descriptor, p__Command.m__Direction, p__Command.m__ULONG__Length,
                       p__Command.m__ULONG__TimeoutMilliseconds,
                       std::vector<uint8_t>(p__Command.m__PUCHAR__Cdb, p__Command.m__PUCHAR__Cdb + p__Command.m__UCHAR__CdbLength)};
        m__Sent.push_back(l__Sent);
        Node& l__Node = m__Nodes.at(l__Found->second);
        if (!l__Node.m__Replies.empty()) {
            l__Reply = l__Node.m__Replies.front();
            l__Node.m__Replies.pop_front();
        }
        l__Hook = m__Hook;
    }
    if (l__Hook) l__Hook(l__Sent);
    if (l__Reply.m__int__CallError != 0) {
        errno = l__Reply.m__int__CallError;
        return false;
    }
    p__Command.m__UCHAR__ScsiStatus = l__Reply.m__UCHAR__Status;
    p__Command.m__USHORT__HostStatus = l__Reply.m__USHORT__Host;
    p__Command.m__USHORT__DriverStatus = l__Reply.m__USHORT__Driver;
    p__Command.m__LONG__Residual = l__Reply.m__LONG__Residual;
    size_t l__size_t__Sense = std::min<size_t>(l__Reply.m__Sense.size(), p__Command.m__UCHAR__SenseCapacity);
    if (l__size_t__Sense > 0) std::memcpy(p__Command.m__PUCHAR__Sense, l__Reply.m__Sense.data(), l__size_t__Sense);
    p__Command.m__UCHAR__SenseWritten = static_cast<uint8_t>(l__size_t__Sense);
    return true;
}

bool FakeScsiGeneric::Address(int p__int__Descriptor, PlatformScsiAddress& p__Address, bool p__bool__WithType) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    auto l__Found = m__Open.find(p__int__Descriptor);
    if (l__Found == m__Open.end()) {
        errno = EBADF;
        return false;
    }
    const Node& l__Node = m__Nodes.at(l__Found->second);
    if (!l__Node.m__bool__HasAddress) {
        errno = EINVAL;
        return false;
    }
    p__Address = l__Node.m__Address;
    if (!p__bool__WithType) p__Address.m__UCHAR__Type = 0x1F;
    return true;
}

bool FakeScsiGeneric::GetScsiId(int p__int__Descriptor, PlatformScsiAddress& p__Address) {
    return Address(p__int__Descriptor, p__Address, true);
}

bool FakeScsiGeneric::GetIdLun(int p__int__Descriptor, PlatformScsiAddress& p__Address) {
    return Address(p__int__Descriptor, p__Address, false);
}

bool FakeScsiGeneric::Exists(const std::string& p__string__Node) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    return m__Nodes.count(p__string__Node) != 0;
}

std::string FakeScsiGeneric::OwnerGroup(const std::string& p__string__Node) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    auto l__Found = m__Nodes.find(p__string__Node);
    return l__Found == m__Nodes.end() ? std::string() : l__Found->second.m__string__Group;
}

bool FakeScsiGeneric::LinksTo(const std::string& p__string__Directory, const std::string& p__string__Node,
                              std::vector<std::string>& p__Links) {
    std::lock_guard<std::mutex> l__Guard(m__Lock);
    p__Links.clear();
    auto l__Found = m__Links.find(p__string__Directory);
    if (l__Found == m__Links.end()) {
        errno = ENOENT;
        return false;
    }
    for (const auto& [l__string__Link, l__string__Target] : l__Found->second)
        if (l__string__Target == p__string__Node) p__Links.push_back(l__string__Link);
    return true;
}
