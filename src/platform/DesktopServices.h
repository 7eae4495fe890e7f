#pragma once

// The desktop services that the two device actions need: opening a URL, starting other
// programs, reading the user's share mounts and finding other programs' windows. Each is a
// small interface so the actions run unchanged against the Linux implementations, against the
// Windows ones, and against the recording fakes of the tests.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Hands a URL to the desktop's default handler. Callers never learn whether it worked.
class CUrlOpener
{
public:
    virtual ~CUrlOpener() = default;
    virtual void OpenUrl(const std::string& url) = 0;
};

// Starts other programs from an argument vector; no command line is ever given to a shell.
class CCommandRunner
{
public:
    virtual ~CCommandRunner() = default;
    // Starts the program with its standard streams on /dev/null and returns at once. The
    // program is never waited for, but it is reaped when it ends, so it leaves no zombie.
    virtual void StartDetached(const std::vector<std::string>& argv) = 0;
    // Runs the program to its end and returns what it wrote to standard output, or nothing
    // when it could not be started, failed, or did not finish in reasonable time.
    virtual std::optional<std::string> ReadOutput(const std::vector<std::string>& argv) = 0;
    // The calling thread's pause between started commands.
    virtual void Pause(std::chrono::milliseconds duration) = 0;
};

// A share mounted by the kernel (an SMB/CIFS mount), as the mount table names it.
struct KernelShareMount
{
    std::string strSource;     // "//192.0.2.5/share"
    std::string strMountPoint; // absolute path, escapes already decoded

    bool operator==(const KernelShareMount&) const = default;
};

// The user's connections to network shares.
class CMountTable
{
public:
    virtual ~CMountTable() = default;
    // The desktop's own (user-space) SMB connections as "smb://host/share", or nothing when
    // the list could not be read at all.
    virtual std::optional<std::vector<std::string>> NetworkConnections() = 0;
    // The kernel's SMB/CIFS mounts, in mount table order.
    virtual std::vector<KernelShareMount> KernelShareMounts() = 0;
};

// Top-level windows of other programs.
class CWindowList
{
public:
    struct TopLevelWindow
    {
        std::uint64_t nId = 0;
        std::string strInstance; // the two halves of the window's class hint
        std::string strClass;
        std::string strTitle; // UTF-8
    };

    virtual ~CWindowList() = default;
    // Every top-level window; empty where windows of other programs cannot be seen.
    virtual std::vector<TopLevelWindow> TopLevelWindows() = 0;
    // Asks the window's program to close it, without waiting for the answer.
    virtual void RequestClose(std::uint64_t windowId) = 0;
    // The texts of the window's descendants, each child before its own children. Empty where
    // windows keep no texts in child windows.
    virtual std::vector<std::string> DescendantTexts(std::uint64_t /*windowId*/) { return {}; }
};

// How the running desktop names a device's shares and shows them: smb:// URLs in the
// desktop's own file browsers, or "\\ADDRESS" share roots in the Windows file browser, whose
// windows are found by class and whose connections go through "net use".
enum class ShareStyle
{
    SmbUrl,
    Unc,
};

// The services the actions use, gathered so the main window hands them over in one piece.
struct DesktopServices
{
    CUrlOpener& urlOpener;
    CCommandRunner& commands;
    CMountTable& mounts;
    CWindowList& windows;
    ShareStyle shareStyle = ShareStyle::SmbUrl;
    // GetOSVersionCode of the running system; 0 where it has none.
    int osVersionCode = 0;
};

// The process-wide services of the running platform; made on first use (on the
// user-interface thread) and kept to the end of the process.
DesktopServices& SystemDesktopServices();
