#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "discovery/DirectHosts.h"
#include "discovery/SearchDeviceBroadcastThread.h"
#include "discovery/SearchDeviceMulticastThread.h"

TEST(DirectHosts, AddressesNamesAndTyposAreToldApart)
{
    const std::pair<const char*, HostKind> cases[] = {
        {"198.18.2.10", HostKind::Address}, {"nas", HostKind::Name},
        {"nas-1.example.", HostKind::Name}, {"1.2.3", HostKind::Malformed},
        {"256.1.1.1", HostKind::Malformed}, {"", HostKind::Malformed},
        {"nas:80", HostKind::Malformed},    {"a b", HostKind::Malformed},
        {"-nas", HostKind::Malformed},      {"a..b", HostKind::Malformed},
        {"$(reboot)", HostKind::Malformed},
    };
    for (const auto& [text, kind] : cases)
        EXPECT_EQ(ClassifyHost(text), kind) << text;

    const std::pair<const char*, const char*> unicast[] = {
        {"198.18.2.10", nullptr},
        {"224.0.0.1", "multicast"},
        {"255.255.255.255", "broadcast"},
        {"0.0.0.0", "this network"},
        {"0.1.2.3", "this network"},
        {"127.0.0.1", "loopback"},
        {"240.0.0.1", "reserved"},
        {"239.255.255.250", "multicast"},
        {"192.0.2.255", "the broadcast address of the local network of 192.0.2.10"},
        {"198.18.255.255", nullptr}, // the broadcast address of a network this machine is not on
    };
    const std::vector<LocalNetwork> networks{{"192.0.2.10", "192.0.2.255", 2}, {"198.19.0.1", "", 3}};
    for (const auto& [text, reason] : unicast) {
        std::string error;
        EXPECT_EQ(ResolveHost(text, error, networks).has_value(), reason == nullptr) << text;
        EXPECT_EQ(error, reason ? std::string("not a unicast address (") + text + " is " + reason + ")" : "");
    }

    std::istringstream file(
        "# hosts to search\n198.18.2.10\n  198.18.2.11  # the second\n\nnas.example\n1.2.3\r\n"
        "224.0.0.1\n192.0.2.255\n");
    const HostsFile hosts = ReadHostsFile(file, networks);
    ASSERT_EQ(hosts.addresses.size(), 2u);
    EXPECT_EQ(hosts.addresses[1].to_string(), "198.18.2.11");
    EXPECT_EQ(hosts.skipped,
              (std::vector<std::string>{
                  "line 5: nas.example", "line 6: 1.2.3", "line 7: 224.0.0.1 (multicast)",
                  "line 8: 192.0.2.255 (the broadcast address of the local network of 192.0.2.10)"}));

    // Direct sends count like every other send: these workers have no socket, so each fails.
    CSearchDeviceBroadcastThread broadcast;
    CSearchDeviceMulticastThread ssdp;
    for (CSearchDeviceThread* worker :
         {static_cast<CSearchDeviceThread*>(&broadcast), static_cast<CSearchDeviceThread*>(&ssdp)}) {
        worker->SendDirectSearch(wire::MakeSearchQuery(), boost::asio::ip::make_address_v4("127.0.0.1"));
        EXPECT_EQ(worker->Diagnosis().queriesFailed, 1u) << worker->KindName();
    }
}
