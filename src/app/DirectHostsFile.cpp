#include "app/DirectHostsFile.h"

#include "app/DataFolder.h"
#include "discovery/DiagnosticLog.h"
#include "discovery/DirectHosts.h"
#include "layout/LocalPath.h"
#include "os/LocalAddresses.h"
#include "os/LocalFile.h"

#include <filesystem>
#include <functional>
#include <sstream>

namespace {

constexpr unsigned kNewHostsFileMode = 0644;

// Whether a line of the hosts file lists the address (as ReadHostsFile reads it).
bool ListsAddress(const std::string& line, const boost::asio::ip::address_v4& address)
{
    std::istringstream one(line);
    const HostsFile read = ReadHostsFile(one, {}); // parsing only: what the line names
    return !read.addresses.empty() && read.addresses.front() == address;
}

// Read-only as the system shows it (no write permission for anyone; on Windows the
// read-only attribute): a rename over the file would replace it all the same.
bool IsReadOnly(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code failure;
    const fs::file_status status = fs::status(FileSystemPath(path), failure);
    constexpr fs::perms anyWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return !failure && fs::is_regular_file(status) && (status.permissions() & anyWrite) == fs::perms::none;
}

std::size_t AddressCount(const std::string& content)
{
    std::istringstream lines(content);
    boost::system::error_code ignored;
    return ReadHostsFile(lines, ListLocalIPv4Networks(ignored)).addresses.size(); // as DirectHostsOf counts
}

// `edit` gives the new text, or sets a refusal and leaves the text as it was.
HostsFileEdit EditHostsFile(const std::wstring& dataRoot,
                            const std::function<std::string(const std::string&, HostsFileEdit&)>& edit,
                            std::string& error)
{
    const std::string path = DirectHostsPath(dataRoot);
    std::string content;
    const LocalFileStatus read = ReadRegularFile(path, kMaxHostsFileBytes, content);
    if (read != LocalFileStatus::Done && read != LocalFileStatus::Missing) {
        error = path + " " + std::string(DescribeLocalFileStatus(read));
        return HostsFileEdit::Failed;
    }
    HostsFileEdit refused = HostsFileEdit::Done;
    const std::string edited = edit(content, refused);
    if (refused != HostsFileEdit::Done)
        return refused;
    if (edited == content)
        return HostsFileEdit::Done;
    if (edited.size() > kMaxHostsFileBytes)
        return HostsFileEdit::FileFull;
    if (IsReadOnly(path))
        return HostsFileEdit::ReadOnly;
    std::string reason;
    if (ReplaceRegularFile(path, edited, LinkHandling::ReplaceTarget, kNewHostsFileMode, reason) !=
        LocalFileStatus::Done) {
        error = path + ": " + reason;
        return HostsFileEdit::Failed;
    }
    return HostsFileEdit::Done;
}

} // namespace

std::vector<boost::asio::ip::address_v4> DirectHostsOf(const std::wstring& dataRoot)
{
    const std::string path = DirectHostsPath(dataRoot);
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

std::string DirectHostsPath(const std::wstring& dataRoot)
{
    return ToLocalPath(dataRoot + kDataFolderName + kHostsFileName);
}

HostsFileEdit AddDirectHost(const std::wstring& dataRoot, const boost::asio::ip::address_v4& address,
                            std::string& error)
{
    return EditHostsFile(
        dataRoot,
        [&](const std::string& content, HostsFileEdit& refused) {
            std::string edited = WithDirectHost(content, address);
            if (edited != content && AddressCount(content) >= kMaxDirectHosts)
                refused = HostsFileEdit::ListFull;
            return edited;
        },
        error);
}

HostsFileEdit RemoveDirectHost(const std::wstring& dataRoot, const boost::asio::ip::address_v4& address,
                               std::string& error)
{
    return EditHostsFile(
        dataRoot,
        [&](const std::string& content, HostsFileEdit&) { return WithoutDirectHost(content, address); },
        error);
}
