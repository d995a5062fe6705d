#include "CTarnwick_RockRidgeRecord.h"

#include <cstring>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_ISO9660FileTreeNode.h"

namespace {

// The extension reference of the root's own record.
const char g__PCHAR__ExtensionIdentifier[] = "IEEE_P1282";
const char g__PCHAR__ExtensionDescriptor[] = "THE IEEE P1282 PROTOCOL PROVIDES SUPPORT FOR POSIX FILE SYSTEM SEMANTICS.";
const char g__PCHAR__ExtensionSource[] =
    "PLEASE CONTACT THE IEEE STANDARDS DEPARTMENT, PISCATAWAY, NJ, USA FOR THE P1282 STANDARD.";

// An entry is at most 255 bytes: 5 of them are the header and the flags of NM and SL.
constexpr size_t g__SIZE__MaximumPayload = 250;
// A component record of SL: its flags, its length and up to 248 bytes.
constexpr size_t g__SIZE__MaximumComponent = g__SIZE__MaximumPayload - 2;

constexpr UCHAR g__UCHAR__Continue = 0x01;
constexpr UCHAR g__UCHAR__Current = 0x02;
constexpr UCHAR g__UCHAR__Parent = 0x04;
constexpr UCHAR g__UCHAR__Root = 0x08;

UCHAR* Bytes(std::string& p__string__Entry) { return reinterpret_cast<UCHAR*>(p__string__Entry.data()); }

}  // namespace

std::string CTarnwick_RockRidgeRecord::Entry(const char* p__PCHAR__Signature, size_t p__SIZE__DataLength) {
    std::string l__string__Entry(4 + p__SIZE__DataLength, '\0');
    l__string__Entry[0] = p__PCHAR__Signature[0];
    l__string__Entry[1] = p__PCHAR__Signature[1];
    l__string__Entry[2] = static_cast<char>(4 + p__SIZE__DataLength);
    l__string__Entry[3] = 1;
    return l__string__Entry;
}


void CTarnwick_RockRidgeRecord::AddName(const std::string& p__string__Name) {
    // Names longer than one entry holds go on in further NM entries, each but the last
    // flagged to continue.
    size_t l__SIZE__At = 0;
    do {
        size_t l__SIZE__Piece = std::min(g__SIZE__MaximumPayload, p__string__Name.size() - l__SIZE__At);
        std::string l__string__Entry = Entry("NM", 1 + l__SIZE__Piece);
        l__string__Entry[4] = static_cast<char>(l__SIZE__At + l__SIZE__Piece < p__string__Name.size() ? g__UCHAR__Continue : 0);
        std::memcpy(Bytes(l__string__Entry) + 5, p__string__Name.data() + l__SIZE__At, l__SIZE__Piece);
        Add(std::move(l__string__Entry));
        l__SIZE__At += l__SIZE__Piece;
    } while (l__SIZE__At < p__string__Name.size());
}

