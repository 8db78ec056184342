// What the command line needs to know about its console, answered by each platform's own file.
#pragma once

namespace quillon::cli {

// Whether standard error is a terminal that takes the progress line's carriage returns and
// erase-line sequences.
bool StandardErrorIsTerminal();

}  // namespace quillon::cli
