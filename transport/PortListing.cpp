#include "transport/PortListing.h"

#include <cstdio>

#include "transport/Ftd2xxDriver.h"

namespace transport {

LibraryReport reportLibrary(const char* libraryPath) {
    LibraryReport report;
    report.name = libraryPath ? libraryPath : Ftd2xxDriver::kDefaultLibrary;
    const auto library = Ftd2xxDriver::load(report.name.c_str());
    report.loads = library != nullptr;
    if (library) report.deviceCount = library->deviceCount();
    return report;
}

DongleHolder dongleHolder(const PortListing& listing, int index) {
    if (index < 0) return DongleHolder::Nobody;
    int ttys = 0;
    for (const PortRecord& port : listing.ports)
        if (port.index >= 0) ++ttys;
    if (index < ttys) return DongleHolder::KernelDriver;
    const LibraryReport& library = listing.library;
    if (!library.loads) return DongleHolder::Nobody;
    if (!library.deviceCount) return DongleHolder::Unknown;
    return static_cast<std::uint32_t>(index) < *library.deviceCount ? DongleHolder::Library
                                                                    : DongleHolder::Nobody;
}

std::string describeAccess(const PortAccess& access) {
    switch (access.state) {
        case PortAccess::State::Free:
            return "free";
        case PortAccess::State::Missing:
            return "missing: the system lists it, but its device file is not there";
        case PortAccess::State::PermissionDenied: {
            char mode[8];
            std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(access.mode & 07777));
            return "permission denied: owner " + access.owner + ", group " + access.group +
                   ", mode " + mode;
        }
        case PortAccess::State::Busy: {
            std::string text = "in use by ";
            for (std::size_t i = 0; i < access.holders.size(); ++i) {
                const PortHolder& holder = access.holders[i];
                if (i > 0) text += ", ";
                text += holder.command.empty() ? "a program" : holder.command;
                std::string details;
                if (holder.pid > 0) details = "pid " + std::to_string(holder.pid);
                if (holder.locks)
                    details += std::string(details.empty() ? "" : ", ") + "holds its lock";
                if (!details.empty()) text += " (" + details + ")";
            }
            return text;
        }
    }
    return "unknown";
}

}  // namespace transport