void CTarnwick_RockRidgeRecord::AddLink(const std::string& p__string__Target) {
    // The component records: "/" at the start, ".", "..", and the names between slashes
    // (a name longer than a component record holds goes on in the next, flagged to continue).
    std::vector<std::string> l__Components;
    auto l__Component = [&](UCHAR p__UCHAR__Flags, const char* p__PCHAR__Text, size_t p__SIZE__Length) {
        std::string l__string__Record(2 + p__SIZE__Length, '\0');
        l__string__Record[0] = static_cast<char>(p__UCHAR__Flags);
        l__string__Record[1] = static_cast<char>(p__SIZE__Length);
        std::memcpy(l__string__Record.data() + 2, p__PCHAR__Text, p__SIZE__Length);
        l__Components.push_back(std::move(l__string__Record));
    };
    size_t l__SIZE__At = 0;
    if (!p__string__Target.empty() && p__string__Target[0] == '/') {
        l__Component(g__UCHAR__Root, "", 0);
        l__SIZE__At = 1;
    }
    while (l__SIZE__At < p__string__Target.size()) {
        size_t l__SIZE__Slash = p__string__Target.find('/', l__SIZE__At);
        if (l__SIZE__Slash == std::string::npos) {
            l__SIZE__Slash = p__string__Target.size();
        }
        const char* l__PCHAR__Name = p__string__Target.data() + l__SIZE__At;
        size_t l__SIZE__Length = l__SIZE__Slash - l__SIZE__At;
        if (l__SIZE__Length == 1 && l__PCHAR__Name[0] == '.') {
            l__Component(g__UCHAR__Current, "", 0);
        } else if (l__SIZE__Length == 2 && l__PCHAR__Name[0] == '.' && l__PCHAR__Name[1] == '.') {
            l__Component(g__UCHAR__Parent, "", 0);
        } else {
            // An empty name (two slashes in a row) adds nothing.
            for (size_t l__SIZE__Done = 0; l__SIZE__Done < l__SIZE__Length; l__SIZE__Done += g__SIZE__MaximumComponent) {
                size_t l__SIZE__Piece = std::min(g__SIZE__MaximumComponent, l__SIZE__Length - l__SIZE__Done);
                l__Component(l__SIZE__Done + l__SIZE__Piece < l__SIZE__Length ? g__UCHAR__Continue : 0,
                             l__PCHAR__Name + l__SIZE__Done, l__SIZE__Piece);
            }
        }
        l__SIZE__At = l__SIZE__Slash + 1;
    }
    // The component records fill SL entries in turn; all but the last entry continue. An
    // entry that fills up ends inside a name, its last component record flagged to
    // continue: readers disagree on whether a "/" goes between two entries' components,
    // never on one name's pieces.
    std::vector<std::string> l__Entries;
    std::string l__string__Payload;
    for (std::string l__string__Record : l__Components) {
        while (l__string__Payload.size() + l__string__Record.size() > g__SIZE__MaximumPayload) {
            const size_t l__SIZE__Room = g__SIZE__MaximumPayload - l__string__Payload.size();
            const UCHAR l__UCHAR__Flags = static_cast<UCHAR>(l__string__Record[0]);
            const size_t l__SIZE__Length = static_cast<UCHAR>(l__string__Record[1]);
            if ((l__UCHAR__Flags & (g__UCHAR__Current | g__UCHAR__Parent | g__UCHAR__Root)) == 0 && l__SIZE__Room > 2 &&
                l__SIZE__Length > l__SIZE__Room - 2) {
                const size_t l__SIZE__Piece = l__SIZE__Room - 2;
                l__string__Payload.push_back(static_cast<char>(l__UCHAR__Flags | g__UCHAR__Continue));
                l__string__Payload.push_back(static_cast<char>(l__SIZE__Piece));
                l__string__Payload.append(l__string__Record, 2, l__SIZE__Piece);
                std::string l__string__Rest(1, static_cast<char>(l__UCHAR__Flags));
                l__string__Rest.push_back(static_cast<char>(l__SIZE__Length - l__SIZE__Piece));
                l__string__Rest.append(l__string__Record, 2 + l__SIZE__Piece, std::string::npos);
                l__string__Record = std::move(l__string__Rest);
            }
            l__Entries.push_back(std::move(l__string__Payload));
            l__string__Payload.clear();
        }
        l__string__Payload.append(l__string__Record);
    }
    l__Entries.push_back(std::move(l__string__Payload));
    for (size_t l__SIZE__Index = 0; l__SIZE__Index < l__Entries.size(); ++l__SIZE__Index) {
        std::string l__string__Entry = Entry("SL", 1 + l__Entries[l__SIZE__Index].size());
        l__string__Entry[4] = static_cast<char>(l__SIZE__Index + 1 < l__Entries.size() ? g__UCHAR__Continue : 0);
        std::memcpy(Bytes(l__string__Entry) + 5, l__Entries[l__SIZE__Index].data(), l__Entries[l__SIZE__Index].size());
        Add(std::move(l__string__Entry));
    }
}

