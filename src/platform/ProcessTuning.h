#pragma once

// Start-up and memory tuning of the window's process: what the platform lets it overlap or
// give back. One implementation file per platform; where a platform has nothing to tune, the
// calls do nothing.

#include <thread>

// Large buffers (paint surfaces, decoded pictures) each come from the system and go back to it
// when freed. Called first thing in main, before any thread starts.
void KeepLargeBuffersOutOfHeap();

// Gives the heap pages that start-up used and freed back to the system.
void ReturnFreedMemory();

// Reads the system's font configuration on a thread of its own while the application object
// connects to the display, so that the window's first text does not wait for it.
class CFontConfigurationPreload
{
public:
    CFontConfigurationPreload();
    ~CFontConfigurationPreload();

    CFontConfigurationPreload(const CFontConfigurationPreload&) = delete;
    CFontConfigurationPreload& operator=(const CFontConfigurationPreload&) = delete;

    // Waits until the configuration is read. Call before the first text is measured: a reader
    // that found it half-read would read it a second time.
    void Wait();

private:
    std::thread reader;
};
