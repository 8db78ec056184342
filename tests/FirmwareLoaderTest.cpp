#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "firmware/FirmwareChecksum.h"
#include "firmware/FirmwareHeader.h"
#include "firmware/FirmwareLoader.h"
#include "state/CollectingOperator.h"
#include "state/Texts.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

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

using Strings = std::vector<std::string>;

struct ModelCase {
    std::uint32_t code;
    std::uint8_t type;
    std::uint32_t targetPid;
    std::uint32_t bootPid;
    bool alternate;
    std::uint8_t frameFormat;
    std::uint32_t skipFinal;  // the file says 1
};

TEST_F(LoaderTest, ModelTableForEveryAcceptedCodeAndType) {
    const ModelCase cases[] = {
        {1, 0, 0x0110, 0x0111, false, 0, 1},   {1, 1, 0x0111, 0x0111, false, 0, 1},
        {3, 0, 0x0115, 0x0111, false, 0, 1},   {3, 1, 0x0115, 0x0111, false, 0, 1},
        {4, 0, 0x0115, 0x0111, false, 0, 1},   {4, 1, 0x0115, 0x0111, false, 0, 1},
        {5, 0, 0x0110, 0x0111, false, 0, 1},   {5, 1, 0x0120, 0x0120, false, 0, 1},
        {6, 0, 0x0115, 0x0111, true, 1, 0},    {6, 1, 0x0115, 0x0111, true, 1, 0},
        {7, 0, 0x0110, 0x0111, false, 0, 1},   {7, 1, 0x0121, 0x0121, false, 0, 1},
        {8, 0, 0x0115, 0x0111, false, 0, 1},   {8, 1, 0x0115, 0x0111, false, 0, 1},
        {10, 0, 0x0110, 0x0111, true, 2, 0},   {10, 1, 0x0110, 0x0111, true, 2, 0},
        {259, 0, 0x0115, 0x0111, false, 0, 1}, {259, 1, 0x0115, 0x0111, false, 0, 1},
        {264, 0, 0x0215, 0x0111, false, 0, 1}, {264, 1, 0x0215, 0x0111, false, 0, 1},
    };
    for (const ModelCase& c : cases) {
        SCOPED_TRACE("model " + std::to_string(c.code) + " type " + std::to_string(c.type));
        st_ = std::make_unique<SharedState>();
        EXPECT_EQ(Load(Pack(c.code, c.type)), Strings{});
        EXPECT_EQ(st_->g_targetVid, 0x0581u);
        EXPECT_EQ(st_->g_targetPid, c.targetPid);
        EXPECT_EQ(st_->g_bootVid, 0x0581u);
        EXPECT_EQ(st_->g_bootPid, c.bootPid);
        EXPECT_EQ(st_->g_opcodeTable, c.alternate ? kAlternateOpcodes : kStandardOpcodes);
        EXPECT_EQ(st_->g_frameFormat, c.frameFormat);
        EXPECT_EQ(st_->g_fwSkipFinal, c.skipFinal);
        EXPECT_EQ(st_->g_fwModel, c.code);
        EXPECT_EQ(st_->g_fwModelCode, c.code);
        EXPECT_EQ(st_->g_fwType, c.type);
        EXPECT_EQ(st_->g_fwStorage, 1u);
        EXPECT_EQ(st_->g_fwStartAddress, 0x1234u);
        EXPECT_EQ(st_->g_fwFinalArg, 0xCAFEu);
        // The target equals the boot-loader pair exactly for type 1 with models 1, 5, 7.
        const bool switchFirst = c.type == 1 && (c.code == 1 || c.code == 5 || c.code == 7);
        EXPECT_EQ(st_->g_targetPid == st_->g_bootPid, switchFirst);
    }
}

TEST_F(LoaderTest, RefusedModelCodes) {
    for (std::uint32_t code : {0u, 2u, 9u, 11u, 258u, 260u, 263u, 265u, 65535u}) {
        for (std::uint8_t type : {0, 1}) {
            SCOPED_TRACE(code);
            EXPECT_EQ(Load(Pack(code, type)), Strings{text::kUnsupportedModel});
            // Fields before the model check are already stored.
            EXPECT_EQ(st_->g_fwModel, code);
            EXPECT_EQ(st_->g_opcodeTable, kStandardOpcodes);
            EXPECT_EQ(st_->g_frameFormat, 0u);
        }
    }
}

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

TEST_F(LoaderTest, ModelValueWithHighBitsIsModel3) {
    EXPECT_EQ(Load(Pack(0x00010003)), Strings{});
    EXPECT_EQ(st_->g_fwModel, 0x00010003u);
    EXPECT_EQ(st_->g_fwModelCode, 3u);
    EXPECT_EQ(st_->g_targetPid, 0x0115u);
}

TEST_F(LoaderTest, Model6ThenModel3RestoresStandardSet) {
    ASSERT_EQ(Load(Pack(6)), Strings{});
    EXPECT_EQ(st_->g_fwSkipFinal, 0u);
    EXPECT_EQ(st_->g_opcodeTable, kAlternateOpcodes);
    EXPECT_EQ(st_->g_frameFormat, 1u);
    ASSERT_EQ(Load(Pack(3)), Strings{});
    EXPECT_EQ(st_->g_opcodeTable, kStandardOpcodes);
    EXPECT_EQ(st_->g_frameFormat, 0u);
    EXPECT_EQ(st_->g_fwSkipFinal, 1u);
}

TEST_F(LoaderTest, BootPairCarriesOverToTheNextFile) {
    ASSERT_EQ(Load(Pack(5, 1)), Strings{});
    ASSERT_EQ(Load(Pack(3, 1)), Strings{});
    EXPECT_EQ(st_->g_targetPid, 0x0115u);
    EXPECT_EQ(st_->g_bootPid, 0x0120u);
    // A type-1 model-1 file then sets the pair again; a type-1 model-3 file targets it first.
    ASSERT_EQ(Load(Pack(1, 1)), Strings{});
    EXPECT_EQ(st_->g_bootPid, 0x0111u);
}

TEST_F(LoaderTest, Type1RefusedModelKeepsTheBootPairAsTarget) {
    ASSERT_EQ(Load(Pack(7, 1)), Strings{});
    EXPECT_EQ(Load(Pack(2, 1)), Strings{text::kUnsupportedModel});
    EXPECT_EQ(st_->g_targetPid, 0x0121u);  // step 6 took the current boot-loader pair
}

TEST_F(LoaderTest, Type0Model7LeavesBootPair) {
    ASSERT_EQ(Load(Pack(7, 0)), Strings{});
    EXPECT_EQ(st_->g_targetPid, 0x0110u);
    EXPECT_EQ(st_->g_bootPid, 0x0111u);
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
