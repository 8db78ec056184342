// Where quillon station's events go: the texts behind their ports and the live table, or JSON
// Lines for scripts (every object with its port); one log line per finished device when a log
// is kept; a hook on every tick of the station; and what an interrupt does to it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "app/Station.h"
#include "app/cli/StationTable.h"
#include "app/schema/JsonLines.h"

namespace quillon::cli {

// The log's fixed fields: what was programmed.
struct StationLog {
    std::FILE* file = nullptr;  // none: no log
    std::uint32_t model = 0;
    std::string firmware, sha256;
};

class StationOutput : public StationEvents {
  public:
    // Exactly one of table and json.
    StationOutput(StationTable* table, schema::JsonLines* json, StationLog log)
        : table_(table), json_(json), log_(std::move(log)) {}

    // Called on the station's thread at every tick.
    void EachTick(std::function<void()> tick) { tick_ = std::move(tick); }
    // The first interrupt held: the station takes no new device from now on, and while runs are
    // busy the notice tells the operator why the program goes on (above the table, where it
    // stays). On the station's thread.
    void Interrupt(Station& station, const std::string& notice);

    void OnText(const std::string& port, const std::string& text, std::uint64_t ms,
                const std::string& osError) override;
    void OnPhase(const std::string& port, PhaseChannel::Event event, const PhaseStatus& s) override;
    void OnFinished(const FinishedRun& run) override;
    void OnTick(const std::vector<PortStatus>& rows) override;

  private:
    void Log(const FinishedRun& run);

    StationTable* table_;
    schema::JsonLines* json_;
    StationLog log_;
    std::function<void()> tick_;
};

}  // namespace quillon::cli
