// A small command-line reader: positional words and --options, some of which take a value.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quillon::cli {

struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;  // "--name" -> value ("" for a flag)
    std::string error;                           // set when the words could not be read

    bool Has(const std::string& name) const { return options.count(name) != 0; }
    std::string Get(const std::string& name) const {
        auto it = options.find(name);
        return it == options.end() ? std::string() : it->second;
    }
};

// flags take no value; withValue options take the next word; optionalJson options take the next
// word only when it names a ".json" file (so "--simulate FILE.fw" leaves FILE.fw positional).
Args ParseArgs(const std::vector<std::string>& words, const std::set<std::string>& flags,
               const std::set<std::string>& withValue,
               const std::set<std::string>& optionalJson = {});

// Reads a decimal or 0x-prefixed (hexadecimal) unsigned number that fits in 32 bits.
std::optional<std::uint32_t> ParseU32(const std::string& text);

}  // namespace quillon::cli
