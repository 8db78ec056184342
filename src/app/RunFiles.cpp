#include "app/RunFiles.h"

#include "firmware/FileIdentity.h"
#include "protocol/ProgramDevice.h"

namespace quillon {

std::string FindFileClash(const std::vector<RunFile>& inputs, const std::vector<RunFile>& outputs) {
    const auto named = [](const RunFile& f) { return f.role + " " + f.path; };
    std::vector<PathIdentity> inputIds;
    for (const RunFile& in : inputs) inputIds.push_back(IdentifyPath(in.path));
    std::vector<PathIdentity> outputIds;
    for (const RunFile& out : outputs) {
        const PathIdentity id = IdentifyPath(out.path);
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            if (SameFile(id, inputIds[i])) return named(out) + " is " + inputs[i].role;
        }
        for (std::size_t i = 0; i < outputIds.size(); ++i) {
            if (SameFile(id, outputIds[i])) {
                return named(outputs[i]) + " and " + named(out) + " are one file";
            }
        }
        outputIds.push_back(id);
    }
    return {};
}

std::unique_ptr<ReadableFile> ReadBackLogFiles::OpenRead(const std::string& path) {
    std::unique_ptr<ReadableFile> file = real_.OpenRead(path);
    if (!file) lastError_ = real_.LastError();
    return file;
}

std::unique_ptr<WritableFile> ReadBackLogFiles::Create(const std::string& path) {
    if (path != kReadBackLogName) {
        std::unique_ptr<WritableFile> file = real_.Create(path);
        if (!file) lastError_ = real_.LastError();
        return file;
    }
    if (!log_.Held() && !TakeLog()) return nullptr;
    std::unique_ptr<WritableFile> file = log_.Begin();
    if (!file) lastError_ = "cannot empty the read-back log " + logPath_;
    return file;
}

bool ReadBackLogFiles::Reserve(const std::string& path) {
    return path != kReadBackLogName || log_.Held() || TakeLog();
}

bool ReadBackLogFiles::TakeLog() {
    std::string reason;
    if (!log_.Take(std::filesystem::path(std::u8string(logPath_.begin(), logPath_.end())),
                   reason)) {
        lastError_ = "cannot keep the read-back log " + logPath_ + ": " + reason;
        return false;
    }
    // Taken, it is there: now it can be told apart from the run's other files.
    const std::string clash = FindFileClash(others_, {{"the read-back log", logPath_}});
    if (clash.empty()) return true;
    log_.Release();
    lastError_ = clash;
    return false;
}

}  // namespace quillon
