#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct _XDisplay;

// A small X11 program inside the test: it makes top-level windows with a given class and
// title, and reports which of them were asked to close.
class CX11TestClient
{
public:
    struct WindowTraits
    {
        std::string strInstance;
        std::string strClass;
        std::string strLegacyTitle;              // WM_NAME
        std::optional<std::string> strUtf8Title; // _NET_WM_NAME
        bool bAcceptsClose = true;               // takes part in WM_DELETE_WINDOW
    };

    explicit CX11TestClient(const std::string& displayName);
    ~CX11TestClient();
    CX11TestClient(const CX11TestClient&) = delete;
    CX11TestClient& operator=(const CX11TestClient&) = delete;

    bool IsConnected() const { return display != nullptr; }
    std::uint64_t CreateWindow(const WindowTraits& traits);
    // Publishes a window manager's client list on the root window.
    void SetClientList(const std::vector<std::uint64_t>& windows);
    // The windows that have received a close request so far.
    std::vector<std::uint64_t> CloseRequests();

private:
    _XDisplay* display = nullptr;
    std::vector<std::uint64_t> closeRequests;
};
