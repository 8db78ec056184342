#include "app/cli/Args.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace quillon::cli {

Args ParseArgs(const std::vector<std::string>& words, const std::set<std::string>& flags,
               const std::set<std::string>& withValue, const std::set<std::string>& optionalJson) {
    Args args;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w.size() > 2 && w.rfind("--", 0) == 0) {
            std::string name = w, value;
            const auto eq = w.find('=');
            if (eq != std::string::npos) {
                name = w.substr(0, eq);
                value = w.substr(eq + 1);
            }
            if (flags.count(name) != 0 && eq == std::string::npos) {
                args.options[name] = "";
            } else if (optionalJson.count(name) != 0) {
                const bool next = eq == std::string::npos && i + 1 < words.size() &&
                                  words[i + 1].size() > 5 &&
                                  words[i + 1].compare(words[i + 1].size() - 5, 5, ".json") == 0;
                args.options[name] = next ? words[++i] : value;
            } else if (withValue.count(name) != 0) {
                if (eq == std::string::npos) {
                    if (i + 1 >= words.size()) {
                        args.error = "option " + name + " needs a value";
                        return args;
                    }
                    value = words[++i];
                }
                args.options[name] = value;
            } else {
                args.error = "unknown option " + w;
                return args;
            }
        } else {
            args.positional.push_back(w);
        }
    }
    return args;
}

std::optional<std::uint32_t> ParseU32(const std::string& text) {
    if (text.empty() || text[0] == '-' || text[0] == '+') return std::nullopt;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char first = text.size() > (hex ? 2u : 0u) ? text[hex ? 2 : 0] : '\0';
    if (!std::isxdigit(static_cast<unsigned char>(first))) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
    if (errno != 0 || end == text.c_str() + (hex ? 2 : 0) || *end != '\0' || v > 0xFFFFFFFFull) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(v);
}

}  // namespace quillon::cli
