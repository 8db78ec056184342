// Station mode on virtual time: many devices updated at once, each at its own port, faults
// staying where they are, ports not asked for left alone, and the watch for a production line.
#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <set>

#include "app/Station.h"
#include "firmware/FirmwareHeader.h"
#include "state/Texts.h"
#include "support/StationBench.h"

namespace quillon {
namespace {

struct Recorder : StationEvents {
    void OnText(const std::string& port, const std::string& text, std::uint64_t,
                const std::string&) override {
        std::lock_guard lock(mutex);
        texts[port].push_back(text);
    }
    void OnFinished(const FinishedRun& run) override { finished.push_back(run); }
    void OnTick(const std::vector<PortStatus>&) override {
        if (tick) tick();
    }
    std::mutex mutex;
    std::map<std::string, std::vector<std::string>> texts;
    std::vector<FinishedRun> finished;
    std::function<void()> tick;
};

using Bench = test::StationBench;

TEST(Station, EightIdenticalDevicesSwitchAndProgramEachAtItsOwnPort) {
    // One device alone, for the virtual duration of a clean run.
    std::uint64_t alone = 0;
    {
        Bench b;
        Recorder r;
        Station(b.setup, *b.loaded, b.Options(), r).Run();
        ASSERT_EQ(r.finished.size(), 1u);
        ASSERT_TRUE(r.finished[0].ok);
        alone = r.finished[0].durationMs;
    }

    Bench b;
    // Device 0 (sim-1) is there already; seven more alike, two of them with faults.
    std::vector<sim::SimDevice*> devices{&b.bus().Device(0)};
    for (int i = 2; i <= 8; ++i) {
        std::vector<sim::FaultRule> faults;
        if (i == 3)
            faults.push_back({sim::SimCommand::kReadFlash, 2, 2, sim::FaultKind::kWriteTimeout});
        if (i == 6)
            faults.push_back({sim::SimCommand::kEraseFlash, 3, 3, sim::FaultKind::kErrorStatus});
        devices.push_back(&b.Add("sim-" + std::to_string(i), faults));
    }
    sim::SimDevice& stranger = b.Add("elsewhere");
    StationOptions o = b.Options();
    for (int i = 1; i <= 8; ++i) o.ports.push_back("sim-" + std::to_string(i));
    Recorder r;
    const std::vector<PortStatus> rows = Station(b.setup, *b.loaded, o, r).Run();

    ASSERT_EQ(rows.size(), 8u);
    ASSERT_EQ(r.finished.size(), 8u);
    for (int i = 1; i <= 8; ++i) {
        const std::string port = "sim-" + std::to_string(i);
        SCOPED_TRACE(port);
        const PortStatus& row = rows[static_cast<std::size_t>(i - 1)];
        EXPECT_EQ(row.port, port);
        sim::SimDevice& d = *devices[static_cast<std::size_t>(i - 1)];
        EXPECT_EQ(d.BadFrames(), 0u);
        if (i == 3) {
            EXPECT_FALSE(row.ok);
            EXPECT_EQ(r.texts[port],
                      (std::vector<std::string>{text::kBurnTimeout, text::kReadBurnFailed}));
        } else if (i == 6) {
            EXPECT_FALSE(row.ok);
            EXPECT_EQ(r.texts[port].back(), text::kEraseFailed);
        } else {
            EXPECT_TRUE(row.ok);
            EXPECT_EQ(r.texts[port], std::vector<std::string>{text::kDone});
            // Found again at its own port after its restart, and programmed there.
            EXPECT_EQ(b.Flash(d), b.image);
            EXPECT_EQ(d.Count(sim::SimCommand::kJumpTo),
                      2u);  // into the boot loader, then the firmware
        }
    }
    for (const FinishedRun& run : r.finished) {
        SCOPED_TRACE(run.port);
        // Each device saw the same virtual times as if it had been alone on the bus.
        if (run.ok) {
            EXPECT_EQ(run.durationMs, alone);
            EXPECT_EQ(run.bytes, b.image.size());
        } else {
            EXPECT_LT(run.bytes, b.image.size());  // only what was verified before the fault
        }
        EXPECT_EQ(run.exitCode, run.ok ? 0 : 1);
    }
    // The device at a port not asked for was never even looked at.
    for (int c = 0; c < static_cast<int>(sim::kCommandKinds); ++c) {
        EXPECT_EQ(stranger.Count(static_cast<sim::SimCommand>(c)), 0u);
    }
    EXPECT_EQ(stranger.Restarts(), 0u);
}

TEST(Station, WatchUpdatesEachPluggedDeviceOnceUntilItIsUnplugged) {
    Bench b;
    // sim-1 holds the first device from the start; it is pulled at 30 s and another one goes
    // in at 40 s. A third device is plugged into sim-2 at 10 s.
    b.setup.Bus()->Use({}, false);  // an empty bus; the devices below are all there is
    sim::SimDevice& d1 = b.Add("sim-1", {}, 0, 30000);
    sim::SimDevice& d2 = b.Add("sim-1", {}, 40000);
    sim::SimDevice& d3 = b.Add("sim-2", {}, 10000);

    Recorder r;
    Station station(b.setup, *b.loaded, b.Options(true), r);
    r.tick = [&] {
        if (b.setup.Base().NowMs() >= 90000) station.Stop();
    };
    const std::vector<PortStatus> rows = station.Run();

    ASSERT_EQ(r.finished.size(), 3u);
    for (const FinishedRun& run : r.finished) EXPECT_TRUE(run.ok) << run.port;
    EXPECT_EQ(r.finished[0].port, "sim-1");
    EXPECT_EQ(r.finished[1].port, "sim-2");
    EXPECT_EQ(r.finished[2].port, "sim-1");
    for (sim::SimDevice* d : {&d1, &d2, &d3}) {
        EXPECT_EQ(b.Flash(*d), b.image);
        EXPECT_EQ(d->Count(sim::SimCommand::kJumpTo), 2u);  // one update each, not two
    }
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].runs, 2u);
    EXPECT_EQ(rows[0].state, PortStatus::State::kUnplug);
    EXPECT_EQ(rows[1].runs, 1u);
}

