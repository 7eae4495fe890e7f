#include "platform/ProcessTuning.h"

// For a platform whose heap and font configuration need no help: nothing to tune, and no
// reader thread to wait for.

void KeepLargeBuffersOutOfHeap() {}

void ReturnFreedMemory() {}

CFontConfigurationPreload::CFontConfigurationPreload() = default;

CFontConfigurationPreload::~CFontConfigurationPreload() = default;

void CFontConfigurationPreload::Wait() {}
