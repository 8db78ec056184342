// The worker's receiver: every operation of the link and the protocol, wired over one set of
// services. One is made per update run (and per test).
#pragma once

#include "hid/DeviceChannel.h"
#include "hid/LinkServices.h"
#include "hid/ReportTransport.h"
#include "protocol/DeviceCommands.h"
#include "protocol/DeviceDiscovery.h"
#include "protocol/DeviceIdentification.h"

namespace quillon {

struct Receiver {
    explicit Receiver(LinkServices& s)
        : services(s),
          channel(s),
          transport(s, channel),
          commands(s, transport),
          identification(s, channel, transport, commands),
          discovery(s, channel, identification) {}
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    LinkServices& services;
    DeviceChannel channel;
    ReportTransport transport;
    DeviceCommands commands;
    DeviceIdentification identification;
    DeviceDiscovery discovery;
};

}  // namespace quillon
