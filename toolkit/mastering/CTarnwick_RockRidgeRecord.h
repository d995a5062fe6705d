#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "CTarnwick_RockRidgeAttributes.h"
#include "tarnwick_types.h"

// The system-use entries of one directory record with Rock Ridge: SP and ER for the root's
// own record, PX, TF, PN for devices, SL for symbolic links, NM, and CL, PL and RE for
// relocated directories. What does not fit into the record goes into continuation areas
// that a CE entry points to, each within one block and, when more follow, ending with a
// CE entry of its own.
class CTarnwick_RockRidgeRecord {
public:
    static constexpr ULONG BlockSize = 2048;
    static constexpr ULONG ContinuationEntryLength = 28;
    // The largest record: its length is one byte and even.
    static constexpr ULONG MaximumRecordLength = 254;

    // What one record says about its node.
    struct Content {
        const CTarnwick_RockRidgeAttributes* m__PAttributes = nullptr;  // never null
        ULONG m__ULONG__Links = 1;
        ULONG m__ULONG__Serial = 0;
        const std::string* m__Pstring__Name = nullptr;  // null: no NM ("." and "..")
        bool m__bool__IsRootSelf = false;               // the root's "." record: SP and ER
        bool m__bool__HasChildLink = false;             // CL: the directory lies at the child link
        ULONG m__ULONG__ChildLink = 0;
        bool m__bool__HasParentLink = false;            // PL: the real parent lies at the parent link
        ULONG m__ULONG__ParentLink = 0;
        bool m__bool__IsRelocated = false;              // RE
    };
    // Where a continuation area lies: its block (absolute) and offset in it.
    struct Place {
        ULONG m__ULONG__Block;
        ULONG m__ULONG__Offset;
    };

    // Builds the entries of a record whose fixed part, identifier and padding take
    // p__ULONG__BaseLength bytes, and splits them between the record and continuation areas.
    CTarnwick_RockRidgeRecord(const Content& p__Content, ULONG p__ULONG__BaseLength);

    // The bytes the entries take in the record itself (the CE entry included).
    ULONG GetSystemUseLength() const { return m__ULONG__SystemUseLength; }
    // The lengths of the continuation areas, in the order they chain (none: empty).
    const std::vector<ULONG>& GetAreaLengths() const { return m__AreaLengths; }
    // Writes the in-record entries at p__PUCHAR__SystemUse and each continuation area at
    // the place given for it (p__Places in chain order, p__At gives the bytes of a place).
    void Write(UCHAR* p__PUCHAR__SystemUse, const std::vector<Place>& p__Places,
               const std::function<UCHAR*(const Place&)>& p__At) const;

private:
    void Add(std::string p__string__Entry) { m__Entries.push_back(std::move(p__string__Entry)); }
    static std::string Entry(const char* p__PCHAR__Signature, size_t p__SIZE__DataLength);
    void AddName(const std::string& p__string__Name);
    void AddLink(const std::string& p__string__Target);
    void AddTimes(const CTarnwick_RockRidgeAttributes& p__Attributes);
    void Split(ULONG p__ULONG__BaseLength);
    static void PutContinuation(UCHAR* p__PUCHAR__Entry, const Place& p__Place, ULONG p__ULONG__Length);

    std::vector<std::string> m__Entries;
    // The entries [0, m__SIZE__InRecord) lie in the record; area i holds the entries
    // [m__AreaStarts[i], m__AreaStarts[i + 1]) (the last up to the end).
    size_t m__SIZE__InRecord = 0;
    std::vector<size_t> m__AreaStarts;
    std::vector<ULONG> m__AreaLengths;
    ULONG m__ULONG__SystemUseLength = 0;
};
