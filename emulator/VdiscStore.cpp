#include "VdiscStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "CTarnwick_Bytes.h"

namespace {

// Version 1 files store records back to back. Version 2 files (all new ones) may pad a sector
// record so that it ends on a 64 KiB boundary: the file then grows in whole, aligned 64 KiB
// writes, which the kernel's page cache takes in large pieces at a fraction of the cost.
// The padding sits between a record's header and its payload, its length in header bytes
// 40-43 (zero in version 1). Programs that know only version 1 refuse version 2 files.
constexpr char FILE_MAGIC_V1[8] = {'T', 'W', 'V', 'D', 'I', 'S', 'C', '1'};
constexpr char FILE_MAGIC[8] = {'T', 'W', 'V', 'D', 'I', 'S', 'C', '2'};
constexpr uint64_t RECORD_ALIGNMENT = 64u << 10;
constexpr uint64_t MAX_PADDING_SHARE = 8;  // padding is at most an eighth of the payload
constexpr uint32_t FILE_HEADER_SIZE = 32;
constexpr uint32_t RECORD_MAGIC = 0x44524356u;   // "VCRD"
constexpr uint32_t TRAILER_MAGIC = 0x454E4F44u;  // "DONE"
constexpr uint32_t RECORD_HEADER_SIZE = 48;
constexpr uint32_t TRAILER_SIZE = 8;
constexpr uint32_t RECORD_STATE = 1;
constexpr uint32_t RECORD_SECTORS = 2;
constexpr uint64_t MAX_STATE_SIZE = 64u << 20;
// The file blocks a record's zeros are left out in: those are holes, read back as zeros.
constexpr uint64_t FILE_BLOCK = 4096;
const uint8_t g__UCHAR__Zeros[RECORD_ALIGNMENT] = {};

// The parts of a record in file order (header, padding, payload, trailer), from a file offset on.
struct RecordParts {
    uint64_t m__ULONGLONG__At;
    struct iovec m__Parts[4];

    // True when every byte of the record in [from, to) is zero.
    bool IsZero(uint64_t p__ULONGLONG__From, uint64_t p__ULONGLONG__To) const {
        uint64_t l__ULONGLONG__PartAt = m__ULONGLONG__At;
        for (const struct iovec& l__Part : m__Parts) {
            const uint64_t l__ULONGLONG__PartEnd = l__ULONGLONG__PartAt + l__Part.iov_len;
            const uint64_t l__ULONGLONG__From = std::max(p__ULONGLONG__From, l__ULONGLONG__PartAt);
            const uint64_t l__ULONGLONG__To = std::min(p__ULONGLONG__To, l__ULONGLONG__PartEnd);
            if (l__ULONGLONG__From < l__ULONGLONG__To && l__Part.iov_base != g__UCHAR__Zeros &&
                std::memcmp(static_cast<const uint8_t*>(l__Part.iov_base) + (l__ULONGLONG__From - l__ULONGLONG__PartAt), g__UCHAR__Zeros,
                            static_cast<size_t>(l__ULONGLONG__To - l__ULONGLONG__From)) != 0)
                return false;
            l__ULONGLONG__PartAt = l__ULONGLONG__PartEnd;
        }
        return true;
    }

