// The flat functions of UDF mastering: the tree item initialisers, Tarnwick_UDF_Create and
// the image's deletion, the store functions, and the DVD-Video IFO patching.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "CTarnwick_Bytes.h"
#include "CTarnwick_File.h"
#include "CTarnwick_FlatBoundary.h"
#include "CTarnwick_ISO9660FileTree.h"
#include "CTarnwick_ISO9660FileTreeNode.h"
#include "CTarnwick_MemoryFile.h"
#include "CTarnwick_UdfDescriptor.h"
#include "DebugPrint.h"
#include "PlatformDirectory.h"
#include "PlatformFile.h"
#include "PlatformLocalTime.h"
#include "TarnwickI_Started.h"
#include "TarnwickI_UDF.h"
#include "tarnwick.h"

namespace {

constexpr ULONG c__ULONG__Sector = CTarnwick_UdfDescriptor::SectorSize;

// Stores the name upper-cased (ASCII letters only, so that UTF-8 stays intact). A name that
// does not fit the item's field or a UDF file identifier (255 bytes of OSTA compressed
// Unicode) is refused.
bool PutName(PUDF_TREE_ITEM p__PItem, const char* p__PCHAR__Name) {
    const char* l__PCHAR__Name = p__PCHAR__Name != nullptr ? p__PCHAR__Name : "";
    size_t l__SIZE__Length = std::strlen(l__PCHAR__Name);
    if (l__SIZE__Length >= sizeof(p__PItem->m__CHAR__Name) ||
        CTarnwick_UdfDescriptor::OstaName(l__PCHAR__Name).size() > 255) {
        return false;
    }
    const std::string l__string__Upper = CTarnwick_UdfDescriptor::UpperCased(l__PCHAR__Name);
    std::memcpy(p__PItem->m__CHAR__Name, l__string__Upper.data(), l__SIZE__Length);
    p__PItem->m__CHAR__Name[l__SIZE__Length] = '\0';
    return true;
}

void Clear(PUDF_TREE_ITEM p__PItem) {
    std::memset(p__PItem, 0, sizeof(*p__PItem));
    p__PItem->m__LONGLONG__FileHandle = PlatformFile::InvalidHandle;
}

// Reads a whole IFO or BUP file, zero-padded to whole blocks. 0, the system error, or -1
// when the block cannot be allocated.
ULONG ReadIntoMemory(PUDF_TREE_ITEM p__PItem, int p__INT__Handle) {
    size_t l__SIZE__Bytes = static_cast<size_t>(p__PItem->m__ULONG__SizeInBlocks) * c__ULONG__Sector;
    void* l__PVOID__Memory = std::calloc(l__SIZE__Bytes == 0 ? 1 : l__SIZE__Bytes, 1);
    if (l__PVOID__Memory == nullptr) return static_cast<ULONG>(-1);
    int64_t l__LONGLONG__Read = PlatformFile::Read(p__INT__Handle, l__PVOID__Memory, static_cast<size_t>(p__PItem->m__ULONGLONG__Size));
    if (l__LONGLONG__Read != static_cast<int64_t>(p__PItem->m__ULONGLONG__Size)) {
        ULONG l__ULONG__Error = l__LONGLONG__Read < 0 ? static_cast<ULONG>(errno) : static_cast<ULONG>(EIO);
        std::free(l__PVOID__Memory);
        return l__ULONG__Error;
    }
    p__PItem->m__PVOID__Memory = l__PVOID__Memory;
    p__PItem->m__BOOLEAN__IsInMemory = TRUE;
    return 0;
}

// Writes all bytes: 0, the system error, or 996 for a short write.
ULONG WriteAll(int p__INT__File, const void* p__PVOID__Bytes, size_t p__SIZE__Length) {
    int64_t l__LONGLONG__Written = PlatformFile::Write(p__INT__File, p__PVOID__Bytes, p__SIZE__Length);
    if (l__LONGLONG__Written == static_cast<int64_t>(p__SIZE__Length)) return 0;
    return l__LONGLONG__Written < 0 ? static_cast<ULONG>(errno) : 996;
}

// The contents of one file onto an open file, padded to whole blocks.
ULONG StoreContent(PUDF_TREE_ITEM p__PFile, int p__INT__File) {
    const uint64_t l__ULONGLONG__Bytes = static_cast<uint64_t>(p__PFile->m__ULONG__SizeInBlocks) * c__ULONG__Sector;
    if (p__PFile->m__BOOLEAN__IsInMemory != 0) return WriteAll(p__INT__File, p__PFile->m__PVOID__Memory, l__ULONGLONG__Bytes);
    if (l__ULONGLONG__Bytes == 0) return 0;
    int l__INT__Handle = PlatformFile::OpenRead(p__PFile->m__PCHAR__Path);
    if (l__INT__Handle < 0) return static_cast<ULONG>(errno);
    std::vector<UCHAR> l__Buffer(256 * 1024);
    uint64_t l__ULONGLONG__Done = 0;
    ULONG l__ULONG__Status = 0;
    while (l__ULONG__Status == 0 && l__ULONGLONG__Done < l__ULONGLONG__Bytes) {
        size_t l__SIZE__Length = static_cast<size_t>(std::min<uint64_t>(l__Buffer.size(), l__ULONGLONG__Bytes - l__ULONGLONG__Done));
        const uint64_t l__ULONGLONG__Size = p__PFile->m__ULONGLONG__Size;
        size_t l__SIZE__FromFile = static_cast<size_t>(
            std::min<uint64_t>(l__SIZE__Length, l__ULONGLONG__Size - std::min(l__ULONGLONG__Size, l__ULONGLONG__Done)));
        std::memset(l__Buffer.data() + l__SIZE__FromFile, 0, l__SIZE__Length - l__SIZE__FromFile);
        if (l__SIZE__FromFile > 0) {
            int64_t l__LONGLONG__Read = PlatformFile::Read(l__INT__Handle, l__Buffer.data(), l__SIZE__FromFile);
            if (l__LONGLONG__Read != static_cast<int64_t>(l__SIZE__FromFile)) {
                // A file cut since it was added: its bytes would be lost.
                l__ULONG__Status = l__LONGLONG__Read < 0 ? static_cast<ULONG>(errno) : static_cast<ULONG>(EIO);
                DebugPrint("\nUDF:UDF_StoreContentTreeItem(): EXITing with failure, '%s' holds fewer bytes than when it was added!!!\n",
                           p__PFile->m__PCHAR__Path);
                break;
            }
        }
        l__ULONG__Status = WriteAll(p__INT__File, l__Buffer.data(), l__SIZE__Length);
        l__ULONGLONG__Done += l__SIZE__Length;
    }
    PlatformFile::Close(l__INT__Handle);
    return l__ULONG__Status;
}

// The memory of an IFO or BUP item, or null (traced) when it holds none or less than needed.
PUCHAR IfoBytes(PUDF_TREE_ITEM p__PItem, uint64_t p__ULONGLONG__Needed, const char* p__PCHAR__Function) {
    if (p__PItem == nullptr || p__PItem->m__BOOLEAN__IsInMemory == 0 || p__PItem->m__PVOID__Memory == nullptr ||
        p__PItem->m__ULONGLONG__Size < p__ULONGLONG__Needed) {
        DebugPrint("\nUDF:%s(): EXITing with failure, the item holds no IFO/BUP file in memory!!!\n", p__PCHAR__Function);
        return nullptr;
    }
    return static_cast<PUCHAR>(p__PItem->m__PVOID__Memory);
}

// The title table of a VMG file: every entry's start sector, or those of one title set.
ULONG PatchTable(PUDF_TREE_ITEM p__PItem, bool p__bool__AllSets, UCHAR p__UCHAR__TitleSet, ULONG p__ULONG__StartSector) {
    PUCHAR l__PUCHAR__Ifo = IfoBytes(p__PItem, 200, "Tarnwick_UDF_PatchIfoTable");
    if (l__PUCHAR__Ifo == nullptr) return EXCEPTION_NUMBER_INVALID_PARAMETER;
    if (std::memcmp(l__PUCHAR__Ifo, "DVDVIDEO-VMG", 12) != 0) {
        DebugPrint("\nUDF:Tarnwick_UDF_PatchIfoTable(): Wrong IFO/BUP signature!!!\n");
        return EXCEPTION_NUMBER_MEDIA_OR_DATA;
    }
    const uint64_t l__ULONGLONG__Table = static_cast<uint64_t>(CTarnwick_Bytes::GetBigEndian32(l__PUCHAR__Ifo + 196)) * c__ULONG__Sector;
    if (l__ULONGLONG__Table == 0) {
        DebugPrint("\nUDF:Tarnwick_UDF_PatchIfoTable(): EXITing with failure, table of titles is zero!!!\n");
        return EXCEPTION_NUMBER_MEDIA_OR_DATA;
    }
    if (l__ULONGLONG__Table + 8 > p__PItem->m__ULONGLONG__Size) {
        DebugPrint("\nUDF:Tarnwick_UDF_PatchIfoTable(): EXITing with failure, table of titles lies outside the file!!!\n");
        return EXCEPTION_NUMBER_MEDIA_OR_DATA;
    }
    const ULONG l__ULONG__Titles = CTarnwick_Bytes::GetBigEndian16(l__PUCHAR__Ifo + l__ULONGLONG__Table);
    if (l__ULONG__Titles == 0) {
        DebugPrint("\nUDF:Tarnwick_UDF_PatchIfoTable(): EXITing with failure, number of titles is zero!!!\n");
        return EXCEPTION_NUMBER_MEDIA_OR_DATA;
    }
    if (l__ULONGLONG__Table + 8 + 12ull * l__ULONG__Titles > p__PItem->m__ULONGLONG__Size) {
        DebugPrint("\nUDF:Tarnwick_UDF_PatchIfoTable(): EXITing with failure, table of titles lies outside the file!!!\n");
        return EXCEPTION_NUMBER_MEDIA_OR_DATA;
    }
    for (ULONG l__ULONG__Title = 0; l__ULONG__Title < l__ULONG__Titles; ++l__ULONG__Title) {
        PUCHAR l__PUCHAR__Entry = l__PUCHAR__Ifo + l__ULONGLONG__Table + 8 + 12ull * l__ULONG__Title;
        if (p__bool__AllSets || l__PUCHAR__Entry[6] == p__UCHAR__TitleSet) {
            CTarnwick_Bytes::PutBigEndian32(l__PUCHAR__Entry + 8, p__ULONG__StartSector);
        }
    }
    return EXCEPTION_NUMBER_SUCCESS;
}

}  // namespace

