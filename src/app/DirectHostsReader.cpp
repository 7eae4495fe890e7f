#include "app/DirectHostsReader.h"

#include "app/DirectHostsFile.h"

#include <system_error>
#include <utility>

CDirectHostsReader::CDirectHostsReader(std::wstring dataRoot, Deliver deliver)
    : m_dataRoot(std::move(dataRoot)), m_deliver(std::move(deliver))
{
}

void CDirectHostsReader::Read()
{
    {
        std::lock_guard lock(m_lock);
        m_readAsked = true;
    }
    if (m_thread.joinable()) {
        m_asked.notify_one();
        return;
    }
    try {
        m_thread = std::jthread([this](std::stop_token stop) { Serve(std::move(stop)); });
    } catch (const std::system_error&) {
        m_deliver(DirectHostsOf(m_dataRoot));   // no thread to spare: read here rather than not at all
    }
}

void CDirectHostsReader::Serve(std::stop_token stop)
{
    for (;;) {
        {
            std::unique_lock lock(m_lock);
            if (!m_asked.wait(lock, stop, [this] { return m_readAsked; }))
                return;
            m_readAsked = false;
        }
        m_deliver(DirectHostsOf(m_dataRoot));
    }
}
