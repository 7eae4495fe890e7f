#include "DesktopFakes.h"

namespace {

std::string Joined(const std::vector<std::string>& argv)
{
    std::string line;
    for (const std::string& arg : argv)
        line += (line.empty() ? "" : " ") + arg;
    return line;
}

} // namespace

void CRecordingUrlOpener::OpenUrl(const std::string& url)
{
    const std::lock_guard lock(urlLock);
    urls.push_back(url);
}

std::vector<std::string> CRecordingUrlOpener::Urls() const
{
    const std::lock_guard lock(urlLock);
    return urls;
}

void CRecordingCommandRunner::StartDetached(const std::vector<std::string>& argv)
{
    events.push_back("start " + Joined(argv));
    started.push_back(argv);
}

std::optional<std::string> CRecordingCommandRunner::ReadOutput(const std::vector<std::string>& argv)
{
    events.push_back("read " + Joined(argv));
    return output;
}

void CRecordingCommandRunner::Pause(std::chrono::milliseconds duration)
{
    events.push_back("pause " + std::to_string(duration.count()) + "ms");
}

std::vector<CWindowList::TopLevelWindow> CFakeWindowList::TopLevelWindows()
{
    ++nEnumerations;
    return windows;
}

void CFakeWindowList::RequestClose(std::uint64_t windowId)
{
    closeRequests.push_back(windowId);
}

std::vector<std::string> CFakeWindowList::DescendantTexts(std::uint64_t windowId)
{
    const auto found = descendantTexts.find(windowId);
    return found == descendantTexts.end() ? std::vector<std::string>{} : found->second;
}
