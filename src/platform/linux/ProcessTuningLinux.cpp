#include "platform/ProcessTuning.h"

#include <fontconfig/fontconfig.h>
#include <malloc.h>

namespace {

// glibc's own threshold starts here, but rises to the size of every large block freed: after
// the first paint surface went back, every later surface and picture stayed in the heap,
// which only shrinks from its top.
constexpr int kLargeBufferBytes = 128 * 1024;

} // namespace

void KeepLargeBuffersOutOfHeap()
{
    // A fixed threshold also turns glibc's adjustment off.
    mallopt(M_MMAP_THRESHOLD, kLargeBufferBytes);
}

void ReturnFreedMemory()
{
    malloc_trim(0);
}

CFontConfigurationPreload::CFontConfigurationPreload() : reader([] { FcInit(); }) {}

CFontConfigurationPreload::~CFontConfigurationPreload()
{
    Wait();
}

void CFontConfigurationPreload::Wait()
{
    if (reader.joinable())
        reader.join();
}
