#include "AspiIscsiUrl.h"

#include <cctype>

namespace {

// A decimal number within [0, p__int__Maximum]; false for anything else (signs, spaces,
// an empty text, overflow).
bool Number(const std::string& p__string__Text, int p__int__Maximum, int& p__int__Value) {
    if (p__string__Text.empty() || p__string__Text.size() > 9) return false;
    int l__int__Value = 0;
    for (char l__CHAR__Digit : p__string__Text) {
        if (!std::isdigit(static_cast<unsigned char>(l__CHAR__Digit))) return false;
        l__int__Value = l__int__Value * 10 + (l__CHAR__Digit - '0');
    }
    if (l__int__Value > p__int__Maximum) return false;
    p__int__Value = l__int__Value;
    return true;
}

int HexDigit(char p__CHAR__Digit) {
    if (p__CHAR__Digit >= '0' && p__CHAR__Digit <= '9') return p__CHAR__Digit - '0';
    if (p__CHAR__Digit >= 'a' && p__CHAR__Digit <= 'f') return p__CHAR__Digit - 'a' + 10;
    if (p__CHAR__Digit >= 'A' && p__CHAR__Digit <= 'F') return p__CHAR__Digit - 'A' + 10;
    return -1;
}

bool Decode(const std::string& p__string__Text, std::string& p__string__Decoded) {
    p__string__Decoded.clear();
    for (size_t l__size_t__At = 0; l__size_t__At < p__string__Text.size(); ++l__size_t__At) {
        if (p__string__Text[l__size_t__At] != '%') {
            p__string__Decoded += p__string__Text[l__size_t__At];
            continue;
        }
        if (l__size_t__At + 2 >= p__string__Text.size()) return false;
        int l__int__High = HexDigit(p__string__Text[l__size_t__At + 1]);
        int l__int__Low = HexDigit(p__string__Text[l__size_t__At + 2]);
        if (l__int__High < 0 || l__int__Low < 0 || (l__int__High == 0 && l__int__Low == 0)) return false;
        p__string__Decoded += static_cast<char>(l__int__High * 16 + l__int__Low);
        l__size_t__At += 2;
    }
    return true;
}

bool Fail(std::string& p__string__Error, const std::string& p__string__Cause) {
    p__string__Error = p__string__Cause + " (expected iscsi://HOST[:PORT]/TARGET-IQN/LUN)";
    return false;
}

}  // namespace

bool AspiIscsiUrl::Parse(const std::string& p__string__Text, AspiIscsiUrl& p__Url, std::string& p__string__Error) {
    AspiIscsiUrl l__Url;
    size_t l__size_t__FirstSlash = p__string__Text.find('/');
    size_t l__size_t__LastSlash = p__string__Text.rfind('/');
    if (l__size_t__FirstSlash == std::string::npos || l__size_t__FirstSlash == l__size_t__LastSlash)
        return Fail(p__string__Error, "no target name and LUN");
    std::string l__string__Authority = p__string__Text.substr(0, l__size_t__FirstSlash);
    std::string l__string__Iqn =
        p__string__Text.substr(l__size_t__FirstSlash + 1, l__size_t__LastSlash - l__size_t__FirstSlash - 1);
    std::string l__string__Lun = p__string__Text.substr(l__size_t__LastSlash + 1);

    std::string l__string__Port;
    if (!l__string__Authority.empty() && l__string__Authority[0] == '[') {
        size_t l__size_t__Close = l__string__Authority.find(']');
        if (l__size_t__Close == std::string::npos) return Fail(p__string__Error, "unclosed '[' in the host");
        l__Url.m__string__Host = l__string__Authority.substr(1, l__size_t__Close - 1);
        std::string l__string__Rest = l__string__Authority.substr(l__size_t__Close + 1);
        if (!l__string__Rest.empty()) {
            if (l__string__Rest[0] != ':') return Fail(p__string__Error, "text after the host");
            l__string__Port = l__string__Rest.substr(1);
            if (l__string__Port.empty()) return Fail(p__string__Error, "empty port");
        }
    } else {
        size_t l__size_t__Colon = l__string__Authority.find(':');
        l__Url.m__string__Host = l__string__Authority.substr(0, l__size_t__Colon);
        if (l__size_t__Colon != std::string::npos) {
            l__string__Port = l__string__Authority.substr(l__size_t__Colon + 1);
            if (l__string__Port.empty()) return Fail(p__string__Error, "empty port");
        }
    }
    if (l__Url.m__string__Host.empty()) return Fail(p__string__Error, "no host");
    if (!l__string__Port.empty() && (!Number(l__string__Port, 65535, l__Url.m__int__Port) || l__Url.m__int__Port == 0))
        return Fail(p__string__Error, "bad port '" + l__string__Port + "'");
    if (!Decode(l__string__Iqn, l__Url.m__string__Iqn)) return Fail(p__string__Error, "bad '%' escape in the target name");
    if (l__Url.m__string__Iqn.empty()) return Fail(p__string__Error, "no target name");
    // Single-level LUN addressing reaches LUNs 0-16383.
    if (!Number(l__string__Lun, 16383, l__Url.m__int__Lun)) return Fail(p__string__Error, "bad LUN '" + l__string__Lun + "'");
    p__Url = l__Url;
    return true;
}

std::string AspiIscsiUrl::Portal() const {
    bool l__bool__Ipv6 = m__string__Host.find(':') != std::string::npos;
    return (l__bool__Ipv6 ? "[" + m__string__Host + "]" : m__string__Host) + ":" + std::to_string(m__int__Port);
}
