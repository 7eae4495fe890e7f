#include "WorkerDiagnosis.h"

#include "DeviceListFormat.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

struct DropName
{
    DropReason reason;
    const char* words; // in the readable lines
    const char* key;   // in the JSON object
};

constexpr std::array<DropName, kDropReasons> kDropNames{{
    {DropReason::WrongLength, "wrong length", "wrongLength"},
    {DropReason::NotDeviceAnswer, "not a device answer", "notDeviceAnswer"},
    {DropReason::OtherVendor, "not from an accepted vendor", "otherVendor"},
    {DropReason::Repeat, "repeats", "repeat"},
    {DropReason::RegistryFull, "registry full", "registryFull"},
    {DropReason::Unreadable, "unreadable", "unreadable"},
}};

struct StepName
{
    WorkerStep step;
    const char* verb; // "could not ..."
    const char* key;
};

constexpr std::array<StepName, kWorkerSteps> kStepNames{{
    {WorkerStep::Bind, "bind", "bind"},
    {WorkerStep::Join, "join the SSDP group", "join"},
    {WorkerStep::Send, "send its query", "send"},
}};

std::string Name(const WorkerFacts& w)
{
    std::string name = w.kind + " worker";
    if (!w.localIP.empty())
        name += " for " + w.localIP;
    return name + " (port " + std::to_string(w.port) + ")";
}

std::string Bound(const WorkerSnapshot& c)
{
    if (c.boundAddress.empty())
        return "nothing" + (c.Problem(WorkerStep::Bind).empty() ? "" : ": " + c.Problem(WorkerStep::Bind));
    return c.boundAddress + " port " + std::to_string(c.boundPort);
}

std::string JsonProblem(const std::string& text)
{
    return text.empty() ? "null" : JsonString(text);
}

std::string WorkerJson(const WorkerFacts& w)
{
    const WorkerSnapshot& c = w.counters;
    std::string out = "{\"kind\": " + JsonString(w.kind) + ", \"address\": " + JsonString(w.localIP) +
                      ", \"port\": " + std::to_string(w.port) +
                      ", \"boundAddress\": " + JsonProblem(c.boundAddress) +
                      ", \"boundPort\": " + std::to_string(c.boundPort) + ",\n   \"problems\": {";
    for (const StepName& s : kStepNames)
        out += std::string(s.step == WorkerStep::Bind ? "" : ", ") + "\"" + s.key +
               "\": " + JsonProblem(c.Problem(s.step));
    out += "},\n   \"queriesSent\": " + std::to_string(c.queriesSent) +
           ", \"queriesFailed\": " + std::to_string(c.queriesFailed) +
           ", \"received\": " + std::to_string(c.received) + ",\n   \"dropped\": {";
    for (const DropName& d : kDropNames)
        out += std::string(d.reason == DropReason::WrongLength ? "" : ", ") + "\"" + d.key +
               "\": " + std::to_string(c.Dropped(d.reason));
    return out + "},\n   \"listed\": " + std::to_string(c.listed) +
           ", \"goodbyes\": " + std::to_string(c.goodbyes) + "}";
}

} // namespace

std::string FormatDiagnosisText(const std::vector<WorkerFacts>& workers)
{
    std::string out;
    for (const WorkerFacts& w : workers) {
        const WorkerSnapshot& c = w.counters;
        out += Name(w) + "\n  bound:    " + Bound(c) + "\n  queries:  " + std::to_string(c.queriesSent) +
               " sent, " + std::to_string(c.queriesFailed) +
               " failed\n  received: " + std::to_string(c.received) + " datagrams\n  dropped: ";
        for (const DropName& d : kDropNames)
            out += std::string(d.reason == DropReason::WrongLength ? " " : ", ") +
                   std::to_string(c.Dropped(d.reason)) + " " + d.words;
        out += "\n  listed:   " + std::to_string(c.listed) + " reports, " + std::to_string(c.goodbyes) +
               " goodbyes\n";
        for (const StepName& s : kStepNames) {
            if (s.step != WorkerStep::Bind && !c.Problem(s.step).empty())
                out += std::string("  could not ") + s.verb + ": " + c.Problem(s.step) + "\n";
        }
    }
    return out;
}

std::string FormatDiagnosisJson(const std::vector<WorkerFacts>& workers,
                                const std::vector<DeviceRecord>& devices)
{
    std::string list = FormatDeviceJson(devices);
    list.pop_back(); // its closing line end
    std::string out = "{\"devices\": " + list + ",\n \"workers\": [";
    for (std::size_t i = 0; i < workers.size(); ++i)
        out += (i == 0 ? "\n  " : ",\n  ") + WorkerJson(workers[i]);
    return out + (workers.empty() ? "]}\n" : "\n ]}\n");
}

std::vector<std::string> ProblemLines(const std::vector<WorkerFacts>& workers)
{
    std::vector<std::string> lines;
    for (const WorkerFacts& w : workers) {
        for (const StepName& s : kStepNames) {
            const std::string& problem = w.counters.Problem(s.step);
            if (!problem.empty())
                lines.push_back(Name(w) + " could not " + s.verb + ": " + problem);
        }
    }
    return lines;
}

bool AnyQuerySent(const std::vector<WorkerFacts>& workers)
{
    return std::any_of(workers.begin(), workers.end(),
                       [](const WorkerFacts& w) { return w.counters.queriesSent > 0; });
}

std::string FormatFindingsText(const std::vector<SearchFinding>& findings)
{
    std::string out = "why nothing was found:\n";
    for (const SearchFinding& f : findings) {
        switch (f.cause) {
        case SearchFinding::Cause::NoQuerySent:
            out += "  no search query could be sent (no usable network?)\n";
            break;
        case SearchFinding::Cause::PortTaken:
            out += "  port " + std::to_string(f.port) + " could not be bound: " + f.reason +
                   (f.freeNow          ? " (nothing holds it now)"
                    : f.holder.empty() ? ""
                                       : " (held by " + f.holder + ")") +
                   "\n";
            break;
        case SearchFinding::Cause::GroupNotJoined:
            out += "  the SSDP group was not joined: " + f.reason + "\n";
            break;
        case SearchFinding::Cause::NothingHeard:
            out +=
                "  queries went out but nothing answered: check the firewall (see \"Nothing found?\" in the "
                "README), the device's power and network, or give its address with --host\n";
            break;
        case SearchFinding::Cause::OtherMakers:
            out += "  " + std::to_string(f.count) + " answers came from other makers' devices\n";
            break;
        case SearchFinding::Cause::NoneOurs:
            out += "  answers came, none from a device of ours\n";
            break;
        }
    }
    return out;
}

bool NothingHeard(const std::vector<WorkerFacts>& workers)
{
    return AnyQuerySent(workers) && std::none_of(workers.begin(), workers.end(), [](const WorkerFacts& w) {
               return w.counters.received > 0;
           });
}
