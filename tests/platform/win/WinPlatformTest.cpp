// The Win32 platform services, run under Wine here. Wine cannot show: real network
// connections and mapped drives (WNet lists none), the shell opening a URL or a share root,
// and the file browser's own windows.

#include <gtest/gtest.h>

#include <windows.h>
#include <winsock2.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/InstanceActivation.h"
#include "platform/win/HiddenCommandRunner.h"
#include "platform/win/InstanceMutex.h"
#include "platform/win/OsVersionCode.h"
#include "platform/win/ShellUrlOpener.h"
#include "platform/win/Win32WindowList.h"

namespace {

std::string HelperPath()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of("\\/") + 1) + "platform_win_helper.exe";
}

// Runs the helper to its end while this thread handles its window messages (a second
// instance's SendMessage waits for them), or without handling them, as a hung instance;
// returns its exit code, or -1 (STILL_ACTIVE, 259, when it did not end in 20 s).
int RunHelperPumping(const std::vector<std::string>& arguments, bool pump = true)
{
    std::vector<std::string> argv{HelperPath()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::wstring commandLine = BuildCommandLine(argv);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                          nullptr, &startup, &process))
        return -1;
    ::CloseHandle(process.hThread);
    const ULONGLONG deadline = ::GetTickCount64() + 20000;
    while (::MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 100, pump ? QS_ALLINPUT : 0) !=
               WAIT_OBJECT_0 &&
           ::GetTickCount64() < deadline && pump) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&message);
    }
    if (!pump)
        ::WaitForSingleObject(process.hProcess, 20000);
    DWORD exitCode = static_cast<DWORD>(-1);
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    ::CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}

// Handles this thread's window messages until `done` holds, or far longer than that takes;
// every message queued by then is handled.
template <typename Condition> bool PumpMessagesUntil(Condition done)
{
    const ULONGLONG deadline = ::GetTickCount64() + 30000;
    MSG message;
    for (;;) {
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&message);
        if (done() || ::GetTickCount64() >= deadline)
            return done();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// A top-level window of the given class and title, recording the messages it gets.
class TestWindow
{
public:
    TestWindow(const wchar_t* className, const wchar_t* title)
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &TestWindow::Procedure;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = className;
        ::RegisterClassW(&windowClass);
        handle = ::CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                   windowClass.hInstance, nullptr);
    }
    ~TestWindow() { ::DestroyWindow(handle); }
    HWND AddChild(const wchar_t* text, HWND parent = nullptr)
    {
        return ::CreateWindowExW(0, L"STATIC", text, WS_CHILD, 0, 0, 10, 10, parent ? parent : handle,
                                 nullptr, ::GetModuleHandleW(nullptr), nullptr);
    }
    std::uint64_t Id() const { return reinterpret_cast<std::uintptr_t>(handle); }

    HWND handle = nullptr;
    static inline int activations = 0;
    static inline int closeRequests = 0;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l)
    {
        if (message == WM_ACTIVATE_INSTANCE && w == 0 && l == 0)
            ++activations;
        if (message == WM_CLOSE) {
            ++closeRequests;
            return 0; // recorded, not acted on
        }
        return ::DefWindowProcW(window, message, w, l);
    }
};

} // namespace

TEST(WinInstanceMutex, SecondProcessFindsTheMutexAndNotifiesTheWindowByTitle)
{
    const std::string name = "TravelkinTest" + std::to_string(::GetCurrentProcessId());
    const std::wstring wideName(name.begin(), name.end());
    const auto claim = [&] { return RunHelperPumping({"claim", name}); };
    {
        CInstanceMutex first(wideName);
        ASSERT_EQ(first.Acquire(), CInstanceMutex::Claim::First);
        EXPECT_EQ(claim(), static_cast<int>(CInstanceMutex::Claim::Silent)) << "no window titled so yet";
        TestWindow window(L"TravelkinTestInstance", wideName.c_str());
        TestWindow::activations = 0;
        EXPECT_EQ(claim(), static_cast<int>(CInstanceMutex::Claim::Notified));
        EXPECT_EQ(TestWindow::activations, 1) << "handled before the second process ended";
    }
    EXPECT_EQ(claim(), static_cast<int>(CInstanceMutex::Claim::First)) << "released at destruction";
}

