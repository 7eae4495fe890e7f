#include "SimulatedDevices.h"

std::string BroadcastAnswerBytes(const wire::SsdpDevice& texts)
{
    const std::string items =
        "id=" + texts.uuid + "&host=" + texts.host + "&vendor=" + texts.vendor + "&product=" + texts.product;
    const wire::SearchPacket packet = wire::MakeBroadcastAnswer(wire::kReportAnswer, items);
    return std::string(packet.begin(), packet.end());
}

std::string ExpandPattern(std::string_view pattern, int index)
{
    std::string text;
    const std::string number = std::to_string(index);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern.compare(i, 2, "%d") == 0) {
            text += number;
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

std::vector<std::uint32_t> DeviceAddresses(std::uint32_t first, int count)
{
    std::vector<std::uint32_t> addresses;
    addresses.reserve(static_cast<std::size_t>(count));
    for (std::uint32_t a = first; static_cast<int>(addresses.size()) < count; ++a) {
        const std::uint32_t last = a & 255;
        if (last != 0 && last != 255)
            addresses.push_back(a);
    }
    return addresses;
}

std::vector<SimulatedDevice> MakeDevices(const SimulatorOptions& options)
{
    std::vector<SimulatedDevice> devices;
    const std::vector<std::uint32_t> addresses = DeviceAddresses(options.firstAddress, options.count);
    for (int i = 0; i < options.count; ++i) {
        const int index = options.firstIndex + i;
        SimulatedDevice device;
        device.address = addresses[static_cast<std::size_t>(i)];
        device.texts.uuid = ExpandPattern(options.idPattern, index);
        device.texts.ip = FormatIpv4(device.address);
        device.texts.vendor = ExpandPattern(options.vendorPattern, index);
        device.texts.host = ExpandPattern(options.hostPattern, index);
        device.texts.product = ExpandPattern(options.productPattern, index);
        device.texts.detail = ExpandPattern(options.detailPattern, index);
        device.texts.osVersion = ExpandPattern(options.osVersion, index);
        device.texts.maxAge = options.maxAge;
        devices.push_back(std::move(device));
    }
    return devices;
}
