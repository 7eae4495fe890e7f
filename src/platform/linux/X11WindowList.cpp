#include "platform/linux/X11WindowList.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <memory>

namespace {

// Windows may vanish while we read them. Xlib's default answer to such an error is to end
// the process, so errors are ignored while one of our calls runs.
int IgnoreXError(Display*, XErrorEvent*)
{
    return 0;
}

class XSession
{
public:
    explicit XSession(const char* displayName)
        : connection(XOpenDisplay(displayName)), previousHandler(XSetErrorHandler(IgnoreXError))
    {
    }
    ~XSession()
    {
        if (connection)
            XCloseDisplay(connection); // flushes what was sent and waits for the server
        XSetErrorHandler(previousHandler);
    }
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    Display* display() const { return connection; }
    Atom atom(const char* name) const { return XInternAtom(connection, name, False); }

private:
    Display* connection;
    XErrorHandler previousHandler;
};

struct XFreeDeleter
{
    void operator()(void* p) const
    {
        if (p)
            XFree(p);
    }
};
template <typename T> using XPtr = std::unique_ptr<T, XFreeDeleter>;

// The window manager's list of managed windows; nothing when no window manager keeps one.
std::optional<std::vector<Window>> ClientList(const XSession& x, Window root)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long rest = 0;
    unsigned char* raw = nullptr;
    const int status = XGetWindowProperty(x.display(), root, x.atom("_NET_CLIENT_LIST"), 0, 65536, False,
                                          XA_WINDOW, &type, &format, &count, &rest, &raw);
    XPtr<unsigned char> data(raw);
    if (status != Success || type != XA_WINDOW || format != 32)
        return std::nullopt;
    // Format-32 properties arrive as an array of long, whatever the width of long.
    const auto* ids = reinterpret_cast<const unsigned long*>(data.get());
    return ids ? std::vector<Window>(ids, ids + count) : std::vector<Window>{};
}

std::vector<Window> RootChildren(const XSession& x, Window root)
{
    Window rootReturn = 0;
    Window parent = 0;
    Window* raw = nullptr;
    unsigned int count = 0;
    std::vector<Window> windows;
    if (!XQueryTree(x.display(), root, &rootReturn, &parent, &raw, &count))
        return windows;
    XPtr<Window> children(raw);
    if (children)
        windows.assign(children.get(), children.get() + count);
    return windows;
}

std::optional<std::string> Utf8Name(const XSession& x, Window window)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long rest = 0;
    unsigned char* raw = nullptr;
    const Atom utf8 = x.atom("UTF8_STRING");
    const int status = XGetWindowProperty(x.display(), window, x.atom("_NET_WM_NAME"), 0, 4096, False, utf8,
                                          &type, &format, &count, &rest, &raw);
    XPtr<unsigned char> data(raw);
    if (status != Success || type != utf8 || format != 8 || !data)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(data.get()), count);
}

std::string LegacyName(const XSession& x, Window window)
{
    XTextProperty property{};
    if (!XGetWMName(x.display(), window, &property) || !property.value)
        return {};
    XPtr<unsigned char> value(property.value);
    char** list = nullptr;
    int count = 0;
    std::string name;
    if (Xutf8TextPropertyToTextList(x.display(), &property, &list, &count) >= Success && list) {
        if (count > 0 && list[0])
            name = list[0];
        XFreeStringList(list);
    }
    return name;
}

bool ReadClassHint(const XSession& x, Window window, CWindowList::TopLevelWindow& out)
{
    XClassHint hint{};
    if (!XGetClassHint(x.display(), window, &hint))
        return false;
    XPtr<char> instance(hint.res_name);
    XPtr<char> klass(hint.res_class);
    out.strInstance = instance ? instance.get() : "";
    out.strClass = klass ? klass.get() : "";
    return true;
}

bool SupportsDeleteWindow(const XSession& x, Window window, Atom deleteWindow)
{
    Atom* raw = nullptr;
    int count = 0;
    if (!XGetWMProtocols(x.display(), window, &raw, &count))
        return false;
    XPtr<Atom> protocols(raw);
    return protocols &&
           std::find(protocols.get(), protocols.get() + count, deleteWindow) != protocols.get() + count;
}

// A Wayland session may leave DISPLAY unset; without it there is no X11 server to ask.
std::optional<std::string> SessionDisplay()
{
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        return qEnvironmentVariable("DISPLAY").toStdString();
    return std::nullopt;
}

} // namespace

CX11WindowList::CX11WindowList() : displayName(SessionDisplay()) {}

CX11WindowList::CX11WindowList(std::string name) : displayName(std::move(name)) {}

std::vector<CWindowList::TopLevelWindow> CX11WindowList::TopLevelWindows()
{
    std::vector<TopLevelWindow> result;
    if (!displayName)
        return result;
    XSession x(displayName->c_str());
    if (!x.display())
        return result;
    const Window root = XDefaultRootWindow(x.display());
    std::optional<std::vector<Window>> managed = ClientList(x, root);
    // Without a window manager's list, the root window's children are the top-level windows.
    const std::vector<Window> windows = managed ? std::move(*managed) : RootChildren(x, root);
    for (Window window : windows) {
        TopLevelWindow entry;
        entry.nId = window;
        if (!ReadClassHint(x, window, entry))
            continue; // gone, or not an application's window
        std::optional<std::string> title = Utf8Name(x, window);
        entry.strTitle = title ? std::move(*title) : LegacyName(x, window);
        result.push_back(std::move(entry));
    }
    return result;
}

void CX11WindowList::RequestClose(std::uint64_t windowId)
{
    if (!displayName)
        return;
    XSession x(displayName->c_str());
    if (!x.display())
        return;
    const Window window = static_cast<Window>(windowId);
    const Atom deleteWindow = x.atom("WM_DELETE_WINDOW");
    // A program that does not take part in the close protocol is left alone: closing it
    // any other way would kill it with whatever it has not saved.
    if (!SupportsDeleteWindow(x, window, deleteWindow))
        return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = x.atom("WM_PROTOCOLS");
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x.display(), window, False, NoEventMask, &event);
}
