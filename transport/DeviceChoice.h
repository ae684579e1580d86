#pragma once

#include <string>
#include <string_view>

namespace transport {

// The device a run is to open: the N-th device, counted in the order in which device 0 is
// chosen when nothing is named, or a serial port named by its path, opened whatever its
// vendor. The default is device 0.
class DeviceChoice {
public:
    DeviceChoice() = default;
    static DeviceChoice ofIndex(int index);
    static DeviceChoice ofPath(std::string path);

    bool isPath() const { return !path_.empty(); }
    // The index to open with: the device's own, or 0 for a path, whose driver ignores it.
    int index() const { return index_; }
    // Empty for an index.
    const std::string& path() const { return path_; }
    // How messages name it: "1", or the path.
    std::string name() const;

    bool operator==(const DeviceChoice&) const = default;

private:
    int index_ = 0;
    std::string path_;
};

// Reads a device as a person names it: all digits are an index, anything else a path. On
// failure answers false, leaves choice as it was and says in error what is wrong.
bool parseDeviceChoice(std::string_view text, DeviceChoice& choice, std::string& error);

}  // namespace transport
