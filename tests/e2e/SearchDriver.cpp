// travelkin-search-driver: one search service driven line by line from standard input, so an
// end-to-end test can change the test network between searches of the same process.
//
//   search       clear the registry and send a search, as the window's Refresh does
//   clear        clear the registry only
//   list FILE    write the registry to FILE as travelkin-search --json prints it
//   (end of input) stop the service and end

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "DeviceListFormat.h"
#include "discovery/SearchDeviceService.h"

namespace {

// Written beside FILE and renamed, so a test that waits for FILE reads it whole.
bool WriteList(CSearchDeviceService& service, const std::string& path)
{
    const std::string partial = path + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << FormatDeviceJson(service.CopyDevices());
        if (!out)
            return false;
    }
    return std::rename(partial.c_str(), path.c_str()) == 0;
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
        } else if (line.starts_with("list ") && !WriteList(service, line.substr(5))) {
            std::cerr << "travelkin-search-driver: cannot write " << line.substr(5) << '\n';
        }
    }
    service.ExitSearchService();
    return 0;
}
