#include "sim/Scenario.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "firmware/JsonFields.h"

namespace quillon::sim {

namespace {

using nlohmann::json;

using json_fields::OnlyKnown;
using json_fields::Read;
using json_fields::ReadBool;
using ParseError = json_fields::FieldError;

Identity ReadIdentity(const json& j, const std::string& where, Identity id) {
    if (!j.is_object()) throw ParseError{where + ": expected {\"vid\": .., \"pid\": ..}"};
    OnlyKnown(j, {"vid", "pid"}, where);
    Read(j, "vid", id.vid, where);
    Read(j, "pid", id.pid, where);
    return id;
}

FaultRule ReadFault(const json& j, const std::string& where) {
    if (!j.is_object()) throw ParseError{where + ": expected an object"};
    OnlyKnown(j, {"command", "kind", "at", "from", "to", "every", "delayMs", "after"}, where);
    FaultRule r;
    if (!j.contains("command") || !j.at("command").is_string()) {
        throw ParseError{where + ".command: expected a command name"};
    }
    const auto cmd = CommandFromName(j.at("command").get<std::string>());
    if (!cmd || *cmd == SimCommand::kUnknown) throw ParseError{where + ".command: unknown command"};
    r.command = *cmd;
    if (!j.contains("kind") || !j.at("kind").is_string()) {
        throw ParseError{where + ".kind: expected a fault kind"};
    }
    const std::string kind = j.at("kind").get<std::string>();
    bool known = false;
    for (FaultKind k : kFaultKinds) {
        if (kind == FaultName(k)) r.kind = k, known = true;
    }
    if (!known) throw ParseError{where + ".kind: unknown fault kind \"" + kind + "\""};
    if (r.kind == FaultKind::kLate) {
        if (!j.contains("delayMs")) throw ParseError{where + ".delayMs: a late answer needs it"};
        Read(j, "delayMs", r.delayMs, where);
    }
    if (r.kind == FaultKind::kPowerCut) ReadBool(j, "after", r.after, where);
    bool every = false;
    ReadBool(j, "every", every, where);
    if (every) {
        r.from = 1;
        r.to = UINT32_MAX;
    } else if (j.contains("at")) {
        Read(j, "at", r.from, where);
        r.to = r.from;
    } else {
        Read(j, "from", r.from, where);
        r.to = UINT32_MAX;
        Read(j, "to", r.to, where);
    }
    if (r.from == 0 || r.to < r.from) throw ParseError{where + ": occurrences count from 1"};
    return r;
}

SimDeviceConfig ReadDevice(const json& j, const std::string& where) {
    if (!j.is_object()) throw ParseError{where + ": expected an object"};
    OnlyKnown(j, {"model",          "frameModel", "application",    "bootloader",   "start",
                  "bootloaderKind", "generation", "family",         "collections",  "blockSize",
                  "erase",          "module",     "restartDelayMs", "restartNever", "latencyMs",
                  "flashSize",      "spiSize",    "seed",           "faults",       "port",
                  "plugAtMs",       "unplugAtMs", "firstWordAt"},
              where);
    SimDeviceConfig c;
    Read(j, "model", c.model, where);
    Read(j, "frameModel", c.frameModel, where);
    if (j.contains("application"))
        c.application = ReadIdentity(j.at("application"), where + ".application", c.application);
    if (j.contains("bootloader"))
        c.bootloader = ReadIdentity(j.at("bootloader"), where + ".bootloader", c.bootloader);
    if (j.contains("start")) {
        const json& s = j.at("start");
        if (s == "application")
            c.startInBootloader = false;
        else if (s == "bootloader")
            c.startInBootloader = true;
        else
            throw ParseError{where + ".start: \"application\" or \"bootloader\""};
    }
    Read(j, "bootloaderKind", c.bootloaderKind, where);
    Read(j, "generation", c.generation, where);
    Read(j, "family", c.family, where);
    if (j.contains("collections")) {
        const json& cols = j.at("collections");
        if (!cols.is_array() || cols.empty())
            throw ParseError{where + ".collections: a non-empty array"};
        c.collections.clear();
        for (std::size_t i = 0; i < cols.size(); ++i) {
            const std::string w = where + ".collections[" + std::to_string(i) + "]";
            if (!cols[i].is_object()) throw ParseError{w + ": expected an object"};
            OnlyKnown(cols[i], {"usagePage", "usage", "input", "output"}, w);
            SimCollection col;
            Read(cols[i], "usagePage", col.usagePage, w);
            Read(cols[i], "usage", col.usage, w);
            Read(cols[i], "input", col.inputLength, w);
            Read(cols[i], "output", col.outputLength, w);
            c.collections.push_back(col);
        }
    }
    Read(j, "blockSize", c.blockSize, where);
    if (j.contains("erase")) {
        const json& e = j.at("erase");
        if (e == "block")
            c.erase = EraseKind::kBlock;
        else if (e == "whole")
            c.erase = EraseKind::kWhole;
        else
            throw ParseError{where + ".erase: \"block\" or \"whole\""};
    }
    if (j.contains("module")) {
        const json& m = j.at("module");
        c.hasModule = true;
        if (m == "none")
            c.hasModule = false;
        else if (m == "ready")
            c.moduleWakes = 0;
        else if (m == "absent")
            c.moduleAbsent = true;
        else if (m.is_object() && m.contains("wakes")) {
            OnlyKnown(m, {"wakes"}, where + ".module");
            Read(m, "wakes", c.moduleWakes, where + ".module");
        } else
            throw ParseError{where + ".module: \"none\", \"ready\", \"absent\" or {\"wakes\": N}"};
    }
    Read(j, "restartDelayMs", c.restartDelayMs, where);
    ReadBool(j, "restartNever", c.restartNever, where);
    Read(j, "latencyMs", c.latencyMs, where);
    Read(j, "flashSize", c.flashSize, where);
    Read(j, "spiSize", c.spiSize, where);
    Read(j, "seed", c.seed, where);
    Read(j, "firstWordAt", c.firstWordAt, where);
    if (j.contains("port")) {
        if (!j.at("port").is_string() || j.at("port").get<std::string>().empty()) {
            throw ParseError{where + ".port: expected a name"};
        }
        c.port = j.at("port").get<std::string>();
    }
    Read(j, "plugAtMs", c.plugAtMs, where);
    Read(j, "unplugAtMs", c.unplugAtMs, where);
    if (c.unplugAtMs <= c.plugAtMs) throw ParseError{where + ".unplugAtMs: not after plugAtMs"};
    if (j.contains("faults")) {
        const json& f = j.at("faults");
        if (!f.is_array()) throw ParseError{where + ".faults: expected an array"};
        for (std::size_t i = 0; i < f.size(); ++i) {
            c.faults.push_back(ReadFault(f[i], where + ".faults[" + std::to_string(i) + "]"));
        }
    }
    return c;
}

}  // namespace

bool ParseScenario(const std::string& text, Scenario& out, std::string& error) {
    try {
        const json j = json::parse(text);
        if (!j.is_object() || !j.contains("devices") || !j.at("devices").is_array()) {
            error = "a scenario is an object with a \"devices\" array";
            return false;
        }
        OnlyKnown(j, {"devices"}, "");
        out.devices.clear();
        const json& devices = j.at("devices");
        for (std::size_t i = 0; i < devices.size(); ++i) {
            out.devices.push_back(ReadDevice(devices[i], "devices[" + std::to_string(i) + "]"));
            if (out.devices.back().port.empty()) out.devices.back().port = DefaultPort(i);
        }
        // A port holds one device at a time: another may go in only once the first is out.
        for (std::size_t j = 0; j < out.devices.size(); ++j) {
            const SimDeviceConfig& b = out.devices[j];
            for (std::size_t i = 0; i < j; ++i) {
                const SimDeviceConfig& a = out.devices[i];
                if (a.port == b.port && a.plugAtMs < b.unplugAtMs && b.plugAtMs < a.unplugAtMs) {
                    throw ParseError{"devices[" + std::to_string(j) + "].port: " + b.port +
                                     " holds devices[" + std::to_string(i) + "] at the same time"};
                }
            }
        }
        return true;
    } catch (const ParseError& e) {
        error = e.message;
    } catch (const json::exception& e) {
        error = json_fields::SyntaxError(text, e);
    }
    return false;
}

bool LoadScenarioFile(const std::string& path, Scenario& out, std::string& error) {
    // The path is UTF-8 on every system.
    errno = 0;
    std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())),
                     std::ios::binary);
    std::string text;
    // read() turns a read error (a folder) into badbit, where a stream iterator would throw.
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    if (!in.is_open() || in.bad()) {
        error = errno != 0 ? std::strerror(errno) : "cannot be read";
        return false;
    }
    return ParseScenario(text, out, error);
}