// A running instance whose window does not answer (its thread blocked) does not hang a
// later start: it ends on its own, as if no window had answered.
TEST(WinInstanceMutex, AHungFirstInstanceDoesNotHangTheSecond)
{
    const std::string name = "TravelkinHung" + std::to_string(::GetCurrentProcessId());
    const std::wstring wideName(name.begin(), name.end());
    CInstanceMutex first(wideName);
    ASSERT_EQ(first.Acquire(), CInstanceMutex::Claim::First);
    TestWindow window(L"TravelkinTestInstance", wideName.c_str());
    EXPECT_EQ(RunHelperPumping({"claim", name}, /*pump=*/false),
              static_cast<int>(CInstanceMutex::Claim::Silent));
    PumpMessagesUntil([] { return true; }); // the message given up on, handled now
}

namespace {

struct ShellCall
{
    bool bOwner = false;
    std::wstring strVerb, strFile;
    bool bParameters = false, bFolder = false;
    int nShow = -1;
    ULONG nMask = 0;
};
// The shell is called on threads of its own.
std::mutex shellCallsLock;
std::vector<ShellCall> shellCalls;

BOOL WINAPI RecordShellCall(SHELLEXECUTEINFOW* call)
{
    const std::lock_guard lock(shellCallsLock);
    shellCalls.push_back({call->hwnd != nullptr, call->lpVerb, call->lpFile, call->lpParameters != nullptr,
                          call->lpDirectory != nullptr, call->nShow, call->fMask});
    return TRUE;
}

void ClearShellCalls()
{
    const std::lock_guard lock(shellCallsLock);
    shellCalls.clear();
}

std::vector<ShellCall> ShellCalls()
{
    const std::lock_guard lock(shellCallsLock);
    return shellCalls;
}

std::string FileText(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

} // namespace

TEST(WinShellUrlOpener, OpensTheAddressWithTheOpenVerbShownAsItIs)
{
    ClearShellCalls();
    CShellUrlOpener opener(&RecordShellCall, "");
    opener.OpenUrl("http://192.0.2.5");
    opener.OpenUrl("\\\\192.0.2.5");
    // A loaded machine may take longer than the caller waits to start the shell's thread.
    ASSERT_TRUE(PumpMessagesUntil([] { return ShellCalls().size() == 2; })) << ShellCalls().size();
    for (const ShellCall& call : ShellCalls()) {
        EXPECT_FALSE(call.bOwner || call.bParameters || call.bFolder);
        EXPECT_EQ(call.strVerb, L"open");
        EXPECT_EQ(call.nShow, 5) << "SW_SHOW";
        // Never an error box that holds the call (and the program's end) until clicked.
        EXPECT_EQ(call.nMask, static_cast<ULONG>(SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC));
    }
    std::vector<std::wstring> files;
    for (const ShellCall& call : ShellCalls())
        files.push_back(call.strFile);
    std::ranges::sort(files);
    EXPECT_EQ(files, (std::vector<std::wstring>{L"\\\\192.0.2.5", L"http://192.0.2.5"}));
}

// A shell that does not come back (a share root behind the network's time-outs) holds the
// caller, the storage worker that the program's end waits for, two seconds at most.
TEST(WinShellUrlOpener, ASlowShellDoesNotHoldTheCaller)
{
    static HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    static std::atomic<int> calls{0};
    CShellUrlOpener opener(
        +[](SHELLEXECUTEINFOW*) -> BOOL {
            ::WaitForSingleObject(release, 30000);
            ++calls;
            return TRUE;
        },
        "");
    auto opening = std::async(std::launch::async, [&] { opener.OpenUrl("\\\\192.0.2.5"); });
    const bool returned = opening.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    EXPECT_EQ(calls.load(), 0);
    ::SetEvent(release); // the shell's thread ends; a caller still held ends too
    opening.wait();
    EXPECT_TRUE(returned) << "the caller waited for the shell";
    EXPECT_TRUE(PumpMessagesUntil([] { return calls.load() == 1; }));
}

TEST(WinShellUrlOpener, RecorderTakesTheUrlsInsteadOfTheShell)
{
    ClearShellCalls();
    const std::filesystem::path record = std::filesystem::temp_directory_path() / "travelkin-urls.txt";
    std::filesystem::remove(record);
    CShellUrlOpener opener(&RecordShellCall, record.string());
    for (const char* url : {"http://192.0.2.5", "http://192.0.2.5\nforged", "\\\\192.0.2.5"})
        opener.OpenUrl(url);
    const std::string expected = "http://192.0.2.5\n\\\\192.0.2.5\n";
    PumpMessagesUntil([&] { return FileText(record) == expected; });
    EXPECT_EQ(FileText(record), expected);
    std::filesystem::remove(record);
    EXPECT_TRUE(ShellCalls().empty());
}

// The record's delay comes from the environment: only plain whole milliseconds within the
// bound hold a record back.
TEST(WinShellUrlOpener, RecorderDelayTakesOnlyPlainMillisecondsWithinTheBound)
{
    const std::vector<std::pair<std::string_view, long long>> cases = {
        {"0", 0},  {"2500", 2500}, {"60000", 60000}, {"60001", 0}, {"4294967296", 0}, {"", 0},    {"-5", 0},
        {"+5", 0}, {" 5", 0},      {"5 ", 0},        {"5ms", 0},   {"0x10", 0},       {"1e3", 0}, {"5\n", 0},
    };
    for (const auto& [text, milliseconds] : cases)
        EXPECT_EQ(RecorderDelayFromText(text).count(), milliseconds) << text;
}

TEST(WinCommandRunner, ArgumentsArriveUnchangedThroughTheCommandLine)
{
    const std::vector<std::vector<std::string>> cases = {
        {"plain"},
        {"two words", "", "tab\there"},
        {"say \"hi\"", "\"", "\\\"", "a\\\\\"b"},
        {"C:\\Program Files\\", "ends in \\\\", "\\\\server\\share"},
        {"net use \\\\192.0.2.5\\share /del /y", "/y"},
    };
    CHiddenCommandRunner runner;
    for (const auto& arguments : cases) {
        std::vector<std::string> argv{HelperPath(), "echo"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::string expected;
        for (const std::string& argument : arguments)
            expected += argument + "\n";
        EXPECT_EQ(runner.ReadOutput(argv), expected) << BuildCommandLine(argv).size();
    }
    EXPECT_EQ(runner.ReadOutput({HelperPath(), "fail"}), std::nullopt);
    EXPECT_EQ(runner.ReadOutput({"C:\\no\\such\\program.exe"}), std::nullopt);
}

// A program the runner starts gets its standard handles and nothing else of ours, not even a
// socket that could be inherited: it would hold the search's port while it runs.
TEST(WinCommandRunner, ChildrenInheritNoSocketOfOurs)
{
    WSADATA data;
    ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &data), 0);
    const SOCKET socket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    ASSERT_NE(socket, INVALID_SOCKET);
    ASSERT_TRUE(
        ::SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT));
    // Bound to a port of its own, so the helper knows the socket itself, not just its value.
    sockaddr_in loopback{};
    loopback.sin_family = AF_INET;
    loopback.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof loopback;
    ASSERT_EQ(::bind(socket, reinterpret_cast<const sockaddr*>(&loopback), size), 0);
    ASSERT_EQ(::getsockname(socket, reinterpret_cast<sockaddr*>(&loopback), &size), 0);
    const std::vector<std::string> argv{HelperPath(), "holds", std::to_string(socket),
                                        std::to_string(ntohs(loopback.sin_port))};

    // Started as a program that inherits every handle it may, the helper holds it...
    std::wstring commandLine = BuildCommandLine(argv);
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ASSERT_TRUE(::CreatePipe(&readEnd, &writeEnd, &inheritable, 0));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                 nullptr, nullptr, &startup, &process));
    ::CloseHandle(writeEnd);
    ::WaitForSingleObject(process.hProcess, 20000);
    char held[64] = {};
    DWORD read = 0;
    ::ReadFile(readEnd, held, sizeof held - 1, &read, nullptr);
    for (HANDLE handle : {readEnd, process.hProcess, process.hThread})
        ::CloseHandle(handle);
    EXPECT_STREQ(held, "held\n");

    // ... but not when the runner starts it.
    EXPECT_EQ(CHiddenCommandRunner().ReadOutput(argv), "not held\n");
    ::closesocket(socket);
}

