#include "app/NaturalOrder.h"

namespace quillon {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The digits from i on, without leading zeros; i is moved past them.
std::string_view Number(std::string_view s, std::size_t& i) {
    while (i < s.size() && s[i] == '0') ++i;
    const std::size_t from = i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    return s.substr(from, i - from);
}

}  // namespace

bool NaturalLess(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const std::string_view x = Number(a, i), y = Number(b, j);
            // Without leading zeros the longer number is the larger.
            if (x.size() != y.size()) return x.size() < y.size();
            if (x != y) return x < y;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) return j < b.size();
    return a < b;
}

}  // namespace quillon