SimDeviceConfig DefaultDeviceFor(const SharedState& st) {
    SimDeviceConfig c;
    c.model = st.g_fwModel;
    const std::uint32_t code = st.g_fwModelCode;
    const auto pair = [](std::uint32_t pid) {
        return Identity{0x0581, static_cast<std::uint16_t>(pid)};
    };
    // The simulator's own knowledge of each model, kept apart from the updater's on purpose so
    // that a run of every model checks the one against the other.
    c.blockSize = 4096;
    switch (code) {
        case 1:
            c.application = pair(0x0110);
            c.bootloader = pair(0x0111);
            c.blockSize = 512;
            break;
        case 5:
            c.application = pair(0x011A);
            c.bootloader = pair(0x0120);
            c.generation = 4;
            c.family = 1;
            c.blockSize = 512;
            break;
        case 7:
            c.application = pair(0x011A);
            c.bootloader = pair(0x0121);
            c.generation = 4;
            c.family = 2;
            break;
        case 3:
        case 4:
        case 6:
        case 8:
        case 259:
            c.application = c.bootloader = pair(0x0115);
            break;
        case 264:
            c.application = c.bootloader = pair(0x0215);
            break;
        case 10:
            c.application = c.bootloader = pair(0x0110);
            c.erase = EraseKind::kWhole;
            c.blockSize = 512;
            break;
        default:
            c.blockSize = 512;
            break;
    }
    // The boot loader kind each boot-switch model expects; model 4's boot loader reports 1.
    switch (code) {
        case 259:
            c.bootloaderKind = 16;
            break;
        case 8:
            c.bootloaderKind = 17;
            break;
        case 264:
            c.bootloaderKind = 18;
            break;
        case 4:
            c.bootloaderKind = 1;
            break;
        default:
            c.bootloaderKind = 0;
            break;
    }
    c.hasModule = code == 6 || code == 10;
    // The application this file replaces starts where the file's image does; an SPI image
    // leaves it alone, wherever it is.
    if (st.g_fwStorage == 0) {
        // Models 8 and 264 keep it 3 bytes in below 0x24000.
        const bool plus3 =
            (code == 8 || code == 264) && static_cast<std::int32_t>(st.g_fwStartAddress) < 0x24000;
        c.firstWordAt = st.g_fwStartAddress + (plus3 ? 3 : 0);
    }
    return c;
}

}  // namespace quillon::sim
