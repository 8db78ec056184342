#include "hid/PortView.h"

namespace quillon {

std::vector<std::string> PortsPresent(HidPlatform& hid) {
    std::set<std::string> ports;
    const Handle list = hid.OpenInterfaceList();
    if (list == kInvalidHandle) return {};
    std::string path;
    for (std::uint32_t i = 0; hid.EnumInterface(list, i, path); ++i) {
        const std::string port = hid.InterfacePort(list, i);
        if (!port.empty()) ports.insert(port);
    }
    hid.DestroyInterfaceList(list);
    return {ports.begin(), ports.end()};
}

Handle PortView::OpenInterfaceList() {
    const Handle inner = inner_->OpenInterfaceList();
    if (inner == kInvalidHandle) return kInvalidHandle;
    std::vector<std::string> paths;
    std::string path;
    for (std::uint32_t i = 0; inner_->EnumInterface(inner, i, path); ++i) {
        if (inner_->InterfacePort(inner, i) == port_) paths.push_back(path);
    }
    // A path is reachable only while the newest list shows it here: after a re-enumeration the
    // same name may belong to a device at another port.
    listed_ = std::set<std::string>(paths.begin(), paths.end());
    lists_[inner] = std::move(paths);
    return inner;
}

bool PortView::EnumInterface(Handle list, std::uint32_t index, std::string& path) {
    const auto it = lists_.find(list);
    if (it == lists_.end() || index >= it->second.size()) return false;
    path = it->second[index];
    return true;
}

void PortView::DestroyInterfaceList(Handle list) {
    lists_.erase(list);
    inner_->DestroyInterfaceList(list);
}

std::string PortView::InterfacePort(Handle list, std::uint32_t index) {
    const auto it = lists_.find(list);
    return it != lists_.end() && index < it->second.size() ? port_ : std::string();
}

Handle PortView::OpenForQuery(const std::string& path) {
    return Listed(path) ? inner_->OpenForQuery(path) : kInvalidHandle;
}

Handle PortView::OpenSynchronous(const std::string& path) {
    return Listed(path) ? inner_->OpenSynchronous(path) : kInvalidHandle;
}

Handle PortView::OpenOverlapped(const std::string& path) {
    return Listed(path) ? inner_->OpenOverlapped(path) : kInvalidHandle;
}

}  // namespace quillon