extern "C" ULONG UDF_FormatFileTreeItem(PUDF_TREE_ITEM p__PItem, ULONG p__ULONG__UniqueId, PCHAR p__PCHAR__Name,
                                        PCHAR p__PCHAR__Path, PUDF_TREE_ITEM p__PParent) {
    if (p__PItem == nullptr || p__PCHAR__Path == nullptr) return EINVAL;
    Clear(p__PItem);
    if (!PutName(p__PItem, p__PCHAR__Name)) return ENAMETOOLONG;
    p__PItem->m__ULONG__UniqueId = p__ULONG__UniqueId;
    // One status call gives the size and the date; the file itself is opened only when its
    // contents are needed now (IFO and BUP files), else only checked to be readable.
    PlatformDirectoryEntry l__Entry;
    if (!PlatformDirectory::Stat(p__PCHAR__Path, l__Entry) || !PlatformFile::CanOpenRead(p__PCHAR__Path)) {
        ULONG l__ULONG__Error = static_cast<ULONG>(errno);
        Clear(p__PItem);
        return l__ULONG__Error;
    }
    if ((l__Entry.m__ULONG__Attributes & PlatformDirectory::AttributeDirectory) != 0) {
        Clear(p__PItem);
        return EISDIR;
    }
    p__PItem->m__ULONGLONG__Size = l__Entry.m__ULONGLONG__Size;
    const uint64_t l__ULONGLONG__Blocks = (p__PItem->m__ULONGLONG__Size + c__ULONG__Sector - 1) / c__ULONG__Sector;
    if (l__ULONGLONG__Blocks > 0xFFFFFFFFull) {
        Clear(p__PItem);
        return EFBIG;
    }
    p__PItem->m__ULONG__SizeInBlocks = static_cast<ULONG>(l__ULONGLONG__Blocks);
    CTarnwick_ISO9660FileTreeNode::RecordingDateOf(PlatformLocalTime::FromUnixTime(l__Entry.m__LONGLONG__CreationTime),
                                                   p__PItem->m__UCHAR__Date);
    if (std::strstr(p__PItem->m__CHAR__Name, ".IFO") != nullptr || std::strstr(p__PItem->m__CHAR__Name, ".BUP") != nullptr) {
        int l__INT__Handle = PlatformFile::OpenRead(p__PCHAR__Path);
        ULONG l__ULONG__Status = l__INT__Handle < 0 ? static_cast<ULONG>(errno) : ReadIntoMemory(p__PItem, l__INT__Handle);
        if (l__INT__Handle >= 0) PlatformFile::Close(l__INT__Handle);
        if (l__ULONG__Status != 0) {
            Clear(p__PItem);
            return l__ULONG__Status;
        }
    }
    p__PItem->m__PCHAR__Path = strdup(p__PCHAR__Path);
    if (p__PItem->m__PCHAR__Path == nullptr) {
        std::free(p__PItem->m__PVOID__Memory);
        Clear(p__PItem);
        return static_cast<ULONG>(-1);
    }
    // Linked last, so that an item that failed is never part of the tree.
    p__PItem->m__PParent = p__PParent;
    if (p__PParent != nullptr) {
        // Members are read one by one: in a packed record a pointer may lie at any address.
        PUDF_TREE_ITEM l__PLast = p__PParent->m__PFirstKid;
        while (l__PLast != nullptr && l__PLast->m__PNext != nullptr) l__PLast = l__PLast->m__PNext;
        p__PItem->m__PPrevious = l__PLast;
        if (l__PLast == nullptr) {
            p__PParent->m__PFirstKid = p__PItem;
        } else {
            l__PLast->m__PNext = p__PItem;
        }
    }
    return 0;
}

