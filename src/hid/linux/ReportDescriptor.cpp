#include "hid/linux/ReportDescriptor.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace quillon::hidraw {

namespace {

enum ItemType : std::uint8_t { kMain = 0, kGlobal = 1, kLocal = 2 };

enum MainTag : std::uint8_t {
    kInput = 0x8,
    kOutput = 0x9,
    kCollection = 0xA,
    kFeature = 0xB,
    kEndCollection = 0xC,
};

enum GlobalTag : std::uint8_t {
    kUsagePage = 0x0,
    kReportSize = 0x7,
    kReportId = 0x8,
    kReportCount = 0x9,
    kPush = 0xA,
    kPop = 0xB,
};

enum LocalTag : std::uint8_t { kUsage = 0x0, kUsageMinimum = 0x1 };

constexpr std::uint8_t kLongItemPrefix = 0xFE;
// Deeper than any real device nests its global state; a bound keeps a hostile descriptor small.
constexpr std::size_t kMaxPushDepth = 32;
// Lengths are 16-bit, so no report may be longer than this (the ID byte still has to fit).
constexpr std::uint64_t kMaxReportBits = 8ull * 0xFFFE;

struct Globals {
    std::uint16_t usagePage = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint8_t reportId = 0;
};

struct Usage {
    std::uint16_t page = 0;
    std::uint16_t id = 0;
};

// The size in bits of each report, keyed by collection, kind (main tag) and report ID.
using ReportBits = std::map<std::tuple<std::size_t, std::uint8_t, std::uint8_t>, std::uint64_t>;

// A usage is either extended (page in the high half of a 4-byte value) or takes the page in force.
Usage MakeUsage(std::uint32_t value, std::size_t size, const Globals& g) {
    if (size == 4) {
        return {static_cast<std::uint16_t>(value >> 16), static_cast<std::uint16_t>(value)};
    }
    return {g.usagePage, static_cast<std::uint16_t>(value)};
}

std::uint16_t ByteLength(std::uint64_t bits) {
    return static_cast<std::uint16_t>((bits + 7) / 8 + 1);
}

void Summarise(const ReportBits& bits, ReportDescriptor& out) {
    for (const auto& [key, size] : bits) {
        const auto [collection, kind, id] = key;
        TopLevelCollection& c = out.collections[collection];
        if (kind == kInput) {
            c.inputLength = std::max(c.inputLength, ByteLength(size));
            c.inputIds.push_back(id);
        } else if (kind == kOutput) {
            c.outputLength = std::max(c.outputLength, ByteLength(size));
            c.outputIds.push_back(id);
        }
    }
}

}  // namespace

bool ParseReportDescriptor(const std::uint8_t* data, std::size_t size, ReportDescriptor& out,
                           std::string& error) {
    out = ReportDescriptor{};
    Globals g;
    std::vector<Globals> stack;
    std::vector<Usage> usages;  // the local usages since the last main item
    std::size_t depth = 0;
    ReportBits bits;

    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t prefix = data[i];
        if (prefix == kLongItemPrefix) {
            // Long items carry nothing that the lengths depend on.
            if (i + 2 >= size || i + 3 + data[i + 1] > size) {
                error = "long item cut short at byte " + std::to_string(i);
                return false;
            }
            i += 3 + data[i + 1];
            continue;
        }
        static constexpr std::size_t kSizes[4] = {0, 1, 2, 4};
        const std::size_t n = kSizes[prefix & 0x3];
        const std::uint8_t type = (prefix >> 2) & 0x3;
        const std::uint8_t tag = prefix >> 4;
        if (i + 1 + n > size) {
            error = "item cut short at byte " + std::to_string(i);
            return false;
        }
        std::uint32_t value = 0;
        for (std::size_t b = 0; b < n; ++b) value |= std::uint32_t{data[i + 1 + b]} << (8 * b);
        const std::size_t at = i;
        i += 1 + n;

        if (type == kGlobal) {
            switch (tag) {
                case kUsagePage:
                    g.usagePage = static_cast<std::uint16_t>(value);
                    break;
                case kReportSize:
                    g.reportSize = value;
                    break;
                case kReportCount:
                    g.reportCount = value;
                    break;
                case kReportId:
                    if (value == 0 || value > 0xFF) {
                        error =
                            "report ID " + std::to_string(value) + " at byte " + std::to_string(at);
                        return false;
                    }
                    g.reportId = static_cast<std::uint8_t>(value);
                    out.numbered = true;
                    break;
                case kPush:
                    if (stack.size() == kMaxPushDepth) {
                        error = "push nested too deep at byte " + std::to_string(at);
                        return false;
                    }
                    stack.push_back(g);
                    break;
                case kPop:
                    if (stack.empty()) {
                        error = "pop without push at byte " + std::to_string(at);
                        return false;
                    }
                    g = stack.back();
                    stack.pop_back();
                    break;
                default:
                    break;
            }
            continue;
        }
        if (type == kLocal) {
            if (tag == kUsage || tag == kUsageMinimum) usages.push_back(MakeUsage(value, n, g));
            continue;
        }
        if (type != kMain) continue;  // reserved item types carry nothing known

        switch (tag) {
            case kCollection:
                if (depth == 0) {
                    TopLevelCollection c;
                    if (!usages.empty()) {
                        c.usagePage = usages.front().page;
                        c.usage = usages.front().id;
                    }
                    out.collections.push_back(c);
                }
                ++depth;
                break;
            case kEndCollection:
                if (depth == 0) {
                    error = "end of collection without collection at byte " + std::to_string(at);
                    return false;
                }
                --depth;
                break;
            case kInput:
            case kOutput:
            case kFeature: {
                // Items outside every collection belong to no interface.
                if (depth == 0) break;
                std::uint64_t& total = bits[{out.collections.size() - 1, tag, g.reportId}];
                total += std::uint64_t{g.reportSize} * g.reportCount;
                if (total > kMaxReportBits) {
                    error = "report longer than 65534 bytes at byte " + std::to_string(at);
                    return false;
                }
                break;
            }
            default:
                break;
        }
        usages.clear();
    }
    if (depth != 0) {
        error = "collection not closed at the end";
        return false;
    }
    Summarise(bits, out);
    return true;
}

}  // namespace quillon::hidraw
