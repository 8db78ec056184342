#include "hid/win32/InterfaceDetail.h"

#include <cstddef>
#include <cwchar>

#include "hid/win32/HidApi.h"

namespace quillon::win32 {

std::size_t DetailFixedSize() {
    return sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
}

std::wstring DevicePathOf(const void* record, std::size_t size) {
    constexpr std::size_t kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    if (record == nullptr || size <= kPathOffset) return {};
    const auto* detail = static_cast<const SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(record);
    const std::size_t room = (size - kPathOffset) / sizeof(wchar_t);
    return std::wstring(detail->DevicePath, ::wcsnlen(detail->DevicePath, room));
}

}  // namespace quillon::win32
