#include "firmware/signature/SignedClaim.h"

#include <cstdint>

#include "firmware/JsonFields.h"

namespace quillon::signature {

bool ParseSignedClaim(const std::string& trustedComment, SignedClaim& out, std::string& error) {
    using nlohmann::json;
    const std::string expected = R"(, not {"model": N, "version": "X.Y.Z"})";
    try {
        const json j = json::parse(trustedComment);
        if (!j.is_object()) {
            error = "the trusted comment is no JSON object" + expected;
            return false;
        }
        json_fields::OnlyKnown(j, {"model", "version"}, "");
        if (!j.contains("model")) throw json_fields::FieldError{"model: missing"};
        json_fields::Read(j, "model", out.model, "");
        if (!j.contains("version") || !j.at("version").is_string()) {
            throw json_fields::FieldError{"version: expected a string such as \"2.1.0\""};
        }
        const std::optional<Version> v = Version::Parse(j.at("version").get<std::string>());
        if (!v) throw json_fields::FieldError{"version: not numbers separated by dots"};
        out.version = *v;
        return true;
    } catch (const json_fields::FieldError& e) {
        error = "the trusted comment's " + e.message;
    } catch (const json::exception&) {
        error = "the trusted comment is not JSON" + expected;
    }
    return false;
}

}  // namespace quillon::signature
