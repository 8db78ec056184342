// Runs a program through the shell, as a user would type it, and collects its standard output.
#pragma once

#include <filesystem>
#include <string>

namespace quillon::test {

struct ProgramRun {
    int code = -1;  // the exit code, -1 when it did not exit normally
    std::string out;
};

// Runs "program args" with standard error discarded, or written to errPath when given, in a
// folder of its own.
ProgramRun RunProgram(const std::string& program, const std::string& args,
                      const std::string& errPath = "");
// The same in the given folder.
ProgramRun RunProgramIn(const std::filesystem::path& folder, const std::string& program,
                        const std::string& args, const std::string& errPath = "");
// What a run wrote to errPath ("" when nothing), with the CRLF line ends of Windows' text
// streams read as "\n", so that one expectation holds on both systems.
std::string ErrorText(const std::string& errPath);

}  // namespace quillon::test
