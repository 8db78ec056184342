// Whole runs of the command line on the simulator with an update policy in force: what a file the
// policy refuses leaves on each output (nothing sent, the reason on standard error, the operator's
// refusal text), what inspect shows of a signature, and that no policy, or one that allows the
// file, changes nothing of the run.
#include <gtest/gtest.h>

#include <filesystem>

#include "firmware/signature/Policy.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"
#include "support/TrustVectors.h"

namespace quillon {
namespace {

using test::Text;
using test::Vector;

constexpr const char* kStrict =
    R"({"version": 1, "trusted_keys": ["$A"], "require_signature": true,
        "min_versions": {"3": "2.0.0"}})";

enum class Spoil { kNothing, kComment, kTruncated };

// A firmware file and what lies beside it, in a folder of its own.
struct Case {
    const char* firmware = "fw.fw";   // a vector, else a shipped example
    const char* signature = nullptr;  // a vector's signature of fw.fw; null: none
    Spoil spoil = Spoil::kNothing;
    const char* policy = kStrict;  // $A, $B: the keys; null: the file is not there
};

struct Files {
    std::string fw, policy, trace, log, err;
};

Files Lay(const test::TempDir& dir, const Case& c) {
    Files f;
    const std::string source = std::string(c.firmware) == "fw.fw"
                                   ? Vector(c.firmware)
                                   : std::string(QUILLON_EXAMPLES) + "/" + c.firmware;
    f.fw = dir.Write("update.fw", test::TempDir::Read(source));
    if (c.signature != nullptr) {
        std::string sig = Text(Vector(c.signature));
        if (c.spoil == Spoil::kComment) sig.replace(sig.find("\"2.1.0\""), 7, "\"9.1.0\"");
        if (c.spoil == Spoil::kTruncated) sig.resize(sig.size() / 2);
        dir.WriteText("update.fw.minisig", sig);
    }
    f.policy = c.policy != nullptr ? dir.WriteText("policy.json", test::WithKeys(c.policy))
                                   : dir.File("policy.json");
    f.trace = dir.File("trace.txt");
    f.log = dir.File("log.jsonl");
    f.err = dir.File("err.txt");
    return f;
}

std::string Read(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) ? Text(path) : std::string();
}

