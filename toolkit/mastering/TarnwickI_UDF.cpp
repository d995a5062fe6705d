#include "TarnwickI_UDF.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_Exception.h"
#include "CTarnwick_ISO9660FileTree.h"
#include "CTarnwick_ISO9660Image.h"
#include "CTarnwick_ISO9660ImageWriter.h"
#include "CTarnwick_MemoryFile.h"
#include "CTarnwick_UdfDescriptor.h"
#include "CTarnwick_UnLockedDiskFile.h"
#include "DebugPrint.h"
#include "PlatformLocalTime.h"

namespace {

using Udf = CTarnwick_UdfDescriptor;
constexpr ULONG c__ULONG__Sector = Udf::SectorSize;
constexpr ULONG c__ULONG__HeadSectors = Udf::PartitionStart + 1;
constexpr ULONG c__ULONG__TailSectors = 256;
// The ISO9660 side of a bridge.
constexpr ULONG c__ULONG__MPathTable = 257;
constexpr ULONG c__ULONG__LPathTable = 258;
constexpr ULONG c__ULONG__IsoRoot = 259;
constexpr ULONG c__ULONG__IsoVideoTs = 260;
constexpr ULONG c__ULONG__BridgeFileLimit = 0x7FFFF800u;

// Raises with a text that was already written to the debug log as it stands.
[[noreturn]] void Fail(const char* p__PCHAR__Name, ULONG p__ULONG__Number, const std::string& p__string__Logged) {
    DebugPrint("%s", p__string__Logged.c_str());
    std::string l__string__Text = p__string__Logged;
    while (!l__string__Text.empty() && l__string__Text.front() == '\n') l__string__Text.erase(0, 1);
    while (!l__string__Text.empty() && l__string__Text.back() == '\n') l__string__Text.pop_back();
    CTarnwick_Exception::Raise(p__PCHAR__Name, EXIT_TRACE_FORM_SILENT, p__ULONG__Number, 0, "%s", l__string__Text.c_str());
}

ULONG NumberOfKids(const UDF_TREE_ITEM* p__PItem) {
    ULONG l__ULONG__Count = 0;
    for (const UDF_TREE_ITEM* l__PKid = p__PItem->m__PFirstKid; l__PKid != nullptr; l__PKid = l__PKid->m__PNext) ++l__ULONG__Count;
    return l__ULONG__Count;
}

// Step 1: every File Entry and File Identifier Descriptor gets its block. A directory's
// entries fill one block each, its parent entry first, so its size is (kids + 1) blocks.
void UDF_ParseFileEntryAndFileIdentifierTreeItem(PUDF_TREE_ITEM p__PDirectory, uint64_t* p__PULONGLONG__Counter) {
    p__PDirectory->m__ULONG__FirstBlock = static_cast<ULONG>(++*p__PULONGLONG__Counter);
    const ULONG l__ULONG__Kids = NumberOfKids(p__PDirectory);
    p__PDirectory->m__ULONGLONG__Size = (static_cast<uint64_t>(l__ULONG__Kids) + 1) * c__ULONG__Sector;
    p__PDirectory->m__ULONG__SizeInBlocks = l__ULONG__Kids + 1;
    for (PUDF_TREE_ITEM l__PKid = p__PDirectory->m__PFirstKid; l__PKid != nullptr; l__PKid = l__PKid->m__PNext) {
        l__PKid->m__ULONG__FileIdentifierBlock = static_cast<ULONG>(++*p__PULONGLONG__Counter);
    }
    for (PUDF_TREE_ITEM l__PKid = p__PDirectory->m__PFirstKid; l__PKid != nullptr; l__PKid = l__PKid->m__PNext) {
        l__PKid->m__ULONG__FileEntryBlock = static_cast<ULONG>(++*p__PULONGLONG__Counter);
    }
    for (PUDF_TREE_ITEM l__PKid = p__PDirectory->m__PFirstKid; l__PKid != nullptr; l__PKid = l__PKid->m__PNext) {
        if (l__PKid->m__BOOLEAN__IsDirectory != 0) UDF_ParseFileEntryAndFileIdentifierTreeItem(l__PKid, p__PULONGLONG__Counter);
    }
}

// The blocks of the system structures (partition blocks 1 to the returned count).
uint64_t AssignAllBlocks(PUDF_TREE_ITEM p__PRoot) {
    p__PRoot->m__ULONG__FileEntryBlock = 1;
    uint64_t l__ULONGLONG__Counter = 1;
    UDF_ParseFileEntryAndFileIdentifierTreeItem(p__PRoot, &l__ULONGLONG__Counter);
    return l__ULONGLONG__Counter;
}

struct ContentState {
    uint64_t m__ULONGLONG__LastBlock;
    ULONG m__ULONG__NextUniqueId;
    ULONG m__ULONG__Files;
    ULONG m__ULONG__Directories;
};

void FormatEntry(PUDF_TREE_ITEM p__PItem, ULONG p__ULONG__UniqueId) {
    Udf::Entry l__Entry{};
    l__Entry.m__BOOLEAN__IsDirectory = p__PItem->m__BOOLEAN__IsDirectory;
    l__Entry.m__ULONG__Location = p__PItem->m__ULONG__FileEntryBlock;
    l__Entry.m__ULONG__FirstBlock = p__PItem->m__ULONG__FirstBlock;
    l__Entry.m__ULONGLONG__Size = p__PItem->m__ULONGLONG__Size;
    l__Entry.m__ULONG__SizeInBlocks = p__PItem->m__ULONG__SizeInBlocks;
    l__Entry.m__USHORT__LinkCount =
        p__PItem->m__BOOLEAN__IsDirectory != 0 ? static_cast<USHORT>(p__PItem->m__USHORT__NumberOfSubdirectories + 1) : 1;
    l__Entry.m__ULONG__UniqueId = p__ULONG__UniqueId;
    l__Entry.m__PUCHAR__Date = p__PItem->m__UCHAR__Date;
    std::memset(p__PItem->m__UCHAR__FileEntry, 0, sizeof(p__PItem->m__UCHAR__FileEntry));
    Udf::FormatFileEntry(p__PItem->m__UCHAR__FileEntry, l__Entry);
}

// Step 2: contents get their blocks after the system structures, depth first, and every
// entry is formatted.
void UDF_ParseFileContentTreeItem(PUDF_TREE_ITEM p__PDirectory, ContentState* p__PState) {
    static const char* const c__PCHAR__Name = "Tarnwick:UDF_ParseFileContentTreeItem";
    const UDF_TREE_ITEM* l__PParent = p__PDirectory->m__PParent != nullptr ? p__PDirectory->m__PParent : p__PDirectory;
    std::memset(p__PDirectory->m__UCHAR__ParentFileIdentifier, 0, sizeof(p__PDirectory->m__UCHAR__ParentFileIdentifier));
    Udf::FormatFileIdentifier(p__PDirectory->m__UCHAR__ParentFileIdentifier, p__PDirectory->m__ULONG__FirstBlock, 0x0A,
                              l__PParent->m__ULONG__FileEntryBlock, std::string());
    ++p__PState->m__ULONG__Directories;
    for (PUDF_TREE_ITEM l__PKid = p__PDirectory->m__PFirstKid; l__PKid != nullptr; l__PKid = l__PKid->m__PNext) {
        if (l__PKid->m__BOOLEAN__IsDirectory != 0) continue;
        if (!Udf::FitsExtents(l__PKid->m__ULONGLONG__Size)) {
            char l__CHAR__Text[256];
            std::snprintf(l__CHAR__Text, sizeof(l__CHAR__Text),
                          "\nTarnwick:UDF_ParseFileContentTreeItem(): EXITing with failure, file size %" PRIu64
                          " needs more than %lu extents!!!\n",
                          static_cast<uint64_t>(l__PKid->m__ULONGLONG__Size), static_cast<unsigned long>(Udf::MaximumExtents));
            Fail(c__PCHAR__Name, EXCEPTION_NUMBER_SIZE_LIMIT, l__CHAR__Text);
        }
        l__PKid->m__ULONG__FirstBlock = static_cast<ULONG>(p__PState->m__ULONGLONG__LastBlock + 1);
        p__PState->m__ULONGLONG__LastBlock += l__PKid->m__ULONG__SizeInBlocks;
        // The partition's blocks and the image's sectors are 32-bit numbers.
        if (p__PState->m__ULONGLONG__LastBlock + c__ULONG__HeadSectors + c__ULONG__TailSectors > 0xFFFFFFFFull) {
            Fail(c__PCHAR__Name, EXCEPTION_NUMBER_SIZE_LIMIT,
                 "\nTarnwick:UDF_ParseFileContentTreeItem(): EXITing with failure, the image is larger than 2^32 sectors!!!\n");
        }
        l__PKid->m__ULONG__LastBlock = static_cast<ULONG>(p__PState->m__ULONGLONG__LastBlock);
    }
    for (PUDF_TREE_ITEM l__PKid = p__PDirectory->m__PFirstKid; l__PKid != nullptr; l__PKid = l__PKid->m__PNext) {
        FormatEntry(l__PKid, p__PState->m__ULONG__NextUniqueId++);
        std::memset(l__PKid->m__UCHAR__FileIdentifier, 0, sizeof(l__PKid->m__UCHAR__FileIdentifier));
        Udf::FormatFileIdentifier(l__PKid->m__UCHAR__FileIdentifier, l__PKid->m__ULONG__FileIdentifierBlock,
                                  l__PKid->m__BOOLEAN__IsDirectory != 0 ? 0x02 : 0x00, l__PKid->m__ULONG__FileEntryBlock,
                                  Udf::OstaName(l__PKid->m__CHAR__Name));
        if (l__PKid->m__BOOLEAN__IsDirectory == 0) ++p__PState->m__ULONG__Files;
    }
    for (PUDF_TREE_ITEM l__PKid = p__PDirectory->m__PFirstKid; l__PKid != nullptr; l__PKid = l__PKid->m__PNext) {
        if (l__PKid->m__BOOLEAN__IsDirectory != 0) UDF_ParseFileContentTreeItem(l__PKid, p__PState);
    }
}

void VisitDirectoryStructures(PUDF_TREE_ITEM p__PDirectory, const std::function<void(const UCHAR*)>& p__Visit) {
    p__Visit(p__PDirectory->m__UCHAR__ParentFileIdentifier);
    for (PUDF_TREE_ITEM l__PKid = p__PDirectory->m__PFirstKid; l__PKid != nullptr; l__PKid = l__PKid->m__PNext) {
        p__Visit(l__PKid->m__UCHAR__FileIdentifier);
    }
    for (PUDF_TREE_ITEM l__PKid = p__PDirectory->m__PFirstKid; l__PKid != nullptr; l__PKid = l__PKid->m__PNext) {
        p__Visit(l__PKid->m__UCHAR__FileEntry);
    }
    for (PUDF_TREE_ITEM l__PKid = p__PDirectory->m__PFirstKid; l__PKid != nullptr; l__PKid = l__PKid->m__PNext) {
        if (l__PKid->m__BOOLEAN__IsDirectory != 0) VisitDirectoryStructures(l__PKid, p__Visit);
    }
}

// ISO9660 text fields are padded with spaces.
void PutPadded(UCHAR* p__PUCHAR__Field, size_t p__SIZE__Field, const std::string& p__string__Text) {
    std::memset(p__PUCHAR__Field, ' ', p__SIZE__Field);
    std::memcpy(p__PUCHAR__Field, p__string__Text.data(), std::min(p__SIZE__Field, p__string__Text.size()));
}

// A 17-byte volume descriptor date of now.
void PutVolumeDate(UCHAR* p__PUCHAR__At, const UCHAR* p__PUCHAR__Date) {
    char l__CHAR__Text[32];
    std::snprintf(l__CHAR__Text, sizeof(l__CHAR__Text), "%04u%02u%02u%02u%02u%02u00", p__PUCHAR__Date[0] + 1900u,
                  p__PUCHAR__Date[1] % 100u, p__PUCHAR__Date[2] % 100u, p__PUCHAR__Date[3] % 100u, p__PUCHAR__Date[4] % 100u,
                  p__PUCHAR__Date[5] % 100u);
    std::memcpy(p__PUCHAR__At, l__CHAR__Text, 16);
    p__PUCHAR__At[16] = p__PUCHAR__Date[6];
}

// One ISO9660 directory record into a directory of whole sectors: a record that does not
// fit in the rest of the sector, or would fill it exactly, starts on the next one.
void AppendRecord(std::vector<UCHAR>* p__PBytes, size_t* p__PSIZE__At, ULONG p__ULONG__Extent, ULONG p__ULONG__Length,
                  const UCHAR* p__PUCHAR__Date, UCHAR p__UCHAR__Flags, const std::string& p__string__Identifier) {
    UCHAR l__UCHAR__Record[256] = {};
    ULONG l__ULONG__RecordLength = CTarnwick_ISO9660ImageWriter::PutRecord(
        l__UCHAR__Record, p__ULONG__Extent, p__ULONG__Length, p__PUCHAR__Date, p__UCHAR__Flags,
        reinterpret_cast<const UCHAR*>(p__string__Identifier.data()), static_cast<ULONG>(p__string__Identifier.size()));
    size_t l__SIZE__InSector = *p__PSIZE__At % c__ULONG__Sector;
    if (l__SIZE__InSector + l__ULONG__RecordLength >= c__ULONG__Sector) *p__PSIZE__At += c__ULONG__Sector - l__SIZE__InSector;
    if (p__PBytes->size() < *p__PSIZE__At + l__ULONG__RecordLength) {
        p__PBytes->resize((*p__PSIZE__At + l__ULONG__RecordLength + c__ULONG__Sector - 1) / c__ULONG__Sector * c__ULONG__Sector);
    }
    std::memcpy(p__PBytes->data() + *p__PSIZE__At, l__UCHAR__Record, l__ULONG__RecordLength);
    *p__PSIZE__At += l__ULONG__RecordLength;
}

// The ISO9660 side of a bridge: a volume descriptor and a hierarchy of VIDEO_TS (its files
// at the sectors of their UDF contents) and an empty AUDIO_TS.
void UDF_FormatISO9660FileSystemPacket(UCHAR* p__PUCHAR__Head, const UDF_TREE_ITEM* p__PRoot, const UDF_TREE_ITEM* p__PVideoTs,
                                   const UDF_TREE_ITEM* p__PAudioTs, const std::string& p__string__Label,
                                   ULONG p__ULONG__ImageSectors, const UCHAR* p__PUCHAR__Now) {
    static const char* const c__PCHAR__Name = "Tarnwick:UDF_FormatISO9660FileSystemPacket";
    // VIDEO_TS: its files sorted by identifier, as ISO9660 directories are.
    std::vector<const UDF_TREE_ITEM*> l__Files;
    for (const UDF_TREE_ITEM* l__PKid = p__PVideoTs->m__PFirstKid; l__PKid != nullptr; l__PKid = l__PKid->m__PNext) {
        if (l__PKid->m__BOOLEAN__IsDirectory != 0) continue;
        if (l__PKid->m__ULONGLONG__Size >= c__ULONG__BridgeFileLimit) {
            char l__CHAR__Text[256];
            std::snprintf(l__CHAR__Text, sizeof(l__CHAR__Text),
                          "\nTarnwick:UDF_FormatISO9660FileSystemPacket(): EXITing with failure, file size %" PRId64
                          " is larger then limit %" PRId64 ", status %ld ( 0x%X )\n",
                          static_cast<int64_t>(l__PKid->m__ULONGLONG__Size), static_cast<int64_t>(c__ULONG__BridgeFileLimit),
                          static_cast<long>(EXCEPTION_NUMBER_SIZE_LIMIT), static_cast<unsigned>(EXCEPTION_NUMBER_SIZE_LIMIT));
            Fail(c__PCHAR__Name, EXCEPTION_NUMBER_SIZE_LIMIT, l__CHAR__Text);
        }
        l__Files.push_back(l__PKid);
    }
    std::stable_sort(l__Files.begin(), l__Files.end(), [](const UDF_TREE_ITEM* p__PLeft, const UDF_TREE_ITEM* p__PRight) {
        return std::strcmp(p__PLeft->m__CHAR__Name, p__PRight->m__CHAR__Name) < 0;
    });
    std::vector<UCHAR> l__VideoTs;
    size_t l__SIZE__At = 0;
    // "." and ".." first; the length of "." is known once every record is placed.
    AppendRecord(&l__VideoTs, &l__SIZE__At, c__ULONG__IsoVideoTs, 0, p__PVideoTs->m__UCHAR__Date, 2, std::string(1, '\0'));
    AppendRecord(&l__VideoTs, &l__SIZE__At, c__ULONG__IsoRoot, c__ULONG__Sector, p__PRoot->m__UCHAR__Date, 2,
                 std::string(1, '\1'));
    for (const UDF_TREE_ITEM* l__PFile : l__Files) {
        std::string l__string__Identifier = std::string(l__PFile->m__CHAR__Name) + ";1";
        ULONG l__ULONG__Extent = l__PFile->m__ULONGLONG__Size == 0 ? 0 : l__PFile->m__ULONG__FirstBlock + Udf::PartitionStart;
        AppendRecord(&l__VideoTs, &l__SIZE__At, l__ULONG__Extent, static_cast<ULONG>(l__PFile->m__ULONGLONG__Size),
                     l__PFile->m__UCHAR__Date, 0, l__string__Identifier);
    }
    const ULONG l__ULONG__VideoTsBytes = static_cast<ULONG>(l__VideoTs.size());
    // AUDIO_TS follows VIDEO_TS, and both lie before the partition.
    const ULONG l__ULONG__AudioTs = c__ULONG__IsoVideoTs + l__ULONG__VideoTsBytes / c__ULONG__Sector;
    if (l__ULONG__AudioTs >= Udf::PartitionStart) {
        Fail(c__PCHAR__Name, EXCEPTION_NUMBER_SIZE_LIMIT,
             "\nTarnwick:UDF_FormatISO9660FileSystemPacket(): EXITing with failure, VIDEO_TS holds too many files!!!\n");
    }
    CTarnwick_Bytes::PutBothEndian32(l__VideoTs.data() + 10, l__ULONG__VideoTsBytes);
    std::memcpy(p__PUCHAR__Head + c__ULONG__IsoVideoTs * c__ULONG__Sector, l__VideoTs.data(), l__VideoTs.size());

    std::vector<UCHAR> l__Directory;
    l__SIZE__At = 0;
    AppendRecord(&l__Directory, &l__SIZE__At, l__ULONG__AudioTs, c__ULONG__Sector, p__PAudioTs->m__UCHAR__Date, 2,
                 std::string(1, '\0'));
    AppendRecord(&l__Directory, &l__SIZE__At, c__ULONG__IsoRoot, c__ULONG__Sector, p__PRoot->m__UCHAR__Date, 2,
                 std::string(1, '\1'));
    std::memcpy(p__PUCHAR__Head + l__ULONG__AudioTs * c__ULONG__Sector, l__Directory.data(), l__Directory.size());

    // The root: ".", "..", then AUDIO_TS before VIDEO_TS (sorted by identifier).
    l__Directory.clear();
    l__SIZE__At = 0;
    AppendRecord(&l__Directory, &l__SIZE__At, c__ULONG__IsoRoot, c__ULONG__Sector, p__PRoot->m__UCHAR__Date, 2, std::string(1, '\0'));
    AppendRecord(&l__Directory, &l__SIZE__At, c__ULONG__IsoRoot, c__ULONG__Sector, p__PRoot->m__UCHAR__Date, 2, std::string(1, '\1'));
    AppendRecord(&l__Directory, &l__SIZE__At, l__ULONG__AudioTs, c__ULONG__Sector, p__PAudioTs->m__UCHAR__Date, 2, "AUDIO_TS");
    AppendRecord(&l__Directory, &l__SIZE__At, c__ULONG__IsoVideoTs, l__ULONG__VideoTsBytes, p__PVideoTs->m__UCHAR__Date, 2,
                 "VIDEO_TS");
    std::memcpy(p__PUCHAR__Head + c__ULONG__IsoRoot * c__ULONG__Sector, l__Directory.data(), l__Directory.size());

    // Path tables: the root, then AUDIO_TS and VIDEO_TS under it (42 bytes).
    UCHAR* l__PUCHAR__L = p__PUCHAR__Head + c__ULONG__LPathTable * c__ULONG__Sector;
    UCHAR* l__PUCHAR__M = p__PUCHAR__Head + c__ULONG__MPathTable * c__ULONG__Sector;
    size_t l__SIZE__Table = 0;
    auto l__PutPath = [&](ULONG p__ULONG__Extent, const char* p__PCHAR__Identifier, ULONG p__ULONG__Length) {
        l__PUCHAR__L[l__SIZE__Table] = l__PUCHAR__M[l__SIZE__Table] = static_cast<UCHAR>(p__ULONG__Length);
        CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__L + l__SIZE__Table + 2, p__ULONG__Extent);
        CTarnwick_Bytes::PutBigEndian32(l__PUCHAR__M + l__SIZE__Table + 2, p__ULONG__Extent);
        CTarnwick_Bytes::PutLittleEndian16(l__PUCHAR__L + l__SIZE__Table + 6, 1);
        CTarnwick_Bytes::PutBigEndian16(l__PUCHAR__M + l__SIZE__Table + 6, 1);
        std::memcpy(l__PUCHAR__L + l__SIZE__Table + 8, p__PCHAR__Identifier, p__ULONG__Length);
        std::memcpy(l__PUCHAR__M + l__SIZE__Table + 8, p__PCHAR__Identifier, p__ULONG__Length);
        l__SIZE__Table += 8 + p__ULONG__Length + (p__ULONG__Length & 1);
    };
    l__PutPath(c__ULONG__IsoRoot, "", 1);
    l__PutPath(l__ULONG__AudioTs, "AUDIO_TS", 8);
    l__PutPath(c__ULONG__IsoVideoTs, "VIDEO_TS", 8);

