#include "common/Console.h"

#include "discovery/SearchFindings.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>

#include <io.h>
#include <windows.h>

#include <shellapi.h> // after windows.h, which it needs

void ShareOneHeapAcrossThreads() {}

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

namespace {

std::string Utf8FromWide(const wchar_t* text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(std::max(size, 1)), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    utf8.resize(utf8.size() - 1); // the terminating NUL
    return utf8;
}

} // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr)
        return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(Utf8FromWide(wide[i]));
    ::LocalFree(wide);
    return arguments;
}

// The first search makes Windows ask whether the program may use the network; declined (or
// asked of someone without administrator rights), the devices' answers are dropped.
std::string NothingHeardAdvice()
{
    std::wstring program(MAX_PATH, L'\0');
    program.resize(::GetModuleFileNameW(nullptr, program.data(), MAX_PATH));
    const std::string path = Utf8FromWide(program.c_str());
    const std::string folder = path.substr(0, path.find_last_of('\\'));
    return "Nothing came back. Windows' firewall drops the devices' answers when this program was not "
           "allowed on the network (when Windows asked at the first search, the question was declined or "
           "not answered). An administrator lets them in from a Command Prompt run as administrator:\n" +
           WindowsFirewallCommands(folder) +
           "or under Windows Security > Firewall > Allow an app through firewall.\n";
}
