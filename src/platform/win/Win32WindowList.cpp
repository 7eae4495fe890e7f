#include "platform/win/Win32WindowList.h"

#include "platform/win/WideText.h"

#include <windows.h>

namespace {

// Class names and window texts are read into 260 characters, as the file browser's are.
constexpr int kTextSize = 260;

HWND Handle(std::uint64_t id)
{
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(id));
}

std::wstring WindowText(HWND window)
{
    wchar_t text[kTextSize] = {};
    ::GetWindowTextW(window, text, kTextSize);
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

struct ChildSearch
{
    std::wstring text;
    bool found = false;
};

// EnumChildWindows visits every descendant, each child before its own children.
BOOL CALLBACK CheckChild(HWND child, LPARAM search)
{
    auto* state = reinterpret_cast<ChildSearch*>(search);
    state->found = WindowText(child).find(state->text) != std::wstring::npos;
    return state->found ? FALSE : TRUE;
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

bool FindChildWindowText(std::uint64_t windowId, std::string_view text)
{
    ChildSearch search{WideFromUtf8Text(text)};
    ::EnumChildWindows(Handle(windowId), CheckChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