TEST(WinWindowList, FindsWindowsByClassAndChildTextAndPostsCloseRequests)
{
    TestWindow browser(L"CabinetWClass", L"share");
    HWND pane = browser.AddChild(L"Navigation");
    browser.AddChild(L"Address: \\\\192.0.2.5\\share", pane);
    CWin32WindowList list;
    const auto windows = list.TopLevelWindows();
    const auto found = std::find_if(windows.begin(), windows.end(),
                                    [&](const auto& window) { return window.nId == browser.Id(); });
    ASSERT_NE(found, windows.end());
    EXPECT_EQ(found->strClass, "CabinetWClass");
    EXPECT_EQ(found->strTitle, "share");
    EXPECT_TRUE(FindChildWindowText(browser.Id(), "\\\\192.0.2.5")) << "a grandchild holds it";
    EXPECT_FALSE(FindChildWindowText(browser.Id(), "\\\\192.0.2.50"));
    EXPECT_FALSE(FindChildWindowText(browser.Id(), "share on")) << "the title is not a child";
    TestWindow::closeRequests = 0;
    list.RequestClose(browser.Id());
    EXPECT_EQ(TestWindow::closeRequests, 0) << "posted, not sent";
    EXPECT_TRUE(PumpMessagesUntil([] { return TestWindow::closeRequests > 0; }));
    EXPECT_EQ(TestWindow::closeRequests, 1);
}

