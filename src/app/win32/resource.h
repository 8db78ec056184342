// Identifiers of the dialog's resources and controls, shared by the resource script and the code.
// The controls' come with the dialog's template.
#pragma once

#include "app/MainDialogTemplate.h"

#define IDD_QUILLON_DIALOG 102
#define IDR_MAINFRAME 128
