// The application icon, drawn in code (the same picture as quillon.svg, which the desktop entry
// uses): an arrow coming down onto a chip.
#pragma once

#include <QIcon>

namespace quillon::gui {

QIcon AppIcon();

}  // namespace quillon::gui
