// One gate serves every run of a program: a file is judged again whenever its bytes or its
// signature file differ from what was judged last, as when a watched station's file is replaced
// between two devices.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/PolicyGate.h"
#include "firmware/FirmwareLoader.h"
#include "state/CollectingOperator.h"
#include "support/TrustVectors.h"

namespace quillon {
namespace {

TEST(PolicyGate, JudgesAgainWhatChangedOnDisk) {
    using signature::Refusal;
    const std::string spi = std::string(QUILLON_EXAMPLES) + "/spi-model3.fw";
    const struct {
        std::string firmware;   // put at the one path
        const char* signature;  // a vector put beside it; null: none
        Refusal refusal;
    } steps[] = {
        {test::Vector("fw.fw"), "prehashed.minisig", Refusal::kNone},
        {spi, "prehashed.minisig", Refusal::kBadlySigned},
        {test::Vector("fw.fw"), "prehashed.minisig", Refusal::kNone},
        {test::Vector("fw.fw"), "other-key.minisig", Refusal::kUntrustedKey},
        {test::Vector("fw.fw"), nullptr, Refusal::kUnsigned},
    };
    test::TempDir dir;
    PolicyGate gate(signature::LoadPolicyFile(
        dir.WriteText("policy.json",
                      test::WithKeys(R"({"trusted_keys": ["$A"], "require_signature": true})")),
        false));
    const std::string fw = dir.File("update.fw");
    for (const auto& s : steps) {
        SCOPED_TRACE(s.firmware + " " + (s.signature ? s.signature : "unsigned"));
        dir.Write("update.fw", test::TempDir::Read(s.firmware));
        std::filesystem::remove(fw + ".minisig");
        if (s.signature) dir.WriteText("update.fw.minisig", test::Text(test::Vector(s.signature)));
        auto st = std::make_unique<SharedState>();
        CollectingOperator op(fw);
        StdFileSystem files;
        ASSERT_FALSE(FirmwareLoader(*st, op, files).LoadFirmwareFile());
        signature::Decision d;
        EXPECT_EQ(gate.Refuses(*st, op, &d), s.refusal != Refusal::kNone);
        EXPECT_EQ(d.refusal, s.refusal) << d.reason;
        // A refusal is told once and stays the run's reason.
        EXPECT_EQ(op.Messages().size(), d.Allowed() ? 0u : 1u);
        EXPECT_EQ(st->phases.Snapshot().reason, d.reason);
    }
}

}  // namespace
}  // namespace quillon
