#include "support/WatchEndurance.h"

#include <random>

#include "app/Station.h"
#include "sim/SimulatedBus.h"
#include "support/SimulatedRun.h"
#include "support/TempDir.h"

namespace quillon::test {

namespace {

const std::string kFirmware = std::string(QUILLON_EXAMPLES) + "/scanner-model3.fw";
const std::string kImage = std::string(QUILLON_EXAMPLES) + "/scanner-model3.bin";

// The operator pulls a device this long after its run ended: after its restart into the new
// firmware (1.5 s) has been seen, as the screen asks.
constexpr std::uint64_t kPullAfterMs = 4000;
// A device goes into the port between these times after the last one came out: a hand is not
// quicker, and the watch, which looks every 200 ms, may miss a quicker swap.
constexpr std::uint32_t kMinGapMs = 500;
constexpr std::uint32_t kMaxGapMs = 1500;
// Far beyond the longest legal run (about 3 minutes with every wait at its longest), per device
// a port sees: past it, a device is taken to have been left waiting.
constexpr std::uint64_t kStuckMs = 5 * 60 * 1000;

// The commands an update of a model-3 file sends.
constexpr sim::SimCommand kCommands[] = {
    sim::SimCommand::kQueryMode,  sim::SimCommand::kQueryModel, sim::SimCommand::kReadDeviceInfo,
    sim::SimCommand::kEraseFlash, sim::SimCommand::kWriteFlash, sim::SimCommand::kReadFlash,
    sim::SimCommand::kJumpTo,     sim::SimCommand::kSwitch};

template <typename T, std::size_t N>
T Pick(std::mt19937& rng, const T (&items)[N]) {
    return items[rng() % N];
}

class Endurance : public StationEvents {
  public:
    Endurance(const EnduranceOptions& options, EnduranceResult& result)
        : options_(options), result_(result), rng_(options.seed), image_(TempDir::Read(kImage)) {}

    bool Open() {
        std::string error;
        if (!setup_.Open(SimulatedRun(kFirmware), error) ||
            !sim::PreloadFirmware(kFirmware, loaded_)) {
            result_.problems.push_back("the station could not be set up: " + error);
            return false;
        }
        model_ = Bus().Device(0).Config();
        setup_.Bus()->Use({}, false);  // a bus of its own, in place of that one device's
        for (std::uint32_t p = 0; p < options_.ports; ++p) {
            sim::SimDeviceConfig empty = model_;
            empty.port = "sim-" + std::to_string(p + 1);
            empty.plugAtMs = UINT64_MAX;
            Bus().AddDevice(empty);
            ports_.push_back(Port{empty.port});
            Plug(p, 37 * p);
        }
        return true;
    }

    void Run() {
        Station station(setup_, loaded_, {kFirmware, {}, true, logs_.Path().string(), {}, {}},
                        *this);
        station_ = &station;
        station.Run();
        station_ = nullptr;
        result_.virtualMs = setup_.Base().NowMs();
        if (Bus().OpenHandles() != 0) result_.problems.push_back("handles were left open");
    }

    void OnText(const std::string&, const std::string&, std::uint64_t,
                const std::string&) override {}

    void OnFinished(const FinishedRun& run) override {
        ++result_.runs;
        Port* port = Find(run.port);
        if (port == nullptr || !port->occupied) {
            result_.problems.push_back("a run at " + run.port + " for no device plugged in");
            return;
        }
        const std::uint64_t now = setup_.Base().NowMs();
        sim::SimDevice& d = Bus().Device(static_cast<std::size_t>(port - ports_.data()));
        if (run.ok) {
            ++result_.done;
            std::vector<std::uint8_t> flash(image_.size());
            d.Flash().Read(loaded_.g_fwStartAddress, flash.data(),
                           static_cast<std::uint32_t>(flash.size()));
            if (flash != image_)
                result_.problems.push_back("완료 at " + run.port + ", flash differs");
        }
        if (d.BadFrames() != 0) result_.problems.push_back("a malformed frame at " + run.port);
        if (port->pullAt != UINT64_MAX) {
            // A failed run can leave its device restarting (a switch whose answer was lost), and
            // the watch takes it back as a device plugged in anew; never after 완료.
            if (port->lastOk) {
                result_.problems.push_back("a second run after 완료 at " + run.port);
            }
            ++result_.reruns;
        }
        port->lastOk = run.ok;
        port->pullAt = now + kPullAfterMs;
    }

    void OnTick(const std::vector<PortStatus>& rows) override {
        const std::uint64_t now = setup_.Base().NowMs();
        bool busy = false;
        for (std::size_t p = 0; p < ports_.size(); ++p) {
            Port& port = ports_[p];
            // Nobody pulls a device whose row says it is being updated.
            if (port.pullAt <= now && !Running(rows, port.name)) {
                port.pullAt = UINT64_MAX;
                port.occupied = false;
                if (result_.plugged < options_.cycles) {
                    Plug(p, now + kMinGapMs + rng_() % (kMaxGapMs - kMinGapMs));
                } else {
                    sim::SimDeviceConfig empty = model_;
                    empty.plugAtMs = UINT64_MAX;
                    Bus().SwapDevice(p, empty);
                }
            }
            busy = busy || port.occupied;
        }
        if (!busy) station_->Stop();
        if (now > lastProgress_ + kStuckMs) {
            result_.problems.push_back(
                "a device was left waiting: " + std::to_string(result_.runs) + " runs for " +
                std::to_string(result_.plugged) + " devices");
            lastProgress_ = UINT64_MAX - kStuckMs;
            station_->Stop();
        }
    }

  private:
    struct Port {
        std::string name;
        std::uint64_t pullAt = UINT64_MAX;  // set once its device has been run
        bool lastOk = false;
        bool occupied = false;  // a device is in it, or about to go in
    };

    sim::SimPlatform& Bus() { return setup_.Bus()->Platform(); }

    static bool Running(const std::vector<PortStatus>& rows, const std::string& port) {
        for (const PortStatus& r : rows) {
            if (r.port == port) return r.state == PortStatus::State::kRunning;
        }
        return false;
    }

    Port* Find(const std::string& name) {
        for (Port& p : ports_) {
            if (p.name == name) return &p;
        }
        return nullptr;
    }

    void Plug(std::size_t p, std::uint64_t at) {
        sim::SimDeviceConfig c = model_;
        c.port.clear();
        c.plugAtMs = at;
        c.seed = rng_();  // another old firmware in every one
        if (rng_() % 3 == 0) {
            sim::FaultRule r;
            r.command = Pick(rng_, kCommands);
            r.kind = Pick(rng_, sim::kFaultKinds);
            r.from = r.to = 1 + rng_() % 8;
            r.delayMs = rng_() % 2500;
            r.after = rng_() % 2 == 0;
            c.faults.push_back(r);
            ++result_.faulty;
        }
        Bus().SwapDevice(p, c);
        ports_[p].occupied = true;
        ++result_.plugged;
        lastProgress_ = at;
    }

    const EnduranceOptions& options_;
    EnduranceResult& result_;
    std::mt19937 rng_;
    std::vector<std::uint8_t> image_;
    TempDir logs_;
    RunSetup setup_;
    SharedState loaded_;
    sim::SimDeviceConfig model_;
    std::vector<Port> ports_;
    Station* station_ = nullptr;
    std::uint64_t lastProgress_ = 0;
};

}  // namespace

EnduranceResult RunWatchEndurance(const EnduranceOptions& options) {
    EnduranceResult result;
    auto endurance = std::make_unique<Endurance>(options, result);
    if (endurance->Open()) endurance->Run();
    return result;
}

}  // namespace quillon::test
