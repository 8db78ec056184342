#include "app/cli/TerminalProgress.h"

#include <algorithm>
#include <cstdlib>

#include "app/PhaseText.h"
#include "app/UpdateController.h"
#include "app/cli/TextColumns.h"

namespace quillon::cli {

namespace {
constexpr int kBarWidth = 10;
}

void TerminalProgress::ClearLine() {
    if (!enabled_ || drawn_.empty()) return;
    std::fputs("\r\033[K", stderr);
    drawn_.clear();
}

void TerminalProgress::Draw() {
    if (!enabled_) return;
    const PhaseStatus s = phases_.Snapshot();
    std::lock_guard lock(terminal_);
    // The label is the dialog's "N%".
    const int percent = PercentNotAheadOfBytes(std::atoi(label_.c_str()), s);
    const std::string label = PercentText(percent);
    std::string text = std::string(4 - std::min<std::size_t>(4, label.size()), ' ') + label;
    const std::string phase = DescribePhase(s);
    if (!phase.empty()) text += "  " + phase;
    if (s.phase == Phase::kProgramming) {
        const std::string transfer = DescribeTransfer(s);
        if (!transfer.empty()) text += ": " + transfer;
    }
    // A line as wide as the terminal would wrap, and the carriage return would no longer take it
    // back: the bar goes first, then the end of the text.
    const int filled = PercentNotAheadOfBytes(position_, s) * kBarWidth / 100;
    std::string bar = "[";
    bar.append(filled, '#').append(kBarWidth - filled, ' ').append("] ");
    const std::size_t room = columns_ > 1 ? static_cast<std::size_t>(columns_ - 1) : 0;
    const std::string line =
        FitColumns(DisplayColumns(bar + text) <= room ? bar + text : text, room);
    if (line == drawn_) return;
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    drawn_ = line;
}

void TerminalProgress::Finish(const std::string& lastText) {
    if (!enabled_) return;
    const std::string summary = DescribeEnd(phases_.Snapshot(), lastText);
    std::lock_guard lock(terminal_);
    ClearLine();
    std::fprintf(stderr, "%s\n", summary.c_str());
    std::fflush(stderr);
}

}  // namespace quillon::cli
