#pragma once

#include <cstdio>

// The few questions a command-line tool asks about its standard streams. They differ per
// platform, so they live in one file per platform behind these declarations.

// True when the stream is a terminal (a person is watching), false for pipes and files.
bool IsTerminal(std::FILE* stream);

// False when the process was started with its standard output closed ("program >&-").
bool StandardOutputIsOpen();
