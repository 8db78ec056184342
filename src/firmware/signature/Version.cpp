#include "firmware/signature/Version.h"

#include <algorithm>

namespace quillon::signature {

namespace {

constexpr std::size_t kMaxNumbers = 16;

int CompareNumbers(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

}  // namespace

std::optional<Version> Version::Parse(const std::string& text) {
    Version v;
    v.text_ = text;
    std::string number;
    bool digits = false;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '.') {
            if (!digits || v.numbers_.size() == kMaxNumbers) return std::nullopt;
            v.numbers_.push_back(number.empty() ? "0" : number);
            number.clear();
            digits = false;
        } else if (text[i] >= '0' && text[i] <= '9') {
            digits = true;
            if (!number.empty() || text[i] != '0') number += text[i];
        } else {
            return std::nullopt;
        }
    }
    return v;
}

int Version::Compare(const Version& other) const {
    static const std::string kZero = "0";
    const std::size_t n = std::max(numbers_.size(), other.numbers_.size());
    for (std::size_t i = 0; i < n; ++i) {
        const std::string& a = i < numbers_.size() ? numbers_[i] : kZero;
        const std::string& b = i < other.numbers_.size() ? other.numbers_[i] : kZero;
        if (const int c = CompareNumbers(a, b); c != 0) return c;
    }
    return 0;
}

}  // namespace quillon::signature
