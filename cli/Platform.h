#pragma once

#include <cstdio>

namespace cli {

// The little the program needs of its platform; one implementation file per platform.

// Whether the stream is a terminal, where a live line can be drawn.
bool isTerminal(std::FILE* stream);

// The width of the terminal the stream writes to, in columns; 0 when it cannot be told.
int terminalColumns(std::FILE* stream);

// A closed pipe on the output (a reader that has gone away) must not end the program in the
// middle of a fix: writes to it fail instead, and the run goes on.
void ignoreBrokenPipes();

// A standard stream closed when the program starts is opened on the null device, so that no
// file the program opens (the trace, the serial port) takes its place and receives what the
// program prints.
void keepStandardStreamsOpen();

// The signal a hang-up sends, the terminal or the SSH session gone; 0 where there is none.
int hangUpSignal();

}  // namespace cli
