// A fixture that loads firmware files with the real loader into fresh shared state and records
// the texts it shows.
#pragma once

#include <gtest/gtest.h>

#include "firmware/FirmwareChecksum.h"
#include "firmware/FirmwareHeader.h"
#include "firmware/FirmwareLoader.h"
#include "state/CollectingOperator.h"
#include "support/TempDir.h"

namespace quillon::test {

using Bytes = std::vector<std::uint8_t>;

class LoaderTest : public ::testing::Test {
  protected:
    // Loads bytes as a file; returns the texts shown (empty when accepted).
    std::vector<std::string> Load(const Bytes& file, bool* refused = nullptr) {
        const std::string path = dir_.Write("f" + std::to_string(n_++) + ".fw", file);
        return LoadPath(path, refused);
    }
    std::vector<std::string> LoadPath(const std::string& path, bool* refused = nullptr) {
        op_.Clear();
        op_.SetPath(path);
        const bool r = FirmwareLoader(*st_, op_, files_).LoadFirmwareFile();
        if (refused) *refused = r;
        EXPECT_EQ(r, !op_.Messages().empty());
        return op_.Messages();
    }
    static Bytes Pack(std::uint32_t model, std::uint8_t type = 0, std::size_t imageSize = 100) {
        FirmwareFields f;
        f.model = model;
        f.type = type;
        f.skipFinal = 1;
        f.startAddress = 0x1234;
        f.finalArg = 0xCAFE;
        f.storage = 1;
        return PackFirmware(f, test::RandomBytes(imageSize, model));
    }
    // Rewrites the checksum field after the body was changed.
    static void Reseal(Bytes& file) {
        WriteLe32(file.data() + 4,
                  FirmwareChecksum(file.data() + 8, static_cast<std::uint32_t>(file.size() - 8)));
    }

    test::TempDir dir_;
    int n_ = 0;
    std::unique_ptr<SharedState> st_ = std::make_unique<SharedState>();
    CollectingOperator op_;
    StdFileSystem files_;
};

}  // namespace quillon::test
