// A simulated NOR flash: it starts with old content, erase makes bytes blank (0xFF), and
// programming a byte that is not blank can only clear bits, so a missing erase shows.
#pragma once

#include <bitset>
#include <cstdint>
#include <memory>
#include <unordered_map>

namespace quillon::sim {

class SimFlash {
  public:
    static constexpr std::uint32_t kPage = 4096;

    SimFlash(std::uint64_t size, std::uint32_t seed) : size_(size), seed_(seed) {}

    std::uint64_t Size() const { return size_; }
    bool InRange(std::uint64_t address, std::uint64_t len) const {
        return address <= size_ && len <= size_ - address;
    }
    void Erase(std::uint32_t address, std::uint32_t len);
    // Erases from address to the end of the flash.
    void EraseFrom(std::uint32_t address);
    // Programs bytes. Over blank bytes they land as given; over programmed bytes they AND in and
    // count as programmed-without-erase, except that a 4-byte write onto one of the first-word
    // placeholders replaces it (the boot loader keeps that word aside until it is written).
    void Program(std::uint32_t address, const std::uint8_t* data, std::uint32_t len);
    void Read(std::uint32_t address, std::uint8_t* out, std::uint32_t len) const;
    std::uint8_t ByteAt(std::uint64_t address) const;
    // Whether the 4 bytes at address are erased or one of the first-word placeholders.
    bool HoldsPlaceholder(std::uint32_t address) const;
    std::uint64_t BytesProgrammedWithoutErase() const { return overwritten_; }

  private:
    struct Page {
        std::uint8_t data[kPage];
        std::bitset<kPage> blank;
    };
    Page& PageAt(std::uint32_t index);
    std::uint8_t OldByte(std::uint32_t address) const;
    // Calls fn(page offset, bytes, position in the caller's span) for each page the span covers.
    template <typename Fn>
    void ForSpans(std::uint32_t address, std::uint32_t len, Fn fn);

    std::uint64_t size_;
    std::uint32_t seed_;
    std::uint64_t eraseFloor_ = UINT64_MAX;  // everything from here on was erased in bulk
    std::uint64_t overwritten_ = 0;
    std::unordered_map<std::uint32_t, std::unique_ptr<Page>> pages_;
};

}  // namespace quillon::sim
