// How many columns a UTF-8 text takes on a terminal, and the text cut to a number of columns:
// the one rule for every line the command line redraws in place, which must never wrap.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillon::cli {

// Hangul, CJK and fullwidth characters take two columns, combining marks none, the rest one.
std::size_t DisplayColumns(std::string_view text);

// The text as it is when it fits in columns; else cut on a character boundary and ended with
// "…" so that the whole takes at most columns. From the front, or (tail) keeping the end, as a
// port is told apart by its last part.
std::string FitColumns(std::string_view text, std::size_t columns, bool tail = false);

// The text wrapped at spaces into lines of at most columns (a word longer than that keeps a line
// of its own). Paragraphs, split by an empty line, stay apart; the lines within one flow together.
std::string WrapColumns(std::string_view text, std::size_t columns);

// The text followed by spaces up to columns (nothing added when it takes that many already).
std::string PadColumns(std::string text, std::size_t columns);

}  // namespace quillon::cli