// The window list reads titles without asking the windows: a window whose thread is blocked
// (our own dialog while the program ends) still gives its title, and nobody waits for it.
TEST(WinWindowList, ReadsTheTitlesOfWindowsWhoseThreadIsBlocked)
{
    HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::promise<std::uint64_t> made;
    std::thread blocked([&] {
        TestWindow window(L"TravelkinBlockedWindow", L"blocked on 192.0.2.5");
        made.set_value(window.Id());
        ::WaitForSingleObject(release, 30000); // handles no message until released
    });
    const std::uint64_t id = made.get_future().get();
    auto listing = std::async(std::launch::async, [] { return CWin32WindowList().TopLevelWindows(); });
    const bool listed = listing.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    ::SetEvent(release); // a hung listing now ends too, so the test can report it
    blocked.join();
    ASSERT_TRUE(listed) << "the listing waited for the blocked window";
    const auto windows = listing.get();
    const auto found = std::ranges::find(windows, id, &CWindowList::TopLevelWindow::nId);
    ASSERT_NE(found, windows.end());
    EXPECT_EQ(found->strTitle, "blocked on 192.0.2.5");
    ::CloseHandle(release);
}

TEST(WinOsVersion, CodesOfTheVersions)
{
    const struct
    {
        OsVersion version;
        int code;
    } cases[] = {
        {{VER_PLATFORM_WIN32s, 3, 10, 0}, 1},
        {{VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0}, 2},
        {{VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0}, 3},
        {{VER_PLATFORM_WIN32_WINDOWS, 4, 90, 0}, 4},
        {{VER_PLATFORM_WIN32_NT, 4, 0, VER_NT_WORKSTATION}, 6},
        {{VER_PLATFORM_WIN32_NT, 5, 0, VER_NT_WORKSTATION}, 7},
        {{VER_PLATFORM_WIN32_NT, 5, 1, VER_NT_WORKSTATION}, 8},
        {{VER_PLATFORM_WIN32_NT, 5, 2, VER_NT_WORKSTATION}, 9},
        {{VER_PLATFORM_WIN32_NT, 5, 2, VER_NT_SERVER}, 10},
        {{VER_PLATFORM_WIN32_NT, 5, 2, VER_NT_DOMAIN_CONTROLLER}, 10},
        {{VER_PLATFORM_WIN32_NT, 6, 0, VER_NT_WORKSTATION}, 13},
        {{VER_PLATFORM_WIN32_NT, 10, 0, VER_NT_SERVER}, 13},
        {{VER_PLATFORM_WIN32_NT, 3, 51, VER_NT_WORKSTATION}, 0},
        {{VER_PLATFORM_WIN32_WINDOWS, 4, 3, 0}, 0},
    };
    for (const auto& row : cases)
        EXPECT_EQ(OsVersionCodeOf(row.version), row.code)
            << row.version.platformId << " " << row.version.major << "." << row.version.minor;
    EXPECT_EQ(GetOSVersionCode(), 13) << "Wine and every supported system are NT 6 or later";
}
