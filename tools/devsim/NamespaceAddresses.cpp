#include "NamespaceAddresses.h"

#include "SimulatorOptions.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

// "tk-ID-ROLE" of the test network: ID is 1 to 12 lower-case letters or digits, ROLE a device
// namespace. False for any other name.
bool SplitTestNetworkName(std::string_view name, std::string& id, std::string& role)
{
    const std::size_t dash = name.rfind('-');
    if (!name.starts_with("tk-") || dash == std::string_view::npos || dash < 4)
        return false;
    const std::string_view idPart = name.substr(3, dash - 3);
    const std::string_view rolePart = name.substr(dash + 1);
    const bool idValid = idPart.size() <= 12 && std::all_of(idPart.begin(), idPart.end(), [](char c) {
                             return std::islower(static_cast<unsigned char>(c)) != 0 ||
                                    std::isdigit(static_cast<unsigned char>(c)) != 0;
                         });
    if (!idValid || (rolePart != "a" && rolePart != "b" && rolePart != "c"))
        return false;
    id = idPart;
    role = rolePart;
    return true;
}

} // namespace

std::string MissingAddressAdvice(const std::vector<std::uint32_t>& wanted,
                                 const std::set<std::uint32_t>& present, const std::string& namespaceName)
{
    const auto missing = std::find_if(wanted.begin(), wanted.end(),
                                      [&](std::uint32_t address) { return !present.contains(address); });
    if (missing == wanted.end())
        return {};
    const auto count = std::count_if(missing, wanted.end(),
                                     [&](std::uint32_t address) { return !present.contains(address); });
    std::string id = "ID", role = "ROLE"; // placeholders outside the test network
    SplitTestNetworkName(namespaceName, id, role);
    return FormatIpv4(*missing) + " is not an address of this network namespace" +
           (namespaceName.empty() ? "" : " (" + namespaceName + ")") +
           "; add it with: tools/testnet.sh addrs " + id + " " + role + " " + FormatIpv4(*missing) + " " +
           std::to_string(count);
}
