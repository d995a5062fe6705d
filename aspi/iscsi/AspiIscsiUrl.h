#pragma once
#include <string>

// The address of an iSCSI logical unit as the drive list writes it after "iscsi://":
// HOST[:PORT]/TARGET-IQN/LUN. HOST may be a name, an IPv4 address or a bracketed IPv6
// address; PORT defaults to 3260; "%XX" in the target name stands for that byte (":" is
// often written "%3A").
class AspiIscsiUrl {
public:
    static constexpr int DEFAULT_PORT = 3260;

    // Fills p__Url from the text; false with the cause in p__string__Error when it is not
    // such an address.
    static bool Parse(const std::string& p__string__Text, AspiIscsiUrl& p__Url, std::string& p__string__Error);

    // "HOST:PORT" ("[HOST]:PORT" for an IPv6 address), as the connection takes it.
    std::string Portal() const;

    std::string m__string__Host;
    int m__int__Port = DEFAULT_PORT;
    std::string m__string__Iqn;
    int m__int__Lun = 0;
};
