// quillon station's output: each operator text on its own line of standard output behind its
// port, and when standard error is a terminal a live table there below them, one row per port
// (port, the device's model, a bar, the percentage, what it is doing or how it ended), redrawn in
// place. Every row is cut to the window's width and the table to its height, so that a redraw
// always finds the table where it drew it; notices go above the table and stay.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/Host.h"
#include "app/Station.h"

namespace quillon::cli {

// Where the station's output goes: by default standard output and standard error, the window's
// size read from the host at each redraw.
struct StationScreen {
    std::FILE* texts = stdout;  // the operator texts
    std::FILE* table = stderr;  // the table and the notices
    std::function<TerminalSize()> size = StandardErrorSize;
};

class StationTable : public StationEvents {
  public:
    enum class Mode {
        kNone,   // standard error is no terminal: the texts alone
        kFinal,  // the texts reach the terminal through another program (a pipe to "tee" or
                 // "head"), which writes when it will: the table only once, at the end
        kLive,   // redrawn as the runs go
    };
    explicit StationTable(Mode mode, StationScreen screen = {})
        : mode_(mode), screen_(std::move(screen)) {}
    // The mode for the process's own standard output and error.
    static Mode ModeForThisTerminal();

    void OnText(const std::string& port, const std::string& text, std::uint64_t ms,
                const std::string& osError) override;
    void OnFinished(const FinishedRun&) override {}
    void OnTick(const std::vector<PortStatus>& rows) override;
    // Draws the rows now and leaves them on the screen.
    void Final(const std::vector<PortStatus>& rows);
    // A line for the operator, printed whole above the table, where it stays.
    void Notice(const std::string& line);

    // The table as drawn in a window of that size: at most one line fewer than the window has
    // (the busy and failed ports first when not all fit, then "… N more done"), every line
    // narrower than the window.
    static std::vector<std::string> Lines(const std::vector<PortStatus>& rows, TerminalSize size);
    // How a row stands, in a word or two: "done", "failed", "not started", ...
    static std::string StateWord(const PortStatus& row);
    // The end of the station in one line: "7 done, 1 failed: 1-1.4", each count that is not
    // done followed by its ports.
    static std::string Counts(const std::vector<PortStatus>& rows);

  private:
    void Erase(const TerminalSize& size);
    void Draw();

    Mode mode_;
    StationScreen screen_;
    std::mutex mutex_;
    std::vector<PortStatus> rows_;
    // What is on the screen: the rows and the window they were drawn for, the lines as text and
    // the columns of each.
    std::vector<PortStatus> drawnRows_;
    TerminalSize drawnSize_;
    std::string drawn_;
    std::vector<std::size_t> drawnColumns_;
};

}  // namespace quillon::cli