    // The Primary Volume Descriptor and the terminator.
    UCHAR* l__PUCHAR__Pvd = p__PUCHAR__Head + 16 * c__ULONG__Sector;
    l__PUCHAR__Pvd[0] = 1;
    std::memcpy(l__PUCHAR__Pvd + 1, "CD001", 5);
    l__PUCHAR__Pvd[6] = 1;
    const std::string l__string__VolumeId = Udf::UpperCased(p__string__Label);
    PutPadded(l__PUCHAR__Pvd + 8, 32, std::string());
    PutPadded(l__PUCHAR__Pvd + 40, 32, l__string__VolumeId);
    CTarnwick_Bytes::PutBothEndian32(l__PUCHAR__Pvd + 80, p__ULONG__ImageSectors);
    CTarnwick_Bytes::PutBothEndian16(l__PUCHAR__Pvd + 120, 1);
    CTarnwick_Bytes::PutBothEndian16(l__PUCHAR__Pvd + 124, 1);
    CTarnwick_Bytes::PutBothEndian16(l__PUCHAR__Pvd + 128, c__ULONG__Sector);
    CTarnwick_Bytes::PutBothEndian32(l__PUCHAR__Pvd + 132, static_cast<ULONG>(l__SIZE__Table));
    CTarnwick_Bytes::PutLittleEndian32(l__PUCHAR__Pvd + 140, c__ULONG__LPathTable);
    CTarnwick_Bytes::PutBigEndian32(l__PUCHAR__Pvd + 148, c__ULONG__MPathTable);
    CTarnwick_ISO9660ImageWriter::PutRecord(l__PUCHAR__Pvd + 156, c__ULONG__IsoRoot, c__ULONG__Sector, p__PRoot->m__UCHAR__Date,
                                            2, reinterpret_cast<const UCHAR*>(""), 1);
    char l__CHAR__VolumeSet[160];
    std::snprintf(l__CHAR__VolumeSet, sizeof(l__CHAR__VolumeSet), "%s-%ld", l__string__VolumeId.substr(0, 64).c_str(),
                  static_cast<long>(std::rand()));
    PutPadded(l__PUCHAR__Pvd + 190, 128, l__CHAR__VolumeSet);
    PutPadded(l__PUCHAR__Pvd + 318, 128 * 3, std::string());
    PutPadded(l__PUCHAR__Pvd + 702, 37 * 3, std::string());
    PutVolumeDate(l__PUCHAR__Pvd + 813, p__PUCHAR__Now);
    PutVolumeDate(l__PUCHAR__Pvd + 830, p__PUCHAR__Now);
    std::memset(l__PUCHAR__Pvd + 847, '0', 16);
    std::memset(l__PUCHAR__Pvd + 864, '0', 16);
    l__PUCHAR__Pvd[881] = 1;
    UCHAR* l__PUCHAR__Terminator = p__PUCHAR__Head + 17 * c__ULONG__Sector;
    l__PUCHAR__Terminator[0] = 255;
    std::memcpy(l__PUCHAR__Terminator + 1, "CD001", 5);
    l__PUCHAR__Terminator[6] = 1;
}

