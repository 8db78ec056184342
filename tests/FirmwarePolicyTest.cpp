// Signed firmware and the admin's policy, on keys and signatures that minisign itself made
// (tests/trust/make-vectors.sh), with the file, the signature or the policy spoilt.
#include <gtest/gtest.h>

#include <filesystem>

#include "firmware/Sha256.h"
#include "firmware/signature/MinisignKey.h"
#include "firmware/signature/MinisignSignature.h"
#include "firmware/signature/Policy.h"
#include "firmware/signature/PolicyDecision.h"
#include "support/TempDir.h"
#include "support/TrustVectors.h"

namespace quillon::signature {
namespace {

using test::IdOf;
using test::KeyLine;
using test::Text;
using test::Vector;
using test::WithKeys;

enum class Spoil { kNothing, kFileByte, kComment, kTruncated, kSignatureIsFolder };

struct DecisionCase {
    const char* name;
    const char* signature;  // a vector's file name; null: no signature file
    Spoil spoil;
    const char* policy;  // $A, $B: the keys
    std::uint32_t headerModel;
    Refusal refusal;
    const char* reason;  // a part of it; "$B" stands for b's key id
};

constexpr const char* kStrict =
    R"({"version": 1, "trusted_keys": ["$A"], "require_signature": true,
        "min_versions": {"3": "2.0.0"}})";

