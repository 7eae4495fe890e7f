#pragma once

// A listed device's whole record in words, for its tooltip and for "Copy details".

#include "discovery/DeviceRecord.h"

#include <QString>

#include <chrono>

class CWindowTexts;

struct DeviceDetailsContext
{
    const CWindowTexts& texts;
    bool direct; // its address is one of the hosts file's
    std::chrono::steady_clock::time_point now;
};

// One "Label: value" line each: host, address, product, detail, firmware, vendor, id, how it
// was found and when it was last heard.
QString DeviceDetails(const DeviceRecord& device, const DeviceDetailsContext& context);
