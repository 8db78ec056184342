#include "app/qt/DialogTemplate.h"

#include <cstdint>

#include "app/qt/Win32Styles.h"

namespace quillon::gui {

namespace {

// What a control becomes follows from its class and the type bits of its style, as on Windows.
struct KindRule {
    const char* className;
    std::uint32_t typeMask, type;
    ControlKind kind;
};
constexpr KindRule kKindRules[] = {
    {"Edit", 0, 0, ControlKind::kEdit},
    {"Button", BS_TYPEMASK, BS_PUSHBUTTON, ControlKind::kPushButton},
    {"Button", BS_TYPEMASK, BS_AUTOCHECKBOX, ControlKind::kCheckBox},
    {"Static", SS_TYPEMASK, SS_LEFT, ControlKind::kLabel},
    {"Static", SS_TYPEMASK, SS_CENTER, ControlKind::kCentredLabel},
    {"msctls_progress32", 0, 0, ControlKind::kProgressBar},
};

// The name of a system class the template gives by ordinal.
constexpr const char* ClassName(int ordinal) {
    switch (ordinal) {
        case QUILLON_CLASS_BUTTON:
            return "Button";
        case QUILLON_CLASS_EDIT:
            return "Edit";
        case QUILLON_CLASS_STATIC:
            return "Static";
    }
    return "";
}
constexpr const char* ClassName(const char* name) {
    return name;
}

// Windows compares class names without regard to case.
constexpr bool SameClassName(const char* a, const char* b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (; *a != '\0' && lower(*a) == lower(*b); ++a, ++b) {
    }
    return lower(*a) == lower(*b);
}

// Reached only for a row the Qt dialog has no widget for; the table is evaluated at compile time,
// where calling this is an error, so such a row stops the build.
void NoWidgetForThisControl() {}

constexpr ControlKind KindOf(const char* className, std::uint32_t style) {
    for (const KindRule& rule : kKindRules) {
        if (SameClassName(className, rule.className) && (style & rule.typeMask) == rule.type) {
            return rule.kind;
        }
    }
    NoWidgetForThisControl();
    return ControlKind::kLabel;
}

constexpr ControlTemplate Row(const char* text, int id, const char* className, std::uint32_t style,
                              UnitRect rect) {
    return {id, KindOf(className, style), text, (style & WS_VISIBLE) != 0, rect};
}

#define QUILLON_QT_CONTROL(text, id, cls, style, x, y, cx, cy) \
    Row(text, id, ClassName(cls), style, {x, y, cx, cy}),
constexpr ControlTemplate kControls[] = {QUILLON_MAIN_DIALOG_CONTROLS(QUILLON_QT_CONTROL)};
#undef QUILLON_QT_CONTROL

}  // namespace

std::span<const ControlTemplate> MainDialogTemplate() {
    return kControls;
}

}  // namespace quillon::gui
