#pragma once

// The message a second start sends to the running instance to bring it to the front
// (WM_USER + 100, both parameters 0), the same number on every platform.

#include <cstdint>

constexpr std::uint32_t WM_ACTIVATE_INSTANCE = 0x0400 + 100;
