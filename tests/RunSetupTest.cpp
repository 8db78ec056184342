// The one place that decides a front end's HID platform: which devices a simulated run gets,
// which clock, the trace, and what is refused.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/RunFiles.h"
#include "app/RunSetup.h"
#include "state/Texts.h"
#include "support/Rig.h"
#include "support/SimulatedRun.h"

namespace quillon {
namespace {

TEST(RunSetup, DecidesThePlatformOfARun) {
    test::Rig rig;
    const std::string scenario =
        rig.dir.WriteText("two.json", R"({"devices": [{"model": 6}, {"model": 7}]})");
    const std::string model6 = rig.Firmware(6);
    struct Case {
        const char* name;
        RunOptions options;
        bool opens;
        std::vector<std::uint32_t> models;  // of the simulated devices, in order
        std::string refusal = {};           // SimulatedDevices' text for a refused file
        std::string errorHas = {};
    };
    const Case cases[] = {
        {"one default device", test::SimulatedRun(), true, {3}},
        {"one device fitted to the file", test::SimulatedRun(model6, "", false), true, {6}},
        {"a refused file: the default device",
         test::SimulatedRun(rig.dir.File("none.fw")),
         true,
         {3},
         text::kSelectFile},
        {"the scenario's devices", test::SimulatedRun(model6, scenario), true, {6, 7}},
        {"a scenario that cannot be read",
         test::SimulatedRun("", rig.dir.File("none.json")),
         false,
         {},
         "",
         rig.dir.File("none.json") + ": "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // quillon-simd takes its devices from the same rule, and tells a refused file.
        sim::Scenario devices;
        std::string refusal, error;
        EXPECT_EQ(SimulatedDevices(c.options, devices, refusal, error), c.opens) << error;
        EXPECT_EQ(refusal, c.refusal);
        RunSetup setup;
        error.clear();
        ASSERT_EQ(setup.Open(c.options, error), c.opens) << error;
        if (!c.opens) {
            EXPECT_EQ(error.rfind(c.errorHas, 0), 0u) << error;
            continue;
        }
        ASSERT_NE(setup.Bus(), nullptr);
        EXPECT_EQ(&setup.Hid(), setup.Bus());
        sim::SimPlatform& bus = setup.Bus()->Platform();
        EXPECT_EQ(bus.Clock().IsVirtual(), c.options.virtualTime);
        ASSERT_EQ(bus.DeviceCount(), c.models.size());
        for (std::size_t i = 0; i < c.models.size(); ++i) {
            EXPECT_EQ(bus.Device(i).Config().model, c.models[i]);
            // In real time a report takes the time of a full-speed interrupt transfer.
            EXPECT_EQ(bus.Device(i).Config().latencyMs, c.options.virtualTime ? 0u : 1u);
        }
    }
}

// A run that is not simulated gets the system's backend, or says why there is none.
TEST(RunSetup, RealRunsUseTheSystemBackend) {
    RunSetup setup;
    std::string error;
    if (setup.Open(RunOptions{}, error)) {
        EXPECT_EQ(setup.Bus(), nullptr);
    } else {
        EXPECT_FALSE(error.empty());
    }
}

// Before each dialog run the fitted device follows the file; a scenario's devices stay.
TEST(RunSetup, FitsEachFileUnlessAScenarioIsGiven) {
    test::Rig rig;
    RunSetup fitted;
    std::string error;
    ASSERT_TRUE(fitted.Open(test::SimulatedRun(), error));
    fitted.FitTo(rig.Firmware(7));
    EXPECT_EQ(fitted.Bus()->Platform().Device(0).Config().model, 7u);

    RunSetup fixed;
    ASSERT_TRUE(fixed.Open(
        test::SimulatedRun("", rig.dir.WriteText("none.json", R"({"devices": []})")), error))
        << error;
    EXPECT_EQ(fixed.Bus()->Platform().DeviceCount(), 0u);
    fixed.FitTo(rig.Firmware(7));
    EXPECT_EQ(fixed.Bus()->Platform().DeviceCount(), 0u);
}

// The trace wraps whichever platform was chosen; a trace file that cannot be written is refused.
TEST(RunSetup, TracesTheLinkToAFile) {
    test::Rig rig;
    RunOptions options = test::SimulatedRun();
    options.tracePath = rig.dir.File("trace.txt");
    {
        RunSetup setup;
        std::string error;
        ASSERT_TRUE(setup.Open(options, error)) << error;
        EXPECT_NE(&setup.Hid(), setup.Bus());
        const Handle list = setup.Hid().OpenInterfaceList();
        std::string path;
        ASSERT_TRUE(setup.Hid().EnumInterface(list, 0, path));
        setup.Hid().CloseHandle(setup.Hid().OpenForQuery(path));
        setup.Hid().DestroyInterfaceList(list);
    }
    const auto trace = test::TempDir::Read(options.tracePath);
    EXPECT_NE(std::string(trace.begin(), trace.end()).find("0 open sim:d0.1/c0\n"),
              std::string::npos);

    options.tracePath = rig.dir.File("no-such-dir/trace.txt");
    RunSetup refused;
    std::string error;
    EXPECT_FALSE(refused.Open(options, error));
    EXPECT_EQ(error.rfind("cannot write " + options.tracePath + ": ", 0), 0u) << error;
}

// Outputs are told apart from inputs and from each other by what the paths name, not by how
// they are spelled; what is not a plain file (a folder, the null device) is never one of them.
TEST(RunSetup, OutputsThatNameAnInputOrEachOther) {
    test::Rig rig;
    const std::string fw = rig.dir.WriteText("fw.fw", "x");
    const std::string dot = (rig.dir.Path() / "." / "fw.fw").string();
    const std::string fresh = rig.dir.File("new.txt");
    struct Row {
        const char* name;
        std::vector<RunFile> outputs;
        std::string clash;
    };
    std::vector<Row> rows = {
        {"apart", {{"--trace", fresh}, {"--dump-flash", rig.dir.File("other.txt")}}, ""},
        {"unused", {{"--trace", ""}, {"--dump-flash", ""}}, ""},
        {"the input spelled otherwise", {{"--trace", dot}}, "--trace " + dot + " is the input"},
        {"one new file twice",
         {{"--trace", fresh}, {"--dump-flash", rig.dir.File("./new.txt")}},
         "--trace " + fresh + " and --dump-flash " + rig.dir.File("./new.txt") + " are one file"},
        {"a folder twice",
         {{"--trace", rig.dir.File(".")}, {"--dump-flash", rig.dir.File(".")}},
         ""},
    };
#ifndef _WIN32
    std::filesystem::create_symlink(fw, rig.dir.File("link"));
    rows.push_back({"the input through a link",
                    {{"--trace", rig.dir.File("link")}},
                    "--trace " + rig.dir.File("link") + " is the input"});
    rows.push_back(
        {"the null device twice", {{"--trace", "/dev/null"}, {"--log", "/dev/null"}}, ""});
#endif
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FindFileClash({{"the input", fw}}, row.outputs), row.clash);
    }
}

}  // namespace
}  // namespace quillon
