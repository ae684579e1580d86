// Real I/O through the serial-port backend, over a pseudo-terminal dressed up as a USB
// serial port (tests/transport/PtyPorts.h). Skipped where the machine allows no mount
// namespace.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <pty.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <functional>
#include <string>

#include "tests/transport/PortTestSupport.h"
#include "tests/transport/PtyPorts.h"
#include "transport/DriverChooser.h"
#include "transport/PortListing.h"
#include "transport/SerialPortDriver.h"

using namespace transport;
using namespace ptyports;

namespace {

std::string readAll(int fd) {
    std::string bytes;
    char buffer[64];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<std::size_t>(n));
    return bytes;
}

// The port, as the program opens it: through the factory, linked port -> raw log -> top.
struct OpenedPort {
    explicit OpenedPort(PortFactory& factory, int deviceIndex = 0) {
        poller = factory.create(source, deviceIndex, 115200, &failure);
        if (!poller) return;
        source->setPending(&rawLog);
        rawLog.setPending(&top);
    }
    ByteSource* source = nullptr;
    DriverError failure;
    RawLog rawLog;
    transport::testing::CompleteOn top{0xAA};
    std::unique_ptr<PortPoller> poller;
};

// A query written to the port reaches the far end, and the answer comes back up the chain.
bool exchanges(OpenedPort& opened, int master) {
    if (opened.poller->port().write(ByteView("query")) != 5) return false;
    if (::write(master, "answer\xAA", 7) != 7) return false;
    if (!opened.poller->wait(1800)) return false;
    if (std::string(opened.rawLog.log().begin(), opened.rawLog.log().end()) != "answer\xAA")
        return false;
    return readAll(master) == "query";
}

TEST(SerialPortPtyTest, AnAnswerTravelsThroughTheChipVendorsFirstPort) {
    runOverThePty([](int master) {
        SteadyClock clock;
        SerialPortDriver driver;
        PortFactory factory(driver, clock, Settings{});
        OpenedPort opened(factory);
        if (!opened.poller) return 1;
        if (!exchanges(opened, master)) return 2;
        // Nothing more comes: the wait runs out on empty reads.
        opened.poller->drain(0);
        if (opened.poller->wait(10)) return 3;
        // The far end goes away: the first read fails, after its time-out, and ends the
        // wait; the poller reads nothing more.
        ::close(master);
        const std::int64_t start = clock.nowMs();
        if (opened.poller->wait(100)) return 4;
        if (clock.nowMs() - start < 20 || !opened.poller->failed()) return 5;
        if (opened.poller->wait(100) || clock.nowMs() - start >= 4 * 20) return 6;
        return 0;
    });
}

// A dongle pulled out: the kernel hangs its tty up, which then polls readable and reads
// nothing, at once and for ever. The read fails and takes its time, and the wait ends
// there: the device is gone, not silent.
TEST(SerialPortPtyTest, AHungUpPortFailsEachReadAndTheWaitTakesItsTime) {
    runOverThePty([](int master) {
        SteadyClock clock;
        SerialPortDriver driver;
        DeviceHandle handle = nullptr;
        if (!driver.open(0, &handle).ok()) return 1;
        driver.setTimeouts(handle, 50, 0);
        const int other = holdPort();
        if (ioctl(other, TIOCVHANGUP) != 0) return kSkipped;  // needs CAP_SYS_ADMIN
        std::uint8_t buffer[16];
        std::uint32_t got = 0;
        const DriverError failed = driver.read(handle, buffer, sizeof buffer, &got);
        if (failed.cause != DriverError::Cause::IoError || failed.name != kPortName) return 2;
        if (got != 0) return 3;

        PortPoller poller(new FtdiPort(driver, clock, handle));  // owns the port
        FtdiPort& port = poller.port();
        port.setReadTimeout(20);
        std::int64_t start = clock.nowMs();
        if (port.pump() != -1) return 4;
        if (clock.nowMs() - start < 20) return 5;
        // The worker's idle wait: its first read fails, sleeping through its time-out
        // instead of spinning, and ends it; later waits read nothing. The bound on processor
        // time is loose, for a busy machine.
        rusage before{};
        getrusage(RUSAGE_THREAD, &before);
        start = clock.nowMs();
        if (poller.wait(500)) return 6;
        if (clock.nowMs() - start < 20 || clock.nowMs() - start >= 500 || !poller.failed())
            return 7;
        if (poller.wait(500) || poller.drain(10) != true || clock.nowMs() - start >= 500) return 9;
        rusage after{};
        getrusage(RUSAGE_THREAD, &after);
        const auto cpuUs = [](const rusage& r) {
            return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000000LL + r.ru_utime.tv_usec +
                   r.ru_stime.tv_usec;
        };
        if (cpuUs(after) - cpuUs(before) > 100000) return 8;
        (void)master;
        return 0;
    });
}

TEST(SerialPortPtyTest, APortTheUserMayNotOpenIsPermissionDenied) {
    runOverThePty([](int) {
        if (chmod(kPortName, 0) != 0 || !dropCapabilities()) return kSkipped;
        SerialPortDriver driver;
        DeviceHandle handle = nullptr;
        const DriverError denied = driver.open(0, &handle);
        if (denied != DriverError{DriverError::Cause::PermissionDenied, 0, kPortName}) return 1;
        if (handle != nullptr) return 2;
        // The listing says so before any open.
        const PortListing listing = listPorts();
        if (listing.ports.empty() || listing.ports[0].path != kPortName) return 3;
        if (listing.ports[0].access.state != PortAccess::State::PermissionDenied) return 4;
        return 0;
    });
}

