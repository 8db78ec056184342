// Devices told apart by the port they are plugged into: one port's view of the bus, the refusal
// of a file that fits devices at several ports, and plug times.
#include <gtest/gtest.h>

#include "app/RunSetup.h"
#include "hid/PortView.h"
#include "sim/Scenario.h"
#include "support/SimulatedRun.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

const std::string kFirmware = std::string(QUILLON_EXAMPLES) + "/scanner-model3.fw";

std::vector<std::string> Listed(HidPlatform& hid) {
    std::vector<std::string> out;
    const Handle list = hid.OpenInterfaceList();
    std::string path;
    for (std::uint32_t i = 0; hid.EnumInterface(list, i, path); ++i) {
        out.push_back(path + "@" + hid.InterfacePort(list, i));
    }
    hid.DestroyInterfaceList(list);
    return out;
}

TEST(PortView, SeesOnlyItsPortAndOpensNothingElse) {
    sim::SimPlatform bus(true);
    sim::SimDeviceConfig two;
    two.collections.resize(2);
    bus.AddDevice({});   // sim-1
    bus.AddDevice(two);  // sim-2, two interfaces
    bus.AddDevice({});   // sim-3
    EXPECT_EQ(Listed(bus), (std::vector<std::string>{"sim:d0.1/c0@sim-1", "sim:d1.1/c0@sim-2",
                                                     "sim:d1.1/c1@sim-2", "sim:d2.1/c0@sim-3"}));
    PortView view(bus, "sim-2");
    EXPECT_EQ(Listed(view), (std::vector<std::string>{"sim:d1.1/c0@sim-2", "sim:d1.1/c1@sim-2"}));
    for (const char* other : {"sim:d0.1/c0", "sim:d2.1/c0"}) {
        EXPECT_EQ(view.OpenForQuery(other), kInvalidHandle) << other;
        EXPECT_EQ(view.OpenOverlapped(other), kInvalidHandle) << other;
        EXPECT_EQ(bus.ProbeCount(other), 0u) << other;
    }
    const Handle own = view.OpenOverlapped("sim:d1.1/c1");
    EXPECT_NE(own, kInvalidHandle);
    view.CloseHandle(own);
}

TEST(RunSetup, PinsAnUpdateToThePortOfItsDeviceAndRefusesSeveral) {
    test::TempDir dir;
    struct Case {
        const char* name;
        const char* devices;  // scenario "devices" array
        bool opens;
        std::string pinned;  // the one port the run sees
    };
    const Case cases[] = {
        {"one device", R"([{"model": 3, "port": "1-4"}])", true, "1-4"},
        {"a device the file does not fit beside it",
         R"([{"model": 3, "port": "1-4"},
             {"port": "1-5", "application": {"vid": "0x1234", "pid": 1}}])",
         true, "1-4"},
        {"two that fit", R"([{"port": "1-4"}, {"port": "1-5"}])", false, ""},
        {"none", "[]", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunOptions o = test::SimulatedRun(
            kFirmware, dir.WriteText("s.json", std::string(R"({"devices": )") + c.devices + "}"));
        o.pinToFittingPort = true;
        RunSetup setup;
        std::string error;
        ASSERT_EQ(setup.Open(o, error), c.opens) << error;
        EXPECT_EQ(setup.Ambiguous(), !c.opens);
        if (!c.opens) {
            EXPECT_NE(error.find("1-4, 1-5"), std::string::npos) << error;
            EXPECT_NE(error.find("--port"), std::string::npos) << error;
            continue;
        }
        const std::vector<std::string> seen = Listed(setup.Hid());
        if (c.pinned.empty()) {
            EXPECT_EQ(seen.size(), Listed(setup.Base()).size());
        } else {
            ASSERT_EQ(seen.size(), 1u);
            EXPECT_EQ(seen[0].substr(seen[0].find('@') + 1), c.pinned);
        }
    }
}

// A device is on the bus only between its plug times.
TEST(SimPlatform, DeviceIsThereBetweenItsPlugTimes) {
    sim::SimPlatform bus(true);
    sim::SimDeviceConfig late;
    late.plugAtMs = 500;
    late.unplugAtMs = 900;
    bus.AddDevice(late);
    for (const auto& [at, present] :
         {std::pair{0, false}, {499, false}, {500, true}, {899, true}, {900, false}}) {
        bus.Clock().AdvanceTo(static_cast<std::uint64_t>(at));
        EXPECT_EQ(Listed(bus).size(), present ? 1u : 0u) << at;
    }
}

}  // namespace
}  // namespace quillon
