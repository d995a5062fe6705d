// Importing the directory hierarchy of a data track already on the disc into a file tree,
// so that a new session built from the tree shows the old files beside the new ones. A
// session with Rock Ridge entries gives its nodes their POSIX names and attributes.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_ISO9660FileTree.h"
#include "CTarnwick_RockRidgeReader.h"
#include "CTarnwick_Utf16.h"
#include "DebugPrint.h"

namespace {

constexpr ULONG IMPORT_BLOCK_SIZE = 2048;
// The volume descriptors looked at: the five blocks from block 16 of the track.
constexpr ULONG DESCRIPTOR_FIRST_BLOCK = 16;
constexpr ULONG DESCRIPTOR_BLOCKS = 5;
// Directories are read this many blocks per command, as any drive transfers 64 KiB.
constexpr ULONG READ_BLOCKS_PER_COMMAND = 32;
// No real directory comes near this size (it would hold about half a million records).
constexpr ULONG MAXIMUM_DIRECTORY_LENGTH = 32u * 1024u * 1024u;
// The fixed part of a directory record, before its identifier.
constexpr ULONG RECORD_FIXED_LENGTH = 33;
constexpr ULONG RECORD_MINIMUM_LENGTH = 34;
// Fields of a directory record.
constexpr ULONG RECORD_EXTENT = 2;
constexpr ULONG RECORD_DATA_LENGTH = 10;
constexpr ULONG RECORD_DATE = 18;
constexpr ULONG RECORD_FLAGS = 25;
constexpr ULONG RECORD_IDENTIFIER_LENGTH = 32;
constexpr ULONG RECORD_IDENTIFIER = 33;
constexpr UCHAR RECORD_FLAGS_FILE = 0x00;
constexpr UCHAR RECORD_FLAGS_DIRECTORY = 0x02;
// A part of a file of 4 GiB or more other than its last: the file flags with multi-extent set.
constexpr UCHAR RECORD_FLAGS_MULTI_EXTENT_FILE = 0x80;
// The root directory record of a volume descriptor: its extent and data length.
constexpr ULONG DESCRIPTOR_ROOT_EXTENT = 158;
constexpr ULONG DESCRIPTOR_ROOT_DATA_LENGTH = 166;
// Directories nested deeper than this are not walked: the walk recurses once a level, and a
// crafted disc may chain directories far beyond any real tree.
constexpr ULONG MAXIMUM_DIRECTORY_DEPTH = 1024;
// Rock Ridge names longer than this are cut (a POSIX name has 255 bytes at most).
constexpr size_t MAXIMUM_NAME_LENGTH = 255;
// A node's path stays below the trees' limit; the start of the walk's path is kept in front
// of the cut when it is this short.
constexpr size_t MAXIMUM_PATH_LENGTH = TARNWICK_MAX_PATH - 1;
constexpr size_t MAXIMUM_KEPT_PREFIX = 64;
// Where the hard-link serial numbers of imported nodes come from: one the disc gave, or a
// number of the walk's own for a node without one. Neither is the number of a device, so
// they never meet the serial numbers of local files.
constexpr uint64_t ORIGIN_DISC_SERIAL = 0x8000000000000000ull;
constexpr uint64_t ORIGIN_WALK_SERIAL = 0x8000000000000001ull;

const char* const g__PCHAR__ImportTrack = "CTarnwick_CdvdBurnerGrabber::ImportTrack";
const char* const g__PCHAR__ImportDirectory = "CTarnwick_CdvdBurnerGrabber::ImportDirectory";

uint64_t BlocksOf(uint64_t p__ULONGLONG__Bytes) { return (p__ULONGLONG__Bytes + IMPORT_BLOCK_SIZE - 1) / IMPORT_BLOCK_SIZE; }

// The records of one file stored in several extents, in the order of the directory: each
// part but the last flagged multi-extent, all with one identifier. The file is imported whole
// when its parts follow one another on the disc (every part but the last a whole number of
// blocks): it is then one run of bytes from the first part's extent on, which the new session's
// records split again.
class MultiExtentFile {
public:
    bool IsOpen() const { return m__bool__Open; }
    bool IsPartOf(const UCHAR* p__PUCHAR__Identifier, ULONG p__ULONG__Length) const {
        return m__bool__Open && m__Identifier.size() == p__ULONG__Length &&
               std::equal(m__Identifier.begin(), m__Identifier.end(), p__PUCHAR__Identifier);
    }
    void Add(const UCHAR* p__PUCHAR__Identifier, ULONG p__ULONG__IdentifierLength, ULONG p__ULONG__Extent, ULONG p__ULONG__Length) {
        if (!m__bool__Open) {
            m__bool__Open = true;
            m__bool__Contiguous = true;
            m__Identifier.assign(p__PUCHAR__Identifier, p__PUCHAR__Identifier + p__ULONG__IdentifierLength);
            m__ULONG__First = p__ULONG__Extent;
            m__ULONGLONG__Length = p__ULONG__Length;
            return;
        }
        if (m__ULONGLONG__Length % IMPORT_BLOCK_SIZE != 0 ||
            static_cast<uint64_t>(m__ULONG__First) + m__ULONGLONG__Length / IMPORT_BLOCK_SIZE != p__ULONG__Extent) {
            m__bool__Contiguous = false;
        }
        m__ULONGLONG__Length += p__ULONG__Length;
    }
    void Close() { m__bool__Open = false; }
    bool IsContiguous() const { return m__bool__Contiguous; }
    ULONG First() const { return m__ULONG__First; }
    uint64_t Length() const { return m__ULONGLONG__Length; }

private:
    bool m__bool__Open = false;
    bool m__bool__Contiguous = true;
    std::vector<UCHAR> m__Identifier;
    ULONG m__ULONG__First = 0;
    uint64_t m__ULONGLONG__Length = 0;
};

// The name of a record as the tree takes it: ISO9660 bytes as they are, or a Joliet
// name (UCS-2 big-endian) as UTF-8 with any invalid unit replaced; a one-digit version
// suffix (";1") is dropped.
std::string NameOfRecord(const UCHAR* p__PUCHAR__Identifier, ULONG p__ULONG__Length, BOOLEAN p__BOOLEAN__IsJoliet) {
    std::string l__string__Name;
    if (p__BOOLEAN__IsJoliet) {
        std::string l__string__Bytes(reinterpret_cast<const char*>(p__PUCHAR__Identifier), p__ULONG__Length & ~1u);
        l__string__Name = CTarnwick_Utf16::ToUtf8(CTarnwick_Utf16::FromBigEndian(l__string__Bytes));
    } else {
        l__string__Name.assign(reinterpret_cast<const char*>(p__PUCHAR__Identifier), p__ULONG__Length);
    }
    if (l__string__Name.size() > 2 && l__string__Name[l__string__Name.size() - 2] == ';') {
        l__string__Name.resize(l__string__Name.size() - 2);
    }
    return l__string__Name;
}

// A Rock Ridge name a node can take: not empty, no "." or "..", no "/" or NUL byte (a name
// like that would lead a reader of the new session out of its directory).
bool IsUsableName(const std::string& p__string__Name) {
    return !p__string__Name.empty() && p__string__Name != "." && p__string__Name != ".." &&
           p__string__Name.find('/') == std::string::npos && p__string__Name.find('\0') == std::string::npos;
}

void RaiseWithoutTree(const char* p__PCHAR__Name, const CTarnwick_ISO9660FileTree* p__PCTarnwick_ISO9660FileTree__Tree) {
    if (p__PCTarnwick_ISO9660FileTree__Tree == nullptr) {
        CTarnwick_Exception::Raise(p__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "%s(): the tree is NULL!!!", p__PCHAR__Name);
    }
}

}  // namespace

