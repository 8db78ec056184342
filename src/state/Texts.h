// The fixed texts that the system shows the operator, byte for byte (UTF-8).
#pragma once

// The dialog template's texts are macros as well: the resource script (Quillon.rc) takes them
// from here through the preprocessor, and the constants below are defined from them, so each
// text is written once. Everything else in this file is C++, which the resource compiler skips.
#define QUILLON_TEXT_TEMPLATE_CAPTION "Quillon"
#define QUILLON_TEXT_INSTRUCTION "다운로드할 파일을 선택하세요"
#define QUILLON_TEXT_BROWSE "파일찾기"
#define QUILLON_TEXT_UPDATE "업데이트"
#define QUILLON_TEXT_READ_BACK_CHECK "回读校验"
#define QUILLON_TEXT_ZERO_PERCENT "0%"
#define QUILLON_TEXT_BLANK " "
#define QUILLON_TEXT_HIDDEN_BUTTON "Button3"

#ifndef RC_INVOKED

namespace quillon::text {

// Firmware file refusals.
inline constexpr char kSelectFile[] = "업그레이드 파일을 선택해주세요!";
inline constexpr char kBadData1[] = "非法数据1！";
inline constexpr char kBadData2[] = "非法数据2！";
inline constexpr char kBadData3[] = "非法数据3！";
inline constexpr char kUnsupportedModel[] = "此软件版本不支持此固件，请联系厂商获取新版本的软件！";
inline constexpr char kBadUpgradeData[] = "升级数据不正确，请联系厂商！";

// Transport and commands.
inline constexpr char kBurnTimeout[] = "烧录超时!";
inline constexpr char kReadBurnFailed[] = "Read烧录失败!";
inline constexpr char kMcuReadVerifyFailed[] = "MCU读取校验失败!";
inline constexpr char kCommandError[] = "命令返回错误!";
inline constexpr char kBurnFailed[] = "烧录失败!";
inline constexpr char kVerifyFailed[] = "校验失败!";
inline constexpr char kSpiEraseBurnFailed[] = "Erase烧录失败!";
inline constexpr char kSpiEraseFailed[] = "SPI擦除失败!";
inline constexpr char kSpiReadBurnFailed[] = "SPI读取烧录失败!";
inline constexpr char kSpiReadVerifyFailed[] = "SPI读取校验失败!";
inline constexpr char kSpiWriteBurnFailed[] = "WRITE烧录失败!";
inline constexpr char kSpiWriteVerifyFailed[] = "SPI写入校验失败!";

// Identification.
inline constexpr char kNewerDevice[] = "发现新版本设备，请联系厂商更新此软件版本!";
inline constexpr char kFirmwareMismatchBang[] = "固件与设备不匹配，无法加载，请查看固件是否正确!";

// Worker.
inline constexpr char kFirmwareMismatch[] = "固件与设备不匹配，无法加载，请查看固件是否正确";
inline constexpr char kUsbConnectFailed[] = "USB연결실패";

// Programming sequence.
inline constexpr char kNoFile[] = "没有文件!";
inline constexpr char kNoDevice[] = "设备不存在";
inline constexpr char kNoBluetoothModule[] = "未找到蓝牙模块";
inline constexpr char kNoModule[] = "未找到模块";
inline constexpr char kEraseFailed[] = "擦除失败!";
inline constexpr char kEraseRetriesFailed[] = "擦除多次重试,校验失败!";
inline constexpr char kWriteVerifyFailed[] = "写入校验失败!";
inline constexpr char kWriteRetriesFailed[] = "多次写入重试,校验失败!";
inline constexpr char kInProgress[] = "진행중...";
inline constexpr char kDone[] = "완료";

// Dialog.
inline constexpr char kCaption[] = "TARVO Update Tool V2";
inline constexpr char kTemplateCaption[] = QUILLON_TEXT_TEMPLATE_CAPTION;  // replaced at start
inline constexpr char kInstruction[] = QUILLON_TEXT_INSTRUCTION;
inline constexpr char kBrowse[] = QUILLON_TEXT_BROWSE;
inline constexpr char kUpdate[] = QUILLON_TEXT_UPDATE;
inline constexpr char kReadBackCheck[] = QUILLON_TEXT_READ_BACK_CHECK;
inline constexpr char kZeroPercent[] = QUILLON_TEXT_ZERO_PERCENT;  // the percentage label's first
inline constexpr char kBlank[] = QUILLON_TEXT_BLANK;               // the status line's first
inline constexpr char kHiddenButton[] = QUILLON_TEXT_HIDDEN_BUTTON;

}  // namespace quillon::text

#endif  // RC_INVOKED
