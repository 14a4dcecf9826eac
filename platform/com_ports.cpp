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

bool ComPortPresent(int n)
{
    const std::string device = ComPortDevice(n);
    return !device.empty() && SerialDevicePresent(device);
}

} // namespace platform