void CTarnwick_RockRidgeRecord::AddTimes(const CTarnwick_RockRidgeAttributes& p__Attributes) {
    // Modification, access and attribute change, in that order, 7 bytes each.
    std::string l__string__Entry = Entry("TF", 1 + 3 * 7);
    l__string__Entry[4] = 0x0E;
    CTarnwick_ISO9660FileTreeNode::RecordingDateOfUnixTime(p__Attributes.m__LONGLONG__ModifyTime, Bytes(l__string__Entry) + 5);
    CTarnwick_ISO9660FileTreeNode::RecordingDateOfUnixTime(p__Attributes.m__LONGLONG__AccessTime, Bytes(l__string__Entry) + 12);
    CTarnwick_ISO9660FileTreeNode::RecordingDateOfUnixTime(p__Attributes.m__LONGLONG__AttributeTime, Bytes(l__string__Entry) + 19);
    Add(std::move(l__string__Entry));
}

CTarnwick_RockRidgeRecord::CTarnwick_RockRidgeRecord(const Content& p__Content, ULONG p__ULONG__BaseLength) {
    const CTarnwick_RockRidgeAttributes& l__Attributes = *p__Content.m__PAttributes;
    if (p__Content.m__bool__IsRootSelf) {
        // SP comes first in the root's own record: it says the entries start right after
        // the identifier (no bytes skipped).
        std::string l__string__Entry = Entry("SP", 3);
        l__string__Entry[4] = static_cast<char>(0xBE);
        l__string__Entry[5] = static_cast<char>(0xEF);
        l__string__Entry[6] = 0;
        Add(std::move(l__string__Entry));
    }
    if (p__Content.m__bool__IsRelocated) {
        Add(Entry("RE", 0));
    }
    std::string l__string__Px = Entry("PX", 40);
    CTarnwick_Bytes::PutBothEndian32(Bytes(l__string__Px) + 4, l__Attributes.m__ULONG__Mode);
    CTarnwick_Bytes::PutBothEndian32(Bytes(l__string__Px) + 12, p__Content.m__ULONG__Links);
    CTarnwick_Bytes::PutBothEndian32(Bytes(l__string__Px) + 20, l__Attributes.m__ULONG__User);
    CTarnwick_Bytes::PutBothEndian32(Bytes(l__string__Px) + 28, l__Attributes.m__ULONG__Group);
    CTarnwick_Bytes::PutBothEndian32(Bytes(l__string__Px) + 36, p__Content.m__ULONG__Serial);
    Add(std::move(l__string__Px));
    AddTimes(l__Attributes);
    if (l__Attributes.IsDevice()) {
        // The device number in the encoding of a 32-bit dev_t, in the low word.
        const ULONG l__ULONG__Major = l__Attributes.m__ULONG__DeviceMajor;
        const ULONG l__ULONG__Minor = l__Attributes.m__ULONG__DeviceMinor;
        std::string l__string__Pn = Entry("PN", 16);
        CTarnwick_Bytes::PutBothEndian32(Bytes(l__string__Pn) + 4, 0);
        CTarnwick_Bytes::PutBothEndian32(Bytes(l__string__Pn) + 12,
                                         (l__ULONG__Minor & 0xFF) | ((l__ULONG__Major & 0xFFF) << 8) |
                                             ((l__ULONG__Minor & ~0xFFu) << 12));
        Add(std::move(l__string__Pn));
    }
    if (p__Content.m__bool__HasChildLink) {
        std::string l__string__Cl = Entry("CL", 8);
        CTarnwick_Bytes::PutBothEndian32(Bytes(l__string__Cl) + 4, p__Content.m__ULONG__ChildLink);
        Add(std::move(l__string__Cl));
    }
    if (p__Content.m__bool__HasParentLink) {
        std::string l__string__Pl = Entry("PL", 8);
        CTarnwick_Bytes::PutBothEndian32(Bytes(l__string__Pl) + 4, p__Content.m__ULONG__ParentLink);
        Add(std::move(l__string__Pl));
    }
    if (p__Content.m__Pstring__Name != nullptr) {
        AddName(*p__Content.m__Pstring__Name);
    }
    if (l__Attributes.IsLink()) {
        AddLink(l__Attributes.m__string__LinkTarget);
    }
    if (p__Content.m__bool__IsRootSelf) {
        const size_t l__SIZE__Identifier = sizeof(g__PCHAR__ExtensionIdentifier) - 1;
        const size_t l__SIZE__Descriptor = sizeof(g__PCHAR__ExtensionDescriptor) - 1;
        const size_t l__SIZE__Source = sizeof(g__PCHAR__ExtensionSource) - 1;
        std::string l__string__Er = Entry("ER", 4 + l__SIZE__Identifier + l__SIZE__Descriptor + l__SIZE__Source);
        l__string__Er[4] = static_cast<char>(l__SIZE__Identifier);
        l__string__Er[5] = static_cast<char>(l__SIZE__Descriptor);
        l__string__Er[6] = static_cast<char>(l__SIZE__Source);
        l__string__Er[7] = 1;
        l__string__Er.replace(8, l__SIZE__Identifier, g__PCHAR__ExtensionIdentifier);
        l__string__Er.replace(8 + l__SIZE__Identifier, l__SIZE__Descriptor, g__PCHAR__ExtensionDescriptor);
        l__string__Er.replace(8 + l__SIZE__Identifier + l__SIZE__Descriptor, l__SIZE__Source, g__PCHAR__ExtensionSource);
        Add(std::move(l__string__Er));
    }
    Split(p__ULONG__BaseLength);
}

