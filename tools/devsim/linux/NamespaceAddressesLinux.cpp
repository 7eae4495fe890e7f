#include "devsim/NamespaceAddresses.h"

#include "os/LocalAddresses.h"

#include <sys/stat.h>

#include <filesystem>

// Every IPv4 address the namespace holds, loopback included.
std::set<std::uint32_t> NamespaceAddresses()
{
    std::set<std::uint32_t> addresses;
    boost::system::error_code error;
    for (const InterfaceIPv4& entry : ListInterfaceIPv4(error))
        addresses.insert(entry.address);
    return addresses;
}

std::string NamespaceName()
{
    // "ip netns" keeps a bind mount of each named namespace in /run/netns: the one whose
    // inode is ours is our name.
    struct stat own
    {
    };
    if (::stat("/proc/self/ns/net", &own) != 0)
        return {};
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/run/netns", error)) {
        struct stat named
        {
        };
        if (::stat(entry.path().c_str(), &named) == 0 && named.st_ino == own.st_ino &&
            named.st_dev == own.st_dev)
            return entry.path().filename().string();
    }
    return {};
}
