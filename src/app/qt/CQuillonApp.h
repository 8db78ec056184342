// The application: builds the HID backend the command line asks for and runs the main dialog
// modally; the process ends when it closes.
#pragma once

#include <QApplication>

#include "app/DialogArgs.h"

namespace quillon::gui {

class CQuillonApp : public QApplication {
    Q_OBJECT

  public:
    CQuillonApp(int& argc, char** argv);

    // Runs the dialog until it closes; the process's exit code.
    int InitInstance(const DialogOptions& options);
};

}  // namespace quillon::gui
