#include "hid/win32/LocationPath.h"

#include <vector>

#include "hid/win32/WideText.h"

namespace quillon::win32 {

namespace {

// A string property of a device node (the first string of a list), or empty.
std::wstring NodeProperty(DEVINST node, ULONG property) {
    ULONG size = 0;
    ULONG type = 0;
    if (::CM_Get_DevNode_Registry_PropertyW(node, property, &type, nullptr, &size, 0) !=
            CR_BUFFER_SMALL ||
        size < sizeof(wchar_t)) {
        return {};
    }
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    if (::CM_Get_DevNode_Registry_PropertyW(node, property, &type, buffer.data(), &size, 0) !=
        CR_SUCCESS) {
        return {};
    }
    return std::wstring(buffer.data());  // up to the first NUL: the first of a list
}

}  // namespace

std::string DevicePort(DEVINST hidNode) {
    // Up from the HID node: the interface of a composite device names itself with USBMI(n),
    // which the device's other interfaces do not share, so the device above it is taken.
    std::wstring information;
    DEVINST node = hidNode;
    for (int depth = 0; depth < 8; ++depth) {
        DEVINST parent = 0;
        if (::CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) break;
        node = parent;
        const std::wstring paths = NodeProperty(node, CM_DRP_LOCATION_PATHS);
        if (!paths.empty() && paths.find(L"USBMI(") == std::wstring::npos) {
            return Utf8FromWide(paths);
        }
        if (information.empty()) information = NodeProperty(node, CM_DRP_LOCATION_INFORMATION);
    }
    return Utf8FromWide(information);
}

}  // namespace quillon::win32
