#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

// The few questions a command-line tool asks about its start and its standard streams. They differ per
// platform, so they live in one file per platform behind these declarations.

// Lets every thread of a short-lived tool allocate from the one heap the main thread uses,
// instead of each worker thread starting a heap of its own: memory a worker allocated and
// the tool freed is then there for the main thread's next allocation. Call first in main,
// before any thread starts. Does nothing where the system has a single heap anyway.
void ShareOneHeapAcrossThreads();

// True when the stream is a terminal (a person is watching), false for pipes and files.
bool IsTerminal(std::FILE* stream);

// Writes all of text to standard output, past its own stdio buffer, going on after a signal
// interrupted the write. False with the reason in error when it cannot.
bool WriteStandardOutput(const char* text, std::size_t size, int& error);

// False when the process was started with its standard output closed ("program >&-").
bool StandardOutputIsOpen();

// The arguments after the program's name, as UTF-8. On Windows they are read from the wide
// command line: the narrow argv comes through the ANSI code page, which turns a path such as
// "C:\\Users\\Zoë 李\\list.json" into question marks.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// What to tell the user when the queries went out and nothing at all came back: the
// system's firewall, most likely, and the command that lets the answers in.
std::string NothingHeardAdvice();
