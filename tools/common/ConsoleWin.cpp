#include "Console.h"

#include <cerrno>

#include <io.h>

bool IsTerminal(std::FILE* stream)
{
    return ::_isatty(::_fileno(stream)) != 0;
}

bool StandardOutputIsOpen()
{
    // A console program started without standard output gets no valid handle for it.
    return ::_get_osfhandle(1) >= 0;
}

bool WriteStandardOutput(const char* text, std::size_t size, int& error)
{
    errno = 0;
    if (std::fwrite(text, 1, size, stdout) == size && std::fflush(stdout) == 0)
        return true;
    error = errno;
    return false;
}
