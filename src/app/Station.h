// Station mode: one update run per port, all at once, each with its own state and its own view
// of the bus; in watch mode a run for every device as soon as it appears at a station port, and
// none again for it until it has been unplugged.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/PolicyGate.h"
#include "app/RunFiles.h"
#include "app/RunSetup.h"
#include "state/RunPhase.h"

namespace quillon {

struct StationOptions {
    std::string firmware;
    std::vector<std::string>
        ports;  // empty: every port where a device that fits is (watch: appears)
    bool watch = false;
    std::string logFolder;  // where the read-back logs go (empty: the current directory)
    // Called on a worker just before the first report any run writes (may be empty).
    std::function<void()> onFirstReport;
    std::vector<RunFile> files;  // the station's other files, which no read-back log may be
    PolicyGate* gate = nullptr;  // the update policy every run's file must pass (null: none)
};

// One port's row.
struct PortStatus {
    enum class State {
        kWaiting,  // no device yet (watch), or not started
        kRunning,
        kDone,        // the run ended (watch: and the device has been unplugged since)
        kUnplug,      // watch: the run ended; the device must be unplugged before the next
        kNotStarted,  // watch: a device came after the station was stopped and is left alone
    };
    std::string port;
    State state = State::kWaiting;
    int percent = 0;
    std::string status;      // the status line of the run
    std::string doing;       // while running: what the run is doing, in words
    std::string result;      // the last text of the last run: "완료", or why it failed
    bool ok = false;         // the last run ended with "완료"
    std::uint32_t runs = 0;  // runs started at this port
    int exitCode = 0;        // of every run at this port together (CombinedExitCode)
    // The model of the device at the port as its run identified it: the value it answered, or
    // the file's once it was taken for the file without being asked; none before that.
    std::optional<std::uint32_t> model;

    bool operator==(const PortStatus&) const = default;
};

// One finished run, as the log keeps it.
struct FinishedRun {
    std::string port;
    bool ok = false;
    int exitCode = 0;                // as "quillon update" would have ended
    std::vector<std::string> texts;  // every operator text, in order
    std::uint64_t durationMs = 0;    // on the platform's clock
    std::uint64_t bytes = 0;         // programmed and verified
    PhaseStatus end;                 // the run's last phase status
    // What the policy found of the file's signature (state kNone when no policy is in force).
    signature::SignatureCheck signature;
};

// What the station tells as it goes. OnText and OnPhase come from the worker threads; the others
// from the thread that runs the station.
class StationEvents {
  public:
    virtual ~StationEvents() = default;
    // ms: since the run at that port began, on the platform's clock; osError: the system's reason
    // for the link's last failure, when it gave one.
    virtual void OnText(const std::string& port, const std::string& text, std::uint64_t ms,
                        const std::string& osError) = 0;
    // Every phase entered and every whole percent programmed, for those who tell them.
    virtual void OnPhase(const std::string&, PhaseChannel::Event, const PhaseStatus&) {}
    virtual void OnFinished(const FinishedRun& run) = 0;
    // Often (each tick), for a live display.
    virtual void OnTick(const std::vector<PortStatus>& rows) = 0;
};

class Station {
  public:
    // The file must have been checked (loaded) already into loaded.
    Station(RunSetup& setup, const SharedState& loaded, StationOptions options,
            StationEvents& events);
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // Runs until every run has ended; in watch mode until Stop was asked and no run is busy.
    // The rows at the end, in port order (NaturalLess).
    std::vector<PortStatus> Run();
    // Thread-safe, for the watch (and from a signal's flag): from now on no device is started;
    // one that appears is shown as not started. Run returns once the runs in hand have ended.
    void Stop() { stop_ = true; }
    bool Busy() const { return busy_; }

  private:
    struct Slot;
    Slot& SlotOf(const std::string& port);
    void Start(Slot& slot);
    void Finish(Slot& slot);
    void Watch(std::uint64_t now);
    std::vector<PortStatus> Rows();

    RunSetup& setup_;
    const SharedState& loaded_;
    StationOptions options_;
    StationEvents& events_;
    std::vector<std::unique_ptr<Slot>> slots_;  // in port order
    std::atomic<bool> stop_{false};
    std::atomic<bool> busy_{false};
};

// A port as part of a file name: its characters other than letters, digits, '.' and '-' written
// as '_' and two hex digits, and '_' as "__", so that no two ports share a name.
std::string PortFileName(const std::string& port);
// The read-back log's name for a run at port: "Readtest-<PortFileName>.bin".
std::string ReadBackLogFor(const std::string& port);

}  // namespace quillon
