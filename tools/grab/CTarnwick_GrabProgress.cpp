#include "CTarnwick_GrabProgress.h"

#include <algorithm>
#include <cstdio>

std::string CTarnwick_GrabProgress::Line(LONGLONG p__LONGLONG__Total, LONGLONG p__LONGLONG__Done,
                                         double p__double__Seconds) {
    const LONGLONG l__LONGLONG__Percentage =
        p__LONGLONG__Total > 0 ? std::min<LONGLONG>(100, p__LONGLONG__Done * 100 / p__LONGLONG__Total) : 100;
    const double l__double__Rate = p__double__Seconds > 0 ? static_cast<double>(p__LONGLONG__Done) / p__double__Seconds : 0;
    char l__CHAR__Text[128];
    std::snprintf(l__CHAR__Text, sizeof(l__CHAR__Text), "%3lld%% (%lld of %lld blocks, %.0f blocks/s)",
                  static_cast<long long>(l__LONGLONG__Percentage), static_cast<long long>(p__LONGLONG__Done),
                  static_cast<long long>(p__LONGLONG__Total), l__double__Rate);
    return l__CHAR__Text;
}

void CTarnwick_GrabProgress::AddBadBlocks(ULONG p__ULONG__First, ULONG p__ULONG__Count) {
    if (p__ULONG__Count != 0) m__Bad.emplace_back(p__ULONG__First, p__ULONG__Count);
}

std::vector<std::pair<ULONG, ULONG>> CTarnwick_GrabProgress::Ranges() const {
    std::vector<std::pair<ULONG, ULONG>> l__Sorted = m__Bad;
    std::sort(l__Sorted.begin(), l__Sorted.end());
    std::vector<std::pair<ULONG, ULONG>> l__Ranges;
    for (const auto& [l__ULONG__First, l__ULONG__Blocks] : l__Sorted) {
        const ULONG l__ULONG__Last = l__ULONG__First + l__ULONG__Blocks - 1;
        if (!l__Ranges.empty() && l__ULONG__First <= l__Ranges.back().second + 1) {
            l__Ranges.back().second = std::max(l__Ranges.back().second, l__ULONG__Last);
        } else {
            l__Ranges.emplace_back(l__ULONG__First, l__ULONG__Last);
        }
    }
    return l__Ranges;
}

ULONG CTarnwick_GrabProgress::BadBlockCount() const {
    ULONG l__ULONG__Count = 0;
    for (const auto& [l__ULONG__First, l__ULONG__Last] : Ranges()) l__ULONG__Count += l__ULONG__Last - l__ULONG__First + 1;
    return l__ULONG__Count;
}

std::string CTarnwick_GrabProgress::BadBlocks() const {
    std::string l__string__Text;
    for (const auto& [l__ULONG__First, l__ULONG__Last] : Ranges()) {
        if (!l__string__Text.empty()) l__string__Text += ", ";
        l__string__Text += std::to_string(l__ULONG__First);
        if (l__ULONG__Last != l__ULONG__First) {
            l__string__Text += '-';
            l__string__Text += std::to_string(l__ULONG__Last);
        }
    }
    return l__string__Text;
}
