#include "app/qt/DialogTemplate.h"

#include <cstdint>

#include "app/qt/Win32Styles.h"

namespace quillon::gui {

namespace {

// Reached only for a row the Qt dialog has no widget for; the table is evaluated at compile time,
// where calling this is an error, so such a row stops the build.
void NoWidgetForThisControl() {}

constexpr ControlKind ButtonKind(std::uint32_t style) {
    switch (style & BS_TYPEMASK) {
        case BS_PUSHBUTTON:
            return ControlKind::kPushButton;
        case BS_AUTOCHECKBOX:
            return ControlKind::kCheckBox;
    }
    NoWidgetForThisControl();
    return ControlKind::kPushButton;
}

constexpr ControlKind StaticKind(std::uint32_t style) {
    switch (style & SS_TYPEMASK) {
        case SS_LEFT:
            return ControlKind::kLabel;
        case SS_CENTER:
            return ControlKind::kCentredLabel;
    }
    NoWidgetForThisControl();
    return ControlKind::kLabel;
}

// What a control is follows from its class and the type bits of its style, as on Windows.
constexpr ControlKind KindOf(int classOrdinal, std::uint32_t style) {
    switch (classOrdinal) {
        case QUILLON_CLASS_EDIT:
            return ControlKind::kEdit;
        case QUILLON_CLASS_BUTTON:
            return ButtonKind(style);
        case QUILLON_CLASS_STATIC:
            return StaticKind(style);
    }
    NoWidgetForThisControl();
    return ControlKind::kLabel;
}

// Windows compares class names without regard to case.
constexpr bool SameClassName(const char* a, const char* b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (; *a != '\0' && lower(*a) == lower(*b); ++a, ++b) {
    }
    return lower(*a) == lower(*b);
}

constexpr ControlKind KindOf(const char* className, std::uint32_t style) {
    if (SameClassName(className, "Edit")) return KindOf(QUILLON_CLASS_EDIT, style);
    if (SameClassName(className, "Button")) return KindOf(QUILLON_CLASS_BUTTON, style);
    if (SameClassName(className, "Static")) return KindOf(QUILLON_CLASS_STATIC, style);
    if (SameClassName(className, "msctls_progress32")) return ControlKind::kProgressBar;
    NoWidgetForThisControl();
    return ControlKind::kLabel;
}

#define QUILLON_QT_CONTROL(text, id, cls, style, x, y, cx, cy) \
    ControlTemplate{id, KindOf(cls, style), text, ((style)&WS_VISIBLE) != 0, {x, y, cx, cy}},
constexpr ControlTemplate kControls[] = {QUILLON_MAIN_DIALOG_CONTROLS(QUILLON_QT_CONTROL)};
#undef QUILLON_QT_CONTROL

}  // namespace

std::span<const ControlTemplate> MainDialogTemplate() {
    return kControls;
}

}  // namespace quillon::gui
