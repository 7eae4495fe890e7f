#include "devsim/NamespaceAddresses.h"

#include "os/LocalAddresses.h"

// Windows has no network namespaces: the simulator's devices need addresses of this machine.
std::set<std::uint32_t> NamespaceAddresses()
{
    std::set<std::uint32_t> addresses{0x7F000001}; // 127.0.0.1, which the adapter list leaves out
    boost::system::error_code error;
    for (const InterfaceIPv4& entry : ListInterfaceIPv4(error)) {
        if (entry.up && !entry.loopback)
            addresses.insert(entry.address);
    }
    return addresses;
}

std::string NamespaceName()
{
    return {};
}
