// The report descriptor parser on real descriptors and on broken ones, and the descriptors that
// quillon-simd makes for simulated devices read back through it.
#include <gtest/gtest.h>

#include <vector>

#include "hid/linux/ReportDescriptor.h"
#include "sim/uhid/SimReportDescriptor.h"

namespace quillon {
namespace {

using hidraw::ParseReportDescriptor;
using hidraw::ReportDescriptor;
using hidraw::TopLevelCollection;
using Bytes = std::vector<std::uint8_t>;

ReportDescriptor Parse(const Bytes& d) {
    ReportDescriptor out;
    std::string error;
    EXPECT_TRUE(ParseReportDescriptor(d.data(), d.size(), out, error)) << error;
    return out;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The boot keyboard: modifier byte, reserved byte, six key codes in; five LEDs and padding out.
const Bytes kKeyboardBody = {0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01,
                             0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05,
                             0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01,
                             0x75, 0x03, 0x91, 0x01, 0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65,
                             0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00};
const Bytes kKeyboardOpen = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01};
const Bytes kKeyboard = Join({kKeyboardOpen, kKeyboardBody, {0xC0}});

// The boot mouse: three buttons and padding, X and Y, in a physical collection.
const Bytes kMouse = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19,
                      0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02,
                      0x95, 0x01, 0x75, 0x05, 0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15,
                      0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0};

// The scanner's vendor collection: report 0xBA with 63 data bytes each way.
const Bytes kVendor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0xBA,
                       0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x3F,
                       0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xC0};

// The same without report IDs and with 64 data bytes.
const Bytes kVendorNoIds = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00,
                            0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x09, 0x01,
                            0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xC0};

void ExpectCollection(const TopLevelCollection& c, std::uint16_t page, std::uint16_t usage,
                      std::uint16_t in, std::uint16_t out) {
    EXPECT_EQ(c.usagePage, page);
    EXPECT_EQ(c.usage, usage);
    EXPECT_EQ(c.inputLength, in);
    EXPECT_EQ(c.outputLength, out);
}

TEST(ReportDescriptor, BootKeyboardCountsTheIdByteThoughItHasNone) {
    const ReportDescriptor d = Parse(kKeyboard);
    EXPECT_FALSE(d.numbered);
    ASSERT_EQ(d.collections.size(), 1u);
    ExpectCollection(d.collections[0], 0x0001, 0x0006, 9, 2);
    EXPECT_EQ(d.collections[0].inputIds, Bytes{0});
}

TEST(ReportDescriptor, BootMouseHasNoOutputReport) {
    const ReportDescriptor d = Parse(kMouse);
    ASSERT_EQ(d.collections.size(), 1u);  // the physical collection inside is no interface
    ExpectCollection(d.collections[0], 0x0001, 0x0002, 4, 0);
    EXPECT_TRUE(d.collections[0].outputIds.empty());
}

TEST(ReportDescriptor, VendorCollectionWithReportIdBA) {
    const ReportDescriptor d = Parse(kVendor);
    EXPECT_TRUE(d.numbered);
    ASSERT_EQ(d.collections.size(), 1u);
    ExpectCollection(d.collections[0], 0xFF00, 0x0001, 64, 64);
    EXPECT_EQ(d.collections[0].inputIds, Bytes{0xBA});
    EXPECT_EQ(d.collections[0].outputIds, Bytes{0xBA});
}

TEST(ReportDescriptor, CompositeKeyboardAndVendorAreTwoCollections) {
    // The keyboard takes report ID 1 so that the two can share the device.
    const Bytes d1 = Join({kKeyboardOpen, {0x85, 0x01}, kKeyboardBody, {0xC0}, kVendor});
    const ReportDescriptor d = Parse(d1);
    EXPECT_TRUE(d.numbered);
    ASSERT_EQ(d.collections.size(), 2u);
    ExpectCollection(d.collections[0], 0x0001, 0x0006, 9, 2);
    ExpectCollection(d.collections[1], 0xFF00, 0x0001, 64, 64);
    EXPECT_EQ(d.collections[0].inputIds, Bytes{1});
    EXPECT_EQ(d.collections[1].inputIds, Bytes{0xBA});
    // In the other order too.
    const Bytes d2 = Join({kVendor, kKeyboardOpen, {0x85, 0x01}, kKeyboardBody, {0xC0}});
    const ReportDescriptor r = Parse(d2);
    ASSERT_EQ(r.collections.size(), 2u);
    ExpectCollection(r.collections[0], 0xFF00, 0x0001, 64, 64);
    ExpectCollection(r.collections[1], 0x0001, 0x0006, 9, 2);
}

