// Re-reads the firmware file before programming and makes sure it is still exactly the file that
// was validated; then leaves the image alone at the start of the file buffer.
#pragma once

#include <cstdint>

#include "hid/LinkServices.h"

namespace quillon {

// True when the file at path has the validated length and bytes; the image (from offset 36)
// then starts g_fileBuffer. False on any read error or difference (nothing is then sent).
bool ReloadValidatedPayload(LinkServices& s, ReadableFile& file);

}  // namespace quillon
