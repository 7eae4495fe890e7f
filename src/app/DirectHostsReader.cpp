#include "app/DirectHostsReader.h"

#include "app/DirectHostsFile.h"

#include <utility>

CDirectHostsReader::CDirectHostsReader(std::wstring dataRoot, Deliver deliver)
    : m_dataRoot(std::move(dataRoot)),
      m_deliver(std::move(deliver)),
      m_thread([this](std::stop_token stop) { Serve(std::move(stop)); })
{
}

void CDirectHostsReader::Read()
{
    {
        std::lock_guard lock(m_lock);
        m_readAsked = true;
    }
    m_asked.notify_one();
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
