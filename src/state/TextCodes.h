// A stable code and a one-line English meaning for every operator text, so that scripts and
// people who do not read the Korean or Chinese words can tell what happened.
#pragma once

#include <span>
#include <string_view>

namespace quillon {

struct TextCode {
    const char* text;     // exactly as in Texts.h
    const char* code;     // "file-checksum": lower case words joined by '-', never changed
    const char* meaning;  // what it tells, in one line
};

// Every text a run may show, in the order Texts.h declares them.
std::span<const TextCode> TextCodes();

// The code of a text; "other" with no meaning for a text that is not one of the operator texts.
TextCode CodeOfText(std::string_view text);

}  // namespace quillon
