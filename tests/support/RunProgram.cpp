#include "support/RunProgram.h"

#include <array>
#include <cstdio>

#ifdef _WIN32
#include "hid/win32/WideText.h"
#else
#include <sys/wait.h>
#endif

namespace quillon::test {

ProgramRun RunProgram(const std::string& program, const std::string& args,
                      const std::string& errPath) {
#ifdef _WIN32
    // Wide, so that UTF-8 arguments reach the program as they are; cmd.exe strips the outer
    // quotes of /c's argument and leaves the inner command as written.
    const std::string err = errPath.empty() ? "NUL" : "\"" + errPath + "\"";
    const std::wstring cmd = win32::WideFromUtf8("\"" + program + " " + args + " 2>" + err + "\"");
    std::FILE* p = _wpopen(cmd.c_str(), L"r");
#else
    const std::string cmd =
        program + " " + args + " 2>" + (errPath.empty() ? "/dev/null" : "'" + errPath + "'");
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

}  // namespace quillon::test
