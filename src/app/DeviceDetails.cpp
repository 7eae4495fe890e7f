#include "app/DeviceDetails.h"

#include "app/DeviceText.h"
#include "app/WindowTexts.h"
#include "discovery/SearchProtocol.h"

#include <QStringList>

namespace {

QString Field(const char (&field)[DeviceRecord::kTextSize])
{
    const std::string_view text = TextOf(field);
    return DeviceText(text.data(), text.size());
}

const char* FoundKey(const DeviceRecord& device, bool direct)
{
    if (direct)
        return "FOUND_DIRECT";
    switch (device.heardBy) {
    case DeviceRecord::Heard::Broadcast:
        return "FOUND_BROADCAST";
    case DeviceRecord::Heard::Ssdp:
        return device.type == wire::kReportAnswer ? "FOUND_SSDP" : "FOUND_ANNOUNCEMENT";
    case DeviceRecord::Heard::Unknown:
        break;
    }
    return nullptr;
}

} // namespace

QString DeviceDetails(const DeviceRecord& device, const DeviceDetailsContext& context)
{
    const CWindowTexts& texts = context.texts;
    const char* found = FoundKey(device, context.direct);
    const auto heard = std::chrono::duration_cast<std::chrono::seconds>(context.now - device.heardAt).count();
    const std::pair<const char*, QString> lines[] = {
        {"DETAIL_HOST", Field(device.host)},
        {"DETAIL_ADDRESS", Field(device.ip)},
        {"DETAIL_PRODUCT", Field(device.product)},
        {"DETAIL_DETAIL", Field(device.detail)},
        {"DETAIL_FIRMWARE", Field(device.osVersion)},
        {"DETAIL_VENDOR", Field(device.vendor)},
        {"DETAIL_ID", Field(device.id)},
        {"DETAIL_FOUND", found ? texts.Text(found) : QString()},
        {"DETAIL_HEARD", texts.Text("HEARD_AGO").arg(std::max<long long>(heard, 0))},
    };
    QStringList out;
    for (const auto& [label, value] : lines)
        out << texts.Text(label) + QStringLiteral(": ") + value;
    return out.join(QLatin1Char('\n'));
}
