#include "firmware/FirmwareLoader.h"

#include "firmware/FirmwareHeader.h"
#include "firmware/ModelProfile.h"
#include "firmware/SummedRead.h"
#include "state/Texts.h"

namespace quillon {

namespace {

constexpr std::uint64_t kAddressSpace = std::uint64_t{1} << 32;

}  // namespace

bool FirmwareLoader::Refuse(const char* text) {
    op_.ShowMessage(text);
    return true;
}

bool FirmwareLoader::LoadFirmwareFile(bool keepWholeFile) {
    st_.g_strFirmwarePath = op_.ReadPathBox();
    st_.g_cbValidatedFile = 0;
    st_.g_pModelProfile = nullptr;
    std::unique_ptr<ReadableFile> file = files_.OpenRead(st_.g_strFirmwarePath);
    std::uint64_t realLength = 0;
    if (!file || !file->Length(realLength)) {
        st_.phases.Explain(files_.LastError());
        return Refuse(text::kSelectFile);
    }

    // A file that cannot hold the header, or that would not fit the buffer, is bad data: no
    // header field is read past what was read and nothing is written past the buffer.
    if (realLength < kHeaderSize || realLength > kFileBufferSize) return Refuse(text::kBadData1);
    const auto length = static_cast<std::uint32_t>(realLength);
    std::uint8_t* buf = st_.g_fileBuffer.get();
    SummedRead read;
    if (!ReadSummed(*file, length, buf, keepWholeFile, kHeaderSize, read)) {
        st_.phases.Explain("cannot read " + st_.g_strFirmwarePath + ": a read failed");
        return Refuse(text::kSelectFile);
    }
    file.reset();
    if (read.got != length) return Refuse(text::kBadData1);  // shrank while being read

    // Check 1: data length; check 2: the 32-bit checksum over everything after it.
    if (length - 8 != ReadLe32(buf + header::kDataLength)) return Refuse(text::kBadData1);
    if (read.checksum != ReadLe32(buf + header::kChecksum)) return Refuse(text::kBadData2);

    // Check 3: the type byte, stored before it is judged.
    st_.g_fwType = buf[header::kType];
    if (st_.g_fwType == 0) {
        st_.g_targetVid = st_.g_type0Vid;
        st_.g_targetPid = st_.g_type0Pid;
    } else if (st_.g_fwType == 1) {
        st_.g_targetVid = st_.g_bootVid;
        st_.g_targetPid = st_.g_bootPid;
    } else {
        return Refuse(text::kBadData3);
    }

    st_.g_fwStorage = buf[header::kStorage];
    st_.g_fwStartAddress = ReadLe32(buf + header::kStartAddress);
    st_.g_fwSkipFinal = buf[header::kSkipFinal];
    st_.g_fwFinalArg = ReadLe32(buf + header::kFinalArg);
    st_.g_fwModel = ReadLe32(buf + header::kModel);
    st_.g_fwModelCode = st_.g_fwModel & 0xFFFF;
    st_.g_opcodeTable = kStandardOpcodes;
    st_.g_frameFormat = FRAME_CRC;

    // Check 4: the model table.
    const ModelProfile* row = FindModelProfile(st_.g_fwModelCode);
    if (row == nullptr) return Refuse(text::kUnsupportedModel);
    st_.g_opcodeTable = row->opcodes;
    if (row->skipsFinalJumpFlag) st_.g_fwSkipFinal = 0;
    st_.g_frameFormat = row->frameFormat;
    const UsbIdentity target = st_.g_fwType == 1 ? row->type1Target : row->type0Target;
    st_.g_targetVid = target.vid;
    st_.g_targetPid = target.pid;
    if (st_.g_fwType == 1 && row->type1SetsBootPair) {
        st_.g_bootVid = target.vid;
        st_.g_bootPid = target.pid;
    }

    // Check 5: the zero word.
    if (ReadLe32(buf + header::kZeroWord) != 0) return Refuse(text::kBadUpgradeData);
    // An image that runs past the top of the 32-bit address space would have its last blocks
    // erased and written at addresses wrapped round to the bottom, where the boot loader is.
    if (std::uint64_t{st_.g_fwStartAddress} + (length - kHeaderSize) > kAddressSpace) {
        return Refuse(text::kBadUpgradeData);
    }

    st_.g_cbValidatedFile = length;
    st_.g_pModelProfile = row;
    return false;
}

}  // namespace quillon
