#pragma once

#include <optional>
#include <string>
#include <vector>

#include "transport/Driver.h"
#include "transport/PortListing.h"

namespace transport {

// The driver roles on the operating system's serial ports, through libserialport. Device
// index N is the N-th USB serial port of the chip maker's vendor id, in port-name order.
// An open port is locked against other programs that lock theirs (another instance of this
// one among them), which then find it busy.
class SerialPortDriver final : public Driver {
public:
    // portPath empty: open takes the port its index names. Otherwise open ignores the index
    // and takes that port, or the one it links to, whatever its vendor. roots: where the
    // ports are looked up.
    explicit SerialPortDriver(std::string portPath = {}, SystemRoots roots = {});

    // A device that is not there: NoDevice when there is no port at all, else NoSuchDevice
    // with the ports that are.
    DriverError open(int deviceIndex, DeviceHandle* handle) override;
    DriverError close(DeviceHandle handle) override;
    // Waits for the whole count or the read time-out; a time-out of 0 takes what is there.
    // A port that was hung up (the dongle was pulled out) fails the read.
    DriverError read(DeviceHandle handle, void* buffer, std::uint32_t wanted,
                     std::uint32_t* got) override;
    DriverError write(DeviceHandle handle, const void* buffer, std::uint32_t count,
                      std::uint32_t* written) override;
    DriverError setBaudRate(DeviceHandle handle, std::uint32_t baud) override;
    DriverError setDataCharacteristics(DeviceHandle handle, std::uint8_t wordLength,
                                       std::uint8_t stopBits, std::uint8_t parity) override;
    DriverError setFlowControl(DeviceHandle handle, std::uint16_t flow, std::uint8_t xon,
                               std::uint8_t xoff) override;
    DriverError setTimeouts(DeviceHandle handle, std::uint32_t readMs,
                            std::uint32_t writeMs) override;

    // Opens a port by its name, configuring nothing; for a port found by other means.
    static DriverError openByName(const std::string& name, DeviceHandle* handle);

private:
    DriverError openPath(DeviceHandle* handle);

    std::string portPath_;
    SystemRoots roots_;
};

// The parts of port selection and argument mapping that do not touch a port.
namespace serialport {

inline constexpr int kChipVendorId = 0x0403;

struct PortCandidate {
    std::string name;
    int usbVendorId;  // -1 for a port that is not on USB
};

// The name of the deviceIndex-th port of the chip maker's vendor id, ordering names with
// their digit runs compared as numbers (ttyUSB2 before ttyUSB10); none when there are fewer.
std::optional<std::string> selectPort(std::vector<PortCandidate> ports, int deviceIndex);
bool namesInOrder(const std::string& a, const std::string& b);
// The order device indices count ports in: the chip maker's first, each group by name.
bool inDeviceOrder(const PortCandidate& a, const PortCandidate& b);

// Line settings in libserialport's terms (bits, stop bits, enum sp_parity and
// enum sp_flowcontrol values) from the driver's codes; none for a code it does not know.
struct LineSettings {
    int bits;
    int stopBits;
    int parity;
};
std::optional<LineSettings> mapDataCharacteristics(std::uint8_t wordLength, std::uint8_t stopBits,
                                                   std::uint8_t parity);
std::optional<int> mapFlowControl(std::uint16_t flow);

}  // namespace serialport
}  // namespace transport