// The system structures in image order into the system block.
void UDF_StoreSystemStructuresTreeItemToMemory(PUDF_TREE_ITEM p__PRoot, UCHAR* p__PUCHAR__System) {
    TarnwickI_UDF_VisitSystemStructures(p__PRoot, [&](const UCHAR* p__PUCHAR__Sector) {
        std::memcpy(p__PUCHAR__System, p__PUCHAR__Sector, c__ULONG__Sector);
        p__PUCHAR__System += c__ULONG__Sector;
    });
}

bool IsKidOf(const UDF_TREE_ITEM* p__PItem, const UDF_TREE_ITEM* p__PParent) {
    for (const UDF_TREE_ITEM* l__PKid = p__PParent->m__PFirstKid; l__PKid != nullptr; l__PKid = l__PKid->m__PNext) {
        if (l__PKid == p__PItem) return true;
    }
    return false;
}

}  // namespace

void TarnwickI_UDF_VisitSystemStructures(PUDF_TREE_ITEM p__PItem, const std::function<void(const UCHAR*)>& p__Visit) {
    if (p__PItem->m__PParent == nullptr) p__Visit(p__PItem->m__UCHAR__FileEntry);
    if (p__PItem->m__BOOLEAN__IsDirectory != 0) VisitDirectoryStructures(p__PItem, p__Visit);
}

