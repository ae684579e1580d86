#include "transport/PortListing.h"

namespace transport {

// This build reaches the dongle through the chip maker's library alone: there are no ports
// to list, only what the library reports.
PortListing listPorts(const SystemRoots&, const char* libraryPath) {
    PortListing listing;
    listing.library = reportLibrary(libraryPath);
    listing.pathsOpen = false;
    return listing;
}

const PortRecord* findPort(const PortListing& listing, const DeviceChoice& choice) {
    for (const PortRecord& port : listing.ports)
        if (!choice.isPath() && port.index == choice.index()) return &port;
    return nullptr;
}

}  // namespace transport
