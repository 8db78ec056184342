#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "firmware/FirmwareChecksum.h"
#include "firmware/FirmwareHeader.h"
#include "firmware/FirmwareLoader.h"
#include "state/CollectingOperator.h"
#include "state/Texts.h"
#include "support/LoaderFixture.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

using Bytes = std::vector<std::uint8_t>;

using test::LoaderTest;

using Strings = std::vector<std::string>;

struct CheckCase {
    const char* name;
    std::function<void(Bytes&)> spoil;
    Strings texts;
};

TEST_F(LoaderTest, EachCheckReportsOnlyTheFirstFailure) {
    auto badLength = [](Bytes& f) { f[0] ^= 1; };
    auto badChecksum = [](Bytes& f) { f[4] ^= 1; };
    auto type2 = [](Bytes& f) { f[8] = 2; };
    auto model9 = [](Bytes& f) { f[24] = 9; };
    auto zeroWord = [](Bytes& f) { f[33] = 1; };
    const CheckCase cases[] = {
        {"length", badLength, {text::kBadData1}},
        {"length+checksum", [&](Bytes& f) { badChecksum(f), badLength(f); }, {text::kBadData1}},
        {"checksum", badChecksum, {text::kBadData2}},
        {"checksum+type", [&](Bytes& f) { type2(f), badChecksum(f); }, {text::kBadData2}},
        {"type", [&](Bytes& f) { type2(f), Reseal(f); }, {text::kBadData3}},
        {"type+model", [&](Bytes& f) { type2(f), model9(f), Reseal(f); }, {text::kBadData3}},
        {"model", [&](Bytes& f) { model9(f), Reseal(f); }, {text::kUnsupportedModel}},
        {"model+zero",
         [&](Bytes& f) { model9(f), zeroWord(f), Reseal(f); },
         {text::kUnsupportedModel}},
        {"zero word", [&](Bytes& f) { zeroWord(f), Reseal(f); }, {text::kBadUpgradeData}},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes f = Pack(3);
        c.spoil(f);
        EXPECT_EQ(Load(f), c.texts);
    }
}

TEST_F(LoaderTest, ChecksumHoldingOnly16BitsIsRefused) {
    Bytes f = Pack(3, 0, 500);
    const std::uint32_t full =
        FirmwareChecksum(f.data() + 8, static_cast<std::uint32_t>(f.size() - 8));
    ASSERT_NE(full >> 16, 0u);
    WriteLe32(f.data() + 4, full & 0xFFFF);
    EXPECT_EQ(Load(f), Strings{text::kBadData2});
}

TEST_F(LoaderTest, LengthFieldOffByOneEitherWay) {
    for (int delta : {-1, +1}) {
        Bytes f = Pack(3);
        WriteLe32(f.data(), ReadLe32(f.data()) + delta);
        Reseal(f);
        EXPECT_EQ(Load(f), Strings{text::kBadData1}) << delta;
    }
}

TEST_F(LoaderTest, Type2IsRefusedAndStaysStored) {
    Bytes f = Pack(3);
    f[8] = 2;
    Reseal(f);
    EXPECT_EQ(Load(f), Strings{text::kBadData3});
    EXPECT_EQ(st_->g_fwType, 2u);
}

TEST_F(LoaderTest, NonZeroWordRefusedAfterTheModelWasApplied) {
    Bytes f = Pack(10, 1);
    f[32] = 0x80;
    Reseal(f);
    EXPECT_EQ(Load(f), Strings{text::kBadUpgradeData});
    EXPECT_EQ(st_->g_targetPid, 0x0110u);
    EXPECT_EQ(st_->g_opcodeTable, kAlternateOpcodes);
    EXPECT_EQ(st_->g_frameFormat, 2u);
}

// Start plus image length may reach 2^32 but not pass it, for either storage; the earlier
// checks keep their order and texts.
TEST_F(LoaderTest, ImagePastTheTopOfTheAddressSpaceIsRefusedLast) {
    struct Row {
        std::uint8_t storage;
        std::uint32_t start;
        std::uint32_t model;
        std::uint32_t zeroWord;
        Strings texts;
    };
    constexpr std::uint32_t kTop = 0xFFFFFFFFu - 100 + 1;  // start + 100 = 2^32
    const Row rows[] = {
        {0, kTop, 3, 0, {}},
        {1, kTop, 3, 0, {}},
        {0, kTop + 1, 3, 0, {text::kBadUpgradeData}},
        {1, kTop + 1, 3, 0, {text::kBadUpgradeData}},
        {0, 0xFFFFF000u, 3, 0, {text::kBadUpgradeData}},  // 20 KB: the second block at 0
        {0, kTop + 1, 9, 0, {text::kUnsupportedModel}},
        {1, kTop + 1, 3, 1, {text::kBadUpgradeData}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.storage) + " " + std::to_string(r.start));
        FirmwareFields f;
        f.storage = r.storage;
        f.startAddress = r.start;
        f.model = r.model;
        f.zeroWord = r.zeroWord;
        const std::size_t size = r.start == 0xFFFFF000u ? 20000 : 100;
        EXPECT_EQ(Load(PackFirmware(f, test::RandomBytes(size, 5))), r.texts);
    }
}

