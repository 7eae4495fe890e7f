// Second process of the Win32 platform tests.
//   claim NAME   takes the single-instance guard NAME; the exit code is the claim
//   echo ARG...  writes each argument on a line of its own, as the C runtime parsed them
//   fail         ends with exit code 3

#include "platform/win/InstanceMutex.h"

#include <fcntl.h>
#include <io.h>

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
    return 3;
}
