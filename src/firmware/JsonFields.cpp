#include "firmware/JsonFields.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <stdexcept>

namespace quillon::json_fields {

std::string Child(const std::string& where, const std::string& key) {
    return where.empty() ? key : where + "." + key;
}

namespace {

// The length of the well-formed UTF-8 sequence of a printable character at text[i], or 0.
std::size_t PrintableSequence(const std::string& text, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char lead = b(0);
    if (lead >= 0x20 && lead < 0x7F) return 1;
    std::size_t n = 0;
    std::uint32_t cp = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2, cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3, cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4, cp = lead & 0x07;
    } else {
        return 0;
    }
    if (i + n > text.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((b(k) & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (b(k) & 0x3F);
    }
    const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool c1Control = cp < 0xA0;
    const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    if (cp < least[n] || cp > 0x10FFFF || c1Control || surrogate) return 0;
    return n;
}

}  // namespace

std::string Printable(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t n = PrintableSequence(text, i); n > 0) {
            out.append(text, i, n);
            i += n;
            continue;
        }
        char esc[5];
        std::snprintf(esc, sizeof esc, "\\x%02X", static_cast<unsigned char>(text[i]));
        out += esc;
        ++i;
    }
    return out;
}

std::uint64_t Number(const nlohmann::json& j, const std::string& field, std::uint64_t max) {
    std::uint64_t v = 0;
    if (j.is_number_unsigned()) {
        v = j.get<std::uint64_t>();
    } else if (j.is_number_integer() || (j.is_number_float() && j.get<double>() < 0)) {
        throw FieldError{field + " must be at least 0"};
    } else if (j.is_number_float()) {
        throw FieldError{field + " must be a whole number"};
    } else if (j.is_string()) {
        const std::string s = j.get<std::string>();
        // std::stoull would take "-5" for 2^64 - 5, and " 5" for 5.
        if (!s.empty() && s[0] == '-') throw FieldError{field + " must be at least 0"};
        std::size_t used = 0;
        try {
            if (!s.empty() && std::isdigit(static_cast<unsigned char>(s[0]))) {
                v = std::stoull(s, &used, 0);
            }
        } catch (const std::out_of_range&) {
            throw FieldError{field + " must be at most " + std::to_string(max)};
        } catch (const std::invalid_argument&) {
            used = 0;
        }
        if (used == 0 || used != s.size()) {
            throw FieldError{field + " must be a number, not \"" + Printable(s) + "\""};
        }
    } else {
        throw FieldError{field + " must be a number"};
    }
    if (v > max) throw FieldError{field + " must be at most " + std::to_string(max)};
    return v;
}

void OnlyKnown(const nlohmann::json& obj, std::initializer_list<const char*> known,
               const std::string& where) {
    for (const auto& item : obj.items()) {
        bool ok = false;
        for (const char* k : known) ok = ok || item.key() == k;
        if (!ok) throw FieldError{Child(where, Printable(item.key())) + ": unknown field"};
    }
}

void ReadBool(const nlohmann::json& obj, const char* key, bool& out, const std::string& where) {
    if (!obj.contains(key)) return;
    if (!obj.at(key).is_boolean()) throw FieldError{Child(where, key) + ": expected true or false"};
    out = obj.at(key).get<bool>();
}

std::string SyntaxError(const std::string& text, const nlohmann::json::exception& e) {
    const auto* parse = dynamic_cast<const nlohmann::json::parse_error*>(&e);
    if (parse == nullptr) return "not a JSON document";  // not reached: fields are typed first
    // Lines and columns as an editor counts them (columns in bytes, from 1).
    std::size_t line = 1, column = 1;
    const std::size_t end = std::min(parse->byte > 0 ? parse->byte - 1 : 0, text.size());
    for (std::size_t i = 0; i < end; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    const std::string where = "line " + std::to_string(line) + ", column " + std::to_string(column);
    if (end >= text.size()) return where + ": the text ends too early";
    const auto c = static_cast<unsigned char>(text[end]);
    char shown[16];
    std::snprintf(shown, sizeof shown, c >= 0x20 && c < 0x7F ? "'%c'" : "byte 0x%02X", c);
    return where + ": not JSON at " + shown;
}

}  // namespace quillon::json_fields
