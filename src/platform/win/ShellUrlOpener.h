#pragma once

#include "platform/DesktopServices.h"

// Hands URLs and share roots ("\\192.0.2.5") to the shell, which opens them with the
// default browser or the file browser.
class CShellUrlOpener final : public CUrlOpener
{
public:
    // May be called from any thread.
    void OpenUrl(const std::string& url) override;
};
