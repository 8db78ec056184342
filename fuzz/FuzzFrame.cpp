// The simulated device's frame decoder and command handling on arbitrary reports.
#include "FuzzInput.h"
#include "sim/SimDevice.h"
#include "sim/SimFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    fuzz::FuzzInput in(data, size);
    const std::uint32_t model = in.U32();
    const std::size_t inputLength = in.Byte();
    const sim::DecodedFrame d = sim::DecodeFrame(in.Rest(), in.Left(), model);
    if (d.error.empty() && d.command == sim::SimCommand::kWriteFlash && d.count > 52) {
        __builtin_trap();
    }
    sim::SimDeviceConfig config;
    config.model = model;
    config.flashSize = 1 << 20;
    config.spiSize = 1 << 16;
    sim::SimDevice device(config);
    const sim::SimDevice::Reaction r = device.Receive(in.Rest(), in.Left(), 0, inputLength);
    if (r.answer && r.report.size() < 8) __builtin_trap();
    return 0;
}
