// Real I/O through the serial-port backend, over a pseudo-terminal dressed up as a USB
// serial port. libserialport finds ports under /sys/class/tty and opens them under /dev,
// so a child process builds both in a private mount namespace; the pseudo-terminal's
// missing modem-control lines are answered by the ioctl below. Skipped where the machine
// allows no mount namespace.
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
#include "transport/DriverChooser.h"
#include "transport/PortListing.h"
#include "transport/SerialPortDriver.h"

// Modem-control requests succeed with no lines set: a pseudo-terminal has none.
extern "C" int ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    using Ioctl = int (*)(int, unsigned long, void*);
    static const auto real = reinterpret_cast<Ioctl>(dlsym(RTLD_NEXT, "ioctl"));
    const int result = real(fd, request, argument);
    const bool modem =
        request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
    if (result == 0 || !modem || errno != ENOTTY) return result;
    if (request == TIOCMGET) *static_cast<int*>(argument) = 0;
    return 0;
}

using namespace transport;

namespace {

constexpr int kSkipped = 77;

bool writeFile(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file) return false;
    std::fputs(text.c_str(), file);
    return std::fclose(file) == 0;
}

bool touch(const std::string& path) {
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0666);
    return fd >= 0 && ::close(fd) == 0;
}

constexpr const char* kStableName = "/dev/serial/by-id/usb-Qor_Radio_dongle_A1-if00-port0";

bool enterPrivateMounts() {
    if (unshare(CLONE_NEWNS) != 0) {
        const uid_t uid = getuid();
        const gid_t gid = getgid();
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
        writeFile("/proc/self/setgroups", "deny");
        writeFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
        writeFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
    }
    // Nothing done from here on may reach the machine's own mounts.
    return mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// USB serial ports in the sysfs layout libserialport reads: ttyUSB0 of another vendor,
// ttyUSB1 and ttyUSB10 of the chip maker; ttyUSB1 and ttyUSB10 are the pseudo-terminals,
// and a stable name links to ttyUSB1.
bool dressUpAsUsbPorts(const char* ptyName, const char* secondPtyName) {
    const std::string tty = "/sys/class/tty";
    if (mount("tmpfs", tty.c_str(), "tmpfs", 0, nullptr) != 0) return false;
    const std::string parked = tty + "/pty";
    const std::string parkedSecond = tty + "/pty2";
    if (!touch(parked) || mount(ptyName, parked.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        !touch(parkedSecond) ||
        mount(secondPtyName, parkedSecond.c_str(), nullptr, MS_BIND, nullptr) != 0)
        return false;
    if (mount("tmpfs", "/dev", "tmpfs", 0, nullptr) != 0) return false;
    const std::string devices = tty + "/devices";
    if (mkdir(devices.c_str(), 0755) != 0) return false;
    const std::pair<const char*, const char*> ports[] = {
        {"ttyUSB0", "10c4"}, {"ttyUSB1", "0403"}, {"ttyUSB10", "0403"}};
    for (const auto& [name, vendor] : ports) {
        const std::string dir = devices + "/usb-" + name;
        bool ok = mkdir(dir.c_str(), 0755) == 0 && mkdir((dir + "/device").c_str(), 0755) == 0 &&
                  writeFile(dir + "/busnum", "1\n") && writeFile(dir + "/devnum", "2\n") &&
                  writeFile(dir + "/idVendor", std::string(vendor) + "\n") &&
                  writeFile(dir + "/idProduct", "6001\n") &&
                  symlink(("devices/usb-" + std::string(name)).c_str(),
                          (tty + "/" + name).c_str()) == 0 &&
                  touch(std::string("/dev/") + name);
        if (!ok) return false;
    }
    if (mkdir("/dev/serial", 0755) != 0 || mkdir("/dev/serial/by-id", 0755) != 0 ||
        symlink("../../ttyUSB1", kStableName) != 0)
        return false;
    return mount(parked.c_str(), "/dev/ttyUSB1", nullptr, MS_BIND, nullptr) == 0 &&
           mount(parkedSecond.c_str(), "/dev/ttyUSB10", nullptr, MS_BIND, nullptr) == 0;
}

std::string readAll(int fd) {
    std::string bytes;
    char buffer[64];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<std::size_t>(n));
    return bytes;
}

constexpr const char* kPortName = "/dev/ttyUSB1";

// Gives up every capability, so that the kernel's checks of file modes and of exclusive
// ttys apply to this process as to an ordinary user's.
bool dropCapabilities() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[_LINUX_CAPABILITY_U32S_3] = {};
    return syscall(SYS_capset, &header, none) == 0;
}

// A second opening of the port, as another program would hold it.
int holdPort() { return ::open(kPortName, O_RDWR | O_NOCTTY | O_NONBLOCK); }

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

// Runs body in a child process whose private mounts show two pseudo-terminals as ttyUSB1
// and ttyUSB10; the body answers 0 or the number of the step that failed, kSkipped for a
// check the machine cannot make. Reports the outcome as the test's.
void runOverThePtys(const std::function<int(int master, int secondMaster)>& body) {
    std::fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(20);
        int masters[2] = {-1, -1};
        int slaves[2] = {-1, -1};
        char names[2][64] = {};
        for (int i = 0; i < 2; ++i) {
            if (openpty(&masters[i], &slaves[i], names[i], nullptr, nullptr) != 0) _exit(kSkipped);
            termios raw{};
            tcgetattr(masters[i], &raw);
            cfmakeraw(&raw);
            tcsetattr(masters[i], TCSANOW, &raw);
            fcntl(masters[i], F_SETFL, O_NONBLOCK);
        }
        if (!enterPrivateMounts() || !dressUpAsUsbPorts(names[0], names[1])) _exit(kSkipped);
        ::close(slaves[0]);
        ::close(slaves[1]);
        _exit(body(masters[0], masters[1]));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "child ended by signal " << WTERMSIG(status);
    if (WEXITSTATUS(status) == kSkipped) GTEST_SKIP() << "not possible on this machine";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failed at step " << WEXITSTATUS(status);
}

// The same with the body given ttyUSB1's far end alone.
void runOverThePty(const std::function<int(int master)>& body) {
    runOverThePtys([&](int master, int) { return body(master); });
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

// Another program, started here, that opens the port and takes its lock as this program's
// driver does, under the command name given; its pid, once it holds the port.
pid_t startHolder(const char* command) {
    int ready[2];
    if (pipe(ready) != 0) return -1;
    const pid_t holder = fork();
    if (holder == 0) {
        prctl(PR_SET_NAME, command);
        const int fd = holdPort();
        if (fd < 0 || flock(fd, LOCK_EX | LOCK_NB) != 0) _exit(1);
        if (::write(ready[1], "x", 1) != 1) _exit(1);
        pause();
        _exit(0);
    }
    char byte = 0;
    const bool holds = holder > 0 && ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    ::close(ready[1]);
    return holds ? holder : -1;
}

void stopHolder(pid_t holder) {
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
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
