// How the kernel's answers on a hidraw node map onto transfer outcomes: which errors mean that the
// device has gone away, as seen when a device vanishes under an open node.
#pragma once

#include <string>

#include "hid/HidPlatform.h"

namespace quillon::hidraw {

// The outcome of a read or write that failed with errno err: ENODEV and EIO mean the device is
// gone, anything else is a plain failure.
TransferStart OutcomeOfErrno(int err);

// Whether poll()'s revents say that the node's device is gone (POLLHUP or POLLERR).
bool PollSaysGone(short revents);

// errno err in the system's words, its name first: "EACCES: Permission denied".
std::string ErrnoText(int err);

}  // namespace quillon::hidraw
