#include "Console.h"

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
