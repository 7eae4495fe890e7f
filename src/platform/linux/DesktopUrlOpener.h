#pragma once

#include "platform/DesktopServices.h"
#include "platform/UrlRecorder.h"

// Opens URLs with the desktop's default handler. When TRAVELKIN_URL_RECORDER names a file,
// URLs are appended to it as lines instead, so demonstrations and tests can see what would
// have been opened without starting a browser or a file manager.
class CDesktopUrlOpener final : public CUrlOpener
{
public:
    // Reads TRAVELKIN_URL_RECORDER once, here.
    CDesktopUrlOpener();
    // Records into recorderPath when it is set; an empty path means "open for real".
    explicit CDesktopUrlOpener(std::string recorderPath);

    // May be called from any thread.
    void OpenUrl(const std::string& url) override;

private:
    CUrlRecorder recorder;
};