TEST(SerialPortPtyTest, APortAnotherProgramHoldsIsBusy) {
    runOverThePty([](int) {
        const DriverError busy{DriverError::Cause::PortBusy, 0, kPortName};
        SerialPortDriver driver;
        DeviceHandle first = nullptr;
        DeviceHandle second = nullptr;
        // Another instance of this program: its port is locked.
        if (!driver.open(0, &first).ok()) return 1;
        if (driver.open(0, &second) != busy || second != nullptr) return 2;
        driver.close(first);
        if (!driver.open(0, &first).ok()) return 3;
        driver.close(first);
        // A program that locks the port the same way.
        const int locked = holdPort();
        if (flock(locked, LOCK_EX | LOCK_NB) != 0) return 4;
        if (driver.open(0, &first) != busy) return 5;
        ::close(locked);
        // A program that holds the tty exclusively.
        const int exclusive = holdPort();
        if (ioctl(exclusive, TIOCEXCL) != 0 || !dropCapabilities()) return kSkipped;
        if (driver.open(0, &first) != busy) return 6;
        return 0;
    });
}

// Each choice reaches the port it names, and the listing counts the ports as the driver does.
TEST(SerialPortPtyTest, AnIndexOrAPathReachesThePortItNames) {
    runOverThePtys([](int master, int secondMaster) {
        const struct {
            DeviceChoice choice;
            int far;
        } cases[] = {
            {DeviceChoice::ofIndex(0), master},
            {DeviceChoice::ofIndex(1), secondMaster},
            {DeviceChoice::ofPath("/dev/ttyUSB10"), secondMaster},
            {DeviceChoice::ofPath(kStableName), master},
        };
        SteadyClock clock;
        int step = 0;
        for (const auto& c : cases) {
            const auto drivers = driversFor(c.choice, "/nonexistent/libftd2xx.so");
            PortFactory factory(drivers, clock, Settings{});
            OpenedPort opened(factory, c.choice.index());
            if (!opened.poller) return 10 + step;
            if (!exchanges(opened, c.far)) return 20 + step;
            ++step;
        }
        const PortListing listing = listPorts();
        if (listing.ports.size() != 3) return 1;
        if (listing.ports[0].path != kPortName || listing.ports[0].index != 0) return 2;
        if (listing.ports[0].byIdPath != kStableName) return 3;
        if (listing.ports[1].path != "/dev/ttyUSB10" || listing.ports[1].index != 1) return 4;
        if (listing.ports[2].path != "/dev/ttyUSB0" || listing.ports[2].index != -1) return 5;
        if (!listing.ports[0].access.mayOpen() || !listing.ports[1].access.mayOpen()) return 6;
        return 0;
    });
}

// The listing finds the program that holds the port, by its name and pid, and the driver
// then finds the port busy.
TEST(SerialPortPtyTest, TheListingNamesTheProgramThatHoldsAPort) {
    runOverThePty([](int) {
        const pid_t holder = startHolder("minicom");
        if (holder < 0) return 1;
        const PortListing listing = listPorts();
        SerialPortDriver driver;
        DeviceHandle handle = nullptr;
        const DriverError opened = driver.open(0, &handle);
        stopHolder(holder);
        if (listing.ports.empty()) return 2;
        const PortAccess& access = listing.ports[0].access;
        if (access.state != PortAccess::State::Busy) return 3;
        if (access.holders != std::vector<PortHolder>{{holder, "minicom", true}}) return 4;
        if (opened.cause != DriverError::Cause::PortBusy) return 5;
        if (!listPorts().ports[0].access.mayOpen()) return 6;
        return 0;
    });
}

// The stand-in for the chip maker's library, reached the way the driver reaches it.
struct FakeLibrary {
    enum Function { kOpen };
    void* handle = dlopen(FAKE_FTD2XX_PATH, RTLD_NOW | RTLD_LOCAL);
    void fail(Function function, std::uint32_t status) {
        using Fail = void (*)(int, std::uint32_t);
        reinterpret_cast<Fail>(dlsym(handle, "FakeFtd2xx_fail"))(function, status);
    }
};

// The library loads but cannot open a dongle that the kernel's serial driver holds.
TEST(SerialPortPtyTest, WhenTheLibraryCannotOpenTheDongleTheSerialPortServes) {
    runOverThePty([](int master) {
        FakeLibrary library;
        library.fail(FakeLibrary::kOpen, 3);
        const auto drivers = platformDrivers(FAKE_FTD2XX_PATH);
        if (drivers.size() != 2) return 1;
        SteadyClock clock;
        PortFactory factory(drivers, clock, Settings{});
        ::testing::internal::CaptureStdout();
        OpenedPort opened(factory);
        if (::testing::internal::GetCapturedStdout() != "") return 2;
        if (!opened.poller || !opened.failure.ok()) return 3;
        if (!exchanges(opened, master)) return 4;
        return 0;
    });
}

}  // namespace
