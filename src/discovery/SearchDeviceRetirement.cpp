// The workers of local addresses that went away: each outlives its address by a grace, then
// is retired and, once its thread has ended, deleted; its port is free for a new address.

#include "discovery/SearchDeviceService.h"

#include <algorithm>

#include "discovery/DiagnosticLog.h"

void CSearchDeviceService::NoteGoneAddressesLocked(const std::vector<std::string>& ipList,
                                                   Clock::time_point now)
{
    for (auto& entry : workerTable) {
        if (entry.strIP.empty())
            continue;
        if (std::find(ipList.begin(), ipList.end(), entry.strIP) != ipList.end())
            entry.goneSince.reset();
        else if (!entry.goneSince)
            entry.goneSince = now;
    }
}

void CSearchDeviceService::RetireGoneWorkersLocked(Clock::time_point now)
{
    std::vector<std::size_t> gone; // longest gone first
    for (std::size_t i = 0; i < workerTable.size(); ++i)
        if (workerTable[i].goneSince)
            gone.push_back(i);
    std::sort(gone.begin(), gone.end(), [this](std::size_t a, std::size_t b) {
        return *workerTable[a].goneSince < *workerTable[b].goneSince;
    });
    const std::size_t overCap = gone.size() > kMaxGoneWorkers ? gone.size() - kMaxGoneWorkers : 0;
    std::vector<bool> retire(workerTable.size());
    for (std::size_t rank = 0; rank < gone.size(); ++rank)
        retire[gone[rank]] =
            rank < overCap || now - *workerTable[gone[rank]].goneSince >= options.addressGrace;
    std::vector<SearchThreadEntry> kept;
    for (std::size_t i = 0; i < workerTable.size(); ++i) {
        SearchThreadEntry& entry = workerTable[i];
        if (!retire[i]) {
            kept.push_back(std::move(entry));
            continue;
        }
        WriteLog("Remove Search Device Work Thread : IP = %s, nPort = %d, Address Gone  ",
                 entry.strIP.c_str(), entry.worker->Port());
        entry.worker->ExitSearchThread();
        retiredWorkers.push_back(std::move(entry.worker));
    }
    workerTable = std::move(kept);
    ReapRetiredLocked();
}

void CSearchDeviceService::ReapRetiredLocked()
{
    // A woken receive thread ends at once; one still in a report is reaped at a later look.
    std::erase_if(retiredWorkers, [now = Clock::now()](const std::unique_ptr<CSearchDeviceThread>& worker) {
        return worker->WaitUntilStopped(now);
    });
}

void CSearchDeviceService::ScheduleRetirementCheckLocked(Clock::time_point now)
{
    std::optional<Clock::time_point> next;
    if (!retiredWorkers.empty())
        next = now + std::chrono::milliseconds(100);
    for (const auto& entry : workerTable)
        if (entry.goneSince && (!next || *entry.goneSince + options.addressGrace < *next))
            next = *entry.goneSince + options.addressGrace;
    if (!next)
        return;
    const auto delay =
        std::chrono::ceil<std::chrono::milliseconds>(std::max(*next - now, Clock::duration::zero()));
    loop.CheckAfter(delay, [this] {
        std::lock_guard lock(workerLock);
        if (!stopped)
            ScanLocalAddressesLocked();
    });
}

std::int32_t CSearchDeviceService::FreeCommandPortLocked() const
{
    std::int32_t port = options.firstCommandPort;
    for (;;) {
        const bool taken =
            std::any_of(workerTable.begin(), workerTable.end(),
                        [port](const SearchThreadEntry& entry) { return entry.commandPort == port; });
        if (!taken)
            return port;
        port += wire::kCommandPortStep;
    }
}