struct CTarnwick_CdvdBurnerGrabber::ImportWalk {
    explicit ImportWalk(CTarnwick_CdvdBurnerGrabber& p__Burner) : m__Burner(p__Burner) {}

    // Reads one block for the Rock Ridge reader: inside the track only; the last block read
    // is kept, as many continuation areas share one block.
    bool ReadBlock(ULONG p__ULONG__Block, UCHAR* p__PUCHAR__Buffer);
    // False, with a trace line, when a directory's length is unusable or it does not fit the
    // track.
    bool IsUsableDirectory(const std::string& p__string__Path, ULONG p__ULONG__Extent, ULONG p__ULONG__DataLength) const;
    // Reads the blocks of a directory; false, with a trace line, when it is not usable. p__PULONG__First: where the records after "." and ".."
    // start.
    bool ReadDirectory(const std::string& p__string__Path, ULONG p__ULONG__Extent, ULONG p__ULONG__DataLength,
                       std::vector<UCHAR>* p__Directory, ULONG* p__PULONG__First);
    // The record at p__PULONG__Position (zero padding skipped) of a directory read, its
    // position moved past it; null at the end or, with a trace line, at a malformed record.
    static const UCHAR* NextRecord(const std::vector<UCHAR>& p__Directory, ULONG p__ULONG__DataLength,
                                   ULONG* p__PULONG__Position, const std::string& p__string__Path, ULONG p__ULONG__Extent);
    // The Rock Ridge entries of a record whose identifier fits it.
    void ReadSystemUse(const UCHAR* p__PUCHAR__Record, ULONG p__ULONG__SkipLength, CTarnwick_RockRidgeReader* p__Reader);
    // True when the root's "." record at the root extent starts with SP and carries Rock
    // Ridge entries (or the ER entry of the extension): then the walk reads them.
    bool DetectRockRidge(ULONG p__ULONG__RootExtent, ULONG p__ULONG__RootDataLength);
    // A relocated directory at a CL location: the data length and the entries of its "."
    // record. False, with a trace line, when no directory starts there.
    bool FindRelocatedDirectory(ULONG p__ULONG__Location, ULONG* p__PULONG__DataLength,
                                CTarnwick_RockRidgeReader* p__Reader);
    // True for a directory whose records all carry RE (one at least): the relocation
    // directory, whose directories are reached through their CL records.
    bool IsRelocationDirectory(const std::string& p__string__Path, ULONG p__ULONG__Extent, ULONG p__ULONG__DataLength);
    // The attributes of a node from its entries; what they lack comes from the record (its
    // kind and date).
    CTarnwick_RockRidgeAttributes AttributesOf(const CTarnwick_RockRidgeReader& p__Reader, BOOLEAN p__BOOLEAN__IsDirectory,
                                               const UCHAR* p__PUCHAR__RecordingDate);
    // The path of a kid, cut from the front to stay below the trees' limit.
    std::string PathOf(const std::string& p__string__ParentPath, const std::string& p__string__Name) const;

    CTarnwick_CdvdBurnerGrabber& m__Burner;
    // The last block a file or directory may reach.
    uint64_t m__ULONGLONG__LastBlock = 0xFFFFFFFFull;
    // The extents of the directories walked so far.
    std::set<ULONG> m__Walked;
    // How many directories the walk is inside.
    ULONG m__ULONG__Depth = 0;
    // The bytes of the walk's first path kept in front of a cut path.
    size_t m__SIZE__KeptPrefix = 0;
    // Rock Ridge: on for the session, the bytes every system-use area starts with, and the
    // attributes of the root's "." record.
    BOOLEAN m__BOOLEAN__IsRockRidge = FALSE;
    ULONG m__ULONG__SkipLength = 0;
    CTarnwick_RockRidgeAttributes m__RootAttributes;
    uint64_t m__ULONGLONG__NextSerial = 0;
    std::vector<UCHAR> m__Block;
    ULONG m__ULONG__Block = 0;
};

