// What the survey of the family's devices tells, and that it never changes one: every model in
// each mode on one simulated bus, asked with read-only queries only; the hint that follows a
// type-0 update that a device waiting in its boot loader cannot take.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>

#include "app/RecoveryHint.h"
#include "app/schema/SchemaTable.h"
#include "firmware/FirmwareHeader.h"
#include "firmware/FirmwareLoader.h"
#include "firmware/ModelProfile.h"
#include "protocol/DeviceSurvey.h"
#include "sim/Scenario.h"
#include "sim/SimFrame.h"
#include "state/Texts.h"
#include "support/Rig.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

using sim::SimCommand;

struct Expected {
    DeviceMode mode;
    std::optional<std::uint32_t> model;
    std::optional<NeededFile> needs;
};

struct SurveyRow {
    const char* name;
    sim::SimDeviceConfig device;
    std::optional<Expected> expected;  // none: not a device of the family
};

sim::SimDeviceConfig Device(std::uint32_t model, sim::Identity app, sim::Identity boot,
                            bool inBootLoader, std::uint8_t kind = 0) {
    sim::SimDeviceConfig c;
    c.model = model;
    c.application = app;
    c.bootloader = boot;
    c.startInBootloader = inBootLoader;
    c.bootloaderKind = kind;
    return c;
}

constexpr sim::Identity kShared{0x0581, 0x0115};

std::vector<SurveyRow> SurveyRows() {
    using M = DeviceMode;
    sim::SimDeviceConfig model7 = Device(7, {0x0581, 0x011A}, {0x0581, 0x0121}, false);
    model7.generation = 4;
    model7.family = 2;
    // A keyboard collection first: the device is listed once, through its vendor collection.
    model7.collections = {{0x0001, 0x0006, 9, 2}, {}};
    sim::SimDeviceConfig silent = Device(3, kShared, kShared, false);
    silent.faults = {{SimCommand::kQueryModel, 1, 100, sim::FaultKind::kNoAnswer}};
    return {
        {"model 3 waiting", Device(3, kShared, kShared, true, 0),
         Expected{M::kBootLoader, 3, NeededFile{3, false}}},
        {"model 3 running", Device(3, kShared, kShared, false), Expected{M::kApplication, 3, {}}},
        {"model 259 waiting", Device(0x103, kShared, kShared, true, 16),
         Expected{M::kBootLoader, 0x103, NeededFile{259, false}}},
        {"model 8 waiting", Device(8, kShared, kShared, true, 17),
         Expected{M::kBootLoader, 8, NeededFile{8, false}}},
        {"model 264 waiting", Device(264, {0x0581, 0x0215}, {0x0581, 0x0215}, true, 18),
         Expected{M::kBootLoader, 264, NeededFile{264, false}}},
        // Framed differently from the other models under the same identity.
        {"model 6 running", Device(6, kShared, kShared, false), Expected{M::kApplication, 6, {}}},
        {"model 6 waiting", Device(6, kShared, kShared, true),
         Expected{M::kBootLoader, 6, NeededFile{6, true}}},
        {"model 10 waiting", Device(10, {0x0581, 0x0110}, {0x0581, 0x0110}, true),
         Expected{M::kBootLoader, 10, NeededFile{10, true}}},
        {"model 10 running", Device(10, {0x0581, 0x0110}, {0x0581, 0x0110}, false),
         Expected{M::kApplication, 10, {}}},
        {"model 1 waiting", Device(1, {0x0581, 0x0110}, {0x0581, 0x0111}, true),
         Expected{M::kBootLoader, 1, NeededFile{1, false}}},
        {"model 5 waiting", Device(5, {0x0581, 0x011D}, {0x0581, 0x0120}, true),
         Expected{M::kBootLoader, 5, NeededFile{5, false}}},
        {"model 7 running", model7, Expected{M::kApplication, 7, {}}},
        {"model 3 silent", silent, Expected{M::kUnknown, {}, {}}},
        {"another vendor's device", Device(3, {0x046D, 0xC077}, {0x046D, 0xC077}, false),
         std::nullopt},
    };
}

// Whether a report means a command that changes a device to any model of the family.
bool ChangesADevice(const std::vector<std::uint8_t>& report) {
    for (const ModelProfile& row : AllModelProfiles()) {
        switch (sim::DecodeFrame(report.data(), report.size(), row.code).command) {
            case SimCommand::kQueryMode:
            case SimCommand::kQueryModel:
            case SimCommand::kReadDeviceInfo:
            case SimCommand::kUnknown:
                break;
            default:
                return true;
        }
    }
    return report.size() > 1 && report[1] == 0x52;  // the switch request
}

