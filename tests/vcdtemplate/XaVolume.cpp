#include "XaVolume.h"

#include <fstream>
#include <iterator>

#include "CTarnwick_Bytes.h"

namespace {

constexpr ULONG g__ULONG__Block = 2048;

// True when the both-endian 32-bit number at p__PUCHAR__At has equal halves; its value in *p__PULONG__Value.
bool BothEndian32(const UCHAR* p__PUCHAR__At, ULONG* p__PULONG__Value) {
    *p__PULONG__Value = CTarnwick_Bytes::GetLittleEndian32(p__PUCHAR__At);
    return *p__PULONG__Value == CTarnwick_Bytes::GetBigEndian32(p__PUCHAR__At + 4);
}

}  // namespace

bool XaVolume::Load(std::string& p__string__Error) {
    m__Records.clear();
    const std::vector<UCHAR> l__Pvd = m__Reader(16);
    if (l__Pvd.size() != g__ULONG__Block || l__Pvd[0] != 1 || std::string(l__Pvd.begin() + 1, l__Pvd.begin() + 6) != "CD001") {
        p__string__Error = "no primary volume descriptor at sector 16";
        return false;
    }
    ULONG l__ULONG__RootLba = 0;
    ULONG l__ULONG__RootSize = 0;
    if (!BothEndian32(&l__Pvd[156 + 2], &l__ULONG__RootLba) || !BothEndian32(&l__Pvd[156 + 10], &l__ULONG__RootSize)) {
        p__string__Error = "the root record's both-endian numbers disagree";
        return false;
    }
    return Walk(l__ULONG__RootLba, l__ULONG__RootSize, "", 0, p__string__Error);
}

bool XaVolume::Walk(ULONG p__ULONG__Lba, ULONG p__ULONG__Size, const std::string& p__string__Path, int p__int__Depth,
                    std::string& p__string__Error) {
    // A VideoCD tree is two levels deep; anything deeper is a loop or garbage.
    if (p__int__Depth > 8) {
        p__string__Error = "directories nested too deep under " + p__string__Path;
        return false;
    }
    std::vector<std::pair<std::string, XaRecord>> l__Subdirectories;
    for (ULONG l__ULONG__Sector = 0; l__ULONG__Sector * g__ULONG__Block < p__ULONG__Size; ++l__ULONG__Sector) {
        const std::vector<UCHAR> l__Data = m__Reader(p__ULONG__Lba + l__ULONG__Sector);
        if (l__Data.size() != g__ULONG__Block) {
            p__string__Error = "directory " + p__string__Path + "/ runs past the image";
            return false;
        }
        ULONG l__ULONG__At = 0;
        // A record never crosses a sector; a zero length byte ends the sector's records.
        while (l__ULONG__At < g__ULONG__Block && l__Data[l__ULONG__At] != 0) {
            const ULONG l__ULONG__Length = l__Data[l__ULONG__At];
            const ULONG l__ULONG__NameLength = l__ULONG__Length >= 33 ? l__Data[l__ULONG__At + 32] : 0;
            if (l__ULONG__Length < 34 || l__ULONG__At + l__ULONG__Length > g__ULONG__Block ||
                33 + l__ULONG__NameLength > l__ULONG__Length) {
                p__string__Error = "malformed record in " + p__string__Path + "/ at byte " + std::to_string(l__ULONG__At);
                return false;
            }
            const UCHAR* l__PUCHAR__Record = &l__Data[l__ULONG__At];
            XaRecord l__Record;
            // The one-byte names 0 and 1 are the directory itself and its parent.
            const bool l__bool__Special = l__ULONG__NameLength == 1 && l__PUCHAR__Record[33] <= 1;
            const std::string l__string__Name =
                l__bool__Special ? std::string(l__PUCHAR__Record[33] == 0 ? "." : "..")
                                 : std::string(reinterpret_cast<const char*>(l__PUCHAR__Record + 33), l__ULONG__NameLength);
            l__Record.m__string__Path = p__string__Path + "/" + l__string__Name;
            l__Record.m__ULONG__ImageOffset = (p__ULONG__Lba + l__ULONG__Sector) * g__ULONG__Block + l__ULONG__At;
            l__Record.m__ULONG__Length = l__ULONG__Length;
            const bool l__bool__Extent = BothEndian32(l__PUCHAR__Record + 2, &l__Record.m__ULONG__Lba);
            const bool l__bool__Size = BothEndian32(l__PUCHAR__Record + 10, &l__Record.m__ULONG__Size);
            l__Record.m__bool__BothEndianAgree = l__bool__Extent && l__bool__Size;
            l__Record.m__UCHAR__Flags = l__PUCHAR__Record[25];
            l__Record.m__UCHAR__UnitSize = l__PUCHAR__Record[26];
            l__Record.m__UCHAR__Gap = l__PUCHAR__Record[27];
            l__Record.m__ULONG__VolumeSequence = CTarnwick_Bytes::GetLittleEndian16(l__PUCHAR__Record + 28);
            const ULONG l__ULONG__SystemUse = 33 + l__ULONG__NameLength + ((33 + l__ULONG__NameLength) & 1);
            if (l__ULONG__SystemUse < l__ULONG__Length) {
                l__Record.m__SystemUse.assign(l__PUCHAR__Record + l__ULONG__SystemUse, l__PUCHAR__Record + l__ULONG__Length);
            }
            if ((l__Record.m__UCHAR__Flags & 0x02) != 0 && l__string__Name != "." && l__string__Name != "..") {
                l__Subdirectories.emplace_back(l__Record.m__string__Path, l__Record);
            }
            m__Records.push_back(l__Record);
            l__ULONG__At += l__ULONG__Length;
        }
    }
    for (const auto& l__Subdirectory : l__Subdirectories) {
        if (!Walk(l__Subdirectory.second.m__ULONG__Lba, l__Subdirectory.second.m__ULONG__Size, l__Subdirectory.first,
                  p__int__Depth + 1, p__string__Error)) {
            return false;
        }
    }
    return true;
}

const XaRecord* XaVolume::Find(const std::string& p__string__Path) const {
    for (const XaRecord& l__Record : m__Records) {
        if (l__Record.m__string__Path == p__string__Path) return &l__Record;
    }
    return nullptr;
}

XaVolume::SectorReader XaVolume::FlatImage(const std::vector<UCHAR>* p__Image) {
    return [p__Image](ULONG p__ULONG__Lba) {
        const size_t l__SIZE__At = static_cast<size_t>(p__ULONG__Lba) * g__ULONG__Block;
        if (l__SIZE__At + g__ULONG__Block > p__Image->size()) return std::vector<UCHAR>();
        return std::vector<UCHAR>(p__Image->begin() + l__SIZE__At, p__Image->begin() + l__SIZE__At + g__ULONG__Block);
    };
}

XaVolume::SectorReader XaVolume::RawImage(const std::vector<UCHAR>* p__Image) {
    return [p__Image](ULONG p__ULONG__Lba) {
        const size_t l__SIZE__At = static_cast<size_t>(p__ULONG__Lba) * 2352 + 24;
        if (l__SIZE__At + g__ULONG__Block > p__Image->size()) return std::vector<UCHAR>();
        return std::vector<UCHAR>(p__Image->begin() + l__SIZE__At, p__Image->begin() + l__SIZE__At + g__ULONG__Block);
    };
}

std::vector<UCHAR> ReadWholeFile(const std::string& p__string__Path) {
    std::ifstream l__File(p__string__Path, std::ios::binary);
    return std::vector<UCHAR>(std::istreambuf_iterator<char>(l__File), std::istreambuf_iterator<char>());
}