bool CTarnwick_CdvdBurnerGrabber::ImportWalk::ReadBlock(ULONG p__ULONG__Block, UCHAR* p__PUCHAR__Buffer) {
    if (p__ULONG__Block > m__ULONGLONG__LastBlock) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! Continuation area at %lu is past the track, "
                   "not read!!!\n",
                   static_cast<unsigned long>(p__ULONG__Block));
        return false;
    }
    if (m__Block.empty() || m__ULONG__Block != p__ULONG__Block) {
        m__Block.assign(IMPORT_BLOCK_SIZE, 0);
        m__Burner.Read10(m__Block.data(), IMPORT_BLOCK_SIZE, p__ULONG__Block, 1);
        m__ULONG__Block = p__ULONG__Block;
    }
    std::memcpy(p__PUCHAR__Buffer, m__Block.data(), IMPORT_BLOCK_SIZE);
    return true;
}

bool CTarnwick_CdvdBurnerGrabber::ImportWalk::IsUsableDirectory(const std::string& p__string__Path, ULONG p__ULONG__Extent,
                                                                ULONG p__ULONG__DataLength) const {
    if (p__ULONG__DataLength < 2 * RECORD_MINIMUM_LENGTH || p__ULONG__DataLength > MAXIMUM_DIRECTORY_LENGTH ||
        p__ULONG__Extent + BlocksOf(p__ULONG__DataLength) - 1 > m__ULONGLONG__LastBlock) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! Directory '%s' at %lu with length %lu is "
                   "unusable (too short, too long or past the track), not read!!!\n",
                   p__string__Path.c_str(), static_cast<unsigned long>(p__ULONG__Extent),
                   static_cast<unsigned long>(p__ULONG__DataLength));
        return false;
    }
    return true;
}

bool CTarnwick_CdvdBurnerGrabber::ImportWalk::ReadDirectory(const std::string& p__string__Path, ULONG p__ULONG__Extent,
                                                            ULONG p__ULONG__DataLength, std::vector<UCHAR>* p__Directory,
                                                            ULONG* p__PULONG__First) {
    if (!IsUsableDirectory(p__string__Path, p__ULONG__Extent, p__ULONG__DataLength)) {
        return false;
    }
    const uint64_t l__ULONGLONG__Blocks = BlocksOf(p__ULONG__DataLength);
    // Whole blocks are read; the records end at the data length.
    try {
        p__Directory->assign(l__ULONGLONG__Blocks * IMPORT_BLOCK_SIZE, 0);
    } catch (const std::bad_alloc&) {
        CTarnwick_Exception::Raise(g__PCHAR__ImportDirectory, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_OUT_OF_MEMORY, 0,
                                   "CTarnwick_CdvdBurnerGrabber::ImportDirectory(): Not enought memory for directory");
    }
    for (uint64_t l__ULONGLONG__Block = 0; l__ULONGLONG__Block < l__ULONGLONG__Blocks;
         l__ULONGLONG__Block += READ_BLOCKS_PER_COMMAND) {
        ULONG l__ULONG__Count =
            static_cast<ULONG>(std::min<uint64_t>(READ_BLOCKS_PER_COMMAND, l__ULONGLONG__Blocks - l__ULONGLONG__Block));
        m__Burner.Read10(p__Directory->data() + l__ULONGLONG__Block * IMPORT_BLOCK_SIZE, l__ULONG__Count * IMPORT_BLOCK_SIZE,
                         static_cast<ULONG>(p__ULONG__Extent + l__ULONGLONG__Block), l__ULONG__Count);
    }
    // The "." and ".." records come first; each is skipped by its own length, which is
    // more than 34 when it carries system-use data.
    ULONG l__ULONG__Position = 0;
    for (int l__int__Own = 0; l__int__Own < 2; ++l__int__Own) {
        // A directory whose "." record fills it has no ".." record to read.
        ULONG l__ULONG__Record = l__ULONG__Position < p__ULONG__DataLength ? (*p__Directory)[l__ULONG__Position] : 0;
        if (l__ULONG__Record < RECORD_MINIMUM_LENGTH || l__ULONG__Position + l__ULONG__Record > p__ULONG__DataLength) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! Directory '%s' at %lu: bad record "
                       "length %lu at offset %lu, directory not read!!!\n",
                       p__string__Path.c_str(), static_cast<unsigned long>(p__ULONG__Extent),
                       static_cast<unsigned long>(l__ULONG__Record), static_cast<unsigned long>(l__ULONG__Position));
            return false;
        }
        l__ULONG__Position += l__ULONG__Record;
    }
    *p__PULONG__First = l__ULONG__Position;
    return true;
}

const UCHAR* CTarnwick_CdvdBurnerGrabber::ImportWalk::NextRecord(const std::vector<UCHAR>& p__Directory,
                                                                 ULONG p__ULONG__DataLength, ULONG* p__PULONG__Position,
                                                                 const std::string& p__string__Path,
                                                                 ULONG p__ULONG__Extent) {
    ULONG l__ULONG__Position = *p__PULONG__Position;
    // Zero bytes pad the end of a block: the next record starts at the next non-zero one.
    while (l__ULONG__Position < p__ULONG__DataLength && p__Directory[l__ULONG__Position] == 0) {
        ++l__ULONG__Position;
    }
    *p__PULONG__Position = l__ULONG__Position;
    if (l__ULONG__Position >= p__ULONG__DataLength) {
        return nullptr;
    }
    const UCHAR* l__PUCHAR__Record = p__Directory.data() + l__ULONG__Position;
    const ULONG l__ULONG__Record = l__PUCHAR__Record[0];
    // The identifier length is read only from a record that lies whole within the directory.
    const bool l__bool__Fits = l__ULONG__Record >= RECORD_MINIMUM_LENGTH && l__ULONG__Position + l__ULONG__Record <= p__ULONG__DataLength;
    const ULONG l__ULONG__IdentifierLength = l__bool__Fits ? l__PUCHAR__Record[RECORD_IDENTIFIER_LENGTH] : 0;
    if (!l__bool__Fits ||
        l__ULONG__IdentifierLength == 0 || RECORD_FIXED_LENGTH + l__ULONG__IdentifierLength > l__ULONG__Record) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! Directory '%s' at %lu: bad record "
                   "(length %lu, identifier length %lu) at offset %lu, rest of the directory not read!!!\n",
                   p__string__Path.c_str(), static_cast<unsigned long>(p__ULONG__Extent),
                   static_cast<unsigned long>(l__ULONG__Record), static_cast<unsigned long>(l__ULONG__IdentifierLength),
                   static_cast<unsigned long>(l__ULONG__Position));
        *p__PULONG__Position = p__ULONG__DataLength;
        return nullptr;
    }
    *p__PULONG__Position = l__ULONG__Position + l__ULONG__Record;
    return l__PUCHAR__Record;
}

