#pragma once

// What a test asks of the system it runs on, behind one declaration each; the calls differ
// per system (support/linux/, support/win/), so the tests themselves need no system headers
// and never ask which system they were built for.

#include <filesystem>

namespace testsystem {

// True on Windows (and under Wine), for the cases that check what only Linux has: FIFOs,
// folder modes, the locale from LC_ALL, the window manager's moves.
bool IsWindows();

// Sets a variable of this process's environment; a null value removes it.
void SetEnvironment(const char* name, const char* value);

// Makes a FIFO at path; false where the file system has none.
bool MakeFifo(const std::filesystem::path& path);

// True when a folder's permission bits stop this process writing in it: not for root, and
// not on Windows, where the bits are not the folder's access rules.
bool FolderPermissionsBind();

// This process's number, for names that other test processes running at the same time do not use.
long ProcessNumber();

} // namespace testsystem
