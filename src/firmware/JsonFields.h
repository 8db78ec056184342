// Reading JSON objects field by field, where every field must be known and a wrong one is named
// by its path ("devices[0].faults[1].kind: ..."): the scenario files and the update policy.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>

#include <nlohmann/json.hpp>

namespace quillon::json_fields {

// Thrown inside a parser only; its entry point turns it into a returned message.
struct FieldError {
    std::string message;
};

// The path of key inside where ("" at the top).
std::string Child(const std::string& where, const std::string& key);

// Text from a file made safe for a one-line message (and for JSON): control characters and
// bytes that are not well-formed UTF-8 as \xNN.
std::string Printable(const std::string& text);

// A whole number at least 0 and at most max, given as a JSON number or as a "0x..." / decimal
// string (no sign, no blanks).
std::uint64_t Number(const nlohmann::json& j, const std::string& field, std::uint64_t max);

// A misspelt field would silently change what a file means: every field must be known.
void OnlyKnown(const nlohmann::json& obj, std::initializer_list<const char*> known,
               const std::string& where);

template <typename T>
void Read(const nlohmann::json& obj, const char* key, T& out, const std::string& where) {
    if (!obj.contains(key)) return;
    out = static_cast<T>(Number(obj.at(key), Child(where, key), std::numeric_limits<T>::max()));
}

void ReadBool(const nlohmann::json& obj, const char* key, bool& out, const std::string& where);

// Where text stops being JSON and what is there, on one line and in our words: "line 3, column
// 5: not JSON at '}'", "line 1, column 2: the text ends too early".
std::string SyntaxError(const std::string& text, const nlohmann::json::exception& e);

}  // namespace quillon::json_fields
