// Finding the device: the three cases, the collection screen and what is left behind.
#include <gtest/gtest.h>

#include <cstdio>

#include "sim/Scenario.h"
#include "state/Texts.h"
#include "support/Rig.h"

namespace quillon {
namespace {

using sim::SimCollection;
using sim::SimDeviceConfig;
using test::Rig;

constexpr SimCollection kKeyboard{0x0001, 0x0006, 9, 2};
constexpr SimCollection kMouse{0x0001, 0x0002, 5, 0};
constexpr SimCollection kVendor{0xFF00, 0x0001, 65, 65};

SimDeviceConfig At(std::uint16_t vid, std::uint16_t pid, std::uint32_t model = 3) {
    SimDeviceConfig d;
    d.model = model;
    d.application = {vid, pid};
    d.bootloader = {0x0581, 0x0111};
    return d;
}

std::string PathOf(Rig& rig, std::size_t device, std::size_t collection) {
    return "sim:d" + std::to_string(device) + "." +
           std::to_string(rig.sim.Device(device).Incarnation()) + "/c" + std::to_string(collection);
}

TEST(Discovery, NothingPresentClosesAHeldHandle) {
    Rig rig;
    rig.Firmware(3, 1);
    rig.st->g_hHeldDevice = 1234;  // left from an earlier run
    rig.st->g_hProbe = kInvalidHandle;
    EXPECT_EQ(rig.rx.discovery.FindDevice(), FIND_NONE);
    EXPECT_EQ(rig.st->g_hHeldDevice, kInvalidHandle);
    rig.sim.FailInterfaceList(true);
    EXPECT_EQ(rig.rx.discovery.FindDevice(), FIND_NONE);
}

TEST(Discovery, VendorCollectionIsFoundBesideAKeyboardInEitherOrder) {
    for (bool keyboardFirst : {true, false}) {
        Rig rig;
        rig.Firmware(3, 1);
        SimDeviceConfig d = At(0x0581, 0x0115);
        d.collections =
            keyboardFirst ? std::vector{kKeyboard, kVendor} : std::vector{kVendor, kKeyboard};
        rig.Add(d);
        EXPECT_EQ(rig.rx.discovery.FindDevice(), FIND_FOUND);
        EXPECT_EQ(rig.st->g_strDevicePath, PathOf(rig, 0, keyboardFirst ? 1 : 0));
        EXPECT_EQ(rig.st->g_HidCaps.outputReportByteLength, 65);
        EXPECT_GE(rig.st->g_outReport.size(), 65u);
        EXPECT_EQ(rig.sim.OpenHandles(), 0u);  // exact case keeps nothing open
    }
}

TEST(Discovery, FirstOfTwoDevicesIsChosenAndTheSecondNeverProbed) {
    Rig rig;
    rig.Firmware(264, 0);
    rig.Add(At(0x0581, 0x0215, 264));
    rig.Add(At(0x0581, 0x0215, 264));
    EXPECT_EQ(rig.rx.discovery.FindDevice(), FIND_FOUND);
    EXPECT_EQ(rig.st->g_strDevicePath, PathOf(rig, 0, 0));
    EXPECT_EQ(rig.sim.ProbeCount(PathOf(rig, 1, 0)), 0u);
}

TEST(Discovery, ExactCaseWithOnlyAKeyboardKeepsItsPath) {
    Rig rig;
    rig.Firmware(3, 0);
    SimDeviceConfig d = At(0x0581, 0x0115);
    d.collections = {kKeyboard};
    rig.Add(d);
    EXPECT_EQ(rig.rx.discovery.FindDevice(), FIND_NONE);
    EXPECT_EQ(rig.st->g_strDevicePath, PathOf(rig, 0, 0));
}

TEST(Discovery, MouseCollectionIsPassedOver) {
    Rig rig;
    rig.Firmware(3, 0);
    SimDeviceConfig d = At(0x0581, 0x0115);
    d.collections = {kMouse};
    rig.Add(d);
    EXPECT_EQ(rig.rx.discovery.FindDevice(), FIND_NONE);
}

TEST(Discovery, BootLoaderCaseWithAppPid1) {
    struct Case {
        std::uint32_t model;
        std::uint8_t result;
    };
    for (Case c : {Case{1, FIND_SWITCHING}, Case{5, FIND_NONE}, Case{7, FIND_NONE}}) {
        SCOPED_TRACE(c.model);
        Rig rig;
        rig.Firmware(c.model, 1);
        rig.Add(At(0x0581, 0x0110, c.model));
        EXPECT_EQ(rig.rx.discovery.FindDevice(), c.result);
        if (c.result == FIND_SWITCHING) {
            // Switched without a question: the only report is the switch request.
            ASSERT_EQ(rig.log.Writes().size(), 1u);
            EXPECT_EQ(rig.log.Last()[1], 0x52);
        } else {
            EXPECT_TRUE(rig.log.Writes().empty());
        }
    }
}

TEST(Discovery, BootLoaderCaseQueriesTheAlternativeIdentity) {
    Rig rig;
    rig.Firmware(5, 1);
    SimDeviceConfig d = At(0x1EAB, 0x3303, 5);
    d.generation = 4;
    d.family = 1;
    d.bootloader = {0x0581, 0x0120};
    rig.Add(d);
    EXPECT_EQ(rig.rx.discovery.FindDevice(), FIND_SWITCHING);
    ASSERT_EQ(rig.log.Writes().size(), 3u);
    EXPECT_EQ(rig.log.Writes()[0][1], 0x5D);  // QueryMode first
    // After the restart the device is found exactly under the boot-loader pair, and held.
    rig.sim.Sleep(1500);
    EXPECT_EQ(rig.rx.discovery.FindDevice(), FIND_FOUND);
    EXPECT_EQ(rig.st->g_strDevicePath, "sim:d0.2/c0");
    EXPECT_NE(rig.st->g_hHeldDevice, kInvalidHandle);
    EXPECT_EQ(rig.sim.OpenHandles(), 1u);
    rig.rx.channel.CloseDeviceHandles();
    EXPECT_EQ(rig.sim.OpenHandles(), 0u);
}

TEST(Discovery, BootLoaderCaseTakesADeviceThatDoesNotAnswer) {
    Rig rig;
    rig.Firmware(5, 1);
    SimDeviceConfig d = At(0x0581, 0x011D, 5);
    d.faults = {{sim::SimCommand::kQueryMode, 1, 1, sim::FaultKind::kNoAnswer}};
    rig.Add(d);
    EXPECT_EQ(rig.rx.discovery.FindDevice(), FIND_FOUND);
    EXPECT_EQ(rig.st->g_strDevicePath, PathOf(rig, 0, 0));
    EXPECT_EQ(rig.st->g_hHeldDevice, kInvalidHandle);
    EXPECT_EQ(rig.Now(), 1000u);  // the unanswered query's read wait
}

TEST(Discovery, IdentificationCaseOverwritesThePathOfARejectedCandidate) {
    Rig rig;
    rig.Firmware(5, 0);
    SimDeviceConfig wrong = At(0x0581, 0x011A, 5);
    wrong.generation = 4;
    wrong.family = 2;
    rig.Add(wrong);
    rig.st->g_strDevicePath = "before";
    EXPECT_EQ(rig.rx.discovery.FindDevice(), FIND_NONE);
    EXPECT_EQ(rig.st->g_strDevicePath, PathOf(rig, 0, 0));

    SimDeviceConfig right = wrong;
    right.family = 1;
    rig.Add(right);
    EXPECT_EQ(rig.rx.discovery.FindDevice(), FIND_FOUND);
    EXPECT_EQ(rig.st->g_strDevicePath, PathOf(rig, 1, 0));
}

TEST(Discovery, OtherIdentitiesAreIgnored) {
    Rig rig;
    rig.Firmware(5, 0);  // identification case: target 0581:0110
    rig.Add(At(0x0581, 0x0112, 5));
    rig.Add(At(0x0582, 0x0110, 5));
    EXPECT_EQ(rig.rx.discovery.FindDevice(), FIND_NONE);
    EXPECT_TRUE(rig.log.Writes().empty());
}

TEST(Discovery, EveryCallReleasesItsHandles) {
    Rig rig;
    rig.Firmware(10, 0);
    SimDeviceConfig d = At(0x0581, 0x0110, 10);
    rig.Add(d);
    EXPECT_EQ(rig.rx.discovery.FindDevice(), FIND_FOUND);
    EXPECT_EQ(rig.st->g_hProbe, kInvalidHandle);
    EXPECT_EQ(rig.st->g_hDevInfo, kInvalidHandle);
    EXPECT_EQ(rig.st->g_pDetail, nullptr);
    EXPECT_EQ(rig.sim.OpenHandles(), 0u);
}

std::string Ids(const std::vector<LookedFor>& ids) {
    std::string out;
    for (const LookedFor& id : ids) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%s%04X:%04X", out.empty() ? "" : " ", id.vid, id.pid);
        out += buf;
    }
    return out;
}

bool Holds(const std::vector<LookedFor>& ids, const sim::Identity& who) {
    for (const LookedFor& id : ids) {
        if (id.vid == who.vid && id.pid == who.pid) return true;
    }
    return false;
}

// What inspect shows: the identities a run looks for before and after a switch into the boot
// loader, none it never uses; and the simulated device that fits each file is among them.
TEST(Discovery, SearchPlanBeforeAndAfterTheSwitch) {
    struct Row {
        std::uint32_t model;
        std::uint8_t type, storage;
        const char* before;
        const char* after;
        SwitchBy by;
    };
    constexpr SwitchBy kNone = SwitchBy::kNone, kWorker = SwitchBy::kWorker,
                       kDiscovery = SwitchBy::kDiscovery;
    const Row rows[] = {
        {3, 1, 0, "0581:0115", "0581:0115", kWorker},  // boot switch by the worker, same identity
        {3, 0, 0, "0581:0115", "", kNone},             // type 0: no switch
        {259, 1, 1, "0581:0115", "", kNone},           // an SPI image: no switch
        {3, 1, 2, "0581:0115", "0581:0115", kWorker},  // no flash named: switched all the same
        {264, 1, 0, "0581:0215", "0581:0215", kWorker},
        {1, 1, 0, "0581:0111 0581:011A 0581:011D 0581:0110 1EAB:3303", "0581:0111", kDiscovery},
        {5, 1, 0, "0581:0120 0581:011A 0581:011D 1EAB:3303", "0581:0120", kDiscovery},
        {7, 0, 0, "0581:0110 0581:011A 0581:011D 1EAB:3303", "", kNone},
        {10, 1, 0, "0581:0110 0581:011A 0581:011D 1EAB:3303", "", kNone},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("model " + std::to_string(row.model) + " type " + std::to_string(row.type));
        Rig rig;
        rig.Firmware(row.model, row.type, row.storage);
        const SearchPlan plan = PlanSearch(*rig.st);
        EXPECT_EQ(Ids(plan.beforeSwitch), row.before);
        EXPECT_EQ(Ids(plan.afterSwitch), row.after);
        EXPECT_EQ(plan.switchBy, row.by);
        const SimDeviceConfig device = sim::DefaultDeviceFor(*rig.st);
        EXPECT_TRUE(Holds(plan.beforeSwitch, device.application));
        if (!plan.afterSwitch.empty()) {
            EXPECT_TRUE(Holds(plan.afterSwitch, device.bootloader));
        }
    }
}

}  // namespace
}  // namespace quillon
