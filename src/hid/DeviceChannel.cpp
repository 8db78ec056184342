#include "hid/DeviceChannel.h"

namespace quillon {

Channel DeviceChannel::OpenChannel(const std::string& path) {
    Channel ch;
    ch.hDevice = s_.hid.OpenOverlapped(path);
    s_.st.phases.LinkSaid(ch.hDevice == kInvalidHandle ? s_.hid.LastError() : std::string());
    ch.hEvent = s_.hid.CreateTransferEvent();
    s_.st.g_Overlapped.hEvent = ch.hEvent;
    s_.st.g_Overlapped.offset = 0;
    s_.st.g_Overlapped.offsetHigh = 0;
    return ch;
}

void DeviceChannel::CloseChannel(Channel& channel) {
    if (channel.hDevice != kInvalidHandle) s_.hid.CloseHandle(channel.hDevice);
    if (channel.hEvent != kInvalidHandle) s_.hid.CloseHandle(channel.hEvent);
    channel = Channel{};
}

void DeviceChannel::CloseDeviceHandles() {
    if (s_.st.g_hProbe != kInvalidHandle) {
        s_.hid.CloseHandle(s_.st.g_hProbe);
        s_.st.g_hProbe = kInvalidHandle;
    }
    if (s_.st.g_hHeldDevice != kInvalidHandle) {
        s_.hid.CloseHandle(s_.st.g_hHeldDevice);
        s_.st.g_hHeldDevice = kInvalidHandle;
    }
}

}  // namespace quillon
