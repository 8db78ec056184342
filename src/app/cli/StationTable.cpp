#include "app/cli/StationTable.h"

#include <algorithm>

#include "app/cli/HexText.h"
#include "app/cli/TextColumns.h"

namespace quillon::cli {

namespace {

constexpr std::size_t kModelColumns = 10;  // "0x00000003"
constexpr char kUnknownModel[] = "—";

// How a port stands, in the order in which a window too short shows them.
enum class Kind { kBusy, kFailed, kNotStarted, kWaiting, kDone };

Kind KindOf(const PortStatus& row) {
    switch (row.state) {
        case PortStatus::State::kRunning:
            return Kind::kBusy;
        case PortStatus::State::kNotStarted:
            return Kind::kNotStarted;
        case PortStatus::State::kWaiting:
            return Kind::kWaiting;
        case PortStatus::State::kDone:
        case PortStatus::State::kUnplug:
            break;
    }
    return row.ok ? Kind::kDone : Kind::kFailed;
}

// At the end of the station a port that waits is told by its last run.
Kind EndKindOf(const PortStatus& row) {
    const Kind kind = KindOf(row);
    if (kind != Kind::kWaiting || row.runs == 0) return kind;
    return row.ok ? Kind::kDone : Kind::kFailed;
}

const char* KindWord(Kind kind) {
    switch (kind) {
        case Kind::kBusy:
            return "busy";
        case Kind::kFailed:
            return "failed";
        case Kind::kNotStarted:
            return "not started";
        case Kind::kWaiting:
            return "waiting";
        case Kind::kDone:
            return "done";
    }
    return "";
}

// "… 12 more done", or "… 12 more: 9 done, 3 waiting" when they are not all done.
std::string MoreLine(const std::vector<PortStatus>& hidden) {
    std::string counts;
    std::size_t kinds = 0;
    for (Kind kind : {Kind::kBusy, Kind::kFailed, Kind::kNotStarted, Kind::kWaiting, Kind::kDone}) {
        const auto n = std::count_if(hidden.begin(), hidden.end(),
                                     [kind](const PortStatus& r) { return KindOf(r) == kind; });
        if (n == 0) continue;
        counts += (kinds++ == 0 ? "" : ", ") + std::to_string(n) + " " + KindWord(kind);
    }
    const std::string more = "… " + std::to_string(hidden.size()) + " more";
    if (kinds == 1) return more + counts.substr(counts.find(' '));
    return more + ": " + counts;
}

// What the row's run is doing, or how the port stands and the last text of its run.
std::string WhatOf(const PortStatus& row) {
    if (row.state == PortStatus::State::kRunning) {
        if (!row.doing.empty()) return row.doing;
        return row.status.empty() ? "starting" : row.status;
    }
    std::string what = StationTable::StateWord(row);
    if (row.state != PortStatus::State::kNotStarted && !row.result.empty()) {
        what += "  " + row.result;
    }
    return what;
}

}  // namespace

std::string StationTable::StateWord(const PortStatus& row) {
    switch (row.state) {
        case PortStatus::State::kWaiting:
            return row.runs == 0 ? "waiting for a device" : "waiting for the next device";
        case PortStatus::State::kRunning:
            return "busy";
        case PortStatus::State::kDone:
            return row.ok ? "done" : "failed";
        case PortStatus::State::kUnplug:
            return row.ok ? "done, unplug" : "failed, unplug";
        case PortStatus::State::kNotStarted:
            return "not started";
    }
    return "";
}

std::vector<std::string> StationTable::Lines(const std::vector<PortStatus>& rows,
                                             TerminalSize size) {
    // The last column is left free: a line that fills it wraps on some terminals; the line
    // below the table holds the cursor.
    const std::size_t limit = static_cast<std::size_t>(std::max(size.columns, 2) - 1);
    const std::size_t height = static_cast<std::size_t>(std::max(size.rows, 2) - 1);

    std::vector<PortStatus> shown = rows, hidden;
    if (shown.size() > height) {
        std::stable_sort(shown.begin(), shown.end(), [](const PortStatus& a, const PortStatus& b) {
            return KindOf(a) < KindOf(b);
        });
        hidden.assign(shown.begin() + static_cast<std::ptrdiff_t>(height - 1), shown.end());
        shown.resize(height - 1);
    }

    // A port longer than a third of the line keeps its end, where ports differ.
    std::size_t portColumns = 4;
    for (const PortStatus& r : shown) portColumns = std::max(portColumns, DisplayColumns(r.port));
    portColumns = std::min(portColumns, std::max<std::size_t>(4, limit / 3));
    // port, model, bar and percentage, then the rest of the line for what the run does; the
    // bar narrows and the model goes before that rest gets too short.
    const std::size_t percent = 4, gap = 2;
    std::size_t fixed = portColumns + gap + kModelColumns + gap + percent + gap;
    bool model = true;
    if (limit < fixed + 20) {
        model = false;
        fixed -= kModelColumns + gap;
    }
    std::size_t bar = 0;
    for (std::size_t width : {20u, 10u}) {
        if (limit >= fixed + width + 3 + (width == 20 ? 40 : 24)) {
            bar = width;
            break;
        }
    }

    std::vector<std::string> lines;
    for (const PortStatus& r : shown) {
        std::string line = PadColumns(FitColumns(r.port, portColumns, true), portColumns) + "  ";
        if (model) {
            line += PadColumns(r.model ? ModelValue(*r.model) : kUnknownModel, kModelColumns);
            line += "  ";
        }
        // A port without a device has no progress to show.
        const bool progress = r.runs > 0 && (r.state == PortStatus::State::kRunning ||
                                             r.state == PortStatus::State::kDone ||
                                             r.state == PortStatus::State::kUnplug);
        const int pct = std::clamp(r.percent, 0, 100);
        if (bar > 0 && progress) {
            const std::size_t filled = static_cast<std::size_t>(pct) * bar / 100;
            // Appended piece by piece: GCC 12's Release build warns (-Wrestrict) on the
            // operator+ chain.
            line += '[';
            line.append(filled, '#');
            line.append(bar - filled, ' ');
            line += "] ";
        } else if (bar > 0) {
            line += std::string(bar + 3, ' ');
        }
        char number[8] = "    ";
        if (progress) std::snprintf(number, sizeof number, "%3d%%", pct);
        line += std::string(number) + "  " + WhatOf(r);
        lines.push_back(FitColumns(line, limit));
    }
    if (!hidden.empty()) lines.push_back(FitColumns(MoreLine(hidden), limit));
    return lines;
}

std::string StationTable::Counts(const std::vector<PortStatus>& rows) {
    std::size_t done = 0;
    std::string rest;
    for (Kind kind : {Kind::kFailed, Kind::kNotStarted, Kind::kWaiting, Kind::kBusy}) {
        std::size_t n = 0;
        std::string ports;
        for (const PortStatus& r : rows) {
            if (EndKindOf(r) != kind) continue;
            ++n;
            ports += " " + r.port;
        }
        if (n == 0) continue;
        // A port that never saw a device is "without a device", not waiting for one.
        const char* word = kind == Kind::kWaiting ? "without a device" : KindWord(kind);
        rest += ", " + std::to_string(n) + " " + word + ":" + ports;
    }
    for (const PortStatus& r : rows) done += EndKindOf(r) == Kind::kDone ? 1 : 0;
    return std::to_string(done) + " done" + rest;
}

void StationTable::Erase(const TerminalSize& size) {
    // Up to the table's first line, counting the screen lines its lines take now: a window
    // narrowed since (and reflowed) wraps them.
    const std::size_t width = static_cast<std::size_t>(std::max(size.columns, 1));
    std::size_t lines = 0;
    for (std::size_t columns : drawnColumns_) {
        lines += std::max<std::size_t>(1, (columns + width - 1) / width);
    }
    // Then that line erased alone, and the rest of the screen from the next one down: some
    // terminals (tmux) move the whole screen into their history when it is erased from the
    // top left corner, where the table stands on a screen that it fills or that was cleared.
    if (lines > 0) std::fprintf(screen_.table, "\033[%zuF\033[2K\033[B\033[J\033[A", lines);
    drawnColumns_.clear();
    drawn_.clear();
}

void StationTable::Draw() {
    const TerminalSize size = screen_.size();
    // Most ticks change nothing: the table is laid out again only for other rows or another
    // window, and drawn again only when that changed a line.
    const bool sameWindow = size.columns == drawnSize_.columns && size.rows == drawnSize_.rows;
    if (!drawnColumns_.empty() && sameWindow && rows_ == drawnRows_) return;
    const std::vector<std::string> lines = Lines(rows_, size);
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    const bool resized = size.columns != drawnSize_.columns;  // the lines may have reflowed
    drawnRows_ = rows_;
    drawnSize_ = size;
    if (text == drawn_ && !resized) return;
    Erase(size);
    std::fputs(text.c_str(), screen_.table);
    std::fflush(screen_.table);
    drawn_ = text;
    for (const std::string& line : lines) drawnColumns_.push_back(DisplayColumns(line));
}

StationTable::Mode StationTable::ModeForThisTerminal() {
    if (!StandardErrorIsTerminal()) return Mode::kNone;
    return StandardOutputIsPipe() ? Mode::kFinal : Mode::kLive;
}

void StationTable::OnText(const std::string& port, const std::string& text, std::uint64_t,
                          const std::string&) {
    std::lock_guard lock(mutex_);
    const bool live = mode_ == Mode::kLive;
    if (live) Erase(screen_.size());
    std::fprintf(screen_.texts, "%s: %s\n", port.c_str(), text.c_str());
    std::fflush(screen_.texts);
    if (live) Draw();
}

void StationTable::OnTick(const std::vector<PortStatus>& rows) {
    std::lock_guard lock(mutex_);
    rows_ = rows;
    if (mode_ == Mode::kLive) Draw();
}

void StationTable::Final(const std::vector<PortStatus>& rows) {
    std::lock_guard lock(mutex_);
    rows_ = rows;
    if (mode_ != Mode::kNone) Draw();
    drawnColumns_.clear();  // the last picture stays
    drawn_.clear();
}

void StationTable::Notice(const std::string& line) {
    std::lock_guard lock(mutex_);
    const bool live = mode_ == Mode::kLive;
    if (live) Erase(screen_.size());
    std::fprintf(screen_.table, "%s\n", line.c_str());
    std::fflush(screen_.table);
    if (live) Draw();
}

}  // namespace quillon::cli
