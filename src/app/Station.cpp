#include "app/Station.h"

#include <algorithm>
#include <mutex>
#include <set>

#include "app/DialogView.h"
#include "app/ExitCodes.h"
#include "app/FirstReportWatch.h"
#include "app/NaturalOrder.h"
#include "app/PhaseText.h"
#include "app/UpdateController.h"
#include "protocol/FittingPorts.h"
#include "state/Operator.h"

namespace quillon {

namespace {

constexpr std::uint32_t kTickMs = 1;             // as the dialog's timer
constexpr std::uint64_t kScanMs = 200;           // how often the watch looks for devices
constexpr std::uint64_t kRestartStartMs = 3000;  // a device told to start its firmware goes within
constexpr std::uint64_t kReturnMs = 60000;       // and is back within, as the worker waits for it

}  // namespace

std::string PortFileName(const std::string& port) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string name;
    for (const char c : port) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '.' || c == '-';
        const auto byte = static_cast<unsigned char>(c);
        if (keep) {
            name += c;
        } else if (c == '_') {
            name += "__";
        } else {
            name += {'_', kHex[byte >> 4], kHex[byte & 0xF]};
        }
    }
    return name;
}

std::string ReadBackLogFor(const std::string& port) {
    return "Readtest-" + PortFileName(port) + ".bin";
}

// One port: its run's own state, platform view, operator, display and read-back log.
struct Station::Slot : Operator, DialogView {
    // What a finished run in watch mode waits for before the port takes the next device.
    enum class After { kNothing, kRestart, kReturn, kUnplug };

    Slot(std::string p, StationEvents& e, const StationOptions& options, std::uint32_t model)
        : events(e),
          path(options.firmware),
          fileModel(model),
          files(options.logFolder.empty() ? ReadBackLogFor(p)
                                          : options.logFolder + "/" + ReadBackLogFor(p),
                options.files) {
        status.port = std::move(p);
    }

    // Operator, called by the worker.
    void ShowMessage(const std::string& text) override {
        {
            std::lock_guard lock(mutex);
            texts.push_back(text);
            status.result = text;
        }
        const PhaseStatus s = st->phases.Snapshot();
        const std::uint64_t now = hid->NowMs();
        events.OnText(status.port, text, now > s.startMs ? now - s.startMs : 0, s.osError);
    }
    std::string ReadPathBox() override { return path; }
    void WriteStatusLine(const std::string& text) override {
        std::lock_guard lock(mutex);
        status.status = text;
    }
    // DialogView, called by the station's thread.
    void SetBarPosition(int position) override {
        std::lock_guard lock(mutex);
        status.percent = position;
    }
    void StepBar() override {
        std::lock_guard lock(mutex);
        if (status.percent < 100) ++status.percent;
    }
    void SetPercentLabel(const std::string&) override {}
    void EnableControls(bool) override {}

    PortStatus Snapshot() {
        std::lock_guard lock(mutex);
        PortStatus row = status;
        // Without a device at the port (or with one not started) nothing is identified.
        const bool device = row.state == PortStatus::State::kRunning ||
                            row.state == PortStatus::State::kDone ||
                            row.state == PortStatus::State::kUnplug;
        if (!st || !device) return row;
        const PhaseStatus phases = st->phases.Snapshot();
        if (row.state == PortStatus::State::kRunning) row.doing = DescribePhase(phases);
        if (phases.deviceModel) {
            row.model = phases.deviceModel;
        } else if (phases.phase > Phase::kCheckingModel) {
            row.model = fileModel;  // found under the file's identities and taken for it
        }
        return row;
    }

