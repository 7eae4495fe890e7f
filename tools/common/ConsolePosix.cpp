#include "Console.h"

#include <fcntl.h>
#include <unistd.h>

bool IsTerminal(std::FILE* stream)
{
    return ::isatty(::fileno(stream)) == 1;
}

bool StandardOutputIsOpen()
{
    return ::fcntl(STDOUT_FILENO, F_GETFD) != -1;
}
