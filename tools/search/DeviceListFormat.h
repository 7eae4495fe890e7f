#pragma once

#include "discovery/DeviceRecord.h"

#include <string>
#include <string_view>
#include <vector>

// Device texts come from the network: any bytes, up to DeviceRecord::kTextSize - 1 of them.
// Both forms below keep every byte visible and never pass control characters through to a
// terminal or a reader.

// The registry as an aligned table with a heading, one device a line, in registry order.
// With changes (one a device), a first column CHANGE shows them.
std::string FormatDeviceTable(const std::vector<DeviceRecord>& devices,
                              const std::vector<std::string>& changes = {});

// The registry as a JSON array, one object a line (below).
std::string FormatDeviceJson(const std::vector<DeviceRecord>& devices);

// One device as a JSON object on one line: keys id, ip, host, product, detail, osVersion,
// vendor (strings), type (a number) and url ("http://" and the ip: the device's web page).
std::string FormatDeviceObject(const DeviceRecord& device);

// A JSON string literal. Valid UTF-8 passes unchanged, except controls and invisible format
// characters (direction overrides, zero-width spaces...), which are written as \uXXXX; every
// byte that is not part of a valid UTF-8 sequence is written as the code point of the same
// value (\u0080 to \u00ff).
std::string JsonString(std::string_view bytes);

// Text safe for a terminal: control characters (C0, DEL, C1), invisible format characters
// (direction overrides, zero-width spaces...) and invalid UTF-8 bytes become \xNN, byte by
// byte; everything else stays as it is.
std::string TerminalText(std::string_view bytes);
