#include "model/CappedNameDistance.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

#include "model/ContactCompare.h"

namespace korvi {

int CappedNameDistance(std::string_view s, std::string_view t) {
    constexpr int kCap = kNameMatchDistance;
    constexpr int kOver = kCap + 1;
    constexpr int kWidth = 2 * kCap + 1;
    if (s.size() > t.size()) std::swap(s, t);
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(s.size());
    const std::ptrdiff_t m = static_cast<std::ptrdiff_t>(t.size());
    if (m - n > kCap) return kOver;

    // band[c] is the cell of the current row i at column j = i + c - kCap.
    std::array<int, kWidth> prev{};
    std::array<int, kWidth> cur{};
    for (int c = 0; c < kWidth; ++c) {
        const std::ptrdiff_t j = c - kCap;
        prev[c] = (j < 0 || j > m) ? kOver : static_cast<int>(std::min<std::ptrdiff_t>(j, kOver));
    }
    for (std::ptrdiff_t i = 1; i <= n; ++i) {
        int rowMin = kOver;
        for (int c = 0; c < kWidth; ++c) {
            const std::ptrdiff_t j = i + c - kCap;
            int v = kOver;
            if (j == 0) {
                v = static_cast<int>(std::min<std::ptrdiff_t>(i, kOver));
            } else if (j > 0 && j <= m) {
                v = prev[c] + (s[i - 1] == t[j - 1] ? 0 : 1);
                if (c + 1 < kWidth) v = std::min(v, prev[c + 1] + 1);
                if (c > 0) v = std::min(v, cur[c - 1] + 1);
                v = std::min(v, kOver);
            }
            cur[c] = v;
            rowMin = std::min(rowMin, v);
        }
        // Costs never fall along an alignment: a row wholly over the cap ends the search.
        if (rowMin >= kOver) return kOver;
        prev = cur;
    }
    return prev[m - n + kCap];
}

}  // namespace korvi
