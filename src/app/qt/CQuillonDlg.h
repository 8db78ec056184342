// The main dialog: the path box, the browse and update buttons, the progress bar with its
// percentage label and the status line, laid out from the dialog template; the 1 ms timer drives
// the shared update controller.
#pragma once

#include <QDialog>
#include <QTimer>
#include <utility>
#include <vector>

#include "app/DialogView.h"
#include "app/UpdateController.h"
#include "app/qt/DialogOperator.h"
#include "app/qt/DialogUnits.h"
#include "firmware/FileSystem.h"
#include "hid/HidPlatform.h"
#include "state/SharedState.h"

class QLabel;
class QLineEdit;
class QProgressBar;

namespace quillon::gui {

class CQuillonDlg : public QDialog, public DialogView, public OperatorSurface {
    Q_OBJECT

  public:
    CQuillonDlg(SharedState& st, HidPlatform& hid, FileSystem& files, QWidget* parent = nullptr);
    ~CQuillonDlg() override;

    UpdateController& Controller() { return controller_; }
    // The first control with this identifier in template order, or null.
    QWidget* Control(int id) const;
    const DialogBaseUnits& BaseUnits() const { return base_; }

    void OnBrowse();
    void OnStartUpdate();
    void OnTimer();
    void OnReadBackCheck();
    void OnHiddenButton();

    // DialogView
    void SetBarPosition(int position) override;
    void StepBar() override;
    void SetPercentLabel(const std::string& text) override;
    void EnableControls(bool enable) override;

    // OperatorSurface
    void ShowOperatorMessage(const QString& text) override;
    QString PathBoxText() const override;
    void SetStatusLineText(const QString& text) override;

  public slots:
    void reject() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateControls();

    SharedState& st_;
    DialogOperator op_;
    LinkServices services_;
    UpdateController controller_;
    DialogBaseUnits base_;
    std::vector<std::pair<int, QWidget*>> controls_;  // template order
    QLineEdit* pathBox_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* percentLabel_ = nullptr;
    QLabel* statusLine_ = nullptr;
    QTimer timer_;
};

}  // namespace quillon::gui
