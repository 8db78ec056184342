#include "support/Rig.h"

#include <gtest/gtest.h>

#include "firmware/FirmwareLoader.h"
#include "protocol/ProgramDevice.h"
#include "protocol/UpdateWorker.h"

namespace quillon::test {

std::string Rig::Firmware(const FirmwareFields& fields, const std::vector<std::uint8_t>& img) {
    image = img;
    const std::string path =
        dir.Write("fw" + std::to_string(files_made++) + ".fw", PackFirmware(fields, img));
    op.SetPath(path);
    const bool refused = FirmwareLoader(*st, op, files).LoadFirmwareFile();
    EXPECT_FALSE(refused) << "the loader refused the test's file";
    op.Clear();
    return path;
}

std::string Rig::Firmware(std::uint32_t model, std::uint8_t type, std::uint8_t storage,
                          std::uint32_t start, std::size_t imageSize) {
    FirmwareFields f;
    f.model = model;
    f.type = type;
    f.storage = storage;
    f.startAddress = start;
    return Firmware(f, RandomBytes(imageSize, model * 31 + imageSize));
}

Channel Rig::OpenFirst() {
    const Handle list = sim.OpenInterfaceList();
    std::string path;
    sim.EnumInterface(list, 0, path);
    sim.DestroyInterfaceList(list);
    const Handle probe = sim.OpenForQuery(path);
    HidCaps caps;
    sim.GetCaps(probe, caps);
    sim.CloseHandle(probe);
    st->SetHidCaps(caps);
    st->g_strDevicePath = path;
    return rx.channel.OpenChannel(path);
}

int Rig::Update() {
    st->g_bBusy = 1;
    return UpdateWorker(services).UpdateThreadProc();
}

std::vector<std::uint8_t> Rig::ReadBackLog() const {
    return TempDir::Read(files.Resolve(kReadBackLogName));
}

std::vector<std::uint8_t> Rig::FlashBytes(std::uint32_t start, std::size_t length, bool spi) {
    std::vector<std::uint8_t> out(length);
    sim::SimDevice& d = sim.Device(0);
    (spi ? d.Spi() : d.Flash()).Read(start, out.data(), static_cast<std::uint32_t>(length));
    return out;
}

std::size_t Rig::Sent(std::uint8_t opcode) const {
    std::size_t n = 0;
    for (const auto& w : log.Writes()) n += w.size() > 1 && w[1] == opcode;
    return n;
}

}  // namespace quillon::test
