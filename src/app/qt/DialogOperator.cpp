#include "app/qt/DialogOperator.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace quillon::gui {

template <typename F>
void DialogOperator::OnDialogThread(F&& work) {
    // The loader calls from the dialog's own thread, where a blocking queued call would wait for
    // itself.
    if (QThread::currentThread() == home_.thread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(&home_, std::forward<F>(work), Qt::BlockingQueuedConnection);
}

void DialogOperator::ShowMessage(const std::string& text) {
    const QString message = QString::fromStdString(text);
    OnDialogThread([this, &message] { surface_.ShowOperatorMessage(message); });
}

std::string DialogOperator::ReadPathBox() {
    QString path;
    OnDialogThread([this, &path] { path = surface_.PathBoxText(); });
    return path.toStdString();
}

void DialogOperator::WriteStatusLine(const std::string& text) {
    const QString line = QString::fromStdString(text);
    OnDialogThread([this, &line] { surface_.SetStatusLineText(line); });
}

}  // namespace quillon::gui
