#pragma once

// What the discovery tests do differently per platform; one file each (linux/TestPlatformLinux.cpp,
// win/TestPlatformWin.cpp).

#include <boost/asio/ip/udp.hpp>

namespace testsupport {

// Sets (or, with a null value, removes) a variable of the process environment; true when done.
bool SetEnvironment(const char* name, const char* value);

// Makes the port-unreachable answer to a datagram the socket sends fail its next receive.
void ReportUnreachablePorts(boost::asio::ip::udp::socket& socket);
// False where the system never hands such answers to the program (Wine).
bool UnreachablePortsCanBeReported();

// True when a program this process starts would get the socket.
bool StartedProgramsInherit(boost::asio::ip::udp::socket& socket);
// How many of the process's descriptors a program it starts would get; 0 where the system
// does not list them (Windows).
int InheritableDescriptorCount();

} // namespace testsupport