void TarnwickI_UDF_VisitFiles(PUDF_TREE_ITEM p__PItem, const std::function<void(PUDF_TREE_ITEM)>& p__Visit) {
    if (p__PItem->m__BOOLEAN__IsDirectory == 0) {
        p__Visit(p__PItem);
        return;
    }
    for (PUDF_TREE_ITEM l__PKid = p__PItem->m__PFirstKid; l__PKid != nullptr; l__PKid = l__PKid->m__PNext) {
        if (l__PKid->m__BOOLEAN__IsDirectory == 0) p__Visit(l__PKid);
    }
    for (PUDF_TREE_ITEM l__PKid = p__PItem->m__PFirstKid; l__PKid != nullptr; l__PKid = l__PKid->m__PNext) {
        if (l__PKid->m__BOOLEAN__IsDirectory != 0) TarnwickI_UDF_VisitFiles(l__PKid, p__Visit);
    }
}

uint64_t TarnwickI_UDF_SystemStructuresSize(PUDF_TREE_ITEM p__PRoot) {
    // One block for the root's File Entry, and per directory its parent entry and two per kid.
    uint64_t l__ULONGLONG__Blocks = 1;
    std::vector<const UDF_TREE_ITEM*> l__Directories{p__PRoot};
    while (!l__Directories.empty()) {
        const UDF_TREE_ITEM* l__PDirectory = l__Directories.back();
        l__Directories.pop_back();
        l__ULONGLONG__Blocks += 1;
        for (const UDF_TREE_ITEM* l__PKid = l__PDirectory->m__PFirstKid; l__PKid != nullptr; l__PKid = l__PKid->m__PNext) {
            l__ULONGLONG__Blocks += 2;
            if (l__PKid->m__BOOLEAN__IsDirectory != 0) l__Directories.push_back(l__PKid);
        }
    }
    return l__ULONGLONG__Blocks * c__ULONG__Sector;
}