// update and station refuse before anything is sent; a policy that cannot be used is exit 2.
TEST(CliPolicy, RefusalsSendNothingAndSayWhy) {
    struct Row {
        const char* name;
        Case c;
        int code;
        const char* reason;  // all of it; empty for a run that is done
    };
    const Row rows[] = {
        {"good, prehashed", {"fw.fw", "prehashed.minisig"}, 0, ""},
        {"good, legacy", {"fw.fw", "legacy.minisig"}, 0, ""},
        {"unsigned", {"fw.fw", nullptr}, 3, "unsigned: the policy requires a signature"},
        {"another file under the signature",
         {"spi-model3.fw", "prehashed.minisig"},
         3,
         "badly signed: the signature does not match the file"},
        {"edited trusted comment",
         {"fw.fw", "prehashed.minisig", Spoil::kComment},
         3,
         "badly signed: the trusted comment does not match its signature"},
        {"truncated signature",
         {"fw.fw", "legacy.minisig", Spoil::kTruncated},
         3,
         "badly signed: its signature file is not minisign's: 2 lines instead of 4"},
        {"another key", {"fw.fw", "other-key.minisig"}, 3, "signed by a key that is not trusted"},
        {"signed for another model",
         {"fw.fw", "model5.minisig"},
         3,
         "signed for model 5, but the file's header says model 3"},
        {"below the floor",
         {"fw.fw", "prehashed.minisig", Spoil::kNothing,
          R"({"trusted_keys": ["$A"], "min_versions": {"3": "2.1.1"}})"},
         3,
         "version 2.1.0 is below 2.1.1, the lowest allowed for model 3"},
        {"not in the allowed list",
         {"fw.fw", "prehashed.minisig", Spoil::kNothing,
          R"({"allowed_sha256": ["0000000000000000000000000000000000000000000000000000000000000000"]})"},
         3,
         "not among the allowed files (sha256 "},
        {"a policy with an unknown field",
         {"fw.fw", "prehashed.minisig", Spoil::kNothing, R"({"version": 1, "colour": "red"})"},
         2,
         "policy $P: colour: unknown field"},
        {"a policy that is not there",
         {"fw.fw", "prehashed.minisig", Spoil::kNothing, nullptr},
         2,
         "policy $P: no such file"},
    };
    for (const Row& row : rows) {
        for (const char* command : {"update", "station"}) {
            SCOPED_TRACE(std::string(row.name) + ", " + command);
            test::TempDir dir;
            const Files f = Lay(dir, row.c);
            std::string reason = row.reason;
            if (const auto at = reason.find("$P"); at != std::string::npos) {
                reason.replace(at, 2, f.policy);
            }
            const bool update = std::string(command) == "update";
            const std::string args = std::string(command) + " " + f.fw +
                                     " --simulate --virtual-time --policy " + f.policy +
                                     (update ? " --trace " + f.trace : " --log " + f.log);
            const test::ProgramRun run = test::RunProgram(QUILLON_BIN, args, f.err);
            EXPECT_EQ(run.code, row.code);
            const std::string err = Read(f.err);
            const std::string sent = update ? Read(f.trace) : Read(f.log);
            if (row.code == 0) {
                EXPECT_NE(sent.find(update ? " write " : "\"result\":\"done\""), std::string::npos);
                EXPECT_EQ(run.out.find("Refused"), std::string::npos) << run.out;
                continue;
            }
            EXPECT_EQ(sent.find(update ? " write " : "\"port\""), std::string::npos) << sent;
            EXPECT_NE(err.find(std::string("quillon ") + command + ": " + reason),
                      std::string::npos)
                << err;
            if (row.code == 3) {
                // The operator's text names the policy and the reason, on one line.
                const std::string told = "Refused by the update policy (" + f.policy + "): ";
                EXPECT_EQ(run.out.substr(0, told.size()), told) << run.out;
                EXPECT_NE(run.out.find(reason), std::string::npos) << run.out;
            } else {
                EXPECT_EQ(run.out.find("Refused"), std::string::npos) << run.out;
            }
        }
    }
}

// Without a policy, with one that asks nothing and with one the file passes, an update sends
// the same reports and prints the same texts, byte for byte.
TEST(CliPolicy, APolicyTheFilePassesChangesNothing) {
    if (std::filesystem::exists(signature::DefaultPolicyPath())) {
        GTEST_SKIP() << "this machine has a policy in force: " << signature::DefaultPolicyPath();
    }
    test::TempDir dir;
    const Files f = Lay(dir, {"fw.fw", "prehashed.minisig"});
    const std::string asks = dir.WriteText("asks-nothing.json", "{}");
    const std::string run = "update " + f.fw + " --simulate --virtual-time --trace " + f.trace;
    const test::ProgramRun plain = test::RunProgram(QUILLON_BIN, run);
    const std::string plainTrace = Read(f.trace);
    ASSERT_EQ(plain.code, 0);
    ASSERT_EQ(plain.out, "완료\n");
    ASSERT_NE(plainTrace.find(" write "), std::string::npos);
    for (const std::string& policy : {asks, f.policy}) {
        SCOPED_TRACE(policy);
        const test::ProgramRun judged = test::RunProgram(QUILLON_BIN, run + " --policy " + policy);
        EXPECT_EQ(judged.code, 0);
        EXPECT_EQ(judged.out, plain.out);
        EXPECT_EQ(Read(f.trace), plainTrace);
    }
}

// For scripts: the refusal's reason in the result, beside the operator's text.
TEST(CliPolicy, JsonResultCarriesTheReason) {
    test::TempDir dir;
    const Files f = Lay(dir, {"fw.fw", "other-key.minisig"});
    for (const char* command : {"update", "station"}) {
        SCOPED_TRACE(command);
        const test::ProgramRun run = test::RunProgram(
            QUILLON_BIN, std::string(command) + " " + f.fw +
                             " --simulate --virtual-time --json --policy " + f.policy);
        EXPECT_EQ(run.code, 3);
        const std::string reason =
            "signed by a key that is not trusted (key id " + test::IdOf("b.pub") + ")";
        EXPECT_NE(run.out.find("\"outcome\":\"file-refused\""), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("\"reason\":\"" + reason + "\""), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("\"type\":\"message\""), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("\"phase\":\"finding-device\""), std::string::npos) << run.out;
    }
}

