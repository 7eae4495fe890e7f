#pragma once

// Demonstrations and tests see what Log In and My Storage would have opened without a browser
// or a file browser starting: when TRAVELKIN_URL_RECORDER names a file, the URL openers of
// every platform append each URL to it as a line instead of opening it.

#include <mutex>
#include <string>
#include <string_view>

// A URL with a control character would forge extra lines in the record, and no URL that the
// actions build contains one: such a URL is neither recorded nor opened.
bool IsPlainUrl(std::string_view url);

class CUrlRecorder
{
public:
    // An empty path means "open for real".
    explicit CUrlRecorder(std::string path);

    bool IsOn() const { return !strPath.empty(); }

    // Appends the URL as a line. The recorder only ever appends to a regular file given by an
    // absolute path: it never follows a planted link, never truncates, never runs what it
    // names. A path that does not qualify records nothing. May be called from any thread.
    void Record(std::string_view url);

private:
    const std::string strPath;
    std::mutex fileLock;
};
