#pragma once

// How the actions recognise a device by its IP address. The address text comes from the
// network, so it is used only when it is a plain dotted IPv4 address (IsDottedIPv4), and it
// must stand as a whole host: acting on 192.0.2.5 never touches 192.0.2.50 or 10.192.0.2.5.

#include <string_view>

// The host part of a share name: "smb://[user@]host[:port]/share", "//host/share" or
// "\\host\share"; a WebDAV connection's "\\host@SSL@port\share" is the host's too. Empty
// when the text is none of these.
std::string_view ShareHost(std::string_view shareName);

// True when the share name's host is exactly ip.
bool ShareIsOnHost(std::string_view shareName, std::string_view ip);

// True when a window title shows ip as a whole host: the address is neither preceded nor
// followed by a character that could continue a host name (letter, digit, '.', '-', '_').
// This covers "smb://192.0.2.5/share", "//192.0.2.5/", "share on 192.0.2.5" and a title
// that is the address alone.
bool TitleShowsHost(std::string_view title, std::string_view ip);

// True when the text holds the share root ("\\192.0.2.5") followed by the end or by a
// character that cannot continue a host name: a path under the share root counts, the share
// root of 192.0.2.50 does not.
bool TextShowsShareRoot(std::string_view text, std::string_view shareRoot);
