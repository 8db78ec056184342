// The main dialog on the Win32 API: template 102, its handlers and its own message loop, over the
// shared update controller.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "app/UpdateController.h"
#include "app/win32/WindowDialogView.h"
#include "app/win32/WindowOperator.h"
#include "firmware/FileSystem.h"
#include "hid/HidPlatform.h"
#include "state/SharedState.h"

namespace quillon::win32 {

// The operator-facing calls the dialog makes, replaceable so that a test can answer them.
struct DialogHooks {
    // An operator message box; MessageBoxW by default.
    std::function<int(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type)>
        messageBox;
    // The open-file dialog; true with the chosen full path when the operator confirmed.
    std::function<bool(HWND owner, std::wstring& path)> pickFile;
    // Starts a thread that nobody waits for; CreateThread by default.
    std::function<bool(LPTHREAD_START_ROUTINE proc)> startThread;
    // Runs on the update button and Enter once a run may start (the last worker has ended), before
    // the file is loaded, with the path box's text (the simulated bus fits itself to it here).
    std::function<void(const std::string& path)> beforeUpdate;
    // Runs at the end of the dialog's initialisation.
    std::function<void(HWND dialog)> onInit;
};

class CQuillonDlg {
  public:
    CQuillonDlg(SharedState& st, HidPlatform& hid, FileSystem& files, DialogHooks hooks = {});
    ~CQuillonDlg();
    CQuillonDlg(const CQuillonDlg&) = delete;
    CQuillonDlg& operator=(const CQuillonDlg&) = delete;

    // Creates the window from its template and runs its loop until it ends; the result of the
    // command that ended it (IDCANCEL), or -1 when the window could not be made.
    INT_PTR DoModal(HINSTANCE instance);

    // The pieces of DoModal, for a caller that runs the loop itself (the UI test): the window
    // from template 102, shown; one message through the loop; whether the dialog has ended.
    bool Create(HINSTANCE instance);
    void ProcessMessage(MSG& msg);
    bool Ended() const { return ended_; }
    HWND Window() const { return hwnd_; }
    // Enter is taken here for the dialog and every control, before dialog navigation sees it.
    BOOL PreTranslateMessage(MSG* msg);

    const UpdateController& Controller() const { return controller_; }
    // The update policy every file must pass before anything is sent (null: none). Not owned.
    void Enforce(PolicyGate* gate) { controller_.Enforce(gate); }
    HICON Icon() const { return m_hIcon; }

  private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void DoDataExchange();
    BOOL OnInitDialog();
    bool OnPaint();
    HICON OnQueryDragIcon() const { return m_hIcon; }
    void OnBrowse();
    void OnStartUpdate();
    LRESULT OnShowMessage(WPARAM wParam, LPARAM lParam);
    void OnTimer(UINT_PTR id);
    void OnReadBackCheck();
    void OnHiddenButton();
    void OnCancel();

    SharedState& st_;
    DialogHooks hooks_;
    HWND hwnd_ = nullptr;
    HICON m_hIcon = nullptr;
    HWND m_progress = nullptr;
    bool ended_ = false;
    INT_PTR result_ = -1;
    std::wstring caption_;  // of every operator box
    WindowOperator operator_;
    WindowDialogView view_;
    LinkServices services_;
    // Last, so that the worker is joined before anything it uses goes.
    UpdateController controller_;
};

}  // namespace quillon::win32
