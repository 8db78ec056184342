#include "firmware/JsonFields.h"

#include <cstdio>

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
    } else if (j.is_number_integer() && j.get<std::int64_t>() >= 0) {
        v = static_cast<std::uint64_t>(j.get<std::int64_t>());
    } else if (j.is_string()) {
        const std::string s = j.get<std::string>();
        std::size_t used = 0;
        try {
            v = std::stoull(s, &used, 0);
        } catch (...) {
            used = 0;
        }
        if (used == 0 || used != s.size()) throw FieldError{field + ": not a number"};
    } else {
        throw FieldError{field + ": expected a number"};
    }
    if (v > max) throw FieldError{field + ": out of range"};
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

std::string SyntaxError(const nlohmann::json::exception& e) {
    return Printable(e.what());
}

}  // namespace quillon::json_fields
