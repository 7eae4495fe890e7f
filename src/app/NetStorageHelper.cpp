#include "app/NetStorageHelper.h"

#include <algorithm>
#include <system_error>

CNetStorageHelper& CNetStorageHelper::Instance()
{
    static CNetStorageHelper helper;
    return helper;
}

CNetStorageHelper::~CNetStorageHelper()
{
    WaitForOpeners();
}

void CNetStorageHelper::OpenStorageFolder(const std::string& shareRoot, CUrlOpener& opener)
{
    const std::lock_guard lock(m_lock);
    m_strFolder = shareRoot;
    JoinFinishedOpeners();
    auto finished = std::make_shared<std::atomic<bool>>(false);
    try {
        std::thread thread([folder = m_strFolder, &opener, finished] {
            opener.OpenUrl(folder);
            finished->store(true);
        });
        m_openers.push_back({std::move(thread), std::move(finished)});
    } catch (const std::system_error&) {
        opener.OpenUrl(m_strFolder);  // no thread to spare: open it from here
    }
}

void CNetStorageHelper::WaitForOpeners()
{
    std::vector<Opener> openers;
    {
        const std::lock_guard lock(m_lock);
        openers.swap(m_openers);
    }
    for (Opener& opener : openers)
        opener.thread.join();
}

std::string CNetStorageHelper::LastFolder() const
{
    const std::lock_guard lock(m_lock);
    return m_strFolder;
}

// Called with the lock held; finished threads join at once.
void CNetStorageHelper::JoinFinishedOpeners()
{
    const auto finished = std::partition(m_openers.begin(), m_openers.end(),
                                         [](const Opener& opener) { return !opener.pFinished->load(); });
    for (auto it = finished; it != m_openers.end(); ++it)
        it->thread.join();
    m_openers.erase(finished, m_openers.end());
}
