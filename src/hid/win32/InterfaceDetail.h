// The interface detail record that SetupAPI fills in: a size field and the NUL-terminated UTF-16
// device path. Reading the path never goes past the bytes that SetupAPI was given.
#pragma once

#include <cstddef>
#include <string>

namespace quillon::win32 {

// What the record's size field must hold: the size of its fixed part (6 in a 32-bit process,
// 8 in a 64-bit one), not the size of the whole record.
std::size_t DetailFixedSize();

// The device path in a record of size bytes, cut at its NUL or at the record's end; empty when
// the record is too short to hold a path.
std::wstring DevicePathOf(const void* record, std::size_t size);

}  // namespace quillon::win32
