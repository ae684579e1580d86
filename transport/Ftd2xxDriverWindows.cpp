#include "transport/Ftd2xxDriver.h"

#include <windows.h>

namespace transport {

// Found beside the program or where the driver's installer put it (the system folder).
const char* const Ftd2xxDriver::kDefaultLibrary = "FTD2XX.dll";

namespace {
// The library's C types: FT_HANDLE, FT_STATUS, DWORD and ULONG, UCHAR, USHORT.
using FtHandle = void*;
using FtStatus = std::uint32_t;
using Dword = std::uint32_t;
using Ulong = std::uint32_t;
using Uchar = std::uint8_t;
using Ushort = std::uint16_t;

// The library is imported by ordinal, the one fixed number of each function across its versions.
enum Ordinal : WORD {
    kOpen = 1,
    kClose = 2,
    kRead = 3,
    kWrite = 4,
    kSetBaudRate = 7,
    kSetDataCharacteristics = 8,
    kSetFlowControl = 9,
    kSetTimeouts = 17,
};

template <typename Function>
bool bind(HMODULE library, Ordinal ordinal, Function*& function) {
    const FARPROC address = GetProcAddress(library, MAKEINTRESOURCEA(ordinal));
    // Through the generic function pointer type, which converts to any other without a warning.
    function = reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(address));
    return function != nullptr;
}
}  // namespace

struct Ftd2xxDriver::Functions {
    FtStatus(WINAPI* open)(int, FtHandle*);
    FtStatus(WINAPI* close)(FtHandle);
    FtStatus(WINAPI* read)(FtHandle, void*, Dword, Dword*);
    FtStatus(WINAPI* write)(FtHandle, void*, Dword, Dword*);
    FtStatus(WINAPI* setBaudRate)(FtHandle, Ulong);
    FtStatus(WINAPI* setDataCharacteristics)(FtHandle, Uchar, Uchar, Uchar);
    FtStatus(WINAPI* setFlowControl)(FtHandle, Ushort, Uchar, Uchar);
    FtStatus(WINAPI* setTimeouts)(FtHandle, Ulong, Ulong);
};

std::unique_ptr<Ftd2xxDriver> Ftd2xxDriver::load(const char* libraryPath) {
    HMODULE library = LoadLibraryA(libraryPath);
    if (!library) return nullptr;
    auto f = std::make_unique<Functions>();
    const bool complete =
        bind(library, kOpen, f->open) && bind(library, kClose, f->close) &&
        bind(library, kRead, f->read) && bind(library, kWrite, f->write) &&
        bind(library, kSetBaudRate, f->setBaudRate) &&
        bind(library, kSetDataCharacteristics, f->setDataCharacteristics) &&
        bind(library, kSetFlowControl, f->setFlowControl) &&
        bind(library, kSetTimeouts, f->setTimeouts);
    if (!complete) {
        FreeLibrary(library);
        return nullptr;
    }
    return std::unique_ptr<Ftd2xxDriver>(new Ftd2xxDriver(library, std::move(f)));
}

Ftd2xxDriver::Ftd2xxDriver(void* library, std::unique_ptr<Functions> functions)
    : library_(library), functions_(std::move(functions)) {}

Ftd2xxDriver::~Ftd2xxDriver() {
    FreeLibrary(static_cast<HMODULE>(library_));
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
