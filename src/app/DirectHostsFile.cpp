#include "app/DirectHostsFile.h"

#include "app/DataFolder.h"
#include "discovery/DiagnosticLog.h"
#include "discovery/DirectHosts.h"
#include "layout/LocalPath.h"
#include "os/LocalAddresses.h"
#include "os/LocalFile.h"

#include <functional>
#include <sstream>

namespace {

constexpr unsigned kNewHostsFileMode = 0644;

std::string HostsPath(const std::wstring& dataRoot)
{
    return ToLocalPath(dataRoot + kDataFolderName + kHostsFileName);
}

// Whether a line of the hosts file lists the address (as ReadHostsFile reads it).
bool ListsAddress(const std::string& line, const boost::asio::ip::address_v4& address)
{
    std::istringstream one(line);
    const HostsFile read = ReadHostsFile(one, {}); // parsing only: what the line names
    return !read.addresses.empty() && read.addresses.front() == address;
}

bool EditHostsFile(const std::wstring& dataRoot, const std::function<std::string(std::string)>& edit,
                   std::string& error)
{
    const std::string path = HostsPath(dataRoot);
    std::string content;
    const LocalFileStatus read = ReadRegularFile(path, kMaxHostsFileBytes, content);
    if (read != LocalFileStatus::Done && read != LocalFileStatus::Missing) {
        error = path + " " + std::string(DescribeLocalFileStatus(read));
        return false;
    }
    const std::string edited = edit(content);
    if (edited == content)
        return true;
    std::string reason;
    if (ReplaceRegularFile(path, edited, LinkHandling::ReplaceTarget, kNewHostsFileMode, reason) !=
        LocalFileStatus::Done) {
        error = path + ": " + reason;
        return false;
    }
    return true;
}

} // namespace

std::vector<boost::asio::ip::address_v4> DirectHostsOf(const std::wstring& dataRoot)
{
    const std::string path = HostsPath(dataRoot);
    std::string content;
    const LocalFileStatus read = ReadRegularFile(path, kMaxHostsFileBytes, content);
    if (read == LocalFileStatus::Missing)
        return {}; // most data folders have none
    if (read != LocalFileStatus::Done) {
        WriteLog("Direct Search Hosts File Ignored %s: it %s  ", path.c_str(),
                 std::string(DescribeLocalFileStatus(read)).c_str());
        return {};
    }
    std::istringstream lines(content);
    boost::system::error_code ignored; // without the networks only their broadcast addresses pass
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

std::string WithDirectHost(std::string content, const boost::asio::ip::address_v4& address)
{
    std::istringstream lines(content);
    for (std::string line; std::getline(lines, line);) {
        if (ListsAddress(line, address))
            return content;
    }
    if (!content.empty() && content.back() != '\n')
        content += '\n';
    return content + address.to_string() + '\n';
}

std::string WithoutDirectHost(const std::string& content, const boost::asio::ip::address_v4& address)
{
    std::string kept;
    std::size_t start = 0;
    while (start < content.size()) {
        const std::size_t end = content.find('\n', start);
        const std::size_t next = end == std::string::npos ? content.size() : end + 1;
        const std::string line = content.substr(start, next - start);
        if (!ListsAddress(line, address))
            kept += line;
        start = next;
    }
    return kept;
}

bool AddDirectHost(const std::wstring& dataRoot, const boost::asio::ip::address_v4& address,
                   std::string& error)
{
    return EditHostsFile(
        dataRoot, [&](std::string content) { return WithDirectHost(std::move(content), address); }, error);
}

bool RemoveDirectHost(const std::wstring& dataRoot, const boost::asio::ip::address_v4& address,
                      std::string& error)
{
    return EditHostsFile(
        dataRoot, [&](const std::string& content) { return WithoutDirectHost(content, address); }, error);
}
