#include "platform/support/linux/X11TestClient.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

CX11TestClient::CX11TestClient(const std::string& displayName) : display(XOpenDisplay(displayName.c_str())) {}

CX11TestClient::~CX11TestClient()
{
    if (display)
        XCloseDisplay(display);
}

std::uint64_t CX11TestClient::CreateWindow(const WindowTraits& traits)
{
    const Window root = XDefaultRootWindow(display);
    const Window window = XCreateSimpleWindow(display, root, 0, 0, 100, 100, 0, 0, 0);

    XClassHint hint{};
    hint.res_name = const_cast<char*>(traits.strInstance.c_str());
    hint.res_class = const_cast<char*>(traits.strClass.c_str());
    XSetClassHint(display, window, &hint);
    XStoreName(display, window, traits.strLegacyTitle.c_str());
    if (traits.strUtf8Title) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(traits.strUtf8Title->data());
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                        XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace, bytes,
                        static_cast<int>(traits.strUtf8Title->size()));
    }
    if (traits.bAcceptsClose) {
        Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display, window, &deleteWindow, 1);
    }
    XMapWindow(display, window);
    XSync(display, False);
    return window;
}

void CX11TestClient::SetClientList(const std::vector<std::uint64_t>& windows)
{
    const std::vector<unsigned long> ids(windows.begin(), windows.end());
    XChangeProperty(display, XDefaultRootWindow(display), XInternAtom(display, "_NET_CLIENT_LIST", False),
                    XA_WINDOW, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(ids.data()),
                    static_cast<int>(ids.size()));
    XSync(display, False);
}

std::vector<std::uint64_t> CX11TestClient::CloseRequests()
{
    // The round trip makes sure every event the server holds for us has arrived.
    XSync(display, False);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    while (XPending(display) > 0) {
        XEvent event{};
        XNextEvent(display, &event);
        if (event.type == ClientMessage && event.xclient.message_type == protocols &&
            static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow)
            closeRequests.push_back(event.xclient.window);
    }
    return closeRequests;
}
