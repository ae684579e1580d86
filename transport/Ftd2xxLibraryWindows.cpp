#include "transport/Ftd2xxDriver.h"

#include <windows.h>

#include "transport/Ftd2xxFunctions.h"

namespace transport {

// Found beside the program or where the driver's installer put it (the system folder).
const char* const Ftd2xxDriver::kDefaultLibrary = "FTD2XX.dll";

namespace {
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

std::unique_ptr<Ftd2xxDriver> Ftd2xxDriver::load(const char* libraryPath) {
    // Never freed: a library that has started threads cannot be unloaded safely.
    HMODULE library = LoadLibraryA(libraryPath);
    if (!library) return nullptr;
    auto f = std::make_unique<Ftd2xxFunctions>();
    const bool complete = bind(library, kOpen, f->open) && bind(library, kClose, f->close) &&
                          bind(library, kRead, f->read) && bind(library, kWrite, f->write) &&
                          bind(library, kSetBaudRate, f->setBaudRate) &&
                          bind(library, kSetDataCharacteristics, f->setDataCharacteristics) &&
                          bind(library, kSetFlowControl, f->setFlowControl) &&
                          bind(library, kSetTimeouts, f->setTimeouts);
    if (!complete) return nullptr;
    // The device count is not among the functions imported by ordinal: it is found by its
    // name, and the driver does without it where it is missing.
    const FARPROC count = GetProcAddress(library, "FT_CreateDeviceInfoList");
    f->createDeviceInfoList =
        reinterpret_cast<decltype(f->createDeviceInfoList)>(reinterpret_cast<void (*)()>(count));
    return std::unique_ptr<Ftd2xxDriver>(new Ftd2xxDriver(libraryPath, std::move(f)));
}

}  // namespace transport
