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

    bool IsRunning() const { return m_pid > 0 && !m_strSocket.empty(); }
    // Takes a screenshot of the whole output; the path of the PNG file, or empty.
    std::string Screenshot() const;

private:
    pid_t m_pid = -1;
    std::string m_strDir;
    std::string m_strSocket;
};