void CTarnwick_RockRidgeRecord::Split(ULONG p__ULONG__BaseLength) {
    const size_t l__SIZE__Room = MaximumRecordLength > p__ULONG__BaseLength ? MaximumRecordLength - p__ULONG__BaseLength : 0;
    size_t l__SIZE__Total = 0;
    for (const std::string& l__string__Entry : m__Entries) {
        l__SIZE__Total += l__string__Entry.size();
    }
    if (l__SIZE__Total <= l__SIZE__Room) {
        m__SIZE__InRecord = m__Entries.size();
        m__ULONG__SystemUseLength = static_cast<ULONG>(l__SIZE__Total);
        return;
    }
    // The record keeps the entries that fit with a CE entry after them; the others fill
    // continuation areas in turn, each leaving room for a CE entry while more follow.
    size_t l__SIZE__Used = 0;
    size_t l__SIZE__Index = 0;
    while (l__SIZE__Index < m__Entries.size() &&
           l__SIZE__Used + m__Entries[l__SIZE__Index].size() + ContinuationEntryLength <= l__SIZE__Room) {
        l__SIZE__Used += m__Entries[l__SIZE__Index++].size();
    }
    // A name that does not fit is cut in two NM entries, the first filling the record:
    // readers that never follow CE then show as much of the name as a record can hold.
    const size_t l__SIZE__Left = l__SIZE__Room - l__SIZE__Used - ContinuationEntryLength;
    if (l__SIZE__Index < m__Entries.size() && l__SIZE__Left > 5 && m__Entries[l__SIZE__Index].compare(0, 2, "NM") == 0) {
        std::string& l__string__Whole = m__Entries[l__SIZE__Index];
        const size_t l__SIZE__Piece = l__SIZE__Left - 5;
        std::string l__string__First = Entry("NM", 1 + l__SIZE__Piece);
        l__string__First[4] = static_cast<char>(g__UCHAR__Continue);
        l__string__First.replace(5, l__SIZE__Piece, l__string__Whole, 5, l__SIZE__Piece);
        std::string l__string__Rest = Entry("NM", 1 + l__string__Whole.size() - 5 - l__SIZE__Piece);
        l__string__Rest[4] = l__string__Whole[4];
        l__string__Rest.replace(5, std::string::npos, l__string__Whole, 5 + l__SIZE__Piece, std::string::npos);
        l__string__Whole = std::move(l__string__Rest);
        m__Entries.insert(m__Entries.begin() + static_cast<std::ptrdiff_t>(l__SIZE__Index), std::move(l__string__First));
        l__SIZE__Used += m__Entries[l__SIZE__Index++].size();
    }
    m__SIZE__InRecord = l__SIZE__Index;
    m__ULONG__SystemUseLength = static_cast<ULONG>(l__SIZE__Used + ContinuationEntryLength);
    size_t l__SIZE__Area = 0;
    m__AreaStarts.push_back(l__SIZE__Index);
    for (; l__SIZE__Index < m__Entries.size(); ++l__SIZE__Index) {
        const bool l__bool__MoreFollow = l__SIZE__Index + 1 < m__Entries.size();
        const size_t l__SIZE__Need = m__Entries[l__SIZE__Index].size() + (l__bool__MoreFollow ? ContinuationEntryLength : 0);
        if (l__SIZE__Area != 0 && l__SIZE__Area + l__SIZE__Need > BlockSize) {
            m__AreaLengths.push_back(static_cast<ULONG>(l__SIZE__Area + ContinuationEntryLength));
            m__AreaStarts.push_back(l__SIZE__Index);
            l__SIZE__Area = 0;
        }
        l__SIZE__Area += m__Entries[l__SIZE__Index].size();
    }
    m__AreaLengths.push_back(static_cast<ULONG>(l__SIZE__Area));
}

