#include "sim/SimFlash.h"

#include <algorithm>
#include <cstring>

namespace quillon::sim {

namespace {

constexpr std::uint8_t kPlaceholders[3][4] = {
    {0xFF, 0xE1, 0xC3, 0xDD}, {0xA3, 0x89, 0xEE, 0xB2}, {0xFF, 0xFF, 0xFF, 0xFF}};

}  // namespace

std::uint8_t SimFlash::OldByte(std::uint32_t address) const {
    std::uint32_t x = address * 0x9E3779B1u ^ seed_;
    x ^= x >> 15;
    x *= 0x85EBCA77u;
    x ^= x >> 13;
    return static_cast<std::uint8_t>(x);
}

SimFlash::Page& SimFlash::PageAt(std::uint32_t index) {
    auto& slot = pages_[index];
    if (!slot) {
        slot = std::make_unique<Page>();
        const std::uint64_t base = static_cast<std::uint64_t>(index) * kPage;
        for (std::uint32_t i = 0; i < kPage; ++i) {
            const bool erased = base + i >= eraseFloor_;
            slot->data[i] = erased ? 0xFF : OldByte(static_cast<std::uint32_t>(base + i));
            slot->blank[i] = erased;
        }
    }
    return *slot;
}

template <typename Fn>
void SimFlash::ForSpans(std::uint32_t address, std::uint32_t len, Fn fn) {
    std::uint32_t done = 0;
    while (done < len) {
        const std::uint64_t a = static_cast<std::uint64_t>(address) + done;
        Page& p = PageAt(static_cast<std::uint32_t>(a / kPage));
        const auto off = static_cast<std::uint32_t>(a % kPage);
        const std::uint32_t n = std::min<std::uint32_t>(kPage - off, len - done);
        fn(p, off, n, done);
        done += n;
    }
}

void SimFlash::Erase(std::uint32_t address, std::uint32_t len) {
    if (address >= size_) return;
    len = static_cast<std::uint32_t>(std::min<std::uint64_t>(len, size_ - address));
    ForSpans(address, len, [](Page& p, std::uint32_t off, std::uint32_t n, std::uint32_t) {
        std::memset(p.data + off, 0xFF, n);
        for (std::uint32_t i = 0; i < n; ++i) p.blank[off + i] = true;
    });
}

void SimFlash::EraseFrom(std::uint32_t address) {
    for (auto& [index, page] : pages_) {
        const std::uint64_t base = static_cast<std::uint64_t>(index) * kPage;
        for (std::uint32_t i = 0; i < kPage; ++i) {
            if (base + i >= address) {
                page->data[i] = 0xFF;
                page->blank[i] = true;
            }
        }
    }
    if (address < eraseFloor_) eraseFloor_ = address;
}

bool SimFlash::HoldsPlaceholder(std::uint32_t address) const {
    std::uint8_t word[4];
    Read(address, word, 4);
    for (const auto& ph : kPlaceholders) {
        if (std::memcmp(word, ph, 4) == 0) return true;
    }
    return false;
}

void SimFlash::Program(std::uint32_t address, const std::uint8_t* data, std::uint32_t len) {
    const bool replace = len == 4 && HoldsPlaceholder(address);
    ForSpans(address, len, [&](Page& p, std::uint32_t off, std::uint32_t n, std::uint32_t at) {
        for (std::uint32_t i = 0; i < n; ++i) {
            if (p.blank[off + i] || replace) {
                p.data[off + i] = data[at + i];
            } else {
                p.data[off + i] &= data[at + i];
                ++overwritten_;
            }
            p.blank[off + i] = false;
        }
    });
}

std::uint8_t SimFlash::ByteAt(std::uint64_t address) const {
    const auto it = pages_.find(static_cast<std::uint32_t>(address / kPage));
    if (it != pages_.end()) return it->second->data[address % kPage];
    return address >= eraseFloor_ ? 0xFF : OldByte(static_cast<std::uint32_t>(address));
}

void SimFlash::Read(std::uint32_t address, std::uint8_t* out, std::uint32_t len) const {
    std::uint32_t done = 0;
    while (done < len) {
        const std::uint64_t a = static_cast<std::uint64_t>(address) + done;
        const auto off = static_cast<std::uint32_t>(a % kPage);
        const std::uint32_t n = std::min<std::uint32_t>(kPage - off, len - done);
        const auto it = pages_.find(static_cast<std::uint32_t>(a / kPage));
        if (it != pages_.end()) {
            std::memcpy(out + done, it->second->data + off, n);
        } else {
            for (std::uint32_t i = 0; i < n; ++i) out[done + i] = ByteAt(a + i);
        }
        done += n;
    }
}

}  // namespace quillon::sim
