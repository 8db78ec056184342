#include "support/RunProgram.h"

#include <array>
#include <cstdio>

#include "support/TempDir.h"

#ifdef _WIN32
#include "hid/win32/WideText.h"
#else
#include <sys/wait.h>
#endif

namespace quillon::test {

ProgramRun RunProgram(const std::string& program, const std::string& args,
                      const std::string& errPath) {
    // Each run works in a folder of its own: what the program writes beside itself (the read-back
    // logs) must not meet another run's, and the log is held locked, so a second program in the
    // same folder at the same time would fail. The folder is made in the current one, on its
    // drive: under Wine, paths such as /work/... are taken on the current drive.
    const TempDir workDir(std::filesystem::current_path());
    return RunProgramIn(workDir.Path(), program, args, errPath);
}

ProgramRun RunProgramIn(const std::filesystem::path& folder, const std::string& program,
                        const std::string& args, const std::string& errPath) {
#ifdef _WIN32
    // Wide, so that UTF-8 arguments reach the program as they are; cmd.exe strips the outer
    // quotes of /c's argument and leaves the inner command as written.
    const std::string err = errPath.empty() ? "NUL" : "\"" + errPath + "\"";
    const std::wstring cmd = L"\"cd /d \"" + folder.wstring() + L"\" && " +
                             win32::WideFromUtf8(program + " " + args + " 2>" + err + "\"");
    std::FILE* p = _wpopen(cmd.c_str(), L"r");
#else
    const std::string cmd = "cd '" + folder.string() + "' && " + program + " " + args + " 2>" +
                            (errPath.empty() ? "/dev/null" : "'" + errPath + "'");
    std::FILE* p = popen(cmd.c_str(), "r");
#endif
    ProgramRun r;
    if (p == nullptr) return r;
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
#ifdef _WIN32
    r.code = _pclose(p);
#else
    const int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    return r;
}

std::string ErrorText(const std::string& errPath) {
    const std::vector<std::uint8_t> bytes = TempDir::Read(errPath);
    std::string text(bytes.begin(), bytes.end());
#ifdef _WIN32
    std::string::size_type at = 0;
    while ((at = text.find("\r\n", at)) != std::string::npos) text.erase(at, 1);
#endif
    return text;
}

}  // namespace quillon::test