extern "C" ULONG UDF_FormatDirectoryTreeItem(PUDF_TREE_ITEM p__PItem, ULONG p__ULONG__UniqueId, PCHAR p__PCHAR__Name,
                                             PUDF_TREE_ITEM p__PParent) {
    if (p__PItem == nullptr) return EINVAL;
    Clear(p__PItem);
    if (!PutName(p__PItem, p__PCHAR__Name)) return ENAMETOOLONG;
    // The link count of the parent's File Entry is 16 bits.
    if (p__PParent != nullptr && p__PParent->m__USHORT__NumberOfSubdirectories >= 0xFFFE) {
        Clear(p__PItem);
        return EMLINK;
    }
    p__PItem->m__BOOLEAN__IsDirectory = TRUE;
    p__PItem->m__ULONG__UniqueId = p__ULONG__UniqueId;
    CTarnwick_UdfDescriptor::Now(p__PItem->m__UCHAR__Date);
    p__PItem->m__PParent = p__PParent;
    if (p__PParent != nullptr) {
        p__PItem->m__PNext = p__PParent->m__PFirstKid;
        if (p__PParent->m__PFirstKid != nullptr) p__PParent->m__PFirstKid->m__PPrevious = p__PItem;
        p__PParent->m__PFirstKid = p__PItem;
        ++p__PParent->m__USHORT__NumberOfSubdirectories;
    }
    return 0;
}

