#pragma once

#include <cstddef>
#include <cstdio>

// The few questions a command-line tool asks about its standard streams. They differ per
// platform, so they live in one file per platform behind these declarations.

// True when the stream is a terminal (a person is watching), false for pipes and files.
bool IsTerminal(std::FILE* stream);

// Writes all of text to standard output, past its own stdio buffer, going on after a signal
// interrupted the write. False with the reason in error when it cannot.
bool WriteStandardOutput(const char* text, std::size_t size, int& error);

// False when the process was started with its standard output closed ("program >&-").
bool StandardOutputIsOpen();