    StationEvents& events;
    std::string path;
    std::uint32_t fileModel;
    ReadBackLogFiles files;             // every port keeps a read-back log of its own
    std::unique_ptr<HidPlatform> view;  // the bus as seen from the port
    std::unique_ptr<HidPlatform> hid;   // the view, watched for the first report
    std::unique_ptr<SharedState> st;
    std::unique_ptr<LinkServices> services;
    std::unique_ptr<UpdateController> controller;
    std::mutex mutex;
    PortStatus status;
    std::vector<std::string> texts;
    std::uint64_t startedAt = 0;
    After after = After::kNothing;
    std::uint64_t afterSince = 0;
};

Station::Station(RunSetup& setup, const SharedState& loaded, StationOptions options,
                 StationEvents& events)
    : setup_(setup), loaded_(loaded), options_(std::move(options)), events_(events) {}

Station::~Station() {
    for (auto& s : slots_) {
        if (s->controller) s->controller->WaitForRun();
    }
}

Station::Slot& Station::SlotOf(const std::string& port) {
    const auto it = std::lower_bound(slots_.begin(), slots_.end(), port,
                                     [](const std::unique_ptr<Slot>& s, const std::string& p) {
                                         return NaturalLess(s->status.port, p);
                                     });
    if (it != slots_.end() && (*it)->status.port == port) return **it;
    return **slots_.insert(it, std::make_unique<Slot>(port, events_, options_, loaded_.g_fwModel));
}

void Station::Start(Slot& slot) {
    HidPlatform& base = setup_.Base();
    if (!slot.controller) {
        slot.view = setup_.PortPlatform(slot.status.port);
        if (!slot.view) return;
        slot.hid = std::make_unique<FirstReportWatch>(*slot.view, options_.onFirstReport);
        slot.st = std::make_unique<SharedState>();
        slot.st->phases.Listen([this, &slot](PhaseChannel::Event e, const PhaseStatus& s) {
            events_.OnPhase(slot.status.port, e, s);
        });
        slot.services =
            std::make_unique<LinkServices>(LinkServices{*slot.st, *slot.hid, slot, slot.files});
        slot.controller = std::make_unique<UpdateController>(*slot.services, slot);
        slot.controller->Enforce(options_.gate);
        if (sim::SimClock* clock = setup_.VirtualClock()) {
            slot.controller->WorkerHooks([clock] { clock->Join(); }, [clock] { clock->Leave(); });
        }
    }
    {
        std::lock_guard lock(slot.mutex);
        slot.texts.clear();
        slot.status.result.clear();
        slot.status.status.clear();
        slot.status.percent = 0;
        slot.status.ok = false;
        ++slot.status.runs;
        slot.status.state = PortStatus::State::kRunning;
    }
    slot.startedAt = base.NowMs();
    // The file is loaded again as every run does; a file changed since the check fails here.
    if (!slot.controller->StartUpdate()) Finish(slot);
}

void Station::Finish(Slot& slot) {
    const bool ok = slot.controller->WaitForRun() == 0;
    slot.controller->Tick();
    FinishedRun run;
    run.port = slot.status.port;
    run.ok = ok;
    run.end = slot.st->phases.Snapshot();
    run.exitCode = ExitCodeOf(run.end.end);
    // Until the run told its end on its own thread: this thread sees it only at its next tick,
    // one more millisecond or not as the threads were scheduled.
    const std::uint64_t endedAt =
        run.end.end != RunEnd::kRunning ? run.end.nowMs : setup_.Base().NowMs();
    run.durationMs = endedAt > slot.startedAt ? endedAt - slot.startedAt : 0;
    run.bytes = run.end.bytesDone;
    run.signature = slot.controller->LastDecision().signature;
    {
        std::lock_guard lock(slot.mutex);
        run.texts = slot.texts;
        slot.status.ok = ok;
        slot.status.exitCode = CombinedExitCode(slot.status.exitCode, run.exitCode);
        slot.status.state = options_.watch ? PortStatus::State::kUnplug : PortStatus::State::kDone;
    }
    // Only an MCU image that ends with the final jump restarts the device into its firmware.
    const bool restarts = ok && loaded_.g_fwStorage == 0 && loaded_.g_fwSkipFinal == 0;
    slot.after = restarts ? Slot::After::kRestart : Slot::After::kUnplug;
    slot.afterSince = endedAt;
    events_.OnFinished(run);
}

