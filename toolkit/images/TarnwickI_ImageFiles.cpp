#include "TarnwickI_ImageFiles.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "CTarnwick_DiskFile.h"
#include "CTarnwick_Exception.h"
#include "DebugPrint.h"
#include "PlatformFile.h"
#include "PlatformSystemError.h"

namespace {
constexpr ULONG ISO_PROBE_BYTES = 17 * 2048;
constexpr ULONG ISO_IDENTIFIER_OFFSET = 16 * 2048 + 1;
constexpr ULONG RAW_SECTOR_BYTES = 2352;
constexpr ULONG MDF_NAME_BUFFER = 260;
constexpr UCHAR SYNC_PATTERN[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

// The MDS layout: header, session block, data block (one per track descriptor), file block.
constexpr ULONG HEADER_BYTES = 88;
constexpr ULONG HEADER_MEDIUM_TYPE = 18;
constexpr ULONG HEADER_SESSIONS = 20;
constexpr ULONG HEADER_SESSION_OFFSET = 80;
constexpr ULONG SESSION_BYTES = 24;
constexpr ULONG SESSION_DATA_BLOCKS = 10;
constexpr ULONG SESSION_FIRST_DATA_BLOCK = 20;
constexpr ULONG DATA_BLOCK_BYTES = 80;
constexpr ULONG DATA_BLOCK_MODE = 0;
constexpr ULONG DATA_BLOCK_SUBCHANNEL = 1;
constexpr ULONG DATA_BLOCK_FILE_BLOCK = 52;
constexpr ULONG FILE_BLOCK_BYTES = 16;
constexpr ULONG FILE_BLOCK_NAME = 0;
constexpr ULONG FILE_BLOCK_TRACK_SIZE = 8;
constexpr char SIGNATURE[] = "MEDIA DESCRIPTOR";
constexpr ULONG SIGNATURE_BYTES = 16;
constexpr ULONG EXPECTED_MEDIUM_TYPE = 0;
constexpr ULONG EXPECTED_SESSIONS = 1;
constexpr UCHAR TYPE_NOT_A_TRACK = 0;
constexpr UCHAR TYPE_SOUND = 1;
constexpr UCHAR TYPE_MODE1 = 2;
constexpr UCHAR SUB_TYPE_INTERLEAVED_PW = 1;
constexpr ULONG RAW_PW_BLOCK_BYTES = 2448;
constexpr int64_t PREGAP_BLOCKS = 150;
// A stored length must be a positive LONG: the engine adds them up as CD addresses.
constexpr int64_t LARGEST_TRACK_BLOCKS = 0x7FFFFFFF;

ULONG LittleEndian16(const UCHAR* p__PUCHAR__At) { return p__PUCHAR__At[0] | (ULONG(p__PUCHAR__At[1]) << 8); }
ULONG LittleEndian32(const UCHAR* p__PUCHAR__At) {
    return p__PUCHAR__At[0] | (ULONG(p__PUCHAR__At[1]) << 8) | (ULONG(p__PUCHAR__At[2]) << 16) | (ULONG(p__PUCHAR__At[3]) << 24);
}

// The status of a file call that failed: its errno, and never 0 (which would read as success).
ULONG FailedCallStatus() {
    const ULONG l__ULONG__Status = GetLastError();
    return l__ULONG__Status != 0 ? l__ULONG__Status : MDS_STATUS_GENERAL_FAILURE;
}

// Reads the first p__ULONG__Length bytes of a file through a disk-file source into a
// zeroed buffer; false for any failure, a shorter file included. Detection never reports.
bool ReadHead(const char* p__PCHAR__FileName, ULONG p__ULONG__Length, PUCHAR p__PUCHAR__Buffer) {
    std::memset(p__PUCHAR__Buffer, 0, p__ULONG__Length);
    std::unique_ptr<CTarnwick_DiskFile> l__Source;
    try {
        l__Source.reset(new (std::nothrow) CTarnwick_DiskFile(p__PCHAR__FileName));
        if (!l__Source) return false;
        l__Source->Read(p__ULONG__Length, p__PUCHAR__Buffer);
    } catch (CTarnwick_Exception* l__PCTarnwick_Exception__Exception) {
        delete l__PCTarnwick_Exception__Exception;
        return false;
    }
    return true;
}

// The open MDS file: closed on every way out of the parse.
class MdsHandle {
public:
    explicit MdsHandle(int p__INT__Handle) : m__INT__Handle(p__INT__Handle) {}
    ~MdsHandle() {
        if (m__INT__Handle != PlatformFile::InvalidHandle) PlatformFile::Close(m__INT__Handle);
    }
    MdsHandle(const MdsHandle&) = delete;
    MdsHandle& operator=(const MdsHandle&) = delete;
    int Get() const { return m__INT__Handle; }

private:
    int m__INT__Handle;
};

ULONG ParseMDS(const char* p__PCHAR__MdsFileName, PSESSION_DESCRIPTOR p__PSESSION_DESCRIPTOR__Session, PUCHAR p__PUCHAR__Kind,
               PCHAR p__PCHAR__ImageFileName, const char* p__PCHAR__Directory) {
    MdsHandle l__Mds(PlatformFile::OpenRead(p__PCHAR__MdsFileName));
    if (l__Mds.Get() == PlatformFile::InvalidHandle) {
        const ULONG s = FailedCallStatus();
        DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): CreateFile( '%s' ) failed, status %ld ( 0x%X )\n", p__PCHAR__MdsFileName,
                   static_cast<long>(s), s);
        return s;
    }
    // Seeks to an offset read from the file; false with the status when it does not land there.
    auto l__Seek = [&](int64_t p__LONGLONG__Offset, ULONG* p__PULONG__Status, int64_t* p__PLONGLONG__Landed) {
        *p__PLONGLONG__Landed = PlatformFile::Seek(l__Mds.Get(), p__LONGLONG__Offset, SEEK_SET);
        if (*p__PLONGLONG__Landed == p__LONGLONG__Offset) return true;
        *p__PULONG__Status = FailedCallStatus();
        return false;
    };
    // Reads up to the length; the count read, or -1 with the status.
    auto l__Read = [&](PUCHAR p__PUCHAR__Buffer, ULONG p__ULONG__Length, ULONG* p__PULONG__Status) {
        const int64_t l__LONGLONG__Read = PlatformFile::Read(l__Mds.Get(), p__PUCHAR__Buffer, p__ULONG__Length);
        if (l__LONGLONG__Read < 0) *p__PULONG__Status = FailedCallStatus();
        return l__LONGLONG__Read;
    };
    ULONG s = MDS_STATUS_GENERAL_FAILURE;
    int64_t l__LONGLONG__Landed = 0;

