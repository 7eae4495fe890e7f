#pragma once

#include <chrono>
#include <functional>

#include "discovery/DeviceRecord.h"

// One change of the search service's registry, as its listener hears of it.
struct RegistryChange
{
    enum class Kind
    {
        Appeared, // a device that was not listed
        Changed,  // the device at a listed address now describes itself differently
        Seen,     // a listed device answered again, unchanged
        Gone,     // removed, for the reason below
    };
    enum class GoneReason
    {
        None,      // not Gone
        Byebye,    // it said goodbye
        Expired,   // not heard from within the max-age it announced
        Missed,    // it did not answer too many searches in a row
        Displaced, // the list was full, and a device that answered a search took its place
    };

    Kind kind = Kind::Seen;
    DeviceRecord device; // as listed after the change; for Gone, as it was listed
    std::chrono::system_clock::time_point time;
    GoneReason reason = GoneReason::None;
};

// Runs on the thread that made the change (a worker's, or the caller of Age or Expire), one
// change at a time and in the order the registry saw them, with the registry's lock held. It
// must not call back into the registry or the service; a listener with work to do hands the
// change to its own thread.
using RegistryListener = std::function<void(const RegistryChange&)>;
