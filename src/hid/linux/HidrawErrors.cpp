#include "hid/linux/HidrawErrors.h"

#include <poll.h>

#include <string.h>

#include <cerrno>
#include <system_error>

namespace quillon::hidraw {

// After a device vanishes, hidraw answers a write with ENODEV, a read with EIO and poll() with
// POLLHUP | POLLERR (next to POLLOUT).
TransferStart OutcomeOfErrno(int err) {
    return err == ENODEV || err == EIO ? TransferStart::kDeviceGone : TransferStart::kFailed;
}

bool PollSaysGone(short revents) {
    return (revents & (POLLHUP | POLLERR)) != 0;
}

std::string ErrnoText(int err) {
    const char* name = ::strerrorname_np(err);
    const std::string words = std::generic_category().message(err);
    return (name != nullptr ? std::string(name) : "errno " + std::to_string(err)) + ": " + words;
}

}  // namespace quillon::hidraw
