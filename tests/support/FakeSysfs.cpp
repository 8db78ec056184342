#include "support/FakeSysfs.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace quillon::test {

namespace fs = std::filesystem;

FakeSysfs::FakeSysfs() {
    fs::create_directories(dir_.Path() / "sys" / "class" / "hidraw");
    fs::create_directories(dir_.Path() / "sys" / "devices");
    fs::create_directories(dir_.Path() / "dev");
}

void FakeSysfs::AddNode(const std::string& name, std::uint16_t vid, std::uint16_t pid,
                        const std::vector<std::uint8_t>& descriptor) {
    char uevent[128];
    std::snprintf(uevent, sizeof uevent,
                  "DRIVER=hid-generic\nHID_ID=0003:%08X:%08X\nHID_NAME=Test device\n", vid, pid);
    AddRawNode(name, uevent, descriptor);
}

void FakeSysfs::AddRawNode(const std::string& name, const std::string& uevent,
                           const std::optional<std::vector<std::uint8_t>>& descriptor,
                           const std::string& parents) {
    // devices/HIDDEV/{uevent,report_descriptor,hidraw/NAME/device -> ../..}, and
    // class/hidraw/NAME -> ../../devices/HIDDEV/hidraw/NAME.
    const std::string hid =
        (parents.empty() ? "" : parents + "/") + "hid" + std::to_string(devices_++);
    const fs::path device = dir_.Path() / "sys" / "devices" / hid;
    fs::create_directories(device / "hidraw" / name);
    std::ofstream(device / "uevent") << uevent;
    if (descriptor) {
        std::ofstream out(device / "report_descriptor", std::ios::binary);
        out.write(reinterpret_cast<const char*>(descriptor->data()),
                  static_cast<std::streamsize>(descriptor->size()));
    }
    fs::create_directory_symlink("../..", device / "hidraw" / name / "device");
    fs::create_directory_symlink("../../devices/" + hid + "/hidraw/" + name,
                                 dir_.Path() / "sys" / "class" / "hidraw" / name);
}

void FakeSysfs::RemoveNode(const std::string& name) {
    fs::remove(dir_.Path() / "sys" / "class" / "hidraw" / name);
    fs::remove(dir_.Path() / "dev" / name);
}

std::string FakeSysfs::MakeFifo(const std::string& name) {
    const std::string path = dir_.File("dev/" + name);
    ::mkfifo(path.c_str(), 0600);
    return path;
}

}  // namespace quillon::test
