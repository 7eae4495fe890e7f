#include "app/DirectHostsFile.h"

#include "app/DataFolder.h"
#include "discovery/DiagnosticLog.h"
#include "discovery/DirectHosts.h"
#include "discovery/LocalAddresses.h"
#include "layout/LocalFile.h"
#include "layout/LocalPath.h"

#include <sstream>

std::vector<boost::asio::ip::address_v4> DirectHostsOf(const std::wstring& dataRoot)
{
    const std::string path = ToLocalPath(dataRoot + kDataFolderName + kHostsFileName);
    std::string content;
    const LocalFileStatus read = ReadRegularFile(path, kMaxHostsFileBytes, content);
    if (read == LocalFileStatus::Missing)
        return {};   // most data folders have none
    if (read != LocalFileStatus::Done) {
        WriteLog("Direct Search Hosts File Ignored %s: it %s  ", path.c_str(),
                 std::string(DescribeLocalFileStatus(read)).c_str());
        return {};
    }
    std::istringstream lines(content);
    boost::system::error_code ignored;   // without the networks only their broadcast addresses pass
    HostsFile hosts = ReadHostsFile(lines, ListLocalIPv4Networks(ignored));
    for (const std::string& line : hosts.skipped)
        WriteLog("Direct Search Hosts File Skip %s  ", line.c_str());
    if (hosts.addresses.size() > kMaxDirectHosts) {
        WriteLog("Direct Search Hosts File Ignored %zu addresses after the first %zu  ",
                 hosts.addresses.size() - kMaxDirectHosts, kMaxDirectHosts);
        hosts.addresses.resize(kMaxDirectHosts);
    }
    return hosts.addresses;
}
