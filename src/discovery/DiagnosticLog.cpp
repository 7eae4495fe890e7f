#include "discovery/DiagnosticLog.h"

#include "os/LocalFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

// The clock and its conversion only: the text forms of the full header go through string
// streams and their locales, which a log line does not need.
#include <boost/date_time/posix_time/conversion.hpp>
#include <boost/date_time/posix_time/posix_time_types.hpp>

namespace {

// Constant-initialised, so worker threads that log during process exit never meet a
// destroyed setting.
std::atomic<bool> gLogEnabled{false};
std::mutex gLogMutex;             // keeps each line whole in the file and on stdout
char gLogPath[kLogPathSize] = {}; // guarded by gLogMutex
std::FILE* gLogEcho = nullptr;    // guarded by gLogMutex; null means standard output
bool gPathWarned = false;         // guarded by gLogMutex; reset with each new path

using LineBuffer = char[kLogLineSize];

// Formats into out; false when the result is empty or does not fit in 1023 characters.
bool FormatBounded(LineBuffer& out, const char* format, std::va_list args)
{
    const int n = std::vsnprintf(out, kLogLineSize, format, args);
    return n > 0 && static_cast<std::size_t>(n) < kLogLineSize;
}

bool Fits(int n)
{
    return n > 0 && static_cast<std::size_t>(n) < kLogLineSize;
}

bool PathSetLocked()
{
    return gLogPath[0] != '\0';
}

// A path that cannot be written costs the file copy only; the user hears of it once.
void WarnUnwritableLocked(LocalFileStatus status, int error)
{
    if (gPathWarned)
        return;
    gPathWarned = true;
    const std::string reason = status == LocalFileStatus::Failed && error != 0
                                   ? std::string(std::strerror(error))
                                   : std::string(DescribeLocalFileStatus(status));
    std::fprintf(stderr, "travelkin: cannot write the log file %s: %s\n", gLogPath, reason.c_str());
}

// Through the program's file layer, as every file of ours: it reaches an account folder of any
// name (a narrow open would spell the path in the ANSI code page on Windows) and never writes
// into a FIFO, a device or through a link. The file is opened for each line and closed again,
// so it can be read, moved or removed while the program runs.
void AppendToFileLocked(const char* text, std::size_t size)
{
    errno = 0;
    const LocalFileStatus status = AppendToRegularFile(gLogPath, std::string_view(text, size));
    if (status != LocalFileStatus::Done)
        WarnUnwritableLocked(status, errno);
}

// The line goes out as plain bytes: text from the network may hold '%'.
void EmitLocked(const char* line, int size)
{
    AppendToFileLocked(line, static_cast<std::size_t>(size));
    std::FILE* echo = gLogEcho == nullptr ? stdout : gLogEcho;
    std::fwrite(line, 1, static_cast<std::size_t>(size), echo);
    std::fflush(echo);
}

int BuildPlainLine(LineBuffer& line, const LineBuffer& message)
{
    // Boost's clock picks the thread-safe local time call of each platform.
    const std::tm local = boost::posix_time::to_tm(boost::posix_time::second_clock::local_time());
    return std::snprintf(line, kLogLineSize, "%s*[%02d::%02d:%02d:%02d]\r\n", message, local.tm_mday,
                         local.tm_hour, local.tm_min, local.tm_sec);
}

int BuildStampedLine(LineBuffer& line, const LineBuffer& message)
{
    // The clock part of the ISO extended text, "HH:MM:SS[.ffffff]": the fraction is absent when
    // it is zero.
    const boost::posix_time::time_duration clock =
        boost::posix_time::microsec_clock::local_time().time_of_day();
    char fraction[16] = "";
    if (const long long micro = clock.fractional_seconds(); micro != 0)
        std::snprintf(fraction, sizeof(fraction), ".%06lld", micro);
    return std::snprintf(line, kLogLineSize, "[--%02d:%02d:%02d%s--]*%s\r\n", static_cast<int>(clock.hours()),
                         static_cast<int>(clock.minutes()), static_cast<int>(clock.seconds()), fraction,
                         message);
}

template <typename BuildLine> int WriteFormatted(BuildLine buildLine, const char* format, std::va_list args)
{
    if (!gLogEnabled.load(std::memory_order_relaxed) || format == nullptr)
        return 0;
    std::lock_guard lock(gLogMutex);
    if (!PathSetLocked())
        return 0;
    LineBuffer message;
    if (!FormatBounded(message, format, args))
        return 0;
    LineBuffer line;
    const int size = buildLine(line, message);
    if (!Fits(size))
        return 0;
    EmitLocked(line, size);
    return 1;
}

} // namespace

int WriteLog(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    const int written = WriteFormatted(BuildPlainLine, format, args);
    va_end(args);
    return written;
}

int WriteLogStamped(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    const int written = WriteFormatted(BuildStampedLine, format, args);
    va_end(args);
    return written;
}

int WriteLogClosing()
{
    static constexpr std::string_view kClosingLine = "------Exit Log System-------\r\n";
    if (!gLogEnabled.load())
        return 0;
    std::lock_guard lock(gLogMutex);
    if (!PathSetLocked())
        return 0;
    AppendToFileLocked(kClosingLine.data(), kClosingLine.size());
    return 1;
}

std::string LogText(std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
        else
            out += c;
    }
    return out;
}

void SetLogEnabled(bool logEnabled)
{
    gLogEnabled.store(logEnabled);
}

bool SetLogPath(std::string_view logPath)
{
    if (logPath.size() >= kLogPathSize)
        return false;
    std::lock_guard lock(gLogMutex);
    std::fill(std::begin(gLogPath), std::end(gLogPath), '\0');
    std::copy(logPath.begin(), logPath.end(), gLogPath);
    gPathWarned = false;
    return true;
}

void ClearLogSettings()
{
    SetLogEnabled(false);
    SetLogPath({});
}

void SetLogEcho(std::FILE* echo)
{
    std::lock_guard lock(gLogMutex);
    gLogEcho = echo;
}

bool LogEnabled()
{
    return gLogEnabled.load();
}

std::string LogPath()
{
    std::lock_guard lock(gLogMutex);
    return gLogPath;
}
