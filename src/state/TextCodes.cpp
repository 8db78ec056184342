#include "state/TextCodes.h"

#include "state/Texts.h"

namespace quillon {

namespace {

constexpr TextCode kCodes[] = {
    {text::kSelectFile, "file-unreadable", "the firmware file cannot be opened or read"},
    {text::kBadData1, "file-length", "the file's length does not match its header"},
    {text::kBadData2, "file-checksum", "the file's checksum does not match its contents"},
    {text::kBadData3, "file-type", "the file's type is neither 0 nor 1"},
    {text::kUnsupportedModel, "file-model", "the file is for a model this program does not know"},
    {text::kBadUpgradeData, "file-content",
     "the file's reserved word is not zero, or its image runs past the address space"},
    {text::kBurnTimeout, "timeout", "the device did not answer in time"},
    {text::kReadBurnFailed, "read-send-failed", "a request to read flash back could not be sent"},
    {text::kMcuReadVerifyFailed, "read-no-answer",
     "the device did not answer a request to read flash back"},
    {text::kCommandError, "command-error", "the device answered a command with an error"},
    {text::kBurnFailed, "start-send-failed", "the command to start the firmware could not be sent"},
    {text::kVerifyFailed, "verify-failed",
     "the device did not confirm the start, or flash read back differs from the file"},
    {text::kSpiEraseBurnFailed, "spi-erase-send-failed", "an SPI erase could not be sent"},
    {text::kSpiEraseFailed, "spi-erase-no-answer", "the device did not answer an SPI erase"},
    {text::kSpiReadBurnFailed, "spi-read-send-failed", "an SPI read could not be sent"},
    {text::kSpiReadVerifyFailed, "spi-read-no-answer", "the device did not answer an SPI read"},
    {text::kSpiWriteBurnFailed, "spi-write-send-failed", "an SPI write could not be sent"},
    {text::kSpiWriteVerifyFailed, "spi-write-no-answer", "the device did not answer an SPI write"},
    {text::kNewerDevice, "newer-device", "the device is newer than this program knows"},
    {text::kFirmwareMismatchBang, "model-mismatch", "the device is not the model the file is for"},
    {text::kFirmwareMismatch, "device-mismatch",
     "the device found does not take this file, or refused to switch for it"},
    {text::kUsbConnectFailed, "usb-connect-failed",
     "no device that the file fits was found or answered"},
    {text::kNoFile, "no-file",
     "the read-back log cannot be kept, or the firmware file cannot be read again"},
    {text::kNoDevice, "no-device", "the device cannot be opened for programming"},
    {text::kNoBluetoothModule, "no-bluetooth-module", "the Bluetooth module did not wake"},
    {text::kNoModule, "no-module", "the module did not wake"},
    {text::kEraseFailed, "erase-failed", "the device did not erase its flash"},
    {text::kEraseRetriesFailed, "erase-retries-failed", "erasing a block failed at every try"},
    {text::kWriteVerifyFailed, "write-failed", "the device did not confirm a write"},
    {text::kWriteRetriesFailed, "write-retries-failed", "writing a block failed at every try"},
    {text::kInProgress, "in-progress", "programming has begun"},
    {text::kDone, "done", "the device is updated"},
};

}  // namespace

std::span<const TextCode> TextCodes() {
    return kCodes;
}

TextCode CodeOfText(std::string_view text) {
    for (const TextCode& c : kCodes) {
        if (text == c.text) return c;
    }
    return {"", "other", ""};
}

}  // namespace quillon
