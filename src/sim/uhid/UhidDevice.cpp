#include "sim/uhid/UhidDevice.h"

#include <fcntl.h>
#include <linux/uhid.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quillon::sim {

namespace {

constexpr std::uint16_t kBusUsb = 0x03;

void CopyName(std::uint8_t* to, std::size_t size, const std::string& from) {
    std::snprintf(reinterpret_cast<char*>(to), size, "%s", from.c_str());
}

}  // namespace

UhidDevice::~UhidDevice() {
    Destroy();
    if (fd_ >= 0) ::close(fd_);
}

bool UhidDevice::Open(const std::string& uhidPath, std::string& error) {
    fd_ = ::open(uhidPath.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        error = uhidPath + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool UhidDevice::Send(const void* event, std::size_t size) {
    // The kernel takes an event whole or not at all.
    ssize_t n;
    do {
        n = ::write(fd_, event, size);
    } while (n < 0 && errno == EINTR);
    if (n != static_cast<ssize_t>(size)) {
        std::fprintf(stderr, "quillon-simd: %s: uhid write: %s\n", label_.c_str(),
                     n < 0 ? std::strerror(errno) : "cut short");
        return false;
    }
    return true;
}

bool UhidDevice::Create(const Identity& identity, const std::vector<std::uint8_t>& descriptor) {
    if (descriptor.size() > HID_MAX_DESCRIPTOR_SIZE) {
        std::fprintf(stderr, "quillon-simd: %s: report descriptor too long\n", label_.c_str());
        return false;
    }
    uhid_event ev{};
    ev.type = UHID_CREATE2;
    CopyName(ev.u.create2.name, sizeof ev.u.create2.name, "Quillon simulated " + label_);
    CopyName(ev.u.create2.phys, sizeof ev.u.create2.phys, port_);
    CopyName(ev.u.create2.uniq, sizeof ev.u.create2.uniq, label_);
    ev.u.create2.rd_size = static_cast<std::uint16_t>(descriptor.size());
    ev.u.create2.bus = kBusUsb;
    ev.u.create2.vendor = identity.vid;
    ev.u.create2.product = identity.pid;
    ev.u.create2.version = 0x0100;
    std::memcpy(ev.u.create2.rd_data, descriptor.data(), descriptor.size());
    if (!Send(&ev, sizeof ev)) return false;
    created_ = true;
    std::fprintf(stderr, "quillon-simd: %s up as %04X:%04X\n", label_.c_str(), identity.vid,
                 identity.pid);
    return true;
}

void UhidDevice::Destroy() {
    if (!created_) return;
    uhid_event ev{};
    ev.type = UHID_DESTROY;
    Send(&ev, sizeof ev);
    created_ = false;
    std::fprintf(stderr, "quillon-simd: %s down\n", label_.c_str());
}

bool UhidDevice::Input(const std::uint8_t* report, std::size_t len) {
    uhid_event ev{};
    ev.type = UHID_INPUT2;
    ev.u.input2.size = static_cast<std::uint16_t>(std::min<std::size_t>(len, UHID_DATA_MAX));
    std::memcpy(ev.u.input2.data, report, ev.u.input2.size);
    return Send(&ev, sizeof ev);
}

UhidDevice::Event UhidDevice::Read(std::vector<std::uint8_t>& report) {
    uhid_event ev{};
    const ssize_t n = ::read(fd_, &ev, sizeof ev);
    if (n < 0) {
        if (errno == EAGAIN || errno == EINTR) return Event::kNothing;
        std::fprintf(stderr, "quillon-simd: %s: uhid read: %s\n", label_.c_str(),
                     std::strerror(errno));
        return Event::kFailed;
    }
    switch (ev.type) {
        case UHID_OUTPUT:
            if (ev.u.output.rtype != UHID_OUTPUT_REPORT) return Event::kOther;
            report.assign(
                ev.u.output.data,
                ev.u.output.data + std::min<std::size_t>(ev.u.output.size, UHID_DATA_MAX));
            return Event::kOutput;
        case UHID_GET_REPORT: {
            // The device has no feature reports; a refusal keeps the asking thread from hanging.
            uhid_event reply{};
            reply.type = UHID_GET_REPORT_REPLY;
            reply.u.get_report_reply.id = ev.u.get_report.id;
            reply.u.get_report_reply.err = EIO;
            return Send(&reply, sizeof reply) ? Event::kOther : Event::kFailed;
        }
        case UHID_SET_REPORT: {
            uhid_event reply{};
            reply.type = UHID_SET_REPORT_REPLY;
            reply.u.set_report_reply.id = ev.u.set_report.id;
            reply.u.set_report_reply.err = EIO;
            return Send(&reply, sizeof reply) ? Event::kOther : Event::kFailed;
        }
        default:
            return Event::kOther;
    }
}

}  // namespace quillon::sim
