#include "app/WebLogin.h"
#include "discovery/DottedIPv4.h"

std::string WebLoginAddress(std::string_view ip)
{
    return "http://" + std::string(ip);
}

void OpenWebLogin(const std::optional<std::string>& selectedIp, CUrlOpener& opener)
{
    if (!selectedIp || !IsDottedIPv4(*selectedIp))
        return;
    opener.OpenUrl(WebLoginAddress(*selectedIp));
}
