#include "discovery/TestPlatform.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace testsupport {

bool SetEnvironment(const char* name, const char* value)
{
    return (value ? ::setenv(name, value, 1) : ::unsetenv(name)) == 0;
}

void ReportUnreachablePorts(boost::asio::ip::udp::socket& socket)
{
    const int on = 1;
    ::setsockopt(socket.native_handle(), IPPROTO_IP, IP_RECVERR, &on, sizeof on);
}

bool UnreachablePortsCanBeReported()
{
    return true;
}

bool StartedProgramsInherit(boost::asio::ip::udp::socket& socket)
{
    return (::fcntl(socket.native_handle(), F_GETFD) & FD_CLOEXEC) == 0;
}

int InheritableDescriptorCount()
{
    int count = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        const int flags = ::fcntl(std::atoi(entry.path().filename().c_str()), F_GETFD);
        count += flags >= 0 && (flags & FD_CLOEXEC) == 0 ? 1 : 0;
    }
    return count;
}

} // namespace testsupport
