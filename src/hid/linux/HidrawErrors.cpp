#include "hid/linux/HidrawErrors.h"

#include <poll.h>

#include <cerrno>

namespace quillon::hidraw {

// After a device vanishes, hidraw answers a write with ENODEV, a read with EIO and poll() with
// POLLHUP | POLLERR (next to POLLOUT).
TransferStart OutcomeOfErrno(int err) {
    return err == ENODEV || err == EIO ? TransferStart::kDeviceGone : TransferStart::kFailed;
}

bool PollSaysGone(short revents) {
    return (revents & (POLLHUP | POLLERR)) != 0;
}

}  // namespace quillon::hidraw