void CTarnwick_CdvdBurnerGrabber::ImportWalk::ReadSystemUse(const UCHAR* p__PUCHAR__Record, ULONG p__ULONG__SkipLength,
                                                            CTarnwick_RockRidgeReader* p__Reader) {
    ULONG l__ULONG__Offset = 0;
    ULONG l__ULONG__Length = 0;
    if (!CTarnwick_RockRidgeReader::FindSystemUseArea(p__PUCHAR__Record, p__PUCHAR__Record[0], &l__ULONG__Offset,
                                                      &l__ULONG__Length)) {
        l__ULONG__Length = 0;
    }
    p__Reader->Parse(p__PUCHAR__Record + l__ULONG__Offset, l__ULONG__Length, p__ULONG__SkipLength,
                     [this](ULONG p__ULONG__Block, UCHAR* p__PUCHAR__Buffer) { return ReadBlock(p__ULONG__Block, p__PUCHAR__Buffer); });
}

bool CTarnwick_CdvdBurnerGrabber::ImportWalk::DetectRockRidge(ULONG p__ULONG__RootExtent, ULONG p__ULONG__RootDataLength) {
    if (p__ULONG__RootDataLength < 2 * RECORD_MINIMUM_LENGTH || p__ULONG__RootExtent > m__ULONGLONG__LastBlock) {
        return false;
    }
    std::vector<UCHAR> l__Block(IMPORT_BLOCK_SIZE, 0);
    if (!ReadBlock(p__ULONG__RootExtent, l__Block.data())) {
        return false;
    }
    const ULONG l__ULONG__Record = l__Block[0];
    ULONG l__ULONG__Offset = 0;
    ULONG l__ULONG__Length = 0;
    ULONG l__ULONG__Skip = 0;
    if (l__ULONG__Record < RECORD_MINIMUM_LENGTH || l__ULONG__Record > p__ULONG__RootDataLength ||
        !CTarnwick_RockRidgeReader::FindSystemUseArea(l__Block.data(), l__ULONG__Record, &l__ULONG__Offset, &l__ULONG__Length) ||
        !CTarnwick_RockRidgeReader::FindSharingProtocol(l__Block.data() + l__ULONG__Offset, l__ULONG__Length, &l__ULONG__Skip)) {
        return false;
    }
    // The root's "." record itself is read from its start, where SP stands.
    CTarnwick_RockRidgeReader l__Reader;
    ReadSystemUse(l__Block.data(), 0, &l__Reader);
    if (!l__Reader.HasRockRidge()) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportTrack(): SP without Rock Ridge entries, the ISO9660 names are "
                   "read\n");
        return false;
    }
    m__BOOLEAN__IsRockRidge = TRUE;
    m__ULONG__SkipLength = l__ULONG__Skip;
    m__RootAttributes = AttributesOf(l__Reader, TRUE, l__Block.data() + RECORD_DATE);
    return true;
}

bool CTarnwick_CdvdBurnerGrabber::ImportWalk::FindRelocatedDirectory(ULONG p__ULONG__Location, ULONG* p__PULONG__DataLength,
                                                                     CTarnwick_RockRidgeReader* p__Reader) {
    std::vector<UCHAR> l__Block(IMPORT_BLOCK_SIZE, 0);
    if (p__ULONG__Location > m__ULONGLONG__LastBlock || !ReadBlock(p__ULONG__Location, l__Block.data())) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! Relocated directory at %lu is past the "
                   "track, not read!!!\n",
                   static_cast<unsigned long>(p__ULONG__Location));
        return false;
    }
    // Its "." record: a one-byte identifier 0 and the directory's own extent.
    const UCHAR* l__PUCHAR__Dot = l__Block.data();
    if (l__PUCHAR__Dot[0] < RECORD_MINIMUM_LENGTH || l__PUCHAR__Dot[RECORD_IDENTIFIER_LENGTH] != 1 ||
        l__PUCHAR__Dot[RECORD_IDENTIFIER] != 0 || (l__PUCHAR__Dot[RECORD_FLAGS] & RECORD_FLAGS_DIRECTORY) == 0 ||
        CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Dot + RECORD_EXTENT) != p__ULONG__Location) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! No directory starts at the relocated "
                   "directory's block %lu, not read!!!\n",
                   static_cast<unsigned long>(p__ULONG__Location));
        return false;
    }
    *p__PULONG__DataLength = CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Dot + RECORD_DATA_LENGTH);
    ReadSystemUse(l__PUCHAR__Dot, m__ULONG__SkipLength, p__Reader);
    return true;
}

