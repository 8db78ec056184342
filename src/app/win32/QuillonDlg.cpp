#include "app/win32/QuillonDlg.h"

#include <commctrl.h>

#include "app/win32/FirmwareFilePicker.h"
#include "app/win32/resource.h"
#include "hid/win32/WideText.h"
#include "state/Texts.h"

namespace quillon::win32 {

namespace {

constexpr UINT_PTR kTimerId = 1;

// The application's name, which captions every operator box: the executable's file name
// without its extension.
std::wstring ExecutableStem() {
    wchar_t path[MAX_PATH + 1] = L"";
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, n);
    const std::size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    const std::size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0) name.erase(dot);
    return name;
}

DWORD WINAPI IdleThreadProc(LPVOID) {
    return 0;
}

DialogHooks WithDefaults(DialogHooks hooks) {
    if (!hooks.messageBox) {
        hooks.messageBox = [](HWND owner, const std::wstring& text, const std::wstring& caption,
                              UINT type) {
            return ::MessageBoxW(owner, text.c_str(), caption.c_str(), type);
        };
    }
    if (!hooks.pickFile) hooks.pickFile = PickFirmwareFile;
    if (!hooks.startThread) {
        hooks.startThread = [](LPTHREAD_START_ROUTINE proc) {
            const HANDLE thread = ::CreateThread(nullptr, 0, proc, nullptr, 0, nullptr);
            if (thread == nullptr) return false;
            ::CloseHandle(thread);  // nobody waits for it
            return true;
        };
    }
    return hooks;
}

}  // namespace

CQuillonDlg::CQuillonDlg(SharedState& st, HidPlatform& hid, FileSystem& files, DialogHooks hooks)
    : st_(st),
      hooks_(WithDefaults(std::move(hooks))),
      m_hIcon(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      caption_(ExecutableStem()),
      services_{st, hid, operator_, files},
      controller_(services_, view_) {
    if (hooks_.beforeUpdate) {
        controller_.BeforeLoad([this] { hooks_.beforeUpdate(operator_.ReadPathBox()); });
    }
}

CQuillonDlg::~CQuillonDlg() {
    // A worker past its last message may still be on its way out; with the window gone it can
    // no longer block on it, so the controller's join cannot deadlock.
    if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
}

INT_PTR CQuillonDlg::DoModal(HINSTANCE instance) {
    if (!Create(instance)) return -1;
    MSG msg;
    while (!ended_) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            // Leave WM_QUIT for whoever runs the outer loop.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        ProcessMessage(msg);
    }
    ::DestroyWindow(hwnd_);
    hwnd_ = nullptr;
    return result_;
}

bool CQuillonDlg::Create(HINSTANCE instance) {
    ended_ = false;
    result_ = -1;
    // The dialog is created modeless and runs its own loop, so that every message passes
    // PreTranslateMessage before dialog navigation.
    return ::CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_QUILLON_DIALOG), nullptr, DialogProc,
                                reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CQuillonDlg::ProcessMessage(MSG& msg) {
    if (PreTranslateMessage(&msg)) return;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

BOOL CQuillonDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN &&
        (msg->hwnd == hwnd_ || ::IsChild(hwnd_, msg->hwnd))) {
        OnStartUpdate();
        return TRUE;  // never the focused button, never IDOK
    }
    return ::IsDialogMessageW(hwnd_, msg);
}

INT_PTR CALLBACK CQuillonDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CQuillonDlg* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CQuillonDlg*>(lParam);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<CQuillonDlg*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    return self != nullptr ? self->OnMessage(message, wParam, lParam) : FALSE;
}

INT_PTR CQuillonDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_PAINT:
            return OnPaint() ? TRUE : FALSE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            switch (LOWORD(wParam)) {
                case IDC_BROWSE:
                    OnBrowse();
                    return TRUE;
                case IDC_UPDATE:
                    OnStartUpdate();
                    return TRUE;
                case IDC_READBACK_CHECK:
                    OnReadBackCheck();
                    return TRUE;
                case IDC_HIDDEN_BUTTON:
                    OnHiddenButton();
                    return TRUE;
                case IDCANCEL:
                    OnCancel();
                    return TRUE;
                default:
                    return FALSE;
            }
        case kShowMessage:
            ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, OnShowMessage(wParam, lParam));
            return TRUE;
        case WM_TIMER:
            OnTimer(wParam);
            return TRUE;
        case WM_CLOSE:
            OnCancel();
            return TRUE;
        default:
            return FALSE;
    }
}

void CQuillonDlg::DoDataExchange() {
    m_progress = ::GetDlgItem(hwnd_, IDC_PROGRESS);
}

BOOL CQuillonDlg::OnInitDialog() {
    DoDataExchange();
    operator_.Attach(hwnd_);
    view_.Attach(hwnd_, m_progress);
    ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_progress, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    ::SendMessageW(m_progress, PBM_SETSTEP, 1, 0);
    ::SendMessageW(m_progress, PBM_SETPOS, 0, 0);
    ::SendMessageW(m_progress, PBM_SETBARCOLOR, 0, RGB(0, 255, 0));
    ::SetTimer(hwnd_, kTimerId, 1, nullptr);
    ::SetWindowTextW(hwnd_, WideFromUtf8(text::kCaption).c_str());
    if (hooks_.onInit) hooks_.onInit(hwnd_);
    return TRUE;  // focus to the first tab stop, the path box
}

bool CQuillonDlg::OnPaint() {
    if (!::IsIconic(hwnd_)) return false;  // the dialog paints itself
    PAINTSTRUCT ps;
    const HDC dc = ::BeginPaint(hwnd_, &ps);
    ::SendMessageW(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    ::GetClientRect(hwnd_, &client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
    ::EndPaint(hwnd_, &ps);
    return true;
}

void CQuillonDlg::OnBrowse() {
    std::wstring path;
    if (!hooks_.pickFile(hwnd_, path)) return;
    st_.g_strFirmwarePath = Utf8FromWide(path);
    ::SetDlgItemTextW(hwnd_, IDC_PATH, path.c_str());
}

void CQuillonDlg::OnStartUpdate() {
    controller_.StartUpdate();
}

LRESULT CQuillonDlg::OnShowMessage(WPARAM, LPARAM lParam) {
    const std::wstring& text = *reinterpret_cast<const std::wstring*>(lParam);
    hooks_.messageBox(hwnd_, text, caption_, MB_OK);
    return 0;
}

void CQuillonDlg::OnTimer(UINT_PTR id) {
    if (id == kTimerId) controller_.Tick();
}

void CQuillonDlg::OnReadBackCheck() {
    st_.g_bReadBackVerify = static_cast<std::uint8_t>(
        ::SendDlgItemMessageW(hwnd_, IDC_READBACK_CHECK, BM_GETCHECK, 0, 0));
}

void CQuillonDlg::OnHiddenButton() {
    hooks_.startThread(IdleThreadProc);
}

void CQuillonDlg::OnCancel() {
    // Closing while a run is busy would leave the device half programmed behind a vanished
    // window; Escape and the close box wait until the run is over.
    if (controller_.Busy()) return;
    result_ = IDCANCEL;
    ended_ = true;
    ::ShowWindow(hwnd_, SW_HIDE);
}

}  // namespace quillon::win32