    UCHAR l__UCHAR__Header[HEADER_BYTES] = {};
    int64_t n = l__Read(l__UCHAR__Header, HEADER_BYTES, &s);
    if (n < 0) {
        DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): ReadFile( ... ) for MDS header failed, status %ld ( 0x%X )\n",
                   static_cast<long>(s), s);
        return s;
    }
    if (n != HEADER_BYTES) {
        s = MDS_STATUS_INCOMPLETE;
        DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): Read %ld UCHARs instead of %ld for MDS header, status %ld ( 0x%X )\n",
                   static_cast<long>(n), static_cast<long>(HEADER_BYTES), static_cast<long>(s), s);
        return s;
    }
    if (std::memcmp(l__UCHAR__Header, SIGNATURE, SIGNATURE_BYTES) != 0) {
        s = MDS_STATUS_BAD_FORMAT;
        DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): MDS signature is bad, status %ld ( 0x%X )\n", static_cast<long>(s), s);
        return s;
    }
    const ULONG l__ULONG__MediumType = l__UCHAR__Header[HEADER_MEDIUM_TYPE];
    if (l__ULONG__MediumType != EXPECTED_MEDIUM_TYPE) {
        s = MDS_STATUS_BAD_FORMAT;
        DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): Media type is bad, got %ld instead of expected %ld, status %ld ( 0x%X )\n",
                   static_cast<long>(l__ULONG__MediumType), static_cast<long>(EXPECTED_MEDIUM_TYPE), static_cast<long>(s), s);
        return s;
    }
    const ULONG l__ULONG__Sessions = LittleEndian16(l__UCHAR__Header + HEADER_SESSIONS);
    if (l__ULONG__Sessions > EXPECTED_SESSIONS) {
        s = MDS_STATUS_BAD_FORMAT;
        DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): Number of sessions is bad, got %ld instead of expected %ld, status %ld ( 0x%X )\n",
                   static_cast<long>(l__ULONG__Sessions), static_cast<long>(EXPECTED_SESSIONS), static_cast<long>(s), s);
        return s;
    }

    const int64_t l__LONGLONG__SessionOffset = LittleEndian32(l__UCHAR__Header + HEADER_SESSION_OFFSET);
    if (!l__Seek(l__LONGLONG__SessionOffset, &s, &l__LONGLONG__Landed)) {
        DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): SetFilePointer( ... ) for session descriptor failed, seek pointer %ld instead of %ld, status %ld ( 0x%X )\n",
                   static_cast<long>(l__LONGLONG__Landed), static_cast<long>(l__LONGLONG__SessionOffset), static_cast<long>(s), s);
        return s;
    }
    UCHAR l__UCHAR__SessionBlock[SESSION_BYTES] = {};
    n = l__Read(l__UCHAR__SessionBlock, SESSION_BYTES, &s);
    if (n < 0) {
        DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): ReadFile( ... ) for session descriptor failed, status %ld ( 0x%X )\n",
                   static_cast<long>(s), s);
        return s;
    }
    if (n != SESSION_BYTES) {
        s = MDS_STATUS_INCOMPLETE;
        DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): Readen %ld instead of %ld, status %ld ( 0x%X )\n", static_cast<long>(n),
                   static_cast<long>(SESSION_BYTES), static_cast<long>(s), s);
        return s;
    }
    const ULONG l__ULONG__DataBlocks = l__UCHAR__SessionBlock[SESSION_DATA_BLOCKS];
    const int64_t l__LONGLONG__FirstDataBlock = LittleEndian32(l__UCHAR__SessionBlock + SESSION_FIRST_DATA_BLOCK);
    if (!l__Seek(l__LONGLONG__FirstDataBlock, &s, &l__LONGLONG__Landed)) {
        DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): SetFilePointer( ... ) for track descriptors failed, seek pointer %ld instead of %ld, status %ld ( 0x%X )\n",
                   static_cast<long>(l__LONGLONG__Landed), static_cast<long>(l__LONGLONG__FirstDataBlock), static_cast<long>(s), s);
        return s;
    }
    std::memset(p__PSESSION_DESCRIPTOR__Session, 0, sizeof(*p__PSESSION_DESCRIPTOR__Session));
    SESSION_DESCRIPTOR& r = *p__PSESSION_DESCRIPTOR__Session;
    *p__PUCHAR__Kind = 1;
    // A descriptor without a single track names no image: the name is then empty, never left unset.
    p__PCHAR__ImageFileName[0] = '\0';
    // Lengths are kept 64-bit until they are known to fit: a size below 150 must not wrap.
    int64_t l__LONGLONG__Lengths[SESSION_MAXIMUM_TRACKS] = {};
    ULONG l__ULONG__Stored = 0;

    for (ULONG i = 0; i < l__ULONG__DataBlocks; ++i) {
        const int64_t l__LONGLONG__DataBlock = l__LONGLONG__FirstDataBlock + int64_t(DATA_BLOCK_BYTES) * i;
        if (!l__Seek(l__LONGLONG__DataBlock, &s, &l__LONGLONG__Landed)) {
            DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): SetFilePointer( ... ) for track descriptors (inside loop) failed, seek pointer %ld instead of %ld, status %ld ( 0x%X )\n",
                       static_cast<long>(l__LONGLONG__Landed), static_cast<long>(l__LONGLONG__DataBlock), static_cast<long>(s), s);
            return s;
        }
        UCHAR l__UCHAR__DataBlock[DATA_BLOCK_BYTES] = {};
        n = l__Read(l__UCHAR__DataBlock, DATA_BLOCK_BYTES, &s);
        if (n < 0) {
            DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): ReadFile( ... ) for track descriptor %ld failed, status %ld ( 0x%X )\n",
                       static_cast<long>(i), static_cast<long>(s), s);
            return s;
        }
        if (n != DATA_BLOCK_BYTES) {
            s = MDS_STATUS_INCOMPLETE;
            DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): Readen %ld instead of %ld for track descriptor %ld, status %ld ( 0x%X )\n",
                       static_cast<long>(n), static_cast<long>(DATA_BLOCK_BYTES), static_cast<long>(i), static_cast<long>(s), s);
            return s;
        }
        const UCHAR l__UCHAR__Type = l__UCHAR__DataBlock[DATA_BLOCK_MODE] & 0x07;
        const UCHAR l__UCHAR__SubType = (l__UCHAR__DataBlock[DATA_BLOCK_SUBCHANNEL] >> 3) & 0x07;
        DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): Track %ld, Type 0x%02X, SubType 0x%02X\n", static_cast<long>(i),
                   l__UCHAR__Type, l__UCHAR__SubType);
        if (l__UCHAR__Type == TYPE_NOT_A_TRACK) continue;
        if (l__UCHAR__SubType != SUB_TYPE_INTERLEAVED_PW) {
            s = MDS_STATUS_BAD_FORMAT;
            DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): Sub type 0x%02X instead of 0x%02X for track descriptor %ld, status %ld ( 0x%X )\n",
                       l__UCHAR__SubType, SUB_TYPE_INTERLEAVED_PW, static_cast<long>(i), static_cast<long>(s), s);
            return s;
        }
        // The record holds 100 tracks; a descriptor with more is not one of a CD.
        if (l__ULONG__Stored == SESSION_MAXIMUM_TRACKS) {
            s = MDS_STATUS_BAD_FORMAT;
            DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): More than %ld tracks at track descriptor %ld, status %ld ( 0x%X )\n",
                       static_cast<long>(SESSION_MAXIMUM_TRACKS), static_cast<long>(i), static_cast<long>(s), s);
            return s;
        }

        const int64_t l__LONGLONG__FileBlock = LittleEndian32(l__UCHAR__DataBlock + DATA_BLOCK_FILE_BLOCK);
        if (!l__Seek(l__LONGLONG__FileBlock, &s, &l__LONGLONG__Landed)) {
            DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): SetFilePointer( ... ) for file descriptor for track descriptor %ld failed, seek pointer %ld instead of %ld, status %ld ( 0x%X )\n",
                       static_cast<long>(i), static_cast<long>(l__LONGLONG__Landed), static_cast<long>(l__LONGLONG__FileBlock),
                       static_cast<long>(s), s);
            return s;
        }
        UCHAR l__UCHAR__FileBlock[FILE_BLOCK_BYTES] = {};
        n = l__Read(l__UCHAR__FileBlock, FILE_BLOCK_BYTES, &s);
        if (n < 0) {
            DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): ReadFile( ... ) for file descriptor for track descriptor %ld failed, status %ld ( 0x%X )\n",
                       static_cast<long>(i), static_cast<long>(s), s);
            return s;
        }
        if (n != FILE_BLOCK_BYTES) {
            s = MDS_STATUS_INCOMPLETE;
            DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): Readen %ld instead of %ld for file descriptor for track descriptor %ld, status %ld ( 0x%X )\n",
                       static_cast<long>(n), static_cast<long>(FILE_BLOCK_BYTES), static_cast<long>(i), static_cast<long>(s), s);
            return s;
        }
        const ULONG l__ULONG__TrackSize = LittleEndian32(l__UCHAR__FileBlock + FILE_BLOCK_TRACK_SIZE);
        DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): Track size in LBs %ld\n", static_cast<long>(l__ULONG__TrackSize));
        if (l__UCHAR__Type > TYPE_MODE1) *p__PUCHAR__Kind = 2;
        if (l__UCHAR__Type == TYPE_SOUND) r.m__SESSION_TRACK_ENTRY__Tracks[l__ULONG__Stored].m__UCHAR__IsSound = 1;
        const ULONG l__ULONG__Track = l__ULONG__Stored++;
        l__LONGLONG__Lengths[l__ULONG__Track] = int64_t(l__ULONG__TrackSize) - PREGAP_BLOCKS;

        const int64_t l__LONGLONG__NameOffset = LittleEndian32(l__UCHAR__FileBlock + FILE_BLOCK_NAME);
        if (!l__Seek(l__LONGLONG__NameOffset, &s, &l__LONGLONG__Landed)) {
            DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): SetFilePointer( ... ) for file name for track descriptor %ld failed, seek pointer %ld instead of %ld, status %ld ( 0x%X )\n",
                       static_cast<long>(i), static_cast<long>(l__LONGLONG__Landed), static_cast<long>(l__LONGLONG__NameOffset),
                       static_cast<long>(s), s);
            return s;
        }
        // One byte more than is read, so that the name is terminated whatever the file holds.
        CHAR l__CHAR__Name[MDS_IMAGE_FILE_NAME_SIZE + 1] = {};
        n = l__Read(reinterpret_cast<PUCHAR>(l__CHAR__Name), MDS_IMAGE_FILE_NAME_SIZE, &s);
        if (n < 0) {
            DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): ReadFile( ... ) for file name for track descriptor %ld failed, status %ld ( 0x%X )\n",
                       static_cast<long>(i), static_cast<long>(s), s);
            return s;
        }
        DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): File name is '%s'\n", l__CHAR__Name);
        // A name filling all 260 bytes has no room for its end: cut short, it would name another file.
        if (std::strlen(l__CHAR__Name) >= MDS_IMAGE_FILE_NAME_SIZE) {
            s = MDS_STATUS_BAD_FORMAT;
            DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): File name for track descriptor %ld is not terminated, status %ld ( 0x%X )\n",
                       static_cast<long>(i), static_cast<long>(s), s);
            return s;
        }
        std::memcpy(p__PCHAR__ImageFileName, l__CHAR__Name, MDS_IMAGE_FILE_NAME_SIZE);

        if (l__ULONG__TrackSize == 0) {
            DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): Zero-sized track ( %ld ), calculating track size from file size\n",
                       static_cast<long>(i));
            const std::string l__string__Path = std::string(p__PCHAR__Directory) + l__CHAR__Name;
            MdsHandle l__Image(PlatformFile::OpenRead(l__string__Path.c_str()));
            if (l__Image.Get() == PlatformFile::InvalidHandle) {
                s = FailedCallStatus();
                DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): CreateFile( ... ) for '%s' for track descriptor %ld failed, status %ld ( 0x%X )\n",
                           l__string__Path.c_str(), static_cast<long>(i), static_cast<long>(s), s);
                return s;
            }
            const int64_t l__LONGLONG__Size = PlatformFile::Size(l__Image.Get());
            if (l__LONGLONG__Size < 0) {
                s = FailedCallStatus();
                DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): GetFileSize( ... ) failed, status %ld (0x%X)\n", static_cast<long>(s), s);
                return s;
            }
            const int64_t l__LONGLONG__Blocks = l__LONGLONG__Size / RAW_PW_BLOCK_BYTES;
            DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): Zero-sized track ( %ld ), recalculated track size is %ld LBs\n",
                       static_cast<long>(i), static_cast<long>(l__LONGLONG__Blocks));
            l__LONGLONG__Lengths[l__ULONG__Track] = l__LONGLONG__Blocks - PREGAP_BLOCKS;
        }
    }
    if (l__ULONG__Stored > 0) l__LONGLONG__Lengths[l__ULONG__Stored - 1] += PREGAP_BLOCKS;
    // Every track must keep at least one block: a size of 150 or less before another track
    // (or 0 for the last) would be a negative or empty length.
    for (ULONG l__ULONG__Track = 0; l__ULONG__Track < l__ULONG__Stored; ++l__ULONG__Track) {
        const int64_t l__LONGLONG__Length = l__LONGLONG__Lengths[l__ULONG__Track];
        if (l__LONGLONG__Length < 1 || l__LONGLONG__Length > LARGEST_TRACK_BLOCKS) {
            s = MDS_STATUS_BAD_FORMAT;
            DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): Track %ld has a length of %ld LBs, status %ld ( 0x%X )\n",
                       static_cast<long>(l__ULONG__Track), static_cast<long>(l__LONGLONG__Length), static_cast<long>(s), s);
            std::memset(p__PSESSION_DESCRIPTOR__Session, 0, sizeof(*p__PSESSION_DESCRIPTOR__Session));
            return s;
        }
        r.m__ULONG__RawTrackBlocks[l__ULONG__Track] = static_cast<ULONG>(l__LONGLONG__Length);
    }
    r.m__ULONG__NumberOfRawTracks = l__ULONG__Stored;
    return MDS_STATUS_SUCCESS;
}
}  // namespace

