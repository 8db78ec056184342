// The real Windows backend on the HID interfaces this machine has. Under Wine those are Wine's
// own virtual mouse and keyboard (vendor 845E), none of the family, which pins down what every
// discovery and the command line must make of them.
#include <gtest/gtest.h>

#include <cstring>

#include "hid/win32/HidApi.h"
#include "hid/win32/Win32HidPlatform.h"
#include "protocol/Receiver.h"
#include "support/PipeDevice.h"
#include "support/Rig.h"
#include "support/RunProgram.h"

namespace quillon {
namespace {

constexpr std::uint16_t kWineVendor = 0x845E;

TEST(Win32SystemHid, EveryInterfaceHasAPathIdentityAndCapabilities) {
    win32::Win32HidPlatform hid;
    const Handle list = hid.OpenInterfaceList();
    ASSERT_NE(list, kInvalidHandle);
    std::string path;
    std::uint32_t count = 0;
    std::uint32_t wine = 0;
    for (; hid.EnumInterface(list, count, path); ++count) {
        SCOPED_TRACE(path);
        EXPECT_EQ(path.rfind("\\\\?\\hid#", 0), 0u) << "not a HID interface path";
        const Handle probe = hid.OpenForQuery(path);
        ASSERT_NE(probe, kInvalidHandle);
        HidAttributes a;
        HidCaps caps;
        EXPECT_TRUE(hid.GetAttributes(probe, a));
        EXPECT_TRUE(hid.GetCaps(probe, caps));
        EXPECT_NE(caps.usagePage, 0);
        if (a.vendorId == kWineVendor) ++wine;
        hid.CloseHandle(probe);
    }
    EXPECT_FALSE(hid.EnumInterface(list, count + 5, path));
    hid.DestroyInterfaceList(list);
    if (test::RunningUnderWine()) {
        EXPECT_GE(count, 1u);
        EXPECT_EQ(wine, count);
    }
}

TEST(Win32SystemHid, DiscoveryFindsNoFamilyDeviceAndReleasesEverything) {
    if (!test::RunningUnderWine()) GTEST_SKIP() << "the outcome depends on what is plugged in";
    GUID guid;
    ::HidD_GetHidGuid(&guid);
    // One model of each discovery case: exact, boot loader, identification.
    for (std::uint32_t model : {3u, 1u, 6u, 264u}) {
        SCOPED_TRACE(model);
        test::Rig rig;
        rig.Firmware(model, 1);
        win32::Win32HidPlatform hid;
        LinkServices services{*rig.st, hid, rig.op, rig.files};
        Receiver rx(services);
        const HidCaps before = rig.st->g_HidCaps;
        // A handle left in the held slot by an earlier run.
        const HANDLE held = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        rig.st->g_hHeldDevice = reinterpret_cast<Handle>(held);
        EXPECT_EQ(rx.discovery.FindDevice(), FIND_NONE);
        EXPECT_TRUE(std::memcmp(rig.st->g_HidGuid.data(), &guid, sizeof(guid)) == 0);
        EXPECT_EQ(rig.st->g_hProbe, kInvalidHandle);
        EXPECT_EQ(rig.st->g_hDevInfo, kInvalidHandle);
        EXPECT_EQ(rig.st->g_hHeldDevice, kInvalidHandle);
        DWORD flags = 0;
        EXPECT_FALSE(::GetHandleInformation(held, &flags)) << "the held handle was not closed";
        EXPECT_EQ(rig.st->g_pDetail, nullptr);
        EXPECT_EQ(rig.st->g_bDeviceFound, 0);
        EXPECT_EQ(rig.st->g_strDevicePath, "");
        // Nothing of the family was screened, so the capabilities stay as they were.
        EXPECT_EQ(rig.st->g_HidCaps.usagePage, before.usagePage);
        EXPECT_TRUE(rig.op.Messages().empty());
    }
}

TEST(Win32SystemHid, CommandLineUpdateReportsNoConnectionAndListRuns) {
    const std::string fw = std::string(QUILLON_EXAMPLES) + "/scanner-model3.fw";
    if (test::RunningUnderWine()) {
        const test::ProgramRun update = test::RunProgram(QUILLON_BIN, "update " + fw);
        EXPECT_EQ(update.code, 4);  // no device fits, nothing was sent
        EXPECT_EQ(update.out, "USB연결실패\n");
    }
    const test::ProgramRun list = test::RunProgram(QUILLON_BIN, "list");
    EXPECT_EQ(list.code, 0);
    if (test::RunningUnderWine()) {
        EXPECT_NE(list.out.find("845E:"), std::string::npos) << list.out;
        EXPECT_EQ(list.out.find("family"), std::string::npos) << list.out;
    }
}

}  // namespace
}  // namespace quillon
