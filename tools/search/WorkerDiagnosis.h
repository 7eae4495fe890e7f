#pragma once

#include "discovery/DeviceRecord.h"
#include "discovery/SearchFindings.h"
#include "discovery/WorkerCounters.h"

#include <cstdint>
#include <string>
#include <vector>

class CSearchDeviceThread;

// One worker as --diagnose shows it: what it is and what it did during the search.
struct WorkerDiagnosis
{
    std::string kind;    // broadcast, ssdp or ssdp-address
    std::string localIP; // the address a per-address worker was made for; empty otherwise
    std::int32_t port = 0;
    WorkerSnapshot counters;
};

WorkerDiagnosis DiagnoseWorker(const CSearchDeviceThread& worker);

// Readable lines, a short block per worker.
std::string FormatDiagnosisText(const std::vector<WorkerDiagnosis>& workers);

// One JSON object: {"devices": [...as --json...], "workers": [...]}.
std::string FormatDiagnosisJson(const std::vector<WorkerDiagnosis>& workers,
                                const std::vector<DeviceRecord>& devices);

// One plain line for everything a worker could not do (bind, join, send).
std::vector<std::string> ProblemLines(const std::vector<WorkerDiagnosis>& workers);

// Whether any worker got a query out.
bool AnyQuerySent(const std::vector<WorkerDiagnosis>& workers);

// Why a search that found nothing did, one line per cause (what the window's "Why?" shows).
std::string FormatFindingsText(const std::vector<SearchFinding>& findings);

// The workers' ports and counters, as the causes of an empty search are read from.
std::vector<WorkerFacts> FactsOf(const std::vector<WorkerDiagnosis>& workers);

// Whether queries went out and not one datagram came back: a firewall is the likely cause.
bool NothingHeard(const std::vector<WorkerDiagnosis>& workers);
