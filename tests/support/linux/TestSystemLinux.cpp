#include "support/TestSystem.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace testsystem {

bool IsWindows()
{
    return false;
}

void SetEnvironment(const char* name, const char* value)
{
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
}

bool MakeFifo(const std::filesystem::path& path)
{
    return ::mkfifo(path.c_str(), 0600) == 0;
}

bool FolderPermissionsBind()
{
    return ::geteuid() != 0;
}

long ProcessNumber()
{
    return static_cast<long>(::getpid());
}

} // namespace testsystem
