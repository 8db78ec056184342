// The JSON schema: docs/json.md shows the module's table exactly, the conformance check that the
// command-line tests lean on catches each kind of drift, and every operator text has a code of
// its own.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "app/ExitCodes.h"
#include "app/schema/Documents.h"
#include "app/schema/RunObjects.h"
#include "app/schema/SchemaTable.h"
#include "state/TextCodes.h"
#include "state/Texts.h"

namespace quillon {
namespace {

using schema::JsonObject;

std::string Cell(std::span<const schema::Field> fields) {
    std::string cell;
    for (const schema::Field& f : fields) {
        if (!cell.empty()) cell += ", ";
        cell += "`" + std::string(f.key) + "`: " + schema::KindName(f.kind);
        if (f.items != nullptr) cell += " of `" + std::string(f.items) + "`";
        if (f.optional) cell += " (optional)";
    }
    return cell;
}

// The rows of the schema table as docs/json.md must write them.
std::vector<std::string> RowsOfTheModule() {
    std::vector<std::string> rows = {"| every object | " + Cell(schema::Head()) + " |"};
    for (const schema::ObjectSpec& o : schema::Objects()) {
        rows.push_back("| `" + std::string(o.type) + "`" + (o.item ? " (item)" : "") + " | " +
                       Cell(o.fields) + " |");
    }
    return rows;
}

// The rows of the table under a heading of docs/json.md, its head row left out.
std::vector<std::string> RowsOfTheDocs(const std::string& heading) {
    std::ifstream in(std::string(QUILLON_DOCS) + "/json.md");
    std::vector<std::string> rows;
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("### ", 0) == 0) inside = line == heading;
        if (inside && line.rfind("| ", 0) == 0) rows.push_back(line);
    }
    if (!rows.empty()) rows.erase(rows.begin());
    return rows;
}

std::vector<std::string> RowsOfTheCodes() {
    std::vector<std::string> rows;
    for (const TextCode& c : TextCodes()) {
        rows.push_back("| `" + std::string(c.code) + "` | " + c.text + " | " + c.meaning + " |");
    }
    return rows;
}

TEST(Schema, TheDocsShowTheModulesTables) {
    EXPECT_EQ(RowsOfTheDocs("### Schema, version 2"), RowsOfTheModule());
    EXPECT_EQ(RowsOfTheDocs("### Text codes"), RowsOfTheCodes());
}

PhaseStatus Programming(std::uint64_t done) {
    PhaseStatus s;
    s.phase = Phase::kProgramming;
    s.startMs = 100;
    s.transferMs = 200;
    s.nowMs = 300;
    s.count = 2;
    s.index = 1;
    s.bytesDone = done;
    s.bytesTotal = 1000;
    return s;
}

// Each builder's object conforms, in its sparse and its full forms; each kind of drift an edit
// could bring in is caught.
TEST(Schema, ConformanceCatchesEveryKindOfDrift) {
    const schema::RunObjects run("1-1.2");
    const schema::FinishedDevice device{
        "2026-12-09T18:03:52Z",    "1-1.2", 3, "a.fw", "00", kExitNoDevice,
        {text::kFirmwareMismatch}, 12,      0};
    const JsonObject log = schema::LogRecord(device);
    const auto with = [](JsonObject o, const char* key, JsonObject value) {
        o[key] = std::move(value);
        return o;
    };
    const auto without = [](JsonObject o, const char* key) {
        o.erase(key);
        return o;
    };
    JsonObject list =
        schema::ListDocument({{"/dev/hidraw0", "?", false},
                              {"/dev/hidraw1", "1-1", true, 0x581, 0x115, 1, 2, 65, 65, true}});
    JsonObject badItem = list;
    badItem["interfaces"][1]["usage_page"] = "0001";
    struct Row {
        const char* name;
        JsonObject object;
        std::string error;  // "" when it conforms
    };
    const Row rows[] = {
        {"a result of nothing programmed", run.Result(kExitFileRefused, PhaseStatus{}), ""},
        {"a message of an unknown text", run.Message("?", 5), ""},
        {"a log record", log, ""},
        {"a refusal without a reason", schema::InspectRefusal("a.fw", text::kBadData2, ""), ""},
        {"a list with an interface not queried", list, ""},
        {"the log's old model string", with(log, "model", "0x00000003"),
         "log: model is not a number"},
        {"the log's old camelCase key", with(log, "durationMs", 12), "log: unknown key durationMs"},
        {"a result without its outcome", without(run.Result(0, PhaseStatus{}), "outcome"),
         "result: no outcome"},
        {"a progress rate as a string", with(run.Progress(Programming(10)), "bytes_per_s", "1"),
         "progress: bytes_per_s is not a number or null"},
        {"the first version", with(run.Notice("x"), "version", 1), "notice: not version 2"},
        {"a port as a number", with(run.Notice("x"), "port", 3), "notice: port is not a string"},
        {"an item that drifted", badItem, "interface: usage_page is not a number"},
        {"a type nobody defined", with(run.Notice("x"), "type", "status"),
         "unknown type \"status\""},
        {"an item's name as a type", with(run.Notice("x"), "type", "identity"),
         "unknown type \"identity\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(schema::Conformance(row.object), row.error) << row.object;
    }
}

// Scripts tell the texts apart by their codes: one code per text, never shared, never empty,
// in the form docs/json.md promises, each with a meaning.
TEST(Schema, EveryTextHasACodeOfItsOwn) {
    std::set<std::string> texts, codes;
    for (const TextCode& c : TextCodes()) {
        SCOPED_TRACE(c.code);
        EXPECT_TRUE(texts.insert(c.text).second) << "a text twice";
        EXPECT_TRUE(codes.insert(c.code).second) << "a code twice";
        EXPECT_EQ(std::string(c.code).find_first_not_of("abcdefghijklmnopqrstuvwxyz-"),
                  std::string::npos);
        EXPECT_NE(std::string(c.code), "other");
        EXPECT_NE(std::string(c.meaning), "");
        EXPECT_EQ(std::string(CodeOfText(c.text).code), c.code);
    }
}

}  // namespace
}  // namespace quillon
