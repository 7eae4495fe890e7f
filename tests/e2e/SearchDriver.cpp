// travelkin-search-driver: one search service driven line by line from standard input, so an
// end-to-end test can change the test network between searches of the same process.
//
//   search       clear the registry and send a search, as the window's Refresh does
//   clear        clear the registry only
//   list FILE    write the registry to FILE as travelkin-search --json prints it
//   hosts A...   the addresses searched directly, as the window hands over those of hosts.txt
//   why FILE     write to FILE why nothing was found, as --diagnose and the window's Why? tell
//   (end of input) stop the service and end

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "DeviceListFormat.h"
#include "WorkerDiagnosis.h"
#include "discovery/SearchDeviceService.h"

namespace {

// Written beside FILE and renamed, so a test that waits for FILE reads it whole.
bool WriteWhole(const std::string& text, const std::string& path)
{
    const std::string partial = path + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out)
            return false;
    }
    return std::rename(partial.c_str(), path.c_str()) == 0;
}

std::vector<boost::asio::ip::address_v4> Addresses(const std::string& list)
{
    std::istringstream words(list);
    std::vector<boost::asio::ip::address_v4> addresses;
    for (std::string word; words >> word;)
        addresses.push_back(boost::asio::ip::make_address_v4(word)); // the test's own words
    return addresses;
}

} // namespace

int main()
{
    CSearchDeviceService& service = CSearchDeviceService::Instance();
    service.StartSearchService();
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line == "search") {
            service.ClearDevices();
            service.SendSearchRequest();
        } else if (line == "clear") {
            service.ClearDevices();
        } else if (line.starts_with("hosts ")) {
            service.SetDirectHosts(Addresses(line.substr(6)));
        } else if (line.starts_with("list ") &&
                   !WriteWhole(FormatDeviceJson(service.CopyDevices()), line.substr(5))) {
            std::cerr << "travelkin-search-driver: cannot write " << line.substr(5) << '\n';
        } else if (line.starts_with("why ") &&
                   !WriteWhole(FormatFindingsText(WithPortHolders(DiagnoseSearch(service.CopyWorkers()))),
                               line.substr(4))) {
            std::cerr << "travelkin-search-driver: cannot write " << line.substr(4) << '\n';
        }
    }
    service.ExitSearchService();
    return 0;
}
