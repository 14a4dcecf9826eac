#include "platform/serial_port.h"

namespace platform {

std::vector<int> PresentComPorts(int highest, const std::function<std::string(int)>& deviceOf)
{
    std::vector<int> present;
    for (int n = 1; n <= highest; ++n) {
        const std::string device = deviceOf(n);
        if (!device.empty() && SerialDevicePresent(device))
            present.push_back(n);
    }
    return present;
}

bool IsPhantomSerialDevice(const std::string& device, const std::function<int(const std::string&)>& uartType)
{
    // "ttyS" and digits only (ttyS0 .. ttyS31): the devices the PC's UART driver makes whether or
    // not there is a UART.
    const std::size_t slash = device.rfind('/');
    const std::string name = slash == std::string::npos ? device : device.substr(slash + 1);
    if (name.size() <= 4 || name.compare(0, 4, "ttyS") != 0)
        return false;
    for (std::size_t i = 4; i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9')
            return false;
    return uartType(device) == kUartTypeUnknown;
}

bool ComPortPresent(int n)
{
    const std::string device = ComPortDevice(n);
    return !device.empty() && SerialDevicePresent(device);
}

} // namespace platform
