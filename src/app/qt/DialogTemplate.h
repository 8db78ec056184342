// The main dialog's template (app/MainDialogTemplate.h) as the Qt dialog reads it: its size and
// each control, in template order, with the kind of widget the control becomes.
#pragma once

#include <span>

#include "app/MainDialogTemplate.h"
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

inline constexpr int kPathBox = IDC_PATH;
inline constexpr int kBrowseButton = IDC_BROWSE;
inline constexpr int kUpdateButton = IDC_UPDATE;
inline constexpr int kProgressBar = IDC_PROGRESS;
inline constexpr int kReadBackCheck = IDC_READBACK_CHECK;
inline constexpr int kStatusLine = IDC_STATUS;
inline constexpr int kHiddenButton = IDC_HIDDEN_BUTTON;
inline constexpr int kStaticId = IDC_LABEL;  // both labels carry it; the first is the percentage

inline constexpr int kDialogWidthUnits = QUILLON_DIALOG_WIDTH;
inline constexpr int kDialogHeightUnits = QUILLON_DIALOG_HEIGHT;
inline constexpr int kDialogFontPoints = QUILLON_DIALOG_FONT_POINTS;

std::span<const ControlTemplate> MainDialogTemplate();

}  // namespace quillon::gui