bool CTarnwick_CdvdBurnerGrabber::ImportWalk::IsRelocationDirectory(const std::string& p__string__Path,
                                                                    ULONG p__ULONG__Extent, ULONG p__ULONG__DataLength) {
    std::vector<UCHAR> l__Directory;
    ULONG l__ULONG__Position = 0;
    if (!ReadDirectory(p__string__Path, p__ULONG__Extent, p__ULONG__DataLength, &l__Directory, &l__ULONG__Position)) {
        return false;
    }
    ULONG l__ULONG__Relocated = 0;
    CTarnwick_RockRidgeReader l__Reader;
    while (const UCHAR* l__PUCHAR__Record =
               NextRecord(l__Directory, p__ULONG__DataLength, &l__ULONG__Position, p__string__Path, p__ULONG__Extent)) {
        ReadSystemUse(l__PUCHAR__Record, m__ULONG__SkipLength, &l__Reader);
        if (!l__Reader.IsRelocated()) {
            return false;
        }
        ++l__ULONG__Relocated;
    }
    return l__ULONG__Relocated != 0;
}

CTarnwick_RockRidgeAttributes CTarnwick_CdvdBurnerGrabber::ImportWalk::AttributesOf(const CTarnwick_RockRidgeReader& p__Reader,
                                                                                    BOOLEAN p__BOOLEAN__IsDirectory,
                                                                                    const UCHAR* p__PUCHAR__RecordingDate) {
    CTarnwick_RockRidgeAttributes l__Attributes = p__Reader.GetAttributes();
    using Attributes = CTarnwick_RockRidgeAttributes;
    if (!p__Reader.HasPosixAttributes()) {
        // Without a PX entry: what the ISO9660 record alone tells.
        l__Attributes.m__ULONG__Mode = CTarnwick_RockRidgeAttributes::MadeUpMode(p__BOOLEAN__IsDirectory != FALSE);
        l__Attributes.m__ULONG__Links = 1;
    }
    // The kind the walk gives the node wins over a PX type that says otherwise.
    const ULONG l__ULONG__Permissions = l__Attributes.m__ULONG__Mode & ~Attributes::TypeMask;
    if (p__BOOLEAN__IsDirectory && l__Attributes.Type() != Attributes::TypeDirectory) {
        l__Attributes.m__ULONG__Mode = Attributes::TypeDirectory | l__ULONG__Permissions;
    } else if (!p__BOOLEAN__IsDirectory &&
               (l__Attributes.Type() == Attributes::TypeDirectory || l__Attributes.Type() == 0 ||
                (l__Attributes.IsLink() && l__Attributes.m__string__LinkTarget.empty()))) {
        // A link needs its target: without one the record is a plain (empty) file.
        l__Attributes.m__ULONG__Mode = Attributes::TypeRegular | l__ULONG__Permissions;
    }
    if (!l__Attributes.IsLink()) {
        l__Attributes.m__string__LinkTarget.clear();
    }
    if (!l__Attributes.IsDevice()) {
        l__Attributes.m__ULONG__DeviceMajor = 0;
        l__Attributes.m__ULONG__DeviceMinor = 0;
    }
    const ULONG l__ULONG__Times = p__Reader.GetTimeFlags();
    if ((l__ULONG__Times & CTarnwick_RockRidgeReader::TimeModify) == 0) {
        LONGLONG l__LONGLONG__Recorded = 0;
        l__Attributes.m__LONGLONG__ModifyTime =
            CTarnwick_RockRidgeReader::SecondsOfShortDate(p__PUCHAR__RecordingDate, &l__LONGLONG__Recorded) ? l__LONGLONG__Recorded
                                                                                                           : 0;
    }
    if ((l__ULONG__Times & CTarnwick_RockRidgeReader::TimeAccess) == 0) {
        l__Attributes.m__LONGLONG__AccessTime = l__Attributes.m__LONGLONG__ModifyTime;
    }
    if ((l__ULONG__Times & CTarnwick_RockRidgeReader::TimeAttribute) == 0) {
        l__Attributes.m__LONGLONG__AttributeTime = l__Attributes.m__LONGLONG__ModifyTime;
    }
    // Nodes of one serial number on the disc stay hard links of each other; a node without
    // one gets a number of its own.
    if (p__Reader.GetSerial() != 0) {
        l__Attributes.m__ULONGLONG__Origin = ORIGIN_DISC_SERIAL;
        l__Attributes.m__ULONGLONG__Serial = p__Reader.GetSerial();
    } else {
        l__Attributes.m__ULONGLONG__Origin = ORIGIN_WALK_SERIAL;
        l__Attributes.m__ULONGLONG__Serial = ++m__ULONGLONG__NextSerial;
    }
    return l__Attributes;
}

std::string CTarnwick_CdvdBurnerGrabber::ImportWalk::PathOf(const std::string& p__string__ParentPath,
                                                            const std::string& p__string__Name) const {
    std::string l__string__Path = p__string__ParentPath;
    l__string__Path.append("/").append(p__string__Name);
    if (l__string__Path.size() <= MAXIMUM_PATH_LENGTH) {
        return l__string__Path;
    }
    // The path is only told, never opened: its start and its end are kept, "..." between them.
    std::string l__string__Cut = l__string__Path.substr(0, m__SIZE__KeptPrefix);
    l__string__Cut.append("...");
    size_t l__SIZE__From = l__string__Path.size() - (MAXIMUM_PATH_LENGTH - l__string__Cut.size());
    while (l__SIZE__From < l__string__Path.size() && (static_cast<UCHAR>(l__string__Path[l__SIZE__From]) & 0xC0) == 0x80) {
        ++l__SIZE__From;  // no character is split
    }
    l__string__Cut.append(l__string__Path, l__SIZE__From, std::string::npos);
    return l__string__Cut;
}

