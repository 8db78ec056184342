// Opening channels on a device path and closing the handles that discovery keeps.
#pragma once

#include <string>

#include "hid/LinkServices.h"

namespace quillon {

class DeviceChannel {
  public:
    explicit DeviceChannel(LinkServices& s) : s_(s) {}

    // An overlapped read/write handle on path and a new signalled event, installed in
    // g_Overlapped. Neither is tested: a path that cannot be opened gives kInvalidHandle.
    Channel OpenChannel(const std::string& path);
    // Closes both handles of a channel and marks them empty.
    void CloseChannel(Channel& channel);
    // Closes the probe and held handles, each only when it is open.
    void CloseDeviceHandles();

  private:
    LinkServices& s_;
};

}  // namespace quillon
