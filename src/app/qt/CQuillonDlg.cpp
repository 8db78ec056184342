#include "app/qt/CQuillonDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <thread>

#include "app/qt/AppIcon.h"
#include "app/qt/DialogTemplate.h"
#include "app/qt/OperatorBox.h"
#include "state/Texts.h"

namespace quillon::gui {

namespace {

QRect ToQRect(const UnitRect& r) {
    return QRect(r.x, r.y, r.width, r.height);
}

QWidget* MakeControl(const ControlTemplate& c, QWidget* parent) {
    const QString text = QString::fromUtf8(c.text);
    switch (c.kind) {
        case ControlKind::kEdit: {
            auto* edit = new QLineEdit(text, parent);
            return edit;
        }
        case ControlKind::kPushButton: {
            auto* button = new QPushButton(text, parent);
            // Enter belongs to the dialog, never to the focused button.
            button->setAutoDefault(false);
            button->setDefault(false);
            return button;
        }
        case ControlKind::kProgressBar: {
            auto* bar = new QProgressBar(parent);
            bar->setRange(0, 100);
            bar->setValue(0);
            bar->setTextVisible(false);
            QPalette palette = bar->palette();
            palette.setColor(QPalette::Highlight, QColor(0, 255, 0));
            bar->setPalette(palette);
            return bar;
        }
        case ControlKind::kLabel:
        case ControlKind::kCentredLabel: {
            auto* label = new QLabel(text, parent);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(
                (c.kind == ControlKind::kCentredLabel ? Qt::AlignHCenter : Qt::AlignLeft) |
                Qt::AlignTop);
            return label;
        }
        case ControlKind::kCheckBox:
            return new QCheckBox(text, parent);
    }
    return nullptr;
}

}  // namespace

CQuillonDlg::CQuillonDlg(SharedState& st, HidPlatform& hid, FileSystem& files, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      st_(st),
      op_(*this, *this),
      services_{st, hid, op_, files},
      controller_(services_, *this),
      timer_(this) {
    QFont font = QApplication::font();
    font.setPointSize(kDialogFontPoints);
    setFont(font);
    base_ = BaseUnitsOf(font);
    const UnitRect size = DialogToPixels({0, 0, kDialogWidthUnits, kDialogHeightUnits}, base_);
    setFixedSize(size.width, size.height);
    setWindowIcon(AppIcon());
    setWindowTitle(QString::fromUtf8(text::kTemplateCaption));
    CreateControls();

    // What the dialog's initialisation does once its controls exist.
    setWindowTitle(QString::fromUtf8(text::kCaption));
    installEventFilter(this);
    timer_.setObjectName(QStringLiteral("timer1"));
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &CQuillonDlg::OnTimer);
    timer_.start(1);
    pathBox_->setFocus();
}

CQuillonDlg::~CQuillonDlg() {
    timer_.stop();
    controller_.WaitForRun();
}

void CQuillonDlg::CreateControls() {
    QWidget* previousTabStop = nullptr;
    for (const ControlTemplate& c : MainDialogTemplate()) {
        QWidget* w = MakeControl(c, this);
        w->setObjectName(QString::number(c.id));
        w->setGeometry(ToQRect(DialogToPixels(c.rect, base_)));
        if (!c.shown) w->hide();
        w->installEventFilter(this);
        if (w->focusPolicy() != Qt::NoFocus) {
            if (previousTabStop != nullptr) setTabOrder(previousTabStop, w);
            previousTabStop = w;
        }
        controls_.emplace_back(c.id, w);
    }
    pathBox_ = static_cast<QLineEdit*>(Control(kPathBox));
    progress_ = static_cast<QProgressBar*>(Control(kProgressBar));
    // Both labels carry the same identifier; the lookup finds the percentage label first.
    percentLabel_ = static_cast<QLabel*>(Control(kStaticId));
    statusLine_ = static_cast<QLabel*>(Control(kStatusLine));
    connect(static_cast<QPushButton*>(Control(kBrowseButton)), &QPushButton::clicked, this,
            &CQuillonDlg::OnBrowse);
    connect(static_cast<QPushButton*>(Control(kUpdateButton)), &QPushButton::clicked, this,
            &CQuillonDlg::OnStartUpdate);
    connect(static_cast<QCheckBox*>(Control(kReadBackCheck)), &QCheckBox::clicked, this,
            &CQuillonDlg::OnReadBackCheck);
    connect(static_cast<QPushButton*>(Control(kHiddenButton)), &QPushButton::clicked, this,
            &CQuillonDlg::OnHiddenButton);
}

QWidget* CQuillonDlg::Control(int id) const {
    for (const auto& [controlId, widget] : controls_) {
        if (controlId == id) return widget;
    }
    return nullptr;
}

void CQuillonDlg::OnBrowse() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("(*.fw)"), QStringLiteral("all(*.*)")});
    dialog.setDefaultSuffix(QStringLiteral("fw"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().constFirst();
    st_.g_strFirmwarePath = path.toStdString();
    pathBox_->setText(path);
}

void CQuillonDlg::OnStartUpdate() {
    controller_.StartUpdate();
}

void CQuillonDlg::OnTimer() {
    controller_.Tick();
}

void CQuillonDlg::OnReadBackCheck() {
    st_.g_bReadBackVerify = static_cast<QCheckBox*>(Control(kReadBackCheck))->isChecked() ? 1 : 0;
}

void CQuillonDlg::OnHiddenButton() {
    std::thread([] {}).detach();
}

void CQuillonDlg::SetBarPosition(int position) {
    progress_->setValue(position);
}

void CQuillonDlg::StepBar() {
    // Stepping past the end starts over from the beginning, as the native bar does.
    const int next = progress_->value() + 1;
    progress_->setValue(next > progress_->maximum() ? progress_->minimum() : next);
}

void CQuillonDlg::SetPercentLabel(const std::string& text) {
    percentLabel_->setText(QString::fromStdString(text));
}

void CQuillonDlg::EnableControls(bool enable) {
    for (int id : {kUpdateButton, kBrowseButton, kPathBox, kReadBackCheck}) {
        Control(id)->setEnabled(enable);
    }
}

void CQuillonDlg::ShowOperatorMessage(const QString& text) {
    ShowOperatorBox(this, text);
}

QString CQuillonDlg::PathBoxText() const {
    return pathBox_->text();
}

void CQuillonDlg::SetStatusLineText(const QString& text) {
    statusLine_->setText(text);
}

bool CQuillonDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OnStartUpdate();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// A run cannot be cancelled, and a device left half-programmed is unusable: while one is in
// progress the dialog stays.
void CQuillonDlg::reject() {
    if (controller_.Busy()) return;
    QDialog::reject();
}

void CQuillonDlg::closeEvent(QCloseEvent* event) {
    if (controller_.Busy()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace quillon::gui
