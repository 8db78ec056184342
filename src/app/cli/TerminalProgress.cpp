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
    std::string line = "[" + std::string(filled, '#') + std::string(kWidth - filled, ' ') + "] ";
    line += std::string(4 - std::min<std::size_t>(4, label_.size()), ' ') + label_;
    if (!status_.empty()) line += "  " + status_;
    if (line == drawn_) return;
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    drawn_ = line;
}

}  // namespace quillon::cli
