#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "transport/SerialPortScan.h"

namespace transport::serialport {

namespace {

// The listing looks only: it does not open a port to see whether it can, since opening a
// tty raises its modem lines, and closing it may drop them, which some radios take for a
// reset. A program holding the tty exclusively is seen only by the open itself.

bool allDigits(const std::string& text) {
    if (text.empty()) return false;
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// The same device: the same file, or device files for one device number.
bool sameDevice(const struct stat& a, const struct stat& b) {
    if (a.st_dev == b.st_dev && a.st_ino == b.st_ino) return true;
    return S_ISCHR(a.st_mode) && S_ISCHR(b.st_mode) && a.st_rdev == b.st_rdev;
}

std::string commandOf(const std::string& proc, int pid) {
    std::ifstream file(proc + "/" + std::to_string(pid) + "/comm");
    std::string command;
    std::getline(file, command);
    return command;
}

std::string userName(uid_t uid) {
    const passwd* user = getpwuid(uid);
    return user ? user->pw_name : std::to_string(uid);
}

std::string groupName(gid_t gid) {
    const group* g = getgrgid(gid);
    return g ? g->gr_name : std::to_string(gid);
}

PortHolder& holderFor(std::vector<PortHolder>& holders, int pid, const std::string& proc) {
    for (PortHolder& holder : holders)
        if (holder.pid == pid && pid != 0) return holder;
    holders.push_back({pid, pid > 0 ? commandOf(proc, pid) : std::string(), false});
    return holders.back();
}

// Processes with the device among their open files. Only this user's processes show their
// files (all of them, for the administrator); this process is not another program.
void addOpeners(const struct stat& device, const std::string& proc,
                std::vector<PortHolder>& holders) {
    DIR* processes = opendir(proc.c_str());
    if (!processes) return;
    const int self = static_cast<int>(getpid());
    while (const dirent* entry = readdir(processes)) {
        const std::string pid = entry->d_name;
        if (!allDigits(pid) || pid.size() > 9 || std::stoi(pid) == self) continue;
        const std::string fds = proc + "/" + pid + "/fd";
        DIR* files = opendir(fds.c_str());
        if (!files) continue;
        while (const dirent* fd = readdir(files)) {
            struct stat file {};
            if (fd->d_name[0] == '.' || stat((fds + "/" + fd->d_name).c_str(), &file) != 0)
                continue;
            if (sameDevice(file, device)) {
                holderFor(holders, std::stoi(pid), proc);
                break;
            }
        }
        closedir(files);
    }
    closedir(processes);
}

// The flock locks on the device, from the system's table of locks, which shows every
// process's: "1: FLOCK  ADVISORY  WRITE 4242 00:05:87 0 EOF", the device of the file's
// file system in hexadecimal, then its inode. A waiting request carries "->" and holds
// nothing.
void addLockers(const struct stat& device, const std::string& proc,
                std::vector<PortHolder>& holders) {
    std::ifstream locks(proc + "/locks");
    char file[64];
    std::snprintf(file, sizeof file, "%02x:%02x:%llu", major(device.st_dev), minor(device.st_dev),
                  static_cast<unsigned long long>(device.st_ino));
    std::string line;
    const int self = static_cast<int>(getpid());
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, where;
        long pid = 0;
        if (!(fields >> number >> kind) || kind != "FLOCK") continue;
        if (!(fields >> mode >> access >> pid >> where) || where != file) continue;
        if (pid == self) continue;
        holderFor(holders, pid > 0 && pid < 1000000000 ? static_cast<int>(pid) : 0, proc).locks =
            true;
    }
}

}  // namespace

PortAccess checkAccess(const std::string& path, const SystemRoots& roots) {
    PortAccess result;
    struct stat device {};
    if (stat(path.c_str(), &device) != 0) {
        result.state = PortAccess::State::Missing;
        return result;
    }
    addOpeners(device, roots.proc, result.holders);
    addLockers(device, roots.proc, result.holders);
    if (access(path.c_str(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM)) {
        result.state = PortAccess::State::PermissionDenied;
        result.owner = userName(device.st_uid);
        result.group = groupName(device.st_gid);
        result.mode = device.st_mode & 07777;
    } else if (!result.holders.empty()) {
        result.state = PortAccess::State::Busy;
    }
    return result;
}

}  // namespace transport::serialport
