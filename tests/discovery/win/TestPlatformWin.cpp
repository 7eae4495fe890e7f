#include "discovery/TestPlatform.h"

#include "os/LocalFile.h"

#include <winsock2.h>

#include <mswsock.h>

#include <cstdlib>

namespace testsupport {

bool SetEnvironment(const char* name, const char* value)
{
    // Set wide from the UTF-8 text, as the system holds it: the narrow call would read the
    // value in the ANSI code page. An empty value removes the variable here.
    const std::wstring wideName = FileSystemPath(name).wstring();
    const std::wstring wideValue = FileSystemPath(value ? value : "").wstring();
    return ::_wputenv_s(wideName.c_str(), wideValue.c_str()) == 0;
}

void ReportUnreachablePorts(boost::asio::ip::udp::socket& socket)
{
    BOOL report = TRUE;
    DWORD returned = 0;
    ::WSAIoctl(socket.native_handle(), SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &returned,
               nullptr, nullptr);
}

bool UnreachablePortsCanBeReported()
{
    // Wine passes no ICMP errors on to a datagram socket's receive.
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll == nullptr || ::GetProcAddress(ntdll, "wine_get_version") == nullptr;
}

bool StartedProgramsInherit(boost::asio::ip::udp::socket& socket)
{
    DWORD flags = 0;
    const SOCKET handle = socket.native_handle();
    return ::GetHandleInformation(reinterpret_cast<HANDLE>(handle), &flags) &&
           (flags & HANDLE_FLAG_INHERIT) != 0;
}

int InheritableDescriptorCount()
{
    return 0;
}

} // namespace testsupport
