#include "common/Console.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

void ShareOneHeapAcrossThreads()
{
    mallopt(M_ARENA_MAX, 1);
}

bool IsTerminal(std::FILE* stream)
{
    return ::isatty(::fileno(stream)) == 1;
}

bool StandardOutputIsOpen()
{
    return ::fcntl(STDOUT_FILENO, F_GETFD) != -1;
}

bool WriteStandardOutput(const char* text, std::size_t size, int& error)
{
    while (size > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, text, size);
        if (written < 0 && errno == EINTR)
            continue; // a stop signal arrived: the line is finished first
        if (written < 0) {
            error = errno;
            return false;
        }
        text += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

std::string NothingHeardAdvice()
{
    return "Nothing came back. A firewall that admits only replies it tracks drops the answers, which "
           "come from the devices' own addresses. Let them in, for example with nftables:\n"
           "  sudo nft add rule inet filter input udp dport '{ 67, 1900, 1530-1999 }' accept\n";
}
