// One gate for every run of a program: a file is judged again whenever its bytes or its
// signature file differ from the last judged, as when a watched station's file is replaced
// between two devices.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/PolicyGate.h"
#include "firmware/FirmwareLoader.h"
#include "state/RecordingOperator.h"
#include "support/TempDir.h"
#include "support/TrustVectors.h"

namespace quillon {
namespace {

using test::Text;
using test::Vector;

TEST(PolicyGate, JudgesAgainWhatChangedOnDisk) {
    struct Step {
        const char* name;
        const char* firmware;   // a vector, or a shipped example, put at the one path
        const char* signature;  // a vector put beside it; null: none there
        signature::Refusal refusal;
    };
    const Step steps[] = {
        {"signed", "fw.fw", "prehashed.minisig", signature::Refusal::kNone},
        {"the same again", "fw.fw", "prehashed.minisig", signature::Refusal::kNone},
        {"another file, the old signature", "spi-model3.fw", "prehashed.minisig",
         signature::Refusal::kBadlySigned},
        {"the signed file back", "fw.fw", "prehashed.minisig", signature::Refusal::kNone},
        {"its signature replaced", "fw.fw", "other-key.minisig", signature::Refusal::kUntrustedKey},
        {"its signature gone", "fw.fw", nullptr, signature::Refusal::kUnsigned},
    };
    test::TempDir dir;
    const std::string policy = dir.WriteText(
        "policy.json", test::WithKeys(R"({"trusted_keys": ["$A"], "require_signature": true})"));
    PolicyGate gate(signature::LoadPolicyFile(policy, false));
    ASSERT_EQ(gate.Loaded().state, signature::LoadedPolicy::State::kInForce) << gate.Loaded().error;
    const std::string fw = dir.File("update.fw");
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        const std::string source = std::string(s.firmware) == "fw.fw"
                                       ? Vector(s.firmware)
                                       : std::string(QUILLON_EXAMPLES) + "/" + s.firmware;
        dir.Write("update.fw", test::TempDir::Read(source));
        std::filesystem::remove(fw + ".minisig");
        if (s.signature != nullptr) dir.WriteText("update.fw.minisig", Text(Vector(s.signature)));
        auto st = std::make_unique<SharedState>();
        RecordingOperator op(fw);
        StdFileSystem files;
        ASSERT_FALSE(FirmwareLoader(*st, op, files).LoadFirmwareFile());
        signature::Decision d;
        EXPECT_EQ(gate.Refuses(*st, op, &d), s.refusal != signature::Refusal::kNone);
        EXPECT_EQ(d.refusal, s.refusal) << d.reason;
        // A refusal is told once, in one line, and stays the run's reason.
        EXPECT_EQ(op.Messages().size(), d.Allowed() ? 0u : 1u);
        EXPECT_EQ(st->phases.Snapshot().reason, d.reason);
    }
}

// A policy that cannot be used lets nothing through, and says why.
TEST(PolicyGate, UnusablePolicyRefusesEveryFile) {
    test::TempDir dir;
    const std::string broken = dir.WriteText("policy.json", R"({"trusted_keys": "RW"})");
    PolicyGate gate(signature::LoadPolicyFile(broken, true));
    auto st = std::make_unique<SharedState>();
    RecordingOperator op(Vector("fw.fw"));
    StdFileSystem files;
    ASSERT_FALSE(FirmwareLoader(*st, op, files).LoadFirmwareFile());
    signature::Decision d;
    EXPECT_TRUE(gate.Refuses(*st, op, &d));
    EXPECT_EQ(d.refusal, signature::Refusal::kNoPolicy);
    ASSERT_EQ(op.Messages().size(), 1u);
    EXPECT_EQ(op.Messages()[0], "No file is sent while the update policy cannot be used: policy " +
                                    broken + ": trusted_keys: expected an array");
    // A policy named but not there is not "no policy".
    const std::unique_ptr<PolicyGate> named = GateOf(dir.File("absent.json"));
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->Loaded().state, signature::LoadedPolicy::State::kError);
}

}  // namespace
}  // namespace quillon
