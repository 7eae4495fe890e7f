#pragma once

#include "discovery/SearchDeviceThread.h"

// Finds devices with the private broadcast query: sends the 148-byte query from port 67 to
// 255.255.255.255 port 68 and turns each 148-byte answer into a device report.
class CSearchDeviceBroadcastThread : public CSearchDeviceThread
{
public:
    using CSearchDeviceThread::CSearchDeviceThread;
    ~CSearchDeviceBroadcastThread() override = default;

    void CreateWorkThread() override;
    int SendSearchCommand(const wire::SearchPacket& packet) override;
    void HandleRecvInfo(const char* data, std::size_t length, const char* senderIP) override;
    const char* KindName() const override { return "broadcast"; }
};