// The station's log names who signed what it sent.
TEST(CliPolicy, StationLogNamesKeyAndVersion) {
    test::TempDir dir;
    const Files f = Lay(dir, {"fw.fw", "legacy.minisig"});
    const test::ProgramRun run = test::RunProgram(
        QUILLON_BIN, "station " + f.fw + " --simulate --virtual-time --json --log " + f.log +
                         " --policy " + f.policy);
    EXPECT_EQ(run.code, 0);
    const std::string log = Read(f.log);
    EXPECT_NE(log.find("\"keyId\":\"" + test::IdOf("a.pub") + "\",\"firmwareVersion\":\"2.1.0\""),
              std::string::npos)
        << log;
}

// What inspect shows of a signature, with and without a policy, and what the policy decides.
TEST(CliPolicy, InspectShowsSignatureAndDecision) {
    const std::string a = test::IdOf("a.pub"), b = test::IdOf("b.pub");
    struct Row {
        const char* name;
        Case c;
        bool givePolicy;
        int code;
        std::vector<std::string> lines;  // whole lines of standard output; $P: the policy
    };
    const Row rows[] = {
        {"unsigned, no policy",
         {"fw.fw", nullptr},
         false,
         0,
         {"signature:       none\n", "policy:          none\n"}},
        {"signed, no policy",
         {"fw.fw", "prehashed.minisig"},
         false,
         0,
         {"signature:       by key " + a + " (prehashed), not verified: no policy\n"}},
        {"good, prehashed",
         {"fw.fw", "prehashed.minisig"},
         true,
         0,
         {"signature:       good: key " + a + ", model 3, version 2.1.0 (prehashed)\n",
          "policy:          allows the file ($P)\n"}},
        {"good, legacy",
         {"fw.fw", "legacy.minisig"},
         true,
         0,
         {"signature:       good: key " + a + ", model 3, version 2.1.0 (legacy)\n"}},
        {"another key",
         {"fw.fw", "other-key.minisig"},
         true,
         3,
         {"signature:       by key " + b + " (prehashed), which the policy does not trust\n",
          "policy:          refuses it: signed by a key that is not trusted (key id " + b +
              ") ($P)\n"}},
        {"edited trusted comment",
         {"fw.fw", "prehashed.minisig", Spoil::kComment},
         true,
         3,
         {"signature:       bad: the trusted comment does not match its signature\n"}},
        {"unsigned, signature required",
         {"fw.fw", nullptr},
         true,
         3,
         {"signature:       none\n",
          "policy:          refuses it: unsigned: the policy requires a signature ($P)\n"}},
        {"a policy that is not there", {"fw.fw", nullptr, Spoil::kNothing, nullptr}, true, 2, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempDir dir;
        const Files f = Lay(dir, row.c);
        const std::string policy = row.givePolicy ? " --policy " + f.policy : "";
        if (!row.givePolicy && std::filesystem::exists(signature::DefaultPolicyPath())) continue;
        const test::ProgramRun run = test::RunProgram(QUILLON_BIN, "inspect " + f.fw + policy);
        EXPECT_EQ(run.code, row.code);
        for (std::string line : row.lines) {
            if (const auto at = line.find("$P"); at != std::string::npos) {
                line.replace(at, 2, f.policy);
            }
            EXPECT_NE(run.out.find(line), std::string::npos) << line << run.out;
        }
        if (row.code == 2) {
            EXPECT_EQ(run.out, "");
        }
        const test::ProgramRun json =
            test::RunProgram(QUILLON_BIN, "inspect --json " + f.fw + policy);
        EXPECT_EQ(json.code, row.code);
    }
}

}  // namespace
}  // namespace quillon
