#include "sim/uhid/SimReportDescriptor.h"

namespace quillon::sim {

namespace {

constexpr std::uint8_t kProtocolReportId = 0xBA;

bool IsMouseOrKeyboard(const SimCollection& c) {
    return c.usagePage == 0x0001 && (c.usage == 0x02 || c.usage == 0x06);
}

void Item(std::vector<std::uint8_t>& d, std::uint8_t tag, std::uint32_t value, int size) {
    static constexpr std::uint8_t kSizeCode[5] = {0, 1, 2, 0, 3};
    d.push_back(static_cast<std::uint8_t>(tag | kSizeCode[size]));
    for (int i = 0; i < size; ++i) d.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Report Count bytes of 8 bits, then the main item (Input or Output, data variable absolute).
void ByteReport(std::vector<std::uint8_t>& d, std::uint16_t length, std::uint8_t mainTag) {
    if (length <= 1) return;
    Item(d, 0x08, 0x01, 1);         // Usage 1 of the vendor page
    Item(d, 0x94, length - 1u, 2);  // Report Count
    Item(d, mainTag, 0x02, 1);
}

}  // namespace

SimReportLayout BuildSimReportDescriptor(const std::vector<SimCollection>& collections) {
    SimReportLayout out;
    std::uint8_t nextId = 1;
    for (std::size_t i = 0; i < collections.size(); ++i) {
        const SimCollection& c = collections[i];
        std::uint8_t id;
        if (out.protocolCollection == SimReportLayout::kNone && !IsMouseOrKeyboard(c)) {
            out.protocolCollection = i;
            id = kProtocolReportId;
        } else {
            if (nextId == kProtocolReportId) ++nextId;
            id = nextId++;
        }
        out.reportIds.push_back(id);
        std::vector<std::uint8_t>& d = out.descriptor;
        Item(d, 0x04, c.usagePage, 2);  // Usage Page
        Item(d, 0x08, c.usage, 2);      // Usage
        Item(d, 0xA0, 0x01, 1);         // Collection (Application)
        Item(d, 0x84, id, 1);           // Report ID
        Item(d, 0x04, 0xFF00, 2);       // the report bytes are vendor-defined
        Item(d, 0x14, 0, 1);            // Logical Minimum 0
        Item(d, 0x24, 0xFF, 2);         // Logical Maximum 255
        Item(d, 0x74, 8, 1);            // Report Size 8
        ByteReport(d, c.inputLength, 0x80);
        ByteReport(d, c.outputLength, 0x90);
        Item(d, 0xC0, 0, 0);  // End Collection
    }
    return out;
}

}  // namespace quillon::sim
