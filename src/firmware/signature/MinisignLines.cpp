#include "firmware/signature/MinisignLines.h"

namespace quillon::signature {

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

bool AfterPrefix(std::string_view line, std::string_view prefix, std::string_view& rest) {
    if (line.substr(0, prefix.size()) != prefix) return false;
    rest = line.substr(prefix.size());
    return true;
}

}  // namespace quillon::signature
