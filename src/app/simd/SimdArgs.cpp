#include "app/simd/SimdArgs.h"

#include "app/cli/Args.h"

namespace quillon::simd {

namespace {

// Splits off the text up to the next ':' (the file name keeps any ':' of its own).
bool Field(std::string& rest, std::string& field) {
    const auto colon = rest.find(':');
    if (colon == std::string::npos) return false;
    field = rest.substr(0, colon);
    rest = rest.substr(colon + 1);
    return true;
}

}  // namespace

bool ParseFlashDump(const std::string& text, sim::FlashDump& out) {
    sim::FlashDump d;
    std::string rest = text, kind, address, length;
    const auto at = rest.find('@');
    if (at != std::string::npos && at < rest.find(':')) {
        const auto n = cli::ParseU32(rest.substr(0, at));
        if (!n) return false;
        d.device = *n;
        rest = rest.substr(at + 1);
    }
    if (!Field(rest, kind) || !Field(rest, address) || !Field(rest, length) || rest.empty()) {
        return false;
    }
    const auto a = cli::ParseU32(address);
    const auto l = cli::ParseU32(length);
    if ((kind != "mcu" && kind != "spi") || !a || !l) return false;
    d.spi = kind == "spi";
    d.address = *a;
    d.length = *l;
    d.file = rest;
    out = d;
    return true;
}

bool ParseSimdArgs(const std::vector<std::string>& words, SimdArgs& out, std::string& error) {
    out = SimdArgs{};
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        const bool hasValue = i + 1 < words.size();
        if (w == "--help" || w == "-h") {
            out.help = true;
        } else if (w == "--dump" || w == "--uhid" || w == "--for") {
            if (!hasValue) {
                error = "option " + w + " needs a value";
                return false;
            }
            const std::string& v = words[++i];
            if (w == "--uhid") {
                out.options.uhidPath = v;
            } else if (w == "--for") {
                out.firmware = v;
            } else {
                sim::FlashDump d;
                if (!ParseFlashDump(v, d)) {
                    error = "--dump " + v + ": expected [N@]mcu|spi:ADDRESS:LENGTH:FILE";
                    return false;
                }
                out.options.dumps.push_back(d);
            }
        } else if (w.rfind("--", 0) == 0) {
            error = "unknown option " + w;
            return false;
        } else if (!out.scenario.empty()) {
            error = "takes one SCENARIO.json";
            return false;
        } else {
            out.scenario = w;
        }
    }
    if (!out.help && out.scenario.empty() == out.firmware.empty()) {
        error = "needs either SCENARIO.json or --for FIRMWARE.fw";
        return false;
    }
    return true;
}

}  // namespace quillon::simd
