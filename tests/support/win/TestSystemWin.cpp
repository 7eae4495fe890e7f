#include "support/TestSystem.h"

#include <process.h>

#include <cstdlib>

namespace testsystem {

bool IsWindows()
{
    return true;
}

void SetEnvironment(const char* name, const char* value)
{
    ::_putenv_s(name, value ? value : ""); // an empty value removes the variable
}

bool MakeFifo(const std::filesystem::path&)
{
    return false; // no FIFOs in the file system
}

bool FolderPermissionsBind()
{
    return false;
}

long ProcessNumber()
{
    return static_cast<long>(::_getpid());
}

} // namespace testsystem
