#include "app/cli/TextColumns.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quillon::cli {

namespace {

constexpr char kEllipsis[] = "…";

struct Glyph {
    std::size_t bytes;
    std::size_t columns;
};

// The code point's width as terminals draw it (East Asian wide and fullwidth: two).
std::size_t ColumnsOf(std::uint32_t cp) {
    if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) return 0;  // controls draw nothing
    const bool combining = (cp >= 0x0300 && cp <= 0x036F) || (cp >= 0x200B && cp <= 0x200F) ||
                           (cp >= 0xFE00 && cp <= 0xFE0F) || (cp >= 0x1160 && cp <= 0x11FF);
    if (combining) return 0;
    const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0x303E) ||
                      (cp >= 0x3041 && cp <= 0x33FF) || (cp >= 0x3400 && cp <= 0x4DBF) ||
                      (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0xA000 && cp <= 0xA4CF) ||
                      (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                      (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
                      (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x1F300 && cp <= 0x1F64F) ||
                      (cp >= 0x1F900 && cp <= 0x1F9FF) || (cp >= 0x20000 && cp <= 0x3FFFD);
    return wide ? 2 : 1;
}

// The character at i: its length in bytes (a broken sequence counts byte by byte) and columns.
Glyph GlyphAt(std::string_view text, std::size_t i) {
    const auto b = static_cast<unsigned char>(text[i]);
    const std::size_t n = b < 0x80 ? 1 : b < 0xC0 ? 0 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    if (n == 0 || i + n > text.size()) return {1, 1};
    std::uint32_t cp = n == 1 ? b : b & (0xFFu >> (n + 1));
    for (std::size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80) return {1, 1};
        cp = cp << 6 | (c & 0x3F);
    }
    return {n, ColumnsOf(cp)};
}

}  // namespace

std::size_t DisplayColumns(std::string_view text) {
    std::size_t columns = 0;
    for (std::size_t i = 0; i < text.size();) {
        const Glyph g = GlyphAt(text, i);
        columns += g.columns;
        i += g.bytes;
    }
    return columns;
}

std::string FitColumns(std::string_view text, std::size_t columns, bool tail) {
    if (DisplayColumns(text) <= columns) return std::string(text);
    if (columns == 0) return "";
    std::vector<Glyph> glyphs;
    for (std::size_t i = 0; i < text.size(); i += glyphs.back().bytes) {
        glyphs.push_back(GlyphAt(text, i));
    }
    // Room for the text beside the ellipsis, which takes one column.
    std::size_t room = columns - 1, used = 0, bytes = 0;
    if (!tail) {
        for (const Glyph& g : glyphs) {
            if (used + g.columns > room) break;
            used += g.columns;
            bytes += g.bytes;
        }
        return std::string(text.substr(0, bytes)) + kEllipsis;
    }
    for (auto g = glyphs.rbegin(); g != glyphs.rend(); ++g) {
        if (used + g->columns > room) break;
        used += g->columns;
        bytes += g->bytes;
    }
    return kEllipsis + std::string(text.substr(text.size() - bytes));
}

std::string WrapColumns(std::string_view text, std::size_t columns) {
    std::string out, line;
    std::size_t used = 0;  // the line's columns
    const auto endLine = [&] {
        if (!line.empty()) out += line + '\n';
        line.clear();
        used = 0;
    };
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, 2, "\n\n") == 0) {  // a paragraph ends
            endLine();
            out += '\n';
            i += 2;
        } else if (text[i] == ' ' || text[i] == '\n') {
            ++i;
        } else {
            const std::size_t end = std::min(text.find_first_of(" \n", i), text.size());
            const std::string_view word = text.substr(i, end - i);
            const std::size_t width = DisplayColumns(word);
            i = end;
            if (used != 0 && used + 1 + width > columns) endLine();
            if (used != 0) {
                line += ' ';
                ++used;
            }
            line += word;
            used += width;
        }
    }
    endLine();
    if (!out.empty() && text.back() != '\n') out.pop_back();
    return out;
}

std::string PadColumns(std::string text, std::size_t columns) {
    const std::size_t used = DisplayColumns(text);
    if (used < columns) text.append(columns - used, ' ');
    return text;
}

}  // namespace quillon::cli
