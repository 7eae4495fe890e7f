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
