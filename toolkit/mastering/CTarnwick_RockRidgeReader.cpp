#include "CTarnwick_RockRidgeReader.h"

#include <algorithm>
#include <cstring>

#include "CTarnwick_Bytes.h"
#include "DebugPrint.h"

namespace {

// Every entry: signature (2 bytes), length, version, then its data.
constexpr ULONG ENTRY_HEADER_LENGTH = 4;
constexpr ULONG RECORD_FIXED_LENGTH = 33;
constexpr ULONG RECORD_IDENTIFIER_LENGTH = 32;
constexpr ULONG SP_LENGTH = 7;
constexpr ULONG CE_LENGTH = 28;
constexpr ULONG PX_OLD_LENGTH = 36;  // without the serial number
constexpr ULONG PX_LENGTH = 44;
constexpr ULONG PN_LENGTH = 20;
constexpr ULONG LOCATION_LENGTH = 12;  // CL and PL
constexpr ULONG ER_FIXED_LENGTH = 8;
// NM flags.
constexpr UCHAR NAME_CONTINUE = 0x01;
constexpr UCHAR NAME_CURRENT = 0x02;
constexpr UCHAR NAME_PARENT = 0x04;
// SL flags: of the entry (bit 0 only) and of each component.
constexpr UCHAR LINK_CONTINUE = 0x01;
constexpr UCHAR COMPONENT_CURRENT = 0x02;
constexpr UCHAR COMPONENT_PARENT = 0x04;
constexpr UCHAR COMPONENT_ROOT = 0x08;
constexpr UCHAR COMPONENT_VOLUME_ROOT = 0x10;
constexpr UCHAR COMPONENT_HOST = 0x20;
// TF flags: the stamps present, in this order, and their form.
constexpr UCHAR TIME_MODIFY_BIT = 1;
constexpr UCHAR TIME_ACCESS_BIT = 2;
constexpr UCHAR TIME_ATTRIBUTES_BIT = 3;
constexpr UCHAR TIME_STAMPS = 7;
constexpr UCHAR TIME_LONG_FORM = 0x80;
constexpr ULONG SHORT_DATE_LENGTH = 7;
constexpr ULONG LONG_DATE_LENGTH = 17;

bool Is(const UCHAR* p__PUCHAR__Entry, const char* p__PCHAR__Signature) {
    return p__PUCHAR__Entry[0] == static_cast<UCHAR>(p__PCHAR__Signature[0]) &&
           p__PUCHAR__Entry[1] == static_cast<UCHAR>(p__PCHAR__Signature[1]);
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
LONGLONG DaysOf(LONGLONG p__LONGLONG__Year, ULONG p__ULONG__Month, ULONG p__ULONG__Day) {
    const LONGLONG l__LONGLONG__Year = p__LONGLONG__Year - (p__ULONG__Month <= 2 ? 1 : 0);
    const LONGLONG l__LONGLONG__Era = (l__LONGLONG__Year >= 0 ? l__LONGLONG__Year : l__LONGLONG__Year - 399) / 400;
    const LONGLONG l__LONGLONG__YearOfEra = l__LONGLONG__Year - l__LONGLONG__Era * 400;
    const LONGLONG l__LONGLONG__DayOfYear =
        (153 * (p__ULONG__Month > 2 ? p__ULONG__Month - 3 : p__ULONG__Month + 9) + 2) / 5 + p__ULONG__Day - 1;
    const LONGLONG l__LONGLONG__DayOfEra =
        l__LONGLONG__YearOfEra * 365 + l__LONGLONG__YearOfEra / 4 - l__LONGLONG__YearOfEra / 100 + l__LONGLONG__DayOfYear;
    return l__LONGLONG__Era * 146097 + l__LONGLONG__DayOfEra - 719468;
}

// A date's fields in Unix seconds, its GMT offset (quarter hours, signed) taken off.
bool SecondsOf(LONGLONG p__LONGLONG__Year, ULONG p__ULONG__Month, ULONG p__ULONG__Day, ULONG p__ULONG__Hour,
               ULONG p__ULONG__Minute, ULONG p__ULONG__Second, UCHAR p__UCHAR__Offset, LONGLONG* p__PLONGLONG__Seconds) {
    if (p__ULONG__Month < 1 || p__ULONG__Month > 12 || p__ULONG__Day < 1 || p__ULONG__Day > 31 || p__ULONG__Hour > 23 ||
        p__ULONG__Minute > 59 || p__ULONG__Second > 60) {
        return false;
    }
    *p__PLONGLONG__Seconds = DaysOf(p__LONGLONG__Year, p__ULONG__Month, p__ULONG__Day) * 86400 +
                             static_cast<LONGLONG>(p__ULONG__Hour) * 3600 + static_cast<LONGLONG>(p__ULONG__Minute) * 60 +
                             static_cast<LONGLONG>(p__ULONG__Second) -
                             static_cast<LONGLONG>(static_cast<signed char>(p__UCHAR__Offset)) * 900;
    return true;
}

// The number of p__ULONG__Digits ASCII digits; false when one is not a digit.
bool DigitsOf(const UCHAR* p__PUCHAR__Text, ULONG p__ULONG__Digits, ULONG* p__PULONG__Value) {
    ULONG l__ULONG__Value = 0;
    for (ULONG l__ULONG__Index = 0; l__ULONG__Index < p__ULONG__Digits; ++l__ULONG__Index) {
        if (p__PUCHAR__Text[l__ULONG__Index] < '0' || p__PUCHAR__Text[l__ULONG__Index] > '9') {
            return false;
        }
        l__ULONG__Value = l__ULONG__Value * 10 + (p__PUCHAR__Text[l__ULONG__Index] - '0');
    }
    *p__PULONG__Value = l__ULONG__Value;
    return true;
}

}  // namespace

bool CTarnwick_RockRidgeReader::FindSystemUseArea(const UCHAR* p__PUCHAR__Record, ULONG p__ULONG__RecordLength,
                                                  ULONG* p__PULONG__Offset, ULONG* p__PULONG__Length) {
    if (p__ULONG__RecordLength <= RECORD_IDENTIFIER_LENGTH) {
        return false;
    }
    const ULONG l__ULONG__IdentifierLength = p__PUCHAR__Record[RECORD_IDENTIFIER_LENGTH];
    const ULONG l__ULONG__Offset = RECORD_FIXED_LENGTH + l__ULONG__IdentifierLength + (l__ULONG__IdentifierLength % 2 == 0 ? 1 : 0);
    if (RECORD_FIXED_LENGTH + l__ULONG__IdentifierLength > p__ULONG__RecordLength) {
        return false;
    }
    // An identifier of even length that ends the record leaves no room for its padding byte.
    *p__PULONG__Offset = std::min(l__ULONG__Offset, p__ULONG__RecordLength);
    *p__PULONG__Length = p__ULONG__RecordLength - *p__PULONG__Offset;
    return true;
}

bool CTarnwick_RockRidgeReader::FindSharingProtocol(const UCHAR* p__PUCHAR__Area, ULONG p__ULONG__Length,
                                                    ULONG* p__PULONG__SkipLength) {
    if (p__ULONG__Length < SP_LENGTH || !Is(p__PUCHAR__Area, "SP") || p__PUCHAR__Area[2] < SP_LENGTH ||
        p__PUCHAR__Area[2] > p__ULONG__Length || p__PUCHAR__Area[4] != 0xBE || p__PUCHAR__Area[5] != 0xEF) {
        return false;
    }
    *p__PULONG__SkipLength = p__PUCHAR__Area[6];
    return true;
}

bool CTarnwick_RockRidgeReader::SecondsOfShortDate(const UCHAR* p__PUCHAR__Date, LONGLONG* p__PLONGLONG__Seconds) {
    if (p__PUCHAR__Date[1] == 0) {
        return false;
    }
    return SecondsOf(1900 + static_cast<LONGLONG>(p__PUCHAR__Date[0]), p__PUCHAR__Date[1], p__PUCHAR__Date[2],
                     p__PUCHAR__Date[3], p__PUCHAR__Date[4], p__PUCHAR__Date[5], p__PUCHAR__Date[6], p__PLONGLONG__Seconds);
}

bool CTarnwick_RockRidgeReader::SecondsOfLongDate(const UCHAR* p__PUCHAR__Date, LONGLONG* p__PLONGLONG__Seconds) {
    ULONG l__ULONG__Year = 0, l__ULONG__Month = 0, l__ULONG__Day = 0, l__ULONG__Hour = 0, l__ULONG__Minute = 0,
          l__ULONG__Second = 0;
    if (!DigitsOf(p__PUCHAR__Date, 4, &l__ULONG__Year) || l__ULONG__Year == 0 ||
        !DigitsOf(p__PUCHAR__Date + 4, 2, &l__ULONG__Month) || !DigitsOf(p__PUCHAR__Date + 6, 2, &l__ULONG__Day) ||
        !DigitsOf(p__PUCHAR__Date + 8, 2, &l__ULONG__Hour) || !DigitsOf(p__PUCHAR__Date + 10, 2, &l__ULONG__Minute) ||
        !DigitsOf(p__PUCHAR__Date + 12, 2, &l__ULONG__Second)) {
        return false;
    }
    // The hundredths (bytes 14 and 15) are below what the attributes keep.
    return SecondsOf(l__ULONG__Year, l__ULONG__Month, l__ULONG__Day, l__ULONG__Hour, l__ULONG__Minute, l__ULONG__Second,
                     p__PUCHAR__Date[16], p__PLONGLONG__Seconds);
}

void CTarnwick_RockRidgeReader::Parse(const UCHAR* p__PUCHAR__Area, ULONG p__ULONG__Length, ULONG p__ULONG__SkipLength,
                                      const BlockReader& p__BlockReader) {
    *this = CTarnwick_RockRidgeReader();
    ParseArea(p__PUCHAR__Area, p__ULONG__Length, p__ULONG__SkipLength);
    while (m__bool__HasPendingArea) {
        m__bool__HasPendingArea = false;
        const ContinuationArea l__Area = m__PendingArea;
        if (!p__BlockReader) {
            break;
        }
        if (m__ContinuationAreas.size() >= MaximumContinuationAreas) {
            Problem("more continuation areas than followed, at block", l__Area.m__ULONG__Block);
            break;
        }
        // An area lies inside one block.
        if (l__Area.m__ULONG__Offset >= BlockSize || l__Area.m__ULONG__Length == 0 ||
            l__Area.m__ULONG__Length > BlockSize - l__Area.m__ULONG__Offset) {
            Problem("continuation area outside its block, at block", l__Area.m__ULONG__Block);
            break;
        }
        const bool l__bool__Seen =
            std::any_of(m__ContinuationAreas.begin(), m__ContinuationAreas.end(), [&](const ContinuationArea& a) {
                return a.m__ULONG__Block == l__Area.m__ULONG__Block && a.m__ULONG__Offset == l__Area.m__ULONG__Offset;
            });
        if (l__bool__Seen) {
            Problem("continuation area read already, at block", l__Area.m__ULONG__Block);
            break;
        }
        m__Block.assign(BlockSize, 0);
        if (!p__BlockReader(l__Area.m__ULONG__Block, m__Block.data())) {
            Problem("continuation area that cannot be read, at block", l__Area.m__ULONG__Block);
            break;
        }
        m__ContinuationAreas.push_back(l__Area);
        ParseArea(m__Block.data() + l__Area.m__ULONG__Offset, l__Area.m__ULONG__Length, 0);
    }
}

void CTarnwick_RockRidgeReader::ParseArea(const UCHAR* p__PUCHAR__Area, ULONG p__ULONG__Length, ULONG p__ULONG__Start) {
    ULONG l__ULONG__Position = p__ULONG__Start;
    while (l__ULONG__Position + ENTRY_HEADER_LENGTH <= p__ULONG__Length) {
        const UCHAR* l__PUCHAR__Entry = p__PUCHAR__Area + l__ULONG__Position;
        const ULONG l__ULONG__Entry = l__PUCHAR__Entry[2];
        if (l__ULONG__Entry == 0 && l__PUCHAR__Entry[0] == 0 && l__PUCHAR__Entry[1] == 0) {
            return;  // zero padding after the last entry
        }
        if (l__ULONG__Entry < ENTRY_HEADER_LENGTH || l__ULONG__Position + l__ULONG__Entry > p__ULONG__Length) {
            Problem("entry of a bad length at offset", l__ULONG__Position);
            return;
        }
        if (Is(l__PUCHAR__Entry, "ST")) {
            return;
        }
        TakeEntry(l__PUCHAR__Entry, l__ULONG__Entry);
        l__ULONG__Position += l__ULONG__Entry;
    }
}

void CTarnwick_RockRidgeReader::TakeEntry(const UCHAR* p__PUCHAR__Entry, ULONG p__ULONG__Length) {
    if (Is(p__PUCHAR__Entry, "CE")) {
        TakeContinuation(p__PUCHAR__Entry, p__ULONG__Length);
        return;
    }
    if (Is(p__PUCHAR__Entry, "ER")) {
        TakeExtension(p__PUCHAR__Entry, p__ULONG__Length);
        return;
    }
    static const char* const s__PCHAR__RockRidge[] = {"PX", "PN", "SL", "NM", "CL", "PL", "RE", "TF", "RR", "SF"};
    if (std::none_of(std::begin(s__PCHAR__RockRidge), std::end(s__PCHAR__RockRidge),
                     [&](const char* s) { return Is(p__PUCHAR__Entry, s); })) {
        return;  // SP (read by FindSharingProtocol), PD, ES and entries of other extensions
    }
    m__bool__HasEntries = true;
    if (Is(p__PUCHAR__Entry, "NM")) {
        TakeName(p__PUCHAR__Entry, p__ULONG__Length);
    } else if (Is(p__PUCHAR__Entry, "SL")) {
        TakeLink(p__PUCHAR__Entry, p__ULONG__Length);
    } else if (Is(p__PUCHAR__Entry, "TF")) {
        TakeTimes(p__PUCHAR__Entry, p__ULONG__Length);
    } else if (Is(p__PUCHAR__Entry, "PX")) {
        if (p__ULONG__Length < PX_OLD_LENGTH) {
            Problem("PX entry of length", p__ULONG__Length);
            return;
        }
        m__bool__HasPosix = true;
        m__Attributes.m__ULONG__Mode = CTarnwick_Bytes::GetLittleEndian32(p__PUCHAR__Entry + 4);
        m__Attributes.m__ULONG__Links = CTarnwick_Bytes::GetLittleEndian32(p__PUCHAR__Entry + 12);
        m__Attributes.m__ULONG__User = CTarnwick_Bytes::GetLittleEndian32(p__PUCHAR__Entry + 20);
        m__Attributes.m__ULONG__Group = CTarnwick_Bytes::GetLittleEndian32(p__PUCHAR__Entry + 28);
        m__ULONGLONG__Serial = p__ULONG__Length >= PX_LENGTH ? CTarnwick_Bytes::GetLittleEndian32(p__PUCHAR__Entry + 36) : 0;
    } else if (Is(p__PUCHAR__Entry, "PN")) {
        if (p__ULONG__Length < PN_LENGTH) {
            Problem("PN entry of length", p__ULONG__Length);
            return;
        }
        const ULONG l__ULONG__High = CTarnwick_Bytes::GetLittleEndian32(p__PUCHAR__Entry + 4);
        const ULONG l__ULONG__Low = CTarnwick_Bytes::GetLittleEndian32(p__PUCHAR__Entry + 12);
        m__bool__HasDevice = true;
        if (l__ULONG__High != 0) {
            m__Attributes.m__ULONG__DeviceMajor = l__ULONG__High;
            m__Attributes.m__ULONG__DeviceMinor = l__ULONG__Low;
        } else {
            // The low word alone is a Linux device number: major in bits 8-19, minor in bits
            // 0-7 and 20-31.
            m__Attributes.m__ULONG__DeviceMajor = (l__ULONG__Low >> 8) & 0xFFFu;
            m__Attributes.m__ULONG__DeviceMinor = (l__ULONG__Low & 0xFFu) | ((l__ULONG__Low >> 12) & 0xFFF00u);
        }
    } else if (Is(p__PUCHAR__Entry, "CL") || Is(p__PUCHAR__Entry, "PL")) {
        if (p__ULONG__Length < LOCATION_LENGTH) {
            Problem("CL or PL entry of length", p__ULONG__Length);
            return;
        }
        const ULONG l__ULONG__Location = CTarnwick_Bytes::GetLittleEndian32(p__PUCHAR__Entry + 4);
        if (Is(p__PUCHAR__Entry, "CL")) {
            m__bool__HasChildLink = true;
            m__ULONG__ChildLink = l__ULONG__Location;
        } else {
            m__bool__HasParentLink = true;
            m__ULONG__ParentLink = l__ULONG__Location;
        }
    } else if (Is(p__PUCHAR__Entry, "RE")) {
        m__bool__IsRelocated = true;
    }
}

void CTarnwick_RockRidgeReader::TakeName(const UCHAR* p__PUCHAR__Entry, ULONG p__ULONG__Length) {
    if (p__ULONG__Length < 5) {
        Problem("NM entry of length", p__ULONG__Length);
        return;
    }
    if (m__bool__NameDone) {
        return;  // the name was whole already
    }
    const UCHAR l__UCHAR__Flags = p__PUCHAR__Entry[4];
    if ((l__UCHAR__Flags & (NAME_CURRENT | NAME_PARENT)) != 0) {
        m__bool__NameDone = true;
        m__bool__HasName = false;
        m__string__Name.clear();
        return;
    }
    m__bool__HasName = true;
    AppendText(&m__string__Name, p__PUCHAR__Entry + 5, p__ULONG__Length - 5);
    m__bool__NameDone = (l__UCHAR__Flags & NAME_CONTINUE) == 0;
}

void CTarnwick_RockRidgeReader::TakeLink(const UCHAR* p__PUCHAR__Entry, ULONG p__ULONG__Length) {
    if (p__ULONG__Length < 5) {
        Problem("SL entry of length", p__ULONG__Length);
        return;
    }
    if (m__bool__LinkDone) {
        return;
    }
    m__bool__HasLinkTarget = true;
    std::string& l__string__Target = m__Attributes.m__string__LinkTarget;
    ULONG l__ULONG__Position = 5;
    while (l__ULONG__Position + 2 <= p__ULONG__Length) {
        const UCHAR l__UCHAR__Flags = p__PUCHAR__Entry[l__ULONG__Position];
        const ULONG l__ULONG__Component = p__PUCHAR__Entry[l__ULONG__Position + 1];
        if (l__ULONG__Position + 2 + l__ULONG__Component > p__ULONG__Length) {
            Problem("SL component running past its entry, length", l__ULONG__Component);
            break;
        }
        const UCHAR* l__PUCHAR__Text = p__PUCHAR__Entry + l__ULONG__Position + 2;
        l__ULONG__Position += 2 + l__ULONG__Component;
        if ((l__UCHAR__Flags & (COMPONENT_ROOT | COMPONENT_VOLUME_ROOT)) != 0) {
            if (l__string__Target.empty() || l__string__Target.back() != '/') {
                AppendText(&l__string__Target, reinterpret_cast<const UCHAR*>("/"), 1);
            }
            m__bool__NeedSeparator = false;
            m__bool__ComponentOpen = false;
            continue;
        }
        // A component that goes on in the next one takes no separator before the rest.
        if (m__bool__NeedSeparator && !m__bool__ComponentOpen) {
            AppendText(&l__string__Target, reinterpret_cast<const UCHAR*>("/"), 1);
        }
        if ((l__UCHAR__Flags & COMPONENT_CURRENT) != 0) {
            AppendText(&l__string__Target, reinterpret_cast<const UCHAR*>("."), 1);
        } else if ((l__UCHAR__Flags & COMPONENT_PARENT) != 0) {
            AppendText(&l__string__Target, reinterpret_cast<const UCHAR*>(".."), 2);
        } else if ((l__UCHAR__Flags & COMPONENT_HOST) == 0) {
            AppendText(&l__string__Target, l__PUCHAR__Text, l__ULONG__Component);
        }
        m__bool__ComponentOpen = (l__UCHAR__Flags & LINK_CONTINUE) != 0;
        m__bool__NeedSeparator = true;
    }
    m__bool__LinkDone = (p__PUCHAR__Entry[4] & LINK_CONTINUE) == 0;
}

void CTarnwick_RockRidgeReader::TakeTimes(const UCHAR* p__PUCHAR__Entry, ULONG p__ULONG__Length) {
    if (p__ULONG__Length < 5) {
        Problem("TF entry of length", p__ULONG__Length);
        return;
    }
    const UCHAR l__UCHAR__Flags = p__PUCHAR__Entry[4];
    const ULONG l__ULONG__Stamp = (l__UCHAR__Flags & TIME_LONG_FORM) != 0 ? LONG_DATE_LENGTH : SHORT_DATE_LENGTH;
    ULONG l__ULONG__Position = 5;
    for (UCHAR l__UCHAR__Bit = 0; l__UCHAR__Bit < TIME_STAMPS; ++l__UCHAR__Bit) {
        if ((l__UCHAR__Flags & (1u << l__UCHAR__Bit)) == 0) {
            continue;
        }
        if (l__ULONG__Position + l__ULONG__Stamp > p__ULONG__Length) {
            Problem("TF entry shorter than its stamps, length", p__ULONG__Length);
            return;
        }
        const UCHAR* l__PUCHAR__Stamp = p__PUCHAR__Entry + l__ULONG__Position;
        l__ULONG__Position += l__ULONG__Stamp;
        LONGLONG l__LONGLONG__Seconds = 0;
        const bool l__bool__Valid = l__ULONG__Stamp == LONG_DATE_LENGTH
                                        ? SecondsOfLongDate(l__PUCHAR__Stamp, &l__LONGLONG__Seconds)
                                        : SecondsOfShortDate(l__PUCHAR__Stamp, &l__LONGLONG__Seconds);
        if (!l__bool__Valid) {
            continue;
        }
        if (l__UCHAR__Bit == TIME_MODIFY_BIT) {
            m__Attributes.m__LONGLONG__ModifyTime = l__LONGLONG__Seconds;
            m__ULONG__TimeFlags |= TimeModify;
        } else if (l__UCHAR__Bit == TIME_ACCESS_BIT) {
            m__Attributes.m__LONGLONG__AccessTime = l__LONGLONG__Seconds;
            m__ULONG__TimeFlags |= TimeAccess;
        } else if (l__UCHAR__Bit == TIME_ATTRIBUTES_BIT) {
            m__Attributes.m__LONGLONG__AttributeTime = l__LONGLONG__Seconds;
            m__ULONG__TimeFlags |= TimeAttribute;
        }
    }
}

void CTarnwick_RockRidgeReader::TakeContinuation(const UCHAR* p__PUCHAR__Entry, ULONG p__ULONG__Length) {
    if (p__ULONG__Length < CE_LENGTH) {
        Problem("CE entry of length", p__ULONG__Length);
        return;
    }
    if (m__bool__HasPendingArea) {
        Problem("second CE entry in one area, at block", CTarnwick_Bytes::GetLittleEndian32(p__PUCHAR__Entry + 4));
        return;
    }
    m__bool__HasPendingArea = true;
    m__PendingArea = {CTarnwick_Bytes::GetLittleEndian32(p__PUCHAR__Entry + 4),
                      CTarnwick_Bytes::GetLittleEndian32(p__PUCHAR__Entry + 12),
                      CTarnwick_Bytes::GetLittleEndian32(p__PUCHAR__Entry + 20)};
}

void CTarnwick_RockRidgeReader::TakeExtension(const UCHAR* p__PUCHAR__Entry, ULONG p__ULONG__Length) {
    if (p__ULONG__Length < ER_FIXED_LENGTH || ER_FIXED_LENGTH + p__PUCHAR__Entry[4] > p__ULONG__Length) {
        Problem("ER entry of length", p__ULONG__Length);
        return;
    }
    const std::string l__string__Identifier(reinterpret_cast<const char*>(p__PUCHAR__Entry + ER_FIXED_LENGTH),
                                            p__PUCHAR__Entry[4]);
    if (l__string__Identifier == "RRIP_1991A" || l__string__Identifier == "IEEE_P1282" ||
        l__string__Identifier == "IEEE_1282") {
        m__bool__HasExtension = true;
    }
}

void CTarnwick_RockRidgeReader::AppendText(std::string* p__Pstring__Text, const UCHAR* p__PUCHAR__Bytes,
                                           size_t p__SIZE__Length) {
    if (p__Pstring__Text->size() >= MaximumTextLength) {
        return;
    }
    p__Pstring__Text->append(reinterpret_cast<const char*>(p__PUCHAR__Bytes),
                             std::min(p__SIZE__Length, MaximumTextLength - p__Pstring__Text->size()));
}

void CTarnwick_RockRidgeReader::Problem(const char* p__PCHAR__What, ULONG p__ULONG__Value) {
    ++m__ULONG__Problems;
    DebugPrint("\nCTarnwick_RockRidgeReader::Parse(): WARNING! %s %lu, not read!!!\n", p__PCHAR__What,
               static_cast<unsigned long>(p__ULONG__Value));
}
