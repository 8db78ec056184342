#include "app/schema/SchemaTable.h"

namespace quillon::schema {

namespace {

constexpr bool kOptional = true;

// Every object but an item begins with these; "port" names the port of a station's run.
constexpr Field kHead[] = {
    {"type", Kind::kString},
    {"version", Kind::kNumber},
    {"port", Kind::kString, kOptional},
};

constexpr Field kPhase[] = {
    {"ms", Kind::kNumber},
    {"phase", Kind::kString},
    {"bound_ms", Kind::kNumber, kOptional},
    {"unit", Kind::kString, kOptional},
    {"count", Kind::kNumber, kOptional},
    {"total", Kind::kNumber, kOptional},
};

constexpr Field kProgress[] = {
    {"ms", Kind::kNumber},
    {"step", Kind::kString, kOptional},
    {"unit", Kind::kString},
    {"index", Kind::kNumber},
    {"count", Kind::kNumber},
    {"done", Kind::kNumber},
    {"total", Kind::kNumber},
    {"percent", Kind::kNumber},
    {"bytes_per_s", Kind::kNumberOrNull},
    {"left_ms", Kind::kNumberOrNull},
};

constexpr Field kMessage[] = {
    {"ms", Kind::kNumber},
    {"text", Kind::kString},
    {"code", Kind::kString},
    {"meaning", Kind::kString},
    {"os_error", Kind::kString, kOptional},
};

constexpr Field kNotice[] = {
    {"text", Kind::kString},
};

constexpr Field kResult[] = {
    {"ms", Kind::kNumber, kOptional},
    {"exit", Kind::kNumber},
    {"outcome", Kind::kString},
    {"done", Kind::kNumber, kOptional},
    {"total", Kind::kNumber, kOptional},
    {"programming_ms", Kind::kNumberOrNull, kOptional},
    {"bytes_per_s", Kind::kNumberOrNull, kOptional},
    {"reason", Kind::kString, kOptional},
    {"os_error", Kind::kString, kOptional},
    {"error", Kind::kString, kOptional},
    {"command", Kind::kString, kOptional},
};

constexpr Field kInspect[] = {
    {"exit", Kind::kNumber},
    {"outcome", Kind::kString},
    {"file", Kind::kString},
    {"data_length", Kind::kNumber, kOptional},
    {"checksum", Kind::kNumber, kOptional},
    {"file_type", Kind::kNumber, kOptional},
    {"storage", Kind::kNumber, kOptional},
    {"start_address", Kind::kNumber, kOptional},
    {"skip_final", Kind::kNumber, kOptional},
    {"final_argument", Kind::kNumber, kOptional},
    {"model", Kind::kNumber, kOptional},
    {"model_code", Kind::kNumber, kOptional},
    {"looks_for", Kind::kArray, kOptional, "identity"},
    {"after_switch", Kind::kArray, kOptional, "identity"},
    {"opcodes", Kind::kArray, kOptional},
    {"frame_format", Kind::kNumber, kOptional},
    {"boot_switch", Kind::kBoolean, kOptional},
    {"model_check", Kind::kBoolean, kOptional},
    {"image_length", Kind::kNumber, kOptional},
    {"block_size", Kind::kNumber, kOptional},
    {"signature", Kind::kString, kOptional},
    {"key_id", Kind::kString, kOptional},
    {"prehashed", Kind::kBoolean, kOptional},
    {"signed_model", Kind::kNumber, kOptional},
    {"firmware_version", Kind::kString, kOptional},
    {"signature_why", Kind::kString, kOptional},
    {"policy", Kind::kString, kOptional},
    {"policy_allows", Kind::kBoolean, kOptional},
    {"text", Kind::kString, kOptional},
    {"code", Kind::kString, kOptional},
    {"meaning", Kind::kString, kOptional},
    {"reason", Kind::kString, kOptional},
};

constexpr Field kIdentity[] = {
    {"usb", Kind::kString},
    {"then", Kind::kString},
};

constexpr Field kList[] = {
    {"exit", Kind::kNumber},
    {"outcome", Kind::kString},
    {"interfaces", Kind::kArray, !kOptional, "interface"},
};

constexpr Field kInterface[] = {
    {"path", Kind::kString},
    {"port", Kind::kString},
    {"queried", Kind::kBoolean},
    {"usb", Kind::kString, kOptional},
    {"usage_page", Kind::kNumber, kOptional},
    {"usage", Kind::kNumber, kOptional},
    {"input", Kind::kNumber, kOptional},
    {"output", Kind::kNumber, kOptional},
    {"family", Kind::kBoolean, kOptional},
};

constexpr Field kInventory[] = {
    {"exit", Kind::kNumber},
    {"devices", Kind::kArray, !kOptional, "device"},
};

constexpr Field kDevice[] = {
    {"port", Kind::kString},
    {"path", Kind::kString},
    {"usb", Kind::kString},
    {"mode", Kind::kString},
    {"model", Kind::kNumber, kOptional},
    {"boot_loader_kind", Kind::kNumber, kOptional},
    {"needs_model", Kind::kNumber, kOptional},
    {"needs_types", Kind::kArray, kOptional},
};

constexpr Field kLog[] = {
    {"time", Kind::kString},
    {"model", Kind::kNumber},
    {"file", Kind::kString},
    {"sha256", Kind::kString},
    {"exit", Kind::kNumber},
    {"outcome", Kind::kString},
    {"texts", Kind::kArray},
    {"codes", Kind::kArray},
    {"duration_ms", Kind::kNumber},
    {"done", Kind::kNumber},
    {"key_id", Kind::kString, kOptional},
    {"firmware_version", Kind::kString, kOptional},
};

constexpr ObjectSpec kObjects[] = {
    {"phase", false, kPhase},        {"progress", false, kProgress},
    {"message", false, kMessage},    {"notice", false, kNotice},
    {"result", false, kResult},      {"inspect", false, kInspect},
    {"identity", true, kIdentity},   {"list", false, kList},
    {"interface", true, kInterface}, {"inventory", false, kInventory},
    {"device", true, kDevice},       {"log", false, kLog},
};

bool IsKind(const nlohmann::json& v, Kind kind) {
    switch (kind) {
        case Kind::kString:
            return v.is_string();
        case Kind::kNumber:
            return v.is_number();
        case Kind::kNumberOrNull:
            return v.is_number() || v.is_null();
        case Kind::kBoolean:
            return v.is_boolean();
        case Kind::kArray:
            return v.is_array();
    }
    return false;
}

bool Among(const std::string& key, std::span<const Field> fields) {
    for (const Field& f : fields) {
        if (key == f.key) return true;
    }
    return false;
}

std::string Check(const nlohmann::json& object, const ObjectSpec& spec);

std::string CheckFields(const nlohmann::json& object, const char* type,
                        std::span<const Field> fields) {
    for (const Field& f : fields) {
        const auto at = object.find(f.key);
        if (at == object.end()) {
            if (!f.optional) return std::string(type) + ": no " + f.key;
            continue;
        }
        if (!IsKind(*at, f.kind)) {
            return std::string(type) + ": " + f.key + " is not a " + KindName(f.kind);
        }
        if (f.items == nullptr) continue;
        for (const nlohmann::json& item : *at) {
            if (std::string why = Check(item, *FindObject(f.items)); !why.empty()) return why;
        }
    }
    return {};
}

std::string Check(const nlohmann::json& object, const ObjectSpec& spec) {
    if (!object.is_object()) return std::string(spec.type) + ": not an object";
    if (!spec.item) {
        if (std::string why = CheckFields(object, spec.type, kHead); !why.empty()) return why;
    }
    if (std::string why = CheckFields(object, spec.type, spec.fields); !why.empty()) return why;
    for (const auto& [key, value] : object.items()) {
        if (!Among(key, spec.fields) && (spec.item || !Among(key, kHead))) {
            return std::string(spec.type) + ": unknown key " + key;
        }
    }
    return {};
}

}  // namespace

std::span<const Field> Head() {
    return kHead;
}

std::span<const ObjectSpec> Objects() {
    return kObjects;
}

const ObjectSpec* FindObject(const std::string& type) {
    for (const ObjectSpec& spec : kObjects) {
        if (type == spec.type) return &spec;
    }
    return nullptr;
}

const char* KindName(Kind kind) {
    switch (kind) {
        case Kind::kString:
            return "string";
        case Kind::kNumber:
            return "number";
        case Kind::kNumberOrNull:
            return "number or null";
        case Kind::kBoolean:
            return "boolean";
        case Kind::kArray:
            return "array";
    }
    return "";
}

std::string Conformance(const nlohmann::json& object) {
    if (!object.is_object() || !object.contains("type") || !object["type"].is_string()) {
        return "an object without a type";
    }
    const ObjectSpec* spec = FindObject(object["type"].get<std::string>());
    if (spec == nullptr || spec->item) return "unknown type " + object["type"].dump();
    if (object.value("version", 0) != kVersion) return spec->type + std::string(": not version 2");
    return Check(object, *spec);
}

}  // namespace quillon::schema
