// The command line for scripts: the JSON events of whole runs and the exit code of each outcome.
#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/schema/SchemaTable.h"
#include "firmware/FirmwareHeader.h"
#include "state/Texts.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

using Json = nlohmann::json;
using Strings = std::vector<std::string>;

test::ProgramRun Quillon(const std::string& args) {
    return test::RunProgram(QUILLON_BIN, args);
}

std::string Examples(const char* name) {
    return std::string(QUILLON_EXAMPLES) + "/" + name;
}

// The files the runs below share: the example, a copy of it with one byte changed (which the
// loader refuses), and a scenario without devices.
struct Files {
    Files() {
        std::vector<std::uint8_t> bytes = test::TempDir::Read(fw);
        bytes[100] ^= 1;
        refused = dir.Write("corrupt.fw", bytes);
    }
    test::TempDir dir;
    const std::string fw = Examples("scanner-model3.fw");
    std::string refused;
    const std::string empty = dir.WriteText("empty.json", R"({"devices": []})");
};

Strings OutputLines(const std::string& out) {
    Strings lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Every line of out as a JSON object (a line that does not parse, or that does not follow the
// schema, fails the test). A text the run showed without a code of its own fails it too: scripts
// would have to match its words.
std::vector<Json> Lines(const std::string& out) {
    std::vector<Json> objects;
    for (const std::string& line : OutputLines(out)) {
        objects.push_back(Json::parse(line, nullptr, false));
        EXPECT_TRUE(objects.back().is_object()) << line;
        if (!objects.back().is_object()) objects.back() = Json::object();
        EXPECT_EQ(schema::Conformance(objects.back()), "") << line;
        EXPECT_NE(objects.back().value("code", ""), "other") << line;
    }
    return objects;
}

Strings Field(const std::vector<Json>& events, const char* type, const char* field) {
    Strings values;
    for (const Json& e : events) {
        if (e.value("type", "") == type) values.push_back(e.value(field, ""));
    }
    return values;
}

TEST(CliJson, EventsOfAWholeRunWithARestart) {
    const test::ProgramRun r =
        Quillon("update " + Examples("scanner-model3.fw") + " --simulate --virtual-time --json");
    ASSERT_EQ(r.code, 0);
    const std::vector<Json> events = Lines(r.out);
    ASSERT_GE(events.size(), 4u);

    // Phases and progress first, then the operator's texts, then one result, each versioned and
    // stamped with a virtual time that never goes back.
    std::string shape;
    std::uint64_t lastMs = 0;
    for (const Json& e : events) {
        EXPECT_EQ(e.value("version", 0), 2) << e;
        const std::string type = e.value("type", "");
        const char letter = type == "phase"      ? 'P'
                            : type == "progress" ? 'p'
                            : type == "message"  ? 'm'
                            : type == "result"   ? 'r'
                                                 : '?';
        if (shape.empty() || shape.back() != letter || letter == 'P') shape += letter;
        EXPECT_GE(e.value("ms", std::uint64_t{0}), lastMs) << e;
        lastMs = e.value("ms", lastMs);
    }
    EXPECT_EQ(shape, "PPPPPPPPPpPPmr");

    // The phases in the order the run went through them: a switch, the wait for the device to
    // come back under its boot-loader identity and the pause once it is back, then the blocks,
    // the first word and the start.
    EXPECT_EQ(Field(events, "phase", "phase"),
              (Strings{"checking-file", "finding-device", "checking-model", "switching",
                       "waiting-for-device", "settling", "checking-model", "rereading-file",
                       "programming", "first-word", "starting-firmware"}));
    // The waits took virtual time: the 2 s pause after the switch at least, then 2 s exactly.
    const std::map<std::string, std::pair<std::uint64_t, int>> waits = {
        {"waiting-for-device", {2000, 62000}}, {"settling", {2000, 2000}}};
    for (std::size_t i = 0; i + 1 < events.size(); ++i) {
        const auto wait = waits.find(events[i].value("phase", ""));
        if (wait == waits.end()) continue;
        SCOPED_TRACE(wait->first);
        const std::uint64_t took =
            events[i + 1]["ms"].get<std::uint64_t>() - events[i]["ms"].get<std::uint64_t>();
        EXPECT_GE(took, wait->second.first);
        if (wait->first == "settling") {
            EXPECT_EQ(took, wait->second.first);
        }
        EXPECT_EQ(events[i]["bound_ms"], wait->second.second);
    }

    // Progress climbs to the whole image, block by block.
    std::uint64_t done = 0;
    for (const Json& e : events) {
        if (e.value("type", "") != "progress") continue;
        EXPECT_GE(e["done"].get<std::uint64_t>(), done);
        done = e["done"].get<std::uint64_t>();
        EXPECT_EQ(e["total"], 20000);
        EXPECT_EQ(e["count"], 5);
    }
    EXPECT_EQ(done, 20000u);

    // (Its texts, the same as without --json, are ExitCodeTable's first row.)
    const Json& result = events.back();
    EXPECT_EQ(result["exit"], 0);
    EXPECT_EQ(result["outcome"], "done");
    EXPECT_EQ(result["done"], 20000);
    EXPECT_EQ(result["ms"], lastMs);
}

struct ExitRow {
    int code;
    std::string args;
    Strings texts;            // what the run prints on standard output without --json
    std::string reason = {};  // the result's reason, when a file could not be used
};

// One row per exit code, each run plain and with --json: the code is the same, every line parses,
// the last is the result with that code, and the messages are the plain run's texts.
TEST(CliJson, ExitCodeTable) {
    const Files f;
    const std::string& fw = f.fw;
    const std::string faulty = f.dir.WriteText("faulty.json", R"({"devices": [{"model": 3,
        "faults": [{"command": "ReadFlash", "at": 2, "kind": "write-timeout"}]}]})");
    const std::string other = f.dir.WriteText("other.json", R"({"devices": [{"model": 4}]})");
    const ExitRow rows[] = {
        {0, "update " + fw + " --simulate --virtual-time", {text::kDone}},
        {1,
         "update " + fw + " --simulate " + faulty + " --virtual-time",
         {text::kBurnTimeout, text::kReadBurnFailed}},
        {2, "update " + fw + " --virtual-time", {}},
        {3, "update " + f.refused + " --simulate --virtual-time", {text::kBadData2}},
        {4,
         "update " + fw + " --simulate " + f.empty + " --virtual-time",
         {text::kUsbConnectFailed}},
        {4, "update " + fw + " --simulate " + other + " --virtual-time", {text::kFirmwareMismatch}},
        {4, "update " + fw + " --simulate --port nowhere --virtual-time", {}},
        {3,
         "update " + f.dir.Path().string() + " --simulate --virtual-time",
         {text::kSelectFile},
         "cannot read " + f.dir.Path().string() + ": is a folder"},
        {2,
         "update " + fw + " --simulate " + f.dir.WriteText("bad.json", "[") + " --virtual-time",
         {}},
    };
    for (const ExitRow& row : rows) {
        SCOPED_TRACE(row.args);
        const test::ProgramRun plain = Quillon(row.args);
        EXPECT_EQ(plain.code, row.code);
        EXPECT_EQ(OutputLines(plain.out), row.texts);
        const test::ProgramRun json = Quillon(row.args + " --json");
        EXPECT_EQ(json.code, row.code);
        const std::vector<Json> events = Lines(json.out);
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.back()["type"], "result");
        EXPECT_EQ(events.back()["exit"], row.code);
        EXPECT_EQ(events.back().value("reason", ""), row.reason);
        EXPECT_EQ(Field(events, "message", "text"), row.texts);
    }
}