TEST(Status, EveryModelInEachModeAndNothingThatChangesADeviceIsSent) {
    const std::vector<SurveyRow> rows = SurveyRows();
    sim::SimPlatform bus(true);
    test::WriteLog log(bus);
    std::map<std::string, std::size_t> rowAt;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        sim::SimDevice& d = bus.AddDevice(rows[i].device);
        rowAt[d.Config().port.empty() ? "sim-" + std::to_string(i + 1) : d.Config().port] = i;
    }
    std::vector<SurveyedDevice> found;
    ASSERT_TRUE(SurveyDevices(log, found));

    std::size_t listed = 0;
    for (const SurveyedDevice& d : found) {
        ASSERT_EQ(rowAt.count(d.port), 1u) << d.port;
        const SurveyRow& row = rows[rowAt[d.port]];
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(row.expected.has_value()) << "listed";
        EXPECT_EQ(d.mode, row.expected->mode);
        EXPECT_EQ(d.model, row.expected->model);
        EXPECT_EQ(d.needs.has_value(), row.expected->needs.has_value());
        if (d.needs && row.expected->needs) {
            EXPECT_EQ(d.needs->model, row.expected->needs->model);
            EXPECT_EQ(d.needs->eitherType, row.expected->needs->eitherType);
        }
        if (row.device.collections.size() > 1) {
            EXPECT_EQ(d.path.substr(d.path.size() - 3), "/c1") << "not the vendor collection";
        }
        ++listed;
    }
    std::size_t family = 0;
    for (const SurveyRow& r : rows) family += r.expected.has_value();
    EXPECT_EQ(listed, family);

    ASSERT_FALSE(log.Writes().empty());
    for (const auto& report : log.Writes()) EXPECT_FALSE(ChangesADevice(report));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].name);
        const sim::SimDevice& d = bus.Device(i);
        EXPECT_EQ(d.InBootloader(), rows[i].device.startInBootloader);
        EXPECT_EQ(d.Restarts(), 0u);
    }
    EXPECT_EQ(bus.OpenHandles(), 0u);
}

// A type-0 file that ends in "USB연결실패" while the device waits in its boot loader (left there by
// a power cut while its first block was erased) is told which file reaches it; a device that the
// same file recovers, or that runs its application, is nothing to tell.
TEST(Status, TheHintAfterAType0UpdateThatCannotReachADeviceInItsBootLoader) {
    const sim::FaultRule cut{SimCommand::kEraseFlash, 1, 1, sim::FaultKind::kPowerCut, 0, true};
    const std::string onlyType1 =
        "the device at port sim-1 waits in its boot loader: only the type-1 file of this firmware "
        "reaches it";
    struct Row {
        const char* name;
        std::uint32_t model;
        sim::FaultRule fault;
        bool cutType1Run;  // a type-1 update first, cut by the fault; the device plugged in again
        const char* lastText;  // of the type-0 run
        std::vector<std::string> hints;
    };
    const Row rows[] = {
        {"model 3, waiting", 3, cut, true, text::kUsbConnectFailed, {onlyType1}},
        {"model 1, waiting under the boot loader's identity",
         1,
         cut,
         true,
         text::kUsbConnectFailed,
         {onlyType1}},
        {"model 6, which its type-0 file recovers", 6, cut, true, text::kDone, {}},
        {"model 3 in its application, silent once",
         3,
         {SimCommand::kQueryMode, 1, 1, sim::FaultKind::kNoAnswer},
         false,
         text::kUsbConnectFailed,
         {}},
    };
    constexpr std::size_t kImage = 2 * 4096 + 100;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        test::Rig rig;
        rig.Firmware(r.model, 1, 0, 0x10000, kImage);
        sim::SimDeviceConfig config = sim::DefaultDeviceFor(*rig.st);
        config.faults = {r.fault};
        sim::SimDevice& d = rig.Add(config);
        if (r.cutType1Run) {
            rig.Update();
            d.Replug(rig.Now());
            ASSERT_TRUE(d.InBootloader());
        }
        rig.Firmware(r.model, 0, 0, 0x10000, kImage);
        rig.op.Clear();
        rig.Update();
        ASSERT_FALSE(rig.Messages().empty());
        EXPECT_EQ(rig.Messages().back(), r.lastText);
        EXPECT_EQ(RecoveryHints(rig.sim, *rig.st, rig.Messages().back()), r.hints);
        if (r.hints.empty()) continue;
        // What the hint says is so: the type-1 file of the same firmware reaches it.
        rig.Firmware(r.model, 1, 0, 0x10000, kImage);
        rig.op.Clear();
        rig.Update();
        EXPECT_EQ(rig.Messages(), std::vector<std::string>{text::kDone});
        EXPECT_EQ(rig.FlashBytes(0x10000, kImage), rig.image);
    }
}

