// The Win32 style bits that the dialog template (app/MainDialogTemplate.h) is written in, with the
// values <windows.h> gives them, so that the Qt dialog can read the template on Linux.
#pragma once

#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_BORDER 0x00800000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L

#define ES_LEFT 0x0000L
#define ES_AUTOHSCROLL 0x0080L

#define BS_TYPEMASK 0x000FL
#define BS_PUSHBUTTON 0x0000L
#define BS_AUTOCHECKBOX 0x0003L

#define SS_TYPEMASK 0x001FL
#define SS_LEFT 0x0000L
#define SS_CENTER 0x0001L

#define PBS_SMOOTH 0x01
