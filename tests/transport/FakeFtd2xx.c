/* A stand-in for the chip maker's driver library with the same eight C functions and its
   device count (left out when built FAKE_FTD2XX_UNCOUNTED). It logs
   every call, answers the statuses a test sets, and reads from bytes a test feeds it. Like
   the real library it can run a thread of its own, started by the open. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <time.h>
#endif

typedef void* FT_HANDLE;
typedef uint32_t FT_STATUS;

static char callLog[4096];
static FT_STATUS failing[8];
static unsigned char input[512];
static uint32_t inputLength;
static unsigned char output[512];
static uint32_t outputLength;
static int device;
static unsigned* beatsWanted;
static uint32_t devices = 1;

enum { kOpen, kClose, kRead, kWrite, kBaud, kData, kFlow, kTimeouts };

static void logCall(const char* text) {
    size_t used = strlen(callLog);
    snprintf(callLog + used, sizeof callLog - used, "%s;", text);
}

/* Test controls. */
const char* FakeFtd2xx_log(void) { return callLog; }
void FakeFtd2xx_reset(void) {
    callLog[0] = 0;
    memset(failing, 0, sizeof failing);
    inputLength = outputLength = 0;
    devices = 1;
}
void FakeFtd2xx_fail(int function, FT_STATUS status) { failing[function] = status; }
void FakeFtd2xx_feed(const void* bytes, uint32_t count) {
    memcpy(input, bytes, count);
    inputLength = count;
}
const unsigned char* FakeFtd2xx_output(uint32_t* count) {
    *count = outputLength;
    return output;
}
/* How many devices the count reports. */
void FakeFtd2xx_setDevices(uint32_t count) { devices = count; }
/* The next open starts a thread that adds 1 to *beats every millisecond, for ever. */
void FakeFtd2xx_runThread(unsigned* beats) { beatsWanted = beats; }

#ifdef _WIN32
static DWORD WINAPI beat(void* beats) {
    for (;;) {
        Sleep(1);
        InterlockedIncrement((volatile LONG*)beats);
    }
    return 0;
}
static void startThread(unsigned* beats) {
    HANDLE thread = CreateThread(NULL, 0, beat, beats, 0, NULL);
    if (thread) CloseHandle(thread);
}
#else
static void* beat(void* beats) {
    const struct timespec millisecond = {0, 1000000};
    for (;;) {
        nanosleep(&millisecond, NULL);
        __atomic_add_fetch((unsigned*)beats, 1u, __ATOMIC_RELEASE);
    }
    return NULL;
}
static void startThread(unsigned* beats) {
    pthread_t thread;
    if (pthread_create(&thread, NULL, beat, beats) == 0) pthread_detach(thread);
}
#endif

FT_STATUS FT_Open(int index, FT_HANDLE* handle) {
    char text[32];
    snprintf(text, sizeof text, "open %d", index);
    logCall(text);
    if (beatsWanted) startThread(beatsWanted);
    beatsWanted = NULL;
    *handle = failing[kOpen] ? NULL : &device;
    return failing[kOpen];
}

FT_STATUS FT_Close(FT_HANDLE handle) {
    logCall(handle == &device ? "close" : "close ?");
    return failing[kClose];
}

FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, uint32_t wanted, uint32_t* got) {
    uint32_t n = wanted < inputLength ? wanted : inputLength;
    char text[32];
    snprintf(text, sizeof text, "read %u", wanted);
    logCall(handle == &device ? text : "read ?");
    *got = 0;
    if (failing[kRead]) return failing[kRead];
    memcpy(buffer, input, n);
    memmove(input, input + n, inputLength - n);
    inputLength -= n;
    *got = n;
    return 0;
}

FT_STATUS FT_Write(FT_HANDLE handle, void* buffer, uint32_t count, uint32_t* written) {
    char text[32];
    snprintf(text, sizeof text, "write %u", count);
    logCall(handle == &device ? text : "write ?");
    *written = 0;
    if (failing[kWrite]) return failing[kWrite];
    if (count > sizeof output - outputLength) count = (uint32_t)(sizeof output - outputLength);
    memcpy(output + outputLength, buffer, count);
    outputLength += count;
    *written = count;
    return 0;
}

FT_STATUS FT_SetBaudRate(FT_HANDLE handle, uint32_t baud) {
    char text[32];
    snprintf(text, sizeof text, "baud %u", baud);
    logCall(handle == &device ? text : "baud ?");
    return failing[kBaud];
}

FT_STATUS FT_SetDataCharacteristics(FT_HANDLE handle, unsigned char bits, unsigned char stop,
                                    unsigned char parity) {
    char text[32];
    snprintf(text, sizeof text, "data %u %u %u", bits, stop, parity);
    logCall(handle == &device ? text : "data ?");
    return failing[kData];
}

FT_STATUS FT_SetFlowControl(FT_HANDLE handle, uint16_t flow, unsigned char xon,
                            unsigned char xoff) {
    char text[32];
    snprintf(text, sizeof text, "flow %u %u %u", flow, xon, xoff);
    logCall(handle == &device ? text : "flow ?");
    return failing[kFlow];
}

#ifndef FAKE_FTD2XX_UNCOUNTED
FT_STATUS FT_CreateDeviceInfoList(uint32_t* count) {
    *count = devices;
    return 0;
}
#endif

#ifndef FAKE_FTD2XX_INCOMPLETE
FT_STATUS FT_SetTimeouts(FT_HANDLE handle, uint32_t readMs, uint32_t writeMs) {
    char text[32];
    snprintf(text, sizeof text, "timeouts %u %u", readMs, writeMs);
    logCall(handle == &device ? text : "timeouts ?");
    return failing[kTimeouts];
}
#endif