void CTarnwick_CdvdBurnerGrabber::ImportTrack(CTarnwick_ISO9660FileTree* p__PCTarnwick_ISO9660FileTree__Tree,
                                              UCHAR p__UCHAR__TrackNumber, BOOLEAN p__BOOLEAN__IsJoliet) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    RaiseWithoutTree(g__PCHAR__ImportTrack, p__PCTarnwick_ISO9660FileTree__Tree);
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportTrack(): ENTERed for track %u, Joliet %u\n",
               static_cast<unsigned>(p__UCHAR__TrackNumber), static_cast<unsigned>(p__BOOLEAN__IsJoliet));
    std::unique_ptr<TOC_INFORMATION> l__Toc(new TOC_INFORMATION());
    std::memset(l__Toc.get(), 0, sizeof(TOC_INFORMATION));
    ReadTOC(l__Toc.get());
    const ULONG l__ULONG__Track = p__UCHAR__TrackNumber;
    const TOC_TRACK_ENTRY* l__Entry = nullptr;
    if (l__ULONG__Track != 0 && l__ULONG__Track <= l__Toc->m__UCHAR__NumberOfTracks &&
        l__ULONG__Track <= TOC_MAXIMUM_TRACKS && l__Toc->m__UCHAR__IsValid) {
        l__Entry = &l__Toc->m__TOC_TRACK_ENTRY__Tracks[l__ULONG__Track - 1];
        if (!l__Entry->m__UCHAR__IsValid || !l__Entry->m__UCHAR__IsData || l__Entry->m__UCHAR__TrackNumber != l__ULONG__Track ||
            l__Entry->m__LONG__StartLBA < 0) {
            l__Entry = nullptr;
        }
    }
    if (l__Entry == nullptr) {
        CTarnwick_Exception::Raise(g__PCHAR__ImportTrack, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "\nCTarnwick_CdvdBurnerGrabber::ImportTrack(): Invalid track number to import\n");
    }
    std::vector<UCHAR> l__Descriptors(DESCRIPTOR_BLOCKS * IMPORT_BLOCK_SIZE, 0);
    Read10(l__Descriptors.data(), static_cast<ULONG>(l__Descriptors.size()),
           static_cast<ULONG>(l__Entry->m__LONG__StartLBA) + DESCRIPTOR_FIRST_BLOCK, DESCRIPTOR_BLOCKS);
    // The first descriptor of a type: 1 the primary, 2 the Joliet one.
    auto l__FindDescriptor = [&](UCHAR p__UCHAR__Type) -> const UCHAR* {
        for (ULONG l__ULONG__Block = 0; l__ULONG__Block < DESCRIPTOR_BLOCKS; ++l__ULONG__Block) {
            const UCHAR* l__PUCHAR__Block = l__Descriptors.data() + l__ULONG__Block * IMPORT_BLOCK_SIZE;
            if (l__PUCHAR__Block[0] == p__UCHAR__Type && std::memcmp(l__PUCHAR__Block + 1, "CD001", 5) == 0) {
                return l__PUCHAR__Block;
            }
        }
        return nullptr;
    };
    ImportWalk l__Walk(*this);
    // Files of the track's session may lie in earlier tracks, never beyond its own end.
    if (l__Entry->m__LONG__EndLBA >= l__Entry->m__LONG__StartLBA) {
        l__Walk.m__ULONGLONG__LastBlock = static_cast<uint64_t>(l__Entry->m__LONG__EndLBA);
    }
    BOOLEAN l__BOOLEAN__IsJoliet = p__BOOLEAN__IsJoliet;
    const UCHAR* l__PUCHAR__Descriptor = l__FindDescriptor(l__BOOLEAN__IsJoliet ? 2 : 1);
    // Rock Ridge names are the richest a session has: with them the primary hierarchy is
    // walked even when the Joliet one was asked for, and the tree makes the Joliet names.
    const UCHAR* l__PUCHAR__Primary = l__FindDescriptor(1);
    if (l__PUCHAR__Primary != nullptr &&
        l__Walk.DetectRockRidge(CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Primary + DESCRIPTOR_ROOT_EXTENT),
                                CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Primary + DESCRIPTOR_ROOT_DATA_LENGTH))) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportTrack(): Rock Ridge found, skip length %lu\n",
                   static_cast<unsigned long>(l__Walk.m__ULONG__SkipLength));
        l__PUCHAR__Descriptor = l__PUCHAR__Primary;
        l__BOOLEAN__IsJoliet = FALSE;
    }
    if (l__PUCHAR__Descriptor == nullptr) {
        CTarnwick_Exception::Raise(g__PCHAR__ImportTrack, EXIT_TRACE_FORM_NUMBER_AND_TEXT,
                                   EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "\nCTarnwick_CdvdBurnerGrabber::ImportTrack(): Volume Descriptor was not found\n");
    }
    if (l__Walk.m__BOOLEAN__IsRockRidge) {
        p__PCTarnwick_ISO9660FileTree__Tree->SetRockRidge(TRUE);
    }
    char l__CHAR__Path[32];
    std::snprintf(l__CHAR__Path, sizeof(l__CHAR__Path), "ImportingTrack(%d):", static_cast<int>(p__UCHAR__TrackNumber));
    l__Walk.m__SIZE__KeptPrefix = std::strlen(l__CHAR__Path);
    ImportDirectoryWalk(l__Walk, p__PCTarnwick_ISO9660FileTree__Tree, l__BOOLEAN__IsJoliet, l__CHAR__Path,
                        CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Descriptor + DESCRIPTOR_ROOT_EXTENT),
                        CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Descriptor + DESCRIPTOR_ROOT_DATA_LENGTH), nullptr);
    // The root keeps the attributes the old session gave it, unless it has its own already.
    auto* l__Root = static_cast<CTarnwick_ISO9660FileTreeNode*>(p__PCTarnwick_ISO9660FileTree__Tree->GetRoot());
    if (l__Walk.m__BOOLEAN__IsRockRidge && l__Root != nullptr && l__Root->GetRockRidgeAttributes() == nullptr) {
        l__Root->SetRockRidgeAttributes(std::make_unique<CTarnwick_RockRidgeAttributes>(l__Walk.m__RootAttributes));
    }
    DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportTrack(): EXITing with success\n");
}

