#include "app/schema/JsonLines.h"

namespace quillon::schema {

std::string Line(const JsonObject& object) {
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

void JsonLines::Write(const JsonObject& object) {
    const std::string line = Line(object);
    std::lock_guard lock(lock_);
    std::fputs(line.c_str(), out_);
    std::fflush(out_);
}

}  // namespace quillon::schema
