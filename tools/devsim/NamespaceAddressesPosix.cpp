#include "NamespaceAddresses.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

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
