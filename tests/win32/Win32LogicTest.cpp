// The Windows backend's pure logic: error codes to outcomes, the detail record's path, and the
// UTF-8 to UTF-16 conversion that every path passes through.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "hid/win32/HidApi.h"
#include "hid/win32/InterfaceDetail.h"
#include "hid/win32/WideText.h"
#include "hid/win32/Win32Errors.h"

namespace quillon::win32 {
namespace {

TEST(Win32Errors, StartOutcomes) {
    struct Row {
        bool started;
        std::uint32_t error;
        TransferStart outcome;
    } rows[] = {
        {true, 0, TransferStart::kDone},
        {true, 997, TransferStart::kDone},  // a TRUE start is done, whatever the last error was
        {false, ERROR_IO_PENDING, TransferStart::kPending},
        {false, ERROR_REGISTRY_IO_FAILED, TransferStart::kDeviceGone},
        {false, ERROR_DEVICE_NOT_CONNECTED, TransferStart::kDeviceGone},
        {false, ERROR_GEN_FAILURE, TransferStart::kFailed},
        {false, ERROR_INVALID_PARAMETER, TransferStart::kFailed},
        {false, ERROR_INVALID_USER_BUFFER, TransferStart::kFailed},
        {false, ERROR_ACCESS_DENIED, TransferStart::kFailed},
        {false, ERROR_INVALID_HANDLE, TransferStart::kFailed},
        {false, ERROR_BROKEN_PIPE, TransferStart::kFailed},
        {false, ERROR_IO_INCOMPLETE, TransferStart::kFailed},
        {false, 0, TransferStart::kFailed},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(OutcomeOfStart(r.started, r.error), r.outcome)
            << "started " << r.started << " error " << r.error;
    }
}

TEST(Win32Errors, WaitEndsAndStillRunning) {
    EXPECT_EQ(WaitEndOf(WAIT_OBJECT_0), WaitEnd::kSignalled);
    EXPECT_EQ(WaitEndOf(WAIT_TIMEOUT), WaitEnd::kTimedOut);
    EXPECT_EQ(WaitEndOf(WAIT_FAILED), WaitEnd::kFailed);
    EXPECT_EQ(WaitEndOf(WAIT_ABANDONED), WaitEnd::kFailed);
    EXPECT_EQ(WaitEndOf(WAIT_OBJECT_0 + 1), WaitEnd::kFailed);

    EXPECT_TRUE(StillRunning(false, ERROR_IO_INCOMPLETE));
    EXPECT_FALSE(StillRunning(true, ERROR_IO_INCOMPLETE));
    EXPECT_FALSE(StillRunning(false, ERROR_OPERATION_ABORTED));
    EXPECT_FALSE(StillRunning(false, ERROR_DEVICE_NOT_CONNECTED));
}

// A detail record as SetupAPI lays it out, filled with path and cut to size bytes.
std::vector<std::uint8_t> Record(const std::wstring& path, bool terminated) {
    const std::size_t offset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    std::vector<std::uint8_t> bytes(offset + (path.size() + (terminated ? 1 : 0)) * 2, 0);
    const DWORD fixed = static_cast<DWORD>(DetailFixedSize());
    std::memcpy(bytes.data(), &fixed, sizeof(fixed));
    std::memcpy(bytes.data() + offset, path.data(), path.size() * 2);
    return bytes;
}

TEST(InterfaceDetail, FixedPartAndPath) {
    EXPECT_EQ(DetailFixedSize(), sizeof(void*) == 4 ? 6u : 8u);

    const std::wstring path = L"\\\\?\\hid#vid_0581&pid_0115#7&1&0&0000#{4d1e55b2}";
    std::vector<std::uint8_t> r = Record(path, true);
    EXPECT_EQ(DevicePathOf(r.data(), r.size()), path);
    // Without its NUL the path ends with the record, never beyond it.
    r = Record(path, false);
    EXPECT_EQ(DevicePathOf(r.data(), r.size()), path);
    EXPECT_EQ(DevicePathOf(r.data(), r.size() - 4), path.substr(0, path.size() - 2));
    // A record with no room for a path, or none at all.
    EXPECT_EQ(DevicePathOf(r.data(), offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)), L"");
    EXPECT_EQ(DevicePathOf(nullptr, 100), L"");
}

TEST(WideText, RoundTripsAndRefusesBrokenText) {
    const char* texts[] = {"USB연결실패", "固件与设备不匹配，无法加载，请查看固件是否正确",
                           "\\\\?\\hid#vid_0581&pid_0115", "C:\\펌웨어\\scanner model3.fw", ""};
    for (const char* t : texts) {
        const std::wstring wide = WideFromUtf8(t);
        EXPECT_EQ(Utf8FromWide(wide), t);
    }
    EXPECT_EQ(WideFromUtf8("완료"), std::wstring(L"\uC644\uB8CC"));
    EXPECT_EQ(Utf8FromWide(L"\U0001F600"), "\xF0\x9F\x98\x80");  // a surrogate pair
    // Broken text becomes nothing, so that it opens nothing.
    EXPECT_EQ(WideFromUtf8("scanner\xC3("), L"");
    EXPECT_EQ(WideFromUtf8("\xED\xA0\x80"), L"");  // an encoded surrogate
    EXPECT_EQ(Utf8FromWide(std::wstring(1, wchar_t(0xD800))), "");
    EXPECT_EQ(Utf8FromWide(static_cast<const wchar_t*>(nullptr)), "");
}

}  // namespace
}  // namespace quillon::win32
