#include "ToolOutput.h"

#include "Console.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifndef TRAVELKIN_VERSION
#error "the build passes the project's version as TRAVELKIN_VERSION"
#endif

namespace {

// The reason of the first failed write, kept for the message at the end.
int g_firstWriteError = 0;

void ReportWriteError(const char* program, int error)
{
    if (error != 0)
        std::fprintf(stderr, "%s: write error: %s\n", program, std::strerror(error));
    else
        std::fprintf(stderr, "%s: write error\n", program);
}

} // namespace

const char* ProjectVersion()
{
    return TRAVELKIN_VERSION;
}

void PrintVersion(const char* program)
{
    std::printf("%s %s\n", program, ProjectVersion());
}

bool WriteOut(std::string_view text)
{
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0)
        return true;
    if (g_firstWriteError == 0)
        g_firstWriteError = errno;
    return false;
}

bool CloseStandardOutput(const char* program)
{
    errno = 0;
    const bool failedBefore = std::ferror(stdout) != 0;
    const int flushError = std::fflush(stdout) != 0 ? errno : 0;
    // fclose reports what the kernel says at the last moment (a full disk on NFS, for one).
    const int closeError = std::fclose(stdout) != 0 ? errno : 0;
    if (!failedBefore && flushError == 0 && closeError == 0)
        return true;
    ReportWriteError(program, g_firstWriteError != 0 ? g_firstWriteError : flushError != 0 ? flushError : closeError);
    return false;
}

bool CheckStandardOutput(const char* program)
{
    if (StandardOutputIsOpen())
        return true;
    ReportWriteError(program, EBADF);
    return false;
}
