// Enumeration by the hidraw backend over a fake sysfs tree: node order, one interface per
// top-level collection, identities and capabilities without opening any node, broken nodes.
#include <gtest/gtest.h>

#include "hid/linux/HidrawPlatform.h"
#include "hid/linux/SysfsHidraw.h"
#include "support/FakeSysfs.h"

namespace quillon {
namespace {

using Bytes = std::vector<std::uint8_t>;

// One application collection of the given usage with one report of n data bytes each way under
// report ID id (no ID item when id is 0).
Bytes Collection(std::uint16_t page, std::uint8_t usage, std::uint8_t id, std::uint8_t n) {
    Bytes d = {0x06,
               static_cast<std::uint8_t>(page),
               static_cast<std::uint8_t>(page >> 8),
               0x09,
               usage,
               0xA1,
               0x01};
    if (id != 0) d.insert(d.end(), {0x85, id});
    d.insert(d.end(), {0x75, 0x08, 0x95, n, 0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xC0});
    return d;
}

Bytes Composite() {
    Bytes d = Collection(0x0001, 0x06, 1, 8);
    const Bytes vendor = Collection(0xFF00, 0x01, 0xBA, 63);
    d.insert(d.end(), vendor.begin(), vendor.end());
    return d;
}

std::vector<std::string> Paths(HidPlatform& hid) {
    std::vector<std::string> out;
    const Handle list = hid.OpenInterfaceList();
    std::string path;
    for (std::uint32_t i = 0; hid.EnumInterface(list, i, path); ++i) out.push_back(path);
    hid.DestroyInterfaceList(list);
    return out;
}

TEST(HidrawSysfs, HidIdFromUevent) {
    const struct {
        const char* uevent;
        bool ok;
        std::uint16_t bus, vid, pid;
    } cases[] = {
        {"DRIVER=hid-generic\nHID_ID=0003:00000581:00000115\nHID_NAME=x\n", true, 3, 0x0581,
         0x0115},
        {"HID_ID=0005:00001EAB:00003303", true, 5, 0x1EAB, 0x3303},  // no final newline
        {"HID_ID=0003:0000abcd:0000ef01\n", true, 3, 0xABCD, 0xEF01},
        {"HID_NAME=no id here\n", false, 0, 0, 0},
        {"HID_ID=0003:00010581:00000115\n", false, 0, 0, 0},  // more than 16 bits
        {"HID_ID=0003:00000581\n", false, 0, 0, 0},
        {"HID_ID=0003:0000058G:00000115\n", false, 0, 0, 0},
        {"XHID_ID=0003:00000581:00000115\n", false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        std::uint16_t bus = 0, vid = 0, pid = 0;
        EXPECT_EQ(hidraw::ParseHidId(c.uevent, bus, vid, pid), c.ok) << c.uevent;
        if (!c.ok) continue;
        EXPECT_EQ(bus, c.bus) << c.uevent;
        EXPECT_EQ(vid, c.vid) << c.uevent;
        EXPECT_EQ(pid, c.pid) << c.uevent;
    }
}

TEST(HidrawSysfs, InterfacePathsSplitBackIntoNodeAndCollection) {
    const hidraw::SysfsLayout layout;  // /sys and /dev
    const struct {
        const char* path;
        bool ok;
        const char* name;
        std::size_t collection;
    } cases[] = {
        {"/dev/hidraw3#1", true, "hidraw3", 1},
        {"/dev/hidraw0#0", true, "hidraw0", 0},
        {"/dev/hidraw12#10", true, "hidraw12", 10},
        {"/dev/hidraw3", false, "", 0},
        {"/dev/hidraw3#", false, "", 0},
        {"/dev/hidraw3#x", false, "", 0},
        {"/dev/hidraw3#-1", false, "", 0},
        {"/dev/sda#1", false, "", 0},
        {"/tmp/hidraw3#1", false, "", 0},
        {"/dev/sub/hidraw3#1", false, "", 0},
        {"sim:d0.1/c0", false, "", 0},
    };
    for (const auto& c : cases) {
        std::string name;
        std::size_t collection = 99;
        EXPECT_EQ(hidraw::SplitInterfacePath(layout, c.path, name, collection), c.ok) << c.path;
        if (!c.ok) continue;
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(collection, c.collection);
    }
}

TEST(HidrawSysfs, NodesInNumberOrderWithBrokenOnesMarked) {
    test::FakeSysfs sys;
    sys.AddNode("hidraw10", 0x0581, 0x0115, Collection(0xFF00, 1, 0xBA, 63));
    sys.AddNode("hidraw2", 0x1EAB, 0x3303, Composite());
    sys.AddRawNode("hidraw3", "HID_ID=0003:00000581:00000111\n", std::nullopt);
    sys.AddRawNode("hidraw4", "HID_NAME=no identity\n", Composite());
    sys.AddNode("hidraw5", 0x0581, 0x0120, {0xA1, 0x01});  // collection never closed
    const std::vector<hidraw::HidrawNode> nodes = hidraw::ListHidrawNodes(sys.Layout());
    ASSERT_EQ(nodes.size(), 5u);
    EXPECT_EQ(nodes[0].name, "hidraw2");
    EXPECT_EQ(nodes[0].devicePath, sys.Layout().devRoot + "/hidraw2");
    EXPECT_EQ(nodes[0].vendorId, 0x1EAB);
    EXPECT_EQ(nodes[0].descriptor.collections.size(), 2u);
    EXPECT_EQ(nodes[0].error, "");
    EXPECT_EQ(nodes[1].error, "no report descriptor");
    EXPECT_EQ(nodes[2].error, "no HID_ID in uevent");
    EXPECT_NE(nodes[3].error.find("not closed"), std::string::npos) << nodes[3].error;
    EXPECT_EQ(nodes[4].name, "hidraw10");
    EXPECT_EQ(nodes[4].productId, 0x0115);
}

// The port: the USB device above the node, or the physical name a device not on USB was
// created with; the same for every collection of the node.
TEST(HidrawSysfs, PortOfEachNode) {
    test::FakeSysfs sys;
    const std::string id = "HID_ID=0003:00000581:00000115\n";
    struct Case {
        const char* name;
        std::string uevent, parents, port;
    };
    const Case cases[] = {
        {"hidraw0", id + "HID_PHYS=usb-0000:00:14.0-1.2/input0\n", "usb1/1-1/1-1.2/1-1.2:1.0",
         "1-1.2"},
        {"hidraw1", id, "usb3/3-2/3-2:1.1", "3-2"},
        {"hidraw2", id + "HID_PHYS=sim-3\n", "virtual/misc/uhid", "sim-3"},
        {"hidraw3", id + "HID_PHYS=usb-0000:00:14.0-4/input1\n", "", "usb-0000:00:14.0-4"},
        {"hidraw4", id, "", ""},
    };
    for (const Case& c : cases) sys.AddRawNode(c.name, c.uevent, Composite(), c.parents);
    const std::vector<hidraw::HidrawNode> nodes = hidraw::ListHidrawNodes(sys.Layout());
    ASSERT_EQ(nodes.size(), std::size(cases));
    for (std::size_t i = 0; i < nodes.size(); ++i) EXPECT_EQ(nodes[i].port, cases[i].port) << i;

    hidraw::HidrawPlatform hid(sys.Layout());
    const Handle list = hid.OpenInterfaceList();
    EXPECT_EQ(hid.InterfacePort(list, 0), "1-1.2");
    EXPECT_EQ(hid.InterfacePort(list, 1), "1-1.2");  // the node's second collection
    EXPECT_EQ(hid.InterfacePort(list, 4), "sim-3");
    EXPECT_EQ(hid.InterfacePort(list, 100), "");
    hid.DestroyInterfaceList(list);
}

TEST(HidrawSysfs, NoHidrawClassMeansNoNodes) {
    hidraw::SysfsLayout layout{"/nonexistent-sysfs", "/dev"};
    EXPECT_TRUE(hidraw::ListHidrawNodes(layout).empty());
    hidraw::HidrawPlatform hid(layout);
    EXPECT_TRUE(Paths(hid).empty());
}

TEST(HidrawEnumeration, OneInterfacePerTopLevelCollection) {
    test::FakeSysfs sys;
    sys.AddNode("hidraw0", 0x0581, 0x0115, Composite());
    sys.AddNode("hidraw1", 0x0581, 0x0111, Collection(0xFF00, 1, 0, 64));
    sys.AddRawNode("hidraw2", "HID_ID=0003:00000581:00000111\n", std::nullopt);
    hidraw::HidrawPlatform hid(sys.Layout());
    const std::string dev = sys.Layout().devRoot;
    EXPECT_EQ(Paths(hid), (std::vector<std::string>{dev + "/hidraw0#0", dev + "/hidraw0#1",
                                                    dev + "/hidraw1#0", dev + "/hidraw2#0"}));

    // No device node exists at all: probing reads sysfs only.
    const struct {
        std::string path;
        std::uint16_t pid;
        HidCaps caps;
    } want[] = {
        {dev + "/hidraw0#0", 0x0115, {0x06, 0x0001, 9, 9}},
        {dev + "/hidraw0#1", 0x0115, {0x01, 0xFF00, 64, 64}},
        {dev + "/hidraw1#0", 0x0111, {0x01, 0xFF00, 65, 65}},
    };
    for (const auto& w : want) {
        const Handle h = hid.OpenForQuery(w.path);
        ASSERT_NE(h, kInvalidHandle) << w.path;
        HidAttributes a;
        HidCaps caps;
        ASSERT_TRUE(hid.GetAttributes(h, a));
        ASSERT_TRUE(hid.GetCaps(h, caps));
        EXPECT_EQ(a.vendorId, 0x0581);
        EXPECT_EQ(a.productId, w.pid) << w.path;
        EXPECT_EQ(caps.usagePage, w.caps.usagePage) << w.path;
        EXPECT_EQ(caps.usage, w.caps.usage) << w.path;
        EXPECT_EQ(caps.inputReportByteLength, w.caps.inputReportByteLength) << w.path;
        EXPECT_EQ(caps.outputReportByteLength, w.caps.outputReportByteLength) << w.path;
        hid.CloseHandle(h);
        EXPECT_FALSE(hid.GetCaps(h, caps));  // closed
    }
    // The unreadable node, a collection past the last, and a path of another backend.
    EXPECT_EQ(hid.OpenForQuery(dev + "/hidraw2#0"), kInvalidHandle);
    EXPECT_EQ(hid.OpenForQuery(dev + "/hidraw0#2"), kInvalidHandle);
    EXPECT_EQ(hid.OpenForQuery("sim:d0.1/c0"), kInvalidHandle);
    // Without a device node there is nothing to open for transfers.
    EXPECT_EQ(hid.OpenOverlapped(dev + "/hidraw0#1"), kInvalidHandle);
}

TEST(HidrawEnumeration, ListIsASnapshotAndQueriesSeeTheTreeAsItIsNow) {
    test::FakeSysfs sys;
    sys.AddNode("hidraw0", 0x0581, 0x0115, Composite());
    hidraw::HidrawPlatform hid(sys.Layout());
    const Handle list = hid.OpenInterfaceList();
    sys.RemoveNode("hidraw0");
    std::string path;
    ASSERT_TRUE(hid.EnumInterface(list, 1, path));
    EXPECT_FALSE(hid.EnumInterface(list, 2, path));
    EXPECT_EQ(hid.OpenForQuery(path), kInvalidHandle);  // the device has gone meanwhile
    hid.DestroyInterfaceList(list);
    EXPECT_FALSE(hid.EnumInterface(list, 0, path));
}

// After a re-enumeration a node name can belong to another device: an interface is opened only
// while its node belongs to the device that discovery saw there (identity, port, collections).
TEST(HidrawEnumeration, ANodeIsOpenedOnlyForTheDeviceSeenOnIt) {
    struct Row {
        const char* name;
        std::uint16_t pid;  // of the device on hidraw0 when it is opened; 0: none
        std::string port;
        std::uint16_t usagePage;
        bool listedAgain;
        bool opens;
    };
    const Row rows[] = {
        {"the same device", 0x0115, "1-1", 0xFF00, false, true},
        {"another product on the node", 0x0121, "1-1", 0xFF00, false, false},
        {"the same product at another port", 0x0115, "1-2", 0xFF00, false, false},
        {"another interface of the same device", 0x0115, "1-1", 0xFF01, false, false},
        {"no device on the node", 0, "", 0, false, false},
        {"another device, listed again", 0x0121, "1-2", 0xFF00, true, true},
    };
    const auto plug = [](test::FakeSysfs& sys, std::uint16_t pid, const std::string& port,
                         std::uint16_t page) {
        char uevent[64];
        std::snprintf(uevent, sizeof uevent, "HID_ID=0003:00000581:%08X\n", pid);
        sys.AddRawNode("hidraw0", uevent, Collection(page, 0x01, 0, 64),
                       "usb1/" + port + "/" + port + ":1.0");
        sys.MakeFifo("hidraw0");
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        test::FakeSysfs sys;
        plug(sys, 0x0115, "1-1", 0xFF00);
        hidraw::HidrawPlatform hid(sys.Layout());
        const std::vector<std::string> paths = Paths(hid);
        ASSERT_EQ(paths.size(), 1u);
        sys.RemoveNode("hidraw0");
        if (r.pid != 0) plug(sys, r.pid, r.port, r.usagePage);
        if (r.listedAgain) Paths(hid);
        for (const bool overlapped : {true, false}) {
            const Handle h =
                overlapped ? hid.OpenOverlapped(paths[0]) : hid.OpenSynchronous(paths[0]);
            EXPECT_EQ(h != kInvalidHandle, r.opens);
            hid.CloseHandle(h);
        }
    }
}

}  // namespace
}  // namespace quillon