    // Writes the record's bytes in [from, to) where they belong; false (errno set) when that fails.
    bool Write(int p__int__Fd, uint64_t p__ULONGLONG__From, uint64_t p__ULONGLONG__To) const {
        struct iovec l__Vectors[4];
        int l__int__Vectors = 0;
        uint64_t l__ULONGLONG__PartAt = m__ULONGLONG__At;
        for (const struct iovec& l__Part : m__Parts) {
            const uint64_t l__ULONGLONG__PartEnd = l__ULONGLONG__PartAt + l__Part.iov_len;
            const uint64_t l__ULONGLONG__From = std::max(p__ULONGLONG__From, l__ULONGLONG__PartAt);
            const uint64_t l__ULONGLONG__To = std::min(p__ULONGLONG__To, l__ULONGLONG__PartEnd);
            if (l__ULONGLONG__From < l__ULONGLONG__To)
                l__Vectors[l__int__Vectors++] = {static_cast<uint8_t*>(l__Part.iov_base) + (l__ULONGLONG__From - l__ULONGLONG__PartAt),
                                                 static_cast<size_t>(l__ULONGLONG__To - l__ULONGLONG__From)};
            l__ULONGLONG__PartAt = l__ULONGLONG__PartEnd;
        }
        uint64_t l__ULONGLONG__Done = p__ULONGLONG__From;
        int l__int__First = 0;
        while (l__ULONGLONG__Done < p__ULONGLONG__To) {
            ssize_t l__ssize_t__Wrote = pwritev(p__int__Fd, l__Vectors + l__int__First, l__int__Vectors - l__int__First, static_cast<off_t>(l__ULONGLONG__Done));
            if (l__ssize_t__Wrote < 0 && errno == EINTR) continue;
            if (l__ssize_t__Wrote <= 0) {
                if (l__ssize_t__Wrote == 0) errno = EIO;
                return false;
            }
            l__ULONGLONG__Done += static_cast<uint64_t>(l__ssize_t__Wrote);
            size_t l__size_t__Left = static_cast<size_t>(l__ssize_t__Wrote);
            while (l__int__First < l__int__Vectors && l__size_t__Left >= l__Vectors[l__int__First].iov_len)
                l__size_t__Left -= l__Vectors[l__int__First++].iov_len;
            if (l__int__First < l__int__Vectors) {
                l__Vectors[l__int__First].iov_base = static_cast<uint8_t*>(l__Vectors[l__int__First].iov_base) + l__size_t__Left;
                l__Vectors[l__int__First].iov_len -= l__size_t__Left;
            }
        }
        return true;
    }
};

// FNV-1a over the record header: tells a complete header from torn or stray bytes.
uint32_t Check(const uint8_t* p__PUCHAR__Data, size_t p__size_t__Length) {
    uint32_t l__ULONG__Hash = 2166136261u;
    for (size_t l__size_t__I = 0; l__size_t__I < p__size_t__Length; ++l__size_t__I) l__ULONG__Hash = (l__ULONG__Hash ^ p__PUCHAR__Data[l__size_t__I]) * 16777619u;
    return l__ULONG__Hash;
}

std::string SystemError(const char* p__PCHAR__What, const std::string& p__string__Path) {
    return std::string(p__PCHAR__What) + " '" + p__string__Path + "': " + std::strerror(errno);
}

bool ReadAll(int p__int__Fd, uint64_t p__ULONGLONG__Offset, void* p__PVOID__Out, size_t p__size_t__Length) {
    uint8_t* l__PUCHAR__Out = static_cast<uint8_t*>(p__PVOID__Out);
    while (p__size_t__Length > 0) {
        ssize_t l__ssize_t__Got = pread(p__int__Fd, l__PUCHAR__Out, p__size_t__Length, static_cast<off_t>(p__ULONGLONG__Offset));
        if (l__ssize_t__Got < 0 && errno == EINTR) continue;
        if (l__ssize_t__Got <= 0) return false;
        l__PUCHAR__Out += l__ssize_t__Got;
        p__ULONGLONG__Offset += static_cast<uint64_t>(l__ssize_t__Got);
        p__size_t__Length -= static_cast<size_t>(l__ssize_t__Got);
    }
    return true;
}

// The bytes a sector of each stored form takes; anything else is not a record this program wrote.
bool FormSizeOk(uint8_t p__UCHAR__Form, uint32_t p__ULONG__Size) {
    switch (static_cast<VdiscSectorForm>(p__UCHAR__Form)) {
        case VdiscSectorForm::Dvd2048:
        case VdiscSectorForm::Mode1User:
        case VdiscSectorForm::Mode2Form1User: return p__ULONG__Size == 2048;
        case VdiscSectorForm::Mode2Form2User: return p__ULONG__Size == 2324;
        case VdiscSectorForm::Mode2Formless: return p__ULONG__Size == 2336;
        case VdiscSectorForm::Mode2Subheader: return p__ULONG__Size == 2056 || p__ULONG__Size == 2332;
        case VdiscSectorForm::Audio:
        case VdiscSectorForm::Raw: return p__ULONG__Size == 2352;
        case VdiscSectorForm::RawPQ: return p__ULONG__Size == 2368;
        case VdiscSectorForm::RawPW: return p__ULONG__Size == 2448;
        case VdiscSectorForm::SubchannelOnly: return p__ULONG__Size == 96;
        default: return false;
    }
}

}  // namespace

