#include "ChangeFormat.h"

#include "DeviceListFormat.h"

#include <cstdio>

#include <boost/date_time/posix_time/posix_time.hpp>

namespace {

const char* EventName(RegistryChange::Kind kind)
{
    switch (kind) {
    case RegistryChange::Kind::Appeared:
        return "appeared";
    case RegistryChange::Kind::Changed:
        return "changed";
    case RegistryChange::Kind::Gone:
        return "gone";
    case RegistryChange::Kind::Seen:
        break;
    }
    return nullptr;
}

const char* GoneReasonName(RegistryChange::GoneReason reason)
{
    switch (reason) {
    case RegistryChange::GoneReason::Byebye:
        return "byebye";
    case RegistryChange::GoneReason::Expired:
        return "expired";
    case RegistryChange::GoneReason::Missed:
        return "missed";
    case RegistryChange::GoneReason::Displaced:
        return "displaced";
    case RegistryChange::GoneReason::None:
        break;
    }
    return nullptr;
}

} // namespace

std::string FormatUtcTime(std::chrono::system_clock::time_point time)
{
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<milliseconds>(time.time_since_epoch());
    const auto wholeSeconds = floor<seconds>(sinceEpoch);
    const boost::posix_time::ptime moment =
        boost::posix_time::from_time_t(0) + boost::posix_time::seconds(wholeSeconds.count());
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, ".%03dZ", static_cast<int>((sinceEpoch - wholeSeconds).count()));
    return boost::posix_time::to_iso_extended_string(moment) + fraction;
}

std::string FormatWatchEvent(const RegistryChange& change)
{
    const char* event = EventName(change.kind);
    if (event == nullptr)
        return {};
    std::string line = std::string("{\"event\": \"") + event + "\", \"time\": \"" + FormatUtcTime(change.time)
        + "\", \"device\": " + FormatDeviceObject(change.device);
    if (const char* reason = GoneReasonName(change.reason); change.kind == RegistryChange::Kind::Gone && reason)
        line += std::string(", \"reason\": \"") + reason + "\"";
    return line + "}\n";
}
