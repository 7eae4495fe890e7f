#include "app/DeviceAddress.h"

#include <cctype>

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    }
    return true;
}

bool CanContinueHostName(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

// Whether some occurrence of the needle in the text stands alone: not continued by a host
// name character after it, nor (when asked) before it.
bool HasWholeOccurrence(std::string_view text, std::string_view needle, bool wholeBeforeToo)
{
    if (needle.empty())
        return false;
    for (std::size_t pos = text.find(needle); pos != std::string_view::npos;
         pos = text.find(needle, pos + 1)) {
        const std::size_t end = pos + needle.size();
        const bool wholeBefore = !wholeBeforeToo || pos == 0 || !CanContinueHostName(text[pos - 1]);
        const bool wholeAfter = end == text.size() || !CanContinueHostName(text[end]);
        if (wholeBefore && wholeAfter)
            return true;
    }
    return false;
}

} // namespace

std::string_view ShareHost(std::string_view shareName)
{
    if (shareName.starts_with("\\\\")) {
        // A UNC name: what follows the host's first '@' says how the share is reached
        // (\\192.0.2.5@SSL@8443\DavWWWRoot, a WebDAV connection), never who.
        const std::string_view rest = shareName.substr(2);
        return rest.substr(0, rest.find_first_of("\\@"));
    }
    std::string_view rest;
    if (StartsWithNoCase(shareName, "smb://"))
        rest = shareName.substr(6);
    else if (shareName.starts_with("//"))
        rest = shareName.substr(2);
    else
        return {};
    // The user comes before the last '@', the port after the ':'.
    std::string_view authority = rest.substr(0, rest.find('/'));
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    return authority.substr(0, authority.find(':'));
}

bool ShareIsOnHost(std::string_view shareName, std::string_view ip)
{
    return !ip.empty() && ShareHost(shareName) == ip;
}

bool TitleShowsHost(std::string_view title, std::string_view ip)
{
    return HasWholeOccurrence(title, ip, true);
}

bool TextShowsShareRoot(std::string_view text, std::string_view shareRoot)
{
    return HasWholeOccurrence(text, shareRoot, false);
}
