#pragma once

// Layout files and the data folder write paths with backslashes, as the layout text gives
// them. They stay that way in every record and text; only where a file is opened is the
// path turned into one the local file system understands.

#include <string>
#include <string_view>

// The path as UTF-8 with every backslash turned into a slash.
std::string ToLocalPath(std::wstring_view path);

// UTF-8 text (a file name, an environment value, an XML value) as wide text. Each invalid
// sequence becomes U+FFFD, so no text carries a code point that is not one.
std::wstring WideFromUtf8(std::string_view text);