void TarnwickI_UDF_DeleteSources(PUDF_TREE_ITEM p__PItem) {
    TarnwickI_UDF_VisitFiles(p__PItem, [](PUDF_TREE_ITEM p__PFile) {
        delete static_cast<CTarnwick_File*>(p__PFile->m__PVOID__Source);
        p__PFile->m__PVOID__Source = nullptr;
    });
}

void TarnwickI_UDF_Build(PUDF_TREE_ITEM p__PItem, CTarnwick_ISO9660FileTree* p__PTree) {
    CTarnwick_ISO9660Image* l__PImage = p__PTree->GetImage();
    TarnwickI_UDF_VisitFiles(p__PItem, [&](PUDF_TREE_ITEM p__PFile) {
        const uint64_t l__ULONGLONG__Bytes = static_cast<uint64_t>(p__PFile->m__ULONG__SizeInBlocks) * c__ULONG__Sector;
        if (l__ULONGLONG__Bytes == 0) return;  // an empty file has no contents in the image
        CTarnwick_File* l__PSource = nullptr;
        if (p__PFile->m__BOOLEAN__IsInMemory != 0) {
            l__PSource = new (std::nothrow) CTarnwick_MemoryFile(p__PFile->m__PVOID__Memory, l__ULONGLONG__Bytes);
        } else {
            // Opened when its turn comes, so that a tree of any size keeps one file open; a
            // file cut since it was added fails the read instead of being padded. The rewind
            // of the chain that follows checks that every file is still there.
            l__PSource = new (std::nothrow) CTarnwick_UnLockedDiskFile(p__PFile->m__PCHAR__Path, p__PFile->m__ULONGLONG__Size,
                                                                       l__ULONGLONG__Bytes, FALSE);
        }
        if (l__PSource == nullptr) {
            CTarnwick_Exception::Raise("Tarnwick:TarnwickI_UDF_Build", EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_OUT_OF_MEMORY,
                                       0, "TarnwickI_UDF_Build(): new byte source failed!!!");
        }
        p__PFile->m__PVOID__Source = l__PSource;
        l__PImage->AddChainTail(l__PSource);
    });
}

