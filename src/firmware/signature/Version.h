// Firmware versions as vendors write them, "2.1.0": numbers separated by dots, compared number by
// number ("2.10" is above "2.9"; a missing number counts as 0, so "2.1" is "2.1.0").
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillon::signature {

class Version {
  public:
    // Nothing for anything but 1 to 16 dot-separated numbers of decimal digits.
    static std::optional<Version> Parse(const std::string& text);

    const std::string& Text() const { return text_; }
    // Below zero, zero or above zero as this version is below, equal to or above other.
    int Compare(const Version& other) const;

  private:
    std::string text_;
    std::vector<std::string> numbers_;  // without leading zeros, so any length compares
};

}  // namespace quillon::signature