// A station tells each port's run as update --json would, every object with its port and each
// run closed by its own result; the station's exit code sums them up. Each simulated device's
// flash is dumped under its port.
TEST(CliJson, StationRunsEachEndInTheirOwnResult) {
    const Files f;
    const std::string two = f.dir.WriteText("two.json", R"({"devices": [{"model": 3, "port": "a"},
        {"model": 3, "port": "b", "faults": [{"command": "ReadFlash", "at": 2,
        "kind": "write-timeout"}]}]})");
    struct Row {
        int code;
        std::string args;
        std::map<std::string, Strings> texts;  // per port; "" for objects without one
    };
    const Row rows[] = {
        {1,
         f.fw + " --simulate " + two + " --dump-flash " + f.dir.Path().string(),
         {{"a", {text::kDone}}, {"b", {text::kBurnTimeout, text::kReadBurnFailed}}}},
        {3, f.refused + " --simulate", {{"", {text::kBadData2}}}},
        {4, f.fw + " --simulate " + f.empty, {{"", {}}}},
        // Nothing that changes a device was sent: as update, not "failed at the device".
        {4,
         f.fw + " --simulate " + f.dir.WriteText("other.json", R"({"devices": [{"model": 4}]})"),
         {{"sim-1", {text::kFirmwareMismatch}}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args);
        const test::ProgramRun r = Quillon("station --json --virtual-time " + row.args);
        EXPECT_EQ(r.code, row.code);
        std::map<std::string, std::vector<Json>> byPort;
        for (const Json& e : Lines(r.out)) byPort[e.value("port", "")].push_back(e);
        ASSERT_EQ(byPort.size(), row.texts.size());
        for (const auto& [port, texts] : row.texts) {
            SCOPED_TRACE(port);
            const std::vector<Json>& events = byPort[port];
            ASSERT_FALSE(events.empty());
            EXPECT_EQ(Field(events, "message", "text"), texts);
            EXPECT_EQ(events.back()["type"], "result");
            const int exit = events.back()["exit"];
            EXPECT_EQ(exit, port == "a" ? 0 : port == "b" ? 1 : row.code);
            if (port == "a") {
                EXPECT_EQ(events.back()["done"], 20000);
            }
        }
    }
    const std::vector<std::uint8_t> image = test::TempDir::Read(Examples("scanner-model3.bin"));
    const std::vector<std::uint8_t> failed = test::TempDir::Read(f.dir.File("flash-b.bin"));
    EXPECT_EQ(test::TempDir::Read(f.dir.File("flash-a.bin")), image);
    EXPECT_EQ(failed.size(), image.size());
    EXPECT_NE(failed, image);
}

