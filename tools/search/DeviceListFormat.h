#pragma once

#include "discovery/DeviceRecord.h"

#include <string>
#include <string_view>
#include <vector>

// Device texts come from the network: any bytes, up to DeviceRecord::kTextSize - 1 of them.
// Both forms below keep every byte visible and never pass control characters through to a
// terminal or a reader.

// The registry as an aligned table with a heading, one device a line, in registry order.
std::string FormatDeviceTable(const std::vector<DeviceRecord>& devices);

// The registry as a JSON array, one object a line, keys id, ip, host, product, detail,
// osVersion, vendor (strings) and type (a number).
std::string FormatDeviceJson(const std::vector<DeviceRecord>& devices);

// A JSON string literal. Valid UTF-8 passes unchanged; every byte that is not part of a valid
// UTF-8 sequence is written as the code point of the same value (\u0080 to \u00ff).
std::string JsonString(std::string_view bytes);

// Text safe for a terminal: control characters (C0, DEL, C1) and invalid UTF-8 bytes become
// \xNN, everything else stays as it is.
std::string TerminalText(std::string_view bytes);
