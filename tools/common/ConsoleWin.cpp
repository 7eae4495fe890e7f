#include "Console.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <io.h>
#include <windows.h>

#include <shellapi.h>   // after windows.h, which it needs

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

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr)
        return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<std::size_t>(std::max(size, 1)), '\0');
        ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), size, nullptr, nullptr);
        text.resize(text.size() - 1); // the terminating NUL
        arguments.push_back(std::move(text));
    }
    ::LocalFree(wide);
    return arguments;
}