TEST_F(LoaderTest, UnopenablePaths) {
    EXPECT_EQ(LoadPath(""), Strings{text::kSelectFile});
    EXPECT_EQ(LoadPath(dir_.File("missing.fw")), Strings{text::kSelectFile});
    EXPECT_EQ(LoadPath(dir_.Path().string()), Strings{text::kSelectFile});  // a directory
    EXPECT_EQ(st_->g_strFirmwarePath, dir_.Path().string());
}

TEST_F(LoaderTest, ShortAndOversizedFilesAreBadData) {
    for (std::size_t size : {0u, 1u, 7u, 8u, 35u}) {
        Bytes f(size, 0);
        if (size >= 8) WriteLe32(f.data(), static_cast<std::uint32_t>(size - 8));
        EXPECT_EQ(Load(f), Strings{text::kBadData1}) << size;
    }
    // The smallest valid file is the header alone.
    EXPECT_EQ(Load(Pack(3, 0, 0)), Strings{});
    // One byte more than the buffer is refused; the buffer's end is never written.
    Bytes big = Pack(3, 0, kFileBufferSize - kHeaderSize + 1);
    EXPECT_EQ(Load(big), Strings{text::kBadData1});
    EXPECT_EQ(Load(Pack(3, 0, kFileBufferSize - kHeaderSize)), Strings{});
    EXPECT_EQ(st_->g_cbValidatedFile, kFileBufferSize);
}

// The file is read and summed in pieces (of 128 KiB): a change anywhere, at a piece's edge or in
// the last byte, is refused alike whether the file is kept (an update) or only checked (inspect),
// and a file only checked leaves no more than its header in the buffer.
TEST_F(LoaderTest, FilesReadInPiecesAreCheckedAlikeKeptOrNot) {
    constexpr std::size_t kPiece = 128 * 1024;
    for (std::size_t image : {kPiece - kHeaderSize, kPiece - kHeaderSize + 1, 2 * kPiece + 7}) {
        const Bytes good = Pack(3, 0, image);
        for (std::size_t spoilAt : {std::size_t{0}, kPiece - 1, kPiece, good.size() - 1}) {
            if (spoilAt >= good.size()) continue;
            SCOPED_TRACE("file of " + std::to_string(good.size()) + ", byte " +
                         std::to_string(spoilAt));
            Bytes f = good;
            if (spoilAt != 0) f[spoilAt] ^= 0x40;
            const Strings texts = spoilAt == 0 ? Strings{} : Strings{text::kBadData2};
            EXPECT_EQ(Load(f), texts);
            const std::string path = dir_.Write("c" + std::to_string(n_++) + ".fw", f);
            auto fresh = std::make_unique<SharedState>();
            op_.Clear();
            op_.SetPath(path);
            EXPECT_EQ(FirmwareLoader(*fresh, op_, files_).CheckFirmwareFile(), !texts.empty());
            EXPECT_EQ(op_.Messages(), texts);
            EXPECT_TRUE(std::equal(f.begin(), f.begin() + kHeaderSize, fresh->g_fileBuffer.get()));
            const std::uint8_t* after = fresh->g_fileBuffer.get() + kHeaderSize;
            EXPECT_TRUE(std::all_of(after, after + f.size() - kHeaderSize,
                                    [](std::uint8_t b) { return b == 0; }));
        }
    }
}

TEST_F(LoaderTest, AcceptedFileLandsInTheBuffer) {
    const Bytes f = Pack(8, 1, 3000);
    ASSERT_EQ(Load(f), Strings{});
    EXPECT_TRUE(std::equal(f.begin(), f.end(), st_->g_fileBuffer.get()));
    EXPECT_EQ(st_->g_cbValidatedFile, f.size());
}

}  // namespace
}  // namespace quillon
