// Feeds arbitrary datagrams to a worker's parser, as the receive loop would: at most 1024
// bytes with a zero after them. Built once per parser (FUZZ_SSDP_PARSER picks the SSDP one).
#include <cstddef>
#include <cstdint>
#include <vector>

#ifdef FUZZ_SSDP_PARSER
#include "discovery/SearchDeviceMulticastThread.h"
using Worker = CSearchDeviceMulticastThread;
#else
#include "discovery/SearchDeviceBroadcastThread.h"
using Worker = CSearchDeviceBroadcastThread;
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Worker worker; // no sink: reports are parsed and dropped
    if (size == 0 || size > CSearchDeviceThread::kReceiveSize)
        return 0;
    std::vector<char> area(data, data + size);
    area.push_back('\0');
    worker.HandleRecvInfo(area.data(), size, "192.0.2.1");
    return 0;
}
