#pragma once

#include <string>
#include <sys/types.h>

// A private Wayland compositor for one test: weston's headless backend on a socket in a
// runtime folder of its own, the desktop painted one colour, stopped again by the destructor.
// The test's process gets XDG_RUNTIME_DIR and WAYLAND_DISPLAY pointing at it.
class CWestonServer
{
public:
    explicit CWestonServer(const std::string& backgroundArgb = "0xff00ff00");
    ~CWestonServer();
    CWestonServer(const CWestonServer&) = delete;
    CWestonServer& operator=(const CWestonServer&) = delete;

    bool IsRunning() const { return pid > 0 && !strSocket.empty(); }
    // Takes a screenshot of the whole output; the path of the PNG file, or empty.
    std::string Screenshot() const;

private:
    pid_t pid = -1;
    std::string strDir;
    std::string strSocket;
};
