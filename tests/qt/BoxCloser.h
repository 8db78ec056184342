// Plays the operator for dialog tests: every message box that opens is recorded and, after it
// has stayed open for a few turns of the event loop, closed with its OK button; file dialogs are
// recorded and given a file or cancelled.
#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>

namespace quillon::gui::test {

struct SeenBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    int openBoxes;  // message boxes visible when it appeared
};

class BoxCloser : public QObject {
  public:
    explicit BoxCloser(int turnsOpen = 3) : turnsOpen_(turnsOpen) {
        connect(&timer_, &QTimer::timeout, this, &BoxCloser::Poll);
        timer_.start(1);
    }

    std::vector<SeenBox> boxes;
    QStringList texts;
    QStringList fileDialogFilters;
    QString fileDialogSuffix;
    int fileDialogs = 0;
    QString fileToChoose;  // empty: cancel
    // Runs when a box first appears (while it is open).
    std::function<void(const SeenBox&)> onBox;

  private:
    static int VisibleBoxes() {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && qobject_cast<QMessageBox*>(w) != nullptr) ++n;
        }
        return n;
    }

    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            if (box != current_) {
                current_ = box;
                turns_ = 0;
                SeenBox seen{box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                             VisibleBoxes()};
                boxes.push_back(seen);
                texts << seen.text;
                if (onBox) onBox(seen);
                return;
            }
            if (++turns_ < turnsOpen_) return;
            if (QAbstractButton* ok = box->button(QMessageBox::Ok)) ok->click();
            return;
        }
        if (auto* files = qobject_cast<QFileDialog*>(modal)) {
            ++fileDialogs;
            fileDialogFilters = files->nameFilters();
            fileDialogSuffix = files->defaultSuffix();
            if (fileToChoose.isEmpty()) {
                files->reject();
            } else {
                files->selectFile(fileToChoose);
                static_cast<QDialog*>(files)->accept();  // public there
            }
        }
    }

    QTimer timer_;
    QPointer<QMessageBox> current_;
    int turns_ = 0;
    int turnsOpen_;
};

}  // namespace quillon::gui::test