// Ctrl-C at 1.5 s in a watch whose scanners are plugged in at 0, 2, 4 and 6 s over a slow link:
// the run in hand is finished, each device plugged in afterwards is left alone with a row that
// says so, and the station ends the moment that run has.
TEST(Station, InterruptedWatchFinishesTheRunInHandAndStartsNoOther) {
    Bench b;
    b.setup.Bus()->Use({}, false);
    b.device.latencyMs = 2;  // the run in hand lasts until after the last plug
    // Named so that their order as text (sim-10 first) is not the order they are shown in.
    const std::vector<std::string> ports = {"sim-9", "sim-10", "sim-11", "sim-12"};
    std::vector<sim::SimDevice*> devices;
    for (std::size_t i = 0; i < ports.size(); ++i)
        devices.push_back(&b.Add(ports[i], {}, 2000 * i));

    Recorder r;
    Station station(b.setup, *b.loaded, b.Options(true), r);
    r.tick = [&] {
        if (b.setup.Base().NowMs() >= 1500) station.Stop();
    };
    const std::vector<PortStatus> rows = station.Run();
    const std::uint64_t endedMs = b.setup.Base().NowMs();

    ASSERT_EQ(r.finished.size(), 1u);
    EXPECT_EQ(r.finished[0].port, "sim-9");
    EXPECT_TRUE(r.finished[0].ok);
    EXPECT_EQ(b.Flash(*devices[0]), b.image);
    // Plugged in at 0 and found at once, switched, programmed at 2 ms a report and restarted;
    // the station ends the moment that run has.
    EXPECT_EQ(r.finished[0].durationMs, 7536u);
    EXPECT_EQ(endedMs, 7536u);
    ASSERT_EQ(rows.size(), ports.size());
    for (std::size_t i = 0; i < ports.size(); ++i) {
        SCOPED_TRACE(ports[i]);
        EXPECT_EQ(rows[i].port, ports[i]);
        if (i == 0) {
            EXPECT_EQ(rows[i].state, PortStatus::State::kUnplug);
            EXPECT_EQ(rows[i].model, b.loaded->g_fwModel);
            continue;
        }
        EXPECT_EQ(rows[i].state, PortStatus::State::kNotStarted);
        EXPECT_EQ(rows[i].runs, 0u);
        EXPECT_FALSE(rows[i].model);  // never asked
        for (int c = 0; c < static_cast<int>(sim::kCommandKinds); ++c) {
            EXPECT_EQ(devices[i]->Count(static_cast<sim::SimCommand>(c)), 0u);
        }
    }
}

// One name per port, and no two ports with one name: the escape character is escaped too.
TEST(Station, ReadBackLogsArePerPort) {
    const std::pair<const char*, const char*> rows[] = {
        {"1-1.2", "Readtest-1-1.2.bin"},
        {"PCIROOT(0)#USB(2)", "Readtest-PCIROOT_280_29_23USB_282_29.bin"},
        {"a/b", "Readtest-a_2Fb.bin"},
        {"a_b", "Readtest-a__b.bin"},
        {"a_2Fb", "Readtest-a__2Fb.bin"},
        {"a__b", "Readtest-a____b.bin"},
    };
    std::set<std::string> names;
    for (const auto& [port, name] : rows) {
        EXPECT_EQ(ReadBackLogFor(port), name) << port;
        EXPECT_TRUE(names.insert(ReadBackLogFor(port)).second) << port;
    }
}

}  // namespace
}  // namespace quillon
