#include "platform/win/HiddenCommandRunner.h"

#include "platform/win/WideText.h"

#include <windows.h>

#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr DWORD kReadOutputLimitMs = 10000;

std::wstring QuoteArgument(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count double before a quote (which is escaped itself), single elsewhere.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        quoted.push_back(c);
        backslashes = 0;
    }
    quoted.append(backslashes * 2, L'\\'); // the closing quote follows
    quoted.push_back(L'"');
    return quoted;
}

HANDLE OpenNul(DWORD access)
{
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return ::CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING, 0,
                         nullptr);
}

// The attribute that lets a child inherit the listed handles and no others.
class InheritOnly
{
public:
    explicit InheritOnly(std::vector<HANDLE> inherited) : handles(std::move(inherited))
    {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
        ready = ::InitializeProcThreadAttributeList(list, 1, 0, &size) &&
                ::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles.data(),
                                            handles.size() * sizeof(HANDLE), nullptr, nullptr);
        if (!ready)
            storage.clear();
    }
    ~InheritOnly()
    {
        if (!storage.empty())
            ::DeleteProcThreadAttributeList(List());
    }
    InheritOnly(const InheritOnly&) = delete;
    InheritOnly& operator=(const InheritOnly&) = delete;

    bool Ready() const { return ready; }
    LPPROC_THREAD_ATTRIBUTE_LIST List()
    {
        return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
    }

private:
    std::vector<HANDLE> handles;
    std::vector<unsigned char> storage;
    bool ready = false;
};

// Starts the program hidden with the given standard output; the process handle, or null.
// The child inherits its three standard handles and nothing else: an inherited search
// socket would keep the program's ports taken for as long as the child runs.
HANDLE Start(const std::vector<std::string>& argv, HANDLE output)
{
    if (argv.empty())
        return nullptr;
    std::wstring commandLine = BuildCommandLine(argv);
    HANDLE input = OpenNul(GENERIC_READ);
    HANDLE errors = OpenNul(GENERIC_WRITE);
    BOOL started = FALSE;
    PROCESS_INFORMATION process{};
    if (input != INVALID_HANDLE_VALUE && errors != INVALID_HANDLE_VALUE && output != INVALID_HANDLE_VALUE) {
        InheritOnly inherited({input, output, errors});
        STARTUPINFOEXW startup{};
        startup.StartupInfo.cb = sizeof startup;
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = input;
        startup.StartupInfo.hStdOutput = output;
        startup.StartupInfo.hStdError = errors;
        startup.lpAttributeList = inherited.List();
        started = inherited.Ready() && ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                                        CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT,
                                                        nullptr, nullptr, &startup.StartupInfo, &process);
    }
    for (HANDLE handle : {input, errors}) {
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
    }
    if (!started)
        return nullptr;
    ::CloseHandle(process.hThread);
    return process.hProcess;
}

// Appends what the pipe holds now, without blocking.
void Drain(HANDLE pipe, std::string& text)
{
    DWORD available = 0;
    while (::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        std::string chunk(available, '\0');
        DWORD read = 0;
        if (!::ReadFile(pipe, chunk.data(), available, &read, nullptr) || read == 0)
            return;
        text.append(chunk, 0, read);
    }
}

} // namespace

std::wstring BuildCommandLine(const std::vector<std::string>& argv)
{
    std::wstring line;
    for (const std::string& argument : argv) {
        if (!line.empty())
            line.push_back(L' ');
        line += QuoteArgument(WideFromUtf8Text(argument));
    }
    return line;
}

void CHiddenCommandRunner::StartDetached(const std::vector<std::string>& argv)
{
    HANDLE output = OpenNul(GENERIC_WRITE);
    // Nothing is left to reap here: closing the handle is all a finished program needs.
    if (HANDLE process = Start(argv, output))
        ::CloseHandle(process);
    if (output != INVALID_HANDLE_VALUE)
        ::CloseHandle(output);
}

std::optional<std::string> CHiddenCommandRunner::ReadOutput(const std::vector<std::string>& argv)
{
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inheritable, 0))
        return std::nullopt;
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE process = Start(argv, writeEnd);
    ::CloseHandle(writeEnd);
    std::optional<std::string> text;
    if (process != nullptr) {
        // The pipe is drained while waiting, so a program that writes much never blocks.
        std::string output;
        const ULONGLONG deadline = ::GetTickCount64() + kReadOutputLimitMs;
        DWORD state = WAIT_TIMEOUT;
        while (state == WAIT_TIMEOUT && ::GetTickCount64() < deadline) {
            Drain(readEnd, output);
            state = ::WaitForSingleObject(process, 10);
        }
        Drain(readEnd, output);
        DWORD exitCode = 1;
        if (state == WAIT_OBJECT_0 && ::GetExitCodeProcess(process, &exitCode) && exitCode == 0)
            text = std::move(output);
        else if (state != WAIT_OBJECT_0)
            ::TerminateProcess(process, 1);
        ::CloseHandle(process);
    }
    ::CloseHandle(readEnd);
    return text;
}

void CHiddenCommandRunner::Pause(std::chrono::milliseconds duration)
{
    std::this_thread::sleep_for(duration);
}
