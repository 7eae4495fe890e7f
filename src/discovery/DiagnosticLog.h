#pragma once

// The discovery subsystem's diagnostic log: one process-wide text file, each line also
// echoed to standard output (or to the stream SetLogEcho names). It is off unless both
// settings are given, so in normal operation every call returns at once. A file that cannot
// be written costs only the file copy, with one warning on standard error per path.
//
// The lines' words are the log's own format, odd spellings included ("Recive", "Tread",
// "Thead"): whoever compares or greps these logs matches them word for word, so a message is
// never reworded or corrected, only added.

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

inline constexpr std::size_t kLogPathSize = 4096; // the path holds at most 4095 characters
inline constexpr std::size_t kLogLineSize = 1024; // messages and lines hold at most 1023

// Writes one plain line, "<message>*[DD::HH:MM:SS]\r\n". Returns 1 when written, 0 when the
// log is off or the message or line is empty or too long (dropped whole, never cut).
// (MinGW's C++ runtime formats as C99 does, %zu included, not as the system's printf.)
#ifdef __MINGW32__
#define TRAVELKIN_LOG_FORMAT gnu_printf
#else
#define TRAVELKIN_LOG_FORMAT printf
#endif
int WriteLog(const char* format, ...) __attribute__((format(TRAVELKIN_LOG_FORMAT, 1, 2)));

// Writes one stamped line, "[--HH:MM:SS.ffffff--]*<message>\r\n", same rules as WriteLog.
int WriteLogStamped(const char* format, ...) __attribute__((format(TRAVELKIN_LOG_FORMAT, 1, 2)));

// Appends "------Exit Log System-------\r\n" to the file only (no echo). Returns 1 when the
// log is on.
int WriteLogClosing();

// A text that came from the network, ready to be a log argument: every control character
// (CR, LF, ESC ...) is written as \xNN, so a device can neither break a line nor forge one.
std::string LogText(std::string_view text);

void SetLogEnabled(bool logEnabled);
// Where lines are echoed; null means standard output. The command-line tools echo to
// standard error, so their output stays clean for scripts.
void SetLogEcho(std::FILE* echo);
// Refuses (returns false, keeps the old path) a path of kLogPathSize characters or more.
bool SetLogPath(std::string_view logPath);
// Both settings off: the state the search service starts from.
void ClearLogSettings();

bool LogEnabled();
std::string LogPath();