extern "C" void UDF_CleanupTreeItems(PUDF_TREE_ITEM p__PItems, ULONG p__ULONG__Count) {
    if (p__PItems == nullptr) return;
    for (ULONG l__ULONG__Index = 0; l__ULONG__Index < p__ULONG__Count; ++l__ULONG__Index) {
        PUDF_TREE_ITEM l__PItem = &p__PItems[l__ULONG__Index];
        if (l__PItem->m__ULONG__UniqueId == 0 || l__PItem->m__BOOLEAN__IsDirectory != 0) continue;
        if (l__PItem->m__LONGLONG__FileHandle >= 0) PlatformFile::Close(static_cast<int>(l__PItem->m__LONGLONG__FileHandle));
        l__PItem->m__LONGLONG__FileHandle = PlatformFile::InvalidHandle;
        delete static_cast<CTarnwick_File*>(l__PItem->m__PVOID__Source);
        l__PItem->m__PVOID__Source = nullptr;
        std::free(l__PItem->m__PVOID__Memory);
        l__PItem->m__PVOID__Memory = nullptr;
        l__PItem->m__BOOLEAN__IsInMemory = FALSE;
        std::free(l__PItem->m__PCHAR__Path);
        l__PItem->m__PCHAR__Path = nullptr;
    }
}

