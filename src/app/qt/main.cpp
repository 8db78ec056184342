// quillon-gui: the update dialog.
#include <cstdio>
#include <string>
#include <vector>

#include "app/DialogArgs.h"
#include "app/qt/CQuillonApp.h"

int main(int argc, char** argv) {
    quillon::DialogOptions options;
    std::string error;
    if (!quillon::ParseDialogArgs(std::vector<std::string>(argv + 1, argv + argc), options,
                                  error)) {
        std::fprintf(stderr, "quillon-gui: %s\n\n%s", error.c_str(),
                     quillon::DialogUsage("quillon-gui").c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(quillon::DialogUsage("quillon-gui").c_str(), stdout);
        return 0;
    }
    // Qt sees no argument of ours, and takes none of its own from the command line.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    quillon::gui::CQuillonApp app(qtArgc, qtArgv);
    return app.InitInstance(options);
}
