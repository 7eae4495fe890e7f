#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

// The IPv4 addresses of the network namespace the simulator runs in, and advice on adding
// the ones a device needs. Each device sends from its own address, so one that the
// namespace lacks would never be heard.
std::set<std::uint32_t> NamespaceAddresses();

// The name of this network namespace as "ip netns" knows it; empty when it has none.
std::string NamespaceName();

// Empty when every address is present; otherwise a message that names the first missing
// address and the testnet.sh command that adds the missing run of addresses.
std::string MissingAddressAdvice(const std::vector<std::uint32_t>& wanted,
                                 const std::set<std::uint32_t>& present, const std::string& namespaceName);
