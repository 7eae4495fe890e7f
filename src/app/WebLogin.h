#pragma once

#include "platform/DesktopServices.h"

#include <optional>
#include <string>
#include <string_view>

// The address of a device's web page: "http://" followed by its IP text, nothing added.
std::string WebLoginAddress(std::string_view ip);

// Log In: opens the chosen device's web page with the desktop's default handler.
// selectedIp is the IP text of the selected row, or nothing when the window is not ready
// or no row is selected; then, as for a text that is not an IPv4 address, nothing happens.
void OpenWebLogin(const std::optional<std::string>& selectedIp, CUrlOpener& opener);
