#include "app/qt/OperatorBox.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

namespace quillon::gui {

QString OperatorCaption() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void ShowOperatorBox(QWidget* owner, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, OperatorCaption(), text, QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace quillon::gui
