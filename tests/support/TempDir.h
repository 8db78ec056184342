// A fresh directory per test, removed afterwards, with helpers to write files into it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quillon::test {

class TempDir {
  public:
    TempDir() : TempDir(std::filesystem::temp_directory_path()) {}
    explicit TempDir(const std::filesystem::path& parent);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
    std::string WriteText(const std::string& name, const std::string& text) const {
        return Write(name, {text.begin(), text.end()});
    }
    static std::vector<std::uint8_t> Read(const std::string& path);

  private:
    std::filesystem::path path_;
};

// Deterministic pseudo-random bytes.
std::vector<std::uint8_t> RandomBytes(std::size_t count, std::uint32_t seed);

}  // namespace quillon::test
