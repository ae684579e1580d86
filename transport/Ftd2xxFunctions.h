#pragma once

#include <cstdint>

// The library's calling convention; the Windows build sets it, elsewhere there is only one.
#ifndef QOR_FTD2XX_CALL
#define QOR_FTD2XX_CALL
#endif

namespace transport {

// The eight functions of the chip maker's driver library, as each platform's loader finds
// them, and its device count, which the driver does without when the library lacks it.
struct Ftd2xxFunctions {
    // The library's C types: FT_HANDLE, FT_STATUS, DWORD and ULONG, UCHAR, USHORT.
    using FtHandle = void*;
    using FtStatus = std::uint32_t;
    using Dword = std::uint32_t;
    using Ulong = std::uint32_t;
    using Uchar = std::uint8_t;
    using Ushort = std::uint16_t;

    FtStatus(QOR_FTD2XX_CALL* open)(int, FtHandle*);
    FtStatus(QOR_FTD2XX_CALL* close)(FtHandle);
    FtStatus(QOR_FTD2XX_CALL* read)(FtHandle, void*, Dword, Dword*);
    FtStatus(QOR_FTD2XX_CALL* write)(FtHandle, void*, Dword, Dword*);
    FtStatus(QOR_FTD2XX_CALL* setBaudRate)(FtHandle, Ulong);
    FtStatus(QOR_FTD2XX_CALL* setDataCharacteristics)(FtHandle, Uchar, Uchar, Uchar);
    FtStatus(QOR_FTD2XX_CALL* setFlowControl)(FtHandle, Ushort, Uchar, Uchar);
    FtStatus(QOR_FTD2XX_CALL* setTimeouts)(FtHandle, Ulong, Ulong);
    // Counts the devices the library sees, opening none. May be null.
    FtStatus(QOR_FTD2XX_CALL* createDeviceInfoList)(Dword*) = nullptr;
};

}  // namespace transport
