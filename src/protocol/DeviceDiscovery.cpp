#include "protocol/DeviceDiscovery.h"

#include "firmware/ModelProfile.h"

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
    return !IsMouseOrKeyboard(caps);
}

bool IsMouseOrKeyboard(const HidCaps& caps) {
    const std::uint32_t collection = static_cast<std::uint32_t>(caps.usagePage) * 256 + caps.usage;
    return collection == kMouseCollection || collection == kKeyboardCollection;
}

std::vector<LookedFor> IdentitiesLookedFor(const SharedState& st) {
    const std::uint32_t vid = st.g_targetVid, pid = st.g_targetPid;
    // The case follows from the target alone: the boot-loader pair, an exact pair, or else
    // identification.
    if (vid == st.g_bootVid && pid == st.g_bootPid) {
        std::vector<LookedFor> wanted = {
            {vid, pid, Approach::kTakeHeld},
            {vid, st.g_appPid2, Approach::kSwitchAfterQuery},
            {vid, st.g_appPid3, Approach::kSwitchAfterQuery},
        };
        // Only model byte 1 has application firmware under the first application PID.
        if ((st.g_fwModel & 0xFF) == 1) {
            wanted.push_back({vid, st.g_appPid1, Approach::kSwitchWithoutQuery});
        }
        wanted.push_back({st.kAltVid, st.kAltPid, Approach::kSwitchAfterQuery});
        return wanted;
    }
    if ((vid == st.g_model3Vid && pid == st.g_model3Pid) ||
        (vid == st.g_model264MatchVid && pid == st.g_model264MatchPid)) {
        return {{vid, pid, Approach::kTake}};
    }
    return {
        {vid, pid, Approach::kIdentify},
        {vid, st.g_appPid1, Approach::kIdentify},
        {vid, st.g_appPid2, Approach::kIdentify},
        {vid, st.g_appPid3, Approach::kIdentify},
        {st.kAltVid, st.kAltPid, Approach::kIdentify},
    };
}

namespace {

void AddUnique(std::vector<LookedFor>& list, const LookedFor& id) {
    for (const LookedFor& have : list) {
        if (have.vid == id.vid && have.pid == id.pid) return;
    }
    list.push_back(id);
}

}  // namespace

SearchPlan PlanSearch(const SharedState& st) {
    SearchPlan plan;
    const std::vector<LookedFor> wanted = IdentitiesLookedFor(st);
    for (const LookedFor& id : wanted) AddUnique(plan.beforeSwitch, id);
    bool discoverySwitches = false;
    for (const LookedFor& id : wanted) {
        discoverySwitches |= id.approach == Approach::kSwitchAfterQuery ||
                             id.approach == Approach::kSwitchWithoutQuery;
    }
    if (discoverySwitches) {
        plan.switchBy = SwitchBy::kDiscovery;
        // The restarted device is looked for again by the same rules; what ends the wait is a
        // device that is taken rather than told to switch once more.
        for (const LookedFor& id : wanted) {
            if (id.approach == Approach::kTakeHeld) AddUnique(plan.afterSwitch, id);
        }
    } else if (LoadedProfile(st).bootSwitch.runs &&
               FileAsksForSwitch(st.g_fwStorage, st.g_fwType)) {
        plan.switchBy = SwitchBy::kWorker;
        plan.afterSwitch = plan.beforeSwitch;
    }
    return plan;
}

bool DeviceDiscovery::ScreenAsFound() {
    s_.st.g_bDeviceFound = 1;
    if (Screen()) return true;
    s_.st.g_bDeviceFound = 0;
    return false;
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

DeviceDiscovery::Verdict DeviceDiscovery::Examine(const std::string& path, const HidAttributes& a,
                                                  const std::vector<LookedFor>& wanted) {
    SharedState& st = s_.st;
    const LookedFor* match = nullptr;
    for (const LookedFor& id : wanted) {
        if (a.vendorId == id.vid && a.productId == id.pid) {
            match = &id;
            break;
        }
    }
    if (match == nullptr) return Verdict::kPassOver;
    switch (match->approach) {
        case Approach::kTakeHeld:
            if (!ScreenAsFound()) return Verdict::kPassOver;
            st.g_strDevicePath = path;
            if (st.g_hHeldDevice != kInvalidHandle) s_.hid.CloseHandle(st.g_hHeldDevice);
            st.g_hHeldDevice = s_.hid.OpenSynchronous(path);
            if (st.g_hHeldDevice == kInvalidHandle) st.phases.LinkSaid(s_.hid.LastError());
            return Verdict::kChosen;
        case Approach::kTake: {
            st.g_bDeviceFound = 1;
            const bool passed = Screen();
            st.g_strDevicePath = path;  // also for a collection the screen passes over
            if (!passed) {
                st.g_bDeviceFound = 0;
                return Verdict::kPassOver;
            }
            return Verdict::kChosen;
        }
        case Approach::kSwitchAfterQuery:
            return Switch(path, true);
        case Approach::kSwitchWithoutQuery:
            return Switch(path, false);
        case Approach::kIdentify:
            if (!ScreenAsFound()) return Verdict::kPassOver;
            st.g_strDevicePath = path;
            return ident_.IdentifyDevice() == 0 ? Verdict::kChosen : Verdict::kPassOver;
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
    if (st.g_hDevInfo == kInvalidHandle) st.phases.LinkSaid(s_.hid.LastError());

    const std::vector<LookedFor> wanted = IdentitiesLookedFor(st);
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
            verdict = Examine(path, attributes, wanted);
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
