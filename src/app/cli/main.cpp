// quillon: the command line of the firmware update tool.
#include <string>
#include <vector>

#include "app/Host.h"
#include "app/cli/Commands.h"

int main(int argc, char** argv) {
    quillon::PrepareStandardStreams();
    return quillon::cli::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc));
}