// The command as an admin runs it: the table, the counts, the exit code; and the hint after an
// update, on standard error and as a notice for scripts.
TEST(Status, TheCommandLineOnAScenarioWithBothModes) {
    test::TempDir dir;
    const std::string err = dir.File("err.txt");
    const std::string both = dir.WriteText("both.json", R"({"devices": [
        {"model": 3, "start": "bootloader"},
        {"model": 7, "application": {"vid": "0x0581", "pid": "0x011A"},
         "bootloader": {"vid": "0x0581", "pid": "0x0121"}, "generation": 4, "family": 2}]})");
    const std::string none = dir.WriteText("none.json", R"({"devices": []})");
    FirmwareFields fields;
    fields.model = 3;
    fields.startAddress = 0x10000;
    const std::string type0 =
        dir.Write("type0.fw", PackFirmware(fields, std::vector<std::uint8_t>(5000, 0x5A)));
    const std::string sim = " --simulate " + both + " --virtual-time";
    const std::string hint =
        "the device at port sim-1 waits in its boot loader: only the type-1 file of this firmware "
        "reaches it";
    struct Row {
        std::string args;
        int code;
        std::string out;
        std::string error;  // how standard error begins
    };
    const Row rows[] = {
        {"status" + sim, 1,
         "PORT   USB        MODE         MODEL       NEEDS\n"
         "sim-1  0581:0115  boot loader  0x00000003  a type-1 file of model 3\n"
         "sim-2  0581:011A  application  0x00000007\n"
         "2 devices: 1 in its application, 1 waiting in its boot loader\n",
         "virtual time: "},
        {"status" + sim + " --port sim-2", 0,
         "PORT   USB        MODE         MODEL       NEEDS\n"
         "sim-2  0581:011A  application  0x00000007\n"
         "1 device: 1 in its application, 0 waiting in its boot loader\n",
         "virtual time: "},
        {"status --simulate " + none, 4, "no device of the family found\n", ""},
        {"status" + sim + " --port sim-9", 4, "",
         "quillon status: no device at port sim-9 (ports seen: sim-1, sim-2)\n"},
        {"update " + type0 + sim + " --port sim-1", 4, std::string(text::kUsbConnectFailed) + "\n",
         "quillon update: " + hint + "\nvirtual time: "},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.args);
        const test::ProgramRun run = test::RunProgram(QUILLON_BIN, r.args, err);
        EXPECT_EQ(run.code, r.code);
        EXPECT_EQ(run.out, r.out);
        const std::string error = test::ErrorText(err);
        EXPECT_EQ(error.substr(0, r.error.size()), r.error) << error;
    }

    const test::ProgramRun status = test::RunProgram(QUILLON_BIN, "status --json" + sim);
    EXPECT_EQ(status.code, 1);
    const schema::JsonObject doc = schema::JsonObject::parse(status.out);
    EXPECT_EQ(schema::Conformance(doc), "");
    ASSERT_EQ(doc["devices"].size(), 2u);
    EXPECT_EQ(doc["devices"][0]["mode"], "boot-loader");
    EXPECT_EQ(doc["devices"][0]["needs_model"], 3);
    EXPECT_EQ(doc["devices"][1]["mode"], "application");
    EXPECT_EQ(doc["devices"][1]["model"], 7);

    // The notice comes after the operator's text and before the result.
    const test::ProgramRun update =
        test::RunProgram(QUILLON_BIN, "update " + type0 + " --json" + sim + " --port sim-1");
    std::vector<std::string> types;
    std::string notice;
    for (std::size_t at = 0, end; (end = update.out.find('\n', at)) != std::string::npos;
         at = end + 1) {
        const auto line = schema::JsonObject::parse(update.out.substr(at, end - at));
        EXPECT_EQ(schema::Conformance(line), "");
        types.push_back(line["type"]);
        if (line["type"] == "notice") notice = line["text"];
    }
    ASSERT_GE(types.size(), 3u);
    EXPECT_EQ(types[types.size() - 2], "notice");
    EXPECT_EQ(types.back(), "result");
    EXPECT_EQ(notice, hint);
}

}  // namespace
}  // namespace quillon
