#include "transport/Ftd2xxDriver.h"

#include <dlfcn.h>

namespace transport {

const char* const Ftd2xxDriver::kDefaultLibrary = QOR_FTD2XX_LIBRARY;

namespace {
// The library's C types: FT_HANDLE, FT_STATUS, DWORD and ULONG, UCHAR, USHORT.
using FtHandle = void*;
using FtStatus = std::uint32_t;
using Dword = std::uint32_t;
using Ulong = std::uint32_t;
using Uchar = std::uint8_t;
using Ushort = std::uint16_t;

template <typename Function>
bool bind(void* library, const char* name, Function*& function) {
    function = reinterpret_cast<Function*>(dlsym(library, name));
    return function != nullptr;
}
}  // namespace

struct Ftd2xxDriver::Functions {
    FtStatus (*open)(int, FtHandle*);
    FtStatus (*close)(FtHandle);
    FtStatus (*read)(FtHandle, void*, Dword, Dword*);
    FtStatus (*write)(FtHandle, void*, Dword, Dword*);
    FtStatus (*setBaudRate)(FtHandle, Ulong);
    FtStatus (*setDataCharacteristics)(FtHandle, Uchar, Uchar, Uchar);
    FtStatus (*setFlowControl)(FtHandle, Ushort, Uchar, Uchar);
    FtStatus (*setTimeouts)(FtHandle, Ulong, Ulong);
};

std::unique_ptr<Ftd2xxDriver> Ftd2xxDriver::load(const char* libraryPath) {
    void* library = dlopen(libraryPath, RTLD_NOW | RTLD_LOCAL);
    if (!library) return nullptr;
    auto f = std::make_unique<Functions>();
    const bool complete =
        bind(library, "FT_Open", f->open) && bind(library, "FT_Close", f->close) &&
        bind(library, "FT_Read", f->read) && bind(library, "FT_Write", f->write) &&
        bind(library, "FT_SetBaudRate", f->setBaudRate) &&
        bind(library, "FT_SetDataCharacteristics", f->setDataCharacteristics) &&
        bind(library, "FT_SetFlowControl", f->setFlowControl) &&
        bind(library, "FT_SetTimeouts", f->setTimeouts);
    if (!complete) {
        dlclose(library);
        return nullptr;
    }
    return std::unique_ptr<Ftd2xxDriver>(new Ftd2xxDriver(library, std::move(f)));
}

Ftd2xxDriver::Ftd2xxDriver(void* library, std::unique_ptr<Functions> functions)
    : library_(library), functions_(std::move(functions)) {}

Ftd2xxDriver::~Ftd2xxDriver() {
    dlclose(library_);
}

DriverStatus Ftd2xxDriver::open(int deviceIndex, DeviceHandle* handle) {
    return functions_->open(deviceIndex, handle);
}

DriverStatus Ftd2xxDriver::close(DeviceHandle handle) {
    return functions_->close(handle);
}

DriverStatus Ftd2xxDriver::read(DeviceHandle handle, void* buffer, std::uint32_t wanted,
                                std::uint32_t* got) {
    return functions_->read(handle, buffer, wanted, got);
}

DriverStatus Ftd2xxDriver::write(DeviceHandle handle, const void* buffer, std::uint32_t count,
                                 std::uint32_t* written) {
    // The library takes a plain pointer but only reads from it.
    return functions_->write(handle, const_cast<void*>(buffer), count, written);
}

DriverStatus Ftd2xxDriver::setBaudRate(DeviceHandle handle, std::uint32_t baud) {
    return functions_->setBaudRate(handle, baud);
}

DriverStatus Ftd2xxDriver::setDataCharacteristics(DeviceHandle handle, std::uint8_t wordLength,
                                                  std::uint8_t stopBits, std::uint8_t parity) {
    return functions_->setDataCharacteristics(handle, wordLength, stopBits, parity);
}

DriverStatus Ftd2xxDriver::setFlowControl(DeviceHandle handle, std::uint16_t flow, std::uint8_t xon,
                                          std::uint8_t xoff) {
    return functions_->setFlowControl(handle, flow, xon, xoff);
}

DriverStatus Ftd2xxDriver::setTimeouts(DeviceHandle handle, std::uint32_t readMs,
                                       std::uint32_t writeMs) {
    return functions_->setTimeouts(handle, readMs, writeMs);
}

}  // namespace transport