TEST(FirmwarePolicy, DecisionsOnMinisignsOwnSignatures) {
    const DecisionCase cases[] = {
        {"good, prehashed", "prehashed.minisig", Spoil::kNothing, kStrict, 3, Refusal::kNone, ""},
        {"good, legacy", "legacy.minisig", Spoil::kNothing, kStrict, 3, Refusal::kNone, ""},
        {"flipped byte, prehashed", "prehashed.minisig", Spoil::kFileByte, kStrict, 3,
         Refusal::kBadlySigned, "badly signed: the signature does not match the file"},
        {"flipped byte, legacy", "legacy.minisig", Spoil::kFileByte, kStrict, 3,
         Refusal::kBadlySigned, "does not match the file"},
        {"edited trusted comment", "prehashed.minisig", Spoil::kComment, kStrict, 3,
         Refusal::kBadlySigned, "the trusted comment does not match its signature"},
        {"edited trusted comment, legacy", "legacy.minisig", Spoil::kComment, kStrict, 3,
         Refusal::kBadlySigned, "the trusted comment does not match"},
        {"another key", "other-key.minisig", Spoil::kNothing, kStrict, 3, Refusal::kUntrustedKey,
         "signed by a key that is not trusted (key id $B)"},
        {"another key, trusted too", "other-key.minisig", Spoil::kNothing,
         R"({"trusted_keys": ["$A", "$B"], "require_signature": true})", 3, Refusal::kNone, ""},
        {"truncated signature", "prehashed.minisig", Spoil::kTruncated, kStrict, 3,
         Refusal::kBadlySigned, "its signature file is not minisign's"},
        {"signature file a folder", "prehashed.minisig", Spoil::kSignatureIsFolder, kStrict, 3,
         Refusal::kBadlySigned, "its signature file cannot be read"},
        {"comment not the vendor's JSON", "plain-comment.minisig", Spoil::kNothing, kStrict, 3,
         Refusal::kBadlySigned, "the trusted comment is not JSON"},
        {"below the floor, numerically", "prehashed.minisig", Spoil::kNothing,
         R"({"trusted_keys": ["$A"], "min_versions": {"3": "10.0"}})", 3, Refusal::kBelowFloor,
         "version 2.1.0 is below 10.0, the lowest allowed for model 3"},
        {"at the floor", "prehashed.minisig", Spoil::kNothing,
         R"({"trusted_keys": ["$A"], "min_versions": {"0x3": "2.1"}})", 3, Refusal::kNone, ""},
        {"floor of another model", "model5.minisig", Spoil::kNothing,
         R"({"trusted_keys": ["$A"], "min_versions": {"3": "9.0"}})", 5, Refusal::kNone, ""},
        {"signed for model 5, header 3", "model5.minisig", Spoil::kNothing, kStrict, 3,
         Refusal::kOtherModel, "signed for model 5, but the file's header says model 3"},
        {"signed for model 3, header 6", "prehashed.minisig", Spoil::kNothing, kStrict, 6,
         Refusal::kOtherModel, "but the file's header says model 6"},
        {"unsigned, signature required", nullptr, Spoil::kNothing, kStrict, 3, Refusal::kUnsigned,
         "unsigned: the policy requires a signature"},
        {"unsigned, model has a floor", nullptr, Spoil::kNothing,
         R"({"trusted_keys": ["$A"], "min_versions": {"3": "1"}})", 3, Refusal::kUnsigned,
         "unsigned: model 3 has a lowest version"},
        {"unsigned, no floor, not required", nullptr, Spoil::kNothing,
         R"({"trusted_keys": ["$A"], "min_versions": {"3": "1"}})", 6, Refusal::kNone, ""},
        {"allowed list alone ignores a bad signature", "prehashed.minisig", Spoil::kComment,
         R"({"allowed_sha256": ["$SHA"]})", 3, Refusal::kNone, ""},
        {"not in the allowed list", "prehashed.minisig", Spoil::kNothing,
         R"({"trusted_keys": ["$A"], "allowed_sha256": ["00000000000000000000000000000000)"
         R"(00000000000000000000000000000000"]})",
         3, Refusal::kNotAllowed, "not among the allowed files (sha256 $SHA)"},
        {"empty policy asks nothing", "prehashed.minisig", Spoil::kFileByte, "{}", 3,
         Refusal::kNone, ""},
    };
    const std::string sha = Sha256OfFile(Vector("fw.fw"));
    ASSERT_EQ(sha.size(), 64u);
    const auto expand = [&](std::string s) {
        for (const auto& [mark, value] :
             {std::pair{std::string("$SHA"), sha}, std::pair{std::string("$B"), IdOf("b.pub")}}) {
            for (std::size_t at; (at = s.find(mark)) != std::string::npos;) {
                s.replace(at, mark.size(), value);
            }
        }
        return s;
    };
    for (const DecisionCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        std::vector<std::uint8_t> file = test::TempDir::Read(Vector("fw.fw"));
        ASSERT_GT(file.size(), 100u);
        if (c.spoil == Spoil::kFileByte) file[100] ^= 0x01;
        const std::string path = dir.Write("update.fw", file);
        if (c.signature != nullptr) {
            std::string sig = Text(Vector(c.signature));
            if (c.spoil == Spoil::kComment) {
                const std::size_t at = sig.find("\"2.1.0\"");
                ASSERT_NE(at, std::string::npos);
                sig.replace(at, 7, "\"9.1.0\"");
            }
            if (c.spoil == Spoil::kTruncated) sig.resize(sig.size() / 2);
            if (c.spoil == Spoil::kSignatureIsFolder) {
                std::filesystem::create_directory(SignaturePath(path));
            } else {
                dir.WriteText("update.fw.minisig", sig);
            }
        }
        Policy policy;
        std::string error;
        ASSERT_TRUE(ParsePolicy(expand(WithKeys(c.policy)), policy, error)) << error;

        const Decision d = DecideFile(policy, path, c.headerModel);
        EXPECT_EQ(d.refusal, c.refusal) << d.reason;
        EXPECT_EQ(d.Allowed(), c.refusal == Refusal::kNone);
        EXPECT_NE(d.reason.find(expand(c.reason)), std::string::npos) << d.reason;
        EXPECT_EQ(d.reason.find('\n'), std::string::npos);
        if (d.signature.state == SignatureState::kGood) {
            // What inspect will show: who signed, for which model, which version.
            const bool byB = std::string(c.signature) == "other-key.minisig";
            EXPECT_EQ(d.signature.keyId, IdOf(byB ? "b.pub" : "a.pub"));
            EXPECT_EQ(d.signature.prehashed, std::string(c.signature) != "legacy.minisig");
            EXPECT_EQ(d.signature.claim->version.Text(), "2.1.0");
        }
    }
}

