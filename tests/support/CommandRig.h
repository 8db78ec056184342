// The commands over a scripted platform, with a firmware file of the chosen model loaded.
#pragma once

#include <gtest/gtest.h>

#include "firmware/FirmwareHeader.h"
#include "firmware/FirmwareLoader.h"
#include "protocol/Receiver.h"
#include "state/CollectingOperator.h"
#include "support/ScriptedHid.h"
#include "support/TempDir.h"

namespace quillon::test {

struct CommandRig {
    explicit CommandRig(std::uint32_t model = 3) {
        Model(model);
        st->SetHidCaps({1, 0xFF00, 64, 64});
    }
    void Model(std::uint32_t model) {
        FirmwareFields f;
        f.model = model;
        op.SetPath(dir.Write("m.fw", PackFirmware(f, {1, 2, 3, 4})));
        ASSERT_FALSE(FirmwareLoader(*st, op, files).LoadFirmwareFile());
        op.Clear();
    }
    std::vector<std::uint8_t> Frame(std::size_t i = 0) const { return hid.written.at(i); }

    TempDir dir;
    std::unique_ptr<SharedState> st = std::make_unique<SharedState>();
    ScriptedHid hid;
    CollectingOperator op;
    StdFileSystem files;
    LinkServices s{*st, hid, op, files};
    Receiver rx{s};
    Channel ch{12, 13};
};

}  // namespace quillon::test
