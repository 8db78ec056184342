// The simulated device family itself: scenarios, flash behaviour, restarts, and the trace.
#include <gtest/gtest.h>

#include <cstdio>

#include "hid/TracingHidPlatform.h"
#include "sim/Scenario.h"
#include "support/Rig.h"

namespace quillon {
namespace {

using namespace quillon::sim;

TEST(Scenario, ParsesEveryField) {
    const char* json = R"({"devices": [{
        "model": "0x00010007", "frameModel": 7,
        "application": {"vid": "0x0581", "pid": "0x011A"},
        "bootloader": {"vid": 1409, "pid": "0x0121"},
        "start": "bootloader", "bootloaderKind": 17, "generation": 4, "family": 2,
        "collections": [{"usagePage": 1, "usage": 6, "input": 9, "output": 2},
                        {"usagePage": "0xFF00", "usage": 1, "input": 65, "output": 65}],
        "blockSize": 512, "erase": "whole", "module": {"wakes": 3},
        "restartDelayMs": 2500, "restartNever": true, "latencyMs": 1,
        "flashSize": "0x100000", "spiSize": 65536, "seed": 9,
        "faults": [{"command": "WriteFlash", "at": 3, "kind": "no-answer"},
                   {"command": "ReadFlash", "from": 2, "to": 4, "kind": "corrupt-read"},
                   {"command": "SpiErase", "every": true, "kind": "error-status"},
                   {"command": "JumpTo", "from": 5, "kind": "gone"},
                   {"command": "QueryMode", "at": 1, "kind": "late", "delayMs": 1100},
                   {"command": "EraseFlash", "at": 2, "kind": "power-cut", "after": true}],
        "firstWordAt": "0x8003", "port": "1-1.2", "plugAtMs": 500, "unplugAtMs": 900
    }, {}]})";
    Scenario s;
    std::string error;
    ASSERT_TRUE(ParseScenario(json, s, error)) << error;
    ASSERT_EQ(s.devices.size(), 2u);
    EXPECT_EQ(s.devices[1].port, "sim-2");  // the default names the place on the bus
    const SimDeviceConfig& d = s.devices[0];
    EXPECT_EQ(d.model, 0x00010007u);
    EXPECT_EQ(d.frameModel, 7u);
    EXPECT_EQ(d.application.pid, 0x011A);
    EXPECT_EQ(d.bootloader.vid, 0x0581);
    EXPECT_EQ(d.bootloader.pid, 0x0121);
    EXPECT_TRUE(d.startInBootloader);
    EXPECT_EQ(d.bootloaderKind, 17);
    EXPECT_EQ(d.generation, 4);
    EXPECT_EQ(d.family, 2);
    ASSERT_EQ(d.collections.size(), 2u);
    EXPECT_EQ(d.collections[0].usage, 6);
    EXPECT_EQ(d.collections[1].usagePage, 0xFF00);
    EXPECT_EQ(d.collections[1].inputLength, 65);
    EXPECT_EQ(d.blockSize, 512u);
    EXPECT_EQ(d.erase, EraseKind::kWhole);
    EXPECT_TRUE(d.hasModule);
    EXPECT_EQ(d.moduleWakes, 3u);
    EXPECT_EQ(d.restartDelayMs, 2500u);
    EXPECT_TRUE(d.restartNever);
    EXPECT_EQ(d.latencyMs, 1u);
    EXPECT_EQ(d.flashSize, 0x100000u);
    EXPECT_EQ(d.spiSize, 65536u);
    ASSERT_EQ(d.faults.size(), 6u);
    EXPECT_EQ(d.faults[0].command, SimCommand::kWriteFlash);
    EXPECT_EQ(d.faults[0].from, 3u);
    EXPECT_EQ(d.faults[0].to, 3u);
    EXPECT_EQ(d.faults[1].kind, FaultKind::kCorruptRead);
    EXPECT_EQ(d.faults[1].to, 4u);
    EXPECT_EQ(d.faults[2].from, 1u);
    EXPECT_EQ(d.faults[2].to, UINT32_MAX);
    EXPECT_EQ(d.faults[3].to, UINT32_MAX);
    EXPECT_EQ(d.faults[3].kind, FaultKind::kGone);
    EXPECT_EQ(d.faults[4].kind, FaultKind::kLate);
    EXPECT_EQ(d.faults[4].delayMs, 1100u);
    EXPECT_EQ(d.faults[5].kind, FaultKind::kPowerCut);
    EXPECT_TRUE(d.faults[5].after);
    EXPECT_EQ(d.firstWordAt, 0x8003u);
    EXPECT_EQ(d.port, "1-1.2");
    EXPECT_EQ(d.plugAtMs, 500u);
    EXPECT_EQ(d.unplugAtMs, 900u);
}