TEST(FirmwarePolicy, KeyAndSignatureFileForms) {
    const std::string pub = Text(Vector("a.pub"));
    const std::string line = KeyLine("a.pub");
    const std::string sig = Text(Vector("prehashed.minisig"));
    auto crlf = [](std::string s) {
        for (std::size_t at = 0; (at = s.find('\n', at)) != std::string::npos; at += 2) {
            s.insert(at, "\r");
        }
        return s;
    };
    struct KeyCase {
        std::string text;
        const char* error;  // null: accepted
    } keys[] = {
        {line, nullptr},
        {pub, nullptr},
        {crlf(pub), nullptr},
        {"  " + line + "\n\n", nullptr},
        {line.substr(0, line.size() - 4), "bytes instead of 42"},
        {line + "A", "not base64"},
        {"untrusted comment: x\n" + line + "\n" + line, "two lines"},
        {"comment\n" + line, "two lines"},
        {"", "two lines"},
        // The same bytes with the algorithm "ED", which keys never have.
        {"RU" + line.substr(2), "not an Ed25519 public key"},
    };
    for (const KeyCase& c : keys) {
        SCOPED_TRACE(c.text);
        MinisignKey k;
        std::string error;
        EXPECT_EQ(ParsePublicKey(c.text, k, error), c.error == nullptr);
        if (c.error != nullptr) {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
        }
    }

    const std::size_t line2 = sig.find('\n') + 1, line3 = sig.find('\n', line2) + 1;
    struct SigCase {
        std::string text;
        const char* error;
    } sigs[] = {
        {sig, nullptr},
        {crlf(sig), nullptr},
        {sig + "\n\n", nullptr},
        {sig.substr(0, line3), "2 lines instead of 4"},
        {sig + "extra\n", "5 lines instead of 4"},
        {sig.substr(line2), "3 lines instead of 4"},
        {"x" + sig, "line 1 is not an untrusted comment"},
        {sig.substr(0, line2) + "Rk" + sig.substr(line2 + 2), "unknown algorithm"},
        {sig.substr(0, line3 - 3) + sig.substr(line3 - 1), "line 2 is not a signature"},
        {sig.substr(0, line3) + "Trusted" + sig.substr(line3 + 7), "line 3 is not a trusted"},
        {sig.substr(0, sig.size() - 3) + "\n", "line 4 is not the trusted comment's signature"},
        {std::string(kMaxSignatureFile + 1, 'x'), "too long"},
    };
    for (const SigCase& c : sigs) {
        SCOPED_TRACE(c.text);
        MinisignSignature s;
        std::string error;
        EXPECT_EQ(ParseSignatureFile(c.text, s, error), c.error == nullptr);
        if (c.error != nullptr) {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
        } else {
            EXPECT_EQ(s.trustedComment, R"({"model":3,"version":"2.1.0"})");
        }
    }
}

