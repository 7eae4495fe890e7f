#include "discovery/DeviceRecord.h"

#include <algorithm>
#include <cstring>

namespace {

bool SameText(const char (&a)[DeviceRecord::kTextSize], const char (&b)[DeviceRecord::kTextSize])
{
    return std::strncmp(a, b, DeviceRecord::kTextSize) == 0;
}

} // namespace

bool DeviceRecord::operator==(const DeviceRecord& other) const
{
    return SameText(id, other.id) && SameText(ip, other.ip) && SameText(host, other.host)
        && SameText(product, other.product) && SameText(detail, other.detail)
        && SameText(osVersion, other.osVersion) && SameText(vendor, other.vendor);
}

bool SameDescription(const DeviceRecord& a, const DeviceRecord& b)
{
    const auto sameIfBothKnown = [](const char(&x)[DeviceRecord::kTextSize], const char(&y)[DeviceRecord::kTextSize]) {
        return x[0] == '\0' || y[0] == '\0' || SameText(x, y);
    };
    return SameText(a.id, b.id) && SameText(a.ip, b.ip) && SameText(a.host, b.host)
        && SameText(a.product, b.product) && SameText(a.vendor, b.vendor)
        && sameIfBothKnown(a.detail, b.detail) && sameIfBothKnown(a.osVersion, b.osVersion);
}

void SetDeviceText(char (&field)[DeviceRecord::kTextSize], std::string_view value)
{
    const std::size_t n = std::min(value.size(), DeviceRecord::kTextSize - 1);
    std::fill(std::begin(field), std::end(field), '\0');
    std::copy_n(value.begin(), n, field);   // an empty view may have no data pointer
}

std::string_view TextOf(const char (&field)[DeviceRecord::kTextSize])
{
    return {field, strnlen(field, DeviceRecord::kTextSize)};
}