void TarnwickI_UDF_Master(const TarnwickI_UDF_Blocks& p__Blocks, uint64_t p__ULONGLONG__SystemBytes, PUDF_TREE_ITEM p__PRoot,
                          PUDF_IMAGE p__PImage) {
    static const char* const c__PCHAR__Name = "Tarnwick:TarnwickI_UDF_Master";
    std::unique_ptr<CTarnwick_MemoryFile> l__Head(
        new (std::nothrow) CTarnwick_MemoryFile(p__Blocks.m__PUCHAR__Head, static_cast<uint64_t>(c__ULONG__HeadSectors) * c__ULONG__Sector));
    if (l__Head == nullptr) {
        Fail(c__PCHAR__Name, EXCEPTION_NUMBER_OUT_OF_MEMORY,
             "\nTarnwick:TarnwickI_UDF_Master(): new CTarnwick_MemoryFile( head ) failed!!!\n");
    }
    std::unique_ptr<CTarnwick_MemoryFile> l__System(new (std::nothrow) CTarnwick_MemoryFile(p__Blocks.m__PUCHAR__System, p__ULONGLONG__SystemBytes));
    if (l__System == nullptr) {
        Fail(c__PCHAR__Name, EXCEPTION_NUMBER_OUT_OF_MEMORY,
             "\nTarnwick:TarnwickI_UDF_Master(): new CTarnwick_MemoryFile( system ) failed!!!\n");
    }
    std::unique_ptr<CTarnwick_MemoryFile> l__Tail(
        new (std::nothrow) CTarnwick_MemoryFile(p__Blocks.m__PUCHAR__Tail, static_cast<uint64_t>(c__ULONG__TailSectors) * c__ULONG__Sector));
    if (l__Tail == nullptr) {
        Fail(c__PCHAR__Name, EXCEPTION_NUMBER_OUT_OF_MEMORY,
             "\nTarnwick:TarnwickI_UDF_Master(): new CTarnwick_MemoryFile( tail ) failed!!!\n");
    }
    std::unique_ptr<CTarnwick_ISO9660FileTree> l__Tree(new (std::nothrow) CTarnwick_ISO9660FileTree(nullptr, nullptr, FALSE, FALSE, TRUE));
    if (l__Tree == nullptr) {
        Fail(c__PCHAR__Name, EXCEPTION_NUMBER_OUT_OF_MEMORY,
             "\nTarnwick:TarnwickI_UDF_Master(): new CTarnwick_ISO9660FileTree( ... ) failed!!!\n");
    }
    try {
        CTarnwick_ISO9660Image* l__PImage = l__Tree->MakeContainerImage();
        l__PImage->AddChainTail(l__Head.get());
        l__PImage->AddChainTail(l__System.get());
        TarnwickI_UDF_Build(p__PRoot, l__Tree.get());
        l__PImage->AddChainTail(l__Tail.get());
        l__PImage->SeekToBegin();
    } catch (...) {
        // The tree goes first: its chain reads the sources.
        l__Tree.reset();
        TarnwickI_UDF_DeleteSources(p__PRoot);
        throw;
    }
    p__PImage->m__PVOID__HeadSource = l__Head.release();
    p__PImage->m__PVOID__SystemSource = l__System.release();
    p__PImage->m__PVOID__TailSource = l__Tail.release();
    p__PImage->m__PVOID__Tree = static_cast<CTarnwick_EmptyBase*>(l__Tree.release());
}