void Station::Watch(std::uint64_t now) {
    const std::vector<std::string> found = FittingPorts(setup_.Base(), loaded_);
    const std::set<std::string> present(found.begin(), found.end());
    for (const std::string& p : found) {
        if (options_.ports.empty() ||
            std::find(options_.ports.begin(), options_.ports.end(), p) != options_.ports.end()) {
            SlotOf(p);
        }
    }
    for (auto& s : slots_) {
        Slot& slot = *s;
        if (slot.status.state == PortStatus::State::kRunning) continue;
        const bool here = present.count(slot.status.port) != 0;
        switch (slot.after) {
            case Slot::After::kRestart:  // the device's own restart is not an unplug
                if (!here) {
                    slot.after = Slot::After::kReturn;
                    slot.afterSince = now;
                } else if (now - slot.afterSince > kRestartStartMs) {
                    slot.after = Slot::After::kUnplug;
                }
                break;
            case Slot::After::kReturn:
                if (here) {
                    slot.after = Slot::After::kUnplug;
                } else if (now - slot.afterSince > kReturnMs) {
                    slot.after = Slot::After::kNothing;  // it never came back: the port is free
                    std::lock_guard lock(slot.mutex);
                    slot.status.state = PortStatus::State::kWaiting;
                }
                break;
            case Slot::After::kUnplug:
                if (!here) {
                    slot.after = Slot::After::kNothing;
                    std::lock_guard lock(slot.mutex);
                    slot.status.state = PortStatus::State::kWaiting;
                }
                break;
            case Slot::After::kNothing:
                if (!here) {
                    if (slot.status.state == PortStatus::State::kNotStarted) {
                        std::lock_guard lock(slot.mutex);
                        slot.status.state = PortStatus::State::kWaiting;
                    }
                } else if (stop_) {
                    std::lock_guard lock(slot.mutex);
                    slot.status.state = PortStatus::State::kNotStarted;
                } else {
                    Start(slot);
                }
                break;
        }
    }
}

std::vector<PortStatus> Station::Rows() {
    std::vector<PortStatus> rows;
    for (auto& s : slots_) rows.push_back(s->Snapshot());
    return rows;
}

std::vector<PortStatus> Station::Run() {
    sim::ClockMembership member(setup_.VirtualClock());
    HidPlatform& base = setup_.Base();
    if (!options_.watch) {
        const std::vector<std::string> ports =
            options_.ports.empty() ? FittingPorts(base, loaded_) : options_.ports;
        for (const std::string& p : ports) SlotOf(p);
        for (auto& s : slots_) Start(*s);
    }
    std::uint64_t nextScan = base.NowMs();
    for (;;) {
        // On virtual time a run that ends now is seen ended now, not at the next tick or now as
        // the threads happened to be scheduled: the station's own end is then the same each time.
        if (sim::SimClock* clock = setup_.VirtualClock()) clock->WaitForOthers();
        const std::uint64_t now = base.NowMs();
        bool busy = false;
        for (auto& s : slots_) {
            if (s->status.state != PortStatus::State::kRunning || !s->controller) continue;
            s->controller->Tick();
            if (s->controller->Busy()) {
                busy = true;
            } else {
                Finish(*s);
            }
        }
        if (options_.watch && now >= nextScan) {
            Watch(now);
            nextScan = now + kScanMs;
            for (auto& s : slots_) busy = busy || s->status.state == PortStatus::State::kRunning;
        }
        busy_ = busy;
        events_.OnTick(Rows());
        if (!busy && (!options_.watch || stop_)) break;
        base.Sleep(kTickMs);
    }
    return Rows();
}

}  // namespace quillon
