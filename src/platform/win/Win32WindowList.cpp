#include "platform/win/Win32WindowList.h"

#include "platform/win/WideText.h"

#include <windows.h>

#include <algorithm>

namespace {

// Class names and window texts are read into 260 characters, as the file browser's are.
constexpr int kTextSize = 260;

HWND Handle(std::uint64_t id)
{
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(id));
}

// Read as the system keeps it, without asking the window: a window whose thread is blocked
// (our own dialog while the window closes, a hung file browser) would never answer, and the
// storage worker's end would wait for it.
std::wstring WindowText(HWND window)
{
    wchar_t text[kTextSize] = {};
    ::InternalGetWindowText(window, text, kTextSize);
    return text;
}

std::wstring ClassName(HWND window)
{
    wchar_t name[kTextSize] = {};
    ::GetClassNameW(window, name, kTextSize);
    return name;
}

BOOL CALLBACK AddWindow(HWND window, LPARAM list)
{
    auto* windows = reinterpret_cast<std::vector<CWindowList::TopLevelWindow>*>(list);
    CWindowList::TopLevelWindow entry;
    entry.nId = reinterpret_cast<std::uintptr_t>(window);
    entry.strClass = Utf8FromWideText(ClassName(window));
    entry.strTitle = Utf8FromWideText(WindowText(window));
    windows->push_back(std::move(entry));
    return TRUE;
}

// EnumChildWindows visits every descendant, each child before its own children.
BOOL CALLBACK AddChildText(HWND child, LPARAM list)
{
    reinterpret_cast<std::vector<std::string>*>(list)->push_back(Utf8FromWideText(WindowText(child)));
    return TRUE;
}

} // namespace

std::vector<CWindowList::TopLevelWindow> CWin32WindowList::TopLevelWindows()
{
    std::vector<TopLevelWindow> windows;
    ::EnumWindows(AddWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

void CWin32WindowList::RequestClose(std::uint64_t windowId)
{
    ::PostMessageW(Handle(windowId), WM_CLOSE, 0, 0);
}

std::vector<std::string> CWin32WindowList::DescendantTexts(std::uint64_t windowId)
{
    std::vector<std::string> texts;
    ::EnumChildWindows(Handle(windowId), AddChildText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

bool FindChildWindowText(std::uint64_t windowId, std::string_view text)
{
    const std::vector<std::string> texts = CWin32WindowList().DescendantTexts(windowId);
    return std::ranges::any_of(
        texts, [text](const std::string& child) { return child.find(text) != std::string::npos; });
}
