#include "hid/linux/SysfsHidraw.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

namespace quillon::hidraw {

namespace {

namespace fs = std::filesystem;

constexpr char kPrefix[] = "hidraw";
constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;
// The largest descriptor the kernel keeps; a longer file is not a descriptor.
constexpr std::size_t kMaxDescriptorSize = 4096;

// The number of a node name "hidrawN", or -1 for any other name.
long NodeNumber(const std::string& name) {
    if (name.size() <= kPrefixLength || name.compare(0, kPrefixLength, kPrefix) != 0) return -1;
    if (name.size() - kPrefixLength > 9) return -1;
    long n = 0;
    for (std::size_t i = kPrefixLength; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return -1;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

bool ReadWhole(const fs::path& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool HexField(const std::string& text, std::uint32_t limit, std::uint32_t& value) {
    if (text.empty() || text.size() > 8) return false;
    value = 0;
    for (const char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value <= limit;
}

// "1-1.2": a USB device's name in sysfs, its bus then the port chain ("usb1" is the root hub,
// "1-1.2:1.0" one of the device's interfaces).
bool IsUsbDeviceName(const std::string& name) {
    const auto dash = name.find('-');
    if (dash == std::string::npos || dash == 0 || dash + 1 == name.size()) return false;
    bool digitBefore = false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (c >= '0' && c <= '9') {
            digitBefore = true;
        } else if ((c == '.' && i > dash) || i == dash) {
            if (!digitBefore) return false;
            digitBefore = false;
        } else {
            return false;
        }
    }
    return digitBefore;
}

std::string UeventValue(const std::string& uevent, const std::string& key) {
    std::istringstream lines(uevent);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 &&
            line[key.size()] == '=') {
            return line.substr(key.size() + 1);
        }
    }
    return {};
}

}  // namespace

std::string DevicePort(const std::string& deviceFolder, const std::string& uevent) {
    for (fs::path p = fs::path(deviceFolder).parent_path(); p.has_filename(); p = p.parent_path()) {
        if (IsUsbDeviceName(p.filename().string())) return p.filename().string();
    }
    std::string phys = UeventValue(uevent, "HID_PHYS");
    const auto slash = phys.rfind("/input");
    if (slash != std::string::npos && slash + 6 < phys.size() &&
        std::all_of(phys.begin() + static_cast<std::ptrdiff_t>(slash) + 6, phys.end(),
                    [](char c) { return c >= '0' && c <= '9'; })) {
        phys.erase(slash);
    }
    return phys;
}

bool ParseHidId(const std::string& uevent, std::uint16_t& bus, std::uint16_t& vendor,
                std::uint16_t& product) {
    std::istringstream lines(uevent);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("HID_ID=", 0) != 0) continue;
        const std::string id = line.substr(7);
        const auto first = id.find(':');
        const auto second = first == std::string::npos ? first : id.find(':', first + 1);
        if (second == std::string::npos) return false;
        std::uint32_t b, v, p;
        if (!HexField(id.substr(0, first), 0xFFFF, b) ||
            !HexField(id.substr(first + 1, second - first - 1), 0xFFFF, v) ||
            !HexField(id.substr(second + 1), 0xFFFF, p)) {
            return false;
        }
        bus = static_cast<std::uint16_t>(b);
        vendor = static_cast<std::uint16_t>(v);
        product = static_cast<std::uint16_t>(p);
        return true;
    }
    return false;
}

HidrawNode ReadHidrawNode(const SysfsLayout& layout, const std::string& name) {
    HidrawNode node;
    node.name = name;
    node.devicePath = layout.devRoot + "/" + name;
    if (NodeNumber(name) < 0) {
        node.error = "not a hidraw node name";
        return node;
    }
    // The class entry's "device" is the HID device itself, which holds the identity and the
    // descriptor; both are readable by anyone.
    const fs::path device = fs::path(layout.sysRoot) / "class" / "hidraw" / name / "device";
    std::string uevent, descriptor;
    if (!ReadWhole(device / "uevent", uevent)) {
        node.error = "no uevent";
        return node;
    }
    if (!ParseHidId(uevent, node.bus, node.vendorId, node.productId)) {
        node.error = "no HID_ID in uevent";
        return node;
    }
    std::error_code ec;
    const fs::path real = fs::canonical(device, ec);
    node.port = DevicePort(ec ? device.string() : real.string(), uevent);
    if (!ReadWhole(device / "report_descriptor", descriptor)) {
        node.error = "no report descriptor";
        return node;
    }
    if (descriptor.size() > kMaxDescriptorSize) {
        node.error = "report descriptor longer than 4096 bytes";
        return node;
    }
    std::string why;
    if (!ParseReportDescriptor(reinterpret_cast<const std::uint8_t*>(descriptor.data()),
                               descriptor.size(), node.descriptor, why)) {
        node.error = "report descriptor: " + why;
    }
    return node;
}

std::vector<HidrawNode> ListHidrawNodes(const SysfsLayout& layout) {
    std::vector<std::pair<long, std::string>> names;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(layout.sysRoot) / "class" / "hidraw", ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const long n = NodeNumber(name);
        if (n >= 0) names.emplace_back(n, name);
    }
    std::sort(names.begin(), names.end());
    std::vector<HidrawNode> nodes;
    for (const auto& [n, name] : names) nodes.push_back(ReadHidrawNode(layout, name));
    return nodes;
}

std::string InterfacePath(const HidrawNode& node, std::size_t collection) {
    return node.devicePath + "#" + std::to_string(collection);
}

bool SplitInterfacePath(const SysfsLayout& layout, const std::string& path, std::string& name,
                        std::size_t& collection) {
    const std::string dir = layout.devRoot + "/";
    const auto hash = path.rfind('#');
    if (path.compare(0, dir.size(), dir) != 0 || hash == std::string::npos || hash < dir.size()) {
        return false;
    }
    const std::string index = path.substr(hash + 1);
    if (index.empty() || index.size() > 4 ||
        !std::all_of(index.begin(), index.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    name = path.substr(dir.size(), hash - dir.size());
    if (NodeNumber(name) < 0) return false;
    collection = static_cast<std::size_t>(std::stoul(index));
    return true;
}

}  // namespace quillon::hidraw
