#include "state/SharedState.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace quillon {

void FreeDeleter::operator()(std::uint8_t* p) const noexcept {
    std::free(p);
}

static std::uint8_t* AllocateFileBuffer() {
    auto* p = static_cast<std::uint8_t*>(std::calloc(kFileBufferSize, 1));
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

SharedState::SharedState()
    : g_fileBuffer(AllocateFileBuffer()),
      g_outReport(kMinReportSize, 0),
      g_inReport(kMinReportSize, 0) {}

void SharedState::SetHidCaps(const HidCaps& caps) {
    g_HidCaps = caps;
    const std::size_t out = std::max<std::size_t>(kMinReportSize, caps.outputReportByteLength);
    const std::size_t in = std::max<std::size_t>(kMinReportSize, caps.inputReportByteLength);
    if (g_outReport.size() < out) g_outReport.resize(out, 0);
    if (g_inReport.size() < in) g_inReport.resize(in, 0);
}

}  // namespace quillon
