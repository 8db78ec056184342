// Whole runs of the command line on the simulator with an update policy: a file the policy
// refuses sends nothing and says why on every output, a policy that cannot be used is exit 2, and
// no policy, or one that the file passes, changes nothing of the run. (Every kind of refusal is
// decided in FirmwarePolicyTest; here, that each reaches the user.)
#include <gtest/gtest.h>

#include <filesystem>

#include "firmware/signature/Policy.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"
#include "support/TrustVectors.h"

namespace quillon {
namespace {

constexpr const char* kStrict =
    R"({"trusted_keys": ["$A"], "require_signature": true, "min_versions": {"3": "2.0.0"}})";

// update.fw (the vectors' fw.fw, or a shipped example) with a vector's signature beside it, and
// the policy (null: none at its path), in dir. The paths: firmware, policy, an output, errors.
struct Files {
    std::string fw, policy, out, err;
};
Files Lay(const test::TempDir& dir, const char* signature, const char* policy = kStrict,
          const std::string& firmware = test::Vector("fw.fw")) {
    dir.Write("update.fw", test::TempDir::Read(firmware));
    if (signature != nullptr)
        dir.WriteText("update.fw.minisig", test::Text(test::Vector(signature)));
    return {dir.File("update.fw"),
            policy != nullptr ? dir.WriteText("policy.json", test::WithKeys(policy))
                              : dir.File("policy.json"),
            dir.File("out.txt"), dir.File("err.txt")};
}

std::string Read(const std::string& path) {
    return std::filesystem::exists(path) ? test::Text(path) : std::string();
}

TEST(CliPolicy, RefusalsSendNothingAndSayWhy) {
    const struct {
        const char* signature;
        const char* policy;
        std::string firmware;
        int code;
        std::string reason;  // $P: the policy's path
    } rows[] = {
        {"prehashed.minisig", kStrict, test::Vector("fw.fw"), 0, ""},
        {nullptr, kStrict, test::Vector("fw.fw"), 3, "unsigned: the policy requires a signature"},
        {"other-key.minisig", kStrict, test::Vector("fw.fw"), 3,
         "signed by a key that is not trusted (key id " + test::IdOf("b.pub") + ")"},
        {"prehashed.minisig", R"({"version": 1, "colour": "red"})", test::Vector("fw.fw"), 2,
         "policy $P: colour: unknown field"},
        {"prehashed.minisig", nullptr, test::Vector("fw.fw"), 2, "policy $P: no such file"},
    };
    for (const auto& row : rows) {
        for (const std::string command : {"update", "station"}) {
            SCOPED_TRACE(command + ": " + row.reason);
            test::TempDir dir;
            const Files f = Lay(dir, row.signature, row.policy, row.firmware);
            std::string reason = row.reason;
            if (const auto at = reason.find("$P"); at != std::string::npos) {
                reason.replace(at, 2, f.policy);
            }
            // What was sent: the trace's writes, the log's finished runs.
            const bool update = command == "update";
            const test::ProgramRun run =
                test::RunProgram(QUILLON_BIN,
                                 command + " " + f.fw + " --simulate --virtual-time --policy " +
                                     f.policy + (update ? " --trace " : " --log ") + f.out,
                                 f.err);
            EXPECT_EQ(run.code, row.code);
            EXPECT_EQ(Read(f.out).find(update ? " write " : "\"port\"") != std::string::npos,
                      row.code == 0);
            const std::string told = "Refused by the update policy (" + f.policy + "): " + reason;
            EXPECT_EQ(run.out.find(told) != std::string::npos, row.code == 3) << run.out;
            if (row.code != 0) {
                EXPECT_NE(test::ErrorText(f.err).find("quillon " + command + ": " + reason + "\n"),
                          std::string::npos)
                    << test::ErrorText(f.err);
            }
        }
    }
}

// Without a policy, with one that asks nothing and with one that the file passes, an update
// sends the same reports and prints the same texts, byte for byte.
TEST(CliPolicy, APolicyTheFilePassesChangesNothing) {
    if (std::filesystem::exists(signature::DefaultPolicyPath())) {
        GTEST_SKIP() << "a policy is in force here: " << signature::DefaultPolicyPath();
    }
    test::TempDir dir;
    const Files f = Lay(dir, "prehashed.minisig");
    const std::string run = "update " + f.fw + " --simulate --virtual-time --trace " + f.out;
    const test::ProgramRun plain = test::RunProgram(QUILLON_BIN, run);
    const std::string trace = Read(f.out);
    ASSERT_EQ(plain.out, "완료\n");
    for (const std::string& policy : {dir.WriteText("empty.json", "{}"), f.policy}) {
        const test::ProgramRun judged = test::RunProgram(QUILLON_BIN, run + " --policy " + policy);
        EXPECT_EQ(judged.code, 0);
        EXPECT_EQ(judged.out, plain.out);
        EXPECT_EQ(Read(f.out), trace) << policy;
    }
}

// For scripts the reason is in the result; the station's log names who signed what it sent.
TEST(CliPolicy, JsonReasonAndStationLog) {
    test::TempDir dir;
    Files f = Lay(dir, "other-key.minisig");
    const test::ProgramRun refused = test::RunProgram(
        QUILLON_BIN, "update " + f.fw + " --simulate --virtual-time --json --policy " + f.policy);
    EXPECT_EQ(refused.code, 3);
    EXPECT_NE(refused.out.find(R"("outcome":"file-refused")"), std::string::npos);
    EXPECT_NE(refused.out.find(R"("reason":"signed by a key that is not trusted)"),
              std::string::npos)
        << refused.out;
    f = Lay(dir, "legacy.minisig");
    const test::ProgramRun station =
        test::RunProgram(QUILLON_BIN, "station " + f.fw + " --simulate --virtual-time --json " +
                                          "--log " + f.out + " --policy " + f.policy);
    EXPECT_EQ(station.code, 0);
    EXPECT_NE(
        Read(f.out).find(R"("key_id":")" + test::IdOf("a.pub") + R"(","firmware_version":"2.1.0")"),
        std::string::npos)
        << Read(f.out);
}

// What inspect shows of a signature, with and without a policy, and what the policy decides.
TEST(CliPolicy, InspectShowsSignatureAndDecision) {
    const std::string a = test::IdOf("a.pub"), b = test::IdOf("b.pub");
    const struct {
        const char* signature;
        bool policy;
        int code;
        std::string lines;  // $P: the policy's path
    } rows[] = {
        {nullptr, false, 0, "signature:       none\npolicy:          none\n"},
        {"prehashed.minisig", false, 0,
         "signature:       by key " + a + " (prehashed), not verified: no policy\n"},
        {"legacy.minisig", true, 0,
         "signature:       good: key " + a +
             ", model 3, version 2.1.0 (legacy)\n"
             "policy:          allows the file ($P)\n"},
        {"other-key.minisig", true, 3,
         "signature:       by key " + b +
             " (prehashed), which the policy does not trust\n"
             "policy:          refuses it: signed by a key that is not trusted (key id " +
             b + ") ($P)\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.lines);
        if (!row.policy && std::filesystem::exists(signature::DefaultPolicyPath())) continue;
        test::TempDir dir;
        const Files f = Lay(dir, row.signature);
        const std::string args = f.fw + (row.policy ? " --policy " + f.policy : "");
        std::string lines = row.lines;
        if (const auto at = lines.find("$P"); at != std::string::npos)
            lines.replace(at, 2, f.policy);
        const test::ProgramRun run = test::RunProgram(QUILLON_BIN, "inspect " + args);
        EXPECT_EQ(run.code, row.code);
        EXPECT_NE(run.out.find(lines), std::string::npos) << run.out;
        EXPECT_EQ(test::RunProgram(QUILLON_BIN, "inspect --json " + args).code, row.code);
    }
}

}  // namespace
}  // namespace quillon
