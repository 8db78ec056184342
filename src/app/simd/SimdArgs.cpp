#include "app/simd/SimdArgs.h"

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

// The command line's one rule for numbers: decimal or 0x-hexadecimal, 32 bits.
bool Number(const std::string& text, std::uint32_t& out) {
    return !text.empty() && text[0] != '-' && text[0] != '+' &&
           CLI::detail::lexical_cast(text, out);
}

constexpr char kDumpForm[] = "expected [N@]mcu|spi:ADDRESS:LENGTH:FILE";

}  // namespace

bool ParseFlashDump(const std::string& text, sim::FlashDump& out) {
    sim::FlashDump d;
    std::string rest = text, kind, address, length;
    const auto at = rest.find('@');
    if (at != std::string::npos && at < rest.find(':')) {
        std::uint32_t n = 0;
        if (!Number(rest.substr(0, at), n)) return false;
        d.device = n;
        rest = rest.substr(at + 1);
    }
    if (!Field(rest, kind) || !Field(rest, address) || !Field(rest, length) || rest.empty()) {
        return false;
    }
    if ((kind != "mcu" && kind != "spi") || !Number(address, d.address) ||
        !Number(length, d.length)) {
        return false;
    }
    d.spi = kind == "spi";
    d.file = rest;
    out = d;
    return true;
}

void DefineSimdArgs(CLI::App& app, SimdArgs& out) {
    app.footer(
        "Creates the devices of SCENARIO.json (or the one simulated device that FIRMWARE.fw\n"
        "fits) as kernel HID devices through /dev/uhid (or PATH), answering the update protocol\n"
        "with the simulator's device model; a restart re-creates a device under its new\n"
        "identity. Runs until SIGINT or SIGTERM, then writes each --dump area of device N (0\n"
        "when not given) to FILE. Needs write access to /dev/uhid (usually root).");
    app.add_option("SCENARIO.json", out.scenarios, "the devices to create");
    app.add_option("--for", out.firmware, "create the one simulated device this file fits")
        ->type_name("FIRMWARE.fw");
    app.add_option("--uhid", out.options.uhidPath, "the uhid node (default /dev/uhid)")
        ->type_name("PATH");
    app.add_option_function<std::vector<std::string>>(
           "--dump",
           [&out](const std::vector<std::string>& texts) {
               for (const std::string& t : texts) {
                   sim::FlashDump d;
                   if (!ParseFlashDump(t, d))
                       throw CLI::ValidationError("--dump", t + ": " + kDumpForm);
                   out.options.dumps.push_back(d);
               }
           },
           "write this flash area to FILE when stopped")
        ->allow_extra_args(false)
        ->type_name("[N@]mcu|spi:ADDRESS:LENGTH:FILE");
    app.final_callback([&out] {
        if (out.scenarios.size() > 1) throw CLI::ValidationError("takes one SCENARIO.json");
        if (out.scenarios.empty() == out.firmware.empty()) {
            throw CLI::ValidationError("needs either SCENARIO.json or --for FIRMWARE.fw");
        }
    });
}

}  // namespace quillon::simd
