// Telling devices apart: the kind test, and both identification operations against simulated
// devices.
#include <gtest/gtest.h>

#include "state/Texts.h"
#include "support/Rig.h"

namespace quillon {
namespace {

using Strings = std::vector<std::string>;
using test::Rig;

// A rig whose first interface is the candidate under examination.
struct Candidate : Rig {
    Candidate(sim::SimDeviceConfig device, std::uint32_t fileModel, std::uint8_t type = 1) {
        Firmware(fileModel, type);
        Add(std::move(device));
        const Handle list = sim.OpenInterfaceList();
        std::string path;
        sim.EnumInterface(list, 0, path);
        sim.DestroyInterfaceList(list);
        st->g_pDetail = std::make_unique<InterfaceDetail>(InterfaceDetail{path});
        st->SetHidCaps({1, 0xFF00, 64, 64});
    }
};

sim::SimDeviceConfig Device(std::uint32_t model, std::uint8_t generation, std::uint8_t family,
                            std::uint32_t frameModel = 0) {
    sim::SimDeviceConfig d;
    d.model = model;
    d.frameModel = frameModel;
    d.application = {0x0581, 0x011A};
    d.generation = generation;
    d.family = family;
    return d;
}

struct SwitchCase {
    const char* name;
    sim::SimDeviceConfig device;
    std::uint32_t fileModel;
    std::uint8_t result;
    Strings texts;
};

TEST(Identification, IdentifyAndSwitch) {
    sim::SimDeviceConfig silent = Device(7, 4, 2);
    silent.faults = {{sim::SimCommand::kQueryMode, 1, 1, sim::FaultKind::kNoAnswer}};
    sim::SimDeviceConfig noInfo = Device(5, 4, 1);
    noInfo.faults = {{sim::SimCommand::kReadDeviceInfo, 1, 1, sim::FaultKind::kNoAnswer}};
    sim::SimDeviceConfig noModel = Device(7, 4, 2);
    noModel.faults = {{sim::SimCommand::kQueryModel, 1, 1, sim::FaultKind::kNoAnswer}};
    const SwitchCase cases[] = {
        {"model 5 fits", Device(5, 4, 1), 5, 2, {}},
        {"model 5, family 2", Device(5, 4, 2), 5, 1, {}},
        {"model 7 differs in the low byte only", Device(0x123400AA, 4, 2, 7), 0x12340007, 2, {}},
        {"model 7 differs in bit 8", Device(0x00000107, 4, 2), 7, 1, {text::kFirmwareMismatchBang}},
        {"model 7, no model answer", noModel, 7, 1, {}},
        {"model 3 on a newer device", Device(3, 4, 0), 3, 1, {text::kNewerDevice}},
        {"older generation, model 5", Device(5, 3, 1), 5, 1, {}},
        {"no answer to QueryMode", silent, 7, 0, {}},
        {"no answer to ReadDeviceInfo", noInfo, 5, 1, {}},
    };
    for (const SwitchCase& c : cases) {
        SCOPED_TRACE(c.name);
        Candidate rig(c.device, c.fileModel);
        EXPECT_EQ(rig.rx.identification.IdentifyAndSwitch(true), c.result);
        EXPECT_EQ(rig.Messages(), c.texts);
        EXPECT_EQ(rig.sim.Device(0).BadFrames(), 0u) << rig.sim.Device(0).LastBadFrame();
        EXPECT_EQ(rig.sim.OpenHandles(), 0u);  // the channel was closed on every path
        const bool switched = c.result == 2;
        EXPECT_EQ(rig.log.Last()[1] == kSwitchRequest, switched);
    }
}

TEST(Identification, SwitchRequestReusesThePreviousFrame) {
    Candidate rig(Device(5, 4, 1), 5);
    ASSERT_EQ(rig.rx.identification.IdentifyAndSwitch(true), 2);
    const auto& writes = rig.log.Writes();
    ASSERT_EQ(writes.size(), 3u);  // QueryMode, ReadDeviceInfo, switch
    std::vector<std::uint8_t> expected = writes[1];
    expected[1] = 0x52;
    EXPECT_EQ(writes[2], expected);
    // The device restarts into its boot loader under its boot-loader identity.
    rig.sim.Sleep(1499);
    EXPECT_FALSE(rig.sim.Device(0).Present(rig.Now()));
    rig.sim.Sleep(1);
    EXPECT_TRUE(rig.sim.Device(0).Present(rig.Now()));
    EXPECT_TRUE(rig.sim.Device(0).InBootloader());
}

TEST(Identification, IdentifyAndSwitchWithoutQueryAsksNothing) {
    Candidate rig(Device(1, 3, 0), 1);
    EXPECT_EQ(rig.rx.identification.IdentifyAndSwitch(false), 2);
    ASSERT_EQ(rig.log.Writes().size(), 1u);
    const auto& w = rig.log.Last();
    EXPECT_EQ(w[0], 0xBA);
    EXPECT_EQ(w[1], 0x52);
    EXPECT_EQ(rig.Now(), 0u);
}

struct IdentifyCase {
    const char* name;
    sim::SimDeviceConfig device;
    std::uint32_t fileModel;
    std::uint8_t result;
    Strings texts;
};

TEST(Identification, IdentifyDevice) {
    sim::SimDeviceConfig silent = Device(10, 0, 0);
    silent.faults = {{sim::SimCommand::kQueryMode, 1, 1, sim::FaultKind::kNoAnswer}};
    sim::SimDeviceConfig noModel = Device(10, 0, 0);
    noModel.faults = {{sim::SimCommand::kQueryModel, 1, 1, sim::FaultKind::kNoAnswer}};
    const IdentifyCase cases[] = {
        {"format 2, same model", Device(0x0001000A, 0, 0), 0x0001000A, 0, {}},
        {"format 2, differs in one high bit", Device(0x8001000A, 0, 0), 0x0001000A, 0xFF, {}},
        {"format 2, no model answer", noModel, 10, 1, {}},
        {"no answer to QueryMode", silent, 10, 2, {}},
        {"model 1 on an older device", Device(1, 3, 0), 1, 0, {}},
        {"model 7 family alone decides", Device(0x999907, 4, 2), 7, 0, {}},
        {"model 5 wrong family", Device(5, 4, 0), 5, 1, {}},
        {"model 6 on a newer device", Device(6, 4, 0), 6, 1, {text::kNewerDevice}},
    };
    for (const IdentifyCase& c : cases) {
        SCOPED_TRACE(c.name);
        Candidate rig(c.device, c.fileModel, 0);
        EXPECT_EQ(rig.rx.identification.IdentifyDevice(), c.result);
        EXPECT_EQ(rig.Messages(), c.texts);
        EXPECT_EQ(rig.sim.OpenHandles(), 0u);
    }
}

}  // namespace
}  // namespace quillon
