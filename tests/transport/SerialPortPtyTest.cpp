// Real I/O through the serial-port backend, over a pseudo-terminal dressed up as a USB
// serial port. libserialport finds ports under /sys/class/tty and opens them under /dev,
// so a child process builds both in a private mount namespace; the pseudo-terminal's
// missing modem-control lines are answered by the ioctl below. Skipped where the machine
// allows no mount namespace.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <pty.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "tests/transport/PortTestSupport.h"
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
// ttyUSB1 and ttyUSB10 of the chip maker; ttyUSB1 is the pseudo-terminal.
bool dressUpAsUsbPorts(const char* ptyName) {
    const std::string tty = "/sys/class/tty";
    if (mount("tmpfs", tty.c_str(), "tmpfs", 0, nullptr) != 0) return false;
    const std::string parked = tty + "/pty";
    if (!touch(parked) || mount(ptyName, parked.c_str(), nullptr, MS_BIND, nullptr) != 0)
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
    return mount(parked.c_str(), "/dev/ttyUSB1", nullptr, MS_BIND, nullptr) == 0;
}

std::string readAll(int fd) {
    std::string bytes;
    char buffer[64];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<std::size_t>(n));
    return bytes;
}

// Runs in the child; the exit code tells the parent.
int exchangeOverThePty() {
    int master = -1;
    int slave = -1;
    char name[64] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return kSkipped;
    termios raw{};
    tcgetattr(master, &raw);
    cfmakeraw(&raw);
    tcsetattr(master, TCSANOW, &raw);
    fcntl(master, F_SETFL, O_NONBLOCK);
    if (!enterPrivateMounts() || !dressUpAsUsbPorts(name)) return kSkipped;

    SteadyClock clock;
    SerialPortDriver driver;
    PortFactory factory(driver, clock, Settings{});
    ByteSource* source = nullptr;
    auto poller = factory.create(source, 0, 115200);
    if (!poller) return 1;
    RawLog rawLog;
    transport::testing::CompleteOn top(0xAA);
    source->setPending(&rawLog);
    rawLog.setPending(&top);

    FtdiPort& port = poller->port();
    if (port.write(ByteView("query")) != 5) return 2;
    if (::write(master, "answer\xAA", 7) != 7) return 3;
    if (!poller->wait(1800)) return 4;
    if (std::string(rawLog.log().begin(), rawLog.log().end()) != "answer\xAA") return 5;
    if (readAll(master) != "query") return 6;
    // Nothing more comes: the wait runs out on empty reads.
    poller->drain(0);
    if (poller->wait(10)) return 7;
    // The far end goes away: reads fail at once, and each still takes its time-out.
    ::close(master);
    const std::int64_t start = clock.nowMs();
    if (poller->wait(100)) return 8;
    if (clock.nowMs() - start < 4 * 20) return 9;
    poller.reset();
    return 0;
}

TEST(SerialPortPtyTest, AnAnswerTravelsThroughTheChipVendorsFirstPort) {
    std::fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(20);
        _exit(exchangeOverThePty());
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "child ended by signal " << WTERMSIG(status);
    if (WEXITSTATUS(status) == kSkipped) GTEST_SKIP() << "no private mount namespace here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failed at step " << WEXITSTATUS(status);
}

}  // namespace
