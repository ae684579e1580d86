#include "transport/Ftd2xxDriver.h"

#include <dlfcn.h>

#include "transport/Ftd2xxFunctions.h"

namespace transport {

const char* const Ftd2xxDriver::kDefaultLibrary = QOR_FTD2XX_LIBRARY;

namespace {
template <typename Function>
bool bind(void* library, const char* name, Function*& function) {
    function = reinterpret_cast<Function*>(dlsym(library, name));
    return function != nullptr;
}
}  // namespace

std::unique_ptr<Ftd2xxDriver> Ftd2xxDriver::load(const char* libraryPath) {
    // Never unloaded, not even by a dlclose elsewhere in the process.
    void* library = dlopen(libraryPath, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!library) return nullptr;
    auto f = std::make_unique<Ftd2xxFunctions>();
    const bool complete =
        bind(library, "FT_Open", f->open) && bind(library, "FT_Close", f->close) &&
        bind(library, "FT_Read", f->read) && bind(library, "FT_Write", f->write) &&
        bind(library, "FT_SetBaudRate", f->setBaudRate) &&
        bind(library, "FT_SetDataCharacteristics", f->setDataCharacteristics) &&
        bind(library, "FT_SetFlowControl", f->setFlowControl) &&
        bind(library, "FT_SetTimeouts", f->setTimeouts);
    if (!complete) return nullptr;
    bind(library, "FT_CreateDeviceInfoList", f->createDeviceInfoList);
    return std::unique_ptr<Ftd2xxDriver>(new Ftd2xxDriver(libraryPath, std::move(f)));
}

}  // namespace transport
