#include "app/cli/TerminalProgress.h"

namespace quillon::cli {

namespace {
constexpr int kWidth = 40;
}

void TerminalProgress::ClearLine() {
    if (!enabled_ || drawn_.empty()) return;
    std::fputs("\r\033[K", stderr);
    drawn_.clear();
}

void TerminalProgress::Draw() {
    if (!enabled_) return;
    std::lock_guard lock(terminal_);
    const int filled = position_ * kWidth / 100;
    // Built by appending: GCC 12 warns falsely (-Wrestrict) on "literal" + temporary string.
    std::string line = "[";
    line.append(filled, '#');
    line.append(kWidth - filled, ' ');
    line += "] ";
    line.append(4 - std::min<std::size_t>(4, label_.size()), ' ');
    line += label_;
    if (!status_.empty()) {
        line += "  ";
        line += status_;
    }
    if (line == drawn_) return;
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    drawn_ = line;
}

}  // namespace quillon::cli
