#include "app/qt/DialogTemplate.h"

namespace quillon::gui {

namespace {

constexpr ControlTemplate kControls[] = {
    {kPathBox, ControlKind::kEdit, "", true, {14, 25, 104, 14}},
    {kBrowseButton, ControlKind::kPushButton, "파일찾기", true, {120, 25, 36, 14}},
    {kUpdateButton, ControlKind::kPushButton, "업데이트", true, {60, 56, 50, 14}},
    {kProgressBar, ControlKind::kProgressBar, "", true, {7, 79, 126, 14}},
    {kStaticId, ControlKind::kLabel, "0%", true, {137, 81, 19, 8}},
    {kStaticId, ControlKind::kLabel, "다운로드할 파일을 선택하세요", true, {7, 7, 107, 8}},
    {kReadBackCheck, ControlKind::kCheckBox, "回读校验", false, {11, 51, 44, 10}},
    {kStatusLine, ControlKind::kCentredLabel, " ", true, {10, 98, 138, 8}},
    {kHiddenButton, ControlKind::kPushButton, "Button3", false, {125, 52, 31, 14}},
};

}  // namespace

std::span<const ControlTemplate> MainDialogTemplate() {
    return kControls;
}

}  // namespace quillon::gui
