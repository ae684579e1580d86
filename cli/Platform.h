#pragma once

#include <cstdio>

namespace cli {

// The little the program needs of its platform; one implementation file per platform.

// Whether the stream is a terminal, where a live line can be drawn.
bool isTerminal(std::FILE* stream);

// A closed pipe on the output (a reader that has gone away) must not end the program in the
// middle of a fix: writes to it fail instead, and the run goes on.
void ignoreBrokenPipes();

}  // namespace cli