BOOLEAN TarnwickI_IsISO(const char* p__PCHAR__FileName) {
    if (p__PCHAR__FileName == nullptr) return 0;
    std::unique_ptr<UCHAR[]> l__Buffer(new (std::nothrow) UCHAR[ISO_PROBE_BYTES]);
    if (!l__Buffer || !ReadHead(p__PCHAR__FileName, ISO_PROBE_BYTES, l__Buffer.get())) return 0;
    const BOOLEAN l__BOOLEAN__IsISO = std::memcmp(l__Buffer.get() + ISO_IDENTIFIER_OFFSET, "CD001", 5) == 0 ? 1 : 0;
    DebugPrint("\nTarnwick:TarnwickI_IsISO(): IsISO of '%s' is %ld\n", p__PCHAR__FileName, static_cast<long>(l__BOOLEAN__IsISO));
    return l__BOOLEAN__IsISO;
}

BOOLEAN TarnwickI_IsMDF(const char* p__PCHAR__FileName, PUCHAR p__PUCHAR__Mode) {
    if (p__PCHAR__FileName == nullptr || p__PUCHAR__Mode == nullptr) return 0;
    // The name test looks at an upper-cased copy; the file is opened by its own name.
    CHAR l__CHAR__Upper[MDF_NAME_BUFFER + 1] = {};
    std::strncpy(l__CHAR__Upper, p__PCHAR__FileName, MDF_NAME_BUFFER);
    for (CHAR& c : l__CHAR__Upper) c = static_cast<CHAR>(std::toupper(static_cast<unsigned char>(c)));
    if (std::strstr(l__CHAR__Upper, ".MDF") == nullptr && std::strstr(l__CHAR__Upper, ".XMF") == nullptr) {
        DebugPrint("\nTarnwick:TarnwickI_IsMDF(): File name extension is NOT correct!!!\n");
        return 0;
    }
    UCHAR l__UCHAR__Sector[RAW_SECTOR_BYTES];
    if (!ReadHead(p__PCHAR__FileName, RAW_SECTOR_BYTES, l__UCHAR__Sector)) return 0;
    BOOLEAN l__BOOLEAN__IsMDF = 0;
    if (std::memcmp(l__UCHAR__Sector, SYNC_PATTERN, sizeof(SYNC_PATTERN)) == 0) {
        l__BOOLEAN__IsMDF = 1;
        *p__PUCHAR__Mode = l__UCHAR__Sector[15] & 0x03;
    }
    DebugPrint("\nTarnwick:TarnwickI_IsMDF(): IsMDF of '%s' is %ld, MODE %ld\n", p__PCHAR__FileName,
               static_cast<long>(l__BOOLEAN__IsMDF), static_cast<long>(*p__PUCHAR__Mode));
    return l__BOOLEAN__IsMDF;
}

ULONG TarnwickI_ParseMDS(const char* p__PCHAR__MdsFileName, PSESSION_DESCRIPTOR p__PSESSION_DESCRIPTOR__Session,
                         PUCHAR p__PUCHAR__Kind, PCHAR p__PCHAR__ImageFileName, const char* p__PCHAR__Directory) {
    if (p__PCHAR__MdsFileName == nullptr || p__PSESSION_DESCRIPTOR__Session == nullptr || p__PUCHAR__Kind == nullptr ||
        p__PCHAR__ImageFileName == nullptr || p__PCHAR__Directory == nullptr) {
        return MDS_STATUS_GENERAL_FAILURE;
    }
    try {
        return ParseMDS(p__PCHAR__MdsFileName, p__PSESSION_DESCRIPTOR__Session, p__PUCHAR__Kind, p__PCHAR__ImageFileName,
                        p__PCHAR__Directory);
    } catch (...) {
        const ULONG s = MDS_STATUS_EXCEPTION;
        DebugPrint("\nTarnwick:TarnwickI_ParseMDS(): Exception, status %ld ( 0x%X )\n", static_cast<long>(s), s);
        return s;
    }
}
