// The main dialog's template as data: its size and each control, in template order (which is
// also the tab order and the order in which a control is looked up by identifier).
#pragma once

#include <span>

#include "app/qt/DialogUnits.h"

namespace quillon::gui {

enum class ControlKind { kEdit, kPushButton, kProgressBar, kLabel, kCentredLabel, kCheckBox };

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;  // UTF-8
    bool shown;
    UnitRect rect;  // dialog units
};

inline constexpr int kPathBox = 1000;
inline constexpr int kBrowseButton = 1001;
inline constexpr int kUpdateButton = 1002;
inline constexpr int kProgressBar = 1010;
inline constexpr int kReadBackCheck = 1012;
inline constexpr int kStatusLine = 1013;
inline constexpr int kHiddenButton = 1014;
inline constexpr int kStaticId = -1;  // both labels carry it; the first is the percentage label

inline constexpr int kDialogWidthUnits = 163;
inline constexpr int kDialogHeightUnits = 117;
inline constexpr int kDialogFontPoints = 9;
inline constexpr char kTemplateCaption[] = "Quillon";
inline constexpr char kCaption[] = "TARVO Update Tool V2";

std::span<const ControlTemplate> MainDialogTemplate();

}  // namespace quillon::gui