void CTarnwick_CdvdBurnerGrabber::ImportDirectory(CTarnwick_ISO9660FileTree* p__PCTarnwick_ISO9660FileTree__Tree,
                                                  BOOLEAN p__BOOLEAN__IsJoliet, const char* p__PCHAR__ParentPath,
                                                  ULONG p__ULONG__Extent, ULONG p__ULONG__DataLength,
                                                  CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent) {
    std::lock_guard<PlatformRecursiveLock> l__Guard(m__CRITICAL_SECTION__BurnerLock);
    RaiseWithoutTree(g__PCHAR__ImportDirectory, p__PCTarnwick_ISO9660FileTree__Tree);
    ImportWalk l__Walk(*this);
    const std::string l__string__Path = p__PCHAR__ParentPath != nullptr ? p__PCHAR__ParentPath : "";
    l__Walk.m__SIZE__KeptPrefix = l__string__Path.size() <= MAXIMUM_KEPT_PREFIX ? l__string__Path.size() : 0;
    ImportDirectoryWalk(l__Walk, p__PCTarnwick_ISO9660FileTree__Tree, p__BOOLEAN__IsJoliet, l__string__Path,
                        p__ULONG__Extent, p__ULONG__DataLength, p__PCTarnwick_FileTreeNode__Parent);
}

