#include "ChangeFormat.h"

#include "DeviceListFormat.h"

#include <chrono>
#include <cstdio>

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
    // The calendar's arithmetic alone: a date library's streams and locales cost more than the
    // rest of a listed device's line.
    const auto sinceEpoch = duration_cast<milliseconds>(time.time_since_epoch());
    const auto day = floor<days>(sinceEpoch);
    const year_month_day date{sys_days{day}};
    const hh_mm_ss clock{sinceEpoch - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
    return text;
}

std::string FormatWatchEvent(const RegistryChange& change)
{
    const char* event = EventName(change.kind);
    if (event == nullptr)
        return {};
    std::string line = std::string("{\"event\": \"") + event + "\", \"time\": \"" +
                       FormatUtcTime(change.time) + "\", \"device\": " + FormatDeviceObject(change.device);
    if (const char* reason = GoneReasonName(change.reason);
        change.kind == RegistryChange::Kind::Gone && reason)
        line += std::string(", \"reason\": \"") + reason + "\"";
    return line + "}\n";
}
