// The main dialog's template, written once for both dialogs: its size, font and styles, and its
// controls in template order (which is also the tab order and the order in which a control is
// looked up by identifier).
//
// The file is preprocessor definitions only, so that the resource script and C++ both include it.
// windres runs the C preprocessor over Quillon.rc, which expands QUILLON_MAIN_DIALOG_CONTROLS into
// one CONTROL statement per row of a real DIALOGEX resource: the Windows dialog is made from that
// resource. The Qt dialog (app/qt/DialogTemplate.cpp) and the Windows UI test expand the same rows
// into C++ data.
//
// A row is X(text, identifier, class, style, x, y, width, height):
// - text: one of the shared texts (state/Texts.h), or "" for none;
// - class: a system class by its ordinal (QUILLON_CLASS_*), stored the way the resource compiler
//   stores it for EDITTEXT, PUSHBUTTON and LTEXT, or a class by name (the check box names
//   "Button", as its resource always did; Windows makes the same control of either);
// - style: the control's whole style word, in the Win32 names (from <windows.h>, or from
//   app/qt/Win32Styles.h where that header does not exist); the Qt dialog derives the kind of
//   each control and whether it is shown from the class and this word;
// - the rectangle is in dialog units.
#pragma once

#include "state/Texts.h"

// Control identifiers, also what the Windows dialog's code addresses its controls by.
#define IDC_PATH 1000
#define IDC_BROWSE 1001
#define IDC_UPDATE 1002
#define IDC_PROGRESS 1010
#define IDC_READBACK_CHECK 1012
#define IDC_STATUS 1013
#define IDC_HIDDEN_BUTTON 1014
// Both labels (percentage and instruction) carry this one; looking it up finds the percentage.
#define IDC_LABEL (-1)

// The system window classes by ordinal.
#define QUILLON_CLASS_BUTTON 0x0080
#define QUILLON_CLASS_EDIT 0x0081
#define QUILLON_CLASS_STATIC 0x0082

// The dialog itself; its caption, QUILLON_TEXT_TEMPLATE_CAPTION, is replaced at start.
#define QUILLON_DIALOG_WIDTH 163
#define QUILLON_DIALOG_HEIGHT 117
#define QUILLON_DIALOG_FONT_POINTS 9
#define QUILLON_DIALOG_FONT_FACE "MS Shell Dlg"
#define QUILLON_DIALOG_STYLE \
    (DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU)
#define QUILLON_DIALOG_EXSTYLE WS_EX_APPWINDOW

// clang-format off
#define QUILLON_MAIN_DIALOG_CONTROLS(X)                                                           \
    X("", IDC_PATH, QUILLON_CLASS_EDIT,                                                           \
      WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL,                  \
      14, 25, 104, 14)                                                                            \
    X(QUILLON_TEXT_BROWSE, IDC_BROWSE, QUILLON_CLASS_BUTTON,                                      \
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,                                         \
      120, 25, 36, 14)                                                                            \
    X(QUILLON_TEXT_UPDATE, IDC_UPDATE, QUILLON_CLASS_BUTTON,                                      \
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,                                         \
      60, 56, 50, 14)                                                                             \
    X("", IDC_PROGRESS, "msctls_progress32",                                                      \
      WS_CHILD | WS_VISIBLE | WS_BORDER | PBS_SMOOTH,                                             \
      7, 79, 126, 14)                                                                             \
    X(QUILLON_TEXT_ZERO_PERCENT, IDC_LABEL, QUILLON_CLASS_STATIC,                                 \
      WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT,                                                 \
      137, 81, 19, 8)                                                                             \
    X(QUILLON_TEXT_INSTRUCTION, IDC_LABEL, QUILLON_CLASS_STATIC,                                  \
      WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT,                                                 \
      7, 7, 107, 8)                                                                               \
    X(QUILLON_TEXT_READ_BACK_CHECK, IDC_READBACK_CHECK, "Button",                                 \
      WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX,                                                    \
      11, 51, 44, 10)                                                                             \
    X(QUILLON_TEXT_BLANK, IDC_STATUS, QUILLON_CLASS_STATIC,                                       \
      WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER,                                               \
      10, 98, 138, 8)                                                                             \
    X(QUILLON_TEXT_HIDDEN_BUTTON, IDC_HIDDEN_BUTTON, QUILLON_CLASS_BUTTON,                        \
      WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON,                                                      \
      125, 52, 31, 14)
// clang-format on
