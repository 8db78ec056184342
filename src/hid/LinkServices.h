// The references every operation of the link and the protocol works through.
#pragma once

#include "firmware/FileSystem.h"
#include "hid/HidPlatform.h"
#include "state/Operator.h"
#include "state/SharedState.h"

namespace quillon {

struct LinkServices {
    SharedState& st;
    HidPlatform& hid;
    Operator& op;
    FileSystem& files;
};

}  // namespace quillon
