#pragma once

#include <string>
#include <sys/types.h>

// A private X server for one test: Xvfb on a display number it picks itself among the free
// ones, reachable only through its local socket, stopped again by the destructor.
class CXvfbServer
{
public:
    // `screen` is the size and depth of its one screen, as Xvfb's -screen option takes it.
    explicit CXvfbServer(const std::string& screen = "320x240x24");
    ~CXvfbServer();
    CXvfbServer(const CXvfbServer&) = delete;
    CXvfbServer& operator=(const CXvfbServer&) = delete;

    bool IsRunning() const { return !strDisplay.empty(); }
    const std::string& DisplayName() const { return strDisplay; } // ":NN"

private:
    pid_t pid = -1;
    std::string strDisplay;
};