extern "C" ULONG Tarnwick_UDF_GetSystemStructuresSize(PUDF_TREE_ITEM p__PRoot, PULONGLONG p__PULONGLONG__Size) {
    if (p__PRoot == nullptr || p__PULONGLONG__Size == nullptr || p__PRoot->m__BOOLEAN__IsDirectory == 0) {
        return EXCEPTION_NUMBER_INVALID_PARAMETER;
    }
    *p__PULONGLONG__Size = TarnwickI_UDF_SystemStructuresSize(p__PRoot);
    return EXCEPTION_NUMBER_SUCCESS;
}

extern "C" ULONG Tarnwick_UDF_Create(PVOID p__PVOID__Head, ULONG p__ULONG__HeadSize, PVOID p__PVOID__Tail,
                                     ULONG p__ULONG__TailSize, PVOID p__PVOID__System, ULONGLONG p__ULONGLONG__SystemSize,
                                     PUDF_TREE_ITEM p__PRoot, PUDF_TREE_ITEM p__PVideoTs, PUDF_TREE_ITEM p__PAudioTs,
                                     PUDF_IMAGE p__PUDF_IMAGE__Image, PCHAR p__PCHAR__ExceptionText,
                                     ULONG p__ULONG__ExceptionTextSize, PULONG p__PULONG__SystemError,
                                     PCHAR p__PCHAR__VolumeLabel) {
    if (!TarnwickI_IsStarted()) {
        DebugPrint("\nTarnwick:Tarnwick_UDF_Create(): EXITing with failure, was not initialized\n");
        return EXCEPTION_NUMBER_NOT_STARTED;
    }
    const TarnwickI_UDF_Blocks l__Blocks = {static_cast<PUCHAR>(p__PVOID__Head), p__ULONG__HeadSize,
                                            static_cast<PUCHAR>(p__PVOID__Tail), p__ULONG__TailSize,
                                            static_cast<PUCHAR>(p__PVOID__System), p__ULONGLONG__SystemSize};
    return CTarnwick_FlatBoundary::CallTree("Tarnwick:Tarnwick_UDF_Create", p__PCHAR__ExceptionText, p__ULONG__ExceptionTextSize,
                                            p__PULONG__SystemError, [&] {
                                                TarnwickI_UDF_Create(l__Blocks, p__PRoot, p__PVideoTs, p__PAudioTs,
                                                                     p__PCHAR__VolumeLabel, p__PUDF_IMAGE__Image);
                                            });
}

