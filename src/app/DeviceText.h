#pragma once

// Texts that devices send about themselves (host name, product, ...) as the window shows them.

#include <QString>

#include <cstddef>

// Device texts are narrow: UTF-8 when they are valid UTF-8, else one character per byte.
// They come from the network, so a device could disguise its name with control characters or
// with marks that turn the direction of the text around ("exe.live" for "evil.exe") or hide
// between its letters (zero-width spaces): each control and each invisible format character
// is shown as U+FFFD. The registry keeps the bytes as they came.
QString DeviceText(const char* text, std::size_t size);