TEST(Scenario, ErrorsNameTheField) {
    const std::pair<const char*, const char*> cases[] = {
        // Where the text stops being JSON, as an editor counts lines and columns.
        {"{", "line 1, column 2: the text ends too early"},
        {"{\"devices\": [\n  {\"model\": 3,\n   }]}", "line 3, column 4: not JSON at '}'"},
        {"\x01", "line 1, column 1: not JSON at byte 0x01"},
        {R"({"device": []})", "devices"},
        {R"({"devices": [{"model": "x"}]})", "devices[0].model must be a number, not \"x\""},
        {R"({"devices": [{"generation": 256}]})", "devices[0].generation must be at most 255"},
        {R"({"devices": [{"restartDelayMs": -5}]})",
         "devices[0].restartDelayMs must be at least 0"},
        // A string is read as a number only when it is one: no sign, no blanks.
        {R"({"devices": [{"seed": "-5"}]})", "devices[0].seed must be at least 0"},
        {R"({"devices": [{"latencyMs": 1.5}]})", "devices[0].latencyMs must be a whole number"},
        {R"({"devices": [{"start": "sleep"}]})", "devices[0].start"},
        {R"({"devices": [{"faults": [{"command": "Frob", "kind": "gone"}]}]})",
         "devices[0].faults[0].command"},
        {R"({"devices": [{"faults": [{"command": "JumpTo", "kind": "melt"}]}]})", "melt"},
        {R"({"devices": [{"faults": [{"command": "JumpTo", "kind": "gone", "at": 0}]}]})",
         "count from 1"},
        {R"({"devices": [{"collections": []}]})", "devices[0].collections"},
        {R"({"devices": [{"faults": [{"command": "JumpTo", "kind": "late"}]}]})",
         "devices[0].faults[0].delayMs"},
        {R"({"devices": [{"modle": 3}]})", "devices[0].modle: unknown field"},
        {R"({"devices": [{"faults": [{"command": "WriteFlash", "kind": "gone", "ta": 1}]}]})",
         "devices[0].faults[0].ta: unknown field"},
        {R"({"devices": [{"collections": [{"usage": 1, "inptu": 9}]}]})",
         "devices[0].collections[0].inptu: unknown field"},
        {R"({"devices": [], "device": []})", "device: unknown field"},
        {R"({"devices": [{"plugAtMs": 5, "unplugAtMs": 5}]})", "devices[0].unplugAtMs"},
        {R"({"devices": [{"port": ""}]})", "devices[0].port"},
    };
    for (const auto& [json, needle] : cases) {
        Scenario s;
        std::string error;
        EXPECT_FALSE(ParseScenario(json, s, error)) << json;
        EXPECT_NE(error.find(needle), std::string::npos) << json << " -> " << error;
        EXPECT_EQ(error.find("exception"), std::string::npos) << error;
    }
}

TEST(SimFlash, OldContentEraseProgramAndMissingErase) {
    SimFlash f(0x10000, 7);
    std::uint8_t buf[8];
    f.Read(0x100, buf, 8);
    int ff = 0;
    for (std::uint8_t b : buf) ff += b == 0xFF;
    EXPECT_LT(ff, 8);  // old content, not erased
    f.Erase(0x100, 8);
    f.Read(0x100, buf, 8);
    for (std::uint8_t b : buf) EXPECT_EQ(b, 0xFF);
    const std::uint8_t data[4] = {0x12, 0x34, 0x56, 0x78};
    f.Program(0x100, data, 4);
    EXPECT_EQ(f.BytesProgrammedWithoutErase(), 0u);
    const std::uint8_t other[4] = {0xF0, 0x0F, 0xFF, 0x00};
    f.Program(0x100, other, 4);  // no erase in between: bits can only clear
    f.Read(0x100, buf, 4);
    EXPECT_EQ(buf[0], 0x10);
    EXPECT_EQ(buf[1], 0x04);
    EXPECT_EQ(buf[2], 0x56);
    EXPECT_EQ(buf[3], 0x00);
    EXPECT_EQ(f.BytesProgrammedWithoutErase(), 4u);
}