void CTarnwick_RockRidgeRecord::PutContinuation(UCHAR* p__PUCHAR__Entry, const Place& p__Place, ULONG p__ULONG__Length) {
    p__PUCHAR__Entry[0] = 'C';
    p__PUCHAR__Entry[1] = 'E';
    p__PUCHAR__Entry[2] = static_cast<UCHAR>(ContinuationEntryLength);
    p__PUCHAR__Entry[3] = 1;
    CTarnwick_Bytes::PutBothEndian32(p__PUCHAR__Entry + 4, p__Place.m__ULONG__Block);
    CTarnwick_Bytes::PutBothEndian32(p__PUCHAR__Entry + 12, p__Place.m__ULONG__Offset);
    CTarnwick_Bytes::PutBothEndian32(p__PUCHAR__Entry + 20, p__ULONG__Length);
}

void CTarnwick_RockRidgeRecord::Write(UCHAR* p__PUCHAR__SystemUse, const std::vector<Place>& p__Places,
                                      const std::function<UCHAR*(const Place&)>& p__At) const {
    UCHAR* l__PUCHAR__At = p__PUCHAR__SystemUse;
    for (size_t l__SIZE__Index = 0; l__SIZE__Index < m__SIZE__InRecord; ++l__SIZE__Index) {
        std::memcpy(l__PUCHAR__At, m__Entries[l__SIZE__Index].data(), m__Entries[l__SIZE__Index].size());
        l__PUCHAR__At += m__Entries[l__SIZE__Index].size();
    }
    for (size_t l__SIZE__Area = 0; l__SIZE__Area < m__AreaLengths.size(); ++l__SIZE__Area) {
        // The CE entry that leads here ends the record or the area before.
        PutContinuation(l__PUCHAR__At, p__Places[l__SIZE__Area], m__AreaLengths[l__SIZE__Area]);
        l__PUCHAR__At = p__At(p__Places[l__SIZE__Area]);
        size_t l__SIZE__End = l__SIZE__Area + 1 < m__AreaStarts.size() ? m__AreaStarts[l__SIZE__Area + 1] : m__Entries.size();
        for (size_t l__SIZE__Index = m__AreaStarts[l__SIZE__Area]; l__SIZE__Index < l__SIZE__End; ++l__SIZE__Index) {
            std::memcpy(l__PUCHAR__At, m__Entries[l__SIZE__Index].data(), m__Entries[l__SIZE__Index].size());
            l__PUCHAR__At += m__Entries[l__SIZE__Index].size();
        }
    }
}
