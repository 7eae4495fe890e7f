#include "discovery/SearchFindings.h"

#include "os/SocketPlatform.h"

namespace {

// Datagrams that came from a device, whatever became of them afterwards; a worker's own
// query heard back and foreign traffic are not an answer.
std::uint64_t Answers(const WorkerSnapshot& c)
{
    return c.listed + c.goodbyes + c.Dropped(DropReason::OtherVendor) + c.Dropped(DropReason::Repeat) +
           c.Dropped(DropReason::RegistryFull) + c.Dropped(DropReason::Unreadable);
}

} // namespace

std::vector<SearchFinding> WithPortHolders(std::vector<SearchFinding> findings)
{
    for (SearchFinding& finding : findings) {
        if (finding.cause == SearchFinding::Cause::PortTaken) {
            finding.holder = socketplatform::UdpPortHolder(finding.port);
            finding.freeNow = !socketplatform::UdpPortInUse(finding.port);
        }
    }
    return findings;
}

std::vector<SearchFinding> DiagnoseSearch(const std::vector<WorkerFacts>& workers)
{
    std::vector<SearchFinding> findings;
    std::uint64_t sent = 0;
    std::uint64_t answers = 0;
    std::uint64_t otherMakers = 0;
    for (const WorkerFacts& worker : workers) {
        const WorkerSnapshot& c = worker.counters;
        sent += c.queriesSent;
        answers += Answers(c);
        otherMakers += c.Dropped(DropReason::OtherVendor);
        if (c.boundAddress.empty() && !c.Problem(WorkerStep::Bind).empty())
            findings.push_back(
                {SearchFinding::Cause::PortTaken, worker.port, c.Problem(WorkerStep::Bind), 0});
        if (!c.Problem(WorkerStep::Join).empty())
            findings.push_back(
                {SearchFinding::Cause::GroupNotJoined, worker.port, c.Problem(WorkerStep::Join), 0});
    }
    if (sent == 0)
        return {{SearchFinding::Cause::NoQuerySent, 0, {}, 0}};
    if (answers == 0)
        findings.push_back({SearchFinding::Cause::NothingHeard, 0, {}, 0});
    else if (otherMakers > 0)
        findings.push_back({SearchFinding::Cause::OtherMakers, 0, {}, otherMakers});
    else if (findings.empty())
        findings.push_back({SearchFinding::Cause::NoneOurs, 0, {}, 0});
    return findings;
}

std::string WindowsFirewallCommands(std::string_view programFolder)
{
    std::string folder(programFolder);
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    const auto rule = [&folder](std::string_view name, std::string_view program) {
        return "netsh advfirewall firewall add rule name=\"" + std::string(name) +
               "\" dir=in action=allow protocol=UDP program=\"" + folder + std::string(program) + "\"\n";
    };
    return rule("Travelkin", "travelkin.exe") + rule("Travelkin search", "travelkin-search.exe");
}
