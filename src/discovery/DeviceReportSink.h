#pragma once

#include <cstdint>

#include "discovery/DeviceRecord.h"

// Where a search worker hands every new device report. The search service is the one
// real receiver; tests and fuzzers put their own in its place.
class CDeviceReportSink
{
public:
    virtual ~CDeviceReportSink() = default;
    // Runs on the reporting worker's thread; nPort is that worker's local port.
    virtual void OnDeviceFound(const DeviceRecord& device, std::int32_t nPort) = 0;
};
