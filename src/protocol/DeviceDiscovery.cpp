#include "protocol/DeviceDiscovery.h"

namespace quillon {

namespace {

// The HID interface class GUID {4D1E55B2-F16F-11CF-88CB-001111000030}.
constexpr std::array<std::uint8_t, 16> kHidGuid = {0xB2, 0x55, 0x1E, 0x4D, 0x6F, 0xF1, 0xCF, 0x11,
                                                   0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30};
constexpr std::uint32_t kMouseCollection = 0x0102;
constexpr std::uint32_t kKeyboardCollection = 0x0106;

}  // namespace

void DeviceDiscovery::CloseProbe() {
    if (s_.st.g_hProbe != kInvalidHandle) s_.hid.CloseHandle(s_.st.g_hProbe);
    s_.st.g_hProbe = kInvalidHandle;
}

bool DeviceDiscovery::Screen() {
    HidCaps caps;
    if (!s_.hid.GetCaps(s_.st.g_hProbe, caps)) return false;
    s_.st.SetHidCaps(caps);
    const std::uint32_t collection = static_cast<std::uint32_t>(caps.usagePage) * 256 + caps.usage;
    return collection != kMouseCollection && collection != kKeyboardCollection;
}

Candidate ClassifyCandidate(const SharedState& st, const HidAttributes& a) {
    const bool vidMatches = a.vendorId == st.g_targetVid;
    const bool alt = a.vendorId == st.kAltVid && a.productId == st.kAltPid;
    const std::uint32_t pid = a.productId;
    if (st.g_targetVid == st.g_bootVid && st.g_targetPid == st.g_bootPid) {
        if (vidMatches && pid == st.g_targetPid) return Candidate::kBootLoader;
        if ((vidMatches && (pid == st.g_appPid2 || pid == st.g_appPid3)) || alt) {
            return Candidate::kSwitchWithQuery;
        }
        if (vidMatches && pid == st.g_appPid1) {
            return (st.g_fwModel & 0xFF) == 1 ? Candidate::kSwitchWithoutQuery : Candidate::kNone;
        }
        return Candidate::kNone;
    }
    if ((st.g_targetVid == st.g_model3Vid && st.g_targetPid == st.g_model3Pid) ||
        (st.g_targetVid == st.g_model264MatchVid && st.g_targetPid == st.g_model264MatchPid)) {
        return vidMatches && pid == st.g_targetPid ? Candidate::kExact : Candidate::kNone;
    }
    const bool family = vidMatches && (pid == st.g_targetPid || pid == st.g_appPid1 ||
                                       pid == st.g_appPid2 || pid == st.g_appPid3);
    return family || alt ? Candidate::kIdentify : Candidate::kNone;
}

bool DeviceDiscovery::ScreenAsFound() {
    s_.st.g_bDeviceFound = 1;
    if (Screen()) return true;
    s_.st.g_bDeviceFound = 0;
    return false;
}

DeviceDiscovery::Verdict DeviceDiscovery::BootLoaderPair(const std::string& path) {
    SharedState& st = s_.st;
    if (!ScreenAsFound()) return Verdict::kPassOver;
    st.g_strDevicePath = path;
    if (st.g_hHeldDevice != kInvalidHandle) s_.hid.CloseHandle(st.g_hHeldDevice);
    st.g_hHeldDevice = s_.hid.OpenSynchronous(path);
    return Verdict::kChosen;
}

DeviceDiscovery::Verdict DeviceDiscovery::Switch(const std::string& path, bool query) {
    if (!Screen()) return Verdict::kPassOver;
    switch (ident_.IdentifyAndSwitch(query)) {
        case 2:
            return Verdict::kSwitching;
        case 0:
            s_.st.g_strDevicePath = path;
            return Verdict::kChosen;
        default:
            return Verdict::kPassOver;
    }
}

DeviceDiscovery::Verdict DeviceDiscovery::Exact(const std::string& path) {
    SharedState& st = s_.st;
    st.g_bDeviceFound = 1;
    const bool passed = Screen();
    st.g_strDevicePath = path;
    if (!passed) {
        st.g_bDeviceFound = 0;
        return Verdict::kPassOver;
    }
    return Verdict::kChosen;
}

DeviceDiscovery::Verdict DeviceDiscovery::Identify(const std::string& path) {
    if (!ScreenAsFound()) return Verdict::kPassOver;
    s_.st.g_strDevicePath = path;
    return ident_.IdentifyDevice() == 0 ? Verdict::kChosen : Verdict::kPassOver;
}

DeviceDiscovery::Verdict DeviceDiscovery::Examine(const std::string& path, const HidAttributes& a) {
    switch (ClassifyCandidate(s_.st, a)) {
        case Candidate::kNone:
            break;
        case Candidate::kBootLoader:
            return BootLoaderPair(path);
        case Candidate::kSwitchWithQuery:
            return Switch(path, true);
        case Candidate::kSwitchWithoutQuery:
            return Switch(path, false);
        case Candidate::kExact:
            return Exact(path);
        case Candidate::kIdentify:
            return Identify(path);
    }
    return Verdict::kPassOver;
}

std::uint8_t DeviceDiscovery::FindDevice() {
    SharedState& st = s_.st;
    st.g_cbDetail = 0;
    st.g_pDetail.reset();
    CloseProbe();
    st.g_HidGuid = kHidGuid;
    if (st.g_hDevInfo != kInvalidHandle) s_.hid.DestroyInterfaceList(st.g_hDevInfo);
    st.g_hDevInfo = s_.hid.OpenInterfaceList();

    Verdict verdict = Verdict::kPassOver;
    std::string path;
    for (std::uint32_t index = 0; st.g_hDevInfo != kInvalidHandle; ++index) {
        if (!s_.hid.EnumInterface(st.g_hDevInfo, index, path)) break;
        // The detail record: a 32-bit size field and the NUL-terminated UTF-16 path.
        st.g_cbDetail = static_cast<std::uint32_t>(4 + 2 * (path.size() + 1));
        st.g_pDetail = std::make_unique<InterfaceDetail>(InterfaceDetail{path});

        CloseProbe();
        st.g_hProbe = s_.hid.OpenForQuery(path);
        st.g_bDeviceFound = 0;
        HidAttributes attributes;
        if (st.g_hProbe != kInvalidHandle && s_.hid.GetAttributes(st.g_hProbe, attributes)) {
            verdict = Examine(path, attributes);
        }
        st.g_pDetail.reset();
        if (verdict != Verdict::kPassOver) break;
    }

    CloseProbe();
    st.g_pDetail.reset();
    if (st.g_hDevInfo != kInvalidHandle) s_.hid.DestroyInterfaceList(st.g_hDevInfo);
    st.g_hDevInfo = kInvalidHandle;
    switch (verdict) {
        case Verdict::kChosen:
            st.g_bDeviceFound = 1;
            return FIND_FOUND;
        case Verdict::kSwitching:
            return FIND_SWITCHING;
        case Verdict::kPassOver:
            break;
    }
    channel_.CloseDeviceHandles();
    return FIND_NONE;
}

}  // namespace quillon