TEST(ReportDescriptor, DeviceWithoutReportIds) {
    const ReportDescriptor d = Parse(kVendorNoIds);
    EXPECT_FALSE(d.numbered);
    ASSERT_EQ(d.collections.size(), 1u);
    ExpectCollection(d.collections[0], 0xFF00, 0x0001, 65, 65);
    EXPECT_EQ(d.collections[0].outputIds, Bytes{0});
}

TEST(ReportDescriptor, LongItemsAreSkipped) {
    // A long item (data size 2, tag 0x10) before the collection and one without data inside.
    const Bytes d = Join({{0xFE, 0x02, 0x10, 0xAA, 0xBB},
                          Bytes(kVendor.begin(), kVendor.end() - 1),
                          {0xFE, 0x00, 0x11, 0xC0}});
    const ReportDescriptor r = Parse(d);
    ASSERT_EQ(r.collections.size(), 1u);
    ExpectCollection(r.collections[0], 0xFF00, 0x0001, 64, 64);
}

TEST(ReportDescriptor, PushAndPopRestoreTheGlobalState) {
    const Bytes d = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0xBA, 0x75, 0x08, 0x95, 0x3F,
                     0xA4,                                // push
                     0x85, 0x02, 0x75, 0x10, 0x95, 0x02,  // report 2: two 16-bit fields
                     0x09, 0x01, 0x81, 0x02,
                     0xB4,  // pop: report 0xBA, 63 bytes again
                     0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xC0};
    const ReportDescriptor r = Parse(d);
    ASSERT_EQ(r.collections.size(), 1u);
    ExpectCollection(r.collections[0], 0xFF00, 0x0001, 64, 64);
    EXPECT_EQ(r.collections[0].inputIds, (Bytes{2, 0xBA}));
    EXPECT_EQ(r.collections[0].outputIds, Bytes{0xBA});
}

TEST(ReportDescriptor, LargestReportOfTheCollectionCounts) {
    const Bytes d = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08,
                     0x85, 0x01, 0x95, 0x0A, 0x09, 0x01, 0x81, 0x02,  // report 1: 10 bytes
                     0x85, 0x02, 0x95, 0x1E, 0x09, 0x01, 0x81, 0x02,  // report 2: 30 bytes
                     0x85, 0x03, 0x95, 0x05, 0x09, 0x01, 0x81, 0x02,  // report 3: 5, then
                     0x95, 0x02, 0x75, 0x04, 0x81, 0x02,              // one more byte in halves
                     0x96, 0x00, 0x01, 0x75, 0x08, 0x09, 0x01, 0xB1, 0x02,  // feature: 256
                     0xC0};
    const ReportDescriptor r = Parse(d);
    ASSERT_EQ(r.collections.size(), 1u);
    ExpectCollection(r.collections[0], 0xFF00, 0x0001, 31, 0);  // features do not count
    EXPECT_EQ(r.collections[0].inputIds, (Bytes{1, 2, 3}));
}

TEST(ReportDescriptor, ExtendedUsageCarriesItsPage) {
    // Usage page 1 is in force, but the 4-byte usage names page FF00 itself.
    const Bytes d = {0x05, 0x01, 0x0B, 0x01, 0x00, 0x00, 0xFF, 0xA1, 0x01,
                     0x75, 0x08, 0x95, 0x04, 0x09, 0x01, 0x81, 0x02, 0xC0};
    const ReportDescriptor r = Parse(d);
    ASSERT_EQ(r.collections.size(), 1u);
    ExpectCollection(r.collections[0], 0xFF00, 0x0001, 5, 0);
}

