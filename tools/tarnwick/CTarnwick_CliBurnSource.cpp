#include "CTarnwick_CliBurnSource.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "sonquill.h"

bool CTarnwick_CliBurnSource::IsVolumeImage(const std::string& p__string__Path) {
    std::ifstream l__File(p__string__Path, std::ios::binary);
    if (!l__File) return false;
    // The volume recognition sequence of UDF and the descriptors of ISO9660 start at sector
    // 16; UDF puts "BEA01" first, then "NSR02"/"NSR03" a few sectors on.
    for (int l__int__Sector = 16; l__int__Sector < 32; ++l__int__Sector) {
        char l__CHAR__Header[6] = {};
        l__File.seekg(static_cast<std::streamoff>(l__int__Sector) * 2048);
        if (!l__File.read(l__CHAR__Header, sizeof(l__CHAR__Header))) return false;
        const std::string l__string__Id(l__CHAR__Header + 1, 5);
        if (l__string__Id == "CD001" || l__string__Id == "BEA01" || l__string__Id == "NSR02" || l__string__Id == "NSR03")
            return true;
        // A sector that is not a descriptor of either sequence ends the search.
        if (l__string__Id != "BOOT2" && l__string__Id != "TEA01" && l__string__Id != "CDW02") return false;
    }
    return false;
}

bool CTarnwick_CliBurnSource::IsRawDescriptor(const std::string& p__string__Path) {
    std::string l__string__Extension = std::filesystem::path(p__string__Path).extension().string();
    std::transform(l__string__Extension.begin(), l__string__Extension.end(), l__string__Extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (l__string__Extension == ".mds") return true;
    std::ifstream l__File(p__string__Path, std::ios::binary);
    char l__CHAR__Signature[16] = {};
    return l__File.read(l__CHAR__Signature, sizeof(l__CHAR__Signature)) &&
           std::memcmp(l__CHAR__Signature, "MEDIA DESCRIPTOR", sizeof(l__CHAR__Signature)) == 0;
}

bool CTarnwick_CliBurnSource::DecodedSize(const std::string& p__string__Path, uint64_t& p__Size) {
    std::string l__string__Name = p__string__Path;
    if (Sonquill_CompressedFileSupportedIs(l__string__Name.data()) != 0) return false;
    PVOID l__PVOID__Reader = nullptr;
    if (Sonquill_CompressedFileReaderObjectCreate(&l__PVOID__Reader, l__string__Name.data()) != 0) return false;
    ULONG l__ULONG__Size = 0;
    const ULONG l__ULONG__Status = Sonquill_CompressedFileReaderObjectUncompressedSizeGet(l__PVOID__Reader, &l__ULONG__Size);
    Sonquill_CompressedFileReaderObjectDestroy(&l__PVOID__Reader);
    if (l__ULONG__Status != 0) return false;
    p__Size = l__ULONG__Size;
    return true;
}

bool CTarnwick_CliBurnSource::Classify(const std::string& p__string__Path, std::string& p__string__Error) {
    m__string__Path = p__string__Path;
    std::error_code l__Error;
    const std::filesystem::file_status l__Status = std::filesystem::status(p__string__Path, l__Error);
    if (l__Error || !std::filesystem::exists(l__Status)) {
        p__string__Error = std::string("no such file or directory: ").append(p__string__Path);
        return false;
    }
    if (std::filesystem::is_directory(l__Status)) {
        m__Kind = Kind::Tree;
        m__bool__IsDirectory = true;
        return true;
    }
    if (!std::ifstream(p__string__Path, std::ios::binary)) {
        p__string__Error = std::string("cannot read ").append(p__string__Path);
        return false;
    }
    const uint64_t l__Size = std::filesystem::file_size(p__string__Path, l__Error);
    if (IsRawDescriptor(p__string__Path)) {
        m__Kind = Kind::Raw;
        // The raw image beside it (same name, another extension) gives the size in 2448-byte
        // blocks, for the progress; the descriptor itself names it to the burn.
        const std::filesystem::path l__Descriptor(p__string__Path);
        for (const char* l__PCHAR__Extension : {".mdf", ".img", ".bin", ".MDF", ".IMG", ".BIN"}) {
            std::filesystem::path l__Image = l__Descriptor;
            l__Image.replace_extension(l__PCHAR__Extension);
            std::error_code l__ImageError;
            const uint64_t l__ImageSize = std::filesystem::file_size(l__Image, l__ImageError);
            if (!l__ImageError) {
                m__Bytes = l__ImageSize;
                break;
            }
        }
        return true;
    }
    if (IsVolumeImage(p__string__Path)) {
        m__Kind = Kind::Image;
        m__Bytes = l__Error ? 0 : l__Size;
        return true;
    }
    uint64_t l__Decoded = 0;
    if (DecodedSize(p__string__Path, l__Decoded)) {
        m__Kind = Kind::Sound;
        m__Bytes = l__Decoded;
        return true;
    }
    m__Kind = Kind::Tree;
    return true;
}

uint64_t CTarnwick_CliBurnSource::Blocks() const {
    const uint64_t l__Block = m__Kind == Kind::Sound ? 2352 : m__Kind == Kind::Raw ? 2448 : 2048;
    return (m__Bytes + l__Block - 1) / l__Block;
}

const char* CTarnwick_CliBurnSource::KindName() const {
    switch (m__Kind) {
        case Kind::Raw: return "raw";
        case Kind::Image: return "image";
        case Kind::Sound: return "audio";
        default: return "files";
    }
}
