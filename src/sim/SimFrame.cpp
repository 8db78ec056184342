#include "sim/SimFrame.h"

#include <cstring>

#include "protocol/CommandFrame.h"

namespace quillon::sim {

namespace {

constexpr const char* kNames[kCommandKinds] = {
    "QueryMode",  "QueryModel", "ReadDeviceInfo", "EraseFlash", "WriteFlash", "ReadFlash", "JumpTo",
    "WakeModule", "SpiErase",   "SpiWrite",       "SpiRead",    "Switch",     "Unknown"};

enum class Form { kAddress, kSignature, kWakeSignature, kRead, kWrite };

struct Expectation {
    SimCommand command;
    Form form;
    std::uint8_t format;
};

constexpr std::uint8_t kSig[4] = {0x55, 0x70, 0x43, 0xAA};
constexpr std::uint8_t kWakeSigLen16[4] = {0x55, 0xAA, 0xAA, 0x55};

// Which command an opcode means to a device of this model, in which format.
std::optional<Expectation> Expect(std::uint8_t op, std::uint32_t model) {
    switch (op) {
        case 0x53:
            return Expectation{SimCommand::kReadDeviceInfo, Form::kSignature, 0};
        case 0x47:
            return Expectation{SimCommand::kSpiErase, Form::kAddress, 0};
        case 0x48:
            return Expectation{SimCommand::kSpiWrite, Form::kWrite, 0};
        case 0x49:
            return Expectation{SimCommand::kSpiRead, Form::kRead, 0};
        default:
            break;
    }
    const std::uint8_t f = DeviceFrameFormat(model);
    if (f != 0) {
        switch (op) {
            case 0x80:
                return Expectation{SimCommand::kEraseFlash, Form::kAddress, f};
            case 0x82:
                return Expectation{SimCommand::kReadFlash, Form::kRead, f};
            case 0x81:
                return Expectation{SimCommand::kWriteFlash, Form::kWrite, f};
            case 0x83:
                return Expectation{SimCommand::kWakeModule,
                                   f == 1 ? Form::kWakeSignature : Form::kSignature, f};
            case 0x84:
                return Expectation{SimCommand::kJumpTo, Form::kAddress, f};
            case 0x86:
                return Expectation{SimCommand::kQueryMode, Form::kSignature, f};
            case 0x87:
                return Expectation{SimCommand::kQueryModel, Form::kSignature, f};
            default:
                return std::nullopt;
        }
    }
    const std::uint32_t m = model & 0xFF, code = model & 0xFFFF;
    const std::uint8_t queryMode = (m == 3 || m == 4 || code == 8 || code == 0x108) ? 0x64
                                   : (m == 1 || m == 5 || m == 7)                   ? 0x5D
                                                                                    : 0x5C;
    if (op == queryMode) return Expectation{SimCommand::kQueryMode, Form::kSignature, 0};
    switch (op) {
        case 0x37:
            return Expectation{SimCommand::kEraseFlash, Form::kAddress, 0};
        case 0x39:
            return Expectation{SimCommand::kReadFlash, Form::kRead, 0};
        case 0x38:
            return Expectation{SimCommand::kWriteFlash, Form::kWrite, 0};
        case 0x63:
            return Expectation{SimCommand::kWakeModule, Form::kSignature, 0};
        case 0x4A:
            return Expectation{SimCommand::kJumpTo, Form::kAddress, 0};
        case 0x65:
            return Expectation{SimCommand::kQueryModel, Form::kSignature, 0};
        default:
            return std::nullopt;
    }
}

DecodedFrame Bad(SimCommand c, const char* why) {
    DecodedFrame d;
    d.command = c;
    d.error = why;
    return d;
}

}  // namespace

const char* CommandName(SimCommand c) {
    return kNames[static_cast<int>(c)];
}

std::optional<SimCommand> CommandFromName(const std::string& name) {
    for (int i = 0; i < kCommandKinds; ++i) {
        if (name == kNames[i]) return static_cast<SimCommand>(i);
    }
    return std::nullopt;
}

std::uint8_t DeviceFrameFormat(std::uint32_t model) {
    switch (model & 0xFFFF) {
        case 6:
            return 1;
        case 10:
            return 2;
        default:
            return 0;
    }
}

DecodedFrame DecodeFrame(const std::uint8_t* r, std::size_t len, std::uint32_t model) {
    if (len < 3) return Bad(SimCommand::kUnknown, "report too short");
    if (r[0] != 0xBA) return Bad(SimCommand::kUnknown, "lead byte is not 0xBA");
    if (r[1] == 0x52) {
        DecodedFrame d;
        d.command = SimCommand::kSwitch;
        return d;
    }
    const std::optional<Expectation> e = Expect(r[1], model);
    if (!e) return Bad(SimCommand::kUnknown, "unknown opcode");
    const std::size_t area = len < kFrameArea ? len : kFrameArea;
    const bool len16 = e->format == 1;
    const std::size_t head = len16 ? 4 : 3;
    if (area < head) return Bad(e->command, "report too short");
    const std::size_t n = len16 ? (static_cast<std::size_t>(r[2]) << 8 | r[3]) : r[2];
    const std::size_t trailer = e->format == 2 ? 1 : 4;
    if (head + n + trailer > area) return Bad(e->command, "frame longer than the report");
    const std::uint8_t* payload = r + head;
    if (e->format == 2) {
        std::uint8_t x = 0;
        for (std::size_t i = 0; i < head + n; ++i) x ^= r[i];
        if (r[head + n] != x) return Bad(e->command, "XOR trailer wrong");
    } else if (ReadBe32(r + head + n) != Crc32(r, head + n)) {
        return Bad(e->command, "CRC trailer wrong");
    }
    for (std::size_t i = head + n + trailer; i < area; ++i) {
        if (r[i] != 0) return Bad(e->command, "bytes after the frame are not zero");
    }

    DecodedFrame d;
    d.command = e->command;
    switch (e->form) {
        case Form::kAddress:
            if (n != 4) return Bad(e->command, "address form needs length 4");
            d.value = ReadBe32(payload);
            break;
        case Form::kSignature:
        case Form::kWakeSignature: {
            const std::uint8_t* sig = e->form == Form::kWakeSignature ? kWakeSigLen16 : kSig;
            if (n != 4 || std::memcmp(payload, sig, 4) != 0) {
                return Bad(e->command, "signature wrong");
            }
            break;
        }
        case Form::kRead:
            if (n != (len16 ? 6u : 5u)) return Bad(e->command, "read form has the wrong length");
            d.value = ReadBe32(payload);
            d.count =
                len16 ? (static_cast<std::uint32_t>(payload[4]) << 8 | payload[5]) : payload[4];
            if (d.count > 52) return Bad(e->command, "read count above 52");
            break;
        case Form::kWrite:
            if (n < 4 || n > 56) return Bad(e->command, "write form has the wrong length");
            d.value = ReadBe32(payload);
            d.count = static_cast<std::uint32_t>(n - 4);
            d.data = payload + 4;
            break;
    }
    return d;
}

}  // namespace quillon::sim
