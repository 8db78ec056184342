// The references every operation of the link and the protocol works through.
#pragma once

#include "app/Operator.h"
#include "firmware/FileSystem.h"
#include "hid/HidPlatform.h"
#include "state/SharedState.h"

namespace quillon {

struct LinkServices {
    SharedState& st;
    HidPlatform& hid;
    Operator& op;
    FileSystem& files;
};

}  // namespace quillon
