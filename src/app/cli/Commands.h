// The subcommands of the quillon command line; each returns the process exit code.
#pragma once

#include <string>
#include <vector>

namespace quillon::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// The whole command line after the program name: the command word and its arguments (UTF-8).
int RunCommandLine(const std::vector<std::string>& args);

int RunInspect(const std::vector<std::string>& words);
int RunPack(const std::vector<std::string>& words);
int RunList(const std::vector<std::string>& words);
int RunUpdate(const std::vector<std::string>& words);

// Prints "quillon <command>: <message>" and the command's usage to standard error; returns 2.
int UsageError(const char* command, const std::string& message, const char* usage);

}  // namespace quillon::cli
