// The dialog as its template creates it, compared with the one template (app/MainDialogTemplate.h):
// window styles, size and font, every control in order with its identifier, class, text, rectangle
// and styles, and the state after initialisation.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "app/MainDialogTemplate.h"
#include "app/win32/resource.h"
#include "hid/win32/WideText.h"
#include "state/Texts.h"
#include "win32/dialog/DialogRig.h"

namespace quillon::test {
namespace {

std::wstring Wide(const char* utf8) {
    return win32::WideFromUtf8(utf8);
}

std::wstring ClassOf(HWND w) {
    wchar_t name[64] = L"";
    return std::wstring(name, ::GetClassNameW(w, name, 64));
}

// Position and size in dialog units, as the dialog manager converts them (each on its own).
RECT Pixels(HWND dialog, int x, int y, int cx, int cy) {
    RECT r{x, y, cx, cy};
    ::MapDialogRect(dialog, &r);
    return r;  // left, top, width, height
}

RECT ClientRectOf(HWND dialog, HWND child) {
    RECT r;
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The dialog template as stored in the program: the DLGTEMPLATEEX header and its items.
struct TemplateItem {
    DWORD exStyle = 0, style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    LONG id = 0;
    std::wstring cls, text;
};
struct Template {
    DWORD exStyle = 0, style = 0;
    short cx = 0, cy = 0;
    std::wstring caption, font;
    WORD pointSize = 0;
    std::vector<TemplateItem> items;
};

class TemplateReader {
  public:
    explicit TemplateReader(const BYTE* p) : p_(p) {}
    WORD Word() { return Take<WORD>(); }
    DWORD Dword() { return Take<DWORD>(); }
    short Short() { return Take<short>(); }
    // A string, or an ordinal (0xFFFF then the number) given back as "#number".
    std::wstring SzOrOrd() {
        const WORD first = Word();
        if (first == 0xFFFF) return L"#" + std::to_wstring(Word());
        std::wstring s;
        for (WORD c = first; c != 0; c = Word()) s.push_back(static_cast<wchar_t>(c));
        return s;
    }
    void Skip(std::size_t n) { p_ += n; }
    void AlignDword() {
        while (reinterpret_cast<std::uintptr_t>(p_) % 4 != 0) ++p_;
    }

  private:
    template <typename T>
    T Take() {
        T v;
        std::memcpy(&v, p_, sizeof v);
        p_ += sizeof v;
        return v;
    }
    const BYTE* p_;
};

Template LoadDialogTemplate(int id) {
    Template t;
    const HMODULE self = ::GetModuleHandleW(nullptr);
    const HRSRC found = ::FindResourceW(self, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
    if (found == nullptr) return t;
    TemplateReader r(static_cast<const BYTE*>(::LockResource(::LoadResource(self, found))));
    if (r.Word() != 1 || r.Word() != 0xFFFF) return t;  // not a DIALOGEX
    r.Dword();                                          // help id
    t.exStyle = r.Dword();
    t.style = r.Dword();
    const WORD count = r.Word();
    r.Short();
    r.Short();
    t.cx = r.Short();
    t.cy = r.Short();
    r.SzOrOrd();  // menu
    r.SzOrOrd();  // class
    t.caption = r.SzOrOrd();
    t.pointSize = r.Word();
    r.Word();   // weight
    r.Skip(2);  // italic, character set
    t.font = r.SzOrOrd();
    for (WORD i = 0; i < count; ++i) {
        r.AlignDword();
        TemplateItem item;
        r.Dword();  // help id
        item.exStyle = r.Dword();
        item.style = r.Dword();
        item.x = r.Short();
        item.y = r.Short();
        item.cx = r.Short();
        item.cy = r.Short();
        item.id = static_cast<LONG>(r.Dword());
        item.cls = r.SzOrOrd();
        item.text = r.SzOrOrd();
        r.Skip(r.Word());  // creation data
        t.items.push_back(item);
    }
    return t;
}

// A window class of the template: as the template stores it and as the control created from it
// reports it.
struct WindowClass {
    std::wstring stored, created;
};

// A system class named by ordinal (one this test does not know fails the comparison).
WindowClass ClassOfRow(int ordinal) {
    const wchar_t* name = ordinal == QUILLON_CLASS_BUTTON   ? WC_BUTTONW
                          : ordinal == QUILLON_CLASS_EDIT   ? WC_EDITW
                          : ordinal == QUILLON_CLASS_STATIC ? WC_STATICW
                                                            : L"?";
    return {L"#" + std::to_wstring(ordinal), name};
}

// A class named by name: stored in capitals, as the resource compiler stores every name.
WindowClass ClassOfRow(const char* name) {
    std::wstring upper = Wide(name);
    ::CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    return {upper, Wide(name)};
}

struct ControlRow {
    LONG id;
    WindowClass cls;
    std::wstring text;
    DWORD style;  // the whole style word of the template
    short x, y, cx, cy;
};

// The controls as the one template gives them.
const std::vector<ControlRow>& Rows() {
#define QUILLON_TEST_ROW(text, id, cls, style, x, y, cx, cy) \
    {id, ClassOfRow(cls), Wide(text), static_cast<DWORD>(style), x, y, cx, cy},
    static const std::vector<ControlRow> rows = {QUILLON_MAIN_DIALOG_CONTROLS(QUILLON_TEST_ROW)};
#undef QUILLON_TEST_ROW
    return rows;
}

TEST(DialogTemplate, ResourceHoldsTheTemplateExactly) {
    const Template t = LoadDialogTemplate(IDD_QUILLON_DIALOG);
    EXPECT_EQ(t.style, static_cast<DWORD>(QUILLON_DIALOG_STYLE));
    EXPECT_EQ(t.exStyle, static_cast<DWORD>(QUILLON_DIALOG_EXSTYLE));
    EXPECT_EQ(t.cx, QUILLON_DIALOG_WIDTH);
    EXPECT_EQ(t.cy, QUILLON_DIALOG_HEIGHT);
    EXPECT_EQ(t.caption, Wide(text::kTemplateCaption));
    EXPECT_EQ(t.font, Wide(QUILLON_DIALOG_FONT_FACE));
    EXPECT_EQ(t.pointSize, QUILLON_DIALOG_FONT_POINTS);
    ASSERT_EQ(t.items.size(), Rows().size());
    for (std::size_t i = 0; i < Rows().size(); ++i) {
        const ControlRow& row = Rows()[i];
        const TemplateItem& item = t.items[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(item.id, row.id);
        EXPECT_EQ(item.cls, row.cls.stored);
        EXPECT_EQ(item.text, row.text);
        EXPECT_EQ(item.style, row.style);
        EXPECT_EQ(item.exStyle, 0u);
        EXPECT_EQ(item.x, row.x);
        EXPECT_EQ(item.y, row.y);
        EXPECT_EQ(item.cx, row.cx);
        EXPECT_EQ(item.cy, row.cy);
    }
}

TEST(DialogTemplate, ControlsAsCreatedInTemplateOrder) {
    DialogRig rig;
    const HWND d = rig.Dialog();
    HWND child = ::GetWindow(d, GW_CHILD);
    for (const ControlRow& row : Rows()) {
        SCOPED_TRACE(row.id);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(::GetDlgCtrlID(child), row.id);
        EXPECT_EQ(ClassOf(child), row.cls.created);
        EXPECT_EQ(rig.Text(child), row.text);
        EXPECT_EQ(::IsWindowVisible(child) != FALSE, (row.style & WS_VISIBLE) != 0);
        EXPECT_TRUE(::IsWindowEnabled(child));
        const RECT want = Pixels(d, row.x, row.y, row.cx, row.cy);
        const RECT got = ClientRectOf(d, child);
        EXPECT_EQ(got.left, want.left);
        EXPECT_EQ(got.top, want.top);
        EXPECT_EQ(got.right - got.left, want.right);
        EXPECT_EQ(got.bottom - got.top, want.bottom);
        // Controls may trade the plain border for an edge of their own making (the edit box and
        // the bar do); every other bit stays as the template gives it.
        const DWORD style = static_cast<DWORD>(::GetWindowLongW(child, GWL_STYLE));
        const DWORD kept = row.style & ~static_cast<DWORD>(WS_BORDER);
        EXPECT_EQ(style & kept, kept);
        child = ::GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "a control beyond those of the template";
    // The lookup by the shared identifier finds the percentage label, the first of the two.
    EXPECT_EQ(rig.ItemText(IDC_LABEL), Wide(text::kZeroPercent));
}

TEST(DialogTemplate, WindowAfterInitialisation) {
    DialogRig rig;
    const HWND d = rig.Dialog();
    EXPECT_EQ(rig.Text(d), Wide(text::kCaption));
    const LONG style = ::GetWindowLongW(d, GWL_STYLE);
    // The window keeps the template's styles, the font bit aside (it only says that the template
    // names a font).
    const LONG want = QUILLON_DIALOG_STYLE & ~DS_SETFONT;
    EXPECT_EQ(style & want, want);
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    EXPECT_NE(::GetWindowLongW(d, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);

    RECT client;
    ::GetClientRect(d, &client);
    const RECT size = Pixels(d, 0, 0, QUILLON_DIALOG_WIDTH, QUILLON_DIALOG_HEIGHT);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);

    LOGFONTW font{};
    const HFONT hfont = reinterpret_cast<HFONT>(::SendMessageW(d, WM_GETFONT, 0, 0));
    ASSERT_NE(hfont, nullptr);
    ASSERT_NE(::GetObjectW(hfont, sizeof font, &font), 0);
    EXPECT_EQ(std::wstring(font.lfFaceName), Wide(QUILLON_DIALOG_FONT_FACE));
    const HDC screen = ::GetDC(nullptr);
    EXPECT_EQ(font.lfHeight,
              -::MulDiv(QUILLON_DIALOG_FONT_POINTS, ::GetDeviceCaps(screen, LOGPIXELSY), 72));
    ::ReleaseDC(nullptr, screen);

    // Icon resource 128 as the big and small icon and as the drag icon.
    ASSERT_NE(rig.dlg->Icon(), nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(d, WM_GETICON, ICON_BIG, 0)), rig.dlg->Icon());
    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(d, WM_GETICON, ICON_SMALL, 0)),
              rig.dlg->Icon());
    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(d, WM_QUERYDRAGICON, 0, 0)), rig.dlg->Icon());

    const HWND bar = rig.Item(IDC_PROGRESS);
    PBRANGE range{};
    ::SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 100);
    EXPECT_EQ(rig.BarPosition(), 0);
    // Stepping moves by one.
    ::SendMessageW(bar, PBM_STEPIT, 0, 0);
    EXPECT_EQ(rig.BarPosition(), 1);
    EXPECT_EQ(::SendMessageW(bar, PBM_GETBARCOLOR, 0, 0), RGB(0, 255, 0));

    // Focus on the first tab stop.
    EXPECT_EQ(::GetFocus(), rig.Item(IDC_PATH));
    // Timer 1 runs: ticks arrive while nothing else happens.
    EXPECT_TRUE(rig.PumpTicks(3));
    EXPECT_FALSE(rig.dlg->Ended());
}

}  // namespace
}  // namespace quillon::test
