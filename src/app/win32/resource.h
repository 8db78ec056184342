// Identifiers of the dialog's resources and controls, shared by the resource script and the code.
#pragma once

#define IDD_QUILLON_DIALOG 102
#define IDR_MAINFRAME 128

#define IDC_PATH 1000
#define IDC_BROWSE 1001
#define IDC_UPDATE 1002
#define IDC_PROGRESS 1010
#define IDC_READBACK_CHECK 1012
#define IDC_STATUS 1013
#define IDC_HIDDEN_BUTTON 1014
// Both labels (percentage and instruction) carry this one; looking it up finds the percentage.
#define IDC_LABEL (-1)