VdiscStore::~VdiscStore() { Close(); }

void VdiscStore::Close() {
    if (m__int__Fd >= 0) ::close(m__int__Fd);
    m__int__Fd = -1;
    m__Extents.clear();
    m__ULONGLONG__End = 0;
}

bool VdiscStore::Create(const std::string& p__string__Path, const VdiscState& p__State, std::string& p__string__Error) {
    std::string l__string__Temporary = p__string__Path + ".new-" + std::to_string(getpid());
    int l__int__Fd = ::open(l__string__Temporary.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
    if (l__int__Fd < 0) {
        p__string__Error = SystemError("cannot create", l__string__Temporary);
        return false;
    }
    std::vector<uint8_t> l__Payload = p__State.Serialize();
    uint8_t l__UCHAR__FileHeader[FILE_HEADER_SIZE] = {};
    std::memcpy(l__UCHAR__FileHeader, FILE_MAGIC, 8);
    uint8_t l__UCHAR__Header[RECORD_HEADER_SIZE] = {};
    CTarnwick_Bytes::PutLittleEndian32(l__UCHAR__Header, RECORD_MAGIC);
    CTarnwick_Bytes::PutLittleEndian32(l__UCHAR__Header + 4, RECORD_STATE);
    CTarnwick_Bytes::PutLittleEndian64(l__UCHAR__Header + 8, l__Payload.size());
    CTarnwick_Bytes::PutLittleEndian64(l__UCHAR__Header + 16, 1);
    CTarnwick_Bytes::PutLittleEndian32(l__UCHAR__Header + 44, Check(l__UCHAR__Header, 44));
    uint8_t l__UCHAR__Trailer[TRAILER_SIZE];
    CTarnwick_Bytes::PutLittleEndian32(l__UCHAR__Trailer, TRAILER_MAGIC);
    CTarnwick_Bytes::PutLittleEndian32(l__UCHAR__Trailer + 4, CTarnwick_Bytes::GetLittleEndian32(l__UCHAR__Header + 44));
    struct iovec l__Vectors[4] = {{l__UCHAR__FileHeader, sizeof(l__UCHAR__FileHeader)},
                                  {l__UCHAR__Header, sizeof(l__UCHAR__Header)},
                                  {l__Payload.data(), l__Payload.size()},
                                  {l__UCHAR__Trailer, sizeof(l__UCHAR__Trailer)}};
    size_t l__size_t__Total = FILE_HEADER_SIZE + RECORD_HEADER_SIZE + l__Payload.size() + TRAILER_SIZE;
    bool l__bool__Ok = pwritev(l__int__Fd, l__Vectors, 4, 0) == static_cast<ssize_t>(l__size_t__Total) && fsync(l__int__Fd) == 0;
    if (!l__bool__Ok) p__string__Error = SystemError("cannot write", l__string__Temporary);
    ::close(l__int__Fd);
    if (l__bool__Ok && ::rename(l__string__Temporary.c_str(), p__string__Path.c_str()) != 0) {
        p__string__Error = SystemError("cannot rename onto", p__string__Path);
        l__bool__Ok = false;
    }
    if (!l__bool__Ok) ::unlink(l__string__Temporary.c_str());
    return l__bool__Ok;
}

bool VdiscStore::Open(const std::string& p__string__Path, bool p__bool__Writable, std::string& p__string__Error) {
    Close();
    m__string__Path = p__string__Path;
    m__bool__Writable = p__bool__Writable;
    m__int__Fd = ::open(p__string__Path.c_str(), (p__bool__Writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (m__int__Fd < 0) {
        p__string__Error = SystemError("cannot open", p__string__Path);
        return false;
    }
    struct stat l__Stat {};
    fstat(m__int__Fd, &l__Stat);
    m__Device = l__Stat.st_dev;
    m__Inode = l__Stat.st_ino;
    char l__CHAR__Magic[FILE_HEADER_SIZE] = {};
    const bool l__bool__Read = ReadAll(m__int__Fd, 0, l__CHAR__Magic, FILE_HEADER_SIZE);
    m__bool__PadsRecords = l__bool__Read && std::memcmp(l__CHAR__Magic, FILE_MAGIC, 8) == 0;
    if (!l__bool__Read || (!m__bool__PadsRecords && std::memcmp(l__CHAR__Magic, FILE_MAGIC_V1, 8) != 0)) {
        p__string__Error = "'" + p__string__Path + "' is not a disc file";
        Close();
        return false;
    }
    m__State = VdiscState();
    m__ULONGLONG__End = FILE_HEADER_SIZE;
    if (!Scan(FILE_HEADER_SIZE, p__string__Error)) {
        Close();
        return false;
    }
    if (m__State.m__Kind == VdiscMediumKind::None && m__ULONGLONG__Sequence == 0) {
        p__string__Error = "'" + p__string__Path + "' holds no complete disc state";
        Close();
        return false;
    }
    return true;
}

bool VdiscStore::Scan(uint64_t p__ULONGLONG__From, std::string& p__string__Error) {
    struct stat l__Stat {};
    if (fstat(m__int__Fd, &l__Stat) != 0) {
        p__string__Error = SystemError("cannot stat", m__string__Path);
        return false;
    }
    const uint64_t l__ULONGLONG__Size = static_cast<uint64_t>(l__Stat.st_size);
    uint64_t l__ULONGLONG__At = p__ULONGLONG__From;
    std::vector<uint8_t> l__Payload;
    while (l__ULONGLONG__At + RECORD_HEADER_SIZE + TRAILER_SIZE <= l__ULONGLONG__Size) {
        uint8_t l__UCHAR__Header[RECORD_HEADER_SIZE];
        if (!ReadAll(m__int__Fd, l__ULONGLONG__At, l__UCHAR__Header, RECORD_HEADER_SIZE)) break;
        if (CTarnwick_Bytes::GetLittleEndian32(l__UCHAR__Header) != RECORD_MAGIC || CTarnwick_Bytes::GetLittleEndian32(l__UCHAR__Header + 44) != Check(l__UCHAR__Header, 44)) break;
        uint32_t l__ULONG__Type = CTarnwick_Bytes::GetLittleEndian32(l__UCHAR__Header + 4);
        uint64_t l__ULONGLONG__Length = CTarnwick_Bytes::GetLittleEndian64(l__UCHAR__Header + 8);
        const uint64_t l__ULONGLONG__Padding = CTarnwick_Bytes::GetLittleEndian32(l__UCHAR__Header + 40);
        if (l__ULONGLONG__Padding != 0 && (!m__bool__PadsRecords || l__ULONGLONG__Padding >= RECORD_ALIGNMENT)) break;
        if (l__ULONGLONG__Length > l__ULONGLONG__Size - l__ULONGLONG__At - RECORD_HEADER_SIZE - TRAILER_SIZE ||
            l__ULONGLONG__Padding > l__ULONGLONG__Size - l__ULONGLONG__At - RECORD_HEADER_SIZE - TRAILER_SIZE - l__ULONGLONG__Length)
            break;
        uint8_t l__UCHAR__Trailer[TRAILER_SIZE];
        uint64_t l__ULONGLONG__PayloadAt = l__ULONGLONG__At + RECORD_HEADER_SIZE + l__ULONGLONG__Padding;
        if (!ReadAll(m__int__Fd, l__ULONGLONG__PayloadAt + l__ULONGLONG__Length, l__UCHAR__Trailer, TRAILER_SIZE)) break;
        if (CTarnwick_Bytes::GetLittleEndian32(l__UCHAR__Trailer) != TRAILER_MAGIC || CTarnwick_Bytes::GetLittleEndian32(l__UCHAR__Trailer + 4) != CTarnwick_Bytes::GetLittleEndian32(l__UCHAR__Header + 44)) break;
        if (l__ULONG__Type == RECORD_STATE) {
            if (l__ULONGLONG__Length > MAX_STATE_SIZE) break;
            l__Payload.resize(l__ULONGLONG__Length);
            if (!ReadAll(m__int__Fd, l__ULONGLONG__PayloadAt, l__Payload.data(), l__Payload.size())) break;
            if (!m__State.Deserialize(l__Payload.data(), l__Payload.size())) {
                p__string__Error = "'" + m__string__Path + "' holds a disc state this program cannot read";
                return false;
            }
        } else if (l__ULONG__Type == RECORD_SECTORS) {
            VdiscExtent l__Extent;
            int32_t l__LONG__Lba = static_cast<int32_t>(CTarnwick_Bytes::GetLittleEndian32(l__UCHAR__Header + 24));
            l__Extent.m__LONG__Count = static_cast<int32_t>(CTarnwick_Bytes::GetLittleEndian32(l__UCHAR__Header + 28));
            l__Extent.m__USHORT__Size = static_cast<uint16_t>(CTarnwick_Bytes::GetLittleEndian16(l__UCHAR__Header + 32));
            l__Extent.m__Form = static_cast<VdiscSectorForm>(l__UCHAR__Header[34]);
            std::memcpy(l__Extent.m__UCHAR__Subheader, l__UCHAR__Header + 36, 4);
            l__Extent.m__ULONGLONG__Offset = l__ULONGLONG__PayloadAt;
            if (l__Extent.m__LONG__Count <= 0 || static_cast<int64_t>(l__LONG__Lba) + l__Extent.m__LONG__Count > INT32_MAX || static_cast<uint64_t>(l__Extent.m__LONG__Count) * l__Extent.m__USHORT__Size != l__ULONGLONG__Length ||
                !FormSizeOk(l__UCHAR__Header[34], l__Extent.m__USHORT__Size))
                break;
            Index(l__LONG__Lba, l__Extent);
            m__State.NoteWritten(l__LONG__Lba, static_cast<uint32_t>(l__Extent.m__LONG__Count), l__Extent.m__Form, l__UCHAR__Header[35]);
        }
        m__ULONGLONG__Sequence = CTarnwick_Bytes::GetLittleEndian64(l__UCHAR__Header + 16);
        l__ULONGLONG__At = l__ULONGLONG__PayloadAt + l__ULONGLONG__Length + TRAILER_SIZE;
    }
    m__ULONGLONG__End = l__ULONGLONG__At;
    m__bool__NeedsTruncate = l__ULONGLONG__At < l__ULONGLONG__Size;
    return true;
}

bool VdiscStore::Refresh(std::string& p__string__Error) {
    if (m__int__Fd < 0) return Open(m__string__Path, m__bool__Writable, p__string__Error);
    struct stat l__Stat {};
    if (::stat(m__string__Path.c_str(), &l__Stat) != 0 || l__Stat.st_ino != m__Inode || l__Stat.st_dev != m__Device ||
        static_cast<uint64_t>(l__Stat.st_size) < m__ULONGLONG__End) {
        m__bool__Replaced = true;
        return Open(m__string__Path, m__bool__Writable, p__string__Error);
    }
    if (static_cast<uint64_t>(l__Stat.st_size) > m__ULONGLONG__End) return Scan(m__ULONGLONG__End, p__string__Error);
    return true;
}

void VdiscStore::Index(int32_t p__LONG__Lba, const VdiscExtent& p__Extent) {
    const int32_t l__LONG__End = p__LONG__Lba + p__Extent.m__LONG__Count;
    // Clip whatever the new run overlaps.
    auto l__It = m__Extents.lower_bound(p__LONG__Lba);
    if (l__It != m__Extents.begin()) {
        auto l__Before = std::prev(l__It);
        int32_t l__LONG__BeforeEnd = l__Before->first + l__Before->second.m__LONG__Count;
        if (l__LONG__BeforeEnd > p__LONG__Lba) {
            if (l__LONG__BeforeEnd > l__LONG__End) {
                VdiscExtent l__Tail = l__Before->second;
                l__Tail.m__LONG__Count = l__LONG__BeforeEnd - l__LONG__End;
                l__Tail.m__ULONGLONG__Offset += static_cast<uint64_t>(l__LONG__End - l__Before->first) * l__Tail.m__USHORT__Size;
                m__Extents[l__LONG__End] = l__Tail;
            }
            l__Before->second.m__LONG__Count = p__LONG__Lba - l__Before->first;
        }
    }
    l__It = m__Extents.lower_bound(p__LONG__Lba);
    while (l__It != m__Extents.end() && l__It->first < l__LONG__End) {
        int32_t l__LONG__ItEnd = l__It->first + l__It->second.m__LONG__Count;
        if (l__LONG__ItEnd > l__LONG__End) {
            VdiscExtent l__Tail = l__It->second;
            l__Tail.m__LONG__Count = l__LONG__ItEnd - l__LONG__End;
            l__Tail.m__ULONGLONG__Offset += static_cast<uint64_t>(l__LONG__End - l__It->first) * l__Tail.m__USHORT__Size;
            m__Extents.erase(l__It);
            m__Extents[l__LONG__End] = l__Tail;
            break;
        }
        l__It = m__Extents.erase(l__It);
    }
    m__Extents[p__LONG__Lba] = p__Extent;
}

bool VdiscStore::AppendRecord(uint32_t p__ULONG__Type, int32_t p__LONG__Lba, uint32_t p__ULONG__Count, uint16_t p__USHORT__Size,
                              uint8_t p__UCHAR__Form, const uint8_t* p__PUCHAR__Subheader, const uint8_t* p__PUCHAR__Payload,
                              uint64_t p__ULONGLONG__Length, std::string& p__string__Error, uint8_t p__UCHAR__Control,
                              uint64_t* p__PULONGLONG__PayloadAt) {
    if (m__int__Fd < 0 || !m__bool__Writable) {
        p__string__Error = "disc file is not open for writing";
        return false;
    }
    // One appender at a time; records another program appended meanwhile are taken in first.
    struct Unlock {
        int m__int__Fd;
        ~Unlock() { flock(m__int__Fd, LOCK_UN); }
    };
    flock(m__int__Fd, LOCK_EX);
    Unlock l__Unlock{m__int__Fd};
    struct stat l__Stat {};
    if (fstat(m__int__Fd, &l__Stat) != 0) {
        p__string__Error = SystemError("cannot stat", m__string__Path);
        return false;
    }
    // (What looked torn when the file was opened may have been a record another writer was
    // finishing; under the lock it is either complete now or really torn.)
    if (static_cast<uint64_t>(l__Stat.st_size) > m__ULONGLONG__End && !Scan(m__ULONGLONG__End, p__string__Error)) return false;
    // Nothing may follow the last complete record: the zeros of the new one are left unwritten
    // and must read back as zeros.
    if (m__bool__NeedsTruncate) {
        if (ftruncate(m__int__Fd, static_cast<off_t>(m__ULONGLONG__End)) != 0) {
            p__string__Error = SystemError("cannot truncate", m__string__Path);
            return false;
        }
        m__bool__NeedsTruncate = false;
    }
    // A sector record of a version 2 file ends on the next 64 KiB boundary when that costs at
    // most an eighth of its payload. A stream of records of one size (the blocks of a burn)
    // falls into step within a few records and then stays aligned.
    const uint64_t l__ULONGLONG__Unpadded = RECORD_HEADER_SIZE + p__ULONGLONG__Length + TRAILER_SIZE;
    uint64_t l__ULONGLONG__Padding = (RECORD_ALIGNMENT - (m__ULONGLONG__End + l__ULONGLONG__Unpadded) % RECORD_ALIGNMENT) % RECORD_ALIGNMENT;
    if (!m__bool__PadsRecords || p__ULONG__Type != RECORD_SECTORS || l__ULONGLONG__Padding > p__ULONGLONG__Length / MAX_PADDING_SHARE)
        l__ULONGLONG__Padding = 0;
    uint8_t l__UCHAR__Header[RECORD_HEADER_SIZE] = {};
    CTarnwick_Bytes::PutLittleEndian32(l__UCHAR__Header, RECORD_MAGIC);
    CTarnwick_Bytes::PutLittleEndian32(l__UCHAR__Header + 4, p__ULONG__Type);
    CTarnwick_Bytes::PutLittleEndian64(l__UCHAR__Header + 8, p__ULONGLONG__Length);
    CTarnwick_Bytes::PutLittleEndian64(l__UCHAR__Header + 16, m__ULONGLONG__Sequence + 1);
    CTarnwick_Bytes::PutLittleEndian32(l__UCHAR__Header + 24, static_cast<uint32_t>(p__LONG__Lba));
    CTarnwick_Bytes::PutLittleEndian32(l__UCHAR__Header + 28, p__ULONG__Count);
    CTarnwick_Bytes::PutLittleEndian16(l__UCHAR__Header + 32, p__USHORT__Size);
    l__UCHAR__Header[34] = p__UCHAR__Form;
    l__UCHAR__Header[35] = p__UCHAR__Control;
    if (p__PUCHAR__Subheader != nullptr) std::memcpy(l__UCHAR__Header + 36, p__PUCHAR__Subheader, 4);
    CTarnwick_Bytes::PutLittleEndian32(l__UCHAR__Header + 40, static_cast<uint32_t>(l__ULONGLONG__Padding));
    CTarnwick_Bytes::PutLittleEndian32(l__UCHAR__Header + 44, Check(l__UCHAR__Header, 44));
    uint8_t l__UCHAR__Trailer[TRAILER_SIZE];
    CTarnwick_Bytes::PutLittleEndian32(l__UCHAR__Trailer, TRAILER_MAGIC);
    CTarnwick_Bytes::PutLittleEndian32(l__UCHAR__Trailer + 4, CTarnwick_Bytes::GetLittleEndian32(l__UCHAR__Header + 44));
    const uint64_t l__ULONGLONG__Total = l__ULONGLONG__Unpadded + l__ULONGLONG__Padding;
    if (p__PULONGLONG__PayloadAt != nullptr) *p__PULONGLONG__PayloadAt = m__ULONGLONG__End + RECORD_HEADER_SIZE + l__ULONGLONG__Padding;
    const RecordParts l__Record{m__ULONGLONG__End,
                                {{l__UCHAR__Header, RECORD_HEADER_SIZE},
                                 {const_cast<uint8_t*>(g__UCHAR__Zeros), static_cast<size_t>(l__ULONGLONG__Padding)},
                                 {const_cast<uint8_t*>(p__PUCHAR__Payload), static_cast<size_t>(p__ULONGLONG__Length)},
                                 {l__UCHAR__Trailer, TRAILER_SIZE}}};
    // Written in file order, each run of file blocks that holds anything but zeros in one call;
    // blocks of zeros only are skipped and stay holes. The header opens the first run and the
    // trailer closes the last, so the trailer is on disk only once all before it is.
    const uint64_t l__ULONGLONG__Finish = m__ULONGLONG__End + l__ULONGLONG__Total;
    uint64_t l__ULONGLONG__RunFrom = m__ULONGLONG__End;
    for (uint64_t l__ULONGLONG__Block = m__ULONGLONG__End - m__ULONGLONG__End % FILE_BLOCK; l__ULONGLONG__Block < l__ULONGLONG__Finish;
         l__ULONGLONG__Block += FILE_BLOCK) {
        const uint64_t l__ULONGLONG__From = std::max(l__ULONGLONG__Block, m__ULONGLONG__End);
        const uint64_t l__ULONGLONG__To = std::min(l__ULONGLONG__Block + FILE_BLOCK, l__ULONGLONG__Finish);
        const bool l__bool__Zero = l__Record.IsZero(l__ULONGLONG__From, l__ULONGLONG__To);
        const bool l__bool__Last = l__ULONGLONG__To == l__ULONGLONG__Finish;
        if (!l__bool__Zero && !l__bool__Last) continue;  // the run goes on
        const uint64_t l__ULONGLONG__RunTo = l__bool__Zero ? l__ULONGLONG__From : l__ULONGLONG__To;
        if (l__ULONGLONG__RunFrom < l__ULONGLONG__RunTo && !l__Record.Write(m__int__Fd, l__ULONGLONG__RunFrom, l__ULONGLONG__RunTo)) {
            p__string__Error = SystemError("cannot write", m__string__Path);
            m__bool__NeedsTruncate = true;
            return false;
        }
        l__ULONGLONG__RunFrom = l__ULONGLONG__To;
    }
    m__ULONGLONG__Sequence++;
    m__ULONGLONG__End += l__ULONGLONG__Total;
    return true;
}

bool VdiscStore::CommitState(std::string& p__string__Error) {
    std::vector<uint8_t> l__Payload = m__State.Serialize();
    return AppendRecord(RECORD_STATE, 0, 0, 0, 0, nullptr, l__Payload.data(), l__Payload.size(), p__string__Error);
}

bool VdiscStore::Erase(std::string& p__string__Error, int32_t p__LONG__KeepBelow) {
    const VdiscState l__State = m__State;
    const std::string l__string__Temporary = m__string__Path + ".erase-" + std::to_string(getpid());
    bool l__bool__Ok = Create(l__string__Temporary, l__State, p__string__Error);
    if (l__bool__Ok && p__LONG__KeepBelow != INT32_MIN) {
        // Copy what survives into the new file, then state the disc once more after it.
        VdiscStore l__New;
        l__bool__Ok = l__New.Open(l__string__Temporary, true, p__string__Error);
        std::vector<uint8_t> l__Buffer;
        for (auto l__It = m__Extents.begin(); l__bool__Ok && l__It != m__Extents.end() && l__It->first < p__LONG__KeepBelow; ++l__It) {
            const VdiscExtent& l__Extent = l__It->second;
            int32_t l__LONG__Count = std::min(l__Extent.m__LONG__Count, p__LONG__KeepBelow - l__It->first);
            l__Buffer.resize(static_cast<size_t>(l__LONG__Count) * l__Extent.m__USHORT__Size);
            l__bool__Ok = ReadAll(m__int__Fd, l__Extent.m__ULONGLONG__Offset, l__Buffer.data(), l__Buffer.size()) &&
                          l__New.AppendSectors(l__It->first, static_cast<uint32_t>(l__LONG__Count), l__Extent.m__USHORT__Size, l__Extent.m__Form,
                                               l__Extent.m__UCHAR__Subheader, l__Buffer.data(), p__string__Error);
        }
        if (l__bool__Ok) {
            l__New.m__State = l__State;
            l__bool__Ok = l__New.CommitState(p__string__Error) && fsync(l__New.m__int__Fd) == 0;
        }
    }
    if (l__bool__Ok && ::rename(l__string__Temporary.c_str(), m__string__Path.c_str()) != 0) {
        p__string__Error = SystemError("cannot rename onto", m__string__Path);
        l__bool__Ok = false;
    }
    if (!l__bool__Ok) {
        ::unlink(l__string__Temporary.c_str());
        return false;
    }
    return Open(m__string__Path, m__bool__Writable, p__string__Error);
}

bool VdiscStore::AppendSectors(int32_t p__LONG__Lba, uint32_t p__ULONG__Count, uint16_t p__USHORT__Size, VdiscSectorForm p__Form,
                               const uint8_t* p__PUCHAR__Subheader, const uint8_t* p__PUCHAR__Data, std::string& p__string__Error,
                               uint8_t p__UCHAR__Control) {
    uint64_t l__ULONGLONG__Length = static_cast<uint64_t>(p__ULONG__Count) * p__USHORT__Size;
    // Where the payload lands is known only under the append lock (another program may have
    // appended records meanwhile).
    uint64_t l__ULONGLONG__PayloadAt = 0;
    if (!AppendRecord(RECORD_SECTORS, p__LONG__Lba, p__ULONG__Count, p__USHORT__Size, static_cast<uint8_t>(p__Form), p__PUCHAR__Subheader,
                      p__PUCHAR__Data, l__ULONGLONG__Length, p__string__Error, p__UCHAR__Control, &l__ULONGLONG__PayloadAt))
        return false;
    VdiscExtent l__Extent;
    l__Extent.m__LONG__Count = static_cast<int32_t>(p__ULONG__Count);
    l__Extent.m__USHORT__Size = p__USHORT__Size;
    l__Extent.m__Form = p__Form;
    if (p__PUCHAR__Subheader != nullptr) std::memcpy(l__Extent.m__UCHAR__Subheader, p__PUCHAR__Subheader, 4);
    l__Extent.m__ULONGLONG__Offset = l__ULONGLONG__PayloadAt;
    Index(p__LONG__Lba, l__Extent);
    m__State.NoteWritten(p__LONG__Lba, p__ULONG__Count, p__Form, p__UCHAR__Control);
    return true;
}

bool VdiscStore::Find(int32_t p__LONG__Lba, VdiscExtent& p__Extent, uint64_t& p__ULONGLONG__Offset) const {
    auto l__It = m__Extents.upper_bound(p__LONG__Lba);
    if (l__It == m__Extents.begin()) return false;
    --l__It;
    if (p__LONG__Lba >= l__It->first + l__It->second.m__LONG__Count) return false;
    p__Extent = l__It->second;
    p__ULONGLONG__Offset = l__It->second.m__ULONGLONG__Offset + static_cast<uint64_t>(p__LONG__Lba - l__It->first) * l__It->second.m__USHORT__Size;
    return true;
}

bool VdiscStore::ReadStored(uint64_t p__ULONGLONG__Offset, uint32_t p__ULONG__Length, uint8_t* p__PUCHAR__Out) const {
    return ReadAll(m__int__Fd, p__ULONGLONG__Offset, p__PUCHAR__Out, p__ULONG__Length);
}
