// The operator's touch points on the Qt dialog. Whatever thread calls, the dialog's thread does
// the work while the caller waits, so the worker's texts appear one at a time and in order, and
// the worker goes on only once the operator has closed each box.
#pragma once

#include <QString>

#include "state/Operator.h"

class QObject;

namespace quillon::gui {

// What the dialog offers; called on the dialog's thread only.
class OperatorSurface {
  public:
    virtual ~OperatorSurface() = default;
    // Returns once the operator has closed the box.
    virtual void ShowOperatorMessage(const QString& text) = 0;
    virtual QString PathBoxText() const = 0;
    virtual void SetStatusLineText(const QString& text) = 0;
};

class DialogOperator : public Operator {
  public:
    // home: the object whose thread the surface lives on (the dialog).
    DialogOperator(QObject& home, OperatorSurface& surface) : home_(home), surface_(surface) {}

    void ShowMessage(const std::string& text) override;
    std::string ReadPathBox() override;
    void WriteStatusLine(const std::string& text) override;

  private:
    template <typename F>
    void OnDialogThread(F&& work);

    QObject& home_;
    OperatorSurface& surface_;
};

}  // namespace quillon::gui
