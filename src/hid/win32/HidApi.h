// The Windows HID class and SetupAPI declarations in one place. MinGW-w64's hidsdi.h and hidpi.h
// declare C functions without an extern "C" guard, so they are wrapped here; include this instead.
#pragma once

// clang-format off
#include <windows.h>
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}
// clang-format on
