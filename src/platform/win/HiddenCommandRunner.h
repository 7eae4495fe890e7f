#pragma once

#include "platform/DesktopServices.h"

#include <string>
#include <vector>

// Starts programs with CreateProcessW: no shell, no console window, standard streams on NUL
// (or standard output on a pipe for ReadOutput). The program is found as the system finds the
// first word of a command line (the program's folder, the system folders, PATH; ".exe" added).
class CHiddenCommandRunner final : public CCommandRunner
{
public:
    void StartDetached(const std::vector<std::string>& argv) override;
    std::optional<std::string> ReadOutput(const std::vector<std::string>& argv) override;
    void Pause(std::chrono::milliseconds duration) override;
};

// The command line whose parsing by the C runtime (and CommandLineToArgvW) gives back argv
// exactly: each argument quoted when it holds blanks or quotes or is empty, with quotes and
// the backslashes before them escaped.
std::wstring BuildCommandLine(const std::vector<std::string>& argv);