TEST(FirmwarePolicy, PolicyFieldsAreCheckedByTheirPath) {
    const struct {
        std::string json;
        const char* error;  // null: accepted
    } cases[] = {
        {WithKeys(kStrict), nullptr},
        {R"({"allowed_sha256": ["ABCDEF0123456789abcdef0123456789abcdef0123456789abcdef0123456789"]})",
         nullptr},
        {R"({"version": 1, "colour": "red"})", "colour: unknown field"},
        {R"({"require_signatures": true})", "require_signatures: unknown field"},
        {R"({"\u001b[2J": 1})", "\\x1B[2J: unknown field"},
        {R"({"version": 2})", "version: only version 1 is known"},
        {WithKeys(R"({"trusted_keys": ["$A", "RWxyz"]})"), "trusted_keys[1]: not a public key"},
        {R"({"trusted_keys": "RW..."})", "trusted_keys: expected an array"},
        {R"({"require_signature": "yes"})", "require_signature: expected true or false"},
        {R"({"require_signature": true})", "require_signature: needs trusted_keys"},
        {R"({"min_versions": {"3": "2.0"}})", "min_versions: needs trusted_keys"},
        {WithKeys(R"({"trusted_keys": ["$A"], "min_versions": {"three": "2.0"}})"),
         "min_versions.three (the model) must be a number, not \"three\""},
        {WithKeys(R"({"trusted_keys": ["$A"], "min_versions": {"3": "2.0-rc1"}})"),
         "min_versions.3: not numbers separated by dots"},
        {WithKeys(R"({"trusted_keys": ["$A"], "min_versions": {"3": "2", "0x3": "4"}})"),
         "min_versions.3: the same model twice"},
        {R"({"allowed_sha256": ["abc"]})", "allowed_sha256[0]: expected 64 hex digits"},
        {"[]", "a policy is a JSON object"},
        {"{\"version\": 1,", "line 1, column 15: the text ends too early"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        Policy p;
        std::string error;
        EXPECT_EQ(ParsePolicy(c.json, p, error), c.error == nullptr);
        if (c.error != nullptr) {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
            EXPECT_EQ(error.find_first_of("\n\x1b"), std::string::npos) << error;
        }
    }
}

TEST(FirmwarePolicy, PolicyFileThereOrNot) {
    test::TempDir dir;
    const std::string absent = dir.File("policy.json");
    const std::string broken = dir.WriteText("broken.json", R"({"trusted_keys": [1]})");
    const std::string good = dir.WriteText("good.json", R"({"allowed_sha256": []})");
    std::filesystem::create_directory(dir.File("folder.json"));
    using State = LoadedPolicy::State;
    const struct {
        std::string path;
        bool mayBeAbsent;
        State state;
        const char* error;
    } cases[] = {
        // No file where the platform keeps it: no policy, the update as it always was.
        {absent, true, State::kNone, ""},
        {absent, false, State::kError, "policy.json: no such file"},
        {broken, true, State::kError, "broken.json: trusted_keys[0]: expected a key"},
        {dir.File("folder.json"), true, State::kError, "folder.json: not a plain file"},
        {good, false, State::kInForce, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const LoadedPolicy p = LoadPolicyFile(c.path, c.mayBeAbsent);
        EXPECT_EQ(p.state, c.state);
        EXPECT_NE(p.error.find(c.error), std::string::npos) << p.error;
    }
    // Where the platform keeps it: an absolute path, so that the folder a program is started
    // in never decides which policy is in force.
    const std::filesystem::path fallback(DefaultPolicyPath());
    EXPECT_TRUE(fallback.is_absolute()) << fallback;
    EXPECT_EQ(fallback.filename(), "policy.json");
    EXPECT_TRUE(fallback.parent_path().filename() == "quillon" ||
                fallback.parent_path().filename() == "Quillon")
        << fallback;
}

TEST(FirmwarePolicy, VersionsCompareNumberByNumber) {
    const struct {
        const char* a;
        const char* b;
        int order;
    } cases[] = {
        {"2.10.0", "2.9.0", 1},   {"2.1", "2.1.0", 0},
        {"2.01.0", "2.1.0", 0},   {"1.9.9", "2", -1},
        {"10", "9.99.99", 1},     {"0", "0.0.0.0", 0},
        {"3.0.0", "3.0.0.1", -1}, {"99999999999999999999", "99999999999999999998", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        const auto a = Version::Parse(c.a), b = Version::Parse(c.b);
        ASSERT_TRUE(a && b);
        EXPECT_EQ(a->Compare(*b), c.order);
        EXPECT_EQ(b->Compare(*a), -c.order);
    }
    for (const char* bad : {"", ".", "1.", ".1", "1..2", "v1", "1.2-beta", "1 .2", "-1"}) {
        EXPECT_FALSE(Version::Parse(bad)) << bad;
    }
}

}  // namespace
}  // namespace quillon::signature