void TarnwickI_UDF_Create(const TarnwickI_UDF_Blocks& p__Blocks, PUDF_TREE_ITEM p__PRoot, PUDF_TREE_ITEM p__PVideoTs,
                          PUDF_TREE_ITEM p__PAudioTs, const char* p__PCHAR__VolumeLabel, PUDF_IMAGE p__PImage) {
    static const char* const c__PCHAR__Name = "Tarnwick:Tarnwick_UDF_Create";
    auto l__Refuse = [&](const char* p__PCHAR__Text) {
        CTarnwick_Exception::Raise(c__PCHAR__Name, EXIT_TRACE_FORM_NUMBER_AND_TEXT, EXCEPTION_NUMBER_INVALID_PARAMETER, 0,
                                   "Tarnwick_UDF_Create(): %s!!!", p__PCHAR__Text);
    };
    if (p__PImage == nullptr) l__Refuse("no image record");
    std::memset(p__PImage, 0, sizeof(*p__PImage));
    if (p__PRoot == nullptr || p__PRoot->m__BOOLEAN__IsDirectory == 0 || p__PRoot->m__PParent != nullptr) {
        l__Refuse("the root is not a directory item without a parent");
    }
    const bool l__bool__IsBridge = p__PVideoTs != nullptr && p__PAudioTs != nullptr;
    if (l__bool__IsBridge && (p__PVideoTs->m__BOOLEAN__IsDirectory == 0 || p__PAudioTs->m__BOOLEAN__IsDirectory == 0 ||
                              !IsKidOf(p__PVideoTs, p__PRoot) || !IsKidOf(p__PAudioTs, p__PRoot))) {
        l__Refuse("VIDEO_TS and AUDIO_TS are not directories in the root");
    }
    // The blocks are checked before anything is written into them.
    const uint64_t l__ULONGLONG__SystemBytes = TarnwickI_UDF_SystemStructuresSize(p__PRoot);
    if (p__Blocks.m__PUCHAR__Head == nullptr || p__Blocks.m__ULONGLONG__HeadSize < UDF_HEAD_SIZE) l__Refuse("the head block is too small");
    if (p__Blocks.m__PUCHAR__Tail == nullptr || p__Blocks.m__ULONGLONG__TailSize < UDF_TAIL_SIZE) l__Refuse("the tail block is too small");
    if (p__Blocks.m__PUCHAR__System == nullptr || p__Blocks.m__ULONGLONG__SystemSize < l__ULONGLONG__SystemBytes) {
        l__Refuse("the system structures block is too small");
    }

    const uint64_t l__ULONGLONG__StructureBlocks = AssignAllBlocks(p__PRoot);
    ContentState l__State{l__ULONGLONG__StructureBlocks, 17, 0, 0};
    FormatEntry(p__PRoot, 0);
    UDF_ParseFileContentTreeItem(p__PRoot, &l__State);
    const ULONG l__ULONG__PartitionLength = static_cast<ULONG>(l__State.m__ULONGLONG__LastBlock + 1);
    const ULONG l__ULONG__ImageSectors = Udf::PartitionStart + l__ULONG__PartitionLength + c__ULONG__TailSectors;

    Udf::Volume l__Volume{};
    l__Volume.m__string__Label = p__PCHAR__VolumeLabel != nullptr ? p__PCHAR__VolumeLabel : "";
    l__Volume.m__ULONG__PartitionLength = l__ULONG__PartitionLength;
    l__Volume.m__ULONG__NextUniqueId = l__State.m__ULONG__NextUniqueId;
    l__Volume.m__ULONG__NumberOfFiles = l__State.m__ULONG__Files;
    l__Volume.m__ULONG__NumberOfDirectories = l__State.m__ULONG__Directories;
    Udf::Now(l__Volume.m__Date);

    UCHAR* l__PUCHAR__Head = p__Blocks.m__PUCHAR__Head;
    std::memset(l__PUCHAR__Head, 0, UDF_HEAD_SIZE);
    const ULONG l__ULONG__Recognition = l__bool__IsBridge ? 18 : 16;
    if (l__bool__IsBridge) {
        UDF_FormatISO9660FileSystemPacket(l__PUCHAR__Head, p__PRoot, p__PVideoTs, p__PAudioTs, l__Volume.m__string__Label,
                                      l__ULONG__ImageSectors, l__Volume.m__Date);
    }
    Udf::FormatVolumeRecognition(l__PUCHAR__Head + l__ULONG__Recognition * c__ULONG__Sector, "BEA01");
    Udf::FormatVolumeRecognition(l__PUCHAR__Head + (l__ULONG__Recognition + 1) * c__ULONG__Sector, "NSR02");
    Udf::FormatVolumeRecognition(l__PUCHAR__Head + (l__ULONG__Recognition + 2) * c__ULONG__Sector, "TEA01");
    Udf::FormatVolumeDescriptorSequence(l__PUCHAR__Head + Udf::MainSequenceStart * c__ULONG__Sector, Udf::MainSequenceStart, l__Volume);
    Udf::FormatVolumeDescriptorSequence(l__PUCHAR__Head + Udf::ReserveSequenceStart * c__ULONG__Sector, Udf::ReserveSequenceStart,
                                        l__Volume);
    Udf::FormatIntegritySequence(l__PUCHAR__Head + Udf::IntegritySequenceStart * c__ULONG__Sector, Udf::IntegritySequenceStart,
                                 l__Volume);
    Udf::FormatAnchor(l__PUCHAR__Head + Udf::AnchorSector * c__ULONG__Sector, Udf::AnchorSector);
    Udf::FormatFileSet(l__PUCHAR__Head + Udf::PartitionStart * c__ULONG__Sector, l__Volume);

    // The tail: an anchor in every sector, from the one right after the partition on.
    std::memset(p__Blocks.m__PUCHAR__Tail, 0, UDF_TAIL_SIZE);
    for (ULONG l__ULONG__Index = 0; l__ULONG__Index < c__ULONG__TailSectors; ++l__ULONG__Index) {
        Udf::FormatAnchor(p__Blocks.m__PUCHAR__Tail + l__ULONG__Index * c__ULONG__Sector,
                          Udf::PartitionStart + l__ULONG__PartitionLength + l__ULONG__Index);
    }

    UDF_StoreSystemStructuresTreeItemToMemory(p__PRoot, p__Blocks.m__PUCHAR__System);

    TarnwickI_UDF_Master(p__Blocks, l__ULONGLONG__SystemBytes, p__PRoot, p__PImage);
    p__PImage->m__ULONG__PartitionLength = l__ULONG__PartitionLength;
    p__PImage->m__ULONG__ImageSectors = l__ULONG__ImageSectors;
    p__PImage->m__ULONG__NumberOfFiles = l__State.m__ULONG__Files;
    p__PImage->m__ULONG__NumberOfDirectories = l__State.m__ULONG__Directories;
}
