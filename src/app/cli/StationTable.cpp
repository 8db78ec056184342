#include "app/cli/StationTable.h"

#include <algorithm>

#include "app/cli/HexText.h"

namespace quillon::cli {

namespace {

constexpr int kBarWidth = 20;
constexpr std::size_t kDoingWidth = 36;

// Columns a UTF-8 text takes on a terminal: Hangul and CJK characters take two.
std::size_t DisplayWidth(const std::string& text) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const std::size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        std::uint32_t cp = n == 1 ? b : b & (0xFF >> (n + 1));
        for (std::size_t k = 1; k < n && i + k < text.size(); ++k) {
            cp = cp << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
                          (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                          (cp >= 0xFF00 && cp <= 0xFF60) || (cp >= 0xFFE0 && cp <= 0xFFE6);
        width += wide ? 2 : 1;
        i += n;
    }
    return width;
}

const char* Doing(const PortStatus& row) {
    switch (row.state) {
        case PortStatus::State::kWaiting:
            return row.runs == 0 ? "waiting for a device" : "waiting for the next device";
        case PortStatus::State::kRunning:
            return row.doing.empty() && row.status.empty() ? "starting" : nullptr;
        case PortStatus::State::kDone:
            return "done";
        case PortStatus::State::kUnplug:
            return "done, unplug";
    }
    return "";
}

}  // namespace

std::string StationTable::Row(const PortStatus& row, std::uint32_t model, std::size_t portWidth) {
    std::string line =
        row.port + std::string(portWidth - std::min(portWidth, row.port.size()), ' ');
    line += "  ";
    line += ModelValue(model) + "  ";
    const char* doing = Doing(row);
    std::string what = doing != nullptr ? doing : !row.doing.empty() ? row.doing : row.status;
    std::size_t width = DisplayWidth(what);
    if (width > kDoingWidth && what.size() == width) {  // ASCII only: cut to the column
        what.resize(kDoingWidth - 3);
        what += "...";
        width = kDoingWidth;
    }
    if (width < kDoingWidth) what += std::string(kDoingWidth - width, ' ');
    line += what;
    const int filled = std::clamp(row.percent, 0, 100) * kBarWidth / 100;
    line += "  [" + std::string(filled, '#') + std::string(kBarWidth - filled, ' ') + "] ";
    char pct[8];
    std::snprintf(pct, sizeof pct, "%3d%%", std::clamp(row.percent, 0, 100));
    line += pct;
    if (!row.result.empty() && row.state != PortStatus::State::kRunning) line += "  " + row.result;
    return line;
}

void StationTable::Erase() {
    // Up to the first row, then clear to the end of the screen.
    if (drawnLines_ > 0) std::fprintf(stderr, "\033[%zuF\033[J", drawnLines_);
    drawnLines_ = 0;
    drawn_.clear();
}

void StationTable::Draw(const std::vector<PortStatus>& rows) {
    std::size_t width = 4;
    for (const PortStatus& r : rows) width = std::max(width, r.port.size());
    std::string text;
    for (const PortStatus& r : rows) text += Row(r, model_, width) + "\n";
    if (text == drawn_) return;
    Erase();
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
    drawn_ = text;
    drawnLines_ = rows.size();
}

void StationTable::OnText(const std::string& port, const std::string& text, std::uint64_t) {
    std::lock_guard lock(mutex_);
    if (terminal_) Erase();
    std::fprintf(stdout, "%s: %s\n", port.c_str(), text.c_str());
    std::fflush(stdout);
    if (terminal_) Draw(rows_);
}

void StationTable::Notice(const std::string& line) {
    std::lock_guard lock(mutex_);
    if (terminal_) Erase();
    std::fprintf(stderr, "%s\n", line.c_str());
    if (terminal_) Draw(rows_);
}

void StationTable::OnTick(const std::vector<PortStatus>& rows) {
    std::lock_guard lock(mutex_);
    rows_ = rows;
    if (terminal_) Draw(rows_);
}

void StationTable::Final(const std::vector<PortStatus>& rows) {
    std::lock_guard lock(mutex_);
    rows_ = rows;
    if (terminal_) Draw(rows_);
    drawnLines_ = 0;  // the last picture stays
    drawn_.clear();
}

}  // namespace quillon::cli
