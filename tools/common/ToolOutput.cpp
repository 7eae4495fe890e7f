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
bool g_writeFailed = false;

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
    // What printf left in the buffer goes first, so the output keeps its order.
    errno = 0;
    int error = std::fflush(stdout) == 0 ? 0 : errno;
    if (error == 0 && WriteStandardOutput(text.data(), text.size(), error))
        return true;
    NoteWriteFailure(error);
    return false;
}

void NoteWriteFailure(int error)
{
    g_writeFailed = true;
    if (g_firstWriteError == 0)
        g_firstWriteError = error;
}

bool CloseStandardOutput(const char* program)
{
    errno = 0;
    const bool failedBefore = g_writeFailed || std::ferror(stdout) != 0;
    const int flushError = std::fflush(stdout) != 0 ? errno : 0;
    // fclose reports what the kernel says at the last moment (a full disk on NFS, for one).
    const int closeError = std::fclose(stdout) != 0 ? errno : 0;
    if (!failedBefore && flushError == 0 && closeError == 0)
        return true;
    ReportWriteError(program, g_firstWriteError != 0 ? g_firstWriteError
                              : flushError != 0      ? flushError
                                                     : closeError);
    return false;
}

bool CheckStandardOutput(const char* program)
{
    if (StandardOutputIsOpen())
        return true;
    ReportWriteError(program, EBADF);
    return false;
}
