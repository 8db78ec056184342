// The --simulate bus: one device fitted per model (kept for the same model, replaced for
// another), a scenario's devices left alone, and 1 ms per report in real time only.
#include <gtest/gtest.h>

#include "sim/SimulatedBus.h"
#include "support/Rig.h"

namespace quillon {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST(SimulatedBus, FitsOneDevicePerModel) {
    test::Rig rig;
    const std::string model3 = rig.Firmware(3);
    const std::string model1 = rig.Firmware(1);
    sim::SimulatedBus bus(true);
    EXPECT_EQ(bus.Platform().DeviceCount(), 0u);

    bus.FitToFile(model3);
    ASSERT_EQ(bus.Platform().DeviceCount(), 1u);
    sim::SimDevice* first = &bus.Platform().Device(0);
    bus.FitToFile(model3);  // the same model: the same device, flash and all
    EXPECT_EQ(&bus.Platform().Device(0), first);

    bus.FitToFile(model1);  // another model: a fresh bus with its device
    ASSERT_EQ(bus.Platform().DeviceCount(), 1u);
    HidAttributes a;
    std::string path;
    const Handle list = bus.OpenInterfaceList();
    ASSERT_TRUE(bus.EnumInterface(list, 0, path));
    bus.DestroyInterfaceList(list);
    const Handle probe = bus.OpenForQuery(path);
    ASSERT_TRUE(bus.GetAttributes(probe, a));
    bus.CloseHandle(probe);
    EXPECT_EQ(a.productId, 0x0110);  // model 1 in its application

    bus.FitToFile(rig.dir.File("missing.fw"));  // refused: the bus stays
    EXPECT_EQ(bus.Platform().DeviceCount(), 1u);
}

TEST(SimulatedBus, ScenarioDevicesStay) {
    test::Rig rig;
    const std::string scenario = rig.dir.Write("two.json", Bytes(R"({"devices": [{}, {}]})"));
    sim::SimulatedBus bus(true);
    std::string error;
    ASSERT_TRUE(bus.UseScenarioFile(scenario, error)) << error;
    EXPECT_TRUE(bus.HasScenario());
    EXPECT_EQ(bus.Platform().DeviceCount(), 2u);
    bus.FitToFile(rig.Firmware(1));
    EXPECT_EQ(bus.Platform().DeviceCount(), 2u);

    EXPECT_FALSE(bus.UseScenarioFile(rig.dir.File("none.json"), error));
    EXPECT_FALSE(error.empty());
}

TEST(SimulatedBus, RealTimeReportsTakeAMillisecond) {
    test::Rig rig;
    const std::string file = rig.Firmware(3);
    for (const bool virtualTime : {true, false}) {
        sim::SimulatedBus bus(virtualTime);
        bus.FitToFile(file);
        EXPECT_EQ(bus.Platform().Device(0).Config().latencyMs, virtualTime ? 0u : 1u);
    }
}

}  // namespace
}  // namespace quillon
