// Pseudo-terminals dressed up as USB serial ports, for real I/O through the serial-port
// backend. libserialport finds ports under /sys/class/tty and opens them under /dev, so a
// child process builds both in a private mount namespace; the pseudo-terminal's missing
// modem-control lines are answered by the ioctl below. Include in one source file of a test
// program only: it replaces the program's ioctl.
#pragma once

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

namespace ptyports {

inline constexpr int kSkipped = 77;

inline bool writeFile(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file) return false;
    std::fputs(text.c_str(), file);
    return std::fclose(file) == 0;
}

inline bool touch(const std::string& path) {
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0666);
    return fd >= 0 && ::close(fd) == 0;
}

inline constexpr const char* kStableName = "/dev/serial/by-id/usb-Qor_Radio_dongle_A1-if00-port0";

inline bool enterPrivateMounts() {
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
inline bool dressUpAsUsbPorts(const char* ptyName, const char* secondPtyName) {
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

inline constexpr const char* kPortName = "/dev/ttyUSB1";

// Gives up every capability, so that the kernel's checks of file modes and of exclusive
// ttys apply to this process as to an ordinary user's.
inline bool dropCapabilities() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[_LINUX_CAPABILITY_U32S_3] = {};
    return syscall(SYS_capset, &header, none) == 0;
}

// A second opening of the port, as another program would hold it.
inline int holdPort() { return ::open(kPortName, O_RDWR | O_NOCTTY | O_NONBLOCK); }

// Runs body in a child process whose private mounts show two pseudo-terminals as ttyUSB1
// and ttyUSB10; the body answers 0 or the number of the step that failed, kSkipped for a
// check the machine cannot make. Reports the outcome as the test's.
inline void runOverThePtys(const std::function<int(int master, int secondMaster)>& body) {
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
inline void runOverThePty(const std::function<int(int master)>& body) {
    runOverThePtys([&](int master, int) { return body(master); });
}

// Another program, started here, that opens the port and takes its lock as this program's
// driver does, under the command name given; its pid, once it holds the port.
inline pid_t startHolder(const char* command) {
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

inline void stopHolder(pid_t holder) {
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
}

}  // namespace ptyports
