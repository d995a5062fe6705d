#include "CTarnwick_ToolDvdLayout.h"

#include <cstdio>
#include <cstring>
#include <vector>

std::pair<int, int> CTarnwick_ToolDvdLayout::DvdRank(const std::string& p__string__Name) {
    auto l__Kind = [](const std::string& p__string__Extension, int p__int__Vob) {
        if (p__string__Extension == "IFO") return 0;
        if (p__string__Extension == "VOB") return 1 + p__int__Vob;
        if (p__string__Extension == "BUP") return 100;
        return 200;
    };
    if (p__string__Name.size() == 12 && p__string__Name.compare(0, 9, "VIDEO_TS.") == 0) {
        return {0, l__Kind(p__string__Name.substr(9), 0)};
    }
    unsigned l__unsigned__Set = 0;
    unsigned l__unsigned__Vob = 0;
    char l__CHAR__Extension[4] = {};
    int l__int__End = 0;
    if (p__string__Name.size() == 12 &&
        std::sscanf(p__string__Name.c_str(), "VTS_%2u_%1u.%3[A-Z]%n", &l__unsigned__Set, &l__unsigned__Vob, l__CHAR__Extension,
                    &l__int__End) == 3 &&
        l__int__End == 12 && l__unsigned__Set >= 1 && l__unsigned__Set <= 99) {
        return {static_cast<int>(l__unsigned__Set), l__Kind(l__CHAR__Extension, static_cast<int>(l__unsigned__Vob))};
    }
    return {1000, 0};
}

void CTarnwick_ToolDvdLayout::PatchVideoTs(PUDF_TREE_ITEM p__PVideoTs) {
    struct Set {
        ULONG m__ULONG__Start = 0;
        ULONG m__ULONG__Blocks = 0;
        ULONG m__ULONG__IfoBlocks = 0;
        std::vector<PUDF_TREE_ITEM> m__Patched;  // IFO and BUP
        bool m__bool__Seen = false;
    };
    Set l__Sets[100];
    ULONG l__ULONG__Offset = 0;
    for (PUDF_TREE_ITEM l__PKid = p__PVideoTs->m__PFirstKid; l__PKid != nullptr; l__PKid = l__PKid->m__PNext) {
        if (l__PKid->m__BOOLEAN__IsDirectory != 0) continue;
        // Packed members are copied out, never bound.
        const ULONG l__ULONG__Blocks = l__PKid->m__ULONG__SizeInBlocks;
        const std::pair<int, int> l__Rank = DvdRank(l__PKid->m__CHAR__Name);
        if (l__Rank.first < 100) {
            Set& l__Set = l__Sets[l__Rank.first];
            if (!l__Set.m__bool__Seen) l__Set.m__ULONG__Start = l__ULONG__Offset;
            l__Set.m__bool__Seen = true;
            l__Set.m__ULONG__Blocks += l__ULONG__Blocks;
            if (l__Rank.second == 0) l__Set.m__ULONG__IfoBlocks = l__ULONG__Blocks;
            if (l__PKid->m__BOOLEAN__IsInMemory != 0) l__Set.m__Patched.push_back(l__PKid);
        }
        l__ULONG__Offset += l__ULONG__Blocks;
    }
    for (Set& l__Set : l__Sets) {
        if (!l__Set.m__bool__Seen || l__Set.m__ULONG__Blocks == 0 || l__Set.m__ULONG__IfoBlocks == 0) continue;
        for (PUDF_TREE_ITEM l__PFile : l__Set.m__Patched) {
            (void)Tarnwick_UDF_PatchIfoHeader(l__PFile, l__Set.m__ULONG__IfoBlocks - 1, l__Set.m__ULONG__Blocks - 1);
        }
    }
    // The title table of the video manager: each title set's start, counted from VIDEO_TS.IFO.
    for (PUDF_TREE_ITEM l__PManager : l__Sets[0].m__Patched) {
        for (int l__int__Set = 1; l__int__Set < 100; ++l__int__Set) {
            if (!l__Sets[l__int__Set].m__bool__Seen) continue;
            (void)Tarnwick_UDF_PatchIfoTableEx(l__PManager, static_cast<UCHAR>(l__int__Set),
                                               l__Sets[l__int__Set].m__ULONG__Start - l__Sets[0].m__ULONG__Start);
        }
    }
}

PUDF_TREE_ITEM CTarnwick_ToolDvdLayout::KidNamed(PUDF_TREE_ITEM p__PDirectory, const char* p__PCHAR__Name) {
    for (PUDF_TREE_ITEM l__PKid = p__PDirectory->m__PFirstKid; l__PKid != nullptr; l__PKid = l__PKid->m__PNext) {
        if (std::strcmp(l__PKid->m__CHAR__Name, p__PCHAR__Name) == 0) return l__PKid;
    }
    return nullptr;
}
