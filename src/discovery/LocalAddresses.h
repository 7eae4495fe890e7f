#pragma once

#include <string>
#include <vector>

#include <boost/system/error_code.hpp>

// The IPv4 addresses of the machine's interfaces that are up and not loopback, as dotted
// text, in interface order. On failure returns what it has and sets error.
std::vector<std::string> ListLocalIPv4Addresses(boost::system::error_code& error);