void CTarnwick_CdvdBurnerGrabber::ImportDirectoryWalk(ImportWalk& p__Walk,
                                                      CTarnwick_ISO9660FileTree* p__PCTarnwick_ISO9660FileTree__Tree,
                                                      BOOLEAN p__BOOLEAN__IsJoliet,
                                                      const std::string& p__string__ParentPath, ULONG p__ULONG__Extent,
                                                      ULONG p__ULONG__DataLength,
                                                      CTarnwick_FileTreeNode* p__PCTarnwick_FileTreeNode__Parent) {
    if (p__Walk.m__ULONG__Depth >= MAXIMUM_DIRECTORY_DEPTH) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! Directory '%s' at %lu lies deeper than %lu "
                   "levels, not read!!!\n",
                   p__string__ParentPath.c_str(), static_cast<unsigned long>(p__ULONG__Extent),
                   static_cast<unsigned long>(MAXIMUM_DIRECTORY_DEPTH));
        return;
    }
    // The length and the place are checked before the extent counts as walked.
    if (!p__Walk.IsUsableDirectory(p__string__ParentPath, p__ULONG__Extent, p__ULONG__DataLength)) {
        return;
    }
    if (!p__Walk.m__Walked.insert(p__ULONG__Extent).second) {
        DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! Directory '%s' at %lu is walked already, "
                   "not read again!!!\n",
                   p__string__ParentPath.c_str(), static_cast<unsigned long>(p__ULONG__Extent));
        return;
    }
    std::vector<UCHAR> l__Directory;
    ULONG l__ULONG__Position = 0;
    if (!p__Walk.ReadDirectory(p__string__ParentPath, p__ULONG__Extent, p__ULONG__DataLength, &l__Directory,
                               &l__ULONG__Position)) {
        return;
    }
    MultiExtentFile l__Parts;
    while (const UCHAR* l__PUCHAR__Record = ImportWalk::NextRecord(l__Directory, p__ULONG__DataLength, &l__ULONG__Position,
                                                                   p__string__ParentPath, p__ULONG__Extent)) {
        const ULONG l__ULONG__IdentifierLength = l__PUCHAR__Record[RECORD_IDENTIFIER_LENGTH];
        const UCHAR* l__PUCHAR__Identifier = l__PUCHAR__Record + RECORD_IDENTIFIER;
        const UCHAR l__UCHAR__Flags = l__PUCHAR__Record[RECORD_FLAGS];
        ULONG l__ULONG__Extent = CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Record + RECORD_EXTENT);
        const ULONG l__ULONG__RecordLength = CTarnwick_Bytes::GetLittleEndian32(l__PUCHAR__Record + RECORD_DATA_LENGTH);
        uint64_t l__ULONGLONG__DataLength = l__ULONG__RecordLength;
        if (l__Parts.IsOpen() && !l__Parts.IsPartOf(l__PUCHAR__Identifier, l__ULONG__IdentifierLength)) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! Directory '%s' at %lu: a file in "
                       "several extents without its last part, skipped!!!\n",
                       p__string__ParentPath.c_str(), static_cast<unsigned long>(p__ULONG__Extent));
            l__Parts.Close();
        }
        if (l__UCHAR__Flags == RECORD_FLAGS_MULTI_EXTENT_FILE) {
            l__Parts.Add(l__PUCHAR__Identifier, l__ULONG__IdentifierLength, l__ULONG__Extent, l__ULONG__RecordLength);
            continue;
        }
        if (l__Parts.IsOpen() && l__UCHAR__Flags == RECORD_FLAGS_FILE) {
            // The last part: the file is all its parts, or nothing (never its last part alone).
            l__Parts.Add(l__PUCHAR__Identifier, l__ULONG__IdentifierLength, l__ULONG__Extent, l__ULONG__RecordLength);
            l__Parts.Close();
            if (!l__Parts.IsContiguous()) {
                DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! Directory '%s' at %lu: a file whose "
                           "extents do not follow one another, skipped!!!\n",
                           p__string__ParentPath.c_str(), static_cast<unsigned long>(p__ULONG__Extent));
                continue;
            }
            l__ULONG__Extent = l__Parts.First();
            l__ULONGLONG__DataLength = l__Parts.Length();
        }
        l__Parts.Close();
        // Only plain files and directories: hidden, associated, record-format and protected
        // records are left out.
        if (l__UCHAR__Flags != RECORD_FLAGS_FILE && l__UCHAR__Flags != RECORD_FLAGS_DIRECTORY) {
            continue;
        }
        BOOLEAN l__BOOLEAN__IsDirectory = l__UCHAR__Flags == RECORD_FLAGS_DIRECTORY;
        // A record past the "." and ".." ones that names itself or its parent again.
        if (l__ULONG__IdentifierLength == 1 && l__PUCHAR__Identifier[0] <= 1) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! Directory '%s' at %lu: a further \".\" "
                       "or \"..\" record, skipped!!!\n",
                       p__string__ParentPath.c_str(), static_cast<unsigned long>(p__ULONG__Extent));
            continue;
        }
        if (l__ULONGLONG__DataLength != 0 && l__ULONG__Extent + BlocksOf(l__ULONGLONG__DataLength) - 1 > p__Walk.m__ULONGLONG__LastBlock) {
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! Directory '%s' at %lu: a record's extent "
                       "%lu with length %llu does not fit the track, skipped!!!\n",
                       p__string__ParentPath.c_str(), static_cast<unsigned long>(p__ULONG__Extent),
                       static_cast<unsigned long>(l__ULONG__Extent), static_cast<unsigned long long>(l__ULONGLONG__DataLength));
            continue;
        }
        std::string l__string__Name = NameOfRecord(l__PUCHAR__Identifier, l__ULONG__IdentifierLength, p__BOOLEAN__IsJoliet);
        std::unique_ptr<CTarnwick_RockRidgeAttributes> l__Attributes;
        if (p__Walk.m__BOOLEAN__IsRockRidge) {
            CTarnwick_RockRidgeReader l__Reader;
            p__Walk.ReadSystemUse(l__PUCHAR__Record, p__Walk.m__ULONG__SkipLength, &l__Reader);
            if (l__BOOLEAN__IsDirectory && l__Reader.IsRelocated()) {
                continue;  // reached through its CL record
            }
            const CTarnwick_RockRidgeReader* l__PAttributesReader = &l__Reader;
            CTarnwick_RockRidgeReader l__DotReader;
            if (l__Reader.HasChildLink()) {
                // The record stands for a directory relocated elsewhere: the directory is
                // imported here, walked at its real place, with the attributes of its "." record.
                ULONG l__ULONG__RelocatedLength = 0;
                if (!p__Walk.FindRelocatedDirectory(l__Reader.GetChildLink(), &l__ULONG__RelocatedLength, &l__DotReader)) {
                    continue;
                }
                l__ULONGLONG__DataLength = l__ULONG__RelocatedLength;
                l__BOOLEAN__IsDirectory = TRUE;
                l__ULONG__Extent = l__Reader.GetChildLink();
                if (l__DotReader.HasPosixAttributes()) {
                    l__PAttributesReader = &l__DotReader;
                }
            }
            if (l__Reader.HasName() && IsUsableName(l__Reader.GetName())) {
                l__string__Name = CTarnwick_ISO9660FileTreeNode::CutName(l__Reader.GetName(), MAXIMUM_NAME_LENGTH);
            } else if (l__Reader.HasName()) {
                DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! Directory '%s' at %lu: a Rock Ridge "
                           "name that no file may have, the ISO9660 name '%s' is taken!!!\n",
                           p__string__ParentPath.c_str(), static_cast<unsigned long>(p__ULONG__Extent),
                           l__string__Name.c_str());
            }
            l__Attributes = std::make_unique<CTarnwick_RockRidgeAttributes>(
                p__Walk.AttributesOf(*l__PAttributesReader, l__BOOLEAN__IsDirectory, l__PUCHAR__Record + RECORD_DATE));
            if (l__Attributes->IsLink()) {
                l__ULONGLONG__DataLength = 0;  // a link is an empty file whose attributes carry the target
            }
            if (l__BOOLEAN__IsDirectory && p__Walk.m__ULONG__Depth == 0 &&
                (l__string__Name == "rr_moved" || l__string__Name == "RR_MOVED") &&
                p__Walk.IsRelocationDirectory(l__string__Name, l__ULONG__Extent, static_cast<ULONG>(l__ULONGLONG__DataLength))) {
                DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): '%s' holds only relocated directories, "
                           "not imported\n",
                           l__string__Name.c_str());
                continue;
            }
        }
        if (l__string__Name.empty()) {
            // A one-byte Joliet identifier holds no character: there is no name to give the node.
            DebugPrint("\nCTarnwick_CdvdBurnerGrabber::ImportDirectory(): WARNING! Directory '%s' at %lu: a record "
                       "without a name, skipped!!!\n",
                       p__string__ParentPath.c_str(), static_cast<unsigned long>(p__ULONG__Extent));
            continue;
        }
        const std::string l__string__Path = p__Walk.PathOf(p__string__ParentPath, l__string__Name);
        // With Rock Ridge the tree makes the Joliet name from the node's name.
        const BOOLEAN l__BOOLEAN__HasJolietName = p__BOOLEAN__IsJoliet && !p__Walk.m__BOOLEAN__IsRockRidge;
        CTarnwick_FileTreeNode* l__Node = p__PCTarnwick_ISO9660FileTree__Tree->ImportFileTreeNode(
            l__string__Path.c_str(), l__string__Name.c_str(), l__BOOLEAN__HasJolietName ? l__PUCHAR__Identifier : nullptr,
            l__BOOLEAN__HasJolietName ? l__ULONG__IdentifierLength : 0, l__BOOLEAN__IsDirectory ? FILE_ATTRIBUTE_DIRECTORY : 0,
            l__PUCHAR__Record + RECORD_DATE, l__ULONG__Extent, l__ULONGLONG__DataLength, p__PCTarnwick_FileTreeNode__Parent,
            l__Attributes.get());
        if (l__BOOLEAN__IsDirectory && l__Node != nullptr) {
            // A failure ends the whole walk: the depth needs no restoring then.
            ++p__Walk.m__ULONG__Depth;
            ImportDirectoryWalk(p__Walk, p__PCTarnwick_ISO9660FileTree__Tree, p__BOOLEAN__IsJoliet, l__string__Path,
                                l__ULONG__Extent, static_cast<ULONG>(l__ULONGLONG__DataLength), l__Node);
            --p__Walk.m__ULONG__Depth;
        }
    }
}
