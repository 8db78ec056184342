#include "firmware/signature/SmallFile.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "firmware/JsonFields.h"

namespace quillon::signature {

namespace {

SmallFile Error(std::string why) {
    SmallFile f;
    f.state = SmallFile::State::kError;
    f.error = json_fields::Printable(why);
    return f;
}

}  // namespace

SmallFile ReadSmallFile(const std::string& path, std::size_t limit) {
    const std::filesystem::path p(std::u8string(path.begin(), path.end()));
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::symlink_status(p, ec);
    if (status.type() == std::filesystem::file_type::not_found) return SmallFile{};
    if (ec) return Error(ec.message());
    // Not a folder, and not a FIFO or device, whose reading could wait for ever.
    const std::filesystem::file_status target = std::filesystem::status(p, ec);
    if (ec) return Error(ec.message());
    if (target.type() != std::filesystem::file_type::regular) return Error("not a plain file");
    errno = 0;
    std::ifstream in(p, std::ios::binary);
    if (!in) {
        return Error(errno != 0 ? std::generic_category().message(errno) : "cannot be opened");
    }
    SmallFile f;
    f.state = SmallFile::State::kRead;
    char piece[4096];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        f.text.append(piece, static_cast<std::size_t>(in.gcount()));
        if (f.text.size() > limit) {
            return Error("longer than " + std::to_string(limit) + " bytes");
        }
    }
    if (in.bad()) return Error("a read failed");
    return f;
}

}  // namespace quillon::signature
