#include "firmware/signature/Policy.h"

#include <algorithm>

#include "firmware/JsonFields.h"
#include "firmware/signature/SmallFile.h"

namespace quillon::signature {

namespace {

using json_fields::FieldError;
using nlohmann::json;

const json& Array(const json& j, const std::string& where) {
    if (!j.is_array()) throw FieldError{where + ": expected an array"};
    return j;
}

std::string Item(const std::string& where, std::size_t i) {
    return where + "[" + std::to_string(i) + "]";
}

void ReadKeys(const json& j, Policy& out) {
    const std::string where = "trusted_keys";
    for (std::size_t i = 0; i < Array(j, where).size(); ++i) {
        if (!j[i].is_string()) throw FieldError{Item(where, i) + ": expected a key \"RW...\""};
        MinisignKey key;
        std::string error;
        if (!ParsePublicKey(j[i].get<std::string>(), key, error)) {
            throw FieldError{Item(where, i) + ": " + error};
        }
        out.trustedKeys.push_back(key);
    }
}

void ReadFloors(const json& j, Policy& out) {
    const std::string where = "min_versions";
    if (!j.is_object()) throw FieldError{where + ": expected {\"MODEL\": \"X.Y.Z\", ...}"};
    for (const auto& item : j.items()) {
        const std::string field = json_fields::Child(where, json_fields::Printable(item.key()));
        const auto model = static_cast<std::uint32_t>(
            json_fields::Number(json(item.key()), field + " (the model)", UINT32_MAX));
        if (!item.value().is_string()) {
            throw FieldError{field + ": expected a version such as \"2.1.0\""};
        }
        const std::optional<Version> v = Version::Parse(item.value().get<std::string>());
        if (!v) throw FieldError{field + ": not numbers separated by dots"};
        if (!out.minVersions.emplace(model, *v).second) {
            throw FieldError{field + ": the same model twice"};
        }
    }
}

void ReadDigests(const json& j, Policy& out) {
    const std::string where = "allowed_sha256";
    for (std::size_t i = 0; i < Array(j, where).size(); ++i) {
        std::string hex = j[i].is_string() ? j[i].get<std::string>() : std::string();
        std::transform(hex.begin(), hex.end(), hex.begin(), [](char c) {
            return c >= 'A' && c <= 'F' ? static_cast<char>(c - 'A' + 'a') : c;
        });
        const bool digits = std::all_of(hex.begin(), hex.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
        });
        if (hex.size() != 64 || !digits) {
            throw FieldError{Item(where, i) + ": expected 64 hex digits"};
        }
        out.allowedSha256.push_back(hex);
    }
}

}  // namespace

bool ParsePolicy(const std::string& text, Policy& out, std::string& error) {
    try {
        const json j = json::parse(text);
        if (!j.is_object()) {
            error = "a policy is a JSON object";
            return false;
        }
        json_fields::OnlyKnown(
            j, {"version", "trusted_keys", "require_signature", "min_versions", "allowed_sha256"},
            "");
        out = Policy{};
        if (j.contains("version")) {
            std::uint32_t version = 0;
            json_fields::Read(j, "version", version, "");
            if (version != 1) throw FieldError{"version: only version 1 is known"};
        }
        if (j.contains("trusted_keys")) ReadKeys(j.at("trusted_keys"), out);
        json_fields::ReadBool(j, "require_signature", out.requireSignature, "");
        if (j.contains("min_versions")) ReadFloors(j.at("min_versions"), out);
        if (j.contains("allowed_sha256")) ReadDigests(j.at("allowed_sha256"), out);
        // A version can only be known from a signature by a trusted key.
        if ((out.requireSignature || !out.minVersions.empty()) && out.trustedKeys.empty()) {
            throw FieldError{
                std::string(out.requireSignature ? "require_signature" : "min_versions") +
                ": needs trusted_keys, or no file could pass"};
        }
        return true;
    } catch (const FieldError& e) {
        error = e.message;
    } catch (const json::exception& e) {
        error = json_fields::SyntaxError(text, e);
    }
    return false;
}

LoadedPolicy LoadPolicy(const std::string& path) {
    return path.empty() ? LoadPolicyFile(DefaultPolicyPath(), true) : LoadPolicyFile(path, false);
}

LoadedPolicy LoadPolicyFile(const std::string& path, bool mayBeAbsent) {
    LoadedPolicy p;
    p.path = path;
    const SmallFile file = ReadSmallFile(p.path, kMaxPolicyFile);
    const std::string shown = json_fields::Printable(p.path);
    if (file.state == SmallFile::State::kAbsent) {
        if (mayBeAbsent) return p;
        p.state = LoadedPolicy::State::kError;
        p.error = "policy " + shown + ": no such file";
        return p;
    }
    p.state = LoadedPolicy::State::kError;
    if (file.state == SmallFile::State::kError) {
        p.error = "policy " + shown + ": " + file.error;
        return p;
    }
    std::string error;
    if (!ParsePolicy(file.text, p.policy, error)) {
        p.error = "policy " + shown + ": " + error;
        return p;
    }
    p.state = LoadedPolicy::State::kInForce;
    return p;
}

}  // namespace quillon::signature
