// The operator message box: one text, an OK button only, no icon, captioned with the
// executable's name without its extension.
#pragma once

#include <QString>

class QWidget;

namespace quillon::gui {

QString OperatorCaption();
// Shows the box owned by owner and returns once the operator has closed it.
void ShowOperatorBox(QWidget* owner, const QString& text);

}  // namespace quillon::gui
