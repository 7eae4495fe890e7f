#include "NamespaceAddresses.h"

#include "SimulatorOptions.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <regex>

std::set<std::uint32_t> NamespaceAddresses()
{
    std::set<std::uint32_t> addresses;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return addresses;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        sockaddr_in address{};
        std::copy_n(reinterpret_cast<const unsigned char*>(entry->ifa_addr), sizeof address,
                    reinterpret_cast<unsigned char*>(&address));
        addresses.insert(ntohl(address.sin_addr.s_addr));
    }
    ::freeifaddrs(list);
    return addresses;
}

std::string NamespaceName()
{
    // "ip netns" keeps a bind mount of each named namespace in /run/netns: the one whose
    // inode is ours is our name.
    struct stat own{};
    if (::stat("/proc/self/ns/net", &own) != 0)
        return {};
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/run/netns", error)) {
        struct stat named{};
        if (::stat(entry.path().c_str(), &named) == 0 && named.st_ino == own.st_ino && named.st_dev == own.st_dev)
            return entry.path().filename().string();
    }
    return {};
}

std::string MissingAddressAdvice(const std::vector<std::uint32_t>& wanted,
                                 const std::set<std::uint32_t>& present, const std::string& namespaceName)
{
    const auto missing = std::find_if(wanted.begin(), wanted.end(),
                                      [&](std::uint32_t address) { return !present.contains(address); });
    if (missing == wanted.end())
        return {};
    const auto count = std::count_if(missing, wanted.end(),
                                     [&](std::uint32_t address) { return !present.contains(address); });
    // The test network names its namespaces tk-ID-ROLE.
    std::smatch parts;
    std::string id = "ID", role = "ROLE";
    if (std::regex_match(namespaceName, parts, std::regex("tk-([a-z0-9]{1,12})-(a|b|c)")))
        id = parts[1], role = parts[2];
    return FormatIpv4(*missing) + " is not an address of this network namespace"
        + (namespaceName.empty() ? "" : " (" + namespaceName + ")") + "; add it with: tools/testnet.sh addrs "
        + id + " " + role + " " + FormatIpv4(*missing) + " " + std::to_string(count);
}
