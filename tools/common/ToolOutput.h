#pragma once

#include <string_view>

// What every command-line tool of the project does the same way: its version line and the
// check that what it printed really reached standard output.

// The project's version, from the build.
const char* ProjectVersion();

// Prints "program version" on standard output.
void PrintVersion(const char* program);

// Writes text to standard output and flushes it at once (a reader may be following the
// stream line by line). False when it could not be written.
bool WriteOut(std::string_view text);

// For output that went to standard output's file past WriteOut and failed: keeps the reason
// for CloseStandardOutput, which then reports it.
void NoteWriteFailure(int error);

// Flushes and closes standard output. When anything written could not be delivered (a full
// disk, a closed descriptor), says "program: write error: reason" on standard error and
// returns false: the tool must then exit with status 1.
bool CloseStandardOutput(const char* program);

// For a tool started with its standard output closed: says so as a write error and returns
// false, before anything else could take descriptor 1 over.
bool CheckStandardOutput(const char* program);
