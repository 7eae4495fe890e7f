#pragma once

#include "discovery/DeviceRecord.h"
#include "discovery/SearchFindings.h"
#include "discovery/WorkerCounters.h"

#include <cstdint>
#include <string>
#include <vector>

// --diagnose shows the workers as the service copied them (CSearchDeviceService::CopyWorkers)
// once the search was over.

// Readable lines, a short block per worker.
std::string FormatDiagnosisText(const std::vector<WorkerFacts>& workers);

// One JSON object: {"devices": [...as --json...], "workers": [...]}.
std::string FormatDiagnosisJson(const std::vector<WorkerFacts>& workers,
                                const std::vector<DeviceRecord>& devices);

// One plain line for everything a worker could not do (bind, join, send).
std::vector<std::string> ProblemLines(const std::vector<WorkerFacts>& workers);

// Whether any worker got a query out.
bool AnyQuerySent(const std::vector<WorkerFacts>& workers);

// Why a search that found nothing did, one line per cause (what the window's "Why?" shows).
std::string FormatFindingsText(const std::vector<SearchFinding>& findings);

// Whether queries went out and not one datagram came back: a firewall is the likely cause.
bool NothingHeard(const std::vector<WorkerFacts>& workers);