TEST(ReportDescriptor, ItemsOutsideCollectionsBelongToNone) {
    const Bytes d = Join({{0x75, 0x08, 0x95, 0x10, 0x81, 0x02}, kVendor});
    const ReportDescriptor r = Parse(d);
    ASSERT_EQ(r.collections.size(), 1u);
    ExpectCollection(r.collections[0], 0xFF00, 0x0001, 64, 64);
}

TEST(ReportDescriptor, MalformedDescriptorsAreRefusedWithAReason) {
    Bytes deep;
    for (int i = 0; i < 33; ++i) deep.push_back(0xA4);
    const std::pair<Bytes, const char*> cases[] = {
        {{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01}, "not closed"},
        {{0xC0}, "without collection"},
        {{0xB4}, "pop without push"},
        {{0x85, 0x00}, "report ID 0"},
        {{0x86, 0x00, 0x01}, "report ID 256"},
        {{0x06, 0x00}, "cut short at byte 0"},
        {{0x09, 0x01, 0x85}, "cut short at byte 2"},
        {{0xFE, 0x05, 0x10, 0x01}, "long item cut short"},
        {{0xFE, 0x05}, "long item cut short"},
        {deep, "too deep"},
        // 65535 fields of 65535 bits.
        {{0xA1, 0x01, 0x77, 0xFF, 0xFF, 0x00, 0x00, 0x97, 0xFF, 0xFF, 0x00, 0x00, 0x81, 0x02, 0xC0},
         "longer than 65534"},
    };
    for (const auto& [bytes, needle] : cases) {
        ReportDescriptor out;
        std::string error;
        EXPECT_FALSE(ParseReportDescriptor(bytes.data(), bytes.size(), out, error)) << needle;
        EXPECT_NE(error.find(needle), std::string::npos) << needle << " -> " << error;
    }
}

TEST(ReportDescriptor, EmptyDescriptorHasNoCollections) {
    ReportDescriptor out;
    std::string error;
    EXPECT_TRUE(ParseReportDescriptor(nullptr, 0, out, error));
    EXPECT_TRUE(out.collections.empty());
}

TEST(SimReportDescriptor, ReadsBackAsTheScenarioSaysAndTheProtocolGetsBA) {
    using sim::SimCollection;
    struct Case {
        const char* name;
        std::vector<SimCollection> collections;
        Bytes ids;
        std::size_t protocol;
    };
    const Case cases[] = {
        {"default vendor collection", {SimCollection{}}, {0xBA}, 0},
        {"keyboard before vendor",
         {{0x0001, 0x0006, 9, 2}, {0xFF00, 0x0001, 64, 64}},
         {1, 0xBA},
         1},
        {"vendor, keyboard, mouse, second vendor",
         {{0xFF00, 1, 65, 33}, {1, 6, 9, 2}, {1, 2, 4, 0}, {0xFF01, 2, 8, 8}},
         {0xBA, 1, 2, 3},
         0},
        {"no vendor collection", {{1, 2, 4, 0}, {1, 6, 9, 2}}, {1, 2}, sim::SimReportLayout::kNone},
        {"collection without output", {{0xFF00, 1, 64, 0}}, {0xBA}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const sim::SimReportLayout layout = sim::BuildSimReportDescriptor(c.collections);
        EXPECT_EQ(layout.reportIds, c.ids);
        EXPECT_EQ(layout.protocolCollection, c.protocol);
        const ReportDescriptor d = Parse(layout.descriptor);
        EXPECT_TRUE(d.numbered);
        ASSERT_EQ(d.collections.size(), c.collections.size());
        for (std::size_t i = 0; i < c.collections.size(); ++i) {
            const SimCollection& want = c.collections[i];
            ExpectCollection(d.collections[i], want.usagePage, want.usage, want.inputLength,
                             want.outputLength);
            EXPECT_EQ(d.collections[i].inputIds, want.inputLength > 1 ? Bytes{c.ids[i]} : Bytes{});
        }
    }
}

}  // namespace
}  // namespace quillon