// A station's log keeps, per finished device, what its events said: the same outcome and exit as
// the port's result (a device that does not take the file is "no-device", never "failed"), its
// texts each with its code, and the model as the number inspect gives.
TEST(CliJson, StationLogRecordsAgreeWithTheEvents) {
    const Files f;
    const std::string ports = f.dir.WriteText("ports.json", R"({"devices": [
        {"model": 3, "port": "good"}, {"model": 4, "port": "other"},
        {"model": 3, "port": "bad", "faults": [{"command": "ReadFlash", "at": 2,
        "kind": "write-timeout"}]}]})");
    const std::string log = f.dir.File("log.jsonl");
    const test::ProgramRun r =
        Quillon("station --json --virtual-time " + f.fw + " --simulate " + ports + " --log " + log);
    EXPECT_EQ(r.code, 1);
    std::map<std::string, Json> results;
    for (const Json& e : Lines(r.out)) {
        if (e.value("type", "") == "result") results[e.value("port", "")] = e;
    }
    const std::vector<std::uint8_t> bytes = test::TempDir::Read(log);
    const std::vector<Json> records = Lines(std::string(bytes.begin(), bytes.end()));
    ASSERT_EQ(records.size(), 3u);
    const std::map<std::string, std::pair<const char*, Strings>> expected = {
        {"good", {"done", {"done"}}},
        {"other", {"no-device", {"device-mismatch"}}},
        {"bad", {"failed", {"timeout", "read-send-failed"}}},
    };
    for (const Json& record : records) {
        const std::string port = record.value("port", "");
        SCOPED_TRACE(port);
        ASSERT_EQ(expected.count(port), 1u);
        EXPECT_EQ(record["type"], "log");
        EXPECT_EQ(record["outcome"], expected.at(port).first);
        EXPECT_EQ(record["outcome"], results[port]["outcome"]);
        EXPECT_EQ(record["exit"], results[port]["exit"]);
        EXPECT_EQ(record["done"], results[port]["done"]);
        EXPECT_EQ(record["codes"].get<Strings>(), expected.at(port).second);
        EXPECT_EQ(record["texts"].size(), record["codes"].size());
        EXPECT_EQ(record["model"], 3);
    }
}

// inspect and list print one document, refusals and usage errors included.
TEST(CliJson, InspectAndListDocuments) {
    const Files f;
    struct Row {
        std::string args;
        int code;
        const char* type;
        const char* message = nullptr;  // the refusal's text, when there is one
    };
    const Row rows[] = {
        {"inspect --json " + Examples("spi-model3.fw"), 0, "inspect"},
        {"inspect --json " + f.fw, 0, "inspect"},
        {"inspect --json " + f.refused, 3, "inspect", text::kBadData2},
        {"inspect --json", 2, "result"},
        {"list --json --simulate", 0, "list"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args);
        const test::ProgramRun r = Quillon(row.args);
        EXPECT_EQ(r.code, row.code);
        const std::vector<Json> lines = Lines(r.out);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0]["type"], row.type);
        EXPECT_EQ(lines[0]["version"], 2);
        EXPECT_EQ(lines[0]["exit"], row.code);
        if (row.message) {
            EXPECT_EQ(lines[0]["text"], row.message);
        }
        // Only the MCU example's run switches into the boot loader; the SPI one's never does.
        if (row.code == 0 && row.type == std::string("inspect")) {
            EXPECT_EQ(lines[0]["boot_switch"], row.args.find("spi-") == std::string::npos);
        }
    }
}

}  // namespace
}  // namespace quillon