extern "C" void Tarnwick_UDF_DeleteImage(PUDF_IMAGE p__PUDF_IMAGE__Image) {
    if (p__PUDF_IMAGE__Image == nullptr) return;
    // The tree first: its chain reads the sources.
    delete static_cast<CTarnwick_EmptyBase*>(p__PUDF_IMAGE__Image->m__PVOID__Tree);
    delete static_cast<CTarnwick_File*>(p__PUDF_IMAGE__Image->m__PVOID__HeadSource);
    delete static_cast<CTarnwick_File*>(p__PUDF_IMAGE__Image->m__PVOID__SystemSource);
    delete static_cast<CTarnwick_File*>(p__PUDF_IMAGE__Image->m__PVOID__TailSource);
    std::memset(p__PUDF_IMAGE__Image, 0, sizeof(*p__PUDF_IMAGE__Image));
}

extern "C" ULONG UDF_StoreSystemStructuresTreeItem(PUDF_TREE_ITEM p__PItem, int p__INT__File) {
    if (p__PItem == nullptr) return EINVAL;
    ULONG l__ULONG__Status = 0;
    TarnwickI_UDF_VisitSystemStructures(p__PItem, [&](const UCHAR* p__PUCHAR__Sector) {
        if (l__ULONG__Status == 0) l__ULONG__Status = WriteAll(p__INT__File, p__PUCHAR__Sector, c__ULONG__Sector);
    });
    return l__ULONG__Status;
}

extern "C" ULONG UDF_StoreContentTreeItem(PUDF_TREE_ITEM p__PItem, int p__INT__File) {
    if (p__PItem == nullptr) return EINVAL;
    ULONG l__ULONG__Status = 0;
    TarnwickI_UDF_VisitFiles(p__PItem, [&](PUDF_TREE_ITEM p__PFile) {
        if (l__ULONG__Status == 0) l__ULONG__Status = StoreContent(p__PFile, p__INT__File);
    });
    return l__ULONG__Status;
}

extern "C" ULONG Tarnwick_UDF_PatchIfoHeader(PUDF_TREE_ITEM p__PItem, ULONG p__ULONG__IfoLastSector,
                                             ULONG p__ULONG__SetLastSector) {
    PUCHAR l__PUCHAR__Ifo = IfoBytes(p__PItem, 32, "Tarnwick_UDF_PatchIfoHeader");
    if (l__PUCHAR__Ifo == nullptr) return EXCEPTION_NUMBER_INVALID_PARAMETER;
    if (std::memcmp(l__PUCHAR__Ifo, "DVDVIDEO-VMG", 12) != 0 && std::memcmp(l__PUCHAR__Ifo, "DVDVIDEO-VTS", 12) != 0) {
        DebugPrint("\nUDF:Tarnwick_UDF_PatchIfoHeader(): Wrong IFO/BUP signature!!!\n");
        return EXCEPTION_NUMBER_MEDIA_OR_DATA;
    }
    CTarnwick_Bytes::PutBigEndian32(l__PUCHAR__Ifo + 12, p__ULONG__SetLastSector);
    CTarnwick_Bytes::PutBigEndian32(l__PUCHAR__Ifo + 28, p__ULONG__IfoLastSector);
    return EXCEPTION_NUMBER_SUCCESS;
}

extern "C" ULONG Tarnwick_UDF_PatchIfoTable(PUDF_TREE_ITEM p__PItem, ULONG p__ULONG__TitleSetStartSector) {
    return PatchTable(p__PItem, true, 0, p__ULONG__TitleSetStartSector);
}

extern "C" ULONG Tarnwick_UDF_PatchIfoTableEx(PUDF_TREE_ITEM p__PItem, UCHAR p__UCHAR__TitleSetNumber,
                                              ULONG p__ULONG__TitleSetStartSector) {
    return PatchTable(p__PItem, false, p__UCHAR__TitleSetNumber, p__ULONG__TitleSetStartSector);
}
