#include "app/PhaseText.h"

#include <algorithm>
#include <cstdio>

#include "state/TextCodes.h"

namespace quillon {

namespace {

std::string Printf(const char* format, double a, double b = 0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, a, b);
    return buf;
}

// "20,480"
std::string Grouped(std::uint64_t n) {
    const std::string digits = std::to_string(n);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

}  // namespace

std::string FormatBytes(std::uint64_t bytes) {
    if (bytes < 1024) return std::to_string(bytes) + " B";
    const double b = static_cast<double>(bytes);
    if (bytes < 1024 * 1024) return Printf("%.1f KiB", b / 1024);
    return Printf("%.1f MiB", b / (1024 * 1024));
}

std::string FormatDuration(std::uint64_t ms) {
    if (ms < 10'000) return Printf("%.1f s", static_cast<double>(ms) / 1000);
    const std::uint64_t s = ms / 1000;
    if (s < 60) return std::to_string(s) + " s";
    if (s < 600) return std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
    return std::to_string((s + 30) / 60) + " min";
}

std::string DescribePhase(const PhaseStatus& s) {
    switch (s.phase) {
        case Phase::kIdle:
            return "";
        case Phase::kCheckingFile:
            return "checking the file";
        case Phase::kFindingDevice:
            return "finding the device";
        case Phase::kCheckingModel:
            return "checking the model";
        case Phase::kSwitching:
            return "switching into the boot loader";
        case Phase::kWaitingForDevice:
            return "waiting for the device to come back: " + std::to_string(s.waitedMs / 1000) +
                   " s of at most " + std::to_string((s.boundMs + 999) / 1000) + " s";
        case Phase::kSettling:
            return "letting the device settle: " + std::to_string(s.waitedMs / 1000) + " s of " +
                   std::to_string((s.boundMs + 999) / 1000) + " s";
        case Phase::kRereadingFile:
            return "reading the file again";
        case Phase::kWakingModule:
            return "waking the module";
        case Phase::kErasingAll:
            return "erasing";
        case Phase::kProgramming: {
            const std::string what = s.step == ProgramStep::kErase ? "erasing " : "writing ";
            return what + (s.spi ? "sector " : "block ") + std::to_string(s.index) + "/" +
                   std::to_string(s.count);
        }
        case Phase::kFirstWord:
            return "writing the first word";
        case Phase::kStartingFirmware:
            return "starting the firmware";
    }
    return "";
}

int PercentNotAheadOfBytes(int percent, const PhaseStatus& s) {
    if (s.phase != Phase::kProgramming || s.bytesTotal == 0) return percent;
    const auto bytes = static_cast<int>(std::min(s.bytesDone, s.bytesTotal) * 100 / s.bytesTotal);
    return std::min(percent, bytes);
}

std::string DescribeTransfer(const PhaseStatus& s) {
    if (s.bytesTotal == 0) return "";
    // Both in the unit of the total: "4.2/12.1 KiB".
    std::string line;
    if (s.bytesTotal < 1024) {
        line = std::to_string(s.bytesDone) + "/" + FormatBytes(s.bytesTotal);
    } else {
        const double unit = s.bytesTotal < 1024 * 1024 ? 1024.0 : 1024.0 * 1024.0;
        line = Printf("%.1f/", static_cast<double>(s.bytesDone) / unit) + FormatBytes(s.bytesTotal);
    }
    if (const auto rate = s.BytesPerSecond()) {
        line += ", " + FormatBytes(static_cast<std::uint64_t>(*rate)) + "/s";
        if (const auto left = s.MsLeft()) line += ", " + FormatDuration(*left) + " left";
    }
    return line;
}

namespace {

std::string WithoutText(const PhaseStatus& s) {
    const std::uint64_t ms = s.nowMs > s.startMs ? s.nowMs - s.startMs : 0;
    std::string programming;
    if (s.bytesTotal != 0) {
        programming = "programming " + FormatDuration(s.nowMs - s.transferMs);
        if (const auto rate = s.BytesPerSecond()) {
            programming += ", " + FormatBytes(static_cast<std::uint64_t>(*rate)) + "/s";
        }
    }
    if (s.end == RunEnd::kDone) {
        std::string line =
            "done: " + Grouped(s.bytesDone) + " bytes programmed in " + FormatDuration(ms);
        return programming.empty() ? line : line + " (" + programming + ")";
    }
    if (s.end == RunEnd::kFileRefused) return "file refused: nothing sent";
    if (s.end == RunEnd::kNoLog) return "no read-back log: nothing sent";
    if (s.end == RunEnd::kNoDeviceFits) {
        return "no device fits: nothing sent (" + FormatDuration(ms) + ")";
    }
    const std::string line = "failed after " + FormatDuration(ms);
    if (s.bytesTotal != 0) {
        return line + ": " + Grouped(s.bytesDone) + " of " + Grouped(s.bytesTotal) +
               " bytes programmed";
    }
    return line + " while " + DescribePhase(s);
}

}  // namespace

std::string DescribeEnd(const PhaseStatus& s, const std::string& lastText) {
    const TextCode code = CodeOfText(lastText);
    if (s.end == RunEnd::kDone || *code.meaning == '\0') return WithoutText(s);
    return WithoutText(s) + ": " + lastText + " (" + code.meaning + ")";
}

std::string SystemSaid(const PhaseStatus& s) {
    return s.osError.empty() ? std::string() : "the system said: " + s.osError;
}

}  // namespace quillon
