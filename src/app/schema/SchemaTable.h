// Every JSON object the program writes, by its "type": the keys it may carry and the JSON type of
// each. The builders beside this file write objects that conform, and docs/json.md shows this
// table; a test holds all three together.
#pragma once

#include <nlohmann/json.hpp>
#include <span>
#include <string>

namespace quillon::schema {

// The schema's version, in every object. Fields may be added within a version, never renamed.
inline constexpr int kVersion = 2;

using JsonObject = nlohmann::ordered_json;

enum class Kind { kString, kNumber, kNumberOrNull, kBoolean, kArray };

struct Field {
    const char* key;
    Kind kind;
    bool optional = false;
    // For an array of objects: the name of the object its items are ("interface").
    const char* items = nullptr;
};

struct ObjectSpec {
    const char* type;  // the "type" value; an item of an array has none
    bool item;         // an item of another object's array, without "type" and "version"
    std::span<const Field> fields;
};

// "type", "version" and "port" (a station's run): the head of every object but an item.
std::span<const Field> Head();
// The keys of each object after its head.
std::span<const ObjectSpec> Objects();
const ObjectSpec* FindObject(const std::string& type);

// "number or null": as docs/json.md writes a kind.
const char* KindName(Kind kind);

// Empty when object is a known type with every required key, no other key and each of the
// right kind (its items' too); else what is wrong.
std::string Conformance(const nlohmann::json& object);

}  // namespace quillon::schema
