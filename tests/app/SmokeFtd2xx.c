/* A stand-in FTD2XX.dll for running the program itself: a device that opens and never
   answers, or, built with SMOKE_NO_DEVICE, no device at all. Reads wait out the read
   time-out as the library's do. When QOR_SMOKE_FTD2XX_LOG names a file, the opening calls
   and every write are appended to it, so a test sees what the program did through it. */
#include <windows.h>

#include <stdint.h>
#include <stdio.h>

typedef void* FT_HANDLE;
typedef uint32_t FT_STATUS;

enum { kOk = 0, kDeviceNotFound = 2 };

#ifndef SMOKE_NO_DEVICE
static int device; /* the handle points at it */
#endif
static DWORD readTimeoutMs;

static void logCall(const char* format, unsigned a, unsigned b, unsigned c) {
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("QOR_SMOKE_FTD2XX_LOG", path, sizeof path);
    FILE* file;
    if (length == 0 || length >= sizeof path) return;
    file = fopen(path, "a");
    if (!file) return;
    fprintf(file, format, a, b, c);
    fputc(';', file);
    fclose(file);
}

FT_STATUS WINAPI FT_Open(int index, FT_HANDLE* handle) {
    logCall("open %u", (unsigned)index, 0, 0);
#ifdef SMOKE_NO_DEVICE
    *handle = NULL;
    return kDeviceNotFound;
#else
    *handle = &device;
    return kOk;
#endif
}

FT_STATUS WINAPI FT_Close(FT_HANDLE handle) {
    (void)handle;
    logCall("close", 0, 0, 0);
    return kOk;
}

FT_STATUS WINAPI FT_Read(FT_HANDLE handle, void* buffer, DWORD wanted, DWORD* got) {
    (void)handle;
    (void)buffer;
    (void)wanted;
    Sleep(readTimeoutMs);
    *got = 0;
    return kOk;
}

FT_STATUS WINAPI FT_Write(FT_HANDLE handle, void* buffer, DWORD count, DWORD* written) {
    (void)handle;
    (void)buffer;
    logCall("write %u", (unsigned)count, 0, 0);
    *written = count;
    return kOk;
}

FT_STATUS WINAPI FT_SetBaudRate(FT_HANDLE handle, ULONG baud) {
    (void)handle;
    logCall("baud %u", (unsigned)baud, 0, 0);
    return kOk;
}

FT_STATUS WINAPI FT_SetDataCharacteristics(FT_HANDLE handle, UCHAR bits, UCHAR stop, UCHAR parity) {
    (void)handle;
    logCall("data %u %u %u", bits, stop, parity);
    return kOk;
}

FT_STATUS WINAPI FT_SetFlowControl(FT_HANDLE handle, USHORT flow, UCHAR xon, UCHAR xoff) {
    (void)handle;
    logCall("flow %u %u %u", flow, xon, xoff);
    return kOk;
}

FT_STATUS WINAPI FT_SetTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs) {
    (void)handle;
    (void)writeMs;
    readTimeoutMs = readMs;
    return kOk;
}
