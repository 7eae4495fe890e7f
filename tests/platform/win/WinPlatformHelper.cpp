// Second process of the Win32 platform tests.
//   claim NAME   takes the single-instance guard NAME; the exit code is the claim
//   echo ARG...  writes each argument on a line of its own, as the C runtime parsed them
//   holds H P    writes "held" when handle value H is a socket bound to loopback port P
//                (another handle of the child may have the same value), else "not held"
//   fail         ends with exit code 3

#include "platform/win/InstanceMutex.h"

#include <winsock2.h>

#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "claim") == 0) {
        const std::string name = argv[2];
        CInstanceMutex guard(std::wstring(name.begin(), name.end()));
        return static_cast<int>(guard.Acquire());
    }
    if (argc >= 2 && std::strcmp(argv[1], "echo") == 0) {
        _setmode(_fileno(stdout), _O_BINARY);
        for (int i = 2; i < argc; ++i)
            std::printf("%s\n", argv[i]);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "holds") == 0) {
        _setmode(_fileno(stdout), _O_BINARY);
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        const auto socket = static_cast<SOCKET>(std::stoull(argv[2]));
        sockaddr_in bound{};
        int size = sizeof bound;
        const bool held = ::getsockname(socket, reinterpret_cast<sockaddr*>(&bound), &size) == 0 &&
                          bound.sin_family == AF_INET && ntohs(bound.sin_port) == std::stoul(argv[3]);
        std::printf("%s\n", held ? "held" : "not held");
        return 0;
    }
    return 3;
}
