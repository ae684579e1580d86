#include <unistd.h>

#include <csignal>

#include "cli/Platform.h"

namespace cli {

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

void ignoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace cli