TEST(SimFlash, FirstWordPlaceholderIsReplacedWhole) {
    SimFlash f(0x10000, 7);
    f.EraseFrom(0x200);
    const std::uint8_t placeholder[4] = {0xA3, 0x89, 0xEE, 0xB2};
    f.Program(0x203, placeholder, 4);
    const std::uint8_t word[4] = {0x01, 0x02, 0x03, 0x04};
    f.Program(0x203, word, 4);
    std::uint8_t buf[4];
    f.Read(0x203, buf, 4);
    EXPECT_EQ(std::vector<std::uint8_t>(buf, buf + 4), std::vector<std::uint8_t>(word, word + 4));
    EXPECT_EQ(f.BytesProgrammedWithoutErase(), 0u);
    std::uint8_t tail[2];
    f.Read(0xFFFE, tail, 2);
    EXPECT_EQ(tail[0], 0xFF);  // whole erase reached the end
}

TEST(SimDevice, BadFramesGetAnErrorStatusAndAreCounted) {
    SimDevice d(SimDeviceConfig{});
    std::uint8_t report[64] = {0xBA, 0x64, 0x04, 0x55, 0x70, 0x43, 0xAA, 0x3A, 0xF9, 0xE5, 0xEC};
    EXPECT_EQ(d.Receive(report, 64, 0, 64).report[2], 1);  // mode 1: application
    EXPECT_EQ(d.BadFrames(), 0u);
    report[20] = 1;  // stale byte after the trailer
    EXPECT_EQ(d.Receive(report, 64, 0, 64).report[2], 1);
    EXPECT_EQ(d.BadFrames(), 1u);
    report[20] = 0;
    report[8] ^= 1;  // CRC
    d.Receive(report, 64, 0, 64);
    EXPECT_EQ(d.BadFrames(), 2u);
    EXPECT_NE(d.LastBadFrame().find("CRC"), std::string::npos);
}

TEST(Trace, OneLinePerEventWithVirtualTime) {
    test::Rig rig;
    rig.Firmware(3, 0);
    SimDeviceConfig d;
    d.faults = {{SimCommand::kQueryMode, 2, 2, FaultKind::kNoAnswer},
                {SimCommand::kQueryMode, 3, 3, FaultKind::kWriteTimeout}};
    rig.Add(d);
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    TracingHidPlatform trace(rig.sim, out);
    LinkServices s{*rig.st, trace, rig.op, rig.files};
    Receiver rx(s);
    rig.st->SetHidCaps({1, 0xFF00, 64, 64});
    Channel ch = rx.channel.OpenChannel("sim:d0.1/c0");
    rx.commands.QueryMode(ch);
    rx.commands.QueryMode(ch);
    rx.commands.QueryMode(ch);
    rx.channel.CloseChannel(ch);
    std::rewind(out);
    std::string text;
    char buf[512];
    while (std::fgets(buf, sizeof buf, out)) text += buf;
    std::fclose(out);
    const std::string query =
        "BA64045570"
        "43AA3AF9E5EC" +
        std::string(106, '0');
    const std::string answer = "BA6401000100" + std::string(116, '0');
    EXPECT_EQ(text,
              "0 open sim:d0.1/c0\n"
              "0 write " +
                  query +
                  "\n"
                  "0 read " +
                  answer +
                  "\n"
                  "0 write " +
                  query +
                  "\n"
                  "1000 read-timeout\n"
                  "1000 write " +
                  query +
                  "\n"
                  "5000 write-timeout\n"
                  "5000 close sim:d0.1/c0\n");
}

}  // namespace
}  // namespace quillon
