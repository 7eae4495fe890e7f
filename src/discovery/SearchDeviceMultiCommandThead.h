#pragma once

#include "discovery/SearchDeviceMulticastThread.h"

// The SSDP search bound to one local address and its own port (1530, 1550, ...). It does
// not join the group: it hears only the answers to its own requests, so a search goes out
// once from every local address.
class CSearchDeviceMultiCommandThead : public CSearchDeviceMulticastThread
{
public:
    using CSearchDeviceMulticastThread::CSearchDeviceMulticastThread;
    ~CSearchDeviceMultiCommandThead() override = default;

    void CreateWorkThread() override;
    const char* KindName() const override { return "ssdp-address"; }
    void ExitSearchThread() override;
};
