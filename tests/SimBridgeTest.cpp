// quillon-simd's side without the kernel: the bridge between a simulated device and its kernel
// twin (creation, answers, latency, restarts, unplugging), and the daemon's command line.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/CommandLine.h"
#include "app/simd/SimdArgs.h"
#include "sim/uhid/SimBridge.h"

namespace quillon {
namespace {

using namespace quillon::sim;
using Bytes = std::vector<std::uint8_t>;

// Remembers what the kernel would have been told, one line each.
class RecordingTwin : public KernelTwin {
  public:
    bool Create(const Identity& id, const Bytes& descriptor) override {
        char line[32];
        std::snprintf(line, sizeof line, "create %04X:%04X", id.vid, id.pid);
        events.push_back(line);
        lastDescriptor = descriptor;
        return !failCreate;
    }
    void Destroy() override { events.push_back("destroy"); }
    bool Input(const std::uint8_t* report, std::size_t len) override {
        inputs.emplace_back(report, report + len);
        events.push_back("input");
        return true;
    }
    std::vector<std::string> events;
    std::vector<Bytes> inputs;
    Bytes lastDescriptor;
    bool failCreate = false;
};

// QueryMode in the frame format of model 3 (CRC-32 trailer).
const Bytes kQueryMode = [] {
    Bytes r = {0xBA, 0x64, 0x04, 0x55, 0x70, 0x43, 0xAA, 0x3A, 0xF9, 0xE5, 0xEC};
    r.resize(64, 0);
    return r;
}();
// The switch request: byte 1 is 0x52, the rest whatever the previous frame left.
const Bytes kSwitch = [] {
    Bytes r = kQueryMode;
    r[1] = 0x52;
    return r;
}();

SimDeviceConfig TwoIdentities() {
    SimDeviceConfig c;
    c.application = {0x0581, 0x011A};
    c.bootloader = {0x0581, 0x0111};
    c.collections = {{0x0001, 0x0006, 9, 2}, {0xFF00, 0x0001, 64, 64}};
    c.restartDelayMs = 1500;
    return c;
}

TEST(SimBridge, ComesUpUnderItsIdentityWithItsDescriptor) {
    RecordingTwin twin;
    SimBridge bridge(TwoIdentities(), twin);
    EXPECT_FALSE(bridge.Up());
    ASSERT_TRUE(bridge.Tick(0));
    EXPECT_TRUE(bridge.Up());
    EXPECT_EQ(twin.events, std::vector<std::string>{"create 0581:011A"});
    EXPECT_EQ(twin.lastDescriptor,
              BuildSimReportDescriptor(TwoIdentities().collections).descriptor);
    EXPECT_EQ(bridge.NextDue(), UINT64_MAX);  // nothing foreseen
    ASSERT_TRUE(bridge.Tick(10));
    EXPECT_EQ(twin.events.size(), 1u);  // created once
}

TEST(SimBridge, AnswersTheProtocolCollectionOnly) {
    RecordingTwin twin;
    SimBridge bridge(TwoIdentities(), twin);
    bridge.Tick(0);
    ASSERT_TRUE(bridge.Output(kQueryMode.data(), kQueryMode.size(), 5));
    ASSERT_EQ(twin.inputs.size(), 1u);
    const Bytes& a = twin.inputs[0];
    ASSERT_EQ(a.size(), 64u);  // the collection's input length, ID byte included
    EXPECT_EQ(a[0], 0xBA);
    EXPECT_EQ(a[1], 0x64);
    EXPECT_EQ(a[2], 1);  // application running
    EXPECT_EQ(bridge.Device().Count(SimCommand::kQueryMode), 1u);

    // A report to the keyboard collection (ID 1) is no command.
    Bytes leds = {0x01, 0x02};
    ASSERT_TRUE(bridge.Output(leds.data(), leds.size(), 6));
    EXPECT_EQ(twin.inputs.size(), 1u);
    EXPECT_EQ(bridge.Device().Count(SimCommand::kQueryMode), 1u);
    EXPECT_EQ(bridge.Device().BadFrames(), 0u);
}

TEST(SimBridge, LatencyDelaysTheAnswer) {
    SimDeviceConfig c = TwoIdentities();
    c.latencyMs = 20;
    RecordingTwin twin;
    SimBridge bridge(c, twin);
    bridge.Tick(100);
    bridge.Output(kQueryMode.data(), kQueryMode.size(), 100);
    EXPECT_TRUE(twin.inputs.empty());
    EXPECT_EQ(bridge.NextDue(), 120u);
    bridge.Tick(119);
    EXPECT_TRUE(twin.inputs.empty());
    bridge.Tick(120);
    EXPECT_EQ(twin.inputs.size(), 1u);
    EXPECT_EQ(bridge.NextDue(), UINT64_MAX);
}

TEST(SimBridge, ARestartDestroysAndRecreatesUnderTheNewIdentity) {
    RecordingTwin twin;
    SimBridge bridge(TwoIdentities(), twin);
    bridge.Tick(0);
    ASSERT_TRUE(bridge.Output(kSwitch.data(), kSwitch.size(), 100));
    EXPECT_FALSE(bridge.Up());
    EXPECT_EQ(twin.events, (std::vector<std::string>{"create 0581:011A", "destroy"}));
    EXPECT_EQ(bridge.NextDue(), 1600u);  // back after the restart delay
    bridge.Tick(1599);
    EXPECT_FALSE(bridge.Up());
    bridge.Tick(1600);
    EXPECT_TRUE(bridge.Up());
    EXPECT_EQ(twin.events.back(), "create 0581:0111");
    EXPECT_TRUE(bridge.Device().InBootloader());
    // The boot loader answers as such.
    bridge.Output(kQueryMode.data(), kQueryMode.size(), 1700);
    ASSERT_EQ(twin.inputs.size(), 1u);
    EXPECT_EQ(twin.inputs[0][2], 0);  // boot loader kind 0
}

TEST(SimBridge, AnswersOwedByAVanishedIncarnationAreDropped) {
    SimDeviceConfig c = TwoIdentities();
    c.latencyMs = 50;
    RecordingTwin twin;
    SimBridge bridge(c, twin);
    bridge.Tick(0);
    bridge.Output(kQueryMode.data(), kQueryMode.size(), 10);  // due at 60
    bridge.Output(kSwitch.data(), kSwitch.size(), 20);        // restarts at once
    bridge.Tick(60);
    bridge.Tick(2000);
    EXPECT_TRUE(twin.inputs.empty());
    EXPECT_EQ(twin.events,
              (std::vector<std::string>{"create 0581:011A", "destroy", "create 0581:0111"}));
}

TEST(SimBridge, UnpluggedDeviceNeverComesBack) {
    SimDeviceConfig c = TwoIdentities();
    c.faults = {{SimCommand::kQueryMode, 2, 2, FaultKind::kGone}};
    RecordingTwin twin;
    SimBridge bridge(c, twin);
    bridge.Tick(0);
    bridge.Output(kQueryMode.data(), kQueryMode.size(), 10);
    EXPECT_TRUE(bridge.Up());
    bridge.Output(kQueryMode.data(), kQueryMode.size(), 20);
    EXPECT_FALSE(bridge.Up());
    EXPECT_EQ(bridge.NextDue(), UINT64_MAX);
    bridge.Tick(1000000);
    EXPECT_EQ(twin.events, (std::vector<std::string>{"create 0581:011A", "input", "destroy"}));
}

TEST(SimBridge, AKernelThatRefusesTheDeviceStopsTheBridge) {
    RecordingTwin twin;
    twin.failCreate = true;
    SimBridge bridge(TwoIdentities(), twin);
    EXPECT_FALSE(bridge.Tick(0));
    EXPECT_FALSE(bridge.Up());
}

TEST(SimdArgs, FlashDumps) {
    const struct {
        const char* text;
        bool ok;
        std::size_t device;
        bool spi;
        std::uint32_t address, length;
        const char* file;
    } cases[] = {
        {"mcu:0x8000:20000:/tmp/flash.bin", true, 0, false, 0x8000, 20000, "/tmp/flash.bin"},
        {"1@spi:65536:0x10:out.bin", true, 1, true, 0x10000, 16, "out.bin"},
        {"mcu:0:1:c:/odd:name", true, 0, false, 0, 1, "c:/odd:name"},
        {"eeprom:0:1:f", false, 0, false, 0, 0, ""},
        {"mcu:0x8000:20000", false, 0, false, 0, 0, ""},
        {"mcu:0x8000:20000:", false, 0, false, 0, 0, ""},
        {"mcu:x:1:f", false, 0, false, 0, 0, ""},
        {"mcu:0:0x100000000:f", false, 0, false, 0, 0, ""},
        {"a@mcu:0:1:f", false, 0, false, 0, 0, ""},
    };
    for (const auto& c : cases) {
        FlashDump d;
        EXPECT_EQ(simd::ParseFlashDump(c.text, d), c.ok) << c.text;
        if (!c.ok) continue;
        EXPECT_EQ(d.device, c.device) << c.text;
        EXPECT_EQ(d.spi, c.spi) << c.text;
        EXPECT_EQ(d.address, c.address) << c.text;
        EXPECT_EQ(d.length, c.length) << c.text;
        EXPECT_EQ(d.file, c.file) << c.text;
    }
}

// Parses words as quillon-simd does; the outcome's text when they are refused.
ParseOutcome ParseSimd(const std::vector<std::string>& words, simd::SimdArgs& a) {
    a = simd::SimdArgs{};
    CLI::App app("", "quillon-simd");
    simd::DefineSimdArgs(app, a);
    return ParseWords(app, words);
}

TEST(SimdArgs, CommandLines) {
    simd::SimdArgs a;
    ASSERT_EQ(
        ParseSimd({"--dump", "mcu:0:4:a", "s.json", "--uhid", "/tmp/u", "--dump", "spi:4:4:b"}, a)
            .kind,
        ParseOutcome::kRun);
    EXPECT_EQ(a.scenarios, std::vector<std::string>{"s.json"});
    EXPECT_EQ(a.options.uhidPath, "/tmp/u");
    ASSERT_EQ(a.options.dumps.size(), 2u);
    EXPECT_TRUE(a.options.dumps[1].spi);
    ASSERT_EQ(ParseSimd({"--for", "x.fw"}, a).kind, ParseOutcome::kRun);
    EXPECT_EQ(a.firmware, "x.fw");
    EXPECT_EQ(a.options.uhidPath, "/dev/uhid");
    EXPECT_EQ(ParseSimd({"--help"}, a).kind, ParseOutcome::kHelp);

    const std::pair<std::vector<std::string>, const char*> bad[] = {
        {{}, "either"},
        {{"a.json", "--for", "x.fw"}, "either"},
        {{"a.json", "b.json"}, "one SCENARIO"},
        {{"a.json", "--dump"}, "--dump"},
        {{"a.json", "--dump", "mcu:1"}, "mcu:1: expected"},
        {{"a.json", "--frob"}, "--frob"},
    };
    for (const auto& [words, needle] : bad) {
        const ParseOutcome o = ParseSimd(words, a);
        EXPECT_EQ(o.kind, ParseOutcome::kUsageError) << needle;
        EXPECT_EQ(o.command, "quillon-simd") << needle;
        EXPECT_NE(o.what.find(needle), std::string::npos) << needle << " -> " << o.what;
    }
}

}  // namespace
}  // namespace quillon
