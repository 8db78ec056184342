// quillon station's output: each operator text on its own line of standard output behind its
// port, and when standard error is a terminal a live table there below them, one row per port
// (port, model, what it is doing, a bar, the percentage, the result), redrawn in place.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "app/Station.h"

namespace quillon::cli {

class StationTable : public StationEvents {
  public:
    StationTable(std::uint32_t model, bool terminal) : model_(model), terminal_(terminal) {}

    void OnText(const std::string& port, const std::string& text, std::uint64_t ms) override;
    void OnFinished(const FinishedRun&) override {}
    void OnTick(const std::vector<PortStatus>& rows) override;
    // A line on standard error above the table.
    void Notice(const std::string& line);
    // Draws the rows now and leaves them on the screen.
    void Final(const std::vector<PortStatus>& rows);

    // One row of the table, as drawn.
    static std::string Row(const PortStatus& row, std::uint32_t model, std::size_t portWidth);

  private:
    void Erase();
    void Draw(const std::vector<PortStatus>& rows);

    std::uint32_t model_;
    bool terminal_;
    std::mutex mutex_;
    std::vector<PortStatus> rows_;
    std::size_t drawnLines_ = 0;
    std::string drawn_;
};

}  // namespace quillon::cli
